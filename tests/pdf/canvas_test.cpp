#include "pdf/canvas.h"

#include <gtest/gtest.h>

#include "pdf/winansi.h"

namespace tallyvane::pdf {
namespace {

// Every character 10 units wide, lines 10 apart; records what is drawn.
class RecordingCanvas final : public Canvas {
 public:
  struct Text {
    std::string text;
    double x;
    double y;
    bool operator==(const Text&) const = default;
  };
  struct Line {
    double x1, y1, x2, y2;
    bool operator==(const Line&) const = default;
  };

  int pageWidth() const override { return 595; }
  int pageHeight() const override { return 842; }
  int resolution() const override { return 72; }
  void beginPage() override {}
  void endPage() override {}
  void selectFont(std::string_view, double, int, bool, bool) override {}
  double textWidth(std::string_view text) override {
    double widest = 0;
    double current = 0;
    for (char32_t c : DecodeUtf8(text)) {
      if (c == '\r' || c == '\n') {
        current = 0;
      } else {
        current += 10;
        widest = std::max(widest, current);
      }
    }
    return widest;
  }
  double lineHeight() const override { return 10; }
  void drawText(std::string_view text, double x, double y) override { texts.push_back({std::string(text), x, y}); }
  void drawLine(double x1, double y1, double x2, double y2) override { lines.push_back({x1, y1, x2, y2}); }

  std::vector<Text> texts;
  std::vector<Line> lines;
};

TEST(Canvas, WrapTextBreaksLinesLikeTheTextBox) {
  struct Case {
    const char* name;
    const char* text;
    double width;
    Alignment alignment;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"fits", "abc", 50, Alignment::Left, {"abc"}},
      {"exact fit", "abcde", 50, Alignment::Left, {"abcde"}},
      {"empty", "", 50, Alignment::Left, {}},
      {"word ends at the cut", "aa bb cc", 50, Alignment::Left, {"aa bb", "cc"}},
      {"cut inside a word moves back to the space", "aa bbb cc", 50, Alignment::Left, {"aa ", "bbb ", "cc"}},
      {"word wider than the box is cut", "abcdefghijkl", 50, Alignment::Left, {"abcde", "fghij", "kl"}},
      {"long word after a short one", "ab cdefghij", 50, Alignment::Left, {"ab ", "cdefg", "hij"}},
      {"CR LF ends a line", "ab\r\ncd", 50, Alignment::Left, {"ab", "cd"}},
      {"lone LF and CR", "a\nb\rc", 50, Alignment::Left, {"a", "b", "c"}},
      {"empty line kept", "a\r\n\r\nb", 50, Alignment::Left, {"a", "", "b"}},
      {"trailing line break adds no line", "ab\r\n", 50, Alignment::Left, {"ab"}},
      {"line break inside a long text", "ab\r\ncdefghij", 50, Alignment::Left, {"ab", "cdefg", "hij"}},
      {"first line keeps leading blanks", "  ab", 50, Alignment::Left, {"  ab"}},
      {"later lines lose leading blanks", "ab\r\n   cd", 50, Alignment::Left, {"ab", "cd"}},
      {"right alignment drops trailing blanks", "aa bbb cc  ", 50, Alignment::Right, {"aa", "bbb", "cc"}},
      {"too narrow for one character", "abc", 5, Alignment::Left, {}},
      {"multibyte characters stay whole", "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 50,
       Alignment::Left, {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", "\xC3\xA9\xC3\xA9"}},
  };
  for (const Case& c : cases) {
    RecordingCanvas canvas;
    EXPECT_EQ(canvas.wrapText(c.text, c.width, c.alignment), c.expected) << c.name;
  }
  RecordingCanvas canvas;
  EXPECT_EQ(canvas.wrappedHeight("aa bbb cc", 50), 30);
}

TEST(Canvas, LongTextWrapsInEveryLine) {
  // The search for the longest prefix must not depend on the text's length.
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "word ";
  RecordingCanvas canvas;
  const auto lines = canvas.wrapText(text, 205);
  ASSERT_EQ(lines.size(), 500u);
  for (const std::string& line : lines) EXPECT_EQ(line, "word word word word ");
}

TEST(Canvas, TextBoxStopsBeforeALineBelowTheBox) {
  struct Case {
    double height;
    std::size_t lines;
  };
  const Case cases[] = {{9.99, 0}, {10, 1}, {25, 2}, {30, 3}, {100, 4}};
  for (const Case& c : cases) {
    RecordingCanvas canvas;
    canvas.drawTextBox("a b c d", 0, 100, 10, c.height);
    ASSERT_EQ(canvas.texts.size(), c.lines) << c.height;
    for (std::size_t i = 0; i < c.lines; ++i) EXPECT_EQ(canvas.texts[i].y, 100 + 10.0 * (i + 1)) << c.height;
  }
}

TEST(Canvas, AlignmentPlacesEachLine) {
  RecordingCanvas canvas;
  canvas.drawTextBox("aa bbb", 100, 0, 80, 100, Alignment::Left);
  canvas.drawTextBox("aa bbb", 100, 0, 80, 100, Alignment::Right);
  canvas.drawTextBox("aa bbb", 100, 0, 80, 100, Alignment::Center);
  const std::vector<RecordingCanvas::Text> expected = {
      {"aa bbb", 100, 10},
      {"aa bbb", 120, 10},
      {"aa bbb", 110, 10},
  };
  EXPECT_EQ(canvas.texts, expected);
}

TEST(Canvas, TextLinesAreAlignedOneUnderAnother) {
  RecordingCanvas canvas;
  canvas.drawTextLines("ab\r\nc\nlonger", 0, 0, 100, Alignment::Right);
  canvas.drawTextLines("ab\r\n\r\nc", 0, 100, 100, Alignment::Center);
  const std::vector<RecordingCanvas::Text> expected = {
      {"ab", 80, 10}, {"c", 90, 20}, {"longer", 40, 30}, {"ab", 40, 110}, {"c", 45, 130},
  };
  EXPECT_EQ(canvas.texts, expected);
}

TEST(Canvas, RectangleIsFourLinesAndWidthRoundsUp) {
  RecordingCanvas canvas;
  canvas.drawRect(10, 20, 30, 40);
  const std::vector<RecordingCanvas::Line> expected = {
      {10, 20, 40, 20}, {40, 20, 40, 60}, {40, 60, 10, 60}, {10, 60, 10, 20}};
  EXPECT_EQ(canvas.lines, expected);
  EXPECT_EQ(canvas.textWidthCeil("abc"), 30);
}

}  // namespace
}  // namespace tallyvane::pdf
