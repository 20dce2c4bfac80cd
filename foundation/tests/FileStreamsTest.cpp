#include <cerrno>
#include <memory>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "foundation/CBufferedFile.h"
#include "foundation/CMacFileBuffer.h"
#include "foundation/CMemoryMappedFile.h"
#include "foundation/CRawFile.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "platform/os/FileRef.h"
#include "platform/os/Fork.h"
#include "platform/os/MacStatus.h"
#include "testsupport/TempDir.h"

namespace {

using platform::eofErr;
using platform::noErr;

std::string pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
  return s;
}

class FileStreams : public ::testing::Test {
 protected:
  platform::FSRef ref(const std::string& path) {
    platform::FSRef r;
    EXPECT_EQ(platform::resolvePath(path, r), noErr) << path;
    return r;
  }
  std::unique_ptr<CBufferedFile> buffered(const std::string& path, bool write,
                                          bool resource = false) {
    return std::make_unique<CBufferedFile>(
        ref(path), resource ? platform::resourceForkName() : platform::dataForkName(), write);
  }
  TempDir dir;
};

TEST_F(FileStreams, ChoosesTheStreamForTheAccess) {
  TempDir::write(dir / "f", "data");
  const auto data = platform::dataForkName();
  const auto rsrc = platform::resourceForkName();
  const auto f = ref(dir / "f");
  EXPECT_TRUE(
      dynamic_cast<const CMemoryMappedFile*>(CMacFileBuffer(f, data, false, false).GetStream()));
  EXPECT_TRUE(dynamic_cast<const CRawFile*>(CMacFileBuffer(f, data, false, true).GetStream()));
  EXPECT_TRUE(dynamic_cast<const CBufferedFile*>(CMacFileBuffer(f, data, true, false).GetStream()));
  EXPECT_TRUE(
      dynamic_cast<const CBufferedFile*>(CMacFileBuffer(f, rsrc, false, false).GetStream()));
  EXPECT_TRUE(dynamic_cast<const CBufferedFile*>(CMacFileBuffer(f, rsrc, true, true).GetStream()));
}

TEST_F(FileStreams, ConstructorsThrowTheStatus) {
  TempDir::write(dir / "f", "x");
  struct Case {
    const char* label;
    bool write, raw;
    int injected;  // errno of the failed open, 0 for a missing file
    int32_t thrown;
  } cases[] = {
      {"mapped, missing", false, false, 0, platform::fnfErr},
      {"raw, missing", false, true, 0, platform::fnfErr},
      {"buffered, missing", true, false, 0, platform::fnfErr},
      {"raw, refused", false, true, EACCES, platform::afpAccessDenied},
      {"buffered, refused", true, false, EACCES, platform::afpAccessDenied},
      {"buffered, failing disk", true, false, EIO, platform::ioErr},
      // The mapped stream reports any reason as a missing file.
      {"mapped, refused", false, false, EACCES, platform::fnfErr},
      {"mapped, failing disk", false, false, EIO, platform::fnfErr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    platform::FSRef target;
    if (c.injected == 0)
      target.path = dir / "missing";
    else
      target = ref(dir / "f");
    platform::FaultInjectingFileSystem fs;
    platform::FileSystemOverride use(fs);
    if (c.injected) fs.failNth(1, c.injected, platform::kFsOpenRead | platform::kFsOpenWrite);
    int32_t thrown = noErr;
    try {
      CMacFileBuffer buffer(target, platform::dataForkName(), c.write, c.raw);
    } catch (int32_t status) {
      thrown = status;
    } catch (...) {
      ADD_FAILURE() << "not a status";
    }
    EXPECT_EQ(thrown, c.thrown);
  }
}

TEST_F(FileStreams, BufferedReadsAcrossTheEnd) {
  TempDir::write(dir / "f", pattern(100));
  auto file = buffered(dir / "f", false);
  char buf[16];
  int32_t got = -1;
  ASSERT_EQ(file->SetPosition(95), noErr);
  EXPECT_EQ(file->Read(buf, 10, &got), eofErr);
  EXPECT_EQ(got, 5);
  EXPECT_EQ(std::string(buf, 5), pattern(100).substr(95));

  ASSERT_EQ(file->SetPosition(90), noErr);
  EXPECT_EQ(file->Read(buf, 10, &got), noErr);  // ends exactly at the end
  EXPECT_EQ(got, 10);
  EXPECT_EQ(file->Read(buf, 10, &got), eofErr);
  EXPECT_EQ(got, 0);

  got = 42;
  EXPECT_EQ(file->Read(buf, 0, &got), noErr);
  EXPECT_EQ(got, 42);
}

TEST_F(FileStreams, BufferedReadsAcrossTheWindowBoundary) {
  const std::string content = pattern(300000);
  TempDir::write(dir / "f", content);
  auto file = buffered(dir / "f", false);
  std::string buf(1000, '\0');
  int32_t got = 0;
  ASSERT_EQ(file->SetPosition(CBufferedFile::kBufferSize - 300), noErr);
  ASSERT_EQ(file->Read(buf.data(), 1000, &got), noErr);
  EXPECT_EQ(buf, content.substr(CBufferedFile::kBufferSize - 300, 1000));
  int64_t pos = 0;
  EXPECT_EQ(file->GetPosition(pos), noErr);
  EXPECT_EQ(pos, CBufferedFile::kBufferSize + 700);
  // A read larger than the window.
  std::string big(200000, '\0');
  ASSERT_EQ(file->SetPosition(1), noErr);
  ASSERT_EQ(file->Read(big.data(), 200000, &got), noErr);
  EXPECT_EQ(big, content.substr(1, 200000));
}

TEST_F(FileStreams, BufferedWriteGoesOutInWholeWindows) {
  TempDir::write(dir / "f", "");
  const std::string content = pattern(300000);
  {
    auto file = buffered(dir / "f", true);
    ASSERT_EQ(file->Write(content.data(), 300000), noErr);
    EXPECT_EQ(TempDir::read(dir / "f").size(), 2u * CBufferedFile::kBufferSize);
    int64_t eof = 0;
    EXPECT_EQ(file->GetEof(eof), noErr);
    EXPECT_EQ(eof, 300000);
  }
  EXPECT_EQ(TempDir::read(dir / "f"), content);
}

TEST_F(FileStreams, PositioningInsideTheWindowReadsNothing) {
  const std::string content = pattern(100);
  TempDir::write(dir / "f", content);
  auto file = buffered(dir / "f", false);
  char c;
  int32_t got = 0;
  ASSERT_EQ(file->Read(&c, 1, &got), noErr);  // the window now holds all 100 bytes
  std::string changed = content;
  changed[5] = '#';
  TempDir::write(dir / "f", changed);

  ASSERT_EQ(file->SetPosition(100), noErr);  // the window's end: cursor only
  ASSERT_EQ(file->SetPosition(5), noErr);
  ASSERT_EQ(file->Read(&c, 1, &got), noErr);
  EXPECT_EQ(c, content[5]);

  ASSERT_EQ(file->SetPosition(101), noErr);  // one further: the window is dropped
  ASSERT_EQ(file->SetPosition(5), noErr);
  ASSERT_EQ(file->Read(&c, 1, &got), noErr);
  EXPECT_EQ(c, '#');
}

TEST_F(FileStreams, MovingAwayKeepsUnwrittenBytes) {
  TempDir::write(dir / "f", "");
  {
    auto file = buffered(dir / "f", true);
    ASSERT_EQ(file->Write("abc", 3), noErr);
    ASSERT_EQ(file->SetPosition(1000), noErr);
    ASSERT_EQ(file->Write("xyz", 3), noErr);
    ASSERT_EQ(file->AdvanceBy(-2000), platform::posErr);
    ASSERT_EQ(file->AdvanceBy(500), noErr);
    ASSERT_EQ(file->Write("!", 1), noErr);
  }
  const std::string out = TempDir::read(dir / "f");
  ASSERT_EQ(out.size(), 1504u);
  EXPECT_EQ(out.substr(0, 3), "abc");
  EXPECT_EQ(out.substr(1000, 3), "xyz");
  EXPECT_EQ(out.substr(1503, 1), "!");
}

TEST_F(FileStreams, WriteAfterReadLandsWhereItWasWritten) {
  const std::string content = pattern(200000);
  TempDir::write(dir / "f", content);
  {
    auto file = buffered(dir / "f", true);
    char buf[10];
    int32_t got = 0;
    ASSERT_EQ(file->Read(buf, 10, &got), noErr);
    ASSERT_EQ(file->SetPosition(5), noErr);
    ASSERT_EQ(file->Write("XY", 2), noErr);
    ASSERT_EQ(file->Read(buf, 3, &got), noErr);
    EXPECT_EQ(std::string(buf, 3), content.substr(7, 3));
  }
  std::string expected = content;
  expected.replace(5, 2, "XY");
  EXPECT_EQ(TempDir::read(dir / "f"), expected);
}

// Random reads, writes and moves across window boundaries, checked against a
// plain string.
TEST_F(FileStreams, BufferedStreamMatchesAModel) {
  std::string model = pattern(150000);
  TempDir::write(dir / "f", model);
  std::mt19937 rng(1234);
  {
    auto file = buffered(dir / "f", true);
    int64_t pos = 0;
    for (int step = 0; step < 400; ++step) {
      const int action = static_cast<int>(rng() % 4);
      const int32_t n = static_cast<int32_t>(rng() % 70000);
      if (action == 0) {
        pos = static_cast<int64_t>(rng() % (model.size() + 10));
        ASSERT_EQ(file->SetPosition(pos), noErr);
      } else if (action == 1) {
        const int32_t delta = static_cast<int32_t>(rng() % 140000) - 70000;
        if (pos + delta < 0) continue;
        ASSERT_EQ(file->AdvanceBy(delta), noErr);
        pos += delta;
      } else if (action == 2) {
        std::string buf(static_cast<size_t>(n), '\0');
        int32_t got = 0;
        const int32_t status = file->Read(buf.data(), n, &got);
        ASSERT_TRUE(status == noErr || status == eofErr) << "step " << step;
        const size_t start = static_cast<size_t>(pos);
        const std::string want =
            start < model.size() ? model.substr(start, static_cast<size_t>(n)) : "";
        ASSERT_EQ(buf.substr(0, static_cast<size_t>(got)), want) << "step " << step;
        pos += got;
      } else {
        std::string data(static_cast<size_t>(n), static_cast<char>('A' + step % 26));
        ASSERT_EQ(file->Write(data.data(), n), noErr);
        const size_t start = static_cast<size_t>(pos);
        if (model.size() < start + data.size()) model.resize(start + data.size(), '\0');
        model.replace(start, data.size(), data);
        pos += n;
      }
      int64_t reported = -1;
      EXPECT_EQ(file->GetPosition(reported), noErr);
      ASSERT_EQ(reported, pos) << "step " << step;
    }
    int64_t eof = 0;
    EXPECT_EQ(file->GetEof(eof), noErr);
    EXPECT_EQ(eof, static_cast<int64_t>(model.size()));
  }
  EXPECT_EQ(TempDir::read(dir / "f"), model);
}

TEST_F(FileStreams, SetEofDropsBufferedBytesPastTheEnd) {
  TempDir::write(dir / "f", pattern(50));
  {
    auto file = buffered(dir / "f", true);
    ASSERT_EQ(file->Write("0123456789", 10), noErr);
    ASSERT_EQ(file->SetEof(4), noErr);
    int64_t eof = 0;
    EXPECT_EQ(file->GetEof(eof), noErr);
    EXPECT_EQ(eof, 4);
  }
  EXPECT_EQ(TempDir::read(dir / "f"), "0123");
}

TEST_F(FileStreams, MovingPastTheEndDoesNotGrowTheFile) {
  TempDir::write(dir / "f", pattern(10));
  {
    auto file = buffered(dir / "f", true);
    ASSERT_EQ(file->SetPosition(1000), noErr);
    int64_t eof = 0;
    EXPECT_EQ(file->GetEof(eof), noErr);
    EXPECT_EQ(eof, 10);
  }
  EXPECT_EQ(TempDir::read(dir / "f"), pattern(10));
}

TEST_F(FileStreams, BufferedResourceForkRoundTrip) {
  TempDir::write(dir / "f", "data");
  const std::string rsrc = pattern(140000);
  {
    auto file = buffered(dir / "f", true, true);
    ASSERT_EQ(file->Write(rsrc.data(), static_cast<int32_t>(rsrc.size())), noErr);
  }
  auto file = buffered(dir / "f", false, true);
  std::string back(rsrc.size() + 10, '\0');
  int32_t got = 0;
  EXPECT_EQ(file->Read(back.data(), static_cast<int32_t>(back.size()), &got), eofErr);
  EXPECT_EQ(back.substr(0, static_cast<size_t>(got)), rsrc);
  EXPECT_EQ(TempDir::read(dir / "f"), "data");
}

TEST_F(FileStreams, FailedWindowWriteIsReported) {
  TempDir::write(dir / "f", "");
  platform::FaultInjectingFileSystem fs;
  platform::FileSystemOverride use(fs);
  fs.failNth(1, ENOSPC, platform::kFsWrite);
  auto file = buffered(dir / "f", true);
  const std::string content = pattern(CBufferedFile::kBufferSize + 10);
  EXPECT_EQ(file->Write(content.data(), static_cast<int32_t>(content.size())), platform::dskFulErr);
}

TEST_F(FileStreams, MappedStreamReadsAndRefusesChanges) {
  TempDir::write(dir / "f", "0123456789");
  CMemoryMappedFile file(ref(dir / "f"), true);
  char buf[16];
  int32_t got = 77;
  EXPECT_EQ(file.Write("x", 1), eofErr);
  EXPECT_EQ(file.SetEof(3), platform::paramErr);
  EXPECT_EQ(file.Flush(), noErr);
  EXPECT_EQ(file.Read(buf, 0, &got), noErr);
  EXPECT_EQ(got, 77);

  ASSERT_EQ(file.SetPosition(6), noErr);
  EXPECT_EQ(file.Read(buf, 8, &got), noErr);  // more than is left: what is left
  EXPECT_EQ(got, 4);
  EXPECT_EQ(std::string(buf, 4), "6789");
  got = 77;
  EXPECT_EQ(file.Read(buf, 8, &got), eofErr);
  EXPECT_EQ(got, 77);
  EXPECT_EQ(file.Read(buf, 8, nullptr), eofErr);

  // Positions far outside the file never reach outside the mapping.
  ASSERT_EQ(file.SetPosition(int64_t(1) << 40), noErr);
  EXPECT_EQ(file.Read(buf, 8, &got), eofErr);
  ASSERT_EQ(file.SetPosition(-5), noErr);
  EXPECT_NE(file.Read(buf, 8, &got), noErr);
  ASSERT_EQ(file.SetPosition(2), noErr);
  ASSERT_EQ(file.AdvanceBy(3), noErr);
  int64_t pos = 0, eof = 0;
  EXPECT_EQ(file.GetPosition(pos), noErr);
  EXPECT_EQ(file.GetEof(eof), noErr);
  EXPECT_EQ(pos, 5);
  EXPECT_EQ(eof, 10);
}

TEST_F(FileStreams, MappedEmptyFile) {
  TempDir::write(dir / "f", "");
  CMemoryMappedFile file(ref(dir / "f"), false);
  char buf[4];
  int32_t got = 0;
  EXPECT_EQ(file.Read(buf, 4, &got), eofErr);
  int64_t pos = 1, eof = 1;
  EXPECT_EQ(file.GetPosition(pos), noErr);
  EXPECT_EQ(file.GetEof(eof), noErr);
  EXPECT_EQ(pos, 0);
  EXPECT_EQ(eof, 0);
}

TEST_F(FileStreams, RawStreamPassesStatusesThrough) {
  TempDir::write(dir / "f", "0123456789");
  CRawFile file(ref(dir / "f"), platform::dataForkName(), false);
  char buf[16];
  int32_t got = 0;
  ASSERT_EQ(file.AdvanceBy(7), noErr);
  EXPECT_EQ(file.Read(buf, 8, &got), eofErr);
  EXPECT_EQ(got, 3);
  EXPECT_EQ(file.Write("x", 1), platform::wrPermErr);
  int64_t eof = 0;
  EXPECT_EQ(file.GetEof(eof), noErr);
  EXPECT_EQ(eof, 10);
}

}  // namespace
