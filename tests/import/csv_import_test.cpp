#include "import/csv_import.h"

#include <gtest/gtest.h>

#include <fstream>
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

}  // namespace
}  // namespace tallyvane::ledger
