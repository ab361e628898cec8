// Drives the tallyvane-cli binary as a user or a script would.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

#include "store/db.h"
#include "store/record.h"
#include "support/test_support.h"

namespace tallyvane::cli {
namespace {

using tallyvane::testing::TempDir;

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ShellQuote(const std::string& word) {
  std::string out = "'";
  for (char c : word) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out.push_back(c);
    }
  }
  return out + "'";
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs the tool with HOME pointed at an empty folder, so a test can check that
// nothing was written there.
class CliTest : public ::testing::Test {
 protected:
  Result Run(const std::vector<std::string>& args, const std::string& binary = TALLYVANE_TEST_CLI) {
    std::string command = "env -u TALLYVANE_DATA_DIR -u TALLYVANE_CONFIG_DIR -u TALLYVANE_PASSWORD HOME=" +
                          ShellQuote(home_.path().string()) + " XDG_DATA_HOME= XDG_CONFIG_HOME= " +
                          ShellQuote(binary);
    for (const std::string& arg : args) command += " " + ShellQuote(arg);
    command += " >" + ShellQuote((work_ / "out").string()) + " 2>" + ShellQuote((work_ / "err").string()) +
               " </dev/null";
    Result result;
    const int raw = std::system(command.c_str());
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadAll(work_ / "out");
    result.err = ReadAll(work_ / "err");
    return result;
  }

  std::vector<std::string> With(std::vector<std::string> args) {
    std::vector<std::string> full = {"--data-dir", data_.path().string() + "/d", "--config-dir",
                                     data_.path().string() + "/c"};
    full.insert(full.end(), args.begin(), args.end());
    return full;
  }

  std::filesystem::path DataFile() const { return data_.path() / "d" / "tallyvane.vdb"; }

  void ExpectHomeUntouched() { EXPECT_TRUE(std::filesystem::is_empty(home_.path())); }

  TempDir home_;
  TempDir data_;
  TempDir work_;
};

TEST_F(CliTest, InitCreatesTheDataFileOnceAndPrintsItsPath) {
  Result first = Run(With({"init"}));
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out, DataFile().string() + "\n");
  ASSERT_TRUE(std::filesystem::exists(DataFile()));
  const std::string bytes = ReadAll(DataFile());

  Result second = Run(With({"init"}));
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(ReadAll(DataFile()), bytes);
  EXPECT_EQ((std::filesystem::status(data_.path() / "d").permissions() & std::filesystem::perms::all),
            std::filesystem::perms::owner_all);
  ExpectHomeUntouched();
}

TEST_F(CliTest, EnvironmentVariablesPointTheFoldersElsewhere) {
  const std::string command = "HOME=" + ShellQuote(home_.path().string()) +
                              " TALLYVANE_DATA_DIR=" + ShellQuote((data_ / "envdata").string()) +
                              " TALLYVANE_CONFIG_DIR=" + ShellQuote((data_ / "envcfg").string()) + " " +
                              ShellQuote(TALLYVANE_TEST_CLI) + " init >/dev/null 2>&1";
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
  EXPECT_EQ(ReadAll(DataFile()), junk);
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

}  // namespace
}  // namespace tallyvane::cli
