// online show/set, fi list/add/delete/check/restore, retrieve.
#include <ostream>

#include "cli/common.h"
#include "cli/review.h"
#include "import/import_review.h"
#include "ledger/accounts.h"
#include "ledger/balances.h"
#include "online/directory.h"
#include "online/online_settings.h"
#include "online/retrieve.h"
#include "store/text.h"

namespace tallyvane::cli {

namespace {

#define TV_FINISH(args, rest)                                                  \
  std::vector<std::string> rest;                                               \
  if (auto error = (args).finish(rest)) return session.usage(error->message);

// Progress titles and texts as lines on the error stream.
class StderrLineProgress final : public store::Progress {
 public:
  explicit StderrLineProgress(std::ostream& err) : err_(err) {}
  void setTitle(std::string_view title) override { err_ << title << '\n'; }
  void setText(std::string_view text) override { err_ << "  " << text << '\n'; }
  void setFraction(long long, long long) override {}
  [[nodiscard]] bool cancelRequested() const override { return false; }

 private:
  std::ostream& err_;
};

online::TraceSink TraceTo(std::ostream& err) {
  return [&err](std::string_view line) { err << "  " << line << '\n'; };
}

int OnlineShow(Session& session, Args& args) {
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  const online::OnlineSettings settings = online::ReadOnlineSettings(session.settings);
  if (session.json) {
    session.out << Json::object().set("directory", settings.directoryUrl).set("ca_file", settings.caFile).dump() << '\n';
  } else {
    session.out << "directory: " << settings.directoryUrl << "\nca_file: " << settings.caFile << '\n';
  }
  return kExitDone;
}

int OnlineSet(Session& session, Args& args) {
  online::OnlineSettings settings = online::ReadOnlineSettings(session.settings);
  if (auto v = args.value("--directory")) settings.directoryUrl = *v;
  if (auto v = args.value("--ca-file")) settings.caFile = *v;
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  if (!online::WriteOnlineSettings(session.settings, settings)) {
    session.err << "The settings file cannot be written.\n";
    return kExitFile;
  }
  return kExitDone;
}

int FiList(Session& session, Args& args) {
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  Json list = Json::array();
  for (const online::Institution& fi : online::ListInstitutions(session.data)) {
    if (!session.json) {
      session.out << fi.id << '\t' << fi.name << '\t' << fi.fid << '\t' << fi.org << '\t' << fi.url << '\t'
                  << fi.bankId << '\t' << fi.port << '\t' << fi.ofxVersion << '\n';
      continue;
    }
    Json item = Json::object();
    item.set("id", store::ParseInt32Prefix(fi.id)).set("name", fi.name).set("fid", fi.fid).set("org", fi.org);
    item.set("url", fi.url).set("bank_id", fi.bankId).set("port", fi.port).set("ofx_version", fi.ofxVersion);
    list.push(std::move(item));
  }
  if (session.json) session.out << list.dump() << '\n';
  return kExitDone;
}

int FiAdd(Session& session, Args& args) {
  online::InstitutionForm form;
  form.name = args.value("--name").value_or("");
  form.url = args.value("--url").value_or("");
  form.fid = args.value("--fid").value_or("");
  form.org = args.value("--org").value_or("");
  form.bankId = args.value("--bank-id").value_or("");
  form.port = args.value("--port").value_or("");
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  std::string key;
  const store::Status status = online::AddInstitutionByHand(session.data, session.prompter, form, &key);
  if (!status) return status.fileError ? session.refuse(status) : session.refuseQuietly(status);
  return PrintCreated(session, store::ParseInt32Prefix(key));
}

int FiDelete(Session& session, Args& args) {
  TV_FINISH(args, rest);
  if (rest.empty()) return session.usage("fi delete needs ID...");
  std::vector<std::string> ids;
  for (const std::string& word : rest) {
    const auto key = ParseKey(word);
    if (!key || !online::LoadInstitution(session.data, std::to_string(*key))) {
      return session.usage("no financial institution " + word);
    }
    ids.push_back(std::to_string(*key));
  }
  StderrLineProgress progress(session.err);
  const store::Status status = online::DeleteInstitutionsFromList(
      session.data, online::ReadOnlineSettings(session.settings), ids, progress, session.prompter);
  if (!status) return status.fileError ? session.refuse(status) : session.refuseQuietly(status);
  return kExitDone;
}

int FiCheck(Session& session, Args& args) {
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  const bool tampered = online::isDirectoryTampered(session.data);
  if (session.json) {
    session.out << Json::object().set("tampered", tampered).dump() << '\n';
  } else {
    session.out << "tampered: " << (tampered ? "true" : "false") << '\n';
  }
  if (!tampered) return kExitDone;
  StderrLineProgress progress(session.err);
  const bool restored = online::offerRestore(session.data, online::ReadOnlineSettings(session.settings), progress,
                                             session.prompter, TraceTo(session.err));
  if (!restored) return kExitRefused;
  return online::isDirectoryTampered(session.data) ? kExitRefused : kExitDone;
}

int FiRestore(Session& session, Args& args) {
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("unexpected " + rest[0]);
  StderrLineProgress progress(session.err);
  const online::DownloadResult result = online::restoreDirectory(
      session.data, online::ReadOnlineSettings(session.settings), progress, session.prompter, TraceTo(session.err));
  const auto listed = static_cast<long long>(online::ListInstitutions(session.data).size());
  if (session.json) {
    session.out << Json::object().set("institutions", listed).dump() << '\n';
  } else {
    session.out << listed << '\n';
  }
  return result == online::DownloadResult::Done ? kExitDone : kExitRefused;
}

int Retrieve(Session& session, Args& args) {
  std::optional<int> failed;
  const auto userPass = session.secretValue(args, "--user-pass", "--user-pass-stdin", failed);
  if (failed) return *failed;
  const ReviewEdits edits = ReadReviewEdits(args);
  TV_FINISH(args, rest);
  if (rest.size() != 1) return session.usage("retrieve needs ACCOUNT");
  const auto account = ResolveAccount(session, rest[0]);
  if (!account) return kExitUsage;
  if (!import::TakesStatements(session.data, *account)) return session.usage("statements import into bank accounts");

  store::NullProgress progress;
  online::RetrievalPorts ports{session.prompter, progress, {}, {}, {}};
  ports.exchange.caFile = online::ReadOnlineSettings(session.settings).caFile;
  // The typed password answers the prompt once; it is never printed.
  bool answered = false;
  ports.askPassword = [&](std::string_view title, std::string_view label) -> std::optional<std::string> {
    session.err << title << ": " << label << '\n';
    if (!userPass || answered) return std::nullopt;
    answered = true;
    return *userPass;
  };
  int reviewCode = kExitDone;
  ports.openReview = [&](std::string_view statement) {
    import::ImportReview review = import::ImportReview::Open(session.data, *account, statement, session.prompter);
    reviewCode = RunImportReview(session, review, edits);
  };
  const online::RetrieveOutcome outcome = online::StartRetrieval(session.data, session.settings, *account, ports, {});
  if (outcome == online::RetrieveOutcome::Reviewed) return reviewCode;
  return kExitRefused;
}

}  // namespace

void AddOnlineCommands(std::vector<Command>& commands) {
  commands.push_back({{"online", "show"}, "online show", OnlineShow});
  commands.push_back({{"online", "set"}, "online set [--directory URL] [--ca-file FILE]", OnlineSet});
  commands.push_back({{"fi", "list"}, "fi list", FiList});
  commands.push_back(
      {{"fi", "add"}, "fi add --name N --url U [--fid F] [--org O] [--bank-id B] [--port P]", FiAdd});
  commands.push_back({{"fi", "delete"}, "fi delete ID...", FiDelete});
  commands.push_back({{"fi", "check"}, "fi check", FiCheck});
  commands.push_back({{"fi", "restore"}, "fi restore", FiRestore});
  commands.push_back({{"retrieve"},
                      "retrieve ACCOUNT [--user-pass P | --user-pass-stdin] [--untick N]... [--tick N]... "
                      "[--category N=NAME]... [--dry-run]",
                      Retrieve, true, "",
                      {"--user-pass P       answers the password prompt when no password is stored; P is visible to "
                       "other local users in the process list",
                       "--user-pass-stdin   the same, read from a line of standard input"}});
}

}  // namespace tallyvane::cli
