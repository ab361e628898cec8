// The program password: the start-up prompt with its failure counter and the
// lock-out that survives a restart, the change and remove dialogs with their
// checks in order, and the recovery e-mail.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/ports.h"
#include "store/db.h"
#include "store/ports.h"
#include "store/settings.h"
#include "store/status.h"

namespace tallyvane::app {

inline constexpr std::string_view kPasswordPrompt = "Please enter your password:";
inline constexpr std::string_view kWrongPassword =
    "The password you typed is incorrect. Please retype your current password.";
inline constexpr int kLockoutSeconds = 10;
inline constexpr int kFailuresBeforeLockout = 8;

// Addresses separated by commas, blanks or tabs, each a plausible address.
[[nodiscard]] bool IsValidEmailList(std::string_view text);

struct ChangePasswordForm {
  std::string current;
  std::string password;
  std::string confirm;
  std::string hint;
  std::string email;
  bool sendTest = false;
};
// "Add password" when none is set (no current password needed).
[[nodiscard]] store::Status ChangePassword(store::Db& db, const ChangePasswordForm& form, store::Prompter& prompter,
                                           MailTransport* mail = nullptr);
[[nodiscard]] store::Status RemovePassword(store::Db& db, std::string_view current, store::Prompter& prompter);

class StartupPasswordPrompt {
 public:
  enum class Outcome { Accepted, Wrong, LockedOut };
  struct Answer {
    Outcome outcome;
    std::string message;  // the balloon or the first count-down text
  };

  StartupPasswordPrompt(store::Db& db, store::Settings& settings);

  [[nodiscard]] Answer submit(std::string_view typed);
  [[nodiscard]] int failures() const { return failures_; }
  // "Password Hint: %s", or empty without a hint.
  [[nodiscard]] std::string hintText() const;
  [[nodiscard]] bool recoveryOffered() const { return !email_.empty(); }
  // The count-down texts, one a second.
  [[nodiscard]] static std::string CountdownText(int secondsLeft);

 private:
  store::Db& db_;
  store::Settings& settings_;
  int failures_ = 0;
  std::string hint_;
  std::string email_;
};

// Sends the password to the stored address; reports the outcome as balloons.
MailOutcome SendPasswordRecovery(store::Db& db, MailTransport& mail, store::Prompter& prompter,
                                 store::Settings& settings);

}  // namespace tallyvane::app
