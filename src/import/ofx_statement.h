// Turns the text of an OFX/QFX bank or credit-card statement (SGML 1.x or
// XML 2.x) into import candidates for the import review. Parse problems never
// reach the user: they only give fewer or no candidates.
#pragma once

#include <ctime>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/money.h"
#include "store/regional.h"

namespace tallyvane::import {

// One STMTTRN of a statement.
struct ImportCandidate {
  std::string date;         // local "YYYY-MM-DD" of DTPOSTED; empty when it holds no date
  std::string fitId;        // FITID as read, at most 259 characters
  std::string description;  // NAME "; " MEMO, either alone, or empty; each cut to 259 characters
  store::Money amount;      // TRNAMT; negative is money leaving the account
};

// The text from the first "<OFX>" on (exact, case-sensitive), or empty when
// there is none. Everything before it is the header, never interpreted here.
[[nodiscard]] std::string_view cutToOfxBody(std::string_view text);

// Reads the cut text with the loose reader, and when that finds no
// transaction, with the strict one. The list holds the transactions in
// reverse document order (the last STMTTRN first), as the review shows them.
// Only the digit count of `settings` matters: TRNAMT follows OFX's own number
// format, not the user's.
[[nodiscard]] std::vector<ImportCandidate> parseOfxStatement(const store::RegionalSettings& settings,
                                                             std::string_view text);

// An OFX date-time, YYYYMMDDHHMMSS.XXX[offset:zone] with any tail missing, as
// a time value whose local calendar date is the posting date. With a zone the
// fields are wall time at the offset from UTC; without one they are local
// time, and a date without a time of day is taken at 11:59:00. Fields that
// roll past year 9999 read as a text without a date does (every field 0), so
// every candidate carries a date the data file can store.
[[nodiscard]] std::time_t parseOfxDateTime(std::string_view text);
// The local "YYYY-MM-DD" of parseOfxDateTime, empty when it gives none; what
// a candidate's date holds.
[[nodiscard]] std::string ofxPostedDate(std::string_view text);

// A TRNAMT: with a point, the point is the decimal mark and commas are
// ignored; without one, a comma followed by a digit is the decimal mark. A
// '-' anywhere makes it negative. Scaled, cut and capped to the data file's
// digit count as typed amounts are.
[[nodiscard]] store::Money parseOfxAmount(const store::RegionalSettings& settings, std::string_view text);

// The OFX elements that only ever hold text: the loose reader closes them at
// the next opening tag even when their value is empty.
[[nodiscard]] std::span<const std::string_view> ofxLeafElements();

}  // namespace tallyvane::import
