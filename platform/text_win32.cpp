#include "platform/text.h"

#include "platform/win32_strings.h"

namespace vp::platform {

std::optional<std::string> SystemCp932ToUtf8(std::string_view cp932) {
  if (cp932.empty()) return std::string();
  const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, cp932.data(), static_cast<int>(cp932.size()), nullptr, 0);
  if (n <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, cp932.data(), static_cast<int>(cp932.size()), wide.data(), n);
  return Narrow(wide);
}

std::optional<std::string> SystemUtf8ToCp932(std::string_view utf8) {
  if (utf8.empty()) return std::string();
  const std::wstring wide = Wide(utf8);
  // No best fit: a character without its own code is refused, never
  // replaced by a look-alike or by the default "?".
  BOOL lossy = FALSE;
  const int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                    nullptr, &lossy);
  if (n <= 0 || lossy) return std::nullopt;
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, &lossy);
  return out;
}

}  // namespace vp::platform
