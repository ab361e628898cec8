// Text conversion for the PDF writer: UTF-8 in, Windows-1252 (WinAnsi) bytes
// out, and the escaping of a PDF literal string. Whether a text maps to
// Windows-1252 decides between the standard-font path and the image path.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallyvane::pdf {

// The Windows-1252 byte of a code point, or nullopt when the code chart has
// none. U+0000 counts as outside: it would end the string in a C API and is
// never meant to be printed.
[[nodiscard]] std::optional<unsigned char> ToWindows1252(char32_t c);

// Code points of a UTF-8 text; malformed bytes read as U+FFFD so they take the
// image path instead of reaching a text string. `offsets`, when given,
// receives the byte offset of every code point and then the text's size.
[[nodiscard]] std::u32string DecodeUtf8(std::string_view text, std::vector<std::size_t>* offsets = nullptr);

// The whole text as Windows-1252 bytes, or nullopt when any character lies
// outside the code chart.
[[nodiscard]] std::optional<std::string> Utf8ToWindows1252(std::string_view text);

// Lossy form for the document information: characters outside the chart
// become "?".
[[nodiscard]] std::string Utf8ToWindows1252Lossy(std::string_view text);

// The operand of a literal string without its parentheses: "(", ")" and "\"
// are preceded by a backslash, so an unbalanced parenthesis or a trailing
// backslash cannot end the string early.
[[nodiscard]] std::string EscapePdfString(std::string_view bytes);

}  // namespace tallyvane::pdf
