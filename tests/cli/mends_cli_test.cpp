// Command-line behaviour a new user meets first: the payee's remembered
// category, scripted answers shown in the log, money in the review's lists.
#include <gtest/gtest.h>

#include "cli_runner.h"

namespace tallyvane::cli {
namespace {

using testing::CliResult;
using testing::CliRunner;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(CliPayeeCategory, ChosenPayeeBringsItsCategoryAndAGivenOneWins) {
  CliRunner cli;
  ASSERT_EQ(cli.run({"txn", "add", "--account", "Checking Account", "--payee", "Corner Shop", "--amount", "3.00",
                     "--category", "Food", "--subcategory", "Groceries", "--date", "2026-11-02"})
                .status,
            0);
  // No category given: the payee's remembered one is used and kept.
  const CliResult bare = cli.run({"txn", "add", "--account", "Checking Account", "--payee", "Corner Shop", "--amount",
                                  "5.00", "--date", "2026-11-03"});
  ASSERT_EQ(bare.status, 0) << bare.err;
  EXPECT_TRUE(Has(cli.run({"--json", "txn", "show", "2"}).out, "\"category_text\":\"Food | Groceries\""));
  const CliResult payees = cli.run({"--json", "payee", "list"});
  EXPECT_TRUE(Has(payees.out, "\"name\":\"Corner Shop\",\"notes\":\"\",\"category\":\"Food | Groceries\"")) << payees.out;

  // A category given wins over the remembered one, and is remembered next.
  ASSERT_EQ(cli.run({"txn", "add", "--account", "Checking Account", "--payee", "Corner Shop", "--amount", "7.00",
                     "--category", "Miscellaneous", "--date", "2026-11-04"})
                .status,
            0);
  EXPECT_TRUE(Has(cli.run({"--json", "txn", "show", "3"}).out, "\"category_text\":\"Miscellaneous\""));
  ASSERT_EQ(cli.run({"schedule", "add", "--account", "Checking Account", "--type", "Purchase", "--payee", "Corner Shop",
                     "--amount", "9", "--next", "2026-12-20", "--no-end"})
                .status,
            0);
  EXPECT_TRUE(Has(cli.run({"--json", "schedule", "list"}).out, "\"category\":\"Miscellaneous\""));
}

TEST(CliQuestions, ScriptedAnswersAreShownWithTheAnswerTaken) {
  struct Case {
    const char* name;
    std::vector<std::string> options;
    int status;
    const char* answer;
  };
  const Case cases[] = {
      {"unanswered", {}, 1, "-> Cancel\n"},
      {"--answer", {"--answer", "Delete"}, 0, "-> Delete\n"},
      {"--yes", {"--yes"}, 0, "-> Delete\n"},
      {"unknown answer", {"--answer", "Maybe"}, 1, "-> Cancel\n"},
  };
  for (const Case& c : cases) {
    CliRunner cli;
    ASSERT_EQ(cli.run({"txn", "add", "--account", "Checking Account", "--amount", "1", "--date", "2026-11-02"}).status, 0);
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"txn", "delete", "1"});
    const CliResult r = cli.run(args);
    EXPECT_EQ(r.status, c.status) << c.name << ": " << r.err;
    EXPECT_TRUE(Has(r.err,
                    "Delete Transactions: Are you sure that you would like to delete the selected transactions?\n"
                    "[Delete] [Cancel]\n"))
        << c.name << ": " << r.err;
    EXPECT_TRUE(Has(r.err, c.answer)) << c.name << ": " << r.err;
  }
}

TEST(CliImportReview, ExistingRowsGiveMoneyAsMinorUnitsBesideTheText) {
  CliRunner cli;
  ASSERT_EQ(cli.run({"txn", "add", "--account", "Checking Account", "--amount", "12.50", "--date", "2020-01-05"}).status, 0);
  ASSERT_EQ(cli.run({"txn", "add", "--account", "Checking Account", "--type", "Deposit", "--amount", "40", "--date",
                     "2020-01-06"})
                .status,
            0);
  const auto path = cli.file(
      "bank.ofx",
      "OFXHEADER:100\r\nDATA:OFXSGML\r\n\r\n<OFX><BANKMSGSRSV1><STMTTRNRS><STMTRS><BANKTRANLIST>\r\n"
      "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>20200105<TRNAMT>-3.00<FITID>1<NAME>Grocer</STMTTRN>\r\n"
      "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\r\n");
  const CliResult r = cli.run({"--json", "import", "ofx", "Checking Account", path.string(), "--dry-run"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "\"payment\":1250,\"payment_text\":\"$12.50\",\"deposit\":null,\"deposit_text\":\"\"")) << r.out;
  EXPECT_TRUE(Has(r.out, "\"payment\":null,\"payment_text\":\"\",\"deposit\":4000,\"deposit_text\":\"$40.00\"")) << r.out;
}

}  // namespace
}  // namespace tallyvane::cli
