// Online benchmarks against the loopback HTTPS server of the tests: a
// retrieval whose answer holds 20 000 transactions, half of them already in
// the account, through the review's duplicate marking; and a directory
// download of 500 institutions.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "import_fixture.h"
#include "import/import_review.h"
#include "online/directory.h"
#include "online/online_fixture.h"
#include "online/retrieve.h"
#include "store/data_context.h"
#include "store/dates.h"
#include "store/record.h"
#include "store/secure.h"

namespace {

using namespace tallyvane;
using online::testing::ServerOptions;
using online::testing::TestPki;
using online::testing::TestServer;

using bench::FixedClock;
using bench::Quiet;

struct DataFile {
  explicit DataFile(const char* name) {
    dir = std::filesystem::temp_directory_path() / name;
    data = bench::OpenTemplateCopy(dir, clock);
  }
  ~DataFile() {
    data.reset();
    std::filesystem::remove_all(dir);
  }
  std::filesystem::path dir;
  FixedClock clock;
  std::unique_ptr<store::DataContext> data;
};

// 20 000 rows of the account in its last 200 days, and an answer that
// repeats 10 000 of them and brings 10 000 new ones.
std::string PrepareAccount(store::DataContext& data) {
  data.db().exec("BEGIN");
  data.db().exec(
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
      "INSERT INTO Transactions SELECT i, 1, -(1000 + i % 5000), 0, 0, 0, '', '', 0, "
      "date('2026-05-24', '+' || (i / 100) || ' days'), '', 2, '', 1, 0, 0, 4, 0, 0 FROM n");
  data.db().exec("INSERT INTO RecordKeys (ListName, NextKey) VALUES ('Transactions', '20001')");
  data.db().exec("COMMIT");
  std::string ofx =
      "OFXHEADER:100\r\nDATA:OFXSGML\r\n\r\n<OFX><SIGNONMSGSRSV1><SONRS><STATUS><CODE>0<SEVERITY>INFO</STATUS>"
      "</SONRS></SIGNONMSGSRSV1><BANKMSGSRSV1><STMTTRNRS><STMTRS><BANKTRANLIST>\r\n";
  int n = 0;
  for (store::Query q(data.db(), "SELECT TransactionDate, Amount FROM Transactions WHERE ID > 10000 ORDER BY ID");
       q.hasRow(); q.next()) {
    std::string date = q.text(0);
    std::erase(date, '-');
    const long long amount = q.int64(1);
    char text[64];
    std::snprintf(text, sizeof text, "-%lld.%02lld", -amount / 100, -amount % 100);
    ++n;
    ofx += "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>" + date + "<TRNAMT>" + text + "<FITID>a" + std::to_string(n) +
           "<NAME>Payee " + std::to_string(n % 700) + "</STMTTRN>\r\n";
    ofx += "<STMTTRN><TRNTYPE>CREDIT<DTPOSTED>" + date + "<TRNAMT>7.77<FITID>b" + std::to_string(n) + "<NAME>Payee " +
           std::to_string(n % 700) + "</STMTTRN>\r\n";
  }
  return ofx + "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\r\n";
}

// Target: under 2 s.
void BM_Retrieve20k(benchmark::State& state) {
  if (!TestPki::Get().ok()) return state.SkipWithError("openssl could not make the test certificates");
  DataFile file("tallyvane-bench-online-retrieve");
  store::DataContext& data = *file.data;
  ServerOptions options;
  options.response = PrepareAccount(data);
  TestServer server(options);
  if (!server.running()) return state.SkipWithError("the loopback server did not start");
  online::Institution fi;
  fi.name = "Loopback";
  fi.url = server.base() + "/ofx";
  const std::string id = online::addInstitution(data, fi);
  static_cast<void>(store::writeAccountSecrets(data.db(), "1", {id, "021000021", "55501234", "jdoe", "pw"}));
  Quiet prompter;
  store::NullProgress progress;
  for (auto _ : state) {
    online::RetrievalPorts ports{prompter, progress, {}, {}, {}};
    ports.exchange.caFile = TestPki::Get().caFile().string();
    std::size_t rows = 0;
    std::size_t unticked = 0;
    ports.openReview = [&](std::string_view statement) {
      auto review = import::ImportReview::Open(data, 1, statement, prompter);
      rows = review.rows().size();
      for (const auto& row : review.rows()) unticked += row.ticked ? 0 : 1;
    };
    if (online::RunRetrieval(data, 1, ports) != online::RetrieveOutcome::Reviewed) state.SkipWithError("no review");
    if (rows != 20000 || unticked != 10000) state.SkipWithError("unexpected review rows");
  }
}
BENCHMARK(BM_Retrieve20k)->Unit(benchmark::kMillisecond)->Iterations(3);

// Target: under 5 s.
void BM_DirectoryDownload500(benchmark::State& state) {
  if (!TestPki::Get().ok()) return state.SkipWithError("openssl could not make the test certificates");
  DataFile file("tallyvane-bench-online-directory");
  const std::filesystem::path docs = file.dir / "docs";
  std::filesystem::create_directories(docs);
  std::string list = "<?xml version=\"1.0\"?>\n<institutionlist>\n";
  for (int i = 1; i <= 500; ++i) {
    const std::string n = std::to_string(i);
    list += "<institutionid id=\"" + n + "\" name=\"Bank " + n + "\"/>\n";
    online::testing::WriteAll(docs / ("lookup-" + n + ".xml"),
                              "<?xml version=\"1.0\"?>\n<institution id=\"" + n + "\"><name>Bank " + n +
                                  "</name><fid>" + n + "</fid><org>ORG" + n + "</org><url>https://ofx" + n +
                                  ".bank.test/cgi-bin/ofx</url><ofxfail>0</ofxfail></institution>\n");
  }
  online::testing::WriteAll(docs / "list.xml", list + "</institutionlist>\n");
  ServerOptions options;
  options.docs = docs;
  TestServer server(options);
  if (!server.running()) return state.SkipWithError("the loopback server did not start");
  const online::OnlineSettings settings{server.base() + "/", TestPki::Get().caFile().string()};
  Quiet prompter;
  store::NullProgress progress;
  for (auto _ : state) {
    if (online::restoreDirectory(*file.data, settings, progress, prompter) != online::DownloadResult::Done) {
      state.SkipWithError("download failed");
    }
    if (online::ListInstitutions(*file.data).size() != 500) state.SkipWithError("not every institution listed");
  }
}
BENCHMARK(BM_DirectoryDownload500)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
