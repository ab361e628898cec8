#include "planning/schedules.h"

#include "planning_fixture.h"
#include "store/dates.h"

namespace tallyvane::planning {
namespace {

struct SequenceCase {
  const char* name;
  const char* start;
  int period;
  PeriodKind kind;
  std::vector<std::string> expected;
};

TEST(AdvanceScheduleDate, DateSequences) {
  const SequenceCase cases[] = {
      {"every 2 weeks", "2009-03-30", 2, PeriodKind::Weeks, {"2009-04-13", "2009-04-27"}},
      {"every month keeps the clamped day", "2009-01-31", 1, PeriodKind::Months, {"2009-02-28", "2009-03-28"}},
      {"day 31 of every month", "2009-01-31", 31, PeriodKind::DayOfMonth, {"2009-02-28", "2009-03-31", "2009-04-30"}},
      {"day 30 of every month", "2009-02-28", 30, PeriodKind::DayOfMonth, {"2009-03-31", "2009-04-30", "2009-05-30"}},
      {"day 29 in a leap year", "2012-01-29", 29, PeriodKind::DayOfMonth, {"2012-02-29", "2012-03-29"}},
      {"century not a leap year", "2100-01-31", 1, PeriodKind::Months, {"2100-02-28"}},
      {"fourth century is", "2000-01-31", 1, PeriodKind::Months, {"2000-02-29"}},
      {"twelve months from a leap day", "2012-02-29", 12, PeriodKind::Months, {"2013-02-28", "2014-02-28"}},
      {"days across the year end", "2009-12-30", 3, PeriodKind::Days, {"2010-01-02", "2010-01-05"}},
      {"months across the year end", "2009-11-15", 3, PeriodKind::Months, {"2010-02-15", "2010-05-15"}},
      {"unknown kind stays", "2009-03-30", 1, static_cast<PeriodKind>(7), {"2009-03-30"}},
  };
  for (const SequenceCase& c : cases) {
    std::string date = c.start;
    for (const std::string& expected : c.expected) {
      date = AdvanceScheduleDate(date, c.period, static_cast<int>(c.kind));
      EXPECT_EQ(date, expected) << c.name;
    }
  }
  EXPECT_EQ(AdvanceScheduleDate(std::string_view("Completed"), 1, 0), "Completed");
}

TEST(AdvanceScheduleDate, WholeCalendarDaysAcrossDaylightSavingChanges) {
  struct Zone {
    const char* zone;
    const char* start;
    int period;
    PeriodKind kind;
    std::vector<std::string> expected;
  };
  const Zone zones[] = {
      {"America/New_York", "2026-03-07", 1, PeriodKind::Days, {"2026-03-08", "2026-03-09", "2026-03-10"}},
      {"America/New_York", "2026-10-31", 1, PeriodKind::Days, {"2026-11-01", "2026-11-02"}},
      {"America/New_York", "2026-03-01", 1, PeriodKind::Weeks, {"2026-03-08", "2026-03-15"}},
      {"Europe/London", "2026-03-28", 1, PeriodKind::Days, {"2026-03-29", "2026-03-30"}},
      // Clocks went forward at midnight here: the day starts at 01:00.
      {"America/Sao_Paulo", "2018-11-03", 1, PeriodKind::Days, {"2018-11-04", "2018-11-05"}},
  };
  for (const Zone& z : zones) {
    tallyvane::testing::ScopedTimeZone zone(z.zone);
    std::time_t t = store::DateTextToTime(z.start);
    for (const std::string& expected : z.expected) {
      t = AdvanceScheduleDate(t, z.period, static_cast<int>(z.kind));
      EXPECT_EQ(store::DateText(t), expected) << z.zone << " from " << z.start;
    }
  }
  tallyvane::testing::ScopedTimeZone zone("America/New_York");
  const std::time_t noon = store::DateTextToTime("2026-03-07", "12:00:00");
  EXPECT_EQ(store::TimeToDateText(AdvanceScheduleDate(noon, 2, 0)).time, "12:00:00");
}

class ScheduleTest : public PlanningTest {
 protected:
  ScheduleForm Form(TransactionType type, const std::string& amount, const std::string& next) {
    ScheduleForm form = NewScheduleForm(data());
    form.type = type;
    form.amountText = amount;
    form.recurrence.nextDate = next;
    form.recurrence.endDate = next;
    form.recurrence.noEndDate = true;
    return form;
  }

  ScheduleKey Save(const ScheduleForm& form) {
    ScheduleKey key = 0;
    const Status status = SaveSchedule(data(), form, &key);
    EXPECT_TRUE(status.ok) << status.message;
    return key;
  }

  ScheduleRow Schedule(ScheduleKey key) { return LoadSchedule(data(), key).value_or(ScheduleRow{}); }
};

TEST_F(ScheduleTest, NewFormDefaults) {
  const ScheduleForm form = NewScheduleForm(data());
  EXPECT_EQ(form.account, kChecking);
  EXPECT_EQ(form.type, TransactionType::Deposit);
  EXPECT_EQ(form.recurrence.nextDate, "2026-12-10");
  EXPECT_EQ(form.recurrence.endDate, "2026-12-10");
  EXPECT_FALSE(form.recurrence.noEndDate);
  EXPECT_EQ(form.recurrence.mode, RecurrenceMode::Every);
  EXPECT_EQ(form.recurrence.every, 2);
  EXPECT_EQ(form.recurrence.unit, PeriodKind::Weeks);
  EXPECT_EQ(form.recurrence.day, 10);
}

TEST_F(ScheduleTest, FormChecksInOrder) {
  struct Case {
    const char* name;
    void (*change)(ScheduleForm&);
    const char* message;
    const char* field;
  };
  const std::string tooWide = ScheduleAmountLimitMessage(data().regional());
  const std::string tooLarge =
      "The amount must be less than " + store::FormatMoney(data().regional(), Money(store::kMoneyInputLimit)) + ".";
  const Case cases[] = {
      {"transfer without account, bad amount",
       [](ScheduleForm& f) {
         f.type = TransactionType::Transfer;
         f.amountText = "x";
       },
       "Select a valid account for this transfer.", "transfer_account"},
      {"transfer to itself",
       [](ScheduleForm& f) {
         f.type = TransactionType::Transfer;
         f.transferAccount = f.account;
       },
       "Select a valid account for this transfer.", "transfer_account"},
      {"transfer to an unknown typed account",
       [](ScheduleForm& f) {
         f.type = TransactionType::Transfer;
         f.transferAccountName = "Nowhere";
       },
       "Select a valid account for this transfer.", "transfer_account"},
      {"amount not money, bad dates", [](ScheduleForm& f) {
         f.amountText = "ten";
         f.recurrence.noEndDate = false;
         f.recurrence.endDate = "2026-01-01";
       },
       "Please enter a valid transaction amount.", "amount"},
      {"amount at the input limit", [](ScheduleForm& f) { f.amountText = "100000000000"; }, nullptr, "amount"},
      {"amount past 32 bits", [](ScheduleForm& f) { f.amountText = "21474836.48"; }, "", "amount"},
      {"end before next",
       [](ScheduleForm& f) {
         f.recurrence.noEndDate = false;
         f.recurrence.endDate = "2026-12-09";
       },
       "End date must be after next date.", "end"},
      {"day of month differs",
       [](ScheduleForm& f) {
         f.recurrence.mode = RecurrenceMode::DayOfMonth;
         f.recurrence.nextDate = "2026-12-14";
         f.recurrence.day = 15;
       },
       "Next Date should be the same as Schedule day of month.", "day"},
      {"period of zero", [](ScheduleForm& f) { f.recurrence.every = 0; },
       "Please enter a number of days, weeks or months from 1 to 999.", "every"},
  };
  for (const Case& c : cases) {
    ScheduleForm form = Form(TransactionType::Purchase, "10.00", "2026-12-10");
    c.change(form);
    const Status status = SaveSchedule(data(), form);
    EXPECT_FALSE(status.ok) << c.name;
    const std::string expected = c.message == nullptr ? tooLarge : (*c.message == '\0' ? tooWide : c.message);
    EXPECT_EQ(status.message, expected) << c.name;
    EXPECT_EQ(status.field, c.field) << c.name;
  }
  EXPECT_EQ(tooWide, "The amount of a scheduled transaction must not exceed $21,474,836.47.");
  EXPECT_EQ(Number("SELECT COUNT(*) FROM ScheduledTransactions"), 0);
}

TEST_F(ScheduleTest, BoundaryAmountsAndDatesPass) {
  ScheduleForm form = Form(TransactionType::Purchase, "21474836.47", "2026-12-10");
  form.recurrence.noEndDate = false;  // the end date equal to the next date passes
  const ScheduleKey key = Save(form);
  EXPECT_EQ(Schedule(key).amount, Money(-2147483647));
  EXPECT_EQ(Schedule(key).end, "2026-12-10");
  EXPECT_EQ(Text("SELECT Amount FROM ScheduledTransactions WHERE ID = " + std::to_string(key)), "-2147483647");
}

TEST_F(ScheduleTest, SaveStoresSignsKindsPayeeAndRemembersTheCategory) {
  ScheduleForm form = Form(TransactionType::Purchase, "-1,250.00", "2026-12-15");
  form.payee = "Landlord";
  form.category = ledger::FindCategoryByFullName(data(), "Housing");
  ASSERT_GT(form.category, 0);
  form.recurrence.mode = RecurrenceMode::DayOfMonth;
  form.recurrence.day = 15;
  form.recurrence.reminders = true;
  const ScheduleKey key = Save(form);
  const ScheduleRow row = Schedule(key);
  EXPECT_EQ(row.amount, Money(-125000));  // a magnitude, negated for a payment
  EXPECT_EQ(row.periodKind, 3);
  EXPECT_EQ(row.period, 15);
  EXPECT_TRUE(row.reminders);
  EXPECT_EQ(row.end, "");
  EXPECT_EQ(row.taxDeductible, 0);
  EXPECT_EQ(row.left, 0);
  const PayeeKey payee = ledger::FindPayeeId(data(), "Landlord");
  ASSERT_GT(payee, 0);
  EXPECT_EQ(row.payee, payee);
  EXPECT_EQ(Number("SELECT Category FROM PayAccounts WHERE ID = " + std::to_string(payee)), form.category);

  ScheduleForm deposit = Form(TransactionType::Deposit, "-3.00", "2026-12-15");
  deposit.recurrence.unit = PeriodKind::Months;
  deposit.recurrence.every = 3;
  const ScheduleRow d = Schedule(Save(deposit));
  EXPECT_EQ(d.amount, Money(300));
  EXPECT_EQ(d.periodKind, 2);
  EXPECT_EQ(d.period, 3);

  auto reopened = OpenScheduleForm(data(), key);
  ASSERT_TRUE(reopened.has_value());
  EXPECT_EQ(reopened->amountText, "1,250.00");
  EXPECT_EQ(reopened->payee, "Landlord");
  EXPECT_TRUE(reopened->recurrence.noEndDate);
  EXPECT_EQ(reopened->recurrence.mode, RecurrenceMode::DayOfMonth);
}

TEST_F(ScheduleTest, PostingACheckUsesTheNextNumberAndAdvances) {
  ASSERT_TRUE(db().exec("UPDATE Accounts SET AcctCurrentCheckNum = 98 WHERE ID = 1"));
  ScheduleForm form = Form(TransactionType::Check, "75.00", "2026-12-01");
  form.payee = "Water Works";
  form.recurrence.unit = PeriodKind::Months;
  form.recurrence.every = 1;
  const ScheduleKey key = Save(form);
  const auto posted = PostScheduledTransaction(data(), key);
  ASSERT_TRUE(posted.has_value());
  const ledger::TransactionRow row = Row(*posted);
  EXPECT_EQ(row.number, "99");
  EXPECT_EQ(row.date, "2026-12-01");
  EXPECT_EQ(row.amount, Money(-7500));
  EXPECT_EQ(row.type, static_cast<int>(TransactionType::Check));
  EXPECT_FALSE(row.cleared || row.reconciled);
  EXPECT_EQ(Number("SELECT AcctCurrentCheckNum FROM Accounts WHERE ID = 1"), 99);
  EXPECT_EQ(Schedule(key).next, "2027-01-01");
  EXPECT_EQ(Number("SELECT AcctCurrentBal FROM Accounts WHERE ID = 1"), -7500);
}

TEST_F(ScheduleTest, PastItsEndAScheduleCompletesAndCannotBePostedAgain) {
  ScheduleForm form = Form(TransactionType::Purchase, "20.00", "2009-05-01");
  form.recurrence.noEndDate = false;
  form.recurrence.endDate = "2009-05-10";
  const ScheduleKey key = Save(form);
  const auto posted = PostScheduledTransaction(data(), key);
  ASSERT_TRUE(posted.has_value());
  EXPECT_EQ(Row(*posted).date, "2009-05-01");
  EXPECT_EQ(Schedule(key).next, "Completed");
  EXPECT_FALSE(CanPostOrSkip(data(), {key}));

  const std::string before = Snapshot();
  EXPECT_FALSE(PostScheduledTransaction(data(), key).has_value());
  EXPECT_FALSE(SkipScheduledTransaction(data(), key));
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(ScheduleListLines(data(), ScheduleView::Active, false).size(), 0u);
  ASSERT_EQ(ScheduleListLines(data(), ScheduleView::Old, false).size(), 1u);
}

TEST_F(ScheduleTest, PostingGoesOnPastTheYear2038) {
  ScheduleFields fields;
  fields.account = kChecking;
  fields.amount = Money(-100);
  fields.next = "2038-12-30";
  const auto key = AddSchedule(data(), fields);
  ASSERT_TRUE(key.has_value());
  ASSERT_TRUE(PostScheduledTransaction(data(), *key).has_value());
  EXPECT_EQ(Schedule(*key).next, "2039-01-13");
  const auto later = PostScheduledTransaction(data(), *key);
  ASSERT_TRUE(later.has_value());
  EXPECT_EQ(Row(*later).date, "2039-01-13");
}

TEST_F(ScheduleTest, SkipOnlyAdvances) {
  const ScheduleKey key = Save(Form(TransactionType::Purchase, "20.00", "2009-03-30"));
  EXPECT_TRUE(SkipScheduledTransaction(data(), key));
  EXPECT_EQ(Schedule(key).next, "2009-04-13");
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions"), 0);
}

TEST_F(ScheduleTest, SplitTemplateLinesAreCopiedAndAnEditDropsTheTemplate) {
  const TransactionKey source = Add(kChecking, "100.00", "2026-11-01", TransactionType::Purchase, "Market");
  ASSERT_TRUE(ledger::SaveSplitLines(data(), source,
                                     {{std::nullopt, "Food | Groceries", "food", "60.00", ""},
                                      {std::nullopt, "", "other", "40.00", ""}},
                                     {})
                  .ok);
  auto form = ScheduleFormFromTransaction(data(), source);
  ASSERT_TRUE(form.has_value());
  EXPECT_EQ(form->splitTemplate, source);
  EXPECT_EQ(form->payee, "Market");
  EXPECT_EQ(form->amountText, "100.00");
  EXPECT_EQ(form->type, TransactionType::Purchase);
  form->recurrence.noEndDate = true;
  const ScheduleKey key = Save(*form);

  const auto posted = PostScheduledTransaction(data(), key);
  ASSERT_TRUE(posted.has_value());
  EXPECT_TRUE(Row(*posted).split);
  const auto lines = ledger::LiveSplitLines(data(), *posted);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].amount, Money(-6000));
  EXPECT_EQ(lines[0].note, "food");
  EXPECT_EQ(lines[0].category, ledger::FindCategoryByFullName(data(), "Food | Groceries"));
  EXPECT_EQ(lines[1].amount, Money(-4000));

  auto edit = OpenScheduleForm(data(), key);
  ASSERT_TRUE(SaveSchedule(data(), *edit).ok);
  EXPECT_EQ(Schedule(key).splitTemplate, 0);
}

TEST_F(ScheduleTest, AScheduleTheLedgerRefusesIsNeitherPostedNorAdvanced) {
  ScheduleFields fields;
  fields.account = kChecking;
  fields.amount = Money(-100);
  fields.payee = 1;
  fields.transferAccount = kSavings;  // both: the ledger refuses the row
  fields.type = TransactionType::Transfer;
  fields.next = "2026-12-01";
  const auto bad = AddSchedule(data(), fields);
  const ScheduleKey good = Save(Form(TransactionType::Purchase, "1.00", "2026-12-01"));
  ASSERT_TRUE(bad.has_value());
  const PostResult result = PostScheduledTransactions(data(), {*bad, good});
  EXPECT_TRUE(result.status.ok);
  EXPECT_EQ(result.entered.size(), 1u);
  EXPECT_EQ(result.refused, std::vector<ScheduleKey>{*bad});
  EXPECT_EQ(Schedule(*bad).next, "2026-12-01");
  EXPECT_EQ(Schedule(good).next, "2026-12-15");
}

TEST_F(ScheduleTest, AddScheduleRefusesAnAmountWiderThanItsColumn) {
  ScheduleFields fields;
  fields.account = kChecking;
  fields.amount = Money(-2147483648LL);
  fields.next = "2026-12-01";
  EXPECT_FALSE(AddSchedule(data(), fields).has_value());
  EXPECT_EQ(Number("SELECT COUNT(*) FROM ScheduledTransactions"), 0);
}

TEST_F(ScheduleTest, PostingManyIsAllOrNothingAndRebalancesOncePerAccount) {
  std::vector<ScheduleKey> keys;
  for (const char* date : {"2026-10-05", "2026-11-05", "2026-12-05"}) {
    keys.push_back(Save(Form(TransactionType::Purchase, "10.00", date)));
  }
  ScheduleForm transfer = Form(TransactionType::Transfer, "5.00", "2026-11-20");
  transfer.transferAccount = kSavings;
  keys.push_back(Save(transfer));

  const std::string before = Snapshot();
  Fault("BEFORE INSERT ON Transactions WHEN NEW.TransactionDate = '2026-12-05'");
  const PostResult failed = PostScheduledTransactions(data(), keys);
  EXPECT_FALSE(failed.status.ok);
  EXPECT_TRUE(failed.entered.empty());
  EXPECT_EQ(Snapshot(), before);
  ASSERT_TRUE(db().exec("DROP TRIGGER Fault"));

  // Each cache row of an account is written once: one recomputation each.
  ASSERT_TRUE(db().exec("CREATE TABLE CacheWrites (Account INTEGER)"));
  ASSERT_TRUE(db().exec("CREATE TRIGGER CountInsert AFTER INSERT ON MonthlyBalances BEGIN INSERT INTO CacheWrites "
                        "VALUES (NEW.Account); END"));
  ASSERT_TRUE(db().exec("CREATE TRIGGER CountUpdate AFTER UPDATE ON MonthlyBalances BEGIN INSERT INTO CacheWrites "
                        "VALUES (NEW.Account); END"));
  const PostResult posted = PostScheduledTransactions(data(), keys);
  ASSERT_TRUE(posted.status.ok);
  EXPECT_EQ(posted.entered.size(), 4u);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM CacheWrites WHERE Account = 1"), 3);  // October to December
  EXPECT_EQ(Number("SELECT COUNT(*) FROM CacheWrites WHERE Account = 2"), 1);  // November
  EXPECT_EQ(Cache(kChecking, 2026, 12).first, -3500);
  EXPECT_EQ(Cache(kSavings, 2026, 11).first, 500);
  EXPECT_EQ(Number("SELECT AcctCurrentBal FROM Accounts WHERE ID = 2"), 500);
}

TEST_F(ScheduleTest, DueTestAndStartUpReminder) {
  struct Case {
    const char* name;
    const char* next;
    const char* end;
    bool due;
  };
  const Case cases[] = {
      {"next is today", "2026-12-10", "", true},
      {"next has passed", "2026-11-01", "", true},
      {"next is tomorrow", "2026-12-11", "", false},
      {"end has passed", "2026-11-01", "2026-12-09", false},
      {"end is today", "2026-11-01", "2026-12-10", true},
      {"completed", "Completed", "", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsScheduleDue(data(), c.next, c.end), c.due) << c.name;

  EXPECT_FALSE(AnyScheduleNeedsAttention(data()));
  ScheduleForm quiet = Form(TransactionType::Purchase, "1", "2026-12-01");
  const ScheduleKey quietKey = Save(quiet);  // due, but no reminders
  ScheduleForm later = Form(TransactionType::Purchase, "1", "2026-12-20");
  later.recurrence.reminders = true;
  Save(later);
  EXPECT_FALSE(AnyScheduleNeedsAttention(data()));
  ScheduleForm due = Form(TransactionType::Purchase, "1", "2026-12-10");
  due.recurrence.reminders = true;
  const ScheduleKey dueKey = Save(due);
  EXPECT_TRUE(AnyScheduleNeedsAttention(data()));
  prompter_.answer("Delete");
  ASSERT_TRUE(DeleteSchedulesFromList(data(), {dueKey}, prompter_).ok);
  EXPECT_EQ(prompter_.shown.back().title, "Delete scheduled transaction");
  EXPECT_FALSE(AnyScheduleNeedsAttention(data()));
  static_cast<void>(quietKey);
}

TEST_F(ScheduleTest, ListColumnsViewsAndOverdueFilter) {
  ScheduleForm rent = Form(TransactionType::Purchase, "900.00", "2026-12-01");
  rent.payee = "Landlord";
  const ScheduleKey rentKey = Save(rent);
  ScheduleForm pay = Form(TransactionType::Deposit, "2000.00", "2026-12-24");
  const ScheduleKey payKey = Save(pay);
  ScheduleForm move = Form(TransactionType::Transfer, "50.00", "2026-12-05");
  move.transferAccountName = "Savings Account";
  const ScheduleKey moveKey = Save(move);

  const auto all = ScheduleListLines(data(), ScheduleView::Active, false);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0].accountName, "Checking Account");
  EXPECT_EQ(all[0].payee, "Landlord");
  EXPECT_EQ(all[0].category, "Not categorized");
  EXPECT_EQ(all[0].payment, Money(90000));
  EXPECT_FALSE(all[0].deposit.has_value());
  EXPECT_EQ(all[1].deposit, Money(200000));
  EXPECT_EQ(all[2].payee, "Savings Account");

  const auto overdue = ScheduleListLines(data(), ScheduleView::Active, true);
  ASSERT_EQ(overdue.size(), 2u);
  EXPECT_EQ(overdue[0].row.key, rentKey);
  EXPECT_EQ(overdue[1].row.key, moveKey);
  EXPECT_TRUE(CanPostOrSkip(data(), {rentKey, payKey}));
  EXPECT_FALSE(CanPostOrSkip(data(), {}));
  EXPECT_EQ(ScheduleViewToggleLabel(ScheduleView::Active), "Show Old Schedules");
  EXPECT_EQ(ScheduleViewToggleLabel(ScheduleView::Old), "Show Active Schedules");
}

TEST_F(ScheduleTest, ChosenPayeePreselectsItsRememberedCategory) {
  const CategoryKey rent = ledger::FindCategoryByFullName(data(), "Housing | Rent");
  const CategoryKey housing = ledger::FindCategoryByFullName(data(), "Housing");
  ASSERT_GT(rent, 0);
  const PayeeKey landlord = *ledger::AddPayee(data(), "Landlord", "");
  ledger::RememberPayeeCategory(data(), landlord, rent);

  ScheduleForm form = Form(TransactionType::Purchase, "900", "2026-12-15");
  ASSERT_TRUE(ChooseSchedulePayee(data(), form, landlord));
  EXPECT_EQ(form.payee, "Landlord");
  EXPECT_EQ(form.category, housing);
  EXPECT_EQ(form.subcategory, rent);
  const ScheduleRow row = Schedule(Save(form));
  EXPECT_EQ(row.category, rent);

  ScheduleForm chosen = Form(TransactionType::Purchase, "900", "2026-12-15");
  chosen.category = ledger::FindCategoryByFullName(data(), "Miscellaneous");
  ASSERT_TRUE(ChooseSchedulePayee(data(), chosen, landlord));
  EXPECT_EQ(chosen.category, ledger::FindCategoryByFullName(data(), "Miscellaneous"));
  EXPECT_EQ(chosen.subcategory, 0);

  // A schedule saved without a category does not make the payee forget.
  ScheduleForm bare = Form(TransactionType::Purchase, "900", "2026-12-15");
  bare.payee = "Landlord";
  Save(bare);
  EXPECT_EQ(ledger::PayeeDefaultCategory(data(), landlord)->subcategory, rent);
  EXPECT_FALSE(ChooseSchedulePayee(data(), bare, 9999));
}

}  // namespace
}  // namespace tallyvane::planning
