// The online commands end to end: settings, the directory by hand and from a
// loopback directory service, tampering seen by fi check, and a retrieval
// from the loopback OFX server printed and committed as import ofx does.
#include <gtest/gtest.h>

#include "cli_runner.h"
#include "online/online_fixture.h"
#include "store/db.h"

namespace tallyvane::cli {
namespace {

using online::testing::ServerOptions;
using online::testing::TestPki;
using online::testing::TestServer;
using online::testing::WriteAll;
using testing::CliRunner;

void Tamper(CliRunner& cli) {
  store::Db db;
  ASSERT_TRUE(db.open((cli.file("probe", "").parent_path() / "d" / "tallyvane.vdb").string()).ok);
  ASSERT_TRUE(db.exec("UPDATE FinancialInstitutions SET FIUrl = 'https://evil.test/'"));
}

TEST(OnlineCli, SettingsAndTheDirectoryByHand) {
  CliRunner cli;
  ASSERT_EQ(cli.run({"online", "set", "--directory", "https://127.0.0.1:9/dir/", "--ca-file", "/tmp/ca.pem"}).status, 0);
  EXPECT_EQ(cli.run({"--json", "online", "show"}).out,
            "{\"directory\":\"https://127.0.0.1:9/dir/\",\"ca_file\":\"/tmp/ca.pem\"}\n");

  const auto unnamed = cli.run({"fi", "add", "--url", "https://ofx.bank.test/"});
  EXPECT_EQ(unnamed.status, 1);
  EXPECT_NE(unnamed.err.find("Name required: Please enter a name for this Financial Institution."), std::string::npos)
      << unnamed.err;
  const auto badUrl = cli.run({"fi", "add", "--name", "Bank", "--url", "https://ofx.bank.test/a b"});
  EXPECT_EQ(badUrl.status, 1);
  EXPECT_NE(badUrl.err.find("Please enter a valid URL."), std::string::npos) << badUrl.err;

  const auto added = cli.run({"fi", "add", "--name", "Bank", "--url", "https://ofx.bank.test/", "--fid", "77",
                              "--org", "BK", "--bank-id", "021000021", "--port", "443"});
  ASSERT_EQ(added.status, 0) << added.err;
  EXPECT_EQ(added.out, "1\n");
  EXPECT_EQ(cli.run({"--json", "fi", "list"}).out,
            "[{\"id\":1,\"name\":\"Bank\",\"fid\":\"77\",\"org\":\"BK\",\"url\":\"https://ofx.bank.test/\","
            "\"bank_id\":\"021000021\",\"port\":443,\"ofx_version\":22}]\n");
  EXPECT_EQ(cli.run({"--json", "fi", "check"}).out, "{\"tampered\":false}\n");
  EXPECT_EQ(cli.run({"fi", "delete", "#5"}).status, 2);
  ASSERT_EQ(cli.run({"fi", "delete", "#1"}).status, 0);
  EXPECT_EQ(cli.run({"--json", "fi", "list"}).out, "[]\n");
  EXPECT_EQ(cli.run({"--json", "fi", "check"}).out, "{\"tampered\":false}\n");
}

TEST(OnlineCli, RestoreFromTheDirectoryServiceAndTheTamperCheck) {
  ASSERT_TRUE(TestPki::Get().ok());
  tallyvane::testing::TempDir docs;
  WriteAll(docs.path() / "list.xml",
           "<institutionlist><institutionid id=\"7\" name=\"Seven Bank\"/><institutionid id=\"8\" name=\"Eight\"/>"
           "</institutionlist>");
  WriteAll(docs.path() / "lookup-7.xml",
           "<institution><name>Seven Bank</name><fid>7</fid><org>SVN</org><url>https://seven.test/ofx</url></institution>");
  ServerOptions options;
  options.docs = docs.path();
  TestServer server(options);
  ASSERT_TRUE(server.running());
  CliRunner cli;
  ASSERT_EQ(cli.run({"online", "set", "--directory", server.base() + "/", "--ca-file", TestPki::Get().caFile().string()})
                .status,
            0);
  ASSERT_EQ(cli.run({"fi", "add", "--name", "Mine", "--url", "https://mine.test/"}).status, 0);
  const auto restored = cli.run({"fi", "restore"});
  ASSERT_EQ(restored.status, 0) << restored.err;
  EXPECT_EQ(restored.out, "1\n");
  EXPECT_NE(restored.err.find("Downloading financial institution list..."), std::string::npos) << restored.err;
  EXPECT_NE(restored.err.find("Institution id 7 -- Importing data..."), std::string::npos) << restored.err;

  Tamper(cli);
  const auto declined = cli.run({"--json", "fi", "check"});
  EXPECT_EQ(declined.status, 1);
  EXPECT_EQ(declined.out, "{\"tampered\":true}\n");
  EXPECT_NE(declined.err.find("Financial Institution data corrupted"), std::string::npos) << declined.err;
  const auto accepted = cli.run({"--json", "--answer", "Restore Financial Institutions", "fi", "check"});
  EXPECT_EQ(accepted.status, 0) << accepted.err;
  EXPECT_EQ(cli.run({"--json", "fi", "check"}).out, "{\"tampered\":false}\n");
}

TEST(OnlineCli, RetrieveShowsAndCommitsTheReviewWithoutPrintingCredentials) {
  ASSERT_TRUE(TestPki::Get().ok());
  ServerOptions options;
  options.response =
      "OFXHEADER:100\r\nDATA:OFXSGML\r\n\r\n<OFX><SIGNONMSGSRSV1><SONRS><STATUS><CODE>0<SEVERITY>INFO</STATUS>"
      "</SONRS></SIGNONMSGSRSV1><BANKMSGSRSV1><STMTTRNRS><STMTRS><BANKTRANLIST>\r\n"
      "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>20200105<TRNAMT>-12.50<FITID>1<NAME>Grocer</STMTTRN>\r\n"
      "<STMTTRN><TRNTYPE>CREDIT<DTPOSTED>20200106<TRNAMT>100.00<FITID>2<NAME>Employer</STMTTRN>\r\n"
      "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\r\n";
  TestServer server(options);
  ASSERT_TRUE(server.running());
  CliRunner cli;
  ASSERT_EQ(cli.run({"online", "set", "--ca-file", TestPki::Get().caFile().string()}).status, 0);
  ASSERT_EQ(cli.run({"fi", "add", "--name", "Loop", "--url", server.base() + "/ofx"}).status, 0);

  const auto unset = cli.run({"retrieve", "Checking Account"});
  EXPECT_EQ(unset.status, 1);
  EXPECT_NE(unset.err.find("Financial institution needs to be set up"), std::string::npos) << unset.err;

  const auto edited = cli.run({"account", "edit", "Checking Account", "--online", "--fi", "1", "--routing", "021000021",
                               "--number", "55501234", "--user-id", "jdoe", "--prompt-password"});
  ASSERT_EQ(edited.status, 0) << edited.err;
  const auto noPassword = cli.run({"retrieve", "Checking Account"});
  EXPECT_EQ(noPassword.status, 1);
  EXPECT_NE(noPassword.err.find("Retrieve Transactions: Enter the password to access your bank account:"),
            std::string::npos)
      << noPassword.err;
  EXPECT_TRUE(server.requests().empty());

  const std::string secret = "Zq9-very-secret";
  const auto dry = cli.run({"--json", "retrieve", "Checking Account", "--user-pass", secret, "--dry-run"});
  ASSERT_EQ(dry.status, 0) << dry.err;
  EXPECT_NE(dry.out.find("\"balance_after\":8750"), std::string::npos) << dry.out;
  const auto committed = cli.run({"--json", "retrieve", "Checking Account", "--user-pass", secret, "--untick", "2"});  // rows list the last transaction first
  ASSERT_EQ(committed.status, 0) << committed.err;
  const auto reg = cli.run({"--json", "register", "Checking Account", "--from", "2020-01-01", "--to", "2020-01-31"});
  EXPECT_EQ(reg.out.find("Grocer"), std::string::npos) << reg.out;
  EXPECT_NE(reg.out.find("Employer"), std::string::npos) << reg.out;

  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_NE(requests[1].find("<USERPASS>" + secret + "\r\n"), std::string::npos);
  for (const auto* result : {&dry, &committed, &noPassword}) {
    EXPECT_EQ(result->out.find(secret), std::string::npos);
    EXPECT_EQ(result->err.find(secret), std::string::npos);
    EXPECT_EQ(result->err.find("jdoe"), std::string::npos);
  }
}

}  // namespace
}  // namespace tallyvane::cli
