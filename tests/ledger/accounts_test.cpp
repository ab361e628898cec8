#include "ledger_fixture.h"
#include "store/secure.h"

namespace tallyvane::ledger {
namespace {

AccountForm NewForm(const std::string& name) {
  AccountForm form;
  form.name = name;
  form.type = 1;
  form.startingText = "0";
  form.lastImport = "2026-11-10";
  return form;
}

TEST_F(LedgerTest, AccountFormChecksInOrder) {
  store::MemorySettings settings;
  struct Case {
    const char* name;
    AccountForm form;
    const char* message;
  };
  auto with = [](AccountForm form, auto change) {
    change(form);
    return form;
  };
  const AccountForm base = NewForm("Wallet");
  const Case cases[] = {
      {"empty name", with(base, [](AccountForm& f) { f.name = "  "; }), "Please enter a name for this account."},
      {"bad starting", with(base, [](AccountForm& f) { f.startingText = "1,,0"; }),
       "Please enter a valid amount for the starting balance."},
      {"letters in check number", with(base, [](AccountForm& f) { f.checkNumber = "12a"; }),
       "Please enter only numbers as the check number."},
      {"seven digits", with(base, [](AccountForm& f) { f.checkNumber = "1234567"; }),
       "Check number should contain no more than six numbers."},
      {"future import date", with(base, [](AccountForm& f) { f.lastImport = "2026-12-11"; }),
       "Last import date needs to be prior to the current date."},
      {"masked number without a stored one", with(base, [](AccountForm& f) { f.accountNumber = "*****1234"; }),
       "Please enter a valid account number."},
      {"active name taken", with(base, [](AccountForm& f) { f.name = "Savings Account"; }),
       "Another account name with the same name already exists. Please enter a different name."},
  };
  for (const Case& c : cases) EXPECT_EQ(SaveAccountForm(data(), settings, c.form).message, c.message) << c.name;
  EXPECT_EQ(settings.readString("Settings", "BubbleTipSetupAccount"), "");

  AccountKey saved = 0;
  ASSERT_TRUE(SaveAccountForm(data(), settings, base, &saved).ok);
  EXPECT_EQ(Number(store::FormatSql("SELECT AcctCurrentCheckNum FROM Accounts WHERE ID = %d", {saved})), 0);
  EXPECT_EQ(settings.readString("Settings", "BubbleTipSetupAccount"), "0");
}

TEST_F(LedgerTest, CurrentBalanceFollowsTheStartingBalanceByTheSameStep) {
  SetStarting(kCard, 10000);
  Add(kCard, "150.00", "2026-12-01", TransactionType::Purchase, {}, "Food | Groceries");
  const auto opened = OpenAccountForm(data(), kCard);
  ASSERT_TRUE(opened);
  ASSERT_EQ(opened->startingText, "$100.00");
  ASSERT_EQ(opened->currentText, "$250.00");  // a card owes what it was charged
  const struct {
    const char* typed;
    const char* current;
  } cases[] = {
      {"100.00", "$250.00"}, {"150.00", "$300.00"}, {"-50", "$100.00"},
      {"0", "$150.00"},      {"12x", "$250.00"},   // not an amount: the opened balance stays
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CurrentBalanceText(data().regional(), *opened, c.typed), c.current) << c.typed;
  }
  const auto fresh = OpenAccountForm(data(), std::nullopt);
  ASSERT_TRUE(fresh);
  EXPECT_EQ(CurrentBalanceText(data().regional(), *fresh, "25.00"), "$25.00");
}

TEST_F(LedgerTest, AccountNamesDeletedAndOwnAreFree) {
  store::MemorySettings settings;
  store::NullProgress progress;
  prompter_.answer("Delete");
  ASSERT_TRUE(DeleteAccountsFromList(data(), {kSavings}, prompter_, progress).ok);
  AccountKey again = 0;
  EXPECT_TRUE(SaveAccountForm(data(), settings, NewForm("Savings Account"), &again).ok);
  EXPECT_NE(again, kSavings);
  auto view = OpenAccountForm(data(), kChecking);
  ASSERT_TRUE(view);
  AccountForm same = NewForm(view->name);
  same.key = kChecking;
  EXPECT_TRUE(SaveAccountForm(data(), settings, same, nullptr).ok);
}

TEST_F(LedgerTest, NamesWithQuotesAndSqlAreStoredExactly) {
  store::MemorySettings settings;
  for (const std::string& name : std::vector<std::string>{std::string("O'Brien's \"Joint\""), std::string("x'; DROP TABLE Accounts; --"),
                                  std::string("100% Ünïcødé; 日本")}) {
    AccountKey key = 0;
    ASSERT_TRUE(SaveAccountForm(data(), settings, NewForm(name), &key).ok) << name;
    EXPECT_EQ(FindAccountByName(data(), name).value_or(0), key) << name;
  }
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Accounts"), 6);
}

TEST_F(LedgerTest, MaskedAccountNumberRoundTripsAndSecretsSurviveRenameAndPasswordChange) {
  store::MemorySettings settings;
  AccountForm form = NewForm("Brokerage cash");
  form.institution = "7";
  form.accountNumber = "123456789";
  form.routingNumber = std::string(24, '9');
  form.userId = std::string(25, 'u');
  form.password = "s3cret";
  AccountKey key = 0;
  ASSERT_TRUE(SaveAccountForm(data(), settings, form, &key).ok);
  EXPECT_EQ(MaskAccountNumber("123456789"), "*****6789");
  EXPECT_EQ(MaskAccountNumber("123"), "123");

  auto view = OpenAccountForm(data(), key);
  ASSERT_TRUE(view);
  EXPECT_EQ(view->maskedNumber, "*****6789");
  EXPECT_FALSE(view->securityWarning);
  // Saved back unchanged (masked) and renamed: the stored number stays.
  AccountForm edit = form;
  edit.key = key;
  edit.name = "Renamed";
  edit.description = "new description changes the key";
  edit.accountNumber = view->maskedNumber;
  ASSERT_TRUE(SaveAccountForm(data(), settings, edit).ok);
  auto secrets = store::readAccountSecrets(db(), KeyText(key));
  EXPECT_TRUE(secrets.ok);
  EXPECT_EQ(secrets.values.accountNumber, "123456789");
  EXPECT_EQ(secrets.values.routingNumber, std::string(24, '9'));
  EXPECT_EQ(secrets.values.userId, std::string(25, 'u'));
  EXPECT_EQ(secrets.values.password, "s3cret");
  edit.accountNumber = "****9999";
  EXPECT_EQ(SaveAccountForm(data(), settings, edit).message, "Please enter a valid account number.");

  ASSERT_TRUE(store::setPasswordSettings(db(), {"NewPass1", "hint", "me@example.org"}).ok);
  secrets = store::readAccountSecrets(db(), KeyText(key));
  EXPECT_TRUE(secrets.ok);
  EXPECT_EQ(secrets.values.accountNumber, "123456789");
  EXPECT_EQ(secrets.values.password, "s3cret");
  // The old columns hold decoys only.
  store::Record row;
  ASSERT_TRUE(LoadActiveAccount(data(), key, row));
  EXPECT_EQ(row.GetProtected("AcctNumber").front(), '\\');
}

TEST_F(LedgerTest, TamperedSecureRowReadsEmptyWithTheSecurityWarning) {
  store::MemorySettings settings;
  AccountForm form = NewForm("Online");
  form.institution = "3";
  form.accountNumber = "5555";
  AccountKey key = 0;
  ASSERT_TRUE(SaveAccountForm(data(), settings, form, &key).ok);
  ASSERT_TRUE(db().exec(store::FormatSql("UPDATE Variables SET Value = 'QUJDREVGR0g=' WHERE ID = 'SSACAN%d'", {key})));
  const auto view = OpenAccountForm(data(), key);
  ASSERT_TRUE(view && view->securityWarning);
  EXPECT_EQ(view->securityWarning->title, "Security warning");
  EXPECT_EQ(view->maskedNumber, "");
}

TEST_F(LedgerTest, FramingSwitchesAt25Characters) {
  const std::string framed24 = store::FrameSecret(std::string(24, 'r'));
  EXPECT_EQ(framed24.substr(0, 2), "$Y");  // 'A' + 24
  EXPECT_EQ(framed24.size(), 2u + 24 + 1);
  EXPECT_EQ(store::FrameSecret(std::string(25, 'r')), "$$" + std::string(25, 'r'));
  EXPECT_EQ(store::FrameSecret("").substr(0, 2), "$A");
  EXPECT_EQ(store::UnframeSecret(framed24).value_or("?"), std::string(24, 'r'));
  EXPECT_EQ(store::UnframeSecret("$$" + std::string(30, 'x')).value_or("?"), std::string(30, 'x'));
  EXPECT_FALSE(store::UnframeSecret("plain").has_value());
  EXPECT_EQ(store::UnframeSecret("$!abc").value_or("?"), "");  // length letter below 'A'
}

TEST_F(LedgerTest, DeletingAnAccountKeepsReconciledRowsAndLeavesBudgets) {
  SetStarting(kCard, 5000);
  const TransactionKey a = Add(kCard, "1", "2026-12-01");
  const TransactionKey b = Add(kCard, "2", "2026-12-02", TransactionType::Transfer, {}, {}, kChecking);
  const TransactionKey c = Add(kCard, "3", "2026-12-03");
  ASSERT_TRUE(db().exec(store::FormatSql("UPDATE Transactions SET Reconciled = 1 WHERE ID = %d", {c})));
  BudgetWith("Card budget", 20, 100, kCard);
  BudgetWith("Other budget", 20, 100, kChecking);
  ASSERT_TRUE(db().exec("INSERT INTO ScheduledTransactions (ID, Account, Deleted) VALUES (1, 3, 0)"));

  prompter_.answer("Delete");
  store::NullProgress progress;
  ASSERT_TRUE(DeleteAccountsFromList(data(), {kCard}, prompter_, progress).ok);
  EXPECT_EQ(prompter_.shown.back().text,
            "Are you sure that you would like to delete the selected accounts?\r\n\r\nDeleting the selected accounts "
            "will delete all associated transactions and remove these accounts from associated budgets.");
  EXPECT_TRUE(Row(a).deleted);
  EXPECT_TRUE(Row(b).deleted);
  EXPECT_TRUE(Row(Row(b).referencedId).deleted);  // the partner in Checking too
  EXPECT_FALSE(Row(c).deleted);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM BudgetAccounts WHERE AccountID = 3"), 0);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM BudgetAccounts WHERE AccountID = 1"), 1);
  EXPECT_EQ(Number("SELECT Deleted FROM ScheduledTransactions WHERE ID = 1"), 1);
  store::Record row;
  ASSERT_TRUE(LoadActiveAccount(data(), kCard, row, true));
  EXPECT_TRUE(row.GetFlag("Deleted"));
  EXPECT_EQ(row.GetInt64("AcctStartingBal"), 0);
  EXPECT_EQ(row.GetProtectedBare("AcctUserPass").size(), 19u);
}

TEST_F(LedgerTest, TheLastAccountsCannotAllBeDeleted) {
  store::NullProgress progress;
  const Status status = DeleteAccountsFromList(data(), {kChecking, kSavings, kCard}, prompter_, progress);
  EXPECT_EQ(status.message, "Tallyvane requires at least one account.");
  EXPECT_EQ(status.title, "Tallyvane requires one active account");
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Accounts WHERE Deleted = 0"), 3);
  // Cancelling the question deletes nothing either.
  EXPECT_TRUE(DeleteAccountsFromList(data(), {kChecking}, prompter_, progress).declined);
  EXPECT_EQ(prompter_.shown.back().text, "Are you sure that you would like to delete the selected accounts?");
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Accounts WHERE Deleted = 0"), 3);
}

TEST_F(LedgerTest, StartingBalanceEditRebuildsTheCacheNameEditDoesNot) {
  store::MemorySettings settings;
  Add(kChecking, "10.00", "2026-11-05");
  ASSERT_TRUE(db().exec("UPDATE MonthlyBalances SET Balance = 7"));
  auto view = OpenAccountForm(data(), kChecking);
  AccountForm form = NewForm("Checking Renamed");
  form.key = kChecking;
  form.startingText = view->startingText;
  ASSERT_TRUE(SaveAccountForm(data(), settings, form).ok);
  EXPECT_EQ(Cache(kChecking, 2026, 11).first, 7);
  form.startingText = "100.00";
  ASSERT_TRUE(SaveAccountForm(data(), settings, form).ok);
  EXPECT_EQ(Cache(kChecking, 2026, 11).first, 9000);
  EXPECT_EQ(Number("SELECT AcctCurrentBal FROM Accounts WHERE ID = 1"), 9000);
}

TEST_F(LedgerTest, AssetTestReadsTypeZeroAsOne) {
  ASSERT_TRUE(db().exec("UPDATE Accounts SET AcctType = 0 WHERE ID = 3"));
  EXPECT_TRUE(IsAssetAccount(data(), kCard));
  ASSERT_TRUE(db().exec("UPDATE Accounts SET AcctType = 3 WHERE ID = 3"));
  EXPECT_FALSE(IsAssetAccount(data(), kCard));
  EXPECT_FALSE(IsAssetAccount(data(), 99));
  const AccountsPanel panel = AccountTotals(data());
  EXPECT_EQ(panel.items.back(), "Liabilities: $0.00");
  EXPECT_EQ(panel.items.front(), "Checking Account: $0.00");
}

TEST_F(LedgerTest, AccountFindAndFindNext) {
  AccountSearch search;
  EXPECT_EQ(search.find(data(), "  ").status.message, "Please enter a valid string to search");
  auto result = search.find(data(), "ACCOUNT");
  EXPECT_EQ(result.key.value_or(0), kChecking);
  result = search.findNext(data());
  EXPECT_EQ(result.key.value_or(0), kSavings);
  result = search.findNext(data());
  EXPECT_EQ(result.status.message, "No more accounts matching \"ACCOUNT\" could be found.");
  EXPECT_EQ(search.findNext(data()).key.value_or(0), kChecking);  // from the top again
  EXPECT_EQ(search.find(data(), "zzz").status.message,
            "The string \"zzz\" cannot be found in Account Names, Account Numbers or Financial Institutions.");
}

}  // namespace
}  // namespace tallyvane::ledger
