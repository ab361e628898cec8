// The main window driven through its widgets: start, accounts panel, periods,
// the register's keyboard and selection, placement, and the menu catalogue.
#include "gui/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QDialog>
#include <QIcon>
#include <QTimer>
#include <QHeaderView>

#include "gui/date_field.h"
#include <QLabel>
#include <QMenuBar>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>
#include <memory>

#include "app/main_window_rules.h"
#include "app/password.h"
#include "gui/balloon.h"
#include "gui/register_model.h"
#include "gui/register_view.h"
#include "ledger/accounts.h"
#include "ledger/balances.h"
#include "ledger/register.h"
#include "ledger/categories.h"
#include "ledger/transactions.h"
#include "store/dates.h"
#include "store/db.h"
#include "store/money.h"
#include "store/sql_format.h"
#include "store/settings.h"
#include "support/test_support.h"

namespace tallyvane::gui {
namespace {

using ledger::TransactionType;

// Answers questions by caption and records what was shown instead of opening
// message boxes.
class ScriptedPrompter final : public QtPrompter {
 public:
  std::size_t ask(std::string_view, std::string_view message, const std::vector<std::string>& buttons,
                  store::Icon) override {
    asked.emplace_back(message);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
      if (buttons[i] == answer) return i;
    }
    return buttons.empty() ? 0 : buttons.size() - 1;
  }
  void message(std::string_view, std::string_view text, store::Icon) override { messages.emplace_back(text); }
  std::string answer;
  std::vector<std::string> asked;
  std::vector<std::string> messages;
};

class Shell {
 public:
  explicit Shell(bool openBook = true) {
    data.setClock(clock);
    if (openBook) OpenBook(context);
  }
  MainWindow& window() {
    if (!window_) {
      window_ = std::make_unique<MainWindow>(context);
      prompter.setParentWidget(window_.get());
    }
    return *window_;
  }
  ledger::AccountKey account(const std::string& name, int type, long long starting = 0) {
    ledger::AccountValues values;
    values.name = name;
    values.type = type;
    values.starting = store::Money(starting);
    const auto key = ledger::AddAccount(data, values);
    EXPECT_TRUE(key) << name;
    return key.value_or(0);
  }
  ledger::TransactionKey add(ledger::AccountKey account, const std::string& date, long long amount,
                             TransactionType type = TransactionType::Purchase) {
    ledger::TransactionFields fields;
    fields.account = account;
    fields.amount = store::Money(amount);
    fields.date = date;
    fields.type = type;
    const auto key = ledger::AddTransactionAndRebalance(data, fields);
    EXPECT_TRUE(key);
    return key.value_or(0);
  }
  QStringList panelTexts() {
    QStringList texts;
    QStandardItemModel* model = window().panelModel();
    for (int group = 0; group < model->rowCount(); ++group) {
      QStandardItem* heading = model->item(group);
      texts << heading->text();
      for (int row = 0; row < heading->rowCount(); ++row) texts << QStringLiteral("  ") + heading->child(row)->text();
    }
    return texts;
  }
  QComboBox* selector() { return window().findChild<QComboBox*>(QStringLiteral("accountSelector")); }
  QComboBox* period() { return window().findChild<QComboBox*>(QStringLiteral("periodSelector")); }
  DateField* from() { return window().findChild<DateField*>(QStringLiteral("fromDate")); }
  DateField* to() { return window().findChild<DateField*>(QStringLiteral("toDate")); }
  QAction* action(const char* name) { return window().findChild<QAction*>(QLatin1String(name)); }

  testing::ScopedTimeZone zone{"UTC"};
  testing::TempDir dir;
  store::Paths paths = testing::PathsIn(dir.path());
  store::MemorySettings settings;
  testing::FixedClock clock{store::DateTextToTime("2026-02-10", "12:00:00")};
  store::DataContext data{paths, testing::UsLocale()};
  ScriptedPrompter prompter;
  GuiContext context{data, settings, clock, prompter};

 private:
  std::unique_ptr<MainWindow> window_;
};

// Lets the event loop run until `done` holds or three seconds passed.
template <typename Done>
bool WaitFor(Done done) {
  for (int waited = 0; waited < 3000 && !done(); waited += 20) QTest::qWait(20);
  return done();
}

TEST(MainWindowStart, FirstStartProvisionsTheBookAndPointsAtAddTransaction) {
  Shell shell;
  ClearLastBalloon();
  ASSERT_TRUE(std::filesystem::exists(shell.paths.dataFile())) << "the template was copied";
  MainWindow& window = shell.window();
  window.start();

  // The template's accounts, by name without regard to case; the first shown.
  QStringList names;
  for (int i = 0; i < shell.selector()->count(); ++i) names << shell.selector()->itemText(i);
  EXPECT_EQ(names, (QStringList{"Checking Account", "Credit Card", "Savings Account"}));
  EXPECT_EQ(shell.selector()->currentText(), QStringLiteral("Checking Account"));
  EXPECT_EQ(shell.period()->currentText(), QStringLiteral("Custom Period"));
  EXPECT_EQ(shell.from()->date(), QDate(2026, 1, 10));
  EXPECT_EQ(shell.to()->date(), QDate(2026, 2, 10));
  EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("lastReconciled"))->text(), QStringLiteral("Last reconciled: -"));

  // No transaction yet: once the first start's event has run, the hint
  // points at the toolbar's Add Transaction button.
  EXPECT_TRUE(WaitFor([] { return !LastBalloon().text.isEmpty(); }));
  EXPECT_EQ(LastBalloon().text, QString::fromLatin1(app::kAddTransactionHint.data()));
  ASSERT_FALSE(LastBalloon().anchor.isNull());
  EXPECT_EQ(qobject_cast<QWidget*>(LastBalloon().anchor.data())->window(), &window);
  EXPECT_TRUE(shell.settings.readString("Settings", "BubbleTipImportCount").empty())
      << "the retrieve hint is neither shown nor counted while retrieving is not available";
}

TEST(MainWindowStart, ACancelledPasswordPromptClosesBeforeAnyDataIsShown) {
  Shell shell;
  app::ChangePasswordForm form;
  form.password = "Secret42";
  form.confirm = "Secret42";
  ASSERT_TRUE(app::ChangePassword(shell.data.db(), form, shell.prompter).ok);
  MainWindow& window = shell.window();
  bool prompted = false;
  QTimer::singleShot(300, [&] {
    if (auto* prompt = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      prompted = true;
      EXPECT_EQ(shell.selector()->count(), 0) << "nothing is filled before the password";
      prompt->reject();
    }
  });
  window.start();
  EXPECT_TRUE(WaitFor([&] { return prompted && !window.isVisible(); }));
  EXPECT_TRUE(prompted);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(shell.selector()->count(), 0);
}

TEST(MainWindowStart, TheIconIsBuiltIn) {
  const QIcon icon(QStringLiteral(":/tallyvane/tallyvane.svg"));
  EXPECT_FALSE(icon.pixmap(64, 64).isNull());
}

TEST(MainWindowStart, EveryCatalogueCommandIsAvailableOnABankAccount) {
  Shell shell;
  shell.window().start();
  for (const char* name : {"addTransaction", "addAccount", "viewAccounts", "transferFunds", "categories", "payees",
                           "accountInformation", "toolTransaction", "reportIncomeExpenses", "options", "backUpData",
                           "restoreData", "toolOptions", "retrieveTransactions", "importOfx", "importCsv",
                           "toolRetrieve", "reconcileAccount", "scheduledTransactions", "budgets", "toolBudget"}) {
    ASSERT_NE(shell.action(name), nullptr) << name;
    EXPECT_TRUE(shell.action(name)->isEnabled()) << name;
    EXPECT_FALSE(shell.action(name)->statusTip().isEmpty()) << name;
  }
  // Nothing selected in an empty register: the row commands wait.
  for (const char* name : {"editTransaction", "deleteTransaction", "voidTransaction", "findTransaction", "findNext"}) {
    EXPECT_FALSE(shell.action(name)->isEnabled()) << name;
  }
  EXPECT_EQ(shell.action("addTransaction")->shortcut(), QKeySequence(QKeySequence::New));
  EXPECT_EQ(shell.action("findTransaction")->shortcut(), QKeySequence(QKeySequence::Find));
  EXPECT_EQ(shell.action("findNext")->shortcut(), QKeySequence(QKeySequence::FindNext));
}

TEST(MainWindowStart, MenusHoldTheCatalogueInOrder) {
  Shell shell;
  QStringList menus;
  for (QAction* menu : shell.window().menuBar()->actions()) {
    QStringList items;
    for (QAction* item : menu->menu()->actions()) {
      if (!item->isSeparator()) items << item->text().remove(QLatin1Char('&'));
    }
    menus << menu->text().remove(QLatin1Char('&')) + QStringLiteral(": ") + items.join(QStringLiteral(", "));
  }
  EXPECT_EQ(menus.value(0), QStringLiteral("File: Add Transaction, Edit Transaction, Delete Transaction, "
                                           "Void Transaction, Show Split Transactions, Find Transaction..., Find Next, "
                                           "Import from OFX/QFX file..., Import from CSV file..., Account "
                                           "Information..., Exit"));
  EXPECT_EQ(menus.value(1), QStringLiteral("Accounts: Add Account..., View Accounts..., Transfer Funds..., Retrieve "
                                           "Transactions, Reconcile Account..."));
  EXPECT_EQ(menus.value(2), QStringLiteral("Manage: Categories..., Payees..., Scheduled Transactions..., Scheduled "
                                           "Investment Transactions..., Budgets..., Securities..."));
  // The four reports, then the chart window after a separator.
  EXPECT_EQ(menus.value(3), QStringLiteral("Reports: Income/Expenses by Category, Expenses by Payee, Account "
                                           "Activity, Budget, Net Worth"));
  EXPECT_TRUE(menus.value(4).startsWith(QStringLiteral("Tools: Options..., Back Up Data..., Restore Data...")));
}

TEST(AccountsPanel, TotalsGroupsAndAddItems) {
  Shell shell;
  shell.data.db().exec("UPDATE Accounts SET Deleted = 1");
  const auto bank = shell.account("bank", 1, 10000);
  shell.account("Loan", 7, 4000);
  MainWindow& window = shell.window();
  window.start();
  const QStringList texts = shell.panelTexts();
  EXPECT_EQ(texts.mid(0, 8), (QStringList{"Banking Accounts", "  bank: $100.00", "  Loan: $40.00", "Investment Accounts",
                                          "  Add a new Investment Account", "Assets/Liabilities", "  Assets: $100.00",
                                          "  Liabilities: $40.00"}));
  EXPECT_TRUE(texts.contains(QStringLiteral("  Manage Scheduled Transactions")));
  EXPECT_FALSE(texts.contains(QStringLiteral("  Add a new Bank Account")));

  // An investment account hides its add item once the window refills, and
  // counts among the assets.
  const auto investment = shell.account("Brokerage", ledger::kInvestmentAccountType, 2500);
  window.refill();
  const QStringList after = shell.panelTexts();
  EXPECT_FALSE(after.contains(QStringLiteral("  Add a new Investment Account")));
  EXPECT_TRUE(after.contains(QStringLiteral("  Brokerage: $25.00")));
  EXPECT_TRUE(after.contains(QStringLiteral("  Assets: $125.00")));

  // Clicking an item shows that account; an investment account shows the
  // placeholder and its transaction commands wait.
  QStandardItem* item = shell.window().panelModel()->item(1)->child(0);
  const QRect rect = window.panelView()->visualRect(item->index());
  QTest::mouseClick(window.panelView()->viewport(), Qt::LeftButton, {}, rect.center());
  EXPECT_EQ(window.currentAccount(), investment);
  EXPECT_TRUE(window.investmentMode());
  EXPECT_FALSE(shell.action("addTransaction")->isEnabled());
  window.selectAccount(bank);
  EXPECT_FALSE(window.investmentMode());
  EXPECT_EQ(shell.selector()->currentText(), QStringLiteral("bank"));
}

TEST(AccountsPanel, BackupReminderAfterThirtyDays) {
  Shell shell;
  const std::time_t now = shell.clock.now();
  shell.settings.writeInt("Setting", "LastBackup", now - 2592001);
  shell.window().start();
  EXPECT_TRUE(shell.panelTexts().contains(QStringLiteral("  Back up your data (last backup over 30 days ago)")));
  shell.settings.writeInt("Setting", "LastBackup", now - 2592000);
  shell.window().refill();
  EXPECT_FALSE(shell.panelTexts().contains(QStringLiteral("  Back up your data (last backup over 30 days ago)")));
}

TEST(RegisterPeriods, ChoicesSetDatesAndAHandChangeMakesACustomPeriod) {
  Shell shell;
  shell.add(1, "2025-12-31", -500);
  shell.add(1, "2026-01-15", -700);
  shell.add(1, "2026-02-03", -900);
  MainWindow& window = shell.window();
  window.start();
  EXPECT_EQ(window.registerModel()->totalRows(), 2u) << "one month back from 10 February";

  window.choosePeriod(7);  // "Last Month"
  EXPECT_EQ(shell.from()->date(), QDate(2026, 1, 1));
  EXPECT_EQ(shell.to()->date(), QDate(2026, 1, 31));
  EXPECT_EQ(window.registerModel()->totalRows(), 1u);

  window.choosePeriod(0);  // "All": from the first transaction
  EXPECT_EQ(shell.from()->date(), QDate(2025, 12, 31));
  EXPECT_EQ(window.registerModel()->totalRows(), 3u);

  // Typing a date by hand switches to "Custom Period" and refilters.
  shell.from()->setFocus();
  shell.from()->setDate(QDate(2026, 2, 1));
  EXPECT_EQ(shell.period()->currentText(), QStringLiteral("Custom Period"));
  EXPECT_EQ(window.registerModel()->totalRows(), 1u);
}

TEST(Register, ColumnsMarksAndPaymentTitle) {
  Shell shell;
  const auto purchase = shell.add(1, "2026-02-01", -1250);
  shell.add(1, "2026-02-02", 5000, TransactionType::Deposit);
  MainWindow& window = shell.window();
  window.start();
  RegisterModel* model = window.registerModel();
  ASSERT_EQ(model->rowCount(), 2);
  auto cell = [&](int row, int column, int role = Qt::DisplayRole) { return model->index(row, column).data(role); };
  EXPECT_EQ(cell(0, RegisterModel::Payment).toString(), QStringLiteral("$12.50"));
  EXPECT_EQ(cell(0, RegisterModel::Balance).toString(), QStringLiteral("-$12.50"));
  EXPECT_EQ(cell(1, RegisterModel::Deposit).toString(), QStringLiteral("$50.00"));
  EXPECT_EQ(cell(1, RegisterModel::Balance).toString(), QStringLiteral("$37.50"));
  EXPECT_TRUE(cell(0, RegisterModel::Payment, Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);
  EXPECT_TRUE(cell(0, RegisterModel::Balance, Qt::ForegroundRole).isValid()) << "a negative balance is coloured";
  EXPECT_FALSE(cell(1, RegisterModel::Balance, Qt::ForegroundRole).isValid());
  EXPECT_EQ(model->headerData(RegisterModel::Payment, Qt::Horizontal, Qt::DisplayRole).toString(),
            QStringLiteral("Payment"));

  // A credit card's payment column reads "Charge".
  window.selectAccount(3);
  EXPECT_EQ(model->headerData(RegisterModel::Payment, Qt::Horizontal, Qt::DisplayRole).toString(),
            QStringLiteral("Charge"));
  window.selectAccount(1);

  // Space ticks the cleared box of the current row, and the tick is stored.
  window.selectTransaction(purchase);
  window.registerView()->setFocus();
  QTest::keyClick(window.registerView(), Qt::Key_Space);
  QApplication::processEvents();
  EXPECT_TRUE(ledger::LoadTransaction(shell.data.db(), purchase)->cleared);
  EXPECT_EQ(window.registerModel()->index(0, RegisterModel::Cleared).data(Qt::CheckStateRole).toInt(), Qt::Checked);
  EXPECT_EQ(window.currentTransaction(), purchase) << "the selection survives the refill";
  QTest::keyClick(window.registerView(), Qt::Key_Space);
  QApplication::processEvents();
  EXPECT_FALSE(ledger::LoadTransaction(shell.data.db(), purchase)->cleared);
}

TEST(Register, DeleteAndVoidFromTheKeyboardAskFirst) {
  Shell shell;
  const auto first = shell.add(1, "2026-02-01", -1250);
  const auto second = shell.add(1, "2026-02-02", -300);
  MainWindow& window = shell.window();
  window.start();
  window.selectTransaction(second);
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  window.registerView()->setFocus();

  shell.prompter.answer = "Cancel";
  QTest::keyClick(window.registerView(), Qt::Key_Delete);
  ASSERT_FALSE(shell.prompter.asked.empty()) << "Delete runs the register's delete";
  EXPECT_EQ(shell.prompter.asked.back(), "Are you sure that you would like to delete the selected transactions?");
  EXPECT_FALSE(ledger::LoadTransaction(shell.data.db(), second)->deleted);

  shell.prompter.answer = "Delete";
  QTest::keyClick(window.registerView(), Qt::Key_Delete);
  EXPECT_TRUE(ledger::LoadTransaction(shell.data.db(), second)->deleted);
  EXPECT_EQ(window.registerModel()->totalRows(), 1u);
  EXPECT_TRUE(shell.panelTexts().contains(QStringLiteral("  Checking Account: -$12.50"))) << "the panel refilled";

  window.selectTransaction(first);
  shell.prompter.answer = "Void";
  shell.action("voidTransaction")->trigger();
  EXPECT_TRUE(ledger::LoadTransaction(shell.data.db(), first)->isVoid);
  shell.action("voidTransaction")->trigger();
  ASSERT_FALSE(shell.prompter.messages.empty());
  EXPECT_EQ(shell.prompter.messages.back(), "Transaction has already been marked void.");
}

// Runs `act` on the next modal window that opens, then closes it.
void OnNextModal(std::function<void(QWidget*)> act) {
  QTimer::singleShot(200, [act] {
    QWidget* modal = QApplication::activeModalWidget();
    ASSERT_NE(modal, nullptr) << "no window opened";
    act(modal);
    if (auto* dialog = qobject_cast<QDialog*>(modal); dialog != nullptr && dialog->isVisible()) dialog->reject();
  });
}

TEST(Register, ReturnOpensTheEditFormForTheCurrentRow) {
  Shell shell;
  const auto key = shell.add(1, "2026-02-01", -1250);
  MainWindow& window = shell.window();
  window.start();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  window.selectTransaction(key);
  window.registerView()->setFocus();
  QString title;
  OnNextModal([&](QWidget* form) { title = form->windowTitle(); });
  QTest::keyClick(window.registerView(), Qt::Key_Return);
  EXPECT_EQ(title, QStringLiteral("Edit Transaction (Checking Account)"));
}

TEST(Register, FindSelectsTheFirstMatchAndFindNextTheOnesAfter) {
  Shell shell;
  shell.add(1, "2026-02-01", -1250);
  const auto second = shell.add(1, "2026-02-02", -300);
  const auto third = shell.add(1, "2026-02-03", -400);
  ASSERT_TRUE(ledger::SetTransactionPayeeByName(shell.data, second, "Corner Grocer"));
  ASSERT_TRUE(ledger::SetTransactionPayeeByName(shell.data, third, "Corner Grocer"));
  MainWindow& window = shell.window();
  window.start();
  OnNextModal([](QWidget* prompt) {
    auto* input = qobject_cast<QInputDialog*>(prompt);
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(input->windowTitle(), QStringLiteral("Find a transaction"));
    input->setTextValue(QStringLiteral("grocer"));
    input->accept();
  });
  shell.action("findTransaction")->trigger();
  EXPECT_EQ(window.currentTransaction(), second);
  shell.action("findNext")->trigger();
  EXPECT_EQ(window.currentTransaction(), third);
  shell.action("findNext")->trigger();
  ASSERT_FALSE(shell.prompter.messages.empty());
  EXPECT_EQ(shell.prompter.messages.back(), "No more transactions matching \"grocer\" could be found.");
}

TEST(Register, CategoryCellOffersBothKindsAndStoresTheChoice) {
  Shell shell;
  const auto key = shell.add(1, "2026-02-01", -1250);
  MainWindow& window = shell.window();
  window.start();
  RegisterModel* model = window.registerModel();
  const QModelIndex cell = model->index(0, RegisterModel::Category);
  ASSERT_TRUE(cell.flags() & Qt::ItemIsEditable);
  window.registerView()->edit(cell);
  auto* editor = window.registerView()->findChild<QComboBox*>();
  ASSERT_NE(editor, nullptr);
  QStringList choices;
  for (int i = 0; i < editor->count(); ++i) choices << editor->itemText(i);
  const qsizetype line = choices.indexOf(QString::fromLatin1(kCategorySeparator));
  EXPECT_EQ(choices.value(0), QStringLiteral("Not categorized"));
  ASSERT_GT(line, 0);
  EXPECT_GT(choices.indexOf(QStringLiteral("Food | Groceries")), 0);
  EXPECT_LT(choices.indexOf(QStringLiteral("Food | Groceries")), line) << "a purchase lists expenses first";
  EXPECT_GT(choices.indexOf(QStringLiteral("Income | Salary")), line);

  // Choosing the separator changes nothing; a category is stored.
  editor->setCurrentIndex(static_cast<int>(line));
  window.registerView()->itemDelegateForColumn(RegisterModel::Category)->setModelData(editor, model, cell);
  QApplication::processEvents();
  EXPECT_EQ(ledger::LoadTransaction(shell.data.db(), key)->category, 0);
  editor->setCurrentText(QStringLiteral("Food | Groceries"));
  window.registerView()->itemDelegateForColumn(RegisterModel::Category)->setModelData(editor, model, cell);
  QApplication::processEvents();
  EXPECT_EQ(ledger::LoadTransaction(shell.data.db(), key)->category,
            ledger::FindCategoryByFullName(shell.data, "Food | Groceries"));
  EXPECT_EQ(model->index(0, RegisterModel::Category).data().toString(), QStringLiteral("Food | Groceries"));
}

// A click in the category cell of a selected row opens its choice, except
// on a reconciled row: the same rule as Edit, Return and double-click.
TEST(Register, CategoryCellOfAReconciledRowDoesNotOpen) {
  Shell shell;
  const auto open = shell.add(1, "2026-02-01", -1250);
  const auto reconciled = shell.add(1, "2026-02-02", -500);
  ASSERT_TRUE(shell.data.db().exec(store::FormatSql("UPDATE Transactions SET Reconciled = 1 WHERE ID = %d", {reconciled})));
  MainWindow& window = shell.window();
  window.show();
  window.start();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  RegisterModel* model = window.registerModel();
  RegisterView* view = window.registerView();
  auto clickCategory = [&](ledger::TransactionKey key) {
    for (int row = 0; row < model->rowCount(); ++row) {
      const QModelIndex cell = model->index(row, RegisterModel::Category);
      if (model->rowAt(row)->row.key != key) continue;
      view->scrollTo(cell);
      const QPoint at = view->visualRect(cell).center();
      QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
      QTest::qWait(QApplication::doubleClickInterval() + 50);
      QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
      // A click on a selected cell opens its editor once no double click follows.
      QTest::qWait(QApplication::doubleClickInterval() + 100);
      return;
    }
    ADD_FAILURE() << "no row " << key;
  };
  clickCategory(reconciled);
  EXPECT_EQ(view->findChild<QComboBox*>(), nullptr) << "no choice opens on a reconciled row";
  EXPECT_EQ(ledger::LoadTransaction(shell.data.db(), reconciled)->category, 0);
  clickCategory(open);
  EXPECT_NE(view->findChild<QComboBox*>(), nullptr) << "the same clicks open it on another row";
}

// At the first start's window size every column shows its title and the
// amounts whole; payee, category and note share what is left; a width the
// user sets stands and comes back with the next window.
TEST(Register, ColumnsShareTheFirstStartWidthAndKeepTheUsersOwn) {
  Shell shell;
  shell.add(1, "2026-02-01", -123456);
  shell.add(1, "2026-02-02", 98765432);
  MainWindow& window = shell.window();
  window.start();
  window.showNormal();
  window.resize(800, 540);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QTest::qWait(50);
  RegisterView* view = window.registerView();
  QHeaderView* header = view->horizontalHeader();
  int total = 0;
  for (int column = 0; column < RegisterModel::ColumnCount; ++column) {
    const QString title = view->model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column)) << title.toStdString() << " shows its title";
    total += header->sectionSize(column);
  }
  for (int column : {RegisterModel::Payment, RegisterModel::Deposit, RegisterModel::Balance}) {
    EXPECT_GE(header->sectionSize(column), view->figureWidth(column)) << "amounts shown whole";
  }
  EXPECT_LE(total, view->viewport()->width()) << "nothing is cut at the right";
  const int payee = header->sectionSize(RegisterModel::Payee) - header->sectionSizeHint(RegisterModel::Payee);
  const int note = header->sectionSize(RegisterModel::Note) - header->sectionSizeHint(RegisterModel::Note);
  EXPECT_GT(payee, 0);
  EXPECT_NEAR(payee, note, 2) << "payee and note share the spare width alike";
  EXPECT_LE(header->sectionSize(RegisterModel::Date), view->figureWidth(RegisterModel::Date))
      << "the date keeps no room to spare";

  // The user drags the payee column wider; a larger window leaves it.
  const int before = header->sectionSize(RegisterModel::Payee);
  const int edge = header->sectionViewportPosition(RegisterModel::Payee) + before - 1;
  const int y = header->height() / 2;
  QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(edge, y));
  QTest::mouseMove(header->viewport(), QPoint(edge + 40, y));
  QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(edge + 40, y));
  const int chosen = header->sectionSize(RegisterModel::Payee);
  ASSERT_GT(chosen, before) << "the drag widened the column";
  window.resize(1000, 600);
  QTest::qWait(50);
  EXPECT_EQ(header->sectionSize(RegisterModel::Payee), chosen);
  window.close();
  EXPECT_FALSE(shell.settings.readString("MainWindow", "RegisterColumns").empty());

  MainWindow again(shell.context);
  again.start();
  EXPECT_EQ(again.registerView()->horizontalHeader()->sectionSize(RegisterModel::Payee), chosen);
  again.close();
}

TEST(Register, SplitDisplayToggleRelabelsTheCommand) {
  Shell shell;
  shell.add(1, "2026-02-01", -1250);
  MainWindow& window = shell.window();
  window.start();
  QAction* toggle = shell.action("showSplits");
  EXPECT_EQ(toggle->text().remove(QLatin1Char('&')), QStringLiteral("Show Split Transactions"));
  toggle->trigger();
  EXPECT_EQ(toggle->text().remove(QLatin1Char('&')), QStringLiteral("Hide Split Transactions"));
  toggle->trigger();
  EXPECT_EQ(toggle->text().remove(QLatin1Char('&')), QStringLiteral("Show Split Transactions"));
}

TEST(RegisterModelTest, ReadsPagesAsShownAndHoldsOnlyAFew) {
  Shell shell;
  // More rows than the pages kept hold, over a year, in one transaction.
  std::vector<ledger::TransactionKey> keys;
  {
    store::WriteGuard guard(shell.data.db());
    ledger::RebalanceBatch batch(shell.data);
    for (int i = 0; i < 4000; ++i) {
      ledger::TransactionFields fields;
      fields.account = 1;
      fields.amount = store::Money(-(100 + i));
      fields.date = store::FormatSql("2025-%.2d-%.2d", {1 + i % 12, 1 + i % 28});
      fields.type = TransactionType::Purchase;
      keys.push_back(ledger::AddTransactionAndRebalance(shell.data, fields).value_or(0));
    }
    batch.finish();
    ASSERT_TRUE(guard.commit().ok);
  }
  MainWindow& window = shell.window();
  window.start();
  window.choosePeriod(0);  // "All"
  RegisterModel* model = window.registerModel();
  ASSERT_EQ(model->rowCount(), 4000);
  EXPECT_LE(model->pagesHeld(), 2u) << "opening reads the pages on screen";
  const auto whole = ledger::RegisterRows(shell.data, 1, "2025-01-01", "2026-12-31", false);
  ASSERT_EQ(whole.size(), 4000u);
  // The view opens on the latest row; its balance is the account's.
  EXPECT_EQ(window.currentTransaction(), whole.back().row.key);
  // Every row as the whole read gives it, with only a few pages held.
  for (int row = 0; row < model->rowCount(); row += 37) {
    EXPECT_EQ(model->index(row, RegisterModel::Date).data(RegisterModel::kTransactionKeyRole).toInt(),
              whole[static_cast<std::size_t>(row)].row.key);
    EXPECT_EQ(model->index(row, RegisterModel::Balance).data().toString().toStdString(),
              store::FormatMoney(shell.data.regional(), whole[static_cast<std::size_t>(row)].balance));
  }
  EXPECT_LE(model->pagesHeld(), RegisterModel::kPagesKept);
  EXPECT_EQ(model->rowOfKey(whole[1234].row.key), 1234);
  EXPECT_EQ(model->rowOfKey(99999), -1);
  // The selection is kept by key across a refill.
  window.selectTransaction(whole[2500].row.key);
  window.choosePeriod(0);
  EXPECT_EQ(window.currentTransaction(), whole[2500].row.key);
}

TEST(MainWindowPlacementTest, StoredOnCloseAndRestoredOnTheNextStart) {
  Shell shell;
  shell.settings.writeInt("MainWindow", "X", 40);
  shell.settings.writeInt("MainWindow", "Y", 30);
  shell.settings.writeInt("MainWindow", "Width", 1100);
  shell.settings.writeInt("MainWindow", "Height", 700);
  MainWindow& window = shell.window();
  window.start();
  EXPECT_EQ(window.geometry(), QRect(40, 30, 1100, 700));
  window.setGeometry(60, 50, 1000, 650);
  window.close();
  EXPECT_EQ(shell.settings.readInt("MainWindow", "X"), 60);
  EXPECT_EQ(shell.settings.readInt("MainWindow", "Y"), 50);
  EXPECT_EQ(shell.settings.readInt("MainWindow", "Width"), 1000);
  EXPECT_EQ(shell.settings.readInt("MainWindow", "Height"), 650);
  EXPECT_EQ(shell.settings.readString("MainWindow", "Maximized"), "0");
}

}  // namespace
}  // namespace tallyvane::gui
