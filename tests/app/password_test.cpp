#include "app/password.h"

#include <gtest/gtest.h>

#include "store/record.h"
#include "store/secure.h"
#include "support/test_support.h"

namespace tallyvane::app {
namespace {

using tallyvane::testing::RecordingPrompter;
using tallyvane::testing::TestData;

class RecordingMail final : public MailTransport {
 public:
  MailOutcome send(const MailMessage& message) override {
    sent.push_back(message);
    return outcome;
  }
  std::vector<MailMessage> sent;
  MailOutcome outcome = MailOutcome::Sent;
};

TEST(ChangePassword, ChecksInOrder) {
  TestData data;
  RecordingPrompter prompter;
  struct Case {
    const char* name;
    ChangePasswordForm form;
    const char* message;
  };
  const Case cases[] = {
      {"empty", {"", "", "", "", "", false}, "Please type the new password in both boxes."},
      {"differ", {"", "Abcdefg", "Abcdefh", "", "", false},
       "The password you typed do not match. Please retype the new password in both boxes."},
      {"short", {"", "Abc12", "Abc12", "", "", false}, "Please enter a password that has a minimum of 6 characters."},
      {"no upper", {"", "abcdefg", "abcdefg", "", "", false}, "Please enter at least one uppercase and lowercase character."},
      {"no lower", {"", "ABCDEFG", "ABCDEFG", "", "", false}, "Please enter at least one uppercase and lowercase character."},
      {"bad mail", {"", "Abcdefg", "Abcdefg", "", "me@", false},
       "The email address you entered is not valid. Please retype the email address."},
  };
  for (const Case& c : cases) EXPECT_EQ(ChangePassword(data.db(), c.form, prompter).message, c.message) << c.name;
  EXPECT_FALSE(store::isPasswordSet(data.db()));

  RecordingMail mail;
  ASSERT_TRUE(ChangePassword(data.db(), {"", "Secret1", "Secret1", "pet's name", "a@b.org, c@d.org", true}, prompter, &mail).ok);
  EXPECT_TRUE(store::isPasswordSet(data.db()));
  ASSERT_EQ(mail.sent.size(), 1u);
  EXPECT_EQ(mail.sent[0].subject, "Test Email");
  // Now the current password is asked for.
  EXPECT_EQ(ChangePassword(data.db(), {"wrong", "Other12", "Other12", "", "", false}, prompter).message,
            "The password you typed is incorrect. Please retype your current password.");
  EXPECT_TRUE(ChangePassword(data.db(), {"Secret1", "Other12", "Other12", "", "", false}, prompter).ok);
  // The stored password is never plain text.
  const std::string stored = store::QueryFirstText(data.db(), "SELECT Password FROM Misc WHERE ID = 'Options'");
  EXPECT_EQ(stored.find("Other12"), std::string::npos);
}

TEST(RemovePassword, NeedsTheCurrentOne) {
  TestData data;
  RecordingPrompter prompter;
  EXPECT_EQ(RemovePassword(data.db(), "", prompter).message,
            "The password you typed is incorrect. Please retype your current password.");
  ASSERT_TRUE(store::setPasswordSettings(data.db(), {"Secret1", "h", ""}).ok);
  EXPECT_FALSE(RemovePassword(data.db(), "secret1", prompter).ok);
  ASSERT_TRUE(RemovePassword(data.db(), "Secret1", prompter).ok);
  EXPECT_FALSE(store::isPasswordSet(data.db()));
}

TEST(StartupPrompt, EightWrongPasswordsThenARestart) {
  TestData data;
  ASSERT_TRUE(store::setPasswordSettings(data.db(), {"Secret1", "the usual", "me@example.org"}).ok);
  {
    StartupPasswordPrompt prompt(data.db(), data.settings());
    EXPECT_EQ(prompt.hintText(), "Password Hint: the usual");
    EXPECT_TRUE(prompt.recoveryOffered());
    for (int i = 1; i <= 7; ++i) {
      const auto answer = prompt.submit("guess");
      EXPECT_EQ(answer.outcome, StartupPasswordPrompt::Outcome::Wrong) << i;
      EXPECT_EQ(answer.message, "The password you typed is incorrect. Please retype your current password.");
    }
    EXPECT_EQ(data.settings().readString("Settings", "Identity"), "");
    const auto eighth = prompt.submit("guess");
    EXPECT_EQ(eighth.outcome, StartupPasswordPrompt::Outcome::LockedOut);
    EXPECT_EQ(eighth.message, "Incorrect password.  Please wait ... 10 seconds");
    EXPECT_EQ(data.settings().readString("Settings", "Identity"), "0");
  }
  // After a restart the first wrong password locks out at once.
  {
    StartupPasswordPrompt prompt(data.db(), data.settings());
    EXPECT_EQ(prompt.submit("again").outcome, StartupPasswordPrompt::Outcome::LockedOut);
  }
  // The right one clears it.
  {
    StartupPasswordPrompt prompt(data.db(), data.settings());
    EXPECT_EQ(prompt.submit("Secret1").outcome, StartupPasswordPrompt::Outcome::Accepted);
    EXPECT_EQ(data.settings().readString("Settings", "Identity"), "");
  }
  StartupPasswordPrompt fresh(data.db(), data.settings());
  EXPECT_EQ(fresh.submit("nope").outcome, StartupPasswordPrompt::Outcome::Wrong);
  EXPECT_EQ(StartupPasswordPrompt::CountdownText(1), "Incorrect password.  Please wait ... 1 second");
}

TEST(Recovery, MailsThePasswordAndReportsTheOutcome) {
  TestData data;
  RecordingPrompter prompter;
  RecordingMail mail;
  ASSERT_TRUE(store::setPasswordSettings(data.db(), {"Secret1", "", "me@example.org"}).ok);
  EXPECT_EQ(SendPasswordRecovery(data.db(), mail, prompter, data.settings()), MailOutcome::Sent);
  ASSERT_EQ(mail.sent.size(), 1u);
  EXPECT_EQ(mail.sent[0].to, std::vector<std::string>{"me@example.org"});
  EXPECT_EQ(mail.sent[0].subject, "Tallyvane password recovery");
  EXPECT_EQ(mail.sent[0].body.rfind("Your Tallyvane password is Secret1.\r\n", 0), 0u);
  EXPECT_EQ(prompter.shown.back().title, "Password Recovery");
  mail.outcome = MailOutcome::Failed;
  SendPasswordRecovery(data.db(), mail, prompter, data.settings());
  bool failedShown = false;
  for (const auto& shown : prompter.shown) {
    failedShown = failedShown || shown.text == "Tallyvane failed to send your password to your email address.";
  }
  EXPECT_TRUE(failedShown);
}

TEST(EmailList, Validation) {
  struct Case {
    const char* text;
    bool valid;
  };
  const Case cases[] = {{"a@b.org", true},         {"a@b.org, c@d.net\te@f.io", true}, {"", false},
                        {"a@", false},              {"@b.org", false},                 {".a@b.org", false},
                        {"a..b@c.org", false},      {"a@b@c.org", false},              {"a@nodot", false}};
  for (const Case& c : cases) EXPECT_EQ(IsValidEmailList(c.text), c.valid) << c.text;
}

}  // namespace
}  // namespace tallyvane::app
