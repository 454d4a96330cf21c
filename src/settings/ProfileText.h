#pragma once

// The settings file's text, read and edited as the Windows profile calls read
// it: a UTF-8 or UTF-16 byte-order mark is honoured (either order), any other
// file is single-byte text; sections and keys match without regard to letter
// case, blanks (Ctrl+Z among them) around names and values do not count, a
// name or value ends at a NUL, a value wholly in quotes is read without them,
// and the first of repeated sections or keys wins. An edit changes only the
// lines of the keys it sets and keeps every other byte of the file.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace settings {

// A key and the value text it is to hold (ASCII).
using KeyValue = std::pair<std::string, std::string>;

// The value of key in section of the file's bytes, in the units the profile
// calls count (UTF-16; of a single-byte or UTF-8 file each byte is one unit,
// which changes nothing for a number, all of whose characters are ASCII), or
// nothing when the section or the key is missing.
std::optional<std::u16string> ProfileGet(std::string_view file, std::string_view section, std::string_view key);

// The file's bytes with each key set to its value in section, in order, in the
// file's own encoding and line breaks: a key's line keeps what stands up to
// its "=", a missing key goes after the section's last line, a missing
// section at the end of the file.
std::string ProfileSet(std::string_view file, std::string_view section, const std::vector<KeyValue>& values);

}  // namespace settings
