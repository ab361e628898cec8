#include "reports/report.h"

#include <algorithm>

#include "reports/journal.h"
#include "store/text.h"

namespace tallyvane::reports {

std::vector<std::string> DisplayedCells(const ReportRow& row, std::size_t columnCount) {
  std::vector<std::string> texts(std::max(columnCount, row.cells.size()));
  for (std::size_t i = 0; i < row.cells.size(); ++i) texts[i] = row.cells[i].text;
  std::string indent;
  for (int32_t i = 0; i < row.indent; ++i) indent += kIndentUnit;
  if (!texts.empty()) texts.front() = indent + texts.front();
  if (!row.cells.empty()) {
    for (int32_t i = 0; i < row.trailingPad; ++i) texts[row.cells.size() - 1] += kIndentUnit;
  }
  texts.resize(columnCount);
  return texts;
}

Report::Report(DataContext& owner, ColumnSet columns, const ReportPeriod& period)
    : owner_(owner), columns_(columns), period_(period), periodText_(PeriodText(owner.regional(), period)) {}

Report::~Report() = default;

std::unique_ptr<Journal> Report::journalFor(const std::vector<std::string>&) { return nullptr; }

bool Report::drillDown(const std::vector<std::string>& cells, JournalViewer& viewer) {
  std::unique_ptr<Journal> journal = journalFor(cells);
  if (!journal) return false;
  journal->fill();
  const bool shownChanged = viewer.show(*journal);
  const bool changed = shownChanged || journal->changed();
  if (changed) changed_ = true;
  return changed;
}

void Report::setTitle(std::string title) { title_ = store::CutChars(title); }

void Report::clearRows() {
  rows_.clear();
  rowCount_ = 0;
}

ReportRow& Report::addRow(std::vector<std::string> texts, int32_t indent, RowKind kind) {
  ReportRow row;
  row.kind = kind;
  row.indent = indent;
  row.cells.reserve(texts.size());
  for (std::string& text : texts) row.cells.push_back({store::CutChars(text), 0});
  rows_.push_back(std::move(row));
  return rows_.back();
}

bool BuildForShowing(Report& report, store::Prompter& prompter) {
  report.build();
  if (report.rowCount() != 0) return true;
  prompter.message(kReportsTitle, kNoInformation, store::Icon::Information);
  return false;
}

}  // namespace tallyvane::reports
