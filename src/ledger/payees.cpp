#include "ledger/payees.h"

#include "ledger/categories.h"
#include "ledger/transactions.h"
#include "store/text.h"

namespace tallyvane::ledger {

using store::FormatSql;
using store::Query;
using store::Record;
using store::Table;
using store::WriteGuard;

bool LoadActivePayee(DataContext& data, PayeeKey key, Record& record, bool includeDeleted) {
  Table table(data.db(), "PayAccounts");
  return store::LoadActiveRecord(table, record, KeyText(key), includeDeleted, true);
}

std::optional<PayeeForm> OpenPayeeForm(DataContext& data, PayeeKey key) {
  Record r;
  if (!LoadActivePayee(data, key, r)) return std::nullopt;
  PayeeForm form;
  form.key = key;
  form.name = r.GetText("PayName");
  form.notes = r.GetText("Notes");
  store::ReleaseRecord(r);
  return form;
}

std::optional<PayeeKey> PayeeNameExists(DataContext& data, std::string_view name, PayeeKey excluded) {
  const auto found = store::FindDuplicateName(data.db(), "SELECT ID FROM PayAccounts WHERE PayName = '%s' AND Deleted = 0",
                                              name, std::nullopt, excluded != 0 ? KeyText(excluded) : std::string{});
  if (!found) return std::nullopt;
  return store::ParseInt32Prefix(*found);
}

std::optional<PayeeKey> AddPayee(DataContext& data, std::string_view name, std::string_view notes) {
  if (PayeeNameExists(data, name)) return std::nullopt;
  WriteGuard guard(data.db());
  Table table(data.db(), "PayAccounts");
  Record r;
  NewRecord(table, r);
  r.SetText("PayName", name);
  r.SetText("Notes", notes);
  r.SetFlag("Deleted", false);
  const std::string key = r.key();
  if (!store::SaveRecord(r) || key.empty() || !guard.commit()) return std::nullopt;
  return store::ParseInt32Prefix(key);
}

bool EditPayee(DataContext& data, PayeeKey key, std::string_view name, std::string_view notes) {
  if (PayeeNameExists(data, name, key)) return false;
  WriteGuard guard(data.db());
  Record r;
  if (!LoadActivePayee(data, key, r)) return false;
  r.SetText("PayName", name);
  r.SetText("Notes", notes);
  r.SetFlag("Deleted", false);
  store::ReleaseRecord(r);
  return guard.commit().ok;
}

bool DeletePayee(DataContext& data, PayeeKey key) {
  Table table(data.db(), "PayAccounts");
  return store::RetireRow(table, KeyText(key), true);
}

PayeeKey FindPayeeId(DataContext& data, std::string_view name, bool includeDeleted) {
  if (name == kUnassigned) return 0;
  std::string key = store::QueryFirstText(
      data.db(), FormatSql("SELECT ID FROM PayAccounts WHERE PayName = '%Q' AND Deleted = 0", {name}));
  if (key.empty() && includeDeleted) {
    key = store::QueryFirstText(data.db(), FormatSql("SELECT ID FROM PayAccounts WHERE PayName = '%Q'", {name}));
  }
  return key.empty() ? -1 : store::ParseInt32Prefix(key);
}

std::optional<std::string> PayeeName(DataContext& data, PayeeKey key) {
  if (key == 0) return std::string(kUnassigned);
  Query q(data.db(), FormatSql("SELECT PayName FROM PayAccounts WHERE ID = %d", {key}));
  if (!q.hasRow()) return std::nullopt;
  return q.text(0);
}

std::optional<DefaultCategory> PayeeDefaultCategory(DataContext& data, PayeeKey key) {
  Record payee;
  if (!LoadActivePayee(data, key, payee)) return std::nullopt;
  const CategoryKey category = payee.GetInt("Category");
  if (category == 0) return std::nullopt;
  Record c;
  if (!LoadActiveCategory(data, category, c)) return std::nullopt;
  const CategoryKey parent = c.GetInt("Parent");
  if (parent != 0) return DefaultCategory{parent, category};
  return DefaultCategory{category, 0};
}

bool PayeeMatchesText(DataContext& data, PayeeKey key, std::string_view text) {
  Record r;
  if (!LoadActivePayee(data, key, r)) return false;
  const std::string needle = store::LowerText(text);
  return store::LowerText(r.GetText("PayName")).find(needle) != std::string::npos ||
         store::LowerText(r.GetText("Notes")).find(needle) != std::string::npos;
}

void RememberPayeeCategory(DataContext& data, PayeeKey key, CategoryKey category) {
  if (key <= 0) return;
  Record r;
  if (LoadActivePayee(data, key, r)) r.SetInt("Category", category);
}

std::vector<PayeeLine> PayeeWindowLines(DataContext& data) {
  std::vector<PayeeLine> lines;
  for (Query q(data.db(), "SELECT ID, PayName, Notes, Category FROM PayAccounts WHERE Deleted = 0 ORDER BY ID"); q.hasRow();
       q.next()) {
    if (q.string(1) == kBalanceAdjustingEntry) continue;
    lines.push_back({q.int32(0), q.text(1), q.text(2), q.int32(3)});
  }
  return lines;
}

Status SavePayeeForm(DataContext& data, const PayeeForm& form, store::Prompter& prompter, PayeeKey* saved) {
  const std::string name = TrimSpaces(form.name);
  if (name.empty()) return Status::Fail("Please enter a name for this payee.", "Payee name required", "name");
  const PayeeKey existing = FindPayeeId(data, name, false);
  const bool exists = existing > 0;
  auto failed = [&] { return Status::FileError(store::WriteFailureMessage(data.db().lastError())); };

  if (form.key && (!exists || existing == *form.key)) {
    if (!EditPayee(data, *form.key, name, form.notes)) return failed();
    if (saved) *saved = *form.key;
    return Status::Ok();
  }
  if (!form.key && !exists) {
    const auto added = AddPayee(data, name, form.notes);
    if (!added) return failed();
    if (saved) *saved = *added;
    return Status::Ok();
  }
  if (prompter.ask("Add Payee", "The payee exists. Do you want to replace the existing payee?",
                   {"Replace Payee", "Cancel"}) != 0) {
    return Status::Declined();
  }
  WriteGuard guard(data.db());
  if (!EditPayee(data, existing, name, form.notes)) return failed();
  if (form.key) {
    if (DeletePayee(data, *form.key)) ReassignPayeeInTransactions(data, *form.key, existing);
  }
  if (Status committed = guard.commit(); !committed) return committed;
  if (saved) *saved = existing;
  return Status::Ok();
}

Status DeletePayeesFromWindow(DataContext& data, const std::vector<PayeeKey>& keys, store::Prompter& prompter) {
  if (prompter.ask("Delete payee", "Are you sure that you would like to delete the selected payee?",
                   {"Delete", "Cancel"}) != 0) {
    return Status::Declined();
  }
  WriteGuard guard(data.db());
  for (PayeeKey key : keys) DeletePayee(data, key);
  return guard.commit();
}

std::optional<PayeeKey> PayeeFromTypedName(DataContext& data, std::string_view typed) {
  const std::string name = TrimSpaces(typed);
  if (name.empty()) return std::nullopt;
  const PayeeKey found = FindPayeeId(data, name, false);
  if (found >= 0) return found;
  return AddPayee(data, name, "");
}

}  // namespace tallyvane::ledger
