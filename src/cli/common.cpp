#include "cli/common.h"

#include <unistd.h>

#include <cstdio>
#include <ostream>

#include "ledger/accounts.h"
#include "ledger/categories.h"
#include "ledger/payees.h"
#include "store/dates.h"
#include "store/record.h"
#include "store/text.h"

namespace tallyvane::cli {

std::optional<int32_t> ParseKey(std::string_view text) {
  if (!text.empty() && text.front() == '#') text.remove_prefix(1);
  if (text.empty() || text.size() > 9) return std::nullopt;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  return store::ParseInt32Prefix(text);
}

std::optional<ledger::AccountKey> ResolveAccount(Session& session, std::string_view text) {
  if (!text.empty() && text.front() == '#') {
    if (const auto key = ParseKey(text)) {
      store::Record r;
      if (ledger::LoadActiveAccount(session.data, *key, r)) return key;
    }
  } else if (const auto key = ledger::FindAccountByName(session.data, text)) {
    return key;
  }
  session.usage("no account named " + std::string(text));
  return std::nullopt;
}

std::optional<ledger::PayeeKey> ResolvePayee(Session& session, std::string_view text) {
  if (!text.empty() && text.front() == '#') {
    if (const auto key = ParseKey(text)) {
      store::Record r;
      if (ledger::LoadActivePayee(session.data, *key, r)) return key;
    }
  } else if (const ledger::PayeeKey key = ledger::FindPayeeId(session.data, text); key > 0) {
    return key;
  }
  session.usage("no payee named " + std::string(text));
  return std::nullopt;
}

std::optional<ledger::PayeeKey> FindExistingPayee(Session& session, std::string_view text) {
  if (!text.empty() && text.front() == '#') {
    if (const auto key = ParseKey(text)) {
      store::Record r;
      if (ledger::LoadActivePayee(session.data, *key, r)) return key;
    }
    return std::nullopt;
  }
  const ledger::PayeeKey key = ledger::FindPayeeId(session.data, ledger::TrimSpaces(text));
  if (key > 0) return key;
  return std::nullopt;
}

std::optional<ledger::CategoryKey> ResolveCategory(Session& session, std::string_view text) {
  if (!text.empty() && text.front() == '#') {
    if (const auto key = ParseKey(text)) {
      store::Record r;
      if (ledger::LoadActiveCategory(session.data, *key, r)) return key;
    }
  } else if (const ledger::CategoryKey key = ledger::FindCategoryByFullName(session.data, text); key > 0) {
    return key;
  }
  session.usage("no category named " + std::string(text));
  return std::nullopt;
}

void SetMoney(Json& object, const std::string& name, store::Money amount, const store::RegionalSettings& regional) {
  object.set(name, static_cast<long long>(amount.minorUnits()));
  object.set(name + "_text", store::FormatMoney(regional, amount));
}

void SetOptionalMoney(Json& object, const std::string& name, std::optional<store::Money> amount,
                      const store::RegionalSettings& regional) {
  if (amount) {
    SetMoney(object, name, *amount, regional);
  } else {
    object.set(name, nullptr);
    object.set(name + "_text", "");
  }
}

bool IsDateArgument(std::string_view text) {
  return text.size() == 10 && text[4] == '-' && text[7] == '-' && !text.empty() && store::IsValidDateText(text);
}

int PrintCreated(Session& session, int32_t key) {
  if (session.json) {
    session.out << Json::object().set("id", key).dump() << '\n';
  } else {
    session.out << key << '\n';
  }
  return kExitDone;
}

void StderrProgress::setFraction(long long done, long long total) {
  if (!isatty(STDERR_FILENO) || total <= 0) return;
  std::fprintf(stderr, "\r%s: %lld%%", title_.c_str(), done * 100 / total);
  if (done >= total) std::fprintf(stderr, "\n");
}

}  // namespace tallyvane::cli
