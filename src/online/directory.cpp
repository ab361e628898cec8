#include "online/directory.h"

#include <nettle/sha2.h>

#include <cstdio>
#include <system_error>

#include "markup/document.h"
#include "markup/xml_parser.h"
#include "online/http_fetch.h"
#include "store/protect.h"
#include "store/record.h"
#include "store/sql_format.h"
#include "store/text.h"

namespace tallyvane::online {

namespace {

using store::DataContext;
using store::Query;
using store::Record;
using store::Table;

constexpr std::string_view kTable = "FinancialInstitutions";
constexpr std::string_view kRestoreButton = "Restore Financial Institutions";

// A protected column's value: "." and the protected form, or a plain value
// written before protection existed.
std::string Unprotected(std::string_view stored) {
  if (stored.empty()) return {};
  if (stored.front() == '.') return store::unprotectText(store::kDefaultProtectionKey, stored.substr(1));
  return store::CutChars(stored);
}

std::string HexDigest(std::string_view bytes) {
  sha256_ctx ctx;
  sha256_init(&ctx);
  sha256_update(&ctx, bytes.size(), reinterpret_cast<const uint8_t*>(bytes.data()));
  uint8_t digest[SHA256_DIGEST_SIZE];
  sha256_digest(&ctx, sizeof digest, digest);
  // Eight big-endian 32-bit words as "%08x" each read the same as the bytes
  // in order.
  std::string out;
  char pair[3];
  for (uint8_t b : digest) {
    std::snprintf(pair, sizeof pair, "%02x", b);
    out += pair;
  }
  return out;
}

Table InstitutionTable(DataContext& data) { return Table(data.db(), std::string(kTable)); }

bool StoreFingerprint(DataContext& data, const std::string& fingerprint) {
  store::WriteGuard guard(data.db());
  Table variables(data.db(), "Variables");
  Record row;
  store::LoadOrPrepareRecord(variables, row, kFingerprintId);
  row.SetText("Value", fingerprint);
  if (!store::SaveRecord(row)) return false;
  return guard.commit().ok;
}

Institution FromRecord(Record& r) {
  Institution fi;
  fi.id = r.key();
  fi.name = Unprotected(r.GetString("FIName"));
  fi.fid = Unprotected(r.GetString("FIId"));
  fi.org = Unprotected(r.GetString("FIOrg"));
  fi.url = Unprotected(r.GetString("FIUrl"));
  fi.bankId = r.GetText("BankID");
  fi.port = r.GetInt("FIPort", 443);
  fi.ofxVersion = r.GetInt("OFXVersion", 0);
  return fi;
}

bool IsUnsafeUrlChar(unsigned char c) {
  if (c <= 32 || c == 127) return true;
  for (char bad : std::string_view("\"#%'<>[\\]^`{|}~")) {
    if (c == static_cast<unsigned char>(bad)) return true;
  }
  return false;
}

void Report(store::Prompter& prompter, std::string_view text) { prompter.message("", text, store::Icon::Error); }

// The downloaded documents are temporary files of the data folder; whoever
// made them removes them, whichever way the download ends.
class TemporaryFiles {
 public:
  explicit TemporaryFiles(std::vector<std::filesystem::path> files) : files_(std::move(files)) {}
  ~TemporaryFiles() {
    for (const auto& file : files_) {
      std::error_code ignored;
      std::filesystem::remove(file, ignored);
    }
  }
  TemporaryFiles(const TemporaryFiles&) = delete;
  TemporaryFiles& operator=(const TemporaryFiles&) = delete;

 private:
  std::vector<std::filesystem::path> files_;
};

std::string ServiceUrl(std::string base, std::string_view query) {
  if (!base.empty() && base.back() != '/') base += '/';
  return base + std::string(query);
}

// Lookup ids go into a URL: anything but unreserved characters is escaped.
std::string EscapeQueryValue(std::string_view value) {
  std::string out;
  char hex[4];
  for (unsigned char c : value) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
        c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    }
  }
  return out;
}

}  // namespace

std::string DirectoryFingerprint(DataContext& data) {
  std::string joined;
  for (Query q(data.db(), "SELECT FIUrl, Deleted FROM FinancialInstitutions ORDER BY ID"); q.hasRow(); q.next()) {
    if (q.int32(1) != 0) continue;
    const std::string url = Unprotected(q.string(0));
    if (url.empty()) continue;
    joined += url;
    joined += kFingerprintSalt;
  }
  if (joined.empty()) return {};
  return HexDigest(joined);
}

std::string addInstitution(DataContext& data, const Institution& values, bool reseal) {
  store::WriteGuard guard(data.db());
  Table table = InstitutionTable(data);
  Record r;
  store::NewRecord(table, r);
  const std::string key = r.key();
  r.SetProtected("FIName", values.name);
  r.SetProtected("FIId", values.fid);
  r.SetProtected("FIOrg", values.org);
  r.SetProtected("FIUrl", values.url);
  r.SetText("BankID", values.bankId);
  r.SetInt("FIPort", values.port);
  r.SetInt("OFXVersion", values.ofxVersion);
  r.SetFlag("Deleted", false);
  if (key.empty() || !store::SaveRecord(r)) return {};
  if (reseal && !StoreFingerprint(data, DirectoryFingerprint(data))) return {};
  if (!guard.commit()) return {};
  return key;
}

bool deleteInstitution(DataContext& data, std::string_view id) {
  store::WriteGuard guard(data.db());
  if (!store::Execute(data.db(), "UPDATE FinancialInstitutions SET Deleted = 1 WHERE ID = '%Q'", {id})) return false;
  if (!StoreFingerprint(data, DirectoryFingerprint(data))) return false;
  return guard.commit().ok;
}

bool isDirectoryTampered(DataContext& data) {
  const std::string stored =
      store::QueryFirstText(data.db(), store::FormatSql("SELECT Value FROM Variables WHERE ID = '%Q'", {kFingerprintId}));
  return stored != DirectoryFingerprint(data);
}

bool sealDirectory(DataContext& data) { return StoreFingerprint(data, DirectoryFingerprint(data)); }

bool clearDirectory(DataContext& data) {
  store::WriteGuard guard(data.db());
  if (!data.db().exec("UPDATE FinancialInstitutions SET Deleted = 1")) return false;
  Table variables(data.db(), "Variables");
  if (!store::DeleteRow(variables, kFingerprintId)) return false;
  return guard.commit().ok;
}

std::vector<Institution> ListInstitutions(DataContext& data) {
  std::vector<Institution> list;
  std::vector<std::string> keys;
  for (Query q(data.db(), "SELECT ID FROM FinancialInstitutions WHERE Deleted = 0 ORDER BY ID"); q.hasRow(); q.next()) {
    keys.push_back(q.text(0));
  }
  for (const std::string& key : keys) {
    if (auto fi = LoadInstitution(data, key)) list.push_back(std::move(*fi));
  }
  return list;
}

std::optional<Institution> LoadInstitution(DataContext& data, std::string_view id, bool includeDeleted) {
  if (id.empty() || id == "0") return std::nullopt;
  Table table = InstitutionTable(data);
  Record r;
  if (!store::LoadActiveRecord(table, r, id, includeDeleted, false) || r.key().empty()) return std::nullopt;
  // Read without GetProtected, which would rewrite a plain legacy value.
  return FromRecord(r);
}

bool copyDirectoryFromTemplate(DataContext& data, const std::filesystem::path& templateFile) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(templateFile, error)) return false;
  std::vector<Institution> copies;
  {
    store::Db source;
    if (!source.open(templateFile.string()).ok) return false;
    for (Query q(source, "SELECT FIName, FIId, FIOrg, FIUrl, BankID, FIPort, OFXVersion, Deleted "
                         "FROM FinancialInstitutions ORDER BY ID");
         q.hasRow(); q.next()) {
      if (q.int32(7) != 0) continue;
      // A missing version reads as 443, so such rows are copied.
      const std::string version = q.string(6);
      const int32_t ofxVersion = version.empty() ? 443 : store::ParseInt32Prefix(version);
      if (ofxVersion < 20) continue;
      Institution fi;
      fi.name = Unprotected(q.string(0));
      fi.fid = Unprotected(q.string(1));
      fi.org = Unprotected(q.string(2));
      fi.url = Unprotected(q.string(3));
      fi.bankId = q.text(4);
      const std::string port = q.string(5);
      fi.port = port.empty() ? 443 : store::ParseInt32Prefix(port);
      fi.ofxVersion = ofxVersion;
      copies.push_back(std::move(fi));
    }
  }
  store::WriteGuard guard(data.db());
  // Each current row is retired as deleteInstitution would; the fingerprint
  // of the last of those deletions is the one stored.
  if (!data.db().exec("UPDATE FinancialInstitutions SET Deleted = 1 WHERE Deleted = 0")) return false;
  if (!StoreFingerprint(data, DirectoryFingerprint(data))) return false;
  for (const Institution& fi : copies) {
    if (addInstitution(data, fi, false).empty()) return false;
  }
  return guard.commit().ok;
}

bool IsValidInstitutionUrl(std::string_view url) {
  const auto scheme = url.find("://");
  if (scheme == std::string_view::npos || scheme == 0) return false;
  const std::string_view rest = url.substr(scheme + 3);
  const auto hostEnd = rest.find_first_of(":/");
  const std::string_view host = rest.substr(0, hostEnd);
  if (host.empty()) return false;
  std::string_view tail = hostEnd == std::string_view::npos ? std::string_view{} : rest.substr(hostEnd);
  if (!tail.empty() && tail.front() == ':') {
    const auto portEnd = tail.find('/');
    const std::string_view port = tail.substr(1, portEnd == std::string_view::npos ? tail.npos : portEnd - 1);
    if (port.empty()) return false;
    for (char c : port) {
      if (c < '0' || c > '9') return false;
    }
    tail = portEnd == std::string_view::npos ? std::string_view{} : tail.substr(portEnd);
  }
  for (unsigned char c : tail) {
    if (IsUnsafeUrlChar(c)) return false;
  }
  return true;
}

store::Status AddInstitutionByHand(DataContext& data, store::Prompter& prompter, const InstitutionForm& form,
                                   std::string* added) {
  if (form.name.empty()) {
    constexpr std::string_view kText = "Please enter a name for this Financial Institution.";
    prompter.balloon(kNameField, "Name required", kText);
    return store::Status::Fail(std::string(kText), "Name required", std::string(kNameField));
  }
  if (!IsValidInstitutionUrl(form.url)) {
    constexpr std::string_view kText = "Please enter a valid URL.";
    prompter.balloon(kUrlField, "", kText);
    return store::Status::Fail(std::string(kText), "", std::string(kUrlField));
  }
  store::WriteGuard guard(data.db());
  if (isDirectoryTampered(data) && !clearDirectory(data)) {
    return store::Status::FileError(store::WriteFailureMessage(data.db().lastError()));
  }
  Institution fi;
  fi.name = form.name;
  fi.fid = form.fid;
  fi.org = form.org;
  fi.url = form.url;
  fi.bankId = form.bankId;
  fi.port = store::ParseInt32Prefix(form.port);
  fi.ofxVersion = kDirectoryOfxVersion;
  const std::string key = addInstitution(data, fi, true);
  if (key.empty() || !guard.commit()) return store::Status::FileError(store::WriteFailureMessage(data.db().lastError()));
  if (added != nullptr) *added = key;
  return store::Status::Ok();
}

store::Status DeleteInstitutionsFromList(DataContext& data, const OnlineSettings& settings,
                                         const std::vector<std::string>& ids, store::Progress& progress,
                                         store::Prompter& prompter) {
  if (!CheckDirectoryIntegrity(data, settings, progress, prompter)) return store::Status::Declined();
  store::WriteGuard guard(data.db());
  for (const std::string& id : ids) {
    if (!deleteInstitution(data, id)) return store::Status::FileError(store::WriteFailureMessage(data.db().lastError()));
  }
  if (!guard.commit()) return store::Status::FileError(store::WriteFailureMessage(data.db().lastError()));
  return store::Status::Ok();
}

namespace {

DownloadResult DownloadRows(DataContext& data, const OnlineSettings& settings, store::Progress& progress,
                            store::Prompter& prompter, const TraceSink& trace) {
  const std::filesystem::path listFile = data.paths().dataDir / "FIList.xml";
  const std::filesystem::path dataFile = data.paths().dataDir / "FIData.xml";
  TemporaryFiles temporaries({listFile, dataFile});
  HttpFetcher fetcher(settings.caFile);

  progress.setText("Downloading financial institution list...");
  const FetchResult listed = fetcher.fetch(ServiceUrl(settings.directoryUrl, "api.php?all=yes"), listFile, progress);
  if (listed == FetchResult::Cancelled) return DownloadResult::Cancelled;
  if (listed != FetchResult::Done) {
    Report(prompter, WithDetail("Financial institution list could not be downloaded.", fetcher.refusal()));
    return DownloadResult::Failed;
  }

  progress.setText("Parsing financial institution list...");
  markup::Document list;
  std::string error;
  if (markup::loadXmlFile(listFile, list, error) != markup::LoadResult::Loaded || !error.empty()) {
    Report(prompter, store::FormatSql("XML Parsing Error in list: %s", {error}));
    return DownloadResult::Failed;
  }
  const markup::Node root = markup::findChild(list.root(), "institutionlist");
  if (!root) {
    Report(prompter, "Could not find institutionlist element.");
    return DownloadResult::Failed;
  }
  std::vector<markup::Node> entries;
  for (markup::Node child = root.firstChild(); child; child = child.nextSibling()) {
    if (child.isElement() && child.name() == "institutionid" && !markup::attributeValue(child, "id").empty()) {
      entries.push_back(child);
    }
  }
  if (entries.empty()) return DownloadResult::Done;

  progress.setTitle("Downloading data for institution:");
  const auto count = static_cast<long long>(entries.size());
  for (long long i = 0; i < count; ++i) {
    if (progress.cancelRequested()) return DownloadResult::Cancelled;
    const markup::Node entry = entries[static_cast<std::size_t>(i)];
    const std::string id(markup::attributeValue(entry, "id"));
    progress.setText(markup::attributeValue(entry, "name"));
    progress.setFraction(i + 1, count);
    const FetchResult fetched =
        fetcher.fetch(ServiceUrl(settings.directoryUrl, "api.php?lookup=" + EscapeQueryValue(id)), dataFile, progress);
    if (fetched == FetchResult::Cancelled) return DownloadResult::Cancelled;
    if (fetched != FetchResult::Done) continue;
    if (trace) trace(store::FormatSql("Institution id %s -- Parsing data...", {id}));
    markup::Document document;
    std::string loadError;
    if (markup::loadXmlFile(dataFile, document, loadError) != markup::LoadResult::Loaded || !loadError.empty()) {
      continue;
    }
    const markup::Node institution = markup::findChild(document.root(), "institution");
    if (!institution) continue;
    if (trace) trace(store::FormatSql("Institution id %s -- Importing data...", {id}));
    Institution fi;
    fi.name = markup::childText(institution, "name");
    fi.fid = markup::childText(institution, "fid");
    fi.org = markup::childText(institution, "org");
    fi.url = markup::childText(institution, "url");
    fi.port = 443;
    fi.ofxVersion = kDirectoryOfxVersion;
    if (addInstitution(data, fi, false).empty()) {
      Report(prompter, store::WriteFailureMessage(data.db().lastError()));
      return DownloadResult::Failed;
    }
  }
  return DownloadResult::Done;
}

}  // namespace

DownloadResult downloadDirectory(DataContext& data, const OnlineSettings& settings, store::Progress& progress,
                                 store::Prompter& prompter, const TraceSink& trace) {
  // One transaction for the whole download; what arrived before a cancel or
  // a failure is committed all the same.
  store::WriteGuard guard(data.db());
  const DownloadResult result = DownloadRows(data, settings, progress, prompter, trace);
  if (!guard.commit()) {
    if (result != DownloadResult::Failed) Report(prompter, store::WriteFailureMessage(data.db().lastError()));
    return DownloadResult::Failed;
  }
  return result;
}

DownloadResult restoreDirectory(DataContext& data, const OnlineSettings& settings, store::Progress& progress,
                                store::Prompter& prompter, const TraceSink& trace) {
  store::WriteGuard guard(data.db());
  if (!clearDirectory(data)) {
    Report(prompter, store::WriteFailureMessage(data.db().lastError()));
    return DownloadResult::Failed;
  }
  progress.setTitle("Download and Import Financial Institution Data");
  const DownloadResult result = downloadDirectory(data, settings, progress, prompter, trace);
  // Whatever arrived before a cancel or a failure is listed, and sealed.
  if (!sealDirectory(data) || !guard.commit()) {
    Report(prompter, store::WriteFailureMessage(data.db().lastError()));
    return DownloadResult::Failed;
  }
  return result;
}

bool offerRestore(DataContext& data, const OnlineSettings& settings, store::Progress& progress,
                  store::Prompter& prompter, const TraceSink& trace) {
  const std::size_t answer = prompter.ask(
      "Financial Institution data corrupted",
      "The data required to connect to financial institutions was changed outside Tallyvane. This is a security "
      "risk.\nClick \"Restore Financial Institutions\" to download the required connection data.",
      {std::string(kRestoreButton), "Cancel"}, store::Icon::Warning);
  if (answer != 0) return false;
  (void)restoreDirectory(data, settings, progress, prompter, trace);
  return true;
}

bool CheckDirectoryIntegrity(DataContext& data, const OnlineSettings& settings, store::Progress& progress,
                             store::Prompter& prompter, const TraceSink& trace) {
  if (!isDirectoryTampered(data)) return true;
  return offerRestore(data, settings, progress, prompter, trace);
}

InstitutionChoices AccountInstitutionChoices(DataContext& data, const OnlineSettings& settings,
                                             store::Progress& progress, store::Prompter& prompter) {
  InstitutionChoices result;
  result.choices.push_back({ChoiceKind::SelectOne, "Select one", {}});
  result.choices.push_back({ChoiceKind::AddNew, "Add new Financial Institution", {}});
  bool listed = false;
  if (CheckDirectoryIntegrity(data, settings, progress, prompter)) {
    for (Institution& fi : ListInstitutions(data)) {
      result.choices.push_back({ChoiceKind::Institution, std::move(fi.name), std::move(fi.id)});
      listed = true;
    }
  } else {
    result.directoryWithheld = true;
  }
  if (!listed && data.systemLocale().country == "US") {
    result.choices.push_back({ChoiceKind::Download, "Download Financial Institutions", {}});
  }
  return result;
}

void ChooseInstitutionEntry(DataContext& data, const OnlineSettings& settings, ChoiceKind kind,
                            store::Progress& progress, store::Prompter& prompter) {
  if (kind == ChoiceKind::AddNew && isDirectoryTampered(data)) {
    if (!clearDirectory(data)) Report(prompter, store::WriteFailureMessage(data.db().lastError()));
  } else if (kind == ChoiceKind::Download) {
    (void)restoreDirectory(data, settings, progress, prompter);
  }
}

}  // namespace tallyvane::online
