// Scheduled investment actions: the list (active and old views, the overdue
// filter, post, skip, add, edit, delete) and the investment schedule form.
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <optional>
#include <vector>

#include "gui/qt_prompter.h"
#include "planning/investment_schedules.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QTableView;

namespace tallyvane::gui {

struct GuiContext;
class RecurrenceBox;

class InvestmentScheduleModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { Account, Action, Security, Shares, Price, Commission, Cost, Next, End, ColumnCount };

  InvestmentScheduleModel(GuiContext& context, QObject* parent = nullptr);
  void setLines(std::vector<planning::InvestmentScheduleLine> lines);
  [[nodiscard]] planning::InvestmentScheduleKey keyAt(int row) const;
  [[nodiscard]] int rowOfKey(planning::InvestmentScheduleKey key) const;

  [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  GuiContext& context_;
  std::vector<planning::InvestmentScheduleLine> lines_;
};

class InvestmentScheduleListWindow final : public QDialog {
  Q_OBJECT

 public:
  InvestmentScheduleListWindow(GuiContext& context, QWidget* parent);

  [[nodiscard]] bool changed() const { return changed_; }
  [[nodiscard]] QTableView* view() const { return view_; }
  [[nodiscard]] InvestmentScheduleModel* model() const { return model_; }
  [[nodiscard]] std::vector<planning::InvestmentScheduleKey> selectedKeys() const;
  void selectKey(planning::InvestmentScheduleKey key);

  void addSchedule();
  void editSchedule();
  void deleteSchedules();
  void postSchedules();
  void skipSchedules();
  void toggleView();

 private:
  void refill(std::optional<planning::InvestmentScheduleKey> select = std::nullopt);
  void updateActions();

  GuiContext& context_;
  planning::ScheduleView viewMode_ = planning::ScheduleView::Active;
  bool changed_ = false;
  InvestmentScheduleModel* model_;
  QTableView* view_;
  QCheckBox* overdue_;
  QAction* add_;
  QAction* edit_;
  QAction* delete_;
  QAction* post_;
  QAction* skip_;
  QAction* toggle_;
};

class InvestmentScheduleDialog final : public QDialog {
  Q_OBJECT

 public:
  InvestmentScheduleDialog(GuiContext& context, QWidget* parent, planning::InvestmentScheduleForm form);

  [[nodiscard]] bool changed() const { return changed_; }
  [[nodiscard]] planning::InvestmentScheduleKey savedKey() const { return saved_; }
  bool save();

 private:
  GuiContext& context_;
  FieldBindings bindings_;
  planning::InvestmentScheduleForm form_;
  bool changed_ = false;
  planning::InvestmentScheduleKey saved_ = 0;

  QComboBox* account_;
  QComboBox* action_;
  QComboBox* security_;
  QLineEdit* shares_;
  QLineEdit* price_;
  QLineEdit* commission_;
  QLineEdit* total_;
  RecurrenceBox* recurrence_;
};

}  // namespace tallyvane::gui
