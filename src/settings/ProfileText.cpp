#include "settings/ProfileText.h"

#include <cstddef>

namespace settings {

namespace {

enum class Encoding { SingleByte, Utf8, Utf16Le, Utf16Be };

// The file as text units: the byte-order mark before them and, of a UTF-16
// file of an odd length, the last byte after them, both kept as they were.
struct Text {
    Encoding encoding = Encoding::SingleByte;
    std::string_view mark;
    std::u16string units;
    std::string_view rest;
};

bool StartsWith(std::string_view bytes, std::string_view prefix) { return bytes.substr(0, prefix.size()) == prefix; }

Text Decode(std::string_view bytes) {
    Text text;
    if (StartsWith(bytes, "\xEF\xBB\xBF")) {
        text.encoding = Encoding::Utf8;
    } else if (StartsWith(bytes, "\xFF\xFE")) {
        text.encoding = Encoding::Utf16Le;
    } else if (StartsWith(bytes, "\xFE\xFF")) {
        text.encoding = Encoding::Utf16Be;
    }
    auto byte = [&](std::size_t at) { return static_cast<char16_t>(static_cast<unsigned char>(bytes[at])); };
    switch (text.encoding) {
    case Encoding::SingleByte:
    case Encoding::Utf8:
        text.mark = bytes.substr(0, text.encoding == Encoding::Utf8 ? 3 : 0);
        for (std::size_t i = text.mark.size(); i < bytes.size(); ++i) text.units += byte(i);
        break;
    case Encoding::Utf16Le:
    case Encoding::Utf16Be: {
        bool little = text.encoding == Encoding::Utf16Le;
        text.mark = bytes.substr(0, 2);
        std::size_t end = 2 + (bytes.size() - 2) / 2 * 2;
        for (std::size_t i = 2; i < end; i += 2) {
            text.units += little ? static_cast<char16_t>(byte(i) | byte(i + 1) << 8)
                                 : static_cast<char16_t>(byte(i) << 8 | byte(i + 1));
        }
        text.rest = bytes.substr(end);
        break;
    }
    }
    return text;
}

std::string Encode(const Text& text, std::u16string_view units) {
    std::string bytes(text.mark);
    for (char16_t unit : units) {
        auto low = static_cast<char>(unit & 0xFF);
        auto high = static_cast<char>(unit >> 8);
        switch (text.encoding) {
        case Encoding::SingleByte:
        case Encoding::Utf8: bytes += low; break;
        case Encoding::Utf16Le: bytes += low, bytes += high; break;
        case Encoding::Utf16Be: bytes += high, bytes += low; break;
        }
    }
    bytes += text.rest;
    return bytes;
}

std::u16string Widen(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

struct Line {
    std::size_t begin;  // offset of the line in the text
    std::size_t end;    // offset of its line break (or the text's end)
    std::size_t next;   // offset of the following line
};

bool IsBreak(char16_t c) { return c == u'\r' || c == u'\n'; }

std::vector<Line> SplitLines(std::u16string_view text) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = pos;
        while (end < text.size() && !IsBreak(text[end])) ++end;
        std::size_t next = end == text.size() ? end : end + 1;
        if (next < text.size() && text[end] == u'\r' && text[next] == u'\n') ++next;
        lines.push_back({pos, end, next});
        pos = next;
    }
    return lines;
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == u'\r' || c == u'\n' || c == 0x1A;
}

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Names and values are handed on as NUL-terminated texts.
std::u16string_view UpToNul(std::u16string_view s) { return s.substr(0, s.find(u'\0')); }

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SameName(std::u16string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

std::u16string_view LineText(std::u16string_view text, const Line& line) {
    return text.substr(line.begin, line.end - line.begin);
}

// "[name]" gives name, up to the line's last bracket; "[name" is no header.
std::optional<std::u16string_view> SectionName(std::u16string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != u'[') return std::nullopt;
    std::size_t close = line.rfind(u']');
    if (close == std::u16string_view::npos) return std::nullopt;
    return Trim(UpToNul(line.substr(1, close - 1)));
}

struct Entry {
    std::u16string_view key;
    std::optional<std::u16string_view> value;  // none: a line without "="
    std::size_t equals;                        // offset of the "=" in the line
};

Entry KeyLine(std::u16string_view line) {
    std::size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos) return {UpToNul(Trim(line)), std::nullopt, equals};
    return {UpToNul(Trim(line.substr(0, equals))), Trim(line.substr(equals + 1)), equals};
}

// Where the first section of that name runs: [first, last) in lines.
struct SectionSpan {
    std::size_t header;
    std::size_t first;
    std::size_t last;
};

std::optional<SectionSpan> FindSection(std::u16string_view text, const std::vector<Line>& lines,
                                       std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto name = SectionName(LineText(text, lines[i]));
        if (!name || !SameName(*name, section)) continue;
        std::size_t j = i + 1;
        while (j < lines.size() && !SectionName(LineText(text, lines[j]))) ++j;
        return SectionSpan{i, i + 1, j};
    }
    return std::nullopt;
}

// The first line of the section that names the key, if any.
std::optional<std::size_t> FindKey(std::u16string_view text, const std::vector<Line>& lines, const SectionSpan& span,
                                   std::string_view key) {
    for (std::size_t i = span.first; i < span.last; ++i) {
        if (SameName(KeyLine(LineText(text, lines[i])).key, key)) return i;
    }
    return std::nullopt;
}

// The file's own line break, from its first line that has one.
std::u16string_view FileBreak(std::u16string_view text, const std::vector<Line>& lines) {
    for (const Line& line : lines) {
        if (line.next > line.end) return text.substr(line.end, line.next - line.end);
    }
    return u"\r\n";
}

std::u16string SetOne(std::u16string_view text, std::string_view section, std::string_view key,
                      std::string_view value) {
    std::u16string line = Widen(key) + u"=" + Widen(value);
    std::vector<Line> lines = SplitLines(text);
    std::u16string out(text);
    std::u16string br(FileBreak(text, lines));
    auto span = FindSection(text, lines, section);
    if (!span) {
        if (!out.empty() && !IsBreak(out.back())) out += br;
        out.append(1, u'[').append(Widen(section)).append(1, u']').append(br).append(line).append(br);
        return out;
    }
    if (auto at = FindKey(text, lines, *span, key)) {
        const Line& found = lines[*at];
        Entry entry = KeyLine(LineText(text, found));
        // What stands up to the "=" stays as the user spelt it.
        std::size_t from = entry.value ? found.begin + entry.equals + 1 : found.begin;
        out.replace(from, found.end - from, entry.value ? Widen(value) : line);
        return out;
    }
    std::size_t after = span->header;
    for (std::size_t i = span->first; i < span->last; ++i) {
        if (!Trim(LineText(text, lines[i])).empty()) after = i;
    }
    const Line& last = lines[after];
    if (last.next > last.end) {
        out.insert(last.next, line + std::u16string(text.substr(last.end, last.next - last.end)));
    } else {
        out.insert(last.next, br + line);
    }
    return out;
}

}  // namespace

std::optional<std::u16string> ProfileGet(std::string_view file, std::string_view section, std::string_view key) {
    Text text = Decode(file);
    std::vector<Line> lines = SplitLines(text.units);
    auto span = FindSection(text.units, lines, section);
    if (!span) return std::nullopt;
    auto at = FindKey(text.units, lines, *span, key);
    if (!at) return std::nullopt;
    std::optional<std::u16string_view> value = KeyLine(LineText(text.units, lines[*at])).value;
    if (!value) return std::nullopt;
    std::u16string_view stored = UpToNul(*value);
    if (stored.size() >= 2 && (stored.front() == u'"' || stored.front() == u'\'') && stored.back() == stored.front()) {
        stored = stored.substr(1, stored.size() - 2);
    }
    return std::u16string(stored);
}

std::string ProfileSet(std::string_view file, std::string_view section, const std::vector<KeyValue>& values) {
    Text text = Decode(file);
    std::u16string units = text.units;
    for (const auto& [key, value] : values) units = SetOne(units, section, key, value);
    return Encode(text, units);
}

}  // namespace settings
