// ofx show.
#include "cli/cli.h"

namespace tallyvane::cli {

void AddOfxCommands(std::vector<Command>&) {}

}  // namespace tallyvane::cli
