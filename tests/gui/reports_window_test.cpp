// The report windows driven offscreen: a report opened from its period
// dialog, a drill-down into a journal and back, the saved CSV and PDF, and
// the printed pages laid out alike on the QPainter canvas and in the PDF.
#include <gtest/gtest.h>

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineSeries>
#include <QPieSeries>
#include <QPieSlice>
#include "gui/date_field.h"
#include <QLabel>
#include <QPdfWriter>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QInputDialog>
#include <QProgressDialog>
#include <QTableView>
#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "dialogs_fixture.h"
#include "gui/reports/charts.h"
#include "gui/reports/painter_canvas.h"
#include "gui/reports/report_window.h"
#include "pdf/pdf_document.h"
#include "reports/activity_report.h"
#include "reports/category_report.h"
#include "reports/page_layout.h"
#include "reports/report_output.h"
#include "reports/smtp_mail.h"
#include "reports/smtp_sink.h"

namespace tallyvane::gui {
namespace {

using ledger::TransactionType;

// Passes every call on and keeps the text drawn on each page.
class RecordingCanvas final : public pdf::Canvas {
 public:
  explicit RecordingCanvas(pdf::Canvas& inner) : inner_(inner) {}
  int pageWidth() const override { return inner_.pageWidth(); }
  int pageHeight() const override { return inner_.pageHeight(); }
  int resolution() const override { return inner_.resolution(); }
  pdf::PageOffset unprintableOffset() const override { return inner_.unprintableOffset(); }
  void beginPage() override {
    pages.emplace_back();
    inner_.beginPage();
  }
  void endPage() override { inner_.endPage(); }
  void selectFont(std::string_view face, double cellHeight, int weight, bool italic, bool underline) override {
    inner_.selectFont(face, cellHeight, weight, italic, underline);
  }
  double textWidth(std::string_view text) override { return inner_.textWidth(text); }
  double lineHeight() const override { return inner_.lineHeight(); }
  void drawText(std::string_view text, double x, double y) override {
    if (!pages.empty()) {
      std::ostringstream at;
      at << text << " @" << static_cast<long>(x * 100) << "," << static_cast<long>(y * 100);
      pages.back().push_back(at.str());
    }
    inner_.drawText(text, x, y);
  }
  void drawLine(double x1, double y1, double x2, double y2) override { inner_.drawLine(x1, y1, x2, y2); }

  std::vector<std::vector<std::string>> pages;

 private:
  pdf::Canvas& inner_;
};

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    std::array<char, 4096> buffer{};
    while (std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) out.append(buffer.data(), n);
    pclose(pipe);
  }
  return out;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int PdfPages(const std::filesystem::path& path) {
  const std::string info = Shell("pdfinfo '" + path.string() + "' 2>/dev/null");
  const std::size_t at = info.find("Pages:");
  return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

class ReportWindowTest : public DialogTest {
 protected:
  ReportWindowTest() { SetSaveFileChooser({}); }
  ~ReportWindowTest() override { SetSaveFileChooser({}); }

  ledger::TransactionKey Add(ledger::AccountKey account, const std::string& amount, const std::string& date,
                             TransactionType type, const std::string& payee, const std::string& category,
                             const std::string& note = {}) {
    ledger::EntryForm form;
    form.account = account;
    form.amountText = amount;
    form.date = date;
    form.type = type;
    form.payee = payee;
    form.category = category;
    form.note = note;
    tallyvane::testing::RecordingPrompter quiet;
    const ledger::EntryResult result = ledger::EnterTransaction(data(), form, quiet);
    EXPECT_TRUE(result.status.ok) << result.status.message;
    return result.key.value_or(0);
  }

  void November() {
    Add(kChecking, "1000.00", "2026-11-02", TransactionType::Deposit, "Acme", "Income | Salary");
    Add(kChecking, "50.00", "2026-11-03", TransactionType::Purchase, "Market", "Food | Groceries");
    Add(kChecking, "20.00", "2026-11-04", TransactionType::Purchase, "Diner", "Food | Dining Out");
  }

  // Enough register lines for several printed pages, some of them long
  // enough to wrap.
  void ManyRows(int count) {
    for (int i = 0; i < count; ++i) {
      const std::string day = std::to_string(1 + i % 28);
      Add(kChecking, std::to_string(1 + i) + ".25", "2026-11-" + (day.size() == 1 ? "0" + day : day),
          TransactionType::Purchase, i % 7 == 0 ? "A payee whose name is long enough to wrap in its column " +
                                                      std::to_string(i)
                                                : "Shop " + std::to_string(i),
          "Food | Groceries");
    }
  }

  int RowOf(const ReportWindow& window, const std::string& firstCell) {
    auto* model = window.table()->model();
    for (int r = 0; r < model->rowCount(); ++r) {
      if (model->index(r, 0).data().toString().trimmed().toStdString() == firstCell) return r;
    }
    return -1;
  }

  std::unique_ptr<reports::Report> Built(std::unique_ptr<reports::Report> report) {
    report->build();
    return report;
  }

  tallyvane::testing::TempDir out_;
};

TEST_F(ReportWindowTest, PeriodDialogOpensTheReportForTheChosenPeriod) {
  November();
  reports::PeriodMemory memory;
  bool sawReport = false;
  OnNextModal([&](QWidget* period) {
    auto* choice = period->findChild<QComboBox*>(QStringLiteral("period"));
    ASSERT_NE(choice, nullptr);
    choice->setCurrentIndex(static_cast<int>(reports::PeriodChoice::LastMonth));
    EXPECT_EQ(period->findChild<DateField*>(QStringLiteral("start"))->date(), QDate(2026, 11, 1));
    EXPECT_EQ(period->findChild<DateField*>(QStringLiteral("end"))->date(), QDate(2026, 11, 30));
    OnNextModal([&](QWidget* shown) {
      auto* window = qobject_cast<ReportWindow*>(shown);
      ASSERT_NE(window, nullptr);
      sawReport = true;
      EXPECT_EQ(window->windowTitle(), QStringLiteral("Report: Income/Expenses Report By Category"));
      EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("reportPeriod"))->text().toStdString(),
                window->report().periodText());
      EXPECT_GE(RowOf(*window, "Food | Groceries"), 0);
      // The hidden-width columns never show; the category report has three.
      EXPECT_EQ(window->table()->model()->columnCount(), 3);
      window->reject();
    });
    QTest::mouseClick(period->findChild<QPushButton*>(QStringLiteral("ok")), Qt::LeftButton);
  });
  EXPECT_FALSE(RunCategoryReport(context_, memory, nullptr));
  EXPECT_TRUE(sawReport);
  // The choice is remembered for the next dialog of the run.
  EXPECT_EQ(memory.opening(clock_.now()).choice, reports::PeriodChoice::LastMonth);
}

TEST_F(ReportWindowTest, IncludeTransfersBoxDecidesWhetherTransfersCount) {
  November();
  {
    ledger::EntryForm form;
    form.account = kChecking;
    form.type = TransactionType::Transfer;
    form.transferAccount = kSavings;
    form.amountText = "200.00";
    form.date = "2026-11-06";
    tallyvane::testing::RecordingPrompter quiet;
    ASSERT_TRUE(ledger::EnterTransaction(data(), form, quiet).status.ok);
  }
  for (const bool tick : {false, true}) {
    reports::PeriodMemory memory;
    bool sawReport = false;
    OnNextModal([&](QWidget* period) {
      period->findChild<QComboBox*>(QStringLiteral("period"))
          ->setCurrentIndex(static_cast<int>(reports::PeriodChoice::LastMonth));
      auto* box = period->findChild<QCheckBox*>(QStringLiteral("includeTransfers"));
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->text(), QStringLiteral("Include transfers between accounts"));
      EXPECT_FALSE(box->isChecked());
      if (tick) QTest::mouseClick(box, Qt::LeftButton);
      EXPECT_EQ(box->isChecked(), tick);
      OnNextModal([&](QWidget* shown) {
        auto* window = qobject_cast<ReportWindow*>(shown);
        ASSERT_NE(window, nullptr);
        sawReport = true;
        // The transfer has no category: only counted does it show, as
        // "Not categorized" income into savings and expense out of checking.
        EXPECT_EQ(RowOf(*window, "Not categorized") >= 0, tick);
        window->reject();
      });
      QTest::mouseClick(period->findChild<QPushButton*>(QStringLiteral("ok")), Qt::LeftButton);
    });
    EXPECT_FALSE(RunCategoryReport(context_, memory, nullptr));
    EXPECT_TRUE(sawReport) << tick;
    // The box is remembered for the run, as the period is.
    EXPECT_EQ(memory.includeTransfers(), tick);
  }
}

TEST_F(ReportWindowTest, BudgetReportDialogOffersTheTransfersBox) {
  BudgetPeriodWindow window(context_, nullptr);
  Show(window);
  auto* box = window.findChild<QCheckBox*>(QStringLiteral("includeTransfers"));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->text(), QStringLiteral("Include transfers between accounts"));
  EXPECT_FALSE(box->isChecked());
  QTest::mouseClick(box, Qt::LeftButton);
  EXPECT_TRUE(box->isChecked());
}

TEST_F(ReportWindowTest, EndBeforeStartIsRefusedAtTheEndDate) {
  reports::PeriodMemory memory;
  PeriodWindow window(context_, memory, QStringLiteral("Report"), false, false, nullptr);
  Show(window);
  window.findChild<DateField*>(QStringLiteral("start"))->setDate(QDate(2026, 11, 20));
  window.findChild<DateField*>(QStringLiteral("end"))->setDate(QDate(2026, 11, 10));
  // Editing a date turns the choice into "Select".
  EXPECT_EQ(window.findChild<QComboBox*>(QStringLiteral("period"))->currentIndex(), 0);
  Click(window, "ok");
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(Balloon(), "end||" + std::string(reports::kInvalidEndDate));
}

TEST_F(ReportWindowTest, NothingFoundShowsTheRefusalInsteadOfAWindow) {
  bool changed = true;
  EXPECT_FALSE(ShowReport(context_,
                          std::make_unique<reports::CategoryReport>(data(), reports::PeriodBetween("2020-01-01", "2020-01-31")),
                          nullptr, &changed));
  ASSERT_EQ(prompter_.messages.size(), 1U);
  EXPECT_EQ(prompter_.messages[0].text, reports::kNoInformation);
  EXPECT_FALSE(changed);
}

TEST_F(ReportWindowTest, DrillDownDeletesInTheJournalAndTheReportIsRebuilt) {
  November();
  ReportWindow window(context_, Built(std::make_unique<reports::CategoryReport>(data(), reports::MonthPeriod(2026, 11))),
                      nullptr);
  Show(window);
  const int groceries = RowOf(window, "Food | Groceries");
  ASSERT_GE(groceries, 0);
  prompter_.answer("Delete");
  OnNextModal([&](QWidget* shown) {
    auto* journal = qobject_cast<JournalWindow*>(shown);
    ASSERT_NE(journal, nullptr);
    ASSERT_EQ(journal->table()->model()->rowCount(), 1);
    auto* remove = journal->findChild<QPushButton*>(QStringLiteral("delete"));
    EXPECT_FALSE(remove->isEnabled());
    journal->table()->selectRow(0);
    EXPECT_TRUE(remove->isEnabled());
    QTest::mouseClick(remove, Qt::LeftButton);
    EXPECT_EQ(journal->table()->model()->rowCount(), 0);
    journal->accept();
  });
  window.drillDown(groceries);
  ASSERT_FALSE(prompter_.asked.empty());
  EXPECT_EQ(prompter_.asked.back().text, reports::kDeleteTransactionsQuestion);
  EXPECT_TRUE(window.changed());
  EXPECT_EQ(RowOf(window, "Food | Groceries"), -1);
  EXPECT_GE(RowOf(window, "Food | Dining Out"), 0);
}

TEST_F(ReportWindowTest, ClosingAnUnchangedJournalLeavesTheReportAlone) {
  November();
  ReportWindow window(context_, Built(std::make_unique<reports::CategoryReport>(data(), reports::MonthPeriod(2026, 11))),
                      nullptr);
  Show(window);
  const int rows = window.table()->model()->rowCount();
  OnNextModal([](QWidget* journal) { qobject_cast<QDialog*>(journal)->accept(); });
  // Enter on a line opens its journal, as a double click does.
  window.table()->setFocus();
  window.table()->setCurrentIndex(window.table()->model()->index(RowOf(window, "Income | Salary"), 0));
  QTest::keyClick(window.table(), Qt::Key_Return);
  EXPECT_FALSE(window.changed());
  EXPECT_EQ(window.table()->model()->rowCount(), rows);
}

TEST_F(ReportWindowTest, SavesCsvAndPdfFilesThatCheckOut) {
  November();
  ReportWindow window(context_, Built(std::make_unique<reports::CategoryReport>(data(), reports::MonthPeriod(2026, 11))),
                      nullptr);
  const std::filesystem::path csv = out_.path() / "report.csv";
  const std::filesystem::path pdf = out_.path() / "sub" / "report.pdf";
  std::filesystem::create_directories(pdf.parent_path());
  std::vector<QString> titles;
  SetSaveFileChooser([&](const QString& title, const QString&, const QString& filter) {
    titles.push_back(title + QLatin1Char('|') + filter);
    return QString::fromStdString(filter.startsWith(QStringLiteral("CSV")) ? csv.string() : pdf.string());
  });
  window.saveAsCsv();
  window.saveAsPdf();
  ASSERT_EQ(titles.size(), 2U);
  EXPECT_EQ(titles[0], QStringLiteral("Save to CSV|CSV File (*.csv)"));
  EXPECT_EQ(titles[1], QStringLiteral("Save As PDF|PDF File (*.pdf)"));

  const std::string text = ReadFile(csv);
  EXPECT_EQ(text.rfind("\"Category\",\"Expense\",\"Income\"\r\n", 0), 0U) << text;
  EXPECT_NE(text.find("Groceries"), std::string::npos);

  ASSERT_TRUE(std::filesystem::exists(pdf));
  EXPECT_NE(Shell("qpdf --check '" + pdf.string() + "' 2>&1").find("No syntax or stream encoding errors"),
            std::string::npos);
  const std::string pdfText = Shell("pdftotext '" + pdf.string() + "' - 2>/dev/null");
  EXPECT_NE(pdfText.find("Income/Expenses Report By Category"), std::string::npos) << pdfText;
  EXPECT_NE(pdfText.find("Groceries"), std::string::npos);
  // The next dialog starts where this file went.
  EXPECT_EQ(reports::SavePdfStartFolder(context_.settings), pdf.parent_path());
}

TEST_F(ReportWindowTest, CancelledSaveWritesNothing) {
  November();
  ReportWindow window(context_, Built(std::make_unique<reports::CategoryReport>(data(), reports::MonthPeriod(2026, 11))),
                      nullptr);
  SetSaveFileChooser([](const QString&, const QString&, const QString&) { return QString(); });
  window.saveAsCsv();
  window.saveAsPdf();
  EXPECT_TRUE(std::filesystem::is_empty(out_.path()));
  EXPECT_EQ(reports::SavePdfStartFolder(context_.settings), reports::DocumentsFolder());
}

TEST_F(ReportWindowTest, PainterPagesBreakExactlyAsThePdfPages) {
  ManyRows(160);
  reports::AccountActivityReport report(data(), reports::MonthPeriod(2026, 11), kChecking);
  report.build();
  const reports::PageMargins margins = reports::MarginsOf(data().regional());

  const std::filesystem::path pdfPath = out_.path() / "pages.pdf";
  std::vector<std::vector<std::string>> pdfPages;
  {
    pdf::PdfDocument document(pdfPath, static_cast<int>(pdf::PaperFromOption(data().regional().paperSize)));
    RecordingCanvas recorder(document);
    const int pages = reports::LayoutReport(report, recorder, margins);
    EXPECT_EQ(pages, static_cast<int>(recorder.pages.size()));
    ASSERT_TRUE(document.finish());
    pdfPages = recorder.pages;
  }
  ASSERT_GE(pdfPages.size(), 3U);

  // The painter canvas on a paged device of another resolution.
  QPdfWriter writer(QString::fromStdString((out_.path() / "painted.pdf").string()));
  writer.setResolution(600);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  QPainter painter(&writer);
  std::vector<std::vector<std::string>> painted;
  {
    PainterCanvas canvas(painter, &writer, ReportPageSize(report));
    RecordingCanvas recorder(canvas);
    EXPECT_EQ(reports::LayoutReport(report, recorder, margins), static_cast<int>(pdfPages.size()));
    painted = recorder.pages;
  }
  painter.end();
  ASSERT_EQ(painted.size(), pdfPages.size());
  for (std::size_t page = 0; page < painted.size(); ++page) {
    EXPECT_EQ(painted[page], pdfPages[page]) << "page " << page + 1;
  }
  EXPECT_EQ(PdfPages(out_.path() / "painted.pdf"), static_cast<int>(pdfPages.size()));
}

TEST_F(ReportWindowTest, PrintPreviewShowsAsManyPagesAsThePdf) {
  ManyRows(160);
  ReportWindow window(context_,
                      Built(std::make_unique<reports::AccountActivityReport>(data(), reports::MonthPeriod(2026, 11),
                                                                            kChecking)),
                      nullptr);
  const std::filesystem::path pdf = out_.path() / "preview.pdf";
  ASSERT_TRUE(reports::WriteReportPdf(window.report(), pdf));
  const int pdfPages = PdfPages(pdf);
  ASSERT_GE(pdfPages, 3);
  int previewPages = -1;
  OnNextModal([&](QWidget* shown) {
    auto* preview = qobject_cast<QPrintPreviewDialog*>(shown);
    ASSERT_NE(preview, nullptr);
    auto* widget = preview->findChild<QPrintPreviewWidget*>();
    ASSERT_NE(widget, nullptr);
    QTRY_VERIFY(widget->pageCount() > 0);
    previewPages = widget->pageCount();
    preview->reject();
  });
  window.printPreview();
  EXPECT_EQ(previewPages, pdfPages);
}


TEST_F(ReportWindowTest, CategoryReportHasItsChartWhichSavesAsPngAndPrintsAfterThePages) {
  November();
  ReportWindow window(context_, Built(std::make_unique<reports::CategoryReport>(data(), reports::MonthPeriod(2026, 11))),
                      nullptr);
  Show(window);
  ASSERT_NE(window.chart(), nullptr);
  auto* pie = qobject_cast<QPieSeries*>(window.chart()->chart()->series().value(0));
  ASSERT_NE(pie, nullptr);
  // Expenses only, largest first.
  ASSERT_EQ(pie->count(), 2);
  EXPECT_TRUE(pie->slices()[0]->label().startsWith(QStringLiteral("Food | Groceries")));
  EXPECT_DOUBLE_EQ(pie->slices()[0]->value(), 50.0);

  const std::filesystem::path png = out_.path() / "chart.png";
  SetSaveFileChooser([&](const QString&, const QString&, const QString&) { return QString::fromStdString(png.string()); });
  window.saveChart();
  QImage saved(QString::fromStdString(png.string()));
  EXPECT_FALSE(saved.isNull());
  EXPECT_GT(saved.width(), 100);

  // The chart follows the report when a drill-down changes it.
  prompter_.answer("Delete");
  OnNextModal([](QWidget* shown) {
    auto* journal = qobject_cast<JournalWindow*>(shown);
    journal->table()->selectRow(0);
    QTest::mouseClick(journal->findChild<QPushButton*>(QStringLiteral("delete")), Qt::LeftButton);
    journal->accept();
  });
  window.drillDown(RowOf(window, "Food | Groceries"));
  pie = qobject_cast<QPieSeries*>(window.chart()->chart()->series().value(0));
  ASSERT_NE(pie, nullptr);
  EXPECT_EQ(pie->count(), 1);

  // Printed, the chart is one page after the report's.
  const std::filesystem::path pdf = out_.path() / "report.pdf";
  ASSERT_TRUE(reports::WriteReportPdf(window.report(), pdf));
  int previewPages = -1;
  OnNextModal([&](QWidget* shown) {
    auto* widget = shown->findChild<QPrintPreviewWidget*>();
    QTRY_VERIFY(widget->pageCount() > 0);
    previewPages = widget->pageCount();
    qobject_cast<QDialog*>(shown)->reject();
  });
  window.printPreview();
  EXPECT_EQ(previewPages, PdfPages(pdf) + 1);
}

TEST_F(ReportWindowTest, ActivityReportHasNoChart) {
  November();
  ReportWindow window(context_,
                      Built(std::make_unique<reports::AccountActivityReport>(data(), reports::MonthPeriod(2026, 11),
                                                                            kChecking)),
                      nullptr);
  EXPECT_EQ(window.chart(), nullptr);
  EXPECT_EQ(window.findChild<QAction*>(QStringLiteral("saveChart")), nullptr);
}

TEST_F(ReportWindowTest, NetWorthWindowDrawsEveryMonthFromTheFirstCachedOne) {
  November();
  NetWorthWindow window(context_, nullptr);
  Show(window);
  // November and December 2026.
  ASSERT_EQ(window.months().size(), 2U);
  const auto series = window.view()->chart()->series();
  ASSERT_EQ(series.size(), 3);
  for (QAbstractSeries* s : series) EXPECT_EQ(qobject_cast<QLineSeries*>(s)->count(), 2) << s->name().toStdString();
  EXPECT_EQ(series[2]->name(), QStringLiteral("Net Worth"));
  EXPECT_DOUBLE_EQ(qobject_cast<QLineSeries*>(series[2])->at(1).y(),
                   static_cast<double>(window.months().back().netWorth().minorUnits()) / 100.0);
}


// The mail transport pointed at a loopback sink, without TLS.
bool MailThrough(const tallyvane::testing::SmtpSink& sink, store::Settings& settings) {
  reports::MailSettings mail;
  mail.server = "127.0.0.1";
  mail.port = sink.port();
  mail.security = reports::MailSecurity::None;
  mail.from = "me@example.org";
  mail.timeoutSeconds = 10;
  return reports::WriteMailSettings(settings, mail);
}

TEST_F(ReportWindowTest, EmailRefusesABadAddressThenSendsTheReportAsPdf) {
  November();
  tallyvane::testing::SmtpSink sink({});
  ASSERT_TRUE(MailThrough(sink, context_.settings));
  ReportWindow window(context_, Built(std::make_unique<reports::CategoryReport>(data(), reports::MonthPeriod(2026, 11))),
                      nullptr);
  bool closed = false;
  OnNextModal([&](QWidget* dialog) {
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Email Address"));
    auto* to = dialog->findChild<QLineEdit*>(QStringLiteral("recipients"));
    auto* send = dialog->findChild<QPushButton*>(QStringLiteral("send"));
    to->setText(QStringLiteral("you@example.org, not an address"));
    QTest::mouseClick(send, Qt::LeftButton);
    EXPECT_EQ(Balloon(), "recipients||Please enter a valid email address");
    EXPECT_TRUE(dialog->isVisible());
    to->setText(QStringLiteral("you@example.org"));
    dialog->findChild<QCheckBox*>(QStringLiteral("remember"))->setChecked(true);
    QTest::mouseClick(send, Qt::LeftButton);
    closed = !dialog->isVisible();
  });
  window.email();
  EXPECT_TRUE(closed);
  EXPECT_NE(sink.data.find("Subject: Income/Expenses Report By Category"), std::string::npos) << sink.data;
  EXPECT_NE(sink.data.find("application/pdf"), std::string::npos);
  EXPECT_EQ(reports::OpenEmailForm(context_.settings).recipients, "you@example.org");
}

// The first fax asks for the gateway on top of the fax dialog, with no
// progress window over either, and then sends to number@gateway.
TEST_F(ReportWindowTest, FirstFaxAsksForItsGatewayOnTopThenSends) {
  November();
  tallyvane::testing::SmtpSink sink({});
  ASSERT_TRUE(MailThrough(sink, context_.settings));
  ReportWindow window(context_, Built(std::make_unique<reports::CategoryReport>(data(), reports::MonthPeriod(2026, 11))),
                      nullptr);
  auto progressShowing = [] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (qobject_cast<QProgressDialog*>(top) != nullptr && top->isVisible()) return true;
    }
    return false;
  };
  bool gatewayOnTop = false;
  bool sent = false;
  OnNextModal([&](QWidget* dialog) {
    ASSERT_EQ(dialog->objectName(), QStringLiteral("faxDialog"));
    dialog->findChild<QLineEdit*>(QStringLiteral("number"))->setText(QStringLiteral("5551234"));
    OnNextModal([&](QWidget* asked) {
      auto* gateway = qobject_cast<QInputDialog*>(asked);
      ASSERT_NE(gateway, nullptr) << asked->metaObject()->className();
      QTest::qWait(700);  // longer than a progress window waits to show
      gatewayOnTop = QApplication::activeModalWidget() == gateway && !progressShowing();
      gateway->setTextValue(QStringLiteral("fax.example.org"));
      gateway->accept();
    });
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("send")), Qt::LeftButton);
    sent = !dialog->isVisible();
  });
  window.fax();
  EXPECT_TRUE(gatewayOnTop) << "the gateway question is under a progress window";
  EXPECT_TRUE(sent);
  EXPECT_NE(sink.data.find("5551234@fax.example.org"), std::string::npos) << sink.data;
  EXPECT_FALSE(progressShowing());
}

}  // namespace
}  // namespace tallyvane::gui
