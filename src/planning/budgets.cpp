#include "planning/budgets.h"

#include <algorithm>
#include <map>

#include "ledger/categories.h"
#include "store/record.h"
#include "store/text.h"

namespace tallyvane::planning {

using store::FormatSql;
using store::Query;
using store::Record;
using store::Table;
using store::WriteGuard;

namespace {

constexpr std::string_view kNameQuery = "SELECT ID FROM Budgets WHERE BudgetName = '%s' AND Deleted = 0";

int64_t Count(DataContext& data, const std::string& sql) {
  Query q(data.db(), sql);
  return q.hasRow() ? q.int64(0) : 0;
}

bool LessNoCase(const std::string& a, const std::string& b) { return store::LowerText(a) < store::LowerText(b); }

// An empty Expense flag counts as expense.
bool IsExpenseFlag(const std::string& text) { return text.empty() || store::ParseInt32Prefix(text) != 0; }

struct CategoryChoice {
  CategoryKey key = 0;
  std::string name;
};

// Live categories of one kind with their display names, sorted by them.
std::vector<CategoryChoice> CategoriesOfKind(DataContext& data, bool expense) {
  std::vector<CategoryChoice> out;
  for (Query q(data.db(),
               "SELECT c.ID, c.PayCategory, c.Parent, p.PayCategory, c.Expense FROM Categories c LEFT JOIN Categories p "
               "ON p.ID = c.Parent WHERE c.Deleted = 0");
       q.hasRow(); q.next()) {
    if (IsExpenseFlag(q.text(4)) != expense) continue;
    CategoryChoice choice;
    choice.key = q.int32(0);
    choice.name = q.int32(2) != 0 ? FormatSql("%s | %s", {q.text(3), q.text(1)}) : q.text(1);
    out.push_back(std::move(choice));
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const CategoryChoice& a, const CategoryChoice& b) { return LessNoCase(a.name, b.name); });
  return out;
}

std::map<CategoryKey, Money> StoredAmounts(DataContext& data, BudgetKey budget) {
  std::map<CategoryKey, Money> amounts;
  for (Query q(data.db(), FormatSql("SELECT CategoryID, Amount FROM BudgetCategories WHERE BudgetID = %d", {budget}));
       q.hasRow(); q.next()) {
    amounts.emplace(q.int32(0), Money(q.int64(1)));
  }
  return amounts;
}

bool LoadLiveBudget(DataContext& data, BudgetKey budget, Record& record) {
  Table table(data.db(), "Budgets");
  return store::LoadActiveRecord(table, record, KeyText(budget), false, true);
}

}  // namespace

std::optional<BudgetKey> CreateBudget(DataContext& data, std::string_view name) {
  if (BudgetNameExists(data, name)) return std::nullopt;
  WriteGuard guard(data.db());
  Table table(data.db(), "Budgets");
  Record r;
  NewRecord(table, r);
  r.SetText("BudgetName", name);
  r.SetFlag("OverBudgetWarning", false);
  r.SetText("Deleted", "0");
  const std::string key = r.key();
  if (!store::SaveRecord(r) || key.empty() || !guard.commit()) return std::nullopt;
  return store::ParseInt32Prefix(key);
}

bool UpdateBudget(DataContext& data, BudgetKey budget, std::string_view name, bool warn) {
  if (BudgetNameExists(data, name, budget)) return false;
  WriteGuard guard(data.db());
  Record r;
  if (!LoadLiveBudget(data, budget, r)) return false;
  r.SetText("BudgetName", name);
  r.SetFlag("OverBudgetWarning", warn);
  store::ReleaseRecord(r);
  return guard.commit().ok;
}

bool DeleteBudget(DataContext& data, BudgetKey budget) {
  WriteGuard guard(data.db());
  {
    Record r;
    if (!LoadLiveBudget(data, budget, r)) return false;
    r.SetText("Deleted", "1");
  }
  store::Execute(data.db(), "DELETE FROM BudgetAccounts WHERE BudgetID = %d", {budget});
  store::Execute(data.db(), "DELETE FROM BudgetCategories WHERE BudgetID = %d", {budget});
  return guard.commit().ok;
}

bool BudgetWarns(DataContext& data, BudgetKey budget) {
  Table table(data.db(), "Budgets");
  Record r;
  if (!store::LoadRecord(table, r, KeyText(budget))) return false;
  return r.GetFlag("OverBudgetWarning");
}

bool BudgetNameExists(DataContext& data, std::string_view name, std::optional<BudgetKey> except) {
  return store::FindDuplicateName(data.db(), kNameQuery, name, std::nullopt, except ? KeyText(*except) : std::string{})
      .has_value();
}

bool AddBudgetAccount(DataContext& data, BudgetKey budget, AccountKey account) {
  Table table(data.db(), "BudgetAccounts");
  Record r;
  NewRecord(table, r);
  r.SetInt("BudgetID", budget);
  r.SetInt("AccountID", account);
  return !r.key().empty() && store::SaveRecord(r);
}

bool BudgetHasAccount(DataContext& data, BudgetKey budget, AccountKey account) {
  return Count(data, FormatSql("SELECT count(*) as Count FROM BudgetAccounts WHERE BudgetID = %d AND AccountID = %d",
                               {budget, account})) > 0;
}

bool RemoveBudgetAccount(DataContext& data, BudgetKey budget, AccountKey account) {
  return store::Execute(data.db(), "DELETE FROM BudgetAccounts WHERE BudgetID = %d AND AccountID = %d",
                        {budget, account});
}

bool AccountInAnyBudget(DataContext& data, AccountKey account) {
  return Count(data, FormatSql("SELECT count(*) as Count FROM BudgetAccounts WHERE AccountID = %d", {account})) > 0;
}

bool AddBudgetCategory(DataContext& data, BudgetKey budget, CategoryKey category, Money amount) {
  Table table(data.db(), "BudgetCategories");
  Record r;
  NewRecord(table, r);
  r.SetInt("BudgetID", budget);
  r.SetInt("CategoryID", category);
  r.SetInt64("Amount", amount.minorUnits());
  return !r.key().empty() && store::SaveRecord(r);
}

bool BudgetHasCategory(DataContext& data, BudgetKey budget, CategoryKey category) {
  return Count(data, FormatSql("SELECT count(*) as Count FROM BudgetCategories WHERE BudgetID = %d AND CategoryID = %d",
                               {budget, category})) > 0;
}

Money BudgetAmount(DataContext& data, BudgetKey budget, CategoryKey category) {
  Query q(data.db(), FormatSql("SELECT Amount FROM BudgetCategories WHERE BudgetID = %d AND CategoryID = %d",
                               {budget, category}));
  return Money(q.hasRow() ? q.int64(0) : 0);
}

bool SetBudgetAmount(DataContext& data, BudgetKey budget, CategoryKey category, Money amount) {
  return store::Execute(data.db(), "UPDATE BudgetCategories SET Amount = %lld WHERE BudgetID = %d AND CategoryID = %d",
                        {static_cast<long long>(amount.minorUnits()), budget, category});
}

bool RemoveBudgetCategory(DataContext& data, BudgetKey budget, CategoryKey category) {
  return store::Execute(data.db(), "DELETE FROM BudgetCategories WHERE BudgetID = %d AND CategoryID = %d",
                        {budget, category});
}

bool CategoryInAnyBudget(DataContext& data, CategoryKey category) {
  return Count(data, FormatSql("SELECT count(*) as Count FROM BudgetCategories WHERE CategoryID = %d", {category})) > 0;
}

std::vector<BudgetListLine> BudgetListLines(DataContext& data) {
  std::vector<BudgetListLine> lines;
  for (Query q(data.db(), "SELECT ID, BudgetName, OverBudgetWarning FROM Budgets WHERE Deleted = 0 ORDER BY ID");
       q.hasRow(); q.next()) {
    lines.push_back({q.int32(0), q.text(1), q.int32(2) != 0});
  }
  std::stable_sort(lines.begin(), lines.end(),
                   [](const BudgetListLine& a, const BudgetListLine& b) { return LessNoCase(a.name, b.name); });
  return lines;
}

std::optional<BudgetKey> FindBudgetByName(DataContext& data, std::string_view name) {
  const auto found = store::FindDuplicateName(data.db(), kNameQuery, name);
  if (!found) return std::nullopt;
  return store::ParseInt32Prefix(*found);
}

std::vector<AccountKey> BudgetAccounts(DataContext& data, BudgetKey budget) {
  std::vector<AccountKey> accounts;
  for (Query q(data.db(), FormatSql("SELECT AccountID FROM BudgetAccounts WHERE BudgetID = %d ORDER BY AccountID",
                                    {budget}));
       q.hasRow(); q.next()) {
    accounts.push_back(q.int32(0));
  }
  return accounts;
}

// ---- Accounts page ----

BudgetAccountsPage BudgetAccountsPage::Open(DataContext& data, std::optional<BudgetKey> budget) {
  BudgetAccountsPage page;
  for (Query q(data.db(), "SELECT ID, AcctName, AcctCurrentBal FROM Accounts WHERE Deleted = 0 ORDER BY ID"); q.hasRow();
       q.next()) {
    BudgetAccountEntry entry;
    entry.account = q.int32(0);
    entry.name = q.text(1);
    entry.balance = Money(q.int64(2));
    page.entries_.push_back(std::move(entry));
  }
  for (BudgetAccountEntry& entry : page.entries_) {
    entry.checked = budget ? BudgetHasAccount(data, *budget, entry.account) : true;
    entry.initial = entry.checked;
  }
  std::stable_sort(page.entries_.begin(), page.entries_.end(),
                   [](const BudgetAccountEntry& a, const BudgetAccountEntry& b) { return LessNoCase(a.name, b.name); });
  return page;
}

bool BudgetAccountsPage::setChecked(AccountKey account, bool checked) {
  for (BudgetAccountEntry& entry : entries_) {
    if (entry.account == account) {
      entry.checked = checked;
      return true;
    }
  }
  return false;
}

Status BudgetAccountsPage::leave() {
  const bool any = std::any_of(entries_.begin(), entries_.end(), [](const BudgetAccountEntry& e) { return e.checked; });
  if (!any) return Status::Fail("Please select at least one account to budget.", "", "accounts");
  for (BudgetAccountEntry& entry : entries_) entry.changed = entry.checked != entry.initial;
  return Status::Ok();
}

bool BudgetAccountsPage::save(DataContext& data, BudgetKey budget, bool newBudget) const {
  bool ok = true;
  for (const BudgetAccountEntry& entry : entries_) {
    if (newBudget) {
      if (entry.checked) ok = AddBudgetAccount(data, budget, entry.account) && ok;
    } else if (entry.changed) {
      if (!entry.checked) {
        ok = RemoveBudgetAccount(data, budget, entry.account) && ok;
      } else if (!BudgetHasAccount(data, budget, entry.account)) {
        ok = AddBudgetAccount(data, budget, entry.account) && ok;
      }
    }
  }
  return ok;
}

// ---- Income and expense pages ----

BudgetPlanPage BudgetPlanPage::Open(DataContext& data, std::optional<BudgetKey> budget, bool expense) {
  BudgetPlanPage page;
  page.expense_ = expense;
  const std::map<CategoryKey, Money> stored = budget ? StoredAmounts(data, *budget) : std::map<CategoryKey, Money>{};
  for (const CategoryChoice& choice : CategoriesOfKind(data, expense)) {
    PlanEntry entry;
    entry.category = choice.key;
    entry.name = choice.name;
    if (const auto found = stored.find(choice.key); found != stored.end()) entry.amount = found->second;
    page.entries_.push_back(std::move(entry));
  }
  page.warn_ = expense && budget ? BudgetWarns(data, *budget) : false;
  return page;
}

Status BudgetPlanPage::setAmountText(const store::RegionalSettings& regional, CategoryKey category,
                                     std::string_view text) {
  for (PlanEntry& entry : entries_) {
    if (entry.category != category) continue;
    if (!store::IsValidMoneyText(regional, text)) return Status::Fail("Please enter a valid amount.", "", "amount");
    entry.amount = store::ParseMoney(regional, text);
    entry.touched = true;
    return Status::Ok();
  }
  return Status::Fail("", "", "amount");
}

void BudgetPlanPage::clear(const std::vector<CategoryKey>& categories) {
  for (PlanEntry& entry : entries_) {
    if (std::find(categories.begin(), categories.end(), entry.category) == categories.end()) continue;
    entry.amount = Money();
    entry.touched = true;
  }
}

Status BudgetPlanPage::clearAsked(const std::vector<CategoryKey>& categories, const store::RegionalSettings& regional,
                                  store::Prompter& prompter) {
  const bool entered = std::any_of(entries_.begin(), entries_.end(), [&](const PlanEntry& entry) {
    return entry.amount.minorUnits() != 0 &&
           std::find(categories.begin(), categories.end(), entry.category) != categories.end();
  });
  if (entered) {
    const std::string question =
        store::FormatSql(kClearAmountsQuestion, {store::FormatMoney(regional, Money())});
    if (prompter.ask(kClearAmountsTitle, question, {"Delete", "Cancel"}) != 0) return Status::Declined();
  }
  clear(categories);
  return Status::Ok();
}

void BudgetPlanPage::refresh(DataContext& data) {
  std::vector<PlanEntry> fresh;
  for (const CategoryChoice& choice : CategoriesOfKind(data, expense_)) {
    PlanEntry entry;
    entry.category = choice.key;
    for (const PlanEntry& old : entries_) {
      if (old.category == choice.key) entry = old;
    }
    entry.name = choice.name;
    fresh.push_back(std::move(entry));
  }
  entries_ = std::move(fresh);
}

Money BudgetPlanPage::total() const {
  Money sum;
  for (const PlanEntry& entry : entries_) sum += entry.amount;
  return sum;
}

std::string BudgetPlanPage::totalText(const store::RegionalSettings& regional) const {
  return FormatSql(expense_ ? "Total expenses every month:  %s" : "Total income every month:  %s",
                   {store::FormatMoney(regional, total())});
}

bool BudgetPlanPage::save(DataContext& data, BudgetKey budget) const {
  bool ok = true;
  for (const PlanEntry& entry : entries_) {
    if (!entry.touched) continue;
    if (BudgetHasCategory(data, budget, entry.category)) {
      ok = (entry.amount.minorUnits() != 0 ? SetBudgetAmount(data, budget, entry.category, entry.amount)
                                           : RemoveBudgetCategory(data, budget, entry.category)) &&
           ok;
    } else {
      ok = AddBudgetCategory(data, budget, entry.category, entry.amount) && ok;
    }
  }
  if (expense_) {
    Record r;
    if (!LoadLiveBudget(data, budget, r)) return false;
    r.SetFlag("OverBudgetWarning", warn_);
  }
  return ok;
}

// ---- Wizard and property sheet ----

NewBudgetWizard NewBudgetWizard::Open(DataContext& data) {
  NewBudgetWizard wizard;
  wizard.accounts = BudgetAccountsPage::Open(data, std::nullopt);
  wizard.income = BudgetPlanPage::Open(data, std::nullopt, false);
  wizard.expenses = BudgetPlanPage::Open(data, std::nullopt, true);
  // The wizard walks through every page before it can finish.
  wizard.accounts.show();
  wizard.income.show();
  wizard.expenses.show();
  return wizard;
}

Status NewBudgetWizard::checkName(DataContext& data) const {
  const std::string trimmed = ledger::TrimSpaces(name);
  if (trimmed.empty()) return Status::Fail("Please enter a name for the budget.", "", "name");
  if (BudgetNameExists(data, trimmed)) {
    return Status::Fail("The budget name already exists. Please type a different budget name.", "", "name");
  }
  return Status::Ok();
}

Status NewBudgetWizard::finish(DataContext& data, store::Prompter& prompter, BudgetKey* created) {
  if (income.total() < expenses.total()) {
    prompter.message("New Budget", "Warning - your monthly expenses have exceeded your monthly income.",
                     store::Icon::Warning);
  }
  WriteGuard guard(data.db());
  const auto budget = CreateBudget(data, ledger::TrimSpaces(name));
  if (!budget) {
    guard.rollback();
    prompter.message("New Budget", "A new budget can not be created at this time.", store::Icon::Information);
    return Status::Fail("A new budget can not be created at this time.", "New Budget");
  }
  accounts.save(data, *budget, true);
  income.save(data, *budget);
  expenses.save(data, *budget);
  if (Status committed = guard.commit(); !committed) return committed;
  if (created != nullptr) *created = *budget;
  return Status::Ok();
}

std::optional<BudgetPropertySheet> BudgetPropertySheet::Open(DataContext& data, BudgetKey budget) {
  Record r;
  if (!LoadLiveBudget(data, budget, r)) return std::nullopt;
  BudgetPropertySheet sheet;
  sheet.budget = budget;
  sheet.accounts = BudgetAccountsPage::Open(data, budget);
  sheet.incomes = BudgetPlanPage::Open(data, budget, false);
  sheet.expenses = BudgetPlanPage::Open(data, budget, true);
  return sheet;
}

Status BudgetPropertySheet::ok(DataContext& data, store::Prompter& prompter) {
  if (accounts.shown()) {
    if (Status left = accounts.leave(); !left) return left;
  }
  const Money incomeTotal = incomes.shown() ? incomes.total() : StoredBudgetTotal(data, budget, false);
  const Money expenseTotal = expenses.shown() ? expenses.total() : StoredBudgetTotal(data, budget, true);
  if (incomeTotal < expenseTotal) {
    prompter.message("Edit Budget", "Warning - your monthly expenses have exceeded your monthly income.",
                     store::Icon::Warning);
  }
  WriteGuard guard(data.db());
  if (accounts.shown()) accounts.save(data, budget, false);
  if (incomes.shown()) incomes.save(data, budget);
  if (expenses.shown()) expenses.save(data, budget);
  return guard.commit();
}

Money StoredBudgetTotal(DataContext& data, BudgetKey budget, bool expense) {
  Money sum;
  for (Query q(data.db(), FormatSql("SELECT b.Amount, c.Expense FROM BudgetCategories b LEFT JOIN Categories c ON "
                                    "c.ID = b.CategoryID WHERE b.BudgetID = %d",
                                    {budget}));
       q.hasRow(); q.next()) {
    if (IsExpenseFlag(q.text(1)) == expense) sum += Money(q.int64(0));
  }
  return sum;
}

Status RenameBudget(DataContext& data, BudgetKey budget, std::string_view name) {
  const std::string trimmed = ledger::TrimSpaces(name);
  if (trimmed.empty()) return Status::Fail("Please enter a name for the Budget.", "Rename budget", "name");
  // Checked with no exception, so the budget's own name is refused too.
  if (BudgetNameExists(data, trimmed)) {
    return Status::Fail("Budget name already exists. Please enter a different budget name.", "Rename budget", "name");
  }
  WriteGuard guard(data.db());
  if (!UpdateBudget(data, budget, trimmed, BudgetWarns(data, budget))) {
    return Status::FileError(store::WriteFailureMessage(data.db().lastError()));
  }
  return guard.commit();
}

Status DeleteBudgetsFromList(DataContext& data, const std::vector<BudgetKey>& budgets, store::Prompter& prompter) {
  if (budgets.empty()) return Status::Ok();
  if (prompter.ask("Delete budget", "Are you sure that you would like to delete the selected budget?",
                   {"Delete", "Cancel"}) != 0) {
    return Status::Declined();
  }
  WriteGuard guard(data.db());
  for (BudgetKey budget : budgets) DeleteBudget(data, budget);
  return guard.commit();
}

}  // namespace tallyvane::planning
