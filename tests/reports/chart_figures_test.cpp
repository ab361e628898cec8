// The charts' figures: net worth per month from the balance cache (carried
// over quiet months, starting balances before the first), the category and
// budget sums kept beside the report rows, and the share slices.
#include <gtest/gtest.h>

#include "reports/budget_report.h"
#include "reports/category_report.h"
#include "reports/chart_figures.h"
#include "reports_fixture.h"

namespace tallyvane::reports {
namespace {

using ledger::TransactionType;

class ChartFiguresTest : public ReportsTest {};

TEST_F(ChartFiguresTest, NetWorthCarriesBalancesThroughQuietMonths) {
  SetStarting(kChecking, 10000);   // 100.00
  SetStarting(kCard, 0);
  Add(kChecking, "50.00", "2026-10-15", TransactionType::Deposit, "Acme", "Income | Salary");
  Add(kCard, "30.00", "2026-11-03", TransactionType::Purchase, "Market", "Food | Groceries");
  Add(kChecking, "20.00", "2027-01-04", TransactionType::Purchase, "Market", "Food | Groceries");

  ASSERT_EQ(FirstCachedMonth(data()), (YearMonth{2026, 10}));
  const std::vector<NetWorthMonth> months = NetWorthByMonth(data(), {2026, 9}, {2027, 2});
  ASSERT_EQ(months.size(), 6U);
  struct Expected {
    YearMonth month;
    int64_t assets;
    int64_t liabilities;
  };
  const Expected expected[] = {
      {{2026, 9}, 10000, 0},   // before any cached month: the starting balance
      {{2026, 10}, 15000, 0},
      {{2026, 11}, 15000, 3000},
      {{2026, 12}, 15000, 3000},  // no row for December: November carries
      {{2027, 1}, 13000, 3000},
      {{2027, 2}, 13000, 3000},   // after the last row
  };
  for (std::size_t i = 0; i < months.size(); ++i) {
    EXPECT_EQ(months[i].month, expected[i].month) << i;
    EXPECT_EQ(months[i].assets.minorUnits(), expected[i].assets) << i;
    EXPECT_EQ(months[i].liabilities.minorUnits(), expected[i].liabilities) << i;
    EXPECT_EQ(months[i].netWorth().minorUnits(), expected[i].assets - expected[i].liabilities) << i;
  }
}

TEST_F(ChartFiguresTest, NetWorthLeavesOutDeletedAccountsAndEmptyRanges) {
  Add(kSavings, "70.00", "2026-11-02", TransactionType::Deposit, "Acme", "Income | Salary");
  EXPECT_EQ(NetWorthByMonth(data(), {2026, 11}, {2026, 11}).at(0).assets.minorUnits(), 7000);
  ASSERT_TRUE(db().exec(store::FormatSql("UPDATE Accounts SET Deleted = 1 WHERE ID = %d", {kSavings})));
  EXPECT_EQ(NetWorthByMonth(data(), {2026, 11}, {2026, 11}).at(0).assets.minorUnits(), 0);
  EXPECT_TRUE(NetWorthByMonth(data(), {2026, 12}, {2026, 11}).empty());
}

TEST_F(ChartFiguresTest, NetWorthCountsInvestmentAccountsAtThePanelsValueMonthByMonth) {
  SetStarting(kChecking, 10000);
  const int broker = AddInvestmentAccount("Broker");
  ASSERT_TRUE(db().exec(store::FormatSql("UPDATE Accounts SET AcctStartingBal = 50000 WHERE ID = %d", {broker})));
  const int fund = AddSecurity("Fund");
  // TotalCost is what an action takes out of the account's value.
  auto action = [&](const std::string& date, long long totalCost) {
    AddInvestment(broker, date, 0, fund, 1, 100);
    ASSERT_TRUE(db().exec(store::FormatSql(
        "UPDATE Investments SET TotalCost = %lld WHERE ID = (SELECT MAX(ID) FROM Investments)", {totalCost})));
  };
  action("2026-08-20", 20000);
  action("2026-10-05", -5000);
  action("2026-10-25", 1000);
  action("1979-12-31", 99999);  // before 1980: the panel never counts it
  Add(kChecking, "50.00", "2026-10-15", TransactionType::Deposit, "Acme", "Income | Salary");

  EXPECT_EQ(FirstNetWorthMonth(data()), (YearMonth{2026, 8}));
  const std::vector<NetWorthMonth> months = NetWorthByMonth(data(), {2026, 9}, {2026, 12});
  ASSERT_EQ(months.size(), 4U);
  const int64_t expected[] = {
      10000 + 30000,          // September: 500.00 less the August action
      15000 + 30000 + 4000,   // October: both October actions
      15000 + 34000,
      15000 + 34000,
  };
  for (std::size_t i = 0; i < months.size(); ++i) EXPECT_EQ(months[i].assets.minorUnits(), expected[i]) << i;
  // The last month agrees with the panel's value of the account.
  EXPECT_EQ(months.back().assets.minorUnits() - 15000, 34000);
  // A deleted investment account is left out, as on the panel.
  ASSERT_TRUE(db().exec(store::FormatSql("UPDATE Accounts SET Deleted = 1 WHERE ID = %d", {broker})));
  EXPECT_EQ(NetWorthByMonth(data(), {2026, 12}, {2026, 12}).at(0).assets.minorUnits(), 15000);
}

TEST_F(ChartFiguresTest, FirstCachedMonthIsNoneForAnEmptyBook) { EXPECT_FALSE(FirstCachedMonth(data())); }

TEST_F(ChartFiguresTest, CategoryFiguresMatchTheRowsOfTheSameBuild) {
  Add(kChecking, "1000.00", "2026-11-02", TransactionType::Deposit, "Acme", "Income | Salary");
  Add(kChecking, "50.00", "2026-11-03", TransactionType::Purchase, "Market", "Food | Groceries");
  Add(kChecking, "25.00", "2026-11-05", TransactionType::Purchase, "Market", "Food | Groceries");
  Add(kChecking, "20.00", "2026-11-04", TransactionType::Purchase, "Diner", "Food | Dining Out");
  CategoryReport report(data(), MonthPeriod(2026, 11));
  report.build();
  ASSERT_EQ(report.figures().size(), 3U);
  EXPECT_EQ(report.figures()[0].name, "Food | Dining Out");
  EXPECT_EQ(report.figures()[0].expense.minorUnits(), 2000);
  EXPECT_EQ(report.figures()[1].name, "Food | Groceries");
  EXPECT_EQ(report.figures()[1].expense.minorUnits(), 7500);
  EXPECT_EQ(report.figures()[2].name, "Income | Salary");
  EXPECT_EQ(report.figures()[2].income.minorUnits(), 100000);
  // A second build replaces them rather than adding to them.
  report.build();
  EXPECT_EQ(report.figures().size(), 3U);
}

TEST_F(ChartFiguresTest, BudgetFiguresHoldBudgetAndActualOfEachLine) {
  Add(kChecking, "50.00", "2026-11-03", TransactionType::Purchase, "Market", "Food | Groceries");
  const int budget = BudgetWith("Household", Category("Food | Groceries"), 10000, kChecking);
  BudgetReport monthly(data(), MonthPeriod(2026, 11), budget, BudgetSection::All, BudgetPeriodKind::Monthly);
  monthly.build();
  ASSERT_EQ(monthly.figures().size(), 1U);
  EXPECT_EQ(monthly.figures()[0].name, "Groceries");
  EXPECT_TRUE(monthly.figures()[0].expense);
  EXPECT_EQ(monthly.figures()[0].budget.minorUnits(), 10000);
  EXPECT_EQ(monthly.figures()[0].actual.minorUnits(), 5000);
  BudgetReport yearly(data(), YearPeriod(2026), budget, BudgetSection::All, BudgetPeriodKind::Yearly);
  yearly.build();
  EXPECT_EQ(yearly.figures().at(0).budget.minorUnits(), 120000);
}

TEST(ShareSlices, LargestFirstWithTheRestAsOther) {
  using store::Money;
  struct Case {
    std::vector<ChartSlice> in;
    std::size_t max;
    std::vector<std::pair<std::string, int64_t>> out;
  };
  const Case cases[] = {
      {{{"a", Money(100)}, {"b", Money(300)}, {"c", Money(200)}}, 5, {{"b", 300}, {"c", 200}, {"a", 100}}},
      {{{"a", Money(100)}, {"b", Money(300)}, {"c", Money(200)}, {"d", Money(50)}},
       3,
       {{"b", 300}, {"c", 200}, {"Other", 150}}},
      // Nothing spent, or money coming back, makes no slice.
      {{{"a", Money(0)}, {"b", Money(-40)}, {"c", Money(10)}}, 3, {{"c", 10}}},
      {{{"x", Money(10)}, {"y", Money(10)}}, 2, {{"x", 10}, {"y", 10}}},
      {{{"x", Money(10)}}, 0, {}},
  };
  for (const Case& c : cases) {
    const std::vector<ChartSlice> slices = ShareSlices(c.in, c.max);
    std::vector<std::pair<std::string, int64_t>> got;
    for (const ChartSlice& s : slices) got.emplace_back(s.label, s.amount.minorUnits());
    EXPECT_EQ(got, c.out);
  }
}

}  // namespace
}  // namespace tallyvane::reports
