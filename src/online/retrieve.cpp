#include "online/retrieve.h"

#include "import/import_review.h"
#include "ledger/accounts.h"
#include "online/directory.h"
#include "online/http_fetch.h"
#include "online/online_settings.h"
#include "store/dates.h"
#include "store/record.h"
#include "store/secure.h"
#include "store/sql_format.h"

namespace tallyvane::online {

namespace {

constexpr std::string_view kConnectError = "Your financial institution returned an error upon attempting to connect";

bool AskSetUp(store::Prompter& prompter, std::string_view text) {
  return prompter.ask(kSetUpTitle, text, {"Set Up Now", "No"}, store::Icon::Question) == 0;
}

std::string SetUpText(std::string_view what) {
  return store::FormatSql("%s information has not been properly set up for this account.  Would you like to set this "
                          "up now?",
                          {what});
}

}  // namespace

std::time_t RetrievalStart(std::time_t now, std::string_view lastRetrieved) {
  if (!lastRetrieved.empty()) {
    const std::time_t start = store::DateTextToTime(lastRetrieved, "00:00:00");
    if (start != 0) return start;
  }
  return store::AddMonths(now, -2);
}

std::string SignOnErrorText(int32_t code, std::string_view message) {
  const std::string lead = std::string(kConnectError) + ":\n ";
  if (!message.empty()) return lead + std::string(message);
  switch (code) {
    case 15000:
      return lead + "Must change USERPASS (INFO)\nContact your financial institution to change your password.";
    case 15500:
      return lead +
             "Signon invalid (ERROR)\nYour sign on information is invalid.  Check your routing number, account number, "
             "user ID and password under the account information dialog.";
    case 15501:
      return lead + "Customer account already in use (ERROR)";
    case 15502:
      return lead + "USERPASS Lockout (ERROR)\nContact your financial institution regarding the status of your account.";
    default:
      break;
  }
  return std::string(kConnectError) + ".\nContact your financial institution for more information.";
}

RetrieveOutcome RunRetrieval(store::DataContext& data, ledger::AccountKey account, RetrievalPorts& ports) {
  if (!import::TakesStatements(data, account)) return RetrieveOutcome::Failed;
  store::Record record;
  if (!ledger::LoadActiveAccount(data, account, record)) return RetrieveOutcome::Failed;
  const std::string lastRetrieved = record.GetText("LastRetrieved");
  store::ReleaseRecord(record);
  const std::string accountId = std::to_string(account);
  store::AccountSecrets secrets = store::readAccountSecrets(data.db(), accountId).values;

  const auto institution = LoadInstitution(data, secrets.institution);
  if (!institution) {
    const bool setUp = AskSetUp(ports.prompter,
                                "Financial institution information has not been properly set up for this account.  "
                                "Would you like to set this up now?");
    return setUp ? RetrieveOutcome::EditSetup : RetrieveOutcome::Declined;
  }
  std::string_view missing;
  if (secrets.userId.empty()) {
    missing = "User ID";
  } else if (secrets.accountNumber.empty()) {
    missing = "Account Number";
  } else if (secrets.routingNumber.empty()) {
    missing = "Routing Number";
  }
  if (!missing.empty()) {
    return AskSetUp(ports.prompter, SetUpText(missing)) ? RetrieveOutcome::EditSetup : RetrieveOutcome::Declined;
  }
  // A password typed here is used for this retrieval only.
  while (secrets.password.empty()) {
    if (!ports.askPassword) return RetrieveOutcome::Declined;
    auto typed = ports.askPassword(kRetrieveTitle, "Enter the password to access your bank account:");
    if (!typed) return RetrieveOutcome::Declined;
    secrets.password = std::move(*typed);
  }

  const std::time_t now = data.now();
  OfxRequestData request;
  request.serverUrl = institution->url;
  request.institutionName = institution->name;
  request.fid = institution->fid;
  request.org = institution->org;
  request.userId = secrets.userId;
  request.password = secrets.password;
  const UrlParts parts = SplitServerUrl(institution->url);
  request.host = parts.host;
  request.path = parts.path;
  request.bankId = secrets.routingNumber;
  request.accountId = secrets.accountNumber;
  request.start = OfxRequestTime(RetrievalStart(now, lastRetrieved));
  request.end = OfxRequestTime(now);
  request.clientTime = now;
  const std::string text =
      ledger::IsAssetAccount(data, account) ? buildBankRequest(request) : buildCreditCardRequest(request);

  ports.progress.setTitle(kRetrieveTitle);
  ports.progress.setText("Retrieving transactions");
  ExchangeResponse response;
  const ExchangeResult result = exchangeOfx(text, ports.progress, response, ports.exchange);
  if (result == ExchangeResult::Cancelled) return RetrieveOutcome::Cancelled;
  if (result == ExchangeResult::Failed) {
    const std::size_t answer = ports.prompter.ask(
        kNotWorkingTitle,
        WithDetail("Your financial institution information is not working properly at this time.  Would you like to "
                   "edit this now?",
                   response.refusal),
        {"Yes", "No"}, store::Icon::Question);
    return answer == 0 ? RetrieveOutcome::EditSetup : RetrieveOutcome::Failed;
  }
  if (response.code != 0) {
    ports.prompter.message(kNotWorkingTitle, SignOnErrorText(response.code, response.message), store::Icon::Error);
    return RetrieveOutcome::SignOnError;
  }
  if (ports.openReview) ports.openReview(response.body);
  return RetrieveOutcome::Reviewed;
}

bool retrieveTransactions(store::DataContext& data, ledger::AccountKey account, RetrievalPorts& ports) {
  return RunRetrieval(data, account, ports) == RetrieveOutcome::EditSetup;
}

RetrieveOutcome StartRetrieval(store::DataContext& data, store::Settings& settings, ledger::AccountKey account,
                               RetrievalPorts& ports, const std::function<bool()>& editAccount) {
  settings.writeInt("Settings", "BubbleTipImportCount", 0);
  if (!CheckDirectoryIntegrity(data, ReadOnlineSettings(settings), ports.progress, ports.prompter)) {
    return RetrieveOutcome::Declined;
  }
  for (;;) {
    const RetrieveOutcome outcome = RunRetrieval(data, account, ports);
    if (outcome != RetrieveOutcome::EditSetup) return outcome;
    if (!editAccount || !editAccount()) return outcome;
  }
}

}  // namespace tallyvane::online
