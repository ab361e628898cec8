#include "store/data_context.h"

#include <sqlite3.h>

#include <array>
#include <chrono>
#include <thread>

#include "store/files.h"
#include "store/record.h"
#include "store/settings.h"

namespace tallyvane::store {

namespace {

constexpr std::array<std::string_view, 6> kAccountProtectedColumns = {
    "AcctDescription", "AcctNotes", "FinancialInstitution", "RoutingNumber", "AcctNumber", "AcctUserID"};
constexpr std::array<std::string_view, 4> kInstitutionProtectedColumns = {"FIName", "FIId", "FIOrg", "FIUrl"};

// The by-name indexes. Each holds the name alone: rows of one name then sit
// in the index in key order, so a lookup that takes the first row of a name
// ("at any level", or live or not) finds the row the table order gives, as
// without the index. The comparisons they serve are exact (BINARY), as the
// lookups are; the few rows of one name are then checked for Deleted and
// Parent.
constexpr std::array<std::string_view, 5> kNameIndexes = {
    "CREATE INDEX IF NOT EXISTS TvPayeesByName ON PayAccounts (PayName)",
    "CREATE INDEX IF NOT EXISTS TvCategoriesByName ON Categories (PayCategory)",
    "CREATE INDEX IF NOT EXISTS TvAccountsByName ON Accounts (AcctName)",
    "CREATE INDEX IF NOT EXISTS TvSecuritiesByName ON Securities (SecurityName)",
    "CREATE INDEX IF NOT EXISTS TvBudgetsByName ON Budgets (BudgetName)",
};

// Every ledger query filters Deleted = 0, so it stands in the index before the
// date: ranges and first/last dates are then read in index order.
constexpr std::array<std::string_view, 18> kLookupIndexes = {
    // Earlier indexes of ours without the Deleted column.
    "DROP INDEX IF EXISTS TvTransactionsByAccountDate",
    "DROP INDEX IF EXISTS TvTransactionsByPayeeDate",
    "DROP INDEX IF EXISTS TvTransactionsByCategoryDate",
    "CREATE INDEX IF NOT EXISTS TvTransactionsByAccountLive ON Transactions (Account, Deleted, TransactionDate)",
    "CREATE INDEX IF NOT EXISTS TvTransactionsByPayeeLive ON Transactions (PayAccount, Deleted, TransactionDate)",
    "CREATE INDEX IF NOT EXISTS TvTransactionsByCategoryLive ON Transactions (Category, Deleted, TransactionDate)",
    // Balances sum an account's amounts over a span of dates; with every
    // column they read in the index, the sums never visit the rows.
    "CREATE INDEX IF NOT EXISTS TvTransactionsBalances ON Transactions (Account, Deleted, TransactionDate, Void, "
    "Amount, Reconciled)",
    "CREATE INDEX IF NOT EXISTS TvTransactionsByReference ON Transactions (ReferencedID)",
    // The import review's list of an account's uncleared rows, filtered by
    // the flag as the record layer reads it (NULL or empty is 0).
    "CREATE INDEX IF NOT EXISTS TvTransactionsUncleared ON Transactions (Account, Deleted, "
    "IFNULL(CAST(Cleared AS INTEGER), 0), TransactionDate)",
    "CREATE INDEX IF NOT EXISTS TvInvestmentsByAccountLive ON Investments (Account, Deleted, TransactionDate)",
    "CREATE INDEX IF NOT EXISTS TvSplitsByParent ON SplitTransactions (TransactionID)",
    "CREATE INDEX IF NOT EXISTS TvMonthlyBalancesByAccountMonth ON MonthlyBalances (Account, TimeStamp)",
    "CREATE INDEX IF NOT EXISTS TvRecordKeysByName ON RecordKeys (ListName)",
    // Names are looked up exactly (case and all) on every write that names a
    // payee, category, account, security or budget: without these each
    // lookup reads the whole table, and an import of new names grows with
    // the square of its length. The same indexes stand in the template, so
    // only files made before them are changed here, once.
    kNameIndexes[0],
    kNameIndexes[1],
    kNameIndexes[2],
    kNameIndexes[3],
    kNameIndexes[4],
};

// Copies `from` to `to` through a temporary file beside `to`, so `to` either
// appears whole or not at all.
bool CopyWhole(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::error_code ec;
  const std::filesystem::path temp = to.string() + ".part";
  std::filesystem::remove(temp, ec);
  if (!std::filesystem::copy_file(from, temp, std::filesystem::copy_options::overwrite_existing, ec)) {
    std::filesystem::remove(temp, ec);
    return false;
  }
  std::filesystem::permissions(temp, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::replace, ec);
  std::filesystem::rename(temp, to, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    return false;
  }
  return true;
}

}  // namespace

void EnsureLookupIndexes(Db& db) {
  // An index on a table the file does not have fails harmlessly.
  for (std::string_view sql : kLookupIndexes) {
    sqlite3_exec(db.handle(), std::string(sql).c_str(), nullptr, nullptr, nullptr);
  }
}

Status DataContext::OpenDataContext(std::string_view name) {
  db_.close();
  const std::filesystem::path file = paths_.namedDatabase(name);
  if (Status opened = db_.open(file.string()); !opened) return opened;

  // sqlite3_open reads nothing; ask for the schema to find a damaged file now
  // rather than have every later read answer "no row".
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db_.handle(), "SELECT COUNT(*) FROM sqlite_master", -1, &stmt, nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) rc = SQLITE_OK;
  }
  std::string detail = sqlite3_errmsg(db_.handle());
  sqlite3_finalize(stmt);
  if (rc != SQLITE_OK) {
    db_.close();
    return Status::FileError("The data file " + file.string() + " cannot be read: " + detail + ".");
  }
  if (sqlite3_db_readonly(db_.handle(), "main") == 1) {
    db_.close();
    return Status::FileError("The data file " + file.string() + " is read-only; Tallyvane needs to write to it.");
  }
  EnsureLookupIndexes(db_);
  regional_ = InitRegionalSettings(db_, locale_);
  return Status::Ok();
}

void DataContext::reloadRegionalSettings() { regional_ = InitRegionalSettings(db_, locale_); }

void MigrateProtectedFields(Db& db, std::string_view tableName) {
  const bool accounts = tableName == "Accounts";
  Table table(db, std::string(tableName));
  Record record;
  for (Cursor cursor(table, record); !cursor.done(); cursor.next()) {
    if (accounts) {
      for (std::string_view column : kAccountProtectedColumns) static_cast<void>(record.GetProtected(column));
    } else {
      for (std::string_view column : kInstitutionProtectedColumns) static_cast<void>(record.GetProtected(column));
    }
  }
}

ProvisionResult ProvisionDataFileAtStartup(const Paths& paths, Settings& settings) {
  ProvisionResult result;
  result.templatePath = paths.templateFile;
  if (Status made = EnsureDataDir(paths); !made) {
    result.status = made;
    return result;
  }
  const std::filesystem::path dataFile = paths.dataFile();
  std::error_code ec;
  if (!std::filesystem::exists(dataFile, ec)) {
    if (!std::filesystem::is_regular_file(paths.templateFile, ec)) {
      result.outcome = ProvisionOutcome::TemplateMissing;
    } else if (CopyWhole(paths.templateFile, dataFile)) {
      result.outcome = ProvisionOutcome::Copied;
    } else {
      result.outcome = ProvisionOutcome::CopyFailed;
    }
  }

  if (settings.readInt("Settings", "UpdatePack", 0) < 4 && std::filesystem::exists(dataFile, ec)) {
    Db db;
    if (db.open(dataFile.string())) {
      WriteGuard guard(db);
      MigrateProtectedFields(db, "Accounts");
      MigrateProtectedFields(db, "FinancialInstitutions");
      // Counted done only once the rewrite reached the file.
      if (guard.commit()) settings.writeInt("Settings", "UpdatePack", 4);
    }
  }
  return result;
}

bool IsDataFile(const Paths& paths, const std::filesystem::path& folder) {
  const std::filesystem::path source = folder / kDataFileName;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(source, ec)) return false;
  // A file another program is reading or writing right now is no safe source.
  if (IsLockedByAnotherProcess(source)) return false;
  const std::filesystem::path copy = paths.restoreTestCopy();
  if (!EnsureDataDir(paths)) return false;
  std::filesystem::remove(copy, ec);
  // Through SQLite rather than byte by byte: a file that is no database, or
  // that a writer holds locked, fails here.
  std::string error;
  if (!SnapshotDatabase(source, copy, 0, error)) return false;

  bool isDataFile = false;
  {
    Db db;
    if (db.open(copy.string())) {
      Query query(db, "SELECT ID, AccountTypeName, Asset FROM AccountTypes WHERE (Asset = 0) OR (Asset = 1)");
      isDataFile = query.hasRow();
    }
  }
  // Retry the removal for up to a second, as another process may hold it.
  for (int waited = 0; std::filesystem::exists(copy, ec) && waited <= 1000; waited += 50) {
    if (std::filesystem::remove(copy, ec)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return isDataFile;
}

}  // namespace tallyvane::store
