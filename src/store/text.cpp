#include "store/text.h"

#include <limits>

namespace tallyvane::store {

namespace {

// Length of the UTF-8 sequence that starts with `lead`, or 0 for a byte that
// cannot start one.
std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 0;
}

// Decodes one code point at `pos`, advancing it; malformed input yields U+FFFD
// and consumes one byte.
char32_t DecodeOne(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  const std::size_t length = SequenceLength(lead);
  if (length == 0 || pos + length > text.size()) {
    ++pos;
    return U'\uFFFD';
  }
  if (length == 1) {
    ++pos;
    return lead;
  }
  char32_t value = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return U'\uFFFD';
    }
    value = (value << 6) | (next & 0x3F);
  }
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
  while (pos < text.size() && count < maxChars) {
    const std::size_t length = SequenceLength(static_cast<unsigned char>(text[pos]));
    pos += (length == 0 || pos + length > text.size()) ? 1 : length;
    ++count;
  }
  return std::string(text.substr(0, pos));
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
