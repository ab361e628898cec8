#include "markup/reader_internal.h"

#include <array>
#include <cstdio>

namespace tallyvane::markup::detail {

namespace {

constexpr std::string_view kSemicolonMessage =
    "Strings starting with an ampersand (&) must end with a semicolon (;). Either replace the '&' with '&amp;' or "
    "add a ';' at the end of the control string.";
constexpr std::string_view kInvalidEntityMessage =
    "Invalid escaped ampersand character. Make sure you use &amp; in place of any & characters!";

// Longest entity names each reader accepts.
constexpr std::size_t kLooseEntityLimit = 47;
constexpr std::size_t kStrictEntityLimit = 23;
constexpr uint32_t kBeyondUnicode = 0x110000;
// What ends a run of ordinary characters in a name or value.
constexpr auto kTokenStops = stopTable("\t\n\r /=>\"'&");

bool isEntityNameChar(int c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '#';
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "#x41" reads the hexadecimal digits after the x (other characters are
// skipped); "#65" reads the leading decimal digits. Values past Unicode are
// held at kBeyondUnicode so nothing overflows.
uint32_t characterReference(std::string_view name) {
  uint32_t code = 0;
  if (name.size() > 1 && name[1] == 'x') {
    for (char c : name.substr(2)) {
      const int v = hexValue(c);
      if (v < 0) continue;
      code = code >= kBeyondUnicode ? kBeyondUnicode : code * 16 + static_cast<uint32_t>(v);
    }
  } else {
    for (char c : name.substr(1)) {
      if (c < '0' || c > '9') break;
      code = code >= kBeyondUnicode ? kBeyondUnicode : code * 10 + static_cast<uint32_t>(c - '0');
    }
  }
  return code;
}

}  // namespace

void appendCodePoint(std::string& out, uint32_t code) {
  if (code == 0 || code >= kBeyondUnicode || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

std::string_view cutChars(std::string_view text, std::size_t maxChars) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (isContinuationByte(static_cast<unsigned char>(text[i]))) continue;
    if (chars == maxChars) return text.substr(0, i);
    ++chars;
  }
  return text;
}

void recordError(std::string& buffer, const Cursor& cursor, std::string_view message) {
  if (!buffer.empty()) return;
  char prefix[64];
  std::snprintf(prefix, sizeof prefix, "Ln %lld, Col %lld: ", static_cast<long long>(cursor.line()),
                static_cast<long long>(cursor.column()));
  buffer = prefix;
  buffer += message;
}

void readEntity(Cursor& cursor, std::string& out, Dialect dialect, std::string& error) {
  const std::size_t limit = dialect == Dialect::Loose ? kLooseEntityLimit : kStrictEntityLimit;
  std::size_t length = 0;
  while (length <= limit && isEntityNameChar(cursor.rawAt(length))) ++length;
  if (length == 0 || length > limit || cursor.rawAt(length) != ';') {
    out.push_back('&');
    recordError(error, cursor, kSemicolonMessage);
    return;
  }
  std::array<char, kLooseEntityLimit> buffer{};
  for (std::size_t i = 0; i < length; ++i) buffer[i] = static_cast<char>(cursor.rawAt(i));
  const std::string_view name(buffer.data(), length);
  cursor.skip(length + 1);

  if (name == "amp") {
    out.push_back('&');
  } else if (name == "lt") {
    out.push_back('<');
  } else if (name == "gt") {
    out.push_back('>');
  } else if (name == "quot") {
    out.push_back('"');
  } else if (name == "apos") {
    out.push_back('\'');
  } else if (name.front() == '#') {
    appendCodePoint(out, characterReference(name));
  } else {
    out.push_back('&');
    if (dialect == Dialect::Loose) recordError(error, cursor, kInvalidEntityMessage);
  }
}

int readToken(Cursor& cursor, std::string& out, std::size_t limit, Dialect dialect, std::string& error,
              bool declarations) {
  out.clear();
  std::size_t chars = 0;
  bool keeping = true;
  auto append = [&](char b) {
    if (!isContinuationByte(static_cast<unsigned char>(b))) keeping = ++chars <= limit;
    if (keeping) out.push_back(b);
  };
  int quote = 0;
  for (;;) {
    if (quote == 0) {
      // Ordinary name characters in one go, then the same checks the
      // character-by-character path makes.
      const Cursor::Mark runStart = cursor.mark();
      const std::size_t before = out.size();
      cursor.appendPlain(out, kTokenStops);
      if (declarations && before < 8) {
        for (std::size_t keyword : {std::size_t{3}, std::size_t{8}}) {
          if (before < keyword && out.size() >= keyword) {
            const std::string_view head(out.data(), keyword);
            if (head == "!--" || head == "!DOCTYPE" || head == "![CDATA[") {
              cursor.restore(runStart);
              cursor.skip(keyword - before);
              out.resize(keyword);
              return kNoEnding;
            }
          }
        }
      }
      std::size_t kept = before;
      for (; kept < out.size(); ++kept) {
        if (!isContinuationByte(static_cast<unsigned char>(out[kept]))) keeping = ++chars <= limit;
        if (!keeping) break;
      }
      out.resize(kept);
    }
    const int c = cursor.get();
    if (c == kEnd) return kEnd;
    if (quote != 0) {
      if (c == quote) {
        quote = 0;
        continue;
      }
    } else {
      if (c == '"' || c == '\'') {
        quote = c;
        continue;
      }
      if (c == '\t' || c == '\n' || c == ' ' || c == '/' || c == '=' || c == '>') return c;
    }
    if (c == '&') {
      std::string produced;
      readEntity(cursor, produced, dialect, error);
      for (char b : produced) append(b);
    } else {
      append(static_cast<char>(c));
    }
    if (declarations && (out.size() == 3 || out.size() == 8) &&
        (out == "!--" || out == "!DOCTYPE" || out == "![CDATA[")) {
      return kNoEnding;
    }
  }
}

bool readUntil(Cursor& cursor, std::string_view terminator, std::string& out) {
  const std::size_t start = out.size();
  for (;;) {
    const int c = cursor.get();
    if (c == kEnd) return false;
    out.push_back(static_cast<char>(c));
    if (out.size() - start >= terminator.size() &&
        std::string_view(out).substr(out.size() - terminator.size()) == terminator) {
      out.resize(out.size() - terminator.size());
      return true;
    }
  }
}

bool skipUntil(Cursor& cursor, std::string_view terminator) {
  std::string window;  // the last characters read, as long as the terminator
  for (;;) {
    const int c = cursor.get();
    if (c == kEnd) return false;
    window.push_back(static_cast<char>(c));
    if (window.size() > terminator.size()) window.erase(0, 1);
    if (window == terminator) return true;
  }
}

void skipPastTagEnd(Cursor& cursor) {
  for (int c = cursor.get(); c != kEnd && c != '>'; c = cursor.get()) {
  }
}

}  // namespace tallyvane::markup::detail
