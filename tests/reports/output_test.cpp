// Save as PDF through the real PDF writer, the in-use check, the remembered
// folder, and the e-mail and fax hand-over through a recording transport.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "pdf/pdf_test_support.h"
#include "reports/activity_report.h"
#include "reports/category_report.h"
#include "reports/report_output.h"
#include "reports_fixture.h"

namespace tallyvane::reports {
namespace {

using ledger::TransactionType;
using tallyvane::testing::TempDir;

bool OnPath(const std::string& program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::string ToolOutput(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    ::pclose(pipe);
  }
  return out;
}

// Records what it is handed and what the attachment held at that moment.
class RecordingTransport final : public store::MailTransport {
 public:
  store::MailOutcome send(const store::MailMessage& message) override {
    messages.push_back(message);
    attachmentExisted = std::filesystem::exists(message.attachment);
    attachmentBytes = pdf::testing::ReadBytes(message.attachment);
    return outcome;
  }
  std::vector<store::MailMessage> messages;
  bool attachmentExisted = false;
  std::string attachmentBytes;
  store::MailOutcome outcome = store::MailOutcome::Sent;
};

class CancellingProgress final : public store::Progress {
 public:
  void setTitle(std::string_view text) override { title = text; }
  void setText(std::string_view) override {}
  void setFraction(long long, long long) override {}
  [[nodiscard]] bool cancelRequested() const override { return cancel; }
  std::string title;
  bool cancel = false;
};

class OutputTest : public ReportsTest {
 protected:
  void SetUp() override {
    Add(kChecking, "1234.50", "2026-11-02", TransactionType::Deposit, "Acme", "Income | Salary");
    Add(kChecking, "20.00", "2026-11-04", TransactionType::Purchase, "Caf\xC3\xA9 (Corner) \\ Bar", "Food | Dining Out");
    report_.build();
  }
  CategoryReport report_{data(), MonthPeriod(2026, 11)};
  TempDir dir_;
  tallyvane::testing::RecordingPrompter prompter_;
};

TEST_F(OutputTest, SaveAsPdfWritesAWellFormedFileWithTheReportText) {
  ASSERT_TRUE(db().exec("UPDATE Misc SET PaperSize = 0 WHERE ID = 'Options'"));
  data().reloadRegionalSettings();
  const std::filesystem::path file = dir_ / "Report.pdf";
  const store::Status saved = SaveReportAsPdf(report_, file, prompter_);
  ASSERT_TRUE(saved.ok) << saved.message;
  const std::string bytes = pdf::testing::ReadBytes(file);
  EXPECT_EQ(bytes.substr(0, 9), "%PDF-1.4\r");
  EXPECT_TRUE(pdf::testing::WellFormed(bytes));
  EXPECT_NE(bytes.find("/MediaBox [0 0 595 842]"), std::string::npos);
  if (OnPath("qpdf")) {
    const std::string check = ToolOutput("qpdf --check '" + file.string() + "' 2>&1");
    EXPECT_NE(check.find("No syntax or stream encoding errors"), std::string::npos) << check;
  }
  if (OnPath("pdftotext")) {
    const std::string text = ToolOutput("pdftotext -layout '" + file.string() + "' - 2>&1");
    EXPECT_NE(text.find("Income/Expenses Report By Category"), std::string::npos) << text;
    EXPECT_NE(text.find("Income Total:"), std::string::npos) << text;
    EXPECT_NE(text.find("$1,234.50"), std::string::npos) << text;
    EXPECT_NE(text.find("page 1"), std::string::npos) << text;
  }
}

TEST_F(OutputTest, PaperOptionChoosesThePageSize) {
  ASSERT_TRUE(db().exec("UPDATE Misc SET PaperSize = 2 WHERE ID = 'Options'"));
  data().reloadRegionalSettings();
  ASSERT_TRUE(WriteReportPdf(report_, dir_ / "legal.pdf"));
  EXPECT_NE(pdf::testing::ReadBytes(dir_ / "legal.pdf").find("/MediaBox [0 0 612 1009]"), std::string::npos);
}

TEST_F(OutputTest, AFileInUseIsRefusedWithItsMessageAndLeftAlone) {
  const std::filesystem::path file = dir_ / "Report.pdf";
  {
    std::ofstream old(file);
    old << "open elsewhere";
  }
  const int holder = ::open(file.c_str(), O_RDONLY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  EXPECT_TRUE(FileInUse(file));
  const store::Status refused = SaveReportAsPdf(report_, file, prompter_);
  EXPECT_FALSE(refused.ok);
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].title, "Save to PDF");
  EXPECT_EQ(prompter_.shown[0].text, "The document is in use by another application and cannot be accessed");
  EXPECT_EQ(pdf::testing::ReadBytes(file), "open elsewhere");
  ::close(holder);

  EXPECT_FALSE(FileInUse(file));
  EXPECT_TRUE(SaveReportAsPdf(report_, file, prompter_).ok);
  EXPECT_EQ(pdf::testing::ReadBytes(file).substr(0, 5), "%PDF-");
}

TEST_F(OutputTest, AFileThatCannotBeCreatedFailsAndLeavesNothing) {
  const store::Status failed = SaveReportAsPdf(report_, dir_ / "no such folder" / "Report.pdf", prompter_);
  EXPECT_FALSE(failed.ok);
  EXPECT_TRUE(failed.fileError);
  EXPECT_TRUE(prompter_.shown.empty());
  EXPECT_FALSE(std::filesystem::exists(dir_ / "no such folder"));
}

TEST_F(OutputTest, TheSaveFolderIsRememberedInTheSettings) {
  store::MemorySettings settings;
  EXPECT_EQ(SavePdfStartFolder(settings), DocumentsFolder());
  RememberPdfFolder(settings, dir_ / "Report.pdf");
  EXPECT_EQ(settings.readString("Settings", "SavePDFFolder"), dir_.path().string());
  EXPECT_EQ(SavePdfStartFolder(settings), dir_.path());
}

TEST_F(OutputTest, EmailHandsOverSubjectBodyAndATemporaryPdfThatIsDeletedAfterwards) {
  store::MemorySettings settings;
  RecordingTransport transport;
  CancellingProgress progress;
  EmailForm form;
  form.recipients = " ann@example.com, bob.smith@mail.example.org ";
  form.message = "Here is November.";
  const MailResult result = EmailReport(report_, settings, form, transport, progress);
  ASSERT_TRUE(result.status.ok) << result.status.message;
  EXPECT_EQ(result.outcome, store::MailOutcome::Sent);
  EXPECT_EQ(progress.title, "Sending Email");
  ASSERT_EQ(transport.messages.size(), 1u);
  const store::MailMessage& sent = transport.messages[0];
  EXPECT_EQ(sent.to, (std::vector<std::string>{"ann@example.com", "bob.smith@mail.example.org"}));
  EXPECT_EQ(sent.subject, "Income/Expenses Report By Category Period: 11/01/2026 to 11/30/2026");
  EXPECT_EQ(sent.body,
            "Here is November.\r\n\r\nIncome/Expenses Report By Category Period: 11/01/2026 to 11/30/2026 is attached "
            "to this email.\r\n\r\nThis report has been generated automatically by Tallyvane. ");
  EXPECT_EQ(sent.attachment.filename().string(), "Tallyvane" + std::to_string(::gettid()) + ".pdf");
  EXPECT_EQ(sent.attachmentName, sent.attachment.filename().string());
  EXPECT_TRUE(transport.attachmentExisted);
  EXPECT_TRUE(pdf::testing::WellFormed(transport.attachmentBytes));
  EXPECT_FALSE(std::filesystem::exists(sent.attachment));
  EXPECT_FALSE(std::filesystem::exists(sent.attachment.parent_path()));
  // Not remembered unless asked.
  EXPECT_EQ(settings.readString("Settings", "ReportEmail"), "");
}

TEST_F(OutputTest, EmailWithoutAMessageStartsWithTheReportLineAndRemembersWhenAsked) {
  store::MemorySettings settings;
  RecordingTransport transport;
  transport.outcome = store::MailOutcome::Failed;
  store::NullProgress progress;
  EmailForm form;
  form.recipients = "ann@example.com";
  form.remember = true;
  const MailResult result = EmailReport(report_, settings, form, transport, progress);
  EXPECT_EQ(result.outcome, store::MailOutcome::Failed);  // the transport's answer
  EXPECT_EQ(transport.messages.at(0).body.rfind("Income/Expenses Report By Category Period:", 0), 0u);
  EXPECT_EQ(settings.readString("Settings", "ReportEmail"), "ann@example.com");
  EXPECT_EQ(OpenEmailForm(settings).recipients, "ann@example.com");
  EXPECT_FALSE(std::filesystem::exists(transport.messages.at(0).attachment));
}

TEST_F(OutputTest, EmailRefusesInvalidAddressesBeforeWritingAnything) {
  struct Case {
    const char* name;
    const char* recipients;
  };
  const Case cases[] = {
      {"empty", ""},
      {"only separators", " , ,"},
      {"no at sign", "ann.example.com"},
      {"no domain dot", "ann@example"},
      {"two at signs", "ann@b@example.com"},
      {"one bad of two", "ann@example.com, bob"},
      {"a header smuggled in", "ann@example.com\r\nBcc: eve@example.com"},
      {"a display name", "Ann <ann@example.com>"},
      {"blank inside", "ann smith@example.com"},
      {"dot at the end of the local part", "ann.@example.com"},
      {"empty domain label", "ann@example..com"},
  };
  for (const Case& c : cases) {
    store::MemorySettings settings;
    RecordingTransport transport;
    store::NullProgress progress;
    EmailForm form;
    form.recipients = c.recipients;
    form.remember = true;
    const MailResult result = EmailReport(report_, settings, form, transport, progress);
    EXPECT_FALSE(result.status.ok) << c.name;
    EXPECT_EQ(result.status.message, "Please enter a valid email address") << c.name;
    EXPECT_EQ(result.status.field, "recipients") << c.name;
    EXPECT_TRUE(transport.messages.empty()) << c.name;
    EXPECT_EQ(settings.readString("Settings", "ReportEmail"), "") << c.name;
  }
}

TEST_F(OutputTest, APdfThatCannotBeWrittenSendsNothing) {
  const char* old = std::getenv("TMPDIR");
  const std::string saved = old ? old : "";
  ::setenv("TMPDIR", (dir_ / "missing").c_str(), 1);
  store::MemorySettings settings;
  RecordingTransport transport;
  store::NullProgress progress;
  EmailForm form;
  form.recipients = "ann@example.com";
  const MailResult result = EmailReport(report_, settings, form, transport, progress);
  if (old) {
    ::setenv("TMPDIR", saved.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
  EXPECT_EQ(result.outcome, store::MailOutcome::Failed);
  EXPECT_TRUE(transport.messages.empty());
}

TEST_F(OutputTest, CancellingBeforeTheHandOverSendsNothingAndCleansUp) {
  store::MemorySettings settings;
  RecordingTransport transport;
  CancellingProgress progress;
  progress.cancel = true;
  EmailForm form;
  form.recipients = "ann@example.com";
  EXPECT_EQ(EmailReport(report_, settings, form, transport, progress).outcome, store::MailOutcome::Cancelled);
  EXPECT_TRUE(transport.messages.empty());
}

TEST_F(OutputTest, FaxChecksTheNumberAndMailsTheGateway) {
  store::MemorySettings settings;
  RecordingTransport transport;
  store::NullProgress progress;
  struct Case {
    const char* name;
    const char* number;
    const char* message;
    const char* field;
  };
  const Case cases[] = {
      {"empty", "", "Please enter the fax number", "number"},
      {"not only digits", "555-1234", "Please enter only numbers as the fax number.", "number"},
      {"no gateway set up", "5551234", "", "gateway"},
  };
  for (const Case& c : cases) {
    FaxForm form;
    form.number = c.number;
    const MailResult result = FaxReport(report_, settings, form, transport, progress);
    EXPECT_FALSE(result.status.ok) << c.name;
    EXPECT_EQ(result.status.message, c.message) << c.name;
    EXPECT_EQ(result.status.field, c.field) << c.name;
  }
  EXPECT_TRUE(transport.messages.empty());

  settings.writeString("Settings", "Gateway", "fax.example.com");
  FaxForm form;
  form.number = "5551234";
  form.remember = true;
  const MailResult sent = FaxReport(report_, settings, form, transport, progress);
  ASSERT_TRUE(sent.status.ok);
  EXPECT_EQ(sent.outcome, store::MailOutcome::Sent);
  ASSERT_EQ(transport.messages.size(), 1u);
  EXPECT_EQ(transport.messages[0].to, (std::vector<std::string>{"5551234@fax.example.com"}));
  EXPECT_TRUE(transport.attachmentExisted);
  EXPECT_EQ(settings.readString("Settings", "ReportFax"), "5551234");
  EXPECT_EQ(OpenFaxForm(settings).number, "5551234");
}

TEST_F(OutputTest, ActivityReportPdfPassesTheToolsOnSeveralPages) {
  for (int i = 0; i < 120; ++i) {
    Add(kChecking, "12.34", store::FormatSql("2026-10-%.2d", {1 + i % 28}), TransactionType::Purchase,
        "A payee with a rather long name \xE2\x80\x94 and more", "Food | Groceries");
  }
  AccountActivityReport report(data(), MonthPeriod(2026, 10), kChecking);
  report.build();
  const std::filesystem::path file = dir_ / "activity.pdf";
  ASSERT_TRUE(WriteReportPdf(report, file));
  const std::string bytes = pdf::testing::ReadBytes(file);
  EXPECT_TRUE(pdf::testing::WellFormed(bytes));
  EXPECT_GT(pdf::testing::Count(bytes, "/Type/Page "), 2u);
  if (OnPath("qpdf")) {
    const std::string check = ToolOutput("qpdf --check '" + file.string() + "' 2>&1");
    EXPECT_NE(check.find("No syntax or stream encoding errors"), std::string::npos) << check;
  }
  if (OnPath("pdftotext")) {
    const std::string text = ToolOutput("pdftotext '" + file.string() + "' - 2>&1");
    EXPECT_NE(text.find("Checking Account Transactions"), std::string::npos);
    EXPECT_NE(text.find("2026-10-28"), std::string::npos);  // dates stay whole
    EXPECT_NE(text.find("page 3"), std::string::npos);
  }
}

}  // namespace
}  // namespace tallyvane::reports
