#include "gui/planning/security_windows.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/dialogs/form_support.h"
#include "gui/gui_context.h"
#include "gui/planning/planning_windows.h"
#include "store/money.h"

namespace tallyvane::gui {

namespace {

ledger::ListSearch::Result Converted(const planning::SecuritySearch::Result& result) { return {result.key, result.status}; }

}  // namespace

SecurityDialog::SecurityDialog(GuiContext& context, QWidget* parent, std::optional<planning::SecurityKey> key)
    : QDialog(parent), context_(context), bindings_(context.prompter, this) {
  setObjectName(QStringLiteral("securityForm"));
  setWindowTitle(key ? tr("Edit Security") : tr("Add Security"));
  if (key) {
    const auto opened = planning::OpenSecurityForm(context.data, *key);
    opened_ = opened.has_value();
    if (opened) form_ = *opened;
  }
  name_ = new QLineEdit(Q(form_.name), this);
  name_->setObjectName(QStringLiteral("name"));
  symbol_ = new QLineEdit(Q(form_.symbol), this);
  symbol_->setObjectName(QStringLiteral("symbol"));
  price_ = new QLineEdit(Q(form_.priceText), this);
  price_->setObjectName(QStringLiteral("price"));
  price_->setAlignment(Qt::AlignRight);
  price_->setFont(MoneyFont());
  auto* fields = new QFormLayout;
  fields->addRow(tr("&Name:"), name_);
  fields->addRow(tr("S&ymbol:"), symbol_);
  fields->addRow(tr("&Price:"), price_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (save()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(buttons);
  setMinimumWidth(360);
  bindings_.bind("name", name_);
  bindings_.bind("symbol", symbol_);
  bindings_.bind("price", price_);
  name_->setFocus();
}

bool SecurityDialog::save() {
  planning::SecurityForm form = form_;
  form.name = S(name_->text());
  form.symbol = S(symbol_->text());
  form.priceText = S(price_->text().trimmed());
  planning::SecurityKey saved = 0;
  const store::Status status = planning::SaveSecurity(context_.data, form, &saved);
  if (!status) {
    ShowStatus(context_.prompter, status);
    return false;
  }
  saved_ = saved != 0 ? std::optional(saved) : form.key;
  return true;
}

SecurityWindow::SecurityWindow(GuiContext& context, QWidget* parent)
    : ListWindow(context, parent, tr("Securities"), {tr("Security"), tr("Symbol"), tr("Price")}) {
  setObjectName(QStringLiteral("securityList"));
  start();
}

void SecurityWindow::refill() {
  std::vector<int32_t> keys;
  std::vector<QStringList> cells;
  for (const planning::SecurityLine& line : planning::SecurityListLines(context_.data)) {
    keys.push_back(line.key);
    cells.push_back({Q(line.name), Q(line.symbol), Q(store::FormatMoney(context_.data.regional(), line.price))});
  }
  model()->setLines(std::move(keys), std::move(cells));
}

bool SecurityWindow::runAdd(int32_t& key) {
  SecurityDialog form(context_, this, std::nullopt);
  if (form.exec() != QDialog::Accepted) return false;
  if (form.savedKey()) key = *form.savedKey();
  return true;
}

bool SecurityWindow::runEdit(int32_t& key) {
  SecurityDialog form(context_, this, key);
  return form.opened() && form.exec() == QDialog::Accepted;
}

bool SecurityWindow::runDelete(const std::vector<int32_t>& keys) {
  const store::Status status = planning::DeleteSecuritiesFromList(context_.data, keys, context_.prompter);
  ShowStatus(context_.prompter, status);
  return status.ok;
}

ListWindow::Search SecurityWindow::runFind(const std::string& text) {
  return Converted(search_.find(context_.data, text));
}

ListWindow::Search SecurityWindow::runFindNext() { return Converted(search_.findNext(context_.data)); }

bool RunSecurityWindow(GuiContext& context, QWidget* parent) {
  SecurityWindow window(context, parent);
  window.exec();
  return window.changed();
}

}  // namespace tallyvane::gui
