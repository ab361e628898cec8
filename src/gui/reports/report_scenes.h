// Test-only scenes of the report and settings windows for the screenshots:
// "report-chart", "print-preview", "net-worth" and "options"; "print-timing"
// prints how long the current account's whole register takes to print.
#pragma once

#include <QString>

#include "gui/gui_context.h"

namespace tallyvane::gui {

class MainWindow;

// Opens the scene and saves the screen as `path` once it is up; false when
// the scene is not one of these.
bool RunReportScene(const QString& scene, const QString& path, MainWindow& window, GuiContext& context);

}  // namespace tallyvane::gui
