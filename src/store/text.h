// Text helpers shared by the whole core. Text is UTF-8 inside the program; a
// "character" in a length limit is a Unicode code point, and cuts never split
// a UTF-8 sequence. UTF-16 appears only where a stored format needs it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tallyvane::store {

// Fixed buffers of the data file format hold 259 characters plus a terminator.
inline constexpr std::size_t kTextLimit = 259;

// The first `maxChars` code points of `text`, always valid UTF-8: a byte
// that is not part of a well-formed sequence (stray continuation, cut or
// overlong sequence, surrogate, past U+10FFFF) counts as one character and
// becomes U+FFFD.
[[nodiscard]] std::string CutChars(std::string_view text, std::size_t maxChars = kTextLimit);
[[nodiscard]] std::size_t CountChars(std::string_view text);

// Code points of a UTF-8 text; malformed bytes read as U+FFFD.
[[nodiscard]] std::u32string DecodeUtf8(std::string_view text);
[[nodiscard]] std::string EncodeUtf8(std::u32string_view text);
void AppendUtf8(std::string& out, char32_t c);

[[nodiscard]] std::u16string Utf8ToUtf16(std::string_view text);
[[nodiscard]] std::string Utf16ToUtf8(std::u16string_view text);

// ASCII case-insensitive comparison, as SQLite compares identifiers.
[[nodiscard]] bool EqualsNoCase(std::string_view a, std::string_view b);
[[nodiscard]] std::string ToLowerAscii(std::string_view text);
// Lower case for search: ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic.
[[nodiscard]] std::string LowerText(std::string_view text);

// Decimal conversion of the leading digits (white space, then an optional sign),
// so "12abc" reads 12 and "" reads 0. Values beyond the type saturate.
[[nodiscard]] int32_t ParseInt32Prefix(std::string_view text);
[[nodiscard]] int64_t ParseInt64Prefix(std::string_view text);

}  // namespace tallyvane::store
