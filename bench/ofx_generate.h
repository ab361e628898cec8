// Generates OFX bank statements of any length for the benchmarks: SGML 1.x
// with unclosed leaves or XML 2.x, indented like real downloads, with varied
// dates, amounts, payees and memos from a fixed seed.
#pragma once

#include <string>

namespace tallyvane::bench {

enum class OfxForm { Sgml, Xml };

[[nodiscard]] std::string generateOfxStatement(int transactions, OfxForm form);

}  // namespace tallyvane::bench
