#include <ostream>

#include "cli/cli.h"

namespace tallyvane::cli {

namespace {

void Show(std::ostream& err, std::string_view title, std::string_view text) {
  if (!title.empty()) err << title << ": ";
  err << text << '\n';
}

}  // namespace

std::size_t ScriptedPrompter::ask(std::string_view title, std::string_view message,
                                  const std::vector<std::string>& buttons, store::Icon) {
  declined_ = false;
  if (buttons.empty()) return 0;
  // Every question is shown, answered by a script or not, so that a log says
  // what was asked and what was agreed to.
  Show(err_, title, message);
  err_ << "[";
  for (std::size_t i = 0; i < buttons.size(); ++i) err_ << (i ? "] [" : "") << buttons[i];
  err_ << "]\n";
  std::size_t choice = buttons.size() - 1;
  if (next_ < answers_.size()) {
    const std::string& wanted = answers_[next_++];
    bool found = false;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
      if (buttons[i] == wanted) {
        choice = i;
        found = true;
        break;
      }
    }
    if (!found) {
      err_ << "The answer \"" << wanted << "\" is not one of the buttons; answered \"" << buttons.back() << "\".\n";
    }
  } else if (yes_) {
    choice = 0;
  }
  err_ << "-> " << buttons[choice] << '\n';
  declined_ = choice == buttons.size() - 1 && buttons.size() > 1;
  return choice;
}

void ScriptedPrompter::message(std::string_view title, std::string_view text, store::Icon) {
  Show(err_, title, text);
}

void ScriptedPrompter::balloon(std::string_view, std::string_view title, std::string_view text) {
  Show(err_, title, text);
}

}  // namespace tallyvane::cli
