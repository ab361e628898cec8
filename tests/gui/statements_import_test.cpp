// The statement windows driven through their widgets: a corpus statement
// reviewed, a row unticked and a category changed with the keyboard,
// committed, and reviewed again with everything written marked; the empty
// statement; the CSV field matching by column number; a dropped file.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QSpinBox>
#include <QTableView>
#include <QUrl>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "dialogs_fixture.h"
#include "gui/statements/csv_match_dialog.h"
#include "gui/statements/review_window.h"
#include "gui/statements/statements.h"
#include "import/import_review.h"
#include "import/statement_file.h"
#include "ledger/accounts.h"
#include "ledger/entry.h"
#include "store/money.h"
#include "store/sql_format.h"

namespace tallyvane::gui {
namespace {

// TALLYVANE_CORPUS names the corpus for a checkout that is not beside it.
const std::filesystem::path kCorpusChecking =
    std::filesystem::path(std::getenv("TALLYVANE_CORPUS") != nullptr ? std::getenv("TALLYVANE_CORPUS")
                                                                      : TALLYVANE_CORPUS_DIR) /
    "ofx" / "egh__ledger-autosync" / "fixtures" / "checking.ofx";

template <typename Done>
bool WaitFor(Done done) {
  for (int waited = 0; waited < 5000 && !done(); waited += 20) QTest::qWait(20);
  return done();
}

class StatementWindowTest : public DialogTest {
 protected:
  int64_t Count(ledger::AccountKey account) {
    return Number("SELECT COUNT(*) FROM Transactions WHERE Deleted = 0 AND Account = " + std::to_string(account));
  }
  std::string Cell(QAbstractItemModel* model, int row, int column, int role = Qt::DisplayRole) {
    return model->index(row, column).data(role).toString().toStdString();
  }
  bool Ticked(QAbstractItemModel* model, int row) {
    return model->index(row, ReviewRowModel::Tick).data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
  }
  std::string Money(long long minor) { return store::FormatMoney(data().regional(), store::Money(minor)); }
  std::filesystem::path WriteFile(const std::string& name, const std::string& bytes) {
    const std::filesystem::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  tallyvane::testing::TempDir dir_;
};

TEST_F(StatementWindowTest, ReviewUntickRecategoriseCommitThenEverythingWrittenIsMarked) {
  if (!std::filesystem::exists(kCorpusChecking)) GTEST_SKIP() << "no statement corpus";
  const import::StatementText file = import::readStatementFile(kCorpusChecking);
  ASSERT_TRUE(file.ok) << file.message;
  const int64_t before = Count(kChecking);
  const std::string currentBefore = Text("SELECT AcctCurrentBal FROM Accounts WHERE ID = 1");

  import::ImportReview review = import::ImportReview::Open(data(), kChecking, file.text, prompter_);
  ImportReviewWindow window(context_, nullptr, review);
  Show(window);
  QTableView* rows = window.rowsView();
  QAbstractItemModel* model = rows->model();
  ASSERT_EQ(model->rowCount(), 3);
  EXPECT_EQ(window.windowTitle().toStdString(), "Import Transactions");
  for (int r = 0; r < 3; ++r) EXPECT_TRUE(Ticked(model, r)) << r;
  EXPECT_EQ(Cell(model, 1, ReviewRowModel::Payment), Money(3451));
  EXPECT_EQ(Cell(model, 2, ReviewRowModel::Deposit), Money(1));  // the latest first
  const std::string allTicked = window.balanceField()->text().toStdString();
  EXPECT_EQ(allTicked, store::FormatMoney(data().regional(), review.balanceAfterImport()));

  // Space on the second row unticks it, from its tick or any other cell;
  // the balance follows.
  rows->setFocus();
  rows->setCurrentIndex(model->index(1, ReviewRowModel::Tick));
  QTest::keyClick(rows, Qt::Key_Space);
  EXPECT_FALSE(Ticked(model, 1));
  rows->setCurrentIndex(model->index(1, ReviewRowModel::Payee));
  QTest::keyClick(rows, Qt::Key_Space);
  EXPECT_TRUE(Ticked(model, 1));
  QTest::keyClick(rows, Qt::Key_Space);
  EXPECT_FALSE(Ticked(model, 1));
  EXPECT_NE(window.balanceField()->text().toStdString(), allTicked);
  EXPECT_EQ(window.balanceField()->text().toStdString(),
            store::FormatMoney(data().regional(), review.balanceAfterImport()));

  // F2 on the third row's category opens the choices in their order.
  rows->setCurrentIndex(model->index(2, ReviewRowModel::Category));
  QTest::keyClick(rows->viewport(), Qt::Key_F2);
  auto* choice = rows->findChild<QComboBox*>(QStringLiteral("category_choice"));
  ASSERT_NE(choice, nullptr);
  const auto choices = import::ImportReview::CategoryChoices(data());
  ASSERT_GT(choices.size(), 2u);
  ASSERT_EQ(choice->count(), static_cast<int>(choices.size()));
  EXPECT_EQ(choice->itemText(0).toStdString(), "Not categorized");
  const std::string chosen = choices[2];
  choice->setCurrentIndex(2);
  QTest::keyClick(choice, Qt::Key_Return);
  EXPECT_EQ(Cell(model, 2, ReviewRowModel::Category), chosen);

  Click(window, "import");
  EXPECT_TRUE(WaitFor([&] { return !window.isVisible(); }));
  EXPECT_EQ(window.result(), QDialog::Accepted);
  EXPECT_EQ(Count(kChecking), before + 2);
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions WHERE Deleted = 0 AND Account = 1 AND Cleared = 1 AND "
                   "TransactionDate = '2011-04-05'"),
            0)
      << "the unticked row is not written";
  const std::string payee = review.rows()[2].payee;
  EXPECT_EQ(Text("SELECT c.PayCategory FROM PayAccounts p JOIN Categories c ON c.ID = p.Category WHERE p.PayName = '" +
                 store::QuoteSql(payee) + "' AND p.Deleted = 0"),
            chosen.substr(chosen.find(" | ") == std::string::npos ? 0 : chosen.find(" | ") + 3))
      << "the payee remembers the row's category";
  EXPECT_NE(Text("SELECT AcctCurrentBal FROM Accounts WHERE ID = 1"), currentBefore);
  EXPECT_FALSE(Text("SELECT LastRetrieved FROM Accounts WHERE ID = 1").empty());

  // The same statement again: the two written rows are marked and show the
  // account's payee and category; the skipped one is still offered.
  import::ImportReview again = import::ImportReview::Open(data(), kChecking, file.text, prompter_);
  ImportReviewWindow second(context_, nullptr, again);
  Show(second);
  QAbstractItemModel* secondModel = second.rowsView()->model();
  ASSERT_EQ(secondModel->rowCount(), 3);
  EXPECT_FALSE(Ticked(secondModel, 0));
  EXPECT_TRUE(Ticked(secondModel, 1));
  EXPECT_FALSE(Ticked(secondModel, 2));
  EXPECT_EQ(Cell(secondModel, 2, ReviewRowModel::Category), chosen.substr(chosen.find(" | ") == std::string::npos
                                                                              ? 0
                                                                              : chosen.find(" | ") + 3));
  EXPECT_GE(second.existingView()->model()->rowCount(), 0);
  // Unticking the last offered row leaves nothing to import.
  second.rowsView()->model()->setData(secondModel->index(1, ReviewRowModel::Tick), Qt::Unchecked, Qt::CheckStateRole);
  EXPECT_FALSE(second.findChild<QPushButton*>(QStringLiteral("import"))->isEnabled());
  Click(second, "cancel");
  EXPECT_EQ(Count(kChecking), before + 2) << "closing the review writes nothing";
}

TEST_F(StatementWindowTest, AStatementWithoutTransactionsSaysSoAndOpensEmpty) {
  const std::filesystem::path path = WriteFile(
      "empty.ofx",
      "OFXHEADER:100\r\nDATA:OFXSGML\r\n\r\n<OFX><BANKMSGSRSV1><STMTTRNRS><STMTRS><BANKTRANLIST>"
      "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\r\n");
  bool emptyAndDisabled = false;
  OnNextModal([&](QWidget* modal) {
    auto* window = dynamic_cast<ImportReviewWindow*>(modal);
    ASSERT_NE(window, nullptr);
    emptyAndDisabled = window->rowsView()->model()->rowCount() == 0 &&
                       !window->findChild<QPushButton*>(QStringLiteral("import"))->isEnabled();
    window->reject();
  });
  EXPECT_FALSE(RunOfxImport(context_, nullptr, kChecking, path));
  EXPECT_TRUE(emptyAndDisabled);
  ASSERT_EQ(prompter_.asked.size(), 1u);
  EXPECT_EQ(prompter_.asked[0].title, import::kNoTransactionsTitle);
  EXPECT_EQ(prompter_.asked[0].text, import::kNoTransactionsMessage);
  EXPECT_EQ(prompter_.asked[0].buttons, (std::vector<std::string>{"OK", "Help"}));
}

TEST_F(StatementWindowTest, AnAmountAtTheCapStopsTheCommitAtTheListAndTheReviewStays) {
  const std::string statement =
      "OFXHEADER:100\r\nDATA:OFXSGML\r\n\r\n<OFX><BANKMSGSRSV1><STMTTRNRS><STMTRS><BANKTRANLIST>\r\n"
      "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>20261105<TRNAMT>-100000000000.00<FITID>1<NAME>Too Much</STMTTRN>\r\n"
      "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\r\n";
  import::ImportReview review = import::ImportReview::Open(data(), kChecking, statement, prompter_);
  ImportReviewWindow window(context_, nullptr, review);
  Show(window);
  ASSERT_EQ(window.rowsView()->model()->rowCount(), 1);
  const int64_t before = Count(kChecking);
  Click(window, "import");
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(Balloon(), "rows||The amount must be less than " + Money(store::kMoneyInputLimit) + ".");
  EXPECT_EQ(Count(kChecking), before);
}

// The amount-cap refusal writes nothing; the window shows the refused row,
// Space on it unticks it, and Import then writes every other row once.
TEST_F(StatementWindowTest, ImportAgainAfterTheAmountCapRefusalWritesEachRowOnce) {
  const std::string statement =
      "OFXHEADER:100\r\nDATA:OFXSGML\r\n\r\n<OFX><BANKMSGSRSV1><STMTTRNRS><STMTRS><BANKTRANLIST>\r\n"
      "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>20261105<TRNAMT>-3.00<FITID>1<NAME>Before huge</STMTTRN>\r\n"
      "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>20261106<TRNAMT>-100000000000.00<FITID>2<NAME>Huge</STMTTRN>\r\n"
      "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>20261107<TRNAMT>-4.00<FITID>3<NAME>After huge</STMTTRN>\r\n"
      "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\r\n";
  import::ImportReview review = import::ImportReview::Open(data(), kChecking, statement, prompter_);
  ImportReviewWindow window(context_, nullptr, review);
  Show(window);
  QTableView* rows = window.rowsView();
  QAbstractItemModel* model = rows->model();
  ASSERT_EQ(model->rowCount(), 3);
  const int64_t before = Count(kChecking);
  Click(window, "import");
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(Balloon(), "rows||The amount must be less than " + Money(store::kMoneyInputLimit) + ".");
  EXPECT_EQ(Count(kChecking), before) << "a refused commit writes no row";
  EXPECT_FALSE(window.imported());
  ASSERT_EQ(rows->currentIndex().row(), 1) << "the refused row is the current one";
  EXPECT_EQ(Cell(model, 1, ReviewRowModel::Payee), "Huge");

  rows->setFocus();
  QTest::keyClick(rows, Qt::Key_Space);
  EXPECT_FALSE(Ticked(model, 1));
  Click(window, "import");
  EXPECT_TRUE(WaitFor([&] { return !window.isVisible(); }));
  EXPECT_TRUE(window.imported());
  EXPECT_EQ(Count(kChecking), before + 2);
  for (const char* payee : {"Before huge", "After huge"}) {
    EXPECT_EQ(Number(std::string("SELECT COUNT(*) FROM Transactions t JOIN PayAccounts p ON p.ID = t.PayAccount WHERE "
                                 "t.Deleted = 0 AND p.PayName = '") +
                     payee + "'"),
              1)
        << payee;
  }
}

// "Balance after import" starts from the account's balance as its rows give
// it, also right after a row entered through the transaction form (whose
// save leaves the stored current balance behind), and matches what the
// account holds after the import.
TEST_F(StatementWindowTest, BalanceAfterImportCountsARowEnteredTheSameDay) {
  ASSERT_TRUE(db().exec("UPDATE Accounts SET AcctStartingBal = 761319, AcctCurrentBal = 761319 WHERE ID = 1"));
  ledger::EntryForm form = ledger::NewEntryForm(data(), kChecking);
  form.payee = "Lunch";
  form.amountText = "10.00";
  tallyvane::testing::RecordingPrompter quiet;
  ASSERT_TRUE(ledger::EnterTransaction(data(), form, quiet).status.ok);

  const std::string statement =
      "OFXHEADER:100\r\nDATA:OFXSGML\r\n\r\n<OFX><BANKMSGSRSV1><STMTTRNRS><STMTRS><BANKTRANLIST>\r\n"
      "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>20261209<TRNAMT>-25.00<FITID>1<NAME>Grocer</STMTTRN>\r\n"
      "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\r\n";
  import::ImportReview review = import::ImportReview::Open(data(), kChecking, statement, prompter_);
  ImportReviewWindow window(context_, nullptr, review);
  Show(window);
  EXPECT_EQ(window.balanceField()->text().toStdString(), Money(761319 - 1000 - 2500));
  Click(window, "import");
  EXPECT_TRUE(WaitFor([&] { return !window.isVisible(); }));
  EXPECT_EQ(Money(Number("SELECT AcctCurrentBal FROM Accounts WHERE ID = 1")), Money(761319 - 1000 - 2500));
}

TEST_F(StatementWindowTest, AnUnreadableStatementFileIsReportedAndNothingOpens) {
  EXPECT_FALSE(RunOfxImport(context_, nullptr, kChecking, dir_ / "missing.ofx"));
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_NE(prompter_.messages[0].text.find("missing.ofx"), std::string::npos);
}

TEST_F(StatementWindowTest, CsvFieldsMatchedByColumnNumberWithPreviewThenImported) {
  const std::filesystem::path path =
      WriteFile("bank.csv", "Posted,Payee,Amount,Posted\r\n2026-11-02,Grocer,-12.50,x\r\n\r\n"
                            "2026-11-03,\"Employer \"\"Inc\"\"\",100.00,y\r\n");
  const int64_t before = Count(kChecking);
  bool refused = false;
  bool previewed = false;
  OnNextModal([&](QWidget* modal) {
    auto* dialog = dynamic_cast<CsvMatchDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    QTableView* fields = dialog->fieldsView();
    ASSERT_EQ(fields->model()->rowCount(), 6);
    EXPECT_EQ(fields->model()->index(0, 0).data().toString(), QStringLiteral("Amount"));
    EXPECT_EQ(fields->model()->index(0, 1).data().toString(), QStringLiteral("Click to assign"));
    EXPECT_EQ(dialog->findChild<QSpinBox*>(QStringLiteral("lines_to_skip"))->value(), 1);
    // Nothing assigned yet: the core's refusal, and the window stays.
    Click(*dialog, "import");
    refused = !prompter_.messages.empty() && prompter_.messages.back().title == "Error importing" &&
              dialog->isVisible();

    // The amount from column 3 through the cell's list, by keyboard.
    fields->setFocus();
    fields->setCurrentIndex(fields->model()->index(0, 1));
    QTest::keyClick(fields->viewport(), Qt::Key_F2);
    auto* choice = fields->findChild<QComboBox*>(QStringLiteral("column_choice"));
    ASSERT_NE(choice, nullptr);
    ASSERT_EQ(choice->count(), 5);
    EXPECT_EQ(choice->itemText(0), QStringLiteral("Click to assign"));
    EXPECT_EQ(choice->itemText(3), QStringLiteral("3: Amount"));
    choice->setCurrentIndex(3);
    QTest::keyClick(choice, Qt::Key_Return);
    EXPECT_EQ(fields->model()->index(0, 1).data().toString(), QStringLiteral("3: Amount"));
    // Two columns share the title "Posted": the choice by number tells them apart.
    dialog->assign(1, 0);
    dialog->assign(2, 1);
    EXPECT_EQ(fields->model()->index(1, 1).data().toString(), QStringLiteral("1: Posted"));
    QAbstractItemModel* preview = dialog->previewModel();
    previewed = preview->rowCount() == 2 && preview->columnCount() == 3 &&
                preview->index(1, 2).data().toString() == QStringLiteral("Employer \"Inc\"") &&
                preview->index(0, 0).data().toString() == QStringLiteral("-12.50");
    Click(*dialog, "import");
  });
  EXPECT_TRUE(RunCsvImport(context_, nullptr, kChecking, path));
  EXPECT_TRUE(refused);
  EXPECT_TRUE(previewed);
  ASSERT_FALSE(prompter_.messages.empty());
  EXPECT_EQ(prompter_.messages.back().title, "Import Succeeded");
  EXPECT_EQ(Count(kChecking), before + 2);
  EXPECT_EQ(Number("SELECT Amount FROM Transactions WHERE Deleted = 0 AND Account = 1 AND TransactionDate = "
                   "'2026-11-02'"),
            -1250);
}

TEST_F(StatementWindowTest, AnInvestmentAccountGetsTheInvestmentFields) {
  ledger::AccountValues values;
  values.name = "Brokerage";
  values.type = ledger::kInvestmentAccountType;
  const auto account = ledger::AddAccount(data(), values);
  ASSERT_TRUE(account);
  const std::filesystem::path path = WriteFile("inv.csv", "Date,Type,Security,Shares,Price\n");
  CsvMatchDialog dialog(context_, nullptr, *account, path, {"Date", "Type", "Security", "Shares", "Price"});
  ASSERT_EQ(dialog.fieldsView()->model()->rowCount(), 8);
  EXPECT_EQ(dialog.fieldsView()->model()->index(0, 0).data().toString(), QStringLiteral("Total Cost"));
  EXPECT_EQ(dialog.fieldsView()->model()->index(6, 0).data().toString(), QStringLiteral("Comission"));
  // Statement files go to bank accounts only.
  EXPECT_FALSE(RunOfxImport(context_, nullptr, *account, path));
  EXPECT_TRUE(prompter_.messages.empty());
}

TEST_F(StatementWindowTest, DroppedFilesOpenTheMatchingImport) {
  EXPECT_EQ(KindOfDroppedFile(QStringLiteral("/a/b/Statement.QFX")), DroppedKind::Ofx);
  EXPECT_EQ(KindOfDroppedFile(QStringLiteral("x.ofx")), DroppedKind::Ofx);
  EXPECT_EQ(KindOfDroppedFile(QStringLiteral("x.Csv")), DroppedKind::Csv);
  EXPECT_EQ(KindOfDroppedFile(QStringLiteral("x.txt")), DroppedKind::None);

  QWidget target;
  target.resize(200, 200);
  ledger::AccountKey selected = kChecking;
  int finished = 0;
  AcceptStatementDrops(&target, context_, [&] { return selected; }, [&](bool) { ++finished; });
  EXPECT_TRUE(target.acceptDrops());
  Show(target);

  auto drop = [&](const std::filesystem::path& file) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    const bool accepted = enter.isAccepted();
    if (accepted) {
      QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(&target, &dropped);
    }
    return accepted;
  };
  EXPECT_FALSE(drop(WriteFile("notes.txt", "x")));

  const std::filesystem::path csv = WriteFile("drop.csv", "Date,Amount\n2026-11-02,5.00\n");
  QString opened;
  OnNextModal([&](QWidget* modal) {
    opened = modal->objectName();
    static_cast<QDialog*>(modal)->reject();
  });
  ASSERT_TRUE(drop(csv));
  EXPECT_TRUE(WaitFor([&] { return finished == 1; }));
  EXPECT_EQ(opened, QStringLiteral("csvMatch"));

  // Without a selected account nothing is taken.
  selected = 0;
  EXPECT_FALSE(drop(csv));
}

}  // namespace
}  // namespace tallyvane::gui
