// The settings reader on any file: the profile text engine finds a value (or the default
// "0"), at most 63 characters of it pass the read buffer, and their leading number
// is what start-up gets; every coordinate a writer stores reads back as stored. Then each writer's edit of the same file: the key written reads
// back as written and every other key of the section reads as before.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "platform/Numbers.h"
#include "settings/ProfileText.h"
#include "settings/Settings.h"

namespace {

constexpr const char* kKeys[] = {"SIZE", "TOP", "LEFT"};

// The stored value as bytes, where all its units are ASCII.
std::optional<std::string> ProfileGet(std::string_view file, const char* key) {
    auto value = settings::ProfileGet(file, settings::kSection, key);
    if (!value) return std::nullopt;
    std::string bytes;
    for (char16_t unit : *value) bytes += unit < 0x80 ? static_cast<char>(unit) : '\x80';
    return bytes;
}

bool Ascii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::string Shown(const std::optional<std::string>& value) { return value ? "\"" + *value + "\"" : "(missing)"; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);

    for (const char* key : kKeys) {
        double value = settings::ReadNumber(text, key);
        FUZZ_CHECK(!std::isnan(value), "%s read as NaN", key);
        std::string stored = ProfileGet(text, key).value_or("0");
        if (Ascii(stored)) {
            double expected = numbers::LeadingNumber(std::string_view(stored).substr(0, settings::kReadCapacity - 1));
            FUZZ_CHECK(SameBits(value, expected), "%s=\"%s\" read as %.17g, its first %zu characters give %.17g", key,
                       stored.c_str(), value, settings::kReadCapacity - 1, expected);
        }
        std::int16_t mode = numbers::RoundToInt16(value);
        FUZZ_CHECK(mode >= -32768 && mode <= 32767, "SIZE out of range");
    }

    // What a writer would store: the trimmed value text of a coordinate taken from the input.
    float coordinate = 0.0f;
    if (size >= sizeof coordinate) std::memcpy(&coordinate, data + size - sizeof coordinate, sizeof coordinate);
    std::string written = numbers::ValueText(coordinate);
    written.erase(0, written.find_first_not_of(' '));

    for (const char* key : kKeys) {
        std::string after = settings::ProfileSet(text, settings::kSection, {{key, written}});
        auto readBack = ProfileGet(after, key);
        FUZZ_CHECK(readBack == written, "wrote %s=%s, read back %s", key, written.c_str(), Shown(readBack).c_str());
        double number = settings::ReadNumber(after, key);
        FUZZ_CHECK(SameBits(number, numbers::LeadingNumber(written)), "wrote %s=%s, read the number %.17g", key,
                   written.c_str(), number);
        for (const char* other : kKeys) {
            if (std::strcmp(other, key) == 0) continue;
            auto before = ProfileGet(text, other);
            auto now = ProfileGet(after, other);
            FUZZ_CHECK(before == now, "writing %s changed %s from %s to %s", key, other, Shown(before).c_str(),
                       Shown(now).c_str());
        }
    }
    return 0;
}
