// "tallyvane -installer" asking the running window to close: while it is idle,
// while a form or a question is open, and while a write is under way. The
// write ends whole, what is open is cancelled, the window closes, and it is
// destroyed only after every dialog's event loop has returned (under
// AddressSanitizer, a dialog freed from under its exec() aborts the test).
#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <QProcess>
#include <QProgressDialog>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "dialogs_fixture.h"
#include "gui/main_window.h"
#include "gui/qt_progress.h"
#include "gui/startup.h"
#include "gui/statements/csv_match_dialog.h"
#include "gui/statements/statements.h"

namespace tallyvane::gui {
namespace {

class ShutdownTest : public DialogTest {
 protected:
  ShutdownTest() {
    live_.setParentWidget(nullptr);
    window_ = std::make_unique<MainWindow>(running_);
    live_.setParentWidget(window_.get());
    server_ = std::make_unique<InstanceServer>();
    EXPECT_TRUE(server_->listen(InstanceServerName(dir_ / "config")));
    // As the program does: the window's close ends the instance, whose
    // socket then no longer answers.
    ServeInstanceMessages(*server_, *window_, [this] {
      closed_ = true;
      server_.release()->deleteLater();
    });
    window_->refill();
    Show(*window_);
  }

  // Starts "tallyvane -installer" against this instance.
  void StartInstaller() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TALLYVANE_DATA_DIR"), QString::fromStdString((dir_ / "data").string()));
    environment.insert(QStringLiteral("TALLYVANE_CONFIG_DIR"), QString::fromStdString((dir_ / "config").string()));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    installer_.setProcessEnvironment(environment);
    installer_.start(QStringLiteral(TALLYVANE_TEST_GUI), {QStringLiteral("-installer")});
    ASSERT_TRUE(installer_.waitForStarted(5000));
    started_ = true;
  }

  // Serves the socket until the installer has ended; its exit code.
  int WaitForInstaller() {
    QElapsedTimer timer;
    timer.start();
    while (installer_.state() == QProcess::NotRunning && !started_ && timer.elapsed() < 30000) QTest::qWait(20);
    if (!started_) return -1;
    started_ = false;
    while (installer_.state() != QProcess::NotRunning && timer.elapsed() < 30000) QTest::qWait(20);
    if (installer_.state() != QProcess::NotRunning) {
      installer_.kill();
      installer_.waitForFinished();
      return -2;
    }
    return installer_.exitStatus() == QProcess::NormalExit ? installer_.exitCode() : -3;
  }

  // Runs `act` from the event loop once the installer is under way.
  static void Soon(std::function<void()> act) { QTimer::singleShot(0, std::move(act)); }

  void Trigger(const char* action) {
    QAction* found = window_->findChild<QAction*>(QLatin1String(action));
    ASSERT_NE(found, nullptr) << action;
    found->trigger();
  }

  int64_t LiveRows() { return Number("SELECT COUNT(*) FROM Transactions WHERE Deleted = 0"); }

  tallyvane::testing::TempDir dir_;
  QtPrompter live_;
  GuiContext running_{test_.context(), test_.settings(), clock_, live_};
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<InstanceServer> server_;
  QProcess installer_;
  bool closed_ = false;
  bool started_ = false;
};

TEST_F(ShutdownTest, AnIdleWindowCloses) {
  StartInstaller();
  EXPECT_EQ(WaitForInstaller(), 0);
  EXPECT_TRUE(closed_);
  EXPECT_FALSE(window_->isVisible());
  window_.reset();
}

TEST_F(ShutdownTest, OpenFormsAndQuestionsAreCancelledThenTheWindowCloses) {
  // A form on the window's command's stack, a question of the core's, and
  // a question over a form.
  const struct {
    const char* name;
    const char* action;
  } cases[] = {{"backup form", "backUpData"}, {"restore question", "restoreData"}, {"options sheet", "options"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (!window_) {
      window_ = std::make_unique<MainWindow>(running_);
      live_.setParentWidget(window_.get());
      server_ = std::make_unique<InstanceServer>();
      ASSERT_TRUE(server_->listen(InstanceServerName(dir_ / "config")));
      closed_ = false;
      ServeInstanceMessages(*server_, *window_, [this] {
        closed_ = true;
        server_.release()->deleteLater();
      });
      Show(*window_);
    }
    const int64_t before = LiveRows();
    bool opened = false;
    bool returned = false;
    OnNextModal([&](QWidget*) {
      opened = true;
      StartInstaller();
    });
    Soon([&] {
      Trigger(c.action);
      // The command's own code goes on after its dialog as after a Cancel.
      returned = true;
    });
    EXPECT_EQ(WaitForInstaller(), 0);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(returned);
    EXPECT_TRUE(closed_);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(LiveRows(), before) << "nothing was restored";
    window_.reset();
  }
}

TEST_F(ShutdownTest, AWriteUnderWayEndsWholeBeforeTheWindowCloses) {
  constexpr int kRows = 5000;
  const std::filesystem::path path = dir_ / "big.csv";
  {
    std::ofstream out(path, std::ios::binary);
    out << "Date,Payee,Amount\r\n";
    for (int i = 0; i < kRows; ++i) out << "2026-11-" << (1 + i % 28) << ",Payee " << i << ",-1.00\r\n";
  }
  const int64_t before = LiveRows();
  // The match window assigns the columns and imports; the installer starts
  // once the import's progress window shows.
  OnNextModal([&](QWidget* modal) {
    auto* dialog = dynamic_cast<CsvMatchDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->assign(0, 2);
    dialog->assign(1, 0);
    dialog->assign(2, 1);
    OnNextModal([&](QWidget* progress) {
      EXPECT_TRUE(IsProgressWindow(progress)) << progress->metaObject()->className();
      StartInstaller();
    });
    Click(*dialog, "import");
  });
  bool imported = false;
  Soon([&] { imported = RunCsvImport(running_, window_.get(), kChecking, path); });
  EXPECT_EQ(WaitForInstaller(), 0);
  EXPECT_TRUE(imported);
  // A long write can outlast the installer's patience; the window still
  // closes once the write is done.
  for (int waited = 0; !closed_ && waited < 5000; waited += 20) QTest::qWait(20);
  EXPECT_TRUE(closed_);
  EXPECT_EQ(LiveRows(), before + kRows) << "the write was not cut off";
  window_.reset();
}

}  // namespace
}  // namespace tallyvane::gui
