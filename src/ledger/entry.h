// The transaction form and the split editor as operations: fields in, the
// checks in their order with their messages, then the save and its
// follow-ups (check counter, the payee's remembered category).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ledger/keys.h"
#include "ledger/transactions.h"
#include "store/data_context.h"
#include "store/ports.h"
#include "store/status.h"

namespace tallyvane::ledger {

using store::Status;

struct SplitLineInput {
  std::optional<SplitLineKey> key;  // an existing line
  std::string category;             // "Category" or "Category | Sub"
  std::string note;
  std::string payment;  // text, empty when the line is a deposit
  std::string deposit;
};

struct EntryForm {
  std::optional<TransactionKey> key;  // editing when set
  AccountKey account = 0;
  TransactionType type = TransactionType::Purchase;
  std::string date;
  std::string number;
  AccountKey transferAccount = 0;  // type Transfer
  std::string payee;               // the other types: the payee's name as typed
  std::string category;            // category name or full name as typed
  std::string subcategory;
  std::string note;
  std::string amountText;
  std::string taxChoice = "Use Expense Category";
  // What the last chosen payee put into the category fields; a category the
  // user typed over it is theirs and survives choosing another payee.
  std::string payeeCategory;
  std::string payeeSubcategory;
  // Context of an edit, as the form loaded it.
  std::string loadedNumber;
  bool reconciled = false;
  bool fromReport = false;
  // The split editor's lines, when the form saves them with the row: the
  // row and its lines are one save. Without them a split parent keeps the
  // amount its lines add up to.
  std::optional<std::vector<SplitLineInput>> splitLines;
  std::vector<SplitLineKey> removedSplitLines;
};

struct EntryResult {
  Status status;
  std::optional<TransactionKey> key;
  std::string overBudget;  // the warning shown, if any
};

// The form as it opens for an existing row: a partner row opens its
// originating row; the amount is the magnitude the user would have typed.
[[nodiscard]] std::optional<EntryForm> OpenEntryForm(DataContext& data, TransactionKey key);
// A new transaction in the register's account (the first non-investment
// account when that one is an investment account).
[[nodiscard]] EntryForm NewEntryForm(DataContext& data, AccountKey account, bool transfer = false);

// Choosing an existing payee in the form's payee field: sets the payee's name
// and preselects its remembered category and sub-category. A category the
// user chose stays; one that only an earlier payee choice filled in, or an
// empty one, is replaced (with nothing when the payee remembers none). False
// when the payee is not a live row; the form is then unchanged.
bool ChoosePayee(DataContext& data, EntryForm& form, PayeeKey payee);

// Checks the form in order and saves it with its follow-ups, all in one
// transaction (the split lines too, when the form carries them).
[[nodiscard]] EntryResult EnterTransaction(DataContext& data, const EntryForm& form, store::Prompter& prompter);

// The form's checks without the save: the first refusal, nothing written and
// nothing shown. `stored` receives the amount as it would be stored.
[[nodiscard]] Status CheckEntryForm(DataContext& data, const EntryForm& form, Money* stored = nullptr);

// "Split Transaction" on the form: the form is checked as its save would
// check it, but nothing is written until the form is saved with the lines.
struct SplitStart {
  Status status;
  Money parentAmount;                 // what the lines must add up to
  std::vector<SplitLineInput> lines;  // what the split editor opens with
};
[[nodiscard]] SplitStart SplitFromForm(DataContext& data, const EntryForm& form, store::Prompter& prompter);

// The split editor's lines: their sum (deposits less payments) and the
// check of the save (each amount readable, within a line's width, and the
// sum equal to the parent's amount). `values` receives each line's value.
[[nodiscard]] Money SplitLinesSum(const store::RegionalSettings& regional, const std::vector<SplitLineInput>& lines);
[[nodiscard]] Status CheckSplitLines(const store::RegionalSettings& regional, Money parentAmount,
                                     const std::vector<SplitLineInput>& lines, std::vector<Money>* values = nullptr);
// "Add Split": a "Not categorized" line holding what is not yet allocated,
// as a payment when the remainder is negative or the parent is a payment.
[[nodiscard]] SplitLineInput RemainderSplitLine(const store::RegionalSettings& regional, Money parentAmount,
                                                const std::vector<SplitLineInput>& lines);

[[nodiscard]] Status SaveSplitLines(DataContext& data, TransactionKey parent, const std::vector<SplitLineInput>& lines,
                                    const std::vector<SplitLineKey>& removed);
// The lines the split editor opens with (one line with the whole amount for
// a parent without lines).
[[nodiscard]] std::vector<SplitLineInput> OpenSplitEditor(DataContext& data, TransactionKey parent);

}  // namespace tallyvane::ledger
