#include "platform/reg_file.h"

#include <cstdio>

namespace vp::platform {
namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

// Reads a quoted string at the start of s; advances s past the closing quote.
bool ReadQuoted(std::string_view& s, std::string& out) {
  if (s.empty() || s.front() != '"') return false;
  out.clear();
  for (std::size_t i = 1; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') {
      s.remove_prefix(i + 1);
      return true;
    }
    if (c == '\\') {
      // \n and \r are ours: a line break must not split a value's line.
      if (++i >= s.size()) return false;
      if (s[i] == 'n') c = '\n';
      else if (s[i] == 'r') c = '\r';
      else if (s[i] == '\\' || s[i] == '"') c = s[i];
      else return false;
    }
    out.push_back(c);
  }
  return false;
}

std::string Quote(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else {
      if (c == '\\' || c == '"') out.push_back('\\');
      out.push_back(c);
    }
  }
  out.push_back('"');
  return out;
}

bool ParseDword(std::string_view digits, std::uint32_t& out) {
  if (digits.empty() || digits.size() > 8) return false;
  std::uint32_t v = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    v = v * 16 + static_cast<std::uint32_t>(d);
  }
  out = v;
  return true;
}

bool ParseData(std::string_view data, RegValue& value) {
  if (!data.empty() && data.front() == '"') {
    value.kind = RegValue::Kind::String;
    if (!ReadQuoted(data, value.text)) return false;
    return TrimLeft(data).empty();
  }
  if (data.substr(0, 6) == "dword:") {
    value.kind = RegValue::Kind::Dword;
    return ParseDword(data.substr(6), value.dword);
  }
  if (data.substr(0, 3) == "hex") {
    value.kind = RegValue::Kind::Other;
    value.text = std::string(data);
    return true;
  }
  return false;
}

}  // namespace

std::string NormalizeKeyPath(std::string_view path) {
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return std::string(path);
}

const RegValue* RegKeyData::Find(std::string_view name) const {
  for (const auto& [n, v] : values)
    if (EqualNoCase(n, name)) return &v;
  return nullptr;
}

void RegKeyData::Set(std::string_view name, RegValue value) {
  for (auto& [n, v] : values) {
    if (EqualNoCase(n, name)) {
      v = std::move(value);
      return;
    }
  }
  values.emplace_back(std::string(name), std::move(value));
}

const RegKeyData* RegFile::FindKey(std::string_view path) const {
  for (const auto& key : keys_)
    if (EqualNoCase(key.path, path)) return &key;
  return nullptr;
}

RegKeyData* RegFile::FindKey(std::string_view path) {
  return const_cast<RegKeyData*>(static_cast<const RegFile*>(this)->FindKey(path));
}

RegKeyData& RegFile::CreateKey(std::string_view path) {
  std::string normalized = NormalizeKeyPath(path);
  for (std::size_t pos = normalized.find('\\'); pos != std::string::npos;
       pos = normalized.find('\\', pos + 1)) {
    std::string parent = normalized.substr(0, pos);
    if (!FindKey(parent)) keys_.push_back(RegKeyData{parent, {}});
  }
  if (RegKeyData* key = FindKey(normalized)) return *key;
  keys_.push_back(RegKeyData{normalized, {}});
  return keys_.back();
}

std::optional<RegFile> RegFile::Parse(std::string_view text, const std::string& rootName,
                                      std::string* error) {
  RegFile file(rootName);
  auto fail = [&](int line, const char* what) -> std::optional<RegFile> {
    if (error) *error = "line " + std::to_string(line) + ": " + what;
    return std::nullopt;
  };
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);

  // Join continuation lines (a trailing backslash outside a string, as in hex data).
  std::vector<std::pair<int, std::string>> lines;
  int lineNo = 0;
  bool continuing = false;
  while (!text.empty()) {
    auto end = text.find('\n');
    std::string_view raw = TrimRight(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNo;
    std::string_view piece = continuing ? TrimLeft(raw) : raw;
    if (continuing) lines.back().second.append(piece);
    else lines.emplace_back(lineNo, std::string(piece));
    std::string& last = lines.back().second;
    continuing = !last.empty() && last.back() == '\\' && last.find('=') != std::string::npos &&
                 last.find("=hex") != std::string::npos;
    if (continuing) last.pop_back();
  }

  bool sawHeader = false;
  RegKeyData* current = nullptr;
  for (const auto& [no, line] : lines) {
    std::string_view l = line;
    if (!sawHeader) {
      if (l.empty()) continue;
      if (l != kHeader4 && l != kHeader5) return fail(no, "not a registry export");
      sawHeader = true;
      continue;
    }
    if (l.empty() || l.front() == ';') continue;
    if (l.front() == '[') {
      if (l.back() != ']' || l.size() < 3 || l[1] == '-') return fail(no, "bad key line");
      std::string_view name = l.substr(1, l.size() - 2);
      if (!EqualNoCase(name.substr(0, rootName.size()), rootName)) return fail(no, "key of another root");
      name.remove_prefix(rootName.size());
      if (!name.empty() && name.front() != '\\') return fail(no, "key of another root");
      current = &file.CreateKey(name);
      continue;
    }
    if (current == nullptr) return fail(no, "value outside a key");
    std::string valueName;
    if (l.front() == '@') {
      l.remove_prefix(1);
    } else if (!ReadQuoted(l, valueName)) {
      return fail(no, "bad value name");
    }
    l = TrimLeft(l);
    if (l.empty() || l.front() != '=') return fail(no, "missing '='");
    RegValue value;
    if (!ParseData(TrimLeft(l.substr(1)), value)) return fail(no, "bad value data");
    current->Set(valueName, std::move(value));
  }
  if (!sawHeader && lineNo > 0) {
    // A file of blank lines is as good as an empty one.
    for (const auto& [no, line] : lines)
      if (!line.empty()) return fail(no, "not a registry export");
  }
  return file;
}

std::string RegFile::Serialize() const {
  std::string out(kHeader4);
  out += "\n";
  for (const auto& key : keys_) {
    out += "\n[" + rootName_ + (key.path.empty() ? "" : "\\" + key.path) + "]\n";
    for (const auto& [name, value] : key.values) {
      out += name.empty() ? std::string("@") : Quote(name);
      out += "=";
      switch (value.kind) {
        case RegValue::Kind::Dword: {
          char hex[16];
          std::snprintf(hex, sizeof hex, "%08x", value.dword);
          out += "dword:";
          out += hex;
          break;
        }
        case RegValue::Kind::String: out += Quote(value.text); break;
        case RegValue::Kind::Other: out += value.text; break;
      }
      out += "\n";
    }
  }
  return out;
}

}  // namespace vp::platform
