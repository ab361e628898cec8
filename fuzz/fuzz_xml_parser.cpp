// Fuzzes the strict XML reader, with a cancel check that never stops it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_tree.h"
#include "markup/xml_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace tallyvane;
  markup::Document document;
  std::string error;
  std::size_t asked = 0;
  markup::XmlParser().parse(std::string_view(reinterpret_cast<const char*>(data), size), error, document, [&] {
    ++asked;
    return false;
  });
  fuzz::visitTree(document);
  return 0;
}
