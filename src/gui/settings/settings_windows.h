// The shell's own windows: the options sheet with its mail and fax settings,
// Back Up Data, Restore Data and the first-run set-up over the ledger's
// account and password forms. The rules are app/'s; these gather fields and
// show what it says.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>

#include "app/backup.h"
#include "app/first_run.h"
#include "app/options.h"
#include "gui/qt_prompter.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace tallyvane::gui {

struct GuiContext;

// Where folder choices come from; tests put a scripted one in. An empty
// answer is a cancel.
using FolderChooser = std::function<QString(const QString& title, const QString& start)>;
void SetFolderChooser(FolderChooser chooser);

class OptionsSheetWindow final : public QDialog, private app::PasswordDialogs {
  Q_OBJECT
 public:
  OptionsSheetWindow(GuiContext& context, QWidget* parent);
  void accept() override;
  [[nodiscard]] const app::OptionsSheet& sheet() const { return sheet_; }

 private:
  bool changePassword(bool addForm) override;
  bool removePassword() override;
  void showPasswordState();
  void gatherRegional();

  GuiContext& context_;
  FieldBindings bindings_;
  app::OptionsSheet sheet_;
  QLineEdit* symbol_ = nullptr;
  QLineEdit* name_ = nullptr;
  QComboBox* order_ = nullptr;
  QComboBox* digits_ = nullptr;
  QLineEdit* decimal_ = nullptr;
  QLineEdit* thousands_ = nullptr;
  QComboBox* date_ = nullptr;
  QComboBox* paper_ = nullptr;
  QCheckBox* bom_ = nullptr;
  QCheckBox* password_ = nullptr;
  QPushButton* change_ = nullptr;
  QPushButton* remove_ = nullptr;
  QCheckBox* antivirus_ = nullptr;
};

// The SMTP settings with "Send test message".
class MailSettingsWindow final : public QDialog {
  Q_OBJECT
 public:
  MailSettingsWindow(GuiContext& context, QWidget* parent);
  void accept() override;

 private:
  void sendTest();
  [[nodiscard]] bool gather();

  GuiContext& context_;
  FieldBindings bindings_;
  QLineEdit* server_ = nullptr;
  QSpinBox* port_ = nullptr;
  QComboBox* security_ = nullptr;
  QLineEdit* user_ = nullptr;
  QLineEdit* password_ = nullptr;
  QLineEdit* from_ = nullptr;
};

class BackupWindow final : public QDialog {
  Q_OBJECT
 public:
  BackupWindow(GuiContext& context, QWidget* parent);
  void accept() override;

 private:
  void updateKind();
  GuiContext& context_;
  FieldBindings bindings_;
  QRadioButton* folderKind_ = nullptr;
  QRadioButton* driveKind_ = nullptr;
  QLineEdit* folder_ = nullptr;
  QLineEdit* drive_ = nullptr;
  QPushButton* browseFolder_ = nullptr;
  QPushButton* browseDrive_ = nullptr;
};

// The account form and the "Add password" dialog, for the first-run set-up.
class FirstRunWindows final : public app::FirstRunForms {
 public:
  FirstRunWindows(GuiContext& context, QWidget* parent) : context_(context), parent_(parent) {}
  bool accountForm(std::optional<ledger::AccountKey> account) override;
  void addPasswordDialog() override;

 private:
  GuiContext& context_;
  QWidget* parent_;
};

// Entry points for the main window; each returns whether data changed.
bool RunOptions(GuiContext& context, QWidget* parent);
bool RunBackUpData(GuiContext& context, QWidget* parent);
bool RunRestoreData(GuiContext& context, QWidget* parent);
bool RunFirstRun(GuiContext& context, QWidget* parent);
void RunMailSettings(GuiContext& context, QWidget* parent);
void RunFaxSettings(GuiContext& context, QWidget* parent);

}  // namespace tallyvane::gui
