#include "store/dates.h"

#include <gtest/gtest.h>

#include "store/regional.h"
#include "support/test_support.h"

namespace tallyvane::store {
namespace {

using tallyvane::testing::ScopedTimeZone;

std::string Day(std::time_t t) { return DateText(t); }

TEST(Dates, TextAndTimeRoundTrip) {
  ScopedTimeZone zone("America/New_York");
  EXPECT_EQ(DateTextToTime(""), 0);
  EXPECT_EQ(TimeToDateText(0).date, "");
  const std::time_t t = DateTextToTime("2000-07-26", "12:34:56");
  EXPECT_EQ(TimeToDateText(t).date, "2000-07-26");
  EXPECT_EQ(TimeToDateText(t).time, "12:34:56");
  // Two-digit and three-digit years.
  EXPECT_EQ(Day(DateTextToTime("5-01-02")), "2005-01-02");
  EXPECT_EQ(Day(DateTextToTime("99-01-02")), "1999-01-02");
  // Missing parts default to month 1, day 1.
  EXPECT_EQ(Day(DateTextToTime("2010")), "2010-01-01");
}

TEST(Dates, MidnightSurvivesDaylightSavingChange) {
  ScopedTimeZone zone("America/New_York");
  // 2021-03-14 has 23 hours there; dates still step by calendar day.
  EXPECT_EQ(Day(DateTextToTime("2021-03-14")), "2021-03-14");
  EXPECT_EQ(Day(DateTextToTime("2021-03-15")), "2021-03-15");
  EXPECT_EQ(DateTextToTime("2021-03-15") - DateTextToTime("2021-03-14"), 23 * 3600);
}

TEST(Dates, IsValidDateText) {
  struct Case {
    const char* text;
    bool valid;
  };
  const Case cases[] = {{"", true},           {"2000-02-29", true},  {"2001-02-29", false}, {"2039-01-01", false},
                        {"1969-12-31", false}, {"2038-12-31", true}, {"2020-13-01", false}, {"2020-04-31", false},
                        {"2020-1-5", true},    {"abc", false},       {"2020-01", false}};
  for (const Case& c : cases) EXPECT_EQ(IsValidDateText(c.text), c.valid) << c.text;
}

TEST(Dates, DaysInMonth) {
  EXPECT_EQ(DaysInMonth(2, 2000), 29);
  EXPECT_EQ(DaysInMonth(2, 1900), 28);
  EXPECT_EQ(DaysInMonth(2, 2024), 29);
  EXPECT_EQ(DaysInMonth(4, 2023), 30);
  EXPECT_EQ(DaysInMonth(12, 2023), 31);
  EXPECT_EQ(DaysInMonth(0, 2023), 0);
  EXPECT_EQ(DaysInMonth(13, 2023), 0);
}

TEST(Dates, AddMonths) {
  ScopedTimeZone zone("Europe/Berlin");
  struct Case {
    const char* from;
    int months;
    const char* expected;
  };
  const Case cases[] = {
      {"2001-01-31", 1, "2001-02-28"}, {"2004-01-31", 1, "2004-02-29"}, {"2001-03-15", -3, "2000-12-15"},
      {"2001-01-15", -13, "1999-12-15"}, {"2001-12-31", 2, "2002-02-28"}, {"2001-05-31", 1, "2001-06-30"},
      {"2001-01-10", 24, "2003-01-10"},
  };
  for (const Case& c : cases) {
    const std::time_t t = AddMonths(DateTextToTime(c.from, "12:00:00"), c.months);
    EXPECT_EQ(TimeToDateText(t).date, c.expected) << c.from << " + " << c.months;
    EXPECT_EQ(TimeToDateText(t).time, "12:00:00") << c.from << " + " << c.months;
  }
}

TEST(Dates, ParseTypedDate) {
  ScopedTimeZone zone("UTC");
  struct Case {
    const char* text;
    DateOrder order;
    const char* expected;
  };
  const Case cases[] = {
      {"26/07/2000", DateOrder::DayMonthYear, "2000-07-26"},
      {"07/26/2000", DateOrder::MonthDayYear, "2000-07-26"},
      {"2000.07.26", DateOrder::YearMonthDay, "2000-07-26"},
      {"7/4/99", DateOrder::MonthDayYear, "1999-07-04"},
      {"07-26-2000", DateOrder::MonthDayYear, "2000-07-01"},  // "-" ends the date
      {"3/15", DateOrder::MonthDayYear, "2000-03-15"},
      {"1/2/3/4", DateOrder::MonthDayYear, "2003-01-02"},    // a fourth field is ignored
      {"0/5/2001", DateOrder::MonthDayYear, "2000-12-05"},   // month 0 is December before
  };
  for (const Case& c : cases) EXPECT_EQ(Day(ParseTypedDate(c.text, c.order)), c.expected) << c.text;
  EXPECT_EQ(ParseTypedDate("", DateOrder::MonthDayYear), 0);
  EXPECT_EQ(ParseTypedDate("abc", DateOrder::MonthDayYear), 0);
}

TEST(Dates, ReadTypedDateTakesTheDayTypedOrNone) {
  constexpr DateOrder mdy = DateOrder::MonthDayYear;
  constexpr DateOrder dmy = DateOrder::DayMonthYear;
  constexpr DateOrder ymd = DateOrder::YearMonthDay;
  struct Case {
    const char* text;
    DateOrder order;
    const char* expected;  // "" when refused
  };
  const Case cases[] = {
      {"12/03/2026", mdy, "2026-12-03"},   {"12/03/2026", dmy, "2026-03-12"},  {"2026/12/03", ymd, "2026-12-03"},
      {"1/2/2026", mdy, "2026-01-02"},     {"1/2/26", mdy, "2026-01-02"},      {"7/4/99", mdy, "1999-07-04"},
      {"3.9.2026", dmy, "2026-09-03"},     {"12-03-2026", mdy, "2026-12-03"},  {" 12 3 2026 ", mdy, "2026-12-03"},
      {"12032026", mdy, "2026-12-03"},     {"120326", mdy, "2026-12-03"},      {"20261203", ymd, "2026-12-03"},
      {"12/3", mdy, "2024-12-03"},         {"1203", dmy, "2024-03-12"},        {"12/3", ymd, "2024-12-03"},
      {"2/29/2024", mdy, "2024-02-29"},    {"2/29/2026", mdy, ""},             {"13/01/2026", mdy, ""},
      {"0/5/2026", mdy, ""},               {"4/31/2026", mdy, ""},             {"12/03/202", mdy, ""},
      {"123/3/2026", mdy, ""},             {"12//3/2026", mdy, ""},            {"12/3/", mdy, ""},
      {"1/2/3/4", mdy, ""},                {"12a3", mdy, ""},                  {"12345", mdy, ""},
      {"", mdy, ""},                       {"12", mdy, ""},                    {"00/00/0000", mdy, ""},
  };
  for (const Case& c : cases) {
    const std::optional<std::string> read = ReadTypedDate(c.text, c.order, 2024);
    EXPECT_EQ(read.value_or(""), c.expected) << "'" << c.text << "' order " << static_cast<int>(c.order);
  }
}

TEST(Dates, TypedDateRefusalNamesTheRegionalPattern) {
  EXPECT_EQ(TypedDateRefusal(DateOrder::MonthDayYear, '/'), "Please enter the date as MM/DD/YYYY.");
  EXPECT_EQ(TypedDateRefusal(DateOrder::DayMonthYear, '.'), "Please enter the date as DD.MM.YYYY.");
  EXPECT_EQ(TypedDatePattern(DateOrder::YearMonthDay, '-'), "YYYY-MM-DD");
}

TEST(Dates, FormatPrintedDate) {
  ScopedTimeZone zone("Asia/Tokyo");
  struct Case {
    int format;
    int order;
    char separator;
    const char* expected;
  };
  const Case cases[] = {
      {0, 1, ' ', "26 July 2000"}, {1, 1, '/', "26/Jul/2000"}, {2, 0, '/', "07/26/2000"},
      {2, 2, '.', "2000.07.26"},   {3, 2, '-', "00-07-26"},    {3, 1, '/', "26/07/00"},
      {1, 0, ' ', "Jul 26 2000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatPrintedDate("2000-07-26", c.format, c.order, c.separator), c.expected) << c.expected;
  }
  EXPECT_EQ(FormatPrintedDate("", 2, 0, '/'), "INVALID DATE");
  EXPECT_EQ(FormatPrintedDate("garbage", 2, 0, '/'), "INVALID DATE");
}

TEST(Dates, PrintedDateUsesSettings) {
  ScopedTimeZone zone("UTC");
  RegionalSettings settings;
  settings.systemDateOrder = DateOrder::DayMonthYear;
  EXPECT_EQ(PrintedDate(settings, "2000-07-26"), "26/07/2000");  // system order, "/" derived
  settings.printedDateFormat = 0;
  EXPECT_EQ(PrintedDate(settings, "2000-07-26"), "26 July 2000");  // space derived
  settings.printedDateOrder = 2;
  settings.printedDateFormat = 2;
  settings.printedDateSeparator = "-";
  EXPECT_EQ(PrintedDate(settings, "2000-07-26"), "2000-07-26");
}

TEST(Dates, MonthKey) { EXPECT_EQ(MonthKey(2000, 1), 24000); }

}  // namespace
}  // namespace tallyvane::store
