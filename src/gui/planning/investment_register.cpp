#include "gui/planning/investment_register.h"

#include <QAction>
#include <QBrush>
#include <QComboBox>
#include "gui/date_field.h"
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/dialogs/form_support.h"
#include "gui/gui_context.h"
#include "planning/securities.h"
#include "store/dates.h"
#include "store/money.h"

namespace tallyvane::gui {

namespace {

constexpr const char* kDateText = "yyyy-MM-dd";
constexpr int kActionCount = 7;
const QColor kNegative(0xc0, 0x1c, 0x28);

QDate DateOf(const std::string& text) { return QDate::fromString(Q(text.substr(0, 10)), QLatin1String(kDateText)); }
std::string DateString(const QDate& date) { return S(date.toString(QLatin1String(kDateText))); }

}  // namespace

// ---------------------------------------------------------------- model

InvestmentModel::InvestmentModel(GuiContext& context, QObject* parent)
    : QAbstractTableModel(parent), context_(context) {}

void InvestmentModel::setRows(std::vector<planning::InvestmentRegisterRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

int InvestmentModel::rowOfKey(planning::InvestmentKey key) const {
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].row.key == key) return static_cast<int>(i);
  }
  return -1;
}

int InvestmentModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int InvestmentModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant InvestmentModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const planning::InvestmentRegisterRow& line = rows_[static_cast<std::size_t>(index.row())];
  const int column = index.column();
  const store::RegionalSettings& regional = context_.data.regional();
  auto moneyOf = [&line](int c) -> std::optional<store::Money> {
    switch (c) {
      case Price:
        // The stored price carries the action's sign; a price per share reads
        // as what was paid or got, and rows without one show none.
        if (line.row.price.minorUnits() == 0) return std::nullopt;
        return line.row.price.minorUnits() < 0 ? -line.row.price : line.row.price;
      case Value:
        return line.value;
      case Total:
        return line.row.total;
      case RunningTotal:
        return line.totalRunning;
      default:
        return std::nullopt;
    }
  };
  switch (role) {
    case Qt::DisplayRole:
      switch (column) {
        case Date:
          return Q(store::PrintedDate(regional, line.row.date));
        case Action:
          return Q(line.action);
        case Security:
          return Q(line.security);
        case Note:
          return Q(line.note);
        case Shares:
          return QLocale(QLocale::English).toString(static_cast<qlonglong>(line.row.shares));
        case RunningShares:
          return line.sharesRunning ? QLocale(QLocale::English).toString(static_cast<qlonglong>(*line.sharesRunning))
                                    : QString();
        default:
          if (const auto amount = moneyOf(column)) return Q(store::FormatMoney(regional, *amount));
          return {};
      }
    case Qt::CheckStateRole:
      if (column == Cleared) return line.row.cleared ? Qt::Checked : Qt::Unchecked;
      return {};
    case Qt::TextAlignmentRole:
      if (column >= Shares) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      if (column == Cleared) return QVariant::fromValue(Qt::AlignCenter);
      return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::FontRole:
      if (column >= Shares) return MoneyFont();
      return {};
    case Qt::ForegroundRole: {
      if (const auto amount = moneyOf(column); amount && amount->minorUnits() < 0) return QBrush(kNegative);
      if ((column == Shares && line.row.shares < 0) ||
          (column == RunningShares && line.sharesRunning && *line.sharesRunning < 0)) {
        return QBrush(kNegative);
      }
      return {};
    }
    case Qt::ToolTipRole:
      if (column == Note && !line.note.empty()) return Q(line.note);
      if (column == Cleared) return tr("Cleared");
      return {};
    default:
      return {};
  }
}

QVariant InvestmentModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::TextAlignmentRole) {
    return QVariant::fromValue(section >= Shares ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
  }
  if (role == Qt::ToolTipRole) {
    switch (section) {
      case Cleared:
        return tr("Cleared");
      case RunningShares:
        return tr("Shares held after this row");
      case Value:
        return tr("Shares times price, for purchases and sales");
      case RunningTotal:
        return tr("Total cost of the rows so far");
      default:
        return {};
    }
  }
  if (role != Qt::DisplayRole) return {};
  switch (section) {
    case Cleared:
      return QStringLiteral("C");
    case Date:
      return tr("Date");
    case Action:
      return tr("Action");
    case Security:
      return tr("Security");
    case Note:
      return tr("Note");
    case Shares:
      return tr("Shares");
    case RunningShares:
      return tr("Total Shares");
    case Price:
      return tr("Price");
    case Value:
      return tr("Value");
    case Total:
      return tr("Total Cost");
    case RunningTotal:
      return tr("Running Total");
    default:
      return {};
  }
}

// ---------------------------------------------------------------- register

InvestmentRegister::InvestmentRegister(GuiContext& context, QWidget* parent) : QWidget(parent), context_(context) {
  setObjectName(QStringLiteral("investmentRegister"));
  model_ = new InvestmentModel(context, this);
  view_ = new QTableView(this);
  view_->setObjectName(QStringLiteral("investments"));
  view_->setModel(model_);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->verticalHeader()->hide();
  view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
  view_->setWordWrap(false);
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  const int digit = view_->fontMetrics().horizontalAdvance(QLatin1Char('0'));
  QHeaderView* header = view_->horizontalHeader();
  header->resizeSection(InvestmentModel::Cleared, digit * 4);
  header->resizeSection(InvestmentModel::Date, view_->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000")) + digit * 3);
  header->resizeSection(InvestmentModel::Action, digit * 12);
  header->resizeSection(InvestmentModel::Security, digit * 18);
  header->setSectionResizeMode(InvestmentModel::Note, QHeaderView::Stretch);
  header->setMinimumSectionSize(digit * 3);
  const int money = QFontMetrics(MoneyFont()).horizontalAdvance(QStringLiteral("-$00,000.00")) + digit;
  for (int column : {InvestmentModel::Price, InvestmentModel::Value, InvestmentModel::Total,
                     InvestmentModel::RunningTotal}) {
    header->resizeSection(column, money);
  }
  for (int column : {InvestmentModel::Shares, InvestmentModel::RunningShares}) header->resizeSection(column, digit * 9);
  // No heading is cut short.
  const QFontMetrics headings(header->font());
  for (int column = InvestmentModel::Shares; column < InvestmentModel::ColumnCount; ++column) {
    const int needed = headings.horizontalAdvance(model_->headerData(column, Qt::Horizontal).toString()) + digit * 3;
    header->resizeSection(column, std::max(header->sectionSize(column), needed));
  }

  auto action = [this](const char* name, const QString& text, const QString& tip, void (InvestmentRegister::*slot)()) {
    auto* a = new QAction(text, this);
    a->setObjectName(QLatin1String(name));
    a->setToolTip(tip);
    a->setStatusTip(tip);
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(a, &QAction::triggered, this, slot);
    addAction(a);
    return a;
  };
  add_ = action("addInvestment", tr("&Add Investment..."), tr("Record a purchase, sale or other investment action"),
                &InvestmentRegister::addInvestment);
  add_->setShortcut(QKeySequence::New);
  edit_ = action("editInvestment", tr("&Edit Investment..."), tr("Change the selected investment"),
                 &InvestmentRegister::editInvestment);
  edit_->setShortcut(Qt::Key_Return);
  delete_ = action("deleteInvestment", tr("&Delete Investment"), tr("Delete the selected investments"),
                   &InvestmentRegister::deleteInvestments);
  delete_->setShortcut(QKeySequence::Delete);
  find_ = action("findInvestment", tr("&Find Investment..."), tr("Find an investment by security or amount"),
                 &InvestmentRegister::promptFind);
  find_->setShortcut(QKeySequence::Find);
  findNext_ = action("findNextInvestment", tr("Find &Next"), tr("Find the next matching investment"),
                     &InvestmentRegister::findNext);
  findNext_->setShortcut(QKeySequence::FindNext);
  auto* menu = new QMenu(this);
  menu->setToolTipsVisible(true);
  menu->addAction(add_);
  menu->addAction(edit_);
  menu->addAction(delete_);
  menu->addSeparator();
  menu->addAction(find_);
  menu->addAction(findNext_);
  connect(view_, &QWidget::customContextMenuRequested, this,
          [this, menu](const QPoint& at) { menu->popup(view_->viewport()->mapToGlobal(at)); });
  connect(view_, &QAbstractItemView::doubleClicked, this, &InvestmentRegister::editInvestment);
  connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &InvestmentRegister::updateActions);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  updateActions();
}

void InvestmentRegister::fill(planning::AccountKey account, const std::string& from, const std::string& to) {
  if (account != account_) findText_.clear();
  account_ = account;
  from_ = from;
  to_ = to;
  refill();
}

void InvestmentRegister::refill() {
  const std::vector<planning::InvestmentKey> keep = selectedKeys();
  const std::optional<planning::InvestmentKey> current = currentKey();
  model_->setRows(planning::InvestmentRegisterRows(context_.data, account_, from_, to_));
  for (planning::InvestmentKey key : keep) {
    if (const int row = model_->rowOfKey(key); row >= 0) {
      view_->selectionModel()->select(model_->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }
  if (current && model_->rowOfKey(*current) >= 0) {
    view_->selectionModel()->setCurrentIndex(model_->index(model_->rowOfKey(*current), InvestmentModel::Date),
                                             QItemSelectionModel::NoUpdate);
  } else if (keep.empty() && model_->rowCount() > 0) {
    // As the bank register: the latest row.
    selectKey(model_->rows().back().row.key);
  }
  updateActions();
}

std::vector<planning::InvestmentKey> InvestmentRegister::selectedKeys() const {
  std::vector<planning::InvestmentKey> keys;
  for (const QModelIndex& index : view_->selectionModel()->selectedRows()) {
    keys.push_back(model_->rows()[static_cast<std::size_t>(index.row())].row.key);
  }
  return keys;
}

std::optional<planning::InvestmentKey> InvestmentRegister::currentKey() const {
  const QModelIndex index = view_->currentIndex();
  if (!index.isValid() || index.row() >= model_->rowCount()) return std::nullopt;
  return model_->rows()[static_cast<std::size_t>(index.row())].row.key;
}

void InvestmentRegister::selectKey(planning::InvestmentKey key) {
  const int row = model_->rowOfKey(key);
  if (row < 0) return;
  const QModelIndex index = model_->index(row, InvestmentModel::Date);
  view_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  view_->scrollTo(index);
}

void InvestmentRegister::updateActions() {
  const bool any = account_ != 0;
  const std::vector<planning::InvestmentKey> keys = selectedKeys();
  add_->setEnabled(any);
  edit_->setEnabled(any && keys.size() == 1);
  delete_->setEnabled(any && !keys.empty());
  find_->setEnabled(any && model_->rowCount() > 0);
  findNext_->setEnabled(any && model_->rowCount() > 0 && !findText_.empty());
}

void InvestmentRegister::addInvestment() {
  if (account_ == 0) return;
  InvestmentDialog dialog(context_, this, planning::NewInvestmentForm(context_.data, account_));
  dialog.exec();
  if (!dialog.savedKey()) return;
  refill();
  selectKey(*dialog.savedKey());
  emit changed();
}

void InvestmentRegister::editInvestment() {
  const std::vector<planning::InvestmentKey> keys = selectedKeys();
  if (keys.size() != 1) return;
  std::optional<planning::InvestmentForm> form = planning::OpenInvestmentForm(context_.data, keys.front());
  if (!form) return;
  InvestmentDialog dialog(context_, this, std::move(*form));
  dialog.exec();
  if (!dialog.savedKey()) return;
  refill();
  emit changed();
}

void InvestmentRegister::deleteInvestments() {
  const store::Status status =
      planning::DeleteInvestmentsFromRegister(context_.data, selectedKeys(), context_.prompter);
  if (!status) {
    ShowStatus(context_.prompter, status);
    return;
  }
  view_->clearSelection();
  refill();
  emit changed();
}

void InvestmentRegister::promptFind() {
  if (model_->rowCount() == 0) return;
  bool ok = false;
  const QString text = QInputDialog::getText(this, tr("Find an investment"), tr("Find &what:"), QLineEdit::Normal,
                                             Q(findText_), &ok);
  if (!ok || text.trimmed().isEmpty()) return;
  find(S(text));
}

void InvestmentRegister::find(const std::string& text) {
  findText_ = text;
  select(planning::InvestmentFind(context_.data, model_->rows(), findText_, std::nullopt));
}

void InvestmentRegister::findNext() {
  if (findText_.empty()) {
    promptFind();
    return;
  }
  select(planning::InvestmentFind(context_.data, model_->rows(), findText_, currentKey()));
}

void InvestmentRegister::select(const planning::InvestmentFindResult& found) {
  if (found.key) {
    selectKey(*found.key);
  } else {
    context_.prompter.message(found.status.title, found.status.message, store::Icon::Information);
  }
  updateActions();
}

// ---------------------------------------------------------------- form

InvestmentDialog::InvestmentDialog(GuiContext& context, QWidget* parent, planning::InvestmentForm form)
    : QDialog(parent), context_(context), bindings_(context.prompter, this), form_(std::move(form)) {
  setObjectName(QStringLiteral("investmentForm"));
  setWindowTitle(Q(planning::InvestmentFormTitle(context.data, form_)));
  date_ = new DateField(DateOf(form_.date), this);
  date_->setObjectName(QStringLiteral("date"));
  date_->setCalendarPopup(true);
  date_->setDisplayFormat(DateFormat(context.data.regional()));
  action_ = new QComboBox(this);
  action_->setObjectName(QStringLiteral("action"));
  for (int i = 0; i < kActionCount; ++i) action_->addItem(Q(planning::InvestmentActionLabel(i)), i);
  action_->setCurrentIndex(static_cast<int>(form_.action));
  security_ = new QComboBox(this);
  security_->setObjectName(QStringLiteral("security"));
  security_->setEditable(true);
  security_->setInsertPolicy(QComboBox::NoInsert);
  security_->setToolTip(tr("Choose a security or type the name of a new one"));
  for (const planning::SecurityLine& line : planning::SecurityListLines(context.data)) {
    security_->addItem(Q(line.name), line.key);
  }
  security_->setCurrentIndex(-1);
  security_->setCurrentText(Q(form_.security));
  note_ = new QLineEdit(Q(form_.note), this);
  note_->setObjectName(QStringLiteral("note"));
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

  auto* fields = new QFormLayout;
  fields->addRow(tr("&Date:"), date_);
  fields->addRow(tr("A&ction:"), action_);
  fields->addRow(tr("&Security:"), security_);
  fields->addRow(tr("N&ote:"), note_);
  fields->addRow(tr("S&hares:"), shares_);
  fields->addRow(tr("&Price paid:"), price_);
  fields->addRow(tr("Co&mmission:"), commission_);
  fields->addRow(tr("&Total cost:"), total_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (save()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(buttons);
  setMinimumWidth(420);

  for (auto [name, widget] : {std::pair<const char*, QWidget*>{"date", date_}, {"security", security_},
                              {"shares", shares_}, {"price", price_}, {"commission", commission_},
                              {"total", total_}}) {
    bindings_.bind(name, widget);
  }
  (form_.key ? static_cast<QWidget*>(shares_) : static_cast<QWidget*>(date_))->setFocus();
}

bool InvestmentDialog::save() {
  if (!CommitDateFields(this)) return false;
  planning::InvestmentForm form = form_;
  form.date = DateString(date_->date());
  form.action = static_cast<planning::InvestmentAction>(std::clamp(action_->currentIndex(), 0, kActionCount - 1));
  form.security = S(security_->currentText().trimmed());
  form.note = S(note_->text());
  form.sharesText = S(shares_->text().trimmed());
  form.priceText = S(price_->text().trimmed());
  form.commissionText = S(commission_->text().trimmed());
  form.totalText = S(total_->text().trimmed());
  const planning::InvestmentEntryResult result = planning::EnterInvestment(context_.data, form, context_.prompter);
  if (!result.status) {
    ShowStatus(context_.prompter, result.status);
    return false;
  }
  saved_ = result.key ? result.key : form.key;
  return true;
}

}  // namespace tallyvane::gui
