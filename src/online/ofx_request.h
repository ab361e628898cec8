// The OFX 1.0.2 statement request of an online retrieval: the values it is
// built from, the split of the server URL into host and path, and the whole
// HTTP request text (header and SGML body) for a bank or a credit card.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace tallyvane::online {

struct OfxRequestData {
  std::string serverUrl;
  std::string institutionName;
  std::string fid;
  std::string org;
  std::string userId;
  std::string password;
  std::string language = "ENG";
  std::string appId = "QWIN";
  std::string appVersion = "2300";
  std::string host;  // as the URL writes it, port included when it names one
  std::string path;  // from the first single "/" after the host on; may be empty
  std::string bankId;
  std::string accountId;
  std::string start;  // "%4d%02d%02d%02d%02d%02d" local time
  std::string end;
  std::time_t clientTime = 0;  // DTCLIENT, local time
};

struct UrlParts {
  std::string host;
  std::string path;
};

// Characters go to the host; a "//" throws away what was collected (the
// scheme) and starts again; the next single "/" starts the path.
[[nodiscard]] UrlParts SplitServerUrl(std::string_view url);

// The port a host text names after its colon, or 443.
[[nodiscard]] int HostPort(std::string_view host);
// The host text up to the colon.
[[nodiscard]] std::string HostName(std::string_view host);

// "%4d%02d%02d%02d%02d%02d" of a time value in local time.
[[nodiscard]] std::string OfxRequestTime(std::time_t t);

// The complete request text: the HTTP header, then the body. Every line of
// the body ends with CR LF.
[[nodiscard]] std::string buildBankRequest(const OfxRequestData& data);
[[nodiscard]] std::string buildCreditCardRequest(const OfxRequestData& data);

// The value of the Host header: the URL's own host and port, or the host and
// ":443" when the URL names no port.
[[nodiscard]] std::string HostHeaderValue(std::string_view host);

}  // namespace tallyvane::online
