#include "planning/investment_schedules.h"

#include <cstdlib>

#include "ledger/accounts.h"
#include "planning/securities.h"
#include "store/dates.h"
#include "store/record.h"
#include "store/text.h"

namespace tallyvane::planning {

using store::FormatSql;
using store::Query;
using store::Record;
using store::Table;
using store::WriteGuard;

namespace {

Table Schedules(DataContext& data) { return Table(data.db(), "ScheduledInvestments"); }

bool LoadLive(DataContext& data, InvestmentScheduleKey key, Record& record) {
  Table table = Schedules(data);
  return store::LoadActiveRecord(table, record, KeyText(key), false, true);
}

bool Fits32(int64_t value) { return value >= -kScheduleAmountLimit && value <= kScheduleAmountLimit; }

bool FitsStoredWidths(const InvestmentScheduleFields& f) {
  return Fits32(f.shares) && Fits32(f.price.minorUnits()) && Fits32(f.commission.minorUnits()) &&
         Fits32(f.cost.minorUnits());
}

void WriteFields(Record& r, const InvestmentScheduleFields& f) {
  r.SetInt("Account", f.account);
  r.SetInt("ActionType", static_cast<int>(f.action));
  r.SetInt("SecurityAccount", f.security);
  // Every value fits 32 bits: the callers refuse wider ones first.
  r.SetInt("Shares", static_cast<int32_t>(f.shares));
  r.SetInt("PricePaid", static_cast<int32_t>(f.price.minorUnits()));
  r.SetInt("Commission", static_cast<int32_t>(f.commission.minorUnits()));
  r.SetInt("Cost", static_cast<int32_t>(f.cost.minorUnits()));
  WriteRecurrence(r, f.recurrence);
}

InvestmentScheduleRow FromRecord(const Record& r) {
  InvestmentScheduleRow row;
  row.key = store::ParseInt32Prefix(r.key());
  row.account = r.GetInt("Account");
  row.action = r.GetInt("ActionType");
  row.security = r.GetInt("SecurityAccount");
  row.shares = r.GetInt64("Shares");
  row.price = Money(r.GetInt64("PricePaid"));
  row.commission = Money(r.GetInt64("Commission"));
  row.cost = Money(r.GetInt64("Cost"));
  row.next = r.GetText("NextTransactionDate");
  row.end = r.GetText("EndTransactionDate");
  row.period = r.GetInt("TimePeriod");
  row.periodKind = r.GetInt("TimePeriodType");
  row.reminders = r.GetFlag("Reminders");
  row.deleted = r.GetFlag("Deleted");
  return row;
}

std::optional<InvestmentKey> PostOne(DataContext& data, InvestmentScheduleKey key) {
  Record s;
  if (!LoadLive(data, key, s)) return std::nullopt;
  const InvestmentScheduleRow row = FromRecord(s);
  if (!IsScheduleDate(row.next)) return std::nullopt;
  InvestmentFields fields;
  fields.account = row.account;
  fields.date = row.next;
  fields.action = static_cast<InvestmentAction>(row.action);
  fields.security = row.security;
  fields.shares = row.shares;
  fields.price = row.price;
  fields.commission = row.commission;
  fields.total = row.cost;
  const auto entered = AddInvestment(data, fields);
  if (!entered) return std::nullopt;
  AdvanceScheduleRow(s);
  return entered;
}

int64_t Magnitude(int64_t v) { return v < 0 ? -v : v; }

bool IsDigits(std::string_view text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

std::optional<InvestmentScheduleRow> LoadInvestmentSchedule(DataContext& data, InvestmentScheduleKey key) {
  Table table = Schedules(data);
  Record r;
  if (!store::LoadRecord(table, r, KeyText(key))) return std::nullopt;
  InvestmentScheduleRow row = FromRecord(r);
  return row;
}

std::optional<InvestmentScheduleKey> AddInvestmentSchedule(DataContext& data, const InvestmentScheduleFields& fields) {
  if (!FitsStoredWidths(fields)) return std::nullopt;
  WriteGuard guard(data.db());
  Table table = Schedules(data);
  Record r;
  NewRecord(table, r);
  WriteFields(r, fields);
  r.SetInt("ReferencedAccount", 0);
  r.SetInt("NumberOfRecurringTransactionsLeft", 0);
  r.SetInt("SplitTransaction", 0);
  r.SetFlag("Deleted", false);
  const std::string key = r.key();
  if (!store::SaveRecord(r) || key.empty() || !guard.commit()) return std::nullopt;
  return store::ParseInt32Prefix(key);
}

bool UpdateInvestmentSchedule(DataContext& data, InvestmentScheduleKey key, const InvestmentScheduleFields& fields) {
  if (!FitsStoredWidths(fields)) return false;
  WriteGuard guard(data.db());
  Record r;
  if (!LoadLive(data, key, r)) return false;
  WriteFields(r, fields);
  store::ReleaseRecord(r);
  return guard.commit().ok;
}

bool DeleteInvestmentSchedule(DataContext& data, InvestmentScheduleKey key) {
  Table table = Schedules(data);
  return store::RetireRow(table, KeyText(key), true);
}

std::optional<InvestmentKey> PostScheduledInvestment(DataContext& data, InvestmentScheduleKey key) {
  const InvestmentPostResult result = PostScheduledInvestments(data, {key});
  if (!result.status || result.entered.empty()) return std::nullopt;
  return result.entered.front();
}

bool SkipScheduledInvestment(DataContext& data, InvestmentScheduleKey key) {
  WriteGuard guard(data.db());
  Record r;
  if (!LoadLive(data, key, r) || !AdvanceScheduleRow(r)) return false;
  store::ReleaseRecord(r);
  return guard.commit().ok;
}

InvestmentPostResult PostScheduledInvestments(DataContext& data, const std::vector<InvestmentScheduleKey>& keys) {
  InvestmentPostResult result;
  WriteGuard guard(data.db());
  for (InvestmentScheduleKey key : keys) {
    if (const auto entered = PostOne(data, key)) {
      result.entered.push_back(*entered);
    } else {
      result.refused.push_back(key);
    }
  }
  result.status = guard.commit();
  if (!result.status) result.entered.clear();
  return result;
}

Status SkipScheduledInvestments(DataContext& data, const std::vector<InvestmentScheduleKey>& keys) {
  WriteGuard guard(data.db());
  for (InvestmentScheduleKey key : keys) {
    Record r;
    if (LoadLive(data, key, r)) AdvanceScheduleRow(r);
  }
  return guard.commit();
}

Status CheckInvestmentScheduleList(DataContext& data) {
  if (!InvestmentAccounts(data).empty()) return Status::Ok();
  return Status::Fail(
      "No investment accounts have been set up. Set up an investment account before scheduling transactions.",
      "Schedule Investment Transactions");
}

std::vector<InvestmentScheduleLine> InvestmentScheduleLines(DataContext& data, ScheduleView view, bool overdueOnly) {
  std::vector<InvestmentScheduleRow> rows;
  {
    Table table = Schedules(data);
    for (Query q(data.db(), FormatSql("SELECT ID FROM ScheduledInvestments WHERE Deleted = 0 AND "
                                      "NextTransactionDate %s '%Q' ORDER BY ID",
                                      {view == ScheduleView::Active ? "!=" : "=", kCompleted}));
         q.hasRow(); q.next()) {
      Record r;
      if (store::LoadRecord(table, r, q.text(0))) rows.push_back(FromRecord(r));
    }
  }
  std::vector<InvestmentScheduleLine> lines;
  for (const InvestmentScheduleRow& row : rows) {
    if (overdueOnly && (row.completed() || !IsScheduleDue(data, row.next, row.end))) continue;
    InvestmentScheduleLine line;
    line.row = row;
    line.accountName =
        store::QueryFirstText(data.db(), FormatSql("SELECT AcctName FROM Accounts WHERE ID = %d", {row.account}));
    line.action = std::string(InvestmentActionLabel(row.action));
    line.security = SecurityName(data, row.security);
    line.shares = Magnitude(row.shares);
    line.price = Money(Magnitude(row.price.minorUnits()));
    line.commission = Money(Magnitude(row.commission.minorUnits()));
    line.cost = Money(Magnitude(row.cost.minorUnits()));
    if (line.cost.minorUnits() == 0) {
      // Each factor fits 32 bits, so the product fits 64.
      line.cost = Money(line.shares * line.price.minorUnits() + line.commission.minorUnits());
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

bool CanPostOrSkipInvestments(DataContext& data, const std::vector<InvestmentScheduleKey>& keys) {
  if (keys.empty()) return false;
  for (InvestmentScheduleKey key : keys) {
    const auto row = LoadInvestmentSchedule(data, key);
    if (!row || row->deleted || row->completed()) return false;
  }
  return true;
}

Status DeleteInvestmentSchedulesFromList(DataContext& data, const std::vector<InvestmentScheduleKey>& keys,
                                         store::Prompter& prompter) {
  if (keys.empty()) return Status::Ok();
  if (prompter.ask("Delete scheduled transaction",
                   "Are you sure that you would like to delete the selected investment scheduled transaction?",
                   {"Delete", "Cancel"}) != 0) {
    return Status::Declined();
  }
  WriteGuard guard(data.db());
  for (InvestmentScheduleKey key : keys) DeleteInvestmentSchedule(data, key);
  return guard.commit();
}

InvestmentScheduleForm NewInvestmentScheduleForm(DataContext& data) {
  InvestmentScheduleForm form;
  const auto accounts = InvestmentAccounts(data);
  if (!accounts.empty()) form.account = accounts.front();
  form.recurrence = DefaultRecurrence(data);
  return form;
}

std::optional<InvestmentScheduleForm> OpenInvestmentScheduleForm(DataContext& data, InvestmentScheduleKey key) {
  Record r;
  if (!LoadLive(data, key, r)) return std::nullopt;
  const InvestmentScheduleRow row = FromRecord(r);
  const store::RegionalSettings& regional = data.regional();
  InvestmentScheduleForm form;
  form.key = key;
  form.account = row.account;
  form.action = row.action >= 0 && row.action <= 6 ? static_cast<InvestmentAction>(row.action) : InvestmentAction::Buy;
  form.security = row.security;
  form.sharesText = std::to_string(Magnitude(row.shares));
  form.priceText = store::FormatMoneyPlain(regional, Money(Magnitude(row.price.minorUnits())));
  form.commissionText = store::FormatMoneyPlain(regional, Money(Magnitude(row.commission.minorUnits())));
  form.totalText = store::FormatMoneyPlain(regional, Money(Magnitude(row.cost.minorUnits())));
  form.recurrence = ReadRecurrence(data, r);
  return form;
}

Status SaveInvestmentSchedule(DataContext& data, const InvestmentScheduleForm& form, InvestmentScheduleKey* saved) {
  const store::RegionalSettings& regional = data.regional();
  {
    Record account;
    if (!ledger::LoadActiveAccount(data, form.account, account) ||
        account.GetInt("AcctType") != ledger::kInvestmentAccountType) {
      return Status::Fail("Please select an investment account.", "", "account");
    }
  }
  // Shares: a whole number of them, as plain digits.
  const int64_t shares = store::ParseInt64Prefix(form.sharesText);
  if (shares < 0) return Status::Fail("Number of Shares should be positive.", "", "shares");
  if (!IsDigits(form.sharesText)) return Status::Fail("Please enter only numbers for shares.", "", "shares");
  if (shares > kShareCountLimit) {
    return Status::Fail("The number of shares must not exceed 2,147,483,647.", "", "shares");
  }
  // Price, commission and total: magnitudes in money text, within 32 bits.
  struct MoneyField {
    const std::string& text;
    const char* field;
    const char* negative;
    const char* invalid;
  };
  const MoneyField fields[] = {
      {form.priceText, "price", "Price Paid for Share should be positive.", "Please enter a valid price paid."},
      {form.commissionText, "commission", "Commission should be positive.", "Please enter a valid commission price."},
      {form.totalText, "total", "Total Cost should be positive.", "Please enter a valid total cost."},
  };
  Money values[3];
  for (std::size_t i = 0; i < 3; ++i) {
    const MoneyField& f = fields[i];
    if (store::ParseInt64Prefix(f.text) < 0) return Status::Fail(f.negative, "", f.field);
    if (!f.text.empty() && !store::IsValidMoneyText(regional, f.text)) return Status::Fail(f.invalid, "", f.field);
    values[i] = f.text.empty() ? Money() : store::ParseMoney(regional, f.text);
    if (!Fits32(values[i].minorUnits())) return Status::Fail(ScheduleAmountLimitMessage(regional), "", f.field);
  }
  if (Status recurrence = CheckRecurrence(form.recurrence); !recurrence) return recurrence;

  InvestmentAmounts typed;
  typed.shares = shares;
  typed.price = values[0];
  typed.commission = values[1];
  typed.total = values[2];
  const auto stored = ApplyInvestmentSigns(form.action, typed);
  if (!stored || !Fits32(stored->total.minorUnits())) {
    return Status::Fail(ScheduleAmountLimitMessage(regional), "", "total");
  }

  if (form.key) {
    const auto existing = LoadInvestmentSchedule(data, *form.key);
    if (!existing || existing->deleted) {
      return Status::Fail("Cannot open transaction and save changes.", "Edit Scheduled Transaction");
    }
  }

  InvestmentScheduleFields row;
  row.account = form.account;
  row.action = form.action;
  row.security = form.security;
  row.shares = stored->shares;
  row.price = stored->price;
  row.commission = stored->commission;
  row.cost = stored->total;
  row.recurrence = form.recurrence;
  if (form.key) {
    if (!UpdateInvestmentSchedule(data, *form.key, row)) {
      return Status::FileError(store::WriteFailureMessage(data.db().lastError()));
    }
    if (saved != nullptr) *saved = *form.key;
    return Status::Ok();
  }
  const auto added = AddInvestmentSchedule(data, row);
  if (!added) return Status::FileError(store::WriteFailureMessage(data.db().lastError()));
  if (saved != nullptr) *saved = *added;
  return Status::Ok();
}

}  // namespace tallyvane::planning
