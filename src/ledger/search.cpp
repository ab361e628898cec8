#include "ledger/search.h"

#include "ledger/payees.h"
#include "store/sql_format.h"

namespace tallyvane::ledger {

using store::FormatSql;
using store::Status;

ListSearch::Result ListSearch::find(std::string_view text, const std::vector<int32_t>& keys, const Match& matches) {
  text_ = std::string(text);
  finder_.reset();
  return search(keys, matches, false);
}

ListSearch::Result ListSearch::findNext(const std::vector<int32_t>& keys, const Match& matches) {
  return search(keys, matches, true);
}

ListSearch::Result ListSearch::search(const std::vector<int32_t>& keys, const Match& matches, bool next) {
  if (IsBlank(text_)) return {std::nullopt, Status::Fail("Please enter a valid string to search", findTitle_)};
  const bool continuing = next && finder_.hasMatch();
  const auto index = finder_.find(keys.size(), [&](std::size_t i) { return matches(keys[i], text_); }, next);
  if (index) return {keys[*index], Status::Ok()};
  if (continuing) return {std::nullopt, Status::Fail(FormatSql(noMore_, {text_}), "Search Complete")};
  return {std::nullopt, Status::Fail(FormatSql(notFound_, {text_}), findTitle_)};
}

namespace {

std::vector<int32_t> CategoryKeys(store::DataContext& data) {
  std::vector<int32_t> keys;
  for (const CategoryLine& line : CategoryWindowLines(data)) keys.push_back(line.key);
  return keys;
}

std::vector<int32_t> PayeeKeys(store::DataContext& data) {
  std::vector<int32_t> keys;
  for (const PayeeLine& line : PayeeWindowLines(data)) keys.push_back(line.key);
  return keys;
}

}  // namespace

CategorySearch::Result CategorySearch::find(store::DataContext& data, std::string_view text) {
  return search_.find(text, CategoryKeys(data), [&](int32_t key, const std::string& t) { return CategoryMatchesText(data, key, t); });
}

CategorySearch::Result CategorySearch::findNext(store::DataContext& data) {
  return search_.findNext(CategoryKeys(data), [&](int32_t key, const std::string& t) { return CategoryMatchesText(data, key, t); });
}

PayeeSearch::Result PayeeSearch::find(store::DataContext& data, std::string_view text) {
  return search_.find(text, PayeeKeys(data), [&](int32_t key, const std::string& t) { return PayeeMatchesText(data, key, t); });
}

PayeeSearch::Result PayeeSearch::findNext(store::DataContext& data) {
  return search_.findNext(PayeeKeys(data), [&](int32_t key, const std::string& t) { return PayeeMatchesText(data, key, t); });
}

}  // namespace tallyvane::ledger
