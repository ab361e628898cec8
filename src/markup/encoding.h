// Byte-to-UTF-8 decoding for markup read from files: UTF-8 validation with
// replacement of malformed sequences, Windows-1252 and UTF-16. Shared by the
// XML file loader and the statement file reader.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tallyvane::markup {

// Strict UTF-8: no overlong forms, surrogates or values past U+10FFFF.
[[nodiscard]] bool isValidUtf8(std::string_view bytes);
// Length of the longest prefix made of whole well-formed sequences; a
// sequence cut off by the end of `bytes` is not counted.
[[nodiscard]] std::size_t validUtf8Prefix(std::string_view bytes);
// Appends `bytes` with every malformed sequence replaced by U+FFFD (one per
// byte that cannot start or continue a sequence).
void appendSanitizedUtf8(std::string& out, std::string_view bytes);
// Windows-1252; its five unassigned bytes become U+FFFD.
void appendWindows1252(std::string& out, std::string_view bytes);
// UTF-16 without its byte-order mark; unpaired surrogates and an odd last
// byte become U+FFFD.
void appendUtf16(std::string& out, std::string_view bytes, bool bigEndian);

}  // namespace tallyvane::markup
