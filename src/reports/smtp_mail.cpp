#include "reports/smtp_mail.h"

#include <curl/curl.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

#include "reports/report_output.h"
#include "store/protect.h"
#include "store/record.h"
#include "store/sql_format.h"
#include "store/text.h"

namespace tallyvane::reports {

namespace {

constexpr std::string_view kServerKey = "Server";
constexpr std::string_view kPortKey = "Port";
constexpr std::string_view kSecurityKey = "Security";
constexpr std::string_view kUserKey = "User";
constexpr std::string_view kPasswordKey = "Password";
constexpr std::string_view kFromKey = "From";
constexpr std::string_view kCaFileKey = "CAFile";

constexpr std::string_view kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const uint32_t v = (static_cast<uint8_t>(bytes[i]) << 16) | (static_cast<uint8_t>(bytes[i + 1]) << 8) |
                       static_cast<uint8_t>(bytes[i + 2]);
    out += kBase64[(v >> 18) & 63];
    out += kBase64[(v >> 12) & 63];
    out += kBase64[(v >> 6) & 63];
    out += kBase64[v & 63];
  }
  if (i + 1 == bytes.size()) {
    const uint32_t v = static_cast<uint8_t>(bytes[i]) << 16;
    out += kBase64[(v >> 18) & 63];
    out += kBase64[(v >> 12) & 63];
    out += "==";
  } else if (i + 2 == bytes.size()) {
    const uint32_t v = (static_cast<uint8_t>(bytes[i]) << 16) | (static_cast<uint8_t>(bytes[i + 1]) << 8);
    out += kBase64[(v >> 18) & 63];
    out += kBase64[(v >> 12) & 63];
    out += kBase64[(v >> 6) & 63];
    out += '=';
  }
  return out;
}

// Base64 in lines of 76 characters, each ended by CR LF.
std::string Base64Lines(std::string_view bytes) {
  const std::string encoded = Base64(bytes);
  std::string out;
  for (std::size_t i = 0; i < encoded.size(); i += 76) {
    out += encoded.substr(i, 76);
    out += "\r\n";
  }
  return out;
}

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// A header value on one line: a line break typed into a title must not
// start a header of its own.
std::string OneLine(std::string_view text) {
  std::string out;
  for (char c : text) out += (c == '\r' || c == '\n' || c == '\0') ? ' ' : c;
  return out;
}

// RFC 2047 encoded words of at most 45 bytes of UTF-8 each, never splitting
// a character, folded onto continuation lines.
std::string EncodedHeader(std::string_view text) {
  if (IsAscii(text)) return std::string(text);
  std::string out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = std::min(text.size(), start + 45);
    while (end < text.size() && end > start && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    if (!out.empty()) out += "\r\n ";
    out += "=?UTF-8?B?" + Base64(text.substr(start, end - start)) + "?=";
    start = end;
  }
  return out;
}

std::string MailDate(std::time_t date) {
  static constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm tm{};
  localtime_r(&date, &tm);
  const long offset = tm.tm_gmtoff / 60;
  const long magnitude = offset < 0 ? -offset : offset;
  return store::FormatSql("%s, %d %s %.4d %.2d:%.2d:%.2d %s%.2d%.2d",
                          {kDays[static_cast<std::size_t>(tm.tm_wday) % 7], tm.tm_mday,
                           kMonths[static_cast<std::size_t>(tm.tm_mon) % 12], tm.tm_year + 1900, tm.tm_hour, tm.tm_min,
                           tm.tm_sec, offset < 0 ? "-" : "+", magnitude / 60, magnitude % 60});
}

// Text with CR LF line ends, as SMTP carries it.
std::string CrLf(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

bool HasLongLine(std::string_view text) {
  std::size_t length = 0;
  for (char c : text) {
    length = (c == '\n') ? 0 : length + 1;
    if (length > 900) return true;
  }
  return false;
}

std::string TextPart(std::string_view body) {
  const std::string text = CrLf(body);
  if (HasLongLine(text)) {
    return "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n" + Base64Lines(text);
  }
  std::string out = "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" + text;
  if (out.size() < 2 || out.compare(out.size() - 2, 2, "\r\n") != 0) out += "\r\n";
  return out;
}

// A file name for a header: quotes and line breaks removed.
std::string SafeFileName(std::string_view name) {
  std::string out;
  for (char c : OneLine(name)) {
    if (c != '"' && c != '\\') out += c;
  }
  return EncodedHeader(out);
}

// Host names and address literals only, so nothing typed can change the URL.
std::optional<std::string> UrlHost(std::string_view server) {
  if (server.empty()) return std::nullopt;
  if (server.front() == '[' && server.back() == ']') server = server.substr(1, server.size() - 2);
  bool colon = false;
  for (char c : server) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                    c == '-' || c == '_' || c == ':';
    if (!ok) return std::nullopt;
    colon = colon || c == ':';
  }
  if (server.empty()) return std::nullopt;
  if (!colon) return std::string(server);
  std::string literal = "[";
  literal.append(server);
  literal += ']';
  return literal;
}

struct Upload {
  std::string_view data;
  std::size_t sent = 0;
};

std::size_t ReadUpload(char* buffer, std::size_t size, std::size_t count, void* user) {
  auto* upload = static_cast<Upload*>(user);
  const std::size_t room = size * count;
  const std::size_t left = upload->data.size() - upload->sent;
  const std::size_t n = std::min(room, left);
  std::memcpy(buffer, upload->data.data() + upload->sent, n);
  upload->sent += n;
  return n;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* progress = static_cast<const store::Progress*>(user);
  return progress != nullptr && progress->cancelRequested() ? 1 : 0;
}

// Unique enough that no line of a message repeats it; "=_" never occurs in
// Base64 and hardly in text.
std::string Boundary() {
  std::random_device random;
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  return store::FormatSql("=_tallyvane_%llx_%x_%x", {static_cast<long long>(now), static_cast<int>(::getpid()),
                                                      static_cast<int>(random() & 0x7FFFFFFF)});
}

struct CurlDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct ListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

}  // namespace

std::string_view MailSecurityText(MailSecurity security) {
  switch (security) {
    case MailSecurity::None:
      return "none";
    case MailSecurity::Tls:
      return "tls";
    case MailSecurity::StartTls:
      break;
  }
  return "starttls";
}

std::optional<MailSecurity> MailSecurityFromText(std::string_view text) {
  for (MailSecurity s : {MailSecurity::None, MailSecurity::StartTls, MailSecurity::Tls}) {
    if (store::EqualsNoCase(MailSecurityText(s), text)) return s;
  }
  return std::nullopt;
}

int MailSettings::effectivePort() const {
  if (port > 0) return port;
  switch (security) {
    case MailSecurity::None:
      return 25;
    case MailSecurity::Tls:
      return 465;
    case MailSecurity::StartTls:
      break;
  }
  return 587;
}

MailSettings ReadMailSettings(const store::Settings& settings) {
  MailSettings mail;
  mail.server = settings.readString(kEmailSection, kServerKey);
  mail.port = static_cast<int>(settings.readInt(kEmailSection, kPortKey, 0));
  const long long security = settings.readInt(kEmailSection, kSecurityKey, static_cast<int>(MailSecurity::StartTls));
  if (security >= 0 && security <= 2) mail.security = static_cast<MailSecurity>(security);
  mail.user = settings.readString(kEmailSection, kUserKey);
  const std::string stored = settings.readString(kEmailSection, kPasswordKey);
  if (!stored.empty()) mail.password = store::unprotectText(store::kDefaultProtectionKey, stored);
  mail.from = settings.readString(kEmailSection, kFromKey);
  mail.caFile = settings.readString(kEmailSection, kCaFileKey);
  return mail;
}

bool WriteMailSettings(store::Settings& settings, const MailSettings& mail) {
  bool ok = settings.writeString(kEmailSection, kServerKey, mail.server);
  ok = settings.writeInt(kEmailSection, kPortKey, mail.port) && ok;
  ok = settings.writeInt(kEmailSection, kSecurityKey, static_cast<int>(mail.security)) && ok;
  ok = settings.writeString(kEmailSection, kUserKey, mail.user) && ok;
  ok = settings.writeString(kEmailSection, kPasswordKey,
                            mail.password.empty() ? std::string()
                                                  : store::protectText(store::kDefaultProtectionKey, mail.password)) &&
       ok;
  ok = settings.writeString(kEmailSection, kFromKey, mail.from) && ok;
  if (!mail.caFile.empty() || !settings.readString(kEmailSection, kCaFileKey).empty()) {
    ok = settings.writeString(kEmailSection, kCaFileKey, mail.caFile) && ok;
  }
  return ok;
}

std::string ComposeMailMessage(std::string_view from, const store::MailMessage& message, std::time_t date,
                               std::string_view boundary, std::string* error) {
  std::string to;
  for (const std::string& address : message.to) {
    if (!to.empty()) to += ", ";
    to += address;
  }
  std::string out;
  out += "Date: " + MailDate(date) + "\r\n";
  out += "From: " + std::string(from) + "\r\n";
  out += "To: " + to + "\r\n";
  out += "Subject: " + EncodedHeader(OneLine(message.subject)) + "\r\n";
  out += "MIME-Version: 1.0\r\n";
  if (message.attachment.empty()) return out + TextPart(message.body);

  std::ifstream file(message.attachment, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  if (!file) {
    if (error != nullptr) *error = "The attachment " + message.attachment.string() + " cannot be read.";
    return {};
  }
  const std::string name = SafeFileName(message.attachmentName.empty() ? message.attachment.filename().string()
                                                                        : message.attachmentName);
  out += "Content-Type: multipart/mixed; boundary=\"" + std::string(boundary) + "\"\r\n\r\n";
  out += "--" + std::string(boundary) + "\r\n" + TextPart(message.body);
  out += "--" + std::string(boundary) + "\r\n";
  out += "Content-Type: application/pdf; name=\"" + name + "\"\r\n";
  out += "Content-Disposition: attachment; filename=\"" + name + "\"\r\n";
  out += "Content-Transfer-Encoding: base64\r\n\r\n";
  out += Base64Lines(bytes.str());
  out += "--" + std::string(boundary) + "--\r\n";
  return out;
}

store::MailMessage TestMailMessage(std::string_view address) {
  store::MailMessage message;
  message.to = {std::string(address)};
  message.subject = "Tallyvane test message";
  message.body = "This message was sent by Tallyvane to test the e-mail settings.\r\n";
  return message;
}

SmtpMailTransport::SmtpMailTransport(MailSettings settings, store::Progress* progress)
    : settings_(std::move(settings)), progress_(progress) {}

store::MailOutcome SmtpMailTransport::send(const store::MailMessage& message) {
  lastError_.clear();
  auto fail = [&](std::string why) {
    lastError_ = std::move(why);
    return store::MailOutcome::Failed;
  };
  const std::optional<std::string> host = UrlHost(settings_.server);
  if (!host) return fail("No valid mail server is set up.");
  if (!IsValidEmailAddress(settings_.from)) return fail("No valid sender address is set up.");
  if (message.to.empty()) return fail("The message has no recipient.");
  for (const std::string& address : message.to) {
    if (!IsValidEmailAddress(address)) return fail("The address " + address + " is not valid.");
  }
  std::string composeError;
  const std::string text = ComposeMailMessage(settings_.from, message, std::time(nullptr), Boundary(), &composeError);
  if (!composeError.empty()) return fail(composeError);

  std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  if (!curl) return fail("The mail transport could not start.");
  CURL* handle = curl.get();
  const bool tls = settings_.security == MailSecurity::Tls;
  const std::string url =
      store::FormatSql("%s://%s:%d", {tls ? "smtps" : "smtp", *host, settings_.effectivePort()});
  std::unique_ptr<curl_slist, ListDeleter> recipients;
  for (const std::string& address : message.to) {
    curl_slist* grown = curl_slist_append(recipients.get(), ("<" + address + ">").c_str());
    if (grown == nullptr) return fail("The mail transport ran out of memory.");
    (void)recipients.release();
    recipients.reset(grown);
  }
  const std::string mailFrom = "<" + settings_.from + ">";
  Upload upload{text, 0};
  char errorText[CURL_ERROR_SIZE] = {0};

  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
  curl_easy_setopt(handle, CURLOPT_USE_SSL,
                   static_cast<long>(settings_.security == MailSecurity::None ? CURLUSESSL_NONE : CURLUSESSL_ALL));
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!settings_.caFile.empty()) curl_easy_setopt(handle, CURLOPT_CAINFO, settings_.caFile.c_str());
  if (!settings_.user.empty()) {
    curl_easy_setopt(handle, CURLOPT_USERNAME, settings_.user.c_str());
    curl_easy_setopt(handle, CURLOPT_PASSWORD, settings_.password.c_str());
  }
  curl_easy_setopt(handle, CURLOPT_MAIL_FROM, mailFrom.c_str());
  curl_easy_setopt(handle, CURLOPT_MAIL_RCPT, recipients.get());
  curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(handle, CURLOPT_READFUNCTION, ReadUpload);
  curl_easy_setopt(handle, CURLOPT_READDATA, &upload);
  curl_easy_setopt(handle, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(text.size()));
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 30L);
  curl_easy_setopt(handle, CURLOPT_TIMEOUT, settings_.timeoutSeconds);
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, Progress);
  curl_easy_setopt(handle, CURLOPT_XFERINFODATA, progress_);

  const CURLcode result = curl_easy_perform(handle);
  if (result == CURLE_OK) return store::MailOutcome::Sent;
  if (result == CURLE_ABORTED_BY_CALLBACK) {
    lastError_ = "The message was not sent.";
    return store::MailOutcome::Cancelled;
  }
  return fail(errorText[0] != '\0' ? std::string(errorText) : std::string(curl_easy_strerror(result)));
}

}  // namespace tallyvane::reports
