#include "store/db.h"

#include <sqlite3.h>

#include <utility>

namespace tallyvane::store {

Db::~Db() { close(); }

Db::Db(Db&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      path_(std::move(other.path_)),
      writeFailures_(other.writeFailures_),
      lastError_(std::move(other.lastError_)),
      guardDepth_(std::exchange(other.guardDepth_, 0)),
      statements_(std::move(other.statements_)) {
  other.statements_.clear();
}

Db& Db::operator=(Db&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, nullptr);
    path_ = std::move(other.path_);
    writeFailures_ = other.writeFailures_;
    lastError_ = std::move(other.lastError_);
    guardDepth_ = std::exchange(other.guardDepth_, 0);
    statements_ = std::move(other.statements_);
    other.statements_.clear();
  }
  return *this;
}

Status Db::open(const std::string& path, int busyTimeoutMs) {
  close();
  sqlite3* handle = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc != SQLITE_OK) {
    std::string detail = handle ? sqlite3_errmsg(handle) : sqlite3_errstr(rc);
    sqlite3_close(handle);
    return Status::FileError("The data file " + path + " could not be opened: " + detail + ".");
  }
  sqlite3_busy_timeout(handle, busyTimeoutMs);
  sqlite3_extended_result_codes(handle, 1);
  // A page cache large enough that a bulk operation (an import, an account
  // deletion) is not spilled to the file page by page before it commits. A
  // connection setting: nothing about the file changes.
  sqlite3_exec(handle, "PRAGMA cache_size = -65536", nullptr, nullptr, nullptr);
  // Every nested guard is a savepoint, and a savepoint keeps the pages it
  // first changes in a statement journal: in a temporary file, each row of a
  // bulk import would write them out once or twice more. Kept in memory they
  // cost a page copy; also only a connection setting.
  sqlite3_exec(handle, "PRAGMA temp_store = MEMORY", nullptr, nullptr, nullptr);
  handle_ = handle;
  path_ = path;
  guardDepth_ = 0;
  return Status::Ok();
}

void Db::close() {
  for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
  statements_.clear();
  if (handle_ != nullptr) {
    sqlite3_close_v2(handle_);
    handle_ = nullptr;
  }
  path_.clear();
  guardDepth_ = 0;
}

bool Db::exec(const std::string& sql) {
  if (handle_ == nullptr) {
    noteWriteFailure();
    return false;
  }
  char* error = nullptr;
  const int rc = sqlite3_exec(handle_, sql.c_str(), nullptr, nullptr, &error);
  if (rc != SQLITE_OK) {
    lastError_ = error ? error : sqlite3_errstr(rc);
    sqlite3_free(error);
    ++writeFailures_;
    return false;
  }
  return true;
}

sqlite3_stmt* Db::cachedStatement(const std::string& sql) {
  if (handle_ == nullptr) return nullptr;
  auto found = statements_.find(sql);
  if (found != statements_.end()) {
    sqlite3_reset(found->second);
    sqlite3_clear_bindings(found->second);
    return found->second;
  }
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v3(handle_, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &stmt,
                         nullptr) != SQLITE_OK) {
    sqlite3_finalize(stmt);
    return nullptr;
  }
  statements_.emplace(sql, stmt);
  return stmt;
}

bool Db::execCached(const std::string& sql) {
  sqlite3_stmt* stmt = cachedStatement(sql);
  if (stmt == nullptr) return exec(sql);
  const int rc = sqlite3_step(stmt);
  const bool ok = rc == SQLITE_DONE || rc == SQLITE_ROW;
  if (!ok) noteWriteFailure();
  sqlite3_reset(stmt);
  return ok;
}

void Db::noteWriteFailure() {
  ++writeFailures_;
  lastError_ = handle_ ? sqlite3_errmsg(handle_) : "the data file is not open";
}

std::string WriteFailureMessage(const std::string& detail) {
  return "The change could not be saved to the data file (" + detail + "). Nothing was changed.";
}

WriteGuard::WriteGuard(Db& db) : db_(db) {
  failuresAtStart_ = db_.writeFailures_;
  depth_ = db_.guardDepth_;
  if (db_.handle_ == nullptr) {
    db_.noteWriteFailure();
    return;
  }
  // Nested guards are frequent (every row of a bulk operation), so their
  // savepoint statements come from the cache.
  began_ = depth_ == 0 ? db_.exec("BEGIN IMMEDIATE") : db_.execCached("SAVEPOINT tv_guard_" + std::to_string(depth_));
  active_ = true;
  ++db_.guardDepth_;
}

WriteGuard::~WriteGuard() {
  if (active_) rollback();
}

void WriteGuard::rollback() {
  if (!active_) return;
  active_ = false;
  --db_.guardDepth_;
  if (!began_) return;
  // A rollback that fails leaves nothing to do but keep the handle usable;
  // SQLite has already undone the transaction when it reports an error here.
  char* error = nullptr;
  if (depth_ == 0) {
    sqlite3_exec(db_.handle_, "ROLLBACK", nullptr, nullptr, &error);
  } else {
    const std::string name = "tv_guard_" + std::to_string(depth_);
    const std::string sql = "ROLLBACK TO " + name + "; RELEASE " + name;
    sqlite3_exec(db_.handle_, sql.c_str(), nullptr, nullptr, &error);
  }
  sqlite3_free(error);
}

Status WriteGuard::commit() {
  if (!active_) return Status::FileError(WriteFailureMessage(db_.lastError_.empty() ? "no transaction" : db_.lastError_));
  if (!began_ || db_.writeFailures_ != failuresAtStart_) {
    const std::string detail = db_.lastError_;
    rollback();
    return Status::FileError(WriteFailureMessage(detail));
  }
  const bool released = depth_ == 0 ? db_.exec("COMMIT") : db_.execCached("RELEASE tv_guard_" + std::to_string(depth_));
  if (!released) {
    const std::string detail = db_.lastError_;
    rollback();
    return Status::FileError(WriteFailureMessage(detail));
  }
  active_ = false;
  --db_.guardDepth_;
  return Status::Ok();
}

}  // namespace tallyvane::store
