#include "gui/dialogs/account_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTimer>
#include <QVBoxLayout>

#include "gui/dialogs/form_support.h"
#include "gui/gui_context.h"
#include "gui/qt_progress.h"
#include "gui/statements/statements.h"
#include "online/directory.h"
#include "online/online_settings.h"
#include "store/money.h"
#include "store/record.h"

namespace tallyvane::gui {
namespace {

constexpr auto kIsoDate = Qt::ISODate;
constexpr int kChoiceKindRole = Qt::UserRole + 1;

// The stored institution's name, for an account whose institution the
// directory no longer lists.
QString InstitutionName(store::DataContext& data, const std::string& key) {
  const auto institution = online::LoadInstitution(data, key, true);
  if (!institution) return QObject::tr("Financial institution %1").arg(Q(key));
  return Q(institution->name);
}

}  // namespace

AccountDialog::AccountDialog(GuiContext& context, QWidget* parent, std::optional<ledger::AccountKey> key, int presetType)
    : QDialog(parent), context_(context), bindings_(context.prompter, this), key_(key) {
  const auto view = ledger::OpenAccountForm(context.data, key, presetType > 0 ? presetType : 1);
  opened_ = view.has_value();
  const ledger::AccountFormView shown = view.value_or(ledger::AccountFormView{});
  setWindowTitle(Q(shown.title.empty() ? std::string("Edit Account") : shown.title));
  warning_ = shown.securityWarning;

  type_ = new QComboBox(this);
  type_->setObjectName(QStringLiteral("type"));
  for (const ledger::AccountTypeChoice& choice : shown.types) type_->addItem(Q(choice.name), choice.key);
  if (const int at = type_->findData(shown.type); at >= 0) type_->setCurrentIndex(at);

  name_ = new QLineEdit(Q(shown.name), this);
  name_->setObjectName(QStringLiteral("name"));
  description_ = new QLineEdit(Q(shown.description), this);
  description_->setObjectName(QStringLiteral("description"));
  starting_ = new QLineEdit(Q(shown.startingText), this);
  starting_->setObjectName(QStringLiteral("starting"));
  starting_->setAlignment(Qt::AlignRight);
  starting_->setFont(MoneyFont());
  starting_->setToolTip(tr("Enter the balance held by the account prior to the earliest transaction entered or imported "
                           "into Tallyvane."));
  current_ = new QLabel(Q(shown.currentText), this);
  current_->setObjectName(QStringLiteral("current"));
  current_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  current_->setFont(MoneyFont());
  checkNumber_ = new QLineEdit(Q(shown.checkNumber), this);
  checkNumber_->setObjectName(QStringLiteral("check_number"));
  lastImport_ = new DateField(this);
  lastImport_->setObjectName(QStringLiteral("last_import"));
  lastImport_->setCalendarPopup(true);
  lastImport_->setDisplayFormat(DateFormat(context.data.regional()));
  QDate importDate = QDate::fromString(Q(shown.lastImport).left(10), kIsoDate);
  if (!importDate.isValid()) importDate = QDate::currentDate().addMonths(-1);
  lastImport_->setDate(importDate);
  notes_ = new QPlainTextEdit(Q(shown.notes), this);
  notes_->setObjectName(QStringLiteral("notes"));
  notes_->setTabChangesFocus(true);
  notes_->setFixedHeight(notes_->fontMetrics().lineSpacing() * 4 + 12);

  online_ = new QGroupBox(tr("&Enable online account access"), this);
  online_->setObjectName(QStringLiteral("online"));
  online_->setCheckable(true);
  online_->setChecked(shown.online);
  institution_ = new QComboBox(online_);
  institution_->setObjectName(QStringLiteral("institution"));
  const bool withheld = fillInstitutions(Q(shown.institution.empty() ? std::string("0") : shown.institution));
  institution_->setToolTip(tr("Select the name of the financial institution with which the account should be "
                              "associated. Alternatively, new financial institution information may be entered by "
                              "using the Add new financial institution selection."));
  routing_ = new QLineEdit(Q(shown.routingNumber), online_);
  routing_->setObjectName(QStringLiteral("routing"));
  routing_->setToolTip(tr("Enter the routing number for your financial institution."));
  maskedNumber_ = Q(shown.maskedNumber);
  number_ = new QLineEdit(maskedNumber_, online_);
  number_->setObjectName(QStringLiteral("number"));
  number_->setToolTip(tr("Enter the account number issued by the financial institution holding the account."));
  userId_ = new QLineEdit(Q(shown.userId), online_);
  userId_->setObjectName(QStringLiteral("user_id"));
  userId_->setToolTip(tr("Enter the user ID issued by the financial institution for accessing the account."));
  password_ = new QLineEdit(Q(shown.password), online_);
  password_->setObjectName(QStringLiteral("password"));
  password_->setEchoMode(QLineEdit::Password);
  password_->setToolTip(tr("Enter the password associated with the above user ID."));
  promptPassword_ = new QCheckBox(tr("&Prompt me for my password when connecting to my bank"), online_);
  promptPassword_->setObjectName(QStringLiteral("prompt_password"));
  promptPassword_->setChecked(shown.promptPassword);
  if (withheld) {
    // The directory was changed outside the program and not restored: no
    // credential of this account is shown or sent from here.
    for (QLineEdit* field : {routing_, number_, userId_, password_}) field->clear();
  }

  auto* form = new QFormLayout;
  form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
  form->addRow(tr("&Type:"), type_);
  form->addRow(tr("&Name:"), name_);
  form->addRow(tr("&Description:"), description_);
  form->addRow(tr("&Starting balance:"), starting_);
  form->addRow(tr("Current balance:"), current_);
  form->addRow(tr("Next &check number:"), checkNumber_);
  form->addRow(tr("&Last import date:"), lastImport_);
  form->addRow(tr("N&otes:"), notes_);
  auto* onlineForm = new QFormLayout(online_);
  onlineForm->addRow(tr("&Financial institution:"), institution_);
  onlineForm->addRow(tr("&Routing number:"), routing_);
  onlineForm->addRow(tr("&Account number:"), number_);
  onlineForm->addRow(tr("&User ID:"), userId_);
  onlineForm->addRow(tr("Pass&word:"), password_);
  onlineForm->addRow(promptPassword_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (save()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(online_);
  layout->addWidget(buttons);
  setMinimumWidth(440);

  bindings_.bind("name", name_);
  bindings_.bind("starting", starting_);
  bindings_.bind("check_number", checkNumber_);
  bindings_.bind("last_import", lastImport_);
  bindings_.bind("number", number_);

  shown_ = shown;
  connect(starting_, &QLineEdit::textEdited, this, &AccountDialog::startingEdited);
  connect(online_, &QGroupBox::toggled, this, &AccountDialog::updateOnlineFields);
  connect(institution_, &QComboBox::currentIndexChanged, this, &AccountDialog::updateOnlineFields);
  connect(institution_, &QComboBox::activated, this, &AccountDialog::institutionChosen);
  connect(promptPassword_, &QCheckBox::toggled, this, [this](bool on) {
    if (on) password_->clear();
    updateOnlineFields();
  });
  updateOnlineFields();
  name_->setFocus();
}

AccountDialog::~AccountDialog() = default;

void AccountDialog::showOpeningWarning() {
  if (!warning_) return;
  context_.prompter.message(warning_->title, warning_->message, store::Icon::Warning);
  warning_.reset();
}

void AccountDialog::startingEdited() {
  current_->setText(Q(ledger::CurrentBalanceText(context_.data.regional(), shown_, S(starting_->text()))));
}

bool AccountDialog::fillInstitutions(const QString& select) {
  QtProgress progress(this);
  const online::InstitutionChoices choices = online::AccountInstitutionChoices(
      context_.data, online::ReadOnlineSettings(context_.settings), progress, context_.prompter);
  const QSignalBlocker quiet(institution_);
  institution_->clear();
  for (const online::InstitutionChoice& choice : choices.choices) {
    QString key;
    if (choice.kind == online::ChoiceKind::SelectOne) key = QStringLiteral("0");
    if (choice.kind == online::ChoiceKind::Institution) key = Q(choice.id);
    institution_->addItem(Q(choice.label), key);
    institution_->setItemData(institution_->count() - 1, static_cast<int>(choice.kind), kChoiceKindRole);
  }
  int at = institution_->findData(select);
  if (at < 0 && select != QLatin1String("0") && !select.isEmpty() && !choices.directoryWithheld) {
    institution_->addItem(InstitutionName(context_.data, S(select)), select);
    institution_->setItemData(institution_->count() - 1, static_cast<int>(online::ChoiceKind::Institution),
                              kChoiceKindRole);
    at = institution_->count() - 1;
  }
  institution_->setCurrentIndex(std::max(0, at));
  chosenInstitution_ = institution_->currentData().toString();
  return choices.directoryWithheld;
}

void AccountDialog::institutionChosen(int index) {
  const auto kind = static_cast<online::ChoiceKind>(institution_->itemData(index, kChoiceKindRole).toInt());
  if (kind != online::ChoiceKind::AddNew && kind != online::ChoiceKind::Download) {
    chosenInstitution_ = institution_->currentData().toString();
    return;
  }
  QString select = chosenInstitution_;
  {
    QtProgress progress(this);
    online::ChooseInstitutionEntry(context_.data, online::ReadOnlineSettings(context_.settings), kind, progress,
                                   context_.prompter);
  }
  if (kind == online::ChoiceKind::AddNew) {
    std::string added;
    if (RunAddInstitution(context_, this, &added)) select = Q(added);
  }
  fillInstitutions(select);
  updateOnlineFields();
}

void AccountDialog::updateOnlineFields() {
  // The connection fields mean something only once an institution is chosen.
  const bool chosen = online_->isChecked() && institution_->currentData().toString() != QLatin1String("0");
  for (QWidget* field : {static_cast<QWidget*>(routing_), static_cast<QWidget*>(number_),
                         static_cast<QWidget*>(userId_), static_cast<QWidget*>(promptPassword_)}) {
    field->setEnabled(chosen);
  }
  password_->setEnabled(chosen && !promptPassword_->isChecked());
}

bool AccountDialog::save() {
  if (!CommitDateFields(this)) return false;
  ledger::AccountForm form;
  form.key = key_;
  form.type = type_->currentData().toInt();
  form.name = S(name_->text());
  form.description = S(description_->text());
  form.startingText = S(starting_->text());
  form.checkNumber = S(checkNumber_->text());
  form.online = online_->isChecked();
  form.institution = S(institution_->currentData().toString());
  form.routingNumber = S(routing_->text());
  form.accountNumber = S(number_->text());
  form.userId = S(userId_->text());
  form.password = promptPassword_->isChecked() ? std::string() : S(password_->text());
  form.promptPassword = promptPassword_->isChecked();
  form.lastImport = S(lastImport_->date().toString(kIsoDate));
  form.notes = S(notes_->toPlainText());
  ledger::AccountKey saved = 0;
  const store::Status status = ledger::SaveAccountForm(context_.data, context_.settings, form, &saved);
  if (!status) {
    ShowStatus(context_.prompter, status);
    return false;
  }
  saved_ = saved != 0 ? std::optional(saved) : key_;
  return true;
}

}  // namespace tallyvane::gui
