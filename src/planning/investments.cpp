#include "planning/investments.h"

#include <array>
#include <cstdlib>
#include <limits>

#include "ledger/accounts.h"
#include "ledger/categories.h"
#include "planning/securities.h"
#include "store/dates.h"
#include "store/text.h"

namespace tallyvane::planning {

using store::FormatSql;
using store::Query;
using store::Record;
using store::Table;
using store::WriteGuard;

namespace {

constexpr std::array<std::string_view, 7> kActionLabels = {"Buy",          "Sell",    "Dividend", "Income",
                                                           "Misc Expense", "Deposit", "Withdraw"};

// Stored signs of shares, price, commission and total per action: +1 keeps
// the typed value, -1 negates it.
struct Signs {
  int shares;
  int price;
  int commission;
  int total;
};
constexpr std::array<Signs, 7> kSigns = {{
    {+1, -1, +1, -1},  // Buy
    {-1, +1, +1, +1},  // Sell
    {+1, +1, +1, -1},  // Dividend
    {+1, +1, +1, +1},  // Income: as typed
    {+1, -1, +1, -1},  // Misc Expense
    {+1, +1, +1, +1},  // Deposit: as typed
    {+1, -1, +1, -1},  // Withdraw
}};

Table Investments(DataContext& data) { return Table(data.db(), "Investments"); }

bool LoadLive(DataContext& data, InvestmentKey key, Record& record) {
  Table table = Investments(data);
  return store::LoadActiveRecord(table, record, KeyText(key), false, true);
}

void ReadRow(const Query& q, InvestmentRow& row) {
  row.key = q.int32(0);
  row.account = q.int32(1);
  row.amount = Money(q.int64(2));
  row.note = q.text(3);
  row.date = q.text(4);
  row.cleared = q.int32(5) != 0;
  row.type = q.int32(6);
  row.security = q.int32(7);
  row.shares = q.int64(8);
  row.price = Money(q.int64(9));
  row.commission = Money(q.int64(10));
  row.total = Money(q.int64(11));
  row.deleted = q.int32(12) != 0;
}

void WriteFields(Record& r, const InvestmentFields& f) {
  r.SetInt("Account", f.account);
  r.SetText("Note", f.note);
  r.SetText("TransactionDate", f.date);
  r.SetInt("InvestmentType", static_cast<int>(f.action));
  r.SetInt("Security", f.security);
  r.SetInt64("NumberOfShares", f.shares);
  r.SetInt64("PricePaid", f.price.minorUnits());
  r.SetInt64("Commission", f.commission.minorUnits());
  r.SetInt64("TotalCost", f.total.minorUnits());
}

std::string CleanNote(const std::string& note) {
  std::string out;
  for (char c : note) {
    if (c == '\n') continue;
    out.push_back(c == '\r' ? ' ' : c);
  }
  return out;
}

// A product shown in the register saturates rather than wraps.
Money SaturatingProduct(int64_t a, int64_t b) {
  int64_t out = 0;
  if (__builtin_mul_overflow(a, b, &out)) {
    out = (a < 0) != (b < 0) ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
  }
  return Money(out);
}

bool IsAction(int action) { return action >= 0 && action < static_cast<int>(kActionLabels.size()); }

}  // namespace

std::string_view InvestmentActionLabel(InvestmentAction action) { return InvestmentActionLabel(static_cast<int>(action)); }

std::string_view InvestmentActionLabel(int action) {
  return IsAction(action) ? kActionLabels[static_cast<std::size_t>(action)] : std::string_view{};
}

std::optional<InvestmentAction> InvestmentActionFromLabel(std::string_view label) {
  for (std::size_t i = 0; i < kActionLabels.size(); ++i) {
    if (store::EqualsNoCase(kActionLabels[i], label)) return static_cast<InvestmentAction>(i);
  }
  return std::nullopt;
}

std::optional<Money> ComputeInvestmentTotal(int64_t shares, Money price, Money commission) {
  int64_t product = 0;
  int64_t sum = 0;
  if (__builtin_mul_overflow(shares, price.minorUnits(), &product) ||
      __builtin_add_overflow(product, commission.minorUnits(), &sum)) {
    return std::nullopt;
  }
  return Money(sum);
}

std::optional<InvestmentAmounts> ApplyInvestmentSigns(InvestmentAction action, InvestmentAmounts typed) {
  if (typed.total.minorUnits() == 0) {
    const auto computed = ComputeInvestmentTotal(typed.shares, typed.price, typed.commission);
    if (!computed) return std::nullopt;
    typed.total = *computed;
  }
  const auto index = static_cast<std::size_t>(action);
  if (index >= kSigns.size()) return typed;
  const Signs& s = kSigns[index];
  InvestmentAmounts out;
  out.shares = s.shares * typed.shares;
  out.price = Money(s.price * typed.price.minorUnits());
  out.commission = Money(s.commission * typed.commission.minorUnits());
  out.total = Money(s.total * typed.total.minorUnits());
  return out;
}

std::optional<InvestmentRow> LoadInvestment(DataContext& data, InvestmentKey key) {
  Query q(data.db(), FormatSql("SELECT * FROM Investments WHERE ID = %d", {key}));
  if (!q.hasRow()) return std::nullopt;
  InvestmentRow row;
  ReadRow(q, row);
  return row;
}

std::optional<InvestmentKey> AddInvestment(DataContext& data, const InvestmentFields& fields) {
  WriteGuard guard(data.db());
  Table table = Investments(data);
  Record r;
  NewRecord(table, r);
  r.SetInt64("Amount", 0);
  WriteFields(r, fields);
  r.SetFlag("Cleared", false);
  r.SetFlag("Deleted", false);
  const std::string key = r.key();
  if (!store::SaveRecord(r) || key.empty() || !guard.commit()) return std::nullopt;
  return store::ParseInt32Prefix(key);
}

bool EditInvestment(DataContext& data, InvestmentKey key, const InvestmentFields& fields, bool cleared) {
  WriteGuard guard(data.db());
  Record r;
  if (!LoadLive(data, key, r)) return false;
  WriteFields(r, fields);
  r.SetFlag("Cleared", cleared);
  store::ReleaseRecord(r);
  return guard.commit().ok;
}

bool DeleteInvestment(DataContext& data, InvestmentKey key) {
  Table table = Investments(data);
  return store::RetireRow(table, KeyText(key), true);
}

bool SetInvestmentSecurityByName(DataContext& data, InvestmentKey key, std::string_view name, bool* created) {
  WriteGuard guard(data.db());
  Record r;
  if (!LoadLive(data, key, r)) return false;
  SecurityKey security = FindSecurityByName(data, name);
  if (security == 0) {
    const auto added = AddSecurity(data, name, "", Money());
    if (!added) return false;
    security = *added;
    if (created != nullptr) *created = true;
  }
  r.SetInt("Security", security);
  store::ReleaseRecord(r);
  return guard.commit().ok;
}

InvestmentRange::InvestmentRange(store::Db& db, AccountKey account, const std::string& from, const std::string& to)
    : query_(db, FormatSql("SELECT * FROM Investments where Account = %d AND TransactionDate >= DATE('%Q') AND "
                           "TransactionDate <= DATE('%Q') AND Deleted = 0 ORDER BY TransactionDate, ID",
                           {account, from, to})) {}

bool InvestmentRange::next(InvestmentRow& row) {
  if (!first_) query_.next();
  first_ = false;
  if (!query_.hasRow()) return false;
  ReadRow(query_, row);
  return true;
}

std::string FirstInvestmentDate(DataContext& data, AccountKey account) {
  return store::QueryFirstText(
      data.db(), FormatSql("SELECT MIN(DATE(TransactionDate)) from Investments where Account = %d AND Deleted = 0",
                           {account}));
}

std::string LastInvestmentDate(DataContext& data, AccountKey account) {
  return store::QueryFirstText(
      data.db(), FormatSql("SELECT MAX(DATE(TransactionDate)) from Investments where Account = %d AND Deleted = 0",
                           {account}));
}

Money InvestmentAccountValue(DataContext& data, AccountKey account, const std::string& date) {
  Money value(store::ParseInt64Prefix(
      store::QueryFirstText(data.db(), FormatSql("SELECT AcctStartingBal FROM Accounts WHERE ID = %d", {account}))));
  for (Query q(data.db(), FormatSql("SELECT TotalCost FROM Investments WHERE Account = %d AND TransactionDate >= "
                                    "DATE('1980-01-01') AND TransactionDate <= DATE('%Q') AND Deleted = 0",
                                    {account, date}));
       q.hasRow(); q.next()) {
    value -= Money(q.int64(0));
  }
  return value;
}

Money InvestmentAccountValue(DataContext& data, AccountKey account) {
  return InvestmentAccountValue(data, account, LastInvestmentDate(data, account));
}

bool InvestmentMatchesText(DataContext& data, InvestmentKey key, std::string_view text) {
  const auto row = LoadInvestment(data, key);
  if (!row || row->deleted) return false;
  const std::string needle = store::LowerText(text);
  if (store::LowerText(SecurityName(data, row->security)).find(needle) != std::string::npos) return true;
  return store::LowerText(store::FormatMoney(data.regional(), row->total)).find(needle) != std::string::npos;
}

std::vector<InvestmentRegisterRow> InvestmentRegisterRows(DataContext& data, AccountKey account,
                                                          const std::string& from, const std::string& to) {
  std::vector<InvestmentRow> rows;
  {
    InvestmentRange range(data.db(), account, from, to);
    InvestmentRow row;
    while (range.next(row)) rows.push_back(row);
  }
  std::vector<InvestmentRegisterRow> out;
  int64_t shares = 0;
  Money total;
  for (const InvestmentRow& row : rows) {
    InvestmentRegisterRow line;
    line.row = row;
    line.action = std::string(InvestmentActionLabel(row.type));
    line.security = SecurityName(data, row.security);
    line.note = CleanNote(row.note);
    shares += row.shares;
    total += row.total;
    const bool trade = row.type == static_cast<int>(InvestmentAction::Buy) ||
                       row.type == static_cast<int>(InvestmentAction::Sell);
    if (trade || row.type == static_cast<int>(InvestmentAction::Dividend)) line.sharesRunning = shares;
    if (trade) line.value = -SaturatingProduct(row.shares, row.price.minorUnits());
    line.totalRunning = total;
    out.push_back(std::move(line));
  }
  return out;
}

Status DeleteInvestmentsFromRegister(DataContext& data, const std::vector<InvestmentKey>& keys,
                                     store::Prompter& prompter) {
  if (keys.empty()) return Status::Ok();
  if (prompter.ask("Delete Investments", "Are you sure that you would like to delete the selected investments?",
                   {"Delete", "Cancel"}) != 0) {
    return Status::Declined();
  }
  WriteGuard guard(data.db());
  for (InvestmentKey key : keys) DeleteInvestment(data, key);
  return guard.commit();
}

InvestmentFindResult InvestmentFind(DataContext& data, const std::vector<InvestmentRegisterRow>& rows,
                                    std::string_view text, std::optional<InvestmentKey> after) {
  std::size_t start = 0;
  if (after) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].row.key == *after) start = i + 1;
    }
  }
  for (std::size_t i = start; i < rows.size(); ++i) {
    if (InvestmentMatchesText(data, rows[i].row.key, text)) return {rows[i].row.key, Status::Ok()};
  }
  if (after) {
    return {std::nullopt,
            Status::Fail(FormatSql("No more investments matching \"%s\" could be found.", {text}), "Search Complete")};
  }
  return {std::nullopt,
          Status::Fail(FormatSql("No investment matching \"%s\" were found.", {text}), "Find an investment")};
}

std::string InvestmentFormTitle(DataContext& data, const InvestmentForm& form) {
  const std::string name =
      store::QueryFirstText(data.db(), FormatSql("SELECT AcctName FROM Accounts WHERE ID = %d", {form.account}));
  return FormatSql(form.key ? "Edit Investment (%s)" : "Add Investment (%s)", {name});
}

InvestmentForm NewInvestmentForm(DataContext& data, AccountKey account) {
  InvestmentForm form;
  form.account = account;
  form.date = store::DateText(data.now());
  return form;
}

std::optional<InvestmentForm> OpenInvestmentForm(DataContext& data, InvestmentKey key) {
  const auto row = LoadInvestment(data, key);
  if (!row || row->deleted) return std::nullopt;
  const store::RegionalSettings& regional = data.regional();
  auto magnitude = [](int64_t v) { return v < 0 ? -v : v; };
  InvestmentForm form;
  form.key = key;
  form.account = row->account;
  form.date = row->date.substr(0, 10);
  form.action = IsAction(row->type) ? static_cast<InvestmentAction>(row->type) : InvestmentAction::Buy;
  form.security = SecurityName(data, row->security);
  form.note = row->note;
  form.sharesText = std::to_string(magnitude(row->shares));
  form.priceText = store::FormatMoneyPlain(regional, Money(magnitude(row->price.minorUnits())));
  form.commissionText = store::FormatMoneyPlain(regional, Money(magnitude(row->commission.minorUnits())));
  form.totalText = store::FormatMoneyPlain(regional, Money(magnitude(row->total.minorUnits())));
  return form;
}

InvestmentEntryResult EnterInvestment(DataContext& data, const InvestmentForm& form, store::Prompter& prompter) {
  InvestmentEntryResult result;
  auto fail = [&](std::string message, std::string field, std::string title = {}) {
    result.status = Status::Fail(std::move(message), std::move(title), std::move(field));
    return result;
  };
  const store::RegionalSettings& regional = data.regional();
  Record account;
  if (!ledger::LoadActiveAccount(data, form.account, account) ||
      account.GetInt("AcctType") != ledger::kInvestmentAccountType) {
    return fail("Please select an investment account.", "account");
  }
  if (!store::IsValidDateText(form.date)) return fail("Please enter a valid date.", "date");

  // 1-4. Typed magnitudes; only the sign and leading digits are looked at.
  const int64_t shares = store::ParseInt64Prefix(form.sharesText);
  if (shares < 0) return fail("Number of Shares should be positive.", "shares");
  if (shares > kShareCountLimit) {
    return fail("The number of shares must not exceed 2,147,483,647.", "shares");
  }
  if (store::ParseInt64Prefix(form.priceText) < 0) return fail("Price Paid for Share should be positive.", "price");
  if (store::ParseInt64Prefix(form.commissionText) < 0) return fail("Commission should be positive.", "commission");
  if (store::ParseInt64Prefix(form.totalText) < 0) return fail("Total Cost should be positive.", "total");
  // 5. Nothing moves past a reconciliation.
  const std::string lastReconciled = account.GetText("LastReconciled");
  if (!lastReconciled.empty() && lastReconciled != "0" && form.date > lastReconciled) {
    return fail("A reconciled transaction can not have a date past the last reconciled date.", "date");
  }

  InvestmentAmounts typed;
  typed.shares = shares;
  typed.price = store::ParseMoney(regional, form.priceText);
  typed.commission = store::ParseMoney(regional, form.commissionText);
  typed.total = store::ParseMoney(regional, form.totalText);
  const auto stored = ApplyInvestmentSigns(form.action, typed);
  // A computed total past what a typed amount may be would not survive
  // editing the row, and past 64 bits it would wrap.
  if (!stored || std::llabs(stored->total.minorUnits()) >= store::kMoneyInputLimit) {
    return fail(FormatSql("The amount must be less than %s.", {store::FormatMoney(regional, Money(store::kMoneyInputLimit))}),
                "total");
  }

  std::optional<InvestmentRow> existing;
  if (form.key) {
    existing = LoadInvestment(data, *form.key);
    if (!existing || existing->deleted) return fail("Cannot open transaction and save changes.", "", "Edit Investment");
  }

  WriteGuard guard(data.db());
  SecurityKey security = 0;
  const std::string securityName = ledger::TrimSpaces(form.security);
  if (!securityName.empty()) {
    security = FindSecurityByName(data, securityName);
    if (security == 0) {
      const auto added = AddSecurity(data, securityName, "", Money());
      if (!added) {
        result.status = Status::FileError(store::WriteFailureMessage(data.db().lastError()));
        return result;
      }
      security = *added;
      prompter.balloon("security", "", "A new security was created");
    }
  }
  InvestmentFields fields;
  fields.account = form.account;
  fields.note = form.note;
  fields.date = form.date;
  fields.action = form.action;
  fields.security = security;
  fields.shares = stored->shares;
  fields.price = stored->price;
  fields.commission = stored->commission;
  fields.total = stored->total;
  if (existing) {
    if (!EditInvestment(data, *form.key, fields, existing->cleared)) {
      return fail("Cannot open transaction and save changes.", "", "Edit Investment");
    }
    result.key = form.key;
  } else {
    result.key = AddInvestment(data, fields);
    if (!result.key) {
      result.status = Status::FileError(store::WriteFailureMessage(data.db().lastError()));
      return result;
    }
  }
  if (Status committed = guard.commit(); !committed) {
    result.status = committed;
    result.key.reset();
  }
  return result;
}

std::vector<AccountKey> InvestmentAccounts(DataContext& data) {
  std::vector<AccountKey> keys;
  for (Query q(data.db(), FormatSql("SELECT ID FROM Accounts WHERE Deleted = 0 AND AcctType = %d ORDER BY ID",
                                    {ledger::kInvestmentAccountType}));
       q.hasRow(); q.next()) {
    keys.push_back(q.int32(0));
  }
  return keys;
}

}  // namespace tallyvane::planning
