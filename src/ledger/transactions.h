// Bank transactions: the six types and their sign rule, transfers stored as
// two rows that name each other, split lines, voids, deletion, the
// check-number test, the texts a row is shown with, running balances, search,
// and the over-budget test run on entry.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ledger/keys.h"
#include "store/data_context.h"
#include "store/money.h"
#include "store/record.h"

namespace tallyvane::ledger {

using store::DataContext;
using store::Money;

enum class TransactionType : int {
  Deposit = 0,
  ATM = 1,
  EFT = 2,
  Check = 3,
  Purchase = 4,
  Transfer = 5,
};
[[nodiscard]] std::string_view TransactionTypeLabel(TransactionType type);
[[nodiscard]] std::optional<TransactionType> TransactionTypeFromLabel(std::string_view label);

enum class TaxChoice : int { NotDeductible = 0, Deductible = 1, UseCategory = 2 };

inline constexpr std::string_view kBalancingEntryNote = "Balancing entry for reconciliation";
inline constexpr std::string_view kNotCategorized = "Not categorized";
inline constexpr std::string_view kUnassigned = "Unassigned";

// A row of Transactions, read by column position.
struct TransactionRow {
  TransactionKey key = 0;
  AccountKey account = 0;
  Money amount;
  PayeeKey payee = 0;
  AccountKey referencedAccount = 0;
  TransactionKey referencedId = 0;
  std::string description;
  std::string note;
  CategoryKey category = 0;
  std::string date;
  std::string number;
  int taxDeductible = 0;
  bool cleared = false;
  bool deleted = false;
  bool isVoid = false;
  int type = -1;
  bool reconciled = false;
  bool split = false;

  [[nodiscard]] bool isTransfer() const { return referencedAccount != 0; }
  // A partner row: it names an originating row but is not one itself.
  [[nodiscard]] bool isPartner() const { return referencedId != 0 && type != static_cast<int>(TransactionType::Transfer); }
  // The payment column holds it (shown negated) rather than the deposit column.
  [[nodiscard]] bool inPaymentColumn() const;
};

// What the entry operations write.
struct TransactionFields {
  AccountKey account = 0;
  Money amount;
  PayeeKey payee = 0;
  AccountKey transferAccount = 0;
  std::string description;
  std::string note;
  CategoryKey category = 0;
  std::string date;
  std::string number;
  int taxDeductible = 0;
  bool cleared = false;
  TransactionType type = TransactionType::Purchase;
  bool reconciled = false;
  bool split = false;
};

[[nodiscard]] std::optional<TransactionRow> LoadTransaction(store::Db& db, TransactionKey key);

// A date a transaction may carry: "YYYY-MM-DD" naming a real calendar day.
// A row without one would show in no register period and count in no balance.
[[nodiscard]] bool IsStorableDate(std::string_view text);

// Inserts the row (and a transfer's partner); nullopt when both a payee and a
// transfer account are given, when the date is not storable (nothing is
// written) or a write fails.
[[nodiscard]] std::optional<TransactionKey> AddTransaction(DataContext& data, const TransactionFields& fields);
[[nodiscard]] std::optional<TransactionKey> AddTransactionAndRebalance(DataContext& data,
                                                                       const TransactionFields& fields);
// False, with nothing written, for a date that is not storable.
bool EditTransaction(DataContext& data, TransactionKey key, const TransactionFields& fields);
bool DeleteTransaction(DataContext& data, TransactionKey key);
bool VoidTransaction(DataContext& data, TransactionKey key);
bool SetTransactionAmount(DataContext& data, TransactionKey key, Money amount);
bool SetTransactionCleared(DataContext& data, TransactionKey key, bool cleared);
bool SetTransactionCategory(DataContext& data, TransactionKey key, CategoryKey category);
bool SetTransactionCategoryByName(DataContext& data, TransactionKey key, std::string_view category,
                                  std::string_view subcategory);
bool SetTransactionPayeeByName(DataContext& data, TransactionKey key, std::string_view payee);
bool UnreconcileTransaction(DataContext& data, TransactionKey key);
[[nodiscard]] bool IsCheckNumberUnused(DataContext& data, AccountKey account, std::string_view number);
// The account's check counter, shared by the transaction form, the command
// line and posted schedules: the number the next check takes (the counter
// AcctCurrentCheckNum + 1), as the forms propose it ("%03d"), and the
// counter raised to a number used (never lowered).
[[nodiscard]] int32_t NextCheckNumber(DataContext& data, AccountKey account);
[[nodiscard]] std::string ProposedCheckNumber(DataContext& data, AccountKey account);
void NoteCheckNumberUsed(DataContext& data, AccountKey account, int32_t number);
bool ReassignPayeeInTransactions(DataContext& data, PayeeKey from, PayeeKey to);

// The texts of rows for a list that shows many of them: account, payee and
// category names are looked up once per list fill.
class RowTexts {
 public:
  explicit RowTexts(DataContext& data) : data_(data) {}
  [[nodiscard]] std::string payee(const TransactionRow& row);
  [[nodiscard]] std::string category(const TransactionRow& row);
  // A category's display text, deleted categories included.
  [[nodiscard]] std::string categoryName(CategoryKey key);
  // Looks up the payee names of many rows in a few statements rather than
  // one statement per payee, for a list about to be filled.
  void preloadPayees(const std::vector<TransactionRow>& rows);

 private:
  DataContext& data_;
  std::unordered_map<int32_t, std::string> accounts_;
  std::unordered_map<int32_t, std::string> payees_;
  std::unordered_map<int32_t, std::string> categories_;
};

[[nodiscard]] std::string TransactionPayeeText(DataContext& data, const TransactionRow& row);
[[nodiscard]] std::string TransactionCategoryText(DataContext& data, const TransactionRow& row);
[[nodiscard]] std::string TransactionPayeeText(DataContext& data, TransactionKey key);
[[nodiscard]] std::string TransactionCategoryText(DataContext& data, TransactionKey key);
[[nodiscard]] Money TransactionRunningBalance(DataContext& data, TransactionKey key);
[[nodiscard]] bool TransactionMatchesText(DataContext& data, TransactionKey key, std::string_view text);

// Live rows (void ones included) of an account and/or payee (-1 for "any")
// between two dates, by date then key.
class TransactionRange {
 public:
  TransactionRange(store::Db& db, AccountKey account, PayeeKey payee, const std::string& from, const std::string& to,
                   bool ascending = true);
  // Fills `row` with the next row; false at the end.
  bool next(TransactionRow& row);

 private:
  store::Query query_;
  bool first_ = true;
};
// Reads the current row of a "SELECT * FROM Transactions" query.
void ReadTransactionRow(const store::Query& query, TransactionRow& row);

[[nodiscard]] std::string FirstTransactionDate(DataContext& data, AccountKey account);
[[nodiscard]] std::string LastTransactionDate(DataContext& data, AccountKey account);
[[nodiscard]] std::optional<TransactionKey> LastTransactionOnOrBefore(DataContext& data, AccountKey account,
                                                                      const std::string& date);

struct SplitLine {
  SplitLineKey key = 0;
  TransactionKey parent = 0;
  Money amount;
  CategoryKey category = 0;
  std::string note;
};
[[nodiscard]] std::vector<SplitLine> LiveSplitLines(DataContext& data, TransactionKey parent);
std::optional<SplitLineKey> SplitLineAdd(DataContext& data, const SplitLine& line);
bool SplitLineUpdate(DataContext& data, const SplitLine& line);
bool SplitLineDelete(DataContext& data, SplitLineKey key);

// The amounts a row files under categories, as the income, expense and
// budget totals break it out: each live line of a split row (under the row's
// account and type), any other row's own amount.
struct CategoryAmount {
  CategoryKey category = 0;
  Money amount;
};
[[nodiscard]] std::vector<CategoryAmount> CategoryAmounts(store::Db& db, const TransactionRow& row);
// Whether the income, expense and budget totals count a row at all: never a
// void row; a transfer between two of the book's own accounts moves money
// without earning or spending it, so it counts only when asked for.
[[nodiscard]] bool CountsInCategoryTotals(const TransactionRow& row, bool includeTransfers);

// The over-budget test: the names of the warning budgets whose monthly amount
// for `category` the month's spending (with `spending` for this row) exceeds,
// as "\"A\", \"B\""; empty when none. The month's spending is counted as the
// budget report counts it: split lines under their own categories, void rows
// and transfers between the book's accounts left out.
[[nodiscard]] std::string MonthlyBudgetOverrun(DataContext& data, std::optional<TransactionKey> row,
                                               AccountKey account, CategoryKey category, Money spending);

// The first and last day of the month holding `date` ("YYYY-MM-DD").
[[nodiscard]] std::string MonthStart(const std::string& date);
[[nodiscard]] std::string TodayText(DataContext& data);

}  // namespace tallyvane::ledger
