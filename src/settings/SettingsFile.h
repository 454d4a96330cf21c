#pragma once

// Reading the settings file at start-up and saving into it, whole or not at
// all, over the platform's file calls.
//
// A save reads the file, makes its new text, writes that into a hidden copy
// beside the file (".Vo_Clock.ini.<process>-<length>-<CRC-32>.saving"),
// reads the copy back, and only a copy that reads back as written takes the
// file's place, in one step. A symbolic link is followed: its target is the
// file saved into, and the link stays. The copy's name tells which process
// made it and what a whole copy holds, so a copy left by a process that ended
// during a save is known whole or cut: a whole one takes the place of a file
// that is missing or cut short (a prefix of the copy); any other is removed.

#include <string>
#include <vector>

#include "platform/INI_32.h"
#include "settings/ProfileText.h"

namespace settings {

// The values a save is to write: a key set again keeps its place and takes
// the new value.
class PendingSave {
public:
    void Set(const std::string& key, const std::string& value);
    const std::vector<KeyValue>& Values() const { return values_; }
    bool Empty() const { return values_.empty(); }
    void Clear() { values_.clear(); }

private:
    std::vector<KeyValue> values_;
};

struct StoredFile {
    bool read = false;  // false: held by another program all the wait, or unreadable
    std::string bytes;  // empty where there is no file
};

// Waits up to waitMs for a file another program holds, then opens it once and
// reads it whole. A missing file, or a folder in its place, reads as empty.
StoredFile ReadAtStart(platform::INI_32& files, const std::string& path, int waitMs);

// Writes the values in one step. True once the file holds them all (or held
// them already); false where the file is as it was and the save is to be
// tried again.
bool Save(platform::INI_32& files, const std::string& path, const std::vector<KeyValue>& values);

// The name of the copy a save by that process of that text makes.
std::string CopyPath(const std::string& path, std::uint32_t process, const std::string& text);

}  // namespace settings
