#include "platform/os/SmallFiles.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/os/FaultInjectingFileSystem.h"
#include "platform/os/FileSystem.h"
#include "platform/os/RandomBytes.h"
#include "testsupport/TempDir.h"

namespace platform {
namespace {

std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

mode_t modeOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

TEST(SmallFiles, ReadWholeFileReadsPastOneChunkAndHonoursTheLimit) {
  TempDir dir;
  const std::string big(10000, 'x');
  TempDir::write(dir / "big", big);
  std::string out;
  EXPECT_EQ(readWholeFile(dir / "big", out), 0);
  EXPECT_EQ(out, big);
  EXPECT_EQ(readWholeFile(dir / "big", out, big.size()), 0);
  EXPECT_EQ(readWholeFile(dir / "big", out, big.size() - 1), EFBIG);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(readWholeFile(dir / "missing", out), ENOENT);
}

TEST(SmallFiles, WriteWholeFileReplacesLongerContent) {
  TempDir dir;
  TempDir::write(dir / "f", "a much longer old text");
  ASSERT_EQ(writeWholeFile(dir / "f", "new", 3, 0600), 0);
  EXPECT_EQ(TempDir::read(dir / "f"), "new");
}

TEST(SmallFiles, CreateFileExclusivelyPublishesWholeFilesOnly) {
  struct Case {
    const char* name;
    bool existing;
    uint32_t failOps;  // 0: no fault
    int failError;
    int expected;
    const char* content;  // what the path holds afterwards; null: nothing
  };
  const Case cases[] = {
      {"fresh", false, 0, 0, 0, "value"},
      {"taken", true, 0, 0, EEXIST, "winner"},
      {"write fails", false, kFsWrite, ENOSPC, ENOSPC, nullptr},
      {"flush fails", false, kFsSync, EIO, EIO, nullptr},
      {"rename fails", false, kFsRename, EACCES, EACCES, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string path = dir / "md5";
    if (c.existing) TempDir::write(path, "winner");
    FaultInjectingFileSystem fs;
    FileSystemOverride use(fs);
    if (c.failOps) fs.failPath("", c.failError, c.failOps);
    EXPECT_EQ(createFileExclusively(path, "value", 5, 0600), c.expected);
    if (c.content) {
      EXPECT_EQ(TempDir::read(path), c.content);
      EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"md5"});
    } else {
      EXPECT_TRUE(namesIn(dir.path()).empty());
    }
  }
}

TEST(SmallFiles, CreateFileExclusivelyGivesTheModeAsked) {
  TempDir dir;
  ASSERT_EQ(createFileExclusively(dir / "userid", "v", 1, 0600), 0);
  EXPECT_EQ(modeOf(dir / "userid"), 0600u);
}

TEST(SmallFiles, OfManyRacingCreatorsExactlyOneWins) {
  TempDir dir;
  const std::string path = dir / "md5";
  constexpr int kThreads = 8;
  std::vector<int> results(kThreads, -1);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      const std::string value = "value-" + std::to_string(i);
      results[i] = createFileExclusively(path, value.data(), value.size(), 0600);
    });
  }
  for (auto& t : threads) t.join();
  int winner = -1;
  for (int i = 0; i < kThreads; ++i) {
    if (results[i] == 0) {
      EXPECT_EQ(winner, -1) << "two winners";
      winner = i;
    } else {
      EXPECT_EQ(results[i], EEXIST);
    }
  }
  ASSERT_NE(winner, -1);
  EXPECT_EQ(TempDir::read(path), "value-" + std::to_string(winner));
  EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"md5"});
}

TEST(RandomBytes, FillsTheWholeBufferDifferentlyEachTime) {
  unsigned char a[64] = {}, b[64] = {};
  ASSERT_TRUE(randomBytes(a, sizeof a));
  ASSERT_TRUE(randomBytes(b, sizeof b));
  // The odds of a false failure are 2^-512.
  EXPECT_NE(std::string(reinterpret_cast<char*>(a), sizeof a),
            std::string(reinterpret_cast<char*>(b), sizeof b));
  std::set<unsigned char> distinct(a, a + sizeof a);
  EXPECT_GT(distinct.size(), 8u);
}

}  // namespace
}  // namespace platform
