#include "gui/dialogs/payee_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/dialogs/form_support.h"
#include "gui/gui_context.h"
#include "store/record.h"

namespace tallyvane::gui {

PayeeDialog::PayeeDialog(GuiContext& context, QWidget* parent, std::optional<ledger::PayeeKey> key)
    : QDialog(parent), context_(context), bindings_(context.prompter, this), key_(key) {
  setWindowTitle(key ? tr("Edit Payee") : tr("Add Payee"));
  std::string name;
  std::string notes;
  if (key) {
    const auto form = ledger::OpenPayeeForm(context.data, *key);
    opened_ = form.has_value();
    if (opened_) {
      name = form->name;
      notes = form->notes;
    }
  }
  name_ = new QLineEdit(Q(name), this);
  name_->setObjectName(QStringLiteral("name"));
  notes_ = new QPlainTextEdit(Q(notes), this);
  notes_->setObjectName(QStringLiteral("notes"));
  notes_->setTabChangesFocus(true);
  notes_->setFixedHeight(notes_->fontMetrics().lineSpacing() * 4 + 12);
  auto* form = new QFormLayout;
  form->addRow(tr("&Name:"), name_);
  form->addRow(tr("N&otes:"), notes_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (save()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  setMinimumWidth(360);
  bindings_.bind("name", name_);
  name_->setFocus();
}

bool PayeeDialog::save() {
  ledger::PayeeForm form;
  form.key = key_;
  form.name = S(name_->text());
  form.notes = S(notes_->toPlainText());
  ledger::PayeeKey saved = 0;
  const store::Status status = ledger::SavePayeeForm(context_.data, form, context_.prompter, &saved);
  if (!status) {
    // "Cancel" on the replace question keeps the form open as it is.
    ShowStatus(context_.prompter, status);
    return false;
  }
  saved_ = saved != 0 ? std::optional(saved) : key_;
  return true;
}

}  // namespace tallyvane::gui
