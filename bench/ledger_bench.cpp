// Ledger benchmarks on a generated data file of 1 000 000 transactions over
// ten years in six accounts (the sixth holds exactly 100 000). The file is
// generated once into the temp folder and reused.
#include <benchmark/benchmark.h>

#include "book.h"

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

// The million-row benchmark book, written once and reused.
const std::filesystem::path& MillionFile() {
  static const std::filesystem::path file = bench::SharedBook("tallyvane-bench-ledger", TALLYVANE_BENCH_TEMPLATE) / "tallyvane.vdb";
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
