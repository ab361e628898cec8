#include "planning/budgets.h"

#include "planning_fixture.h"

namespace tallyvane::planning {
namespace {

constexpr CategoryKey kSalary = 2;
constexpr CategoryKey kBonus = 3;
constexpr CategoryKey kGroceries = 20;
constexpr CategoryKey kDiningOut = 21;
constexpr CategoryKey kRent = 23;

class BudgetTest : public PlanningTest {
 protected:
  BudgetKey Create(const std::string& name, std::vector<std::pair<CategoryKey, std::string>> amounts = {},
                   bool warn = false) {
    NewBudgetWizard wizard = NewBudgetWizard::Open(data());
    wizard.name = name;
    EXPECT_TRUE(wizard.checkName(data()).ok);
    EXPECT_TRUE(wizard.accounts.leave().ok);
    for (const auto& [category, text] : amounts) {
      BudgetPlanPage& page = IsIncome(category) ? wizard.income : wizard.expenses;
      EXPECT_TRUE(page.setAmountText(data().regional(), category, text).ok);
    }
    wizard.expenses.setWarn(warn);
    BudgetKey key = 0;
    EXPECT_TRUE(wizard.finish(data(), prompter_, &key).ok);
    return key;
  }

  static bool IsIncome(CategoryKey category) { return category >= 1 && category <= 7; }

  const PlanEntry* Entry(const BudgetPlanPage& page, CategoryKey category) {
    for (const PlanEntry& entry : page.entries()) {
      if (entry.category == category) return &entry;
    }
    return nullptr;
  }

  std::string Rows(BudgetKey budget) {
    std::string text;
    for (store::Query q(db(), store::FormatSql("SELECT CategoryID, Amount FROM BudgetCategories WHERE BudgetID = %d "
                                               "ORDER BY CategoryID",
                                               {budget}));
         q.hasRow(); q.next()) {
      text += q.text(0) + "=" + q.text(1) + " ";
    }
    return text;
  }
};

TEST_F(BudgetTest, TableOperationsKeepNamesUniqueAmongLiveBudgets) {
  const auto a = CreateBudget(data(), "Household");
  ASSERT_TRUE(a.has_value());
  EXPECT_FALSE(CreateBudget(data(), "Household").has_value());
  EXPECT_EQ(Text("SELECT OverBudgetWarning || Deleted FROM Budgets WHERE ID = " + std::to_string(*a)), "00");
  const auto b = CreateBudget(data(), "It's mine");
  ASSERT_TRUE(b.has_value());
  EXPECT_TRUE(BudgetNameExists(data(), "It's mine"));
  EXPECT_FALSE(BudgetNameExists(data(), "It's mine", *b));
  EXPECT_FALSE(UpdateBudget(data(), *b, "Household", true));
  EXPECT_TRUE(UpdateBudget(data(), *b, "It's mine", true));
  EXPECT_TRUE(BudgetWarns(data(), *b));

  ASSERT_TRUE(AddBudgetAccount(data(), *a, kChecking));
  ASSERT_TRUE(AddBudgetCategory(data(), *a, kRent, Money(90000)));
  EXPECT_TRUE(AccountInAnyBudget(data(), kChecking));
  EXPECT_TRUE(CategoryInAnyBudget(data(), kRent));
  EXPECT_EQ(BudgetAmount(data(), *a, kRent), Money(90000));
  EXPECT_EQ(BudgetAmount(data(), *a, kGroceries), Money(0));
  ASSERT_TRUE(SetBudgetAmount(data(), *a, kRent, Money(-5)));
  EXPECT_EQ(BudgetAmount(data(), *a, kRent), Money(-5));

  // Deleting retires the budget, removes its rows and frees its name.
  ASSERT_TRUE(DeleteBudget(data(), *a));
  EXPECT_EQ(Text("SELECT Deleted FROM Budgets WHERE ID = " + std::to_string(*a)), "1");
  EXPECT_FALSE(AccountInAnyBudget(data(), kChecking));
  EXPECT_FALSE(CategoryInAnyBudget(data(), kRent));
  EXPECT_TRUE(CreateBudget(data(), "Household").has_value());
}

TEST_F(BudgetTest, PagesListLiveRowsByNameWithTheirStoredAmounts) {
  const BudgetKey budget = Create("Plan", {{kRent, "900.00"}, {kSalary, "3000"}});
  const BudgetPlanPage expenses = BudgetPlanPage::Open(data(), budget, true);
  ASSERT_FALSE(expenses.entries().empty());
  EXPECT_EQ(expenses.entries().front().name, "Auto");
  const PlanEntry* rent = Entry(expenses, kRent);
  ASSERT_NE(rent, nullptr);
  EXPECT_EQ(rent->name, "Housing | Rent");
  EXPECT_EQ(rent->amount, Money(90000));
  EXPECT_EQ(Entry(expenses, kSalary), nullptr);
  const BudgetPlanPage income = BudgetPlanPage::Open(data(), budget, false);
  EXPECT_EQ(income.entries().size(), 7u);
  EXPECT_EQ(income.totalText(data().regional()), "Total income every month:  $3,000.00");
  EXPECT_EQ(expenses.totalText(data().regional()), "Total expenses every month:  $900.00");

  const BudgetAccountsPage accounts = BudgetAccountsPage::Open(data(), budget);
  ASSERT_EQ(accounts.entries().size(), 3u);
  EXPECT_EQ(accounts.entries()[0].name, "Checking Account");
  EXPECT_EQ(accounts.entries()[1].name, "Credit Card");
  for (const BudgetAccountEntry& entry : accounts.entries()) EXPECT_TRUE(entry.checked);
}

TEST_F(BudgetTest, PageSavingTouchesOnlyChangedEntries) {
  const BudgetKey budget =
      Create("Plan", {{kRent, "900.00"}, {kGroceries, "400.00"}, {kDiningOut, "50"}, {kBonus, "0"}});
  // A zero typed in the wizard still stores a row.
  EXPECT_EQ(Rows(budget), "3=0 20=40000 21=5000 23=90000 ");
  // A stored amount changes behind the page's back; untouched, it stays.
  ASSERT_TRUE(SetBudgetAmount(data(), budget, kDiningOut, Money(5500)));

  auto sheet = BudgetPropertySheet::Open(data(), budget);
  ASSERT_TRUE(sheet.has_value());
  sheet->expenses.show();
  ASSERT_TRUE(sheet->expenses.setAmountText(data().regional(), kRent, "950").ok);
  const Status bad = sheet->expenses.setAmountText(data().regional(), kRent, "nine");
  EXPECT_EQ(bad.message, "Please enter a valid amount.");
  EXPECT_EQ(Entry(sheet->expenses, kRent)->amount, Money(95000));
  // "Delete" on a stored row removes it; on a category without a row it
  // stores a zero.
  sheet->expenses.clear({kGroceries, 9});
  // The incomes tab is changed but never shown: it saves nothing.
  ASSERT_TRUE(sheet->incomes.setAmountText(data().regional(), kSalary, "1").ok);
  sheet->expenses.setWarn(true);
  ASSERT_TRUE(sheet->ok(data(), prompter_).ok);
  EXPECT_EQ(Rows(budget), "3=0 9=0 21=5500 23=95000 ");
  EXPECT_TRUE(BudgetWarns(data(), budget));
}

TEST_F(BudgetTest, AccountsPageNeedsOneAccountAndSavesOnlyChanges) {
  const BudgetKey budget = Create("Plan");
  EXPECT_EQ(BudgetAccounts(data(), budget), (std::vector<AccountKey>{1, 2, 3}));
  auto sheet = BudgetPropertySheet::Open(data(), budget);
  sheet->accounts.show();
  for (AccountKey a : {kChecking, kSavings, kCard}) sheet->accounts.setChecked(a, false);
  const Status none = sheet->ok(data(), prompter_);
  EXPECT_EQ(none.message, "Please select at least one account to budget.");
  EXPECT_EQ(BudgetAccounts(data(), budget), (std::vector<AccountKey>{1, 2, 3}));
  sheet->accounts.setChecked(kSavings, true);
  ASSERT_TRUE(sheet->ok(data(), prompter_).ok);
  EXPECT_EQ(BudgetAccounts(data(), budget), (std::vector<AccountKey>{2}));
}

TEST_F(BudgetTest, WizardChecksTheNameAndWarnsWhenExpensesExceedIncome) {
  Create("Taken");
  NewBudgetWizard wizard = NewBudgetWizard::Open(data());
  wizard.name = "  ";
  EXPECT_EQ(wizard.checkName(data()).message, "Please enter a name for the budget.");
  wizard.name = "Taken";
  EXPECT_EQ(wizard.checkName(data()).message,
            "The budget name already exists. Please type a different budget name.");
  wizard.name = "Lean";
  ASSERT_TRUE(wizard.checkName(data()).ok);
  ASSERT_TRUE(wizard.income.setAmountText(data().regional(), kSalary, "100").ok);
  ASSERT_TRUE(wizard.expenses.setAmountText(data().regional(), kRent, "100.01").ok);
  prompter_.shown.clear();
  BudgetKey key = 0;
  ASSERT_TRUE(wizard.finish(data(), prompter_, &key).ok);
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].title, "New Budget");
  EXPECT_EQ(prompter_.shown[0].text, "Warning - your monthly expenses have exceeded your monthly income.");
  EXPECT_GT(key, 0);  // created all the same
}

TEST_F(BudgetTest, PropertySheetTotalsUseStoredRowsForTabsNotShown) {
  const BudgetKey budget = Create("Plan", {{kSalary, "1000"}, {kRent, "900"}});
  auto sheet = BudgetPropertySheet::Open(data(), budget);
  sheet->expenses.show();
  ASSERT_TRUE(sheet->expenses.setAmountText(data().regional(), kRent, "1000.01").ok);
  prompter_.shown.clear();
  ASSERT_TRUE(sheet->ok(data(), prompter_).ok);
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].title, "Edit Budget");
  EXPECT_EQ(StoredBudgetTotal(data(), budget, false), Money(100000));
  EXPECT_EQ(StoredBudgetTotal(data(), budget, true), Money(100001));
}

TEST_F(BudgetTest, RenameTrimsAndRefusesEmptyAndTakenNamesIncludingItsOwn) {
  const BudgetKey budget = Create("Plan");
  Create("Other");
  struct Case {
    const char* name;
    const char* message;
  };
  const Case cases[] = {
      {"   ", "Please enter a name for the Budget."},
      {"Other", "Budget name already exists. Please enter a different budget name."},
      {" Plan ", "Budget name already exists. Please enter a different budget name."},
  };
  for (const Case& c : cases) {
    const Status status = RenameBudget(data(), budget, c.name);
    EXPECT_EQ(status.message, c.message) << "'" << c.name << "'";
    EXPECT_EQ(status.title, "Rename budget");
  }
  ASSERT_TRUE(UpdateBudget(data(), budget, "Plan", true));
  ASSERT_TRUE(RenameBudget(data(), budget, "  Renamed ").ok);
  EXPECT_EQ(BudgetListLines(data())[1].name, "Renamed");
  EXPECT_TRUE(BudgetWarns(data(), budget));  // kept through the rename
}

TEST_F(BudgetTest, DeleteAsksAndListIsSortedByName) {
  const BudgetKey b = Create("beta");
  Create("Alpha");
  Create("gamma");
  std::vector<std::string> names;
  for (const BudgetListLine& line : BudgetListLines(data())) names.push_back(line.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "gamma"}));
  EXPECT_TRUE(DeleteBudgetsFromList(data(), {b}, prompter_).declined);
  EXPECT_EQ(prompter_.shown.back().text, "Are you sure that you would like to delete the selected budget?");
  EXPECT_EQ(prompter_.shown.back().title, "Delete budget");
  prompter_.answer("Delete");
  ASSERT_TRUE(DeleteBudgetsFromList(data(), {b}, prompter_).ok);
  EXPECT_EQ(BudgetListLines(data()).size(), 2u);
}

TEST_F(BudgetTest, EntryWarnsFromTheWizardsTablesOnlyAboveTheAmount) {
  Create("Groceries cap", {{kGroceries, "100.00"}}, true);
  Create("Silent", {{kGroceries, "1.00"}}, false);
  const struct {
    const char* amount;
    bool warns;
  } cases[] = {{"100.00", false}, {"0.01", true}};
  for (const auto& c : cases) {
    prompter_.shown.clear();
    Add(kChecking, c.amount, "2026-12-05", TransactionType::Purchase, {}, "Food | Groceries");
    bool warned = false;
    for (const auto& shown : prompter_.shown) {
      if (shown.title == "Transaction Over Budget") {
        warned = true;
        EXPECT_NE(shown.text.find("\"Groceries cap\""), std::string::npos);
        EXPECT_EQ(shown.text.find("Silent"), std::string::npos);
      }
    }
    EXPECT_EQ(warned, c.warns) << c.amount;
  }
}

TEST_F(BudgetTest, DeleteOfAnEnteredAmountAsksFirst) {
  BudgetPlanPage page = BudgetPlanPage::Open(data(), std::nullopt, true);
  ASSERT_TRUE(page.setAmountText(data().regional(), kRent, "900").ok);
  // Declined: the line just entered stays.
  prompter_.answer("Cancel");
  EXPECT_TRUE(page.clearAsked({kRent}, data().regional(), prompter_).declined);
  ASSERT_FALSE(prompter_.shown.empty());
  EXPECT_EQ(prompter_.shown.back().title, "Delete Budget Amounts");
  EXPECT_EQ(prompter_.shown.back().text, "Set the amounts of the selected categories to $0.00?");
  EXPECT_EQ(prompter_.shown.back().buttons, (std::vector<std::string>{"Delete", "Cancel"}));
  EXPECT_EQ(Entry(page, kRent)->amount, Money(90000));
  prompter_.answer("Delete");
  EXPECT_TRUE(page.clearAsked({kRent}, data().regional(), prompter_).ok);
  EXPECT_EQ(Entry(page, kRent)->amount, Money());
  // Lines already at zero go without a question.
  const std::size_t asked = prompter_.shown.size();
  EXPECT_TRUE(page.clearAsked({kGroceries}, data().regional(), prompter_).ok);
  EXPECT_EQ(prompter_.shown.size(), asked);
  EXPECT_TRUE(Entry(page, kGroceries)->touched);
}

}  // namespace
}  // namespace tallyvane::planning
