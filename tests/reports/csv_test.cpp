// "Save as CSV": field encoding, formula neutralising, the header line, short
// header rows and the byte-order mark option.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "reports/category_report.h"
#include "reports/report_csv.h"
#include "reports_fixture.h"

namespace tallyvane::reports {
namespace {

using ledger::TransactionType;

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

TEST(CsvField, EncodesEveryCellAsOneQuotedField) {
  const store::RegionalSettings us;
  struct Case {
    const char* name;
    const char* cell;
    const char* field;
  };
  const Case cases[] = {
      {"comma thousands separator becomes a space", "$1,234.56", "\"$1 234.56\""},
      {"quotes are doubled", "say \"hi\"", "\"say \"\"hi\"\"\""},
      {"line breaks and tabs become spaces", "two\r\nlines\there", "\"two  lines here\""},
      {"trailing blanks and controls go", "name  \t\r\n", "\"name\""},
      {"leading blanks stay", "   indented", "\"   indented\""},
      {"empty", "", "\"\""},
      {"UTF-8 passes through", "Caf\xC3\xA9 \xE2\x82\xAC", "\"Caf\xC3\xA9 \xE2\x82\xAC\""},
      {"negative amount stays a number", "-$1,009.00", "\"-$1 009.00\""},
      {"percentages stay numbers", "-6.33%", "\"-6.33%\""},
      {"a lone plus is the zero-budget variance", "+", "\"+\""},
      {"formula", "=HYPERLINK(\"http://x\",\"y\")", "\"'=HYPERLINK(\"\"http://x\"\" \"\"y\"\")\""},
      {"formula after blanks", "  =1+1", "\"'  =1+1\""},
      {"at sign", "@SUM(A1:A2)", "\"'@SUM(A1:A2)\""},
      {"plus command", "+cmd|' /C calc'!A0", "\"'+cmd|' /C calc'!A0\""},
      {"minus arithmetic", "-2+3", "\"'-2+3\""},
      {"a sign inside is harmless", "A-1 = B", "\"A-1 = B\""},
  };
  for (const Case& c : cases) EXPECT_EQ(CsvField(c.cell, us), c.field) << c.name;

  store::RegionalSettings kroner;
  kroner.currencySymbol = "kr";
  kroner.currencyOrder = 1;
  kroner.decimalSymbol = ",";
  kroner.thousandsSymbol = ".";
  EXPECT_EQ(CsvField("-1.234,50kr", kroner), "\"-1.234 50kr\"");
  EXPECT_EQ(CsvField("-kroner", kroner), "\"'-kroner\"");
}

class CsvFileTest : public ReportsTest {
 protected:
  void SetUp() override {
    Add(kChecking, "1234.50", "2026-11-02", TransactionType::Deposit, "Acme", "Income | Salary");
    Add(kChecking, "20.00", "2026-11-04", TransactionType::Purchase, "Diner", "Food | Dining Out");
  }
  void SetBom(bool on) {
    ASSERT_TRUE(db().exec(store::FormatSql("UPDATE Misc SET CSVBOMInclued = %d WHERE ID = 'Options'", {on ? 1 : 0})));
    data().reloadRegionalSettings();
  }
  tallyvane::testing::TempDir dir_;
};

TEST_F(CsvFileTest, CategoryReportFileHasTheHeaderLineAndShortHeaderRows) {
  SetBom(false);
  CategoryReport report(data(), MonthPeriod(2026, 11));
  report.build();
  const std::filesystem::path file = dir_ / "Report.csv";
  {
    std::ofstream old(file);
    old << "an older, longer file that must be replaced entirely\n";
  }
  ASSERT_TRUE(WriteReportCsv(report, file));
  EXPECT_EQ(ReadFile(file),
            "\"Category\",\"Expense\",\"Income\"\r\n"
            "\"Income\",\"\"\r\n"
            "\"Income | Salary\",\"\",\"$1 234.50\"\r\n"
            "\"Income Total:\",\"\",\"$1 234.50\"\r\n"
            "\"Expense\",\"\"\r\n"
            "\"Food | Dining Out\",\"$20.00\",\"\"\r\n"
            "\"Expense Total:\",\"$20.00\",\"\"\r\n");
}

TEST_F(CsvFileTest, ByteOrderMarkOnlyWhenTheOptionIsSet) {
  CategoryReport report(data(), MonthPeriod(2026, 11));
  report.build();
  SetBom(true);
  ASSERT_TRUE(WriteReportCsv(report, dir_ / "bom.csv"));
  EXPECT_EQ(ReadFile(dir_ / "bom.csv").substr(0, 13), "\xEF\xBB\xBF\"Category\"");
  SetBom(false);
  ASSERT_TRUE(WriteReportCsv(report, dir_ / "plain.csv"));
  EXPECT_EQ(ReadFile(dir_ / "plain.csv").substr(0, 10), "\"Category\"");
}

TEST_F(CsvFileTest, AFileThatCannotBeCreatedReportsFailure) {
  CategoryReport report(data(), MonthPeriod(2026, 11));
  report.build();
  EXPECT_FALSE(WriteReportCsv(report, dir_ / "missing" / "Report.csv"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing"));
}

}  // namespace
}  // namespace tallyvane::reports
