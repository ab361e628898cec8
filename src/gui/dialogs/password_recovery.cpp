#include "gui/dialogs/password_recovery.h"

#include "app/password.h"
#include "gui/gui_context.h"
#include "gui/qt_progress.h"
#include "reports/smtp_mail.h"

namespace tallyvane::gui {
namespace {

class ProgressMailTransport final : public store::MailTransport {
 public:
  ProgressMailTransport(GuiContext& context, QWidget* parent)
      : progress_(parent), smtp_(reports::ReadMailSettings(context.settings), &progress_) {
    progress_.setTitle("Sending Email");
    progress_.setText("Sending the message...");
  }
  store::MailOutcome send(const store::MailMessage& message) override { return smtp_.send(message); }

 private:
  QtProgress progress_;
  reports::SmtpMailTransport smtp_;
};

}  // namespace

std::unique_ptr<store::MailTransport> MakeMailTransport(GuiContext& context, QWidget* parent) {
  return std::make_unique<ProgressMailTransport>(context, parent);
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
