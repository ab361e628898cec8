#include "ledger/balances.h"

#include <cstdio>

#include "ledger/transactions.h"
#include "store/dates.h"
#include "store/record.h"
#include "store/text.h"

namespace tallyvane::ledger {

using store::FormatSql;
using store::Query;
using store::Record;
using store::Table;

namespace {

struct YearMonth {
  int year = 0;
  int month = 0;
};

YearMonth MonthOf(const std::string& date) {
  int y = 0;
  int m = 0;
  int d = 0;
  std::sscanf(date.c_str(), "%d-%d-%d", &y, &m, &d);
  return {y, m};
}

int Key(YearMonth ym) { return store::MonthKey(ym.year, ym.month); }

void WriteCacheRow(DataContext& data, AccountKey account, int monthKey, Money balance, Money reconciled) {
  store::Db& db = data.db();
  Table table(db, "MonthlyBalances");
  Record row;
  const std::string existing =
      store::QueryFirstText(db, FormatSql("SELECT ID FROM MonthlyBalances WHERE Account = %d AND TimeStamp = %d",
                                          {account, monthKey}));
  if (existing.empty() || !LoadRecord(table, row, existing)) {
    NewRecord(table, row);
    row.SetInt("TimeStamp", monthKey);
    row.SetInt("Account", account);
  }
  row.SetInt64("Balance", balance.minorUnits());
  row.SetInt64("BalanceReconciled", reconciled.minorUnits());
}

struct MonthSum {
  int key;
  Money amount;
  Money reconciledAmount;
};

// An account's counted rows summed by month inside SQLite, from `from`'s
// month on while `until` (a condition on TransactionDate) holds; the rows
// themselves are never read. The casts read flags and amounts as the record
// layer does (NULL or empty is 0). Collected first: the cache rows are
// written on the same handle.
std::vector<MonthSum> MonthSums(DataContext& data, AccountKey account, const std::string& from,
                                const std::string& until) {
  std::vector<MonthSum> sums;
  store::Query q(data.db(),
                 FormatSql("SELECT substr(TransactionDate, 1, 7), SUM(CAST(Amount AS INTEGER)), "
                           "SUM(CASE WHEN IFNULL(CAST(Reconciled AS INTEGER), 0) != 0 THEN CAST(Amount AS INTEGER) "
                           "ELSE 0 END) FROM Transactions WHERE Account = %d AND Deleted = 0 AND TransactionDate >= "
                           "DATE('%Q') AND %s AND IFNULL(CAST(Void AS INTEGER), 0) = 0 GROUP BY 1 ORDER BY 1",
                           {account, MonthStart(from), until}));
  for (; q.hasRow(); q.next()) sums.push_back({Key(MonthOf(q.text(0) + "-01")), Money(q.int64(1)), Money(q.int64(2))});
  return sums;
}

}  // namespace

bool AccountIsAsset(DataContext& data, AccountKey account) {
  store::Db& db = data.db();
  Table accounts(db, "Accounts");
  Record a;
  if (!LoadRecord(accounts, a, KeyText(account))) return false;
  int type = a.GetInt("AcctType");
  if (type == 0) type = 1;
  Table types(db, "AccountTypes");
  Record t;
  if (!LoadRecord(types, t, KeyText(type))) return false;
  const std::string asset = t.GetText("Asset");
  return asset.empty() ? true : store::ParseInt32Prefix(asset) != 0;
}

std::optional<OpeningBalance> OpeningBalanceBefore(DataContext& data, AccountKey account, const std::string& date) {
  store::Db& db = data.db();
  if (!date.empty()) {
    const std::string first = FirstTransactionDate(data, account);
    if (!first.empty()) {
      const int firstKey = Key(MonthOf(first));
      // The latest cached month from the month before back to the first
      // transaction's month, in one indexed lookup: the walk back month by
      // month stops at the same row (of two rows for one month, the first).
      Query q(db, FormatSql("SELECT Balance, BalanceReconciled FROM MonthlyBalances WHERE Account = %d AND "
                            "TimeStamp >= %d AND TimeStamp <= %d ORDER BY TimeStamp DESC, ID LIMIT 1",
                            {account, firstKey, Key(MonthOf(date)) - 1}));
      if (q.hasRow()) return OpeningBalance{Money(q.int64(0)), Money(q.int64(1))};
    }
  }
  Table accounts(db, "Accounts");
  Record a;
  if (!LoadRecord(accounts, a, KeyText(account))) return std::nullopt;
  const Money starting(a.GetInt64("AcctStartingBal"));
  return OpeningBalance{starting, starting};
}

void RecomputeMonthlyBalances(DataContext& data, AccountKey account, const std::string& fromDate) {
  const OpeningBalance opening = OpeningBalanceBefore(data, account, fromDate).value_or(OpeningBalance{});
  Money balance = opening.balance;
  Money reconciled = opening.reconciled;
  int current = Key(MonthOf(fromDate));
  std::string last = LastTransactionDate(data, account);
  if (last.empty()) last = TodayText(data);
  const bool asset = AccountIsAsset(data, account);
  for (const MonthSum& sum : MonthSums(data, account, fromDate, FormatSql("TransactionDate <= DATE('%Q')", {last}))) {
    if (sum.key != current) {
      for (int key = current; key < sum.key; ++key) WriteCacheRow(data, account, key, balance, reconciled);
      current = sum.key;
    }
    balance += asset ? sum.amount : -sum.amount;
    reconciled += asset ? sum.reconciledAmount : -sum.reconciledAmount;
  }
  WriteCacheRow(data, account, current, balance, reconciled);
}

void RecomputeMonthlyBalancesBetween(DataContext& data, AccountKey account, const std::string& fromDate,
                                     const std::string& toDate) {
  const int fromKey = Key(MonthOf(fromDate));
  const int toKey = Key(MonthOf(toDate));
  if (toDate.empty() || toKey < fromKey) {
    RecomputeMonthlyBalances(data, account, fromDate);
    return;
  }
  store::Db& db = data.db();
  const std::string nextMonth = store::QueryFirstText(db, FormatSql("SELECT DATE('%Q', '+1 month')", {MonthStart(toDate)}));
  // The last month with a counted row after the span: the full walk writes
  // every month up to it, so the cache must hold exactly one row for each.
  std::string later;
  {
    Query q(db, FormatSql("SELECT TransactionDate FROM Transactions WHERE Account = %d AND Deleted = 0 AND "
                          "TransactionDate >= '%Q' AND IFNULL(CAST(Void AS INTEGER), 0) = 0 ORDER BY TransactionDate "
                          "DESC LIMIT 1",
                          {account, nextMonth}));
    if (q.hasRow()) later = q.text(0);
  }
  if (later.empty()) {
    RecomputeMonthlyBalances(data, account, fromDate);
    return;
  }
  const int laterKey = Key(MonthOf(later));
  std::optional<OpeningBalance> before;
  {
    Query rows(db, FormatSql("SELECT COUNT(*), COUNT(DISTINCT TimeStamp) FROM MonthlyBalances WHERE Account = %d AND "
                             "TimeStamp > %d AND TimeStamp <= %d",
                             {account, toKey, laterKey}));
    Query end(db, FormatSql("SELECT Balance, BalanceReconciled FROM MonthlyBalances WHERE Account = %d AND TimeStamp = %d "
                            "ORDER BY ID LIMIT 1",
                            {account, toKey}));
    if (rows.hasRow() && rows.int64(0) == laterKey - toKey && rows.int64(1) == laterKey - toKey && end.hasRow()) {
      before = OpeningBalance{Money(end.int64(0)), Money(end.int64(1))};
    }
  }
  if (!before) {
    RecomputeMonthlyBalances(data, account, fromDate);
    return;
  }

  const OpeningBalance opening = OpeningBalanceBefore(data, account, fromDate).value_or(OpeningBalance{});
  Money balance = opening.balance;
  Money reconciled = opening.reconciled;
  const bool asset = AccountIsAsset(data, account);
  const std::vector<MonthSum> sums =
      MonthSums(data, account, fromDate, FormatSql("TransactionDate < '%Q'", {nextMonth}));
  // As the full walk writes them: each month holds the balance after every
  // row up to its end.
  int current = fromKey;
  for (const MonthSum& sum : sums) {
    for (; current < sum.key; ++current) WriteCacheRow(data, account, current, balance, reconciled);
    current = sum.key;
    balance += asset ? sum.amount : -sum.amount;
    reconciled += asset ? sum.reconciledAmount : -sum.reconciledAmount;
  }
  for (; current <= toKey; ++current) WriteCacheRow(data, account, current, balance, reconciled);

  const Money moved = balance - before->balance;
  const Money movedReconciled = reconciled - before->reconciled;
  if (moved.minorUnits() != 0 || movedReconciled.minorUnits() != 0) {
    store::Execute(db,
                   "UPDATE MonthlyBalances SET Balance = CAST(Balance AS INTEGER) + %lld, BalanceReconciled = "
                   "CAST(BalanceReconciled AS INTEGER) + %lld WHERE Account = %d AND TimeStamp > %d AND TimeStamp <= %d",
                   {static_cast<long long>(moved.minorUnits()), static_cast<long long>(movedReconciled.minorUnits()),
                    account, toKey, laterKey});
  }
}

void Rebalance(DataContext& data, AccountKey account, const std::string& fromDate) {
  if (account == 0) return;
  if (data.rebalanceBatch()) {
    NoteRebalance(data, account, fromDate);
  } else {
    RecomputeMonthlyBalances(data, account, fromDate);
  }
}

void RebalanceDay(DataContext& data, AccountKey account, const std::string& date) {
  if (account == 0) return;
  if (data.rebalanceBatch()) {
    NoteRebalance(data, account, date, date);
  } else {
    RecomputeMonthlyBalancesBetween(data, account, date, date);
  }
}

bool BeginRebalanceBatch(DataContext& data) {
  if (data.rebalanceBatch()) return false;
  data.rebalanceBatch().emplace();
  return true;
}

void NoteRebalance(DataContext& data, AccountKey account, const std::string& date, const std::string& toDate) {
  auto& batch = data.rebalanceBatch();
  if (!batch) return;
  // Stored dates are "YYYY-MM-DD", so text order is calendar order.
  const std::string day = date.substr(0, 10);
  const std::string until = toDate.substr(0, 10);
  auto found = batch->find(account);
  if (found == batch->end()) {
    batch->emplace(account, store::DataContext::RebalanceSpan{day, until});
    return;
  }
  if (day < found->second.from) found->second.from = day;
  // An open end (every date on) stays open.
  if (until.empty() || found->second.to.empty()) {
    found->second.to.clear();
  } else if (until > found->second.to) {
    found->second.to = until;
  }
}

void EndRebalanceBatch(DataContext& data) {
  auto& batch = data.rebalanceBatch();
  if (!batch) return;
  const auto pairs = std::move(*batch);
  batch.reset();
  for (const auto& [account, span] : pairs) RecomputeMonthlyBalancesBetween(data, account, span.from, span.to);
}

Money AccountBalanceNow(DataContext& data, AccountKey account) {
  const std::string last = LastTransactionDate(data, account);
  if (!last.empty()) {
    if (const auto key = LastTransactionOnOrBefore(data, account, last)) return TransactionRunningBalance(data, *key);
  }
  Table accounts(data.db(), "Accounts");
  Record a;
  if (!LoadRecord(accounts, a, KeyText(account))) return Money();
  return Money(a.GetInt64("AcctStartingBal"));
}

void UpdateCurrentBalance(DataContext& data, AccountKey account) {
  const Money balance = AccountBalanceNow(data, account);
  Table accounts(data.db(), "Accounts");
  Record a;
  if (!LoadRecord(accounts, a, KeyText(account))) return;
  a.SetInt64("AcctCurrentBal", balance.minorUnits());
}

void UpdateAllCurrentBalances(DataContext& data) {
  std::vector<AccountKey> keys;
  for (Query q(data.db(), "SELECT ID FROM Accounts"); q.hasRow(); q.next()) keys.push_back(q.int32(0));
  for (AccountKey key : keys) UpdateCurrentBalance(data, key);
}

void RebuildAllMonthlyBalances(DataContext& data) {
  std::vector<AccountKey> keys;
  for (Query q(data.db(), "SELECT ID FROM Accounts WHERE Deleted = 0"); q.hasRow(); q.next()) {
    keys.push_back(q.int32(0));
  }
  for (AccountKey key : keys) {
    const std::string first = FirstTransactionDate(data, key);
    if (!first.empty()) RecomputeMonthlyBalances(data, key, first);
  }
}

AccountsPanel AccountTotals(DataContext& data, InvestmentValuer valuer) {
  AccountsPanel panel;
  struct Row {
    AccountKey key;
    std::string name;
    int type;
    Money starting;
  };
  std::vector<Row> rows;
  for (Query q(data.db(), "SELECT ID, AcctName, AcctType, AcctStartingBal FROM Accounts WHERE Deleted = 0 ORDER BY ID");
       q.hasRow(); q.next()) {
    rows.push_back({q.int32(0), q.string(1), q.int32(2), Money(q.int64(3))});
  }
  const store::RegionalSettings& regional = data.regional();
  for (const Row& row : rows) {
    PanelAccount account;
    account.key = row.key;
    account.name = row.name;
    account.investment = row.type == 4;
    if (account.investment) {
      account.asset = true;
      account.balance = valuer ? valuer(data, row.key) : row.starting;
    } else {
      account.asset = AccountIsAsset(data, row.key);
      account.balance = AccountBalanceNow(data, row.key);
    }
    (account.asset ? panel.assets : panel.liabilities) += account.balance;
    account.item = FormatSql("%s: %s", {account.name, store::FormatMoney(regional, account.balance)});
    panel.items.push_back(account.item);
    panel.accounts.push_back(std::move(account));
  }
  panel.items.push_back("Assets: " + store::FormatMoney(regional, panel.assets));
  panel.items.push_back("Liabilities: " + store::FormatMoney(regional, panel.liabilities));
  return panel;
}

}  // namespace tallyvane::ledger
