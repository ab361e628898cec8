// Multi-row operations land whole or not at all: a fault injected between
// their rows leaves the ledger as it was.
#include "ledger_fixture.h"

namespace tallyvane::ledger {
namespace {

std::string Snapshot(store::Db& db) {
  std::string text;
  for (const char* table : {"Transactions", "Accounts", "MonthlyBalances", "BudgetAccounts", "ScheduledTransactions"}) {
    store::Query q(db, store::FormatSql("SELECT * FROM %s ORDER BY ID", {table}));
    for (; q.hasRow(); q.next()) {
      for (int c = 0; c < q.columnCount(); ++c) text += q.string(c) + "|";
      text += "\n";
    }
  }
  return text;
}

TEST_F(LedgerTest, TransferEditFailingAtThePartnerLeavesBothRows) {
  const TransactionKey a = Add(kChecking, "100.00", "2026-12-01", TransactionType::Transfer, {}, {}, kSavings);
  const TransactionKey partner = Row(a).referencedId;
  const std::string before = Snapshot(db());
  ASSERT_TRUE(db().exec(store::FormatSql("CREATE TRIGGER Fault BEFORE UPDATE ON Transactions WHEN OLD.ID = %d "
                                         "BEGIN SELECT RAISE(ABORT, 'injected'); END",
                                         {partner})));
  auto form = OpenEntryForm(data(), a);
  form->amountText = "40.00";
  form->date = "2026-11-20";
  const EntryResult result = EnterTransaction(data(), *form, prompter_);
  EXPECT_FALSE(result.status.ok);
  EXPECT_EQ(Snapshot(db()), before);
}

TEST_F(LedgerTest, AccountDeletionFailingPartWayDeletesNothing) {
  for (int i = 0; i < 5; ++i) Add(kCard, "1", "2026-12-0" + std::to_string(i + 1));
  BudgetWith("b", 20, 1, kCard);
  const std::string before = Snapshot(db());
  // The fourth row refuses to be retired.
  ASSERT_TRUE(db().exec("CREATE TRIGGER Fault BEFORE UPDATE OF Deleted ON Transactions WHEN OLD.ID = 4 "
                        "BEGIN SELECT RAISE(ABORT, 'injected'); END"));
  store::NullProgress progress;
  prompter_.answer("Delete");
  const Status status = DeleteAccountsFromList(data(), {kCard}, prompter_, progress);
  EXPECT_FALSE(status.ok);
  EXPECT_TRUE(status.fileError);
  EXPECT_EQ(Snapshot(db()), before);
}

TEST_F(LedgerTest, KilledMidTransferLeavesNoHalfPair) {
  // A child process that dies between the two rows of a transfer: the
  // transaction it had open never lands.
  const std::string path = db().path();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    store::Db other;
    if (!other.open(path).ok) _exit(2);
    store::WriteGuard guard(other);
    store::Table table(other, "Transactions");
    store::Record first;
    store::NewRecord(table, first);
    first.SetInt("Account", 1);
    first.SetInt64("Amount", -500);
    first.SetInt("ReferencedAccount", 2);
    first.SetText("TransactionDate", "2026-12-01");
    first.SetText("Deleted", "0");
    store::SaveRecord(first);
    _exit(9);  // killed before the partner row and the commit
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(WEXITSTATUS(status), 9);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions"), 0);
  EXPECT_EQ(Add(kChecking, "5", "2026-12-01"), 1);  // the file is usable, the key counter untouched
}

TEST_F(LedgerTest, EditingAnImportedRowKeepsItsDescription) {
  TransactionFields fields;
  fields.account = kChecking;
  fields.amount = Money(-1234);
  fields.description = "POS 4411 CORNER SHOP LONDON";
  fields.date = "2026-12-01";
  const auto key = AddTransactionAndRebalance(data(), fields);
  ASSERT_TRUE(key);
  auto form = OpenEntryForm(data(), *key);
  form->note = "lunch";
  ASSERT_TRUE(EnterTransaction(data(), *form, prompter_).status.ok);
  EXPECT_EQ(Row(*key).description, "POS 4411 CORNER SHOP LONDON");
  EXPECT_EQ(Row(*key).note, "lunch");
  // Stored protected, never plain.
  EXPECT_EQ(Text(store::FormatSql("SELECT Description FROM Transactions WHERE ID = %d", {*key})).front(), '.');
}

TEST_F(LedgerTest, NotCategorizedMeansKeyZero) {
  const TransactionKey key = Add(kChecking, "1", "2026-12-01", TransactionType::Purchase, {}, "Food");
  ASSERT_TRUE(SetTransactionCategoryByName(data(), key, "Not categorized", ""));
  EXPECT_EQ(Row(key).category, 0);
  ASSERT_TRUE(SetTransactionCategoryByName(data(), key, "Nothing Like It", ""));
  EXPECT_EQ(Row(key).category, -1);  // a name not found stores -1, as stated
  const TransactionKey typed = Add(kChecking, "1", "2026-12-01", TransactionType::Purchase, {}, "Not categorized");
  EXPECT_EQ(Row(typed).category, 0);
}

TEST_F(LedgerTest, CategoryAndPayeeFind) {
  CategorySearch categories;
  EXPECT_TRUE(categories.find(data(), "groc").key.has_value());
  EXPECT_EQ(categories.findNext(data()).status.message, "No more categories matching \"groc\" could be found.");
  EXPECT_EQ(categories.find(data(), "zzz").status.message, "The string \"zzz\" cannot be found in Categories.");
  ASSERT_TRUE(AddPayee(data(), "Bakery", "fresh bread").has_value());
  PayeeSearch payees;
  EXPECT_TRUE(payees.find(data(), "BREAD").key.has_value());
  EXPECT_EQ(payees.find(data(), " ").status.message, "Please enter a valid string to search");
  EXPECT_EQ(payees.find(data(), "zzz").status.message, "The string \"zzz\" cannot be found in Payee Names or Payee Notes.");
}

}  // namespace
}  // namespace tallyvane::ledger
