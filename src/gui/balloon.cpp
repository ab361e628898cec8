#include "gui/balloon.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QGridLayout>

namespace tallyvane::gui {
namespace {

constexpr int kBalloonMilliseconds = 10000;
constexpr int kMaxTextWidth = 360;

class BalloonPopup final : public QFrame {
 public:
  BalloonPopup(QWidget* anchor, const QString& title, const QString& text, BalloonIcon kind)
      : QFrame(anchor ? anchor->window() : nullptr, Qt::ToolTip | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("balloon"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFrameShape(QFrame::Box);
    setForegroundRole(QPalette::ToolTipText);
    setBackgroundRole(QPalette::ToolTipBase);
    setAutoFillBackground(true);

    // The icon stands beside the title and the text; without a title the
    // text takes the title's line.
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(10, 8, 12, 8);
    layout->setHorizontalSpacing(8);
    layout->setVerticalSpacing(3);
    auto* icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize);
    const auto pixmap = kind == BalloonIcon::Warning ? QStyle::SP_MessageBoxWarning : QStyle::SP_MessageBoxInformation;
    icon->setPixmap(style()->standardIcon(pixmap).pixmap(iconSize, iconSize));
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    int row = 0;
    titleLabel_ = new QLabel(title, this);
    titleLabel_->setObjectName(QStringLiteral("balloonTitle"));
    QFont bold = titleLabel_->font();
    bold.setBold(true);
    titleLabel_->setFont(bold);
    titleLabel_->setTextFormat(Qt::PlainText);
    if (title.isEmpty()) {
      titleLabel_->hide();
    } else {
      layout->addWidget(titleLabel_, row++, 1);
    }
    textLabel_ = new QLabel(text, this);
    textLabel_->setObjectName(QStringLiteral("balloonText"));
    textLabel_->setTextFormat(Qt::PlainText);
    textLabel_->setWordWrap(true);
    // Word-wrapped labels report a narrow size hint; give long messages a
    // sensible line length instead of a tall thin column.
    const int natural = textLabel_->fontMetrics().horizontalAdvance(text) + 2;
    textLabel_->setMinimumWidth(qMin(natural, kMaxTextWidth));
    layout->addWidget(textLabel_, row, 1);
    layout->setColumnStretch(1, 1);

    connect(&timer_, &QTimer::timeout, this, &QWidget::close);
    timer_.setSingleShot(true);
    timer_.start(kBalloonMilliseconds);
    qApp->installEventFilter(this);
    place(anchor);
  }

  ~BalloonPopup() override { qApp->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::MouseButtonPress:
      case QEvent::NonClientAreaMouseButtonPress:
        // Defer the close: the event is still being delivered.
        QTimer::singleShot(0, this, &QWidget::close);
        break;
      default:
        break;
    }
    return QFrame::eventFilter(watched, event);
  }

 private:
  void place(QWidget* anchor) {
    adjustSize();
    if (anchor == nullptr) return;
    QPoint at = anchor->mapToGlobal(QPoint(qMin(16, anchor->width() / 2), anchor->height()));
    if (const QScreen* screen = anchor->screen()) {
      const QRect area = screen->availableGeometry();
      if (at.x() + width() > area.right()) at.setX(qMax(area.left(), area.right() - width()));
      if (at.y() + height() > area.bottom()) at.setY(anchor->mapToGlobal(QPoint(0, 0)).y() - height());
    }
    move(at);
  }

  QLabel* titleLabel_ = nullptr;
  QLabel* textLabel_ = nullptr;
  QTimer timer_;
};

BalloonRecord& Record() {
  static BalloonRecord record;
  return record;
}

QPointer<BalloonPopup>& Current() {
  static QPointer<BalloonPopup> current;
  return current;
}

}  // namespace

void ShowBalloon(QWidget* anchor, const QString& title, const QString& text, BalloonIcon icon) {
  HideBalloon();
  Record() = BalloonRecord{anchor, title, text};
  auto* popup = new BalloonPopup(anchor, title, text, icon);
  Current() = popup;
  popup->show();
}

void HideBalloon() {
  if (BalloonPopup* popup = Current()) {
    popup->close();
    Current() = nullptr;
  }
}

const BalloonRecord& LastBalloon() { return Record(); }

void ClearLastBalloon() { Record() = BalloonRecord{}; }

QWidget* VisibleBalloon() { return Current(); }

}  // namespace tallyvane::gui
