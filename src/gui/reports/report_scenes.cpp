#include "gui/reports/report_scenes.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPrinter>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>

#include "gui/main_window.h"
#include "gui/reports/charts.h"
#include "gui/reports/painter_canvas.h"
#include "gui/reports/report_window.h"
#include "gui/settings/settings_windows.h"
#include "reports/activity_report.h"
#include "reports/category_report.h"

namespace tallyvane::gui {

namespace {

void Save(const QString& path) {
  const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
  if (!shot.save(path, "PNG")) std::fprintf(stderr, "tallyvane: could not save %s\n", qPrintable(path));
}

// Once the scene's modal window is up, `act` runs on it; the screen is saved
// a moment later, then the window and the program close.
void OnModal(const QString& path, std::function<void(QWidget*)> act) {
  QTimer::singleShot(1200, [path, act = std::move(act)] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) {
      std::fprintf(stderr, "tallyvane: the scene's window did not open\n");
      std::exit(2);
    }
    act(modal);
    QTimer::singleShot(900, [path, modal] {
      Save(path);
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
      QTimer::singleShot(0, [] { QApplication::exit(0); });
    });
  });
}

int LastYear(const store::Clock& clock) {
  const std::time_t now = clock.now();
  std::tm local{};
  localtime_r(&now, &local);
  return local.tm_year + 1900 - 1;
}

}  // namespace

bool RunReportScene(const QString& scene, const QString& path, MainWindow& window, GuiContext& context) {
  if (scene == QLatin1String("print-timing")) {
    // The current account over every year, printed as the preview does
    // (onto a preview printer's pages, here a PDF printer), timed.
    auto report = std::make_unique<reports::AccountActivityReport>(
        context.data, reports::PeriodBetween("1990-01-01", "2030-12-31"), window.currentAccount());
    report->build();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    PreparePrinter(*report, printer);
    QElapsedTimer timer;
    timer.start();
    const int pages = PrintReport(*report, printer);
    std::printf("rows %zu pages %d ms %lld\n", report->rows().size(), pages, static_cast<long long>(timer.elapsed()));
    QTimer::singleShot(0, [] { QApplication::exit(0); });
    return true;
  }
  if (scene == QLatin1String("report-chart")) {
    auto report = std::make_unique<reports::CategoryReport>(context.data, reports::YearPeriod(LastYear(context.clock)));
    report->build();
    ReportWindow shown(context, std::move(report), &window);
    shown.resize(1240, 740);
    OnModal(path, [](QWidget*) {});
    shown.exec();
    return true;
  }
  if (scene == QLatin1String("print-preview")) {
    ledger::AccountKey account = window.currentAccount();
    auto report = std::make_unique<reports::AccountActivityReport>(
        context.data, reports::YearPeriod(LastYear(context.clock)), account);
    report->build();
    ReportWindow shown(context, std::move(report), &window);
    OnModal(path, [](QWidget* preview) { preview->resize(1000, 780); });
    shown.printPreview();
    return true;
  }
  if (scene == QLatin1String("net-worth")) {
    NetWorthWindow shown(context, &window);
    shown.resize(1100, 640);
    OnModal(path, [](QWidget*) {});
    shown.exec();
    return true;
  }
  if (scene == QLatin1String("options")) {
    OptionsSheetWindow shown(context, &window);
    OnModal(path, [](QWidget*) {});
    shown.exec();
    return true;
  }
  return false;
}

}  // namespace tallyvane::gui
