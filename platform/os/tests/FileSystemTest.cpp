#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/os/AtomicFile.h"
#include "platform/os/Catalog.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "platform/os/FileSystem.h"
#include "platform/os/MacStatus.h"
#include "testsupport/TempDir.h"

namespace platform {
namespace {

TEST(MacStatus, ErrnoTable) {
  const struct {
    int err;
    int32_t status;
  } cases[] = {
      {0, 0},        {ENOENT, -43},    {EEXIST, -48},       {ENOSPC, -34},
      {EBUSY, -47},  {ENOTEMPTY, -47}, {EACCES, -5000},     {EPERM, -5000},
      {EROFS, -46},  {EINVAL, -50},    {ENAMETOOLONG, -37}, {EXDEV, -1303},
      {EMFILE, -42}, {EIO, -36},       {ELOOP, -36},
  };
  for (const auto& c : cases) EXPECT_EQ(macStatusFromErrno(c.err), c.status) << c.err;
}

TEST(FileSystemOverride, InstallsAndRestores) {
  IFileSystem* real = &fileSystem();
  FaultInjectingFileSystem outer;
  {
    FileSystemOverride useOuter(outer);
    EXPECT_EQ(&fileSystem(), &outer);
    FaultInjectingFileSystem inner;
    {
      FileSystemOverride useInner(inner);
      EXPECT_EQ(&fileSystem(), &inner);
    }
    EXPECT_EQ(&fileSystem(), &outer);
  }
  EXPECT_EQ(&fileSystem(), real);
}

class FaultInjection : public ::testing::Test {
 protected:
  TempDir dir;
  FaultInjectingFileSystem fs;
};

TEST_F(FaultInjection, FailsOnlyTheNthMatchingCall) {
  fs.failNth(2, ENOSPC, kFsMkdir);
  EXPECT_EQ(fs.mkdir(dir / "a", 0777), 0);
  // Calls of other kinds do not count towards the rule.
  EXPECT_EQ(fs.rmdir(dir / "a"), 0);
  EXPECT_EQ(fs.mkdir(dir / "b", 0777), ENOSPC);
  EXPECT_FALSE(TempDir::exists(dir / "b"));
  EXPECT_EQ(fs.mkdir(dir / "c", 0777), 0);
  EXPECT_EQ(fs.injectedFailures(), 1);
  EXPECT_EQ(fs.callCount(kFsMkdir), 3);
}

TEST_F(FaultInjection, ReadsAreNotCountedAsMutations) {
  TempDir::write(dir / "f", "data");
  fs.failNth(1, EIO);
  int fd = -1;
  ASSERT_EQ(fs.open(dir / "f", O_RDONLY, 0, fd), 0);
  char buf[4];
  size_t got = 0;
  EXPECT_EQ(fs.read(fd, buf, 4, 0, got), 0);
  EXPECT_EQ(got, 4u);
  EXPECT_EQ(fs.close(fd), 0);
  EXPECT_EQ(fs.unlink(dir / "f"), EIO);
  EXPECT_TRUE(TempDir::exists(dir / "f"));
}

TEST_F(FaultInjection, MatchesDescriptorCallsByTheirPath) {
  fs.failPath("target", EIO, kFsWrite);
  int a = -1, b = -1;
  ASSERT_EQ(fs.open(dir / "other", O_WRONLY | O_CREAT, 0644, a), 0);
  ASSERT_EQ(fs.open(dir / "target", O_WRONLY | O_CREAT, 0644, b), 0);
  size_t written = 0;
  EXPECT_EQ(fs.write(a, "x", 1, 0, written), 0);
  EXPECT_EQ(fs.write(b, "x", 1, 0, written), EIO);
  EXPECT_EQ(fs.write(b, "x", 1, 0, written), EIO);  // every later match too
  EXPECT_EQ(fs.close(a), 0);
  EXPECT_EQ(fs.close(b), 0);
  EXPECT_EQ(TempDir::read(dir / "target"), "");
}

TEST_F(FaultInjection, FailedCloseStillReleasesTheDescriptor) {
  fs.failNth(1, EIO, kFsClose);
  int fd = -1;
  ASSERT_EQ(fs.open(dir / "f", O_WRONLY | O_CREAT, 0644, fd), 0);
  EXPECT_EQ(fs.close(fd), EIO);
  EXPECT_EQ(::fcntl(fd, F_GETFD), -1);
}

TEST_F(FaultInjection, RenameMatchesEitherPathAndVolumeCanBeShrunk) {
  TempDir::write(dir / "from", "x");
  fs.failPath("to-here", EXDEV, kFsRename, 1);
  EXPECT_EQ(fs.rename(dir / "from", dir / "to-here", false), EXDEV);
  EXPECT_EQ(fs.rename(dir / "from", dir / "to-here", false), 0);

  fs.setFreeBlocks(3);
  VolumeInfo info;
  ASSERT_EQ(fs.volumeInfo(dir.path(), info), 0);
  EXPECT_EQ(info.freeBlocks, 3u);
  EXPECT_GT(info.blockSize, 0u);
}

TEST_F(FaultInjection, RenameWithoutReplaceRefusesAnExistingTarget) {
  TempDir::write(dir / "a", "a");
  TempDir::write(dir / "b", "b");
  EXPECT_EQ(fs.rename(dir / "a", dir / "b", true), EEXIST);
  EXPECT_EQ(TempDir::read(dir / "b"), "b");
  EXPECT_EQ(fs.rename(dir / "a", dir / "b", false), 0);
  EXPECT_EQ(TempDir::read(dir / "b"), "a");
}

// Making files relative to an open folder: only a new name is made, a link
// of that name is never opened, and the calls are seen and matched by the
// folder's path joined with the name.
TEST_F(FaultInjection, CallsRelativeToAnOpenFolder) {
  TempDir::write(dir / "old", "old");
  ASSERT_EQ(::symlink((dir / "old").c_str(), (dir / "link").c_str()), 0);
  ::mkdir((dir / "sub").c_str(), 0777);
  int folder = -1;
  ASSERT_EQ(fs.open(dir.path(), O_RDONLY | O_DIRECTORY, 0, folder), 0);

  int fd = -1;
  for (const char* taken : {"old", "link", "sub"}) {
    SCOPED_TRACE(taken);
    EXPECT_EQ(fs.createAt(folder, taken, 0644, fd), EEXIST);
  }
  for (const char* bad : {"", ".", "..", "sub/new"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(fs.createAt(folder, bad, 0644, fd), EINVAL);
  }
  EXPECT_EQ(TempDir::read(dir / "old"), "old");
  EXPECT_FALSE(TempDir::exists(dir / "sub/new"));

  struct stat st;
  ASSERT_EQ(fs.statAt(folder, "link", st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(fs.statAt(folder, "none", st), ENOENT);

  fs.failPath(dir / "made", EIO, kFsSetTimes | kFsWrite);
  ASSERT_EQ(fs.createAt(folder, "made", 0644, fd), 0);
  size_t written = 0;
  EXPECT_EQ(fs.write(fd, "x", 1, 0, written), EIO);
  timespec access{0, UTIME_OMIT};
  timespec modification{1000000000, 0};
  EXPECT_EQ(fs.setFileTimes(fd, access, modification), EIO);
  fs.clearRules();
  EXPECT_EQ(fs.setFileTimes(fd, access, modification), 0);
  EXPECT_EQ(fs.close(fd), 0);
  ASSERT_EQ(::stat((dir / "made").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);

  fs.failPath(dir / "refused", ENOSPC, kFsOpenWrite);
  EXPECT_EQ(fs.createAt(folder, "refused", 0644, fd), ENOSPC);
  EXPECT_FALSE(TempDir::exists(dir / "refused"));
  EXPECT_EQ(fs.close(folder), 0);

  bool sawCreate = false;
  for (const FaultInjectingFileSystem::Call& call : fs.calls())
    sawCreate |= call.op == kFsOpenWrite && call.path == dir / "made" && call.result == 0;
  EXPECT_TRUE(sawCreate);
}

class AtomicSave : public FaultInjection {
 protected:
  void SetUp() override {
    target = dir / "config.xml";
    TempDir::write(target, "old");
    ::chmod(target.c_str(), 0640);
  }
  // Only the target may be left: no temporary sibling.
  void expectOnlyTarget() {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      (void)entry;
      ++count;
    }
    EXPECT_EQ(count, 1);
  }
  std::string target;
};

TEST_F(AtomicSave, ReplacesContentKeepingModeAndFinderInfo) {
  uint8_t info[kFinderInfoSize] = {};
  setFinderInfoType(info, 0x54455854);
  ASSERT_EQ(writeFinderInfo(target, info), 0);
  ASSERT_EQ(atomicWriteFile(target, "new content", 11), 0);
  EXPECT_EQ(TempDir::read(target), "new content");
  struct stat st;
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  uint8_t back[kFinderInfoSize];
  ASSERT_EQ(readFinderInfo(target, back), 0);
  EXPECT_EQ(finderInfoType(back), 0x54455854u);
  expectOnlyTarget();
}

TEST_F(AtomicSave, AnyFailedStepLeavesTheOriginal) {
  for (uint32_t op : {kFsOpenWrite, kFsWrite, kFsSync, kFsClose, kFsChmod, kFsRename}) {
    FaultInjectingFileSystem failing;
    FileSystemOverride use(failing);
    failing.failNth(1, ENOSPC, op);
    EXPECT_NE(atomicWriteFile(target, "new", 3), 0) << op;
    EXPECT_EQ(TempDir::read(target), "old") << op;
    expectOnlyTarget();
  }
}

TEST_F(AtomicSave, WriterWithoutCommitRemovesItsTemporaryFile) {
  {
    AtomicFileWriter writer(target);
    ASSERT_EQ(writer.begin(), 0);
    ASSERT_EQ(writer.write("half", 4), 0);
    EXPECT_TRUE(TempDir::exists(writer.tempPath()));
  }
  EXPECT_EQ(TempDir::read(target), "old");
  expectOnlyTarget();
}

TEST_F(AtomicSave, WritesThroughASymbolicLink) {
  ASSERT_EQ(::symlink("config.xml", (dir / "link").c_str()), 0);
  ASSERT_EQ(atomicWriteFile(dir / "link", "via link", 8), 0);
  struct stat st;
  ASSERT_EQ(::lstat((dir / "link").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(TempDir::read(target), "via link");
}

TEST_F(AtomicSave, CreatesAMissingFile) {
  ASSERT_EQ(atomicWriteFile(dir / "fresh", "x", 1), 0);
  EXPECT_EQ(TempDir::read(dir / "fresh"), "x");
  EXPECT_EQ(atomicWriteFile(dir / "missing-folder/fresh", "x", 1), ENOENT);
}

}  // namespace
}  // namespace platform
