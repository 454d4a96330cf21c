// The leading-number conversion on any text, against a plain reference: blanks, tabs and
// line feeds dropped, the text cut at its first NUL, the longest number at the start
// (sign, digits, one point, exponent) converted by strtod. The result must be the same
// double, bit for bit (so -0 stays -0), for the narrow and the wide form alike; and the
// roundings of that number must match the rounding mode's nearest-even.

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "platform/Numbers.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

double Reference(std::string_view text) {
    std::string s;
    for (char c : text) {
        if (c == '\0') break;
        if (c == ' ' || c == '\t' || c == '\n') continue;
        s.push_back(c);
    }
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return 0.0;
    std::size_t end = i;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && IsDigit(s[j])) {
            while (j < s.size() && IsDigit(s[j])) ++j;
            end = j;
        }
    }
    return std::strtod(s.substr(0, end).c_str(), nullptr);
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

template <typename Int>
Int NearestSaturated(double value) {
    if (std::isnan(value)) return 0;
    double nearest = std::nearbyint(value);
    if (nearest <= static_cast<double>(std::numeric_limits<Int>::min())) return std::numeric_limits<Int>::min();
    if (nearest >= static_cast<double>(std::numeric_limits<Int>::max())) return std::numeric_limits<Int>::max();
    return static_cast<Int>(nearest);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);

    double value = numbers::LeadingNumber(text);
    double expected = Reference(text);
    FUZZ_CHECK(SameBits(value, expected), "text \"%.*s\": %.17g, reference %.17g", static_cast<int>(size),
               text.data(), value, expected);

    // The wide form reads the same characters (each byte as one UTF-16 unit) the same way.
    std::u16string wide;
    for (char c : text) wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    double wideValue = numbers::LeadingNumber(std::u16string_view(wide));
    FUZZ_CHECK(SameBits(wideValue, value), "wide %.17g, narrow %.17g", wideValue, value);

    // Nearest, ties to even: the rounding mode's nearbyint is the reference.
    FUZZ_CHECK(std::fegetround() == FE_TONEAREST, "rounding mode changed");
    double even = numbers::RoundHalfEven(value);
    FUZZ_CHECK(SameBits(even, std::nearbyint(value)) || (even == 0.0 && std::nearbyint(value) == 0.0),
               "RoundHalfEven(%.17g) = %.17g, nearest-even %.17g", value, even, std::nearbyint(value));
    FUZZ_CHECK(numbers::RoundToInt16(value) == NearestSaturated<std::int16_t>(value), "RoundToInt16(%.17g) = %d",
               value, numbers::RoundToInt16(value));
    FUZZ_CHECK(numbers::RoundToInt32(value) == NearestSaturated<std::int32_t>(value), "RoundToInt32(%.17g) = %d",
               value, numbers::RoundToInt32(value));

    // A coordinate is a finite single: the nearest one, or 0 where there is none.
    float single = numbers::ToFiniteSingle(value);
    FUZZ_CHECK(std::isfinite(single), "ToFiniteSingle(%.17g) = %g", value, static_cast<double>(single));
    if (std::isfinite(value) && std::fabs(value) <= static_cast<double>(std::numeric_limits<float>::max())) {
        FUZZ_CHECK(single == static_cast<float>(value), "ToFiniteSingle(%.17g) = %.9g", value,
                   static_cast<double>(single));
    } else {
        FUZZ_CHECK(single == 0.0f, "ToFiniteSingle(%.17g) = %.9g", value, static_cast<double>(single));
    }
    return 0;
}
