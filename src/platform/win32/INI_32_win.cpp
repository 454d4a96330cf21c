#include "platform/win32/INI_32_win.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/Gdi_win.h"
#include "platform/win32/Text_win.h"

namespace platform::win32 {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A full path in the \\?\ form, which no length limit of the path parser
// reaches; a path in that form already, or a relative one, as it is.
std::wstring Long(const std::string& path) {
    std::wstring wide = Wide(path);
    if (wide.rfind(L"\\\\?\\", 0) == 0) return wide;
    if (wide.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + wide.substr(2);
    if (wide.size() >= 3 && wide[1] == L':' && wide[2] == L'\\') return L"\\\\?\\" + wide;
    return wide;
}

FileError Error(DWORD error = ::GetLastError()) {
    switch (error) {
    case ERROR_SUCCESS: return FileError::None;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return FileError::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return FileError::AccessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return FileError::Held;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return FileError::DiskFull;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return FileError::Exists;
    default: return FileError::Other;
    }
}

FileError Result(BOOL done) { return done ? FileError::None : Error(); }

HANDLE Handle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

FileError Open(const std::string& path, DWORD access, DWORD disposition, DWORD attributes, FileHandle& file) {
    HANDLE opened = ::CreateFileW(Long(path).c_str(), access, kShareAll, nullptr, disposition, attributes, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return Error();
    file = reinterpret_cast<FileHandle>(opened);
    return FileError::None;
}

}  // namespace

FileError FileCalls::OpenRead(const std::string& path, FileHandle& file) {
    return Open(path, GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, file);
}

FileError FileCalls::OpenWrite(const std::string& path, FileHandle& file) {
    return Open(path, GENERIC_WRITE, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, file);
}

FileError FileCalls::CreateNew(const std::string& path, FileHandle& file) {
    return Open(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, file);
}

FileError FileCalls::ReadAll(FileHandle file, std::string& bytes) {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(Handle(file), &size)) return Error();
    // The settings are read whole, and their text is edited in memory a few
    // times over: a file larger than this is not the program's to read.
    constexpr LONGLONG kLargest = 64LL << 20;
    if (size.QuadPart < 0 || size.QuadPart > kLargest) return FileError::Other;
    LARGE_INTEGER start{};
    if (!::SetFilePointerEx(Handle(file), start, nullptr, FILE_BEGIN)) return Error();
    bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        DWORD ask = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        if (!::ReadFile(Handle(file), bytes.data() + done, ask, &read, nullptr)) return Error();
        if (read == 0) break;  // shorter than it was a moment ago
        done += read;
    }
    bytes.resize(done);
    return FileError::None;
}

FileError FileCalls::WriteAt(FileHandle file, std::uint64_t offset, std::string_view bytes) {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(Handle(file), at, nullptr, FILE_BEGIN)) return Error();
    while (!bytes.empty()) {
        DWORD written = 0;
        DWORD ask = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        if (!::WriteFile(Handle(file), bytes.data(), ask, &written, nullptr)) return Error();
        if (written == 0) return FileError::Other;
        bytes.remove_prefix(written);
    }
    return Result(::SetEndOfFile(Handle(file)));
}

FileError FileCalls::Flush(FileHandle file) { return Result(::FlushFileBuffers(Handle(file))); }

void FileCalls::Close(FileHandle file) { ::CloseHandle(Handle(file)); }

// A rename over the file: one step, so a kill at any moment leaves the old
// file or the new one. (ReplaceFileW moves the file aside first; under Wine a
// kill between its steps left no file at all.) The copy already carries the
// file's attributes.
FileError FileCalls::Replace(const std::string& path, const std::string& copy) {
    std::wstring file = Long(path);
    std::wstring from = Long(copy);
    return Result(::MoveFileExW(from.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

FileError FileCalls::Remove(const std::string& path) {
    std::wstring file = Long(path);
    ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    return Result(::DeleteFileW(file.c_str()));
}

FileInfo FileCalls::Attributes(const std::string& path) {
    constexpr DWORD kSettable = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                                FILE_ATTRIBUTE_TEMPORARY;
    DWORD attributes = ::GetFileAttributesW(Long(path).c_str());
    FileInfo info;
    info.keep = FILE_ATTRIBUTE_NORMAL;
    if (attributes == INVALID_FILE_ATTRIBUTES) return info;
    info.exists = true;
    info.directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if ((attributes & kSettable) != 0) info.keep = attributes & kSettable;
    return info;
}

FileError FileCalls::SetAttributes(const std::string& path, std::uint32_t attributes) {
    return Result(::SetFileAttributesW(Long(path).c_str(), attributes));
}

FileError FileCalls::FinalPath(FileHandle file, std::string& final) {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = ::GetFinalPathNameByHandleW(Handle(file), name.data(), static_cast<DWORD>(name.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return Error();
        if (length < name.size()) {
            name.resize(length);
            final = Utf8(name);
            return FileError::None;
        }
        name.resize(length);
    }
}

std::vector<std::string> FileCalls::List(const std::string& folder, const std::string& prefix) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW((Long(folder) + Wide(prefix) + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.push_back(Utf8(found.cFileName));
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
}

std::uint32_t FileCalls::ProcessId() { return ::GetCurrentProcessId(); }

// A process of another user or session may refuse to be opened: it runs.
bool FileCalls::ProcessRunning(std::uint32_t id) {
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, id);
    if (!process) return ::GetLastError() != ERROR_INVALID_PARAMETER;
    bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return running;
}

std::uint64_t FileCalls::Milliseconds() { return ::GetTickCount64(); }

void FileCalls::Sleep(int ms) { ::Sleep(static_cast<DWORD>(ms > 0 ? ms : 0)); }

}  // namespace platform::win32
