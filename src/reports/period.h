// Report periods: whole local days from a start at 00:00:00 to an end at
// 23:59:59, the period choices of the report dialogs with the choice that is
// remembered for the run, and the budget report's month/year form.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/data_context.h"
#include "store/ports.h"
#include "store/status.h"

namespace tallyvane::reports {

using store::DataContext;
using store::Status;

// Both instants are local times. 64-bit, so periods after January 2038 work.
struct ReportPeriod {
  std::time_t start = 0;  // first day, 00:00:00
  std::time_t end = 0;    // last day, 23:59:59

  // The "YYYY-MM-DD" bounds the queries use, both inclusive.
  [[nodiscard]] std::string startText() const;
  [[nodiscard]] std::string endText() const;
};

// From the first day's date text to the last day's; either may be the same day.
[[nodiscard]] ReportPeriod PeriodBetween(std::string_view fromDate, std::string_view toDate);
[[nodiscard]] ReportPeriod MonthPeriod(int year, int month);
[[nodiscard]] ReportPeriod YearPeriod(int year);
// "Period: %s to %s" with both days in the printed date format.
[[nodiscard]] std::string PeriodText(const store::RegionalSettings& regional, const ReportPeriod& period);

enum class PeriodChoice : int { Select = 0, ThisMonth = 1, LastMonth = 2, ThisYear = 3, LastYear = 4 };
inline constexpr std::array<std::string_view, 5> kPeriodChoiceTexts = {"Select", "This Month", "Last Month",
                                                                      "This Year", "Last Year"};
[[nodiscard]] std::optional<PeriodChoice> PeriodChoiceFromText(std::string_view text);

// The dates a choice stands for at `now`; "Select" gives "This Month".
[[nodiscard]] ReportPeriod PeriodOf(PeriodChoice choice, std::time_t now);

inline constexpr std::string_view kInvalidEndDate = "Invalid End Date";

// What the period dialogs remember for the rest of the run. The caller owns
// it (one per running program), so two programs in one process, or two
// tests, never share it.
class PeriodMemory {
 public:
  struct Entry {
    PeriodChoice choice = PeriodChoice::Select;
    ReportPeriod dates;
  };
  // The entry the next dialog opens with: the remembered one (its dates
  // recomputed for any choice but "Select"), or on first use "Select" with
  // the dates of "This Month".
  [[nodiscard]] Entry opening(std::time_t now) const;
  void remember(const Entry& entry) { entry_ = entry; }
  [[nodiscard]] bool expandByAccounts() const { return expandByAccounts_; }
  void rememberExpandByAccounts(bool expand) { expandByAccounts_ = expand; }
  // The category report's "Include transfers between accounts".
  [[nodiscard]] bool includeTransfers() const { return includeTransfers_; }
  void rememberIncludeTransfers(bool include) { includeTransfers_ = include; }

 private:
  std::optional<Entry> entry_;
  bool expandByAccounts_ = false;
  bool includeTransfers_ = false;
};

// The period dialog as a model: the choice list and the two date fields.
// Choosing an entry fills the dates; editing a date switches to "Select".
class PeriodDialog {
 public:
  PeriodDialog(PeriodMemory& memory, std::time_t now);

  [[nodiscard]] PeriodChoice choice() const { return entry_.choice; }
  [[nodiscard]] const ReportPeriod& dates() const { return entry_.dates; }
  [[nodiscard]] bool expandByAccounts() const { return expand_; }

  void choose(PeriodChoice choice);
  void setStartDate(std::string_view dateText);
  void setEndDate(std::string_view dateText);
  void setExpandByAccounts(bool expand) { expand_ = expand; }
  [[nodiscard]] bool includeTransfers() const { return includeTransfers_; }
  void setIncludeTransfers(bool include) { includeTransfers_ = include; }

  struct Answer {
    Status status;  // the balloon on "end" when refused
    ReportPeriod period;
  };
  // Checks the dates; on success remembers the entry (and the check boxes)
  // and returns the period.
  [[nodiscard]] Answer accept();

 private:
  PeriodMemory& memory_;
  std::time_t now_;
  PeriodMemory::Entry entry_;
  bool expand_;
  bool includeTransfers_;
};

// ---- the budget report's dialog ----

enum class BudgetSection : int { All = 0, Expenses = 1, Income = 2 };
enum class BudgetPeriodKind : int { Monthly = 0, Yearly = 1 };

struct BudgetChoice {
  int32_t id = 0;
  std::string name;
};
// Live budgets, by name without regard to case.
[[nodiscard]] std::vector<BudgetChoice> BudgetChoices(DataContext& data);
[[nodiscard]] bool AnyBudgetExists(DataContext& data);
// The years offered for a budget: the current year down to the year of the
// earliest live transaction in any of its accounts (only the current year
// when there is none).
[[nodiscard]] std::vector<int> BudgetYearChoices(DataContext& data, int32_t budget);

inline constexpr std::string_view kBudgetReportTitle = "Budget Report";
inline constexpr std::string_view kNoBudgetsQuestion =
    "There are no budgets set up at this time.  Would you like to create a new budget?";
inline constexpr std::string_view kCreateBudgetButton = "Create new budget";
// Asked before the budget dialog when no budget exists; true when the user
// wants the new-budget wizard.
[[nodiscard]] bool AskToCreateBudget(store::Prompter& prompter);

struct BudgetReportForm {
  int32_t budget = 0;
  BudgetPeriodKind kind = BudgetPeriodKind::Monthly;
  int month = 0;  // 1..12; 0 is the list's "Select"
  int year = 0;   // 0 is the list's "Select"
  BudgetSection section = BudgetSection::All;
  // "Include transfers between accounts": off, so a transfer between the
  // book's accounts is neither income nor spending against the budget.
  bool includeTransfers = false;
};

// The check box of the category and budget report dialogs.
inline constexpr std::string_view kIncludeTransfersOption = "Include transfers between accounts";
// The dialog as it opens: the given budget (else the first), the current
// month and year.
[[nodiscard]] BudgetReportForm OpenBudgetReportForm(DataContext& data, std::optional<int32_t> budget);

inline constexpr std::string_view kSelectValidYear = "Select a valid year to run the report.";
inline constexpr std::string_view kSelectValidMonth = "Select a valid month to run the report.";

struct BudgetPeriodAnswer {
  Status status;  // the balloon on "year" or "month" when refused
  ReportPeriod period;
};
[[nodiscard]] BudgetPeriodAnswer CheckBudgetReportForm(const BudgetReportForm& form);

}  // namespace tallyvane::reports
