// What leaves the program with a built report: the PDF file ("Save as PDF",
// with the in-use check and the remembered folder) and the PDF handed to the
// mail transport for e-mail or for the fax gateway (<number>@<Gateway>).
// The dialogs are models: their fields in, the first failure out.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/pdf_document.h"
#include "reports/report.h"
#include "store/ports.h"
#include "store/settings.h"
#include "store/status.h"

namespace tallyvane::reports {

// Remembered in the "Settings" section.
inline constexpr std::string_view kSettingsSection = "Settings";
inline constexpr std::string_view kSavePdfFolderKey = "SavePDFFolder";
inline constexpr std::string_view kReportEmailKey = "ReportEmail";
inline constexpr std::string_view kReportFaxKey = "ReportFax";
inline constexpr std::string_view kFaxGatewayKey = "Gateway";

// $XDG_DOCUMENTS_DIR, else ~/Documents when it exists, else the home folder.
[[nodiscard]] std::filesystem::path DocumentsFolder();

// ---- Save as PDF ----

inline constexpr std::string_view kSavePdfDialogTitle = "Save As PDF";
inline constexpr std::string_view kPdfFilter = "PDF File";
inline constexpr std::string_view kInUseTitle = "Save to PDF";
inline constexpr std::string_view kInUseMessage = "The document is in use by another application and cannot be accessed";

// The folder the save dialog starts in: the one last chosen, else Documents.
[[nodiscard]] std::filesystem::path SavePdfStartFolder(const store::Settings& settings);
// Stores the chosen file's folder for the next dialog.
void RememberPdfFolder(store::Settings& settings, const std::filesystem::path& chosenFile);

// Another process holds a lock on the file, or the system refuses it as busy.
[[nodiscard]] bool FileInUse(const std::filesystem::path& path);

// Lays the report out on a new PDF of the data file's paper and margins.
// False when the file cannot be written; no broken file is left behind.
bool WriteReportPdf(const Report& report, const std::filesystem::path& path, const pdf::PdfOptions& options = {});

// "Save as PDF" after the dialog: refuses a file in use (with its message),
// otherwise writes it.
[[nodiscard]] Status SaveReportAsPdf(const Report& report, const std::filesystem::path& path,
                                     store::Prompter& prompter, const pdf::PdfOptions& options = {});

// ---- E-mail and fax ----

inline constexpr std::string_view kEmailDialogTitle = "Email Address";
inline constexpr std::string_view kInvalidEmail = "Please enter a valid email address";
inline constexpr std::string_view kSendingEmail = "Sending Email";
inline constexpr std::string_view kFaxDialogTitle = "Fax Number";
inline constexpr std::string_view kEmptyFaxNumber = "Please enter the fax number";
inline constexpr std::string_view kFaxDigitsOnly = "Please enter only numbers as the fax number.";

// A plain address "local@domain": no blanks, control characters, quotes,
// brackets or separators, so that nothing typed can add a header line.
[[nodiscard]] bool IsValidEmailAddress(std::string_view address);
// The comma-separated addresses, trimmed; blank pieces are dropped.
[[nodiscard]] std::vector<std::string> SplitRecipients(std::string_view text);

[[nodiscard]] std::string ReportMailSubject(const Report& report);
[[nodiscard]] std::string ReportMailBody(const Report& report, std::string_view message);

struct EmailForm {
  std::string recipients;  // comma-separated
  bool remember = false;
  std::string message;  // optional comment
};
// The dialog as it opens: the remembered recipients.
[[nodiscard]] EmailForm OpenEmailForm(const store::Settings& settings);

struct FaxForm {
  std::string number;
  bool remember = false;
};
[[nodiscard]] FaxForm OpenFaxForm(const store::Settings& settings);

struct MailResult {
  Status status;  // a refused field (a balloon), else ok
  store::MailOutcome outcome = store::MailOutcome::Failed;
};

// Checks the addresses, remembers them when asked, writes the report as a
// temporary PDF "Tallyvane<thread>.pdf", hands the message to the transport
// and deletes the PDF afterwards. A PDF that cannot be written fails
// without sending anything.
[[nodiscard]] MailResult EmailReport(const Report& report, store::Settings& settings, const EmailForm& form,
                                     store::MailTransport& transport, store::Progress& progress,
                                     const pdf::PdfOptions& options = {});

// The same hand-over to the fax gateway: the number must be digits only and
// a gateway must be configured (field "gateway" otherwise, for the caller to
// run the gateway set-up).
[[nodiscard]] MailResult FaxReport(const Report& report, store::Settings& settings, const FaxForm& form,
                                   store::MailTransport& transport, store::Progress& progress,
                                   const pdf::PdfOptions& options = {});

}  // namespace tallyvane::reports
