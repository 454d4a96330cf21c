#pragma once

// The settings file: "Vo_Clock.ini" beside the program, section "MAIN",
// keys "SIZE", "TOP" and "LEFT".

#include <cstddef>
#include <string>
#include <string_view>

namespace settings {

inline constexpr char kFileName[] = "Vo_Clock.ini";
inline constexpr char kSection[] = "MAIN";

// The program's folder, a "\" unless it already ends in one, and the file name.
std::string SettingsPath(const std::string& folder);

// Room for a value read from the file: any value text the writers produce
// (16 characters at most) with blanks around it from a hand edit.
inline constexpr std::size_t kReadCapacity = 64;

// The leading number of a key in the file's bytes (a missing section or key
// reads as "0"). At most kReadCapacity - 1 characters of the stored value
// count, so every value the writers write reads back as written.
double ReadNumber(std::string_view file, const char* key);

}  // namespace settings
