#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/Numbers.h"

namespace {

using numbers::LeadingNumber;

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
    struct Case {
        double in;
        int out;
    };
    const Case cases[] = {
        {0.5, 0},       {1.5, 2},         {2.5, 2},         {3.5, 4},       {-0.5, 0},    {-1.5, -2},
        {-2.5, -2},     {1234.5, 1234},   {1235.5, 1236},   {0.49999, 0},   {0.50001, 1}, {-3.7, -4},
        {4802.5, 4802}, {4803.5, 4804},   {32766.5, 32766}, {-32767.5, -32768},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(numbers::RoundToInt16(c.in), c.out) << c.in;
        EXPECT_EQ(numbers::RoundToInt32(c.in), c.out) << c.in;
    }
}

TEST(Rounding, LargeWholeNumbersStayAsTheyAre) {
    // Beyond 2^52 every double is whole; adding a half would round on its own.
    for (double v : {4503599627370497.0, 4503599627370498.0, 9007199254740991.0, -4503599627370497.0, 1e300}) {
        EXPECT_EQ(numbers::RoundHalfEven(v), v);
    }
    EXPECT_EQ(numbers::RoundHalfEven(4503599627370495.5), 4503599627370496.0);
    EXPECT_EQ(numbers::RoundHalfEven(2251799813685248.5), 2251799813685248.0);
}

TEST(Rounding, SaturatesOutsideTheType) {
    EXPECT_EQ(numbers::RoundToInt16(99999), 32767);
    EXPECT_EQ(numbers::RoundToInt16(32767.5), 32767);
    EXPECT_EQ(numbers::RoundToInt16(-99999), -32768);
    EXPECT_EQ(numbers::RoundToInt16(1e300), 32767);
    EXPECT_EQ(numbers::RoundToInt16(-std::numeric_limits<double>::infinity()), -32768);
    EXPECT_EQ(numbers::RoundToInt16(std::nan("")), 0);
    EXPECT_EQ(numbers::RoundToInt32(3e9), 2147483647);
    EXPECT_EQ(numbers::RoundToInt32(2147483646.5), 2147483646);
    EXPECT_EQ(numbers::RoundToInt32(-3e9), -2147483647 - 1);
}

TEST(LeadingNumber, ReadsTheLongestNumberAtTheStart) {
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"0", 0},
        {"3", 3},
        {"-4", -4},
        {"+7", 7},
        {"2.5", 2.5},
        {".5", 0.5},
        {"-.5", -0.5},
        {"5.", 5},
        {"12345", 12345},
        {"-1200", -1200},
        {"1.5.3", 1.5},        // one decimal point only
        {"12abc", 12},
        {"3,5", 3},            // a comma is not a decimal point, whatever the locale
        {"1e3", 1000},
        {"1E3", 1000},
        {"1e+2", 100},
        {"25e-1", 2.5},
        {"1e", 1},             // an exponent needs digits
        {"1e+", 1},
        {"1e-x", 1},
        {"2.5e", 2.5},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"+", 0},
        {".", 0},
        {"-.", 0},
        {"+-1", 0},
        {"--1", 0},
        {"e5", 0},
        {"&H10", 0},           // no hexadecimal
        {"0x1A", 0},
        {"007", 7},
        {"0.000", 0},
        {"Inf", 0},
        {"NaN", 0},
        {"\r5", 0},            // a carriage return is not skipped
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LeadingNumber(std::string_view(c.text)), c.value) << '"' << c.text << '"';
    }
}

TEST(LeadingNumber, SkipsBlanksTabsAndLineFeedsWhereverTheyStand) {
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"  42", 42},      {"\t42", 42},       {"\n42", 42},      {"4 2", 42},    {"- 4\t2", -42},
        {"1 . 5", 1.5},    {"1 e 2", 100},     {"1e -\n2", 0.01}, {"3 x 4", 3},   {" \t\n ", 0},
        {"1 2 3 4 5", 12345},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LeadingNumber(std::string_view(c.text)), c.value) << '"' << c.text << '"';
    }
}

TEST(LeadingNumber, StopsAtTheFirstNul) {
    const char16_t buffer[6] = {u'1', u'2', u'\0', u'3', u'\0', u' '};
    EXPECT_EQ(LeadingNumber(std::u16string_view(buffer, 6)), 12);
    const char16_t empty[6] = {u'\0', u'\0', u'\0', u'\0', u'\0', u' '};
    EXPECT_EQ(LeadingNumber(std::u16string_view(empty, 6)), 0);
    // Characters beyond Latin-1 end the number too.
    EXPECT_EQ(LeadingNumber(std::u16string_view(u"5\uFF15")), 5);
    EXPECT_EQ(LeadingNumber(std::u16string_view(u"\uFF15")), 0);
}

TEST(LeadingNumber, ExtremesOverflowToInfinityOrUnderflowToZero) {
    EXPECT_EQ(LeadingNumber(std::string_view("1e39")), 1e39);
    EXPECT_EQ(LeadingNumber(std::string_view("1e400")), std::numeric_limits<double>::infinity());
    EXPECT_EQ(LeadingNumber(std::string_view("-1e99999999999999999999")), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(LeadingNumber(std::string_view("1e-400")), 0);
    EXPECT_EQ(LeadingNumber(std::string_view("0e999999")), 0);
    std::string longDigits(5000, '9');
    EXPECT_EQ(LeadingNumber(std::string_view(longDigits)), std::numeric_limits<double>::infinity());
    std::string longFraction = "0." + std::string(2000, '0') + "1";
    EXPECT_EQ(LeadingNumber(std::string_view(longFraction)), 0);
    EXPECT_DOUBLE_EQ(LeadingNumber(std::string_view("123456789012345678901234567890")), 1.2345678901234568e29);
}

TEST(ToFiniteSingle, KeepsFiniteSinglesAndZeroesTheRest) {
    EXPECT_EQ(numbers::ToFiniteSingle(12345), 12345.0f);
    EXPECT_EQ(numbers::ToFiniteSingle(-1200.5), -1200.5f);
    EXPECT_EQ(numbers::ToFiniteSingle(3e38), 3e38f);
    EXPECT_EQ(numbers::ToFiniteSingle(1e39), 0.0f);
    EXPECT_EQ(numbers::ToFiniteSingle(-1e39), 0.0f);
    EXPECT_EQ(numbers::ToFiniteSingle(std::numeric_limits<double>::infinity()), 0.0f);
    EXPECT_EQ(numbers::ToFiniteSingle(std::nan("")), 0.0f);
}

TEST(ValueText, IntegersCarryABlankOrASign) {
    struct Case {
        std::int16_t value;
        const char* text;
    };
    const Case cases[] = {{0, " 0"}, {2, " 2"}, {3, " 3"}, {-1, "-1"}, {32767, " 32767"}, {-32768, "-32768"}};
    for (const auto& c : cases) EXPECT_EQ(numbers::ValueText(c.value), c.text) << c.value;
}

TEST(ValueText, SinglesAreWholeOrSevenSignificantDigits) {
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {
        {0.0f, " 0"},           {-0.0f, " 0"},           {1500.0f, " 1500"},      {-45.0f, "-45"},
        {-12345.0f, "-12345"},  {4080.0f, " 4080"},      {0.5f, " 0.5"},          {-0.5f, "-0.5"},
        {1234.5f, " 1234.5"},   {0.1f, " 0.1"},          {1234.567f, " 1234.567"}, {12345.67f, " 12345.67"},
        {123456.7f, " 123456.7"}, {1.0f / 3.0f, " 0.3333333"}, {2.0f / 3.0f, " 0.6666667"},
        {1e-5f, " 1E-05"},      {16777216.0f, " 16777216"}, {1e20f, " 1E+20"},
    };
    for (const auto& c : cases) EXPECT_EQ(numbers::ValueText(c.value), c.text) << c.value;
}

// Seven digits hold every whole coordinate and every value written with
// seven digits or fewer; those come back as the same single.
TEST(ValueText, ReadsBackToTheSameSingle) {
    for (float v : {0.5f, -1234.5f, 7.25e-3f, 98765.43f, -0.001f, 4.5e12f, 8388607.0f, -7199.25f}) {
        std::string text = numbers::ValueText(v);
        EXPECT_EQ(static_cast<float>(LeadingNumber(std::string_view(text))), v) << text;
    }
}

}  // namespace
