// The main window's register for an investment account: its rows with the
// running share count, value and running total, the cleared tick, a context
// menu (add, edit, delete, find, find next) and the investment form.
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "gui/qt_prompter.h"
#include "planning/investments.h"
#include "gui/date_field.h"

class QAction;
class QComboBox;
class QLineEdit;
class QTableView;

namespace tallyvane::gui {

struct GuiContext;

class InvestmentModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { Cleared, Date, Action, Security, Note, Shares, RunningShares, Price, Value, Total, RunningTotal,
                ColumnCount };

  InvestmentModel(GuiContext& context, QObject* parent = nullptr);

  void setRows(std::vector<planning::InvestmentRegisterRow> rows);
  [[nodiscard]] const std::vector<planning::InvestmentRegisterRow>& rows() const { return rows_; }
  [[nodiscard]] int rowOfKey(planning::InvestmentKey key) const;

  [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  GuiContext& context_;
  std::vector<planning::InvestmentRegisterRow> rows_;
};

class InvestmentRegister final : public QWidget {
  Q_OBJECT

 public:
  InvestmentRegister(GuiContext& context, QWidget* parent = nullptr);

  // The account's rows in the period; the selection is kept by row.
  void fill(planning::AccountKey account, const std::string& from, const std::string& to);
  [[nodiscard]] QTableView* view() const { return view_; }
  [[nodiscard]] InvestmentModel* model() const { return model_; }
  [[nodiscard]] std::vector<planning::InvestmentKey> selectedKeys() const;
  [[nodiscard]] std::optional<planning::InvestmentKey> currentKey() const;
  void selectKey(planning::InvestmentKey key);

  void addInvestment();
  void editInvestment();
  void deleteInvestments();
  // Find from the top; find next from the current row.
  void find(const std::string& text);
  void findNext();

 signals:
  // Rows were written: the window's balances and panel are out of date.
  void changed();

 private:
  void refill();
  void updateActions();
  void promptFind();
  void select(const planning::InvestmentFindResult& found);

  GuiContext& context_;
  planning::AccountKey account_ = 0;
  std::string from_;
  std::string to_;
  std::string findText_;
  InvestmentModel* model_;
  QTableView* view_;
  QAction* add_;
  QAction* edit_;
  QAction* delete_;
  QAction* find_;
  QAction* findNext_;
};

class InvestmentDialog final : public QDialog {
  Q_OBJECT

 public:
  InvestmentDialog(GuiContext& context, QWidget* parent, planning::InvestmentForm form);

  [[nodiscard]] std::optional<planning::InvestmentKey> savedKey() const { return saved_; }
  bool save();

 private:
  GuiContext& context_;
  FieldBindings bindings_;
  planning::InvestmentForm form_;
  std::optional<planning::InvestmentKey> saved_;

  DateField* date_;
  QComboBox* action_;
  QComboBox* security_;
  QLineEdit* note_;
  QLineEdit* shares_;
  QLineEdit* price_;
  QLineEdit* commission_;
  QLineEdit* total_;
};

}  // namespace tallyvane::gui
