#include "app/first_run.h"

#include <gtest/gtest.h>

#include "app/main_window_rules.h"
#include "ledger/accounts.h"
#include "store/db.h"
#include "store/record.h"
#include "support/test_support.h"

namespace tallyvane::app {
namespace {

using tallyvane::testing::PathsIn;
using tallyvane::testing::RecordingPrompter;
using tallyvane::testing::TempDir;
using tallyvane::testing::TestData;

// The account forms and the password dialog, answered from a script: each
// account form is confirmed or cancelled in turn.
class ScriptedForms final : public FirstRunForms {
 public:
  explicit ScriptedForms(std::vector<bool> confirms) : confirms_(std::move(confirms)) {}
  bool accountForm(std::optional<ledger::AccountKey> account) override {
    opened.push_back(account ? "#" + std::to_string(*account) : "new");
    return next_ < confirms_.size() && confirms_[next_++];
  }
  void addPasswordDialog() override { opened.emplace_back("add password"); }
  std::vector<std::string> opened;

 private:
  std::vector<bool> confirms_;
  std::size_t next_ = 0;
};

std::vector<std::string> Questions(const RecordingPrompter& prompter) {
  std::vector<std::string> texts;
  for (const auto& shown : prompter.shown) texts.push_back(shown.title + " | " + shown.buttons.front());
  return texts;
}

TEST(FirstRunSetup, WalksTheDefaultAccountsThenFurtherOnesThenOffersAPassword) {
  TestData data;
  RecordingPrompter prompter;
  for (const char* answer : {"Set Up Accounts", "Set Up Account", "Use Default Account", "Set Up Account",
                             "Set Up Account", "Set Up Account", "No Thanks", "Secure Tallyvane"}) {
    prompter.answer(answer);
  }
  // Checking confirmed, Credit Card cancelled, two new accounts: cancelled, confirmed.
  ScriptedForms forms({true, false, false, true});
  EXPECT_TRUE(RunFirstRunSetup(data.context(), prompter, forms));
  const auto checking = ledger::FindAccountByName(data.context(), "Checking Account");
  const auto card = ledger::FindAccountByName(data.context(), "Credit Card");
  ASSERT_TRUE(checking && card);
  EXPECT_EQ(forms.opened, (std::vector<std::string>{"#" + std::to_string(*checking), "#" + std::to_string(*card), "new",
                                                    "new", "add password"}));
  std::vector<std::string> texts;
  for (const auto& shown : prompter.shown) texts.push_back(shown.text);
  ASSERT_EQ(texts.size(), 8u);
  EXPECT_EQ(texts[1], "Do you have a Checking Account that you would like to manage?");
  EXPECT_EQ(texts[2], "Do you have a Savings Account that you would like to manage?");
  EXPECT_EQ(texts[3], "Do you have a Credit Card that you would like to manage?");
  EXPECT_EQ(texts[4], "Do you want to add an additional account?");
  EXPECT_EQ(texts[5], "Do you want to add another additional account?");
  EXPECT_EQ(texts[6], "Do you want to add another additional account?");
  EXPECT_EQ(texts[7],
            "To protect your financial information from unauthorized access, we strongly recommend you set up a "
            "password for Tallyvane.\nYou can always remove or change the password later.");
  EXPECT_EQ(Questions(prompter)[7], "Tallyvane Security - Password | Secure Tallyvane");
  EXPECT_EQ(prompter.shown[1].buttons, (std::vector<std::string>{"Set Up Account", "Use Default Account"}));
  EXPECT_EQ(prompter.shown[4].buttons, (std::vector<std::string>{"Set Up Account", "No Thanks"}));
}

TEST(FirstRunSetup, DefaultAccountsSkipTheFormsButStillOfferThePassword) {
  struct Case {
    const char* name;
    std::vector<const char*> answers;
    std::vector<std::string> opened;
    bool setUp;
  };
  const Case cases[] = {
      {"defaults, no password", {"Use Default Accounts", "No Thanks"}, {}, false},
      {"defaults, password", {"Use Default Accounts", "Secure Tallyvane"}, {"add password"}, false},
      {"dialog closed at once", {}, {}, false},
      {"set up but every form cancelled",
       {"Set Up Accounts", "Set Up Account", "Set Up Account", "Set Up Account", "No Thanks", "No Thanks"},
       {"#1", "#2", "#3"},
       false},
  };
  for (const Case& c : cases) {
    TestData data;
    RecordingPrompter prompter;
    for (const char* answer : c.answers) prompter.answer(answer);
    ScriptedForms forms({});
    EXPECT_EQ(RunFirstRunSetup(data.context(), prompter, forms), c.setUp) << c.name;
    EXPECT_EQ(forms.opened, c.opened) << c.name;
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_EQ(prompter.shown.front().title, "Set Up Tallyvane") << c.name;
    EXPECT_EQ(prompter.shown.front().buttons, (std::vector<std::string>{"Set Up Accounts", "Use Default Accounts"}));
    EXPECT_EQ(prompter.shown.back().title, "Tallyvane Security - Password") << c.name;
  }
}

TEST(FirstRunSetup, AMissingDefaultAccountOpensAnEmptyForm) {
  TestData data;
  ASSERT_TRUE(data.db().exec("UPDATE Accounts SET Deleted = 1 WHERE AcctName = 'Savings Account'"));
  RecordingPrompter prompter;
  for (const char* answer : {"Set Up Accounts", "Use Default Account", "Set Up Account", "Use Default Account"}) {
    prompter.answer(answer);
  }
  ScriptedForms forms({true});
  EXPECT_TRUE(RunFirstRunSetup(data.context(), prompter, forms));
  EXPECT_EQ(forms.opened, std::vector<std::string>{"new"});
}

TEST(FirstRunSetup, OutsideTheUsTheDirectoryStartsEmpty) {
  for (const char* country : {"US", "DE"}) {
    TestData data;
    store::Db& db = data.db();
    ASSERT_TRUE(db.exec("INSERT INTO FinancialInstitutions (ID, FIName, Deleted) VALUES (900, 'Bank', 0)"));
    ASSERT_TRUE(db.exec("INSERT OR REPLACE INTO Variables (ID, Value) VALUES ('HSFIUL', 'fingerprint')"));
    store::SystemLocale locale = data.context().systemLocale();
    locale.country = country;
    store::DataContext context(data.paths(), locale);
    ASSERT_TRUE(context.OpenDataContext().ok);
    RecordingPrompter prompter;
    ScriptedForms forms({});
    EXPECT_FALSE(RunFirstRunSetup(context, prompter, forms));
    const bool us = std::string_view(country) == "US";
    EXPECT_EQ(store::Query(db, "SELECT COUNT(*) FROM FinancialInstitutions WHERE Deleted = 0").int32(0) > 0, us)
        << country;
    EXPECT_EQ(store::Query(db, "SELECT COUNT(*) FROM Variables WHERE ID = 'HSFIUL'").int32(0), us ? 1 : 0) << country;
  }
}

TEST(FirstRunSetup, AskedOncePerDataFileWhateverTheSettingsKept) {
  TestData data;
  store::MemorySettings settings;
  EXPECT_TRUE(FirstRunDue(data.context(), settings)) << "a new data file and a window never placed";
  RecordingPrompter prompter;
  prompter.answer("Use Default Accounts");
  prompter.answer("No Thanks");
  ScriptedForms forms({});
  static_cast<void>(RunFirstRunSetup(data.context(), prompter, forms));
  // The window's placement was never saved (killed, an unwritable settings
  // file, another settings folder): the same data file is not set up again.
  EXPECT_FALSE(FirstRunDue(data.context(), settings));
  EXPECT_FALSE(FirstRunDue(data.context(), store::MemorySettings{}));

  // A window placed before means no first start, as ever.
  TestData other;
  StoreMainWindowPlacement(settings, {{10, 10, 800, 600}, false});
  EXPECT_FALSE(FirstRunDue(other.context(), settings));
}

}  // namespace
}  // namespace tallyvane::app
