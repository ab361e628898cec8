// Where the program keeps its files on Linux: the data folder (the data file
// and temporary databases), the settings file, the shared data folder and the
// template data file shipped beside the executable.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "store/status.h"

namespace tallyvane::store {

inline constexpr std::string_view kVendorFolder = "Orvex Software";
inline constexpr std::string_view kProductFolder = "Tallyvane";
inline constexpr std::string_view kDataFileName = "tallyvane.vdb";
inline constexpr std::string_view kLiveDatabaseName = "Tallyvane";
inline constexpr std::string_view kTemplateFileName = "tallyvane-0.vdb";
inline constexpr std::string_view kRestoreTestName = "Tallyvane_TestRestore";

struct Paths {
  std::filesystem::path dataDir;            // holds tallyvane.vdb
  std::filesystem::path commonDataDir;      // shared data, same file system as dataDir
  std::filesystem::path settingsFile;       // per-user settings
  std::filesystem::path machineSettingsFile;
  std::filesystem::path templateFile;       // the start-up template

  [[nodiscard]] std::filesystem::path dataFile() const { return dataDir / kDataFileName; }
  // The file a named database is opened from: "Tallyvane" (any case) is the
  // data file itself, any other name is <data folder>/<name>.vdb.
  [[nodiscard]] std::filesystem::path namedDatabase(std::string_view name) const;
  [[nodiscard]] std::filesystem::path restoreTestCopy() const { return namedDatabase(kRestoreTestName); }
};

// What the environment and the command line say; empty means "not given".
struct PathOverrides {
  std::string dataDir;    // --data-dir, else $TALLYVANE_DATA_DIR
  std::string configDir;  // --config-dir, else $TALLYVANE_CONFIG_DIR
};

// Resolves the folders from the overrides, the XDG variables and $HOME. With
// both overrides given, nothing under $HOME is used. `executable` is the
// running program, used to find the template.
[[nodiscard]] Paths ResolvePaths(const PathOverrides& overrides, const std::filesystem::path& executable);

// The running executable's path (from /proc/self/exe).
[[nodiscard]] std::filesystem::path CurrentExecutable();

// The template next to an executable: <exe dir>/../share/tallyvane/tallyvane-0.vdb.
[[nodiscard]] std::filesystem::path TemplateBeside(const std::filesystem::path& executable);

// Creates the data folder (every missing level, mode 0700 for the new ones).
[[nodiscard]] Status EnsureDataDir(const Paths& paths);

}  // namespace tallyvane::store
