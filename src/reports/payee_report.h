// Income and expenses by payee over a period, transfers left out: in each
// section the payees by name, the transactions without a payee as
// "Unassigned", optionally each payee's amounts broken down by account. A
// payee line drills down into the payee journal.
#pragma once

#include "reports/report.h"

namespace tallyvane::reports {

inline constexpr std::string_view kPayeeReportTitle = "Expense Report By Payee";

class PayeeReport final : public Report {
 public:
  PayeeReport(DataContext& owner, const ReportPeriod& period, bool expandByAccounts);
  void build() override;
  [[nodiscard]] std::unique_ptr<Journal> journalFor(const std::vector<std::string>& cells) override;
  [[nodiscard]] bool expandByAccounts() const { return expandByAccounts_; }

 private:
  bool expandByAccounts_;
};

}  // namespace tallyvane::reports
