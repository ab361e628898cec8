// Scheduled bank transactions: templates of recurring transactions that are
// posted (entered through the ledger and moved on by one period) or skipped,
// their list with its views, the start-up reminder test, and the schedule
// form. Investment schedules live in investment_schedules.h.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ledger/transactions.h"
#include "planning/keys.h"
#include "planning/recurrence.h"
#include "store/data_context.h"
#include "store/money.h"
#include "store/ports.h"
#include "store/status.h"

namespace tallyvane::planning {

using store::Money;

// The start-up balloon, and the texts of the list window.
inline constexpr std::string_view kScheduleReminder = "There are scheduled transactions waiting for your attention.";
inline constexpr std::string_view kScheduleListTitle = "Scheduled Transactions";
inline constexpr std::string_view kOverdueOnly = "Only show overdue transactions";
inline constexpr std::string_view kOverdueHint =
    "Toggle to list all scheduled transactions or only those that currently  require your attention.";
inline constexpr std::string_view kPostHint = "Add this transaction to your records.";
inline constexpr std::string_view kSkipHint = "Skip this scheduled transaction and advance to the next scheduled date.";

// A row of ScheduledTransactions.
struct ScheduleRow {
  ScheduleKey key = 0;
  AccountKey account = 0;
  Money amount;  // signed as a transaction of its type is
  PayeeKey payee = 0;
  AccountKey transferAccount = 0;
  CategoryKey category = 0;
  int taxDeductible = 0;
  int type = 0;
  std::string next;  // date text or "Completed"
  std::string end;   // empty for no end
  int left = 0;
  bool reminders = false;
  int period = 0;
  int periodKind = 0;
  bool deleted = false;
  TransactionKey splitTemplate = 0;

  [[nodiscard]] bool completed() const { return next == kCompleted; }
};
[[nodiscard]] std::optional<ScheduleRow> LoadSchedule(DataContext& data, ScheduleKey key);

// What AddSchedule and UpdateSchedule write.
struct ScheduleFields {
  AccountKey account = 0;
  Money amount;
  PayeeKey payee = 0;
  AccountKey transferAccount = 0;
  CategoryKey category = 0;
  ledger::TransactionType type = ledger::TransactionType::Deposit;
  std::string next;
  std::string end;
  bool reminders = false;
  int period = 2;
  PeriodKind periodKind = PeriodKind::Weeks;
  TransactionKey splitTemplate = 0;  // AddSchedule only
};

// The amount must fit the stored 32-bit text; nullopt (nothing written)
// otherwise or when a write fails.
[[nodiscard]] std::optional<ScheduleKey> AddSchedule(DataContext& data, const ScheduleFields& fields);
// Rewrites the fields and drops the split template.
bool UpdateSchedule(DataContext& data, ScheduleKey key, const ScheduleFields& fields);
bool DeleteSchedule(DataContext& data, ScheduleKey key);
// Moves NextTransactionDate on, or marks the schedule "Completed".
bool AdvanceSchedule(DataContext& data, ScheduleKey key);

// Enters the schedule's transaction (check number, split lines copied from
// the template) and advances the schedule. nullopt, with nothing written for
// it, when the schedule is missing, deleted or completed or the ledger refuses
// the transaction.
[[nodiscard]] std::optional<TransactionKey> PostScheduledTransaction(DataContext& data, ScheduleKey key);
bool SkipScheduledTransaction(DataContext& data, ScheduleKey key);

struct PostResult {
  Status status;                        // a failed write: nothing was posted
  std::vector<TransactionKey> entered;  // in the order of the selection
  std::vector<ScheduleKey> refused;     // schedules that could not be posted
};
// "Post Transaction" on a selection: one transaction on the data file, and
// the balances of each account touched recomputed once.
[[nodiscard]] PostResult PostScheduledTransactions(DataContext& data, const std::vector<ScheduleKey>& keys);
// "Skip Transaction" on a selection, as one transaction on the data file.
[[nodiscard]] Status SkipScheduledTransactions(DataContext& data, const std::vector<ScheduleKey>& keys);

// The start-up reminder test: a live schedule with reminders on, not
// completed, that is due today.
[[nodiscard]] bool AnyScheduleNeedsAttention(DataContext& data);

enum class ScheduleView { Active, Old };
// The menu entry that switches away from `view`.
[[nodiscard]] std::string_view ScheduleViewToggleLabel(ScheduleView view);

struct ScheduleListLine {
  ScheduleRow row;
  std::string accountName;
  std::string payee;     // the transfer account's name for a transfer
  std::string category;  // full name
  std::optional<Money> payment;  // shown positive
  std::optional<Money> deposit;
};
[[nodiscard]] std::vector<ScheduleListLine> ScheduleListLines(DataContext& data, ScheduleView view, bool overdueOnly);
// "Post Transaction" and "Skip Transaction" are enabled: a selection without
// a completed schedule.
[[nodiscard]] bool CanPostOrSkip(DataContext& data, const std::vector<ScheduleKey>& keys);
[[nodiscard]] Status DeleteSchedulesFromList(DataContext& data, const std::vector<ScheduleKey>& keys,
                                             store::Prompter& prompter);

// The schedule form's fields.
struct ScheduleForm {
  std::optional<ScheduleKey> key;  // editing when set
  AccountKey account = 0;
  ledger::TransactionType type = ledger::TransactionType::Deposit;
  std::string payee;                // typed; created when new
  AccountKey transferAccount = 0;   // type Transfer: chosen...
  std::string transferAccountName;  // ...or typed as an existing account's name
  std::string amountText;           // a magnitude
  CategoryKey category = 0;
  CategoryKey subcategory = 0;
  // What the last chosen payee preselected (see ChooseSchedulePayee).
  CategoryKey payeeCategory = 0;
  CategoryKey payeeSubcategory = 0;
  RecurrenceFields recurrence;
  TransactionKey splitTemplate = 0;  // a new schedule made from a split transaction
};

[[nodiscard]] ScheduleForm NewScheduleForm(DataContext& data);
// Choosing an existing payee in the schedule form, as the transaction form's
// ledger::ChoosePayee does: the payee's remembered category and sub-category
// are preselected unless the user chose a category. False when the payee is
// not a live row; the form is then unchanged.
bool ChooseSchedulePayee(DataContext& data, ScheduleForm& form, PayeeKey payee);
// A new schedule from a register row: its account, type, payee or transfer
// account and amount, and the row as split template when it is split.
[[nodiscard]] std::optional<ScheduleForm> ScheduleFormFromTransaction(DataContext& data, TransactionKey key);
[[nodiscard]] std::optional<ScheduleForm> OpenScheduleForm(DataContext& data, ScheduleKey key);
// The accounts the form offers: live, not investment accounts, in table order.
[[nodiscard]] std::vector<AccountKey> ScheduleAccountChoices(DataContext& data);

// Checks in order, then adds or updates; the first failure names its field.
[[nodiscard]] Status SaveSchedule(DataContext& data, const ScheduleForm& form, ScheduleKey* saved = nullptr);

}  // namespace tallyvane::planning
