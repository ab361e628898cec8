#include "ledger/categories.h"

#include <algorithm>

#include "ledger/transactions.h"
#include "store/text.h"

namespace tallyvane::ledger {

using store::FormatSql;
using store::Query;
using store::Record;
using store::Table;
using store::WriteGuard;

namespace {

bool LessNoCase(const std::string& a, const std::string& b) { return store::LowerText(a) < store::LowerText(b); }

std::vector<CategoryLine> ReadLines(DataContext& data, const std::string& sql) {
  std::vector<CategoryLine> lines;
  for (Query q(data.db(), sql); q.hasRow(); q.next()) {
    CategoryLine line;
    line.key = q.int32(0);
    line.name = q.text(1);
    line.header = q.int32(2) != 0;
    line.parent = q.int32(3);
    line.taxDeductible = q.int32(4) != 0;
    line.expense = q.int32(5) != 0;
    line.fullName = line.name;
    lines.push_back(std::move(line));
  }
  return lines;
}

constexpr std::string_view kColumns = "SELECT ID, PayCategory, Header, Parent, DefaultTaxDeductible, Expense FROM Categories";

void SortByName(std::vector<CategoryLine>& lines) {
  std::stable_sort(lines.begin(), lines.end(),
                   [](const CategoryLine& a, const CategoryLine& b) { return LessNoCase(a.name, b.name); });
}

bool WriteCategory(Record& r, std::string_view name, bool header, CategoryKey parent, bool taxDeductible,
                   bool expense) {
  r.SetText("PayCategory", name);
  r.SetFlag("Header", header);
  r.SetInt("Parent", parent);
  r.SetFlag("DefaultTaxDeductible", taxDeductible);
  r.SetText("TaxCode", "");
  r.SetFlag("Expense", expense);
  return true;
}

}  // namespace

std::string TrimSpaces(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

bool IsBlank(std::string_view text) { return text.find_first_not_of(" \t\r\n") == std::string_view::npos; }

std::optional<CategoryKey> CategoryNameExists(DataContext& data, std::string_view name, CategoryKey parent,
                                              CategoryKey excluded) {
  const auto found = store::FindDuplicateName(
      data.db(), "SELECT ID FROM Categories WHERE PayCategory = '%s' AND Parent = %d AND Deleted = 0", name, parent,
      excluded != 0 ? KeyText(excluded) : std::string{});
  if (!found) return std::nullopt;
  return store::ParseInt32Prefix(*found);
}

bool AddCategory(DataContext& data, std::string_view name, bool header, CategoryKey parent, bool taxDeductible,
                 bool expense, CategoryKey* created) {
  if (CategoryNameExists(data, name, parent)) return false;
  WriteGuard guard(data.db());
  Table table(data.db(), "Categories");
  Record r;
  NewRecord(table, r);
  WriteCategory(r, name, header, parent, taxDeductible, expense);
  r.SetFlag("Deleted", false);
  const std::string key = r.key();
  if (!store::SaveRecord(r) || key.empty()) return false;
  if (!guard.commit()) return false;
  if (created) *created = store::ParseInt32Prefix(key);
  return true;
}

bool EditCategory(DataContext& data, CategoryKey key, std::string_view name, bool header, CategoryKey parent,
                  bool taxDeductible, bool expense) {
  if (CategoryNameExists(data, name, parent, key)) return false;
  WriteGuard guard(data.db());
  Record r;
  if (!LoadActiveCategory(data, key, r)) return false;
  WriteCategory(r, name, header, parent, taxDeductible, expense);
  store::ReleaseRecord(r);
  return guard.commit().ok;
}

bool LoadActiveCategory(DataContext& data, CategoryKey key, Record& record, bool includeDeleted) {
  Table table(data.db(), "Categories");
  return store::LoadActiveRecord(table, record, KeyText(key), includeDeleted, false);
}

CategoryKey CategoryParent(DataContext& data, CategoryKey key) {
  Record r;
  if (!LoadActiveCategory(data, key, r, true)) return 0;
  const CategoryKey parent = r.GetInt("Parent");
  store::ReleaseRecord(r);
  return parent;
}

std::optional<CategoryForm> OpenCategoryForm(DataContext& data, CategoryKey key) {
  Record r;
  if (!LoadActiveCategory(data, key, r)) return std::nullopt;
  CategoryForm form;
  form.key = key;
  form.name = r.GetText("PayCategory");
  form.header = r.GetFlag("Header");
  form.parent = r.GetInt("Parent");
  form.taxDeductible = r.GetFlag("DefaultTaxDeductible");
  form.expense = r.GetFlag("Expense", true);
  store::ReleaseRecord(r);
  return form;
}

bool DeleteCategory(DataContext& data, CategoryKey key) {
  WriteGuard guard(data.db());
  Record r;
  if (!LoadActiveCategory(data, key, r)) return false;
  r.SetFlag("Deleted", true);
  if (HeaderHasChildren(data, key)) {
    store::Execute(data.db(), "UPDATE Categories SET Parent = '0' WHERE Parent = %d AND Deleted = 0", {key});
  }
  const CategoryKey parent = r.GetInt("Parent");
  if (parent != 0) {
    std::vector<TransactionKey> rows;
    for (Query q(data.db(), FormatSql("SELECT ID FROM Transactions WHERE Category = %d AND Deleted = 0", {key}));
         q.hasRow(); q.next()) {
      rows.push_back(q.int32(0));
    }
    for (TransactionKey row : rows) SetTransactionCategory(data, row, parent);
  }
  std::vector<int> budgets;
  for (Query q(data.db(), FormatSql("SELECT BudgetID FROM BudgetCategories WHERE CategoryID = %d", {key})); q.hasRow();
       q.next()) {
    budgets.push_back(q.int32(0));
  }
  for (int budget : budgets) {
    store::Execute(data.db(), "DELETE FROM BudgetCategories WHERE BudgetID = %d AND CategoryID = %d", {budget, key});
  }
  store::ReleaseRecord(r);
  return guard.commit().ok;
}

std::optional<CategoryKey> FindCategoryId(DataContext& data, std::string_view name, int parent) {
  const std::string parentClause = parent >= 0 ? FormatSql("AND Parent = %d", {parent}) : std::string{};
  const std::string key = store::QueryFirstText(
      data.db(), FormatSql("SELECT ID FROM Categories WHERE PayCategory = '%Q' %s AND Deleted = 0", {name, parentClause}));
  if (key.empty()) return std::nullopt;
  return store::ParseInt32Prefix(key);
}

CategoryKey FindCategoryByFullName(DataContext& data, std::string_view text) {
  std::string_view first = text;
  std::string_view second;
  const auto cut = text.find(kCategorySeparator);
  const bool hasSecond = cut != std::string_view::npos;
  if (hasSecond) {
    first = text.substr(0, cut);
    second = text.substr(cut + kCategorySeparator.size());
  }
  const std::string firstKey = store::QueryFirstText(
      data.db(), FormatSql("SELECT ID FROM Categories WHERE PayCategory = '%Q' AND Deleted = 0", {first}));
  if (firstKey.empty()) return -1;
  if (!hasSecond) return store::ParseInt32Prefix(firstKey);
  const std::string secondKey = store::QueryFirstText(
      data.db(),
      FormatSql("SELECT ID FROM Categories WHERE PayCategory = '%Q' and Parent = %s AND Deleted = 0", {second, firstKey}));
  if (secondKey.empty()) return -1;
  return store::ParseInt32Prefix(secondKey);
}

std::optional<std::string> CategoryFullName(DataContext& data, CategoryKey key) {
  if (key == 0) return std::string(kNotCategorized);
  Record r;
  if (!LoadActiveCategory(data, key, r)) return std::nullopt;
  const CategoryKey parent = r.GetInt("Parent");
  const std::string name = r.GetText("PayCategory");
  if (parent == 0) return name;
  const std::string parentName =
      store::QueryFirstText(data.db(), FormatSql("SELECT PayCategory FROM Categories WHERE ID = %d", {parent}));
  return FormatSql("%s | %s", {parentName, name});
}

CategoryFieldTexts CategoryFieldsFor(DataContext& data, CategoryKey key) {
  CategoryFieldTexts fields;
  if (key == 0) return fields;
  Record stored;
  if (!LoadActiveCategory(data, key, stored, true)) {
    fields.category = std::string(kNotCategorized);
    return fields;
  }
  const CategoryKey parent = stored.GetInt("Parent");
  const bool deleted = stored.GetFlag("Deleted");
  Record header;
  const bool headerLive = parent != 0 && LoadActiveCategory(data, parent, header);
  if (deleted) {
    if (headerLive) {
      fields.category = header.GetText("PayCategory");
      fields.categoryKey = parent;
    } else {
      fields.category = std::string(kNotCategorized);
    }
    return fields;
  }
  if (headerLive) {
    fields.category = header.GetText("PayCategory");
    fields.categoryKey = parent;
    fields.subcategory = stored.GetText("PayCategory");
    fields.subcategoryKey = key;
  } else {
    // Top level, or a live subcategory whose header is gone: by its own name.
    fields.category = stored.GetText("PayCategory");
    fields.categoryKey = key;
  }
  return fields;
}

bool HeaderHasChildren(DataContext& data, CategoryKey key) {
  if (store::QueryFirstText(data.db(), FormatSql("SELECT Header FROM Categories WHERE ID = %s AND Deleted = 0",
                                                 {KeyText(key)})) != "1") {
    return false;
  }
  const std::string count = store::QueryFirstText(
      data.db(), FormatSql("SELECT COUNT(*) as Cnt FROM Categories WHERE Parent = %s AND Deleted = 0", {KeyText(key)}));
  return !count.empty() && count != "0";
}

bool IsExpenseCategory(DataContext& data, CategoryKey key) {
  Query q(data.db(), FormatSql("SELECT Expense FROM Categories WHERE ID = %s", {KeyText(key)}));
  return !q.hasRow() || q.text(0) == "1";
}

bool CategoryUsedInBudget(DataContext& data, CategoryKey key) {
  Query q(data.db(), FormatSql("SELECT count(*) as Count FROM BudgetCategories WHERE CategoryID = %d", {key}));
  return q.int64(0) > 0;
}

bool CategoryMatchesText(DataContext& data, CategoryKey key, std::string_view text) {
  Record r;
  if (!LoadActiveCategory(data, key, r)) return false;
  return store::LowerText(r.GetText("PayCategory")).find(store::LowerText(text)) != std::string::npos;
}

std::vector<CategoryLine> TopLevelCategories(DataContext& data, bool expense) {
  auto lines = ReadLines(data, FormatSql("%s WHERE Parent = 0 AND Deleted = 0 AND Expense = %d ORDER BY ID",
                                         {kColumns, expense ? 1 : 0}));
  SortByName(lines);
  return lines;
}

std::vector<CategoryLine> Subcategories(DataContext& data, CategoryKey parent) {
  auto lines = ReadLines(data, FormatSql("%s WHERE Parent = %d AND Deleted = 0 ORDER BY ID", {kColumns, parent}));
  SortByName(lines);
  std::optional<std::string> parentName = CategoryFullName(data, parent);
  for (CategoryLine& line : lines) line.fullName = FormatSql("%s | %s", {parentName.value_or(""), line.name});
  return lines;
}

std::vector<CategoryLine> CategoryWindowLines(DataContext& data) {
  std::vector<CategoryLine> lines;
  for (bool expense : {true, false}) {
    for (CategoryLine& top : TopLevelCategories(data, expense)) {
      const bool header = top.header;
      const CategoryKey key = top.key;
      lines.push_back(std::move(top));
      if (!header) continue;
      for (CategoryLine& sub : Subcategories(data, key)) lines.push_back(std::move(sub));
    }
  }
  return lines;
}

Status SaveCategoryForm(DataContext& data, const CategoryForm& form, CategoryKey* saved) {
  const std::string name = TrimSpaces(form.name);
  if (name.empty()) return Status::Fail("Please enter a name for this category.", "Category name required", "name");
  if (!form.header) {
    if (form.parent != 0) {
      const std::string parentName = store::QueryFirstText(
          data.db(), FormatSql("SELECT PayCategory FROM Categories WHERE ID = %d", {form.parent}));
      if (parentName == name) {
        return Status::Fail("Please enter a category name different than parent category.", "Category name conflict",
                            "name");
      }
    } else {
      return Status::Fail("You can`t add non-parent category without setting its parent", "Select a parent", "parent");
    }
  }
  const CategoryKey parent = form.header ? 0 : form.parent;
  if (CategoryNameExists(data, name, parent, form.key.value_or(0))) {
    return Status::Fail("Another category name with the same name already exists. Please enter a different name.",
                        "Category name exists", "name");
  }
  bool ok = false;
  CategoryKey key = form.key.value_or(0);
  if (form.key) {
    // The kind of an existing category does not change.
    const bool expense = IsExpenseCategory(data, *form.key);
    ok = EditCategory(data, *form.key, name, form.header, parent, form.taxDeductible, expense);
  } else {
    ok = AddCategory(data, name, form.header, parent, form.taxDeductible, form.expense, &key);
  }
  if (!ok) return Status::FileError(store::WriteFailureMessage(data.db().lastError()));
  if (saved) *saved = key;
  return Status::Ok();
}

Status DeleteCategoriesFromWindow(DataContext& data, const std::vector<CategoryKey>& keys, store::Prompter& prompter) {
  bool inBudget = false;
  for (CategoryKey key : keys) inBudget = inBudget || CategoryUsedInBudget(data, key);
  const std::string question =
      FormatSql("Are you sure that you would like to delete the selected categories?%s",
                {inBudget ? "\r\n\r\nDeleting the selected categories will remove them from associated budgets." : ""});
  if (prompter.ask("Delete Categories", question, {"Delete", "Cancel"}) != 0) {
    return Status::Declined();
  }
  WriteGuard guard(data.db());
  for (CategoryKey key : keys) DeleteCategory(data, key);
  return guard.commit();
}

std::optional<TypedCategory> CategoryFromTypedName(DataContext& data, std::string_view typed, bool expense,
                                                   store::Prompter* prompter) {
  const std::string name = TrimSpaces(typed);
  if (name.empty() || name == kNotCategorized) {
    // "Not categorized" is key 0 unless a row of that name exists.
    return TypedCategory{name.empty() ? 0 : FindCategoryId(data, name).value_or(0), false};
  }
  const CategoryKey found = FindCategoryByFullName(data, name);
  if (found >= 0) return TypedCategory{found, false};
  CategoryKey created = 0;
  if (!AddCategory(data, name, false, 0, false, expense, &created)) return std::nullopt;
  if (prompter) prompter->balloon("category", "", "A new category was created");
  return TypedCategory{created, true};
}

std::optional<TypedCategory> SubcategoryFromTypedName(DataContext& data, CategoryKey parent, std::string_view typed,
                                                      bool expense, store::Prompter* prompter) {
  const std::string name = TrimSpaces(typed);
  if (name.empty()) return TypedCategory{0, false};
  if (const auto found = FindCategoryId(data, name, parent)) return TypedCategory{*found, false};
  WriteGuard guard(data.db());
  bool marked = false;
  {
    Record r;
    if (!LoadActiveCategory(data, parent, r)) return std::nullopt;
    marked = r.GetInt("Header") == 0;
    r.SetFlag("Header", true);
  }
  CategoryKey created = 0;
  if (!AddCategory(data, name, false, parent, false, expense, &created)) return std::nullopt;
  if (!guard.commit()) return std::nullopt;
  if (prompter) prompter->balloon("subcategory", "", "A new subcategory was created");
  return TypedCategory{created, true, marked ? parent : 0};
}

}  // namespace tallyvane::ledger
