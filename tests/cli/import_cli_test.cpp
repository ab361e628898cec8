#include <gtest/gtest.h>

#include "cli_runner.h"

namespace tallyvane::cli {
namespace {

using testing::CliRunner;

const char* kStatement =
    "OFXHEADER:100\r\nDATA:OFXSGML\r\n\r\n<OFX><BANKMSGSRSV1><STMTTRNRS><STMTRS><BANKTRANLIST>\r\n"
    "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>20200105<TRNAMT>-12.50<FITID>1<NAME>Grocer</STMTTRN>\r\n"
    "<STMTTRN><TRNTYPE>CREDIT<DTPOSTED>20200106<TRNAMT>100.00<FITID>2<NAME>Employer</STMTTRN>\r\n"
    "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\r\n";

TEST(ImportCli, OfxShowThenImportThenImportAgain) {
  CliRunner cli;
  const auto path = cli.file("bank.ofx", kStatement);
  const auto shown = cli.run({"--json", "ofx", "show", path.string()});
  ASSERT_EQ(shown.status, 0) << shown.err;
  EXPECT_NE(shown.out.find("\"fitid\":\"2\""), std::string::npos) << shown.out;

  const auto first = cli.run({"--json", "import", "ofx", "Checking Account", path.string(), "--category", "2=Food | Groceries"});
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_NE(first.out.find("\"balance_after\":8750"), std::string::npos) << first.out;
  const auto reg = cli.run({"--json", "register", "Checking Account", "--from", "2020-01-01", "--to", "2020-01-31"});
  EXPECT_NE(reg.out.find("\"category\":\"Food | Groceries\""), std::string::npos) << reg.out;

  const auto again = cli.run({"--json", "import", "ofx", "Checking Account", path.string()});
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.out.find("\"ticked\":true"), std::string::npos) << again.out;
  EXPECT_EQ(cli.run({"--json", "register", "Checking Account", "--from", "2020-01-01", "--to", "2020-01-31"}).out, reg.out);
}

TEST(ImportCli, UnreadableStatementsAndCsvExitFour) {
  CliRunner cli;
  EXPECT_EQ(cli.run({"ofx", "show", "/nonexistent/x.ofx"}).status, 4);
  const auto binary = cli.file("binary.csv", std::string("\x00\x01\x02garbage\x00", 11));
  const auto result = cli.run({"import", "csv", "Checking Account", binary.string(), "--map", "Amount=1", "--map", "Transaction Date=2"});
  EXPECT_EQ(result.status, 4);
  EXPECT_NE(result.err.find("Error opening file"), std::string::npos) << result.err;
}

TEST(ImportCli, CsvByColumnTitles) {
  CliRunner cli;
  const auto path = cli.file("bank.csv", "When,What,How much\r\n2020-02-01,Rent,-800.00\r\n2020-02-03,Refund,12.00\r\n");
  const auto result = cli.run({"import", "csv", "Checking Account", path.string(), "--map", "Amount=How much", "--map",
                               "Transaction Date=When", "--map", "Payee=2"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.err.find("Import Succeeded: CSV file was imported successfully."), std::string::npos) << result.err;
  const auto balances = cli.run({"balances"});
  EXPECT_NE(balances.out.find("Checking Account: -$788.00"), std::string::npos) << balances.out;
  EXPECT_EQ(cli.run({"import", "csv", "Checking Account", path.string(), "--map", "Amount=Nope"}).status, 2);
}

}  // namespace
}  // namespace tallyvane::cli
