#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "platform/files.h"
#include "test_support.h"

namespace vp::platform {
namespace {

using test::TempDir;
using test::WriteFile;

TEST(Files, ExistsMeansRegularFile) {
  TempDir dir;
  WriteFile(dir / "a", "x");
  EXPECT_TRUE(FileExists(dir / "a"));
  EXPECT_FALSE(FileExists(dir.path()));
  EXPECT_FALSE(FileExists(dir / "missing"));
  EXPECT_FALSE(FileExists(""));
  EXPECT_TRUE(DirectoryExists(dir.path()));
}

TEST(Files, ReadsWholeAndLimitedFiles) {
  TempDir dir;
  std::string big(200000, 'q');
  WriteFile(dir / "big", big);
  EXPECT_EQ(ReadWholeFile(dir / "big").value(), big);
  EXPECT_FALSE(ReadWholeFile(dir / "big", 1000).has_value());
  EXPECT_EQ(ReadFileStart(dir / "big", 64).value(), std::string(64, 'q'));
  EXPECT_FALSE(ReadWholeFile(dir.path()).has_value());
  EXPECT_FALSE(ReadFileStart(dir / "missing", 64).has_value());
}

TEST(Files, AtomicReplaceLeavesNoTemporaryAndKeepsMode) {
  TempDir dir;
  WriteFile(dir / "f", "old content");
  chmod((dir / "f").c_str(), 0640);
  ASSERT_TRUE(ReplaceFileAtomically(dir / "f", "new"));
  EXPECT_EQ(test::ReadFile(dir / "f"), "new");
  struct stat st {};
  stat((dir / "f").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(FindFiles(dir.path(), "*").size(), 1u);
}

TEST(Files, AtomicReplaceFollowsSymbolicLinks) {
  TempDir dir;
  WriteFile(dir / "target", "old");
  ASSERT_EQ(symlink((dir / "target").c_str(), (dir / "link").c_str()), 0);
  ASSERT_TRUE(ReplaceFileAtomically(dir / "link", "new"));
  struct stat st {};
  lstat((dir / "link").c_str(), &st);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(test::ReadFile(dir / "target"), "new");
}

TEST(Files, AtomicReplaceFailsInMissingFolderOrOverFolder) {
  TempDir dir;
  EXPECT_FALSE(ReplaceFileAtomically(dir / "no/such/file", "x"));
  EXPECT_FALSE(ReplaceFileAtomically(dir.path(), "x"));
  EXPECT_FALSE(ReplaceFileAtomically("", "x"));
}

TEST(Files, WildcardsIgnoreCase) {
  EXPECT_TRUE(WildcardMatch("*.WAV", "0001.wav"));
  EXPECT_TRUE(WildcardMatch("*.png", "01A.PNG"));
  EXPECT_FALSE(WildcardMatch("*.png", "01A.png.bak"));
  EXPECT_TRUE(WildcardMatch("BV????", "bv0001"));
  EXPECT_FALSE(WildcardMatch("BV????", "bv00011"));
  EXPECT_TRUE(WildcardMatch("*", ""));
  EXPECT_FALSE(WildcardMatch("?", ""));
  // Many stars on a long name must stay fast (no exponential backtracking).
  EXPECT_FALSE(WildcardMatch("*a*a*a*a*a*a*a*a*b", std::string(5000, 'a')));
}

TEST(Files, FindsMatchingFilesOnly) {
  TempDir dir;
  WriteFile(dir / "0001.wav", "");
  WriteFile(dir / "0002.WAV", "");
  WriteFile(dir / "keep.png", "");
  ASSERT_EQ(mkdir((dir / "folder.wav").c_str(), 0755), 0);
  auto found = FindFiles(dir.path(), "*.WAV");
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{"0001.wav", "0002.WAV"}));
  auto entries = ListMatching(dir.path(), "*.wav");
  EXPECT_EQ(entries.size(), 3u);  // folders too
}

TEST(Files, CreatesNestedFolders) {
  TempDir dir;
  EXPECT_TRUE(CreateFolders(dir / "a/b/c"));
  EXPECT_TRUE(DirectoryExists(dir / "a/b/c"));
  EXPECT_TRUE(CreateFolders(dir / "a/b/c"));
}

}  // namespace
}  // namespace vp::platform
