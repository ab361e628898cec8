#include "app/options.h"

#include "store/secure.h"

namespace tallyvane::app {

OptionsSheet OpenOptionsSheet(store::DataContext& data, const store::Settings& settings) {
  OptionsSheet sheet;
  sheet.regional = data.regional();
  sheet.passwordProtected = store::isPasswordSet(data.db());
  sheet.checkForAntivirus = settings.readInt("Settings", kCheckForAntivirus, 1) != 0;
  return sheet;
}

void SetPasswordBox(OptionsSheet& sheet, bool ticked, store::Db& db, PasswordDialogs& dialogs) {
  if (ticked == sheet.passwordProtected) return;
  if (ticked) {
    dialogs.changePassword(!store::isPasswordSet(db));
  } else {
    dialogs.removePassword();
  }
  // Whatever the dialog did (or did not do) is what the box shows.
  sheet.passwordProtected = store::isPasswordSet(db);
}

void ChangePasswordButton(OptionsSheet& sheet, store::Db& db, PasswordDialogs& dialogs) {
  if (!sheet.passwordButtonsEnabled()) return;
  dialogs.changePassword(!store::isPasswordSet(db));
  sheet.passwordProtected = store::isPasswordSet(db);
}

void RemovePasswordButton(OptionsSheet& sheet, store::Db& db, PasswordDialogs& dialogs) {
  if (!sheet.passwordButtonsEnabled()) return;
  dialogs.removePassword();
  sheet.passwordProtected = store::isPasswordSet(db);
}

store::Status ConfirmOptions(store::DataContext& data, store::Settings& settings, const OptionsSheet& sheet,
                             store::Prompter& prompter) {
  const store::RegionalSettings current = data.regional();
  if (store::Status saved = store::SaveRegionalOptions(data.db(), current, sheet.regional, prompter); !saved) {
    return saved;
  }
  data.reloadRegionalSettings();
  if (!settings.writeInt("Settings", kCheckForAntivirus, sheet.checkForAntivirus ? 1 : 0)) {
    return store::Status::FileError("The settings file could not be written.");
  }
  return store::Status::Ok();
}

AntivirusState QueryAntivirusState() { return AntivirusState::CannotBeQueried; }

std::optional<std::string> AntivirusReminder(const store::Settings& settings,
                                             const std::function<AntivirusState()>& query) {
  if (settings.readInt("Settings", kCheckForAntivirus, 1) == 0) return std::nullopt;
  switch (query()) {
    case AntivirusState::NotInstalled:
      return "Tallyvane has detected that you don't have an antivirus installed. Your personal finance information "
             "will be stored on your local computer. We strongly recommend that you install an antivirus program to "
             "prevent malware.";
    case AntivirusState::Expired:
      return "Tallyvane has detected your antivirus has expired. Your personal finance information will be stored on "
             "your local computer. We strongly recommend to update your antivirus to prevent malware.";
    case AntivirusState::CannotBeQueried:
    case AntivirusState::UpToDate:
      break;
  }
  return std::nullopt;
}

void StopAntivirusReminder(store::Settings& settings) { settings.writeInt("Settings", kCheckForAntivirus, 0); }

}  // namespace tallyvane::app
