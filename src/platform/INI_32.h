#pragma once

// Profile strings (kernel32): the settings file's reader and writer.
// Texts are UTF-8 here; the Windows layer calls the wide-character functions.

#include <cstddef>
#include <string>

namespace platform {

class INI_32 {
public:
    // Copies at most capacity - 1 characters of the stored value, or of
    // defaultValue when the file, section or key is missing, into buffer and
    // ends them with a NUL. Returns the number of characters copied.
    virtual std::size_t GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                                char16_t* buffer, std::size_t capacity,
                                                const std::string& path) = 0;
    // Creates the file, the section or the key as needed and keeps all other lines.
    virtual bool WritePrivateProfileString(const char* section, const char* key, const std::string& value,
                                           const std::string& path) = 0;
    // Waits up to waitMs for the file to be readable. False when it exists but
    // another program keeps it to itself all that time (sync tools, backup
    // programs and virus scanners do for a moment); a missing file is readable.
    virtual bool WaitUntilReadable(const std::string& path, int waitMs) = 0;

protected:
    ~INI_32() = default;
};

}  // namespace platform
