// The Progress port of the window program, and its only progress window. The
// window exists only while work runs: it is made when the work first reports,
// shows once the work has lasted half a second, gives way to every question,
// picker or message that opens meanwhile (and comes back when the work goes on
// after it), and is gone when the work is done. A Cancel pressed after that
// changes nothing.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <QWidget>
#include <memory>
#include <string_view>

#include "store/ports.h"

namespace tallyvane::gui {

class QtProgress final : public store::Progress {
 public:
  explicit QtProgress(QWidget* parent);
  QtProgress(const QtProgress&) = delete;
  QtProgress& operator=(const QtProgress&) = delete;
  ~QtProgress() override;

  // Titles and texts are kept until the work starts; they show with the window.
  void setTitle(std::string_view title) override;
  void setText(std::string_view text) override;
  // The first step reported starts the work (and its half-second wait).
  void setFraction(long long done, long long total) override;
  // Asking whether to stop counts as a report too: work that only asks (a
  // transfer) still gets its window and its Cancel.
  [[nodiscard]] bool cancelRequested() const override;

  // The work is over: the window goes, and later reports and Cancels do
  // nothing. The destructor does the same.
  void finish();

  // The window, once the work has started (null before and after).
  [[nodiscard]] QProgressDialog* dialog() const { return dialog_; }

 private:
  class Watcher;
  void report() const;
  void start() const;
  [[nodiscard]] bool mayShow() const;

  QPointer<QWidget> parent_;
  QString title_;
  QString text_;
  int maximum_ = 100;
  int value_ = 0;
  bool finished_ = false;
  mutable bool started_ = false;
  mutable QPointer<QProgressDialog> dialog_;
  mutable QPointer<QWidget> modalAtStart_;
  mutable QElapsedTimer sinceStart_;
  mutable QElapsedTimer sincePump_;
  mutable std::unique_ptr<Watcher> watcher_;
};

// Every progress window of the program out of the way, before a question, a
// folder picker or a message opens over it.
void HideProgressWindows();

// Whether `window` is one of the program's progress windows.
[[nodiscard]] bool IsProgressWindow(const QWidget* window);

// Whether some work with a progress window is under way.
[[nodiscard]] bool WorkUnderWay();
// Whether `window` is part of work under way rather than in front of it: its
// progress window, or the modal window the work was started from.
[[nodiscard]] bool PartOfWorkUnderWay(const QWidget* window);

}  // namespace tallyvane::gui
