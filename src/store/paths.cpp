#include "store/paths.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "store/text.h"

namespace tallyvane::store {

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string{} : std::string(value);
}

std::filesystem::path XdgBase(const char* variable, const char* homeRelative) {
  std::string base = Env(variable);
  if (!base.empty() && base.front() == '/') return base;
  return std::filesystem::path(Env("HOME")) / homeRelative;
}

}  // namespace

std::filesystem::path Paths::namedDatabase(std::string_view name) const {
  if (EqualsNoCase(name, kLiveDatabaseName)) return dataFile();
  return dataDir / (std::string(name) + ".vdb");
}

std::filesystem::path CurrentExecutable() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path{} : exe;
}

std::filesystem::path TemplateBeside(const std::filesystem::path& executable) {
  return executable.parent_path().parent_path() / "share" / "tallyvane" / kTemplateFileName;
}

Paths ResolvePaths(const PathOverrides& overrides, const std::filesystem::path& executable) {
  Paths paths;
  std::string dataDir = overrides.dataDir.empty() ? Env("TALLYVANE_DATA_DIR") : overrides.dataDir;
  std::string configDir = overrides.configDir.empty() ? Env("TALLYVANE_CONFIG_DIR") : overrides.configDir;

  if (!dataDir.empty()) {
    paths.dataDir = dataDir;
    paths.commonDataDir = paths.dataDir;
  } else {
    const std::filesystem::path vendor = XdgBase("XDG_DATA_HOME", ".local/share") / kVendorFolder;
    paths.dataDir = vendor / kProductFolder;
    paths.commonDataDir = vendor;
  }
  if (!configDir.empty()) {
    paths.settingsFile = std::filesystem::path(configDir) / "Tallyvane.conf";
  } else {
    paths.settingsFile = XdgBase("XDG_CONFIG_HOME", ".config") / kVendorFolder / "Tallyvane.conf";
  }
  paths.machineSettingsFile = std::filesystem::path("/etc/xdg") / kVendorFolder / "Tallyvane.conf";
  paths.templateFile = TemplateBeside(executable);
  return paths;
}

Status EnsureDataDir(const Paths& paths) {
  std::error_code ec;
  if (std::filesystem::is_directory(paths.dataDir, ec)) return Status::Ok();
  // Create level by level so each new folder gets owner-only access.
  std::filesystem::path built;
  for (const auto& part : paths.dataDir) {
    built /= part;
    if (std::filesystem::is_directory(built, ec)) continue;
    if (::mkdir(built.c_str(), 0700) != 0) {
      const int error = errno;
      if (std::filesystem::is_directory(built, ec)) continue;
      return Status::FileError("The data folder " + paths.dataDir.string() + " could not be created: " +
                          std::make_error_code(static_cast<std::errc>(error)).message() + ".");
    }
  }
  return Status::Ok();
}

}  // namespace tallyvane::store
