#include "gui/statements/review_window.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>
#include <QHBoxLayout>

#include "gui/dialogs/form_support.h"
#include "gui/gui_context.h"
#include "gui/qt_progress.h"
#include "ledger/balances.h"
#include "store/money.h"

namespace tallyvane::gui {
namespace {

QVariant MoneyAlignment() { return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter); }

void SetUpTable(QTableView* view, const char* name) {
  view->setObjectName(QLatin1String(name));
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setAlternatingRowColors(true);
  view->verticalHeader()->hide();
  // Every row has the same height, so a long statement lays out without
  // measuring each row.
  view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
  view->horizontalHeader()->setStretchLastSection(false);
  view->setWordWrap(false);
}


// Return or Enter in a cell's list takes the choice at once; left to the
// view, the key would go on to the window's default button.
bool CommitOnReturn(QStyledItemDelegate* delegate, QObject* editor, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  const int key = static_cast<QKeyEvent*>(event)->key();
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
  auto* widget = qobject_cast<QWidget*>(editor);
  if (widget == nullptr) return false;
  emit delegate->commitData(widget);
  emit delegate->closeEditor(widget, QAbstractItemDelegate::NoHint);
  return true;
}

}  // namespace

// ---------------------------------------------------------------- candidates

ReviewRowModel::ReviewRowModel(import::ImportReview& review, const store::RegionalSettings& regional, QObject* parent)
    : QAbstractTableModel(parent), review_(review), regional_(regional) {}

int ReviewRowModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(review_.rows().size());
}

int ReviewRowModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant ReviewRowModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<std::size_t>(index.row()) >= review_.rows().size()) return {};
  const import::ReviewRow& row = review_.rows()[static_cast<std::size_t>(index.row())];
  const int column = index.column();
  switch (role) {
    case Qt::CheckStateRole:
      if (column == Tick) return row.ticked ? Qt::Checked : Qt::Unchecked;
      return {};
    case Qt::DisplayRole:
    case Qt::EditRole:
      switch (column) {
        case Date:
          return Q(row.date);
        case Payee:
          return Q(row.payee);
        case Category:
          return Q(row.category);
        case Payment:
          return Q(row.payment);
        case Deposit:
          return Q(row.deposit);
        default:
          return {};
      }
    case Qt::TextAlignmentRole:
      if (column >= Payment) return MoneyAlignment();
      return {};
    case Qt::FontRole:
      if (column >= Payment) return MoneyFont();
      return {};
    case Qt::ForegroundRole:
      // A row already in the account reads as set aside until it is ticked.
      if (row.matchedBy && !row.ticked) return QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text);
      return {};
    case Qt::ToolTipRole:
      if (row.matchedBy && column == Tick) return tr("Already in the account: the same date and amount");
      return {};
    default:
      return {};
  }
}

QVariant ReviewRowModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::TextAlignmentRole) {
    return section >= Payment ? MoneyAlignment() : QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  }
  if (role != Qt::DisplayRole) return {};
  switch (section) {
    case Tick:
      return tr("Import");
    case Date:
      return tr("Date");
    case Payee:
      return tr("Payee");
    case Category:
      return tr("Category");
    case Payment:
      return tr("Payment");
    case Deposit:
      return tr("Deposit");
    default:
      return {};
  }
}

Qt::ItemFlags ReviewRowModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (index.column() == Tick) flags |= Qt::ItemIsUserCheckable;
  if (index.column() == Category) flags |= Qt::ItemIsEditable;
  return flags;
}

bool ReviewRowModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || static_cast<std::size_t>(index.row()) >= review_.rows().size()) return false;
  import::ReviewRow& row = review_.rows()[static_cast<std::size_t>(index.row())];
  if (index.column() == Tick && role == Qt::CheckStateRole) {
    row.ticked = value.value<Qt::CheckState>() == Qt::Checked;
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), ColumnCount - 1));
    emit ticksChanged();
    return true;
  }
  if (index.column() == Category && role == Qt::EditRole) {
    row.category = S(value.toString());
    emit dataChanged(index, index, {Qt::DisplayRole});
    return true;
  }
  return false;
}

// ---------------------------------------------------------------- existing

ExistingRowModel::ExistingRowModel(const import::ImportReview& review, QObject* parent)
    : QAbstractTableModel(parent), review_(review) {}

int ExistingRowModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(std::min<std::int64_t>(review_.existingCount(), INT32_MAX));
}

const import::ExistingRow* ExistingRowModel::rowAt(int row) const {
  if (row < 0 || row >= rowCount()) return nullptr;
  const int number = row / kPageSize;
  auto found = pages_.find(number);
  if (found == pages_.end()) {
    while (pages_.size() >= kPagesKept) {
      pages_.erase(recent_.back());
      recent_.pop_back();
    }
    found = pages_.emplace(number, review_.existingRows(static_cast<std::int64_t>(number) * kPageSize, kPageSize)).first;
  } else {
    recent_.remove(number);
  }
  recent_.push_front(number);
  const auto offset = static_cast<std::size_t>(row % kPageSize);
  return offset < found->second.size() ? &found->second[offset] : nullptr;
}

int ExistingRowModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant ExistingRowModel::data(const QModelIndex& index, int role) const {
  const import::ExistingRow* line = index.isValid() ? rowAt(index.row()) : nullptr;
  if (line == nullptr) return {};
  const import::ExistingRow& row = *line;
  const int column = index.column();
  if (role == Qt::TextAlignmentRole) return column >= Payment ? MoneyAlignment() : QVariant();
  if (role == Qt::FontRole) return column >= Payment ? QVariant(MoneyFont()) : QVariant();
  if (role != Qt::DisplayRole) return {};
  switch (column) {
    case Date:
      return Q(row.date);
    case Payee:
      return Q(row.payee);
    case Note:
      return Q(row.note);
    case Payment:
      return Q(row.payment);
    case Deposit:
      return Q(row.deposit);
    default:
      return {};
  }
}

QVariant ExistingRowModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::TextAlignmentRole) {
    return section >= Payment ? MoneyAlignment() : QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  }
  if (role != Qt::DisplayRole) return {};
  static const char* const titles[] = {"Date", "Payee", "Note", "Payment", "Deposit"};
  return section >= 0 && section < ColumnCount ? QObject::tr(titles[section]) : QVariant();
}

// ---------------------------------------------------------------- category cell

CategoryChoiceDelegate::CategoryChoiceDelegate(QStringList choices, QObject* parent)
    : QStyledItemDelegate(parent), choices_(std::move(choices)) {}

QWidget* CategoryChoiceDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const {
  auto* box = new QComboBox(parent);
  box->setObjectName(QStringLiteral("category_choice"));
  box->addItems(choices_);
  box->setMaxVisibleItems(20);
  return box;
}

void CategoryChoiceDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  auto* box = static_cast<QComboBox*>(editor);
  const int at = box->findText(index.data(Qt::EditRole).toString());
  box->setCurrentIndex(at >= 0 ? at : 0);
}

void CategoryChoiceDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
  model->setData(index, static_cast<QComboBox*>(editor)->currentText(), Qt::EditRole);
}

bool CategoryChoiceDelegate::eventFilter(QObject* editor, QEvent* event) {
  return CommitOnReturn(this, editor, event) || QStyledItemDelegate::eventFilter(editor, event);
}

// ---------------------------------------------------------------- window

ImportReviewWindow::ImportReviewWindow(GuiContext& context, QWidget* parent, import::ImportReview& review)
    : QDialog(parent), context_(context), bindings_(context.prompter, this), review_(review) {
  setObjectName(QStringLiteral("importReview"));
  setWindowTitle(tr("Import Transactions"));
  setSizeGripEnabled(true);

  auto* intro = new QLabel(tr("All selected transactions will be imported as new transactions.\n"
                              "New transactions for import:"),
                           this);
  rowModel_ = new ReviewRowModel(review_, context.data.regional(), this);
  rows_ = new QTableView(this);
  SetUpTable(rows_, "rows");
  rows_->setModel(rowModel_);
  QStringList choices;
  for (const std::string& choice : import::ImportReview::CategoryChoices(context.data)) choices << Q(choice);
  rows_->setItemDelegateForColumn(ReviewRowModel::Category, new CategoryChoiceDelegate(choices, rows_));
  rows_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                         QAbstractItemView::EditKeyPressed);
  intro->setBuddy(rows_);
  rows_->installEventFilter(this);
  bindings_.bind("rows", rows_);

  const QFontMetrics metrics(font());
  const int money = QFontMetrics(MoneyFont()).horizontalAdvance(QStringLiteral("-9,999,999.99")) + 16;
  QHeaderView* header = rows_->horizontalHeader();
  header->resizeSection(ReviewRowModel::Tick, metrics.horizontalAdvance(tr("Import")) + 28);
  header->resizeSection(ReviewRowModel::Date, metrics.horizontalAdvance(QStringLiteral("8888-88-88")) + 16);
  header->setSectionResizeMode(ReviewRowModel::Payee, QHeaderView::Stretch);
  header->resizeSection(ReviewRowModel::Category, metrics.averageCharWidth() * 26);
  header->resizeSection(ReviewRowModel::Payment, money);
  header->resizeSection(ReviewRowModel::Deposit, money);

  auto* existingLabel = new QLabel(tr("E&xisting uncleared transactions:"), this);
  existingModel_ = new ExistingRowModel(review_, this);
  existing_ = new QTableView(this);
  SetUpTable(existing_, "existing");
  existing_->setModel(existingModel_);
  existing_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  existingLabel->setBuddy(existing_);
  QHeaderView* existingHeader = existing_->horizontalHeader();
  existingHeader->resizeSection(ExistingRowModel::Date, metrics.horizontalAdvance(QStringLiteral("8888-88-88")) + 16);
  existingHeader->setSectionResizeMode(ExistingRowModel::Payee, QHeaderView::Stretch);
  existingHeader->resizeSection(ExistingRowModel::Note, metrics.averageCharWidth() * 26);
  existingHeader->resizeSection(ExistingRowModel::Payment, money);
  existingHeader->resizeSection(ExistingRowModel::Deposit, money);

  auto* balanceLabel = new QLabel(tr("Balance after import:"), this);
  balance_ = new QLineEdit(this);
  balance_->setObjectName(QStringLiteral("balance_after"));
  balance_->setReadOnly(true);
  balance_->setFocusPolicy(Qt::NoFocus);
  balance_->setAlignment(Qt::AlignRight);
  balance_->setFont(MoneyFont());
  balance_->setMinimumWidth(money + 8);
  balanceLabel->setBuddy(balance_);

  auto* buttons = new QDialogButtonBox(this);
  import_ = buttons->addButton(tr("&Import"), QDialogButtonBox::AcceptRole);
  import_->setObjectName(QStringLiteral("import"));
  import_->setStatusTip(tr("Add the ticked transactions to the account"));
  QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
  cancel->setObjectName(QStringLiteral("cancel"));
  connect(import_, &QPushButton::clicked, this, [this] {
    if (commit()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* top = new QWidget(this);
  auto* topLayout = new QVBoxLayout(top);
  topLayout->setContentsMargins(0, 0, 0, 0);
  topLayout->addWidget(intro);
  topLayout->addWidget(rows_);
  auto* bottom = new QWidget(this);
  auto* bottomLayout = new QVBoxLayout(bottom);
  bottomLayout->setContentsMargins(0, 0, 0, 0);
  bottomLayout->addWidget(existingLabel);
  bottomLayout->addWidget(existing_);
  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->addWidget(top);
  splitter->addWidget(bottom);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 2);
  splitter->setChildrenCollapsible(false);

  auto* balanceRow = new QHBoxLayout;
  balanceRow->addStretch(1);
  balanceRow->addWidget(balanceLabel);
  balanceRow->addWidget(balance_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(splitter, 1);
  layout->addLayout(balanceRow);
  layout->addWidget(buttons);

  connect(rowModel_, &ReviewRowModel::ticksChanged, this, &ImportReviewWindow::ticksChanged);
  ticksChanged();
  resize(std::max(760, metrics.averageCharWidth() * 110), std::max(520, metrics.height() * 32));
  rows_->setFocus();
  if (rowModel_->rowCount() > 0) rows_->setCurrentIndex(rowModel_->index(0, ReviewRowModel::Tick));
}

ImportReviewWindow::~ImportReviewWindow() = default;

bool ImportReviewWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == rows_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const QModelIndex current = rows_->currentIndex();
    if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier && current.isValid()) {
      // A cell's open editor takes its own keys; this sees the view's only.
      const QModelIndex tick = rowModel_->index(current.row(), ReviewRowModel::Tick);
      const bool ticked = tick.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
      rowModel_->setData(tick, ticked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void ImportReviewWindow::ticksChanged() {
  const store::Money balance = review_.balanceAfterImport();
  balance_->setText(Q(store::FormatMoney(context_.data.regional(), balance)));
  QPalette palette = balance_->palette();
  palette.setColor(QPalette::Text, balance.minorUnits() < 0 ? QColor(Qt::red) : this->palette().color(QPalette::Text));
  balance_->setPalette(palette);
  import_->setEnabled(review_.anyTicked());
}

bool ImportReviewWindow::commit() {
  if (!review_.anyTicked()) return false;
  store::Status status;
  {
    QtProgress progress(this);
    status = review_.commit(progress, context_.prompter);
  }
  if (!status) {
    // Nothing was written: the core refused before the first row, or took
    // every row back. The refused row is shown where the balloon points.
    if (const auto row = review_.refusedRow()) {
      rows_->setCurrentIndex(rowModel_->index(static_cast<int>(*row), ReviewRowModel::Tick));
      rows_->scrollTo(rows_->currentIndex());
    }
    if (status.fileError) ShowStatus(context_.prompter, status);
    FocusRefusedField(context_.prompter, status);
    return false;
  }
  ledger::UpdateAllCurrentBalances(context_.data);
  imported_ = true;
  return true;
}

}  // namespace tallyvane::gui
