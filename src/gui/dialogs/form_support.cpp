#include "gui/dialogs/form_support.h"

#include <QFontDatabase>

namespace tallyvane::gui {

void ShowStatus(QtPrompter& prompter, const store::Status& status) {
  if (status.ok || status.declined) return;
  if (status.fileError) {
    prompter.message("Tallyvane", status.message, store::Icon::Error);
    return;
  }
  prompter.balloon(status.field, status.title, status.message);
}

void ShowSearchStatus(QtPrompter& prompter, const store::Status& status) {
  if (status.ok || status.declined) return;
  prompter.message(status.title, status.message, store::Icon::Information);
}

QFont MoneyFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSizeF(QFont().pointSizeF());
  return font;
}

}  // namespace tallyvane::gui
