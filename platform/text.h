#pragma once
#include <string>
#include <string_view>

namespace vp::platform {

// The length the text would have in code page 932 (Shift-JIS): one byte for
// ASCII and half-width katakana, two for every other character. Texts are UTF-8.
int Cp932Length(std::string_view utf8);

// The text's characters (code points), for code that steps through them.
std::u32string DecodeUtf8(std::string_view utf8);
// Appends one character (code point) as UTF-8.
void AppendUtf8(std::string& out, char32_t c);

}  // namespace vp::platform
