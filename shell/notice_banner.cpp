#include "shell/notice_banner.h"

#include <algorithm>

namespace vp::shell {

namespace {
// Beyond this a banner cuts the summary anyway; the whole text stays in the body.
constexpr std::size_t kLongestSummaryBytes = 120;
const std::string kFullStop = "。";
const std::string kOpenQuote = "「", kCloseQuote = "」";
}  // namespace

NoticeBanner SplitNoticeForBanner(const std::string& text) {
  NoticeBanner banner;
  const std::size_t stop = text.find(kFullStop);
  const std::size_t line = text.find('\n');
  std::size_t end = std::min(stop == std::string::npos ? text.size() : stop + kFullStop.size(), line);
  if (end > kLongestSummaryBytes || end == 0) {
    // Too long or empty to stand alone: the summary is the whole first line
    // cut short at a character boundary, and the body keeps everything.
    end = std::min({text.size(), line, kLongestSummaryBytes});
    while (end > 0 && end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    banner.summary = text.substr(0, end);
    banner.body = text;
    return banner;
  }
  // The cause without the paths it names: those come after the advice.
  std::string summary = text.substr(0, end), paths;
  for (std::size_t open = summary.find(kOpenQuote); open != std::string::npos; open = summary.find(kOpenQuote, open)) {
    const std::size_t close = summary.find(kCloseQuote, open);
    if (close == std::string::npos) break;
    const std::string quoted = summary.substr(open + kOpenQuote.size(), close - open - kOpenQuote.size());
    if (quoted.find('/') == std::string::npos) {
      open = close;
      continue;
    }
    paths += "\n" + quoted;
    summary.erase(open, close + kCloseQuote.size() - open);
  }
  banner.summary = summary;
  std::size_t rest = end;
  while (rest < text.size() && (text[rest] == '\n' || text[rest] == ' ')) ++rest;
  banner.body = rest < text.size() ? text.substr(rest) : summary;
  banner.body += paths;
  return banner;
}

std::string EscapeNoticeMarkup(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace vp::shell
