// The stored text of a number, for every single and every 16-bit integer: a blank or a
// minus sign first, then only digits, one point and an upper-case exponent; whole numbers
// below 10,000,000 as their digits, anything else exact or to 7 significant digits;
// nothing that is not a finite number as anything but 0; and the leading-number
// conversion reads it back.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzCheck.h"
#include "platform/Numbers.h"
#include "settings/cTrim.h"

namespace {

bool Allowed(char c) { return (c >= '0' && c <= '9') || c == '.' || c == 'E' || c == '+' || c == '-'; }

std::string Trimmed(const std::string& text) {
    cTrim trimmer;
    trimmer.temp(text);
    trimmer.ZorvTrim();
    return trimmer.EndTrim();
}

void CheckSingle(float value) {
    std::string text = numbers::ValueText(value);
    const char* shown = text.c_str();
    FUZZ_CHECK(text.size() >= 2, "%a -> \"%s\"", static_cast<double>(value), shown);
    bool negative = std::isfinite(value) && value < 0.0f;
    FUZZ_CHECK(text[0] == (negative ? '-' : ' '), "%a -> \"%s\"", static_cast<double>(value), shown);
    for (std::size_t i = 1; i < text.size(); ++i) {
        FUZZ_CHECK(Allowed(text[i]), "%a -> \"%s\"", static_cast<double>(value), shown);
    }
    FUZZ_CHECK(text.find('.') == text.rfind('.'), "two points: %a -> \"%s\"", static_cast<double>(value), shown);
    std::string stored = Trimmed(text);
    FUZZ_CHECK(stored.find(' ') == std::string::npos && !stored.empty(), "\"%s\" trims to \"%s\"", shown,
               stored.c_str());

    double back = numbers::LeadingNumber(stored);
    if (!std::isfinite(value)) {
        FUZZ_CHECK(stored == "0", "%a -> \"%s\"", static_cast<double>(value), shown);
        return;
    }
    double exact = static_cast<double>(value);
    bool whole = std::trunc(exact) == exact;
    if (whole && std::fabs(exact) < 1e7) {
        // Every window coordinate a screen can hold: its digits, exactly.
        FUZZ_CHECK(back == exact && stored.find_first_of(".E") == std::string::npos,
                   "whole %.17g -> \"%s\" reads %.17g", exact, shown, back);
    } else if (back != exact) {
        // At most 7 significant digits, so at most half a unit of the 7th digit off.
        std::size_t digits = 0;
        bool leading = true;
        for (char c : stored) {
            if (c == 'E') break;
            if (c < '0' || c > '9') continue;
            if (leading && c == '0') continue;
            leading = false;
            ++digits;
        }
        FUZZ_CHECK(digits <= 7, "%.9g -> \"%s\" has %zu significant digits", exact, shown, digits);
    }
    FUZZ_CHECK(std::fabs(back - exact) <= 5.0000001e-7 * std::fabs(exact), "%.9g -> \"%s\" reads %.17g", exact,
               shown, back);
}

void CheckInteger(std::int16_t value) {
    std::string text = numbers::ValueText(value);
    int wide = value;
    std::string expected = (wide < 0 ? "-" : " ") + std::to_string(wide < 0 ? -wide : wide);
    FUZZ_CHECK(text == expected, "%d -> \"%s\"", wide, text.c_str());
    FUZZ_CHECK(numbers::LeadingNumber(Trimmed(text)) == wide, "%d -> \"%s\"", wide, text.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size >= sizeof(float)) {
        float value;
        std::memcpy(&value, data, sizeof value);
        CheckSingle(value);
    }
    if (size >= sizeof(float) + sizeof(std::int16_t)) {
        std::int16_t value;
        std::memcpy(&value, data + sizeof(float), sizeof value);
        CheckInteger(value);
    }
    return 0;
}
