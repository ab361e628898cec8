// Scheduled transactions: the list with its active and old views and the
// overdue filter, post / skip / add / edit / delete on the selection, and
// the schedule form with every recurrence kind. The rules, checks and
// questions are the core schedules'.
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <optional>
#include <vector>

#include "gui/qt_prompter.h"
#include "planning/schedules.h"
#include "store/regional.h"
#include "gui/date_field.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableView;

namespace tallyvane::gui {

struct GuiContext;

class ScheduleModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { Account, Payee, Category, Payment, Deposit, Next, End, ColumnCount };

  ScheduleModel(GuiContext& context, QObject* parent = nullptr);

  void setLines(std::vector<planning::ScheduleListLine> lines);
  [[nodiscard]] planning::ScheduleKey keyAt(int row) const;
  [[nodiscard]] int rowOfKey(planning::ScheduleKey key) const;

  [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  GuiContext& context_;
  std::vector<planning::ScheduleListLine> lines_;
};

class ScheduleListWindow final : public QDialog {
  Q_OBJECT

 public:
  ScheduleListWindow(GuiContext& context, QWidget* parent, bool overdueOnly = false);

  [[nodiscard]] bool changed() const { return changed_; }
  [[nodiscard]] QTableView* view() const { return view_; }
  [[nodiscard]] ScheduleModel* model() const { return model_; }
  [[nodiscard]] std::vector<planning::ScheduleKey> selectedKeys() const;
  void selectKey(planning::ScheduleKey key);

  void addSchedule();
  void editSchedule();
  void deleteSchedules();
  void postSchedules();
  void skipSchedules();
  void toggleView();

 private:
  void refill(std::optional<planning::ScheduleKey> select = std::nullopt);
  void updateActions();

  GuiContext& context_;
  planning::ScheduleView viewMode_ = planning::ScheduleView::Active;
  bool changed_ = false;
  ScheduleModel* model_;
  QTableView* view_;
  QCheckBox* overdue_;
  QAction* add_;
  QAction* edit_;
  QAction* delete_;
  QAction* post_;
  QAction* skip_;
  QAction* toggle_;
};

// The recurrence part both schedule forms share: next and end date, the
// no-end tick, every N days/weeks/months or day D of every month, reminders.
class RecurrenceBox final : public QWidget {
  Q_OBJECT

 public:
  explicit RecurrenceBox(const store::RegionalSettings& regional, QWidget* parent = nullptr);

  void setFields(const planning::RecurrenceFields& fields);
  [[nodiscard]] planning::RecurrenceFields fields() const;
  // The core's field names for the balloons of CheckRecurrence.
  void bind(FieldBindings& bindings);

 private:
  DateField* next_;
  DateField* end_;
  QCheckBox* noEnd_;
  QRadioButton* everyMode_;
  QRadioButton* dayMode_;
  QSpinBox* every_;
  QComboBox* unit_;
  QSpinBox* day_;
  QCheckBox* reminders_;
};

class ScheduleDialog final : public QDialog {
  Q_OBJECT

 public:
  ScheduleDialog(GuiContext& context, QWidget* parent, planning::ScheduleForm form);

  [[nodiscard]] bool changed() const { return changed_; }
  [[nodiscard]] planning::ScheduleKey savedKey() const { return saved_; }
  bool save();

 private:
  [[nodiscard]] ledger::TransactionType type() const;
  void fillCategories();
  void fillSubcategories();
  void updateTypeFields();
  void payeeChosen();
  void gather();

  GuiContext& context_;
  FieldBindings bindings_;
  planning::ScheduleForm form_;
  bool changed_ = false;
  planning::ScheduleKey saved_ = 0;

  QComboBox* account_;
  QComboBox* type_;
  QLabel* payeeLabel_;
  QComboBox* payee_;
  QComboBox* transferAccount_;
  QLineEdit* amount_;
  QComboBox* category_;
  QComboBox* subcategory_;
  RecurrenceBox* recurrence_;
};

}  // namespace tallyvane::gui
