#pragma once

// The settings file's kernel32 calls, one each, on paths in the \\?\ form,
// so that any path Windows takes (up to 32,767 characters) reaches them.

#include <windows.h>

#include "platform/INI_32.h"

namespace platform::win32 {

class FileCalls final : public INI_32 {
public:
    FileError OpenRead(const std::string& path, FileHandle& file) override;
    FileError OpenWrite(const std::string& path, FileHandle& file) override;
    FileError CreateNew(const std::string& path, FileHandle& file) override;
    FileError ReadAll(FileHandle file, std::string& bytes) override;
    FileError WriteAt(FileHandle file, std::uint64_t offset, std::string_view bytes) override;
    FileError Flush(FileHandle file) override;
    void Close(FileHandle file) override;
    FileError Replace(const std::string& path, const std::string& copy) override;
    FileError Remove(const std::string& path) override;
    FileInfo Attributes(const std::string& path) override;
    FileError SetAttributes(const std::string& path, std::uint32_t attributes) override;
    FileError FinalPath(FileHandle file, std::string& final) override;
    std::vector<std::string> List(const std::string& folder, const std::string& prefix) override;
    std::uint32_t ProcessId() override;
    bool ProcessRunning(std::uint32_t id) override;
    std::uint64_t Milliseconds() override;
    void Sleep(int ms) override;
};

}  // namespace platform::win32
