// Planning benchmarks on a generated data file of 1 000 000 transactions over
// ten years in six accounts (the first, the largest, holds 350 000). The file
// is generated once into the temp folder and reused.
#include <benchmark/benchmark.h>

#include "book.h"

#include <filesystem>

#include "ledger/balances.h"
#include "planning/reconciliation.h"
#include "planning/schedules.h"
#include "store/data_context.h"
#include "store/dates.h"
#include "store/record.h"

namespace {

using namespace tallyvane;

class FixedClock final : public store::Clock {
 public:
  [[nodiscard]] std::time_t now() const override { return store::DateTextToTime("2026-12-10", "12:00:00"); }
};

// Answers every question with its first button ("Reconcile").
class FirstButton final : public store::Prompter {
 public:
  std::size_t ask(std::string_view, std::string_view, const std::vector<std::string>&, store::Icon) override {
    return 0;
  }
  void message(std::string_view, std::string_view, store::Icon) override {}
  void balloon(std::string_view, std::string_view, std::string_view) override {}
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
  static const std::filesystem::path file = bench::SharedBook("tallyvane-bench-planning", TALLYVANE_BENCH_TEMPLATE) / "tallyvane.vdb";
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

planning::StatementForm Statement(const std::string& opening, const std::string& statement) {
  planning::StatementForm form;
  form.account = 1;
  form.openingDate = opening;
  form.statementDate = statement;
  form.closingText = "0";
  return form;
}

// Target: under 200 ms for a year of the largest account.
void BM_ReconcileCandidatesYearOfLargestAccount(benchmark::State& state) {
  Copy copy("tallyvane-bench-planning-read");
  std::size_t rows = 0;
  for (auto _ : state) {
    const planning::StartResult r =
        planning::PreviewReconciliation(*copy.data, Statement("2025-12-10", "2026-12-10"));
    if (!r.status) state.SkipWithError("preview failed");
    rows = r.reconciliation->candidates().size();
    benchmark::DoNotOptimize(r.reconciliation->summary());
  }
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_ReconcileCandidatesYearOfLargestAccount)->Unit(benchmark::kMillisecond);

// Target: under 2 s for 5 000 ticked rows, one of them with a corrected amount.
void BM_FinishReconciliationOf5000Rows(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Copy copy("tallyvane-bench-planning-reconcile");
    planning::StartResult r = planning::StartReconciliation(*copy.data, Statement("2026-09-01", "2026-10-31"));
    if (!r.status || r.reconciliation->candidates().size() < 5000) {
      state.SkipWithError("not enough candidates");
      break;
    }
    planning::Reconciliation& rec = *r.reconciliation;
    for (std::size_t i = 0; i < 5000; ++i) rec.tick(rec.candidates()[i].key);
    const auto column =
        rec.candidates()[0].payment ? planning::CandidateColumn::Payment : planning::CandidateColumn::Deposit;
    static_cast<void>(rec.EditCandidateAmount(0, column, "1.23"));
    FirstButton prompter;
    state.ResumeTiming();
    const planning::FinishResult f = rec.FinishReconciliation(prompter);
    if (!f.status) state.SkipWithError("finish failed");
  }
}
BENCHMARK(BM_FinishReconciliationOf5000Rows)->Unit(benchmark::kMillisecond)->Iterations(1);

// Target: under 2 s for 100 due schedules over all six accounts.
void BM_Post100DueSchedules(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Copy copy("tallyvane-bench-planning-post");
    std::vector<planning::ScheduleKey> keys;
    for (int i = 0; i < 100; ++i) {
      planning::ScheduleFields fields;
      fields.account = 1 + i % 6;
      fields.amount = store::Money(-(1000 + i));
      fields.payee = 1 + i;
      fields.category = 20;
      fields.type = ledger::TransactionType::Purchase;
      fields.next = store::DateText(store::DateTextToTime("2026-09-01", "12:00:00") + i * 86400);
      fields.period = 1;
      fields.periodKind = planning::PeriodKind::Months;
      if (const auto key = planning::AddSchedule(*copy.data, fields)) keys.push_back(*key);
    }
    state.ResumeTiming();
    const planning::PostResult result = planning::PostScheduledTransactions(*copy.data, keys);
    if (!result.status || result.entered.size() != 100) state.SkipWithError("posting failed");
  }
}
BENCHMARK(BM_Post100DueSchedules)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
