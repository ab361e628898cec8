#include "import/import_review.h"

#include <cstdlib>
#include <map>
#include <set>
#include <tuple>
#include <unordered_map>

#include "ledger/accounts.h"
#include "ledger/balances.h"
#include "ledger/categories.h"
#include "ledger/payees.h"
#include "ledger/transactions.h"
#include "store/record.h"
#include "store/text.h"

namespace tallyvane::import {

using store::FormatSql;
using store::Query;

namespace {

constexpr long long kProgressEveryRows = 256;

std::string CleanNote(const std::string& note) {
  std::string out;
  for (char c : note) {
    if (c == '\n') continue;
    out.push_back(c == '\r' ? ' ' : c);
  }
  return out;
}

std::string PlainCategoryName(DataContext& data, ledger::CategoryKey key) {
  const std::string name =
      key == 0 ? std::string()
               : store::QueryFirstText(data.db(), FormatSql("SELECT PayCategory FROM Categories WHERE ID = %d", {key}));
  return name.empty() ? std::string(ledger::kNotCategorized) : name;
}

}  // namespace

bool TakesStatements(DataContext& data, AccountKey account) {
  store::Record record;
  if (account <= 0 || !ledger::LoadActiveAccount(data, account, record)) return false;
  store::ReleaseRecord(record);
  return !ledger::IsInvestmentAccount(data, account);
}

ImportReview ImportReview::Open(DataContext& data, AccountKey account, std::string_view statement,
                                store::Prompter& prompter) {
  ImportReview review(data);
  review.account_ = account;
  review.windowEnd_ = ledger::TodayText(data);
  review.windowStart_ = ledger::FirstTransactionDate(data, account);
  if (review.windowStart_.empty()) review.windowStart_ = review.windowEnd_;
  // The account's balance from its rows: the stored AcctCurrentBal lags
  // behind a row entered in the window program until something refreshes it.
  review.startBalance_ = ledger::AccountBalanceNow(data, account);
  review.asset_ = ledger::IsAssetAccount(data, account);

  const store::RegionalSettings& regional = data.regional();
  // The payee's remembered category for each description, looked up once.
  std::unordered_map<std::string, std::string> categoryOf;
  std::vector<ImportCandidate> candidates = parseOfxStatement(regional, cutToOfxBody(statement));
  review.rows_.reserve(candidates.size());
  for (ImportCandidate& candidate : candidates) {
    ReviewRow row;
    row.date = std::move(candidate.date);
    row.payee = store::CutChars(candidate.description);
    // Each candidate's texts go as its row is made, so the two lists never
    // hold a statement's texts twice over.
    std::string().swap(candidate.description);
    std::string().swap(candidate.fitId);
    if (candidate.amount.minorUnits() < 0) {
      row.payment = store::FormatMoney(regional, -candidate.amount);
    } else {
      row.deposit = store::FormatMoney(regional, candidate.amount);
    }
    auto found = categoryOf.find(row.payee);
    if (found == categoryOf.end()) {
      // A row without a remembered category shows the words the commit
      // reads it as, the first of the choices: one state, one wording.
      std::string category(ledger::kNotCategorized);
      const ledger::PayeeKey payee = ledger::FindPayeeId(data, row.payee, false);
      if (payee > 0) {
        const auto key = store::ParseInt32Prefix(
            store::QueryFirstText(data.db(), FormatSql("SELECT Category FROM PayAccounts WHERE ID = %d", {payee})));
        category = ledger::CategoryFullName(data, key).value_or(std::string(ledger::kNotCategorized));
      }
      found = categoryOf.emplace(row.payee, std::move(category)).first;
    }
    row.category = found->second;
    review.rows_.push_back(std::move(row));
  }
  std::vector<ImportCandidate>().swap(candidates);
  if (review.rows_.empty()) {
    prompter.ask(kNoTransactionsTitle, kNoTransactionsMessage, {"OK", "Help"}, store::Icon::Information);
  }
  review.fillExisting();
  review.matchExisting();
  return review;
}

namespace {

// The uncleared rows of the window; the store's index on the same expression
// serves the filter and the order. `since` (a row's date and key) replaces
// the window's start, so the index is walked from the one lower bound.
std::string UnclearedWhere(AccountKey account, const std::string& from, const std::string& to,
                           const std::pair<std::string, ledger::TransactionKey>* since = nullptr) {
  const std::string start =
      since == nullptr ? FormatSql("TransactionDate >= DATE('%Q')", {from})
                       : FormatSql("TransactionDate >= '%Q' AND (TransactionDate > '%Q' OR ID >= %d)",
                                   {since->first, since->first, since->second});
  return FormatSql("Account = %d AND Deleted = 0 AND IFNULL(CAST(Cleared AS INTEGER), 0) = 0 AND %s AND "
                   "TransactionDate <= DATE('%Q')",
                   {account, start, to});
}

}  // namespace

void ImportReview::fillExisting() {
  existingAnchors_.clear();
  Query q(data_->db(), "SELECT COUNT(*) FROM Transactions WHERE " + UnclearedWhere(account_, windowStart_, windowEnd_));
  existingCount_ = q.hasRow() ? q.int64(0) : 0;
}

std::vector<ExistingRow> ImportReview::existingRows(std::int64_t first, std::int64_t count) const {
  std::vector<ExistingRow> out;
  if (first < 0 || count <= 0 || first >= existingCount_) return out;
  // From the nearest position read before, or the top.
  std::string where = UnclearedWhere(account_, windowStart_, windowEnd_);
  std::int64_t skip = first;
  auto anchor = existingAnchors_.upper_bound(first);
  if (anchor != existingAnchors_.begin()) {
    --anchor;
    where = UnclearedWhere(account_, windowStart_, windowEnd_, &anchor->second);
    skip = first - anchor->first;
  }
  const store::RegionalSettings& regional = data_->regional();
  ledger::RowTexts texts(*data_);
  std::vector<ledger::TransactionRow> rows;
  for (Query q(data_->db(), FormatSql("SELECT * FROM Transactions WHERE %s ORDER BY TransactionDate, ID LIMIT %lld "
                                      "OFFSET %lld",
                                      {where, static_cast<long long>(count), static_cast<long long>(skip)}));
       q.hasRow(); q.next()) {
    ledger::TransactionRow row;
    ledger::ReadTransactionRow(q, row);
    rows.push_back(std::move(row));
  }
  texts.preloadPayees(rows);
  for (const ledger::TransactionRow& row : rows) {
    ExistingRow line;
    line.id = row.key;
    line.date = row.date;
    line.payee = texts.payee(row);
    line.note = CleanNote(row.note);
    line.amount = row.amount;
    if (row.amount.minorUnits() <= 0) {
      line.payment = store::FormatMoney(regional, -row.amount);
    } else {
      line.deposit = store::FormatMoney(regional, row.amount);
    }
    out.push_back(std::move(line));
  }
  if (!rows.empty()) {
    existingAnchors_[first] = {rows.front().date, rows.front().key};
    // The page's last row, where the next page starts from.
    existingAnchors_[first + static_cast<std::int64_t>(rows.size()) - 1] = {rows.back().date, rows.back().key};
  }
  return out;
}

void ImportReview::matchExisting() {
  const store::RegionalSettings& regional = data_->regional();
  // Rows by (column, amount text, date), in list order; each existing
  // transaction takes the first row of its key not yet taken. Equivalent to
  // searching from the top for a free row, without the repeated search.
  using Key = std::tuple<bool, std::string, std::string>;
  std::map<Key, std::vector<std::size_t>> free;
  std::set<std::string> dates;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const bool payment = !rows_[i].payment.empty();
    free[Key{payment, payment ? rows_[i].payment : rows_[i].deposit, rows_[i].date}].push_back(i);
    dates.insert(rows_[i].date);
  }
  if (dates.empty()) return;
  std::map<Key, std::size_t> nextFree;

  // Only a transaction on a statement line's date can match it: the window
  // narrowed to the statement's first and last dates, read from the index
  // that holds each row's date and amount, so the account's other years cost
  // nothing. The window's ends are dates as DATE() writes them.
  const std::string from = std::max(*dates.begin(), windowStart_);
  const std::string to = std::min(*dates.rbegin(), windowEnd_);
  if (from > to) return;
  ledger::RowTexts texts(*data_);
  std::vector<std::pair<std::size_t, ledger::TransactionKey>> matches;
  // SQLite would pick the narrower date index and visit every row for its
  // amount; the balance index holds both. Named only when the file has it
  // (the store creates it at open), so a missing index never hides a match.
  const bool covering = !store::QueryFirstText(data_->db(), "SELECT name FROM sqlite_master WHERE type = 'index' AND "
                                                            "name = 'TvTransactionsBalances'")
                             .empty();
  for (Query q(data_->db(), FormatSql("SELECT ID, Amount, TransactionDate FROM Transactions%s WHERE Account = %d AND "
                                      "Deleted = 0 AND TransactionDate >= '%Q' AND TransactionDate <= '%Q' ORDER BY "
                                      "TransactionDate, ID",
                                      {covering ? " INDEXED BY TvTransactionsBalances" : "", account_, from, to}));
       q.hasRow(); q.next()) {
    const std::string date = q.text(2);
    if (!dates.contains(date)) continue;
    // A zero amount is a deposit-column candidate, so that is where an
    // existing zero row looks; searching the payments would import it again
    // on every retrieval.
    const Money stored(q.int64(1));
    const bool payment = stored.minorUnits() < 0;
    const Key key{payment, store::FormatMoney(regional, payment ? -stored : stored), date};
    const auto candidates = free.find(key);
    if (candidates == free.end()) continue;
    std::size_t& next = nextFree[key];
    if (next >= candidates->second.size()) continue;
    matches.emplace_back(candidates->second[next++], q.int32(0));
  }
  for (const auto& [index, key] : matches) {
    const auto row = ledger::LoadTransaction(data_->db(), key);
    if (!row) continue;
    ReviewRow& matched = rows_[index];
    matched.ticked = false;
    matched.matchedBy = row->key;
    matched.payee = texts.payee(*row);
    matched.category = PlainCategoryName(*data_, row->category);
  }
}

Money ImportReview::balanceAfterImport() const {
  const store::RegionalSettings& regional = data_->regional();
  Money balance = startBalance_;
  const bool asset = asset_;
  for (const ReviewRow& row : rows_) {
    if (!row.ticked) continue;
    const Money deposit = store::ParseMoney(regional, row.deposit);
    const Money payment = store::ParseMoney(regional, row.payment);
    balance += asset ? deposit - payment : payment - deposit;
  }
  return balance;
}

bool ImportReview::anyTicked() const {
  for (const ReviewRow& row : rows_) {
    if (row.ticked) return true;
  }
  return false;
}

std::string ImportReview::nothingToImport() const {
  if (rows_.empty()) return "Nothing was imported: the statement holds no transactions.";
  bool allMatched = true;
  for (const ReviewRow& row : rows_) allMatched = allMatched && row.matchedBy.has_value();
  if (allMatched) return "Nothing was imported: every transaction of the statement is already in the account.";
  return "Nothing was imported: no transaction is ticked for import.";
}

Status ImportReview::checkTickedRows(store::Prompter& prompter) {
  const store::RegionalSettings& regional = data_->regional();
  refusedRow_.reset();
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const ReviewRow& row = rows_[i];
    if (!row.ticked) continue;
    const Money magnitude = store::ParseMoney(regional, row.payment.empty() ? row.deposit : row.payment);
    if (std::llabs(magnitude.minorUnits()) >= store::kMoneyInputLimit) {
      const std::string message =
          FormatSql("The amount must be less than %s.", {store::FormatMoney(regional, Money(store::kMoneyInputLimit))});
      refusedRow_ = i;
      prompter.balloon("rows", "", message);
      return Status::Fail(message, "", "rows");
    }
    // The parser gives every row a storable day; a row that lost it
    // elsewhere is named rather than left out.
    if (!ledger::IsStorableDate(row.date)) {
      refusedRow_ = i;
      const std::string message = FormatSql("The date %s of row %d is not a calendar day. Nothing was imported.",
                                            {row.date, static_cast<long long>(i + 1)});
      prompter.balloon("rows", "", message);
      return Status::Fail(message, "", "rows");
    }
  }
  return Status::Ok();
}

Status ImportReview::commit(store::Progress& progress, store::Prompter& prompter) {
  DataContext& data = *data_;
  const store::RegionalSettings& regional = data.regional();
  progress.setTitle("Importing Transactions");
  // Every ticked row is written or none: a row that cannot be stored stops
  // the commit before the first write, so pressing Import again after
  // mending it writes each row once.
  if (Status checked = checkTickedRows(prompter); !checked) return checked;
  store::WriteGuard guard(data.db());
  auto failed = [&] { return Status::FileError(store::WriteFailureMessage(data.db().lastError())); };

  std::unordered_map<std::string, ledger::CategoryKey> categories;
  std::unordered_map<std::string, ledger::PayeeKey> payees;
  // The category each payee ends up remembering: the last row's.
  std::map<ledger::PayeeKey, ledger::CategoryKey> remembered;
  const ledger::CategoryKey notCategorized = ledger::FindCategoryId(data, ledger::kNotCategorized).value_or(0);
  const auto total = static_cast<long long>(rows_.size());
  long long done = 0;
  for (const ReviewRow& row : rows_) {
    // Progress every so many rows, and a cancel then takes back every row
    // written so far (leaving without the guard's commit).
    if (done++ % kProgressEveryRows == 0) {
      progress.setFraction(done - 1, total);
      if (progress.cancelRequested()) return Status::Declined();
    }
    if (!row.ticked) continue;
    auto category = categories.find(row.category);
    if (category == categories.end()) {
      ledger::CategoryKey key = row.category.empty() ? -1 : ledger::FindCategoryByFullName(data, row.category);
      if (key < 0) key = notCategorized;
      category = categories.emplace(row.category, key).first;
    }
    const bool isPayment = !row.payment.empty();
    const Money magnitude = store::ParseMoney(regional, isPayment ? row.payment : row.deposit);
    const std::string payeeName = store::CutChars(row.payee);
    auto payee = payees.find(payeeName);
    if (payee == payees.end()) {
      // The first live payee of that name, or a new one; an empty name links none.
      const auto key = ledger::PayeeFromTypedName(data, payeeName);
      if (!key && !ledger::TrimSpaces(payeeName).empty()) return failed();
      payee = payees.emplace(payeeName, key.value_or(0)).first;
    }
    ledger::TransactionFields fields;
    fields.account = account_;
    fields.amount = isPayment ? -magnitude : magnitude;
    fields.description = payeeName;
    fields.category = category->second;
    fields.date = row.date;
    fields.taxDeductible = 2;
    fields.cleared = true;
    fields.type = isPayment ? ledger::TransactionType::Purchase : ledger::TransactionType::Deposit;
    fields.payee = payee->second;
    // Leaving without the guard's commit takes back every row written.
    if (!ledger::AddTransaction(data, fields)) return failed();
    if (payee->second > 0) remembered[payee->second] = category->second;
  }
  for (const auto& [payee, category] : remembered) ledger::RememberPayeeCategory(data, payee, category);
  const std::string first = ledger::FirstTransactionDate(data, account_);
  if (!first.empty()) ledger::RecomputeMonthlyBalances(data, account_, first);
  {
    store::Table accounts(data.db(), "Accounts");
    store::Record account;
    if (store::LoadRecord(accounts, account, ledger::KeyText(account_))) {
      account.SetText("LastRetrieved", ledger::TodayText(data));
    }
  }
  ledger::UpdateCurrentBalance(data, account_);
  if (Status committed = guard.commit(); !committed) return committed;
  progress.setFraction(1, 1);
  return Status::Ok();
}

std::vector<std::string> ImportReview::CategoryChoices(DataContext& data) {
  std::vector<std::string> choices{std::string(ledger::kNotCategorized)};
  struct Line {
    int32_t key;
    std::string name;
    bool header;
  };
  std::vector<Line> tops;
  for (Query q(data.db(), "SELECT ID, PayCategory, Header FROM Categories WHERE Parent = 0 AND Deleted = 0 ORDER BY ID");
       q.hasRow(); q.next()) {
    tops.push_back({q.int32(0), q.text(1), q.int32(2) != 0});
  }
  for (const Line& top : tops) {
    choices.push_back(top.name);
    if (!top.header) continue;
    for (Query q(data.db(), FormatSql("SELECT PayCategory FROM Categories WHERE Parent = %d AND Deleted = 0 ORDER BY ID",
                                      {top.key}));
         q.hasRow(); q.next()) {
      choices.push_back(FormatSql("%s | %s", {top.name, q.text(0)}));
    }
  }
  return choices;
}

}  // namespace tallyvane::import
