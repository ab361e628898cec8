// The window program's ports: questions as message boxes with exactly the
// core's captions, balloons at bound fields (the window when unbound, no
// stale binding after a form closes), and the progress dialog's cancel.
#include <QDialog>
#include <QMessageBox>
#include <memory>

#include "dialogs_fixture.h"
#include "gui/qt_progress.h"

namespace tallyvane::gui {
namespace {

TEST(QtPrompterTest, AskShowsTheCaptionsAndAnswersWithTheChosenIndex) {
  QWidget window;
  window.show();
  QtPrompter prompter(&window);
  QStringList captions;
  QString title;
  QString text;
  OnNextModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box == nullptr) return;
    title = box->windowTitle();
    text = box->text();
    for (QAbstractButton* button : box->buttons()) captions << button->text();
    for (QAbstractButton* button : box->buttons()) {
      if (button->text() == QLatin1String("Replace Payee")) button->click();
    }
  });
  const std::size_t chosen = prompter.ask("Add Payee", "The payee exists.", {"Cancel", "Replace Payee", "Later"});
  EXPECT_EQ(chosen, 1u);
  EXPECT_EQ(title.toStdString(), "Add Payee");
  EXPECT_EQ(text.toStdString(), "The payee exists.");
  captions.sort();
  EXPECT_EQ(captions, (QStringList{"Cancel", "Later", "Replace Payee"}));

  // Closing the box chooses the last button.
  OnNextModal([](QWidget* modal) { modal->close(); });
  EXPECT_EQ(prompter.ask("Delete", "Sure?", {"Delete", "Cancel"}), 1u);
}

TEST(QtPrompterTest, BalloonsGoToTheBoundFieldAndBindingsEndWithTheForm) {
  ClearLastBalloon();
  QWidget window;
  window.setObjectName("window");
  window.show();
  QtPrompter prompter(&window);
  {
    auto form = std::make_unique<QDialog>(&window);
    auto* name = new QLineEdit(form.get());
    name->setObjectName("name");
    FieldBindings bindings(prompter, form.get());
    bindings.bind("name", name);
    form->show();
    prompter.balloon("name", "Title", "Text");
    ASSERT_TRUE(LastBalloon().anchor);
    EXPECT_EQ(LastBalloon().anchor->objectName().toStdString(), "name");
    EXPECT_EQ(LastBalloon().title.toStdString(), "Title");
    EXPECT_EQ(LastBalloon().text.toStdString(), "Text");
    EXPECT_NE(VisibleBalloon(), nullptr);
    // A key press anywhere puts it away.
    QTest::keyClick(name, Qt::Key_X);
    QTest::qWait(10);
    EXPECT_EQ(VisibleBalloon(), nullptr);
  }
  EXPECT_EQ(prompter.boundWidget("name"), nullptr);
  prompter.balloon("name", "", "Elsewhere");
  ASSERT_TRUE(LastBalloon().anchor);
  EXPECT_NE(LastBalloon().anchor->objectName().toStdString(), "name");
  HideBalloon();
  ClearLastBalloon();
}

TEST(QtProgressTest, CancelButtonIsReportedAndLargeTotalsFit) {
  QWidget window;
  window.show();
  QtProgress progress(&window);
  progress.setTitle("Deleting Accounts");
  progress.setText("Deleting...");
  progress.setFraction(5'000'000'000LL, 10'000'000'000LL);
  EXPECT_EQ(progress.dialog()->windowTitle().toStdString(), "Deleting Accounts");
  EXPECT_EQ(progress.dialog()->value() * 2, progress.dialog()->maximum());
  EXPECT_FALSE(progress.cancelRequested());
  progress.dialog()->cancel();
  EXPECT_TRUE(progress.cancelRequested());
}

}  // namespace
}  // namespace tallyvane::gui
