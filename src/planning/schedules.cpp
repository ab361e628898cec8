#include "planning/schedules.h"

#include <cstdlib>
#include <set>

#include "ledger/accounts.h"
#include "ledger/balances.h"
#include "ledger/categories.h"
#include "ledger/payees.h"
#include "store/dates.h"
#include "store/record.h"
#include "store/text.h"

namespace tallyvane::planning {

using ledger::TransactionType;
using store::FormatSql;
using store::Query;
using store::Record;
using store::Table;
using store::WriteGuard;

namespace {

Table Schedules(DataContext& data) { return Table(data.db(), "ScheduledTransactions"); }

bool LoadLive(DataContext& data, ScheduleKey key, Record& record) {
  Table table = Schedules(data);
  return store::LoadActiveRecord(table, record, KeyText(key), false, true);
}

bool FitsStoredWidth(Money amount) { return std::llabs(amount.minorUnits()) <= kScheduleAmountLimit; }

void WriteFields(Record& r, const ScheduleFields& f) {
  r.SetInt("Account", f.account);
  // Fits: the callers refuse wider amounts first.
  r.SetInt("Amount", static_cast<int32_t>(f.amount.minorUnits()));
  r.SetInt("PayAccount", f.payee);
  r.SetInt("ReferencedAccount", f.transferAccount);
  r.SetInt("Category", f.category);
  r.SetInt("TransactionType", static_cast<int>(f.type));
  r.SetText("NextTransactionDate", f.next);
  r.SetText("EndTransactionDate", f.end);
  r.SetFlag("Reminders", f.reminders);
  r.SetInt("TimePeriod", f.period);
  r.SetInt("TimePeriodType", static_cast<int>(f.periodKind));
}

std::string AccountName(DataContext& data, AccountKey key) {
  return store::QueryFirstText(data.db(), FormatSql("SELECT AcctName FROM Accounts WHERE ID = %d", {key}));
}

ScheduleRow FromRecord(const Record& r) {
  ScheduleRow row;
  row.key = store::ParseInt32Prefix(r.key());
  row.account = r.GetInt("Account");
  row.amount = Money(r.GetInt64("Amount"));
  row.payee = r.GetInt("PayAccount");
  row.transferAccount = r.GetInt("ReferencedAccount");
  row.category = r.GetInt("Category");
  row.taxDeductible = r.GetInt("TaxDeductible");
  row.type = r.GetInt("TransactionType");
  row.next = r.GetText("NextTransactionDate");
  row.end = r.GetText("EndTransactionDate");
  row.left = r.GetInt("NumberOfRecurringTransactionsLeft");
  row.reminders = r.GetFlag("Reminders");
  row.period = r.GetInt("TimePeriod");
  row.periodKind = r.GetInt("TimePeriodType");
  row.deleted = r.GetFlag("Deleted");
  row.splitTemplate = r.GetInt("SplitTransaction");
  return row;
}

// One schedule's post inside the caller's transaction and rebalance batch.
std::optional<TransactionKey> PostOne(DataContext& data, ScheduleKey key, std::set<AccountKey>& touched) {
  Record s;
  if (!LoadLive(data, key, s)) return std::nullopt;
  const ScheduleRow row = FromRecord(s);
  if (!IsScheduleDate(row.next)) return std::nullopt;

  const bool check = row.type == static_cast<int>(TransactionType::Check);
  const int32_t number = check ? ledger::NextCheckNumber(data, row.account) : 0;
  std::vector<ledger::SplitLine> lines;
  if (row.splitTemplate != 0) lines = ledger::LiveSplitLines(data, row.splitTemplate);

  ledger::TransactionFields fields;
  fields.account = row.account;
  fields.amount = row.amount;
  fields.payee = row.payee;
  fields.transferAccount = row.transferAccount;
  fields.category = row.category;
  fields.date = row.next;
  fields.number = check ? FormatSql("%d", {number}) : std::string{};
  fields.taxDeductible = row.taxDeductible;
  fields.cleared = false;
  fields.type = row.type >= 0 && row.type <= 5 ? static_cast<TransactionType>(row.type) : TransactionType::Purchase;
  fields.reconciled = false;
  // A template whose lines are all gone would leave a split row with
  // nothing under it.
  fields.split = !lines.empty();
  const auto entered = ledger::AddTransactionAndRebalance(data, fields);
  if (!entered) return std::nullopt;
  touched.insert(row.account);
  if (row.transferAccount != 0) touched.insert(row.transferAccount);

  for (const ledger::SplitLine& line : lines) {
    ledger::SplitLine copy;
    copy.parent = *entered;
    copy.amount = line.amount;
    copy.category = line.category;
    copy.note = line.note;
    static_cast<void>(ledger::SplitLineAdd(data, copy));
  }
  if (check) ledger::NoteCheckNumberUsed(data, row.account, number);
  AdvanceScheduleRow(s);
  return entered;
}

}  // namespace

std::optional<ScheduleRow> LoadSchedule(DataContext& data, ScheduleKey key) {
  Table table = Schedules(data);
  Record r;
  if (!store::LoadRecord(table, r, KeyText(key))) return std::nullopt;
  ScheduleRow row = FromRecord(r);
  return row;
}

std::optional<ScheduleKey> AddSchedule(DataContext& data, const ScheduleFields& fields) {
  if (!FitsStoredWidth(fields.amount)) return std::nullopt;
  WriteGuard guard(data.db());
  Table table = Schedules(data);
  Record r;
  NewRecord(table, r);
  WriteFields(r, fields);
  r.SetInt("TaxDeductible", 0);
  r.SetInt("NumberOfRecurringTransactionsLeft", 0);
  r.SetFlag("Deleted", false);
  r.SetInt("SplitTransaction", fields.splitTemplate);
  const std::string key = r.key();
  if (!store::SaveRecord(r) || key.empty() || !guard.commit()) return std::nullopt;
  return store::ParseInt32Prefix(key);
}

bool UpdateSchedule(DataContext& data, ScheduleKey key, const ScheduleFields& fields) {
  if (!FitsStoredWidth(fields.amount)) return false;
  WriteGuard guard(data.db());
  Record r;
  if (!LoadLive(data, key, r)) return false;
  WriteFields(r, fields);
  r.SetInt("SplitTransaction", 0);
  store::ReleaseRecord(r);
  return guard.commit().ok;
}

bool DeleteSchedule(DataContext& data, ScheduleKey key) {
  Table table = Schedules(data);
  return store::RetireRow(table, KeyText(key), true);
}

bool AdvanceSchedule(DataContext& data, ScheduleKey key) {
  WriteGuard guard(data.db());
  Record r;
  if (!LoadLive(data, key, r) || !AdvanceScheduleRow(r)) return false;
  store::ReleaseRecord(r);
  return guard.commit().ok;
}

std::optional<TransactionKey> PostScheduledTransaction(DataContext& data, ScheduleKey key) {
  const PostResult result = PostScheduledTransactions(data, {key});
  if (!result.status || result.entered.empty()) return std::nullopt;
  return result.entered.front();
}

bool SkipScheduledTransaction(DataContext& data, ScheduleKey key) { return AdvanceSchedule(data, key); }

PostResult PostScheduledTransactions(DataContext& data, const std::vector<ScheduleKey>& keys) {
  PostResult result;
  WriteGuard guard(data.db());
  std::set<AccountKey> touched;
  {
    ledger::RebalanceBatch batch(data);
    for (ScheduleKey key : keys) {
      if (const auto entered = PostOne(data, key, touched)) {
        result.entered.push_back(*entered);
      } else {
        result.refused.push_back(key);
      }
    }
  }
  for (AccountKey account : touched) ledger::UpdateCurrentBalance(data, account);
  result.status = guard.commit();
  if (!result.status) result.entered.clear();
  return result;
}

Status SkipScheduledTransactions(DataContext& data, const std::vector<ScheduleKey>& keys) {
  WriteGuard guard(data.db());
  for (ScheduleKey key : keys) {
    Record r;
    if (LoadLive(data, key, r)) AdvanceScheduleRow(r);
  }
  return guard.commit();
}

bool AnyScheduleNeedsAttention(DataContext& data) {
  for (Query q(data.db(), FormatSql("SELECT NextTransactionDate, EndTransactionDate FROM ScheduledTransactions WHERE "
                                    "Deleted = 0 AND Reminders = 1 AND NextTransactionDate != '%Q'",
                                    {kCompleted}));
       q.hasRow(); q.next()) {
    if (IsScheduleDue(data, q.text(0), q.text(1))) return true;
  }
  return false;
}

std::string_view ScheduleViewToggleLabel(ScheduleView view) {
  return view == ScheduleView::Active ? "Show Old Schedules" : "Show Active Schedules";
}

std::vector<ScheduleListLine> ScheduleListLines(DataContext& data, ScheduleView view, bool overdueOnly) {
  std::vector<ScheduleRow> rows;
  {
    Table table = Schedules(data);
    for (Query q(data.db(), FormatSql("SELECT ID FROM ScheduledTransactions WHERE Deleted = 0 AND "
                                      "NextTransactionDate %s '%Q' ORDER BY ID",
                                      {view == ScheduleView::Active ? "!=" : "=", kCompleted}));
         q.hasRow(); q.next()) {
      Record r;
      if (store::LoadRecord(table, r, q.text(0))) rows.push_back(FromRecord(r));
    }
  }
  std::vector<ScheduleListLine> lines;
  for (const ScheduleRow& row : rows) {
    if (overdueOnly && (row.completed() || !IsScheduleDue(data, row.next, row.end))) continue;
    ScheduleListLine line;
    line.row = row;
    line.accountName = AccountName(data, row.account);
    if (row.type == static_cast<int>(TransactionType::Transfer)) {
      line.payee = AccountName(data, row.transferAccount);
    } else if (row.payee != 0) {
      line.payee = ledger::PayeeName(data, row.payee).value_or("");
    }
    line.category = ledger::CategoryFullName(data, row.category).value_or("");
    if (row.type == static_cast<int>(TransactionType::Deposit)) {
      line.deposit = row.amount;
    } else {
      line.payment = -row.amount;
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

bool CanPostOrSkip(DataContext& data, const std::vector<ScheduleKey>& keys) {
  if (keys.empty()) return false;
  for (ScheduleKey key : keys) {
    const auto row = LoadSchedule(data, key);
    if (!row || row->deleted || row->completed()) return false;
  }
  return true;
}

Status DeleteSchedulesFromList(DataContext& data, const std::vector<ScheduleKey>& keys, store::Prompter& prompter) {
  if (keys.empty()) return Status::Ok();
  if (prompter.ask("Delete scheduled transaction",
                   "Are you sure that you would like to delete the selected scheduled transaction?",
                   {"Delete", "Cancel"}) != 0) {
    return Status::Declined();
  }
  WriteGuard guard(data.db());
  for (ScheduleKey key : keys) DeleteSchedule(data, key);
  return guard.commit();
}

ScheduleForm NewScheduleForm(DataContext& data) {
  ScheduleForm form;
  const auto accounts = ScheduleAccountChoices(data);
  if (!accounts.empty()) form.account = accounts.front();
  form.recurrence = DefaultRecurrence(data);
  return form;
}

std::optional<ScheduleForm> ScheduleFormFromTransaction(DataContext& data, TransactionKey key) {
  const auto row = ledger::LoadTransaction(data.db(), key);
  if (!row || row->deleted) return std::nullopt;
  ScheduleForm form = NewScheduleForm(data);
  form.account = row->account;
  form.type = row->type >= 0 && row->type <= 5 ? static_cast<TransactionType>(row->type) : TransactionType::Purchase;
  if (form.type == TransactionType::Transfer) {
    form.transferAccount = row->referencedAccount;
  } else if (row->payee != 0) {
    form.payee = ledger::PayeeName(data, row->payee).value_or("");
  }
  form.amountText = store::FormatMoneyPlain(data.regional(), Money(std::llabs(row->amount.minorUnits())));
  if (row->split) form.splitTemplate = row->key;
  return form;
}

std::optional<ScheduleForm> OpenScheduleForm(DataContext& data, ScheduleKey key) {
  Record r;
  if (!LoadLive(data, key, r)) return std::nullopt;
  const ScheduleRow row = FromRecord(r);
  ScheduleForm form;
  form.key = key;
  form.account = row.account;
  form.type = row.type >= 0 && row.type <= 5 ? static_cast<TransactionType>(row.type) : TransactionType::Purchase;
  if (form.type == TransactionType::Transfer) {
    form.transferAccount = row.transferAccount;
  } else if (row.payee != 0) {
    form.payee = ledger::PayeeName(data, row.payee).value_or("");
  }
  form.amountText = store::FormatMoneyPlain(data.regional(), Money(std::llabs(row.amount.minorUnits())));
  // The form's category and sub-category boxes.
  // A deleted category opens as none (its header for a deleted
  // subcategory), as in the transaction form.
  const ledger::CategoryFieldTexts fields = ledger::CategoryFieldsFor(data, row.category);
  form.category = fields.categoryKey;
  form.subcategory = fields.subcategoryKey;
  form.recurrence = ReadRecurrence(data, r);
  return form;
}

bool ChooseSchedulePayee(DataContext& data, ScheduleForm& form, PayeeKey payee) {
  Record row;
  if (payee <= 0 || !ledger::LoadActivePayee(data, payee, row)) return false;
  form.payee = row.GetText("PayName");
  const bool userChosen =
      form.category != 0 && !(form.category == form.payeeCategory && form.subcategory == form.payeeSubcategory);
  if (userChosen) return true;
  const auto remembered = ledger::PayeeDefaultCategory(data, payee);
  form.category = remembered ? remembered->category : 0;
  form.subcategory = remembered ? remembered->subcategory : 0;
  form.payeeCategory = form.category;
  form.payeeSubcategory = form.subcategory;
  return true;
}

std::vector<AccountKey> ScheduleAccountChoices(DataContext& data) {
  std::vector<AccountKey> keys;
  for (Query q(data.db(), FormatSql("SELECT ID FROM Accounts WHERE Deleted = 0 AND AcctType != %d ORDER BY ID",
                                    {ledger::kInvestmentAccountType}));
       q.hasRow(); q.next()) {
    keys.push_back(q.int32(0));
  }
  return keys;
}

Status SaveSchedule(DataContext& data, const ScheduleForm& form, ScheduleKey* saved) {
  // The account box only offers bank accounts; anything else would post
  // transactions nowhere.
  {
    Record account;
    if (!ledger::LoadActiveAccount(data, form.account, account) ||
        account.GetInt("AcctType") == ledger::kInvestmentAccountType) {
      return Status::Fail("Please select an account.", "", "account");
    }
  }
  // 1. A transfer needs another account.
  const bool transfer = form.type == TransactionType::Transfer;
  AccountKey transferAccount = 0;
  if (transfer) {
    transferAccount = form.transferAccount;
    if (transferAccount == 0 && !ledger::IsBlank(form.transferAccountName)) {
      transferAccount = ledger::FindAccountByName(data, ledger::TrimSpaces(form.transferAccountName)).value_or(0);
    }
    if (transferAccount == 0 || transferAccount == form.account) {
      return Status::Fail("Select a valid account for this transfer.", "", "transfer_account");
    }
  }
  // 2. The amount.
  const store::RegionalSettings& regional = data.regional();
  if (!store::IsValidMoneyText(regional, form.amountText)) {
    return Status::Fail("Please enter a valid transaction amount.", "", "amount");
  }
  const int64_t magnitude = std::llabs(store::ParseMoney(regional, form.amountText).minorUnits());
  if (magnitude >= store::kMoneyInputLimit) {
    return Status::Fail(FormatSql("The amount must be less than %s.",
                                  {store::FormatMoney(regional, Money(store::kMoneyInputLimit))}),
                        "", "amount");
  }
  if (magnitude > kScheduleAmountLimit) return Status::Fail(ScheduleAmountLimitMessage(regional), "", "amount");
  // 3, 4. Dates and recurrence.
  if (Status recurrence = CheckRecurrence(form.recurrence); !recurrence) return recurrence;

  if (form.key) {
    const auto existing = LoadSchedule(data, *form.key);
    if (!existing || existing->deleted) {
      return Status::Fail("Cannot open transaction and save changes.", "Edit Scheduled Transaction");
    }
  }

  WriteGuard guard(data.db());
  ScheduleFields fields;
  fields.account = form.account;
  fields.type = form.type;
  fields.amount = Money(form.type == TransactionType::Deposit ? magnitude : -magnitude);
  fields.category = form.subcategory != 0 ? form.subcategory : form.category;
  if (transfer) {
    fields.transferAccount = transferAccount;
  } else if (!ledger::IsBlank(form.payee)) {
    const auto payee = ledger::PayeeFromTypedName(data, form.payee);
    if (!payee) return Status::FileError(store::WriteFailureMessage(data.db().lastError()));
    fields.payee = *payee;
  }
  fields.next = form.recurrence.nextDate;
  fields.end = form.recurrence.noEndDate ? std::string{} : form.recurrence.endDate;
  fields.reminders = form.recurrence.reminders;
  if (form.recurrence.mode == RecurrenceMode::DayOfMonth) {
    fields.periodKind = PeriodKind::DayOfMonth;
    fields.period = form.recurrence.day;
  } else {
    fields.periodKind = form.recurrence.unit;
    fields.period = form.recurrence.every;
  }
  fields.splitTemplate = form.splitTemplate;

  ScheduleKey key = 0;
  if (form.key) {
    if (!UpdateSchedule(data, *form.key, fields)) {
      return Status::FileError(store::WriteFailureMessage(data.db().lastError()));
    }
    key = *form.key;
  } else {
    const auto added = AddSchedule(data, fields);
    if (!added) return Status::FileError(store::WriteFailureMessage(data.db().lastError()));
    key = *added;
  }
  if (fields.payee != 0 && fields.category != 0) ledger::RememberPayeeCategory(data, fields.payee, fields.category);
  if (Status committed = guard.commit(); !committed) return committed;
  if (saved != nullptr) *saved = key;
  return Status::Ok();
}

}  // namespace tallyvane::planning
