// The decoder's file calls on both systems: a new file beside the target,
// a finished one put in place over the last voice, names in Japanese.
#include <gtest/gtest.h>

#include <cstdio>

#include "ogog_files.h"
#include "platform/files.h"
#include "test_support.h"

namespace {

TEST(OgogFiles, AFinishedVoiceReplacesTheLastOneAndLeavesNothingElse) {
  vp::test::TempDir dir;
  const std::string wav = dir / "声の0001.wav";
  for (const char* content : {"first", "second"}) {
    std::string temp;
    std::FILE* out = ogog::CreateUniqueBeside(wav, temp);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(vp::platform::FolderOf(temp), dir.path());
    EXPECT_TRUE(vp::platform::IsTemporaryFileName(vp::platform::NameOf(temp))) << temp;
    std::fputs(content, out);
    ASSERT_EQ(std::fclose(out), 0);
    ASSERT_TRUE(ogog::ReplaceWith(temp, wav)) << content;  // the second over the first
    EXPECT_EQ(vp::test::ReadFile(wav), content);
  }
  EXPECT_EQ(vp::platform::FindFiles(dir.path(), "*").size(), 1u);
  std::FILE* in = ogog::OpenForReading(wav);
  ASSERT_NE(in, nullptr);
  char read[8] = {};
  EXPECT_EQ(std::fread(read, 1, sizeof read, in), 6u);
  std::fclose(in);
  EXPECT_EQ(ogog::OpenForReading(dir / "missing.ogg"), nullptr);
}

TEST(OgogFiles, ANameThatCannotBeTakenLeavesNoTemporary) {
  vp::test::TempDir dir;
  std::string temp;
  std::FILE* out = ogog::CreateUniqueBeside(dir / "0001.wav", temp);
  ASSERT_NE(out, nullptr);
  std::fclose(out);
  ASSERT_TRUE(vp::platform::CreateFolders(dir / "folder.wav"));
  EXPECT_FALSE(ogog::ReplaceWith(temp, dir / "folder.wav"));  // a folder under the voice's name
  EXPECT_TRUE(vp::platform::FindFiles(dir.path(), ".vptmp-*").empty());
  EXPECT_EQ(ogog::CreateUniqueBeside(dir / "no/such/0001.wav", temp), nullptr);
}

}  // namespace
