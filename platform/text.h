#pragma once
#include <optional>
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

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view bytes);

// Code page 932 (what Japanese Windows writes) to UTF-8 and back, as
// Windows maps it (0x5C is the backslash); nothing when a byte sequence or
// a character has no counterpart.
std::optional<std::string> Cp932ToUtf8(std::string_view cp932);
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

// The system's own converters (iconv here, the code page API on Windows),
// which the two above call for every character both systems map alike.
std::optional<std::string> SystemCp932ToUtf8(std::string_view cp932);
std::optional<std::string> SystemUtf8ToCp932(std::string_view utf8);

}  // namespace vp::platform
