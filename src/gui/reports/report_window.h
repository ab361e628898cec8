// The report windows: the period dialogs that start them, the report table
// with its drill-down into the journals, and the outputs (print, preview,
// PDF, CSV, e-mail, fax). Each entry point runs modally over `parent` and
// returns true when a journal changed data, so the caller refills.
#pragma once

#include <QDialog>
#include <QAbstractTableModel>
#include <QFont>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "gui/qt_prompter.h"
#include "ledger/keys.h"
#include "reports/journal.h"
#include "reports/period.h"
#include "reports/report.h"
#include "gui/date_field.h"

class QComboBox;
class QCheckBox;
class QLabel;
class QPrinter;
class QPushButton;
class QTableView;
class QChartView;

namespace tallyvane::gui {

struct GuiContext;

// Where a save dialog's answer comes from; tests put a scripted one in.
// Arguments: title, start file, filter; an empty answer is a cancel.
using SaveFileChooser = std::function<QString(const QString& title, const QString& start, const QString& filter)>;
void SetSaveFileChooser(SaveFileChooser chooser);
// The save dialog (or the chooser tests put in); `fileName` starts in the
// documents folder unless it is a path.
[[nodiscard]] QString ChooseSaveFileFor(QWidget* parent, const QString& title, const QString& fileName,
                                        const QString& filter);

// The rows of a report or journal as a table: hidden columns left out,
// alignment, bold rows, rules and negative amounts in red.
class ReportTableModel final : public QAbstractTableModel {
  Q_OBJECT
 public:
  static constexpr int kStyleRole = Qt::UserRole + 1;  // the cell's rule flags

  explicit ReportTableModel(QObject* parent = nullptr);
  void setReport(const reports::Report* report);
  void setJournal(const reports::Journal* journal);

  [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
  [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The row's texts in every column of the set, indent included, as the core
  // reads them for a drill-down.
  [[nodiscard]] std::vector<std::string> rowCells(int row) const;
  [[nodiscard]] int sourceColumn(int visible) const { return visible_.at(static_cast<std::size_t>(visible)); }

 private:
  void setColumns(reports::ColumnSet columns);
  const reports::Report* report_ = nullptr;
  const reports::Journal* journal_ = nullptr;
  reports::ColumnSet columns_;
  std::vector<int> visible_;
  // Made once: a long report asks for a font per painted cell.
  QFont money_;
  QFont moneyBold_;
  QFont bold_;
};

// Shows a journal opened from a report row, with Add, Edit and Delete.
class JournalWindow final : public QDialog {
  Q_OBJECT
 public:
  JournalWindow(GuiContext& context, reports::Journal& journal, QWidget* parent);
  [[nodiscard]] bool changed() const { return changed_; }
  [[nodiscard]] QTableView* table() const { return table_; }

 private:
  std::vector<ledger::TransactionKey> selected() const;
  void updateButtons();
  void refill();
  void addTransaction();
  void editTransaction();
  void deleteTransactions();

  GuiContext& context_;
  reports::Journal& journal_;
  ReportTableModel* model_ = nullptr;
  QTableView* table_ = nullptr;
  QPushButton* edit_ = nullptr;
  QPushButton* delete_ = nullptr;
  bool changed_ = false;
};

// The report table and its commands.
class ReportWindow final : public QDialog {
  Q_OBJECT
 public:
  ReportWindow(GuiContext& context, std::unique_ptr<reports::Report> report, QWidget* parent);
  ~ReportWindow() override;

  [[nodiscard]] reports::Report& report() const { return *report_; }
  [[nodiscard]] QTableView* table() const { return table_; }
  [[nodiscard]] bool changed() const { return report_->changed(); }
  // The chart beside the category and budget reports; null for the others.
  [[nodiscard]] QChartView* chart() const { return chart_; }

  // Opens the journal behind a row (a double-click or Enter).
  void drillDown(int row);
  void saveAsCsv();
  void saveAsPdf();
  void print();
  void printPreview();
  void email();
  void fax();
  void saveChart();

 private:
  void rebuild();
  void refreshChart();
  [[nodiscard]] int printTo(QPrinter& printer);

  GuiContext& context_;
  std::unique_ptr<reports::Report> report_;
  ReportTableModel* model_ = nullptr;
  QTableView* table_ = nullptr;
  QLabel* period_ = nullptr;
  QChartView* chart_ = nullptr;
};

// The period dialog of the category, payee and activity reports. With
// `accounts` it offers the account list; with `expandOption` the payee
// report's check box; with `transfersOption` the category report's
// "Include transfers between accounts".
class PeriodWindow final : public QDialog {
  Q_OBJECT
 public:
  PeriodWindow(GuiContext& context, reports::PeriodMemory& memory, const QString& title, bool expandOption,
               bool accounts, QWidget* parent, bool transfersOption = false);
  [[nodiscard]] const reports::ReportPeriod& period() const { return period_; }
  [[nodiscard]] bool expandByAccounts() const { return dialog_.expandByAccounts(); }
  [[nodiscard]] bool includeTransfers() const { return dialog_.includeTransfers(); }
  [[nodiscard]] ledger::AccountKey account() const;
  void accept() override;

 private:
  void showDates();
  GuiContext& context_;
  FieldBindings bindings_;
  reports::PeriodDialog dialog_;
  reports::ReportPeriod period_;
  QComboBox* choice_ = nullptr;
  DateField* start_ = nullptr;
  DateField* end_ = nullptr;
  QCheckBox* expand_ = nullptr;
  QCheckBox* transfers_ = nullptr;
  QComboBox* account_ = nullptr;
  bool filling_ = false;
};

// The budget report's dialog: budget, monthly or yearly, month, year,
// section, and whether transfers between accounts count.
class BudgetPeriodWindow final : public QDialog {
  Q_OBJECT
 public:
  BudgetPeriodWindow(GuiContext& context, QWidget* parent);
  [[nodiscard]] const reports::BudgetReportForm& form() const { return form_; }
  [[nodiscard]] const reports::ReportPeriod& period() const { return period_; }
  void accept() override;

 private:
  void fillYears();
  GuiContext& context_;
  FieldBindings bindings_;
  reports::BudgetReportForm form_;
  reports::ReportPeriod period_;
  QComboBox* budget_ = nullptr;
  QComboBox* kind_ = nullptr;
  QComboBox* month_ = nullptr;
  QComboBox* year_ = nullptr;
  QComboBox* section_ = nullptr;
  QCheckBox* transfers_ = nullptr;
};

// Shows a built report; false when there was nothing to show.
bool ShowReport(GuiContext& context, std::unique_ptr<reports::Report> report, QWidget* parent, bool* changed);

bool RunCategoryReport(GuiContext& context, reports::PeriodMemory& memory, QWidget* parent);
bool RunPayeeReport(GuiContext& context, reports::PeriodMemory& memory, QWidget* parent);
bool RunActivityReport(GuiContext& context, reports::PeriodMemory& memory, QWidget* parent,
                       std::optional<ledger::AccountKey> account = std::nullopt);
bool RunBudgetReport(GuiContext& context, QWidget* parent);

}  // namespace tallyvane::gui
