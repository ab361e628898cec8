// TextRasterizer on FreeType, with fontconfig choosing the font files. The
// Helvetica family is drawn in a sans face (DejaVu Sans unless told
// otherwise); a character the chosen face lacks comes from whichever
// installed font fontconfig finds for it.
#pragma once

#include <memory>
#include <string>

#include "pdf/text_rasterizer.h"

namespace tallyvane::pdf {

class FreeTypeRasterizer final : public TextRasterizer {
 public:
  explicit FreeTypeRasterizer(std::string helveticaFamily = "DejaVu Sans");
  ~FreeTypeRasterizer() override;
  FreeTypeRasterizer(const FreeTypeRasterizer&) = delete;
  FreeTypeRasterizer& operator=(const FreeTypeRasterizer&) = delete;

  // False when FreeType or fontconfig could not start; every call then
  // answers nullopt.
  [[nodiscard]] bool usable() const;

  [[nodiscard]] std::optional<FaceMetrics> metrics(const FontFace& face) override;
  [[nodiscard]] std::optional<double> measure(const FontFace& face, double pixelSize, std::string_view text) override;
  [[nodiscard]] std::optional<TextBitmap> render(const FontFace& face, double pixelSize,
                                                 std::string_view text) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tallyvane::pdf
