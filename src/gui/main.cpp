// tallyvane: the window program.
#include "gui/startup.h"

int main(int argc, char** argv) { return tallyvane::gui::RunWindowProgram(argc, argv); }
