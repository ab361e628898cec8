// ofx show: the candidates the statement parser reads from an OFX/QFX file,
// in the order the import review lists them.
#include <algorithm>
#include <ostream>
#include <string>

#include "cli/cli.h"
#include "import/ofx_statement.h"
#include "import/statement_file.h"
#include "store/money.h"
#include "store/text.h"

namespace tallyvane::cli {

namespace {

// Pads to `width` characters (code points, not bytes).
void appendPadded(std::string& out, std::string_view text, std::size_t width, bool right) {
  const std::size_t chars = store::CountChars(text);
  const std::string padding(width > chars ? width - chars : 0, ' ');
  if (right) out += padding;
  out += text;
  if (!right) out += padding;
}

int OfxShow(Session& session, Args& args) {
  std::vector<std::string> rest;
  if (auto error = args.finish(rest)) return session.usage(error->message);
  if (rest.size() != 1) return session.usage("ofx show needs exactly one FILE");

  std::vector<import::ImportCandidate> candidates;
  {
    const import::StatementText file = import::readStatementFile(rest.front());
    if (!file.ok) {
      session.err << file.message << '\n';
      return kExitFile;
    }
    candidates = import::parseOfxStatement(session.data.regional(), import::cutToOfxBody(file.text));
  }

  const store::RegionalSettings& regional = session.data.regional();
  // Written in slices so a statement of any length never builds its whole
  // output in memory.
  std::string out;
  auto flush = [&](bool always) {
    if (always || out.size() >= (1u << 16)) {
      session.out << out;
      out.clear();
    }
  };

  if (session.json) {
    out.push_back('[');
    for (std::size_t k = 0; k < candidates.size(); ++k) {
      const import::ImportCandidate& c = candidates[k];
      if (k > 0) out.push_back(',');
      // What Json::object().set(...).dump() writes, without building a value
      // for each of what may be hundreds of thousands of rows.
      out += "{\"date\":";
      out += JsonQuote(c.date);
      out += ",\"fitid\":";
      out += JsonQuote(c.fitId);
      out += ",\"description\":";
      out += JsonQuote(c.description);
      out += ",\"amount\":";
      out += std::to_string(c.amount.minorUnits());
      out += ",\"amount_text\":";
      out += JsonQuote(store::FormatMoney(regional, c.amount));
      out += '}';
      flush(false);
    }
    out += "]\n";
    flush(true);
    return kExitDone;
  }

  std::vector<std::string> amounts;
  amounts.reserve(candidates.size());
  std::size_t dateWidth = 10;
  std::size_t amountWidth = 6;
  std::size_t fitWidth = 5;
  for (const import::ImportCandidate& c : candidates) {
    amounts.push_back(store::FormatMoney(regional, c.amount));
    dateWidth = std::max(dateWidth, store::CountChars(c.date));
    amountWidth = std::max(amountWidth, store::CountChars(amounts.back()));
    fitWidth = std::max(fitWidth, store::CountChars(c.fitId));
  }
  auto row = [&](std::string_view date, std::string_view amount, std::string_view fitId, std::string_view text) {
    appendPadded(out, date, dateWidth, false);
    out += "  ";
    appendPadded(out, amount, amountWidth, true);
    out += "  ";
    appendPadded(out, fitId, fitWidth, false);
    out += "  ";
    // A CDATA section or XML text may carry line ends; a table row may not.
    for (char ch : text) out.push_back(ch == '\n' || ch == '\r' || ch == '\t' ? ' ' : ch);
    while (!out.empty() && out.back() == ' ') out.pop_back();
    out.push_back('\n');
  };
  row("Date", "Amount", "FITID", "Description");
  for (std::size_t k = 0; k < candidates.size(); ++k) {
    row(candidates[k].date, amounts[k], candidates[k].fitId, candidates[k].description);
    flush(false);
  }
  out += std::to_string(candidates.size());
  out += candidates.size() == 1 ? " transaction\n" : " transactions\n";
  flush(true);
  return kExitDone;
}

}  // namespace

void AddOfxCommands(std::vector<Command>& commands) {
  // Amount texts follow the data file's regional settings, so the data file
  // is opened even though the statement does not touch it.
  commands.push_back(Command{{"ofx", "show"}, "ofx show FILE", OfxShow});
}

}  // namespace tallyvane::cli
