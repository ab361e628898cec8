// Online retrieval end to end against the loopback HTTPS server: the request
// the server receives, the three exchange results, the sign-on errors, the
// set-up questions and the hand-over to the import review.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>

#include "import/import_review.h"
#include "online/directory.h"
#include "online/http_fetch.h"
#include "online/online_fixture.h"
#include "online/retrieve.h"
#include "store/dates.h"
#include "store/record.h"
#include "store/secure.h"

namespace tallyvane::online {
namespace {

using online::testing::CancellingProgress;
using online::testing::RecordingProgress;
using online::testing::ServerOptions;
using online::testing::TestPki;
using online::testing::TestServer;
using tallyvane::testing::FixedClock;
using tallyvane::testing::RecordingPrompter;
using tallyvane::testing::ScopedTimeZone;
using tallyvane::testing::TestData;

constexpr ledger::AccountKey kChecking = 1;
constexpr ledger::AccountKey kCreditCard = 3;
constexpr const char* kPassword = "pa55-Word";

std::string Transaction(const char* date, const char* amount, const char* fitId, const char* name) {
  return std::string("<STMTTRN><TRNTYPE>OTHER<DTPOSTED>") + date + "<TRNAMT>" + amount + "<FITID>" + fitId + "<NAME>" +
         name + "</STMTTRN>\r\n";
}

// An SGML statement response with the given sign-on status.
std::string OfxResponse(const std::string& status, const std::string& transactions) {
  return "OFXHEADER:100\r\nDATA:OFXSGML\r\nVERSION:102\r\n\r\n<OFX>\r\n<SIGNONMSGSRSV1><SONRS><STATUS>" + status +
         "</STATUS><DTSERVER>20261210120000<LANGUAGE>ENG</SONRS></SIGNONMSGSRSV1>\r\n"
         "<BANKMSGSRSV1><STMTTRNRS><TRNUID>10002<STATUS><CODE>0<SEVERITY>INFO</STATUS><STMTRS><CURDEF>USD"
         "<BANKTRANLIST><DTSTART>20261001<DTEND>20261210\r\n" +
         transactions + "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1>\r\n</OFX>\r\n";
}

std::string OkResponse() {
  return OfxResponse("<CODE>0<SEVERITY>INFO",
                     Transaction("20261201", "-12.50", "A1", "Corner Shop") + Transaction("20261203", "100.00", "A2", "Salary"));
}

class Retrieval : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(TestPki::Get().ok()) << "openssl could not make the test certificates";
    t_.context().setClock(clock_);
  }

  // Points both accounts at an institution on the server with full set-up.
  void SetUpAccounts(const std::string& url, const std::string& password = kPassword) {
    Institution fi;
    fi.name = "Loopback Bank";
    fi.fid = "4321";
    fi.org = "LOOP";
    fi.url = url;
    institution_ = addInstitution(t_.context(), fi);
    ASSERT_FALSE(institution_.empty());
    for (ledger::AccountKey account : {kChecking, kCreditCard}) {
      store::AccountSecrets secrets{institution_, "021000021", "55501234", "jdoe", password};
      ASSERT_TRUE(store::writeAccountSecrets(t_.db(), std::to_string(account), secrets));
    }
  }

  RetrievalPorts Ports(store::Progress& progress) {
    RetrievalPorts ports{prompter_, progress, {}, {}, {}};
    ports.askPassword = [this](std::string_view title, std::string_view label) -> std::optional<std::string> {
      passwordPrompts_.push_back(std::string(title) + "|" + std::string(label));
      if (typedPasswords_.empty()) return std::nullopt;
      std::string typed = typedPasswords_.front();
      typedPasswords_.erase(typedPasswords_.begin());
      return typed;
    };
    ports.openReview = [this](std::string_view statement) { reviewed_.emplace_back(statement); };
    ports.exchange.caFile = TestPki::Get().caFile().string();
    return ports;
  }

  RetrieveOutcome Retrieve(ledger::AccountKey account = kChecking) {
    RecordingProgress progress;
    RetrievalPorts ports = Ports(progress);
    return RunRetrieval(t_.context(), account, ports);
  }

  std::string LastRetrieved(ledger::AccountKey account) {
    return store::QueryFirstText(t_.db(), "SELECT LastRetrieved FROM Accounts WHERE ID = " + std::to_string(account));
  }

  ScopedTimeZone zone_{"America/Chicago"};
  FixedClock clock_{store::DateTextToTime("2026-12-10", "08:30:00")};
  TestData t_;
  RecordingPrompter prompter_;
  std::string institution_;
  std::vector<std::string> typedPasswords_;
  std::vector<std::string> passwordPrompts_;
  std::vector<std::string> reviewed_;
};

std::string Body(const std::string& request) { return request.substr(request.find("\r\n\r\n") + 4); }

TEST_F(Retrieval, ServerReceivesTheExactBankRequest) {
  ServerOptions options;
  options.response = OkResponse();
  TestServer server(options);
  ASSERT_TRUE(server.running());
  SetUpAccounts(server.base() + "/cgi/ofx");

  EXPECT_EQ(Retrieve(kChecking), RetrieveOutcome::Reviewed);
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  const std::string& got = requests[0];

  OfxRequestData expected;
  expected.fid = "4321";
  expected.org = "LOOP";
  expected.userId = "jdoe";
  expected.password = kPassword;
  expected.host = "127.0.0.1:" + std::to_string(server.port());
  expected.path = "/cgi/ofx";
  expected.bankId = "021000021";
  expected.accountId = "55501234";
  expected.start = "20261010083000";  // two months back, same time of day
  expected.end = "20261210083000";
  expected.clientTime = clock_.now();
  const std::string wanted = buildBankRequest(expected);
  EXPECT_EQ(Body(got), Body(wanted));
  EXPECT_TRUE(got.starts_with("POST /cgi/ofx HTTP/1.1\r\n")) << got;
  for (const std::string& header :
       {"Host: 127.0.0.1:" + std::to_string(server.port()), std::string("User-Agent: Quicken 2008 17.00"),
        std::string("Content-Type: application/x-ofx"), std::string("Accept: */*, application/x-ofx"),
        "Content-Length: " + std::to_string(Body(wanted).size())}) {
    EXPECT_NE(got.find("\r\n" + header + "\r\n"), std::string::npos) << header << " in\n" << got.substr(0, got.find("\r\n\r\n"));
  }
  ASSERT_EQ(reviewed_.size(), 1u);
  EXPECT_EQ(reviewed_[0], OkResponse());
  EXPECT_TRUE(passwordPrompts_.empty());
}

TEST_F(Retrieval, CreditCardAccountSendsTheCardRequestFromLastRetrieved) {
  ServerOptions options;
  options.response = OkResponse();
  TestServer server(options);
  ASSERT_TRUE(server.running());
  SetUpAccounts(server.base() + "/ofx");
  ASSERT_TRUE(t_.db().exec("UPDATE Accounts SET LastRetrieved = '2026-11-20' WHERE ID = 3"));

  EXPECT_EQ(Retrieve(kCreditCard), RetrieveOutcome::Reviewed);
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  const std::string body = Body(requests[0]);
  EXPECT_NE(body.find("<CREDITCARDMSGSRQV1>\r\n<CCSTMTTRNRQ>\r\n<CCSTMTRQ>\r\n<CCACCTFROM>\r\n<ACCTID>55501234\r\n"),
            std::string::npos)
      << body;
  EXPECT_EQ(body.find("TRNUID"), std::string::npos);
  EXPECT_EQ(body.find("BANKID"), std::string::npos);
  EXPECT_NE(body.find("<DTSTART>20261120000000\r\n"), std::string::npos);
}

TEST_F(Retrieval, SignOnCodesBecomeMessagesAndNothingIsReviewed) {
  const std::string lead = "Your financial institution returned an error upon attempting to connect:\n ";
  struct Case {
    std::string status;
    std::string text;  // empty: reviewed, no message
  } cases[] = {
      {"<CODE>0<SEVERITY>INFO", ""},
      {"<CODE>15000<SEVERITY>INFO",
       lead + "Must change USERPASS (INFO)\nContact your financial institution to change your password."},
      {"<CODE>15500<SEVERITY>ERROR",
       lead + "Signon invalid (ERROR)\nYour sign on information is invalid.  Check your routing number, account "
              "number, user ID and password under the account information dialog."},
      {"<CODE>15500<SEVERITY>ERROR<MESSAGE>Invalid PIN, 2 tries left", lead + "Invalid PIN, 2 tries left"},
      {"<CODE>15501<SEVERITY>ERROR", lead + "Customer account already in use (ERROR)"},
      {"<CODE>15502<SEVERITY>ERROR",
       lead + "USERPASS Lockout (ERROR)\nContact your financial institution regarding the status of your account."},
      {"<CODE>2000<SEVERITY>ERROR",
       "Your financial institution returned an error upon attempting to connect.\nContact your financial "
       "institution for more information."},
  };
  for (const Case& c : cases) {
    ServerOptions options;
    options.response = OfxResponse(c.status, Transaction("20261201", "-1.00", "X", "Shop"));
    TestServer server(options);
    ASSERT_TRUE(server.running());
    ASSERT_TRUE(clearDirectory(t_.context()));
    SetUpAccounts(server.base() + "/ofx");
    prompter_.shown.clear();
    reviewed_.clear();
    const RetrieveOutcome outcome = Retrieve();
    if (c.text.empty()) {
      EXPECT_EQ(outcome, RetrieveOutcome::Reviewed) << c.status;
      EXPECT_EQ(reviewed_.size(), 1u);
      EXPECT_TRUE(prompter_.shown.empty());
      continue;
    }
    EXPECT_EQ(outcome, RetrieveOutcome::SignOnError) << c.status;
    EXPECT_TRUE(reviewed_.empty()) << c.status;
    ASSERT_EQ(prompter_.shown.size(), 1u) << c.status;
    EXPECT_EQ(prompter_.shown[0].kind, "message");
    EXPECT_EQ(prompter_.shown[0].title, "Financial institution is not working properly");
    EXPECT_EQ(prompter_.shown[0].text, c.text) << c.status;
    EXPECT_EQ(LastRetrieved(kChecking), "");
  }
}

TEST_F(Retrieval, StatusLineIsNotExaminedButALengthIsRequired) {
  {
    ServerOptions options;
    options.response = OkResponse();
    options.status = 500;
    TestServer server(options);
    ASSERT_TRUE(server.running());
    SetUpAccounts(server.base() + "/ofx");
    EXPECT_EQ(Retrieve(), RetrieveOutcome::Reviewed) << "HTTP 500 with an OFX body";
  }
  ServerOptions options;
  options.response = OkResponse();
  options.noLength = true;
  TestServer server(options);
  ASSERT_TRUE(server.running());
  ASSERT_TRUE(t_.db().exec("DELETE FROM FinancialInstitutions"));
  SetUpAccounts(server.base() + "/ofx");
  reviewed_.clear();
  EXPECT_EQ(Retrieve(), RetrieveOutcome::Failed);
  EXPECT_TRUE(reviewed_.empty());
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].title, "Financial institution is not working properly");
  EXPECT_EQ(prompter_.shown[0].text,
            "Your financial institution information is not working properly at this time.  Would you like to edit "
            "this now?");
  EXPECT_EQ(prompter_.shown[0].buttons, (std::vector<std::string>{"Yes", "No"}));
  prompter_.answer("Yes");
  EXPECT_EQ(Retrieve(), RetrieveOutcome::EditSetup);
}

TEST_F(Retrieval, UntrustedExpiredOrWrongHostCertificateSendsNothingAndSaysWhy) {
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
    options.cert = c.cert;
    options.response = OkResponse();
    TestServer server(options);
    ASSERT_TRUE(server.running());
    std::string request = "POST /ofx HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                          "\r\nContent-Type: application/x-ofx\r\nContent-Length: 4\r\n\r\nBODY";
    RecordingProgress progress;
    ExchangeResponse response;
    ExchangeOptions exchange;
    exchange.caFile = TestPki::Get().caFile().string();
    EXPECT_EQ(exchangeOfx(request, progress, response, exchange), ExchangeResult::Failed) << c.cert;
    EXPECT_EQ(response.refusal, c.reason) << c.cert;
    EXPECT_TRUE(server.requests().empty()) << c.cert;

    // The retrieval's question keeps its stated text first, the reason after.
    ASSERT_TRUE(t_.db().exec("DELETE FROM FinancialInstitutions"));
    SetUpAccounts(server.base() + "/ofx");
    prompter_.shown.clear();
    EXPECT_EQ(Retrieve(), RetrieveOutcome::Failed) << c.cert;
    ASSERT_EQ(prompter_.shown.size(), 1u) << c.cert;
    EXPECT_EQ(prompter_.shown[0].title, "Financial institution is not working properly");
    EXPECT_EQ(prompter_.shown[0].text,
              "Your financial institution information is not working properly at this time.  Would you like to "
              "edit this now?\n\n" +
                  std::string(c.reason))
        << c.cert;
    EXPECT_TRUE(server.requests().empty()) << c.cert;
  }
}

TEST_F(Retrieval, SlowServerEndsAtItsLimitAndCancelEndsAtOnce) {
  struct Case {
    const char* name;
    double headerDelay;
    bool bodyStall;
    bool cancel;
    ExchangeResult result;
  } cases[] = {
      {"header too slow", 8, false, false, ExchangeResult::Failed},
      {"body stalls", 0, true, false, ExchangeResult::Failed},
      {"cancelled while waiting", 8, false, true, ExchangeResult::Cancelled},
  };
  for (const Case& c : cases) {
    ServerOptions options;
    options.response = OkResponse();
    options.headerDelay = c.headerDelay;
    options.bodyStall = c.bodyStall;
    TestServer server(options);
    ASSERT_TRUE(server.running());
    const std::string request = "POST /ofx HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                                "\r\nContent-Length: 4\r\n\r\nBODY";
    CancellingProgress progress(c.cancel ? std::chrono::milliseconds(600) : std::chrono::hours(1));
    ExchangeOptions exchange;
    exchange.caFile = TestPki::Get().caFile().string();
    exchange.limits.headerLineMs = c.cancel ? 20000 : 800;
    exchange.limits.bodyPieceMs = 800;
    ExchangeResponse response;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(exchangeOfx(request, progress, response, exchange), c.result) << c.name;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(6)) << c.name;
    EXPECT_EQ(server.requests().size(), 1u) << c.name;
  }
}

// A window showing the exchange's progress handles its events when it is
// asked for the cancel request: that must happen every few milliseconds
// while the server keeps the answer back, not once a second.
TEST_F(Retrieval, TheCancelRequestIsAskedForOftenWhileTheServerWaits) {
  class TimingProgress final : public store::Progress {
   public:
    void setTitle(std::string_view) override {}
    void setText(std::string_view) override {}
    void setFraction(long long, long long) override {}
    [[nodiscard]] bool cancelRequested() const override {
      const auto now = std::chrono::steady_clock::now();
      if (last_) largestGap_ = std::max(largestGap_, now - *last_);
      last_ = now;
      return now - started_ > std::chrono::milliseconds(1500);
    }
    std::chrono::steady_clock::duration largestGap() const { return largestGap_; }

   private:
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    mutable std::optional<std::chrono::steady_clock::time_point> last_;
    mutable std::chrono::steady_clock::duration largestGap_{};
  };
  ServerOptions options;
  options.response = OkResponse();
  options.headerDelay = 8;
  TestServer server(options);
  ASSERT_TRUE(server.running());
  const std::string request = "POST /ofx HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                              "\r\nContent-Length: 4\r\n\r\nBODY";
  TimingProgress progress;
  ExchangeOptions exchange;
  exchange.caFile = TestPki::Get().caFile().string();
  ExchangeResponse response;
  EXPECT_EQ(exchangeOfx(request, progress, response, exchange), ExchangeResult::Cancelled);
  EXPECT_LT(progress.largestGap(), std::chrono::milliseconds(250));
}

TEST_F(Retrieval, EmptyStatementReachesTheReviewsMessage) {
  ServerOptions options;
  options.response = OfxResponse("<CODE>0<SEVERITY>INFO", "");
  TestServer server(options);
  ASSERT_TRUE(server.running());
  SetUpAccounts(server.base() + "/ofx");
  RecordingProgress progress;
  RetrievalPorts ports = Ports(progress);
  std::size_t rows = 99;
  ports.openReview = [&](std::string_view statement) {
    rows = import::ImportReview::Open(t_.context(), kChecking, statement, prompter_).rows().size();
  };
  EXPECT_EQ(RunRetrieval(t_.context(), kChecking, ports), RetrieveOutcome::Reviewed);
  EXPECT_EQ(rows, 0u);
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].title, import::kNoTransactionsTitle);
  EXPECT_EQ(prompter_.shown[0].text, import::kNoTransactionsMessage);
  EXPECT_EQ(LastRetrieved(kChecking), "");
}

TEST_F(Retrieval, ReviewCommitSetsLastRetrieved) {
  ServerOptions options;
  options.response = OkResponse();
  TestServer server(options);
  ASSERT_TRUE(server.running());
  SetUpAccounts(server.base() + "/ofx");
  RecordingProgress progress;
  RetrievalPorts ports = Ports(progress);
  ports.openReview = [&](std::string_view statement) {
    import::ImportReview review = import::ImportReview::Open(t_.context(), kChecking, statement, prompter_);
    EXPECT_EQ(review.rows().size(), 2u);
    store::NullProgress quiet;
    EXPECT_TRUE(review.commit(quiet, prompter_).ok);
  };
  EXPECT_EQ(RunRetrieval(t_.context(), kChecking, ports), RetrieveOutcome::Reviewed);
  EXPECT_EQ(LastRetrieved(kChecking), "2026-12-10");
  EXPECT_EQ(progress.titles.front(), "Retrieve Transactions");
  EXPECT_EQ(progress.texts.front(), "Retrieving transactions");
}

TEST_F(Retrieval, SetUpQuestionsComeInOrder) {
  const std::string tail = " information has not been properly set up for this account.  Would you like to set this up now?";
  SetUpAccounts("https://127.0.0.1:1/ofx");
  struct Case {
    store::AccountSecrets secrets;
    std::string text;
  } cases[] = {
      {{"0", "r", "n", "u", "p"},
       "Financial institution information has not been properly set up for this account.  Would you like to set "
       "this up now?"},
      {{"999", "r", "n", "u", "p"},
       "Financial institution information has not been properly set up for this account.  Would you like to set "
       "this up now?"},
      {{institution_, "", "", "", "p"}, "User ID" + tail},
      {{institution_, "", "", "u", "p"}, "Account Number" + tail},
      {{institution_, "", "n", "u", "p"}, "Routing Number" + tail},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(store::writeAccountSecrets(t_.db(), "3", c.secrets));
    prompter_.shown.clear();
    EXPECT_EQ(Retrieve(kCreditCard), RetrieveOutcome::Declined) << c.text;
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].title, "Financial institution needs to be set up");
    EXPECT_EQ(prompter_.shown[0].text, c.text);
    EXPECT_EQ(prompter_.shown[0].buttons, (std::vector<std::string>{"Set Up Now", "No"}));
    prompter_.answer("Set Up Now");
    EXPECT_EQ(Retrieve(kCreditCard), RetrieveOutcome::EditSetup) << c.text;
  }
}

TEST_F(Retrieval, PasswordIsAskedEachTimeAndNeverStored) {
  ServerOptions options;
  options.response = OkResponse();
  TestServer server(options);
  ASSERT_TRUE(server.running());
  SetUpAccounts(server.base() + "/ofx", "");

  EXPECT_EQ(Retrieve(), RetrieveOutcome::Declined) << "prompt cancelled";
  EXPECT_EQ(passwordPrompts_, (std::vector<std::string>{"Retrieve Transactions|Enter the password to access your bank account:"}));
  EXPECT_TRUE(server.requests().empty());

  typedPasswords_ = {"", "typed-secret"};
  EXPECT_EQ(Retrieve(), RetrieveOutcome::Reviewed);
  EXPECT_EQ(passwordPrompts_.size(), 3u) << "an empty answer asks again";
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_NE(server.requests()[0].find("<USERPASS>typed-secret\r\n"), std::string::npos);
  EXPECT_EQ(store::readAccountSecrets(t_.db(), "1").values.password, "");

  typedPasswords_ = {"again"};
  EXPECT_EQ(Retrieve(), RetrieveOutcome::Reviewed);
  EXPECT_EQ(passwordPrompts_.size(), 4u);
}

TEST_F(Retrieval, StartChecksTheDirectoryFirst) {
  ServerOptions options;
  options.response = OkResponse();
  TestServer server(options);
  ASSERT_TRUE(server.running());
  SetUpAccounts(server.base() + "/ofx");
  t_.settings().writeInt("Settings", "BubbleTipImportCount", 3);
  ASSERT_TRUE(t_.db().exec("UPDATE Variables SET Value = 'x' WHERE ID = 'HSFIUL'"));
  RecordingProgress progress;
  RetrievalPorts ports = Ports(progress);
  int edits = 0;
  EXPECT_EQ(StartRetrieval(t_.context(), t_.settings(), kChecking, ports, [&] { return ++edits > 0; }),
            RetrieveOutcome::Declined);
  EXPECT_EQ(t_.settings().readInt("Settings", "BubbleTipImportCount", -1), 0);
  EXPECT_EQ(prompter_.shown.back().title, "Financial Institution data corrupted");
  EXPECT_TRUE(server.requests().empty());

  // Sealed again: the set-up question loops through the account form.
  ASSERT_TRUE(sealDirectory(t_.context()));
  ASSERT_TRUE(store::writeAccountSecrets(t_.db(), "1", {institution_, "021000021", "55501234", "", kPassword}));
  prompter_.answer("Set Up Now");
  EXPECT_EQ(StartRetrieval(t_.context(), t_.settings(), kChecking, ports, [&] {
              ++edits;
              return store::writeAccountSecrets(t_.db(), "1", {institution_, "021000021", "55501234", "jdoe", kPassword});
            }),
            RetrieveOutcome::Reviewed);
  EXPECT_EQ(edits, 1);
  EXPECT_EQ(server.requests().size(), 1u);
}

}  // namespace
}  // namespace tallyvane::online
