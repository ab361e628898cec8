#include "ledger/transactions.h"

#include <array>
#include <cstdlib>

#include "ledger/accounts.h"
#include "ledger/balances.h"
#include "ledger/categories.h"
#include "ledger/payees.h"
#include "store/dates.h"
#include "store/protect.h"
#include "store/text.h"

namespace tallyvane::ledger {

using store::FormatSql;
using store::Query;
using store::Record;
using store::Table;
using store::WriteGuard;

namespace {

constexpr std::array<std::string_view, 6> kTypeLabels = {"Deposit", "ATM", "EFT", "Check", "Purchase", "Transfer"};

Table Transactions(DataContext& data) { return Table(data.db(), "Transactions"); }

// Loads a row into a record; false when missing.
bool LoadRow(DataContext& data, TransactionKey key, Record& record) {
  Table table = Transactions(data);
  return store::LoadRecord(table, record, KeyText(key));
}

TransactionRow FromRecord(Record& r) {
  TransactionRow row;
  row.key = store::ParseInt32Prefix(r.key());
  row.account = r.GetInt("Account");
  row.amount = Money(r.GetInt64("Amount"));
  row.payee = r.GetInt("PayAccount");
  row.referencedAccount = r.GetInt("ReferencedAccount");
  row.referencedId = r.GetInt("ReferencedID");
  row.description = r.GetProtected("Description");
  row.note = r.GetText("Note");
  row.category = r.GetInt("Category");
  row.date = r.GetText("TransactionDate");
  row.number = r.GetText("TransactionNumber");
  row.taxDeductible = r.GetInt("TaxDeductible");
  row.cleared = r.GetFlag("Cleared");
  row.deleted = r.GetFlag("Deleted");
  row.isVoid = r.GetFlag("Void");
  row.type = r.GetInt("TransactionType", -1);
  row.reconciled = r.GetFlag("Reconciled");
  row.split = r.GetFlag("SplitTransaction");
  return row;
}

// The columns both rows of a transfer share, and the plain row's own.
void WriteShared(Record& r, const TransactionFields& f) {
  r.SetText("Note", f.note);
  r.SetInt("Category", f.category);
  r.SetText("TransactionDate", f.date);
  r.SetText("TransactionNumber", f.number);
  r.SetInt("TaxDeductible", f.taxDeductible);
  r.SetFlag("Cleared", f.cleared);
}

std::optional<TransactionKey> InsertPartner(DataContext& data, const TransactionFields& f, AccountKey originAccount,
                                            TransactionKey originKey, bool reconciled) {
  Table table = Transactions(data);
  Record partner;
  NewRecord(table, partner);
  partner.SetInt("Account", f.transferAccount);
  partner.SetInt64("Amount", -f.amount.minorUnits());
  partner.SetInt("PayAccount", f.payee);
  partner.SetInt("ReferencedAccount", originAccount);
  partner.SetInt("ReferencedID", originKey);
  partner.SetProtected("Description", f.description);
  WriteShared(partner, f);
  partner.SetFlag("Deleted", false);
  partner.SetFlag("Void", false);
  partner.SetInt("TransactionType", static_cast<int>(TransactionType::Deposit));
  partner.SetFlag("Reconciled", reconciled);
  partner.SetFlag("SplitTransaction", false);
  const std::string key = partner.key();
  if (!store::SaveRecord(partner) || key.empty()) return std::nullopt;
  return store::ParseInt32Prefix(key);
}

std::string AccountName(DataContext& data, AccountKey key) {
  return store::QueryFirstText(data.db(), FormatSql("SELECT AcctName FROM Accounts WHERE ID = %d", {key}));
}

// A category's display text, deleted categories included (rows go on naming them).
std::string CategoryText(DataContext& data, CategoryKey key) {
  if (key == 0) return std::string(kNotCategorized);
  if (auto full = CategoryFullName(data, key)) return *full;
  return store::QueryFirstText(data.db(), FormatSql("SELECT PayCategory FROM Categories WHERE ID = %d", {key}));
}

}  // namespace

std::string_view TransactionTypeLabel(TransactionType type) {
  const auto index = static_cast<std::size_t>(type);
  return index < kTypeLabels.size() ? kTypeLabels[index] : std::string_view{};
}

std::optional<TransactionType> TransactionTypeFromLabel(std::string_view label) {
  for (std::size_t i = 0; i < kTypeLabels.size(); ++i) {
    if (store::EqualsNoCase(kTypeLabels[i], label)) return static_cast<TransactionType>(i);
  }
  return std::nullopt;
}

bool TransactionRow::inPaymentColumn() const {
  if (referencedAccount != 0) return amount.minorUnits() <= 0;
  return type != static_cast<int>(TransactionType::Deposit);
}

std::string MonthStart(const std::string& date) {
  if (date.size() < 7) return date;
  return date.substr(0, 7) + "-01";
}

std::string TodayText(DataContext& data) { return store::DateText(data.now()); }

void ReadTransactionRow(const Query& q, TransactionRow& row) {
  row.key = q.int32(0);
  row.account = q.int32(1);
  row.amount = Money(q.int64(2));
  row.payee = q.int32(3);
  row.referencedAccount = q.int32(4);
  row.referencedId = q.int32(5);
  std::string description = q.string(6);
  if (!description.empty() && description.front() == '.') {
    description = store::unprotectText(store::kDefaultProtectionKey, std::string_view(description).substr(1));
  }
  row.description = std::move(description);
  row.note = q.text(7);
  row.category = q.int32(8);
  row.date = q.text(9);
  row.number = q.text(10);
  row.taxDeductible = q.int32(11);
  row.cleared = q.int32(13) != 0;
  row.deleted = q.int32(14) != 0;
  row.isVoid = q.int32(15) != 0;
  row.type = q.int32(16, -1);
  row.reconciled = q.int32(17) != 0;
  row.split = q.int32(18) != 0;
}

std::optional<TransactionRow> LoadTransaction(store::Db& db, TransactionKey key) {
  Table table(db, "Transactions");
  Record r;
  if (!store::LoadRecord(table, r, KeyText(key))) return std::nullopt;
  TransactionRow row = FromRecord(r);
  return row;
}

TransactionRange::TransactionRange(store::Db& db, AccountKey account, PayeeKey payee, const std::string& from,
                                   const std::string& to, bool ascending) {
  std::string filter;
  if (account == -1) {
    filter = FormatSql("PayAccount = %d ", {payee});
  } else if (payee == -1) {
    filter = FormatSql("Account = %d ", {account});
  } else {
    filter = FormatSql("Account = %d AND PayAccount = %d ", {account, payee});
  }
  query_ = Query(db, FormatSql("SELECT * FROM Transactions WHERE %s AND TransactionDate >= DATE('%Q') AND "
                               "TransactionDate <= DATE('%Q') AND Deleted = 0 ORDER BY %s",
                               {filter, from, to, ascending ? "TransactionDate, ID" : "TransactionDate DESC, ID DESC"}));
}

bool TransactionRange::next(TransactionRow& row) {
  if (!first_) query_.next();
  first_ = false;
  if (!query_.hasRow()) return false;
  ReadTransactionRow(query_, row);
  return true;
}

bool IsStorableDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  int value[3] = {0, 0, 0};
  const std::size_t starts[3] = {0, 5, 8};
  const std::size_t lengths[3] = {4, 2, 2};
  for (int part = 0; part < 3; ++part) {
    for (std::size_t i = starts[part]; i < starts[part] + lengths[part]; ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      value[part] = value[part] * 10 + (text[i] - '0');
    }
  }
  return value[0] >= 1 && value[1] >= 1 && value[1] <= 12 && value[2] >= 1 &&
         value[2] <= store::DaysInMonth(value[1], value[0]);
}

std::optional<TransactionKey> AddTransaction(DataContext& data, const TransactionFields& f) {
  if (f.payee != 0 && f.transferAccount != 0) return std::nullopt;
  if (!IsStorableDate(f.date)) return std::nullopt;
  WriteGuard guard(data.db());
  Table table = Transactions(data);
  Record r;
  NewRecord(table, r);
  r.SetInt("Account", f.account);
  r.SetInt64("Amount", f.amount.minorUnits());
  r.SetInt("PayAccount", f.payee);
  r.SetInt("ReferencedAccount", f.transferAccount);
  r.SetInt("ReferencedID", 0);
  r.SetProtected("Description", f.description);
  WriteShared(r, f);
  r.SetFlag("Deleted", false);
  r.SetFlag("Void", false);
  r.SetInt("TransactionType", static_cast<int>(f.type));
  r.SetFlag("Reconciled", f.reconciled);
  r.SetFlag("SplitTransaction", f.split);
  const std::string keyText = r.key();
  if (!store::SaveRecord(r) || keyText.empty()) return std::nullopt;
  const TransactionKey key = store::ParseInt32Prefix(keyText);
  if (f.transferAccount != 0) {
    const auto partner = InsertPartner(data, f, f.account, key, f.reconciled);
    if (!partner) return std::nullopt;
    r.SetInt("ReferencedID", *partner);
    store::ReleaseRecord(r);
  }
  if (!guard.commit()) return std::nullopt;
  return key;
}

std::optional<TransactionKey> AddTransactionAndRebalance(DataContext& data, const TransactionFields& f) {
  WriteGuard guard(data.db());
  const auto key = AddTransaction(data, f);
  if (!key) return std::nullopt;
  RebalanceDay(data, f.account, f.date);
  if (f.transferAccount != 0) RebalanceDay(data, f.transferAccount, f.date);
  if (!guard.commit()) return std::nullopt;
  return key;
}

bool EditTransaction(DataContext& data, TransactionKey key, const TransactionFields& f) {
  if (!IsStorableDate(f.date)) return false;
  WriteGuard guard(data.db());
  Record r;
  if (!LoadRow(data, key, r)) return false;
  const int oldType = r.GetInt("TransactionType", -1);
  const TransactionKey oldReferenced = r.GetInt("ReferencedID");
  const std::string oldDate = r.GetText("TransactionDate");
  const int64_t oldAmount = r.GetInt64("Amount");
  const AccountKey oldAccount = r.GetInt("Account");
  const AccountKey oldTransfer = r.GetInt("ReferencedAccount");

  const bool wasTransfer = oldType == static_cast<int>(TransactionType::Transfer);
  const bool isTransfer = f.type == TransactionType::Transfer;
  const bool typeFlip = wasTransfer != isTransfer;
  const bool moneyMoved = oldAccount != f.account || oldTransfer != f.transferAccount ||
                          oldAmount != f.amount.minorUnits() || oldDate.substr(0, 7) != f.date.substr(0, 7);

  if (f.transferAccount != 0) {
    if (typeFlip) {
      const auto partner = InsertPartner(data, f, f.account, key, false);
      if (!partner) return false;
      r.SetInt("ReferencedID", *partner);
    } else {
      Record partner;
      if (!LoadRow(data, oldReferenced, partner)) return false;
      partner.SetInt("Account", f.transferAccount);
      partner.SetInt64("Amount", -f.amount.minorUnits());
      partner.SetInt("PayAccount", f.payee);
      partner.SetInt("ReferencedAccount", f.account);
      partner.SetInt("ReferencedID", key);
      partner.SetProtected("Description", f.description);
      WriteShared(partner, f);
      partner.SetInt("TransactionType", static_cast<int>(TransactionType::Deposit));
    }
  } else if (typeFlip) {
    Record partner;
    if (!LoadRow(data, oldReferenced, partner)) return false;
    partner.SetFlag("Deleted", true);
    r.SetInt("ReferencedID", 0);
  }

  r.SetInt("Account", f.account);
  r.SetInt64("Amount", f.amount.minorUnits());
  r.SetInt("PayAccount", f.payee);
  r.SetInt("ReferencedAccount", f.transferAccount);
  r.SetProtected("Description", f.description);
  WriteShared(r, f);
  r.SetInt("TransactionType", static_cast<int>(f.type));
  store::ReleaseRecord(r);

  if (moneyMoved) {
    RebalanceBatch batch(data);
    RebalanceDay(data, oldAccount, oldDate);
    RebalanceDay(data, f.account, f.date);
    if (oldTransfer != 0) RebalanceDay(data, oldTransfer, oldDate);
    if (f.transferAccount != 0) RebalanceDay(data, f.transferAccount, f.date);
  }
  return guard.commit().ok;
}

bool DeleteTransaction(DataContext& data, TransactionKey key) {
  WriteGuard guard(data.db());
  Record r;
  if (!LoadRow(data, key, r) || r.GetFlag("Reconciled")) return false;
  if (r.GetFlag("SplitTransaction")) {
    for (const SplitLine& line : LiveSplitLines(data, key)) SplitLineDelete(data, line.key);
  }
  const AccountKey referencedAccount = r.GetInt("ReferencedAccount");
  if (referencedAccount != 0) {
    Record partner;
    if (LoadRow(data, r.GetInt("ReferencedID"), partner)) partner.SetFlag("Deleted", true);
  }
  const bool balancing = r.GetString("Note") == kBalancingEntryNote;
  const AccountKey account = r.GetInt("Account");
  const std::string date = r.GetText("TransactionDate");
  r.SetFlag("Deleted", true);
  store::ReleaseRecord(r);
  if (balancing) RecomputeLastReconciled(data, account);
  RebalanceDay(data, account, date);
  if (referencedAccount != 0) RebalanceDay(data, referencedAccount, date);
  return guard.commit().ok;
}

bool VoidTransaction(DataContext& data, TransactionKey key) {
  WriteGuard guard(data.db());
  Record r;
  if (!LoadRow(data, key, r) || r.GetFlag("Reconciled")) return false;
  r.SetFlag("Void", true);
  const AccountKey account = r.GetInt("Account");
  const std::string date = r.GetText("TransactionDate");
  store::ReleaseRecord(r);
  RebalanceDay(data, account, date);
  return guard.commit().ok;
}

bool SetTransactionAmount(DataContext& data, TransactionKey key, Money amount) {
  WriteGuard guard(data.db());
  Record r;
  if (!LoadRow(data, key, r)) return false;
  r.SetInt64("Amount", amount.minorUnits());
  const AccountKey account = r.GetInt("Account");
  const std::string date = r.GetText("TransactionDate");
  const TransactionKey referenced = r.GetInt("ReferencedID");
  const AccountKey referencedAccount = r.GetInt("ReferencedAccount");
  store::ReleaseRecord(r);
  RebalanceDay(data, account, date);
  if (referenced != 0) {
    Record partner;
    if (!LoadRow(data, referenced, partner)) return false;
    partner.SetInt64("Amount", -amount.minorUnits());
    store::ReleaseRecord(partner);
    RebalanceDay(data, referencedAccount, date);
  }
  return guard.commit().ok;
}

namespace {

bool SetOne(DataContext& data, TransactionKey key, std::string_view column, const std::string& value) {
  WriteGuard guard(data.db());
  Record r;
  if (!LoadRow(data, key, r)) return false;
  r.SetText(column, value);
  store::ReleaseRecord(r);
  return guard.commit().ok;
}

}  // namespace

bool SetTransactionCleared(DataContext& data, TransactionKey key, bool cleared) {
  return SetOne(data, key, "Cleared", cleared ? "1" : "0");
}

bool SetTransactionCategory(DataContext& data, TransactionKey key, CategoryKey category) {
  return SetOne(data, key, "Category", KeyText(category));
}

bool SetTransactionCategoryByName(DataContext& data, TransactionKey key, std::string_view category,
                                  std::string_view subcategory) {
  CategoryKey found = -1;
  if (category == kNotCategorized && subcategory.empty()) {
    // Shown for key 0; a row of that name, if any, still wins.
    found = FindCategoryId(data, category).value_or(0);
  } else {
    std::string full(category);
    if (!subcategory.empty()) {
      full += kCategorySeparator;
      full += subcategory;
    }
    found = FindCategoryByFullName(data, full);
  }
  return SetTransactionCategory(data, key, found);
}

bool SetTransactionPayeeByName(DataContext& data, TransactionKey key, std::string_view payee) {
  WriteGuard guard(data.db());
  const auto found = PayeeFromTypedName(data, payee);
  if (!found) return false;
  if (!SetOne(data, key, "PayAccount", KeyText(*found))) return false;
  return guard.commit().ok;
}

bool UnreconcileTransaction(DataContext& data, TransactionKey key) { return SetOne(data, key, "Reconciled", "0"); }

bool IsCheckNumberUnused(DataContext& data, AccountKey account, std::string_view number) {
  Query q(data.db(), FormatSql("SELECT count(*) from Transactions where Account = %d and ltrim(TransactionNumber, "
                               "'0') = ltrim('%Q', '0') AND Deleted = 0",
                               {account, number}));
  return q.hasRow() && q.int64(0) == 0;
}

int32_t NextCheckNumber(DataContext& data, AccountKey account) {
  Record r;
  int32_t last = 0;
  if (LoadActiveAccount(data, account, r)) {
    last = r.GetInt("AcctCurrentCheckNum");
    store::ReleaseRecord(r);
  }
  return last < 0 ? 1 : last + 1;
}

std::string ProposedCheckNumber(DataContext& data, AccountKey account) {
  return FormatSql("%03d", {NextCheckNumber(data, account)});
}

void NoteCheckNumberUsed(DataContext& data, AccountKey account, int32_t number) {
  Record r;
  if (LoadActiveAccount(data, account, r) && number > r.GetInt("AcctCurrentCheckNum")) {
    r.SetInt("AcctCurrentCheckNum", number);
  }
}

bool ReassignPayeeInTransactions(DataContext& data, PayeeKey from, PayeeKey to) {
  return store::Execute(data.db(), "UPDATE Transactions SET PayAccount = '%s' WHERE PayAccount = '%s' and TransactionType != %d",
                        {KeyText(to), KeyText(from), static_cast<int>(TransactionType::Transfer)});
}

std::string RowTexts::payee(const TransactionRow& row) {
  if (row.isVoid) return "VOID*VOID*VOID";
  if (row.referencedAccount != 0) {
    auto found = accounts_.find(row.referencedAccount);
    if (found == accounts_.end()) found = accounts_.emplace(row.referencedAccount, AccountName(data_, row.referencedAccount)).first;
    return FormatSql(row.amount.minorUnits() <= 0 ? "Transfer to %s" : "Transfer from %s", {found->second});
  }
  if (row.payee == 0) return {};
  auto found = payees_.find(row.payee);
  if (found == payees_.end()) {
    std::string name = PayeeName(data_, row.payee).value_or("");
    if (name == kBalanceAdjustingEntry) name.clear();
    found = payees_.emplace(row.payee, std::move(name)).first;
  }
  return found->second;
}

void RowTexts::preloadPayees(const std::vector<TransactionRow>& rows) {
  std::vector<int32_t> wanted;
  for (const TransactionRow& row : rows) {
    if (row.isVoid || row.referencedAccount != 0 || row.payee == 0 || payees_.count(row.payee) > 0) continue;
    payees_.emplace(row.payee, std::string{});  // stays empty when the row is missing, as PayeeName gives
    wanted.push_back(row.payee);
  }
  constexpr std::size_t kChunk = 400;
  for (std::size_t start = 0; start < wanted.size(); start += kChunk) {
    std::string keys;
    for (std::size_t i = start; i < wanted.size() && i < start + kChunk; ++i) {
      if (!keys.empty()) keys += ',';
      keys += std::to_string(wanted[i]);
    }
    for (Query q(data_.db(), "SELECT ID, PayName FROM PayAccounts WHERE ID IN (" + keys + ")"); q.hasRow(); q.next()) {
      std::string name = q.text(1);
      if (name == kBalanceAdjustingEntry) name.clear();
      payees_[q.int32(0)] = std::move(name);
    }
  }
}

std::string RowTexts::categoryName(CategoryKey key) {
  auto found = categories_.find(key);
  if (found == categories_.end()) found = categories_.emplace(key, CategoryText(data_, key)).first;
  return found->second;
}

std::string RowTexts::category(const TransactionRow& row) {
  if (row.split) return "-split-";
  return categoryName(row.category);
}

std::string TransactionPayeeText(DataContext& data, const TransactionRow& row) { return RowTexts(data).payee(row); }

std::string TransactionCategoryText(DataContext& data, const TransactionRow& row) {
  return RowTexts(data).category(row);
}

std::string TransactionPayeeText(DataContext& data, TransactionKey key) {
  const auto row = LoadTransaction(data.db(), key);
  return row ? TransactionPayeeText(data, *row) : std::string{};
}

std::string TransactionCategoryText(DataContext& data, TransactionKey key) {
  const auto row = LoadTransaction(data.db(), key);
  return row ? TransactionCategoryText(data, *row) : std::string{};
}

Money TransactionRunningBalance(DataContext& data, TransactionKey key) {
  std::string date;
  AccountKey account = 0;
  {
    Query q(data.db(), FormatSql("SELECT Account, TransactionDate FROM Transactions WHERE ID = %d", {key}));
    if (!q.hasRow()) return Money();
    account = q.int32(0);
    date = q.text(1);
  }
  const OpeningBalance opening = OpeningBalanceBefore(data, account, date).value_or(OpeningBalance{});
  const bool asset = AccountIsAsset(data, account);
  // The rows of the month up to this one (on its own date, those with a key
  // up to its key), summed in SQLite rather than read one by one. The casts
  // read amounts and flags as the record layer does (NULL or empty is 0).
  Query q(data.db(),
          FormatSql("SELECT SUM(CAST(Amount AS INTEGER)) FROM Transactions WHERE Account = %d AND Deleted = 0 AND "
                    "TransactionDate >= DATE('%Q') AND TransactionDate <= DATE('%Q') AND "
                    "IFNULL(CAST(Void AS INTEGER), 0) = 0 AND (substr(TransactionDate, 1, 10) != '%Q' OR ID <= %d)",
                    {account, MonthStart(date), date, date.substr(0, 10), key}));
  const Money sum(q.hasRow() ? q.int64(0) : 0);
  return opening.balance + (asset ? sum : -sum);
}

bool TransactionMatchesText(DataContext& data, TransactionKey key, std::string_view text) {
  const auto row = LoadTransaction(data.db(), key);
  if (!row || row->deleted) return false;
  const std::string needle = store::LowerText(text);
  if (store::LowerText(row->number).find(needle) != std::string::npos) return true;
  if (store::LowerText(TransactionPayeeText(data, *row)).find(needle) != std::string::npos) return true;
  if (store::LowerText(row->note).find(needle) != std::string::npos) return true;
  const Money magnitude(std::llabs(row->amount.minorUnits()));
  const std::string typed(text);
  return store::FormatMoney(data.regional(), magnitude).find(typed) != std::string::npos ||
         store::FormatMoneyPlain(data.regional(), magnitude).find(typed) != std::string::npos;
}

// MIN/MAX(DATE(TransactionDate)) would read every row of the account; the
// stored "YYYY-MM-DD" text sorts as the dates do, so the first row in index
// order gives the same answer.
std::string FirstTransactionDate(DataContext& data, AccountKey account) {
  return store::QueryFirstText(
      data.db(), FormatSql("SELECT DATE(TransactionDate) from Transactions where Account = %d AND Deleted = 0 "
                           "ORDER BY TransactionDate LIMIT 1",
                           {account}));
}

std::string LastTransactionDate(DataContext& data, AccountKey account) {
  return store::QueryFirstText(
      data.db(), FormatSql("SELECT DATE(TransactionDate) from Transactions where Account = %d AND Deleted = 0 "
                           "ORDER BY TransactionDate DESC LIMIT 1",
                           {account}));
}

std::optional<TransactionKey> LastTransactionOnOrBefore(DataContext& data, AccountKey account,
                                                        const std::string& date) {
  const std::string key = store::QueryFirstText(
      data.db(), FormatSql("SELECT MAX(ID) from Transactions where TransactionDate in (SELECT MAX(TransactionDate) "
                           "FROM Transactions where Account = %d and TransactionDate <= DATE('%Q') AND Deleted = 0) "
                           "AND Account = %d AND Deleted = 0",
                           {account, date, account}));
  if (key.empty()) return std::nullopt;
  return store::ParseInt32Prefix(key);
}

std::vector<SplitLine> LiveSplitLines(DataContext& data, TransactionKey parent) {
  std::vector<SplitLine> lines;
  for (Query q(data.db(), FormatSql("SELECT ID, Amount, Category, Note FROM SplitTransactions where TransactionID = "
                                    "%d AND Deleted != 1 ORDER BY ID",
                                    {parent}));
       q.hasRow(); q.next()) {
    lines.push_back({q.int32(0), parent, Money(q.int64(1)), q.int32(2), q.text(3)});
  }
  return lines;
}

std::optional<SplitLineKey> SplitLineAdd(DataContext& data, const SplitLine& line) {
  Table table(data.db(), "SplitTransactions");
  Record r;
  NewRecord(table, r);
  r.SetInt("TransactionID", line.parent);
  r.SetInt64("Amount", line.amount.minorUnits());
  r.SetInt("Category", line.category);
  r.SetText("Note", line.note);
  r.SetFlag("Deleted", false);
  const std::string key = r.key();
  if (!store::SaveRecord(r) || key.empty()) return std::nullopt;
  return store::ParseInt32Prefix(key);
}

bool SplitLineUpdate(DataContext& data, const SplitLine& line) {
  Table table(data.db(), "SplitTransactions");
  Record r;
  if (!LoadRecord(table, r, KeyText(line.key))) return false;
  r.SetInt("TransactionID", line.parent);
  r.SetInt64("Amount", line.amount.minorUnits());
  r.SetInt("Category", line.category);
  r.SetText("Note", line.note);
  r.SetFlag("Deleted", false);
  return store::SaveRecord(r);
}

bool SplitLineDelete(DataContext& data, SplitLineKey key) {
  Table table(data.db(), "SplitTransactions");
  Record r;
  if (!LoadRecord(table, r, KeyText(key))) return false;
  r.SetFlag("Deleted", true);
  return store::SaveRecord(r);
}

std::vector<CategoryAmount> CategoryAmounts(store::Db& db, const TransactionRow& row) {
  std::vector<CategoryAmount> parts;
  if (!row.split) {
    parts.push_back({row.category, row.amount});
    return parts;
  }
  for (Query q(db, FormatSql("SELECT ID, Amount, Category FROM SplitTransactions where TransactionID = %d AND "
                             "Deleted != 1",
                             {row.key}));
       q.hasRow(); q.next()) {
    parts.push_back({q.int32(2), Money(q.int64(1))});
  }
  return parts;
}

bool CountsInCategoryTotals(const TransactionRow& row, bool includeTransfers) {
  if (row.isVoid) return false;
  return includeTransfers || !row.isTransfer();
}

std::string MonthlyBudgetOverrun(DataContext& data, std::optional<TransactionKey> rowKey, AccountKey account,
                                 CategoryKey category, Money spending) {
  const std::string today = TodayText(data);
  Money total;
  {
    TransactionRange range(data.db(), account, -1, MonthStart(today), today, true);
    TransactionRow row;
    while (range.next(row)) {
      // The row being entered counts with its new amount, once, below.
      if (rowKey && row.key == *rowKey) continue;
      if (row.type == static_cast<int>(TransactionType::Deposit) || !CountsInCategoryTotals(row, false)) continue;
      for (const CategoryAmount& part : CategoryAmounts(data.db(), row)) {
        if (part.category == category) total -= part.amount;
      }
    }
  }
  total += spending;

  struct Budget {
    int key;
    std::string name;
  };
  std::vector<Budget> budgets;
  for (Query q(data.db(), "SELECT ID, BudgetName FROM Budgets WHERE Deleted = 0 AND OverBudgetWarning = 1 ORDER BY ID");
       q.hasRow(); q.next()) {
    budgets.push_back({q.int32(0), q.string(1)});
  }
  std::string list;
  for (const Budget& budget : budgets) {
    Query count(data.db(), FormatSql("SELECT count(*) as Count FROM BudgetCategories WHERE BudgetID = %d AND "
                                     "CategoryID = %d",
                                     {budget.key, category}));
    if (count.int64(0) <= 0) continue;
    Query amount(data.db(), FormatSql("SELECT Amount FROM BudgetCategories WHERE BudgetID = %d AND CategoryID = %d",
                                      {budget.key, category}));
    const Money limit(amount.int64(0));
    if (limit.minorUnits() != 0 && limit < total) {
      if (!list.empty()) list += ", ";
      list += "\"" + budget.name + "\"";
    }
  }
  return list;
}

}  // namespace tallyvane::ledger
