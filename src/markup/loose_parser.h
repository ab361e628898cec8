// The tolerant reader for SGML-style markup in which leaf elements have no
// closing tag (OFX 1.x statements and server responses). It never fails: the
// first problem goes to the caller's error buffer and the tree read so far is
// kept.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <unordered_set>

#include "markup/document.h"

namespace tallyvane::markup {

class LooseMarkupParser {
 public:
  // Elements that only ever hold text. Such an element ends at the next
  // opening tag even when it has no value, instead of taking the elements
  // after it as its children.
  void setLeafElements(std::span<const std::string_view> names);

  // Appends the nodes read from `text` to the document's root.
  void parse(std::string_view text, std::string& error, Document& document) const;

 private:
  std::unordered_set<std::string> leaves_;
};

}  // namespace tallyvane::markup
