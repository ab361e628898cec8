#include "gui/statements/institution_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QIntValidator>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/dialogs/form_support.h"
#include "gui/gui_context.h"
#include "online/directory.h"

namespace tallyvane::gui {
namespace {

QLineEdit* HintedField(QWidget* parent, const char* name, const QString& hint) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(QLatin1String(name));
  field->setToolTip(hint);
  field->setStatusTip(hint);
  field->setWhatsThis(hint);
  return field;
}

}  // namespace

AddInstitutionDialog::AddInstitutionDialog(GuiContext& context, QWidget* parent)
    : QDialog(parent), context_(context), bindings_(context.prompter, this) {
  setObjectName(QStringLiteral("addInstitution"));
  setWindowTitle(tr("Add Financial Institution"));
  name_ = HintedField(this, "name", tr("Enter the name of the financial institution."));
  fid_ = HintedField(this, "fid", tr("Enter the ID associated with the financial institution."));
  org_ = HintedField(this, "org", tr("Enter the organization name associated with the financial institution."));
  url_ = HintedField(this, "url",
                     tr("Enter the URL used by the financial institution for accepting OFX (transaction data) requests."));
  port_ = HintedField(
      this, "port", tr("Enter the port number used by the financial institution for accepting OFX (transaction data) requests."));
  port_->setText(QStringLiteral("443"));
  port_->setValidator(new QIntValidator(0, 65535, port_));
  bankId_ = HintedField(this, "bank_id",
                        tr("Enter the Bank ID associated with the financial institution, if applicable. The routing "
                           "number located on your checks and/or deposit slip is commonly used for the Bank ID."));
  bindings_.bind(online::kNameField, name_);
  bindings_.bind(online::kUrlField, url_);

  auto* form = new QFormLayout;
  form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
  form->addRow(tr("&Name:"), name_);
  form->addRow(tr("&ID:"), fid_);
  form->addRow(tr("&Organization:"), org_);
  form->addRow(tr("&URL:"), url_);
  form->addRow(tr("&Port:"), port_);
  form->addRow(tr("&Bank ID:"), bankId_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (save()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  setMinimumWidth(fontMetrics().averageCharWidth() * 64);
  name_->setFocus();
}

AddInstitutionDialog::~AddInstitutionDialog() = default;

bool AddInstitutionDialog::save() {
  online::InstitutionForm form;
  form.name = S(name_->text());
  form.fid = S(fid_->text());
  form.org = S(org_->text());
  form.url = S(url_->text().trimmed());
  form.port = S(port_->text());
  form.bankId = S(bankId_->text());
  const store::Status status = online::AddInstitutionByHand(context_.data, context_.prompter, form, &added_);
  if (!status) {
    // The core showed its refusals; a write failure is told here.
    if (status.fileError) ShowStatus(context_.prompter, status);
    FocusRefusedField(context_.prompter, status);
    return false;
  }
  return true;
}

}  // namespace tallyvane::gui
