#include "online/http_fetch.h"

#include <curl/curl.h>

#include <cstdio>
#include <memory>

namespace tallyvane::online {

namespace {

// Whole responses of the directory service are a few megabytes at most.
constexpr curl_off_t kMaxDocumentBytes = curl_off_t{64} << 20;

struct Sink {
  std::FILE* file = nullptr;
  curl_off_t written = 0;
  bool failed = false;
};

std::size_t WriteToFile(char* data, std::size_t size, std::size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const std::size_t n = size * count;
  sink->written += static_cast<curl_off_t>(n);
  if (sink->written > kMaxDocumentBytes || std::fwrite(data, 1, n, sink->file) != n) {
    sink->failed = true;
    return 0;
  }
  return n;
}

int CancelCheck(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<const store::Progress*>(user)->cancelRequested() ? 1 : 0;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

void ApplyTlsOptions(CURL* curl, const std::string& caFile, char* errors) {
  static_assert(CURL_ERROR_SIZE <= 256, "the error buffers hold CURL_ERROR_SIZE bytes");
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  if (errors != nullptr) {
    errors[0] = '\0';
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errors);
  }
  if (!caFile.empty()) {
    // CAINFO replaces the default bundle; the hashed system folder keeps the
    // system's authorities trusted beside the extra one.
    curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.c_str());
    curl_easy_setopt(curl, CURLOPT_CAPATH, "/etc/ssl/certs");
  }
}

std::string CertificateRefusal(CURL* curl, int code, const char* errors) {
  if (code != CURLE_PEER_FAILED_VERIFICATION) return {};
  // The OpenSSL verification result names what was wrong with the chain;
  // a name mismatch is curl's (or OpenSSL's) host check.
  long verify = 0;
  if (curl_easy_getinfo(curl, CURLINFO_SSL_VERIFYRESULT, &verify) != CURLE_OK) verify = 0;
  const std::string_view text = errors != nullptr ? std::string_view(errors) : std::string_view();
  constexpr long kNotYetValid = 9;   // X509_V_ERR_CERT_NOT_YET_VALID
  constexpr long kExpired = 10;      // X509_V_ERR_CERT_HAS_EXPIRED
  constexpr long kHostMismatch = 62; // X509_V_ERR_HOSTNAME_MISMATCH
  constexpr long kIpMismatch = 64;   // X509_V_ERR_IP_ADDRESS_MISMATCH
  if (verify == kExpired || text.find("has expired") != std::string_view::npos) {
    return std::string(kCertificateExpired);
  }
  if (verify == kNotYetValid || text.find("not yet valid") != std::string_view::npos) {
    return std::string(kCertificateNotYetValid);
  }
  if (verify == kHostMismatch || verify == kIpMismatch || text.find("host name") != std::string_view::npos ||
      text.find("subject name") != std::string_view::npos || text.find("mismatch") != std::string_view::npos) {
    return std::string(kCertificateWrongHost);
  }
  if (verify != 0 || text.find("certificate") != std::string_view::npos) return std::string(kCertificateUntrusted);
  return std::string(kCertificateUnverified);
}

std::string WithDetail(std::string_view text, std::string_view detail) {
  std::string out(text);
  if (!detail.empty()) {
    out += "\n\n";
    out += detail;
  }
  return out;
}

HttpFetcher::HttpFetcher(std::string caFile) : curl_(curl_easy_init()), caFile_(std::move(caFile)) {}

HttpFetcher::~HttpFetcher() {
  if (curl_ != nullptr) curl_easy_cleanup(curl_);
}

FetchResult HttpFetcher::fetch(const std::string& url, const std::filesystem::path& file,
                               const store::Progress& progress) {
  refusal_.clear();
  if (curl_ == nullptr) return FetchResult::Failed;
  std::unique_ptr<std::FILE, FileCloser> out(std::fopen(file.c_str(), "wb"));
  if (!out) return FetchResult::Failed;
  Sink sink{out.get()};
  curl_easy_setopt(curl_, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl_, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl_, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT_MS, 10000L);
  // A stalled server ends the download instead of hanging it.
  curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_TIME, 60L);
  curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, WriteToFile);
  curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(curl_, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, CancelCheck);
  curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, &progress);
  ApplyTlsOptions(curl_, caFile_, errors_);
  const CURLcode code = curl_easy_perform(curl_);
  refusal_ = CertificateRefusal(curl_, code, errors_);
  long status = 0;
  curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &status);
  if (std::fflush(out.get()) != 0) sink.failed = true;
  if (code == CURLE_ABORTED_BY_CALLBACK && !sink.failed) return FetchResult::Cancelled;
  if (code != CURLE_OK || sink.failed || status >= 400) return FetchResult::Failed;
  return FetchResult::Done;
}

}  // namespace tallyvane::online
