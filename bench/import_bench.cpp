// Import benchmarks: an account holding 100 000 transactions, 20 000 of them
// inside the review window, receives a 20 000-transaction statement that
// repeats half of those rows; then a 100 000-line CSV file.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "import/csv_import.h"
#include "import/import_review.h"
#include "store/data_context.h"
#include "store/dates.h"
#include "store/record.h"

namespace {

using namespace tallyvane;

class FixedClock final : public store::Clock {
 public:
  [[nodiscard]] std::time_t now() const override { return store::DateTextToTime("2026-12-10", "12:00:00"); }
};

class Quiet final : public store::Prompter {
 public:
  std::size_t ask(std::string_view, std::string_view, const std::vector<std::string>& b, store::Icon) override {
    return b.empty() ? 0 : b.size() - 1;
  }
  void message(std::string_view, std::string_view, store::Icon) override {}
  void balloon(std::string_view, std::string_view, std::string_view) override {}
};

struct Fixture {
  Fixture() {
    dir = std::filesystem::temp_directory_path() / "tallyvane-bench-import";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(TALLYVANE_BENCH_TEMPLATE, dir / "tallyvane.vdb");
    store::Paths paths;
    paths.dataDir = dir;
    paths.templateFile = TALLYVANE_BENCH_TEMPLATE;
    data = std::make_unique<store::DataContext>(paths, store::SystemLocale{});
    static_cast<void>(data->OpenDataContext());
    data->setClock(clock);
    // 80 000 rows before the window's busy part and 20 000 in the last 200
    // days (100 a day): the window starts at the first row, so all count.
    data->db().exec("BEGIN");
    data->db().exec(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
        "INSERT INTO Transactions SELECT i, 1, -(1000 + i % 5000), 0, 0, 0, '', '', 0, "
        "CASE WHEN i <= 80000 THEN date('2016-01-01', '+' || (i / 40) || ' days') "
        "ELSE date('2026-05-24', '+' || ((i - 80000) / 100) || ' days') END, '', 2, '', 1, 0, 0, 4, 0, 0 FROM n");
    data->db().exec("INSERT INTO RecordKeys (ListName, NextKey) VALUES ('Transactions', '100001')");
    data->db().exec("COMMIT");
    // The statement: 10 000 rows repeating existing ones, 10 000 new.
    std::string ofx = "OFXHEADER:100\r\nDATA:OFXSGML\r\n\r\n<OFX><BANKMSGSRSV1><STMTTRNRS><STMTRS><BANKTRANLIST>\r\n";
    store::Query q(data->db(), "SELECT TransactionDate, Amount FROM Transactions WHERE ID > 90000 ORDER BY ID");
    int n = 0;
    for (; q.hasRow(); q.next()) {
      std::string date = q.text(0);
      date.erase(std::remove(date.begin(), date.end(), '-'), date.end());
      const long long amount = q.int64(1);
      char text[64];
      std::snprintf(text, sizeof text, "-%lld.%02lld", -amount / 100, -amount % 100);
      ++n;
      ofx += "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>" + date + "<TRNAMT>" + text + "<FITID>a" + std::to_string(n) +
             "<NAME>Payee " + std::to_string(n % 700) + "</STMTTRN>\r\n";
      ofx += "<STMTTRN><TRNTYPE>CREDIT<DTPOSTED>" + date + "<TRNAMT>7.77<FITID>b" + std::to_string(n) +
             "<NAME>Payee " + std::to_string(n % 700) + "</STMTTRN>\r\n";
    }
    statement = ofx + "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\r\n";
  }
  std::filesystem::path dir;
  FixedClock clock;
  std::unique_ptr<store::DataContext> data;
  std::string statement;
};

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
