// Helpers of the statement tests: where the small fixtures live, and reading
// a statement file the way the import does.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "import/ofx_statement.h"
#include "import/statement_file.h"
#include "store/regional.h"

namespace tallyvane::import::testing {

inline std::filesystem::path fixture(const std::string& name) {
  // Not __FILE__: a compiler cache may build with paths relative to the build.
  return std::filesystem::path(TALLYVANE_TEST_DATA_DIR) / "ofx" / name;
}

inline std::filesystem::path corpusOfx() { return std::filesystem::path(TALLYVANE_CORPUS_DIR) / "ofx"; }

// readStatementFile, cutToOfxBody and parseOfxStatement in a row.
inline std::vector<ImportCandidate> readCandidates(const std::filesystem::path& path,
                                                   const store::RegionalSettings& settings = {}) {
  const StatementText file = readStatementFile(path);
  return parseOfxStatement(settings, cutToOfxBody(file.text));
}

}  // namespace tallyvane::import::testing
