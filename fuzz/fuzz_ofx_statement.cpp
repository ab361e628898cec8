// Fuzzes the statement path as a file takes it: decoding, the cut to <OFX>,
// both passes of the parser, and the date and amount readers on raw input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

#include "import/ofx_statement.h"
#include "import/statement_file.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A zone with daylight time, so the date code meets its transitions.
  setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
  tzset();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace tallyvane;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string text = import::decodeStatementBytes(bytes);
  store::RegionalSettings settings;
  settings.currencyDigits = static_cast<int>(size % 4);
  for (const import::ImportCandidate& c : import::parseOfxStatement(settings, import::cutToOfxBody(text))) {
    if (c.date.size() != 0 && c.date.size() != 10) std::abort();
    if (c.amount.minorUnits() > 10'000'000'000'000 || c.amount.minorUnits() < -10'000'000'000'000) std::abort();
  }
  if (size < 256) {
    (void)import::parseOfxDateTime(bytes);
    (void)import::parseOfxAmount(settings, bytes);
  }
  return 0;
}
