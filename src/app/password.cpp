#include "app/password.h"

#include "store/record.h"
#include "store/secure.h"
#include "store/text.h"

namespace tallyvane::app {

using store::Status;

namespace {

bool IsValidAddress(std::string_view address) {
  const auto at = address.find('@');
  if (at == std::string_view::npos || address.find('@', at + 1) != std::string_view::npos) return false;
  const std::string_view local = address.substr(0, at);
  const std::string_view domain = address.substr(at + 1);
  if (local.empty() || local.size() > 64 || local.front() == '.' || local.back() == '.' ||
      local.find("..") != std::string_view::npos) {
    return false;
  }
  if (domain.empty() || domain.size() > 255 || domain.find('.') == std::string_view::npos || domain.front() == '.' ||
      domain.back() == '.' || domain.find("..") != std::string_view::npos) {
    return false;
  }
  return true;
}

bool HasRange(std::string_view text, char low, char high) {
  for (char c : text) {
    if (c >= low && c <= high) return true;
  }
  return false;
}

Status Balloon(store::Prompter& prompter, std::string field, std::string message) {
  prompter.balloon(field, "", message);
  return Status::Fail(std::move(message), "", std::move(field));
}

}  // namespace

bool IsValidEmailList(std::string_view text) {
  bool any = false;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ',' || text[i] == ' ' || text[i] == '\t')) ++i;
    const std::size_t start = i;
    while (i < text.size() && text[i] != ',' && text[i] != ' ' && text[i] != '\t') ++i;
    if (i > start) {
      if (!IsValidAddress(text.substr(start, i - start))) return false;
      any = true;
    }
  }
  return any;
}

Status ChangePassword(store::Db& db, const ChangePasswordForm& form, store::Prompter& prompter, MailTransport* mail) {
  const auto stored = store::ReadPasswordSettings(db);
  if (!stored) {
    prompter.message("Save password settings", "Failed to saved data", store::Icon::Error);
    return Status::Fail("Failed to saved data", "Save password settings");
  }
  if (!stored->password.empty() && form.current != stored->password) {
    return Balloon(prompter, "current", std::string(kWrongPassword));
  }
  if (form.password.empty()) return Balloon(prompter, "password", "Please type the new password in both boxes.");
  if (form.password != form.confirm) {
    return Balloon(prompter, "confirm", "The password you typed do not match. Please retype the new password in both boxes.");
  }
  if (store::CountChars(form.password) < 6) {
    return Balloon(prompter, "password", "Please enter a password that has a minimum of 6 characters.");
  }
  if (!HasRange(form.password, 'A', 'Z') || !HasRange(form.password, 'a', 'z')) {
    return Balloon(prompter, "password", "Please enter at least one uppercase and lowercase character.");
  }
  if (!form.email.empty() && !IsValidEmailList(form.email)) {
    return Balloon(prompter, "email", "The email address you entered is not valid. Please retype the email address.");
  }
  if (Status saved = store::setPasswordSettings(db, {form.password, form.hint, form.email}); !saved) {
    if (!saved.fileError) prompter.message(saved.title, saved.message, store::Icon::Error);
    return saved;
  }
  const auto back = store::ReadPasswordSettings(db);
  if (!back || back->password != form.password) {
    return Balloon(prompter, "password", "Failed to change the current password. Please close the dialog and restart Tallyvane.");
  }
  if (form.sendTest && !form.email.empty() && mail != nullptr) {
    MailMessage message;
    message.to = {form.email};
    message.subject = "Test Email";
    message.body = "This is a test message from Tallyvane to test that your email works.";
    mail->send(message);
  }
  return Status::Ok();
}

Status RemovePassword(store::Db& db, std::string_view current, store::Prompter& prompter) {
  const auto stored = store::ReadPasswordSettings(db);
  if (!stored || stored->password.empty() || current != stored->password) {
    return Balloon(prompter, "current", std::string(kWrongPassword));
  }
  if (Status saved = store::setPasswordSettings(db, {}); !saved) return saved;
  if (store::isPasswordSet(db)) {
    return Balloon(prompter, "current", "Failed to remove the password. Please close the dialog and restart Tallyvane.");
  }
  return Status::Ok();
}

StartupPasswordPrompt::StartupPasswordPrompt(store::Db& db, store::Settings& settings) : db_(db), settings_(settings) {
  // A lock-out reached before a restart carries over through "Identity".
  const std::string identity = settings_.readString("Settings", "Identity");
  if (!identity.empty() && store::ParseInt64Prefix(identity) == 0) failures_ = kFailuresBeforeLockout;
  if (const auto stored = store::ReadPasswordSettings(db_)) {
    hint_ = stored->hint;
    email_ = stored->email;
  }
}

std::string StartupPasswordPrompt::hintText() const {
  return hint_.empty() ? std::string{} : "Password Hint: " + hint_;
}

std::string StartupPasswordPrompt::CountdownText(int secondsLeft) {
  return store::FormatSql("Incorrect password.  Please wait ... %d %s", {secondsLeft, secondsLeft == 1 ? "second" : "seconds"});
}

StartupPasswordPrompt::Answer StartupPasswordPrompt::submit(std::string_view typed) {
  const auto stored = store::ReadPasswordSettings(db_);
  if (stored && typed == stored->password) {
    if (!settings_.readString("Settings", "Identity").empty()) settings_.remove("Settings", "Identity");
    return {Outcome::Accepted, {}};
  }
  ++failures_;
  if (failures_ < kFailuresBeforeLockout) return {Outcome::Wrong, std::string(kWrongPassword)};
  if (failures_ == kFailuresBeforeLockout) settings_.writeInt("Settings", "Identity", 0);
  return {Outcome::LockedOut, CountdownText(kLockoutSeconds)};
}

MailOutcome SendPasswordRecovery(store::Db& db, MailTransport& mail, store::Prompter& prompter,
                                 store::Settings& settings) {
  const auto stored = store::ReadPasswordSettings(db);
  if (!stored || stored->email.empty()) return MailOutcome::Failed;
  MailMessage message;
  message.to = {stored->email};
  message.subject = "Tallyvane password recovery";
  message.body = store::FormatSql(
      "Your Tallyvane password is %s.\r\nYou can change your password or remove password protection from Tallyvane "
      "Options ~ Security tab.",
      {stored->password});
  const MailOutcome outcome = mail.send(message);
  if (outcome == MailOutcome::Sent) {
    prompter.balloon("recovery", "Password Recovery",
                     "Tallyvane has sent your password to your email address. Please open the email and enter your "
                     "password to access Tallyvane.");
  } else if (outcome == MailOutcome::Failed) {
    prompter.balloon("recovery", "Password Recovery", "Tallyvane failed to send your password to your email address.");
    if (settings.readInt("Email", "SetViewed", 0) == 0) {
      prompter.message("Email", "Please review the e-mail settings.", store::Icon::Information);
    }
  }
  return outcome;
}

}  // namespace tallyvane::app
