#include "reports/report_output.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "pdf/paper.h"
#include "reports/page_layout.h"
#include "store/sql_format.h"

namespace tallyvane::reports {

namespace fs = std::filesystem;
using store::FormatSql;

namespace {

std::string Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

// A private folder in the temporary folder, so the attachment's fixed name
// cannot be raced or redirected by another user of a shared /tmp.
class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    if (error) return;
    std::string pattern = (base / "tallyvane-mail-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TemporaryFolder() {
    if (path_.empty()) return;
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  [[nodiscard]] const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

MailResult HandOver(const Report& report, store::MailMessage message, store::MailTransport& transport,
                    store::Progress& progress, const pdf::PdfOptions& options) {
  progress.setTitle(kSendingEmail);
  TemporaryFolder folder;
  if (folder.path().empty()) return {Status::Ok(), store::MailOutcome::Failed};
  const std::string name = FormatSql("Tallyvane%d.pdf", {static_cast<long long>(::gettid())});
  const fs::path attachment = folder.path() / name;
  if (!WriteReportPdf(report, attachment, options)) return {Status::Ok(), store::MailOutcome::Failed};
  if (progress.cancelRequested()) return {Status::Ok(), store::MailOutcome::Cancelled};
  message.attachment = attachment;
  message.attachmentName = name;
  const store::MailOutcome outcome = transport.send(message);
  std::error_code ignored;
  fs::remove(attachment, ignored);
  return {Status::Ok(), outcome};
}

}  // namespace

fs::path DocumentsFolder() {
  if (const char* documents = std::getenv("XDG_DOCUMENTS_DIR"); documents != nullptr && *documents != '\0') {
    return documents;
  }
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') return fs::current_path();
  std::error_code error;
  if (fs::is_directory(fs::path(home) / "Documents", error)) return fs::path(home) / "Documents";
  return home;
}

// ---- Save as PDF ----

fs::path SavePdfStartFolder(const store::Settings& settings) {
  const std::string folder = settings.readString(kSettingsSection, kSavePdfFolderKey);
  return folder.empty() ? DocumentsFolder() : fs::path(folder);
}

void RememberPdfFolder(store::Settings& settings, const fs::path& chosenFile) {
  settings.writeString(kSettingsSection, kSavePdfFolderKey, chosenFile.parent_path().string());
}

bool FileInUse(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return errno == ETXTBSY || errno == EBUSY;
  bool inUse = false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    inUse = errno == EWOULDBLOCK;
  } else {
    ::flock(fd, LOCK_UN);
  }
  if (!inUse) {
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) inUse = true;
  }
  ::close(fd);
  return inUse;
}

bool WriteReportPdf(const Report& report, const fs::path& path, const pdf::PdfOptions& options) {
  const store::RegionalSettings& regional = report.owner().regional();
  pdf::PdfDocument document(path, static_cast<int>(pdf::PaperFromOption(regional.paperSize)), options);
  if (!document.isOpen()) return false;
  LayoutReport(report, document, MarginsOf(regional));
  return document.finish();
}

Status SaveReportAsPdf(const Report& report, const fs::path& path, store::Prompter& prompter,
                       const pdf::PdfOptions& options) {
  std::error_code error;
  if (fs::exists(path, error) && FileInUse(path)) {
    prompter.message(kInUseTitle, kInUseMessage, store::Icon::Information);
    return Status::Fail(std::string(kInUseMessage), std::string(kInUseTitle));
  }
  if (!WriteReportPdf(report, path, options)) {
    return Status::FileError(FormatSql("The file %s cannot be written.", {path.string()}));
  }
  return Status::Ok();
}

// ---- E-mail and fax ----

bool IsValidEmailAddress(std::string_view address) {
  const auto at = address.find('@');
  if (at == std::string_view::npos || at == 0 || at + 1 >= address.size()) return false;
  if (address.find('@', at + 1) != std::string_view::npos) return false;
  if (address.size() > 254) return false;
  for (char c : address) {
    const auto code = static_cast<unsigned char>(c);
    if (code <= 32 || code == 127) return false;
    if (std::string_view("<>()[]\\,;:\"").find(c) != std::string_view::npos) return false;
  }
  const std::string_view local = address.substr(0, at);
  const std::string_view domain = address.substr(at + 1);
  if (local.size() > 64 || local.front() == '.' || local.back() == '.' || local.find("..") != std::string_view::npos) {
    return false;
  }
  // Domain labels of letters, digits and hyphens (or UTF-8 for international
  // names), at least two of them.
  if (domain.find('.') == std::string_view::npos) return false;
  std::size_t start = 0;
  while (start <= domain.size()) {
    std::size_t end = domain.find('.', start);
    if (end == std::string_view::npos) end = domain.size();
    const std::string_view label = domain.substr(start, end - start);
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') return false;
    for (char c : label) {
      const auto code = static_cast<unsigned char>(c);
      const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                      code >= 0x80;
      if (!ok) return false;
    }
    start = end + 1;
  }
  return true;
}

std::vector<std::string> SplitRecipients(std::string_view text) {
  std::vector<std::string> addresses;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(',', start);
    if (end == std::string_view::npos) end = text.size();
    std::string piece = Trimmed(text.substr(start, end - start));
    if (!piece.empty()) addresses.push_back(std::move(piece));
    start = end + 1;
  }
  return addresses;
}

std::string ReportMailSubject(const Report& report) {
  return FormatSql("%s %s", {report.title(), report.periodText()});
}

std::string ReportMailBody(const Report& report, std::string_view message) {
  std::string body;
  if (!message.empty()) body = FormatSql("%s\r\n\r\n", {message});
  body += FormatSql("%s %s is attached to this email.\r\n\r\nThis report has been generated automatically by "
                    "Tallyvane. ",
                    {report.title(), report.periodText()});
  return body;
}

EmailForm OpenEmailForm(const store::Settings& settings) {
  EmailForm form;
  form.recipients = settings.readString(kSettingsSection, kReportEmailKey);
  return form;
}

FaxForm OpenFaxForm(const store::Settings& settings) {
  FaxForm form;
  form.number = settings.readString(kSettingsSection, kReportFaxKey);
  return form;
}

MailResult EmailReport(const Report& report, store::Settings& settings, const EmailForm& form,
                       store::MailTransport& transport, store::Progress& progress, const pdf::PdfOptions& options) {
  const std::vector<std::string> recipients = SplitRecipients(form.recipients);
  bool valid = !recipients.empty();
  for (const std::string& address : recipients) valid = valid && IsValidEmailAddress(address);
  if (!valid) return {Status::Fail(std::string(kInvalidEmail), "", "recipients"), store::MailOutcome::Failed};
  if (form.remember) settings.writeString(kSettingsSection, kReportEmailKey, form.recipients);

  store::MailMessage message;
  message.to = recipients;
  message.subject = ReportMailSubject(report);
  message.body = ReportMailBody(report, form.message);
  return HandOver(report, std::move(message), transport, progress, options);
}

MailResult FaxReport(const Report& report, store::Settings& settings, const FaxForm& form,
                     store::MailTransport& transport, store::Progress& progress, const pdf::PdfOptions& options) {
  if (form.number.empty()) return {Status::Fail(std::string(kEmptyFaxNumber), "", "number"), store::MailOutcome::Failed};
  if (form.number.find_first_not_of("0123456789") != std::string::npos) {
    return {Status::Fail(std::string(kFaxDigitsOnly), "", "number"), store::MailOutcome::Failed};
  }
  if (form.remember) settings.writeString(kSettingsSection, kReportFaxKey, form.number);
  const std::string gateway = Trimmed(settings.readString(kSettingsSection, kFaxGatewayKey));
  const std::string address = form.number + "@" + gateway;
  if (gateway.empty() || !IsValidEmailAddress(address)) {
    return {Status::Fail("", "", "gateway"), store::MailOutcome::Failed};
  }
  store::MailMessage message;
  message.to = {address};
  message.subject = ReportMailSubject(report);
  message.body = ReportMailBody(report, {});
  return HandOver(report, std::move(message), transport, progress, options);
}

}  // namespace tallyvane::reports
