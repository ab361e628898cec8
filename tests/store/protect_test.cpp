#include "store/protect.h"

#include <gtest/gtest.h>

#include <vector>

#include "store/record.h"

namespace tallyvane::store {
namespace {

TEST(Protect, RoundTripsTextOfEveryKind) {
  for (const std::string& text : std::vector<std::string>{"a", "secret password", "O'Brien", "Zoë ✓ 日本 𝄞", std::string(40, 'x'), "1234567"}) {
    const std::string form = protectText(kDefaultProtectionKey, text);
    EXPECT_EQ(unprotectText(kDefaultProtectionKey, form), text) << text;
    EXPECT_EQ(form.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
              std::string::npos);
  }
}

TEST(Protect, LengthsFollowBlocksOfEightBytes) {
  // UTF-16 units plus the terminator, padded to 8 bytes, then Base64.
  EXPECT_EQ(protectText("k", "").size(), 12u);     // one block
  EXPECT_EQ(protectText("k", "abc").size(), 12u);  // 8 bytes
  EXPECT_EQ(protectText("k", "abcd").size(), 24u); // 10 bytes -> 16
  EXPECT_EQ(unprotectText("k", protectText("k", "")), "");
}

TEST(Protect, BlockHalvesAreLittleEndian) {
  // The published Blowfish vector: key "abcdefghijklmnopqrstuvwxyz" encrypts
  // "BLOWFISH" to 324ED0FE F413A203 with big-endian halves. The text whose
  // UTF-16LE bytes are "WOLBHSIF" (each half reversed) must therefore come out
  // as FED04E32 03A213F4, whose Base64 starts "/tBOMgOi".
  const std::string text = "\xE4\xBD\x97\xE4\x89\x8C\xE5\x8D\x88\xE4\x99\x89";  // U+4F57 U+424C U+5348 U+4649
  EXPECT_EQ(protectText("abcdefghijklmnopqrstuvwxyz", text).substr(0, 8), "/tBOMgOi");
}

TEST(Protect, KeyMatters) {
  const std::string form = protectText("one key", "value");
  EXPECT_NE(form, protectText("another key", "value"));
  EXPECT_NE(unprotectText("another key", form), "value");
}

TEST(Protect, GarbageDecodesToEmptyWithoutCrashing) {
  for (const char* junk : {"", "A", "!!!!", "AAAA", "not base64 at all", "AAAAAAAAAAA="}) {
    const std::string text = unprotectText(kDefaultProtectionKey, junk);
    EXPECT_LE(text.size(), 259u * 4) << junk;
  }
  EXPECT_EQ(unprotectText(kDefaultProtectionKey, "A"), "");
}

TEST(Protect, ReadsAreCutAt259Characters) {
  const std::string text(400, 'z');
  EXPECT_EQ(unprotectText("k", protectText("k", text)).size(), 259u);
}

TEST(Protect, RecordAccessorsUseDotPrefixAndBareForm) {
  Record r;
  r.SetProtected("A", "hello");
  r.SetProtectedBare("B", "hello");
  r.SetProtected("C", "");
  EXPECT_EQ(r.GetString("A").front(), '.');
  EXPECT_EQ(r.GetString("A").substr(1), r.GetString("B"));
  EXPECT_EQ(r.GetString("C"), "");
  EXPECT_EQ(r.GetProtected("A"), "hello");
  EXPECT_EQ(r.GetProtectedBare("B"), "hello");
  EXPECT_EQ(r.GetProtectedBare("Missing"), "");
  r.setProtectionKey("per-account key");
  EXPECT_NE(r.GetProtected("A"), "hello");
}

}  // namespace
}  // namespace tallyvane::store
