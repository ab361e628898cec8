#include "app/install_update.h"

#include <system_error>

#include "ledger/balances.h"
#include "online/directory.h"
#include "store/db.h"
#include "store/record.h"
#include "store/schema.h"
#include "store/secure.h"

namespace tallyvane::app {

namespace {

// "IACKV" absent or 0: the credentials still sit in the Accounts columns.
bool CredentialsNotMoved(store::Db& db) {
  store::Query q(db, "SELECT Value FROM Variables WHERE ID = 'IACKV'");
  return !q.hasRow() || q.int32(0, 0) == 0;
}

std::filesystem::path TemplateIn(const std::filesystem::path& folder) {
  std::error_code ec;
  const std::filesystem::path direct = folder / store::kTemplateFileName;
  if (std::filesystem::is_regular_file(direct, ec)) return direct;
  // The recorded folder holds the executable; this layout keeps the template
  // in share/ beside bin/.
  const std::filesystem::path beside = store::TemplateBeside(folder / "tallyvane");
  if (std::filesystem::is_regular_file(beside, ec)) return beside;
  return direct;
}

}  // namespace

std::filesystem::path InstallTemplatePath(const store::Paths& paths, const store::Settings& settings) {
  std::string folder = settings.readString("Settings", "InstallerPath");
  if (folder.empty()) folder = settings.readMachineString("Settings", "InstallerPath");
  if (!folder.empty()) return TemplateIn(folder);
  return paths.templateFile;
}

InstallOutcome InstallUpdateDatabase(store::DataContext& data, store::Settings& settings, store::Prompter& prompter,
                                     const InstallOptions& options) {
  const store::Paths& paths = data.paths();
  const std::filesystem::path templateFile = InstallTemplatePath(paths, settings);
  const std::filesystem::path dataFile = paths.dataFile();
  data.close();

  // One transaction for the whole cache: a kill leaves the old cache, and a
  // million rows are rebuilt in seconds. Never run without a data file, as
  // opening one would leave an empty database behind that later starts take
  // for the user's data.
  auto rebuild = [&] {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(dataFile, ec)) return;
    if (!data.db().isOpen() && !data.OpenDataContext()) return;
    store::WriteGuard guard(data.db());
    ledger::RebuildAllMonthlyBalances(data);
    static_cast<void>(guard.commit());
  };
  auto failed = [&] {
    prompter.message(kInstallFailedTitle, kInstallFailed, store::Icon::Error);
    rebuild();
    data.close();
    return InstallOutcome::Failed;
  };

  std::error_code ec;
  if (std::filesystem::exists(dataFile, ec)) {
    if (!store::UpgradeSchema(templateFile, dataFile)) return failed();
    if (!data.OpenDataContext()) return failed();
    if (options.reseed != nullptr) {
      options.reseed->copyFromTemplate(data, templateFile);
      if (options.reseed->isTampered(data)) options.reseed->seal(data);
    }
    if (CredentialsNotMoved(data.db())) store::migratePlainCredentials(data.db());
    rebuild();
    data.close();
    return InstallOutcome::Upgraded;
  }

  if (!store::EnsureDataDir(paths)) return failed();
  const bool copied = store::RetryWhileBusy(
      [&] {
        if (store::CopyFileDurably(templateFile, dataFile, ec)) return store::Attempt::Done;
        return store::IsBusyError(ec) ? store::Attempt::Busy : store::Attempt::Failed;
      },
      options.copyRetry, options.sleep);
  if (!copied) return failed();
  rebuild();
  data.close();
  return InstallOutcome::Created;
}

bool InstitutionDirectoryReseed::copyFromTemplate(store::DataContext& data, const std::filesystem::path& templateFile) {
  return online::copyDirectoryFromTemplate(data, templateFile);
}

bool InstitutionDirectoryReseed::isTampered(store::DataContext& data) { return online::isDirectoryTampered(data); }

bool InstitutionDirectoryReseed::seal(store::DataContext& data) { return online::sealDirectory(data); }

}  // namespace tallyvane::app
