// The balance cache and the stored current balances computed through SQLite
// aggregates must be exactly what the row-by-row computation wrote before:
// the earlier implementation is kept here as the reference, run on one copy
// of the generated benchmark book, the program's own on another, and the two
// files' balance tables compared as stored.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "book.h"
#include "ledger/ledger_fixture.h"

namespace tallyvane::ledger {
namespace {

using store::FormatSql;
using store::Query;
using store::Record;
using store::Table;

// ---- the earlier computation, row by row ----
namespace reference {

int MonthKeyOf(const std::string& date) {
  int y = 0;
  int m = 0;
  int d = 0;
  std::sscanf(date.c_str(), "%d-%d-%d", &y, &m, &d);
  return store::MonthKey(y, m);
}

OpeningBalance OpeningBefore(DataContext& data, AccountKey account, const std::string& date) {
  const std::string first = FirstTransactionDate(data, account);
  if (!date.empty() && !first.empty()) {
    for (int key = MonthKeyOf(date) - 1; key >= MonthKeyOf(first); --key) {
      Query q(data.db(), FormatSql("SELECT Balance, BalanceReconciled FROM MonthlyBalances WHERE Account = %d AND "
                                   "TimeStamp = %d",
                                   {account, key}));
      if (q.hasRow()) return {Money(q.int64(0)), Money(q.int64(1))};
    }
  }
  Table accounts(data.db(), "Accounts");
  Record a;
  if (!LoadRecord(accounts, a, KeyText(account))) return {};
  return {Money(a.GetInt64("AcctStartingBal")), Money(a.GetInt64("AcctStartingBal"))};
}

Money RunningBalance(DataContext& data, TransactionKey key) {
  const auto row = LoadTransaction(data.db(), key);
  if (!row) return Money();
  Money balance = OpeningBefore(data, row->account, row->date).balance;
  const bool asset = AccountIsAsset(data, row->account);
  TransactionRange range(data.db(), row->account, -1, MonthStart(row->date), row->date, true);
  TransactionRow r;
  while (range.next(r)) {
    if (r.isVoid || r.deleted) continue;
    if (r.date.substr(0, 10) == row->date.substr(0, 10) && r.key > key) continue;
    balance += asset ? r.amount : -r.amount;
  }
  return balance;
}

void UpdateCurrent(DataContext& data, AccountKey account) {
  Money balance;
  const std::string last = LastTransactionDate(data, account);
  const auto key = last.empty() ? std::nullopt : LastTransactionOnOrBefore(data, account, last);
  Table accounts(data.db(), "Accounts");
  Record a;
  if (!LoadRecord(accounts, a, KeyText(account))) return;
  balance = key ? RunningBalance(data, *key) : Money(a.GetInt64("AcctStartingBal"));
  a.SetInt64("AcctCurrentBal", balance.minorUnits());
}

void WriteCacheRow(DataContext& data, AccountKey account, int monthKey, Money balance, Money reconciled) {
  Table table(data.db(), "MonthlyBalances");
  Record row;
  const std::string existing = store::QueryFirstText(
      data.db(), FormatSql("SELECT ID FROM MonthlyBalances WHERE Account = %d AND TimeStamp = %d", {account, monthKey}));
  if (existing.empty() || !LoadRecord(table, row, existing)) {
    NewRecord(table, row);
    row.SetInt("TimeStamp", monthKey);
    row.SetInt("Account", account);
  }
  row.SetInt64("Balance", balance.minorUnits());
  row.SetInt64("BalanceReconciled", reconciled.minorUnits());
}

// The walk over the rows themselves, month by month.
void Recompute(DataContext& data, AccountKey account, const std::string& from) {
  const OpeningBalance opening = OpeningBefore(data, account, from);
  Money balance = opening.balance;
  Money reconciled = opening.reconciled;
  int current = MonthKeyOf(from);
  std::string last = LastTransactionDate(data, account);
  if (last.empty()) last = TodayText(data);
  const bool asset = AccountIsAsset(data, account);
  std::vector<TransactionRow> rows;
  {
    TransactionRange range(data.db(), account, -1, MonthStart(from), last, true);
    TransactionRow r;
    while (range.next(r)) {
      if (!r.isVoid) rows.push_back(r);
    }
  }
  for (const TransactionRow& r : rows) {
    const int month = MonthKeyOf(r.date);
    if (month != current) {
      for (int key = current; key < month; ++key) WriteCacheRow(data, account, key, balance, reconciled);
      current = month;
    }
    balance += asset ? r.amount : -r.amount;
    if (r.reconciled) reconciled += asset ? r.amount : -r.amount;
  }
  WriteCacheRow(data, account, current, balance, reconciled);
}

void Rebuild(DataContext& data) {
  std::vector<AccountKey> keys;
  for (Query q(data.db(), "SELECT ID FROM Accounts WHERE Deleted = 0"); q.hasRow(); q.next()) keys.push_back(q.int32(0));
  for (AccountKey key : keys) {
    const std::string first = FirstTransactionDate(data, key);
    if (!first.empty()) Recompute(data, key, first);
  }
  std::vector<AccountKey> all;
  for (Query q(data.db(), "SELECT ID FROM Accounts"); q.hasRow(); q.next()) all.push_back(q.int32(0));
  for (AccountKey key : all) UpdateCurrent(data, key);
}

}  // namespace reference

// The balance tables as stored: every row, each value with its storage class.
std::string Dump(store::Db& db) {
  std::string out;
  for (Query q(db, "SELECT ID, quote(TimeStamp), quote(Account), quote(Balance), quote(BalanceReconciled) FROM "
                   "MonthlyBalances ORDER BY ID");
       q.hasRow(); q.next()) {
    out += q.text(0) + " " + q.text(1) + " " + q.text(2) + " " + q.text(3) + " " + q.text(4) + "\n";
  }
  for (Query q(db, "SELECT ID, quote(AcctCurrentBal) FROM Accounts ORDER BY ID"); q.hasRow(); q.next()) {
    out += "account " + q.text(0) + " " + q.text(1) + "\n";
  }
  return out;
}

struct Book {
  explicit Book(const std::filesystem::path& file) {
    paths.dataDir = dir.path();
    paths.commonDataDir = dir.path();
    paths.templateFile = TALLYVANE_TEST_TEMPLATE;
    std::filesystem::copy_file(file, dir.path() / "tallyvane.vdb");
    data = std::make_unique<DataContext>(paths, tallyvane::testing::UsLocale());
    EXPECT_TRUE(data->OpenDataContext().ok);
    data->setClock(clock);
  }
  tallyvane::testing::TempDir dir;
  store::Paths paths;
  tallyvane::testing::FixedClock clock{store::DateTextToTime("2026-12-10", "12:00:00")};
  std::unique_ptr<DataContext> data;
};

// Money-moving steps, applied alike to both copies: adds this month and
// years back, a void, a delete, a date moved across months, reconciled rows
// and a changed starting balance.
void Change(DataContext& data, tallyvane::testing::RecordingPrompter& prompter,
            void (*rebalance)(DataContext&, AccountKey, const std::string&), void (*current)(DataContext&)) {
  auto add = [&](AccountKey account, const char* amount, const char* date) {
    EntryForm form = NewEntryForm(data, account);
    form.amountText = amount;
    form.date = date;
    const auto key = EnterTransaction(data, form, prompter).key;
    EXPECT_TRUE(key.has_value());
    return key.value_or(0);
  };
  add(1, "12.34", "2026-12-05");
  add(1, "99.99", "2021-12-05");
  add(3, "7", "2019-02-28");
  EXPECT_TRUE(VoidTransaction(data, 101));
  EXPECT_TRUE(DeleteTransaction(data, 202));
  EXPECT_TRUE(data.db().exec("UPDATE Transactions SET Reconciled = 1 WHERE ID % 53 = 0"));
  EXPECT_TRUE(data.db().exec("UPDATE Accounts SET AcctStartingBal = '150000' WHERE ID = 2"));
  for (AccountKey account = 1; account <= 6; ++account) rebalance(data, account, "2017-01-01");
  current(data);
}

TEST(BalanceEquivalence, AggregatesStoreWhatTheRowByRowWalkStored) {
  tallyvane::testing::ScopedTimeZone zone("America/New_York");
  tallyvane::testing::TempDir source;
  ASSERT_TRUE(bench::WriteBook(source.path(), TALLYVANE_TEST_TEMPLATE, 30000));
  const auto file = source.path() / "tallyvane.vdb";

  Book program(file);
  Book earlier(file);
  // The book as generated comes from the program's code; rebuilt by the
  // earlier code it must not change by a byte.
  const std::string generated = Dump(program.data->db());
  reference::Rebuild(*earlier.data);
  ASSERT_EQ(Dump(earlier.data->db()), generated);

  // Running balances of rows across accounts, months and shared dates.
  for (TransactionKey key = 1; key <= 30000; key += 89) {
    EXPECT_EQ(TransactionRunningBalance(*program.data, key), reference::RunningBalance(*earlier.data, key)) << key;
  }

  // A register fill looks its payee names up together; each is the row's own.
  const auto month = RegisterRows(*program.data, 1, "2025-03-01", "2025-03-31", false);
  ASSERT_FALSE(month.empty());
  for (const RegisterRow& line : month) EXPECT_EQ(line.payeeText, TransactionPayeeText(*earlier.data, line.row)) << line.row.key;

  tallyvane::testing::RecordingPrompter prompter;
  Change(*program.data, prompter, RecomputeMonthlyBalances, UpdateAllCurrentBalances);
  Change(*earlier.data, prompter, reference::Recompute, [](DataContext& d) {
    std::vector<AccountKey> all;
    for (Query q(d.db(), "SELECT ID FROM Accounts"); q.hasRow(); q.next()) all.push_back(q.int32(0));
    for (AccountKey key : all) reference::UpdateCurrent(d, key);
  });
  EXPECT_EQ(Dump(program.data->db()), Dump(earlier.data->db()));
  EXPECT_EQ(AccountTotals(*program.data).items, AccountTotals(*earlier.data).items);
}

// A change to rows of some dates recomputes those months and moves the later
// ones by the difference; after every kind of change the cache must be what a
// full walk from the first row writes.
TEST(BalanceEquivalence, MovedLaterMonthsEqualAFullRebuildAfterEveryChange) {
  tallyvane::testing::ScopedTimeZone zone("America/New_York");
  tallyvane::testing::TempDir source;
  ASSERT_TRUE(bench::WriteBook(source.path(), TALLYVANE_TEST_TEMPLATE, 6000));
  Book book(source.path() / "tallyvane.vdb");
  DataContext& data = *book.data;
  auto fields = [&](AccountKey account, long long amount, const char* date) {
    TransactionFields f;
    f.account = account;
    f.amount = Money(amount);
    f.date = date;
    f.payee = 3;
    return f;
  };
  // The first differing line only: the dumps run to hundreds of lines.
  auto expectRebuilt = [&](const char* step) {
    UpdateAllCurrentBalances(data);
    const std::string incremental = Dump(data.db());
    reference::Rebuild(data);
    const std::string rebuilt = Dump(data.db());
    std::size_t at = 0;
    while (at < incremental.size() && at < rebuilt.size() && incremental[at] == rebuilt[at]) ++at;
    const std::size_t line = incremental.rfind('\n', at == 0 ? 0 : at - 1);
    const std::size_t start = line == std::string::npos ? 0 : line + 1;
    EXPECT_EQ(incremental.substr(start, 60), rebuilt.substr(start, 60)) << step;
  };
  const auto oldRow = AddTransactionAndRebalance(data, fields(1, -4321, "2018-03-07"));
  ASSERT_TRUE(oldRow);
  expectRebuilt("add years back");
  ASSERT_TRUE(AddTransactionAndRebalance(data, fields(1, 999, "2026-11-30")));
  expectRebuilt("add in the latest month");
  ASSERT_TRUE(AddTransactionAndRebalance(data, fields(2, 500, "2017-01-01")));
  expectRebuilt("add on another account's first day");
  ASSERT_TRUE(EditTransaction(data, *oldRow, fields(1, -4321, "2021-07-15")));
  expectRebuilt("date moved three years on");
  ASSERT_TRUE(EditTransaction(data, *oldRow, fields(1, 70000, "2019-01-02")));
  expectRebuilt("amount and date back");
  ASSERT_TRUE(EditTransaction(data, *oldRow, fields(4, 70000, "2019-01-02")));
  expectRebuilt("moved to another account");
  ASSERT_TRUE(SetTransactionAmount(data, 40, Money(-1)));
  expectRebuilt("amount set in place");
  ASSERT_TRUE(VoidTransaction(data, 77));
  expectRebuilt("void");
  ASSERT_TRUE(DeleteTransaction(data, 1234));
  expectRebuilt("delete");
  ASSERT_TRUE(data.db().exec("UPDATE Transactions SET Reconciled = 1 WHERE ID = 555"));
  RebalanceDay(data, 1, store::QueryFirstText(data.db(), "SELECT TransactionDate FROM Transactions WHERE ID = 555"));
  expectRebuilt("reconciled flag");
  {
    RebalanceBatch batch(data);
    ASSERT_TRUE(AddTransactionAndRebalance(data, fields(1, 100, "2017-02-01")));
    ASSERT_TRUE(AddTransactionAndRebalance(data, fields(1, -250, "2024-06-30")));
    ASSERT_TRUE(DeleteTransaction(data, 2000));
  }
  expectRebuilt("a batch over years");
  // A later month held twice (as an old file may) is left to the full walk.
  ASSERT_TRUE(data.db().exec("INSERT INTO MonthlyBalances (TimeStamp, Account, Balance, BalanceReconciled) SELECT "
                             "TimeStamp, Account, Balance, BalanceReconciled FROM MonthlyBalances WHERE Account = 1 "
                             "ORDER BY TimeStamp DESC LIMIT 1"));
  ASSERT_TRUE(AddTransactionAndRebalance(data, fields(1, -77, "2020-05-05")));
  expectRebuilt("a later month held twice");
}

}  // namespace
}  // namespace tallyvane::ledger
