#include "platform/fake/ProfileText.h"

#include <cctype>
#include <vector>

namespace platform::fake {

namespace {

struct Line {
    std::size_t begin;  // offset of the line in the text
    std::size_t end;    // offset of its line break (or the text's end)
    std::size_t next;   // offset of the following line
};

std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            lines.push_back({pos, text.size(), text.size()});
            break;
        }
        std::size_t next = end + 1;
        if (text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
        lines.push_back({pos, end, next});
        pos = next;
    }
    return lines;
}

std::string_view Trim(std::string_view s) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// "[name]" gives name; anything else, "[name" without its bracket included,
// gives nothing.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    std::size_t close = line.rfind(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

struct Entry {
    std::string_view key;
    std::string_view value;
};

std::optional<Entry> KeyLine(std::string_view line) {
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    return Entry{Trim(line.substr(0, equals)), Trim(line.substr(equals + 1))};
}

// Where a section's lines run: [first, last) in lines, header excluded.
struct SectionSpan {
    std::size_t header;
    std::size_t first;
    std::size_t last;
};

std::optional<SectionSpan> FindSection(std::string_view text, const std::vector<Line>& lines,
                                       std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto name = SectionName(text.substr(lines[i].begin, lines[i].end - lines[i].begin));
        if (!name || !SameName(*name, section)) continue;
        std::size_t j = i + 1;
        while (j < lines.size() && !SectionName(text.substr(lines[j].begin, lines[j].end - lines[j].begin))) ++j;
        return SectionSpan{i, i + 1, j};
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> ProfileGet(std::string_view text, std::string_view section, std::string_view key) {
    auto lines = SplitLines(text);
    auto span = FindSection(text, lines, section);
    if (!span) return std::nullopt;
    for (std::size_t i = span->first; i < span->last; ++i) {
        auto entry = KeyLine(text.substr(lines[i].begin, lines[i].end - lines[i].begin));
        if (!entry || !SameName(entry->key, key)) continue;
        std::string_view value = entry->value;
        // A value wholly in matching quotes is read without them.
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return std::string(value);
    }
    return std::nullopt;
}

std::string ProfileSet(std::string_view text, std::string_view section, std::string_view key,
                       std::string_view value) {
    std::string line = std::string(key) + "=" + std::string(value);
    auto lines = SplitLines(text);
    auto span = FindSection(text, lines, section);
    std::string out(text);
    if (!span) {
        if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += "\r\n";
        out += "[" + std::string(section) + "]\r\n" + line + "\r\n";
        return out;
    }
    for (std::size_t i = span->first; i < span->last; ++i) {
        auto entry = KeyLine(text.substr(lines[i].begin, lines[i].end - lines[i].begin));
        if (!entry || !SameName(entry->key, key)) continue;
        // Keep the key as it was spelt; replace the rest of the line.
        std::string kept = std::string(entry->key) + "=" + std::string(value);
        out.replace(lines[i].begin, lines[i].end - lines[i].begin, kept);
        return out;
    }
    // After the section's last non-blank line.
    std::size_t after = span->header;
    for (std::size_t i = span->first; i < span->last; ++i) {
        if (!Trim(text.substr(lines[i].begin, lines[i].end - lines[i].begin)).empty()) after = i;
    }
    std::size_t at = lines[after].next;
    bool endsWithBreak = lines[after].end != lines[after].next;
    out.insert(at, endsWithBreak ? line + "\r\n" : "\r\n" + line);
    return out;
}

}  // namespace platform::fake
