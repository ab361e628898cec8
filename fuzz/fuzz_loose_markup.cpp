// Fuzzes the loose (SGML-style) reader with the OFX leaves it runs with.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_tree.h"
#include "import/ofx_statement.h"
#include "markup/loose_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace tallyvane;
  static const markup::LooseMarkupParser parser = [] {
    markup::LooseMarkupParser p;
    p.setLeafElements(import::ofxLeafElements());
    return p;
  }();
  markup::Document document;
  std::string error;
  parser.parse(std::string_view(reinterpret_cast<const char*>(data), size), error, document);
  fuzz::visitTree(document);
  return 0;
}
