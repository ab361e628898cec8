-- The template data file: every table of the data file format and the rows a
-- new user starts with. Columns compared with unquoted numbers are declared
-- INTEGER so that the quoted text the program writes converts to integers.
-- Keys are INTEGER PRIMARY KEY so a lookup by key is an index seek, while
-- quoted key text ('12') still compares equal to the stored integer.

CREATE TABLE Accounts (ID INTEGER PRIMARY KEY, AcctName TEXT, AcctDescription TEXT, AcctStartingBal INTEGER, AcctCurrentBal INTEGER, AcctCurrentCheckNum INTEGER, AcctNotes TEXT, AcctType INTEGER, LastRetrieved TEXT, LastReconciled TEXT, Deleted INTEGER, EnableOnlineAccess INTEGER, FinancialInstitution TEXT, RoutingNumber TEXT, AcctNumber TEXT, AcctUserID TEXT, AcctUserPass TEXT);

CREATE TABLE AccountTypes (ID INTEGER PRIMARY KEY, AccountTypeName TEXT, Asset INTEGER);

CREATE TABLE Categories (ID INTEGER PRIMARY KEY, PayCategory TEXT, Header INTEGER, Parent INTEGER, DefaultTaxDeductible INTEGER, TaxCode TEXT, Expense INTEGER, Deleted INTEGER);

CREATE TABLE PayAccounts (ID INTEGER PRIMARY KEY, PayName TEXT, Notes TEXT, Category INTEGER, Deleted INTEGER);

-- Read by position: the order of these columns is part of the format.
CREATE TABLE Transactions (ID INTEGER PRIMARY KEY, Account INTEGER, Amount INTEGER, PayAccount INTEGER, ReferencedAccount INTEGER, ReferencedID INTEGER, Description TEXT, Note TEXT, Category INTEGER, TransactionDate TEXT, TransactionNumber TEXT, TaxDeductible INTEGER, Reserved TEXT, Cleared INTEGER, Deleted INTEGER, Void INTEGER, TransactionType INTEGER, Reconciled INTEGER, SplitTransaction INTEGER);

CREATE TABLE SplitTransactions (ID INTEGER PRIMARY KEY, TransactionID INTEGER, Amount INTEGER, Category INTEGER, Note TEXT, Deleted INTEGER);

CREATE TABLE ScheduledTransactions (ID INTEGER PRIMARY KEY, Account INTEGER, Amount INTEGER, PayAccount INTEGER, ReferencedAccount INTEGER, Category INTEGER, TaxDeductible INTEGER, TransactionType INTEGER, NextTransactionDate TEXT, EndTransactionDate TEXT, NumberOfRecurringTransactionsLeft INTEGER, Reminders INTEGER, TimePeriod INTEGER, TimePeriodType INTEGER, Deleted INTEGER, SplitTransaction INTEGER);

CREATE TABLE MonthlyBalances (ID INTEGER PRIMARY KEY, TimeStamp INTEGER, Account INTEGER, Balance INTEGER, BalanceReconciled INTEGER);

CREATE TABLE Budgets (ID INTEGER PRIMARY KEY, BudgetName TEXT, OverBudgetWarning INTEGER, Deleted INTEGER);

CREATE TABLE BudgetAccounts (ID INTEGER PRIMARY KEY, BudgetID INTEGER, AccountID INTEGER);

CREATE TABLE BudgetCategories (ID INTEGER PRIMARY KEY, BudgetID INTEGER, CategoryID INTEGER, Amount INTEGER);

CREATE TABLE FinancialInstitutions (ID INTEGER PRIMARY KEY, FIName TEXT, FIId TEXT, FIOrg TEXT, FIUrl TEXT, BankID TEXT, FIPort INTEGER, OFXVersion INTEGER, Deleted INTEGER);

CREATE TABLE Securities (ID INTEGER PRIMARY KEY, SecurityName TEXT, Symbol TEXT, Price INTEGER, Deleted INTEGER);

-- Read by position: the order of these columns is part of the format.
CREATE TABLE Investments (ID INTEGER PRIMARY KEY, Account INTEGER, Amount INTEGER, Note TEXT, TransactionDate TEXT, Cleared INTEGER, InvestmentType INTEGER, Security INTEGER, NumberOfShares INTEGER, PricePaid INTEGER, Commission INTEGER, TotalCost INTEGER, Deleted INTEGER);

CREATE TABLE ScheduledInvestments (ID INTEGER PRIMARY KEY, Account INTEGER, Shares INTEGER, PricePaid INTEGER, Commission INTEGER, Cost INTEGER, SecurityAccount INTEGER, ReferencedAccount INTEGER, ActionType INTEGER, NextTransactionDate TEXT, EndTransactionDate TEXT, NumberOfRecurringTransactionsLeft INTEGER, Reminders INTEGER, TimePeriod INTEGER, TimePeriodType INTEGER, Deleted INTEGER, SplitTransaction INTEGER);

CREATE TABLE Misc (ID TEXT PRIMARY KEY, Init INTEGER, CurrencySymbol TEXT, CurrencyName TEXT, CurrencyOrder INTEGER, CurrencyDigits INTEGER, DecimalSymbol TEXT, ThousandsSymbol TEXT, PrintedDateFormat INTEGER, PrintedDateOrder INTEGER, PrintedDateSeparator TEXT, PaperSize INTEGER, MarginTopBottom REAL, MarginSides REAL, CSVBOMInclued INTEGER, Password TEXT, PasswordHint TEXT, Email TEXT);

CREATE TABLE Variables (ID TEXT PRIMARY KEY, Value TEXT);

CREATE TABLE RecordKeys (ListName VARCHAR(255) PRIMARY KEY, NextKey VARCHAR(255));

-- Names are looked up exactly on every write that names a payee, category,
-- account, security or budget. The program adds the same indexes to files
-- made before them when it opens them. The name alone, so rows of one name
-- are read in key order, as the table gives them.
CREATE INDEX TvPayeesByName ON PayAccounts (PayName);
CREATE INDEX TvCategoriesByName ON Categories (PayCategory);
CREATE INDEX TvAccountsByName ON Accounts (AcctName);
CREATE INDEX TvSecuritiesByName ON Securities (SecurityName);
CREATE INDEX TvBudgetsByName ON Budgets (BudgetName);

INSERT INTO Misc (ID, Init) VALUES ('Options', '0');

-- Account type 4 is the investment account; the rest may be ordered freely.
INSERT INTO AccountTypes (ID, AccountTypeName, Asset) VALUES
  ('1', 'Checking', '1'),
  ('2', 'Savings', '1'),
  ('3', 'Credit Card', '0'),
  ('4', 'Investment', '1'),
  ('5', 'Cash', '1'),
  ('6', 'Asset', '1'),
  ('7', 'Liability', '0');

INSERT INTO Accounts (ID, AcctName, AcctDescription, AcctStartingBal, AcctCurrentBal, AcctCurrentCheckNum, AcctNotes, AcctType, LastRetrieved, LastReconciled, Deleted, EnableOnlineAccess, FinancialInstitution, RoutingNumber, AcctNumber, AcctUserID, AcctUserPass) VALUES
  ('1', 'Checking Account', '', '0', '0', '0', '', '1', '', '0', '0', '0', '', '', '', '', ''),
  ('2', 'Savings Account', '', '0', '0', '0', '', '2', '', '0', '0', '0', '', '', '', '', ''),
  ('3', 'Credit Card', '', '0', '0', '0', '', '3', '', '0', '0', '0', '', '', '', '', '');

-- Two levels: income and expense headers with their subcategories. Income
-- categories carry Expense 0, everything else Expense 1.
INSERT INTO Categories (ID, PayCategory, Header, Parent, DefaultTaxDeductible, TaxCode, Expense, Deleted) VALUES
  ('1', 'Income', '1', '0', '0', '', '0', '0'),
  ('2', 'Salary', '0', '1', '0', '', '0', '0'),
  ('3', 'Bonus', '0', '1', '0', '', '0', '0'),
  ('4', 'Interest', '0', '1', '0', '', '0', '0'),
  ('5', 'Dividends', '0', '1', '0', '', '0', '0'),
  ('6', 'Gifts Received', '0', '1', '0', '', '0', '0'),
  ('7', 'Other Income', '0', '1', '0', '', '0', '0'),
  ('8', 'Auto', '1', '0', '0', '', '1', '0'),
  ('9', 'Fuel', '0', '8', '0', '', '1', '0'),
  ('10', 'Insurance', '0', '8', '0', '', '1', '0'),
  ('11', 'Maintenance', '0', '8', '0', '', '1', '0'),
  ('12', 'Parking', '0', '8', '0', '', '1', '0'),
  ('13', 'Bills', '1', '0', '0', '', '1', '0'),
  ('14', 'Electricity', '0', '13', '0', '', '1', '0'),
  ('15', 'Gas', '0', '13', '0', '', '1', '0'),
  ('16', 'Water', '0', '13', '0', '', '1', '0'),
  ('17', 'Telephone', '0', '13', '0', '', '1', '0'),
  ('18', 'Internet', '0', '13', '0', '', '1', '0'),
  ('19', 'Food', '1', '0', '0', '', '1', '0'),
  ('20', 'Groceries', '0', '19', '0', '', '1', '0'),
  ('21', 'Dining Out', '0', '19', '0', '', '1', '0'),
  ('22', 'Housing', '1', '0', '0', '', '1', '0'),
  ('23', 'Rent', '0', '22', '0', '', '1', '0'),
  ('24', 'Mortgage Interest', '0', '22', '1', '', '1', '0'),
  ('25', 'Home Repairs', '0', '22', '0', '', '1', '0'),
  ('26', 'Home Insurance', '0', '22', '0', '', '1', '0'),
  ('27', 'Healthcare', '1', '0', '0', '', '1', '0'),
  ('28', 'Doctor', '0', '27', '1', '', '1', '0'),
  ('29', 'Pharmacy', '0', '27', '1', '', '1', '0'),
  ('30', 'Health Insurance', '0', '27', '1', '', '1', '0'),
  ('31', 'Personal', '1', '0', '0', '', '1', '0'),
  ('32', 'Clothing', '0', '31', '0', '', '1', '0'),
  ('33', 'Education', '0', '31', '0', '', '1', '0'),
  ('34', 'Entertainment', '0', '31', '0', '', '1', '0'),
  ('35', 'Gifts Given', '0', '31', '0', '', '1', '0'),
  ('36', 'Charitable Donations', '0', '31', '1', '', '1', '0'),
  ('37', 'Travel', '0', '31', '0', '', '1', '0'),
  ('38', 'Bank Charges', '0', '0', '0', '', '1', '0'),
  ('39', 'Taxes', '0', '0', '0', '', '1', '0'),
  ('40', 'Miscellaneous', '0', '0', '0', '', '1', '0');

INSERT INTO RecordKeys (ListName, NextKey) VALUES
  ('AccountTypes', '8'),
  ('Accounts', '4'),
  ('Categories', '41');
