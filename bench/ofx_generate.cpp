#include "ofx_generate.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace tallyvane::bench {

namespace {

constexpr std::array<std::string_view, 12> kPayees = {
    "GROCERY OUTLET #1234", "SHELL OIL 57442", "AMAZON MKTPLACE PMTS", "AT&T WIRELESS",
    "CITY OF SPRINGFIELD",  "PAYROLL ACME CORP",   "STARBUCKS STORE 0881", "K&L WINES",
    "CHECK",                "ATM WITHDRAWAL",      "TRANSFER TO SAVINGS",  "UTILITY ELECTRIC CO",
};
constexpr std::array<std::string_view, 6> kTypes = {"DEBIT", "CREDIT", "CHECK", "ATM", "POS", "XFER"};

struct Random {
  uint64_t state = 0x2545F4914F6CDD1DULL;
  uint32_t next() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>(state >> 33);
  }
};

// Days from 2015-01-01 as a calendar date (good enough: 28-day months).
void date(char* out, std::size_t size, int day) {
  std::snprintf(out, size, "%04d%02d%02d", 2015 + day / 336, 1 + (day / 28) % 12, 1 + day % 28);
}

}  // namespace

std::string generateOfxStatement(int transactions, OfxForm form) {
  const bool xml = form == OfxForm::Xml;
  std::string out;
  out.reserve(static_cast<std::size_t>(transactions) * (xml ? 330 : 250) + 2048);
  // A leaf: closed in XML, open in SGML.
  auto leaf = [&](std::string_view indent, std::string_view name, std::string_view value) {
    out += indent;
    out += '<';
    out += name;
    out += '>';
    out += value;
    if (xml) {
      out += "</";
      out += name;
      out += '>';
    }
    out += '\n';
  };
  auto open = [&](std::string_view indent, std::string_view name) {
    out += indent;
    out += '<';
    out += name;
    out += ">\n";
  };
  auto close = [&](std::string_view indent, std::string_view name) {
    out += indent;
    out += "</";
    out += name;
    out += ">\n";
  };

  if (xml) {
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n";
    out += "<?OFX OFXHEADER=\"200\" VERSION=\"211\" SECURITY=\"NONE\" OLDFILEUID=\"NONE\" NEWFILEUID=\"NONE\"?>\n";
  } else {
    out += "OFXHEADER:100\nDATA:OFXSGML\nVERSION:102\nSECURITY:NONE\nENCODING:USASCII\nCHARSET:1252\n"
           "COMPRESSION:NONE\nOLDFILEUID:NONE\nNEWFILEUID:NONE\n\n";
  }
  open("", "OFX");
  open("  ", "SIGNONMSGSRSV1");
  open("    ", "SONRS");
  open("      ", "STATUS");
  leaf("        ", "CODE", "0");
  leaf("        ", "SEVERITY", "INFO");
  close("      ", "STATUS");
  leaf("      ", "DTSERVER", "20240131120000.000[-5:EST]");
  leaf("      ", "LANGUAGE", "ENG");
  close("    ", "SONRS");
  close("  ", "SIGNONMSGSRSV1");
  open("  ", "BANKMSGSRSV1");
  open("    ", "STMTTRNRS");
  leaf("      ", "TRNUID", "1001");
  open("      ", "STATUS");
  leaf("        ", "CODE", "0");
  leaf("        ", "SEVERITY", "INFO");
  close("      ", "STATUS");
  open("      ", "STMTRS");
  leaf("        ", "CURDEF", "USD");
  open("        ", "BANKACCTFROM");
  leaf("          ", "BANKID", "121099999");
  leaf("          ", "ACCTID", "999988");
  leaf("          ", "ACCTTYPE", "CHECKING");
  close("        ", "BANKACCTFROM");
  open("        ", "BANKTRANLIST");
  leaf("          ", "DTSTART", "20150101");
  leaf("          ", "DTEND", "20240131");

  Random random;
  char buffer[96];
  int64_t balance = 0;
  for (int i = 0; i < transactions; ++i) {
    const int day = static_cast<int>(static_cast<int64_t>(i) * 3000 / (transactions > 0 ? transactions : 1));
    const uint32_t r = random.next();
    const bool credit = r % 7 == 0;
    const int64_t cents = credit ? 100000 + r % 400000 : -static_cast<int64_t>(100 + r % 25000);
    balance += cents;
    const std::string_view type = credit ? "CREDIT" : kTypes[(r >> 8) % kTypes.size()];
    open("          ", "STMTTRN");
    leaf("            ", "TRNTYPE", type);
    date(buffer, sizeof buffer, day);
    std::string posted = buffer;
    posted += (r >> 4) % 2 == 0 ? "120000.000[-5:EST]" : "";
    leaf("            ", "DTPOSTED", posted);
    std::snprintf(buffer, sizeof buffer, "%s%lld.%02lld", cents < 0 ? "-" : "",
                  static_cast<long long>((cents < 0 ? -cents : cents) / 100),
                  static_cast<long long>((cents < 0 ? -cents : cents) % 100));
    leaf("            ", "TRNAMT", buffer);
    std::snprintf(buffer, sizeof buffer, "%s%08d", posted.substr(0, 8).c_str(), i);
    leaf("            ", "FITID", buffer);
    if (type == "CHECK") {
      std::snprintf(buffer, sizeof buffer, "%d", 1000 + i % 9000);
      leaf("            ", "CHECKNUM", buffer);
    }
    std::string_view payee = kPayees[(r >> 12) % kPayees.size()];
    if (xml && payee.find('&') != std::string_view::npos) payee = "AT&amp;T WIRELESS";
    leaf("            ", "NAME", payee);
    std::snprintf(buffer, sizeof buffer, "REF %06u POSTED %s", (r >> 3) % 1000000, posted.substr(0, 8).c_str());
    leaf("            ", "MEMO", buffer);
    close("          ", "STMTTRN");
  }
  close("        ", "BANKTRANLIST");
  open("        ", "LEDGERBAL");
  std::snprintf(buffer, sizeof buffer, "%lld.%02lld", static_cast<long long>(balance / 100),
                static_cast<long long>((balance < 0 ? -balance : balance) % 100));
  leaf("          ", "BALAMT", buffer);
  leaf("          ", "DTASOF", "20240131120000.000[-5:EST]");
  close("        ", "LEDGERBAL");
  close("      ", "STMTRS");
  close("    ", "STMTTRNRS");
  close("  ", "BANKMSGSRSV1");
  close("", "OFX");
  return out;
}

}  // namespace tallyvane::bench
