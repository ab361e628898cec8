#include "reports/payee_report.h"

#include <list>
#include <unordered_map>

#include "ledger/payees.h"
#include "ledger/transactions.h"
#include "reports/journal.h"
#include "reports/names.h"
#include "store/money.h"
#include "store/sql_format.h"

namespace tallyvane::reports {

using ledger::AccountKey;
using ledger::PayeeKey;
using store::FormatSql;
using store::Money;

namespace {

// Sums of one sign: money in (Amount > 0) or money out (Amount < 0), as
// magnitudes.
struct SignedSums {
  int64_t income = 0;
  int64_t expense = 0;
  [[nodiscard]] int64_t of(bool income_) const { return income_ ? income : expense; }
};

struct PayeeSums {
  SignedSums total;
  std::unordered_map<AccountKey, SignedSums> byAccount;
};

struct NamedAmount {
  std::string name;
  int64_t amount = 0;
};

// Inserted after any entries that compare equal.
void InsertByName(std::list<NamedAmount>& list, NamedAmount entry) {
  auto at = list.begin();
  while (at != list.end() && CompareNames(at->name, entry.name) <= 0) ++at;
  list.insert(at, std::move(entry));
}

}  // namespace

PayeeReport::PayeeReport(DataContext& owner, const ReportPeriod& period, bool expandByAccounts)
    : Report(owner, kPayeeColumns, period), expandByAccounts_(expandByAccounts) {
  setTitle(std::string(kPayeeReportTitle));
}

void PayeeReport::build() {
  clearRows();
  DataContext& data = owner();

  // One pass over the period's rows of every payee (and of none) gives each
  // payee's totals and its per-account totals at once; voids and transfers
  // never count.
  std::unordered_map<PayeeKey, PayeeSums> sums;
  for (store::Query q(data.db(),
                      FormatSql("SELECT PayAccount, Account, Amount, Void, ReferencedAccount FROM Transactions WHERE "
                                "PayAccount IN (SELECT ID FROM PayAccounts UNION ALL SELECT 0) AND TransactionDate >= "
                                "DATE('%Q') AND TransactionDate <= DATE('%Q') AND Deleted = 0",
                                {period().startText(), period().endText()}));
       q.hasRow(); q.next()) {
    if (q.int32(3) != 0 || q.int32(4) != 0) continue;
    const int64_t amount = q.int64(2);
    if (amount == 0) continue;
    PayeeSums& payee = sums[q.int32(0)];
    SignedSums& account = payee.byAccount[q.int32(1)];
    if (amount > 0) {
      payee.total.income += amount;
      account.income += amount;
    } else {
      payee.total.expense -= amount;
      account.expense -= amount;
    }
  }

  struct PayeeEntry {
    std::string name;
    PayeeKey id = 0;
  };
  std::vector<PayeeEntry> payees;
  for (store::Query q(data.db(), "SELECT ID, PayName FROM PayAccounts ORDER BY ID"); q.hasRow(); q.next()) {
    payees.push_back({q.text(1), q.int32(0)});
  }
  const std::vector<AccountEntry> accounts = LiveAccounts(data);
  const store::RegionalSettings& regional = data.regional();
  auto money = [&](int64_t amount) { return store::FormatMoney(regional, Money(amount)); };
  auto totalOf = [&](PayeeKey payee, bool income) -> int64_t {
    const auto found = sums.find(payee);
    return found == sums.end() ? 0 : found->second.total.of(income);
  };
  auto breakdown = [&](PayeeKey payee, bool income) {
    const auto found = sums.find(payee);
    if (found == sums.end()) return;
    std::list<NamedAmount> lines;
    for (const AccountEntry& account : accounts) {
      const auto sum = found->second.byAccount.find(account.id);
      if (sum != found->second.byAccount.end() && sum->second.of(income) > 0) {
        InsertByName(lines, {account.name, sum->second.of(income)});
      }
    }
    for (const NamedAmount& line : lines) addRow({"", line.name, money(line.amount)});
  };

  for (const bool income : {true, false}) {
    if (!income) addRow({"", "", ""});
    addRow({income ? "Income Payees" : "Expense Payees", "", ""});
    struct Listed {
      std::string name;
      int64_t amount = 0;
      PayeeKey id = 0;
    };
    std::list<Listed> listed;
    for (const PayeeEntry& payee : payees) {
      const int64_t total = totalOf(payee.id, income);
      if (total <= 0) continue;
      auto at = listed.begin();
      while (at != listed.end() && CompareNames(at->name, payee.name) <= 0) ++at;
      listed.insert(at, {payee.name, total, payee.id});
      countRecord();
    }
    for (const Listed& entry : listed) {
      addRow({entry.name, "", expandByAccounts_ ? std::string() : money(entry.amount)}, 5);
      if (expandByAccounts_) breakdown(entry.id, income);
    }
    const int64_t unassigned = totalOf(0, income);
    if (unassigned > 0) {
      addRow({std::string(ledger::kUnassigned), "", money(unassigned)}, 5);
      countRecord();
      if (expandByAccounts_) breakdown(0, income);
    }
  }
}

std::unique_ptr<Journal> PayeeReport::journalFor(const std::vector<std::string>& cells) {
  if (cells.empty() || cells.front().empty() || cells.front().front() != ' ') return nullptr;
  const std::string name = LeadingBlanksRemoved(cells.front());
  if (name.empty()) return nullptr;
  const PayeeKey payee = ledger::FindPayeeId(owner(), name, true);
  if (payee < 0) return nullptr;
  return std::make_unique<PayeeJournal>(owner(), payee, period());
}

}  // namespace tallyvane::reports
