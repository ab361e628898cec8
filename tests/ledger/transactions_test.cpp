#include "ledger_fixture.h"

namespace tallyvane::ledger {
namespace {

TEST_F(LedgerTest, TypesStoreTheSignTheFormGivesThem) {
  struct Case {
    TransactionType type;
    const char* amount;
    int64_t stored;
    bool payment;
  };
  const Case cases[] = {
      {TransactionType::Deposit, "12.50", 1250, false},
      {TransactionType::Purchase, "12.50", -1250, true},
      {TransactionType::Purchase, "-12.50", 1250, true},  // shows as -12.50 payment
      {TransactionType::ATM, "20", -2000, true},
      {TransactionType::EFT, "0.01", -1, true},
      {TransactionType::Check, "7", -700, true},
  };
  for (const Case& c : cases) {
    const TransactionRow row = Row(Add(kChecking, c.amount, "2026-12-01", c.type));
    EXPECT_EQ(row.amount.minorUnits(), c.stored) << TransactionTypeLabel(c.type) << " " << c.amount;
    EXPECT_EQ(row.inPaymentColumn(), c.payment) << TransactionTypeLabel(c.type);
  }
}

TEST_F(LedgerTest, TransferPairStaysInStepThroughEdits) {
  const TransactionKey a = Add(kChecking, "100.00", "2026-12-01", TransactionType::Transfer, {}, {}, kSavings);
  TransactionRow origin = Row(a);
  TransactionRow partner = Row(origin.referencedId);
  EXPECT_EQ(origin.amount.minorUnits(), -10000);
  EXPECT_EQ(origin.type, 5);
  EXPECT_EQ(partner.amount.minorUnits(), 10000);
  EXPECT_EQ(partner.type, 0);
  EXPECT_EQ(partner.referencedId, a);
  EXPECT_EQ(TransactionPayeeText(data(), origin), "Transfer to Savings Account");
  EXPECT_EQ(TransactionPayeeText(data(), partner), "Transfer from Checking Account");

  // Amount change rewrites both rows.
  auto form = OpenEntryForm(data(), origin.referencedId);  // the partner opens its origin
  ASSERT_TRUE(form && form->key == a);
  form->amountText = "40.00";
  ASSERT_TRUE(EnterTransaction(data(), *form, prompter_).status.ok);
  EXPECT_EQ(Row(a).amount.minorUnits(), -4000);
  EXPECT_EQ(Row(origin.referencedId).amount.minorUnits(), 4000);

  // Turning it into a purchase retires the partner; back to a transfer makes a new one.
  form = OpenEntryForm(data(), a);
  form->type = TransactionType::Purchase;
  form->transferAccount = 0;
  ASSERT_TRUE(EnterTransaction(data(), *form, prompter_).status.ok);
  EXPECT_TRUE(Row(origin.referencedId).deleted);
  EXPECT_EQ(Row(a).referencedId, 0);
  EXPECT_EQ(Row(a).referencedAccount, 0);
  form = OpenEntryForm(data(), a);
  form->type = TransactionType::Transfer;
  form->transferAccount = kCard;
  ASSERT_TRUE(EnterTransaction(data(), *form, prompter_).status.ok);
  const TransactionRow again = Row(a);
  ASSERT_NE(again.referencedId, 0);
  EXPECT_NE(again.referencedId, origin.referencedId);
  EXPECT_EQ(Row(again.referencedId).account, kCard);
  EXPECT_EQ(Row(again.referencedId).amount.minorUnits(), 4000);

  // Deleting the origin takes the partner along.
  ASSERT_TRUE(DeleteTransaction(data(), a));
  EXPECT_TRUE(Row(again.referencedId).deleted);
}

TEST_F(LedgerTest, ZeroTransferShowsTransferToOnBothSides) {
  const TransactionKey a = Add(kChecking, "0", "2026-12-01", TransactionType::Transfer, {}, {}, kSavings);
  EXPECT_EQ(TransactionPayeeText(data(), Row(a)), "Transfer to Savings Account");
  EXPECT_EQ(TransactionPayeeText(data(), Row(Row(a).referencedId)), "Transfer to Checking Account");
}

TEST_F(LedgerTest, AddTransactionRefusesPayeeAndTransferTogether) {
  TransactionFields fields;
  fields.account = kChecking;
  fields.payee = 1;
  fields.transferAccount = kSavings;
  fields.date = "2026-12-01";
  EXPECT_FALSE(AddTransaction(data(), fields).has_value());
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions"), 0);
}

TEST_F(LedgerTest, DateEditsRebalanceOnlyAcrossMonths) {
  SetStarting(kChecking, 100000);
  const TransactionKey a = Add(kChecking, "200.00", "2026-10-15");
  EXPECT_EQ(Cache(kChecking, 2026, 10).first, 80000);
  // Poison the cache: a same-month edit must not rewrite it, a move must.
  ASSERT_TRUE(db().exec("UPDATE MonthlyBalances SET Balance = 1"));
  auto form = OpenEntryForm(data(), a);
  form->date = "2026-10-20";
  ASSERT_TRUE(EnterTransaction(data(), *form, prompter_).status.ok);
  EXPECT_EQ(Cache(kChecking, 2026, 10).first, 1);
  form = OpenEntryForm(data(), a);
  form->date = "2026-11-03";
  ASSERT_TRUE(EnterTransaction(data(), *form, prompter_).status.ok);
  EXPECT_EQ(Cache(kChecking, 2026, 10).first, 100000);
  EXPECT_EQ(Cache(kChecking, 2026, 11).first, 80000);
}

TEST_F(LedgerTest, MonthlyCacheFollowsTheAccountKind) {
  for (AccountKey account : {kChecking, kCard}) {
    SetStarting(account, 100000);
    Add(account, "200.00", "2026-03-15");
    Add(account, "50.00", "2026-05-02", TransactionType::Deposit);
    RecomputeMonthlyBalances(data(), account, "2026-03-15");
  }
  EXPECT_EQ(Cache(kChecking, 2026, 3).first, 80000);
  EXPECT_EQ(Cache(kChecking, 2026, 4).first, 80000);
  EXPECT_EQ(Cache(kChecking, 2026, 5).first, 85000);
  EXPECT_EQ(Cache(kCard, 2026, 3).first, 120000);
  EXPECT_EQ(Cache(kCard, 2026, 4).first, 120000);
  EXPECT_EQ(Cache(kCard, 2026, 5).first, 115000);
  EXPECT_EQ(OpeningBalanceBefore(data(), kChecking, "2026-06-10")->balance.minorUnits(), 85000);
  EXPECT_EQ(AccountBalanceNow(data(), kCard).minorUnits(), 115000);
}

TEST_F(LedgerTest, VoidAndDeletedRowsChangeNothingAndReconciledCounts) {
  SetStarting(kChecking, 100000);
  const TransactionKey a = Add(kChecking, "200.00", "2026-03-15");
  const TransactionKey b = Add(kChecking, "30.00", "2026-03-16");
  const TransactionKey c = Add(kChecking, "40.00", "2026-03-17");
  ASSERT_TRUE(VoidTransaction(data(), b));
  ASSERT_TRUE(DeleteTransaction(data(), c));
  EXPECT_EQ(Cache(kChecking, 2026, 3).first, 80000);
  ASSERT_TRUE(db().exec(store::FormatSql("UPDATE Transactions SET Reconciled = 1 WHERE ID = %d", {a})));
  RecomputeMonthlyBalances(data(), kChecking, "2026-03-01");
  EXPECT_EQ(Cache(kChecking, 2026, 3), (std::pair<int64_t, int64_t>{80000, 80000}));
  EXPECT_EQ(Cache(kChecking, 2026, 2).first, -1);
}

TEST_F(LedgerTest, AccountWithoutRowsKeepsItsStartingBalance) {
  SetStarting(kSavings, 4321);
  UpdateCurrentBalance(data(), kSavings);
  EXPECT_EQ(Number("SELECT AcctCurrentBal FROM Accounts WHERE ID = 2"), 4321);
  RecomputeMonthlyBalances(data(), kSavings, "2026-12-05");
  EXPECT_EQ(Cache(kSavings, 2026, 12).first, 4321);
}

TEST_F(LedgerTest, BatchRecomputesOncePerAccountFromTheEarliestDate) {
  ASSERT_TRUE(BeginRebalanceBatch(data()));
  EXPECT_FALSE(BeginRebalanceBatch(data()));  // already open: not the opener
  NoteRebalance(data(), kChecking, "2026-06-10");
  NoteRebalance(data(), kChecking, "2026-04-02");
  NoteRebalance(data(), kChecking, "2026-05-01");
  NoteRebalance(data(), kSavings, "2026-01-01");
  ASSERT_TRUE(data().rebalanceBatch().has_value());
  EXPECT_EQ(data().rebalanceBatch()->size(), 2u);
  EXPECT_EQ(data().rebalanceBatch()->at(kChecking).from, "2026-04-02");
  EndRebalanceBatch(data());
  EXPECT_FALSE(data().rebalanceBatch().has_value());
  EXPECT_NE(Cache(kChecking, 2026, 4).first, -1);
  EXPECT_EQ(Cache(kChecking, 2026, 3).first, -1);
}

TEST_F(LedgerTest, RunningBalanceOnOneDateFollowsKeys) {
  SetStarting(kChecking, 10000);
  const TransactionKey first = Add(kChecking, "10.00", "2026-12-05");
  const TransactionKey second = Add(kChecking, "5.00", "2026-12-05");
  EXPECT_EQ(TransactionRunningBalance(data(), first).minorUnits(), 9000);
  EXPECT_EQ(TransactionRunningBalance(data(), second).minorUnits(), 8500);
  const auto rows = RegisterRows(data(), kChecking, "2026-12-01", "2026-12-31", false);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].balance.minorUnits(), 9000);
  EXPECT_EQ(rows[1].balance.minorUnits(), 8500);
}

TEST_F(LedgerTest, EntryChecksInOrderWithTheirMessages) {
  Add(kChecking, "1", "2026-12-01", TransactionType::Check);  // number 100
  struct Case {
    const char* name;
    TransactionType type;
    const char* number;
    const char* amount;
    AccountKey to;
    const char* message;
  };
  const Case cases[] = {
      {"empty check number", TransactionType::Check, "", "1", 0, "Please enter only numbers as the check number."},
      {"letters", TransactionType::Check, "12a", "1", 0, "Please enter only numbers as the check number."},
      {"seven digits", TransactionType::Check, "1234567", "1", 0, "Check number should contain no more than six numbers."},
      {"used, leading zeros", TransactionType::Check, "0100", "1", 0, "This check number has already been used."},
      {"transfer without account", TransactionType::Transfer, "", "1", 0, "Select a valid account for this transfer."},
      {"bad amount", TransactionType::Purchase, "", "abc", 0, "Please enter a valid transaction amount."},
      {"limit", TransactionType::Purchase, "", "100000000000.00", 0, "The amount must be less than $100000,000,000.00."},
      {"negative deposit", TransactionType::Deposit, "", "-1", 0, "Enter positive amount for Deposit Transaction."},
  };
  for (const Case& c : cases) {
    EntryForm form;
    form.account = kChecking;
    form.date = "2026-12-02";
    form.type = c.type;
    form.number = c.number;
    form.amountText = c.amount;
    form.transferAccount = c.to;
    const EntryResult result = EnterTransaction(data(), form, prompter_);
    EXPECT_EQ(result.status.message, c.message) << c.name;
  }
  // One minor unit under the limit passes; a zero deposit passes.
  Add(kChecking, "99999999999.99", "2026-12-02");
  Add(kChecking, "0", "2026-12-02", TransactionType::Deposit);
  // The same number in another account does not collide.
  EntryForm other;
  other.account = kSavings;
  other.type = TransactionType::Check;
  other.number = "100";
  other.amountText = "1";
  other.date = "2026-12-02";
  EXPECT_TRUE(EnterTransaction(data(), other, prompter_).status.ok);
}

TEST_F(LedgerTest, CheckCounterRisesAndAnEditKeepsItsOwnNumber) {
  ASSERT_TRUE(db().exec("UPDATE Accounts SET AcctCurrentCheckNum = 98 WHERE ID = 1"));
  EntryForm form;
  form.account = kChecking;
  form.type = TransactionType::Check;
  form.number = "0105";
  form.amountText = "1";
  form.date = "2026-12-02";
  const auto key = EnterTransaction(data(), form, prompter_).key;
  ASSERT_TRUE(key);
  EXPECT_EQ(Number("SELECT AcctCurrentCheckNum FROM Accounts WHERE ID = 1"), 105);
  auto edit = OpenEntryForm(data(), *key);
  edit->note = "same number";
  EXPECT_TRUE(EnterTransaction(data(), *edit, prompter_).status.ok);
}

TEST_F(LedgerTest, TypedNamesCreateCategoriesSubcategoriesAndPayees) {
  const TransactionKey key = Add(kChecking, "3", "2026-12-02", TransactionType::Purchase, "Corner Shop", "Hobbies");
  const TransactionRow row = Row(key);
  EXPECT_EQ(CategoryFullName(data(), row.category).value_or(""), "Hobbies");
  EXPECT_TRUE(IsExpenseCategory(data(), row.category));
  EXPECT_EQ(PayeeName(data(), row.payee).value_or(""), "Corner Shop");
  // The payee remembers the category.
  EXPECT_EQ(PayeeDefaultCategory(data(), row.payee)->category, row.category);

  EntryForm form;
  form.account = kChecking;
  form.amountText = "4";
  form.date = "2026-12-02";
  form.type = TransactionType::Deposit;
  form.category = "Side Work";
  form.subcategory = "Tutoring";
  const auto result = EnterTransaction(data(), form, prompter_);
  ASSERT_TRUE(result.status.ok);
  EXPECT_EQ(TransactionCategoryText(data(), Row(*result.key)), "Side Work | Tutoring");
  EXPECT_FALSE(IsExpenseCategory(data(), Row(*result.key).category));
  EXPECT_TRUE(HeaderHasChildren(data(), FindCategoryByFullName(data(), "Side Work")));

  form.category = "Not categorized";
  form.subcategory = "Orphan";
  EXPECT_EQ(EnterTransaction(data(), form, prompter_).status.message, "Please provide a valid name for Category.");
}

TEST_F(LedgerTest, OverBudgetWarnsOnlyAboveTheAmount) {
  const CategoryKey groceries = FindCategoryByFullName(data(), "Food | Groceries");
  BudgetWith("Home", groceries, 10000);
  Add(kChecking, "60.00", "2026-12-01", TransactionType::Purchase, {}, "Food | Groceries");
  Add(kChecking, "5.00", "2026-11-30", TransactionType::Purchase, {}, "Food | Groceries");   // last month
  Add(kSavings, "500.00", "2026-12-01", TransactionType::Purchase, {}, "Food | Groceries");  // other account
  Add(kChecking, "500.00", "2026-12-01", TransactionType::Deposit, {}, "Food | Groceries");  // deposits do not count
  EXPECT_EQ(MonthlyBudgetOverrun(data(), std::nullopt, kChecking, groceries, Money(4000)), "");
  EXPECT_EQ(MonthlyBudgetOverrun(data(), std::nullopt, kChecking, groceries, Money(4001)), "\"Home\"");

  EntryForm form;
  form.account = kChecking;
  form.amountText = "40.01";
  form.date = "2026-12-03";
  form.category = "Food";
  form.subcategory = "Groceries";
  const auto result = EnterTransaction(data(), form, prompter_);
  EXPECT_TRUE(result.status.ok);  // a warning only
  EXPECT_EQ(result.overBudget,
            "Warning: This transaction exceeds the monthly budgeted spending amount for category \"Food | Groceries\" "
            "in the following budgets: \"Home\"");
  // Editing a counted row replaces its amount instead of adding it again.
  EXPECT_EQ(MonthlyBudgetOverrun(data(), *result.key, kChecking, groceries, Money(4000)), "");
}

TEST_F(LedgerTest, OverBudgetCountsSplitLinesAndLeavesOutVoidsAndTransfers) {
  const CategoryKey groceries = FindCategoryByFullName(data(), "Food | Groceries");
  BudgetWith("Home", groceries, 10000);
  // 80.00 of this purchase went on groceries.
  const TransactionKey split = Add(kChecking, "100.00", "2026-12-01");
  SplitLineInput food;
  food.category = "Food | Groceries";
  food.payment = "80.00";
  SplitLineInput dining;
  dining.category = "Food | Dining Out";
  dining.payment = "20.00";
  ASSERT_TRUE(SaveSplitLines(data(), split, {food, dining}, {}).ok);
  const TransactionKey voided = Add(kChecking, "500.00", "2026-12-02", TransactionType::Purchase, {}, "Food | Groceries");
  ASSERT_TRUE(VoidTransaction(data(), voided));
  // Paying the card from checking spends nothing on groceries.
  Add(kChecking, "500.00", "2026-12-03", TransactionType::Transfer, {}, "Food | Groceries", kCard);

  EXPECT_EQ(MonthlyBudgetOverrun(data(), std::nullopt, kChecking, groceries, Money(2000)), "");
  EXPECT_EQ(MonthlyBudgetOverrun(data(), std::nullopt, kChecking, groceries, Money(2001)), "\"Home\"");

  // Entering another such transfer warns of nothing.
  prompter_.shown.clear();
  EntryForm form;
  form.account = kChecking;
  form.type = TransactionType::Transfer;
  form.transferAccount = kCard;
  form.amountText = "900.00";
  form.date = "2026-12-04";
  form.category = "Food";
  form.subcategory = "Groceries";
  const EntryResult result = EnterTransaction(data(), form, prompter_);
  ASSERT_TRUE(result.status.ok) << result.status.message;
  EXPECT_EQ(result.overBudget, "");
  for (const auto& shown : prompter_.shown) EXPECT_NE(shown.title, "Transaction Over Budget");
}

TEST_F(LedgerTest, AllPeriodOfAnInvestmentAccountSpansItsInvestmentRows) {
  ASSERT_TRUE(db().exec(
      "INSERT INTO Accounts (ID, AcctName, AcctStartingBal, AcctType, Deleted) VALUES (40, 'Broker', 0, 4, 0)"));
  auto invest = [&](int id, const char* date) {
    ASSERT_TRUE(db().exec(store::FormatSql(
        "INSERT INTO Investments (ID, Account, Amount, Note, TransactionDate, Cleared, InvestmentType, Security, "
        "NumberOfShares, PricePaid, Commission, TotalCost, Deleted) VALUES (%d, 40, 0, '', '%Q', 0, 0, 0, 1, 100, 0, "
        "100, 0)",
        {id, date})));
  };
  invest(1, "2025-03-04");
  auto span = RegisterPeriod(data(), "All", 40);
  ASSERT_TRUE(span);
  EXPECT_EQ(span->from, "2025-03-04");
  EXPECT_EQ(span->to, "2026-12-10");  // today, after the last row
  invest(2, "2027-01-15");
  span = RegisterPeriod(data(), "All", 40);
  EXPECT_EQ(span->from, "2025-03-04");
  EXPECT_EQ(span->to, "2027-01-15");
  // A bank account keeps reading its own rows.
  Add(kChecking, "1.00", "2024-06-01");
  EXPECT_EQ(RegisterPeriod(data(), "All", kChecking)->from, "2024-06-01");
}

TEST_F(LedgerTest, SplitLinesMustSumAndCanBeRemoved) {
  const TransactionKey parent = Add(kChecking, "100.00", "2026-12-02");
  auto line = [](const char* category, const char* payment) {
    SplitLineInput input;
    input.category = category;
    input.payment = payment;
    return input;
  };
  Status status = SaveSplitLines(data(), parent, {line("Food | Groceries", "30.00"), line("Bills", "60.00")}, {});
  EXPECT_EQ(status.message, "The split transactions must sum to the original transaction amount of $100.00.");
  EXPECT_FALSE(Row(parent).split);
  ASSERT_TRUE(SaveSplitLines(data(), parent, {line("Food | Groceries", "30.00"), line("Bills", "70.00")}, {}).ok);
  EXPECT_TRUE(Row(parent).split);
  const auto lines = LiveSplitLines(data(), parent);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].amount.minorUnits(), -3000);
  EXPECT_EQ(lines[0].category, FindCategoryByFullName(data(), "Food | Groceries"));
  EXPECT_EQ(TransactionCategoryText(data(), Row(parent)), "-split-");

  const auto shown = RegisterRows(data(), kChecking, "2026-12-01", "2026-12-31", true);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].categoryText, "-split-  Food | Groceries");
  EXPECT_EQ(shown[1].balance.minorUnits(), -10000);

  ASSERT_TRUE(SaveSplitLines(data(), parent, {}, {lines[0].key, lines[1].key}).ok);
  EXPECT_FALSE(Row(parent).split);
  EXPECT_TRUE(LiveSplitLines(data(), parent).empty());
}

TEST_F(LedgerTest, SplitLineBeyondItsStoredWidthIsRefused) {
  const TransactionKey parent = Add(kChecking, "30000000.00", "2026-12-02");
  SplitLineInput input;
  input.payment = "30000000.00";
  const Status status = SaveSplitLines(data(), parent, {input}, {});
  EXPECT_EQ(status.message, "A split line can hold at most $21,474,836.47.");
  EXPECT_TRUE(LiveSplitLines(data(), parent).empty());
}

TEST_F(LedgerTest, RegisterDeleteAndVoidRefusals) {
  const TransactionKey plain = Add(kChecking, "1", "2026-12-02");
  const TransactionKey split = Add(kChecking, "2", "2026-12-02");
  SplitLineInput input;
  input.payment = "2";
  ASSERT_TRUE(SaveSplitLines(data(), split, {input}, {}).ok);

  prompter_.answer("Delete");
  ASSERT_TRUE(RegisterDelete(data(), {plain, split}, prompter_).ok);
  EXPECT_TRUE(Row(plain).deleted);
  EXPECT_FALSE(Row(split).deleted);
  EXPECT_EQ(prompter_.shown.back().text.rfind("Not all transactions were deleted.", 0), 0u);

  const TransactionKey transfer = Add(kChecking, "5", "2026-12-02", TransactionType::Transfer, {}, {}, kSavings);
  prompter_.answer("Void");
  ASSERT_TRUE(RegisterVoid(data(), {transfer}, prompter_).ok);
  EXPECT_TRUE(Row(transfer).isVoid);
  EXPECT_TRUE(Row(Row(transfer).referencedId).isVoid);
  EXPECT_EQ(TransactionPayeeText(data(), Row(transfer)), "VOID*VOID*VOID");
  EXPECT_EQ(RegisterVoid(data(), {transfer}, prompter_).message, "Transaction has already been marked void.");

  const TransactionKey reconciled = Add(kChecking, "3", "2026-12-02");
  ASSERT_TRUE(db().exec(store::FormatSql("UPDATE Transactions SET Reconciled = 1 WHERE ID = %d", {reconciled})));
  EXPECT_EQ(RegisterVoid(data(), {reconciled}, prompter_).message,
            "Transactions that have already been reconciled cannot be voided.");
  EXPECT_FALSE(RegisterDelete(data(), {reconciled}, prompter_).ok);
  EXPECT_FALSE(Row(reconciled).deleted);
  EXPECT_FALSE(DeleteTransaction(data(), reconciled));
  EXPECT_FALSE(RegisterEditTarget(data(), reconciled).has_value());
}

TEST_F(LedgerTest, FindMatchesNumberPayeeNoteAndAmount) {
  Add(kChecking, "1,234.56", "2026-12-02", TransactionType::Purchase, "Hardware Store");
  const TransactionKey b = Add(kChecking, "7", "2026-12-03", TransactionType::Purchase, "Bakery");
  const auto rows = RegisterRows(data(), kChecking, "2026-12-01", "2026-12-31", false);
  EXPECT_EQ(RegisterFind(data(), rows, "BAKERY", std::nullopt).key.value_or(0), b);
  EXPECT_TRUE(RegisterFind(data(), rows, "1,234.5", std::nullopt).key.has_value());
  EXPECT_EQ(RegisterFind(data(), rows, "Bakery", b).status.message, "No more transactions matching \"Bakery\" could be found.");
  EXPECT_EQ(RegisterFind(data(), rows, "zzz", std::nullopt).status.message, "No transactions matching \"zzz\" were found.");
}

TEST_F(LedgerTest, RegisterPeriodsFromTheClock) {
  struct Case {
    const char* choice;
    const char* from;
    const char* to;
  };
  const Case cases[] = {
      {"Today", "2026-12-10", "2026-12-10"},        {"Yesterday", "2026-12-09", "2026-12-09"},
      {"This Week", "2026-12-06", "2026-12-12"},    {"Last Week", "2026-11-29", "2026-12-05"},
      {"This Month", "2026-12-01", "2026-12-31"},   {"Last Month", "2026-11-01", "2026-11-30"},
      {"This Quarter", "2026-10-01", "2026-12-31"}, {"Last Quarter", "2026-07-01", "2026-09-30"},
      {"This Year", "2026-01-01", "2026-12-31"},    {"Last Year", "2025-01-01", "2025-12-31"},
  };
  for (const Case& c : cases) {
    const auto span = RegisterPeriod(data(), c.choice, kChecking);
    ASSERT_TRUE(span) << c.choice;
    EXPECT_EQ(span->from, c.from) << c.choice;
    EXPECT_EQ(span->to, c.to) << c.choice;
  }
  clock_.set(store::DateTextToTime("2024-02-10", "12:00:00"));
  EXPECT_EQ(RegisterPeriod(data(), "This Month", kChecking)->to, "2024-02-29");
  clock_.set(store::DateTextToTime("2026-01-15", "12:00:00"));
  EXPECT_EQ(RegisterPeriod(data(), "Last Quarter", kChecking)->from, "2025-10-01");
  EXPECT_EQ(RegisterPeriod(data(), "Last Month", kChecking)->from, "2025-12-01");
}

TEST_F(LedgerTest, CancelledSplitAfterAddLeavesNoRow) {
  EntryForm form;
  form.account = kChecking;
  form.amountText = "0";
  form.date = "2026-12-02";
  EXPECT_EQ(SplitFromForm(data(), form, prompter_).status.message,
            "Please enter the transaction amount before splitting the transaction.");
  form.amountText = "10";
  const SplitStart start = SplitFromForm(data(), form, prompter_);
  ASSERT_TRUE(start.status.ok);
  // Nothing is written before the form is saved with its lines, so a
  // cancelled form has nothing to take back.
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions"), 0);
}

// Choosing a payee preselects what it remembers; a category the user chose
// wins, and saving without a category leaves the remembered one alone.
TEST_F(LedgerTest, ChosenPayeePreselectsItsRememberedCategory) {
  EntryForm first;
  first.account = kChecking;
  first.amountText = "3";
  first.date = "2026-12-02";
  first.payee = "Corner Shop";
  first.category = "Food";
  first.subcategory = "Groceries";
  ASSERT_TRUE(EnterTransaction(data(), first, prompter_).status.ok);
  const PayeeKey shop = FindPayeeId(data(), "Corner Shop");
  ASSERT_GT(shop, 0);
  const CategoryKey groceries = FindCategoryByFullName(data(), "Food | Groceries");
  ASSERT_GT(groceries, 0);
  const PayeeKey landlord = *AddPayee(data(), "Landlord", "");

  // No category given: the payee's comes in and is saved.
  EntryForm form = NewEntryForm(data(), kChecking);
  form.amountText = "5.00";
  ASSERT_TRUE(ChoosePayee(data(), form, shop));
  EXPECT_EQ(form.payee, "Corner Shop");
  EXPECT_EQ(form.category, "Food");
  EXPECT_EQ(form.subcategory, "Groceries");
  const auto saved = EnterTransaction(data(), form, prompter_);
  ASSERT_TRUE(saved.status.ok);
  EXPECT_EQ(Row(*saved.key).category, groceries);
  EXPECT_EQ(PayeeDefaultCategory(data(), shop)->subcategory, groceries);

  // Switching to a payee that remembers nothing clears the preselection.
  ASSERT_TRUE(ChoosePayee(data(), form, landlord));
  EXPECT_EQ(form.category, "");
  EXPECT_EQ(form.subcategory, "");

  // A category the user chose survives choosing a payee.
  EntryForm chosen = NewEntryForm(data(), kChecking);
  chosen.category = "Auto";
  chosen.subcategory = "Fuel";
  ASSERT_TRUE(ChoosePayee(data(), chosen, shop));
  EXPECT_EQ(chosen.category, "Auto");
  EXPECT_EQ(chosen.subcategory, "Fuel");

  // Unknown and deleted payees leave the form as it was.
  EntryForm untouched = NewEntryForm(data(), kChecking);
  EXPECT_FALSE(ChoosePayee(data(), untouched, 9999));
  EXPECT_EQ(untouched.payee, "");

  // Saving with the payee typed but no category keeps what it remembers.
  EntryForm bare = NewEntryForm(data(), kChecking);
  bare.amountText = "1";
  bare.payee = "Corner Shop";
  ASSERT_TRUE(EnterTransaction(data(), bare, prompter_).status.ok);
  ASSERT_TRUE(PayeeDefaultCategory(data(), shop).has_value());
  EXPECT_EQ(PayeeDefaultCategory(data(), shop)->subcategory, groceries);
}


}  // namespace
}  // namespace tallyvane::ledger
