#include "gui/planning/schedule_windows.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include "gui/date_field.h"
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/dialogs/form_support.h"
#include "gui/gui_context.h"
#include "gui/planning/planning_windows.h"
#include "ledger/accounts.h"
#include "ledger/categories.h"
#include "ledger/payees.h"
#include "store/dates.h"
#include "store/money.h"

namespace tallyvane::gui {

namespace {

constexpr const char* kDateText = "yyyy-MM-dd";
constexpr int kTypeCount = 6;

QDate DateOf(const std::string& text) { return QDate::fromString(Q(text.substr(0, 10)), QLatin1String(kDateText)); }
std::string DateString(const QDate& date) { return S(date.toString(QLatin1String(kDateText))); }

QPushButton* ActionButton(QWidget* parent, QAction* action, const char* name) {
  auto* button = new QPushButton(action->text(), parent);
  button->setObjectName(QLatin1String(name));
  button->setToolTip(action->toolTip());
  button->setStatusTip(action->statusTip());
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

ScheduleModel::ScheduleModel(GuiContext& context, QObject* parent) : QAbstractTableModel(parent), context_(context) {}

void ScheduleModel::setLines(std::vector<planning::ScheduleListLine> lines) {
  beginResetModel();
  lines_ = std::move(lines);
  endResetModel();
}

planning::ScheduleKey ScheduleModel::keyAt(int row) const {
  return row >= 0 && row < rowCount() ? lines_[static_cast<std::size_t>(row)].row.key : 0;
}

int ScheduleModel::rowOfKey(planning::ScheduleKey key) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].row.key == key) return static_cast<int>(i);
  }
  return -1;
}

int ScheduleModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

int ScheduleModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant ScheduleModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const planning::ScheduleListLine& line = lines_[static_cast<std::size_t>(index.row())];
  const int column = index.column();
  const store::RegionalSettings& regional = context_.data.regional();
  auto date = [&regional](const std::string& text) {
    return store::IsValidDateText(text.substr(0, 10)) ? Q(store::PrintedDate(regional, text)) : Q(text);
  };
  switch (role) {
    case Qt::DisplayRole:
      switch (column) {
        case Account:
          return Q(line.accountName);
        case Payee:
          return Q(line.payee);
        case Category:
          return Q(line.category);
        case Payment:
          return line.payment ? Q(store::FormatMoney(regional, *line.payment)) : QString();
        case Deposit:
          return line.deposit ? Q(store::FormatMoney(regional, *line.deposit)) : QString();
        case Next:
          return date(line.row.next);
        case End:
          return line.row.end.empty() ? QString() : date(line.row.end);
        default:
          return {};
      }
    case Qt::TextAlignmentRole:
      if (column == Payment || column == Deposit) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::FontRole:
      if (column == Payment || column == Deposit) return MoneyFont();
      return {};
    default:
      return {};
  }
}

QVariant ScheduleModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::TextAlignmentRole) {
    return QVariant::fromValue(section == Payment || section == Deposit ? Qt::AlignRight | Qt::AlignVCenter
                                                                        : Qt::AlignLeft | Qt::AlignVCenter);
  }
  if (role != Qt::DisplayRole) return {};
  switch (section) {
    case Account:
      return tr("Account");
    case Payee:
      return tr("Payee");
    case Category:
      return tr("Category");
    case Payment:
      return tr("Payment");
    case Deposit:
      return tr("Deposit");
    case Next:
      return tr("Next Date");
    case End:
      return tr("End Date");
    default:
      return {};
  }
}

// ---------------------------------------------------------------- list

ScheduleListWindow::ScheduleListWindow(GuiContext& context, QWidget* parent, bool overdueOnly)
    : QDialog(parent), context_(context) {
  setObjectName(QStringLiteral("scheduleList"));
  setWindowTitle(Q(planning::kScheduleListTitle));
  setSizeGripEnabled(true);

  model_ = new ScheduleModel(context, this);
  view_ = new QTableView(this);
  view_->setObjectName(QStringLiteral("schedules"));
  view_->setModel(model_);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->verticalHeader()->hide();
  view_->setWordWrap(false);
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  const int unit = view_->fontMetrics().averageCharWidth();
  QHeaderView* header = view_->horizontalHeader();
  header->resizeSection(ScheduleModel::Account, unit * 20);
  header->resizeSection(ScheduleModel::Payee, unit * 22);
  header->resizeSection(ScheduleModel::Category, unit * 22);
  for (int column : {ScheduleModel::Payment, ScheduleModel::Deposit, ScheduleModel::Next, ScheduleModel::End}) {
    header->resizeSection(column, unit * 13);
  }
  header->setStretchLastSection(true);

  auto action = [this](const char* name, const QString& text, const QString& tip, void (ScheduleListWindow::*slot)()) {
    auto* a = new QAction(text, this);
    a->setObjectName(QLatin1String(name));
    a->setToolTip(tip);
    a->setStatusTip(tip);
    connect(a, &QAction::triggered, this, slot);
    addAction(a);
    return a;
  };
  post_ = action("post", tr("&Post Transaction"), Q(planning::kPostHint), &ScheduleListWindow::postSchedules);
  skip_ = action("skip", tr("S&kip Transaction"), Q(planning::kSkipHint), &ScheduleListWindow::skipSchedules);
  add_ = action("add", tr("&Add..."), tr("Add a new scheduled transaction"), &ScheduleListWindow::addSchedule);
  add_->setShortcut(QKeySequence::New);
  edit_ = action("edit", tr("&Edit..."), tr("Change the selected scheduled transaction"),
                 &ScheduleListWindow::editSchedule);
  delete_ = action("delete", tr("&Delete"), tr("Delete the selected scheduled transactions"),
                   &ScheduleListWindow::deleteSchedules);
  delete_->setShortcut(QKeySequence::Delete);
  delete_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  toggle_ = action("toggleView", Q(planning::ScheduleViewToggleLabel(viewMode_)),
                   tr("Switch between active and completed schedules"), &ScheduleListWindow::toggleView);

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
  overdue_->setToolTip(Q(planning::kOverdueHint));
  overdue_->setStatusTip(Q(planning::kOverdueHint));
  overdue_->setChecked(overdueOnly);
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

  auto* body = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  left->addWidget(view_, 1);
  left->addWidget(overdue_);
  body->addLayout(left, 1);
  body->addLayout(side);
  setLayout(body);
  resize(unit * 150, view_->fontMetrics().height() * 26);

  connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &ScheduleListWindow::updateActions);
  refill();
  view_->setFocus();
}

std::vector<planning::ScheduleKey> ScheduleListWindow::selectedKeys() const {
  // In list order, as the schedules are posted one after another.
  std::vector<int> rows;
  for (const QModelIndex& index : view_->selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  std::vector<planning::ScheduleKey> keys;
  for (int row : rows) keys.push_back(model_->keyAt(row));
  return keys;
}

void ScheduleListWindow::selectKey(planning::ScheduleKey key) {
  const int row = model_->rowOfKey(key);
  if (row < 0) return;
  view_->selectionModel()->setCurrentIndex(model_->index(row, 0),
                                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void ScheduleListWindow::refill(std::optional<planning::ScheduleKey> select) {
  const std::vector<planning::ScheduleKey> keep = selectedKeys();
  model_->setLines(planning::ScheduleListLines(context_.data, viewMode_, overdue_->isChecked()));
  if (select) {
    selectKey(*select);
  } else {
    for (planning::ScheduleKey key : keep) {
      const int row = model_->rowOfKey(key);
      if (row >= 0) view_->selectionModel()->select(model_->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }
  if (view_->selectionModel()->selectedRows().isEmpty() && model_->rowCount() > 0) selectKey(model_->keyAt(0));
  updateActions();
}

void ScheduleListWindow::updateActions() {
  const std::vector<planning::ScheduleKey> keys = selectedKeys();
  const bool canPost = planning::CanPostOrSkip(context_.data, keys);
  post_->setEnabled(canPost);
  skip_->setEnabled(canPost);
  edit_->setEnabled(keys.size() == 1 && viewMode_ == planning::ScheduleView::Active);
  delete_->setEnabled(!keys.empty());
  toggle_->setText(Q(planning::ScheduleViewToggleLabel(viewMode_)));
}

void ScheduleListWindow::addSchedule() {
  ScheduleDialog dialog(context_, this, planning::NewScheduleForm(context_.data));
  dialog.exec();
  if (!dialog.changed()) return;
  changed_ = true;
  refill(dialog.savedKey() != 0 ? std::optional(dialog.savedKey()) : std::nullopt);
}

void ScheduleListWindow::editSchedule() {
  const std::vector<planning::ScheduleKey> keys = selectedKeys();
  if (keys.size() != 1 || viewMode_ != planning::ScheduleView::Active) return;
  std::optional<planning::ScheduleForm> form = planning::OpenScheduleForm(context_.data, keys.front());
  if (!form) {
    refill();
    return;
  }
  ScheduleDialog dialog(context_, this, std::move(*form));
  dialog.exec();
  if (!dialog.changed()) return;
  changed_ = true;
  refill(keys.front());
}

void ScheduleListWindow::deleteSchedules() {
  const store::Status status = planning::DeleteSchedulesFromList(context_.data, selectedKeys(), context_.prompter);
  if (!status) {
    ShowStatus(context_.prompter, status);
    return;
  }
  changed_ = true;
  refill();
}

void ScheduleListWindow::postSchedules() {
  const std::vector<planning::ScheduleKey> keys = selectedKeys();
  if (!planning::CanPostOrSkip(context_.data, keys)) return;
  const planning::PostResult result = planning::PostScheduledTransactions(context_.data, keys);
  if (!result.status) {
    ShowStatus(context_.prompter, result.status);
    return;
  }
  changed_ = changed_ || !result.entered.empty();
  if (!result.refused.empty()) {
    context_.prompter.message(S(windowTitle()),
                              S(tr("%n scheduled transaction(s) could not be posted and stay as they were.", "",
                                   static_cast<int>(result.refused.size()))),
                              store::Icon::Warning);
  }
  refill();
}

void ScheduleListWindow::skipSchedules() {
  const std::vector<planning::ScheduleKey> keys = selectedKeys();
  if (!planning::CanPostOrSkip(context_.data, keys)) return;
  const store::Status status = planning::SkipScheduledTransactions(context_.data, keys);
  if (!status) {
    ShowStatus(context_.prompter, status);
    return;
  }
  changed_ = true;
  refill();
}

void ScheduleListWindow::toggleView() {
  viewMode_ = viewMode_ == planning::ScheduleView::Active ? planning::ScheduleView::Old : planning::ScheduleView::Active;
  view_->clearSelection();
  refill();
}

// ---------------------------------------------------------------- recurrence

RecurrenceBox::RecurrenceBox(const store::RegionalSettings& regional, QWidget* parent) : QWidget(parent) {
  const QString dateFormat = DateFormat(regional);
  auto makeDate = [this, &dateFormat](const char* name) {
    auto* edit = new DateField(this);
    edit->setObjectName(QLatin1String(name));
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(dateFormat);
    return edit;
  };
  next_ = makeDate("next");
  end_ = makeDate("end");
  noEnd_ = new QCheckBox(tr("N&o end date"), this);
  noEnd_->setObjectName(QStringLiteral("noEnd"));
  everyMode_ = new QRadioButton(tr("E&very"), this);
  everyMode_->setObjectName(QStringLiteral("everyMode"));
  dayMode_ = new QRadioButton(tr("Da&y of every month:"), this);
  dayMode_->setObjectName(QStringLiteral("dayMode"));
  auto* modes = new QButtonGroup(this);
  modes->addButton(everyMode_);
  modes->addButton(dayMode_);
  every_ = new QSpinBox(this);
  every_->setObjectName(QStringLiteral("every"));
  every_->setRange(1, planning::kMaxEvery);
  unit_ = new QComboBox(this);
  unit_->setObjectName(QStringLiteral("unit"));
  for (planning::PeriodKind kind : {planning::PeriodKind::Days, planning::PeriodKind::Weeks, planning::PeriodKind::Months}) {
    unit_->addItem(Q(planning::PeriodUnitLabel(kind)), static_cast<int>(kind));
  }
  day_ = new QSpinBox(this);
  day_->setObjectName(QStringLiteral("day"));
  day_->setRange(1, 31);
  reminders_ = new QCheckBox(tr("&Remind me when this transaction is due"), this);
  reminders_->setObjectName(QStringLiteral("reminders"));

  auto* dates = new QGridLayout;
  auto label = [this](const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text, this);
    l->setBuddy(buddy);
    return l;
  };
  dates->addWidget(label(tr("&Next date:"), next_), 0, 0);
  dates->addWidget(next_, 0, 1);
  dates->addWidget(label(tr("En&d date:"), end_), 0, 2);
  dates->addWidget(end_, 0, 3);
  dates->addWidget(noEnd_, 1, 3);
  dates->setColumnStretch(1, 1);
  dates->setColumnStretch(3, 1);
  auto* recurrence = new QGroupBox(tr("Recurrence"), this);
  auto* rec = new QGridLayout(recurrence);
  rec->addWidget(everyMode_, 0, 0);
  rec->addWidget(every_, 0, 1);
  rec->addWidget(unit_, 0, 2);
  rec->addWidget(dayMode_, 1, 0);
  rec->addWidget(day_, 1, 1);
  rec->setColumnStretch(3, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(dates);
  layout->addWidget(recurrence);
  layout->addWidget(reminders_);

  connect(noEnd_, &QCheckBox::toggled, end_, [this](bool on) { end_->setEnabled(!on); });
  auto modeChanged = [this] {
    every_->setEnabled(everyMode_->isChecked());
    unit_->setEnabled(everyMode_->isChecked());
    day_->setEnabled(dayMode_->isChecked());
  };
  connect(everyMode_, &QRadioButton::toggled, this, modeChanged);
  everyMode_->setChecked(true);
  modeChanged();
}

void RecurrenceBox::setFields(const planning::RecurrenceFields& r) {
  next_->setDate(DateOf(r.nextDate));
  end_->setDate(DateOf(r.endDate.empty() ? r.nextDate : r.endDate));
  noEnd_->setChecked(r.noEndDate);
  end_->setEnabled(!r.noEndDate);
  (r.mode == planning::RecurrenceMode::DayOfMonth ? dayMode_ : everyMode_)->setChecked(true);
  every_->setValue(std::clamp(r.every, 1, planning::kMaxEvery));
  if (const int at = unit_->findData(static_cast<int>(r.unit)); at >= 0) unit_->setCurrentIndex(at);
  day_->setValue(std::clamp(r.day, 1, 31));
  reminders_->setChecked(r.reminders);
}

planning::RecurrenceFields RecurrenceBox::fields() const {
  planning::RecurrenceFields r;
  r.nextDate = DateString(next_->date());
  r.endDate = DateString(end_->date());
  r.noEndDate = noEnd_->isChecked();
  r.mode = dayMode_->isChecked() ? planning::RecurrenceMode::DayOfMonth : planning::RecurrenceMode::Every;
  r.every = every_->value();
  r.unit = static_cast<planning::PeriodKind>(unit_->currentData().toInt());
  r.day = day_->value();
  r.reminders = reminders_->isChecked();
  return r;
}

void RecurrenceBox::bind(FieldBindings& bindings) {
  bindings.bind("next", next_);
  bindings.bind("end", end_);
  bindings.bind("day", day_);
  bindings.bind("every", every_);
}

// ---------------------------------------------------------------- form

ScheduleDialog::ScheduleDialog(GuiContext& context, QWidget* parent, planning::ScheduleForm form)
    : QDialog(parent), context_(context), bindings_(context.prompter, this), form_(std::move(form)) {
  setObjectName(QStringLiteral("scheduleForm"));
  setWindowTitle(form_.key ? tr("Edit Scheduled Transaction") : tr("Add Scheduled Transaction"));

  account_ = new QComboBox(this);
  account_->setObjectName(QStringLiteral("account"));
  transferAccount_ = new QComboBox(this);
  transferAccount_->setObjectName(QStringLiteral("transfer_account"));
  transferAccount_->setEditable(true);
  transferAccount_->setInsertPolicy(QComboBox::NoInsert);
  transferAccount_->addItem(QString(), 0);
  const std::vector<planning::AccountKey> choices = planning::ScheduleAccountChoices(context.data);
  for (const ledger::AccountListLine& line : ledger::AccountListLines(context.data)) {
    if (std::find(choices.begin(), choices.end(), line.key) == choices.end()) continue;
    account_->addItem(Q(line.name), line.key);
    transferAccount_->addItem(Q(line.name), line.key);
  }
  type_ = new QComboBox(this);
  type_->setObjectName(QStringLiteral("type"));
  for (int i = 0; i < kTypeCount; ++i) {
    type_->addItem(Q(ledger::TransactionTypeLabel(static_cast<ledger::TransactionType>(i))), i);
  }
  payeeLabel_ = new QLabel(this);
  payee_ = new QComboBox(this);
  payee_->setObjectName(QStringLiteral("payee"));
  payee_->setEditable(true);
  payee_->setInsertPolicy(QComboBox::NoInsert);
  std::vector<ledger::PayeeLine> payees = ledger::PayeeWindowLines(context.data);
  std::stable_sort(payees.begin(), payees.end(), [](const auto& a, const auto& b) {
    return Q(a.name).compare(Q(b.name), Qt::CaseInsensitive) < 0;
  });
  for (const ledger::PayeeLine& line : payees) payee_->addItem(Q(line.name), line.key);
  amount_ = new QLineEdit(this);
  amount_->setObjectName(QStringLiteral("amount"));
  amount_->setAlignment(Qt::AlignRight);
  amount_->setFont(MoneyFont());
  category_ = new QComboBox(this);
  category_->setObjectName(QStringLiteral("category"));
  subcategory_ = new QComboBox(this);
  subcategory_->setObjectName(QStringLiteral("subcategory"));

  recurrence_ = new RecurrenceBox(context.data.regional(), this);

  auto* grid = new QGridLayout;
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  auto label = [this](const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text, this);
    l->setBuddy(buddy);
    return l;
  };
  grid->addWidget(label(tr("A&ccount:"), account_), 0, 0);
  grid->addWidget(account_, 0, 1);
  grid->addWidget(label(tr("&Type:"), type_), 0, 2);
  grid->addWidget(type_, 0, 3);
  grid->addWidget(payeeLabel_, 1, 0);
  grid->addWidget(payee_, 1, 1, 1, 3);
  grid->addWidget(transferAccount_, 1, 1, 1, 3);
  grid->addWidget(label(tr("&Amount:"), amount_), 2, 0);
  grid->addWidget(amount_, 2, 1);
  grid->addWidget(label(tr("Cate&gory:"), category_), 3, 0);
  grid->addWidget(category_, 3, 1);
  grid->addWidget(label(tr("Su&bcategory:"), subcategory_), 3, 2);
  grid->addWidget(subcategory_, 3, 3);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (save()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(recurrence_);
  layout->addWidget(buttons);
  setMinimumWidth(620);

  // Copy the form in.
  if (const int at = account_->findData(form_.account); at >= 0) account_->setCurrentIndex(at);
  type_->setCurrentIndex(static_cast<int>(form_.type));
  if (const int at = transferAccount_->findData(form_.transferAccount); at >= 0 && form_.transferAccount != 0) {
    transferAccount_->setCurrentIndex(at);
  } else {
    transferAccount_->setCurrentIndex(0);
  }
  payee_->setCurrentIndex(-1);
  payee_->setCurrentText(Q(form_.payee));
  amount_->setText(Q(form_.amountText));
  fillCategories();
  recurrence_->setFields(form_.recurrence);
  updateTypeFields();

  bindings_.bind("account", account_);
  bindings_.bind("transfer_account", transferAccount_);
  bindings_.bind("payee", payee_);
  bindings_.bind("amount", amount_);
  bindings_.bind("category", category_);
  recurrence_->bind(bindings_);

  connect(type_, &QComboBox::currentIndexChanged, this, [this] {
    gather();
    fillCategories();
    updateTypeFields();
  });
  connect(payee_, &QComboBox::activated, this, &ScheduleDialog::payeeChosen);
  connect(category_, &QComboBox::currentIndexChanged, this, &ScheduleDialog::fillSubcategories);
  amount_->setFocus();
}

ledger::TransactionType ScheduleDialog::type() const {
  return static_cast<ledger::TransactionType>(std::clamp(type_->currentIndex(), 0, kTypeCount - 1));
}

void ScheduleDialog::fillCategories() {
  const QSignalBlocker block(category_);
  category_->clear();
  category_->addItem(Q(ledger::kNotCategorized), 0);
  const bool expense = type() != ledger::TransactionType::Deposit;
  for (const ledger::CategoryLine& line : ledger::TopLevelCategories(context_.data, expense)) {
    if (line.name == ledger::kNotCategorized) continue;
    category_->addItem(Q(line.name), line.key);
  }
  const int at = category_->findData(form_.category);
  category_->setCurrentIndex(at >= 0 ? at : 0);
  fillSubcategories();
}

void ScheduleDialog::fillSubcategories() {
  const QSignalBlocker block(subcategory_);
  const ledger::CategoryKey keep = subcategory_->count() > 0 ? subcategory_->currentData().toInt() : form_.subcategory;
  subcategory_->clear();
  subcategory_->addItem(QString(), 0);
  const ledger::CategoryKey parent = category_->currentData().toInt();
  if (parent > 0) {
    for (const ledger::CategoryLine& line : ledger::Subcategories(context_.data, parent)) {
      subcategory_->addItem(Q(line.name), line.key);
    }
  }
  const int at = subcategory_->findData(keep != 0 ? keep : form_.subcategory);
  subcategory_->setCurrentIndex(at >= 0 ? at : 0);
}

void ScheduleDialog::updateTypeFields() {
  const bool transfer = type() == ledger::TransactionType::Transfer;
  payeeLabel_->setText(transfer ? tr("Accou&nt:") : tr("&Payee:"));
  payeeLabel_->setBuddy(transfer ? static_cast<QWidget*>(transferAccount_) : payee_);
  payee_->setVisible(!transfer);
  transferAccount_->setVisible(transfer);
  category_->setEnabled(!transfer);
  subcategory_->setEnabled(!transfer);
}

void ScheduleDialog::payeeChosen() {
  gather();
  const int at = payee_->findText(payee_->currentText(), Qt::MatchFixedString);
  if (at < 0 || !planning::ChooseSchedulePayee(context_.data, form_, payee_->itemData(at).toInt())) return;
  {
    const QSignalBlocker block(category_);
    const int chosen = category_->findData(form_.category);
    category_->setCurrentIndex(chosen >= 0 ? chosen : 0);
  }
  subcategory_->clear();
  fillSubcategories();
}

void ScheduleDialog::gather() {
  form_.account = account_->currentData().toInt();
  form_.type = type();
  form_.payee = S(payee_->currentText().trimmed());
  const QString typedAccount = transferAccount_->currentText().trimmed();
  const int chosen = transferAccount_->findText(typedAccount, Qt::MatchFixedString);
  form_.transferAccount = chosen >= 0 ? transferAccount_->itemData(chosen).toInt() : 0;
  form_.transferAccountName = S(typedAccount);
  form_.amountText = S(amount_->text().trimmed());
  form_.category = category_->currentData().toInt();
  form_.subcategory = subcategory_->currentData().toInt();
  form_.recurrence = recurrence_->fields();
}

bool ScheduleDialog::save() {
  if (!CommitDateFields(this)) return false;
  gather();
  planning::ScheduleKey saved = 0;
  const store::Status status = planning::SaveSchedule(context_.data, form_, &saved);
  if (!status) {
    ShowStatus(context_.prompter, status);
    return false;
  }
  changed_ = true;
  saved_ = saved != 0 ? saved : form_.key.value_or(0);
  return true;
}

// ---------------------------------------------------------------- entry points

bool RunScheduleList(GuiContext& context, QWidget* parent, bool overdueOnly) {
  ScheduleListWindow window(context, parent, overdueOnly);
  window.exec();
  return window.changed();
}

bool RunScheduleFromTransaction(GuiContext& context, QWidget* parent, ledger::TransactionKey key) {
  std::optional<planning::ScheduleForm> form = planning::ScheduleFormFromTransaction(context.data, key);
  if (!form) return false;
  ScheduleDialog dialog(context, parent, std::move(*form));
  dialog.exec();
  return dialog.changed();
}

}  // namespace tallyvane::gui
