// A data file from the template, a fixed clock and a prompter whose questions
// and message boxes are scripted (balloons are real, so they land at the
// widget the window bound), for driving the ledger's windows offscreen.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <functional>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWidget>
#include <string>
#include <vector>

#include "gui/balloon.h"
#include "gui/gui_context.h"
#include "gui/qt_prompter.h"
#include "ledger/entry.h"
#include "ledger/transactions.h"
#include "store/dates.h"
#include "store/record.h"
#include "store/text.h"
#include "support/test_support.h"

namespace tallyvane::gui {

// Runs `act` on the next modal window to come up (a window's exec() does
// not return until something closes it).
inline void OnNextModal(std::function<void(QWidget*)> act) {
  QWidget* before = QApplication::activeModalWidget();
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, before, act = std::move(act)] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == before) return;
    timer->stop();
    timer->deleteLater();
    act(modal);
  });
  timer->start();
}

class ScriptedPrompter final : public QtPrompter {
 public:
  struct Shown {
    std::string title;
    std::string text;
    std::vector<std::string> buttons;
  };
  void answer(std::string caption) { answers_.push_back(std::move(caption)); }

  std::size_t ask(std::string_view title, std::string_view message, const std::vector<std::string>& buttons,
                  store::Icon) override {
    asked.push_back({std::string(title), std::string(message), buttons});
    if (next_ < answers_.size()) {
      const std::string& caption = answers_[next_++];
      for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i] == caption) return i;
      }
    }
    return buttons.empty() ? 0 : buttons.size() - 1;
  }
  void message(std::string_view title, std::string_view text, store::Icon) override {
    messages.push_back({std::string(title), std::string(text), {}});
  }

  std::vector<Shown> asked;
  std::vector<Shown> messages;

 private:
  std::vector<std::string> answers_;
  std::size_t next_ = 0;
};

class DialogTest : public ::testing::Test {
 protected:
  DialogTest() : zone_("America/New_York"), clock_(store::DateTextToTime("2026-12-10", "12:00:00")) {
    test_.context().setClock(clock_);
    ClearLastBalloon();
  }
  ~DialogTest() override {
    HideBalloon();
    ClearLastBalloon();
  }

  store::DataContext& data() { return test_.context(); }
  store::Db& db() { return test_.db(); }
  std::string Text(const std::string& sql) { return store::QueryFirstText(db(), sql); }
  int64_t Number(const std::string& sql) { return store::ParseInt64Prefix(Text(sql)); }

  // The template's accounts.
  static constexpr ledger::AccountKey kChecking = 1;
  static constexpr ledger::AccountKey kSavings = 2;

  // A window shown and active, so focus moves as it does for a user.
  static void Show(QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  template <typename W>
  static W* Field(QWidget& window, const char* name) {
    W* widget = window.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << "no field " << name;
    return widget;
  }

  // Types into a field the way a user does: focus, select all, type.
  static void Type(QWidget* field, const QString& text) {
    ASSERT_NE(field, nullptr);
    field->setFocus(Qt::TabFocusReason);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty()) {
      QTest::keyClick(field, Qt::Key_Delete);
    } else {
      QTest::keyClicks(field, text);
    }
  }

  // The field its window gives the keyboard to: the offscreen platform may
  // leave the window itself inactive, so the application's focus can be none.
  static bool HasFocus(const QWidget* field) {
    if (field == nullptr) return false;
    const QWidget* focus = field->window()->focusWidget();
    return focus != nullptr && (focus == field || field->isAncestorOf(focus));
  }

  static void Click(QWidget& window, const char* button) {
    auto* b = Field<QPushButton>(window, button);
    ASSERT_NE(b, nullptr);
    QTest::mouseClick(b, Qt::LeftButton);
  }

  // The last balloon, as "anchor name|title|text".
  static std::string Balloon() {
    const BalloonRecord& last = LastBalloon();
    if (last.text.isEmpty()) return {};
    const QString anchor = last.anchor ? last.anchor->objectName() : QStringLiteral("(none)");
    return (anchor + QLatin1Char('|') + last.title + QLatin1Char('|') + last.text).toStdString();
  }

  tallyvane::testing::ScopedTimeZone zone_;
  tallyvane::testing::TestData test_;
  tallyvane::testing::FixedClock clock_;
  ScriptedPrompter prompter_;
  GuiContext context_{test_.context(), test_.settings(), clock_, prompter_};
};

}  // namespace tallyvane::gui
