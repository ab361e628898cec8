// The account register: its period choices, its rows with running balances
// (optionally with split lines in place of their parents), and its commands
// (delete, void, cleared tick, unreconcile, category cell, find).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ledger/keys.h"
#include "ledger/transactions.h"
#include "store/data_context.h"
#include "store/ports.h"
#include "store/status.h"

namespace tallyvane::ledger {

using store::Status;

inline constexpr std::array<std::string_view, 12> kRegisterPeriods = {
    "All",        "Custom Period", "Today",        "Yesterday",    "This Week", "Last Week",
    "This Month", "Last Month",    "This Quarter", "Last Quarter", "This Year", "Last Year"};

struct DateSpan {
  std::string from;
  std::string to;
};
// The dates a register period choice sets; nullopt for "Custom Period" or an
// unknown name.
[[nodiscard]] std::optional<DateSpan> RegisterPeriod(DataContext& data, std::string_view choice, AccountKey account);

struct RegisterRow {
  TransactionRow row;
  std::optional<SplitLineKey> splitLine;  // set on a split line shown in place of its parent
  std::string payeeText;
  std::string categoryText;
  std::string note;
  std::optional<Money> payment;  // shown positive
  std::optional<Money> deposit;
  Money balance;
};
[[nodiscard]] std::vector<RegisterRow> RegisterRows(DataContext& data, AccountKey account, const std::string& from,
                                                   const std::string& to, bool showSplits);
// "Payment" for an asset account, "Charge" otherwise.
[[nodiscard]] std::string PaymentColumnTitle(DataContext& data, AccountKey account);

[[nodiscard]] Status RegisterDelete(DataContext& data, const std::vector<TransactionKey>& rows,
                                    store::Prompter& prompter);
[[nodiscard]] Status RegisterVoid(DataContext& data, const std::vector<TransactionKey>& rows, store::Prompter& prompter);
[[nodiscard]] Status RegisterUnreconcile(DataContext& data, TransactionKey row, store::Prompter& prompter);
// The row the edit form opens for, or nullopt when the register refuses to
// open it (reconciled or a balancing entry).
// One rule for a reconciled row, whichever way the register would change it
// (the edit form, the category cell, delete): it is not changed; only
// unreconcile opens it again.
[[nodiscard]] bool RegisterRowChangeable(const TransactionRow& row);
[[nodiscard]] std::optional<TransactionKey> RegisterEditTarget(DataContext& data, TransactionKey row);
// The category cell: sets the category by name and runs the over-budget test.
[[nodiscard]] Status RegisterSetCategory(DataContext& data, TransactionKey row, std::string_view category,
                                         std::string_view subcategory, store::Prompter& prompter);

// The register's find: the first row after `after` (from the top when unset)
// whose text matches.
struct RegisterFindResult {
  std::optional<TransactionKey> key;
  Status status;
};
[[nodiscard]] RegisterFindResult RegisterFind(DataContext& data, const std::vector<RegisterRow>& rows,
                                              std::string_view text, std::optional<TransactionKey> after);

}  // namespace tallyvane::ledger
