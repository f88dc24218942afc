#include "platform/wine_registry.h"

#include "base/ascii.h"
#include "platform/reg_file.h"
#include "platform/text.h"

namespace vp::platform {
namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";

// A quoted string at the start of s, unescaped; s advances past it.
std::optional<std::string> ReadQuoted(std::string_view& s) {
  if (s.empty() || s.front() != '"') return std::nullopt;
  for (std::size_t i = 1; i < s.size(); ++i) {
    if (s[i] == '\\') {
      ++i;
      continue;
    }
    if (s[i] == '"') {
      auto value = UnescapeWineString(s.substr(1, i - 1));
      s.remove_prefix(i + 1);
      return value;
    }
  }
  return std::nullopt;
}

// hex(1):/hex(2): data, UTF-16LE bytes "41,00,42,00,00,00" up to a terminating NUL.
std::optional<std::string> HexUtf16(std::string_view data) {
  std::string bytes;
  int high = -1;
  for (char c : data) {
    if (c == ',' || c == ' ' || c == '\t') continue;
    const int d = HexDigitValue(c);
    if (d < 0) return std::nullopt;
    if (high < 0) {
      high = d;
    } else {
      bytes.push_back(static_cast<char>(high * 16 + d));
      high = -1;
    }
  }
  if (high >= 0 || bytes.size() % 2 != 0) return std::nullopt;
  auto text = Utf16LeToUtf8(bytes);
  if (!text) return std::nullopt;
  if (auto nul = text->find('\0'); nul != std::string::npos) text->resize(nul);
  return text;
}

}  // namespace

std::optional<std::string> UnescapeWineString(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\') {
      out.push_back(s[i]);
      continue;
    }
    if (++i >= s.size()) return std::nullopt;
    switch (const char c = s[i]) {
      case 'a': out.push_back('\a'); break;
      case 'b': out.push_back('\b'); break;
      case 'e': out.push_back('\x1B'); break;
      case 'f': out.push_back('\f'); break;
      case 'n': out.push_back('\n'); break;
      case 'r': out.push_back('\r'); break;
      case 't': out.push_back('\t'); break;
      case 'v': out.push_back('\v'); break;
      case 'x': {
        char32_t v = 0;
        int digits = 0;
        while (digits < 4 && i + 1 < s.size() && HexDigitValue(s[i + 1]) >= 0) v = v * 16 + static_cast<char32_t>(HexDigitValue(s[++i])), ++digits;
        if (digits == 0) return std::nullopt;
        AppendUtf8(out, v);
        break;
      }
      default:
        if (c >= '0' && c <= '7') {
          char32_t v = static_cast<char32_t>(c - '0');
          for (int k = 0; k < 2 && i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '7'; ++k) v = v * 8 + static_cast<char32_t>(s[++i] - '0');
          AppendUtf8(out, v);
        } else {
          out.push_back(c);  // "\\", "\"" and any other character stand for themselves
        }
    }
  }
  return out;
}

std::optional<std::string> WineRegistryString(std::string_view text, const std::vector<std::string>& keys,
                                              std::string_view name) {
  std::string_view first = text.substr(0, text.find('\n'));
  while (!first.empty() && first.back() == '\r') first.remove_suffix(1);
  if (first != kHeader) return std::nullopt;
  std::vector<std::string> wanted;
  for (const auto& k : keys) wanted.push_back(AsciiLowered(k));
  const std::string valueName = AsciiLowered(name);

  // Only the sections of the wanted keys are parsed: system.reg holds tens of
  // thousands of keys.
  std::vector<std::optional<std::string>> found(keys.size());
  int current = -1;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      current = -1;
      const auto close = line.rfind(']');
      if (close == std::string_view::npos) continue;
      const auto keyName = UnescapeWineString(line.substr(1, close - 1));
      if (!keyName) continue;
      const std::string folded = AsciiLowered(*keyName);
      for (std::size_t i = 0; i < wanted.size(); ++i)
        if (folded == wanted[i]) current = static_cast<int>(i);
      continue;
    }
    if (current < 0) continue;
    std::string_view rest = line;
    std::string thisName;
    if (rest.front() == '@') {
      rest.remove_prefix(1);
    } else {
      auto quoted = ReadQuoted(rest);
      if (!quoted) continue;
      thisName = *quoted;
    }
    if (AsciiLowered(thisName) != valueName || rest.empty() || rest.front() != '=') continue;
    rest.remove_prefix(1);
    std::optional<std::string> value;
    if (!rest.empty() && rest.front() == '"') {
      value = ReadQuoted(rest);
    } else if (rest.substr(0, 7) == "str(2):" || rest.substr(0, 7) == "str(1):") {
      rest.remove_prefix(7);
      value = ReadQuoted(rest);
    } else if (rest.substr(0, 7) == "hex(1):" || rest.substr(0, 7) == "hex(2):") {
      std::string data(rest.substr(7));
      // Continued on the following lines after a trailing backslash.
      while (!data.empty() && data.back() == '\\' && pos < text.size()) {
        data.pop_back();
        end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        data += std::string(text.substr(pos, end - pos));
        while (!data.empty() && (data.back() == '\r' || data.back() == ' ')) data.pop_back();
        pos = end + 1;
      }
      value = HexUtf16(data);
    }
    if (value && !found[static_cast<std::size_t>(current)]) found[static_cast<std::size_t>(current)] = value;
  }
  for (auto& f : found)
    if (f) return f;
  return std::nullopt;
}

}  // namespace vp::platform
