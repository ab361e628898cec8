#include "import/csv_import.h"

#include <array>
#include <unordered_map>

#include "import/csv_reader.h"
#include "ledger/accounts.h"
#include "ledger/balances.h"
#include "ledger/categories.h"
#include "ledger/payees.h"
#include "ledger/transactions.h"
#include "planning/investments.h"
#include "store/dates.h"
#include "store/record.h"
#include "store/text.h"

namespace tallyvane::import {

using store::Money;
using store::Status;

namespace {

// The type names a CSV file writes, in code order; they are the file's own
// words, not the investment form's labels ("MiscExpense", no blank).
constexpr std::array<std::string_view, 7> kCsvInvestmentTypes = {"Buy",     "Sell",    "Dividend", "Income",
                                                                  "MiscExpense", "Deposit", "Withdraw"};

std::optional<planning::InvestmentAction> CsvInvestmentType(std::string_view text) {
  for (std::size_t i = 0; i < kCsvInvestmentTypes.size(); ++i) {
    if (store::EqualsNoCase(kCsvInvestmentTypes[i], text)) return static_cast<planning::InvestmentAction>(i);
  }
  return std::nullopt;
}

// A stored date as it stands, else the regional display form read with the
// short-date order; empty when neither reads.
std::string CsvDate(store::DataContext& data, const std::string& text) {
  if (ledger::IsStorableDate(text)) return text;
  // "2026-1-3" is a stored-style date too, written back in the stored form.
  if (!text.empty() && store::IsValidDateText(text) && text.find('-') != std::string::npos) {
    return store::DateText(store::DateTextToTime(text, "12:00:00"));
  }
  const std::time_t t = store::ParseTypedDate(text, data.systemDateOrder());
  if (t == 0) return {};
  return store::DateText(t);
}

// "Parent | Child" is found, or created as the two levels it names; a plain
// name is found at any level or created at the top as an expense.
std::optional<ledger::CategoryKey> CategoryForName(store::DataContext& data, const std::string& text,
                                                   std::unordered_map<std::string, ledger::CategoryKey>& cache) {
  if (const auto found = cache.find(text); found != cache.end()) return found->second;
  ledger::CategoryKey key = ledger::FindCategoryByFullName(data, text);
  if (key < 0) {
    const std::string name = store::CutChars(text);
    const auto cut = name.find(ledger::kCategorySeparator);
    if (cut != std::string::npos && cut > 0 && cut + ledger::kCategorySeparator.size() < name.size()) {
      const std::string parentName = name.substr(0, cut);
      const std::string childName = name.substr(cut + ledger::kCategorySeparator.size());
      ledger::CategoryKey parent = ledger::FindCategoryByFullName(data, parentName);
      if (parent < 0 && !ledger::AddCategory(data, parentName, true, 0, false, true, &parent)) return std::nullopt;
      const bool expense = ledger::IsExpenseCategory(data, parent);
      const auto child = ledger::SubcategoryFromTypedName(data, parent, childName, expense, nullptr);
      if (!child) return std::nullopt;
      key = child->key;
    } else {
      if (!ledger::AddCategory(data, name, false, 0, false, true, &key)) return std::nullopt;
    }
  }
  cache.emplace(text, key);
  return key;
}

// Reports the reading every so many lines; true when the user asked to stop.
constexpr std::size_t kProgressEveryLines = 256;

bool Stopped(store::Progress& progress, const CsvReader& reader, std::size_t line) {
  if (line % kProgressEveryLines != 0) return false;
  progress.setFraction(static_cast<long long>(reader.position()), static_cast<long long>(reader.size()));
  return progress.cancelRequested();
}

CsvImportResult Cancelled() { return {Status::Declined(), 0, 0}; }

CsvImportResult ImportTransactions(store::DataContext& data, ledger::AccountKey account, CsvReader& reader,
                                   std::size_t columnCount, const std::vector<std::optional<std::size_t>>& fieldOf,
                                   store::Prompter& prompter, store::Progress& progress) {
  CsvImportResult result;
  const store::RegionalSettings& regional = data.regional();
  const bool asset = ledger::IsAssetAccount(data, account);
  const ledger::CategoryKey notCategorized = ledger::FindCategoryId(data, ledger::kNotCategorized).value_or(0);
  std::unordered_map<std::string, ledger::CategoryKey> categories;
  std::unordered_map<std::string, ledger::PayeeKey> payees;
  std::vector<std::string> fields;
  store::WriteGuard guard(data.db());
  for (std::size_t line = 0; reader.nextLine(fields); ++line) {
    // Leaving without the commit rolls everything back.
    if (Stopped(progress, reader, line)) return Cancelled();
    Money amount;
    std::string date;
    std::string payee;
    std::string note;
    std::string number;
    std::optional<ledger::CategoryKey> category;
    for (std::size_t column = 0; column < fields.size() && column < columnCount; ++column) {
      if (!fieldOf[column]) continue;
      const std::string& text = fields[column];
      switch (*fieldOf[column]) {
        case 0: amount = store::ParseMoney(regional, text); break;
        case 1: date = CsvDate(data, text); break;
        case 2: payee = store::CutChars(text); break;
        case 3: note = store::CutChars(text); break;
        case 4:
          if (!text.empty()) {
            category = CategoryForName(data, text, categories);
            if (!category) return {Status::FileError(store::WriteFailureMessage(data.db().lastError())), 0, 0};
          }
          break;
        case 5: number = store::CutChars(text); break;
        default: break;
      }
    }
    if (!ledger::IsStorableDate(date)) {
      ++result.skipped;
      continue;
    }
    ledger::TransactionFields row;
    row.account = account;
    row.amount = amount;
    row.note = note;
    row.category = category.value_or(notCategorized);
    row.date = date;
    row.number = number;
    row.taxDeductible = 2;
    row.cleared = true;
    const bool purchase = asset ? amount.minorUnits() < 0 : amount.minorUnits() >= 0;
    row.type = purchase ? ledger::TransactionType::Purchase : ledger::TransactionType::Deposit;
    // The payee is linked as SetTransactionPayeeByName would, once per name;
    // an empty name links no payee rather than one named "".
    auto linked = payees.find(payee);
    if (linked == payees.end()) linked = payees.emplace(payee, ledger::PayeeFromTypedName(data, payee).value_or(0)).first;
    row.payee = linked->second;
    if (!ledger::AddTransaction(data, row)) break;
    ++result.imported;
  }
  const std::string first = ledger::FirstTransactionDate(data, account);
  if (!first.empty()) ledger::RecomputeMonthlyBalances(data, account, first);
  ledger::UpdateCurrentBalance(data, account);
  if (Status committed = guard.commit(); !committed) {
    result.status = committed;
    result.imported = 0;
    return result;
  }
  if (result.skipped > 0) {
    result.status = Status::Fail("Some transactions were not imported correctly as a result of improper date formatting.",
                                 "Import Finished With Errors");
    prompter.message(result.status.title, result.status.message, store::Icon::Warning);
  } else {
    prompter.message("Import Succeeded", "CSV file was imported successfully.", store::Icon::Information);
  }
  return result;
}

CsvImportResult ImportInvestments(store::DataContext& data, ledger::AccountKey account, CsvReader& reader,
                                  std::size_t columnCount, const std::vector<std::optional<std::size_t>>& fieldOf,
                                  std::size_t skip, const std::filesystem::path& path, store::Prompter& prompter,
                                  store::Progress& progress) {
  CsvImportResult result;
  const store::RegionalSettings& regional = data.regional();
  std::vector<std::string> fields;
  // Validation pass over every data line first: nothing is written for a
  // file with a bad investment type.
  for (std::size_t line = 0; reader.nextLine(fields); ++line) {
    if (Stopped(progress, reader, line)) return Cancelled();
    if (line < skip) continue;
    for (std::size_t column = 0; column < fields.size() && column < columnCount; ++column) {
      if (fieldOf[column] && *fieldOf[column] == 2 && !CsvInvestmentType(fields[column])) {
        result.status = Status::Fail(
            "This file is not in the correct format. The investment type field must contain one of these "
            "values:\nBuy, Sell, Dividend, Income, MiscExpense, Deposit, or Withdraw",
            "Csv file has errors");
        prompter.message(result.status.title, result.status.message, store::Icon::Error);
        return result;
      }
    }
  }
  if (Status reopened = reader.open(path); !reopened) {
    result.status = reopened;
    return result;
  }
  store::WriteGuard guard(data.db());
  for (std::size_t line = 0; reader.nextLine(fields); ++line) {
    if (Stopped(progress, reader, line)) return Cancelled();
    if (line < skip) continue;
    planning::InvestmentFields row;
    row.account = account;
    Money total;
    Money price;
    Money commission;
    int64_t shares = 0;
    std::string security;
    for (std::size_t column = 0; column < fields.size() && column < columnCount; ++column) {
      if (!fieldOf[column]) continue;
      const std::string& text = fields[column];
      switch (*fieldOf[column]) {
        case 0: total = store::ParseMoney(regional, text); break;
        case 1: row.date = CsvDate(data, text); break;
        case 2: row.action = CsvInvestmentType(text).value_or(planning::InvestmentAction::Buy); break;
        case 3:
          security = store::CutChars(text);
          row.security = store::ParseInt32Prefix(text);
          break;
        case 4: shares = store::ParseInt64Prefix(text); break;
        case 5: price = store::ParseMoney(regional, text); break;
        case 6: commission = store::ParseMoney(regional, text); break;
        case 7: row.note = store::CutChars(text); break;
        default: break;
      }
    }
    const auto amounts = planning::ApplyInvestmentSigns(row.action, {shares, price, commission, total});
    if (!amounts || amounts->shares > planning::kShareCountLimit || amounts->shares < -planning::kShareCountLimit) {
      ++result.skipped;
      continue;
    }
    row.shares = amounts->shares;
    row.price = amounts->price;
    row.commission = amounts->commission;
    row.total = amounts->total;
    const auto key = planning::AddInvestment(data, row);
    if (!key) break;
    planning::SetInvestmentSecurityByName(data, *key, security);
    ++result.imported;
  }
  if (Status committed = guard.commit(); !committed) {
    result.status = committed;
    result.imported = 0;
    return result;
  }
  prompter.message("Import Succeeded", "CSV file was imported successfully.", store::Icon::Information);
  return result;
}

}  // namespace

std::vector<std::string_view> CsvFieldNames(store::DataContext& data, ledger::AccountKey account) {
  if (ledger::IsInvestmentAccount(data, account)) return {kInvestmentFields.begin(), kInvestmentFields.end()};
  return {kTransactionFields.begin(), kTransactionFields.end()};
}

std::optional<std::vector<std::string>> CsvColumns(const std::filesystem::path& path, Status* error) {
  CsvReader reader;
  if (Status opened = reader.open(path); !opened) {
    if (error) *error = opened;
    return std::nullopt;
  }
  std::vector<std::string> columns;
  reader.nextLine(columns);
  return columns;
}

CsvImportResult ImportCsvFile(store::DataContext& data, ledger::AccountKey account, const std::filesystem::path& path,
                              const CsvMapping& mapping, store::Prompter& prompter, store::Progress* progressPort) {
  store::NullProgress unwatched;
  store::Progress& progress = progressPort != nullptr ? *progressPort : unwatched;
  CsvImportResult result;
  const bool investment = ledger::IsInvestmentAccount(data, account);
  auto assigned = [&](std::size_t field) { return field < mapping.columns.size() && mapping.columns[field].has_value(); };
  if (!assigned(0) || !assigned(1)) {
    result.status = Status::Fail(investment ? "Cost and Investment Date fields must have fields from the CSV file "
                                              "assigned in order to import."
                                            : "The Amount and Transaction Date fields must have fields from the CSV "
                                              "file assigned in order to import.",
                                 "Error importing");
    prompter.message(result.status.title, result.status.message, store::Icon::Error);
    return result;
  }
  CsvReader reader;
  if (Status opened = reader.open(path); !opened) {
    prompter.message(opened.title, opened.message, store::Icon::Error);
    result.status = opened;
    return result;
  }
  std::vector<std::string> first;
  reader.nextLine(first);
  const std::size_t columnCount = first.size();
  // Column index -> field index; the first field that chose a column wins.
  std::vector<std::optional<std::size_t>> fieldOf(columnCount);
  for (std::size_t field = 0; field < mapping.columns.size(); ++field) {
    const auto column = mapping.columns[field];
    if (column && *column < columnCount && !fieldOf[*column]) fieldOf[*column] = field;
  }
  if (investment) {
    if (Status reopened = reader.open(path); !reopened) {
      result.status = reopened;
      return result;
    }
    return ImportInvestments(data, account, reader, columnCount, fieldOf, mapping.linesToSkip, path, prompter,
                             progress);
  }
  // Back to the top, then past the lines to skip.
  if (Status reopened = reader.open(path); !reopened) {
    result.status = reopened;
    return result;
  }
  std::vector<std::string> skipped;
  for (std::size_t i = 0; i < mapping.linesToSkip && reader.nextLine(skipped); ++i) {
  }
  return ImportTransactions(data, account, reader, columnCount, fieldOf, prompter, progress);
}

}  // namespace tallyvane::import
