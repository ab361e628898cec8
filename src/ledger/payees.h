// Payees: the other party of a transaction. Operations, the payee window
// (which never lists "Balance Adjusting Entry"), find, the payee form with its
// replace question, and the creation of a payee from a typed name.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ledger/keys.h"
#include "store/data_context.h"
#include "store/ports.h"
#include "store/record.h"
#include "store/status.h"

namespace tallyvane::ledger {

using store::DataContext;
using store::Status;

inline constexpr std::string_view kBalanceAdjustingEntry = "Balance Adjusting Entry";

[[nodiscard]] std::optional<PayeeKey> AddPayee(DataContext& data, std::string_view name, std::string_view notes);
bool EditPayee(DataContext& data, PayeeKey key, std::string_view name, std::string_view notes);
bool DeletePayee(DataContext& data, PayeeKey key);
[[nodiscard]] bool LoadActivePayee(DataContext& data, PayeeKey key, store::Record& record, bool includeDeleted = false);
[[nodiscard]] std::optional<PayeeKey> PayeeNameExists(DataContext& data, std::string_view name, PayeeKey excluded = 0);
// "Unassigned" is 0; -1 when not found.
[[nodiscard]] PayeeKey FindPayeeId(DataContext& data, std::string_view name, bool includeDeleted = false);
// "Unassigned" for 0; nullopt when there is no row.
[[nodiscard]] std::optional<std::string> PayeeName(DataContext& data, PayeeKey key);
struct DefaultCategory {
  CategoryKey category = 0;
  CategoryKey subcategory = 0;
};
[[nodiscard]] std::optional<DefaultCategory> PayeeDefaultCategory(DataContext& data, PayeeKey key);
[[nodiscard]] bool PayeeMatchesText(DataContext& data, PayeeKey key, std::string_view text);
// Remembers the category of the last transaction saved with the payee.
void RememberPayeeCategory(DataContext& data, PayeeKey key, CategoryKey category);

struct PayeeLine {
  PayeeKey key = 0;
  std::string name;
  std::string notes;
  CategoryKey category = 0;
};
[[nodiscard]] std::vector<PayeeLine> PayeeWindowLines(DataContext& data);

struct PayeeForm {
  std::optional<PayeeKey> key;  // editing when set
  std::string name;
  std::string notes;
};
// A live payee's form as stored, for editing; nullopt when it cannot be loaded.
[[nodiscard]] std::optional<PayeeForm> OpenPayeeForm(DataContext& data, PayeeKey key);
// The payee form's save, with the replace question; `saved` gets the payee
// that holds the name afterwards.
[[nodiscard]] Status SavePayeeForm(DataContext& data, const PayeeForm& form, store::Prompter& prompter,
                                   PayeeKey* saved = nullptr);
[[nodiscard]] Status DeletePayeesFromWindow(DataContext& data, const std::vector<PayeeKey>& keys,
                                            store::Prompter& prompter);

// The payee field of a transaction form: an existing payee is chosen, a new
// name is created. nullopt only when the name is empty or a write failed.
[[nodiscard]] std::optional<PayeeKey> PayeeFromTypedName(DataContext& data, std::string_view typed);

}  // namespace tallyvane::ledger
