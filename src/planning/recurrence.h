// The recurrence rules that bank and investment schedules share: the four
// period kinds, moving a date on by one period, the "Completed" marker, the
// due test, and the recurrence fields of both schedule forms with their checks.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "store/data_context.h"
#include "store/record.h"
#include "store/regional.h"
#include "store/status.h"

namespace tallyvane::planning {

using store::DataContext;
using store::Status;

// Stored in TimePeriodType; TimePeriod holds N (the day of the month for
// DayOfMonth).
enum class PeriodKind : int {
  Days = 0,
  Weeks = 1,
  Months = 2,
  DayOfMonth = 3,
};

// What NextTransactionDate holds once a schedule has run past its end date.
inline constexpr std::string_view kCompleted = "Completed";

// Schedule amounts are stored as 32-bit decimal text, so the forms refuse
// anything a 32-bit number cannot hold rather than write it wrong.
inline constexpr int64_t kScheduleAmountLimit = 2147483647;
// "The amount of a scheduled transaction must not exceed $21,474,836.47."
[[nodiscard]] std::string ScheduleAmountLimitMessage(const store::RegionalSettings& regional);

// The form's unit choice; DayOfMonth has no label (it is the other mode).
[[nodiscard]] std::string_view PeriodUnitLabel(PeriodKind kind);
[[nodiscard]] std::optional<PeriodKind> PeriodUnitFromLabel(std::string_view label);

// The next occurrence after `date`. Whole calendar days and months are added
// in local time, so a daylight-saving change never shifts the calendar date;
// the time of day is kept. An unknown kind leaves the date as it is.
[[nodiscard]] std::time_t AdvanceScheduleDate(std::time_t date, int period, int kind);
// The same on stored date text; text that is no date comes back unchanged.
[[nodiscard]] std::string AdvanceScheduleDate(std::string_view date, int period, int kind);

// Stored schedule date text ("YYYY-MM-DD", any year a period may reach);
// false for "Completed".
[[nodiscard]] bool IsScheduleDate(std::string_view text);

// Needs attention today: false when an end date is set and already past,
// otherwise true when the next date is today or earlier.
[[nodiscard]] bool IsScheduleDue(const DataContext& data, std::string_view next, std::string_view end);

// Moves a loaded schedule row (of either schedule table) on by one period, or
// marks it "Completed" past its end date, and lowers its remaining count.
// False, with nothing changed, for a row that is already completed or holds
// no date.
bool AdvanceScheduleRow(store::Record& row);

enum class RecurrenceMode { Every, DayOfMonth };

// The recurrence part of both schedule forms.
struct RecurrenceFields {
  std::string nextDate;  // YYYY-MM-DD
  std::string endDate;
  bool noEndDate = false;
  RecurrenceMode mode = RecurrenceMode::Every;
  int every = 2;
  PeriodKind unit = PeriodKind::Weeks;
  int day = 1;
  bool reminders = false;
};

// Largest "every N" the form takes; a period of 0 or less would leave a
// schedule due for ever or move it backwards.
inline constexpr int kMaxEvery = 999;

// A new form's recurrence: next and end date today, every 2 weeks, the day
// of the month today's.
[[nodiscard]] RecurrenceFields DefaultRecurrence(const DataContext& data);
// As a stored schedule row shows it; an empty end date ticks "no end date".
[[nodiscard]] RecurrenceFields ReadRecurrence(const DataContext& data, const store::Record& row);
// The recurrence checks of both forms, in order: the dates are dates, the end
// date is not before the next date, the day of the month matches the next
// date, and N is a usable period.
[[nodiscard]] Status CheckRecurrence(const RecurrenceFields& fields);
void WriteRecurrence(store::Record& row, const RecurrenceFields& fields);

}  // namespace tallyvane::planning
