#include "settings/Settings.h"

#include <array>
#include <string_view>

#include "platform/Numbers.h"

namespace settings {

std::string SettingsPath(const std::string& folder) {
    std::string path = folder;
    if (path.empty() || path.back() != '\\') path += '\\';
    return path + kFileName;
}

double ReadNumber(platform::INI_32& ini, const char* key, const std::string& path) {
    std::array<char16_t, kReadCapacity> buffer{};
    ini.GetPrivateProfileString(kSection, key, "0", buffer.data(), buffer.size(), path);
    return numbers::LeadingNumber(std::u16string_view(buffer.data(), buffer.size()));
}

}  // namespace settings
