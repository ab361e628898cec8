// Accounts: their rows and operations, the account form (opening values and
// save checks in order), and the account list's delete and find. Connection
// data lives in the secure storage; the account number is shown masked.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ledger/categories.h"
#include "ledger/keys.h"
#include "ledger/search.h"
#include "store/data_context.h"
#include "store/money.h"
#include "store/ports.h"
#include "store/record.h"
#include "store/secure.h"
#include "store/settings.h"
#include "store/status.h"

namespace tallyvane::ledger {

using store::DataContext;
using store::Money;
using store::Status;

inline constexpr int kInvestmentAccountType = 4;

struct AccountValues {
  std::string name;
  std::string description;
  Money starting;
  Money current;
  int32_t checkNumber = 0;
  std::string notes;
  int32_t type = 1;
  std::string lastRetrieved;
  int32_t onlineAccess = 2;  // 1 enabled, 2 disabled
  store::AccountSecrets secrets;
};

[[nodiscard]] std::optional<AccountKey> AddAccount(DataContext& data, const AccountValues& values);
bool EditAccount(DataContext& data, AccountKey key, const AccountValues& values);
bool DeleteAccount(DataContext& data, AccountKey key);
[[nodiscard]] bool LoadActiveAccount(DataContext& data, AccountKey key, store::Record& record,
                                     bool includeDeleted = false);
// A live account's stored values as the front ends show them (the secure
// connection values are not read). `values.onlineAccess` is the stored flag
// as it stands (0 when unset).
struct StoredAccount {
  AccountValues values;
  std::string lastReconciled;  // as stored: "0" or empty when never
  [[nodiscard]] bool everReconciled() const { return !lastReconciled.empty() && lastReconciled != "0"; }
};
[[nodiscard]] std::optional<StoredAccount> LoadStoredAccount(DataContext& data, AccountKey key);
[[nodiscard]] std::optional<AccountKey> FindAccountByName(DataContext& data, std::string_view name);
// Live transactions of the account; -1 when the query yields nothing.
[[nodiscard]] int64_t CountAccountTransactions(DataContext& data, AccountKey key);
[[nodiscard]] bool IsAssetAccount(DataContext& data, AccountKey key);
[[nodiscard]] bool IsInvestmentAccount(DataContext& data, AccountKey key);
bool ClearOnlineAccess(DataContext& data, AccountKey key);
[[nodiscard]] bool AccountMatchesText(DataContext& data, AccountKey key, std::string_view text);
void RecomputeLastReconciled(DataContext& data, AccountKey key);
// Every character more than four from the end becomes "*".
[[nodiscard]] std::string MaskAccountNumber(std::string_view number);

struct AccountTypeChoice {
  int32_t key = 0;
  std::string name;
  bool asset = true;
};
[[nodiscard]] std::vector<AccountTypeChoice> AccountTypeChoices(DataContext& data);

// What the account form shows when it opens.
struct AccountFormView {
  std::string title;  // "Add Account" / "Edit Account"
  std::vector<AccountTypeChoice> types;
  int32_t type = 1;
  std::string name;
  std::string description;
  std::string startingText;
  std::string currentText;
  std::string checkNumber;
  std::string notes;
  std::string lastImport;  // date text
  bool online = false;
  std::string institution = "0";
  std::string routingNumber;
  std::string maskedNumber;
  std::string userId;
  std::string password;
  bool promptPassword = true;
  std::optional<Status> securityWarning;
};
[[nodiscard]] std::optional<AccountFormView> OpenAccountForm(DataContext& data, std::optional<AccountKey> key,
                                                             int32_t requestedType = 1);

// The current balance the account form shows while its starting balance is
// typed: the balance it opened with, moved by the same step as the starting
// balance (every later balance counts the starting balance once). While the
// text is not an amount the opened balance stays shown.
[[nodiscard]] std::string CurrentBalanceText(const store::RegionalSettings& regional, const AccountFormView& opened,
                                             std::string_view startingText);

// The account form's fields as the user leaves them.
struct AccountForm {
  std::optional<AccountKey> key;  // editing when set
  int32_t type = 1;
  std::string name;
  std::string description;
  std::string startingText = "0";
  std::string checkNumber;
  bool online = false;
  std::string institution = "0";
  std::string routingNumber;
  std::string accountNumber;  // new text, or the masked display to keep the stored number
  std::string userId;
  std::string password;
  bool promptPassword = false;
  std::string lastImport;  // date text
  std::string notes;
};
// Checks in order, saves, then brings the current balance up to date.
[[nodiscard]] Status SaveAccountForm(DataContext& data, store::Settings& settings, const AccountForm& form,
                                     AccountKey* saved = nullptr);

// The account list's delete, with its at-least-one rule and question.
[[nodiscard]] Status DeleteAccountsFromList(DataContext& data, const std::vector<AccountKey>& keys,
                                            store::Prompter& prompter, store::Progress& progress);

struct AccountListLine {
  AccountKey key = 0;
  std::string name;
  std::string typeName;
  std::string maskedNumber;
};
[[nodiscard]] std::vector<AccountListLine> AccountListLines(DataContext& data);

// Find and find next in the account list.
class AccountSearch {
 public:
  using Result = ListSearch::Result;
  Result find(DataContext& data, std::string_view text);
  Result findNext(DataContext& data);

 private:
  ListSearch search_{"Find the Account",
                     "The string \"%s\" cannot be found in Account Names, Account Numbers or Financial Institutions.",
                     "No more accounts matching \"%s\" could be found."};
};

}  // namespace tallyvane::ledger
