#include "platform/win32/Fonts_win.h"

#include <map>

#include "platform/win32/Text_win.h"

namespace platform::win32 {

namespace {

// Proportional Japanese faces in order of preference: the usual Windows ones,
// then those a Linux desktop running the program under Wine usually has.
constexpr const wchar_t* kJapaneseFaces[] = {
    L"ＭＳ Ｐゴシック", L"MS PGothic", L"MS UI Gothic", L"Meiryo UI", L"Yu Gothic UI", L"メイリオ",
    L"IPAPGothic",    L"IPA Pゴシック", L"VL PGothic", L"Noto Sans CJK JP", L"Takao PGothic", L"IPAGothic",
};

// At most LF_FACESIZE - 1 characters and the NUL.
void CopyFace(const std::wstring& face, LOGFONTW& font) {
    std::size_t length = face.copy(font.lfFaceName, LF_FACESIZE - 1);
    font.lfFaceName[length] = L'\0';
}

int CALLBACK FoundFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;  // one is enough
}

bool Installed(HDC dc, const std::wstring& face) {
    if (face.empty() || face.size() >= LF_FACESIZE) return false;
    static std::map<std::wstring, bool> known;
    if (auto it = known.find(face); it != known.end()) return it->second;
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    CopyFace(face, query);
    bool found = false;
    ::EnumFontFamiliesExW(dc, &query, FoundFace, reinterpret_cast<LPARAM>(&found), 0);
    known[face] = found;
    return found;
}

Font Create(const std::wstring& face, int emHeight, int weight, bool italic, int charset) {
    LOGFONTW font{};
    font.lfHeight = -emHeight;
    font.lfWeight = weight;
    font.lfItalic = italic ? TRUE : FALSE;
    font.lfCharSet = static_cast<BYTE>(charset);
    font.lfQuality = CLEARTYPE_QUALITY;
    font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    CopyFace(face, font);
    return Font(::CreateFontIndirectW(&font));
}

}  // namespace

std::wstring ResolveFace(HDC dc, const FontDesc& font) {
    std::wstring wanted = Wide(font.face);
    if (Installed(dc, wanted)) return wanted;
    for (const wchar_t* face : kJapaneseFaces) {
        if (Installed(dc, face)) return face;
    }
    return wanted;  // the font mapper picks the closest it has
}

Font MakeFont(HDC dc, const FontDesc& font, int emHeight) {
    // With a Japanese face the Shift-JIS character set is what it stands for;
    // a fallback face keeps it so the mapper stays on Japanese glyphs.
    return Create(ResolveFace(dc, font), emHeight, font.weight, font.italic, font.charset);
}

Font MakeControlFont(HDC dc, int emHeight) {
    FontDesc ui{.face = "MS UI Gothic", .points = 9, .weight = FW_NORMAL, .italic = false, .charset = SHIFTJIS_CHARSET};
    return MakeFont(dc, ui, emHeight);
}

}  // namespace platform::win32
