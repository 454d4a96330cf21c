#pragma once

// The two settings writers. Each starts with a fresh trimmer, which replaces
// the previous one, and puts its keys into the pending save, which the
// program then makes in one step (settings/SettingsFile).

#include <cstdint>
#include <memory>

#include "settings/SettingsFile.h"
#include "settings/cTrim.h"

namespace settings {

// "SIZE".
void WriteSize(PendingSave& save, std::unique_ptr<cTrim>& trimmer, std::int16_t sizeMode);

// "TOP" and then "LEFT", in twips, both through the same trimmer.
void WritePosition(PendingSave& save, std::unique_ptr<cTrim>& trimmer, double top, double left);

}  // namespace settings
