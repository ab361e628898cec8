// Record layer benchmarks: bulk inserts inside one transaction, and loading a
// record by key from a file of a million transactions.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include "store/db.h"
#include "store/record.h"

namespace {

using namespace tallyvane::store;

std::filesystem::path FreshCopy(const std::string& name) {
  const auto path = std::filesystem::temp_directory_path() / name;
  std::filesystem::remove(path);
  std::filesystem::copy_file(TALLYVANE_BENCH_TEMPLATE, path);
  return path;
}

void FillTransaction(Record& r, int i) {
  r.SetInt("Account", 1 + i % 3);
  r.SetInt64("Amount", -(i % 100000));
  r.SetInt("PayAccount", i % 500);
  r.SetInt("ReferencedAccount", 0);
  r.SetInt("ReferencedID", 0);
  r.SetText("Description", "");
  r.SetText("Note", "Groceries for the week");
  r.SetInt("Category", 20);
  r.SetText("TransactionDate", "2020-05-17");
  r.SetText("TransactionNumber", "");
  r.SetInt("TaxDeductible", 2);
  r.SetText("Cleared", "0");
  r.SetText("Deleted", "0");
  r.SetText("Void", "0");
  r.SetInt("TransactionType", 4);
  r.SetText("Reconciled", "0");
  r.SetText("SplitTransaction", "0");
}

// 100 000 inserts through NewRecord/release in one transaction (target: < 2 s).
void BM_Insert100kRecordsInOneTransaction(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    const auto path = FreshCopy("tallyvane-bench-insert.vdb");
    Db db;
    if (!db.open(path.string())) state.SkipWithError("open failed");
    state.ResumeTiming();
    {
      WriteGuard guard(db);
      Table transactions(db, "Transactions");
      for (int i = 0; i < 100000; ++i) {
        Record r;
        NewRecord(transactions, r);
        FillTransaction(r, i);
      }
      if (!guard.commit()) state.SkipWithError("commit failed");
    }
  }
}
BENCHMARK(BM_Insert100kRecordsInOneTransaction)->Unit(benchmark::kMillisecond)->Iterations(3);

// LoadRecord by key on a 1 000 000-row table (target: < 50 µs).
void BM_LoadByKeyOnMillionRows(benchmark::State& state) {
  const auto path = std::filesystem::temp_directory_path() / "tallyvane-bench-1m.vdb";
  if (!std::filesystem::exists(path)) {
    FreshCopy("tallyvane-bench-1m.vdb");
    Db db;
    if (!db.open(path.string()) ||
        !db.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000) "
                 "INSERT INTO Transactions SELECT i, 1 + i % 3, -(i % 100000), i % 500, 0, 0, '', 'Note ' || i, 20, "
                 "date('2000-01-01', '+' || (i / 100) || ' days'), '', 2, '', 0, 0, 0, 4, 0, 0 FROM n")) {
      state.SkipWithError("could not build the million-row file");
      return;
    }
  }
  Db db;
  if (!db.open(path.string())) {
    state.SkipWithError("open failed");
    return;
  }
  Table transactions(db, "Transactions");
  std::mt19937 random(42);
  std::uniform_int_distribution<int> key(1, 1000000);
  Record r;
  for (auto _ : state) {
    const bool found = LoadRecord(transactions, r, std::to_string(key(random)));
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(BM_LoadByKeyOnMillionRows)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
