#include "gui/dialogs/split_editor.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/dialogs/form_support.h"
#include "gui/gui_context.h"
#include "ledger/categories.h"
#include "ledger/transactions.h"

namespace tallyvane::gui {
namespace {

// The category cell: any category by its full name, or a name typed in.
class CategoryDelegate final : public QStyledItemDelegate {
 public:
  CategoryDelegate(QStringList names, QObject* parent) : QStyledItemDelegate(parent), names_(std::move(names)) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(names_);
    return combo;
  }
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    static_cast<QComboBox*>(editor)->setCurrentText(index.data(Qt::EditRole).toString());
  }
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
    model->setData(index, static_cast<QComboBox*>(editor)->currentText(), Qt::EditRole);
  }

 private:
  QStringList names_;
};

QStringList CategoryNames(store::DataContext& data) {
  QStringList names{Q(ledger::kNotCategorized)};
  for (const ledger::CategoryLine& line : ledger::CategoryWindowLines(data)) names << Q(line.fullName);
  return names;
}

}  // namespace

SplitLineModel::SplitLineModel(GuiContext& context, QObject* parent) : QAbstractTableModel(parent), context_(context) {}

void SplitLineModel::setLines(std::vector<ledger::SplitLineInput> lines) {
  beginResetModel();
  lines_ = std::move(lines);
  endResetModel();
}

void SplitLineModel::addLine(ledger::SplitLineInput line) {
  const int row = static_cast<int>(lines_.size());
  beginInsertRows({}, row, row);
  lines_.push_back(std::move(line));
  endInsertRows();
}

std::vector<ledger::SplitLineKey> SplitLineModel::removeRows(std::vector<int> rows) {
  std::vector<ledger::SplitLineKey> removed;
  std::sort(rows.begin(), rows.end(), std::greater<>());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  for (int row : rows) {
    if (row < 0 || row >= rowCount()) continue;
    beginRemoveRows({}, row, row);
    const auto at = lines_.begin() + row;
    if (at->key) removed.push_back(*at->key);
    lines_.erase(at);
    endRemoveRows();
  }
  return removed;
}

store::Money SplitLineModel::sum(int exceptRow) const {
  std::vector<ledger::SplitLineInput> counted;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (static_cast<int>(i) != exceptRow) counted.push_back(lines_[i]);
  }
  return ledger::SplitLinesSum(context_.data.regional(), counted);
}

int SplitLineModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

int SplitLineModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant SplitLineModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const ledger::SplitLineInput& line = lines_[static_cast<std::size_t>(index.row())];
  const bool money = index.column() == PaymentColumn || index.column() == DepositColumn;
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      switch (index.column()) {
        case CategoryColumn:
          return Q(line.category);
        case NoteColumn:
          return Q(line.note);
        case PaymentColumn:
          return Q(line.payment);
        case DepositColumn:
          return Q(line.deposit);
        default:
          return {};
      }
    case Qt::TextAlignmentRole:
      if (money) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::FontRole:
      if (money) return MoneyFont();
      return {};
    default:
      return {};
  }
}

QVariant SplitLineModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case CategoryColumn:
      return tr("Category");
    case NoteColumn:
      return tr("Note");
    case PaymentColumn:
      return tr("Payment");
    case DepositColumn:
      return tr("Deposit");
    default:
      return {};
  }
}

Qt::ItemFlags SplitLineModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool SplitLineModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole) return false;
  ledger::SplitLineInput& line = lines_[static_cast<std::size_t>(index.row())];
  const std::string text = S(value.toString().trimmed());
  switch (index.column()) {
    case CategoryColumn:
      line.category = text;
      break;
    case NoteColumn:
      line.note = S(value.toString());
      break;
    case PaymentColumn:
    case DepositColumn: {
      const bool payment = index.column() == PaymentColumn;
      if (!text.empty() && !store::IsValidMoneyText(context_.data.regional(), text)) {
        context_.prompter.balloon(payment ? "payment" : "deposit", "",
                                  payment ? "Please enter a valid payment amount." : "Please enter a valid deposit amount.");
        return false;
      }
      // A line is a payment or a deposit, never both.
      (payment ? line.payment : line.deposit) = text;
      if (!text.empty()) (payment ? line.deposit : line.payment).clear();
      emit dataChanged(this->index(index.row(), PaymentColumn), this->index(index.row(), DepositColumn));
      return true;
    }
    default:
      return false;
  }
  emit dataChanged(index, index);
  return true;
}

SplitEditor::SplitEditor(GuiContext& context, QWidget* parent, ledger::TransactionKey parentKey)
    : QDialog(parent),
      context_(context),
      bindings_(context.prompter, this),
      parentKey_(parentKey),
      model_(new SplitLineModel(context, this)),
      view_(new QTableView(this)),
      allocated_(new QLabel(this)) {
  const auto parentRow = ledger::LoadTransaction(context.data.db(), parentKey);
  opened_ = parentRow.has_value();
  if (parentRow) parentAmount_ = parentRow->amount;
  build(ledger::OpenSplitEditor(context.data, parentKey));
}

SplitEditor::SplitEditor(GuiContext& context, QWidget* parent, store::Money parentAmount,
                         std::vector<ledger::SplitLineInput> lines)
    : QDialog(parent),
      context_(context),
      bindings_(context.prompter, this),
      parentAmount_(parentAmount),
      opened_(true),
      model_(new SplitLineModel(context, this)),
      view_(new QTableView(this)),
      allocated_(new QLabel(this)) {
  build(std::move(lines));
}

void SplitEditor::build(std::vector<ledger::SplitLineInput> lines) {
  GuiContext& context = context_;
  setWindowTitle(tr("Split Transactions"));
  const store::RegionalSettings& regional = context.data.regional();
  const store::Money magnitude(std::llabs(parentAmount_.minorUnits()));

  auto* amountLabel = new QLabel(this);
  amountLabel->setObjectName(QStringLiteral("parent_amount"));
  amountLabel->setText(Q(store::FormatMoney(regional, magnitude)));
  amountLabel->setFont(MoneyFont());
  amountLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  allocated_->setObjectName(QStringLiteral("allocated"));
  allocated_->setFont(MoneyFont());
  allocated_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* amounts = new QFormLayout;
  amounts->setLabelAlignment(Qt::AlignLeft);
  amounts->addRow(parentAmount_.minorUnits() <= 0 ? tr("Payment Amount:") : tr("Deposit Amount:"), amountLabel);
  amounts->addRow(tr("Allocated Amount:"), allocated_);

  view_->setObjectName(QStringLiteral("lines"));
  view_->setModel(model_);
  view_->setItemDelegateForColumn(SplitLineModel::CategoryColumn, new CategoryDelegate(CategoryNames(context.data), this));
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
  view_->verticalHeader()->hide();
  view_->horizontalHeader()->setSectionResizeMode(SplitLineModel::CategoryColumn, QHeaderView::Stretch);
  view_->horizontalHeader()->setSectionResizeMode(SplitLineModel::NoteColumn, QHeaderView::Stretch);
  const int moneyWidth = view_->fontMetrics().horizontalAdvance(QStringLiteral("0,000,000,000.00")) + 16;
  view_->horizontalHeader()->setSectionResizeMode(SplitLineModel::PaymentColumn, QHeaderView::Fixed);
  view_->horizontalHeader()->setSectionResizeMode(SplitLineModel::DepositColumn, QHeaderView::Fixed);
  view_->setColumnWidth(SplitLineModel::PaymentColumn, moneyWidth);
  view_->setColumnWidth(SplitLineModel::DepositColumn, moneyWidth);
  model_->setLines(std::move(lines));

  auto* addButton = new QPushButton(tr("&Add Split"), this);
  addButton->setObjectName(QStringLiteral("add_split"));
  addButton->setAutoDefault(false);
  addButton->setToolTip(tr("Add a line holding the amount not yet allocated"));
  auto* deleteButton = new QPushButton(tr("&Delete Split"), this);
  deleteButton->setObjectName(QStringLiteral("delete_split"));
  deleteButton->setAutoDefault(false);
  deleteButton->setToolTip(tr("Remove the selected lines"));
  connect(addButton, &QPushButton::clicked, this, &SplitEditor::addSplit);
  connect(deleteButton, &QPushButton::clicked, this, &SplitEditor::deleteSplits);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
  buttons->addButton(addButton, QDialogButtonBox::ActionRole);
  buttons->addButton(deleteButton, QDialogButtonBox::ActionRole);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (save()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* top = new QHBoxLayout;
  top->addLayout(amounts);
  top->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(view_, 1);
  layout->addWidget(buttons);
  resize(680, 360);

  bindings_.bind("payment", view_);
  bindings_.bind("deposit", view_);
  bindings_.bind("amount", view_);
  // The sum refusal names no field: it belongs at the allocated amount.
  bindings_.bind("", allocated_);

  connect(model_, &QAbstractItemModel::dataChanged, this, &SplitEditor::updateAllocated);
  connect(model_, &QAbstractItemModel::rowsInserted, this, &SplitEditor::updateAllocated);
  connect(model_, &QAbstractItemModel::rowsRemoved, this, &SplitEditor::updateAllocated);
  connect(model_, &QAbstractItemModel::modelReset, this, &SplitEditor::updateAllocated);
  updateAllocated();
  view_->setFocus();
  if (model_->rowCount() > 0) view_->setCurrentIndex(model_->index(0, SplitLineModel::CategoryColumn));
}

void SplitEditor::updateAllocated() {
  // Shown with the sign the user thinks in: payments as positive amounts.
  const store::Money sum = model_->sum();
  const store::Money shown = parentAmount_.minorUnits() < 0 ? -sum : sum;
  allocated_->setText(Q(store::FormatMoney(context_.data.regional(), shown)));
}

void SplitEditor::addSplit() {
  model_->addLine(ledger::RemainderSplitLine(context_.data.regional(), parentAmount_, model_->lines()));
  const QModelIndex added = model_->index(model_->rowCount() - 1, SplitLineModel::CategoryColumn);
  view_->setCurrentIndex(added);
  view_->edit(added);
}

void SplitEditor::deleteSplits() {
  std::vector<int> rows;
  for (const QModelIndex& index : view_->selectionModel()->selectedRows()) rows.push_back(index.row());
  if (rows.empty() && view_->currentIndex().isValid()) rows.push_back(view_->currentIndex().row());
  for (ledger::SplitLineKey key : model_->removeRows(std::move(rows))) removed_.push_back(key);
}

bool SplitEditor::save() {
  // An edit still open belongs to the lines being saved.
  if (QWidget* editor = view_->indexWidget(view_->currentIndex())) {
    QMetaObject::invokeMethod(view_, "commitData", Q_ARG(QWidget*, editor));
  }
  const store::Status status =
      parentKey_ ? ledger::SaveSplitLines(context_.data, *parentKey_, model_->lines(), removed_)
                 : ledger::CheckSplitLines(context_.data.regional(), parentAmount_, model_->lines());
  if (!status) {
    ShowStatus(context_.prompter, status);
    return false;
  }
  return true;
}

}  // namespace tallyvane::gui
