// Income and expenses by category over a period: every live account's
// transactions (split transactions by their lines) summed per category, an
// income section and an expense section with their totals. Transfers between
// the book's own accounts are left out unless asked for: counted, a card
// payment from checking would be spent twice. A line drills down into the
// category journal.
#pragma once

#include <vector>

#include "reports/report.h"
#include "store/money.h"

namespace tallyvane::reports {

inline constexpr std::string_view kCategoryReportTitle = "Income/Expenses Report By Category";
inline constexpr std::string_view kIncomeTotal = "Income Total:";
inline constexpr std::string_view kExpenseTotal = "Expense Total:";

// One category's sums as the report lists them, for charts beside it.
struct CategoryFigure {
  std::string name;
  store::Money expense;  // positive: money spent
  store::Money income;
};

class CategoryReport final : public Report {
 public:
  CategoryReport(DataContext& owner, const ReportPeriod& period, bool includeTransfers = false);
  [[nodiscard]] bool includeTransfers() const { return includeTransfers_; }
  void build() override;
  // An indented category line opens the category journal: deposits for an
  // income line (empty expense cell), payments otherwise.
  [[nodiscard]] std::unique_ptr<Journal> journalFor(const std::vector<std::string>& cells) override;
  // The categories of the last build in the report's order, with a sum in
  // either section.
  [[nodiscard]] const std::vector<CategoryFigure>& figures() const { return figures_; }

 private:
  bool includeTransfers_;
  std::vector<CategoryFigure> figures_;
};

}  // namespace tallyvane::reports
