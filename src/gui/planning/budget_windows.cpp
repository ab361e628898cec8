#include "gui/planning/budget_windows.h"

#include <QAction>
#include <QBrush>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <QWizardPage>
#include <functional>

#include "gui/dialogs/category_dialog.h"
#include "gui/dialogs/form_support.h"
#include "gui/gui_context.h"
#include "gui/main_window.h"
#include "gui/planning/planning_windows.h"
#include "gui/reports/report_window.h"
#include "store/money.h"

namespace tallyvane::gui {

namespace {

const QColor kNegative(0xc0, 0x1c, 0x28);

QTableView* MakeTable(QWidget* parent, const char* name) {
  auto* view = new QTableView(parent);
  view->setObjectName(QLatin1String(name));
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->verticalHeader()->hide();
  view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
  view->setWordWrap(false);
  view->horizontalHeader()->setHighlightSections(false);
  return view;
}

QLabel* Intro(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  return label;
}

class AccountsModel final : public QAbstractTableModel {
 public:
  AccountsModel(GuiContext& context, planning::BudgetAccountsPage& page, QObject* parent)
      : QAbstractTableModel(parent), context_(context), page_(page) {}
  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(page_.entries().size());
  }
  int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 2; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const planning::BudgetAccountEntry& e = page_.entries()[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole) {
      return index.column() == 0 ? Q(e.name) : Q(store::FormatMoney(context_.data.regional(), e.balance));
    }
    if (role == Qt::CheckStateRole && index.column() == 0) return e.checked ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::TextAlignmentRole && index.column() == 1) {
      return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role == Qt::FontRole && index.column() == 1) return MoneyFont();
    if (role == Qt::ForegroundRole && index.column() == 1 && e.balance.minorUnits() < 0) return QBrush(kNegative);
    return {};
  }
  bool setData(const QModelIndex& index, const QVariant& value, int role) override {
    if (role != Qt::CheckStateRole || index.column() != 0 || index.row() >= rowCount()) return false;
    page_.setChecked(page_.entries()[static_cast<std::size_t>(index.row())].account, value.toInt() == Qt::Checked);
    emit dataChanged(index, index);
    return true;
  }
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0) f |= Qt::ItemIsUserCheckable;
    return f;
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::TextAlignmentRole && section == 1) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    return section == 0 ? QObject::tr("Account") : QObject::tr("Current Balance");
  }

 private:
  GuiContext& context_;
  planning::BudgetAccountsPage& page_;
};

class PlanModel final : public QAbstractTableModel {
 public:
  PlanModel(GuiContext& context, planning::BudgetPlanPage& page, std::function<void()> changed, QObject* parent)
      : QAbstractTableModel(parent), context_(context), page_(page), changed_(std::move(changed)) {}
  void reload() {
    beginResetModel();
    endResetModel();
  }
  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(page_.entries().size());
  }
  int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 2; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const planning::PlanEntry& e = page_.entries()[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
      return index.column() == 0 ? Q(e.name) : Q(store::FormatMoney(context_.data.regional(), e.amount));
    }
    if (role == Qt::TextAlignmentRole && index.column() == 1) {
      return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role == Qt::FontRole && index.column() == 1) return MoneyFont();
    if (role == Qt::ForegroundRole && index.column() == 1 && e.amount.minorUnits() < 0) return QBrush(kNegative);
    return {};
  }
  bool setData(const QModelIndex& index, const QVariant& value, int role) override {
    if (role != Qt::EditRole || index.column() != 1 || index.row() >= rowCount()) return false;
    if (value.toString() == data(index, Qt::DisplayRole).toString()) return false;
    const store::Status status = page_.setAmountText(
        context_.data.regional(), page_.entries()[static_cast<std::size_t>(index.row())].category,
        S(value.toString().trimmed()));
    if (!status) {
      ShowStatus(context_.prompter, status);
      return false;
    }
    emit dataChanged(index, index);
    changed_();
    return true;
  }
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 1) f |= Qt::ItemIsEditable;
    return f;
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::TextAlignmentRole && section == 1) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    return section == 0 ? QObject::tr("Category") : QObject::tr("Monthly Amount");
  }

 private:
  GuiContext& context_;
  planning::BudgetPlanPage& page_;
  std::function<void()> changed_;
};

}  // namespace

// ---------------------------------------------------------------- pages

BudgetAccountsWidget::BudgetAccountsWidget(GuiContext& context, planning::BudgetAccountsPage& page, QWidget* parent)
    : QWidget(parent), context_(context), page_(page) {
  view_ = MakeTable(this, "accounts");
  view_->setModel(new AccountsModel(context, page, view_));
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  view_->horizontalHeader()->resizeSection(1, QFontMetrics(MoneyFont()).horizontalAdvance(QStringLiteral("-$000,000.00")) +
                                                  view_->fontMetrics().averageCharWidth() * 4);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Intro(tr("Please select the accounts you want to include in this budget."), this));
  layout->addWidget(view_, 1);
}

bool BudgetAccountsWidget::leave() {
  const store::Status status = page_.leave();
  if (!status) {
    context_.prompter.bindField("accounts", view_);
    ShowStatus(context_.prompter, status);
    return false;
  }
  return true;
}

BudgetPlanWidget::BudgetPlanWidget(GuiContext& context, planning::BudgetPlanPage& page, QWidget* parent)
    : QWidget(parent), context_(context), page_(page) {
  const bool expense = page.expense();
  view_ = MakeTable(this, expense ? "expenses" : "incomes");
  auto* model = new PlanModel(context, page, [this] { refreshTotal(); }, view_);
  view_->setModel(model);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::AnyKeyPressed);
  view_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  view_->horizontalHeader()->resizeSection(1, QFontMetrics(MoneyFont()).horizontalAdvance(QStringLiteral("-$000,000.00")) +
                                                  view_->fontMetrics().averageCharWidth() * 4);
  auto button = [this](const char* name, const QString& text, const QString& tip) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
  };
  QPushButton* add = button("addCategory", tr("&Add..."), tr("Add a new category to budget"));
  QPushButton* edit = button("editCategory", tr("&Edit..."), tr("Change the selected category"));
  // No mnemonic: a key pressed for the check box below must not reach it.
  QPushButton* remove = button("clearAmount", tr("Delete"), tr("Set the selected amounts to zero"));
  connect(add, &QPushButton::clicked, this, &BudgetPlanWidget::addCategory);
  connect(edit, &QPushButton::clicked, this, &BudgetPlanWidget::editCategory);
  connect(remove, &QPushButton::clicked, this, &BudgetPlanWidget::clearSelected);
  total_ = new QLabel(this);
  total_->setObjectName(QStringLiteral("total"));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(add);
  buttons->addWidget(edit);
  buttons->addWidget(remove);
  buttons->addStretch(1);
  buttons->addWidget(total_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Intro(expense ? tr("Please enter monthly amounts for your expense categories.")
                                  : tr("Please enter monthly amounts for your income categories."),
                          this));
  layout->addWidget(view_, 1);
  layout->addLayout(buttons);
  if (expense) {
    warn_ = new QCheckBox(tr("&Display a warning for each transaction that exceeds the budget"), this);
    warn_->setObjectName(QStringLiteral("warn"));
    warn_->setChecked(page.warn());
    connect(warn_, &QCheckBox::toggled, this, [this](bool on) { page_.setWarn(on); });
    layout->addWidget(warn_);
  }
  context.prompter.bindField("amount", view_);
  refreshTotal();
}

void BudgetPlanWidget::refreshTotal() { total_->setText(Q(page_.totalText(context_.data.regional()))); }

void BudgetPlanWidget::reload() {
  static_cast<PlanModel*>(view_->model())->reload();
  refreshTotal();
}

void BudgetPlanWidget::addCategory() {
  CategoryDialog dialog(context_, this, std::nullopt, page_.expense());
  if (dialog.exec() != QDialog::Accepted) return;
  page_.refresh(context_.data);
  reload();
}

void BudgetPlanWidget::editCategory() {
  const QModelIndex current = view_->currentIndex();
  if (!current.isValid()) return;
  CategoryDialog dialog(context_, this, page_.entries()[static_cast<std::size_t>(current.row())].category,
                        page_.expense());
  if (!dialog.opened() || dialog.exec() != QDialog::Accepted) return;
  page_.refresh(context_.data);
  reload();
}

void BudgetPlanWidget::clearSelected() {
  std::vector<planning::CategoryKey> keys;
  for (const QModelIndex& index : view_->selectionModel()->selectedRows()) {
    keys.push_back(page_.entries()[static_cast<std::size_t>(index.row())].category);
  }
  if (!page_.clearAsked(keys, context_.data.regional(), context_.prompter)) return;
  reload();
}

// ---------------------------------------------------------------- wizard

NewBudgetWizardDialog::NewBudgetWizardDialog(GuiContext& context, QWidget* parent)
    : QWizard(parent), context_(context), bindings_(context.prompter, this),
      wizard_(planning::NewBudgetWizard::Open(context.data)) {
  setObjectName(QStringLiteral("newBudget"));
  setWindowTitle(tr("New Budget"));
  setWizardStyle(QWizard::ModernStyle);
  setOption(QWizard::NoBackButtonOnStartPage);

  auto page = [this](const QString& title, const QString& subtitle, QWidget* body) {
    auto* p = new QWizardPage(this);
    p->setTitle(title);
    p->setSubTitle(subtitle);
    auto* layout = new QVBoxLayout(p);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(body);
    return p;
  };
  auto* nameBox = new QWidget(this);
  name_ = new QLineEdit(nameBox);
  name_->setObjectName(QStringLiteral("name"));
  auto* nameLabel = new QLabel(tr("New Budget &Name:"), nameBox);
  nameLabel->setBuddy(name_);
  auto* nameLayout = new QVBoxLayout(nameBox);
  nameLayout->addWidget(nameLabel);
  nameLayout->addWidget(name_);
  nameLayout->addStretch(1);
  accounts_ = new BudgetAccountsWidget(context, wizard_.accounts, this);
  income_ = new BudgetPlanWidget(context, wizard_.income, this);
  expenses_ = new BudgetPlanWidget(context, wizard_.expenses, this);
  setPage(NamePage, page(tr("Set Up New Budget"), tr("Select a name for the new budget."), nameBox));
  setPage(AccountsPage, page(tr("Select Accounts to Budget"), tr("Select accounts you would like to budget."), accounts_));
  setPage(IncomePage, page(tr("Plan Your Income"), tr("Select income categories and amount."), income_));
  setPage(ExpensePage, page(tr("Plan Your Expenses"), tr("Select expense categories and amount."), expenses_));
  connect(this, &QWizard::currentIdChanged, this, [this](int id) {
    if (id == AccountsPage) wizard_.accounts.show();
    if (id == IncomePage) wizard_.income.show();
    if (id == ExpensePage) wizard_.expenses.show();
  });
  bindings_.bind("name", name_);
  resize(640, 520);
}

bool NewBudgetWizardDialog::validateCurrentPage() {
  switch (currentId()) {
    case NamePage: {
      wizard_.name = S(name_->text());
      const store::Status status = wizard_.checkName(context_.data);
      if (!status) {
        ShowStatus(context_.prompter, status);
        return false;
      }
      return true;
    }
    case AccountsPage:
      return accounts_->leave();
    default:
      return true;
  }
}

void NewBudgetWizardDialog::accept() {
  planning::BudgetKey created = 0;
  const store::Status status = wizard_.finish(context_.data, context_.prompter, &created);
  if (!status) {
    if (!status.title.empty()) {
      context_.prompter.message(status.title, status.message, store::Icon::Information);
    } else {
      ShowStatus(context_.prompter, status);
    }
    return;
  }
  created_ = created;
  QWizard::accept();
}

// ---------------------------------------------------------------- property sheet

BudgetPropertiesDialog::BudgetPropertiesDialog(GuiContext& context, QWidget* parent, planning::BudgetPropertySheet sheet)
    : QDialog(parent), context_(context), bindings_(context.prompter, this), sheet_(std::move(sheet)) {
  setObjectName(QStringLiteral("budgetProperties"));
  setWindowTitle(tr("Budget Properties"));
  auto* tabs = new QTabWidget(this);
  tabs->setObjectName(QStringLiteral("tabs"));
  accounts_ = new BudgetAccountsWidget(context, sheet_.accounts, tabs);
  tabs->addTab(accounts_, tr("&Accounts"));
  tabs->addTab(new BudgetPlanWidget(context, sheet_.incomes, tabs), tr("&Incomes"));
  tabs->addTab(new BudgetPlanWidget(context, sheet_.expenses, tabs), tr("&Expenses"));
  sheet_.accounts.show();
  connect(tabs, &QTabWidget::currentChanged, this, [this](int index) {
    if (index == 0) sheet_.accounts.show();
    if (index == 1) sheet_.incomes.show();
    if (index == 2) sheet_.expenses.show();
  });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
  connect(buttons, &QDialogButtonBox::accepted, this, &BudgetPropertiesDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  layout->addWidget(buttons);
  resize(600, 480);
}

void BudgetPropertiesDialog::accept() {
  if (sheet_.accounts.shown() && !accounts_->leave()) return;
  const store::Status status = sheet_.ok(context_.data, context_.prompter);
  if (!status) {
    ShowStatus(context_.prompter, status);
    return;
  }
  QDialog::accept();
}

// ---------------------------------------------------------------- list

class BudgetListWindow::Model final : public QAbstractListModel {
 public:
  Model(BudgetListWindow& window, GuiContext& context) : QAbstractListModel(&window), window_(window), context_(context) {}
  void refill() {
    beginResetModel();
    lines_ = planning::BudgetListLines(context_.data);
    endResetModel();
  }
  [[nodiscard]] planning::BudgetKey keyAt(int row) const {
    return row >= 0 && row < rowCount() ? lines_[static_cast<std::size_t>(row)].key : 0;
  }
  [[nodiscard]] int rowOfKey(planning::BudgetKey key) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      if (lines_[i].key == key) return static_cast<int>(i);
    }
    return -1;
  }
  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(lines_.size());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole) return Q(lines_[static_cast<std::size_t>(index.row())].name);
    return {};
  }
  bool setData(const QModelIndex& index, const QVariant& value, int role) override {
    if (role != Qt::EditRole || !index.isValid()) return false;
    if (value.toString() == data(index, Qt::DisplayRole).toString()) return false;
    return window_.rename(keyAt(index.row()), value.toString());
  }
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable : Qt::NoItemFlags;
  }

 private:
  BudgetListWindow& window_;
  GuiContext& context_;
  std::vector<planning::BudgetListLine> lines_;
};

BudgetListWindow::BudgetListWindow(GuiContext& context, QWidget* parent) : QDialog(parent), context_(context) {
  setObjectName(QStringLiteral("budgetList"));
  setWindowTitle(tr("Budgets"));
  model_ = new Model(*this, context);
  view_ = MakeTable(this, "budgets");
  view_->setModel(model_);
  view_->horizontalHeader()->hide();
  view_->horizontalHeader()->setStretchLastSection(true);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  view_->setContextMenuPolicy(Qt::CustomContextMenu);

  auto action = [this](const char* name, const QString& text, const QString& tip, void (BudgetListWindow::*slot)()) {
    auto* a = new QAction(text, this);
    a->setObjectName(QLatin1String(name));
    a->setToolTip(tip);
    a->setStatusTip(tip);
    if (slot != nullptr) connect(a, &QAction::triggered, this, slot);
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(a);
    return a;
  };
  add_ = action("add", tr("&Add..."), tr("Set up a new budget"), &BudgetListWindow::addBudget);
  add_->setShortcut(QKeySequence::New);
  edit_ = action("edit", tr("&Edit..."), tr("Change the selected budget's accounts and amounts"),
                 &BudgetListWindow::editBudget);
  delete_ = action("delete", tr("&Delete"), tr("Delete the selected budgets"), &BudgetListWindow::deleteBudgets);
  delete_->setShortcut(QKeySequence::Delete);
  rename_ = action("rename", tr("&Rename"), tr("Rename the selected budget"), nullptr);
  rename_->setShortcut(Qt::Key_F2);
  connect(rename_, &QAction::triggered, this, [this] {
    if (view_->currentIndex().isValid()) view_->edit(view_->currentIndex());
  });
  report_ = action("viewReport", tr("View &Report"), tr("Compare a budget with the actual amounts"), nullptr);
  connect(report_, &QAction::triggered, this, [this] {
    if (RunBudgetReport(context_, this)) refill(std::nullopt);
  });
  auto* menu = new QMenu(this);
  menu->setToolTipsVisible(true);
  for (QAction* a : {add_, edit_, delete_, rename_, report_}) menu->addAction(a);
  connect(view_, &QWidget::customContextMenuRequested, this,
          [this, menu](const QPoint& at) { menu->popup(view_->viewport()->mapToGlobal(at)); });
  connect(view_, &QAbstractItemView::doubleClicked, this, &BudgetListWindow::editBudget);

  auto* side = new QVBoxLayout;
  auto button = [this, side](QAction* a, const char* name) {
    auto* b = new QPushButton(a->text(), this);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(a->toolTip());
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, a, &QAction::trigger);
    connect(a, &QAction::changed, b, [b, a] { b->setEnabled(a->isEnabled()); });
    b->setEnabled(a->isEnabled());
    side->addWidget(b);
  };
  button(add_, "addButton");
  button(edit_, "editButton");
  button(delete_, "deleteButton");
  button(rename_, "renameButton");
  button(report_, "reportButton");
  side->addStretch(1);
  auto* close = new QPushButton(tr("&Close"), this);
  close->setObjectName(QStringLiteral("close"));
  close->setAutoDefault(false);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  side->addWidget(close);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(view_, 1);
  layout->addLayout(side);
  resize(520, 360);
  connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &BudgetListWindow::updateActions);
  refill();
}

std::vector<planning::BudgetKey> BudgetListWindow::selectedKeys() const {
  std::vector<planning::BudgetKey> keys;
  for (const QModelIndex& index : view_->selectionModel()->selectedRows()) keys.push_back(model_->keyAt(index.row()));
  return keys;
}

void BudgetListWindow::selectKey(planning::BudgetKey key) {
  const int row = model_->rowOfKey(key);
  if (row < 0) return;
  view_->selectionModel()->setCurrentIndex(model_->index(row, 0),
                                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void BudgetListWindow::refill(std::optional<planning::BudgetKey> select) {
  model_->refill();
  if (select) selectKey(*select);
  if (view_->selectionModel()->selectedRows().isEmpty() && model_->rowCount() > 0) selectKey(model_->keyAt(0));
  updateActions();
}

void BudgetListWindow::updateActions() {
  const std::size_t selected = selectedKeys().size();
  edit_->setEnabled(selected == 1);
  delete_->setEnabled(selected > 0);
  rename_->setEnabled(selected == 1);
  report_->setEnabled(model_->rowCount() > 0);
}

void BudgetListWindow::addBudget() {
  NewBudgetWizardDialog wizard(context_, this);
  if (wizard.exec() != QDialog::Accepted || !wizard.created()) return;
  changed_ = true;
  refill(*wizard.created());
}

void BudgetListWindow::editBudget() {
  const std::vector<planning::BudgetKey> keys = selectedKeys();
  if (keys.size() != 1) return;
  std::optional<planning::BudgetPropertySheet> sheet = planning::BudgetPropertySheet::Open(context_.data, keys.front());
  if (!sheet) {
    refill();
    return;
  }
  BudgetPropertiesDialog dialog(context_, this, std::move(*sheet));
  if (dialog.exec() != QDialog::Accepted) return;
  changed_ = true;
  refill(keys.front());
}

void BudgetListWindow::deleteBudgets() {
  const store::Status status = planning::DeleteBudgetsFromList(context_.data, selectedKeys(), context_.prompter);
  if (!status) {
    ShowStatus(context_.prompter, status);
    return;
  }
  changed_ = true;
  refill();
}

bool BudgetListWindow::rename(planning::BudgetKey key, const QString& name) {
  const store::Status status = planning::RenameBudget(context_.data, key, S(name));
  if (!status) {
    if (!status.declined) context_.prompter.message(status.title, status.message, store::Icon::Warning);
    return false;
  }
  changed_ = true;
  // The list is sorted by name: refill once the editor has let go.
  QMetaObject::invokeMethod(this, [this, key] { refill(key); }, Qt::QueuedConnection);
  return true;
}

bool RunBudgetList(GuiContext& context, QWidget* parent) {
  BudgetListWindow window(context, parent);
  window.exec();
  return window.changed();
}

}  // namespace tallyvane::gui
