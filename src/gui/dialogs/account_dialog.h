// The add / edit account form: it opens with the core's view of the account,
// gathers the fields and saves them through the account form operation,
// which runs the checks; a refusal shows at its field and the form stays.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include "gui/date_field.h"
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <optional>

#include "gui/qt_prompter.h"
#include "ledger/accounts.h"

namespace tallyvane::gui {

struct GuiContext;

class AccountDialog final : public QDialog {
 public:
  // `presetType` 0 keeps the first type for a new account.
  AccountDialog(GuiContext& context, QWidget* parent, std::optional<ledger::AccountKey> key, int presetType = 0);
  ~AccountDialog() override;

  // False when the account could not be opened (the dialog is then useless).
  [[nodiscard]] bool opened() const { return opened_; }
  [[nodiscard]] std::optional<ledger::AccountKey> savedKey() const { return saved_; }
  // The security warning the form opened with, shown once the form is up.
  void showOpeningWarning();

  // OK: saves, or shows the refusal and stays open.
  bool save();

 private:
  void startingEdited();
  void updateOnlineFields();
  // The directory's choices; true when the directory is withheld (changed
  // outside the program and not restored).
  bool fillInstitutions(const QString& select);
  // "Add new" opens the add form, "Download" the restore; then the list is
  // read again.
  void institutionChosen(int index);

  GuiContext& context_;
  FieldBindings bindings_;
  std::optional<ledger::AccountKey> key_;
  std::optional<ledger::AccountKey> saved_;
  std::optional<store::Status> warning_;
  bool opened_ = false;
  QString maskedNumber_;
  QString chosenInstitution_;  // the last institution key chosen, "0" for none
  ledger::AccountFormView shown_;  // as the form opened, for the current balance to follow

  QComboBox* type_;
  QLineEdit* name_;
  QLineEdit* description_;
  QLineEdit* starting_;
  QLabel* current_;
  QLineEdit* checkNumber_;
  DateField* lastImport_;
  QPlainTextEdit* notes_;
  QGroupBox* online_;
  QComboBox* institution_;
  QLineEdit* routing_;
  QLineEdit* number_;
  QLineEdit* userId_;
  QLineEdit* password_;
  QCheckBox* promptPassword_;
};

}  // namespace tallyvane::gui
