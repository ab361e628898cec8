// Account activity over a period: the register of one account (reconciled
// mark, date, payee, category, payment or charge, deposit, running balance),
// or for an investment account its actions with shares and amounts.
#pragma once

#include "ledger/keys.h"
#include "reports/report.h"

namespace tallyvane::reports {

class AccountActivityReport final : public Report {
 public:
  // The title and the column set follow the account ("%s Transactions").
  AccountActivityReport(DataContext& owner, const ReportPeriod& period, ledger::AccountKey account);
  void build() override;
  [[nodiscard]] ledger::AccountKey account() const { return account_; }

 private:
  void buildRegister();
  void buildInvestments();
  ledger::AccountKey account_;
  bool investment_ = false;
};

// The accounts the activity dialog offers: live ones, in table order.
struct ActivityAccountChoice {
  ledger::AccountKey id = 0;
  std::string name;
};
[[nodiscard]] std::vector<ActivityAccountChoice> ActivityAccountChoices(DataContext& data);

}  // namespace tallyvane::reports
