#include "store/text.h"

#include <gtest/gtest.h>

#include <string>

namespace tallyvane::store {
namespace {

// A cut keeps whole, valid characters only, and counts every malformed byte
// as one character: no text can pass the limit at several times its length
// in bytes, and nothing invalid comes out.
TEST(CutChars, MalformedUtf8Table) {
  const std::string kReplacement = "\xEF\xBF\xBD";
  struct Case {
    const char* name;
    std::string text;
    std::size_t max;
    std::string expected;
  };
  const Case cases[] = {
      {"plain ASCII", "abcdef", 3, "abc"},
      {"whole two- and three-byte characters", "D\xC3\x89P\xC3\x94T", 4, "D\xC3\x89P\xC3\x94"},
      {"four-byte character kept whole", "\xF0\x9F\x98\x80x", 1, "\xF0\x9F\x98\x80"},
      {"stray continuation byte", "a\x80" "b", 3, "a" + kReplacement + "b"},
      {"lead byte followed by ASCII", "\xC3" "A", 2, kReplacement + "A"},
      {"three-byte lead with its continuations missing", "\xE2xyz", 2, kReplacement + "x"},
      {"sequence cut by the end", "ab\xE2\x82", 4, "ab" + kReplacement + kReplacement},
      {"overlong slash", "\xC0\xAF", 2, kReplacement + kReplacement},
      {"overlong three-byte form", "\xE0\x80\xAF", 3, kReplacement + kReplacement + kReplacement},
      {"surrogate half", "\xED\xA0\x80", 1, kReplacement},
      {"past U+10FFFF", "\xF4\x90\x80\x80", 1, kReplacement},
      {"bytes no character starts with", "\xF5\xFF", 5, kReplacement + kReplacement},
      // The old cut took a lead byte's length on trust: four characters of
      // "lead + ASCII" passed as 16 bytes.
      {"a lead byte does not swallow the characters after it", "\xF0" "abc\xF0" "def", 2, kReplacement + "a"},
      {"Windows-1252 bytes", "D\xC9P\xD4T", 5, "D" + kReplacement + "P" + kReplacement + "T"},
  };
  for (const Case& c : cases) {
    const std::string cut = CutChars(c.text, c.max);
    EXPECT_EQ(cut, c.expected) << c.name;
    EXPECT_LE(CountChars(cut), c.max) << c.name;
    EXPECT_EQ(CutChars(cut, c.max), cut) << c.name << ": a cut text is cut again unchanged";
  }
  // The data file's limit on a long malformed text: 259 characters, each at
  // most the three bytes of U+FFFD.
  const std::string hostile(4000, '\xF0');
  EXPECT_EQ(CountChars(CutChars(hostile)), kTextLimit);
  EXPECT_EQ(CutChars(hostile).size(), kTextLimit * 3);
}

TEST(DecodeUtf8, MalformedBytesReadAsReplacementOneEach) {
  EXPECT_EQ(DecodeUtf8("a\xC0\xAF" "b"), U"a\uFFFD\uFFFDb");
  EXPECT_EQ(DecodeUtf8("\xED\xA0\x80"), U"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(DecodeUtf8("\xE2\x82\xAC"), U"\u20AC");
  EXPECT_EQ(CountChars("\xF0" "abc"), 4u);
}

}  // namespace
}  // namespace tallyvane::store
