#include "pdf/font_metrics.h"

#include <gtest/gtest.h>

#include "pdf/paper.h"
#include "pdf/winansi.h"

namespace tallyvane::pdf {
namespace {

TEST(ResolveFont, NamesTheHelveticaFaceOrKeepsTheFace) {
  struct Case {
    const char* face;
    int weight;
    bool italic;
    const char* name;
    bool standard;
  };
  const Case cases[] = {
      {"Helvetica", 400, false, "Helvetica", true},
      {"Helvetica", 699, false, "Helvetica", true},
      {"Helvetica", 700, false, "Helvetica-Bold", true},
      {"Arial", 400, true, "Helvetica-Oblique", true},
      {"arial", 900, true, "Helvetica-BoldOblique", true},
      {"Helvetica-Oblique", 700, false, "Helvetica-Oblique", true},
      {"Helvetica-Bold", 400, false, "Helvetica-Bold", true},
      {"", 700, false, "Helvetica-Bold", true},
      {"Times New Roman", 700, false, "TimesNewRoman", false},
      {"Symbol", 400, false, "Symbol", false},
      {"Odd(Face)/1", 400, false, "Odd#28Face#29#2F1", false},
  };
  for (const Case& c : cases) {
    const ResolvedFont resolved = ResolveFont(c.face, c.weight, c.italic);
    EXPECT_EQ(resolved.pdfName, c.name) << c.face << " " << c.weight;
    EXPECT_EQ(resolved.standard, c.standard) << c.face;
  }
}

TEST(FontMetrics, ResourceNamesAndDictionaries) {
  EXPECT_EQ(FontResourceName("Helvetica-Bold"), "/FNT_Helvetica_Bold");
  EXPECT_EQ(FontResourceName("Helvetica-BoldOblique"), "/FNT_Helvetica_BoldOblique");
  EXPECT_EQ(FontResourceName("Odd#28Face"), "/FNT_Odd_28Face");
  EXPECT_EQ(FontDictionary("Helvetica-Bold"),
            "<</Type /Font /BaseFont /Helvetica-Bold /Subtype /Type1 /Encoding /WinAnsiEncoding>>");
  EXPECT_EQ(FontDictionary("ZapfDingbats"), "<</Type /Font /BaseFont /ZapfDingbats /Subtype /Type1 >>");
  EXPECT_EQ(FontDictionary("Verdana"),
            "<</Type /Font /BaseFont /Verdana /Subtype /TrueType /Encoding /WinAnsiEncoding>>");
}

TEST(FontMetrics, GeneratedTablesHoldThePublishedWidths) {
  struct Case {
    unsigned char code;
    int regular;
    int bold;
  };
  // Widths of the published Helvetica and Helvetica-Bold metrics.
  const Case cases[] = {
      {' ', 278, 278}, {'0', 556, 556}, {'9', 556, 556}, {'A', 667, 722}, {'C', 722, 722}, {'W', 944, 944},
      {'i', 222, 278}, {'m', 833, 889}, {'(', 333, 333}, {'\\', 278, 278}, {'~', 584, 584},
      {0x80, 556, 556},   // Euro
      {0x85, 1000, 1000}, // ellipsis
      {0x95, 350, 350},   // bullet
      {0x97, 1000, 1000}, // emdash
      {0xA0, 278, 278},   // no-break space prints as a space
      {0xAD, 333, 333},   // soft hyphen prints as a hyphen
      {0xC6, 1000, 1000}, // AE
      {0xDF, 611, 611},   // germandbls
      {0xE9, 556, 556},   // eacute
      {0x81, 350, 350},   // unused codes print as the bullet
      {0x09, 0, 0},       // control characters take no room
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StandardCharWidth("Helvetica", c.code), c.regular) << int(c.code);
    EXPECT_EQ(StandardCharWidth("Helvetica-Oblique", c.code), c.regular) << int(c.code);
    EXPECT_EQ(StandardCharWidth("Helvetica-Bold", c.code), c.bold) << int(c.code);
    EXPECT_EQ(StandardCharWidth("Helvetica-BoldOblique", c.code), c.bold) << int(c.code);
    EXPECT_EQ(StandardCharWidth("Courier", c.code), 600) << int(c.code);
  }
}

TEST(Paper, SizesFromMillimetres) {
  struct Case {
    int index;
    int resolution;
    int width;
    int height;
  };
  const Case cases[] = {
      {0, 72, 595, 842},    {1, 72, 612, 791},    {2, 72, 612, 1009},  {-1, 72, 595, 842},
      {3, 72, 595, 842},    {0, 600, 4961, 7016}, {1, 600, 5102, 6591}, {2, 300, 2551, 4205},
  };
  for (const Case& c : cases) {
    const PageSize size = PaperPageSize(c.index, c.resolution);
    EXPECT_EQ(size.width, c.width) << c.index << " at " << c.resolution;
    EXPECT_EQ(size.height, c.height) << c.index << " at " << c.resolution;
  }
  EXPECT_EQ(PaperFromOption(1), Paper::Letter);
  EXPECT_EQ(PaperFromOption(2), Paper::Legal);
  EXPECT_EQ(PaperFromOption(0), Paper::A4);
  EXPECT_EQ(PaperFromOption(3), Paper::A4);
  EXPECT_EQ(PaperFromOption(-1), Paper::A4);
}

TEST(Windows1252, CodeChartAndConversion) {
  struct Case {
    char32_t c;
    int byte;  // -1: outside the chart
  };
  const Case cases[] = {
      {U'A', 'A'},     {0x7F, 0x7F},   {U'\u20AC', 0x80}, {U'\u201A', 0x82}, {U'\u0178', 0x9F},
      {U'\u017E', 0x9E}, {0xA0, 0xA0}, {U'\u00FF', 0xFF}, {0, -1},           {0x81, -1},
      {0x9D, -1},      {U'\u0100', -1}, {U'\u4E2D', -1},  {U'\U0001F600', -1}, {0xFFFD, -1},
  };
  for (const Case& c : cases) {
    const auto byte = ToWindows1252(c.c);
    EXPECT_EQ(byte ? int(*byte) : -1, c.byte) << std::hex << uint32_t(c.c);
  }
  EXPECT_EQ(Utf8ToWindows1252("Caf\xC3\xA9 \xE2\x80\x93 5\xE2\x82\xAC"), std::string("Caf\xE9 \x96 5\x80"));
  EXPECT_EQ(Utf8ToWindows1252("\xE4\xB8\xAD"), std::nullopt);
  // Malformed UTF-8 is not passed through as bytes.
  EXPECT_EQ(Utf8ToWindows1252("a\xE9z"), std::nullopt);
  EXPECT_EQ(Utf8ToWindows1252("\xC0\xAF"), std::nullopt);  // overlong "/"
  EXPECT_EQ(Utf8ToWindows1252Lossy("x\xE4\xB8\xAD\xC3\xA9"), std::string("x?\xE9"));
  EXPECT_EQ(EscapePdfString("(a)\\b"), "\\(a\\)\\\\b");
}

}  // namespace
}  // namespace tallyvane::pdf
