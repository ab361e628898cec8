#include "gui/dialogs/payee_window.h"

#include "gui/dialogs/form_support.h"
#include "gui/dialogs/payee_dialog.h"
#include "gui/gui_context.h"
#include "ledger/payees.h"

namespace tallyvane::gui {

PayeeWindow::PayeeWindow(GuiContext& context, QWidget* parent)
    : ListWindow(context, parent, tr("Payees"), {tr("Payee"), tr("Notes")}) {
  start();
}

void PayeeWindow::refill() {
  std::vector<int32_t> keys;
  std::vector<QStringList> cells;
  for (const ledger::PayeeLine& line : ledger::PayeeWindowLines(context_.data)) {
    keys.push_back(line.key);
    // Notes may run over several lines; the list shows the first.
    cells.push_back({Q(line.name), Q(line.notes).section(QLatin1Char('\n'), 0, 0)});
  }
  model()->setLines(std::move(keys), std::move(cells));
}

bool PayeeWindow::runAdd(int32_t& key) {
  PayeeDialog form(context_, this, std::nullopt);
  if (form.exec() != QDialog::Accepted) return false;
  if (form.savedKey()) key = *form.savedKey();
  return true;
}

bool PayeeWindow::runEdit(int32_t& key) {
  PayeeDialog form(context_, this, key);
  if (!form.opened() || form.exec() != QDialog::Accepted) return false;
  // Taking over another payee's name leaves that payee holding it.
  if (form.savedKey()) key = *form.savedKey();
  return true;
}

bool PayeeWindow::runDelete(const std::vector<int32_t>& keys) {
  const store::Status status = ledger::DeletePayeesFromWindow(context_.data, keys, context_.prompter);
  ShowStatus(context_.prompter, status);
  return status.ok;
}

ListWindow::Search PayeeWindow::runFind(const std::string& text) { return search_.find(context_.data, text); }

ListWindow::Search PayeeWindow::runFindNext() { return search_.findNext(context_.data); }

}  // namespace tallyvane::gui
