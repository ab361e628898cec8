// The transaction form's wiring: fields typed into the real widgets reach the
// entry operation, its refusals land at the right widget with the exact text,
// and typed names create categories and payees as the user leaves a field.
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include "dialogs_fixture.h"
#include "gui/date_field.h"
#include "gui/dialogs/transaction_dialog.h"
#include "ledger/categories.h"
#include "ledger/payees.h"

namespace tallyvane::gui {
namespace {

class TransactionDialogTest : public DialogTest {
 protected:
  ledger::TransactionKey Enter(const std::string& payee, const std::string& category, const std::string& sub,
                               const std::string& amount) {
    ledger::EntryForm form = ledger::NewEntryForm(data(), kChecking);
    form.payee = payee;
    form.category = category;
    form.subcategory = sub;
    form.amountText = amount;
    tallyvane::testing::RecordingPrompter quiet;
    const ledger::EntryResult result = ledger::EnterTransaction(data(), form, quiet);
    EXPECT_TRUE(result.status.ok) << result.status.message;
    return result.key.value_or(0);
  }
  ledger::TransactionRow Row(ledger::TransactionKey key) {
    return ledger::LoadTransaction(db(), key).value_or(ledger::TransactionRow{});
  }
  int64_t LiveRows() { return Number("SELECT COUNT(*) FROM Transactions WHERE Deleted = 0"); }
  static void Choose(QComboBox* combo, int data) {
    ASSERT_NE(combo, nullptr);
    const int at = combo->findData(data);
    ASSERT_GE(at, 0);
    combo->setCurrentIndex(at);
  }
};

TEST_F(TransactionDialogTest, PurchaseTypedIntoTheFormIsSaved) {
  TransactionDialog form(context_, nullptr, kChecking, std::nullopt);
  Show(form);
  EXPECT_EQ(form.windowTitle().toStdString(), "Add Transaction (Checking Account)");
  Type(Field<QComboBox>(form, "payee"), "Corner Grocer");
  Type(Field<QComboBox>(form, "category"), "Food");
  Type(Field<QComboBox>(form, "subcategory"), "Groceries");
  Type(Field<QLineEdit>(form, "amount"), "12.50");
  Type(Field<QLineEdit>(form, "note"), "weekly shop");
  Field<QComboBox>(form, "tax")->setCurrentText("Tax Deductible");
  Click(form, "ok");

  EXPECT_EQ(form.result(), QDialog::Accepted) << Balloon();
  ASSERT_TRUE(form.savedKey());
  const ledger::TransactionRow row = Row(*form.savedKey());
  EXPECT_EQ(row.amount.minorUnits(), -1250);
  EXPECT_EQ(row.category, 20);  // Food | Groceries
  EXPECT_EQ(row.note, "weekly shop");
  EXPECT_EQ(row.date, "2026-12-10");
  EXPECT_EQ(row.taxDeductible, 1);
  EXPECT_EQ(ledger::PayeeName(data(), row.payee).value_or(""), "Corner Grocer");
}

TEST_F(TransactionDialogTest, EditShowsTheRowAndSavesTheChange) {
  const ledger::TransactionKey key = Enter("Corner Grocer", "Food", "Groceries", "12.50");
  TransactionDialog form(context_, nullptr, kChecking, key);
  Show(form);
  EXPECT_EQ(form.windowTitle().toStdString(), "Edit Transaction (Checking Account)");
  EXPECT_EQ(Field<QLineEdit>(form, "amount")->text().toStdString(), "12.50");
  EXPECT_EQ(Field<QComboBox>(form, "payee")->currentText().toStdString(), "Corner Grocer");
  EXPECT_EQ(Field<QComboBox>(form, "subcategory")->currentText().toStdString(), "Groceries");
  Type(Field<QLineEdit>(form, "amount"), "40.00");
  Click(form, "ok");
  EXPECT_EQ(form.result(), QDialog::Accepted) << Balloon();
  EXPECT_EQ(Row(key).amount.minorUnits(), -4000);
  EXPECT_EQ(Row(key).category, 20);
  EXPECT_EQ(LiveRows(), 1);
}

TEST_F(TransactionDialogTest, TransferPresetMovesMoneyBetweenTwoAccounts) {
  TransactionDialog form(context_, nullptr, kChecking, std::nullopt, true);
  Show(form);
  EXPECT_EQ(Field<QComboBox>(form, "type")->currentText().toStdString(), "Transfer");
  EXPECT_TRUE(Field<QComboBox>(form, "account")->isVisible());
  EXPECT_FALSE(Field<QComboBox>(form, "payee")->isVisible());
  // The form's own account is no transfer target.
  EXPECT_LT(Field<QComboBox>(form, "account")->findData(kChecking), 0);
  Choose(Field<QComboBox>(form, "account"), kSavings);
  Type(Field<QLineEdit>(form, "amount"), "100.00");
  Click(form, "ok");
  EXPECT_EQ(form.result(), QDialog::Accepted) << Balloon();
  const ledger::TransactionRow row = Row(*form.savedKey());
  EXPECT_EQ(row.referencedAccount, kSavings);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions WHERE Account = 2 AND Deleted = 0"), 1);

  // Editing the transfer through the form rewrites both rows.
  TransactionDialog edit(context_, nullptr, kChecking, *form.savedKey());
  Show(edit);
  EXPECT_EQ(Field<QComboBox>(edit, "account")->currentData().toInt(), kSavings);
  Type(Field<QLineEdit>(edit, "amount"), "60.00");
  Click(edit, "ok");
  EXPECT_EQ(edit.result(), QDialog::Accepted) << Balloon();
  EXPECT_EQ(Row(*form.savedKey()).amount.minorUnits(), -6000);
  EXPECT_EQ(Number("SELECT Amount FROM Transactions WHERE Account = 2 AND Deleted = 0"), 6000);
}

TEST_F(TransactionDialogTest, RefusedChecksShowAtTheirField) {
  struct Case {
    const char* name;
    int type;
    const char* number;
    bool chooseTransfer;
    const char* category;
    const char* subcategory;
    const char* amount;
    const char* balloon;
  };
  const Case cases[] = {
      {"bad amount", 4, "", false, "", "", "abc", "amount||Please enter a valid transaction amount."},
      {"negative deposit", 0, "", false, "", "", "-5", "amount||Enter positive amount for Deposit Transaction."},
      {"check letters", 3, "12a", false, "", "", "5", "number||Please enter only numbers as the check number."},
      {"check too long", 3, "1234567", false, "", "", "5", "number||Check number should contain no more than six numbers."},
      {"transfer without account", 5, "", false, "", "", "5", "account||Select a valid account for this transfer."},
      {"subcategory alone", 4, "", false, "Not categorized", "Odd", "5",
       "category||Please provide a valid name for Category."},
  };
  for (const Case& c : cases) {
    ClearLastBalloon();
    TransactionDialog form(context_, nullptr, kChecking, std::nullopt);
    Show(form);
    Field<QComboBox>(form, "type")->setCurrentIndex(c.type);
    Type(Field<QLineEdit>(form, "number"), QString::fromUtf8(c.number));
    if (*c.category) Type(Field<QComboBox>(form, "category"), QString::fromUtf8(c.category));
    if (*c.subcategory) Type(Field<QComboBox>(form, "subcategory"), QString::fromUtf8(c.subcategory));
    Type(Field<QLineEdit>(form, "amount"), QString::fromUtf8(c.amount));
    Click(form, "ok");
    EXPECT_EQ(Balloon(), c.balloon) << c.name;
    EXPECT_TRUE(HasFocus(LastBalloon().anchor)) << c.name;
    EXPECT_TRUE(form.isVisible()) << c.name;
    EXPECT_EQ(LiveRows(), 0) << c.name;
    if (*c.subcategory) {
      EXPECT_TRUE(Field<QComboBox>(form, "subcategory")->currentText().isEmpty()) << c.name;
    }
  }
}

TEST_F(TransactionDialogTest, UsedCheckNumberIsFlaggedWhenTheFieldIsLeft) {
  TransactionDialog first(context_, nullptr, kChecking, std::nullopt);
  Show(first);
  Field<QComboBox>(first, "type")->setCurrentIndex(3);
  // A check proposes the number after the account's counter.
  EXPECT_EQ(Field<QLineEdit>(first, "number")->text().toStdString(), "001");
  Type(Field<QLineEdit>(first, "amount"), "5");
  Click(first, "ok");
  ASSERT_EQ(first.result(), QDialog::Accepted) << Balloon();

  TransactionDialog second(context_, nullptr, kChecking, std::nullopt);
  Show(second);
  Field<QComboBox>(second, "type")->setCurrentIndex(3);
  EXPECT_EQ(Field<QLineEdit>(second, "number")->text().toStdString(), "002");
  Type(Field<QLineEdit>(second, "number"), "1");
  Field<QLineEdit>(second, "amount")->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(Balloon(), "number||This check number has already been used.");
}

TEST_F(TransactionDialogTest, TypedCategoryAndSubcategoryAreCreatedWithTheirHints) {
  TransactionDialog form(context_, nullptr, kChecking, std::nullopt);
  Show(form);
  Type(Field<QComboBox>(form, "category"), "Hobbies");
  Field<QComboBox>(form, "subcategory")->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(Balloon(), "category||A new category was created");
  // A hint leaves the focus where the user moved it.
  EXPECT_TRUE(HasFocus(Field<QComboBox>(form, "subcategory")));
  const auto hobbies = ledger::FindCategoryId(data(), "Hobbies", 0);
  ASSERT_TRUE(hobbies);
  EXPECT_EQ(Field<QComboBox>(form, "category")->currentData().toInt(), *hobbies);

  Type(Field<QComboBox>(form, "subcategory"), "Models");
  Field<QLineEdit>(form, "note")->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(Balloon(), "subcategory||A new subcategory was created");
  EXPECT_EQ(Number("SELECT Header FROM Categories WHERE ID = " + std::to_string(*hobbies)), 1);
  EXPECT_TRUE(ledger::FindCategoryId(data(), "Models", *hobbies));
  EXPECT_TRUE(form.changed());
}

TEST_F(TransactionDialogTest, ChoosingAPayeePreselectsItsRememberedCategory) {
  Enter("Fuel Stop", "Auto", "Fuel", "30.00");
  TransactionDialog form(context_, nullptr, kChecking, std::nullopt);
  Show(form);
  Type(Field<QComboBox>(form, "payee"), "Fuel Stop");
  Field<QLineEdit>(form, "note")->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(Field<QComboBox>(form, "category")->currentText().toStdString(), "Auto");
  EXPECT_EQ(Field<QComboBox>(form, "subcategory")->currentText().toStdString(), "Fuel");

  // A category the user chose is theirs: another payee does not replace it.
  Type(Field<QComboBox>(form, "category"), "Food");
  Field<QLineEdit>(form, "note")->setFocus(Qt::TabFocusReason);
  Type(Field<QComboBox>(form, "payee"), "Fuel Stop 2");
  Field<QLineEdit>(form, "note")->setFocus(Qt::TabFocusReason);
  Type(Field<QComboBox>(form, "payee"), "Fuel Stop");
  Field<QLineEdit>(form, "note")->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(Field<QComboBox>(form, "category")->currentText().toStdString(), "Food");

  // A new name becomes a payee at once.
  Type(Field<QComboBox>(form, "payee"), "Brand New Payee");
  Field<QLineEdit>(form, "note")->setFocus(Qt::TabFocusReason);
  EXPECT_GT(ledger::FindPayeeId(data(), "Brand New Payee"), 0);
}

TEST_F(TransactionDialogTest, OverBudgetWarningIsShownAndTheRowSaved) {
  ASSERT_TRUE(db().exec("INSERT INTO Budgets VALUES (1, 'Household', 1, 0)"));
  ASSERT_TRUE(db().exec("INSERT INTO BudgetCategories (BudgetID, CategoryID, Amount) VALUES (1, 20, 1)"));
  ASSERT_TRUE(db().exec("INSERT INTO BudgetAccounts (BudgetID, AccountID) VALUES (1, 1)"));
  TransactionDialog form(context_, nullptr, kChecking, std::nullopt);
  Show(form);
  Type(Field<QComboBox>(form, "category"), "Food");
  Type(Field<QComboBox>(form, "subcategory"), "Groceries");
  Type(Field<QLineEdit>(form, "amount"), "50.00");
  Click(form, "ok");
  EXPECT_EQ(form.result(), QDialog::Accepted) << Balloon();
  ASSERT_FALSE(prompter_.messages.empty());
  EXPECT_EQ(prompter_.messages.back().title, "Transaction Over Budget");
  EXPECT_EQ(prompter_.messages.back().text,
            "Warning: This transaction exceeds the monthly budgeted spending amount for category \"Food | Groceries\" "
            "in the following budgets: \"Household\"");
  EXPECT_EQ(LiveRows(), 1);
}

TEST_F(TransactionDialogTest, CancellingAnAddFormAfterSplittingLeavesNoRow) {
  TransactionDialog form(context_, nullptr, kChecking, std::nullopt);
  Show(form);
  Click(form, "split");
  EXPECT_EQ(Balloon(), "amount||Please enter the transaction amount before splitting the transaction.");

  Type(Field<QLineEdit>(form, "amount"), "100.00");
  bool editorSeen = false;
  OnNextModal([&](QWidget* modal) {
    editorSeen = modal->windowTitle() == QLatin1String("Split Transactions");
    if (auto* editor = qobject_cast<QDialog*>(modal)) editor->reject();
  });
  Click(form, "split");
  EXPECT_TRUE(editorSeen);
  // Nothing is written before the split is confirmed.
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions"), 0);
  EXPECT_TRUE(form.isVisible());
  form.reject();
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions"), 0);
}

TEST_F(TransactionDialogTest, ConfirmedSplitSavesTheFormAndItsLinesTogether) {
  TransactionDialog form(context_, nullptr, kChecking, std::nullopt);
  Show(form);
  Type(Field<QComboBox>(form, "payee"), "Hardware Store");
  Type(Field<QLineEdit>(form, "amount"), "100.00");
  OnNextModal([&](QWidget* modal) {
    ASSERT_EQ(modal->windowTitle(), QLatin1String("Split Transactions"));
    EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions"), 0) << "the editor opens on the unsaved form";
    Click(*modal, "ok");
  });
  Click(form, "split");
  EXPECT_EQ(form.result(), QDialog::Accepted) << Balloon();
  ASSERT_TRUE(form.savedKey());
  EXPECT_TRUE(Row(*form.savedKey()).split);
  EXPECT_EQ(Row(*form.savedKey()).amount.minorUnits(), -10000);
  EXPECT_EQ(ledger::LiveSplitLines(data(), *form.savedKey()).size(), 1u);
}

TEST_F(TransactionDialogTest, CancelTakesBackTheCategoriesAndPayeesTheFormMade) {
  const int64_t categories = Number("SELECT COUNT(*) FROM Categories");
  const int64_t payees = Number("SELECT COUNT(*) FROM PayAccounts");
  TransactionDialog form(context_, nullptr, kChecking, std::nullopt);
  Show(form);
  Type(Field<QComboBox>(form, "payee"), "Kite Shop");
  Type(Field<QComboBox>(form, "category"), "Hobby");
  Type(Field<QComboBox>(form, "subcategory"), "Kites");
  Field<QLineEdit>(form, "note")->setFocus(Qt::TabFocusReason);
  // Made as the fields were left.
  EXPECT_GT(ledger::FindCategoryByFullName(data(), "Hobby | Kites"), 0);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM PayAccounts"), payees + 1);
  form.reject();
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Categories"), categories);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM PayAccounts"), payees);
  EXPECT_EQ(ledger::FindCategoryByFullName(data(), "Hobby"), -1);

  // Saved, they stay.
  TransactionDialog saved(context_, nullptr, kChecking, std::nullopt);
  Show(saved);
  Type(Field<QComboBox>(saved, "category"), "Hobby");
  Field<QLineEdit>(saved, "note")->setFocus(Qt::TabFocusReason);
  Type(Field<QLineEdit>(saved, "amount"), "4.00");
  Click(saved, "ok");
  ASSERT_EQ(saved.result(), QDialog::Accepted) << Balloon();
  EXPECT_GT(ledger::FindCategoryByFullName(data(), "Hobby"), 0);
}

TEST_F(TransactionDialogTest, NewAmountOfASplitParentNeedsTheSplitEditorOrIsPutBack) {
  const ledger::TransactionKey key = Enter("", "", "", "100.00");
  ASSERT_TRUE(ledger::SaveSplitLines(data(), key, {{std::nullopt, "Food | Groceries", "", "40.00", ""},
                                                  {std::nullopt, "Auto | Fuel", "", "60.00", ""}},
                                     {})
                  .ok);
  TransactionDialog form(context_, nullptr, kChecking, key);
  Show(form);
  // The lines carry the categories.
  EXPECT_FALSE(Field<QComboBox>(form, "category")->isEnabled());
  Type(Field<QLineEdit>(form, "amount"), "120.00");
  bool editorSeen = false;
  OnNextModal([&](QWidget* modal) {
    editorSeen = modal->windowTitle() == QLatin1String("Split Transactions");
    if (auto* editor = qobject_cast<QDialog*>(modal)) editor->reject();
  });
  Click(form, "ok");
  EXPECT_TRUE(editorSeen);
  EXPECT_EQ(Row(key).amount.minorUnits(), -10000);
  EXPECT_EQ(ledger::LiveSplitLines(data(), key).size(), 2u);
}

// The date as a user types it: whole, in the book's order, Tab to go on.
TEST_F(TransactionDialogTest, TypedDateIsSavedAsTypedAndTabGoesOnToTheNumber) {
  struct Case {
    const char* typed;
    const char* shown;
    const char* stored;
  };
  const Case cases[] = {
      {"12/03/2026", "12/03/2026", "2026-12-03"},
      {"12032026", "12/03/2026", "2026-12-03"},
      {"1/2/26", "01/02/2026", "2026-01-02"},
      {"3/7", "03/07/2026", "2026-03-07"},
  };
  for (const Case& c : cases) {
    TransactionDialog form(context_, nullptr, kChecking, std::nullopt);
    Show(form);
    auto* date = Field<DateField>(form, "date");
    ASSERT_NE(date, nullptr);
    EXPECT_TRUE(HasFocus(date)) << "a new form starts at the date";
    EXPECT_EQ(date->lineEdit()->text().toStdString(), "12/10/2026");
    QTest::keyClicks(date->lineEdit(), QString::fromLatin1(c.typed));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(HasFocus(Field<QLineEdit>(form, "number"))) << c.typed;
    EXPECT_EQ(date->lineEdit()->text().toStdString(), c.shown) << c.typed;
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("42"));
    EXPECT_EQ(Field<QLineEdit>(form, "number")->text().toStdString(), "42") << "typing after Tab is the number's";
    Type(Field<QLineEdit>(form, "amount"), "5.00");
    Click(form, "ok");
    ASSERT_EQ(form.result(), QDialog::Accepted) << c.typed << " " << Balloon();
    EXPECT_EQ(Row(*form.savedKey()).date, c.stored) << c.typed;
  }
}

// The book's own order and separator: day-month-year with dots, and "-"
// typed as "-" (not a step back) once a date is being typed with dashes.
TEST_F(TransactionDialogTest, TypedDateFollowsTheBooksDateOrder) {
  struct Case {
    const char* order;
    const char* separator;
    const char* shown;
    const char* typed;
    const char* stored;
  };
  const Case cases[] = {
      {"1", ".", "10.12.2026", "3.12.2026", "2026-12-03"},
      {"1", "-", "10-12-2026", "3-12-26", "2026-12-03"},
      {"2", "/", "2026/12/10", "20261203", "2026-12-03"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(db().exec(store::FormatSql("UPDATE Misc SET PrintedDateOrder = %s, PrintedDateSeparator = '%Q' "
                                           "WHERE ID = 'Options'",
                                           {c.order, c.separator})));
    data().reloadRegionalSettings();
    TransactionDialog form(context_, nullptr, kChecking, std::nullopt);
    Show(form);
    auto* date = Field<DateField>(form, "date");
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(date->lineEdit()->text().toStdString(), c.shown);
    QTest::keyClicks(date->lineEdit(), QString::fromLatin1(c.typed));
    QTest::keyClick(date->lineEdit(), Qt::Key_Tab);
    EXPECT_TRUE(HasFocus(Field<QLineEdit>(form, "number"))) << c.typed << " " << Balloon();
    Type(Field<QLineEdit>(form, "amount"), "5.00");
    Click(form, "ok");
    ASSERT_EQ(form.result(), QDialog::Accepted) << c.typed << " " << Balloon();
    EXPECT_EQ(Row(*form.savedKey()).date, c.stored) << c.typed;
  }
}

TEST_F(TransactionDialogTest, PlusAndMinusMoveTheDateADay) {
  TransactionDialog form(context_, nullptr, kChecking, std::nullopt);
  Show(form);
  auto* date = Field<DateField>(form, "date");
  ASSERT_NE(date, nullptr);
  QTest::keyClick(date->lineEdit(), Qt::Key_Plus);
  EXPECT_EQ(date->date(), QDate(2026, 12, 11));
  QTest::keyClick(date->lineEdit(), Qt::Key_Minus);
  QTest::keyClick(date->lineEdit(), Qt::Key_Minus);
  EXPECT_EQ(date->lineEdit()->text().toStdString(), "12/09/2026");
  // A day typed and then stepped steps from the day typed.
  QTest::keyClicks(date->lineEdit(), QStringLiteral("2/28/2026"));
  QTest::keyClick(date->lineEdit(), Qt::Key_Plus);
  EXPECT_EQ(date->date(), QDate(2026, 3, 1));
  Type(Field<QLineEdit>(form, "amount"), "5.00");
  Click(form, "ok");
  ASSERT_EQ(form.result(), QDialog::Accepted) << Balloon();
  EXPECT_EQ(Row(*form.savedKey()).date, "2026-03-01");
}

TEST_F(TransactionDialogTest, UnreadableDateIsRefusedAtTheFieldNeverReplaced) {
  const char* const typed[] = {"13/45/2026", "12/03/202", "2/30/2026", "12/03/2045"};
  for (const char* text : typed) {
    ClearLastBalloon();
    TransactionDialog form(context_, nullptr, kChecking, std::nullopt);
    Show(form);
    auto* date = Field<DateField>(form, "date");
    ASSERT_NE(date, nullptr);
    QTest::keyClicks(date->lineEdit(), QString::fromLatin1(text));
    QTest::keyClick(date->lineEdit(), Qt::Key_Tab);
    EXPECT_TRUE(HasFocus(date)) << text << ": Tab stays at a refused date";
    EXPECT_EQ(date->lineEdit()->text().toStdString(), text) << "the typed text stays";
    const std::string expected = std::string(text) == "12/03/2045"
                                     ? "date|Invalid Date|Please enter a date from 01/01/1970 to 12/31/2038."
                                     : "date|Invalid Date|Please enter the date as MM/DD/YYYY.";
    EXPECT_EQ(Balloon(), expected) << text;
    // Leaving by another way and saving still refuses it; nothing is written.
    Type(Field<QLineEdit>(form, "amount"), "5.00");
    ClearLastBalloon();
    Click(form, "ok");
    EXPECT_TRUE(form.isVisible()) << text;
    EXPECT_EQ(Balloon(), expected) << text;
    EXPECT_TRUE(HasFocus(date)) << text;
    EXPECT_EQ(LiveRows(), 0) << text;
  }
}

}  // namespace
}  // namespace tallyvane::gui
