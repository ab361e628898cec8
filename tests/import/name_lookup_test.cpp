// Every lookup by name that an import or a form makes on its way to a write
// reads an index, never the whole table: the statements SQLite actually runs
// are recorded and each one's query plan is read back.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <set>

#include "import/csv_import.h"
#include "import/import_review.h"
#include "ledger/ledger_fixture.h"
#include "planning/budgets.h"
#include "planning/securities.h"

namespace tallyvane::ledger {
namespace {

// The name columns and their tables.
struct NameColumn {
  const char* comparison;
  const char* table;
};
constexpr NameColumn kNameColumns[] = {{"PayName =", "PayAccounts"},
                                       {"PayCategory =", "Categories"},
                                       {"AcctName =", "Accounts"},
                                       {"SecurityName =", "Securities"},
                                       {"BudgetName =", "Budgets"}};

class StatementLog {
 public:
  explicit StatementLog(store::Db& db) : db_(db) {
    sqlite3_trace_v2(db_.handle(), SQLITE_TRACE_STMT, &StatementLog::Trace, this);
  }
  ~StatementLog() { stop(); }
  void stop() { sqlite3_trace_v2(db_.handle(), 0, nullptr, nullptr); }
  const std::set<std::string>& statements() const { return statements_; }

 private:
  static int Trace(unsigned, void* self, void* statement, void*) {
    char* sql = sqlite3_expanded_sql(static_cast<sqlite3_stmt*>(statement));
    if (sql != nullptr) {
      const std::string text(sql);
      for (const NameColumn& column : kNameColumns) {
        if (text.find(column.comparison) != std::string::npos && text.rfind("SELECT", 0) == 0) {
          static_cast<StatementLog*>(self)->statements_.insert(text);
        }
      }
      sqlite3_free(sql);
    }
    return 0;
  }

  store::Db& db_;
  std::set<std::string> statements_;
};

std::string Plan(store::Db& db, const std::string& sql) {
  std::string text;
  for (store::Query q(db, "EXPLAIN QUERY PLAN " + sql); q.hasRow(); q.next()) text += q.text(3) + "; ";
  return text;
}

std::filesystem::path Write(const tallyvane::testing::TempDir& dir, const std::string& name, const std::string& text) {
  const auto path = dir / name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

TEST_F(LedgerTest, NameLookupsOnTheWayToAWriteReadAnIndex) {
  tallyvane::testing::TempDir dir;
  StatementLog log(db());

  // CSV: payees old and new, categories plain, with a parent and new.
  const auto bank = Write(dir, "bank.csv",
                          "Date,Payee,Amount,Category\r\n"
                          "2026-11-03,Grocer,-12.50,Food | Groceries\r\n"
                          "2026-11-04,Grocer,-2.50,Food | Snacks\r\n"
                          "2026-11-05,Employer,900.00,Salary\r\n"
                          "2026-11-06,Vet,-40.00,Pets\r\n");
  import::CsvMapping mapping;
  mapping.columns = {2, 0, 1, std::nullopt, 3, std::nullopt};
  ASSERT_EQ(import::ImportCsvFile(data(), kChecking, bank, mapping, prompter_).imported, 4u);

  // A statement through the review, with a category chosen by its full name.
  const std::string statement =
      "<OFX><BANKMSGSRSV1><STMTTRNRS><STMTRS><BANKTRANLIST>\r\n"
      "<STMTTRN><DTPOSTED>20261201<TRNAMT>-7.00<FITID>1<NAME>Corner Shop</STMTTRN>\r\n"
      "<STMTTRN><DTPOSTED>20261202<TRNAMT>-8.00<FITID>2<NAME>Grocer</STMTTRN>\r\n"
      "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\r\n";
  auto review = import::ImportReview::Open(data(), kChecking, statement, prompter_);
  ASSERT_EQ(review.rows().size(), 2u);
  review.rows()[0].category = "Food | Groceries";
  store::NullProgress progress;
  ASSERT_TRUE(review.commit(progress, prompter_).ok);

  // Securities by name from an investment CSV; accounts and budgets by name.
  AccountValues values;
  values.name = "Broker";
  values.type = kInvestmentAccountType;
  const auto broker = AddAccount(data(), values);
  ASSERT_TRUE(broker);
  const auto trades = Write(dir, "trades.csv", "10.00,2026-11-03,Buy,ACME\r\n20.00,2026-11-04,Buy,NEWCO\r\n");
  import::CsvMapping investment;
  investment.columns = {0, 1, 2, 3};
  investment.linesToSkip = 0;
  ASSERT_EQ(import::ImportCsvFile(data(), *broker, trades, investment, prompter_).imported, 2u);
  EXPECT_TRUE(FindAccountByName(data(), "Broker"));
  EXPECT_FALSE(planning::BudgetNameExists(data(), "Household", std::nullopt));
  log.stop();

  std::set<std::string> seen;
  for (const std::string& sql : log.statements()) {
    for (const NameColumn& column : kNameColumns) {
      if (sql.find(column.comparison) == std::string::npos) continue;
      seen.insert(column.table);
      const std::string plan = Plan(db(), sql);
      EXPECT_EQ(plan.find(std::string("SCAN ") + column.table), std::string::npos) << sql << "\n" << plan;
      EXPECT_NE(plan.find("INDEX Tv"), std::string::npos) << sql << "\n" << plan;
    }
  }
  EXPECT_EQ(seen, (std::set<std::string>{"Accounts", "Budgets", "Categories", "PayAccounts", "Securities"}));
  // The lookups still compare exactly: a name in another case is another name.
  EXPECT_EQ(FindPayeeId(data(), "grocer", false), -1);
  EXPECT_GT(FindPayeeId(data(), "Grocer", false), 0);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM PayAccounts WHERE PayName = 'Grocer'"), 1);
}

}  // namespace
}  // namespace tallyvane::ledger
