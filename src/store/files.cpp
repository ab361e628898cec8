#include "store/files.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

namespace tallyvane::store {

namespace {

constexpr std::size_t kCopyChunk = 8u << 20;
// 64 MB of 4 KB pages between progress reports.
constexpr int kSnapshotPagesPerStep = 16384;

std::error_code LastError() { return {errno, std::generic_category()}; }

std::filesystem::path PartPath(const std::filesystem::path& to) { return to.string() + ".part"; }

// Writes all of `data` or reports the error.
bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t wrote = ::write(fd, data, size);
    if (wrote < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += wrote;
    size -= static_cast<std::size_t>(wrote);
  }
  return true;
}

// The copy loop: in-kernel copies where the file systems allow, plain reads
// and writes elsewhere.
bool CopyContents(int in, int out, std::error_code& error, const CopyProgress& progress) {
  std::uintmax_t done = 0;
  bool kernelCopy = true;
  std::vector<char> buffer;
  for (;;) {
    ssize_t moved = -1;
    if (kernelCopy) {
      moved = ::copy_file_range(in, nullptr, out, nullptr, kCopyChunk, 0);
      if (moved < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) && done == 0) {
        kernelCopy = false;
        continue;
      }
    } else {
      if (buffer.empty()) buffer.resize(1u << 20);
      moved = ::read(in, buffer.data(), buffer.size());
      if (moved > 0 && !WriteAll(out, buffer.data(), static_cast<std::size_t>(moved))) moved = -1;
    }
    if (moved < 0) {
      if (errno == EINTR) continue;
      error = LastError();
      return false;
    }
    if (moved == 0) return true;
    done += static_cast<std::uintmax_t>(moved);
    if (progress && !progress(done)) {
      error = std::make_error_code(std::errc::operation_canceled);
      return false;
    }
  }
}

}  // namespace

void SleepMilliseconds(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

bool RetryWhileBusy(const std::function<Attempt()>& attempt, RetrySchedule schedule, const SleepFunction& sleep) {
  int waited = 0;
  int wait = schedule.firstWaitMs;
  for (;;) {
    const Attempt result = attempt();
    if (result == Attempt::Done) return true;
    if (result == Attempt::Failed) return false;
    if (wait <= 0 || wait >= schedule.budgetMs - waited) return false;
    sleep(wait);
    waited += wait;
    wait *= 2;
  }
}

bool IsBusyError(const std::error_code& error) {
  return error == std::errc::device_or_resource_busy || error == std::errc::text_file_busy ||
         error == std::errc::resource_unavailable_try_again;
}

bool CopyFileDurably(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& error,
                     const CopyProgress& progress) {
  error.clear();
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    error = LastError();
    return false;
  }
  const std::filesystem::path part = PartPath(to);
  const int out = ::open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (out < 0) {
    error = LastError();
    ::close(in);
    return false;
  }
  bool ok = CopyContents(in, out, error, progress);
  if (ok && ::fsync(out) != 0) {
    error = LastError();
    ok = false;
  }
  ::close(in);
  if (::close(out) != 0 && ok) {
    error = LastError();
    ok = false;
  }
  if (ok && ::rename(part.c_str(), to.c_str()) != 0) {
    error = LastError();
    ok = false;
  }
  if (!ok) ::unlink(part.c_str());
  return ok;
}

bool SnapshotDatabase(const std::filesystem::path& from, const std::filesystem::path& to, int busyTimeoutMs,
                      std::string& error, const CopyProgress& progress) {
  error.clear();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(from, ec)) {
    error = "the file " + from.string() + " does not exist";
    return false;
  }
  sqlite3* source = nullptr;
  sqlite3* target = nullptr;
  const std::filesystem::path part = PartPath(to);
  std::filesystem::remove(part, ec);
  auto fail = [&](std::string why) {
    error = std::move(why);
    sqlite3_close(source);
    sqlite3_close(target);
    std::filesystem::remove(part, ec);
    return false;
  };

  // Read-write without create, so a journal left by a crash is rolled back
  // first rather than copied around.
  if (sqlite3_open_v2(from.c_str(), &source, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    return fail(source != nullptr ? sqlite3_errmsg(source) : "out of memory");
  }
  sqlite3_busy_timeout(source, busyTimeoutMs);
  // Pages are read through a mapping rather than one read call each.
  sqlite3_exec(source, "PRAGMA mmap_size = 1073741824", nullptr, nullptr, nullptr);
  if (sqlite3_open_v2(part.c_str(), &target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    return fail(target != nullptr ? sqlite3_errmsg(target) : "out of memory");
  }
  // The copy is new and is thrown away when anything fails, so it needs no
  // journal; it is flushed once at the end.
  sqlite3_exec(target, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA locking_mode = EXCLUSIVE",
               nullptr, nullptr, nullptr);

  sqlite3_backup* backup = sqlite3_backup_init(target, "main", source, "main");
  if (backup == nullptr) return fail(sqlite3_errmsg(target));
  int pageSize = 4096;
  {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(source, "PRAGMA page_size", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
      pageSize = sqlite3_column_int(stmt, 0);
    }
    sqlite3_finalize(stmt);
  }
  int rc = SQLITE_OK;
  bool cancelled = false;
  while (rc == SQLITE_OK) {
    rc = sqlite3_backup_step(backup, kSnapshotPagesPerStep);
    if (rc == SQLITE_OK || rc == SQLITE_DONE) {
      const int total = sqlite3_backup_pagecount(backup);
      const int left = sqlite3_backup_remaining(backup);
      if (progress && !progress(static_cast<std::uintmax_t>(total - left) * static_cast<std::uintmax_t>(pageSize))) {
        cancelled = true;
        break;
      }
    }
  }
  sqlite3_backup_finish(backup);
  if (cancelled) return fail("cancelled");
  if (rc != SQLITE_DONE) {
    // The source connection's message says why it could not be read.
    std::string why = sqlite3_errstr(rc);
    if (sqlite3_errcode(source) != SQLITE_OK) why = sqlite3_errmsg(source);
    return fail(why);
  }
  if (sqlite3_close(target) != SQLITE_OK) {
    target = nullptr;
    return fail("the copy could not be closed");
  }
  target = nullptr;
  sqlite3_close(source);
  source = nullptr;
  if (!SyncPath(part)) return fail("the copy could not be written to the disk");
  if (::rename(part.c_str(), to.c_str()) != 0) return fail(LastError().message());
  return true;
}

bool IsDatabaseCompanion(const std::filesystem::path& file, const std::filesystem::path& database) {
  const std::string name = file.filename().string();
  const std::string base = database.filename().string();
  for (const char* suffix : {"-journal", "-wal", "-shm"}) {
    if (name == base + suffix) return true;
  }
  return false;
}

bool IsLockedByAnotherProcess(const std::filesystem::path& database) {
  // SQLite's lock bytes on POSIX: the pending byte at 1 GiB, the reserved
  // byte after it and the 510 shared bytes after that.
  constexpr off_t kPendingByte = 0x40000000;
  const int fd = ::open(database.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = kPendingByte;
  probe.l_len = 512;
  const bool locked = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
  ::close(fd);
  return locked;
}

bool ExchangePaths(const std::filesystem::path& a, const std::filesystem::path& b, std::error_code& error,
                   bool* atomic) {
  error.clear();
  if (atomic != nullptr) *atomic = true;
  if (::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
    error = LastError();
    return false;
  }
  if (atomic != nullptr) *atomic = false;
  const std::filesystem::path aside = UnusedPath(a, ".swap");
  if (::rename(a.c_str(), aside.c_str()) != 0) {
    error = LastError();
    return false;
  }
  if (::rename(b.c_str(), a.c_str()) != 0) {
    error = LastError();
    ::rename(aside.c_str(), a.c_str());
    return false;
  }
  if (::rename(aside.c_str(), b.c_str()) != 0) {
    error = LastError();
    return false;
  }
  return true;
}

bool SyncPath(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

std::filesystem::path UnusedPath(const std::filesystem::path& path, const std::string& suffix) {
  std::error_code ec;
  std::filesystem::path candidate = path.string() + suffix;
  for (int n = 2; std::filesystem::exists(std::filesystem::symlink_status(candidate, ec)); ++n) {
    candidate = path.string() + suffix + "-" + std::to_string(n);
  }
  return candidate;
}

}  // namespace tallyvane::store
