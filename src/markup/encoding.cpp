#include "markup/encoding.h"

#include <array>
#include <cstdint>

#include "markup/reader_internal.h"

namespace tallyvane::markup {

namespace {

// Length of the well-formed UTF-8 sequence at `pos`, or 0.
std::size_t validSequence(std::string_view bytes, std::size_t pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = byte(pos);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
  } else {
    return 0;
  }
  if (bytes.size() - pos < length) return 0;
  if (byte(pos + 1) < low || byte(pos + 1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(pos + i) < 0x80 || byte(pos + i) > 0xBF) return 0;
  }
  return length;
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Windows-1252 bytes 0x80..0x9F; 0 marks the five unassigned ones.
constexpr std::array<uint16_t, 32> kWindows1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

}  // namespace

std::size_t validUtf8Prefix(std::string_view bytes) {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
      ++pos;
      continue;
    }
    const std::size_t length = validSequence(bytes, pos);
    if (length == 0) return pos;
    pos += length;
  }
  return pos;
}

bool isValidUtf8(std::string_view bytes) { return validUtf8Prefix(bytes) == bytes.size(); }

void appendSanitizedUtf8(std::string& out, std::string_view bytes) {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    // Copy runs of well-formed text in one go.
    const std::size_t start = pos;
    while (pos < bytes.size()) {
      const std::size_t length = validSequence(bytes, pos);
      if (length == 0) break;
      pos += length;
    }
    out.append(bytes.substr(start, pos - start));
    if (pos < bytes.size()) {
      out += kReplacement;
      ++pos;
    }
  }
}

void appendWindows1252(std::string& out, std::string_view bytes) {
  for (char b : bytes) {
    const auto c = static_cast<unsigned char>(b);
    if (c < 0x80) {
      out.push_back(b);
    } else if (c < 0xA0) {
      const uint16_t code = kWindows1252High[c - 0x80];
      if (code == 0) {
        out += kReplacement;
      } else {
        detail::appendCodePoint(out, code);
      }
    } else {
      detail::appendCodePoint(out, c);
    }
  }
}

void appendUtf16(std::string& out, std::string_view bytes, bool bigEndian) {
  const auto unit = [&](std::size_t i) -> uint32_t {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    return bigEndian ? (uint32_t{a} << 8) | b : (uint32_t{b} << 8) | a;
  };
  std::size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    const uint32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
      const uint32_t next = unit(i + 2);
      if (next >= 0xDC00 && next <= 0xDFFF) {
        detail::appendCodePoint(out, 0x10000 + ((u - 0xD800) << 10) + (next - 0xDC00));
        i += 2;
        continue;
      }
    }
    if (u == 0) {
      out.push_back('\0');  // appendCodePoint would turn it into U+FFFD
    } else {
      detail::appendCodePoint(out, u);  // lone surrogates become U+FFFD there
    }
  }
  if (i < bytes.size()) out += kReplacement;
}

}  // namespace tallyvane::markup
