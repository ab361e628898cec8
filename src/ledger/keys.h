// Key types of the ledger's rows. Keys are stored as decimal text allocated
// from RecordKeys; in memory they are integers, 0 meaning "none".
#pragma once

#include <cstdint>
#include <string>

namespace tallyvane::ledger {

using AccountKey = int32_t;
using CategoryKey = int32_t;
using PayeeKey = int32_t;
using TransactionKey = int32_t;
using SplitLineKey = int32_t;

inline std::string KeyText(int32_t key) { return std::to_string(key); }

}  // namespace tallyvane::ledger
