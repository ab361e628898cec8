// Securities: the named list of what investment rows buy and sell (name,
// ticker symbol, current price). Names are unique among live securities. The
// security form, the securities list with delete and find.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ledger/categories.h"
#include "planning/keys.h"
#include "store/data_context.h"
#include "store/money.h"
#include "store/ports.h"
#include "store/status.h"

namespace tallyvane::planning {

using store::DataContext;
using store::Money;
using store::Status;

// nullopt (nothing written) when a live security already bears the name.
[[nodiscard]] std::optional<SecurityKey> AddSecurity(DataContext& data, std::string_view name, std::string_view symbol,
                                                     Money price);
// False when another live security bears the name; its own name passes.
bool UpdateSecurity(DataContext& data, SecurityKey key, std::string_view name, std::string_view symbol, Money price);
bool DeleteSecurity(DataContext& data, SecurityKey key);
// The live security of that name, or 0.
[[nodiscard]] SecurityKey FindSecurityByName(DataContext& data, std::string_view name);
// The name of a security, deleted ones included (rows go on naming them);
// empty for 0 or a missing row.
[[nodiscard]] std::string SecurityName(DataContext& data, SecurityKey key);
// The lower-cased text occurs in the lower-cased name or symbol.
[[nodiscard]] bool SecurityMatchesText(DataContext& data, SecurityKey key, std::string_view text);

struct SecurityLine {
  SecurityKey key = 0;
  std::string name;
  std::string symbol;
  Money price;
};
// Live securities by name, without regard to case.
[[nodiscard]] std::vector<SecurityLine> SecurityListLines(DataContext& data);

struct SecurityForm {
  std::optional<SecurityKey> key;  // editing when set
  std::string name;
  std::string symbol;
  std::string priceText;
};
[[nodiscard]] std::optional<SecurityForm> OpenSecurityForm(DataContext& data, SecurityKey key);
[[nodiscard]] Status SaveSecurity(DataContext& data, const SecurityForm& form, SecurityKey* saved = nullptr);

[[nodiscard]] Status DeleteSecuritiesFromList(DataContext& data, const std::vector<SecurityKey>& keys,
                                              store::Prompter& prompter);

// Find and find next in the securities list.
class SecuritySearch {
 public:
  struct Result {
    std::optional<SecurityKey> key;
    Status status;
  };
  Result find(DataContext& data, std::string_view text);
  Result findNext(DataContext& data);

 private:
  Result search(DataContext& data, bool next);
  std::string text_;
  ledger::ListFinder finder_;
};

}  // namespace tallyvane::planning
