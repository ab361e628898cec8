#include "pdf/pdf_document.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include <clocale>

#include "pdf_test_support.h"
#include "support/test_support.h"

namespace tallyvane::pdf {
namespace {

using testing::Count;
using testing::FakeRasterizer;
using testing::ReadBytes;
using testing::WellFormed;
using tallyvane::testing::ScopedTimeZone;
using tallyvane::testing::TempDir;

// 2024-01-02 03:04:05 UTC.
constexpr std::time_t kWrittenAt = 1704164645;

PdfOptions FixedOptions(TextRasterizer* rasterizer = nullptr) {
  PdfOptions options;
  options.rasterizer = rasterizer;
  options.writtenAt = kWrittenAt;
  options.producer = "Tallyvane test";
  return options;
}

// Builds the expected file the way a reader checks it: each object's offset
// is where its text starts in the expected bytes, independent of the writer.
class ExpectedFile {
 public:
  ExpectedFile() { bytes_ = "%PDF-1.4\r\n%??\r\n"; }
  void object(const std::string& dictionary) {
    offsets_.push_back(bytes_.size());
    bytes_ += std::to_string(offsets_.size()) + " 0 obj" + dictionary + "\r\nendobj\r\n";
  }
  void stream(const std::string& data) {
    offsets_.push_back(bytes_.size());
    bytes_ += std::to_string(offsets_.size()) + " 0 obj<</Length " + std::to_string(data.size()) +
              ">>\r\nstream\r\n" + data + "\r\nendstream\r\nendobj\r\n";
  }
  std::string finish(int catalog, int info) {
    const std::size_t xref = bytes_.size();
    bytes_ += "xref\r\n0 " + std::to_string(offsets_.size() + 1) + "\r\n0000000000 65535 f\r\n";
    for (std::size_t offset : offsets_) {
      std::string number = std::to_string(offset);
      bytes_ += std::string(10 - number.size(), '0') + number + " 00000 n\r\n";
    }
    bytes_ += "trailer\r\n<</Size " + std::to_string(offsets_.size() + 1) + " /Root " + std::to_string(catalog) +
              " 0 R /Info " + std::to_string(info) + " 0 R>>\r\nstartxref\r\n" + std::to_string(xref) +
              "\r\n%%EOF\r\n";
    return bytes_;
  }

 private:
  std::string bytes_;
  std::vector<std::size_t> offsets_;
};

const std::string kInfo =
    "<</Producer(Tallyvane test)/CreationDate(D:20240102030405+00'00')/ModDate(D:20240102030405+00'00')>>";
const std::string kPageHead = "<</Type/Page /Parent 4      " " 0 R /MediaBox [0 0 595 842] "
                              "/Group <</Type /Group /S /Transparency /CS /DeviceRGB>> ";

TEST(PdfDocument, MinimalDocumentIsByteExact) {
  ScopedTimeZone zone("UTC0");
  TempDir dir;
  {
    PdfDocument pdf(dir / "one.pdf", 0, FixedOptions());
    pdf.beginPage();
    pdf.drawText("Hi", 72, 100);
    pdf.endPage();
    EXPECT_TRUE(pdf.finish());
  }
  ExpectedFile expected;
  expected.object("<</Type /Font /BaseFont /Helvetica /Subtype /Type1 /Encoding /WinAnsiEncoding>>");
  expected.stream(
      "0.000000 0.000000 0.000000 rg\r\n"
      "BT\r\n/FNT_Helvetica 12.000000 Tf 100.000000 Tz 0.000000 Tw\r\n"
      "72.000000 742.000000 Td\r\n(Hi) Tj \r \nET\r\n");
  // The page refers to the page tree, object 4, before it exists; the fix-up
  // fills five of the seven placeholder characters.
  expected.object(kPageHead +
                  "/Resources <</ProcSet [/PDF /Text ] /Font << /FNT_Helvetica 1 0 R >> >> /Contents [ 2 0 R ]  >> ");
  expected.object("<</Type/Pages /Count 1 /Kids [3 0 R ]>>");
  expected.object(kInfo);
  expected.object("<</Type/Catalog /Pages 4 0 R>>");
  const std::string pdf = ReadBytes(dir / "one.pdf");
  EXPECT_EQ(pdf, expected.finish(6, 5));
  EXPECT_TRUE(WellFormed(pdf));
}

TEST(PdfDocument, DocumentWithoutPagesStillHasTreeInfoCatalogAndTable) {
  ScopedTimeZone zone("UTC0");
  TempDir dir;
  PdfDocument pdf(dir / "empty.pdf", 0, FixedOptions());
  ASSERT_TRUE(pdf.finish());
  ExpectedFile expected;
  expected.object("<</Type/Pages /Count 0 >>");
  expected.object(kInfo);
  expected.object("<</Type/Catalog /Pages 1 0 R>>");
  EXPECT_EQ(ReadBytes(dir / "empty.pdf"), expected.finish(3, 2));
}

TEST(PdfDocument, LinesGoIntoOneStreamPerRunOfLines) {
  ScopedTimeZone zone("UTC0");
  TempDir dir;
  {
    PdfDocument pdf(dir / "lines.pdf", 0, FixedOptions());
    pdf.beginPage();
    pdf.drawLine(10, 20, 110.5, 20);
    pdf.drawLine(10, 20, 10, 842);
    pdf.endPage();
  }
  const std::string pdf = ReadBytes(dir / "lines.pdf");
  ExpectedFile expected;
  expected.stream(
      "10.000000 822.000000 m\r\n110.500000 822.000000 l\r\nS\r\n"
      "10.000000 822.000000 m\r\n10.000000 0.000000 l\r\nS\r\n");
  // Only lines: no /Text in the procedure set and no /Font dictionary.
  expected.object("<</Type/Page /Parent 3      " " 0 R /MediaBox [0 0 595 842] "
                  "/Group <</Type /Group /S /Transparency /CS /DeviceRGB>> "
                  "/Resources <</ProcSet [/PDF ] >> /Contents [ 1 0 R ]  >> ");
  expected.object("<</Type/Pages /Count 1 /Kids [2 0 R ]>>");
  expected.object(kInfo);
  expected.object("<</Type/Catalog /Pages 3 0 R>>");
  EXPECT_EQ(pdf, expected.finish(5, 4));
}

TEST(PdfDocument, PendingLinesAreWrittenBeforeTheNextText) {
  TempDir dir;
  {
    PdfDocument pdf(dir / "order.pdf", 0, FixedOptions());
    pdf.beginPage();
    pdf.drawLine(0, 0, 1, 1);
    pdf.drawText("a", 0, 10);
    pdf.drawLine(2, 2, 3, 3);
    pdf.endPage();
  }
  const std::string pdf = ReadBytes(dir / "order.pdf");
  EXPECT_TRUE(WellFormed(pdf));
  const std::size_t first = pdf.find("0.000000 842.000000 m");
  const std::size_t text = pdf.find("(a) Tj");
  const std::size_t second = pdf.find("2.000000 840.000000 m");
  ASSERT_NE(first, std::string::npos);
  EXPECT_LT(first, text);
  EXPECT_LT(text, second);
  // Streams 1 (lines), 3 (text) and 4 (lines) in drawing order; 2 is the font.
  EXPECT_NE(pdf.find("/Contents [ 1 0 R  3 0 R  4 0 R ] "), std::string::npos);
}

TEST(PdfDocument, FontObjectsAreWrittenOnceAndNewPageEntriesComeFirst) {
  TempDir dir;
  {
    PdfDocument pdf(dir / "fonts.pdf", 0, FixedOptions());
    for (int page = 0; page < 2; ++page) {
      pdf.beginPage();
      pdf.drawText("plain", 10, 10);
      pdf.selectFont("Helvetica", 10, 700);
      pdf.drawText("bold", 10, 30);
      pdf.drawText("bold again", 10, 50);
      pdf.endPage();
    }
  }
  const std::string pdf = ReadBytes(dir / "fonts.pdf");
  EXPECT_TRUE(WellFormed(pdf));
  EXPECT_EQ(Count(pdf, "/BaseFont /Helvetica /Subtype /Type1 /Encoding /WinAnsiEncoding>>"), 1u);
  EXPECT_EQ(Count(pdf, "/BaseFont /Helvetica-Bold /Subtype /Type1 /Encoding /WinAnsiEncoding>>"), 1u);
  // Objects 1 and 3 are the two fonts; both pages refer to them.
  EXPECT_EQ(Count(pdf, "/Font << /FNT_Helvetica_Bold 3 0 R  /FNT_Helvetica 1 0 R >> "), 2u);
  // Cell height 10 is the em height 10 * 1000 / 1117 of the Helvetica cell,
  // held as a 32-bit float (8.95255184...).
  EXPECT_EQ(Count(pdf, "/FNT_Helvetica_Bold 8.952552 Tf"), 4u);
  // beginPage resets the font, so each page's first text is plain 12.
  EXPECT_EQ(Count(pdf, "/FNT_Helvetica 12.000000 Tf"), 2u);
  // The fill colour is set once per page.
  EXPECT_EQ(Count(pdf, " rg\r\n"), 2u);
}

TEST(PdfDocument, TextStringsEscapeParenthesesAndBackslashes) {
  struct Case {
    const char* name;
    const char* text;
    const char* operand;
  };
  const Case cases[] = {
      {"balanced", "a(b)c", "(a\\(b\\)c) Tj"},
      {"lone closing", "1.00)", "(1.00\\)) Tj"},
      {"trailing backslash", "C:\\", "(C:\\\\) Tj"},
      {"Windows-1252 bytes", "\xC3\xA9\xE2\x82\xAC", "(\xE9\x80) Tj"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    {
      PdfDocument pdf(dir / "escape.pdf", 0, FixedOptions());
      pdf.beginPage();
      pdf.drawText(c.text, 0, 0);
    }
    const std::string pdf = ReadBytes(dir / "escape.pdf");
    EXPECT_NE(pdf.find(c.operand), std::string::npos) << c.name;
    EXPECT_TRUE(WellFormed(pdf)) << c.name;
  }
}

TEST(PdfDocument, UnderlineIsStrokedBelowTheBaseline) {
  TempDir dir;
  {
    PdfDocument pdf(dir / "underline.pdf", 0, FixedOptions());
    pdf.beginPage();
    pdf.selectFont("Helvetica", -12, 400, false, true);
    pdf.drawText("Hi", 72, 100);
  }
  // "Hi" is (722 + 222) / 1000 * 12 wide; the rule sits 0.1 * size under the
  // baseline at 842 - 100.
  EXPECT_NE(ReadBytes(dir / "underline.pdf")
                .find("0.000000 0.000000 0.000000 rg\r\nq\r\n0.600000 w\r\n72.000000 740.800000 m\r\n"
                      "83.328000 740.800000 l\r\n0.000000 0.000000 0.000000 RG\r\nS\r\nQ\r\nBT\r\n"),
            std::string::npos);
}

TEST(PdfDocument, TextOutsideWindows1252BecomesMaskAndColourImage) {
  ScopedTimeZone zone("UTC0");
  TempDir dir;
  FakeRasterizer fake;
  {
    PdfDocument pdf(dir / "image.pdf", 0, FixedOptions(&fake));
    pdf.beginPage();
    pdf.drawText("\xE4\xB8\xAD", 50, 100);  // U+4E2D
    pdf.endPage();
  }
  std::string mask;
  for (int i = 0; i < 54; ++i) mask.push_back(static_cast<char>(i));
  // Hand-built: the image dictionaries carry more than a /Length.
  std::string bytes = "%PDF-1.4\r\n%??\r\n";
  std::vector<std::size_t> offsets;
  offsets.push_back(bytes.size());
  bytes += "1 0 obj<</Type /XObject /Subtype /Image /Width 6 /Height 9 /ColorSpace /DeviceGray /BitsPerComponent 8 "
           "/Length 54 >>\r\nstream\r\n" + mask + "\r\nendstream\r\nendobj\r\n";
  offsets.push_back(bytes.size());
  bytes += "2 0 obj<</Type /XObject /Subtype /Image /Width 6 /Height 9 /SMask 1 0 R /ColorSpace /DeviceRGB "
           "/BitsPerComponent 8 /Length 162 >>\r\nstream\r\n" + std::string(162, '\0') +
           "\r\nendstream\r\nendobj\r\n";
  const std::string pdf = ReadBytes(dir / "image.pdf");
  ASSERT_GT(pdf.size(), bytes.size());
  EXPECT_EQ(pdf.substr(0, bytes.size()), bytes);
  // Drawn at a third of the rendered size, its baseline (3 rows above the
  // bottom, 1 unit) on the text baseline 842 - 100.
  const std::string content = "q\r\n1 0 0 1 50 741 cm\r\n2.000000 0 0 3.000000 0 0 cm\r\n/IMG_000002 Do\r\nQ\r\n";
  EXPECT_NE(pdf.find("3 0 obj<</Length " + std::to_string(content.size()) + ">>\r\nstream\r\n" + content +
                     "\r\nendstream"),
            std::string::npos);
  EXPECT_NE(pdf.find("/Resources <</ProcSet [/PDF /ImageC ] /XObject << /IMG_000002 2 0 R >> >> "
                     "/Contents [ 3 0 R ]  >> "),
            std::string::npos);
  EXPECT_EQ(pdf.find("/Font"), std::string::npos);
  EXPECT_EQ(pdf.find(" Tj"), std::string::npos);
  EXPECT_TRUE(WellFormed(pdf));
  ASSERT_FALSE(fake.calls.empty());
  EXPECT_EQ(fake.calls.back().what, "render");
  EXPECT_EQ(fake.calls.back().family, "Helvetica");
  EXPECT_EQ(fake.calls.back().pixelSize, 36);  // three times the size
}

TEST(PdfDocument, ImageNamesCountOnAcrossPages) {
  TempDir dir;
  FakeRasterizer fake;
  {
    PdfDocument pdf(dir / "images.pdf", 0, FixedOptions(&fake));
    pdf.beginPage();
    pdf.drawText("\xCE\xA9", 0, 20);  // U+03A9
    pdf.drawText("\xCE\xA9", 0, 40);
    pdf.endPage();
    pdf.beginPage();
    pdf.drawText("\xCE\xA9", 0, 20);
    pdf.endPage();
  }
  const std::string pdf = ReadBytes(dir / "images.pdf");
  EXPECT_TRUE(WellFormed(pdf));
  EXPECT_NE(pdf.find("/XObject << /IMG_000004 5 0 R  /IMG_000002 2 0 R >> "), std::string::npos);
  EXPECT_NE(pdf.find("/XObject << /IMG_000006 9 0 R >> "), std::string::npos);
  EXPECT_EQ(Count(pdf, "/SMask "), 3u);
}

TEST(PdfDocument, InformationDatesCarryTheLocalOffset) {
  struct Case {
    const char* zone;
    const char* date;
  };
  const Case cases[] = {
      {"XXX-10", "D:20240102130405+10'00'"},
      {"EST5", "D:20240101220405-05'00'"},
  };
  for (const Case& c : cases) {
    ScopedTimeZone zone(c.zone);
    TempDir dir;
    {
      PdfDocument pdf(dir / "info.pdf", 0, FixedOptions());
    }
    const std::string expected = std::string("/CreationDate(") + c.date + ")/ModDate(" + c.date + ")>>";
    EXPECT_NE(ReadBytes(dir / "info.pdf").find(expected), std::string::npos) << c.zone;
  }
}

TEST(PdfDocument, ProducerTextIsEscapedAndConverted) {
  TempDir dir;
  PdfOptions options = FixedOptions();
  options.producer = "Tallyvane (\xC3\xA9\xE4\xB8\xAD)";
  {
    PdfDocument pdf(dir / "producer.pdf", 0, options);
  }
  EXPECT_NE(ReadBytes(dir / "producer.pdf").find("/Producer(Tallyvane \\(\xE9?\\))"), std::string::npos);
}

TEST(PdfDocument, PaperIndexSetsTheMediaBox) {
  struct Case {
    int paper;
    const char* box;
  };
  const Case cases[] = {{0, "[0 0 595 842]"}, {1, "[0 0 612 791]"}, {2, "[0 0 612 1009]"}, {7, "[0 0 595 842]"}};
  for (const Case& c : cases) {
    TempDir dir;
    {
      PdfDocument pdf(dir / "paper.pdf", c.paper, FixedOptions());
      EXPECT_EQ(pdf.resolution(), 72);
      pdf.beginPage();
    }
    EXPECT_NE(ReadBytes(dir / "paper.pdf").find(std::string("/MediaBox ") + c.box), std::string::npos) << c.paper;
  }
}

TEST(PdfDocument, FileThatCannotBeCreatedIgnoresEverything) {
  TempDir dir;
  const auto path = dir / "missing" / "report.pdf";
  PdfDocument pdf(path, 0, FixedOptions());
  EXPECT_FALSE(pdf.isOpen());
  pdf.beginPage();
  pdf.drawText("text", 10, 10);
  pdf.drawLine(0, 0, 1, 1);
  pdf.endPage();
  EXPECT_FALSE(pdf.finish());
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(PdfDocument, WriteFailureIsReported) {
  // A file-size limit makes the writes fail part-way, as a full disk would.
  tallyvane::testing::TempDir dir;
  const auto path = dir / "full.pdf";
  rlimit previous{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = previous;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool finished = true;
  {
    PdfDocument pdf(path.string(), 0, FixedOptions());
    EXPECT_TRUE(pdf.isOpen());
    pdf.beginPage();
    for (int i = 0; i < 2000; ++i) pdf.drawText("a line of text that fills the buffer", 10, 10);
    pdf.endPage();
    finished = pdf.finish();
  }
  setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(finished);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(PdfDocument, RealsIgnoreTheNumericLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous != nullptr ? previous : "C";
  bool switched = false;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8"}) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr) {
      switched = true;
      break;
    }
  }
  if (!switched) GTEST_SKIP() << "no locale with a decimal comma installed";
  TempDir dir;
  {
    PdfDocument pdf(dir / "locale.pdf", 0, FixedOptions());
    pdf.beginPage();
    pdf.drawText("x", 10.5, 20.25);
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_NE(ReadBytes(dir / "locale.pdf").find("10.500000 821.750000 Td"), std::string::npos);
}

TEST(PdfDocument, LifecycleIsForgiving) {
  TempDir dir;
  {
    PdfDocument pdf(dir / "life.pdf", 0, FixedOptions());
    pdf.drawText("before any page", 10, 10);  // ignored
    pdf.endPage();                            // ignored
    pdf.beginPage();
    pdf.drawText("first", 10, 10);
    pdf.beginPage();  // ends the first page
    pdf.drawText("second", 10, 10);
    EXPECT_TRUE(pdf.finish());  // ends the second page
    EXPECT_TRUE(pdf.finish());  // and answers the same again
    pdf.beginPage();            // too late
  }
  const std::string pdf = ReadBytes(dir / "life.pdf");
  EXPECT_TRUE(WellFormed(pdf));
  EXPECT_NE(pdf.find("/Type/Pages /Count 2 "), std::string::npos);
  EXPECT_EQ(pdf.find("before any page"), std::string::npos);
  EXPECT_EQ(Count(pdf, "%%EOF"), 1u);
}

TEST(PdfDocument, ParentPlaceholdersNameThePageTree) {
  TempDir dir;
  {
    PdfDocument pdf(dir / "tree.pdf", 0, FixedOptions());
    for (int page = 0; page < 12; ++page) {
      pdf.beginPage();
      pdf.drawText("page", 10, 10);
      pdf.endPage();
    }
  }
  const std::string pdf = ReadBytes(dir / "tree.pdf");
  EXPECT_TRUE(WellFormed(pdf));
  // 1 font + 12 * (content + page) = 25 objects, so the tree is object 26,
  // padded to five characters in the seven-space placeholder.
  EXPECT_EQ(Count(pdf, "/Parent 26      0 R "), 12u);
  EXPECT_NE(pdf.find("26 0 obj<</Type/Pages /Count 12 /Kids [3 0 R 5 0 R "), std::string::npos);
}

TEST(PdfDocument, TextWidthUsesTheAfmTables) {
  TempDir dir;
  FakeRasterizer fake;
  PdfDocument pdf(dir / "width.pdf", 0, FixedOptions(&fake));
  struct Case {
    const char* name;
    const char* face;
    int weight;
    const char* text;
    double expected;  // at size 10
  };
  const Case cases[] = {
      {"space", "Helvetica", 400, " ", 2.78},
      {"digits", "Helvetica", 400, "0123456789", 55.6},
      {"A regular", "Helvetica", 400, "A", 6.67},
      {"A bold", "Helvetica", 700, "A", 7.22},
      {"C", "Arial", 400, "C", 7.22},
      {"m regular", "Helvetica", 400, "m", 8.33},
      {"m bold", "Helvetica", 700, "m", 8.89},
      {"euro", "Helvetica", 400, "\xE2\x82\xAC", 5.56},
      {"oblique shares regular widths", "Helvetica-Oblique", 400, "m", 8.33},
      {"widest line counts", "Helvetica", 400, "m\r\nmm\nm\rm", 16.66},
      {"empty", "Helvetica", 400, "", 0},
  };
  for (const Case& c : cases) {
    pdf.selectFont(c.face, -10, c.weight);
    EXPECT_NEAR(pdf.textWidth(c.text), c.expected, 1e-9) << c.name;
  }
  EXPECT_TRUE(fake.calls.empty()) << "the tables need no font service";
  pdf.selectFont("Helvetica", -10);
  EXPECT_EQ(pdf.textWidthCeil("A"), 7);
  EXPECT_EQ(pdf.textWidthCeil("0"), 6);
  EXPECT_NEAR(pdf.lineHeight(), 11.17, 1e-6);
}

TEST(PdfDocument, OtherTextIsMeasuredByTheRasteriserAtThreeTimesTheSize) {
  TempDir dir;
  FakeRasterizer fake;
  PdfDocument pdf(dir / "measure.pdf", 0, FixedOptions(&fake));
  pdf.selectFont("Helvetica", -10, 700);
  EXPECT_NEAR(pdf.textWidth("a\xE4\xB8\xAD"), 10, 1e-9);  // 2 chars * 30 px * 0.5 / 3
  EXPECT_EQ(fake.calls.back().pixelSize, 30);
  EXPECT_TRUE(fake.calls.back().bold);

  // A face of its own takes its size and metrics from the font service.
  pdf.selectFont("DejaVu Sans", 20);
  EXPECT_NEAR(pdf.lineHeight(), 20, 1e-6);  // cell 20 with ascent 800, descent -200
  EXPECT_NEAR(pdf.textWidth("abcd"), 40, 1e-6);
  EXPECT_EQ(fake.calls.back().family, "DejaVu Sans");
}

TEST(PdfDocument, NonStandardFaceGetsATrueTypeFontObject) {
  TempDir dir;
  FakeRasterizer fake;
  {
    PdfDocument pdf(dir / "face.pdf", 0, FixedOptions(&fake));
    pdf.beginPage();
    pdf.selectFont("Times New Roman", -9);
    pdf.drawText("x", 0, 10);
    pdf.selectFont("Symbol", -9);
    pdf.drawText("x", 0, 20);
  }
  const std::string pdf = ReadBytes(dir / "face.pdf");
  EXPECT_TRUE(WellFormed(pdf));
  EXPECT_NE(pdf.find("<</Type /Font /BaseFont /TimesNewRoman /Subtype /TrueType /Encoding /WinAnsiEncoding>>"),
            std::string::npos);
  EXPECT_NE(pdf.find("<</Type /Font /BaseFont /Symbol /Subtype /Type1 >>"), std::string::npos);
  EXPECT_NE(pdf.find("/FNT_TimesNewRoman 9.000000 Tf"), std::string::npos);
}

TEST(PdfDocument, DrawTextBoxWrapsWithHelveticaWidths) {
  TempDir dir;
  {
    PdfDocument pdf(dir / "box.pdf", 0, FixedOptions());
    pdf.beginPage();
    pdf.selectFont("Helvetica", -10);
    // "mmm " is 27.77 wide, so a box of 30 holds one word a line; the box
    // height of 3 lines (33.51) stops before the fourth word.
    pdf.drawTextBox("mmm mmm mmm mmm", 100, 100, 30, 33.51, Alignment::Right);
  }
  const std::string pdf = ReadBytes(dir / "box.pdf");
  EXPECT_EQ(Count(pdf, "(mmm) Tj"), 3u);
  // Right-aligned without the trailing space: x = 100 + 30 - 24.99.
  EXPECT_NE(pdf.find("105.010000 730.830000 Td"), std::string::npos);
  EXPECT_NE(pdf.find("105.010000 719.660000 Td"), std::string::npos);
  EXPECT_NE(pdf.find("105.010000 708.490000 Td"), std::string::npos);
}

TEST(PdfDateText, OffsetFollowsTheZoneAndItsDaylightTime) {
  struct Case {
    const char* zone;
    std::time_t t;
    const char* expected;
  };
  const Case cases[] = {
      {"UTC0", kWrittenAt, "D:20240102030405+00'00'"},
      {"XXX-10", kWrittenAt, "D:20240102130405+10'00'"},
      {"EST5", kWrittenAt, "D:20240101220405-05'00'"},
      {"IST-5:30", kWrittenAt, "D:20240102083405+05'30'"},
      // Half-hour zones west of UTC keep one sign for hours and minutes.
      {"NST3:30", kWrittenAt, "D:20240101233405-03'30'"},
      // 2024-07-01 12:00:00 UTC falls in daylight time.
      {"EST5EDT,M3.2.0,M11.1.0", 1719835200, "D:20240701080000-04'00'"},
  };
  for (const Case& c : cases) {
    ScopedTimeZone zone(c.zone);
    EXPECT_EQ(PdfDateText(c.t), c.expected) << c.zone;
  }
}

}  // namespace
}  // namespace tallyvane::pdf
