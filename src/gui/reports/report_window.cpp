#include "gui/reports/report_window.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include "gui/date_field.h"
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/dialogs/dialogs.h"
#include "gui/dialogs/form_support.h"
#include "gui/dialogs/password_recovery.h"
#include "gui/gui_context.h"
#include "gui/planning/planning_windows.h"
#include "gui/qt_progress.h"
#include "gui/reports/charts.h"
#include "gui/reports/painter_canvas.h"
#include "reports/activity_report.h"
#include "reports/budget_report.h"
#include "reports/category_report.h"
#include "reports/names.h"
#include "reports/payee_report.h"
#include "reports/report_csv.h"
#include "reports/report_output.h"
#include "store/dates.h"

namespace tallyvane::gui {

namespace {

SaveFileChooser& Chooser() {
  static SaveFileChooser chooser;
  return chooser;
}


QDate ToDate(const std::string& text) { return QDate::fromString(Q(text), Qt::ISODate); }
std::string FromDate(const QDate& date) { return S(date.toString(Qt::ISODate)); }

bool IsNegativeAmount(const QString& text) {
  const QString t = text.trimmed();
  return t.startsWith(QLatin1Char('-')) || (t.startsWith(QLatin1Char('(')) && t.endsWith(QLatin1Char(')')));
}

// Draws the report's rules under and over the cells that ask for them.
class RuleDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    const int style = index.data(ReportTableModel::kStyleRole).toInt();
    if (style == 0) return;
    painter->save();
    painter->setPen(option.palette.color(QPalette::Text));
    const QRect r = option.rect.adjusted(4, 0, -4, 0);
    if ((style & reports::kStyleRuleBelow) != 0 || (style & reports::kStyleDoubleRuleBelow) != 0) {
      painter->drawLine(r.left(), r.bottom() - 1, r.right(), r.bottom() - 1);
    }
    if ((style & reports::kStyleDoubleRuleBelow) != 0) {
      painter->drawLine(r.left(), r.bottom() - 3, r.right(), r.bottom() - 3);
    }
    if ((style & reports::kStyleRuleAbove) != 0) painter->drawLine(r.left(), r.top() + 1, r.right(), r.top() + 1);
    painter->restore();
  }
};

// Column widths of (width + 2) average characters; the stretch columns share
// what is left when the list is wider.
void SizeColumns(QTableView* table, const ReportTableModel* model, reports::ColumnSet columns) {
  const int unit = std::max(1, table->fontMetrics().averageCharWidth());
  for (int i = 0; i < model->columnCount(); ++i) {
    const reports::ReportColumn& column = columns[static_cast<std::size_t>(model->sourceColumn(i))];
    table->setColumnWidth(i, (column.width + 2) * unit);
    table->horizontalHeader()->setSectionResizeMode(i, column.stretch ? QHeaderView::Stretch
                                                                      : QHeaderView::Interactive);
  }
}

QTableView* MakeTable(QWidget* parent, ReportTableModel* model) {
  auto* table = new QTableView(parent);
  table->setObjectName(QStringLiteral("reportList"));
  table->setModel(model);
  table->setItemDelegate(new RuleDelegate(table));
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setShowGrid(false);
  table->setWordWrap(false);
  table->verticalHeader()->hide();
  table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
  table->horizontalHeader()->setHighlightSections(false);
  return table;
}

// Enter on a table activates the current row, as a double click does.
class EnterFilter final : public QObject {
 public:
  EnterFilter(QTableView* table, std::function<void(int)> act) : QObject(table), table_(table), act_(std::move(act)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == table_ && event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if ((key == Qt::Key_Return || key == Qt::Key_Enter) && table_->currentIndex().isValid()) {
        act_(table_->currentIndex().row());
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QTableView* table_;
  std::function<void(int)> act_;
};

class WindowViewer final : public reports::JournalViewer {
 public:
  WindowViewer(GuiContext& context, QWidget* parent) : context_(context), parent_(parent) {}
  bool show(reports::Journal& journal) override {
    JournalWindow window(context_, journal, parent_);
    window.exec();
    return window.changed();
  }

 private:
  GuiContext& context_;
  QWidget* parent_;
};

}  // namespace

void SetSaveFileChooser(SaveFileChooser chooser) { Chooser() = std::move(chooser); }

QString ChooseSaveFileFor(QWidget* parent, const QString& title, const QString& fileName, const QString& filter) {
  const QString start = fileName.contains(QLatin1Char('/'))
                            ? fileName
                            : Q((reports::DocumentsFolder() / S(fileName)).string());
  if (Chooser()) return Chooser()(title, start, filter);
  return QFileDialog::getSaveFileName(parent, title, start, filter);
}

// ---------------------------------------------------------------- the model

ReportTableModel::ReportTableModel(QObject* parent)
    : QAbstractTableModel(parent), money_(MoneyFont()), moneyBold_(MoneyFont()) {
  moneyBold_.setBold(true);
  bold_.setBold(true);
}

void ReportTableModel::setColumns(reports::ColumnSet columns) {
  columns_ = columns;
  visible_.clear();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].width > 0) visible_.push_back(static_cast<int>(i));
  }
}

void ReportTableModel::setReport(const reports::Report* report) {
  beginResetModel();
  report_ = report;
  journal_ = nullptr;
  setColumns(report != nullptr ? report->columns() : reports::ColumnSet{});
  endResetModel();
}

void ReportTableModel::setJournal(const reports::Journal* journal) {
  beginResetModel();
  journal_ = journal;
  report_ = nullptr;
  setColumns(journal != nullptr ? journal->columns() : reports::ColumnSet{});
  endResetModel();
}

int ReportTableModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  if (report_ != nullptr) return static_cast<int>(report_->rows().size());
  if (journal_ != nullptr) return static_cast<int>(journal_->lines().size());
  return 0;
}

int ReportTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(visible_.size());
}

std::vector<std::string> ReportTableModel::rowCells(int row) const {
  if (row < 0 || row >= rowCount()) return {};
  if (report_ != nullptr) {
    return reports::DisplayedCells(report_->rows()[static_cast<std::size_t>(row)], columns_.size());
  }
  const auto& cells = journal_->lines()[static_cast<std::size_t>(row)].cells;
  return {cells.begin(), cells.end()};
}

QVariant ReportTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) return {};
  const int source = sourceColumn(index.column());
  const reports::ReportColumn& column = columns_[static_cast<std::size_t>(source)];
  switch (role) {
    case Qt::DisplayRole: {
      // The texts of one row are made only for the cells being painted.
      if (report_ != nullptr) {
        const reports::ReportRow& row = report_->rows()[static_cast<std::size_t>(index.row())];
        return Q(reports::DisplayedCells(row, columns_.size())[static_cast<std::size_t>(source)]);
      }
      return Q(journal_->lines()[static_cast<std::size_t>(index.row())].cells[static_cast<std::size_t>(source)]);
    }
    case Qt::TextAlignmentRole:
      switch (column.alignment) {
        case reports::ColumnAlignment::Right:
          return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        case reports::ColumnAlignment::Center:
          return QVariant::fromValue(Qt::AlignHCenter | Qt::AlignVCenter);
        case reports::ColumnAlignment::Left:
          return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
      }
      return {};
    case Qt::FontRole: {
      const bool bold = report_ != nullptr &&
                        report_->rows()[static_cast<std::size_t>(index.row())].kind == reports::RowKind::Bold;
      if (column.alignment == reports::ColumnAlignment::Right) return bold ? moneyBold_ : money_;
      if (bold) return bold_;
      return {};
    }
    case Qt::ForegroundRole:
      if (column.alignment == reports::ColumnAlignment::Right && IsNegativeAmount(data(index, Qt::DisplayRole).toString())) {
        return QColor(0xc0, 0x1c, 0x28);
      }
      return {};
    case kStyleRole:
      if (report_ != nullptr) {
        const reports::ReportRow& row = report_->rows()[static_cast<std::size_t>(index.row())];
        int style = static_cast<std::size_t>(source) < row.cells.size() ? row.cells[static_cast<std::size_t>(source)].style : 0;
        if (row.ruleBelow && index.column() == columnCount() - 1) style |= reports::kStyleRuleBelow;
        return style;
      }
      return 0;
    default:
      return {};
  }
}

QVariant ReportTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  const reports::ReportColumn& column = columns_[static_cast<std::size_t>(sourceColumn(section))];
  if (role == Qt::DisplayRole) return Q(column.title);
  if (role == Qt::TextAlignmentRole) {
    return QVariant::fromValue(column.alignment == reports::ColumnAlignment::Right ? Qt::AlignRight | Qt::AlignVCenter
                                                                                     : Qt::AlignLeft | Qt::AlignVCenter);
  }
  return {};
}

// ---------------------------------------------------------------- the journal

JournalWindow::JournalWindow(GuiContext& context, reports::Journal& journal, QWidget* parent)
    : QDialog(parent), context_(context), journal_(journal) {
  setObjectName(QStringLiteral("journalWindow"));
  setWindowTitle(Q(journal.windowTitle()));
  auto* header = new QLabel(Q(journal.header()), this);
  header->setObjectName(QStringLiteral("journalHeader"));
  QFont big = header->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.3);
  header->setFont(big);
  auto* period = new QLabel(Q(journal.periodText()), this);
  model_ = new ReportTableModel(this);
  model_->setJournal(&journal);
  table_ = MakeTable(this, model_);
  table_->setObjectName(QStringLiteral("journalList"));
  SizeColumns(table_, model_, journal.columns());

  auto* add = new QPushButton(tr("&Add"), this);
  add->setObjectName(QStringLiteral("add"));
  add->setToolTip(tr("Add a new transaction"));
  edit_ = new QPushButton(tr("&Edit"), this);
  edit_->setObjectName(QStringLiteral("edit"));
  edit_->setToolTip(tr("Edit the selected transaction"));
  delete_ = new QPushButton(tr("&Delete"), this);
  delete_->setObjectName(QStringLiteral("delete"));
  delete_->setToolTip(tr("Delete the selected transactions"));
  auto* close = new QPushButton(tr("&Close"), this);
  close->setObjectName(QStringLiteral("close"));
  connect(add, &QPushButton::clicked, this, &JournalWindow::addTransaction);
  connect(edit_, &QPushButton::clicked, this, &JournalWindow::editTransaction);
  connect(delete_, &QPushButton::clicked, this, &JournalWindow::deleteTransactions);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(table_, &QTableView::doubleClicked, this, [this] {
    if (edit_->isEnabled()) editTransaction();
  });
  connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &JournalWindow::updateButtons);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(add);
  buttons->addWidget(edit_);
  buttons->addWidget(delete_);
  buttons->addStretch();
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(header);
  layout->addWidget(period);
  layout->addWidget(table_, 1);
  layout->addLayout(buttons);
  resize(std::max(760, table_->horizontalHeader()->length() + 40), 480);
  updateButtons();
}

std::vector<ledger::TransactionKey> JournalWindow::selected() const {
  std::vector<ledger::TransactionKey> keys;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows()) {
    keys.push_back(journal_.lines()[static_cast<std::size_t>(index.row())].id);
  }
  return keys;
}

void JournalWindow::updateButtons() {
  const auto keys = selected();
  edit_->setEnabled(journal_.canEdit(keys));
  delete_->setEnabled(journal_.canDelete(keys));
}

void JournalWindow::refill() {
  journal_.fill();
  model_->setJournal(&journal_);
  updateButtons();
}

void JournalWindow::addTransaction() {
  const auto accounts = reports::LiveAccounts(context_.data);
  if (accounts.empty()) return;
  if (RunTransactionForm(context_, this, accounts.front().id, std::nullopt)) {
    changed_ = true;
    refill();
  }
}

void JournalWindow::editTransaction() {
  const auto keys = selected();
  if (!journal_.canEdit(keys)) return;
  const auto form = journal_.openForEdit(keys.front());
  if (!form) return;
  if (RunTransactionForm(context_, this, form->account, keys.front())) {
    changed_ = true;
    refill();
  }
}

void JournalWindow::deleteTransactions() {
  const auto keys = selected();
  if (!journal_.canDelete(keys)) return;
  const store::Status status = journal_.deleteSelected(keys, context_.prompter);
  ShowStatus(context_.prompter, status);
  model_->setJournal(&journal_);
  updateButtons();
}

// ---------------------------------------------------------------- the report

ReportWindow::ReportWindow(GuiContext& context, std::unique_ptr<reports::Report> report, QWidget* parent)
    : QDialog(parent), context_(context), report_(std::move(report)) {
  setObjectName(QStringLiteral("reportWindow"));
  setWindowTitle(tr("Report: %1").arg(Q(report_->title())));
  setWindowFlag(Qt::WindowMaximizeButtonHint, true);

  auto action = [this](const char* name, const QString& text, const QString& tip, void (ReportWindow::*slot)()) {
    auto* a = new QAction(text, this);
    a->setObjectName(QLatin1String(name));
    a->setStatusTip(tip);
    a->setToolTip(tip);
    connect(a, &QAction::triggered, this, slot);
    addAction(a);
    return a;
  };
  QAction* preview = action("printPreview", tr("Print Pre&view"), tr("View the print preview of this report"),
                            &ReportWindow::printPreview);
  QAction* print = action("print", tr("&Print"), tr("Print this report"), &ReportWindow::print);
  print->setShortcut(QKeySequence::Print);
  QAction* pdf = action("saveAsPdf", tr("&Save as PDF"), tr("Save this report as a PDF file"), &ReportWindow::saveAsPdf);
  pdf->setShortcut(QKeySequence::Save);
  QAction* csv = action("saveAsCsv", tr("Save as CSV"), tr("Save this report as a CSV file"), &ReportWindow::saveAsCsv);
  QAction* mail = action("sendEmail", tr("Send to &Email"), tr("Send this report by email"), &ReportWindow::email);
  QAction* faxAction = action("sendFax", tr("Send to &Fax"), tr("Send this report by fax"), &ReportWindow::fax);

  auto* menuBar = new QMenuBar(this);
  QMenu* menu = menuBar->addMenu(tr("&Report"));
  menu->addActions({preview, print, pdf, csv, mail, faxAction});
  menu->setToolTipsVisible(true);

  auto* toolBar = new QToolBar(this);
  toolBar->setObjectName(QStringLiteral("reportToolBar"));
  toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  auto tool = [&](const QString& text, QAction* target, QStyle::StandardPixmap icon) {
    auto* a = toolBar->addAction(style()->standardIcon(icon), text);
    a->setToolTip(target->toolTip());
    a->setStatusTip(target->statusTip());
    connect(a, &QAction::triggered, target, &QAction::trigger);
    return a;
  };
  tool(tr("Preview"), preview, QStyle::SP_FileDialogContentsView);
  tool(tr("Print"), print, QStyle::SP_DialogSaveButton)->setIcon(QIcon::fromTheme(QStringLiteral("document-print"),
                                                                                 style()->standardIcon(QStyle::SP_ComputerIcon)));
  auto* save = new QToolButton(toolBar);
  save->setObjectName(QStringLiteral("toolSave"));
  save->setText(tr("Save"));
  save->setToolTip(tr("Save this report as a CSV or PDF file"));
  save->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  save->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  save->setPopupMode(QToolButton::InstantPopup);
  auto* saveMenu = new QMenu(save);
  saveMenu->addAction(pdf);
  saveMenu->addAction(csv);
  save->setMenu(saveMenu);
  toolBar->addWidget(save);
  tool(tr("Email"), mail, QStyle::SP_MessageBoxInformation);
  tool(tr("Fax"), faxAction, QStyle::SP_DriveNetIcon);

  auto* title = new QLabel(Q(report_->title()), this);
  title->setObjectName(QStringLiteral("reportTitle"));
  QFont big = title->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.5);
  title->setFont(big);
  period_ = new QLabel(Q(report_->periodText()), this);
  period_->setObjectName(QStringLiteral("reportPeriod"));

  model_ = new ReportTableModel(this);
  model_->setReport(report_.get());
  table_ = MakeTable(this, model_);
  SizeColumns(table_, model_, report_->columns());
  connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) { drillDown(index.row()); });
  table_->installEventFilter(new EnterFilter(table_, [this](int row) { drillDown(row); }));

  QWidget* body = table_;
  if (dynamic_cast<const reports::CategoryReport*>(report_.get()) != nullptr ||
      dynamic_cast<const reports::BudgetReport*>(report_.get()) != nullptr) {
    chart_ = new QChartView(new QChart, this);
    chart_->setObjectName(QStringLiteral("chart"));
    chart_->setRenderHint(QPainter::Antialiasing);
    chart_->setMinimumWidth(320);
    refreshChart();
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(table_);
    splitter->addWidget(chart_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    body = splitter;
    QAction* png = action("saveChart", tr("Save &Chart as PNG..."), tr("Save the chart beside this report as a PNG image"),
                          &ReportWindow::saveChart);
    menu->addSeparator();
    menu->addAction(png);
    saveMenu->addAction(png);
  }

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menuBar);
  layout->addWidget(toolBar);
  layout->addWidget(title);
  layout->addWidget(period_);
  layout->addWidget(body, 1);
  resize(std::max(chart_ != nullptr ? 1080 : 720, table_->horizontalHeader()->length() + 60 + (chart_ != nullptr ? 400 : 0)),
         560);
  table_->setFocus();
}

ReportWindow::~ReportWindow() = default;

void ReportWindow::rebuild() {
  model_->setReport(nullptr);
  report_->build();
  model_->setReport(report_.get());
  refreshChart();
}

void ReportWindow::drillDown(int row) {
  const std::vector<std::string> cells = model_->rowCells(row);
  if (cells.empty()) return;
  WindowViewer viewer(context_, this);
  if (report_->drillDown(cells, viewer)) {
    rebuild();
    const int line = std::min(row, model_->rowCount() - 1);
    if (line >= 0) table_->selectRow(line);
  }
}

void ReportWindow::saveAsCsv() {
  const QString file = ChooseSaveFileFor(this, Q(reports::kCsvDialogTitle), Q(reports::kReportFileName) + QStringLiteral(".csv"),
                                      Q(reports::kCsvFilter) + QStringLiteral(" (*.csv)"));
  if (file.isEmpty()) return;
  // A file that cannot be created is left unwritten without a word.
  (void)reports::WriteReportCsv(*report_, std::filesystem::path(S(file)));
}

void ReportWindow::saveAsPdf() {
  const std::filesystem::path folder = reports::SavePdfStartFolder(context_.settings);
  const QString start = Q((folder / std::string(reports::kReportFileName)).string() + ".pdf");
  const QString file = ChooseSaveFileFor(this, Q(reports::kSavePdfDialogTitle), start,
                                      Q(reports::kPdfFilter) + QStringLiteral(" (*.pdf)"));
  if (file.isEmpty()) return;
  const std::filesystem::path path(S(file));
  reports::RememberPdfFolder(context_.settings, path);
  (void)reports::SaveReportAsPdf(*report_, path, context_.prompter);
}

void ReportWindow::print() {
  QPrinter printer(QPrinter::HighResolution);
  PreparePrinter(*report_, printer);
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() != QDialog::Accepted) return;
  if (printTo(printer) == 0 || printer.printerState() == QPrinter::Error) {
    context_.prompter.message("Printing Error", "The report could not be printed.", store::Icon::Error);
  }
}

void ReportWindow::printPreview() {
  QPrinter printer(QPrinter::HighResolution);
  PreparePrinter(*report_, printer);
  QPrintPreviewDialog preview(&printer, this);
  preview.setObjectName(QStringLiteral("PrintPreview"));
  preview.setWindowTitle(tr("Print Preview: %1").arg(Q(report_->title())));
  connect(&preview, &QPrintPreviewDialog::paintRequested, this,
          [this](QPrinter* target) { (void)printTo(*target); });
  preview.resize(800, 900);
  preview.exec();
}

int ReportWindow::printTo(QPrinter& printer) {
  ExtraPage extra;
  if (chart_ != nullptr) {
    extra = [this](QPainter& painter, const QRectF& page) { PaintChart(chart_->chart(), painter, page); };
  }
  return PrintReport(*report_, printer, extra);
}

void ReportWindow::saveChart() {
  if (chart_ != nullptr) SaveChartAs(chart_, this);
}

void ReportWindow::refreshChart() {
  if (chart_ == nullptr) return;
  QChart* fresh = nullptr;
  if (const auto* category = dynamic_cast<const reports::CategoryReport*>(report_.get())) {
    fresh = MakeCategoryChart(*category);
  } else if (const auto* budget = dynamic_cast<const reports::BudgetReport*>(report_.get())) {
    fresh = MakeBudgetChart(*budget);
  }
  if (fresh == nullptr) return;
  QChart* old = chart_->chart();
  chart_->setChart(fresh);
  delete old;
}

void ReportWindow::email() {
  QDialog dialog(this);
  dialog.setObjectName(QStringLiteral("emailDialog"));
  dialog.setWindowTitle(Q(reports::kEmailDialogTitle));
  FieldBindings bindings(context_.prompter, &dialog);
  const reports::EmailForm opened = reports::OpenEmailForm(context_.settings);
  auto* recipients = new QLineEdit(Q(opened.recipients), &dialog);
  recipients->setObjectName(QStringLiteral("recipients"));
  recipients->setPlaceholderText(tr("Multiple email addresses are separated with a comma"));
  auto* remember = new QCheckBox(tr("Remember this email address"), &dialog);
  remember->setObjectName(QStringLiteral("remember"));
  auto* message = new QPlainTextEdit(&dialog);
  message->setObjectName(QStringLiteral("message"));
  message->setPlaceholderText(tr("[Optional text for email]"));
  bindings.bind("recipients", recipients);
  bindings.bind("to", recipients);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, &dialog);
  QPushButton* send = buttons->addButton(tr("Send"), QDialogButtonBox::AcceptRole);
  send->setObjectName(QStringLiteral("send"));
  send->setDefault(true);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  connect(send, &QPushButton::clicked, &dialog, [&] {
    reports::EmailForm form{S(recipients->text()), remember->isChecked(), S(message->toPlainText())};
    QtProgress progress(&dialog);
    progress.setTitle(reports::kSendingEmail);
    std::unique_ptr<store::MailTransport> transport = MakeMailTransport(context_, &dialog, &progress);
    const reports::MailResult result =
        reports::EmailReport(*report_, context_.settings, form, *transport, progress);
    if (!result.status) {
      ShowStatus(context_.prompter, result.status);
      return;
    }
    if (result.outcome == store::MailOutcome::Sent) dialog.accept();
  });
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(tr("Please enter the address(es) you want to send to:"), &dialog));
  layout->addWidget(recipients);
  layout->addWidget(remember);
  layout->addWidget(new QLabel(tr("You may enter a comment to be included in the email:"), &dialog));
  layout->addWidget(message);
  layout->addWidget(buttons);
  dialog.resize(460, 300);
  dialog.exec();
}

void ReportWindow::fax() {
  QDialog dialog(this);
  dialog.setObjectName(QStringLiteral("faxDialog"));
  dialog.setWindowTitle(Q(reports::kFaxDialogTitle));
  FieldBindings bindings(context_.prompter, &dialog);
  const reports::FaxForm opened = reports::OpenFaxForm(context_.settings);
  auto* number = new QLineEdit(Q(opened.number), &dialog);
  number->setObjectName(QStringLiteral("number"));
  bindings.bind("number", number);
  auto* remember = new QCheckBox(tr("Remember this fax number"), &dialog);
  remember->setObjectName(QStringLiteral("remember"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, &dialog);
  QPushButton* send = buttons->addButton(tr("Send"), QDialogButtonBox::AcceptRole);
  send->setObjectName(QStringLiteral("send"));
  send->setDefault(true);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  connect(send, &QPushButton::clicked, &dialog, [&] {
    const reports::FaxForm form{S(number->text().trimmed()), remember->isChecked()};
    for (int attempt = 0; attempt < 2; ++attempt) {
      QtProgress progress(&dialog);
      progress.setTitle(reports::kSendingEmail);
      std::unique_ptr<store::MailTransport> transport = MakeMailTransport(context_, &dialog, &progress);
      const reports::MailResult result = reports::FaxReport(*report_, context_.settings, form, *transport, progress);
      if (result.status.field == "gateway" && attempt == 0) {
        // The gateway set-up: the mail domain of the fax service.
        bool ok = false;
        const QString gateway = QInputDialog::getText(&dialog, tr("Fax Gateway"),
                                                      tr("Enter the mail domain of your fax service:"),
                                                      QLineEdit::Normal, QString(), &ok);
        if (!ok || gateway.trimmed().isEmpty()) return;
        context_.settings.writeString(reports::kSettingsSection, reports::kFaxGatewayKey, S(gateway.trimmed()));
        continue;
      }
      if (!result.status) {
        ShowStatus(context_.prompter, result.status);
        return;
      }
      if (result.outcome == store::MailOutcome::Sent) dialog.accept();
      return;
    }
  });
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(tr("Please enter the number you want to fax to:"), &dialog));
  layout->addWidget(number);
  layout->addWidget(remember);
  layout->addWidget(buttons);
  dialog.exec();
}

// ---------------------------------------------------------------- period dialogs

PeriodWindow::PeriodWindow(GuiContext& context, reports::PeriodMemory& memory, const QString& title,
                           bool expandOption, bool accounts, QWidget* parent, bool transfersOption)
    : QDialog(parent), context_(context), bindings_(context.prompter, this), dialog_(memory, context.clock.now()) {
  setObjectName(QStringLiteral("periodWindow"));
  setWindowTitle(title);
  choice_ = new QComboBox(this);
  choice_->setObjectName(QStringLiteral("period"));
  for (std::string_view text : reports::kPeriodChoiceTexts) choice_->addItem(Q(text));
  start_ = new DateField(this);
  start_->setObjectName(QStringLiteral("start"));
  end_ = new DateField(this);
  end_->setObjectName(QStringLiteral("end"));
  for (DateField* edit : {start_, end_}) {
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(DateFormat(context.data.regional()));
  }
  bindings_.bind("start", start_);
  bindings_.bind("end", end_);
  auto* form = new QFormLayout;
  if (accounts) {
    account_ = new QComboBox(this);
    account_->setObjectName(QStringLiteral("account"));
    for (const reports::ActivityAccountChoice& choice : reports::ActivityAccountChoices(context.data)) {
      account_->addItem(Q(choice.name), choice.id);
    }
    form->addRow(tr("&Account:"), account_);
  }
  form->addRow(tr("&Period:"), choice_);
  form->addRow(tr("&From:"), start_);
  form->addRow(tr("&To:"), end_);
  if (expandOption) {
    expand_ = new QCheckBox(tr("&Expand by accounts"), this);
    expand_->setObjectName(QStringLiteral("expandByAccounts"));
    expand_->setChecked(dialog_.expandByAccounts());
    form->addRow(QString(), expand_);
  }
  if (transfersOption) {
    transfers_ = new QCheckBox(Q(reports::kIncludeTransfersOption), this);
    transfers_->setObjectName(QStringLiteral("includeTransfers"));
    transfers_->setChecked(dialog_.includeTransfers());
    form->addRow(QString(), transfers_);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &PeriodWindow::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);

  showDates();
  connect(choice_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (filling_) return;
    dialog_.choose(static_cast<reports::PeriodChoice>(index));
    showDates();
  });
  connect(start_, &DateField::dateChanged, this, [this](const QDate& date) {
    if (filling_) return;
    dialog_.setStartDate(FromDate(date));
    showDates();
  });
  connect(end_, &DateField::dateChanged, this, [this](const QDate& date) {
    if (filling_) return;
    dialog_.setEndDate(FromDate(date));
    showDates();
  });
  choice_->setFocus();
}

void PeriodWindow::showDates() {
  filling_ = true;
  choice_->setCurrentIndex(static_cast<int>(dialog_.choice()));
  start_->setDate(ToDate(dialog_.dates().startText()));
  end_->setDate(ToDate(dialog_.dates().endText()));
  filling_ = false;
}

ledger::AccountKey PeriodWindow::account() const {
  return account_ != nullptr && account_->currentIndex() >= 0 ? account_->currentData().toInt() : 0;
}

void PeriodWindow::accept() {
  if (!CommitDateFields(this)) return;
  if (expand_ != nullptr) dialog_.setExpandByAccounts(expand_->isChecked());
  if (transfers_ != nullptr) dialog_.setIncludeTransfers(transfers_->isChecked());
  const reports::PeriodDialog::Answer answer = dialog_.accept();
  if (!answer.status) {
    ShowStatus(context_.prompter, answer.status);
    return;
  }
  period_ = answer.period;
  QDialog::accept();
}

BudgetPeriodWindow::BudgetPeriodWindow(GuiContext& context, QWidget* parent)
    : QDialog(parent),
      context_(context),
      bindings_(context.prompter, this),
      form_(reports::OpenBudgetReportForm(context.data, std::nullopt)) {
  setObjectName(QStringLiteral("budgetPeriodWindow"));
  setWindowTitle(Q(reports::kBudgetReportTitle));
  budget_ = new QComboBox(this);
  budget_->setObjectName(QStringLiteral("budget"));
  for (const reports::BudgetChoice& choice : reports::BudgetChoices(context.data)) {
    budget_->addItem(Q(choice.name), choice.id);
    if (choice.id == form_.budget) budget_->setCurrentIndex(budget_->count() - 1);
  }
  kind_ = new QComboBox(this);
  kind_->setObjectName(QStringLiteral("kind"));
  kind_->addItems({tr("Monthly"), tr("Yearly")});
  kind_->setCurrentIndex(static_cast<int>(form_.kind));
  month_ = new QComboBox(this);
  month_->setObjectName(QStringLiteral("month"));
  month_->addItem(tr("Select"));
  for (int m = 1; m <= 12; ++m) month_->addItem(QLocale::c().standaloneMonthName(m));
  month_->setCurrentIndex(form_.month);
  year_ = new QComboBox(this);
  year_->setObjectName(QStringLiteral("year"));
  section_ = new QComboBox(this);
  section_->setObjectName(QStringLiteral("section"));
  section_->addItems({tr("All"), tr("Expenses"), tr("Income")});
  section_->setCurrentIndex(static_cast<int>(form_.section));
  fillYears();
  bindings_.bind("year", year_);
  bindings_.bind("month", month_);
  connect(budget_, &QComboBox::currentIndexChanged, this, [this] {
    form_.budget = budget_->currentData().toInt();
    fillYears();
  });
  connect(kind_, &QComboBox::currentIndexChanged, this,
          [this](int index) { month_->setEnabled(index == static_cast<int>(reports::BudgetPeriodKind::Monthly)); });

  auto* form = new QFormLayout;
  form->addRow(tr("&Budget:"), budget_);
  form->addRow(tr("&Period:"), kind_);
  form->addRow(tr("&Month:"), month_);
  form->addRow(tr("&Year:"), year_);
  form->addRow(tr("&Show:"), section_);
  transfers_ = new QCheckBox(Q(reports::kIncludeTransfersOption), this);
  transfers_->setObjectName(QStringLiteral("includeTransfers"));
  transfers_->setChecked(form_.includeTransfers);
  form->addRow(QString(), transfers_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
  connect(buttons, &QDialogButtonBox::accepted, this, &BudgetPeriodWindow::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

void BudgetPeriodWindow::fillYears() {
  const int keep = year_->currentIndex() > 0 ? year_->currentData().toInt() : form_.year;
  year_->clear();
  year_->addItem(tr("Select"), 0);
  for (int year : reports::BudgetYearChoices(context_.data, form_.budget)) {
    year_->addItem(QString::number(year), year);
    if (year == keep) year_->setCurrentIndex(year_->count() - 1);
  }
}

void BudgetPeriodWindow::accept() {
  form_.budget = budget_->currentData().toInt();
  form_.kind = static_cast<reports::BudgetPeriodKind>(kind_->currentIndex());
  form_.month = month_->currentIndex();
  form_.year = year_->currentData().toInt();
  form_.section = static_cast<reports::BudgetSection>(section_->currentIndex());
  form_.includeTransfers = transfers_->isChecked();
  const reports::BudgetPeriodAnswer answer = reports::CheckBudgetReportForm(form_);
  if (!answer.status) {
    ShowStatus(context_.prompter, answer.status);
    return;
  }
  period_ = answer.period;
  QDialog::accept();
}

// ---------------------------------------------------------------- entry points

bool ShowReport(GuiContext& context, std::unique_ptr<reports::Report> report, QWidget* parent, bool* changed) {
  if (changed != nullptr) *changed = false;
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const bool any = reports::BuildForShowing(*report, context.prompter);
  QGuiApplication::restoreOverrideCursor();
  if (!any) return false;
  ReportWindow window(context, std::move(report), parent);
  window.exec();
  if (changed != nullptr) *changed = window.changed();
  return true;
}

bool RunCategoryReport(GuiContext& context, reports::PeriodMemory& memory, QWidget* parent) {
  PeriodWindow dialog(context, memory, Q(reports::kCategoryReportTitle), false, false, parent, true);
  if (dialog.exec() != QDialog::Accepted) return false;
  bool changed = false;
  ShowReport(context,
             std::make_unique<reports::CategoryReport>(context.data, dialog.period(), dialog.includeTransfers()),
             parent, &changed);
  return changed;
}

bool RunPayeeReport(GuiContext& context, reports::PeriodMemory& memory, QWidget* parent) {
  PeriodWindow dialog(context, memory, Q(reports::kPayeeReportTitle), true, false, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  bool changed = false;
  ShowReport(context,
             std::make_unique<reports::PayeeReport>(context.data, dialog.period(), dialog.expandByAccounts()), parent,
             &changed);
  return changed;
}

bool RunActivityReport(GuiContext& context, reports::PeriodMemory& memory, QWidget* parent,
                       std::optional<ledger::AccountKey> account) {
  PeriodWindow dialog(context, memory, QObject::tr("Account Activity"), false, true, parent);
  if (account) {
    if (auto* box = dialog.findChild<QComboBox*>(QStringLiteral("account"))) {
      const int index = box->findData(*account);
      if (index >= 0) box->setCurrentIndex(index);
    }
  }
  if (dialog.exec() != QDialog::Accepted || dialog.account() == 0) return false;
  bool changed = false;
  ShowReport(context, std::make_unique<reports::AccountActivityReport>(context.data, dialog.period(), dialog.account()),
             parent, &changed);
  return changed;
}

bool RunBudgetReport(GuiContext& context, QWidget* parent) {
  if (!reports::AnyBudgetExists(context.data)) {
    // Saying yes opens the budget list, where the wizard makes one.
    if (!reports::AskToCreateBudget(context.prompter)) return false;
    const bool made = RunBudgetList(context, parent);
    if (!reports::AnyBudgetExists(context.data)) return made;
  }
  BudgetPeriodWindow dialog(context, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  const reports::BudgetReportForm& form = dialog.form();
  bool changed = false;
  ShowReport(context,
             std::make_unique<reports::BudgetReport>(context.data, dialog.period(), form.budget, form.section, form.kind,
                                                     form.includeTransfers),
             parent, &changed);
  return changed;
}

}  // namespace tallyvane::gui
