#include "import/statement_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/test_support.h"

namespace tallyvane::import {
namespace {

template <std::size_t N>
std::string bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

struct Case {
  const char* name;
  std::string input;
  std::string expected;
};

TEST(DecodeStatementBytes, EndsEveryLineWithCrLf) {
  const Case cases[] = {
      {"each kind of line end", "a\rb\nc\r\nd\n\re", "a\r\nb\r\nc\r\nd\r\ne\r\n"},
      {"doubled line ends are two, empty lines stay", "e\r\rf\n\ng", "e\r\n\r\nf\r\n\r\ng\r\n"},
      {"a final line end adds no empty line", "a\n", "a\r\n"},
      {"empty text", "", ""},
      {"only a line end", "\n", "\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(decodeStatementBytes(c.input), c.expected) << c.name;
}

TEST(DecodeStatementBytes, DecodesWindows1252OnlyWhenDeclaredAndNotUtf8) {
  const Case cases[] = {
      {"declared in the SGML header", "CHARSET:1252\n<OFX><NAME>Caf\xE9 \x80\x81", "CHARSET:1252\r\n<OFX><NAME>Caf\xC3\xA9 \xE2\x82\xAC\xEF\xBF\xBD\r\n"},
      {"ISO-8859-1 spelling", "CHARSET:ISO-8859-1\n<OFX>\xE9", "CHARSET:ISO-8859-1\r\n<OFX>\xC3\xA9\r\n"},
      {"XML declaration", "<?xml version=\"1.0\" encoding=\"windows-1252\"?><OFX>\xE9", "<?xml version=\"1.0\" encoding=\"windows-1252\"?><OFX>\xC3\xA9\r\n"},
      {"valid UTF-8 stays UTF-8 whatever the header says", "CHARSET:1252\n<OFX>\xC3\xA9", "CHARSET:1252\r\n<OFX>\xC3\xA9\r\n"},
      {"undeclared bytes become U+FFFD", "CHARSET:NONE\n<OFX>\xE9x", "CHARSET:NONE\r\n<OFX>\xEF\xBF\xBDx\r\n"},
      {"another code page", "CHARSET:12520\n<OFX>\xE9", "CHARSET:12520\r\n<OFX>\xEF\xBF\xBD\r\n"},
      {"a declaration after the body does not count", "<OFX>\xE9<MEMO>CHARSET:1252", "<OFX>\xEF\xBF\xBD<MEMO>CHARSET:1252\r\n"},
      {"UTF-8 mark is dropped", "\xEF\xBB\xBF<OFX>", "<OFX>\r\n"},
      {"UTF-16LE mark", bytes("\xFF\xFE<\0O\0F\0X\0>\0\n\0\xE9\0"), "<OFX>\r\n\xC3\xA9\r\n"},
      {"NUL bytes are kept", bytes("<OFX>\0x"), bytes("<OFX>\0x\r\n")},
  };
  for (const Case& c : cases) EXPECT_EQ(decodeStatementBytes(c.input), c.expected) << c.name;
}

TEST(ReadStatementFile, ReadsFilesAndSaysWhyOneCannotBeRead) {
  tallyvane::testing::TempDir dir;
  const auto path = dir / "s.ofx";
  std::ofstream(path, std::ios::binary) << "OFXHEADER:100\n<OFX>";
  const StatementText read = readStatementFile(path);
  EXPECT_TRUE(read.ok);
  EXPECT_EQ(read.text, "OFXHEADER:100\r\n<OFX>\r\n");

  const StatementText missing = readStatementFile(dir / "missing.ofx");
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.text, "");
  EXPECT_EQ(missing.message, "Cannot open " + (dir / "missing.ofx").string() + ": No such file or directory");

  const StatementText folder = readStatementFile(dir.path());
  EXPECT_FALSE(folder.ok);
  EXPECT_EQ(folder.message, "Cannot read " + dir.path().string());

  const auto huge = dir / "huge.ofx";
  std::ofstream(huge, std::ios::binary).put('<');
  std::filesystem::resize_file(huge, kStatementFileSizeLimit);  // sparse: costs no disk
  const StatementText large = readStatementFile(huge);
  EXPECT_FALSE(large.ok);
  EXPECT_EQ(large.message, huge.string() + " is too large to be a statement file");
}

std::string readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(ReadStatementFile, GivesWhatDecodingTheWholeFileGives) {
  // Files are read block by block while they are valid UTF-8; the result must
  // not depend on where blocks end, nor on finding a bad byte late.
  tallyvane::testing::TempDir dir;
  const std::string filler(65535, 'a');
  const Case cases[] = {
      {"sequence across a block end", filler + "\xC3\xA9\n", ""},
      {"CR LF across a block end", filler + "\r\nb", ""},
      {"CR alone at a block end", filler + "\rb", ""},
      {"bad byte after the first block, declared", "CHARSET:1252\n<OFX>" + filler + "\xE9\xE9\xE9\xE9", ""},
      {"bad byte at the very end", "<OFX>" + filler + "\xE9", ""},
      {"bad byte in the first block", "<OFX>\xE9 " + filler, ""},
      {"short file", "\xE9", ""},
      {"UTF-8 mark", "\xEF\xBB\xBF<OFX>" + filler, ""},
      {"UTF-16 mark", bytes("\xFF\xFE" "a\0\r\0"), ""},
  };
  for (const Case& c : cases) {
    const auto path = dir / "s.ofx";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << c.input;
    const StatementText read = readStatementFile(path);
    EXPECT_TRUE(read.ok) << c.name;
    EXPECT_EQ(read.text, decodeStatementBytes(c.input)) << c.name;
  }
  const auto corpus = std::filesystem::path(TALLYVANE_CORPUS_DIR) / "ofx";
  if (!std::filesystem::is_directory(corpus)) return;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus)) {
    if (!entry.is_regular_file()) continue;
    EXPECT_EQ(readStatementFile(entry.path()).text, decodeStatementBytes(readBytes(entry.path()))) << entry.path();
  }
}

}  // namespace
}  // namespace tallyvane::import
