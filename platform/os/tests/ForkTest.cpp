#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "platform/os/AppleDouble.h"
#include "platform/os/Catalog.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "platform/os/FileRef.h"
#include "platform/os/Fork.h"
#include "platform/os/MacStatus.h"
#include "testsupport/TempDir.h"

namespace platform {
namespace {

class ForkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file = dir / "file";
    TempDir::write(file, "0123456789");
  }
  std::unique_ptr<Fork> open(Fork::Kind kind, bool write, int32_t expected = noErr) {
    FSRef ref;
    EXPECT_EQ(resolvePath(file, ref), noErr);
    std::unique_ptr<Fork> fork;
    EXPECT_EQ(Fork::open(ref, kind, write, fork), expected);
    return fork;
  }
  std::string readAll(Fork& fork) {
    std::string out(64, '\0');
    uint32_t got = 0;
    EXPECT_EQ(fork.setPosition(0), noErr);
    // Reading to the end reports eofErr with what there was.
    const int32_t status = fork.read(out.data(), static_cast<uint32_t>(out.size()), got);
    EXPECT_TRUE(status == noErr || status == eofErr) << status;
    out.resize(got);
    return out;
  }
  TempDir dir;
  std::string file;
};

TEST_F(ForkTest, DataForkReadReportsEndWithTheBytesDelivered) {
  auto fork = open(Fork::Kind::Data, false);
  ASSERT_TRUE(fork);
  char buf[8];
  uint32_t got = 0;
  ASSERT_EQ(fork->setPosition(7), noErr);
  EXPECT_EQ(fork->read(buf, 8, got), eofErr);
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(std::string(buf, 3), "789");
  EXPECT_EQ(fork->read(buf, 8, got), eofErr);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(fork->setPosition(-1), posErr);
  EXPECT_EQ(fork->movePosition(-11), posErr);
  EXPECT_EQ(fork->write("x", 1), wrPermErr);
}

TEST_F(ForkTest, DataForkWritesAndResizes) {
  auto fork = open(Fork::Kind::Data, true);
  ASSERT_TRUE(fork);
  ASSERT_EQ(fork->setPosition(8), noErr);
  ASSERT_EQ(fork->write("abcd", 4), noErr);
  int64_t size = 0;
  ASSERT_EQ(fork->getSize(size), noErr);
  EXPECT_EQ(size, 12);
  ASSERT_EQ(fork->setSize(5), noErr);
  EXPECT_EQ(fork->position(), 5);
  ASSERT_EQ(fork->close(), noErr);
  EXPECT_EQ(TempDir::read(file), "01234");
}

TEST_F(ForkTest, ResourceForkRoundTripMakesSidecarOnlyWhenNonEmpty) {
  {
    auto fork = open(Fork::Kind::Resource, true);
    ASSERT_TRUE(fork);
    EXPECT_FALSE(TempDir::exists(dir / "._file"));  // nothing written yet
    ASSERT_EQ(fork->close(), noErr);
    EXPECT_FALSE(TempDir::exists(dir / "._file"));
  }
  {
    auto fork = open(Fork::Kind::Resource, true);
    ASSERT_EQ(fork->write("resource bytes", 14), noErr);
    ASSERT_EQ(fork->close(), noErr);
  }
  EXPECT_TRUE(hasSidecar(file));
  EXPECT_EQ(TempDir::read(file), "0123456789");  // the data fork is untouched
  {
    auto fork = open(Fork::Kind::Resource, false);
    int64_t size = 0;
    ASSERT_EQ(fork->getSize(size), noErr);
    EXPECT_EQ(size, 14);
    EXPECT_EQ(readAll(*fork), "resource bytes");
  }
  CatalogInfo info;
  FSRef ref;
  ASSERT_EQ(resolvePath(file, ref), noErr);
  ASSERT_EQ(getCatalogInfo(ref, info), noErr);
  EXPECT_EQ(info.rsrcLogicalSize, 14u);
  {
    // Emptying the fork removes the sidecar when it is closed.
    auto fork = open(Fork::Kind::Resource, true);
    ASSERT_EQ(fork->setSize(0), noErr);
    ASSERT_EQ(fork->close(), noErr);
  }
  EXPECT_FALSE(TempDir::exists(dir / "._file"));
}

TEST_F(ForkTest, ResourceForkOverwriteInPlaceKeepsLength) {
  {
    auto fork = open(Fork::Kind::Resource, true);
    ASSERT_EQ(fork->write("abcdef", 6), noErr);
  }
  {
    auto fork = open(Fork::Kind::Resource, true);
    ASSERT_EQ(fork->setPosition(2), noErr);
    ASSERT_EQ(fork->write("XY", 2), noErr);
    int64_t size = 0;
    EXPECT_EQ(fork->getSize(size), noErr);
    EXPECT_EQ(size, 6);
  }
  auto fork = open(Fork::Kind::Resource, false);
  EXPECT_EQ(readAll(*fork), "abXYef");
}

TEST_F(ForkTest, ForeignSidecarIsReadAndRewrittenBeforeAWrite) {
  // Finder info entry first, the fork in the middle, padding after it.
  std::string sidecar;
  auto be32 = [&](uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) sidecar += static_cast<char>((v >> s) & 0xFF);
  };
  be32(kAppleDoubleMagic);
  be32(kAppleDoubleVersion);
  sidecar += std::string(16, ' ');
  sidecar += std::string("\0\2", 2);
  be32(9);
  be32(50);
  be32(32);
  be32(2);
  be32(82);
  be32(3);
  sidecar += std::string(32, '\0');
  sidecar += "RSC";
  sidecar += "padding";
  TempDir::write(dir / "._file", sidecar);

  {
    auto fork = open(Fork::Kind::Resource, false);
    EXPECT_EQ(readAll(*fork), "RSC");
  }
  {
    auto fork = open(Fork::Kind::Resource, true);
    ASSERT_TRUE(fork);
    ASSERT_EQ(fork->setPosition(3), noErr);
    ASSERT_EQ(fork->write("+more", 5), noErr);
  }
  auto fork = open(Fork::Kind::Resource, false);
  EXPECT_EQ(readAll(*fork), "RSC+more");
  EXPECT_EQ(TempDir::read(dir / "._file").size(), kAppleDoubleForkOffset + 8);
}

TEST_F(ForkTest, DamagedSidecarsAreHandledSafely) {
  // An entry pointing past the end of the file: read as an empty fork.
  std::string header(kAppleDoubleForkOffset, '\0');
  const auto valid = appleDoubleHeader(1000);
  header.assign(valid.begin(), valid.end());
  TempDir::write(dir / "._file", header + "short");
  {
    auto fork = open(Fork::Kind::Resource, false);
    ASSERT_TRUE(fork);
    int64_t size = -1;
    EXPECT_EQ(fork->getSize(size), noErr);
    EXPECT_EQ(size, 0);
  }
  // An ordinary file named like a sidecar is never overwritten.
  TempDir::write(dir / "._file", "my notes");
  open(Fork::Kind::Resource, true, dupFNErr);
  EXPECT_EQ(TempDir::read(dir / "._file"), "my notes");
  auto fork = open(Fork::Kind::Resource, false);
  ASSERT_TRUE(fork);
  EXPECT_EQ(readAll(*fork), "");
}

TEST_F(ForkTest, NamesAndFolders) {
  FSRef ref;
  ASSERT_EQ(resolvePath(file, ref), noErr);
  std::unique_ptr<Fork> fork;
  HFSUniStr255 other;
  other.length = 1;
  other.unicode[0] = u'x';
  EXPECT_EQ(Fork::open(ref, other, false, fork), errFSForkNotFound);
  EXPECT_EQ(Fork::open(ref, resourceForkName(), false, fork), noErr);
  EXPECT_EQ(fork->kind(), Fork::Kind::Resource);
  EXPECT_EQ(Fork::open(ref, dataForkName(), false, fork), noErr);
  EXPECT_EQ(fork->kind(), Fork::Kind::Data);
  FSRef folder;
  ASSERT_EQ(resolvePath(dir.path(), folder), noErr);
  EXPECT_EQ(Fork::open(folder, Fork::Kind::Data, false, fork), notAFileErr);
  ::unlink(file.c_str());
  EXPECT_EQ(Fork::open(ref, Fork::Kind::Data, false, fork), fnfErr);
}

// A fork made new in an open folder: written, dated and made durable like
// any other; an existing item of the name (a link too) is refused untouched.
TEST_F(ForkTest, CreateNewMakesOnlyANewFile) {
  ASSERT_EQ(::symlink(file.c_str(), (dir / "link").c_str()), 0);
  const int folder = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(folder, 0);
  std::unique_ptr<Fork> fork;
  EXPECT_EQ(Fork::createNew(folder, dir.path(), "file", fork), dupFNErr);
  EXPECT_EQ(Fork::createNew(folder, dir.path(), "link", fork), dupFNErr);
  EXPECT_EQ(Fork::createNew(folder, dir.path(), "..", fork), bdNamErr);
  EXPECT_FALSE(fork);
  EXPECT_EQ(TempDir::read(file), "0123456789");

  FaultInjectingFileSystem fs;
  FileSystemOverride use(fs);
  DeferredSync durable;
  ASSERT_EQ(Fork::createNew(folder, dir.path(), "new", fork), noErr);
  ASSERT_EQ(fork->write("abc", 3), noErr);
  ASSERT_EQ(fork->flush(), noErr);
  ASSERT_EQ(fork->setModificationTime(timespec{1000000000, 0}), noErr);
  EXPECT_EQ(fork->close(), noErr);
  EXPECT_EQ(TempDir::read(dir / "new"), "abc");
  struct stat st;
  ASSERT_EQ(::stat((dir / "new").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
  fs.failPath(dir / "new", EIO, kFsSync);
  EXPECT_EQ(durable.commit(), macStatusFromErrno(EIO));
  ::close(folder);
}

TEST_F(ForkTest, FailedSidecarCreationLeavesNoSidecar) {
  FaultInjectingFileSystem fs;
  FileSystemOverride use(fs);
  fs.failPath("._file", ENOSPC, kFsWrite, 1);
  auto fork = open(Fork::Kind::Resource, true);
  EXPECT_EQ(fork->write("abc", 3), dskFulErr);
  EXPECT_EQ(fork->close(), noErr);
  EXPECT_FALSE(TempDir::exists(dir / "._file"));
}

}  // namespace
}  // namespace platform

namespace platform {
namespace {

// In a deferred scope a flush writes but does not wait for the disk; the
// commit syncs each flushed file and its folder once, and reports the first
// failure.
TEST_F(ForkTest, DeferredSyncMakesFlushedFilesDurableAtCommit) {
  FaultInjectingFileSystem fs;
  FileSystemOverride use(fs);
  {
    DeferredSync durable;
    for (int round = 0; round < 2; ++round) {
      std::unique_ptr<Fork> fork = open(Fork::Kind::Data, true);
      ASSERT_EQ(fork->write("abc", 3), noErr);
      ASSERT_EQ(fork->flush(), noErr);
      {
        DeferredSync nested;  // the outer scope commits
        ASSERT_EQ(fork->flush(), noErr);
        EXPECT_EQ(nested.commit(), noErr);
      }
    }
    EXPECT_EQ(fs.callCount(kFsSync), 0);
    EXPECT_EQ(readAll(*open(Fork::Kind::Data, false)), "abc3456789");
    EXPECT_EQ(durable.commit(), noErr);
    EXPECT_EQ(fs.callCount(kFsSync), 2);  // the file, then its folder
    EXPECT_EQ(durable.commit(), noErr);   // nothing new to sync
    EXPECT_EQ(fs.callCount(kFsSync), 2);
  }
  {
    DeferredSync durable;
    std::unique_ptr<Fork> fork = open(Fork::Kind::Data, true);
    ASSERT_EQ(fork->write("x", 1), noErr);
    ASSERT_EQ(fork->flush(), noErr);
    fs.failPath("file", EIO, kFsSync);
    EXPECT_EQ(durable.commit(), macStatusFromErrno(EIO));
  }
  // Many files: their volume is synced once, not each file.
  {
    DeferredSync durable;
    for (int i = 0; i < 70; ++i) {
      const std::string path = dir / ("many" + std::to_string(i));
      TempDir::write(path, "m");
      FSRef ref;
      ASSERT_EQ(resolvePath(path, ref), noErr);
      std::unique_ptr<Fork> fork;
      ASSERT_EQ(Fork::open(ref, Fork::Kind::Data, true, fork), noErr);
      ASSERT_EQ(fork->write("n", 1), noErr);
      ASSERT_EQ(fork->flush(), noErr);
    }
    fs.clearRules();
    const int before = fs.callCount(kFsSync);
    EXPECT_EQ(durable.commit(), noErr);
    EXPECT_EQ(fs.callCount(kFsSync), before);
    EXPECT_EQ(TempDir::read(dir / "many69"), "n");
  }
  // Outside a scope a flush syncs at once.
  fs.clearRules();
  std::unique_ptr<Fork> fork = open(Fork::Kind::Data, true);
  const int before = fs.callCount(kFsSync);
  ASSERT_EQ(fork->flush(), noErr);
  EXPECT_EQ(fs.callCount(kFsSync), before + 1);
}

}  // namespace
}  // namespace platform
