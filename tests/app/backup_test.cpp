#include "app/backup.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <set>
#include <sstream>

#include "store/dates.h"
#include "store/db.h"
#include "store/record.h"
#include "support/test_support.h"

namespace tallyvane::app {
namespace {

using tallyvane::testing::FixedClock;
using tallyvane::testing::RecordingPrompter;
using tallyvane::testing::ScopedTimeZone;
using tallyvane::testing::TempDir;
using tallyvane::testing::TestData;

class RecordingProgress final : public store::Progress {
 public:
  void setTitle(std::string_view title) override { titles.emplace_back(title); }
  void setText(std::string_view text) override { texts.emplace_back(text); }
  void setFraction(long long done, long long total) override {
    lastDone = done;
    lastTotal = total;
  }
  [[nodiscard]] bool cancelRequested() const override { return false; }
  std::vector<std::string> titles;
  std::vector<std::string> texts;
  long long lastDone = -1;
  long long lastTotal = -1;
};

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void Write(const std::filesystem::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Names in a folder, hidden ones included.
std::set<std::string> Names(const std::filesystem::path& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) names.insert(entry.path().filename().string());
  return names;
}

std::string AccountName(const std::filesystem::path& dataFile, int id) {
  store::Db db;
  if (!db.open(dataFile.string())) return "(unreadable)";
  return store::QueryFirstText(db, "SELECT AcctName FROM Accounts WHERE ID = " + std::to_string(id));
}

// A data folder with its data file and one more file, a clock fixed at noon
// on 2026-12-10 in a fixed zone.
class BackupTest : public ::testing::Test {
 protected:
  BackupTest() : zone_("UTC"), clock_(store::DateTextToTime("2026-12-10", "12:00:00")) {
    Write(data_.paths().dataDir / "notes.txt", "kept as it is");
  }
  BackupResult backUp(const std::filesystem::path& to, const FileFaults* faults = nullptr) {
    BackupForm form;
    form.folder = to.string();
    return BackUpData(data_.paths(), data_.settings(), clock_, prompter_, progress_, form, faults);
  }
  [[nodiscard]] std::filesystem::path dated(const TempDir& to) const { return to / "Tallyvane-Backup-2026-12-10"; }

  ScopedTimeZone zone_;
  FixedClock clock_;
  TestData data_;
  RecordingPrompter prompter_;
  RecordingProgress progress_;
};

TEST_F(BackupTest, FormChecksAndRemembersTheDestination) {
  struct Case {
    const char* name;
    BackupForm form;
    const char* message;
    const char* field;
  };
  const Case cases[] = {
      {"folder without a path", {BackupKind::Folder, "", "/mnt/usb"}, "Please select the folder you want to back up to.",
       "folder"},
      {"drive without a path", {BackupKind::Drive, "/srv/backups", ""}, "Please select the drive you want to back up to.",
       "drive"},
  };
  for (const Case& c : cases) {
    const BackupResult result = BackUpData(data_.paths(), data_.settings(), clock_, prompter_, progress_, c.form);
    EXPECT_EQ(result.status.message, c.message) << c.name;
    EXPECT_EQ(result.status.field, c.field) << c.name;
    ASSERT_FALSE(prompter_.shown.empty());
    EXPECT_EQ(prompter_.shown.back().kind, "balloon") << c.name;
  }

  TempDir drive;
  const BackupResult result = BackUpData(data_.paths(), data_.settings(), clock_, prompter_, progress_,
                                         {BackupKind::Drive, "", drive.path().string()});
  ASSERT_TRUE(result.status.ok) << result.status.message;
  const BackupForm reopened = OpenBackupForm(data_.settings());
  EXPECT_EQ(reopened.kind, BackupKind::Drive);
  EXPECT_EQ(reopened.drive, drive.path().string());
  EXPECT_EQ(data_.settings().readInt("Backup", "Option", -1), 2);
}

TEST_F(BackupTest, CopiesEveryFileIntoTheDatedFolderAndRecordsTheTime) {
  // Journal files beside the data file belong to the live file, not to a
  // snapshot of it; the restore test copy is a temporary.
  Write(data_.paths().dataDir / "tallyvane.vdb-journal", "stale journal");
  Write(data_.paths().restoreTestCopy(), "temporary");
  TempDir to;
  const BackupResult result = backUp(to.path());
  ASSERT_TRUE(result.status.ok) << result.status.message;
  EXPECT_EQ(result.folder, dated(to));
  EXPECT_EQ(Names(to.path()), std::set<std::string>{"Tallyvane-Backup-2026-12-10"});
  EXPECT_EQ(Names(dated(to)), (std::set<std::string>{"notes.txt", "tallyvane.vdb"}));
  EXPECT_EQ(Slurp(dated(to) / "notes.txt"), "kept as it is");
  EXPECT_EQ(AccountName(dated(to) / "tallyvane.vdb", 1), "Checking Account");
  EXPECT_EQ(data_.settings().readInt("Setting", "LastBackup", 0), clock_.now());
  EXPECT_EQ(progress_.titles, std::vector<std::string>{"Back up Files"});
  EXPECT_EQ(progress_.lastDone, progress_.lastTotal);
  ASSERT_FALSE(prompter_.shown.empty());
  EXPECT_EQ(prompter_.shown.back().title, "Backup");
  EXPECT_EQ(prompter_.shown.back().text, "The data was backed up successfully.");
}

TEST_F(BackupTest, TakesAConsistentCopyWhileTheProgramWrites) {
  store::Db& db = data_.db();
  ASSERT_TRUE(db.exec("BEGIN IMMEDIATE; UPDATE Accounts SET AcctName = 'Half written' WHERE ID = 1"));
  TempDir to;
  const BackupResult result = backUp(to.path());
  ASSERT_TRUE(db.exec("COMMIT"));
  ASSERT_TRUE(result.status.ok) << result.status.message;
  EXPECT_EQ(AccountName(dated(to) / "tallyvane.vdb", 1), "Checking Account");
}

TEST_F(BackupTest, RefusesADestinationItCannotWriteTo) {
  TempDir to;
  Write(to / "a-file", "");
  // /proc takes no new files, even from root.
  const std::filesystem::path destinations[] = {to / "a-file", to / "missing", "/proc"};
  for (const auto& destination : destinations) {
    const BackupResult result = backUp(destination);
    EXPECT_EQ(result.status.message, "Cannot write to the destination folder. Please check you have write access.")
        << destination;
    EXPECT_EQ(result.status.field, "folder");
  }
  EXPECT_EQ(Names(to.path()), std::set<std::string>{"a-file"});
  EXPECT_EQ(data_.settings().readString("Setting", "LastBackup"), "");
}

TEST_F(BackupTest, AFailurePartWayRemovesWhatItWroteAndRecordsNothing) {
  TempDir to;
  struct Case {
    const char* name;
    FileFaults faults;
  };
  const std::filesystem::path destination = to / "usb";
  const Case cases[] = {
      {"full disk at the second file", {[](const std::filesystem::path& file) { return file == "tallyvane.vdb"; }, {}}},
      {"destination vanishes", {{}, [&](std::string_view step) {
         if (step == "copy tallyvane.vdb") std::filesystem::remove_all(destination);
       }}},
  };
  for (const Case& c : cases) {
    std::filesystem::create_directories(destination);
    const BackupResult result = backUp(destination, &c.faults);
    EXPECT_FALSE(result.status.ok) << c.name;
    EXPECT_EQ(result.status.title, "Backup") << c.name;
    EXPECT_NE(result.status.message.find("The data could not be backed up"), std::string::npos) << c.name;
    EXPECT_TRUE(Names(destination).empty()) << c.name;
    EXPECT_EQ(data_.settings().readString("Setting", "LastBackup"), "") << c.name;
    ASSERT_FALSE(prompter_.shown.empty());
    EXPECT_EQ(prompter_.shown.back().kind, "message") << c.name;
  }
}

TEST_F(BackupTest, ASecondBackupOnTheSameDayReplacesTheFirstOnlyWhenComplete) {
  TempDir to;
  ASSERT_TRUE(backUp(to.path()).status.ok);
  Write(data_.paths().dataDir / "notes.txt", "second version");
  const FileFaults faults{[](const std::filesystem::path& file) { return file == "tallyvane.vdb"; }, {}};
  clock_.set(clock_.now() + 60);
  ASSERT_FALSE(backUp(to.path(), &faults).status.ok);
  EXPECT_EQ(Names(to.path()), std::set<std::string>{"Tallyvane-Backup-2026-12-10"});
  EXPECT_EQ(Slurp(dated(to) / "notes.txt"), "kept as it is");
  EXPECT_EQ(data_.settings().readInt("Setting", "LastBackup", 0), clock_.now() - 60);

  ASSERT_TRUE(backUp(to.path()).status.ok);
  EXPECT_EQ(Names(to.path()), std::set<std::string>{"Tallyvane-Backup-2026-12-10"});
  EXPECT_EQ(Slurp(dated(to) / "notes.txt"), "second version");
  EXPECT_EQ(data_.settings().readInt("Setting", "LastBackup", 0), clock_.now());
}

// Settings whose writes all fail, as with a read-only settings file.
class UnwritableSettings final : public store::Settings {
 public:
  [[nodiscard]] std::string readString(std::string_view section, std::string_view name) const override {
    return values_.readString(section, name);
  }
  [[nodiscard]] std::string readMachineString(std::string_view, std::string_view) const override { return {}; }
  bool writeString(std::string_view, std::string_view, std::string_view) override { return false; }
  bool remove(std::string_view, std::string_view) override { return false; }

 private:
  store::MemorySettings values_;
};

TEST_F(BackupTest, SettingsThatCannotBeWrittenMakeTheBackupAFileError) {
  UnwritableSettings settings;
  TempDir to;
  BackupForm form;
  form.folder = to.path().string();
  const BackupResult result = BackUpData(data_.paths(), settings, clock_, prompter_, progress_, form);
  EXPECT_FALSE(result.status.ok);
  EXPECT_TRUE(result.status.fileError);
  EXPECT_EQ(result.status.message,
            "The data was backed up, but the settings file could not be written, so the time of this backup and its "
            "destination were not saved.");
  // The copy itself is whole and where it belongs.
  EXPECT_EQ(result.folder, dated(to));
  EXPECT_EQ(Names(dated(to)), (std::set<std::string>{"notes.txt", "tallyvane.vdb"}));
  ASSERT_FALSE(prompter_.shown.empty());
  EXPECT_EQ(prompter_.shown.back().title, "Backup");
  EXPECT_EQ(prompter_.shown.back().text, result.status.message);
}

// The name an interrupted backup by process `pid` of this computer left.
std::string StagingLeftover(const std::string& day, pid_t pid) {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  std::string name(host);
  for (char& c : name) {
    if (c == '/' || c == '.') c = '_';
  }
  return ".Tallyvane-Backup-" + day + "." + name + "-" + std::to_string(pid) + ".part";
}

pid_t DeadProcess() {
  const pid_t pid = fork();
  if (pid == 0) _exit(0);
  waitpid(pid, nullptr, 0);
  return pid;
}

TEST_F(BackupTest, LeftoversOfInterruptedRunsAreClearedAndNeverCopied) {
  TempDir to;
  const std::filesystem::path dataDir = data_.paths().dataDir;
  const std::string abandoned = StagingLeftover("2026-12-09", DeadProcess());
  const std::string running = StagingLeftover("2026-12-10", getpid());
  for (const std::string& name : {abandoned, running, std::string(".Tallyvane-Backup-2026-12-01.part"),
                                  std::string(".Tallyvane-Backup-2026-11-01.part")}) {
    std::filesystem::create_directories(to / name);
    Write(to / name / "tallyvane.vdb", "half");
  }
  // Unnamed leftovers of earlier versions count as abandoned after a day.
  const struct timeval old[2] = {{clock_.now() - 2 * 86400, 0}, {clock_.now() - 2 * 86400, 0}};
  ASSERT_EQ(utimes((to / ".Tallyvane-Backup-2026-11-01.part").c_str(), old), 0);
  const struct timeval recent[2] = {{clock_.now() - 60, 0}, {clock_.now() - 60, 0}};
  ASSERT_EQ(utimes((to / ".Tallyvane-Backup-2026-12-01.part").c_str(), recent), 0);
  std::filesystem::create_directories(dataDir.string() + ".restore");
  Write(std::filesystem::path(dataDir.string() + ".restore") / "tallyvane.vdb", "half a restore");
  Write(data_.paths().restoreTestCopy().string() + ".part", "half a test copy");
  Write(dataDir / "tallyvane.vdb.part", "half a template copy");

  const BackupResult result = backUp(to.path());
  ASSERT_TRUE(result.status.ok) << result.status.message;
  EXPECT_EQ(Names(to.path()), (std::set<std::string>{"Tallyvane-Backup-2026-12-10", running,
                                                     ".Tallyvane-Backup-2026-12-01.part"}))
      << "a running backup's and another computer's recent staging folders stay";
  EXPECT_EQ(Names(dated(to)), (std::set<std::string>{"notes.txt", "tallyvane.vdb"}));
  EXPECT_FALSE(std::filesystem::exists(dataDir.string() + ".restore"));
  EXPECT_FALSE(std::filesystem::exists(data_.paths().restoreTestCopy().string() + ".part"));
}

TEST(BackupReminderDue, DueOnlyAfterMoreThanThirtyDays) {
  const std::time_t now = 1'800'000'000;
  struct Case {
    const char* name;
    const char* stored;  // nullptr: absent
    bool due;
    long long recorded;
  };
  const Case cases[] = {
      {"first start", nullptr, false, now},
      {"zero reads as none", "0", false, now},
      {"exactly thirty days", "1797408000", false, 1797408000},
      {"one second more", "1797407999", true, 1797407999},
      {"yesterday", "1799913600", false, 1799913600},
  };
  for (const Case& c : cases) {
    store::MemorySettings settings;
    if (c.stored != nullptr) settings.writeString("Setting", "LastBackup", c.stored);
    const BackupReminder reminder = BackupReminderDue(settings, now);
    EXPECT_EQ(reminder.due, c.due) << c.name;
    EXPECT_EQ(reminder.lastBackup, c.recorded) << c.name;
    EXPECT_EQ(settings.readInt("Setting", "LastBackup", -1), c.recorded) << c.name;
  }
}

// A data folder whose first account is "Old Account", and a backup folder
// whose first account is "New Account", each with a marker file saying which.
class RestoreTest : public BackupTest {
 protected:
  RestoreTest() {
    store::Db& db = data_.db();
    EXPECT_TRUE(db.exec("UPDATE Accounts SET AcctName = 'New Account' WHERE ID = 1"));
    Write(data_.paths().dataDir / "which.txt", "new");
    EXPECT_TRUE(backUp(backupRoot_.path()).status.ok);
    backup_ = dated(backupRoot_);
    EXPECT_TRUE(db.exec("UPDATE Accounts SET AcctName = 'Old Account' WHERE ID = 1"));
    Write(data_.paths().dataDir / "which.txt", "old");
    Write(data_.paths().dataDir / "only-old.txt", "old");
    prompter_.shown.clear();
    progress_.titles.clear();
  }
  store::Status restore(const std::filesystem::path& folder, const FileFaults* faults = nullptr) {
    return RestoreData(data_.paths(), clock_, prompter_, progress_,
                       [folder](std::string_view) { return std::optional<std::filesystem::path>(folder); },
                       &data_.context(), faults);
  }
  // Which data folder is in place: "old", "new", or what went wrong.
  std::string inPlace() {
    const std::filesystem::path dir = data_.paths().dataDir;
    const std::string which = Slurp(dir / "which.txt");
    const std::string account = AccountName(dir / "tallyvane.vdb", 1);
    if (which == "old" && account == "Old Account") return "old";
    if (which == "new" && account == "New Account") return "new";
    return "marker '" + which + "', account '" + account + "'";
  }

  TempDir backupRoot_;
  std::filesystem::path backup_;
};

TEST_F(RestoreTest, ReplacesTheDataFolderAndReopensTheOpenFile) {
  prompter_.answer("Restore from backup");
  const store::Status restored = restore(backup_);
  ASSERT_TRUE(restored.ok) << restored.message;
  EXPECT_EQ(inPlace(), "new");
  EXPECT_FALSE(std::filesystem::exists(data_.paths().dataDir / "only-old.txt"));
  // The open context reads the restored file.
  EXPECT_EQ(store::QueryFirstText(data_.db(), "SELECT AcctName FROM Accounts WHERE ID = 1"), "New Account");
  // Nothing is left beside the data folder: neither the gathered copy nor the old folder.
  EXPECT_EQ(Names(data_.paths().dataDir.parent_path()), std::set<std::string>{"data"});
  EXPECT_EQ(progress_.titles, std::vector<std::string>{"Restore Files"});
  ASSERT_FALSE(prompter_.shown.empty());
  EXPECT_EQ(prompter_.shown.back().title, "Data Restore Success");
  EXPECT_EQ(prompter_.shown.back().text, "The data was restored successfully.");
}

TEST_F(RestoreTest, DecliningOrAnUnusableFolderChangesNothing) {
  TempDir bad;
  std::filesystem::create_directories(bad / "empty");
  std::filesystem::create_directories(bad / "damaged");
  Write(bad / "damaged" / "tallyvane.vdb", std::string(8192, 'x'));
  std::filesystem::create_directories(bad / "no-types");
  std::filesystem::copy_file(backup_ / "tallyvane.vdb", bad / "no-types" / "tallyvane.vdb");
  {
    store::Db db;
    ASSERT_TRUE(db.open((bad / "no-types" / "tallyvane.vdb").string()).ok);
    ASSERT_TRUE(db.exec("DELETE FROM AccountTypes"));
  }
  struct Case {
    const char* name;
    std::filesystem::path folder;
    std::vector<std::string> answers;
  };
  const Case cases[] = {
      {"not confirmed", backup_, {"Don't restore"}},
      {"no data file", bad / "empty", {"Restore from backup", "No"}},
      {"damaged data file", bad / "damaged", {"Restore from backup", "No"}},
      {"empty AccountTypes", bad / "no-types", {"Restore from backup", "No"}},
  };
  for (const Case& c : cases) {
    RecordingPrompter prompter;
    for (const std::string& answer : c.answers) prompter.answer(answer);
    const store::Status status =
        RestoreData(data_.paths(), clock_, prompter, progress_,
                    [&](std::string_view) { return std::optional<std::filesystem::path>(c.folder); }, &data_.context());
    EXPECT_TRUE(status.declined) << c.name;
    EXPECT_EQ(inPlace(), "old") << c.name;
    ASSERT_EQ(prompter.shown.size(), c.answers.size()) << c.name;
    if (c.answers.size() == 2) {
      EXPECT_EQ(prompter.shown[1].title, "Error Restoring Data") << c.name;
      EXPECT_EQ(prompter.shown[1].text, "Restore failed. Would you like to pick a different folder?") << c.name;
      EXPECT_EQ(prompter.shown[1].buttons, (std::vector<std::string>{"Pick Folder", "No"})) << c.name;
    }
  }

  // "Pick Folder" asks again; the second pick is restored.
  std::vector<std::filesystem::path> picks = {bad / "empty", backup_};
  std::size_t next = 0;
  std::vector<std::string> titles;
  prompter_.answer("Restore from backup");
  prompter_.answer("Pick Folder");
  const store::Status status = RestoreData(
      data_.paths(), clock_, prompter_, progress_,
      [&](std::string_view title) {
        titles.emplace_back(title);
        return next < picks.size() ? std::optional<std::filesystem::path>(picks[next++]) : std::nullopt;
      },
      &data_.context());
  EXPECT_TRUE(status.ok) << status.message;
  EXPECT_EQ(titles, (std::vector<std::string>{"Restore Folder Name", "Restore Folder Name"}));
  EXPECT_EQ(inPlace(), "new");
}

TEST_F(RestoreTest, LeftoversAreClearedAtTheStartButNeverUnderARestore) {
  const std::filesystem::path staging = data_.paths().dataDir.string() + ".restore";
  std::filesystem::create_directories(staging);
  Write(staging / "stale.txt", "from a restore killed before its swap");
  Write(data_.paths().restoreTestCopy().string() + ".part", "half a test copy");
  RemoveInterruptedLeftovers(data_.paths());
  EXPECT_FALSE(std::filesystem::exists(staging));
  EXPECT_FALSE(std::filesystem::exists(data_.paths().restoreTestCopy().string() + ".part"));

  // Another program starting while this restore copies leaves it alone.
  FileFaults faults;
  bool stagingKept = false;
  faults.atStep = [&](std::string_view step) {
    if (step != "copied") return;
    RemoveInterruptedLeftovers(data_.paths());
    stagingKept = std::filesystem::exists(staging / "which.txt");
  };
  prompter_.answer("Restore from backup");
  ASSERT_TRUE(restore(backup_, &faults).ok);
  EXPECT_TRUE(stagingKept);
  EXPECT_EQ(inPlace(), "new");
  EXPECT_FALSE(std::filesystem::exists(staging));
}

TEST_F(RestoreTest, AFailedCopyLeavesTheUserWhereTheyStarted) {
  const std::set<std::string> before = Names(data_.paths().dataDir);
  prompter_.answer("Restore from backup");
  const FileFaults faults{[](const std::filesystem::path& file) { return file == "which.txt"; }, {}};
  const store::Status status = restore(backup_, &faults);
  EXPECT_FALSE(status.ok);
  EXPECT_EQ(status.message, "There was an error when restoring the data.");
  EXPECT_EQ(status.title, "Data Restore Unsuccessful");
  EXPECT_EQ(inPlace(), "old");
  EXPECT_EQ(Names(data_.paths().dataDir), before);
  EXPECT_EQ(Names(data_.paths().dataDir.parent_path()), std::set<std::string>{"data"});
  EXPECT_EQ(store::QueryFirstText(data_.db(), "SELECT AcctName FROM Accounts WHERE ID = 1"), "Old Account");
}

TEST_F(RestoreTest, ABackupKeptInsideTheDataFolderIsNotDeletedWithIt) {
  const std::filesystem::path inside = data_.paths().dataDir / "Tallyvane-Backup-2026-12-10";
  std::filesystem::copy(backup_, inside);
  prompter_.answer("Restore from backup");
  ASSERT_TRUE(restore(inside).ok);
  EXPECT_EQ(inPlace(), "new");
  // The old folder went aside, named after the time, with the backup in it.
  const std::filesystem::path aside = data_.paths().dataDir.parent_path() / std::to_string(clock_.now());
  EXPECT_TRUE(std::filesystem::is_regular_file(aside / "Tallyvane-Backup-2026-12-10" / "tallyvane.vdb"));
}

TEST_F(RestoreTest, AKillAtAnyStepLeavesTheOldOrTheRestoredFolder) {
  const char* steps[] = {"checked",   "staged",  "copy notes.txt", "copy tallyvane.vdb", "copy which.txt",
                         "copied",    "swapped", "set aside",      "done"};
  for (const char* step : steps) {
    const std::string before = inPlace();
    data_.context().close();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      RecordingPrompter prompter;
      prompter.answer("Restore from backup");
      RecordingProgress progress;
      const std::string target = step;
      const FileFaults faults{{}, [&](std::string_view at) {
                                if (at == target) ::raise(SIGKILL);
                              }};
      static_cast<void>(RestoreData(
          data_.paths(), clock_, prompter, progress,
          [&](std::string_view) { return std::optional<std::filesystem::path>(backup_); }, nullptr, &faults));
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "never reached " << step;
    const std::string after = inPlace();
    EXPECT_TRUE(after == "old" || after == "new") << step << ": " << after;
    // Up to the swap the old folder stays; from it on the restored one is there.
    const bool swapped = std::string_view(step) == "swapped" || std::string_view(step) == "set aside" ||
                         std::string_view(step) == "done";
    EXPECT_EQ(after, swapped ? "new" : before) << step;

    // Put the old folder back for the next step; a leftover of the killed
    // run must not get in the way of a restore.
    ASSERT_TRUE(data_.context().OpenDataContext().ok);
    ASSERT_TRUE(data_.db().exec("UPDATE Accounts SET AcctName = 'Old Account' WHERE ID = 1"));
    Write(data_.paths().dataDir / "which.txt", "old");
  }
  prompter_.answer("Restore from backup");
  EXPECT_TRUE(restore(backup_).ok);
  EXPECT_EQ(inPlace(), "new");
}

}  // namespace
}  // namespace tallyvane::app
