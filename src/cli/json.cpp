#include "cli/json.h"

#include <charconv>
#include <cstdio>

namespace tallyvane::cli {

Json& Json::push(Json value) {
  if (!std::holds_alternative<Array>(value_)) value_ = Array{};
  std::get<Array>(value_).push_back(std::move(value));
  return *this;
}

Json& Json::set(std::string key, Json value) {
  if (!std::holds_alternative<Object>(value_)) value_ = Object{};
  auto& members = std::get<Object>(value_);
  for (auto& member : members) {
    if (member.first == key) {
      member.second = std::move(value);
      return *this;
    }
  }
  members.emplace_back(std::move(key), std::move(value));
  return *this;
}

std::string JsonQuote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
          out += buffer;
        } else {
          out.push_back(c);
        }
    }
  }
  out.push_back('"');
  return out;
}

void Json::write(std::string& out) const {
  if (std::holds_alternative<std::monostate>(value_)) {
    out += "null";
  } else if (const auto* b = std::get_if<bool>(&value_)) {
    out += *b ? "true" : "false";
  } else if (const auto* i = std::get_if<int64_t>(&value_)) {
    out += std::to_string(*i);
  } else if (const auto* d = std::get_if<double>(&value_)) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, *d);
    out.append(buffer, result.ptr);
  } else if (const auto* s = std::get_if<std::string>(&value_)) {
    out += JsonQuote(*s);
  } else if (const auto* a = std::get_if<Array>(&value_)) {
    out.push_back('[');
    for (std::size_t k = 0; k < a->size(); ++k) {
      if (k) out.push_back(',');
      (*a)[k].write(out);
    }
    out.push_back(']');
  } else if (const auto* o = std::get_if<Object>(&value_)) {
    out.push_back('{');
    for (std::size_t k = 0; k < o->size(); ++k) {
      if (k) out.push_back(',');
      out += JsonQuote((*o)[k].first);
      out.push_back(':');
      (*o)[k].second.write(out);
    }
    out.push_back('}');
  }
}

std::string Json::dump() const {
  std::string out;
  write(out);
  return out;
}

}  // namespace tallyvane::cli
