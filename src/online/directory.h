// The financial institution directory: the rows that name the OFX servers
// bank credentials are sent to, and the fingerprint over their server URLs
// (a Variables row) that shows when they were changed outside the program.
// Rows are added by hand, downloaded from a directory service, or copied
// from another database when the data file is upgraded.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "online/online_settings.h"
#include "store/data_context.h"
#include "store/ports.h"
#include "store/status.h"

namespace tallyvane::online {

// The Variables row holding the fingerprint, and what each URL is followed
// by before hashing.
inline constexpr std::string_view kFingerprintId = "HSFIUL";
inline constexpr std::string_view kFingerprintSalt = "QmWrenFollick";
inline constexpr int32_t kDirectoryOfxVersion = 22;

struct Institution {
  std::string id;
  std::string name;  // FIName, FIId, FIOrg and FIUrl are stored protected
  std::string fid;
  std::string org;
  std::string url;
  std::string bankId;
  int32_t port = 443;
  int32_t ofxVersion = kDirectoryOfxVersion;
};

// SHA-256 over every live row's FIUrl followed by the salt, in table order,
// as 64 lowercase hex digits; empty when no live row has a URL.
[[nodiscard]] std::string DirectoryFingerprint(store::DataContext& data);

// Writes one live row and returns its key (empty when it could not be
// written). `reseal` stores the new fingerprint right after.
[[nodiscard]] std::string addInstitution(store::DataContext& data, const Institution& values, bool reseal = true);
// Marks the row deleted and reseals.
[[nodiscard]] bool deleteInstitution(store::DataContext& data, std::string_view id);
// The stored fingerprint (a missing row reads as empty) differs from the
// recomputed one.
[[nodiscard]] bool isDirectoryTampered(store::DataContext& data);
[[nodiscard]] bool sealDirectory(store::DataContext& data);
// Every row deleted and the fingerprint row removed.
[[nodiscard]] bool clearDirectory(store::DataContext& data);

// Live rows in table order, protected columns decrypted.
[[nodiscard]] std::vector<Institution> ListInstitutions(store::DataContext& data);
// A live row (a deleted one too with `includeDeleted`: an account may still
// name it); nullopt when it is missing or deleted.
[[nodiscard]] std::optional<Institution> LoadInstitution(store::DataContext& data, std::string_view id,
                                                         bool includeDeleted = false);

// The install-time copy: every current row deleted, then every row of the
// source database with Deleted 0 and OFXVersion 20 or more copied without
// resealing (the update seals afterwards when the directory reads tampered).
[[nodiscard]] bool copyDirectoryFromTemplate(store::DataContext& data, const std::filesystem::path& templateFile);

// ---- Adding by hand ----

inline constexpr std::string_view kNameField = "name";
inline constexpr std::string_view kUrlField = "url";

struct InstitutionForm {
  std::string name;
  std::string fid;
  std::string org;
  std::string url;
  std::string port;  // typed digits; empty gives 0
  std::string bankId;
};

// The form's URL rule: a scheme, "://", a host, an optional all-digit port,
// and a path without blanks, control characters or unsafe punctuation.
[[nodiscard]] bool IsValidInstitutionUrl(std::string_view url);

// Checks in order (a balloon at the field for each refusal), then adds the
// row and reseals. A tampered directory is cleared first, as the account
// form does it, so that the new seal never vouches for rows changed outside
// the program. `added` receives the new key.
[[nodiscard]] store::Status AddInstitutionByHand(store::DataContext& data, store::Prompter& prompter,
                                                 const InstitutionForm& form, std::string* added = nullptr);

// The directory list's delete: the integrity check first (a tampered
// directory is only changed after the restore, never resealed as it is),
// then each row deleted and the directory resealed.
[[nodiscard]] store::Status DeleteInstitutionsFromList(store::DataContext& data, const OnlineSettings& settings,
                                                       const std::vector<std::string>& ids, store::Progress& progress,
                                                       store::Prompter& prompter);

// ---- Download from the directory service ----

enum class DownloadResult : int { Done = 0, Cancelled = 1, Failed = 2 };

// Lines worth a trace while downloading; never holds a credential.
using TraceSink = std::function<void(std::string_view)>;

// Fetches the list and then every institution from the directory service
// into files of the data folder (removed afterwards), adding a row for each
// without resealing. Failures are reported through the prompter.
[[nodiscard]] DownloadResult downloadDirectory(store::DataContext& data, const OnlineSettings& settings,
                                               store::Progress& progress, store::Prompter& prompter,
                                               const TraceSink& trace = {});

// Clear, download under its progress title, seal whatever is then listed.
DownloadResult restoreDirectory(store::DataContext& data, const OnlineSettings& settings, store::Progress& progress,
                                store::Prompter& prompter, const TraceSink& trace = {});

// The tampered-directory question; on "Restore Financial Institutions" runs
// the restore and returns true.
[[nodiscard]] bool offerRestore(store::DataContext& data, const OnlineSettings& settings, store::Progress& progress,
                                store::Prompter& prompter, const TraceSink& trace = {});

// The integrity check before the directory is used: true when it may be
// used (not tampered, or restored after the question).
[[nodiscard]] bool CheckDirectoryIntegrity(store::DataContext& data, const OnlineSettings& settings,
                                           store::Progress& progress, store::Prompter& prompter,
                                           const TraceSink& trace = {});

// ---- The account form's institution list ----

enum class ChoiceKind { SelectOne, AddNew, Institution, Download };

struct InstitutionChoice {
  ChoiceKind kind = ChoiceKind::SelectOne;
  std::string label;
  std::string id;  // for institutions
};

struct InstitutionChoices {
  std::vector<InstitutionChoice> choices;
  // The directory is tampered and the restore was declined: the form clears
  // its online credential fields.
  bool directoryWithheld = false;
};

// "Select one", "Add new Financial Institution", then every live row, unless
// the directory is tampered and the restore declined; "Download Financial
// Institutions" for users in the US when no institution is listed.
[[nodiscard]] InstitutionChoices AccountInstitutionChoices(store::DataContext& data, const OnlineSettings& settings,
                                                           store::Progress& progress, store::Prompter& prompter);

// What choosing an entry does before the form goes on: "Add new" clears a
// tampered directory, "Download" runs the restore. Institutions and
// "Select one" do nothing.
void ChooseInstitutionEntry(store::DataContext& data, const OnlineSettings& settings, ChoiceKind kind,
                            store::Progress& progress, store::Prompter& prompter);

}  // namespace tallyvane::online
