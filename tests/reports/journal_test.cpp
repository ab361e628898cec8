// The category and payee journals: which lines they list and how, and their
// add, edit and delete commands with questions and messages.
#include <gtest/gtest.h>

#include "reports/category_report.h"
#include "reports/journal.h"
#include "reports_fixture.h"

namespace tallyvane::reports {
namespace {

using ledger::TransactionType;

class JournalTest : public ReportsTest {
 protected:
  void SetUp() override {
    groceries_ = Add(kChecking, "50.00", "2026-11-03", TransactionType::Purchase, "Market", "Food | Groceries");
    voided_ = Add(kChecking, "9.00", "2026-11-01", TransactionType::Purchase, "Market", "Food | Groceries");
    ASSERT_TRUE(ledger::VoidTransaction(data(), voided_));
    card_ = Add(kCard, "40.00", "2026-11-02", TransactionType::Purchase, "Market", "Food | Groceries");
    split_ = Add(kChecking, "60.00", "2026-11-02", TransactionType::Purchase, "Market", "Food | Dining Out");
    Split(split_, {{"Food | Groceries", "-45.00"}, {"Food | Dining Out", "-15.00"}});
    refund_ = Add(kChecking, "12.00", "2026-11-04", TransactionType::Deposit, "Market", "Food | Groceries");
    cardRefund_ = Add(kCard, "3.00", "2026-11-05", TransactionType::Deposit, "Market", "Food | Groceries");
    transfer_ = Add(kChecking, "70.00", "2026-11-06", TransactionType::Transfer, "", "", kSavings);
    Add(kChecking, "1.00", "2026-12-02", TransactionType::Purchase, "Market", "Food | Groceries");
  }

  static std::vector<std::string> Ids(const Journal& journal) {
    std::vector<std::string> ids;
    for (const JournalLine& line : journal.lines()) ids.push_back(line.cells[0]);
    return ids;
  }

  ledger::TransactionKey groceries_ = 0, voided_ = 0, card_ = 0, split_ = 0, refund_ = 0, cardRefund_ = 0,
                         transfer_ = 0;
  tallyvane::testing::RecordingPrompter asked_;
};

TEST_F(JournalTest, CategoryJournalListsSplitLinesAndTheChosenDirectionByDate) {
  CategoryJournal payments(data(), Category("Food | Groceries"), MonthPeriod(2026, 11), JournalMode::Payments);
  payments.fill();
  EXPECT_EQ(payments.windowTitle(), "Journal - Category Transactions");
  EXPECT_EQ(payments.header(), "Transactions Report for Category: Food | Groceries");
  EXPECT_EQ(payments.periodText(), "Period: 11/01/2026 to 11/30/2026");
  // Same-day lines keep the table's order; the void is left out.
  ASSERT_EQ(payments.lines().size(), 3u);
  EXPECT_EQ(Ids(payments), (std::vector<std::string>{std::to_string(card_), std::to_string(split_),
                                                     std::to_string(groceries_)}));
  const JournalLine& line = payments.lines()[1];
  EXPECT_EQ(line.cells[1], "2026-11-02");
  EXPECT_EQ(line.cells[3], "Market");
  EXPECT_EQ(line.cells[5], "$45.00");  // the split line, not the whole transaction
  EXPECT_EQ(line.cells[6], "");
  EXPECT_EQ(line.payment, store::Money(4500));

  // Deposits count only into asset accounts: the card refund is not listed.
  CategoryJournal deposits(data(), Category("Food | Groceries"), MonthPeriod(2026, 11), JournalMode::Deposits);
  deposits.fill();
  EXPECT_EQ(Ids(deposits), (std::vector<std::string>{std::to_string(refund_)}));
  EXPECT_EQ(deposits.lines()[0].cells[5], "");
  EXPECT_EQ(deposits.lines()[0].cells[6], "$12.00");

  CategoryJournal uncategorised(data(), 0, MonthPeriod(2026, 11), JournalMode::Payments);
  uncategorised.fill();
  EXPECT_EQ(uncategorised.header(), "Transactions Report for Category: Not categorized");
  EXPECT_EQ(Ids(uncategorised), (std::vector<std::string>{std::to_string(transfer_)}));
  EXPECT_EQ(uncategorised.lines()[0].cells[3], "Transfer to Savings Account");
}

TEST_F(JournalTest, PayeeJournalListsBothDirectionsWithoutTransfersOrVoids) {
  const ledger::PayeeKey market = ledger::FindPayeeId(data(), "Market");
  PayeeJournal journal(data(), market, MonthPeriod(2026, 11));
  journal.fill();
  EXPECT_EQ(journal.windowTitle(), "Journal - Payee Transactions");
  EXPECT_EQ(journal.header(), "Transactions Report for Payee: Market");
  EXPECT_EQ(journal.mode(), JournalMode::Both);
  EXPECT_EQ(Ids(journal), (std::vector<std::string>{std::to_string(card_), std::to_string(split_),
                                                    std::to_string(groceries_), std::to_string(refund_),
                                                    std::to_string(cardRefund_)}));
  // The split transaction shows its own category and whole amount.
  EXPECT_EQ(journal.lines()[1].cells[4], "Food | Dining Out");
  EXPECT_EQ(journal.lines()[1].cells[5], "$60.00");
  EXPECT_EQ(journal.lines()[4].cells[6], "$3.00");

  PayeeJournal none(data(), 0, MonthPeriod(2026, 11));
  none.fill();
  EXPECT_EQ(none.header(), "Transactions Report for Payee: Unassigned");
  EXPECT_TRUE(none.lines().empty());  // the transfer has no payee but is a transfer
}

TEST_F(JournalTest, DeleteAsksThenLeavesReconciledRowsAloneAndSaysSo) {
  MarkReconciled(groceries_);
  CategoryJournal journal(data(), Category("Food | Groceries"), MonthPeriod(2026, 11), JournalMode::Payments);
  journal.fill();
  EXPECT_FALSE(journal.canDelete({}));
  asked_.answer("Delete");
  const store::Status status = journal.deleteSelected({groceries_, card_}, asked_);
  EXPECT_TRUE(status.ok);
  ASSERT_EQ(asked_.shown.size(), 2u);
  EXPECT_EQ(asked_.shown[0].title, "Delete Transactions");
  EXPECT_EQ(asked_.shown[0].text, "Are you sure that you would like to delete the selected transactions?");
  EXPECT_EQ(asked_.shown[0].buttons, (std::vector<std::string>{"Delete", "Cancel"}));
  EXPECT_EQ(asked_.shown[1].kind, "message");
  EXPECT_EQ(asked_.shown[1].title, "Delete transactions");
  EXPECT_EQ(asked_.shown[1].text,
            "Not all transactions were deleted.  Reconciled transactions, should reconciled prior to deletion.");
  EXPECT_TRUE(Row(card_).deleted);
  EXPECT_FALSE(Row(groceries_).deleted);
  EXPECT_TRUE(journal.changed());
  EXPECT_EQ(Ids(journal), (std::vector<std::string>{std::to_string(split_), std::to_string(groceries_)}));
}

TEST_F(JournalTest, DeletingASplitTransactionAsksTheSplitQuestionAndCancelKeepsEverything) {
  CategoryJournal journal(data(), Category("Food | Groceries"), MonthPeriod(2026, 11), JournalMode::Payments);
  journal.fill();
  const store::Status status = journal.deleteSelected({split_, groceries_}, asked_);  // no answer: Cancel
  EXPECT_TRUE(status.declined);
  ASSERT_EQ(asked_.shown.size(), 1u);
  EXPECT_EQ(asked_.shown[0].text,
            "The selection contains split transactions. Deleting split transactions would delete other transactions "
            "that are not in this selection.\r\n\r\nAre you sure you want to continue and delete the transactions?");
  EXPECT_FALSE(Row(split_).deleted);
  EXPECT_FALSE(journal.changed());

  // A reconciled split transaction does not bring up the split question.
  MarkReconciled(split_);
  tallyvane::testing::RecordingPrompter again;
  (void)journal.deleteSelected({split_}, again);
  EXPECT_EQ(again.shown[0].text, "Are you sure that you would like to delete the selected transactions?");
}

TEST_F(JournalTest, BalancingEntriesCannotBeEditedOrDeletedFromThePayeeJournal) {
  ASSERT_TRUE(db().exec(store::FormatSql("UPDATE Transactions SET Note = 'Balancing entry for reconciliation' "
                                         "WHERE ID = %d",
                                         {refund_})));
  PayeeJournal journal(data(), ledger::FindPayeeId(data(), "Market"), MonthPeriod(2026, 11));
  journal.fill();
  EXPECT_FALSE(journal.canEdit({refund_}));
  EXPECT_FALSE(journal.canDelete({groceries_, refund_}));
  EXPECT_FALSE(journal.openForEdit(refund_));
  EXPECT_FALSE(journal.deleteSelected({refund_}, asked_).ok);
  EXPECT_TRUE(asked_.shown.empty());
  EXPECT_FALSE(Row(refund_).deleted);
  EXPECT_TRUE(journal.canEdit({groceries_}));
  EXPECT_FALSE(journal.canEdit({groceries_, card_}));
}

TEST_F(JournalTest, AddAndEditRefillAndMarkTheJournalChanged) {
  CategoryJournal journal(data(), Category("Food | Groceries"), MonthPeriod(2026, 11), JournalMode::Payments);
  journal.fill();
  std::optional<ledger::EntryForm> form = journal.openForEdit(groceries_);
  ASSERT_TRUE(form);
  EXPECT_TRUE(form->fromReport);
  form->amountText = "55.00";
  const ledger::EntryResult edited = journal.edit(*form, asked_);
  ASSERT_TRUE(edited.status.ok) << edited.status.message;
  EXPECT_TRUE(journal.changed());
  EXPECT_EQ(journal.lines().back().cells[5], "$55.00");

  ledger::EntryForm fresh = ledger::NewEntryForm(data(), kChecking);
  fresh.amountText = "2.50";
  fresh.date = "2026-11-20";
  fresh.payee = "Corner Shop";
  fresh.category = "Food | Groceries";
  const ledger::EntryResult added = journal.add(fresh, asked_);
  ASSERT_TRUE(added.status.ok) << added.status.message;
  EXPECT_EQ(journal.lines().back().id, *added.key);
  EXPECT_EQ(journal.lines().back().cells[3], "Corner Shop");
}

class RecordingViewer final : public JournalViewer {
 public:
  explicit RecordingViewer(std::function<bool(Journal&)> act) : act_(std::move(act)) {}
  bool show(Journal& journal) override {
    ++shown;
    headers.push_back(journal.header());
    return act_(journal);
  }
  int shown = 0;
  std::vector<std::string> headers;

 private:
  std::function<bool(Journal&)> act_;
};

TEST_F(JournalTest, DrillDownOpensTheJournalAndRecordsAChange) {
  CategoryReport report(data(), MonthPeriod(2026, 11));
  report.build();
  const std::vector<std::string> groceryLine = {"               Food | Groceries", "$135.00", ""};
  RecordingViewer lookOnly([](Journal&) { return false; });
  EXPECT_FALSE(report.drillDown(groceryLine, lookOnly));
  EXPECT_EQ(lookOnly.shown, 1);
  EXPECT_EQ(lookOnly.headers[0], "Transactions Report for Category: Food | Groceries");
  EXPECT_FALSE(report.changed());

  tallyvane::testing::RecordingPrompter yes;
  yes.answer("Delete");
  RecordingViewer deleter([&](Journal& journal) {
    EXPECT_FALSE(journal.lines().empty());
    return journal.deleteSelected({journal.lines().front().id}, yes).ok && false;
  });
  EXPECT_TRUE(report.drillDown(groceryLine, deleter));
  EXPECT_TRUE(report.changed());

  RecordingViewer never([](Journal&) { return true; });
  EXPECT_FALSE(report.drillDown({"Expense", "", ""}, never));
  EXPECT_EQ(never.shown, 0);
}

}  // namespace
}  // namespace tallyvane::reports
