// Real statements and CSV exports imported into a fresh account, then again:
// the second import marks every row and writes nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "import/csv_import.h"
#include "import/import_review.h"
#include "import/statement_file.h"
#include "ledger/ledger_fixture.h"

namespace tallyvane::ledger {
namespace {

std::vector<std::filesystem::path> CorpusFiles(const char* kind, std::initializer_list<const char*> endings) {
  std::vector<std::filesystem::path> files;
  // TALLYVANE_CORPUS names the corpus for a checkout that is not beside it.
  const char* moved = std::getenv("TALLYVANE_CORPUS");
  const std::filesystem::path root = std::filesystem::path(moved != nullptr ? moved : TALLYVANE_CORPUS_DIR) / kind;
  std::error_code ec;
  if (!std::filesystem::is_directory(root, ec)) return files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root, ec)) {
    if (!entry.is_regular_file()) continue;
    const std::string ext = store::ToLowerAscii(entry.path().extension().string());
    for (const char* ending : endings) {
      if (ext == ending) files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST_F(LedgerTest, CorpusStatementsImportOnceAndOnlyOnce) {
  const auto files = CorpusFiles("ofx", {".ofx", ".qfx", ".qbo"});
  if (files.empty()) GTEST_SKIP() << "no statement corpus";
  // Statements run up to today's date; let "today" be far enough ahead.
  clock_.set(store::DateTextToTime("2038-01-01", "12:00:00"));
  int imported = 0;
  for (const auto& path : files) {
    SCOPED_TRACE(path.string());
    const import::StatementText file = import::readStatementFile(path);
    if (!file.ok) continue;
    store::MemorySettings settings;
    AccountForm form;
    form.name = "Corpus " + std::to_string(imported++) + " " + path.filename().string();
    form.lastImport = "2000-01-01";
    AccountKey account = 0;
    ASSERT_TRUE(SaveAccountForm(data(), settings, form, &account).ok);

    auto first = import::ImportReview::Open(data(), account, file.text, prompter_);
    // Rows without a readable date cannot be matched later; leave them out.
    std::size_t dated = 0;
    for (auto& row : first.rows()) {
      if (row.date.empty() || row.date > "2037-12-31") row.ticked = false;
      if (row.ticked) ++dated;
    }
    store::NullProgress progress;
    const Status committed = first.commit(progress, prompter_);
    if (!committed.ok) continue;  // an amount at the cap: covered elsewhere
    EXPECT_EQ(static_cast<std::size_t>(Number(store::FormatSql("SELECT COUNT(*) FROM Transactions WHERE Account = %d", {account}))),
              dated);

    auto second = import::ImportReview::Open(data(), account, file.text, prompter_);
    for (const auto& row : second.rows()) {
      if (row.date.empty() || row.date > "2037-12-31") continue;
      EXPECT_FALSE(row.ticked) << row.date << " " << row.payment << row.deposit << " " << row.payee;
    }
  }
}

TEST_F(LedgerTest, CorpusCsvFilesNeverCrashTheImport) {
  const auto files = CorpusFiles("csv", {".csv"});
  if (files.empty()) GTEST_SKIP() << "no CSV corpus";
  for (const auto& path : files) {
    SCOPED_TRACE(path.string());
    store::Status error;
    const auto columns = import::CsvColumns(path, &error);
    if (!columns) continue;
    import::CsvMapping mapping;
    mapping.columns = {std::optional<std::size_t>(columns->size() > 1 ? 1 : 0), std::optional<std::size_t>(0),
                       std::nullopt, std::nullopt, std::nullopt, std::nullopt};
    const auto result = import::ImportCsvFile(data(), kSavings, path, mapping, prompter_);
    EXPECT_FALSE(result.status.fileError) << result.status.message;
  }
}

}  // namespace
}  // namespace tallyvane::ledger
