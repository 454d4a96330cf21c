#include "settings/SettingsFile.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <utility>

#include "settings/Settings.h"

namespace settings {

using platform::FileError;
using platform::FileHandle;
using platform::INI_32;

namespace {

constexpr char kCopySuffix[] = ".saving";
constexpr int kLockRetryMs = 100;
// The longest path the in-place write is trusted with: where a folder takes
// no new files, a path this long is more likely odd than meant.
constexpr std::size_t kLongPath = 260;

std::uint32_t Crc32(std::string_view bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (char b : bytes) crc = table[(crc ^ static_cast<unsigned char>(b)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::string Hex(std::uint32_t value) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text(8, '0');
    for (int i = 7; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = digits[value & 0xF];
    return text;
}

// The folder part, its separator included, and the name.
std::pair<std::string, std::string> Split(const std::string& path) {
    std::size_t slash = path.find_last_of("\\/");
    std::size_t name = slash == std::string::npos ? 0 : slash + 1;
    return {path.substr(0, name), path.substr(name)};
}

std::string CopyPrefix(const std::string& name) { return "." + name + "."; }

// Characters as Windows counts them (UTF-16 units) of a UTF-8 path.
std::size_t WideLength(const std::string& path) {
    std::size_t units = 0;
    for (char c : path) {
        auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) ++units;
        if (byte >= 0xF0) ++units;
    }
    return units;
}

// Closes the file it holds.
class Open {
public:
    explicit Open(INI_32& files) : files_(files) {}
    Open(const Open&) = delete;
    Open& operator=(const Open&) = delete;
    ~Open() { Close(); }
    FileHandle& Handle() { return handle_; }
    void Close() {
        if (handle_) files_.Close(std::exchange(handle_, 0));
    }

private:
    INI_32& files_;
    FileHandle handle_ = 0;
};

std::optional<std::string> ReadWhole(INI_32& files, const std::string& path) {
    Open file(files);
    std::string bytes;
    if (files.OpenRead(path, file.Handle()) != FileError::None) return std::nullopt;
    if (files.ReadAll(file.Handle(), bytes) != FileError::None) return std::nullopt;
    return bytes;
}

// The file as it stands, opened once and read whole: where it is (a link
// followed to its target) and its bytes.
struct Current {
    FileError opened = FileError::None;
    std::string target;
    std::optional<std::string> bytes;  // none: no file
};

Current ReadCurrent(INI_32& files, const std::string& path, Open& file, FileError opened) {
    Current current{opened, path, std::nullopt};
    if (opened != FileError::None) return current;
    std::string bytes;
    if (files.FinalPath(file.Handle(), current.target) != FileError::None) current.target = path;
    if ((current.opened = files.ReadAll(file.Handle(), bytes)) == FileError::None) current.bytes = std::move(bytes);
    file.Close();
    return current;
}

// What a copy's name says it holds, when it is a copy's name.
struct CopyName {
    std::uint32_t process = 0;
    std::uint64_t length = 0;
    std::string crc;
};

std::optional<CopyName> ParseCopyName(std::string_view entry, std::string_view prefix) {
    if (entry.substr(0, prefix.size()) != prefix) return std::nullopt;
    entry.remove_prefix(prefix.size());
    std::string_view suffix = kCopySuffix;
    if (entry.size() < suffix.size() || entry.substr(entry.size() - suffix.size()) != suffix) return std::nullopt;
    entry.remove_suffix(suffix.size());
    auto number = [&](std::uint64_t& out) {
        std::size_t digits = 0;
        out = 0;
        while (digits < entry.size() && digits < 19 && entry[digits] >= '0' && entry[digits] <= '9') {
            out = out * 10 + static_cast<std::uint64_t>(entry[digits++] - '0');
        }
        entry.remove_prefix(digits);
        bool dash = digits > 0 && !entry.empty() && entry.front() == '-';
        if (dash) entry.remove_prefix(1);
        return dash;
    };
    CopyName name;
    std::uint64_t process = 0;
    if (!number(process) || process > UINT32_MAX || !number(name.length) || entry.size() != 8) return std::nullopt;
    name.process = static_cast<std::uint32_t>(process);
    name.crc = std::string(entry);
    return name;
}

// Copies left beside the file by saves that did not end, this process's own
// or those of processes that have ended: a whole one takes the place of a file
// that is missing or cut short, any other is removed. bytes is the file's
// (none: no file) and becomes what the file then holds.
void Recover(INI_32& files, const std::string& target, std::optional<std::string>& bytes) {
    auto [folder, name] = Split(target);
    std::string prefix = CopyPrefix(name);
    for (const std::string& entry : files.List(folder, prefix)) {
        std::string copy = folder + entry;
        if (entry == prefix + "saving") {  // an older version's copy, which says nothing of itself
            files.Remove(copy);
            continue;
        }
        std::optional<CopyName> parsed = ParseCopyName(entry, prefix);
        if (!parsed) continue;
        if (parsed->process != files.ProcessId() && files.ProcessRunning(parsed->process)) continue;
        std::optional<std::string> held = ReadWhole(files, copy);
        bool whole = held && held->size() == parsed->length && Hex(Crc32(*held)) == parsed->crc;
        bool cut = whole && (!bytes || (bytes->size() < held->size() && held->compare(0, bytes->size(), *bytes) == 0));
        if (whole && cut && files.Replace(target, copy) == FileError::None) {
            bytes = std::move(held);
            continue;
        }
        files.Remove(copy);
    }
}

bool WriteAll(INI_32& files, FileHandle file, std::uint64_t offset, std::string_view bytes) {
    return files.WriteAt(file, offset, bytes) == FileError::None && files.Flush(file) == FileError::None;
}

// Where the folder takes no new files, the file is written over, from the
// first byte that changes on; a write cut short there leaves it cut.
bool WriteInPlace(INI_32& files, const std::string& target, const std::string& before, const std::string& after) {
    auto differ = std::mismatch(before.begin(), before.end(), after.begin(), after.end());
    auto from = static_cast<std::size_t>(differ.second - after.begin());
    Open file(files);
    if (files.OpenWrite(target, file.Handle()) != FileError::None) return false;
    if (!WriteAll(files, file.Handle(), from, std::string_view(after).substr(from))) return false;
    file.Close();
    return ReadWhole(files, target) == after;
}

}  // namespace

void PendingSave::Set(const std::string& key, const std::string& value) {
    auto same = std::find_if(values_.begin(), values_.end(), [&](const KeyValue& kv) { return kv.first == key; });
    if (same != values_.end()) {
        same->second = value;
    } else {
        values_.emplace_back(key, value);
    }
}

std::string CopyPath(const std::string& path, std::uint32_t process, const std::string& text) {
    auto [folder, name] = Split(path);
    return folder + CopyPrefix(name) + std::to_string(process) + "-" + std::to_string(text.size()) + "-" +
           Hex(Crc32(text)) + kCopySuffix;
}

StoredFile ReadAtStart(INI_32& files, const std::string& path, int waitMs) {
    std::uint64_t deadline = files.Milliseconds() + static_cast<std::uint64_t>(std::max(waitMs, 0));
    Open file(files);
    FileError opened;
    while ((opened = files.OpenRead(path, file.Handle())) == FileError::Held) {
        if (files.Milliseconds() >= deadline) return {};
        files.Sleep(kLockRetryMs);
    }
    Current current = ReadCurrent(files, path, file, opened);
    if (current.opened == FileError::NotFound) {
        current.bytes.reset();
    } else if (current.opened != FileError::None) {
        // Held, or unreadable: the defaults, which are not the user's. A folder
        // in the file's place is refused for good: the defaults, and saves fail.
        return {opened == FileError::AccessDenied && files.Attributes(path).directory, {}};
    }
    Recover(files, current.target, current.bytes);
    return {true, current.bytes.value_or("")};
}

bool Save(INI_32& files, const std::string& path, const std::vector<KeyValue>& values) {
    if (values.empty()) return true;
    Open file(files);
    Current current = ReadCurrent(files, path, file, files.OpenRead(path, file.Handle()));
    if (current.opened != FileError::None && current.opened != FileError::NotFound) return false;
    const std::string& target = current.target;
    std::optional<std::string>& before = current.bytes;
    Recover(files, target, before);
    platform::FileInfo info = files.Attributes(target);
    if (info.directory || info.readOnly) return false;

    std::string after = ProfileSet(before.value_or(""), kSection, values);
    if (before == after) return true;

    std::string copy = CopyPath(target, files.ProcessId(), after);
    Open written(files);
    FileError made = files.CreateNew(copy, written.Handle());
    if (made == FileError::AccessDenied && before && WideLength(path) < kLongPath) {
        return WriteInPlace(files, target, *before, after);
    }
    if (made != FileError::None) return false;
    bool whole = WriteAll(files, written.Handle(), 0, after);
    written.Close();
    whole = whole && ReadWhole(files, copy) == after && files.SetAttributes(copy, info.keep) == FileError::None;
    if (whole && files.Replace(target, copy) == FileError::None) return true;
    // Kept where it is all that is left of the file: a replace that failed
    // late has taken the file away, and the next save or start puts it back.
    if (!whole || !before || files.Attributes(target).exists) files.Remove(copy);
    return false;
}

}  // namespace settings
