#include "settings/Writers.h"

#include "platform/Numbers.h"

namespace settings {

namespace {

std::string Trimmed(cTrim& trimmer, const std::string& valueText) {
    trimmer.temp(valueText);
    trimmer.ZorvTrim();
    return trimmer.EndTrim();
}

}  // namespace

void WriteSize(PendingSave& save, std::unique_ptr<cTrim>& trimmer, std::int16_t sizeMode) {
    trimmer = std::make_unique<cTrim>();
    save.Set("SIZE", Trimmed(*trimmer, numbers::ValueText(sizeMode)));
}

void WritePosition(PendingSave& save, std::unique_ptr<cTrim>& trimmer, double top, double left) {
    trimmer = std::make_unique<cTrim>();
    save.Set("TOP", Trimmed(*trimmer, numbers::ValueText(static_cast<float>(top))));
    save.Set("LEFT", Trimmed(*trimmer, numbers::ValueText(static_cast<float>(left))));
}

}  // namespace settings
