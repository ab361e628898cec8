// The first-run set-up: an empty institution directory outside the US, the
// choice between setting accounts up and the defaults, a question per default
// account, further accounts, and the password offer. The forms themselves are
// the window application's; it reaches them through FirstRunForms.
#pragma once

#include <optional>
#include <string_view>

#include "ledger/keys.h"
#include "store/data_context.h"
#include "store/ports.h"
#include "store/settings.h"

namespace tallyvane::app {

inline constexpr std::string_view kSetUpTitle = "Set Up Tallyvane";

class FirstRunForms {
 public:
  virtual ~FirstRunForms() = default;
  // The account form on an existing account, or on a new one (nullopt);
  // true when the user confirmed it.
  virtual bool accountForm(std::optional<ledger::AccountKey> account) = 0;
  // The change-password dialog in its "Add password" form.
  virtual void addPasswordDialog() = 0;
};

// Returns whether any account form was confirmed (the main window then
// reloads its accounts). The country is the context's system locale's. Once
// its questions were answered, the data file remembers that it was set up.
[[nodiscard]] bool RunFirstRunSetup(store::DataContext& data, store::Prompter& prompter, FirstRunForms& forms);

// A first start: the window was never placed, and the open data file was
// never set up. The set-up is asked once per data file, also when the
// window's placement was not saved (a program that was killed, a settings
// file that could not be written, another settings folder).
[[nodiscard]] bool FirstRunDue(store::DataContext& data, const store::Settings& settings);

}  // namespace tallyvane::app
