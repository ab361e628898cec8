#include "pdf/paper.h"

#include <cstdint>

namespace tallyvane::pdf {
namespace {

struct PaperMillimetres {
  int width;
  int height;
};

constexpr PaperMillimetres kPapers[] = {{210, 297}, {216, 279}, {216, 356}};

// mm / 25.4 * resolution, rounded half away from zero, in integers so no
// binary fraction can tip a half.
int MillimetresToUnits(int mm, int resolution) {
  const std::int64_t scaled = static_cast<std::int64_t>(mm) * resolution * 10;
  const std::int64_t rounded = scaled >= 0 ? (scaled + 127) / 254 : -((-scaled + 127) / 254);
  return static_cast<int>(rounded);
}

}  // namespace

Paper PaperFromOption(int paperSizeOption) {
  switch (paperSizeOption) {
    case 1:
      return Paper::Letter;
    case 2:
      return Paper::Legal;
    default:
      return Paper::A4;
  }
}

PageSize PaperPageSize(int paperIndex, int resolution) {
  if (paperIndex < 0 || paperIndex > 2) return {595, 842};
  const PaperMillimetres& paper = kPapers[paperIndex];
  return {MillimetresToUnits(paper.width, resolution), MillimetresToUnits(paper.height, resolution)};
}

}  // namespace tallyvane::pdf
