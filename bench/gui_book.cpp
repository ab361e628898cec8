// tallyvane-gui-book DATA_DIR [--million]: writes a data file for looking at
// and timing the window program. Without --million it is a household's last
// ten years (salary, rent, bills, groceries, a credit card, savings, checks,
// transfers, one split and one void) entered through the same operations as
// the transaction form. With --million it is 1 000 000 rows over ten years in
// six accounts, the sixth holding exactly 100 000, made with SQL.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "ledger/accounts.h"
#include "ledger/balances.h"
#include "ledger/entry.h"
#include "store/data_context.h"
#include "store/dates.h"
#include "store/db.h"
#include "store/money.h"
#include "store/settings.h"

namespace {

using namespace tallyvane;

class Quiet final : public store::Prompter {
 public:
  std::size_t ask(std::string_view, std::string_view, const std::vector<std::string>&, store::Icon) override {
    return 0;
  }
  void message(std::string_view, std::string_view, store::Icon) override {}
  void balloon(std::string_view, std::string_view, std::string_view) override {}
};

// A small fixed generator: the same book every run.
class Dice {
 public:
  int upTo(int n) {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<int>((state_ >> 33) % static_cast<unsigned long long>(n));
  }
  template <typename T>
  const T& pick(const std::vector<T>& items) {
    return items[static_cast<std::size_t>(upTo(static_cast<int>(items.size())))];
  }

 private:
  unsigned long long state_ = 20261210;
};

std::string Cents(long long cents) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld.%02lld", cents / 100, cents % 100);
  return text;
}

struct Book {
  store::DataContext& data;
  Quiet prompter;
  long long entered = 0;

  std::optional<ledger::TransactionKey> enter(ledger::AccountKey account, ledger::TransactionType type,
                                              const std::string& date, const std::string& payee,
                                              const std::string& category, long long cents,
                                              const std::string& note = {}, const std::string& number = {},
                                              ledger::AccountKey transferTo = 0) {
    ledger::EntryForm form = ledger::NewEntryForm(data, account, type == ledger::TransactionType::Transfer);
    form.type = type;
    form.date = date;
    form.payee = payee;
    form.category = category;
    form.amountText = Cents(cents);
    form.note = note;
    form.number = number;
    form.transferAccount = transferTo;
    const ledger::EntryResult result = ledger::EnterTransaction(data, form, prompter);
    if (!result.status) {
      std::fprintf(stderr, "entry on %s for %s refused: %s\n", date.c_str(), payee.c_str(),
                   result.status.message.c_str());
      return std::nullopt;
    }
    ++entered;
    return result.key;
  }
};

int Household(store::DataContext& data) {
  Book book{data, {}, 0};
  Dice dice;
  using T = ledger::TransactionType;
  auto account = [&](const char* name, int type, long long starting) {
    ledger::AccountValues values;
    values.name = name;
    values.type = type;
    values.starting = store::Money(starting);
    const auto key = ledger::AddAccount(data, values);
    return key.value_or(0);
  };
  // The template's three accounts get real-looking names and start balances.
  data.db().exec("UPDATE Accounts SET AcctStartingBal = 245000 WHERE ID = 1");
  data.db().exec("UPDATE Accounts SET AcctStartingBal = 820000 WHERE ID = 2");
  const ledger::AccountKey checking = 1;
  const ledger::AccountKey savings = 2;
  const ledger::AccountKey card = 3;
  const ledger::AccountKey cash = account("Pocket Cash", 5, 12000);
  account("Retirement Brokerage", ledger::kInvestmentAccountType, 1850000);

  const std::vector<std::string> grocers = {"Green Basket Market", "FreshWay Foods", "Corner Grocer",
                                            "Hillside Farmers Market"};
  const std::vector<std::string> dining = {"Luigi's Trattoria", "Blue Door Cafe", "Sakura Sushi House",
                                           "The Burger Barn", "Golden Dragon Kitchen"};
  const std::vector<std::string> fuel = {"Westside Fuel Stop", "QuickLane Gas", "Harbor Road Service"};
  const std::vector<std::string> shops = {"Northgate Books", "Starlight Cinema", "Harbor Clothing Co.",
                                          "Pinecrest Pharmacy", "Maple Hardware"};

  const std::time_t now = std::time(nullptr);
  const std::time_t startTime = store::AddMonths(now, -120);
  std::tm first = *std::localtime(&startTime);
  int checkNumber = 1040;
  long long cardCharges = 0;
  ledger::RebalanceBatch batch(data);
  store::WriteGuard guard(data.db());
  for (int month = 0; month <= 120; ++month) {
    const int year = first.tm_year + 1900 + (first.tm_mon + month) / 12;
    const int mon = (first.tm_mon + month) % 12 + 1;
    const int days = store::DaysInMonth(mon, year);
    auto date = [&](int day) {
      char text[48];
      std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, mon, day < days ? day : days);
      return std::string(text);
    };
    auto past = [&](int day) { return store::DateTextToTime(date(day)) <= now; };
    const long long raise = 100 + month / 12 * 3;  // three percent a year
    if (past(1)) book.enter(checking, T::Purchase, date(1), "Maple Grove Apartments", "Housing | Rent", 135000 * raise / 100);
    for (int payday : {1, 15}) {
      if (past(payday)) {
        book.enter(checking, T::Deposit, date(payday), "Northwind Logistics", "Income | Salary",
                   172000 * raise / 100, "Payroll");
      }
    }
    if (past(5)) book.enter(checking, T::Purchase, date(5), "City Power & Light", "Bills | Electricity", 5800 + dice.upTo(8000));
    if (past(8)) book.enter(checking, T::Purchase, date(8), "Skyline Fiber", "Bills | Internet", 5999);
    if (past(12)) book.enter(checking, T::Purchase, date(12), "Brightwave Mobile", "Bills | Telephone", 4500);
    if (mon % 3 == 0 && past(20)) {
      book.enter(checking, T::Purchase, date(20), "Riverside Water Utility", "Bills | Water", 8400 + dice.upTo(3000));
    }
    for (int week = 0; week < 4; ++week) {
      const int day = 3 + week * 7 + dice.upTo(3);
      if (past(day)) book.enter(checking, T::Purchase, date(day), dice.pick(grocers), "Food | Groceries", 4500 + dice.upTo(13500));
      const int out = 5 + week * 7 + dice.upTo(2);
      if (week % 2 == 0 && past(out)) {
        const long long spent = 2200 + dice.upTo(6800);
        cardCharges += spent;
        book.enter(card, T::Purchase, date(out), dice.pick(dining), "Food | Dining Out", spent);
      }
      const int gas = 2 + week * 7 + dice.upTo(4);
      if (week != 3 && past(gas)) {
        const long long spent = 3500 + dice.upTo(3500);
        cardCharges += spent;
        book.enter(card, T::Purchase, date(gas), dice.pick(fuel), "Auto | Fuel", spent);
      }
      const int coffee = 4 + week * 7 + dice.upTo(3);
      if (past(coffee)) book.enter(cash, T::Purchase, date(coffee), "Blue Door Cafe", "Food | Dining Out", 450 + dice.upTo(900));
    }
    if (past(17)) {
      const long long spent = 1500 + dice.upTo(9000);
      cardCharges += spent;
      book.enter(card, T::Purchase, date(17), dice.pick(shops), "Personal | Entertainment", spent);
    }
    if (past(9)) book.enter(checking, T::Transfer, date(9), "", "", 6000, "ATM withdrawal", "", cash);
    if (month % 2 == 1 && past(22)) {
      book.enter(checking, T::Check, date(22), "Dr. Alvarez Family Practice", "Healthcare | Doctor", 4000 + dice.upTo(12000),
                 "Co-pay", std::to_string(++checkNumber));
    }
    if (past(25)) book.enter(checking, T::Transfer, date(25), "", "", 80000, "Monthly savings", "", savings);
    // The card statement is paid in full each month.
    if (past(27) && cardCharges > 0) {
      book.enter(checking, T::Transfer, date(27), "", "", cardCharges, "Card payment", "", card);
      cardCharges = 0;
    }
    if (past(28)) book.enter(savings, T::Deposit, date(28), "Harborview Credit Union", "Income | Interest", 900 + month * 6);
    if (mon == 12 && past(18)) book.enter(checking, T::Deposit, date(18), "Northwind Logistics", "Income | Bonus", 150000);
    if (mon == 3 && past(10)) book.enter(checking, T::Purchase, date(10), "Evergreen Insurance", "Auto | Insurance", 64200);
  }

  // One shopping trip split between groceries and clothing, a week ago.
  const std::time_t weekAgo = now - 7 * 86400;
  if (const auto split = book.enter(checking, T::Purchase, store::DateText(weekAgo), "Everyday Mart",
                                    "Food | Groceries", 14235, "Weekly shop and school clothes")) {
    std::vector<ledger::SplitLineInput> lines(2);
    lines[0].category = "Food | Groceries";
    lines[0].note = "Groceries";
    lines[0].payment = "96.20";
    lines[1].category = "Personal | Clothing";
    lines[1].note = "School clothes";
    lines[1].payment = "46.15";
    if (!ledger::SaveSplitLines(data, *split, lines, {})) std::fprintf(stderr, "split refused\n");
  }
  // A check written by mistake and voided.
  if (const auto wrong = book.enter(checking, T::Check, store::DateText(now - 3 * 86400), "Maple Hardware",
                                    "Housing | Home Repairs", 18999, "Wrong amount", std::to_string(++checkNumber))) {
    data.db().exec("UPDATE Transactions SET Void = 1 WHERE ID = " + std::to_string(*wrong));
  }
  // Cleared up to a week ago, reconciled up to the last statement.
  const std::string clearedTo = store::DateText(now - 7 * 86400);
  const std::string reconciledTo = store::DateText(store::AddMonths(now, -1) - 12 * 86400);
  data.db().exec("UPDATE Transactions SET Cleared = 1 WHERE TransactionDate <= '" + clearedTo + "'");
  data.db().exec("UPDATE Transactions SET Reconciled = 1 WHERE Account = 1 AND TransactionDate <= '" + reconciledTo + "'");
  data.db().exec("UPDATE Accounts SET LastReconciled = '" + reconciledTo + "' WHERE ID = 1");
  if (!guard.commit()) {
    std::fprintf(stderr, "the book could not be written\n");
    return 1;
  }
  batch.finish();
  ledger::RebuildAllMonthlyBalances(data);
  ledger::UpdateAllCurrentBalances(data);
  std::printf("%lld transactions\n", book.entered);
  return 0;
}

int Million(store::DataContext& data) {
  store::Db& db = data.db();
  db.exec("BEGIN");
  db.exec("INSERT INTO Accounts (ID, AcctName, AcctStartingBal, AcctCurrentBal, AcctCurrentCheckNum, AcctType, "
          "LastReconciled, Deleted, EnableOnlineAccess) VALUES (4, 'Cash', 0, 0, 0, 5, '0', 0, 2), "
          "(5, 'House', 0, 0, 0, 6, '0', 0, 2), (6, 'Loan', 0, 0, 0, 7, '0', 0, 2)");
  db.exec("UPDATE RecordKeys SET NextKey = '7' WHERE ListName = 'Accounts'");
  db.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000) "
          "INSERT INTO Transactions SELECT i, "
          "CASE WHEN i <= 350000 THEN 1 WHEN i <= 600000 THEN 2 WHEN i <= 750000 THEN 3 WHEN i <= 830000 THEN 4 "
          "WHEN i <= 900000 THEN 5 ELSE 6 END, "
          "CASE WHEN i % 10 = 0 THEN 250000 ELSE -((i * 7919) % 20000) END, i % 500, 0, 0, '', 'Note ' || i, "
          "20 + i % 20, date('now', '-3650 days', '+' || ((i * 3629) % 3651) || ' days'), '', 2, '', 0, 0, 0, "
          "CASE WHEN i % 10 = 0 THEN 0 ELSE 4 END, 0, 0 FROM n");
  db.exec("INSERT OR REPLACE INTO RecordKeys (ListName, NextKey) VALUES ('Transactions', '1000001')");
  db.exec("COMMIT");
  ledger::RebuildAllMonthlyBalances(data);
  ledger::UpdateAllCurrentBalances(data);
  std::printf("1000000 transactions\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: tallyvane-gui-book DATA_DIR [--million]\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  const bool million = argc > 2 && std::string(argv[2]) == "--million";
  std::filesystem::create_directories(dir);
  const std::filesystem::path file = dir / std::string(store::kDataFileName);
  std::filesystem::remove(file);
  std::filesystem::copy_file(TALLYVANE_BENCH_TEMPLATE, file);
  store::Paths paths;
  paths.dataDir = dir;
  paths.commonDataDir = dir;
  paths.templateFile = TALLYVANE_BENCH_TEMPLATE;
  store::DataContext data(paths, store::ReadSystemLocale());
  if (const store::Status opened = data.OpenDataContext(); !opened) {
    std::fprintf(stderr, "%s\n", opened.message.c_str());
    return 1;
  }
  return million ? Million(data) : Household(data);
}
