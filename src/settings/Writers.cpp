#include "settings/Writers.h"

#include "platform/Numbers.h"
#include "settings/Settings.h"

namespace settings {

namespace {

std::string Trimmed(cTrim& trimmer, const std::string& valueText) {
    trimmer.temp(valueText);
    trimmer.ZorvTrim();
    return trimmer.EndTrim();
}

}  // namespace

void WriteSize(platform::INI_32& ini, const std::string& path, std::unique_ptr<cTrim>& trimmer,
               std::int16_t sizeMode) {
    trimmer = std::make_unique<cTrim>();
    ini.WritePrivateProfileString(kSection, "SIZE", Trimmed(*trimmer, numbers::ValueText(sizeMode)), path);
}

void WritePosition(platform::INI_32& ini, const std::string& path, std::unique_ptr<cTrim>& trimmer, double top,
                   double left) {
    trimmer = std::make_unique<cTrim>();
    ini.WritePrivateProfileString(kSection, "TOP", Trimmed(*trimmer, numbers::ValueText(static_cast<float>(top))),
                                  path);
    ini.WritePrivateProfileString(kSection, "LEFT",
                                  Trimmed(*trimmer, numbers::ValueText(static_cast<float>(left))), path);
}

}  // namespace settings
