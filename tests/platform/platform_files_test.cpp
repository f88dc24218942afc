#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <thread>

#include "platform/executable.h"
#include "platform/files.h"
#include "platform/path_lock.h"
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
  CreateFolders(dir / "folder");
  EXPECT_EQ(AppendToFile(dir / "folder", "x\n", 100), AppendStatus::NotRegular);
  if (!test::MakeSymlink(dir / "target", dir / "link")) GTEST_SKIP() << "no symbolic links here";
  EXPECT_EQ(AppendToFile(dir / "link", "x\n", 100), AppendStatus::NotRegular);
  EXPECT_EQ(test::ReadFile(dir / "target"), "precious");
}

TEST(Files, AtomicReplaceLeavesNoTemporaryAndKeepsMode) {
  TempDir dir;
  WriteFile(dir / "f", "old content");
  test::SetMode(dir / "f", 0640);
  ASSERT_TRUE(ReplaceFileAtomically(dir / "f", "new"));
  EXPECT_EQ(test::ReadFile(dir / "f"), "new");
  ASSERT_TRUE(ReplaceFileAtomically(dir / "f", "newer"));  // a second replace: the name is taken now
  EXPECT_EQ(test::ReadFile(dir / "f"), "newer");
  if (const auto mode = test::PermissionBits(dir / "f")) {  // Windows: no modes
    EXPECT_EQ(*mode & 0777, 0640);
  }
  EXPECT_EQ(FindFiles(dir.path(), "*").size(), 1u);
}

// While one writer replaces the file again and again, a reader sees the old
// content or the new one whole, never a mix, a short file or none at all.
TEST(Files, ReadersSeeTheOldOrTheNewContentNeverHalfOfEither) {
  TempDir dir;
  const std::string file = dir / "TALLYDAT";
  const std::string a(4096, 'a'), b(8192, 'b');
  ASSERT_TRUE(ReplaceFileAtomically(file, a));
  std::atomic<bool> writing{true};
  std::thread writer([&] {
    for (int i = 0; i < 100; ++i) ReplaceFileAtomically(file, i % 2 ? a : b);
    writing = false;
  });
  int reads = 0, torn = 0;
  while (writing) {
    const auto seen = ReadWholeFile(file);
    ++reads;
    if (!seen || (*seen != a && *seen != b)) ++torn;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  writer.join();
  EXPECT_EQ(torn, 0) << "of " << reads << " reads";
  EXPECT_TRUE(FindFiles(dir.path(), ".vptmp-*").empty());
}

TEST(Files, AtomicReplaceReplacesALinkNeverWritingThroughIt) {
  TempDir dir;
  WriteFile(dir / "target", "old");
  if (!test::MakeSymlink(dir / "target", dir / "link")) GTEST_SKIP() << "no symbolic links here";
  ASSERT_TRUE(ReplaceFileAtomically(dir / "link", "new"));
  EXPECT_TRUE(IsPlainRegularFile(dir / "link"));
  EXPECT_EQ(test::ReadFile(dir / "link"), "new");
  EXPECT_EQ(test::ReadFile(dir / "target"), "old");
  // A dangling link to a file that does not exist yet: nothing is created there.
  ASSERT_TRUE(test::MakeSymlink(dir / "planted", dir / "dangling"));
  ASSERT_TRUE(ReplaceFileAtomically(dir / "dangling", "x"));
  EXPECT_FALSE(FileExists(dir / "planted"));
}

TEST(Files, ReadOnlyFilesAndFifosAreLeftAloneAndNeverBlock) {
  TempDir dir;
  WriteFile(dir / "ro", "keep");
  test::SetMode(dir / "ro", 0444);
  EXPECT_EQ(WriteFileReplacing(dir / "ro", "x").status, WriteStatus::ReadOnly);
  EXPECT_EQ(test::ReadFile(dir / "ro"), "keep");
  EXPECT_EQ(WriteFileReplacing(dir.path(), "x").status, WriteStatus::NotRegular);
  if (!test::MakeFifo(dir / "fifo")) GTEST_SKIP() << "no FIFOs on Windows";
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
  const std::string live = ".vptmp-" + std::to_string(ProcessId()) + "-1-bb";
  WriteFile(dir / live, "live");
  WriteFile(dir / ".vptmp-1-1-cc", "old");
  ASSERT_TRUE(test::SetChangeTime(dir / ".vptmp-1-1-cc", 1000));
  WriteFile(dir / "TALLYDAT", "mine");
  // Ours, and a live run's, stay however far off a FAT clock puts them.
  ASSERT_TRUE(test::SetChangeTime(dir / live, std::time(nullptr) - 9 * 3600));
  // Another process that runs: init here, the first one found on Windows.
  long other = 1;
  while (other < 100000 && (other == ProcessId() || !ProcessRunning(other))) ++other;
  const std::string init = ".vptmp-" + std::to_string(other) + "-2-dd";
  WriteFile(dir / init, "live");
  ASSERT_TRUE(test::SetChangeTime(dir / init, std::time(nullptr) - 9 * 3600));
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
  const std::string sep(1, kPathSeparator);
  EXPECT_EQ(JoinPath("/a", "x"), "/a" + sep + "x");
  EXPECT_EQ(JoinPath("/a/", "x"), "/a/x");
  EXPECT_EQ(JoinPath("/", "x"), "/x");
  EXPECT_EQ(JoinPath("", "x"), "x");  // relative stays relative, never "/x"
  EXPECT_EQ(WithoutTrailingSeparator("/a/b//"), "/a/b");
  EXPECT_EQ(WithoutTrailingSeparator("/"), "/");
  EXPECT_EQ(FolderOf("/a/b/c"), "/a/b");
  EXPECT_EQ(FolderOf("c"), ".");
  EXPECT_EQ(FolderOf("/c"), "/");
  EXPECT_EQ(NameOf("/a/b/c"), "c");
  EXPECT_EQ(NameOf("c"), "c");
  EXPECT_EQ(NameOf("/a/"), "");
}

#if defined(_WIN32)
// Windows paths: both separators, drive roots kept whole, drive-relative
// and UNC names told apart.
TEST(Files, WindowsPathsKeepTheirDriveAndReadBothSeparators) {
  EXPECT_EQ(FolderOf("C:\\Games\\VP\\vp.exe"), "C:\\Games\\VP");
  EXPECT_EQ(FolderOf("C:\\vp.exe"), "C:\\");
  EXPECT_EQ(FolderOf("C:/Games/vp.exe"), "C:/Games");
  EXPECT_EQ(NameOf("C:\\Games/VP\\vp.exe"), "vp.exe");
  EXPECT_EQ(WithoutTrailingSeparator("C:\\"), "C:\\");
  EXPECT_EQ(WithoutTrailingSeparator("C:\\Games\\\\"), "C:\\Games");
  EXPECT_EQ(JoinPath("C:\\Games", "VP"), "C:\\Games\\VP");
  EXPECT_TRUE(IsAbsolutePath("C:\\Games"));
  EXPECT_TRUE(IsAbsolutePath("\\\\server\\share"));
  EXPECT_FALSE(IsAbsolutePath("C:Games"));
  EXPECT_FALSE(IsAbsolutePath("Games\\VP"));
  EXPECT_EQ(FindPathNoCase("C:\\Games", "HD/fa0000R.aif"), "C:\\Games\\HD\\fa0000R.aif");
}
#endif

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
  ASSERT_TRUE(test::MakeFolder(dir / "folder.wav"));
  auto found = FindFiles(dir.path(), "*.WAV");
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{"0001.wav", "0002.WAV"}));
  auto entries = ListMatching(dir.path(), "*.wav");
  EXPECT_EQ(entries.size(), 3u);  // folders too
}

// A lock another process holds is refused within the wait, and free once
// that process is gone; the folder's lock and a file's are two locks.
TEST(PathLock, ALockAnotherProcessHoldsIsRefusedUntilItEnds) {
  TempDir dir;
  const std::string file = dir / "TALLYDAT";
  const std::string holder = ExecutableFolder() + "vp-lock-holder" + (kPathSeparator == '\\' ? ".exe" : "");
  for (const char* on : {"folder", "file"}) {
    const auto mode = std::string(on) == "folder" ? PathLock::On::Folder : PathLock::On::LockFile;
    std::string command = "\"" + holder + "\" \"" + file + "\" " + on + " 1500";
    if (kPathSeparator == '\\') command = "\"" + command + "\"";  // cmd.exe takes the outer quotes off
    FILE* other = popen(command.c_str(), "r");
    ASSERT_NE(other, nullptr);
    char said[16] = {};
    ASSERT_NE(std::fgets(said, sizeof said, other), nullptr) << on;
    EXPECT_STREQ(said, "held\n") << on;
    const auto asked = std::chrono::steady_clock::now();
    PathLock refused(file, mode, std::chrono::milliseconds(100));
    EXPECT_EQ(refused.state(), PathLock::State::TimedOut) << on;
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(1000)) << on;
    PathLock other_kind(file, mode == PathLock::On::Folder ? PathLock::On::LockFile : PathLock::On::Folder,
                        std::chrono::milliseconds(0));
    EXPECT_TRUE(other_kind.held()) << on;
    EXPECT_EQ(pclose(other), 0) << on;
    PathLock free(file, mode, std::chrono::milliseconds(0));
    EXPECT_TRUE(free.held()) << on;
  }
}

TEST(Files, CreatesNestedFolders) {
  TempDir dir;
  EXPECT_TRUE(CreateFolders(dir / "a/b/c"));
  EXPECT_TRUE(DirectoryExists(dir / "a/b/c"));
  EXPECT_TRUE(CreateFolders(dir / "a/b/c"));
}

}  // namespace
}  // namespace vp::platform
