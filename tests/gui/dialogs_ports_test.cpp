// The window program's ports: questions as message boxes with exactly the
// core's captions, balloons at bound fields (the window when unbound, no
// stale binding after a form closes), and the progress window:
// only while work runs, out of the way of every dialog, deaf to a late Cancel.
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
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
  EXPECT_EQ(progress.dialog(), nullptr) << "no window before the work reports";
  progress.setFraction(1, 10'000'000'000LL);
  ASSERT_NE(progress.dialog(), nullptr);
  EXPECT_FALSE(progress.dialog()->isVisible()) << "short work shows no window";
  QTest::qWait(550);
  progress.setFraction(5'000'000'000LL, 10'000'000'000LL);
  ASSERT_TRUE(progress.dialog()->isVisible());
  EXPECT_EQ(progress.dialog()->windowTitle().toStdString(), "Deleting Accounts");
  EXPECT_EQ(progress.dialog()->labelText().toStdString(), "Deleting...");
  EXPECT_EQ(progress.dialog()->value() * 2, progress.dialog()->maximum());
  EXPECT_FALSE(progress.cancelRequested());
  progress.dialog()->cancel();
  EXPECT_TRUE(progress.cancelRequested());
}

TEST(QtProgressTest, ACancelAfterTheWorkIsDoneChangesNothing) {
  QWidget window;
  window.show();
  QtProgress progress(&window);
  progress.setFraction(1, 2);
  QTest::qWait(550);
  progress.setFraction(2, 2);
  QPointer<QProgressDialog> dialog = progress.dialog();
  ASSERT_TRUE(dialog && dialog->isVisible());
  progress.finish();
  EXPECT_TRUE(dialog.isNull()) << "the window is gone with the work";
  EXPECT_FALSE(progress.cancelRequested());
  progress.setFraction(1, 2);
  EXPECT_EQ(progress.dialog(), nullptr) << "a report after the end brings no window back";
}

TEST(QtProgressTest, TheWindowGivesWayToEveryDialogAndComesBackWithTheWork) {
  QWidget window;
  window.show();
  QtPrompter prompter(&window);
  QtProgress progress(&window);
  progress.setFraction(0, 3);
  // The work waits on a question longer than the window's delay: the window
  // neither shows over it nor takes its input.
  bool boxOnTop = false;
  OnNextModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box == nullptr) return;
    QTest::qWait(700);
    boxOnTop = QApplication::activeModalWidget() == box && !progress.dialog()->isVisible();
    box->buttons().front()->click();
  });
  EXPECT_EQ(prompter.ask("Question", "Go on?", {"Yes", "No"}), 0u);
  EXPECT_TRUE(boxOnTop);
  progress.setFraction(1, 3);
  ASSERT_TRUE(progress.dialog()->isVisible()) << "the work goes on, and so does its window";
  EXPECT_EQ(QApplication::activeModalWidget(), progress.dialog());

  // Any dialog that opens during the work (a picker, a prompt) puts it away.
  QDialog prompt(&window);
  bool promptOnTop = false;
  QTimer::singleShot(50, &prompt, [&] {
    promptOnTop = QApplication::activeModalWidget() == &prompt && !progress.dialog()->isVisible();
    prompt.reject();
  });
  prompt.exec();
  EXPECT_TRUE(promptOnTop);
  EXPECT_FALSE(progress.cancelRequested());
  EXPECT_TRUE(progress.dialog()->isVisible());
}

}  // namespace
}  // namespace tallyvane::gui
