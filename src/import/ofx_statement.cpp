#include "import/ofx_statement.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_map>

#include "markup/document.h"
#include "markup/loose_parser.h"
#include "markup/xml_parser.h"
#include "store/dates.h"

namespace tallyvane::import {

namespace {

// Leaves of the OFX 1.x and 2.x message sets: signon, banking, credit card,
// investment, security list and profile. CURRENCY, ORIGCURRENCY, PAYEE and
// the other aggregates are deliberately absent.
constexpr std::array kLeaves = std::to_array<std::string_view>({
    // Signon and common
    "ACCESSKEY", "ACCESSTOKEN", "APPID", "APPVER", "AUTHTOKEN", "CLIENTUID", "CLTCOOKIE", "CODE", "DTACCTUP",
    "DTPROFUP", "DTSERVER", "FID", "GENUSERKEY", "INTU.BID", "INTU.BROKERID", "INTU.USERID", "LANGUAGE", "MESSAGE",
    "NEWUSERPASS", "ORG", "SESSCOOKIE", "SEVERITY", "TAN", "TRNUID", "TSKEYEXPIRE", "USERCRED1", "USERCRED2",
    "USERID", "USERKEY", "USERPASS",
    // Accounts and statements
    "ACCTID", "ACCTKEY", "ACCTTYPE", "BALAMT", "BALTYPE", "BANKID", "BRANCHID", "CHECKNUM", "CORRECTACTION",
    "CORRECTFITID", "CURDEF", "CURRATE", "CURSYM", "DESC", "DTASOF", "DTAVAIL", "DTEND", "DTPOSTED", "DTSTART",
    "DTUSER", "EXTDNAME", "FITID", "IMAGEREF", "IMAGEREFTYPE", "IMAGETYPE", "IMAGEDELAY", "DTIMAGEAVAIL", "IMAGETTL",
    "CHECKSUP", "INCLUDE", "INV401KSOURCE", "MEMO", "MKTGINFO", "NAME", "PAYACCT", "PAYEEID", "PAYEELSTID",
    "REFNUM", "SIC", "SRVRTID", "TRNAMT", "TRNTYPE", "VALUE", "REWARDBAL", "REWARDEARNED", "SVCSTATUS",
    "DTCLOSE", "DTOPEN", "DTNEXT", "DTPMTDUE", "MINPMTDUE", "PAYMENTAMT", "CREDITLIMIT", "AVAILCREDIT",
    // Addresses
    "ADDR1", "ADDR2", "ADDR3", "CITY", "STATE", "POSTALCODE", "COUNTRY", "PHONE", "EMAIL", "URL",
    // Investment statements and positions
    "ACCRDINT", "AVAILCASH", "AVGCOSTBASIS", "BROKERID", "BUYPOWER", "BUYTYPE", "CHECKING", "COMMISSION",
    "DENOMINATOR", "DTEXPIRE", "DTPAYROLL", "DTPRICEASOF", "DTSETTLE", "DTTRADE", "FEES", "FRACCASH", "GAIN",
    "HELDINACCT", "INCOMETYPE", "INVACCTTYPE", "LOAD", "LOANID", "LOANINTEREST", "LOANPRINCIPAL", "MARGINBALANCE",
    "MARKDOWN", "MARKUP", "MKTVAL", "NEWUNITS", "NUMERATOR", "OLDUNITS", "OPTACTION", "OPTBUYTYPE", "OPTSELLTYPE",
    "PENALTY", "POSTYPE", "PRIORYEARCONTRIB", "RELFITID", "SELLREASON", "SELLTYPE", "SHORTBALANCE", "SHPERCTRCT",
    "STATEWITHHOLDING", "SUBACCTFROM", "SUBACCTFUND", "SUBACCTSEC", "SUBACCTTO", "TAXES", "TAXEXEMPT",
    "TFERACTION", "TOTAL", "UNIQUEID", "UNIQUEIDTYPE", "UNITPRICE", "UNITS", "USPRODUCTTYPE", "WITHHOLDING",
    "PERCENT", "DTAUDIT",
    // Security list
    "ASSETCLASS", "CALLPRICE", "CALLTYPE", "COUPONFREQ", "COUPONRT", "DEBTCLASS", "DEBTTYPE", "DTCALL",
    "DTCOUPON", "DTMAT", "DTYIELDASOF", "FIASSETCLASS", "FIID", "MFTYPE", "OPTTYPE", "PARVALUE", "RATING",
    "SECNAME", "STOCKTYPE", "STRIKEPRICE", "TICKER", "YIELD", "YIELDTOCALL", "YIELDTOMAT",
    // Profile
    "CANADDPAYEE", "CANBILLPAY", "CANEMAIL", "CANMODMDLS", "CANMODPMTS", "CANMODXFERS", "CANNOTIFY", "CANRECUR",
    "CANSCHED", "CANUSEDESC", "CANUSERANGE", "CASESEN", "CHARTYPE", "CLIENTROUTING", "CLOSINGAVAIL", "CSPHONE",
    "DAYSWITH", "DFLTDAYSTOPAY", "DIFFFIRSTPMT", "DIFFLASTPMT", "FAXPHONE", "FINAME", "HASEXTDPMT",
    "INVALIDACCTTYPE", "MAX", "MIN", "OFXSEC", "PINCH", "PMTBYADDR", "PMTBYPAYEEID", "PMTBYXFER", "POSTPROCWND",
    "PROCDAYSOFF", "PROCENDTM", "PWTYPE", "RESPFILEER", "SIGNONREALM", "SPACES", "SPECIAL", "SPNAME",
    "STSVIAMODS", "SYNCMODE", "TRANSPSEC", "TSPHONE", "VER", "XFERDAYSWITH", "XFERDFLTDAYSTOPAY",
});

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trimBlanks(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// Hours of a bracket offset ("-7", "+5.5", "-3.5") in whole seconds; false
// when no number starts at `pos`. Offsets past any real zone are held at a
// bound so the arithmetic after stays in range.
bool readOffset(std::string_view text, std::size_t& pos, int64_t& seconds) {
  std::size_t i = pos;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  constexpr int64_t kHourBound = 1000;
  int64_t hours = 0;
  bool digits = false;
  for (; i < text.size() && isDigit(text[i]); ++i) {
    hours = std::min<int64_t>(hours * 10 + (text[i] - '0'), kHourBound);
    digits = true;
  }
  int64_t fractionSeconds = 0;
  if (i < text.size() && text[i] == '.') {
    ++i;
    int64_t numerator = 0;  // the fraction of an hour is numerator / denominator
    int64_t denominator = 1;
    for (; i < text.size() && isDigit(text[i]); ++i) {
      digits = true;
      if (denominator < 1'000'000'000) {
        numerator = numerator * 10 + (text[i] - '0');
        denominator *= 10;
      }
    }
    fractionSeconds = numerator * 3600 / denominator;
  }
  if (!digits) return false;
  seconds = hours * 3600 + fractionSeconds;
  if (negative) seconds = -seconds;
  pos = i;
  return true;
}

// The parts of an OFX date-time: YYYYMMDDHHMMSS.XXX[offset:zone], any tail
// missing. Reading stops at the first part that does not match and the rest
// stay 0, so an empty or unreadable text still names a day (year 0 is 2000,
// month 0 and day 0 roll back to 1999-11-30) and its row can be seen and
// corrected rather than lost without a date.
struct OfxStamp {
  int year = 0;        // two-digit years already placed in 1970..2069
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  bool zoned = false;  // the bracket held an offset and a zone name
  int64_t offsetSeconds = 0;

  [[nodiscard]] std::tm fields() const {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return tm;
  }
};

OfxStamp readOfxStamp(std::string_view input) {
  const std::string_view text = trimBlanks(input);
  std::size_t pos = 0;
  auto readNumber = [&](std::size_t maxDigits, int& value) {
    std::size_t digits = 0;
    int v = 0;
    while (digits < maxDigits && pos < text.size() && isDigit(text[pos])) {
      v = v * 10 + (text[pos++] - '0');
      ++digits;
    }
    if (digits > 0) value = v;
    return digits > 0;
  };

  OfxStamp stamp;
  bool complete = readNumber(4, stamp.year);
  int* const parts[] = {&stamp.month, &stamp.day, &stamp.hour, &stamp.minute, &stamp.second};
  for (int* part : parts) {
    if (!complete) break;
    complete = readNumber(2, *part);
  }
  int milliseconds = 0;
  if (complete && pos < text.size() && text[pos] == '.') {
    ++pos;
    if (readNumber(3, milliseconds) && pos < text.size() && text[pos] == '[') {
      ++pos;
      int64_t seconds = 0;
      // A bracket with only the offset, or without a zone name, counts as no
      // zone at all.
      if (readOffset(text, pos, seconds) && pos + 1 < text.size() && text[pos] == ':' && text[pos + 1] != ']') {
        stamp.zoned = true;
        stamp.offsetSeconds = seconds;
      }
    }
  }
  if (stamp.year < 70) {
    stamp.year += 2000;
  } else if (stamp.year < 1900) {
    stamp.year += 1900;
  }
  // A date alone is taken at 11:59, a time that no zone rule moves off its day.
  if (!stamp.zoned && text.size() <= 8) {
    stamp.hour = 11;
    stamp.minute = 59;
    stamp.second = 0;
  }
  return stamp;
}

int64_t floorDivide(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t daysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = floorDivide(y, 400);
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int64_t& y, int64_t& m, int64_t& d) {
  z += 719468;
  const int64_t era = floorDivide(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = yoe + era * 400 + (m <= 2);
}

// Local dates of DTPOSTED texts already seen. A statement repeats the same
// few texts many times over (every transaction of a day), and converting one
// costs a trip through the time-zone rules.
class PostedDates {
 public:
  const std::string& dateOf(std::string_view text) {
    if (const auto found = dates_.find(text); found != dates_.end()) return found->second;
    if (dates_.size() >= kLimit) dates_.clear();
    return dates_.emplace(std::string(text), ofxPostedDate(text)).first->second;
  }

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  static constexpr std::size_t kLimit = 4096;
  std::unordered_map<std::string, std::string, Hash, std::equal_to<>> dates_;
};

// The element text of a child, cut to the 259 characters of a text field.
std::string_view childView(markup::Node node, std::string_view name) {
  constexpr std::size_t kTextLimit = 259;
  const std::string_view text = markup::findChild(node, name).text();
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (chars++ == kTextLimit) return text.substr(0, i);
  }
  return text;
}

void walkStatement(markup::Node ofx, const store::RegionalSettings& settings, std::vector<ImportCandidate>& out) {
  PostedDates dates;
  for (markup::Node set = ofx.firstChild(); set; set = set.nextSibling()) {
    const std::string_view name = set.name();
    std::string_view responseName;
    std::string_view statementName;
    if (name.starts_with("BANKMSGSRSV")) {
      responseName = "STMTTRNRS";
      statementName = "STMTRS";
    } else if (name.starts_with("CREDITCARDMSGSRSV")) {
      responseName = "CCSTMTTRNRS";
      statementName = "CCSTMTRS";
    } else {
      continue;
    }
    // Only the first statement response of a message set is read, and a
    // message set without a transaction list ends the walk.
    const markup::Node response = markup::findChild(set, responseName);
    if (!response) return;
    const markup::Node statement = markup::findChild(response, statementName);
    if (!statement) return;
    const markup::Node list = markup::findChild(statement, "BANKTRANLIST");
    if (!list) return;

    std::size_t count = 0;
    for (markup::Node child = list.firstChild(); child; child = child.nextSibling()) count += child.name() == "STMTTRN";
    out.reserve(out.size() + count);
    for (markup::Node transaction = list.firstChild(); transaction; transaction = transaction.nextSibling()) {
      if (transaction.name() != "STMTTRN") continue;
      ImportCandidate& candidate = out.emplace_back();
      candidate.date = dates.dateOf(childView(transaction, "DTPOSTED"));
      candidate.amount = parseOfxAmount(settings, childView(transaction, "TRNAMT"));
      candidate.fitId = childView(transaction, "FITID");
      const std::string_view payee = childView(transaction, "NAME");
      const std::string_view memo = childView(transaction, "MEMO");
      if (!payee.empty() && !memo.empty()) {
        candidate.description.reserve(payee.size() + 2 + memo.size());
        candidate.description.append(payee).append("; ").append(memo);
      } else {
        candidate.description = payee.empty() ? memo : payee;
      }
    }
  }
}

}  // namespace

std::span<const std::string_view> ofxLeafElements() { return kLeaves; }

std::string_view cutToOfxBody(std::string_view text) {
  const std::size_t at = text.find("<OFX>");
  return at == std::string_view::npos ? std::string_view{} : text.substr(at);
}

std::vector<ImportCandidate> parseOfxStatement(const store::RegionalSettings& settings, std::string_view text) {
  std::vector<ImportCandidate> candidates;
  std::string error;  // the readers' messages; the import never shows them
  {
    markup::LooseMarkupParser loose;
    loose.setLeafElements(kLeaves);
    markup::Document document;
    loose.parse(text, error, document);
    walkStatement(markup::findChild(document.root(), "OFX"), settings, candidates);
  }
  if (candidates.empty()) {
    markup::Document document;
    markup::XmlParser().parse(text, error, document);
    walkStatement(markup::findChild(document.root(), "OFX"), settings, candidates);
  }
  // Each candidate goes to the front of the list.
  std::reverse(candidates.begin(), candidates.end());
  return candidates;
}

namespace {

// The time value of a stamp: wall time at the stated offset, or local time.
std::time_t stampTime(const OfxStamp& stamp) {
  std::tm tm = stamp.fields();
  std::time_t t;
  if (stamp.zoned) {
    // Wall time at the stated offset: the instant is found through UTC, so
    // the local date follows the zone rules in force on that date.
    t = timegm(&tm);
    if (t == static_cast<std::time_t>(-1)) return 0;
    t -= static_cast<std::time_t>(stamp.offsetSeconds);
  } else {
    tm.tm_isdst = -1;
    t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) return 0;
  }
  return t;
}

// The local calendar date of a stamp without a zone: the fields rolled over
// as a calendar would, which needs no trip through the zone rules (a
// daylight-saving gap moves a time by an hour, never off its date).
void localStampDate(const OfxStamp& stamp, int64_t& y, int64_t& m, int64_t& d) {
  const int64_t months = int64_t{stamp.year} * 12 + (stamp.month - 1);
  const int64_t year = floorDivide(months, 12);
  const int64_t month = months - year * 12 + 1;
  const int64_t seconds = int64_t{stamp.hour} * 3600 + int64_t{stamp.minute} * 60 + stamp.second;
  const int64_t days = daysFromCivil(year, month, 1) + (stamp.day - 1) + floorDivide(seconds, 86400);
  civilFromDays(days, y, m, d);
}

// A date the data file can hold has a four-digit year. Fields that roll
// past year 9999 ("99991399") name no such day; they read as a text with no
// date in it does, so the row is shown and stored on the same day as any
// other unreadable date rather than shown on a day no commit can store.
bool storableYear(int64_t year) { return year >= 1 && year <= 9999; }

OfxStamp unreadableStamp(std::string_view text) {
  // Nothing read, every field 0; the length alone still decides the time of day.
  return readOfxStamp(trimBlanks(text).size() > 8 ? "*********" : "");
}

OfxStamp storableStamp(std::string_view text) {
  const OfxStamp stamp = readOfxStamp(text);
  if (stamp.zoned) {
    std::tm tm{};
    const std::time_t t = stampTime(stamp);
    if (localtime_r(&t, &tm) == nullptr || !storableYear(int64_t{tm.tm_year} + 1900)) return unreadableStamp(text);
    return stamp;
  }
  int64_t y = 0;
  int64_t m = 0;
  int64_t d = 0;
  localStampDate(stamp, y, m, d);
  return storableYear(y) ? stamp : unreadableStamp(text);
}

}  // namespace

std::time_t parseOfxDateTime(std::string_view text) { return stampTime(storableStamp(text)); }

std::string ofxPostedDate(std::string_view text) {
  const OfxStamp stamp = storableStamp(text);
  if (stamp.zoned) return store::DateText(stampTime(stamp));
  int64_t y = 0;
  int64_t m = 0;
  int64_t d = 0;
  localStampDate(stamp, y, m, d);
  char buffer[64];  // room for any three 64-bit numbers, so nothing is ever cut
  std::snprintf(buffer, sizeof buffer, "%.4lld-%.2lld-%.2lld", static_cast<long long>(y), static_cast<long long>(m),
                static_cast<long long>(d));
  return buffer;
}

store::Money parseOfxAmount(const store::RegionalSettings& settings, std::string_view text) {
  const bool negative = text.find('-') != std::string_view::npos;
  const bool point = text.find('.') != std::string_view::npos;
  std::size_t decimalComma = std::string_view::npos;
  if (!point) {
    for (std::size_t i = text.size(); i-- > 0;) {
      if (text[i] == ',' && i + 1 < text.size() && isDigit(text[i + 1])) {
        decimalComma = i;
        break;
      }
    }
  }
  // Rewritten with a point as decimal mark and the sign in front, so that
  // digits past the data file's precision cannot hide a trailing '-'.
  std::string plain;
  plain.reserve(text.size() + 1);
  if (negative) plain.push_back('-');
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (i == decimalComma) {
      plain.push_back('.');
    } else if (c != ',' && c != '-') {
      plain.push_back(c);
    }
  }
  store::RegionalSettings ofx;
  ofx.currencyDigits = settings.currencyDigits;
  ofx.currencySymbol.clear();
  ofx.decimalSymbol = ".";
  ofx.thousandsSymbol = ",";
  return store::ParseMoney(ofx, plain);
}

}  // namespace tallyvane::import
