// Online retrieval of one account's statement: the set-up questions, the
// password prompt, the period asked for, the request by account kind, the
// exchange under its progress, the sign-on errors in words, and the hand-over
// of the answer to the import review. Nothing here writes data: the review
// sets LastRetrieved when it commits.
#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "ledger/keys.h"
#include "online/exchange.h"
#include "online/ofx_request.h"
#include "store/data_context.h"
#include "store/ports.h"
#include "store/settings.h"

namespace tallyvane::online {

inline constexpr std::string_view kSetUpTitle = "Financial institution needs to be set up";
inline constexpr std::string_view kNotWorkingTitle = "Financial institution is not working properly";
inline constexpr std::string_view kRetrieveTitle = "Retrieve Transactions";

// The typed password, or nullopt when the prompt was cancelled.
using PasswordPrompt = std::function<std::optional<std::string>(std::string_view title, std::string_view label)>;
// Opens the import review of the account with the response text.
using ReviewOpener = std::function<void(std::string_view statement)>;

struct RetrievalPorts {
  store::Prompter& prompter;
  store::Progress& progress;
  PasswordPrompt askPassword;
  ReviewOpener openReview;
  ExchangeOptions exchange;
};

enum class RetrieveOutcome {
  EditSetup,    // the user chose to edit the account's set-up
  Declined,     // a set-up question answered "No", or the password prompt cancelled
  Cancelled,    // the exchange was cancelled
  Failed,       // no usable answer (the user declined to edit), or the account is missing
  SignOnError,  // the institution refused the sign-on
  Reviewed,     // the answer went to the import review
};

// Start of the period asked for: LastRetrieved at 00:00:00, or two calendar
// months before now (the day lowered to the month's last day when needed).
[[nodiscard]] std::time_t RetrievalStart(std::time_t now, std::string_view lastRetrieved);

// The error text for a sign-on CODE other than 0; the server's own message
// wins when there is one.
[[nodiscard]] std::string SignOnErrorText(int32_t code, std::string_view message);

[[nodiscard]] RetrieveOutcome RunRetrieval(store::DataContext& data, ledger::AccountKey account, RetrievalPorts& ports);

// True when the user chose to edit the account's set-up: the caller opens
// the account form and, when it is confirmed, calls again.
[[nodiscard]] bool retrieveTransactions(store::DataContext& data, ledger::AccountKey account, RetrievalPorts& ports);

// Retrieval as started from the main window: resets the import balloon
// count, runs the directory integrity check, then retrieves for as long as
// the user asks to edit the set-up and `editAccount` confirms the form.
[[nodiscard]] RetrieveOutcome StartRetrieval(store::DataContext& data, store::Settings& settings,
                                             ledger::AccountKey account, RetrievalPorts& ports,
                                             const std::function<bool()>& editAccount);

}  // namespace tallyvane::online
