#pragma once

// The kernel32 file calls behind the settings file, one call each; what to
// make of a failure is the settings code's (settings/SettingsFile). Paths are
// UTF-8 and may be of any length Windows takes.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class FileError {
    None,
    NotFound,      // no such file or folder
    AccessDenied,  // refused: permissions, a read-only file or folder
    Held,          // another program has it open and shares it with no one
    DiskFull,
    Exists,        // a new file's name is taken
    Other,
};

using FileHandle = std::uintptr_t;  // 0: none

struct FileInfo {
    bool exists = false;
    bool directory = false;
    bool readOnly = false;
    std::uint32_t keep = 0;  // the attributes another file can be given to stand in for it
};

class INI_32 {
public:
    // Opens an existing file to read it, sharing it with writers and deleters.
    virtual FileError OpenRead(const std::string& path, FileHandle& file) = 0;
    // Opens an existing file to write it in place.
    virtual FileError OpenWrite(const std::string& path, FileHandle& file) = 0;
    // Makes a new hidden file to write and read; fails where the name is taken.
    virtual FileError CreateNew(const std::string& path, FileHandle& file) = 0;
    // All of an open file's bytes, from its start.
    virtual FileError ReadAll(FileHandle file, std::string& bytes) = 0;
    // Writes bytes from offset on, and ends the file after them.
    virtual FileError WriteAt(FileHandle file, std::uint64_t offset, std::string_view bytes) = 0;
    // Puts what was written on the disk.
    virtual FileError Flush(FileHandle file) = 0;
    virtual void Close(FileHandle file) = 0;
    // The file at copy takes the place of the one at path (which may be
    // missing) in one step; the replaced file's attributes stay.
    virtual FileError Replace(const std::string& path, const std::string& copy) = 0;
    virtual FileError Remove(const std::string& path) = 0;
    virtual FileInfo Attributes(const std::string& path) = 0;
    virtual FileError SetAttributes(const std::string& path, std::uint32_t attributes) = 0;
    // The path of an open file itself, every link on the way followed.
    virtual FileError FinalPath(FileHandle file, std::string& final) = 0;
    // The names in a folder that begin with prefix.
    virtual std::vector<std::string> List(const std::string& folder, const std::string& prefix) = 0;

    virtual std::uint32_t ProcessId() = 0;
    // False only for a process known to have ended.
    virtual bool ProcessRunning(std::uint32_t id) = 0;
    virtual std::uint64_t Milliseconds() = 0;  // since some fixed moment
    virtual void Sleep(int ms) = 0;

protected:
    ~INI_32() = default;
};

}  // namespace platform
