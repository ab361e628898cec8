// Progress whose window is made only when the work first reports to it. A
// QProgressDialog counts its half-second delay from when it is made, so one
// made before a question or a password prompt would pop up, empty, over it.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <string_view>

#include "gui/qt_progress.h"
#include "store/ports.h"

namespace tallyvane::gui {

class LazyProgress final : public store::Progress {
 public:
  explicit LazyProgress(QWidget* parent) : parent_(parent) {}

  void setTitle(std::string_view title) override { made().setTitle(title); }
  void setText(std::string_view text) override { made().setText(text); }
  void setFraction(long long done, long long total) override { made().setFraction(done, total); }
  [[nodiscard]] bool cancelRequested() const override { return made().cancelRequested(); }

  // The window, once made (null before).
  [[nodiscard]] QProgressDialog* dialog() const { return progress_ ? progress_->dialog() : nullptr; }

 private:
  QtProgress& made() const {
    if (!progress_) progress_ = std::make_unique<QtProgress>(parent_);
    return *progress_;
  }

  QPointer<QWidget> parent_;
  mutable std::unique_ptr<QtProgress> progress_;
};

}  // namespace tallyvane::gui
