// The budget windows driven through their widgets: the new-budget wizard's
// pages and checks, the expenses-over-income warning, the over-budget warning
// of a later entry, the property sheet, rename and delete.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTabWidget>
#include <QTableView>

#include "dialogs_fixture.h"
#include "gui/dialogs/transaction_dialog.h"
#include "gui/planning/budget_windows.h"

namespace tallyvane::gui {
namespace {

class BudgetWindowTest : public DialogTest {
 protected:
  // Types a monthly amount for the named category into a plan page.
  static void Plan(QTableView* view, const QString& category, const QString& amount) {
    ASSERT_NE(view, nullptr);
    QAbstractItemModel* model = view->model();
    for (int row = 0; row < model->rowCount(); ++row) {
      if (model->index(row, 0).data().toString() == category) {
        EXPECT_TRUE(model->setData(model->index(row, 1), amount)) << category.toStdString();
        return;
      }
    }
    ADD_FAILURE() << "no category " << category.toStdString();
  }
};

TEST_F(BudgetWindowTest, TheWizardChecksItsPagesWarnsAboutOverspendingAndTheBudgetWarnsOnEntry) {
  ASSERT_TRUE(planning::CreateBudget(data(), "Household"));
  NewBudgetWizardDialog wizard(context_, nullptr);
  Show(wizard);
  EXPECT_EQ(wizard.windowTitle(), QStringLiteral("New Budget"));
  wizard.next();
  EXPECT_EQ(wizard.currentId(), NewBudgetWizardDialog::NamePage);
  EXPECT_EQ(Balloon(), "name||Please enter a name for the budget.");
  Type(Field<QLineEdit>(wizard, "name"), QStringLiteral("Household"));
  wizard.next();
  EXPECT_EQ(Balloon(), "name||The budget name already exists. Please type a different budget name.");
  Type(Field<QLineEdit>(wizard, "name"), QStringLiteral("Family"));
  wizard.next();
  ASSERT_EQ(wizard.currentId(), NewBudgetWizardDialog::AccountsPage);

  // Every account starts ticked; none ticked is refused.
  auto* accounts = Field<QTableView>(wizard, "accounts");
  QAbstractItemModel* list = accounts->model();
  ASSERT_EQ(list->rowCount(), 3);
  for (int row = 0; row < list->rowCount(); ++row) {
    EXPECT_EQ(list->index(row, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    list->setData(list->index(row, 0), Qt::Unchecked, Qt::CheckStateRole);
  }
  wizard.next();
  EXPECT_EQ(wizard.currentId(), NewBudgetWizardDialog::AccountsPage);
  EXPECT_EQ(Balloon(), "accounts||Please select at least one account to budget.");
  list->setData(list->index(0, 0), Qt::Checked, Qt::CheckStateRole);
  wizard.next();
  ASSERT_EQ(wizard.currentId(), NewBudgetWizardDialog::IncomePage);

  auto* incomes = Field<QTableView>(wizard, "incomes");
  Plan(incomes, QStringLiteral("Income | Salary"), QStringLiteral("100.00"));
  wizard.next();
  ASSERT_EQ(wizard.currentId(), NewBudgetWizardDialog::ExpensePage);
  auto* expenses = Field<QTableView>(wizard, "expenses");
  // A slip is refused in place and the amount stays.
  EXPECT_FALSE(expenses->model()->setData(expenses->model()->index(0, 1), QStringLiteral("lots")));
  EXPECT_EQ(Balloon(), "expenses||Please enter a valid amount.");
  Plan(expenses, QStringLiteral("Food | Groceries"), QStringLiteral("120.00"));
  EXPECT_EQ(wizard.expensePage()->totalLabel()->text(), QStringLiteral("Total expenses every month:  $120.00"));
  Field<QCheckBox>(wizard, "warn")->setChecked(true);
  wizard.accept();

  ASSERT_TRUE(wizard.created());
  ASSERT_FALSE(prompter_.messages.empty());
  EXPECT_EQ(prompter_.messages.back().title, "New Budget");
  EXPECT_EQ(prompter_.messages.back().text, "Warning - your monthly expenses have exceeded your monthly income.");
  EXPECT_EQ(planning::BudgetAmount(data(), *wizard.created(), 20), store::Money(12000));
  EXPECT_TRUE(planning::BudgetWarns(data(), *wizard.created()));

  // Spending over the plan in that category warns as the row is saved.
  prompter_.messages.clear();
  TransactionDialog form(context_, nullptr, kChecking, std::nullopt);
  Show(form);
  Type(Field<QComboBox>(form, "category"), QStringLiteral("Food"));
  Type(Field<QComboBox>(form, "subcategory"), QStringLiteral("Groceries"));
  Type(Field<QLineEdit>(form, "amount"), QStringLiteral("120.01"));
  Click(form, "ok");
  ASSERT_FALSE(prompter_.messages.empty());
  EXPECT_EQ(prompter_.messages.back().title, "Transaction Over Budget");
  EXPECT_NE(prompter_.messages.back().text.find("\"Family\""), std::string::npos);
}

TEST_F(BudgetWindowTest, TheListRenamesEditsAndDeletes) {
  const auto home = planning::CreateBudget(data(), "Home");
  const auto trip = planning::CreateBudget(data(), "Trip");
  ASSERT_TRUE(home && trip);
  ASSERT_TRUE(planning::AddBudgetAccount(data(), *home, kChecking));
  BudgetListWindow list(context_, nullptr);
  Show(list);
  QAbstractItemModel* model = list.view()->model();
  ASSERT_EQ(model->rowCount(), 2);

  EXPECT_FALSE(model->setData(model->index(1, 0), QStringLiteral("Home")));
  ASSERT_FALSE(prompter_.messages.empty());
  EXPECT_EQ(prompter_.messages.back().title, "Rename budget");
  EXPECT_EQ(prompter_.messages.back().text, "Budget name already exists. Please enter a different budget name.");
  EXPECT_TRUE(model->setData(model->index(1, 0), QStringLiteral("  Holiday ")));
  QTest::qWait(10);
  EXPECT_EQ(model->index(0, 0).data().toString(), QStringLiteral("Holiday")) << "trimmed, and sorted again";

  // The property sheet saves only the tabs that were shown.
  list.selectKey(*home);
  bool edited = false;
  OnNextModal([&](QWidget* modal) {
    auto* sheet = qobject_cast<BudgetPropertiesDialog*>(modal);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->windowTitle(), QStringLiteral("Budget Properties"));
    Field<QTabWidget>(*sheet, "tabs")->setCurrentIndex(2);
    Plan(Field<QTableView>(*sheet, "expenses"), QStringLiteral("Food | Groceries"), QStringLiteral("80.00"));
    Click(*sheet, "ok");
    edited = !sheet->isVisible();
    if (sheet->isVisible()) sheet->reject();
  });
  list.editBudget();
  EXPECT_TRUE(edited);
  EXPECT_EQ(planning::BudgetAmount(data(), *home, 20), store::Money(8000));
  EXPECT_EQ(prompter_.messages.back().title, "Edit Budget") << "expenses over no income";

  prompter_.answer("Delete");
  list.deleteBudgets();
  EXPECT_EQ(prompter_.asked.back().title, "Delete budget");
  EXPECT_EQ(model->rowCount(), 1);
  EXPECT_TRUE(list.changed());
}

// Alt+D beside the warning box once reset the line just entered: the key
// now ticks the box, and Delete of an entered amount asks first.
TEST_F(BudgetWindowTest, NoKeyBesideTheWarningBoxLosesTheLineJustEntered) {
  NewBudgetWizardDialog wizard(context_, nullptr);
  Show(wizard);
  wizard.next();
  ASSERT_EQ(wizard.currentId(), NewBudgetWizardDialog::NamePage);
  Type(Field<QLineEdit>(wizard, "name"), QStringLiteral("Family"));
  wizard.next();
  wizard.next();
  wizard.next();
  ASSERT_EQ(wizard.currentId(), NewBudgetWizardDialog::ExpensePage);
  auto* expenses = Field<QTableView>(wizard, "expenses");
  Plan(expenses, QStringLiteral("Housing | Rent"), QStringLiteral("900"));
  QAbstractItemModel* model = expenses->model();
  int rent = -1;
  for (int row = 0; row < model->rowCount(); ++row) {
    if (model->index(row, 0).data().toString() == QLatin1String("Housing | Rent")) rent = row;
  }
  ASSERT_GE(rent, 0);
  auto* warn = Field<QCheckBox>(wizard, "warn");
  const bool warned = warn->isChecked();
  // Alt+D is the warning box's own key; no button of the page answers it.
  EXPECT_EQ(warn->shortcut(), QKeySequence(Qt::ALT | Qt::Key_D));
  for (QAbstractButton* button : expenses->parentWidget()->findChildren<QAbstractButton*>()) {
    if (button == warn) continue;
    EXPECT_NE(button->shortcut(), QKeySequence(Qt::ALT | Qt::Key_D)) << button->text().toStdString();
  }
  QTest::mouseClick(warn, Qt::LeftButton);
  EXPECT_NE(warn->isChecked(), warned);
  EXPECT_EQ(model->index(rent, 1).data().toString(), QStringLiteral("$900.00"));

  // The expense page's own Delete (the income page has one too).
  auto* clear = expenses->parentWidget()->findChild<QPushButton*>(QStringLiteral("clearAmount"));
  ASSERT_NE(clear, nullptr);
  expenses->selectRow(rent);
  prompter_.answer("Cancel");
  QTest::mouseClick(clear, Qt::LeftButton);
  ASSERT_FALSE(prompter_.asked.empty());
  EXPECT_EQ(prompter_.asked.back().title, "Delete Budget Amounts");
  EXPECT_EQ(model->index(rent, 1).data().toString(), QStringLiteral("$900.00"));
  prompter_.answer("Delete");
  expenses->selectRow(rent);
  QTest::mouseClick(clear, Qt::LeftButton);
  EXPECT_EQ(model->index(rent, 1).data().toString(), QStringLiteral("$0.00"));
}

}  // namespace
}  // namespace tallyvane::gui
