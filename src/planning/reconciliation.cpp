#include "planning/reconciliation.h"

#include <unordered_set>
#include <utility>

#include "ledger/balances.h"
#include "ledger/payees.h"
#include "ledger/transactions.h"
#include "store/dates.h"
#include "store/record.h"
#include "store/text.h"

namespace tallyvane::planning {

using ledger::TransactionRow;
using ledger::TransactionType;
using store::FormatSql;
using store::Record;
using store::Table;
using store::WriteGuard;

namespace {

bool NeverReconciled(std::string_view lastReconciled) { return lastReconciled.empty() || lastReconciled == "0"; }

// The account of a statement form: live and a bank account (investment
// accounts hold no ledger rows to reconcile).
bool LoadBankAccount(DataContext& data, AccountKey account, Record& record) {
  return ledger::LoadActiveAccount(data, account, record) &&
         record.GetInt("AcctType") != ledger::kInvestmentAccountType;
}

Status CheckStatement(DataContext& data, const StatementForm& form) {
  Record account;
  if (!LoadBankAccount(data, form.account, account)) return Status::Fail("Please select an account.", "", "account");
  if (!store::IsValidDateText(form.openingDate)) return Status::Fail("Please enter a valid opening date.", "", "opening");
  if (!store::IsValidDateText(form.statementDate)) {
    return Status::Fail("Please enter a valid statement date.", "", "statement");
  }
  // An unreadable balance would otherwise count as zero and be "balanced"
  // by an entry of the whole register.
  if (!store::IsValidMoneyText(data.regional(), form.closingText)) {
    return Status::Fail("Please enter a valid closing balance.", "", "closing");
  }
  return Status::Ok();
}

}  // namespace

// Builds reconciliations for the two start operations.
struct ReconciliationAccess {
  static Reconciliation Make(DataContext& data, const StatementForm& form) {
    return Reconciliation(data, form.account, ledger::AccountIsAsset(data, form.account), form.openingDate,
                          form.statementDate, store::ParseMoney(data.regional(), form.closingText));
  }
};

std::optional<StatementForm> ProposeStatement(DataContext& data, AccountKey account) {
  Record r;
  if (!LoadBankAccount(data, account, r)) return std::nullopt;
  StatementForm form;
  form.account = account;
  form.title = FormatSql("Reconcile Transactions (%s)", {r.GetText("AcctName")});
  const std::string today = store::DateText(data.now());
  const std::string last = r.GetText("LastReconciled");
  form.openingDate = NeverReconciled(last) ? ledger::FirstTransactionDate(data, account) : last.substr(0, 10);
  if (form.openingDate.empty()) form.openingDate = today;
  form.statementDate = today;
  return form;
}

StartResult PreviewReconciliation(DataContext& data, const StatementForm& form) {
  StartResult result;
  result.status = CheckStatement(data, form);
  if (!result.status) return result;
  result.reconciliation = ReconciliationAccess::Make(data, form);
  result.reconciliation->ListReconcileCandidates();
  return result;
}

StartResult StartReconciliation(DataContext& data, const StatementForm& form) {
  StartResult result;
  result.status = CheckStatement(data, form);
  if (!result.status) return result;
  {
    WriteGuard guard(data.db());
    {
      Record account;
      if (ledger::LoadActiveAccount(data, form.account, account)) account.SetText("LastReconciled", form.openingDate);
    }
    result.status = guard.commit();
    if (!result.status) return result;
  }
  result.reconciliation = ReconciliationAccess::Make(data, form);
  result.reconciliation->ListReconcileCandidates();
  return result;
}

void Reconciliation::ListReconcileCandidates() {
  DataContext& data = *data_;
  std::string from;
  std::string to = statementDate_;
  if (showAll_) {
    from = ledger::FirstTransactionDate(data, account_);
    to = ledger::LastTransactionDate(data, account_);
    if (to.empty()) to = statementDate_;
  } else {
    // The opening date is what LastReconciled was set to when the
    // reconciliation started.
    from = NeverReconciled(openingDate_) ? ledger::FirstTransactionDate(data, account_) : openingDate_;
  }
  if (from.empty()) from = statementDate_;

  std::unordered_set<TransactionKey> ticked;
  for (const ReconcileCandidate& c : candidates_) {
    if (c.ticked) ticked.insert(c.key);
  }
  candidates_.clear();
  tickedSum_ = Money();

  // Payee and account names repeat across thousands of rows: each is looked
  // up once.
  ledger::RowTexts texts(data);
  Money listedOnOrBeforeOpening;
  ledger::TransactionRange range(data.db(), account_, -1, from, to, true);
  TransactionRow row;
  while (range.next(row)) {
    if ((row.cleared && row.reconciled) || row.isVoid) continue;
    ReconcileCandidate c;
    c.key = row.key;
    c.split = row.split;
    c.cleared = row.cleared;
    c.date = row.date;
    c.payee = texts.payee(row);
    c.note = row.note;
    if (row.inPaymentColumn()) {
      c.payment = -row.amount;
    } else {
      c.deposit = row.amount;
    }
    c.ticked = ticked.count(c.key) > 0;
    if (c.ticked) tickedSum_ += contribution(c);
    if (row.date.substr(0, 10) <= openingDate_) {
      listedOnOrBeforeOpening += asset_ ? row.amount : -row.amount;
    }
    candidates_.push_back(std::move(c));
  }

  // The register's balance at the end of the opening date, less the rows
  // offered here: a row is counted either in the opening balance or, when
  // ticked, in the reconciled balance, never in both.
  Money opening;
  if (const auto last = ledger::LastTransactionOnOrBefore(data, account_, openingDate_)) {
    opening = ledger::TransactionRunningBalance(data, *last);
  } else {
    Record account;
    if (ledger::LoadActiveAccount(data, account_, account, true)) opening = Money(account.GetInt64("AcctStartingBal"));
  }
  openingBalance_ = opening - listedOnOrBeforeOpening;
}

void Reconciliation::setShowAll(bool on) {
  showAll_ = on;
  ListReconcileCandidates();
}

bool Reconciliation::tick(TransactionKey key, bool ticked) {
  for (std::size_t row = 0; row < candidates_.size(); ++row) {
    if (candidates_[row].key == key) return tickRow(row, ticked);
  }
  return false;
}

bool Reconciliation::tickRow(std::size_t row, bool ticked) {
  if (row >= candidates_.size()) return false;
  ReconcileCandidate& c = candidates_[row];
  if (c.ticked != ticked) tickedSum_ += ticked ? contribution(c) : -contribution(c);
  c.ticked = ticked;
  return true;
}

Money Reconciliation::contribution(const ReconcileCandidate& c) const {
  const Money payment = c.payment.value_or(Money());
  const Money deposit = c.deposit.value_or(Money());
  return asset_ ? deposit - payment : payment - deposit;
}

Money Reconciliation::ComputeReconciledBalance() const { return openingBalance_ + tickedSum_; }

ReconcileSummary Reconciliation::summary() const {
  ReconcileSummary s;
  s.openingDate = NeverReconciled(openingDate_) ? "-" : openingDate_;
  s.openingBalance = openingBalance_;
  s.reconciledDate = statementDate_;
  s.reconciledBalance = ComputeReconciledBalance();
  s.closingBalance = closing_;
  s.difference = closing_ - s.reconciledBalance;
  return s;
}

Status Reconciliation::EditCandidateAmount(std::size_t row, CandidateColumn column, std::string_view text) {
  const std::string field = column == CandidateColumn::Payment ? "payment" : "deposit";
  if (row >= candidates_.size()) return Status::Fail("", "", field);
  ReconcileCandidate& c = candidates_[row];
  if (c.split) return Status::Fail("Cannot change the amount for a split transaction.", "", field);
  std::optional<Money>& cell = column == CandidateColumn::Payment ? c.payment : c.deposit;
  std::optional<Money>& other = column == CandidateColumn::Payment ? c.deposit : c.payment;
  // Only the side that already holds the amount takes a new one.
  if (other) return Status::Fail("", "", field);
  // Unreadable text would read as zero and be written over the stored amount.
  if (!store::IsValidMoneyText(data_->regional(), text)) {
    return Status::Fail("Please enter a valid transaction amount.", "", field);
  }
  if (c.ticked) tickedSum_ -= contribution(c);
  cell = store::ParseMoney(data_->regional(), text);
  other.reset();
  if (c.ticked) tickedSum_ += contribution(c);
  return Status::Ok();
}

FinishResult Reconciliation::FinishReconciliation(store::Prompter& prompter) {
  DataContext& data = *data_;
  FinishResult result;
  result.summary = summary();
  if (finished_) {
    result.status = Status::Fail("", "", "");
    return result;
  }
  const Money difference = result.summary.difference;
  bool reconcile = true;
  if (difference.minorUnits() != 0) {
    const std::size_t choice = prompter.ask(
        "Reconcile Transactions",
        FormatSql("The Closing Balance does not match the calculated balance.  Would you like to make a balancing "
                  "entry?\r\nDifference: %s",
                  {store::FormatMoney(data.regional(), difference)}),
        {"Reconcile", "Finish Later", "Cancel"});
    if (choice >= 2) {
      result.status = Status::Declined();
      result.outcome = FinishOutcome::Cancelled;
      return result;
    }
    if (choice == 1) {
      prompter.message("Finish Later", "Changed amounts will be saved but no transactions will be reconciled at this time.",
                       store::Icon::Information);
      reconcile = false;
    }
  }

  WriteGuard guard(data.db());
  {
    ledger::RebalanceBatch batch(data);
    if (reconcile && difference.minorUnits() != 0) {
      ledger::TransactionFields entry;
      entry.account = account_;
      entry.amount = asset_ ? difference : -difference;
      entry.note = std::string(ledger::kBalancingEntryNote);
      entry.date = statementDate_;
      entry.taxDeductible = 0;
      entry.cleared = true;
      entry.type = entry.amount.minorUnits() > 0 ? TransactionType::Deposit : TransactionType::Purchase;
      entry.reconciled = true;
      result.balancingEntry = ledger::AddTransactionAndRebalance(data, entry);
      if (result.balancingEntry) {
        ledger::SetTransactionPayeeByName(data, *result.balancingEntry, ledger::kBalanceAdjustingEntry);
        // The entry keeps the payee's key; the next balancing entry makes the
        // payee afresh.
        if (const auto row = ledger::LoadTransaction(data.db(), *result.balancingEntry); row && row->payee > 0) {
          ledger::DeletePayee(data, row->payee);
        }
      }
    }
    Table table(data.db(), "Transactions");
    for (const ReconcileCandidate& c : candidates_) {
      if (!c.ticked) continue;
      Record r;
      if (!store::LoadRecord(table, r, KeyText(c.key))) continue;
      const std::string date = r.GetText("TransactionDate");
      if (reconcile && !(r.GetFlag("Reconciled") && r.GetFlag("Cleared"))) {
        r.SetFlag("Reconciled", true);
        r.SetFlag("Cleared", true);
        // The reconciled balance of the cache follows the flag.
        ledger::RebalanceDay(data, account_, date);
      }
      const Money stored(r.GetInt64("Amount"));
      store::ReleaseRecord(r);
      const Money shown = c.payment ? -*c.payment : c.deposit.value_or(stored);
      if (shown != stored) ledger::SetTransactionAmount(data, c.key, shown);
    }
  }
  if (reconcile && openingDate_ < statementDate_) {
    Record account;
    if (ledger::LoadActiveAccount(data, account_, account)) account.SetText("LastReconciled", statementDate_);
  }
  ledger::UpdateAllCurrentBalances(data);
  result.status = guard.commit();
  if (!result.status) {
    result.balancingEntry.reset();
    return result;
  }
  finished_ = true;
  result.outcome = reconcile ? FinishOutcome::Reconciled : FinishOutcome::FinishedLater;
  return result;
}

}  // namespace tallyvane::planning
