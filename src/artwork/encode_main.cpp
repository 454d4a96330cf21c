// artwork_encode: turns the rendered pictures (PAM files written by
// render.sh) into the bitmap and icon files that the program embeds.
//
//   artwork_encode large-face        FACE.pam OUT.bmp
//   artwork_encode small-face        OPEN.pam CLOSED.pam FACE.bmp BLINK.bmp
//   artwork_encode dialog-background IN.pam OUT.bmp
//   artwork_encode title             IN.pam OUT.bmp
//   artwork_encode portrait          IN.pam OUT.bmp
//   artwork_encode icon              IN.pam OUT.ico
//
// and the renditions for larger display scales, written as PPM for the
// render script to store as PNG:
//
//   artwork_encode scaled PERCENT large-face|dialog-background|title|portrait IN.pam OUT.ppm
//   artwork_encode scaled PERCENT small-face OPEN.pam CLOSED.pam FACE.ppm BLINK.ppm
//   artwork_encode size PERCENT PICTURE    prints the size to render at: "WIDTH HEIGHT"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Pictures.h"
#include "bitmap_file.h"
#include "conversions.h"
#include "palette.h"
#include "pam_reader.h"

namespace {

using namespace artwork;

// Coverage at which an anti-aliased title pixel counts as lettering. A little
// under half keeps the thin joins of the script without bloating the loops.
constexpr double kTitleInkThreshold = 0.42;

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path);
}

RgbImage ExpandPalette(const IndexedImage& image) {
    RgbImage out(image.indices.width, image.indices.height);
    for (std::size_t i = 0; i < out.pixels.size(); ++i) out.pixels[i] = image.palette.at(image.indices.pixels[i]);
    return out;
}

// The rendered picture, checked to have the size its element has at
// `percent` (100: the stored 96-dpi size).
RgbaImage ReadSized(const std::string& path, Picture picture, int percent = 100) {
    RgbaImage image = ReadPamFile(path);
    const PictureSize size = RenditionSize(picture, percent);
    if (image.width != size.width || image.height != size.height) {
        throw std::runtime_error(path + ": rendered at " + std::to_string(image.width) + " x " +
                                 std::to_string(image.height) + ", expected " +
                                 std::to_string(size.width) + " x " + std::to_string(size.height));
    }
    return image;
}

int Usage() {
    std::fputs(
        "usage: artwork_encode large-face FACE.pam OUT.bmp\n"
        "       artwork_encode small-face OPEN.pam CLOSED.pam FACE.bmp BLINK.bmp\n"
        "       artwork_encode dialog-background|title|portrait IN.pam OUT.bmp\n"
        "       artwork_encode icon IN.pam OUT.ico\n"
        "       artwork_encode scaled PERCENT large-face|dialog-background|title|portrait IN.pam OUT.ppm\n"
        "       artwork_encode scaled PERCENT small-face OPEN.pam CLOSED.pam FACE.ppm BLINK.ppm\n"
        "       artwork_encode size PERCENT large-face|small-face|dialog-background|title|portrait\n",
        stderr);
    return 2;
}

int ScaleFrom(const std::string& text) {
    const int percent = std::stoi(text);
    if (std::find(std::begin(kRenditionScales), std::end(kRenditionScales), percent) == std::end(kRenditionScales)) {
        throw std::runtime_error("no rendition is made for " + text + "%");
    }
    return percent;
}

int PrintSize(const std::vector<std::string>& args) {
    if (args.size() != 3) return Usage();
    const int percent = ScaleFrom(args[1]);
    const struct {
        const char* name;
        Picture picture;
    } names[] = {{"large-face", Picture::LargeFace}, {"small-face", Picture::SmallFace},
                 {"dialog-background", Picture::DialogBackground}, {"title", Picture::Title},
                 {"portrait", Picture::Portrait}};
    for (const auto& n : names) {
        if (args[2] != n.name) continue;
        const PictureSize size = RenditionSize(n.picture, percent);
        std::printf("%d %d\n", size.width, size.height);
        return 0;
    }
    return Usage();
}

// A rendition for a larger display scale: the same rules as the stored
// picture (opaque faces, a blink that changes only the eyes, a two-colour
// title), at full colour otherwise.
int RunScaled(const std::vector<std::string>& args) {
    if (args.size() < 5) return Usage();
    const int percent = ScaleFrom(args[1]);
    const std::string& what = args[2];
    if (what == "small-face") {
        if (args.size() != 7) return Usage();
        const RgbImage open = RequireOpaque(ReadSized(args[3], Picture::SmallFace, percent));
        const RgbImage closed = RequireOpaque(ReadSized(args[4], Picture::SmallFace, percent));
        const RgbImage blink = BlinkStrip(open, closed, ScaledRect(kBlinkRect, percent));
        WriteFile(args[5], EncodePpm(open));
        WriteFile(args[6], EncodePpm(blink));
        return 0;
    }
    if (args.size() != 5) return Usage();
    const std::string& in = args[3];
    const std::string& out = args[4];
    if (what == "large-face") {
        WriteFile(out, EncodePpm(RequireOpaque(ReadSized(in, Picture::LargeFace, percent))));
    } else if (what == "dialog-background") {
        WriteFile(out, EncodePpm(RequireOpaque(ReadSized(in, Picture::DialogBackground, percent))));
    } else if (what == "title") {
        const RgbImage image = RequireOpaque(ReadSized(in, Picture::Title, percent));
        WriteFile(out, EncodePpm(ExpandPalette(TwoColour(image, kDialogGrey, kTitleBlue, kTitleInkThreshold))));
    } else if (what == "portrait") {
        WriteFile(out, EncodePpm(RequireOpaque(ReadSized(in, Picture::Portrait, percent))));
    } else {
        return Usage();
    }
    return 0;
}

int Run(const std::vector<std::string>& args) {
    if (args.empty()) return Usage();
    const std::string& what = args[0];
    if (what == "scaled") return RunScaled(args);
    if (what == "size") return PrintSize(args);

    if (what == "small-face") {
        if (args.size() != 5) return Usage();
        const RgbImage open = RequireOpaque(ReadSized(args[1], Picture::SmallFace));
        const RgbImage closed = RequireOpaque(ReadSized(args[2], Picture::SmallFace));
        const RgbImage blink = BlinkStrip(open, closed);
        WriteFile(args[3], EncodeBitmap24(open));
        WriteFile(args[4], EncodeBitmap24(blink));
        return 0;
    }

    if (args.size() != 3) return Usage();
    const std::string& in = args[1];
    const std::string& out = args[2];
    if (what == "large-face") {
        WriteFile(out, EncodeBitmap24(RequireOpaque(ReadSized(in, Picture::LargeFace))));
    } else if (what == "dialog-background") {
        const RgbImage image = RequireOpaque(ReadSized(in, Picture::DialogBackground));
        WriteFile(out, EncodeBitmapIndexed(Quantise(image, 16, std::span(&kDialogGrey, 1)), 4));
    } else if (what == "title") {
        const RgbImage image = RequireOpaque(ReadSized(in, Picture::Title));
        WriteFile(out, EncodeBitmapIndexed(TwoColour(image, kDialogGrey, kTitleBlue, kTitleInkThreshold), 4));
    } else if (what == "portrait") {
        const RgbImage image = RequireOpaque(ReadSized(in, Picture::Portrait));
        WriteFile(out, EncodeBitmapIndexed(Quantise(image, 256, std::span(&kDialogGrey, 1)), 8));
    } else if (what == "icon") {
        const IconPicture icon = MakeIcon(ReadPamFile(in));
        WriteFile(out, EncodeIcon(icon.image, icon.transparent));
    } else {
        return Usage();
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "artwork_encode: %s\n", e.what());
        return 1;
    }
}
