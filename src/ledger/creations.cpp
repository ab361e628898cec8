#include "ledger/creations.h"

#include <algorithm>

#include "store/record.h"
#include "store/sql_format.h"

namespace tallyvane::ledger {

using store::FormatSql;
using store::WriteGuard;

namespace {

int64_t Count(store::Db& db, const std::string& sql) {
  store::Query q(db, sql);
  return q.hasRow() ? q.int64(0) : 1;  // an unreadable count keeps the row
}

bool CategoryInUse(store::Db& db, CategoryKey key) {
  // Rows retired by Deleted still name their category; a removed row under
  // them would leave a dangling key, so they count as uses too.
  return Count(db, FormatSql("SELECT COUNT(*) FROM Transactions WHERE Category = %d", {key})) > 0 ||
         Count(db, FormatSql("SELECT COUNT(*) FROM SplitTransactions WHERE Category = %d", {key})) > 0 ||
         Count(db, FormatSql("SELECT COUNT(*) FROM ScheduledTransactions WHERE Category = %d", {key})) > 0 ||
         Count(db, FormatSql("SELECT COUNT(*) FROM BudgetCategories WHERE CategoryID = %d", {key})) > 0 ||
         Count(db, FormatSql("SELECT COUNT(*) FROM PayAccounts WHERE Category = %d", {key})) > 0 ||
         Count(db, FormatSql("SELECT COUNT(*) FROM Categories WHERE Parent = %d", {key})) > 0;
}

bool PayeeInUse(store::Db& db, PayeeKey key) {
  return Count(db, FormatSql("SELECT COUNT(*) FROM Transactions WHERE PayAccount = %d", {key})) > 0 ||
         Count(db, FormatSql("SELECT COUNT(*) FROM ScheduledTransactions WHERE PayAccount = %d", {key})) > 0;
}

}  // namespace

void FormCreations::note(const TypedCategory& typed) {
  if (!typed.created) return;
  categories.push_back(typed.key);
  if (typed.parentMarkedHeader != 0) headersMarked.push_back(typed.parentMarkedHeader);
}

store::Status TakeBackCreations(store::DataContext& data, const FormCreations& created) {
  if (created.empty()) return store::Status::Ok();
  store::Db& db = data.db();
  WriteGuard guard(db);
  // Payees first: a payee taken back no longer holds a category.
  for (auto it = created.payees.rbegin(); it != created.payees.rend(); ++it) {
    if (*it <= 0 || PayeeInUse(db, *it)) continue;
    if (!db.exec(FormatSql("DELETE FROM PayAccounts WHERE ID = %d", {*it}))) {
      return store::Status::FileError(store::WriteFailureMessage(db.lastError()));
    }
  }
  // Newest first, so a subcategory goes before the category it was made under.
  for (auto it = created.categories.rbegin(); it != created.categories.rend(); ++it) {
    if (*it <= 0 || CategoryInUse(db, *it)) continue;
    if (!db.exec(FormatSql("DELETE FROM Categories WHERE ID = %d", {*it}))) {
      return store::Status::FileError(store::WriteFailureMessage(db.lastError()));
    }
  }
  for (CategoryKey header : created.headersMarked) {
    if (std::find(created.categories.begin(), created.categories.end(), header) != created.categories.end()) continue;
    if (!db.exec(FormatSql("UPDATE Categories SET Header = 0 WHERE ID = %d AND NOT EXISTS "
                           "(SELECT 1 FROM Categories WHERE Parent = %d AND Deleted = 0)",
                           {header, header}))) {
      return store::Status::FileError(store::WriteFailureMessage(db.lastError()));
    }
  }
  return guard.commit();
}

}  // namespace tallyvane::ledger
