// The security options' password dialogs: change the password (or add one
// when none is set) with hint, recovery address and an optional test mail,
// and remove it. The operations check the fields and show their balloons.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>

#include "gui/qt_prompter.h"
#include "store/ports.h"

namespace tallyvane::gui {

struct GuiContext;

class ChangePasswordDialog final : public QDialog {
 public:
  ChangePasswordDialog(GuiContext& context, QWidget* parent);

  [[nodiscard]] bool adding() const { return adding_; }
  bool save();
  void setMailTransport(store::MailTransport* mail) { mail_ = mail; }

 private:
  GuiContext& context_;
  FieldBindings bindings_;
  bool adding_ = false;
  store::MailTransport* mail_ = nullptr;
  QLineEdit* current_;
  QLineEdit* password_;
  QLineEdit* confirm_;
  QLineEdit* hint_;
  QLineEdit* email_;
  QCheckBox* sendTest_;
};

class RemovePasswordDialog final : public QDialog {
 public:
  RemovePasswordDialog(GuiContext& context, QWidget* parent);
  bool save();

 private:
  GuiContext& context_;
  FieldBindings bindings_;
  QLineEdit* current_;
};

}  // namespace tallyvane::gui
