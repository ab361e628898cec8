// Budget against actual: for each budgeted category of one section, the
// budget amount (monthly, or twelve times it for a year), the actual sum of
// the transactions filed under the category in the budget's accounts, the
// variance and the variance in percent. The actual sum counts as the
// category report does: split lines under their own categories, void rows
// left out, transfers between the book's accounts only when asked for.
#pragma once

#include <optional>
#include <unordered_map>
#include <vector>

#include "reports/report.h"
#include "store/money.h"

namespace tallyvane::reports {

// One budgeted category of the last build: the budget for the period and
// what was spent (expenses) or received (income), both as the report shows them.
struct BudgetFigure {
  std::string name;
  bool expense = true;
  store::Money budget;
  store::Money actual;
};

class BudgetReport final : public Report {
 public:
  BudgetReport(DataContext& owner, const ReportPeriod& period, int32_t budget, BudgetSection section,
               BudgetPeriodKind periodKind, bool includeTransfers = false);
  [[nodiscard]] bool includeTransfers() const { return includeTransfers_; }
  void build() override;
  [[nodiscard]] const std::vector<BudgetFigure>& figures() const { return figures_; }

 private:
  void buildSection(bool expense, const std::unordered_map<int32_t, int64_t>& actualByCategory);
  int32_t budget_;
  BudgetSection section_;
  BudgetPeriodKind periodKind_;
  bool includeTransfers_;
  std::vector<BudgetFigure> figures_;
};

// A live budget by key ("#12" or "12") or by name; nullopt when there is none.
[[nodiscard]] std::optional<int32_t> FindBudget(DataContext& data, std::string_view keyOrName);

}  // namespace tallyvane::reports
