// The scheduled-transaction windows driven through their widgets: the
// start-up reminder leading to the due schedules and posting them, the
// list's views and commands, and the schedule form's refusals and kinds.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include "gui/date_field.h"
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>

#include "dialogs_fixture.h"
#include "gui/main_window.h"
#include "gui/planning/planning_windows.h"
#include "gui/planning/schedule_windows.h"
#include "planning/schedules.h"

namespace tallyvane::gui {
namespace {

using ledger::TransactionType;

class ScheduleWindowTest : public DialogTest {
 protected:
  planning::ScheduleKey Schedule(const std::string& next, int64_t amount, bool reminders = true,
                                 TransactionType type = TransactionType::Purchase) {
    planning::ScheduleFields fields;
    fields.account = kChecking;
    fields.amount = store::Money(amount);
    fields.type = type;
    fields.next = next;
    fields.reminders = reminders;
    fields.period = 1;
    fields.periodKind = planning::PeriodKind::Months;
    const auto key = planning::AddSchedule(data(), fields);
    EXPECT_TRUE(key);
    return key.value_or(0);
  }
  std::string Next(planning::ScheduleKey key) {
    return Text(store::FormatSql("SELECT NextTransactionDate FROM ScheduledTransactions WHERE ID = %d", {key}));
  }
  int64_t Posted(const std::string& date, int64_t amount) {
    return Number(store::FormatSql(
        "SELECT COUNT(*) FROM Transactions WHERE Account = 1 AND Deleted = 0 AND Amount = %lld AND "
        "TransactionDate LIKE '%Q%%'",
        {static_cast<long long>(amount), date}));
  }
  static void Select(ScheduleListWindow& list, int row) {
    list.view()->selectionModel()->setCurrentIndex(list.model()->index(row, 0),
                                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
};

TEST_F(ScheduleWindowTest, TheStartUpReminderLeadsToTheDueScheduleWhichIsPosted) {
  ledger::TransactionFields earlier;
  earlier.account = kChecking;
  earlier.amount = store::Money(100);
  earlier.date = "2026-11-01";
  earlier.type = TransactionType::Deposit;
  ASSERT_TRUE(ledger::AddTransactionAndRebalance(data(), earlier));
  const planning::ScheduleKey due = Schedule("2026-12-10", -4500);
  const planning::ScheduleKey later = Schedule("2027-01-05", -999);

  MainWindow window(context_);
  prompter_.setParentWidget(&window);
  window.refill();
  window.runStartEvent(MainWindow::DueSchedulesEvent);
  EXPECT_EQ(LastBalloon().text.toStdString(), std::string(planning::kScheduleReminder));

  bool listed = false;
  OnNextModal([&](QWidget* modal) {
    auto* list = qobject_cast<ScheduleListWindow*>(modal);
    ASSERT_NE(list, nullptr);
    listed = true;
    EXPECT_EQ(list->windowTitle(), QStringLiteral("Scheduled Transactions"));
    EXPECT_TRUE(Field<QCheckBox>(*list, "overdueOnly")->isChecked()) << "opened from the reminder: what is due";
    ASSERT_EQ(list->model()->rowCount(), 1);
    EXPECT_EQ(list->model()->index(0, ScheduleModel::Payment).data().toString(), QStringLiteral("$45.00"));
    Select(*list, 0);
    Click(*list, "postButton");
    EXPECT_EQ(list->model()->rowCount(), 0) << "posted, the schedule is no longer due";
    Field<QCheckBox>(*list, "overdueOnly")->setChecked(false);
    EXPECT_EQ(list->model()->rowCount(), 2);
    Click(*list, "close");
  });
  window.findChild<QAction*>(QStringLiteral("scheduledTransactions"))->trigger();
  EXPECT_TRUE(listed);
  EXPECT_EQ(Posted("2026-12-10", -4500), 1);
  EXPECT_EQ(Next(due), "2027-01-10");
  EXPECT_EQ(Next(later), "2027-01-05");

  // Opened again from the menu, the list shows every active schedule.
  OnNextModal([&](QWidget* modal) {
    auto* list = qobject_cast<ScheduleListWindow*>(modal);
    ASSERT_NE(list, nullptr);
    EXPECT_FALSE(Field<QCheckBox>(*list, "overdueOnly")->isChecked());
    Click(*list, "close");
  });
  window.findChild<QAction*>(QStringLiteral("scheduledTransactions"))->trigger();
}

TEST_F(ScheduleWindowTest, SkipDeleteAndTheOldViewFollowTheSelection) {
  const planning::ScheduleKey once = Schedule("2026-12-01", -1000);
  ASSERT_TRUE(db().exec(store::FormatSql(
      "UPDATE ScheduledTransactions SET EndTransactionDate = '2026-12-20' WHERE ID = %d", {once})));
  const planning::ScheduleKey other = Schedule("2026-12-15", 2500, false, TransactionType::Deposit);

  ScheduleListWindow list(context_, nullptr);
  Show(list);
  ASSERT_EQ(list.model()->rowCount(), 2);
  EXPECT_EQ(list.model()->index(1, ScheduleModel::Deposit).data().toString(), QStringLiteral("$25.00"));
  Select(list, 0);
  Click(list, "skipButton");
  EXPECT_EQ(Next(once), "Completed");
  EXPECT_EQ(Posted("2026-12-01", -1000), 0) << "skipping writes no transaction";
  ASSERT_EQ(list.model()->rowCount(), 1);

  auto* toggle = Field<QPushButton>(list, "toggleButton");
  EXPECT_EQ(toggle->text(), QStringLiteral("Show Old Schedules"));
  Click(list, "toggleButton");
  EXPECT_EQ(toggle->text(), QStringLiteral("Show Active Schedules"));
  ASSERT_EQ(list.model()->rowCount(), 1);
  Select(list, 0);
  EXPECT_FALSE(Field<QPushButton>(list, "postButton")->isEnabled()) << "a completed schedule is neither posted nor skipped";
  EXPECT_FALSE(Field<QPushButton>(list, "editButton")->isEnabled());
  Click(list, "toggleButton");

  Select(list, 0);
  prompter_.answer("Cancel");
  Click(list, "deleteButton");
  EXPECT_EQ(list.model()->rowCount(), 1);
  prompter_.answer("Delete");
  Click(list, "deleteButton");
  ASSERT_EQ(prompter_.asked.size(), 2u);
  EXPECT_EQ(prompter_.asked[1].title, "Delete scheduled transaction");
  EXPECT_EQ(list.model()->rowCount(), 0);
  EXPECT_EQ(Number(store::FormatSql("SELECT Deleted FROM ScheduledTransactions WHERE ID = %d", {other})), 1);
  EXPECT_TRUE(list.changed());
}

// What the schedule form is given (a new payee, a typed next date) is
// written only by its save: Cancel leaves the book as it was.
TEST_F(ScheduleWindowTest, CancelledFormLeavesNothingBehind) {
  const int64_t payees = Number("SELECT COUNT(*) FROM PayAccounts");
  const int64_t categories = Number("SELECT COUNT(*) FROM Categories");
  ScheduleDialog form(context_, nullptr, planning::NewScheduleForm(data()));
  Show(form);
  Type(Field<QComboBox>(form, "payee"), QStringLiteral("Brand New Landlord"));
  Type(Field<QLineEdit>(form, "amount"), QStringLiteral("900"));
  auto* next = Field<DateField>(form, "next");
  ASSERT_NE(next, nullptr);
  Type(next->lineEdit(), QStringLiteral("1/15/2027"));
  QTest::keyClick(next->lineEdit(), Qt::Key_Tab);
  EXPECT_EQ(next->date(), QDate(2027, 1, 15));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(Number("SELECT COUNT(*) FROM PayAccounts"), payees);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Categories"), categories);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM ScheduledTransactions"), 0);
}

TEST_F(ScheduleWindowTest, TheFormRefusesAtItsFieldsAndSavesADayOfMonthSchedule) {
  ScheduleDialog form(context_, nullptr, planning::NewScheduleForm(data()));
  Show(form);
  EXPECT_EQ(Field<QComboBox>(form, "account")->currentText(), QStringLiteral("Checking Account"));
  EXPECT_EQ(Field<QSpinBox>(form, "every")->value(), 2);
  EXPECT_EQ(Field<QComboBox>(form, "unit")->currentText(), QStringLiteral("Weeks"));
  EXPECT_EQ(Field<QSpinBox>(form, "day")->value(), 10);

  Type(Field<QLineEdit>(form, "amount"), QStringLiteral("lots"));
  Click(form, "ok");
  EXPECT_EQ(Balloon(), "amount||Please enter a valid transaction amount.");
  EXPECT_TRUE(form.isVisible());

  Type(Field<QLineEdit>(form, "amount"), QStringLiteral("12.50"));
  Field<QRadioButton>(form, "dayMode")->setChecked(true);
  Field<QSpinBox>(form, "day")->setValue(15);
  Click(form, "ok");
  EXPECT_EQ(Balloon(), "day||Next Date should be the same as Schedule day of month.");

  Field<DateField>(form, "next")->setDate(QDate(2026, 12, 15));
  Field<QCheckBox>(form, "noEnd")->setChecked(true);
  Field<QCheckBox>(form, "reminders")->setChecked(true);
  Click(form, "ok");
  ASSERT_TRUE(form.changed());
  const planning::ScheduleKey key = form.savedKey();
  const auto row = planning::LoadSchedule(data(), key);
  ASSERT_TRUE(row);
  EXPECT_EQ(row->amount, store::Money(1250)) << "a deposit keeps its sign";
  EXPECT_EQ(row->periodKind, 3);
  EXPECT_EQ(row->period, 15);
  EXPECT_EQ(row->next, "2026-12-15");
  EXPECT_TRUE(row->end.empty());
  EXPECT_TRUE(row->reminders);
}

TEST_F(ScheduleWindowTest, ATransferNeedsAnotherAccountAndARegisterRowFillsTheForm) {
  ScheduleDialog form(context_, nullptr, planning::NewScheduleForm(data()));
  Show(form);
  Field<QComboBox>(form, "type")->setCurrentIndex(static_cast<int>(TransactionType::Transfer));
  EXPECT_TRUE(Field<QComboBox>(form, "transfer_account")->isVisible());
  EXPECT_FALSE(Field<QComboBox>(form, "payee")->isVisible());
  Type(Field<QLineEdit>(form, "amount"), QStringLiteral("5"));
  Field<QComboBox>(form, "transfer_account")->setCurrentText(QStringLiteral("Checking Account"));
  Click(form, "ok");
  EXPECT_EQ(Balloon(), "transfer_account||Select a valid account for this transfer.");
  Field<QComboBox>(form, "transfer_account")->setCurrentText(QStringLiteral("Savings Account"));
  Click(form, "ok");
  EXPECT_TRUE(form.changed());
  const auto row = planning::LoadSchedule(data(), form.savedKey());
  ASSERT_TRUE(row);
  EXPECT_EQ(row->transferAccount, kSavings);
  EXPECT_EQ(row->amount, store::Money(-500));

  ledger::TransactionFields fields;
  fields.account = kChecking;
  fields.amount = store::Money(-3299);
  fields.date = "2026-12-01";
  fields.type = TransactionType::Purchase;
  const auto key = ledger::AddTransactionAndRebalance(data(), fields);
  ASSERT_TRUE(key);
  bool shown = false;
  OnNextModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<ScheduleDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    shown = true;
    EXPECT_EQ(Field<QLineEdit>(*dialog, "amount")->text(), QStringLiteral("32.99"));
    EXPECT_EQ(Field<QComboBox>(*dialog, "type")->currentIndex(), static_cast<int>(TransactionType::Purchase));
    dialog->reject();
  });
  EXPECT_FALSE(RunScheduleFromTransaction(context_, nullptr, *key));
  EXPECT_TRUE(shown);
}

}  // namespace
}  // namespace tallyvane::gui
