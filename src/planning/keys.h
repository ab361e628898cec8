// Key types of the planning tables. Keys are decimal text from RecordKeys on
// disk and integers in memory, 0 meaning "none", as in the ledger.
#pragma once

#include <cstdint>

#include "ledger/keys.h"

namespace tallyvane::planning {

using ledger::AccountKey;
using ledger::CategoryKey;
using ledger::PayeeKey;
using ledger::TransactionKey;
using ledger::KeyText;

using ScheduleKey = int32_t;
using BudgetKey = int32_t;
using SecurityKey = int32_t;
using InvestmentKey = int32_t;
using InvestmentScheduleKey = int32_t;

}  // namespace tallyvane::planning
