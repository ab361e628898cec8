// Backing the data folder up into a dated folder, restoring it from such a
// folder after the restore test, and the reminder when no backup was made for
// more than thirty days. The data file is copied through SQLite's online
// backup, so a copy taken while the program has the file open is still whole.
#pragma once

#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "store/data_context.h"
#include "store/paths.h"
#include "store/ports.h"
#include "store/settings.h"
#include "store/status.h"

namespace tallyvane::app {

inline constexpr std::string_view kBackupFolderPrefix = "Tallyvane-Backup-";
inline constexpr long long kBackupReminderSeconds = 2592001;

// The destination kinds as "Backup"/"Option" stores them.
enum class BackupKind : int { Folder = 0, Drive = 2 };

struct BackupForm {
  BackupKind kind = BackupKind::Folder;
  std::string folder;  // "NetworkFolder"
  std::string drive;   // "Drive"
  [[nodiscard]] const std::string& destination() const { return kind == BackupKind::Drive ? drive : folder; }
};

// The form as it opens: the kind and paths used last time.
[[nodiscard]] BackupForm OpenBackupForm(const store::Settings& settings);

// Faults put in on purpose by tests: called before each file is copied (with
// the file's name) and before each step of a restore; returning true makes
// that copy fail as a full disk would.
struct FileFaults {
  std::function<bool(const std::filesystem::path& file)> failCopy;
  std::function<void(std::string_view step)> atStep;
};

struct BackupResult {
  store::Status status;
  std::filesystem::path folder;  // the backup folder, on success
};

// The "Back Up" button: the form's checks, the remembered destination, the
// write check, then every file of the data folder into
// "Tallyvane-Backup-YYYY-MM-DD" (today). A copy that fails part-way is
// removed; an earlier backup of the same day stays until the new one is
// complete. "LastBackup" is written only on success. Hidden staging folders
// of backups that were interrupted are removed from the destination first.
// Settings that cannot be written make it a file error, reported after the
// copy is in place.
[[nodiscard]] BackupResult BackUpData(const store::Paths& paths, store::Settings& settings, const store::Clock& clock,
                                      store::Prompter& prompter, store::Progress& progress, const BackupForm& form,
                                      const FileFaults* faults = nullptr);

// Asks for a folder with the given title; nullopt when the user cancels.
using FolderPicker = std::function<std::optional<std::filesystem::path>(std::string_view title)>;

// Replaces the data folder with the files of a backup folder that passes the
// restore test. The restored files are gathered beside the data folder first
// and swapped in with one rename, so a failed copy or a kill at any moment
// leaves either the old data folder or the restored one in place. `open`, when
// given, is the program's data context: closed around the swap and reopened.
[[nodiscard]] store::Status RestoreData(const store::Paths& paths, const store::Clock& clock,
                                        store::Prompter& prompter, store::Progress& progress,
                                        const FolderPicker& pickFolder, store::DataContext* open = nullptr,
                                        const FileFaults* faults = nullptr);

// Clears what an interrupted restore left (its staging folder beside the
// data folder, the restore test's copy in it) unless a restore is running.
// Backups and restores call it first; the program calls it at start.
void RemoveInterruptedLeftovers(const store::Paths& paths);

struct BackupReminder {
  bool due = false;
  long long lastBackup = 0;  // seconds since 1970
};
// A missing "LastBackup" is written with `now` first, so a first start shows
// no reminder.
[[nodiscard]] BackupReminder BackupReminderDue(store::Settings& settings, std::time_t now);

}  // namespace tallyvane::app
