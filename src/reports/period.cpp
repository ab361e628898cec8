#include "reports/period.h"

#include <algorithm>

#include "ledger/transactions.h"
#include "reports/names.h"
#include "store/dates.h"
#include "store/record.h"
#include "store/regional.h"
#include "store/sql_format.h"
#include "store/text.h"

namespace tallyvane::reports {

using store::FormatSql;

namespace {

std::string DayText(int year, int month, int day) { return FormatSql("%.4d-%.2d-%.2d", {year, month, day}); }

struct YearMonth {
  int year = 1970;
  int month = 1;
};

YearMonth LocalYearMonth(std::time_t now) {
  std::tm tm{};
  if (localtime_r(&now, &tm) == nullptr) return {};
  return {tm.tm_year + 1900, tm.tm_mon + 1};
}

}  // namespace

std::string ReportPeriod::startText() const { return store::DateText(start); }
std::string ReportPeriod::endText() const { return store::DateText(end); }

ReportPeriod PeriodBetween(std::string_view fromDate, std::string_view toDate) {
  return {store::DateTextToTime(fromDate, "00:00:00"), store::DateTextToTime(toDate, "23:59:59")};
}

ReportPeriod MonthPeriod(int year, int month) {
  return PeriodBetween(DayText(year, month, 1), DayText(year, month, store::DaysInMonth(month, year)));
}

ReportPeriod YearPeriod(int year) { return PeriodBetween(DayText(year, 1, 1), DayText(year, 12, 31)); }

std::string PeriodText(const store::RegionalSettings& regional, const ReportPeriod& period) {
  return FormatSql("Period: %s to %s",
                   {store::PrintedDate(regional, period.startText()), store::PrintedDate(regional, period.endText())});
}

std::optional<PeriodChoice> PeriodChoiceFromText(std::string_view text) {
  for (std::size_t i = 0; i < kPeriodChoiceTexts.size(); ++i) {
    if (store::EqualsNoCase(kPeriodChoiceTexts[i], text)) return static_cast<PeriodChoice>(i);
  }
  return std::nullopt;
}

ReportPeriod PeriodOf(PeriodChoice choice, std::time_t now) {
  const YearMonth current = LocalYearMonth(now);
  switch (choice) {
    case PeriodChoice::LastMonth:
      return current.month == 1 ? MonthPeriod(current.year - 1, 12) : MonthPeriod(current.year, current.month - 1);
    case PeriodChoice::ThisYear:
      return YearPeriod(current.year);
    case PeriodChoice::LastYear:
      return YearPeriod(current.year - 1);
    case PeriodChoice::Select:
    case PeriodChoice::ThisMonth:
      break;
  }
  return MonthPeriod(current.year, current.month);
}

PeriodMemory::Entry PeriodMemory::opening(std::time_t now) const {
  if (!entry_) return {PeriodChoice::Select, PeriodOf(PeriodChoice::ThisMonth, now)};
  if (entry_->choice == PeriodChoice::Select) return *entry_;
  return {entry_->choice, PeriodOf(entry_->choice, now)};
}

PeriodDialog::PeriodDialog(PeriodMemory& memory, std::time_t now)
    : memory_(memory), now_(now), entry_(memory.opening(now)),
      expand_(memory.expandByAccounts()),
      includeTransfers_(memory.includeTransfers()) {}

void PeriodDialog::choose(PeriodChoice choice) {
  entry_.choice = choice;
  if (choice != PeriodChoice::Select) entry_.dates = PeriodOf(choice, now_);
}

void PeriodDialog::setStartDate(std::string_view dateText) {
  entry_.choice = PeriodChoice::Select;
  entry_.dates.start = store::DateTextToTime(dateText, "00:00:00");
}

void PeriodDialog::setEndDate(std::string_view dateText) {
  entry_.choice = PeriodChoice::Select;
  entry_.dates.end = store::DateTextToTime(dateText, "23:59:59");
}

PeriodDialog::Answer PeriodDialog::accept() {
  if (entry_.dates.end < entry_.dates.start) return {Status::Fail(std::string(kInvalidEndDate), "", "end"), {}};
  memory_.remember(entry_);
  memory_.rememberExpandByAccounts(expand_);
  memory_.rememberIncludeTransfers(includeTransfers_);
  return {Status::Ok(), entry_.dates};
}

// ---- budgets ----

std::vector<BudgetChoice> BudgetChoices(DataContext& data) {
  std::vector<BudgetChoice> choices;
  for (store::Query q(data.db(), "SELECT ID, BudgetName FROM Budgets WHERE Deleted = 0"); q.hasRow(); q.next()) {
    choices.push_back({q.int32(0), q.text(1)});
  }
  std::stable_sort(choices.begin(), choices.end(),
                   [](const BudgetChoice& a, const BudgetChoice& b) { return CompareNames(a.name, b.name) < 0; });
  return choices;
}

bool AnyBudgetExists(DataContext& data) {
  return store::Query(data.db(), "SELECT ID FROM Budgets WHERE Deleted = 0").hasRow();
}

std::vector<int> BudgetYearChoices(DataContext& data, int32_t budget) {
  const int current = LocalYearMonth(data.now()).year;
  int earliest = current;
  std::vector<int32_t> accounts;
  for (store::Query q(data.db(), FormatSql("SELECT AccountID FROM BudgetAccounts WHERE BudgetID = %d", {budget}));
       q.hasRow(); q.next()) {
    accounts.push_back(q.int32(0));
  }
  for (int32_t account : accounts) {
    const std::string first = ledger::FirstTransactionDate(data, account);
    if (first.size() >= 4) earliest = std::min(earliest, store::ParseInt32Prefix(first.substr(0, 4)));
  }
  std::vector<int> years;
  for (int year = current; year >= earliest; --year) years.push_back(year);
  return years;
}

bool AskToCreateBudget(store::Prompter& prompter) {
  return prompter.ask(kBudgetReportTitle, kNoBudgetsQuestion, {std::string(kCreateBudgetButton), "Cancel"}) == 0;
}

BudgetReportForm OpenBudgetReportForm(DataContext& data, std::optional<int32_t> budget) {
  BudgetReportForm form;
  const std::vector<BudgetChoice> choices = BudgetChoices(data);
  const bool known = budget && std::any_of(choices.begin(), choices.end(),
                                           [&](const BudgetChoice& c) { return c.id == *budget; });
  if (known) {
    form.budget = *budget;
  } else if (!choices.empty()) {
    form.budget = choices.front().id;
  }
  const YearMonth current = LocalYearMonth(data.now());
  form.month = current.month;
  form.year = current.year;
  return form;
}

BudgetPeriodAnswer CheckBudgetReportForm(const BudgetReportForm& form) {
  if (form.year <= 0) return {Status::Fail(std::string(kSelectValidYear), "", "year"), {}};
  if (form.kind == BudgetPeriodKind::Monthly && (form.month < 1 || form.month > 12)) {
    return {Status::Fail(std::string(kSelectValidMonth), "", "month"), {}};
  }
  if (form.kind == BudgetPeriodKind::Yearly) return {Status::Ok(), YearPeriod(form.year)};
  return {Status::Ok(), MonthPeriod(form.year, form.month)};
}

}  // namespace tallyvane::reports
