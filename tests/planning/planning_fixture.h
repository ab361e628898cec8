// The ledger fixture (template data file, 10 December 2026 noon New York)
// with a snapshot of the tables planning writes, for the all-or-nothing checks.
#pragma once

#include <string>

#include "ledger/ledger_fixture.h"
#include "store/record.h"

namespace tallyvane::planning {

using ledger::AccountKey;
using ledger::TransactionKey;
using ledger::TransactionType;
using store::Money;

class PlanningTest : public ledger::LedgerTest {
 protected:
  static constexpr AccountKey kChecking = ledger::LedgerTest::kChecking;
  static constexpr AccountKey kSavings = ledger::LedgerTest::kSavings;
  static constexpr AccountKey kCard = ledger::LedgerTest::kCard;

  std::string Snapshot() {
    std::string text;
    for (const char* table : {"Transactions", "SplitTransactions", "Accounts", "MonthlyBalances", "PayAccounts",
                              "ScheduledTransactions", "Investments", "ScheduledInvestments", "Budgets",
                              "BudgetAccounts", "BudgetCategories", "Securities"}) {
      store::Query q(db(), store::FormatSql("SELECT * FROM %s ORDER BY ID", {table}));
      for (; q.hasRow(); q.next()) {
        for (int c = 0; c < q.columnCount(); ++c) text += q.string(c) + "|";
        text += "\n";
      }
    }
    return text;
  }

  void Fault(const std::string& trigger) {
    ASSERT_TRUE(db().exec("CREATE TRIGGER Fault " + trigger + " BEGIN SELECT RAISE(ABORT, 'injected'); END"));
  }

  std::string LastReconciled(AccountKey account) {
    return Text(store::FormatSql("SELECT LastReconciled FROM Accounts WHERE ID = %d", {account}));
  }

  AccountKey AddInvestmentAccount(const std::string& name, int64_t starting) {
    ledger::AccountValues values;
    values.name = name;
    values.type = ledger::kInvestmentAccountType;
    values.starting = Money(starting);
    return ledger::AddAccount(data(), values).value_or(0);
  }
};

}  // namespace tallyvane::planning
