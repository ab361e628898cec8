// The record layer: table objects, records (a row held as named text fields
// with change tracking, written back when saved, reset or released), cursors
// over a table, raw queries and formatted statements. Keys of new rows come
// from RecordKeys under one process-wide lock, never from SQLite's rowid.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/db.h"
#include "store/sql_format.h"

struct sqlite3_stmt;

namespace tallyvane::store {

// Field names are cut to 63 characters, as the format's field buffers hold.
inline constexpr std::size_t kFieldNameLimit = 63;
// The key every record starts with for protected text fields.
inline constexpr std::string_view kDefaultProtectionKey = "ZEROShieldKey";

// A table of the data file on one connection. Cheap: make one where needed.
class Table {
 public:
  Table(Db& db, std::string name, std::string keyColumn = "ID", std::string filter = {})
      : db_(&db), name_(std::move(name)), keyColumn_(std::move(keyColumn)), filter_(std::move(filter)) {}
  virtual ~Table() = default;
  Table(const Table&) = default;
  Table& operator=(const Table&) = default;

  [[nodiscard]] Db& db() const { return *db_; }
  [[nodiscard]] const std::string& name() const { return name_; }
  [[nodiscard]] const std::string& keyColumn() const { return keyColumn_; }
  [[nodiscard]] const std::string& filter() const { return filter_; }

  // The next key for this table, allocated from RecordKeys; empty when none
  // could be allocated.
  [[nodiscard]] virtual std::string NextKey();

 private:
  Db* db_;
  std::string name_;
  std::string keyColumn_;
  std::string filter_;
};

class Record {
 public:
  Record() = default;
  ~Record();
  Record(const Record&) = delete;
  Record& operator=(const Record&) = delete;
  Record(Record&& other) noexcept;
  Record& operator=(Record&& other) noexcept;

  [[nodiscard]] const std::string& key() const { return key_; }
  [[nodiscard]] const std::string& storedKey() const { return storedKey_; }
  // Sets the key the record will be saved under; a new row only.
  void setKey(std::string_view key);
  [[nodiscard]] bool isBound() const { return table_.has_value(); }
  [[nodiscard]] bool isDirty() const { return dirty_; }
  [[nodiscard]] bool hasField(std::string_view name) const { return find(name) != nullptr; }
  [[nodiscard]] std::size_t fieldCount() const { return fields_.size(); }

  void setProtectionKey(std::string key) { protectionKey_ = std::move(key); }
  [[nodiscard]] const std::string& protectionKey() const { return protectionKey_; }

  void SetText(std::string_view name, std::string_view value);
  void SetInt(std::string_view name, int32_t value);
  void SetInt64(std::string_view name, int64_t value);
  void SetFlag(std::string_view name, bool value);
  // Replaces a bytes field's value, or adds one; refused for a text field.
  void SetBytes(std::string_view name, std::string value);

  // At most 259 characters; `fallback` when the field is absent; empty for bytes.
  [[nodiscard]] std::string GetText(std::string_view name, std::string_view fallback = {}) const;
  // The whole text; empty when absent.
  [[nodiscard]] std::string GetString(std::string_view name) const;
  [[nodiscard]] int32_t GetInt(std::string_view name, int32_t fallback = 0) const;
  [[nodiscard]] bool GetFlag(std::string_view name, bool fallback = false) const;
  [[nodiscard]] int64_t GetInt64(std::string_view name) const;
  // 0.75 when absent or empty: the only real columns are the print margins.
  [[nodiscard]] double GetReal(std::string_view name) const;
  [[nodiscard]] std::optional<std::string> GetBytes(std::string_view name) const;

  // "." + protected form; an empty value is stored empty.
  void SetProtected(std::string_view name, std::string_view value);
  // Reads a protected value. A plain value stored before protection existed is
  // returned as it is and rewritten protected, leaving the record dirty.
  [[nodiscard]] std::string GetProtected(std::string_view name);
  void SetProtectedBare(std::string_view name, std::string_view value);
  [[nodiscard]] std::string GetProtectedBare(std::string_view name) const;

 private:
  friend void ResetRecord(Record&);
  friend void NewRecord(Table&, Record&);
  friend bool LoadRecord(Table&, Record&, std::string_view);
  friend void LoadOrPrepareRecord(Table&, Record&, std::string_view);
  friend bool SaveRecord(Record&);
  friend void LoadRecordFromRow(Record&, const Table&, sqlite3_stmt*);
  friend bool LoadActiveRecord(Table&, Record&, std::string_view, bool, bool);
  friend std::string SaveStatementText(const Record&);
  friend class Cursor;

  struct Field {
    std::string name;
    bool bytes = false;
    std::string value;
    bool changed = false;
  };
  [[nodiscard]] const Field* find(std::string_view name) const;
  Field* find(std::string_view name);
  void clear();

  std::optional<Table> table_;
  std::string key_;
  std::string storedKey_;
  std::vector<Field> fields_;
  bool dirty_ = false;
  std::string protectionKey_{kDefaultProtectionKey};
};

// Record operations.
void NewRecord(Table& table, Record& record);
[[nodiscard]] bool LoadRecord(Table& table, Record& record, std::string_view key);
void LoadOrPrepareRecord(Table& table, Record& record, std::string_view key);
[[nodiscard]] bool RowExists(Table& table, std::string_view key);
// Writes a dirty, bound record: an update of the changed fields when the row
// exists, otherwise an insert of all fields. The dirty flag is cleared whatever
// the outcome; a failure is counted on the connection so the surrounding
// WriteGuard refuses to commit.
bool SaveRecord(Record& record);
void ResetRecord(Record& record);
void ReleaseRecord(Record& record);
[[nodiscard]] bool DeleteRow(Table& table, std::string_view key);

// Statement text SaveRecord would run for the record, for tests and tracing.
[[nodiscard]] std::string SaveStatementText(const Record& record);

// A statement in progress. Column values are read as UTF-8 text.
class Query {
 public:
  Query() = default;
  Query(Db& db, const std::string& sql);
  ~Query();
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;
  Query(Query&& other) noexcept;
  Query& operator=(Query&& other) noexcept;

  // 0 once there is no current row (or the statement failed).
  [[nodiscard]] int columnCount() const { return columnCount_; }
  [[nodiscard]] bool hasRow() const { return columnCount_ > 0; }
  [[nodiscard]] const std::string& columnName(int column) const;
  // At most 259 characters; `fallback` for an index out of range or NULL.
  [[nodiscard]] std::string text(int column, std::string_view fallback = {}) const;
  // The whole text; empty for NULL.
  [[nodiscard]] std::string string(int column) const;
  [[nodiscard]] int32_t int32(int column, int32_t fallback = 0) const;
  [[nodiscard]] int64_t int64(int column, int64_t fallback = 0) const;
  void next();
  void close();

 private:
  void capture();
  sqlite3_stmt* stmt_ = nullptr;
  int columnCount_ = 0;
  std::vector<std::string> names_;
};

inline Query OpenQuery(Db& db, const std::string& sql) { return Query(db, sql); }

// A walk over every row of a table, filling one record; the record is saved
// before each step.
class Cursor {
 public:
  Cursor(Table& table, Record& record);
  ~Cursor();
  Cursor(const Cursor&) = delete;
  Cursor& operator=(const Cursor&) = delete;

  void next();
  [[nodiscard]] bool done() const { return !record_.isBound(); }
  void close();

 private:
  void loadCurrent();
  Table table_;
  Record& record_;
  sqlite3_stmt* stmt_ = nullptr;
};

// Formats and runs a statement; false (and a counted write failure) when it fails.
bool Execute(Db& db, std::string_view format, std::initializer_list<SqlArg> args);

// First column of the first row of a query, or empty.
[[nodiscard]] std::string QueryFirstText(Db& db, const std::string& sql);

// The load-active pattern: loads the row and treats a deleted one (or, when
// `missingMeansDeleted`, one without a Deleted field) as not found, leaving the
// record bound but empty. `includeDeleted` accepts deleted rows.
[[nodiscard]] bool LoadActiveRecord(Table& table, Record& record, std::string_view key, bool includeDeleted,
                                    bool missingMeansDeleted);

// Retires a live row (Deleted = 1) in its own transaction, the deletion of
// every ledger table; false when the row is missing, already retired (by the
// load-active rule) or the write failed.
bool RetireRow(Table& table, std::string_view key, bool missingMeansDeleted);

// The duplicate-name check. `format` is the table's statement with "%s" for
// the name and, for categories, "%d" for the parent
// ("SELECT ID FROM Accounts WHERE AcctName = '%s' AND Deleted = 0"). The name
// has its single quotes doubled before it goes in, and an edited row's key is
// excluded. Returns the key of the first row that holds the name.
[[nodiscard]] std::optional<std::string> FindDuplicateName(Db& db, std::string_view format, std::string_view name,
                                                           std::optional<int32_t> parent = std::nullopt,
                                                           std::string_view excludedKey = {});

}  // namespace tallyvane::store
