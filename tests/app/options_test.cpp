#include "app/options.h"

#include <gtest/gtest.h>

#include "app/password.h"
#include "store/secure.h"
#include "support/test_support.h"

namespace tallyvane::app {
namespace {

using tallyvane::testing::RecordingPrompter;
using tallyvane::testing::TestData;

// The two dialogs as the window shows them: confirmed with fixed entries or
// cancelled, storing their result through the core operations.
class ScriptedDialogs final : public PasswordDialogs {
 public:
  ScriptedDialogs(store::Db& db, bool confirm) : db_(db), confirm_(confirm) {}
  bool changePassword(bool addForm) override {
    opened.push_back(addForm ? "add" : "change");
    if (!confirm_) return false;
    return ChangePassword(db_, {addForm ? "" : "Secret1", "Secret2", "Secret2", "", "", false}, prompter_).ok;
  }
  bool removePassword() override {
    opened.emplace_back("remove");
    if (!confirm_) return false;
    return RemovePassword(db_, store::ReadPasswordSettings(db_)->password, prompter_).ok;
  }
  std::vector<std::string> opened;

 private:
  store::Db& db_;
  bool confirm_;
  RecordingPrompter prompter_;
};

TEST(OptionsSheet, ThePasswordDialogsDecideTheBox) {
  struct Case {
    const char* name;
    bool passwordSet;
    bool tick;
    bool confirm;
    const char* dialog;
    bool box;
  };
  const Case cases[] = {
      {"tick, add confirmed", false, true, true, "add", true},
      {"tick, add cancelled", false, true, false, "add", false},
      {"clear, remove confirmed", true, false, true, "remove", false},
      {"clear, remove cancelled", true, false, false, "remove", true},
  };
  for (const Case& c : cases) {
    TestData data;
    RecordingPrompter prompter;
    if (c.passwordSet) {
      ASSERT_TRUE(ChangePassword(data.db(), {"", "Secret1", "Secret1", "", "", false}, prompter).ok);
    }
    OptionsSheet sheet = OpenOptionsSheet(data.context(), data.settings());
    EXPECT_EQ(sheet.passwordProtected, c.passwordSet) << c.name;
    EXPECT_EQ(sheet.passwordButtonsEnabled(), c.passwordSet) << c.name;
    ScriptedDialogs dialogs(data.db(), c.confirm);
    SetPasswordBox(sheet, c.tick, data.db(), dialogs);
    EXPECT_EQ(dialogs.opened, std::vector<std::string>{c.dialog}) << c.name;
    EXPECT_EQ(sheet.passwordProtected, c.box) << c.name;
    EXPECT_EQ(store::isPasswordSet(data.db()), c.box) << c.name;
  }
}

TEST(OptionsSheet, TheButtonsOpenTheDialogsOnlyWhileTheBoxIsTicked) {
  TestData data;
  OptionsSheet sheet = OpenOptionsSheet(data.context(), data.settings());
  ScriptedDialogs dialogs(data.db(), true);
  ChangePasswordButton(sheet, data.db(), dialogs);
  RemovePasswordButton(sheet, data.db(), dialogs);
  EXPECT_TRUE(dialogs.opened.empty());
  SetPasswordBox(sheet, true, data.db(), dialogs);
  ChangePasswordButton(sheet, data.db(), dialogs);
  EXPECT_TRUE(sheet.passwordProtected);
  RemovePasswordButton(sheet, data.db(), dialogs);
  EXPECT_EQ(dialogs.opened, (std::vector<std::string>{"add", "change", "remove"}));
  EXPECT_FALSE(sheet.passwordProtected);
}

TEST(OptionsSheet, EditsCopiesAndWritesOnConfirm) {
  TestData data;
  RecordingPrompter prompter;
  OptionsSheet sheet = OpenOptionsSheet(data.context(), data.settings());
  EXPECT_TRUE(sheet.checkForAntivirus);
  sheet.checkForAntivirus = false;
  sheet.regional.currencySymbol = "EUR";
  sheet.regional.currencyDigits = 3;
  // Nothing is written before the sheet is confirmed.
  EXPECT_EQ(data.settings().readString("Settings", "CheckForAntivirus"), "");
  EXPECT_EQ(data.context().regional().currencySymbol, "$");

  prompter.answer("Don't Change");
  ASSERT_TRUE(ConfirmOptions(data.context(), data.settings(), sheet, prompter).ok);
  EXPECT_EQ(data.settings().readInt("Settings", "CheckForAntivirus", 1), 0);
  EXPECT_EQ(data.context().regional().currencySymbol, "EUR");
  EXPECT_EQ(data.context().regional().currencyDigits, 2);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].buttons, (std::vector<std::string>{"Change", "Don't Change"}));
  EXPECT_FALSE(OpenOptionsSheet(data.context(), data.settings()).checkForAntivirus);
}

TEST(AntivirusReminder, IsNeverShownWhenTheStateCannotBeQueried) {
  struct Case {
    const char* name;
    const char* setting;  // nullptr: absent
    AntivirusState state;
    int queries;
    bool shown;
  };
  const Case cases[] = {
      {"default, Linux", nullptr, QueryAntivirusState(), 1, false},
      {"turned off: no query", "0", AntivirusState::NotInstalled, 0, false},
      {"none installed", "1", AntivirusState::NotInstalled, 1, true},
      {"expired", "1", AntivirusState::Expired, 1, true},
      {"up to date", "1", AntivirusState::UpToDate, 1, false},
  };
  EXPECT_EQ(QueryAntivirusState(), AntivirusState::CannotBeQueried);
  for (const Case& c : cases) {
    store::MemorySettings settings;
    if (c.setting != nullptr) settings.writeString("Settings", "CheckForAntivirus", c.setting);
    int queries = 0;
    const auto text = AntivirusReminder(settings, [&] {
      ++queries;
      return c.state;
    });
    EXPECT_EQ(queries, c.queries) << c.name;
    EXPECT_EQ(text.has_value(), c.shown) << c.name;
  }
  store::MemorySettings settings;
  StopAntivirusReminder(settings);
  EXPECT_FALSE(AntivirusReminder(settings, [] { return AntivirusState::Expired; }));
}

}  // namespace
}  // namespace tallyvane::app
