#include "gui/planning/planning_scenes.h"

#include <QApplication>
#include <QComboBox>
#include <QCheckBox>
#include "gui/date_field.h"
#include <QLineEdit>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "gui/balloon.h"
#include "gui/gui_context.h"
#include "gui/main_window.h"
#include "gui/planning/budget_windows.h"
#include "gui/planning/investment_register.h"
#include "gui/planning/reconcile_window.h"
#include "ledger/accounts.h"
#include "planning/investments.h"
#include "store/dates.h"

namespace tallyvane::gui {
namespace {

void Save(const QString& path) {
  const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
  if (!shot.save(path, "PNG")) std::fprintf(stderr, "tallyvane: could not save %s\n", qPrintable(path));
}

// Saves the screen a moment after `window` came up, then ends the program.
void SaveSoon(const QString& path, QWidget* window) {
  QTimer::singleShot(900, [path, window] {
    Save(path);
    if (window != nullptr) window->close();
    QTimer::singleShot(0, [] { QApplication::exit(0); });
  });
}

ledger::AccountKey FirstAccount(store::DataContext& data, bool investment) {
  for (const ledger::AccountListLine& line : ledger::AccountListLines(data)) {
    if (ledger::IsInvestmentAccount(data, line.key) == investment) return line.key;
  }
  return 0;
}

void Reconcile(MainWindow& window, GuiContext& context, const QString& path) {
  const ledger::AccountKey account = FirstAccount(context.data, false);
  auto form = planning::ProposeStatement(context.data, account);
  if (!form) std::exit(2);
  // Last month's statement, a little more than what the ticked rows explain.
  const std::time_t now = context.data.now();
  form->statementDate = store::DateText(now - 5 * 86400);
  form->closingText = "0";
  planning::StartResult preview = planning::PreviewReconciliation(context.data, *form);
  if (!preview.reconciliation) std::exit(2);
  planning::Reconciliation& r = *preview.reconciliation;
  const std::size_t count = r.candidates().size();
  for (std::size_t i = 0; i + 3 < count; ++i) r.tickRow(i);
  const store::Money expected = r.ComputeReconciledBalance() + store::Money(2500);
  form->closingText = store::FormatMoneyPlain(context.data.regional(), expected);
  planning::StartResult started = planning::StartReconciliation(context.data, *form);
  if (!started.reconciliation) std::exit(2);
  for (std::size_t i = 0; i + 3 < started.reconciliation->candidates().size(); ++i) started.reconciliation->tickRow(i);
  auto* dialog = new ReconcileWindow(context, &window, std::move(*started.reconciliation));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->resize(1100, 640);
  dialog->show();
  if (dialog->model()->rowCount() > 4) {
    dialog->view()->setCurrentIndex(dialog->model()->index(dialog->model()->rowCount() - 3, ReconcileModel::Date));
    dialog->view()->scrollToBottom();
  }
  SaveSoon(path, dialog);
}

void Investments(MainWindow& window, GuiContext& context, const QString& path) {
  const ledger::AccountKey account = FirstAccount(context.data, true);
  if (account == 0) std::exit(2);
  const std::time_t now = context.data.now();
  struct Entry {
    int daysAgo;
    planning::InvestmentAction action;
    const char* security;
    const char* shares;
    const char* price;
    const char* commission;
    const char* total;
    const char* note;
  };
  const Entry entries[] = {
      {330, planning::InvestmentAction::Deposit, "", "", "", "", "5000.00", "Yearly contribution"},
      {320, planning::InvestmentAction::Buy, "Harbor Index Fund", "40", "61.25", "4.95", "", ""},
      {250, planning::InvestmentAction::Buy, "Northwind Utilities", "25", "38.10", "4.95", "", ""},
      {180, planning::InvestmentAction::Dividend, "Harbor Index Fund", "0", "0", "", "46.80", "Quarterly"},
      {140, planning::InvestmentAction::Buy, "Harbor Index Fund", "15", "64.40", "4.95", "", ""},
      {90, planning::InvestmentAction::Sell, "Northwind Utilities", "10", "44.75", "4.95", "", "Rebalance"},
      {60, planning::InvestmentAction::MiscExpense, "", "", "", "", "25.00", "Account fee"},
      {20, planning::InvestmentAction::Dividend, "Northwind Utilities", "0", "0", "", "12.15", ""},
  };
  for (const Entry& e : entries) {
    planning::InvestmentForm form = planning::NewInvestmentForm(context.data, account);
    form.date = store::DateText(now - e.daysAgo * 86400);
    form.action = e.action;
    form.security = e.security;
    form.sharesText = e.shares;
    form.priceText = e.price;
    form.commissionText = e.commission;
    form.totalText = e.total;
    form.note = e.note;
    static_cast<void>(planning::EnterInvestment(context.data, form, context.prompter));
  }
  HideBalloon();  // the new securities' notes
  window.refill();
  window.selectAccount(account);
  window.findChild<DateField*>(QStringLiteral("fromDate"))->setDate(QDate::currentDate().addYears(-1));
  window.findChild<DateField*>(QStringLiteral("toDate"))->setDate(QDate::currentDate());
  SaveSoon(path, nullptr);
}

// The expense page of a new budget, with the amounts of a household.
void Budget(MainWindow& window, GuiContext& context, const QString& path) {
  auto* wizard = new NewBudgetWizardDialog(context, &window);
  wizard->setAttribute(Qt::WA_DeleteOnClose);
  wizard->resize(720, 600);
  wizard->show();
  if (auto* name = wizard->findChild<QLineEdit*>(QStringLiteral("name"))) name->setText(QStringLiteral("Household 2027"));
  auto plan = [](QTableView* view, const QString& category, const QString& amount) {
    if (view == nullptr) return;
    QAbstractItemModel* model = view->model();
    for (int row = 0; row < model->rowCount(); ++row) {
      if (model->index(row, 0).data().toString() == category) model->setData(model->index(row, 1), amount);
    }
  };
  wizard->next();
  wizard->next();
  plan(wizard->findChild<QTableView*>(QStringLiteral("incomes")), QStringLiteral("Income | Salary"),
       QStringLiteral("4,368.80"));
  wizard->next();
  auto* expenses = wizard->findChild<QTableView*>(QStringLiteral("expenses"));
  const std::pair<const char*, const char*> amounts[] = {
      {"Food | Groceries", "650.00"}, {"Food | Dining Out", "180.00"}, {"Housing | Rent", "1,755.00"},
      {"Bills | Electricity", "120.00"}, {"Bills | Internet", "59.99"}, {"Bills | Telephone", "45.00"},
      {"Auto | Fuel", "160.00"}, {"Auto | Insurance", "95.00"}};
  for (const auto& [category, amount] : amounts) {
    plan(expenses, QString::fromUtf8(category), QString::fromUtf8(amount));
  }
  if (auto* warn = wizard->findChild<QCheckBox*>(QStringLiteral("warn"))) warn->setChecked(true);
  if (expenses != nullptr) expenses->setFocus();
  SaveSoon(path, wizard);
}

}  // namespace

bool RunPlanningScene(MainWindow& window, GuiContext& context, const QString& scene, const QString& path) {
  if (scene == QLatin1String("reconcile")) {
    Reconcile(window, context, path);
    return true;
  }
  if (scene == QLatin1String("budget")) {
    Budget(window, context, path);
    return true;
  }
  if (scene == QLatin1String("investments")) {
    Investments(window, context, path);
    return true;
  }
  return false;
}

}  // namespace tallyvane::gui
