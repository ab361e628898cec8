#include "planning/reconciliation.h"

#include "planning_fixture.h"

namespace tallyvane::planning {
namespace {

class ReconciliationTest : public PlanningTest {
 protected:
  // Starts on the statement form's proposals with the given closing balance
  // and statement date.
  Reconciliation Start(AccountKey account, const std::string& closing, const std::string& statementDate = {},
                       const std::string& openingDate = {}) {
    auto form = ProposeStatement(data(), account);
    EXPECT_TRUE(form.has_value());
    form->closingText = closing;
    if (!statementDate.empty()) form->statementDate = statementDate;
    if (!openingDate.empty()) form->openingDate = openingDate;
    StartResult started = StartReconciliation(data(), *form);
    EXPECT_TRUE(started.status.ok) << started.status.message;
    return std::move(*started.reconciliation);
  }

  void TickAll(Reconciliation& r) {
    for (const ReconcileCandidate& c : r.candidates()) r.tick(c.key);
  }

  // Checking: starting balance 500.00, a payment of 120.00 and a deposit of 80.00.
  void AssetStatement() {
    SetStarting(kChecking, 50000);
    payment_ = Add(kChecking, "120.00", "2026-11-05", TransactionType::Purchase, "Grocer");
    deposit_ = Add(kChecking, "80.00", "2026-11-20", TransactionType::Deposit, "Employer");
  }

  TransactionKey payment_ = 0;
  TransactionKey deposit_ = 0;
};

TEST_F(ReconciliationTest, StatementFormProposesAndStartWritesTheOpeningDateAtOnce) {
  AssetStatement();
  const auto form = ProposeStatement(data(), kChecking);
  ASSERT_TRUE(form.has_value());
  EXPECT_EQ(form->title, "Reconcile Transactions (Checking Account)");
  EXPECT_EQ(form->openingDate, "2026-11-05");  // never reconciled: the first transaction's date
  EXPECT_EQ(form->statementDate, "2026-12-10");

  Reconciliation r = Start(kChecking, "460.00");
  EXPECT_EQ(LastReconciled(kChecking), "2026-11-05");  // abandoning now keeps it
  EXPECT_EQ(ProposeStatement(data(), kChecking)->openingDate, "2026-11-05");
  EXPECT_EQ(r.paymentTitle(), "Payment");
}

TEST_F(ReconciliationTest, CandidatesShowMarksCellsAndPayeeTextsAndSkipDoneAndVoidRows) {
  SetStarting(kChecking, 50000);
  const TransactionKey transfer = Add(kChecking, "50.00", "2026-11-07", TransactionType::Transfer, {}, {}, kSavings);
  const TransactionKey done = Add(kChecking, "1.00", "2026-11-08");
  const TransactionKey voided = Add(kChecking, "2.00", "2026-11-09");
  const TransactionKey cleared = Add(kChecking, "3.00", "2026-11-10", TransactionType::Deposit, "Employer");
  ASSERT_TRUE(ledger::SetTransactionCleared(data(), done, true));
  ASSERT_TRUE(db().exec(store::FormatSql("UPDATE Transactions SET Reconciled = 1 WHERE ID = %d", {done})));
  ASSERT_TRUE(ledger::VoidTransaction(data(), voided));
  ASSERT_TRUE(ledger::SetTransactionCleared(data(), cleared, true));

  Reconciliation r = Start(kChecking, "0");
  ASSERT_EQ(r.candidates().size(), 2u);
  const ReconcileCandidate& t = r.candidates()[0];
  EXPECT_EQ(t.key, transfer);
  EXPECT_EQ(t.payee, "Transfer to Savings Account");
  EXPECT_EQ(t.payment, Money(5000));
  EXPECT_FALSE(t.deposit.has_value());
  EXPECT_EQ(t.clearedMark(), "");
  EXPECT_FALSE(t.ticked);
  const ReconcileCandidate& d = r.candidates()[1];
  EXPECT_EQ(d.key, cleared);
  EXPECT_EQ(d.clearedMark(), "C");
  EXPECT_EQ(d.deposit, Money(300));
  EXPECT_FALSE(d.payment.has_value());
}

// The asset-account figures with each answer to the balancing question.
struct AnswerCase {
  const char* name;
  const char* closing;
  const char* answer;  // empty: no question expected
  FinishOutcome outcome;
  int64_t difference;
  int64_t entry;  // 0: no balancing entry
  bool reconciled;
  const char* lastReconciled;
};

class AssetAnswerTest : public ReconciliationTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(AssetAnswerTest, FinishesByTheAnswer) {
  const AnswerCase& c = GetParam();
  AssetStatement();
  Reconciliation r = Start(kChecking, c.closing);
  EXPECT_EQ(r.summary().openingBalance, Money(50000));
  TickAll(r);
  const ReconcileSummary s = r.summary();
  EXPECT_EQ(s.reconciledBalance, Money(46000));
  EXPECT_EQ(s.difference, Money(c.difference));
  if (*c.answer != '\0') prompter_.answer(c.answer);

  const FinishResult f = r.FinishReconciliation(prompter_);
  ASSERT_TRUE(f.status.ok) << f.status.message;
  EXPECT_EQ(f.outcome, c.outcome);
  EXPECT_TRUE(r.finished());
  if (*c.answer == '\0') {
    EXPECT_TRUE(prompter_.shown.empty());
  } else {
    ASSERT_FALSE(prompter_.shown.empty());
    EXPECT_EQ(prompter_.shown[0].title, "Reconcile Transactions");
    EXPECT_EQ(prompter_.shown[0].text,
              "The Closing Balance does not match the calculated balance.  Would you like to make a balancing "
              "entry?\r\nDifference: " +
                  store::FormatMoney(data().regional(), Money(c.difference)));
    EXPECT_EQ(prompter_.shown[0].buttons, (std::vector<std::string>{"Reconcile", "Finish Later", "Cancel"}));
  }
  for (TransactionKey key : {payment_, deposit_}) {
    EXPECT_EQ(Row(key).reconciled, c.reconciled);
    EXPECT_EQ(Row(key).cleared, c.reconciled);
  }
  EXPECT_EQ(LastReconciled(kChecking), c.lastReconciled);
  if (c.entry == 0) {
    EXPECT_FALSE(f.balancingEntry.has_value());
  } else {
    ASSERT_TRUE(f.balancingEntry.has_value());
    const ledger::TransactionRow e = Row(*f.balancingEntry);
    EXPECT_EQ(e.amount, Money(c.entry));
    EXPECT_EQ(e.type, c.entry > 0 ? 0 : 4);
    EXPECT_EQ(e.note, ledger::kBalancingEntryNote);
    EXPECT_EQ(e.date, "2026-12-10");
    EXPECT_TRUE(e.cleared && e.reconciled);
    EXPECT_EQ(e.category, 0);
    // The entry keeps the payee's key while the payee itself is retired.
    EXPECT_EQ(Text(store::FormatSql("SELECT PayName || '/' || Deleted FROM PayAccounts WHERE ID = %d", {e.payee})),
              "Balance Adjusting Entry/1");
    EXPECT_EQ(Cache(kChecking, 2026, 12).second, 46000 + c.entry);
  }
  // The cache's reconciled balance follows the flags.
  EXPECT_EQ(Cache(kChecking, 2026, 11).second, c.reconciled ? 46000 : 50000);
  EXPECT_EQ(Number("SELECT AcctCurrentBal FROM Accounts WHERE ID = 1"), 46000 + c.entry);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, AssetAnswerTest,
    ::testing::Values(AnswerCase{"Balanced", "460.00", "", FinishOutcome::Reconciled, 0, 0, true, "2026-12-10"},
                      AnswerCase{"BalancingDeposit", "470.00", "Reconcile", FinishOutcome::Reconciled, 1000, 1000,
                                 true, "2026-12-10"},
                      AnswerCase{"BalancingPurchase", "455.00", "Reconcile", FinishOutcome::Reconciled, -500, -500,
                                 true, "2026-12-10"},
                      AnswerCase{"FinishLater", "470.00", "Finish Later", FinishOutcome::FinishedLater, 1000, 0, false,
                                 "2026-11-05"}),
    [](const ::testing::TestParamInfo<AnswerCase>& info) { return std::string(info.param.name); });

TEST_F(ReconciliationTest, CancelLeavesEverythingAndTheReconciliationOpen) {
  AssetStatement();
  Reconciliation r = Start(kChecking, "470.00");
  TickAll(r);
  const std::string before = Snapshot();
  prompter_.answer("Cancel");
  const FinishResult f = r.FinishReconciliation(prompter_);
  EXPECT_TRUE(f.status.declined);
  EXPECT_EQ(f.outcome, FinishOutcome::Cancelled);
  EXPECT_FALSE(r.finished());
  EXPECT_EQ(Snapshot(), before);
  // Still open: it can be finished after all.
  prompter_.answer("Reconcile");
  EXPECT_EQ(r.FinishReconciliation(prompter_).outcome, FinishOutcome::Reconciled);
}

TEST_F(ReconciliationTest, CardChargeRaisesTheBalanceAndABalancingPurchaseIsNegative) {
  const TransactionKey charge = Add(kCard, "120.00", "2026-11-12", TransactionType::Purchase, "Shop");
  Reconciliation r = Start(kCard, "130.00");
  EXPECT_EQ(r.paymentTitle(), "Charge");
  EXPECT_EQ(r.summary().openingBalance, Money(0));
  ASSERT_TRUE(r.tick(charge));
  EXPECT_EQ(r.ComputeReconciledBalance(), Money(12000));
  EXPECT_EQ(r.summary().difference, Money(1000));
  prompter_.answer("Reconcile");
  const FinishResult f = r.FinishReconciliation(prompter_);
  ASSERT_TRUE(f.balancingEntry.has_value());
  EXPECT_EQ(Row(*f.balancingEntry).amount, Money(-1000));
  EXPECT_EQ(Row(*f.balancingEntry).type, static_cast<int>(TransactionType::Purchase));
  // The card now owes 130.00, which is what the statement said.
  EXPECT_EQ(Cache(kCard, 2026, 12).second, 13000);
}

TEST_F(ReconciliationTest, FinishLaterWritesCorrectedAmountsToBothSidesOfATransfer) {
  SetStarting(kChecking, 50000);
  const TransactionKey transfer = Add(kChecking, "50.00", "2026-11-07", TransactionType::Transfer, {}, {}, kSavings);
  const TransactionKey partner = Row(transfer).referencedId;
  Reconciliation r = Start(kChecking, "500.00");
  ASSERT_EQ(r.candidates().size(), 1u);
  r.tick(transfer);
  ASSERT_TRUE(r.EditCandidateAmount(0, CandidateColumn::Payment, "55.00").ok);
  EXPECT_EQ(r.candidates()[0].payment, Money(5500));
  EXPECT_EQ(Row(transfer).amount, Money(-5000));  // nothing written before finishing
  EXPECT_EQ(r.summary().difference, Money(5500));

  prompter_.answer("Finish Later");
  const FinishResult f = r.FinishReconciliation(prompter_);
  EXPECT_EQ(f.outcome, FinishOutcome::FinishedLater);
  EXPECT_EQ(prompter_.shown.back().title, "Finish Later");
  EXPECT_EQ(prompter_.shown.back().text,
            "Changed amounts will be saved but no transactions will be reconciled at this time.");
  EXPECT_EQ(Row(transfer).amount, Money(-5500));
  EXPECT_EQ(Row(partner).amount, Money(5500));
  EXPECT_FALSE(Row(transfer).reconciled);
  EXPECT_EQ(LastReconciled(kChecking), "2026-11-07");
  EXPECT_EQ(Cache(kSavings, 2026, 11).first, 5500);
}

TEST_F(ReconciliationTest, PositiveTransferSideIsADepositAndKeepsItsAmount) {
  const TransactionKey transfer = Add(kChecking, "50.00", "2026-11-07", TransactionType::Transfer, {}, {}, kSavings);
  const TransactionKey partner = Row(transfer).referencedId;
  Reconciliation r = Start(kSavings, "50.00");
  ASSERT_EQ(r.candidates().size(), 1u);
  EXPECT_EQ(r.candidates()[0].deposit, Money(5000));
  EXPECT_EQ(r.candidates()[0].payee, "Transfer from Checking Account");
  r.tick(partner);
  EXPECT_EQ(r.FinishReconciliation(prompter_).outcome, FinishOutcome::Reconciled);
  EXPECT_EQ(Row(partner).amount, Money(5000));
  EXPECT_EQ(Row(transfer).amount, Money(-5000));
  EXPECT_TRUE(Row(partner).reconciled);
}

TEST_F(ReconciliationTest, StatementDateNotAfterTheOpeningDateLeavesLastReconciled) {
  AssetStatement();
  // On the opening date the day's payment is still offered; before it, the
  // span is empty and the payment stays in the opening balance.
  const std::pair<const char*, const char*> statements[] = {{"2026-11-05", "500.00"}, {"2026-11-01", "380.00"}};
  for (const auto& [statement, closing] : statements) {
    SCOPED_TRACE(statement);
    Reconciliation r = Start(kChecking, closing, statement, "2026-11-05");
    EXPECT_EQ(r.summary().difference, Money(0));
    EXPECT_EQ(r.FinishReconciliation(prompter_).outcome, FinishOutcome::Reconciled);
    EXPECT_EQ(LastReconciled(kChecking), "2026-11-05");
  }
}

TEST_F(ReconciliationTest, RowsOnTheOpeningDateCountOnceInASecondStatement) {
  AssetStatement();
  {
    Reconciliation first = Start(kChecking, "380.00", "2026-11-05");
    first.tick(payment_);
    ASSERT_EQ(first.FinishReconciliation(prompter_).outcome, FinishOutcome::Reconciled);
  }
  // A row entered later on the last statement's date is in the new list, so
  // it stays out of the opening balance.
  const TransactionKey late = Add(kChecking, "30.00", "2026-11-05");
  Reconciliation second = Start(kChecking, "430.00");
  EXPECT_EQ(second.openingDate(), "2026-11-05");
  EXPECT_EQ(second.summary().openingBalance, Money(38000));
  TickAll(second);
  EXPECT_EQ(second.summary().reconciledBalance, Money(43000));
  EXPECT_EQ(second.summary().difference, Money(0));
  static_cast<void>(late);
}

TEST_F(ReconciliationTest, ShowAllWidensTheSpanAndKeepsTicks) {
  AssetStatement();
  const TransactionKey old = Add(kChecking, "7.00", "2026-10-01");
  Reconciliation r = Start(kChecking, "0", "2026-12-10", "2026-11-05");
  ASSERT_EQ(r.candidates().size(), 2u);
  r.tick(deposit_);
  r.setShowAll(true);
  ASSERT_EQ(r.candidates().size(), 3u);
  EXPECT_EQ(r.candidates()[0].key, old);
  EXPECT_TRUE(r.candidates()[2].ticked);
  r.tick(old);
  r.setShowAll(false);
  ASSERT_EQ(r.candidates().size(), 2u);
  EXPECT_TRUE(r.candidates()[1].ticked);
  EXPECT_FALSE(r.candidates()[0].ticked);
}

TEST_F(ReconciliationTest, AmountEditsAreRefusedOnSplitsTheOtherSideAndNonMoney) {
  AssetStatement();
  ASSERT_TRUE(ledger::SaveSplitLines(data(), payment_,
                                     {{std::nullopt, "", "a", "100.00", ""}, {std::nullopt, "", "b", "20.00", ""}}, {})
                  .ok);
  Reconciliation r = Start(kChecking, "0");
  ASSERT_TRUE(r.candidates()[0].split);
  EXPECT_EQ(r.candidates()[0].splitMark(), "1");
  const Status split = r.EditCandidateAmount(0, CandidateColumn::Payment, "1.00");
  EXPECT_EQ(split.message, "Cannot change the amount for a split transaction.");
  const Status otherSide = r.EditCandidateAmount(1, CandidateColumn::Payment, "1.00");
  EXPECT_FALSE(otherSide.ok);
  EXPECT_TRUE(otherSide.message.empty());
  EXPECT_FALSE(r.EditCandidateAmount(1, CandidateColumn::Deposit, "eighty").ok);
  EXPECT_EQ(r.candidates()[1].deposit, Money(8000));
  EXPECT_TRUE(r.EditCandidateAmount(1, CandidateColumn::Deposit, "85").ok);
  EXPECT_EQ(r.candidates()[1].deposit, Money(8500));
}

// The reconciled balance is kept as rows change rather than summed again, so
// every way a ticked row changes must move it: tick, untick, a repeated tick,
// a corrected amount, and a rebuilt list that ticks the rows again.
TEST_F(ReconciliationTest, ReconciledBalanceFollowsTicksCorrectionsAndRebuilds) {
  AssetStatement();
  const TransactionKey old = Add(kChecking, "7.00", "2026-10-01");
  Reconciliation r = Start(kChecking, "0", "2026-12-10", "2026-11-05");
  const Money opening = r.summary().openingBalance;
  EXPECT_EQ(r.ComputeReconciledBalance(), opening);
  ASSERT_TRUE(r.tickRow(0));
  ASSERT_TRUE(r.tickRow(0));  // ticking twice counts once
  EXPECT_EQ(r.ComputeReconciledBalance(), opening - Money(12000));
  ASSERT_TRUE(r.tickRow(1));
  EXPECT_EQ(r.ComputeReconciledBalance(), opening - Money(4000));
  ASSERT_TRUE(r.EditCandidateAmount(1, CandidateColumn::Deposit, "100.00").ok);
  EXPECT_EQ(r.ComputeReconciledBalance(), opening - Money(2000));
  ASSERT_TRUE(r.tickRow(0, false));
  EXPECT_EQ(r.ComputeReconciledBalance(), opening + Money(10000));
  EXPECT_FALSE(r.tickRow(2));
  ASSERT_TRUE(r.EditCandidateAmount(0, CandidateColumn::Payment, "1.00").ok);  // unticked: no change
  EXPECT_EQ(r.ComputeReconciledBalance(), opening + Money(10000));

  r.setShowAll(true);
  r.tick(old);
  const Money wide = r.summary().openingBalance;
  // The rebuilt list reads amounts from the file again: the ticked deposit is 80.00 once more.
  EXPECT_EQ(r.ComputeReconciledBalance(), wide + Money(8000) - Money(700));
  EXPECT_EQ(r.summary().difference, -r.ComputeReconciledBalance());
}

TEST_F(ReconciliationTest, StatementFormRefusesAnUnreadableClosingBalance) {
  AssetStatement();
  auto form = ProposeStatement(data(), kChecking);
  form->closingText = "four hundred";
  const StartResult started = StartReconciliation(data(), *form);
  EXPECT_EQ(started.status.field, "closing");
  EXPECT_EQ(LastReconciled(kChecking), "0");
}

TEST_F(ReconciliationTest, PreviewWritesNothing) {
  AssetStatement();
  const std::string before = Snapshot();
  auto form = ProposeStatement(data(), kChecking);
  form->closingText = "460";
  const StartResult preview = PreviewReconciliation(data(), *form);
  ASSERT_TRUE(preview.status.ok);
  EXPECT_EQ(preview.reconciliation->candidates().size(), 2u);
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(ReconciliationTest, DeletingTheOnlyBalancingEntryForgetsTheReconciliation) {
  AssetStatement();
  Reconciliation r = Start(kChecking, "470.00");
  TickAll(r);
  prompter_.answer("Reconcile");
  const FinishResult f = r.FinishReconciliation(prompter_);
  ASSERT_TRUE(f.balancingEntry.has_value());
  EXPECT_EQ(LastReconciled(kChecking), "2026-12-10");
  // The register deletes it once it is no longer reconciled.
  ASSERT_TRUE(ledger::UnreconcileTransaction(data(), *f.balancingEntry));
  ASSERT_TRUE(ledger::DeleteTransaction(data(), *f.balancingEntry));
  EXPECT_EQ(LastReconciled(kChecking), "0");

  // The next balancing entry makes its payee afresh.
  Reconciliation again = Start(kChecking, "1.00", "2026-12-10", "2026-11-01");
  prompter_.answer("Reconcile");
  ASSERT_TRUE(again.FinishReconciliation(prompter_).balancingEntry.has_value());
  EXPECT_EQ(Number("SELECT COUNT(*) FROM PayAccounts WHERE PayName = 'Balance Adjusting Entry' AND Deleted = 1"), 2);
}

TEST_F(ReconciliationTest, FinishingIsAllOrNothing) {
  SetStarting(kChecking, 50000);
  std::vector<TransactionKey> rows;
  for (int i = 1; i <= 6; ++i) rows.push_back(Add(kChecking, "10.00", "2026-11-1" + std::to_string(i)));
  Reconciliation r = Start(kChecking, "450.00");
  TickAll(r);
  ASSERT_TRUE(r.EditCandidateAmount(0, CandidateColumn::Payment, "11.00").ok);
  const std::string before = Snapshot();
  Fault(store::FormatSql("BEFORE UPDATE OF Reconciled ON Transactions WHEN OLD.ID = %d", {rows[4]}));
  prompter_.answer("Reconcile");
  const FinishResult f = r.FinishReconciliation(prompter_);
  EXPECT_FALSE(f.status.ok);
  EXPECT_TRUE(f.status.fileError);
  EXPECT_FALSE(r.finished());
  EXPECT_EQ(Snapshot(), before);
}

}  // namespace
}  // namespace tallyvane::planning
