// The add-institution form of the directory: name, ID, organization, server
// URL, port and bank ID, each with its hint; OK adds the row through the
// core, whose refusals show as balloons at the name or URL field.
#pragma once

#include <QDialog>
#include <string>

#include "gui/qt_prompter.h"

class QLineEdit;

namespace tallyvane::gui {

struct GuiContext;

class AddInstitutionDialog final : public QDialog {
 public:
  AddInstitutionDialog(GuiContext& context, QWidget* parent);
  ~AddInstitutionDialog() override;

  bool save();
  [[nodiscard]] const std::string& added() const { return added_; }

 private:
  GuiContext& context_;
  FieldBindings bindings_;
  std::string added_;
  QLineEdit* name_;
  QLineEdit* fid_;
  QLineEdit* org_;
  QLineEdit* url_;
  QLineEdit* port_;
  QLineEdit* bankId_;
};

}  // namespace tallyvane::gui
