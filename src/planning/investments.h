// Investment accounts: their actions on securities (one Investments row each),
// the sign rule that turns typed magnitudes into stored values, the investment
// register with its running figures, the account's value on the accounts
// panel, search, and the investment form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "planning/keys.h"
#include "store/data_context.h"
#include "store/money.h"
#include "store/ports.h"
#include "store/record.h"
#include "store/status.h"

namespace tallyvane::planning {

using store::DataContext;
using store::Money;
using store::Status;

// InvestmentType of Investments and ActionType of ScheduledInvestments, in
// list order.
enum class InvestmentAction : int {
  Buy = 0,
  Sell = 1,
  Dividend = 2,
  Income = 3,
  MiscExpense = 4,
  Deposit = 5,
  Withdraw = 6,
};
[[nodiscard]] std::string_view InvestmentActionLabel(InvestmentAction action);
[[nodiscard]] std::string_view InvestmentActionLabel(int action);
[[nodiscard]] std::optional<InvestmentAction> InvestmentActionFromLabel(std::string_view label);

// NumberOfShares and Shares are 32-bit integer columns.
inline constexpr int64_t kShareCountLimit = 2147483647;

struct InvestmentAmounts {
  int64_t shares = 0;
  Money price;
  Money commission;
  Money total;
};
// shares x price + commission, or nullopt when it does not fit 64 bits.
[[nodiscard]] std::optional<Money> ComputeInvestmentTotal(int64_t shares, Money price, Money commission);
// The stored values of an action from what the user typed: a zero total is
// computed from the typed magnitudes first, then the action's signs apply to
// typed and computed values alike. nullopt when the computed total does not fit.
[[nodiscard]] std::optional<InvestmentAmounts> ApplyInvestmentSigns(InvestmentAction action, InvestmentAmounts typed);

// A row of Investments, read by column position.
struct InvestmentRow {
  InvestmentKey key = 0;
  AccountKey account = 0;
  Money amount;
  std::string note;
  std::string date;
  bool cleared = false;
  int type = 0;
  SecurityKey security = 0;
  int64_t shares = 0;
  Money price;
  Money commission;
  Money total;
  bool deleted = false;
};
[[nodiscard]] std::optional<InvestmentRow> LoadInvestment(DataContext& data, InvestmentKey key);

// What AddInvestment and EditInvestment write (signs already applied).
struct InvestmentFields {
  AccountKey account = 0;
  std::string note;
  std::string date;
  InvestmentAction action = InvestmentAction::Buy;
  SecurityKey security = 0;
  int64_t shares = 0;  // within kShareCountLimit
  Money price;
  Money commission;
  Money total;
};
[[nodiscard]] std::optional<InvestmentKey> AddInvestment(DataContext& data, const InvestmentFields& fields);
bool EditInvestment(DataContext& data, InvestmentKey key, const InvestmentFields& fields, bool cleared);
bool DeleteInvestment(DataContext& data, InvestmentKey key);
// Uses the live security of that name, creating it (no symbol, price 0) when
// missing. `created` tells whether it was made.
bool SetInvestmentSecurityByName(DataContext& data, InvestmentKey key, std::string_view name,
                                 bool* created = nullptr);

// Live rows of an account between two dates, by date then key.
class InvestmentRange {
 public:
  InvestmentRange(store::Db& db, AccountKey account, const std::string& from, const std::string& to);
  bool next(InvestmentRow& row);

 private:
  store::Query query_;
  bool first_ = true;
};

[[nodiscard]] std::string FirstInvestmentDate(DataContext& data, AccountKey account);
[[nodiscard]] std::string LastInvestmentDate(DataContext& data, AccountKey account);

// AcctStartingBal less the TotalCost of every live row from 1980-01-01
// through `date`.
[[nodiscard]] Money InvestmentAccountValue(DataContext& data, AccountKey account, const std::string& date);
// The accounts panel's value: through the account's last investment date.
[[nodiscard]] Money InvestmentAccountValue(DataContext& data, AccountKey account);

// The lower-cased text occurs in the row's security name or in its TotalCost
// as money; a missing or deleted row never matches.
[[nodiscard]] bool InvestmentMatchesText(DataContext& data, InvestmentKey key, std::string_view text);

struct InvestmentRegisterRow {
  InvestmentRow row;
  std::string action;
  std::string security;
  std::string note;                      // line feeds removed, carriage returns as blanks
  std::optional<int64_t> sharesRunning;  // on "Buy", "Sell" and "Dividend" rows
  std::optional<Money> value;            // -(shares x price) on "Buy" and "Sell" rows
  Money totalRunning;
};
[[nodiscard]] std::vector<InvestmentRegisterRow> InvestmentRegisterRows(DataContext& data, AccountKey account,
                                                                        const std::string& from, const std::string& to);
[[nodiscard]] Status DeleteInvestmentsFromRegister(DataContext& data, const std::vector<InvestmentKey>& keys,
                                                   store::Prompter& prompter);

struct InvestmentFindResult {
  std::optional<InvestmentKey> key;
  Status status;
};
// The first row after `after` (from the top when unset) that matches.
[[nodiscard]] InvestmentFindResult InvestmentFind(DataContext& data, const std::vector<InvestmentRegisterRow>& rows,
                                                  std::string_view text, std::optional<InvestmentKey> after);

// The investment form's fields as typed.
struct InvestmentForm {
  std::optional<InvestmentKey> key;  // editing when set
  AccountKey account = 0;
  std::string date;
  InvestmentAction action = InvestmentAction::Buy;
  std::string security;  // a name; a new one is created
  std::string note;
  std::string sharesText;
  std::string priceText;
  std::string commissionText;
  std::string totalText;
};
// "Add Investment (%s)" or "Edit Investment (%s)" with the account's name.
[[nodiscard]] std::string InvestmentFormTitle(DataContext& data, const InvestmentForm& form);
[[nodiscard]] InvestmentForm NewInvestmentForm(DataContext& data, AccountKey account);
// The stored row as the user typed it: magnitudes.
[[nodiscard]] std::optional<InvestmentForm> OpenInvestmentForm(DataContext& data, InvestmentKey key);

struct InvestmentEntryResult {
  Status status;
  std::optional<InvestmentKey> key;
};
[[nodiscard]] InvestmentEntryResult EnterInvestment(DataContext& data, const InvestmentForm& form,
                                                    store::Prompter& prompter);

// The investment accounts: live accounts of the investment type, in table order.
[[nodiscard]] std::vector<AccountKey> InvestmentAccounts(DataContext& data);

}  // namespace tallyvane::planning
