// Account balances: the account-kind sign rule, the monthly balance cache
// (one row per account and month holding the balance and the reconciled
// balance at the month's end), its recomputation and batching, and the stored
// current balance of each account.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ledger/keys.h"
#include "store/data_context.h"
#include "store/money.h"

namespace tallyvane::ledger {

using store::DataContext;
using store::Money;

// True for an asset account (amounts add), false otherwise (amounts subtract).
// An account or type row that cannot be loaded counts as not an asset.
[[nodiscard]] bool AccountIsAsset(DataContext& data, AccountKey account);

struct OpeningBalance {
  Money balance;
  Money reconciled;
};
// Balances at the end of the month before `date`'s month; nullopt when the
// account cannot be loaded.
[[nodiscard]] std::optional<OpeningBalance> OpeningBalanceBefore(DataContext& data, AccountKey account,
                                                                 const std::string& date);

void RecomputeMonthlyBalances(DataContext& data, AccountKey account, const std::string& fromDate);

// Recomputes the months from a date's month to the month of `toDate`, and
// moves the later months' cached balances by what that changed, in one
// statement: right when only rows dated within the span changed. Recomputes
// from `fromDate` on whenever the later months are not one cached row each.
void RecomputeMonthlyBalancesBetween(DataContext& data, AccountKey account, const std::string& fromDate,
                                     const std::string& toDate);

// Recomputes now, or notes the pair when a batch is open on this handle:
// every month from the date's on.
void Rebalance(DataContext& data, AccountKey account, const std::string& fromDate);
// The same after a change to rows of one date only (an entry, edit, delete,
// void or flag on that date).
void RebalanceDay(DataContext& data, AccountKey account, const std::string& date);

// Opens a batch unless one is open; returns whether this call opened it (the
// opener ends it).
bool BeginRebalanceBatch(DataContext& data);
void NoteRebalance(DataContext& data, AccountKey account, const std::string& date, const std::string& toDate = {});
void EndRebalanceBatch(DataContext& data);

// Opens a batch for a scope and ends it (once per account) when the scope
// ends, if it was the one that opened it.
class RebalanceBatch {
 public:
  explicit RebalanceBatch(DataContext& data) : data_(data), opened_(BeginRebalanceBatch(data)) {}
  ~RebalanceBatch() { finish(); }
  RebalanceBatch(const RebalanceBatch&) = delete;
  RebalanceBatch& operator=(const RebalanceBatch&) = delete;
  void finish() {
    if (opened_) EndRebalanceBatch(data_);
    opened_ = false;
  }

 private:
  DataContext& data_;
  bool opened_;
};

void UpdateCurrentBalance(DataContext& data, AccountKey account);
void UpdateAllCurrentBalances(DataContext& data);
void RebuildAllMonthlyBalances(DataContext& data);
[[nodiscard]] Money AccountBalanceNow(DataContext& data, AccountKey account);

// The accounts panel beside the account list.
struct PanelAccount {
  AccountKey key = 0;
  std::string name;
  Money balance;
  bool asset = true;
  bool investment = false;
  std::string item;  // "%s: %s"
};
struct AccountsPanel {
  std::vector<PanelAccount> accounts;
  Money assets;
  Money liabilities;
  std::vector<std::string> items;  // the account lines, then "Assets: %s" and "Liabilities: %s"
};
// How an investment account is valued on the panel; the planning module
// passes its own. Without one, the starting balance stands.
using InvestmentValuer = Money (*)(DataContext&, AccountKey);
[[nodiscard]] AccountsPanel AccountTotals(DataContext& data, InvestmentValuer valuer = nullptr);

}  // namespace tallyvane::ledger
