#include "reports/category_report.h"

#include <list>
#include <unordered_map>

#include "ledger/categories.h"
#include "ledger/transactions.h"
#include "reports/journal.h"
#include "reports/names.h"
#include "store/money.h"
#include "store/sql_format.h"

namespace tallyvane::reports {

using ledger::CategoryKey;
using ledger::TransactionType;
using store::FormatSql;
using store::Money;

namespace {

struct Entry {
  CategoryKey id = 0;
  std::string name;
  int64_t income = 0;
  int64_t expense = 0;
};

// The accumulator: entries in name order, except that a category that
// cannot be found is named "Not categorized" and goes to the end.
class Accumulator {
 public:
  explicit Accumulator(ReportTexts& texts) : texts_(texts) {}

  void add(CategoryKey category, bool asset, int64_t amount, int type) {
    if (type != static_cast<int>(TransactionType::Deposit)) {
      entry(category).expense -= amount;
    } else if (asset) {
      entry(category).income += amount;
    }
  }

  [[nodiscard]] const std::list<Entry>& entries() const { return entries_; }

 private:
  Entry& entry(CategoryKey id) {
    if (auto found = byId_.find(id); found != byId_.end()) return *found->second;
    const std::optional<std::string>& name = texts_.categoryFullName(id);
    Entry fresh{id, name.value_or(std::string(ledger::kNotCategorized)), 0, 0};
    auto at = entries_.end();
    if (name) {
      // After any entries that compare equal.
      at = entries_.begin();
      while (at != entries_.end() && CompareNames(at->name, fresh.name) <= 0) ++at;
    }
    auto placed = entries_.insert(at, std::move(fresh));
    byId_.emplace(id, placed);
    return *placed;
  }

  ReportTexts& texts_;
  std::list<Entry> entries_;
  std::unordered_map<CategoryKey, std::list<Entry>::iterator> byId_;
};

}  // namespace

CategoryReport::CategoryReport(DataContext& owner, const ReportPeriod& period, bool includeTransfers)
    : Report(owner, kCategoryColumns, period), includeTransfers_(includeTransfers) {
  setTitle(std::string(kCategoryReportTitle));
}

void CategoryReport::build() {
  clearRows();
  DataContext& data = owner();
  ReportTexts texts(data);
  Accumulator sums(texts);
  const std::string from = period().startText();
  const std::string to = period().endText();

  for (const AccountEntry& account : LiveAccounts(data)) {
    const bool asset = texts.isAsset(account.id);
    PeriodRows range(data.db(), FormatSql("Account = %d", {account.id}), from, to);
    ledger::TransactionRow row;
    while (range.next(row)) {
      if (!ledger::CountsInCategoryTotals(row, includeTransfers_)) continue;
      for (const ledger::CategoryAmount& part : ledger::CategoryAmounts(data.db(), row)) {
        sums.add(part.category, asset, part.amount.minorUnits(), row.type);
        countRecord();
      }
    }
  }

  const store::RegionalSettings& regional = data.regional();
  auto money = [&](int64_t amount) { return store::FormatMoney(regional, Money(amount)); };

  figures_.clear();
  for (const Entry& entry : sums.entries()) {
    if (entry.income != 0 || entry.expense != 0) figures_.push_back({entry.name, Money(entry.expense), Money(entry.income)});
  }

  addRow({"Income", ""});
  int64_t incomeTotal = 0;
  for (const Entry& entry : sums.entries()) {
    if (entry.income == 0) continue;
    addRow({entry.name, "", money(entry.income)}, 5);
    incomeTotal += entry.income;
  }
  addRow({std::string(kIncomeTotal), "", money(incomeTotal)}, 5).cells[2].style = kStyleRuleAbove;

  addRow({"Expense", ""});
  int64_t expenseTotal = 0;
  for (const Entry& entry : sums.entries()) {
    if (entry.expense == 0) continue;
    addRow({entry.name, money(entry.expense), ""}, 5);
    expenseTotal += entry.expense;
  }
  addRow({std::string(kExpenseTotal), money(expenseTotal), ""}, 5).cells[1].style = kStyleRuleAbove;
}

std::unique_ptr<Journal> CategoryReport::journalFor(const std::vector<std::string>& cells) {
  if (cells.empty() || cells.front().empty() || cells.front().front() != ' ') return nullptr;
  const std::string name = LeadingBlanksRemoved(cells.front());
  if (name.empty() || name == kIncomeTotal || name == kExpenseTotal) return nullptr;
  const CategoryKey category = ledger::FindCategoryByFullName(owner(), name);
  if (category < 0) return nullptr;
  const bool income = cells.size() < 2 || cells[1].empty();
  return std::make_unique<CategoryJournal>(owner(), category, period(),
                                           income ? JournalMode::Deposits : JournalMode::Payments, includeTransfers_);
}

}  // namespace tallyvane::reports
