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
    std::string first = FirstTransactionDate(data, account);
    std::string last = LastTransactionDate(data, account);
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
  auto step = [&](Money amount) { return asset ? amount : -amount; };
  RowTexts texts(data);
  texts.preloadPayees(rows);

  // The first row's balance comes from the cache; later rows step from it.
  Money balance = TransactionRunningBalance(data, rows.front().key);
  if (!rows.front().isVoid) balance -= step(rows.front().amount);

  for (const TransactionRow& row : rows) {
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
        RegisterRow line;
        line.row = row;
        line.splitLine = split.key;
        line.payeeText = texts.payee(row);
        line.categoryText = "-split-  " + texts.categoryName(split.category);
        line.note = CleanNote(split.note);
        place(line, split.amount);
        if (!row.isVoid) balance += step(split.amount);
        line.balance = balance;
        out.push_back(std::move(line));
      }
      continue;
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
  return out;
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
  if (row && row->type != static_cast<int>(TransactionType::Deposit) && row->category > 0) {
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

}  // namespace tallyvane::ledger
