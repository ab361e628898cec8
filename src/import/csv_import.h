// CSV import: the file's columns mapped to the account's fields, then every
// data line written at once as a transaction (bank accounts) or an
// investment action (investment accounts), in one transaction.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ledger/keys.h"
#include "store/data_context.h"
#include "store/ports.h"
#include "store/status.h"

namespace tallyvane::import {

inline constexpr std::array<std::string_view, 6> kTransactionFields = {
    "Amount", "Transaction Date", "Payee", "Note", "Category Name", "Transaction Number"};
inline constexpr std::array<std::string_view, 8> kInvestmentFields = {
    "Total Cost", "Investment Date", "Investment Type", "Security Name", "No. of Shares", "Price paid per share",
    "Comission", "Note"};

// The field names offered for an account.
[[nodiscard]] std::vector<std::string_view> CsvFieldNames(store::DataContext& data, ledger::AccountKey account);

struct CsvMapping {
  // For each field (by index), the file column (0-based) or none.
  std::vector<std::optional<std::size_t>> columns;
  std::size_t linesToSkip = 1;
};

struct CsvImportResult {
  store::Status status;  // the closing message (ok: "Import Succeeded"); says why nothing was imported
  std::size_t imported = 0;
  std::size_t skipped = 0;
};

// The title of the closing message when no line was written.
inline constexpr std::string_view kNothingImportedTitle = "Nothing Imported";

// The check before an import: the amount and date fields (fields 0 and 1)
// need a column. The "Error importing" message when they lack one.
[[nodiscard]] store::Status CheckCsvMapping(store::DataContext& data, ledger::AccountKey account,
                                            const CsvMapping& mapping);

// The first non-empty line's values: the file's columns.
[[nodiscard]] std::optional<std::vector<std::string>> CsvColumns(const std::filesystem::path& path,
                                                                 store::Status* error);

// The whole import; messages go to the prompter as the program shows them.
// `progress` follows the reading of the file; its cancel request undoes the
// whole import (nothing is written, nothing is said) and returns Declined.
[[nodiscard]] CsvImportResult ImportCsvFile(store::DataContext& data, ledger::AccountKey account,
                                            const std::filesystem::path& path, const CsvMapping& mapping,
                                            store::Prompter& prompter, store::Progress* progress = nullptr);

}  // namespace tallyvane::import
