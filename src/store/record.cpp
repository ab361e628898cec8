#include "store/record.h"

#include <sqlite3.h>

#include <charconv>
#include <mutex>
#include <utility>

#include "store/protect.h"
#include "store/text.h"

namespace tallyvane::store {

namespace {

// Keyed statements are built into the format's 260-character buffer.
constexpr std::size_t kKeyedStatementLimit = 259;

// The only lock of the record layer: two callers never take the same key.
std::mutex& KeyLock() {
  static std::mutex lock;
  return lock;
}

std::string ColumnText(sqlite3_stmt* stmt, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
  if (text == nullptr) return {};
  return std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt, column)));
}

sqlite3_stmt* Prepare(Db& db, const std::string& sql) {
  if (!db.isOpen()) return nullptr;
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db.handle(), sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) != SQLITE_OK) {
    sqlite3_finalize(stmt);
    return nullptr;
  }
  return stmt;
}

std::string CutName(std::string_view name) { return CutChars(name, kFieldNameLimit); }

}  // namespace

void LoadRecordFromRow(Record& record, const Table& table, sqlite3_stmt* stmt);

// ---- Table ----

std::string Table::NextKey() {
  std::lock_guard<std::mutex> hold(KeyLock());
  Db& db = *db_;
  // Equivalent to "SELECT NextKey FROM RecordKeys WHERE ListName = '%Q'" with
  // the name bound instead of quoted, prepared once per connection.
  bool found = false;
  std::string key;
  if (sqlite3_stmt* stmt = db.cachedStatement("SELECT NextKey FROM RecordKeys WHERE ListName = ?1")) {
    sqlite3_bind_text(stmt, 1, name_.data(), static_cast<int>(name_.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(stmt) == SQLITE_ROW) {
      found = true;
      key = ColumnText(stmt, 0);
    }
    sqlite3_reset(stmt);
  }

  if (found) {
    if (!key.empty()) {
      const std::string next = FormatSql("%d", {ParseInt32Prefix(key) + 1LL});
      sqlite3_stmt* update = db.cachedStatement("UPDATE RecordKeys SET NextKey = ?1 WHERE ListName = ?2");
      bool ok = false;
      if (update != nullptr) {
        sqlite3_bind_text(update, 1, next.data(), static_cast<int>(next.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(update, 2, name_.data(), static_cast<int>(name_.size()), SQLITE_TRANSIENT);
        ok = sqlite3_step(update) == SQLITE_DONE;
        sqlite3_reset(update);
      }
      if (!ok) db.noteWriteFailure();
    }
    return key;
  }
  // A file without the table (or without this table's row) starts counting
  // at 1; creating a table that already exists fails harmlessly.
  if (db.isOpen()) {
    sqlite3_exec(db.handle(), "CREATE TABLE RecordKeys (ListName VARCHAR(255), NextKey VARCHAR(255))", nullptr,
                 nullptr, nullptr);
  }
  if (Execute(db, "INSERT INTO RecordKeys (ListName, NextKey) VALUES ('%Q', '2')", {name_})) return "1";
  return {};
}

// ---- Record ----

Record::~Record() { ReleaseRecord(*this); }

Record::Record(Record&& other) noexcept
    : table_(std::move(other.table_)),
      key_(std::move(other.key_)),
      storedKey_(std::move(other.storedKey_)),
      fields_(std::move(other.fields_)),
      dirty_(std::exchange(other.dirty_, false)),
      protectionKey_(std::move(other.protectionKey_)) {
  other.clear();
}

Record& Record::operator=(Record&& other) noexcept {
  if (this != &other) {
    ReleaseRecord(*this);
    table_ = std::move(other.table_);
    key_ = std::move(other.key_);
    storedKey_ = std::move(other.storedKey_);
    fields_ = std::move(other.fields_);
    dirty_ = std::exchange(other.dirty_, false);
    protectionKey_ = std::move(other.protectionKey_);
    other.clear();
  }
  return *this;
}

void Record::clear() {
  table_.reset();
  key_.clear();
  storedKey_.clear();
  fields_.clear();
  dirty_ = false;
}

void Record::setKey(std::string_view key) {
  std::string cut = CutChars(key);
  if (cut != key_) {
    key_ = std::move(cut);
    dirty_ = true;
  }
}

const Record::Field* Record::find(std::string_view name) const {
  for (const Field& field : fields_) {
    if (field.name == name) return &field;
  }
  return nullptr;
}

Record::Field* Record::find(std::string_view name) {
  return const_cast<Field*>(static_cast<const Record*>(this)->find(name));
}

void Record::SetText(std::string_view name, std::string_view value) {
  const std::string cutName = CutName(name);
  if (Field* field = find(cutName)) {
    if (field->bytes || field->value == value) return;
    field->value.assign(value);
    field->changed = true;
    dirty_ = true;
    return;
  }
  fields_.push_back(Field{cutName, false, std::string(value), true});
  dirty_ = true;
}

void Record::SetInt(std::string_view name, int32_t value) { SetText(name, std::to_string(value)); }
void Record::SetInt64(std::string_view name, int64_t value) { SetText(name, std::to_string(value)); }
void Record::SetFlag(std::string_view name, bool value) { SetText(name, value ? "1" : "0"); }

void Record::SetBytes(std::string_view name, std::string value) {
  const std::string cutName = CutName(name);
  if (Field* field = find(cutName)) {
    if (!field->bytes || field->value == value) return;
    field->value = std::move(value);
    field->changed = true;
    dirty_ = true;
    return;
  }
  fields_.push_back(Field{cutName, true, std::move(value), true});
  dirty_ = true;
}

std::string Record::GetText(std::string_view name, std::string_view fallback) const {
  const Field* field = find(name);
  if (field == nullptr) return std::string(fallback);
  if (field->bytes) return {};
  return CutChars(field->value);
}

std::string Record::GetString(std::string_view name) const {
  const Field* field = find(name);
  if (field == nullptr || field->bytes) return {};
  return field->value;
}

int32_t Record::GetInt(std::string_view name, int32_t fallback) const {
  const Field* field = find(name);
  if (field == nullptr || field->bytes) return fallback;
  return ParseInt32Prefix(field->value);
}

bool Record::GetFlag(std::string_view name, bool fallback) const { return GetInt(name, fallback ? 1 : 0) != 0; }

int64_t Record::GetInt64(std::string_view name) const {
  const Field* field = find(name);
  if (field == nullptr || field->bytes) return 0;
  return ParseInt64Prefix(field->value);
}

double Record::GetReal(std::string_view name) const {
  const Field* field = find(name);
  if (field == nullptr || field->bytes || field->value.empty()) return 0.75;
  std::string_view text = field->value;
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0.0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

std::optional<std::string> Record::GetBytes(std::string_view name) const {
  const Field* field = find(name);
  if (field == nullptr || !field->bytes) return std::nullopt;
  return field->value;
}

void Record::SetProtected(std::string_view name, std::string_view value) {
  if (value.empty()) {
    SetText(name, "");
    return;
  }
  SetText(name, "." + protectText(protectionKey_, value));
}

std::string Record::GetProtected(std::string_view name) {
  const Field* field = find(name);
  if (field == nullptr || field->bytes || field->value.empty()) return {};
  if (field->value.front() == '.') return unprotectText(protectionKey_, std::string_view(field->value).substr(1));
  // A value stored before protection existed: hand it out and store it
  // protected from now on.
  std::string plain = field->value;
  SetProtected(name, plain);
  return CutChars(plain);
}

void Record::SetProtectedBare(std::string_view name, std::string_view value) {
  if (value.empty()) {
    SetText(name, "");
    return;
  }
  SetText(name, protectText(protectionKey_, value));
}

std::string Record::GetProtectedBare(std::string_view name) const {
  const Field* field = find(name);
  if (field == nullptr || field->bytes || field->value.empty()) return {};
  return unprotectText(protectionKey_, field->value);
}

// ---- Record operations ----

void LoadRecordFromRow(Record& record, const Table& table, sqlite3_stmt* stmt) {
  record.table_ = table;
  const int columns = sqlite3_column_count(stmt);
  record.fields_.clear();
  record.fields_.reserve(static_cast<std::size_t>(columns));
  // Fields are put at the front of the list, so the list runs from the last
  // column to the first; inserts write them in that order.
  for (int column = columns - 1; column >= 0; --column) {
    const char* rawName = sqlite3_column_name(stmt, column);
    const std::string name = rawName ? rawName : "";
    if (name == table.keyColumn()) continue;
    Record::Field field;
    field.name = CutName(name);
    if (sqlite3_column_type(stmt, column) == SQLITE_BLOB) {
      field.bytes = true;
      const auto* blob = static_cast<const char*>(sqlite3_column_blob(stmt, column));
      field.value.assign(blob ? blob : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, column)));
    } else {
      field.value = ColumnText(stmt, column);
    }
    record.fields_.push_back(std::move(field));
  }
  for (int column = 0; column < columns; ++column) {
    const char* rawName = sqlite3_column_name(stmt, column);
    if (rawName != nullptr && table.keyColumn() == rawName) {
      record.key_ = CutChars(ColumnText(stmt, column));
      record.storedKey_ = record.key_;
    }
  }
  record.dirty_ = false;
}

void NewRecord(Table& table, Record& record) {
  ResetRecord(record);
  record.table_ = table;
  const std::string key = table.NextKey();
  if (!key.empty() && key != record.key_) {
    record.key_ = CutChars(key);
    record.dirty_ = true;
  }
}

bool LoadRecord(Table& table, Record& record, std::string_view key) {
  ResetRecord(record);
  // "SELECT * FROM %s WHERE %s = '%Q'%s" with the key bound rather than
  // quoted: the same rows, and the statement is prepared once per table.
  const std::string sql =
      FormatSql("SELECT * FROM %s WHERE %s = ?1%s", {table.name(), table.keyColumn(), table.filter()});
  sqlite3_stmt* stmt = table.db().cachedStatement(sql);
  if (stmt == nullptr) return false;
  sqlite3_bind_text(stmt, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
  bool found = false;
  if (sqlite3_step(stmt) == SQLITE_ROW) {
    LoadRecordFromRow(record, table, stmt);
    found = true;
  }
  sqlite3_reset(stmt);
  return found;
}

void LoadOrPrepareRecord(Table& table, Record& record, std::string_view key) {
  if (LoadRecord(table, record, key)) return;
  record.table_ = table;
  record.key_ = CutChars(key);
}

bool RowExists(Table& table, std::string_view key) {
  const std::string sql = FormatSqlLimited(kKeyedStatementLimit, "SELECT COUNT(*) FROM %s WHERE %s = '%Q'%s",
                                           {table.name(), table.keyColumn(), key, table.filter()});
  sqlite3_stmt* stmt = Prepare(table.db(), sql);
  bool exists = false;
  if (stmt != nullptr && sqlite3_step(stmt) == SQLITE_ROW) exists = sqlite3_column_int64(stmt, 0) > 0;
  sqlite3_finalize(stmt);
  return exists;
}

namespace {

// Builds the save statement; collects the bytes fields bound as parameters.
std::string BuildSaveStatement(const Record& record, const Table& table, bool update,
                               const std::vector<std::pair<std::string_view, bool>>& fields,
                               std::vector<const std::string*>* blobs, const std::vector<const std::string*>& values) {
  std::string sql;
  if (update) {
    sql = FormatSql("UPDATE %s SET", {table.name()});
    bool first = true;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      sql += FormatSql("%s%s = ", {first ? " " : ",", fields[i].first});
      first = false;
      if (fields[i].second) {
        sql += "?";
        if (blobs) blobs->push_back(values[i]);
      } else {
        sql += FormatSql("'%Q'", {*values[i]});
      }
    }
    sql += FormatSql(" WHERE %s = '%Q'%s", {table.keyColumn(), record.storedKey(), table.filter()});
    return sql;
  }
  sql = FormatSql("INSERT INTO %s (", {table.name()});
  bool first = true;
  if (!record.key().empty()) {
    sql += table.keyColumn();
    first = false;
  }
  for (const auto& field : fields) {
    if (!first) sql += ", ";
    sql += field.first;
    first = false;
  }
  sql += ") VALUES (";
  first = true;
  if (!record.key().empty()) {
    sql += FormatSql("'%Q'", {record.key()});
    first = false;
  }
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (!first) sql += ", ";
    first = false;
    if (fields[i].second) {
      sql += "?";
      if (blobs) blobs->push_back(values[i]);
    } else {
      sql += FormatSql("'%Q'", {*values[i]});
    }
  }
  sql += ")";
  return sql;
}

}  // namespace

std::string SaveStatementText(const Record& record) {
  if (!record.table_) return {};
  const bool update = !record.storedKey_.empty();
  std::vector<std::pair<std::string_view, bool>> fields;
  std::vector<const std::string*> values;
  for (const auto& field : record.fields_) {
    if (update && !field.changed) continue;
    fields.emplace_back(field.name, field.bytes);
    values.push_back(&field.value);
  }
  return BuildSaveStatement(record, *record.table_, update, fields, nullptr, values);
}

bool SaveRecord(Record& record) {
  if (!record.dirty_ || !record.table_) return true;
  Table& table = *record.table_;
  Db& db = table.db();
  const bool update = !record.storedKey_.empty();

  std::vector<std::pair<std::string_view, bool>> fields;
  std::vector<const std::string*> values;
  for (auto& field : record.fields_) {
    if (update && !field.changed) continue;
    field.changed = false;
    fields.emplace_back(field.name, field.bytes);
    values.push_back(&field.value);
  }
  record.dirty_ = false;
  // An update with nothing changed (only the key was touched, which never
  // changes for a stored row) has nothing to write.
  if (update && fields.empty()) return true;

  if (!update && !record.key_.empty()) record.storedKey_ = record.key_;

  // The statement SaveStatementText shows, with every value bound as a
  // parameter instead of quoted into the text: the same rows are written
  // (a bound text converts by the column's affinity as quoted text does),
  // and one prepared statement serves every save of the same shape.
  std::string sql;
  if (update) {
    sql = "UPDATE " + table.name() + " SET";
    for (std::size_t i = 0; i < fields.size(); ++i) {
      sql += (i == 0 ? " " : ",");
      sql += fields[i].first;
      sql += " = ?";
    }
    sql += " WHERE " + table.keyColumn() + " = ?" + table.filter();
  } else {
    sql = "INSERT INTO " + table.name() + " (";
    const bool keyed = !record.key_.empty();
    if (keyed) sql += table.keyColumn();
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (keyed || i > 0) sql += ", ";
      sql += fields[i].first;
    }
    sql += ") VALUES (";
    const std::size_t count = fields.size() + (keyed ? 1 : 0);
    for (std::size_t i = 0; i < count; ++i) sql += i == 0 ? "?" : ", ?";
    sql += ")";
  }
  sqlite3_stmt* stmt = db.cachedStatement(sql);
  if (stmt == nullptr) {
    db.noteWriteFailure();
    return false;
  }
  int parameter = 1;
  auto bindText = [&](const std::string& text) {
    sqlite3_bind_text(stmt, parameter++, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
  };
  if (!update && !record.key_.empty()) bindText(record.key_);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].second) {
      sqlite3_bind_blob(stmt, parameter++, values[i]->data(), static_cast<int>(values[i]->size()), SQLITE_STATIC);
    } else {
      bindText(*values[i]);
    }
  }
  if (update) bindText(record.storedKey_);
  const int rc = sqlite3_step(stmt);
  const bool ok = rc == SQLITE_DONE || rc == SQLITE_ROW;
  if (!ok) db.noteWriteFailure();
  sqlite3_reset(stmt);
  sqlite3_clear_bindings(stmt);
  return ok;
}

void ResetRecord(Record& record) {
  if (record.dirty_ && record.table_) SaveRecord(record);
  record.clear();
}

void ReleaseRecord(Record& record) { ResetRecord(record); }

bool DeleteRow(Table& table, std::string_view key) {
  return Execute(table.db(), "DELETE FROM %s WHERE %s = '%Q'%s", {table.name(), table.keyColumn(), key, table.filter()});
}

// ---- Query ----

Query::Query(Db& db, const std::string& sql) {
  stmt_ = Prepare(db, sql);
  if (stmt_ == nullptr) return;
  if (sqlite3_step(stmt_) == SQLITE_ROW) {
    columnCount_ = sqlite3_column_count(stmt_);
    capture();
  }
}

Query::~Query() { close(); }

Query::Query(Query&& other) noexcept
    : stmt_(std::exchange(other.stmt_, nullptr)),
      columnCount_(std::exchange(other.columnCount_, 0)),
      names_(std::move(other.names_)) {}

Query& Query::operator=(Query&& other) noexcept {
  if (this != &other) {
    close();
    stmt_ = std::exchange(other.stmt_, nullptr);
    columnCount_ = std::exchange(other.columnCount_, 0);
    names_ = std::move(other.names_);
  }
  return *this;
}

void Query::capture() {
  if (!names_.empty()) return;
  names_.reserve(static_cast<std::size_t>(columnCount_));
  for (int i = 0; i < columnCount_; ++i) {
    const char* name = sqlite3_column_name(stmt_, i);
    names_.push_back(CutChars(name ? name : ""));
  }
}

const std::string& Query::columnName(int column) const {
  static const std::string kEmpty;
  if (column < 0 || column >= static_cast<int>(names_.size())) return kEmpty;
  return names_[static_cast<std::size_t>(column)];
}

std::string Query::text(int column, std::string_view fallback) const {
  if (column < 0 || column >= columnCount_ || sqlite3_column_type(stmt_, column) == SQLITE_NULL) {
    return std::string(fallback);
  }
  return CutChars(ColumnText(stmt_, column));
}

std::string Query::string(int column) const {
  if (column < 0 || column >= columnCount_) return {};
  return ColumnText(stmt_, column);
}

int32_t Query::int32(int column, int32_t fallback) const {
  if (column < 0 || column >= columnCount_ || sqlite3_column_type(stmt_, column) == SQLITE_NULL) return fallback;
  return ParseInt32Prefix(ColumnText(stmt_, column));
}

int64_t Query::int64(int column, int64_t fallback) const {
  if (column < 0 || column >= columnCount_ || sqlite3_column_type(stmt_, column) == SQLITE_NULL) return fallback;
  return ParseInt64Prefix(ColumnText(stmt_, column));
}

void Query::next() {
  if (stmt_ == nullptr) {
    columnCount_ = 0;
    return;
  }
  if (sqlite3_step(stmt_) == SQLITE_ROW) {
    columnCount_ = sqlite3_column_count(stmt_);
    capture();
  } else {
    columnCount_ = 0;
  }
}

void Query::close() {
  if (stmt_ != nullptr) sqlite3_finalize(stmt_);
  stmt_ = nullptr;
  columnCount_ = 0;
}

// ---- Cursor ----

Cursor::Cursor(Table& table, Record& record) : table_(table), record_(record) {
  ResetRecord(record_);
  stmt_ = Prepare(table_.db(), FormatSqlLimited(kKeyedStatementLimit, "SELECT * FROM %s%s", {table_.name(), table_.filter()}));
  loadCurrent();
}

Cursor::~Cursor() { close(); }

void Cursor::loadCurrent() {
  if (stmt_ != nullptr && sqlite3_step(stmt_) == SQLITE_ROW) {
    LoadRecordFromRow(record_, table_, stmt_);
  } else {
    ResetRecord(record_);
  }
}

void Cursor::next() {
  if (record_.isDirty()) SaveRecord(record_);
  loadCurrent();
}

void Cursor::close() {
  if (stmt_ != nullptr) sqlite3_finalize(stmt_);
  stmt_ = nullptr;
}

// ---- Statements ----

bool Execute(Db& db, std::string_view format, std::initializer_list<SqlArg> args) {
  return db.exec(FormatSql(format, args));
}

std::string QueryFirstText(Db& db, const std::string& sql) {
  Query query(db, sql);
  return query.text(0);
}

bool LoadActiveRecord(Table& table, Record& record, std::string_view key, bool includeDeleted,
                      bool missingMeansDeleted) {
  if (!LoadRecord(table, record, key)) return false;
  if (includeDeleted) return true;
  const bool deleted = record.hasField("Deleted") ? record.GetFlag("Deleted") : missingMeansDeleted;
  if (!deleted) return true;
  record.fields_.clear();
  record.key_.clear();
  record.storedKey_.clear();
  record.dirty_ = false;
  return false;
}

bool RetireRow(Table& table, std::string_view key, bool missingMeansDeleted) {
  WriteGuard guard(table.db());
  Record record;
  if (!LoadActiveRecord(table, record, key, false, missingMeansDeleted)) return false;
  record.SetFlag("Deleted", true);
  ReleaseRecord(record);
  return guard.commit().ok;
}

std::optional<std::string> FindDuplicateName(Db& db, std::string_view format, std::string_view name,
                                             std::optional<int32_t> parent, std::string_view excludedKey) {
  const std::string quoted = QuoteSql(name);
  std::string sql = parent ? FormatSql(format, {quoted, static_cast<long long>(*parent)}) : FormatSql(format, {quoted});
  if (!excludedKey.empty()) sql = FormatSql("%s AND ID != %s", {sql, excludedKey});
  Query query(db, sql);
  if (!query.hasRow()) return std::nullopt;
  return query.text(0);
}

}  // namespace tallyvane::store
