#include "gui/main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLocale>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollBar>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

#include "app/first_run.h"
#include "app/main_window_rules.h"
#include "gui/balloon.h"
#include "gui/date_field.h"
#include "gui/dialogs/dialogs.h"
#include "gui/dialogs/form_support.h"
#include "gui/planning/investment_register.h"
#include "gui/planning/planning_windows.h"
#include "gui/qt_progress.h"
#include "gui/reports/charts.h"
#include "gui/reports/report_window.h"
#include "gui/settings/settings_windows.h"
#include "gui/register_model.h"
#include "gui/register_view.h"
#include "gui/statements/statements.h"
#include "ledger/accounts.h"
#include "ledger/balances.h"
#include "ledger/categories.h"
#include "ledger/register.h"
#include "ledger/transactions.h"
#include "planning/investments.h"
#include "store/dates.h"
#include "store/record.h"
#include "store/secure.h"

namespace tallyvane::gui {
namespace {

constexpr int kCustomPeriod = 1;
// How often a close asked for during work looks again whether the work ended.
constexpr int kCloseRetryMs = 50;
constexpr int kAccountKeyRole = Qt::UserRole + 1;
constexpr int kActionRole = Qt::UserRole + 2;
constexpr const char* kDateText = "yyyy-MM-dd";

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QDate DateOf(const std::string& text) { return QDate::fromString(Text(text), QLatin1String(kDateText)); }

std::string DateString(const QDate& date) { return date.toString(QLatin1String(kDateText)).toStdString(); }

store::Money InvestmentValue(store::DataContext& data, ledger::AccountKey account) {
  return planning::InvestmentAccountValue(data, account);
}

// The register's column widths as the user left them: decimal widths,
// comma-separated, one per column.
constexpr std::string_view kRegisterColumnsKey = "RegisterColumns";

std::vector<int> ParseWidths(const std::string& text) {
  std::vector<int> widths;
  if (text.empty()) return widths;
  for (const QString& part : Text(text).split(QLatin1Char(','))) {
    bool ok = false;
    const int width = part.trimmed().toInt(&ok);
    if (!ok || width <= 0 || width > 10000) return {};
    widths.push_back(width);
  }
  return widths;
}

bool LessNoCase(const std::string& a, const std::string& b) {
  return QString::compare(Text(a), Text(b), Qt::CaseInsensitive) < 0;
}

}  // namespace

void OpenBook(GuiContext& context) {
  store::DataContext& data = context.data;
  const store::ProvisionResult provision = store::ProvisionDataFileAtStartup(data.paths(), context.settings);
  if (!provision.status) {
    context.prompter.message("Tallyvane", provision.status.message, store::Icon::Error);
  } else if (provision.outcome == store::ProvisionOutcome::TemplateMissing ||
             provision.outcome == store::ProvisionOutcome::CopyFailed) {
    context.prompter.message(
        "Tallyvane",
        "The starting data file " + provision.templatePath.string() + " could not be copied; an empty data file is used.",
        store::Icon::Warning);
  }
  if (const store::Status opened = data.OpenDataContext(); !opened) {
    context.prompter.message("Tallyvane", opened.message, store::Icon::Error);
  }
}

MainWindow::MainWindow(GuiContext& context, QWidget* parent) : QMainWindow(parent), context_(context) {
  setObjectName(QStringLiteral("mainWindow"));
  setWindowTitle(QStringLiteral("Tallyvane"));
  setWindowIcon(QIcon(QStringLiteral(":/tallyvane/tallyvane.svg")));
  buildActions();
  buildMenus();
  buildToolBar();
  buildCentre();
  buildTray();
  AcceptStatementDrops(this, context_, [this] { return account_; }, [this](bool didChange) { changed(didChange); });
  statusBar()->addPermanentWidget(reconciledLabel_);
  // Sizes in dialog units of the window's font, as the layout was designed.
  const QFontMetrics metrics(font());
  const int unitX = std::max(1, metrics.averageCharWidth());
  const int unitY = metrics.height();
  const QSize laidOut = minimumSizeHint();
  setMinimumSize(std::max(532 * unitX / 4, laidOut.width()), std::max(320 * unitY / 8, laidOut.height()));
  updateActions();
}

MainWindow::~MainWindow() {
  if (tray_ != nullptr) tray_->hide();
}

// ---------------------------------------------------------------- building

QAction* MainWindow::makeAction(const char* name, const QString& text, const QString& tip,
                                void (MainWindow::*slot)()) {
  auto* action = new QAction(text, this);
  action->setObjectName(QLatin1String(name));
  action->setStatusTip(tip);
  action->setToolTip(tip);
  if (slot != nullptr) connect(action, &QAction::triggered, this, slot);
  return action;
}

void MainWindow::buildActions() {
  addTransaction_ = makeAction("addTransaction", tr("&Add Transaction"), tr("Add a new transaction"),
                               &MainWindow::addTransaction);
  addTransaction_->setShortcut(QKeySequence::New);
  editTransaction_ = makeAction("editTransaction", tr("&Edit Transaction"), tr("Edit the selected transaction"),
                                &MainWindow::editTransaction);
  editTransaction_->setShortcut(Qt::Key_Return);
  editTransaction_->setShortcutContext(Qt::WidgetShortcut);
  deleteTransaction_ = makeAction("deleteTransaction", tr("&Delete Transaction"),
                                  tr("Delete the selected transactions"), &MainWindow::deleteTransactions);
  deleteTransaction_->setShortcut(QKeySequence::Delete);
  deleteTransaction_->setShortcutContext(Qt::WidgetShortcut);
  voidTransaction_ = makeAction("voidTransaction", tr("&Void Transaction"), tr("Mark the selected transactions void"),
                                &MainWindow::voidTransactions);
  voidTransaction_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V));
  showSplitsAction_ = makeAction("showSplits", tr("Show &Split Transactions"),
                                 tr("Show split transactions line by line"), &MainWindow::toggleSplits);
  findTransaction_ = makeAction("findTransaction", tr("&Find Transaction..."), tr("Find a transaction in the register"),
                                &MainWindow::findTransaction);
  findTransaction_->setShortcut(QKeySequence::Find);
  findNext_ = makeAction("findNext", tr("Find &Next"), tr("Find the next matching transaction"), &MainWindow::findNext);
  findNext_->setShortcut(QKeySequence::FindNext);
  unreconcile_ = makeAction("unreconcile", tr("&Unreconcile Transaction"), tr("Unreconcile the selected transaction"),
                            &MainWindow::unreconcileTransaction);
  split_ = makeAction("splitTransaction", tr("S&plit Transaction..."), tr("Divide the transaction among categories"),
                      &MainWindow::splitTransaction);
  accountInformation_ = makeAction("accountInformation", tr("Account &Information..."),
                                   tr("View and change the selected account"), &MainWindow::accountInformation);
  addAccount_ = makeAction("addAccount", tr("&Add Account..."), tr("Add a new account"), nullptr);
  connect(addAccount_, &QAction::triggered, this, [this] { addAccount(0); });
  viewAccounts_ = makeAction("viewAccounts", tr("&View Accounts..."), tr("List, change and delete accounts"),
                             &MainWindow::viewAccounts);
  transferFunds_ = makeAction("transferFunds", tr("&Transfer Funds..."), tr("Move money between two accounts"),
                              &MainWindow::transferFunds);
  categories_ = makeAction("categories", tr("&Categories..."), tr("Manage income and expense categories"), nullptr);
  connect(categories_, &QAction::triggered, this, [this] { changed(RunCategoryWindow(context_, this)); });
  payees_ = makeAction("payees", tr("&Payees..."), tr("Manage payees"), nullptr);
  connect(payees_, &QAction::triggered, this, [this] { changed(RunPayeeWindow(context_, this)); });
  changePassword_ = makeAction("changePassword", tr("&Password..."), tr("Set or change the password of your data"),
                               nullptr);
  connect(changePassword_, &QAction::triggered, this, [this] {
    RunChangePassword(context_, this);
    updateActions();
  });
  removePassword_ = makeAction("removePassword", tr("Re&move Password..."), tr("Remove the password of your data"),
                               nullptr);
  connect(removePassword_, &QAction::triggered, this, [this] {
    RunRemovePassword(context_, this);
    updateActions();
  });
  exit_ = makeAction("exit", tr("E&xit"), tr("Close Tallyvane"), nullptr);
  exit_->setShortcut(QKeySequence::Quit);
  exit_->setMenuRole(QAction::QuitRole);
  connect(exit_, &QAction::triggered, this, &QWidget::close);
  about_ = makeAction("about", tr("&About Tallyvane"), tr("Show the program's version"), nullptr);
  about_->setMenuRole(QAction::AboutRole);
  connect(about_, &QAction::triggered, this, [this] {
    QMessageBox::about(this, tr("About Tallyvane"),
                       tr("<b>Tallyvane</b> %1<br>A personal finance manager.").arg(QApplication::applicationVersion()));
  });

  retrieve_ = makeAction("retrieveTransactions", tr("&Retrieve Transactions"),
                         tr("Download the account's new transactions from its financial institution"), nullptr);
  connect(retrieve_, &QAction::triggered, this, [this] {
    changed(RunRetrieval(context_, this, account_, [this] { return RunAccountForm(context_, this, account_); }));
  });
  importOfx_ = makeAction("importOfx", tr("Import from &OFX/QFX file..."),
                          tr("Import a statement file into the selected account"), nullptr);
  connect(importOfx_, &QAction::triggered, this, [this] { changed(RunOfxImport(context_, this, account_)); });
  importCsv_ = makeAction("importCsv", tr("Import from &CSV file..."),
                          tr("Import a comma-separated file into the selected account"), nullptr);
  connect(importCsv_, &QAction::triggered, this, [this] { changed(RunCsvImport(context_, this, account_)); });
  reconcile_ = makeAction("reconcileAccount", tr("Re&concile Account..."), tr("Compare this account with a bank statement"),
                          nullptr);
  connect(reconcile_, &QAction::triggered, this, [this] {
    if (account_ != 0 && !investment_) changed(RunReconciliation(context_, this, account_));
  });
  schedules_ = makeAction("scheduledTransactions", tr("&Scheduled Transactions..."),
                          tr("Post, skip and manage scheduled transactions"), nullptr);
  connect(schedules_, &QAction::triggered, this, [this] {
    // Opened after the start-up reminder, the list shows what is due.
    const bool overdue = dueReminder_;
    dueReminder_ = false;
    changed(RunScheduleList(context_, this, overdue));
  });
  investmentSchedules_ = makeAction("scheduledInvestments", tr("Scheduled &Investment Transactions..."),
                                    tr("Post, skip and manage scheduled investment transactions"), nullptr);
  connect(investmentSchedules_, &QAction::triggered, this,
          [this] { changed(RunInvestmentScheduleList(context_, this)); });
  securities_ = makeAction("securities", tr("S&ecurities..."), tr("Manage the securities you invest in"), nullptr);
  connect(securities_, &QAction::triggered, this, [this] { changed(RunSecurityWindow(context_, this)); });
  budgets_ = makeAction("budgets", tr("&Budgets..."), tr("Plan monthly income and spending"), nullptr);
  connect(budgets_, &QAction::triggered, this, [this] { changed(RunBudgetList(context_, this)); });
  // The report, options and backup windows live in gui/reports and gui/settings.
  auto command = [this](const char* name, const QString& text, const QString& tip, std::function<bool()> run) {
    QAction* action = makeAction(name, text, tip, nullptr);
    connect(action, &QAction::triggered, this, [this, run = std::move(run)] { changed(run()); });
    return action;
  };
  reportCategories_ = command("reportIncomeExpenses", tr("&Income/Expenses by Category"),
                              tr("Show income and expenses by category for a period"),
                              [this] { return RunCategoryReport(context_, periodMemory_, this); });
  reportPayees_ = command("reportExpensesByPayee", tr("&Expenses by Payee"), tr("Show expenses by payee for a period"),
                          [this] { return RunPayeeReport(context_, periodMemory_, this); });
  reportActivity_ = command("reportAccountActivity", tr("&Account Activity"),
                            tr("Show and print the transactions of an account"), [this] {
                              return RunActivityReport(context_, periodMemory_, this,
                                                       account_ != 0 ? std::optional(account_) : std::nullopt);
                            });
  reportBudget_ = command("reportBudget", tr("&Budget"), tr("Compare a budget with the actual amounts"),
                          [this] { return RunBudgetReport(context_, this); });
  options_ = command("options", tr("&Options..."), tr("Adjust settings and options"),
                     [this] { return RunOptions(context_, this); });
  options_->setShortcut(QKeySequence::Preferences);
  options_->setMenuRole(QAction::PreferencesRole);
  backUp_ = command("backUpData", tr("&Back Up Data..."), tr("Copy your data to a folder or drive"),
                    [this] { return RunBackUpData(context_, this); });
  restore_ = command("restoreData", tr("&Restore Data..."), tr("Replace your data with a backup"),
                     [this] { return RunRestoreData(context_, this); });
  schedule_ = makeAction("scheduleTransaction", tr("Sc&hedule Transaction..."),
                         tr("Make a scheduled transaction from this transaction"), nullptr);
  connect(schedule_, &QAction::triggered, this, [this] {
    if (const auto current = currentTransaction(); current && !investment_) {
      changed(RunScheduleFromTransaction(context_, this, *current));
    }
  });
}

void MainWindow::buildMenus() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  file->addAction(addTransaction_);
  file->addAction(editTransaction_);
  file->addAction(deleteTransaction_);
  file->addAction(voidTransaction_);
  file->addAction(showSplitsAction_);
  file->addSeparator();
  file->addAction(findTransaction_);
  file->addAction(findNext_);
  file->addSeparator();
  file->addAction(importOfx_);
  file->addAction(importCsv_);
  file->addSeparator();
  file->addAction(accountInformation_);
  file->addSeparator();
  file->addAction(exit_);

  QMenu* accounts = menuBar()->addMenu(tr("&Accounts"));
  accounts->addAction(addAccount_);
  accounts->addAction(viewAccounts_);
  accounts->addAction(transferFunds_);
  accounts->addSeparator();
  accounts->addAction(retrieve_);
  accounts->addAction(reconcile_);

  QMenu* manage = menuBar()->addMenu(tr("&Manage"));
  manage->addAction(categories_);
  manage->addAction(payees_);
  manage->addSeparator();
  manage->addAction(schedules_);
  manage->addAction(investmentSchedules_);
  manage->addAction(budgets_);
  manage->addAction(securities_);

  QMenu* reports = menuBar()->addMenu(tr("&Reports"));
  reports->addAction(reportCategories_);
  reports->addAction(reportPayees_);
  reports->addAction(reportActivity_);
  reports->addAction(reportBudget_);
  reports->addSeparator();
  QAction* netWorth = makeAction("reportNetWorth", tr("&Net Worth"),
                                 tr("Chart assets, liabilities and net worth month by month"), nullptr);
  connect(netWorth, &QAction::triggered, this, [this] { RunNetWorth(context_, this); });
  reports->addAction(netWorth);

  QMenu* tools = menuBar()->addMenu(tr("&Tools"));
  tools->addAction(options_);
  tools->addSeparator();
  tools->addAction(backUp_);
  tools->addAction(restore_);
  tools->addSeparator();
  tools->addAction(changePassword_);
  tools->addAction(removePassword_);

  QMenu* help = menuBar()->addMenu(tr("&Help"));
  help->addAction(about_);

  for (QMenu* menu : {file, accounts, manage, reports, tools, help}) menu->setToolTipsVisible(true);
}

void MainWindow::buildToolBar() {
  toolBar_ = addToolBar(tr("Main"));
  toolBar_->setObjectName(QStringLiteral("mainToolBar"));
  toolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  toolBar_->setMovable(false);
  // Each button runs its menu command and follows its enabled state.
  auto button = [this](const char* name, const QString& label, const QString& hint, QAction* command,
                       QStyle::StandardPixmap icon) {
    auto* tool = new QAction(style()->standardIcon(icon), label, this);
    tool->setObjectName(QLatin1String(name));
    connect(tool, &QAction::triggered, command, &QAction::trigger);
    auto follow = [tool, command, hint] {
      tool->setEnabled(command->isEnabled());
      tool->setToolTip(hint);
      tool->setStatusTip(tool->toolTip());
    };
    connect(command, &QAction::changed, tool, follow);
    follow();
    toolBar_->addAction(tool);
    return tool;
  };
  button("toolTransaction", tr("Transaction"), tr("Add a new transaction"), addTransaction_,
         QStyle::SP_FileDialogNewFolder);
  button("toolEdit", tr("Edit"), tr("Edit transaction"), editTransaction_, QStyle::SP_FileDialogDetailedView);
  button("toolDelete", tr("Delete"), tr("Delete transaction"), deleteTransaction_, QStyle::SP_TrashIcon);
  button("toolRetrieve", tr("Retrieve"), tr("Retrieve transactions"), retrieve_, QStyle::SP_ArrowDown);

  auto* accountMenu = new QMenu(this);
  accountMenu->setToolTipsVisible(true);
  accountMenu->addAction(addAccount_);
  accountMenu->addAction(viewAccounts_);
  accountMenu->addAction(accountInformation_);
  accountMenu->addAction(transferFunds_);
  accountMenu->addAction(reconcile_);
  auto* account = new QToolButton(this);
  account->setObjectName(QStringLiteral("toolAccount"));
  account->setText(tr("Account"));
  account->setToolTip(tr("Manage Accounts"));
  account->setStatusTip(tr("Manage Accounts"));
  account->setIcon(style()->standardIcon(QStyle::SP_DirHomeIcon));
  account->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  account->setPopupMode(QToolButton::InstantPopup);
  account->setMenu(accountMenu);
  toolBar_->addWidget(account);

  // The category and payee windows hold the add forms.
  button("toolCategory", tr("Category"), tr("Add Category"), categories_, QStyle::SP_FileDialogListView);
  button("toolPayee", tr("Payee"), tr("Add Payee"), payees_, QStyle::SP_FileDialogContentsView);
  toolBar_->addSeparator();
  button("toolBudget", tr("Budget"), tr("View Budgets"), budgets_, QStyle::SP_FileDialogInfoView);
  toolBar_->addSeparator();
  button("toolOptions", tr("Options"), tr("Adjust settings and options"), options_, QStyle::SP_ComputerIcon);
}

void MainWindow::buildCentre() {
  auto* splitter = new QSplitter(Qt::Horizontal, this);
  splitter->setObjectName(QStringLiteral("mainSplitter"));
  splitter->setChildrenCollapsible(false);

  panelModel_ = new QStandardItemModel(this);
  panel_ = new QTreeView(splitter);
  panel_->setObjectName(QStringLiteral("accountsPanel"));
  panel_->setModel(panelModel_);
  panel_->setHeaderHidden(true);
  panel_->setRootIsDecorated(false);
  panel_->setItemsExpandable(false);
  panel_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  panel_->setSelectionMode(QAbstractItemView::SingleSelection);
  panel_->setMouseTracking(true);
  panel_->setMinimumWidth(fontMetrics().averageCharWidth() * 36);
  connect(panel_, &QAbstractItemView::clicked, this, &MainWindow::panelActivated);
  connect(panel_, &QAbstractItemView::activated, this, &MainWindow::panelActivated);

  auto* right = new QWidget(splitter);
  auto* layout = new QVBoxLayout(right);
  layout->setContentsMargins(6, 6, 6, 0);
  auto* bar = new QHBoxLayout;
  accountBox_ = new QComboBox(right);
  accountBox_->setObjectName(QStringLiteral("accountSelector"));
  accountBox_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  accountBox_->setMinimumContentsLength(18);
  accountBox_->setToolTip(tr("The account whose transactions are shown"));
  auto* accountLabel = new QLabel(tr("A&ccount:"), right);
  accountLabel->setBuddy(accountBox_);
  periodBox_ = new QComboBox(right);
  periodBox_->setObjectName(QStringLiteral("periodSelector"));
  for (std::string_view choice : ledger::kRegisterPeriods) periodBox_->addItem(Text(choice));
  periodBox_->setCurrentIndex(kCustomPeriod);
  auto* periodLabel = new QLabel(tr("&Period:"), right);
  periodLabel->setBuddy(periodBox_);
  fromEdit_ = new DateField(right);
  fromEdit_->setObjectName(QStringLiteral("fromDate"));
  fromEdit_->setCalendarPopup(true);
  auto* fromLabel = new QLabel(tr("&From:"), right);
  fromLabel->setBuddy(fromEdit_);
  toEdit_ = new DateField(right);
  toEdit_->setObjectName(QStringLiteral("toDate"));
  toEdit_->setCalendarPopup(true);
  auto* toLabel = new QLabel(tr("&To:"), right);
  toLabel->setBuddy(toEdit_);
  for (DateField* edit : {fromEdit_, toEdit_}) {
    edit->setMinimumDate(QDate(1900, 1, 1));
    edit->setMaximumDate(QDate(9999, 12, 31));
  }
  reconciledLabel_ = new QLabel(right);
  reconciledLabel_->setObjectName(QStringLiteral("lastReconciled"));
  bar->addWidget(accountLabel);
  bar->addWidget(accountBox_);
  bar->addSpacing(12);
  bar->addWidget(periodLabel);
  bar->addWidget(periodBox_);
  bar->addWidget(fromLabel);
  bar->addWidget(fromEdit_);
  bar->addWidget(toLabel);
  bar->addWidget(toEdit_);
  bar->addStretch(1);
  layout->addLayout(bar);

  registerStack_ = new QStackedWidget(right);
  model_ = new RegisterModel(this);
  register_ = new RegisterView(registerStack_);
  register_->setObjectName(QStringLiteral("register"));
  register_->setModel(model_);
  register_->setItemDelegateForColumn(
      RegisterModel::Category,
      new CategoryDelegate([this](const QModelIndex& index) { return categoryChoices(index); }, register_));
  // The figures fit what they show; payee, category and note share the rest.
  register_->horizontalHeader()->setMinimumSectionSize(register_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 3);
  register_->setTextColumns({{RegisterModel::Payee, 3}, {RegisterModel::Category, 2}, {RegisterModel::Note, 3}});
  register_->setUserWidths(ParseWidths(context_.settings.readString("MainWindow", kRegisterColumnsKey)));
  connect(model_, &QAbstractItemModel::modelReset, register_, &RegisterView::fitColumns);
  connect(model_, &QAbstractItemModel::rowsInserted, register_, &RegisterView::fitColumns);
  register_->addAction(editTransaction_);
  register_->addAction(deleteTransaction_);
  registerStack_->addWidget(register_);

  investmentRegister_ = new InvestmentRegister(context_, registerStack_);
  // Rows written there move the account's value on the panel.
  connect(investmentRegister_, &InvestmentRegister::changed, this, [this] {
    fillPanel();
    fillRegister();
  });
  registerStack_->addWidget(investmentRegister_);
  emptyRegister_ = new QLabel(tr("There is no account yet. Choose Accounts > Add Account to set one up."),
                              registerStack_);
  emptyRegister_->setObjectName(QStringLiteral("noAccount"));
  emptyRegister_->setAlignment(Qt::AlignCenter);
  emptyRegister_->setWordWrap(true);
  registerStack_->addWidget(emptyRegister_);
  layout->addWidget(registerStack_, 1);

  splitter->addWidget(panel_);
  splitter->addWidget(right);
  splitter->setStretchFactor(0, 0);
  splitter->setStretchFactor(1, 1);
  const int charWidth = register_->fontMetrics().averageCharWidth();
  splitter->setSizes({charWidth * 40, charWidth * 120});
  setCentralWidget(splitter);

  contextMenu_ = new QMenu(this);
  contextMenu_->setToolTipsVisible(true);
  contextMenu_->addAction(editTransaction_);
  contextMenu_->addAction(deleteTransaction_);
  contextMenu_->addAction(voidTransaction_);
  contextMenu_->addAction(unreconcile_);
  contextMenu_->addSeparator();
  contextMenu_->addAction(split_);
  contextMenu_->addAction(schedule_);
  contextMenu_->addSeparator();
  contextMenu_->addAction(findTransaction_);
  contextMenu_->addAction(findNext_);
  contextMenu_->addAction(showSplitsAction_);
  connect(register_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { contextMenu_->popup(register_->viewport()->mapToGlobal(at)); });
  connect(register_, &RegisterView::editRequested, this, &MainWindow::editTransaction);
  connect(register_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { updateActions(); });
  connect(register_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { updateActions(); });
  connect(model_, &QAbstractItemModel::modelReset, this, [this] { updateActions(); });
  connect(model_, &RegisterModel::clearedToggled, this, &MainWindow::setCleared, Qt::QueuedConnection);
  connect(model_, &RegisterModel::categoryChosen, this, &MainWindow::setCategory, Qt::QueuedConnection);

  connect(accountBox_, &QComboBox::activated, this, [this](int index) {
    selectAccount(accountBox_->itemData(index).toInt());
  });
  connect(periodBox_, &QComboBox::activated, this, &MainWindow::choosePeriod);
  connect(fromEdit_, &DateField::dateChanged, this, &MainWindow::datesEdited);
  connect(toEdit_, &DateField::dateChanged, this, &MainWindow::datesEdited);

  const std::time_t now = context_.clock.now();
  setDates(store::DateText(store::AddMonths(now, -1)), store::DateText(now));
  setTabOrder(accountBox_, periodBox_);
  setTabOrder(periodBox_, fromEdit_);
  setTabOrder(fromEdit_, toEdit_);
  setTabOrder(toEdit_, register_);
  setTabOrder(register_, panel_);
}

void MainWindow::buildTray() {
  trayMenu_ = new QMenu(this);
  QAction* open = trayMenu_->addAction(tr("&Open Tallyvane"), this, &MainWindow::showAndActivate);
  open->setObjectName(QStringLiteral("trayOpen"));
  trayMenu_->setDefaultAction(open);
  trayMenu_->addSeparator();
  QAction* toTray = trayMenu_->addAction(tr("Exit (Close to Tray)"), this, &QWidget::hide);
  toTray->setObjectName(QStringLiteral("trayHide"));
  QAction* off = trayMenu_->addAction(tr("Exit (Turn Off)"), this, &QWidget::close);
  off->setObjectName(QStringLiteral("trayExit"));
  tray_ = new QSystemTrayIcon(windowIcon(), this);
  tray_->setToolTip(QStringLiteral("Tallyvane"));
  tray_->setContextMenu(trayMenu_);
  connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) showAndActivate();
  });
  if (QSystemTrayIcon::isSystemTrayAvailable()) tray_->show();
}

// ---------------------------------------------------------------- start

void MainWindow::start() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect desktop = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
  const QFontMetrics metrics(font());
  const int designedHeight = 344 * metrics.height() / 8;
  const app::WindowPlacement placement =
      app::MainWindowPlacement(context_.settings, {desktop.x(), desktop.y(), desktop.width(), desktop.height()},
                               minimumWidth(), minimumHeight(), designedHeight);
  const bool firstRun = app::FirstRunDue(context_.data, context_.settings);
  setGeometry(placement.rect.x, placement.rect.y, placement.rect.width, placement.rect.height);
  if (placement.maximized) {
    showMaximized();
  } else {
    show();
  }

  if (context_.data.db().isOpen() && store::isPasswordSet(context_.data.db())) {
    scheduleEvent(PasswordEvent, 0);
    return;
  }
  refill();
  register_->setFocus();
  if (!firstRun) {
    runStartHints();
    scheduleEvent(SecurityEvent, 5000);
  } else {
    scheduleEvent(FirstRunEvent, 0);
  }
}

void MainWindow::scheduleEvent(int event, int delayMs) {
  QTimer::singleShot(delayMs, this, [this, event] { runStartEvent(event); });
}

void MainWindow::runStartEvent(int event) {
  switch (event) {
    case FirstRunEvent:
      RunFirstRun(context_, this);
      refill();
      runStartHints();
      scheduleEvent(SecurityEvent, 5000);
      break;
    case AddHintEvent:
      if (QWidget* anchor = toolBar_->widgetForAction(findChild<QAction*>(QStringLiteral("toolTransaction")))) {
        ShowBalloon(anchor, tr("Add Transaction"), Text(app::kAddTransactionHint), BalloonIcon::Information);
      }
      break;
    case RetrieveHintEvent:
      if (QWidget* anchor = toolBar_->widgetForAction(findChild<QAction*>(QStringLiteral("toolRetrieve")))) {
        ShowBalloon(anchor, tr("Retrieve Transactions"), Text(app::kRetrieveHint), BalloonIcon::Information);
      }
      break;
    case DueSchedulesEvent:
      dueReminder_ = true;
      ShowBalloon(panel_, tr("Scheduled Transactions"), Text(app::kSchedulesWaitingHint), BalloonIcon::Information);
      break;
    case PasswordEvent:
      if (!RunStartupPassword(context_, this)) {
        close();
        return;
      }
      refill();
      register_->setFocus();
      runStartHints();
      scheduleEvent(SecurityEvent, 1000);
      break;
    case SecurityEvent:
      // The desktop offers no antivirus state to ask for, so the check is
      // skipped as "cannot be queried", whatever "CheckForAntivirus" says.
      break;
    default:
      break;
  }
}

void MainWindow::runStartHints() {
  if (!context_.data.db().isOpen()) return;
  switch (app::ChooseStartHint(context_.data, context_.settings, retrieve_->isEnabled())) {
    case app::StartHint::AddTransaction:
      scheduleEvent(AddHintEvent, 500);
      break;
    case app::StartHint::DueSchedules:
      scheduleEvent(DueSchedulesEvent, 500);
      break;
    case app::StartHint::RetrieveTransactions:
      scheduleEvent(RetrieveHintEvent, 500);
      break;
    case app::StartHint::None:
      break;
  }
}

void MainWindow::showAndActivate() {
  if (isMinimized()) {
    setWindowState(windowState() & ~Qt::WindowMinimized);
  }
  if (!isVisible()) {
    if (windowState() & Qt::WindowMaximized) {
      showMaximized();
    } else {
      show();
    }
  }
  raise();
  activateWindow();
}

void MainWindow::requestClose() {
  if (closeRequested_) return;
  closeRequested_ = true;
  closeWhenIdle();
}

void MainWindow::closeWhenIdle() {
  // One window in front at a time, from the top: a menu, then the question,
  // message or form in front, each cancelled as Escape or Cancel would. Work
  // under way is never cut off; the close waits for it to end by itself.
  QWidget* front = QApplication::activePopupWidget();
  if (front == nullptr) front = QApplication::activeModalWidget();
  if (front != nullptr && !PartOfWorkUnderWay(front)) {
    auto* box = qobject_cast<QMessageBox*>(front);
    auto* dialog = qobject_cast<QDialog*>(front);
    if (box != nullptr && box->escapeButton() != nullptr) {
      box->escapeButton()->click();
    } else if (dialog != nullptr) {
      dialog->reject();
    } else {
      front->close();
    }
  }
  if (front != nullptr || WorkUnderWay()) {
    QTimer::singleShot(kCloseRetryMs, this, &MainWindow::closeWhenIdle);
    return;
  }
  // Nothing is in front and nothing runs: the window closes here, and is
  // destroyed by its owner after the event loop, never from inside a
  // dialog's exec() (a dialog on a caller's stack is the window's child).
  close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  const QRect normal = isMaximized() || isFullScreen() ? normalGeometry() : geometry();
  app::StoreMainWindowPlacement(context_.settings,
                                {{normal.x(), normal.y(), normal.width(), normal.height()}, isMaximized()});
  // The register's column widths once the user has set his own.
  if (const std::vector<int> widths = register_->userWidths(); !widths.empty()) {
    QStringList texts;
    for (int width : widths) texts << QString::number(width);
    static_cast<void>(context_.settings.writeString("MainWindow", kRegisterColumnsKey, texts.join(QLatin1Char(',')).toStdString()));
  }
  if (tray_ != nullptr) tray_->hide();
  event->accept();
  emit closed();
}

// ---------------------------------------------------------------- filling

void MainWindow::applyDateFormat() {
  // The pickers show dates as the register and the forms do.
  const QString format = DateFormat(context_.data.regional());
  for (DateField* edit : {fromEdit_, toEdit_}) edit->setDisplayFormat(format);
}

void MainWindow::refill() {
  applyDateFormat();
  filling_ = true;
  fillAccounts();
  fillPanel();
  fillReconciledLabel();
  filling_ = false;
  fillRegister();
  updateActions();
}

void MainWindow::fillAccounts() {
  accountBox_->clear();
  if (!context_.data.db().isOpen()) {
    account_ = 0;
    return;
  }
  ledger::AccountsPanel panel = ledger::AccountTotals(context_.data, &InvestmentValue);
  std::stable_sort(panel.accounts.begin(), panel.accounts.end(),
                   [](const auto& a, const auto& b) { return LessNoCase(a.name, b.name); });
  int chosen = -1;
  for (const ledger::PanelAccount& account : panel.accounts) {
    accountBox_->addItem(Text(account.name), account.key);
    if (account.key == account_) chosen = accountBox_->count() - 1;
  }
  // The remembered account, or the first when it is gone.
  if (chosen < 0 && accountBox_->count() > 0) chosen = 0;
  accountBox_->setCurrentIndex(chosen);
  const ledger::AccountKey before = account_;
  account_ = chosen >= 0 ? accountBox_->itemData(chosen).toInt() : 0;
  investment_ = account_ != 0 && ledger::IsInvestmentAccount(context_.data, account_);
  if (account_ != before && periodBox_->currentIndex() != kCustomPeriod) choosePeriod(periodBox_->currentIndex());
}

void MainWindow::fillPanel() {
  panelModel_->clear();
  if (!context_.data.db().isOpen()) return;
  ledger::AccountsPanel panel = ledger::AccountTotals(context_.data, &InvestmentValue);
  std::stable_sort(panel.accounts.begin(), panel.accounts.end(),
                   [](const auto& a, const auto& b) { return LessNoCase(a.name, b.name); });
  const store::RegionalSettings& regional = context_.data.regional();
  QFont headingFont = panel_->font();
  headingFont.setBold(true);

  auto group = [&](const QString& title) {
    auto* heading = new QStandardItem(title);
    heading->setFlags(Qt::ItemIsEnabled);
    heading->setFont(headingFont);
    panelModel_->appendRow(heading);
    return heading;
  };
  auto link = [&](QStandardItem* parent, const QString& text, QAction* action) {
    auto* item = new QStandardItem(text);
    item->setFlags(action->isEnabled() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags);
    item->setData(action->objectName(), kActionRole);
    item->setToolTip(action->statusTip());
    parent->appendRow(item);
    return item;
  };

  QStandardItem* banking = group(tr("Banking Accounts"));
  QStandardItem* investments = group(tr("Investment Accounts"));
  bool anyBank = false;
  bool anyInvestment = false;
  for (const ledger::PanelAccount& account : panel.accounts) {
    auto* item = new QStandardItem(Text(account.item));
    item->setData(account.key, kAccountKeyRole);
    item->setToolTip(tr("Click to view transactions for %1.").arg(Text(account.name)));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (account.balance.minorUnits() < 0) item->setForeground(QColor(0xc0, 0x1c, 0x28));
    (account.investment ? investments : banking)->appendRow(item);
    (account.investment ? anyInvestment : anyBank) = true;
  }
  if (!anyBank) {
    link(banking, tr("Add a new Bank Account"), addAccount_)->setData(QStringLiteral("addBankAccount"), kActionRole);
  }
  if (!anyInvestment) {
    link(investments, tr("Add a new Investment Account"), addAccount_)
        ->setData(QStringLiteral("addInvestmentAccount"), kActionRole);
  }

  QStandardItem* totals = group(tr("Assets/Liabilities"));
  for (const QString& text : {tr("Assets: %1").arg(Text(store::FormatMoney(regional, panel.assets))),
                              tr("Liabilities: %1").arg(Text(store::FormatMoney(regional, panel.liabilities)))}) {
    auto* item = new QStandardItem(text);
    item->setFlags(Qt::ItemIsEnabled);
    totals->appendRow(item);
  }

  QStandardItem* reports = group(tr("Reports"));
  link(reports, tr("Income/Expenses By Category"), reportCategories_);
  link(reports, tr("Expenses by Payee"), reportPayees_);
  link(reports, tr("Account Activity"), reportActivity_);
  link(reports, tr("Budget"), reportBudget_);
  link(reports, tr("Back Up Data"), backUp_);

  QStandardItem* actions = group(tr("Actions"));
  if (app::BackupReminderVisible(context_.settings, context_.clock.now())) {
    QStandardItem* reminder = link(actions, tr("Back up your data (last backup over 30 days ago)"), backUp_);
    reminder->setData(QStringLiteral("backupReminder"), Qt::UserRole + 3);
  }
  link(actions, tr("Retrieve Transactions"), retrieve_);
  link(actions, tr("Manage Scheduled Transactions"), schedules_);
  link(actions, tr("Manage Scheduled Investment Transactions"), investmentSchedules_);
  link(actions, tr("Reconcile Account"), reconcile_);
  link(actions, tr("Print Transactions"), reportActivity_);
  link(actions, tr("Find Transaction"), findTransaction_);
  panel_->expandAll();
}

void MainWindow::fillReconciledLabel() {
  std::string text = "-";
  if (account_ != 0) {
    const auto stored = ledger::LoadStoredAccount(context_.data, account_);
    if (stored && stored->everReconciled()) {
      text = store::PrintedDate(context_.data.regional(), stored->lastReconciled);
    }
  }
  reconciledLabel_->setText(tr("Last reconciled: %1").arg(Text(text)));
}

void MainWindow::fillRegister() {
  if (account_ == 0) {
    model_->clear();
    registerStack_->setCurrentWidget(emptyRegister_);
    statusBar()->clearMessage();
    return;
  }
  if (investment_) {
    model_->clear();
    registerStack_->setCurrentWidget(investmentRegister_);
    investmentRegister_->fill(account_, DateString(fromEdit_->date()), DateString(toEdit_->date()));
    const int total = investmentRegister_->model()->rowCount();
    statusBar()->showMessage(total == 1 ? tr("1 investment in this period")
                                        : tr("%1 investments in this period").arg(total));
    return;
  }
  registerStack_->setCurrentWidget(register_);
  // Keep the selection by transaction, not by row, across the refill.
  const std::vector<ledger::TransactionKey> selected = selectedTransactions();
  const std::optional<ledger::TransactionKey> current = currentTransaction();
  const int scrolled = register_->verticalScrollBar() != nullptr ? register_->verticalScrollBar()->value() : 0;
  // Let go of the old rows first, so two long periods never sit in memory.
  model_->clear();
  model_->setPages(std::make_unique<ledger::RegisterPages>(context_.data, account_, DateString(fromEdit_->date()),
                                                          DateString(toEdit_->date()), showSplits_),
                   context_.data.regional(), Text(ledger::PaymentColumnTitle(context_.data, account_)));
  QItemSelection selection;
  for (ledger::TransactionKey key : selected) {
    const int row = model_->rowOfKey(key);
    if (row >= 0) selection.select(model_->index(row, 0), model_->index(row, RegisterModel::ColumnCount - 1));
  }
  if (current) {
    const int row = model_->rowOfKey(*current);
    if (row >= 0) {
      register_->selectionModel()->setCurrentIndex(model_->index(row, RegisterModel::Date),
                                                   QItemSelectionModel::NoUpdate);
    }
  }
  register_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  if (!selected.empty()) {
    register_->verticalScrollBar()->setValue(scrolled);
  } else if (model_->rowCount() > 0) {
    // A fresh view opens on the latest row, selected, as a paper register
    // would, so the keyboard commands act at once.
    const QModelIndex last = model_->index(model_->rowCount() - 1, RegisterModel::Date);
    register_->selectionModel()->setCurrentIndex(last, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    register_->scrollToBottom();
  }
  const std::size_t total = model_->totalRows();
  register_->setEmptyText(
      tr("No transactions from %1 to %2.\n\nChoose another period, or Add Transaction (%3) to enter one.")
          .arg(Text(store::PrintedDate(context_.data.regional(), DateString(fromEdit_->date()))),
               Text(store::PrintedDate(context_.data.regional(), DateString(toEdit_->date()))),
               addTransaction_->shortcut().toString(QKeySequence::NativeText)));
  statusBar()->showMessage(total == 1 ? tr("1 transaction in this period")
                                      : tr("%1 transactions in this period").arg(total));
}

void MainWindow::updateActions() {
  const bool open = context_.data.db().isOpen();
  const bool bank = open && account_ != 0 && !investment_;
  const std::vector<ledger::TransactionKey> selected = selectedTransactions();
  const std::optional<ledger::TransactionKey> current = currentTransaction();
  bool currentReconciled = false;
  bool currentSelected = false;
  if (current) {
    const int row = register_->currentIndex().row();
    if (const ledger::RegisterRow* line = model_->rowAt(row)) currentReconciled = line->row.reconciled;
    currentSelected = register_->selectionModel()->isRowSelected(row, {});
  }
  addTransaction_->setEnabled(bank);
  editTransaction_->setEnabled(bank && currentSelected);
  deleteTransaction_->setEnabled(bank && !selected.empty());
  voidTransaction_->setEnabled(bank && !selected.empty());
  unreconcile_->setEnabled(bank && currentSelected && currentReconciled);
  split_->setEnabled(bank && currentSelected && selected.size() == 1);
  reconcile_->setEnabled(bank);
  schedules_->setEnabled(open);
  investmentSchedules_->setEnabled(open);
  securities_->setEnabled(open);
  budgets_->setEnabled(open);
  schedule_->setEnabled(bank && currentSelected);
  showSplitsAction_->setEnabled(bank);
  showSplitsAction_->setText(showSplits_ ? tr("Hide &Split Transactions") : tr("Show &Split Transactions"));
  findTransaction_->setEnabled(bank && model_->totalRows() > 0);
  findNext_->setEnabled(bank && model_->totalRows() > 0 && !findText_.empty());
  accountInformation_->setEnabled(open && account_ != 0);
  for (QAction* action : {retrieve_, importOfx_}) action->setEnabled(bank);
  importCsv_->setEnabled(open && account_ != 0);
  bool anyBank = false;
  for (int i = 0; i < accountBox_->count() && !anyBank; ++i) {
    anyBank = !ledger::IsInvestmentAccount(context_.data, accountBox_->itemData(i).toInt());
  }
  transferFunds_->setEnabled(open && anyBank);
  for (QAction* action : {addAccount_, viewAccounts_, categories_, payees_}) action->setEnabled(open);
  const bool protectedBook = open && store::isPasswordSet(context_.data.db());
  changePassword_->setEnabled(open);
  changePassword_->setText(protectedBook ? tr("Change &Password...") : tr("Add &Password..."));
  removePassword_->setEnabled(protectedBook);
  // The panel's links follow their commands, which may have changed with the account.
  for (int g = 0; panelModel_ != nullptr && g < panelModel_->rowCount(); ++g) {
    QStandardItem* group = panelModel_->item(g);
    for (int r = 0; r < group->rowCount(); ++r) {
      QStandardItem* item = group->child(r);
      const QString name = item->data(kActionRole).toString();
      if (name.isEmpty()) continue;
      if (const auto* action = findChild<QAction*>(name, Qt::FindDirectChildrenOnly)) {
        item->setFlags(action->isEnabled() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags);
      }
    }
  }
}

// ---------------------------------------------------------------- choosing

void MainWindow::selectAccount(ledger::AccountKey key) {
  store::Record record;
  if (key == 0 || !ledger::LoadActiveAccount(context_.data, key, record)) {
    refill();
    return;
  }
  const bool switched = key != account_;
  account_ = key;
  investment_ = ledger::IsInvestmentAccount(context_.data, key);
  const int at = accountBox_->findData(key);
  if (at >= 0) accountBox_->setCurrentIndex(at);
  if (switched) {
    register_->clearSelection();
    register_->selectionModel()->clearCurrentIndex();
    findText_.clear();
  }
  if (periodBox_->currentIndex() != kCustomPeriod) {
    choosePeriod(periodBox_->currentIndex());
    fillReconciledLabel();
    fillPanel();
    updateActions();
    return;
  }
  fillPanel();
  fillReconciledLabel();
  fillRegister();
  updateActions();
}

void MainWindow::choosePeriod(int index) {
  if (index < 0 || index >= static_cast<int>(ledger::kRegisterPeriods.size())) return;
  periodBox_->setCurrentIndex(index);
  if (index != kCustomPeriod && account_ != 0) {
    if (const auto span = ledger::RegisterPeriod(context_.data, ledger::kRegisterPeriods[static_cast<std::size_t>(index)],
                                                 account_)) {
      setDates(span->from, span->to);
    }
  }
  if (!filling_) {
    fillRegister();
    updateActions();
  }
}

void MainWindow::setDates(const std::string& from, const std::string& to) {
  const QSignalBlocker blockFrom(fromEdit_);
  const QSignalBlocker blockTo(toEdit_);
  const QDate first = DateOf(from);
  const QDate last = DateOf(to);
  if (first.isValid()) fromEdit_->setDate(first);
  if (last.isValid()) toEdit_->setDate(last);
}

void MainWindow::datesEdited() {
  // A date changed by hand makes the period a custom one.
  periodBox_->setCurrentIndex(kCustomPeriod);
  fillRegister();
  updateActions();
}

void MainWindow::panelActivated(const QModelIndex& index) {
  if (!index.isValid() || !(index.flags() & Qt::ItemIsEnabled)) return;
  const QVariant key = index.data(kAccountKeyRole);
  if (key.isValid()) {
    selectAccount(key.toInt());
    return;
  }
  const QString name = index.data(kActionRole).toString();
  if (name == QLatin1String("addBankAccount")) {
    addAccount(0);
  } else if (name == QLatin1String("addInvestmentAccount")) {
    addAccount(ledger::kInvestmentAccountType);
  } else if (!name.isEmpty()) {
    if (auto* action = findChild<QAction*>(name); action != nullptr && action->isEnabled()) action->trigger();
  }
}

std::vector<ledger::TransactionKey> MainWindow::selectedTransactions() const {
  std::vector<ledger::TransactionKey> keys;
  if (register_ == nullptr || register_->selectionModel() == nullptr) return keys;
  for (const QModelIndex& index : register_->selectionModel()->selectedRows()) {
    if (const ledger::RegisterRow* line = model_->rowAt(index.row())) {
      if (std::find(keys.begin(), keys.end(), line->row.key) == keys.end()) keys.push_back(line->row.key);
    }
  }
  return keys;
}

std::optional<ledger::TransactionKey> MainWindow::currentTransaction() const {
  if (register_ == nullptr) return std::nullopt;
  const QModelIndex index = register_->currentIndex();
  if (!index.isValid()) return std::nullopt;
  const ledger::RegisterRow* line = model_->rowAt(index.row());
  if (line == nullptr) return std::nullopt;
  return line->row.key;
}

void MainWindow::selectTransaction(ledger::TransactionKey key) {
  const int row = model_->rowOfKey(key);
  if (row < 0) return;
  const QModelIndex index = model_->index(row, RegisterModel::Date);
  register_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
  register_->scrollTo(index);
}

QStringList MainWindow::categoryChoices(const QModelIndex& index) {
  QStringList first;
  QStringList second;
  const ledger::RegisterRow* line = model_->rowAt(index.row());
  const bool deposit = line != nullptr && line->row.type == static_cast<int>(ledger::TransactionType::Deposit);
  for (const ledger::CategoryLine& category : ledger::CategoryWindowLines(context_.data)) {
    const QString name = Text(category.fullName.empty() ? category.name : category.fullName);
    if (name == QLatin1String("Not categorized")) continue;
    (category.expense != deposit ? first : second).append(name);
  }
  QStringList choices{QStringLiteral("Not categorized")};
  choices << first << QString::fromLatin1(kCategorySeparator) << second;
  return choices;
}

// ---------------------------------------------------------------- commands

void MainWindow::showStatus(const store::Status& status) {
  // The operations show their own refusals; what is left is a file that
  // refused the write, or a failure nobody has shown yet.
  if (status.ok || status.declined || status.message.empty()) return;
  if (status.fileError || !status.title.empty()) {
    context_.prompter.message(status.title.empty() ? "Tallyvane" : status.title, status.message,
                              store::Icon::Error);
  }
}

void MainWindow::changed(bool didChange) {
  if (didChange) refill();
}

void MainWindow::addTransaction() {
  if (account_ == 0 || investment_) return;
  changed(RunTransactionForm(context_, this, account_, std::nullopt));
}

void MainWindow::transferFunds() {
  ledger::AccountKey account = account_;
  if (account == 0 || investment_) {
    account = 0;
    for (int i = 0; i < accountBox_->count() && account == 0; ++i) {
      const ledger::AccountKey key = accountBox_->itemData(i).toInt();
      if (!ledger::IsInvestmentAccount(context_.data, key)) account = key;
    }
  }
  if (account == 0) return;
  changed(RunTransactionForm(context_, this, account, std::nullopt, true));
}

void MainWindow::editTransaction() {
  const auto current = currentTransaction();
  if (!current || investment_) return;
  // Reconciled rows and balancing entries are refused without a word.
  const auto target = ledger::RegisterEditTarget(context_.data, *current);
  if (!target) return;
  const auto row = ledger::LoadTransaction(context_.data.db(), *target);
  if (!row) return;
  changed(RunTransactionForm(context_, this, row->account, *target));
}

void MainWindow::deleteTransactions() {
  const auto keys = selectedTransactions();
  if (keys.empty() || investment_) return;
  const store::Status status = ledger::RegisterDelete(context_.data, keys, context_.prompter);
  if (status.fileError) showStatus(status);
  refill();
}

void MainWindow::voidTransactions() {
  const auto keys = selectedTransactions();
  if (keys.empty() || investment_) return;
  const store::Status status = ledger::RegisterVoid(context_.data, keys, context_.prompter);
  if (status.fileError) showStatus(status);
  refill();
}

void MainWindow::unreconcileTransaction() {
  const auto current = currentTransaction();
  if (!current) return;
  const store::Status status = ledger::RegisterUnreconcile(context_.data, *current, context_.prompter);
  showStatus(status);
  refill();
}

void MainWindow::splitTransaction() {
  const auto current = currentTransaction();
  if (!current) return;
  const auto target = ledger::RegisterEditTarget(context_.data, *current);
  if (!target) return;
  changed(RunSplitEditor(context_, this, *target));
}

void MainWindow::toggleSplits() {
  showSplits_ = !showSplits_;
  fillRegister();
  updateActions();
}

void MainWindow::findTransaction() {
  if (model_->totalRows() == 0) return;
  bool ok = false;
  const QString text = QInputDialog::getText(this, tr("Find a transaction"), tr("Find &what:"), QLineEdit::Normal,
                                             Text(findText_), &ok);
  if (!ok || text.trimmed().isEmpty()) return;
  findText_ = text.toStdString();
  const ledger::RegisterFindResult found = ledger::RegisterFind(context_.data, account_, model_->from(), model_->to(), findText_, std::nullopt);
  if (found.key) {
    selectTransaction(*found.key);
  } else {
    context_.prompter.message(found.status.title, found.status.message, store::Icon::Information);
  }
  updateActions();
}

void MainWindow::findNext() {
  if (findText_.empty()) {
    findTransaction();
    return;
  }
  const ledger::RegisterFindResult found =
      ledger::RegisterFind(context_.data, account_, model_->from(), model_->to(), findText_, currentTransaction());
  if (found.key) {
    selectTransaction(*found.key);
  } else {
    context_.prompter.message(found.status.title, found.status.message, store::Icon::Information);
  }
}

void MainWindow::accountInformation() {
  if (account_ == 0) return;
  changed(RunAccountForm(context_, this, account_));
}

void MainWindow::addAccount(int presetType) {
  changed(RunAccountForm(context_, this, std::nullopt, presetType));
}

void MainWindow::viewAccounts() {
  bool didChange = false;
  RunAccountList(context_, this, &didChange);
  changed(didChange);
}

void MainWindow::setCleared(ledger::TransactionKey key, bool cleared) {
  if (!ledger::SetTransactionCleared(context_.data, key, cleared)) {
    context_.prompter.message("Edit Transaction", "Cannot open transaction and save changes.", store::Icon::Error);
  }
  fillRegister();
}

void MainWindow::setCategory(ledger::TransactionKey key, const QString& text) {
  const qsizetype bar = text.indexOf(QStringLiteral(" | "));
  const std::string category = (bar < 0 ? text : text.left(bar)).toStdString();
  const std::string subcategory = bar < 0 ? std::string() : text.mid(bar + 3).toStdString();
  showStatus(ledger::RegisterSetCategory(context_.data, key, category, subcategory, context_.prompter));
  fillRegister();
}

}  // namespace tallyvane::gui
