// Report periods, the remembered period choice and the budget report form.
#include <gtest/gtest.h>

#include "reports/period.h"
#include "reports_fixture.h"

namespace tallyvane::reports {
namespace {

using tallyvane::testing::ScopedTimeZone;

struct PeriodCase {
  const char* name;
  const char* now;  // local date at noon
  PeriodChoice choice;
  const char* start;
  const char* end;
};

TEST(PeriodOf, ChoicesGiveWholeLocalDays) {
  ScopedTimeZone zone("America/New_York");
  const PeriodCase cases[] = {
      {"this month in a leap February", "2024-02-10", PeriodChoice::ThisMonth, "2024-02-01", "2024-02-29"},
      {"this month in a common February", "2023-02-10", PeriodChoice::ThisMonth, "2023-02-01", "2023-02-28"},
      {"last month in January is December", "2027-01-15", PeriodChoice::LastMonth, "2026-12-01", "2026-12-31"},
      {"last month into a leap February", "2028-03-31", PeriodChoice::LastMonth, "2028-02-01", "2028-02-29"},
      {"last month of thirty days", "2026-07-31", PeriodChoice::LastMonth, "2026-06-01", "2026-06-30"},
      {"this year", "2026-12-10", PeriodChoice::ThisYear, "2026-01-01", "2026-12-31"},
      {"last year", "2026-01-01", PeriodChoice::LastYear, "2025-01-01", "2025-12-31"},
      {"select proposes this month", "2026-11-05", PeriodChoice::Select, "2026-11-01", "2026-11-30"},
  };
  for (const PeriodCase& c : cases) {
    const ReportPeriod period = PeriodOf(c.choice, store::DateTextToTime(c.now, "12:00:00"));
    EXPECT_EQ(period.startText(), c.start) << c.name;
    EXPECT_EQ(period.endText(), c.end) << c.name;
    EXPECT_EQ(period.start, store::DateTextToTime(c.start, "00:00:00")) << c.name;
    EXPECT_EQ(period.end, store::DateTextToTime(c.end, "23:59:59")) << c.name;
  }
}

TEST(PeriodOf, DaylightSavingDaysStayWhole) {
  ScopedTimeZone zone("America/New_York");
  // March 2026 loses an hour on the 8th; the period still ends at 23:59:59.
  const ReportPeriod march = MonthPeriod(2026, 3);
  std::tm tm{};
  localtime_r(&march.end, &tm);
  EXPECT_EQ(tm.tm_mday, 31);
  EXPECT_EQ(tm.tm_hour, 23);
  EXPECT_EQ(tm.tm_min, 59);
}

TEST(PeriodDialog, FirstUseIsSelectWithThisMonthThenTheChoiceIsRemembered) {
  ScopedTimeZone zone("America/New_York");
  PeriodMemory memory;
  const std::time_t december = store::DateTextToTime("2026-12-10", "12:00:00");
  {
    PeriodDialog dialog(memory, december);
    EXPECT_EQ(dialog.choice(), PeriodChoice::Select);
    EXPECT_EQ(dialog.dates().startText(), "2026-12-01");
    EXPECT_EQ(dialog.dates().endText(), "2026-12-31");
    dialog.choose(PeriodChoice::LastYear);
    EXPECT_EQ(dialog.dates().startText(), "2025-01-01");
    ASSERT_TRUE(dialog.accept().status.ok);
  }
  {
    // A remembered named entry recomputes its dates for the new day.
    PeriodDialog dialog(memory, store::DateTextToTime("2027-02-01", "12:00:00"));
    EXPECT_EQ(dialog.choice(), PeriodChoice::LastYear);
    EXPECT_EQ(dialog.dates().startText(), "2026-01-01");
    dialog.choose(PeriodChoice::ThisMonth);
    dialog.setEndDate("2027-03-15");  // editing a date switches to Select
    EXPECT_EQ(dialog.choice(), PeriodChoice::Select);
    dialog.setExpandByAccounts(true);
    const PeriodDialog::Answer answer = dialog.accept();
    ASSERT_TRUE(answer.status.ok);
    EXPECT_EQ(answer.period.startText(), "2027-02-01");
    EXPECT_EQ(answer.period.endText(), "2027-03-15");
  }
  PeriodDialog again(memory, december);
  EXPECT_EQ(again.choice(), PeriodChoice::Select);
  EXPECT_EQ(again.dates().startText(), "2027-02-01");
  EXPECT_EQ(again.dates().endText(), "2027-03-15");
  EXPECT_TRUE(again.expandByAccounts());

  // Another memory (another program) starts afresh.
  PeriodMemory other;
  EXPECT_FALSE(PeriodDialog(other, december).expandByAccounts());
}

TEST(PeriodDialog, EndBeforeStartIsRefusedAndOneDayIsAccepted) {
  ScopedTimeZone zone("Europe/Berlin");
  PeriodMemory memory;
  PeriodDialog dialog(memory, store::DateTextToTime("2026-12-10", "12:00:00"));
  dialog.setStartDate("2026-05-02");
  dialog.setEndDate("2026-05-01");
  const PeriodDialog::Answer refused = dialog.accept();
  EXPECT_FALSE(refused.status.ok);
  EXPECT_EQ(refused.status.message, "Invalid End Date");
  EXPECT_EQ(refused.status.field, "end");
  // Nothing is remembered from a refused dialog.
  EXPECT_EQ(PeriodDialog(memory, store::DateTextToTime("2026-12-10", "12:00:00")).dates().startText(), "2026-12-01");

  dialog.setEndDate("2026-05-02");
  const PeriodDialog::Answer day = dialog.accept();
  ASSERT_TRUE(day.status.ok);
  EXPECT_EQ(day.period.end - day.period.start, 24 * 3600 - 1);
}

class BudgetFormTest : public ReportsTest {};

TEST_F(BudgetFormTest, ValidationOrderAndPeriods) {
  struct Case {
    const char* name;
    BudgetPeriodKind kind;
    int month;
    int year;
    const char* message;
    const char* start;
    const char* end;
  };
  const Case cases[] = {
      {"no year and no month names the year first", BudgetPeriodKind::Monthly, 0, 0, "Select a valid year to run the report.", "", ""},
      {"monthly without month", BudgetPeriodKind::Monthly, 0, 2026, "Select a valid month to run the report.", "", ""},
      {"yearly ignores the month", BudgetPeriodKind::Yearly, 0, 2025, "", "2025-01-01", "2025-12-31"},
      {"leap February", BudgetPeriodKind::Monthly, 2, 2024, "", "2024-02-01", "2024-02-29"},
      {"April", BudgetPeriodKind::Monthly, 4, 2026, "", "2026-04-01", "2026-04-30"},
  };
  for (const Case& c : cases) {
    BudgetReportForm form;
    form.kind = c.kind;
    form.month = c.month;
    form.year = c.year;
    const BudgetPeriodAnswer answer = CheckBudgetReportForm(form);
    EXPECT_EQ(answer.status.message, c.message) << c.name;
    if (answer.status.ok) {
      EXPECT_EQ(answer.period.startText(), c.start) << c.name;
      EXPECT_EQ(answer.period.endText(), c.end) << c.name;
    }
  }
}

TEST_F(BudgetFormTest, BudgetListYearsAndPreselection) {
  EXPECT_FALSE(AnyBudgetExists(data()));
  tallyvane::testing::RecordingPrompter asked;
  asked.answer("Create new budget");
  EXPECT_TRUE(AskToCreateBudget(asked));
  ASSERT_EQ(asked.shown.size(), 1u);
  EXPECT_EQ(asked.shown[0].title, "Budget Report");
  EXPECT_EQ(asked.shown[0].buttons, (std::vector<std::string>{"Create new budget", "Cancel"}));

  const int zeta = BudgetWith("zeta", Category("Food | Groceries"), 100, kSavings);
  const int alpha = BudgetWith("Alpha", Category("Food | Groceries"), 100, kChecking);
  ASSERT_TRUE(db().exec("INSERT INTO Budgets VALUES (99, 'Gone', 0, 1)"));
  const std::vector<BudgetChoice> choices = BudgetChoices(data());
  ASSERT_EQ(choices.size(), 2u);
  EXPECT_EQ(choices[0].name, "Alpha");
  EXPECT_EQ(choices[1].name, "zeta");

  // No transactions: only the current year.
  EXPECT_EQ(BudgetYearChoices(data(), alpha), (std::vector<int>{2026}));
  Add(kChecking, "5.00", "2023-06-01");
  Add(kSavings, "5.00", "2021-06-01");
  EXPECT_EQ(BudgetYearChoices(data(), alpha), (std::vector<int>{2026, 2025, 2024, 2023}));
  EXPECT_EQ(BudgetYearChoices(data(), zeta).back(), 2021);

  const BudgetReportForm first = OpenBudgetReportForm(data(), std::nullopt);
  EXPECT_EQ(first.budget, alpha);
  EXPECT_EQ(first.month, 12);
  EXPECT_EQ(first.year, 2026);
  EXPECT_EQ(OpenBudgetReportForm(data(), zeta).budget, zeta);
  EXPECT_EQ(OpenBudgetReportForm(data(), 99).budget, alpha);  // a deleted budget is not offered
}

}  // namespace
}  // namespace tallyvane::reports
