// The page layout of a report, shared by the PDF file, the printer and the
// print preview so all three look alike: title and period at the top right,
// the table in a ruled frame with its titles repeated on every page, rows
// wrapped to their columns and split across pages, " page N" under each.
#pragma once

#include <string_view>

#include "pdf/canvas.h"
#include "reports/report.h"
#include "store/regional.h"

namespace tallyvane::reports {

// In inches, as the data file's options hold them.
struct PageMargins {
  double topBottom = 0.75;
  double sides = 0.75;
};
[[nodiscard]] PageMargins MarginsOf(const store::RegionalSettings& regional);

// Draws the whole report on the canvas, page after page; returns the number
// of pages. `header` is the text over each page's frame (none in this
// program).
int LayoutReport(const Report& report, pdf::Canvas& canvas, const PageMargins& margins, std::string_view header = {});

}  // namespace tallyvane::reports
