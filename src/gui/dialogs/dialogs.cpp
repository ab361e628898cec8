#include "gui/dialogs/dialogs.h"

#include <QMetaObject>

#include "gui/dialogs/account_dialog.h"
#include "gui/dialogs/account_list_window.h"
#include "gui/dialogs/category_window.h"
#include "gui/dialogs/password_dialogs.h"
#include "gui/dialogs/password_prompt.h"
#include "gui/dialogs/password_recovery.h"
#include "gui/dialogs/payee_window.h"
#include "gui/dialogs/split_editor.h"
#include "gui/dialogs/transaction_dialog.h"
#include "gui/gui_context.h"
#include "store/secure.h"

namespace tallyvane::gui {

bool RunAccountForm(GuiContext& context, QWidget* parent, std::optional<ledger::AccountKey> key, int presetType) {
  AccountDialog form(context, parent, key, presetType);
  if (!form.opened()) return false;
  QMetaObject::invokeMethod(&form, [&form] { form.showOpeningWarning(); }, Qt::QueuedConnection);
  return form.exec() == QDialog::Accepted;
}

void RunAccountList(GuiContext& context, QWidget* parent, bool* changed) {
  AccountListWindow window(context, parent);
  window.exec();
  if (changed != nullptr) *changed = window.changed();
}

bool RunCategoryWindow(GuiContext& context, QWidget* parent) {
  CategoryWindow window(context, parent);
  window.exec();
  return window.changed();
}

bool RunPayeeWindow(GuiContext& context, QWidget* parent) {
  PayeeWindow window(context, parent);
  window.exec();
  return window.changed();
}

bool RunTransactionForm(GuiContext& context, QWidget* parent, ledger::AccountKey account,
                        std::optional<ledger::TransactionKey> key, bool transfer) {
  TransactionDialog form(context, parent, account, key, transfer);
  if (!form.opened()) return false;
  form.exec();
  return form.changed();
}

bool RunSplitEditor(GuiContext& context, QWidget* parent, ledger::TransactionKey parentKey) {
  SplitEditor editor(context, parent, parentKey);
  if (!editor.opened()) return false;
  return editor.exec() == QDialog::Accepted;
}

bool RunStartupPassword(GuiContext& context, QWidget* parent) {
  if (!store::isPasswordSet(context.data.db())) return true;
  PasswordPrompt prompt(context, parent);
  return prompt.exec() == QDialog::Accepted;
}

bool RunChangePassword(GuiContext& context, QWidget* parent) {
  ChangePasswordDialog dialog(context, parent);
  return dialog.exec() == QDialog::Accepted;
}

bool RunRemovePassword(GuiContext& context, QWidget* parent) {
  RemovePasswordDialog dialog(context, parent);
  return dialog.exec() == QDialog::Accepted;
}

void RunPasswordRecovery(GuiContext& context, QWidget* parent) { SendRecoveryMail(context, parent); }

}  // namespace tallyvane::gui
