// tallyvane-cli: scripted, headless access to the same operations as the
// window application.
#include <iostream>

#include "cli/cli.h"

int main(int argc, char** argv) { return tallyvane::cli::RunCli(argc, argv, std::cin, std::cout, std::cerr); }
