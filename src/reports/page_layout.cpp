#include "reports/page_layout.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "pdf/font_metrics.h"
#include "store/sql_format.h"

namespace tallyvane::reports {

namespace {

constexpr std::string_view kFace = "Helvetica";
constexpr std::size_t kMaxColumns = 32;

int RoundHalfUp(double value) { return static_cast<int>(std::floor(value + 0.5)); }

pdf::Alignment AlignmentOf(ColumnAlignment alignment) {
  switch (alignment) {
    case ColumnAlignment::Right:
      return pdf::Alignment::Right;
    case ColumnAlignment::Center:
      return pdf::Alignment::Center;
    case ColumnAlignment::Left:
      break;
  }
  return pdf::Alignment::Left;
}

struct ColumnGeometry {
  std::size_t index = 0;  // in the report's column set
  double left = 0;
  double textLeft = 0;
  double textRight = 0;
  double right = 0;
  pdf::Alignment alignment = pdf::Alignment::Left;
  [[nodiscard]] double textWidth() const { return textRight - textLeft; }
};

// Byte offsets where characters start, then the text's size.
std::vector<std::size_t> CharStarts(std::string_view text) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
  }
  starts.push_back(text.size());
  return starts;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

class Layout {
 public:
  Layout(const Report& report, pdf::Canvas& canvas, const PageMargins& margins, std::string_view header)
      : report_(report), canvas_(canvas), header_(header) {
    resolution_ = canvas.resolution();
    const pdf::PageOffset offset = canvas.unprintableOffset();
    top_ = RoundHalfUp(margins.topBottom * resolution_) - offset.y;
    side_ = RoundHalfUp(margins.sides * resolution_) - offset.x;
    width_ = canvas.pageWidth() - 2.0 * side_;
    bottom_ = canvas.pageHeight() - static_cast<double>(top_);
    gap_ = 0.2 * resolution_;
  }

  int run() {
    canvas_.beginPage();
    drawTitle();
    placeColumns();
    drawTableHeader();

    const std::vector<ReportRow>& rows = report_.rows();
    std::size_t lastPrinted = rows.size();
    for (std::size_t i = rows.size(); i-- > 0;) {
      if (rows[i].kind != RowKind::ScreenOnly) {
        lastPrinted = i;
        break;
      }
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].kind == RowKind::ScreenOnly) continue;
      drawRow(rows[i], i == lastPrinted);
    }

    const double frameBottom = std::max(y_, bottom_ - gap_);
    drawFrame(frameBottom);
    drawFooter();
    canvas_.endPage();
    return page_;
  }

 private:
  // Heights given in points, converted for the surface's resolution.
  void font(double points, int weight = pdf::kNormalWeight) {
    canvas_.selectFont(kFace, points * resolution_ / 72.0, weight);
  }

  void drawTitle() {
    font(18, pdf::kBoldWeight);
    canvas_.drawTextLines(report_.title(), side_, top_, width_, pdf::Alignment::Right);
    const double y1 = top_ + canvas_.wrappedHeight(report_.title(), width_, pdf::Alignment::Right) + 0.3 * resolution_;
    font(11);
    canvas_.drawTextLines(report_.periodText(), side_, y1, width_, pdf::Alignment::Right);
    const double periodHeight = canvas_.wrappedHeight(report_.periodText(), width_, pdf::Alignment::Right);
    y_ = std::max(static_cast<double>(top_), y1 + periodHeight) + 0.5 * resolution_;
  }

  // The body font the rows are printed in: the register size when every
  // printed row is a register line, the plain size otherwise.
  void bodyFont() {
    bool registerOnly = false;
    for (const ReportRow& row : report_.rows()) {
      if (row.kind == RowKind::ScreenOnly) continue;
      if (row.kind != RowKind::Register) {
        registerOnly = false;
        break;
      }
      registerOnly = true;
    }
    font(registerOnly ? 11 : 10);
  }

  // Column widths are counted in c, the average digit width of the body
  // font. c keeps its fraction: on a 72-unit page, rounding it down would
  // take up to a fifth off every column, enough to wrap a date. When even
  // the narrowed side space leaves the table wider than the page, the
  // stretch columns give up the excess in proportion to their widths, as
  // they share spare width otherwise, so nothing is drawn past the margin.
  void placeColumns() {
    bodyFont();
    const double c = canvas_.textWidth("12345678901234567890") / 20;
    std::vector<std::size_t> printed;
    const ColumnSet columns = report_.columns();
    for (std::size_t i = 0; i < columns.size() && printed.size() < kMaxColumns; ++i) {
      if (columns[i].width > 0) printed.push_back(i);
    }
    const int n = static_cast<int>(printed.size());
    if (n == 0) return;
    double widths = 0;
    double stretchWidths = 0;
    int stretchColumns = 0;
    for (std::size_t i : printed) {
      widths += columns[i].width;
      if (columns[i].stretch) {
        stretchWidths += columns[i].width;
        ++stretchColumns;
      }
    }
    double spare = width_ - 2.0 * n * c - c * widths;
    double sideSpace = c;
    if (spare < 0) {
      sideSpace = std::max(c - std::ceil(-spare / (2.0 * n)), std::ceil(c / n));
      const double over = 2.0 * n * sideSpace + c * widths - width_;
      // A stretch column keeps at least two characters.
      const double room = std::max(c * stretchWidths - 2.0 * c * stretchColumns, 0.0);
      spare = over > 0 ? -std::min(over, room) : 0;
    }
    double x = side_;
    for (std::size_t i : printed) {
      double share = 0;
      if (columns[i].stretch && stretchWidths > 0) {
        share = spare * columns[i].width / stretchWidths;
        spare -= share;
        stretchWidths -= columns[i].width;
      }
      ColumnGeometry g;
      g.index = i;
      g.left = x;
      g.textLeft = x + sideSpace;
      g.textRight = g.textLeft + c * columns[i].width + share;
      g.right = g.textRight + sideSpace;
      g.alignment = AlignmentOf(columns[i].alignment);
      geometry_.push_back(g);
      x = g.right;
    }
  }

  void drawTableHeader() {
    tableTop_ = y_;
    font(10, pdf::kBoldWeight);
    line_ = canvas_.lineHeight();
    half_ = line_ / 2;
    y_ += half_;
    double band = 0;
    for (const ColumnGeometry& g : geometry_) {
      band = std::max(band, canvas_.wrappedHeight(report_.columns()[g.index].title, g.textWidth(), g.alignment));
    }
    for (const ColumnGeometry& g : geometry_) {
      canvas_.drawTextBox(report_.columns()[g.index].title, g.textLeft, y_, g.textWidth(), band, g.alignment);
    }
    y_ += band + half_;
    if (!geometry_.empty()) canvas_.drawLine(geometry_.front().left, y_, geometry_.back().right, y_);
    y_ += half_;
    rowsOnPage_ = 0;
  }

  void rowFont(RowKind kind) {
    if (kind == RowKind::Register) {
      font(11);
    } else if (kind == RowKind::Bold) {
      font(10, pdf::kBoldWeight);
    } else {
      font(10);
    }
  }

  [[nodiscard]] double cellHeight(const std::string& text, const ColumnGeometry& g) {
    return text.empty() ? 0 : canvas_.wrappedHeight(text, g.textWidth(), g.alignment);
  }

  // The longest beginning of the text whose wrapped height stays within
  // `room`, moved back to a blank when it would end inside a word that has
  // room to move whole to the next page. Characters are never split.
  [[nodiscard]] std::size_t fittingPrefix(const std::string& text, const ColumnGeometry& g, double room) {
    const std::vector<std::size_t> starts = CharStarts(text);
    const std::size_t count = starts.size() - 1;
    auto fits = [&](std::size_t chars) {
      return canvas_.wrappedHeight(std::string_view(text).substr(0, starts[chars]), g.textWidth(), g.alignment) <=
             room + 1e-6;
    };
    std::size_t good = 0;
    std::size_t bad = count;
    while (bad - good > 1) {
      const std::size_t mid = good + (bad - good) / 2;
      (fits(mid) ? good : bad) = mid;
    }
    std::size_t cut = starts[good];
    if (cut > 0 && cut < text.size() && !IsBlank(text[cut]) && !IsBlank(text[cut - 1])) {
      const std::size_t blank = text.find_last_of(" \t\r\n", cut - 1);
      if (blank != std::string::npos && blank > 0) cut = blank + 1;
    }
    return cut;
  }

  void drawRow(const ReportRow& row, bool last) {
    const std::vector<std::string> displayed = DisplayedCells(row, report_.columns().size());
    std::vector<std::string> pending;
    std::vector<uint8_t> styles;
    for (const ColumnGeometry& g : geometry_) {
      pending.push_back(displayed[g.index]);
      styles.push_back(g.index < row.cells.size() ? row.cells[g.index].style : 0);
    }
    bool firstPiece = true;
    while (true) {
      // A new page selects the title font; measure and draw in the row's.
      rowFont(row.kind);
      std::vector<double> heights;
      double height = 0;
      for (std::size_t k = 0; k < geometry_.size(); ++k) {
        heights.push_back(cellHeight(pending[k], geometry_[k]));
        height = std::max(height, heights.back());
      }
      // A row with nothing to show still takes a line, as in the list.
      height = std::max(height, line_);
      const double gap = last ? gap_ : 0;
      const double space = bottom_ - y_;
      if (rowsOnPage_ > 0 && (space < half_ + line_ || (last && height + half_ <= space && height + half_ + gap > space))) {
        nextPage();
        continue;
      }
      if (height + gap + half_ <= space) {
        drawPiece(pending, styles, height, firstPiece, true, row.ruleBelow);
        return;
      }
      // Too tall for what is left: each cell that does not fit is cut where
      // it stops fitting and its rest goes on at the top of the next page,
      // where the cells that were drawn whole stay empty.
      const double room = std::max(space - half_, line_);
      std::vector<std::string> here = pending;
      std::vector<std::string> rest(pending.size());
      double pieceHeight = 0;
      for (std::size_t k = 0; k < geometry_.size(); ++k) {
        if (heights[k] > room) {
          std::size_t cut = fittingPrefix(pending[k], geometry_[k], room);
          if (cut == 0 && rowsOnPage_ == 0) cut = CharStarts(pending[k]).at(1);
          here[k] = pending[k].substr(0, cut);
          const std::size_t resume = pending[k].find_first_not_of(" \t\r\n", cut);
          rest[k] = resume == std::string::npos ? std::string() : pending[k].substr(resume);
        }
        pieceHeight = std::max(pieceHeight, cellHeight(here[k], geometry_[k]));
      }
      drawPiece(here, styles, std::max(pieceHeight, line_), firstPiece, false, false);
      firstPiece = false;
      pending = std::move(rest);
      nextPage();
    }
  }

  void drawPiece(const std::vector<std::string>& texts, const std::vector<uint8_t>& styles, double height,
                 bool firstPiece, bool lastPiece, bool ruleBelow) {
    for (std::size_t k = 0; k < geometry_.size(); ++k) {
      const ColumnGeometry& g = geometry_[k];
      if (!texts[k].empty()) canvas_.drawTextBox(texts[k], g.textLeft, y_, g.textWidth(), height, g.alignment);
      const uint8_t style = styles[k];
      if (lastPiece && (style & (kStyleRuleBelow | kStyleDoubleRuleBelow))) {
        canvas_.drawLine(g.textLeft, y_ + height + 2, g.textRight, y_ + height + 2);
      }
      if (lastPiece && (style & kStyleDoubleRuleBelow)) {
        canvas_.drawLine(g.textLeft, y_ + height + 4, g.textRight, y_ + height + 4);
      }
      if (firstPiece && (style & kStyleRuleAbove)) {
        canvas_.drawLine(g.textLeft, y_ - 2, g.textRight, y_ - 2);
      }
    }
    if (ruleBelow && !geometry_.empty()) {
      const ColumnGeometry& g = geometry_.back();
      canvas_.drawLine(g.textLeft, y_ + height + 2, g.textRight, y_ + height + 2);
    }
    y_ += height + half_;
    ++rowsOnPage_;
  }

  void drawFrame(double frameBottom) {
    if (geometry_.empty()) return;
    canvas_.drawLine(geometry_.front().left, frameBottom, geometry_.back().right, frameBottom);
    for (const ColumnGeometry& g : geometry_) canvas_.drawLine(g.left, tableTop_, g.left, frameBottom);
    canvas_.drawLine(geometry_.back().right, tableTop_, geometry_.back().right, frameBottom);
  }

  void drawFooter() {
    font(11);
    const double footLine = canvas_.lineHeight();
    font(10);
    if (!header_.empty()) canvas_.drawTextLines(header_, side_, top_ - 2 * footLine, width_, pdf::Alignment::Right);
    const std::string pageText = store::FormatSql("%s page %d", {"", page_});
    canvas_.drawTextLines(pageText, side_, canvas_.pageHeight() - top_ + footLine, width_, pdf::Alignment::Right);
  }

  void nextPage() {
    drawFrame(bottom_);
    drawFooter();
    canvas_.endPage();
    canvas_.beginPage();
    ++page_;
    y_ = top_;
    drawTableHeader();
  }

  const Report& report_;
  pdf::Canvas& canvas_;
  std::string header_;
  int resolution_ = 72;
  int top_ = 0;
  int side_ = 0;
  double width_ = 0;
  double bottom_ = 0;
  double gap_ = 0;
  double line_ = 10;
  double half_ = 5;
  double y_ = 0;
  double tableTop_ = 0;
  int page_ = 1;
  int rowsOnPage_ = 0;
  std::vector<ColumnGeometry> geometry_;
};

}  // namespace

PageMargins MarginsOf(const store::RegionalSettings& regional) {
  return {regional.marginTopBottom, regional.marginSides};
}

int LayoutReport(const Report& report, pdf::Canvas& canvas, const PageMargins& margins, std::string_view header) {
  return Layout(report, canvas, margins, header).run();
}

}  // namespace tallyvane::reports
