// The report table every builder fills and every output reads: title, period
// line, a fixed column set, and rows of text cells with their kind, indent
// and rule styles. The report window, CSV export, page layout and e-mail
// hand-over see only this table, never how it was computed.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "reports/period.h"
#include "store/data_context.h"
#include "store/ports.h"

namespace tallyvane::reports {

enum class ColumnAlignment : int16_t { Left = 0, Right = 1, Center = 2 };

struct ReportColumn {
  std::string_view title;
  int32_t width = 0;  // in average character widths; 0 hides the column everywhere
  ColumnAlignment alignment = ColumnAlignment::Left;
  bool stretch = false;  // takes a share of spare width, in proportion to its width
};
using ColumnSet = std::span<const ReportColumn>;

// Cell style flags, combined with '|'.
inline constexpr uint8_t kStyleRuleBelow = 1;
inline constexpr uint8_t kStyleDoubleRuleBelow = 2;
inline constexpr uint8_t kStyleRuleAbove = 8;

struct ReportCell {
  std::string text;  // at most 259 characters
  uint8_t style = 0;
};

enum class RowKind : int32_t {
  Plain = 0,
  Register = 5,    // account activity lines, printed one size larger
  Bold = 9,        // printed in the bold face
  ScreenOnly = 10, // shown but never printed
};

struct ReportRow {
  RowKind kind = RowKind::Plain;
  int32_t indent = 0;       // units of kIndentUnit ahead of the first cell
  int32_t trailingPad = 0;  // units after the last cell
  bool ruleBelow = false;   // printed under the last column
  std::vector<ReportCell> cells;  // from the left; missing ones are empty
  std::string sortText;
};

inline constexpr std::string_view kIndentUnit = "   ";

// The row's texts as the report window shows them: the indent before the
// first cell, the trailing pad after the last, one text per column.
[[nodiscard]] std::vector<std::string> DisplayedCells(const ReportRow& row, std::size_t columnCount);

// Column sets.
inline constexpr std::array<ReportColumn, 3> kCategoryColumns = {{
    {"Category", 30, ColumnAlignment::Left, true},
    {"Expense", 20, ColumnAlignment::Right, false},
    {"Income", 20, ColumnAlignment::Right, false},
}};
inline constexpr std::array<ReportColumn, 3> kPayeeColumns = {{
    {"Payee", 20, ColumnAlignment::Left, true},
    {"Account", 20, ColumnAlignment::Left, true},
    {"Amount", 20, ColumnAlignment::Right, false},
}};
inline constexpr std::array<ReportColumn, 7> kAssetActivityColumns = {{
    {"R", 2, ColumnAlignment::Center, false},
    {"Date", 10, ColumnAlignment::Left, false},
    {"Payee", 20, ColumnAlignment::Left, true},
    {"Category", 13, ColumnAlignment::Left, true},
    {"Payment", 15, ColumnAlignment::Right, false},
    {"Deposit", 15, ColumnAlignment::Right, false},
    {"Balance", 15, ColumnAlignment::Right, false},
}};
inline constexpr std::array<ReportColumn, 7> kChargeActivityColumns = {{
    {"R", 2, ColumnAlignment::Center, false},
    {"Date", 10, ColumnAlignment::Left, false},
    {"Payee", 23, ColumnAlignment::Left, true},
    {"Category", 20, ColumnAlignment::Left, true},
    {"Charge", 15, ColumnAlignment::Right, false},
    {"Deposit", 15, ColumnAlignment::Right, false},
    {"Balance", 15, ColumnAlignment::Right, false},
}};
inline constexpr std::array<ReportColumn, 5> kInvestmentActivityColumns = {{
    {"Date", 10, ColumnAlignment::Left, false},
    {"Action", 10, ColumnAlignment::Left, true},
    {"Security", 15, ColumnAlignment::Left, true},
    {"Number of Shares", 15, ColumnAlignment::Right, false},
    {"Inv Amount", 15, ColumnAlignment::Right, false},
}};
inline constexpr std::array<ReportColumn, 5> kBudgetColumns = {{
    {"Category", 20, ColumnAlignment::Left, true},
    {"Budget", 13, ColumnAlignment::Right, false},
    {"Actual", 13, ColumnAlignment::Right, false},
    {"Variance", 13, ColumnAlignment::Right, false},
    {"Variance %", 13, ColumnAlignment::Right, false},
}};
inline constexpr std::array<ReportColumn, 7> kCategoryJournalColumns = {{
    {"ID", 0, ColumnAlignment::Left, false},
    {"Date", 13, ColumnAlignment::Left, false},
    {"Number", 11, ColumnAlignment::Left, false},
    {"Payee", 28, ColumnAlignment::Left, false},
    {"Note", 15, ColumnAlignment::Left, true},
    {"Payment", 15, ColumnAlignment::Right, false},
    {"Deposit", 15, ColumnAlignment::Right, false},
}};
inline constexpr std::array<ReportColumn, 7> kPayeeJournalColumns = {{
    {"ID", 0, ColumnAlignment::Left, false},
    {"Date", 13, ColumnAlignment::Left, false},
    {"Number", 11, ColumnAlignment::Left, false},
    {"Note", 28, ColumnAlignment::Left, true},
    {"Category", 20, ColumnAlignment::Left, true},
    {"Payment", 15, ColumnAlignment::Right, false},
    {"Deposit", 15, ColumnAlignment::Right, false},
}};

inline constexpr std::string_view kReportsTitle = "Reports";
inline constexpr std::string_view kNoInformation = "There is no information available for this report.";

class Journal;

// Shows a journal opened from a report row until the user closes it (the
// window application opens its journal window; tests script it). Returns
// whether the journal changed data.
class JournalViewer {
 public:
  virtual ~JournalViewer() = default;
  virtual bool show(Journal& journal) = 0;
};

class Report {
 public:
  Report(DataContext& owner, ColumnSet columns, const ReportPeriod& period);
  virtual ~Report();
  Report(const Report&) = delete;
  Report& operator=(const Report&) = delete;

  // Replaces the rows and rowCount with freshly computed ones.
  virtual void build() = 0;
  // The journal behind an activated row (its displayed texts, indent
  // included), or null when the row leads nowhere.
  [[nodiscard]] virtual std::unique_ptr<Journal> journalFor(const std::vector<std::string>& cells);
  // Opens the row's journal in the viewer; true (and the changed flag) when
  // the journal changed data.
  bool drillDown(const std::vector<std::string>& cells, JournalViewer& viewer);

  [[nodiscard]] DataContext& owner() const { return owner_; }
  [[nodiscard]] ColumnSet columns() const { return columns_; }
  [[nodiscard]] int sortColumn() const { return -1; }
  // Records that contributed, not rows: 0 means there is nothing to show.
  [[nodiscard]] int32_t rowCount() const { return rowCount_; }
  [[nodiscard]] const std::string& title() const { return title_; }
  [[nodiscard]] const std::string& periodText() const { return periodText_; }
  [[nodiscard]] const ReportPeriod& period() const { return period_; }
  [[nodiscard]] bool changed() const { return changed_; }
  [[nodiscard]] const std::vector<ReportRow>& rows() const { return rows_; }

 protected:
  void setTitle(std::string title);
  void setColumns(ColumnSet columns) { columns_ = columns; }
  void clearRows();
  void countRecord() { ++rowCount_; }
  void countRecords(int64_t count) { rowCount_ += static_cast<int32_t>(count); }
  // Appends a row of the given cells (texts with no style).
  ReportRow& addRow(std::vector<std::string> texts, int32_t indent = 0, RowKind kind = RowKind::Plain);

 private:
  DataContext& owner_;
  ColumnSet columns_;
  ReportPeriod period_;
  std::string title_;
  std::string periodText_;
  int32_t rowCount_ = 0;
  bool changed_ = false;
  std::vector<ReportRow> rows_;
};

// Builds the report the way the report window opens it: when nothing was
// found, the refusal is shown (titled "Reports") and false returned.
[[nodiscard]] bool BuildForShowing(Report& report, store::Prompter& prompter);

}  // namespace tallyvane::reports
