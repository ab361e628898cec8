#include "store/regional.h"

#include <langinfo.h>
#include <locale.h>

#include <charconv>
#include <climits>
#include <cstdlib>
#include <ctime>

#include "store/db.h"
#include "store/ports.h"
#include "store/record.h"
#include "store/text.h"

namespace tallyvane::store {

namespace {

struct CountryRange {
  std::string_view country;
  int biasFrom;
  int biasTo;
};

// Countries where the system's currency symbol is taken, with the time-zone
// bias (minutes, positive west of Greenwich) the user must be in. Only these
// rows' language lists include "en"; elsewhere the symbol stays "$".
constexpr std::array<CountryRange, 24> kSymbolCountries = {{
    {"AR", 180, 180},   {"AU", -660, -480}, {"BR", 120, 300},   {"CA", 150, 480},   {"CR", 360, 360},
    {"DK", -120, -60},  {"EG", -120, -120}, {"GR", -180, -120}, {"IN", -330, -330}, {"ID", -540, -420},
    {"IE", -120, -60},  {"IL", -180, -120}, {"KR", -540, -540}, {"MY", -480, -480}, {"NZ", -825, -720},
    {"PA", 300, 300},   {"PH", -480, -480}, {"SG", -480, -480}, {"ZA", -180, -120}, {"LK", -330, -330},
    {"TH", -420, -420}, {"GB", -120, -60},  {"US", 180, 540},   {"VN", -420, -420},
}};

// Text of a Misc column, or its default when absent or empty.
std::string TextOr(const Record& record, std::string_view name, std::string_view fallback) {
  std::string value = record.GetText(name);
  return value.empty() ? std::string(fallback) : value;
}

int IntOr(const Record& record, std::string_view name, int fallback) {
  const std::string value = record.GetText(name);
  return value.empty() ? fallback : ParseInt32Prefix(value);
}

std::string FormatReal(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

DateOrder OrderFromFormat(std::string_view format) {
  if (format.find("%F") != std::string_view::npos) return DateOrder::YearMonthDay;
  if (format.find("%D") != std::string_view::npos) return DateOrder::MonthDayYear;
  const auto day = format.find("%d") != std::string_view::npos ? format.find("%d") : format.find("%e");
  const auto month = format.find("%m");
  auto year = format.find("%Y");
  if (year == std::string_view::npos) year = format.find("%y");
  if (day == std::string_view::npos || month == std::string_view::npos || year == std::string_view::npos) {
    return DateOrder::MonthDayYear;
  }
  if (year < month && month < day) return DateOrder::YearMonthDay;
  if (day < month) return DateOrder::DayMonthYear;
  return DateOrder::MonthDayYear;
}

// "en_GB.UTF-8" -> "GB"; empty when the name has no territory.
std::string TerritoryOf(std::string_view name) {
  const auto underscore = name.find('_');
  if (underscore == std::string_view::npos || underscore + 3 > name.size()) return {};
  return std::string(name.substr(underscore + 1, 2));
}

}  // namespace

int RegionalSettings::effectiveDateOrder() const {
  return printedDateOrder == -1 ? static_cast<int>(systemDateOrder) : printedDateOrder;
}

char RegionalSettings::effectiveDateSeparator() const {
  if (!printedDateSeparator.empty()) return printedDateSeparator.front();
  return (printedDateFormat == 0 || printedDateFormat == 1) ? ' ' : '/';
}

SystemLocale ReadSystemLocale() {
  SystemLocale out;
  locale_t loc = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
  if (loc == static_cast<locale_t>(nullptr)) loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  if (loc != static_cast<locale_t>(nullptr)) {
    const std::string radix = nl_langinfo_l(RADIXCHAR, loc);
    const std::string thousands = nl_langinfo_l(THOUSEP, loc);
    if (!radix.empty()) out.decimalSymbol = radix;
    if (!thousands.empty()) out.thousandsSymbol = thousands;
    out.currencySymbol = nl_langinfo_l(CURRENCY_SYMBOL, loc);
    const char digits = nl_langinfo_l(FRAC_DIGITS, loc)[0];
    if (digits >= 0 && digits <= 9) out.currencyDigits = digits;
    const char precedes = nl_langinfo_l(P_CS_PRECEDES, loc)[0];
    const char spaced = nl_langinfo_l(P_SEP_BY_SPACE, loc)[0];
    out.currencyFormat = (precedes == 0 ? 1 : 0) + (spaced == 1 ? 2 : 0);
    out.shortDateOrder = OrderFromFormat(nl_langinfo_l(D_FMT, loc));
    out.country = nl_langinfo_l(_NL_ADDRESS_COUNTRY_AB2, loc);
    freelocale(loc);
  }
  if (out.country.empty()) {
    for (const char* variable : {"LC_ALL", "LC_MONETARY", "LANG"}) {
      const char* value = std::getenv(variable);
      if (value != nullptr && *value != '\0') {
        out.country = TerritoryOf(value);
        break;
      }
    }
  }
  if (out.country.empty()) out.country = "US";

  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) != nullptr) out.timeZoneBiasMinutes = static_cast<int>(-local.tm_gmtoff / 60);
  return out;
}

std::string SystemCurrencySymbol(const SystemLocale& locale) {
  const std::string country = locale.country.empty() ? "US" : locale.country;
  for (const CountryRange& row : kSymbolCountries) {
    if (row.country == country) {
      if (locale.timeZoneBiasMinutes >= row.biasFrom && locale.timeZoneBiasMinutes <= row.biasTo) {
        return locale.currencySymbol;
      }
      return {};
    }
  }
  return {};
}

RegionalSettings InitRegionalSettings(Db& db, const SystemLocale& locale) {
  RegionalSettings settings;
  settings.systemDateOrder = locale.shortDateOrder;

  WriteGuard guard(db);
  Table misc(db, "Misc");
  Record options;
  if (!LoadRecord(misc, options, "Options")) return settings;

  if (options.GetInt("Init") == 0) {
    const std::string symbol = SystemCurrencySymbol(locale);
    options.SetInt("CurrencyOrder", locale.currencyFormat & 1);
    options.SetInt("CurrencyDigits", locale.currencyDigits);
    options.SetText("DecimalSymbol", locale.decimalSymbol);
    options.SetText("ThousandsSymbol", locale.thousandsSymbol);
    options.SetText("CurrencySymbol", symbol.empty() ? "$" : symbol);
    options.SetInt("PaperSize", (locale.country == "US" || locale.country == "CA") ? 1 : 0);
    options.SetText("Init", "1");
  }

  settings.currencySymbol = TextOr(options, "CurrencySymbol", "$");
  settings.currencyName = TextOr(options, "CurrencyName", "Dollars");
  settings.currencyOrder = IntOr(options, "CurrencyOrder", 0);
  settings.currencyDigits = IntOr(options, "CurrencyDigits", 2);
  settings.decimalSymbol = TextOr(options, "DecimalSymbol", ".");
  settings.thousandsSymbol = TextOr(options, "ThousandsSymbol", ",");
  settings.printedDateFormat = IntOr(options, "PrintedDateFormat", 2);
  settings.printedDateOrder = IntOr(options, "PrintedDateOrder", -1);
  settings.printedDateSeparator = options.GetText("PrintedDateSeparator");
  settings.paperSize = IntOr(options, "PaperSize", 0);
  settings.marginTopBottom = options.GetReal("MarginTopBottom");
  settings.marginSides = options.GetReal("MarginSides");
  settings.csvBom = options.GetFlag("CSVBOMInclued");

  ReleaseRecord(options);
  // A file that cannot be written still opens with the values just read.
  static_cast<void>(guard.commit());
  return settings;
}

std::size_t DateChoiceIndex(const RegionalSettings& settings) {
  const int format = settings.printedDateFormat;
  if (format == 0 || format == 1) return static_cast<std::size_t>(format);
  std::size_t index = (format == 3 ? 5 : 2) + static_cast<std::size_t>(settings.effectiveDateOrder());
  const char separator = settings.effectiveDateSeparator();
  if (separator == '-') index += 5;
  if (separator == '.') index += 10;
  return index < kDateChoices.size() ? index : 2;
}

Status SaveRegionalOptions(Db& db, const RegionalSettings& current, const RegionalSettings& wanted,
                           Prompter& prompter) {
  int digits = wanted.currencyDigits;
  if (digits != current.currencyDigits) {
    const std::size_t answer =
        prompter.ask(kDigitChangeTitle, kDigitChangeQuestion, {"Change", "Don't Change"}, Icon::Warning);
    if (answer != 0) digits = current.currencyDigits;
  }

  WriteGuard guard(db);
  Table misc(db, "Misc");
  Record options;
  if (!LoadRecord(misc, options, "Options")) {
    return Status::Fail("The settings could not be saved: the data file has no Options row.");
  }
  options.SetText("CurrencySymbol", wanted.currencySymbol);
  options.SetText("CurrencyName", wanted.currencyName);
  options.SetInt("CurrencyOrder", wanted.currencyOrder);
  options.SetInt("CurrencyDigits", digits);
  options.SetText("DecimalSymbol", wanted.decimalSymbol.empty() ? "." : wanted.decimalSymbol);
  options.SetText("ThousandsSymbol", wanted.thousandsSymbol);
  options.SetInt("PrintedDateFormat", wanted.printedDateFormat);
  options.SetInt("PrintedDateOrder", wanted.printedDateOrder);
  options.SetText("PrintedDateSeparator", wanted.printedDateSeparator);
  options.SetInt("PaperSize", wanted.paperSize);
  options.SetText("MarginTopBottom", FormatReal(wanted.marginTopBottom));
  options.SetText("MarginSides", FormatReal(wanted.marginSides));
  options.SetFlag("CSVBOMInclued", wanted.csvBom);
  ReleaseRecord(options);
  return guard.commit();
}

}  // namespace tallyvane::store
