#include "markup/loose_parser.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "markup/tree_dump.h"

namespace tallyvane::markup {
namespace {

using testing::dumpTree;

struct Parsed {
  std::string tree;
  std::string error;
};

Parsed parseLoose(std::string_view text, std::span<const std::string_view> leaves = {}) {
  LooseMarkupParser parser;
  parser.setLeafElements(leaves);
  Document document;
  Parsed parsed;
  parser.parse(text, parsed.error, document);
  parsed.tree = dumpTree(document);
  return parsed;
}

struct TreeCase {
  const char* name;
  std::string input;
  std::string_view tree;
};

TEST(LooseMarkupParser, BuildsTheExpectedTrees) {
  const TreeCase cases[] = {
      {"leaf closed by the next tag on its line", "<A><B>x<C>y</A>", R"(A{B{"x"} C{"y"}})"},
      {"leaf closed by the next tag after a line end", "<A>\n<B>x\n<C>y\n</A>", R"(A{B{"x"} C{"y"}})"},
      {"text keeps only its first line", "<A><B>first\nsecond\n<C>y</A>", R"(A{B{"first"} C{"y"}})"},
      {"CR LF and LF CR are line ends", "<A>\r\n<B>x\n\r<C>y\r</A>", R"(A{B{"x"} C{"y"}})"},
      {"closing tags of closed leaves are skipped", "<A><B><C>x</C><D>y</D></B><E>z</A>",
       R"(A{B{C{"x"} D{"y"}} E{"z"}})"},
      {"closing an ancestor ends every element up to it", "<A><B><C><D>x</B><E>y</A>",
       R"(A{B{C{D{"x"}}} E{"y"}})"},
      {"closing tag naming no open element is skipped", "<A></Z><B>x</A>", R"(A{B{"x"}})"},
      {"stray closing tag at the top is skipped", "</X><A>x", R"(A{"x"})"},
      {"leaf closed with another leaf's name", "<T><NAME>BANK</NAME><MEMO>1 OP</NAME></T>",
       R"(T{NAME{"BANK"} MEMO{"1 OP"}})"},
      {"XML form: every element closed", "<A>\n  <B>x</B>\n  <C>\n    <D>y</D>\n  </C>\n</A>",
       R"(A{B{"x"} C{D{"y"}}})"},
      {"CDATA section is text", "<A><M><![CDATA[a<b>&c]]>\n<N>y</A>", R"(A{M{"a<b>&c"} N{"y"}})"},
      {"CDATA joins the text around it", "<M>x<![CDATA[<y>]]>z\n", R"(M{"x<y>z"})"},
      {"comment is skipped", "<A><!-- <B> --><C>x</A>", R"(A{C{"x"}})"},
      {"blanks before a tag are indentation", "<A>  <B>x</B>  </A>", R"(A{B{"x"}})"},
      {"tabs are dropped", "<A>\t<B>x\ty</A>", R"(A{B{"xy"}})"},
      {"attributes and self-closed element", R"(<A x="1 2" y=3 z/><B>w)", R"(A[x=1 2,y=3,z=] B{"w"})"},
      {"declarations have no content", R"(<?xml version="1.0"?><OFX>x)", R"(?xml[version=1.0?] OFX{"x"})"},
      {"entities", "<A>&lt;&gt;&amp;&quot;&apos;&#65;&#x41;", R"(A{"<>&"'AA"})"},
      {"unknown entity gives an ampersand", "<A>&nbsp;x", R"(A{"&x"})"},
      {"bare ampersand before a tag", "<A>AT&T</A><B>y", R"(A{"AT&T"} B{"y"})"},
      {"bare ampersand before a blank", "<A>A & Z<B>y", R"(A{"A & Z"} B{"y"})"},
      {"bare ampersand before a line end", "<A>PG&\n<B>y", R"(A{"PG&"} B{"y"})"},
      {"ampersand at the very end", "<A>x&", R"(A{"x&"})"},
      {"'<' that starts no tag is text", "<A><B>x < y\n<C><= 3 <> <\n<D>z<", R"(A{B{"x < y"} C{"<= 3 <> <"} D{"z<"}})"},
      {"'<' with an empty quoted name ends the element", "<A><B>x</B><''>y", R"(A{B{"x"}} "y")"},
      {"value on the line after its tag", "<A><B>\n20190109</B><C>\r\n  SHOP ONE\r\n<D>y</A>",
       R"(A{B{"20190109"} C{"SHOP ONE"} D{"y"}})"},
      {"white space of every kind before a value on a later line", "<A><B> \t\r\n\f\v \n\r\n x y\nz\n<C>w</A>",
       R"(A{B{"x y"} C{"w"}})"},
      {"a line end after text still ends it", "<A><B>x\n  y\n<C>w</A>", R"(A{B{"x"} C{"w"}})"},
      {"form feed and vertical tab before a tag are indentation", "<A><L>\n\f<T>x\n\v <T>y</L><B>z</A>",
       R"(A{L{T{"x"} T{"y"}} B{"z"}})"},
      {"form feed within a line before a tag is indentation", "<A><L>\f <T>x</L><B>z</A>", R"(A{L{T{"x"}} B{"z"}})"},
      {"names keep 259 characters", "<" + std::string(300, 'N') + ">x", ""},
  };
  for (const TreeCase& c : cases) {
    std::string expected(c.tree);
    if (expected.empty()) expected = std::string(259, 'N') + R"({"x"})";
    EXPECT_EQ(parseLoose(c.input).tree, expected) << c.name;
  }
}

TEST(LooseMarkupParser, EmptyLeavesDoNotSwallowTheElementsAfterThem) {
  constexpr std::array<std::string_view, 3> kLeaves = {"FITID", "MEMO", "NAME"};
  const std::string_view text = "<T><FITID>\n<MEMO>\n<NAME>Shop\n</T><U><MEMO></U>";
  EXPECT_EQ(parseLoose(text, kLeaves).tree, R"(T{FITID MEMO NAME{"Shop"}} U{MEMO})");
  // Without knowing the leaves, each empty one takes the rest as children.
  EXPECT_EQ(parseLoose(text).tree, R"(T{FITID{MEMO{NAME{"Shop"}}}} U{MEMO})");
}

struct ErrorCase {
  const char* name;
  std::string input;
  std::string_view error;
};

TEST(LooseMarkupParser, RecordsTheFirstErrorWithItsPosition) {
  const ErrorCase cases[] = {
      {"unterminated tag", "<OFX>\n<NAME", "Ln 2, Col 6: Tag <NAME> does not have a closing '>'"},
      {"bare ampersand", "<A>AT&T</A>",
       "Ln 1, Col 7: Strings starting with an ampersand (&) must end with a semicolon (;). Either replace the '&' "
       "with '&amp;' or add a ';' at the end of the control string."},
      {"entity name too long", "<A>&" + std::string(48, 'a') + ";",
       "Ln 1, Col 5: Strings starting with an ampersand (&) must end with a semicolon (;). Either replace the '&' "
       "with '&amp;' or add a ';' at the end of the control string."},
      {"unknown entity", "<A>&nbsp;",
       "Ln 1, Col 10: Invalid escaped ampersand character. Make sure you use &amp; in place of any & characters!"},
      {"only the first error is kept", "<A>&nbsp;\n<B",
       "Ln 1, Col 10: Invalid escaped ampersand character. Make sure you use &amp; in place of any & characters!"},
      {"clean text leaves the buffer empty", "<A><B>x</B></A>", ""},
  };
  for (const ErrorCase& c : cases) {
    EXPECT_EQ(parseLoose(c.input).error, c.error) << c.name;
  }
}

TEST(LooseMarkupParser, KeepsAnEarlierErrorInTheCallersBuffer) {
  LooseMarkupParser parser;
  Document document;
  std::string error = "earlier";
  parser.parse("<A", error, document);
  EXPECT_EQ(error, "earlier");
}

TEST(LooseMarkupParser, ColumnsCountCharactersNotBytes) {
  EXPECT_EQ(parseLoose("<A>\xC3\xA9\xE2\x82\xAC&x").error.substr(0, 13), "Ln 1, Col 7: ");
}

TEST(LooseMarkupParser, AppendsToTheDocumentItIsGiven) {
  LooseMarkupParser parser;
  Document document;
  std::string error;
  parser.parse("<A>x", error, document);
  parser.parse("<B>y", error, document);
  EXPECT_EQ(testing::dumpTree(document), R"(A{"x"} B{"y"})");
}

}  // namespace
}  // namespace tallyvane::markup
