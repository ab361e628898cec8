// The regional settings of a data file (currency, digits, symbols, printed
// dates, paper and margins), kept in the Misc row "Options", and the system
// values the first opening of a data file starts them from.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "store/dates.h"
#include "store/status.h"

namespace tallyvane::store {

class Db;
class Prompter;

struct RegionalSettings {
  std::string currencySymbol = "$";
  std::string currencyName = "Dollars";
  int currencyOrder = 0;   // 0 symbol before the number, 1 after
  int currencyDigits = 2;  // 0..3
  std::string decimalSymbol = ".";
  std::string thousandsSymbol = ",";
  int printedDateFormat = 2;
  int printedDateOrder = -1;  // -1: the system's short-date order
  std::string printedDateSeparator;
  int paperSize = 0;  // 0 A4, 1 Letter, 2 Legal
  double marginTopBottom = 0.75;
  double marginSides = 0.75;
  bool csvBom = false;
  // The system's short-date order, read once from the locale.
  DateOrder systemDateOrder = DateOrder::MonthDayYear;

  // CurrencyDigits with a negative value counted as 0.
  [[nodiscard]] int digits() const { return currencyDigits < 0 ? 0 : (currencyDigits > 3 ? 3 : currencyDigits); }
  // The printed-date order in force and the separator character in force.
  [[nodiscard]] int effectiveDateOrder() const;
  [[nodiscard]] char effectiveDateSeparator() const;
};

// What the system's locale says, gathered in one place so tests can supply it
// without installed locales.
struct SystemLocale {
  std::string decimalSymbol = ".";
  std::string thousandsSymbol = ",";
  std::string currencySymbol;  // the locale's own currency symbol
  int currencyFormat = 0;      // 0..3: bit 0 set when the symbol follows the number
  int currencyDigits = 2;
  std::string country = "US";  // two-letter code
  int timeZoneBiasMinutes = 0; // positive west of Greenwich
  DateOrder shortDateOrder = DateOrder::MonthDayYear;
};

// Reads the process locale ("" as setlocale would take it) without changing
// the process's own locale.
[[nodiscard]] SystemLocale ReadSystemLocale();

// The currency symbol the first opening writes: the system's own when the
// country's row allows it at the current time-zone offset, otherwise empty.
[[nodiscard]] std::string SystemCurrencySymbol(const SystemLocale& locale);

// Writes the first-run defaults when the Options row's Init reads 0, then
// reads the settings back. A missing Options row leaves every default.
[[nodiscard]] RegionalSettings InitRegionalSettings(Db& db, const SystemLocale& locale);

// Display choices of the regional options and the values they store.
struct DateChoice {
  std::string_view text;
  int format;
  int order;
  char separator;
};
inline constexpr std::array<std::string_view, 2> kCurrencyOrderChoices = {"$18.00", "18.00$"};
inline constexpr std::array<std::string_view, 4> kDigitsChoices = {"$18", "$18.0", "$18.00", "$18.000"};
inline constexpr std::array<std::string_view, 3> kPaperChoices = {"A4", "Letter", "Legal"};
inline constexpr std::array<DateChoice, 17> kDateChoices = {{
    {"26 July 2000", 0, 1, ' '}, {"26 Jul 2000", 1, 1, ' '},  {"07/26/2000", 2, 0, '/'},
    {"26/07/2000", 2, 1, '/'},   {"2000/07/26", 2, 2, '/'},   {"07/26/00", 3, 0, '/'},
    {"26/07/00", 3, 1, '/'},     {"07-26-2000", 2, 0, '-'},   {"26-07-2000", 2, 1, '-'},
    {"2000-07-26", 2, 2, '-'},   {"07-26-00", 3, 0, '-'},     {"26-07-00", 3, 1, '-'},
    {"07.26.2000", 2, 0, '.'},   {"26.07.2000", 2, 1, '.'},   {"2000.07.26", 2, 2, '.'},
    {"07.26.00", 3, 0, '.'},     {"26.07.00", 3, 1, '.'},
}};
// The date choice shown for stored settings (index into kDateChoices).
[[nodiscard]] std::size_t DateChoiceIndex(const RegionalSettings& settings);

inline constexpr std::string_view kDigitChangeTitle = "Confirm Digit Change";
inline constexpr std::string_view kDigitChangeQuestion =
    "Changing the currency digits will corrupt any amounts already entered in existing transactions. Are you sure "
    "you want to proceed?";

// Saves the regional options as the options sheet does: an empty decimal
// symbol becomes "."; a changed digit count is kept only when the user
// confirms it, the other settings are saved either way. One transaction.
[[nodiscard]] Status SaveRegionalOptions(Db& db, const RegionalSettings& current, const RegionalSettings& wanted,
                                         Prompter& prompter);

}  // namespace tallyvane::store
