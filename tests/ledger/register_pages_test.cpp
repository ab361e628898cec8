// The paged register must list exactly what the whole-period read lists, from
// any starting line, in either mode, and find through the index alone.
#include "ledger/ledger_fixture.h"

namespace tallyvane::ledger {
namespace {

void ExpectSameLine(const RegisterRow& paged, const RegisterRow& whole, const std::string& where) {
  EXPECT_EQ(paged.row.key, whole.row.key) << where;
  EXPECT_EQ(paged.splitLine, whole.splitLine) << where;
  EXPECT_EQ(paged.payeeText, whole.payeeText) << where;
  EXPECT_EQ(paged.categoryText, whole.categoryText) << where;
  EXPECT_EQ(paged.note, whole.note) << where;
  EXPECT_EQ(paged.payment, whole.payment) << where;
  EXPECT_EQ(paged.deposit, whole.deposit) << where;
  EXPECT_EQ(paged.balance, whole.balance) << where;
}

class RegisterPagesTest : public LedgerTest {
 protected:
  // Several rows a day over three months, with void rows, transfers and
  // splits of three lines, so pages start on shared dates and inside splits.
  void SetUp() override {
    SetStarting(kChecking, 50000);
    int n = 0;
    for (int month = 9; month <= 11; ++month) {
      for (int day = 1; day <= 28; day += 3) {
        const std::string date = store::FormatSql("2026-%.2d-%.2d", {month, day});
        for (int k = 0; k < 3; ++k, ++n) {
          const std::string amount = std::to_string(5 + n % 17) + "." + std::to_string(10 + n % 80);
          const bool transfer = n % 11 == 0;
          const TransactionType type = transfer     ? TransactionType::Transfer
                                       : n % 5 == 0 ? TransactionType::Deposit
                                                    : TransactionType::Purchase;
          const TransactionKey key = Add(kChecking, amount, date, type, transfer ? "" : "Payee " + std::to_string(n % 7),
                                         n % 4 == 0 && !transfer ? "Bills" : "", transfer ? kSavings : 0);
          if (n % 9 == 4 && type == TransactionType::Purchase) {
            SplitLineInput a;
            a.category = "Food | Groceries";
            a.payment = "1.00";
            a.note = "first";
            SplitLineInput b;
            b.category = "Bills";
            b.payment = "2.00";
            SplitLineInput c;
            c.payment = store::FormatMoneyPlain(data().regional(), Money(-Row(key).amount.minorUnits() - 300));
            ASSERT_TRUE(SaveSplitLines(data(), key, {a, b, c}, {}).ok) << n;
          }
          if (n % 13 == 6) {
            ASSERT_TRUE(db().exec(store::FormatSql("UPDATE Transactions SET Void = 1 WHERE ID = %d", {key})));
          }
        }
      }
    }
    RecomputeMonthlyBalances(data(), kChecking, "2026-09-01");
  }
};

TEST_F(RegisterPagesTest, EveryPageMatchesTheWholeReadInBothModes) {
  ASSERT_GT(RegisterRows(data(), kChecking, "2026-09-05", "2026-11-30", true).size(),
            RegisterRows(data(), kChecking, "2026-09-05", "2026-11-30", false).size() + 4)
      << "the book has split lines to page through";
  for (const bool splits : {false, true}) {
    const auto whole = RegisterRows(data(), kChecking, "2026-09-05", "2026-11-30", splits);
    ASSERT_GT(whole.size(), 40u);
    for (const std::int64_t size : {1, 7, 500}) {
      // A fresh pager per start shows each walk from the nearest end; one
      // pager for all shows the walks from earlier anchors.
      RegisterPages shared(data(), kChecking, "2026-09-05", "2026-11-30", splits);
      ASSERT_EQ(shared.lineCount(), static_cast<std::int64_t>(whole.size()));
      for (std::int64_t first = 0; first < static_cast<std::int64_t>(whole.size()); first += (size == 1 ? 1 : 3)) {
        RegisterPages fresh(data(), kChecking, "2026-09-05", "2026-11-30", splits);
        for (RegisterPages* pages : {&fresh, &shared}) {
          const auto lines = pages->lines(first, size);
          const std::size_t expected = std::min<std::size_t>(size, whole.size() - first);
          ASSERT_EQ(lines.size(), expected) << "splits " << splits << " first " << first << " size " << size;
          for (std::size_t i = 0; i < lines.size(); ++i) {
            ExpectSameLine(lines[i], whole[first + i],
                           "splits " + std::to_string(splits) + " line " + std::to_string(first + i));
          }
        }
      }
      // Walking backwards from the bottom, as a view opened on the last row does.
      RegisterPages backwards(data(), kChecking, "2026-09-05", "2026-11-30", splits);
      for (std::int64_t first = static_cast<std::int64_t>(whole.size()) - size; first > -size; first -= size) {
        const std::int64_t from = std::max<std::int64_t>(first, 0);
        const auto lines = backwards.lines(from, size);
        ASSERT_FALSE(lines.empty());
        ExpectSameLine(lines.front(), whole[from], "backwards from " + std::to_string(from));
      }
    }
    RegisterPages pages(data(), kChecking, "2026-09-05", "2026-11-30", splits);
    for (std::size_t i = 0; i < whole.size(); ++i) {
      if (i > 0 && whole[i - 1].row.key == whole[i].row.key) continue;
      EXPECT_EQ(pages.positionOf(whole[i].row.key), static_cast<std::int64_t>(i)) << whole[i].row.key;
    }
    EXPECT_FALSE(pages.positionOf(Add(kSavings, "1.00", "2026-10-01")).has_value()) << "another account's row";
    EXPECT_FALSE(pages.positionOf(Add(kChecking, "1.00", "2026-12-01")).has_value()) << "a row after the period";
  }
}

TEST_F(RegisterPagesTest, AnEmptyPeriodHasNoLines) {
  RegisterPages pages(data(), kChecking, "2027-01-01", "2027-12-31", false);
  EXPECT_EQ(pages.lineCount(), 0);
  EXPECT_TRUE(pages.lines(0, 500).empty());
}

TEST_F(RegisterPagesTest, FindOverThePeriodMatchesTheListFind) {
  const auto rows = RegisterRows(data(), kChecking, "2026-09-05", "2026-11-30", false);
  struct Case {
    const char* text;
  } cases[] = {{"Payee 3"}, {"payee 6"}, {"zzz"}, {"5.1"}};
  for (const Case& c : cases) {
    std::optional<TransactionKey> after;
    for (int step = 0; step < 40; ++step) {
      const auto listed = RegisterFind(data(), rows, c.text, after);
      const auto stored = RegisterFind(data(), kChecking, "2026-09-05", "2026-11-30", c.text, after);
      ASSERT_EQ(stored.key, listed.key) << c.text << " step " << step;
      EXPECT_EQ(stored.status.message, listed.status.message) << c.text;
      if (!stored.key) break;
      after = stored.key;
    }
  }
  // A row outside the period starts from the top.
  const TransactionKey outside = Add(kChecking, "1.00", "2026-12-05");
  EXPECT_EQ(RegisterFind(data(), kChecking, "2026-09-05", "2026-11-30", "Payee", outside).key,
            RegisterFind(data(), rows, "Payee", std::nullopt).key);
}

TEST_F(RegisterPagesTest, PagesAreReadThroughTheAccountIndexWithoutSorting) {
  const std::string from = " AND t.TransactionDate >= '2026-10-01' AND (t.TransactionDate > '2026-10-01' OR t.ID >= 5)";
  for (const char* order : {"", " DESC"}) {
    std::string plan;
    for (store::Query q(db(), store::FormatSql("EXPLAIN QUERY PLAN SELECT t.TransactionDate, t.ID, 0 FROM Transactions t "
                                              "WHERE t.Account = 1 AND t.Deleted = 0 AND t.TransactionDate <= "
                                              "DATE('2026-11-30')%s ORDER "
                                              "BY t.TransactionDate%s, t.ID%s LIMIT 1 OFFSET 20",
                                              {from, order, order}));
         q.hasRow(); q.next()) {
      plan += q.string(3) + "\n";
    }
    EXPECT_NE(plan.find("USING COVERING INDEX"), std::string::npos) << plan;
    EXPECT_EQ(plan.find("TEMP B-TREE"), std::string::npos) << plan;
  }
}

}  // namespace
}  // namespace tallyvane::ledger
