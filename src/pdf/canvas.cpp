#include "pdf/canvas.h"

#include <cmath>
#include <limits>

#include "pdf/winansi.h"

namespace tallyvane::pdf {
namespace {

// Layouts compute heights as n * lineHeight and widths from the same
// measurements; the slack keeps a rounding difference in the last bit from
// dropping a line or a character that fits exactly.
constexpr double kSlack = 1e-6;

bool IsBlank(char32_t c) { return c == ' ' || c == '\t'; }
bool IsLineBreak(char32_t c) { return c == '\r' || c == '\n'; }

// Number of lines whose baselines (one line height apart, the first one line
// height down) stay within a box of `height`.
std::size_t LinesThatFit(double height, double lineHeight) {
  if (!(lineHeight > 0) || !(height + kSlack >= lineHeight)) return 0;
  const double estimate = std::floor((height + kSlack) / lineHeight);
  if (!(estimate < 1e9)) return static_cast<std::size_t>(1e9);
  auto count = static_cast<std::size_t>(estimate);
  // Settle on the same products a layout computes as n * lineHeight.
  while (count > 0 && static_cast<double>(count) * lineHeight > height + kSlack) --count;
  while (static_cast<double>(count + 1) * lineHeight <= height + kSlack) ++count;
  return count;
}

}  // namespace

int Canvas::textWidthCeil(std::string_view text) { return static_cast<int>(std::ceil(textWidth(text) - kSlack)); }

void Canvas::drawRect(double x, double y, double width, double height) {
  drawLine(x, y, x + width, y);
  drawLine(x + width, y, x + width, y + height);
  drawLine(x + width, y + height, x, y + height);
  drawLine(x, y + height, x, y);
}

std::vector<std::string> Canvas::wrapText(std::string_view text, double width, Alignment alignment) {
  return breakLines(text, width, alignment, std::numeric_limits<std::size_t>::max());
}

double Canvas::wrappedHeight(std::string_view text, double width, Alignment alignment) {
  return static_cast<double>(wrapText(text, width, alignment).size()) * lineHeight();
}

std::vector<std::string> Canvas::breakLines(std::string_view text, double width, Alignment alignment,
                                            std::size_t maxLines) {
  std::vector<std::string> lines;
  // Byte offset of every character, so lines are cut between UTF-8 sequences.
  std::vector<std::size_t> offsets;
  const std::u32string chars = DecodeUtf8(text, &offsets);
  const std::size_t n = chars.size();
  auto slice = [&](std::size_t from, std::size_t count) {
    return text.substr(offsets[from], offsets[from + count] - offsets[from]);
  };
  auto fits = [&](std::size_t from, std::size_t count) { return textWidth(slice(from, count)) <= width + kSlack; };

  std::size_t pos = 0;
  while (pos < n && lines.size() < maxLines) {
    if (!lines.empty()) {
      while (pos < n && IsBlank(chars[pos])) ++pos;
      if (pos == n) break;
    }
    const std::size_t rest = n - pos;
    // Longest prefix that fits. Widths only grow with the prefix, so a
    // doubling search followed by bisection finds the same prefix as a plain
    // bisection while measuring only about as much text as the line holds.
    std::size_t fit = 0;
    if (fits(pos, rest)) {
      fit = rest;
    } else {
      std::size_t bad = 1;
      while (bad < rest && fits(pos, bad)) {
        fit = bad;
        bad = bad * 2 < rest ? bad * 2 : rest;
      }
      while (bad - fit > 1) {
        const std::size_t mid = fit + (bad - fit) / 2;
        (fits(pos, mid) ? fit : bad) = mid;
      }
    }
    if (fit == 0) break;

    std::size_t length = fit;
    std::size_t next = pos + fit;
    bool brokeAtLineEnd = false;
    for (std::size_t i = pos; i < pos + fit; ++i) {
      if (IsLineBreak(chars[i])) {
        length = i - pos;
        next = i + 1 + ((chars[i] == '\r' && i + 1 < n && chars[i + 1] == '\n') ? 1 : 0);
        brokeAtLineEnd = true;
        break;
      }
    }
    // A cut inside a word moves back to the last space; a word that ends
    // exactly at the cut is kept whole, and only a word wider than the whole
    // box is split.
    if (!brokeAtLineEnd && fit < rest && !IsBlank(chars[pos + fit - 1]) && !IsBlank(chars[pos + fit]) &&
        !IsLineBreak(chars[pos + fit])) {
      for (std::size_t i = pos + fit; i-- > pos;) {
        if (IsBlank(chars[i])) {
          length = i + 1 - pos;
          next = i + 1;
          break;
        }
      }
    }
    std::size_t end = pos + length;
    if (alignment == Alignment::Right) {
      while (end > pos && IsBlank(chars[end - 1])) --end;
    }
    lines.emplace_back(slice(pos, end - pos));
    pos = next;
  }
  return lines;
}

void Canvas::drawAligned(std::string_view line, double x, double baseline, double width, Alignment alignment) {
  if (line.empty()) return;
  double left = x;
  if (alignment == Alignment::Right) left = x + width - textWidth(line);
  if (alignment == Alignment::Center) left = x + (width - textWidth(line)) / 2;
  drawText(line, left, baseline);
}

void Canvas::drawTextBox(std::string_view text, double x, double y, double width, double height,
                         Alignment alignment) {
  const double step = lineHeight();
  const std::size_t room = LinesThatFit(height, step);
  if (room == 0) return;
  const std::vector<std::string> lines = breakLines(text, width, alignment, room);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    drawAligned(lines[i], x, y + static_cast<double>(i + 1) * step, width, alignment);
  }
}

void Canvas::drawTextLines(std::string_view text, double x, double y, double width, Alignment alignment) {
  const double step = lineHeight();
  std::size_t index = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    drawAligned(text.substr(start, end - start), x, y + static_cast<double>(index + 1) * step, width, alignment);
    ++index;
    if (end == text.size()) break;
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    if (start == text.size()) break;
  }
}

}  // namespace tallyvane::pdf
