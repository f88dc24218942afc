#include "platform/reg_file.h"

#include <algorithm>
#include <cstdio>

#include "base/ascii.h"
#include "base/error.h"
#include "platform/text.h"

namespace vp::platform {
namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Bom = "\xFF\xFE";

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
    const int d = HexDigitValue(c);
    if (d < 0) return false;
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

// A value line "name"=data or @=data; the reason when it is not one.
const char* ParseValueLine(std::string_view l, std::string& name, RegValue& value) {
  name.clear();
  if (!l.empty() && l.front() == '@') l.remove_prefix(1);
  else if (!ReadQuoted(l, name)) return "bad value name";
  l = TrimLeft(l);
  if (l.empty() || l.front() != '=') return "missing '='";
  if (!ParseData(TrimLeft(l.substr(1)), value)) return "bad value data";
  return nullptr;
}

std::string FormatValue(const std::string& name, const RegValue& value) {
  std::string out = name.empty() ? std::string("@") : Quote(name);
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
  return out;
}

// One logical line: physical lines joined where hex data continues.
struct LogicalLine {
  int number = 0;
  std::string raw;     // as read, '\n' between physical lines, no line ending
  std::string joined;  // continuations joined, for parsing
};

// crlf: lines end in "\r\n" (the first line decides); one '\r' before each
// '\n' then belongs to the line end, and any other stays in the line.
std::vector<LogicalLine> SplitLines(std::string_view text, bool crlf) {
  std::vector<LogicalLine> lines;
  int lineNo = 0;
  bool continuing = false;
  while (!text.empty()) {
    auto end = text.find('\n');
    std::string_view physical = text.substr(0, end);
    if (crlf && !physical.empty() && physical.back() == '\r') physical.remove_suffix(1);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNo;
    std::string_view trimmed = TrimRight(physical);
    // Continued hex data is indented; a line that is not belongs to itself, so
    // a value added after a dangling '\' is never swallowed by it.
    if (continuing && !(physical.size() > 0 && (physical.front() == ' ' || physical.front() == '\t'))) continuing = false;
    if (continuing) {
      LogicalLine& last = lines.back();
      last.raw.append("\n").append(physical);
      last.joined.append(TrimLeft(trimmed));
    } else {
      lines.push_back({lineNo, std::string(physical), std::string(trimmed)});
    }
    std::string& joined = lines.back().joined;
    continuing = !joined.empty() && joined.back() == '\\' && joined.find("=hex") != std::string::npos;
    if (continuing) joined.pop_back();
  }
  return lines;
}

void AppendUtf16(std::string& out, char16_t u) {
  out.push_back(static_cast<char>(u & 0xFF));
  out.push_back(static_cast<char>(u >> 8));
}

}  // namespace

std::optional<std::string> Utf16LeToUtf8(std::string_view bytes) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    char32_t u = static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 3 >= bytes.size()) return std::nullopt;
      char32_t low = static_cast<unsigned char>(bytes[i + 2]) | (static_cast<unsigned char>(bytes[i + 3]) << 8);
      if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
      u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      return std::nullopt;
    }
    AppendUtf8(out, u);
  }
  return out;
}

std::string Utf8ToUtf16Le(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() * 2);
  for (char32_t c : DecodeUtf8(utf8)) {
    if (c >= 0x10000) {
      c -= 0x10000;
      AppendUtf16(out, static_cast<char16_t>(0xD800 + (c >> 10)));
      AppendUtf16(out, static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      AppendUtf16(out, static_cast<char16_t>(c));
    }
  }
  return out;
}

std::string NormalizeKeyPath(std::string_view path) {
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return std::string(path);
}

const RegValue* RegKeyData::Find(std::string_view name) const {
  auto it = index_.find(AsciiLowered(name));
  return it == index_.end() ? nullptr : &entries[it->second].value;
}

void RegKeyData::Set(std::string_view name, RegValue value) {
  std::string folded = AsciiLowered(name);
  if (auto it = index_.find(folded); it != index_.end()) {
    RegEntry& e = entries[it->second];
    e.value = std::move(value);
    e.original.clear();
    return;
  }
  // A new value goes before the blank lines that close the section.
  std::size_t at = entries.size();
  while (at > 0 && entries[at - 1].verbatim && TrimLeft(TrimRight(entries[at - 1].original)).empty()) --at;
  entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(at), RegEntry{std::string(name), std::move(value), {}, false});
  if (at + 1 == entries.size()) {
    index_.emplace(std::move(folded), at);
  } else {
    for (auto& [n, i] : index_)
      if (i >= at) ++i;
    index_.emplace(std::move(folded), at);
  }
}

void RegKeyData::AddVerbatim(std::string text) {
  entries.push_back(RegEntry{{}, {}, std::move(text), true});
}

std::vector<std::pair<std::string, RegValue>> RegKeyData::Values() const {
  std::vector<std::pair<std::string, RegValue>> out;
  for (const auto& e : entries)
    if (!e.verbatim) out.emplace_back(e.name, e.value);
  return out;
}

RegKeyData& RegFile::AddKey(std::string path, std::string headerLine, bool foreign) {
  keys_.push_back(RegKeyData{});
  RegKeyData& key = keys_.back();
  key.path = std::move(path);
  key.headerLine = std::move(headerLine);
  key.foreign = foreign;
  if (!foreign) index_.emplace(AsciiLowered(key.path), keys_.size() - 1);
  return key;
}

const RegKeyData* RegFile::FindKey(std::string_view path) const {
  auto it = index_.find(AsciiLowered(NormalizeKeyPath(path)));
  return it == index_.end() ? nullptr : &keys_[it->second];
}

RegKeyData* RegFile::FindKey(std::string_view path) {
  return const_cast<RegKeyData*>(static_cast<const RegFile*>(this)->FindKey(path));
}

RegKeyData& RegFile::CreateKey(std::string_view path) {
  std::string normalized = NormalizeKeyPath(path);
  for (std::size_t pos = normalized.find('\\'); pos != std::string::npos; pos = normalized.find('\\', pos + 1)) {
    std::string parent = normalized.substr(0, pos);
    if (!FindKey(parent)) AddKey(parent, {}, false).implicitParent = true;
  }
  if (RegKeyData* key = FindKey(normalized)) {
    key->implicitParent = false;
    return *key;
  }
  return AddKey(normalized, {}, false);
}

namespace {

// The file's text as UTF-8, with the encoding it came in: UTF-16LE or UTF-8
// after a byte order mark, else UTF-8, else code page 932 when every line
// comes back byte for byte. Nothing (error: the first line at fault) else.
std::optional<std::string_view> DecodeRegText(std::string_view text, std::string& storage, RegFile::Encoding& encoding,
                                              RegFileIssue* error) {
  encoding = RegFile::Encoding::Utf8;
  if (text.substr(0, 2) == kUtf16Bom) {
    auto utf8 = Utf16LeToUtf8(text.substr(2));
    if (!utf8) {
      if (error) *error = {1, "broken UTF-16 text"};
      return std::nullopt;
    }
    storage = std::move(*utf8);
    encoding = RegFile::Encoding::Utf16Le;
    return std::string_view(storage);
  }
  if (text.substr(0, 3) == kUtf8Bom) {
    encoding = RegFile::Encoding::Utf8Bom;
    return text.substr(3);
  }
  if (IsValidUtf8(text)) return text;
  auto utf8 = Cp932ToUtf8(text);
  // Unchanged lines are written back as they were: refuse a text that
  // would not come back byte for byte.
  const auto back = utf8 ? Utf8ToCp932(*utf8) : std::nullopt;
  if (!back || *back != text) {
    if (error) {
      int line = 1;  // the first line that does not come back: where the fault is
      for (std::size_t start = 0; start < text.size(); ++line) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view one = text.substr(start, end - start);
        const auto converted = Cp932ToUtf8(one);
        if (!converted || Utf8ToCp932(*converted) != std::optional<std::string>(std::string(one))) break;
        start = end + 1;
      }
      *error = {line, "neither UTF-8 nor code page 932 text"};
    }
    return std::nullopt;
  }
  storage = std::move(*utf8);
  encoding = RegFile::Encoding::Cp932;
  return std::string_view(storage);
}

}  // namespace

void RegKeyData::Store(std::string name, RegValue value, std::string raw) {
  std::string folded = AsciiLowered(name);
  if (auto it = index_.find(folded); it != index_.end()) {
    entries[it->second] = RegEntry{std::move(name), std::move(value), std::move(raw), false};  // last one wins
  } else {
    index_.emplace(std::move(folded), entries.size());
    entries.push_back(RegEntry{std::move(name), std::move(value), std::move(raw), false});
  }
}

RegKeyData* RegFile::EnterSection(std::string_view line, const std::string& raw, const char** skipped) {
  std::string_view name = line.size() >= 3 && line.back() == ']' ? line.substr(1, line.size() - 2) : std::string_view();
  const bool ours = !name.empty() && name.front() != '-' &&
                    AsciiLowered(name.substr(0, rootName_.size())) == AsciiLowered(rootName_) &&
                    (name.size() == rootName_.size() || name[rootName_.size()] == '\\');
  if (!ours) {
    // Another root's section or a deletion: kept with its lines, never read.
    *skipped = name.empty() ? "bad key line" : "key of another root";
    return &AddKey({}, raw, true);
  }
  const std::string path = NormalizeKeyPath(name.substr(rootName_.size()));
  RegKeyData* existing = FindKey(path);
  if (existing && !existing->headerLine.empty()) {
    // A second section of one key continues the first, as an import merges them.
    existing->AddVerbatim(raw);
    return existing;
  }
  if (existing) {
    existing->headerLine = raw;  // a parent made for an earlier key appears itself
    return existing;
  }
  RegKeyData& made = CreateKey(path);  // parents first, as the registry has them
  made.headerLine = raw;
  return &made;
}

std::optional<RegFile> RegFile::Parse(std::string_view text, const std::string& rootName, RegFileIssue* error,
                                      std::vector<RegFileIssue>* skipped) {
  RegFile file(rootName);
  std::string storage;
  const auto decoded = DecodeRegText(text, storage, file.encoding_, error);
  if (!decoded) return std::nullopt;
  text = *decoded;
  const auto firstBreak = text.find('\n');
  const bool crlf = firstBreak != std::string_view::npos && firstBreak > 0 && text[firstBreak - 1] == '\r';
  if (crlf) file.newline_ = "\r\n";

  auto skip = [&](const LogicalLine& line, const char* what) {
    if (skipped) skipped->push_back({line.number, what});
  };
  bool sawHeader = false;
  RegKeyData* current = nullptr;
  for (const LogicalLine& line : SplitLines(text, crlf)) {
    std::string_view l = line.joined;
    if (!sawHeader) {
      if (l.empty()) continue;
      if (l != kHeader4 && l != kHeader5) {
        if (error) *error = {line.number, "not a registry export"};
        return std::nullopt;
      }
      file.header_ = std::string(l);
      sawHeader = true;
      continue;
    }
    auto keep = [&] {
      if (current) current->AddVerbatim(line.raw);
      else file.preamble_.push_back(line.raw);
    };
    if (l.empty() || l.front() == ';') {
      keep();
    } else if (l.front() == '[') {
      const char* why = nullptr;
      current = file.EnterSection(l, line.raw, &why);
      if (why) skip(line, why);
    } else if (current == nullptr || current->foreign) {
      if (current == nullptr) skip(line, "value outside a key");
      keep();
    } else {
      std::string valueName;
      RegValue value;
      if (const char* why = ParseValueLine(l, valueName, value)) {
        skip(line, why);
        keep();
      } else {
        current->Store(std::move(valueName), std::move(value), line.raw);
      }
    }
  }
  return file;
}

std::string RegFile::Serialize() const {
  std::string out = header_ + newline_;
  auto line = [&](std::string_view text) {
    for (char c : text) {
      if (c == '\n') out += newline_;
      else out.push_back(c);
    }
    out += newline_;
  };
  for (const auto& raw : preamble_) line(raw);
  for (const auto& key : keys_) {
    if (key.implicitParent && key.headerLine.empty() && key.entries.empty()) continue;  // exists only for its child
    if (key.headerLine.empty()) {
      // A key of our making: a blank line before it unless one is there already.
      if (out.size() < 2 * newline_.size() ||
          out.compare(out.size() - 2 * newline_.size(), 2 * newline_.size(), newline_ + newline_) != 0)
        out += newline_;
      line("[" + rootName_ + (key.path.empty() ? "" : "\\" + key.path) + "]");
    } else {
      line(key.headerLine);
    }
    for (const auto& e : key.entries) line(e.verbatim || !e.original.empty() ? e.original : FormatValue(e.name, e.value));
  }
  switch (encoding_) {
    case Encoding::Utf8: return out;
    case Encoding::Utf8Bom: return std::string(kUtf8Bom) + out;
    case Encoding::Utf16Le: return std::string(kUtf16Bom) + Utf8ToUtf16Le(out);
    case Encoding::Cp932:
      if (auto cp932 = Utf8ToCp932(out)) return std::move(*cp932);
      throw Error("Shift-JIS (コードページ932) で書けない文字が値にあります");
  }
  return out;
}

}  // namespace vp::platform
