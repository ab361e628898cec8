// Renders a markup tree as one line so tests can state whole trees:
// elements as NAME[attr=value]{children}, text nodes in double quotes with
// line ends written as \n.
#pragma once

#include <string>

#include "markup/document.h"

namespace tallyvane::markup::testing {

inline void dumpNode(Node node, std::string& out) {
  if (!node.isElement()) {
    out += '"';
    for (char c : node.ownText()) {
      if (c == '\n') {
        out += "\\n";
      } else {
        out.push_back(c);
      }
    }
    out += '"';
    return;
  }
  out += node.name();
  if (!node.attributes().empty()) {
    out += '[';
    bool first = true;
    for (const Attribute& a : node.attributes()) {
      if (!first) out += ',';
      first = false;
      out += a.name + "=" + a.value;
    }
    out += ']';
  }
  if (!node.ownText().empty()) out += "=\"" + std::string(node.ownText()) + "\"";
  if (node.firstChild()) {
    out += '{';
    bool first = true;
    for (Node child = node.firstChild(); child; child = child.nextSibling()) {
      if (!first) out += ' ';
      first = false;
      dumpNode(child, out);
    }
    out += '}';
  }
}

// The top-level nodes of a document, separated by blanks.
inline std::string dumpTree(const Document& document) {
  std::string out;
  bool first = true;
  for (Node child = document.root().firstChild(); child; child = child.nextSibling()) {
    if (!first) out += ' ';
    first = false;
    dumpNode(child, out);
  }
  return out;
}

}  // namespace tallyvane::markup::testing
