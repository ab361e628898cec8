// The reconciliation windows driven through their widgets: the statement
// form, ticking by click and Space, the live figures, corrections, and the
// answers to the balancing question.
#include <QAction>
#include <QCheckBox>
#include "gui/date_field.h"
#include <QHeaderView>
#include <QLabel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTreeView>

#include "dialogs_fixture.h"
#include "gui/main_window.h"
#include "gui/planning/planning_windows.h"
#include "gui/planning/reconcile_window.h"

namespace tallyvane::gui {
namespace {

using ledger::TransactionType;

class ReconcileWindowTest : public DialogTest {
 protected:
  // Checking: starting balance 500.00, a payment of 120.00 and a deposit of 80.00.
  void SetUp() override {
    ASSERT_TRUE(db().exec("UPDATE Accounts SET AcctStartingBal = 50000 WHERE ID = 1"));
    payment_ = Add("2026-11-05", -12000, TransactionType::Purchase);
    deposit_ = Add("2026-11-20", 8000, TransactionType::Deposit);
  }

  ledger::TransactionKey Add(const std::string& date, int64_t amount, TransactionType type) {
    ledger::TransactionFields fields;
    fields.account = kChecking;
    fields.amount = store::Money(amount);
    fields.date = date;
    fields.type = type;
    const auto key = ledger::AddTransactionAndRebalance(data(), fields);
    EXPECT_TRUE(key);
    return key.value_or(0);
  }

  // The statement form filled and confirmed; the window over the started reconciliation.
  std::unique_ptr<ReconcileWindow> Open(const QString& closing) {
    auto form = planning::ProposeStatement(data(), kChecking);
    EXPECT_TRUE(form);
    StatementDialog statement(context_, nullptr, *form);
    Show(statement);
    EXPECT_EQ(statement.windowTitle(), QStringLiteral("Reconcile Transactions (Checking Account)"));
    Type(Field<QLineEdit>(statement, "closing"), closing);
    Click(statement, "ok");
    EXPECT_TRUE(statement.started);
    if (!statement.started) return nullptr;
    auto window = std::make_unique<ReconcileWindow>(context_, nullptr, std::move(*statement.started));
    Show(*window);
    return window;
  }

  static QString Figure(QWidget& window, const char* name) { return Field<QLabel>(window, name)->text(); }

  int64_t Amount(ledger::TransactionKey key) {
    return Number(store::FormatSql("SELECT Amount FROM Transactions WHERE ID = %d", {key}));
  }
  std::string LastReconciled() { return Text("SELECT LastReconciled FROM Accounts WHERE ID = 1"); }

  ledger::TransactionKey payment_ = 0;
  ledger::TransactionKey deposit_ = 0;
};

TEST_F(ReconcileWindowTest, TicksByClickAndSpaceMoveTheFiguresAndTheBalancingEntryIsAccepted) {
  auto window = Open(QStringLiteral("470.00"));
  ASSERT_TRUE(window);
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Reconcile with Statement"));
  EXPECT_EQ(LastReconciled(), "2026-11-05") << "starting writes the opening date at once";
  QTableView* view = window->view();
  ASSERT_EQ(view->model()->rowCount(), 2);
  EXPECT_EQ(view->model()->headerData(ReconcileModel::Payment, Qt::Horizontal).toString(), QStringLiteral("Payment"));
  EXPECT_EQ(view->model()->index(0, ReconcileModel::Payment).data().toString(), QStringLiteral("$120.00"));
  EXPECT_EQ(Figure(*window, "reconciledBalance"), Figure(*window, "openingBalance"));

  // Space on the first row, a click in the tick column of the second.
  view->setFocus();
  view->setCurrentIndex(view->model()->index(0, ReconcileModel::Date));
  QTest::keyClick(view, Qt::Key_Space);
  EXPECT_EQ(view->model()->index(0, ReconcileModel::Tick).data(Qt::CheckStateRole).toInt(), Qt::Checked);
  const QRect cell = view->visualRect(view->model()->index(1, ReconcileModel::Tick));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_EQ(view->model()->index(1, ReconcileModel::Tick).data(Qt::CheckStateRole).toInt(), Qt::Checked);
  EXPECT_EQ(Figure(*window, "reconciledBalance"), QStringLiteral("$460.00"));
  EXPECT_EQ(Figure(*window, "closingBalance"), QStringLiteral("$470.00"));
  EXPECT_EQ(Figure(*window, "difference"), QStringLiteral("$10.00"));
  EXPECT_EQ(Figure(*window, "reconciledDate"), QStringLiteral("12/10/2026"));

  prompter_.answer("Reconcile");
  Click(*window, "finish");
  ASSERT_EQ(prompter_.asked.size(), 1u);
  EXPECT_EQ(prompter_.asked[0].title, "Reconcile Transactions");
  EXPECT_EQ(prompter_.asked[0].buttons, (std::vector<std::string>{"Reconcile", "Finish Later", "Cancel"}));
  EXPECT_NE(prompter_.asked[0].text.find("Difference: $10.00"), std::string::npos);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions WHERE Note = 'Balancing entry for reconciliation' AND "
                   "Amount = 1000 AND Cleared = 1 AND Reconciled = 1 AND TransactionDate LIKE '2026-12-10%'"),
            1);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions WHERE Account = 1 AND Reconciled = 1 AND Cleared = 1"), 3);
  EXPECT_EQ(LastReconciled(), "2026-12-10");
}

TEST_F(ReconcileWindowTest, FinishLaterKeepsCorrectedAmountsAndCancelKeepsTheWindowOpen) {
  auto window = Open(QStringLiteral("0"));
  ASSERT_TRUE(window);
  QTableView* view = window->view();
  window->model()->toggle(1);
  // A correction typed into the deposit cell, as the cell editor commits it.
  ASSERT_TRUE(view->model()->setData(view->model()->index(1, ReconcileModel::Deposit), QStringLiteral("85.00")));
  EXPECT_EQ(view->model()->index(1, ReconcileModel::Deposit).data().toString(), QStringLiteral("$85.00"));
  // The other side and a split are refused; the figures stay.
  EXPECT_FALSE(view->model()->setData(view->model()->index(1, ReconcileModel::Payment), QStringLiteral("1.00")));
  EXPECT_EQ(Figure(*window, "reconciledBalance"), QStringLiteral("$585.00"));

  prompter_.answer("Cancel");
  Click(*window, "finish");
  EXPECT_TRUE(window->isVisible()) << "Cancel keeps the reconciliation open";
  EXPECT_EQ(Amount(deposit_), 8000) << "nothing written on Cancel";

  prompter_.answer("Finish Later");
  Click(*window, "finish");
  EXPECT_FALSE(window->isVisible());
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(prompter_.messages[0].title, "Finish Later");
  EXPECT_EQ(Amount(deposit_), 8500);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions WHERE Account = 1 AND Reconciled = 1"), 0);
  EXPECT_EQ(LastReconciled(), "2026-11-05");
}

TEST_F(ReconcileWindowTest, ShowAllKeepsTicksAndACardAccountHeadsItsPaymentsCharge) {
  Add("2026-10-01", -700, TransactionType::Purchase);
  ASSERT_TRUE(db().exec("UPDATE Accounts SET LastReconciled = '2026-11-01' WHERE ID = 1"));
  auto window = Open(QStringLiteral("0"));
  ASSERT_TRUE(window);
  ASSERT_EQ(window->model()->rowCount(), 2);
  window->model()->toggle(0);
  Field<QCheckBox>(*window, "showAll")->setChecked(true);
  ASSERT_EQ(window->model()->rowCount(), 3);
  EXPECT_EQ(window->model()->index(1, ReconcileModel::Tick).data(Qt::CheckStateRole).toInt(), Qt::Checked);
  EXPECT_EQ(Figure(*window, "openingDate"), QStringLiteral("11/01/2026"));

  constexpr ledger::AccountKey kCard = 3;
  auto form = planning::ProposeStatement(data(), kCard);
  ASSERT_TRUE(form);
  form->closingText = "0";
  auto started = planning::StartReconciliation(data(), *form);
  ASSERT_TRUE(started.reconciliation);
  ReconcileWindow cardWindow(context_, nullptr, std::move(*started.reconciliation));
  EXPECT_EQ(cardWindow.model()->headerData(ReconcileModel::Payment, Qt::Horizontal).toString(), QStringLiteral("Charge"));
}

TEST_F(ReconcileWindowTest, TheStatementFormRefusesAnUnreadableBalanceAtItsField) {
  auto form = planning::ProposeStatement(data(), kChecking);
  ASSERT_TRUE(form);
  StatementDialog statement(context_, nullptr, *form);
  Show(statement);
  Type(Field<QLineEdit>(statement, "closing"), QStringLiteral("lots"));
  Click(statement, "ok");
  EXPECT_FALSE(statement.started);
  EXPECT_TRUE(statement.isVisible());
  EXPECT_EQ(Balloon(), "closing||Please enter a valid closing balance.");
  EXPECT_EQ(LastReconciled(), "0");
}

}  // namespace
}  // namespace tallyvane::gui

namespace tallyvane::gui {
namespace {

// "Reconcile Account" from the main window's menu and its task panel: the
// statement form opens over the shown account and the window follows.
TEST_F(ReconcileWindowTest, TheMenuAndTaskPanelOpenTheStatementForTheShownAccount) {
  MainWindow window(context_);
  prompter_.setParentWidget(&window);
  window.refill();
  window.selectAccount(kChecking);
  QAction* reconcile = window.findChild<QAction*>(QStringLiteral("reconcileAccount"));
  ASSERT_TRUE(reconcile->isEnabled());
  QStandardItem* link = nullptr;
  QStandardItemModel* panel = window.panelModel();
  for (int group = 0; group < panel->rowCount(); ++group) {
    for (int row = 0; row < panel->item(group)->rowCount(); ++row) {
      if (panel->item(group)->child(row)->text() == QStringLiteral("Reconcile Account")) link = panel->item(group)->child(row);
    }
  }
  ASSERT_NE(link, nullptr);
  EXPECT_TRUE(link->flags() & Qt::ItemIsEnabled) << "the link follows its command";

  bool windowShown = false;
  OnNextModal([&](QWidget* modal) {
    auto* statement = qobject_cast<StatementDialog*>(modal);
    ASSERT_NE(statement, nullptr);
    EXPECT_EQ(statement->windowTitle(), QStringLiteral("Reconcile Transactions (Checking Account)"));
    OnNextModal([&](QWidget* next) {
      auto* reconciling = qobject_cast<ReconcileWindow*>(next);
      ASSERT_NE(reconciling, nullptr);
      windowShown = true;
      EXPECT_EQ(reconciling->model()->rowCount(), 2);
      Click(*reconciling, "cancel");
    });
    Type(Field<QLineEdit>(*statement, "closing"), QStringLiteral("460.00"));
    Click(*statement, "ok");
  });
  window.panelView()->activated(link->index());
  EXPECT_TRUE(windowShown);
  EXPECT_EQ(LastReconciled(), "2026-11-05") << "abandoned after starting: the opening date stays";
}

}  // namespace
}  // namespace tallyvane::gui
