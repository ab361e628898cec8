// The category window: expense then income categories, headers followed by
// their subcategories; add, edit, delete with its question, find.
#pragma once

#include "gui/dialogs/list_window.h"
#include "ledger/search.h"

namespace tallyvane::gui {

class CategoryWindow final : public ListWindow {
 public:
  CategoryWindow(GuiContext& context, QWidget* parent);

 protected:
  void refill() override;
  bool runAdd(int32_t& key) override;
  bool runEdit(int32_t& key) override;
  bool runDelete(const std::vector<int32_t>& keys) override;
  Search runFind(const std::string& text) override;
  Search runFindNext() override;

 private:
  ledger::CategorySearch search_;
};

}  // namespace tallyvane::gui
