#pragma once

// An INI text engine that reads and edits a profile file's text the way the
// Windows profile functions do: sections and keys matched without regard to
// letter case, blanks around names and values ignored, the first of
// duplicated sections or keys wins, and an edit keeps every other line.

#include <optional>
#include <string>
#include <string_view>

namespace platform::fake {

// The value of key in section, or nothing when either is missing.
std::optional<std::string> ProfileGet(std::string_view text, std::string_view section, std::string_view key);

// The text with key set to value in section, adding the key or the section
// (at the end) when missing. New lines end in CR LF.
std::string ProfileSet(std::string_view text, std::string_view section, std::string_view key,
                       std::string_view value);

}  // namespace platform::fake
