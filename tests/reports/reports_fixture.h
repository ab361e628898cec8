// A ledger fixture (10 December 2026, New York) with helpers for reports:
// rows as displayed, split and reconciled entries, budgets and investments
// written straight into their tables.
#pragma once

#include <string>
#include <vector>

#include "ledger/ledger_fixture.h"
#include "reports/report.h"

namespace tallyvane::reports {

class ReportsTest : public ledger::LedgerTest {
 protected:
  // Every row's displayed texts joined by "|", for compact expectations.
  static std::vector<std::string> Lines(const Report& report) {
    std::vector<std::string> lines;
    for (const ReportRow& row : report.rows()) {
      std::string line;
      const std::vector<std::string> cells = DisplayedCells(row, report.columns().size());
      for (std::size_t i = 0; i < cells.size(); ++i) line += (i ? "|" : "") + cells[i];
      lines.push_back(line);
    }
    return lines;
  }

  ledger::CategoryKey Category(const std::string& fullName) {
    const ledger::CategoryKey key = ledger::FindCategoryByFullName(data(), fullName);
    EXPECT_GT(key, 0) << fullName;
    return key;
  }

  // Replaces the transaction's lines: {full category name, signed amount text}.
  void Split(ledger::TransactionKey parent, const std::vector<std::pair<std::string, std::string>>& lines) {
    std::vector<ledger::SplitLineInput> inputs;
    for (const auto& [category, amount] : lines) {
      ledger::SplitLineInput input;
      input.category = category;
      if (!amount.empty() && amount.front() == '-') {
        input.payment = amount.substr(1);
      } else {
        input.deposit = amount;
      }
      inputs.push_back(input);
    }
    const store::Status saved = ledger::SaveSplitLines(data(), parent, inputs, {});
    ASSERT_TRUE(saved.ok) << saved.message;
  }

  void MarkReconciled(ledger::TransactionKey key) {
    ASSERT_TRUE(db().exec(store::FormatSql("UPDATE Transactions SET Reconciled = 1 WHERE ID = %d", {key})));
  }
  void MarkVoid(ledger::TransactionKey key) {
    ASSERT_TRUE(db().exec(store::FormatSql("UPDATE Transactions SET Void = 1 WHERE ID = %d", {key})));
  }

  int AddInvestmentAccount(const std::string& name) {
    const int id = static_cast<int>(Number("SELECT MAX(ID) + 1 FROM Accounts"));
    EXPECT_TRUE(db().exec(store::FormatSql(
        "INSERT INTO Accounts (ID, AcctName, AcctStartingBal, AcctType, Deleted) VALUES (%d, '%Q', 0, 4, 0)",
        {id, name})));
    return id;
  }
  int AddSecurity(const std::string& name) {
    const int id = static_cast<int>(Number("SELECT COALESCE(MAX(ID), 0) + 1 FROM Securities"));
    EXPECT_TRUE(db().exec(store::FormatSql(
        "INSERT INTO Securities (ID, SecurityName, Symbol, Price, Deleted) VALUES (%d, '%Q', '', 0, 0)", {id, name})));
    return id;
  }
  void AddInvestment(int account, const std::string& date, int action, int security, long long shares,
                     long long price) {
    const int id = static_cast<int>(Number("SELECT COALESCE(MAX(ID), 0) + 1 FROM Investments"));
    EXPECT_TRUE(db().exec(store::FormatSql(
        "INSERT INTO Investments (ID, Account, Amount, Note, TransactionDate, Cleared, InvestmentType, Security, "
        "NumberOfShares, PricePaid, Commission, TotalCost, Deleted) VALUES (%d, %d, 0, '', '%Q', 0, %d, %d, %lld, "
        "%lld, 0, 0, 0)",
        {id, account, date, action, security, shares, price})));
  }
};

}  // namespace tallyvane::reports
