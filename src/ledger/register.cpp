#include "ledger/register.h"

#include <ctime>

#include "ledger/accounts.h"
#include "ledger/balances.h"
#include "ledger/categories.h"
#include "store/dates.h"
#include "store/record.h"
#include "store/text.h"

namespace tallyvane::ledger {

using store::FormatSql;
using store::Query;

namespace {

std::string Date(int year, int month, int day) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.4d-%.2d-%.2d", year, month, day);
  return buffer;
}

// Normalises a year and a possibly out-of-range month (0-based).
void Carry(int& year, int& month0) {
  while (month0 < 0) {
    month0 += 12;
    --year;
  }
  while (month0 > 11) {
    month0 -= 12;
    ++year;
  }
}

std::string Shift(std::time_t t, int days) {
  std::tm tm{};
  localtime_r(&t, &tm);
  tm.tm_mday += days;
  tm.tm_hour = 12;
  tm.tm_isdst = -1;
  return store::DateText(std::mktime(&tm));
}

// The first or last day of an account's live investment rows (the table
// the investment register reads); empty when there are none.
std::string InvestmentDateBound(DataContext& data, AccountKey account, std::string_view bound) {
  return store::QueryFirstText(
      data.db(), FormatSql("SELECT %s(DATE(TransactionDate)) from Investments where Account = %d AND Deleted = 0",
                           {bound, account}));
}

std::string CleanNote(std::string note) {
  std::string out;
  for (char c : note) {
    if (c == '\n') continue;
    out.push_back(c == '\r' ? ' ' : c);
  }
  return out;
}

}  // namespace

std::optional<DateSpan> RegisterPeriod(DataContext& data, std::string_view choice, AccountKey account) {
  const std::time_t now = data.now();
  std::tm tm{};
  localtime_r(&now, &tm);
  const int year = tm.tm_year + 1900;
  const int month0 = tm.tm_mon;
  const std::string today = store::DateText(now);
  if (choice == "All") {
    // An investment account's register lists its investment actions, so
    // they bound the span; its bank rows (if any) are not what is shown.
    const bool investment = IsInvestmentAccount(data, account);
    std::string first = investment ? InvestmentDateBound(data, account, "MIN") : FirstTransactionDate(data, account);
    std::string last = investment ? InvestmentDateBound(data, account, "MAX") : LastTransactionDate(data, account);
    if (first.empty()) first = today;
    if (last.empty() || last < today) last = today;
    return DateSpan{first, last};
  }
  if (choice == "Today") return DateSpan{today, today};
  if (choice == "Yesterday") {
    const std::string yesterday = Shift(now, -1);
    return DateSpan{yesterday, yesterday};
  }
  if (choice == "This Week" || choice == "Last Week") {
    const int back = tm.tm_wday + (choice == "Last Week" ? 7 : 0);
    return DateSpan{Shift(now, -back), Shift(now, -back + 6)};
  }
  if (choice == "This Month" || choice == "Last Month") {
    int y = year;
    int m = month0 - (choice == "Last Month" ? 1 : 0);
    Carry(y, m);
    return DateSpan{Date(y, m + 1, 1), Date(y, m + 1, store::DaysInMonth(m + 1, y))};
  }
  if (choice == "This Quarter" || choice == "Last Quarter") {
    int y = year;
    int m = (month0 / 3) * 3 - (choice == "Last Quarter" ? 3 : 0);
    Carry(y, m);
    return DateSpan{Date(y, m + 1, 1), Date(y, m + 3, store::DaysInMonth(m + 3, y))};
  }
  if (choice == "This Year") return DateSpan{Date(year, 1, 1), Date(year, 12, 31)};
  if (choice == "Last Year") return DateSpan{Date(year - 1, 1, 1), Date(year - 1, 12, 31)};
  return std::nullopt;
}

std::string PaymentColumnTitle(DataContext& data, AccountKey account) {
  return AccountIsAsset(data, account) ? "Payment" : "Charge";
}

namespace {

// Appends a row's register lines (its split lines in its place when splits
// are shown), stepping the running balance over every line; split lines
// before `fromSplit` are stepped over but not listed (a page that starts
// inside a split).
void AppendLines(DataContext& data, RowTexts& texts, const TransactionRow& row, bool showSplits, bool asset,
                 Money& balance, std::vector<RegisterRow>& out, SplitLineKey fromSplit = 0) {
  auto step = [&](Money amount) { return asset ? amount : -amount; };
  auto place = [&](RegisterRow& line, Money amount) {
    const bool payment = line.row.isTransfer() ? amount.minorUnits() <= 0
                                               : line.row.type != static_cast<int>(TransactionType::Deposit);
    if (payment) {
      line.payment = -amount;
    } else {
      line.deposit = amount;
    }
  };
  if (showSplits && row.split) {
    for (const SplitLine& split : LiveSplitLines(data, row.key)) {
      if (!row.isVoid) balance += step(split.amount);
      if (split.key < fromSplit) continue;
      RegisterRow line;
      line.row = row;
      line.splitLine = split.key;
      line.payeeText = texts.payee(row);
      line.categoryText = "-split-  " + texts.categoryName(split.category);
      line.note = CleanNote(split.note);
      place(line, split.amount);
      line.balance = balance;
      out.push_back(std::move(line));
    }
    return;
  }
  RegisterRow line;
  line.row = row;
  line.payeeText = texts.payee(row);
  line.categoryText = texts.category(row);
  line.note = row.note;
  place(line, row.amount);
  if (!row.isVoid) balance += step(row.amount);
  line.balance = balance;
  out.push_back(std::move(line));
}

// The balance before a row: the cache's balance after it, less its own step.
Money BalanceBefore(DataContext& data, const TransactionRow& row, bool asset) {
  Money balance = TransactionRunningBalance(data, row.key);
  if (!row.isVoid) balance -= asset ? row.amount : -row.amount;
  return balance;
}

}  // namespace

std::vector<RegisterRow> RegisterRows(DataContext& data, AccountKey account, const std::string& from,
                                      const std::string& to, bool showSplits) {
  std::vector<TransactionRow> rows;
  {
    TransactionRange range(data.db(), account, -1, from, to, true);
    TransactionRow row;
    while (range.next(row)) rows.push_back(row);
  }
  std::vector<RegisterRow> out;
  if (rows.empty()) return out;
  const bool asset = AccountIsAsset(data, account);
  RowTexts texts(data);
  texts.preloadPayees(rows);
  // The first row's balance comes from the cache; later rows step from it.
  Money balance = BalanceBefore(data, rows.front(), asset);
  for (const TransactionRow& row : rows) AppendLines(data, texts, row, showSplits, asset, balance, out);
  return out;
}

RegisterPages::RegisterPages(DataContext& data, AccountKey account, std::string from, std::string to, bool showSplits)
    : data_(data),
      account_(account),
      from_(std::move(from)),
      to_(std::move(to)),
      showSplits_(showSplits),
      asset_(AccountIsAsset(data, account)) {
  Query q(data_.db(), lineQuery(nullptr, nullptr, true, {}, true));
  count_ = q.hasRow() ? q.int64(0) : 0;
}

// The line keys of the period (date, transaction, split line) in the
// register's order or its reverse. Each end is either the period's or a line
// key, never both: SQLite walks the account's index from the one bound it is
// given, so a page read from an anchor costs the page, not the distance from
// the period's start. Without split lines the query reads the index alone.
std::string RegisterPages::lineQuery(const LineKey* below, const LineKey* above, bool ascending,
                                     const std::string& where, bool count) const {
  const char* dir = ascending ? "" : " DESC";
  auto bound = [&](const LineKey* key, bool after) {
    if (key == nullptr) {
      return FormatSql(after ? " AND t.TransactionDate >= DATE('%Q')" : " AND t.TransactionDate <= DATE('%Q')",
                       {after ? from_ : to_});
    }
    const char* op = after ? ">" : "<";
    const std::string splitTerm = showSplits_ ? FormatSql(" AND IFNULL(s.ID, 0) %s= %d", {op, key->split}) : "";
    return FormatSql(" AND t.TransactionDate %s= '%Q' AND (t.TransactionDate %s '%Q' OR t.ID %s %d OR (t.ID = %d%s))",
                     {op, key->date, op, key->date, op, key->transaction, key->transaction, splitTerm});
  };
  const std::string range = bound(below, true) + bound(above, false) + where;
  // A count needs no order: counted in the index without a sorted copy.
  if (!showSplits_) {
    return FormatSql(count ? "SELECT COUNT(*) FROM Transactions t WHERE t.Account = %d AND t.Deleted = 0%s"
                           : "SELECT t.TransactionDate, t.ID, 0 FROM Transactions t WHERE t.Account = %d AND "
                             "t.Deleted = 0%s ORDER BY t.TransactionDate%s, t.ID%s",
                     {account_, range, dir, dir});
  }
  // A split parent stands as its live split lines (none: not listed), as
  // LiveSplitLines reads them.
  return FormatSql(count ? "SELECT COUNT(*)%s FROM Transactions t LEFT JOIN SplitTransactions s ON t.SplitTransaction "
                           "!= 0 AND s.TransactionID = t.ID AND s.Deleted != 1 WHERE t.Account = %d AND t.Deleted = 0 "
                           "AND (IFNULL(t.SplitTransaction, 0) = 0 OR s.ID IS NOT NULL)%s"
                         : "SELECT t.TransactionDate, t.ID, IFNULL(s.ID, 0)%s FROM Transactions t LEFT JOIN "
                           "SplitTransactions s ON t.SplitTransaction != 0 AND s.TransactionID = t.ID AND s.Deleted "
                           "!= 1 WHERE t.Account = %d AND t.Deleted = 0 AND (IFNULL(t.SplitTransaction, 0) = 0 OR "
                           "s.ID IS NOT NULL)%s ORDER BY t.TransactionDate%s, t.ID%s, s.ID%s",
                   {"", account_, range, dir, dir, dir});
}

std::optional<RegisterPages::LineKey> RegisterPages::keyAt(std::int64_t position) {
  if (position < 0 || position >= count_) return std::nullopt;
  if (const auto found = anchors_.find(position); found != anchors_.end()) return found->second;
  // Walk from whichever known place is nearest: an anchor below or above,
  // the top or the bottom.
  std::int64_t below = 0;
  const LineKey* belowKey = nullptr;
  std::int64_t above = count_ - 1;
  const LineKey* aboveKey = nullptr;
  auto next = anchors_.lower_bound(position);
  if (next != anchors_.end()) {
    above = next->first;
    aboveKey = &next->second;
  }
  if (next != anchors_.begin()) {
    auto previous = std::prev(next);
    below = previous->first;
    belowKey = &previous->second;
  }
  const bool up = position - below <= above - position;
  const std::string sql =
      up ? lineQuery(belowKey, nullptr, true) +
               FormatSql(" LIMIT 1 OFFSET %lld", {static_cast<long long>(position - below)})
         : lineQuery(nullptr, aboveKey, false) +
               FormatSql(" LIMIT 1 OFFSET %lld", {static_cast<long long>(above - position)});
  Query q(data_.db(), sql);
  if (!q.hasRow()) return std::nullopt;
  LineKey key{q.string(0), q.int32(1), q.int32(2)};
  anchors_[position] = key;
  return key;
}

std::vector<RegisterRow> RegisterPages::lines(std::int64_t first, std::int64_t count) {
  std::vector<RegisterRow> out;
  if (count <= 0) return out;
  const auto start = keyAt(first);
  if (!start) return out;
  // The last line's key bounds the rows to read.
  std::optional<LineKey> end;
  {
    Query q(data_.db(), lineQuery(&*start, nullptr, true) +
                            FormatSql(" LIMIT 1 OFFSET %lld", {static_cast<long long>(count - 1)}));
    if (q.hasRow()) end = LineKey{q.string(0), q.int32(1), q.int32(2)};
  }
  const std::int64_t last = end ? first + count - 1 : count_ - 1;
  if (!end) end = keyAt(last);
  if (!end) return out;
  anchors_[last] = *end;

  std::vector<TransactionRow> rows;
  {
    Query q(data_.db(),
            FormatSql("SELECT * FROM Transactions WHERE Account = %d AND Deleted = 0 AND TransactionDate >= '%Q' AND "
                      "TransactionDate <= '%Q' AND (TransactionDate > '%Q' OR ID >= %d) AND "
                      "(TransactionDate < '%Q' OR ID <= %d) ORDER BY TransactionDate, ID",
                      {account_, start->date, end->date, start->date, start->transaction, end->date, end->transaction}));
    for (; q.hasRow(); q.next()) {
      TransactionRow row;
      ReadTransactionRow(q, row);
      rows.push_back(std::move(row));
    }
  }
  if (rows.empty()) return out;
  RowTexts texts(data_);
  texts.preloadPayees(rows);
  Money balance = BalanceBefore(data_, rows.front(), asset_);
  out.reserve(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    AppendLines(data_, texts, rows[i], showSplits_, asset_, balance, out, i == 0 ? start->split : 0);
  }
  if (out.size() > static_cast<std::size_t>(count)) out.resize(static_cast<std::size_t>(count));
  return out;
}

std::optional<std::int64_t> RegisterPages::positionOf(TransactionKey key) {
  const auto row = LoadTransaction(data_.db(), key);
  if (!row || row->deleted || row->account != account_) return std::nullopt;
  std::int64_t own = 0;
  {
    Query lines(data_.db(), lineQuery(nullptr, nullptr, true, FormatSql(" AND t.ID = %d", {key}), true));
    own = lines.hasRow() ? lines.int64(0) : 0;
  }
  if (own == 0) return std::nullopt;
  // Counted from the nearer end of the period, the walk bounded by the
  // transaction itself: a row near the bottom, where a view opens, costs the
  // lines after it.
  if (middle_.empty()) {
    middle_ = store::QueryFirstText(
        data_.db(), FormatSql("SELECT DATE((julianday(DATE('%Q')) + julianday(DATE('%Q'))) / 2)", {from_, to_}));
  }
  if (row->date > middle_) {
    const LineKey after{row->date, key + 1, 0};
    Query q(data_.db(), lineQuery(&after, nullptr, true, {}, true));
    if (!q.hasRow()) return std::nullopt;
    return count_ - q.int64(0) - own;
  }
  const LineKey before{row->date, key - 1, INT32_MAX};
  Query q(data_.db(), lineQuery(nullptr, &before, true, {}, true));
  return q.hasRow() ? std::optional<std::int64_t>(q.int64(0)) : std::nullopt;
}

Status RegisterDelete(DataContext& data, const std::vector<TransactionKey>& keys, store::Prompter& prompter) {
  std::vector<TransactionRow> rows;
  for (TransactionKey key : keys) {
    const auto row = LoadTransaction(data.db(), key);
    if (!row || row->deleted) continue;
    // A selection holding a reconciled row is refused without a word.
    if (row->reconciled) return Status::Fail("", "", "reconciled");
    rows.push_back(*row);
  }
  if (rows.empty()) return Status::Ok();
  if (prompter.ask("Delete Transactions", "Are you sure that you would like to delete the selected transactions?",
                   {"Delete", "Cancel"}) != 0) {
    return Status::Declined();
  }
  store::WriteGuard guard(data.db());
  int deleted = 0;
  int skipped = 0;
  {
    RebalanceBatch batch(data);
    for (const TransactionRow& row : rows) {
      if (row.split) {
        ++skipped;
        continue;
      }
      if (DeleteTransaction(data, row.key)) ++deleted;
    }
  }
  UpdateAllCurrentBalances(data);
  if (Status committed = guard.commit(); !committed) return committed;
  if (skipped > 0) {
    const std::string message =
        deleted > 0 ? "Not all transactions were deleted.  Split transactions should be deleted from the split "
                      "transaction dialog so that the transaction amounts may be reallocated."
                    : "Split transactions should be deleted from the split transaction dialog so that the transaction "
                      "amounts may be reallocated.";
    prompter.message("Delete transactions", message, store::Icon::Warning);
    if (deleted == 0) return Status::Fail(message, "Delete transactions");
  }
  return Status::Ok();
}

Status RegisterVoid(DataContext& data, const std::vector<TransactionKey>& keys, store::Prompter& prompter) {
  std::vector<TransactionRow> rows;
  for (TransactionKey key : keys) {
    const auto row = LoadTransaction(data.db(), key);
    if (!row || row->deleted) continue;
    rows.push_back(*row);
  }
  for (const TransactionRow& row : rows) {
    if (row.reconciled) {
      prompter.message("Void failed", "Transactions that have already been reconciled cannot be voided.", store::Icon::Error);
      return Status::Fail("Transactions that have already been reconciled cannot be voided.", "Void failed");
    }
  }
  for (const TransactionRow& row : rows) {
    if (row.isVoid) {
      prompter.message("Void failed", "Transaction has already been marked void.", store::Icon::Error);
      return Status::Fail("Transaction has already been marked void.", "Void failed");
    }
  }
  if (rows.empty()) return Status::Ok();
  if (prompter.ask("Void Transactions", "Are you sure that you would like to void the selected transactions?",
                   {"Void", "Cancel"}) != 0) {
    return Status::Declined();
  }
  store::WriteGuard guard(data.db());
  for (const TransactionRow& row : rows) {
    VoidTransaction(data, row.key);
    if (row.referencedId != 0) VoidTransaction(data, row.referencedId);
  }
  UpdateAllCurrentBalances(data);
  return guard.commit();
}

Status RegisterUnreconcile(DataContext& data, TransactionKey row, store::Prompter& prompter) {
  if (prompter.ask("Unreconcile Transaction",
                   "Are you sure that you would like to unreconcile the selected transaction?\r\nThis will cause "
                   "already reconciled statements to be in error.",
                   {"Unreconcile", "Cancel"}) != 0) {
    return Status::Declined();
  }
  store::WriteGuard guard(data.db());
  if (!UnreconcileTransaction(data, row)) return Status::Fail("Cannot open transaction and save changes.", "Edit Transaction");
  UpdateAllCurrentBalances(data);
  return guard.commit();
}

bool RegisterRowChangeable(const TransactionRow& row) { return !row.deleted && !row.reconciled; }

std::optional<TransactionKey> RegisterEditTarget(DataContext& data, TransactionKey key) {
  auto row = LoadTransaction(data.db(), key);
  if (!row || !RegisterRowChangeable(*row) || row->note == kBalancingEntryNote) return std::nullopt;
  if (row->isPartner()) {
    row = LoadTransaction(data.db(), row->referencedId);
    if (!row || !RegisterRowChangeable(*row)) return std::nullopt;
  }
  return row->key;
}

Status RegisterSetCategory(DataContext& data, TransactionKey key, std::string_view category,
                           std::string_view subcategory, store::Prompter& prompter) {
  const auto before = LoadTransaction(data.db(), key);
  if (!before || before->split) return Status::Fail("", "", "split");
  // Refused without a word, as the edit form is.
  if (!RegisterRowChangeable(*before)) return Status::Declined();
  store::WriteGuard guard(data.db());
  if (!SetTransactionCategoryByName(data, key, category, subcategory)) {
    return Status::Fail("Cannot open transaction and save changes.", "Edit Transaction");
  }
  const auto row = LoadTransaction(data.db(), key);
  if (row && row->type != static_cast<int>(TransactionType::Deposit) && row->category > 0 && !row->isTransfer()) {
    const std::string budgets = MonthlyBudgetOverrun(data, row->key, row->account, row->category, -row->amount);
    if (!budgets.empty()) {
      prompter.message("Transaction Over Budget",
                       FormatSql("Warning: This transaction exceeds the monthly budgeted spending amount for category "
                                 "\"%s\" in the following budgets: %s",
                                 {CategoryFullName(data, row->category).value_or(""), budgets}),
                       store::Icon::Warning);
    }
  }
  return guard.commit();
}

RegisterFindResult RegisterFind(DataContext& data, const std::vector<RegisterRow>& rows, std::string_view text,
                                std::optional<TransactionKey> after) {
  std::size_t start = 0;
  if (after) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].row.key == *after) start = i + 1;
    }
  }
  for (std::size_t i = start; i < rows.size(); ++i) {
    if (after && rows[i].row.key == *after) continue;
    if (TransactionMatchesText(data, rows[i].row.key, text)) return {rows[i].row.key, Status::Ok()};
  }
  if (after) {
    return {std::nullopt,
            Status::Fail(FormatSql("No more transactions matching \"%s\" could be found.", {text}), "Search Complete")};
  }
  return {std::nullopt,
          Status::Fail(FormatSql("No transactions matching \"%s\" were found.", {text}), "Find a transaction")};
}

RegisterFindResult RegisterFind(DataContext& data, AccountKey account, const std::string& from,
                                const std::string& to, std::string_view text, std::optional<TransactionKey> after) {
  std::string where = FormatSql("Account = %d AND Deleted = 0 AND TransactionDate >= DATE('%Q') AND "
                                "TransactionDate <= DATE('%Q')",
                                {account, from, to});
  if (after) {
    Query q(data.db(), FormatSql("SELECT TransactionDate FROM Transactions WHERE ID = %d AND Account = %d AND "
                                 "Deleted = 0 AND TransactionDate >= DATE('%Q') AND TransactionDate <= DATE('%Q')",
                                 {*after, account, from, to}));
    // A row outside the period searches from the top, as the list would.
    if (q.hasRow()) {
      const std::string date = q.string(0);
      where += FormatSql(" AND TransactionDate >= '%Q' AND (TransactionDate > '%Q' OR ID > %d)", {date, date, *after});
    }
  }
  // Only keys are held: each candidate is matched on its own row.
  for (Query q(data.db(), "SELECT ID FROM Transactions WHERE " + where + " ORDER BY TransactionDate, ID"); q.hasRow();
       q.next()) {
    const TransactionKey key = q.int32(0);
    if (TransactionMatchesText(data, key, text)) return {key, Status::Ok()};
  }
  if (after) {
    return {std::nullopt,
            Status::Fail(FormatSql("No more transactions matching \"%s\" could be found.", {text}), "Search Complete")};
  }
  return {std::nullopt,
          Status::Fail(FormatSql("No transactions matching \"%s\" were found.", {text}), "Find a transaction")};
}

}  // namespace tallyvane::ledger
