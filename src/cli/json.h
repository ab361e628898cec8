// A small JSON value for the command-line tool's --json output: one document
// on stdout, object members kept in the order they were added.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace tallyvane::cli {

class Json {
 public:
  using Array = std::vector<Json>;
  using Object = std::vector<std::pair<std::string, Json>>;

  Json() = default;  // null
  Json(std::nullptr_t) {}
  Json(bool value) : value_(value) {}
  Json(int value) : value_(static_cast<int64_t>(value)) {}
  Json(long value) : value_(static_cast<int64_t>(value)) {}
  Json(long long value) : value_(static_cast<int64_t>(value)) {}
  Json(double value) : value_(value) {}
  Json(const char* value) : value_(std::string(value)) {}
  Json(std::string value) : value_(std::move(value)) {}
  Json(std::string_view value) : value_(std::string(value)) {}

  static Json array() {
    Json j;
    j.value_ = Array{};
    return j;
  }
  static Json object() {
    Json j;
    j.value_ = Object{};
    return j;
  }

  // Appends to an array, or sets a member of an object.
  Json& push(Json value);
  Json& set(std::string key, Json value);

  [[nodiscard]] std::string dump() const;

 private:
  void write(std::string& out) const;
  std::variant<std::monostate, bool, int64_t, double, std::string, Array, Object> value_;
};

[[nodiscard]] std::string JsonQuote(std::string_view text);

}  // namespace tallyvane::cli
