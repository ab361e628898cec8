// Helpers shared by the command groups: naming rows the way the command line
// does (by "#key" or by name), and money and dates in text and JSON.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "cli/cli.h"
#include "ledger/keys.h"
#include "store/money.h"
#include "store/ports.h"

namespace tallyvane::cli {

// "#12" or a name; nullopt (after printing a usage error) when not found.
std::optional<ledger::AccountKey> ResolveAccount(Session& session, std::string_view text);
std::optional<ledger::PayeeKey> ResolvePayee(Session& session, std::string_view text);
// An existing live payee named by "#key" or by name, without a message: a
// payee field also takes a new name.
std::optional<ledger::PayeeKey> FindExistingPayee(Session& session, std::string_view text);
std::optional<ledger::CategoryKey> ResolveCategory(Session& session, std::string_view text);
// A row key given as "12" or "#12".
std::optional<int32_t> ParseKey(std::string_view text);

// Sets "<name>" (minor units) and "<name>_text" on a JSON object.
void SetMoney(Json& object, const std::string& name, store::Money amount, const store::RegionalSettings& regional);
// Null for no amount.
void SetOptionalMoney(Json& object, const std::string& name, std::optional<store::Money> amount,
                      const store::RegionalSettings& regional);

// YYYY-MM-DD and a real calendar date.
bool IsDateArgument(std::string_view text);

// Progress on the error stream, only when someone is watching it.
class StderrProgress final : public store::Progress {
 public:
  void setTitle(std::string_view title) override { title_ = std::string(title); }
  void setText(std::string_view) override {}
  void setFraction(long long done, long long total) override;
  [[nodiscard]] bool cancelRequested() const override { return false; }

 private:
  std::string title_;
};

// Prints a created key as the contract says.
int PrintCreated(Session& session, int32_t key);

}  // namespace tallyvane::cli
