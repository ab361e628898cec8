#include "gui/planning/investment_schedule_windows.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/dialogs/form_support.h"
#include "gui/gui_context.h"
#include "gui/planning/planning_windows.h"
#include "gui/planning/schedule_windows.h"
#include "ledger/accounts.h"
#include "planning/securities.h"
#include "store/dates.h"
#include "store/money.h"

namespace tallyvane::gui {

namespace {

constexpr int kActionCount = 7;

QPushButton* ActionButton(QWidget* parent, QAction* action, const char* name) {
  auto* button = new QPushButton(action->text(), parent);
  button->setObjectName(QLatin1String(name));
  button->setToolTip(action->toolTip());
  button->setAutoDefault(false);
  QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
  auto follow = [button, action] {
    button->setEnabled(action->isEnabled());
    button->setText(action->text());
  };
  QObject::connect(action, &QAction::changed, button, follow);
  follow();
  return button;
}

}  // namespace

// ---------------------------------------------------------------- model

InvestmentScheduleModel::InvestmentScheduleModel(GuiContext& context, QObject* parent)
    : QAbstractTableModel(parent), context_(context) {}

void InvestmentScheduleModel::setLines(std::vector<planning::InvestmentScheduleLine> lines) {
  beginResetModel();
  lines_ = std::move(lines);
  endResetModel();
}

planning::InvestmentScheduleKey InvestmentScheduleModel::keyAt(int row) const {
  return row >= 0 && row < rowCount() ? lines_[static_cast<std::size_t>(row)].row.key : 0;
}

int InvestmentScheduleModel::rowOfKey(planning::InvestmentScheduleKey key) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].row.key == key) return static_cast<int>(i);
  }
  return -1;
}

int InvestmentScheduleModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

int InvestmentScheduleModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant InvestmentScheduleModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const planning::InvestmentScheduleLine& line = lines_[static_cast<std::size_t>(index.row())];
  const int column = index.column();
  const store::RegionalSettings& regional = context_.data.regional();
  auto date = [&regional](const std::string& text) {
    return store::IsValidDateText(text.substr(0, 10)) ? Q(store::PrintedDate(regional, text)) : Q(text);
  };
  const bool numeric = column >= Shares && column <= Cost;
  switch (role) {
    case Qt::DisplayRole:
      switch (column) {
        case Account:
          return Q(line.accountName);
        case Action:
          return Q(line.action);
        case Security:
          return Q(line.security);
        case Shares:
          return QLocale(QLocale::English).toString(static_cast<qlonglong>(line.shares));
        case Price:
          return Q(store::FormatMoney(regional, line.price));
        case Commission:
          return Q(store::FormatMoney(regional, line.commission));
        case Cost:
          return Q(store::FormatMoney(regional, line.cost));
        case Next:
          return date(line.row.next);
        case End:
          return line.row.end.empty() ? QString() : date(line.row.end);
        default:
          return {};
      }
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(numeric ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::FontRole:
      if (numeric) return MoneyFont();
      return {};
    default:
      return {};
  }
}

QVariant InvestmentScheduleModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::TextAlignmentRole) {
    return QVariant::fromValue(section >= Shares && section <= Cost ? Qt::AlignRight | Qt::AlignVCenter
                                                                    : Qt::AlignLeft | Qt::AlignVCenter);
  }
  if (role != Qt::DisplayRole) return {};
  switch (section) {
    case Account:
      return tr("Account");
    case Action:
      return tr("Action");
    case Security:
      return tr("Security");
    case Shares:
      return tr("Shares");
    case Price:
      return tr("Price");
    case Commission:
      return tr("Commission");
    case Cost:
      return tr("Cost");
    case Next:
      return tr("Next Date");
    case End:
      return tr("End Date");
    default:
      return {};
  }
}

// ---------------------------------------------------------------- list

InvestmentScheduleListWindow::InvestmentScheduleListWindow(GuiContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
  setObjectName(QStringLiteral("investmentScheduleList"));
  setWindowTitle(Q(planning::kInvestmentScheduleListTitle));
  setSizeGripEnabled(true);
  model_ = new InvestmentScheduleModel(context, this);
  view_ = new QTableView(this);
  view_->setObjectName(QStringLiteral("schedules"));
  view_->setModel(model_);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->verticalHeader()->hide();
  view_->setWordWrap(false);
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  view_->horizontalHeader()->setStretchLastSection(true);
  const int unit = view_->fontMetrics().averageCharWidth();

  auto action = [this](const char* name, const QString& text, const QString& tip,
                       void (InvestmentScheduleListWindow::*slot)()) {
    auto* a = new QAction(text, this);
    a->setObjectName(QLatin1String(name));
    a->setToolTip(tip);
    a->setStatusTip(tip);
    connect(a, &QAction::triggered, this, slot);
    addAction(a);
    return a;
  };
  post_ = action("post", tr("&Post Transaction"), Q(planning::kPostHint), &InvestmentScheduleListWindow::postSchedules);
  skip_ = action("skip", tr("S&kip Transaction"), Q(planning::kInvestmentSkipHint),
                 &InvestmentScheduleListWindow::skipSchedules);
  add_ = action("add", tr("&Add..."), tr("Add a new investment scheduled transaction"),
                &InvestmentScheduleListWindow::addSchedule);
  add_->setShortcut(QKeySequence::New);
  edit_ = action("edit", tr("&Edit..."), tr("Change the selected investment scheduled transaction"),
                 &InvestmentScheduleListWindow::editSchedule);
  delete_ = action("delete", tr("&Delete"), tr("Delete the selected investment scheduled transactions"),
                   &InvestmentScheduleListWindow::deleteSchedules);
  delete_->setShortcut(QKeySequence::Delete);
  delete_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  toggle_ = action("toggleView", Q(planning::ScheduleViewToggleLabel(viewMode_)),
                   tr("Switch between active and completed schedules"), &InvestmentScheduleListWindow::toggleView);
  auto* menu = new QMenu(this);
  menu->setToolTipsVisible(true);
  for (QAction* a : {post_, skip_}) menu->addAction(a);
  menu->addSeparator();
  for (QAction* a : {add_, edit_, delete_}) menu->addAction(a);
  menu->addSeparator();
  menu->addAction(toggle_);
  connect(view_, &QWidget::customContextMenuRequested, this,
          [this, menu](const QPoint& at) { menu->popup(view_->viewport()->mapToGlobal(at)); });
  connect(view_, &QAbstractItemView::doubleClicked, this, [this] {
    if (edit_->isEnabled()) editSchedule();
  });

  overdue_ = new QCheckBox(Q(planning::kOverdueOnly), this);
  overdue_->setObjectName(QStringLiteral("overdueOnly"));
  overdue_->setToolTip(Q(planning::kInvestmentOverdueHint));
  connect(overdue_, &QCheckBox::toggled, this, [this] { refill(); });

  auto* side = new QVBoxLayout;
  side->addWidget(ActionButton(this, post_, "postButton"));
  side->addWidget(ActionButton(this, skip_, "skipButton"));
  side->addSpacing(12);
  side->addWidget(ActionButton(this, add_, "addButton"));
  side->addWidget(ActionButton(this, edit_, "editButton"));
  side->addWidget(ActionButton(this, delete_, "deleteButton"));
  side->addSpacing(12);
  side->addWidget(ActionButton(this, toggle_, "toggleButton"));
  side->addStretch(1);
  auto* close = new QPushButton(tr("&Close"), this);
  close->setObjectName(QStringLiteral("close"));
  close->setAutoDefault(false);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  side->addWidget(close);
  auto* left = new QVBoxLayout;
  left->addWidget(view_, 1);
  left->addWidget(overdue_);
  auto* body = new QHBoxLayout(this);
  body->addLayout(left, 1);
  body->addLayout(side);
  resize(unit * 150, view_->fontMetrics().height() * 26);

  connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &InvestmentScheduleListWindow::updateActions);
  refill();
  view_->setFocus();
}

std::vector<planning::InvestmentScheduleKey> InvestmentScheduleListWindow::selectedKeys() const {
  std::vector<int> rows;
  for (const QModelIndex& index : view_->selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  std::vector<planning::InvestmentScheduleKey> keys;
  for (int row : rows) keys.push_back(model_->keyAt(row));
  return keys;
}

void InvestmentScheduleListWindow::selectKey(planning::InvestmentScheduleKey key) {
  const int row = model_->rowOfKey(key);
  if (row < 0) return;
  view_->selectionModel()->setCurrentIndex(model_->index(row, 0),
                                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void InvestmentScheduleListWindow::refill(std::optional<planning::InvestmentScheduleKey> select) {
  const std::vector<planning::InvestmentScheduleKey> keep = selectedKeys();
  model_->setLines(planning::InvestmentScheduleLines(context_.data, viewMode_, overdue_->isChecked()));
  if (select) {
    selectKey(*select);
  } else {
    for (planning::InvestmentScheduleKey key : keep) {
      if (const int row = model_->rowOfKey(key); row >= 0) {
        view_->selectionModel()->select(model_->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
      }
    }
  }
  if (view_->selectionModel()->selectedRows().isEmpty() && model_->rowCount() > 0) selectKey(model_->keyAt(0));
  updateActions();
}

void InvestmentScheduleListWindow::updateActions() {
  const std::vector<planning::InvestmentScheduleKey> keys = selectedKeys();
  const bool canPost = planning::CanPostOrSkipInvestments(context_.data, keys);
  post_->setEnabled(canPost);
  skip_->setEnabled(canPost);
  edit_->setEnabled(keys.size() == 1 && viewMode_ == planning::ScheduleView::Active);
  delete_->setEnabled(!keys.empty());
  toggle_->setText(Q(planning::ScheduleViewToggleLabel(viewMode_)));
}

void InvestmentScheduleListWindow::addSchedule() {
  InvestmentScheduleDialog dialog(context_, this, planning::NewInvestmentScheduleForm(context_.data));
  dialog.exec();
  if (!dialog.changed()) return;
  changed_ = true;
  refill(dialog.savedKey() != 0 ? std::optional(dialog.savedKey()) : std::nullopt);
}

void InvestmentScheduleListWindow::editSchedule() {
  const std::vector<planning::InvestmentScheduleKey> keys = selectedKeys();
  if (keys.size() != 1 || viewMode_ != planning::ScheduleView::Active) return;
  std::optional<planning::InvestmentScheduleForm> form = planning::OpenInvestmentScheduleForm(context_.data, keys.front());
  if (!form) {
    refill();
    return;
  }
  InvestmentScheduleDialog dialog(context_, this, std::move(*form));
  dialog.exec();
  if (!dialog.changed()) return;
  changed_ = true;
  refill(keys.front());
}

void InvestmentScheduleListWindow::deleteSchedules() {
  const store::Status status =
      planning::DeleteInvestmentSchedulesFromList(context_.data, selectedKeys(), context_.prompter);
  if (!status) {
    ShowStatus(context_.prompter, status);
    return;
  }
  changed_ = true;
  refill();
}

void InvestmentScheduleListWindow::postSchedules() {
  const std::vector<planning::InvestmentScheduleKey> keys = selectedKeys();
  if (!planning::CanPostOrSkipInvestments(context_.data, keys)) return;
  const planning::InvestmentPostResult result = planning::PostScheduledInvestments(context_.data, keys);
  if (!result.status) {
    ShowStatus(context_.prompter, result.status);
    return;
  }
  changed_ = changed_ || !result.entered.empty();
  refill();
}

void InvestmentScheduleListWindow::skipSchedules() {
  const std::vector<planning::InvestmentScheduleKey> keys = selectedKeys();
  if (!planning::CanPostOrSkipInvestments(context_.data, keys)) return;
  const store::Status status = planning::SkipScheduledInvestments(context_.data, keys);
  if (!status) {
    ShowStatus(context_.prompter, status);
    return;
  }
  changed_ = true;
  refill();
}

void InvestmentScheduleListWindow::toggleView() {
  viewMode_ = viewMode_ == planning::ScheduleView::Active ? planning::ScheduleView::Old : planning::ScheduleView::Active;
  view_->clearSelection();
  refill();
}

// ---------------------------------------------------------------- form

InvestmentScheduleDialog::InvestmentScheduleDialog(GuiContext& context, QWidget* parent,
                                                   planning::InvestmentScheduleForm form)
    : QDialog(parent), context_(context), bindings_(context.prompter, this), form_(std::move(form)) {
  setObjectName(QStringLiteral("investmentScheduleForm"));
  setWindowTitle(form_.key ? tr("Edit Investment Scheduled Transaction") : tr("Add Investment Scheduled Transaction"));
  account_ = new QComboBox(this);
  account_->setObjectName(QStringLiteral("account"));
  for (planning::AccountKey key : planning::InvestmentAccounts(context.data)) {
    if (const auto stored = ledger::LoadStoredAccount(context.data, key)) account_->addItem(Q(stored->values.name), key);
  }
  action_ = new QComboBox(this);
  action_->setObjectName(QStringLiteral("action"));
  for (int i = 0; i < kActionCount; ++i) action_->addItem(Q(planning::InvestmentActionLabel(i)), i);
  security_ = new QComboBox(this);
  security_->setObjectName(QStringLiteral("security"));
  security_->addItem(QString(), 0);
  for (const planning::SecurityLine& line : planning::SecurityListLines(context.data)) {
    security_->addItem(Q(line.name), line.key);
  }
  auto amount = [this](const char* name, const std::string& text) {
    auto* edit = new QLineEdit(Q(text), this);
    edit->setObjectName(QLatin1String(name));
    edit->setAlignment(Qt::AlignRight);
    edit->setFont(MoneyFont());
    return edit;
  };
  shares_ = amount("shares", form_.sharesText);
  price_ = amount("price", form_.priceText);
  commission_ = amount("commission", form_.commissionText);
  total_ = amount("total", form_.totalText);
  total_->setToolTip(tr("Left empty, the total is shares times price plus commission"));
  recurrence_ = new RecurrenceBox(context.data.regional(), this);

  auto* fields = new QFormLayout;
  fields->addRow(tr("A&ccount:"), account_);
  fields->addRow(tr("Ac&tion:"), action_);
  fields->addRow(tr("&Security:"), security_);
  fields->addRow(tr("S&hares:"), shares_);
  fields->addRow(tr("&Price paid:"), price_);
  fields->addRow(tr("Co&mmission:"), commission_);
  fields->addRow(tr("Total cos&t:"), total_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (save()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(recurrence_);
  layout->addWidget(buttons);
  setMinimumWidth(520);

  if (const int at = account_->findData(form_.account); at >= 0) account_->setCurrentIndex(at);
  action_->setCurrentIndex(static_cast<int>(form_.action));
  if (const int at = security_->findData(form_.security); at >= 0) security_->setCurrentIndex(at);
  recurrence_->setFields(form_.recurrence);
  bindings_.bind("account", account_);
  bindings_.bind("shares", shares_);
  bindings_.bind("price", price_);
  bindings_.bind("commission", commission_);
  bindings_.bind("total", total_);
  recurrence_->bind(bindings_);
  shares_->setFocus();
}

bool InvestmentScheduleDialog::save() {
  planning::InvestmentScheduleForm form = form_;
  form.account = account_->currentData().toInt();
  form.action = static_cast<planning::InvestmentAction>(std::clamp(action_->currentIndex(), 0, kActionCount - 1));
  form.security = security_->currentData().toInt();
  form.sharesText = S(shares_->text().trimmed());
  form.priceText = S(price_->text().trimmed());
  form.commissionText = S(commission_->text().trimmed());
  form.totalText = S(total_->text().trimmed());
  form.recurrence = recurrence_->fields();
  planning::InvestmentScheduleKey saved = 0;
  const store::Status status = planning::SaveInvestmentSchedule(context_.data, form, &saved);
  if (!status) {
    ShowStatus(context_.prompter, status);
    return false;
  }
  changed_ = true;
  saved_ = saved != 0 ? saved : form.key.value_or(0);
  return true;
}

bool RunInvestmentScheduleList(GuiContext& context, QWidget* parent) {
  const store::Status ready = planning::CheckInvestmentScheduleList(context.data);
  if (!ready) {
    context.prompter.message(ready.title, ready.message, store::Icon::Information);
    return false;
  }
  InvestmentScheduleListWindow window(context, parent);
  window.exec();
  return window.changed();
}

}  // namespace tallyvane::gui
