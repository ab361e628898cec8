#include "gui/screenshot.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <functional>
#include <QTimer>
#include <QComboBox>
#include <QElapsedTimer>
#include <QScrollBar>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <cstdlib>
#include <filesystem>

#include "gui/dialogs/dialogs.h"
#include "gui/main_window.h"
#include "gui/planning/planning_scenes.h"
#include "gui/register_model.h"
#include "gui/register_view.h"
#include "gui/reports/report_scenes.h"
#include "gui/settings/settings_windows.h"
#include "gui/statements/statement_scenes.h"

namespace tallyvane::gui {
namespace {

void SaveScreen(const QString& path) {
  QScreen* screen = QGuiApplication::primaryScreen();
  const QPixmap shot = screen->grabWindow(0);
  if (!shot.save(path, "PNG")) std::fprintf(stderr, "tallyvane: could not save %s\n", qPrintable(path));
}

// Once the modal window of a scene is up, `act` runs on it; the screen is
// saved a moment later and the window and the program close.
void WhenModalOpens(const QString& path, std::function<void(QWidget*)> act) {
  QTimer::singleShot(900, [path, act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) {
      std::fprintf(stderr, "tallyvane: the scene's window did not open\n");
      std::exit(2);
    }
    act(modal);
    QTimer::singleShot(700, [path, modal] {
      SaveScreen(path);
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
      QTimer::singleShot(0, [] { QApplication::exit(0); });
    });
  });
}

long long NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

long long PeakKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atoll(line.c_str() + 6);
  }
  return -1;
}

// The timing scene: from TALLYVANE_TIMING_T0 (the launcher's clock in ns
// just before it started the program) to the first turn of the event loop
// with the window filled, then every account and period switch.
void RunTiming(MainWindow& window) {
  if (const char* t0 = std::getenv("TALLYVANE_TIMING_T0")) {
    std::printf("filled_ms %.1f\n", static_cast<double>(NowNs() - std::atoll(t0)) / 1e6);
  }
  QComboBox* accounts = window.findChild<QComboBox*>(QStringLiteral("accountSelector"));
  double worstAccount = 0;
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < accounts->count(); ++i) {
      QElapsedTimer timer;
      timer.start();
      window.selectAccount(accounts->itemData(i).toInt());
      QApplication::processEvents();
      const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
      worstAccount = std::max(worstAccount, ms);
      std::printf("account %s rows %zu ms %.1f\n", qPrintable(accounts->itemText(i)),
                  window.registerModel()->totalRows(), ms);
    }
  }
  // The periods on TALLYVANE_TIMING_ACCOUNT, else the account that holds
  // exactly 100 000 rows when there is one (the million-row book's "Loan"),
  // else the last one.
  const char* named = std::getenv("TALLYVANE_TIMING_ACCOUNT");
  const int longest = accounts->findText(named != nullptr ? QString::fromUtf8(named) : QStringLiteral("Loan"));
  window.selectAccount(accounts->itemData(longest >= 0 ? longest : accounts->count() - 1).toInt());
  std::printf("periods_on %s\n", qPrintable(accounts->currentText()));
  double worstPeriod = 0;
  for (int period = 11; period >= 0; --period) {
    if (period == 1) continue;
    QElapsedTimer timer;
    timer.start();
    window.choosePeriod(period);
    QApplication::processEvents();
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    std::printf("period %d rows %zu ms %.1f\n", period, window.registerModel()->totalRows(), ms);
    worstPeriod = std::max(worstPeriod, ms);
  }
  // "All" came last: scroll it end to end.
  QElapsedTimer scroll;
  scroll.start();
  auto* view = window.registerView();
  for (int step = 0; step < 50; ++step) {
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum() * step / 49);
    QApplication::processEvents();
  }
  std::printf("scroll_50_steps_ms %.1f rows_fetched %d\n", static_cast<double>(scroll.nsecsElapsed()) / 1e6,
              window.registerModel()->rowCount());
  std::printf("worst_account_switch_ms %.1f\nworst_period_switch_ms %.1f\npeak_rss_mb %.1f\n", worstAccount,
              worstPeriod, static_cast<double>(PeakKilobytes()) / 1024.0);
  std::fflush(stdout);
  window.close();
}

// Once a message box is the active window (the closing message of a flow
// that `start` sets going), the screen is saved a moment later, the box is
// answered with its default button and the program ends.
void WhenMessageShows(const QString& path) {
  auto* poll = new QTimer(qApp);
  auto* waited = new QElapsedTimer;
  waited->start();
  QObject::connect(poll, &QTimer::timeout, [poll, waited, path] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) {
      if (waited->elapsed() > 60000) {
        std::fprintf(stderr, "tallyvane: the scene's message did not open\n");
        std::exit(2);
      }
      return;
    }
    poll->stop();
    QTimer::singleShot(700, [path, box] {
      SaveScreen(path);
      if (QAbstractButton* button = box->defaultButton()) {
        button->click();
      } else {
        box->accept();
      }
      QTimer::singleShot(0, [] { QApplication::exit(0); });
    });
  });
  poll->start(100);
}

// The flows that end on a message: a backup into a temporary folder, a
// restore of it, a CSV import. Each runs as a person would, through its
// window, and is photographed on its closing message.
bool RunClosingScene(const QString& scene, MainWindow& window, GuiContext& context, const QString& path) {
  static const std::filesystem::path folder = std::filesystem::temp_directory_path() / "tallyvane-scene-backups";
  if (scene == QLatin1String("backup-done")) {
    std::filesystem::create_directories(folder);
    QTimer::singleShot(900, [] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr) return;
      if (auto* field = modal->findChild<QLineEdit*>(QStringLiteral("folder"))) field->setText(QString::fromStdString(folder.string()));
      if (auto* button = modal->findChild<QPushButton*>(QStringLiteral("backUp"))) button->click();
    });
    WhenMessageShows(path);
    RunBackUpData(context, &window);
    return true;
  }
  if (scene == QLatin1String("restore-done")) {
    std::filesystem::path made;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (entry.is_directory() && entry.path().filename().string().rfind("Tallyvane-Backup-", 0) == 0) made = entry.path();
    }
    if (made.empty()) {
      std::fprintf(stderr, "tallyvane: no backup in %s: take the backup-done scene first\n", folder.c_str());
      std::exit(2);
    }
    SetFolderChooser([made](const QString&, const QString&) { return QString::fromStdString(made.string()); });
    QTimer::singleShot(900, [] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      for (QAbstractButton* button : box->buttons()) {
        if (button->text().remove(QLatin1Char('&')) == QLatin1String("Restore from backup")) button->click();
      }
    });
    // The question is a message box too: look for the closing one after it.
    QTimer::singleShot(1500, [path] { WhenMessageShows(path); });
    RunRestoreData(context, &window);
    return true;
  }
  return false;
}

}  // namespace

void ArmScreenshot(MainWindow& window, GuiContext& context) {
  const char* target = std::getenv("TALLYVANE_SCREENSHOT");
  if (target == nullptr || *target == '\0') return;
  const QString path = QString::fromLocal8Bit(target);
  const char* sceneText = std::getenv("TALLYVANE_SCREENSHOT_SCENE");
  const QString scene = sceneText != nullptr ? QString::fromLatin1(sceneText) : QStringLiteral("main");
  if (scene == QLatin1String("timing")) {
    QTimer::singleShot(0, &window, [&window] { RunTiming(window); });
    return;
  }

  QTimer::singleShot(1500, &window, [&window, &context, path, scene] {
    if (RunReportScene(scene, path, window, context)) return;
    if (RunPlanningScene(window, context, scene, path)) return;
    if (RunClosingScene(scene, window, context, path)) return;
    if (scene == QLatin1String("form")) {
      WhenModalOpens(path, [&context](QWidget* form) {
        // A typing slip in the amount: the save is refused with a balloon.
        if (auto* payee = form->findChild<QComboBox*>(QStringLiteral("payee"))) {
          payee->setCurrentText(QStringLiteral("Green Basket Market"));
        }
        if (auto* category = form->findChild<QComboBox*>(QStringLiteral("category"))) {
          category->setCurrentText(QStringLiteral("Food"));
        }
        if (auto* amount = qobject_cast<QLineEdit*>(context.prompter.boundWidget("amount"))) {
          amount->setFocus();
          amount->setText(QStringLiteral("12,5x"));
        }
        QPushButton* save = nullptr;
        for (QPushButton* button : form->findChildren<QPushButton*>()) {
          if (button->isDefault()) save = button;
        }
        if (save == nullptr) {
          if (auto* box = form->findChild<QDialogButtonBox*>()) save = box->button(QDialogButtonBox::Ok);
        }
        if (save != nullptr) save->click();
      });
      RunTransactionForm(context, &window, window.currentAccount(), std::nullopt);
      return;
    }
    if (RunStatementScene(scene, window, context, path, WhenModalOpens, WhenMessageShows)) return;
    if (scene == QLatin1String("split")) {
      RegisterModel* model = window.registerModel();
      for (int row = 0; row < model->rowCount(); ++row) {
        const ledger::RegisterRow* line = model->rowAt(row);
        if (line == nullptr || !line->row.split) continue;
        const ledger::TransactionKey key = line->row.key;
        window.selectTransaction(key);
        WhenModalOpens(path, [](QWidget*) {});
        RunSplitEditor(context, &window, key);
        return;
      }
      std::fprintf(stderr, "tallyvane: no split transaction in the shown period\n");
      std::exit(2);
    }
    SaveScreen(path);
    window.close();
  });
}

}  // namespace tallyvane::gui
