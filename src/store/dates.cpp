#include "store/dates.h"

#include <array>
#include <cstdio>
#include <vector>

#include "store/regional.h"

namespace tallyvane::store {

namespace {

constexpr std::array<const char*, 12> kLongMonths = {"January", "February", "March",     "April",   "May",      "June",
                                                     "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 12> kShortMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int AdjustYear(int year) {
  if (year < 70) return 2000 + year;
  if (year < 1900) return 1900 + year;
  return year;
}

// Reads up to three integers separated by `separator`, as sscanf("%d-%d-%d")
// would: parsing stops at the first field that does not start with a number.
int ScanThree(std::string_view text, char separator, int out[3]) {
  std::size_t i = 0;
  int count = 0;
  for (; count < 3; ++count) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
      negative = text[i] == '-';
      ++i;
    }
    if (i >= text.size() || text[i] < '0' || text[i] > '9') break;
    long value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      if (value < 100000000) value = value * 10 + (text[i] - '0');
      ++i;
    }
    out[count] = static_cast<int>(negative ? -value : value);
    if (count < 2) {
      if (i >= text.size() || text[i] != separator) {
        ++count;
        break;
      }
      ++i;
    }
  }
  return count;
}

bool LocalTime(std::time_t t, std::tm& out) { return localtime_r(&t, &out) != nullptr; }

}  // namespace

std::time_t DateTextToTime(std::string_view dateText, std::string_view timeText) {
  if (dateText.empty()) return 0;
  int date[3] = {0, 1, 1};
  int time[3] = {0, 0, 0};
  // Text without even a year is no date, rather than 1 January 2000.
  if (ScanThree(dateText, '-', date) == 0) return 0;
  ScanThree(timeText, ':', time);
  std::tm tm{};
  tm.tm_year = AdjustYear(date[0]) - 1900;
  tm.tm_mon = date[1] - 1;
  tm.tm_mday = date[2];
  tm.tm_hour = time[0];
  tm.tm_min = time[1];
  tm.tm_sec = time[2];
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  return t == static_cast<std::time_t>(-1) ? 0 : t;
}

DateTimeText TimeToDateText(std::time_t t) {
  if (t == 0) return {};
  std::tm tm{};
  if (!LocalTime(t, tm)) return {};
  char date[32];
  char time[32];
  std::snprintf(date, sizeof date, "%.4d-%.2d-%.2d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
  std::snprintf(time, sizeof time, "%.2d:%.2d:%.2d", tm.tm_hour, tm.tm_min, tm.tm_sec);
  return {date, time};
}

std::string DateText(std::time_t t) { return TimeToDateText(t).date; }

bool IsValidDateText(std::string_view text) {
  if (text.empty()) return true;
  int parts[3] = {0, 0, 0};
  if (ScanThree(text, '-', parts) < 3) return false;
  const int year = parts[0];
  const int month = parts[1];
  const int day = parts[2];
  return year >= 1970 && year <= 2038 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(month, year);
}

int DaysInMonth(int month, int year) {
  if (month < 1 || month > 12) return 0;
  if (month == 4 || month == 6 || month == 9 || month == 11) return 30;
  if (month == 2) {
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return leap ? 29 : 28;
  }
  return 31;
}

std::time_t AddMonths(std::time_t t, int months) {
  std::tm tm{};
  if (!LocalTime(t, tm)) return t;
  int month = tm.tm_mon + months;  // 0-based, may leave 0..11
  int year = tm.tm_year + 1900 + month / 12;
  month %= 12;
  if (month < 0) {
    month += 12;
    year -= 1;
  }
  tm.tm_year = year - 1900;
  tm.tm_mon = month;
  const int last = DaysInMonth(month + 1, year);
  if (tm.tm_mday > last) tm.tm_mday = last;
  tm.tm_isdst = -1;
  const std::time_t result = std::mktime(&tm);
  return result == static_cast<std::time_t>(-1) ? t : result;
}

std::time_t ParseTypedDate(std::string_view text, DateOrder order) {
  // Positions 0/1 are the first field (not started/started), 2/3 the second,
  // 4/5 the third; 6 means the date has ended.
  int position = 0;
  int fields[3] = {0, 0, 0};
  bool started[3] = {false, false, false};
  bool anything = false;
  for (char c : text) {
    if (position >= 6) break;
    if (c == '/' || c == '\\' || c == '.' || c == ':') {
      position = (position | 1) + 1;
    } else if (c == '-') {
      position = 6;
    } else if (c >= '0' && c <= '9') {
      const int field = position / 2;
      if (position % 2 == 0) {
        fields[field] = c - '0';
        started[field] = true;
        ++position;
      } else if (fields[field] < 100000) {
        fields[field] = fields[field] * 10 + (c - '0');
      }
      anything = true;
    }
  }
  if (!anything) return 0;

  int day = 1;
  int month = 0;
  int year = 0;
  // Fields never started keep their starting values.
  auto take = [&](int index, int& target) {
    if (started[index]) target = fields[index];
  };
  switch (order) {
    case DateOrder::MonthDayYear:
      take(0, month);
      take(1, day);
      take(2, year);
      break;
    case DateOrder::DayMonthYear:
      take(0, day);
      take(1, month);
      take(2, year);
      break;
    case DateOrder::YearMonthDay:
      take(0, year);
      take(1, month);
      take(2, day);
      break;
  }
  std::tm tm{};
  tm.tm_year = AdjustYear(year) - 1900;
  tm.tm_mon = month - 1;  // month 0 is December of the year before
  tm.tm_mday = day;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  return t == static_cast<std::time_t>(-1) ? 0 : t;
}

namespace {

bool IsTypedSeparator(char c) { return c == '/' || c == '.' || c == '-' || c == '\\' || c == ' '; }

int DigitsValue(std::string_view digits) {
  int value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

}  // namespace

std::optional<std::string> ReadTypedDate(std::string_view text, DateOrder order, int defaultYear) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') continue;
    // Anything but a digit or a single separator is not a date typed whole.
    if (!IsTypedSeparator(c) || i == start) return std::nullopt;
    parts.push_back(text.substr(start, i - start));
    start = i + 1;
  }
  if (start >= text.size()) return std::nullopt;
  parts.push_back(text.substr(start));

  // Digits only: cut into two-digit parts, the year whole.
  if (parts.size() == 1) {
    const std::string_view digits = parts[0];
    parts.clear();
    switch (digits.size()) {
      case 4:
        parts = {digits.substr(0, 2), digits.substr(2, 2)};
        break;
      case 6:
        parts = {digits.substr(0, 2), digits.substr(2, 2), digits.substr(4, 2)};
        break;
      case 8:
        if (order == DateOrder::YearMonthDay) {
          parts = {digits.substr(0, 4), digits.substr(4, 2), digits.substr(6, 2)};
        } else {
          parts = {digits.substr(0, 2), digits.substr(2, 2), digits.substr(4, 4)};
        }
        break;
      default:
        return std::nullopt;
    }
  }
  if (parts.size() > 3) return std::nullopt;

  std::string_view dayText;
  std::string_view monthText;
  std::string_view yearText;
  const bool withYear = parts.size() == 3;
  switch (order) {
    case DateOrder::MonthDayYear:
      monthText = parts[0];
      dayText = parts[1];
      if (withYear) yearText = parts[2];
      break;
    case DateOrder::DayMonthYear:
      dayText = parts[0];
      monthText = parts[1];
      if (withYear) yearText = parts[2];
      break;
    case DateOrder::YearMonthDay:
      // Without a year the two parts are month and day, in that order.
      if (withYear) {
        yearText = parts[0];
        monthText = parts[1];
        dayText = parts[2];
      } else {
        monthText = parts[0];
        dayText = parts[1];
      }
      break;
  }
  if (dayText.size() > 2 || monthText.size() > 2) return std::nullopt;
  int year = defaultYear;
  if (withYear) {
    // A three-digit year is a four-digit one not finished.
    if (yearText.size() == 3 || yearText.size() > 4) return std::nullopt;
    year = DigitsValue(yearText);
    if (yearText.size() <= 2) year = AdjustYear(year);
  }
  const int month = DigitsValue(monthText);
  const int day = DigitsValue(dayText);
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(month, year)) {
    return std::nullopt;
  }
  char out[40];
  std::snprintf(out, sizeof out, "%.4d-%.2d-%.2d", year, month, day);
  return std::string(out);
}

std::string TypedDatePattern(DateOrder order, char separator) {
  const std::string s(1, separator);
  switch (order) {
    case DateOrder::DayMonthYear:
      return "DD" + s + "MM" + s + "YYYY";
    case DateOrder::YearMonthDay:
      return "YYYY" + s + "MM" + s + "DD";
    case DateOrder::MonthDayYear:
      break;
  }
  return "MM" + s + "DD" + s + "YYYY";
}

std::string TypedDateRefusal(DateOrder order, char separator) {
  return "Please enter the date as " + TypedDatePattern(order, separator) + ".";
}

std::string TypedDateRangeRefusal(std::string_view first, std::string_view last) {
  return "Please enter a date from " + std::string(first) + " to " + std::string(last) + ".";
}

std::string FormatPrintedDate(std::string_view dateText, int format, int order, char separator) {
  const std::time_t t = DateTextToTime(dateText, "12:00:00");
  std::tm tm{};
  if (t <= 0 || !LocalTime(t, tm)) return "INVALID DATE";
  const int monthIndex = (tm.tm_mon >= 0 && tm.tm_mon < 12) ? tm.tm_mon : 0;
  char day[16];
  char month[16];
  char year[16];
  switch (format) {
    case 0:
    case 1:
      std::snprintf(day, sizeof day, "%d", tm.tm_mday);
      std::snprintf(month, sizeof month, "%s", format == 0 ? kLongMonths[monthIndex] : kShortMonths[monthIndex]);
      std::snprintf(year, sizeof year, "%04d", tm.tm_year + 1900);
      break;
    case 3:
      std::snprintf(day, sizeof day, "%02d", tm.tm_mday);
      std::snprintf(month, sizeof month, "%02d", tm.tm_mon + 1);
      std::snprintf(year, sizeof year, "%02d", (tm.tm_year + 1900) % 100);
      break;
    default:
      std::snprintf(day, sizeof day, "%02d", tm.tm_mday);
      std::snprintf(month, sizeof month, "%02d", tm.tm_mon + 1);
      std::snprintf(year, sizeof year, "%04d", tm.tm_year + 1900);
      break;
  }
  const char* a = month;
  const char* b = day;
  const char* c = year;
  if (order == 1) {
    a = day;
    b = month;
  } else if (order == 2) {
    a = year;
    b = month;
    c = day;
  }
  char out[64];
  std::snprintf(out, sizeof out, "%s%c%s%c%s", a, separator, b, separator, c);
  return out;
}

std::string PrintedDate(const RegionalSettings& settings, std::string_view dateText) {
  return FormatPrintedDate(dateText, settings.printedDateFormat, settings.effectiveDateOrder(),
                           settings.effectiveDateSeparator());
}

int MonthKey(int year, int month) { return year * 12 + month - 1; }

}  // namespace tallyvane::store
