// The figures the charts draw, computed here so that they are tested without
// a display: net worth per month from the monthly balance cache, and the
// slices of a share chart with the small ones gathered under "Other".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/data_context.h"
#include "store/money.h"

namespace tallyvane::reports {

struct YearMonth {
  int year = 0;
  int month = 0;  // 1..12
  friend bool operator==(const YearMonth&, const YearMonth&) = default;
};

struct NetWorthMonth {
  YearMonth month;
  store::Money assets;       // balances of the asset accounts at the month's end
  store::Money liabilities;  // what the liability accounts owe at the month's end
  [[nodiscard]] store::Money netWorth() const { return assets - liabilities; }
};

inline constexpr std::string_view kNetWorthTitle = "Net Worth";

// The first month the cache holds for any live account, or nullopt when it
// holds none.
[[nodiscard]] std::optional<YearMonth> FirstCachedMonth(store::DataContext& data);
// The month a net worth chart starts with: the first cached month or the
// month of the first live investment action, whichever is earlier.
[[nodiscard]] std::optional<YearMonth> FirstNetWorthMonth(store::DataContext& data);

// One entry per month from `from` to `to` (both included). Each live banking
// account adds its cached balance for the month, the last earlier one when
// the month has no row (its balance did not change), or its starting
// balance before its first cached month. Reads per account only the cache
// rows of the range and one row before it, through the cache's index. Each
// live investment account, whose value the cache does not hold, adds the
// value the accounts panel shows for it (its starting balance less the
// total cost of its actions since 1980) as it stood at the month's end.
[[nodiscard]] std::vector<NetWorthMonth> NetWorthByMonth(store::DataContext& data, YearMonth from, YearMonth to);

struct ChartSlice {
  std::string label;
  store::Money amount;
};

inline constexpr std::string_view kOtherSlice = "Other";

// The positive amounts, largest first (equal ones keep their order); past
// `maxSlices - 1` the rest are summed into one "Other" slice, so the chart
// never has more than `maxSlices` slices.
[[nodiscard]] std::vector<ChartSlice> ShareSlices(std::vector<ChartSlice> amounts, std::size_t maxSlices);

}  // namespace tallyvane::reports
