// A loopback SMTP sink for the mail tests: plain SMTP on 127.0.0.1 at a
// free port, one session in a thread, every wait bounded; it records the
// commands and the message and answers as told.
#pragma once

#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tallyvane::testing {

inline std::string DecodeBase64(std::string_view text) {
  static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    const auto at = alphabet.find(c);
    if (at == std::string::npos) continue;
    bits = (bits << 6) | static_cast<uint32_t>(at);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out.push_back(static_cast<char>((bits >> count) & 0xFF));
    }
  }
  return out;
}

class SmtpSink {
 public:
  struct Options {
    bool offerAuth = false;
    int rcptCode = 250;
    bool stall = false;  // accept, then say nothing
  };

  explicit SmtpSink(Options options) : options_(options) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(::listen(listener_, 1), 0);
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~SmtpSink() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
  }

  [[nodiscard]] int port() const { return port_; }
  // Valid once the transport has returned (the session is over by then).
  std::vector<std::string> commands;
  std::string data;

 private:
  // A line from the client, or nullopt after 10 seconds or at the end.
  std::optional<std::string> readLine(int fd) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (true) {
      const auto end = buffer_.find("\r\n");
      if (end != std::string::npos) {
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 2);
        return line;
      }
      if (stop_ || std::chrono::steady_clock::now() > deadline) return std::nullopt;
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      char chunk[4096];
      const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
      if (n <= 0) return std::nullopt;
      buffer_.append(chunk, static_cast<std::size_t>(n));
    }
  }

  static void say(int fd, const std::string& text) { (void)::send(fd, text.data(), text.size(), MSG_NOSIGNAL); }

  void serve() {
    int fd = -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (fd < 0 && !stop_ && std::chrono::steady_clock::now() < deadline) {
      pollfd p{listener_, POLLIN, 0};
      if (::poll(&p, 1, 100) > 0) fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    }
    if (fd < 0) return;
    if (options_.stall) {
      while (!stop_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
      ::close(fd);
      return;
    }
    say(fd, "220 sink ESMTP ready\r\n");
    while (auto line = readLine(fd)) {
      commands.push_back(*line);
      const std::string verb = line->substr(0, line->find(' '));
      if (verb == "EHLO") {
        say(fd, options_.offerAuth ? "250-sink\r\n250-AUTH PLAIN\r\n250 8BITMIME\r\n" : "250-sink\r\n250 8BITMIME\r\n");
      } else if (verb == "HELO" || verb == "MAIL" || verb == "RSET" || verb == "NOOP") {
        say(fd, "250 ok\r\n");
      } else if (verb == "AUTH") {
        if (line->size() > 11) {
          say(fd, "235 accepted\r\n");
        } else {
          say(fd, "334 \r\n");
          if (auto answer = readLine(fd)) commands.push_back(*answer);
          say(fd, "235 accepted\r\n");
        }
      } else if (verb == "RCPT") {
        say(fd, options_.rcptCode == 250 ? "250 ok\r\n" : std::to_string(options_.rcptCode) + " no such user\r\n");
      } else if (verb == "DATA") {
        say(fd, "354 go ahead\r\n");
        while (auto body = readLine(fd)) {
          if (*body == ".") break;
          data += *body + "\r\n";
        }
        say(fd, "250 queued\r\n");
      } else if (verb == "QUIT") {
        say(fd, "221 bye\r\n");
        break;
      } else if (verb == "STARTTLS") {
        say(fd, "454 TLS not available\r\n");
      } else {
        say(fd, "502 not implemented\r\n");
      }
    }
    ::close(fd);
  }

  Options options_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::string buffer_;
  std::thread thread_;
};

}  // namespace tallyvane::testing
