// Hostile input for both readers: they must finish, keep memory bounded and
// report rather than crash (the sanitizers of the test build watch the rest).
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>

#include "markup/loose_parser.h"
#include "markup/tree_dump.h"
#include "markup/xml_parser.h"

namespace tallyvane::markup {
namespace {

struct Outcome {
  std::string tree;
  std::string error;
};

Outcome loose(std::string_view text) {
  Document document;
  Outcome outcome;
  LooseMarkupParser().parse(text, outcome.error, document);
  outcome.tree = testing::dumpTree(document);
  return outcome;
}

Outcome strict(std::string_view text) {
  Document document;
  Outcome outcome;
  XmlParser().parse(text, outcome.error, document);
  outcome.tree = testing::dumpTree(document);
  return outcome;
}

std::size_t depthOf(const Document& document) {
  std::size_t depth = 0;
  for (Node n = document.root().firstChild(); n; n = n.firstChild()) ++depth;
  return depth;
}

TEST(MarkupRobustness, DeepNestingStopsWithAnErrorInsteadOfExhaustingTheStack) {
  std::string text;
  for (int i = 0; i < 1'000'000; ++i) text += "<A>";
  for (bool strictReader : {false, true}) {
    Document document;
    std::string error;
    if (strictReader) {
      XmlParser().parse(text, error, document);
    } else {
      LooseMarkupParser().parse(text, error, document);
    }
    EXPECT_EQ(error, "Ln 1, Col 3004: Elements are nested more than 1000 levels deep; the rest is not read.")
        << (strictReader ? "strict" : "loose");
    EXPECT_EQ(depthOf(document), 1000u);
  }
}

TEST(MarkupRobustness, EveryTruncationOfAMarkupTextIsRead) {
  const std::string text =
      "<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY a 'b'>]><OFX a='1' b=\"2\"><!-- note --><A>AT&amp;T &#65;&#x42;"
      "<B><![CDATA[x<y]]></B></A><C/>&nbsp;<D>K&L\r\n</D></OFX>";
  for (std::size_t n = 0; n <= text.size(); ++n) {
    const std::string_view prefix(text.data(), n);
    loose(prefix);
    strict(prefix);
  }
  EXPECT_EQ(loose("<A>x&").tree, R"(A{"x&"})");
  EXPECT_EQ(strict("<A>x&").tree, R"(A{"x&"})");
  EXPECT_EQ(loose("<A><![CDATA[abc").tree, R"(A{"abc"})");
  EXPECT_EQ(loose("<A><!-- abc").tree, "A");
}

TEST(MarkupRobustness, NulBytesAreOrdinaryCharacters) {
  const std::string text("<A>x\0y</A><B>z</B>", 18);
  EXPECT_EQ(loose(text).tree, std::string("A{\"x\0y\"} B{\"z\"}", 15));
  EXPECT_EQ(strict(text).tree, std::string("A{\"x\0y\"} B{\"z\"}", 15));
}

TEST(MarkupRobustness, BinaryGarbageIsReadWithoutHarm) {
  std::mt19937 random(20240601);
  const char markup[] = {'<', '>', '/', '&', ';', '#', 'x', '!', '-', '[', ']', '"', '\'', '=', ' ', '\n', '\r', '?'};
  for (int round = 0; round < 50; ++round) {
    std::string text;
    for (int i = 0; i < 4096; ++i) {
      const unsigned r = random();
      text.push_back(r % 3 == 0 ? markup[(r >> 8) % sizeof markup] : static_cast<char>(r >> 16));
    }
    loose(text);
    strict(text);
  }
}

TEST(MarkupRobustness, AClosingTagLeftForOuterElementsIsReadOnce) {
  // Without its '>' the tag runs to the end of the text; were every level to
  // read it again, this would read about four gigabytes.
  std::string text = "<B>";
  for (int i = 0; i < 999; ++i) text += "<A>";
  text += "</B ";
  text += std::string(4 << 20, 'x');
  const auto start = std::chrono::steady_clock::now();
  const Outcome outcome = loose(text);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(outcome.tree.substr(0, 6), "B{A{A{");
}

}  // namespace
}  // namespace tallyvane::markup
