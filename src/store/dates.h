// Dates are stored as "YYYY-MM-DD" text and held in memory as a local time_t
// (0 = no date), converted with mktime/localtime in the process time zone.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace tallyvane::store {

struct RegionalSettings;

// Short-date field orders, as the locale and PrintedDateOrder number them.
enum class DateOrder : int { MonthDayYear = 0, DayMonthYear = 1, YearMonthDay = 2 };

struct DateTimeText {
  std::string date;  // "%.4d-%.2d-%.2d"
  std::string time;  // "%.2d:%.2d:%.2d"
};

// Empty date text gives 0; two-digit years below 70 are 20xx, 70..1899 are 19xx.
[[nodiscard]] std::time_t DateTextToTime(std::string_view dateText, std::string_view timeText = "00:00:00");
[[nodiscard]] DateTimeText TimeToDateText(std::time_t t);
// "YYYY-MM-DD" of a time value; empty for 0.
[[nodiscard]] std::string DateText(std::time_t t);
[[nodiscard]] bool IsValidDateText(std::string_view text);
[[nodiscard]] int DaysInMonth(int month, int year);
[[nodiscard]] std::time_t AddMonths(std::time_t t, int months);
// A date typed or imported in the system's short-date order.
[[nodiscard]] std::time_t ParseTypedDate(std::string_view text, DateOrder order);
// "INVALID DATE" when the text does not convert.
[[nodiscard]] std::string FormatPrintedDate(std::string_view dateText, int format, int order, char separator);
[[nodiscard]] std::string PrintedDate(const RegionalSettings& settings, std::string_view dateText);

// The month key of the balance cache: year * 12 + month - 1.
[[nodiscard]] int MonthKey(int year, int month);

}  // namespace tallyvane::store
