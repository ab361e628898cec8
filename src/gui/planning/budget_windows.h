// Budgets: the list (add, edit, delete, rename), the new-budget wizard
// (name, accounts, income, expenses) and the property sheet. The pages are
// views over the core's page models, which hold every rule and total.
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QWidget>
#include <QWizard>
#include <optional>

#include "gui/qt_prompter.h"
#include "planning/budgets.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QTableView;

namespace tallyvane::gui {

struct GuiContext;

// The accounts page: a tick per account, its name and current balance.
class BudgetAccountsWidget final : public QWidget {
  Q_OBJECT

 public:
  BudgetAccountsWidget(GuiContext& context, planning::BudgetAccountsPage& page, QWidget* parent = nullptr);
  [[nodiscard]] QTableView* view() const { return view_; }
  // Leaving the page: the core's check, shown at the list.
  bool leave();

 private:
  GuiContext& context_;
  planning::BudgetAccountsPage& page_;
  QTableView* view_;
};

// The income or expense page: categories with their monthly amounts edited
// in place, Add / Edit / Delete, the total and (expenses) the warning tick.
class BudgetPlanWidget final : public QWidget {
  Q_OBJECT

 public:
  BudgetPlanWidget(GuiContext& context, planning::BudgetPlanPage& page, QWidget* parent = nullptr);
  [[nodiscard]] QTableView* view() const { return view_; }
  [[nodiscard]] QLabel* totalLabel() const { return total_; }
  void refreshTotal();

 private:
  void addCategory();
  void editCategory();
  void clearSelected();
  void reload();

  GuiContext& context_;
  planning::BudgetPlanPage& page_;
  QTableView* view_;
  QLabel* total_;
  QCheckBox* warn_ = nullptr;
};

class NewBudgetWizardDialog final : public QWizard {
  Q_OBJECT

 public:
  enum Page { NamePage, AccountsPage, IncomePage, ExpensePage };

  NewBudgetWizardDialog(GuiContext& context, QWidget* parent);
  [[nodiscard]] planning::NewBudgetWizard& wizard() { return wizard_; }
  [[nodiscard]] std::optional<planning::BudgetKey> created() const { return created_; }
  [[nodiscard]] BudgetPlanWidget* expensePage() const { return expenses_; }

  bool validateCurrentPage() override;
  void accept() override;

 private:
  GuiContext& context_;
  FieldBindings bindings_;
  planning::NewBudgetWizard wizard_;
  std::optional<planning::BudgetKey> created_;
  QLineEdit* name_;
  BudgetAccountsWidget* accounts_;
  BudgetPlanWidget* income_;
  BudgetPlanWidget* expenses_;
};

class BudgetPropertiesDialog final : public QDialog {
  Q_OBJECT

 public:
  BudgetPropertiesDialog(GuiContext& context, QWidget* parent, planning::BudgetPropertySheet sheet);
  void accept() override;

 private:
  GuiContext& context_;
  FieldBindings bindings_;
  planning::BudgetPropertySheet sheet_;
  BudgetAccountsWidget* accounts_;
};

class BudgetListWindow final : public QDialog {
  Q_OBJECT

 public:
  BudgetListWindow(GuiContext& context, QWidget* parent);
  [[nodiscard]] bool changed() const { return changed_; }
  [[nodiscard]] QTableView* view() const { return view_; }
  [[nodiscard]] std::vector<planning::BudgetKey> selectedKeys() const;
  void selectKey(planning::BudgetKey key);

  void addBudget();
  void editBudget();
  void deleteBudgets();
  // The in-place rename, as the list's editor commits it.
  bool rename(planning::BudgetKey key, const QString& name);

 private:
  void refill(std::optional<planning::BudgetKey> select = std::nullopt);
  void updateActions();

  GuiContext& context_;
  bool changed_ = false;
  class Model;
  Model* model_;
  QTableView* view_;
  QAction* add_;
  QAction* edit_;
  QAction* delete_;
  QAction* rename_;
  QAction* report_;
};

}  // namespace tallyvane::gui
