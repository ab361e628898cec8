#include "gui/dialogs/account_list_window.h"

#include "gui/dialogs/account_dialog.h"
#include "gui/dialogs/form_support.h"
#include "gui/gui_context.h"
#include "gui/qt_progress.h"

namespace tallyvane::gui {

AccountListWindow::AccountListWindow(GuiContext& context, QWidget* parent)
    : ListWindow(context, parent, tr("Accounts"), {tr("Account Name"), tr("Account Type"), tr("Account Number")}) {
  start();
}

void AccountListWindow::refill() {
  std::vector<int32_t> keys;
  std::vector<QStringList> cells;
  for (const ledger::AccountListLine& line : ledger::AccountListLines(context_.data)) {
    keys.push_back(line.key);
    cells.push_back({Q(line.name), Q(line.typeName), Q(line.maskedNumber)});
  }
  model()->setLines(std::move(keys), std::move(cells));
}

bool AccountListWindow::runForm(std::optional<ledger::AccountKey> key, int32_t& saved) {
  AccountDialog form(context_, this, key);
  if (!form.opened()) return false;
  QMetaObject::invokeMethod(&form, [&form] { form.showOpeningWarning(); }, Qt::QueuedConnection);
  if (form.exec() != QDialog::Accepted) return false;
  if (form.savedKey()) saved = *form.savedKey();
  return true;
}

bool AccountListWindow::runAdd(int32_t& key) { return runForm(std::nullopt, key); }

bool AccountListWindow::runEdit(int32_t& key) { return runForm(key, key); }

bool AccountListWindow::runDelete(const std::vector<int32_t>& keys) {
  QtProgress progress(this);
  const store::Status status = ledger::DeleteAccountsFromList(context_.data, keys, context_.prompter, progress);
  // The at-least-one refusal was shown as it happened.
  if (!status && status.fileError) ShowStatus(context_.prompter, status);
  return status.ok;
}

ListWindow::Search AccountListWindow::runFind(const std::string& text) { return search_.find(context_.data, text); }

ListWindow::Search AccountListWindow::runFindNext() { return search_.findNext(context_.data); }

}  // namespace tallyvane::gui
