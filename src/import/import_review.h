// The import review: statement candidates shown beside what the account
// already holds, duplicates marked by date and amount, categories chosen,
// then the ticked rows committed as cleared transactions in one transaction.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "import/ofx_statement.h"
#include "ledger/keys.h"
#include "store/data_context.h"
#include "store/money.h"
#include "store/ports.h"
#include "store/status.h"

namespace tallyvane::import {

using ledger::AccountKey;
using store::DataContext;
using store::Money;
using store::Status;

inline constexpr std::string_view kNoTransactionsTitle = "Retrieve transactions";
inline constexpr std::string_view kNoTransactionsMessage =
    "There may be no transactions since your last import or your account information may not be set up "
    "correctly.  Check the help section for tips for retrieving transactions from your financial institution.";

// Statements (an OFX or QFX file, an online retrieval) go to a live bank
// account only: an investment account's register lists investment actions,
// which no statement line becomes. Both front ends ask this before they
// read or fetch a statement.
[[nodiscard]] bool TakesStatements(DataContext& data, AccountKey account);

// One candidate of the review. Kept small: a statement of a million rows
// holds a million of these for as long as the review is open. (The link
// column that could tie a row to an existing transaction is never filled,
// so it takes no room here.)
struct ReviewRow {
  std::string date;
  std::string payee;
  std::string category;
  std::string payment;  // formatted magnitude of money out, else empty
  std::string deposit;  // formatted amount of money in (zero included), else empty
  bool ticked = true;
  // The existing transaction that marked this row as a duplicate, if any.
  std::optional<ledger::TransactionKey> matchedBy;
};

struct ExistingRow {
  ledger::TransactionKey id = 0;
  std::string date;
  std::string payee;
  std::string note;
  std::string payment;  // formatted; empty in the other column
  std::string deposit;
  Money amount;  // the row's Amount, signed as stored
};

class ImportReview {
 public:
  // Opens the review for an account and a statement's text (already cut to
  // its OFX body or not: the parser finds the body). Tells the user when the
  // statement holds no transactions.
  static ImportReview Open(DataContext& data, AccountKey account, std::string_view statement,
                           store::Prompter& prompter);

  [[nodiscard]] std::vector<ReviewRow>& rows() { return rows_; }
  [[nodiscard]] const std::vector<ReviewRow>& rows() const { return rows_; }
  // The list "Existing uncleared transactions:", read a page at a time in
  // date order so that an account never reconciled costs what is shown.
  [[nodiscard]] std::int64_t existingCount() const { return existingCount_; }
  [[nodiscard]] std::vector<ExistingRow> existingRows(std::int64_t first, std::int64_t count) const;
  [[nodiscard]] const std::string& windowStart() const { return windowStart_; }
  [[nodiscard]] const std::string& windowEnd() const { return windowEnd_; }
  [[nodiscard]] AccountKey account() const { return account_; }

  // Marks duplicates: each existing transaction of the window takes the
  // first row from the top with its date and amount that no other existing
  // transaction has taken; the row is unticked and shows that transaction's
  // payee and category.
  void matchExisting();
  [[nodiscard]] Money balanceAfterImport() const;
  [[nodiscard]] bool anyTicked() const;
  // Why a review with no ticked row imports nothing: no row read, every row
  // already in the account, or no row ticked.
  [[nodiscard]] std::string nothingToImport() const;

  // Writes every ticked row, or none: a row at the amount cap (or without a
  // storable date) is refused with its message before anything is written,
  // and a write that fails takes back the rows before it. Sets LastRetrieved
  // on success. `progress` follows the rows; its cancel request takes back
  // every row written and returns Declined.
  [[nodiscard]] Status commit(store::Progress& progress, store::Prompter& prompter);
  // The row the last commit refused, if any.
  [[nodiscard]] std::optional<std::size_t> refusedRow() const { return refusedRow_; }

  // The category column's choices.
  [[nodiscard]] static std::vector<std::string> CategoryChoices(DataContext& data);

 private:
  explicit ImportReview(DataContext& data) : data_(&data) {}
  void fillExisting();
  Status checkTickedRows(store::Prompter& prompter);

  DataContext* data_;
  AccountKey account_ = 0;
  std::string windowStart_;
  std::string windowEnd_;
  std::vector<ReviewRow> rows_;
  std::int64_t existingCount_ = 0;
  // Keys (date, ID) of list positions read so far, where the next page starts.
  mutable std::map<std::int64_t, std::pair<std::string, ledger::TransactionKey>> existingAnchors_;
  Money startBalance_;
  bool asset_ = true;
  std::optional<std::size_t> refusedRow_;
};

}  // namespace tallyvane::import
