// The command line's help: built from the command table, exit 0 when asked
// for, the group's help on stderr after a usage error.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "cli_runner.h"

namespace tallyvane::cli {
namespace {

using testing::CliResult;
using testing::CliRunner;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(CliHelp, AskedForOrAfterAUsageError) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int status;
    bool onStdout;  // else on stderr
    std::vector<std::string> shown;
  };
  const Case cases[] = {
      {"--help", {"--help"}, 0, true, {"Commands:\n", "  txn ", "Global options:\n", "  --answer CAPTION", "Exit status:"}},
      {"-h", {"-h"}, 0, true, {"Commands:\n", "  balances "}},
      {"help", {"help"}, 0, true, {"Commands:\n", "  import "}},
      {"a group alone", {"txn"}, 0, true, {"tallyvane-cli txn: ", "  txn add --account A", "      --tax CHOICE", "  txn show ID"}},
      {"a group's --help", {"schedule", "--help"}, 0, true, {"  schedule add --account A", "  schedule due"}},
      {"a group that is also a command", {"register", "--help"}, 0, true, {"  register ACCOUNT", "  register find"}},
      {"help GROUP", {"help", "account"}, 0, true, {"  account list", "  account find TEXT"}},
      {"help COMMAND", {"help", "txn", "add"}, 0, true, {"  txn add --account A", "      --payee NAME"}},
      {"COMMAND --help", {"import", "csv", "--help"}, 0, true, {"  import csv ACCOUNT FILE", "      --map FIELD=COLUMN"}},
      {"no command", {}, 2, false, {"Commands:\n"}},
      {"unknown group", {"nonsense"}, 2, false, {"unknown command nonsense", "Commands:\n"}},
      {"unknown verb", {"txn", "frob"}, 2, false, {"unknown command txn frob", "  txn add --account A"}},
      {"help for nothing", {"help", "frob"}, 2, false, {"unknown command frob", "Commands:\n"}},
      {"missing argument", {"register"}, 2, false, {"register needs an account", "  register ACCOUNT"}},
      {"unknown option", {"txn", "add", "--acount", "x"}, 2, false, {"unknown option --acount", "  txn show ID"}},
  };
  for (const Case& c : cases) {
    CliRunner cli;
    const CliResult r = cli.run(c.args);
    EXPECT_EQ(r.status, c.status) << c.name << ": " << r.err;
    const std::string& stream = c.onStdout ? r.out : r.err;
    for (const std::string& part : c.shown) EXPECT_TRUE(Has(stream, part)) << c.name << ": no \"" << part << "\" in\n" << stream;
  }
}

// Every command of the table the dispatcher runs appears in its group's help.
TEST(CliHelp, EveryCommandOfTheTableIsListed) {
  const std::vector<Command> commands = AllCommands();
  std::ostringstream overview;
  PrintOverview(overview, commands);
  for (const Command& command : commands) {
    ASSERT_FALSE(command.words.empty());
    const std::string group(command.words[0]);
    EXPECT_TRUE(Has(overview.str(), "\n  " + group + " ")) << group;
    std::ostringstream page;
    ASSERT_TRUE(PrintGroupHelp(page, commands, group)) << group;
    EXPECT_TRUE(Has(page.str(), "  " + std::string(command.synopsis) + "\n")) << command.synopsis;
  }
  std::ostringstream none;
  EXPECT_FALSE(PrintGroupHelp(none, commands, "nonsense"));
}

TEST(CliTables, TextTablesHaveHeadingsAndAccountsShowTheirBalance) {
  CliRunner cli;
  ASSERT_EQ(cli.run({"txn", "add", "--account", "Checking Account", "--type", "Deposit", "--amount", "1,234.50", "--date",
                     "2026-11-02"})
                .status,
            0);
  const CliResult accounts = cli.run({"account", "list"});
  ASSERT_EQ(accounts.status, 0) << accounts.err;
  EXPECT_EQ(accounts.out.substr(0, accounts.out.find('\n')), "ID\tName\tType\tBalance\tNumber");
  EXPECT_TRUE(Has(accounts.out, "\n1\tChecking Account\tChecking\t$1,234.50\t")) << accounts.out;
  EXPECT_TRUE(Has(accounts.out, "\n3\tCredit Card\tCredit Card\t$0.00\t")) << accounts.out;
  const CliResult reg = cli.run({"register", "Checking Account", "--period", "All"});
  EXPECT_EQ(reg.out.substr(0, reg.out.find('\n')), "ID\tDate\tNumber\tPayee\tCategory\tPayment\tDeposit\tBalance\tReconciled");
  EXPECT_EQ(cli.run({"payee", "list"}).out, "ID\tPayee\tNotes\tCategory\n");
}

TEST(CliImportCsv, WithoutTheNeededMapsNamesTheFieldsAndTheColumns) {
  CliRunner cli;
  const auto path = cli.file("bank.csv", "When,What,How much\r\n2020-02-01,Rent,-800.00\r\n");
  const CliResult bank = cli.run({"import", "csv", "Checking Account", path.string(), "--map", "Payee=2"});
  // The import's own check refuses it (exit 1) with its message first.
  EXPECT_EQ(bank.status, 1);
  EXPECT_EQ(bank.err.rfind("Error importing: The Amount and Transaction Date fields must have fields from the CSV file "
                           "assigned in order to import.\n",
                           0),
            0u)
      << bank.err;
  for (const char* part : {"Amount, Transaction Date, Payee, Note, Category Name, Transaction Number", "  1  When\n",
                           "  2  What\n", "  3  How much\n"}) {
    EXPECT_TRUE(Has(bank.err, part)) << bank.err;
  }
  ASSERT_EQ(cli.run({"account", "add", "--name", "Broker", "--type", "4"}).status, 0);
  const CliResult broker = cli.run({"import", "csv", "Broker", path.string()});
  EXPECT_EQ(broker.status, 1);
  EXPECT_TRUE(Has(broker.err, "Error importing: Cost and Investment Date fields must have fields from the CSV file "
                              "assigned in order to import.\n"))
      << broker.err;
  EXPECT_TRUE(Has(broker.err, "Total Cost, Investment Date, Investment Type, Security Name")) << broker.err;
  EXPECT_EQ(cli.run({"--json", "register", "Checking Account", "--period", "All"}).out, "[]\n");
}

}  // namespace
}  // namespace tallyvane::cli
