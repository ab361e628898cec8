// The start-up password prompt: the password, the hint, the recovery button,
// a balloon for a wrong password and, after too many, a live count-down
// during which nothing can be typed.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/password.h"
#include "gui/qt_prompter.h"

namespace tallyvane::gui {

struct GuiContext;

class PasswordPrompt final : public QDialog {
 public:
  PasswordPrompt(GuiContext& context, QWidget* parent);

  // OK: opens the program for the right password; otherwise the balloon or
  // the count-down.
  void submit();
  void sendRecovery();
  void reject() override;

  [[nodiscard]] bool lockedOut() const { return secondsLeft_ > 0; }
  [[nodiscard]] QLabel* promptLabel() const { return prompt_; }
  [[nodiscard]] QLineEdit* entry() const { return entry_; }
  // Tests shorten the count-down's second.
  void setCountdownInterval(int milliseconds) { countdown_.setInterval(milliseconds); }
  // Tests send through their own transport.
  void setMailTransport(store::MailTransport* mail) { mail_ = mail; }

 private:
  void tick();
  void setLocked(bool locked);

  GuiContext& context_;
  FieldBindings bindings_;
  app::StartupPasswordPrompt password_;
  store::MailTransport* mail_ = nullptr;
  QTimer countdown_;
  int secondsLeft_ = 0;

  QLabel* prompt_;
  QLineEdit* entry_;
  QLabel* hint_;
  QPushButton* recovery_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

}  // namespace tallyvane::gui
