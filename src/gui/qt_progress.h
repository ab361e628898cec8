// The Progress port over a modal QProgressDialog with a cancel button. It
// appears only when the work lasts longer than half a second, and every
// update lets the window repaint and the cancel button be pressed.
#pragma once

#include <QPointer>
#include <QProgressDialog>
#include <QWidget>
#include <string_view>

#include "store/ports.h"

namespace tallyvane::gui {

class QtProgress final : public store::Progress {
 public:
  explicit QtProgress(QWidget* parent);
  QtProgress(const QtProgress&) = delete;
  QtProgress& operator=(const QtProgress&) = delete;
  ~QtProgress() override;

  void setTitle(std::string_view title) override;
  void setText(std::string_view text) override;
  void setFraction(long long done, long long total) override;
  [[nodiscard]] bool cancelRequested() const override;

  [[nodiscard]] QProgressDialog* dialog() const { return dialog_; }

 private:
  QPointer<QProgressDialog> dialog_;
};

}  // namespace tallyvane::gui
