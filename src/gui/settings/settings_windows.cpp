#include "gui/settings/settings_windows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "gui/dialogs/dialogs.h"
#include "gui/dialogs/form_support.h"
#include "gui/dialogs/password_recovery.h"
#include "gui/gui_context.h"
#include "gui/qt_progress.h"
#include "reports/report_output.h"
#include "reports/smtp_mail.h"
#include "store/regional.h"
#include "store/secure.h"

namespace tallyvane::gui {

namespace {

FolderChooser& Chooser() {
  static FolderChooser chooser;
  return chooser;
}

QString ChooseFolder(QWidget* parent, const QString& title, const QString& start) {
  HideProgressWindows();
  if (Chooser()) return Chooser()(title, start);
  return QFileDialog::getExistingDirectory(parent, title, start);
}

QDialogButtonBox* OkCancel(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

QLineEdit* Edit(QWidget* parent, const char* name, const std::string& text, int maxLength = 0) {
  auto* edit = new QLineEdit(Q(text), parent);
  edit->setObjectName(QLatin1String(name));
  if (maxLength > 0) edit->setMaxLength(maxLength);
  return edit;
}

}  // namespace

void SetFolderChooser(FolderChooser chooser) { Chooser() = std::move(chooser); }

// ---------------------------------------------------------------- options

OptionsSheetWindow::OptionsSheetWindow(GuiContext& context, QWidget* parent)
    : QDialog(parent),
      context_(context),
      bindings_(context.prompter, this),
      sheet_(app::OpenOptionsSheet(context.data, context.settings)) {
  setObjectName(QStringLiteral("optionsSheet"));
  setWindowTitle(tr("Tallyvane Options"));
  const store::RegionalSettings& regional = sheet_.regional;

  auto* tabs = new QTabWidget(this);
  tabs->setObjectName(QStringLiteral("tabs"));

  // Regional.
  auto* regionalTab = new QWidget(tabs);
  auto* group = new QGroupBox(tr("Regional Format Settings"), regionalTab);
  symbol_ = Edit(group, "currencySymbol", regional.currencySymbol, 5);
  name_ = Edit(group, "currencyName", regional.currencyName, 30);
  order_ = new QComboBox(group);
  order_->setObjectName(QStringLiteral("currencyOrder"));
  for (std::string_view text : store::kCurrencyOrderChoices) order_->addItem(Q(text));
  order_->setCurrentIndex(std::clamp(regional.currencyOrder, 0, 1));
  digits_ = new QComboBox(group);
  digits_->setObjectName(QStringLiteral("currencyDigits"));
  for (std::string_view text : store::kDigitsChoices) digits_->addItem(Q(text));
  digits_->setCurrentIndex(regional.digits());
  decimal_ = Edit(group, "decimalSymbol", regional.decimalSymbol, 1);
  thousands_ = Edit(group, "thousandsSymbol", regional.thousandsSymbol, 1);
  date_ = new QComboBox(group);
  date_->setObjectName(QStringLiteral("dateFormat"));
  for (const store::DateChoice& choice : store::kDateChoices) date_->addItem(Q(choice.text));
  date_->setCurrentIndex(static_cast<int>(store::DateChoiceIndex(regional)));
  paper_ = new QComboBox(group);
  paper_->setObjectName(QStringLiteral("paperSize"));
  for (std::string_view text : store::kPaperChoices) paper_->addItem(Q(text));
  paper_->setCurrentIndex(std::clamp(regional.paperSize, 0, 2));
  bom_ = new QCheckBox(tr("Start CSV files with a byte-order mark"), group);
  bom_->setObjectName(QStringLiteral("csvBom"));
  bom_->setChecked(regional.csvBom);
  auto* form = new QFormLayout(group);
  form->addRow(tr("Currency &symbol:"), symbol_);
  form->addRow(tr("Currency &name:"), name_);
  form->addRow(tr("Symbol &order:"), order_);
  form->addRow(tr("&Digits:"), digits_);
  form->addRow(tr("D&ecimal symbol:"), decimal_);
  form->addRow(tr("&Thousands symbol:"), thousands_);
  form->addRow(tr("&Printed date format:"), date_);
  form->addRow(tr("Pap&er size:"), paper_);
  form->addRow(QString(), bom_);
  (new QVBoxLayout(regionalTab))->addWidget(group);
  tabs->addTab(regionalTab, tr("Regional"));

  // Security.
  auto* securityTab = new QWidget(tabs);
  auto* passwordGroup = new QGroupBox(tr("Password"), securityTab);
  password_ = new QCheckBox(tr("Password protect access to Tallyvane"), passwordGroup);
  password_->setObjectName(QStringLiteral("passwordProtected"));
  change_ = new QPushButton(tr("&Change Your Password"), passwordGroup);
  change_->setObjectName(QStringLiteral("changePassword"));
  remove_ = new QPushButton(tr("&Remove Your Password"), passwordGroup);
  remove_->setObjectName(QStringLiteral("removePassword"));
  auto* passwordLayout = new QVBoxLayout(passwordGroup);
  passwordLayout->addWidget(password_);
  auto* passwordButtons = new QHBoxLayout;
  passwordButtons->addWidget(change_);
  passwordButtons->addWidget(remove_);
  passwordButtons->addStretch();
  passwordLayout->addLayout(passwordButtons);
  auto* startGroup = new QGroupBox(tr("Start Up"), securityTab);
  antivirus_ = new QCheckBox(tr("Check antivirus status on start up"), startGroup);
  antivirus_->setObjectName(QStringLiteral("checkForAntivirus"));
  antivirus_->setChecked(sheet_.checkForAntivirus);
  auto* note = new QLabel(tr("We strongly recommend installing and checking for antivirus to prevent malware."),
                          startGroup);
  note->setWordWrap(true);
  auto* startLayout = new QVBoxLayout(startGroup);
  startLayout->addWidget(antivirus_);
  startLayout->addWidget(note);
  auto* securityLayout = new QVBoxLayout(securityTab);
  securityLayout->addWidget(passwordGroup);
  securityLayout->addWidget(startGroup);
  securityLayout->addStretch();
  tabs->addTab(securityTab, tr("Security"));

  // Other.
  auto* otherTab = new QWidget(tabs);
  auto* sendGroup = new QGroupBox(tr("Send Settings"), otherTab);
  auto* mail = new QPushButton(tr("&Email Settings..."), sendGroup);
  mail->setObjectName(QStringLiteral("emailSettings"));
  auto* fax = new QPushButton(tr("&Fax Settings..."), sendGroup);
  fax->setObjectName(QStringLiteral("faxSettings"));
  auto* sendLayout = new QHBoxLayout(sendGroup);
  sendLayout->addWidget(mail);
  sendLayout->addWidget(fax);
  sendLayout->addStretch();
  auto* otherLayout = new QVBoxLayout(otherTab);
  otherLayout->addWidget(sendGroup);
  otherLayout->addStretch();
  tabs->addTab(otherTab, tr("Other"));

  connect(password_, &QCheckBox::clicked, this, [this](bool ticked) {
    app::SetPasswordBox(sheet_, ticked, context_.data.db(), *this);
    showPasswordState();
  });
  connect(change_, &QPushButton::clicked, this, [this] {
    app::ChangePasswordButton(sheet_, context_.data.db(), *this);
    showPasswordState();
  });
  connect(remove_, &QPushButton::clicked, this, [this] {
    app::RemovePasswordButton(sheet_, context_.data.db(), *this);
    showPasswordState();
  });
  connect(mail, &QPushButton::clicked, this, [this] { RunMailSettings(context_, this); });
  connect(fax, &QPushButton::clicked, this, [this] { RunFaxSettings(context_, this); });
  showPasswordState();

  bindings_.bind("digits", digits_);
  bindings_.bind("decimal", decimal_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  layout->addWidget(OkCancel(this));
}

bool OptionsSheetWindow::changePassword(bool) { return RunChangePassword(context_, this); }
bool OptionsSheetWindow::removePassword() { return RunRemovePassword(context_, this); }

void OptionsSheetWindow::showPasswordState() {
  password_->setChecked(sheet_.passwordProtected);
  change_->setEnabled(sheet_.passwordButtonsEnabled());
  remove_->setEnabled(sheet_.passwordButtonsEnabled());
}

void OptionsSheetWindow::gatherRegional() {
  store::RegionalSettings& r = sheet_.regional;
  r.currencySymbol = S(symbol_->text());
  r.currencyName = S(name_->text());
  r.currencyOrder = order_->currentIndex();
  r.currencyDigits = digits_->currentIndex();
  r.decimalSymbol = S(decimal_->text());
  r.thousandsSymbol = S(thousands_->text());
  const store::DateChoice& date = store::kDateChoices[static_cast<std::size_t>(std::max(0, date_->currentIndex()))];
  r.printedDateFormat = date.format;
  r.printedDateOrder = date.order;
  r.printedDateSeparator = std::string(1, date.separator);
  r.paperSize = paper_->currentIndex();
  r.csvBom = bom_->isChecked();
  sheet_.checkForAntivirus = antivirus_->isChecked();
}

void OptionsSheetWindow::accept() {
  gatherRegional();
  const store::Status status = app::ConfirmOptions(context_.data, context_.settings, sheet_, context_.prompter);
  if (!status) {
    ShowStatus(context_.prompter, status);
    return;
  }
  QDialog::accept();
}

// ---------------------------------------------------------------- mail settings

MailSettingsWindow::MailSettingsWindow(GuiContext& context, QWidget* parent)
    : QDialog(parent), context_(context), bindings_(context.prompter, this) {
  setObjectName(QStringLiteral("mailSettings"));
  setWindowTitle(tr("Email Settings"));
  const reports::MailSettings mail = reports::ReadMailSettings(context.settings);
  server_ = Edit(this, "server", mail.server);
  port_ = new QSpinBox(this);
  port_->setObjectName(QStringLiteral("port"));
  port_->setRange(0, 65535);
  port_->setSpecialValueText(tr("Default"));
  port_->setValue(mail.port);
  security_ = new QComboBox(this);
  security_->setObjectName(QStringLiteral("security"));
  security_->addItems({tr("None"), tr("STARTTLS"), tr("TLS")});
  security_->setCurrentIndex(static_cast<int>(mail.security));
  user_ = Edit(this, "user", mail.user);
  password_ = Edit(this, "password", mail.password);
  password_->setEchoMode(QLineEdit::Password);
  from_ = Edit(this, "from", mail.from);
  bindings_.bind("server", server_);
  bindings_.bind("from", from_);
  auto* test = new QPushButton(tr("Send &test message"), this);
  test->setObjectName(QStringLiteral("sendTest"));
  connect(test, &QPushButton::clicked, this, &MailSettingsWindow::sendTest);
  auto* form = new QFormLayout;
  form->addRow(tr("&Server:"), server_);
  form->addRow(tr("&Port:"), port_);
  form->addRow(tr("Se&curity:"), security_);
  form->addRow(tr("&User name:"), user_);
  form->addRow(tr("Pass&word:"), password_);
  form->addRow(tr("&From address:"), from_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(test, 0, Qt::AlignLeft);
  layout->addWidget(OkCancel(this));
}

bool MailSettingsWindow::gather() {
  reports::MailSettings mail = reports::ReadMailSettings(context_.settings);
  mail.server = S(server_->text().trimmed());
  mail.port = port_->value();
  mail.security = static_cast<reports::MailSecurity>(security_->currentIndex());
  mail.user = S(user_->text());
  mail.password = S(password_->text());
  mail.from = S(from_->text().trimmed());
  if (!mail.from.empty() && !reports::IsValidEmailAddress(mail.from)) {
    context_.prompter.balloon("from", "", reports::kInvalidEmail);
    from_->setFocus();
    return false;
  }
  return reports::WriteMailSettings(context_.settings, mail);
}

void MailSettingsWindow::sendTest() {
  if (!gather()) return;
  const std::string to = S(from_->text().trimmed());
  if (to.empty()) {
    context_.prompter.balloon("from", "", reports::kInvalidEmail);
    return;
  }
  QtProgress progress(this);
  progress.setTitle(reports::kSendingEmail);
  reports::SmtpMailTransport transport(reports::ReadMailSettings(context_.settings), &progress);
  switch (transport.send(reports::TestMailMessage(to))) {
    case store::MailOutcome::Sent:
      context_.prompter.message("Email Settings", "The test message was sent.", store::Icon::Information);
      break;
    case store::MailOutcome::Failed:
      context_.prompter.message("Email Settings", "The test message could not be sent: " + transport.lastError(),
                                store::Icon::Error);
      break;
    case store::MailOutcome::Cancelled:
      break;
  }
}

void MailSettingsWindow::accept() {
  if (gather()) QDialog::accept();
}

void RunMailSettings(GuiContext& context, QWidget* parent) {
  MailSettingsWindow window(context, parent);
  window.exec();
}

void RunFaxSettings(GuiContext& context, QWidget* parent) {
  bool ok = false;
  const QString current = Q(context.settings.readString(reports::kSettingsSection, reports::kFaxGatewayKey));
  const QString gateway = QInputDialog::getText(parent, QObject::tr("Fax Settings"),
                                                QObject::tr("The domain of your e-mail-to-fax gateway:"),
                                                QLineEdit::Normal, current, &ok);
  if (ok) context.settings.writeString(reports::kSettingsSection, reports::kFaxGatewayKey, S(gateway.trimmed()));
}

// ---------------------------------------------------------------- back up

BackupWindow::BackupWindow(GuiContext& context, QWidget* parent)
    : QDialog(parent), context_(context), bindings_(context.prompter, this) {
  setObjectName(QStringLiteral("backupWindow"));
  setWindowTitle(tr("Back Up Data"));
  const app::BackupForm opened = app::OpenBackupForm(context.settings);
  folderKind_ = new QRadioButton(tr("Back up to a &folder"), this);
  folderKind_->setObjectName(QStringLiteral("kindFolder"));
  driveKind_ = new QRadioButton(tr("Back up to a &drive"), this);
  driveKind_->setObjectName(QStringLiteral("kindDrive"));
  (opened.kind == app::BackupKind::Drive ? driveKind_ : folderKind_)->setChecked(true);
  folder_ = Edit(this, "folder", opened.folder);
  drive_ = Edit(this, "drive", opened.drive);
  browseFolder_ = new QPushButton(tr("&Browse..."), this);
  browseFolder_->setObjectName(QStringLiteral("browseFolder"));
  browseDrive_ = new QPushButton(tr("B&rowse..."), this);
  browseDrive_->setObjectName(QStringLiteral("browseDrive"));
  bindings_.bind("folder", folder_);
  bindings_.bind("drive", drive_);
  connect(browseFolder_, &QPushButton::clicked, this, [this] {
    const QString chosen = ChooseFolder(this, tr("Select Backup Folder"), folder_->text());
    if (!chosen.isEmpty()) folder_->setText(chosen);
  });
  connect(browseDrive_, &QPushButton::clicked, this, [this] {
    const QString chosen = ChooseFolder(this, tr("Select Backup Drive"), drive_->text());
    if (!chosen.isEmpty()) drive_->setText(chosen);
  });
  connect(folderKind_, &QRadioButton::toggled, this, &BackupWindow::updateKind);

  auto* grid = new QGridLayout;
  grid->addWidget(folderKind_, 0, 0, 1, 2);
  grid->addWidget(folder_, 1, 0);
  grid->addWidget(browseFolder_, 1, 1);
  grid->addWidget(driveKind_, 2, 0, 1, 2);
  grid->addWidget(drive_, 3, 0);
  grid->addWidget(browseDrive_, 3, 1);
  grid->setColumnMinimumWidth(0, 320);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
  QPushButton* backUp = buttons->addButton(tr("&Back Up"), QDialogButtonBox::AcceptRole);
  backUp->setObjectName(QStringLiteral("backUp"));
  backUp->setDefault(true);
  connect(backUp, &QPushButton::clicked, this, &BackupWindow::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(tr("Choose where the copy of your data goes. A folder named after today's date is "
                                  "made there."),
                               this));
  layout->addLayout(grid);
  layout->addWidget(buttons);
  updateKind();
}

void BackupWindow::updateKind() {
  const bool folder = folderKind_->isChecked();
  folder_->setEnabled(folder);
  browseFolder_->setEnabled(folder);
  drive_->setEnabled(!folder);
  browseDrive_->setEnabled(!folder);
}

void BackupWindow::accept() {
  app::BackupForm form;
  form.kind = driveKind_->isChecked() ? app::BackupKind::Drive : app::BackupKind::Folder;
  form.folder = S(folder_->text().trimmed());
  form.drive = S(drive_->text().trimmed());
  QtProgress progress(this);
  const app::BackupResult result = app::BackUpData(context_.data.paths(), context_.settings, context_.clock,
                                                   context_.prompter, progress, form);
  // The operation showed its own balloons and messages. A backup made whose
  // settings could not be saved is still made: the window's work is done.
  if (!result.status && result.folder.empty()) {
    FocusRefusedField(context_.prompter, result.status);
    return;
  }
  QDialog::accept();
}

// ---------------------------------------------------------------- first run

bool FirstRunWindows::accountForm(std::optional<ledger::AccountKey> account) {
  return RunAccountForm(context_, parent_, account);
}

void FirstRunWindows::addPasswordDialog() { RunChangePassword(context_, parent_); }

// ---------------------------------------------------------------- entry points

bool RunOptions(GuiContext& context, QWidget* parent) {
  OptionsSheetWindow window(context, parent);
  return window.exec() == QDialog::Accepted;
}

bool RunBackUpData(GuiContext& context, QWidget* parent) {
  BackupWindow window(context, parent);
  return window.exec() == QDialog::Accepted;
}

bool RunRestoreData(GuiContext& context, QWidget* parent) {
  QtProgress progress(parent);
  const app::FolderPicker pick = [parent](std::string_view title) -> std::optional<std::filesystem::path> {
    const QString chosen = ChooseFolder(parent, Q(title), QString());
    if (chosen.isEmpty()) return std::nullopt;
    return std::filesystem::path(S(chosen));
  };
  const store::Status status =
      app::RestoreData(context.data.paths(), context.clock, context.prompter, progress, pick, &context.data);
  return status.ok;
}

bool RunFirstRun(GuiContext& context, QWidget* parent) {
  FirstRunWindows forms(context, parent);
  return app::RunFirstRunSetup(context.data, context.prompter, forms);
}

}  // namespace tallyvane::gui
