#include "app/backup.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <system_error>
#include <vector>

#include "store/dates.h"
#include "store/db.h"
#include "store/files.h"

namespace tallyvane::app {

using store::Status;

namespace {

constexpr std::string_view kBackupSection = "Backup";
constexpr std::string_view kLastBackupSection = "Setting";
constexpr std::string_view kLastBackup = "LastBackup";
constexpr std::string_view kCannotWrite = "Cannot write to the destination folder. Please check you have write access.";
constexpr std::string_view kRestoreError = "There was an error when restoring the data.";
constexpr std::string_view kRestoreErrorTitle = "Data Restore Unsuccessful";
constexpr std::string_view kSettingsNotSaved =
    "The data was backed up, but the settings file could not be written, so the time of this backup and its "
    "destination were not saved.";
constexpr std::string_view kPartSuffix = ".part";
// A staging folder another computer may still be filling (a shared network
// folder) is taken for abandoned only after this long.
constexpr long long kForeignLeftoverSeconds = 24 * 60 * 60;
// How long a copy of the live data file waits for a writer of this program.
constexpr int kSnapshotWaitMs = store::kBusyTimeoutMs;

const char* FieldOf(BackupKind kind) { return kind == BackupKind::Drive ? "drive" : "folder"; }

// The destination takes a new file: made, written and removed again. Asking
// the permission bits is not enough (a read-only mount, a full disk).
bool CanWriteInto(const std::filesystem::path& folder) {
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) return false;
  std::string name = (folder / ".tallyvane-write-test-XXXXXX").string();
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return false;
  const bool wrote = ::write(fd, "0", 1) == 1 && ::fsync(fd) == 0;
  ::close(fd);
  ::unlink(name.c_str());
  return wrote;
}

// The files of a folder that a copy carries: regular files only. The
// journal files beside the data file are left out, since the data file
// itself is copied as one consistent snapshot; the restore test copy is a
// temporary of the program.
struct FileToCopy {
  std::filesystem::path path;
  std::uintmax_t size = 0;
  bool database = false;
};

bool ListFiles(const std::filesystem::path& folder, std::vector<FileToCopy>& files, std::error_code& error) {
  const std::filesystem::path dataFile = folder / store::kDataFileName;
  const std::filesystem::path testCopy = folder / (std::string(store::kRestoreTestName) + ".vdb");
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::error_code ec;
    if (!it->is_regular_file(ec)) continue;
    const std::filesystem::path& path = it->path();
    if (store::IsDatabaseCompanion(path, dataFile) || path == testCopy || store::IsDatabaseCompanion(path, testCopy)) {
      continue;
    }
    // A copy that was interrupted (the restore test's, the template's) is
    // nobody's data.
    if (path.filename().string().ends_with(kPartSuffix)) continue;
    files.push_back({path, it->file_size(ec), path == dataFile});
  }
  return !error;
}

// Copies the listed files into `target` with progress; the first failure
// stops and says why.
bool CopyFiles(const std::vector<FileToCopy>& files, const std::filesystem::path& target, store::Progress& progress,
               const FileFaults* faults, std::string& why, bool& cancelled) {
  std::uintmax_t total = 0;
  for (const FileToCopy& file : files) total += file.size;
  std::uintmax_t before = 0;
  cancelled = false;
  for (const FileToCopy& file : files) {
    const std::filesystem::path name = file.path.filename();
    progress.setText(name.string());
    progress.setFraction(static_cast<long long>(before), static_cast<long long>(total));
    if (faults != nullptr && faults->atStep) faults->atStep("copy " + name.string());
    if (faults != nullptr && faults->failCopy && faults->failCopy(name)) {
      why = std::make_error_code(std::errc::no_space_on_device).message();
      return false;
    }
    auto report = [&](std::uintmax_t done) {
      progress.setFraction(static_cast<long long>(before + std::min(done, file.size)), static_cast<long long>(total));
      if (progress.cancelRequested()) {
        cancelled = true;
        return false;
      }
      return true;
    };
    bool copied = false;
    if (file.database) {
      copied = store::SnapshotDatabase(file.path, target / name, kSnapshotWaitMs, why, report);
    } else {
      std::error_code error;
      copied = store::CopyFileDurably(file.path, target / name, error, report);
      if (!copied) why = error.message();
    }
    if (!copied) {
      why = name.string() + ": " + why;
      return false;
    }
    before += file.size;
  }
  progress.setFraction(static_cast<long long>(total), static_cast<long long>(total));
  if (!store::SyncPath(target)) {
    why = "the folder could not be written to the disk";
    return false;
  }
  return true;
}

bool MakeFolder(const std::filesystem::path& folder) { return ::mkdir(folder.c_str(), 0700) == 0; }

// Where a restore sets the old data folder aside: the common data folder,
// unless that is the data folder itself (as with --data-dir), then its parent.
std::filesystem::path SetAsideRoot(const store::Paths& paths) {
  const std::filesystem::path common = paths.commonDataDir.lexically_normal();
  const std::filesystem::path data = paths.dataDir.lexically_normal();
  const std::filesystem::path relative = common.lexically_relative(data);
  const bool insideData = !common.empty() && !relative.empty() && *relative.begin() != "..";
  if (common.empty() || insideData) return data.parent_path();
  return common;
}

// `path` is `folder` or lies below it.
bool IsWithin(const std::filesystem::path& path, const std::filesystem::path& folder) {
  std::error_code ec;
  const std::filesystem::path relative =
      std::filesystem::weakly_canonical(path, ec).lexically_relative(std::filesystem::weakly_canonical(folder, ec));
  return !relative.empty() && *relative.begin() != "..";
}

bool RenameWithRetry(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& error) {
  return store::RetryWhileBusy(
      [&] {
        std::filesystem::rename(from, to, error);
        if (!error) return store::Attempt::Done;
        return store::IsBusyError(error) ? store::Attempt::Busy : store::Attempt::Failed;
      },
      {24, 3000});
}

void Step(const FileFaults* faults, std::string_view step) {
  if (faults != nullptr && faults->atStep) faults->atStep(step);
}

std::string HostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return "host";
  std::string host(name);
  // Only what is safe in a file name.
  for (char& c : host) {
    if (c == '/' || c == '.' || c == '\0') c = '_';
  }
  return host.empty() ? "host" : host;
}

// The hidden folder a backup is gathered in: named after this computer and
// process, so a later backup can tell an abandoned one from one still
// being written.
std::string StagingName(const std::filesystem::path& dated) {
  return "." + dated.filename().string() + "." + HostName() + "-" + std::to_string(::getpid()) +
         std::string(kPartSuffix);
}

bool ProcessAlive(long long pid) {
  if (pid <= 0 || pid > INT_MAX) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// Whether a hidden staging folder in a destination belongs to no backup that
// is still running: this computer's once its process is gone, any other's
// (or one from before staging folders were named) after a day.
bool AbandonedStaging(const std::filesystem::path& folder, std::time_t now) {
  std::string name = folder.filename().string();
  const std::string prefix = "." + std::string(kBackupFolderPrefix);
  if (!name.starts_with(prefix)) return false;
  // UnusedPath may have numbered it: ".part-2".
  if (const auto dash = name.rfind(std::string(kPartSuffix) + "-"); dash != std::string::npos) {
    name.resize(dash + kPartSuffix.size());
  }
  if (!name.ends_with(kPartSuffix)) return false;
  const std::string owner = name.substr(0, name.size() - kPartSuffix.size());
  const std::string host = "." + HostName() + "-";
  if (const auto at = owner.rfind(host); at != std::string::npos) {
    const std::string pid = owner.substr(at + host.size());
    if (!pid.empty() && pid.find_first_not_of("0123456789") == std::string::npos) {
      return !ProcessAlive(std::stoll(pid));
    }
  }
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0) return false;
  return static_cast<long long>(now) - static_cast<long long>(info.st_mtime) >= kForeignLeftoverSeconds;
}

void RemoveAbandonedBackups(const std::filesystem::path& destination, std::time_t now) {
  std::error_code error;
  std::vector<std::filesystem::path> abandoned;
  for (std::filesystem::directory_iterator it(destination, error), end; !error && it != end; it.increment(error)) {
    std::error_code ec;
    if (it->is_directory(ec) && !it->is_symlink(ec) && AbandonedStaging(it->path(), now)) abandoned.push_back(it->path());
  }
  for (const std::filesystem::path& folder : abandoned) std::filesystem::remove_all(folder, error);
}

std::filesystem::path RestoreStaging(const store::Paths& paths) {
  return paths.dataDir.lexically_normal().string() + ".restore";
}

// Locks on the folders a restore works on (the data folder, then its
// staging folder), held for the whole of the restore, so that no other
// program clears them from under it. The locks go with the folders through
// the swap, and leave no file behind.
class RestoreLock {
 public:
  RestoreLock() = default;
  RestoreLock(const RestoreLock&) = delete;
  RestoreLock& operator=(const RestoreLock&) = delete;
  ~RestoreLock() {
    for (int fd : fds_) ::close(fd);
  }
  // False when another restore holds the folder; true when it is locked now
  // or does not exist.
  bool take(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      return false;
    }
    fds_.push_back(fd);
    return true;
  }

 private:
  std::vector<int> fds_;
};

// What an interrupted restore leaves; the caller holds the restore locks.
void RemoveRestoreLeftovers(const store::Paths& paths) {
  std::error_code ec;
  std::filesystem::remove_all(RestoreStaging(paths), ec);
  const std::filesystem::path testCopy = paths.restoreTestCopy();
  for (const char* suffix : {"", ".part", ".part-journal", "-journal", "-wal", "-shm"}) {
    std::filesystem::remove(testCopy.string() + suffix, ec);
  }
}

}  // namespace

BackupForm OpenBackupForm(const store::Settings& settings) {
  BackupForm form;
  form.kind = settings.readInt(kBackupSection, "Option", 0) == 2 ? BackupKind::Drive : BackupKind::Folder;
  form.folder = settings.readString(kBackupSection, "NetworkFolder");
  form.drive = settings.readString(kBackupSection, "Drive");
  return form;
}

BackupResult BackUpData(const store::Paths& paths, store::Settings& settings, const store::Clock& clock,
                        store::Prompter& prompter, store::Progress& progress, const BackupForm& form,
                        const FileFaults* faults) {
  BackupResult result;
  const std::string& destination = form.destination();
  const char* field = FieldOf(form.kind);
  if (destination.empty()) {
    const std::string message = form.kind == BackupKind::Drive ? "Please select the drive you want to back up to."
                                                               : "Please select the folder you want to back up to.";
    prompter.balloon(field, "", message);
    result.status = Status::Fail(message, "", field);
    return result;
  }
  bool remembered = settings.writeInt(kBackupSection, "Option", static_cast<int>(form.kind));
  remembered =
      settings.writeString(kBackupSection, form.kind == BackupKind::Drive ? "Drive" : "NetworkFolder", destination) &&
      remembered;

  const std::filesystem::path target = destination;
  if (!CanWriteInto(target)) {
    prompter.balloon(field, "", kCannotWrite);
    result.status = Status::Fail(std::string(kCannotWrite), "", field);
    result.status.fileError = true;
    return result;
  }

  auto fail = [&](const std::string& why) {
    const std::string message = "The data could not be backed up (" + why + "). The incomplete copy was removed.";
    prompter.message("Backup", message, store::Icon::Error);
    result.status = Status::Fail(message, "Backup");
    result.status.fileError = true;
    return result;
  };

  // What interrupted backups and restores left is cleared first, and so never
  // copied into this backup.
  RemoveInterruptedLeftovers(paths);
  RemoveAbandonedBackups(target, clock.now());

  std::vector<FileToCopy> files;
  std::error_code error;
  if (!ListFiles(paths.dataDir, files, error)) return fail(error.message());
  bool hasDataFile = false;
  for (const FileToCopy& file : files) hasDataFile = hasDataFile || file.database;
  if (!hasDataFile) return fail("there is no data file in " + paths.dataDir.string());

  const std::filesystem::path dated = target / (std::string(kBackupFolderPrefix) + store::DateText(clock.now()));
  // Gathered under a hidden name and renamed into place when complete, so a
  // failure never leaves half a backup under the dated name.
  const std::filesystem::path staging = store::UnusedPath(target / StagingName(dated));
  if (!MakeFolder(staging)) return fail(std::make_error_code(static_cast<std::errc>(errno)).message());

  progress.setTitle("Back up Files");
  std::string why;
  bool cancelled = false;
  bool copied = CopyFiles(files, staging, progress, faults, why, cancelled);
  if (copied) {
    std::error_code ec;
    if (std::filesystem::is_directory(dated, ec)) {
      // Same day again: swap the new copy in, then drop the earlier one.
      copied = store::ExchangePaths(staging, dated, error);
    } else {
      std::filesystem::rename(staging, dated, error);
      copied = !error;
    }
    if (!copied) why = error.message();
    store::SyncPath(target);
  }
  std::error_code ignored;
  std::filesystem::remove_all(staging, ignored);
  if (cancelled) {
    result.status = Status::Declined();
    return result;
  }
  if (!copied) return fail(why);

  result.folder = dated;
  remembered = settings.writeInt(kLastBackupSection, kLastBackup, static_cast<long long>(clock.now())) && remembered;
  if (!remembered) {
    // The copy is whole, but the reminder and the next form would not know
    // of it: a failure to report, not a success.
    prompter.message("Backup", kSettingsNotSaved, store::Icon::Warning);
    result.status = Status::FileError(std::string(kSettingsNotSaved));
    result.status.title = "Backup";
    return result;
  }
  prompter.message("Backup", "The data was backed up successfully.", store::Icon::Information);
  return result;
}

Status RestoreData(const store::Paths& paths, const store::Clock& clock, store::Prompter& prompter,
                   store::Progress& progress, const FolderPicker& pickFolder, store::DataContext* open,
                   const FileFaults* faults) {
  const std::size_t confirm = prompter.ask(
      "Confirm Restore",
      "The restore will erase all existing information before the backup data is loaded. Do you really want to "
      "restore the data?",
      {"Restore from backup", "Don't restore"}, store::Icon::Question);
  if (confirm != 0) return Status::Declined();

  auto fail = [&] {
    prompter.message(kRestoreErrorTitle, kRestoreError, store::Icon::Error);
    Status status = Status::Fail(std::string(kRestoreError), std::string(kRestoreErrorTitle));
    status.fileError = true;
    return status;
  };
  // One restore at a time, from the restore test on: nobody clears its test
  // copy or staging folder meanwhile. What a restore killed before its swap
  // left is cleared under the same lock.
  RestoreLock lock;
  if (!lock.take(paths.dataDir.lexically_normal()) || !lock.take(RestoreStaging(paths))) return fail();
  RemoveRestoreLeftovers(paths);

  std::filesystem::path folder;
  for (;;) {
    const auto picked = pickFolder("Restore Folder Name");
    if (!picked) return Status::Declined();
    folder = *picked;
    if (store::IsDataFile(paths, folder)) break;
    const std::size_t again = prompter.ask("Error Restoring Data", "Restore failed. Would you like to pick a different folder?",
                                           {"Pick Folder", "No"}, store::Icon::Error);
    if (again != 0) return Status::Declined();
  }
  Step(faults, "checked");

  const std::filesystem::path dataDir = paths.dataDir.lexically_normal();
  const std::filesystem::path staging = RestoreStaging(paths);
  std::error_code error;
  std::filesystem::create_directories(dataDir.parent_path(), error);
  if (!MakeFolder(staging) || !lock.take(staging)) return fail();
  Step(faults, "staged");

  std::vector<FileToCopy> files;
  progress.setTitle("Restore Files");
  std::string why;
  bool cancelled = false;
  if (!ListFiles(folder, files, error) || !CopyFiles(files, staging, progress, faults, why, cancelled)) {
    std::filesystem::remove_all(staging, error);
    if (cancelled) return Status::Declined();
    return fail();
  }
  Step(faults, "copied");

  const bool wasOpen = open != nullptr && open->db().isOpen();
  if (wasOpen) open->close();
  auto reopen = [&] {
    if (wasOpen) static_cast<void>(open->OpenDataContext());
  };

  std::error_code ec;
  const bool hadData = std::filesystem::exists(dataDir, ec);
  bool swapped = false;
  if (hadData) {
    swapped = store::RetryWhileBusy(
        [&] {
          if (store::ExchangePaths(staging, dataDir, error)) return store::Attempt::Done;
          return store::IsBusyError(error) ? store::Attempt::Busy : store::Attempt::Failed;
        },
        {24, 3000});
  } else {
    swapped = RenameWithRetry(staging, dataDir, error);
  }
  if (!swapped) {
    std::filesystem::remove_all(staging, ec);
    reopen();
    return fail();
  }
  Step(faults, "swapped");
  store::SyncPath(dataDir.parent_path());

  // The old data folder now sits at the staging name. It is moved into the
  // common data folder, named after the time, before it is deleted; should
  // the deletion not finish, that is where the user finds it.
  if (hadData) {
    std::filesystem::path aside = staging;
    const std::filesystem::path root = SetAsideRoot(paths);
    std::filesystem::create_directories(root, ec);
    const std::filesystem::path named = store::UnusedPath(root / std::to_string(static_cast<long long>(clock.now())));
    if (RenameWithRetry(staging, named, error)) aside = named;
    Step(faults, "set aside");
    // A backup kept inside the old data folder went aside with it; that
    // folder is then kept rather than deleted with the user's backup in it.
    if (!IsWithin(folder, dataDir)) std::filesystem::remove_all(aside, ec);
  }
  reopen();
  Step(faults, "done");
  prompter.message("Data Restore Success", "The data was restored successfully.", store::Icon::Information);
  return Status::Ok();
}

void RemoveInterruptedLeftovers(const store::Paths& paths) {
  // A restore under way (another program's) keeps what it is working on.
  RestoreLock lock;
  if (lock.take(paths.dataDir.lexically_normal()) && lock.take(RestoreStaging(paths))) RemoveRestoreLeftovers(paths);
}

BackupReminder BackupReminderDue(store::Settings& settings, std::time_t now) {
  BackupReminder reminder;
  reminder.lastBackup = settings.readInt(kLastBackupSection, kLastBackup, 0);
  if (reminder.lastBackup < 1) {
    reminder.lastBackup = static_cast<long long>(now);
    settings.writeInt(kLastBackupSection, kLastBackup, reminder.lastBackup);
  }
  reminder.due = static_cast<long long>(now) - reminder.lastBackup >= kBackupReminderSeconds;
  return reminder;
}

}  // namespace tallyvane::app
