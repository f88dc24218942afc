#include <gtest/gtest.h>

#include "shell/notice_banner.h"

namespace vp::shell {
namespace {

TEST(NoticeBanner, TheCauseIsTheSummaryAndThePathsComeAfterTheAdvice) {
  NoticeBanner b = SplitNoticeForBanner(
      "起動履歴ファイル「/home/a/TALLYDAT」を読めませんでした。ファイルの持ち主と権限を確かめて下さい。");
  EXPECT_EQ(b.summary, "起動履歴ファイルを読めませんでした。");
  EXPECT_EQ(b.body, "ファイルの持ち主と権限を確かめて下さい。\n/home/a/TALLYDAT");
  // A quote that is not a path stays; a single sentence is its own body.
  b = SplitNoticeForBanner("設定画面の「機能」を開いて下さい。");
  EXPECT_EQ(b.summary, "設定画面の「機能」を開いて下さい。");
  EXPECT_EQ(b.body, b.summary);
  // A first line with no full stop ends the summary; the lines after are the body.
  b = SplitNoticeForBanner("ディスクの空きがありません\n空きを増やして下さい。");
  EXPECT_EQ(b.summary, "ディスクの空きがありません");
  EXPECT_EQ(b.body, "空きを増やして下さい。");
  // Too long a first sentence: cut on a character boundary, all of it in the body.
  const std::string longText = std::string(200, 'x') + "あ。";
  b = SplitNoticeForBanner(longText);
  EXPECT_LE(b.summary.size(), 120u);
  EXPECT_EQ(b.body, longText);
  std::string japanese;
  for (int i = 0; i < 50; ++i) japanese += "あ";
  b = SplitNoticeForBanner(japanese);
  EXPECT_EQ(b.summary.size() % 3, 0u);  // never half a character
}

TEST(NoticeBanner, MarkupIsEscapedForServersThatReadIt) {
  EXPECT_EQ(EscapeNoticeMarkup("「/home/a&b<i>x」"), "「/home/a&amp;b&lt;i&gt;x」");
  EXPECT_EQ(EscapeNoticeMarkup("普通の文"), "普通の文");
}

}  // namespace
}  // namespace vp::shell
