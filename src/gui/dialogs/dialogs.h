// The ledger's forms and list windows as the main window opens them. Each
// runs modally over `parent` and returns true when it changed the data, so
// the caller refills what it shows.
#pragma once

#include <optional>

#include "ledger/keys.h"

class QWidget;

namespace tallyvane::gui {

struct GuiContext;

bool RunAccountForm(GuiContext& context, QWidget* parent, std::optional<ledger::AccountKey> key,
                    int presetType = 0);
// The account list; `changed` (when given) tells whether anything was saved or deleted.
void RunAccountList(GuiContext& context, QWidget* parent, bool* changed = nullptr);
bool RunCategoryWindow(GuiContext& context, QWidget* parent);
bool RunPayeeWindow(GuiContext& context, QWidget* parent);
bool RunTransactionForm(GuiContext& context, QWidget* parent, ledger::AccountKey account,
                        std::optional<ledger::TransactionKey> key, bool transfer = false);
bool RunSplitEditor(GuiContext& context, QWidget* parent, ledger::TransactionKey parentKey);
// False: the user gave up or cancelled, and the program ends.
bool RunStartupPassword(GuiContext& context, QWidget* parent);
// Adds a password when none is set.
bool RunChangePassword(GuiContext& context, QWidget* parent);
bool RunRemovePassword(GuiContext& context, QWidget* parent);
void RunPasswordRecovery(GuiContext& context, QWidget* parent);

}  // namespace tallyvane::gui
