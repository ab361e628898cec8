// Helpers of the online tests: a certificate authority and server
// certificates made with openssl when the tests run, and the loopback HTTPS
// server script started per test and stopped when the test ends.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>


#include "support/test_support.h"

namespace tallyvane::online::testing {

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteAll(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A test authority and, signed by it, certificates for 127.0.0.1, for
// another host name and an expired one for 127.0.0.1; and a self-signed one
// for 127.0.0.1 nobody trusts.
// Made once per test program in its own temp folder.
class TestPki {
 public:
  static const TestPki& Get() {
    static TestPki pki;
    return pki;
  }
  [[nodiscard]] std::filesystem::path caFile() const { return dir_ / "ca.crt"; }
  [[nodiscard]] std::filesystem::path cert(const std::string& name) const { return dir_ / (name + ".crt"); }
  [[nodiscard]] std::filesystem::path key(const std::string& name) const { return dir_ / (name + ".key"); }
  [[nodiscard]] bool ok() const { return ok_; }

 private:
  TestPki() {
    const std::string d = dir_.path().string();
    const std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    auto run = [&](const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; };
    WriteAll(dir_ / "loopback.ext", "subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\n");
    WriteAll(dir_ / "wronghost.ext", "subjectAltName=DNS:wrong.invalid\nbasicConstraints=CA:FALSE\n");
    // "openssl ca" is the one that can date a certificate in the past.
    WriteAll(dir_ / "index.txt", "");
    WriteAll(dir_ / "serial", "1000\n");
    WriteAll(dir_ / "ca.cnf",
             "[ca]\ndefault_ca = test\n[test]\ndatabase = index.txt\nnew_certs_dir = .\nserial = serial\n"
             "default_md = sha256\npolicy = any\nx509_extensions = leaf\n[any]\ncommonName = supplied\n"
             "[leaf]\nsubjectAltName = IP:127.0.0.1\nbasicConstraints = CA:FALSE\n");
    ok_ = run("cd " + d + " && openssl req -x509" + ec + " -keyout ca.key -out ca.crt -days 2 -subj /CN=TestCA") &&
          run("cd " + d + " && openssl req" + ec + " -keyout server.key -out server.csr -subj /CN=127.0.0.1") &&
          run("cd " + d + " && openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 2"
                          " -extfile loopback.ext -out server.crt") &&
          run("cd " + d + " && openssl req" + ec + " -keyout wronghost.key -out wronghost.csr -subj /CN=wrong.invalid") &&
          run("cd " + d + " && openssl x509 -req -in wronghost.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 2"
                          " -extfile wronghost.ext -out wronghost.crt") &&
          run("cd " + d + " && openssl req -x509" + ec + " -keyout untrusted.key -out untrusted.crt -days 2"
                          " -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1") &&
          run("cd " + d + " && openssl req" + ec + " -keyout expired.key -out expired.csr -subj /CN=127.0.0.1") &&
          run("cd " + d + " && openssl ca -batch -config ca.cnf -cert ca.crt -keyfile ca.key -in expired.csr"
                          " -out expired.crt -startdate 20200101000000Z -enddate 20200102000000Z -notext");
  }
  tallyvane::testing::TempDir dir_;
  bool ok_ = false;
};

struct ServerOptions {
  std::string cert = "server";  // "server", "wronghost", "expired" or "untrusted"
  std::string response;         // what a POST is answered with
  int status = 200;
  bool noLength = false;
  double headerDelay = 0;  // seconds before the answer
  bool bodyStall = false;  // half the body, then nothing
  std::filesystem::path docs;  // list.xml and lookup-ID.xml for GETs
};

// The server runs for the life of the object; the destructor stops it.
class TestServer {
 public:
  explicit TestServer(const ServerOptions& options) {
    const TestPki& pki = TestPki::Get();
    if (!pki.ok()) return;
    std::filesystem::create_directories(logDir());
    WriteAll(dir_ / "response", options.response);
    std::vector<std::string> args = {"python3", TALLYVANE_ONLINE_SERVER,
                                     "--cert", pki.cert(options.cert).string(),
                                     "--key", pki.key(options.cert).string(),
                                     "--log-dir", logDir().string(),
                                     "--response", (dir_ / "response").string(),
                                     "--status", std::to_string(options.status),
                                     "--header-delay", std::to_string(options.headerDelay),
                                     "--lifetime", "60"};
    if (options.noLength) args.push_back("--no-length");
    if (options.bodyStall) args.push_back("--body-stall");
    if (!options.docs.empty()) {
      args.push_back("--docs");
      args.push_back(options.docs.string());
    }
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      close(out[1]);
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execvp("python3", argv.data());
      _exit(127);
    }
    close(out[1]);
    // The script says its port once it listens; give it ten seconds.
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      pollfd fd{out[0], POLLIN, 0};
      if (poll(&fd, 1, 200) <= 0) continue;
      char buffer[64];
      const ssize_t n = read(out[0], buffer, sizeof buffer);
      if (n <= 0) break;
      line.append(buffer, static_cast<std::size_t>(n));
    }
    close(out[0]);
    if (line.starts_with("PORT ")) port_ = std::atoi(line.c_str() + 5);
  }
  ~TestServer() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  [[nodiscard]] int port() const { return port_; }
  [[nodiscard]] bool running() const { return port_ > 0; }
  [[nodiscard]] std::string base() const { return "https://127.0.0.1:" + std::to_string(port_); }
  // Every request received so far, in order, as the server read it.
  [[nodiscard]] std::vector<std::string> requests() const {
    std::vector<std::string> list;
    for (int n = 1;; ++n) {
      const auto file = logDir() / ("request-" + std::to_string(n) + ".txt");
      if (!std::filesystem::exists(file)) break;
      list.push_back(ReadAll(file));
    }
    return list;
  }
  [[nodiscard]] std::filesystem::path logDir() const { return dir_ / "log"; }

 private:
  tallyvane::testing::TempDir dir_;
  pid_t pid_ = -1;
  int port_ = 0;
};

// Progress that asks to cancel once `after` has passed since it was made.
class CancellingProgress final : public store::Progress {
 public:
  explicit CancellingProgress(std::chrono::milliseconds after) : at_(std::chrono::steady_clock::now() + after) {}
  void setTitle(std::string_view title) override { titles.emplace_back(title); }
  void setText(std::string_view text) override { texts.emplace_back(text); }
  void setFraction(long long done, long long total) override { fractions.emplace_back(done, total); }
  [[nodiscard]] bool cancelRequested() const override { return std::chrono::steady_clock::now() >= at_; }

  std::vector<std::string> titles;
  std::vector<std::string> texts;
  std::vector<std::pair<long long, long long>> fractions;

 private:
  std::chrono::steady_clock::time_point at_;
};

// Progress that records what it was shown and cancels after `cancelAfterTexts`
// progress texts (never when 0).
class RecordingProgress final : public store::Progress {
 public:
  explicit RecordingProgress(std::size_t cancelAfterTexts = 0) : cancelAfter_(cancelAfterTexts) {}
  void setTitle(std::string_view title) override { titles.emplace_back(title); }
  void setText(std::string_view text) override { texts.emplace_back(text); }
  void setFraction(long long done, long long total) override { fractions.emplace_back(done, total); }
  [[nodiscard]] bool cancelRequested() const override { return cancelAfter_ != 0 && texts.size() >= cancelAfter_; }

  std::vector<std::string> titles;
  std::vector<std::string> texts;
  std::vector<std::pair<long long, long long>> fractions;

 private:
  std::size_t cancelAfter_;
};

}  // namespace tallyvane::online::testing
