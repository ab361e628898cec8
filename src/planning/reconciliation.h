// Reconciling an account with a bank statement: the statement form's
// proposals, the candidate list with its summary figures, in-place amount
// correction, and finishing (balancing entry, reconciled and cleared flags,
// corrected amounts, the account's LastReconciled). Only the opening date is
// written before finishing; finishing is one transaction on the data file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ledger/accounts.h"
#include "planning/keys.h"
#include "store/data_context.h"
#include "store/money.h"
#include "store/ports.h"
#include "store/status.h"

namespace tallyvane::planning {

using store::DataContext;
using store::Money;
using store::Status;

// Used by the ledger when a balancing entry is retired.
using ledger::RecomputeLastReconciled;

inline constexpr std::string_view kReconcileWindowTitle = "Reconcile with Statement";
inline constexpr std::string_view kShowAllUnreconciled = "Show all unreconciled transactions";

// The statement form.
struct StatementForm {
  AccountKey account = 0;
  std::string title;          // "Reconcile Transactions (%s)"
  std::string openingDate;    // YYYY-MM-DD
  std::string statementDate;  // YYYY-MM-DD
  std::string closingText;    // money text
};
// The form as it opens: the opening date is LastReconciled, else the first
// transaction's date (today for an account without any); the statement date
// is today. nullopt for an account that is not a live bank account.
[[nodiscard]] std::optional<StatementForm> ProposeStatement(DataContext& data, AccountKey account);

enum class CandidateColumn { Payment, Deposit };

struct ReconcileCandidate {
  TransactionKey key = 0;
  bool split = false;
  bool cleared = false;
  std::string date;
  std::string payee;
  std::string note;
  std::optional<Money> payment;  // the negated amount
  std::optional<Money> deposit;
  bool ticked = false;

  [[nodiscard]] std::string_view splitMark() const { return split ? "1" : ""; }
  [[nodiscard]] std::string_view clearedMark() const { return cleared ? "C" : ""; }
};

struct ReconcileSummary {
  std::string openingDate;  // "-" when never reconciled
  Money openingBalance;
  std::string reconciledDate;
  Money reconciledBalance;
  Money closingBalance;
  Money difference;  // closing - reconciled
};

enum class FinishOutcome { Reconciled, FinishedLater, Cancelled };

struct FinishResult {
  Status status;  // declined on "Cancel"; a write failure leaves everything as it was
  FinishOutcome outcome = FinishOutcome::Cancelled;
  ReconcileSummary summary;  // as it stood when finishing
  std::optional<TransactionKey> balancingEntry;
};

class Reconciliation {
 public:
  [[nodiscard]] AccountKey account() const { return account_; }
  [[nodiscard]] bool asset() const { return asset_; }
  // The payment column's heading: "Charge" for an account that is not an asset.
  [[nodiscard]] std::string_view paymentTitle() const { return asset_ ? "Payment" : "Charge"; }
  [[nodiscard]] const std::string& openingDate() const { return openingDate_; }
  [[nodiscard]] const std::string& statementDate() const { return statementDate_; }
  [[nodiscard]] const std::vector<ReconcileCandidate>& candidates() const { return candidates_; }
  [[nodiscard]] bool showAll() const { return showAll_; }
  [[nodiscard]] bool finished() const { return finished_; }

  // Rebuilds the list from the data file; rows ticked before stay ticked.
  void ListReconcileCandidates();
  // The "Show all unreconciled transactions" switch.
  void setShowAll(bool on);
  // False when the row is not in the list.
  bool tick(TransactionKey key, bool ticked = true);
  // The same by list position, without a search: what a window's click uses.
  bool tickRow(std::size_t row, bool ticked = true);

  // Kept as rows are ticked and corrected, so it costs nothing per tick.
  [[nodiscard]] Money ComputeReconciledBalance() const;
  [[nodiscard]] ReconcileSummary summary() const;

  // In-place correction of a payment or deposit cell. Nothing is written to
  // the data file before finishing.
  [[nodiscard]] Status EditCandidateAmount(std::size_t row, CandidateColumn column, std::string_view text);

  // Asks about a difference ("Reconcile", "Finish Later", "Cancel"), then
  // writes everything in one transaction with one rebalance per account.
  [[nodiscard]] FinishResult FinishReconciliation(store::Prompter& prompter);

 private:
  friend struct ReconciliationAccess;
  Reconciliation(DataContext& data, AccountKey account, bool asset, std::string openingDate,
                 std::string statementDate, Money closing)
      : data_(&data),
        account_(account),
        asset_(asset),
        openingDate_(std::move(openingDate)),
        statementDate_(std::move(statementDate)),
        closing_(closing) {}

  DataContext* data_;
  AccountKey account_;
  bool asset_;
  std::string openingDate_;
  std::string statementDate_;
  Money closing_;
  bool showAll_ = false;
  bool finished_ = false;
  Money openingBalance_;
  // The ticked rows' sum in the account's own direction.
  Money tickedSum_;
  std::vector<ReconcileCandidate> candidates_;

  [[nodiscard]] Money contribution(const ReconcileCandidate& c) const;
};

struct StartResult {
  Status status;
  std::optional<Reconciliation> reconciliation;
};
// The statement form confirmed: sets the account's LastReconciled to the
// opening date at once (it stays so if the reconciliation is abandoned) and
// lists the candidates.
[[nodiscard]] StartResult StartReconciliation(DataContext& data, const StatementForm& form);
// The same reconciliation without writing anything, to look at before
// starting it.
[[nodiscard]] StartResult PreviewReconciliation(DataContext& data, const StatementForm& form);

}  // namespace tallyvane::planning
