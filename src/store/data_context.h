// The application's open data file: the connection every table object
// borrows, the regional settings loaded from it, and the folders it lives in.
// Created by the shell and passed down; there is no global instance.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "store/db.h"
#include "store/paths.h"
#include "store/ports.h"
#include "store/regional.h"
#include "store/status.h"

namespace tallyvane::store {

class Settings;

class DataContext {
 public:
  DataContext(Paths paths, SystemLocale locale) : paths_(std::move(paths)), locale_(std::move(locale)) {}
  DataContext(const DataContext&) = delete;
  DataContext& operator=(const DataContext&) = delete;

  // Closes the previous handle, opens the named database of the data folder
  // ("Tallyvane" is the data file), checks that it is a readable, writable
  // SQLite file, adds the lookup indexes and loads the regional settings.
  [[nodiscard]] Status OpenDataContext(std::string_view name = kLiveDatabaseName);
  void close() { db_.close(); }

  // Reloads the regional settings, as after the options are saved.
  void reloadRegionalSettings();

  [[nodiscard]] Db& db() { return db_; }
  [[nodiscard]] const RegionalSettings& regional() const { return regional_; }
  [[nodiscard]] const Paths& paths() const { return paths_; }
  [[nodiscard]] const SystemLocale& systemLocale() const { return locale_; }
  [[nodiscard]] DateOrder systemDateOrder() const { return locale_.shortDateOrder; }

  // What "now" is for the rules that depend on today's date.
  void setClock(const Clock& clock) { clock_ = &clock; }
  [[nodiscard]] const Clock& clock() const { return *clock_; }
  [[nodiscard]] std::time_t now() const { return clock_->now(); }

  // The rebalance batch of this handle: accounts with the span of dates whose
  // rows changed (`to` empty: every date from `from` on), so their monthly
  // balances are recomputed once when the batch ends. Empty optional while no
  // batch is open.
  struct RebalanceSpan {
    std::string from;
    std::string to;
  };
  [[nodiscard]] std::optional<std::map<int32_t, RebalanceSpan>>& rebalanceBatch() { return rebalanceBatch_; }

 private:
  Paths paths_;
  SystemLocale locale_;
  Db db_;
  RegionalSettings regional_;
  SystemClock systemClock_;
  const Clock* clock_ = &systemClock_;
  std::optional<std::map<int32_t, RebalanceSpan>> rebalanceBatch_;
};

// Indexes for the lookups the ledger makes; created at open when missing.
// They change nothing that is stored.
void EnsureLookupIndexes(Db& db);

enum class ProvisionOutcome {
  Existing,         // the data file was already there
  Copied,           // the template was copied to the data file
  TemplateMissing,  // no template: no data file was made
  CopyFailed,       // the template could not be copied: no data file was made
};

struct ProvisionResult {
  Status status;                     // a data folder that cannot be made fails here
  ProvisionOutcome outcome = ProvisionOutcome::Existing;
  std::filesystem::path templatePath;  // where the template was looked for
};

// Run before anything else touches the data: copies the template when there is
// no data file (through a temporary file, so a failed copy leaves nothing), and
// once per user rewrites plain values of protected columns ("UpdatePack" 4).
[[nodiscard]] ProvisionResult ProvisionDataFileAtStartup(const Paths& paths, Settings& settings);

// The restore test: `folder` holds a tallyvane.vdb whose AccountTypes table has
// a row with Asset 0 or 1. Works on a copy in the data folder, removed after.
[[nodiscard]] bool IsDataFile(const Paths& paths, const std::filesystem::path& folder);

// Rewrites the still-plain protected columns of one table ("Accounts" or
// "FinancialInstitutions"); rows already protected are not saved.
void MigrateProtectedFields(Db& db, std::string_view table);

}  // namespace tallyvane::store
