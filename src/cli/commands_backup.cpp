// install-update, backup, backup due, restore.
#include <ostream>

#include "app/backup.h"
#include "app/install_update.h"
#include "cli/cli.h"
#include "cli/common.h"

namespace tallyvane::cli {

namespace {

#define TV_FINISH(args, rest)                                                  \
  std::vector<std::string> rest;                                               \
  if (auto error = (args).finish(rest)) return session.usage(error->message);

// Runs without the start's provisioning: the installation makes the data
// file from its own template when there is none.
int InstallUpdate(Session& session, Args& args) {
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("install-update takes no arguments");
  app::InstitutionDirectoryReseed reseed;
  app::InstallOptions options;
  options.reseed = &reseed;
  const app::InstallOutcome outcome = app::InstallUpdateDatabase(session.data, session.settings, session.prompter, options);
  if (outcome == app::InstallOutcome::Failed) return kExitFile;
  const char* done = outcome == app::InstallOutcome::Created ? "created" : "upgraded";
  if (session.json) {
    session.out << Json::object().set("outcome", done).set("data_file", session.data.paths().dataFile().string()).dump()
                << '\n';
  } else {
    session.out << done << '\n';
  }
  return kExitDone;
}

int Backup(Session& session, Args& args) {
  const std::optional<std::string> to = args.value("--to");
  const bool drive = args.flag("--drive");
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("backup takes no positional arguments");
  if (to && to->empty()) return session.usage("--to needs a folder");

  app::BackupForm form = app::OpenBackupForm(session.settings);
  if (drive || to) form.kind = drive ? app::BackupKind::Drive : app::BackupKind::Folder;
  if (to) (drive ? form.drive : form.folder) = *to;
  StderrProgress progress;
  const app::BackupResult result = app::BackUpData(session.data.paths(), session.settings, session.data.clock(),
                                                   session.prompter, progress, form);
  if (!result.status) return session.refuseQuietly(result.status);
  if (session.json) {
    session.out << Json::object().set("folder", result.folder.string()).dump() << '\n';
  } else {
    session.out << result.folder.string() << '\n';
  }
  return kExitDone;
}

int BackupDue(Session& session, Args& args) {
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("backup due takes no arguments");
  const app::BackupReminder reminder = app::BackupReminderDue(session.settings, session.data.now());
  session.out << Json::object().set("due", reminder.due).set("last_backup", reminder.lastBackup).dump() << '\n';
  return kExitDone;
}

int Restore(Session& session, Args& args) {
  const std::optional<std::string> from = args.value("--from");
  TV_FINISH(args, rest);
  if (!rest.empty()) return session.usage("restore takes no positional arguments");
  if (!from || from->empty()) return session.usage("restore needs --from DIR");
  // The command line names one folder; asked for another, it has none.
  bool picked = false;
  auto pick = [&](std::string_view) -> std::optional<std::filesystem::path> {
    if (picked) return std::nullopt;
    picked = true;
    return std::filesystem::path(*from);
  };
  StderrProgress progress;
  const store::Status restored =
      app::RestoreData(session.data.paths(), session.data.clock(), session.prompter, progress, pick, &session.data);
  if (!restored) return session.refuseQuietly(restored);
  return kExitDone;
}

}  // namespace

void AddBackupCommands(std::vector<Command>& commands) {
  commands.push_back({{"install-update"}, "install-update", InstallUpdate, false});
  commands.push_back({{"backup"}, "backup [--to DIR] [--drive]", Backup});
  commands.push_back({{"backup", "due"}, "backup due", BackupDue});
  commands.push_back({{"restore"}, "restore --from DIR", Restore});
}

}  // namespace tallyvane::cli
