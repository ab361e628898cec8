// The password windows: the start-up prompt's refusal balloon, the lock-out
// with its live count-down, the change and remove dialogs' balloons, and the
// recovery mail's outcome at the recovery button.
#include <QLabel>

#include "app/password.h"
#include "dialogs_fixture.h"
#include "gui/dialogs/password_dialogs.h"
#include "gui/dialogs/password_prompt.h"
#include "store/secure.h"

namespace tallyvane::gui {
namespace {

class PasswordTest : public DialogTest {
 protected:
  void SetPassword(const std::string& password, const std::string& hint = {}, const std::string& email = {}) {
    ASSERT_TRUE(store::setPasswordSettings(db(), {password, hint, email}).ok);
  }
};

class SentMail final : public store::MailTransport {
 public:
  explicit SentMail(store::MailOutcome outcome) : outcome_(outcome) {}
  store::MailOutcome send(const store::MailMessage& message) override {
    sent.push_back(message);
    return outcome_;
  }
  std::vector<store::MailMessage> sent;

 private:
  store::MailOutcome outcome_;
};

const std::string kWrong = "password||" + std::string(app::kWrongPassword);

TEST_F(PasswordTest, PromptRefusesAWrongPasswordAndOpensForTheRightOne) {
  SetPassword("Secret99", "the usual");
  PasswordPrompt prompt(context_, nullptr);
  Show(prompt);
  EXPECT_EQ(Field<QLabel>(prompt, "hint")->text().toStdString(), "Password Hint: the usual");
  EXPECT_FALSE(Field<QPushButton>(prompt, "recovery")->isVisible());  // no address stored
  Type(prompt.entry(), "secret99");
  Click(prompt, "ok");
  EXPECT_EQ(Balloon(), kWrong);
  EXPECT_TRUE(prompt.isVisible());
  Type(prompt.entry(), "Secret99");
  Click(prompt, "ok");
  EXPECT_EQ(prompt.result(), QDialog::Accepted);
}

TEST_F(PasswordTest, EighthFailureLocksThePromptAndCountsDownLive) {
  SetPassword("Secret99");
  PasswordPrompt prompt(context_, nullptr);
  prompt.setCountdownInterval(20);
  Show(prompt);
  for (int i = 0; i < app::kFailuresBeforeLockout; ++i) {
    Type(prompt.entry(), "wrong");
    Click(prompt, "ok");
  }
  ASSERT_TRUE(prompt.lockedOut());
  EXPECT_EQ(prompt.promptLabel()->text().toStdString(), app::StartupPasswordPrompt::CountdownText(10));
  EXPECT_FALSE(prompt.entry()->isVisible());
  EXPECT_FALSE(Field<QPushButton>(prompt, "ok")->isEnabled());
  EXPECT_FALSE(Field<QPushButton>(prompt, "cancel")->isEnabled());
  EXPECT_EQ(test_.settings().readString("Settings", "Identity"), "0");
  // Closing the window does not cut the wait short.
  prompt.reject();
  EXPECT_TRUE(prompt.isVisible());

  QTest::qWait(50);
  EXPECT_NE(prompt.promptLabel()->text().toStdString(), app::StartupPasswordPrompt::CountdownText(10));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !prompt.lockedOut(); }, 2000));
  EXPECT_EQ(prompt.promptLabel()->text().toStdString(), app::kPasswordPrompt);
  EXPECT_TRUE(prompt.entry()->isVisible());
  EXPECT_TRUE(Field<QPushButton>(prompt, "ok")->isEnabled());

  Type(prompt.entry(), "Secret99");
  Click(prompt, "ok");
  EXPECT_EQ(prompt.result(), QDialog::Accepted);
  EXPECT_EQ(test_.settings().readString("Settings", "Identity"), "");
}

TEST_F(PasswordTest, RecoveryMailOutcomeShowsAtTheRecoveryButton) {
  SetPassword("Secret99", "", "me@example.org");
  PasswordPrompt prompt(context_, nullptr);
  SentMail mail(store::MailOutcome::Sent);
  prompt.setMailTransport(&mail);
  Show(prompt);
  ASSERT_TRUE(Field<QPushButton>(prompt, "recovery")->isVisible());
  Click(prompt, "recovery");
  ASSERT_EQ(mail.sent.size(), 1u);
  EXPECT_EQ(mail.sent[0].to, (std::vector<std::string>{"me@example.org"}));
  EXPECT_EQ(Balloon(), "recovery|Password Recovery|Tallyvane has sent your password to your email address. Please open "
                       "the email and enter your password to access Tallyvane.");
}

TEST_F(PasswordTest, AddingAPasswordChecksBothEntriesAtTheirFields) {
  ChangePasswordDialog dialog(context_, nullptr);
  Show(dialog);
  EXPECT_TRUE(dialog.adding());
  EXPECT_EQ(dialog.windowTitle().toStdString(), "Add password");
  EXPECT_FALSE(Field<QLineEdit>(dialog, "current")->isVisible());
  Type(Field<QLineEdit>(dialog, "password"), "Secret99");
  Type(Field<QLineEdit>(dialog, "confirm"), "Secret98");
  Click(dialog, "ok");
  EXPECT_EQ(Balloon(), "confirm||The password you typed do not match. Please retype the new password in both boxes.");
  Type(Field<QLineEdit>(dialog, "confirm"), "Secret99");
  Type(Field<QLineEdit>(dialog, "email"), "not an address@");
  Click(dialog, "ok");
  EXPECT_EQ(Balloon(), "email||The email address you entered is not valid. Please retype the email address.");
  Type(Field<QLineEdit>(dialog, "email"), "");
  Click(dialog, "ok");
  EXPECT_EQ(dialog.result(), QDialog::Accepted) << Balloon();
  EXPECT_TRUE(store::isPasswordSet(db()));
}

TEST_F(PasswordTest, RemovingThePasswordNeedsTheCurrentOne) {
  SetPassword("Secret99");
  RemovePasswordDialog dialog(context_, nullptr);
  Show(dialog);
  Type(Field<QLineEdit>(dialog, "current"), "Secret");
  Click(dialog, "ok");
  EXPECT_EQ(Balloon(), "current||" + std::string(app::kWrongPassword));
  EXPECT_TRUE(store::isPasswordSet(db()));
  Type(Field<QLineEdit>(dialog, "current"), "Secret99");
  Click(dialog, "ok");
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(store::isPasswordSet(db()));
}

}  // namespace
}  // namespace tallyvane::gui
