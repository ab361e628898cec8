#include "markup/xml_parser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "markup/tree_dump.h"
#include "support/test_support.h"

namespace tallyvane::markup {
namespace {

using testing::dumpTree;

struct Parsed {
  std::string tree;
  std::string error;
};

Parsed parseXml(std::string_view text) {
  Document document;
  Parsed parsed;
  XmlParser().parse(text, parsed.error, document);
  parsed.tree = dumpTree(document);
  return parsed;
}

struct Case {
  const char* name;
  std::string input;
  std::string_view tree;
  std::string_view error;
};

TEST(XmlParser, BuildsTheExpectedTreesAndErrors) {
  const Case cases[] = {
      {"each closing tag closes the innermost element", "<A><B>x</B><C/></A>", R"(A{B{"x"} C})", ""},
      {"text is kept exactly, white space included", "<A>\n  <B> x </B>\r\n</A>", R"(A{"\n  " B{" x "} "\n"})",
       ""},
      {"CDATA section", "<N><![CDATA[a<b>&c]]></N>", R"(N{![CDATA[="a<b>&c"})", ""},
      {"comment may hold '>'", "<A><!-- c > d --></A>", R"(A{!--=" c > d "})", ""},
      {"DOCTYPE with an internal subset", "<!DOCTYPE x [<!ENTITY a 'b'>]><R/>",
       R"(!DOCTYPE=" x [<!ENTITY a 'b'>]" R)", ""},
      {"declaration's last value loses its '?'", R"(<?xml version="1.0" encoding="UTF-8"?><R/>)",
       "?xml[version=1.0,encoding=UTF-8] R", ""},
      {"xml:space is not stored; blanks around '='", R"(<R xml:space="preserve" a = "1">x</R>)", R"(R[a=1]{"x"})",
       ""},
      {"entities, bare and unknown ampersands", "<A>AT&T &amp; &#65;&#x41;&nbsp;</A>", R"(A{"AT&T & AA&"})",
       "Ln 1, Col 7: Strings starting with an ampersand (&) must end with a semicolon (;). Either replace the '&' "
       "with '&amp;' or add a ';' at the end of the control string."},
      {"wrong closing name ends the element and parsing goes on", "<A><B>x</C>y</A>", R"(A{B{"x"} "y"})",
       "Ln 1, Col 12: Element <B> should be terminated with </B>, was with C. Check you have terminated your "
       "element properly."},
      {"end of text inside an element", "<A><B>x", R"(A{B{"x"}})",
       "Ln 1, Col 8: (EOF) Element <B> should be terminated with </B>. Check you have terminated your element "
       "properly."},
      {"misplaced '<'", "<A>< B</A>", R"(A "B")",
       "Ln 1, Col 6: Misplaced < without name. Use &lt; instead of < if appropriate."},
      {"closing tag at the top ends the parse", "</X><A/>", "",
       "Ln 1, Col 5: Misplaced </X> which does not match a <X>."},
      {"unterminated comment", "<A><!-- x", R"(A{!--=" x"})",
       "Ln 1, Col 10: (EOF) Element <!--> should be terminated with </!-->. Check you have terminated your "
       "element properly."},
      {"unterminated tag", "<A", "A", "Ln 1, Col 3: Tag <A> does not have a closing '>'"},
      {"unknown declaration reads to the end", "<!ELEMENT x><A/>", "!ELEMENT",
       "Ln 1, Col 17: (EOF) Element <!ELEMENT> should be terminated with </!ELEMENT>. Check you have terminated "
       "your element properly."},
  };
  for (const Case& c : cases) {
    const Parsed parsed = parseXml(c.input);
    EXPECT_EQ(parsed.tree, c.tree) << c.name;
    EXPECT_EQ(parsed.error, c.error) << c.name;
  }
}

TEST(XmlParser, CdataReachesTheCallerAsTheElementText) {
  Document document;
  std::string error;
  XmlParser().parse("<M><NAME><![CDATA[EFTPOS  ]]></NAME></M>", error, document);
  EXPECT_EQ(childText(findChild(document.root(), "M"), "NAME"), "EFTPOS  ");
}

TEST(XmlParser, CancelCheckIsAskedEvery512CharactersAndStopsTheParse) {
  std::string text = "<A>";
  for (int i = 0; i < 1000; ++i) text += "<B>x</B>";
  text += "</A>";

  int asked = 0;
  Document whole;
  std::string error;
  XmlParser().parse(text, error, whole, [&] {
    ++asked;
    return false;
  });
  EXPECT_EQ(asked, static_cast<int>(text.size() / 512));

  Document part;
  asked = 0;
  XmlParser().parse(text, error, part, [&] { return ++asked == 2; });
  std::size_t children = 0;
  for (Node b = findChild(part.root(), "A").firstChild(); b; b = b.nextSibling()) ++children;
  EXPECT_GT(children, 100u);
  EXPECT_LT(children, 200u);
}

// A literal's bytes, NULs included.
template <std::size_t N>
std::string bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

class LoadXmlFile : public ::testing::Test {
 protected:
  std::filesystem::path write(const std::string& name, const std::string& bytes) {
    const auto path = dir_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  tallyvane::testing::TempDir dir_;
};

TEST_F(LoadXmlFile, DecodesByByteOrderMarkOrContent) {
  struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"UTF-16LE mark", bytes("\xFF\xFE<\0R\0>\0\xE9\0<\0/\0R\0>\0")},
      {"UTF-16BE mark", bytes("\xFE\xFF\0<\0R\0>\0\xE9\0<\0/\0R\0>")},
      {"UTF-8 mark", "\xEF\xBB\xBF<R>\xC3\xA9</R>"},
      {"valid UTF-8 without a mark", "<R>\xC3\xA9</R>"},
      {"not UTF-8: Windows-1252", "<R>\xE9</R>"},
  };
  for (const auto& c : cases) {
    Document document;
    std::string error;
    EXPECT_EQ(loadXmlFile(write("f.xml", c.bytes), document, error), LoadResult::Loaded) << c.name;
    EXPECT_EQ(findChild(document.root(), "R").text(), "\xC3\xA9") << c.name;
    EXPECT_EQ(error, "") << c.name;
  }
}

TEST_F(LoadXmlFile, ReportsWhyAFileWasNotLoaded) {
  Document document;
  std::string error;
  const auto missing = dir_ / "missing.xml";
  EXPECT_EQ(loadXmlFile(missing, document, error), LoadResult::Failed);
  EXPECT_EQ(error, "File does not exist: " + missing.string());

  const auto huge = write("huge.xml", "");
  std::filesystem::resize_file(huge, kXmlFileSizeLimit);  // sparse: costs no disk
  error.clear();
  EXPECT_EQ(loadXmlFile(huge, document, error), LoadResult::Failed);
  EXPECT_EQ(error, "Not enough memory available to load " + huge.string());

  error.clear();
  EXPECT_EQ(loadXmlFile(dir_.path(), document, error), LoadResult::Failed);
  EXPECT_EQ(error, "Cannot open xml file: " + dir_.path().string());
}

TEST_F(LoadXmlFile, ParseErrorsStillLoadAndCancelStops) {
  const auto path = write("bad.xml", "<R><S></R>");
  Document document;
  std::string error;
  EXPECT_EQ(loadXmlFile(path, document, error), LoadResult::Loaded);
  EXPECT_FALSE(error.empty());

  Document untouched;
  error.clear();
  EXPECT_EQ(loadXmlFile(path, untouched, error, [] { return true; }), LoadResult::Cancelled);
  EXPECT_FALSE(untouched.root().firstChild());
}

}  // namespace
}  // namespace tallyvane::markup
