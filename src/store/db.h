// A connection to one SQLite file and the scoped write guard that makes every
// user-level operation one transaction. The connection also counts failed
// writes, so that a guard can refuse to commit an operation any of whose rows
// did not reach the file.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "store/status.h"

struct sqlite3;
struct sqlite3_stmt;

namespace tallyvane::store {

inline constexpr int kBusyTimeoutMs = 20000;

class Db {
 public:
  Db() = default;
  ~Db();
  Db(const Db&) = delete;
  Db& operator=(const Db&) = delete;
  Db(Db&& other) noexcept;
  Db& operator=(Db&& other) noexcept;

  // Opens (creating when missing) the file read-write with the busy timeout.
  // On failure the message says why and the handle stays closed.
  [[nodiscard]] Status open(const std::string& path, int busyTimeoutMs = kBusyTimeoutMs);
  void close();
  [[nodiscard]] bool isOpen() const { return handle_ != nullptr; }
  [[nodiscard]] sqlite3* handle() const { return handle_; }
  [[nodiscard]] const std::string& path() const { return path_; }

  // Runs statement text with sqlite3_exec; a failure is counted as a failed
  // write and its message kept.
  bool exec(const std::string& sql);

  // A prepared statement kept for the life of the connection, reset and with
  // its bindings cleared; for fixed-shape statements that take their values
  // as bound parameters. Callers step it and leave it (never hold it across
  // another call that may use the same text). Null when it cannot be prepared.
  [[nodiscard]] sqlite3_stmt* cachedStatement(const std::string& sql);

  // Runs a fixed statement through the statement cache (no parsing after the
  // first time); failures are counted as exec() counts them.
  bool execCached(const std::string& sql);

  // Bookkeeping of failed writes, read by WriteGuard.
  void noteWriteFailure();
  [[nodiscard]] uint64_t writeFailures() const { return writeFailures_; }
  [[nodiscard]] const std::string& lastError() const { return lastError_; }

 private:
  friend class WriteGuard;
  sqlite3* handle_ = nullptr;
  std::string path_;
  uint64_t writeFailures_ = 0;
  std::string lastError_;
  int guardDepth_ = 0;
  std::unordered_map<std::string, sqlite3_stmt*> statements_;
};

// One operation's transaction. The outermost guard begins an immediate
// transaction, inner guards become savepoints. Destroying a guard that was not
// committed rolls its part back. commit() refuses, and rolls back, when any
// write inside the guard failed, so a half-done operation never lands.
class WriteGuard {
 public:
  explicit WriteGuard(Db& db);
  ~WriteGuard();
  WriteGuard(const WriteGuard&) = delete;
  WriteGuard& operator=(const WriteGuard&) = delete;

  [[nodiscard]] Status commit();
  void rollback();
  [[nodiscard]] bool active() const { return active_; }

 private:
  Db& db_;
  bool active_ = false;
  bool began_ = false;
  int depth_ = 0;
  uint64_t failuresAtStart_ = 0;
};

// The message shown when the data file refused a write.
[[nodiscard]] std::string WriteFailureMessage(const std::string& detail);

}  // namespace tallyvane::store
