// Visits every node of a tree the way callers do, so the fuzzers check the
// handles and the text lookups as well as the readers themselves.
#pragma once

#include <cstddef>
#include <vector>

#include "markup/document.h"

namespace tallyvane::fuzz {

inline std::size_t visitTree(const markup::Document& document) {
  std::size_t seen = 0;
  std::vector<markup::Node> stack{document.root()};
  while (!stack.empty()) {
    const markup::Node node = stack.back();
    stack.pop_back();
    seen += node.name().size() + node.text().size() + node.attributes().size();
    seen += markup::childText(node, "NAME").size() + markup::attributeValue(node, "version").size();
    for (markup::Node child = node.firstChild(); child; child = child.nextSibling()) stack.push_back(child);
  }
  return seen;
}

}  // namespace tallyvane::fuzz
