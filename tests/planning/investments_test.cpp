#include "planning/investment_schedules.h"
#include "planning/investments.h"
#include "planning/securities.h"

#include "ledger/balances.h"
#include "planning_fixture.h"

namespace tallyvane::planning {
namespace {

class InvestmentTest : public PlanningTest {
 protected:
  void SetUp() override { broker_ = AddInvestmentAccount("Broker", 100000); }

  InvestmentForm Form(InvestmentAction action, const std::string& shares, const std::string& price,
                      const std::string& commission, const std::string& total, const std::string& date = "2026-11-02") {
    InvestmentForm form = NewInvestmentForm(data(), broker_);
    form.action = action;
    form.date = date;
    form.security = "Acme";
    form.sharesText = shares;
    form.priceText = price;
    form.commissionText = commission;
    form.totalText = total;
    return form;
  }

  InvestmentKey Enter(const InvestmentForm& form) {
    const InvestmentEntryResult result = EnterInvestment(data(), form, prompter_);
    EXPECT_TRUE(result.status.ok) << result.status.message;
    return result.key.value_or(0);
  }

  InvestmentRow Investment(InvestmentKey key) { return LoadInvestment(data(), key).value_or(InvestmentRow{}); }

  AccountKey broker_ = 0;
};

TEST(InvestmentSigns, EachActionStoresItsSigns) {
  struct Case {
    InvestmentAction action;
    int64_t shares, price, commission, total;
  };
  // Typed: 10 shares at 25.00, commission 9.95, no total (computed 259.95).
  const Case cases[] = {
      {InvestmentAction::Buy, 10, -2500, 995, -25995},      {InvestmentAction::Sell, -10, 2500, 995, 25995},
      {InvestmentAction::Dividend, 10, 2500, 995, -25995},  {InvestmentAction::Income, 10, 2500, 995, 25995},
      {InvestmentAction::MiscExpense, 10, -2500, 995, -25995}, {InvestmentAction::Deposit, 10, 2500, 995, 25995},
      {InvestmentAction::Withdraw, 10, -2500, 995, -25995},
  };
  for (const Case& c : cases) {
    const auto stored = ApplyInvestmentSigns(c.action, {10, Money(2500), Money(995), Money(0)});
    ASSERT_TRUE(stored.has_value());
    const std::string label(InvestmentActionLabel(c.action));
    EXPECT_EQ(stored->shares, c.shares) << label;
    EXPECT_EQ(stored->price, Money(c.price)) << label;
    EXPECT_EQ(stored->commission, Money(c.commission)) << label;
    EXPECT_EQ(stored->total, Money(c.total)) << label;
  }
  // A typed total wins over the computed one.
  EXPECT_EQ(ApplyInvestmentSigns(InvestmentAction::Buy, {10, Money(2500), Money(995), Money(100)})->total, Money(-100));
  EXPECT_FALSE(ApplyInvestmentSigns(InvestmentAction::Buy, {kShareCountLimit, Money(INT64_MAX / 2), Money(0), Money(0)})
                   .has_value());
  EXPECT_EQ(InvestmentActionFromLabel("misc expense"), InvestmentAction::MiscExpense);
}

TEST_F(InvestmentTest, BuyAndSellExamplesWithRegisterFiguresAndAccountValue) {
  const InvestmentKey buy = Enter(Form(InvestmentAction::Buy, "10", "25.00", "9.95", ""));
  EXPECT_EQ(prompter_.shown.back().text, "A new security was created");
  const InvestmentRow b = Investment(buy);
  EXPECT_EQ(b.shares, 10);
  EXPECT_EQ(b.price, Money(-2500));
  EXPECT_EQ(b.commission, Money(995));
  EXPECT_EQ(b.total, Money(-25995));
  EXPECT_EQ(b.amount, Money(0));
  EXPECT_EQ(b.security, FindSecurityByName(data(), "Acme"));

  const InvestmentKey sell = Enter(Form(InvestmentAction::Sell, "4", "30.00", "", "120.00", "2026-11-20"));
  EXPECT_EQ(Investment(sell).shares, -4);
  EXPECT_EQ(Investment(sell).price, Money(3000));
  EXPECT_EQ(Investment(sell).total, Money(12000));
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Securities"), 1);

  const InvestmentKey income = Enter(Form(InvestmentAction::Income, "0", "", "", "5.00", "2026-11-25"));
  const auto rows = InvestmentRegisterRows(data(), broker_, "2026-01-01", "2026-12-31");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].action, "Buy");
  EXPECT_EQ(rows[0].security, "Acme");
  EXPECT_EQ(rows[0].value, Money(25000));
  EXPECT_EQ(rows[0].sharesRunning, 10);
  EXPECT_EQ(rows[0].totalRunning, Money(-25995));
  EXPECT_EQ(rows[1].value, Money(12000));
  EXPECT_EQ(rows[1].sharesRunning, 6);
  EXPECT_EQ(rows[1].totalRunning, Money(-13995));
  EXPECT_EQ(rows[2].row.key, income);
  EXPECT_FALSE(rows[2].sharesRunning.has_value());
  EXPECT_FALSE(rows[2].value.has_value());

  ASSERT_TRUE(DeleteInvestment(data(), income));
  // 1000.00 - (-259.95) - 120.00
  EXPECT_EQ(InvestmentAccountValue(data(), broker_), Money(113995));
  EXPECT_EQ(InvestmentAccountValue(data(), broker_, "2026-11-10"), Money(125995));
  const ledger::AccountsPanel panel = ledger::AccountTotals(data(), InvestmentAccountValue);
  EXPECT_EQ(panel.accounts.back().balance, Money(113995));
  EXPECT_EQ(panel.assets, Money(113995));
}

TEST_F(InvestmentTest, FormChecksInOrder) {
  ASSERT_TRUE(db().exec(store::FormatSql("UPDATE Accounts SET LastReconciled = '2026-11-30' WHERE ID = %d", {broker_})));
  struct Case {
    const char* name;
    InvestmentForm form;
    const char* message;
    const char* field;
  };
  const Case cases[] = {
      {"shares first", Form(InvestmentAction::Buy, "-1", "-1", "-1", "-1"), "Number of Shares should be positive.",
       "shares"},
      {"shares wider than the column", Form(InvestmentAction::Buy, "2147483648", "1", "", ""),
       "The number of shares must not exceed 2,147,483,647.", "shares"},
      {"price", Form(InvestmentAction::Buy, "1", "-2.00", "-1", "-1"), "Price Paid for Share should be positive.",
       "price"},
      {"commission", Form(InvestmentAction::Buy, "1", "2", "-1", "-1"), "Commission should be positive.", "commission"},
      {"total", Form(InvestmentAction::Buy, "1", "2", "1", "-1"), "Total Cost should be positive.", "total"},
      {"past the reconciled date", Form(InvestmentAction::Buy, "1", "2", "1", "", "2026-12-01"),
       "A reconciled transaction can not have a date past the last reconciled date.", "date"},
      {"computed total too large", Form(InvestmentAction::Buy, "2000000000", "10000.00", "", ""),
       "The amount must be less than $100000,000,000.00.", "total"},
  };
  for (const Case& c : cases) {
    const InvestmentEntryResult result = EnterInvestment(data(), c.form, prompter_);
    EXPECT_EQ(result.status.message, c.message) << c.name;
    EXPECT_EQ(result.status.field, c.field) << c.name;
  }
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Investments"), 0);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Securities"), 0);
  // Minus half a unit is a whole number of 0: it passes, as typed for Income.
  const InvestmentKey half = Enter(Form(InvestmentAction::Income, "1", "-0.50", "", ""));
  EXPECT_EQ(Investment(half).price, Money(-50));
}

TEST_F(InvestmentTest, EditKeepsClearedAndRefusesARetiredRow) {
  const InvestmentKey key = Enter(Form(InvestmentAction::Buy, "10", "25.00", "9.95", ""));
  ASSERT_TRUE(db().exec("UPDATE Investments SET Cleared = 1 WHERE ID = " + std::to_string(key)));
  auto form = OpenInvestmentForm(data(), key);
  ASSERT_TRUE(form.has_value());
  EXPECT_EQ(InvestmentFormTitle(data(), *form), "Edit Investment (Broker)");
  EXPECT_EQ(form->priceText, "25.00");
  EXPECT_EQ(form->totalText, "259.95");
  form->sharesText = "12";
  form->totalText = "";
  Enter(*form);
  EXPECT_EQ(Investment(key).shares, 12);
  EXPECT_EQ(Investment(key).total, Money(-30995));
  EXPECT_TRUE(Investment(key).cleared);

  ASSERT_TRUE(DeleteInvestment(data(), key));
  const InvestmentEntryResult gone = EnterInvestment(data(), *form, prompter_);
  EXPECT_EQ(gone.status.message, "Cannot open transaction and save changes.");
  EXPECT_EQ(gone.status.title, "Edit Investment");
}

TEST_F(InvestmentTest, SearchMatchesSecurityAndTotalAndNeverARetiredRow) {
  const InvestmentKey buy = Enter(Form(InvestmentAction::Buy, "10", "25.00", "9.95", ""));
  EXPECT_TRUE(InvestmentMatchesText(data(), buy, "ACM"));
  EXPECT_TRUE(InvestmentMatchesText(data(), buy, "-$259.95"));
  EXPECT_FALSE(InvestmentMatchesText(data(), buy, "zzz"));
  const auto rows = InvestmentRegisterRows(data(), broker_, "2026-01-01", "2026-12-31");
  EXPECT_EQ(InvestmentFind(data(), rows, "acme", std::nullopt).key, buy);
  const auto next = InvestmentFind(data(), rows, "acme", buy);
  EXPECT_EQ(next.status.message, "No more investments matching \"acme\" could be found.");
  const auto none = InvestmentFind(data(), rows, "zzz", std::nullopt);
  EXPECT_EQ(none.status.message, "No investment matching \"zzz\" were found.");
  ASSERT_TRUE(DeleteInvestment(data(), buy));
  EXPECT_FALSE(InvestmentMatchesText(data(), buy, "acme"));
}

TEST_F(InvestmentTest, SecurityFormAndUniqueNames) {
  SecurityKey a = 0;
  ASSERT_TRUE(SaveSecurity(data(), {std::nullopt, "Acme", "ACM", "12.50"}, &a).ok);
  SecurityKey b = 0;
  ASSERT_TRUE(SaveSecurity(data(), {std::nullopt, "Bolt", "BLT", ""}, &b).ok);
  const Status empty = SaveSecurity(data(), {std::nullopt, " ", "", ""});
  EXPECT_EQ(empty.message, "Please enter a name for this security.");
  EXPECT_EQ(empty.title, "Security name required");
  EXPECT_EQ(SaveSecurity(data(), {std::nullopt, "Acme", "", ""}).message, "A security with this name already exists.");
  // Renaming onto another live security is refused; keeping its own name passes.
  EXPECT_EQ(SaveSecurity(data(), {b, "Acme", "", ""}).message, "A security with this name already exists.");
  EXPECT_FALSE(UpdateSecurity(data(), b, "Acme", "", Money()));
  EXPECT_TRUE(UpdateSecurity(data(), b, "Bolt", "BOLT", Money(5)));
  EXPECT_FALSE(AddSecurity(data(), "Bolt", "", Money()).has_value());
  EXPECT_EQ(SecurityListLines(data()).front().price, Money(1250));

  SecuritySearch search;
  EXPECT_EQ(search.find(data(), "").status.message, "Please enter a valid string to search");
  EXPECT_EQ(search.find(data(), "b").key, b);  // "Bolt"; "Acme" has no b
  const auto more = search.findNext(data());
  EXPECT_EQ(more.status.message, "No more securities matching \"b\" could be found.");
  EXPECT_EQ(more.status.title, "Search Complete");
  const auto none = search.find(data(), "xyz");
  EXPECT_EQ(none.status.message, "The string \"xyz\" cannot be found in securities.");
  EXPECT_EQ(none.status.title, "Find the security");

  prompter_.answer("Delete");
  ASSERT_TRUE(DeleteSecuritiesFromList(data(), {a}, prompter_).ok);
  EXPECT_EQ(prompter_.shown.back().title, "Delete security");
  // The name is free again; rows naming the old one keep its key.
  EXPECT_TRUE(AddSecurity(data(), "Acme", "", Money()).has_value());
  EXPECT_EQ(SecurityName(data(), a), "Acme");
}

TEST_F(InvestmentTest, SecurityByNameIsCreatedOnceForImportedRows) {
  InvestmentFields fields;
  fields.account = broker_;
  fields.date = "2026-11-01";
  const auto row = AddInvestment(data(), fields);
  ASSERT_TRUE(row.has_value());
  bool created = false;
  ASSERT_TRUE(SetInvestmentSecurityByName(data(), *row, "O'Brien Funds", &created));
  EXPECT_TRUE(created);
  created = false;
  ASSERT_TRUE(SetInvestmentSecurityByName(data(), *row, "O'Brien Funds", &created));
  EXPECT_FALSE(created);
  EXPECT_EQ(SecurityName(data(), Investment(*row).security), "O'Brien Funds");
}

class InvestmentScheduleTest : public InvestmentTest {
 protected:
  InvestmentScheduleForm ScheduleForm(const std::string& shares, const std::string& price,
                                      const std::string& commission, const std::string& total) {
    InvestmentScheduleForm form = NewInvestmentScheduleForm(data());
    form.security = AddSecurity(data(), "Fund " + std::to_string(++made_), "", Money()).value_or(0);
    form.sharesText = shares;
    form.priceText = price;
    form.commissionText = commission;
    form.totalText = total;
    form.recurrence.nextDate = "2026-12-01";
    form.recurrence.noEndDate = true;
    form.recurrence.unit = PeriodKind::Months;
    form.recurrence.every = 1;
    return form;
  }
  int made_ = 0;
};

TEST_F(InvestmentScheduleTest, ListNeedsAnInvestmentAccount) {
  EXPECT_TRUE(CheckInvestmentScheduleList(data()).ok);
  ASSERT_TRUE(db().exec(store::FormatSql("UPDATE Accounts SET Deleted = 1 WHERE ID = %d", {broker_})));
  const Status status = CheckInvestmentScheduleList(data());
  EXPECT_EQ(status.message,
            "No investment accounts have been set up. Set up an investment account before scheduling transactions.");
  EXPECT_EQ(status.title, "Schedule Investment Transactions");
}

TEST_F(InvestmentScheduleTest, FormChecksInOrder) {
  const std::string tooWide = ScheduleAmountLimitMessage(data().regional());
  struct Case {
    const char* name;
    InvestmentScheduleForm form;
    std::string message;
    const char* field;
  };
  InvestmentScheduleForm endBefore = ScheduleForm("1", "1", "", "");
  endBefore.recurrence.noEndDate = false;
  endBefore.recurrence.endDate = "2026-11-30";
  InvestmentScheduleForm wrongDay = ScheduleForm("1", "1", "", "");
  wrongDay.recurrence.mode = RecurrenceMode::DayOfMonth;
  wrongDay.recurrence.day = 2;
  const Case cases[] = {
      {"negative shares", ScheduleForm("-1", "x", "", ""), "Number of Shares should be positive.", "shares"},
      {"shares not digits", ScheduleForm("1.5", "x", "", ""), "Please enter only numbers for shares.", "shares"},
      {"negative price", ScheduleForm("1", "-1", "", ""), "Price Paid for Share should be positive.", "price"},
      {"price not money", ScheduleForm("1", "1.2.3", "", ""), "Please enter a valid price paid.", "price"},
      {"price past 32 bits", ScheduleForm("1", "21474836.48", "", ""), tooWide, "price"},
      {"commission not money", ScheduleForm("1", "1", "abc", ""), "Please enter a valid commission price.",
       "commission"},
      {"negative total", ScheduleForm("1", "1", "1", "-3"), "Total Cost should be positive.", "total"},
      {"total not money", ScheduleForm("1", "1", "1", "3x"), "Please enter a valid total cost.", "total"},
      {"end before next", endBefore, "End date must be after next date.", "end"},
      {"day differs", wrongDay, "Next Date should be the same as Schedule day of month.", "day"},
      {"computed cost past 32 bits", ScheduleForm("1000", "21474.84", "", ""), tooWide, "total"},
  };
  for (const Case& c : cases) {
    const Status status = SaveInvestmentSchedule(data(), c.form);
    EXPECT_EQ(status.message, c.message) << c.name;
    EXPECT_EQ(status.field, c.field) << c.name;
  }
  EXPECT_EQ(Number("SELECT COUNT(*) FROM ScheduledInvestments"), 0);
  // The largest cost a 32-bit column holds passes.
  InvestmentScheduleKey key = 0;
  ASSERT_TRUE(SaveInvestmentSchedule(data(), ScheduleForm("1", "21474836.47", "", ""), &key).ok);
  EXPECT_EQ(Text("SELECT Cost FROM ScheduledInvestments WHERE ID = " + std::to_string(key)), "-2147483647");
}

TEST_F(InvestmentScheduleTest, PostedBuyEntersTheStoredSignsAndMovesOn) {
  InvestmentScheduleKey key = 0;
  ASSERT_TRUE(SaveInvestmentSchedule(data(), ScheduleForm("10", "25.00", "9.95", ""), &key).ok);
  const auto lines = InvestmentScheduleLines(data(), ScheduleView::Active, true);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].accountName, "Broker");
  EXPECT_EQ(lines[0].action, "Buy");
  EXPECT_EQ(lines[0].price, Money(2500));  // magnitudes, as typed
  EXPECT_EQ(lines[0].cost, Money(25995));

  const auto posted = PostScheduledInvestment(data(), key);
  ASSERT_TRUE(posted.has_value());
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Investments"), 1);
  const InvestmentRow row = Investment(*posted);
  EXPECT_EQ(row.date, "2026-12-01");
  EXPECT_EQ(row.shares, 10);
  EXPECT_EQ(row.price, Money(-2500));
  EXPECT_EQ(row.commission, Money(995));
  EXPECT_EQ(row.total, Money(-25995));
  EXPECT_EQ(row.note, "");
  EXPECT_EQ(LoadInvestmentSchedule(data(), key)->next, "2027-01-01");

  EXPECT_TRUE(SkipScheduledInvestment(data(), key));
  EXPECT_EQ(LoadInvestmentSchedule(data(), key)->next, "2027-02-01");
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Investments"), 1);
  EXPECT_TRUE(InvestmentScheduleLines(data(), ScheduleView::Active, true).empty());
}

TEST_F(InvestmentScheduleTest, PostingManyIsAllOrNothing) {
  std::vector<InvestmentScheduleKey> keys;
  for (int i = 0; i < 3; ++i) {
    InvestmentScheduleKey key = 0;
    ASSERT_TRUE(SaveInvestmentSchedule(data(), ScheduleForm("1", "1", "", ""), &key).ok);
    keys.push_back(key);
  }
  const std::string before = Snapshot();
  Fault(store::FormatSql("BEFORE UPDATE ON ScheduledInvestments WHEN OLD.ID = %d", {keys[2]}));
  const InvestmentPostResult result = PostScheduledInvestments(data(), keys);
  EXPECT_FALSE(result.status.ok);
  EXPECT_EQ(Snapshot(), before);
}

}  // namespace
}  // namespace tallyvane::planning
