// The category and payee windows and their forms: lines as the core orders
// them, add and edit through the forms, delete after the question, find, and
// the payee form's replace question.
#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QTableView>

#include "dialogs_fixture.h"
#include "gui/dialogs/category_dialog.h"
#include "gui/dialogs/category_window.h"
#include "gui/dialogs/payee_dialog.h"
#include "gui/dialogs/payee_window.h"
#include "ledger/categories.h"
#include "ledger/payees.h"

namespace tallyvane::gui {
namespace {

using ListsTest = DialogTest;

std::string RowText(ListWindow& window, int row) {
  return window.model()->index(row, 0).data().toString().toStdString();
}

TEST_F(ListsTest, CategoryWindowListsHeadersWithTheirSubcategories) {
  CategoryWindow window(context_, nullptr);
  Show(window);
  const auto lines = ledger::CategoryWindowLines(data());
  ASSERT_EQ(window.model()->rowCount(), static_cast<int>(lines.size()));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(RowText(window, static_cast<int>(i)), lines[i].fullName);
    EXPECT_EQ(window.model()->index(static_cast<int>(i), 1).data().toString().toStdString(),
              lines[i].expense ? "Expense" : "Income");
  }
  Type(window.findField(), "groc");
  Click(window, "find");
  EXPECT_EQ(window.selectedKeys(), (std::vector<int32_t>{20}));
}

TEST_F(ListsTest, CategoryFormRefusesAChildWithoutParentAndSavesAHeader) {
  CategoryDialog form(context_, nullptr, std::nullopt);
  Show(form);
  EXPECT_EQ(form.windowTitle().toStdString(), "Add Category");
  Type(Field<QLineEdit>(form, "name"), "Hobbies");
  Click(form, "ok");
  EXPECT_EQ(Balloon(), "parent|Select a parent|You can`t add non-parent category without setting its parent");
  EXPECT_TRUE(form.isVisible());

  // The parent list holds the headers of the chosen kind only.
  auto* parent = Field<QComboBox>(form, "parent");
  EXPECT_GE(parent->findText("Food"), 0);
  EXPECT_LT(parent->findText("Income"), 0);
  QTest::mouseClick(Field<QCheckBox>(form, "header"), Qt::LeftButton);
  EXPECT_FALSE(parent->isEnabled());
  Click(form, "ok");
  ASSERT_EQ(form.result(), QDialog::Accepted) << Balloon();
  const auto key = ledger::FindCategoryId(data(), "Hobbies", 0);
  ASSERT_TRUE(key);
  EXPECT_EQ(Number("SELECT Header FROM Categories WHERE ID = " + std::to_string(*key)), 1);
  EXPECT_EQ(Number("SELECT Expense FROM Categories WHERE ID = " + std::to_string(*key)), 1);
}

TEST_F(ListsTest, CategoryWindowDeletesAfterTheQuestion) {
  CategoryWindow window(context_, nullptr);
  Show(window);
  window.selectKey(9);  // Auto | Fuel
  prompter_.answer("Cancel");
  QTest::keyClick(window.view(), Qt::Key_Delete);
  EXPECT_EQ(Number("SELECT Deleted FROM Categories WHERE ID = 9"), 0);
  ASSERT_EQ(prompter_.asked.size(), 1u);
  EXPECT_EQ(prompter_.asked[0].title, "Delete Categories");
  EXPECT_EQ(prompter_.asked[0].text, "Are you sure that you would like to delete the selected categories?");

  prompter_.answer("Delete");
  QTest::keyClick(window.view(), Qt::Key_Delete);
  EXPECT_EQ(Number("SELECT Deleted FROM Categories WHERE ID = 9"), 1);
  EXPECT_FALSE(window.model()->rowOfKey(9).has_value());
  EXPECT_TRUE(window.changed());
}

TEST_F(ListsTest, PayeeFormAsksBeforeReplacingAPayeeOfTheSameName) {
  ASSERT_TRUE(ledger::AddPayee(data(), "Acme", "old notes"));
  const int64_t payees = Number("SELECT COUNT(*) FROM PayAccounts");
  PayeeDialog form(context_, nullptr, std::nullopt);
  Show(form);
  Type(Field<QLineEdit>(form, "name"), "Acme");
  Field<QPlainTextEdit>(form, "notes")->setPlainText("new notes");

  prompter_.answer("Cancel");
  Click(form, "ok");
  ASSERT_EQ(prompter_.asked.size(), 1u);
  EXPECT_EQ(prompter_.asked[0].title, "Add Payee");
  EXPECT_EQ(prompter_.asked[0].text, "The payee exists. Do you want to replace the existing payee?");
  EXPECT_EQ(prompter_.asked[0].buttons, (std::vector<std::string>{"Replace Payee", "Cancel"}));
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(Balloon().empty());

  prompter_.answer("Replace Payee");
  Click(form, "ok");
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM PayAccounts"), payees);
  EXPECT_EQ(Text("SELECT Notes FROM PayAccounts WHERE PayName = 'Acme' AND Deleted = 0"), "new notes");
}

TEST_F(ListsTest, PayeeWindowHidesTheBalancingPayeeAndDeletesAfterTheQuestion) {
  const auto acme = ledger::AddPayee(data(), "Acme", "");
  ASSERT_TRUE(acme);
  ASSERT_TRUE(ledger::AddPayee(data(), std::string(ledger::kBalanceAdjustingEntry), ""));
  PayeeWindow window(context_, nullptr);
  Show(window);
  for (int row = 0; row < window.model()->rowCount(); ++row) {
    EXPECT_NE(RowText(window, row), ledger::kBalanceAdjustingEntry);
  }
  ASSERT_TRUE(window.model()->rowOfKey(*acme));

  {
    PayeeDialog blank(context_, &window, std::nullopt);
    Show(blank);
    Click(blank, "ok");
    EXPECT_EQ(Balloon(), "name|Payee name required|Please enter a name for this payee.");
  }

  Show(window);
  window.view()->setFocus();
  window.selectKey(*acme);
  prompter_.answer("Delete");
  QTest::keyClick(window.view(), Qt::Key_Delete);
  ASSERT_FALSE(prompter_.asked.empty());
  EXPECT_EQ(prompter_.asked.back().title, "Delete payee");
  EXPECT_FALSE(window.model()->rowOfKey(*acme).has_value());
  EXPECT_EQ(Number("SELECT Deleted FROM PayAccounts WHERE ID = " + std::to_string(*acme)), 1);
}

}  // namespace
}  // namespace tallyvane::gui
