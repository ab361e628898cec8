#include "planning/recurrence.h"

#include <array>
#include <cstdio>

#include "store/dates.h"
#include "store/money.h"
#include "store/sql_format.h"
#include "store/text.h"

namespace tallyvane::planning {

namespace {

constexpr std::array<std::string_view, 3> kUnitLabels = {"Days", "Weeks", "Months"};

struct CivilDate {
  int64_t year = 0;
  int month = 1;
  int day = 1;
};

// Days since 1970-01-01 of a proleptic Gregorian date, and back (the
// era-based conversion, exact for every year).
int64_t DaysFromCivil(CivilDate d) {
  const int64_t y = d.year - (d.month <= 2 ? 1 : 0);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t mp = (d.month + 9) % 12;
  const int64_t doy = (153 * mp + 2) / 5 + d.day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

CivilDate CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  CivilDate out;
  out.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  out.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  out.year = yoe + era * 400 + (out.month <= 2 ? 1 : 0);
  return out;
}

int LastDay(CivilDate d) { return store::DaysInMonth(d.month, static_cast<int>(d.year)); }

CivilDate AddMonthsClamped(CivilDate d, int64_t months) {
  const int64_t index = d.year * 12 + (d.month - 1) + months;
  CivilDate out;
  out.year = index >= 0 ? index / 12 : (index - 11) / 12;
  out.month = static_cast<int>(index - out.year * 12) + 1;
  out.day = d.day;
  if (out.day > LastDay(out)) out.day = LastDay(out);
  return out;
}

CivilDate Advance(CivilDate d, int period, int kind) {
  switch (kind) {
    case static_cast<int>(PeriodKind::Days):
      return CivilFromDays(DaysFromCivil(d) + period);
    case static_cast<int>(PeriodKind::Weeks):
      return CivilFromDays(DaysFromCivil(d) + 7 * static_cast<int64_t>(period));
    case static_cast<int>(PeriodKind::Months):
      return AddMonthsClamped(d, period);
    case static_cast<int>(PeriodKind::DayOfMonth): {
      // The day that a short month clamped is restored in the next month
      // long enough to hold it, but only up to that month's last day.
      CivilDate out = AddMonthsClamped(d, 1);
      if (out.day < period) out.day = LastDay(out);
      return out;
    }
    default:
      return d;
  }
}

std::optional<CivilDate> ParseDateText(std::string_view text) {
  if (text.size() < 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  }
  CivilDate d;
  d.year = store::ParseInt32Prefix(text.substr(0, 4));
  d.month = store::ParseInt32Prefix(text.substr(5, 2));
  d.day = store::ParseInt32Prefix(text.substr(8, 2));
  if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > LastDay(d)) return std::nullopt;
  return d;
}

std::string DateTextOf(CivilDate d) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.4lld-%.2d-%.2d", static_cast<long long>(d.year), d.month, d.day);
  return buffer;
}

int DayOfMonth(std::string_view dateText) {
  const auto d = ParseDateText(dateText);
  return d ? d->day : 0;
}

}  // namespace

std::string ScheduleAmountLimitMessage(const store::RegionalSettings& regional) {
  return store::FormatSql("The amount of a scheduled transaction must not exceed %s.",
                          {store::FormatMoney(regional, store::Money(kScheduleAmountLimit))});
}

std::string_view PeriodUnitLabel(PeriodKind kind) {
  const auto index = static_cast<std::size_t>(kind);
  return index < kUnitLabels.size() ? kUnitLabels[index] : std::string_view{};
}

std::optional<PeriodKind> PeriodUnitFromLabel(std::string_view label) {
  for (std::size_t i = 0; i < kUnitLabels.size(); ++i) {
    if (store::EqualsNoCase(kUnitLabels[i], label)) return static_cast<PeriodKind>(i);
  }
  return std::nullopt;
}

std::time_t AdvanceScheduleDate(std::time_t date, int period, int kind) {
  std::tm tm{};
  if (localtime_r(&date, &tm) == nullptr) return date;
  const CivilDate next = Advance({tm.tm_year + 1900LL, tm.tm_mon + 1, tm.tm_mday}, period, kind);
  // Rebuilt from calendar fields with the zone deciding the offset, so a day
  // is a calendar day even when it is 23 or 25 hours long.
  std::tm out{};
  out.tm_year = static_cast<int>(next.year - 1900);
  out.tm_mon = next.month - 1;
  out.tm_mday = next.day;
  out.tm_hour = tm.tm_hour;
  out.tm_min = tm.tm_min;
  out.tm_sec = tm.tm_sec;
  out.tm_isdst = -1;
  const std::time_t result = std::mktime(&out);
  return result == static_cast<std::time_t>(-1) ? date : result;
}

std::string AdvanceScheduleDate(std::string_view date, int period, int kind) {
  const auto parsed = ParseDateText(date);
  if (!parsed) return std::string(date);
  return DateTextOf(Advance(*parsed, period, kind));
}

bool IsScheduleDate(std::string_view text) { return ParseDateText(text).has_value(); }

bool IsScheduleDue(const DataContext& data, std::string_view next, std::string_view end) {
  // Stored dates are YYYY-MM-DD, so text order is calendar order.
  const std::string today = store::DateText(data.now());
  if (!end.empty() && end.substr(0, 10) < today) return false;
  return ParseDateText(next).has_value() && next.substr(0, 10) <= today;
}

bool AdvanceScheduleRow(store::Record& row) {
  const std::string current = row.GetText("NextTransactionDate");
  if (!ParseDateText(current)) return false;
  std::string next = AdvanceScheduleDate(current, row.GetInt("TimePeriod"), row.GetInt("TimePeriodType"));
  const std::string end = row.GetText("EndTransactionDate");
  if (!end.empty() && end.substr(0, 10) < next) next = std::string(kCompleted);
  row.SetText("NextTransactionDate", next);
  const int32_t left = row.GetInt("NumberOfRecurringTransactionsLeft");
  row.SetInt("NumberOfRecurringTransactionsLeft", left > 0 ? left - 1 : 0);
  return true;
}

RecurrenceFields DefaultRecurrence(const DataContext& data) {
  RecurrenceFields fields;
  fields.nextDate = store::DateText(data.now());
  fields.endDate = fields.nextDate;
  fields.day = DayOfMonth(fields.nextDate);
  return fields;
}

RecurrenceFields ReadRecurrence(const DataContext& data, const store::Record& row) {
  RecurrenceFields fields = DefaultRecurrence(data);
  fields.nextDate = row.GetText("NextTransactionDate");
  fields.endDate = row.GetText("EndTransactionDate");
  fields.noEndDate = fields.endDate.empty();
  if (fields.noEndDate) fields.endDate = store::DateText(data.now());
  const int kind = row.GetInt("TimePeriodType");
  const int period = row.GetInt("TimePeriod");
  if (kind == static_cast<int>(PeriodKind::DayOfMonth)) {
    fields.mode = RecurrenceMode::DayOfMonth;
    fields.day = period;
  } else {
    fields.mode = RecurrenceMode::Every;
    fields.unit = kind >= 0 && kind <= 2 ? static_cast<PeriodKind>(kind) : PeriodKind::Days;
    fields.every = period;
  }
  fields.reminders = row.GetFlag("Reminders");
  return fields;
}

Status CheckRecurrence(const RecurrenceFields& fields) {
  if (!store::IsValidDateText(fields.nextDate)) return Status::Fail("Please enter a valid next date.", "", "next");
  if (!fields.noEndDate) {
    if (!store::IsValidDateText(fields.endDate)) return Status::Fail("Please enter a valid end date.", "", "end");
    if (fields.endDate < fields.nextDate) return Status::Fail("End date must be after next date.", "", "end");
  }
  if (fields.mode == RecurrenceMode::DayOfMonth) {
    if (fields.day != DayOfMonth(fields.nextDate)) {
      return Status::Fail("Next Date should be the same as Schedule day of month.", "", "day");
    }
  } else if (fields.every < 1 || fields.every > kMaxEvery ||
             (fields.unit != PeriodKind::Days && fields.unit != PeriodKind::Weeks &&
              fields.unit != PeriodKind::Months)) {
    return Status::Fail(store::FormatSql("Please enter a number of days, weeks or months from 1 to %d.", {kMaxEvery}),
                        "", "every");
  }
  return Status::Ok();
}

void WriteRecurrence(store::Record& row, const RecurrenceFields& fields) {
  row.SetText("NextTransactionDate", fields.nextDate);
  row.SetText("EndTransactionDate", fields.noEndDate ? std::string{} : fields.endDate);
  if (fields.mode == RecurrenceMode::DayOfMonth) {
    row.SetInt("TimePeriodType", static_cast<int>(PeriodKind::DayOfMonth));
    row.SetInt("TimePeriod", fields.day);
  } else {
    row.SetInt("TimePeriodType", static_cast<int>(fields.unit));
    row.SetInt("TimePeriod", fields.every);
  }
  row.SetFlag("Reminders", fields.reminders);
}

}  // namespace tallyvane::planning
