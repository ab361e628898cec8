// The hand-over between starts: a second start of the program activates the
// running one and ends; "-installer" asks it to close.
#include "gui/startup.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include "support/test_support.h"

namespace tallyvane::gui {
namespace {

QProcessEnvironment Environment(const testing::TempDir& dir) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("TALLYVANE_DATA_DIR"), QString::fromStdString((dir / "data").string()));
  environment.insert(QStringLiteral("TALLYVANE_CONFIG_DIR"), QString::fromStdString((dir / "config").string()));
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  // The platform libraries keep a few allocations to process exit.
  environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
  return environment;
}

// Runs the program while this process's event loop serves the instance socket.
int RunProgram(const testing::TempDir& dir, const QStringList& arguments, int timeoutMs = 20000) {
  QProcess process;
  process.setProcessEnvironment(Environment(dir));
  process.start(QStringLiteral(TALLYVANE_TEST_GUI), arguments);
  if (!process.waitForStarted(5000)) return -1;
  QElapsedTimer timer;
  timer.start();
  while (process.state() != QProcess::NotRunning && timer.elapsed() < timeoutMs) QTest::qWait(20);
  if (process.state() != QProcess::NotRunning) {
    process.kill();
    process.waitForFinished();
    return -2;
  }
  return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -3;
}

TEST(SingleInstance, NamesDifferByConfigFolder) {
  EXPECT_EQ(InstanceServerName("/tmp/a"), InstanceServerName("/tmp/a/"));
  EXPECT_NE(InstanceServerName("/tmp/a"), InstanceServerName("/tmp/b"));
  EXPECT_LE(InstanceServerName("/tmp/a").size(), 64);
}

TEST(SingleInstance, ASecondStartActivatesTheRunningOneAndEnds) {
  testing::TempDir dir;
  InstanceServer running;
  ASSERT_TRUE(running.listen(InstanceServerName(dir / "config")));
  QSignalSpy shown(&running, &InstanceServer::showRequested);
  QSignalSpy closed(&running, &InstanceServer::closeRequested);
  EXPECT_EQ(RunProgram(dir, {}), 0);
  EXPECT_EQ(shown.count(), 1);
  EXPECT_EQ(closed.count(), 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "data" / "tallyvane.vdb")) << "the second start opened no data";
}

TEST(SingleInstance, InstallerAsksTheRunningOneToCloseUntilItIsGone) {
  testing::TempDir dir;
  auto running = std::make_unique<InstanceServer>();
  ASSERT_TRUE(running->listen(InstanceServerName(dir / "config")));
  int closes = 0;
  QObject::connect(running.get(), &InstanceServer::closeRequested, [&] {
    // The instance goes away after the second request.
    if (++closes == 2) running.release()->deleteLater();
  });
  EXPECT_EQ(RunProgram(dir, {QStringLiteral("-installer")}), 0);
  EXPECT_EQ(closes, 2);
}

TEST(SingleInstance, AServerTakesOverTheSocketOfACrashedInstance) {
  testing::TempDir dir;
  const QString name = InstanceServerName(dir / "config");
  {
    InstanceServer first;
    ASSERT_TRUE(first.listen(name));
  }
  InstanceServer second;
  EXPECT_TRUE(second.listen(name));
  EXPECT_FALSE(SendInstanceMessage(InstanceServerName(dir / "elsewhere"), kShowMessage, 200));
}

TEST(StartupLockTest, ASecondLockWaitsItsBudgetThenGoesOn) {
  testing::TempDir dir;
  StartupLock first(dir / "config");
  EXPECT_TRUE(first.held());
  QElapsedTimer timer;
  timer.start();
  StartupLock second(dir / "config", 300);
  EXPECT_FALSE(second.held());
  EXPECT_GE(timer.elapsed(), 250);
  first.release();
  StartupLock third(dir / "config", 300);
  EXPECT_TRUE(third.held());
}

}  // namespace
}  // namespace tallyvane::gui
