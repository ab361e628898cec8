#include "book.h"

#include <string>

#include "ledger/balances.h"
#include "store/data_context.h"
#include "store/sql_format.h"

namespace tallyvane::bench {

bool WriteBook(const std::filesystem::path& dir, const std::filesystem::path& templateFile, int64_t count,
               const std::string& reconciledBefore) {
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  const auto file = dir / "tallyvane.vdb";
  std::filesystem::remove(file, error);
  if (!std::filesystem::copy_file(templateFile, file, error)) return false;
  store::Paths paths;
  paths.dataDir = dir;
  paths.commonDataDir = dir;
  paths.templateFile = templateFile;
  store::DataContext data(paths, store::SystemLocale{});
  if (!data.OpenDataContext()) return false;
  store::Db& db = data.db();
  const long long n = count;
  // Account boundaries as shares of the rows.
  const long long a1 = n * 40 / 100;
  const long long a2 = n * 60 / 100;
  const long long a3 = n * 75 / 100;
  const long long a4 = n * 83 / 100;
  const long long a5 = n * 90 / 100;
  bool ok = db.exec("BEGIN");
  ok = ok && db.exec("INSERT INTO Accounts (ID, AcctName, AcctStartingBal, AcctCurrentBal, AcctCurrentCheckNum, AcctType, "
                     "LastReconciled, Deleted, EnableOnlineAccess) VALUES (4, 'Cash', 0, 0, 0, 5, '0', 0, 2), "
                     "(5, 'House', 0, 0, 0, 6, '0', 0, 2), (6, 'Loan', 0, 0, 0, 7, '0', 0, 2)");
  ok = ok && db.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500) "
                     "INSERT INTO PayAccounts (ID, PayName, Notes, Category, Deleted) SELECT i, 'Payee ' || i, '', 0, 0 "
                     "FROM n");
  ok = ok && db.exec(store::FormatSql(
                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %lld) "
                 "INSERT INTO Transactions SELECT i, "
                 "CASE WHEN i <= %lld THEN 1 WHEN i <= %lld THEN 2 WHEN i <= %lld THEN 3 WHEN i <= %lld THEN 4 "
                 "WHEN i <= %lld THEN 5 ELSE 6 END, "
                 "CASE WHEN i %% 10 = 0 THEN 250000 ELSE -((i * 7919) %% 20000) END, 1 + i %% 500, 0, 0, '', "
                 "'Note ' || i, 20 + i %% 20, date('2017-01-01', '+' || ((i * 3629) %% 3630) || ' days'), '', 2, '', "
                 "0, 0, CASE WHEN i %% 997 = 0 THEN 1 ELSE 0 END, CASE WHEN i %% 10 = 0 THEN 0 ELSE 4 END, 0, "
                 "CASE WHEN i %% 100 = 7 THEN 1 ELSE 0 END FROM n",
                 {n, a1, a2, a3, a4, a5}));
  ok = ok && db.exec("INSERT INTO SplitTransactions (TransactionID, Amount, Category, Note, Deleted) "
                     "SELECT ID, Amount / 2, 20, '', 0 FROM Transactions WHERE SplitTransaction = 1 UNION ALL "
                     "SELECT ID, Amount - Amount / 2, 21, '', 0 FROM Transactions WHERE SplitTransaction = 1");
  if (!reconciledBefore.empty()) {
    ok = ok && db.exec(store::FormatSql("UPDATE Transactions SET Cleared = 1, Reconciled = 1 WHERE TransactionDate < '%Q'",
                                        {reconciledBefore}));
    ok = ok && db.exec(store::FormatSql("UPDATE Accounts SET LastReconciled = '%Q' WHERE ID <= 6", {reconciledBefore}));
  }
  ok = ok && db.exec("INSERT INTO Budgets VALUES (1, 'Household', 0, 0)");
  ok = ok && db.exec("INSERT INTO BudgetAccounts (BudgetID, AccountID) VALUES (1, 1), (1, 2)");
  ok = ok && db.exec("INSERT INTO BudgetCategories (BudgetID, CategoryID, Amount) VALUES (1, 20, 50000), "
                     "(1, 21, 20000), (1, 23, 150000), (1, 2, 400000)");
  ok = ok && db.exec("UPDATE RecordKeys SET NextKey = '7' WHERE ListName = 'Accounts'");
  ok = ok && db.exec("INSERT OR REPLACE INTO RecordKeys (ListName, NextKey) VALUES ('PayAccounts', '501')");
  ok = ok && db.exec(store::FormatSql("INSERT INTO RecordKeys (ListName, NextKey) VALUES ('Transactions', '%lld')", {n + 1}));
  ok = ok && db.exec("COMMIT");
  if (!ok) return false;
  ledger::RebuildAllMonthlyBalances(data);
  ledger::UpdateAllCurrentBalances(data);
  return true;
}

const std::filesystem::path& SharedBook(const char* name, const std::filesystem::path& templateFile, int64_t count) {
  static const std::filesystem::path dir = [&] {
    const auto folder = std::filesystem::temp_directory_path() / name;
    if (!std::filesystem::exists(folder / "tallyvane.vdb")) WriteBook(folder, templateFile, count);
    return folder;
  }();
  return dir;
}

}  // namespace tallyvane::bench
