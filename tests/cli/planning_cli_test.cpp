// Drives the planning commands of tallyvane-cli end to end: reconcile,
// schedule, budget, security, invest and invest-schedule.
#include <gtest/gtest.h>

#include "cli_runner.h"
#include "support/test_support.h"

namespace tallyvane::cli {
namespace {

using Result = testing::CliResult;

class PlanningCliTest : public ::testing::Test {
 protected:
  Result Run(const std::vector<std::string>& args) { return cli_.run(args); }

  // Runs a command that must succeed and returns what it printed.
  std::string Ok(const std::vector<std::string>& args) {
    const Result r = Run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  }

  static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

  testing::CliRunner cli_;
};

TEST_F(PlanningCliTest, ReconcileShowThenFinishWithABalancingEntry) {
  Ok({"account", "edit", "Checking Account", "--starting", "500"});
  EXPECT_EQ(Ok({"txn", "add", "--account", "Checking Account", "--amount", "120", "--date", "2026-11-05"}), "1\n");
  EXPECT_EQ(Ok({"txn", "add", "--account", "Checking Account", "--amount", "80", "--type", "Deposit", "--date",
                "2026-11-20"}),
            "2\n");

  const std::string shown = Ok({"--json", "reconcile", "show", "Checking Account", "--statement-date", "2026-11-30"});
  EXPECT_TRUE(Has(shown, "\"opening_date\":\"2026-11-05\",\"opening_balance\":50000")) << shown;
  EXPECT_TRUE(Has(shown, "{\"id\":1,\"split\":false,\"cleared\":false,\"date\":\"2026-11-05\"")) << shown;
  EXPECT_TRUE(Has(shown, "\"deposit\":8000")) << shown;
  // Showing writes nothing.
  EXPECT_TRUE(Has(Ok({"--json", "account", "show", "Checking Account"}), "\"last_reconciled\":\"0\""));

  const std::vector<std::string> finish = {"--json", "reconcile", "finish", "Checking Account", "--statement-date",
                                           "2026-11-30", "--closing", "470", "--tick", "1", "--tick", "2"};
  // Unanswered, the question takes its cancelling button.
  const Result cancelled = Run(finish);
  EXPECT_EQ(cancelled.status, 1);
  EXPECT_TRUE(Has(cancelled.out, "\"outcome\":\"cancelled\"")) << cancelled.out;
  EXPECT_TRUE(Has(cancelled.err, "Reconcile Transactions: The Closing Balance does not match")) << cancelled.err;

  std::vector<std::string> answered = {"--answer", "Reconcile"};
  answered.insert(answered.end(), finish.begin(), finish.end());
  const std::string done = Ok(answered);
  EXPECT_TRUE(Has(done, "\"reconciled_balance\":46000")) << done;
  EXPECT_TRUE(Has(done, "\"difference\":1000")) << done;
  EXPECT_TRUE(Has(done, "\"outcome\":\"reconciled\",\"balancing_entry\":3")) << done;
  const std::string entry = Ok({"--json", "txn", "show", "3"});
  EXPECT_TRUE(Has(entry, "\"amount\":1000")) << entry;
  EXPECT_TRUE(Has(entry, "\"note\":\"Balancing entry for reconciliation\"")) << entry;
  EXPECT_TRUE(Has(Ok({"--json", "txn", "show", "1"}), "\"cleared\":true,\"reconciled\":true"));
  EXPECT_TRUE(Has(Ok({"--json", "account", "show", "Checking Account"}), "\"last_reconciled\":\"2026-11-30\""));

  // A key that is not offered is a usage error and starts nothing.
  const Result wrong = Run({"reconcile", "finish", "Savings Account", "--statement-date", "2026-11-30", "--closing",
                            "0", "--tick", "1"});
  EXPECT_EQ(wrong.status, 2);
  EXPECT_TRUE(Has(Ok({"--json", "account", "show", "Savings Account"}), "\"last_reconciled\":\"0\""));
}

TEST_F(PlanningCliTest, SchedulesPostWithCheckNumbersAndRefuseWideAmounts) {
  const Result wide = Run({"schedule", "add", "--account", "Checking Account", "--amount", "21474836.48", "--type",
                           "Purchase", "--next", "2026-12-01", "--no-end"});
  EXPECT_EQ(wide.status, 1);
  EXPECT_EQ(wide.err, "The amount of a scheduled transaction must not exceed $21,474,836.47.\n");

  Ok({"account", "edit", "Checking Account", "--check-number", "98"});
  EXPECT_EQ(Ok({"schedule", "add", "--account", "Checking Account", "--amount", "75", "--type", "Check", "--payee",
                "Water Works", "--category", "Bills | Water", "--next", "2026-12-01", "--no-end", "--every", "1",
                "--unit", "Months", "--remind"}),
            "1\n");
  EXPECT_EQ(Ok({"--json", "schedule", "due"}),
            "{\"due\":true,\"text\":\"There are scheduled transactions waiting for your attention.\"}\n");
  EXPECT_EQ(Ok({"schedule", "post", "1"}), "1\n");
  const std::string posted = Ok({"--json", "txn", "show", "1"});
  EXPECT_TRUE(Has(posted, "\"number\":\"99\"")) << posted;
  EXPECT_TRUE(Has(posted, "\"date\":\"2026-12-01\"")) << posted;
  EXPECT_TRUE(Has(posted, "\"amount\":-7500")) << posted;
  const std::string list = Ok({"--json", "schedule", "list"});
  EXPECT_TRUE(Has(list, "\"payee\":\"Water Works\",\"category\":\"Bills | Water\",\"payment\":7500")) << list;
  EXPECT_TRUE(Has(list, "\"next\":\"2027-01-01\"")) << list;
  EXPECT_EQ(Ok({"--json", "schedule", "due"}), "{\"due\":false,\"text\":\"\"}\n");
}

TEST_F(PlanningCliTest, InvestmentsValueTheAccountOnThePanel) {
  Ok({"account", "add", "--name", "Broker", "--type", "Investment", "--starting", "1000"});
  Ok({"invest", "add", "--account", "Broker", "--action", "Buy", "--shares", "10", "--price", "25", "--commission",
      "9.95", "--security", "Acme", "--date", "2026-11-02"});
  Ok({"invest", "add", "--account", "Broker", "--action", "Sell", "--shares", "4", "--price", "30", "--total", "120",
      "--security", "Acme", "--date", "2026-11-20"});
  EXPECT_TRUE(Has(Ok({"balances"}), "Broker: $1,139.95\n"));
  EXPECT_TRUE(Has(Ok({"--json", "account", "list"}), "\"balance\":113995,\"balance_text\":\"$1,139.95\""));
  const std::string reg = Ok({"--json", "invest", "register", "Broker"});
  EXPECT_TRUE(Has(reg, "\"shares_running\":6")) << reg;
  EXPECT_TRUE(Has(reg, "\"value\":25000")) << reg;

  const Result negative = Run({"invest", "add", "--account", "Broker", "--action", "Buy", "--shares", "-1"});
  EXPECT_EQ(negative.status, 1);
  EXPECT_EQ(negative.err, "Number of Shares should be positive.\n");

  EXPECT_EQ(Ok({"invest-schedule", "add", "--account", "Broker", "--action", "Buy", "--security", "Acme", "--shares",
                "10", "--price", "25", "--commission", "9.95", "--next", "2026-12-01", "--no-end", "--every", "1",
                "--unit", "Months"}),
            "1\n");
  EXPECT_EQ(Ok({"invest-schedule", "post", "1"}), "3\n");
  EXPECT_TRUE(Has(Ok({"--json", "invest-schedule", "list"}), "\"cost\":25995,"));
  EXPECT_TRUE(Has(Ok({"balances"}), "Broker: $1,399.90\n"));
}

TEST_F(PlanningCliTest, BudgetsAndSecuritiesByName) {
  EXPECT_EQ(Ok({"budget", "add", "--name", "Home", "--account", "Checking Account", "--amount",
                "Food | Groceries=400", "--amount", "Income | Salary=3000", "--warn"}),
            "1\n");
  const std::string shown = Ok({"budget", "show", "Home"});
  EXPECT_TRUE(Has(shown, "\"warn\":true,\"accounts\":[1]")) << shown;
  EXPECT_TRUE(Has(shown, "\"income_total\":300000")) << shown;
  const Result same = Run({"budget", "rename", "Home", "Home"});
  EXPECT_EQ(same.status, 1);
  EXPECT_EQ(same.err, "Rename budget: Budget name already exists. Please enter a different budget name.\n");
  Ok({"budget", "edit", "Home", "--clear", "Food | Groceries"});
  EXPECT_TRUE(Has(Ok({"budget", "show", "Home"}), "\"expense_total\":0"));

  Ok({"security", "add", "--name", "Acme", "--symbol", "ACM", "--price", "12.50"});
  Ok({"security", "add", "--name", "Bolt"});
  const Result duplicate = Run({"security", "edit", "Bolt", "--name", "Acme"});
  EXPECT_EQ(duplicate.status, 1);
  EXPECT_EQ(duplicate.err, "A security with this name already exists.\n");
  EXPECT_EQ(Run({"security", "delete", "Bolt"}).status, 1);  // the question declined
  EXPECT_EQ(Ok({"--answer", "Delete", "security", "delete", "Bolt"}), "");
  EXPECT_EQ(Ok({"--json", "security", "list"}),
            "[{\"id\":1,\"name\":\"Acme\",\"symbol\":\"ACM\",\"price\":1250,\"price_text\":\"$12.50\"}]\n");
}

}  // namespace
}  // namespace tallyvane::cli
