// OFX's own value formats: date-times with their zone bracket and amounts
// with their decimal mark.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "import/ofx_statement.h"
#include "store/dates.h"
#include "support/test_support.h"

namespace tallyvane::import {
namespace {

std::string local(std::time_t t) {
  const store::DateTimeText text = store::TimeToDateText(t);
  return text.date.empty() ? "none" : text.date + " " + text.time;
}

struct DateCase {
  const char* name;
  std::string_view text;
  std::string_view expected;  // local date and time, or "none"
};

TEST(ParseOfxDateTime, ReadsFieldsZoneAndDefaults) {
  // Japan keeps no daylight time, so "now" cannot change any case.
  tallyvane::testing::ScopedTimeZone zone("JST-9");
  const DateCase cases[] = {
      {"date only is taken at 11:59", "20180817", "2018-08-17 11:59:00"},
      {"zone: 12:00 at -7 is 19:00 UTC", "20180817120000.000[-7:MST]", "2018-08-18 04:00:00"},
      {"bracket with only the offset: local, unshifted", "20180817120000.000[-7]", "2018-08-17 12:00:00"},
      {"no point and digits before the bracket", "20180817120000[-7:MST]", "2018-08-17 12:00:00"},
      {"offset without a zone name", "20180817120000.000[-7:]", "2018-08-17 12:00:00"},
      {"fractional offset east", "20180817120000.000[+5.5:IST]", "2018-08-17 15:30:00"},
      {"fractional offset west", "20180817120000.000[-3.5:NST]", "2018-08-18 00:30:00"},
      {"zero offset", "20180817120000.123[0:GMT]", "2018-08-17 21:00:00"},
      {"time of day without seconds", "201808171230", "2018-08-17 12:30:00"},
      {"surrounding blanks", "  20180817 ", "2018-08-17 11:59:00"},
      {"fields roll over", "20120231", "2012-03-02 11:59:00"},
      {"two-digit year 70 is 1970", "00700101", "1970-01-01 11:59:00"},
      {"two-digit year 69 is 2069", "00690101", "2069-01-01 11:59:00"},
      {"year 1900 is itself", "19000301", "1900-03-01 11:59:00"},
      // Nothing readable: every field 0, normalised, so the row keeps a day.
      {"empty text", "", "1999-11-30 11:59:00"},
      {"masked digits", "********", "1999-11-30 11:59:00"},
      {"no digits", "TODAY", "1999-11-30 11:59:00"},
      {"unreadable with a time's length", "not-a-date-at-all", "1999-11-30 00:00:00"},
      {"far offsets are held at 1000 hours", "20180817120000.000[-99999999999:X]", "2018-09-28 13:00:00"},
      // Fields rolling past year 9999 name no day the data file can hold:
      // read as nothing readable is, with the same time-of-day rule.
      {"month and day rolling into year 10000", "99991399", "1999-11-30 11:59:00"},
      {"a zone carrying the last day into year 10000", "99991231230000.000[-12:X]", "1999-11-30 00:00:00"},
      {"the last storable day stays", "99991231", "9999-12-31 11:59:00"},
  };
  for (const DateCase& c : cases) {
    EXPECT_EQ(local(parseOfxDateTime(c.text)), c.expected) << c.name;
  }
}

TEST(ParseOfxDateTime, ZoneRulesOfTheDateItselfApply) {
  // New York: standard time in January, daylight time in July, whatever the
  // season on the day the test runs.
  tallyvane::testing::ScopedTimeZone zone("EST5EDT,M3.2.0,M11.1.0");
  EXPECT_EQ(local(parseOfxDateTime("20180115043000.000[0:GMT]")), "2018-01-14 23:30:00");
  EXPECT_EQ(local(parseOfxDateTime("20180715033000.000[0:GMT]")), "2018-07-14 23:30:00");
  EXPECT_EQ(local(parseOfxDateTime("20180715")), "2018-07-15 11:59:00");
}

TEST(OfxPostedDate, IsTheLocalDateOfParseOfxDateTime) {
  // The candidate date is computed without the zone rules where it can be;
  // it must agree with the full conversion everywhere, gaps and overlaps of
  // daylight time included.
  std::vector<std::string> texts = {"",         "****",     "20120231", "00690101",   "19000301",
                                    "20181399", "20180000", "2018",     "201808172359", "20180817999999",
                                    "99991399", "99991231230000.000[-12:X]", "99991231"};
  for (int day = 0; day < 370; day += 3) {
    for (const char* time : {"", "000000", "013000", "023000", "115900", "233000"}) {
      char text[32];
      std::snprintf(text, sizeof text, "2018%02d%02d%s", 1 + day / 31, 1 + day % 31, time);
      texts.emplace_back(text);
      texts.push_back(std::string(text) + (*time ? ".000[-5:EST]" : ""));
    }
  }
  for (const char* name : {"EST5EDT,M3.2.0,M11.1.0", "CET-1CEST,M3.5.0,M10.5.0/3", "NZST-12NZDT,M9.5.0,M4.1.0/3",
                           "JST-9", "UTC0"}) {
    tallyvane::testing::ScopedTimeZone zone(name);
    for (const std::string& text : texts) {
      EXPECT_EQ(ofxPostedDate(text), store::DateText(parseOfxDateTime(text))) << name << " " << text;
    }
  }
}

struct AmountCase {
  const char* name;
  std::string_view text;
  int64_t expected;
};

TEST(ParseOfxAmount, PointOrCommaIsTheDecimalMarkWhateverTheRegionalSettings) {
  const AmountCase cases[] = {
      {"point", "-12.50", -1250},
      {"comma", "-12,50", -1250},
      {"comma with one digit", "1234,5", 123450},
      {"thousands comma with a point", "1,234.56", 123456},
      {"a point makes commas separators", "1.234,56", 123},
      {"comma followed by three digits", "1,234", 123},
      {"trailing comma", "1234,", 123400},
      {"plus sign", "+721.01", 72101},
      {"trailing minus", "12.50-", -1250},
      {"minus past the cut digits", "1.2345-", -123},
      {"no whole digits", "-.5", -50},
      {"whole number", "-80", -8000},
      {"blanks and symbols", " $ 1 000.00 ", 100000},
      {"empty", "", 0},
      {"capped at 10^13 minor units", "99999999999999999999.99", 10'000'000'000'000},
  };
  store::RegionalSettings point;
  store::RegionalSettings comma;
  comma.decimalSymbol = ",";
  comma.thousandsSymbol = ".";
  comma.currencySymbol = "1";  // a symbol made of a digit must not eat digits
  for (const AmountCase& c : cases) {
    EXPECT_EQ(parseOfxAmount(point, c.text).minorUnits(), c.expected) << c.name;
    EXPECT_EQ(parseOfxAmount(comma, c.text).minorUnits(), c.expected) << c.name << " (comma settings)";
  }
}

TEST(ParseOfxAmount, FollowsTheDataFilesDigitCount) {
  store::RegionalSettings settings;
  settings.currencyDigits = 0;
  EXPECT_EQ(parseOfxAmount(settings, "12.99").minorUnits(), 12);
  settings.currencyDigits = 3;
  EXPECT_EQ(parseOfxAmount(settings, "1.2345").minorUnits(), 1234);
  EXPECT_EQ(parseOfxAmount(settings, "-0,5").minorUnits(), -500);
}

}  // namespace
}  // namespace tallyvane::import
