// Budgets: named plans of monthly amounts per income and expense category over
// a set of accounts. The three budget tables and their operations, the
// budgets list with rename and delete, the new-budget wizard and the property
// sheet as operations over page models. The ledger's over-budget warning
// reads the same tables.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "planning/keys.h"
#include "store/data_context.h"
#include "store/money.h"
#include "store/ports.h"
#include "store/regional.h"
#include "store/status.h"

namespace tallyvane::planning {

using store::DataContext;
using store::Money;
using store::Status;

// Table operations. Names are unique among live budgets (exact text
// equality); account and category rows are deleted physically.
[[nodiscard]] std::optional<BudgetKey> CreateBudget(DataContext& data, std::string_view name);
bool UpdateBudget(DataContext& data, BudgetKey budget, std::string_view name, bool warn);
// Retires the budget and removes its account and category rows.
bool DeleteBudget(DataContext& data, BudgetKey budget);
[[nodiscard]] bool BudgetWarns(DataContext& data, BudgetKey budget);
[[nodiscard]] bool BudgetNameExists(DataContext& data, std::string_view name,
                                    std::optional<BudgetKey> except = std::nullopt);
bool AddBudgetAccount(DataContext& data, BudgetKey budget, AccountKey account);
[[nodiscard]] bool BudgetHasAccount(DataContext& data, BudgetKey budget, AccountKey account);
bool RemoveBudgetAccount(DataContext& data, BudgetKey budget, AccountKey account);
[[nodiscard]] bool AccountInAnyBudget(DataContext& data, AccountKey account);
bool AddBudgetCategory(DataContext& data, BudgetKey budget, CategoryKey category, Money amount);
[[nodiscard]] bool BudgetHasCategory(DataContext& data, BudgetKey budget, CategoryKey category);
// 0 when the budget has no row for the category.
[[nodiscard]] Money BudgetAmount(DataContext& data, BudgetKey budget, CategoryKey category);
bool SetBudgetAmount(DataContext& data, BudgetKey budget, CategoryKey category, Money amount);
bool RemoveBudgetCategory(DataContext& data, BudgetKey budget, CategoryKey category);
[[nodiscard]] bool CategoryInAnyBudget(DataContext& data, CategoryKey category);

struct BudgetListLine {
  BudgetKey key = 0;
  std::string name;
  bool warn = false;
};
// Live budgets by name, without regard to case.
[[nodiscard]] std::vector<BudgetListLine> BudgetListLines(DataContext& data);
[[nodiscard]] std::optional<BudgetKey> FindBudgetByName(DataContext& data, std::string_view name);
// Accounts of a budget, in key order.
[[nodiscard]] std::vector<AccountKey> BudgetAccounts(DataContext& data, BudgetKey budget);

struct BudgetAccountEntry {
  AccountKey account = 0;
  std::string name;
  Money balance;  // AcctCurrentBal
  bool checked = false;
  bool changed = false;  // set on leaving the page when the box differs from before
  bool initial = false;
};

// The accounts page of the wizard and the "Accounts" tab.
class BudgetAccountsPage {
 public:
  // Every live account by name; for a new budget every box starts checked.
  [[nodiscard]] static BudgetAccountsPage Open(DataContext& data, std::optional<BudgetKey> budget);
  [[nodiscard]] const std::vector<BudgetAccountEntry>& entries() const { return entries_; }
  // False when the account is not on the page.
  bool setChecked(AccountKey account, bool checked);
  void show() { shown_ = true; }
  [[nodiscard]] bool shown() const { return shown_; }
  // Leaving the page: at least one account checked.
  [[nodiscard]] Status leave();
  // A new budget gets every checked account; an existing one only the changes.
  bool save(DataContext& data, BudgetKey budget, bool newBudget) const;

 private:
  std::vector<BudgetAccountEntry> entries_;
  bool shown_ = false;
};

struct PlanEntry {
  CategoryKey category = 0;
  std::string name;  // "Parent | Child" for a subcategory
  Money amount;      // monthly
  bool touched = false;
};

// The income or expense page of the wizard, or the "Incomes" or "Expenses" tab.
class BudgetPlanPage {
 public:
  [[nodiscard]] static BudgetPlanPage Open(DataContext& data, std::optional<BudgetKey> budget, bool expense);
  [[nodiscard]] bool expense() const { return expense_; }
  [[nodiscard]] const std::vector<PlanEntry>& entries() const { return entries_; }
  void show() { shown_ = true; }
  [[nodiscard]] bool shown() const { return shown_; }
  // The amount cell edited in place; refused ("Please enter a valid amount.")
  // unless it is money text, and the previous amount stays.
  [[nodiscard]] Status setAmountText(const store::RegionalSettings& regional, CategoryKey category,
                                     std::string_view text);
  // "Delete": the amounts become 0 and count as changed.
  void clear(const std::vector<CategoryKey>& categories);
  // "Delete" as the user gives it: an amount already entered is a line not
  // to lose to a stray key, so when any selected amount is not 0 the user
  // is asked first (declined: nothing changes).
  [[nodiscard]] Status clearAsked(const std::vector<CategoryKey>& categories, const store::RegionalSettings& regional,
                                  store::Prompter& prompter);
  // After the category dialog: new categories join with 0, renamed ones take
  // their new names, amounts already entered stay.
  void refresh(DataContext& data);
  [[nodiscard]] Money total() const;
  // "Total income every month:  %s" or "Total expenses every month:  %s".
  [[nodiscard]] std::string totalText(const store::RegionalSettings& regional) const;
  // The expense page's "Display a warning for each transaction that exceeds
  // the budget".
  [[nodiscard]] bool warn() const { return warn_; }
  void setWarn(bool warn) { warn_ = warn; }
  // Writes the touched entries (and, for the expense page, the warning flag).
  bool save(DataContext& data, BudgetKey budget) const;

 private:
  std::vector<PlanEntry> entries_;
  bool expense_ = true;
  bool shown_ = false;
  bool warn_ = false;
};

inline constexpr std::string_view kClearAmountsTitle = "Delete Budget Amounts";
inline constexpr std::string_view kClearAmountsQuestion = "Set the amounts of the selected categories to %s?";

// The new-budget wizard ("New Budget"): name, accounts, income, expenses.
struct NewBudgetWizard {
  std::string name;
  BudgetAccountsPage accounts;
  BudgetPlanPage income;
  BudgetPlanPage expenses;

  [[nodiscard]] static NewBudgetWizard Open(DataContext& data);
  // Leaving the name page.
  [[nodiscard]] Status checkName(DataContext& data) const;
  // Warns when the plan spends more than it earns, creates the budget and
  // saves the pages, all in one transaction.
  [[nodiscard]] Status finish(DataContext& data, store::Prompter& prompter, BudgetKey* created = nullptr);
};

// The property sheet ("Budget Properties"): a tab that was never shown saves
// nothing.
struct BudgetPropertySheet {
  BudgetKey budget = 0;
  BudgetAccountsPage accounts;
  BudgetPlanPage incomes;
  BudgetPlanPage expenses;

  [[nodiscard]] static std::optional<BudgetPropertySheet> Open(DataContext& data, BudgetKey budget);
  [[nodiscard]] Status ok(DataContext& data, store::Prompter& prompter);
};

// Monthly totals of a budget's stored rows, by the category's kind.
[[nodiscard]] Money StoredBudgetTotal(DataContext& data, BudgetKey budget, bool expense);

[[nodiscard]] Status RenameBudget(DataContext& data, BudgetKey budget, std::string_view name);
[[nodiscard]] Status DeleteBudgetsFromList(DataContext& data, const std::vector<BudgetKey>& budgets,
                                           store::Prompter& prompter);

}  // namespace tallyvane::planning
