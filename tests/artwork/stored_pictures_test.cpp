// The checked-in pictures, read back from src/artwork/generated/: every
// header field of the stored formats, and the points of their content that
// the clock and dialog code rely on.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
    auto operator<=>(const Rgb&) const = default;
};

constexpr Rgb kDialogGrey{198, 198, 198};
constexpr Rgb kOutsideGrey{192, 192, 192};
constexpr Rgb kBlue{0, 0, 255};

Bytes ReadGenerated(const std::string& name) {
    std::ifstream in(std::string(MARISOLE_GENERATED_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << "cannot open " << name;
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::uint32_t Field(const Bytes& b, std::size_t at, int size) {
    std::uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = v << 8 | b.at(at + static_cast<std::size_t>(i));
    return v;
}

// A reader written apart from the writer: decodes uncompressed bottom-up
// 24/8/4-bit bitmaps into top-down RGB rows.
struct Picture {
    int width = 0, height = 0;
    std::vector<Rgb> palette;
    std::vector<Rgb> pixels;
    Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

Picture Decode(const Bytes& b) {
    Picture p;
    p.width = static_cast<int>(Field(b, 18, 4));
    p.height = static_cast<int>(Field(b, 22, 4));
    const int bits = static_cast<int>(Field(b, 28, 2));
    const std::size_t offset = Field(b, 10, 4);
    if (bits <= 8) {
        for (std::size_t i = 0; i < (std::size_t{1} << bits); ++i) {
            const std::size_t e = 54 + 4 * i;
            p.palette.push_back({b.at(e + 2), b.at(e + 1), b.at(e)});
        }
    }
    const std::size_t stride = (static_cast<std::size_t>(p.width * bits) + 31) / 32 * 4;
    p.pixels.resize(static_cast<std::size_t>(p.width * p.height));
    for (int y = 0; y < p.height; ++y) {
        const std::size_t row = offset + static_cast<std::size_t>(p.height - 1 - y) * stride;
        for (int x = 0; x < p.width; ++x) {
            const auto ux = static_cast<std::size_t>(x);
            Rgb c;
            if (bits == 24) {
                c = {b.at(row + 3 * ux + 2), b.at(row + 3 * ux + 1), b.at(row + 3 * ux)};
            } else if (bits == 8) {
                c = p.palette.at(b.at(row + ux));
            } else {
                const std::uint8_t two = b.at(row + ux / 2);
                c = p.palette.at(x % 2 == 0 ? two >> 4 : two & 0x0F);
            }
            p.pixels[static_cast<std::size_t>(y * p.width + x)] = c;
        }
    }
    return p;
}

struct StoredBitmap {
    const char* file;
    int width, height, bits;
    std::uint32_t size, offset;
};

constexpr StoredBitmap kBitmaps[] = {
    {"LargeFace.bmp", 480, 480, 24, 691254, 54},    {"SmallFace.bmp", 233, 233, 24, 163154, 54},
    {"Blink.bmp", 99, 39, 24, 11754, 54},           {"DialogBackground.bmp", 300, 200, 4, 30518, 118},
    {"Title.bmp", 130, 30, 4, 2158, 118},           {"Portrait.bmp", 71, 69, 8, 6046, 1078},
};

TEST(StoredBitmaps, EveryHeaderFieldPaletteAndRowPadding) {
    for (const StoredBitmap& s : kBitmaps) {
        SCOPED_TRACE(s.file);
        const Bytes b = ReadGenerated(s.file);
        ASSERT_EQ(b.size(), s.size);
        const struct {
            const char* name;
            std::size_t at;
            int size;
            std::uint32_t value;
        } fields[] = {
            {"signature", 0, 2, 0x4D42},  // "BM"
            {"file size", 2, 4, s.size},
            {"reserved 1", 6, 2, 0},
            {"reserved 2", 8, 2, 0},
            {"pixel offset", 10, 4, s.offset},
            {"info header size", 14, 4, 40},
            {"width", 18, 4, static_cast<std::uint32_t>(s.width)},
            {"height (positive: bottom-up)", 22, 4, static_cast<std::uint32_t>(s.height)},
            {"planes", 26, 2, 1},
            {"bits per pixel", 28, 2, static_cast<std::uint32_t>(s.bits)},
            {"compression BI_RGB", 30, 4, 0},
            {"image size", 34, 4, 0},
            {"x pixels per metre", 38, 4, 2834},
            {"y pixels per metre", 42, 4, 2834},
            {"colours used", 46, 4, 0},
            {"important colours", 50, 4, 0},
        };
        for (const auto& f : fields) {
            EXPECT_EQ(Field(b, f.at, f.size), f.value) << f.name;
        }
        for (std::size_t e = 54; e < s.offset; e += 4) {
            EXPECT_EQ(b[e + 3], 0) << "palette entry at " << e;
        }

        const std::size_t used = (static_cast<std::size_t>(s.width * s.bits) + 7) / 8;
        const std::size_t stride = (used + 3) / 4 * 4;
        ASSERT_EQ(s.offset + stride * static_cast<std::size_t>(s.height), s.size);
        for (int y = 0; y < s.height; ++y) {
            const std::size_t row = s.offset + static_cast<std::size_t>(y) * stride;
            for (std::size_t i = used; i < stride; ++i) {
                ASSERT_EQ(b[row + i], 0) << "row " << y;
            }
            // A 4-bit row of odd width leaves the last low nibble unused.
            if (s.bits == 4 && s.width % 2 == 1) {
                ASSERT_EQ(b[row + used - 1] & 0x0F, 0) << "row " << y;
            }
        }
    }
}

// The renditions for larger display scales: PNG files of exactly the size
// each picture's element has at that scale (the program draws nothing from
// a file of another size), without the time chunks that would make a fresh
// render differ.
TEST(StoredRenditions, PngOfTheElementSizeAtEachScale) {
    const struct {
        const char* file;
        int width, height;
    } renditions[] = {
        {"LargeFace-125.png", 600, 600},        {"LargeFace-150.png", 720, 720},
        {"LargeFace-200.png", 960, 960},        {"SmallFace-125.png", 291, 291},
        {"SmallFace-150.png", 350, 350},        {"SmallFace-200.png", 466, 466},  // 349.5 to the even 350
        {"Blink-125.png", 124, 49},             {"Blink-150.png", 148, 58},       // 148.5, 58.5 to even
        {"Blink-200.png", 198, 78},             {"DialogBackground-125.png", 375, 250},
        {"DialogBackground-150.png", 450, 300}, {"DialogBackground-200.png", 600, 400},
        {"Title-125.png", 162, 38},             {"Title-150.png", 195, 45},
        {"Title-200.png", 260, 60},             {"Portrait-125.png", 89, 86},
        {"Portrait-150.png", 106, 104},         {"Portrait-200.png", 142, 138},
    };
    const Bytes signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto big = [](const Bytes& b, std::size_t at) {
        return static_cast<std::uint32_t>(b.at(at)) << 24 | static_cast<std::uint32_t>(b.at(at + 1)) << 16 |
               static_cast<std::uint32_t>(b.at(at + 2)) << 8 | b.at(at + 3);
    };
    for (const auto& r : renditions) {
        SCOPED_TRACE(r.file);
        const Bytes b = ReadGenerated(r.file);
        ASSERT_GT(b.size(), 33u);
        EXPECT_TRUE(std::equal(signature.begin(), signature.end(), b.begin()));
        EXPECT_EQ(std::string(b.begin() + 12, b.begin() + 16), "IHDR");
        EXPECT_EQ(big(b, 16), static_cast<std::uint32_t>(r.width));
        EXPECT_EQ(big(b, 20), static_cast<std::uint32_t>(r.height));
        EXPECT_EQ(b.at(28), 0) << "interlaced";
        std::set<std::string> chunks;
        for (std::size_t at = 8; at + 8 <= b.size(); at += 12 + big(b, at)) {
            chunks.insert(std::string(b.begin() + static_cast<std::ptrdiff_t>(at + 4),
                                      b.begin() + static_cast<std::ptrdiff_t>(at + 8)));
        }
        EXPECT_TRUE(chunks.count("IDAT") && chunks.count("IEND"));
        EXPECT_FALSE(chunks.count("tIME") || chunks.count("tEXt") || chunks.count("zTXt")) << "time stamps";
    }
}

TEST(StoredIcon, OneImage32By32With16ColoursAndMask) {
    const Bytes b = ReadGenerated("Program.ico");
    ASSERT_EQ(b.size(), 766u);
    const struct {
        const char* name;
        std::size_t at;
        int size;
        std::uint32_t value;
    } fields[] = {
        {"reserved", 0, 2, 0},          {"type icon", 2, 2, 1},          {"image count", 4, 2, 1},
        {"width", 6, 1, 32},            {"height", 7, 1, 32},            {"colour count", 8, 1, 16},
        {"entry reserved", 9, 1, 0},    {"planes", 10, 2, 1},            {"bit count", 12, 2, 4},
        {"image bytes", 14, 4, 744},    {"image offset", 18, 4, 22},     {"header size", 22, 4, 40},
        {"header width", 26, 4, 32},    {"header height", 30, 4, 64},    {"header planes", 34, 2, 1},
        {"header bits", 36, 2, 4},      {"compression", 38, 4, 0},       {"colours used", 54, 4, 0},
    };
    for (const auto& f : fields) {
        EXPECT_EQ(Field(b, f.at, f.size), f.value) << f.name;
    }

    // Palette entry 0 is black, so masked pixels (stored as index 0) leave
    // the screen unchanged.
    EXPECT_EQ(Field(b, 62, 4), 0u);
    const std::size_t colours = 62 + 64;
    const std::size_t mask = colours + 512;
    int opaque = 0;
    std::set<int> indices;
    for (int y = 0; y < 32; ++y) {      // stored bottom-up; y counts stored rows
        for (int x = 0; x < 32; ++x) {
            const bool transparent = (b[mask + static_cast<std::size_t>(y * 4 + x / 8)] >> (7 - x % 8)) & 1;
            const std::uint8_t two = b[colours + static_cast<std::size_t>(y * 16 + x / 2)];
            const int index = x % 2 == 0 ? two >> 4 : two & 0x0F;
            if (transparent) {
                EXPECT_EQ(index, 0) << x << "," << y;
            } else {
                ++opaque;
                indices.insert(index);
            }
        }
    }
    // A round picture: the corners are clear, the middle is drawn.
    const auto maskBit = [&](int x, int row) { return (b[mask + static_cast<std::size_t>(row * 4 + x / 8)] >> (7 - x % 8)) & 1; };
    EXPECT_EQ(maskBit(0, 0), 1);
    EXPECT_EQ(maskBit(31, 31), 1);
    EXPECT_EQ(maskBit(16, 16), 0);
    EXPECT_GT(opaque, 700);  // a 32 px disc covers about 800 pixels
    EXPECT_GE(indices.size(), 8u);
}

// Pixel centres at distance `radius` from (cx, cy), every 10 degrees.
template <typename Check>
void AroundCircle(double cx, double cy, double radius, Check check) {
    for (int degrees = 0; degrees < 360; degrees += 10) {
        const double a = degrees * 3.14159265358979 / 180;
        const int x = static_cast<int>(std::floor(cx + radius * std::sin(a)));
        const int y = static_cast<int>(std::floor(cy - radius * std::cos(a)));
        check(x, y, degrees);
    }
}

TEST(StoredContent, DialsAreCentredOnTheHandPivots) {
    // Large face: the pivot is pixel (252, 380), whose centre is (252.5, 380.5).
    // The dial is ringed by a dark rim at 72 px with light dial inside it.
    const Picture large = Decode(ReadGenerated("LargeFace.bmp"));
    AroundCircle(252.5, 380.5, 72, [&](int x, int y, int deg) {
        const Rgb c = large.at(x, y);
        EXPECT_LT(c.r + c.g + c.b, 300) << "rim at " << deg << " degrees";
    });
    AroundCircle(252.5, 380.5, 68.5, [&](int x, int y, int deg) {
        const Rgb c = large.at(x, y);
        EXPECT_GT(std::min({c.r, c.g, c.b}), 190) << "dial at " << deg << " degrees";
    });
    // Small face: pivot (116, 116); a golden rim runs round the face at 93.5 px.
    const Picture small = Decode(ReadGenerated("SmallFace.bmp"));
    AroundCircle(116.5, 116.5, 93.5, [&](int x, int y, int deg) {
        const Rgb c = small.at(x, y);
        EXPECT_TRUE(c.r > 220 && c.g > 160 && c.b < 120) << "rim at " << deg << " degrees";
    });
}

TEST(StoredContent, SmallFaceRingFillsTheWindowOutlineAndGreyLiesOutside) {
    const Picture face = Decode(ReadGenerated("SmallFace.bmp"));
    int outside = 0;
    for (int y = 0; y < face.height; ++y) {
        for (int x = 0; x < face.width; ++x) {
            const double d = std::hypot(x + 0.5 - 116.5, y + 0.5 - 116.5);
            if (d >= 119.5) {
                ++outside;
                ASSERT_EQ(face.at(x, y), kOutsideGrey) << x << "," << y;
            } else if (d <= 117) {
                // Whatever the window's circle keeps is ring, never grey.
                ASSERT_NE(face.at(x, y), kOutsideGrey) << x << "," << y;
            }
        }
    }
    EXPECT_GT(outside, 9000);  // the four corners
}

TEST(StoredContent, BlinkMatchesTheFaceExceptWhereEachEyeCloses) {
    const Picture face = Decode(ReadGenerated("SmallFace.bmp"));
    const Picture blink = Decode(ReadGenerated("Blink.bmp"));
    ASSERT_EQ(blink.width, 99);
    ASSERT_EQ(blink.height, 39);
    // The eyes, in face coordinates: left x 74..109, right x 124..159.
    const struct {
        int left, right;
    } eyes[] = {{74, 109}, {124, 159}};
    int changed[2] = {0, 0};
    for (int y = 0; y < 39; ++y) {
        for (int x = 0; x < 99; ++x) {
            const int fx = 70 + x;
            const bool same = blink.at(x, y) == face.at(fx, 116 + y);
            int eye = -1;
            for (int i = 0; i < 2; ++i) {
                if (fx >= eyes[i].left && fx <= eyes[i].right) eye = i;
            }
            if (eye < 0) {
                ASSERT_TRUE(same) << "pixel " << fx << "," << 116 + y << " outside the eyes";
            } else if (!same) {
                ++changed[eye];
            }
        }
    }
    EXPECT_GT(changed[0], 200) << "left eye";
    EXPECT_GT(changed[1], 200) << "right eye";
}

TEST(StoredContent, DialogPicturesStandOnTheDialogGrey) {
    const Picture background = Decode(ReadGenerated("DialogBackground.bmp"));
    for (const Rgb& c : background.pixels) {
        ASSERT_EQ(c, kDialogGrey);
    }

    const Picture title = Decode(ReadGenerated("Title.bmp"));
    std::size_t ink = 0;
    for (int y = 0; y < title.height; ++y) {
        for (int x = 0; x < title.width; ++x) {
            const Rgb c = title.at(x, y);
            ASSERT_TRUE(c == kBlue || c == kDialogGrey) << x << "," << y;
            if (c == kBlue) ++ink;
            // The lettering does not run into the picture's edges.
            if (x == 0 || y == 0 || x == title.width - 1 || y == title.height - 1) {
                ASSERT_EQ(c, kDialogGrey) << x << "," << y;
            }
        }
    }
    // Enough blue to be lettering, little enough to be legible.
    EXPECT_GT(ink, title.pixels.size() / 8);
    EXPECT_LT(ink, title.pixels.size() / 3);

    const Picture portrait = Decode(ReadGenerated("Portrait.bmp"));
    for (const auto& [x, y] : {std::pair{0, 0}, {70, 0}, {0, 68}, {70, 68}}) {
        EXPECT_EQ(portrait.at(x, y), kDialogGrey) << x << "," << y;
    }
    std::set<Rgb> colours(portrait.pixels.begin(), portrait.pixels.end());
    EXPECT_GT(colours.size(), 64u) << "a full-colour portrait, not a flat fill";
}

}  // namespace
