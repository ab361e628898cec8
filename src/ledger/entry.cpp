#include "ledger/entry.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "ledger/accounts.h"
#include "ledger/balances.h"
#include "ledger/categories.h"
#include "ledger/payees.h"
#include "store/dates.h"
#include "store/record.h"
#include "store/text.h"

namespace tallyvane::ledger {

using store::FormatSql;
using store::Query;
using store::Record;
using store::Table;
using store::WriteGuard;

namespace {

bool IsDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Split lines are stored as 32-bit decimal text.
constexpr int64_t kSplitLineLimit = std::numeric_limits<int32_t>::max();

}  // namespace

std::optional<EntryForm> OpenEntryForm(DataContext& data, TransactionKey key) {
  auto row = LoadTransaction(data.db(), key);
  if (!row || row->deleted) return std::nullopt;
  if (row->isPartner()) {
    row = LoadTransaction(data.db(), row->referencedId);
    if (!row || row->deleted) return std::nullopt;
  }
  EntryForm form;
  form.key = row->key;
  form.account = row->account;
  form.type = (row->type >= 0 && row->type <= 5) ? static_cast<TransactionType>(row->type) : TransactionType::Purchase;
  form.date = row->date.substr(0, 10);
  form.number = row->number;
  form.loadedNumber = row->number;
  form.reconciled = row->reconciled;
  form.note = row->note;
  if (form.type == TransactionType::Transfer) {
    form.transferAccount = row->referencedAccount;
  } else if (row->payee != 0) {
    form.payee = PayeeName(data, row->payee).value_or("");
  }
  if (!row->split) {
    const CategoryFieldTexts fields = CategoryFieldsFor(data, row->category);
    form.category = fields.category;
    form.subcategory = fields.subcategory;
  }
  const Money shown = form.type == TransactionType::Deposit ? row->amount : -row->amount;
  form.amountText = store::FormatMoneyPlain(data.regional(), shown);
  form.taxChoice = row->taxDeductible == 1 ? "Tax Deductible" : row->taxDeductible == 0 ? "Not Deductible" : "Use Expense Category";
  return form;
}

EntryForm NewEntryForm(DataContext& data, AccountKey account, bool transfer) {
  EntryForm form;
  form.account = account;
  if (IsInvestmentAccount(data, account)) {
    form.account = store::ParseInt32Prefix(store::QueryFirstText(
        data.db(), FormatSql("SELECT ID FROM Accounts WHERE Deleted = 0 AND AcctType != %d ORDER BY ID", {kInvestmentAccountType})));
  }
  form.type = transfer ? TransactionType::Transfer : TransactionType::Purchase;
  form.date = TodayText(data);
  return form;
}

bool ChoosePayee(DataContext& data, EntryForm& form, PayeeKey payee) {
  store::Record row;
  if (payee <= 0 || !LoadActivePayee(data, payee, row)) return false;
  form.payee = row.GetText("PayName");
  const std::string typed = TrimSpaces(form.category);
  const bool userChosen = !(typed.empty() || typed == kNotCategorized) &&
                          !(form.category == form.payeeCategory && form.subcategory == form.payeeSubcategory);
  if (userChosen) return true;
  std::string category;
  std::string subcategory;
  if (const auto remembered = PayeeDefaultCategory(data, payee)) {
    Record top;
    if (LoadActiveCategory(data, remembered->category, top)) category = top.GetText("PayCategory");
    if (remembered->subcategory != 0) {
      Record sub;
      if (LoadActiveCategory(data, remembered->subcategory, sub)) subcategory = sub.GetText("PayCategory");
    }
  }
  form.category = category;
  form.subcategory = subcategory;
  form.payeeCategory = category;
  form.payeeSubcategory = subcategory;
  return true;
}

Status CheckEntryForm(DataContext& data, const EntryForm& form, Money* stored) {
  auto fail = [](std::string message, std::string field, std::string title = {}) {
    return Status::Fail(std::move(message), std::move(title), std::move(field));
  };
  // The date field always holds a day; a scripted form may not.
  if (!IsStorableDate(form.date)) return fail("Please enter a valid transaction date.", "date");
  // 1. A reconciled row may not move past the reconciled date.
  if (form.key && form.reconciled && !form.fromReport) {
    const std::string last = store::QueryFirstText(
        data.db(), FormatSql("SELECT LastReconciled FROM Accounts WHERE ID = %d", {form.account}));
    if (!last.empty() && last != "0" && form.date > last) {
      return fail("A reconciled transaction can not have a date past the last reconciled date.", "date");
    }
  }
  // 2. Check numbers.
  if (form.type == TransactionType::Check) {
    if (!IsDigits(form.number)) return fail("Please enter only numbers as the check number.", "number");
    if (form.number.size() > 6) return fail("Check number should contain no more than six numbers.", "number");
    if (form.number != form.loadedNumber && !IsCheckNumberUnused(data, form.account, form.number)) {
      return fail("This check number has already been used.", "number");
    }
  }
  // 3. Transfers need the other account.
  if (form.type == TransactionType::Transfer && (form.transferAccount == 0 || form.transferAccount == form.account)) {
    return fail("Select a valid account for this transfer.", "account");
  }
  // A subcategory needs a real category to live under.
  const std::string categoryName = TrimSpaces(form.category);
  const std::string subcategoryName = TrimSpaces(form.subcategory);
  if (!subcategoryName.empty() && (categoryName.empty() || categoryName == kNotCategorized)) {
    return fail("Please provide a valid name for Category.", "category");
  }
  // 5. The amount (checked before anything is created from typed names).
  const store::RegionalSettings& regional = data.regional();
  if (!store::IsValidMoneyText(regional, form.amountText)) return fail("Please enter a valid transaction amount.", "amount");
  const Money value = store::ParseMoney(regional, form.amountText);
  if (std::llabs(value.minorUnits()) >= store::kMoneyInputLimit) {
    return fail(FormatSql("The amount must be less than %s.",
                          {store::FormatMoney(regional, Money(store::kMoneyInputLimit))}),
                "amount");
  }
  if (form.type == TransactionType::Deposit && value.minorUnits() < 0) {
    return fail("Enter positive amount for Deposit Transaction.", "amount");
  }
  // 7. The stored amount.
  if (stored != nullptr) *stored = form.type == TransactionType::Deposit ? value : -value;
  return Status::Ok();
}

namespace {

// Writes the split editor's lines under `parent` (inside the caller's
// transaction) and marks the parent; the lines were checked. False when a
// write failed: the caller rolls the whole save back.
bool WriteSplitLines(DataContext& data, TransactionKey parent, const std::vector<SplitLineInput>& lines,
                     const std::vector<Money>& values, const std::vector<SplitLineKey>& removed) {
  // Only this parent's own live lines can be removed through it.
  const std::vector<SplitLine> live = LiveSplitLines(data, parent);
  for (SplitLineKey key : removed) {
    const bool own = std::any_of(live.begin(), live.end(), [key](const SplitLine& line) { return line.key == key; });
    if (own && !SplitLineDelete(data, key)) return false;
  }
  int written = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const SplitLineInput& input = lines[i];
    SplitLine line;
    line.parent = parent;
    line.amount = values[i];
    line.note = input.note;
    const std::string text = TrimSpaces(input.category);
    if (text.empty() || text == kNotCategorized) {
      line.category = 0;
    } else {
      const CategoryKey found = FindCategoryByFullName(data, text);
      line.category = found < 0 ? 0 : found;
    }
    if (input.key) {
      line.key = *input.key;
      if (!SplitLineUpdate(data, line)) return false;
    } else if (!SplitLineAdd(data, line)) {
      return false;
    }
    ++written;
  }
  Table table(data.db(), "Transactions");
  Record r;
  if (!LoadRecord(table, r, KeyText(parent))) return false;
  r.SetFlag("SplitTransaction", written > 0);
  return store::SaveRecord(r);
}

}  // namespace

EntryResult EnterTransaction(DataContext& data, const EntryForm& form, store::Prompter& prompter) {
  EntryResult result;
  auto fail = [&](std::string message, std::string field, std::string title = {}) {
    result.status = Status::Fail(std::move(message), std::move(title), std::move(field));
    prompter.balloon(result.status.field, result.status.title, result.status.message);
    return result;
  };

  Money stored;
  if (Status checked = CheckEntryForm(data, form, &stored); !checked) {
    return fail(std::move(checked.message), std::move(checked.field), std::move(checked.title));
  }
  const bool transfer = form.type == TransactionType::Transfer;
  const std::string categoryName = TrimSpaces(form.category);
  const std::string subcategoryName = TrimSpaces(form.subcategory);
  std::optional<TransactionRow> loaded;
  if (form.key) loaded = LoadTransaction(data.db(), *form.key);
  // A split parent's amount is what its lines add up to: a new amount comes
  // with new lines, or the old amount stands.
  std::vector<Money> lineValues;
  if (form.splitLines) {
    const Status lines = CheckSplitLines(data.regional(), stored, *form.splitLines, &lineValues);
    if (!lines) return fail(lines.message, lines.field, lines.title);
  } else if (loaded && loaded->split) {
    stored = loaded->amount;
  }

  WriteGuard guard(data.db());
  // 4. The category: typed names are found or created as the form's fields do.
  const bool expense = form.type != TransactionType::Deposit;
  CategoryKey category = 0;
  if (!categoryName.empty()) {
    const auto typed = CategoryFromTypedName(data, categoryName, expense, &prompter);
    if (!typed) return fail(store::WriteFailureMessage(data.db().lastError()), "category");
    category = typed->key;
    if (!subcategoryName.empty()) {
      const auto sub = SubcategoryFromTypedName(data, category, subcategoryName, expense, &prompter);
      if (!sub) return fail(store::WriteFailureMessage(data.db().lastError()), "subcategory");
      category = sub->key;
    }
  }
  PayeeKey payee = 0;
  if (!transfer && !TrimSpaces(form.payee).empty()) {
    const auto typed = PayeeFromTypedName(data, form.payee);
    if (!typed) return fail(store::WriteFailureMessage(data.db().lastError()), "payee");
    payee = *typed;
  }
  // 6.
  const int tax = form.taxChoice == "Tax Deductible" ? 1 : form.taxChoice == "Not Deductible" ? 0 : 2;

  // 8. The over-budget warning does not stop the save. A transfer between
  // the book's accounts spends nothing against a budget.
  if (category != 0 && stored.minorUnits() < 0 && !transfer) {
    const std::string budgets = MonthlyBudgetOverrun(data, form.key, form.account, category, -stored);
    if (!budgets.empty()) {
      result.overBudget = FormatSql(
          "Warning: This transaction exceeds the monthly budgeted spending amount for category \"%s\" in the "
          "following budgets: %s",
          {CategoryFullName(data, category).value_or(""), budgets});
      prompter.message("Transaction Over Budget", result.overBudget, store::Icon::Warning);
    }
  }

  // 9. Save.
  TransactionFields fields;
  fields.account = form.account;
  fields.amount = stored;
  fields.payee = transfer ? 0 : payee;
  fields.transferAccount = transfer ? form.transferAccount : 0;
  fields.note = form.note;
  fields.category = category;
  fields.date = form.date;
  fields.number = form.number;
  fields.taxDeductible = tax;
  fields.type = form.type;
  if (form.key) {
    if (!loaded) {
      guard.rollback();
      return fail("Cannot open transaction and save changes.", "", "Edit Transaction");
    }
    // The description comes from import; editing by hand keeps it.
    fields.description = loaded->description;
    fields.cleared = loaded->cleared;
    if (!EditTransaction(data, *form.key, fields)) {
      guard.rollback();
      return fail("Cannot open transaction and save changes.", "", "Edit Transaction");
    }
    result.key = form.key;
  } else {
    result.key = AddTransactionAndRebalance(data, fields);
    if (!result.key) {
      result.status = Status::FileError(store::WriteFailureMessage(data.db().lastError()));
      return result;
    }
  }
  if (form.splitLines && !WriteSplitLines(data, *result.key, *form.splitLines, lineValues, form.removedSplitLines)) {
    guard.rollback();
    result.status = Status::FileError(store::WriteFailureMessage(data.db().lastError()));
    result.key.reset();
    return result;
  }

  // 10. Follow-ups.
  if (form.type == TransactionType::Check) NoteCheckNumberUsed(data, form.account, store::ParseInt32Prefix(form.number));
  // A form left uncategorized says nothing about the payee's usual category.
  if (!transfer && payee != 0 && category != 0) RememberPayeeCategory(data, payee, category);
  if (Status committed = guard.commit(); !committed) {
    result.status = committed;
    result.key.reset();
  }
  return result;
}

SplitStart SplitFromForm(DataContext& data, const EntryForm& form, store::Prompter& prompter) {
  SplitStart start;
  auto fail = [&](Status status) {
    start.status = std::move(status);
    prompter.balloon(start.status.field, start.status.title, start.status.message);
    return start;
  };
  if (!form.key && store::ParseMoney(data.regional(), form.amountText).minorUnits() == 0) {
    return fail(Status::Fail("Please enter the transaction amount before splitting the transaction.", "", "amount"));
  }
  if (Status checked = CheckEntryForm(data, form, &start.parentAmount); !checked) return fail(std::move(checked));
  const std::optional<TransactionRow> loaded = form.key ? LoadTransaction(data.db(), *form.key) : std::nullopt;
  if (form.splitLines) {
    start.lines = *form.splitLines;
  } else if (loaded && loaded->split) {
    start.lines = OpenSplitEditor(data, *form.key);
  } else {
    // One line with the whole amount, under the category the form names.
    const std::string category = TrimSpaces(form.category);
    const std::string subcategory = TrimSpaces(form.subcategory);
    SplitLineInput line;
    line.category = category.empty() ? std::string(kNotCategorized)
                    : subcategory.empty() ? category
                                          : category + std::string(kCategorySeparator) + subcategory;
    line.note = form.note;
    const store::RegionalSettings& regional = data.regional();
    if (start.parentAmount.minorUnits() <= 0) {
      line.payment = store::FormatMoneyPlain(regional, -start.parentAmount);
    } else {
      line.deposit = store::FormatMoneyPlain(regional, start.parentAmount);
    }
    start.lines.push_back(std::move(line));
  }
  return start;
}

Money SplitLinesSum(const store::RegionalSettings& regional, const std::vector<SplitLineInput>& lines) {
  Money total;
  for (const SplitLineInput& line : lines) {
    total += !line.deposit.empty() ? store::ParseMoney(regional, line.deposit) : -store::ParseMoney(regional, line.payment);
  }
  return total;
}

Status CheckSplitLines(const store::RegionalSettings& regional, Money parentAmount,
                       const std::vector<SplitLineInput>& lines, std::vector<Money>* values) {
  Money sum;
  for (const SplitLineInput& line : lines) {
    if (!line.payment.empty() && !store::IsValidMoneyText(regional, line.payment)) {
      return Status::Fail("Please enter a valid payment amount.", "", "payment");
    }
    if (!line.deposit.empty() && !store::IsValidMoneyText(regional, line.deposit)) {
      return Status::Fail("Please enter a valid deposit amount.", "", "deposit");
    }
    const Money value = !line.deposit.empty() ? store::ParseMoney(regional, line.deposit)
                                              : -store::ParseMoney(regional, line.payment);
    if (std::llabs(value.minorUnits()) > kSplitLineLimit) {
      return Status::Fail(FormatSql("A split line can hold at most %s.", {store::FormatMoney(regional, Money(kSplitLineLimit))}),
                          "Split Transactions", "amount");
    }
    if (values != nullptr) values->push_back(value);
    sum += value;
  }
  if (!lines.empty() && sum != parentAmount) {
    return Status::Fail(FormatSql("The split transactions must sum to the original transaction amount of %s.",
                                  {store::FormatMoney(regional, Money(std::llabs(parentAmount.minorUnits())))}),
                        "Split Transactions");
  }
  return Status::Ok();
}

SplitLineInput RemainderSplitLine(const store::RegionalSettings& regional, Money parentAmount,
                                  const std::vector<SplitLineInput>& lines) {
  const Money rest = parentAmount - SplitLinesSum(regional, lines);
  SplitLineInput line;
  line.category = std::string(kNotCategorized);
  if (rest.minorUnits() < 0) {
    line.payment = store::FormatMoneyPlain(regional, -rest);
  } else if (parentAmount.minorUnits() < 0) {
    line.payment = store::FormatMoneyPlain(regional, Money());
  } else {
    line.deposit = store::FormatMoneyPlain(regional, rest);
  }
  return line;
}

std::vector<SplitLineInput> OpenSplitEditor(DataContext& data, TransactionKey parent) {
  std::vector<SplitLineInput> lines;
  const auto row = LoadTransaction(data.db(), parent);
  if (!row) return lines;
  const store::RegionalSettings& regional = data.regional();
  auto add = [&](std::optional<SplitLineKey> key, CategoryKey category, const std::string& note, Money amount) {
    SplitLineInput line;
    line.key = key;
    line.category = category == 0 ? std::string(kNotCategorized) : CategoryFullName(data, category).value_or("");
    line.note = note;
    if (amount.minorUnits() <= 0) {
      line.payment = store::FormatMoneyPlain(regional, -amount);
    } else {
      line.deposit = store::FormatMoneyPlain(regional, amount);
    }
    lines.push_back(std::move(line));
  };
  const auto live = LiveSplitLines(data, parent);
  if (live.empty()) {
    add(std::nullopt, row->category, row->note, row->amount);
  } else {
    for (const SplitLine& line : live) add(line.key, line.category, line.note, line.amount);
  }
  return lines;
}

Status SaveSplitLines(DataContext& data, TransactionKey parent, const std::vector<SplitLineInput>& lines,
                      const std::vector<SplitLineKey>& removed) {
  const auto row = LoadTransaction(data.db(), parent);
  if (!row) return Status::Fail("Cannot open transaction and save changes.", "Edit Transaction");
  std::vector<Money> values;
  if (Status checked = CheckSplitLines(data.regional(), row->amount, lines, &values); !checked) return checked;
  WriteGuard guard(data.db());
  if (!WriteSplitLines(data, parent, lines, values, removed)) {
    guard.rollback();
    return Status::FileError(store::WriteFailureMessage(data.db().lastError()));
  }
  return guard.commit();
}

}  // namespace tallyvane::ledger
