// The import review as the command line shows and commits it, shared by
// "import ofx" and "retrieve": tick and category changes applied as the
// review opens, the review printed, then the ticked rows committed.
#pragma once

#include <string>
#include <vector>

#include "cli/cli.h"
#include "import/import_review.h"

namespace tallyvane::cli {

struct ReviewEdits {
  std::vector<std::string> untick;
  std::vector<std::string> tick;
  std::vector<std::string> categories;  // N=NAME
  bool dryRun = false;
};

// --untick N, --tick N, --category N=NAME, --dry-run.
[[nodiscard]] ReviewEdits ReadReviewEdits(Args& args);

[[nodiscard]] int RunImportReview(Session& session, import::ImportReview& review, const ReviewEdits& edits);

}  // namespace tallyvane::cli
