#include "import/csv_import.h"

#include <array>
#include <cstdio>
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

// The date of a CSV line in the stored form, or empty when it names no day
// the data file holds. Three numbers with one separator: year-month-day when
// the first has four digits (the stored form, "2026-1-3" too, and bank
// exports' "2012/3/22" whatever the locale), else in the short-date order. Years of two digits below 70 are 20xx, others 19xx. The
// parts must name a real day of 1970 to 2038 as written: a month 13 or a
// year 2012 read as a month names no day, and is never rolled over into
// one. A time of day after a blank is ignored.
std::string CsvDate(store::DateOrder order, std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  if (const auto blank = text.find_first_of(" \t"); blank != std::string_view::npos) text = text.substr(0, blank);
  std::string_view parts[3];
  std::size_t count = 0;
  char separator = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const bool end = i == text.size();
    const char c = end ? 0 : text[i];
    if (!end && c >= '0' && c <= '9') continue;
    if (!end && c != '/' && c != '-' && c != '.' && c != '\\') return {};
    if (!end && separator != 0 && c != separator) return {};
    if (!end) separator = c;
    if (i == start || count == 3) return {};
    parts[count++] = text.substr(start, i - start);
    start = i + 1;
  }
  if (count != 3) return {};
  auto number = [](std::string_view digits) {
    int value = 0;
    for (char c : digits) value = value * 10 + (c - '0');
    return value;
  };
  std::string_view year = parts[2];
  std::string_view month = parts[0];
  std::string_view day = parts[1];
  if (parts[0].size() == 4 || order == store::DateOrder::YearMonthDay) {
    year = parts[0];
    month = parts[1];
    day = parts[2];
  } else if (order == store::DateOrder::DayMonthYear) {
    day = parts[0];
    month = parts[1];
  }
  if (month.size() > 2 || day.size() > 2 || (year.size() != 2 && year.size() != 4)) return {};
  int y = number(year);
  if (year.size() == 2) y += y < 70 ? 2000 : 1900;
  const int m = number(month);
  const int d = number(day);
  if (y < 1970 || y > 2038 || m < 1 || m > 12 || d < 1 || d > store::DaysInMonth(m, y)) return {};
  char buffer[48];  // room for any three ints, so nothing is ever cut
  std::snprintf(buffer, sizeof buffer, "%.4d-%.2d-%.2d", y, m, d);
  return buffer;
}

// "Lines not imported: 3, 5, 9", the first twenty of them.
std::string LinesNotImported(const std::vector<std::size_t>& lines) {
  constexpr std::size_t kShown = 20;
  std::string text = lines.size() == 1 ? "Line not imported: " : "Lines not imported: ";
  for (std::size_t i = 0; i < lines.size() && i < kShown; ++i) {
    if (i > 0) text += ", ";
    text += std::to_string(lines[i]);
  }
  if (lines.size() > kShown) text += " and " + std::to_string(lines.size() - kShown) + " more";
  return text + ".";
}

// The closing message of an import: what was written, and when nothing was,
// why. Shown through the prompter and returned.
Status CloseImport(store::Prompter& prompter, std::size_t imported, const std::vector<std::size_t>& skipped,
                   std::string_view skippedReason, std::size_t linesToSkip) {
  Status status;
  if (imported > 0 && skipped.empty()) {
    prompter.message("Import Succeeded", "CSV file was imported successfully.", store::Icon::Information);
    return Status::Ok();
  }
  if (imported > 0) {
    status = Status::Fail(std::string(skippedReason) + "\n\n" + LinesNotImported(skipped), "Import Finished With Errors");
  } else if (!skipped.empty()) {
    status = Status::Fail("Nothing was imported: no line of the file could be read as a transaction.\n\n" +
                              LinesNotImported(skipped),
                          std::string(kNothingImportedTitle));
  } else {
    status = Status::Fail(store::FormatSql("Nothing was imported: the file holds no lines after the %d %s to skip.",
                                           {static_cast<long long>(linesToSkip), linesToSkip == 1 ? "line" : "lines"}),
                          std::string(kNothingImportedTitle));
  }
  prompter.message(status.title, status.message, store::Icon::Warning);
  return status;
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
                                   std::size_t linesToSkip, store::Prompter& prompter, store::Progress& progress) {
  CsvImportResult result;
  const store::RegionalSettings& regional = data.regional();
  const bool asset = ledger::IsAssetAccount(data, account);
  const ledger::CategoryKey notCategorized = ledger::FindCategoryId(data, ledger::kNotCategorized).value_or(0);
  std::unordered_map<std::string, ledger::CategoryKey> categories;
  std::unordered_map<std::string, ledger::PayeeKey> payees;
  std::vector<std::string> fields;
  std::vector<std::size_t> skippedLines;
  auto failed = [&] { return CsvImportResult{Status::FileError(store::WriteFailureMessage(data.db().lastError())), 0, 0}; };
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
        case 1: date = CsvDate(data.systemDateOrder(), text); break;
        case 2: payee = store::CutChars(text); break;
        case 3: note = store::CutChars(text); break;
        case 4:
          if (!text.empty()) {
            category = CategoryForName(data, text, categories);
            if (!category) return failed();
          }
          break;
        case 5: number = store::CutChars(text); break;
        default: break;
      }
    }
    if (!ledger::IsStorableDate(date)) {
      ++result.skipped;
      skippedLines.push_back(reader.lineNumber());
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
    if (linked == payees.end()) {
      const auto key = ledger::PayeeFromTypedName(data, payee);
      if (!key && !ledger::TrimSpaces(payee).empty()) return failed();
      linked = payees.emplace(payee, key.value_or(0)).first;
    }
    row.payee = linked->second;
    // A line that cannot be written takes the whole import back with it.
    if (!ledger::AddTransaction(data, row)) return failed();
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
  result.status = CloseImport(prompter, result.imported, skippedLines,
                              "Some transactions were not imported correctly as a result of improper date formatting.",
                              linesToSkip);
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
  std::vector<std::size_t> skippedLines;
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
        case 1: row.date = CsvDate(data.systemDateOrder(), text); break;
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
    // A line without a day the file can hold would show in no period.
    if (!amounts || amounts->shares > planning::kShareCountLimit || amounts->shares < -planning::kShareCountLimit ||
        !ledger::IsStorableDate(row.date)) {
      ++result.skipped;
      skippedLines.push_back(reader.lineNumber());
      continue;
    }
    row.shares = amounts->shares;
    row.price = amounts->price;
    row.commission = amounts->commission;
    row.total = amounts->total;
    const auto key = planning::AddInvestment(data, row);
    if (!key || !planning::SetInvestmentSecurityByName(data, *key, security)) {
      return {Status::FileError(store::WriteFailureMessage(data.db().lastError())), 0, 0};
    }
    ++result.imported;
  }
  if (Status committed = guard.commit(); !committed) {
    result.status = committed;
    result.imported = 0;
    return result;
  }
  result.status = CloseImport(prompter, result.imported, skippedLines,
                              "Some transactions were not imported: their date, number of shares or amounts could "
                              "not be read.",
                              skip);
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

Status CheckCsvMapping(store::DataContext& data, ledger::AccountKey account, const CsvMapping& mapping) {
  auto assigned = [&](std::size_t field) { return field < mapping.columns.size() && mapping.columns[field].has_value(); };
  if (assigned(0) && assigned(1)) return Status::Ok();
  return Status::Fail(ledger::IsInvestmentAccount(data, account)
                          ? "Cost and Investment Date fields must have fields from the CSV file assigned in order to "
                            "import."
                          : "The Amount and Transaction Date fields must have fields from the CSV file assigned in "
                            "order to import.",
                      "Error importing");
}

CsvImportResult ImportCsvFile(store::DataContext& data, ledger::AccountKey account, const std::filesystem::path& path,
                              const CsvMapping& mapping, store::Prompter& prompter, store::Progress* progressPort) {
  store::NullProgress unwatched;
  store::Progress& progress = progressPort != nullptr ? *progressPort : unwatched;
  CsvImportResult result;
  const bool investment = ledger::IsInvestmentAccount(data, account);
  if (Status checked = CheckCsvMapping(data, account, mapping); !checked) {
    result.status = checked;
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
  return ImportTransactions(data, account, reader, columnCount, fieldOf, mapping.linesToSkip, prompter, progress);
}

}  // namespace tallyvane::import
