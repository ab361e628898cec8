// The program's entry steps: the installer switch, the start-up lock and the
// hand-over to a running instance through a per-user local socket.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>

#include "store/paths.h"

namespace tallyvane::gui {

// The messages a start sends to the running instance.
inline constexpr int kShowMessage = 32872;
inline constexpr int kCloseMessage = 1126;

// The local socket of the running instance: one per user and settings folder,
// so a test with its own settings folder never meets the user's program.
[[nodiscard]] QString InstanceServerName(const std::filesystem::path& configDir);

// Sends one message to the instance listening on `name`; false when none
// answers.
bool SendInstanceMessage(const QString& name, int message, int timeoutMs = 1000);

// Listens for the messages of later starts.
class InstanceServer final : public QObject {
  Q_OBJECT

 public:
  explicit InstanceServer(QObject* parent = nullptr);
  // Takes the name over from a crashed instance's leftover socket.
  bool listen(const QString& name);
  [[nodiscard]] QString serverName() const { return server_.serverName(); }

 signals:
  void showRequested();
  void closeRequested();

 private:
  void accept();
  QLocalServer server_;
};

// Serialises starts ("TallyvaneStarting"): waits up to 20 s for another start
// to finish, then goes on regardless so a stuck start never blocks the user.
class StartupLock {
 public:
  explicit StartupLock(const std::filesystem::path& configDir, int budgetMs = 20000);
  ~StartupLock();
  StartupLock(const StartupLock&) = delete;
  StartupLock& operator=(const StartupLock&) = delete;
  void release();
  [[nodiscard]] bool held() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// "-installer": asks every running instance to close (up to 18 rounds 300 ms
// apart, then 500 ms for them to go) and brings the data file up to the
// installed version.
int RunInstallerSwitch(const store::Paths& paths);

class MainWindow;

// Wires the running instance's window to the messages of later starts: show
// and activate it, or close it (waiting for work under way, cancelling open
// dialogs); `end` runs when the window has closed (the program ends its
// event loops; the window is destroyed after them).
void ServeInstanceMessages(InstanceServer& server, MainWindow& window, std::function<void()> end);

// Registers the icon and other embedded files (they live in a static library).
void InitGuiResources();

// The whole program from main(): returns the exit code.
int RunWindowProgram(int argc, char** argv);

}  // namespace tallyvane::gui
