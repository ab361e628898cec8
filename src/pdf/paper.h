// Paper sizes of printed and PDF reports. The `PaperSize` option of the data
// file picks an index; the index gives a portrait page size in device units.
#pragma once

namespace tallyvane::pdf {

enum class Paper : int { A4 = 0, Letter = 1, Legal = 2 };

// Device units per inch of every report page; one unit is one PDF point.
inline constexpr int kReportResolution = 72;

struct PageSize {
  int width = 0;
  int height = 0;
};

// The `PaperSize` option's value as a paper index: 1 is Letter, 2 is Legal,
// anything else A4.
[[nodiscard]] Paper PaperFromOption(int paperSizeOption);

// The page of a paper index at `resolution` units per inch, from its size in
// whole millimetres rounded to the nearest unit. Letter is 216 x 279 mm, so it
// is 791 units high, not the 792 of eleven inches. An unknown index is A4.
[[nodiscard]] PageSize PaperPageSize(int paperIndex, int resolution = kReportResolution);

}  // namespace tallyvane::pdf
