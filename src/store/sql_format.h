// The program's own statement formatter. Every statement is built here so that
// user text reaches SQL only through "%Q", which doubles single quotes; the
// formats themselves write the surrounding quotes ("'%Q'").
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace tallyvane::store {

// One argument of a format: text (or null), an integer or a double.
class SqlArg {
 public:
  SqlArg(std::nullptr_t) {}
  SqlArg(const char* text) {
    if (text != nullptr) value_ = std::string_view(text);
  }
  SqlArg(std::string_view text) : value_(text) {}
  SqlArg(const std::string& text) : value_(std::string_view(text)) {}
  SqlArg(int value) : value_(static_cast<long long>(value)) {}
  SqlArg(long value) : value_(static_cast<long long>(value)) {}
  SqlArg(long long value) : value_(value) {}
  SqlArg(unsigned value) : value_(static_cast<long long>(value)) {}
  SqlArg(double value) : value_(value) {}

  [[nodiscard]] bool isNull() const { return std::holds_alternative<std::monostate>(value_); }
  [[nodiscard]] std::string_view text() const;
  [[nodiscard]] long long integer() const;
  [[nodiscard]] double real() const;

 private:
  std::variant<std::monostate, std::string_view, long long, double> value_;
};

// "%s" copies text verbatim, "%Q" copies it with single quotes doubled (null
// adds nothing to either), "%%" is one percent sign, and any other conversion
// goes with its flags, width and precision to the standard formatter. Missing
// arguments format as null/0.
[[nodiscard]] std::string FormatSql(std::string_view format, std::initializer_list<SqlArg> args);

// The same, cut at `limit` characters: the keyed
// statements of the record layer are built into a fixed 260-character buffer.
[[nodiscard]] std::string FormatSqlLimited(std::size_t limit, std::string_view format,
                                           std::initializer_list<SqlArg> args);

// Single quotes doubled, as "%Q" writes them.
[[nodiscard]] std::string QuoteSql(std::string_view text);

}  // namespace tallyvane::store
