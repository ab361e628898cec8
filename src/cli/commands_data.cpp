// init, options show, options set.
#include <charconv>
#include <ostream>

#include "app/options.h"
#include "cli/cli.h"
#include "store/regional.h"

namespace tallyvane::cli {

namespace {

std::string FormatReal(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::optional<int> ParseSmallInt(std::string_view text, int low, int high) {
  int value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc{} || result.ptr != text.data() + text.size() || value < low || value > high) {
    return std::nullopt;
  }
  return value;
}

int Init(Session& session, Args& args) {
  std::vector<std::string> rest;
  if (auto error = args.finish(rest)) return session.usage(error->message);
  if (!rest.empty()) return session.usage("init takes no arguments");
  const std::string path = session.data.paths().dataFile().string();
  if (session.json) {
    session.out << Json::object().set("data_file", path).dump() << '\n';
  } else {
    session.out << path << '\n';
  }
  return kExitDone;
}

int OptionsShow(Session& session, Args& args) {
  std::vector<std::string> rest;
  if (auto error = args.finish(rest)) return session.usage(error->message);
  if (!rest.empty()) return session.usage("options show takes no arguments");
  const store::RegionalSettings& r = session.data.regional();
  const std::size_t paper = r.paperSize >= 0 && r.paperSize < 3 ? static_cast<std::size_t>(r.paperSize) : 0;
  const long long antivirus = session.settings.readInt("Settings", app::kCheckForAntivirus, 1);
  if (session.json) {
    Json doc = Json::object();
    doc.set("currency-symbol", r.currencySymbol)
        .set("currency-name", r.currencyName)
        .set("currency-order", r.currencyOrder)
        .set("currency-digits", r.currencyDigits)
        .set("decimal-symbol", r.decimalSymbol)
        .set("thousands-symbol", r.thousandsSymbol)
        .set("date-format", store::kDateChoices[store::DateChoiceIndex(r)].text)
        .set("paper", store::kPaperChoices[paper])
        .set("csv-bom", r.csvBom ? 1 : 0)
        .set("margin-top-bottom", r.marginTopBottom)
        .set("margin-sides", r.marginSides)
        .set("check-antivirus", antivirus != 0 ? 1 : 0);
    session.out << doc.dump() << '\n';
    return kExitDone;
  }
  session.out << "currency-symbol=" << r.currencySymbol << '\n'
              << "currency-name=" << r.currencyName << '\n'
              << "currency-order=" << r.currencyOrder << '\n'
              << "currency-digits=" << r.currencyDigits << '\n'
              << "decimal-symbol=" << r.decimalSymbol << '\n'
              << "thousands-symbol=" << r.thousandsSymbol << '\n'
              << "date-format=" << store::kDateChoices[store::DateChoiceIndex(r)].text << '\n'
              << "paper=" << store::kPaperChoices[paper] << '\n'
              << "csv-bom=" << (r.csvBom ? 1 : 0) << '\n'
              << "margin-top-bottom=" << FormatReal(r.marginTopBottom) << '\n'
              << "margin-sides=" << FormatReal(r.marginSides) << '\n'
              << "check-antivirus=" << (antivirus != 0 ? 1 : 0) << '\n';
  return kExitDone;
}

int OptionsSet(Session& session, Args& args) {
  std::vector<std::string> pairs;
  if (auto error = args.finish(pairs)) return session.usage(error->message);
  if (pairs.empty()) return session.usage("options set needs KEY=VALUE");

  const store::RegionalSettings current = session.data.regional();
  store::RegionalSettings wanted = current;
  std::optional<int> antivirus;
  for (const std::string& pair : pairs) {
    const auto equals = pair.find('=');
    if (equals == std::string::npos) return session.usage("expected KEY=VALUE, got " + pair);
    const std::string key = pair.substr(0, equals);
    const std::string value = pair.substr(equals + 1);
    auto bad = [&] { return session.usage("invalid value for " + key + ": " + value); };
    if (key == "currency-symbol") {
      wanted.currencySymbol = value;
    } else if (key == "currency-name") {
      wanted.currencyName = value;
    } else if (key == "currency-order") {
      const auto v = ParseSmallInt(value, 0, 1);
      if (!v) return bad();
      wanted.currencyOrder = *v;
    } else if (key == "currency-digits") {
      const auto v = ParseSmallInt(value, 0, 3);
      if (!v) return bad();
      wanted.currencyDigits = *v;
    } else if (key == "decimal-symbol") {
      wanted.decimalSymbol = value;
    } else if (key == "thousands-symbol") {
      wanted.thousandsSymbol = value;
    } else if (key == "date-format") {
      bool found = false;
      for (const store::DateChoice& choice : store::kDateChoices) {
        if (choice.text == value) {
          wanted.printedDateFormat = choice.format;
          wanted.printedDateOrder = choice.order;
          wanted.printedDateSeparator = std::string(1, choice.separator);
          found = true;
        }
      }
      if (!found) return bad();
    } else if (key == "paper") {
      bool found = false;
      for (std::size_t k = 0; k < store::kPaperChoices.size(); ++k) {
        if (store::kPaperChoices[k] == value) {
          wanted.paperSize = static_cast<int>(k);
          found = true;
        }
      }
      if (!found) return bad();
    } else if (key == "csv-bom") {
      const auto v = ParseSmallInt(value, 0, 1);
      if (!v) return bad();
      wanted.csvBom = *v == 1;
    } else if (key == "margin-top-bottom" || key == "margin-sides") {
      double margin = 0;
      const auto result = std::from_chars(value.data(), value.data() + value.size(), margin);
      if (result.ec != std::errc{} || result.ptr != value.data() + value.size() || margin < 0 || margin > 10) {
        return bad();
      }
      (key == "margin-sides" ? wanted.marginSides : wanted.marginTopBottom) = margin;
    } else if (key == "check-antivirus") {
      antivirus = ParseSmallInt(value, 0, 1);
      if (!antivirus) return bad();
    } else {
      return session.usage("unknown option key " + key);
    }
  }

  // Confirmed as the options sheet is: the Regional tab's copy and the
  // Security tab's antivirus box, written together.
  app::OptionsSheet sheet = app::OpenOptionsSheet(session.data, session.settings);
  sheet.regional = wanted;
  if (antivirus) sheet.checkForAntivirus = *antivirus == 1;
  const store::Status saved = app::ConfirmOptions(session.data, session.settings, sheet, session.prompter);
  if (!saved) return session.refuse(saved);
  const bool declined = wanted.currencyDigits != current.currencyDigits && session.prompter.declined();
  return declined ? kExitRefused : kExitDone;
}

}  // namespace

void AddDataCommands(std::vector<Command>& commands) {
  commands.push_back({{"init"}, "init", Init});
  commands.push_back({{"options", "show"}, "options show", OptionsShow});
  commands.push_back({{"options", "set"}, "options set KEY=VALUE...", OptionsSet});
}

}  // namespace tallyvane::cli
