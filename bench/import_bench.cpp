// Import benchmarks: an account holding 100 000 transactions, 20 000 of them
// inside the review window, receives a 20 000-transaction statement that
// repeats half of those rows; then a 100 000-line CSV file.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "import/csv_import.h"
#include "import_fixture.h"
#include "import/import_review.h"
#include "store/data_context.h"
#include "store/dates.h"
#include "store/record.h"

namespace {

using namespace tallyvane;
using bench::Fixture;
using bench::Quiet;

// Target: under 1 s (duplicate marking included).
void BM_OpenReview20k(benchmark::State& state) {
  Fixture fixture;
  Quiet prompter;
  for (auto _ : state) {
    auto review = import::ImportReview::Open(*fixture.data, 1, fixture.statement, prompter);
    benchmark::DoNotOptimize(review.rows().size());
    if (review.rows().size() != 20000) state.SkipWithError("unexpected row count");
  }
}
BENCHMARK(BM_OpenReview20k)->Unit(benchmark::kMillisecond)->Iterations(3);

// Target: under 3 s for 20 000 rows.
void BM_Commit20k(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Fixture fixture;
    Quiet prompter;
    auto review = import::ImportReview::Open(*fixture.data, 1, fixture.statement, prompter);
    for (auto& row : review.rows()) row.ticked = true;
    store::NullProgress progress;
    state.ResumeTiming();
    if (!review.commit(progress, prompter)) state.SkipWithError("commit failed");
  }
}
BENCHMARK(BM_Commit20k)->Unit(benchmark::kMillisecond)->Iterations(1);

// Target: under 5 s for 100 000 lines.
void BM_CsvImport100k(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Fixture fixture;
    Quiet prompter;
    const auto path = fixture.dir / "big.csv";
    {
      std::ofstream out(path);
      out << "Date,Payee,Amount,Category\n";
      for (int i = 0; i < 100000; ++i) {
        out << "2025-" << (1 + i % 12 < 10 ? "0" : "") << 1 + i % 12 << "-1" << i % 9 << ",Shop " << i % 300 << ",-"
            << i % 500 << "." << i % 10 << "0,Food | Groceries\n";
      }
    }
    import::CsvMapping mapping;
    mapping.columns = {2, 0, 1, std::nullopt, 3, std::nullopt};
    state.ResumeTiming();
    const auto result = import::ImportCsvFile(*fixture.data, 2, path, mapping, prompter);
    if (result.imported != 100000) state.SkipWithError("not every line imported");
  }
}
BENCHMARK(BM_CsvImport100k)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
