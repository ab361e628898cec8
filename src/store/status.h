// The result of an operation that can be refused: success, or the first
// failure with the message exactly as the user sees it, its title and the form
// field it belongs to. Errors are values; nothing here throws.
#pragma once

#include <string>
#include <utility>

namespace tallyvane::store {

struct [[nodiscard]] Status {
  bool ok = true;
  std::string message;
  std::string title;
  std::string field;
  // The data file refused a write (as opposed to a check that failed).
  bool fileError = false;
  // The user declined a question; nothing more to say.
  bool declined = false;

  static Status Ok() { return {}; }
  static Status Fail(std::string message, std::string title = {}, std::string field = {}) {
    return Status{false, std::move(message), std::move(title), std::move(field), false, false};
  }
  static Status FileError(std::string message) {
    return Status{false, std::move(message), {}, {}, true, false};
  }
  static Status Declined() { return Status{false, {}, {}, {}, false, true}; }
  explicit operator bool() const { return ok; }
};

}  // namespace tallyvane::store
