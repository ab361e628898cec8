// A warning balloon pointing at a form field: a small framed popup with a
// bold title and the message, below the widget. It hides on the next key
// press or click anywhere, or after ten seconds. The last one shown is kept
// so tests can see where a refusal landed and what it said.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

namespace tallyvane::gui {

enum class BalloonIcon { Warning, Information };
void ShowBalloon(QWidget* anchor, const QString& title, const QString& text,
                 BalloonIcon icon = BalloonIcon::Warning);
void HideBalloon();

struct BalloonRecord {
  QPointer<QWidget> anchor;
  QString title;
  QString text;
};
[[nodiscard]] const BalloonRecord& LastBalloon();
void ClearLastBalloon();

// The balloon widget itself while one is shown, else null (for screenshots
// and tests).
[[nodiscard]] QWidget* VisibleBalloon();

}  // namespace tallyvane::gui
