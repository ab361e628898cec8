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

 private:
  CURL* curl_ = nullptr;
  std::string caFile_;
};

// Verification on, never off; `caFile` added to the trusted authorities.
void ApplyTlsOptions(CURL* curl, const std::string& caFile);

}  // namespace tallyvane::online
