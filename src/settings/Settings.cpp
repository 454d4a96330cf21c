#include "settings/Settings.h"

#include "platform/Numbers.h"
#include "settings/ProfileText.h"

namespace settings {

std::string SettingsPath(const std::string& folder) {
    std::string path = folder;
    if (path.empty() || path.back() != '\\') path += '\\';
    return path + kFileName;
}

double ReadNumber(std::string_view file, const char* key) {
    std::u16string stored = ProfileGet(file, kSection, key).value_or(u"0");
    return numbers::LeadingNumber(std::u16string_view(stored).substr(0, kReadCapacity - 1));
}

}  // namespace settings
