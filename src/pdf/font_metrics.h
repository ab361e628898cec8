// Font naming and metrics of the PDF writer. The four Helvetica faces are
// measured with built-in AFM width tables so page layout needs no font
// service; any other face is named as given and measured by the rasteriser.
#pragma once

#include <string>
#include <string_view>

namespace tallyvane::pdf {

// Helvetica family metrics per 1000 units of font size.
inline constexpr int kHelveticaAscent = 905;
inline constexpr int kHelveticaDescent = -212;
inline constexpr int kHelveticaLineGap = 33;

// Weights as the platform numbers them; above 699 counts as bold.
inline constexpr int kNormalWeight = 400;
inline constexpr int kBoldWeight = 700;

// Width of each character of faces that have no table.
inline constexpr int kFallbackCharWidth = 600;

struct ResolvedFont {
  std::string pdfName;  // "Helvetica-Bold", or the face without spaces
  bool standard = true; // one of the four Helvetica names
};

// "Helvetica" and "Arial" (any case) become the Helvetica face of the weight
// and slant; a face already named as one of the four keeps its name; any other
// face keeps its name without spaces. An empty face is Helvetica.
[[nodiscard]] ResolvedFont ResolveFont(std::string_view face, int weight, bool italic);

[[nodiscard]] bool IsHelveticaName(std::string_view pdfName);

// Advance width per 1000 units of size of one Windows-1252 byte.
[[nodiscard]] int StandardCharWidth(std::string_view pdfName, unsigned char code);

// "/FNT_" and the name with everything but letters and digits as "_".
[[nodiscard]] std::string FontResourceName(std::string_view pdfName);

// The font object's dictionary for a name.
[[nodiscard]] std::string FontDictionary(std::string_view pdfName);

}  // namespace tallyvane::pdf
