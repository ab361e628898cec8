// Test-only: with TALLYVANE_SCREENSHOT=<png> set, the program opens one scene
// (TALLYVANE_SCREENSHOT_SCENE: "main", "form" or "split"), saves the screen as
// that PNG and ends; the scene "timing" prints the start and switch times
// instead. scripts/screenshots and bench/gui_bench.sh drive it under Xvfb.
#pragma once

#include "gui/gui_context.h"

namespace tallyvane::gui {

class MainWindow;

void ArmScreenshot(MainWindow& window, GuiContext& context);

}  // namespace tallyvane::gui
