// The bitmap/icon writers, the palette reduction, the per-picture rules and
// the PAM reader, on small hand-made pictures.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bitmap_file.h"
#include "conversions.h"
#include "palette.h"
#include "pam_reader.h"

namespace artwork {
namespace {

std::uint32_t U32At(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

IndexedImage Indexed(int w, int h, std::vector<Rgb> palette, std::vector<std::uint8_t> indices) {
    IndexedImage image;
    image.palette = std::move(palette);
    image.indices = Raster<std::uint8_t>(w, h);
    image.indices.pixels = std::move(indices);
    return image;
}

TEST(BitmapLayout, RowStrideAndFileSize) {
    struct Case {
        int width, height, bits;
        std::uint32_t stride, fileSize;
    };
    const Case cases[] = {
        {480, 480, 24, 1440, 691254}, {233, 233, 24, 700, 163154}, {99, 39, 24, 300, 11754},
        {300, 200, 4, 152, 30518},    {130, 30, 4, 68, 2158},      {71, 69, 8, 72, 6046},
        {1, 1, 4, 4, 122},            {9, 1, 4, 8, 126},           {32, 1, 1, 4, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.bits));
        EXPECT_EQ(BitmapRowStride(c.width, c.bits), c.stride);
        if (c.fileSize != 0) {
            EXPECT_EQ(BitmapFileSize(c.width, c.height, c.bits), c.fileSize);
        }
    }
}

TEST(Bitmap24, RowsBottomUpInBgrOrderWithZeroPadding) {
    RgbImage image(3, 2);
    image.at(0, 0) = {1, 2, 3};
    image.at(2, 0) = {4, 5, 6};
    image.at(0, 1) = {7, 8, 9};
    const Bytes b = EncodeBitmap24(image);
    ASSERT_EQ(b.size(), 54u + 2 * 12);
    EXPECT_EQ(U32At(b, 10), 54u);
    // Bottom row (y = 1) first.
    const std::vector<std::uint8_t> bottom(b.begin() + 54, b.begin() + 66);
    const std::vector<std::uint8_t> top(b.begin() + 66, b.end());
    EXPECT_EQ(bottom, (std::vector<std::uint8_t>{9, 8, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(top, (std::vector<std::uint8_t>{3, 2, 1, 0, 0, 0, 6, 5, 4, 0, 0, 0}));
}

TEST(BitmapIndexed, PacksNibblesHighFirstAndPadsPalette) {
    // 3 x 2 at 4 bits: 2 bytes used per row, padded to 4.
    const Bytes b = EncodeBitmapIndexed(Indexed(3, 2, {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}},
                                                {1, 2, 0, 2, 2, 1}),
                                        4);
    ASSERT_EQ(b.size(), 54u + 64 + 8);
    EXPECT_EQ(U32At(b, 10), 118u);
    EXPECT_EQ(U32At(b, 54), 0x000A141Eu);  // entry 0: B,G,R,0
    EXPECT_EQ(U32At(b, 54 + 3 * 4), 0u);   // unused entries are black
    const std::vector<std::uint8_t> rows(b.begin() + 118, b.end());
    EXPECT_EQ(rows, (std::vector<std::uint8_t>{0x22, 0x10, 0, 0, 0x12, 0x00, 0, 0}));

    const Bytes b8 = EncodeBitmapIndexed(Indexed(2, 1, {{1, 1, 1}, {2, 2, 2}}, {1, 0}), 8);
    ASSERT_EQ(b8.size(), 1078u + 4);
    EXPECT_EQ(U32At(b8, 10), 1078u);
    EXPECT_EQ(b8[1078], 1);
    EXPECT_EQ(b8[1079], 0);
}

TEST(BitmapIndexed, RefusesPicturesItCannotStore) {
    const std::vector<Rgb> seventeen(17);
    const struct {
        const char* name;
        std::function<void()> encode;
    } cases[] = {
        {"index past palette", [] { EncodeBitmapIndexed(Indexed(1, 1, {{}}, {1}), 4); }},
        {"17 colours at 4 bits", [&] { EncodeBitmapIndexed(Indexed(1, 1, seventeen, {0}), 4); }},
        {"empty palette", [] { EncodeBitmapIndexed(Indexed(1, 1, {}, {0}), 8); }},
        {"24 bits asked of a palette picture", [] { EncodeBitmapIndexed(Indexed(1, 1, {{}}, {0}), 24); }},
        {"pixel count mismatch", [] { EncodeBitmapIndexed(Indexed(2, 2, {{}}, {0}), 4); }},
        {"zero width", [] { EncodeBitmap24(RgbImage(0, 5)); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(c.encode(), std::invalid_argument);
    }
}

TEST(Icon, TransparentPixelsAreMaskedAndStoredAsEntryZero) {
    IndexedImage image = Indexed(32, 32, {{0, 0, 0}, {255, 0, 0}}, std::vector<std::uint8_t>(32 * 32, 1));
    std::vector<bool> transparent(32 * 32, false);
    transparent[0] = true;             // top-left
    transparent[31 * 32 + 31] = true;  // bottom-right
    const Bytes b = EncodeIcon(image, transparent);
    ASSERT_EQ(b.size(), 766u);
    EXPECT_EQ(U32At(b, 14), 744u);
    EXPECT_EQ(U32At(b, 18), 22u);

    const std::size_t colours = 22 + 40 + 64;
    const std::size_t mask = colours + 512;
    // Colour rows are bottom-up: the bottom row comes first.
    EXPECT_EQ(b[colours + 15], 0x10);        // bottom row, pixels 30 and 31
    EXPECT_EQ(b[colours + 31 * 16], 0x01);   // top row, pixels 0 and 1
    EXPECT_EQ(b[mask + 3], 0x01);            // bottom row, pixel 31
    EXPECT_EQ(b[mask + 31 * 4], 0x80);       // top row, pixel 0
    EXPECT_EQ(b[mask + 31 * 4 + 1], 0x00);

    EXPECT_THROW(EncodeIcon(Indexed(16, 16, {{}}, std::vector<std::uint8_t>(256)), std::vector<bool>(256)),
                 std::invalid_argument);
    EXPECT_THROW(EncodeIcon(image, std::vector<bool>(10)), std::invalid_argument);
}

TEST(Quantise, KeepsFewColoursExactlyWithFixedColoursFirst) {
    RgbImage image(4, 1);
    image.pixels = {{9, 9, 9}, {1, 2, 3}, {198, 198, 198}, {9, 9, 9}};
    const Rgb fixed[] = {{198, 198, 198}, {0, 0, 255}};
    const IndexedImage q = Quantise(image, 16, fixed);
    EXPECT_EQ(q.palette, (std::vector<Rgb>{{198, 198, 198}, {0, 0, 255}, {1, 2, 3}, {9, 9, 9}}));
    EXPECT_EQ(q.indices.pixels, (std::vector<std::uint8_t>{3, 2, 0, 3}));
}

TEST(Quantise, MedianCutFitsTheLimitKeepsFixedColoursAndIsRepeatable) {
    // A full-colour ramp with a border of the fixed grey.
    RgbImage image(64, 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const bool border = x < 4 || y < 4;
            image.at(x, y) = border ? Rgb{198, 198, 198}
                                    : Rgb{static_cast<std::uint8_t>(x * 4), static_cast<std::uint8_t>(y * 4),
                                          static_cast<std::uint8_t>(255 - x * 2)};
        }
    }
    const Rgb grey[] = {{198, 198, 198}};
    for (std::size_t limit : {std::size_t{16}, std::size_t{256}}) {
        SCOPED_TRACE(limit);
        const IndexedImage q = Quantise(image, limit, grey);
        ASSERT_LE(q.palette.size(), limit);
        EXPECT_EQ(q.palette[0], grey[0]);
        int worst = 0;
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                const Rgb want = image.at(x, y);
                const Rgb got = q.palette[q.indices.at(x, y)];
                if (x < 4 || y < 4) {
                    EXPECT_EQ(got, want);
                }
                worst = std::max({worst, std::abs(got.r - want.r), std::abs(got.g - want.g),
                                  std::abs(got.b - want.b)});
            }
        }
        EXPECT_LE(worst, limit == 16 ? 64 : 16);
        const IndexedImage again = Quantise(image, limit, grey);
        EXPECT_EQ(again.palette, q.palette);
        EXPECT_EQ(again.indices.pixels, q.indices.pixels);
    }
    const Rgb tooMany[3] = {};
    EXPECT_THROW(Quantise(image, 2, tooMany), std::invalid_argument);
}

TEST(TwoColour, SplitsAtTheThresholdBetweenPaperAndInk) {
    const Rgb paper{198, 198, 198};
    const Rgb ink{0, 0, 255};
    const struct {
        Rgb colour;
        std::uint8_t index;
    } cases[] = {
        {paper, 0},
        {ink, 1},
        {{118, 118, 221}, 1},  // 40.4% of the way from paper to ink
        {{129, 129, 218}, 0},  // 35%
        {{255, 255, 255}, 0},  // beyond the paper side
        {{0, 0, 0}, 1},        // darker than both, nearer the ink side
    };
    RgbImage image(static_cast<int>(std::size(cases)), 1);
    for (std::size_t i = 0; i < std::size(cases); ++i) image.pixels[i] = cases[i].colour;
    const IndexedImage out = TwoColour(image, paper, ink, 0.4);
    EXPECT_EQ(out.palette, (std::vector<Rgb>{paper, ink}));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(out.indices.pixels[i], cases[i].index) << "case " << i;
    }
}

TEST(BlinkStrip, AcceptsOnlyChangesInsideTheEyeRectangle) {
    const RgbImage face(233, 233, Rgb{200, 150, 120});
    RgbImage closed = face;
    closed.at(80, 130) = {10, 10, 10};
    const RgbImage strip = BlinkStrip(face, closed);
    ASSERT_EQ(strip.width, 99);
    ASSERT_EQ(strip.height, 39);
    EXPECT_EQ(strip.at(10, 14), (Rgb{10, 10, 10}));
    EXPECT_EQ(strip.at(0, 0), (Rgb{200, 150, 120}));

    const struct {
        const char* name;
        int x, y;
    } outside[] = {{"left of", 69, 130}, {"right of", 169, 130}, {"above", 100, 115}, {"below", 100, 155}};
    for (const auto& c : outside) {
        SCOPED_TRACE(c.name);
        RgbImage leaky = closed;
        leaky.at(c.x, c.y) = {1, 1, 1};
        EXPECT_THROW(BlinkStrip(face, leaky), std::runtime_error);
    }
    EXPECT_THROW(BlinkStrip(face, face), std::runtime_error);
    EXPECT_THROW(BlinkStrip(face, RgbImage(232, 233)), std::runtime_error);

    // At 150% the eyes lie in (70, 116, 99, 39) scaled: 105, 174, 148.5 and
    // 58.5 taken to the even 148 and 58, as the window places the blink.
    const Rect eyes = ScaledRect(kBlinkRect, 150);
    EXPECT_EQ(eyes.x, 105);
    EXPECT_EQ(eyes.y, 174);
    EXPECT_EQ(eyes.width, 148);
    EXPECT_EQ(eyes.height, 58);
    const RgbImage large(350, 350, Rgb{200, 150, 120});
    RgbImage largeClosed = large;
    largeClosed.at(252, 231) = {10, 10, 10};  // the last pixel inside
    EXPECT_EQ(BlinkStrip(large, largeClosed, eyes).at(147, 57), (Rgb{10, 10, 10}));
    largeClosed.at(253, 200) = {10, 10, 10};  // one past the right edge
    EXPECT_THROW(BlinkStrip(large, largeClosed, eyes), std::runtime_error);
}

TEST(ScaledPixels, NearestWithHalvesToEven) {
    const struct {
        int pixels, percent, expected;
    } cases[] = {
        {480, 125, 600}, {233, 125, 291}, {233, 150, 350}, {71, 150, 106}, {69, 150, 104},
        {30, 125, 38},   {39, 125, 49},   {99, 150, 148},  {233, 200, 466}, {0, 150, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ScaledPixels(c.pixels, c.percent), c.expected) << c.pixels << " at " << c.percent << "%";
    }
}

TEST(Conversions, OpaqueOnlyAndIconMaskThreshold) {
    RgbaImage seeThrough(2, 1);
    seeThrough.pixels = {{1, 2, 3, 255}, {1, 2, 3, 254}};
    EXPECT_THROW(RequireOpaque(seeThrough), std::runtime_error);

    RgbaImage render(32, 32, Rgba{0, 0, 0, 0});
    for (int i = 0; i < 32; ++i) render.at(i, 1) = {static_cast<std::uint8_t>(i * 8), 100, 200, 255};
    render.at(0, 2) = {50, 60, 70, 128};
    render.at(1, 2) = {50, 60, 70, 127};
    const IconPicture icon = MakeIcon(render);
    EXPECT_EQ(icon.image.palette.size(), 16u);
    EXPECT_EQ(icon.image.palette[0], (Rgb{0, 0, 0}));
    EXPECT_TRUE(icon.transparent[0]);
    EXPECT_FALSE(icon.transparent[2 * 32 + 0]);
    EXPECT_TRUE(icon.transparent[2 * 32 + 1]);
    EXPECT_EQ(icon.image.palette[icon.image.indices.at(0, 2)], (Rgb{50, 60, 70}));
    EXPECT_THROW(MakeIcon(RgbaImage(16, 16)), std::runtime_error);
}

TEST(PamReader, ReadsEveryDepthAndRejectsDamagedFiles) {
    auto pam = [](const std::string& header, std::vector<std::uint8_t> samples) {
        std::vector<std::uint8_t> bytes(header.begin(), header.end());
        bytes.insert(bytes.end(), samples.begin(), samples.end());
        return bytes;
    };
    auto head = [](int depth) {
        return "P7\nWIDTH 1\nHEIGHT 1\nDEPTH " + std::to_string(depth) + "\nMAXVAL 255\nTUPLTYPE X\nENDHDR\n";
    };
    const struct {
        int depth;
        std::vector<std::uint8_t> samples;
        Rgba expected;
    } good[] = {
        {1, {7}, {7, 7, 7, 255}},
        {2, {7, 9}, {7, 7, 7, 9}},
        {3, {1, 2, 3}, {1, 2, 3, 255}},
        {4, {1, 2, 3, 4}, {1, 2, 3, 4}},
    };
    for (const auto& c : good) {
        SCOPED_TRACE(c.depth);
        const RgbaImage image = ReadPam(pam(head(c.depth), c.samples));
        ASSERT_EQ(image.pixels.size(), 1u);
        EXPECT_EQ(image.pixels[0], c.expected);
    }
    const std::vector<std::uint8_t> bad[] = {
        pam(head(3), {1, 2}),                                             // pixels cut short
        pam("P6\n1 1\n255\n", {1, 2, 3}),                                 // another format
        pam("P7\nWIDTH 1\nHEIGHT 1\nDEPTH 3\nMAXVAL 65535\nENDHDR\n", {}),  // 16-bit samples
        pam("P7\nWIDTH 1\nDEPTH 3\nMAXVAL 255\nENDHDR\n", {1, 2, 3}),     // no height
        pam("P7\nWIDTH -1\nHEIGHT 1\nDEPTH 3\nMAXVAL 255\nENDHDR\n", {}),
        pam("P7\nWIDTH 1\nHEIGHT 1\n", {}),                               // header cut short
    };
    for (std::size_t i = 0; i < std::size(bad); ++i) {
        EXPECT_THROW(ReadPam(bad[i]), std::runtime_error) << "case " << i;
    }
}

}  // namespace
}  // namespace artwork
