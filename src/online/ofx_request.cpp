#include "online/ofx_request.h"

#include <cstdio>

#include "store/text.h"

namespace tallyvane::online {

namespace {

constexpr std::string_view kCrLf = "\r\n";

// Request values are narrow texts of at most 259 characters.
std::string Field(std::string_view value) { return store::CutChars(value); }

void Line(std::string& out, std::string_view text) {
  out.append(text);
  out.append(kCrLf);
}

void Line(std::string& out, std::string_view tag, std::string_view value) {
  out.append(tag);
  out.append(Field(value));
  out.append(kCrLf);
}

void HeaderAndSignOn(std::string& out, const OfxRequestData& data) {
  for (std::string_view line : {"OFXHEADER:100", "DATA:OFXSGML", "VERSION:102", "SECURITY:NONE", "ENCODING:USASCII",
                                "CHARSET:1252", "COMPRESSION:NONE", "OLDFILEUID:NONE", "NEWFILEUID:NONE", ""}) {
    Line(out, line);
  }
  Line(out, "<OFX>");
  Line(out, "<SIGNONMSGSRQV1>");
  Line(out, "<SONRQ>");
  // The zone part is a constant whatever the machine's zone.
  Line(out, "<DTCLIENT>", OfxRequestTime(data.clientTime) + ".000[-7:MST]");
  Line(out, "<USERID>", data.userId);
  Line(out, "<USERPASS>", data.password);
  Line(out, "<LANGUAGE>", data.language);
  Line(out, "<FI>");
  Line(out, "<ORG>", data.org);
  Line(out, "<FID>", data.fid);
  Line(out, "</FI>");
  Line(out, "<APPID>", data.appId);
  Line(out, "<APPVER>", data.appVersion);
  Line(out, "</SONRQ>");
  Line(out, "</SIGNONMSGSRQV1>");
}

void Period(std::string& out, const OfxRequestData& data) {
  Line(out, "<INCTRAN>");
  Line(out, "<DTSTART>", data.start);
  Line(out, "<DTEND>", data.end);
  Line(out, "<INCLUDE>Y");
  Line(out, "</INCTRAN>");
}

std::string WithHttpHeader(const OfxRequestData& data, const std::string& body) {
  std::string out = "POST " + Field(data.path) + " HTTP/1.1\r\n";
  out += "Host: " + HostHeaderValue(Field(data.host)) + "\r\n";
  out += "User-Agent: Quicken 2008 17.00\r\n";
  out += "Content-Type: application/x-ofx\r\n";
  out += "Accept: */*, application/x-ofx\r\n";
  out += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  out += body;
  return out;
}

}  // namespace

UrlParts SplitServerUrl(std::string_view url) {
  UrlParts parts;
  bool schemeDropped = false;
  for (std::size_t i = 0; i < url.size(); ++i) {
    if (url[i] != '/') {
      parts.host += url[i];
      continue;
    }
    // Only the scheme's "//" starts the host afresh; a doubled slash later
    // on belongs to the path.
    if (!schemeDropped && i + 1 < url.size() && url[i + 1] == '/') {
      parts.host.clear();
      schemeDropped = true;
      ++i;
      continue;
    }
    parts.path = std::string(url.substr(i));
    break;
  }
  return parts;
}

std::string HostName(std::string_view host) { return std::string(host.substr(0, host.find(':'))); }

int HostPort(std::string_view host) {
  const auto colon = host.find(':');
  if (colon == std::string_view::npos) return 443;
  const std::string_view digits = host.substr(colon + 1);
  if (digits.empty() || digits.size() > 5) return 0;
  int port = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    port = port * 10 + (c - '0');
  }
  return port <= 65535 ? port : 0;
}

std::string HostHeaderValue(std::string_view host) {
  if (host.find(':') != std::string_view::npos) return std::string(host);
  return std::string(host) + ":443";
}

std::string OfxRequestTime(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  char text[32];
  std::snprintf(text, sizeof text, "%4d%02d%02d%02d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                tm.tm_min, tm.tm_sec);
  return text;
}

std::string buildBankRequest(const OfxRequestData& data) {
  std::string body;
  HeaderAndSignOn(body, data);
  Line(body, "<BANKMSGSRQV1>");
  Line(body, "<STMTTRNRQ>");
  Line(body, "<TRNUID>10002");
  Line(body, "<STMTRQ>");
  Line(body, "<BANKACCTFROM>");
  Line(body, "<BANKID>" + Field(data.bankId) + "<ACCTID>" + Field(data.accountId));
  Line(body, "<ACCTTYPE>CHECKING");
  Line(body, "</BANKACCTFROM>");
  Period(body, data);
  Line(body, "</STMTRQ>");
  Line(body, "</STMTTRNRQ>");
  Line(body, "</BANKMSGSRQV1>");
  Line(body, "</OFX>");
  return WithHttpHeader(data, body);
}

std::string buildCreditCardRequest(const OfxRequestData& data) {
  std::string body;
  HeaderAndSignOn(body, data);
  Line(body, "<CREDITCARDMSGSRQV1>");
  Line(body, "<CCSTMTTRNRQ>");
  Line(body, "<CCSTMTRQ>");
  Line(body, "<CCACCTFROM>");
  Line(body, "<ACCTID>", data.accountId);
  Line(body, "</CCACCTFROM>");
  Period(body, data);
  Line(body, "</CCSTMTRQ>");
  Line(body, "</CCSTMTTRNRQ>");
  Line(body, "</CREDITCARDMSGSRQV1>");
  Line(body, "</OFX>");
  return WithHttpHeader(data, body);
}

}  // namespace tallyvane::online
