// import ofx, import csv.
#include <algorithm>
#include <optional>
#include <ostream>

#include "cli/common.h"
#include "cli/review.h"
#include "import/csv_import.h"
#include "import/import_review.h"
#include "import/statement_file.h"
#include "ledger/accounts.h"
#include "ledger/balances.h"
#include "store/text.h"

namespace tallyvane::cli {

namespace {

using store::Status;

int ImportOfx(Session& session, Args& args) {
  const ReviewEdits edits = ReadReviewEdits(args);
  std::vector<std::string> rest;
  if (auto error = args.finish(rest)) return session.usage(error->message);
  if (rest.size() != 2) return session.usage("import ofx needs ACCOUNT FILE");
  const auto account = ResolveAccount(session, rest[0]);
  if (!account) return kExitUsage;
  if (!import::TakesStatements(session.data, *account)) return session.usage("statements import into bank accounts");
  std::optional<import::ImportReview> review;
  {
    // The file's text is let go once the review has read its rows.
    const import::StatementText file = import::readStatementFile(rest[1]);
    if (!file.ok) {
      session.err << file.message << '\n';
      return kExitFile;
    }
    review.emplace(import::ImportReview::Open(session.data, *account, file.text, session.prompter));
  }
  return RunImportReview(session, *review, edits);
}

int ImportCsv(Session& session, Args& args) {
  const auto maps = args.values("--map");
  const auto skip = args.value("--skip");
  std::vector<std::string> rest;
  if (auto error = args.finish(rest)) return session.usage(error->message);
  if (rest.size() != 2) return session.usage("import csv needs ACCOUNT FILE");
  const auto account = ResolveAccount(session, rest[0]);
  if (!account) return kExitUsage;
  Status error;
  const auto columns = import::CsvColumns(rest[1], &error);
  if (!columns) {
    session.err << error.title << ": " << error.message << '\n';
    return kExitFile;
  }
  const auto names = import::CsvFieldNames(session.data, *account);
  import::CsvMapping mapping;
  mapping.columns.resize(names.size());
  for (const std::string& pair : maps) {
    const auto equals = pair.find('=');
    if (equals == std::string::npos) return session.usage("--map takes FIELD=COLUMN: " + pair);
    const std::string field = pair.substr(0, equals);
    const std::string column = pair.substr(equals + 1);
    const auto fieldIndex = std::find(names.begin(), names.end(), field);
    if (fieldIndex == names.end()) return session.usage("no field " + field);
    std::optional<std::size_t> columnIndex;
    if (const auto number = ParseKey(column); number && *number >= 1 && static_cast<std::size_t>(*number) <= columns->size()) {
      columnIndex = static_cast<std::size_t>(*number) - 1;
    } else {
      // A first-line text names the first column that holds it.
      const auto found = std::find(columns->begin(), columns->end(), column);
      if (found == columns->end()) return session.usage("no column " + column);
      columnIndex = static_cast<std::size_t>(found - columns->begin());
    }
    mapping.columns[static_cast<std::size_t>(fieldIndex - names.begin())] = columnIndex;
  }
  // Without the two fields the import needs, the import's own check refuses
  // it; then say what can be mapped: the account's field names and the
  // columns the file's first line names.
  if (const Status checked = import::CheckCsvMapping(session.data, *account, mapping); !checked) {
    session.err << checked.title << ": " << checked.message << "\n\nFields of this account:";
    for (std::size_t n = 0; n < names.size(); ++n) session.err << (n ? ", " : " ") << names[n];
    session.err << "\nColumns of " << rest[1] << " (by number or first-line text):\n";
    for (std::size_t n = 0; n < columns->size(); ++n) session.err << "  " << n + 1 << "  " << (*columns)[n] << '\n';
    session.err << "\nExample: import csv ACCOUNT FILE --map \"" << names[0] << "=1\" --map \"" << names[1] << "=2\"\n";
    return kExitRefused;
  }
  if (skip) {
    const auto n = ParseKey(*skip);
    if (!n) return session.usage("--skip takes a number");
    mapping.linesToSkip = static_cast<std::size_t>(*n);
  }
  const import::CsvImportResult result = import::ImportCsvFile(session.data, *account, rest[1], mapping, session.prompter);
  if (result.status.fileError) return session.refuse(result.status);
  ledger::UpdateAllCurrentBalances(session.data);
  // Lines skipped for their dates are a warning; the rest was imported.
  if (!result.status && result.status.title != "Import Finished With Errors") return kExitRefused;
  return kExitDone;
}

}  // namespace

ReviewEdits ReadReviewEdits(Args& args) {
  ReviewEdits edits;
  edits.untick = args.values("--untick");
  edits.tick = args.values("--tick");
  edits.categories = args.values("--category");
  edits.dryRun = args.flag("--dry-run");
  return edits;
}

int RunImportReview(Session& session, import::ImportReview& review, const ReviewEdits& edits) {
  auto& rows = review.rows();
  auto row = [&](const std::string& text) -> import::ReviewRow* {
    const auto n = ParseKey(text);
    if (!n || *n < 1 || static_cast<std::size_t>(*n) > rows.size()) return nullptr;
    return &rows[static_cast<std::size_t>(*n) - 1];
  };
  for (const std::string& n : edits.untick) {
    auto* r = row(n);
    if (!r) return session.usage("no review row " + n);
    r->ticked = false;
  }
  for (const std::string& n : edits.tick) {
    auto* r = row(n);
    if (!r) return session.usage("no review row " + n);
    r->ticked = true;
  }
  const auto choices = import::ImportReview::CategoryChoices(session.data);
  for (const std::string& pair : edits.categories) {
    const auto equals = pair.find('=');
    auto* r = equals == std::string::npos ? nullptr : row(pair.substr(0, equals));
    if (!r) return session.usage("--category takes N=NAME: " + pair);
    const std::string name = pair.substr(equals + 1);
    if (std::find(choices.begin(), choices.end(), name) == choices.end()) return session.usage("no category choice " + name);
    r->category = name;
  }

  const store::RegionalSettings& regional = session.data.regional();
  Json doc = Json::object();
  Json list = Json::array();
  if (!session.json) session.out << "Import\tDate\tPayee\tCategory\tPayment\tDeposit\n";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const import::ReviewRow& r = rows[i];
    if (!session.json) {
      // The table is written as it goes; only --json needs the rows as values.
      session.out << (r.ticked ? "[x] " : "[ ] ") << i + 1 << '\t' << r.date << '\t' << r.payee << '\t' << r.category
                  << '\t' << r.payment << '\t' << r.deposit << '\n';
      continue;
    }
    Json item = Json::object();
    item.set("n", static_cast<long long>(i + 1)).set("date", r.date).set("payee", r.payee).set("category", r.category);
    SetOptionalMoney(item, "payment", r.payment.empty() ? std::nullopt : std::optional(store::ParseMoney(regional, r.payment)), regional);
    SetOptionalMoney(item, "deposit", r.deposit.empty() ? std::nullopt : std::optional(store::ParseMoney(regional, r.deposit)), regional);
    item.set("ticked", r.ticked);
    list.push(std::move(item));
  }
  if (session.json) {
    // The existing list is written a page at a time: an account never
    // reconciled lists every row of the window, and only one page is held.
    doc.set("rows", std::move(list));
    std::string head = doc.dump();
    head.pop_back();
    session.out << head << ",\"existing\":[";
    bool first = true;
    constexpr std::int64_t kPage = 1000;
    for (std::int64_t at = 0; at < review.existingCount(); at += kPage) {
      const std::vector<import::ExistingRow> page = review.existingRows(at, kPage);
      if (page.empty()) break;
      for (const import::ExistingRow& e : page) {
        Json item = Json::object();
        item.set("id", e.id).set("date", e.date).set("payee", e.payee).set("note", e.note);
        // The payment column holds zero and negative rows, as the review shows them.
        const bool payment = e.amount.minorUnits() <= 0;
        SetOptionalMoney(item, "payment", payment ? std::optional(-e.amount) : std::nullopt, regional);
        SetOptionalMoney(item, "deposit", payment ? std::nullopt : std::optional(e.amount), regional);
        if (!first) session.out << ',';
        first = false;
        session.out << item.dump();
      }
    }
    Json tail = Json::object();
    SetMoney(tail, "balance_after", review.balanceAfterImport(), regional);
    session.out << "]," << tail.dump().substr(1) << '\n';
  } else {
    session.out << "Balance after import: " << store::FormatMoney(regional, review.balanceAfterImport()) << '\n';
  }
  if (edits.dryRun || rows.empty()) return kExitDone;
  if (!review.anyTicked()) {
    session.err << review.nothingToImport() << '\n';
    return kExitDone;
  }
  store::NullProgress progress;
  const Status committed = review.commit(progress, session.prompter);
  if (!committed) return committed.fileError ? session.refuse(committed) : session.refuseQuietly(committed);
  ledger::UpdateAllCurrentBalances(session.data);
  return kExitDone;
}

void AddImportCommands(std::vector<Command>& commands) {
  commands.push_back({{"import", "ofx"},
                      "import ofx ACCOUNT FILE [--untick N]... [--tick N]... [--category N=NAME]... [--dry-run]",
                      ImportOfx,
                      true,
                      "Shows the import review (rows numbered from 1), then commits the ticked rows.",
                      {"--untick N, --tick N   change a row's tick before committing",
                       "--category N=NAME      the category of row N (a choice of the review)",
                       "--dry-run              show the review only"}});
  commands.push_back({{"import", "csv"},
                      "import csv ACCOUNT FILE --map FIELD=COLUMN... [--skip N]",
                      ImportCsv,
                      true,
                      "Imports a CSV file; without the maps it needs it lists the fields and the file's columns.",
                      {"--map FIELD=COLUMN   a field of the account's list (Amount, Transaction Date, Total Cost, ...)",
                       "                     from a 1-based column number or the column's first-line text",
                       "--skip N             lines to skip at the top (default 1, the titles)"}});
}

}  // namespace tallyvane::cli
