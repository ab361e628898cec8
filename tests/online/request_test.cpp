// The request text, the URL split, the period asked for and the sign-on
// error texts.
#include <gtest/gtest.h>

#include "online/ofx_request.h"
#include "online/retrieve.h"
#include "store/dates.h"
#include "support/test_support.h"

namespace tallyvane::online {
namespace {

using tallyvane::testing::ScopedTimeZone;

TEST(ServerUrl, SplitsHostAndPathAsTheRequestNeedsThem) {
  struct Case {
    const char* url;
    const char* host;
    const char* path;
    int port;
  } cases[] = {
      {"https://ofx.bank.test/cgi/ofx", "ofx.bank.test", "/cgi/ofx", 443},
      {"https://127.0.0.1:8443/ofx", "127.0.0.1:8443", "/ofx", 8443},
      {"https://ofx.bank.test", "ofx.bank.test", "", 443},
      {"ofx.bank.test/path", "ofx.bank.test", "/path", 443},
      {"https://host/a//b", "host", "/a//b", 443},
      {"https://host:/x", "host:", "/x", 0},
      {"https://host:99999/x", "host:99999", "/x", 0},
  };
  for (const Case& c : cases) {
    const UrlParts parts = SplitServerUrl(c.url);
    EXPECT_EQ(parts.host, c.host) << c.url;
    EXPECT_EQ(parts.path, c.path) << c.url;
    EXPECT_EQ(HostPort(parts.host), c.port) << c.url;
  }
  EXPECT_EQ(HostName("127.0.0.1:8443"), "127.0.0.1");
}

OfxRequestData SampleRequest() {
  OfxRequestData data;
  data.fid = "1234";
  data.org = "BANKORG";
  data.userId = "jdoe";
  data.password = "s3cret";
  data.host = "ofx.bank.test";
  data.path = "/cgi/ofx";
  data.bankId = "021000021";
  data.accountId = "987654";
  data.start = "20260115000000";
  data.end = "20260315123456";
  data.clientTime = store::DateTextToTime("2026-03-15", "12:34:56");
  return data;
}

constexpr const char* kSignOn =
    "OFXHEADER:100\r\nDATA:OFXSGML\r\nVERSION:102\r\nSECURITY:NONE\r\nENCODING:USASCII\r\nCHARSET:1252\r\n"
    "COMPRESSION:NONE\r\nOLDFILEUID:NONE\r\nNEWFILEUID:NONE\r\n\r\n"
    "<OFX>\r\n<SIGNONMSGSRQV1>\r\n<SONRQ>\r\n<DTCLIENT>20260315123456.000[-7:MST]\r\n<USERID>jdoe\r\n"
    "<USERPASS>s3cret\r\n<LANGUAGE>ENG\r\n<FI>\r\n<ORG>BANKORG\r\n<FID>1234\r\n</FI>\r\n<APPID>QWIN\r\n"
    "<APPVER>2300\r\n</SONRQ>\r\n</SIGNONMSGSRQV1>\r\n";

std::string Http(const std::string& host, const std::string& body) {
  return "POST /cgi/ofx HTTP/1.1\r\nHost: " + host +
         "\r\nUser-Agent: Quicken 2008 17.00\r\nContent-Type: application/x-ofx\r\n"
         "Accept: */*, application/x-ofx\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST(RequestText, BankRequestIsExact) {
  ScopedTimeZone zone("America/Denver");
  const std::string body = std::string(kSignOn) +
                           "<BANKMSGSRQV1>\r\n<STMTTRNRQ>\r\n<TRNUID>10002\r\n<STMTRQ>\r\n<BANKACCTFROM>\r\n"
                           "<BANKID>021000021<ACCTID>987654\r\n<ACCTTYPE>CHECKING\r\n</BANKACCTFROM>\r\n<INCTRAN>\r\n"
                           "<DTSTART>20260115000000\r\n<DTEND>20260315123456\r\n<INCLUDE>Y\r\n</INCTRAN>\r\n"
                           "</STMTRQ>\r\n</STMTTRNRQ>\r\n</BANKMSGSRQV1>\r\n</OFX>\r\n";
  EXPECT_EQ(buildBankRequest(SampleRequest()), Http("ofx.bank.test:443", body));
}

TEST(RequestText, CreditCardRequestHasNoTransactionUid) {
  ScopedTimeZone zone("Europe/Berlin");
  const std::string body = std::string(kSignOn) +
                           "<CREDITCARDMSGSRQV1>\r\n<CCSTMTTRNRQ>\r\n<CCSTMTRQ>\r\n<CCACCTFROM>\r\n<ACCTID>987654\r\n"
                           "</CCACCTFROM>\r\n<INCTRAN>\r\n<DTSTART>20260115000000\r\n<DTEND>20260315123456\r\n"
                           "<INCLUDE>Y\r\n</INCTRAN>\r\n</CCSTMTRQ>\r\n</CCSTMTTRNRQ>\r\n</CREDITCARDMSGSRQV1>\r\n"
                           "</OFX>\r\n";
  EXPECT_EQ(buildCreditCardRequest(SampleRequest()), Http("ofx.bank.test:443", body));
}

TEST(RequestText, HostHeaderKeepsTheUrlsOwnPort) {
  OfxRequestData data = SampleRequest();
  data.host = "127.0.0.1:8443";
  const std::string text = buildBankRequest(data);
  EXPECT_NE(text.find("\r\nHost: 127.0.0.1:8443\r\n"), std::string::npos);
  EXPECT_EQ(text.find(":8443:443"), std::string::npos);
}

TEST(RequestText, ValuesAreCutTo259Characters) {
  OfxRequestData data = SampleRequest();
  data.userId = std::string(300, 'u');
  const std::string text = buildBankRequest(data);
  EXPECT_NE(text.find("<USERID>" + std::string(259, 'u') + "\r\n"), std::string::npos);
}

TEST(RetrievalPeriod, EmptyLastRetrievedAsksForTwoCalendarMonths) {
  ScopedTimeZone zone("America/New_York");
  struct Case {
    const char* now;
    const char* start;
  } cases[] = {
      {"2026-12-31", "2026-10-31"},
      {"2026-04-30", "2026-02-28"},
      {"2028-04-30", "2028-02-29"},
      {"2026-01-15", "2025-11-15"},
      {"2026-03-31", "2026-01-31"},
  };
  for (const Case& c : cases) {
    const std::time_t now = store::DateTextToTime(c.now, "14:05:06");
    const std::time_t start = RetrievalStart(now, "");
    EXPECT_EQ(store::DateText(start), c.start) << c.now;
    EXPECT_EQ(store::TimeToDateText(start).time, "14:05:06") << c.now;
  }
}

TEST(RetrievalPeriod, LastRetrievedStartsAtMidnight) {
  ScopedTimeZone zone("Asia/Tokyo");
  const std::time_t now = store::DateTextToTime("2026-03-15", "09:00:00");
  EXPECT_EQ(OfxRequestTime(RetrievalStart(now, "2026-02-20")), "20260220000000");
}

TEST(SignOnErrors, ServerMessageWinsOverTheFixedText) {
  const std::string lead = "Your financial institution returned an error upon attempting to connect:\n ";
  struct Case {
    int code;
    const char* message;
    std::string text;
  } cases[] = {
      {15000, "", lead + "Must change USERPASS (INFO)\nContact your financial institution to change your password."},
      {15500, "",
       lead + "Signon invalid (ERROR)\nYour sign on information is invalid.  Check your routing number, account "
              "number, user ID and password under the account information dialog."},
      {15500, "Bad PIN", lead + "Bad PIN"},
      {15501, "", lead + "Customer account already in use (ERROR)"},
      {15502, "",
       lead + "USERPASS Lockout (ERROR)\nContact your financial institution regarding the status of your account."},
      {2000, "",
       "Your financial institution returned an error upon attempting to connect.\nContact your financial "
       "institution for more information."},
      {2000, "Try later", lead + "Try later"},
  };
  for (const Case& c : cases) EXPECT_EQ(SignOnErrorText(c.code, c.message), c.text) << c.code << c.message;
}

}  // namespace
}  // namespace tallyvane::online
