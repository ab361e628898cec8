#include "store/sql_format.h"

#include <cstdio>

#include "store/text.h"

namespace tallyvane::store {

std::string_view SqlArg::text() const {
  if (const auto* s = std::get_if<std::string_view>(&value_)) return *s;
  return {};
}

long long SqlArg::integer() const {
  if (const auto* i = std::get_if<long long>(&value_)) return *i;
  if (const auto* d = std::get_if<double>(&value_)) return static_cast<long long>(*d);
  if (const auto* s = std::get_if<std::string_view>(&value_)) return ParseInt64Prefix(*s);
  return 0;
}

double SqlArg::real() const {
  if (const auto* d = std::get_if<double>(&value_)) return *d;
  if (const auto* i = std::get_if<long long>(&value_)) return static_cast<double>(*i);
  return 0.0;
}

std::string QuoteSql(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  for (char c : text) {
    out.push_back(c);
    if (c == '\'') out.push_back('\'');
  }
  return out;
}

std::string FormatSql(std::string_view format, std::initializer_list<SqlArg> args) {
  static const SqlArg kNull(nullptr);
  auto next = args.begin();
  auto take = [&]() -> const SqlArg& { return next == args.end() ? kNull : *next++; };

  std::string out;
  out.reserve(format.size() + 32);
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c != '%' || i + 1 >= format.size()) {
      out.push_back(c);
      continue;
    }
    const char n = format[i + 1];
    if (n == '%') {
      out.push_back('%');
      ++i;
      continue;
    }
    if (n == 's') {
      out += take().text();
      ++i;
      continue;
    }
    if (n == 'Q') {
      out += QuoteSql(take().text());
      ++i;
      continue;
    }
    // Other conversions: flags, width and precision, then the conversion;
    // length modifiers are accepted and replaced by the one that fits the
    // argument's own type.
    std::size_t j = i + 1;
    std::string spec = "%";
    while (j < format.size() && spec.size() < 258 &&
           ((format[j] >= '0' && format[j] <= '9') || format[j] == '.' || format[j] == '-' ||
            format[j] == '+' || format[j] == ' ' || format[j] == '#')) {
      spec.push_back(format[j++]);
    }
    while (j < format.size() && (format[j] == 'l' || format[j] == 'h' || format[j] == 'z')) ++j;
    if (j >= format.size()) {
      out.append(format.substr(i));
      break;
    }
    const char conversion = format[j];
    char buffer[512];
    int written = 0;
    switch (conversion) {
      case 'd':
      case 'i':
      case 'u':
      case 'x':
      case 'X':
      case 'o':
        spec += "ll";
        spec.push_back(conversion);
        written = std::snprintf(buffer, sizeof buffer, spec.c_str(), take().integer());
        break;
      case 'c':
        spec.push_back('c');
        written = std::snprintf(buffer, sizeof buffer, spec.c_str(), static_cast<int>(take().integer()));
        break;
      case 'e':
      case 'E':
      case 'f':
      case 'F':
      case 'g':
      case 'G':
        spec.push_back(conversion);
        written = std::snprintf(buffer, sizeof buffer, spec.c_str(), take().real());
        break;
      default:
        // Not a conversion: copy the text as it stands.
        out.append(format.substr(i, j - i + 1));
        i = j;
        continue;
    }
    if (written > 0) out.append(buffer, std::min<std::size_t>(static_cast<std::size_t>(written), sizeof buffer - 1));
    i = j;
  }
  return out;
}

std::string FormatSqlLimited(std::size_t limit, std::string_view format, std::initializer_list<SqlArg> args) {
  std::string text = FormatSql(format, args);
  if (text.size() <= limit) return text;
  return CutChars(text, limit);
}

}  // namespace tallyvane::store
