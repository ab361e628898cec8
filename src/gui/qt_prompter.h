// The Prompter port for the window program: questions and messages as
// message boxes with exactly the captions the core passes, and balloons at
// the widget a dialog bound to the core's field name.
#pragma once

#include <QPointer>
#include <QWidget>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/ports.h"

namespace tallyvane::gui {

class QtPrompter : public store::Prompter {  // not final: tests script ask()
 public:
  explicit QtPrompter(QWidget* parent = nullptr);

  void setParentWidget(QWidget* parent);
  [[nodiscard]] QWidget* parentWidget() const { return parent_; }

  // The widget a field's balloon points at. A dialog binds its fields when it
  // opens and unbinds them when it closes; a later binding of the same name
  // wins, so a form opened over another gets its own balloons.
  void bindField(std::string_view field, QWidget* widget);
  // Drops every binding to `owner` or one of its children.
  void unbindFields(QWidget* owner);
  [[nodiscard]] QWidget* boundWidget(std::string_view field) const;

  [[nodiscard]] std::size_t ask(std::string_view title, std::string_view message,
                                const std::vector<std::string>& buttons, store::Icon icon = store::Icon::Question) override;
  void message(std::string_view title, std::string_view text, store::Icon icon = store::Icon::Information) override;
  void balloon(std::string_view field, std::string_view title, std::string_view text) override;

 private:
  [[nodiscard]] QWidget* dialogParent() const;

  QPointer<QWidget> parent_;
  std::vector<std::pair<std::string, QPointer<QWidget>>> bindings_;
};

// Binds a dialog's fields for as long as the dialog is open.
class FieldBindings {
 public:
  FieldBindings(QtPrompter& prompter, QWidget* owner) : prompter_(prompter), owner_(owner) {}
  FieldBindings(const FieldBindings&) = delete;
  FieldBindings& operator=(const FieldBindings&) = delete;
  ~FieldBindings() { prompter_.unbindFields(owner_); }
  void bind(std::string_view field, QWidget* widget) { prompter_.bindField(field, widget); }

 private:
  QtPrompter& prompter_;
  QWidget* owner_;
};

}  // namespace tallyvane::gui
