#include "gui/dialogs/dialogs.h"

namespace tallyvane::gui {

bool RunAccountForm(GuiContext&, QWidget*, std::optional<ledger::AccountKey>, int) { return false; }
void RunAccountList(GuiContext&, QWidget*, bool* changed) {
  if (changed != nullptr) *changed = false;
}
bool RunCategoryWindow(GuiContext&, QWidget*) { return false; }
bool RunPayeeWindow(GuiContext&, QWidget*) { return false; }
bool RunTransactionForm(GuiContext&, QWidget*, ledger::AccountKey, std::optional<ledger::TransactionKey>, bool) {
  return false;
}
bool RunSplitEditor(GuiContext&, QWidget*, ledger::TransactionKey) { return false; }
bool RunStartupPassword(GuiContext&, QWidget*) { return true; }
bool RunChangePassword(GuiContext&, QWidget*) { return false; }
bool RunRemovePassword(GuiContext&, QWidget*) { return false; }
void RunPasswordRecovery(GuiContext&, QWidget*) {}

}  // namespace tallyvane::gui
