#include "store/money.h"

#include <cmath>
#include <cstdio>

#include "store/regional.h"
#include "store/text.h"

namespace tallyvane::store {

namespace {

constexpr int64_t Pow10(int digits) {
  int64_t value = 1;
  for (int i = 0; i < digits; ++i) value *= 10;
  return value;
}

std::string Format(const RegionalSettings& settings, Money amount, bool withSymbol) {
  std::string out;
  // Magnitude as unsigned so the most negative value cannot overflow.
  uint64_t v = static_cast<uint64_t>(amount.minorUnits());
  if (amount.minorUnits() < 0) {
    out.push_back('-');
    v = 0 - v;
  }
  if (withSymbol && settings.currencyOrder == 0) out += settings.currencySymbol;

  const int digits = settings.digits();
  uint64_t whole = v;
  uint64_t fraction = 0;
  if (digits > 0) {
    const auto scale = static_cast<uint64_t>(Pow10(digits));
    whole = v / scale;
    fraction = v % scale;
  }
  char buffer[64];
  // Only the two lowest groups are separated: 1234567890 prints 1234,567,890.
  if (whole < 1000) {
    std::snprintf(buffer, sizeof buffer, "%llu", static_cast<unsigned long long>(whole));
    out += buffer;
  } else if (whole < 1000000) {
    std::snprintf(buffer, sizeof buffer, "%llu", static_cast<unsigned long long>(whole / 1000));
    out += buffer;
    out += settings.thousandsSymbol;
    std::snprintf(buffer, sizeof buffer, "%.3llu", static_cast<unsigned long long>(whole % 1000));
    out += buffer;
  } else {
    std::snprintf(buffer, sizeof buffer, "%llu", static_cast<unsigned long long>(whole / 1000000));
    out += buffer;
    out += settings.thousandsSymbol;
    std::snprintf(buffer, sizeof buffer, "%.3llu", static_cast<unsigned long long>((whole / 1000) % 1000));
    out += buffer;
    out += settings.thousandsSymbol;
    std::snprintf(buffer, sizeof buffer, "%.3llu", static_cast<unsigned long long>(whole % 1000));
    out += buffer;
  }
  if (digits > 0) {
    out += settings.decimalSymbol;
    std::snprintf(buffer, sizeof buffer, "%.*llu", digits, static_cast<unsigned long long>(fraction));
    out += buffer;
  }
  if (withSymbol && settings.currencyOrder == 1) out += settings.currencySymbol;
  return out;
}

bool IsSpace(char32_t c) { return c == U' ' || (c >= U'\t' && c <= U'\r') || c == 0xA0 || c == 0x202F; }

// Whether `symbol` stands at `pos` of `text`.
bool StartsAt(const std::u32string& text, std::size_t pos, const std::u32string& symbol) {
  return !symbol.empty() && text.compare(pos, symbol.size(), symbol) == 0;
}

}  // namespace

std::string FormatMoney(const RegionalSettings& settings, Money amount) { return Format(settings, amount, true); }

std::string FormatMoneyPlain(const RegionalSettings& settings, Money amount) {
  return Format(settings, amount, false);
}

std::string FormatDecimal(const RegionalSettings& settings, double number) {
  char buffer[64];
  if (number == std::floor(number)) {
    std::snprintf(buffer, sizeof buffer, "%.0f", number);
  } else {
    std::snprintf(buffer, sizeof buffer, "%.2f", number);
  }
  std::string out = buffer;
  const std::u32string decimal = DecodeUtf8(settings.decimalSymbol);
  std::string mark;
  if (!decimal.empty()) AppendUtf8(mark, decimal.front());
  // The C library writes '.' or ',' depending on LC_NUMERIC; take whichever.
  const std::size_t point = out.find_first_of(".,");
  if (point != std::string::npos) out.replace(point, 1, mark);
  return out;
}

Money ParseMoney(const RegionalSettings& settings, std::string_view input) {
  const std::u32string text = DecodeUtf8(input);
  const std::u32string symbol = DecodeUtf8(settings.currencySymbol);
  const std::u32string decimal = DecodeUtf8(settings.decimalSymbol);
  const char32_t decimalMark = decimal.empty() ? U'.' : decimal.front();
  const int digits = settings.digits();

  std::string wholeDigits;
  std::string fractionDigits;
  bool negative = false;
  bool inFraction = false;
  std::size_t i = 0;
  while (i < text.size()) {
    if (inFraction && static_cast<int>(fractionDigits.size()) >= digits) break;
    char32_t c = text[i];
    if (!symbol.empty() && c == symbol.front()) {
      // Skip the characters that match the symbol one by one; the first that
      // does not is read normally.
      std::size_t k = 0;
      while (i < text.size() && k < symbol.size() && text[i] == symbol[k]) {
        ++i;
        ++k;
      }
      continue;
    }
    if (c >= U'0' && c <= U'9') {
      if (inFraction) {
        fractionDigits.push_back(static_cast<char>(c));
      } else if (wholeDigits.size() < kTextLimit) {
        wholeDigits.push_back(static_cast<char>(c));
      }
    } else if (c == U'-') {
      negative = true;
    } else if (c == decimalMark) {
      inFraction = true;
    }
    ++i;
  }

  // Leading zeros do not count towards the 14-digit limit.
  std::size_t firstSignificant = wholeDigits.find_first_not_of('0');
  const std::string_view significant =
      firstSignificant == std::string::npos ? std::string_view{} : std::string_view(wholeDigits).substr(firstSignificant);
  int64_t whole = significant.size() <= 14 ? ParseInt64Prefix(significant) : kMoneyInputLimit;

  int64_t value = whole;
  if (digits > 0) {
    const int64_t scale = Pow10(digits);
    if (whole > kMoneyInputLimit) whole = kMoneyInputLimit;
    int64_t fraction = ParseInt64Prefix(fractionDigits);
    if (static_cast<int>(fractionDigits.size()) < digits) {
      fraction *= Pow10(digits - static_cast<int>(fractionDigits.size()));
    }
    value = whole * scale + fraction;
  }
  if (value > kMoneyInputLimit) value = kMoneyInputLimit;
  return Money(negative ? -value : value);
}

bool IsValidMoneyText(const RegionalSettings& settings, std::string_view input) {
  const std::u32string text = DecodeUtf8(input);
  const std::u32string symbol = DecodeUtf8(settings.currencySymbol);
  const std::u32string thousands = DecodeUtf8(settings.thousandsSymbol);
  const std::u32string decimal = DecodeUtf8(settings.decimalSymbol);
  if (text.empty()) return false;

  bool symbolSeen = false;
  bool minusSeen = false;
  bool digitsSeen = false;
  bool decimalSeen = false;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsSpace(text[i])) ++i;
    // White space may separate a trailing symbol, but may not end the text.
    if (i >= text.size()) return false;
    if (StartsAt(text, i, symbol)) {
      if (symbolSeen) return false;
      symbolSeen = true;
      i += symbol.size();
      continue;
    }
    if (digitsSeen) return false;
    if (text[i] == U'-') {
      if (minusSeen) return false;
      minusSeen = true;
      ++i;
      continue;
    }
    // The number itself.
    while (i < text.size()) {
      if (text[i] >= U'0' && text[i] <= U'9') {
        digitsSeen = true;
        ++i;
      } else if (StartsAt(text, i, decimal)) {
        if (decimalSeen) return false;
        decimalSeen = true;
        i += decimal.size();
      } else if (StartsAt(text, i, thousands)) {
        i += thousands.size();
        if (StartsAt(text, i, thousands)) return false;
      } else {
        break;
      }
    }
    if (!digitsSeen) return false;
  }
  return digitsSeen;
}

}  // namespace tallyvane::store
