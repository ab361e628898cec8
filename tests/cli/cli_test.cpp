// Drives the tallyvane-cli binary as a user or a script would.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cli_runner.h"
#include "store/db.h"
#include "store/record.h"
#include "support/test_support.h"

namespace tallyvane::cli {
namespace {

using tallyvane::testing::TempDir;

using Result = testing::CliResult;
using testing::ShellQuoted;

// Runs the tool with HOME pointed at an empty folder, so a test can check that
// nothing was written there.
class CliTest : public ::testing::Test {
 protected:
  Result Run(const std::vector<std::string>& args, const std::string& binary = TALLYVANE_TEST_CLI) {
    return cli_.runBare(args, binary);
  }

  std::vector<std::string> With(std::vector<std::string> args) {
    std::vector<std::string> full = {"--data-dir", data_.path().string() + "/d", "--config-dir",
                                     data_.path().string() + "/c"};
    full.insert(full.end(), args.begin(), args.end());
    return full;
  }

  std::filesystem::path DataFile() const { return data_.path() / "d" / "tallyvane.vdb"; }

  void ExpectHomeUntouched() { EXPECT_TRUE(std::filesystem::is_empty(cli_.home())); }

  testing::CliRunner cli_;
  TempDir data_;
  TempDir work_;
};

TEST_F(CliTest, InitCreatesTheDataFileOnceAndPrintsItsPath) {
  Result first = Run(With({"init"}));
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out, DataFile().string() + "\n");
  ASSERT_TRUE(std::filesystem::exists(DataFile()));
  const std::string bytes = testing::ReadFile(DataFile());

  Result second = Run(With({"init"}));
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(testing::ReadFile(DataFile()), bytes);
  EXPECT_EQ((std::filesystem::status(data_.path() / "d").permissions() & std::filesystem::perms::all),
            std::filesystem::perms::owner_all);
  ExpectHomeUntouched();
}

TEST_F(CliTest, EnvironmentVariablesPointTheFoldersElsewhere) {
  const std::string command = "HOME=" + ShellQuoted(cli_.home().string()) +
                              " TALLYVANE_DATA_DIR=" + ShellQuoted((data_ / "envdata").string()) +
                              " TALLYVANE_CONFIG_DIR=" + ShellQuoted((data_ / "envcfg").string()) + " " +
                              ShellQuoted(TALLYVANE_TEST_CLI) + " init >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_TRUE(std::filesystem::exists(data_ / "envdata" / "tallyvane.vdb"));
  EXPECT_TRUE(std::filesystem::exists(data_ / "envcfg" / "Tallyvane.conf"));
  ExpectHomeUntouched();
}

TEST_F(CliTest, OptionsSetAndShowRoundTrip) {
  Result set = Run(With({"options", "set", "currency-symbol=€", "currency-order=1", "decimal-symbol=,",
                         "thousands-symbol=.", "date-format=26.07.2000", "paper=Legal", "csv-bom=1",
                         "margin-sides=1.25", "check-antivirus=0"}));
  ASSERT_EQ(set.status, 0) << set.err;
  Result show = Run(With({"--json", "options", "show"}));
  ASSERT_EQ(show.status, 0) << show.err;
  EXPECT_EQ(show.out,
            "{\"currency-symbol\":\"€\",\"currency-name\":\"Dollars\",\"currency-order\":1,\"currency-digits\":2,"
            "\"decimal-symbol\":\",\",\"thousands-symbol\":\".\",\"date-format\":\"26.07.2000\",\"paper\":\"Legal\","
            "\"csv-bom\":1,\"margin-top-bottom\":0.75,\"margin-sides\":1.25,\"check-antivirus\":0}\n");
  ExpectHomeUntouched();
}

TEST_F(CliTest, DigitChangeAsksAndFollowsTheScriptedAnswer) {
  Result declined = Run(With({"options", "set", "currency-digits=3"}));
  EXPECT_EQ(declined.status, 1);
  EXPECT_NE(declined.err.find("Confirm Digit Change: Changing the currency digits will corrupt"), std::string::npos);
  EXPECT_NE(Run(With({"options", "show"})).out.find("currency-digits=2"), std::string::npos);

  Result accepted = Run(With({"--answer", "Change", "options", "set", "currency-digits=3"}));
  EXPECT_EQ(accepted.status, 0) << accepted.err;
  EXPECT_NE(Run(With({"options", "show"})).out.find("currency-digits=3"), std::string::npos);
  EXPECT_EQ(Run(With({"--yes", "options", "set", "currency-digits=0"})).status, 0);
  EXPECT_NE(Run(With({"options", "show"})).out.find("currency-digits=0"), std::string::npos);
}

TEST_F(CliTest, UsageErrorsExitTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"--bogus", "init"},
      {"nonsense"},
      {"options", "set", "paper=A5"},
      {"options", "set", "currency-digits=7"},
      {"options", "set", "unknown-key=1"},
      {"options", "set", "no-equals"},
      {"init", "--extra"},
      {"--data-dir"},
  };
  for (const auto& args : cases) {
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_EQ(Run(args.empty() || args[0] == "--data-dir" ? args : With(args)).status, 2) << joined;
  }
}

TEST_F(CliTest, DamagedDataFileExitsFourAndIsLeftAlone) {
  std::filesystem::create_directories(data_ / "d");
  const std::string junk(8192, '\x7f');
  std::ofstream(DataFile(), std::ios::binary) << junk;
  Result result = Run(With({"init"}));
  EXPECT_EQ(result.status, 4);
  EXPECT_NE(result.err.find("cannot be read"), std::string::npos) << result.err;
  EXPECT_EQ(testing::ReadFile(DataFile()), junk);
}

TEST_F(CliTest, UncreatableDataFolderExitsFour) {
  std::ofstream(data_ / "plainfile") << "x";
  Result result = Run({"--data-dir", (data_ / "plainfile" / "sub").string(), "--config-dir",
                       (data_ / "c").string(), "init"});
  EXPECT_EQ(result.status, 4);
  EXPECT_NE(result.err.find("could not be created"), std::string::npos) << result.err;
}

TEST_F(CliTest, MissingTemplateIsReportedWithWhereItLooked) {
  // A copy of the program with no share/ folder beside it.
  std::filesystem::create_directories(work_ / "lonely" / "bin");
  const auto binary = work_ / "lonely" / "bin" / "tallyvane-cli";
  std::filesystem::copy_file(TALLYVANE_TEST_CLI, binary);
  Result result = Run(With({"init"}), binary.string());
  EXPECT_EQ(result.status, 0) << result.err;
  const std::string expected = (work_ / "lonely" / "share" / "tallyvane" / "tallyvane-0.vdb").string();
  EXPECT_NE(result.err.find("template data file was not found at " + expected), std::string::npos) << result.err;
  // The empty database still answers with default settings.
  Result show = Run(With({"options", "show"}), binary.string());
  EXPECT_EQ(show.status, 0);
  EXPECT_NE(show.out.find("currency-symbol=$"), std::string::npos);
}

TEST_F(CliTest, WriteThatFailsIsNotReportedAsSuccess) {
  ASSERT_EQ(Run(With({"init"})).status, 0);
  {
    store::Db db;
    ASSERT_TRUE(db.open(DataFile().string()).ok);
    ASSERT_TRUE(db.exec("CREATE TRIGGER Fault BEFORE UPDATE ON Misc BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
  }
  Result result = Run(With({"options", "set", "paper=A4"}));
  EXPECT_EQ(result.status, 4);
  EXPECT_NE(result.err.find("could not be saved"), std::string::npos) << result.err;
}

TEST_F(CliTest, AccountsCategoriesAndPayeesByCommand) {
  ASSERT_EQ(Run(With({"init"})).status, 0);
  Result added = Run(With({"account", "add", "--name", "O'Brien's Visa", "--type", "Credit Card", "--starting", "250.00",
                           "--number", "4111111111111111", "--fi", "2"}));
  ASSERT_EQ(added.status, 0) << added.err;
  EXPECT_EQ(added.out, "4\n");
  Result shown = Run(With({"--json", "account", "show", "O'Brien's Visa"}));
  ASSERT_EQ(shown.status, 0) << shown.err;
  EXPECT_NE(shown.out.find("\"masked_number\":\"************1111\""), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("\"balance\":25000,\"balance_text\":\"$250.00\""), std::string::npos) << shown.out;

  Result dup = Run(With({"account", "add", "--name", "O'Brien's Visa"}));
  EXPECT_EQ(dup.status, 1);
  EXPECT_EQ(dup.err, "Account name exists: Another account name with the same name already exists. Please enter a different name.\n");
  // Editing with nothing but a description keeps the masked number as stored.
  EXPECT_EQ(Run(With({"account", "edit", "#4", "--description", "travel"})).status, 0);
  EXPECT_NE(Run(With({"--json", "account", "show", "#4"})).out.find("\"number\":\"4111111111111111\""), std::string::npos);
  EXPECT_EQ(Run(With({"account", "show", "Nowhere"})).status, 2);
  EXPECT_EQ(Run(With({"account", "find", "visa"})).out, "4\n");

  Result category = Run(With({"category", "add", "--name", "Pets", "--parent", "Personal"}));
  ASSERT_EQ(category.status, 0) << category.err;
  EXPECT_NE(Run(With({"--json", "category", "list"})).out.find("\"full_name\":\"Personal | Pets\""), std::string::npos);
  Result payee = Run(With({"payee", "add", "--name", "Vet; Clinic", "--notes", "100% care"}));
  ASSERT_EQ(payee.status, 0) << payee.err;
  EXPECT_NE(Run(With({"--json", "payee", "list"})).out.find("\"notes\":\"100% care\""), std::string::npos);

  Result refused = Run(With({"account", "delete", "#1", "#2", "#3", "#4"}));
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("Tallyvane requires at least one account."), std::string::npos);
  EXPECT_EQ(Run(With({"account", "delete", "#2"})).status, 1);  // the question, unanswered, cancels
  EXPECT_EQ(Run(With({"--answer", "Delete", "account", "delete", "#2"})).status, 0);
  EXPECT_EQ(Run(With({"account", "show", "#2"})).status, 2);
}

TEST_F(CliTest, TransactionsRegisterAndBalances) {
  ASSERT_EQ(Run(With({"init"})).status, 0);
  Result grocery = Run(With({"txn", "add", "--account", "Checking Account", "--amount", "12.50", "--payee", "Grocer",
                             "--category", "Food | Groceries", "--date", "2026-01-05"}));
  ASSERT_EQ(grocery.status, 0) << grocery.err;
  Result transfer = Run(With({"txn", "add", "--account", "Checking Account", "--amount", "100", "--type", "Transfer",
                              "--to", "Savings Account", "--date", "2026-01-06"}));
  ASSERT_EQ(transfer.status, 0) << transfer.err;
  EXPECT_EQ(transfer.out, "2\n");

  Result reg = Run(With({"--json", "register", "Checking Account", "--from", "2026-01-01", "--to", "2026-01-31"}));
  ASSERT_EQ(reg.status, 0) << reg.err;
  EXPECT_NE(reg.out.find("\"payee\":\"Transfer to Savings Account\""), std::string::npos) << reg.out;
  EXPECT_NE(reg.out.find("\"balance\":-11250"), std::string::npos) << reg.out;
  EXPECT_NE(reg.out.find("\"deposit\":null"), std::string::npos);

  // The partner row opens its origin: the edit changes both.
  ASSERT_EQ(Run(With({"txn", "edit", "3", "--amount", "40"})).status, 0);
  Result partner = Run(With({"txn", "show", "3"}));
  EXPECT_NE(partner.out.find("\"amount\":4000"), std::string::npos) << partner.out;

  ASSERT_EQ(Run(With({"txn", "split", "1", "--line", "Food | Groceries;milk;-10.00", "--line", "Bills;;-2.50"})).status, 0);
  Result bad = Run(With({"txn", "split", "1", "--line", "Bills;;-1"}));
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("The split transactions must sum to the original transaction amount of $12.50."), std::string::npos);

  Result balances = Run(With({"--json", "balances"}));
  EXPECT_NE(balances.out.find("\"item\":\"Checking Account: -$52.50\""), std::string::npos) << balances.out;
  EXPECT_NE(balances.out.find("\"assets\":-1250,\"assets_text\":\"-$12.50\""), std::string::npos) << balances.out;

  EXPECT_EQ(Run(With({"--yes", "txn", "void", "2"})).status, 0);
  Result again = Run(With({"--yes", "txn", "void", "2"}));
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("Void failed: Transaction has already been marked void."), std::string::npos) << again.err;

  Result check = Run(With({"txn", "add", "--account", "Checking Account", "--amount", "5", "--type", "Check",
                           "--number", "12a", "--date", "2026-01-07"}));
  EXPECT_EQ(check.status, 1);
  EXPECT_NE(check.err.find("Please enter only numbers as the check number."), std::string::npos);
  EXPECT_EQ(Run(With({"txn", "add", "--account", "Checking Account", "--amount", "5", "--date", "2026-02-30"})).status, 2);
  EXPECT_EQ(Run(With({"register", "find", "Checking Account", "grocer", "--period", "All"})).out, "1\n");
}

TEST_F(CliTest, PasswordIsRequiredOnceSet) {
  ASSERT_EQ(Run(With({"init"})).status, 0);
  Result weak = Run(With({"password", "set", "short", "--confirm", "short"}));
  EXPECT_EQ(weak.status, 1);
  EXPECT_NE(weak.err.find("Please enter a password that has a minimum of 6 characters."), std::string::npos);
  ASSERT_EQ(Run(With({"password", "set", "Secret1", "--confirm", "Secret1"})).status, 0);

  Result missing = Run(With({"account", "list"}));
  EXPECT_EQ(missing.status, 3);
  EXPECT_EQ(missing.err, "Please enter your password:\n");
  Result wrong = Run(With({"--password", "nope", "account", "list"}));
  EXPECT_EQ(wrong.status, 3);
  EXPECT_EQ(wrong.err, "The password you typed is incorrect. Please retype your current password.\n");
  EXPECT_EQ(Run(With({"--password", "Secret1", "account", "list"})).status, 0);
  EXPECT_EQ(Run(With({"password", "check", "Secret1"})).status, 0);
  EXPECT_EQ(Run(With({"password", "check", "secret1"})).status, 3);
  // Nothing stores or prints it in the clear.
  EXPECT_EQ(testing::ReadFile(DataFile()).find("Secret1"), std::string::npos);
  EXPECT_EQ(Run(With({"--password", "Secret1", "password", "remove", "--current", "Secret1"})).status, 0);
  EXPECT_EQ(Run(With({"account", "list"})).status, 0);
}

TEST_F(CliTest, PasswordsCanComeFromStandardInputOrTheEnvironment) {
  ASSERT_EQ(Run(With({"init"})).status, 0);
  ASSERT_EQ(Run(With({"password", "set", "Secret1", "--confirm", "Secret1"})).status, 0);
  struct Case {
    const char* name;
    const char* input;
    std::vector<std::string> args;
    int status;
  };
  const Case cases[] = {
      {"one line", "Secret1\n", {"--password-stdin", "account", "list"}, 0},
      {"without its line break", "Secret1", {"--password-stdin", "account", "list"}, 0},
      {"a CR LF line", "Secret1\r\n", {"--password-stdin", "account", "list"}, 0},
      {"nothing to read", "", {"--password-stdin", "account", "list"}, 2},
      {"both ways at once", "Secret1\n", {"--password", "Secret1", "--password-stdin", "account", "list"}, 2},
      // The program password takes the first line, the command's own the next.
      {"mail password after it", "Secret1\nMailPass\n", {"--password-stdin", "mail", "set", "--password-stdin"}, 0},
      {"mail password missing", "", {"mail", "set", "--password-stdin"}, 2},
      {"bank password", "Secret1\nBankPass\n",
       {"--password-stdin", "account", "add", "--name", "Online", "--user-pass-stdin"}, 0},
      {"bank password twice", "Secret1\nBankPass\n",
       {"--password-stdin", "account", "add", "--name", "Other", "--user-pass", "P", "--user-pass-stdin"}, 2},
      {"retrieval password missing", "Secret1\n", {"--password-stdin", "retrieve", "Online", "--user-pass-stdin"}, 2},
  };
  for (const Case& c : cases) {
    cli_.setStdin(c.input);
    const Result result = Run(With(c.args));
    EXPECT_EQ(result.status, c.status) << c.name << ": " << result.err;
  }
  cli_.setStdin("Secret1\n");
  EXPECT_NE(Run(With({"--password-stdin", "mail", "show"})).out.find("password: set"), std::string::npos);
  cli_.setStdin("");
  cli_.setEnv("TALLYVANE_PASSWORD=Secret1");
  EXPECT_EQ(Run(With({"account", "list"})).status, 0);
  // Nothing typed on standard input lands in a file in the clear.
  EXPECT_EQ(testing::ReadFile(DataFile()).find("BankPass"), std::string::npos);
}

TEST_F(CliTest, HelpSaysPasswordOptionsAreVisibleToOtherUsers) {
  const Result overview = Run({"help"});
  EXPECT_NE(overview.out.find("--password-stdin"), std::string::npos);
  EXPECT_NE(overview.out.find("PW is visible to other local users in the process list"), std::string::npos);
  for (const char* command : {"account add", "retrieve", "mail set"}) {
    std::vector<std::string> args = {"help"};
    std::string word;
    for (std::istringstream words(command); words >> word;) args.push_back(word);
    const Result help = Run(args);
    EXPECT_NE(help.out.find("-stdin"), std::string::npos) << command;
    EXPECT_NE(help.out.find("visible to other local users"), std::string::npos) << command;
  }
}

}  // namespace
}  // namespace tallyvane::cli
