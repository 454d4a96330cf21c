#pragma once

// Choosing a small palette for a full-colour picture and mapping its pixels
// to it. Deterministic: the same picture always gives the same palette and
// the same indices.

#include <cstddef>
#include <span>

#include "raster.h"

namespace artwork {

// Builds a palette of at most `maxColours` entries for `image`:
//  - `fixed` colours come first, in the order given, whether used or not;
//  - if the picture's other colours fit in the remaining entries they are
//    taken exactly (in ascending RGB order);
//  - otherwise they are reduced by median cut: the box of colours with the
//    largest squared error is split at its weighted median along its widest
//    channel until the entries are used up, and each box gives its mean.
// Pixels are then mapped to the nearest entry (weighted RGB distance, the
// lowest index on ties), so pixels of a fixed colour keep it exactly.
// Throws std::invalid_argument if `fixed` alone needs more than maxColours.
IndexedImage Quantise(const RgbImage& image, std::size_t maxColours, std::span<const Rgb> fixed);

// Index of the palette entry nearest to `colour` (lowest index on ties).
std::size_t NearestEntry(std::span<const Rgb> palette, Rgb colour);

}  // namespace artwork
