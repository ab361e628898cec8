#include "ledger/accounts.h"

#include <cstdlib>

#include "ledger/balances.h"
#include "ledger/transactions.h"
#include "store/dates.h"
#include "store/text.h"

namespace tallyvane::ledger {

using store::FormatSql;
using store::Query;
using store::Record;
using store::Table;
using store::WriteGuard;

namespace {

// Written over the online password of a deleted account (19 characters; the
// backslash marks it as no real value).
constexpr std::string_view kDeletedPasswordPlaceholder = "\\Deleted-Account-00";

bool WriteAccountColumns(Record& r, const AccountValues& v) {
  r.SetText("AcctName", v.name);
  r.SetProtected("AcctDescription", v.description);
  r.SetInt64("AcctStartingBal", v.starting.minorUnits());
  r.SetInt64("AcctCurrentBal", v.current.minorUnits());
  r.SetInt("AcctCurrentCheckNum", v.checkNumber);
  r.SetProtected("AcctNotes", v.notes);
  r.SetInt("AcctType", v.type);
  r.SetText("LastRetrieved", v.lastRetrieved);
  r.SetInt("EnableOnlineAccess", v.onlineAccess);
  return true;
}

bool IsDigits(std::string_view text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

bool LoadActiveAccount(DataContext& data, AccountKey key, Record& record, bool includeDeleted) {
  Table table(data.db(), "Accounts");
  return store::LoadActiveRecord(table, record, KeyText(key), includeDeleted, true);
}

std::optional<StoredAccount> LoadStoredAccount(DataContext& data, AccountKey key) {
  Record r;
  if (!LoadActiveAccount(data, key, r)) return std::nullopt;
  StoredAccount stored;
  stored.values.name = r.GetText("AcctName");
  stored.values.description = r.GetProtected("AcctDescription");
  stored.values.notes = r.GetProtected("AcctNotes");
  stored.values.starting = Money(r.GetInt64("AcctStartingBal"));
  stored.values.current = Money(r.GetInt64("AcctCurrentBal"));
  stored.values.checkNumber = r.GetInt("AcctCurrentCheckNum");
  stored.values.type = r.GetInt("AcctType");
  stored.values.lastRetrieved = r.GetText("LastRetrieved");
  stored.values.onlineAccess = r.GetInt("EnableOnlineAccess");
  stored.lastReconciled = r.GetText("LastReconciled");
  store::ReleaseRecord(r);
  return stored;
}

std::optional<AccountKey> AddAccount(DataContext& data, const AccountValues& values) {
  WriteGuard guard(data.db());
  Table table(data.db(), "Accounts");
  Record r;
  NewRecord(table, r);
  WriteAccountColumns(r, values);
  r.SetFlag("Deleted", false);
  r.SetText("LastReconciled", "0");
  const std::string key = r.key();
  if (!store::SaveRecord(r) || key.empty()) return std::nullopt;
  // The row first, then its secure values: they are keyed by what was saved.
  if (!store::writeAccountSecrets(data.db(), key, values.secrets)) return std::nullopt;
  if (!guard.commit()) return std::nullopt;
  return store::ParseInt32Prefix(key);
}

bool EditAccount(DataContext& data, AccountKey key, const AccountValues& values) {
  WriteGuard guard(data.db());
  Record r;
  if (!LoadActiveAccount(data, key, r)) return false;
  const bool startingChanged = r.GetInt64("AcctStartingBal") != values.starting.minorUnits();
  WriteAccountColumns(r, values);
  if (!store::SaveRecord(r)) return false;
  store::ReleaseRecord(r);
  if (!store::writeAccountSecrets(data.db(), KeyText(key), values.secrets)) return false;
  if (startingChanged) {
    const std::string first = FirstTransactionDate(data, key);
    if (!first.empty()) RecomputeMonthlyBalances(data, key, first);
  }
  return guard.commit().ok;
}

bool DeleteAccount(DataContext& data, AccountKey key) {
  WriteGuard guard(data.db());
  Record r;
  if (!LoadActiveAccount(data, key, r)) return false;
  r.SetFlag("Deleted", true);
  for (const char* column : {"AcctDescription", "AcctNotes", "AcctNumber", "AcctUserID", "FinancialInstitution",
                             "RoutingNumber"}) {
    r.SetProtected(column, "");
  }
  r.SetInt64("AcctCurrentBal", 0);
  r.SetInt64("AcctStartingBal", 0);
  r.SetProtectedBare("AcctUserPass", kDeletedPasswordPlaceholder);
  store::removeAccountSecrets(data.db(), KeyText(key));

  {
    // One recomputation per touched account, however many rows go.
    RebalanceBatch batch(data);
    // Plain rows (no partner, no split lines, no balancing entry, not
    // reconciled) need nothing but the flag: retire them in one statement,
    // which is what deleting them one by one would do.
    const std::string plain = FormatSql(
        "Account = %d AND Deleted = 0 AND IFNULL(CAST(Reconciled AS INTEGER), 0) = 0 AND "
        "IFNULL(CAST(ReferencedAccount AS INTEGER), 0) = 0 AND IFNULL(CAST(SplitTransaction AS INTEGER), 0) = 0 AND "
        "IFNULL(Note, '') != '%Q'",
        {key, kBalancingEntryNote});
    const std::string earliest =
        store::QueryFirstText(data.db(), FormatSql("SELECT DATE(TransactionDate) FROM Transactions WHERE %s ORDER BY "
                                                   "TransactionDate LIMIT 1",
                                                   {plain}));
    if (!earliest.empty()) {
      store::Execute(data.db(), "UPDATE Transactions SET Deleted = '1' WHERE %s", {plain});
      Rebalance(data, key, earliest);
    }
    std::vector<TransactionKey> rows;
    for (Query q(data.db(), FormatSql("SELECT ID FROM Transactions WHERE Account = %d AND Deleted = 0 ORDER BY ID", {key}));
         q.hasRow(); q.next()) {
      rows.push_back(q.int32(0));
    }
    // Reconciled rows are refused and stay; the rest go with their partners.
    for (TransactionKey row : rows) DeleteTransaction(data, row);
  }
  store::Execute(data.db(), "UPDATE ScheduledTransactions SET Deleted = '1' WHERE Account = %d AND Deleted = 0", {key});
  std::vector<int> budgets;
  for (Query q(data.db(), FormatSql("SELECT BudgetID FROM BudgetAccounts WHERE AccountID = %d", {key})); q.hasRow();
       q.next()) {
    budgets.push_back(q.int32(0));
  }
  for (int budget : budgets) {
    store::Execute(data.db(), "DELETE FROM BudgetAccounts WHERE BudgetID = %d AND AccountID = %d", {budget, key});
  }
  store::ReleaseRecord(r);
  return guard.commit().ok;
}

std::optional<AccountKey> FindAccountByName(DataContext& data, std::string_view name) {
  const auto found =
      store::FindDuplicateName(data.db(), "SELECT ID FROM Accounts WHERE AcctName = '%s' AND Deleted = 0", name);
  if (!found) return std::nullopt;
  return store::ParseInt32Prefix(*found);
}

int64_t CountAccountTransactions(DataContext& data, AccountKey key) {
  Query q(data.db(), FormatSql("SELECT COUNT(*) AS Cnt FROM Transactions WHERE Account = %s AND Deleted = 0", {KeyText(key)}));
  return q.hasRow() ? q.int64(0) : -1;
}

bool IsAssetAccount(DataContext& data, AccountKey key) {
  Record account;
  if (!LoadActiveAccount(data, key, account)) return false;
  int type = account.GetInt("AcctType");
  if (type == 0) type = 1;
  Table types(data.db(), "AccountTypes");
  Record t;
  if (!LoadRecord(types, t, KeyText(type))) return true;
  return t.GetFlag("Asset", true);
}

bool IsInvestmentAccount(DataContext& data, AccountKey key) {
  Record account;
  return LoadActiveAccount(data, key, account) && account.GetInt("AcctType") == kInvestmentAccountType;
}

bool ClearOnlineAccess(DataContext& data, AccountKey key) {
  WriteGuard guard(data.db());
  Record r;
  if (!LoadActiveAccount(data, key, r)) return false;
  r.SetProtected("FinancialInstitution", "0");
  r.SetInt("EnableOnlineAccess", 2);
  store::ReleaseRecord(r);
  store::removeAccountSecrets(data.db(), KeyText(key));
  return guard.commit().ok;
}

bool AccountMatchesText(DataContext& data, AccountKey key, std::string_view text) {
  Record r;
  if (!LoadActiveAccount(data, key, r)) return false;
  const std::string needle = store::LowerText(text);
  if (store::LowerText(r.GetText("AcctName")).find(needle) != std::string::npos) return true;
  // The Accounts columns hold decoys once the secure storage is in use, so the
  // connection data is searched where it really lives.
  const store::SecretsRead secrets = store::readAccountSecrets(data.db(), KeyText(key));
  const std::string& institution = secrets.values.institution;
  if (!institution.empty() && institution != "0") {
    Table table(data.db(), "FinancialInstitutions");
    Record fi;
    if (LoadRecord(table, fi, institution) &&
        store::LowerText(fi.GetProtected("FIName")).find(needle) != std::string::npos) {
      return true;
    }
  }
  return !secrets.values.accountNumber.empty() &&
         store::LowerText(secrets.values.accountNumber).find(needle) != std::string::npos;
}

void RecomputeLastReconciled(DataContext& data, AccountKey key) {
  std::string last = store::QueryFirstText(
      data.db(), FormatSql("SELECT MAX(DATE(TransactionDate)) FROM Transactions WHERE Account = %s AND Note = '%Q' "
                           "AND Deleted = 0",
                           {KeyText(key), kBalancingEntryNote}));
  if (last.empty()) last = "0";
  Record r;
  if (LoadActiveAccount(data, key, r, true)) r.SetText("LastReconciled", last);
}

std::string MaskAccountNumber(std::string_view number) {
  const std::u32string chars = store::DecodeUtf8(number);
  std::u32string masked = chars;
  for (std::size_t i = 0; i + 4 < masked.size(); ++i) masked[i] = U'*';
  return store::EncodeUtf8(masked);
}

std::vector<AccountTypeChoice> AccountTypeChoices(DataContext& data) {
  std::vector<AccountTypeChoice> types;
  for (Query q(data.db(), "SELECT ID, AccountTypeName, Asset FROM AccountTypes ORDER BY ID"); q.hasRow(); q.next()) {
    types.push_back({q.int32(0), q.text(1), q.int32(2, 1) != 0});
  }
  return types;
}

std::string CurrentBalanceText(const store::RegionalSettings& regional, const AccountFormView& opened,
                               std::string_view startingText) {
  if (!store::IsValidMoneyText(regional, startingText) || !store::IsValidMoneyText(regional, opened.startingText) ||
      !store::IsValidMoneyText(regional, opened.currentText)) {
    return opened.currentText;
  }
  const Money step = store::ParseMoney(regional, startingText) - store::ParseMoney(regional, opened.startingText);
  return store::FormatMoney(regional, store::ParseMoney(regional, opened.currentText) + step);
}

std::optional<AccountFormView> OpenAccountForm(DataContext& data, std::optional<AccountKey> key, int32_t requestedType) {
  AccountFormView view;
  const store::RegionalSettings& regional = data.regional();
  const auto allTypes = AccountTypeChoices(data);
  if (!key) {
    view.title = "Add Account";
    view.types = allTypes;
    view.type = requestedType;
    view.startingText = store::FormatMoney(regional, Money());
    view.currentText = view.startingText;
    view.lastImport = store::DateText(store::AddMonths(data.now(), -1));
    view.online = false;
    view.promptPassword = true;
    return view;
  }
  Record r;
  if (!LoadActiveAccount(data, *key, r)) return std::nullopt;
  view.title = "Edit Account";
  view.type = r.GetInt("AcctType");
  const bool investment = view.type == kInvestmentAccountType;
  for (const AccountTypeChoice& type : allTypes) {
    if ((type.key == kInvestmentAccountType) == investment) view.types.push_back(type);
  }
  view.name = r.GetText("AcctName");
  view.description = r.GetProtected("AcctDescription");
  view.notes = r.GetProtected("AcctNotes");
  const Money starting(r.GetInt64("AcctStartingBal"));
  view.startingText = store::FormatMoney(regional, starting);
  view.checkNumber = std::to_string(r.GetInt("AcctCurrentCheckNum"));
  view.lastImport = r.GetText("LastRetrieved");
  const int online = r.GetInt("EnableOnlineAccess");
  store::ReleaseRecord(r);
  view.currentText = store::FormatMoney(regional, AccountBalanceNow(data, *key));

  const store::SecretsRead secrets = store::readAccountSecrets(data.db(), KeyText(*key));
  if (!secrets.ok) {
    view.securityWarning = Status::Fail(
        "Error reading online access connection data. We recommend scanning your computer for malware and disk "
        "errors.\nPlease review and save your account online access data.",
        "Security warning");
  }
  view.institution = secrets.values.institution.empty() ? "0" : secrets.values.institution;
  const bool hasInstitution = view.institution != "0";
  if (hasInstitution) {
    view.routingNumber = secrets.values.routingNumber;
    view.maskedNumber = MaskAccountNumber(secrets.values.accountNumber);
    view.userId = secrets.values.userId;
    view.password = secrets.values.password;
  }
  view.promptPassword = !secrets.values.userId.empty() && secrets.values.password.empty();
  view.online = online == 1 || (online == 0 && hasInstitution && !secrets.values.accountNumber.empty());
  return view;
}

Status SaveAccountForm(DataContext& data, store::Settings& settings, const AccountForm& form, AccountKey* saved) {
  const store::RegionalSettings& regional = data.regional();
  if (IsBlank(form.name)) {
    return Status::Fail("Please enter a name for this account.", "Account name required", "name");
  }
  if (!store::IsValidMoneyText(regional, form.startingText)) {
    return Status::Fail("Please enter a valid amount for the starting balance.", "", "starting");
  }
  if (!IsDigits(form.checkNumber)) {
    return Status::Fail("Please enter only numbers as the check number.", "", "check_number");
  }
  if (form.checkNumber.size() > 6) {
    return Status::Fail("Check number should contain no more than six numbers.", "", "check_number");
  }
  if (!form.lastImport.empty() && form.lastImport > store::DateText(data.now())) {
    return Status::Fail("Last import date needs to be prior to the current date.", "Last Import Date", "last_import");
  }
  store::SecretsRead stored;
  if (form.key) stored = store::readAccountSecrets(data.db(), KeyText(*form.key));
  std::string accountNumber = form.accountNumber;
  if (accountNumber.find('*') != std::string::npos) {
    if (accountNumber != MaskAccountNumber(stored.values.accountNumber)) {
      return Status::Fail("Please enter a valid account number.", "", "number");
    }
    accountNumber = stored.values.accountNumber;
  }
  const std::string name = form.name;
  if (const auto existing = FindAccountByName(data, name); existing && (!form.key || *existing != *form.key)) {
    return Status::Fail("Another account name with the same name already exists. Please enter a different name.",
                        "Account name exists", "name");
  }

  AccountValues values;
  values.name = name;
  values.description = form.description;
  values.starting = store::ParseMoney(regional, form.startingText);
  values.current = values.starting;
  if (form.key) {
    Record r;
    if (LoadActiveAccount(data, *form.key, r)) {
      // The shown current balance moves with the starting balance.
      const Money oldStarting(r.GetInt64("AcctStartingBal"));
      store::ReleaseRecord(r);
      values.current = AccountBalanceNow(data, *form.key) + (values.starting - oldStarting);
    }
  }
  values.checkNumber = store::ParseInt32Prefix(form.checkNumber);
  values.notes = form.notes;
  values.type = form.type;
  values.lastRetrieved = form.lastImport;
  values.onlineAccess = form.online ? 1 : 2;
  values.secrets.institution = form.institution.empty() ? "0" : form.institution;
  values.secrets.routingNumber = form.routingNumber;
  values.secrets.accountNumber = accountNumber;
  values.secrets.userId = form.userId;
  values.secrets.password = form.promptPassword ? std::string{} : form.password;

  WriteGuard guard(data.db());
  AccountKey key = 0;
  if (form.key) {
    if (!EditAccount(data, *form.key, values)) {
      return Status::FileError(store::WriteFailureMessage(data.db().lastError()));
    }
    key = *form.key;
  } else {
    const auto added = AddAccount(data, values);
    if (!added) return Status::FileError(store::WriteFailureMessage(data.db().lastError()));
    key = *added;
  }
  UpdateCurrentBalance(data, key);
  if (Status committed = guard.commit(); !committed) return committed;
  settings.writeString("Settings", "BubbleTipSetupAccount", "0");
  if (saved) *saved = key;
  return Status::Ok();
}

Status DeleteAccountsFromList(DataContext& data, const std::vector<AccountKey>& keys, store::Prompter& prompter,
                              store::Progress& progress) {
  const std::string active = store::QueryFirstText(data.db(), "SELECT COUNT(*) FROM Accounts WHERE Deleted = 0");
  if (static_cast<int64_t>(keys.size()) >= store::ParseInt64Prefix(active)) {
    prompter.message("Tallyvane requires one active account", "Tallyvane requires at least one account.",
                     store::Icon::Error);
    return Status::Fail("Tallyvane requires at least one account.", "Tallyvane requires one active account");
  }
  bool transactions = false;
  bool budgets = false;
  for (AccountKey key : keys) {
    transactions = transactions || CountAccountTransactions(data, key) > 0;
    budgets = budgets || store::ParseInt64Prefix(store::QueryFirstText(
                             data.db(), FormatSql("SELECT count(*) as Count FROM BudgetAccounts WHERE AccountID = %d",
                                                  {key}))) > 0;
  }
  std::string extra;
  if (transactions && budgets) {
    extra = "\r\n\r\nDeleting the selected accounts will delete all associated transactions and remove these accounts "
            "from associated budgets.";
  } else if (transactions) {
    extra = "\r\n\r\nDeleting the selected accounts will delete all associated transactions.";
  } else if (budgets) {
    extra = "\r\n\r\nDeleting the selected accounts will remove them from associated budgets.";
  }
  if (prompter.ask("Delete Accounts",
                   FormatSql("Are you sure that you would like to delete the selected accounts?%s", {extra}),
                   {"Delete", "Cancel"}) != 0) {
    return Status::Declined();
  }
  progress.setTitle("Deleting Accounts");
  WriteGuard guard(data.db());
  long long done = 0;
  for (AccountKey key : keys) {
    DeleteAccount(data, key);
    progress.setFraction(++done, static_cast<long long>(keys.size()));
  }
  return guard.commit();
}

std::vector<AccountListLine> AccountListLines(DataContext& data) {
  std::vector<AccountListLine> lines;
  for (Query q(data.db(), "SELECT a.ID, a.AcctName, t.AccountTypeName FROM Accounts a LEFT JOIN AccountTypes t ON "
                          "t.ID = a.AcctType WHERE a.Deleted = 0 ORDER BY a.ID");
       q.hasRow(); q.next()) {
    lines.push_back({q.int32(0), q.text(1), q.text(2), {}});
  }
  for (AccountListLine& line : lines) {
    line.maskedNumber = MaskAccountNumber(store::readAccountSecrets(data.db(), KeyText(line.key)).values.accountNumber);
  }
  return lines;
}

namespace {

std::vector<int32_t> AccountKeys(DataContext& data) {
  std::vector<int32_t> keys;
  for (const AccountListLine& line : AccountListLines(data)) keys.push_back(line.key);
  return keys;
}

}  // namespace

AccountSearch::Result AccountSearch::find(DataContext& data, std::string_view text) {
  return search_.find(text, AccountKeys(data), [&](int32_t key, const std::string& t) { return AccountMatchesText(data, key, t); });
}

AccountSearch::Result AccountSearch::findNext(DataContext& data) {
  return search_.findNext(AccountKeys(data), [&](int32_t key, const std::string& t) { return AccountMatchesText(data, key, t); });
}

}  // namespace tallyvane::ledger
