// Build-time generator of the Helvetica and Helvetica-Bold width tables. It
// reads two AFM files (the metric-compatible URW faces that Debian ships) and
// writes a source file with one width per Windows-1252 byte, so the tables
// come from published metrics instead of being typed in.
//
// Usage: generate_afm_widths REGULAR.afm BOLD.afm OUTPUT.cpp
#include <array>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

namespace {

// Glyph names of the WinAnsi encoding by byte; nullptr where the encoding has
// no character. 0xA0 and 0xAD print as the space and the hyphen.
constexpr std::array<const char*, 256> WinAnsiGlyphNames() {
  std::array<const char*, 256> n{};
  const char* printable[] = {
      "space", "exclam", "quotedbl", "numbersign", "dollar", "percent", "ampersand", "quotesingle", "parenleft",
      "parenright", "asterisk", "plus", "comma", "hyphen", "period", "slash", "zero", "one", "two", "three", "four",
      "five", "six", "seven", "eight", "nine", "colon", "semicolon", "less", "equal", "greater", "question", "at", "A",
      "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M", "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W",
      "X", "Y", "Z", "bracketleft", "backslash", "bracketright", "asciicircum", "underscore", "grave", "a", "b", "c",
      "d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "n", "o", "p", "q", "r", "s", "t", "u", "v", "w", "x", "y",
      "z", "braceleft", "bar", "braceright", "asciitilde"};
  for (int i = 0; i < 95; ++i) n[0x20 + i] = printable[i];
  const char* high[] = {
      "Euro", nullptr, "quotesinglbase", "florin", "quotedblbase", "ellipsis", "dagger", "daggerdbl", "circumflex",
      "perthousand", "Scaron", "guilsinglleft", "OE", nullptr, "Zcaron", nullptr, nullptr, "quoteleft", "quoteright",
      "quotedblleft", "quotedblright", "bullet", "endash", "emdash", "tilde", "trademark", "scaron", "guilsinglright",
      "oe", nullptr, "zcaron", "Ydieresis",
      "space", "exclamdown", "cent", "sterling", "currency", "yen", "brokenbar", "section", "dieresis", "copyright",
      "ordfeminine", "guillemotleft", "logicalnot", "hyphen", "registered", "macron", "degree", "plusminus",
      "twosuperior", "threesuperior", "acute", "mu", "paragraph", "periodcentered", "cedilla", "onesuperior",
      "ordmasculine", "guillemotright", "onequarter", "onehalf", "threequarters", "questiondown",
      "Agrave", "Aacute", "Acircumflex", "Atilde", "Adieresis", "Aring", "AE", "Ccedilla", "Egrave", "Eacute",
      "Ecircumflex", "Edieresis", "Igrave", "Iacute", "Icircumflex", "Idieresis", "Eth", "Ntilde", "Ograve", "Oacute",
      "Ocircumflex", "Otilde", "Odieresis", "multiply", "Oslash", "Ugrave", "Uacute", "Ucircumflex", "Udieresis",
      "Yacute", "Thorn", "germandbls",
      "agrave", "aacute", "acircumflex", "atilde", "adieresis", "aring", "ae", "ccedilla", "egrave", "eacute",
      "ecircumflex", "edieresis", "igrave", "iacute", "icircumflex", "idieresis", "eth", "ntilde", "ograve", "oacute",
      "ocircumflex", "otilde", "odieresis", "divide", "oslash", "ugrave", "uacute", "ucircumflex", "udieresis",
      "yacute", "thorn", "ydieresis"};
  for (int i = 0; i < 128; ++i) n[0x80 + i] = high[i];
  return n;
}

// Glyph name to advance width from the "C ... ; WX w ; N name ; ..." lines.
bool ReadAfmWidths(const char* path, std::map<std::string, int>& widths) {
  std::ifstream in(path);
  if (!in) {
    std::cerr << "cannot read " << path << "\n";
    return false;
  }
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("C ", 0) != 0) continue;
    int width = -1;
    std::string name;
    std::istringstream fields(line);
    std::string item;
    while (std::getline(fields, item, ';')) {
      std::istringstream words(item);
      std::string key;
      words >> key;
      if (key == "WX") words >> width;
      if (key == "N") words >> name;
    }
    if (width >= 0 && !name.empty()) widths.emplace(name, width);
  }
  if (widths.empty()) std::cerr << path << " has no character metrics\n";
  return !widths.empty();
}

// Bytes without a character are drawn by viewers as the bullet (the encoding
// says so for every unused code above 0x20); the control bytes below 0x20 have
// no glyph and take no room.
bool BuildTable(const char* path, std::array<int, 256>& table) {
  std::map<std::string, int> widths;
  if (!ReadAfmWidths(path, widths)) return false;
  const auto names = WinAnsiGlyphNames();
  const auto bullet = widths.find("bullet");
  if (bullet == widths.end()) {
    std::cerr << path << " has no bullet\n";
    return false;
  }
  for (int code = 0; code < 256; ++code) {
    if (code < 0x20) {
      table[code] = 0;
    } else if (names[code] == nullptr) {
      table[code] = bullet->second;
    } else {
      const auto found = widths.find(names[code]);
      if (found == widths.end()) {
        std::cerr << path << " has no glyph " << names[code] << "\n";
        return false;
      }
      table[code] = found->second;
    }
  }
  return true;
}

void WriteTable(std::ostream& out, const char* name, const std::array<int, 256>& table) {
  out << "const std::array<std::uint16_t, 256> " << name << " = {";
  for (int code = 0; code < 256; ++code) {
    out << (code % 16 == 0 ? "\n    " : " ") << table[code] << ",";
  }
  out << "\n};\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: generate_afm_widths REGULAR.afm BOLD.afm OUTPUT.cpp\n";
    return 2;
  }
  std::array<int, 256> regular{};
  std::array<int, 256> bold{};
  if (!BuildTable(argv[1], regular) || !BuildTable(argv[2], bold)) return 1;
  std::ostringstream out;
  out << "// Generated at build time from " << argv[1] << " and " << argv[2] << ".\n"
      << "// Advance widths per 1000 units of font size, indexed by Windows-1252 byte.\n"
      << "#include \"pdf/helvetica_widths.h\"\n\n"
      << "namespace tallyvane::pdf::detail {\n\n";
  WriteTable(out, "kHelveticaWidths", regular);
  out << "\n";
  WriteTable(out, "kHelveticaBoldWidths", bold);
  out << "\n}  // namespace tallyvane::pdf::detail\n";
  std::ofstream file(argv[3], std::ios::binary | std::ios::trunc);
  file << out.str();
  file.close();
  if (!file) {
    std::cerr << "cannot write " << argv[3] << "\n";
    return 1;
  }
  return 0;
}
