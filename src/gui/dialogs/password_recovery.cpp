#include "gui/dialogs/password_recovery.h"

#include <QPointer>

#include "app/password.h"
#include "gui/gui_context.h"
#include "gui/qt_progress.h"
#include "reports/smtp_mail.h"

namespace tallyvane::gui {
namespace {

// The transfer reports to the caller's progress when it has one, so one
// operation never shows two windows; otherwise to its own, which exists only
// while a message is on its way.
class ProgressMailTransport final : public store::MailTransport {
 public:
  ProgressMailTransport(GuiContext& context, QWidget* parent, store::Progress* shared)
      : settings_(reports::ReadMailSettings(context.settings)), parent_(parent), shared_(shared) {}
  store::MailOutcome send(const store::MailMessage& message) override {
    if (shared_ != nullptr) return reports::SmtpMailTransport(settings_, shared_).send(message);
    QtProgress progress(parent_);
    progress.setTitle("Sending Email");
    progress.setText("Sending the message...");
    return reports::SmtpMailTransport(settings_, &progress).send(message);
  }

 private:
  reports::MailSettings settings_;
  QPointer<QWidget> parent_;
  store::Progress* shared_;
};

}  // namespace

std::unique_ptr<store::MailTransport> MakeMailTransport(GuiContext& context, QWidget* parent, store::Progress* shared) {
  return std::make_unique<ProgressMailTransport>(context, parent, shared);
}

store::MailOutcome SendRecoveryMail(GuiContext& context, QWidget* parent, store::MailTransport* mail) {
  std::unique_ptr<store::MailTransport> own;
  if (mail == nullptr) {
    own = MakeMailTransport(context, parent);
    mail = own.get();
  }
  return app::SendPasswordRecovery(context.data.db(), *mail, context.prompter, context.settings);
}

}  // namespace tallyvane::gui
