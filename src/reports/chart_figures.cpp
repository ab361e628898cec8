#include "reports/chart_figures.h"

#include <algorithm>

#include "ledger/balances.h"
#include "store/dates.h"
#include "store/record.h"
#include "store/sql_format.h"
#include "store/text.h"

namespace tallyvane::reports {

using store::FormatSql;
using store::Money;

namespace {

int Key(YearMonth ym) { return store::MonthKey(ym.year, ym.month); }
YearMonth FromKey(int key) { return {key / 12, key % 12 + 1}; }

}  // namespace

std::optional<YearMonth> FirstCachedMonth(store::DataContext& data) {
  std::optional<int> first;
  std::vector<int32_t> accounts;
  for (store::Query q(data.db(), "SELECT ID FROM Accounts WHERE Deleted = 0 AND AcctType != 4"); q.hasRow(); q.next()) {
    accounts.push_back(q.int32(0));
  }
  for (int32_t account : accounts) {
    store::Query q(data.db(), FormatSql("SELECT TimeStamp FROM MonthlyBalances WHERE Account = %d ORDER BY TimeStamp "
                                        "LIMIT 1",
                                        {account}));
    if (q.hasRow() && (!first || q.int32(0) < *first)) first = q.int32(0);
  }
  if (!first) return std::nullopt;
  return FromKey(*first);
}

std::optional<YearMonth> FirstNetWorthMonth(store::DataContext& data) {
  std::optional<YearMonth> first = FirstCachedMonth(data);
  const std::string date = store::QueryFirstText(
      data.db(), "SELECT MIN(DATE(i.TransactionDate)) FROM Investments i JOIN Accounts a ON a.ID = i.Account WHERE "
                 "i.Deleted = 0 AND a.Deleted = 0 AND a.AcctType = 4 AND i.TransactionDate >= DATE('1980-01-01')");
  if (date.size() >= 7) {
    const YearMonth month{store::ParseInt32Prefix(date.substr(0, 4)), store::ParseInt32Prefix(date.substr(5, 2))};
    if (month.month >= 1 && month.month <= 12 && (!first || Key(month) < Key(*first))) first = month;
  }
  return first;
}

std::vector<NetWorthMonth> NetWorthByMonth(store::DataContext& data, YearMonth from, YearMonth to) {
  const int first = Key(from);
  const int last = Key(to);
  std::vector<NetWorthMonth> months;
  if (last < first) return months;
  months.resize(static_cast<std::size_t>(last - first + 1));
  for (int key = first; key <= last; ++key) months[static_cast<std::size_t>(key - first)].month = FromKey(key);

  struct Account {
    int32_t id;
    int type;
    Money starting;
  };
  std::vector<Account> accounts;
  for (store::Query q(data.db(), "SELECT ID, AcctType, AcctStartingBal FROM Accounts WHERE Deleted = 0 AND AcctType != 4");
       q.hasRow(); q.next()) {
    accounts.push_back({q.int32(0), q.int32(1), Money(q.int64(2))});
  }
  for (const Account& account : accounts) {
    const bool asset = ledger::AccountIsAsset(data, account.id);
    Money balance = account.starting;
    {
      store::Query before(data.db(), FormatSql("SELECT Balance FROM MonthlyBalances WHERE Account = %d AND TimeStamp < "
                                               "%d ORDER BY TimeStamp DESC, ID LIMIT 1",
                                               {account.id, first}));
      if (before.hasRow()) balance = Money(before.int64(0));
    }
    store::Query rows(data.db(), FormatSql("SELECT TimeStamp, Balance FROM MonthlyBalances WHERE Account = %d AND "
                                           "TimeStamp >= %d AND TimeStamp <= %d ORDER BY TimeStamp, ID",
                                           {account.id, first, last}));
    int key = first;
    auto carryTo = [&](int end) {
      for (; key < end; ++key) {
        NetWorthMonth& month = months[static_cast<std::size_t>(key - first)];
        (asset ? month.assets : month.liabilities) += balance;
      }
    };
    int seen = -1;
    for (; rows.hasRow(); rows.next()) {
      const int at = rows.int32(0);
      // Of two rows for one month, the first stands.
      if (at == seen) continue;
      seen = at;
      carryTo(at);
      balance = Money(rows.int64(1));
    }
    carryTo(last + 1);
  }

  // Investment accounts: the panel's value, month by month. Actions are
  // read once per account in date order and summed into the months.
  std::vector<Account> investments;
  for (store::Query q(data.db(), "SELECT ID, AcctType, AcctStartingBal FROM Accounts WHERE Deleted = 0 AND AcctType = 4");
       q.hasRow(); q.next()) {
    investments.push_back({q.int32(0), q.int32(1), Money(q.int64(2))});
  }
  const std::string lastDay =
      FormatSql("%.4d-%.2d-%.2d", {to.year, to.month, store::DaysInMonth(to.month, to.year)});
  for (const Account& account : investments) {
    const bool asset = ledger::AccountIsAsset(data, account.id);
    Money value = account.starting;
    int key = first;
    auto carryTo = [&](int end) {
      for (; key < end && key <= last; ++key) {
        NetWorthMonth& month = months[static_cast<std::size_t>(key - first)];
        (asset ? month.assets : month.liabilities) += value;
      }
    };
    for (store::Query rows(data.db(), FormatSql("SELECT TransactionDate, TotalCost FROM Investments WHERE Account = %d "
                                                "AND TransactionDate >= DATE('1980-01-01') AND TransactionDate <= "
                                                "DATE('%Q') AND Deleted = 0 ORDER BY TransactionDate, ID",
                                                {account.id, lastDay}));
         rows.hasRow(); rows.next()) {
      const std::string date = rows.text(0);
      const int at = store::MonthKey(store::ParseInt32Prefix(date.substr(0, 4)),
                                     store::ParseInt32Prefix(date.size() >= 7 ? date.substr(5, 2) : std::string()));
      carryTo(at);
      value -= Money(rows.int64(1));
    }
    carryTo(last + 1);
  }
  return months;
}

std::vector<ChartSlice> ShareSlices(std::vector<ChartSlice> amounts, std::size_t maxSlices) {
  std::erase_if(amounts, [](const ChartSlice& slice) { return slice.amount.minorUnits() <= 0; });
  std::stable_sort(amounts.begin(), amounts.end(),
                   [](const ChartSlice& a, const ChartSlice& b) { return a.amount.minorUnits() > b.amount.minorUnits(); });
  if (maxSlices == 0) return {};
  if (amounts.size() <= maxSlices) return amounts;
  ChartSlice other{std::string(kOtherSlice), Money()};
  for (std::size_t i = maxSlices - 1; i < amounts.size(); ++i) other.amount += amounts[i].amount;
  amounts.resize(maxSlices - 1);
  amounts.push_back(std::move(other));
  return amounts;
}

}  // namespace tallyvane::reports
