// Drives install-update, backup, backup due and restore of tallyvane-cli end
// to end.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_runner.h"
#include "store/db.h"
#include "support/test_support.h"

namespace tallyvane::cli {
namespace {

using Result = testing::CliResult;

class BackupCliTest : public ::testing::Test {
 protected:
  Result Run(const std::vector<std::string>& args) { return cli_.run(args); }
  std::string Ok(const std::vector<std::string>& args) {
    const Result r = Run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  }
  static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
  static std::string Line(std::string text) {
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
  }

  testing::CliRunner cli_;
  tallyvane::testing::TempDir destination_;
};

TEST_F(BackupCliTest, InstallUpdateCreatesTheDataFileThenUpgradesIt) {
  EXPECT_EQ(Ok({"install-update"}), "created\n");
  EXPECT_EQ(Ok({"install-update"}), "upgraded\n");
  EXPECT_TRUE(Has(Ok({"--json", "account", "list"}), "\"name\":\"Checking Account\""));
}

// The update re-seeds the directory from the installed template and seals it,
// so a directory edited outside the program is trusted again only as shipped.
TEST_F(BackupCliTest, InstallUpdateReseedsAndSealsTheDirectory) {
  ASSERT_EQ(Ok({"install-update"}), "created\n");
  ASSERT_EQ(Run({"fi", "add", "--name", "Mine", "--url", "https://mine.test/"}).status, 0);
  {
    store::Db db;
    ASSERT_TRUE(db.open((cli_.file("probe", "").parent_path() / "d" / "tallyvane.vdb").string()).ok);
    ASSERT_TRUE(db.exec("UPDATE FinancialInstitutions SET FIUrl = 'https://evil.test/'"));
  }
  EXPECT_EQ(Run({"--json", "fi", "check"}).out, "{\"tampered\":true}\n");
  EXPECT_EQ(Ok({"install-update"}), "upgraded\n");
  EXPECT_EQ(Ok({"--json", "fi", "check"}), "{\"tampered\":false}\n");
  EXPECT_FALSE(Has(Ok({"fi", "list"}), "Mine"));
}

TEST_F(BackupCliTest, BackupWritesTheDatedFolderAndRemembersTheDestination) {
  const Result unset = Run({"backup"});
  EXPECT_EQ(unset.status, 1);
  EXPECT_TRUE(Has(unset.err, "Please select the folder you want to back up to.")) << unset.err;

  const std::string folder = Line(Ok({"backup", "--to", destination_.path().string()}));
  const std::string prefix = (destination_.path() / "Tallyvane-Backup-").string();
  EXPECT_EQ(folder.compare(0, prefix.size(), prefix), 0) << folder;
  EXPECT_EQ(folder.size(), prefix.size() + 10) << folder;
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::path(folder) / "tallyvane.vdb"));
  EXPECT_EQ(Line(Ok({"backup"})), folder);

  const std::string due = Ok({"backup", "due"});
  EXPECT_TRUE(Has(due, "{\"due\":false,\"last_backup\":")) << due;

  const Result unwritable = Run({"backup", "--to", (destination_.path() / "missing").string()});
  EXPECT_EQ(unwritable.status, 4);
  EXPECT_TRUE(Has(unwritable.err, "Cannot write to the destination folder. Please check you have write access."))
      << unwritable.err;
}

TEST_F(BackupCliTest, ABackupWhoseSettingsCannotBeWrittenExitsAsAFileError) {
  ASSERT_EQ(Ok({"install-update"}), "created\n");
  // Nothing can take the settings file's place.
  const std::filesystem::path settings = cli_.configDir() / "Tallyvane.conf";
  std::filesystem::remove(settings);
  std::filesystem::create_directories(settings / "blocked");
  const Result r = Run({"backup", "--to", destination_.path().string()});
  EXPECT_EQ(r.status, 4) << r.out << r.err;
  EXPECT_TRUE(Has(r.err, "The data was backed up, but the settings file could not be written")) << r.err;
  EXPECT_FALSE(Has(r.err, "The data was backed up successfully.")) << r.err;
  // The copy itself was made.
  std::size_t backups = 0;
  for (const auto& entry : std::filesystem::directory_iterator(destination_.path())) {
    backups += std::filesystem::is_regular_file(entry.path() / "tallyvane.vdb") ? 1 : 0;
  }
  EXPECT_EQ(backups, 1u);
}

TEST_F(BackupCliTest, RestoreAsksFirstAndRefusesAFolderWithoutData) {
  const std::string folder = Line(Ok({"backup", "--to", destination_.path().string()}));
  Ok({"account", "add", "--name", "Added After Backup"});

  const Result unanswered = Run({"restore", "--from", folder});
  EXPECT_EQ(unanswered.status, 1);
  EXPECT_TRUE(Has(unanswered.err, "Confirm Restore")) << unanswered.err;
  EXPECT_TRUE(Has(Ok({"--json", "account", "list"}), "Added After Backup"));

  // Refused, the question to pick another folder comes; "No" ends it, and
  // "Pick Folder" finds no other folder on the command line.
  const Result no = Run({"--answer", "Restore from backup", "restore", "--from", destination_.path().string()});
  EXPECT_EQ(no.status, 1) << no.err;
  EXPECT_TRUE(Has(no.err, "Error Restoring Data: Restore failed. Would you like to pick a different folder?")) << no.err;
  EXPECT_TRUE(Has(Ok({"--json", "account", "list"}), "Added After Backup"));
  const Result pick = Run({"--answer", "Restore from backup", "--answer", "Pick Folder", "restore", "--from",
                           destination_.path().string()});
  EXPECT_EQ(pick.status, 1) << pick.err;
  EXPECT_TRUE(Has(Ok({"--json", "account", "list"}), "Added After Backup"));

  const Result restored = Run({"--answer", "Restore from backup", "restore", "--from", folder});
  EXPECT_EQ(restored.status, 0) << restored.err;
  EXPECT_TRUE(Has(restored.err, "Data Restore Success: The data was restored successfully.")) << restored.err;
  EXPECT_FALSE(Has(Ok({"--json", "account", "list"}), "Added After Backup"));
}

}  // namespace
}  // namespace tallyvane::cli
