// HTTP(S) downloads for the institution directory through libcurl, and the
// TLS rules every transfer of this module shares: the server's certificate
// and host name are always verified; a CA file is trusted besides the
// system's authorities.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "store/ports.h"

typedef void CURL;

namespace tallyvane::online {

enum class FetchResult { Done, Cancelled, Failed };

// Keeps one connection for a run of downloads from the same server.
class HttpFetcher {
 public:
  explicit HttpFetcher(std::string caFile);
  ~HttpFetcher();
  HttpFetcher(const HttpFetcher&) = delete;
  HttpFetcher& operator=(const HttpFetcher&) = delete;

  // GETs the URL into the file (replacing it). A status of 400 or more, a
  // transfer error or a file that cannot be written fail; the progress'
  // cancel request stops the transfer.
  [[nodiscard]] FetchResult fetch(const std::string& url, const std::filesystem::path& file,
                                  const store::Progress& progress);
  // After a failed fetch: why the server's certificate was refused (see
  // CertificateRefusal); empty when the failure was another one.
  [[nodiscard]] const std::string& refusal() const { return refusal_; }

 private:
  CURL* curl_ = nullptr;
  std::string caFile_;
  std::string refusal_;
  char errors_[256] = {};  // curl's CURL_ERROR_SIZE
};

// Verification on, never off; `caFile` added to the trusted authorities.
// `errors` (256 bytes, alive for the transfer) receives curl's own text of
// a failure, which CertificateRefusal reads.
void ApplyTlsOptions(CURL* curl, const std::string& caFile, char* errors = nullptr);

inline constexpr std::string_view kCertificateUntrusted = "The server's certificate is not trusted.";
inline constexpr std::string_view kCertificateExpired = "The server's certificate has expired.";
inline constexpr std::string_view kCertificateNotYetValid = "The server's certificate is not valid yet.";
inline constexpr std::string_view kCertificateWrongHost = "The server's certificate was issued for another host.";
inline constexpr std::string_view kCertificateUnverified = "The server's certificate could not be verified.";

// Why a finished transfer was refused at the server's certificate, in the
// words above, for the detail of the message that reports the failure;
// empty when `code` (the transfer's CURLcode) is no certificate refusal.
[[nodiscard]] std::string CertificateRefusal(CURL* curl, int code, const char* errors);

// A message's stated text, then the detail (when there is one) after an
// empty line.
[[nodiscard]] std::string WithDetail(std::string_view text, std::string_view detail);

}  // namespace tallyvane::online
