// The port through which the PDF writer reaches a platform font service: it
// measures and renders text that the built-in Helvetica tables cannot cover
// (characters outside Windows-1252, faces other than Helvetica). The FreeType
// implementation serves the window application, the CLI and the tests alike.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallyvane::pdf {

struct FontFace {
  // The face as the caller asked for it ("Helvetica", "DejaVu Sans"); an
  // implementation maps the Helvetica family to a sans face of its choice.
  std::string family;
  bool bold = false;
  bool italic = false;
};

// Vertical metrics per 1000 units of font size (descent negative).
struct FaceMetrics {
  double ascent = 0;
  double descent = 0;
};

// One line of text rendered as ink coverage, row by row from the top.
struct TextBitmap {
  int width = 0;
  int height = 0;
  int baseline = 0;  // rows from the top edge down to the baseline
  int origin = 0;    // columns from the left edge to the pen's starting point
  std::vector<std::uint8_t> coverage;  // width * height; 0 no ink, 255 full ink
};

class TextRasterizer {
 public:
  virtual ~TextRasterizer() = default;
  [[nodiscard]] virtual std::optional<FaceMetrics> metrics(const FontFace& face) = 0;
  // Advance width in pixels of one line of UTF-8 text at an em size of
  // `pixelSize` pixels; nullopt when no usable font exists.
  [[nodiscard]] virtual std::optional<double> measure(const FontFace& face, double pixelSize,
                                                      std::string_view text) = 0;
  // The same line rendered; the bitmap is as wide as the advance (or the ink,
  // when that reaches further) and as high as the face's ascent plus descent.
  [[nodiscard]] virtual std::optional<TextBitmap> render(const FontFace& face, double pixelSize,
                                                         std::string_view text) = 0;
};

}  // namespace tallyvane::pdf
