#include "reports/budget_report.h"

#include <unordered_map>

#include "reports/names.h"
#include "store/money.h"
#include "store/record.h"
#include "store/sql_format.h"
#include "store/text.h"

namespace tallyvane::reports {

using store::FormatSql;
using store::Money;

BudgetReport::BudgetReport(DataContext& owner, const ReportPeriod& period, int32_t budget, BudgetSection section,
                           BudgetPeriodKind periodKind, bool includeTransfers)
    : Report(owner, kBudgetColumns, period),
      budget_(budget),
      section_(section),
      periodKind_(periodKind),
      includeTransfers_(includeTransfers) {
  setTitle(FormatSql("%s Report", {store::QueryFirstText(
                                      owner.db(), FormatSql("SELECT BudgetName FROM Budgets WHERE ID = %d", {budget}))}));
}

void BudgetReport::build() {
  clearRows();
  figures_.clear();
  DataContext& data = owner();
  // Actual sums by category over the budget's accounts, counted as the
  // category report counts them. Each account is read once however many
  // times it is listed.
  std::unordered_map<int32_t, std::unordered_map<int32_t, int64_t>> perAccount;
  std::unordered_map<int32_t, int64_t> actual;
  std::vector<int32_t> accounts;
  for (store::Query q(data.db(), FormatSql("SELECT AccountID FROM BudgetAccounts WHERE BudgetID = %d ORDER BY ID",
                                           {budget_}));
       q.hasRow(); q.next()) {
    accounts.push_back(q.int32(0));
  }
  for (int32_t account : accounts) {
    auto found = perAccount.find(account);
    if (found == perAccount.end()) {
      std::unordered_map<int32_t, int64_t> sums;
      PeriodRows range(data.db(), FormatSql("Account = %d", {account}), period().startText(), period().endText());
      ledger::TransactionRow row;
      while (range.next(row)) {
        if (!ledger::CountsInCategoryTotals(row, includeTransfers_)) continue;
        for (const ledger::CategoryAmount& part : ledger::CategoryAmounts(data.db(), row)) {
          sums[part.category] += part.amount.minorUnits();
        }
      }
      found = perAccount.emplace(account, std::move(sums)).first;
    }
    for (const auto& [category, sum] : found->second) actual[category] += sum;
  }

  if (section_ != BudgetSection::Income) {
    addRow({"Expenses", "", "", "", ""});
    buildSection(true, actual);
  }
  if (section_ != BudgetSection::Expenses) {
    addRow({"Income", "", "", "", ""});
    buildSection(false, actual);
  }
}

void BudgetReport::buildSection(bool expense, const std::unordered_map<int32_t, int64_t>& actualByCategory) {
  DataContext& data = owner();
  const store::RegionalSettings& regional = data.regional();

  struct Line {
    int32_t category = 0;
    int64_t amount = 0;
  };
  std::vector<Line> lines;
  for (store::Query q(data.db(), FormatSql("SELECT CategoryID, Amount FROM BudgetCategories WHERE BudgetID = %d "
                                           "ORDER BY ID",
                                           {budget_}));
       q.hasRow(); q.next()) {
    lines.push_back({q.int32(0), q.int64(1)});
  }
  for (const Line& line : lines) {
    store::Query category(data.db(),
                          FormatSql("SELECT PayCategory, Expense FROM Categories WHERE ID = %d", {line.category}));
    const std::string flag = category.hasRow() ? category.text(1) : std::string();
    const bool isExpense = flag.empty() || store::ParseInt32Prefix(flag) != 0;
    if (isExpense != expense) continue;

    const int64_t budget = periodKind_ == BudgetPeriodKind::Yearly ? line.amount * 12 : line.amount;
    const auto sum = actualByCategory.find(line.category);
    const int64_t total = sum == actualByCategory.end() ? 0 : sum->second;
    const int64_t actual = expense ? -total : total;
    const int64_t variance = expense ? budget - actual : actual - budget;
    std::string percent = "+";
    if (budget != 0) {
      const double p = (static_cast<double>(actual) / static_cast<double>(budget) - 1.0) * 100.0;
      percent = FormatSql("%s%%", {store::FormatDecimal(regional, p)});
    }
    addRow({category.text(0), store::FormatMoney(regional, Money(budget)), store::FormatMoney(regional, Money(actual)),
            store::FormatMoney(regional, Money(variance)), percent},
           5);
    figures_.push_back({category.text(0), expense, Money(budget), Money(actual)});
    countRecord();
  }
}

std::optional<int32_t> FindBudget(DataContext& data, std::string_view keyOrName) {
  std::string_view key = keyOrName;
  if (!key.empty() && key.front() == '#') key.remove_prefix(1);
  const bool numeric = !key.empty() && key.size() <= 9 && key.find_first_not_of("0123456789") == std::string_view::npos;
  if (numeric && keyOrName.front() == '#') {
    const std::string found = store::QueryFirstText(
        data.db(), FormatSql("SELECT ID FROM Budgets WHERE ID = %d AND Deleted = 0", {store::ParseInt32Prefix(key)}));
    if (!found.empty()) return store::ParseInt32Prefix(found);
    return std::nullopt;
  }
  const std::string byName = store::QueryFirstText(
      data.db(), FormatSql("SELECT ID FROM Budgets WHERE BudgetName = '%Q' AND Deleted = 0", {keyOrName}));
  if (!byName.empty()) return store::ParseInt32Prefix(byName);
  if (numeric) {
    const std::string found = store::QueryFirstText(
        data.db(), FormatSql("SELECT ID FROM Budgets WHERE ID = %d AND Deleted = 0", {store::ParseInt32Prefix(key)}));
    if (!found.empty()) return store::ParseInt32Prefix(found);
  }
  return std::nullopt;
}

}  // namespace tallyvane::reports
