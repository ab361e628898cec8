// The Helvetica width tables, generated at build time from AFM metrics (see
// generate_afm_widths.cpp). Only font_metrics.cpp reads them; the oblique
// faces share the widths of their upright faces.
#pragma once

#include <array>
#include <cstdint>

namespace tallyvane::pdf::detail {

extern const std::array<std::uint16_t, 256> kHelveticaWidths;
extern const std::array<std::uint16_t, 256> kHelveticaBoldWidths;

}  // namespace tallyvane::pdf::detail
