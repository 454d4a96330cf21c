#include "pam_reader.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace artwork {
namespace {

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error("PAM: " + what); }

int ParseCount(const std::string& keyword, const std::string& value) {
    std::size_t used = 0;
    int n = 0;
    try {
        n = std::stoi(value, &used);
    } catch (const std::exception&) {
        Fail(keyword + " is not a number");
    }
    if (used != value.size() || n <= 0) Fail(keyword + " must be a positive number");
    return n;
}

}  // namespace

RgbaImage ReadPam(std::span<const std::uint8_t> bytes) {
    std::size_t pos = 0;
    auto readLine = [&]() {
        std::string line;
        while (pos < bytes.size() && bytes[pos] != '\n') line.push_back(static_cast<char>(bytes[pos++]));
        if (pos >= bytes.size()) Fail("header ends early");
        ++pos;
        return line;
    };

    if (readLine() != "P7") Fail("not a P7 file");
    int width = 0;
    int height = 0;
    int depth = 0;
    int maxval = 0;
    for (;;) {
        const std::string line = readLine();
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string keyword;
        std::string value;
        fields >> keyword;
        std::getline(fields >> std::ws, value);
        if (keyword == "ENDHDR") break;
        if (keyword == "WIDTH") width = ParseCount(keyword, value);
        else if (keyword == "HEIGHT") height = ParseCount(keyword, value);
        else if (keyword == "DEPTH") depth = ParseCount(keyword, value);
        else if (keyword == "MAXVAL") maxval = ParseCount(keyword, value);
        else if (keyword != "TUPLTYPE") Fail("unknown header line '" + line + "'");
    }
    if (width == 0 || height == 0 || depth == 0 || maxval == 0) Fail("header lacks a field");
    if (maxval != 255) Fail("only 8-bit samples are supported");
    if (depth > 4) Fail("unsupported depth");
    if (width > 8192 || height > 8192) Fail("picture too large");

    const std::size_t samples = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                                static_cast<std::size_t>(depth);
    if (bytes.size() - pos < samples) Fail("pixel data ends early");

    RgbaImage image(width, height);
    const std::uint8_t* s = bytes.data() + pos;
    for (Rgba& p : image.pixels) {
        switch (depth) {
        case 1: p = {s[0], s[0], s[0], 255}; break;
        case 2: p = {s[0], s[0], s[0], s[1]}; break;
        case 3: p = {s[0], s[1], s[2], 255}; break;
        default: p = {s[0], s[1], s[2], s[3]}; break;
        }
        s += depth;
    }
    return image;
}

RgbaImage ReadPamFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    try {
        return ReadPam(bytes);
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(path + ": " + e.what());
    }
}

}  // namespace artwork
