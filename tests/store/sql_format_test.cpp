#include "store/sql_format.h"

#include <gtest/gtest.h>

namespace tallyvane::store {
namespace {

TEST(SqlFormat, ConversionsTable) {
  struct Case {
    const char* name;
    std::string actual;
    const char* expected;
  };
  const Case cases[] = {
      {"text verbatim", FormatSql("SELECT * FROM %s", {"Accounts"}), "SELECT * FROM Accounts"},
      {"quote doubled", FormatSql("WHERE PayName = '%Q'", {"O'Brien"}), "WHERE PayName = 'O''Brien'"},
      {"null adds nothing", FormatSql("[%s][%Q]", {nullptr, nullptr}), "[][]"},
      {"percent", FormatSql("LIKE '%%x%%'", {}), "LIKE '%x%'"},
      {"int", FormatSql("Account = %d", {42}), "Account = 42"},
      {"long long", FormatSql("%lld", {9000000000000LL}), "9000000000000"},
      {"width and zero pad", FormatSql("%.4d-%.2d-%.2d", {2000, 7, 6}), "2000-07-06"},
      {"double", FormatSql("%.2f", {0.5}), "0.50"},
      {"missing args", FormatSql("%s %d", {}), " 0"},
      {"%s does not quote", FormatSql("'%s'", {"a'b"}), "'a'b'"},
      {"percent in value kept", FormatSql("'%Q'", {"100%"}), "'100%'"},
      {"backslash kept", FormatSql("'%Q'", {"C:\\tmp"}), "'C:\\tmp'"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected) << c.name;
}

TEST(SqlFormat, LimitedCutsAtCharacterBoundary) {
  const std::string name(300, 'x');
  EXPECT_EQ(FormatSqlLimited(259, "%s", {name}).size(), 259u);
  // Three-byte characters: a cut never leaves half a sequence.
  std::string wide;
  for (int i = 0; i < 300; ++i) wide += "\xE2\x82\xAC";
  EXPECT_EQ(FormatSqlLimited(259, "%s", {wide}).size(), 259u * 3);
}

}  // namespace
}  // namespace tallyvane::store
