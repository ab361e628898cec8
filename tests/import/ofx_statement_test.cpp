#include "import/ofx_statement.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import/ofx_test_support.h"
#include "support/test_support.h"

namespace tallyvane::import {
namespace {

using testing::fixture;
using testing::readCandidates;

// "date | fitId | description | amount" per candidate, in list order.
std::vector<std::string> rows(const std::vector<ImportCandidate>& candidates) {
  std::vector<std::string> out;
  for (const ImportCandidate& c : candidates) {
    out.push_back(c.date + " | " + c.fitId + " | " + c.description + " | " +
                  std::to_string(c.amount.minorUnits()));
  }
  return out;
}

std::vector<std::string> parse(std::string_view text, const store::RegionalSettings& settings = {}) {
  return rows(parseOfxStatement(settings, cutToOfxBody(text)));
}

std::string statement(std::string_view transactions) {
  return "<OFX><BANKMSGSRSV1><STMTTRNRS><STMTRS><BANKTRANLIST>" + std::string(transactions) +
         "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>";
}

class OfxStatement : public ::testing::Test {
  tallyvane::testing::ScopedTimeZone zone_{"EST5EDT,M3.2.0,M11.1.0"};
};

TEST_F(OfxStatement, ReadsAnSgmlStatementInReverseDocumentOrder) {
  const std::vector<std::string> expected = {
      "2018-08-17 | C | CHECK 1001 | -4533",
      "2018-08-10 | B | PAYROLL | 150000",
      "2018-08-03 | A | SHOP; REF 1 | -1250",
  };
  EXPECT_EQ(rows(readCandidates(fixture("sgml_statement.ofx"))), expected);
  EXPECT_EQ(rows(readCandidates(fixture("xml_statement.ofx"))), expected);
}

TEST_F(OfxStatement, StrictPassReadsWhatTheLoosePassCannot) {
  // Text ahead of a child ends an element for the loose reader, so its walk
  // finds no STMTTRN; the strict reader pairs the closing tags and finds it.
  const std::string text = statement("List<STMTTRN><DTPOSTED>20240102</DTPOSTED><TRNAMT>1.00</TRNAMT></STMTTRN>");
  EXPECT_EQ(parse(text), std::vector<std::string>{"2024-01-02 |  |  | 100"});
}

TEST_F(OfxStatement, FindsOnlyAnUpperCaseOfxElement) {
  const std::string upper = statement("<STMTTRN><TRNAMT>1.00</STMTTRN>");
  std::string lower = upper;
  lower.replace(lower.find("<OFX>"), 5, "<ofx>");
  EXPECT_EQ(parse(upper).size(), 1u);
  EXPECT_EQ(cutToOfxBody(lower), "");
  EXPECT_TRUE(parseOfxStatement({}, lower).empty());
  EXPECT_EQ(cutToOfxBody("HEADER:1\r\n<OFX>x"), "<OFX>x");
}

TEST_F(OfxStatement, WalksBankAndCardMessageSetsUntilOneLacksItsTransactionList) {
  // The second statement response of the bank set is not read, and the card
  // set after the bank set without BANKTRANLIST is not reached.
  EXPECT_EQ(rows(readCandidates(fixture("message_sets.ofx"))),
            (std::vector<std::string>{"2024-02-03 | CARD-1 |  | -300", "2024-02-01 | BANK-1 |  | -100"}));

  struct {
    const char* name;
    std::string text;
    std::size_t count;
  } cases[] = {
      {"no transaction response", "<OFX><BANKMSGSRSV1><X/></BANKMSGSRSV1>" + statement("<STMTTRN>").substr(5), 0},
      {"no statement", "<OFX><CREDITCARDMSGSRSV1><CCSTMTTRNRS></CCSTMTTRNRS></CREDITCARDMSGSRSV1></OFX>", 0},
      {"card names inside a bank set", "<OFX><BANKMSGSRSV1><CCSTMTTRNRS><CCSTMTRS><BANKTRANLIST><STMTTRN>", 0},
      {"other message sets are skipped",
       "<OFX><SIGNONMSGSRSV1/><INVSTMTMSGSRSV1><STMTTRNRS/></INVSTMTMSGSRSV1>" + statement("<STMTTRN>").substr(5), 1},
      {"only STMTTRN children count",
       statement("<DTSTART>20240101<STMTTRN><TRNAMT>1</STMTTRN><STMTTRNX><TRNAMT>2</STMTTRNX>"
                 "<STMTTRN><TRNAMT>3</STMTTRN>"),
       2},
  };
  for (const auto& c : cases) EXPECT_EQ(parse(c.text).size(), c.count) << c.name;
}

TEST_F(OfxStatement, MissingElementsGiveEmptyFieldsAndDescriptionsAreCut) {
  const std::string name(300, 'N');
  const std::string memo(300, 'M');
  const std::string text = statement("<STMTTRN><TRNTYPE>OTHER</STMTTRN><STMTTRN><NAME>" + name + "<MEMO>" + memo +
                                     "<FITID>" + std::string(300, 'F') + "</STMTTRN>");
  const std::vector<ImportCandidate> candidates = parseOfxStatement({}, text);
  ASSERT_EQ(candidates.size(), 2u);
  EXPECT_EQ(candidates[0].description, name.substr(0, 259) + "; " + memo.substr(0, 259));
  EXPECT_EQ(candidates[0].fitId, std::string(259, 'F'));
  // Without DTPOSTED the date fields read as 0, normalised.
  EXPECT_EQ(rows({candidates[1]}), std::vector<std::string>{"1999-11-30 |  |  | 0"});
}

TEST_F(OfxStatement, ReadsClosedLeavesLeavesClosedByOtherNamesAndCdata) {
  EXPECT_EQ(rows(readCandidates(fixture("closing_tags.ofx"))),
            (std::vector<std::string>{"2019-06-21 | 5 | TRANSFER; From checking &<> etc. | 15000",
                                      "2019-06-20 | 4 | BANK CHARGE; 1 OPERATION | -800"}));
}

TEST_F(OfxStatement, EmptyLeavesDoNotSwallowTheElementsAfterThem) {
  EXPECT_EQ(rows(readCandidates(fixture("empty_leaves.ofx"))),
            (std::vector<std::string>{"2010-06-23 | X-2 | Payroll | 196154", "2010-06-25 |  | Starbucks | -8656"}));
}

TEST_F(OfxStatement, KeepsBareAmpersandsInPayeeNames) {
  EXPECT_EQ(rows(readCandidates(fixture("bare_ampersands.ofx"))),
            (std::vector<std::string>{"2024-01-07 | 3 | BARNES & NOBLE #12 | -999",
                                      "2024-01-06 | 2 | K&L Wines; PG&E | -4510",
                                      "2024-01-05 | 1 | AT&T; WIRELESS & HOME | -6000"}));
  // The strict reader keeps them too.
  EXPECT_EQ(parse(statement("<STMTTRN><NAME>AT&T</NAME><TRNAMT>1.00</TRNAMT></STMTTRN>")),
            std::vector<std::string>{"1999-11-30 |  | AT&T | 100"});
}

TEST_F(OfxStatement, ReadsAmountsByOfxRulesWhateverTheRegionalDecimalSymbol) {
  store::RegionalSettings comma;
  comma.decimalSymbol = ",";
  comma.thousandsSymbol = ".";
  const std::vector<std::string> expected = {"2023-03-03 | 3 |  | -123456", "2023-03-02 | 2 |  | 123450",
                                             "2023-03-01 | 1 |  | -20000"};
  EXPECT_EQ(rows(readCandidates(fixture("decimal_comma.ofx"))), expected);
  EXPECT_EQ(rows(readCandidates(fixture("decimal_comma.ofx"), comma)), expected);
  EXPECT_EQ(rows(readCandidates(fixture("sgml_statement.ofx"), comma)).back(), "2018-08-03 | A | SHOP; REF 1 | -1250");
}

TEST_F(OfxStatement, ReadsCommentedAndIndentedSgml) {
  // Comments are skipped and blanks before a tag are indentation; blanks
  // after a value and before a comment stay part of the value, as read.
  EXPECT_EQ(rows(readCandidates(fixture("commented_sgml.ofx"))),
            (std::vector<std::string>{"1996-10-20 | 00003 |  | -30000",
                                      "1996-10-04 | 00002 | A < B" + std::string(8, ' ') + " | -20000"}));
}

TEST_F(OfxStatement, ReadsValuesWrittenOnTheLineAfterTheirTags) {
  EXPECT_EQ(rows(readCandidates(fixture("values_on_next_line.ofx"))),
            (std::vector<std::string>{"2019-01-10 | A2 | PAYROLL | 25000",
                                      "2019-01-09 | A1 | SHOP ONE; CARD 1234 | -1234"}));
}

TEST_F(OfxStatement, DecodesADeclaredWindows1252File) {
  EXPECT_EQ(rows(readCandidates(fixture("windows1252.ofx"))),
            std::vector<std::string>{
                "2014-09-20 | 201409206 | Virement Interac \xC3\xA0: Jos\xC3\xA9; Frais 2 \xE2\x82\xAC | -5873"});
}

TEST_F(OfxStatement, DatesAreLocalCalendarDatesOfTheInstant) {
  // 03:30 UTC on 15 July is still the 14th in New York (daylight time) and
  // 00:30 UTC on 15 January is the 14th there too (standard time).
  EXPECT_EQ(parse(statement("<STMTTRN><DTPOSTED>20180715033000.000[0:GMT]<TRNAMT>1</STMTTRN>"
                            "<STMTTRN><DTPOSTED>20180115003000.000[+0:UTC]<TRNAMT>1</STMTTRN>")),
            (std::vector<std::string>{"2018-01-14 |  |  | 100", "2018-07-14 |  |  | 100"}));
}

}  // namespace
}  // namespace tallyvane::import
