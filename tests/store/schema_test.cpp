#include "store/schema.h"

#include <gtest/gtest.h>

#include "store/db.h"
#include "store/record.h"
#include "support/test_support.h"

namespace tallyvane::store {
namespace {

using tallyvane::testing::TempDir;

void Make(const std::filesystem::path& path, const std::string& sql) {
  Db db;
  ASSERT_TRUE(db.open(path.string()).ok);
  ASSERT_TRUE(db.exec(sql)) << db.lastError();
}

TEST(ReadSchema, ParsesColumnsKeepingParenthesesQuotesAndSpacing) {
  const auto columns = ParseCreateColumns(
      "CREATE TABLE T (ID INTEGER PRIMARY KEY, Name VARCHAR(255), Kind TEXT DEFAULT 'a,b(c)', "
      "Price NUMERIC(10, 2) NOT NULL,\n\tLast  TEXT )");
  ASSERT_EQ(columns.size(), 5u);
  EXPECT_EQ(columns[0].name, "ID");
  EXPECT_EQ(columns[0].type, "INTEGER PRIMARY KEY");
  EXPECT_EQ(columns[1].type, "VARCHAR(255)");
  EXPECT_EQ(columns[2].type, "TEXT DEFAULT 'a,b(c)'");
  EXPECT_EQ(columns[3].type, "NUMERIC(10, 2) NOT NULL");
  EXPECT_EQ(columns[4].name, "Last");
  EXPECT_EQ(columns[4].type, "TEXT ");
}

TEST(ReadSchema, ListsTablesInReverseOrderAndFailsForMissingFile) {
  TempDir dir;
  Make(dir / "a.vdb", "CREATE TABLE First (ID INTEGER); CREATE TABLE Second (ID INTEGER)");
  const auto tables = ReadSchema(dir / "a.vdb");
  ASSERT_EQ(tables.size(), 2u);
  EXPECT_EQ(tables[0].name, "Second");
  EXPECT_EQ(tables[1].name, "First");
  EXPECT_TRUE(ReadSchema(dir / "missing.vdb").empty());
}

TEST(UpgradeSchema, EqualSchemasExecuteNothing) {
  TempDir dir;
  const std::string sql = "CREATE TABLE Accounts (ID INTEGER PRIMARY KEY, AcctName TEXT)";
  Make(dir / "template.vdb", sql);
  Make(dir / "data.vdb", sql);
  std::vector<std::string> applied;
  EXPECT_TRUE(UpgradeSchema(dir / "template.vdb", dir / "data.vdb", &applied));
  EXPECT_TRUE(applied.empty());
}

TEST(UpgradeSchema, AddsMissingTablesAndColumnsVerbatim) {
  TempDir dir;
  Make(dir / "template.vdb",
       "CREATE TABLE Accounts (ID INTEGER PRIMARY KEY, AcctName TEXT, RoutingNumber VARCHAR(255), "
       "Flag INTEGER DEFAULT '0'); CREATE TABLE Budgets (ID INTEGER PRIMARY KEY, BudgetName TEXT)");
  Make(dir / "data.vdb", "CREATE TABLE accounts (id INTEGER PRIMARY KEY, acctname TEXT, Extra TEXT)");
  {
    Db db;
    ASSERT_TRUE(db.open((dir / "data.vdb").string()).ok);
    ASSERT_TRUE(db.exec("INSERT INTO accounts VALUES (1, 'kept', 'x')"));
  }
  std::vector<std::string> applied;
  ASSERT_TRUE(UpgradeSchema(dir / "template.vdb", dir / "data.vdb", &applied));
  // Template tables are visited in the schema list's (reversed) order.
  const std::vector<std::string> expected = {
      "CREATE TABLE Budgets (ID INTEGER PRIMARY KEY, BudgetName TEXT)",
      "ALTER TABLE Accounts ADD COLUMN RoutingNumber VARCHAR(255)",
      "ALTER TABLE Accounts ADD COLUMN Flag INTEGER DEFAULT '0'",
  };
  EXPECT_EQ(applied, expected);

  Db db;
  ASSERT_TRUE(db.open((dir / "data.vdb").string()).ok);
  Query q(db, "SELECT acctname, Extra, RoutingNumber, Flag FROM accounts");
  EXPECT_EQ(q.text(0), "kept");
  EXPECT_EQ(q.text(1), "x");
  EXPECT_EQ(q.text(3), "0");
  // Running again finds nothing more to do.
  applied.clear();
  ASSERT_TRUE(UpgradeSchema(dir / "template.vdb", dir / "data.vdb", &applied));
  EXPECT_TRUE(applied.empty());
}

TEST(UpgradeSchema, StopsAtFirstFailureKeepingEarlierStatements) {
  TempDir dir;
  Make(dir / "template.vdb",
       "CREATE TABLE T (ID INTEGER, A TEXT, B INTEGER PRIMARY KEY, C TEXT)");
  Make(dir / "data.vdb", "CREATE TABLE T (ID INTEGER)");
  std::vector<std::string> applied;
  // A PRIMARY KEY column cannot be added: A stays added, C is never tried.
  EXPECT_FALSE(UpgradeSchema(dir / "template.vdb", dir / "data.vdb", &applied));
  ASSERT_EQ(applied.size(), 2u);
  const auto tables = ReadSchema(dir / "data.vdb");
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0].columns.size(), 2u);
}

TEST(UpgradeSchema, MissingFilesFail) {
  TempDir dir;
  Make(dir / "template.vdb", "CREATE TABLE T (ID INTEGER)");
  EXPECT_FALSE(UpgradeSchema(dir / "template.vdb", dir / "missing.vdb"));
  EXPECT_FALSE(UpgradeSchema(dir / "missing.vdb", dir / "template.vdb"));
  EXPECT_FALSE(ApplyStatement(dir / "missing.vdb", "CREATE TABLE X (A)"));
  EXPECT_FALSE(std::filesystem::exists(dir / "missing.vdb"));
}

TEST(UpgradeSchema, ShippedTemplateUpgradesAnOlderDataFile) {
  TempDir dir;
  Make(dir / "old.vdb", "CREATE TABLE Accounts (ID INTEGER PRIMARY KEY, AcctName TEXT, Deleted INTEGER)");
  ASSERT_TRUE(UpgradeSchema(tallyvane::testing::TemplatePath(), dir / "old.vdb"));
  std::vector<std::string> applied;
  ASSERT_TRUE(UpgradeSchema(tallyvane::testing::TemplatePath(), dir / "old.vdb", &applied));
  EXPECT_TRUE(applied.empty());
  for (const SchemaTable& table : ReadSchema(dir / "old.vdb")) {
    if (table.name == "Accounts") {
      EXPECT_EQ(table.columns.size(), 17u);
    }
  }
}

}  // namespace
}  // namespace tallyvane::store
