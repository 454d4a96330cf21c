#pragma once

// The settings file: "Vo_Clock.ini" beside the program, section "MAIN",
// keys "SIZE", "TOP" and "LEFT".

#include <string>

#include "platform/INI_32.h"

namespace settings {

inline constexpr char kFileName[] = "Vo_Clock.ini";
inline constexpr char kSection[] = "MAIN";

// The program's folder, a "\" unless it already ends in one, and the file name.
std::string SettingsPath(const std::string& folder);

// Reads a key through a 6-character buffer (so at most 5 characters of the
// stored value arrive; a missing file, section or key reads as "0") and
// returns its leading number.
double ReadNumber(platform::INI_32& ini, const char* key, const std::string& path);

}  // namespace settings
