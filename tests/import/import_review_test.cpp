#include "import/import_review.h"

#include <gtest/gtest.h>

#include "ledger/ledger_fixture.h"

namespace tallyvane::ledger {
namespace {

std::string Statement(const std::vector<std::pair<std::string, std::string>>& rows) {
  // date (YYYYMMDD), amount; NAME is "Shop <n>".
  std::string text = "OFXHEADER:100\r\nDATA:OFXSGML\r\n\r\n<OFX><BANKMSGSRSV1><STMTTRNRS><STMTRS><BANKTRANLIST>\r\n";
  int n = 0;
  for (const auto& [date, amount] : rows) {
    ++n;
    text += "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>" + date + "<TRNAMT>" + amount + "<FITID>" + std::to_string(n) +
            "<NAME>Shop " + std::to_string(n) + "</STMTTRN>\r\n";
  }
  return text + "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\r\n";
}

TEST_F(LedgerTest, StatementsGoToLiveBankAccountsOnly) {
  ASSERT_TRUE(db().exec(
      "INSERT INTO Accounts (ID, AcctName, AcctStartingBal, AcctType, Deleted) VALUES (40, 'Broker', 0, 4, 0), "
      "(41, 'Closed', 0, 1, 1)"));
  const struct {
    const char* name;
    AccountKey account;
    bool takes;
  } cases[] = {
      {"checking", kChecking, true}, {"credit card", kCard, true}, {"investment", 40, false},
      {"deleted", 41, false},        {"none", 0, false},           {"missing", 999, false},
  };
  for (const auto& c : cases) EXPECT_EQ(import::TakesStatements(data(), c.account), c.takes) << c.name;
}

// The review lists statement rows in reverse document order.
TEST_F(LedgerTest, ReviewMarksDuplicatesByDateAndAmount) {
  Add(kChecking, "12.50", "2026-12-01", TransactionType::Purchase, "Grocer", "Food | Groceries");
  auto review = import::ImportReview::Open(
      data(), kChecking, Statement({{"20261201", "-12.50"}, {"20261202", "-12.50"}, {"20261203", "30.00"}}), prompter_);
  auto& rows = review.rows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].deposit, "$30.00");
  EXPECT_TRUE(rows[0].ticked);
  EXPECT_TRUE(rows[1].ticked);  // another day
  EXPECT_FALSE(rows[2].ticked);
  EXPECT_EQ(rows[2].payee, "Grocer");
  EXPECT_EQ(rows[2].category, "Groceries");  // the plain name, without its parent
  // The account's balance (the -12.50 already entered) plus the ticked rows
  // only (asset: -12.50 + 30.00), whatever the stored AcctCurrentBal says.
  EXPECT_EQ(review.balanceAfterImport().minorUnits(), -1250 + 1750);
}

TEST_F(LedgerTest, IdenticalRowsEachTakeTheirOwnMatch) {
  // Two identical bus fares already recorded: both identical statement rows are duplicates.
  Add(kChecking, "2.50", "2026-12-01");
  Add(kChecking, "2.50", "2026-12-01");
  auto twice = import::ImportReview::Open(data(), kChecking,
                                          Statement({{"20261201", "-2.50"}, {"20261201", "-2.50"}, {"20261201", "-2.50"}}),
                                          prompter_);
  ASSERT_EQ(twice.rows().size(), 3u);
  EXPECT_FALSE(twice.rows()[0].ticked);
  EXPECT_FALSE(twice.rows()[1].ticked);
  EXPECT_TRUE(twice.rows()[2].ticked);
  EXPECT_NE(twice.rows()[0].matchedBy, twice.rows()[1].matchedBy);
}

TEST_F(LedgerTest, OneExistingAgainstTwoCandidatesMarksTheFirst) {
  Add(kChecking, "2.50", "2026-12-01");
  auto review =
      import::ImportReview::Open(data(), kChecking, Statement({{"20261201", "-2.50"}, {"20261201", "-2.50"}}), prompter_);
  EXPECT_FALSE(review.rows()[0].ticked);
  EXPECT_TRUE(review.rows()[1].ticked);
}

TEST_F(LedgerTest, ZeroAmountsMatchAndFutureRowsNever) {
  Add(kChecking, "0", "2026-12-02");
  Add(kChecking, "5", "2026-12-20");  // after today: outside the window
  auto review = import::ImportReview::Open(data(), kChecking, Statement({{"20261202", "0.00"}, {"20261220", "-5"}}), prompter_);
  EXPECT_TRUE(review.rows()[0].ticked);
  EXPECT_FALSE(review.rows()[1].ticked);
  EXPECT_EQ(review.rows()[1].deposit, "$0.00");
}

TEST_F(LedgerTest, EmptyStatementSaysSo) {
  auto review = import::ImportReview::Open(data(), kChecking, "<OFX></OFX>", prompter_);
  EXPECT_TRUE(review.rows().empty());
  ASSERT_FALSE(prompter_.shown.empty());
  EXPECT_EQ(prompter_.shown.back().title, "Retrieve transactions");
  EXPECT_EQ(review.windowStart(), "2026-12-10");  // no transactions: today only
}

TEST_F(LedgerTest, CommitWritesClearedRowsLinksPayeesAndRemembersCategories) {
  ASSERT_TRUE(AddPayee(data(), "Shop 1", "").has_value());
  auto review = import::ImportReview::Open(data(), kChecking, Statement({{"20261201", "-10.00"}, {"20261202", "20.00"}}), prompter_);
  ASSERT_EQ(review.rows().size(), 2u);
  review.rows()[1].category = "Food | Dining Out";  // Shop 1
  store::NullProgress progress;
  ASSERT_TRUE(review.commit(progress, prompter_).ok);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions WHERE Cleared = 1 AND Deleted = 0"), 2);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM PayAccounts WHERE PayName = 'Shop 2'"), 1);  // created
  const PayeeKey shop1 = FindPayeeId(data(), "Shop 1");
  EXPECT_EQ(PayeeDefaultCategory(data(), shop1)->subcategory, FindCategoryByFullName(data(), "Food | Dining Out"));
  EXPECT_EQ(Text("SELECT LastRetrieved FROM Accounts WHERE ID = 1"), "2026-12-10");
  EXPECT_EQ(Number("SELECT AcctCurrentBal FROM Accounts WHERE ID = 1"), 1000);
  EXPECT_EQ(Text("SELECT Description FROM Transactions WHERE Amount = -1000").front(), '.');

  // Re-importing the same statement marks everything and writes nothing.
  auto again = import::ImportReview::Open(data(), kChecking, Statement({{"20261201", "-10.00"}, {"20261202", "20.00"}}), prompter_);
  EXPECT_FALSE(again.anyTicked());
  EXPECT_EQ(again.nothingToImport(), "Nothing was imported: every transaction of the statement is already in the account.");
}

// A ticked row at the amount cap refuses the whole commit before anything is
// written; with that row unticked, Import writes every other row once.
TEST_F(LedgerTest, CommitAtTheAmountCapWritesNothingAndAgainWritesEachRowOnce) {
  auto review = import::ImportReview::Open(
      data(), kChecking, Statement({{"20261201", "-1.00"}, {"20261202", "-100000000000.00"}, {"20261203", "-2.00"}}),
      prompter_);
  ASSERT_EQ(review.rows().size(), 3u);
  store::NullProgress progress;
  const Status status = review.commit(progress, prompter_);
  EXPECT_EQ(status.message, "The amount must be less than $100000,000,000.00.");
  EXPECT_EQ(review.refusedRow(), std::optional<std::size_t>(1));
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions"), 0) << "nothing before the refused row";
  EXPECT_EQ(Text("SELECT LastRetrieved FROM Accounts WHERE ID = 1"), "");

  review.rows()[1].ticked = false;
  ASSERT_TRUE(review.commit(progress, prompter_).ok);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions"), 2);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions WHERE Amount = -100"), 1);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions WHERE Amount = -200"), 1);
}

// Every statement row the review shows can be stored: a DTPOSTED whose
// fields roll past year 9999 reads as an unreadable date does, and the commit
// writes all five ticked rows.
TEST_F(LedgerTest, EveryTickedRowOfAStatementIsStored) {
  auto review = import::ImportReview::Open(data(), kChecking,
                                           Statement({{"20261201", "-1.00"},
                                                      {"20261202", "-2.00"},
                                                      {"99991399", "-3.00"},
                                                      {"20261203", "-4.00"},
                                                      {"99991231230000.000[-12:X]", "-5.00"}}),
                                           prompter_);
  ASSERT_EQ(review.rows().size(), 5u);
  EXPECT_EQ(review.rows()[2].date, "1999-11-30");
  EXPECT_EQ(review.rows()[0].date, "1999-11-30");
  for (const auto& row : review.rows()) EXPECT_TRUE(row.ticked);
  EXPECT_EQ(review.balanceAfterImport().minorUnits(), -1500);
  store::NullProgress progress;
  ASSERT_TRUE(review.commit(progress, prompter_).ok);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions WHERE Deleted = 0"), 5);
  EXPECT_EQ(Number("SELECT AcctCurrentBal FROM Accounts WHERE ID = 1"), -1500);

  // A row whose date was lost on the way is named, and nothing is written.
  auto broken = import::ImportReview::Open(data(), kChecking, Statement({{"20261204", "-6.00"}, {"20261205", "-7.00"}}),
                                           prompter_);
  broken.rows()[0].date = "10000-04-08";
  const Status refused = broken.commit(progress, prompter_);
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.message, "The date 10000-04-08 of row 1 is not a calendar day. Nothing was imported.");
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions WHERE Deleted = 0"), 5);
}

// A big commit reports its progress as it goes, and a cancel takes back
// every row already written.
TEST_F(LedgerTest, CommitProgressesAndACancelStoresNothing) {
  class Watching final : public store::Progress {
   public:
    explicit Watching(std::size_t cancelAfter) : cancelAfter_(cancelAfter) {}
    void setTitle(std::string_view text) override { title = text; }
    void setText(std::string_view) override {}
    void setFraction(long long done, long long total) override { fractions.emplace_back(done, total); }
    [[nodiscard]] bool cancelRequested() const override { return cancelAfter_ != 0 && fractions.size() >= cancelAfter_; }
    std::string title;
    std::vector<std::pair<long long, long long>> fractions;

   private:
    std::size_t cancelAfter_;
  };
  std::vector<std::pair<std::string, std::string>> lines;
  for (int i = 0; i < 3000; ++i) lines.emplace_back("202611" + std::string(i % 28 < 9 ? "0" : "") + std::to_string(1 + i % 28), "-1.00");
  auto review = import::ImportReview::Open(data(), kChecking, Statement(lines), prompter_);
  ASSERT_EQ(review.rows().size(), 3000u);

  Watching cancelling(4);
  EXPECT_TRUE(review.commit(cancelling, prompter_).declined);
  EXPECT_EQ(cancelling.title, "Importing Transactions");
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions"), 0) << "the cancel took back the rows written";
  EXPECT_EQ(Number("SELECT COUNT(*) FROM PayAccounts WHERE PayName LIKE 'Shop %'"), 0);
  EXPECT_EQ(Text("SELECT LastRetrieved FROM Accounts WHERE ID = 1"), "");

  Watching watching(0);
  ASSERT_TRUE(review.commit(watching, prompter_).ok);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions"), 3000);
  ASSERT_GE(watching.fractions.size(), 10u);
  for (std::size_t i = 1; i + 1 < watching.fractions.size(); ++i) {
    EXPECT_GT(watching.fractions[i].first, watching.fractions[i - 1].first);
    EXPECT_EQ(watching.fractions[i].second, 3000);
  }
  EXPECT_EQ(watching.fractions.back(), (std::pair<long long, long long>{1, 1}));
}

// One state, one wording: a row whose payee remembers no category, and one
// without a payee, read "Not categorized" as a payee set to none does.
TEST_F(LedgerTest, UncategorizedRowsAllSayNotCategorized) {
  ASSERT_TRUE(AddPayee(data(), "Shop 1", "").has_value());  // remembers none
  auto review = import::ImportReview::Open(data(), kChecking, Statement({{"20261201", "-1.00"}, {"20261202", "-2.00"}}),
                                           prompter_);
  ASSERT_EQ(review.rows().size(), 2u);
  for (auto& row : review.rows()) {
    EXPECT_EQ(row.category, "Not categorized") << row.payee;
    row.ticked = false;
  }
  EXPECT_EQ(review.nothingToImport(), "Nothing was imported: no transaction is ticked for import.");
}

}  // namespace
}  // namespace tallyvane::ledger

namespace tallyvane::ledger {
namespace {

// The existing list read page by page lists what one read of the window
// lists, from any start; the matching sees only the statement's dates.
TEST_F(LedgerTest, ExistingUnclearedListReadsInPagesAndMatchingKeepsToTheStatementsDates) {
  std::vector<TransactionKey> uncleared;
  for (int i = 0; i < 60; ++i) {
    const std::string date = store::FormatSql("2026-%.2d-%.2d", {9 + i % 3, 1 + i % 9});
    const TransactionKey key = Add(kChecking, std::to_string(1 + i) + ".25", date, TransactionType::Purchase, "Shop");
    if (i % 4 == 0) {
      ASSERT_TRUE(db().exec(store::FormatSql("UPDATE Transactions SET Cleared = 1 WHERE ID = %d", {key})));
    }
  }
  Add(kChecking, "3.00", "2026-11-05");  // the statement's duplicate
  auto review = import::ImportReview::Open(data(), kChecking, Statement({{"20261105", "-3.00"}, {"20261108", "-7.00"}}),
                                           prompter_);
  const std::string expected = Text(
      "SELECT group_concat(ID) FROM (SELECT ID FROM Transactions WHERE Account = 1 AND Deleted = 0 AND Cleared = 0 "
      "ORDER BY TransactionDate, ID)");
  ASSERT_EQ(review.existingCount(), 46);
  for (const std::int64_t size : {1, 7, 100}) {
    std::string listed;
    for (std::int64_t at = 0; at < review.existingCount(); at += size) {
      for (const import::ExistingRow& row : review.existingRows(at, size)) listed += (listed.empty() ? "" : ",") + std::to_string(row.id);
    }
    EXPECT_EQ(listed, expected) << "pages of " << size;
  }
  // A page far down, asked for first, is the same as walked to.
  std::vector<std::string> ids;
  for (std::size_t from = 0, at = 0; from <= expected.size(); from = at + 1) {
    at = expected.find(',', from);
    if (at == std::string::npos) at = expected.size();
    ids.push_back(expected.substr(from, at - from));
  }
  auto fresh = import::ImportReview::Open(data(), kChecking, Statement({{"20261105", "-3.00"}}), prompter_);
  const auto direct = fresh.existingRows(40, 3);
  ASSERT_EQ(direct.size(), 3u);
  EXPECT_EQ(std::to_string(direct[0].id), ids[40]);
  EXPECT_TRUE(fresh.existingRows(46, 3).empty());
  ASSERT_EQ(review.rows().size(), 2u);
  int duplicates = 0;
  for (const import::ReviewRow& row : review.rows()) duplicates += row.matchedBy ? 1 : 0;
  EXPECT_EQ(duplicates, 1);
}

}  // namespace
}  // namespace tallyvane::ledger
