#include "online/online_settings.h"

namespace tallyvane::online {

OnlineSettings ReadOnlineSettings(const store::Settings& settings) {
  OnlineSettings online;
  online.directoryUrl = settings.readString(kOnlineSection, kDirectoryUrlKey);
  online.caFile = settings.readString(kOnlineSection, kCaFileKey);
  return online;
}

bool WriteOnlineSettings(store::Settings& settings, const OnlineSettings& online) {
  const bool url = settings.writeString(kOnlineSection, kDirectoryUrlKey, online.directoryUrl);
  const bool ca = settings.writeString(kOnlineSection, kCaFileKey, online.caFile);
  return url && ca;
}

}  // namespace tallyvane::online
