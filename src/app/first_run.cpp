#include "app/first_run.h"

#include <array>
#include <string>

#include "app/main_window_rules.h"
#include "ledger/accounts.h"
#include "store/db.h"
#include "store/record.h"

namespace tallyvane::app {

namespace {

constexpr std::array<std::string_view, 3> kDefaultAccounts = {"Checking Account", "Savings Account", "Credit Card"};
// The Variables row that marks a data file as set up; its value is the time.
constexpr std::string_view kSetUpMark = "TVFIRSTRUN";

bool MarkedAsSetUp(store::Db& db) {
  return !store::QueryFirstText(db, store::FormatSql("SELECT ID FROM Variables WHERE ID = '%Q'", {kSetUpMark})).empty();
}

void MarkAsSetUp(store::DataContext& data) {
  store::WriteGuard guard(data.db());
  store::Table variables(data.db(), "Variables");
  store::Record row;
  store::LoadOrPrepareRecord(variables, row, kSetUpMark);
  row.SetText("Value", std::to_string(static_cast<long long>(data.now())));
  if (store::SaveRecord(row)) static_cast<void>(guard.commit());
}

// Outside the US the shipped directory lists institutions the user cannot
// reach; it starts empty, and without a fingerprint it is not counted as
// tampered with.
void EmptyDirectory(store::Db& db) {
  store::WriteGuard guard(db);
  db.exec("UPDATE FinancialInstitutions SET Deleted = 1");
  db.exec("DELETE FROM Variables WHERE ID = 'HSFIUL'");
  static_cast<void>(guard.commit());
}

}  // namespace

bool RunFirstRunSetup(store::DataContext& data, store::Prompter& prompter, FirstRunForms& forms) {
  if (data.systemLocale().country != "US") EmptyDirectory(data.db());

  bool setUp = false;
  const std::size_t choice = prompter.ask(
      kSetUpTitle,
      "Set Up Accounts: Enter the starting balance and other details for your existing accounts.\n"
      "Use Default Accounts: You can edit the account details later in the Account Information screen for each "
      "account.",
      {"Set Up Accounts", "Use Default Accounts"}, store::Icon::Question);
  if (choice == 0) {
    for (std::string_view name : kDefaultAccounts) {
      const std::string question = "Do you have a " + std::string(name) + " that you would like to manage?";
      if (prompter.ask(kSetUpTitle, question, {"Set Up Account", "Use Default Account"}, store::Icon::Question) != 0) {
        continue;
      }
      // A default account the file lacks opens the form with nothing to edit.
      if (forms.accountForm(ledger::FindAccountByName(data, name))) setUp = true;
    }
    for (bool first = true;; first = false) {
      const std::string_view question =
          first ? "Do you want to add an additional account?" : "Do you want to add another additional account?";
      if (prompter.ask(kSetUpTitle, question, {"Set Up Account", "No Thanks"}, store::Icon::Question) != 0) break;
      if (forms.accountForm(std::nullopt)) setUp = true;
    }
  }

  if (prompter.ask("Tallyvane Security - Password",
                   "To protect your financial information from unauthorized access, we strongly recommend you set up "
                   "a password for Tallyvane.\nYou can always remove or change the password later.",
                   {"Secure Tallyvane", "No Thanks"}, store::Icon::Question) == 0) {
    forms.addPasswordDialog();
  }
  MarkAsSetUp(data);
  return setUp;
}

bool FirstRunDue(store::DataContext& data, const store::Settings& settings) {
  if (MainWindowPlacedBefore(settings)) return false;
  return !data.db().isOpen() || !MarkedAsSetUp(data.db());
}

}  // namespace tallyvane::app
