// Income and expenses by category over a period: every live account's
// transactions (split transactions by their lines) summed per category, an
// income section and an expense section with their totals. A line drills
// down into the category journal.
#pragma once

#include "reports/report.h"

namespace tallyvane::reports {

inline constexpr std::string_view kCategoryReportTitle = "Income/Expenses Report By Category";
inline constexpr std::string_view kIncomeTotal = "Income Total:";
inline constexpr std::string_view kExpenseTotal = "Expense Total:";

class CategoryReport final : public Report {
 public:
  CategoryReport(DataContext& owner, const ReportPeriod& period);
  void build() override;
  // An indented category line opens the category journal: deposits for an
  // income line (empty expense cell), payments otherwise.
  [[nodiscard]] std::unique_ptr<Journal> journalFor(const std::vector<std::string>& cells) override;
};

}  // namespace tallyvane::reports
