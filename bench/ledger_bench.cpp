// Ledger benchmarks on a generated data file of 1 000 000 transactions over
// ten years in six accounts (the sixth holds exactly 100 000). The file is
// generated once into the temp folder and reused.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "ledger/accounts.h"
#include "ledger/balances.h"
#include "ledger/entry.h"
#include "ledger/register.h"
#include "store/data_context.h"
#include "store/dates.h"
#include "store/record.h"
#include "store/settings.h"

namespace {

using namespace tallyvane;

class FixedClock final : public store::Clock {
 public:
  [[nodiscard]] std::time_t now() const override { return store::DateTextToTime("2026-12-10", "12:00:00"); }
};

std::filesystem::path Folder(const char* name) { return std::filesystem::temp_directory_path() / name; }

store::Paths PathsIn(const std::filesystem::path& dir) {
  store::Paths paths;
  paths.dataDir = dir;
  paths.commonDataDir = dir;
  paths.templateFile = TALLYVANE_BENCH_TEMPLATE;
  return paths;
}

// The million-row file, made with SQL and then given its balance cache.
const std::filesystem::path& MillionFile() {
  static const std::filesystem::path file = [] {
    const auto dir = Folder("tallyvane-bench-ledger");
    const auto path = dir / "tallyvane.vdb";
    if (std::filesystem::exists(path)) return path;
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(TALLYVANE_BENCH_TEMPLATE, path);
    store::DataContext data(PathsIn(dir), store::SystemLocale{});
    if (!data.OpenDataContext()) return path;
    store::Db& db = data.db();
    db.exec("BEGIN");
    db.exec("INSERT INTO Accounts (ID, AcctName, AcctStartingBal, AcctCurrentBal, AcctCurrentCheckNum, AcctType, "
            "LastReconciled, Deleted, EnableOnlineAccess) VALUES (4, 'Cash', 0, 0, 0, 5, '0', 0, 2), "
            "(5, 'House', 0, 0, 0, 6, '0', 0, 2), (6, 'Loan', 0, 0, 0, 7, '0', 0, 2)");
    db.exec("UPDATE RecordKeys SET NextKey = '7' WHERE ListName = 'Accounts'");
    db.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000) "
            "INSERT INTO Transactions SELECT i, "
            "CASE WHEN i <= 350000 THEN 1 WHEN i <= 600000 THEN 2 WHEN i <= 750000 THEN 3 WHEN i <= 830000 THEN 4 "
            "WHEN i <= 900000 THEN 5 ELSE 6 END, "
            "CASE WHEN i % 10 = 0 THEN 250000 ELSE -((i * 7919) % 20000) END, i % 500, 0, 0, '', 'Note ' || i, "
            "20 + i % 20, date('2017-01-01', '+' || ((i * 3629) % 3630) || ' days'), '', 2, '', 0, 0, 0, "
            "CASE WHEN i % 10 = 0 THEN 0 ELSE 4 END, 0, 0 FROM n");
    db.exec("INSERT INTO RecordKeys (ListName, NextKey) VALUES ('Transactions', '1000001')");
    db.exec("COMMIT");
    ledger::RebuildAllMonthlyBalances(data);
    ledger::UpdateAllCurrentBalances(data);
    return path;
  }();
  return file;
}

// A working copy of the million-row file for benchmarks that write.
struct Copy {
  explicit Copy(const char* name) : dir(Folder(name)) {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(MillionFile(), dir / "tallyvane.vdb");
    data = std::make_unique<store::DataContext>(PathsIn(dir), store::SystemLocale{});
    static_cast<void>(data->OpenDataContext());
    data->setClock(clock);
  }
  std::filesystem::path dir;
  FixedClock clock;
  std::unique_ptr<store::DataContext> data;
};

void Enter(benchmark::State& state, const char* date) {
  Copy copy("tallyvane-bench-add");
  store::MemorySettings settings;
  struct Quiet : store::Prompter {
    std::size_t ask(std::string_view, std::string_view, const std::vector<std::string>& b, store::Icon) override {
      return b.empty() ? 0 : b.size() - 1;
    }
    void message(std::string_view, std::string_view, store::Icon) override {}
    void balloon(std::string_view, std::string_view, std::string_view) override {}
  } prompter;
  for (auto _ : state) {
    ledger::EntryForm form;
    form.account = 1;
    form.amountText = "12.34";
    form.date = date;
    form.payee = "Bench Payee";
    form.category = "Food | Groceries";
    const auto result = ledger::EnterTransaction(*copy.data, form, prompter);
    if (!result.status) state.SkipWithError("entry failed");
  }
}

// Target: under 20 ms.
void BM_AddTransactionToday(benchmark::State& state) { Enter(state, "2026-12-10"); }
BENCHMARK(BM_AddTransactionToday)->Unit(benchmark::kMillisecond)->Iterations(20);

// Target: under 300 ms (every month after it is recomputed).
void BM_AddTransactionFiveYearsBack(benchmark::State& state) { Enter(state, "2021-12-10"); }
BENCHMARK(BM_AddTransactionFiveYearsBack)->Unit(benchmark::kMillisecond)->Iterations(10);

// Target: under 50 ms.
void BM_RegisterMonthOfLargestAccount(benchmark::State& state) {
  Copy copy("tallyvane-bench-read");
  for (auto _ : state) {
    const auto rows = ledger::RegisterRows(*copy.data, 1, "2026-11-01", "2026-11-30", false);
    benchmark::DoNotOptimize(rows.size());
  }
}
BENCHMARK(BM_RegisterMonthOfLargestAccount)->Unit(benchmark::kMillisecond);

// Target: under 50 ms.
void BM_AccountsPanel(benchmark::State& state) {
  Copy copy("tallyvane-bench-read");
  for (auto _ : state) {
    const auto panel = ledger::AccountTotals(*copy.data);
    benchmark::DoNotOptimize(panel.items.size());
  }
}
BENCHMARK(BM_AccountsPanel)->Unit(benchmark::kMillisecond);

// Target: under 10 s for 100 000 transactions.
void BM_DeleteAccountOf100kTransactions(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Copy copy("tallyvane-bench-delete");
    state.ResumeTiming();
    if (!ledger::DeleteAccount(*copy.data, 6)) state.SkipWithError("delete failed");
  }
}
BENCHMARK(BM_DeleteAccountOf100kTransactions)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
