// The split editor's wiring: lines edited in its model, the remainder line,
// the save through the core and the sum refusal at the allocated amount.
#include <QLabel>

#include "dialogs_fixture.h"
#include "gui/dialogs/split_editor.h"
#include "store/money.h"

namespace tallyvane::gui {
namespace {

class SplitEditorTest : public DialogTest {
 protected:
  ledger::TransactionKey Purchase(const std::string& amount) {
    ledger::EntryForm form = ledger::NewEntryForm(data(), kChecking);
    form.amountText = amount;
    tallyvane::testing::RecordingPrompter quiet;
    return ledger::EnterTransaction(data(), form, quiet).key.value_or(0);
  }
  static void Set(SplitEditor& editor, int row, int column, const QString& text) {
    SplitLineModel* model = editor.model();
    model->setData(model->index(row, column), text, Qt::EditRole);
  }
  static std::string Cell(SplitEditor& editor, int row, int column) {
    return editor.model()->index(row, column).data().toString().toStdString();
  }
  std::string Money(int64_t minor) { return store::FormatMoney(data().regional(), store::Money(minor)); }
};

TEST_F(SplitEditorTest, LinesThatAddUpAreSaved) {
  const ledger::TransactionKey parent = Purchase("100.00");
  SplitEditor editor(context_, nullptr, parent);
  Show(editor);
  ASSERT_EQ(editor.model()->rowCount(), 1);
  EXPECT_EQ(Cell(editor, 0, SplitLineModel::PaymentColumn), "100.00");

  Set(editor, 0, SplitLineModel::CategoryColumn, "Food | Groceries");
  Set(editor, 0, SplitLineModel::PaymentColumn, "30.00");
  EXPECT_EQ(editor.allocatedLabel()->text().toStdString(), Money(3000));
  Click(editor, "add_split");
  ASSERT_EQ(editor.model()->rowCount(), 2);
  // The new line takes what is left.
  EXPECT_EQ(Cell(editor, 1, SplitLineModel::PaymentColumn), "70.00");
  Set(editor, 1, SplitLineModel::CategoryColumn, "Auto | Fuel");
  Click(editor, "ok");

  EXPECT_EQ(editor.result(), QDialog::Accepted) << Balloon();
  const auto lines = ledger::LiveSplitLines(data(), parent);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].amount.minorUnits(), -3000);
  EXPECT_EQ(lines[0].category, 20);
  EXPECT_EQ(lines[1].amount.minorUnits(), -7000);
  EXPECT_EQ(lines[1].category, 9);
  EXPECT_EQ(Number("SELECT SplitTransaction FROM Transactions WHERE ID = " + std::to_string(parent)), 1);
}

TEST_F(SplitEditorTest, LinesThatDoNotAddUpAreRefusedAtTheAllocatedAmount) {
  const ledger::TransactionKey parent = Purchase("100.00");
  SplitEditor editor(context_, nullptr, parent);
  Show(editor);
  Set(editor, 0, SplitLineModel::PaymentColumn, "30.00");
  Click(editor, "add_split");
  Set(editor, 1, SplitLineModel::PaymentColumn, "60.00");
  EXPECT_EQ(editor.allocatedLabel()->text().toStdString(), Money(9000));
  Click(editor, "ok");
  EXPECT_EQ(Balloon(), "allocated|Split Transactions|The split transactions must sum to the original transaction amount of " +
                           Money(10000) + ".");
  EXPECT_TRUE(editor.isVisible());
  EXPECT_TRUE(ledger::LiveSplitLines(data(), parent).empty());
}

TEST_F(SplitEditorTest, UnreadableAmountIsRefusedAndAPaymentClearsTheDeposit) {
  const ledger::TransactionKey parent = Purchase("100.00");
  SplitEditor editor(context_, nullptr, parent);
  Show(editor);
  Set(editor, 0, SplitLineModel::PaymentColumn, "ten");
  EXPECT_EQ(Balloon(), "lines||Please enter a valid payment amount.");
  EXPECT_EQ(Cell(editor, 0, SplitLineModel::PaymentColumn), "100.00");
  Set(editor, 0, SplitLineModel::DepositColumn, "5.00");
  EXPECT_EQ(Cell(editor, 0, SplitLineModel::PaymentColumn), "");
  EXPECT_EQ(Cell(editor, 0, SplitLineModel::DepositColumn), "5.00");
}

TEST_F(SplitEditorTest, RemovingEveryLineClearsTheSplitFlag) {
  const ledger::TransactionKey parent = Purchase("100.00");
  {
    SplitEditor editor(context_, nullptr, parent);
    Show(editor);
    Set(editor, 0, SplitLineModel::PaymentColumn, "40.00");
    Click(editor, "add_split");
    Click(editor, "ok");
    ASSERT_EQ(editor.result(), QDialog::Accepted) << Balloon();
  }
  ASSERT_EQ(ledger::LiveSplitLines(data(), parent).size(), 2u);
  SplitEditor editor(context_, nullptr, parent);
  Show(editor);
  ASSERT_EQ(editor.model()->rowCount(), 2);
  editor.view()->selectAll();
  Click(editor, "delete_split");
  EXPECT_EQ(editor.model()->rowCount(), 0);
  Click(editor, "ok");
  EXPECT_EQ(editor.result(), QDialog::Accepted) << Balloon();
  EXPECT_TRUE(ledger::LiveSplitLines(data(), parent).empty());
  EXPECT_EQ(Number("SELECT SplitTransaction FROM Transactions WHERE ID = " + std::to_string(parent)), 0);
}

}  // namespace
}  // namespace tallyvane::gui
