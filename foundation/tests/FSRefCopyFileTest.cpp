#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "foundation/FSRefCopyFile.h"
#include "platform/os/AppleDouble.h"
#include "platform/os/Catalog.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "platform/os/FileRef.h"
#include "platform/os/Fork.h"
#include "platform/os/MacStatus.h"
#include "testsupport/TempDir.h"

namespace {

using platform::noErr;

std::string pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 31 + i / 97);
  return s;
}

platform::HFSUniStr255 hfsName(const std::string& name) {
  platform::HFSUniStr255 out;
  EXPECT_TRUE(platform::posixNameToHfs(name, out));
  return out;
}

class CopyFile : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directory(dir / "dest"); }
  platform::FSRef ref(const std::string& path) {
    platform::FSRef r;
    EXPECT_EQ(platform::resolvePath(path, r), noErr) << path;
    return r;
  }
  void setResourceFork(const std::string& path, const std::string& bytes) {
    std::unique_ptr<platform::Fork> fork;
    ASSERT_EQ(platform::Fork::open(ref(path), platform::Fork::Kind::Resource, true, fork), noErr);
    ASSERT_EQ(fork->write(bytes.data(), static_cast<uint32_t>(bytes.size())), noErr);
  }
  std::string resourceFork(const std::string& path) {
    std::unique_ptr<platform::Fork> fork;
    EXPECT_EQ(platform::Fork::open(ref(path), platform::Fork::Kind::Resource, false, fork), noErr);
    std::string out(1 << 20, '\0');
    uint32_t got = 0;
    // Reading to the end reports eofErr with what there was.
    const int32_t status = fork->read(out.data(), static_cast<uint32_t>(out.size()), got);
    EXPECT_TRUE(status == noErr || status == platform::eofErr) << status;
    out.resize(got);
    return out;
  }
  int32_t copy(const std::string& name = "copy") {
    return FSRefCopyFile(ref(dir / "src"), ref(dir / "dest"), hfsName(name));
  }
  bool destIsEmpty() { return std::filesystem::is_empty(dir / "dest"); }

  TempDir dir;
};

TEST_F(CopyFile, CopiesBothForksAndAttributes) {
  const std::string data = pattern(300000);
  const std::string rsrc = pattern(5000);
  TempDir::write(dir / "src", data);
  setResourceFork(dir / "src", rsrc);
  uint8_t info[platform::kFinderInfoSize] = {};
  platform::setFinderInfoType(info, 0x54455854);
  platform::setFinderInfoCreator(info, 0x74747874);
  platform::setFinderInfoFlags(info, 0x0100 | 0x4000);
  ASSERT_EQ(platform::writeFinderInfo(dir / "src", info), noErr);
  ::chmod((dir / "src").c_str(), 0640);
  platform::CatalogInfo when;
  when.contentModDate.tv_sec = 1234567890;
  ASSERT_EQ(platform::setCatalogInfo(ref(dir / "src"), platform::kCatContentModDate, when), noErr);

  ASSERT_EQ(copy(), noErr);
  EXPECT_EQ(TempDir::read(dir / "dest/copy"), data);
  EXPECT_EQ(resourceFork(dir / "dest/copy"), rsrc);
  platform::CatalogInfo out;
  ASSERT_EQ(platform::getCatalogInfo(ref(dir / "dest/copy"), out), noErr);
  EXPECT_EQ(platform::finderInfoType(out.finderInfo), 0x54455854u);
  EXPECT_EQ(platform::finderInfoCreator(out.finderInfo), 0x74747874u);
  EXPECT_EQ(platform::finderInfoFlags(out.finderInfo), 0x4000);  // "inited" cleared
  EXPECT_EQ(out.mode, 0640u);
  EXPECT_EQ(out.contentModDate.tv_sec, 1234567890);
}

TEST_F(CopyFile, EmptyForksAreNotCopied) {
  TempDir::write(dir / "src", "");
  ASSERT_EQ(copy(), noErr);
  EXPECT_EQ(TempDir::read(dir / "dest/copy"), "");
  EXPECT_FALSE(TempDir::exists(dir / "dest/._copy"));

  // Only a resource fork.
  setResourceFork(dir / "src", "rsrc only");
  ASSERT_EQ(copy("second"), noErr);
  EXPECT_EQ(TempDir::read(dir / "dest/second"), "");
  EXPECT_EQ(resourceFork(dir / "dest/second"), "rsrc only");
}

TEST_F(CopyFile, LockedSourceGivesLockedCopy) {
  TempDir::write(dir / "src", "locked");
  ::chmod((dir / "src").c_str(), 0444);
  ASSERT_EQ(copy(), noErr);
  EXPECT_EQ(TempDir::read(dir / "dest/copy"), "locked");
  struct stat st;
  ::stat((dir / "dest/copy").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
}

TEST_F(CopyFile, RefusalsChangeNothing) {
  TempDir::write(dir / "src", pattern(10000));
  platform::FaultInjectingFileSystem fs;
  platform::FileSystemOverride use(fs);
  // Not enough room: nothing is created.
  fs.setFreeBlocks(1);
  EXPECT_EQ(copy(), platform::dskFulErr);
  EXPECT_TRUE(destIsEmpty());
  fs.setFreeBlocks(std::nullopt);

  // The destination is a file.
  TempDir::write(dir / "plain", "x");
  EXPECT_EQ(FSRefCopyFile(ref(dir / "src"), ref(dir / "plain"), hfsName("copy")),
            platform::dirNFErr);

  // The name exists: the create fails and the existing file stays.
  TempDir::write(dir / "dest/copy", "keep me");
  EXPECT_EQ(copy(), platform::dupFNErr);
  EXPECT_EQ(TempDir::read(dir / "dest/copy"), "keep me");
  EXPECT_EQ(fs.callCount(platform::kFsUnlink), 0);
}

// Whichever call fails, the copy either fails and leaves nothing behind, or
// succeeds with both forks intact; it never reports success with a fork lost.
TEST_F(CopyFile, AnyFailedCallLeavesNoHalfWrittenTarget) {
  const std::string data = pattern(140000);
  const std::string rsrc = pattern(5000);
  TempDir::write(dir / "src", data);
  setResourceFork(dir / "src", rsrc);
  const uint32_t kinds[] = {platform::kFsOpenRead, platform::kFsOpenWrite, platform::kFsRead,
                            platform::kFsWrite,    platform::kFsTruncate,  platform::kFsClose,
                            platform::kFsSetXattr, platform::kFsChmod,     platform::kFsSetTimes};
  int failedCopies = 0;
  for (uint32_t kind : kinds) {
    for (int skip = 0;; ++skip) {
      int32_t result;
      int injected;
      {
        platform::FaultInjectingFileSystem fs;
        platform::FileSystemOverride use(fs);
        platform::FaultInjectingFileSystem::Rule rule;
        rule.ops = kind;
        rule.skip = skip;
        rule.error = ENOSPC;
        fs.addRule(rule);
        result = copy();
        injected = fs.injectedFailures();
      }
      if (result != noErr) {
        ++failedCopies;
        EXPECT_TRUE(destIsEmpty()) << "op " << kind << " call " << skip;
      } else {
        EXPECT_TRUE(TempDir::read(dir / "dest/copy") == data) << "op " << kind << " call " << skip;
        EXPECT_TRUE(resourceFork(dir / "dest/copy") == rsrc) << "op " << kind << " call " << skip;
        std::filesystem::remove(dir / "dest/copy");
        std::filesystem::remove(dir / "dest/._copy");
      }
      if (injected == 0) break;
    }
  }
  EXPECT_GT(failedCopies, 20);
}

TEST_F(CopyFile, ForkCopyTransferSizes) {
  TempDir::write(dir / "src", pattern(10000));
  TempDir::write(dir / "dst", "");
  const struct {
    uint32_t bufferSize;
    int writes;
  } cases[] = {{5000, 3}, {1000, 10}, {131072, 1}, {4096, 3}};
  for (const auto& c : cases) {
    std::unique_ptr<platform::Fork> source, dest;
    ASSERT_EQ(platform::Fork::open(ref(dir / "src"), platform::Fork::Kind::Data, false, source),
              noErr);
    ASSERT_EQ(platform::Fork::open(ref(dir / "dst"), platform::Fork::Kind::Data, true, dest),
              noErr);
    platform::FaultInjectingFileSystem fs;
    platform::FileSystemOverride use(fs);
    std::string buffer(c.bufferSize, '\0');
    ASSERT_EQ(FSCopyFork(*source, *dest, buffer.data(), c.bufferSize), noErr);
    EXPECT_EQ(fs.callCount(platform::kFsWrite), c.writes) << c.bufferSize;
    EXPECT_EQ(dest->close(), noErr);
    EXPECT_EQ(TempDir::read(dir / "dst"), pattern(10000));
  }
  std::unique_ptr<platform::Fork> source, dest;
  ASSERT_EQ(platform::Fork::open(ref(dir / "src"), platform::Fork::Kind::Data, false, source),
            noErr);
  ASSERT_EQ(platform::Fork::open(ref(dir / "dst"), platform::Fork::Kind::Data, true, dest), noErr);
  char buffer[16];
  EXPECT_EQ(FSCopyFork(*source, *dest, nullptr, 16), platform::paramErr);
  EXPECT_EQ(FSCopyFork(*source, *dest, buffer, 0), platform::paramErr);
}

TEST(CopyBlocks, EstimateRoundsToClumpsAndSurvivesTinyClumps) {
  const struct {
    uint64_t size, block, clump, blocks;
  } cases[] = {
      {0, 4096, 4096, 0},   {1, 4096, 4096, 1},       {4096, 4096, 4096, 1}, {4097, 4096, 4096, 2},
      {1, 4096, 65536, 16}, {70000, 4096, 65536, 32}, {5000, 4096, 512, 2},  {5000, 4096, 0, 2},
      {5000, 0, 4096, 0},   {1000, 1000, 3000, 3},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FSCopyBlocksNeeded(c.size, c.block, c.clump), c.blocks)
        << c.size << " " << c.block << " " << c.clump;
}

}  // namespace
