#include "palette.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <vector>

namespace artwork {
namespace {

struct Entry {
    Rgb colour;
    std::uint64_t count;
};

std::uint8_t Channel(const Rgb& c, int axis) { return axis == 0 ? c.r : axis == 1 ? c.g : c.b; }

// Green weighs most and blue least, roughly as the eye does.
constexpr std::array<std::int64_t, 3> kWeights = {3, 4, 2};

struct Box {
    std::vector<Entry> entries;
    std::uint64_t population = 0;
    std::array<double, 3> mean{};
    double error = 0;  // weighted sum of squared distances to the mean

    void Measure() {
        population = 0;
        std::array<std::uint64_t, 3> sums{};
        for (const Entry& e : entries) {
            population += e.count;
            for (int a = 0; a < 3; ++a) sums[static_cast<std::size_t>(a)] += Channel(e.colour, a) * e.count;
        }
        for (std::size_t a = 0; a < 3; ++a) {
            mean[a] = static_cast<double>(sums[a]) / static_cast<double>(population);
        }
        error = 0;
        for (const Entry& e : entries) {
            for (int a = 0; a < 3; ++a) {
                const auto ua = static_cast<std::size_t>(a);
                const double d = Channel(e.colour, a) - mean[ua];
                error += static_cast<double>(kWeights[ua]) * d * d * static_cast<double>(e.count);
            }
        }
    }

    // Channel with the largest weighted spread of its colours.
    int WidestAxis() const {
        int best = 0;
        std::int64_t bestRange = -1;
        for (int a = 0; a < 3; ++a) {
            std::uint8_t lo = 255;
            std::uint8_t hi = 0;
            for (const Entry& e : entries) {
                lo = std::min(lo, Channel(e.colour, a));
                hi = std::max(hi, Channel(e.colour, a));
            }
            const std::int64_t range = (hi - lo) * kWeights[static_cast<std::size_t>(a)];
            if (range > bestRange) {
                bestRange = range;
                best = a;
            }
        }
        return best;
    }

    Rgb MeanColour() const {
        auto round = [](double v) { return static_cast<std::uint8_t>(std::clamp(v + 0.5, 0.0, 255.0)); };
        return {round(mean[0]), round(mean[1]), round(mean[2])};
    }
};

std::pair<Box, Box> Split(Box box) {
    const int axis = box.WidestAxis();
    std::sort(box.entries.begin(), box.entries.end(), [axis](const Entry& l, const Entry& r) {
        const auto lc = Channel(l.colour, axis);
        const auto rc = Channel(r.colour, axis);
        return lc != rc ? lc < rc : l.colour < r.colour;
    });
    // First index where half the population lies before it; both halves
    // keep at least one colour.
    std::uint64_t running = 0;
    std::size_t cut = 1;
    for (std::size_t i = 0; i + 1 < box.entries.size(); ++i) {
        running += box.entries[i].count;
        cut = i + 1;
        if (running * 2 >= box.population) break;
    }
    Box low;
    Box high;
    const auto cutAt = box.entries.begin() + static_cast<std::ptrdiff_t>(cut);
    low.entries.assign(box.entries.begin(), cutAt);
    high.entries.assign(cutAt, box.entries.end());
    low.Measure();
    high.Measure();
    return {std::move(low), std::move(high)};
}

std::vector<Rgb> MedianCut(const std::vector<Entry>& colours, std::size_t boxes) {
    std::vector<Box> all(1);
    all[0].entries = colours;
    all[0].Measure();
    while (all.size() < boxes) {
        auto worst = all.end();
        for (auto it = all.begin(); it != all.end(); ++it) {
            if (it->entries.size() > 1 && (worst == all.end() || it->error > worst->error)) {
                worst = it;
            }
        }
        if (worst == all.end()) break;  // every box is a single colour
        auto [low, high] = Split(std::move(*worst));
        *worst = std::move(low);
        all.push_back(std::move(high));
    }
    std::vector<Rgb> palette;
    palette.reserve(all.size());
    for (const Box& box : all) palette.push_back(box.MeanColour());
    std::sort(palette.begin(), palette.end());
    palette.erase(std::unique(palette.begin(), palette.end()), palette.end());
    return palette;
}

}  // namespace

std::size_t NearestEntry(std::span<const Rgb> palette, Rgb colour) {
    std::size_t best = 0;
    std::int64_t bestDistance = -1;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const Rgb& p = palette[i];
        const std::int64_t dr = p.r - colour.r;
        const std::int64_t dg = p.g - colour.g;
        const std::int64_t db = p.b - colour.b;
        const std::int64_t d = kWeights[0] * dr * dr + kWeights[1] * dg * dg + kWeights[2] * db * db;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

IndexedImage Quantise(const RgbImage& image, std::size_t maxColours, std::span<const Rgb> fixed) {
    if (fixed.size() > maxColours || maxColours > 256) {
        throw std::invalid_argument("the fixed colours do not fit the palette");
    }
    std::vector<Rgb> palette(fixed.begin(), fixed.end());

    std::map<Rgb, std::uint64_t> histogram;
    for (const Rgb& c : image.pixels) {
        if (std::find(fixed.begin(), fixed.end(), c) == fixed.end()) ++histogram[c];
    }
    const std::size_t free = maxColours - fixed.size();
    if (!histogram.empty() && free == 0) {
        throw std::invalid_argument("no palette entries left for the picture's colours");
    }
    if (histogram.size() <= free) {
        for (const auto& [colour, count] : histogram) palette.push_back(colour);
    } else {
        std::vector<Entry> colours;
        colours.reserve(histogram.size());
        for (const auto& [colour, count] : histogram) colours.push_back({colour, count});
        for (const Rgb& c : MedianCut(colours, free)) palette.push_back(c);
    }

    IndexedImage out;
    out.palette = palette;
    out.indices = Raster<std::uint8_t>(image.width, image.height);
    std::map<Rgb, std::uint8_t> memo;
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        const Rgb c = image.pixels[i];
        auto it = memo.find(c);
        if (it == memo.end()) {
            it = memo.emplace(c, static_cast<std::uint8_t>(NearestEntry(palette, c))).first;
        }
        out.indices.pixels[i] = it->second;
    }
    return out;
}

}  // namespace artwork
