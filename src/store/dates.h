// Dates are stored as "YYYY-MM-DD" text and held in memory as a local time_t
// (0 = no date), converted with mktime/localtime in the process time zone.
#pragma once

#include <ctime>
#include <optional>
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
// A date typed whole into a date field, read in the regional short-date
// order: day and month of one or two digits, a year of one, two or four
// digits (short years as in DateTextToTime), the parts separated by "/", ".",
// "-", "\\" or a blank; or digits only, 4 (day and month), 6 or 8 of them.
// Without a year the day falls in `defaultYear`. The "YYYY-MM-DD" of exactly
// the day typed, or nullopt when the text names no such day: a field either
// takes what the user typed or refuses it, it never guesses another day.
[[nodiscard]] std::optional<std::string> ReadTypedDate(std::string_view text, DateOrder order, int defaultYear);
// How a date field asks for a date: "MM/DD/YYYY" in the order and separator given.
[[nodiscard]] std::string TypedDatePattern(DateOrder order, char separator);
// The refusals of a date field, with the pattern or the range's ends as shown.
[[nodiscard]] std::string TypedDateRefusal(DateOrder order, char separator);
[[nodiscard]] std::string TypedDateRangeRefusal(std::string_view first, std::string_view last);
inline constexpr std::string_view kTypedDateTitle = "Invalid Date";
// "INVALID DATE" when the text does not convert.
[[nodiscard]] std::string FormatPrintedDate(std::string_view dateText, int format, int order, char separator);
[[nodiscard]] std::string PrintedDate(const RegionalSettings& settings, std::string_view dateText);

// The month key of the balance cache: year * 12 + month - 1.
[[nodiscard]] int MonthKey(int year, int month);

}  // namespace tallyvane::store
