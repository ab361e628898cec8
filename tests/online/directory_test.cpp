// The institution directory: fingerprint and seal, tampering from outside,
// the hand-entry checks, the install-time copy, the account form's choices
// and the download from a loopback directory service.
#include <gtest/gtest.h>

#include "online/directory.h"
#include "online/http_fetch.h"
#include "online/online_fixture.h"
#include "store/record.h"
#include "store/sql_format.h"

namespace tallyvane::online {
namespace {

using online::testing::RecordingProgress;
using online::testing::ServerOptions;
using online::testing::TestPki;
using online::testing::TestServer;
using online::testing::WriteAll;
using tallyvane::testing::RecordingPrompter;
using tallyvane::testing::TestData;

Institution Fi(std::string name, std::string url) {
  Institution fi;
  fi.name = std::move(name);
  fi.fid = "1001";
  fi.org = "ORG";
  fi.url = std::move(url);
  return fi;
}

std::string StoredFingerprint(store::DataContext& data) {
  return store::QueryFirstText(data.db(), "SELECT Value FROM Variables WHERE ID = 'HSFIUL'");
}

TEST(Directory, FingerprintIsSha256OverLiveUrlsWithTheSalt) {
  TestData t;
  EXPECT_EQ(DirectoryFingerprint(t.context()), "");
  EXPECT_FALSE(isDirectoryTampered(t.context())) << "no row and no institutions";
  const std::string a = addInstitution(t.context(), Fi("Bank A", "https://a.test/ofx"));
  ASSERT_FALSE(a.empty());
  ASSERT_FALSE(addInstitution(t.context(), Fi("Bank B", "https://b.test/ofx")).empty());
  ASSERT_FALSE(addInstitution(t.context(), Fi("No URL", "")).empty());
  EXPECT_EQ(StoredFingerprint(t.context()), "3e86ca1a4528582e395f5599330df639d097d5903097835472eef6cd0e3de348");
  EXPECT_FALSE(isDirectoryTampered(t.context()));

  ASSERT_TRUE(deleteInstitution(t.context(), a));
  EXPECT_EQ(StoredFingerprint(t.context()), "fca5803f63baa4c763dcaab34ef10d40c450d5d0f7a9acc432f4b1f5d74a0cc7");
  EXPECT_FALSE(isDirectoryTampered(t.context())) << "a deletion through the program keeps the seal";
}

TEST(Directory, ProtectedColumnsAreStoredEncrypted) {
  TestData t;
  const std::string id = addInstitution(t.context(), Fi("Bank A", "https://a.test/ofx"));
  for (const char* column : {"FIName", "FIId", "FIOrg", "FIUrl"}) {
    const std::string stored =
        store::QueryFirstText(t.db(), store::FormatSql("SELECT %s FROM FinancialInstitutions WHERE ID = '%Q'", {column, id}));
    EXPECT_EQ(stored.substr(0, 1), ".") << column;
  }
  const auto fi = LoadInstitution(t.context(), id);
  ASSERT_TRUE(fi);
  EXPECT_EQ(fi->name, "Bank A");
  EXPECT_EQ(fi->url, "https://a.test/ofx");
  EXPECT_EQ(fi->port, 443);
  EXPECT_EQ(fi->ofxVersion, 22);
}

TEST(Directory, EditingUrlOutsideTheProgramIsTamperingButNameIsNot) {
  TestData t;
  const std::string id = addInstitution(t.context(), Fi("Bank A", "https://a.test/ofx"));
  ASSERT_FALSE(addInstitution(t.context(), Fi("Bank B", "https://b.test/ofx")).empty());
  const std::string protectedOther =
      store::QueryFirstText(t.db(), "SELECT FIName FROM FinancialInstitutions WHERE FIName <> '' LIMIT 1 OFFSET 1");
  ASSERT_TRUE(t.db().exec(
      store::FormatSql("UPDATE FinancialInstitutions SET FIName = '%Q' WHERE ID = '%Q'", {protectedOther, id})));
  EXPECT_FALSE(isDirectoryTampered(t.context()));
  ASSERT_TRUE(t.db().exec(store::FormatSql("UPDATE FinancialInstitutions SET FIUrl = 'https://evil.test/' WHERE ID = '%Q'", {id})));
  EXPECT_TRUE(isDirectoryTampered(t.context()));
  ASSERT_TRUE(sealDirectory(t.context()));
  EXPECT_FALSE(isDirectoryTampered(t.context()));
  // Removing the fingerprint row with institutions listed is tampering too.
  ASSERT_TRUE(t.db().exec("DELETE FROM Variables WHERE ID = 'HSFIUL'"));
  EXPECT_TRUE(isDirectoryTampered(t.context()));
}

TEST(Directory, ClearRetiresEveryRowAndDropsTheFingerprint) {
  TestData t;
  ASSERT_FALSE(addInstitution(t.context(), Fi("Bank A", "https://a.test/ofx")).empty());
  ASSERT_TRUE(clearDirectory(t.context()));
  EXPECT_TRUE(ListInstitutions(t.context()).empty());
  EXPECT_EQ(store::QueryFirstText(t.db(), "SELECT COUNT(*) FROM Variables WHERE ID = 'HSFIUL'"), "0");
  EXPECT_FALSE(isDirectoryTampered(t.context()));
}

TEST(InstitutionUrl, CheckFollowsTheFormRule) {
  struct Case {
    const char* url;
    bool valid;
  } cases[] = {
      {"https://ofx.bank.test/cgi/ofx", true},
      {"https://ofx.bank.test", true},
      {"https://ofx.bank.test:8443/ofx?x=1&y=2", true},
      {"ofx.bank.test/ofx", false},
      {"://host/x", false},
      {"https:///x", false},
      {"https://host:/x", false},
      {"https://host:84a3/x", false},
      {"https://host/a b", false},
      {"https://host/a\"b", false},
      {"https://host/a#b", false},
      {"https://host/a%20b", false},
      {"https://host/a{b}", false},
      {"https://host/a\x7f", false},
      {"https://host/a~b", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsValidInstitutionUrl(c.url), c.valid) << c.url;
}

TEST(InstitutionForm, ChecksInOrderWithBalloonsThenAddsSealed) {
  TestData t;
  RecordingPrompter prompter;
  InstitutionForm form;
  form.url = "bad";
  store::Status status = AddInstitutionByHand(t.context(), prompter, form);
  EXPECT_FALSE(status.ok);
  EXPECT_EQ(status.field, "name");
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].kind, "balloon");
  EXPECT_EQ(prompter.shown[0].title, "Name required");
  EXPECT_EQ(prompter.shown[0].text, "Please enter a name for this Financial Institution.");

  form.name = "My Bank";
  status = AddInstitutionByHand(t.context(), prompter, form);
  EXPECT_EQ(status.field, "url");
  EXPECT_EQ(prompter.shown.back().text, "Please enter a valid URL.");
  EXPECT_TRUE(ListInstitutions(t.context()).empty());

  form.url = "https://ofx.mybank.test/ofx";
  form.port = "";
  form.bankId = "021000021";
  std::string key;
  ASSERT_TRUE(AddInstitutionByHand(t.context(), prompter, form, &key).ok);
  const auto fi = LoadInstitution(t.context(), key);
  ASSERT_TRUE(fi);
  EXPECT_EQ(fi->port, 0) << "an empty port reads as 0";
  EXPECT_EQ(fi->bankId, "021000021");
  EXPECT_FALSE(isDirectoryTampered(t.context()));
}

TEST(InstitutionForm, HandEntryNeverSealsATamperedDirectory) {
  TestData t;
  RecordingPrompter prompter;
  ASSERT_FALSE(addInstitution(t.context(), Fi("Bank A", "https://a.test/ofx")).empty());
  ASSERT_TRUE(t.db().exec("UPDATE FinancialInstitutions SET FIUrl = 'https://evil.test/'"));
  InstitutionForm form{"Mine", "", "", "https://mine.test/ofx", "443", ""};
  ASSERT_TRUE(AddInstitutionByHand(t.context(), prompter, form).ok);
  const auto list = ListInstitutions(t.context());
  ASSERT_EQ(list.size(), 1u) << "the changed row is not carried under the new seal";
  EXPECT_EQ(list[0].name, "Mine");
  EXPECT_FALSE(isDirectoryTampered(t.context()));
}

TEST(Directory, ListDeleteAsksForTheRestoreWhenTampered) {
  TestData t;
  RecordingPrompter prompter;
  RecordingProgress progress;
  const std::string a = addInstitution(t.context(), Fi("Bank A", "https://a.test/ofx"));
  const std::string b = addInstitution(t.context(), Fi("Bank B", "https://b.test/ofx"));
  ASSERT_TRUE(DeleteInstitutionsFromList(t.context(), {}, {a}, progress, prompter).ok);
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(ListInstitutions(t.context()).size(), 1u);
  EXPECT_FALSE(isDirectoryTampered(t.context()));

  ASSERT_TRUE(t.db().exec("UPDATE FinancialInstitutions SET FIUrl = 'https://evil.test/' WHERE Deleted = 0"));
  const store::Status declined = DeleteInstitutionsFromList(t.context(), {}, {b}, progress, prompter);
  EXPECT_TRUE(declined.declined);
  EXPECT_EQ(prompter.shown.back().title, "Financial Institution data corrupted");
  EXPECT_EQ(ListInstitutions(t.context()).size(), 1u);
  EXPECT_TRUE(isDirectoryTampered(t.context())) << "a refused delete does not reseal the changed row";
}

TEST(Directory, CopyFromTemplateReplacesRowsByItsRules) {
  TestData t;
  TestData source;
  ASSERT_FALSE(addInstitution(t.context(), Fi("Old", "https://old.test/")).empty());
  ASSERT_FALSE(addInstitution(source.context(), Fi("Kept", "https://kept.test/")).empty());
  Institution old = Fi("Too old", "https://v1.test/");
  old.ofxVersion = 16;
  ASSERT_FALSE(addInstitution(source.context(), old).empty());
  const std::string gone = addInstitution(source.context(), Fi("Deleted", "https://gone.test/"));
  ASSERT_TRUE(deleteInstitution(source.context(), gone));
  // A plain row written before protection, without a version or a port.
  ASSERT_TRUE(source.db().exec("INSERT INTO FinancialInstitutions (ID, FIName, FIId, FIOrg, FIUrl, BankID, Deleted) "
                               "VALUES (900, 'Plain', '7', 'P', 'https://plain.test/', '', 0)"));
  source.context().close();

  ASSERT_TRUE(copyDirectoryFromTemplate(t.context(), source.paths().dataFile()));
  const auto list = ListInstitutions(t.context());
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].name, "Kept");
  EXPECT_EQ(list[1].name, "Plain");
  EXPECT_EQ(list[1].url, "https://plain.test/");
  EXPECT_EQ(list[1].port, 443);
  EXPECT_TRUE(isDirectoryTampered(t.context())) << "the update seals after the copy";
  ASSERT_TRUE(sealDirectory(t.context()));
  EXPECT_FALSE(isDirectoryTampered(t.context()));
  EXPECT_FALSE(copyDirectoryFromTemplate(t.context(), t.paths().dataDir / "missing.vdb"));
}

TEST(InstitutionChoices, ListNamesOrOffersTheDownload) {
  TestData t;
  RecordingPrompter prompter;
  RecordingProgress progress;
  const OnlineSettings settings;
  auto labels = [&] {
    std::vector<std::string> out;
    for (const auto& c : AccountInstitutionChoices(t.context(), settings, progress, prompter).choices) out.push_back(c.label);
    return out;
  };
  EXPECT_EQ(labels(), (std::vector<std::string>{"Select one", "Add new Financial Institution",
                                                "Download Financial Institutions"}));
  const std::string id = addInstitution(t.context(), Fi("Bank A", "https://a.test/ofx"));
  EXPECT_EQ(labels(), (std::vector<std::string>{"Select one", "Add new Financial Institution", "Bank A"}));

  // Tampered and the restore declined: nothing is listed and the form is told.
  ASSERT_TRUE(t.db().exec("UPDATE FinancialInstitutions SET FIUrl = 'https://evil.test/'"));
  const InstitutionChoices withheld = AccountInstitutionChoices(t.context(), settings, progress, prompter);
  EXPECT_TRUE(withheld.directoryWithheld);
  EXPECT_EQ(withheld.choices.size(), 3u);
  EXPECT_EQ(prompter.shown.back().title, "Financial Institution data corrupted");
  EXPECT_EQ(prompter.shown.back().buttons, (std::vector<std::string>{"Restore Financial Institutions", "Cancel"}));

  ChooseInstitutionEntry(t.context(), settings, ChoiceKind::AddNew, progress, prompter);
  EXPECT_TRUE(ListInstitutions(t.context()).empty()) << "adding by hand to a tampered directory clears it first";
  EXPECT_FALSE(isDirectoryTampered(t.context()));
}

// ---- Download from a loopback directory service ----

class DirectoryDownload : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(TestPki::Get().ok()) << "openssl could not make the test certificates"; }

  void Doc(const std::string& name, const std::string& text) { WriteAll(docs_.path() / name, text); }

  void StandardDocs() {
    Doc("list.xml",
        "<?xml version=\"1.0\"?>\n<institutionlist>\n"
        "<institutionid id=\"101\" name=\"First Bank\"/>\n"
        "<institutionid id=\"\" name=\"No id\"/>\n"
        "<institutionid id=\"102\" name=\"Missing Bank\"/>\n"
        "<institutionid id=\"103\" name=\"Third Bank\"/>\n"
        "<other id=\"104\"/>\n"
        "</institutionlist>\n");
    Doc("lookup-101.xml",
        "<institution id=\"101\"><name>First Bank</name><fid>5001</fid><org>FIRST</org>"
        "<url>https://ofx.first.test/ofx</url><ofx>ignored</ofx></institution>");
    Doc("lookup-103.xml", "<institution><name>Third &amp; Co</name><url>https://third.test/</url></institution>");
  }

  OnlineSettings Settings(const TestServer& server) const {
    return OnlineSettings{server.base() + "/", TestPki::Get().caFile().string()};
  }

  TestData t_;
  tallyvane::testing::TempDir docs_;
  RecordingPrompter prompter_;
};

TEST_F(DirectoryDownload, RestoreRetiresHandAddedRowsAndSealsTheDownload) {
  StandardDocs();
  ServerOptions options;
  options.docs = docs_.path();
  TestServer server(options);
  ASSERT_TRUE(server.running());
  ASSERT_FALSE(addInstitution(t_.context(), Fi("By hand", "https://hand.test/")).empty());

  RecordingProgress progress;
  std::vector<std::string> trace;
  const DownloadResult result = restoreDirectory(t_.context(), Settings(server), progress, prompter_,
                                                 [&](std::string_view line) { trace.emplace_back(line); });
  EXPECT_EQ(result, DownloadResult::Done);
  const auto list = ListInstitutions(t_.context());
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].name, "First Bank");
  EXPECT_EQ(list[0].fid, "5001");
  EXPECT_EQ(list[0].org, "FIRST");
  EXPECT_EQ(list[0].url, "https://ofx.first.test/ofx");
  EXPECT_EQ(list[0].port, 443);
  EXPECT_EQ(list[1].name, "Third & Co");
  EXPECT_EQ(list[1].fid, "");
  EXPECT_FALSE(isDirectoryTampered(t_.context()));
  EXPECT_TRUE(prompter_.shown.empty());

  EXPECT_EQ(progress.titles, (std::vector<std::string>{"Download and Import Financial Institution Data",
                                                       "Downloading data for institution:"}));
  EXPECT_EQ(progress.texts, (std::vector<std::string>{"Downloading financial institution list...",
                                                      "Parsing financial institution list...", "First Bank",
                                                      "Missing Bank", "Third Bank"}));
  EXPECT_EQ(progress.fractions.back(), (std::pair<long long, long long>{3, 3}));
  EXPECT_EQ(trace, (std::vector<std::string>{"Institution id 101 -- Parsing data...",
                                             "Institution id 101 -- Importing data...",
                                             "Institution id 103 -- Parsing data...",
                                             "Institution id 103 -- Importing data..."}));
  EXPECT_FALSE(std::filesystem::exists(t_.paths().dataDir / "FIList.xml"));
  EXPECT_FALSE(std::filesystem::exists(t_.paths().dataDir / "FIData.xml"));
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_TRUE(requests[0].starts_with("GET /api.php?all=yes HTTP/1.1\r\n")) << requests[0];
  EXPECT_TRUE(requests[2].starts_with("GET /api.php?lookup=102 HTTP/1.1\r\n")) << requests[2];
}

TEST_F(DirectoryDownload, CancelHalfWayKeepsTheRowsFetchedSoFarSealed) {
  StandardDocs();
  ServerOptions options;
  options.docs = docs_.path();
  TestServer server(options);
  ASSERT_TRUE(server.running());
  // Cancel once the second institution's name was shown, before the third.
  RecordingProgress progress(4);
  EXPECT_EQ(restoreDirectory(t_.context(), Settings(server), progress, prompter_), DownloadResult::Cancelled);
  const auto list = ListInstitutions(t_.context());
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, "First Bank");
  EXPECT_FALSE(isDirectoryTampered(t_.context()));
}

TEST_F(DirectoryDownload, FailuresAreReportedInWords) {
  struct Case {
    const char* name;
    const char* list;  // nullptr: no list document at all
    std::string message;
  } cases[] = {
      {"no list", nullptr, "Financial institution list could not be downloaded."},
      {"broken xml", "<institutionlist><institutionid id=\"1\"></institutionlist>", "XML Parsing Error in list: "},
      {"no institutionlist", "<?xml version=\"1.0\"?><list><institutionid id=\"1\"/></list>",
       "Could not find institutionlist element."},
  };
  for (const Case& c : cases) {
    tallyvane::testing::TempDir docs;
    if (c.list != nullptr) WriteAll(docs.path() / "list.xml", c.list);
    ServerOptions options;
    options.docs = docs.path();
    TestServer server(options);
    ASSERT_TRUE(server.running());
    RecordingPrompter prompter;
    RecordingProgress progress;
    EXPECT_EQ(downloadDirectory(t_.context(), Settings(server), progress, prompter), DownloadResult::Failed) << c.name;
    ASSERT_EQ(prompter.shown.size(), 1u) << c.name;
    EXPECT_TRUE(prompter.shown[0].text.starts_with(c.message)) << c.name << ": " << prompter.shown[0].text;
    EXPECT_FALSE(std::filesystem::exists(t_.paths().dataDir / "FIList.xml")) << c.name;
  }
}

TEST_F(DirectoryDownload, CertificateRefusalIsAFailedDownloadThatSaysWhy) {
  StandardDocs();
  const struct {
    const char* cert;
    std::string_view reason;
  } cases[] = {
      {"untrusted", kCertificateUntrusted},
      {"expired", kCertificateExpired},
      {"wronghost", kCertificateWrongHost},
  };
  for (const auto& c : cases) {
    ServerOptions options;
    options.docs = docs_.path();
    options.cert = c.cert;
    TestServer server(options);
    ASSERT_TRUE(server.running());
    RecordingPrompter prompter;
    RecordingProgress progress;
    EXPECT_EQ(downloadDirectory(t_.context(), Settings(server), progress, prompter), DownloadResult::Failed) << c.cert;
    EXPECT_TRUE(server.requests().empty()) << c.cert;
    ASSERT_EQ(prompter.shown.size(), 1u) << c.cert;
    EXPECT_EQ(prompter.shown[0].text, "Financial institution list could not be downloaded.\n\n" + std::string(c.reason))
        << c.cert;
  }
}

TEST_F(DirectoryDownload, OfferRestoreRunsTheRestoreOnlyWhenAsked) {
  StandardDocs();
  ServerOptions options;
  options.docs = docs_.path();
  TestServer server(options);
  ASSERT_TRUE(server.running());
  ASSERT_FALSE(addInstitution(t_.context(), Fi("By hand", "https://hand.test/")).empty());
  ASSERT_TRUE(t_.db().exec("UPDATE FinancialInstitutions SET FIUrl = 'https://evil.test/'"));
  RecordingProgress progress;
  EXPECT_FALSE(CheckDirectoryIntegrity(t_.context(), Settings(server), progress, prompter_));
  EXPECT_TRUE(isDirectoryTampered(t_.context())) << "Cancel leaves everything unchanged";
  prompter_.answer("Restore Financial Institutions");
  EXPECT_TRUE(CheckDirectoryIntegrity(t_.context(), Settings(server), progress, prompter_));
  EXPECT_FALSE(isDirectoryTampered(t_.context()));
  EXPECT_EQ(ListInstitutions(t_.context()).size(), 2u);
}

}  // namespace
}  // namespace tallyvane::online
