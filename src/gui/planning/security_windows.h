// The securities list (add, edit, delete, find, find next) and the security
// form, over the core's securities operations.
#pragma once

#include <QDialog>
#include <optional>

#include "gui/dialogs/list_window.h"
#include "gui/qt_prompter.h"
#include "planning/securities.h"

class QLineEdit;

namespace tallyvane::gui {

class SecurityDialog final : public QDialog {
  Q_OBJECT

 public:
  SecurityDialog(GuiContext& context, QWidget* parent, std::optional<planning::SecurityKey> key);

  [[nodiscard]] bool opened() const { return opened_; }
  [[nodiscard]] std::optional<planning::SecurityKey> savedKey() const { return saved_; }
  bool save();

 private:
  GuiContext& context_;
  FieldBindings bindings_;
  planning::SecurityForm form_;
  bool opened_ = true;
  std::optional<planning::SecurityKey> saved_;
  QLineEdit* name_;
  QLineEdit* symbol_;
  QLineEdit* price_;
};

class SecurityWindow final : public ListWindow {
  Q_OBJECT

 public:
  SecurityWindow(GuiContext& context, QWidget* parent);

 protected:
  void refill() override;
  bool runAdd(int32_t& key) override;
  bool runEdit(int32_t& key) override;
  bool runDelete(const std::vector<int32_t>& keys) override;
  Search runFind(const std::string& text) override;
  Search runFindNext() override;

 private:
  planning::SecuritySearch search_;
};

}  // namespace tallyvane::gui
