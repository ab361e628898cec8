#include "reports/report_csv.h"

#include <cstdio>
#include <fstream>
#include <system_error>

namespace tallyvane::reports {

namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 32; }

// Whether the text after a leading sign is only a number as the program
// formats amounts and percentages: digits, blanks, the usual separators,
// percent, parentheses and the data file's own symbols.
bool LooksLikeNumber(std::string_view rest, const store::RegionalSettings& regional) {
  std::string_view text = rest;
  bool digit = false;
  while (!text.empty()) {
    bool matched = false;
    for (const std::string* symbol : {&regional.currencySymbol, &regional.decimalSymbol, &regional.thousandsSymbol}) {
      if (!symbol->empty() && text.substr(0, symbol->size()) == *symbol) {
        text.remove_prefix(symbol->size());
        matched = true;
        break;
      }
    }
    if (matched) continue;
    const char c = text.front();
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (std::string_view(" .,'%()$").find(c) == std::string_view::npos) {
      return false;
    }
    text.remove_prefix(1);
  }
  return digit || rest.empty();
}

// A spreadsheet runs a field that starts with one of these (after blanks) as
// a formula; a signed number is the one harmless case.
bool RunsAsFormula(std::string_view text, const store::RegionalSettings& regional) {
  std::size_t first = 0;
  while (first < text.size() && IsBlankOrControl(text[first])) ++first;
  if (first == text.size()) return false;
  const char c = text[first];
  if (c == '=' || c == '@') return true;
  if (c == '+' || c == '-') return !LooksLikeNumber(text.substr(first + 1), regional);
  return false;
}

}  // namespace

std::string CsvField(std::string_view cell, const store::RegionalSettings& regional) {
  std::string text(cell);
  for (char& c : text) {
    if (c == ',') c = ' ';
  }
  while (!text.empty() && IsBlankOrControl(text.back())) text.pop_back();
  if (RunsAsFormula(text, regional)) text.insert(text.begin(), '\'');

  std::string field = "\"";
  for (char c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (code == 0) continue;
    if (c == '"') {
      field += "\"\"";
    } else if (code <= 32) {
      field += ' ';
    } else {
      field += c;
    }
  }
  field += '"';
  return field;
}

std::string ReportCsvText(const Report& report, bool byteOrderMark) {
  const store::RegionalSettings& regional = report.owner().regional();
  std::string out;
  if (byteOrderMark) out += "\xEF\xBB\xBF";
  auto line = [&](auto begin, auto end, auto textOf) {
    bool first = true;
    for (auto it = begin; it != end; ++it) {
      if (!first) out += ',';
      first = false;
      out += CsvField(textOf(*it), regional);
    }
    out += "\r\n";
  };
  line(report.columns().begin(), report.columns().end(), [](const ReportColumn& c) { return c.title; });
  for (const ReportRow& row : report.rows()) {
    line(row.cells.begin(), row.cells.end(), [](const ReportCell& c) { return std::string_view(c.text); });
  }
  return out;
}

bool WriteReportCsv(const Report& report, const std::filesystem::path& path) {
  const std::string text = ReportCsvText(report, report.owner().regional().csvBom);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (out) return true;
  }
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  return false;
}

}  // namespace tallyvane::reports
