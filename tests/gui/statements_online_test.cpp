// Retrieval and the institution directory through the windows, against the
// loopback HTTPS server: the password prompt, the review the answer opens,
// a cancel during a slow answer with the window still painting, a sign-on
// refusal in words, the set-up question leading to the account form, and
// the add-institution form with its balloons.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>

#include "dialogs_fixture.h"
#include "gui/dialogs/account_dialog.h"
#include "gui/statements/review_window.h"
#include "gui/statements/statements.h"
#include "online/directory.h"
#include "online/online_fixture.h"
#include "online/online_settings.h"
#include "online/retrieve.h"
#include "store/secure.h"

namespace tallyvane::gui {
namespace {

using online::testing::ServerOptions;
using online::testing::TestPki;
using online::testing::TestServer;

template <typename Done>
bool WaitFor(Done done, int ms = 5000) {
  for (int waited = 0; waited < ms && !done(); waited += 20) QTest::qWait(20);
  return done();
}

std::string Answer(const std::string& status, const std::string& transactions) {
  return "OFXHEADER:100\r\nDATA:OFXSGML\r\n\r\n<OFX><SIGNONMSGSRSV1><SONRS><STATUS>" + status +
         "</STATUS></SONRS></SIGNONMSGSRSV1><BANKMSGSRSV1><STMTTRNRS><STMTRS><BANKTRANLIST>\r\n" + transactions +
         "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\r\n";
}

const std::string kTwoTransactions =
    "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>20261105<TRNAMT>-12.50<FITID>1<NAME>Grocer</STMTTRN>\r\n"
    "<STMTTRN><TRNTYPE>CREDIT<DTPOSTED>20261106<TRNAMT>100.00<FITID>2<NAME>Employer</STMTTRN>\r\n";

class OnlineWindowTest : public DialogTest {
 protected:
  void SetUp() override { ASSERT_TRUE(TestPki::Get().ok()); }

  // The checking account set up for the server, its password asked for.
  void SetUpAccount(const TestServer& server) {
    ASSERT_TRUE(online::WriteOnlineSettings(test_.settings(), {"", TestPki::Get().caFile().string()}));
    online::Institution bank;
    bank.name = "Loop Bank";
    bank.url = server.base() + "/ofx";
    const std::string id = online::addInstitution(data(), bank);
    ASSERT_FALSE(id.empty());
    ASSERT_TRUE(store::writeAccountSecrets(db(), "1", {id, "021000021", "55501234", "jdoe", ""}));
  }

  // Answers the password prompt with `password`, checking its captions.
  void AnswerPassword(const QString& password) {
    OnNextModal([this, password](QWidget* modal) {
      auto* prompt = qobject_cast<QInputDialog*>(modal);
      ASSERT_NE(prompt, nullptr) << modal->metaObject()->className();
      promptTitle_ = prompt->windowTitle().toStdString();
      promptLabel_ = prompt->labelText().toStdString();
      prompt->setTextValue(password);
      prompt->accept();
    });
  }

  QWidget parent_;
  std::string promptTitle_;
  std::string promptLabel_;
};

TEST_F(OnlineWindowTest, RetrievalAsksThePasswordThenOpensTheReviewOfTheAnswer) {
  ServerOptions options;
  options.response = Answer("<CODE>0<SEVERITY>INFO", kTwoTransactions);
  TestServer server(options);
  ASSERT_TRUE(server.running());
  SetUpAccount(server);
  Show(parent_);

  AnswerPassword(QStringLiteral("s3cret"));
  int reviewRows = -1;
  bool progressHidden = false;
  // The review comes up once the password prompt is gone.
  QTimer::singleShot(0, [&] {
    OnNextModal([&](QWidget* modal) {
      if (dynamic_cast<ImportReviewWindow*>(modal) == nullptr) return;
      auto* review = static_cast<ImportReviewWindow*>(modal);
      reviewRows = review->rowsView()->model()->rowCount();
      progressHidden = true;
      for (auto* progress : parent_.findChildren<QProgressDialog*>()) progressHidden = progressHidden && !progress->isVisible();
      QTest::mouseClick(review->findChild<QPushButton*>(QStringLiteral("import")), Qt::LeftButton);
    });
  });
  const int64_t before = Number("SELECT COUNT(*) FROM Transactions WHERE Deleted = 0 AND Account = 1");
  EXPECT_TRUE(RunRetrieval(context_, &parent_, kChecking, {}));
  EXPECT_EQ(promptTitle_, "Retrieve Transactions");
  EXPECT_EQ(promptLabel_, "Enter the password to access your bank account:");
  EXPECT_EQ(reviewRows, 2);
  EXPECT_TRUE(progressHidden) << "the exchange's window gives way to the review";
  EXPECT_EQ(Number("SELECT COUNT(*) FROM Transactions WHERE Deleted = 0 AND Account = 1"), before + 2);
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_NE(requests[0].find("<USERPASS>s3cret\r\n"), std::string::npos);
  EXPECT_EQ(test_.settings().readInt("Settings", "BubbleTipImportCount", -1), 0);
  // The typed password is not kept.
  EXPECT_TRUE(store::readAccountSecrets(db(), "1").values.password.empty());
}

TEST_F(OnlineWindowTest, CancelDuringASlowAnswerEndsTheExchangeWhileTheWindowKeepsPainting) {
  ServerOptions options;
  options.response = Answer("<CODE>0<SEVERITY>INFO", kTwoTransactions);
  options.headerDelay = 8;
  TestServer server(options);
  ASSERT_TRUE(server.running());
  SetUpAccount(server);
  Show(parent_);

  // A timer of the window thread: its largest gap shows whether the window
  // went on handling its events during the exchange.
  QElapsedTimer clock;
  clock.start();
  qint64 last = 0;
  qint64 largestGap = 0;
  QTimer ticker;
  ticker.setInterval(20);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    largestGap = std::max(largestGap, now - last);
    last = now;
  });

  AnswerPassword(QStringLiteral("pw"));
  QString progressTitle;
  QString progressText;
  qint64 cancelledAt = -1;
  QTimer::singleShot(0, [&] {
    OnNextModal([&](QWidget* modal) {
      auto* progress = qobject_cast<QProgressDialog*>(modal);
      if (progress == nullptr) return;
      progressTitle = progress->windowTitle();
      progressText = progress->labelText();
      last = clock.elapsed();
      largestGap = 0;
      ticker.start();
      // Watch a good second of the wait, then cancel.
      QTimer::singleShot(1200, progress, [&, progress] {
        cancelledAt = clock.elapsed();
        progress->cancel();
      });
    });
  });
  EXPECT_FALSE(RunRetrieval(context_, &parent_, kChecking, {}));
  const qint64 ended = clock.elapsed();
  ticker.stop();
  EXPECT_EQ(progressTitle.toStdString(), "Retrieve Transactions");
  EXPECT_EQ(progressText.toStdString(), "Retrieving transactions");
  ASSERT_GE(cancelledAt, 0) << "the progress window came up";
  EXPECT_LT(ended - cancelledAt, 1000) << "cancel ends the exchange at once";
  EXPECT_LT(largestGap, 250) << "the window thread kept handling events";
  EXPECT_TRUE(prompter_.messages.empty());
  EXPECT_TRUE(prompter_.asked.empty());
}

TEST_F(OnlineWindowTest, ASignOnRefusalIsShownInWordsAndNothingIsReviewed) {
  ServerOptions options;
  options.response = Answer("<CODE>15500<SEVERITY>ERROR", "");
  TestServer server(options);
  ASSERT_TRUE(server.running());
  SetUpAccount(server);
  Show(parent_);
  AnswerPassword(QStringLiteral("wrong"));
  EXPECT_FALSE(RunRetrieval(context_, &parent_, kChecking, {}));
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(prompter_.messages[0].title, online::kNotWorkingTitle);
  EXPECT_EQ(prompter_.messages[0].text, online::SignOnErrorText(15500, ""));
}

TEST_F(OnlineWindowTest, AnAccountWithoutInstitutionLeadsToTheAccountFormAndBack) {
  ServerOptions options;
  options.response = Answer("<CODE>0<SEVERITY>INFO", "");
  TestServer server(options);
  ASSERT_TRUE(server.running());
  ASSERT_TRUE(online::WriteOnlineSettings(test_.settings(), {"", TestPki::Get().caFile().string()}));
  Show(parent_);
  prompter_.answer("Set Up Now");
  prompter_.answer("No");
  int edits = 0;
  // The form is confirmed but leaves the account as it was: the question comes again.
  EXPECT_TRUE(RunRetrieval(context_, &parent_, kChecking, [&] { return ++edits > 0; }));
  EXPECT_EQ(edits, 1);
  ASSERT_EQ(prompter_.asked.size(), 2u);
  EXPECT_EQ(prompter_.asked[0].title, online::kSetUpTitle);
  EXPECT_EQ(prompter_.asked[0].buttons, (std::vector<std::string>{"Set Up Now", "No"}));
  EXPECT_TRUE(server.requests().empty());
}

TEST_F(OnlineWindowTest, TheAddInstitutionFormRefusesAtItsFieldsThenAddsAndSeals) {
  bool refusedName = false;
  bool refusedUrl = false;
  std::string hint;
  OnNextModal([&](QWidget* modal) {
    hint = Field<QLineEdit>(*modal, "url")->toolTip().toStdString();
    Click(*modal, "ok");
    refusedName = Balloon() == "name|Name required|Please enter a name for this Financial Institution." &&
                  modal->isVisible();
    Type(Field<QLineEdit>(*modal, "name"), QStringLiteral("Loop Bank"));
    Type(Field<QLineEdit>(*modal, "url"), QStringLiteral("https://ofx.bank.test/a b"));
    Click(*modal, "ok");
    refusedUrl = Balloon() == "url||Please enter a valid URL." && modal->isVisible() &&
                 HasFocus(Field<QLineEdit>(*modal, "url"));
    Type(Field<QLineEdit>(*modal, "url"), QStringLiteral("https://ofx.bank.test/ofx"));
    Click(*modal, "ok");
  });
  std::string added;
  EXPECT_TRUE(RunAddInstitution(context_, nullptr, &added));
  EXPECT_EQ(hint, "Enter the URL used by the financial institution for accepting OFX (transaction data) requests.");
  EXPECT_TRUE(refusedName);
  EXPECT_TRUE(refusedUrl);
  const auto row = online::LoadInstitution(data(), added);
  ASSERT_TRUE(row);
  EXPECT_EQ(row->name, "Loop Bank");
  EXPECT_EQ(row->url, "https://ofx.bank.test/ofx");
  EXPECT_EQ(row->port, 443);
  EXPECT_FALSE(online::isDirectoryTampered(data()));
}

TEST_F(OnlineWindowTest, TheAccountFormListsTheDirectoryAndAddsAnInstitutionByHand) {
  online::Institution listed;
  listed.name = "First Listed";
  listed.url = "https://first.test/ofx";
  ASSERT_FALSE(online::addInstitution(data(), listed).empty());
  AccountDialog form(context_, nullptr, kChecking);
  ASSERT_TRUE(form.opened());
  Show(form);
  auto* list = Field<QComboBox>(form, "institution");
  ASSERT_GE(list->count(), 3);
  EXPECT_EQ(list->itemText(0).toStdString(), "Select one");
  EXPECT_EQ(list->itemText(1).toStdString(), "Add new Financial Institution");
  EXPECT_EQ(list->itemText(2).toStdString(), "First Listed");

  OnNextModal([&](QWidget* modal) {
    Type(Field<QLineEdit>(*modal, "name"), QStringLiteral("Hand Bank"));
    Type(Field<QLineEdit>(*modal, "url"), QStringLiteral("https://hand.test/ofx"));
    Click(*modal, "ok");
  });
  list->setCurrentIndex(1);
  emit list->activated(1);
  EXPECT_EQ(list->currentText().toStdString(), "Hand Bank") << "the new institution is chosen";
  EXPECT_EQ(list->findText(QStringLiteral("First Listed")), 2);
  EXPECT_FALSE(online::isDirectoryTampered(data()));
}

TEST_F(OnlineWindowTest, ATamperedDirectoryIsOfferedForRestoreAndDeclinedWithholdsTheCredentials) {
  online::Institution listed;
  listed.name = "First Listed";
  listed.url = "https://first.test/ofx";
  const std::string id = online::addInstitution(data(), listed);
  ASSERT_TRUE(store::writeAccountSecrets(db(), "1", {id, "021000021", "55501234", "jdoe", "pw"}));
  ASSERT_TRUE(db().exec("UPDATE FinancialInstitutions SET FIUrl = 'https://evil.test/'"));
  AccountDialog form(context_, nullptr, kChecking);
  ASSERT_TRUE(form.opened());
  ASSERT_EQ(prompter_.asked.size(), 1u);
  EXPECT_EQ(prompter_.asked[0].title, "Financial Institution data corrupted");
  auto* list = Field<QComboBox>(form, "institution");
  EXPECT_EQ(list->findText(QStringLiteral("First Listed")), -1);
  EXPECT_TRUE(Field<QLineEdit>(form, "user_id")->text().isEmpty());
  EXPECT_TRUE(Field<QLineEdit>(form, "routing")->text().isEmpty());

  // Retrieval checks the directory first and stops at the declined restore.
  prompter_.asked.clear();
  EXPECT_FALSE(RunRetrieval(context_, nullptr, kChecking, {}));
  ASSERT_EQ(prompter_.asked.size(), 1u);
  EXPECT_EQ(prompter_.asked[0].title, "Financial Institution data corrupted");
}

TEST_F(OnlineWindowTest, RestoringATamperedDirectoryDownloadsItUnderItsProgressWindow) {
  tallyvane::testing::TempDir docs;
  online::testing::WriteAll(docs.path() / "list.xml",
                            "<institutionlist><institutionid id=\"7\" name=\"Seven Bank\"/></institutionlist>");
  online::testing::WriteAll(docs.path() / "lookup-7.xml",
                            "<institution><name>Seven Bank</name><fid>7</fid><org>SVN</org>"
                            "<url>https://seven.test/ofx</url></institution>");
  ServerOptions options;
  options.docs = docs.path();
  TestServer server(options);
  ASSERT_TRUE(server.running());
  ASSERT_TRUE(online::WriteOnlineSettings(test_.settings(), {server.base() + "/", TestPki::Get().caFile().string()}));
  online::Institution mine;
  mine.name = "Mine";
  mine.url = "https://mine.test/ofx";
  ASSERT_FALSE(online::addInstitution(data(), mine).empty());
  ASSERT_TRUE(db().exec("UPDATE FinancialInstitutions SET FIUrl = 'https://evil.test/'"));

  prompter_.answer("Restore Financial Institutions");
  AccountDialog form(context_, nullptr, kChecking);
  ASSERT_TRUE(form.opened());
  ASSERT_EQ(prompter_.asked.size(), 1u);
  EXPECT_EQ(prompter_.asked[0].buttons, (std::vector<std::string>{"Restore Financial Institutions", "Cancel"}));
  auto* list = Field<QComboBox>(form, "institution");
  EXPECT_EQ(list->findText(QStringLiteral("Mine")), -1) << "the restore replaces every row";
  EXPECT_GE(list->findText(QStringLiteral("Seven Bank")), 2);
  EXPECT_FALSE(online::isDirectoryTampered(data()));
  EXPECT_TRUE(prompter_.messages.empty());
}

}  // namespace
}  // namespace tallyvane::gui
