#include "platform/text.h"

#include <iconv.h>

#include <cerrno>

namespace vp::platform {

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

std::optional<std::string> SystemCp932ToUtf8(std::string_view cp932) { return Convert("UTF-8", "CP932", cp932); }

std::optional<std::string> SystemUtf8ToCp932(std::string_view utf8) { return Convert("CP932", "UTF-8", utf8); }

}  // namespace vp::platform
