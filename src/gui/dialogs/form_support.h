// Small helpers every form and list window shares: text conversion between
// the core's UTF-8 and Qt, showing a refused operation at its field, and the
// look of money cells.
#pragma once

#include <QFont>
#include <QString>
#include <string>
#include <string_view>

#include "gui/qt_prompter.h"
#include "store/regional.h"
#include "store/status.h"

namespace tallyvane::gui {

[[nodiscard]] inline QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
[[nodiscard]] inline std::string S(const QString& text) { return text.toUtf8().toStdString(); }

// A refusal the operation returned without showing it: a balloon at its
// field (or the window when it names none); a file error as a message box.
// A declined question says nothing more.
void ShowStatus(QtPrompter& prompter, const store::Status& status);

// After a refusal the field it names gets the focus, so the user can put it
// right; hints leave the focus where the user moved it.
void FocusRefusedField(QtPrompter& prompter, const store::Status& status);

// A find result: a message box with the core's title and text.
void ShowSearchStatus(QtPrompter& prompter, const store::Status& status);

// A date picker's format: the order and separator of the book's regional
// settings, with a four-digit year so no century is guessed.
[[nodiscard]] QString DateFormat(const store::RegionalSettings& regional);

// Digits that line up in a column of amounts.
[[nodiscard]] QFont MoneyFont();

}  // namespace tallyvane::gui
