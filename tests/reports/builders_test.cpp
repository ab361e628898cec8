// The four report builders on one small November: row order, texts, signs,
// totals, rowCount and where a row drills down to.
#include <gtest/gtest.h>

#include "ledger/categories.h"
#include "reports/activity_report.h"
#include "reports/budget_report.h"
#include "reports/category_report.h"
#include "reports/journal.h"
#include "reports/payee_report.h"
#include "reports_fixture.h"

namespace tallyvane::reports {
namespace {

using ledger::TransactionType;

constexpr const char* kIndent5 = "               ";

std::string In(const std::string& text) { return kIndent5 + text; }

class BuildersTest : public ReportsTest {
 protected:
  // Checking starts at 100.00. In November: salary, groceries, dining, an
  // uncategorised purchase without payee, a voided purchase, a transfer to
  // savings, a split purchase, and on the card a payment in (a deposit) and
  // a purchase. One row before and one after the month.
  void SetUp() override {
    SetStarting(kChecking, 10000);
    before_ = Add(kChecking, "7.00", "2026-10-31", TransactionType::Purchase, "Market", "Food | Groceries");
    salary_ = Add(kChecking, "1000.00", "2026-11-02", TransactionType::Deposit, "Acme", "Income | Salary");
    groceries_ = Add(kChecking, "50.00", "2026-11-03", TransactionType::Purchase, "Market", "Food | Groceries");
    dining_ = Add(kChecking, "20.00", "2026-11-04", TransactionType::Purchase, "Diner", "Food | Dining Out");
    bare_ = Add(kChecking, "5.00", "2026-11-05");
    voided_ = Add(kChecking, "999.00", "2026-11-06", TransactionType::Purchase, "Market", "Food | Groceries");
    ASSERT_TRUE(ledger::VoidTransaction(data(), voided_));
    transfer_ = Add(kChecking, "100.00", "2026-11-07", TransactionType::Transfer, "", "", kSavings);
    split_ = Add(kChecking, "60.00", "2026-11-08", TransactionType::Purchase, "Market", "Food | Groceries");
    Split(split_, {{"Food | Groceries", "-40.00"}, {"Food | Dining Out", "-20.00"}});
    cardIn_ = Add(kCard, "30.00", "2026-11-09", TransactionType::Deposit, "Bank", "Income | Other Income");
    cardOut_ = Add(kCard, "40.00", "2026-11-10", TransactionType::Purchase, "Market", "Food | Groceries");
    after_ = Add(kChecking, "8.00", "2026-12-01", TransactionType::Purchase, "Market", "Food | Groceries");
  }

  ReportPeriod November() const { return MonthPeriod(2026, 11); }

  ledger::TransactionKey before_ = 0, salary_ = 0, groceries_ = 0, dining_ = 0, bare_ = 0, voided_ = 0, transfer_ = 0,
                         split_ = 0, cardIn_ = 0, cardOut_ = 0, after_ = 0;
};

TEST_F(BuildersTest, CategoryReportSumsByCategoryWithSplitsAndCardDeposits) {
  CategoryReport report(data(), November());
  report.build();
  EXPECT_EQ(report.title(), "Income/Expenses Report By Category");
  EXPECT_EQ(report.periodText(), "Period: 11/01/2026 to 11/30/2026");
  // The transfer to savings is neither income nor expense; the card deposit
  // is not income; the void is left out.
  EXPECT_EQ(Lines(report), (std::vector<std::string>{
                               "Income||",
                               In("Income | Salary") + "||$1,000.00",
                               In("Income Total:") + "||$1,000.00",
                               "Expense||",
                               In("Food | Dining Out") + "|$40.00|",
                               In("Food | Groceries") + "|$130.00|",
                               In("Not categorized") + "|$5.00|",
                               In("Expense Total:") + "|$175.00|",
                           }));
  // Header rows carry two cells; totals a rule above the amount.
  EXPECT_EQ(report.rows()[0].cells.size(), 2u);
  EXPECT_EQ(report.rows()[2].cells[2].style, kStyleRuleAbove);
  EXPECT_EQ(report.rows()[7].cells[1].style, kStyleRuleAbove);
  EXPECT_EQ(report.rows()[7].cells[2].style, 0);
  // Contributions: six in checking (two split lines), two on the card (the
  // ignored deposit too); the transfer's two rows count for nothing.
  EXPECT_EQ(report.rowCount(), 8);

  // Building again replaces the rows.
  report.build();
  EXPECT_EQ(report.rows().size(), 8u);
  EXPECT_EQ(report.rowCount(), 8);
}

TEST_F(BuildersTest, CategoryReportCountsTransfersOnlyWhenAsked) {
  CategoryReport report(data(), November(), true);
  report.build();
  // The transfer counts twice (out of checking, into savings, both without a
  // category).
  EXPECT_EQ(Lines(report), (std::vector<std::string>{
                               "Income||",
                               In("Income | Salary") + "||$1,000.00",
                               In("Not categorized") + "||$100.00",
                               In("Income Total:") + "||$1,100.00",
                               "Expense||",
                               In("Food | Dining Out") + "|$40.00|",
                               In("Food | Groceries") + "|$130.00|",
                               In("Not categorized") + "|$105.00|",
                               In("Expense Total:") + "|$275.00|",
                           }));
  EXPECT_EQ(report.rowCount(), 10);
  // The journal behind a line lists what the line counted.
  auto journalTotal = [&](CategoryReport& built, const std::vector<std::string>& cells) {
    std::unique_ptr<Journal> journal = built.journalFor(cells);
    EXPECT_NE(journal, nullptr);
    if (!journal) return int64_t{-1};
    journal->fill();
    int64_t sum = 0;
    for (const JournalLine& line : journal->lines()) sum += line.payment.value_or(Money()).minorUnits();
    return sum;
  };
  ASSERT_TRUE(db().exec(store::FormatSql("UPDATE Transactions SET Category = %d WHERE ID IN (%d, %d)",
                                         {Category("Food | Groceries"), transfer_, Row(transfer_).referencedId})));
  report.build();
  EXPECT_EQ(journalTotal(report, {In("Food | Groceries"), "$230.00", ""}), 23000);
  CategoryReport without(data(), November());
  without.build();
  EXPECT_EQ(journalTotal(without, {In("Food | Groceries"), "$130.00", ""}), 13000);
}

// Sums added up in SQLite must list as the row walk listed them, including
// categories that can no longer be found: each its own "Not categorized"
// line at the end in the order the walk meets them, the uncategorised rows'
// line after those met before them.
TEST_F(BuildersTest, CategoryReportListsDeletedCategoriesLastInTheOrderMet) {
  ASSERT_TRUE(db().exec(store::FormatSql("UPDATE Categories SET Deleted = 1 WHERE ID = %d", {Category("Food | Dining Out")})));
  CategoryReport one(data(), November());
  one.build();
  EXPECT_EQ(Lines(one), (std::vector<std::string>{
                            "Income||",
                            In("Income | Salary") + "||$1,000.00",
                            In("Income Total:") + "||$1,000.00",
                            "Expense||",
                            In("Food | Groceries") + "|$130.00|",
                            In("Not categorized") + "|$40.00|",
                            In("Not categorized") + "|$5.00|",
                            In("Expense Total:") + "|$175.00|",
                        }));
  EXPECT_EQ(one.rowCount(), 8);
  const ledger::CategoryKey groceries = Category("Food | Groceries");
  ASSERT_TRUE(db().exec(store::FormatSql("UPDATE Categories SET Deleted = 1 WHERE ID = %d", {groceries})));
  CategoryReport two(data(), November());
  two.build();
  EXPECT_EQ(Lines(two), (std::vector<std::string>{
                            "Income||",
                            In("Income | Salary") + "||$1,000.00",
                            In("Income Total:") + "||$1,000.00",
                            "Expense||",
                            In("Not categorized") + "|$130.00|",
                            In("Not categorized") + "|$40.00|",
                            In("Not categorized") + "|$5.00|",
                            In("Expense Total:") + "|$175.00|",
                        }));
  EXPECT_EQ(two.rowCount(), 8);
}

TEST_F(BuildersTest, CategoryReportWithOnlyCardDepositsStillOpensWithZeroTotals) {
  CategoryReport report(data(), PeriodBetween("2026-11-09", "2026-11-09"));
  tallyvane::testing::RecordingPrompter prompter;
  ASSERT_TRUE(BuildForShowing(report, prompter));
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(Lines(report), (std::vector<std::string>{"Income||", In("Income Total:") + "||$0.00", "Expense||",
                                                     In("Expense Total:") + "|$0.00|"}));
}

TEST_F(BuildersTest, EmptyPeriodIsRefusedWithTheReportsMessage) {
  CategoryReport report(data(), PeriodBetween("2020-01-01", "2020-01-31"));
  tallyvane::testing::RecordingPrompter prompter;
  EXPECT_FALSE(BuildForShowing(report, prompter));
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].title, "Reports");
  EXPECT_EQ(prompter.shown[0].text, "There is no information available for this report.");
}

TEST_F(BuildersTest, CategoryLinesDrillDownToTheirJournal) {
  CategoryReport report(data(), November());
  report.build();
  struct Case {
    const char* name;
    std::vector<std::string> cells;
    ledger::CategoryKey category;  // -1: no journal
    JournalMode mode;
  };
  const Case cases[] = {
      {"expense line opens payments", {In("Food | Groceries"), "$130.00", ""}, Category("Food | Groceries"),
       JournalMode::Payments},
      {"income line opens deposits", {In("Income | Salary"), "", "$1,000.00"}, Category("Income | Salary"),
       JournalMode::Deposits},
      {"total line", {In("Expense Total:"), "$275.00", ""}, -1, JournalMode::Both},
      {"header line is not indented", {"Expense", "", ""}, -1, JournalMode::Both},
      {"a name that resolves to nothing", {In("Not categorized"), "$105.00", ""}, -1, JournalMode::Both},
  };
  for (const Case& c : cases) {
    const std::unique_ptr<Journal> journal = report.journalFor(c.cells);
    if (c.category < 0) {
      EXPECT_EQ(journal, nullptr) << c.name;
      continue;
    }
    auto* category = dynamic_cast<CategoryJournal*>(journal.get());
    ASSERT_NE(category, nullptr) << c.name;
    EXPECT_EQ(category->category(), c.category) << c.name;
    EXPECT_EQ(category->mode(), c.mode) << c.name;
    EXPECT_EQ(category->period().start, report.period().start) << c.name;
  }
}

TEST_F(BuildersTest, PayeeReportListsIncomeAndExpensePayeesWithoutTransfersOrVoids) {
  PayeeReport report(data(), November(), false);
  report.build();
  EXPECT_EQ(report.title(), "Expense Report By Payee");
  // The card deposit is income here, unlike in the category report.
  EXPECT_EQ(Lines(report), (std::vector<std::string>{
                               "Income Payees||",
                               In("Acme") + "||$1,000.00",
                               In("Bank") + "||$30.00",
                               "||",
                               "Expense Payees||",
                               In("Diner") + "||$20.00",
                               In("Market") + "||$150.00",
                               In("Unassigned") + "||$5.00",
                           }));
  EXPECT_EQ(report.rowCount(), 5);
}

TEST_F(BuildersTest, PayeeReportExpandedByAccountsKeepsOnlyTheUnassignedAmount) {
  PayeeReport report(data(), November(), true);
  report.build();
  EXPECT_EQ(Lines(report), (std::vector<std::string>{
                               "Income Payees||",
                               In("Acme") + "||",
                               "|Checking Account|$1,000.00",
                               In("Bank") + "||",
                               "|Credit Card|$30.00",
                               "||",
                               "Expense Payees||",
                               In("Diner") + "||",
                               "|Checking Account|$20.00",
                               In("Market") + "||",
                               "|Checking Account|$110.00",
                               "|Credit Card|$40.00",
                               In("Unassigned") + "||$5.00",
                               "|Checking Account|$5.00",
                           }));
  EXPECT_EQ(report.rowCount(), 5);
}

TEST_F(BuildersTest, PayeeReportWithOnlyUnassignedRowsStillOpens) {
  PayeeReport report(data(), PeriodBetween("2026-11-05", "2026-11-07"), false);
  tallyvane::testing::RecordingPrompter prompter;
  ASSERT_TRUE(BuildForShowing(report, prompter));
  EXPECT_EQ(Lines(report), (std::vector<std::string>{"Income Payees||", "||", "Expense Payees||",
                                                     In("Unassigned") + "||$5.00"}));
  EXPECT_EQ(report.rowCount(), 1);
}

TEST_F(BuildersTest, PayeeLinesDrillDownToThePayeeJournal) {
  PayeeReport report(data(), November(), true);
  report.build();
  auto open = [&](std::vector<std::string> cells) -> ledger::PayeeKey {
    const std::unique_ptr<Journal> journal = report.journalFor(cells);
    auto* payee = dynamic_cast<PayeeJournal*>(journal.get());
    return payee == nullptr ? -1 : payee->payee();
  };
  EXPECT_EQ(open({In("Market"), "", ""}), ledger::FindPayeeId(data(), "Market"));
  EXPECT_EQ(open({In("Unassigned"), "", "$5.00"}), 0);
  EXPECT_EQ(open({"", "Checking Account", "$5.00"}), -1);
  EXPECT_EQ(open({"Income Payees", "", ""}), -1);
  EXPECT_EQ(open({In("Nobody"), "", ""}), -1);
}

TEST_F(BuildersTest, ActivityReportOfAnAssetAccountCarriesTheRunningBalance) {
  MarkReconciled(groceries_);
  AccountActivityReport report(data(), November(), kChecking);
  report.build();
  EXPECT_EQ(report.title(), "Checking Account Transactions");
  ASSERT_EQ(report.columns().size(), 7u);
  EXPECT_EQ(report.columns()[4].title, "Payment");
  EXPECT_EQ(Lines(report), (std::vector<std::string>{
                               "|2026-11-02|Acme|Income | Salary||$1,000.00|$1,093.00",
                               "R|2026-11-03|Market|Food | Groceries|$50.00||$1,043.00",
                               "|2026-11-04|Diner|Food | Dining Out|$20.00||$1,023.00",
                               "|2026-11-05||Not categorized|$5.00||$1,018.00",
                               "|2026-11-06|VOID*VOID*VOID|Food | Groceries|$999.00||$1,018.00",
                               "|2026-11-07|Transfer to Savings Account|Not categorized|$100.00||$918.00",
                               "|2026-11-08|Market|-split-|$60.00||$858.00",
                           }));
  for (const ReportRow& row : report.rows()) EXPECT_EQ(row.kind, RowKind::Register);
  EXPECT_EQ(report.rowCount(), 7);
  // Each balance is the one the ledger computes for the row on its own.
  const ledger::TransactionKey keys[] = {salary_, groceries_, dining_, bare_, voided_, transfer_, split_};
  for (std::size_t i = 0; i < 7; ++i) {
    EXPECT_EQ(report.rows()[i].cells[6].text,
              store::FormatMoney(data().regional(), ledger::TransactionRunningBalance(data(), keys[i])))
        << i;
  }
}

TEST_F(BuildersTest, ActivityReportOfOtherAccountsUsesChargeAndTheirSign) {
  AccountActivityReport card(data(), November(), kCard);
  card.build();
  EXPECT_EQ(card.columns()[4].title, "Charge");
  EXPECT_EQ(card.columns()[2].width, 23);
  EXPECT_EQ(Lines(card), (std::vector<std::string>{
                             "|2026-11-09|Bank|Income | Other Income||$30.00|-$30.00",
                             "|2026-11-10|Market|Food | Groceries|$40.00||$10.00",
                         }));

  AccountActivityReport savings(data(), November(), kSavings);
  savings.build();
  EXPECT_EQ(Lines(savings),
            (std::vector<std::string>{"|2026-11-07|Transfer from Checking Account|Not categorized||$100.00|$100.00"}));
  EXPECT_FALSE(savings.journalFor({"", "2026-11-07"}));
}

TEST_F(BuildersTest, ActivityReportOfAnInvestmentAccountListsItsActions) {
  const int brokerage = AddInvestmentAccount("Brokerage");
  const int acme = AddSecurity("Acme Corp");
  AddInvestment(brokerage, "2026-11-03", 0, acme, 10, -2500);  // Buy
  AddInvestment(brokerage, "2026-11-04", 1, acme, -4, 3000);   // Sell
  AddInvestment(brokerage, "2026-11-05", 2, acme, 2, 100);     // Dividend
  AddInvestment(brokerage, "2026-11-06", 3, 0, 0, 0);          // Income
  AddInvestment(brokerage, "2026-12-06", 0, acme, 1, -100);    // after the period
  AccountActivityReport report(data(), November(), brokerage);
  report.build();
  EXPECT_EQ(report.title(), "Brokerage Transactions");
  ASSERT_EQ(report.columns().size(), 5u);
  EXPECT_EQ(report.columns()[3].title, "Number of Shares");
  EXPECT_EQ(Lines(report), (std::vector<std::string>{
                               "2026-11-03|Buy|Acme Corp|10|$250.00",
                               "2026-11-04|Sell|Acme Corp|-4|$120.00",
                               "2026-11-05|Dividend|Acme Corp|2|",
                               "2026-11-06|Income|||",
                           }));
  EXPECT_EQ(report.rowCount(), 4);
}

TEST_F(BuildersTest, ActivityReportOfAMissingAccountHasAnEmptyName) {
  AccountActivityReport report(data(), November(), 4242);
  report.build();
  EXPECT_EQ(report.title(), " Transactions");
  EXPECT_EQ(report.rowCount(), 0);
}

class BudgetReportTest : public BuildersTest {
 protected:
  void SetUp() override {
    BuildersTest::SetUp();
    budget_ = BudgetWith("Household", Category("Food | Groceries"), 10000, kChecking);
    ASSERT_TRUE(db().exec(store::FormatSql(
        "INSERT INTO BudgetCategories (BudgetID, CategoryID, Amount) VALUES (%d, %d, 0), (%d, %d, 200000)",
        {budget_, Category("Food | Dining Out"), budget_, Category("Income | Salary")})));
  }
  int budget_ = 0;
};

TEST_F(BudgetReportTest, MonthlyReportCountsSplitLinesAndLeavesOutVoids) {
  BudgetReport report(data(), MonthPeriod(2026, 11), budget_, BudgetSection::All, BudgetPeriodKind::Monthly);
  report.build();
  EXPECT_EQ(report.title(), "Household Report");
  // Groceries: 50 + the split's 40.00 grocery line (the voided 999 and the
  // split parent's own amount do not count); dining: 20 + the split's 20.
  EXPECT_EQ(Lines(report), (std::vector<std::string>{
                               "Expenses||||",
                               In("Groceries") + "|$100.00|$90.00|$10.00|-10.00%",
                               In("Dining Out") + "|$0.00|$40.00|-$40.00|+",
                               "Income||||",
                               In("Salary") + "|$2,000.00|$1,000.00|-$1,000.00|-50%",
                           }));
  EXPECT_EQ(report.rowCount(), 3);
  // The budget report and the category report agree on a category.
  CategoryReport categories(data(), MonthPeriod(2026, 11));
  categories.build();
  for (const CategoryFigure& figure : categories.figures()) {
    if (figure.name == "Food | Dining Out") {
      EXPECT_EQ(figure.expense.minorUnits(), 4000);
    }
  }
}

TEST_F(BudgetReportTest, YearlyReportTakesTwelveMonthlyAmountsAndSectionsFilter) {
  BudgetReport expenses(data(), YearPeriod(2026), budget_, BudgetSection::Expenses, BudgetPeriodKind::Yearly);
  expenses.build();
  EXPECT_EQ(Lines(expenses), (std::vector<std::string>{
                                 "Expenses||||",
                                 In("Groceries") + "|$1,200.00|$105.00|$1,095.00|-91.25%",
                                 In("Dining Out") + "|$0.00|$40.00|-$40.00|+",
                             }));
  BudgetReport income(data(), YearPeriod(2026), budget_, BudgetSection::Income, BudgetPeriodKind::Yearly);
  income.build();
  EXPECT_EQ(Lines(income), (std::vector<std::string>{"Income||||",
                                                     In("Salary") + "|$24,000.00|$1,000.00|-$23,000.00|-95.83%"}));
}

TEST_F(BudgetReportTest, VoidTransactionsCountNothingAsActual) {
  BudgetReport report(data(), PeriodBetween("2026-11-06", "2026-11-06"), budget_, BudgetSection::Expenses,
                      BudgetPeriodKind::Monthly);
  report.build();
  EXPECT_EQ(Lines(report)[1], In("Groceries") + "|$100.00|$0.00|$100.00|-100%");
}

TEST_F(BudgetReportTest, TransfersBetweenAccountsCountOnlyWhenAsked) {
  // Paying the card from checking, filed under groceries by mistake.
  Add(kChecking, "30.00", "2026-11-11", TransactionType::Transfer, "", "Food | Groceries", kCard);
  BudgetReport report(data(), MonthPeriod(2026, 11), budget_, BudgetSection::Expenses, BudgetPeriodKind::Monthly);
  report.build();
  EXPECT_EQ(Lines(report)[1], In("Groceries") + "|$100.00|$90.00|$10.00|-10.00%");
  BudgetReport counted(data(), MonthPeriod(2026, 11), budget_, BudgetSection::Expenses, BudgetPeriodKind::Monthly,
                       true);
  counted.build();
  EXPECT_EQ(Lines(counted)[1], In("Groceries") + "|$100.00|$120.00|-$20.00|20.00%");
}

TEST_F(BudgetReportTest, BudgetsAreFoundByKeyOrName) {
  EXPECT_EQ(FindBudget(data(), "Household"), budget_);
  EXPECT_EQ(FindBudget(data(), "#" + std::to_string(budget_)), budget_);
  EXPECT_EQ(FindBudget(data(), "household"), std::nullopt);
  EXPECT_EQ(FindBudget(data(), "x' OR '1'='1"), std::nullopt);
  ASSERT_TRUE(db().exec(store::FormatSql("UPDATE Budgets SET Deleted = 1 WHERE ID = %d", {budget_})));
  EXPECT_EQ(FindBudget(data(), "Household"), std::nullopt);
}

}  // namespace
}  // namespace tallyvane::reports
