#include "reports/names.h"

#include "ledger/balances.h"
#include "ledger/categories.h"
#include "store/sql_format.h"
#include "store/text.h"

namespace tallyvane::reports {

using ledger::TransactionRow;

int CompareNames(std::string_view a, std::string_view b) {
  const std::string left = store::LowerText(a);
  const std::string right = store::LowerText(b);
  return left.compare(right);
}

std::string LeadingBlanksRemoved(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  return first == std::string_view::npos ? std::string() : std::string(text.substr(first));
}

std::vector<AccountEntry> LiveAccounts(store::DataContext& data) {
  std::vector<AccountEntry> accounts;
  for (store::Query q(data.db(), "SELECT ID, AcctName FROM Accounts WHERE Deleted = 0 ORDER BY ID"); q.hasRow();
       q.next()) {
    accounts.push_back({q.int32(0), q.text(1)});
  }
  return accounts;
}

PeriodRows::PeriodRows(store::Db& db, const std::string& filter, const std::string& from, const std::string& to) {
  // The columns of "SELECT *" in their stored order (ReadTransactionRow reads
  // them by position), with an empty text in place of Description.
  query_ = store::Query(
      db, store::FormatSql("SELECT ID, Account, Amount, PayAccount, ReferencedAccount, ReferencedID, '', Note, "
                           "Category, TransactionDate, TransactionNumber, TaxDeductible, Reserved, Cleared, Deleted, "
                           "Void, TransactionType, Reconciled, SplitTransaction FROM Transactions WHERE %s AND "
                           "TransactionDate >= DATE('%Q') AND TransactionDate <= DATE('%Q') AND Deleted = 0 "
                           "ORDER BY TransactionDate, ID",
                           {filter, from, to}));
}

bool PeriodRows::next(TransactionRow& row) {
  if (!first_) query_.next();
  first_ = false;
  if (!query_.hasRow()) return false;
  ledger::ReadTransactionRow(query_, row);
  return true;
}

const std::optional<std::string>& ReportTexts::categoryFullName(ledger::CategoryKey key) {
  auto found = fullNames_.find(key);
  if (found == fullNames_.end()) found = fullNames_.emplace(key, ledger::CategoryFullName(data_, key)).first;
  return found->second;
}

bool ReportTexts::isAsset(ledger::AccountKey account) {
  auto found = assets_.find(account);
  if (found == assets_.end()) found = assets_.emplace(account, ledger::AccountIsAsset(data_, account)).first;
  return found->second;
}

}  // namespace tallyvane::reports
