#include "gui/qt_progress.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <algorithm>
#include <limits>

namespace tallyvane::gui {
namespace {

constexpr int kShowAfterMilliseconds = 500;
// Work reports far more often than a window needs repainting.
constexpr int kPumpEveryMilliseconds = 10;
constexpr const char* kProgressMark = "tallyvaneProgress";
// The modal window that was up when the work started, compared, never used.
constexpr const char* kStartedFrom = "tallyvaneProgressStartedFrom";

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// A window that a progress window must not cover: any dialog (questions,
// messages, pickers, prompts, the import review) or other modal window.
// Pop-ups and balloons are not in the way.
bool TakesInput(const QWidget* window) {
  const Qt::WindowType type = window->windowType();
  if (type == Qt::ToolTip || type == Qt::Popup || type == Qt::SplashScreen) return false;
  return window->isModal() || qobject_cast<const QDialog*>(window) != nullptr;
}

}  // namespace

// Hides the window the moment another window that takes input is about to
// show: the show event comes before the window system shows it, so the new
// window is the one activated.
class QtProgress::Watcher final : public QObject {
 public:
  explicit Watcher(const QtProgress& owner) : owner_(owner) {
    if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Show || !watched->isWidgetType()) return false;
    auto* window = static_cast<QWidget*>(watched);
    if (!window->isWindow() || IsProgressWindow(window) || !TakesInput(window)) return false;
    if (owner_.dialog_ != nullptr && owner_.dialog_->isVisible()) owner_.dialog_->hide();
    return false;
  }

 private:
  const QtProgress& owner_;
};

QtProgress::QtProgress(QWidget* parent) : parent_(parent) {}

QtProgress::~QtProgress() { finish(); }

void QtProgress::setTitle(std::string_view title) {
  title_ = Text(title);
  if (dialog_ != nullptr) dialog_->setWindowTitle(title_);
}

void QtProgress::setText(std::string_view text) {
  text_ = Text(text);
  if (dialog_ == nullptr) return;
  dialog_->setLabelText(text_);
  report();
}

void QtProgress::setFraction(long long done, long long total) {
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
  maximum_ = maximum;
  value_ = value;
  report();
}

bool QtProgress::cancelRequested() const {
  report();
  if (finished_) return false;
  // The window went with the window it belonged to: nobody is left to wait.
  if (dialog_ == nullptr) return true;
  return dialog_->wasCanceled();
}

void QtProgress::finish() {
  finished_ = true;
  watcher_.reset();
  if (dialog_ != nullptr) {
    dialog_->hide();
    delete dialog_.data();
  }
}

void QtProgress::start() const {
  started_ = true;
  modalAtStart_ = QApplication::activeModalWidget();
  sinceStart_.start();
  auto* dialog = new QProgressDialog(parent_);
  dialog->setObjectName(QStringLiteral("progressWindow"));
  dialog->setProperty(kProgressMark, true);
  dialog->setProperty(kStartedFrom, QVariant::fromValue(static_cast<void*>(modalAtStart_.data())));
  // Application-modal while shown, so keys typed during the work reach no
  // window behind it.
  dialog->setWindowModality(Qt::ApplicationModal);
  dialog->setAutoClose(false);
  dialog->setAutoReset(false);
  // Shown by report() alone: the dialog's own timer would show it over a
  // question that opened meanwhile.
  dialog->setMinimumDuration(std::numeric_limits<int>::max());
  dialog->setRange(0, 100);
  dialog->setValue(0);
  dialog->setCancelButtonText(QObject::tr("Cancel"));
  dialog->setWindowTitle(title_);
  dialog->setLabelText(text_);
  dialog_ = dialog;
  watcher_ = std::make_unique<Watcher>(*this);
}

bool QtProgress::mayShow() const {
  const QWidget* modal = QApplication::activeModalWidget();
  if (modal == nullptr || modal == dialog_ || modal == modalAtStart_ || IsProgressWindow(modal)) return true;
  // Work started from a modal window runs under that window's progress.
  return parent_ != nullptr && (modal == parent_->window() || modal->isAncestorOf(parent_));
}

void QtProgress::report() const {
  if (finished_) return;
  if (!started_) start();
  if (dialog_ == nullptr) return;
  if (!dialog_->isVisible() && sinceStart_.elapsed() >= kShowAfterMilliseconds && mayShow()) {
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
  }
  const bool shown = dialog_->isVisible();
  // The bar is set only while shown: a hidden QProgressDialog given a value
  // may decide to show itself.
  if (shown) {
    if (dialog_->maximum() != maximum_) dialog_->setMaximum(maximum_);
    if (dialog_->value() != value_) dialog_->setValue(value_);
  }
  if (sincePump_.isValid() && sincePump_.elapsed() < kPumpEveryMilliseconds) return;
  sincePump_.start();
  // The work runs on the window thread, and lets the window repaint and
  // Cancel be pressed from here. It is not moved to a thread of its own: a
  // restore closes and reopens the program's one SQLite connection, which the
  // windows read from as they repaint, and the work asks its questions and
  // writes the settings as it goes. While no progress window shows, what is
  // typed waits rather than reaching the windows behind.
  QApplication::processEvents(shown ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
}

void HideProgressWindows() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (IsProgressWindow(window) && window->isVisible()) window->hide();
  }
}

bool IsProgressWindow(const QWidget* window) {
  return window != nullptr && window->property(kProgressMark).toBool();
}

bool WorkUnderWay() {
  const QWidgetList windows = QApplication::topLevelWidgets();
  return std::any_of(windows.begin(), windows.end(), [](const QWidget* window) { return IsProgressWindow(window); });
}

bool PartOfWorkUnderWay(const QWidget* window) {
  if (window == nullptr) return false;
  for (const QWidget* progress : QApplication::topLevelWidgets()) {
    if (!IsProgressWindow(progress)) continue;
    if (progress == window || progress->property(kStartedFrom).value<void*>() == window) return true;
  }
  return false;
}

}  // namespace tallyvane::gui
