// The import benchmarks' book: an account holding 100 000 transactions,
// 20 000 of them in the last 200 days, and a 20 000-transaction statement
// that repeats half of those rows. Shared by the core's and the review
// window's benchmarks.
#pragma once

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "store/data_context.h"
#include "store/dates.h"
#include "store/ports.h"
#include "store/record.h"

namespace tallyvane::bench {

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

// A fresh data file from the template in a temporary folder of that name
// (emptied first), opened with the fixed clock.
inline std::unique_ptr<store::DataContext> OpenTemplateCopy(const std::filesystem::path& dir, const FixedClock& clock) {
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  std::filesystem::copy_file(TALLYVANE_BENCH_TEMPLATE, dir / "tallyvane.vdb");
  store::Paths paths;
  paths.dataDir = dir;
  paths.templateFile = TALLYVANE_BENCH_TEMPLATE;
  auto data = std::make_unique<store::DataContext>(paths, store::SystemLocale{});
  static_cast<void>(data->OpenDataContext());
  data->setClock(clock);
  return data;
}

struct Fixture {
  Fixture() {
    dir = std::filesystem::temp_directory_path() / "tallyvane-bench-import";
    data = OpenTemplateCopy(dir, clock);
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

}  // namespace tallyvane::bench
