#include "app/install_update.h"

#include <gtest/gtest.h>

#include <fstream>

#include "store/db.h"
#include "store/record.h"
#include "store/schema.h"
#include "store/secure.h"
#include "support/test_support.h"

namespace tallyvane::app {
namespace {

using tallyvane::testing::RecordingPrompter;
using tallyvane::testing::TempDir;
using tallyvane::testing::TemplatePath;
using tallyvane::testing::UsLocale;

int Count(store::Db& db, const std::string& sql) { return store::Query(db, sql).int32(0, -1); }

// Records the re-seed steps with what the file looked like at each, so the
// order against the upgrade, the credential move and the rebuild shows.
class RecordingReseed final : public DirectoryReseed {
 public:
  explicit RecordingReseed(bool tampered) : tampered_(tampered) {}
  bool copyFromTemplate(store::DataContext& data, const std::filesystem::path& templateFile) override {
    store::Db& db = data.db();
    steps.push_back("copy " + templateFile.filename().string() +
                    (Count(db, "SELECT COUNT(*) FROM sqlite_master WHERE name = 'Securities'") == 1 ? " upgraded" : "") +
                    (Count(db, "SELECT COUNT(*) FROM Variables WHERE ID = 'IACKV'") == 0 ? " credentials-plain" : "") +
                    (Count(db, "SELECT COUNT(*) FROM MonthlyBalances") == 0 ? " cache-empty" : ""));
    return true;
  }
  bool isTampered(store::DataContext&) override {
    steps.emplace_back("tampered?");
    return tampered_;
  }
  bool seal(store::DataContext&) override {
    steps.emplace_back("seal");
    return true;
  }
  std::vector<std::string> steps;

 private:
  bool tampered_;
};

// A data folder two levels below a temp folder that does not exist yet, the
// build's template, in-memory settings.
class InstallTest : public ::testing::Test {
 protected:
  InstallTest() {
    paths_.dataDir = root_ / "share" / "Orvex Software" / "Tallyvane";
    paths_.commonDataDir = paths_.dataDir.parent_path();
    paths_.templateFile = TemplatePath();
  }
  InstallOutcome install(DirectoryReseed* reseed = nullptr) {
    store::DataContext data(paths_, UsLocale());
    InstallOptions options;
    options.reseed = reseed;
    return InstallUpdateDatabase(data, settings_, prompter_, options);
  }
  // An older data file: without the Securities table, with an account whose
  // credentials are still plain, a transaction and no balance cache.
  void makeOlderDataFile() {
    std::filesystem::create_directories(paths_.dataDir);
    std::filesystem::copy_file(TemplatePath(), paths_.dataFile());
    store::Db db;
    ASSERT_TRUE(db.open(paths_.dataFile().string()).ok);
    ASSERT_TRUE(db.exec("DROP TABLE Securities"));
    ASSERT_TRUE(db.exec("UPDATE Accounts SET AcctNumber = '12345678', RoutingNumber = '021000021' WHERE ID = 1"));
    ASSERT_TRUE(db.exec("INSERT INTO Transactions (ID, Account, Amount, PayAccount, Category, TransactionDate, Deleted, "
                        "Void, Reconciled, TransactionType) VALUES (1, 1, 5000, 0, 0, '2026-11-03', 0, 0, 0, 0)"));
    ASSERT_TRUE(db.exec("DELETE FROM MonthlyBalances"));
    ASSERT_TRUE(db.exec("DELETE FROM Variables WHERE ID = 'IACKV'"));
  }
  int count(const std::string& sql) {
    store::Db db;
    if (!db.open(paths_.dataFile().string())) return -1;
    return Count(db, sql);
  }

  TempDir root_;
  store::Paths paths_;
  store::MemorySettings settings_;
  RecordingPrompter prompter_;
};

TEST_F(InstallTest, UpgradesThenReseedsThenMovesCredentialsThenRebuilds) {
  struct Case {
    const char* name;
    bool tampered;
    std::vector<std::string> steps;
  };
  const Case cases[] = {
      {"directory changed", true, {"copy tallyvane-0.vdb upgraded credentials-plain cache-empty", "tampered?", "seal"}},
      {"directory intact", false, {"copy tallyvane-0.vdb upgraded credentials-plain cache-empty", "tampered?"}},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(paths_.dataDir);
    makeOlderDataFile();
    RecordingReseed reseed(c.tampered);
    EXPECT_EQ(install(&reseed), InstallOutcome::Upgraded) << c.name;
    EXPECT_EQ(reseed.steps, c.steps) << c.name;
    EXPECT_TRUE(prompter_.shown.empty()) << c.name;
    EXPECT_GT(count("SELECT COUNT(*) FROM MonthlyBalances WHERE Account = 1"), 0) << c.name;
    store::Db db;
    ASSERT_TRUE(db.open(paths_.dataFile().string()).ok);
    EXPECT_EQ(store::QueryFirstText(db, "SELECT Value FROM Variables WHERE ID = 'IACKV'"), "1") << c.name;
    const store::SecretsRead secrets = store::readAccountSecrets(db, "1");
    EXPECT_EQ(secrets.values.accountNumber, "12345678") << c.name;
    EXPECT_EQ(secrets.values.routingNumber, "021000021") << c.name;
  }
}

TEST_F(InstallTest, CreatesAMissingDataFileAndASecondRunUpgradesIt) {
  RecordingReseed first(false);
  EXPECT_EQ(install(&first), InstallOutcome::Created);
  EXPECT_TRUE(std::filesystem::is_regular_file(paths_.dataFile()));
  EXPECT_TRUE(first.steps.empty());
  EXPECT_EQ(count("SELECT COUNT(*) FROM AccountTypes WHERE ID = 4"), 1);

  RecordingReseed second(false);
  EXPECT_EQ(install(&second), InstallOutcome::Upgraded);
  EXPECT_EQ(second.steps.size(), 2u);
  std::vector<std::string> applied;
  EXPECT_TRUE(store::UpgradeSchema(TemplatePath(), paths_.dataFile(), &applied));
  EXPECT_TRUE(applied.empty());
  EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(InstallTest, AFailureIsShownAndTheCacheRebuiltAllTheSame) {
  paths_.templateFile = root_ / "nowhere" / "tallyvane-0.vdb";
  // No data file and no template: the message, and no empty file left that
  // a later start would take for the user's data.
  EXPECT_EQ(install(), InstallOutcome::Failed);
  EXPECT_FALSE(std::filesystem::exists(paths_.dataFile()));
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].title, "Install program");
  EXPECT_EQ(prompter_.shown[0].text, "Tallyvane has failed to install correctly. Failed to update/copy database.");

  makeOlderDataFile();
  RecordingReseed reseed(true);
  EXPECT_EQ(install(&reseed), InstallOutcome::Failed);
  EXPECT_EQ(prompter_.shown.size(), 2u);
  EXPECT_TRUE(reseed.steps.empty());
  EXPECT_GT(count("SELECT COUNT(*) FROM MonthlyBalances WHERE Account = 1"), 0);
}

TEST_F(InstallTest, LeavesCredentialsMovedEarlierAsTheyAre) {
  makeOlderDataFile();
  {
    store::Db db;
    ASSERT_TRUE(db.open(paths_.dataFile().string()).ok);
    ASSERT_TRUE(store::writeAccountSecrets(db, "1", {"0", "111", "222", "me", "pw"}));
  }
  auto variables = [&] {
    store::Db db;
    EXPECT_TRUE(db.open(paths_.dataFile().string()).ok);
    std::vector<std::string> rows;
    for (store::Query q(db, "SELECT ID, Value FROM Variables ORDER BY ID"); q.hasRow(); q.next()) {
      rows.push_back(q.string(0) + "=" + q.string(1));
    }
    return rows;
  };
  const std::vector<std::string> before = variables();
  EXPECT_EQ(install(), InstallOutcome::Upgraded);
  EXPECT_EQ(variables(), before);
}

TEST_F(InstallTest, FindsTheTemplateTheInstallationRecorded) {
  const std::filesystem::path flat = root_ / "flat";
  const std::filesystem::path layered = root_ / "opt";
  std::filesystem::create_directories(flat);
  std::filesystem::create_directories(layered / "bin");
  std::filesystem::create_directories(layered / "share" / "tallyvane");
  std::ofstream(flat / "tallyvane-0.vdb") << "";
  std::ofstream(layered / "share" / "tallyvane" / "tallyvane-0.vdb") << "";
  struct Case {
    const char* name;
    std::string user;
    std::string machine;
    std::filesystem::path expected;
  };
  const Case cases[] = {
      {"per-user folder", flat.string(), (layered / "bin").string(), flat / "tallyvane-0.vdb"},
      {"machine-wide when the user has none", "", (layered / "bin").string(),
       layered / "share" / "tallyvane" / "tallyvane-0.vdb"},
      {"a folder without a template still names it", (root_ / "gone").string(), "", root_ / "gone" / "tallyvane-0.vdb"},
      {"beside the executable otherwise", "", "", TemplatePath()},
  };
  for (const Case& c : cases) {
    store::MemorySettings settings;
    if (!c.user.empty()) settings.writeString("Settings", "InstallerPath", c.user);
    if (!c.machine.empty()) settings.setMachine("Settings", "InstallerPath", c.machine);
    EXPECT_EQ(InstallTemplatePath(paths_, settings), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace tallyvane::app
