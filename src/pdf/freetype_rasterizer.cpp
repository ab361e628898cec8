#include "pdf/freetype_rasterizer.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "pdf/font_metrics.h"
#include "pdf/winansi.h"

namespace tallyvane::pdf {
namespace {

// Light hinting keeps advances unhinted, so measuring and rendering agree and
// widths scale linearly with the size.
constexpr FT_Int32 kLoadFlags = FT_LOAD_TARGET_LIGHT;

bool IsHelveticaFamily(std::string_view family) { return ResolveFont(family, kNormalWeight, false).standard; }

struct Glyph {
  FT_Face face = nullptr;
  FT_UInt index = 0;
  FT_Pos penX = 0;  // 26.6 fixed point
};

}  // namespace

struct FreeTypeRasterizer::Impl {
  FT_Library library = nullptr;
  FcConfig* config = nullptr;
  std::string helveticaFamily;
  std::map<std::pair<std::string, int>, FT_Face> facesByFile;
  std::map<std::tuple<std::string, bool, bool>, FT_Face> primaryFaces;
  std::map<std::tuple<std::string, bool, bool, char32_t>, FT_Face> fallbackFaces;

  ~Impl() {
    // FT_Done_FreeType releases every face opened from the library.
    if (library != nullptr) FT_Done_FreeType(library);
    if (config != nullptr) FcConfigDestroy(config);
  }

  [[nodiscard]] std::string familyOf(const FontFace& face) const {
    return IsHelveticaFamily(face.family) ? helveticaFamily : face.family;
  }

  // The font file fontconfig picks for a family, and for one character when
  // `c` is not 0.
  FT_Face match(const std::string& family, bool bold, bool italic, char32_t c) {
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return nullptr;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    if (c != 0) {
      FcCharSet* charset = FcCharSetCreate();
      FcCharSetAddChar(charset, c);
      FcPatternAddCharSet(pattern, FC_CHARSET, charset);
      FcCharSetDestroy(charset);
    }
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    if (found == nullptr) return nullptr;
    FcChar8* file = nullptr;
    int index = 0;
    FT_Face face = nullptr;
    if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch) {
      FcPatternGetInteger(found, FC_INDEX, 0, &index);
      face = open(reinterpret_cast<const char*>(file), index);
    }
    FcPatternDestroy(found);
    return face;
  }

  FT_Face open(const std::string& file, int index) {
    const auto key = std::make_pair(file, index);
    if (auto it = facesByFile.find(key); it != facesByFile.end()) return it->second;
    FT_Face face = nullptr;
    if (FT_New_Face(library, file.c_str(), index, &face) != 0) face = nullptr;
    if (face != nullptr && !FT_IS_SCALABLE(face)) {
      FT_Done_Face(face);
      face = nullptr;
    }
    facesByFile.emplace(key, face);
    return face;
  }

  FT_Face primary(const FontFace& face) {
    const auto key = std::make_tuple(familyOf(face), face.bold, face.italic);
    if (auto it = primaryFaces.find(key); it != primaryFaces.end()) return it->second;
    FT_Face found = match(std::get<0>(key), face.bold, face.italic, 0);
    primaryFaces.emplace(key, found);
    return found;
  }

  // The face that draws `c`: the primary one when it has the glyph, else the
  // font fontconfig finds for the character, else the primary face's
  // missing-glyph box.
  FT_Face faceFor(const FontFace& face, FT_Face primaryFace, char32_t c) {
    if (FT_Get_Char_Index(primaryFace, c) != 0) return primaryFace;
    const auto key = std::make_tuple(familyOf(face), face.bold, face.italic, c);
    if (auto it = fallbackFaces.find(key); it != fallbackFaces.end()) return it->second;
    FT_Face found = match(std::get<0>(key), face.bold, face.italic, c);
    if (found == nullptr || FT_Get_Char_Index(found, c) == 0) found = primaryFace;
    fallbackFaces.emplace(key, found);
    return found;
  }

  bool layout(const FontFace& face, double pixelSize, std::string_view text, std::vector<Glyph>& glyphs,
              FT_Pos& advance) {
    FT_Face primaryFace = primary(face);
    if (primaryFace == nullptr || !(pixelSize > 0) || pixelSize > 10000) return false;
    const auto size26 = static_cast<FT_F26Dot6>(std::lround(pixelSize * 64));
    std::map<FT_Face, bool> sized;
    advance = 0;
    for (char32_t c : DecodeUtf8(text)) {
      FT_Face f = faceFor(face, primaryFace, c);
      if (!sized[f]) {
        if (FT_Set_Char_Size(f, 0, size26, 72, 72) != 0) return false;
        sized[f] = true;
      }
      const FT_UInt index = FT_Get_Char_Index(f, c);
      if (FT_Load_Glyph(f, index, kLoadFlags) != 0) continue;
      glyphs.push_back({f, index, advance});
      advance += f->glyph->advance.x;
    }
    // The primary face sets the line's height; leave it at this size.
    if (!sized[primaryFace]) return FT_Set_Char_Size(primaryFace, 0, size26, 72, 72) == 0;
    return true;
  }
};

FreeTypeRasterizer::FreeTypeRasterizer(std::string helveticaFamily) : impl_(std::make_unique<Impl>()) {
  impl_->helveticaFamily = std::move(helveticaFamily);
  if (FT_Init_FreeType(&impl_->library) != 0) impl_->library = nullptr;
  impl_->config = FcInitLoadConfigAndFonts();
}

FreeTypeRasterizer::~FreeTypeRasterizer() = default;

bool FreeTypeRasterizer::usable() const { return impl_->library != nullptr && impl_->config != nullptr; }

std::optional<FaceMetrics> FreeTypeRasterizer::metrics(const FontFace& face) {
  if (!usable()) return std::nullopt;
  FT_Face f = impl_->primary(face);
  if (f == nullptr || f->units_per_EM == 0) return std::nullopt;
  const double scale = 1000.0 / f->units_per_EM;
  return FaceMetrics{f->ascender * scale, f->descender * scale};
}

std::optional<double> FreeTypeRasterizer::measure(const FontFace& face, double pixelSize, std::string_view text) {
  if (!usable()) return std::nullopt;
  std::vector<Glyph> glyphs;
  FT_Pos advance = 0;
  if (!impl_->layout(face, pixelSize, text, glyphs, advance)) return std::nullopt;
  return advance / 64.0;
}

std::optional<TextBitmap> FreeTypeRasterizer::render(const FontFace& face, double pixelSize, std::string_view text) {
  if (!usable()) return std::nullopt;
  std::vector<Glyph> glyphs;
  FT_Pos advance = 0;
  if (!impl_->layout(face, pixelSize, text, glyphs, advance)) return std::nullopt;
  FT_Face primaryFace = impl_->primary(face);
  const FT_Size_Metrics& size = primaryFace->size->metrics;

  struct Ink {
    int left;  // pixels from the pen origin of the line
    int top;   // pixels above the baseline
    int width;
    int rows;
    std::vector<std::uint8_t> pixels;
  };
  std::vector<Ink> inks;
  int ascent = static_cast<int>((size.ascender + 63) / 64);
  int descent = static_cast<int>((-size.descender + 63) / 64);
  int minX = 0;
  int maxX = static_cast<int>((advance + 63) / 64);
  for (const Glyph& g : glyphs) {
    if (FT_Set_Char_Size(g.face, 0, static_cast<FT_F26Dot6>(std::lround(pixelSize * 64)), 72, 72) != 0) continue;
    if (FT_Load_Glyph(g.face, g.index, kLoadFlags | FT_LOAD_RENDER) != 0) continue;
    const FT_GlyphSlot slot = g.face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO) continue;
    Ink ink{static_cast<int>(g.penX / 64) + slot->bitmap_left, slot->bitmap_top, static_cast<int>(bitmap.width),
            static_cast<int>(bitmap.rows), {}};
    ink.pixels.resize(static_cast<std::size_t>(ink.width) * ink.rows);
    for (int y = 0; y < ink.rows; ++y) {
      const unsigned char* row = bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
      for (int x = 0; x < ink.width; ++x) {
        int value = 0;
        if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
          value = row[x] * 255 / std::max(1, bitmap.num_grays - 1);
        } else {
          value = ((row[x / 8] >> (7 - x % 8)) & 1) != 0 ? 255 : 0;
        }
        ink.pixels[static_cast<std::size_t>(y) * ink.width + x] = static_cast<std::uint8_t>(value);
      }
    }
    minX = std::min(minX, ink.left);
    maxX = std::max(maxX, ink.left + ink.width);
    ascent = std::max(ascent, ink.top);
    descent = std::max(descent, ink.rows - ink.top);
    inks.push_back(std::move(ink));
  }

  TextBitmap out;
  out.width = maxX - minX;
  out.height = ascent + descent;
  out.baseline = ascent;
  out.origin = -minX;
  if (out.width <= 0 || out.height <= 0) return out;
  out.coverage.assign(static_cast<std::size_t>(out.width) * out.height, 0);
  for (const Ink& ink : inks) {
    for (int y = 0; y < ink.rows; ++y) {
      const int row = ascent - ink.top + y;
      for (int x = 0; x < ink.width; ++x) {
        const int column = ink.left - minX + x;
        std::uint8_t& target = out.coverage[static_cast<std::size_t>(row) * out.width + column];
        target = std::max(target, ink.pixels[static_cast<std::size_t>(y) * ink.width + x]);
      }
    }
  }
  return out;
}

}  // namespace tallyvane::pdf
