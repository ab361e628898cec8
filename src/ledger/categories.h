// Categories: a two-level tree of income and expense categories (top-level
// categories, some of them headers holding subcategories shown as
// "Header | Sub"), their operations, the category window's order, find, the
// category form's checks and the creation of categories from typed names.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ledger/keys.h"
#include "store/data_context.h"
#include "store/ports.h"
#include "store/record.h"
#include "store/status.h"

namespace tallyvane::ledger {

using store::DataContext;
using store::Status;

inline constexpr std::string_view kCategorySeparator = " | ";

bool AddCategory(DataContext& data, std::string_view name, bool header, CategoryKey parent, bool taxDeductible,
                 bool expense, CategoryKey* created = nullptr);
bool EditCategory(DataContext& data, CategoryKey key, std::string_view name, bool header, CategoryKey parent,
                  bool taxDeductible, bool expense);
bool DeleteCategory(DataContext& data, CategoryKey key);
[[nodiscard]] bool LoadActiveCategory(DataContext& data, CategoryKey key, store::Record& record,
                                      bool includeDeleted = false);
// The key of a live category with this name under this parent, other than `excluded`.
[[nodiscard]] std::optional<CategoryKey> CategoryNameExists(DataContext& data, std::string_view name,
                                                            CategoryKey parent, CategoryKey excluded = 0);
// First live category of that name (under `parent` unless it is -1).
[[nodiscard]] std::optional<CategoryKey> FindCategoryId(DataContext& data, std::string_view name, int parent = -1);
// "Header | Sub" or a plain name; -1 when not found.
[[nodiscard]] CategoryKey FindCategoryByFullName(DataContext& data, std::string_view text);
// "Not categorized" for 0; nullopt for a deleted or missing category.
[[nodiscard]] std::optional<std::string> CategoryFullName(DataContext& data, CategoryKey key);
[[nodiscard]] bool HeaderHasChildren(DataContext& data, CategoryKey key);
[[nodiscard]] bool IsExpenseCategory(DataContext& data, CategoryKey key);
[[nodiscard]] bool CategoryUsedInBudget(DataContext& data, CategoryKey key);
[[nodiscard]] bool CategoryMatchesText(DataContext& data, CategoryKey key, std::string_view text);

struct CategoryLine {
  CategoryKey key = 0;
  std::string name;       // own name
  std::string fullName;   // "Header | Sub" for a subcategory
  bool expense = true;
  bool header = false;
  CategoryKey parent = 0;
  bool taxDeductible = false;
};
// The category window: expense first, then income, each by name without regard
// to case, headers followed by their subcategories.
[[nodiscard]] std::vector<CategoryLine> CategoryWindowLines(DataContext& data);

// Live top-level categories of one kind, by name without regard to case.
[[nodiscard]] std::vector<CategoryLine> TopLevelCategories(DataContext& data, bool expense);
[[nodiscard]] std::vector<CategoryLine> Subcategories(DataContext& data, CategoryKey parent);

struct CategoryForm {
  std::optional<CategoryKey> key;  // editing when set
  std::string name;
  bool expense = true;
  bool header = false;
  CategoryKey parent = 0;
  bool taxDeductible = false;
};
// A category's parent (deleted categories included); 0 for a top-level one
// or one that cannot be loaded.
[[nodiscard]] CategoryKey CategoryParent(DataContext& data, CategoryKey key);
// A live category's form as stored, for editing; nullopt when it cannot be loaded.
[[nodiscard]] std::optional<CategoryForm> OpenCategoryForm(DataContext& data, CategoryKey key);
// The category form's save: checks in order, then add or edit.
[[nodiscard]] Status SaveCategoryForm(DataContext& data, const CategoryForm& form, CategoryKey* saved = nullptr);

// Delete from the category window, with its question.
[[nodiscard]] Status DeleteCategoriesFromWindow(DataContext& data, const std::vector<CategoryKey>& keys,
                                                store::Prompter& prompter);

// Find and find next in a list of lines; remembers where the last match was.
class ListFinder {
 public:
  // Index of the first matching line after the previous match (from the top
  // for a fresh search), or nullopt with the message shown.
  template <typename Match>
  std::optional<std::size_t> find(std::size_t count, Match matches, bool next) {
    const std::size_t start = (next && last_) ? *last_ + 1 : 0;
    for (std::size_t i = start; i < count; ++i) {
      if (matches(i)) {
        last_ = i;
        return i;
      }
    }
    last_.reset();
    return std::nullopt;
  }
  void reset() { last_.reset(); }
  [[nodiscard]] bool hasMatch() const { return last_.has_value(); }

 private:
  std::optional<std::size_t> last_;
};

// The typed-name rules of the transaction forms. The category field: an
// existing full name is chosen, a new name is created at top level with the
// transaction's kind ("A new category was created" at the field).
struct TypedCategory {
  CategoryKey key = 0;
  bool created = false;
  CategoryKey parentMarkedHeader = 0;  // a category this creation made a header
};
[[nodiscard]] std::optional<TypedCategory> CategoryFromTypedName(DataContext& data, std::string_view typed,
                                                                 bool expense, store::Prompter* prompter);
[[nodiscard]] std::optional<TypedCategory> SubcategoryFromTypedName(DataContext& data, CategoryKey parent,
                                                                    std::string_view typed, bool expense,
                                                                    store::Prompter* prompter);

// The category and subcategory fields a transaction or schedule form opens
// with for a stored category key. A live top-level category fills the first
// field, a live subcategory both (its header first). A category that was
// deleted (or is missing) opens as "Not categorized", so the form shows no
// name that is not in its list, and saving it files the row under no
// category instead of creating a new category of the deleted name; a
// deleted subcategory under a live header opens as that header, where
// deleting it moved its rows. Key 0 opens with both fields empty.
struct CategoryFieldTexts {
  std::string category;
  std::string subcategory;
  // The keys the two fields stand for (0 for an empty field or "Not categorized").
  CategoryKey categoryKey = 0;
  CategoryKey subcategoryKey = 0;
};
[[nodiscard]] CategoryFieldTexts CategoryFieldsFor(DataContext& data, CategoryKey key);

[[nodiscard]] std::string TrimSpaces(std::string_view text);
[[nodiscard]] bool IsBlank(std::string_view text);

}  // namespace tallyvane::ledger
