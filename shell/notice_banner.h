#pragma once
#include <string>

namespace vp::shell {

// A notice as a notification server shows it: the cause in the summary (what
// a one-line banner shows), the rest in the body. The summary is the first
// sentence of the first notice; when that is all there is, the body repeats it.
struct NoticeBanner {
  std::string summary;
  std::string body;
};
NoticeBanner SplitNoticeForBanner(const std::string& text);

// The body for a server that reads it as markup ("body-markup"): &, < and >
// as entities, so a folder named "a&b<i>x" arrives as it is named.
std::string EscapeNoticeMarkup(const std::string& text);

}  // namespace vp::shell
