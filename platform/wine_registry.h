#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vp::platform {

// Reads string values out of Wine's text registry (system.reg of a prefix):
// "WINE REGISTRY Version 2", keys relative to HKEY_LOCAL_MACHINE written with
// doubled backslashes and a time stamp, "#" lines, values as in .reg files,
// str(2): strings and hex(1)/hex(2) data as UTF-16LE bytes. Read only.
//
// The string value `name` of the first of `keys` that has it (key paths with
// single backslashes, compared without regard to ASCII case); nothing when
// the text is no Wine registry or none of the keys has the value as a string.
std::optional<std::string> WineRegistryString(std::string_view text, const std::vector<std::string>& keys,
                                              std::string_view name);

// Undoes Wine's escapes in a key or value name or a string ("\\", "\"",
// "\n", "\x30b2", octal); nothing when the text is broken.
std::optional<std::string> UnescapeWineString(std::string_view escaped);

}  // namespace vp::platform
