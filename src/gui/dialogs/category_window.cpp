#include "gui/dialogs/category_window.h"

#include "gui/dialogs/category_dialog.h"
#include "gui/dialogs/form_support.h"
#include "gui/gui_context.h"

namespace tallyvane::gui {

CategoryWindow::CategoryWindow(GuiContext& context, QWidget* parent)
    : ListWindow(context, parent, tr("Categories"), {tr("Category"), tr("Kind")}) {
  start();
}

void CategoryWindow::refill() {
  std::vector<int32_t> keys;
  std::vector<QStringList> cells;
  for (const ledger::CategoryLine& line : ledger::CategoryWindowLines(context_.data)) {
    keys.push_back(line.key);
    cells.push_back({Q(line.fullName), line.expense ? tr("Expense") : tr("Income")});
  }
  model()->setLines(std::move(keys), std::move(cells));
}

bool CategoryWindow::runAdd(int32_t& key) {
  // A new category takes the kind of the line the user is on.
  bool expense = true;
  if (const std::vector<int32_t> selected = selectedKeys(); !selected.empty()) {
    expense = ledger::IsExpenseCategory(context_.data, selected.front());
  }
  CategoryDialog form(context_, this, std::nullopt, expense);
  if (form.exec() != QDialog::Accepted) return false;
  if (form.savedKey()) key = *form.savedKey();
  return true;
}

bool CategoryWindow::runEdit(int32_t& key) {
  CategoryDialog form(context_, this, key);
  if (!form.opened() || form.exec() != QDialog::Accepted) return false;
  return true;
}

bool CategoryWindow::runDelete(const std::vector<int32_t>& keys) {
  const store::Status status = ledger::DeleteCategoriesFromWindow(context_.data, keys, context_.prompter);
  ShowStatus(context_.prompter, status);
  return status.ok;
}

ListWindow::Search CategoryWindow::runFind(const std::string& text) { return search_.find(context_.data, text); }

ListWindow::Search CategoryWindow::runFindNext() { return search_.findNext(context_.data); }

}  // namespace tallyvane::gui
