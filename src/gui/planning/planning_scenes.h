// Test-only screenshot scenes of the planning windows, driven by
// scripts/screenshots through TALLYVANE_SCREENSHOT_SCENE: "reconcile" (a
// reconciliation in progress with a difference), "investments" (the
// investment register) and "budget" (the new-budget wizard's expense page).
#pragma once

#include <QString>

namespace tallyvane::gui {

class MainWindow;
struct GuiContext;

// True when `scene` is one of these; the scene then saves `path` and ends
// the program itself.
bool RunPlanningScene(MainWindow& window, GuiContext& context, const QString& scene, const QString& path);

}  // namespace tallyvane::gui
