// The account management window: every active account with its type and
// masked number; add and edit through the account form, delete with its
// question and a progress window, find and find next.
#pragma once

#include "gui/dialogs/list_window.h"
#include "ledger/accounts.h"

namespace tallyvane::gui {

class AccountListWindow final : public ListWindow {
 public:
  AccountListWindow(GuiContext& context, QWidget* parent);

 protected:
  void refill() override;
  bool runAdd(int32_t& key) override;
  bool runEdit(int32_t& key) override;
  bool runDelete(const std::vector<int32_t>& keys) override;
  Search runFind(const std::string& text) override;
  Search runFindNext() override;

 private:
  bool runForm(std::optional<ledger::AccountKey> key, int32_t& saved);
  ledger::AccountSearch search_;
};

}  // namespace tallyvane::gui
