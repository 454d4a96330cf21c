#pragma once

// UTF-8 (the program's text) to and from UTF-16 (the wide Windows calls).

#include <string>
#include <string_view>

namespace platform::win32 {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

}  // namespace platform::win32
