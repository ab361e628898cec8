#include "gui/dialogs/form_support.h"

#include <QFontDatabase>
#include <QLocale>

namespace tallyvane::gui {

void ShowStatus(QtPrompter& prompter, const store::Status& status) {
  if (status.ok || status.declined) return;
  if (status.fileError) {
    prompter.message("Tallyvane", status.message, store::Icon::Error);
    return;
  }
  prompter.balloon(status.field, status.title, status.message);
  FocusRefusedField(prompter, status);
}

void FocusRefusedField(QtPrompter& prompter, const store::Status& status) {
  if (status.ok || status.field.empty()) return;
  if (QWidget* field = prompter.boundWidget(status.field)) field->setFocus(Qt::OtherFocusReason);
}

void ShowSearchStatus(QtPrompter& prompter, const store::Status& status) {
  if (status.ok || status.declined) return;
  prompter.message(status.title, status.message, store::Icon::Information);
}

QString DateFormat() {
  QString format = QLocale().dateFormat(QLocale::ShortFormat);
  if (!format.contains(QLatin1String("yyyy"))) format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
  return format;
}

QFont MoneyFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSizeF(QFont().pointSizeF());
  return font;
}

}  // namespace tallyvane::gui
