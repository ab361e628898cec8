// File work shared by the installation, the backup and the restore: copies
// that land whole or not at all, a consistent copy of a live database through
// SQLite's online backup, an atomic swap of two folders, and the retries
// while a file is busy.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

namespace tallyvane::store {

// Waits between attempts: `firstWaitMs`, doubling, each wait taken only while
// it is below what remains of `budgetMs`.
struct RetrySchedule {
  int firstWaitMs = 8;
  int budgetMs = 1000;
};

enum class Attempt { Done, Busy, Failed };

using SleepFunction = std::function<void(int milliseconds)>;
void SleepMilliseconds(int milliseconds);

// Runs `attempt` until it is done or fails for another reason than a busy
// file, or the schedule has no wait left. True when an attempt was done.
[[nodiscard]] bool RetryWhileBusy(const std::function<Attempt()>& attempt, RetrySchedule schedule,
                                  const SleepFunction& sleep = SleepMilliseconds);

// A failure that a later attempt may not meet: the file is in use.
[[nodiscard]] bool IsBusyError(const std::error_code& error);

// Bytes copied so far; returns false to stop the copy (a cancel).
using CopyProgress = std::function<bool(std::uintmax_t bytesDone)>;

// Copies a regular file to `to` (replaced when present) through a temporary
// name and flushes it to the disk; on failure `to` is as it was and nothing
// else is left behind. `error` says why.
[[nodiscard]] bool CopyFileDurably(const std::filesystem::path& from, const std::filesystem::path& to,
                                   std::error_code& error, const CopyProgress& progress = {});

// Copies a SQLite database with the online backup API: the copy is the
// database as one transaction left it, even while another connection writes
// to it. `busyTimeoutMs` is how long to wait for a writer to finish. Fails on
// a file that is no database; `error` then holds SQLite's message. On failure
// `to` is as it was. `progress` gets bytes of pages copied.
[[nodiscard]] bool SnapshotDatabase(const std::filesystem::path& from, const std::filesystem::path& to,
                                    int busyTimeoutMs, std::string& error, const CopyProgress& progress = {});

// The files SQLite keeps beside a database while it writes ("-journal",
// "-wal", "-shm"); a snapshot must not travel with them.
[[nodiscard]] bool IsDatabaseCompanion(const std::filesystem::path& file, const std::filesystem::path& database);

// Another process holds one of SQLite's locks on the database file: it is
// reading or writing it right now. Locks of this process do not count.
[[nodiscard]] bool IsLockedByAnotherProcess(const std::filesystem::path& database);

// Swaps two existing paths in one step (both stay on the same file system).
// Where the file system cannot swap, falls back to three renames through a
// spare name (not safe against a kill) and says so in `atomic`.
[[nodiscard]] bool ExchangePaths(const std::filesystem::path& a, const std::filesystem::path& b,
                                 std::error_code& error, bool* atomic = nullptr);

// Flushes a file or a folder's entries to the disk.
bool SyncPath(const std::filesystem::path& path);

// A name beside `path` that does not exist yet: "<path><suffix>", then with
// "-2", "-3" … appended.
[[nodiscard]] std::filesystem::path UnusedPath(const std::filesystem::path& path, const std::string& suffix = {});

}  // namespace tallyvane::store
