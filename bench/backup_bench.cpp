// Backup, restore and installation timings on generated files: a 500 MB data
// file backed up (against `cp` of the same file in the same run) and
// restored, and the installation's update of a 1 000 000-transaction file
// with its balance cache rebuilt. Everything is made under the temp folder
// and removed at the end. Prints each figure with its target.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "app/backup.h"
#include "app/install_update.h"
#include "store/data_context.h"
#include "store/db.h"
#include "store/settings.h"

namespace {

using namespace tallyvane;

class Quiet final : public store::Prompter {
 public:
  // Every question takes its first button: "Restore from backup".
  std::size_t ask(std::string_view, std::string_view, const std::vector<std::string>&, store::Icon) override {
    return 0;
  }
  void message(std::string_view title, std::string_view text, store::Icon) override {
    last = std::string(title) + ": " + std::string(text);
  }
  void balloon(std::string_view, std::string_view, std::string_view text) override { last = std::string(text); }
  std::string last;
};

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

store::Paths PathsIn(const std::filesystem::path& root) {
  store::Paths paths;
  paths.dataDir = root / "data";
  paths.commonDataDir = root;
  paths.templateFile = TALLYVANE_BENCH_TEMPLATE;
  return paths;
}

// The template grown with transactions whose notes are random text, until
// the file holds about `megabytes`.
bool MakeLargeDataFile(const std::filesystem::path& file, int megabytes) {
  std::filesystem::create_directories(file.parent_path());
  std::filesystem::copy_file(TALLYVANE_BENCH_TEMPLATE, file, std::filesystem::copy_options::overwrite_existing);
  store::Db db;
  if (!db.open(file.string())) return false;
  const long long rows = static_cast<long long>(megabytes) * 1024 * 1024 / 280;
  return db.exec("PRAGMA journal_mode = OFF; BEGIN") &&
         db.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(rows) +
                 ") INSERT INTO Transactions (ID, Account, Amount, PayAccount, Category, Note, TransactionDate, "
                 "Deleted, Void, Reconciled, TransactionType) SELECT i, 1 + i % 3, -(i % 20000), 0, 0, "
                 "hex(randomblob(120)), date('2017-01-01', '+' || (i % 3650) || ' days'), 0, 0, 0, 4 FROM n") &&
         db.exec("COMMIT");
}

bool MakeMillionFile(const std::filesystem::path& file) {
  std::filesystem::create_directories(file.parent_path());
  std::filesystem::copy_file(TALLYVANE_BENCH_TEMPLATE, file, std::filesystem::copy_options::overwrite_existing);
  store::Db db;
  if (!db.open(file.string())) return false;
  return db.exec("BEGIN") &&
         db.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000) "
                 "INSERT INTO Transactions (ID, Account, Amount, PayAccount, Category, Note, TransactionDate, "
                 "Deleted, Void, Reconciled, TransactionType) SELECT i, 1 + i % 3, "
                 "CASE WHEN i % 10 = 0 THEN 250000 ELSE -((i * 7919) % 20000) END, i % 500, 20 + i % 20, "
                 "'Note ' || i, date('2017-01-01', '+' || ((i * 3629) % 3630) || ' days'), 0, 0, 0, 4 FROM n") &&
         db.exec("COMMIT");
}

void Report(const char* what, double seconds, const std::string& target, bool met) {
  std::printf("%-44s %7.2f s   target %-22s %s\n", what, seconds, target.c_str(), met ? "met" : "MISSED");
}

}  // namespace

int main() {
  const std::filesystem::path root = std::filesystem::temp_directory_path() / "tallyvane-bench-backup";
  std::filesystem::remove_all(root);
  const store::Paths paths = PathsIn(root);
  int missed = 0;

  if (!MakeLargeDataFile(paths.dataFile(), 500)) {
    std::fprintf(stderr, "could not generate the data file\n");
    return 1;
  }
  std::printf("data file: %.0f MB\n", static_cast<double>(std::filesystem::file_size(paths.dataFile())) / 1e6);

  // The generated file reaches the disk first, so that neither copy pays
  // for its write-back; cp gets the better of two runs.
  ::sync();
  const std::string cp = "cp '" + paths.dataFile().string() + "' '" + (root / "copy.vdb").string() + "'";
  double cpSeconds = 1e9;
  for (int run = 0; run < 2; ++run) {
    cpSeconds = std::min(cpSeconds, Seconds([&] { static_cast<void>(std::system(cp.c_str())); }));
    std::filesystem::remove(root / "copy.vdb");
    ::sync();
  }
  Report("cp of the data file (best of two)", cpSeconds, "(reference)", true);

  store::MemorySettings settings;
  store::SystemClock clock;
  Quiet prompter;
  store::NullProgress progress;
  std::filesystem::create_directories(root / "to");
  app::BackupForm form;
  form.folder = (root / "to").string();
  app::BackupResult backup;
  const double backupSeconds =
      Seconds([&] { backup = app::BackUpData(paths, settings, clock, prompter, progress, form); });
  if (!backup.status) std::fprintf(stderr, "backup failed: %s\n", prompter.last.c_str());
  const bool backupMet = backup.status.ok && backupSeconds < 10 && backupSeconds <= 2 * cpSeconds;
  Report("backup (snapshot, flushed to disk)", backupSeconds,
         "< 10 s and <= " + std::to_string(2 * cpSeconds).substr(0, 4) + " s", backupMet);
  missed += backupMet ? 0 : 1;

  store::Status restored;
  const double restoreSeconds = Seconds([&] {
    restored = app::RestoreData(paths, clock, prompter, progress,
                                [&](std::string_view) { return std::optional<std::filesystem::path>(backup.folder); });
  });
  if (!restored) std::fprintf(stderr, "restore failed: %s\n", prompter.last.c_str());
  const bool restoreMet = restored.ok && restoreSeconds < 10;
  Report("restore (restore test, copy, swap)", restoreSeconds, "< 10 s", restoreMet);
  missed += restoreMet ? 0 : 1;
  std::filesystem::remove_all(root);

  if (!MakeMillionFile(paths.dataFile())) {
    std::fprintf(stderr, "could not generate the million-transaction file\n");
    return 1;
  }
  store::DataContext data(paths, store::SystemLocale{});
  {
    // As the program leaves a file it has used: its lookup indexes made.
    if (!data.OpenDataContext()) return 1;
    data.close();
  }
  app::InstallOutcome outcome = app::InstallOutcome::Failed;
  const double installSeconds = Seconds([&] { outcome = app::InstallUpdateDatabase(data, settings, prompter); });
  const bool installMet = outcome == app::InstallOutcome::Upgraded && installSeconds < 5;
  Report("install-update, 1 000 000 transactions", installSeconds, "< 5 s", installMet);
  missed += installMet ? 0 : 1;
  std::filesystem::remove_all(root);
  return missed == 0 ? 0 : 1;
}
