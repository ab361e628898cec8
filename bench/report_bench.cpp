// Report benchmarks on a generated data file of 1 000 000 transactions over
// ten years in six accounts (one in a hundred split over two categories, 500
// payees, a budget over four categories): each report over one year, the
// category journal, and the largest account's activity over all years
// written as PDF. The file is generated once into the temp folder and reused.
#include <benchmark/benchmark.h>

#include "book.h"

#include <filesystem>

#include "ledger/balances.h"
#include "reports/activity_report.h"
#include "reports/budget_report.h"
#include "reports/category_report.h"
#include "reports/chart_figures.h"
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

struct Bench {
  Bench() {
    bench::SharedBook("tallyvane-bench-reports", TALLYVANE_BENCH_TEMPLATE);
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

// The Net Worth window's figures: every month of the ten years.
static void NetWorthTenYears(benchmark::State& state) {
  Bench& bench = Shared();
  for (auto _ : state) {
    const auto first = reports::FirstCachedMonth(*bench.data);
    auto months = reports::NetWorthByMonth(*bench.data, first.value_or(reports::YearMonth{2016, 12}), {2026, 12});
    benchmark::DoNotOptimize(months);
  }
}
BENCHMARK(NetWorthTenYears)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
