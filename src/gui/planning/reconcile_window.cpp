#include "gui/planning/reconcile_window.h"

#include <QBrush>
#include <QCheckBox>
#include <QColor>
#include "gui/date_field.h"
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "gui/dialogs/form_support.h"
#include "gui/gui_context.h"
#include "gui/planning/planning_windows.h"
#include "store/dates.h"
#include "store/money.h"

namespace tallyvane::gui {

namespace {

constexpr const char* kDateText = "yyyy-MM-dd";

QDate DateOf(const std::string& text) { return QDate::fromString(Q(text.substr(0, 10)), QLatin1String(kDateText)); }
std::string DateString(const QDate& date) { return S(date.toString(QLatin1String(kDateText))); }

const QColor kNegative(0xc0, 0x1c, 0x28);

void ShowMoney(QLabel* label, const store::RegionalSettings& regional, store::Money amount) {
  label->setText(Q(store::FormatMoney(regional, amount)));
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, amount.minorUnits() < 0 ? kNegative : QPalette().color(QPalette::WindowText));
  label->setPalette(palette);
}

}  // namespace

// ---------------------------------------------------------------- model

ReconcileModel::ReconcileModel(GuiContext& context, planning::Reconciliation& reconciliation, QObject* parent)
    : QAbstractTableModel(parent), context_(context), reconciliation_(reconciliation) {}

void ReconcileModel::reload() {
  beginResetModel();
  endResetModel();
  emit figuresChanged();
}

void ReconcileModel::toggle(int row) {
  if (row < 0 || row >= rowCount()) return;
  const bool ticked = reconciliation_.candidates()[static_cast<std::size_t>(row)].ticked;
  setData(index(row, Tick), ticked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

int ReconcileModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(reconciliation_.candidates().size());
}

int ReconcileModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant ReconcileModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const planning::ReconcileCandidate& c = reconciliation_.candidates()[static_cast<std::size_t>(index.row())];
  const int column = index.column();
  const std::optional<store::Money>& amount = column == Payment ? c.payment : c.deposit;
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      switch (column) {
        case Split:
          return Q(c.splitMark());
        case Cleared:
          return Q(c.clearedMark());
        case Date:
          return Q(store::PrintedDate(context_.data.regional(), c.date));
        case Payee:
          return Q(c.payee);
        case Note:
          return Q(c.note);
        case Payment:
        case Deposit:
          return amount ? Q(store::FormatMoney(context_.data.regional(), *amount)) : QString();
        default:
          return {};
      }
    case Qt::CheckStateRole:
      if (column == Tick) return c.ticked ? Qt::Checked : Qt::Unchecked;
      return {};
    case Qt::TextAlignmentRole:
      if (column >= Payment) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      if (column <= Cleared) return QVariant::fromValue(Qt::AlignCenter);
      return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::FontRole:
      if (column >= Payment) return MoneyFont();
      return {};
    case Qt::ForegroundRole:
      if (column >= Payment && amount && amount->minorUnits() < 0) return QBrush(kNegative);
      return {};
    case Qt::ToolTipRole:
      if (column == Split && c.split) return tr("Split transaction");
      if (column == Cleared && c.cleared) return tr("Cleared");
      if (column == Note && !c.note.empty()) return Q(c.note);
      return {};
    default:
      return {};
  }
}

bool ReconcileModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || index.row() >= rowCount()) return false;
  const auto row = static_cast<std::size_t>(index.row());
  if (role == Qt::CheckStateRole && index.column() == Tick) {
    reconciliation_.tickRow(row, value.toInt() == Qt::Checked);
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), ColumnCount - 1));
    emit figuresChanged();
    return true;
  }
  if (role != Qt::EditRole || (index.column() != Payment && index.column() != Deposit)) return false;
  // Leaving the cell as it was shown is no correction.
  if (value.toString() == data(index, Qt::DisplayRole).toString()) return false;
  const store::Status status = reconciliation_.EditCandidateAmount(
      row, index.column() == Payment ? planning::CandidateColumn::Payment : planning::CandidateColumn::Deposit,
      S(value.toString().trimmed()));
  if (!status) {
    if (!status.message.empty()) ShowStatus(context_.prompter, status);
    return false;
  }
  emit dataChanged(this->index(index.row(), Payment), this->index(index.row(), Deposit));
  emit figuresChanged();
  return true;
}

Qt::ItemFlags ReconcileModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  // The tick column is not user-checkable for the delegate: the window ticks
  // on any click in that column and on Space, and a second toggle by the
  // delegate would undo it.
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.column() == Payment || index.column() == Deposit) flags |= Qt::ItemIsEditable;
  return flags;
}

QVariant ReconcileModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::TextAlignmentRole) {
    return QVariant::fromValue(section >= Payment ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
  }
  if (role == Qt::ToolTipRole) {
    if (section == Tick) return tr("Ticked: on the statement");
    if (section == Split) return tr("Split transaction");
    if (section == Cleared) return tr("Cleared");
    return {};
  }
  if (role != Qt::DisplayRole) return {};
  switch (section) {
    case Tick:
      return QString();
    case Split:
      return QStringLiteral("S");
    case Cleared:
      return QStringLiteral("C");
    case Date:
      return tr("Date");
    case Payee:
      return tr("Payee");
    case Note:
      return tr("Note");
    case Payment:
      return Q(reconciliation_.paymentTitle());
    case Deposit:
      return tr("Deposit");
    default:
      return {};
  }
}

// ---------------------------------------------------------------- statement form

StatementDialog::StatementDialog(GuiContext& context, QWidget* parent, const planning::StatementForm& form)
    : QDialog(parent), context_(context), bindings_(context.prompter, this), form_(form) {
  setObjectName(QStringLiteral("statementForm"));
  setWindowTitle(Q(form.title));
  auto makeDate = [this](const char* name, const std::string& text) {
    auto* edit = new DateField(DateOf(text), this);
    edit->setObjectName(QLatin1String(name));
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(DateFormat(context_.data.regional()));
    return edit;
  };
  opening_ = makeDate("opening", form.openingDate);
  statement_ = makeDate("statement", form.statementDate);
  closing_ = new QLineEdit(Q(form.closingText), this);
  closing_->setObjectName(QStringLiteral("closing"));
  closing_->setAlignment(Qt::AlignRight);
  closing_->setFont(MoneyFont());
  auto* fields = new QFormLayout;
  fields->addRow(tr("&Opening date:"), opening_);
  fields->addRow(tr("&Statement date:"), statement_);
  fields->addRow(tr("&Closing balance:"), closing_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
  connect(buttons, &QDialogButtonBox::accepted, this, &StatementDialog::confirm);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(tr("Enter the dates and the closing balance of your statement."), this));
  layout->addLayout(fields);
  layout->addWidget(buttons);
  bindings_.bind("opening", opening_);
  bindings_.bind("statement", statement_);
  bindings_.bind("closing", closing_);
  closing_->setFocus();
}

void StatementDialog::confirm() {
  if (!CommitDateFields(this)) return;
  planning::StatementForm form = form_;
  form.openingDate = DateString(opening_->date());
  form.statementDate = DateString(statement_->date());
  form.closingText = S(closing_->text().trimmed());
  planning::StartResult result = planning::StartReconciliation(context_.data, form);
  if (!result.status || !result.reconciliation) {
    ShowStatus(context_.prompter, result.status);
    return;
  }
  started = std::move(result.reconciliation);
  accept();
}

// ---------------------------------------------------------------- window

ReconcileWindow::ReconcileWindow(GuiContext& context, QWidget* parent, planning::Reconciliation reconciliation)
    : QDialog(parent), context_(context), bindings_(context.prompter, this), reconciliation_(std::move(reconciliation)) {
  setObjectName(QStringLiteral("reconcileWindow"));
  setWindowTitle(Q(planning::kReconcileWindowTitle));
  setSizeGripEnabled(true);

  model_ = new ReconcileModel(context, reconciliation_, this);
  view_ = new QTableView(this);
  view_->setObjectName(QStringLiteral("candidates"));
  view_->setModel(model_);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  view_->verticalHeader()->hide();
  view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
  view_->setWordWrap(false);
  view_->installEventFilter(this);
  QHeaderView* header = view_->horizontalHeader();
  const int unit = view_->fontMetrics().averageCharWidth();
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->resizeSection(ReconcileModel::Tick, unit * 4);
  header->resizeSection(ReconcileModel::Split, unit * 3);
  header->resizeSection(ReconcileModel::Cleared, unit * 3);
  header->resizeSection(ReconcileModel::Date, view_->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000")) + unit * 3);
  header->resizeSection(ReconcileModel::Payee, unit * 28);
  header->resizeSection(ReconcileModel::Payment, unit * 14);
  header->resizeSection(ReconcileModel::Deposit, unit * 14);
  header->setSectionResizeMode(ReconcileModel::Note, QHeaderView::Stretch);
  // A click anywhere in the tick column ticks, not only on the box.
  connect(view_, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
    if (index.column() == ReconcileModel::Tick) model_->toggle(index.row());
  });
  connect(model_, &ReconcileModel::figuresChanged, this, &ReconcileWindow::refreshFigures);

  showAll_ = new QCheckBox(Q(planning::kShowAllUnreconciled), this);
  showAll_->setObjectName(QStringLiteral("showAll"));
  connect(showAll_, &QCheckBox::toggled, this, [this](bool on) {
    reconciliation_.setShowAll(on);
    model_->reload();
  });

  auto figure = [this](const char* name) {
    auto* label = new QLabel(this);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
  };
  openingDate_ = figure("openingDate");
  openingBalance_ = figure("openingBalance");
  reconciledDate_ = figure("reconciledDate");
  reconciledBalance_ = figure("reconciledBalance");
  closingBalance_ = figure("closingBalance");
  difference_ = figure("difference");
  for (QLabel* money : {openingBalance_, reconciledBalance_, closingBalance_, difference_}) {
    money->setFont(MoneyFont());
    money->setMinimumWidth(unit * 16);
  }
  QFont strong = difference_->font();
  strong.setBold(true);
  difference_->setFont(strong);
  auto* figures = new QGridLayout;
  figures->addWidget(new QLabel(tr("Opening Date:"), this), 0, 0);
  figures->addWidget(openingDate_, 0, 1);
  figures->addWidget(new QLabel(tr("Opening Balance:"), this), 0, 3);
  figures->addWidget(openingBalance_, 0, 4);
  figures->addWidget(new QLabel(tr("Reconciled Date:"), this), 1, 0);
  figures->addWidget(reconciledDate_, 1, 1);
  figures->addWidget(new QLabel(tr("Reconciled Balance:"), this), 1, 3);
  figures->addWidget(reconciledBalance_, 1, 4);
  figures->addWidget(new QLabel(tr("Closing Balance:"), this), 2, 3);
  figures->addWidget(closingBalance_, 2, 4);
  figures->addWidget(new QLabel(tr("Difference:"), this), 3, 3);
  figures->addWidget(difference_, 3, 4);
  figures->setColumnMinimumWidth(2, unit * 4);
  figures->setColumnStretch(5, 1);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* finish = buttons->addButton(tr("&Finish"), QDialogButtonBox::AcceptRole);
  finish->setObjectName(QStringLiteral("finish"));
  finish->setToolTip(tr("Reconcile the ticked transactions"));
  QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
  cancel->setObjectName(QStringLiteral("cancel"));
  cancel->setToolTip(tr("Leave without reconciling; nothing more is saved"));
  finish->setAutoDefault(false);
  cancel->setAutoDefault(false);
  connect(finish, &QPushButton::clicked, this, &ReconcileWindow::finish);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* hint = new QLabel(tr("Tick the transactions that appear on your statement (click or Space); "
                             "double-click an amount to correct it."),
                          this);
  hint->setWordWrap(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(hint);
  layout->addWidget(view_, 1);
  layout->addWidget(showAll_);
  layout->addLayout(figures);
  layout->addWidget(buttons);

  bindings_.bind("payment", view_);
  bindings_.bind("deposit", view_);
  resize(unit * 110, view_->fontMetrics().height() * 34);
  refreshFigures();
  if (model_->rowCount() > 0) view_->setCurrentIndex(model_->index(0, ReconcileModel::Tick));
  view_->setFocus();
}

void ReconcileWindow::refreshFigures() {
  const store::RegionalSettings& regional = context_.data.regional();
  const planning::ReconcileSummary s = reconciliation_.summary();
  openingDate_->setText(s.openingDate == "-" ? QStringLiteral("-") : Q(store::PrintedDate(regional, s.openingDate)));
  reconciledDate_->setText(Q(store::PrintedDate(regional, s.reconciledDate)));
  ShowMoney(openingBalance_, regional, s.openingBalance);
  ShowMoney(reconciledBalance_, regional, s.reconciledBalance);
  ShowMoney(closingBalance_, regional, s.closingBalance);
  ShowMoney(difference_, regional, s.difference);
}

bool ReconcileWindow::eventFilter(QObject* watched, QEvent* event) {
  // Space ticks the current row whichever cell is current; an open cell
  // editor takes its own keys.
  if (watched == view_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
    model_->toggle(view_->currentIndex().row());
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void ReconcileWindow::finish() {
  const planning::FinishResult result = reconciliation_.FinishReconciliation(context_.prompter);
  if (!result.status) {
    // "Cancel" keeps the window open as it is.
    ShowStatus(context_.prompter, result.status);
    return;
  }
  accept();
}

bool RunReconciliation(GuiContext& context, QWidget* parent, ledger::AccountKey account) {
  const std::optional<planning::StatementForm> form = planning::ProposeStatement(context.data, account);
  if (!form) return false;
  std::optional<planning::Reconciliation> started;
  {
    StatementDialog statement(context, parent, *form);
    if (statement.exec() != QDialog::Accepted || !statement.started) return false;
    started = std::move(statement.started);
  }
  ReconcileWindow window(context, parent, std::move(*started));
  window.exec();
  return true;
}

}  // namespace tallyvane::gui
