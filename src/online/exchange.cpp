#include "online/exchange.h"

#include <curl/curl.h>

#include <chrono>
#include <optional>
#include <vector>

#include "import/ofx_statement.h"
#include "markup/loose_parser.h"
#include "online/http_fetch.h"
#include "store/text.h"

namespace tallyvane::online {

namespace {

using Clock = std::chrono::steady_clock;

// An announced length beyond this is not a statement anyone can import.
constexpr long long kMaxBodyBytes = 1LL << 30;

struct ParsedRequest {
  std::string path;
  std::string host;  // the Host header's value
  std::vector<std::string> headers;
  std::string_view body;
};

std::optional<ParsedRequest> ParseRequest(std::string_view request) {
  const auto headerEnd = request.find("\r\n\r\n");
  if (headerEnd == std::string_view::npos) return std::nullopt;
  ParsedRequest parsed;
  parsed.body = request.substr(headerEnd + 4);
  std::string_view head = request.substr(0, headerEnd + 2);
  bool first = true;
  while (!head.empty()) {
    const auto end = head.find("\r\n");
    const std::string_view line = head.substr(0, end);
    head.remove_prefix(end + 2);
    if (first) {
      first = false;
      if (!line.starts_with("POST ") || !line.ends_with(" HTTP/1.1")) return std::nullopt;
      parsed.path = std::string(line.substr(5, line.size() - 5 - 9));
      continue;
    }
    const auto colon = line.find(": ");
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string_view name = line.substr(0, colon);
    if (store::EqualsNoCase(name, "Host")) parsed.host = std::string(line.substr(colon + 2));
    // curl writes the length of the body it sends itself.
    if (store::EqualsNoCase(name, "Content-Length")) continue;
    parsed.headers.emplace_back(line);
  }
  if (parsed.host.empty()) return std::nullopt;
  // Nothing typed into a URL may reach the wire as a line of its own.
  for (char c : parsed.path + parsed.host) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return std::nullopt;
  }
  return parsed;
}

struct Transfer {
  const store::Progress* progress = nullptr;
  ExchangeLimits limits;
  CURL* curl = nullptr;
  std::size_t requestBytes = 0;
  Clock::time_point started;
  Clock::time_point phaseStart;  // when the current wait began
  enum class Phase { Connecting, Sending, Header, Body } phase = Phase::Connecting;
  bool cancelled = false;
  std::optional<long long> contentLength;
  bool headerDone = false;
  std::string body;
};

long ElapsedMs(Clock::time_point since) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const std::size_t n = size * count;
  std::string_view line(data, n);
  t->phase = Transfer::Phase::Header;
  t->phaseStart = Clock::now();
  if (line == "\r\n" || line == "\n") {
    t->headerDone = true;
    t->phase = Transfer::Phase::Body;
    return n;
  }
  // A status line starts a header afresh (an interim 1xx answer before it).
  if (line.starts_with("HTTP/")) {
    t->contentLength.reset();
    t->headerDone = false;
    return n;
  }
  constexpr std::string_view kLength = "Content-Length: ";
  if (line.size() >= kLength.size() && store::EqualsNoCase(line.substr(0, kLength.size()), kLength)) {
    long long length = 0;
    for (char c : line.substr(kLength.size())) {
      if (c < '0' || c > '9') break;
      if (length > kMaxBodyBytes) break;
      length = length * 10 + (c - '0');
    }
    t->contentLength = length;
  }
  return n;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const std::size_t n = size * count;
  if (static_cast<long long>(t->body.size() + n) > kMaxBodyBytes) return 0;
  t->body.append(data, n);
  t->phaseStart = Clock::now();
  return n;
}

// Called by curl at least about once a second, also while nothing moves:
// the place where the limits of each phase are seen, and the cancel request
// between the polling loop's own looks.
int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded) {
  auto* t = static_cast<Transfer*>(user);
  if (t->progress->cancelRequested()) {
    t->cancelled = true;
    return 1;
  }
  const ExchangeLimits& l = t->limits;
  if (t->phase == Transfer::Phase::Connecting) {
    curl_off_t connected = 0;
    curl_off_t secured = 0;
    curl_easy_getinfo(t->curl, CURLINFO_CONNECT_TIME_T, &connected);
    curl_easy_getinfo(t->curl, CURLINFO_APPCONNECT_TIME_T, &secured);
    if (secured > 0) {
      t->phase = Transfer::Phase::Sending;
      t->phaseStart = Clock::now();
    } else if (connected == 0 && ElapsedMs(t->started) > l.connectMs) {
      return 1;
    }
  }
  if (t->phase == Transfer::Phase::Sending && static_cast<std::size_t>(uploaded) >= t->requestBytes) {
    t->phase = Transfer::Phase::Header;
    t->phaseStart = Clock::now();
  }
  long limit = 0;
  switch (t->phase) {
    case Transfer::Phase::Connecting:
      limit = l.connectMs + l.handshakeMs;
      break;
    case Transfer::Phase::Sending:
      limit = l.sendMs;
      break;
    case Transfer::Phase::Header:
      limit = l.headerLineMs;
      break;
    case Transfer::Phase::Body:
      limit = l.bodyPieceMs;
      break;
  }
  const auto since = t->phase == Transfer::Phase::Connecting ? t->started : t->phaseStart;
  if (ElapsedMs(since) > limit) {
    return 1;
  }
  return 0;
}

// curl's own wait between two progress calls can last a second, a second
// in which the window behind would neither paint nor see its cancel button.
// The transfer is driven here in short waits instead, and the cancel request
// is looked at after each.
constexpr int kPollMs = 25;

CURLcode PerformPolling(CURL* curl, const store::Progress& progress, bool& cancelled) {
  CURLM* multi = curl_multi_init();
  if (multi == nullptr) return CURLE_OUT_OF_MEMORY;
  if (curl_multi_add_handle(multi, curl) != CURLM_OK) {
    curl_multi_cleanup(multi);
    return CURLE_FAILED_INIT;
  }
  CURLcode result = CURLE_OK;
  int running = 1;
  while (running > 0) {
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
      result = CURLE_RECV_ERROR;
      break;
    }
    if (running == 0) break;
    if (curl_multi_poll(multi, nullptr, 0, kPollMs, nullptr) != CURLM_OK) {
      result = CURLE_RECV_ERROR;
      break;
    }
    if (progress.cancelRequested()) {
      cancelled = true;
      break;
    }
  }
  if (!cancelled && running == 0) {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
      if (message->msg == CURLMSG_DONE && message->easy_handle == curl) result = message->data.result;
    }
  }
  curl_multi_remove_handle(multi, curl);
  curl_multi_cleanup(multi);
  return result;
}

struct CurlHandle {
  CURL* curl = curl_easy_init();
  curl_slist* headers = nullptr;
  ~CurlHandle() {
    curl_slist_free_all(headers);
    if (curl != nullptr) curl_easy_cleanup(curl);
  }
};

}  // namespace

void ReadSignOnStatus(std::string_view body, int32_t& code, std::string& message) {
  code = 0;
  message.clear();
  markup::Document document;
  std::string error;
  markup::LooseMarkupParser parser;
  parser.setLeafElements(import::ofxLeafElements());
  parser.parse(import::cutToOfxBody(body), error, document);
  const markup::Node ofx = markup::findChild(document.root(), "OFX");
  if (!ofx) return;
  markup::Node signOn;
  for (markup::Node child = ofx.firstChild(); child; child = child.nextSibling()) {
    if (child.isElement() && child.name().starts_with("SIGNONMSGSRSV1")) {
      signOn = child;
      break;
    }
  }
  const markup::Node status = markup::findChild(markup::findChild(signOn, "SONRS"), "STATUS");
  if (!status) return;
  code = store::ParseInt32Prefix(markup::childText(status, "CODE"));
  message = markup::childText(status, "MESSAGE");
}

ExchangeResult exchangeOfx(std::string_view request, store::Progress& progress, ExchangeResponse& response,
                           const ExchangeOptions& options) {
  response = {};
  const auto parsed = ParseRequest(request);
  if (!parsed) return ExchangeResult::Failed;
  CurlHandle handle;
  if (handle.curl == nullptr) return ExchangeResult::Failed;
  CURL* curl = handle.curl;
  for (const std::string& header : parsed->headers) handle.headers = curl_slist_append(handle.headers, header.c_str());
  // No "Expect: 100-continue" round trip: the request goes in one piece.
  handle.headers = curl_slist_append(handle.headers, "Expect:");

  const std::string url = "https://" + parsed->host + parsed->path;
  Transfer t;
  t.progress = &progress;
  t.limits = options.limits;
  t.curl = curl;
  t.requestBytes = parsed->body.size();

  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "https");
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_POST, 1L);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, parsed->body.data());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(parsed->body.size()));
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, handle.headers);
  curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, 8192L);
  // curl times TCP connect and TLS handshake as one phase; the progress
  // check below holds the TCP part to its own, shorter limit.
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, options.limits.connectMs + options.limits.handshakeMs);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &t);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
  char errors[CURL_ERROR_SIZE] = {};
  ApplyTlsOptions(curl, options.caFile, errors);

  t.started = Clock::now();
  t.phaseStart = t.started;
  const CURLcode code = PerformPolling(curl, progress, t.cancelled);
  if (t.cancelled) return ExchangeResult::Cancelled;
  response.refusal = CertificateRefusal(curl, code, errors);
  if (code != CURLE_OK || !t.headerDone || !t.contentLength) return ExchangeResult::Failed;
  if (static_cast<long long>(t.body.size()) < *t.contentLength) return ExchangeResult::Failed;
  t.body.resize(static_cast<std::size_t>(*t.contentLength));

  response.body = std::move(t.body);
  ReadSignOnStatus(response.body, response.code, response.message);
  progress.setFraction(1, 1);
  return ExchangeResult::Received;
}

}  // namespace tallyvane::online
