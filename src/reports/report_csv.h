// "Save as CSV": the report's column titles and then one line per row, every
// field quoted, in UTF-8 with CR LF line ends and, when the data file's
// options ask for it, a byte-order mark first.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "reports/report.h"
#include "store/regional.h"

namespace tallyvane::reports {

inline constexpr std::string_view kCsvDialogTitle = "Save to CSV";
inline constexpr std::string_view kCsvFilter = "CSV File";
inline constexpr std::string_view kReportFileName = "Report";

// One field as written: commas become spaces, trailing blanks and control
// characters go, the rest is quoted with inner quotes doubled and every
// character from 1 to 32 written as a space. A text a spreadsheet would read
// as a formula gets a leading apostrophe so that it stays text.
// Program-made amounts and percentages that begin with a sign (in the data
// file's currency format) stay as they are.
[[nodiscard]] std::string CsvField(std::string_view cell, const store::RegionalSettings& regional);

// The whole file's bytes.
[[nodiscard]] std::string ReportCsvText(const Report& report, bool byteOrderMark);

// Creates (or replaces) the file; false when it cannot be written, in which
// case no file is left behind.
bool WriteReportCsv(const Report& report, const std::filesystem::path& path);

}  // namespace tallyvane::reports
