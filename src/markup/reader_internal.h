// What the two markup readers share: the input cursor with its line and
// column, tokens, entities, UTF-8 helpers and the first-error-wins buffer.
// Only the readers' own sources include this header.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tallyvane::markup::detail {

// What get() returns at the end of the text. A NUL byte is an ordinary
// character here, so nothing after an embedded NUL is lost.
inline constexpr int kEnd = -1;
// A token that stopped on its own (a declaration keyword) without consuming
// an ending character.
inline constexpr int kNoEnding = -2;
// Names, and attribute values of the loose reader, keep this many characters.
inline constexpr std::size_t kNameLimit = 259;
// Elements open at once; deeper input stops the reader instead of the stack.
inline constexpr int kMaxDepth = 1000;

inline bool isContinuationByte(unsigned char c) { return (c & 0xC0) == 0x80; }

// Appends a code point as UTF-8; surrogates, 0 and values past U+10FFFF
// become U+FFFD.
void appendCodePoint(std::string& out, uint32_t code);

// The first `maxChars` code points of `text`, never splitting a sequence.
[[nodiscard]] std::string_view cutChars(std::string_view text, std::size_t maxChars);

// A table of the bytes that end a plain run of text.
constexpr std::array<bool, 256> stopTable(std::string_view bytes) {
  std::array<bool, 256> table{};
  for (char c : bytes) table[static_cast<unsigned char>(c)] = true;
  return table;
}

// Pulls characters one at a time. CR, LF, CR LF and LF CR each arrive as a
// single '\n' and start a new line; the column counts code points from 1.
// White space between markup besides the line ends and tabs that readers
// stop at: blanks, form feeds and vertical tabs (a form feed starting a line
// occurs in real statements).
inline bool isBlankByte(unsigned char c) { return c == ' ' || c == '\f' || c == '\v'; }

class Cursor {
 public:
  struct Mark {
    std::size_t pos = 0;
    int64_t line = 1;
    int64_t column = 1;
  };

  Cursor(std::string_view text, const std::function<bool()>* cancel)
      : data_(text.data()), size_(text.size()), cancel_(cancel) {}

  int get() {
    if (pos_ >= size_) return kEnd;
    if (cancel_ != nullptr && !cancelled_ && (++count_ & 511) == 0) cancelled_ = (*cancel_)();
    const auto c = static_cast<unsigned char>(data_[pos_++]);
    if (c == '\r' || c == '\n') {
      if (pos_ < size_ && static_cast<unsigned char>(data_[pos_]) == (c == '\r' ? '\n' : '\r')) ++pos_;
      ++line_;
      column_ = 1;
      return '\n';
    }
    if (!isContinuationByte(c)) ++column_;
    return c;
  }

  // The next character without reading it (line ends as '\n').
  [[nodiscard]] int peek() const {
    if (pos_ >= size_) return kEnd;
    const auto c = static_cast<unsigned char>(data_[pos_]);
    return c == '\r' ? '\n' : c;
  }

  // The raw byte `offset` places ahead, or kEnd.
  [[nodiscard]] int rawAt(std::size_t offset) const {
    return pos_ + offset < size_ ? static_cast<unsigned char>(data_[pos_ + offset]) : kEnd;
  }

  [[nodiscard]] bool lookingAt(std::string_view s) const {
    return size_ - pos_ >= s.size() && std::string_view(data_ + pos_, s.size()) == s;
  }

  // Reads `count` characters known to hold no line end.
  void skip(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) get();
  }

  // Appends the characters up to the next one marked in `stops` (or the end)
  // to `out` in one go; returns whether any of them is not a blank. `stops`
  // must mark CR and LF, whose pairs only get() reads.
  bool appendPlain(std::string& out, const std::array<bool, 256>& stops) {
    const std::size_t start = pos_;
    bool written = false;
    while (pos_ < size_) {
      const auto c = static_cast<unsigned char>(data_[pos_]);
      if (stops[c]) break;
      if (!isContinuationByte(c)) ++column_;
      written |= !isBlankByte(c);
      ++pos_;
    }
    out.append(data_ + start, pos_ - start);
    counted(pos_ - start);
    return written;
  }

  // Reads up to the next `target` byte (or the end), line ends included.
  void skipTo(char target) {
    while (pos_ < size_) {
      const auto c = static_cast<unsigned char>(data_[pos_]);
      if (c == static_cast<unsigned char>(target)) return;
      if (c == '\r' || c == '\n') {
        get();
        continue;
      }
      if (!isContinuationByte(c)) ++column_;
      ++pos_;
      counted(1);
    }
  }

  [[nodiscard]] Mark mark() const { return {pos_, line_, column_}; }
  void restore(const Mark& m) {
    pos_ = m.pos;
    line_ = m.line;
    column_ = m.column;
  }

  [[nodiscard]] int64_t line() const { return line_; }
  [[nodiscard]] int64_t column() const { return column_; }
  [[nodiscard]] bool cancelled() const { return cancelled_; }

 private:
  // Counts characters read in bulk, asking the cancel check at every
  // multiple of 512 passed, as get() does one character at a time.
  void counted(std::size_t n) {
    if (cancel_ == nullptr) return;
    const uint64_t before = count_;
    count_ += n;
    for (uint64_t mark = (before | 511) + 1; mark <= count_ && !cancelled_; mark += 512) cancelled_ = (*cancel_)();
  }

  const char* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  int64_t line_ = 1;
  int64_t column_ = 1;
  const std::function<bool()>* cancel_;
  uint64_t count_ = 0;
  bool cancelled_ = false;
};

// Writes "Ln %d, Col %d: %s" into an empty buffer; a buffer that already
// holds an error keeps it.
void recordError(std::string& buffer, const Cursor& cursor, std::string_view message);

enum class Dialect { Loose, Strict };

// Reads an entity after its "&". A complete entity (letters, digits or '#'
// ended by ';') is decoded; anything else leaves the "&" as literal text so a
// payee such as "AT&T" survives, and the characters after it are read
// normally.
void readEntity(Cursor& cursor, std::string& out, Dialect dialect, std::string& error);

// Reads a token into `out` and returns the character that ended it (consumed),
// kEnd, or kNoEnding. `limit` counts code points; further ones are dropped.
// With `declarations` the token stops as soon as it reads "!--", "!DOCTYPE"
// or "![CDATA[".
int readToken(Cursor& cursor, std::string& out, std::size_t limit, Dialect dialect, std::string& error,
              bool declarations = false);

// Appends everything up to `terminator` to `out` and consumes the terminator;
// false when the text ended first (everything read is still appended).
bool readUntil(Cursor& cursor, std::string_view terminator, std::string& out);

// Reads past `terminator` without keeping anything; false when the text ended
// first.
bool skipUntil(Cursor& cursor, std::string_view terminator);

// Reads up to and including the next '>'.
void skipPastTagEnd(Cursor& cursor);

}  // namespace tallyvane::markup::detail
