#include "gui/dialogs/form_support.h"

#include <QFontDatabase>
#include <QStringList>

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

QString DateFormat(const store::RegionalSettings& regional) {
  const char mark = regional.effectiveDateSeparator();
  const QString separator = QString(QLatin1Char(mark == ' ' ? '/' : mark));
  switch (regional.effectiveDateOrder()) {
    case static_cast<int>(store::DateOrder::DayMonthYear):
      return QStringList{QStringLiteral("dd"), QStringLiteral("MM"), QStringLiteral("yyyy")}.join(separator);
    case static_cast<int>(store::DateOrder::YearMonthDay):
      return QStringList{QStringLiteral("yyyy"), QStringLiteral("MM"), QStringLiteral("dd")}.join(separator);
    default:
      return QStringList{QStringLiteral("MM"), QStringLiteral("dd"), QStringLiteral("yyyy")}.join(separator);
  }
}

QFont MoneyFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSizeF(QFont().pointSizeF());
  return font;
}

}  // namespace tallyvane::gui
