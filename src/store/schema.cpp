#include "store/schema.h"

#include <sqlite3.h>

#include "store/db.h"
#include "store/record.h"
#include "store/text.h"

namespace tallyvane::store {

namespace {

bool IsSpaceOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::vector<SchemaColumn> ParseCreateColumns(const std::string& text) {
  std::vector<SchemaColumn> columns;
  std::size_t i = text.find('(');
  if (i == std::string::npos) return columns;
  ++i;
  const std::size_t n = text.size();
  auto skipSpace = [&] {
    while (i < n && IsSpaceOrControl(text[i])) ++i;
  };
  skipSpace();
  while (i < n && text[i] != ')') {
    SchemaColumn column;
    const std::size_t nameStart = i;
    while (i < n && !IsSpaceOrControl(text[i])) ++i;
    column.name = CutChars(std::string_view(text).substr(nameStart, i - nameStart));
    skipSpace();

    char stop = '\0';
    while (true) {
      const std::size_t runStart = i;
      while (i < n && text[i] != ',' && text[i] != '(' && text[i] != ')' && text[i] != '\'') ++i;
      column.type.append(text, runStart, i - runStart);
      if (i >= n) {
        stop = '\0';
        break;
      }
      stop = text[i];
      if (stop == '(') {
        // Parenthesised part kept whole: "(" up to the next ")".
        const std::size_t close = text.find(')', i);
        const std::size_t end = close == std::string::npos ? n : close;
        column.type.append(text, i, end - i);
        column.type.push_back(')');
        i = close == std::string::npos ? n : close + 1;
        continue;
      }
      if (stop == '\'') {
        const std::size_t close = text.find('\'', i + 1);
        const std::size_t end = close == std::string::npos ? n : close;
        column.type.push_back('\'');
        column.type.append(text, i + 1, end - i - 1);
        column.type.push_back('\'');
        i = close == std::string::npos ? n : close + 1;
        continue;
      }
      break;
    }
    if (stop == ',' || stop == ')') {
      if (stop == ',') ++i;
      // ")" ends the list: leave it for the loop's condition.
    }
    columns.push_back(std::move(column));
    skipSpace();
    if (i >= n) break;
  }
  return columns;
}

std::vector<SchemaTable> ReadSchema(const std::filesystem::path& path) {
  std::vector<SchemaTable> tables;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return tables;
  Db db;
  if (!db.open(path.string())) return tables;
  Query query(db, "SELECT tbl_name, sql FROM sqlite_master WHERE type='table'");
  for (; query.hasRow(); query.next()) {
    SchemaTable table;
    table.name = query.text(0);
    table.createText = query.string(1);
    table.columns = ParseCreateColumns(table.createText);
    tables.insert(tables.begin(), std::move(table));
  }
  return tables;
}

bool ApplyStatement(const std::filesystem::path& path, const std::string& statement) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  Db db;
  if (!db.open(path.string())) return false;
  return db.exec(statement);
}

bool UpgradeSchema(const std::filesystem::path& templatePath, const std::filesystem::path& dataPath,
                   std::vector<std::string>* applied) {
  const std::vector<SchemaTable> wanted = ReadSchema(templatePath);
  const std::vector<SchemaTable> present = ReadSchema(dataPath);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(templatePath, ec) || !std::filesystem::is_regular_file(dataPath, ec)) {
    return false;
  }

  auto apply = [&](const std::string& statement) {
    if (applied) applied->push_back(statement);
    return ApplyStatement(dataPath, statement);
  };

  for (const SchemaTable& table : wanted) {
    bool upToDate = false;
    const SchemaTable* match = nullptr;
    for (const SchemaTable& existing : present) {
      if (EqualsNoCase(existing.createText, table.createText)) upToDate = true;
      if (match == nullptr && EqualsNoCase(existing.name, table.name)) match = &existing;
    }
    if (upToDate) continue;
    if (match == nullptr) {
      if (!apply(table.createText)) return false;
      continue;
    }
    for (const SchemaColumn& column : table.columns) {
      bool found = false;
      for (const SchemaColumn& existing : match->columns) {
        if (EqualsNoCase(existing.name, column.name)) {
          found = true;
          break;
        }
      }
      if (found) continue;
      if (!apply(FormatSql("ALTER TABLE %s ADD COLUMN %s %s", {table.name, column.name, column.type}))) return false;
    }
  }
  return true;
}

}  // namespace tallyvane::store
