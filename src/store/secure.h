// Secure storage of an account's online-banking connection data and the
// program password. Each account's five values live in Variables rows,
// framed and encrypted with a key derived from the account and the password
// settings; the old Accounts columns hold decoys that start with a backslash.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "store/db.h"
#include "store/status.h"

namespace tallyvane::store {

struct AccountSecrets {
  std::string institution;  // FinancialInstitutions key as decimal text, "0" for none
  std::string routingNumber;
  std::string accountNumber;
  std::string userId;
  std::string password;
};

struct SecretsRead {
  AccountSecrets values;
  bool ok = true;  // no row failed (a missing row is no failure)
};

// The per-account key, at most 50 characters, from the account's ID, name,
// description and notes and the password settings; empty when the account row
// is missing.
[[nodiscard]] std::string AccountSecretKey(Db& db, std::string_view accountId);

// Framing before encryption: "$$" + value above 24 characters, else "$", the
// length letter, the value and lowercase padding to 25.
[[nodiscard]] std::string FrameSecret(std::string_view value);
// nullopt when the text is not framed (does not start with "$").
[[nodiscard]] std::optional<std::string> UnframeSecret(std::string_view framed);

[[nodiscard]] SecretsRead readAccountSecrets(Db& db, std::string_view accountId,
                                             std::optional<std::string> key = std::nullopt);
bool writeAccountSecrets(Db& db, std::string_view accountId, const AccountSecrets& secrets);
// Removes the account's five rows.
bool removeAccountSecrets(Db& db, std::string_view accountId);
// Moves the plain Accounts columns of every live account into Variables.
bool migratePlainCredentials(Db& db);

// Decoy text for an old credential column: a backslash and random characters.
[[nodiscard]] std::string DecoyText();

struct PasswordSettings {
  std::string password;
  std::string hint;
  std::string email;
};
[[nodiscard]] std::optional<PasswordSettings> ReadPasswordSettings(Db& db);
[[nodiscard]] bool isPasswordSet(Db& db);
// Writes the password, hint and e-mail and re-encrypts every live account's
// secure values under its new key, in one transaction.
[[nodiscard]] Status setPasswordSettings(Db& db, const PasswordSettings& settings);

}  // namespace tallyvane::store
