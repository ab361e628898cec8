// Reading a data file's schema and growing it to a newer template's: tables
// and columns are only ever added, never changed or dropped.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tallyvane::store {

struct SchemaColumn {
  std::string name;
  std::string type;  // the declared type text as written, constraints included
};

struct SchemaTable {
  std::string name;
  std::string createText;
  std::vector<SchemaColumn> columns;
};

// The tables of a file, in reverse order of sqlite_master; empty when the file
// does not exist or cannot be read.
[[nodiscard]] std::vector<SchemaTable> ReadSchema(const std::filesystem::path& path);
// Column list of one CREATE TABLE text (a table constraint reads as a column).
[[nodiscard]] std::vector<SchemaColumn> ParseCreateColumns(const std::string& createText);

// Opens a short-lived handle, runs one statement, closes it. Fails when the
// file does not exist, cannot be opened, or the statement fails.
[[nodiscard]] bool ApplyStatement(const std::filesystem::path& path, const std::string& statement);

// Adds the template's missing tables and columns to the data file. The first
// failing statement ends the upgrade with failure; earlier ones stay applied.
// `applied`, when given, receives every statement executed.
[[nodiscard]] bool UpgradeSchema(const std::filesystem::path& templatePath, const std::filesystem::path& dataPath,
                                 std::vector<std::string>* applied = nullptr);

}  // namespace tallyvane::store
