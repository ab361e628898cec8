// How the core reaches the outside: the clock, questions and messages to the
// user, progress of long work, and the mail transport. The window
// application, the command-line tool and the tests each implement these.
#pragma once

#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tallyvane::store {

class Clock {
 public:
  virtual ~Clock() = default;
  [[nodiscard]] virtual std::time_t now() const = 0;
};

class SystemClock final : public Clock {
 public:
  [[nodiscard]] std::time_t now() const override { return std::time(nullptr); }
};

enum class Icon { None, Information, Warning, Error, Question };

class Prompter {
 public:
  virtual ~Prompter() = default;
  // A question box; returns the index of the chosen button. Cancelling (or no
  // answer) chooses the last button.
  [[nodiscard]] virtual std::size_t ask(std::string_view title, std::string_view message,
                                        const std::vector<std::string>& buttons, Icon icon = Icon::Question) = 0;
  virtual void message(std::string_view title, std::string_view text, Icon icon = Icon::Information) = 0;
  // A warning balloon at a named form field.
  virtual void balloon(std::string_view field, std::string_view title, std::string_view text) = 0;
};

class Progress {
 public:
  virtual ~Progress() = default;
  virtual void setTitle(std::string_view title) = 0;
  virtual void setText(std::string_view text) = 0;
  // `done` of `total` steps.
  virtual void setFraction(long long done, long long total) = 0;
  [[nodiscard]] virtual bool cancelRequested() const = 0;
};

// Progress nobody watches.
class NullProgress final : public Progress {
 public:
  void setTitle(std::string_view) override {}
  void setText(std::string_view) override {}
  void setFraction(long long, long long) override {}
  [[nodiscard]] bool cancelRequested() const override { return false; }
};

enum class MailOutcome { Sent, Failed, Cancelled };

struct MailMessage {
  std::vector<std::string> to;
  std::string subject;
  std::string body;
  std::filesystem::path attachment;  // empty for none
  std::string attachmentName;
};

// Hands a message to a mail server; reports what became of it.
class MailTransport {
 public:
  virtual ~MailTransport() = default;
  virtual MailOutcome send(const MailMessage& message) = 0;
};

}  // namespace tallyvane::store
