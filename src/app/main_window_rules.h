// The window program's start-up decisions that do not depend on a window
// system: which hint the start shows, when the backup reminder appears, and
// where the main window is placed on the desktop.
#pragma once

#include <ctime>
#include <optional>

#include "store/data_context.h"
#include "store/settings.h"

namespace tallyvane::app {

inline constexpr std::string_view kAddTransactionHint = "Click here to manually add transactions to your accounts";
inline constexpr std::string_view kRetrieveHint =
    "Click here to download transactions from your financial institution.";
inline constexpr std::string_view kSchedulesWaitingHint =
    "There are scheduled transactions waiting for your attention.";

// What the start shows 500 ms after the window is filled.
enum class StartHint {
  None,
  AddTransaction,     // the book has no live transaction
  DueSchedules,       // a reminding schedule is due
  RetrieveTransactions,
};
// Counts the import hint ("Settings"/"BubbleTipImportCount") when it chooses
// it; a program that cannot retrieve yet neither offers nor counts it.
[[nodiscard]] StartHint ChooseStartHint(store::DataContext& data, store::Settings& settings,
                                        bool retrieveAvailable = true);

// True when more than 30 days passed since "Setting"/"LastBackup"; an absent
// or unset value is first written with `now`.
[[nodiscard]] bool BackupReminderVisible(store::Settings& settings, std::time_t now);

struct WindowRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const WindowRect&, const WindowRect&) = default;
};
struct WindowPlacement {
  WindowRect rect;
  bool maximized = false;
};
// The main window's placement from "MainWindow": stored size (never below the
// minimum), stored position or centred; only a first placement (no "Height"
// yet) is pushed inside the desktop.
[[nodiscard]] WindowPlacement MainWindowPlacement(const store::Settings& settings, const WindowRect& desktop,
                                                  int minWidth, int minHeight, int designedHeight);
// Stores the normal (not maximized) rectangle and the maximized flag.
void StoreMainWindowPlacement(store::Settings& settings, const WindowPlacement& placement);
// Whether the window has been placed before (a start that is not the first).
[[nodiscard]] bool MainWindowPlacedBefore(const store::Settings& settings);

}  // namespace tallyvane::app
