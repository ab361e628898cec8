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

void ApplyTlsOptions(CURL* curl, const std::string& caFile) {
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!caFile.empty()) {
    // CAINFO replaces the default bundle; the hashed system folder keeps the
    // system's authorities trusted beside the extra one.
    curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.c_str());
    curl_easy_setopt(curl, CURLOPT_CAPATH, "/etc/ssl/certs");
  }
}

HttpFetcher::HttpFetcher(std::string caFile) : curl_(curl_easy_init()), caFile_(std::move(caFile)) {}

HttpFetcher::~HttpFetcher() {
  if (curl_ != nullptr) curl_easy_cleanup(curl_);
}

FetchResult HttpFetcher::fetch(const std::string& url, const std::filesystem::path& file,
                               const store::Progress& progress) {
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
  ApplyTlsOptions(curl_, caFile_);
  const CURLcode code = curl_easy_perform(curl_);
  long status = 0;
  curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &status);
  if (std::fflush(out.get()) != 0) sink.failed = true;
  if (code == CURLE_ABORTED_BY_CALLBACK && !sink.failed) return FetchResult::Cancelled;
  if (code != CURLE_OK || sink.failed || status >= 400) return FetchResult::Failed;
  return FetchResult::Done;
}

}  // namespace tallyvane::online
