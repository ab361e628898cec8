// Import benchmarks: an account holding 100 000 transactions, 20 000 of them
// inside the review window, receives a 20 000-transaction statement that
// repeats half of those rows; then a 100 000-line CSV file. On a fresh book:
// 20 000 CSV lines with one payee against 20 000 payees, and the commit of a
// 40 000-row statement of distinct names.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
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

// A fresh book: the template alone, as a new user's first imports meet it.
struct FreshBook {
  FreshBook() {
    dir = std::filesystem::temp_directory_path() / "tallyvane-bench-fresh";
    data = bench::OpenTemplateCopy(dir, clock);
  }
  std::filesystem::path dir;
  bench::FixedClock clock;
  std::unique_ptr<store::DataContext> data;
};

// 20 000 lines naming one payee, or each its own: with the names found
// through an index the second stays within 1.5 times the first.
void BM_CsvImport20kPayees(benchmark::State& state) {
  const bool distinct = state.range(0) != 0;
  for (auto _ : state) {
    state.PauseTiming();
    FreshBook book;
    Quiet prompter;
    const auto path = book.dir / "payees.csv";
    {
      std::ofstream out(path);
      out << "Date,Payee,Amount\n";
      for (int i = 0; i < 20000; ++i) {
        out << "2026-" << (1 + i % 11 < 10 ? "0" : "") << 1 + i % 11 << "-1" << i % 9 << ",";
        if (distinct) {
          out << "POS " << 4000 + i % 97 << " CORNER GROCER #" << i;
        } else {
          out << "CORNER GROCER";
        }
        out << ",-" << 1 + i % 500 << "." << i % 10 << "0\n";
      }
    }
    import::CsvMapping mapping;
    mapping.columns = {2, 0, 1, std::nullopt, std::nullopt, std::nullopt};
    state.ResumeTiming();
    const auto result = import::ImportCsvFile(*book.data, 1, path, mapping, prompter);
    if (result.imported != 20000) state.SkipWithError("not every line imported");
  }
}
BENCHMARK(BM_CsvImport20kPayees)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

// Target: under 3 s for the commit of 40 000 rows with distinct names.
void BM_Commit40kDistinctNames(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    FreshBook book;
    Quiet prompter;
    std::string ofx = "OFXHEADER:100\r\nDATA:OFXSGML\r\n\r\n<OFX><BANKMSGSRSV1><STMTTRNRS><STMTRS><BANKTRANLIST>\r\n";
    for (int i = 0; i < 40000; ++i) {
      char date[16];
      std::snprintf(date, sizeof date, "2026%02d%02d", 1 + i % 11, 1 + i % 28);
      ofx += std::string("<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>") + date + "<TRNAMT>-" + std::to_string(1 + i % 900) +
             ".25<FITID>f" + std::to_string(i) + "<NAME>POS " + std::to_string(4000 + i % 97) + " CORNER GROCER #" +
             std::to_string(i) + "</STMTTRN>\r\n";
    }
    ofx += "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\r\n";
    auto review = import::ImportReview::Open(*book.data, 1, ofx, prompter);
    if (review.rows().size() != 40000) state.SkipWithError("unexpected row count");
    store::NullProgress progress;
    state.ResumeTiming();
    if (!review.commit(progress, prompter)) state.SkipWithError("commit failed");
  }
}
BENCHMARK(BM_Commit40kDistinctNames)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
