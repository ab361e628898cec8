// Runs tallyvane-cli the way a script would: its own data and config
// folders, HOME pointed at an empty folder, output and status captured.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace tallyvane::cli::testing {

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string ShellQuoted(const std::string& word) {
  std::string out = "'";
  for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class CliRunner {
 public:
  CliResult run(const std::vector<std::string>& args) {
    std::string command = "env -u TALLYVANE_DATA_DIR -u TALLYVANE_CONFIG_DIR -u TALLYVANE_PASSWORD HOME=" +
                          ShellQuoted(home_.path().string()) + " " + ShellQuoted(TALLYVANE_TEST_CLI) +
                          " --data-dir " + ShellQuoted((root_ / "d").string()) + " --config-dir " +
                          ShellQuoted((root_ / "c").string());
    for (const std::string& arg : args) command += " " + ShellQuoted(arg);
    command += " >" + ShellQuoted((root_ / "out").string()) + " 2>" + ShellQuoted((root_ / "err").string()) + " </dev/null";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(root_ / "out"), ReadFile(root_ / "err")};
  }
  [[nodiscard]] std::filesystem::path file(const std::string& name, const std::string& bytes) {
    const auto path = root_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

 private:
  tallyvane::testing::TempDir home_;
  tallyvane::testing::TempDir root_;
};

}  // namespace tallyvane::cli::testing
