#include "ledger_fixture.h"

namespace tallyvane::ledger {
namespace {

TEST_F(LedgerTest, CategoryNamesAreUniquePerParent) {
  EXPECT_FALSE(AddCategory(data(), "Food", false, 0, false, true));
  CategoryKey a = 0;
  CategoryKey b = 0;
  ASSERT_TRUE(AddCategory(data(), "Other", false, FindCategoryByFullName(data(), "Food"), false, true, &a));
  ASSERT_TRUE(AddCategory(data(), "Other", false, FindCategoryByFullName(data(), "Bills"), false, true, &b));
  EXPECT_EQ(FindCategoryByFullName(data(), "Bills | Other"), b);
  EXPECT_EQ(FindCategoryByFullName(data(), "Other"), a);  // first of that name at any level
  EXPECT_EQ(FindCategoryByFullName(data(), "Bills | Missing"), -1);
  EXPECT_EQ(CategoryFullName(data(), b).value_or(""), "Bills | Other");
  EXPECT_EQ(CategoryFullName(data(), 0).value_or(""), "Not categorized");
}

TEST_F(LedgerTest, CategoryFormChecksInOrder) {
  struct Case {
    const char* name;
    CategoryForm form;
    const char* message;
  };
  const CategoryKey food = FindCategoryByFullName(data(), "Food");
  const Case cases[] = {
      {"empty", {std::nullopt, " ", true, false, food, false}, "Please enter a name for this category."},
      {"same as parent", {std::nullopt, "Food", true, false, food, false},
       "Please enter a category name different than parent category."},
      {"no parent", {std::nullopt, "Snacks", true, false, 0, false},
       "You can`t add non-parent category without setting its parent"},
      {"taken", {std::nullopt, "Groceries", true, false, food, false},
       "Another category name with the same name already exists. Please enter a different name."},
      {"taken at top", {std::nullopt, "Bills", true, true, 0, false},
       "Another category name with the same name already exists. Please enter a different name."},
  };
  for (const Case& c : cases) EXPECT_EQ(SaveCategoryForm(data(), c.form).message, c.message) << c.name;
  CategoryKey key = 0;
  ASSERT_TRUE(SaveCategoryForm(data(), {std::nullopt, "Snacks", true, false, food, false}, &key).ok);
  // Its own name on edit is fine.
  EXPECT_TRUE(SaveCategoryForm(data(), {key, "Snacks", true, false, food, true}).ok);
}

TEST_F(LedgerTest, DeletingASubcategoryMovesItsRowsToTheHeader) {
  const CategoryKey food = FindCategoryByFullName(data(), "Food");
  const CategoryKey groceries = FindCategoryByFullName(data(), "Food | Groceries");
  const TransactionKey row = Add(kChecking, "5", "2026-12-01", TransactionType::Purchase, {}, "Food | Groceries");
  BudgetWith("Plan", groceries, 100);
  ASSERT_TRUE(db().exec(store::FormatSql("INSERT INTO BudgetCategories (BudgetID, CategoryID, Amount) VALUES (1, %d, 5)", {food})));
  prompter_.answer("Delete");
  ASSERT_TRUE(DeleteCategoriesFromWindow(data(), {groceries}, prompter_).ok);
  EXPECT_EQ(prompter_.shown.back().text,
            "Are you sure that you would like to delete the selected categories?\r\n\r\nDeleting the selected "
            "categories will remove them from associated budgets.");
  EXPECT_EQ(Row(row).category, food);
  EXPECT_EQ(Number(store::FormatSql("SELECT COUNT(*) FROM BudgetCategories WHERE CategoryID = %d", {groceries})), 0);
  EXPECT_EQ(Number(store::FormatSql("SELECT COUNT(*) FROM BudgetCategories WHERE CategoryID = %d", {food})), 1);
}

TEST_F(LedgerTest, DeletingAHeaderLiftsItsChildrenAndKeepsItsRows) {
  const CategoryKey bills = FindCategoryByFullName(data(), "Bills");
  const CategoryKey water = FindCategoryByFullName(data(), "Bills | Water");
  const TransactionKey row = Add(kChecking, "5", "2026-12-01", TransactionType::Purchase, {}, "Bills");
  ASSERT_TRUE(DeleteCategory(data(), bills));
  EXPECT_EQ(Row(row).category, bills);
  EXPECT_EQ(FindCategoryByFullName(data(), "Water"), water);
  EXPECT_EQ(CategoryFullName(data(), water).value_or(""), "Water");
  EXPECT_EQ(TransactionCategoryText(data(), Row(row)), "Bills");  // a deleted category still names its rows
  EXPECT_FALSE(DeleteCategory(data(), bills));
}

TEST_F(LedgerTest, FormFieldsOfADeletedCategoryShowNotCategorized) {
  const CategoryKey bills = FindCategoryByFullName(data(), "Bills");
  const CategoryKey food = FindCategoryByFullName(data(), "Food");
  const CategoryKey groceries = FindCategoryByFullName(data(), "Food | Groceries");
  const CategoryKey dining = FindCategoryByFullName(data(), "Food | Dining Out");
  ASSERT_TRUE(DeleteCategory(data(), dining));
  struct Case {
    const char* name;
    CategoryKey key;
    const char* category;
    const char* subcategory;
    CategoryKey categoryKey;
    CategoryKey subcategoryKey;
  };
  const Case cases[] = {
      {"none", 0, "", "", 0, 0},
      {"live top level", bills, "Bills", "", bills, 0},
      {"live subcategory", groceries, "Food", "Groceries", food, groceries},
      {"deleted subcategory: its header", dining, "Food", "", food, 0},
      {"missing", 9999, "Not categorized", "", 0, 0},
  };
  for (const Case& c : cases) {
    const CategoryFieldTexts fields = CategoryFieldsFor(data(), c.key);
    EXPECT_EQ(fields.category, c.category) << c.name;
    EXPECT_EQ(fields.subcategory, c.subcategory) << c.name;
    EXPECT_EQ(fields.categoryKey, c.categoryKey) << c.name;
    EXPECT_EQ(fields.subcategoryKey, c.subcategoryKey) << c.name;
  }
  ASSERT_TRUE(DeleteCategory(data(), bills));
  EXPECT_EQ(CategoryFieldsFor(data(), bills).category, "Not categorized");
  EXPECT_EQ(CategoryFieldsFor(data(), bills).categoryKey, 0);
}

TEST_F(LedgerTest, SavingARowOfADeletedCategoryNeverRecreatesIt) {
  const CategoryKey bills = FindCategoryByFullName(data(), "Bills");
  const TransactionKey row = Add(kChecking, "5", "2026-12-01", TransactionType::Purchase, {}, "Bills");
  ASSERT_TRUE(DeleteCategory(data(), bills));
  const int64_t categories = Number("SELECT COUNT(*) FROM Categories");

  auto form = OpenEntryForm(data(), row);
  ASSERT_TRUE(form);
  EXPECT_EQ(form->category, "Not categorized");
  EXPECT_EQ(form->subcategory, "");
  form->note = "edited";
  prompter_.shown.clear();
  const EntryResult saved = EnterTransaction(data(), *form, prompter_);
  ASSERT_TRUE(saved.status.ok) << saved.status.message;
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Categories"), categories);
  EXPECT_EQ(FindCategoryByFullName(data(), "Bills"), -1);
  EXPECT_EQ(Row(row).category, 0);
  for (const auto& shown : prompter_.shown) EXPECT_NE(shown.text, "A new category was created");
}

TEST_F(LedgerTest, CategoryWindowOrdersExpensesThenIncomeWithoutCase) {
  ASSERT_TRUE(AddCategory(data(), "apples", false, 0, false, true));
  const auto lines = CategoryWindowLines(data());
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front().name, "apples");
  bool seenIncome = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i].expense) seenIncome = true;
    EXPECT_FALSE(seenIncome && lines[i].expense) << "expense after income: " << lines[i].fullName;
  }
  const auto food = std::find_if(lines.begin(), lines.end(), [](const CategoryLine& l) { return l.fullName == "Food"; });
  ASSERT_NE(food, lines.end());
  EXPECT_EQ((food + 1)->fullName, "Food | Dining Out");
  EXPECT_EQ((food + 2)->fullName, "Food | Groceries");
}

TEST_F(LedgerTest, PayeeFormReplacesAndMerges) {
  const PayeeKey a = AddPayee(data(), "Alpha", "").value_or(0);
  const PayeeKey b = AddPayee(data(), "O'Brien", "old notes").value_or(0);
  EXPECT_EQ(FindPayeeId(data(), "O'Brien"), b);
  EXPECT_FALSE(AddPayee(data(), "O'Brien", "").has_value());
  const TransactionKey row = Add(kChecking, "1", "2026-12-01", TransactionType::Purchase, "Alpha");

  // Adding an existing name and replacing updates it and creates nothing.
  prompter_.answer("Replace Payee");
  PayeeKey saved = 0;
  ASSERT_TRUE(SavePayeeForm(data(), {std::nullopt, "O'Brien", "new notes"}, prompter_, &saved).ok);
  EXPECT_EQ(saved, b);
  EXPECT_EQ(Text(store::FormatSql("SELECT Notes FROM PayAccounts WHERE ID = %d", {b})), "new notes");
  EXPECT_EQ(Number("SELECT COUNT(*) FROM PayAccounts"), 2);

  // Cancelling keeps everything.
  EXPECT_TRUE(SavePayeeForm(data(), {a, "O'Brien", ""}, prompter_).declined);
  // Editing A to B's name and replacing merges A into B.
  prompter_.answer("Replace Payee");
  ASSERT_TRUE(SavePayeeForm(data(), {a, "O'Brien", "merged"}, prompter_).ok);
  EXPECT_EQ(Number(store::FormatSql("SELECT Deleted FROM PayAccounts WHERE ID = %d", {a})), 1);
  EXPECT_EQ(Row(row).payee, b);
  EXPECT_EQ(SavePayeeForm(data(), {std::nullopt, " ", ""}, prompter_).message, "Please enter a name for this payee.");
}

TEST_F(LedgerTest, UnassignedAndBalanceAdjustingEntryAreSpecial) {
  ASSERT_TRUE(AddPayee(data(), "Unassigned", "").has_value());
  EXPECT_EQ(FindPayeeId(data(), "Unassigned"), 0);
  EXPECT_EQ(PayeeName(data(), 0).value_or(""), "Unassigned");
  ASSERT_TRUE(AddPayee(data(), std::string(kBalanceAdjustingEntry), "").has_value());
  for (const PayeeLine& line : PayeeWindowLines(data())) EXPECT_NE(line.name, kBalanceAdjustingEntry);
  EXPECT_EQ(FindPayeeId(data(), "Nobody"), -1);
}

}  // namespace
}  // namespace tallyvane::ledger

namespace tallyvane::ledger {
namespace {

// Both front ends open a stored form through these: what was saved comes back,
// an income category as income.
TEST_F(LedgerTest, StoredFormsOpenAsTheyWereSaved) {
  for (const bool expense : {true, false}) {
    CategoryForm form;
    form.name = expense ? "O'Brien's costs" : "Side income";
    form.expense = expense;
    form.header = true;
    form.taxDeductible = !expense;
    CategoryKey saved = 0;
    ASSERT_TRUE(SaveCategoryForm(data(), form, &saved).ok);
    const auto opened = OpenCategoryForm(data(), saved);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->key, saved);
    EXPECT_EQ(opened->name, form.name);
    EXPECT_EQ(opened->expense, expense);
    EXPECT_TRUE(opened->header);
    EXPECT_EQ(opened->taxDeductible, !expense);
  }
  EXPECT_FALSE(OpenCategoryForm(data(), 99999));

  PayeeForm payee;
  payee.name = "Café \"L'Étoile\"";
  payee.notes = "two\nlines";
  PayeeKey key = 0;
  ASSERT_TRUE(SavePayeeForm(data(), payee, prompter_, &key).ok);
  const auto opened = OpenPayeeForm(data(), key);
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->name, payee.name);
  EXPECT_EQ(opened->notes, payee.notes);

  const auto checking = LoadStoredAccount(data(), kChecking);
  ASSERT_TRUE(checking);
  EXPECT_EQ(checking->values.name, "Checking Account");
  EXPECT_FALSE(checking->everReconciled());
  ASSERT_TRUE(db().exec("UPDATE Accounts SET LastReconciled = '2026-11-30' WHERE ID = 1"));
  EXPECT_TRUE(LoadStoredAccount(data(), kChecking)->everReconciled());
  EXPECT_FALSE(LoadStoredAccount(data(), 99999));
}

}  // namespace
}  // namespace tallyvane::ledger
