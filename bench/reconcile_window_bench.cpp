// bench_reconcile_window DIR [RUNS]: times the reconciliation window on the
// benchmark book in DIR (written by `tallyvane-bench-book DIR COUNT`), on a
// working copy: opening it for the last year of the largest account (the
// list read, the window built, shown and painted), and ticking a row until
// the figures are repainted. Targets: under 300 ms to open, under 16 ms a tick.
#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "gui/gui_context.h"
#include "gui/planning/reconcile_window.h"
#include "store/data_context.h"
#include "store/dates.h"
#include "store/ports.h"
#include "store/settings.h"

namespace {

using namespace tallyvane;

class FixedClock final : public store::Clock {
 public:
  [[nodiscard]] std::time_t now() const override { return store::DateTextToTime("2026-12-10", "12:00:00"); }
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_reconcile_window DIR [RUNS]\n");
    return 2;
  }
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);

  const std::filesystem::path work = std::filesystem::temp_directory_path() / "tallyvane-bench-reconcile-window";
  std::filesystem::remove_all(work);
  std::filesystem::create_directories(work);
  std::filesystem::copy_file(std::filesystem::path(argv[1]) / "tallyvane.vdb", work / "tallyvane.vdb");
  store::Paths paths;
  paths.dataDir = work;
  paths.commonDataDir = work;
  store::DataContext data(paths, store::SystemLocale{});
  if (!data.OpenDataContext()) {
    std::fprintf(stderr, "bench_reconcile_window: cannot open %s\n", (work / "tallyvane.vdb").c_str());
    return 4;
  }
  FixedClock clock;
  data.setClock(clock);
  store::MemorySettings settings;
  gui::QtPrompter prompter;
  gui::GuiContext context{data, settings, clock, prompter};

  planning::StatementForm form;
  form.account = 1;  // the largest account of the book
  form.openingDate = "2025-12-10";
  form.statementDate = "2026-12-10";
  form.closingText = "0";

  std::vector<double> opens;
  std::vector<double> ticks;
  std::size_t rows = 0;
  for (int run = 0; run < runs; ++run) {
    QElapsedTimer timer;
    timer.start();
    planning::StartResult started = planning::PreviewReconciliation(data, form);
    if (!started.reconciliation) return 4;
    rows = started.reconciliation->candidates().size();
    gui::ReconcileWindow window(context, nullptr, std::move(*started.reconciliation));
    window.show();
    window.repaint();
    QApplication::processEvents();
    opens.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);

    // Rows spread over the list, each ticked and repainted on its own.
    for (int i = 0; i < 50; ++i) {
      const int row = static_cast<int>((static_cast<std::size_t>(i) * 7919) % std::max<std::size_t>(rows, 1));
      timer.restart();
      window.model()->toggle(row);
      window.repaint();
      QApplication::processEvents();
      ticks.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
  }
  std::printf("rows listed: %zu\n", rows);
  std::printf("open (list, build, show, paint): median %.1f ms, max %.1f ms (target < 300 ms)\n", Median(opens),
              *std::max_element(opens.begin(), opens.end()));
  std::printf("tick (figures and repaint):      median %.2f ms, max %.2f ms (target < 16 ms)\n", Median(ticks),
              *std::max_element(ticks.begin(), ticks.end()));
  std::filesystem::remove_all(work);
  return 0;
}
