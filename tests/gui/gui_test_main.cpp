// The window tests share one QApplication; without a display they draw
// offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "gui/startup.h"

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  QApplication app(argc, argv);
  tallyvane::gui::InitGuiResources();
  QApplication::setStyle(QStringLiteral("Fusion"));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
