// The protected form of stored text: UTF-16LE with a terminator, zero-padded to
// whole 8-byte blocks, Blowfish in ECB mode with little-endian block halves,
// then standard Base64. Files written by other programs of the format use the
// same bytes, so every step here is fixed by the format.
#pragma once

#include <string>
#include <string_view>

namespace tallyvane::store {

[[nodiscard]] std::string protectText(std::string_view key, std::string_view text);
// The text up to the first zero code unit, at most 259 characters; empty for
// anything that does not decode.
[[nodiscard]] std::string unprotectText(std::string_view key, std::string_view protectedForm);

}  // namespace tallyvane::store
