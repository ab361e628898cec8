// Reads an OFX/QFX statement file into UTF-8 text with CR LF line ends, the
// form the statement parser and the import review take. A file that is not
// UTF-8 but declares Windows-1252 (or ISO-8859-1) in its header is decoded
// as Windows-1252, so accented payee names survive.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tallyvane::import {

// Statement files this large or larger are not read.
inline constexpr std::uintmax_t kStatementFileSizeLimit = 214748365;

struct StatementText {
  bool ok = false;
  std::string text;     // empty when the file could not be read
  std::string message;  // why it could not be read
};

[[nodiscard]] StatementText readStatementFile(const std::filesystem::path& path);

// The decoding readStatementFile applies to the file's bytes: a UTF-16
// byte-order mark or a skipped UTF-8 mark, else UTF-8 when valid, else
// Windows-1252 when the header declares it, else UTF-8 with U+FFFD; then
// every line end (CR, LF, CR LF, LF CR) becomes CR LF and a last line
// without a line end is kept only when not empty.
[[nodiscard]] std::string decodeStatementBytes(std::string_view bytes);

}  // namespace tallyvane::import
