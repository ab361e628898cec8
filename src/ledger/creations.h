// What an entry form created from typed names while it was open (categories
// and subcategories as a field was left, payees as they were typed), so that
// Cancel can take back what nothing came to use.
#pragma once

#include <vector>

#include "ledger/categories.h"
#include "ledger/keys.h"
#include "store/data_context.h"
#include "store/status.h"

namespace tallyvane::ledger {

struct FormCreations {
  std::vector<CategoryKey> categories;     // top-level and subcategories, in the order made
  std::vector<CategoryKey> headersMarked;  // existing categories a new subcategory made headers
  std::vector<PayeeKey> payees;

  void note(const TypedCategory& typed);
  void notePayee(PayeeKey payee) { payees.push_back(payee); }
  [[nodiscard]] bool empty() const { return categories.empty() && payees.empty(); }
};

// Cancel of a form: removes the categories, subcategories and payees it
// created that nothing uses (no transaction, split line, schedule, budget
// line, payee's remembered category or subcategory refers to them), the
// newest first, and takes the header mark off a category the form made a
// header when it is left without subcategories. One transaction; what is in
// use stays as it is.
[[nodiscard]] store::Status TakeBackCreations(store::DataContext& data, const FormCreations& created);

}  // namespace tallyvane::ledger
