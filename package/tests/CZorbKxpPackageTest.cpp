#include <gtest/gtest.h>

#include <zlib.h>
#include <algorithm>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "foundation/CFile.h"
#include "foundation/CResFile.h"
#include "foundation/CZorbDateTime.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbPackageNameSet.h"
#include "package/CZorbKxpPackage.h"
#include "package/tests/PackageTestSupport.h"
#include "platform/os/Catalog.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "platform/os/MacStatus.h"

namespace {

using packagetest::Colon;
using packagetest::CopyFixture;
using packagetest::Pattern;
using packagetest::ReadBytes;
using packagetest::Tree;
using packagetest::Utf8;
using packagetest::WriteBytes;

constexpr uint32_t kMacRoman = 0;

uint32_t FourCC(const char* text) {
  return (static_cast<uint32_t>(static_cast<unsigned char>(text[0])) << 24) |
         (static_cast<uint32_t>(static_cast<unsigned char>(text[1])) << 16) |
         (static_cast<uint32_t>(static_cast<unsigned char>(text[2])) << 8) |
         static_cast<uint32_t>(static_cast<unsigned char>(text[3]));
}

class KxpTest : public testsupport::SandboxTest {
 protected:
  void SetUp() override {
    // Western UI language: names of versions 1 to 3 are Mac Roman.
    sandbox.config().preferredLanguage = "en_US";
    sandbox.apply();
    sandbox.makeFolder("work/target");
  }
  void TearDown() override { CZorbPackage::SetUnpackLimits(CZorbPackage::kDefaultUnpackLimits); }

  CString Target() { return Colon(sandbox, "work/target/"); }
  std::string TargetPosix(const std::string& relative = "") {
    return sandbox.posix("work/target" + (relative.empty() ? "" : "/" + relative));
  }
  std::string Read(const std::string& relative) { return ReadBytes(TargetPosix(relative)); }
  std::string ReadResource(const std::string& relative) {
    CResFile fork;
    if (!fork.Open(Colon(sandbox, "work/target/" + relative), 0)) return "";
    std::string bytes(static_cast<size_t>(fork.GetLength()), '\0');
    if (!bytes.empty()) {
      EXPECT_EQ(fork.Read(bytes.data(), static_cast<unsigned>(bytes.size())), bytes.size());
    }
    fork.Close();
    return bytes;
  }
  std::pair<uint32_t, uint32_t> TypeCreator(const std::string& posix) {
    uint8_t info[platform::kFinderInfoSize] = {};
    EXPECT_EQ(platform::readFinderInfo(posix, info), platform::noErr) << posix;
    return {platform::finderInfoType(info), platform::finderInfoCreator(info)};
  }
  // The nothing-outside promise: the target's folder holds only the target.
  void ExpectNothingOutsideTarget() {
    EXPECT_EQ(sandbox.list("work"), std::vector<std::string>{"target"});
    EXPECT_FALSE(packagetest::AnyNamed(sandbox.root(), "escape.txt"));
  }
};

// ---------------------------------------------------------------------------
// Reading the generator's packages
// ---------------------------------------------------------------------------

struct FixtureNames {
  const char* fixture;
  uint32_t version;
  std::vector<std::string> names;
};

TEST_F(KxpTest, ListsTheNamesOfEachVersion) {
  const FixtureNames cases[] = {
      {"v1.kxp", 1, {"Readme.txt", "Docs:Caf\u00e9.txt", "empty.txt"}},
      // A leading "/" is dropped; "/", "\" and the yen sign separate.
      {"v2.kxp",
       2,
       {"Readme.txt", "Configuration:Commands:Tool.htm", "Lead:Slash.txt", "Yen:Stra\u00dfe.txt"}},
      {"v3.kxp", 3, {"Readme.txt", "Shared:big.bin", "empty.txt", "\u00dcber:na\u00efve.txt"}},
      {"v4.kxp", 4, {"Caf\u00e9:\u65e5\u672c\u8a9e.txt", "Readme.txt"}},
      {"header-only.kxp", 3, {}},
  };
  for (const FixtureNames& c : cases) {
    SCOPED_TRACE(c.fixture);
    CZorbKxpPackage package(CopyFixture(sandbox, "kxp/" + std::string(c.fixture), c.fixture));
    CZorbTypedVector<CString> names;
    names.push_back(CString(u"stale"));
    EXPECT_EQ(package.UnPackFileNames(names), 0);
    EXPECT_EQ(Utf8(names), c.names);
    EXPECT_EQ(package.GetVersion(), c.version);
  }
}

TEST_F(KxpTest, VersionFourNamesAreUtf8WhateverTheObjectWasTold) {
  CZorbKxpPackage package(CopyFixture(sandbox, "kxp/v4.kxp", "v4.kxp"));
  package.SetFileNameEncoding(kMacRoman);
  CZorbTypedVector<CString> names;
  ASSERT_EQ(package.UnPackFileNames(names), 0);
  EXPECT_EQ(Utf8(names)[0], "Caf\u00e9:\u65e5\u672c\u8a9e.txt");
  EXPECT_EQ(package.GetFileNameEncoding(), CZorbKxpPackage::kUTF8);
  ASSERT_EQ(package.UnPackTo(Target()), 0);
  EXPECT_EQ(Read("Caf\u00e9/\u65e5\u672c\u8a9e.txt"), Pattern(2100, 23));
}

TEST_F(KxpTest, UnpacksVersionOneAndTwo) {
  CZorbKxpPackage v1(CopyFixture(sandbox, "kxp/v1.kxp", "v1.kxp"));
  ASSERT_EQ(v1.UnPackTo(Target()), 0);
  EXPECT_EQ(Tree(TargetPosix()),
            (std::vector<std::string>{"Docs/", "Docs/Caf\u00e9.txt", "Readme.txt", "empty.txt"}));
  EXPECT_EQ(Read("Readme.txt"), "Hello, KXP!\n");
  EXPECT_EQ(Read("Docs/Caf\u00e9.txt"), Pattern(1500, 7));
  EXPECT_EQ(Read("empty.txt"), "");

  sandbox.makeFolder("work/target2");
  CZorbKxpPackage v2(CopyFixture(sandbox, "kxp/v2.kxp", "v2.kxp"));
  // A folder given without its trailing ":" still receives the files.
  ASSERT_EQ(v2.UnPackTo(Colon(sandbox, "work/target2")), 0);
  const std::string base = sandbox.posix("work/target2/");
  EXPECT_EQ(ReadBytes(base + "Configuration/Commands/Tool.htm"), Pattern(2048, 11));
  EXPECT_EQ(ReadBytes(base + "Lead/Slash.txt"), Pattern(10, 3));
  EXPECT_EQ(ReadBytes(base + "Yen/Stra\u00dfe.txt"), Pattern(1024, 5));
  // Version 2 carries the modification date, in local time.
  CZorbDateTime date;
  ASSERT_TRUE(CZorbOS::GetFileDateTime(Colon(sandbox, "work/target2/Readme.txt"), date));
  EXPECT_EQ(CString(date), CString(u"2011-4-5-13-45-30"));
  EXPECT_EQ(sandbox.list("work"), (std::vector<std::string>{"target", "target2"}));
}

TEST_F(KxpTest, UnpacksVersionThreeWithTypesCreatorsAndResourceForks) {
  CZorbKxpPackage package(CopyFixture(sandbox, "kxp/v3.kxp", "v3.kxp"));
  ASSERT_EQ(package.UnPackTo(Target()), 0);
  EXPECT_EQ(Read("Shared/big.bin"), Pattern(3000, 13));
  EXPECT_EQ(ReadResource("Shared/big.bin"), Pattern(1500, 17));
  EXPECT_EQ(TypeCreator(TargetPosix("Shared/big.bin")),
            std::make_pair(FourCC("BINA"), FourCC("QQXm")));
  EXPECT_EQ(TypeCreator(TargetPosix("empty.txt")), std::make_pair(FourCC("TEXT"), FourCC("QqXm")));
  EXPECT_EQ(Read("empty.txt"), "");
  EXPECT_EQ(Read("\u00dcber/na\u00efve.txt"), Pattern(5, 19));
  // An empty resource fork leaves no sidecar behind.
  EXPECT_EQ(Tree(TargetPosix()),
            (std::vector<std::string>{"Readme.txt", "Shared/", "Shared/._big.bin", "Shared/big.bin",
                                      "empty.txt", "\u00dcber/", "\u00dcber/na\u00efve.txt"}));
  CZorbDateTime date;
  ASSERT_TRUE(CZorbOS::GetFileDateTime(Colon(sandbox, "work/target/Shared/big.bin"), date));
  EXPECT_EQ(CString(date), CString(u"2011-4-5-13-45-30"));
}

TEST_F(KxpTest, HeaderOnlyPackageUnpacksNothing) {
  CZorbKxpPackage package(CopyFixture(sandbox, "kxp/header-only.kxp", "h.kxp"));
  EXPECT_EQ(package.UnPackTo(Target()), 0);
  EXPECT_TRUE(sandbox.list("work/target").empty());
}

// ---------------------------------------------------------------------------
// Broken and hostile packages
// ---------------------------------------------------------------------------

struct HostileCase {
  const char* fixture;
  int listResult;
  int unpackResult;
  // Refused by the check before unpacking: the target stays empty.
  bool targetEmpty;
};

TEST_F(KxpTest, HostilePackagesFailWithoutWritingOutsideTheTarget) {
  const HostileCase cases[] = {
      {"name-dotdot.kxp", -1, -1, true},
      {"name-dotdot-inner.kxp", -1, -1, true},
      {"name-colons.kxp", -1, -1, true},
      {"name-dot.kxp", -1, -1, true},
      {"name-absolute.kxp", -1, -1, true},
      {"name-drive.kxp", -1, -1, true},
      {"name-nul.kxp", -1, -1, true},
      {"name-trailing-sep.kxp", -1, -1, true},
      {"name-too-long.kxp", -1, -1, true},
      {"name-empty.kxp", -1, -1, true},
      {"dup-name.kxp", -1, -1, true},
      {"dup-case.kxp", -1, -1, true},
      {"file-then-folder.kxp", -1, -1, true},
      {"truncated-chunk.kxp", -1, -1, true},
      {"garbage-short.kxp", -1, -1, true},
      {"garbage-long.kxp", -1, -1, true},
      {"chunk-raw-too-big.kxp", -1, -1, true},
      {"chunk-comp-too-big.kxp", -1, -1, true},
      {"chunk-comp-zero.kxp", -1, -1, true},
      // Chunks are only inflated while unpacking: the first file is out.
      {"chunk-size-mismatch.kxp", 0, -1, false},
      // Listing reads no chunk; unpacking refuses before writing.
      {"compression-0.kxp", 0, -1, true},
      {"version-9.kxp", -2, -2, true},
  };
  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.fixture);
    const CString path = CopyFixture(sandbox, "kxp/" + std::string(c.fixture), "pkg.kxp");
    CZorbTypedVector<CString> names;
    EXPECT_EQ(CZorbKxpPackage(path).UnPackFileNames(names), c.listResult);
    EXPECT_EQ(CZorbKxpPackage(path).UnPackTo(Target()), c.unpackResult);
    if (c.targetEmpty) {
      EXPECT_TRUE(sandbox.list("work/target").empty());
    }
    ExpectNothingOutsideTarget();
    std::filesystem::remove_all(TargetPosix());
    sandbox.makeFolder("work/target");
  }
}

TEST_F(KxpTest, PackageCutBetweenEntriesReadsAsComplete) {
  // v1: "Readme.txt" with 12 bytes in one chunk, then "Docs/Caf\u00e9.txt".
  const std::string whole = ReadBytes(packagetest::TestData("kxp/v1.kxp"));
  uint32_t comp = 0;
  std::memcpy(&comp, whole.data() + 8 + 4 + 10 + 4, 4);
  const size_t firstEnd = 8 + 4 + 10 + 8 + comp + 4;
  WriteBytes(sandbox.posix("cut.kxp"), whole.substr(0, firstEnd));
  CZorbTypedVector<CString> names;
  EXPECT_EQ(CZorbKxpPackage(Colon(sandbox, "cut.kxp")).UnPackFileNames(names), 0);
  EXPECT_EQ(Utf8(names), std::vector<std::string>{"Readme.txt"});
  EXPECT_EQ(CZorbKxpPackage(Colon(sandbox, "cut.kxp")).UnPackTo(Target()), 0);
  EXPECT_EQ(Read("Readme.txt"), "Hello, KXP!\n");
  // One byte less cuts the terminator: the entry is broken.
  WriteBytes(sandbox.posix("cut.kxp"), whole.substr(0, firstEnd - 1));
  EXPECT_EQ(CZorbKxpPackage(Colon(sandbox, "cut.kxp")).UnPackFileNames(names), -1);
}

TEST_F(KxpTest, UnknownVersionBesideItsDescriptionIsTheDescription) {
  // The caller picked "x.kxp" where "x.kxi" of the same length lies beside.
  const CString path = CopyFixture(sandbox, "kxp/version-9.kxp", "x.kxp");
  CZorbTypedVector<CString> names;
  EXPECT_EQ(CZorbKxpPackage(path).UnPackFileNames(names), -2);
  WriteBytes(sandbox.posix("x.kxi"), std::string(ReadBytes(sandbox.posix("x.kxp")).size(), 'x'));
  EXPECT_EQ(CZorbKxpPackage(path).UnPackFileNames(names), -4);
  WriteBytes(sandbox.posix("x.kxi"), "shorter");
  EXPECT_EQ(CZorbKxpPackage(path).UnPackFileNames(names), -2);
}

TEST_F(KxpTest, LinkInsideTheTargetIsNotFollowed) {
  sandbox.makeFolder("work/outside");
  std::filesystem::create_directory_symlink("../outside", TargetPosix("Docs"));
  CZorbKxpPackage package(CopyFixture(sandbox, "kxp/v1.kxp", "v1.kxp"));
  EXPECT_EQ(package.UnPackTo(Target()), -1);
  EXPECT_TRUE(sandbox.list("work/outside").empty());
}

TEST_F(KxpTest, UnpackLimitsAreCheckedBeforeWriting) {
  // v1 holds 3 entries and 1512 bytes.
  const CString path = CopyFixture(sandbox, "kxp/v1.kxp", "v1.kxp");
  CZorbPackage::SetUnpackLimits({1511, 100});
  EXPECT_EQ(CZorbKxpPackage(path).UnPackTo(Target()), -1);
  CZorbPackage::SetUnpackLimits({1 << 20, 2});
  EXPECT_EQ(CZorbKxpPackage(path).UnPackTo(Target()), -1);
  EXPECT_TRUE(sandbox.list("work/target").empty());
  CZorbPackage::SetUnpackLimits({1512, 3});
  EXPECT_EQ(CZorbKxpPackage(path).UnPackTo(Target()), 0);
}

TEST_F(KxpTest, UnpackNeedsAnExistingFolder) {
  CZorbKxpPackage package(CopyFixture(sandbox, "kxp/v1.kxp", "v1.kxp"));
  EXPECT_EQ(package.UnPackTo(Colon(sandbox, "work/missing/")), -1);
  EXPECT_EQ(package.UnPackTo(nullptr), -1);
  CZorbKxpPackage missing(Colon(sandbox, "none.kxp"));
  CZorbTypedVector<CString> names;
  EXPECT_EQ(missing.UnPackFileNames(names), -1);
  EXPECT_EQ(missing.UnPackTo(Target()), -1);
}

// ---------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------

class KxpWriterTest : public KxpTest {
 protected:
  void SetUp() override {
    KxpTest::SetUp();
    sandbox.makeFolder("src");
  }
  CString Source(const std::string& relative, const std::string& data) {
    WriteBytes(sandbox.posix("src/" + relative), data);
    return Colon(sandbox, "src/" + relative);
  }
  void SetDate(const CString& path, uint16_t year, uint16_t month, uint16_t day, uint16_t hour,
               uint16_t minute, uint16_t second) {
    CZorbDateTime date;
    date.Set(year, month, day, hour, minute, second);
    ASSERT_TRUE(CZorbOS::SetFileDateTime(path, date));
  }
  void SetResourceFork(const CString& path, const std::string& data) {
    CResFile fork;
    ASSERT_TRUE(fork.Open(path, 1));
    ASSERT_EQ(fork.Write(data.data(), static_cast<unsigned>(data.size())), 0);
    fork.Close();
  }
  CString PackagePath() { return Colon(sandbox, "out/p.kxp"); }
  std::string PackageBytes() { return ReadBytes(sandbox.posix("out/p.kxp")); }
};

// Our writer and the independent generator agree byte for byte.
TEST_F(KxpWriterTest, WritesWhatTheGeneratorWrites) {
  const CString readme = Source("Readme.txt", "Hello, KXP!\n");
  const CString big = Source("Shared/big.bin", Pattern(3000, 13));
  const CString empty = Source("empty.txt", "");
  const CString naive = Source("\u00dcber/na\u00efve.txt", Pattern(5, 19));
  SetResourceFork(big, Pattern(1500, 17));
  ASSERT_EQ(CZorbOS::SetFileTypeAndCreator(readme, FourCC("TEXT"), FourCC("ttxt")),
            platform::noErr);
  ASSERT_EQ(CZorbOS::SetFileTypeAndCreator(big, FourCC("BINA"), FourCC("QQXm")), platform::noErr);
  ASSERT_EQ(CZorbOS::SetFileTypeAndCreator(empty, FourCC("TEXT"), FourCC("QqXm")), platform::noErr);
  ASSERT_EQ(CZorbOS::SetFileTypeAndCreator(naive, FourCC("????"), FourCC("????")), platform::noErr);
  for (const CString& path : {readme, big, empty, naive}) SetDate(path, 2011, 4, 5, 13, 45, 30);
  sandbox.makeFolder("out");

  CZorbKxpPackage package;
  package.SetFileNameEncoding(kMacRoman);
  ASSERT_EQ(package.Create(PackagePath(), 3), 0);
  package.SetRelativeRoot(Colon(sandbox, "src/"));
  for (const CString& path : {readme, big, empty, naive})
    ASSERT_EQ(package.PackFile(path, true, false), 0);
  EXPECT_EQ(package.PackComplete(), 0);
  EXPECT_EQ(PackageBytes(), ReadBytes(packagetest::TestData("kxp/v3.kxp")));
  EXPECT_EQ(TypeCreator(sandbox.posix("out/p.kxp")),
            std::make_pair(CZorbKxpPackage::kFileType, FourCC("????")));
}

TEST_F(KxpWriterTest, RoundTripsEachWritableVersion) {
  const CString text = Source("Docs/Caf\u00e9.txt", Pattern(5000, 3));
  const CString exact = Source("exact.bin", Pattern(2048, 9));
  const CString empty = Source("empty.txt", "");
  SetResourceFork(text, Pattern(1300, 5));
  ASSERT_EQ(CZorbOS::SetFileTypeAndCreator(text, FourCC("TEXT"), FourCC("QqXm")), platform::noErr);
  SetDate(text, 2020, 2, 29, 23, 59, 58);
  sandbox.makeFolder("out");

  for (int version : {2, 3, 4}) {
    SCOPED_TRACE(version);
    CZorbKxpPackage writer;
    writer.SetCreator(FourCC("QqXm"));
    ASSERT_EQ(writer.Create(PackagePath(), version), 0);
    writer.SetRelativeRoot(Colon(sandbox, "src/"));
    for (const CString& path : {text, exact, empty})
      ASSERT_EQ(writer.PackFile(path, true, false), 0);

    CZorbKxpPackage reader(PackagePath());
    CZorbTypedVector<CString> names;
    ASSERT_EQ(reader.UnPackFileNames(names), 0);
    EXPECT_EQ(Utf8(names),
              (std::vector<std::string>{"Docs:Caf\u00e9.txt", "exact.bin", "empty.txt"}));
    EXPECT_EQ(reader.GetVersion(), static_cast<uint32_t>(version));
    ASSERT_EQ(reader.UnPackTo(Target()), 0);
    EXPECT_EQ(Read("Docs/Caf\u00e9.txt"), Pattern(5000, 3));
    EXPECT_EQ(Read("exact.bin"), Pattern(2048, 9));
    EXPECT_EQ(Read("empty.txt"), "");
    CZorbDateTime date;
    ASSERT_TRUE(CZorbOS::GetFileDateTime(Colon(sandbox, "work/target/Docs/Caf\u00e9.txt"), date));
    EXPECT_EQ(CString(date), CString(u"2020-2-29-23-59-58"));
    if (version >= 3) {
      EXPECT_EQ(ReadResource("Docs/Caf\u00e9.txt"), Pattern(1300, 5));
      EXPECT_EQ(TypeCreator(TargetPosix("Docs/Caf\u00e9.txt")),
                std::make_pair(FourCC("TEXT"), FourCC("QqXm")));
    } else {
      EXPECT_EQ(ReadResource("Docs/Caf\u00e9.txt"), "");
    }
    std::filesystem::remove_all(TargetPosix());
    sandbox.makeFolder("work/target");
  }
}

TEST_F(KxpWriterTest, ForksAreCutIntoFullChunks) {
  const CString exact = Source("exact.bin", Pattern(2048, 9));
  sandbox.makeFolder("out");
  CZorbKxpPackage writer;
  ASSERT_EQ(writer.Create(PackagePath(), 3), 0);
  ASSERT_EQ(writer.PackFile(u"exact.bin", exact, true, false), 0);
  // Header, name, date, type and creator, then the chunk headers.
  const std::string bytes = PackageBytes();
  size_t at = 8 + 4 + 9 + 12 + 8;
  std::vector<uint32_t> raws;
  for (;;) {
    uint32_t raw = 0;
    std::memcpy(&raw, bytes.data() + at, 4);
    at += 4;
    raws.push_back(raw);
    if (raw == 0) break;
    uint32_t comp = 0;
    std::memcpy(&comp, bytes.data() + at, 4);
    at += 4 + comp;
  }
  EXPECT_EQ(raws, (std::vector<uint32_t>{1024, 1024, 0}));
  // The empty resource fork is a terminator alone, and the entry ends there.
  EXPECT_EQ(bytes.size(), at + 4);
}

TEST_F(KxpWriterTest, CreateWritesTheHeader) {
  sandbox.makeFolder("out");
  CZorbKxpPackage writer;
  ASSERT_EQ(writer.Create(PackagePath(), 0), 0);
  EXPECT_EQ(PackageBytes(), std::string("\x03\0\0\0\x01\0\0\0", 8));
  ASSERT_EQ(writer.Create(PackagePath(), 2), 0);
  EXPECT_EQ(PackageBytes(), std::string("\x02\0\0\0\x01\0\0\0", 8));
  EXPECT_EQ(writer.Create(Colon(sandbox, "missing/p.kxp"), 3), -1);
}

TEST_F(KxpWriterTest, RefusesWhatItCannotWriteAndLeavesThePackageAsItWas) {
  const CString file = Source("a.txt", "a");
  sandbox.makeFolder("out");
  CZorbKxpPackage writer;
  ASSERT_EQ(writer.Create(PackagePath(), 3), 0);
  const std::string before = PackageBytes();
  // Names the reader would refuse, or that Mac Roman cannot hold.
  for (const char16_t* name :
       {u"a::b.txt", u"..:a.txt", u":a.txt", u"a:.:b", u"a:", u"\u65e5\u672c.txt"})
    EXPECT_EQ(writer.PackFile(name, file, false, false), -1);
  EXPECT_EQ(writer.PackFile(u"x.txt", Colon(sandbox, "src/missing.txt"), false, false), -1);
  writer.SetRelativeRoot(Colon(sandbox, "elsewhere/"));
  EXPECT_EQ(writer.PackFile(file, false, false), -1);
  for (uint32_t version : {1u, 5u}) {
    writer.SetVersion(version);
    EXPECT_EQ(writer.PackFile(u"a.txt", file, false, false), -1);
  }
  EXPECT_EQ(PackageBytes(), before);
  // Version 4 stores UTF-8 and takes any name.
  writer.SetVersion(4);
  EXPECT_EQ(writer.PackFile(u"\u65e5\u672c.txt", file, false, false), 0);
}

TEST_F(KxpWriterTest, StripsTheExtensionWhenAsked) {
  const CString file = Source("dir.x/name.ext", "z");
  sandbox.makeFolder("out");
  CZorbKxpPackage writer;
  ASSERT_EQ(writer.Create(PackagePath(), 3), 0);
  writer.SetRelativeRoot(Colon(sandbox, "src/"));
  ASSERT_EQ(writer.PackFile(file, false, true), 0);
  CZorbTypedVector<CString> names;
  ASSERT_EQ(CZorbKxpPackage(PackagePath()).UnPackFileNames(names), 0);
  EXPECT_EQ(Utf8(names), std::vector<std::string>{"dir.x:name"});
}

TEST_F(KxpWriterTest, FailedEntryIsCutOffTheEnd) {
  const CString first = Source("first.txt", Pattern(100, 1));
  // Between one and two write buffers (128 KiB each) once packed.
  const CString second = Source("second.bin", packagetest::Noise(200000, 7));
  sandbox.makeFolder("out");
  CZorbKxpPackage writer;
  ASSERT_EQ(writer.Create(PackagePath(), 3), 0);
  writer.SetRelativeRoot(Colon(sandbox, "src/"));
  ASSERT_EQ(writer.PackFile(first, false, false), 0);
  const std::string before = PackageBytes();
  // The first write buffer lands; the second, written when the entry is
  // complete, finds the disk full. The disk may stay full: what is still
  // buffered can then never be written out.
  for (int times : {1, -1}) {
    SCOPED_TRACE(times);
    platform::FaultInjectingFileSystem fs;
    platform::FileSystemOverride use(fs);
    fs.addRule({platform::kFsWrite, "p.kxp", 1, times, ENOSPC});
    EXPECT_EQ(writer.PackFile(second, false, false), -1);
    EXPECT_GE(fs.injectedFailures(), 1);
    EXPECT_EQ(PackageBytes(), before);
  }
  CZorbTypedVector<CString> names;
  ASSERT_EQ(CZorbKxpPackage(PackagePath()).UnPackFileNames(names), 0);
  EXPECT_EQ(Utf8(names), std::vector<std::string>{"first.txt"});
}

TEST_F(KxpWriterTest, ChunkCodecRefusesWhatItCannotDo) {
  CZorbKxpPackage package;
  unsigned char raw[16] = "0123456789abcde";
  unsigned char comp[64];
  uint32_t compLength = sizeof comp;
  EXPECT_EQ(package.Compress(nullptr, 4, comp, compLength), -1);
  ASSERT_EQ(package.Compress(raw, 16, comp, compLength), 0);
  unsigned char out[16];
  uint32_t outLength = 8;
  EXPECT_NE(package.Decompress(comp, compLength, out, outLength), 0);  // too little room
  outLength = 16;
  EXPECT_EQ(package.Decompress(comp, compLength, out, outLength), 0);
  EXPECT_EQ(outLength, 16u);
  EXPECT_EQ(std::memcmp(out, raw, 16), 0);
  EXPECT_NE(package.Decompress(comp, compLength - 3, out, outLength), 0);  // cut short
  package.SetCompression(0);
  EXPECT_EQ(package.Decompress(comp, compLength, out, outLength), -3);
}

}  // namespace

namespace {

// A version 1 package: each entry's name and its data in chunks of 1 KiB.
std::string KxpVersion1(const std::vector<std::pair<std::string, std::string>>& entries) {
  std::string out;
  const auto put = [&out](uint32_t value) { out.append(reinterpret_cast<const char*>(&value), 4); };
  put(1);
  put(1);
  for (const auto& [name, data] : entries) {
    put(static_cast<uint32_t>(name.size()));
    out += name;
    for (size_t at = 0; at < data.size(); at += CZorbKxpPackage::kChunkSize) {
      const std::string chunk = data.substr(at, CZorbKxpPackage::kChunkSize);
      std::string packed(compressBound(chunk.size()), '\0');
      uLongf packedLength = packed.size();
      compress(reinterpret_cast<Bytef*>(packed.data()), &packedLength,
               reinterpret_cast<const Bytef*>(chunk.data()), chunk.size());
      put(static_cast<uint32_t>(chunk.size()));
      put(static_cast<uint32_t>(packedLength));
      out.append(packed.data(), packedLength);
    }
    put(0);
  }
  return out;
}

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// How often the folder at posix was listed through the file-system seam.
int Listings(const platform::FaultInjectingFileSystem& fs, const std::string& posix) {
  int count = 0;
  for (const auto& call : fs.calls())
    if (call.op == platform::kFsList && call.path == posix) ++count;
  return count;
}

}  // namespace

// A name whose path cannot exist below the folder is refused before
// anything is written; listing refuses the names no folder could hold.
TEST_F(KxpTest, NamesBeyondTheLimitsAreRefusedBeforeWriting) {
  const std::string deepest = Repeat("d/", CZorbPackageNameSet::kMaxDepth - 1) + "x.txt";
  struct Case {
    const char* what;
    std::string name;
    int listResult;
    int unpackResult;
  } cases[] = {
      {"as deep as allowed", deepest, 0, 0},
      {"one level deeper", "d/" + deepest, -1, -1},
      {"3,000 levels in 6 KB", Repeat("d/", 3000) + "x", -1, -1},
      {"the longest component", std::string(255, 'n'), 0, 0},
      {"a longer component", std::string(256, 'n'), -1, -1},
      {"a longer path than the program's", Repeat(std::string(200, 'p') + "/", 11) + "x", 0, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes(sandbox.posix("n.kxp"), KxpVersion1({{"first.txt", "1"}, {c.name, "x"}}));
    CZorbTypedVector<CString> names;
    EXPECT_EQ(CZorbKxpPackage(Colon(sandbox, "n.kxp")).UnPackFileNames(names), c.listResult);
    EXPECT_EQ(CZorbKxpPackage(Colon(sandbox, "n.kxp")).UnPackTo(Target()), c.unpackResult);
    EXPECT_EQ(sandbox.list("work/target").empty(), c.unpackResult != 0);
    std::filesystem::remove_all(TargetPosix());
    sandbox.makeFolder("work/target");
  }
}

// Each new name is looked up in its folder without listing the folder for
// it: the folder is listed once, whatever the number of entries.
TEST_F(KxpTest, AFolderIsListedOnceForAllItsNewEntries) {
  std::vector<std::pair<std::string, std::string>> entries;
  for (int i = 0; i < 100; ++i) entries.emplace_back("many/f" + std::to_string(i) + ".txt", "x");
  WriteBytes(sandbox.posix("m.kxp"), KxpVersion1(entries));
  platform::FaultInjectingFileSystem faults;
  {
    platform::FileSystemOverride use(faults);
    ASSERT_EQ(CZorbKxpPackage(Colon(sandbox, "m.kxp")).UnPackTo(Target()), 0);
  }
  EXPECT_EQ(sandbox.list("work/target/many").size(), 100u);
  EXPECT_LE(Listings(faults, TargetPosix("many")), 1);
  EXPECT_LE(Listings(faults, TargetPosix()), 1);
}

TEST_F(KxpTest, NewFilesComeWholeAndAnOldOneOfAnotherCaseIsReplaced) {
  // Larger than one write of the unpacking; and one of a single byte.
  const std::string big = Pattern(300000, 3);
  WriteBytes(sandbox.posix("m.kxp"),
             KxpVersion1({{"big.bin", big}, {"one.txt", "1"}, {"Old.txt", "new"}}));
  sandbox.writeFile("work/target/old.TXT", "old");
  ASSERT_EQ(CZorbKxpPackage(Colon(sandbox, "m.kxp")).UnPackTo(Target()), 0);
  EXPECT_EQ(Read("big.bin"), big);
  EXPECT_EQ(Read("one.txt"), "1");
  EXPECT_EQ(Tree(TargetPosix()), (std::vector<std::string>{"Old.txt", "big.bin", "one.txt"}));
  EXPECT_EQ(Read("Old.txt"), "new");
}

// A link where a file goes, by its name or in another case, is not written
// through; an old file in the target is still replaced.
TEST_F(KxpTest, ALinkInPlaceOfAFileIsNotWrittenThrough) {
  sandbox.makeFolder("work/outside");
  sandbox.writeFile("work/outside/kept.txt", "kept");
  WriteBytes(sandbox.posix("l.kxp"), KxpVersion1({{"One.txt", "new"}}));
  for (const char* name : {"One.txt", "ONE.TXT"}) {
    SCOPED_TRACE(name);
    std::filesystem::create_symlink("../outside/kept.txt", TargetPosix(name));
    EXPECT_EQ(CZorbKxpPackage(Colon(sandbox, "l.kxp")).UnPackTo(Target()), -1);
    EXPECT_EQ(sandbox.readFile("work/outside/kept.txt"), "kept");
    std::filesystem::remove(TargetPosix(name));
  }
}

// A file whose type, creator or date cannot be set, or an old file that
// stays locked, is not unpacked as the package holds it: the unpacking fails.
TEST_F(KxpTest, AFileWhoseAttributesCannotBeSetFailsTheUnpacking) {
  struct Case {
    const char* name;
    uint32_t op;
    bool lockedBefore;
  } cases[] = {
      {"type and creator", platform::kFsSetXattr, false},
      {"date", platform::kFsSetTimes, false},
      {"lock", platform::kFsChmod, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.lockedBefore) {
      sandbox.writeFile("work/target/Readme.txt", "old");
      std::filesystem::permissions(TargetPosix("Readme.txt"), std::filesystem::perms::owner_read);
    }
    CZorbKxpPackage package(CopyFixture(sandbox, "kxp/v3.kxp", "v3.kxp"));
    {
      platform::FaultInjectingFileSystem faults;
      platform::FileSystemOverride use(faults);
      faults.failPath(TargetPosix("Readme.txt"), EIO, c.op);
      EXPECT_EQ(package.UnPackTo(Target()), -1);
    }
    std::filesystem::permissions(TargetPosix(), std::filesystem::perms::owner_all);
    std::filesystem::remove_all(TargetPosix());
    sandbox.makeFolder("work/target");
  }
}

namespace {

// The files are made durable once all are written; success is reported only
// when that worked.
TEST_F(KxpTest, UnpackingReportsFailureWhenTheFilesCannotBeMadeDurable) {
  CZorbKxpPackage package(CopyFixture(sandbox, "kxp/v3.kxp", "v3.kxp"));
  platform::FaultInjectingFileSystem faults;
  platform::FileSystemOverride use(faults);
  faults.failPath(TargetPosix("Readme.txt"), EIO, platform::kFsSync);
  EXPECT_EQ(package.UnPackTo(Target()), -1);
  faults.clearRules();
  const size_t before = faults.calls().size();
  EXPECT_EQ(package.UnPackTo(Target()), 0);
  // One pass at the end: each file and each folder once.
  const std::vector<platform::FaultInjectingFileSystem::Call> calls = faults.calls();
  std::vector<std::string> synced;
  for (size_t i = before; i < calls.size(); ++i)
    if (calls[i].op == platform::kFsSync) synced.push_back(calls[i].path);
  EXPECT_EQ(std::set<std::string>(synced.begin(), synced.end()).size(), synced.size());
  const auto has = [&](const std::string& path) {
    return std::find(synced.begin(), synced.end(), path) != synced.end();
  };
  EXPECT_TRUE(has(TargetPosix("Readme.txt")));
  EXPECT_TRUE(has(TargetPosix("Shared/big.bin")));
  EXPECT_TRUE(has(TargetPosix("Shared")));
  EXPECT_TRUE(has(TargetPosix()));
}

}  // namespace
