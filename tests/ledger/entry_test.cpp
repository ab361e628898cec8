// The entry form's rules that used to live in the window: the split save
// as part of the form's one save, the split editor's remainder, the check
// counter, the reconciled-row rule and taking back what a cancelled form made.
#include "ledger/creations.h"
#include "ledger_fixture.h"

namespace tallyvane::ledger {
namespace {

SplitLineInput Line(const char* category, const char* payment, const char* deposit = "") {
  SplitLineInput input;
  input.category = category;
  input.payment = payment;
  input.deposit = deposit;
  return input;
}

std::string Snapshot(store::Db& db) {
  std::string text;
  for (const char* table : {"Transactions", "SplitTransactions", "Accounts", "MonthlyBalances", "Categories", "PayAccounts"}) {
    store::Query q(db, store::FormatSql("SELECT * FROM %s ORDER BY ID", {table}));
    for (; q.hasRow(); q.next()) {
      for (int c = 0; c < q.columnCount(); ++c) text += q.string(c) + "|";
      text += "\n";
    }
  }
  return text;
}

EntryForm Purchase(const char* amount) {
  EntryForm form;
  form.account = 1;
  form.amountText = amount;
  form.date = "2026-12-02";
  return form;
}

TEST_F(LedgerTest, FormSavedWithSplitLinesWritesRowAndLinesTogether) {
  EntryForm form = Purchase("100.00");
  form.payee = "Market";
  form.splitLines = std::vector<SplitLineInput>{Line("Food | Groceries", "30.00"), Line("Bills", "70.00")};
  const EntryResult saved = EnterTransaction(data(), form, prompter_);
  ASSERT_TRUE(saved.status.ok) << saved.status.message;
  EXPECT_TRUE(Row(*saved.key).split);
  EXPECT_EQ(Row(*saved.key).amount.minorUnits(), -10000);
  const auto lines = LiveSplitLines(data(), *saved.key);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].amount.minorUnits(), -7000);

  // Lines that do not add up refuse the whole save: no row, no payee.
  const std::string before = Snapshot(db());
  EntryForm wrong = Purchase("100.00");
  wrong.payee = "Nobody Yet";
  wrong.splitLines = std::vector<SplitLineInput>{Line("Bills", "60.00")};
  const EntryResult refused = EnterTransaction(data(), wrong, prompter_);
  EXPECT_EQ(refused.status.message, "The split transactions must sum to the original transaction amount of $100.00.");
  EXPECT_EQ(refused.status.title, "Split Transactions");
  EXPECT_EQ(Snapshot(db()), before);
}

TEST_F(LedgerTest, SplitLineFailingToWriteLeavesTheBookAsBefore) {
  const std::string before = Snapshot(db());
  ASSERT_TRUE(db().exec("CREATE TRIGGER Fault BEFORE INSERT ON SplitTransactions WHEN NEW.Amount = -7000 "
                        "BEGIN SELECT RAISE(ABORT, 'injected'); END"));
  EntryForm form = Purchase("100.00");
  form.category = "Brand New";
  form.splitLines = std::vector<SplitLineInput>{Line("Food | Groceries", "30.00"), Line("Bills", "70.00")};
  const EntryResult result = EnterTransaction(data(), form, prompter_);
  EXPECT_FALSE(result.status.ok);
  EXPECT_TRUE(result.status.fileError);
  EXPECT_FALSE(result.key);
  EXPECT_EQ(Snapshot(db()), before);
}

TEST_F(LedgerTest, SplitParentKeepsItsAmountUnlessNewLinesComeWithIt) {
  const TransactionKey parent = Add(kChecking, "100.00", "2026-12-02");
  ASSERT_TRUE(SaveSplitLines(data(), parent, {Line("Food | Groceries", "40.00"), Line("Bills", "60.00")}, {}).ok);
  auto form = OpenEntryForm(data(), parent);
  ASSERT_TRUE(form);
  form->category.clear();
  form->amountText = "120.00";
  form->note = "changed";
  ASSERT_TRUE(EnterTransaction(data(), *form, prompter_).status.ok);
  EXPECT_EQ(Row(parent).amount.minorUnits(), -10000) << "the lines still add up to the old amount";
  EXPECT_EQ(Row(parent).note, "changed");
  EXPECT_EQ(AccountBalanceNow(data(), kChecking).minorUnits(), -10000);

  // With lines shared out again the new amount is saved, in the same save.
  const auto lines = LiveSplitLines(data(), parent);
  form = OpenEntryForm(data(), parent);
  form->category.clear();
  form->amountText = "120.00";
  SplitLineInput first = Line("Food | Groceries", "50.00");
  first.key = lines[0].key;
  form->splitLines = std::vector<SplitLineInput>{first, Line("Auto | Fuel", "70.00")};
  form->removedSplitLines = {lines[1].key};
  ASSERT_TRUE(EnterTransaction(data(), *form, prompter_).status.ok);
  EXPECT_EQ(Row(parent).amount.minorUnits(), -12000);
  EXPECT_EQ(AccountBalanceNow(data(), kChecking).minorUnits(), -12000);
  const auto after = LiveSplitLines(data(), parent);
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0].key, lines[0].key);
  EXPECT_EQ(after[0].amount.minorUnits(), -5000);
}

TEST_F(LedgerTest, RemovedSplitLineOfAnotherRowIsNotTouched) {
  const TransactionKey a = Add(kChecking, "10.00", "2026-12-02");
  const TransactionKey b = Add(kChecking, "20.00", "2026-12-02");
  ASSERT_TRUE(SaveSplitLines(data(), a, {Line("Bills", "10.00")}, {}).ok);
  ASSERT_TRUE(SaveSplitLines(data(), b, {Line("Bills", "20.00")}, {}).ok);
  const SplitLineKey other = LiveSplitLines(data(), b)[0].key;
  ASSERT_TRUE(SaveSplitLines(data(), a, {Line("Food", "10.00")}, {other}).ok);
  EXPECT_EQ(LiveSplitLines(data(), b).size(), 1u);
}

TEST_F(LedgerTest, SplitFromTheFormWritesNothingAndOpensWithTheFormsLine) {
  const std::string before = Snapshot(db());
  EntryForm form = Purchase("0");
  EXPECT_EQ(SplitFromForm(data(), form, prompter_).status.message,
            "Please enter the transaction amount before splitting the transaction.");
  form = Purchase("abc");
  EXPECT_EQ(SplitFromForm(data(), form, prompter_).status.field, "amount");
  form = Purchase("25.00");
  form.category = "Food";
  form.subcategory = "Groceries";
  form.note = "weekly";
  const SplitStart start = SplitFromForm(data(), form, prompter_);
  ASSERT_TRUE(start.status.ok) << start.status.message;
  EXPECT_EQ(start.parentAmount.minorUnits(), -2500);
  ASSERT_EQ(start.lines.size(), 1u);
  EXPECT_EQ(start.lines[0].category, "Food | Groceries");
  EXPECT_EQ(start.lines[0].note, "weekly");
  EXPECT_EQ(start.lines[0].payment, "25.00");
  EXPECT_EQ(Snapshot(db()), before);
}

TEST_F(LedgerTest, AddSplitHoldsTheRemainder) {
  struct Case {
    const char* name;
    int64_t parent;
    std::vector<SplitLineInput> lines;
    const char* payment;
    const char* deposit;
  };
  const Case cases[] = {
      {"payment part allocated", -10000, {Line("Bills", "30.00")}, "70.00", ""},
      {"payment over-allocated", -10000, {Line("Bills", "130.00")}, "0.00", ""},
      {"payment fully allocated", -10000, {Line("Bills", "100.00")}, "0.00", ""},
      {"deposit part allocated", 10000, {Line("Salary", "", "40.00")}, "", "60.00"},
      {"deposit over-allocated", 10000, {Line("Salary", "", "140.00")}, "40.00", ""},
      {"no lines yet", -2500, {}, "25.00", ""},
  };
  for (const Case& c : cases) {
    const SplitLineInput line = RemainderSplitLine(data().regional(), Money(c.parent), c.lines);
    EXPECT_EQ(line.category, "Not categorized") << c.name;
    EXPECT_EQ(line.payment, c.payment) << c.name;
    EXPECT_EQ(line.deposit, c.deposit) << c.name;
  }
}

TEST_F(LedgerTest, CheckCounterServesFormsAndRisesOnly) {
  EXPECT_EQ(ProposedCheckNumber(data(), kChecking), "001");
  ASSERT_TRUE(db().exec("UPDATE Accounts SET AcctCurrentCheckNum = 98 WHERE ID = 1"));
  EXPECT_EQ(NextCheckNumber(data(), kChecking), 99);
  EntryForm form = Purchase("5");
  form.type = TransactionType::Check;
  form.number = "0105";
  ASSERT_TRUE(EnterTransaction(data(), form, prompter_).status.ok);
  EXPECT_EQ(ProposedCheckNumber(data(), kChecking), "106");
  NoteCheckNumberUsed(data(), kChecking, 50);
  EXPECT_EQ(NextCheckNumber(data(), kChecking), 106) << "a lower number never winds the counter back";
  EXPECT_EQ(ProposedCheckNumber(data(), kSavings), "001");
}

TEST_F(LedgerTest, ReconciledRowIsChangedByNoRegisterCommand) {
  const TransactionKey row = Add(kChecking, "5", "2026-12-02", TransactionType::Purchase, {}, "Bills");
  const CategoryKey bills = Row(row).category;
  ASSERT_TRUE(db().exec(store::FormatSql("UPDATE Transactions SET Reconciled = 1 WHERE ID = %d", {row})));
  EXPECT_FALSE(RegisterRowChangeable(Row(row)));
  EXPECT_FALSE(RegisterEditTarget(data(), row).has_value());
  EXPECT_FALSE(RegisterSetCategory(data(), row, "Food", "", prompter_).ok);
  EXPECT_EQ(Row(row).category, bills);
  ASSERT_TRUE(UnreconcileTransaction(data(), row));
  EXPECT_TRUE(RegisterRowChangeable(Row(row)));
  EXPECT_TRUE(RegisterSetCategory(data(), row, "Food", "", prompter_).ok);
  EXPECT_NE(Row(row).category, bills);
}

TEST_F(LedgerTest, CancelTakesBackWhatTheFormMadeThatNothingUses) {
  CategoryKey pets = 0;
  ASSERT_TRUE(AddCategory(data(), "Pets", false, 0, false, true, &pets));
  const std::string before = Snapshot(db());
  FormCreations created;
  // What the form's fields made as they were left: a category with a
  // subcategory, a subcategory under a category that was no header, and a payee.
  const auto hobby = CategoryFromTypedName(data(), "Hobby", true, nullptr);
  ASSERT_TRUE(hobby && hobby->created);
  created.note(*hobby);
  const auto kites = SubcategoryFromTypedName(data(), hobby->key, "Kites", true, nullptr);
  ASSERT_TRUE(kites && kites->created);
  created.note(*kites);
  const auto vet = SubcategoryFromTypedName(data(), pets, "Vet", true, nullptr);
  ASSERT_TRUE(vet && vet->created);
  created.note(*vet);
  const auto payee = PayeeFromTypedName(data(), "Kite Shop");
  ASSERT_TRUE(payee);
  created.notePayee(*payee);
  EXPECT_NE(Snapshot(db()), before);
  ASSERT_TRUE(TakeBackCreations(data(), created).ok);
  EXPECT_EQ(Snapshot(db()), before);
  EXPECT_EQ(FindCategoryByFullName(data(), "Hobby"), -1);
}

TEST_F(LedgerTest, TakeBackLeavesWhatCameToBeUsed) {
  FormCreations created;
  const auto used = CategoryFromTypedName(data(), "Used Elsewhere", true, nullptr);
  const auto budgeted = CategoryFromTypedName(data(), "Budgeted", true, nullptr);
  const auto unused = CategoryFromTypedName(data(), "Unused", true, nullptr);
  ASSERT_TRUE(used && budgeted && unused);
  for (const auto& typed : {*used, *budgeted, *unused}) created.note(typed);
  const auto payee = PayeeFromTypedName(data(), "Paid Already");
  ASSERT_TRUE(payee);
  created.notePayee(*payee);
  // Another form saved a row with the category and the payee meanwhile.
  Add(kChecking, "3", "2026-12-02", TransactionType::Purchase, "Paid Already", "Used Elsewhere");
  BudgetWith("Plan", budgeted->key, 100);
  // A category that existed before is never in the list: "Bills" stays.
  ASSERT_TRUE(TakeBackCreations(data(), created).ok);
  EXPECT_EQ(FindCategoryByFullName(data(), "Used Elsewhere"), used->key);
  EXPECT_EQ(FindCategoryByFullName(data(), "Budgeted"), budgeted->key);
  EXPECT_EQ(FindCategoryByFullName(data(), "Unused"), -1);
  EXPECT_EQ(FindPayeeId(data(), "Paid Already", false), *payee);
  EXPECT_GT(FindCategoryByFullName(data(), "Bills"), 0);
}

}  // namespace
}  // namespace tallyvane::ledger
