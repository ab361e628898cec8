#include "store/money.h"

#include <gtest/gtest.h>

#include "store/regional.h"

namespace tallyvane::store {
namespace {

RegionalSettings Defaults() { return RegionalSettings{}; }

RegionalSettings With(int digits, int order = 0, std::string decimal = ".", std::string thousands = ",",
                      std::string symbol = "$") {
  RegionalSettings r;
  r.currencyDigits = digits;
  r.currencyOrder = order;
  r.decimalSymbol = std::move(decimal);
  r.thousandsSymbol = std::move(thousands);
  r.currencySymbol = std::move(symbol);
  return r;
}

TEST(FormatMoney, Table) {
  struct Case {
    const char* name;
    RegionalSettings settings;
    int64_t amount;
    const char* expected;
  };
  const Case cases[] = {
      {"zero", Defaults(), 0, "$0.00"},
      {"cents", Defaults(), 5, "$0.05"},
      {"negative cents", Defaults(), -5, "-$0.05"},
      {"thousands", Defaults(), -123456, "-$1,234.56"},
      {"millions", Defaults(), 100000000, "$1,000,000.00"},
      {"only two groups separated", Defaults(), 123456789000LL, "$1234,567,890.00"},
      {"symbol after, no digits", With(0, 1), 1234, "1,234$"},
      {"digits 0", With(0), 12, "$12"},
      {"digits 3", With(3), 1500, "$1.500"},
      {"comma decimal", With(2, 0, ",", "."), 123450, "$1.234,50"},
      {"multi-char symbol after", With(2, 1, ",", ".", "kr"), 995, "9,95kr"},
      {"most negative does not overflow", Defaults(), INT64_MIN, "-$92233720368,547,758.08"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatMoney(c.settings, Money(c.amount)), c.expected) << c.name;
  EXPECT_EQ(FormatMoneyPlain(Defaults(), Money(-123456)), "-1,234.56");
}

TEST(ParseMoney, Table) {
  struct Case {
    const char* name;
    RegionalSettings settings;
    const char* text;
    int64_t expected;
  };
  const Case cases[] = {
      {"grouped", Defaults(), "10,000.56", 1000056},
      {"symbol and one decimal", Defaults(), "$1.5", 150},
      {"extra decimals cut", Defaults(), "1.999", 199},
      {"parentheses ignored", Defaults(), "(12)", 1200},
      {"empty", Defaults(), "", 0},
      {"negative cent", Defaults(), "-0.01", -1},
      {"second decimal ignored", Defaults(), "1.2.3", 123},
      {"minus anywhere", Defaults(), "12-", -1200},
      {"digits 0 stops at the mark", With(0), "12.75", 12},
      {"digits 3 scales", With(3), "1.5", 1500},
      {"comma decimal", With(2, 0, ",", "."), "1.234,5", 123450},
      {"multi-char symbol after", With(2, 1, ",", ".", "kr"), "12,50kr", 1250},
      {"sixteen digits clamp", Defaults(), "1234567890123456.78", kMoneyInputLimit},
      {"clamped negative", Defaults(), "-99999999999999", -kMoneyInputLimit},
      {"leading zeros do not count as magnitude", Defaults(), "0000000000000000012.34", 1234},
      {"letters ignored", Defaults(), "USD 7", 700},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseMoney(c.settings, c.text).minorUnits(), c.expected) << c.name << " <" << c.text << ">";
  }
}

TEST(IsValidMoneyText, Table) {
  struct Case {
    const char* text;
    bool valid;
  };
  const Case cases[] = {
      {"-$1,000.50", true}, {"$-7", true},  {".5", true},     {"12 $", true},   {"12", true},
      {"  12", true},       {"1,,000", false}, {"1.2.3", false}, {"12-", false},   {"12 ", false},
      {"-", false},         {"$", false},   {"", false},      {"$$1", false},   {"--1", false},
      {"12$3", false},      {"abc", false}, {"1,000", true},  {"€5", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsValidMoneyText(Defaults(), c.text), c.valid) << "<" << c.text << ">";
  // Symbols are matched as whole texts.
  const RegionalSettings euro = With(2, 1, ",", ".", "€");
  EXPECT_TRUE(IsValidMoneyText(euro, "1.234,50 €"));
  EXPECT_FALSE(IsValidMoneyText(euro, "1,2,3"));
}

TEST(FormatDecimal, UsesDecimalSymbol) {
  EXPECT_EQ(FormatDecimal(Defaults(), 12.0), "12");
  EXPECT_EQ(FormatDecimal(Defaults(), 12.345), "12.35");
  EXPECT_EQ(FormatDecimal(With(2, 0, ","), 0.5), "0,50");
}

TEST(Money, ParseFormatRoundTrip) {
  const RegionalSettings settings = Defaults();
  for (int64_t v : std::initializer_list<int64_t>{0, 1, -1, 99, 100, 123456789, -987654321012, kMoneyInputLimit}) {
    EXPECT_EQ(ParseMoney(settings, FormatMoney(settings, Money(v))).minorUnits(), v) << v;
  }
}

}  // namespace
}  // namespace tallyvane::store
