#include "gui/date_field.h"

#include <QCalendarWidget>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QToolButton>
#include <algorithm>

#include "gui/balloon.h"

namespace tallyvane::gui {
namespace {

// The days a data file can store.
const QDate kFirstStorable(1970, 1, 1);
const QDate kLastStorable(2038, 12, 31);

}  // namespace

DateField::DateField(QWidget* parent) : DateField(QDate(2000, 1, 1), parent) {}

DateField::DateField(const QDate& date, QWidget* parent)
    : QWidget(parent),
      format_(QStringLiteral("MM/dd/yyyy")),
      minimum_(kFirstStorable),
      maximum_(kLastStorable),
      edit_(new QLineEdit(this)),
      button_(new QToolButton(this)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(edit_, 1);
  layout->addWidget(button_);
  edit_->setMinimumWidth(edit_->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 12);
  button_->setArrowType(Qt::DownArrow);
  button_->setFocusPolicy(Qt::NoFocus);
  button_->setToolTip(tr("Choose the date on a calendar"));
  button_->setVisible(false);
  setFocusPolicy(Qt::StrongFocus);
  setFocusProxy(edit_);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  edit_->installEventFilter(this);
  connect(edit_, &QLineEdit::textEdited, this, [this] { edited_ = true; });
  connect(button_, &QToolButton::clicked, this, &DateField::openCalendar);
  display(date.isValid() ? std::clamp(date, minimum_, maximum_) : minimum_);
}

void DateField::setDate(const QDate& date) {
  if (!date.isValid()) return;
  take(std::clamp(date, minimum_, maximum_));
}

void DateField::setDisplayFormat(const QString& format) {
  if (format.isEmpty()) return;
  format_ = format;
  if (!edited_) display(date_);
}

void DateField::setCalendarPopup(bool enable) { button_->setVisible(enable); }

void DateField::setMinimumDate(const QDate& date) {
  if (!date.isValid()) return;
  minimum_ = date;
  if (maximum_ < minimum_) maximum_ = minimum_;
  if (date_ < minimum_) take(minimum_);
}

void DateField::setMaximumDate(const QDate& date) {
  if (!date.isValid()) return;
  maximum_ = date;
  if (minimum_ > maximum_) minimum_ = maximum_;
  if (date_ > maximum_) take(maximum_);
}

store::DateOrder DateField::order() const {
  const qsizetype day = format_.indexOf(QLatin1Char('d'));
  const qsizetype month = format_.indexOf(QLatin1Char('M'));
  const qsizetype year = format_.indexOf(QLatin1Char('y'));
  if (year >= 0 && year < day && year < month) return store::DateOrder::YearMonthDay;
  if (day >= 0 && day < month) return store::DateOrder::DayMonthYear;
  return store::DateOrder::MonthDayYear;
}

char DateField::separator() const {
  for (const QChar c : format_) {
    if (!c.isLetter()) return c.toLatin1() != 0 ? c.toLatin1() : '/';
  }
  return '/';
}

void DateField::display(const QDate& date) {
  date_ = date;
  edit_->setText(QLocale::c().toString(date, format_));
  edited_ = false;
}

void DateField::take(const QDate& date) {
  const bool changed = date != date_;
  display(date);
  if (changed) emit dateChanged(date_);
}

bool DateField::commit() {
  if (!edited_) return true;
  const int year = date_.isValid() ? date_.year() : QDate::currentDate().year();
  const std::optional<std::string> read =
      store::ReadTypedDate(edit_->text().toUtf8().toStdString(), order(), year);
  if (!read) {
    refuse(QString::fromStdString(store::TypedDateRefusal(order(), separator())));
    return false;
  }
  const QDate day = QDate::fromString(QString::fromStdString(*read), Qt::ISODate);
  if (!day.isValid() || day < minimum_ || day > maximum_) {
    const QLocale c = QLocale::c();
    refuse(QString::fromStdString(store::TypedDateRangeRefusal(c.toString(minimum_, format_).toStdString(),
                                                               c.toString(maximum_, format_).toStdString())));
    return false;
  }
  take(day);
  return true;
}

void DateField::refuse(const QString& text) {
  // The typed text stays for the user to put right.
  ShowBalloon(this, QString::fromUtf8(store::kTypedDateTitle.data(), static_cast<qsizetype>(store::kTypedDateTitle.size())),
              text);
  edit_->selectAll();
}

void DateField::step(int days) {
  if (edited_ && !commit()) return;
  take(std::clamp(date_.addDays(days), minimum_, maximum_));
  edit_->selectAll();
}

void DateField::openCalendar() {
  if (calendar_) return;
  calendar_ = new QCalendarWidget(this);
  calendar_->setWindowFlags(Qt::Popup);
  calendar_->setAttribute(Qt::WA_DeleteOnClose);
  calendar_->setObjectName(QStringLiteral("calendar"));
  calendar_->setDateRange(minimum_, maximum_);
  calendar_->setSelectedDate(date_);
  auto picked = [this](const QDate& date) {
    setDate(date);
    if (calendar_) calendar_->close();
    edit_->setFocus(Qt::PopupFocusReason);
    edit_->selectAll();
  };
  connect(calendar_, &QCalendarWidget::clicked, this, picked);
  connect(calendar_, &QCalendarWidget::activated, this, picked);
  calendar_->adjustSize();
  calendar_->move(mapToGlobal(QPoint(0, height())));
  calendar_->show();
  calendar_->setFocus(Qt::PopupFocusReason);
}

bool DateField::eventFilter(QObject* watched, QEvent* event) {
  if (watched != edit_) return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (mods != Qt::NoModifier) return false;
    switch (key->key()) {
      case Qt::Key_Tab:
      case Qt::Key_Backtab:
      case Qt::Key_Return:
      case Qt::Key_Enter:
        // A refusal keeps the user in the field; otherwise the key goes on.
        return !commit();
      case Qt::Key_Plus:
        step(1);
        return true;
      case Qt::Key_Minus:
        // While a date is typed with "-" between its parts, "-" is typed.
        if (edited_ && separator() == '-') return false;
        step(-1);
        return true;
      case Qt::Key_Up:
        step(1);
        return true;
      case Qt::Key_Down:
        step(-1);
        return true;
      default:
        return false;
    }
  }
  if (event->type() == QEvent::FocusIn) {
    // Coming to the field by keyboard or with its window, typing replaces
    // the date shown; a click puts the cursor where it lands.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (!edited_ && reason != Qt::MouseFocusReason && reason != Qt::PopupFocusReason) edit_->selectAll();
  }
  if (event->type() == QEvent::FocusOut) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    // A popup (the calendar, a balloon) or another window is no leaving.
    if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason && edited_) commit();
  }
  return false;
}

bool CommitDateFields(QWidget* form) {
  if (form == nullptr) return true;
  for (DateField* field : form->findChildren<DateField*>()) {
    if (!field->isEnabled() || !field->isVisibleTo(form)) continue;
    if (!field->commit()) {
      field->setFocus(Qt::OtherFocusReason);
      return false;
    }
  }
  return true;
}

}  // namespace tallyvane::gui
