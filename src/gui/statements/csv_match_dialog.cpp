#include "gui/statements/csv_match_dialog.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/dialogs/form_support.h"
#include "gui/gui_context.h"
#include "gui/qt_progress.h"
#include "import/csv_reader.h"
#include "ledger/accounts.h"
#include "ledger/balances.h"

namespace tallyvane::gui {
namespace {

constexpr const char* kClickToAssign = "Click to assign";
// The preview reads this many lines from the top, so a few data lines show
// whatever the lines to skip.
constexpr std::size_t kPreviewReadLines = 60;
constexpr std::size_t kPreviewRows = 8;


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

// ---------------------------------------------------------------- fields

CsvFieldModel::CsvFieldModel(std::vector<std::string_view> fields, std::vector<std::string> columns, QObject* parent)
    : QAbstractTableModel(parent), fields_(std::move(fields)), columns_(std::move(columns)), assigned_(fields_.size()) {}

int CsvFieldModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : static_cast<int>(fields_.size()); }

int CsvFieldModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QString CsvFieldModel::columnLabel(std::size_t column) const {
  return QObject::tr("%1: %2").arg(column + 1).arg(column < columns_.size() ? Q(columns_[column]) : QString());
}

QVariant CsvFieldModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<std::size_t>(index.row()) >= fields_.size()) return {};
  const auto row = static_cast<std::size_t>(index.row());
  if (role == Qt::ToolTipRole && index.column() == 1) return QObject::tr("Click here to add or change your selection");
  if (role == Qt::EditRole && index.column() == 1) return assigned_[row] ? static_cast<int>(*assigned_[row]) : -1;
  if (role != Qt::DisplayRole) return {};
  if (index.column() == 0) return Q(fields_[row]);
  if (!assigned_[row]) return QObject::tr(kClickToAssign);
  return columnLabel(*assigned_[row]);
}

QVariant CsvFieldModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return section == 0 ? QObject::tr("Field") : QObject::tr("CSV file column");
}

Qt::ItemFlags CsvFieldModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (index.column() == 1) flags |= Qt::ItemIsEditable;
  return flags;
}

bool CsvFieldModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole || index.column() != 1) return false;
  const auto row = static_cast<std::size_t>(index.row());
  if (row >= assigned_.size()) return false;
  const int column = value.toInt();
  if (column >= static_cast<int>(columns_.size())) return false;
  assigned_[row] = column < 0 ? std::nullopt : std::optional(static_cast<std::size_t>(column));
  emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
  return true;
}

CsvColumnDelegate::CsvColumnDelegate(const CsvFieldModel& model, QObject* parent)
    : QStyledItemDelegate(parent), model_(model) {}

QWidget* CsvColumnDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const {
  auto* box = new QComboBox(parent);
  box->setObjectName(QStringLiteral("column_choice"));
  box->addItem(QObject::tr(kClickToAssign), -1);
  for (std::size_t i = 0; i < model_.fileColumns().size(); ++i) box->addItem(model_.columnLabel(i), static_cast<int>(i));
  return box;
}

void CsvColumnDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  auto* box = static_cast<QComboBox*>(editor);
  box->setCurrentIndex(std::max(0, box->findData(index.data(Qt::EditRole).toInt())));
}

void CsvColumnDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
  model->setData(index, static_cast<QComboBox*>(editor)->currentData(), Qt::EditRole);
}

bool CsvColumnDelegate::eventFilter(QObject* editor, QEvent* event) {
  return CommitOnReturn(this, editor, event) || QStyledItemDelegate::eventFilter(editor, event);
}

// ---------------------------------------------------------------- window

CsvMatchDialog::CsvMatchDialog(GuiContext& context, QWidget* parent, ledger::AccountKey account,
                               std::filesystem::path path, std::vector<std::string> columns)
    : QDialog(parent), context_(context), account_(account), path_(std::move(path)) {
  setObjectName(QStringLiteral("csvMatch"));
  const bool investment = ledger::IsInvestmentAccount(context.data, account);
  setWindowTitle(investment ? tr("Match Investment Fields") : tr("Match Fields"));
  setSizeGripEnabled(true);

  import::CsvReader reader;
  if (reader.open(path_).ok) {
    std::vector<std::string> line;
    while (firstLines_.size() < kPreviewReadLines && reader.nextLine(line)) firstLines_.push_back(line);
    reader.close();
  }

  auto* intro = new QLabel(tr("Choose the column of the CSV file each field is read from. The columns are shown by "
                              "number with the texts of the file's first line."),
                           this);
  intro->setWordWrap(true);
  fields_ = new CsvFieldModel(import::CsvFieldNames(context.data, account), std::move(columns), this);
  fieldsView_ = new QTableView(this);
  fieldsView_->setObjectName(QStringLiteral("fields"));
  fieldsView_->setModel(fields_);
  fieldsView_->setItemDelegateForColumn(1, new CsvColumnDelegate(*fields_, fieldsView_));
  fieldsView_->setEditTriggers(QAbstractItemView::AllEditTriggers);
  fieldsView_->setSelectionBehavior(QAbstractItemView::SelectRows);
  fieldsView_->setSelectionMode(QAbstractItemView::SingleSelection);
  fieldsView_->verticalHeader()->hide();
  fieldsView_->horizontalHeader()->setStretchLastSection(true);
  fieldsView_->horizontalHeader()->resizeSection(0, fontMetrics().averageCharWidth() * 24);
  fieldsView_->setToolTip(tr("Click here to add or change your selection"));
  const int rowHeight = fieldsView_->verticalHeader()->defaultSectionSize();
  fieldsView_->setMinimumHeight(rowHeight * (fields_->rowCount() + 1) + 4);
  intro->setBuddy(fieldsView_);

  skip_ = new QSpinBox(this);
  skip_->setObjectName(QStringLiteral("lines_to_skip"));
  skip_->setRange(0, 9999);
  skip_->setValue(1);
  skip_->setToolTip(tr("The number of lines at the top of the file that are not transactions, such as column titles"));

  preview_ = new QTableView(this);
  preview_->setObjectName(QStringLiteral("preview"));
  preview_->setModel(new QStandardItemModel(preview_));
  preview_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  preview_->setFocusPolicy(Qt::NoFocus);
  preview_->verticalHeader()->hide();
  preview_->setWordWrap(false);

  auto* form = new QFormLayout;
  form->addRow(tr("&Lines to skip:"), skip_);
  auto* previewLabel = new QLabel(tr("Preview of the first lines as they will be read:"), this);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(tr("&Import"));
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("import"));
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (runImport()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(fields_, &QAbstractItemModel::dataChanged, this, &CsvMatchDialog::fillPreview);
  connect(skip_, &QSpinBox::valueChanged, this, &CsvMatchDialog::fillPreview);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addWidget(fieldsView_);
  layout->addLayout(form);
  layout->addWidget(previewLabel);
  layout->addWidget(preview_, 1);
  layout->addWidget(buttons);
  fillPreview();
  resize(std::max(640, fontMetrics().averageCharWidth() * 96), std::max(640, fontMetrics().height() * 38));
  fieldsView_->setFocus();
  fieldsView_->setCurrentIndex(fields_->index(0, 1));
}

QAbstractItemModel* CsvMatchDialog::previewModel() const { return preview_->model(); }

void CsvMatchDialog::assign(int field, int column) { fields_->setData(fields_->index(field, 1), column, Qt::EditRole); }

void CsvMatchDialog::setLinesToSkip(int lines) { skip_->setValue(lines); }

import::CsvMapping CsvMatchDialog::mapping() const {
  import::CsvMapping mapping;
  mapping.columns = fields_->assigned();
  mapping.linesToSkip = static_cast<std::size_t>(skip_->value());
  return mapping;
}

void CsvMatchDialog::fillPreview() {
  auto* model = static_cast<QStandardItemModel*>(preview_->model());
  model->clear();
  QStringList titles;
  std::vector<std::size_t> shown;  // fields with a column, in field order
  for (int f = 0; f < fields_->rowCount(); ++f) {
    if (!fields_->assigned()[static_cast<std::size_t>(f)]) continue;
    shown.push_back(static_cast<std::size_t>(f));
    titles << fields_->index(f, 0).data().toString();
  }
  model->setColumnCount(static_cast<int>(titles.size()));
  model->setHorizontalHeaderLabels(titles);
  const auto skip = static_cast<std::size_t>(skip_->value());
  // A line only reads as many fields as the first line has columns.
  const std::size_t width = fields_->fileColumns().size();
  for (std::size_t line = skip; line < firstLines_.size() && line < skip + kPreviewRows; ++line) {
    QList<QStandardItem*> items;
    for (std::size_t field : shown) {
      const std::size_t column = *fields_->assigned()[field];
      const std::vector<std::string>& values = firstLines_[line];
      const bool present = column < values.size() && column < width;
      items << new QStandardItem(present ? Q(values[column]) : QString());
    }
    if (!items.isEmpty()) model->appendRow(items);
  }
  // A few short lines: each column as wide as its texts.
  preview_->horizontalHeader()->resizeSections(QHeaderView::ResizeToContents);
  preview_->horizontalHeader()->setStretchLastSection(true);
}

bool CsvMatchDialog::runImport() {
  {
    QtProgress progress(this);
    progress.setTitle("Importing Transactions");
    result_ = import::ImportCsvFile(context_.data, account_, path_, mapping(), context_.prompter, &progress);
  }
  // A cancelled import wrote nothing; the window stays for another try.
  if (result_.status.declined) return false;
  if (result_.imported > 0) ledger::UpdateAllCurrentBalances(context_.data);
  // Unassigned required fields keep the window open to assign them.
  return !(result_.status.title == "Error importing" && result_.imported == 0 && !result_.status.ok);
}

}  // namespace tallyvane::gui
