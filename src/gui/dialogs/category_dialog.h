// The add / edit category form: name, kind, the parent-category flag, the
// parent and the default tax choice; saved through the category form
// operation, a refusal shown at its field.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <optional>

#include "gui/qt_prompter.h"
#include "ledger/categories.h"

namespace tallyvane::gui {

struct GuiContext;

class CategoryDialog final : public QDialog {
 public:
  CategoryDialog(GuiContext& context, QWidget* parent, std::optional<ledger::CategoryKey> key, bool expense = true);

  [[nodiscard]] bool opened() const { return opened_; }
  [[nodiscard]] std::optional<ledger::CategoryKey> savedKey() const { return saved_; }
  bool save();

 private:
  void fillParents();
  void updateFields();

  GuiContext& context_;
  FieldBindings bindings_;
  std::optional<ledger::CategoryKey> key_;
  std::optional<ledger::CategoryKey> saved_;
  bool opened_ = true;
  bool headerLocked_ = false;

  QLineEdit* name_;
  QRadioButton* expense_;
  QRadioButton* income_;
  QCheckBox* header_;
  QComboBox* parent_;
  QCheckBox* taxDeductible_;
};

}  // namespace tallyvane::gui
