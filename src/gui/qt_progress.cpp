#include "gui/qt_progress.h"

#include <QApplication>
#include <algorithm>
#include <limits>

namespace tallyvane::gui {
namespace {

constexpr int kShowAfterMilliseconds = 500;

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

QtProgress::QtProgress(QWidget* parent) : dialog_(new QProgressDialog(parent)) {
  dialog_->setWindowModality(Qt::WindowModal);
  dialog_->setMinimumDuration(kShowAfterMilliseconds);
  dialog_->setAutoClose(false);
  dialog_->setAutoReset(false);
  dialog_->setCancelButtonText(QObject::tr("Cancel"));
  dialog_->setRange(0, 100);
  dialog_->setValue(0);
}

QtProgress::~QtProgress() {
  if (dialog_ != nullptr) {
    dialog_->close();
    delete dialog_.data();
  }
}

void QtProgress::setTitle(std::string_view title) {
  if (dialog_ != nullptr) dialog_->setWindowTitle(Text(title));
}

void QtProgress::setText(std::string_view text) {
  if (dialog_ == nullptr) return;
  dialog_->setLabelText(Text(text));
  QApplication::processEvents();
}

void QtProgress::setFraction(long long done, long long total) {
  if (dialog_ == nullptr) return;
  // QProgressDialog counts in int; scale large totals down to a per-mille bar.
  int maximum = 1000;
  int value = 0;
  if (total <= 0) {
    value = 0;
  } else if (total <= std::numeric_limits<int>::max() / 2) {
    maximum = static_cast<int>(total);
    value = static_cast<int>(std::clamp(done, 0LL, total));
  } else {
    value = static_cast<int>(std::clamp(done, 0LL, total) * 1000 / total);
  }
  if (dialog_->maximum() != maximum) dialog_->setMaximum(maximum);
  dialog_->setValue(value);  // a modal progress dialog processes events here
  QApplication::processEvents();
}

bool QtProgress::cancelRequested() const {
  if (dialog_ == nullptr) return true;
  // Work that only asks whether to stop (a mail transfer) still lets the
  // dialog appear, repaint and take the cancel click.
  QApplication::processEvents();
  return dialog_ == nullptr || dialog_->wasCanceled();
}

}  // namespace tallyvane::gui
