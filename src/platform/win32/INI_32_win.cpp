#include "platform/win32/INI_32_win.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <optional>
#include <vector>

#include "platform/win32/Gdi_win.h"
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

// A settings write happens whole or not at all. The profile writer rewrites
// the whole file and, when the disk fills up under it or the program is
// killed meanwhile, leaves it cut short while reporting success. So the key
// is written into a copy beside the file, the copy is read back through the
// profile calls, and only a copy that holds everything the file held, and the
// new key, takes the file's place, in one step.
namespace {

// Hidden and named after the file, so that a copy left by a save that was
// cut off is found, and removed, by the next one.
std::wstring CopyPath(const std::wstring& path) {
    std::size_t slash = path.find_last_of(L"\\/");
    std::size_t name = slash == std::wstring::npos ? 0 : slash + 1;
    return path.substr(0, name) + L"." + path.substr(name) + L".saving";
}

KernelHandle OpenFile(const std::wstring& path, DWORD access, DWORD disposition, DWORD attributes) {
    HANDLE file = ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, disposition, attributes, nullptr);
    return KernelHandle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

bool Remove(const std::wstring& copy) {
    ::SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ::DeleteFileW(copy.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND;
}

// The profile calls may keep what they wrote in memory; reading the copy
// back must see what reached the disk.
void ForgetCached(const std::wstring& path) { ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str()); }

enum class Copied { Yes, NoNewFileHere, No };

// The file's bytes into a new copy (an empty one when there is no file).
Copied MakeCopy(const std::wstring& path, const std::wstring& copy) {
    KernelHandle target(OpenFile(copy, GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN));
    if (!target.Get()) {
        DWORD error = ::GetLastError();
        bool full = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
        return full ? Copied::No : Copied::NoNewFileHere;
    }
    KernelHandle source(OpenFile(path, GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    if (!source.Get()) return ::GetLastError() == ERROR_FILE_NOT_FOUND ? Copied::Yes : Copied::No;
    std::vector<char> block(64 * 1024);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(source.Get(), block.data(), static_cast<DWORD>(block.size()), &read, nullptr)) {
            return Copied::No;
        }
        if (read == 0) return Copied::Yes;
        DWORD written = 0;
        if (!::WriteFile(target.Get(), block.data(), read, &written, nullptr) || written != read) return Copied::No;
    }
}

// Reads whole texts through the profile calls, which cut what does not fit
// and say so only by filling the buffer to within a character or two. Each
// call reads the whole file, so the buffer starts as large as the file, which
// no text read from it outgrows, and serves every read.
class ProfileReader {
public:
    explicit ProfileReader(const std::wstring& file) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (::GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data) && data.nFileSizeHigh == 0 &&
            data.nFileSizeLow < kLimit / 2) {
            buffer_.resize(std::max<std::size_t>(buffer_.size(), data.nFileSizeLow + 1024));
        }
    }

    std::optional<std::wstring> SectionNames(const std::wstring& file) {
        return Read(2, [&](wchar_t* buffer, DWORD size) {
            return ::GetPrivateProfileSectionNamesW(buffer, size, file.c_str());
        });
    }
    std::optional<std::wstring> Section(const std::wstring& section, const std::wstring& file) {
        return Read(2, [&](wchar_t* buffer, DWORD size) {
            return ::GetPrivateProfileSectionW(section.c_str(), buffer, size, file.c_str());
        });
    }
    // A missing key reads as a line break, which no stored value holds.
    std::optional<std::wstring> Value(const std::wstring& section, const std::wstring& key,
                                      const std::wstring& file) {
        return Read(1, [&](wchar_t* buffer, DWORD size) {
            return ::GetPrivateProfileStringW(section.c_str(), key.c_str(), L"\n", buffer, size, file.c_str());
        });
    }

private:
    std::optional<std::wstring> Read(DWORD slack, const std::function<DWORD(wchar_t*, DWORD)>& read) {
        for (;;) {
            DWORD size = static_cast<DWORD>(buffer_.size());
            DWORD count = read(buffer_.data(), size);
            if (count + slack < size) return buffer_.substr(0, count);
            if (size >= kLimit) return std::nullopt;
            buffer_.resize(static_cast<std::size_t>(size) * 2);
        }
    }

    static constexpr DWORD kLimit = 1u << 28;
    std::wstring buffer_ = std::wstring(4096, L'\0');
};

// NUL-separated names as one list.
std::vector<std::wstring> Names(const std::wstring& list) {
    std::vector<std::wstring> names;
    for (std::size_t start = 0; start < list.size();) {
        std::size_t end = list.find(L'\0', start);
        if (end == std::wstring::npos) end = list.size();
        names.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

// The written section as the profile calls list it: line for line as it was
// but for the key's first line, or, where the section had no such key, with
// one more line at its end.
bool ChangedAtTheKeyOnly(const std::vector<std::wstring>& before, const std::vector<std::wstring>& after,
                         const std::wstring& key) {
    auto isKey = [&](const std::wstring& line) { return SameName(line.substr(0, line.find(L'=')), key); };
    auto first = std::find_if(before.begin(), before.end(), isKey);
    if (first == before.end()) {
        return after.size() == before.size() + 1 && std::equal(before.begin(), before.end(), after.begin()) &&
               isKey(after.back());
    }
    if (after.size() != before.size()) return false;
    std::size_t at = static_cast<std::size_t>(first - before.begin());
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (i != at && after[i] != before[i]) return false;
    }
    return isKey(after[at]);
}

// Everything the file held reads back from the copy as it was, and the key
// with its new value: a copy cut short fails, whatever its writer reported.
// Each profile call reads the whole file, so of a file of very many sections
// only the written one and the last are compared: the writer writes front to
// back, and a write cut short loses the end.
bool CopyHoldsTheFile(ProfileReader& read, const std::wstring& path, const std::wstring& copy,
                      const std::wstring& section, const std::wstring& key, const std::wstring& value) {
    constexpr std::size_t kSectionsComparedWhole = 64;
    ForgetCached(copy);
    std::optional<std::wstring> before = read.SectionNames(path);
    std::optional<std::wstring> after = read.SectionNames(copy);
    if (!before || !after) return false;
    std::vector<std::wstring> sections = Names(*before);
    std::vector<std::wstring> expected = sections;
    if (std::none_of(sections.begin(), sections.end(), [&](const auto& name) { return SameName(name, section); })) {
        expected.push_back(section);
    }
    if (Names(*after) != expected) return false;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        bool written = SameName(expected[i], section);
        if (!written && sections.size() > kSectionsComparedWhole && i + 1 != expected.size()) continue;
        std::optional<std::wstring> held = read.Section(expected[i], path);
        std::optional<std::wstring> holds = read.Section(expected[i], copy);
        if (!held || !holds) return false;
        if (written ? !ChangedAtTheKeyOnly(Names(*held), Names(*holds), key) : holds != held) return false;
    }
    return read.Value(section, key, copy) == value;
}

// The attributes a file can be given, of the file being replaced.
DWORD AttributesToKeep(DWORD attributes) {
    constexpr DWORD settable = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                               FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                               FILE_ATTRIBUTE_TEMPORARY;
    if (attributes == INVALID_FILE_ATTRIBUTES) return FILE_ATTRIBUTE_NORMAL;
    return (attributes & settable) != 0 ? attributes & settable : FILE_ATTRIBUTE_NORMAL;
}

}  // namespace

bool ProfileStrings::WritePrivateProfileString(const char* section, const char* key, const std::string& value,
                                               const std::string& path) {
    std::wstring wideSection = Wide(section);
    std::wstring wideKey = Wide(key);
    std::wstring wideValue = Wide(value);
    std::wstring file = Wide(path);
    std::wstring copy = CopyPath(file);
    Remove(copy);

    // A read-only file, or a folder in its place, refuses the write as the
    // profile writer would.
    DWORD attributes = ::GetFileAttributesW(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        return false;
    }
    // Nor does the profile writer touch a file whose key holds the value already.
    ProfileReader read(file);
    if (read.Value(wideSection, wideKey, file) == wideValue) return true;

    // The profile calls take paths of fewer than MAX_PATH characters.
    switch (copy.size() < MAX_PATH ? MakeCopy(file, copy) : Copied::NoNewFileHere) {
    case Copied::NoNewFileHere:
        // A folder that takes no new files may still let its file be
        // written: in place then, as the profile writer does.
        return ::WritePrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), wideValue.c_str(),
                                            file.c_str()) != FALSE;
    case Copied::No: Remove(copy); return false;
    case Copied::Yes: break;
    }

    bool whole = ::WritePrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), wideValue.c_str(),
                                              copy.c_str()) != FALSE &&
                 CopyHoldsTheFile(read, file, copy, wideSection, wideKey, wideValue);
    if (whole) {
        KernelHandle written(OpenFile(copy, GENERIC_WRITE, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
        whole = written.Get() && ::FlushFileBuffers(written.Get()) &&
                ::SetFileAttributesW(copy.c_str(), AttributesToKeep(attributes));
    }
    // ReplaceFileW keeps the file's attributes, security and streams; it is
    // refused where there is no file yet, and on some file systems.
    bool replaced = whole && (::ReplaceFileW(file.c_str(), copy.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                             nullptr, nullptr) ||
                              ::MoveFileExW(copy.c_str(), file.c_str(),
                                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    // Removed unless it is all that is left: ReplaceFileW that fails late has
    // already taken the file away.
    if (!replaced && (!whole || attributes == INVALID_FILE_ATTRIBUTES ||
                      ::GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES)) {
        Remove(copy);
    }
    return replaced;
}

// Opened as the profile reader opens it. A file held by another program with
// no sharing refuses with a sharing or lock violation; anything else (no
// file, a folder in its place) is no lock, and the reader deals with it.
bool ProfileStrings::WaitUntilReadable(const std::string& path, int waitMs) {
    constexpr DWORD kRetryMs = 100;
    std::wstring file = Wide(path);
    ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(std::max(waitMs, 0));
    for (;;) {
        KernelHandle opened(OpenFile(file, GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
        DWORD error = ::GetLastError();
        if (opened.Get() || (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION)) return true;
        if (::GetTickCount64() >= deadline) return false;
        ::Sleep(kRetryMs);
    }
}

}  // namespace platform::win32
