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

[[nodiscard]] EntryResult EnterTransaction(DataContext& data, const EntryForm& form, store::Prompter& prompter);

// "Split Transaction" on the form: saves the form first when needed and
// returns the row the split editor opens for.
[[nodiscard]] EntryResult SplitFromForm(DataContext& data, const EntryForm& form, bool amountUnchanged,
                                        store::Prompter& prompter);

struct SplitLineInput {
  std::optional<SplitLineKey> key;  // an existing line
  std::string category;             // "Category" or "Category | Sub"
  std::string note;
  std::string payment;  // text, empty when the line is a deposit
  std::string deposit;
};
[[nodiscard]] Status SaveSplitLines(DataContext& data, TransactionKey parent, const std::vector<SplitLineInput>& lines,
                                    const std::vector<SplitLineKey>& removed);
// The lines the split editor opens with (one line with the whole amount for
// a parent without lines).
[[nodiscard]] std::vector<SplitLineInput> OpenSplitEditor(DataContext& data, TransactionKey parent);

}  // namespace tallyvane::ledger
