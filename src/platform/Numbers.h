#pragma once

// The number rules of the runtime, in one place: rounding to integers, the
// leading-number conversion used on settings text, and the text a number is
// stored as. Everything here is locale-independent.

#include <cstdint>
#include <string>
#include <string_view>

namespace numbers {

// Nearest integer, a half going to the even neighbour (2.5 -> 2, 3.5 -> 4).
// Values beyond the type's range saturate at its limits; NaN gives 0.
std::int16_t RoundToInt16(double value);
std::int32_t RoundToInt32(double value);

// The whole-number nearest to value with ties to even, as a double.
double RoundHalfEven(double value);

// Leading-number conversion: blanks, tabs and line feeds are skipped wherever
// they stand; the number is the longest beginning made of a sign, digits, one
// decimal point and an exponent (E or e, optional sign, digits); anything from
// the first other character on is ignored, a NUL included. Text that does not
// begin with a number gives 0. Magnitudes beyond double give +/-infinity.
double LeadingNumber(std::u16string_view text);
double LeadingNumber(std::string_view text);

// Single precision of a stored coordinate: anything that is not a finite
// single-precision number (NaN, infinities, beyond +/-3.4e38) becomes 0.
float ToFiniteSingle(double value);

// The stored text of a number: a leading blank for zero and positive values,
// "-" for negative ones. Whole values below 10^15 have no decimal point;
// others carry at most 7 significant digits with "." as the decimal point
// (and an exponent, 1E+15, where they need one).
std::string ValueText(std::int16_t value);
std::string ValueText(float value);

}  // namespace numbers
