// The planning windows as the main window opens them: reconciliation,
// scheduled transactions, securities, investment schedules and budgets. Each
// runs modally over `parent` and returns true when it changed the data, so
// the caller refills what it shows.
#pragma once

#include <optional>

#include "ledger/keys.h"

class QWidget;

namespace tallyvane::gui {

struct GuiContext;

// "Reconcile Account": the statement form, then the reconciliation window.
// Starting already moves the account's LastReconciled, so a started
// reconciliation counts as a change even when abandoned.
bool RunReconciliation(GuiContext& context, QWidget* parent, ledger::AccountKey account);

// "Scheduled Transactions": the list with post, skip, add, edit and delete.
// `overdueOnly` opens it on the overdue schedules, as the start-up reminder does.
bool RunScheduleList(GuiContext& context, QWidget* parent, bool overdueOnly = false);
// "Schedule Transaction" on a register row: the schedule form filled from it.
bool RunScheduleFromTransaction(GuiContext& context, QWidget* parent, ledger::TransactionKey key);

// "Securities": the list with add, edit, delete and find.
bool RunSecurityWindow(GuiContext& context, QWidget* parent);
// "Scheduled Investment Transactions": refused with a message when there is
// no investment account.
bool RunInvestmentScheduleList(GuiContext& context, QWidget* parent);

// "Budgets": the list with the new-budget wizard, the property sheet, rename
// and delete.
bool RunBudgetList(GuiContext& context, QWidget* parent);

}  // namespace tallyvane::gui
