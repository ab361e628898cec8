// Drives the report, journal and mail commands of tallyvane-cli end to end,
// mail through the loopback SMTP sink.
#include <gtest/gtest.h>

#include "cli_runner.h"
#include "reports/smtp_sink.h"
#include "store/db.h"
#include "store/record.h"
#include "support/test_support.h"

namespace tallyvane::cli {
namespace {

using tallyvane::testing::TempDir;

using Result = testing::CliResult;
using testing::ReadFile;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class ReportsCliTest : public ::testing::Test {
 protected:
  ReportsCliTest() { cli_.setEnv("TZ=America/New_York"); }

  Result Run(const std::vector<std::string>& args) { return cli_.run(args); }

  void Ok(const std::vector<std::string>& args) {
    const Result r = Run(args);
    ASSERT_EQ(r.status, 0) << r.err;
  }

  // November 2026 in checking: salary, two grocery purchases, one dining.
  void SetUp() override {
    Ok({"txn", "add", "--account", "Checking Account", "--amount", "2500", "--type", "Deposit", "--date",
        "2026-11-01", "--payee", "Employer", "--category", "Income | Salary"});
    Ok({"txn", "add", "--account", "Checking Account", "--amount", "1,234.50", "--date", "2026-11-03", "--payee",
        "Market", "--category", "Food | Groceries"});
    Ok({"txn", "add", "--account", "Checking Account", "--amount", "20", "--date", "2026-11-04", "--payee", "Diner",
        "--category", "Food | Dining Out"});
    Ok({"txn", "add", "--account", "Checking Account", "--amount", "7.25", "--date", "2026-11-05", "--payee",
        "Market", "--category", "Food | Groceries"});
  }

  const std::vector<std::string> kNovember = {"--from", "2026-11-01", "--to", "2026-11-30"};

  std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }

  testing::CliRunner cli_;
  TempDir work_;
};

TEST_F(ReportsCliTest, ReportsAsTextCsvJsonAndPdf) {
  const Result text = Run(With({"report", "category"}, kNovember));
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out.substr(0, text.out.find("\n\n")),
            "Income/Expenses Report By Category\nPeriod: 11/01/2026 to 11/30/2026");
  EXPECT_TRUE(Has(text.out, "               Income | Salary")) << text.out;
  EXPECT_TRUE(Has(text.out, "$1,241.75")) << text.out;

  const Result csv = Run(With({"report", "category", "--format", "csv"}, kNovember));
  ASSERT_EQ(csv.status, 0) << csv.err;
  EXPECT_TRUE(Has(csv.out, "\"Category\",\"Expense\",\"Income\"\r\n\"Income\",\"\"\r\n")) << csv.out;
  EXPECT_TRUE(Has(csv.out, "\"Food | Groceries\",\"$1 241.75\",\"\"\r\n")) << csv.out;

  const Result json = Run(With({"--json", "report", "payee"}, kNovember));
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(json.out.rfind("{\"title\":\"Expense Report By Payee\",\"period\":\"Period: 11/01/2026 to 11/30/2026\","
                           "\"columns\":[{\"title\":\"Payee\",\"width\":20,\"align\":\"left\",\"stretch\":true},",
                           0),
            0u)
      << json.out;
  EXPECT_TRUE(Has(json.out, "{\"kind\":0,\"indent\":5,\"cells\":[{\"text\":\"Market\",\"style\":0},{\"text\":\"\","
                            "\"style\":0},{\"text\":\"$1,241.75\",\"style\":0}]}"))
      << json.out;
  EXPECT_TRUE(Has(json.out, "\"row_count\":3}")) << json.out;

  const std::string pdf = (work_ / "activity.pdf").string();
  const Result saved = Run(With({"report", "activity", "Checking Account", "--format", "pdf", "--out", pdf}, kNovember));
  ASSERT_EQ(saved.status, 0) << saved.err;
  EXPECT_EQ(ReadFile(pdf).substr(0, 8), "%PDF-1.4");

  const std::string out = (work_ / "report.txt").string();
  ASSERT_EQ(Run(With({"report", "payee", "--expand-by-accounts", "--out", out}, kNovember)).status, 0);
  EXPECT_TRUE(Has(ReadFile(out), "Checking Account")) << ReadFile(out);
}

TEST_F(ReportsCliTest, RefusalsAndUsageErrors) {
  const Result empty = Run({"report", "category", "--from", "2020-01-01", "--to", "2020-01-31"});
  EXPECT_EQ(empty.status, 1);
  EXPECT_EQ(empty.err, "Reports: There is no information available for this report.\n");
  EXPECT_TRUE(empty.out.empty());

  const Result backwards = Run({"report", "category", "--from", "2026-11-30", "--to", "2026-11-01"});
  EXPECT_EQ(backwards.status, 1);
  EXPECT_TRUE(Has(backwards.err, "Invalid End Date")) << backwards.err;

  EXPECT_EQ(Run(With({"report", "category", "--format", "pdf"}, kNovember)).status, 2);
  EXPECT_EQ(Run(With({"report", "category", "--format", "xml"}, kNovember)).status, 2);
  EXPECT_EQ(Run({"report", "category", "--period", "Next Week"}).status, 2);
  EXPECT_EQ(Run(With({"report", "activity", "No Such Account"}, kNovember)).status, 2);
}

TEST_F(ReportsCliTest, BudgetReportWithTheDialogChecks) {
  const Result none = Run({"report", "budget", "Household", "--monthly", "11", "--year", "2026"});
  EXPECT_EQ(none.status, 1);
  EXPECT_TRUE(Has(none.err, "There are no budgets set up at this time.  Would you like to create a new budget?"))
      << none.err;
  {
    store::Db db;
    ASSERT_TRUE(db.open(cli_.dataFile().string()).ok);
    ASSERT_TRUE(db.exec("INSERT INTO Budgets VALUES (1, 'Household', 0, 0)"));
    ASSERT_TRUE(db.exec("INSERT INTO BudgetAccounts (BudgetID, AccountID) VALUES (1, 1)"));
    ASSERT_TRUE(db.exec("INSERT INTO BudgetCategories (BudgetID, CategoryID, Amount) SELECT 1, ID, 100000 FROM "
                        "Categories WHERE PayCategory = 'Groceries'"));
  }
  const Result monthly = Run({"report", "budget", "Household", "--monthly", "11", "--year", "2026"});
  ASSERT_EQ(monthly.status, 0) << monthly.err;
  EXPECT_TRUE(Has(monthly.out, "Household Report\nPeriod: 11/01/2026 to 11/30/2026")) << monthly.out;
  EXPECT_TRUE(Has(monthly.out, "Groceries")) << monthly.out;
  EXPECT_TRUE(Has(monthly.out, "$1,000.00")) << monthly.out;
  EXPECT_TRUE(Has(monthly.out, "$1,241.75")) << monthly.out;
  EXPECT_TRUE(Has(monthly.out, "-$241.75")) << monthly.out;

  const Result yearly = Run({"--json", "report", "budget", "#1", "--yearly", "--year", "2026", "--section", "expenses"});
  ASSERT_EQ(yearly.status, 0) << yearly.err;
  EXPECT_TRUE(Has(yearly.out, "{\"text\":\"$12,000.00\",\"style\":0}")) << yearly.out;
  EXPECT_TRUE(Has(yearly.out, "\"row_count\":1}")) << yearly.out;
  // No budgeted income: nothing to show.
  const Result income = Run({"report", "budget", "Household", "--yearly", "--year", "2026", "--section", "income"});
  EXPECT_EQ(income.status, 1);
  EXPECT_EQ(income.err, "Reports: There is no information available for this report.\n");

  const Result noYear = Run({"report", "budget", "Household", "--monthly", "11"});
  EXPECT_EQ(noYear.status, 1);
  EXPECT_TRUE(Has(noYear.err, "Select a valid year to run the report.")) << noYear.err;
  const Result noMonth = Run({"report", "budget", "Household", "--monthly", "", "--year", "2026"});
  EXPECT_EQ(noMonth.status, 1);
  EXPECT_TRUE(Has(noMonth.err, "Select a valid month to run the report.")) << noMonth.err;
  EXPECT_EQ(Run({"report", "budget", "Household", "--yearly", "--year", "1999"}).status, 2);
  EXPECT_EQ(Run({"report", "budget", "Nobody's", "--yearly", "--year", "2026"}).status, 2);
}

TEST_F(ReportsCliTest, JournalsListAndDeleteWithTheirQuestion) {
  const Result listed = Run(With({"--json", "journal", "category", "Food | Groceries"}, kNovember));
  ASSERT_EQ(listed.status, 0) << listed.err;
  EXPECT_TRUE(Has(listed.out, "\"id\":2,\"date\":\"2026-11-03\",\"number\":\"\",\"payee_or_note\":\"Market\","
                              "\"note_or_category\":\"\",\"payment\":123450,\"payment_text\":\"$1,234.50\","
                              "\"deposit\":null,\"deposit_text\":\"\"}"))
      << listed.out;
  const Result deposits = Run(With({"--json", "journal", "category", "Food | Groceries", "--deposits"}, kNovember));
  EXPECT_EQ(deposits.out, "[]\n");

  const Result payee = Run(With({"journal", "payee", "Market"}, kNovember));
  ASSERT_EQ(payee.status, 0) << payee.err;
  EXPECT_TRUE(Has(payee.out, "Transactions Report for Payee: Market\nPeriod: 11/01/2026 to 11/30/2026")) << payee.out;
  EXPECT_TRUE(Has(payee.out, "Food | Groceries")) << payee.out;
  EXPECT_TRUE(Has(payee.out, "\nID  Date ")) << payee.out;  // the key a script deletes by
  EXPECT_TRUE(Has(payee.out, "\n2   2026-11-03 ")) << payee.out;

  const Result declined = Run(With({"journal", "payee", "Market", "--delete", "2"}, kNovember));
  EXPECT_EQ(declined.status, 1);
  EXPECT_TRUE(Has(declined.err, "Are you sure that you would like to delete the selected transactions?"))
      << declined.err;
  const Result deleted = Run(With({"--yes", "journal", "payee", "Market", "--delete", "2"}, kNovember));
  ASSERT_EQ(deleted.status, 0) << deleted.err;
  const Result after = Run(With({"--json", "journal", "payee", "Market"}, kNovember));
  EXPECT_FALSE(Has(after.out, "\"id\":2,")) << after.out;
  EXPECT_TRUE(Has(after.out, "\"id\":4,")) << after.out;
  EXPECT_EQ(Run(With({"--yes", "journal", "payee", "Market", "--delete", "3"}, kNovember)).status, 2);
}

TEST_F(ReportsCliTest, MailSettingsAndSendingThroughTheSink) {
  tallyvane::testing::SmtpSink testSink({});
  ASSERT_EQ(Run({"mail", "set", "--server", "127.0.0.1", "--port", std::to_string(testSink.port()), "--security",
                 "none", "--user", "ann", "--password", "pa55word", "--from", "reports@tallyvane.example"})
                .status,
            0);
  const Result shown = Run({"--json", "mail", "show"});
  ASSERT_EQ(shown.status, 0) << shown.err;
  EXPECT_EQ(shown.out, "{\"server\":\"127.0.0.1\",\"port\":" + std::to_string(testSink.port()) +
                           ",\"security\":\"none\",\"user\":\"ann\",\"password_set\":true,\"from\":"
                           "\"reports@tallyvane.example\"}\n");
  EXPECT_FALSE(Has(ReadFile(cli_.configDir() / "Tallyvane.conf"), "pa55word"));
  EXPECT_EQ(Run({"mail", "set", "--security", "ssl"}).status, 2);

  const Result tested = Run({"mail", "test", "bob@example.org"});
  ASSERT_EQ(tested.status, 0) << tested.err;
  EXPECT_TRUE(Has(testSink.data, "Subject: Tallyvane test message")) << testSink.data;
}

TEST_F(ReportsCliTest, ReportByEmailCarriesThePdf) {
  tallyvane::testing::SmtpSink sink({});
  ASSERT_EQ(Run({"mail", "set", "--server", "127.0.0.1", "--port", std::to_string(sink.port()), "--security", "none",
                 "--from", "reports@tallyvane.example"})
                .status,
            0);
  const Result sent =
      Run(With({"report", "category", "--email", "ann@example.com", "--message", "For November."}, kNovember));
  ASSERT_EQ(sent.status, 0) << sent.err;
  EXPECT_TRUE(sent.out.empty());
  EXPECT_TRUE(Has(sink.data, "Subject: Income/Expenses Report By Category Period: 11/01/2026 to 11/30/2026\r\n"));
  EXPECT_TRUE(Has(sink.data, "For November.\r\n\r\nIncome/Expenses Report By Category")) << sink.data;
  EXPECT_TRUE(Has(sink.data, "Content-Type: application/pdf; name=\"Tallyvane")) << sink.data;

  const Result bad = Run(With({"report", "category", "--email", "not an address"}, kNovember));
  EXPECT_EQ(bad.status, 1);
  EXPECT_TRUE(Has(bad.err, "Please enter a valid email address")) << bad.err;
}

}  // namespace
}  // namespace tallyvane::cli
