// The one date field of every form: a line the date is typed into whole, in
// the book's short-date order, with a calendar button beside it. Tab leaves
// the field, "+" and "-" move the date a day; a typed date is read exactly
// as typed or refused at the field with a balloon, never replaced.
#pragma once

#include <QDate>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "store/dates.h"

class QCalendarWidget;
class QLineEdit;
class QToolButton;

namespace tallyvane::gui {

class DateField final : public QWidget {
  Q_OBJECT

 public:
  explicit DateField(QWidget* parent = nullptr);
  explicit DateField(const QDate& date, QWidget* parent = nullptr);

  // The last day the field took (typed, stepped, picked or set).
  [[nodiscard]] QDate date() const { return date_; }
  // Shows `date`, kept within the field's range.
  void setDate(const QDate& date);

  // A Qt date format ("MM/dd/yyyy"): the order of its day, month and year and
  // its first separator are how dates are shown and read.
  void setDisplayFormat(const QString& format);
  [[nodiscard]] QString displayFormat() const { return format_; }
  void setCalendarPopup(bool enable);
  void setMinimumDate(const QDate& date);
  void setMaximumDate(const QDate& date);
  [[nodiscard]] QDate minimumDate() const { return minimum_; }
  [[nodiscard]] QDate maximumDate() const { return maximum_; }

  // Takes what is typed: true when the field holds a day it can show; false
  // after the refusal was shown at the field (the typed text stays).
  bool commit();
  // True while typed text waits to be read.
  [[nodiscard]] bool edited() const { return edited_; }

  [[nodiscard]] QLineEdit* lineEdit() const { return edit_; }
  [[nodiscard]] QToolButton* calendarButton() const { return button_; }

 signals:
  void dateChanged(const QDate& date);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void display(const QDate& date);
  void take(const QDate& date);
  void step(int days);
  void refuse(const QString& text);
  void openCalendar();
  [[nodiscard]] store::DateOrder order() const;
  [[nodiscard]] char separator() const;

  QString format_;
  QDate date_;
  QDate minimum_;
  QDate maximum_;
  bool edited_ = false;
  QLineEdit* edit_;
  QToolButton* button_;
  QPointer<QCalendarWidget> calendar_;
};

// Reads every date field of a form before it is saved: false when one
// refused what was typed (its balloon shown, the focus on it).
[[nodiscard]] bool CommitDateFields(QWidget* form);

}  // namespace tallyvane::gui
