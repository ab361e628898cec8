// Ports of the application shell that the core modules below do not need:
// the mail transport. (Clock, Prompter, Progress and Settings live in store.)
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tallyvane::app {

enum class MailOutcome { Sent, Failed, Cancelled };

struct MailMessage {
  std::vector<std::string> to;
  std::string subject;
  std::string body;
  std::filesystem::path attachment;  // empty for none
  std::string attachmentName;
};

class MailTransport {
 public:
  virtual ~MailTransport() = default;
  virtual MailOutcome send(const MailMessage& message) = 0;
};

}  // namespace tallyvane::app
