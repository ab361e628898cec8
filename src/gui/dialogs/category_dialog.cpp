#include "gui/dialogs/category_dialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/dialogs/form_support.h"
#include "gui/gui_context.h"
#include "store/record.h"

namespace tallyvane::gui {

CategoryDialog::CategoryDialog(GuiContext& context, QWidget* parent, std::optional<ledger::CategoryKey> key, bool expense)
    : QDialog(parent), context_(context), bindings_(context.prompter, this), key_(key) {
  setWindowTitle(key ? tr("Edit Category") : tr("Add Category"));
  ledger::CategoryForm stored;
  stored.expense = expense;
  if (key) {
    const auto form = ledger::OpenCategoryForm(context.data, *key);
    opened_ = form.has_value();
    if (opened_) {
      stored = *form;
      headerLocked_ = stored.header && ledger::HeaderHasChildren(context.data, *key);
    }
  }

  name_ = new QLineEdit(Q(stored.name), this);
  name_->setObjectName(QStringLiteral("name"));
  expense_ = new QRadioButton(tr("E&xpense"), this);
  expense_->setObjectName(QStringLiteral("expense"));
  income_ = new QRadioButton(tr("&Income"), this);
  income_->setObjectName(QStringLiteral("income"));
  auto* kinds = new QButtonGroup(this);
  kinds->addButton(expense_);
  kinds->addButton(income_);
  (stored.expense ? expense_ : income_)->setChecked(true);
  // The kind of an existing category is fixed.
  expense_->setEnabled(!key);
  income_->setEnabled(!key);
  header_ = new QCheckBox(tr("This is a &parent category"), this);
  header_->setObjectName(QStringLiteral("header"));
  header_->setChecked(stored.header);
  header_->setEnabled(!headerLocked_);
  if (headerLocked_) header_->setToolTip(tr("A parent category keeps the flag while it holds subcategories."));
  parent_ = new QComboBox(this);
  parent_->setObjectName(QStringLiteral("parent"));
  taxDeductible_ = new QCheckBox(tr("&Tax deductible by default"), this);
  taxDeductible_->setObjectName(QStringLiteral("tax_deductible"));
  taxDeductible_->setChecked(stored.taxDeductible);

  auto* kindRow = new QHBoxLayout;
  kindRow->addWidget(expense_);
  kindRow->addWidget(income_);
  kindRow->addStretch(1);
  auto* form = new QFormLayout;
  form->addRow(tr("&Name:"), name_);
  form->addRow(tr("Kind:"), kindRow);
  form->addRow(QString(), header_);
  form->addRow(tr("P&arent category:"), parent_);
  form->addRow(QString(), taxDeductible_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (save()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  setMinimumWidth(380);

  bindings_.bind("name", name_);
  bindings_.bind("parent", parent_);

  fillParents();
  if (const int at = parent_->findData(stored.parent); at >= 0) parent_->setCurrentIndex(at);
  connect(expense_, &QRadioButton::toggled, this, &CategoryDialog::fillParents);
  connect(name_, &QLineEdit::editingFinished, this, &CategoryDialog::fillParents);
  connect(header_, &QCheckBox::toggled, this, &CategoryDialog::updateFields);
  updateFields();
  name_->setFocus();
}

void CategoryDialog::fillParents() {
  // Headers of the chosen kind, without the one named like this category.
  const int32_t keep = parent_->currentData().toInt();
  const QString typed = name_->text().trimmed();
  parent_->clear();
  parent_->addItem(QString(), 0);
  for (const ledger::CategoryLine& line : ledger::TopLevelCategories(context_.data, expense_->isChecked())) {
    if (!line.header || Q(line.name) == typed) continue;
    parent_->addItem(Q(line.name), line.key);
  }
  if (const int at = parent_->findData(keep); at >= 0) parent_->setCurrentIndex(at);
}

void CategoryDialog::updateFields() { parent_->setEnabled(!header_->isChecked()); }

bool CategoryDialog::save() {
  ledger::CategoryForm form;
  form.key = key_;
  form.name = S(name_->text());
  form.expense = expense_->isChecked();
  form.header = header_->isChecked();
  form.parent = form.header ? 0 : parent_->currentData().toInt();
  form.taxDeductible = taxDeductible_->isChecked();
  ledger::CategoryKey saved = 0;
  const store::Status status = ledger::SaveCategoryForm(context_.data, form, &saved);
  if (!status) {
    ShowStatus(context_.prompter, status);
    return false;
  }
  saved_ = saved != 0 ? std::optional(saved) : key_;
  return true;
}

}  // namespace tallyvane::gui
