// Runs tallyvane-cli the way a script would: its own data and config
// folders, HOME pointed at an empty folder and the XDG folders unset, output
// and status captured. Every command-line test goes through it.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
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
  // With this runner's data and config folders.
  CliResult run(const std::vector<std::string>& args) {
    std::vector<std::string> full = {"--data-dir", dataDir().string(), "--config-dir", configDir().string()};
    full.insert(full.end(), args.begin(), args.end());
    return runBare(full);
  }
  // Exactly the given words, for tests of the folders themselves.
  CliResult runBare(const std::vector<std::string>& args, const std::string& binary = TALLYVANE_TEST_CLI) {
    std::string command = "env -u TALLYVANE_DATA_DIR -u TALLYVANE_CONFIG_DIR -u TALLYVANE_PASSWORD HOME=" +
                          ShellQuoted(home_.path().string()) + " XDG_DATA_HOME= XDG_CONFIG_HOME=";
    for (const std::string& assignment : env_) command += " " + ShellQuoted(assignment);
    command += " " + ShellQuoted(binary);
    for (const std::string& arg : args) command += " " + ShellQuoted(arg);
    const std::string input = stdin_ ? (root_ / "stdin").string() : std::string("/dev/null");
    command += " >" + ShellQuoted((root_ / "out").string()) + " 2>" + ShellQuoted((root_ / "err").string()) + " <" +
               ShellQuoted(input);
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(root_ / "out"), ReadFile(root_ / "err")};
  }
  // An environment variable for every later run ("TZ=America/New_York").
  void setEnv(std::string assignment) { env_.push_back(std::move(assignment)); }
  // What later runs read on standard input (by default nothing, /dev/null).
  void setStdin(const std::string& bytes) {
    std::ofstream(root_ / "stdin", std::ios::binary | std::ios::trunc) << bytes;
    stdin_ = true;
  }

  [[nodiscard]] std::filesystem::path file(const std::string& name, const std::string& bytes) {
    const auto path = root_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  [[nodiscard]] std::filesystem::path root() const { return root_.path(); }
  [[nodiscard]] std::filesystem::path home() const { return home_.path(); }
  [[nodiscard]] std::filesystem::path dataDir() const { return root_ / "d"; }
  [[nodiscard]] std::filesystem::path configDir() const { return root_ / "c"; }
  [[nodiscard]] std::filesystem::path dataFile() const { return dataDir() / "tallyvane.vdb"; }

 private:
  tallyvane::testing::TempDir home_;
  tallyvane::testing::TempDir root_;
  std::vector<std::string> env_;
  bool stdin_ = false;
};

}  // namespace tallyvane::cli::testing
