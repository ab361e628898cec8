// The investment register in the main window: buying and selling through the
// investment form, the running shares, value and totals, the panel's value,
// delete and find; the securities list and an investment schedule posted.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include "gui/date_field.h"
#include <QStandardItemModel>
#include <QTableView>

#include "dialogs_fixture.h"
#include "gui/main_window.h"
#include "gui/planning/investment_register.h"
#include "gui/planning/investment_schedule_windows.h"
#include "gui/planning/planning_windows.h"
#include "gui/planning/security_windows.h"
#include "ledger/accounts.h"
#include "planning/securities.h"

namespace tallyvane::gui {
namespace {

class InvestmentRegisterTest : public DialogTest {
 protected:
  InvestmentRegisterTest() : window_(context_) {
    prompter_.setParentWidget(&window_);
    ledger::AccountValues values;
    values.name = "Brokerage";
    values.type = ledger::kInvestmentAccountType;
    values.starting = store::Money(100000);
    account_ = ledger::AddAccount(data(), values).value_or(0);
    window_.refill();
    window_.selectAccount(account_);
    window_.findChild<DateField*>(QStringLiteral("fromDate"))->setDate(QDate(2026, 1, 1));
    window_.findChild<DateField*>(QStringLiteral("toDate"))->setDate(QDate(2026, 12, 31));
  }

  // Fills the investment form when it comes up and confirms it.
  void Enter(const QString& date, int action, const QString& security, const QString& shares, const QString& price,
             const QString& commission, const QString& total) {
    bool shown = false;
    OnNextModal([&](QWidget* modal) {
      auto* form = qobject_cast<InvestmentDialog*>(modal);
      ASSERT_NE(form, nullptr);
      shown = true;
      EXPECT_EQ(form->windowTitle(), QStringLiteral("Add Investment (Brokerage)"));
      Field<DateField>(*form, "date")->setDate(QDate::fromString(date, Qt::ISODate));
      Field<QComboBox>(*form, "action")->setCurrentIndex(action);
      Field<QComboBox>(*form, "security")->setCurrentText(security);
      Type(Field<QLineEdit>(*form, "shares"), shares);
      Type(Field<QLineEdit>(*form, "price"), price);
      Type(Field<QLineEdit>(*form, "commission"), commission);
      Type(Field<QLineEdit>(*form, "total"), total);
      Click(*form, "ok");
    });
    window_.investmentRegister()->addInvestment();
    EXPECT_TRUE(shown);
  }

  QString Cell(int row, int column) {
    return window_.investmentRegister()->model()->index(row, column).data().toString();
  }
  QStringList PanelTexts() {
    QStringList texts;
    QStandardItemModel* model = window_.panelModel();
    for (int group = 0; group < model->rowCount(); ++group) {
      for (int row = 0; row < model->item(group)->rowCount(); ++row) texts << model->item(group)->child(row)->text();
    }
    return texts;
  }

  MainWindow window_;
  ledger::AccountKey account_ = 0;
};

TEST_F(InvestmentRegisterTest, BuyAndSellShowRunningSharesValueAndTotals) {
  ASSERT_NE(account_, 0);
  EXPECT_TRUE(window_.investmentMode());
  EXPECT_EQ(window_.investmentRegister()->model()->rowCount(), 0);

  Enter("2026-11-02", 0, "Acme Corp", "10", "25.00", "9.95", "");
  // Said at the form's security field, which has closed with the form since.
  EXPECT_EQ(LastBalloon().text, QStringLiteral("A new security was created"));
  Enter("2026-11-20", 1, "Acme Corp", "4", "30.00", "", "120.00");

  InvestmentModel* model = window_.investmentRegister()->model();
  ASSERT_EQ(model->rowCount(), 2);
  EXPECT_EQ(Cell(0, InvestmentModel::Action), QStringLiteral("Buy"));
  EXPECT_EQ(Cell(0, InvestmentModel::Security), QStringLiteral("Acme Corp"));
  EXPECT_EQ(Cell(0, InvestmentModel::RunningShares), QStringLiteral("10"));
  EXPECT_EQ(Cell(0, InvestmentModel::Value), QStringLiteral("$250.00"));
  // A price per share reads as paid, whatever sign the action stores.
  EXPECT_EQ(Cell(0, InvestmentModel::Price), QStringLiteral("$25.00"));
  EXPECT_EQ(Cell(0, InvestmentModel::Total), QStringLiteral("-$259.95"));
  EXPECT_EQ(Cell(1, InvestmentModel::Shares), QStringLiteral("-4"));
  EXPECT_EQ(Cell(1, InvestmentModel::RunningShares), QStringLiteral("6"));
  EXPECT_EQ(Cell(1, InvestmentModel::Total), QStringLiteral("$120.00"));
  EXPECT_EQ(Cell(1, InvestmentModel::RunningTotal), QStringLiteral("-$139.95"));
  EXPECT_EQ(model->index(0, InvestmentModel::Total).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
                Qt::AlignRight,
            Qt::AlignRight);
  EXPECT_TRUE(PanelTexts().contains(QStringLiteral("Brokerage: $1,139.95"))) << PanelTexts().join(QLatin1Char(';')).toStdString();

  // Find by security, then delete the sale.
  window_.investmentRegister()->find("acme");
  EXPECT_EQ(window_.investmentRegister()->currentKey(), model->rows()[0].row.key);
  window_.investmentRegister()->findNext();
  EXPECT_EQ(window_.investmentRegister()->currentKey(), model->rows()[1].row.key);
  window_.investmentRegister()->find("nothing like it");
  ASSERT_FALSE(prompter_.messages.empty());
  EXPECT_EQ(prompter_.messages.back().text, "No investment matching \"nothing like it\" were found.");

  window_.investmentRegister()->selectKey(model->rows()[1].row.key);
  prompter_.answer("Delete");
  window_.investmentRegister()->deleteInvestments();
  ASSERT_EQ(prompter_.asked.size(), 1u);
  EXPECT_EQ(prompter_.asked[0].title, "Delete Investments");
  EXPECT_EQ(model->rowCount(), 1);
  EXPECT_TRUE(PanelTexts().contains(QStringLiteral("Brokerage: $1,259.95")));
}

TEST_F(InvestmentRegisterTest, TheFormRefusesANegativePriceAtItsField) {
  bool refused = false;
  OnNextModal([&](QWidget* modal) {
    auto* form = qobject_cast<InvestmentDialog*>(modal);
    ASSERT_NE(form, nullptr);
    Type(Field<QLineEdit>(*form, "shares"), QStringLiteral("3"));
    Type(Field<QLineEdit>(*form, "price"), QStringLiteral("-2.00"));
    Click(*form, "ok");
    refused = form->isVisible();
    EXPECT_EQ(Balloon(), "price||Price Paid for Share should be positive.");
    form->reject();
  });
  window_.investmentRegister()->addInvestment();
  EXPECT_TRUE(refused);
  EXPECT_EQ(window_.investmentRegister()->model()->rowCount(), 0);
}

}  // namespace
}  // namespace tallyvane::gui

namespace tallyvane::gui {
namespace {

class SecurityAndScheduleTest : public DialogTest {};

TEST_F(SecurityAndScheduleTest, SecuritiesAreAddedRefusedAsDuplicatesAndDeleted) {
  SecurityWindow list(context_, nullptr);
  Show(list);
  std::string refusal;
  auto add = [&](const QString& name, const QString& price) {
    bool shown = false;
    OnNextModal([&](QWidget* modal) {
      auto* form = qobject_cast<SecurityDialog*>(modal);
      ASSERT_NE(form, nullptr);
      shown = true;
      Type(Field<QLineEdit>(*form, "name"), name);
      Type(Field<QLineEdit>(*form, "price"), price);
      Click(*form, "ok");
      refusal = form->isVisible() ? Balloon() : std::string();
      if (form->isVisible()) form->reject();
    });
    list.addItem();
    EXPECT_TRUE(shown);
  };
  add(QStringLiteral("Harbor Index Fund"), QStringLiteral("61.25"));
  ASSERT_EQ(list.model()->rowCount(), 1);
  EXPECT_EQ(list.model()->index(0, 2).data().toString(), QStringLiteral("$61.25"));
  add(QStringLiteral("Harbor Index Fund"), QStringLiteral("1"));
  EXPECT_EQ(refusal, "name||A security with this name already exists.");
  EXPECT_EQ(list.model()->rowCount(), 1);

  list.selectKey(list.model()->keyAt(0));
  prompter_.answer("Delete");
  list.deleteItems();
  ASSERT_EQ(prompter_.asked.size(), 1u);
  EXPECT_EQ(prompter_.asked[0].title, "Delete security");
  EXPECT_EQ(list.model()->rowCount(), 0);
  EXPECT_TRUE(list.changed());
}

TEST_F(SecurityAndScheduleTest, AnInvestmentScheduleIsSavedAndPosted) {
  // Without an investment account the list does not open.
  EXPECT_FALSE(RunInvestmentScheduleList(context_, nullptr));
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(prompter_.messages[0].title, "Schedule Investment Transactions");

  ledger::AccountValues values;
  values.name = "Brokerage";
  values.type = ledger::kInvestmentAccountType;
  const auto account = ledger::AddAccount(data(), values);
  ASSERT_TRUE(account);
  ASSERT_TRUE(planning::AddSecurity(data(), "Acme Corp", "ACME", store::Money(2500)));

  InvestmentScheduleListWindow list(context_, nullptr);
  Show(list);
  EXPECT_EQ(list.windowTitle(), QStringLiteral("Investment Scheduled Transactions"));
  bool shown = false;
  OnNextModal([&](QWidget* modal) {
    auto* form = qobject_cast<InvestmentScheduleDialog*>(modal);
    ASSERT_NE(form, nullptr);
    shown = true;
    Field<QComboBox>(*form, "security")->setCurrentText(QStringLiteral("Acme Corp"));
    Type(Field<QLineEdit>(*form, "shares"), QStringLiteral("x"));
    Click(*form, "ok");
    EXPECT_EQ(Balloon(), "shares||Please enter only numbers for shares.");
    Type(Field<QLineEdit>(*form, "shares"), QStringLiteral("10"));
    Type(Field<QLineEdit>(*form, "price"), QStringLiteral("25.00"));
    Field<DateField>(*form, "next")->setDate(QDate(2026, 12, 10));
    Field<QCheckBox>(*form, "noEnd")->setChecked(true);
    Click(*form, "ok");
    if (form->isVisible()) form->reject();
  });
  list.addSchedule();
  ASSERT_TRUE(shown);
  ASSERT_EQ(list.model()->rowCount(), 1);
  EXPECT_EQ(list.model()->index(0, InvestmentScheduleModel::Cost).data().toString(), QStringLiteral("$250.00"));

  list.selectKey(list.model()->keyAt(0));
  Click(list, "postButton");
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Investments WHERE Deleted = 0 AND NumberOfShares = 10 AND "
                   "TotalCost = -25000 AND TransactionDate LIKE '2026-12-10%'"),
            1);
  EXPECT_EQ(list.model()->index(0, InvestmentScheduleModel::Next).data().toString(), QStringLiteral("12/24/2026"));
}

}  // namespace
}  // namespace tallyvane::gui
