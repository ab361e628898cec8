// A data file from the template with a fixed clock (10 December 2026, noon,
// New York time) and helpers that enter rows the way the form does.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ledger/accounts.h"
#include "ledger/balances.h"
#include "ledger/categories.h"
#include "ledger/entry.h"
#include "ledger/payees.h"
#include "ledger/register.h"
#include "ledger/search.h"
#include "ledger/transactions.h"
#include "store/dates.h"
#include "store/record.h"
#include "store/text.h"
#include "support/test_support.h"

namespace tallyvane::ledger {

class LedgerTest : public ::testing::Test {
 protected:
  LedgerTest() : zone_("America/New_York"), clock_(store::DateTextToTime("2026-12-10", "12:00:00")) {
    data().setClock(clock_);
  }

  DataContext& data() { return test_.context(); }
  store::Db& db() { return test_.db(); }

  // The template's accounts: 1 Checking (asset), 2 Savings, 3 Credit Card (liability).
  static constexpr AccountKey kChecking = 1;
  static constexpr AccountKey kSavings = 2;
  static constexpr AccountKey kCard = 3;

  TransactionKey Add(AccountKey account, const std::string& amount, const std::string& date,
                     TransactionType type = TransactionType::Purchase, const std::string& payee = {},
                     const std::string& category = {}, AccountKey to = 0) {
    EntryForm form;
    form.account = account;
    form.amountText = amount;
    form.date = date;
    form.type = type;
    form.payee = payee;
    form.category = category;
    form.transferAccount = to;
    if (type == TransactionType::Check && form.number.empty()) form.number = NextCheck(account);
    const EntryResult result = EnterTransaction(data(), form, prompter_);
    EXPECT_TRUE(result.status.ok) << result.status.message;
    return result.key.value_or(0);
  }

  std::string NextCheck(AccountKey account) {
    return std::to_string(100 + store::ParseInt32Prefix(store::QueryFirstText(
                                    db(), store::FormatSql("SELECT COUNT(*) FROM Transactions WHERE Account = %d", {account}))));
  }

  TransactionRow Row(TransactionKey key) { return LoadTransaction(db(), key).value_or(TransactionRow{}); }

  std::string Text(const std::string& sql) { return store::QueryFirstText(db(), sql); }
  int64_t Number(const std::string& sql) { return store::ParseInt64Prefix(Text(sql)); }

  // Cached (balance, reconciled) of a month; -1 when no row.
  std::pair<int64_t, int64_t> Cache(AccountKey account, int year, int month) {
    store::Query q(db(), store::FormatSql("SELECT Balance, BalanceReconciled FROM MonthlyBalances WHERE Account = %d "
                                          "AND TimeStamp = %d",
                                          {account, store::MonthKey(year, month)}));
    if (!q.hasRow()) return {-1, -1};
    return {q.int64(0), q.int64(1)};
  }

  void SetStarting(AccountKey account, int64_t minor) {
    ASSERT_TRUE(db().exec(store::FormatSql("UPDATE Accounts SET AcctStartingBal = '%lld' WHERE ID = %d", {static_cast<long long>(minor), account})));
  }

  int BudgetWith(const std::string& name, CategoryKey category, int64_t amount, AccountKey account = kChecking) {
    const int budget = static_cast<int>(Number("SELECT COALESCE(MAX(ID), 0) + 1 FROM Budgets"));
    EXPECT_TRUE(db().exec(store::FormatSql("INSERT INTO Budgets VALUES (%d, '%Q', 1, 0)", {budget, name})));
    EXPECT_TRUE(db().exec(store::FormatSql("INSERT INTO BudgetCategories (BudgetID, CategoryID, Amount) VALUES (%d, %d, %lld)",
                                           {budget, category, static_cast<long long>(amount)})));
    EXPECT_TRUE(db().exec(store::FormatSql("INSERT INTO BudgetAccounts (BudgetID, AccountID) VALUES (%d, %d)", {budget, account})));
    return budget;
  }

  tallyvane::testing::ScopedTimeZone zone_;
  tallyvane::testing::TestData test_;
  tallyvane::testing::FixedClock clock_;
  tallyvane::testing::RecordingPrompter prompter_;
};

}  // namespace tallyvane::ledger
