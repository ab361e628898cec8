// Find and find next over a list window's lines: the blank-text refusal,
// the first match from the top, continuing after the last match, and the two
// messages for "not found" and "no more". Each window supplies its keys, its
// match test and its wording.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ledger/categories.h"
#include "store/status.h"

namespace tallyvane::ledger {

class ListSearch {
 public:
  struct Result {
    std::optional<int32_t> key;
    store::Status status;
  };
  using Match = std::function<bool(int32_t key, const std::string& text)>;

  // `notFound` and `noMore` hold one "%s" for the search text.
  ListSearch(std::string findTitle, std::string notFound, std::string noMore)
      : findTitle_(std::move(findTitle)), notFound_(std::move(notFound)), noMore_(std::move(noMore)) {}

  Result find(std::string_view text, const std::vector<int32_t>& keys, const Match& matches);
  Result findNext(const std::vector<int32_t>& keys, const Match& matches);

 private:
  Result search(const std::vector<int32_t>& keys, const Match& matches, bool next);
  std::string findTitle_;
  std::string notFound_;
  std::string noMore_;
  std::string text_;
  ListFinder finder_;
};

// Find and find next in the category window and the payee window.
class CategorySearch {
 public:
  using Result = ListSearch::Result;
  Result find(store::DataContext& data, std::string_view text);
  Result findNext(store::DataContext& data);

 private:
  ListSearch search_{"Find the Category", "The string \"%s\" cannot be found in Categories.",
                     "No more categories matching \"%s\" could be found."};
};

class PayeeSearch {
 public:
  using Result = ListSearch::Result;
  Result find(store::DataContext& data, std::string_view text);
  Result findNext(store::DataContext& data);

 private:
  ListSearch search_{"Find the Payee", "The string \"%s\" cannot be found in Payee Names or Payee Notes.",
                     "No more payees matching \"%s\" could be found."};
};

}  // namespace tallyvane::ledger
