// Reconciling an account with a bank statement: the statement form, then the
// window with the candidate rows, their ticks and in-place amount
// corrections, the live summary figures, and Finish with the balancing
// question. Every figure and rule is the core reconciliation's.
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <optional>

#include "gui/qt_prompter.h"
#include "planning/reconciliation.h"
#include "gui/date_field.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QTableView;

namespace tallyvane::gui {

struct GuiContext;

// The candidate rows of a reconciliation in progress. Ticking and correcting
// go through the reconciliation and touch only the row concerned.
class ReconcileModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { Tick, Split, Cleared, Date, Payee, Note, Payment, Deposit, ColumnCount };

  ReconcileModel(GuiContext& context, planning::Reconciliation& reconciliation, QObject* parent = nullptr);

  // After the list was rebuilt by the reconciliation.
  void reload();
  void toggle(int row);

  [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
  [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 signals:
  // A tick or an amount changed: the summary is out of date.
  void figuresChanged();

 private:
  GuiContext& context_;
  planning::Reconciliation& reconciliation_;
};

class StatementDialog final : public QDialog {
  Q_OBJECT

 public:
  StatementDialog(GuiContext& context, QWidget* parent, const planning::StatementForm& form);

  // Set once the statement was accepted and the reconciliation started.
  std::optional<planning::Reconciliation> started;

 private:
  void confirm();

  GuiContext& context_;
  FieldBindings bindings_;
  planning::StatementForm form_;
  DateField* opening_;
  DateField* statement_;
  QLineEdit* closing_;
};

class ReconcileWindow final : public QDialog {
  Q_OBJECT

 public:
  ReconcileWindow(GuiContext& context, QWidget* parent, planning::Reconciliation reconciliation);

  [[nodiscard]] planning::Reconciliation& reconciliation() { return reconciliation_; }
  [[nodiscard]] QTableView* view() const { return view_; }
  [[nodiscard]] ReconcileModel* model() const { return model_; }
  void finish();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void refreshFigures();

  GuiContext& context_;
  FieldBindings bindings_;
  planning::Reconciliation reconciliation_;
  ReconcileModel* model_;
  QTableView* view_;
  QCheckBox* showAll_;
  QLabel* openingDate_;
  QLabel* openingBalance_;
  QLabel* reconciledDate_;
  QLabel* reconciledBalance_;
  QLabel* closingBalance_;
  QLabel* difference_;
};

}  // namespace tallyvane::gui
