#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>

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

// An append that ends exactly at the cap is taken, one byte more is not; a
// last line left without its end is ended first; links and folders are not ours.
TEST(Files, AppendsUpToTheCapAndOnlyToPlainFiles) {
  TempDir dir;
  const std::string log = dir / "log";
  EXPECT_EQ(AppendToFile(log, "abc\n", 8), AppendStatus::Ok);
  EXPECT_EQ(AppendToFile(log, "defg\n", 8), AppendStatus::Full);
  EXPECT_EQ(AppendToFile(log, "def\n", 8), AppendStatus::Ok);
  EXPECT_EQ(test::ReadFile(log), "abc\ndef\n");
  test::WriteFile(log, "cut");
  EXPECT_EQ(AppendToFile(log, "next\n", 100), AppendStatus::Ok);
  EXPECT_EQ(test::ReadFile(log), "cut\nnext\n");
  test::WriteFile(dir / "target", "precious");
  ASSERT_EQ(symlink((dir / "target").c_str(), (dir / "link").c_str()), 0);
  EXPECT_EQ(AppendToFile(dir / "link", "x\n", 100), AppendStatus::NotRegular);
  EXPECT_EQ(test::ReadFile(dir / "target"), "precious");
  CreateFolders(dir / "folder");
  EXPECT_EQ(AppendToFile(dir / "folder", "x\n", 100), AppendStatus::NotRegular);
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

TEST(Files, AtomicReplaceReplacesALinkNeverWritingThroughIt) {
  TempDir dir;
  WriteFile(dir / "target", "old");
  ASSERT_EQ(symlink((dir / "target").c_str(), (dir / "link").c_str()), 0);
  ASSERT_TRUE(ReplaceFileAtomically(dir / "link", "new"));
  EXPECT_TRUE(IsPlainRegularFile(dir / "link"));
  EXPECT_EQ(test::ReadFile(dir / "link"), "new");
  EXPECT_EQ(test::ReadFile(dir / "target"), "old");
  // A dangling link to a file that does not exist yet: nothing is created there.
  ASSERT_EQ(symlink((dir / "planted").c_str(), (dir / "dangling").c_str()), 0);
  ASSERT_TRUE(ReplaceFileAtomically(dir / "dangling", "x"));
  EXPECT_FALSE(FileExists(dir / "planted"));
}

TEST(Files, ReadOnlyFilesAndFifosAreLeftAloneAndNeverBlock) {
  TempDir dir;
  WriteFile(dir / "ro", "keep");
  chmod((dir / "ro").c_str(), 0444);
  EXPECT_EQ(WriteFileReplacing(dir / "ro", "x").status, WriteStatus::ReadOnly);
  EXPECT_EQ(test::ReadFile(dir / "ro"), "keep");
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  FileKind kind = FileKind::Regular;
  EXPECT_FALSE(ReadWholeFile(dir / "fifo", 100, &kind));
  EXPECT_EQ(kind, FileKind::NotRegular);
  EXPECT_FALSE(ReadFileStart(dir / "fifo", 64));
  EXPECT_EQ(WriteFileReplacing(dir / "fifo", "x").status, WriteStatus::NotRegular);
  EXPECT_TRUE(FindFiles(dir.path(), ".vptmp-*").empty());
}

TEST(Files, StaleTemporaryFilesOfDeadRunsAreRemoved) {
  TempDir dir;
  // A process id that cannot be running, one that is (ours), and an old file.
  WriteFile(dir / ".vptmp-999999999-1-aa", "dead");
  const std::string live = ".vptmp-" + std::to_string(getpid()) + "-1-bb";
  WriteFile(dir / live, "live");
  WriteFile(dir / ".vptmp-1-1-cc", "old");
  struct timespec old[2] = {{1000, 0}, {1000, 0}};
  utimensat(AT_FDCWD, (dir / ".vptmp-1-1-cc").c_str(), old, 0);
  WriteFile(dir / "TALLYDAT", "mine");
  // Ours, and a live run's, stay however far off a FAT clock puts them.
  struct timespec skewed[2] = {{std::time(nullptr) - 9 * 3600, 0}, {std::time(nullptr) - 9 * 3600, 0}};
  utimensat(AT_FDCWD, (dir / live).c_str(), skewed, 0);
  const std::string init = ".vptmp-1-2-dd";
  WriteFile(dir / init, "live");
  utimensat(AT_FDCWD, (dir / init).c_str(), skewed, 0);
  EXPECT_EQ(RemoveStaleTemporaryFiles(dir.path()), 2);
  EXPECT_TRUE(FileExists(dir / live));
  EXPECT_TRUE(FileExists(dir / init));
  EXPECT_TRUE(FileExists(dir / "TALLYDAT"));
}

TEST(Files, AtomicReplaceFailsInMissingFolderOrOverFolder) {
  TempDir dir;
  EXPECT_FALSE(ReplaceFileAtomically(dir / "no/such/file", "x"));
  EXPECT_FALSE(ReplaceFileAtomically(dir.path(), "x"));
  EXPECT_FALSE(ReplaceFileAtomically("", "x"));
}

TEST(Files, PathsJoinWithOneSeparator) {
  EXPECT_EQ(JoinPath("/a", "x"), "/a/x");
  EXPECT_EQ(JoinPath("/a/", "x"), "/a/x");
  EXPECT_EQ(JoinPath("/", "x"), "/x");
  EXPECT_EQ(JoinPath("", "x"), "x");  // relative stays relative, never "/x"
  EXPECT_EQ(WithoutTrailingSeparator("/a/b//"), "/a/b");
  EXPECT_EQ(WithoutTrailingSeparator("/"), "/");
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
