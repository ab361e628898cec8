#include "store/secure.h"

#include <array>
#include <random>
#include <vector>

#include "store/protect.h"
#include "store/record.h"
#include "store/text.h"

namespace tallyvane::store {

namespace {

constexpr std::array<std::string_view, 5> kPrefixes = {"SSACFI", "SSACRN", "SSACAN", "SSACUI", "SSACUP"};

std::string RandomLetters(std::size_t count, std::string_view alphabet) {
  static thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out.push_back(alphabet[pick(random)]);
  return out;
}

std::string& Field(AccountSecrets& s, std::size_t index) {
  switch (index) {
    case 0: return s.institution;
    case 1: return s.routingNumber;
    case 2: return s.accountNumber;
    case 3: return s.userId;
    default: return s.password;
  }
}

const std::string& Field(const AccountSecrets& s, std::size_t index) {
  return Field(const_cast<AccountSecrets&>(s), index);
}

// The value of a protected-text column as stored: "." + protected form, or
// plain text from before protection existed.
std::string ProtectedValue(const std::string& stored) {
  if (!stored.empty() && stored.front() == '.') {
    return unprotectText(kDefaultProtectionKey, std::string_view(stored).substr(1));
  }
  return stored;
}

}  // namespace

std::string AccountSecretKey(Db& db, std::string_view accountId) {
  Query account(db, FormatSql("SELECT AcctName, AcctDescription, AcctNotes FROM Accounts WHERE ID = '%Q'", {accountId}));
  if (!account.hasRow()) return {};
  // Composition: constant material, the account's own fields and the password
  // settings, each cut short, joined by fixed separators, cut at 50.
  std::string key = "Tv7q";
  key += "#" + CutChars(accountId, 6);
  key += "#" + CutChars(account.text(0), 10);
  key += "#" + CutChars(ProtectedValue(account.string(1)), 5);
  key += "#" + CutChars(ProtectedValue(account.string(2)), 5);
  account.close();
  if (const auto settings = ReadPasswordSettings(db)) {
    key += "~" + CutChars(settings->password, 8);
    key += "~" + CutChars(settings->email, 5);
    key += "~" + CutChars(settings->hint, 3);
  }
  return CutChars(key, 50);
}

std::string FrameSecret(std::string_view value) {
  const std::size_t length = CountChars(value);
  if (length > 24) return "$$" + std::string(value);
  std::string framed = "$";
  framed.push_back(static_cast<char>('A' + length));
  framed += value;
  framed += RandomLetters(25 - length, "abcdefghijklmnopqrstuvwxyz");
  return framed;
}

std::optional<std::string> UnframeSecret(std::string_view framed) {
  if (framed.empty() || framed.front() != '$') return std::nullopt;
  if (framed.size() >= 2 && framed[1] == '$') return std::string(framed.substr(2));
  if (framed.size() < 2) return std::string{};
  int length = static_cast<unsigned char>(framed[1]) - 65;
  if (length < 0) length = 0;
  if (length > 259) length = 259;
  return CutChars(framed.substr(2), static_cast<std::size_t>(length));
}

SecretsRead readAccountSecrets(Db& db, std::string_view accountId, std::optional<std::string> key) {
  SecretsRead result;
  const std::string secretKey = key ? *key : AccountSecretKey(db, accountId);
  Table variables(db, "Variables");
  for (std::size_t i = 0; i < kPrefixes.size(); ++i) {
    Record row;
    if (!LoadRecord(variables, row, std::string(kPrefixes[i]) + std::string(accountId))) continue;
    row.setProtectionKey(secretKey);
    const auto value = UnframeSecret(row.GetProtectedBare("Value"));
    if (!value) {
      result.ok = false;
      continue;
    }
    Field(result.values, i) = *value;
  }
  return result;
}

bool writeAccountSecrets(Db& db, std::string_view accountId, const AccountSecrets& secrets) {
  WriteGuard guard(db);
  Table variables(db, "Variables");
  {
    Record version;
    LoadOrPrepareRecord(variables, version, "IACKV");
    version.SetText("Value", "1");
  }
  const std::string secretKey = AccountSecretKey(db, accountId);
  for (std::size_t i = 0; i < kPrefixes.size(); ++i) {
    Record row;
    LoadOrPrepareRecord(variables, row, std::string(kPrefixes[i]) + std::string(accountId));
    row.setProtectionKey(secretKey);
    row.SetProtectedBare("Value", FrameSecret(Field(secrets, i)));
  }
  Table accounts(db, "Accounts");
  Record account;
  if (LoadRecord(accounts, account, accountId)) {
    account.SetProtected("FinancialInstitution", DecoyText());
    account.SetProtected("RoutingNumber", DecoyText());
    account.SetProtected("AcctNumber", DecoyText());
    account.SetProtected("AcctUserID", DecoyText());
    account.SetProtectedBare("AcctUserPass", DecoyText());
  }
  ReleaseRecord(account);
  return guard.commit().ok;
}

bool removeAccountSecrets(Db& db, std::string_view accountId) {
  Table variables(db, "Variables");
  bool ok = true;
  for (std::string_view prefix : kPrefixes) ok = DeleteRow(variables, std::string(prefix) + std::string(accountId)) && ok;
  return ok;
}

std::string DecoyText() {
  return "\\" + RandomLetters(6, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
}

bool migratePlainCredentials(Db& db) {
  WriteGuard guard(db);
  std::vector<std::string> ids;
  for (Query q(db, "SELECT ID FROM Accounts WHERE Deleted = 0 ORDER BY ID"); q.hasRow(); q.next()) {
    ids.push_back(q.text(0));
  }
  Table accounts(db, "Accounts");
  for (const std::string& id : ids) {
    Record account;
    if (!LoadRecord(accounts, account, id)) continue;
    AccountSecrets plain;
    plain.institution = account.GetProtected("FinancialInstitution");
    plain.routingNumber = account.GetProtected("RoutingNumber");
    plain.accountNumber = account.GetProtected("AcctNumber");
    plain.userId = account.GetProtected("AcctUserID");
    plain.password = account.GetProtectedBare("AcctUserPass");
    ResetRecord(account);
    for (std::size_t i = 0; i < kPrefixes.size(); ++i) {
      if (!Field(plain, i).empty() && Field(plain, i).front() == '\\') {
        plain = AccountSecrets{};
        break;
      }
    }
    // Write the secure rows (decoys follow only once every account agreed).
    Table variables(db, "Variables");
    const std::string secretKey = AccountSecretKey(db, id);
    {
      Record version;
      LoadOrPrepareRecord(variables, version, "IACKV");
      version.SetText("Value", "1");
    }
    for (std::size_t i = 0; i < kPrefixes.size(); ++i) {
      Record row;
      LoadOrPrepareRecord(variables, row, std::string(kPrefixes[i]) + id);
      row.setProtectionKey(secretKey);
      row.SetProtectedBare("Value", FrameSecret(Field(plain, i)));
    }
    const SecretsRead back = readAccountSecrets(db, id);
    for (std::size_t i = 0; i < kPrefixes.size(); ++i) {
      if (!back.ok || Field(back.values, i) != Field(plain, i)) {
        // Nothing of the move lands: the plain columns stay as they were.
        guard.rollback();
        return false;
      }
    }
  }
  for (const std::string& id : ids) {
    Record account;
    if (!LoadRecord(accounts, account, id)) continue;
    account.SetProtected("FinancialInstitution", DecoyText());
    account.SetProtected("RoutingNumber", DecoyText());
    account.SetProtected("AcctNumber", DecoyText());
    account.SetProtected("AcctUserID", DecoyText());
    account.SetProtectedBare("AcctUserPass", DecoyText());
  }
  return guard.commit().ok;
}

std::optional<PasswordSettings> ReadPasswordSettings(Db& db) {
  Table misc(db, "Misc");
  Record options;
  if (!LoadRecord(misc, options, "Options")) return std::nullopt;
  PasswordSettings settings;
  settings.password = options.GetProtectedBare("Password");
  settings.hint = options.GetProtected("PasswordHint");
  settings.email = options.GetProtectedBare("Email");
  ResetRecord(options);
  return settings;
}

bool isPasswordSet(Db& db) {
  const auto settings = ReadPasswordSettings(db);
  return settings && !settings->password.empty();
}

Status setPasswordSettings(Db& db, const PasswordSettings& settings) {
  WriteGuard guard(db);
  std::vector<std::pair<std::string, std::string>> keys;
  for (Query q(db, "SELECT ID FROM Accounts WHERE Deleted = 0 ORDER BY ID"); q.hasRow(); q.next()) {
    const std::string id = q.text(0);
    keys.emplace_back(id, std::string{});
  }
  for (auto& [id, key] : keys) key = AccountSecretKey(db, id);

  Table misc(db, "Misc");
  Record options;
  if (!LoadRecord(misc, options, "Options")) return Status::Fail("Failed to saved data", "Save password settings");
  options.SetProtectedBare("Password", settings.password);
  options.SetProtected("PasswordHint", settings.hint);
  options.SetProtectedBare("Email", settings.email);
  ReleaseRecord(options);

  for (const auto& [id, oldKey] : keys) {
    const SecretsRead old = readAccountSecrets(db, id, oldKey);
    // An account that never had secure values keeps none.
    if (QueryFirstText(db, FormatSql("SELECT COUNT(*) FROM Variables WHERE ID LIKE 'SSAC__%Q'", {id})) == "0") continue;
    if (!writeAccountSecrets(db, id, old.values)) break;
  }
  return guard.commit();
}

}  // namespace tallyvane::store
