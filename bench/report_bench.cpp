// Report benchmarks on a generated data file of 1 000 000 transactions over
// ten years in six accounts (one in a hundred split over two categories, 500
// payees, a budget over four categories): each report over one year, the
// category journal, and the largest account's activity over all years
// written as PDF. The file is generated once into the temp folder and reused.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "ledger/balances.h"
#include "reports/activity_report.h"
#include "reports/budget_report.h"
#include "reports/category_report.h"
#include "reports/journal.h"
#include "reports/page_layout.h"
#include "reports/payee_report.h"
#include "reports/report_output.h"
#include "store/data_context.h"
#include "store/dates.h"
#include "store/record.h"

namespace {

using namespace tallyvane;

class FixedClock final : public store::Clock {
 public:
  [[nodiscard]] std::time_t now() const override { return store::DateTextToTime("2026-12-10", "12:00:00"); }
};

std::filesystem::path Folder() { return std::filesystem::temp_directory_path() / "tallyvane-bench-reports"; }

store::Paths PathsIn(const std::filesystem::path& dir) {
  store::Paths paths;
  paths.dataDir = dir;
  paths.commonDataDir = dir;
  paths.templateFile = TALLYVANE_BENCH_TEMPLATE;
  return paths;
}

void Generate(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  std::filesystem::copy_file(TALLYVANE_BENCH_TEMPLATE, dir / "tallyvane.vdb");
  store::DataContext data(PathsIn(dir), store::SystemLocale{});
  if (!data.OpenDataContext()) return;
  store::Db& db = data.db();
  db.exec("BEGIN");
  db.exec("INSERT INTO Accounts (ID, AcctName, AcctStartingBal, AcctCurrentBal, AcctCurrentCheckNum, AcctType, "
          "LastReconciled, Deleted, EnableOnlineAccess) VALUES (4, 'Cash', 0, 0, 0, 5, '0', 0, 2), "
          "(5, 'House', 0, 0, 0, 6, '0', 0, 2), (6, 'Loan', 0, 0, 0, 7, '0', 0, 2)");
  db.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500) "
          "INSERT INTO PayAccounts (ID, PayName, Notes, Category, Deleted) SELECT i, 'Payee ' || i, '', 0, 0 FROM n");
  db.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000) "
          "INSERT INTO Transactions SELECT i, "
          "CASE WHEN i <= 350000 THEN 1 WHEN i <= 600000 THEN 2 WHEN i <= 750000 THEN 3 WHEN i <= 830000 THEN 4 "
          "WHEN i <= 900000 THEN 5 ELSE 6 END, "
          "CASE WHEN i % 10 = 0 THEN 250000 ELSE -((i * 7919) % 20000) END, 1 + i % 500, 0, 0, '', 'Note ' || i, "
          "20 + i % 20, date('2017-01-01', '+' || ((i * 3629) % 3630) || ' days'), '', 2, '', 0, 0, "
          "CASE WHEN i % 997 = 0 THEN 1 ELSE 0 END, CASE WHEN i % 10 = 0 THEN 0 ELSE 4 END, 0, "
          "CASE WHEN i % 100 = 7 THEN 1 ELSE 0 END FROM n");
  db.exec("INSERT INTO SplitTransactions (TransactionID, Amount, Category, Note, Deleted) "
          "SELECT ID, Amount / 2, 20, '', 0 FROM Transactions WHERE SplitTransaction = 1 UNION ALL "
          "SELECT ID, Amount - Amount / 2, 21, '', 0 FROM Transactions WHERE SplitTransaction = 1");
  db.exec("INSERT INTO Budgets VALUES (1, 'Household', 0, 0)");
  db.exec("INSERT INTO BudgetAccounts (BudgetID, AccountID) VALUES (1, 1), (1, 2)");
  db.exec("INSERT INTO BudgetCategories (BudgetID, CategoryID, Amount) VALUES (1, 20, 50000), (1, 21, 20000), "
          "(1, 23, 150000), (1, 2, 400000)");
  db.exec("UPDATE RecordKeys SET NextKey = '7' WHERE ListName = 'Accounts'");
  db.exec("INSERT INTO RecordKeys (ListName, NextKey) VALUES ('Transactions', '1000001')");
  db.exec("COMMIT");
  ledger::RebuildAllMonthlyBalances(data);
  ledger::UpdateAllCurrentBalances(data);
}

struct Bench {
  Bench() {
    if (!std::filesystem::exists(Folder() / "tallyvane.vdb")) Generate(Folder());
    data = std::make_unique<store::DataContext>(PathsIn(Folder()), store::SystemLocale{});
    static_cast<void>(data->OpenDataContext());
    data->setClock(clock);
  }
  FixedClock clock;
  std::unique_ptr<store::DataContext> data;
};

Bench& Shared() {
  static Bench bench;
  return bench;
}

const reports::ReportPeriod kYear = reports::YearPeriod(2025);

template <typename Make>
void RunReport(benchmark::State& state, Make make) {
  store::DataContext& data = *Shared().data;
  for (auto _ : state) {
    auto report = make(data);
    report->build();
    benchmark::DoNotOptimize(report->rows().size());
    state.counters["rows"] = static_cast<double>(report->rows().size());
  }
}

void CategoryReportYear(benchmark::State& state) {
  RunReport(state, [](store::DataContext& d) { return std::make_unique<reports::CategoryReport>(d, kYear); });
}
BENCHMARK(CategoryReportYear)->Unit(benchmark::kMillisecond);

void PayeeReportYear(benchmark::State& state) {
  RunReport(state, [](store::DataContext& d) { return std::make_unique<reports::PayeeReport>(d, kYear, false); });
}
BENCHMARK(PayeeReportYear)->Unit(benchmark::kMillisecond);

void PayeeReportYearExpanded(benchmark::State& state) {
  RunReport(state, [](store::DataContext& d) { return std::make_unique<reports::PayeeReport>(d, kYear, true); });
}
BENCHMARK(PayeeReportYearExpanded)->Unit(benchmark::kMillisecond);

void ActivityReportYear(benchmark::State& state) {
  RunReport(state,
            [](store::DataContext& d) { return std::make_unique<reports::AccountActivityReport>(d, kYear, 1); });
}
BENCHMARK(ActivityReportYear)->Unit(benchmark::kMillisecond);

void BudgetReportYear(benchmark::State& state) {
  RunReport(state, [](store::DataContext& d) {
    return std::make_unique<reports::BudgetReport>(d, kYear, 1, reports::BudgetSection::All,
                                                   reports::BudgetPeriodKind::Yearly);
  });
}
BENCHMARK(BudgetReportYear)->Unit(benchmark::kMillisecond);

void CategoryJournalYear(benchmark::State& state) {
  store::DataContext& data = *Shared().data;
  for (auto _ : state) {
    reports::CategoryJournal journal(data, 20, kYear, reports::JournalMode::Payments);
    journal.fill();
    state.counters["lines"] = static_cast<double>(journal.lines().size());
  }
}
BENCHMARK(CategoryJournalYear)->Unit(benchmark::kMillisecond);

// The largest account over all ten years, built and written as PDF.
void ActivityPdfAllYears(benchmark::State& state) {
  store::DataContext& data = *Shared().data;
  const auto file = Folder() / "activity.pdf";
  for (auto _ : state) {
    reports::AccountActivityReport report(data, reports::PeriodBetween("2017-01-01", "2026-12-31"), 1);
    report.build();
    pdf::PdfDocument document(file, 0);
    const int pages = reports::LayoutReport(report, document, reports::MarginsOf(data.regional()));
    document.finish();
    state.counters["pages"] = pages;
  }
}
BENCHMARK(ActivityPdfAllYears)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
