// Test-only screenshot scenes of the statement windows, armed by the main
// window's screenshot hook: "review" (the review of the statement file
// TALLYVANE_SCREENSHOT_OFX, part of it written before so duplicates show)
// "csv" (the field matching of TALLYVANE_SCREENSHOT_CSV, a few fields
// assigned), "csv-done" (the same imported, on its closing message) and
// "retrieve" (retrieval from the loopback bank scripts/screenshots starts,
// photographed on the review it ends in).
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace tallyvane::gui {

struct GuiContext;
class MainWindow;

using WhenModalOpensFn = std::function<void(const QString& path, std::function<void(QWidget*)> act)>;

// True when `scene` is one of these; the scene then runs and ends the program.
bool RunStatementScene(const QString& scene, MainWindow& window, GuiContext& context, const QString& path,
                       const WhenModalOpensFn& whenModalOpens,
                       const std::function<void(const QString& path)>& whenMessageShows);

}  // namespace tallyvane::gui
