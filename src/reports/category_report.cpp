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
    // The account's sums per category and column, added up inside SQLite:
    // rows, and split rows by their lines, void rows and (unless asked)
    // transfers left out, as the row walk below counts them. The casts read
    // amounts and flags as the record layer does (NULL or empty is 0).
    const std::string where = FormatSql(
        "t.Account = %d AND t.Deleted = 0 AND t.TransactionDate >= DATE('%Q') AND t.TransactionDate <= DATE('%Q') AND "
        "IFNULL(CAST(t.Void AS INTEGER), 0) = 0%s",
        {account.id, from, to, includeTransfers_ ? "" : " AND IFNULL(CAST(t.ReferencedAccount AS INTEGER), 0) = 0"});
    struct Group {
      CategoryKey category;
      bool deposit;
      int64_t amount;
      int64_t count;
    };
    std::vector<Group> groups;
    for (const char* sql :
         {"SELECT t.Category, t.TransactionType = 0, SUM(CAST(t.Amount AS INTEGER)), COUNT(*) FROM Transactions t "
          "WHERE %s AND IFNULL(CAST(t.SplitTransaction AS INTEGER), 0) = 0 GROUP BY 1, 2",
          "SELECT s.Category, t.TransactionType = 0, SUM(CAST(s.Amount AS INTEGER)), COUNT(*) FROM Transactions t "
          "JOIN SplitTransactions s ON s.TransactionID = t.ID AND s.Deleted != 1 WHERE %s AND "
          "IFNULL(CAST(t.SplitTransaction AS INTEGER), 0) != 0 GROUP BY 1, 2"}) {
      for (store::Query q(data.db(), FormatSql(sql, {where})); q.hasRow(); q.next()) {
        groups.push_back({q.int32(0), q.int32(1) != 0, q.int64(2), q.int64(3)});
      }
    }
    // Entries named by their category go in name order whatever order they
    // come in; those whose category cannot be found go last in the order the
    // row walk meets them (and a named "Not categorized" after those met
    // before it), which only the walk knows.
    bool unnamed = false;
    for (const Group& group : groups) unnamed = unnamed || !texts.categoryFullName(group.category);
    if (unnamed) {
      PeriodRows range(data.db(), FormatSql("Account = %d", {account.id}), from, to);
      ledger::TransactionRow row;
      while (range.next(row)) {
        if (!ledger::CountsInCategoryTotals(row, includeTransfers_)) continue;
        for (const ledger::CategoryAmount& part : ledger::CategoryAmounts(data.db(), row)) {
          sums.add(part.category, asset, part.amount.minorUnits(), row.type);
          countRecord();
        }
      }
      continue;
    }
    for (const Group& group : groups) {
      sums.add(group.category, asset, group.amount,
               group.deposit ? static_cast<int>(TransactionType::Deposit) : static_cast<int>(TransactionType::Purchase));
      countRecords(group.count);
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
