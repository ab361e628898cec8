#include "reports/journal.h"

#include <algorithm>
#include <tuple>

#include "ledger/balances.h"
#include "ledger/categories.h"
#include "ledger/payees.h"
#include "ledger/transactions.h"
#include "reports/names.h"
#include "store/db.h"
#include "store/record.h"
#include "store/sql_format.h"

namespace tallyvane::reports {

using ledger::TransactionRow;
using store::FormatSql;

namespace {

// A line with where it stood in the table, for the date sort.
struct Placed {
  JournalLine line;
  TransactionKey parent = 0;
  int32_t splitLine = 0;
};

std::vector<JournalLine> SortedByDate(std::vector<Placed> placed) {
  std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
    return std::tie(a.line.cells[1], a.parent, a.splitLine) < std::tie(b.line.cells[1], b.parent, b.splitLine);
  });
  std::vector<JournalLine> lines;
  lines.reserve(placed.size());
  for (Placed& p : placed) lines.push_back(std::move(p.line));
  return lines;
}

std::string CategoryHeader(DataContext& data, ledger::CategoryKey category) {
  return FormatSql("Transactions Report for Category: %s", {ledger::CategoryFullName(data, category).value_or("")});
}

std::string PayeeHeader(DataContext& data, ledger::PayeeKey payee) {
  return FormatSql("Transactions Report for Payee: %s", {ledger::PayeeName(data, payee).value_or("")});
}

}  // namespace

Journal::Journal(DataContext& data, const ReportPeriod& period, ColumnSet columns, std::string windowTitle,
                 std::string header, JournalMode mode)
    : data_(data),
      period_(period),
      columns_(columns),
      windowTitle_(std::move(windowTitle)),
      header_(std::move(header)),
      periodText_(PeriodText(data.regional(), period)),
      mode_(mode) {}

std::string Journal::money(Money amount) const { return store::FormatMoney(data_.regional(), amount); }

void Journal::fill() { lines_ = collect(); }

bool Journal::selectionAllowed(const std::vector<TransactionKey>&) const { return true; }

std::string_view Journal::deleteQuestion(const std::vector<TransactionKey>&) const {
  return kDeleteTransactionsQuestion;
}

ledger::EntryResult Journal::add(const ledger::EntryForm& form, store::Prompter& prompter) {
  ledger::EntryForm fresh = form;
  fresh.key.reset();
  ledger::EntryResult result = ledger::EnterTransaction(data_, fresh, prompter);
  if (result.status) {
    ledger::UpdateAllCurrentBalances(data_);
    changed_ = true;
    fill();
  }
  return result;
}

bool Journal::canEdit(const std::vector<TransactionKey>& selected) const {
  return selected.size() == 1 && selectionAllowed(selected);
}

std::optional<ledger::EntryForm> Journal::openForEdit(TransactionKey id) const {
  if (!canEdit({id})) return std::nullopt;
  std::optional<ledger::EntryForm> form = ledger::OpenEntryForm(data_, id);
  if (form) form->fromReport = true;
  return form;
}

ledger::EntryResult Journal::edit(const ledger::EntryForm& form, store::Prompter& prompter) {
  if (!form.key) return {Status::Fail("", "", "edit"), std::nullopt, {}};
  ledger::EntryForm opened = form;
  opened.fromReport = true;
  ledger::EntryResult result = ledger::EnterTransaction(data_, opened, prompter);
  if (result.status) {
    ledger::UpdateAllCurrentBalances(data_);
    changed_ = true;
    fill();
  }
  return result;
}

bool Journal::canDelete(const std::vector<TransactionKey>& selected) const {
  return !selected.empty() && selectionAllowed(selected);
}

Status Journal::deleteSelected(const std::vector<TransactionKey>& selected, store::Prompter& prompter) {
  if (!canDelete(selected)) return Status::Fail("", "", "delete");
  std::vector<TransactionRow> rows;
  for (TransactionKey key : selected) {
    if (auto row = ledger::LoadTransaction(data_.db(), key); row && !row->deleted) rows.push_back(*row);
  }
  if (rows.empty()) return Status::Ok();
  if (prompter.ask(kDeleteTransactionsTitle, deleteQuestion(selected), {"Delete", "Cancel"}) != 0) {
    return Status::Declined();
  }
  int deleted = 0;
  int leftAlone = 0;
  {
    store::WriteGuard guard(data_.db());
    {
      ledger::RebalanceBatch batch(data_);
      for (const TransactionRow& row : rows) {
        if (row.reconciled) {
          ++leftAlone;
        } else if (ledger::DeleteTransaction(data_, row.key)) {
          ++deleted;
        }
      }
    }
    ledger::UpdateAllCurrentBalances(data_);
    if (Status committed = guard.commit(); !committed) return committed;
  }
  if (leftAlone > 0) prompter.message(kNotAllDeletedTitle, kNotAllDeleted, store::Icon::Information);
  if (deleted > 0) {
    changed_ = true;
    fill();
    return Status::Ok();
  }
  return leftAlone > 0 ? Status::Fail(std::string(kNotAllDeleted), std::string(kNotAllDeletedTitle)) : Status::Ok();
}

// ---- category journal ----

CategoryJournal::CategoryJournal(DataContext& data, ledger::CategoryKey category, const ReportPeriod& period,
                                 JournalMode mode, bool includeTransfers)
    : Journal(data, period, kCategoryJournalColumns, "Journal - Category Transactions", CategoryHeader(data, category),
              mode),
      category_(category),
      includeTransfers_(includeTransfers) {}

std::vector<JournalLine> CategoryJournal::collect() {
  DataContext& context = data();
  ReportTexts texts(context);
  std::vector<Placed> placed;
  auto contribute = [&](const TransactionRow& row, int32_t splitLine) {
    if (!includeTransfers_ && row.isTransfer()) return;
    std::optional<Money> payment;
    std::optional<Money> deposit;
    if (row.type != static_cast<int>(ledger::TransactionType::Deposit)) {
      if (mode() == JournalMode::Deposits) return;
      payment = -row.amount;
    } else if (texts.isAsset(row.account)) {
      if (mode() == JournalMode::Payments) return;
      deposit = row.amount;
    } else {
      return;
    }
    Placed p;
    p.parent = row.key;
    p.splitLine = splitLine;
    p.line.id = row.key;
    p.line.payment = payment;
    p.line.deposit = deposit;
    p.line.note = row.note;
    p.line.cells = {std::to_string(row.key),           row.date, row.number, texts.payeeText(row), row.note,
                    payment ? money(*payment) : "", deposit ? money(*deposit) : ""};
    placed.push_back(std::move(p));
  };

  const std::string from = period().startText();
  const std::string to = period().endText();
  // Transactions filed under the category, through the category index.
  {
    PeriodRows range(context.db(), FormatSql("Category = %d", {category_}), from, to);
    TransactionRow row;
    while (range.next(row)) {
      if (row.isVoid || row.split) continue;
      contribute(row, 0);
    }
  }
  // Split lines of the category: the period's split transactions, found per
  // account through the account index, joined to their lines through the
  // parent index. The line's Amount and Category stand in the row's place.
  {
    store::Query q(
        context.db(),
        FormatSql("SELECT t.ID, t.Account, s.Amount, t.PayAccount, t.ReferencedAccount, t.ReferencedID, '', t.Note, "
                  "s.Category, t.TransactionDate, t.TransactionNumber, t.TaxDeductible, t.Reserved, t.Cleared, "
                  "t.Deleted, t.Void, t.TransactionType, t.Reconciled, t.SplitTransaction, s.ID FROM Transactions t "
                  "CROSS JOIN SplitTransactions s ON s.TransactionID = t.ID WHERE t.Account IN (SELECT ID FROM "
                  "Accounts) AND t.TransactionDate >= DATE('%Q') AND t.TransactionDate <= DATE('%Q') AND t.Deleted = "
                  "0 AND t.SplitTransaction != 0 AND s.Deleted != 1 AND s.Category = %d",
                  {from, to, category_}));
    TransactionRow row;
    for (; q.hasRow(); q.next()) {
      ledger::ReadTransactionRow(q, row);
      if (row.isVoid || !row.split) continue;
      contribute(row, q.int32(19));
    }
  }
  return SortedByDate(std::move(placed));
}

std::string_view CategoryJournal::deleteQuestion(const std::vector<TransactionKey>& selected) const {
  for (TransactionKey key : selected) {
    const auto row = ledger::LoadTransaction(data().db(), key);
    if (row && row->split && !row->reconciled) return kDeleteSplitsQuestion;
  }
  return kDeleteTransactionsQuestion;
}

// ---- payee journal ----

PayeeJournal::PayeeJournal(DataContext& data, ledger::PayeeKey payee, const ReportPeriod& period)
    : Journal(data, period, kPayeeJournalColumns, "Journal - Payee Transactions", PayeeHeader(data, payee),
              JournalMode::Both),
      payee_(payee) {}

std::vector<JournalLine> PayeeJournal::collect() {
  DataContext& context = data();
  ReportTexts texts(context);
  std::vector<Placed> placed;
  PeriodRows range(context.db(), FormatSql("PayAccount = %d", {payee_}), period().startText(), period().endText());
  TransactionRow row;
  while (range.next(row)) {
    if (row.isVoid || row.isTransfer() || row.amount.minorUnits() == 0) continue;
    Placed p;
    p.parent = row.key;
    p.line.id = row.key;
    if (row.amount.minorUnits() > 0) {
      p.line.deposit = row.amount;
    } else {
      p.line.payment = -row.amount;
    }
    p.line.note = row.note;
    p.line.cells = {std::to_string(row.key),
                    row.date,
                    row.number,
                    row.note,
                    texts.categoryFullName(row.category).value_or(""),
                    p.line.payment ? money(*p.line.payment) : "",
                    p.line.deposit ? money(*p.line.deposit) : ""};
    placed.push_back(std::move(p));
  }
  return SortedByDate(std::move(placed));
}

bool PayeeJournal::selectionAllowed(const std::vector<TransactionKey>& selected) const {
  for (TransactionKey key : selected) {
    const auto line = std::find_if(lines().begin(), lines().end(), [&](const JournalLine& l) { return l.id == key; });
    if (line != lines().end() && line->note == ledger::kBalancingEntryNote) return false;
  }
  return true;
}

}  // namespace tallyvane::reports
