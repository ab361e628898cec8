#include "planning/securities.h"

#include <algorithm>

#include "store/record.h"
#include "store/text.h"

namespace tallyvane::planning {

using store::FormatSql;
using store::Query;
using store::Record;
using store::Table;
using store::WriteGuard;

namespace {

constexpr std::string_view kNameQuery = "SELECT ID FROM Securities WHERE SecurityName = '%s' AND Deleted = 0";

bool LoadLive(DataContext& data, SecurityKey key, Record& record) {
  Table table(data.db(), "Securities");
  return store::LoadActiveRecord(table, record, KeyText(key), false, true);
}

}  // namespace

std::optional<SecurityKey> AddSecurity(DataContext& data, std::string_view name, std::string_view symbol, Money price) {
  if (FindSecurityByName(data, name) != 0) return std::nullopt;
  WriteGuard guard(data.db());
  Table table(data.db(), "Securities");
  Record r;
  NewRecord(table, r);
  r.SetText("SecurityName", name);
  r.SetText("Symbol", symbol);
  r.SetInt64("Price", price.minorUnits());
  r.SetFlag("Deleted", false);
  const std::string key = r.key();
  if (!store::SaveRecord(r) || key.empty() || !guard.commit()) return std::nullopt;
  return store::ParseInt32Prefix(key);
}

bool UpdateSecurity(DataContext& data, SecurityKey key, std::string_view name, std::string_view symbol, Money price) {
  if (store::FindDuplicateName(data.db(), kNameQuery, name, std::nullopt, KeyText(key))) return false;
  WriteGuard guard(data.db());
  Record r;
  if (!LoadLive(data, key, r)) return false;
  r.SetText("SecurityName", name);
  r.SetText("Symbol", symbol);
  r.SetInt64("Price", price.minorUnits());
  store::ReleaseRecord(r);
  return guard.commit().ok;
}

bool DeleteSecurity(DataContext& data, SecurityKey key) {
  Table table(data.db(), "Securities");
  return store::RetireRow(table, KeyText(key), true);
}

SecurityKey FindSecurityByName(DataContext& data, std::string_view name) {
  const auto found = store::FindDuplicateName(data.db(), kNameQuery, name);
  return found ? store::ParseInt32Prefix(*found) : 0;
}

std::string SecurityName(DataContext& data, SecurityKey key) {
  if (key == 0) return {};
  return store::QueryFirstText(data.db(), FormatSql("SELECT SecurityName FROM Securities WHERE ID = %d", {key}));
}

bool SecurityMatchesText(DataContext& data, SecurityKey key, std::string_view text) {
  Record r;
  if (!LoadLive(data, key, r)) return false;
  const std::string needle = store::LowerText(text);
  return store::LowerText(r.GetText("SecurityName")).find(needle) != std::string::npos ||
         store::LowerText(r.GetText("Symbol")).find(needle) != std::string::npos;
}

std::vector<SecurityLine> SecurityListLines(DataContext& data) {
  std::vector<SecurityLine> lines;
  for (Query q(data.db(), "SELECT ID, SecurityName, Symbol, Price FROM Securities WHERE Deleted = 0 ORDER BY ID");
       q.hasRow(); q.next()) {
    lines.push_back({q.int32(0), q.text(1), q.text(2), Money(q.int64(3))});
  }
  std::stable_sort(lines.begin(), lines.end(), [](const SecurityLine& a, const SecurityLine& b) {
    return store::LowerText(a.name) < store::LowerText(b.name);
  });
  return lines;
}

std::optional<SecurityForm> OpenSecurityForm(DataContext& data, SecurityKey key) {
  Record r;
  if (!LoadLive(data, key, r)) return std::nullopt;
  SecurityForm form;
  form.key = key;
  form.name = r.GetText("SecurityName");
  form.symbol = r.GetText("Symbol");
  form.priceText = store::FormatMoneyPlain(data.regional(), Money(r.GetInt64("Price")));
  return form;
}

Status SaveSecurity(DataContext& data, const SecurityForm& form, SecurityKey* saved) {
  const std::string name = ledger::TrimSpaces(form.name);
  if (name.empty()) return Status::Fail("Please enter a name for this security.", "Security name required", "name");
  const std::string existing = store::FindDuplicateName(data.db(), kNameQuery, name, std::nullopt,
                                                        form.key ? KeyText(*form.key) : std::string{})
                                   .value_or("");
  if (!existing.empty()) return Status::Fail("A security with this name already exists.", "", "name");
  // The price box may be left empty; a typed price must be money.
  Money price;
  if (!ledger::IsBlank(form.priceText)) {
    if (!store::IsValidMoneyText(data.regional(), form.priceText)) {
      return Status::Fail("Please enter a valid price.", "", "price");
    }
    price = store::ParseMoney(data.regional(), form.priceText);
  }
  if (form.key) {
    if (!UpdateSecurity(data, *form.key, name, form.symbol, price)) {
      return Status::FileError(store::WriteFailureMessage(data.db().lastError()));
    }
    if (saved != nullptr) *saved = *form.key;
    return Status::Ok();
  }
  const auto added = AddSecurity(data, name, form.symbol, price);
  if (!added) return Status::FileError(store::WriteFailureMessage(data.db().lastError()));
  if (saved != nullptr) *saved = *added;
  return Status::Ok();
}

Status DeleteSecuritiesFromList(DataContext& data, const std::vector<SecurityKey>& keys, store::Prompter& prompter) {
  if (keys.empty()) return Status::Ok();
  if (prompter.ask("Delete security", "Are you sure that you would like to delete the selected security?",
                   {"Delete", "Cancel"}) != 0) {
    return Status::Declined();
  }
  WriteGuard guard(data.db());
  for (SecurityKey key : keys) DeleteSecurity(data, key);
  return guard.commit();
}

SecuritySearch::Result SecuritySearch::find(DataContext& data, std::string_view text) {
  text_ = std::string(text);
  finder_.reset();
  if (ledger::IsBlank(text)) {
    return {std::nullopt, Status::Fail("Please enter a valid string to search", "Find the security")};
  }
  return search(data, false);
}

SecuritySearch::Result SecuritySearch::findNext(DataContext& data) {
  if (ledger::IsBlank(text_)) {
    return {std::nullopt, Status::Fail("Please enter a valid string to search", "Find the security")};
  }
  return search(data, true);
}

SecuritySearch::Result SecuritySearch::search(DataContext& data, bool next) {
  const auto lines = SecurityListLines(data);
  const bool continuing = next && finder_.hasMatch();
  const auto index =
      finder_.find(lines.size(), [&](std::size_t i) { return SecurityMatchesText(data, lines[i].key, text_); }, next);
  if (index) return {lines[*index].key, Status::Ok()};
  if (continuing) {
    return {std::nullopt,
            Status::Fail(FormatSql("No more securities matching \"%s\" could be found.", {text_}), "Search Complete")};
  }
  return {std::nullopt,
          Status::Fail(FormatSql("The string \"%s\" cannot be found in securities.", {text_}), "Find the security")};
}

}  // namespace tallyvane::planning
