#include "import/csv_import.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

#include "import/csv_reader.h"
#include "ledger/accounts.h"
#include "ledger/ledger_fixture.h"

namespace tallyvane::ledger {
namespace {

std::filesystem::path Write(const tallyvane::testing::TempDir& dir, const std::string& name, const std::string& bytes) {
  const auto path = dir / name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

TEST(CsvReader, FieldsTable) {
  struct Case {
    const char* line;
    std::vector<std::string> fields;
  };
  const Case cases[] = {
      {"a,b,c", {"a", "b", "c"}},
      {"  a  , b ,c", {"a", "b", "c"}},
      {"\"x, y\",z", {"x, y", "z"}},
      {"\"say \"\"hi\"\"\",2", {"say \"hi\"", "2"}},
      {"\"quoted\" dropped,next", {"quoted", "next"}},
      {"a,,c", {"a", "", "c"}},
      {"a,b,", {"a", "b"}},
      {"\"open", {"open"}},
  };
  for (const Case& c : cases) EXPECT_EQ(import::CsvReader::SplitFields(c.line), c.fields) << c.line;
}

TEST(CsvReader, EncodingsLineEndsAndBadFiles) {
  tallyvane::testing::TempDir dir;
  import::CsvReader reader;
  std::vector<std::string> fields;
  ASSERT_TRUE(reader.open(Write(dir, "bom.csv", "\xEF\xBB\xBF" "a,b\r\n\r\nc,d\re,f\n")).ok);
  std::vector<std::vector<std::string>> lines;
  while (reader.nextLine(fields)) lines.push_back(fields);
  EXPECT_EQ(lines, (std::vector<std::vector<std::string>>{{"a", "b"}, {"c", "d"}, {"e", "f"}}));

  std::string utf16 = "\xFF\xFE";
  for (char16_t unit : std::u16string(u"Zü,1\r\n")) {
    utf16.push_back(static_cast<char>(unit & 0xFF));
    utf16.push_back(static_cast<char>(unit >> 8));
  }
  ASSERT_TRUE(reader.open(Write(dir, "utf16.csv", utf16)).ok);
  ASSERT_TRUE(reader.nextLine(fields));
  EXPECT_EQ(fields, (std::vector<std::string>{"Zü", "1"}));

  EXPECT_EQ(reader.open(dir / "missing.csv").title, "Error opening file");
  EXPECT_FALSE(reader.open(Write(dir, "empty.csv", "\r\n\r\n")).ok);
  EXPECT_FALSE(reader.open(Write(dir, "binary.csv", std::string("PK\x03\x04\x00\x00garbage", 14))).ok);
  // A line of 100 000 columns is cut, not swallowed whole.
  std::string wide;
  for (int i = 0; i < 100000; ++i) wide += "1,";
  ASSERT_TRUE(reader.open(Write(dir, "wide.csv", wide)).ok);
  ASSERT_TRUE(reader.nextLine(fields));
  EXPECT_LE(fields.size(), import::kCsvLineLimit / 2 + 1);
}

TEST_F(LedgerTest, CsvTransactionsImportWithCategoriesPayeesAndDateErrors) {
  tallyvane::testing::TempDir dir;
  const auto path = Write(dir, "bank.csv",
                          "Date,Description,Amount,Category\r\n"
                          "2026-11-03,Grocer,-12.50,Food | Groceries\r\n"
                          "\r\n"
                          "11/04/2026,Employer,2000.00,Side Jobs\r\n"
                          "not a date,Nobody,1.00,\r\n"
                          "2026-11-05,,-3.00,Side Jobs\r\n"
                          "2026-11-06,Vet,-40.00,Pets | Food\r\n");
  import::CsvMapping mapping;
  mapping.columns = {2, 0, 1, std::nullopt, 3, std::nullopt};
  const auto result = import::ImportCsvFile(data(), kChecking, path, mapping, prompter_);
  EXPECT_EQ(result.imported, 4u);
  EXPECT_EQ(result.skipped, 1u);
  EXPECT_EQ(result.status.title, "Import Finished With Errors");
  EXPECT_EQ(result.status.message,
            "Some transactions were not imported correctly as a result of improper date formatting.\n\n"
            "Line not imported: 5.");
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Categories WHERE PayCategory = 'Side Jobs'"), 1);  // created once
  EXPECT_EQ(Number("SELECT COUNT(*) FROM PayAccounts WHERE PayName = ''"), 0);             // no empty payee
  const TransactionKey salary = static_cast<TransactionKey>(Number("SELECT ID FROM Transactions WHERE Amount = 200000"));
  EXPECT_EQ(Row(salary).date, "2026-11-04");  // read in the system's month-day-year order
  EXPECT_EQ(Row(salary).type, 0);
  EXPECT_TRUE(Row(salary).cleared);
  const TransactionKey vet = static_cast<TransactionKey>(Number("SELECT ID FROM Transactions WHERE Amount = -4000"));
  EXPECT_EQ(TransactionCategoryText(data(), Row(vet)), "Pets | Food");
  EXPECT_EQ(Cache(kChecking, 2026, 11).first, 200000 - 1250 - 300 - 4000);
}

// Progress follows the reading; a cancel undoes the whole import, for bank
// and investment accounts alike.
TEST_F(LedgerTest, CsvProgressFollowsTheFileAndCancelWritesNothing) {
  class Watching final : public store::Progress {
   public:
    explicit Watching(std::size_t cancelAfter) : cancelAfter_(cancelAfter) {}
    void setTitle(std::string_view) override {}
    void setText(std::string_view) override {}
    void setFraction(long long done, long long total) override { fractions.emplace_back(done, total); }
    [[nodiscard]] bool cancelRequested() const override { return cancelAfter_ != 0 && fractions.size() >= cancelAfter_; }
    std::vector<std::pair<long long, long long>> fractions;

   private:
    std::size_t cancelAfter_;
  };
  tallyvane::testing::TempDir dir;
  std::string text = "Date,Amount,Type\r\n";
  for (int i = 0; i < 2000; ++i) text += "2026-11-0" + std::to_string(1 + i % 9) + ",-1.00,Buy\r\n";
  const auto path = Write(dir, "long.csv", text);
  import::CsvMapping mapping;
  mapping.columns = {1, 0, std::nullopt, std::nullopt, std::nullopt, std::nullopt};
  const int64_t before = Number("SELECT COUNT(*) FROM Transactions");

  Watching cancelling(3);
  const auto cancelled = import::ImportCsvFile(data(), kChecking, path, mapping, prompter_, &cancelling);
  EXPECT_TRUE(cancelled.status.declined);
  EXPECT_EQ(cancelled.imported, 0u);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions"), before) << "the cancel rolled everything back";

  ledger::AccountValues values;
  values.name = "Brokerage";
  values.type = ledger::kInvestmentAccountType;
  const auto brokerage = ledger::AddAccount(data(), values);
  ASSERT_TRUE(brokerage);
  import::CsvMapping investment;
  investment.columns = {1, 0, 2, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt};
  Watching alsoCancelling(5);
  EXPECT_TRUE(import::ImportCsvFile(data(), *brokerage, path, investment, prompter_, &alsoCancelling).status.declined);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Investments"), 0);

  Watching watching(0);
  const auto done = import::ImportCsvFile(data(), kChecking, path, mapping, prompter_, &watching);
  EXPECT_EQ(done.imported, 2000u);
  ASSERT_GE(watching.fractions.size(), 7u);
  for (std::size_t i = 1; i < watching.fractions.size(); ++i) {
    EXPECT_GT(watching.fractions[i].first, watching.fractions[i - 1].first);
    EXPECT_EQ(watching.fractions[i].second, static_cast<long long>(text.size()));
  }
}

TEST_F(LedgerTest, CsvNeedsAmountAndDate) {
  tallyvane::testing::TempDir dir;
  const auto path = Write(dir, "x.csv", "a,b\r\n1,2\r\n");
  import::CsvMapping mapping;
  mapping.columns = {0, std::nullopt};
  EXPECT_EQ(import::ImportCsvFile(data(), kChecking, path, mapping, prompter_).status.message,
            "The Amount and Transaction Date fields must have fields from the CSV file assigned in order to import.");
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions"), 0);
}

TEST_F(LedgerTest, CsvLiabilityTypesFollowTheSign) {
  tallyvane::testing::TempDir dir;
  const auto path = Write(dir, "card.csv", "2026-11-01,25.00\r\n2026-11-02,-5.00\r\n");
  import::CsvMapping mapping;
  mapping.columns = {1, 0};
  mapping.linesToSkip = 0;
  ASSERT_EQ(import::ImportCsvFile(data(), kCard, path, mapping, prompter_).imported, 2u);
  EXPECT_EQ(Number("SELECT TransactionType FROM Transactions WHERE Amount = 2500"), 4);
  EXPECT_EQ(Number("SELECT TransactionType FROM Transactions WHERE Amount = -500"), 0);
}

// The file's type names, in any case; the form's labels with their blanks
// are not the file's words.
TEST_F(LedgerTest, CsvInvestmentTypesAreTheFilesOwnNames) {
  AccountValues values;
  values.name = "Broker";
  values.type = kInvestmentAccountType;
  const AccountKey broker = AddAccount(data(), values).value_or(0);
  ASSERT_GT(broker, 0);
  struct Case {
    const char* type;
    int code;  // -1: the file is refused
  };
  const Case cases[] = {{"Buy", 0},         {"sell", 1},     {"DIVIDEND", 2},        {"Income", 3},
                        {"MiscExpense", 4}, {"miscexpense", 4}, {"Deposit", 5},      {"Withdraw", 6},
                        {"Misc Expense", -1}, {"Transfer", -1}};
  tallyvane::testing::TempDir dir;
  import::CsvMapping mapping;
  mapping.columns = {0, 1, 2};
  mapping.linesToSkip = 0;
  for (const Case& c : cases) {
    const auto before = Number("SELECT COUNT(*) FROM Investments");
    const auto path = Write(dir, "invest.csv", std::string("10.00,2026-11-03,") + c.type + "\r\n");
    const auto result = import::ImportCsvFile(data(), broker, path, mapping, prompter_);
    if (c.code < 0) {
      EXPECT_EQ(result.status.title, "Csv file has errors") << c.type;
      EXPECT_EQ(Number("SELECT COUNT(*) FROM Investments"), before) << c.type;
    } else {
      ASSERT_EQ(result.imported, 1u) << c.type << ": " << result.status.message;
      EXPECT_EQ(Number("SELECT InvestmentType FROM Investments ORDER BY ID DESC LIMIT 1"), c.code) << c.type;
    }
  }
}

// A date is a real day of 1970 to 2038 as written, or the line is refused
// and named by its line in the file; nothing rolls over into another day.
TEST_F(LedgerTest, CsvDatesOutsideTheCalendarAreRefusedWithTheirLines) {
  struct Case {
    const char* text;
    const char* stored;  // empty: the line is refused
  };
  const Case cases[] = {
      {"2026-11-03", "2026-11-03"}, {"2026-1-3", "2026-01-03"},   {"11/04/2026", "2026-11-04"},
      {"11/04/26", "2026-11-04"},   {"1/2/1970", "1970-01-02"},   {"2012/3/22", "2012-03-22"},
      {"11-04-2026", "2026-11-04"}, {"2038-12-31", "2038-12-31"}, {"11/04/2026 10:30", "2026-11-04"},
      {"9999-12-31", ""},           {"0000-00-00", ""},           {"1969-12-31", ""},
      {"2039-01-01", ""},           {"2026-02-30", ""},           {"13/01/2026", ""},
      {"2026/13/01", ""},           {"2012/3/22/1", ""},          {"2026-11/03", ""},
      {"11/04/202", ""},            {"not a date", ""},           {"", ""},
  };
  tallyvane::testing::TempDir dir;
  std::string text = "Date,Amount\r\n";
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    text += std::string(cases[i].text) + "," + std::to_string(i + 1) + ".00\r\n";
  }
  const auto path = Write(dir, "dates.csv", text);
  import::CsvMapping mapping;
  mapping.columns = {1, 0};
  const auto result = import::ImportCsvFile(data(), kChecking, path, mapping, prompter_);
  std::string refused;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::string stored =
        Text(store::FormatSql("SELECT TransactionDate FROM Transactions WHERE Amount = %d", {static_cast<int>(i + 1) * 100}));
    EXPECT_EQ(stored, cases[i].stored) << cases[i].text;
    if (*cases[i].stored == 0) refused += (refused.empty() ? "" : ", ") + std::to_string(i + 2);
  }
  EXPECT_EQ(result.status.title, "Import Finished With Errors");
  EXPECT_NE(result.status.message.find("Lines not imported: " + refused + "."), std::string::npos) << result.status.message;
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions WHERE TransactionDate < '1970-01-01' OR "
                   "TransactionDate > '2038-12-31'"),
            0);
}

// The closing message says what happened: nothing imported, and why.
TEST_F(LedgerTest, CsvClosingMessagesSayWhyNothingWasImported) {
  tallyvane::testing::TempDir dir;
  import::CsvMapping mapping;
  mapping.columns = {1, 0};
  const auto undated = import::ImportCsvFile(data(), kChecking, Write(dir, "a.csv", "Date,Amount\r\nsoon,1.00\r\n\r\n0000-00-00,2.00\r\n"),
                                             mapping, prompter_);
  EXPECT_EQ(undated.imported, 0u);
  EXPECT_EQ(undated.status.title, "Nothing Imported");
  EXPECT_EQ(undated.status.message,
            "Nothing was imported: no line of the file could be read as a transaction.\n\nLines not imported: 2, 4.");
  EXPECT_EQ(prompter_.shown.back().title, "Nothing Imported");

  const auto titles = import::ImportCsvFile(data(), kChecking, Write(dir, "b.csv", "Date,Amount\r\n"), mapping, prompter_);
  EXPECT_EQ(titles.status.message, "Nothing was imported: the file holds no lines after the 1 line to skip.");
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions"), 0);

  const auto done = import::ImportCsvFile(data(), kChecking, Write(dir, "c.csv", "Date,Amount\r\n2026-11-01,1.00\r\n"),
                                          mapping, prompter_);
  EXPECT_TRUE(done.status.ok);
  EXPECT_EQ(prompter_.shown.back().title, "Import Succeeded");

  // A file over the size limit is said to be too large, not to be in use.
  const auto huge = dir / "huge.csv";
  std::ofstream(huge, std::ios::binary) << "Date,Amount\r\n";
  std::filesystem::resize_file(huge, import::kCsvFileLimit + 1);  // sparse: costs no disk
  import::CsvReader reader;
  const Status large = reader.open(huge);
  EXPECT_EQ(large.title, "Error opening file");
  EXPECT_EQ(large.message,
            "The file you have selected is too large to import. A CSV file can be imported when it is no larger than "
            "512 MB.");
}

// Text from a file that is not UTF-8 is read as Windows-1252: what is stored
// is valid UTF-8 with the accents the bank wrote.
TEST_F(LedgerTest, CsvWindows1252FileIsStoredAsValidText) {
  tallyvane::testing::TempDir dir;
  const auto path = Write(dir, "fr.csv", "Date,Remarque,Montant\r\n2012/3/22,\"D\xC9P\xD4T \x80\",50.00\r\n");
  import::CsvReader reader;
  ASSERT_TRUE(reader.open(path).ok);
  EXPECT_TRUE(reader.readAsWindows1252());
  import::CsvMapping mapping;
  mapping.columns = {2, 0, 1};
  ASSERT_EQ(import::ImportCsvFile(data(), kChecking, path, mapping, prompter_).imported, 1u);
  EXPECT_EQ(Text("SELECT PayName FROM PayAccounts ORDER BY ID DESC LIMIT 1"), "D\xC3\x89P\xC3\x94T \xE2\x82\xAC");
  EXPECT_EQ(Text("SELECT TransactionDate FROM Transactions"), "2012-03-22");
}

// The shared corpus's Windows-1252 bank export: "DÉPÔT" stored as text, and
// its year-first dates read as written (never as 2189).
TEST_F(LedgerTest, CorpusWindows1252ExportStoresItsAccents) {
  const char* env = std::getenv("TALLYVANE_CORPUS");
  const std::filesystem::path root = env != nullptr ? std::filesystem::path(env) : std::filesystem::path(TALLYVANE_CORPUS_DIR);
  const auto path = root / "csv" / "simonmichael__hledger" / "examples" / "sample.fr.cp1252.csv";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "no statement corpus";
  const auto columns = import::CsvColumns(path, nullptr);
  ASSERT_TRUE(columns);
  ASSERT_EQ(columns->size(), 3u);
  import::CsvMapping mapping;
  mapping.columns = {2, 0, 1};
  const auto result = import::ImportCsvFile(data(), kChecking, path, mapping, prompter_);
  EXPECT_TRUE(result.status.ok) << result.status.message;
  EXPECT_EQ(Number("SELECT COUNT(*) FROM PayAccounts WHERE PayName = 'D\xC3\x89P\xC3\x94T'"), 1);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions WHERE TransactionDate = '2012-03-22' AND Amount = 5000"), 1);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions WHERE TransactionDate > '2038-12-31'"), 0);
  for (store::Query q(db(), "SELECT PayName FROM PayAccounts"); q.hasRow(); q.next()) {
    const std::string name = q.text(0);
    EXPECT_EQ(store::CutChars(name, name.size()), name) << "stored text is valid UTF-8";
  }
}

}  // namespace
}  // namespace tallyvane::ledger
