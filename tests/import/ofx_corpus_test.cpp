// Real statements from other projects' test suites (read in place, never
// copied here). Every file must read without harm; for a handful the figures
// below were written by hand from the files themselves.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "import/ofx_test_support.h"
#include "markup/loose_parser.h"
#include "markup/xml_parser.h"
#include "support/test_support.h"

namespace tallyvane::import {
namespace {

using testing::corpusOfx;
using testing::readCandidates;

class OfxCorpus : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::is_directory(corpusOfx())) GTEST_SKIP() << "no statement corpus at " << corpusOfx();
  }
  tallyvane::testing::ScopedTimeZone zone_{"EST5EDT,M3.2.0,M11.1.0"};
};

TEST_F(OfxCorpus, EveryFileIsReadWithoutHarm) {
  int files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(corpusOfx())) {
    if (!entry.is_regular_file()) continue;
    ++files;
    const StatementText file = readStatementFile(entry.path());
    EXPECT_TRUE(file.ok) << entry.path();
    for (const ImportCandidate& c : parseOfxStatement({}, cutToOfxBody(file.text))) {
      EXPECT_TRUE(c.date.empty() || c.date.size() == 10) << entry.path();
    }
    // Both readers over the whole text, header included.
    markup::Document loose;
    markup::Document strict;
    std::string error;
    markup::LooseMarkupParser().parse(file.text, error, loose);
    markup::XmlParser().parse(file.text, error, strict);
  }
  EXPECT_GT(files, 90);
}

struct Expected {
  const char* file;
  std::size_t count;
  // The first candidates in list order (the last transactions of the file):
  // "date | fitId | description | amount".
  std::vector<std::string> first;
};

std::string row(const ImportCandidate& c) {
  return c.date + " | " + c.fitId + " | " + c.description + " | " + std::to_string(c.amount.minorUnits());
}

TEST_F(OfxCorpus, RepresentativeFilesGiveTheirTransactions) {
  const Expected cases[] = {
      {"egh__ledger-autosync/fixtures/checking.ofx",
       3,
       {"2011-04-07 | 0000488 | RETURNED CHECK FEE, CHECK # 319; RETURNED CHECK FEE, CHECK # 319 FOR $45.33 ON "
        "04/07/11 | -2500",
        "2011-04-05 | 0000487 | AUTOMATIC WITHDRAWAL, ELECTRIC BILL; AUTOMATIC WITHDRAWAL, ELECTRIC BILL WEB(S ) | "
        "-3451",
        "2011-03-31 | 0000486 | DIVIDEND EARNED FOR PERIOD OF 03; DIVIDEND EARNED FOR PERIOD OF 03/01/2011 THROUGH "
        "03/31/2011 ANNUAL PERCENTAGE YIELD EARNED IS 0.05% | 1"}},
      // XML: every leaf closed.
      {"jseutter__ofxparse/tests/fixtures/suncorp.ofx",
       1,
       {"2013-12-15 | 1 | EFTPOS WDL HANDYWAY ALDI STORE  ; EFTPOS WDL HANDYWAY ALDI STORE   GEELONG WEST VICAU | "
        "-1685"}},
      // SGML on one line, every element closed, empty leaves closed at once.
      {"jseutter__ofxparse/tests/fixtures/ofx-v102-empty-tags.ofx", 1, {"2018-05-07 |  | CBA:Transfer | 1234"}},
      // A leaf closed with another leaf's name.
      {"gpaulissen__ofxstatement-french/tests/samples/Extrait_de_compte_balance.txt.ofx",
       4,
       {}},
      // Decimal commas in an XML statement.
      {"csingley__ofxtools/tests/data/stmtrs_euro.ofx",
       2,
       {"2005-10-20 | 00003 |  | -30000", "2005-10-04 | 00002 |  | -20000"}},
      // Windows-1252 declared in the header.
      {"egh__ledger-autosync/fixtures/accented_characters_latin1.ofx",
       1,
       {"2014-09-20 | 201409206 | Virement Interac \xC3\xA0: Jean | -5873"}},
      // A bare ampersand.
      {"libofx__libofx/doc/ofx_sample_files/example-listing1.xml",
       2,
       {"2009-02-09 | 00000000000000000000000000 | DEPOSIT    000000 | 30886",
        "2009-02-09 | 00000000000000000000000000 | GROCER A & Z | -9891"}},
      {"wesabe__fixofx/test/fixtures/checking.ofx", 106, {}},
      // A CDATA memo.
      {"stoicflame__ofx4j/src/test/resources/com/webcohesion/ofx4j/io/nanoxml/example-response.ofx",
       1,
       {"2007-03-29 | 980310001 | TRANSFER; Transfer from checking &<> etc. | 15000"}},
      // A bank and a credit-card message set.
      {"libofx__libofx/doc/ofx_sample_files/ofx-2.1.1-sect-16.5.3.2.ofx",
       3,
       {"2005-08-11 | 219868 | Payment - Thank You | 35000", "2005-08-11 | 219867 | Interest Charge | -2300",
        "2005-08-24 | 219378 | FrogKick Scuba Gear | -8000"}},
      // Two statements in one message set: only the first (13 of 14) is read.
      {"gpaulissen__ofxstatement-french/tests/samples/BPACA_OP_20220717-2.ofx", 13, {}},
      // Investment statements only.
      {"jseutter__ofxparse/tests/fixtures/fidelity.ofx", 0, {}},
      // No <OFX> at all.
      {"libofx__libofx/doc/ofx_sample_files/use-after-free.ofx", 0, {}},
  };
  for (const Expected& e : cases) {
    const std::vector<ImportCandidate> candidates = readCandidates(corpusOfx() / e.file);
    EXPECT_EQ(candidates.size(), e.count) << e.file;
    for (std::size_t k = 0; k < e.first.size() && k < candidates.size(); ++k) {
      EXPECT_EQ(row(candidates[k]), e.first[k]) << e.file << " #" << k;
    }
  }
}

TEST_F(OfxCorpus, LastTransactionOfALongStatementComesFirst) {
  // The last STMTTRN of the file and its first, read by hand.
  const std::vector<ImportCandidate> candidates =
      readCandidates(corpusOfx() / "gpaulissen__ofxstatement-french/tests/samples/BPACA_OP_20220717-2.ofx");
  ASSERT_EQ(candidates.size(), 13u);
  EXPECT_EQ(row(candidates.back()),
            "2022-07-15 | 202200700005BD27 | 130722 CB****9630; SUMUP  *LE BOUDFR BORDEAUX 75,00EUR 1 EURO = "
            "1,000000 | -7500");

  const std::vector<ImportCandidate> wesabe = readCandidates(corpusOfx() / "wesabe__fixofx/test/fixtures/checking.ofx");
  bool found = false;
  for (const ImportCandidate& c : wesabe) {
    if (c.fitId == "FAKEOFX-CHECKING-20100612-1--66.12") {
      EXPECT_EQ(row(c), "2010-06-12 | FAKEOFX-CHECKING-20100612-1--66.12 | PG&E | -6612");
      found = true;
    }
  }
  EXPECT_TRUE(found);
}

}  // namespace
}  // namespace tallyvane::import
