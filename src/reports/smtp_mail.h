// The mail transport: messages handed over by the report e-mail and fax go
// to an SMTP server through libcurl, in plain text, upgraded with STARTTLS,
// or over TLS from the start, always verifying the server's certificate.
// The settings live in the "Email" section; the password is kept protected.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "store/ports.h"
#include "store/settings.h"

namespace tallyvane::reports {

inline constexpr std::string_view kEmailSection = "Email";

enum class MailSecurity : int { None = 0, StartTls = 1, Tls = 2 };
// "none", "starttls", "tls".
[[nodiscard]] std::string_view MailSecurityText(MailSecurity security);
[[nodiscard]] std::optional<MailSecurity> MailSecurityFromText(std::string_view text);

struct MailSettings {
  std::string server;
  int port = 0;  // 0: 25, 587 or 465 as the security implies
  MailSecurity security = MailSecurity::StartTls;
  std::string user;
  std::string password;
  std::string from;    // the sender address
  std::string caFile;  // extra certificate authorities (tests use their own)
  long timeoutSeconds = 120;

  [[nodiscard]] int effectivePort() const;
};

[[nodiscard]] MailSettings ReadMailSettings(const store::Settings& settings);
// Writes every value; the password only in its protected form.
bool WriteMailSettings(store::Settings& settings, const MailSettings& mail);

// The message as it goes over the wire: headers (the subject encoded when
// it is not plain ASCII, line breaks in it flattened), then the text, and the
// attachment in Base64 when there is one. `boundary` separates the parts.
[[nodiscard]] std::string ComposeMailMessage(std::string_view from, const store::MailMessage& message,
                                             std::time_t date, std::string_view boundary, std::string* error = nullptr);

// What "mail test" sends.
[[nodiscard]] store::MailMessage TestMailMessage(std::string_view address);

class SmtpMailTransport final : public store::MailTransport {
 public:
  // `progress`, when given, can cancel a transfer in progress.
  explicit SmtpMailTransport(MailSettings settings, store::Progress* progress = nullptr);
  store::MailOutcome send(const store::MailMessage& message) override;
  // Why the last send failed, for the user.
  [[nodiscard]] const std::string& lastError() const { return lastError_; }

 private:
  MailSettings settings_;
  store::Progress* progress_;
  std::string lastError_;
};

}  // namespace tallyvane::reports
