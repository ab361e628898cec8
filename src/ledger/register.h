// The account register: its period choices, its rows with running balances
// (optionally with split lines in place of their parents), and its commands
// (delete, void, cleared tick, unreconcile, category cell, find).
#pragma once

#include <array>
#include <cstdint>
#include <map>
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

// The lines of one register period read a page at a time, in the register's
// order (date, then key; a split parent's lines by their key), so that a
// period of any length costs what is shown: a page's first running balance
// comes from the monthly balance cache plus one sum, and a page is found from
// the nearest page already read (or either end) through the account's index.
class RegisterPages {
 public:
  RegisterPages(DataContext& data, AccountKey account, std::string from, std::string to, bool showSplits);

  // The lines in the period (one COUNT).
  [[nodiscard]] std::int64_t lineCount() const { return count_; }
  // Up to `count` lines from position `first` (0-based).
  [[nodiscard]] std::vector<RegisterRow> lines(std::int64_t first, std::int64_t count);
  // The position of a transaction's first line; nullopt when it is not listed.
  [[nodiscard]] std::optional<std::int64_t> positionOf(TransactionKey key);
  [[nodiscard]] const std::string& from() const { return from_; }
  [[nodiscard]] const std::string& to() const { return to_; }

 private:
  struct LineKey {
    std::string date;  // as stored
    TransactionKey transaction = 0;
    SplitLineKey split = 0;  // 0 on a line that is not a split line
  };
  // The line keys from `below` (at or after it) to `above` (at or before
  // it), each the period's end when unset, in order or reversed; with
  // `count`, their number.
  [[nodiscard]] std::string lineQuery(const LineKey* below, const LineKey* above, bool ascending,
                                      const std::string& where = {}, bool count = false) const;
  [[nodiscard]] std::optional<LineKey> keyAt(std::int64_t position);

  DataContext& data_;
  AccountKey account_;
  std::string from_;
  std::string to_;
  bool showSplits_;
  bool asset_;
  std::int64_t count_ = 0;
  // Line keys of positions read so far (a page's first and last), the
  // starting points for finding another page without counting from an end.
  std::map<std::int64_t, LineKey> anchors_;
  // The period's middle date, which end a position is counted from.
  std::string middle_;
};
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
// The same over a whole period as stored, without reading it into memory
// first: from the row after `after` (from the top when unset or not in the
// period) to the period's end.
[[nodiscard]] RegisterFindResult RegisterFind(DataContext& data, AccountKey account, const std::string& from,
                                              const std::string& to, std::string_view text,
                                              std::optional<TransactionKey> after);

}  // namespace tallyvane::ledger
