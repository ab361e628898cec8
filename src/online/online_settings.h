// The online settings (section "Online"): where the institution directory is
// downloaded from and an extra certificate authority to trust. Verification of
// server certificates and host names is always on; nothing here turns it off.
#pragma once

#include <string>
#include <string_view>

#include "store/settings.h"

namespace tallyvane::online {

inline constexpr std::string_view kOnlineSection = "Online";
inline constexpr std::string_view kDirectoryUrlKey = "DirectoryUrl";
inline constexpr std::string_view kCaFileKey = "CAFile";

struct OnlineSettings {
  std::string directoryUrl;  // base URL; "api.php?..." is appended
  std::string caFile;        // trusted in addition to the system's authorities; empty for none
};

[[nodiscard]] OnlineSettings ReadOnlineSettings(const store::Settings& settings);
bool WriteOnlineSettings(store::Settings& settings, const OnlineSettings& online);

}  // namespace tallyvane::online
