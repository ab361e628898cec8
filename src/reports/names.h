// Helpers the builders and journals share: the case-blind name order of the
// report lists, the live accounts in table order, the period's rows without
// their protected description, and the names rows are shown with, asked of
// the ledger once per payee, category or account rather than once per row.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ledger/keys.h"
#include "ledger/transactions.h"
#include "store/data_context.h"
#include "store/record.h"

namespace tallyvane::reports {

// Negative, zero or positive as `a` sorts before, with or after `b`, without
// regard to case.
[[nodiscard]] int CompareNames(std::string_view a, std::string_view b);

// A displayed first cell without its indent.
[[nodiscard]] std::string LeadingBlanksRemoved(std::string_view text);

struct AccountEntry {
  ledger::AccountKey id = 0;
  std::string name;
};
// Accounts whose Deleted is 0, in table order (a row without the flag counts
// as deleted).
[[nodiscard]] std::vector<AccountEntry> LiveAccounts(store::DataContext& data);

// The live rows of a period, as TransactionRange reads them ("TransactionDate,
// ID" ascending), without the protected Description that no report shows:
// decoding it for every row would cost more than the rest of the row.
// `filter` is the WHERE condition ahead of the date bounds.
class PeriodRows {
 public:
  PeriodRows(store::Db& db, const std::string& filter, const std::string& from, const std::string& to);
  bool next(ledger::TransactionRow& row);

 private:
  store::Query query_;
  bool first_ = true;
};

// The ledger's row texts (looked up once per name) with what the builders
// add: a category's full name as the category report names entries, and
// the asset flag of each account.
class ReportTexts {
 public:
  explicit ReportTexts(store::DataContext& data) : data_(data), rows_(data) {}

  // TransactionPayeeText and TransactionCategoryText of the ledger.
  [[nodiscard]] std::string payeeText(const ledger::TransactionRow& row) { return rows_.payee(row); }
  [[nodiscard]] std::string categoryText(const ledger::TransactionRow& row) { return rows_.category(row); }
  // CategoryFullName: "Not categorized" for 0, nullopt for a missing or deleted one.
  [[nodiscard]] const std::optional<std::string>& categoryFullName(ledger::CategoryKey key);
  [[nodiscard]] bool isAsset(ledger::AccountKey account);

 private:
  store::DataContext& data_;
  ledger::RowTexts rows_;
  std::map<ledger::CategoryKey, std::optional<std::string>> fullNames_;
  std::map<ledger::AccountKey, bool> assets_;
};

}  // namespace tallyvane::reports
