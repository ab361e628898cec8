#include "reports/activity_report.h"

#include <array>
#include <limits>
#include <map>

#include "ledger/accounts.h"
#include "ledger/balances.h"
#include "ledger/transactions.h"
#include "reports/names.h"
#include "store/money.h"
#include "store/record.h"
#include "store/sql_format.h"

namespace tallyvane::reports {

using store::FormatSql;
using store::Money;

namespace {

constexpr std::array<std::string_view, 7> kActionNames = {"Buy",          "Sell",    "Dividend", "Income",
                                                          "Misc Expense", "Deposit", "Withdraw"};
constexpr int kBuy = 0;
constexpr int kSell = 1;
constexpr int kDividend = 2;

// −(shares × price) in 64 bits; a product beyond the range saturates rather
// than wrapping into a wrong sign.
int64_t NegatedProduct(int64_t shares, int64_t price) {
  int64_t product = 0;
  if (__builtin_mul_overflow(shares, price, &product)) {
    return ((shares < 0) != (price < 0)) ? std::numeric_limits<int64_t>::max() : -std::numeric_limits<int64_t>::max();
  }
  return product == std::numeric_limits<int64_t>::min() ? std::numeric_limits<int64_t>::max() : -product;
}

}  // namespace

AccountActivityReport::AccountActivityReport(DataContext& owner, const ReportPeriod& period,
                                             ledger::AccountKey account)
    : Report(owner, kAssetActivityColumns, period), account_(account) {
  store::Query q(owner.db(), FormatSql("SELECT AcctName, AcctType FROM Accounts WHERE ID = %d", {account}));
  setTitle(FormatSql("%s Transactions", {q.text(0)}));
  investment_ = q.hasRow() && q.int32(1) == ledger::kInvestmentAccountType;
  if (investment_) {
    setColumns(kInvestmentActivityColumns);
  } else if (!ledger::AccountIsAsset(owner, account)) {
    setColumns(kChargeActivityColumns);
  }
}

void AccountActivityReport::build() {
  clearRows();
  if (investment_) {
    buildInvestments();
  } else {
    buildRegister();
  }
}

void AccountActivityReport::buildRegister() {
  DataContext& data = owner();
  ReportTexts texts(data);
  const bool asset = texts.isAsset(account_);
  const store::RegionalSettings& regional = data.regional();
  PeriodRows range(data.db(), FormatSql("Account = %d", {account_}), period().startText(), period().endText());
  ledger::TransactionRow row;
  bool first = true;
  Money balance;
  while (range.next(row)) {
    // The first row's balance comes from the ledger (the month's cached
    // opening plus the month so far); each later one steps from it in the
    // same order and with the same rule: voids change nothing.
    if (first) {
      balance = ledger::TransactionRunningBalance(data, row.key);
      first = false;
    } else if (!row.isVoid) {
      balance += asset ? row.amount : -row.amount;
    }
    std::string payment;
    std::string deposit;
    const bool toDeposit = row.isTransfer() ? row.amount.minorUnits() > 0
                                            : row.type == static_cast<int>(ledger::TransactionType::Deposit);
    if (toDeposit) {
      deposit = store::FormatMoney(regional, row.amount);
    } else {
      payment = store::FormatMoney(regional, -row.amount);
    }
    addRow({row.reconciled ? "R" : "", row.date, texts.payeeText(row), texts.categoryText(row), payment, deposit,
            store::FormatMoney(regional, balance)},
           0, RowKind::Register);
    countRecord();
  }
}

void AccountActivityReport::buildInvestments() {
  DataContext& data = owner();
  const store::RegionalSettings& regional = data.regional();
  std::map<int32_t, std::string> securities;
  auto securityName = [&](int32_t id) -> const std::string& {
    auto found = securities.find(id);
    if (found == securities.end()) {
      found = securities
                  .emplace(id, store::QueryFirstText(
                                   data.db(), FormatSql("SELECT SecurityName FROM Securities WHERE ID = %d", {id})))
                  .first;
    }
    return found->second;
  };
  for (store::Query q(data.db(),
                      FormatSql("SELECT TransactionDate, InvestmentType, Security, NumberOfShares, PricePaid FROM "
                                "Investments where Account = %d AND TransactionDate >= DATE('%Q') AND "
                                "TransactionDate <= DATE('%Q') AND Deleted = 0 ORDER BY TransactionDate",
                                {account_, period().startText(), period().endText()}));
       q.hasRow(); q.next()) {
    const int action = q.int32(1, -1);
    const int64_t shares = q.int64(3);
    std::string sharesText;
    std::string amountText;
    if (action == kBuy || action == kSell || action == kDividend) sharesText = FormatSql("%lld", {static_cast<long long>(shares)});
    if (action == kBuy || action == kSell) amountText = store::FormatMoney(regional, Money(NegatedProduct(shares, q.int64(4))));
    const std::string actionName =
        action >= 0 && action < static_cast<int>(kActionNames.size()) ? std::string(kActionNames[action]) : std::string();
    addRow({q.text(0), actionName, securityName(q.int32(2)), sharesText, amountText}, 0, RowKind::Register);
    countRecord();
  }
}

std::vector<ActivityAccountChoice> ActivityAccountChoices(DataContext& data) {
  std::vector<ActivityAccountChoice> choices;
  for (const AccountEntry& account : LiveAccounts(data)) choices.push_back({account.id, account.name});
  return choices;
}

}  // namespace tallyvane::reports
