#include "store/protect.h"

#include <nettle/base64.h>
#include <nettle/blowfish.h>

#include <cstdint>
#include <string>
#include <vector>

#include "store/text.h"

namespace tallyvane::store {

namespace {

// The key schedule cycles over the key's UTF-8 bytes, taking the character
// count as the key length (so a non-ASCII key uses a prefix of its bytes).
// Blowfish uses at most 72 key bytes; longer keys change nothing past that.
blowfish_ctx ScheduleKey(std::string_view key) {
  std::size_t length = CountChars(key);
  if (length > key.size()) length = key.size();
  if (length > 72) length = 72;
  std::vector<uint8_t> bytes(key.begin(), key.begin() + static_cast<std::ptrdiff_t>(length));
  if (bytes.empty()) bytes.push_back(0);
  blowfish_ctx ctx;
  // The return value only flags weak keys; the schedule is set regardless.
  static_cast<void>(blowfish_set_key(&ctx, bytes.size(), bytes.data()));
  return ctx;
}

// The key schedule costs as much as enciphering a few kilobytes, and every
// stored transaction's payee text is protected with the same key: the last
// key's schedule is kept (per thread) and used again.
const blowfish_ctx& MakeCipher(std::string_view key) {
  thread_local std::string lastKey;
  thread_local blowfish_ctx lastCipher;
  thread_local bool scheduled = false;
  if (!scheduled || key != lastKey) {
    lastCipher = ScheduleKey(key);
    lastKey.assign(key);
    scheduled = true;
  }
  return lastCipher;
}

// Nettle reads each half of a block as a big-endian word; the format reads
// them little-endian, so every half is reversed around the cipher.
void SwapHalves(uint8_t* block) {
  std::swap(block[0], block[3]);
  std::swap(block[1], block[2]);
  std::swap(block[4], block[7]);
  std::swap(block[5], block[6]);
}

}  // namespace

std::string protectText(std::string_view key, std::string_view text) {
  std::u16string units = Utf8ToUtf16(text);
  units.push_back(u'\0');
  std::vector<uint8_t> bytes;
  bytes.reserve(units.size() * 2 + 8);
  for (char16_t unit : units) {
    bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<uint8_t>(unit >> 8));
  }
  while (bytes.size() % BLOWFISH_BLOCK_SIZE != 0) bytes.push_back(0);

  const blowfish_ctx& ctx = MakeCipher(key);
  for (std::size_t i = 0; i < bytes.size(); i += BLOWFISH_BLOCK_SIZE) {
    SwapHalves(&bytes[i]);
    blowfish_encrypt(&ctx, BLOWFISH_BLOCK_SIZE, &bytes[i], &bytes[i]);
    SwapHalves(&bytes[i]);
  }

  std::string out(BASE64_ENCODE_RAW_LENGTH(bytes.size()), '\0');
  base64_encode_raw(out.data(), bytes.size(), bytes.data());
  return out;
}

std::string unprotectText(std::string_view key, std::string_view protectedForm) {
  std::vector<uint8_t> bytes(BASE64_DECODE_LENGTH(protectedForm.size()) + 1);
  base64_decode_ctx decoder;
  base64_decode_init(&decoder);
  std::size_t length = bytes.size();
  if (!base64_decode_update(&decoder, &length, bytes.data(), protectedForm.size(), protectedForm.data()) ||
      !base64_decode_final(&decoder)) {
    return {};
  }
  if (length < 2) return {};
  bytes.resize(length - length % BLOWFISH_BLOCK_SIZE);

  const blowfish_ctx& ctx = MakeCipher(key);
  for (std::size_t i = 0; i < bytes.size(); i += BLOWFISH_BLOCK_SIZE) {
    SwapHalves(&bytes[i]);
    blowfish_decrypt(&ctx, BLOWFISH_BLOCK_SIZE, &bytes[i], &bytes[i]);
    SwapHalves(&bytes[i]);
  }

  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const char16_t unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (unit == 0) break;
    units.push_back(unit);
  }
  return CutChars(Utf16ToUtf8(units));
}

}  // namespace tallyvane::store
