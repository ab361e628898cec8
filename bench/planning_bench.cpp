// Planning benchmarks on a generated data file of 1 000 000 transactions over
// ten years in six accounts (the first, the largest, holds 350 000). The file
// is generated once into the temp folder and reused.
#include <benchmark/benchmark.h>

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

// The million-row file, made with SQL and then given its balance cache.
const std::filesystem::path& MillionFile() {
  static const std::filesystem::path file = [] {
    const auto dir = Folder("tallyvane-bench-planning");
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
    db.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500) "
            "INSERT INTO PayAccounts (ID, PayName, Notes, Category, Deleted) SELECT i, 'Payee ' || i, '', 0, 0 FROM n");
    db.exec("INSERT INTO RecordKeys (ListName, NextKey) VALUES ('PayAccounts', '501')");
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
