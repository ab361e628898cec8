#include "gui/dialogs/transaction_dialog.h"

#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

#include <QFocusEvent>

#include "gui/dialogs/form_support.h"
#include "gui/dialogs/split_editor.h"
#include "gui/gui_context.h"
#include "ledger/accounts.h"
#include "ledger/categories.h"
#include "ledger/payees.h"
#include "ledger/transactions.h"
#include "store/record.h"

namespace tallyvane::gui {
namespace {

constexpr int kTypeCount = 6;
const char* const kTaxChoices[] = {"Use Expense Category", "Tax Deductible", "Not Deductible"};

QComboBox* EditableCombo(QWidget* parent, const QString& name) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(name);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  combo->setMinimumContentsLength(24);
  return combo;
}

// Runs `left` when keyboard focus leaves the combo's text, the way a form
// field's "leave" works.
class LeaveWatcher final : public QObject {
 public:
  LeaveWatcher(QWidget* field, std::function<void()> left) : QObject(field), left_(std::move(left)) {
    field->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusOut) {
      const auto* focus = static_cast<QFocusEvent*>(event);
      // The combo's own popup, or another window coming up (a balloon, a
      // question), is not leaving the field.
      if (focus->reason() != Qt::PopupFocusReason && focus->reason() != Qt::ActiveWindowFocusReason) left_();
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> left_;
};

}  // namespace

TransactionDialog::TransactionDialog(GuiContext& context, QWidget* parent, ledger::AccountKey account,
                                     std::optional<ledger::TransactionKey> key, bool transfer)
    : QDialog(parent), context_(context), bindings_(context.prompter, this) {
  if (key) {
    const auto opened = ledger::OpenEntryForm(context.data, *key);
    opened_ = opened.has_value();
    form_ = opened.value_or(ledger::NewEntryForm(context.data, account, transfer));
    if (opened_) {
      const auto row = ledger::LoadTransaction(context.data.db(), *form_.key);
      splitParent_ = row && row->split;
    }
  } else {
    form_ = ledger::NewEntryForm(context.data, account, transfer);
  }

  account_ = new QComboBox(this);
  account_->setObjectName(QStringLiteral("from_account"));
  type_ = new QComboBox(this);
  type_->setObjectName(QStringLiteral("type"));
  for (int i = 0; i < kTypeCount; ++i) type_->addItem(Q(ledger::TransactionTypeLabel(static_cast<ledger::TransactionType>(i))), i);
  date_ = new DateField(this);
  date_->setObjectName(QStringLiteral("date"));
  date_->setCalendarPopup(true);
  date_->setDisplayFormat(DateFormat(context.data.regional()));
  number_ = new QLineEdit(this);
  number_->setObjectName(QStringLiteral("number"));
  number_->setMaxLength(20);
  payeeLabel_ = new QLabel(this);
  payee_ = EditableCombo(this, QStringLiteral("payee"));
  transferAccount_ = new QComboBox(this);
  transferAccount_->setObjectName(QStringLiteral("account"));
  category_ = EditableCombo(this, QStringLiteral("category"));
  category_->setToolTip(tr("Select a category or type in a new category"));
  subcategory_ = EditableCombo(this, QStringLiteral("subcategory"));
  note_ = new QLineEdit(this);
  note_->setObjectName(QStringLiteral("note"));
  amount_ = new QLineEdit(this);
  amount_->setObjectName(QStringLiteral("amount"));
  amount_->setAlignment(Qt::AlignRight);
  amount_->setFont(MoneyFont());
  amount_->setToolTip(tr("Please enter amount. Decimal seperator is '.' (e.g. 10,000.56)"));
  tax_ = new QComboBox(this);
  tax_->setObjectName(QStringLiteral("tax"));
  for (const char* choice : kTaxChoices) tax_->addItem(QString::fromLatin1(choice));

  auto* grid = new QGridLayout;
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  auto label = [this](const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text, this);
    l->setBuddy(buddy);
    return l;
  };
  grid->addWidget(label(tr("A&ccount:"), account_), 0, 0);
  grid->addWidget(account_, 0, 1);
  grid->addWidget(label(tr("&Type:"), type_), 0, 2);
  grid->addWidget(type_, 0, 3);
  grid->addWidget(label(tr("&Date:"), date_), 1, 0);
  grid->addWidget(date_, 1, 1);
  grid->addWidget(label(tr("N&umber:"), number_), 1, 2);
  grid->addWidget(number_, 1, 3);
  grid->addWidget(payeeLabel_, 2, 0);
  grid->addWidget(payee_, 2, 1, 1, 3);
  grid->addWidget(transferAccount_, 2, 1, 1, 3);
  grid->addWidget(label(tr("Cate&gory:"), category_), 3, 0);
  grid->addWidget(category_, 3, 1);
  grid->addWidget(label(tr("Su&bcategory:"), subcategory_), 3, 2);
  grid->addWidget(subcategory_, 3, 3);
  grid->addWidget(label(tr("N&ote:"), note_), 4, 0);
  grid->addWidget(note_, 4, 1, 1, 3);
  grid->addWidget(label(tr("&Amount:"), amount_), 5, 0);
  grid->addWidget(amount_, 5, 1);
  grid->addWidget(label(tr("Ta&x:"), tax_), 5, 2);
  grid->addWidget(tax_, 5, 3);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
  splitButton_ = buttons->addButton(tr("&Split Transaction"), QDialogButtonBox::ActionRole);
  splitButton_->setObjectName(QStringLiteral("split"));
  splitButton_->setToolTip(tr("Divide the amount among several categories"));
  splitButton_->setAutoDefault(false);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (save()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &TransactionDialog::reject);
  connect(splitButton_, &QPushButton::clicked, this, &TransactionDialog::split);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addSpacing(6);
  layout->addWidget(buttons);
  setMinimumWidth(620);

  QWidget* const order[] = {account_, type_, date_, number_, payee_, transferAccount_, category_, subcategory_, note_, amount_, tax_};
  for (std::size_t i = 1; i < std::size(order); ++i) {
    setTabOrder(order[i - 1], order[i]);
  }

  // Copy the form in.
  fillAccounts();
  if (const int at = account_->findData(form_.account); at >= 0) account_->setCurrentIndex(at);
  type_->setCurrentIndex(static_cast<int>(form_.type));
  QDate date = QDate::fromString(Q(form_.date), Qt::ISODate);
  date_->setDate(date.isValid() ? date : QDate::currentDate());
  number_->setText(Q(form_.number));
  fillTransferAccounts();
  if (const int at = transferAccount_->findData(form_.transferAccount); at >= 0) transferAccount_->setCurrentIndex(at);
  fillPayees();
  payee_->setCurrentText(Q(form_.payee));
  handledPayee_ = payee_->currentText();
  fillCategories();
  const int categoryAt = form_.category.empty() ? -1 : category_->findText(Q(form_.category), Qt::MatchFixedString);
  if (categoryAt >= 0) category_->setCurrentIndex(categoryAt);
  else category_->setCurrentText(Q(form_.category));
  fillSubcategories();
  subcategory_->setCurrentText(Q(form_.subcategory));
  note_->setText(Q(form_.note));
  amount_->setText(form_.key ? Q(form_.amountText) : QString());
  tax_->setCurrentText(Q(form_.taxChoice));
  updateTypeFields();
  updateTitle();

  // The lines of a split parent carry its categories.
  category_->setEnabled(!splitParent_);
  subcategory_->setEnabled(!splitParent_);

  bindings_.bind("date", date_);
  bindings_.bind("number", number_);
  bindings_.bind("account", transferAccount_);
  bindings_.bind("payee", payee_);
  bindings_.bind("category", category_);
  bindings_.bind("subcategory", subcategory_);
  bindings_.bind("amount", amount_);

  connect(type_, &QComboBox::currentIndexChanged, this, &TransactionDialog::typeChosen);
  connect(account_, &QComboBox::currentIndexChanged, this, &TransactionDialog::accountChosen);
  connect(payee_, &QComboBox::activated, this, [this] { payeeLeft(); });
  connect(category_, &QComboBox::activated, this, [this] { fillSubcategories(); });
  watchers_ = {new LeaveWatcher(category_, [this] { categoryLeft(); }),
               new LeaveWatcher(subcategory_, [this] { subcategoryLeft(); }),
               new LeaveWatcher(payee_, [this] { payeeLeft(); })};
  connect(number_, &QLineEdit::editingFinished, this, &TransactionDialog::numberLeft);

  (form_.key ? static_cast<QWidget*>(amount_) : static_cast<QWidget*>(date_))->setFocus();
}

TransactionDialog::~TransactionDialog() {
  // The fields lose the focus while the window is taken apart; that is no
  // leaving of a field.
  for (QObject* watcher : watchers_) delete watcher;
}

ledger::TransactionType TransactionDialog::type() const {
  return static_cast<ledger::TransactionType>(std::clamp(type_->currentIndex(), 0, kTypeCount - 1));
}

bool TransactionDialog::expense() const { return type() != ledger::TransactionType::Deposit; }

void TransactionDialog::fillAccounts() {
  const QSignalBlocker block(account_);
  account_->clear();
  for (const ledger::AccountListLine& line : ledger::AccountListLines(context_.data)) {
    if (ledger::IsInvestmentAccount(context_.data, line.key)) continue;
    account_->addItem(Q(line.name), line.key);
  }
}

void TransactionDialog::fillTransferAccounts() {
  const int32_t keep = transferAccount_->currentData().toInt();
  const int32_t own = account_->currentData().toInt();
  const QSignalBlocker block(transferAccount_);
  transferAccount_->clear();
  transferAccount_->addItem(QString(), 0);
  for (int i = 0; i < account_->count(); ++i) {
    if (account_->itemData(i).toInt() == own) continue;
    transferAccount_->addItem(account_->itemText(i), account_->itemData(i));
  }
  if (const int at = transferAccount_->findData(keep); at >= 0) transferAccount_->setCurrentIndex(at);
}

void TransactionDialog::fillPayees() {
  const QString keep = payee_->currentText();
  std::vector<ledger::PayeeLine> lines = ledger::PayeeWindowLines(context_.data);
  std::stable_sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) {
    return Q(a.name).compare(Q(b.name), Qt::CaseInsensitive) < 0;
  });
  const QSignalBlocker block(payee_);
  payee_->clear();
  for (const ledger::PayeeLine& line : lines) payee_->addItem(Q(line.name), line.key);
  payee_->setCurrentIndex(-1);
  payee_->setCurrentText(keep);
}

void TransactionDialog::fillCategories() {
  // "Not categorized", this kind, a separator, the other kind.
  const QString keep = category_->currentText();
  const QSignalBlocker block(category_);
  category_->clear();
  category_->addItem(Q(ledger::kNotCategorized), 0);
  const bool first = expense();
  for (bool kind : {first, !first}) {
    if (kind != first) category_->insertSeparator(category_->count());
    for (const ledger::CategoryLine& line : ledger::TopLevelCategories(context_.data, kind)) {
      if (line.name == ledger::kNotCategorized) continue;
      category_->addItem(Q(line.name), line.key);
    }
  }
  const int at = keep.trimmed().isEmpty() ? -1 : category_->findText(keep, Qt::MatchFixedString);
  if (at >= 0) category_->setCurrentIndex(at);
  else category_->setCurrentText(keep);
}

void TransactionDialog::fillSubcategories() {
  const QString keep = subcategory_->currentText();
  const QSignalBlocker block(subcategory_);
  subcategory_->clear();
  const QString chosen = category_->currentText().trimmed();
  const int at = chosen.isEmpty() ? -1 : category_->findText(chosen, Qt::MatchFixedString);
  const ledger::CategoryKey parent = at >= 0 ? category_->itemData(at).toInt() : 0;
  if (parent > 0) {
    for (const ledger::CategoryLine& line : ledger::Subcategories(context_.data, parent)) {
      subcategory_->addItem(Q(line.name), line.key);
    }
  }
  subcategory_->setCurrentIndex(-1);
  subcategory_->setCurrentText(keep);
}

void TransactionDialog::chooseCategory(ledger::CategoryKey key) {
  const ledger::CategoryKey parent = key > 0 ? ledger::CategoryParent(context_.data, key) : 0;
  const ledger::CategoryKey top = parent != 0 ? parent : key;
  fillCategories();
  const int at = category_->findData(top);
  category_->setCurrentIndex(at >= 0 ? at : 0);
  subcategory_->setCurrentText(QString());
  fillSubcategories();
  if (parent != 0) {
    const int sub = subcategory_->findData(key);
    if (sub >= 0) subcategory_->setCurrentIndex(sub);
  }
}

void TransactionDialog::choosePayee(ledger::PayeeKey key) {
  fillPayees();
  const int at = payee_->findData(key);
  if (at >= 0) payee_->setCurrentIndex(at);
  handledPayee_ = payee_->currentText();
}

void TransactionDialog::categoryLeft() {
  if (splitParent_) return;
  const QString typed = category_->currentText().trimmed();
  // An empty text would match the separator line.
  const int at = typed.isEmpty() ? -1 : category_->findText(typed, Qt::MatchFixedString);
  if (typed.isEmpty() || at >= 0) {
    if (at >= 0 && at != category_->currentIndex()) category_->setCurrentIndex(at);
    fillSubcategories();
    return;
  }
  const auto chosen = ledger::CategoryFromTypedName(context_.data, S(typed), expense(), &context_.prompter);
  if (!chosen) return;
  changed_ = changed_ || chosen->created;
  created_.note(*chosen);
  chooseCategory(chosen->key);
}

void TransactionDialog::subcategoryLeft() {
  if (splitParent_) return;
  const QString typed = subcategory_->currentText().trimmed();
  if (typed.isEmpty() || subcategory_->findText(typed, Qt::MatchFixedString) >= 0) return;
  const int at = category_->findText(category_->currentText().trimmed(), Qt::MatchFixedString);
  const ledger::CategoryKey parent = at >= 0 ? category_->itemData(at).toInt() : 0;
  // Without a real category the save refuses the subcategory at the category.
  if (parent <= 0) return;
  const auto chosen = ledger::SubcategoryFromTypedName(context_.data, parent, S(typed), expense(), &context_.prompter);
  if (!chosen) return;
  changed_ = changed_ || chosen->created;
  created_.note(*chosen);
  subcategory_->setCurrentText(QString());
  fillSubcategories();
  if (const int sub = subcategory_->findData(chosen->key); sub >= 0) subcategory_->setCurrentIndex(sub);
}

void TransactionDialog::payeeLeft() {
  if (type() == ledger::TransactionType::Transfer) return;
  const QString typed = payee_->currentText().trimmed();
  if (typed == handledPayee_) return;
  handledPayee_ = typed;
  if (typed.isEmpty()) return;
  ledger::PayeeKey key = ledger::FindPayeeId(context_.data, S(typed), false);
  if (key < 0) {
    const auto created = ledger::PayeeFromTypedName(context_.data, S(typed));
    if (!created) return;
    changed_ = true;
    created_.notePayee(*created);
    choosePayee(*created);
    return;
  }
  choosePayee(key);
  if (splitParent_ || key == 0) return;
  // The form's payee step decides whether the remembered category replaces
  // what the fields hold (a category the user chose stays).
  form_.category = S(category_->currentText().trimmed());
  form_.subcategory = S(subcategory_->currentText().trimmed());
  if (!ledger::ChoosePayee(context_.data, form_, key)) return;
  fillCategories();
  const int at = form_.category.empty() ? -1 : category_->findText(Q(form_.category), Qt::MatchFixedString);
  category_->setCurrentIndex(at >= 0 ? at : 0);
  subcategory_->setCurrentText(QString());
  fillSubcategories();
  const int sub = form_.subcategory.empty() ? -1 : subcategory_->findText(Q(form_.subcategory), Qt::MatchFixedString);
  if (sub >= 0) subcategory_->setCurrentIndex(sub);
}

void TransactionDialog::numberLeft() {
  if (type() != ledger::TransactionType::Check) return;
  const std::string number = S(number_->text().trimmed());
  if (number.empty() || number == form_.loadedNumber) return;
  if (!ledger::IsCheckNumberUnused(context_.data, account_->currentData().toInt(), number)) {
    context_.prompter.balloon("number", "", "This check number has already been used.");
  }
}

void TransactionDialog::typeChosen() {
  // A check proposes the number after the account's last one.
  if (type() == ledger::TransactionType::Check) {
    number_->setText(Q(ledger::ProposedCheckNumber(context_.data, account_->currentData().toInt())));
  } else {
    number_->clear();
  }
  fillCategories();
  fillSubcategories();
  updateTypeFields();
}

void TransactionDialog::accountChosen() {
  fillTransferAccounts();
  updateTitle();
}

void TransactionDialog::updateTypeFields() {
  const bool transfer = type() == ledger::TransactionType::Transfer;
  payeeLabel_->setText(transfer ? tr("Accou&nt:") : tr("&Payee:"));
  payeeLabel_->setBuddy(transfer ? static_cast<QWidget*>(transferAccount_) : static_cast<QWidget*>(payee_));
  payee_->setVisible(!transfer);
  transferAccount_->setVisible(transfer);
}

void TransactionDialog::updateTitle() {
  const QString name = account_->currentText();
  setWindowTitle(form_.key ? tr("Edit Transaction (%1)").arg(name) : tr("Add Transaction (%1)").arg(name));
}

ledger::EntryForm TransactionDialog::gather() const {
  ledger::EntryForm form = form_;
  form.account = account_->currentData().toInt();
  form.type = type();
  form.date = S(date_->date().toString(Qt::ISODate));
  form.number = S(number_->text().trimmed());
  form.transferAccount = transferAccount_->currentData().toInt();
  form.payee = form.type == ledger::TransactionType::Transfer ? std::string() : S(payee_->currentText());
  form.category = splitParent_ ? std::string() : S(category_->currentText());
  form.subcategory = splitParent_ ? std::string() : S(subcategory_->currentText());
  form.note = S(note_->text());
  form.amountText = S(amount_->text());
  form.taxChoice = S(tax_->currentText());
  return form;
}

bool TransactionDialog::save() {
  if (!CommitDateFields(this)) return false;
  ledger::EntryForm form = gather();
  if (splitParent_ && form.key) {
    // A split parent with a new amount needs its lines shared out again;
    // without them the entry keeps the amount the lines add up to.
    store::Money stored;
    const auto row = ledger::LoadTransaction(context_.data.db(), *form.key);
    if (row && ledger::CheckEntryForm(context_.data, form, &stored) && stored != row->amount) {
      SplitEditor editor(context_, this, stored, ledger::OpenSplitEditor(context_.data, *form.key));
      if (editor.exec() == QDialog::Accepted) {
        form.splitLines = editor.lines();
        form.removedSplitLines = editor.removed();
      }
    }
  }
  return enter(form);
}

bool TransactionDialog::enter(const ledger::EntryForm& form) {
  const ledger::EntryResult result = ledger::EnterTransaction(context_.data, form, context_.prompter);
  if (!result.status) {
    if (result.status.fileError) ShowStatus(context_.prompter, result.status);
    FocusRefusedField(context_.prompter, result.status);
    // A subcategory without a real category is dropped with the refusal.
    if (result.status.field == "category" && !subcategory_->currentText().trimmed().isEmpty()) {
      subcategory_->setCurrentText(QString());
    }
    return false;
  }
  changed_ = true;
  form_.key = result.key;
  // Saved: what the form made is in use by what the user confirmed.
  created_ = {};
  return true;
}

void TransactionDialog::split() {
  if (!CommitDateFields(this)) return;
  ledger::EntryForm form = gather();
  const ledger::SplitStart start = ledger::SplitFromForm(context_.data, form, context_.prompter);
  if (!start.status) {
    if (start.status.fileError) ShowStatus(context_.prompter, start.status);
    FocusRefusedField(context_.prompter, start.status);
    return;
  }
  SplitEditor editor(context_, this, start.parentAmount, start.lines);
  if (editor.exec() != QDialog::Accepted) return;
  form.splitLines = editor.lines();
  form.removedSplitLines = editor.removed();
  if (enter(form)) accept();
}

void TransactionDialog::reject() {
  if (!created_.empty()) {
    const store::Status taken = ledger::TakeBackCreations(context_.data, created_);
    created_ = {};
    if (!taken) ShowStatus(context_.prompter, taken);
  }
  QDialog::reject();
}

}  // namespace tallyvane::gui
