// Builds the template data file from its SQL text at build time. The file is
// written beside its final name and renamed, so an interrupted build never
// leaves a half-made template for the program to copy.
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_template TEMPLATE.sql OUTPUT.vdb\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "make_template: cannot read %s\n", argv[1]);
    return 1;
  }
  std::stringstream sql;
  sql << in.rdbuf();

  const std::filesystem::path out(argv[2]);
  std::error_code ec;
  std::filesystem::create_directories(out.parent_path(), ec);
  const std::filesystem::path temp = out.string() + ".tmp";
  std::filesystem::remove(temp, ec);

  sqlite3* db = nullptr;
  if (sqlite3_open(temp.c_str(), &db) != SQLITE_OK) {
    std::fprintf(stderr, "make_template: cannot create %s\n", temp.c_str());
    sqlite3_close(db);
    return 1;
  }
  char* error = nullptr;
  const std::string script = "BEGIN;\n" + sql.str() + "\nCOMMIT;";
  if (sqlite3_exec(db, script.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::fprintf(stderr, "make_template: %s\n", error ? error : "failed");
    sqlite3_free(error);
    sqlite3_close(db);
    std::filesystem::remove(temp, ec);
    return 1;
  }
  sqlite3_close(db);
  std::filesystem::rename(temp, out, ec);
  if (ec) {
    std::fprintf(stderr, "make_template: cannot write %s: %s\n", out.c_str(), ec.message().c_str());
    return 1;
  }
  return 0;
}
