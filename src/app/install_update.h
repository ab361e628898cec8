// The data update an installation runs ("tallyvane -installer" and
// "tallyvane-cli install-update"): grow the data file to the installed
// template, refresh the institution directory and the credentials, rebuild the
// balance cache; or, with no data file yet, create it from the template. Safe
// to run again: each step finds its work done.
#pragma once

#include <filesystem>

#include "store/data_context.h"
#include "store/files.h"
#include "store/paths.h"
#include "store/ports.h"
#include "store/settings.h"

namespace tallyvane::app {

inline constexpr std::string_view kInstallFailedTitle = "Install program";
inline constexpr std::string_view kInstallFailed = "Tallyvane has failed to install correctly. Failed to update/copy database.";

// The institution directory's re-seed, supplied by the caller (the directory
// lives in a module above this one). Each step gets the open data context.
class DirectoryReseed {
 public:
  virtual ~DirectoryReseed() = default;
  // Retires every institution row and copies the qualifying rows of the
  // template, without resealing.
  virtual bool copyFromTemplate(store::DataContext& data, const std::filesystem::path& templateFile) = 0;
  [[nodiscard]] virtual bool isTampered(store::DataContext& data) = 0;
  virtual bool seal(store::DataContext& data) = 0;
};

// The installed program's re-seed: the online module's institution directory.
class InstitutionDirectoryReseed final : public DirectoryReseed {
 public:
  bool copyFromTemplate(store::DataContext& data, const std::filesystem::path& templateFile) override;
  [[nodiscard]] bool isTampered(store::DataContext& data) override;
  bool seal(store::DataContext& data) override;
};

enum class InstallOutcome {
  Upgraded,     // the data file was there and was brought up to date
  Created,      // the data file was made from the template
  Failed,       // the upgrade or the copy failed; the message was shown
};

struct InstallOptions {
  // Null: the directory is left as it is.
  DirectoryReseed* reseed = nullptr;
  // The copy's retries while the template or the data file is busy.
  store::RetrySchedule copyRetry{8, 1000};
  store::SleepFunction sleep = store::SleepMilliseconds;
};

// The template the installation brings: "tallyvane-0.vdb" in the folder that
// "InstallerPath" names (per user, else machine-wide; a folder laid out as
// bin/ beside share/ is looked into too), else the template the build puts
// beside the executable (`paths.templateFile`).
[[nodiscard]] std::filesystem::path InstallTemplatePath(const store::Paths& paths, const store::Settings& settings);

// Runs the update on `data`'s data file; `data` must not be open and is
// closed again at the end.
InstallOutcome InstallUpdateDatabase(store::DataContext& data, store::Settings& settings, store::Prompter& prompter,
                                     const InstallOptions& options = {});

}  // namespace tallyvane::app
