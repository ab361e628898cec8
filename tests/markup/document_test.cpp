#include "markup/document.h"

#include <gtest/gtest.h>

#include <string>

#include "markup/loose_parser.h"
#include "markup/xml_parser.h"

namespace tallyvane::markup {
namespace {

Document parseXml(std::string_view text) {
  Document document;
  std::string error;
  XmlParser().parse(text, error, document);
  return document;
}

TEST(Document, FindChildMatchesElementsByExactNameOnly) {
  const Document document = parseXml("<R>OFX<ofx>a</ofx><OFX>b</OFX><OFX>c</OFX></R>");
  const Node r = findChild(document.root(), "R");
  EXPECT_EQ(findChild(r, "OFX").text(), "b");  // the first, not the text "OFX", not "ofx"
  EXPECT_FALSE(findChild(r, "Ofx"));
  EXPECT_FALSE(findChild(r, ""));
  EXPECT_FALSE(findChild(Node{}, "R"));
}

TEST(Document, ElementTextIsOwnTextElseFirstChildsText) {
  const Document document = parseXml("<R><A>x<B>y</B></A><C><B>y</B>x</C><D/></R>");
  const Node r = findChild(document.root(), "R");
  EXPECT_EQ(findChild(r, "A").text(), "x");
  EXPECT_EQ(findChild(r, "C").text(), "");  // the first child is an element without text
  EXPECT_EQ(findChild(r, "D").text(), "");
  EXPECT_EQ(childText(r, "missing"), "");
}

TEST(Document, ChildTextIsCutTo259CharactersWithoutSplittingOne) {
  std::string accents;
  for (int i = 0; i < 300; ++i) accents += "\xC3\xA9";
  const Document document = parseXml("<R><N>" + accents + "</N></R>");
  const std::string text = childText(findChild(document.root(), "R"), "N");
  EXPECT_EQ(text, accents.substr(0, 2 * 259));
}

TEST(Document, ChildNumberAndAttributeValue) {
  const Document document =
      parseXml(R"(<R a="1" a="2" b=""><X> 12.5</X><Y>+3</Y><Z>abc</Z><E></E></R>)");
  const Node r = findChild(document.root(), "R");
  EXPECT_DOUBLE_EQ(childNumber(r, "X"), 12.5);
  EXPECT_DOUBLE_EQ(childNumber(r, "Y"), 3);
  EXPECT_DOUBLE_EQ(childNumber(r, "Z"), 0);
  EXPECT_DOUBLE_EQ(childNumber(r, "E"), 0);
  EXPECT_DOUBLE_EQ(childNumber(r, "missing"), 0);
  EXPECT_EQ(attributeValue(r, "a"), "2");  // a repeated name keeps the last value
  EXPECT_EQ(attributeValue(r, "b"), "");
  EXPECT_EQ(attributeValue(r, "A"), "");
  EXPECT_EQ(r.attributes().size(), 2u);
}

TEST(Document, LongTextsAndManyNodesStayIntact) {
  // Texts larger than a storage chunk, and more nodes than one block holds.
  const std::string big(3 << 20, 'x');
  std::string text = "<R><BIG>" + big + "</BIG>";
  for (int i = 0; i < 10000; ++i) text += "<N>" + std::to_string(i) + "</N>";
  text += "<BIG2>" + big + "y</BIG2></R>";
  const Document document = parseXml(text);
  const Node r = findChild(document.root(), "R");
  EXPECT_EQ(findChild(r, "BIG").text(), big);
  EXPECT_EQ(findChild(r, "BIG2").text(), big + "y");
  int count = 0;
  std::string last;
  for (Node n = r.firstChild(); n; n = n.nextSibling()) {
    if (n.name() == "N") {
      ++count;
      last = n.text();
    }
  }
  EXPECT_EQ(count, 10000);
  EXPECT_EQ(last, "9999");
}

TEST(Document, MovesAndClears) {
  Document document = parseXml("<A>x</A>");
  Document moved = std::move(document);
  EXPECT_EQ(findChild(moved.root(), "A").text(), "x");
  moved.clear();
  EXPECT_FALSE(moved.root().firstChild());
  EXPECT_EQ(moved.nodeCount(), 1u);
}

}  // namespace
}  // namespace tallyvane::markup
