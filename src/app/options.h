// The options sheet as an operation over copies: the Regional tab's settings,
// the Security tab's password box (whose state the password dialogs decide)
// and its start-up antivirus check, written when the sheet is confirmed. The
// antivirus reminder itself: Linux has no security centre to ask, so the
// state cannot be queried and no reminder is ever shown.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "store/data_context.h"
#include "store/ports.h"
#include "store/regional.h"
#include "store/settings.h"
#include "store/status.h"

namespace tallyvane::app {

inline constexpr std::string_view kCheckForAntivirus = "CheckForAntivirus";

// The two password dialogs, shown by the window application (their core is
// ChangePassword and RemovePassword). Each stores its result itself when
// confirmed; the return says whether it was confirmed.
class PasswordDialogs {
 public:
  virtual ~PasswordDialogs() = default;
  // The change-password dialog; `addForm` shows it as "Add password".
  virtual bool changePassword(bool addForm) = 0;
  virtual bool removePassword() = 0;
};

struct OptionsSheet {
  store::RegionalSettings regional;  // the Regional tab
  bool passwordProtected = false;    // "Password protect access to Tallyvane"
  bool checkForAntivirus = true;     // "Check antivirus status on start up"
  // "Change Your Password" and "Remove Your Password".
  [[nodiscard]] bool passwordButtonsEnabled() const { return passwordProtected; }
};

[[nodiscard]] OptionsSheet OpenOptionsSheet(store::DataContext& data, const store::Settings& settings);

// The user ticks or clears the password box: ticking opens the change dialog
// ("Add password" when none is set), clearing opens the remove dialog, and
// the box then shows whether a password is set.
void SetPasswordBox(OptionsSheet& sheet, bool ticked, store::Db& db, PasswordDialogs& dialogs);
// The two buttons open the same dialogs directly.
void ChangePasswordButton(OptionsSheet& sheet, store::Db& db, PasswordDialogs& dialogs);
void RemovePasswordButton(OptionsSheet& sheet, store::Db& db, PasswordDialogs& dialogs);

// OK: saves the regional settings (asking before a change of currency digits)
// and writes CheckForAntivirus, then reloads the context's settings.
[[nodiscard]] store::Status ConfirmOptions(store::DataContext& data, store::Settings& settings,
                                           const OptionsSheet& sheet, store::Prompter& prompter);

enum class AntivirusState { CannotBeQueried, NotInstalled, Expired, UpToDate };

// What the platform says about antivirus software: on Linux, nothing.
[[nodiscard]] AntivirusState QueryAntivirusState();

// The start-up reminder's text, or nullopt when none is due: none while
// CheckForAntivirus is 0 (no query is made then), and none when the state
// cannot be queried.
[[nodiscard]] std::optional<std::string> AntivirusReminder(
    const store::Settings& settings, const std::function<AntivirusState()>& query = QueryAntivirusState);
// "Don't show this again" under the reminder.
void StopAntivirusReminder(store::Settings& settings);

}  // namespace tallyvane::app
