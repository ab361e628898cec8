#include "app/main_window_rules.h"

#include <gtest/gtest.h>

#include "ledger/accounts.h"
#include "ledger/transactions.h"
#include "support/test_support.h"

namespace tallyvane::app {
namespace {

using tallyvane::testing::TestData;

TEST(ChooseStartHint, EmptyBookAsksForATransactionThenImportHintCountsToFive) {
  TestData data;
  store::MemorySettings& settings = data.settings();
  EXPECT_EQ(ChooseStartHint(data.context(), settings), StartHint::AddTransaction);
  EXPECT_TRUE(settings.readString("Settings", "BubbleTipImportCount").empty()) << "the add hint does not count";

  ledger::AccountValues account;
  account.name = "Checking";
  const auto key = ledger::AddAccount(data.context(), account);
  ASSERT_TRUE(key);
  ledger::TransactionFields fields;
  fields.account = *key;
  fields.amount = store::Money(1250);
  fields.date = "2024-03-01";
  ASSERT_TRUE(ledger::AddTransactionAndRebalance(data.context(), fields));

  EXPECT_EQ(ChooseStartHint(data.context(), settings, false), StartHint::None);
  EXPECT_TRUE(settings.readString("Settings", "BubbleTipImportCount").empty()) << "not offered, not counted";

  // Absent means 1: shown for counts 1..5, each showing stores the next count.
  for (long long shown = 1; shown <= 5; ++shown) {
    EXPECT_EQ(ChooseStartHint(data.context(), settings), StartHint::RetrieveTransactions) << shown;
    EXPECT_EQ(settings.readInt("Settings", "BubbleTipImportCount"), shown + 1);
  }
  EXPECT_EQ(ChooseStartHint(data.context(), settings), StartHint::None);
  EXPECT_EQ(settings.readInt("Settings", "BubbleTipImportCount"), 6);

  settings.writeInt("Settings", "BubbleTipImportCount", 0);
  EXPECT_EQ(ChooseStartHint(data.context(), settings), StartHint::None) << "0 switches the hint off";
}

TEST(BackupReminderVisible, WritesNowWhenUnsetAndShowsAfterThirtyDaysAndOneSecond) {
  store::MemorySettings settings;
  const std::time_t now = 1'700'000'000;
  EXPECT_FALSE(BackupReminderVisible(settings, now));
  EXPECT_EQ(settings.readInt("Setting", "LastBackup"), now);
  EXPECT_FALSE(BackupReminderVisible(settings, now + 2592000));
  EXPECT_TRUE(BackupReminderVisible(settings, now + 2592001));

  settings.writeInt("Setting", "LastBackup", 0);
  EXPECT_FALSE(BackupReminderVisible(settings, now)) << "zero counts as never set";
  EXPECT_EQ(settings.readInt("Setting", "LastBackup"), now);
}

TEST(MainWindowPlacement, FirstPlacementCentredAndInsideLaterOneKeptAsStored) {
  const WindowRect desktop{0, 0, 1280, 800};
  store::MemorySettings settings;
  WindowPlacement first = MainWindowPlacement(settings, desktop, 900, 560, 640);
  EXPECT_EQ(first.rect, (WindowRect{190, 80, 900, 640}));
  EXPECT_FALSE(first.maximized);

  // Only a width stored (no height yet): still a first placement, pushed in.
  settings.writeInt("MainWindow", "Width", 3000);
  settings.writeInt("MainWindow", "X", 500);
  first = MainWindowPlacement(settings, desktop, 900, 560, 640);
  EXPECT_EQ(first.rect, (WindowRect{0, 80, 1280, 640}));

  // Once a height exists, a stored rectangle wider than the desktop stands.
  StoreMainWindowPlacement(settings, {{-40, 30, 3000, 700}, true});
  const WindowPlacement later = MainWindowPlacement(settings, desktop, 900, 560, 640);
  EXPECT_EQ(later.rect, (WindowRect{-40, 30, 3000, 700}));
  EXPECT_TRUE(later.maximized);
  EXPECT_TRUE(MainWindowPlacedBefore(settings));

  // Sizes never go below the minimum.
  StoreMainWindowPlacement(settings, {{10, 10, 100, 100}, false});
  const WindowPlacement small = MainWindowPlacement(settings, desktop, 900, 560, 640);
  EXPECT_EQ(small.rect, (WindowRect{10, 10, 900, 560}));
  EXPECT_FALSE(small.maximized);
}

}  // namespace
}  // namespace tallyvane::app
