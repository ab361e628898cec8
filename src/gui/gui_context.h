// What every window of the program works with: the open book, the program's
// settings, the clock and the prompter that shows questions and balloons.
#pragma once

#include "gui/qt_prompter.h"
#include "store/data_context.h"
#include "store/ports.h"
#include "store/settings.h"

namespace tallyvane::gui {

struct GuiContext {
  store::DataContext& data;
  store::Settings& settings;
  const store::Clock& clock;
  QtPrompter& prompter;
};

}  // namespace tallyvane::gui
