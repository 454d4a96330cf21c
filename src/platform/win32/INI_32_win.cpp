#include "platform/win32/INI_32_win.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdint>

#include "platform/win32/Text_win.h"

namespace platform::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide profile calls fill the program's UTF-16 buffer");

std::size_t ProfileStrings::GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                                    char16_t* buffer, std::size_t capacity,
                                                    const std::string& path) {
    if (capacity == 0) return 0;
    DWORD size = static_cast<DWORD>(std::min<std::size_t>(capacity, UINT_MAX));
    return ::GetPrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), Wide(defaultValue).c_str(),
                                      reinterpret_cast<wchar_t*>(buffer), size, Wide(path).c_str());
}

namespace {

// The profile writer rewrites the whole file, and on a full disk it stops
// where the space ran out, leaving the file cut short. So a key is written
// only when the disk holds the largest file the write can make. The writer
// keeps the file's encoding and rewrites it from what it parsed, which at
// most triples it (a lone CR or LF becomes CR LF; a byte that does not
// decode comes back as U+FFFD, three bytes in a UTF-8 file), and adds at
// most a byte-order mark, the section's header and the key's line, each
// character three bytes at most. Whatever cannot be known (the file's
// size, the free space) counts as not fitting.
bool WholeFileFits(const std::wstring& path, std::size_t addedCharacters) {
    std::uint64_t size = 0;
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes)) {
        size = (static_cast<std::uint64_t>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
    } else if (::GetLastError() != ERROR_FILE_NOT_FOUND) {
        return false;
    }
    std::size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) return false;
    std::wstring folder = path.substr(0, slash + 1);
    ULARGE_INTEGER available{};
    if (!::GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) return false;
    std::uint64_t largest = 3 * size + 3 * static_cast<std::uint64_t>(addedCharacters) + 3;
    return largest <= available.QuadPart;
}

}  // namespace

bool ProfileStrings::WritePrivateProfileString(const char* section, const char* key, const std::string& value,
                                               const std::string& path) {
    std::wstring wideSection = Wide(section);
    std::wstring wideKey = Wide(key);
    std::wstring wideValue = Wide(value);
    std::wstring widePath = Wide(path);
    // "[section]" and "key=value", each with its CR LF.
    std::size_t added = wideSection.size() + 4 + wideKey.size() + 1 + wideValue.size() + 2;
    if (!WholeFileFits(widePath, added)) return false;
    return ::WritePrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), wideValue.c_str(),
                                        widePath.c_str()) != FALSE;
}
}  // namespace platform::win32
