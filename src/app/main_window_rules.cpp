#include "app/main_window_rules.h"

#include <algorithm>

#include "planning/schedules.h"
#include "store/record.h"

namespace tallyvane::app {
namespace {

constexpr std::string_view kWindowSection = "MainWindow";
constexpr long long kBackupReminderSeconds = 2592001;  // 30 days and one second

}  // namespace

StartHint ChooseStartHint(store::DataContext& data, store::Settings& settings, bool retrieveAvailable) {
  // Only whether any live row exists matters, so stop at the first one rather
  // than counting a book of decades.
  if (store::QueryFirstText(data.db(), "SELECT 1 FROM Transactions WHERE Deleted = 0 LIMIT 1").empty()) {
    return StartHint::AddTransaction;
  }
  if (planning::AnyScheduleNeedsAttention(data)) return StartHint::DueSchedules;
  if (!retrieveAvailable) return StartHint::None;
  const long long count = settings.readInt("Settings", "BubbleTipImportCount", 1);
  if (count >= 1 && count <= 5) {
    settings.writeInt("Settings", "BubbleTipImportCount", count + 1);
    return StartHint::RetrieveTransactions;
  }
  return StartHint::None;
}

bool BackupReminderVisible(store::Settings& settings, std::time_t now) {
  long long last = settings.readInt("Setting", "LastBackup", 0);
  if (last < 1) {
    last = static_cast<long long>(now);
    settings.writeInt("Setting", "LastBackup", last);
  }
  return static_cast<long long>(now) - last >= kBackupReminderSeconds;
}

WindowPlacement MainWindowPlacement(const store::Settings& settings, const WindowRect& desktop, int minWidth,
                                    int minHeight, int designedHeight) {
  WindowPlacement placement;
  WindowRect& rect = placement.rect;
  rect.width = std::max(static_cast<int>(settings.readInt(kWindowSection, "Width", minWidth)), minWidth);
  rect.height = std::max(static_cast<int>(settings.readInt(kWindowSection, "Height", designedHeight)), minHeight);
  rect.x = static_cast<int>(settings.readInt(kWindowSection, "X", desktop.x + (desktop.width - rect.width) / 2));
  rect.y = static_cast<int>(settings.readInt(kWindowSection, "Y", desktop.y + (desktop.height - rect.height) / 2));
  if (settings.readString(kWindowSection, "Height").empty()) {
    // A first placement must be fully visible; a stored one is the user's.
    rect.width = std::min(rect.width, desktop.width);
    rect.height = std::min(rect.height, desktop.height);
    rect.x = std::clamp(rect.x, desktop.x, desktop.x + desktop.width - rect.width);
    rect.y = std::clamp(rect.y, desktop.y, desktop.y + desktop.height - rect.height);
  }
  placement.maximized = settings.readString(kWindowSection, "Maximized") == "1";
  return placement;
}

void StoreMainWindowPlacement(store::Settings& settings, const WindowPlacement& placement) {
  settings.writeInt(kWindowSection, "X", placement.rect.x);
  settings.writeInt(kWindowSection, "Y", placement.rect.y);
  settings.writeInt(kWindowSection, "Width", placement.rect.width);
  settings.writeInt(kWindowSection, "Height", placement.rect.height);
  settings.writeString(kWindowSection, "Maximized", placement.maximized ? "1" : "0");
}

bool MainWindowPlacedBefore(const store::Settings& settings) {
  return !settings.readString(kWindowSection, "X").empty();
}

}  // namespace tallyvane::app
