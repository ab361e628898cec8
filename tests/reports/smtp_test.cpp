// The SMTP transport against the loopback sink: plain SMTP on 127.0.0.1.
#include <gtest/gtest.h>

#include <fstream>

#include "reports/smtp_mail.h"
#include "smtp_sink.h"
#include "store/protect.h"
#include "store/record.h"
#include "support/test_support.h"

namespace tallyvane::reports {
namespace {

using namespace std::chrono_literals;
using tallyvane::testing::DecodeBase64;
using tallyvane::testing::SmtpSink;

MailSettings PlainTo(int port) {
  MailSettings mail;
  mail.server = "127.0.0.1";
  mail.port = port;
  mail.security = MailSecurity::None;
  mail.from = "reports@tallyvane.example";
  mail.timeoutSeconds = 10;
  return mail;
}

TEST(SmtpMailTransport, SendsTheMessageWithItsAttachment) {
  tallyvane::testing::TempDir dir;
  const std::filesystem::path pdf = dir / "Tallyvane42.pdf";
  const std::string bytes = std::string("%PDF-1.4\r\n") + std::string(3000, '\x01') + "\r\n.\r\n%%EOF\r\n";
  std::ofstream(pdf, std::ios::binary) << bytes;

  SmtpSink sink({});
  SmtpMailTransport transport(PlainTo(sink.port()));
  store::MailMessage message;
  message.to = {"ann@example.com", "bob@example.org"};
  message.subject = "Caf\xC3\xA9 Transactions Period: 11/01/2026 to 11/30/2026";
  message.body = "Note.\r\n\r\n.leading dot line\r\nThis report has been generated automatically by Tallyvane. ";
  message.attachment = pdf;
  message.attachmentName = "Tallyvane42.pdf";
  ASSERT_EQ(transport.send(message), store::MailOutcome::Sent) << transport.lastError();

  EXPECT_EQ(sink.commands.at(1), "MAIL FROM:<reports@tallyvane.example>");
  EXPECT_EQ(sink.commands.at(2), "RCPT TO:<ann@example.com>");
  EXPECT_EQ(sink.commands.at(3), "RCPT TO:<bob@example.org>");
  const std::string& data = sink.data;
  EXPECT_NE(data.find("From: reports@tallyvane.example\r\n"), std::string::npos);
  EXPECT_NE(data.find("To: ann@example.com, bob@example.org\r\n"), std::string::npos);
  EXPECT_NE(data.find("Subject: =?UTF-8?B?"), std::string::npos);
  EXPECT_NE(data.find("Content-Disposition: attachment; filename=\"Tallyvane42.pdf\""), std::string::npos);
  // The dot-stuffed line reads back as it was written.
  EXPECT_NE(data.find("\r\n..leading dot line\r\n"), std::string::npos);
  // The attachment arrives byte for byte.
  const auto start = data.find("Content-Transfer-Encoding: base64\r\n\r\n");
  ASSERT_NE(start, std::string::npos);
  const auto end = data.find("\r\n--", start);
  EXPECT_EQ(DecodeBase64(data.substr(start + 37, end - start - 37)), bytes);
}

TEST(SmtpMailTransport, LogsInWithTheStoredPassword) {
  store::MemorySettings settings;
  SmtpSink sink({.offerAuth = true});
  MailSettings mail = PlainTo(sink.port());
  mail.user = "ann";
  mail.password = "s3cret pass";
  ASSERT_TRUE(WriteMailSettings(settings, mail));
  // The password is stored protected, never as typed.
  const std::string stored = settings.readString("Email", "Password");
  EXPECT_NE(stored, "s3cret pass");
  EXPECT_EQ(store::unprotectText(store::kDefaultProtectionKey, stored), "s3cret pass");

  MailSettings read = ReadMailSettings(settings);
  read.timeoutSeconds = 10;
  EXPECT_EQ(read.password, "s3cret pass");
  EXPECT_EQ(read.security, MailSecurity::None);
  SmtpMailTransport transport(read);
  ASSERT_EQ(transport.send(TestMailMessage("bob@example.org")), store::MailOutcome::Sent) << transport.lastError();
  // "AUTH PLAIN <credentials>", or "AUTH PLAIN" and the credentials after the 334.
  std::string credentials;
  for (std::size_t i = 0; i < sink.commands.size(); ++i) {
    const std::string& command = sink.commands[i];
    if (command.rfind("AUTH PLAIN", 0) != 0) continue;
    credentials = command.size() > 11 ? command.substr(11) : sink.commands.at(i + 1);
  }
  EXPECT_EQ(DecodeBase64(credentials), std::string("\0ann\0s3cret pass", 16));
}

TEST(SmtpMailTransport, ReportsFailures) {
  {
    SmtpSink sink({.rcptCode = 550});
    SmtpMailTransport transport(PlainTo(sink.port()));
    EXPECT_EQ(transport.send(TestMailMessage("nobody@example.com")), store::MailOutcome::Failed);
    EXPECT_FALSE(transport.lastError().empty());
    EXPECT_TRUE(sink.data.empty());
  }
  {
    // STARTTLS demanded but not offered: never falls back to plain text.
    SmtpSink sink({});
    MailSettings mail = PlainTo(sink.port());
    mail.security = MailSecurity::StartTls;
    mail.user = "ann";
    mail.password = "secret";
    SmtpMailTransport transport(mail);
    EXPECT_EQ(transport.send(TestMailMessage("bob@example.org")), store::MailOutcome::Failed);
    EXPECT_TRUE(sink.data.empty());
    for (const std::string& command : sink.commands) EXPECT_EQ(command.find("AUTH"), std::string::npos) << command;
  }
  {
    // A server that never answers is given up on within the time limit.
    SmtpSink sink({.stall = true});
    MailSettings mail = PlainTo(sink.port());
    mail.timeoutSeconds = 1;
    SmtpMailTransport transport(mail);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(transport.send(TestMailMessage("bob@example.org")), store::MailOutcome::Failed);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
  }
  {
    // Nothing is tried without a server, a sender or valid recipients.
    MailSettings none;
    SmtpMailTransport transport(none);
    EXPECT_EQ(transport.send(TestMailMessage("bob@example.org")), store::MailOutcome::Failed);
    MailSettings bad = PlainTo(1);
    bad.server = "host/../x?y";
    EXPECT_EQ(SmtpMailTransport(bad).send(TestMailMessage("bob@example.org")), store::MailOutcome::Failed);
    MailSettings noSender = PlainTo(1);
    noSender.from.clear();
    EXPECT_EQ(SmtpMailTransport(noSender).send(TestMailMessage("bob@example.org")), store::MailOutcome::Failed);
    store::MailMessage injected = TestMailMessage("bob@example.org\r\nRCPT TO:<eve@example.com>");
    EXPECT_EQ(SmtpMailTransport(PlainTo(1)).send(injected), store::MailOutcome::Failed);
  }
}

TEST(SmtpMailTransport, CancelledByTheProgressWindow) {
  class Cancelled final : public store::Progress {
   public:
    void setTitle(std::string_view) override {}
    void setText(std::string_view) override {}
    void setFraction(long long, long long) override {}
    [[nodiscard]] bool cancelRequested() const override { return true; }
  } cancelled;
  SmtpSink sink({.stall = true});
  SmtpMailTransport transport(PlainTo(sink.port()), &cancelled);
  EXPECT_EQ(transport.send(TestMailMessage("bob@example.org")), store::MailOutcome::Cancelled);
}

TEST(ComposeMailMessage, FlattensLineBreaksInTheSubjectAndEncodesText) {
  store::MailMessage message;
  message.to = {"ann@example.com"};
  message.subject = "Title\r\nBcc: eve@example.com";
  message.body = "one\ntwo";
  const std::string text = ComposeMailMessage("me@example.com", message, 0, "b");
  EXPECT_NE(text.find("Subject: Title  Bcc: eve@example.com\r\n"), std::string::npos);
  EXPECT_EQ(text.find("\r\nBcc:"), std::string::npos);
  EXPECT_NE(text.find("\r\n\r\none\r\ntwo\r\n"), std::string::npos);
  EXPECT_NE(text.find("Content-Type: text/plain; charset=UTF-8"), std::string::npos);

  message.body = std::string(2000, 'x');
  EXPECT_NE(ComposeMailMessage("me@example.com", message, 0, "b").find("Content-Transfer-Encoding: base64"),
            std::string::npos);
}

TEST(MailSettings, DefaultsAndPorts) {
  store::MemorySettings settings;
  const MailSettings empty = ReadMailSettings(settings);
  EXPECT_EQ(empty.security, MailSecurity::StartTls);
  EXPECT_EQ(empty.effectivePort(), 587);
  MailSettings tls;
  tls.security = MailSecurity::Tls;
  EXPECT_EQ(tls.effectivePort(), 465);
  tls.security = MailSecurity::None;
  EXPECT_EQ(tls.effectivePort(), 25);
  tls.port = 2525;
  EXPECT_EQ(tls.effectivePort(), 2525);
  EXPECT_EQ(MailSecurityFromText("STARTTLS"), MailSecurity::StartTls);
  EXPECT_EQ(MailSecurityFromText("ssl"), std::nullopt);
}

}  // namespace
}  // namespace tallyvane::reports
