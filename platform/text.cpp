#include "platform/text.h"

#include <iconv.h>

#include <cerrno>

namespace vp::platform {

std::u32string DecodeUtf8(std::string_view s) {
  std::u32string out;
  for (std::size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size() + (extra == 0 ? 1 : 0)) {
      out.push_back(0xFFFD);  // a stray byte counts as one unknown character
      ++i;
      continue;
    }
    char32_t cp = extra == 0 ? c : (c & (0x3F >> extra));
    for (int k = 1; k <= extra; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out.push_back(cp);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

int Cp932Length(std::string_view utf8) {
  int bytes = 0;
  for (char32_t cp : DecodeUtf8(utf8)) bytes += (cp < 0x80 || (cp >= 0xFF61 && cp <= 0xFF9F)) ? 1 : 2;
  return bytes;
}

bool IsValidUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    const int extra = (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size()) return false;
    char32_t cp = c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const unsigned char d = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += static_cast<std::size_t>(extra) + 1;
  }
  return true;
}

namespace {

// One whole conversion through the C library; nothing on any invalid or
// unconvertible sequence (iconv's own substitutes are never taken).
std::optional<std::string> Convert(const char* to, const char* from, std::string_view in) {
  iconv_t cd = ::iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(in.size() * 2 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  std::size_t done = 0;
  std::optional<std::string> result;
  for (;;) {
    char* dst = out.data() + done;
    std::size_t dstLeft = out.size() - done;
    const std::size_t r = ::iconv(cd, srcLeft ? &src : nullptr, &srcLeft, &dst, &dstLeft);
    done = out.size() - dstLeft;
    if (r == static_cast<std::size_t>(-1) && errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    // A non-reversible conversion (r > 0) put a substitute in: refuse it.
    if (r == 0 && srcLeft == 0) {
      out.resize(done);
      result = std::move(out);
    }
    break;
  }
  ::iconv_close(cd);
  return result;
}

}  // namespace

std::optional<std::string> Cp932ToUtf8(std::string_view cp932) { return Convert("UTF-8", "CP932", cp932); }

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
  if (!IsValidUtf8(utf8)) return std::nullopt;
  return Convert("CP932", "UTF-8", utf8);
}

}  // namespace vp::platform
