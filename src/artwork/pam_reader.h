#pragma once

// Reader for the rendered pixels handed over by the render script: the
// portable arbitrary map (PAM, "P7") that ImageMagick writes, 8 bits per
// sample, with 1 (grey), 2 (grey, alpha), 3 (RGB) or 4 (RGB, alpha) samples.

#include <cstdint>
#include <span>
#include <string>

#include "raster.h"

namespace artwork {

// Throws std::runtime_error on anything but a complete 8-bit PAM.
RgbaImage ReadPam(std::span<const std::uint8_t> bytes);
RgbaImage ReadPamFile(const std::string& path);

}  // namespace artwork
