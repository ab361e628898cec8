// The add / edit transaction form. It copies the core's entry form into the
// widgets, creates typed categories, subcategories and payees as the user
// leaves those fields, and saves through the entry operation, whose checks
// answer with a balloon at the field concerned.
#pragma once

#include <QComboBox>
#include "gui/date_field.h"
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <optional>
#include <vector>

#include "gui/qt_prompter.h"
#include "ledger/creations.h"
#include "ledger/entry.h"

namespace tallyvane::gui {

struct GuiContext;

class TransactionDialog final : public QDialog {
 public:
  TransactionDialog(GuiContext& context, QWidget* parent, ledger::AccountKey account,
                    std::optional<ledger::TransactionKey> key, bool transfer = false);
  ~TransactionDialog() override;

  [[nodiscard]] bool opened() const { return opened_; }
  // True once anything was written (the row, or a category or payee made
  // from a typed name).
  [[nodiscard]] bool changed() const { return changed_; }
  [[nodiscard]] std::optional<ledger::TransactionKey> savedKey() const { return form_.key; }

  // OK: saves, or shows the refusal and stays open.
  bool save();
  // "Split Transaction": opens the split editor on the form as it stands;
  // its OK saves the form and the lines together.
  void split();
  // Cancel: nothing the user did not confirm stays, so the categories,
  // subcategories and payees typed into the form are taken back.

  void reject() override;

  // The field-leaving rules, as focus changes run them.
  void categoryLeft();
  void subcategoryLeft();
  void payeeLeft();
  void numberLeft();

 private:
  [[nodiscard]] ledger::EntryForm gather() const;
  [[nodiscard]] ledger::TransactionType type() const;
  [[nodiscard]] bool expense() const;
  void fillAccounts();
  void fillTransferAccounts();
  void fillPayees();
  void fillCategories();
  void fillSubcategories();
  void chooseCategory(ledger::CategoryKey key);
  void choosePayee(ledger::PayeeKey key);
  void typeChosen();
  void accountChosen();
  void updateTitle();
  void updateTypeFields();
  // Saves the form through the entry operation; false after its refusal.
  bool enter(const ledger::EntryForm& form);

  GuiContext& context_;
  FieldBindings bindings_;
  ledger::EntryForm form_;
  bool opened_ = true;
  bool changed_ = false;
  bool splitParent_ = false;
  ledger::FormCreations created_;
  QString handledPayee_;
  std::vector<QObject*> watchers_;

  QComboBox* account_;
  QComboBox* type_;
  DateField* date_;
  QLineEdit* number_;
  QLabel* payeeLabel_;
  QComboBox* payee_;
  QComboBox* transferAccount_;
  QComboBox* category_;
  QComboBox* subcategory_;
  QLineEdit* note_;
  QLineEdit* amount_;
  QComboBox* tax_;
  QPushButton* splitButton_;
};

}  // namespace tallyvane::gui
