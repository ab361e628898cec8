// Every way a transaction enters the ledger keeps it dated: a row without a
// real day would show in no register period and count in no balance.
#include <gtest/gtest.h>

#include <fstream>

#include "import/csv_import.h"
#include "import/import_review.h"
#include "ledger/ledger_fixture.h"
#include "planning/schedules.h"

namespace tallyvane::ledger {
namespace {

TEST(IsStorableDate, OnlyRealCalendarDaysInTheStoredForm) {
  const struct {
    const char* text;
    bool storable;
  } cases[] = {
      {"2026-12-10", true},  {"1999-11-30", true},  {"2040-02-29", true},  {"2041-02-29", false},
      {"", false},           {"0", false},          {"2026-1-3", false},   {"2026-13-01", false},
      {"2026-04-31", false}, {"2026-00-10", false}, {"0000-01-01", false}, {"2026-12-10 12:00", false},
      {"2026/12/10", false}, {"20261210", false},   {"Completed", false},  {"2026-12-1a", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsStorableDate(c.text), c.storable) << c.text;
}

TEST_F(LedgerTest, NoEntryPathStoresAnUndatedTransaction) {
  auto undated = [&] { return Number("SELECT COUNT(*) FROM Transactions WHERE TransactionDate = '' OR TransactionDate IS NULL "
                                     "OR length(TransactionDate) != 10"); };

  // The form refuses at its date field.
  for (const char* date : {"", "2026-02-30", "yesterday"}) {
    EntryForm form = NewEntryForm(data(), kChecking);
    form.amountText = "1";
    form.date = date;
    const EntryResult result = EnterTransaction(data(), form, prompter_);
    EXPECT_FALSE(result.status.ok) << date;
    EXPECT_EQ(result.status.message, "Please enter a valid transaction date.") << date;
    EXPECT_EQ(result.status.field, "date") << date;
  }
  EntryForm edit = NewEntryForm(data(), kChecking);
  edit.amountText = "1";
  const auto key = EnterTransaction(data(), edit, prompter_).key;
  ASSERT_TRUE(key.has_value());
  TransactionFields fields;
  fields.account = kChecking;
  fields.amount = Money(-100);
  fields.date = "";
  EXPECT_FALSE(EditTransaction(data(), *key, fields));
  EXPECT_EQ(Row(*key).date, "2026-12-10");

  // A statement row with an empty or unreadable DTPOSTED comes in on the
  // normalised zero date, where a register shows it.
  const std::string statement =
      "OFXHEADER:100\r\nDATA:OFXSGML\r\n\r\n<OFX><BANKMSGSRSV1><STMTTRNRS><STMTRS><BANKTRANLIST>\r\n"
      "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED><TRNAMT>-4.00<FITID>1<NAME>Empty</STMTTRN>\r\n"
      "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>PENDING<TRNAMT>-5.00<FITID>2<NAME>Unreadable</STMTTRN>\r\n"
      "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\r\n";
  auto review = import::ImportReview::Open(data(), kChecking, statement, prompter_);
  ASSERT_EQ(review.rows().size(), 2u);
  EXPECT_EQ(review.rows()[0].date, "1999-11-30");
  EXPECT_EQ(review.rows()[1].date, "1999-11-30");
  store::NullProgress progress;
  ASSERT_TRUE(review.commit(progress, prompter_).ok);
  EXPECT_EQ(RegisterRows(data(), kChecking, "1999-11-01", "1999-11-30", false).size(), 2u);
  EXPECT_EQ(Cache(kChecking, 1999, 11).first, -900);

  // CSV: a line whose date does not read is skipped and reported.
  tallyvane::testing::TempDir dir;
  const auto path = dir / "bank.csv";
  std::ofstream(path, std::ios::binary) << "2026-01-03,-2.00\r\nnot a date,-3.00\r\n,-6.00\r\n";
  import::CsvMapping mapping;
  mapping.columns = {1, 0};
  mapping.linesToSkip = 0;
  const auto csv = import::ImportCsvFile(data(), kChecking, path, mapping, prompter_);
  EXPECT_EQ(csv.imported, 1u);
  EXPECT_EQ(csv.skipped, 2u);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions WHERE TransactionDate = '2026-01-03' AND Amount = -200"), 1);

  // A schedule whose next date does not read posts nothing.
  planning::ScheduleFields schedule;
  schedule.account = kChecking;
  schedule.amount = Money(-700);
  schedule.type = TransactionType::Purchase;
  schedule.next = "2026-12-20";
  const auto scheduled = planning::AddSchedule(data(), schedule);
  ASSERT_TRUE(scheduled.has_value());
  ASSERT_TRUE(db().exec(store::FormatSql("UPDATE ScheduledTransactions SET NextTransactionDate = '2026-12-' WHERE ID = %d",
                                         {*scheduled})));
  const auto before = Number("SELECT COUNT(*) FROM Transactions");
  EXPECT_FALSE(planning::PostScheduledTransaction(data(), *scheduled).has_value());
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions"), before);

  EXPECT_EQ(undated(), 0);
}

}  // namespace
}  // namespace tallyvane::ledger
