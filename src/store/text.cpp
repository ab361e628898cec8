#include "store/text.h"

#include <limits>

namespace tallyvane::store {

namespace {

// Length of the well-formed UTF-8 sequence at `pos`, or 0 when the bytes
// there are not one: a stray continuation byte, a lead byte that no
// character starts with (C0, C1, F5..FF), a sequence cut short or broken by
// a byte that does not continue it, an overlong form, a surrogate or a value
// past U+10FFFF.
std::size_t WellFormedLength(std::string_view text, std::size_t pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;  // the range the second byte must lie in
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong below U+0800
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong below U+10000
    if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
  } else {
    return 0;
  }
  if (pos + length > text.size()) return 0;
  const auto second = static_cast<unsigned char>(text[pos + 1]);
  if (second < low || second > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80) return 0;
  }
  return length;
}

// Decodes one code point at `pos`, advancing it; malformed input yields U+FFFD
// and consumes one byte.
char32_t DecodeOne(std::string_view text, std::size_t& pos) {
  const std::size_t length = WellFormedLength(text, pos);
  const auto lead = static_cast<unsigned char>(text[pos]);
  if (length == 0) {
    ++pos;
    return U'\uFFFD';
  }
  if (length == 1) {
    ++pos;
    return lead;
  }
  char32_t value = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) value = (value << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
  pos += length;
  return value;
}

template <typename Int>
Int ParsePrefix(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  // Accumulate as a negative number so the most negative value fits.
  constexpr Int kMin = std::numeric_limits<Int>::min();
  constexpr Int kMax = std::numeric_limits<Int>::max();
  Int value = 0;
  bool saturated = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const Int digit = static_cast<Int>(text[i] - '0');
    if (value < (kMin + digit) / 10) {
      saturated = true;
      break;
    }
    value = static_cast<Int>(value * 10 - digit);
  }
  if (negative) return saturated ? kMin : value;
  if (saturated || value == kMin) return kMax;
  return static_cast<Int>(-value);
}

}  // namespace

std::string CutChars(std::string_view text, std::size_t maxChars) {
  std::size_t pos = 0;
  std::size_t count = 0;
  // Well-formed text (nearly all) is cut in place.
  while (pos < text.size() && count < maxChars) {
    const std::size_t length = WellFormedLength(text, pos);
    if (length == 0) break;
    pos += length;
    ++count;
  }
  if (pos == text.size() || count == maxChars) return std::string(text.substr(0, pos));
  // A malformed byte counts as one character and is kept as U+FFFD, so the
  // cut holds at most maxChars whole, valid characters.
  std::string out(text.substr(0, pos));
  while (pos < text.size() && count < maxChars) {
    const std::size_t length = WellFormedLength(text, pos);
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      ++pos;
    } else {
      out.append(text.substr(pos, length));
      pos += length;
    }
    ++count;
  }
  return out;
}

std::size_t CountChars(std::string_view text) {
  std::size_t pos = 0;
  std::size_t count = 0;
  while (pos < text.size()) {
    DecodeOne(text, pos);
    ++count;
  }
  return count;
}

std::u32string DecodeUtf8(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) out.push_back(DecodeOne(text, pos));
  return out;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x110000) {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    AppendUtf8(out, U'\uFFFD');
  }
}

std::string EncodeUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text) AppendUtf8(out, c);
  return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t c = DecodeOne(text, pos);
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = U'\uFFFD';
    }
    AppendUtf8(out, c);
  }
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string LowerText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t c = DecodeOne(text, pos);
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F)) {
      c += 32;
    } else if (c >= 0x400 && c <= 0x40F) {
      c += 80;
    } else if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x138 && c != 0x149 && c != 0x17F) {
      // Latin Extended-A pairs upper/lower as even/odd, shifted after U+0138.
      const bool shifted = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
      if (shifted ? (c % 2 == 1) : (c % 2 == 0)) c += 1;
    }
    AppendUtf8(out, c);
  }
  return out;
}

int32_t ParseInt32Prefix(std::string_view text) { return ParsePrefix<int32_t>(text); }
int64_t ParseInt64Prefix(std::string_view text) { return ParsePrefix<int64_t>(text); }

}  // namespace tallyvane::store
