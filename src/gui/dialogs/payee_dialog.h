// The add / edit payee form: name and notes, saved through the payee form
// operation, which asks before taking over an existing payee of that name.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <optional>

#include "gui/qt_prompter.h"
#include "ledger/payees.h"

namespace tallyvane::gui {

struct GuiContext;

class PayeeDialog final : public QDialog {
 public:
  PayeeDialog(GuiContext& context, QWidget* parent, std::optional<ledger::PayeeKey> key);

  [[nodiscard]] bool opened() const { return opened_; }
  [[nodiscard]] std::optional<ledger::PayeeKey> savedKey() const { return saved_; }
  bool save();

 private:
  GuiContext& context_;
  FieldBindings bindings_;
  std::optional<ledger::PayeeKey> key_;
  std::optional<ledger::PayeeKey> saved_;
  bool opened_ = true;
  QLineEdit* name_;
  QPlainTextEdit* notes_;
};

}  // namespace tallyvane::gui
