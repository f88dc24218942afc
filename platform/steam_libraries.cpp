#include "platform/steam_libraries.h"

#include <optional>

#include "base/ascii.h"

namespace vp::platform {
namespace {

// A VDF token: a quoted string (backslash escapes), a brace, or nothing at the end.
struct Token {
  enum class Kind { String, Open, Close, End } kind = Kind::End;
  std::string text;
};

class Tokens {
 public:
  explicit Tokens(std::string_view text) : text_(text) {}

  Token Next() {
    for (;;) {
      while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
      if (pos_ + 1 < text_.size() && text_[pos_] == '/' && text_[pos_ + 1] == '/') {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
        continue;
      }
      break;
    }
    if (pos_ >= text_.size()) return {};
    const char c = text_[pos_++];
    if (c == '{') return {Token::Kind::Open, {}};
    if (c == '}') return {Token::Kind::Close, {}};
    if (c != '"') {
      pos_ = text_.size();  // not VDF: stop here
      return {};
    }
    Token token{Token::Kind::String, {}};
    while (pos_ < text_.size() && text_[pos_] != '"') {
      char d = text_[pos_++];
      if (d == '\\' && pos_ < text_.size()) {
        const char e = text_[pos_++];
        d = e == 'n' ? '\n' : e == 't' ? '\t' : e;
      }
      token.text.push_back(d);
    }
    if (pos_ >= text_.size()) return {};  // unterminated
    ++pos_;
    return token;
  }

 private:
  static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
  std::string_view text_;
  std::size_t pos_ = 0;
};

bool Digits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

bool EqualsNoCase(const std::string& a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != b[i]) return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> SteamLibraryPaths(std::string_view vdf) {
  std::vector<std::string> paths;
  Tokens tokens(vdf);
  std::optional<std::string> key;  // a key waiting for its value
  int depth = 0;
  for (Token t = tokens.Next(); t.kind != Token::Kind::End; t = tokens.Next()) {
    switch (t.kind) {
      case Token::Kind::Open:
        ++depth;
        key.reset();
        break;
      case Token::Kind::Close:
        if (--depth < 0) return paths;
        key.reset();
        break;
      case Token::Kind::String:
        if (!key) {
          key = std::move(t.text);
          break;
        }
        // "path" inside an entry; a numbered key with a path right below the root in the older format.
        if (!t.text.empty() && t.text.front() == '/' &&
            ((depth == 2 && EqualsNoCase(*key, "path")) || (depth == 1 && Digits(*key))))
          paths.push_back(std::move(t.text));
        key.reset();
        break;
      case Token::Kind::End: break;
    }
  }
  return paths;
}

}  // namespace vp::platform
