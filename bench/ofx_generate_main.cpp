// Writes a generated statement to a file, for timing the command-line tool
// and other OFX readers on the same input:
//   ofx_generate sgml|xml TRANSACTIONS FILE
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "ofx_generate.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: ofx_generate sgml|xml TRANSACTIONS FILE\n");
    return 2;
  }
  const std::string form = argv[1];
  const int count = std::atoi(argv[2]);
  if ((form != "sgml" && form != "xml") || count < 0) {
    std::fprintf(stderr, "usage: ofx_generate sgml|xml TRANSACTIONS FILE\n");
    return 2;
  }
  const std::string text = tallyvane::bench::generateOfxStatement(
      count, form == "xml" ? tallyvane::bench::OfxForm::Xml : tallyvane::bench::OfxForm::Sgml);
  std::ofstream out(argv[3], std::ios::binary);
  out << text;
  return out ? 0 : 4;
}
