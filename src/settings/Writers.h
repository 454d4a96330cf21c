#pragma once

// The two settings writers. Each starts with a fresh trimmer, which replaces
// the previous one, and writes through the platform's profile calls: the file
// is created when missing and every other line is kept. A write that fails
// (read-only file or folder, full disk) changes nothing and is not retried.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/INI_32.h"
#include "settings/cTrim.h"

namespace settings {

// Writes "SIZE".
void WriteSize(platform::INI_32& ini, const std::string& path, std::unique_ptr<cTrim>& trimmer,
               std::int16_t sizeMode);

// Writes "TOP" and then "LEFT", in twips, both through the same trimmer.
void WritePosition(platform::INI_32& ini, const std::string& path, std::unique_ptr<cTrim>& trimmer, double top,
                   double left);

}  // namespace settings
