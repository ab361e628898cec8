#include "gui/dialogs/password_prompt.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "gui/dialogs/form_support.h"
#include "gui/dialogs/password_recovery.h"
#include "gui/gui_context.h"

namespace tallyvane::gui {

PasswordPrompt::PasswordPrompt(GuiContext& context, QWidget* parent)
    : QDialog(parent),
      context_(context),
      bindings_(context.prompter, this),
      password_(context.data.db(), context.settings) {
  setWindowTitle(tr("Tallyvane"));
  prompt_ = new QLabel(Q(app::kPasswordPrompt), this);
  prompt_->setObjectName(QStringLiteral("prompt"));
  entry_ = new QLineEdit(this);
  entry_->setObjectName(QStringLiteral("password"));
  entry_->setEchoMode(QLineEdit::Password);
  prompt_->setBuddy(entry_);
  hint_ = new QLabel(Q(password_.hintText()), this);
  hint_->setObjectName(QStringLiteral("hint"));
  hint_->setWordWrap(true);
  hint_->setTextFormat(Qt::PlainText);
  hint_->setVisible(!hint_->text().isEmpty());
  recovery_ = new QPushButton(tr("&Forgot Password"), this);
  recovery_->setObjectName(QStringLiteral("recovery"));
  recovery_->setAutoDefault(false);
  recovery_->setToolTip(
      tr("Click this button to send a password recovery email to the address you registered during setup."));
  recovery_->setVisible(password_.recoveryOffered());

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setObjectName(QStringLiteral("ok"));
  cancel_ = buttons->button(QDialogButtonBox::Cancel);
  cancel_->setObjectName(QStringLiteral("cancel"));
  connect(ok_, &QPushButton::clicked, this, &PasswordPrompt::submit);
  connect(cancel_, &QPushButton::clicked, this, &PasswordPrompt::reject);
  connect(recovery_, &QPushButton::clicked, this, &PasswordPrompt::sendRecovery);

  auto* lower = new QHBoxLayout;
  lower->addWidget(recovery_);
  lower->addStretch(1);
  lower->addWidget(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(prompt_);
  layout->addWidget(entry_);
  layout->addWidget(hint_);
  layout->addSpacing(6);
  layout->addLayout(lower);
  setMinimumWidth(400);

  bindings_.bind("password", entry_);
  bindings_.bind("recovery", recovery_);

  countdown_.setInterval(1000);
  connect(&countdown_, &QTimer::timeout, this, &PasswordPrompt::tick);
  entry_->setFocus();
}

void PasswordPrompt::submit() {
  if (lockedOut()) return;
  const app::StartupPasswordPrompt::Answer answer = password_.submit(S(entry_->text()));
  switch (answer.outcome) {
    case app::StartupPasswordPrompt::Outcome::Accepted:
      accept();
      return;
    case app::StartupPasswordPrompt::Outcome::Wrong:
      entry_->setFocus(Qt::OtherFocusReason);
      entry_->selectAll();
      context_.prompter.balloon("password", "", answer.message);
      return;
    case app::StartupPasswordPrompt::Outcome::LockedOut:
      entry_->clear();
      secondsLeft_ = app::kLockoutSeconds;
      prompt_->setText(Q(answer.message));
      setLocked(true);
      countdown_.start();
      return;
  }
}

void PasswordPrompt::tick() {
  --secondsLeft_;
  if (secondsLeft_ > 0) {
    prompt_->setText(Q(app::StartupPasswordPrompt::CountdownText(secondsLeft_)));
    return;
  }
  countdown_.stop();
  prompt_->setText(Q(app::kPasswordPrompt));
  setLocked(false);
  entry_->setFocus();
}

void PasswordPrompt::setLocked(bool locked) {
  entry_->setVisible(!locked);
  hint_->setVisible(!locked && !hint_->text().isEmpty());
  recovery_->setVisible(!locked && password_.recoveryOffered());
  ok_->setEnabled(!locked);
  cancel_->setEnabled(!locked);
}

void PasswordPrompt::sendRecovery() {
  if (lockedOut()) return;
  SendRecoveryMail(context_, this, mail_);
}

void PasswordPrompt::reject() {
  // The wait cannot be escaped by closing the window.
  if (lockedOut()) return;
  QDialog::reject();
}

}  // namespace tallyvane::gui
