#include "platform/Numbers.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace numbers {

double RoundHalfEven(double value) {
    if (!std::isfinite(value)) return value;
    // round() is exact and takes a half away from zero; an exact half goes to
    // the even neighbour instead. (floor(x + 0.5) would round in the addition
    // itself for odd numbers beyond 2^52.)
    double nearest = std::round(value);
    if (std::fabs(nearest - value) == 0.5) nearest = 2.0 * std::round(value / 2.0);
    return nearest;
}

namespace {

template <typename Int>
Int RoundSaturating(double value) {
    if (std::isnan(value)) return 0;
    double rounded = RoundHalfEven(value);
    if (rounded <= static_cast<double>(std::numeric_limits<Int>::min())) return std::numeric_limits<Int>::min();
    if (rounded >= static_cast<double>(std::numeric_limits<Int>::max())) return std::numeric_limits<Int>::max();
    return static_cast<Int>(rounded);
}

bool IsSkipped(char32_t c) { return c == U' ' || c == U'\t' || c == U'\n'; }
bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

// Walks the text the way the conversion reads it: skipped characters are
// invisible, everything else is seen one at a time.
template <typename Char>
class Reader {
public:
    explicit Reader(std::basic_string_view<Char> text) : text_(text) { SkipBlanks(); }

    char32_t Peek() const { return pos_ < text_.size() ? static_cast<char32_t>(text_[pos_]) : U'\0'; }
    void Advance() {
        ++pos_;
        SkipBlanks();
    }
    std::size_t Position() const { return pos_; }
    void Rewind(std::size_t pos) { pos_ = pos; }

private:
    void SkipBlanks() {
        while (pos_ < text_.size() && IsSkipped(static_cast<char32_t>(text_[pos_]))) ++pos_;
    }

    std::basic_string_view<Char> text_;
    std::size_t pos_ = 0;
};

template <typename Char>
double ParseLeadingNumber(std::basic_string_view<Char> text) {
    Reader<Char> in(text);

    bool negative = false;
    if (in.Peek() == U'+' || in.Peek() == U'-') {
        negative = in.Peek() == U'-';
        in.Advance();
    }

    // Significant digits without leading zeros, and the decimal exponent of
    // the digit just before them: value = 0.digits x 10^pointExponent.
    std::string digits;
    long long pointExponent = 0;
    bool sawDigit = false;
    while (IsDigit(in.Peek())) {
        sawDigit = true;
        if (!digits.empty() || in.Peek() != U'0') {
            digits.push_back(static_cast<char>(in.Peek()));
            ++pointExponent;
        }
        in.Advance();
    }
    if (in.Peek() == U'.') {
        in.Advance();
        while (IsDigit(in.Peek())) {
            sawDigit = true;
            if (!digits.empty() || in.Peek() != U'0') {
                digits.push_back(static_cast<char>(in.Peek()));
            } else {
                --pointExponent;
            }
            in.Advance();
        }
    }
    if (!sawDigit) return 0.0;

    if (in.Peek() == U'e' || in.Peek() == U'E') {
        std::size_t mark = in.Position();
        in.Advance();
        bool negativeExponent = false;
        if (in.Peek() == U'+' || in.Peek() == U'-') {
            negativeExponent = in.Peek() == U'-';
            in.Advance();
        }
        if (IsDigit(in.Peek())) {
            long long exponent = 0;
            while (IsDigit(in.Peek())) {
                // Saturate: anything past a million is out of range either way.
                if (exponent < 1'000'000) exponent = exponent * 10 + (in.Peek() - U'0');
                in.Advance();
            }
            pointExponent += negativeExponent ? -exponent : exponent;
        } else {
            in.Rewind(mark);  // "1e" or "1e+" ends the number before the e
        }
    }

    double magnitude = 0.0;
    if (!digits.empty()) {
        if (pointExponent > 400) {
            magnitude = std::numeric_limits<double>::infinity();
        } else if (pointExponent >= -400) {
            // Far more digits than a double can tell apart change nothing.
            if (digits.size() > 800) digits.resize(800);
            std::string normal = "0." + digits + "e" + std::to_string(pointExponent);
            auto result = std::from_chars(normal.data(), normal.data() + normal.size(), magnitude);
            if (result.ec == std::errc::result_out_of_range) {
                magnitude = pointExponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
            }
        }
    }
    return negative ? -magnitude : magnitude;
}

std::string Signed(std::string digits, bool negative) {
    return (negative ? "-" : " ") + digits;
}

}  // namespace

std::int16_t RoundToInt16(double value) { return RoundSaturating<std::int16_t>(value); }
std::int32_t RoundToInt32(double value) { return RoundSaturating<std::int32_t>(value); }

double LeadingNumber(std::u16string_view text) { return ParseLeadingNumber(text); }
double LeadingNumber(std::string_view text) { return ParseLeadingNumber(text); }

float ToFiniteSingle(double value) {
    if (!std::isfinite(value) || std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) {
        return 0.0f;
    }
    return static_cast<float>(value);
}

std::string ValueText(std::int16_t value) {
    int wide = value;
    return Signed(std::to_string(std::abs(wide)), wide < 0);
}

std::string ValueText(float value) {
    if (!std::isfinite(value) || value == 0.0f) return " 0";  // -0 is written as 0 too
    bool negative = value < 0.0f;
    float magnitude = std::fabs(value);
    if (std::trunc(magnitude) == magnitude && magnitude < 1e15f) {
        return Signed(std::to_string(static_cast<long long>(magnitude)), negative);
    }
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::general, 7);
    std::string text(buffer, result.ptr);
    for (char& c : text) {
        if (c == 'e') c = 'E';
    }
    return Signed(text, negative);
}

}  // namespace numbers
