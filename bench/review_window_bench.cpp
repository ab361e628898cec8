// The import review window on the import benchmarks' book: from the
// statement's text to the window painted (parse, duplicate marking, the
// window built and its first paint), then a scroll through all 20 000 rows.
// Target: the opening under 1.5 s.
#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "gui/gui_context.h"
#include "gui/qt_prompter.h"
#include "gui/statements/review_window.h"
#include "import/import_review.h"
#include "import_fixture.h"
#include "store/settings.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  using namespace tallyvane;
  bench::Fixture fixture;
  store::MemorySettings settings;
  gui::QtPrompter prompter;
  gui::GuiContext context{*fixture.data, settings, fixture.clock, prompter};
  std::vector<double> opens;
  double scrollMs = 0;
  for (int run = 0; run < 3; ++run) {
    QElapsedTimer timer;
    timer.start();
    import::ImportReview review = import::ImportReview::Open(*fixture.data, 1, fixture.statement, prompter);
    gui::ImportReviewWindow window(context, nullptr, review);
    window.show();
    QApplication::processEvents();
    window.repaint();
    opens.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    if (review.rows().size() != 20000) {
      std::fprintf(stderr, "unexpected row count %zu\n", review.rows().size());
      return 1;
    }
    QElapsedTimer scroll;
    scroll.start();
    QScrollBar* bar = window.rowsView()->verticalScrollBar();
    for (int step = 0; step < 50; ++step) {
      bar->setValue(bar->maximum() * step / 49);
      window.rowsView()->viewport()->repaint();
    }
    scrollMs = static_cast<double>(scroll.nsecsElapsed()) / 1e6;
  }
  std::sort(opens.begin(), opens.end());
  std::printf("review_open_20k_ms median %.1f (runs %.1f %.1f %.1f), target < 1500\n", opens[1], opens[0], opens[1],
              opens[2]);
  std::printf("review_scroll_50_steps_ms %.1f\n", scrollMs);
  return opens[1] < 1500 ? 0 : 1;
}
