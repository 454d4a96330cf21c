#pragma once

// Profile strings through kernel32's wide-character calls. A write happens
// whole or not at all: the key goes into a copy beside the file, which takes
// the file's place only once it reads back whole.

// First, as everywhere in this layer: <windows.h> renames the profile calls
// (GetPrivateProfileString becomes ...W), declaration and definition alike.
#include <windows.h>

#include "platform/INI_32.h"

namespace platform::win32 {

class ProfileStrings final : public INI_32 {
public:
    std::size_t GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                        char16_t* buffer, std::size_t capacity, const std::string& path) override;
    bool WritePrivateProfileString(const char* section, const char* key, const std::string& value,
                                   const std::string& path) override;
    bool WaitUntilReadable(const std::string& path, int waitMs) override;
};

}  // namespace platform::win32
