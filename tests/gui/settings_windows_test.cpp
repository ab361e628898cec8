// The shell's windows driven offscreen: the options sheet's digit question
// and password box, a backup made and restored through the windows, and the
// first start running the set-up that ends with the password offer.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTreeView>

#include "app/backup.h"
#include "dialogs_fixture.h"
#include "gui/main_window.h"
#include "gui/settings/settings_windows.h"
#include "store/regional.h"
#include "store/secure.h"

namespace tallyvane::gui {
namespace {

class SettingsWindowsTest : public DialogTest {
 protected:
  SettingsWindowsTest() { SetFolderChooser({}); }
  ~SettingsWindowsTest() override { SetFolderChooser({}); }

  bool AskedAbout(std::string_view text) const {
    for (const auto& shown : prompter_.asked) {
      if (shown.text.find(text) != std::string::npos) return true;
    }
    return false;
  }
  bool Said(std::string_view text) const {
    for (const auto& shown : prompter_.messages) {
      if (shown.text == text) return true;
    }
    return false;
  }
  int64_t LiveRows() { return Number("SELECT COUNT(*) FROM Transactions WHERE Deleted = 0"); }
  void AddPurchase(const std::string& amount) {
    ledger::EntryForm form = ledger::NewEntryForm(data(), kChecking);
    form.amountText = amount;
    tallyvane::testing::RecordingPrompter quiet;
    ASSERT_TRUE(ledger::EnterTransaction(data(), form, quiet).status.ok);
  }

  tallyvane::testing::TempDir backups_;
};

TEST_F(SettingsWindowsTest, OptionsSheetHasItsTabsAndAsksBeforeADigitChange) {
  OptionsSheetWindow sheet(context_, nullptr);
  Show(sheet);
  EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Tallyvane Options"));
  auto* tabs = Field<QTabWidget>(sheet, "tabs");
  ASSERT_EQ(tabs->count(), 3);
  EXPECT_EQ(tabs->tabText(0), QStringLiteral("Regional"));
  EXPECT_EQ(tabs->tabText(1), QStringLiteral("Security"));
  EXPECT_EQ(tabs->tabText(2), QStringLiteral("Other"));

  Field<QComboBox>(sheet, "currencyDigits")->setCurrentIndex(3);
  Type(Field<QLineEdit>(sheet, "currencySymbol"), QStringLiteral("EUR"));
  Field<QComboBox>(sheet, "paperSize")->setCurrentIndex(1);
  prompter_.answer("Don't Change");
  Click(sheet, "ok");
  EXPECT_TRUE(AskedAbout(store::kDigitChangeQuestion));
  // The digits stay, the rest is saved and the book's settings are reloaded.
  EXPECT_EQ(data().regional().currencyDigits, 2);
  EXPECT_EQ(data().regional().currencySymbol, "EUR");
  EXPECT_EQ(data().regional().paperSize, 1);
}

TEST_F(SettingsWindowsTest, ConfirmedDigitChangeIsSaved) {
  OptionsSheetWindow sheet(context_, nullptr);
  Show(sheet);
  Field<QComboBox>(sheet, "currencyDigits")->setCurrentIndex(0);
  Field<QCheckBox>(sheet, "checkForAntivirus")->setChecked(false);
  prompter_.answer("Change");
  Click(sheet, "ok");
  EXPECT_EQ(data().regional().currencyDigits, 0);
  EXPECT_EQ(context_.settings.readInt("Settings", app::kCheckForAntivirus, 1), 0);
}

TEST_F(SettingsWindowsTest, PasswordBoxFollowsWhatTheDialogDid) {
  OptionsSheetWindow sheet(context_, nullptr);
  Show(sheet);
  auto* box = Field<QCheckBox>(sheet, "passwordProtected");
  auto* change = Field<QPushButton>(sheet, "changePassword");
  EXPECT_FALSE(box->isChecked());
  EXPECT_FALSE(change->isEnabled());

  // Cancelled: the box stays clear.
  OnNextModal([](QWidget* dialog) {
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Add password"));
    qobject_cast<QDialog*>(dialog)->reject();
  });
  QTest::mouseClick(box, Qt::LeftButton);
  EXPECT_FALSE(box->isChecked());
  EXPECT_FALSE(store::isPasswordSet(db()));

  // Confirmed: the box is ticked and the buttons come alive.
  OnNextModal([](QWidget* dialog) {
    dialog->findChild<QLineEdit*>(QStringLiteral("password"))->setText(QStringLiteral("Secret99"));
    dialog->findChild<QLineEdit*>(QStringLiteral("confirm"))->setText(QStringLiteral("Secret99"));
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("ok")), Qt::LeftButton);
  });
  QTest::mouseClick(box, Qt::LeftButton);
  EXPECT_TRUE(store::isPasswordSet(db()));
  EXPECT_TRUE(box->isChecked());
  EXPECT_TRUE(change->isEnabled());
}

TEST_F(SettingsWindowsTest, EmptyBackupFolderIsRefusedAtItsField) {
  BackupWindow window(context_, nullptr);
  Show(window);
  Type(Field<QLineEdit>(window, "folder"), QString());
  Click(window, "backUp");
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(Balloon(), "folder||Please select the folder you want to back up to.");
}

TEST_F(SettingsWindowsTest, BackUpThenRestoreThroughTheWindows) {
  AddPurchase("10.00");
  const int64_t before = LiveRows();
  BackupWindow window(context_, nullptr);
  Show(window);
  SetFolderChooser([&](const QString& title, const QString&) {
    EXPECT_EQ(title, QStringLiteral("Select Backup Folder"));
    return QString::fromStdString(backups_.path().string());
  });
  Click(window, "browseFolder");
  Click(window, "backUp");
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(Said("The data was backed up successfully."));
  const std::filesystem::path dated = backups_.path() / "Tallyvane-Backup-2026-12-10";
  ASSERT_TRUE(std::filesystem::exists(dated / "tallyvane.vdb"));
  // The next form opens on the same folder.
  EXPECT_EQ(app::OpenBackupForm(context_.settings).folder, backups_.path().string());

  AddPurchase("20.00");
  ASSERT_EQ(LiveRows(), before + 1);
  prompter_.answer("Restore from backup");
  std::vector<QString> asked;
  SetFolderChooser([&](const QString& title, const QString&) {
    asked.push_back(title);
    return QString::fromStdString(dated.string());
  });
  EXPECT_TRUE(RunRestoreData(context_, nullptr));
  EXPECT_EQ(asked, std::vector<QString>{QStringLiteral("Restore Folder Name")});
  EXPECT_TRUE(Said("The data was restored successfully."));
  EXPECT_EQ(LiveRows(), before);
}

TEST_F(SettingsWindowsTest, RestoreDeclinedTouchesNothing) {
  AddPurchase("10.00");
  const int64_t before = LiveRows();
  prompter_.answer("Don't restore");
  bool picked = false;
  SetFolderChooser([&](const QString&, const QString&) {
    picked = true;
    return QString();
  });
  EXPECT_FALSE(RunRestoreData(context_, nullptr));
  EXPECT_FALSE(picked);
  EXPECT_EQ(LiveRows(), before);
}

TEST_F(SettingsWindowsTest, FirstStartRunsTheSetUpAndThenOffersThePassword) {
  prompter_.answer("Use Default Accounts");
  prompter_.answer("Secure Tallyvane");
  bool passwordOffered = false;
  OnNextModal([&](QWidget* dialog) {
    passwordOffered = dialog->windowTitle() == QStringLiteral("Add password");
    qobject_cast<QDialog*>(dialog)->reject();
  });
  MainWindow window(context_);
  prompter_.setParentWidget(&window);
  window.start();
  QTRY_VERIFY_WITH_TIMEOUT(passwordOffered, 5000);
  ASSERT_GE(prompter_.asked.size(), 2U);
  EXPECT_EQ(prompter_.asked[0].title, app::kSetUpTitle);
  EXPECT_EQ(prompter_.asked[0].buttons, (std::vector<std::string>{"Set Up Accounts", "Use Default Accounts"}));
  // "Use Default Accounts" goes straight to the password offer.
  EXPECT_EQ(prompter_.asked[1].title, "Tallyvane Security - Password");
  window.close();
}

TEST_F(SettingsWindowsTest, TheSetUpIsNotAskedAgainOnTheSameDataFile) {
  prompter_.answer("Use Default Accounts");
  prompter_.answer("No Thanks");
  {
    MainWindow window(context_);
    prompter_.setParentWidget(&window);
    window.start();
    QTRY_VERIFY_WITH_TIMEOUT(prompter_.asked.size() >= 2, 5000);
    prompter_.setParentWidget(nullptr);
  }
  ASSERT_EQ(prompter_.asked[0].title, app::kSetUpTitle);
  // The next start of the same data file, with settings that kept nothing
  // (the window was never closed normally, or another settings folder).
  prompter_.asked.clear();
  store::MemorySettings fresh;
  GuiContext again{test_.context(), fresh, clock_, prompter_};
  MainWindow window(again);
  prompter_.setParentWidget(&window);
  window.start();
  QTest::qWait(300);
  for (const auto& shown : prompter_.asked) {
    EXPECT_NE(shown.title, app::kSetUpTitle);
    EXPECT_NE(shown.title, "Tallyvane Security - Password");
  }
  prompter_.setParentWidget(nullptr);
}

TEST_F(SettingsWindowsTest, BackupReminderInThePanelOpensBackUpData) {
  // A backup made long ago: the reminder item shows and leads to the window.
  context_.settings.writeInt("Setting", "LastBackup", static_cast<long long>(clock_.now()) - app::kBackupReminderSeconds - 5);
  MainWindow window(context_);
  window.refill();
  QStandardItem* reminder = nullptr;
  QStandardItemModel* model = window.panelModel();
  for (int g = 0; g < model->rowCount(); ++g) {
    for (int r = 0; r < model->item(g)->rowCount(); ++r) {
      if (model->item(g)->child(r)->data(Qt::UserRole + 3).toString() == QStringLiteral("backupReminder")) {
        reminder = model->item(g)->child(r);
      }
    }
  }
  ASSERT_NE(reminder, nullptr);
  EXPECT_TRUE(reminder->flags().testFlag(Qt::ItemIsEnabled));
  bool opened = false;
  OnNextModal([&](QWidget* dialog) {
    opened = qobject_cast<BackupWindow*>(dialog) != nullptr;
    qobject_cast<QDialog*>(dialog)->reject();
  });
  emit window.panelView()->activated(reminder->index());
  EXPECT_TRUE(opened);
}

}  // namespace
}  // namespace tallyvane::gui
