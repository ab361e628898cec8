#include "store/data_context.h"

#include <gtest/gtest.h>

#include <fstream>

#include "store/protect.h"
#include "store/record.h"
#include "store/settings.h"
#include "support/test_support.h"

namespace tallyvane::store {
namespace {

using tallyvane::testing::PathsIn;
using tallyvane::testing::TempDir;
using tallyvane::testing::TestData;
using tallyvane::testing::UsLocale;

int Count(Db& db, const std::string& sql) { return Query(db, sql).int32(0, -1); }

TEST(Template, HoldsTheRowsANewUserStartsWith) {
  TestData data;
  Db& db = data.db();
  EXPECT_EQ(QueryFirstText(db, "SELECT AccountTypeName FROM AccountTypes WHERE ID = 4"), "Investment");
  EXPECT_EQ(Count(db, "SELECT COUNT(*) FROM AccountTypes WHERE Asset NOT IN (0, 1)"), 0);
  EXPECT_EQ(Count(db, "SELECT COUNT(*) FROM AccountTypes WHERE Asset = 0 AND AccountTypeName IN ('Credit Card', 'Liability')"), 2);
  for (const char* name : {"Checking Account", "Savings Account", "Credit Card"}) {
    EXPECT_EQ(Count(db, FormatSql("SELECT COUNT(*) FROM Accounts WHERE AcctName = '%Q' AND Deleted = 0", {name})), 1)
        << name;
  }
  // Every shipped table's counter stands above its highest key.
  for (const char* table : {"Accounts", "AccountTypes", "Categories"}) {
    const int next = Count(db, FormatSql("SELECT NextKey FROM RecordKeys WHERE ListName = '%s'", {table}));
    const int highest = Count(db, FormatSql("SELECT MAX(ID) FROM %s", {table}));
    EXPECT_GT(next, highest) << table;
  }
  // Two levels: every subcategory's parent is a top-level header of the same kind.
  EXPECT_EQ(Count(db, "SELECT COUNT(*) FROM Categories c JOIN Categories p ON c.Parent = p.ID "
                      "WHERE p.Header != 1 OR p.Parent != 0 OR p.Expense != c.Expense"),
            0);
  EXPECT_GT(Count(db, "SELECT COUNT(*) FROM Categories WHERE Expense = 0"), 0);
  EXPECT_GT(Count(db, "SELECT COUNT(*) FROM Categories WHERE Expense = 1 AND Parent != 0"), 0);
}

TEST(Template, KeysCompareAsIntegersAndLookupsUseIndexes) {
  TestData data;
  Db& db = data.db();
  EXPECT_EQ(QueryFirstText(db, "SELECT AcctName FROM Accounts WHERE ID = '2'"), "Savings Account");
  EXPECT_EQ(QueryFirstText(db, "SELECT COUNT(*) FROM Accounts WHERE Deleted = 0"), "3");
  auto plan = [&](const std::string& sql) {
    Query q(db, "EXPLAIN QUERY PLAN " + sql);
    std::string text;
    for (; q.hasRow(); q.next()) text += q.text(3) + ";";
    return text;
  };
  EXPECT_NE(plan("SELECT * FROM Transactions WHERE ID = '5'").find("INTEGER PRIMARY KEY"), std::string::npos);
  EXPECT_NE(plan("SELECT * FROM Misc WHERE ID = 'Options'").find("INDEX"), std::string::npos);
  EXPECT_NE(plan("SELECT * FROM Transactions WHERE Account = 3 AND TransactionDate >= '2020-01-01'").find("INDEX"),
            std::string::npos);
  EXPECT_NE(plan("SELECT * FROM SplitTransactions WHERE TransactionID = 9").find("INDEX"), std::string::npos);
  EXPECT_NE(plan("SELECT * FROM MonthlyBalances WHERE Account = 1 AND TimeStamp = 24000").find("INDEX"),
            std::string::npos);
}

TEST(Provision, CopiesTemplateOnceThenLeavesTheFileAlone) {
  TempDir dir;
  Paths paths = PathsIn(dir.path());
  MemorySettings settings;
  ProvisionResult first = ProvisionDataFileAtStartup(paths, settings);
  ASSERT_TRUE(first.status.ok);
  EXPECT_EQ(first.outcome, ProvisionOutcome::Copied);
  EXPECT_EQ(settings.readInt("Settings", "UpdatePack"), 4);
  const auto stamp = std::filesystem::last_write_time(paths.dataFile());
  const auto size = std::filesystem::file_size(paths.dataFile());
  ProvisionResult second = ProvisionDataFileAtStartup(paths, settings);
  EXPECT_EQ(second.outcome, ProvisionOutcome::Existing);
  EXPECT_EQ(std::filesystem::last_write_time(paths.dataFile()), stamp);
  EXPECT_EQ(std::filesystem::file_size(paths.dataFile()), size);
  EXPECT_FALSE(std::filesystem::exists(paths.dataFile().string() + ".part"));
}

TEST(Provision, MissingTemplateOpensAnEmptyDatabaseWithDefaults) {
  TempDir dir;
  Paths paths = PathsIn(dir.path());
  paths.templateFile = dir / "nowhere.vdb";
  MemorySettings settings;
  ProvisionResult result = ProvisionDataFileAtStartup(paths, settings);
  ASSERT_TRUE(result.status.ok);
  EXPECT_EQ(result.outcome, ProvisionOutcome::TemplateMissing);
  EXPECT_EQ(result.templatePath, dir / "nowhere.vdb");
  EXPECT_FALSE(std::filesystem::exists(paths.dataFile()));
  DataContext context(paths, UsLocale());
  ASSERT_TRUE(context.OpenDataContext().ok);
  EXPECT_EQ(context.regional().currencySymbol, "$");
  EXPECT_EQ(context.regional().currencyDigits, 2);
}

TEST(Provision, UncreatableDataFolderFailsClearly) {
  TempDir dir;
  std::ofstream(dir / "file") << "x";
  Paths paths = PathsIn(dir.path());
  paths.dataDir = dir / "file" / "sub";
  MemorySettings settings;
  ProvisionResult result = ProvisionDataFileAtStartup(paths, settings);
  EXPECT_FALSE(result.status.ok);
  EXPECT_NE(result.status.message.find("could not be created"), std::string::npos);
}

TEST(Provision, MigrationRewritesPlainProtectedColumnsOnce) {
  TempDir dir;
  Paths paths = PathsIn(dir.path());
  ASSERT_TRUE(EnsureDataDir(paths).ok);
  std::filesystem::copy_file(paths.templateFile, paths.dataFile());
  const std::string protectedNotes = "." + protectText(kDefaultProtectionKey, "already");
  {
    Db db;
    ASSERT_TRUE(db.open(paths.dataFile().string()).ok);
    ASSERT_TRUE(db.exec("UPDATE Accounts SET AcctDescription = 'plain desc', AcctNumber = '12345' WHERE ID = 1"));
    ASSERT_TRUE(db.exec(FormatSql("UPDATE Accounts SET AcctNotes = '%Q' WHERE ID = 2", {protectedNotes})));
    ASSERT_TRUE(db.exec("UPDATE Accounts SET Deleted = 1, RoutingNumber = 'r-plain' WHERE ID = 3"));
    ASSERT_TRUE(db.exec("INSERT INTO FinancialInstitutions (ID, FIName, FIId, FIOrg, FIUrl, Deleted) VALUES "
                        "(1, 'Bank', '', '', 'https://ofx.example', 0)"));
    // Saving row 2 would trip this trigger: it must not be written.
    ASSERT_TRUE(db.exec("CREATE TABLE Saves (ID INTEGER); CREATE TRIGGER Watch AFTER UPDATE ON Accounts "
                        "BEGIN INSERT INTO Saves VALUES (NEW.ID); END"));
  }
  MemorySettings settings;
  ASSERT_EQ(ProvisionDataFileAtStartup(paths, settings).outcome, ProvisionOutcome::Existing);

  Db db;
  ASSERT_TRUE(db.open(paths.dataFile().string()).ok);
  Table accounts(db, "Accounts");
  Record r;
  ASSERT_TRUE(LoadRecord(accounts, r, "1"));
  EXPECT_EQ(r.GetString("AcctDescription").front(), '.');
  EXPECT_EQ(r.GetProtected("AcctDescription"), "plain desc");
  EXPECT_EQ(r.GetProtected("AcctNumber"), "12345");
  ASSERT_TRUE(LoadRecord(accounts, r, "3"));  // deleted rows too
  EXPECT_EQ(r.GetProtected("RoutingNumber"), "r-plain");
  EXPECT_EQ(r.GetString("RoutingNumber").front(), '.');
  ReleaseRecord(r);
  EXPECT_EQ(QueryFirstText(db, "SELECT FIUrl FROM FinancialInstitutions WHERE ID = 1").front(), '.');
  EXPECT_EQ(Count(db, "SELECT COUNT(*) FROM Saves WHERE ID = 2"), 0);
  EXPECT_EQ(QueryFirstText(db, "SELECT AcctNotes FROM Accounts WHERE ID = 2"), protectedNotes);

  // With UpdatePack at 4 a later start touches nothing.
  ASSERT_TRUE(db.exec("UPDATE Accounts SET AcctDescription = 'plain again' WHERE ID = 1"));
  db.close();
  EXPECT_EQ(ProvisionDataFileAtStartup(paths, settings).outcome, ProvisionOutcome::Existing);
  ASSERT_TRUE(db.open(paths.dataFile().string()).ok);
  EXPECT_EQ(QueryFirstText(db, "SELECT AcctDescription FROM Accounts WHERE ID = 1"), "plain again");
}

TEST(OpenDataContext, DamagedFileIsRefusedWithAMessage) {
  TempDir dir;
  Paths paths = PathsIn(dir.path());
  ASSERT_TRUE(EnsureDataDir(paths).ok);
  std::ofstream(paths.dataFile(), std::ios::binary) << std::string(4096, '\x5a');
  DataContext context(paths, UsLocale());
  const Status opened = context.OpenDataContext();
  EXPECT_FALSE(opened.ok);
  EXPECT_TRUE(opened.fileError);
  EXPECT_NE(opened.message.find("cannot be read"), std::string::npos);
  EXPECT_FALSE(context.db().isOpen());
}

// A data file made before the by-name indexes (the template's tables alone,
// with rows) gains them at its first open, once, with its rows untouched.
TEST(OpenDataContext, FileMadeBeforeTheNameIndexesGainsThemOnce) {
  TempDir dir;
  Paths paths = PathsIn(dir.path());
  ASSERT_TRUE(EnsureDataDir(paths).ok);
  const char* const names[] = {"TvPayeesByName", "TvCategoriesByName", "TvAccountsByName", "TvSecuritiesByName",
                               "TvBudgetsByName"};
  {
    Db old;
    ASSERT_TRUE(old.open(paths.dataFile().string()).ok);
    Db source;
    ASSERT_TRUE(source.open(TALLYVANE_TEST_TEMPLATE).ok);
    std::vector<std::string> tables;
    for (Query q(source, "SELECT sql FROM sqlite_master WHERE type = 'table'"); q.hasRow(); q.next()) {
      tables.push_back(q.string(0));
    }
    for (const std::string& sql : tables) ASSERT_TRUE(old.exec(sql)) << sql << ": " << old.lastError();
    ASSERT_TRUE(old.exec("INSERT INTO PayAccounts VALUES (1, 'Grocer', '', 0, 1), (2, 'Grocer', '', 7, 0), "
                         "(3, 'grocer', '', 0, 0)"));
    ASSERT_TRUE(old.exec("INSERT INTO Categories VALUES (1, 'Food', 1, 0, 0, '', 1, 0), "
                         "(2, 'Groceries', 0, 1, 0, '', 1, 0), (3, 'Groceries', 0, 0, 0, '', 1, 0)"));
    EXPECT_EQ(Count(old, "SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND name LIKE 'Tv%'"), 0);
  }
  auto plan = [](Db& db, const std::string& sql) {
    std::string text;
    for (Query q(db, "EXPLAIN QUERY PLAN " + sql); q.hasRow(); q.next()) text += q.text(3) + ";";
    return text;
  };
  for (int open = 0; open < 2; ++open) {
    DataContext context(paths, UsLocale());
    ASSERT_TRUE(context.OpenDataContext().ok);
    Db& db = context.db();
    for (const char* name : names) {
      EXPECT_EQ(Count(db, FormatSql("SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND name = '%s'", {name})),
                1)
          << name;
    }
    EXPECT_NE(plan(db, "SELECT ID FROM PayAccounts WHERE PayName = 'Grocer' AND Deleted = 0").find("TvPayeesByName"),
              std::string::npos);
    EXPECT_NE(plan(db, "SELECT ID FROM Categories WHERE PayCategory = 'Groceries' and Parent = 1 AND Deleted = 0")
                  .find("TvCategoriesByName (PayCategory=?)"),
              std::string::npos);
    // The same rows answer as before: exact names, and of several rows of
    // one name the first in table order (a subcategory before a later top
    // level one, a deleted payee before a later live one).
    EXPECT_EQ(QueryFirstText(db, "SELECT ID FROM PayAccounts WHERE PayName = 'Grocer' AND Deleted = 0"), "2");
    EXPECT_EQ(QueryFirstText(db, "SELECT ID FROM PayAccounts WHERE PayName = 'Grocer'"), "1");
    EXPECT_EQ(QueryFirstText(db, "SELECT ID FROM Categories WHERE PayCategory = 'Groceries' AND Deleted = 0"), "2");
    EXPECT_EQ(QueryFirstText(db, "SELECT ID FROM Categories WHERE PayCategory = 'Groceries' and Parent = 1 AND "
                                 "Deleted = 0"),
              "2");
  }
}

TEST(OpenDataContext, NamedDatabasesLiveInTheDataFolder) {
  TempDir dir;
  Paths paths = PathsIn(dir.path());
  EXPECT_EQ(paths.namedDatabase("tallyVANE"), paths.dataFile());
  EXPECT_EQ(paths.namedDatabase("Other"), paths.dataDir / "Other.vdb");
  EXPECT_EQ(paths.restoreTestCopy(), paths.dataDir / "Tallyvane_TestRestore.vdb");
}

TEST(IsDataFile, AcceptsADataFileAndRemovesTheTestCopy) {
  TestData data;
  TempDir backup;
  std::filesystem::copy_file(data.paths().dataFile(), backup / "tallyvane.vdb");
  EXPECT_TRUE(IsDataFile(data.paths(), backup.path()));
  EXPECT_FALSE(std::filesystem::exists(data.paths().restoreTestCopy()));

  TempDir other;
  {
    Db db;
    ASSERT_TRUE(db.open((other / "tallyvane.vdb").string()).ok);
    ASSERT_TRUE(db.exec("CREATE TABLE AccountTypes (ID INTEGER, AccountTypeName TEXT, Asset INTEGER)"));
  }
  EXPECT_FALSE(IsDataFile(data.paths(), other.path()));
  TempDir empty;
  EXPECT_FALSE(IsDataFile(data.paths(), empty.path()));
  std::ofstream(empty / "tallyvane.vdb") << "not a database";
  EXPECT_FALSE(IsDataFile(data.paths(), empty.path()));
  EXPECT_FALSE(std::filesystem::exists(data.paths().restoreTestCopy()));
}

TEST(Paths, OverridesKeepEverythingAwayFromHome) {
  PathOverrides overrides{"/tmp/tv-data", "/tmp/tv-config"};
  const Paths paths = ResolvePaths(overrides, "/opt/tallyvane/bin/tallyvane-cli");
  EXPECT_EQ(paths.dataFile(), std::filesystem::path("/tmp/tv-data/tallyvane.vdb"));
  EXPECT_EQ(paths.settingsFile, std::filesystem::path("/tmp/tv-config/Tallyvane.conf"));
  EXPECT_EQ(paths.templateFile, std::filesystem::path("/opt/tallyvane/share/tallyvane/tallyvane-0.vdb"));
}

}  // namespace
}  // namespace tallyvane::store
