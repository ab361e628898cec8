// Every window flow that shows progress, run with the program's own message
// boxes: each question and closing message is looked at for longer than a
// progress window waits before it shows, must then be the active window with
// nothing over it, and is answered by a click on its button; the operation is
// then found done.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTableView>
#include <filesystem>
#include <fstream>
#include <set>

#include "app/backup.h"
#include "dialogs_fixture.h"
#include "gui/dialogs/account_dialog.h"
#include "gui/dialogs/account_list_window.h"
#include "gui/qt_progress.h"
#include "gui/settings/settings_windows.h"
#include "gui/statements/csv_match_dialog.h"
#include "gui/statements/review_window.h"
#include "gui/statements/statements.h"
#include "online/directory.h"
#include "online/online_fixture.h"
#include "online/online_settings.h"
#include "online/retrieve.h"
#include "store/files.h"
#include "store/secure.h"

namespace tallyvane::gui {
namespace {

// Longer than a progress window waits before it shows itself.
constexpr int kLookMs = 700;

bool ProgressShowing() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (qobject_cast<QProgressDialog*>(window) != nullptr && window->isVisible()) return true;
  }
  return false;
}

QString Plain(QString caption) { return caption.remove(QLatin1Char('&')); }

// Answers the message boxes of a flow in order, as a person does. Whatever
// goes wrong is written down, and a box that cannot be answered is closed as
// Escape would, so a fault fails the test rather than hanging it.
class BoxScript {
 public:
  struct Step {
    std::string title;
    std::string button;
  };
  BoxScript(std::initializer_list<Step> steps) : steps_(steps) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    timer_.start(5);
  }
  [[nodiscard]] bool done() const { return next_ == steps_.size(); }
  std::vector<std::string> problems;

 private:
  static QMessageBox* VisibleBox() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (auto* box = qobject_cast<QMessageBox*>(window); box != nullptr && box->isVisible()) return box;
    }
    return nullptr;
  }

  void tick() {
    QMessageBox* box = VisibleBox();
    if (box == nullptr) return;
    if (box != current_) {
      current_ = box;
      seen_.start();
      return;
    }
    if (seen_.elapsed() < kLookMs) return;
    current_ = nullptr;
    const std::string title = box->windowTitle().toStdString();
    if (next_ >= steps_.size() || steps_[next_].title != title) {
      problems.push_back("unexpected box \"" + title + "\": " + box->text().toStdString());
      box->reject();
      return;
    }
    const Step& step = steps_[next_++];
    if (QApplication::activeModalWidget() != box) {
      const QWidget* over = QApplication::activeModalWidget();
      problems.push_back("\"" + title + "\" is under " + (over ? over->metaObject()->className() : "nothing"));
    }
    if (QApplication::activeWindow() != box) problems.push_back("\"" + title + "\" is not the active window");
    if (ProgressShowing()) problems.push_back("a progress window shows with \"" + title + "\"");
    QAbstractButton* button = nullptr;
    for (QAbstractButton* candidate : box->buttons()) {
      if (Plain(candidate->text()).toStdString() == step.button) button = candidate;
    }
    if (button == nullptr || !button->isEnabled() || !button->isVisible()) {
      problems.push_back("\"" + title + "\" has no usable button " + step.button);
      box->reject();
      return;
    }
    QTest::mouseClick(button, Qt::LeftButton);
    if (box->isVisible()) {
      problems.push_back("the click on " + step.button + " did not reach \"" + title + "\"");
      box->reject();
    }
  }

  std::vector<Step> steps_;
  std::size_t next_ = 0;
  QPointer<QMessageBox> current_;
  QElapsedTimer seen_;
  QTimer timer_;
};

std::string Joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) all += line + "\n";
  return all;
}

class ProgressFlowTest : public DialogTest {
 protected:
  ProgressFlowTest() {
    SetFolderChooser({});
    Show(main_);
    live_.setParentWidget(&main_);
  }
  ~ProgressFlowTest() override { SetFolderChooser({}); }

  int64_t LiveRows() { return Number("SELECT COUNT(*) FROM Transactions WHERE Deleted = 0"); }
  void AddPurchase(const std::string& amount) {
    ledger::EntryForm form = ledger::NewEntryForm(data(), kChecking);
    form.amountText = amount;
    tallyvane::testing::RecordingPrompter quiet;
    ASSERT_TRUE(ledger::EnterTransaction(data(), form, quiet).status.ok);
  }
  // The names of the files a backup of the data folder must hold.
  std::set<std::string> DataFolderFiles() {
    std::set<std::string> names;
    const std::filesystem::path dataFile = data().paths().dataDir / store::kDataFileName;
    for (const auto& entry : std::filesystem::directory_iterator(data().paths().dataDir)) {
      if (!entry.is_regular_file() || store::IsDatabaseCompanion(entry.path(), dataFile)) continue;
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  QWidget main_;
  QtPrompter live_;
  GuiContext window_{test_.context(), test_.settings(), clock_, live_};
  tallyvane::testing::TempDir backups_;
};

TEST_F(ProgressFlowTest, RestoreAsksOnTopThenRestoresAndEndsOnItsMessage) {
  AddPurchase("10.00");
  const int64_t before = LiveRows();
  tallyvane::testing::RecordingPrompter quiet;
  store::NullProgress unwatched;
  app::BackupForm form;
  form.folder = backups_.path().string();
  const app::BackupResult made =
      app::BackUpData(data().paths(), test_.settings(), clock_, quiet, unwatched, form);
  ASSERT_TRUE(made.status.ok);
  AddPurchase("20.00");

  bool pickerClear = false;
  SetFolderChooser([&](const QString&, const QString&) {
    pickerClear = !ProgressShowing();
    QTest::qWait(kLookMs);
    pickerClear = pickerClear && !ProgressShowing();
    return QString::fromStdString(made.folder.string());
  });
  BoxScript script({{"Confirm Restore", "Restore from backup"}, {"Data Restore Success", "OK"}});
  EXPECT_TRUE(RunRestoreData(window_, &main_));
  EXPECT_TRUE(script.done());
  EXPECT_TRUE(script.problems.empty()) << Joined(script.problems);
  EXPECT_TRUE(pickerClear) << "the folder picker opened under a progress window";
  EXPECT_EQ(LiveRows(), before);
  EXPECT_FALSE(ProgressShowing());
}

TEST_F(ProgressFlowTest, BackUpEndsOnItsMessageWithTheFolderComplete) {
  BackupWindow window(window_, &main_);
  Show(window);
  Type(Field<QLineEdit>(window, "folder"), QString::fromStdString(backups_.path().string()));
  BoxScript script({{"Backup", "OK"}});
  Click(window, "backUp");
  EXPECT_TRUE(script.done());
  EXPECT_TRUE(script.problems.empty()) << Joined(script.problems);
  EXPECT_FALSE(window.isVisible());
  const std::filesystem::path dated = backups_.path() / "Tallyvane-Backup-2026-12-10";
  std::set<std::string> copied;
  for (const auto& entry : std::filesystem::directory_iterator(dated)) copied.insert(entry.path().filename().string());
  EXPECT_EQ(copied, DataFolderFiles());
  EXPECT_TRUE(copied.contains(std::string(store::kDataFileName)));
  EXPECT_FALSE(ProgressShowing());
}

TEST_F(ProgressFlowTest, AccountDeleteAsksOnTopAndItsRefusalIsUsable) {
  AccountListWindow list(window_, &main_);
  Show(list);
  list.selectKey(3);
  {
    BoxScript script({{"Delete Accounts", "Delete"}});
    QTest::keyClick(list.view(), Qt::Key_Delete);
    EXPECT_TRUE(script.done());
    EXPECT_TRUE(script.problems.empty()) << Joined(script.problems);
  }
  EXPECT_EQ(Number("SELECT Deleted FROM Accounts WHERE ID = 3"), 1);
  // The offscreen platform gives the window back no activation when a box
  // closes; a person's click on the list does.
  Show(list);
  list.view()->selectAll();
  {
    BoxScript script({{"Tallyvane requires one active account", "OK"}});
    QTest::keyClick(list.view(), Qt::Key_Delete);
    EXPECT_TRUE(script.done());
    EXPECT_TRUE(script.problems.empty()) << Joined(script.problems);
  }
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Accounts WHERE Deleted = 0"), 2);
}

TEST_F(ProgressFlowTest, CsvImportEndsOnItsMessageWithEachRowStoredOnce) {
  const std::filesystem::path path = backups_.path() / "bank.csv";
  std::ofstream(path, std::ios::binary) << "Date,Payee,Amount\r\n2026-11-02,Grocer,-12.50\r\n"
                                            "2026-11-03,Employer,100.00\r\n";
  const int64_t before = LiveRows();
  BoxScript script({{"Import Succeeded", "OK"}});
  OnNextModal([&](QWidget* modal) {
    auto* dialog = dynamic_cast<CsvMatchDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->assign(0, 2);
    dialog->assign(1, 0);
    dialog->assign(2, 1);
    Click(*dialog, "import");
  });
  EXPECT_TRUE(RunCsvImport(window_, &main_, kChecking, path));
  EXPECT_TRUE(script.done());
  EXPECT_TRUE(script.problems.empty()) << Joined(script.problems);
  EXPECT_EQ(LiveRows(), before + 2);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions WHERE Deleted = 0 AND Amount = -1250"), 1);
  EXPECT_FALSE(ProgressShowing());
}

class RetrievalFlowTest : public ProgressFlowTest {
 protected:
  void SetUp() override { ASSERT_TRUE(online::testing::TestPki::Get().ok()); }
  void SetUpAccount(const online::testing::TestServer& server) {
    ASSERT_TRUE(online::WriteOnlineSettings(test_.settings(), {"", online::testing::TestPki::Get().caFile().string()}));
    online::Institution bank;
    bank.name = "Loop Bank";
    bank.url = server.base() + "/ofx";
    const std::string id = online::addInstitution(data(), bank);
    ASSERT_FALSE(id.empty());
    ASSERT_TRUE(store::writeAccountSecrets(db(), "1", {id, "021000021", "55501234", "jdoe", ""}));
  }
  // The password prompt, answered once it has been looked at.
  void AnswerPassword() {
    OnNextModal([this](QWidget* modal) {
      auto* prompt = qobject_cast<QInputDialog*>(modal);
      ASSERT_NE(prompt, nullptr) << modal->metaObject()->className();
      QTest::qWait(kLookMs);
      passwordOnTop_ = QApplication::activeModalWidget() == prompt && !ProgressShowing();
      prompt->setTextValue(QStringLiteral("pw"));
      prompt->accept();
    });
  }
  static std::string Answer(const std::string& status, const std::string& transactions) {
    return "OFXHEADER:100\r\nDATA:OFXSGML\r\n\r\n<OFX><SIGNONMSGSRSV1><SONRS><STATUS>" + status +
           "</STATUS></SONRS></SIGNONMSGSRSV1><BANKMSGSRSV1><STMTTRNRS><STMTRS><BANKTRANLIST>\r\n" + transactions +
           "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\r\n";
  }
  bool passwordOnTop_ = false;
};

TEST_F(RetrievalFlowTest, TheReviewComesUpOnTopOfASlowExchangeAndImports) {
  online::testing::ServerOptions options;
  options.response = Answer("<CODE>0<SEVERITY>INFO",
                            "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>20261105<TRNAMT>-12.50<FITID>1<NAME>Grocer</STMTTRN>\r\n"
                            "<STMTTRN><TRNTYPE>CREDIT<DTPOSTED>20261106<TRNAMT>100.00<FITID>2<NAME>Employer"
                            "</STMTTRN>\r\n");
  options.headerDelay = 1.2;  // the progress window shows meanwhile
  online::testing::TestServer server(options);
  ASSERT_TRUE(server.running());
  SetUpAccount(server);
  const int64_t before = LiveRows();

  AnswerPassword();
  bool progressShown = false;
  bool reviewOnTop = false;
  bool importUsable = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    progressShown = progressShown || ProgressShowing();
    auto* review = dynamic_cast<ImportReviewWindow*>(QApplication::activeModalWidget());
    if (review == nullptr) return;
    watch.stop();
    QTest::qWait(kLookMs);
    reviewOnTop = QApplication::activeModalWidget() == review && QApplication::activeWindow() == review &&
                  !ProgressShowing();
    auto* import = review->findChild<QPushButton*>(QStringLiteral("import"));
    importUsable = import != nullptr && import->isEnabled();
    if (import != nullptr) QTest::mouseClick(import, Qt::LeftButton);
    if (review->isVisible()) review->reject();
  });
  watch.start(5);
  EXPECT_TRUE(RunRetrieval(window_, &main_, kChecking, {}));
  EXPECT_TRUE(passwordOnTop_);
  EXPECT_TRUE(progressShown) << "the slow exchange showed its progress";
  EXPECT_TRUE(reviewOnTop);
  EXPECT_TRUE(importUsable);
  EXPECT_EQ(LiveRows(), before + 2);
  EXPECT_FALSE(ProgressShowing());
}

TEST_F(RetrievalFlowTest, ASignOnRefusalEndsOnItsMessage) {
  online::testing::ServerOptions options;
  options.response = Answer("<CODE>15500<SEVERITY>ERROR", "");
  online::testing::TestServer server(options);
  ASSERT_TRUE(server.running());
  SetUpAccount(server);
  AnswerPassword();
  BoxScript script({{std::string(online::kNotWorkingTitle), "OK"}});
  EXPECT_FALSE(RunRetrieval(window_, &main_, kChecking, {}));
  EXPECT_TRUE(passwordOnTop_);
  EXPECT_TRUE(script.done());
  EXPECT_TRUE(script.problems.empty()) << Joined(script.problems);
  EXPECT_FALSE(ProgressShowing());
}

// The account form's integrity check offers the restore on top; the download
// then fails (the server holds no directory) and its message is the active
// window with no progress over it.
TEST_F(RetrievalFlowTest, AFailedDirectoryDownloadEndsOnItsMessage) {
  tallyvane::testing::TempDir docs;
  online::testing::ServerOptions options;
  options.docs = docs.path();
  online::testing::TestServer server(options);
  ASSERT_TRUE(server.running());
  ASSERT_TRUE(online::WriteOnlineSettings(test_.settings(),
                                          {server.base() + "/", online::testing::TestPki::Get().caFile().string()}));
  online::Institution mine;
  mine.name = "Mine";
  mine.url = "https://mine.test/ofx";
  ASSERT_FALSE(online::addInstitution(data(), mine).empty());
  ASSERT_TRUE(db().exec("UPDATE FinancialInstitutions SET FIUrl = 'https://evil.test/'"));
  BoxScript script({{"Financial Institution data corrupted", "Restore Financial Institutions"}, {"", "OK"}});
  {
    AccountDialog form(window_, &main_, kChecking);
    EXPECT_TRUE(form.opened());
  }
  EXPECT_TRUE(script.done());
  EXPECT_TRUE(script.problems.empty()) << Joined(script.problems);
  EXPECT_FALSE(ProgressShowing());
}

}  // namespace
}  // namespace tallyvane::gui
