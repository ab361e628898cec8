#include "pdf/freetype_rasterizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "pdf/pdf_document.h"
#include "pdf_test_support.h"
#include "support/test_support.h"

namespace tallyvane::pdf {
namespace {

int InkedColumns(const TextBitmap& bitmap) {
  int count = 0;
  for (int x = 0; x < bitmap.width; ++x) {
    for (int y = 0; y < bitmap.height; ++y) {
      if (bitmap.coverage[static_cast<std::size_t>(y) * bitmap.width + x] != 0) {
        ++count;
        break;
      }
    }
  }
  return count;
}

class FreeTypeRasterizerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!rasterizer_.usable() || !rasterizer_.metrics(FontFace{"Helvetica", false, false})) {
      GTEST_SKIP() << "no FreeType font available";
    }
  }
  FreeTypeRasterizer rasterizer_;
};

TEST_F(FreeTypeRasterizerTest, RendersCoverageAroundTheBaseline) {
  const FontFace face{"Helvetica", false, false};
  const auto bitmap = rasterizer_.render(face, 36, "\xCE\xA9g\xE4\xB8\xAD");  // Omega, g, U+4E2D
  ASSERT_TRUE(bitmap);
  ASSERT_EQ(bitmap->coverage.size(), static_cast<std::size_t>(bitmap->width) * bitmap->height);
  EXPECT_GT(bitmap->height, 36);  // ascent plus descent exceed the em
  EXPECT_GT(bitmap->baseline, bitmap->height / 2);
  EXPECT_LT(bitmap->baseline, bitmap->height);
  EXPECT_GT(InkedColumns(*bitmap), bitmap->width / 3);
  EXPECT_EQ(*std::max_element(bitmap->coverage.begin(), bitmap->coverage.end()), 255);
  // The descender of "g" reaches below the baseline.
  bool inkBelow = false;
  for (int y = bitmap->baseline + 2; y < bitmap->height && !inkBelow; ++y) {
    for (int x = 0; x < bitmap->width; ++x) {
      inkBelow |= bitmap->coverage[static_cast<std::size_t>(y) * bitmap->width + x] != 0;
    }
  }
  EXPECT_TRUE(inkBelow);

  const auto width = rasterizer_.measure(face, 36, "\xCE\xA9g\xE4\xB8\xAD");
  ASSERT_TRUE(width);
  EXPECT_NEAR(*width, bitmap->width - bitmap->origin, 3.0);
}

TEST_F(FreeTypeRasterizerTest, WidthsScaleWithTheSizeAndBoldIsWider) {
  const FontFace regular{"Helvetica", false, false};
  const FontFace bold{"Helvetica", true, false};
  const auto small = rasterizer_.measure(regular, 30, "\xD0\x96\xD0\xB8\xD0\xB7\xD0\xBD\xD1\x8C");
  const auto large = rasterizer_.measure(regular, 60, "\xD0\x96\xD0\xB8\xD0\xB7\xD0\xBD\xD1\x8C");
  const auto heavy = rasterizer_.measure(bold, 60, "\xD0\x96\xD0\xB8\xD0\xB7\xD0\xBD\xD1\x8C");
  ASSERT_TRUE(small && large && heavy);
  EXPECT_GT(*small, 0);
  EXPECT_NEAR(*large / *small, 2.0, 0.1);
  EXPECT_GT(*heavy, *large);
  EXPECT_EQ(rasterizer_.measure(regular, 30, ""), 0.0);
}

TEST_F(FreeTypeRasterizerTest, MetricsAreGivenPerThousand) {
  const auto metrics = rasterizer_.metrics(FontFace{"Helvetica", false, false});
  ASSERT_TRUE(metrics);
  EXPECT_GT(metrics->ascent, 600);
  EXPECT_LT(metrics->ascent, 1200);
  EXPECT_LT(metrics->descent, -100);
  EXPECT_GT(metrics->descent, -400);
}

TEST_F(FreeTypeRasterizerTest, DocumentDrawsTheRunAsAnImagePairWithoutAFont) {
  tallyvane::testing::TempDir dir;
  {
    PdfOptions options;
    options.rasterizer = &rasterizer_;
    PdfDocument pdf(dir / "cjk.pdf", 0, options);
    pdf.beginPage();
    pdf.drawText("\xE4\xB8\xAD", 72, 72);
  }
  const std::string pdf = testing::ReadBytes(dir / "cjk.pdf");
  EXPECT_TRUE(testing::WellFormed(pdf));
  EXPECT_EQ(testing::Count(pdf, "/Subtype /Image"), 2u);
  EXPECT_EQ(testing::Count(pdf, "/ColorSpace /DeviceGray"), 1u);
  EXPECT_EQ(testing::Count(pdf, "/SMask 1 0 R /ColorSpace /DeviceRGB"), 1u);
  EXPECT_EQ(pdf.find("/Type /Font"), std::string::npos);
}

}  // namespace
}  // namespace tallyvane::pdf
