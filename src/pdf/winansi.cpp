#include "pdf/winansi.h"

#include <array>

namespace tallyvane::pdf {
namespace {

// Code points of bytes 0x80-0x9F in Windows-1252; 0 marks the five bytes the
// chart leaves undefined.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

}  // namespace

std::optional<unsigned char> ToWindows1252(char32_t c) {
  if (c == 0) return std::nullopt;
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] != 0 && kHighControls[i] == c) return static_cast<unsigned char>(0x80 + i);
  }
  return std::nullopt;
}

std::u32string DecodeUtf8(std::string_view text, std::vector<std::size_t>* offsets) {
  std::u32string out;
  out.reserve(text.size());
  if (offsets != nullptr) {
    offsets->clear();
    offsets->reserve(text.size() + 1);
  }
  std::size_t i = 0;
  while (i < text.size()) {
    if (offsets != nullptr) offsets->push_back(i);
    const auto b0 = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if (b0 < 0x80) {
      out.push_back(b0);
      ++i;
      continue;
    } else if ((b0 & 0xE0) == 0xC0) {
      length = 2, c = b0 & 0x1F, minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
      length = 3, c = b0 & 0x0F, minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
      length = 4, c = b0 & 0x07, minimum = 0x10000;
    }
    bool valid = length != 0 && i + length <= text.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto b = static_cast<unsigned char>(text[i + k]);
      if ((b & 0xC0) != 0x80) {
        valid = false;
      } else {
        c = (c << 6) | (b & 0x3F);
      }
    }
    if (valid && (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) valid = false;
    if (!valid) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    out.push_back(c);
    i += length;
  }
  if (offsets != nullptr) offsets->push_back(text.size());
  return out;
}

std::optional<std::string> Utf8ToWindows1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  // Plain ASCII is by far the most common input; skip the decoder for it.
  std::size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80 && text[i] != '\0') out.push_back(text[i++]);
  if (i == text.size()) return out;
  for (char32_t c : DecodeUtf8(text.substr(i))) {
    const auto byte = ToWindows1252(c);
    if (!byte) return std::nullopt;
    out.push_back(static_cast<char>(*byte));
  }
  return out;
}

std::string Utf8ToWindows1252Lossy(std::string_view text) {
  std::string out;
  for (char32_t c : DecodeUtf8(text)) {
    const auto byte = ToWindows1252(c);
    out.push_back(byte ? static_cast<char>(*byte) : '?');
  }
  return out;
}

std::string EscapePdfString(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + 8);
  for (char c : bytes) {
    if (c == '(' || c == ')' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

}  // namespace tallyvane::pdf
