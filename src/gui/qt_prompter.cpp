#include "gui/qt_prompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

#include "gui/balloon.h"
#include "gui/qt_progress.h"

namespace tallyvane::gui {
namespace {

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QMessageBox::Icon BoxIcon(store::Icon icon) {
  switch (icon) {
    case store::Icon::Information:
      return QMessageBox::Information;
    case store::Icon::Warning:
      return QMessageBox::Warning;
    case store::Icon::Error:
      return QMessageBox::Critical;
    case store::Icon::Question:
      return QMessageBox::Question;
    case store::Icon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

QtPrompter::QtPrompter(QWidget* parent) : parent_(parent) {}

void QtPrompter::setParentWidget(QWidget* parent) { parent_ = parent; }

void QtPrompter::bindField(std::string_view field, QWidget* widget) {
  bindings_.emplace_back(std::string(field), widget);
}

void QtPrompter::unbindFields(QWidget* owner) {
  std::erase_if(bindings_, [owner](const auto& binding) {
    const QWidget* widget = binding.second;
    if (widget == nullptr) return true;  // destroyed already
    return widget == owner || owner->isAncestorOf(widget);
  });
}

QWidget* QtPrompter::boundWidget(std::string_view field) const {
  for (auto it = bindings_.rbegin(); it != bindings_.rend(); ++it) {
    if (it->first == field && it->second != nullptr) return it->second;
  }
  return nullptr;
}

QWidget* QtPrompter::dialogParent() const {
  // A progress window is never the parent: it is out of the way by now.
  auto usable = [](QWidget* window) -> QWidget* {
    while (window != nullptr && IsProgressWindow(window)) {
      window = window->parentWidget() != nullptr ? window->parentWidget()->window() : nullptr;
    }
    return window;
  };
  if (QWidget* modal = usable(QApplication::activeModalWidget())) return modal;
  if (QWidget* active = usable(QApplication::activeWindow())) return active;
  return parent_;
}

std::size_t QtPrompter::ask(std::string_view title, std::string_view message, const std::vector<std::string>& buttons,
                            store::Icon icon) {
  // A question never opens under a progress window: its input would go there.
  HideProgressWindows();
  QMessageBox box(BoxIcon(icon), Text(title), Text(message), QMessageBox::NoButton, dialogParent());
  std::vector<QAbstractButton*> added;
  added.reserve(buttons.size());
  for (const std::string& caption : buttons) {
    // The roles only place the buttons; the captions are the core's own.
    added.push_back(box.addButton(Text(caption), QMessageBox::ActionRole));
  }
  if (!added.empty()) {
    box.setDefaultButton(static_cast<QPushButton*>(added.front()));
    box.setEscapeButton(added.back());
  }
  box.exec();
  const auto chosen = std::find(added.begin(), added.end(), box.clickedButton());
  if (chosen == added.end()) return buttons.empty() ? 0 : buttons.size() - 1;
  return static_cast<std::size_t>(chosen - added.begin());
}

void QtPrompter::message(std::string_view title, std::string_view text, store::Icon icon) {
  HideProgressWindows();
  QMessageBox box(BoxIcon(icon), Text(title), Text(text), QMessageBox::Ok, dialogParent());
  box.exec();
}

void QtPrompter::balloon(std::string_view field, std::string_view title, std::string_view text) {
  QWidget* anchor = boundWidget(field);
  if (anchor == nullptr) anchor = dialogParent();
  ShowBalloon(anchor, Text(title), Text(text));
}

}  // namespace tallyvane::gui
