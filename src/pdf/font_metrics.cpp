#include "pdf/font_metrics.h"

#include <array>

#include "pdf/helvetica_widths.h"

namespace tallyvane::pdf {
namespace {

constexpr std::array<std::string_view, 4> kHelveticaNames = {"Helvetica", "Helvetica-Bold", "Helvetica-Oblique",
                                                             "Helvetica-BoldOblique"};

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool IsRegularNameChar(unsigned char c) {
  if (c <= ' ' || c >= 0x7F || c == '#') return false;
  switch (c) {
    case '(': case ')': case '<': case '>': case '[': case ']': case '{': case '}': case '/': case '%':
      return false;
    default:
      return true;
  }
}

}  // namespace

ResolvedFont ResolveFont(std::string_view face, int weight, bool italic) {
  if (face.empty() || EqualsNoCase(face, "Helvetica") || EqualsNoCase(face, "Arial")) {
    const bool bold = weight >= kBoldWeight;
    return {std::string(kHelveticaNames[(bold ? 1 : 0) + (italic ? 2 : 0)]), true};
  }
  for (std::string_view name : kHelveticaNames) {
    if (face == name) return {std::string(name), true};
  }
  // Characters that would end or break a PDF name token are written as #xx,
  // so a face name can never corrupt the font dictionary.
  std::string name;
  for (char c : face) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == ' ') continue;
    if (IsRegularNameChar(byte)) {
      name.push_back(c);
    } else {
      static constexpr char kHex[] = "0123456789ABCDEF";
      name += '#';
      name += kHex[byte >> 4];
      name += kHex[byte & 0xF];
    }
  }
  if (name.empty()) return {std::string(kHelveticaNames[0]), true};
  return {name, false};
}

bool IsHelveticaName(std::string_view pdfName) {
  for (std::string_view name : kHelveticaNames) {
    if (pdfName == name) return true;
  }
  return false;
}

int StandardCharWidth(std::string_view pdfName, unsigned char code) {
  if (pdfName == "Helvetica" || pdfName == "Helvetica-Oblique") return detail::kHelveticaWidths[code];
  if (pdfName == "Helvetica-Bold" || pdfName == "Helvetica-BoldOblique") return detail::kHelveticaBoldWidths[code];
  return kFallbackCharWidth;
}

std::string FontResourceName(std::string_view pdfName) {
  std::string name = "/FNT_";
  for (char c : pdfName) {
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    name.push_back(alnum ? c : '_');
  }
  return name;
}

std::string FontDictionary(std::string_view pdfName) {
  const std::string name(pdfName);
  if (IsHelveticaName(pdfName)) {
    return "<</Type /Font /BaseFont /" + name + " /Subtype /Type1 /Encoding /WinAnsiEncoding>>";
  }
  if (pdfName == "Symbol" || pdfName == "ZapfDingbats") {
    return "<</Type /Font /BaseFont /" + name + " /Subtype /Type1 >>";
  }
  return "<</Type /Font /BaseFont /" + name + " /Subtype /TrueType /Encoding /WinAnsiEncoding>>";
}

}  // namespace tallyvane::pdf
