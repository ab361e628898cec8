#include "gui/startup.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QIcon>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <cstdlib>
#include <unistd.h>

#include "app/backup.h"
#include "app/install_update.h"
#include "gui/gui_context.h"
#include "gui/main_window.h"
#include "gui/qt_prompter.h"
#include "gui/screenshot.h"
#include "store/data_context.h"
#include "store/paths.h"
#include "store/regional.h"
#include "store/settings.h"

// Q_INIT_RESOURCE names a global function, so it is called outside the namespace.
static void InitEmbeddedFiles() { Q_INIT_RESOURCE(tallyvane); }

namespace tallyvane::gui {
namespace {

constexpr int kInstallerCloseRounds = 18;
constexpr int kInstallerRoundMs = 300;
constexpr int kInstallerSettleMs = 500;

QString PathText(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

store::PathOverrides OverridesFrom(const QStringList& arguments) {
  store::PathOverrides overrides;
  if (const char* dir = std::getenv("TALLYVANE_DATA_DIR")) overrides.dataDir = dir;
  if (const char* dir = std::getenv("TALLYVANE_CONFIG_DIR")) overrides.configDir = dir;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    auto take = [&](const QString& option, std::string& target) {
      if (argument.startsWith(option + QLatin1Char('='))) {
        target = argument.mid(option.size() + 1).toStdString();
      } else if (argument == option && i + 1 < arguments.size()) {
        target = arguments[++i].toStdString();
      }
    };
    take(QStringLiteral("--data-dir"), overrides.dataDir);
    take(QStringLiteral("--config-dir"), overrides.configDir);
  }
  return overrides;
}

}  // namespace

QString InstanceServerName(const std::filesystem::path& configDir) {
  // Socket names are short; a hash of the folder keeps them unique and valid.
  const QByteArray folder = QDir::cleanPath(PathText(configDir)).toUtf8();
  const QByteArray digest = QCryptographicHash::hash(folder, QCryptographicHash::Sha1).toHex().left(16);
  return QStringLiteral("tallyvane-%1-%2").arg(::getuid()).arg(QString::fromLatin1(digest));
}

bool SendInstanceMessage(const QString& name, int message, int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(name);
  if (!socket.waitForConnected(timeoutMs)) return false;
  socket.write(QByteArray::number(message) + '\n');
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  // Wait for the instance to read it, so a start that ends at once does not
  // cut the message off.
  socket.waitForReadyRead(timeoutMs);
  socket.disconnectFromServer();
  return true;
}

InstanceServer::InstanceServer(QObject* parent) : QObject(parent) {
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, &InstanceServer::accept);
}

bool InstanceServer::listen(const QString& name) {
  if (server_.listen(name)) return true;
  // The caller found nobody answering on this name (under the start-up lock),
  // so what is left is a crashed instance's socket file.
  QLocalServer::removeServer(name);
  return server_.listen(name);
}

void InstanceServer::accept() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      while (socket->canReadLine()) {
        bool ok = false;
        const int message = socket->readLine().trimmed().toInt(&ok);
        socket->write("ok\n");
        if (!ok) continue;
        if (message == kShowMessage) emit showRequested();
        if (message == kCloseMessage) emit closeRequested();
      }
    });
  }
}

struct StartupLock::State {
  explicit State(const QString& path) : file(path) {}
  QLockFile file;
  bool held = false;
};

StartupLock::StartupLock(const std::filesystem::path& configDir, int budgetMs) {
  QDir().mkpath(PathText(configDir));
  state_ = std::make_unique<State>(PathText(configDir / "TallyvaneStarting.lock"));
  // A lock left by a start that died is taken over once it is this old.
  state_->file.setStaleLockTime(budgetMs);
  state_->held = state_->file.tryLock(budgetMs);
}

StartupLock::~StartupLock() { release(); }

void StartupLock::release() {
  if (state_->held) state_->file.unlock();
  state_->held = false;
}

bool StartupLock::held() const { return state_->held; }

int RunInstallerSwitch(const store::Paths& paths) {
  const QString name = InstanceServerName(paths.settingsFile.parent_path());
  for (int round = 0; round < kInstallerCloseRounds; ++round) {
    if (!SendInstanceMessage(name, kCloseMessage, kInstallerRoundMs)) break;
    QThread::msleep(kInstallerRoundMs);
  }
  QThread::msleep(kInstallerSettleMs);
  // Every instance has let go of the data file: bring it up to the installed
  // template (its failure message is shown by the update itself).
  store::IniSettings settings(paths.settingsFile, paths.machineSettingsFile);
  store::DataContext data(paths, store::ReadSystemLocale());
  QtPrompter prompter;
  app::InstitutionDirectoryReseed reseed;
  app::InstallOptions options;
  options.reseed = &reseed;
  return app::InstallUpdateDatabase(data, settings, prompter, options) == app::InstallOutcome::Failed ? 1 : 0;
}

void InitGuiResources() { InitEmbeddedFiles(); }

void ServeInstanceMessages(InstanceServer& server, MainWindow& window, std::function<void()> end) {
  QObject::connect(&server, &InstanceServer::showRequested, &window, &MainWindow::showAndActivate);
  QObject::connect(&server, &InstanceServer::closeRequested, &window, &MainWindow::requestClose);
  QObject::connect(&window, &MainWindow::closed, &server, std::move(end));
}

int RunWindowProgram(int argc, char** argv) {
  QApplication app(argc, argv);
  InitGuiResources();
  QApplication::setApplicationName(QStringLiteral("Tallyvane"));
  QApplication::setDesktopFileName(QStringLiteral("tallyvane"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/tallyvane/tallyvane.svg")));

  const QStringList arguments = QApplication::arguments();
  const store::Paths paths = store::ResolvePaths(OverridesFrom(arguments), store::CurrentExecutable());
  const std::filesystem::path configDir = paths.settingsFile.parent_path();
  if (arguments.size() > 1 && arguments[1] == QStringLiteral("-installer")) return RunInstallerSwitch(paths);

  StartupLock lock(configDir);
  const QString serverName = InstanceServerName(configDir);
  if (SendInstanceMessage(serverName, kShowMessage)) return 0;
  InstanceServer server;
  server.listen(serverName);

  // What a backup or restore that was cut off left behind goes now, before
  // anything could copy it.
  app::RemoveInterruptedLeftovers(paths);
  store::IniSettings settings(paths.settingsFile, paths.machineSettingsFile);
  store::DataContext data(paths, store::ReadSystemLocale());
  store::SystemClock clock;
  data.setClock(clock);
  QtPrompter prompter;
  GuiContext context{data, settings, clock, prompter};

  OpenBook(context);
  auto window = std::make_unique<MainWindow>(context);
  prompter.setParentWidget(window.get());
  // The program ends with its window, also when it was hidden in the tray
  // (closing another window then is not the end). exit() ends every event
  // loop, a dialog's too, which then returns as cancelled.
  QApplication::setQuitOnLastWindowClosed(false);
  ServeInstanceMessages(server, *window, [] { QCoreApplication::exit(0); });
  window->start();
  lock.release();
  ArmScreenshot(*window, context);
  const int code = QApplication::exec();
  // Destroyed here, with no dialog's event loop left on the stack.
  window.reset();
  data.close();
  return code;
}

}  // namespace tallyvane::gui
