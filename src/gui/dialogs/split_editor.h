// The split editor: the lines a transaction's amount is divided into, each
// with category, note and a payment or a deposit. The amounts must add up to
// the transaction's; the save operation checks that and writes the lines.
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QLabel>
#include <QTableView>
#include <optional>
#include <vector>

#include "gui/qt_prompter.h"
#include "ledger/entry.h"
#include "store/money.h"

namespace tallyvane::gui {

struct GuiContext;

class SplitLineModel final : public QAbstractTableModel {
 public:
  enum Column { CategoryColumn, NoteColumn, PaymentColumn, DepositColumn, ColumnCount };

  SplitLineModel(GuiContext& context, QObject* parent);

  void setLines(std::vector<ledger::SplitLineInput> lines);
  [[nodiscard]] const std::vector<ledger::SplitLineInput>& lines() const { return lines_; }
  void addLine(ledger::SplitLineInput line);
  // Removes the rows and returns the keys of stored lines among them.
  std::vector<ledger::SplitLineKey> removeRows(std::vector<int> rows);
  // The sum of the line values: deposits, less payments.
  [[nodiscard]] store::Money sum(int exceptRow = -1) const;

  [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

 private:
  GuiContext& context_;
  std::vector<ledger::SplitLineInput> lines_;
};

class SplitEditor final : public QDialog {
 public:
  // The lines of a stored row, saved by OK.
  SplitEditor(GuiContext& context, QWidget* parent, ledger::TransactionKey parentKey);
  // Lines for a form not saved yet: OK checks them and keeps them for the
  // form's own save (lines(), removed()); nothing is written here.
  SplitEditor(GuiContext& context, QWidget* parent, store::Money parentAmount,
              std::vector<ledger::SplitLineInput> lines);

  [[nodiscard]] bool opened() const { return opened_; }
  [[nodiscard]] SplitLineModel* model() const { return model_; }
  [[nodiscard]] QTableView* view() const { return view_; }
  [[nodiscard]] QLabel* allocatedLabel() const { return allocated_; }
  [[nodiscard]] const std::vector<ledger::SplitLineInput>& lines() const { return model_->lines(); }
  [[nodiscard]] const std::vector<ledger::SplitLineKey>& removed() const { return removed_; }

  void addSplit();
  void deleteSplits();
  // OK: saves, or shows the refusal and stays open.
  bool save();

 private:
  void build(std::vector<ledger::SplitLineInput> lines);
  void updateAllocated();

  GuiContext& context_;
  FieldBindings bindings_;
  std::optional<ledger::TransactionKey> parentKey_;
  store::Money parentAmount_;
  bool opened_ = false;
  std::vector<ledger::SplitLineKey> removed_;
  SplitLineModel* model_;
  QTableView* view_;
  QLabel* allocated_;
};

}  // namespace tallyvane::gui
