#include "gui/dialogs/password_dialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <functional>
#include <memory>

#include "app/password.h"
#include "gui/dialogs/form_support.h"
#include "gui/dialogs/password_recovery.h"
#include "gui/gui_context.h"
#include "store/secure.h"

namespace tallyvane::gui {
namespace {

QLineEdit* PasswordField(QWidget* parent, const QString& name) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(name);
  field->setEchoMode(QLineEdit::Password);
  return field;
}

QDialogButtonBox* OkCancel(QDialog* dialog, std::function<bool()> save) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, [dialog, save = std::move(save)] {
    if (save()) dialog->accept();
  });
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

}  // namespace

ChangePasswordDialog::ChangePasswordDialog(GuiContext& context, QWidget* parent)
    : QDialog(parent), context_(context), bindings_(context.prompter, this) {
  adding_ = !store::isPasswordSet(context.data.db());
  setWindowTitle(adding_ ? tr("Add password") : tr("Change password"));
  const auto stored = store::ReadPasswordSettings(context.data.db());

  current_ = PasswordField(this, QStringLiteral("current"));
  password_ = PasswordField(this, QStringLiteral("password"));
  confirm_ = PasswordField(this, QStringLiteral("confirm"));
  hint_ = new QLineEdit(stored ? Q(stored->hint) : QString(), this);
  hint_->setObjectName(QStringLiteral("hint"));
  email_ = new QLineEdit(stored ? Q(stored->email) : QString(), this);
  email_->setObjectName(QStringLiteral("email"));
  email_->setPlaceholderText(tr("Address for password recovery"));
  sendTest_ = new QCheckBox(tr("&Send a test message to this address"), this);
  sendTest_->setObjectName(QStringLiteral("send_test"));

  auto* form = new QFormLayout;
  if (!adding_) form->addRow(tr("&Current password:"), current_);
  else current_->hide();
  form->addRow(tr("&New password:"), password_);
  form->addRow(tr("C&onfirm new password:"), confirm_);
  form->addRow(tr("Password &hint:"), hint_);
  form->addRow(tr("&Email address:"), email_);
  form->addRow(QString(), sendTest_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(OkCancel(this, [this] { return save(); }));
  setMinimumWidth(420);

  // The test message is offered only with an address to send it to.
  auto offerTest = [this] {
    sendTest_->setEnabled(!email_->text().trimmed().isEmpty());
    if (!sendTest_->isEnabled()) sendTest_->setChecked(false);
  };
  connect(email_, &QLineEdit::textChanged, this, offerTest);
  offerTest();

  bindings_.bind("current", current_);
  bindings_.bind("password", password_);
  bindings_.bind("confirm", confirm_);
  bindings_.bind("email", email_);
  (adding_ ? password_ : current_)->setFocus();
}

bool ChangePasswordDialog::save() {
  app::ChangePasswordForm form;
  form.current = S(current_->text());
  form.password = S(password_->text());
  form.confirm = S(confirm_->text());
  form.hint = S(hint_->text());
  form.email = S(email_->text().trimmed());
  form.sendTest = sendTest_->isChecked();
  std::unique_ptr<store::MailTransport> own;
  store::MailTransport* mail = mail_;
  if (form.sendTest && mail == nullptr) {
    own = MakeMailTransport(context_, this);
    mail = own.get();
  }
  const store::Status status = app::ChangePassword(context_.data.db(), form, context_.prompter, mail);
  if (!status) {
    if (status.fileError) ShowStatus(context_.prompter, status);
    FocusRefusedField(context_.prompter, status);
    return false;
  }
  return true;
}

RemovePasswordDialog::RemovePasswordDialog(GuiContext& context, QWidget* parent)
    : QDialog(parent), context_(context), bindings_(context.prompter, this) {
  setWindowTitle(tr("Remove password"));
  current_ = PasswordField(this, QStringLiteral("current"));
  auto* form = new QFormLayout;
  form->addRow(tr("&Current password:"), current_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(OkCancel(this, [this] { return save(); }));
  setMinimumWidth(360);
  bindings_.bind("current", current_);
  current_->setFocus();
}

bool RemovePasswordDialog::save() {
  const store::Status status = app::RemovePassword(context_.data.db(), S(current_->text()), context_.prompter);
  if (!status) {
    // The field checks showed their balloons; a failed write did not.
    if (status.field.empty()) ShowStatus(context_.prompter, status);
    FocusRefusedField(context_.prompter, status);
    return false;
  }
  return true;
}

}  // namespace tallyvane::gui
