// Scheduled investment actions (ScheduledInvestments): posted into
// Investments or skipped with the recurrence rules of bank schedules, their
// list window and the investment schedule form.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "planning/investments.h"
#include "planning/keys.h"
#include "planning/recurrence.h"
#include "planning/schedules.h"
#include "store/data_context.h"
#include "store/money.h"
#include "store/ports.h"
#include "store/status.h"

namespace tallyvane::planning {

inline constexpr std::string_view kInvestmentScheduleListTitle = "Investment Scheduled Transactions";
inline constexpr std::string_view kInvestmentOverdueHint =
    "Toggle to list all investment scheduled transactions or only those that currently  require your attention.";
inline constexpr std::string_view kInvestmentSkipHint =
    "Skip this investment scheduled transaction and advance to the next scheduled date.";

struct InvestmentScheduleRow {
  InvestmentScheduleKey key = 0;
  AccountKey account = 0;
  int action = 0;
  SecurityKey security = 0;
  int64_t shares = 0;  // signed as stored
  Money price;
  Money commission;
  Money cost;
  std::string next;
  std::string end;
  int period = 0;
  int periodKind = 0;
  bool reminders = false;
  bool deleted = false;

  [[nodiscard]] bool completed() const { return next == kCompleted; }
};
[[nodiscard]] std::optional<InvestmentScheduleRow> LoadInvestmentSchedule(DataContext& data,
                                                                          InvestmentScheduleKey key);

// What AddInvestmentSchedule and UpdateInvestmentSchedule write; amounts
// already signed.
struct InvestmentScheduleFields {
  AccountKey account = 0;
  InvestmentAction action = InvestmentAction::Buy;
  SecurityKey security = 0;
  int64_t shares = 0;
  Money price;
  Money commission;
  Money cost;
  RecurrenceFields recurrence;
};
// Price, commission and cost must fit the stored 32-bit text and shares a
// 32-bit number; nullopt (nothing written) otherwise.
[[nodiscard]] std::optional<InvestmentScheduleKey> AddInvestmentSchedule(DataContext& data,
                                                                         const InvestmentScheduleFields& fields);
bool UpdateInvestmentSchedule(DataContext& data, InvestmentScheduleKey key, const InvestmentScheduleFields& fields);
bool DeleteInvestmentSchedule(DataContext& data, InvestmentScheduleKey key);

// Enters the scheduled action on its next date and advances the schedule;
// nullopt for a missing, deleted or completed schedule.
[[nodiscard]] std::optional<InvestmentKey> PostScheduledInvestment(DataContext& data, InvestmentScheduleKey key);
bool SkipScheduledInvestment(DataContext& data, InvestmentScheduleKey key);

struct InvestmentPostResult {
  Status status;
  std::vector<InvestmentKey> entered;
  std::vector<InvestmentScheduleKey> refused;
};
// A selection, as one transaction on the data file.
[[nodiscard]] InvestmentPostResult PostScheduledInvestments(DataContext& data,
                                                            const std::vector<InvestmentScheduleKey>& keys);
[[nodiscard]] Status SkipScheduledInvestments(DataContext& data, const std::vector<InvestmentScheduleKey>& keys);

// Opening the list needs an investment account.
[[nodiscard]] Status CheckInvestmentScheduleList(DataContext& data);

struct InvestmentScheduleLine {
  InvestmentScheduleRow row;
  std::string accountName;
  std::string action;
  std::string security;
  // Magnitudes, as the user typed them; the cost is computed when stored as 0.
  int64_t shares = 0;
  Money price;
  Money commission;
  Money cost;
};
[[nodiscard]] std::vector<InvestmentScheduleLine> InvestmentScheduleLines(DataContext& data, ScheduleView view,
                                                                          bool overdueOnly);
[[nodiscard]] bool CanPostOrSkipInvestments(DataContext& data, const std::vector<InvestmentScheduleKey>& keys);
[[nodiscard]] Status DeleteInvestmentSchedulesFromList(DataContext& data,
                                                       const std::vector<InvestmentScheduleKey>& keys,
                                                       store::Prompter& prompter);

struct InvestmentScheduleForm {
  std::optional<InvestmentScheduleKey> key;  // editing when set
  AccountKey account = 0;
  InvestmentAction action = InvestmentAction::Buy;
  SecurityKey security = 0;
  std::string sharesText;
  std::string priceText;
  std::string commissionText;
  std::string totalText;
  RecurrenceFields recurrence;
};
[[nodiscard]] InvestmentScheduleForm NewInvestmentScheduleForm(DataContext& data);
[[nodiscard]] std::optional<InvestmentScheduleForm> OpenInvestmentScheduleForm(DataContext& data,
                                                                               InvestmentScheduleKey key);
// Checks in order, then the total and signs, then adds or updates.
[[nodiscard]] Status SaveInvestmentSchedule(DataContext& data, const InvestmentScheduleForm& form,
                                            InvestmentScheduleKey* saved = nullptr);

}  // namespace tallyvane::planning
