#include "store/regional.h"

#include <gtest/gtest.h>

#include "store/record.h"
#include "support/test_support.h"

namespace tallyvane::store {
namespace {

using tallyvane::testing::RecordingPrompter;
using tallyvane::testing::TestData;
using tallyvane::testing::UsLocale;

void ResetInit(Db& db) { ASSERT_TRUE(db.exec("UPDATE Misc SET Init = '0' WHERE ID = 'Options'")); }

TEST(InitRegionalSettings, FirstOpeningWritesSystemValuesOnce) {
  TestData data;
  Db& db = data.db();
  ResetInit(db);
  SystemLocale german = UsLocale();
  german.decimalSymbol = ",";
  german.thousandsSymbol = ".";
  german.currencySymbol = "€";
  german.currencyFormat = 3;
  german.country = "DE";
  german.timeZoneBiasMinutes = -60;
  RegionalSettings settings = InitRegionalSettings(db, german);
  EXPECT_EQ(settings.decimalSymbol, ",");
  EXPECT_EQ(settings.thousandsSymbol, ".");
  EXPECT_EQ(settings.currencyOrder, 1);
  EXPECT_EQ(settings.currencySymbol, "$");  // DE's row does not take the system symbol
  EXPECT_EQ(settings.paperSize, 0);
  EXPECT_EQ(QueryFirstText(db, "SELECT Init FROM Misc WHERE ID = 'Options'"), "1");

  // Init 1: the system no longer matters.
  settings = InitRegionalSettings(db, UsLocale());
  EXPECT_EQ(settings.decimalSymbol, ",");
}

TEST(InitRegionalSettings, SystemSymbolDependsOnCountryAndTimeZone) {
  struct Case {
    const char* country;
    int bias;
    const char* expected;
  };
  const Case cases[] = {
      {"GB", 0, "$"},  // outside GB's range
      {"GB", -60, "£"},   {"US", 300, "£"}, {"US", 0, "$"},  {"NZ", -780, "£"},
      {"FR", -60, "$"},   {"", 300, "£"},    // no country reads as US
  };
  for (const Case& c : cases) {
    TestData data;
    ResetInit(data.db());
    SystemLocale locale = UsLocale();
    locale.currencySymbol = "£";
    locale.country = c.country;
    locale.timeZoneBiasMinutes = c.bias;
    EXPECT_EQ(InitRegionalSettings(data.db(), locale).currencySymbol, c.expected) << c.country << " " << c.bias;
  }
}

TEST(InitRegionalSettings, PaperIsLetterInUsAndCanada) {
  for (const char* country : {"US", "CA", "GB"}) {
    TestData data;
    ResetInit(data.db());
    SystemLocale locale = UsLocale();
    locale.country = country;
    EXPECT_EQ(InitRegionalSettings(data.db(), locale).paperSize, std::string(country) == "GB" ? 0 : 1) << country;
  }
}

TEST(InitRegionalSettings, EmptyColumnsReadTheirDefaults) {
  TestData data;
  ASSERT_TRUE(data.db().exec("UPDATE Misc SET CurrencySymbol = '', CurrencyDigits = '', PrintedDateOrder = '', "
                             "MarginSides = '' WHERE ID = 'Options'"));
  const RegionalSettings settings = InitRegionalSettings(data.db(), UsLocale());
  EXPECT_EQ(settings.currencySymbol, "$");
  EXPECT_EQ(settings.currencyDigits, 2);
  EXPECT_EQ(settings.printedDateOrder, -1);
  EXPECT_DOUBLE_EQ(settings.marginSides, 0.75);
}

TEST(SaveRegionalOptions, DigitChangeNeedsConfirmationOtherSettingsSaveAnyway) {
  TestData data;
  const RegionalSettings current = data.context().regional();
  RegionalSettings wanted = current;
  wanted.currencyDigits = 3;
  wanted.currencySymbol = "kr";
  wanted.decimalSymbol = "";

  RecordingPrompter refuse;
  refuse.answer("Don't Change");
  ASSERT_TRUE(SaveRegionalOptions(data.db(), current, wanted, refuse).ok);
  ASSERT_EQ(refuse.shown.size(), 1u);
  EXPECT_EQ(refuse.shown[0].title, "Confirm Digit Change");
  EXPECT_EQ(refuse.shown[0].buttons, (std::vector<std::string>{"Change", "Don't Change"}));
  data.context().reloadRegionalSettings();
  EXPECT_EQ(data.context().regional().currencyDigits, 2);
  EXPECT_EQ(data.context().regional().currencySymbol, "kr");
  EXPECT_EQ(data.context().regional().decimalSymbol, ".");

  RecordingPrompter accept;
  accept.answer("Change");
  ASSERT_TRUE(SaveRegionalOptions(data.db(), data.context().regional(), wanted, accept).ok);
  data.context().reloadRegionalSettings();
  EXPECT_EQ(data.context().regional().currencyDigits, 3);

  // Unchanged digits ask nothing.
  RecordingPrompter silent;
  ASSERT_TRUE(SaveRegionalOptions(data.db(), data.context().regional(), data.context().regional(), silent).ok);
  EXPECT_TRUE(silent.shown.empty());
}

TEST(DateChoices, StoredSettingsShowTheirChoice) {
  for (std::size_t i = 0; i < kDateChoices.size(); ++i) {
    RegionalSettings settings;
    settings.printedDateFormat = kDateChoices[i].format;
    settings.printedDateOrder = kDateChoices[i].order;
    settings.printedDateSeparator = std::string(1, kDateChoices[i].separator);
    EXPECT_EQ(DateChoiceIndex(settings), i) << kDateChoices[i].text;
  }
}

}  // namespace
}  // namespace tallyvane::store
