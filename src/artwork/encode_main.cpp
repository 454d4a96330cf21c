// artwork_encode: turns the rendered pictures (PAM files written by
// render.sh) into the bitmap and icon files that the program embeds.
//
//   artwork_encode large-face        FACE.pam OUT.bmp
//   artwork_encode small-face        OPEN.pam CLOSED.pam FACE.bmp BLINK.bmp
//   artwork_encode dialog-background IN.pam OUT.bmp
//   artwork_encode title             IN.pam OUT.bmp
//   artwork_encode portrait          IN.pam OUT.bmp
//   artwork_encode icon              IN.pam OUT.ico

#include <cstdio>
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

RgbaImage ReadSized(const std::string& path, Picture picture) {
    RgbaImage image = ReadPamFile(path);
    const PictureSize size = SizeOf(picture);
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
        "       artwork_encode icon IN.pam OUT.ico\n",
        stderr);
    return 2;
}

int Run(const std::vector<std::string>& args) {
    if (args.empty()) return Usage();
    const std::string& what = args[0];

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
