// The drawing surface report pages are laid out on, in device units with the
// origin at the top-left corner and y growing downwards. The PDF writer and
// the printer adapter implement the primitives; the text box and text line
// operations are built on them here, so every surface breaks lines alike.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "pdf/font_metrics.h"

namespace tallyvane::pdf {

enum class Alignment { Left, Right, Center };

// The part of the page a printer cannot reach, in device units; a layout
// shifts its margins by it. Zero for a PDF page.
struct PageOffset {
  int x = 0;
  int y = 0;
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  [[nodiscard]] virtual int pageWidth() const = 0;
  [[nodiscard]] virtual int pageHeight() const = 0;
  // Device units per inch; margins given in inches are multiplied by it.
  [[nodiscard]] virtual int resolution() const = 0;
  [[nodiscard]] virtual PageOffset unprintableOffset() const { return {}; }

  // beginPage resets the font to "Helvetica" at size 12, so a layout selects
  // its font again on each page. Drawing outside a page does nothing.
  virtual void beginPage() = 0;
  virtual void endPage() = 0;

  // A negative cell height is the font size itself; a positive one is the
  // height of the character cell (ascent + descent), from which the size
  // follows. Weights above 699 are bold.
  virtual void selectFont(std::string_view face, double cellHeight, int weight = kNormalWeight, bool italic = false,
                          bool underline = false) = 0;
  // Width of UTF-8 text in the current font; text with line breaks measures
  // as its widest line.
  [[nodiscard]] virtual double textWidth(std::string_view text) = 0;
  // Distance from one baseline to the next in the current font.
  [[nodiscard]] virtual double lineHeight() const = 0;

  // One line of text with its baseline at (x, y).
  virtual void drawText(std::string_view text, double x, double y) = 0;
  // A straight line in the default line width and colour.
  virtual void drawLine(double x1, double y1, double x2, double y2) = 0;

  [[nodiscard]] int textWidthCeil(std::string_view text);
  // The outline of a rectangle, as four lines.
  void drawRect(double x, double y, double width, double height);

  // The lines drawTextBox would draw into a box of `width` with no height
  // limit: broken at line breaks, then after the last space that fits, and
  // inside a word only when the word alone is wider than the box. Lines after
  // the first lose their leading blanks; right-aligned lines their trailing
  // blanks too. A box too narrow for a single character takes no line.
  [[nodiscard]] std::vector<std::string> wrapText(std::string_view text, double width,
                                                  Alignment alignment = Alignment::Left);
  // Height of the wrapped text: its line count times the line height.
  [[nodiscard]] double wrappedHeight(std::string_view text, double width, Alignment alignment = Alignment::Left);

  // Draws the wrapped lines from the top of the box, the first baseline one
  // line height below `y`, and stops before a line whose baseline would fall
  // below `y + height`.
  void drawTextBox(std::string_view text, double x, double y, double width, double height,
                   Alignment alignment = Alignment::Left);
  // Draws the CR/LF-separated lines one under another (CR LF counts once),
  // placed by the same baseline rule, each aligned within `width`.
  void drawTextLines(std::string_view text, double x, double y, double width, Alignment alignment = Alignment::Right);

 private:
  std::vector<std::string> breakLines(std::string_view text, double width, Alignment alignment, std::size_t maxLines);
  void drawAligned(std::string_view line, double x, double baseline, double width, Alignment alignment);
};

}  // namespace tallyvane::pdf
