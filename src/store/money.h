// Money is a signed count of minor units; the data file's CurrencyDigits says
// how many of its digits are minor. Formatting and parsing of amounts live
// here and nowhere else, and never go through a double.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace tallyvane::store {

struct RegionalSettings;

class Money {
 public:
  constexpr Money() = default;
  constexpr explicit Money(int64_t minorUnits) : value_(minorUnits) {}
  [[nodiscard]] constexpr int64_t minorUnits() const { return value_; }

  constexpr auto operator<=>(const Money&) const = default;
  constexpr Money operator-() const { return Money(-value_); }
  constexpr Money operator+(Money other) const { return Money(value_ + other.value_); }
  constexpr Money operator-(Money other) const { return Money(value_ - other.value_); }
  constexpr Money& operator+=(Money other) {
    value_ += other.value_;
    return *this;
  }
  constexpr Money& operator-=(Money other) {
    value_ -= other.value_;
    return *this;
  }

 private:
  int64_t value_ = 0;
};

// The largest magnitude typed input produces: 10^13 minor units.
inline constexpr int64_t kMoneyInputLimit = 10'000'000'000'000;

[[nodiscard]] std::string FormatMoney(const RegionalSettings& settings, Money amount);
[[nodiscard]] std::string FormatMoneyPlain(const RegionalSettings& settings, Money amount);
// A number with two decimals (none when whole) and the decimal symbol; for
// percentages, never for money.
[[nodiscard]] std::string FormatDecimal(const RegionalSettings& settings, double number);
// Reads as much of the text as it can; never fails. Clamped to 10^13.
[[nodiscard]] Money ParseMoney(const RegionalSettings& settings, std::string_view text);
// The check amount fields make before ParseMoney.
[[nodiscard]] bool IsValidMoneyText(const RegionalSettings& settings, std::string_view text);

}  // namespace tallyvane::store
