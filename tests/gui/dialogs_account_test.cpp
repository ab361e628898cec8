// The account form and the account list: the form's refusals at their
// fields, a saved account, delete with its question and progress, find.
#include <QLabel>
#include <QTableView>

#include "dialogs_fixture.h"
#include "gui/dialogs/account_dialog.h"
#include "gui/dialogs/account_list_window.h"
#include "store/money.h"

namespace tallyvane::gui {
namespace {

using AccountDialogTest = DialogTest;

TEST_F(AccountDialogTest, RefusedFormShowsEachCheckAtItsField) {
  struct Case {
    const char* name;
    const char* accountName;
    const char* starting;
    const char* checkNumber;
    const char* balloon;
  };
  const Case cases[] = {
      {"empty name", "", "0.00", "", "name|Account name required|Please enter a name for this account."},
      {"bad starting", "Wallet", "abc", "", "starting||Please enter a valid amount for the starting balance."},
      {"check letters", "Wallet", "0", "12x", "check_number||Please enter only numbers as the check number."},
      {"check too long", "Wallet", "0", "1234567", "check_number||Check number should contain no more than six numbers."},
      {"name taken", "Savings Account", "0", "", "name|Account name exists|Another account name with the same name "
                                                  "already exists. Please enter a different name."},
  };
  const int64_t before = Number("SELECT COUNT(*) FROM Accounts");
  for (const Case& c : cases) {
    ClearLastBalloon();
    AccountDialog form(context_, nullptr, std::nullopt);
    Show(form);
    EXPECT_EQ(form.windowTitle().toStdString(), "Add Account") << c.name;
    Type(Field<QLineEdit>(form, "name"), QString::fromUtf8(c.accountName));
    Type(Field<QLineEdit>(form, "starting"), QString::fromUtf8(c.starting));
    Type(Field<QLineEdit>(form, "check_number"), QString::fromUtf8(c.checkNumber));
    Click(form, "ok");
    EXPECT_EQ(Balloon(), c.balloon) << c.name;
    EXPECT_TRUE(form.isVisible()) << c.name;
  }
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Accounts"), before);
}

TEST_F(AccountDialogTest, NewAccountIsSavedAndTheCurrentBalanceFollowsTheStartingBalance) {
  AccountDialog form(context_, nullptr, std::nullopt);
  Show(form);
  Type(Field<QLineEdit>(form, "name"), "Wallet");
  Type(Field<QLineEdit>(form, "starting"), "25.00");
  EXPECT_EQ(Field<QLabel>(form, "current")->text().toStdString(),
            store::FormatMoney(data().regional(), store::Money(2500)));
  Click(form, "ok");
  ASSERT_EQ(form.result(), QDialog::Accepted) << Balloon();
  ASSERT_TRUE(form.savedKey());
  const std::string id = std::to_string(*form.savedKey());
  EXPECT_EQ(Text("SELECT AcctName FROM Accounts WHERE ID = " + id), "Wallet");
  EXPECT_EQ(Number("SELECT AcctStartingBal FROM Accounts WHERE ID = " + id), 2500);
  EXPECT_EQ(test_.settings().readString("Settings", "BubbleTipSetupAccount"), "0");

  AccountDialog edit(context_, nullptr, *form.savedKey());
  Show(edit);
  EXPECT_EQ(edit.windowTitle().toStdString(), "Edit Account");
  EXPECT_EQ(Field<QLineEdit>(edit, "name")->text().toStdString(), "Wallet");
  // The values as the form shows them save back unchanged.
  Click(edit, "ok");
  EXPECT_EQ(edit.result(), QDialog::Accepted) << Balloon();
  EXPECT_EQ(Number("SELECT AcctStartingBal FROM Accounts WHERE ID = " + id), 2500);
}

TEST_F(AccountDialogTest, ListDeletesAfterItsQuestionAndKeepsTheLastAccount) {
  AccountListWindow list(context_, nullptr);
  Show(list);
  ASSERT_EQ(list.model()->rowCount(), 3);
  list.selectKey(3);
  prompter_.answer("Delete");
  QTest::keyClick(list.view(), Qt::Key_Delete);
  ASSERT_FALSE(prompter_.asked.empty());
  EXPECT_EQ(prompter_.asked.back().title, "Delete Accounts");
  EXPECT_EQ(prompter_.asked.back().buttons, (std::vector<std::string>{"Delete", "Cancel"}));
  EXPECT_EQ(Number("SELECT Deleted FROM Accounts WHERE ID = 3"), 1);
  EXPECT_EQ(list.model()->rowCount(), 2);
  EXPECT_TRUE(list.changed());

  list.view()->selectAll();
  QTest::keyClick(list.view(), Qt::Key_Delete);
  ASSERT_FALSE(prompter_.messages.empty());
  EXPECT_EQ(prompter_.messages.back().text, "Tallyvane requires at least one account.");
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Accounts WHERE Deleted = 0"), 2);
}

TEST_F(AccountDialogTest, ListAddRunsTheFormAndSelectsTheNewAccount) {
  AccountListWindow list(context_, nullptr);
  Show(list);
  OnNextModal([](QWidget* modal) {
    if (auto* name = modal->findChild<QLineEdit*>("name")) name->setText("Wallet");
    if (auto* ok = modal->findChild<QPushButton*>("ok")) ok->click();
  });
  QTest::keyClick(&list, Qt::Key_N, Qt::ControlModifier);
  ASSERT_EQ(list.model()->rowCount(), 4);
  const auto wallet = ledger::FindAccountByName(data(), "Wallet");
  ASSERT_TRUE(wallet);
  EXPECT_EQ(list.selectedKeys(), (std::vector<int32_t>{*wallet}));
  EXPECT_TRUE(list.changed());
}

TEST_F(AccountDialogTest, ListFindSelectsTheMatchAndFindNextSaysWhenThereIsNoMore) {
  AccountListWindow list(context_, nullptr);
  Show(list);
  Type(list.findField(), "sav");
  QTest::keyClick(list.findField(), Qt::Key_Return);
  EXPECT_EQ(list.selectedKeys(), (std::vector<int32_t>{2}));
  QTest::keyClick(&list, Qt::Key_F3);
  ASSERT_FALSE(prompter_.messages.empty());
  EXPECT_EQ(prompter_.messages.back().title, "Search Complete");
  EXPECT_EQ(prompter_.messages.back().text, "No more accounts matching \"sav\" could be found.");

  Type(list.findField(), "   ");
  Click(list, "find");
  EXPECT_EQ(prompter_.messages.back().title, "Find the Account");
  EXPECT_EQ(prompter_.messages.back().text, "Please enter a valid string to search");
}

}  // namespace
}  // namespace tallyvane::gui
