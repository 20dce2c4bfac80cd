#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/CResFile.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbPackageNameSet.h"
#include "foundation/Logger.h"
#include "package/CZorbKxpPackage.h"
#include "package/CZorbPackageUtility.h"
#include "package/CZorbYxpPackage.h"
#include "package/CZorbZipDirectory.h"
#include "package/tests/PackageTestSupport.h"
#include "pkg/tests/ZipTestSupport.h"
#include "platform/os/ColonPath.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "platform/os/Process.h"

#include "foundation/AppGlobals.h"

namespace {

namespace fs = std::filesystem;
using packagetest::Colon;
using packagetest::CopyFixture;
using packagetest::Pattern;
using packagetest::ReadBytes;
using packagetest::Tree;
using packagetest::Utf8;
using packagetest::WriteBytes;

// The log of the test, when a test switches it on.
std::ostringstream* g_log = nullptr;
Logger* LogToString() {
  auto stream = std::make_unique<std::ostringstream>();
  g_log = stream.get();
  return new Logger(std::move(stream));
}

platform::SpawnResult Spawn(const std::vector<std::string>& arguments,
                            const std::string& folder = std::string()) {
  platform::SpawnOptions options;
  options.arguments = arguments;
  options.workingFolder = folder;
  return platform::runProcess(options);
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

class YxpTest : public testsupport::SandboxTest {
 protected:
  void SetUp() override {
    m_savedAppPath = gAppPath;
    // The launchers as the build lays them out.
    gAppPath = std::string(PLEXAR_BINARY_DIR) + "/Plexar.app/Contents/Resources";
    sandbox.makeFolder("work/target");
    sandbox.makeFolder("src");
    sandbox.makeFolder("out");
  }
  void TearDown() override {
    gAppPath = m_savedAppPath;
    CZorbPackage::SetUnpackLimits(CZorbPackage::kDefaultUnpackLimits);
    Logger::resetForTest(nullptr);
    g_log = nullptr;
  }

  // Fake launchers: shell scripts in the sandbox's Resources folder.
  void FakeTools(const std::string& zip, const std::string& unzip) {
    const std::string folder = sandbox.posix("Applications/Plexar.app/Contents/Resources");
    for (const auto& [name, body] : {std::pair{"Zip", zip}, std::pair{"UnZip", unzip}}) {
      WriteBytes(folder + "/" + name, "#!/bin/sh\n" + body + "\n");
      fs::permissions(folder + "/" + name, fs::perms::owner_all);
    }
    gAppPath = folder;
  }

  CString Source(const std::string& relative, const std::string& data) {
    WriteBytes(sandbox.posix("src/" + relative), data);
    return Colon(sandbox, "src/" + relative);
  }
  CString Target() { return Colon(sandbox, "work/target/"); }
  std::string TargetPosix() { return sandbox.posix("work/target"); }
  std::string TempRoot() { return sandbox.config().tempRootFolder(); }

  // Lists and unpacks a package; the listing's result (UnPackTo runs only
  // after a listing that worked).
  int Unpack(const CString& package, std::vector<std::string>* names = nullptr) {
    std::unique_ptr<CZorbPackage> yxp(CZorbPackageUtility::createPackager(1, package));
    CZorbTypedVector<CString> list;
    const int listed = yxp->UnPackFileNames(list);
    if (names) *names = Sorted(Utf8(list));
    if (listed != 0) {
      EXPECT_EQ(yxp->UnPackTo(Target()), -1);
      return listed;
    }
    EXPECT_EQ(yxp->UnPackTo(Target()), 0);
    return 0;
  }

  // Packs the files and folders below src (paths relative to it) into
  // out/p.yxp; the result of PackComplete.
  int Pack(const std::vector<std::string>& items) {
    std::unique_ptr<CZorbPackage> yxp(CZorbPackageUtility::createPackager(1, nullptr));
    yxp->SetCreator(0x5171586D);  // 'QqXm', which YXP does not use
    if (yxp->Create(Colon(sandbox, "out/p.yxp"), 3) != 0) return -100;
    yxp->SetRelativeRoot(Colon(sandbox, "src/"));
    for (const std::string& item : items)
      if (yxp->PackFile(Colon(sandbox, "src/" + item), true, false) != 0) return -200;
    return yxp->PackComplete();
  }

  void ExpectTempRootEmpty() {
    const std::vector<std::string> left = Tree(TempRoot());
    EXPECT_TRUE(left.empty()) << left.front();
  }

 private:
  std::string m_savedAppPath;
};

TEST(PackageUtility, TypeWords) {
  EXPECT_EQ(CString(CZorbPackageUtility::getStringTraslationForPackageType(1)), CString(u"yxp"));
  EXPECT_EQ(CString(CZorbPackageUtility::getStringTraslationForPackageType(2)), CString(u"kxp"));
  for (int other : {0, 3, -1})
    EXPECT_EQ(CString(CZorbPackageUtility::getStringTraslationForPackageType(other)),
              CString(u"unk"));
  EXPECT_EQ(CZorbPackageUtility::getIntTraslationForPackageType(u"KXP"), 2);
  EXPECT_EQ(CZorbPackageUtility::getIntTraslationForPackageType(u"Yxp"), 1);
  for (const char16_t* other : {u"", u"zip", u"kxpx", static_cast<const char16_t*>(nullptr)})
    EXPECT_EQ(CZorbPackageUtility::getIntTraslationForPackageType(other), 0);
}

TEST_F(YxpTest, FactoryMakesThePackageOfTheType) {
  for (int type : {0, 1, 2, 7}) {
    std::unique_ptr<CZorbPackage> package(CZorbPackageUtility::createPackager(type, u"Disk:p"));
    EXPECT_EQ(dynamic_cast<CZorbYxpPackage*>(package.get()) != nullptr, type == 1);
    EXPECT_EQ(dynamic_cast<CZorbKxpPackage*>(package.get()) != nullptr, type != 1);
    char16_t name[CZorbPackage::kMaxPath + 1];
    package->GetFileName(name);
    EXPECT_EQ(CString(name), CString(u"Disk:p"));
  }
}

TEST_F(YxpTest, EachObjectOwnsAUniqueTemporaryRoot) {
  CString first;
  {
    CZorbYxpPackage a;
    CZorbYxpPackage b;
    first = a.GetTempRoot();
    EXPECT_NE(first, b.GetTempRoot());
    EXPECT_TRUE(CZorbOS::DirectoryExists(first));
    EXPECT_TRUE(CZorbOS::DirectoryExists(b.GetTempRoot()));
  }
  EXPECT_FALSE(CZorbOS::DirectoryExists(first));
  ExpectTempRootEmpty();
}

TEST_F(YxpTest, WithoutItsTemporaryRootNothingWorks) {
  Logger::resetForTest(&LogToString);
  Source("a.txt", "a");
  ASSERT_TRUE(
      Spawn({"zip", "-q", sandbox.posix("out/q.yxp"), "a.txt"}, sandbox.posix("src")).succeeded());
  platform::FaultInjectingFileSystem faults;
  faults.failPath("ZDR", EACCES, platform::kFsMkdir);
  std::unique_ptr<CZorbYxpPackage> writer;
  std::unique_ptr<CZorbYxpPackage> reader;
  {
    platform::FileSystemOverride use(faults);
    writer = std::make_unique<CZorbYxpPackage>();
    reader = std::make_unique<CZorbYxpPackage>(Colon(sandbox, "out/q.yxp"));
  }
  EXPECT_NE(g_log->str().find("is failed to create"), std::string::npos);
  EXPECT_EQ(writer->Create(Colon(sandbox, "out/p.yxp"), 3), -1);
  EXPECT_EQ(writer->PackFile(u"a.txt", Colon(sandbox, "src/a.txt"), false, false), -1);
  EXPECT_EQ(writer->PackComplete(), -1);
  CZorbTypedVector<CString> names;
  EXPECT_EQ(reader->UnPackFileNames(names), -1);
  EXPECT_EQ(reader->UnPackTo(Target()), -1);
  writer.reset();
  reader.reset();
  EXPECT_FALSE(sandbox.exists("out/p.yxp"));
  ExpectTempRootEmpty();
}

TEST_F(YxpTest, PacksAndUnpacksFilesFoldersAndForks) {
  const CString a = Source("a.txt", "alpha\n");
  Source("Docs/Caf\u00e9.txt", Pattern(70000, 7));
  Source("\u65e5\u672c/\u8a9e.txt", "text");
  Source("c/.DS_Store", "finder");
  sandbox.makeFolder("src/b");
  {
    CResFile fork;
    ASSERT_TRUE(fork.Open(a, 1));
    ASSERT_EQ(fork.Write("fork", 4), 0);
    fork.Close();
  }
  ASSERT_EQ(Pack({"a.txt", "Docs/Caf\u00e9.txt", "\u65e5\u672c/\u8a9e.txt", "c/.DS_Store", "b"}),
            0);
  ExpectTempRootEmpty();
  EXPECT_TRUE(Spawn({"unzip", "-tq", sandbox.posix("out/p.yxp")}).succeeded());

  std::vector<std::string> names;
  ASSERT_EQ(Unpack(Colon(sandbox, "out/p.yxp"), &names), 0);
  // An empty folder, or one with only Finder litter, is listed as a folder.
  EXPECT_EQ(names, (std::vector<std::string>{"Docs:Caf\u00e9.txt", "a.txt",
                                             "b:", "c:", "\u65e5\u672c:\u8a9e.txt"}));
  EXPECT_EQ(ReadBytes(TargetPosix() + "/Docs/Caf\u00e9.txt"), Pattern(70000, 7));
  EXPECT_EQ(ReadBytes(TargetPosix() + "/a.txt"), "alpha\n");
  EXPECT_EQ(ReadBytes(TargetPosix() + "/._a.txt").size() > 4, true);
  CResFile fork;
  ASSERT_TRUE(fork.Open(Colon(sandbox, "work/target/a.txt"), 0));
  char bytes[8] = {};
  EXPECT_EQ(fork.Read(bytes, 8), 4u);
  EXPECT_EQ(std::string(bytes, 4), "fork");
  fork.Close();
  EXPECT_TRUE(sandbox.isFolder("work/target/b"));
  ExpectTempRootEmpty();
}

// Archives that other people's zip makes unpack to exactly their files.
TEST_F(YxpTest, ArchivesMadeByZipUnpackExactly) {
  Source("top.txt", "top");
  Source("Caf\u00e9/\u00fcber.bin", packagetest::Noise(5000, 3));
  Source("deep/er/est.txt", Pattern(100000, 11));
  Source("deep/small.txt", Pattern(2000, 5));
  Source("empty.txt", "");
  sandbox.makeFolder("src/hollow");
  const std::vector<std::string> source = Tree(sandbox.posix("src"));
  const std::string archive = sandbox.posix("out/a.yxp");
  const std::vector<std::vector<std::string>> commands = {
      {"zip", "-q", "-r", "-0", archive, "."},
      {"zip", "-q", "-r", "-9", archive, "."},
      {"zip", "-q", "-r", "-fz", archive, "."},
      {"sh", "-c", "zip -q -r - . | cat > \"$0\"", archive},
  };
  for (const std::vector<std::string>& command : commands) {
    SCOPED_TRACE(command.back());
    fs::remove(archive);
    ASSERT_TRUE(Spawn(command, sandbox.posix("src")).succeeded());
    ASSERT_EQ(Unpack(Colon(sandbox, "out/a.yxp")), 0);
    // Limits as tight as the archive allows make the check inflate its
    // deflated data (unless everything is stored), which must agree with
    // the records.
    CZorbZipDirectory directory;
    ASSERT_TRUE(directory.Read(Colon(sandbox, "out/a.yxp"), CZorbPackage::kDefaultUnpackLimits));
    EXPECT_FALSE(directory.DataWasInflated());
    const CZorbPackage::UnpackLimits tight = {directory.GetExpandedBytes(),
                                              static_cast<uint32_t>(directory.GetEntries().size())};
    EXPECT_TRUE(directory.Read(Colon(sandbox, "out/a.yxp"), tight)) << directory.GetReason();
    EXPECT_EQ(directory.DataWasInflated(), command[3] != "-0");
    EXPECT_EQ(Tree(TargetPosix()), source);
    for (const std::string& item : source) {
      if (item.back() != '/') {
        EXPECT_EQ(ReadBytes(TargetPosix() + "/" + item), ReadBytes(sandbox.posix("src/" + item)))
            << item;
      }
    }
    fs::remove_all(TargetPosix());
    sandbox.makeFolder("work/target");
  }
  // Without folder entries the empty folder is lost, the rest arrives.
  fs::remove(archive);
  ASSERT_TRUE(Spawn({"zip", "-q", "-r", "-D", archive, "."}, sandbox.posix("src")).succeeded());
  ASSERT_EQ(Unpack(Colon(sandbox, "out/a.yxp")), 0);
  std::vector<std::string> expected;
  for (const std::string& item : source)
    if (item != "hollow/") expected.push_back(item);
  EXPECT_EQ(Tree(TargetPosix()), expected);
}

const char* const kHostileFixtures[] = {
    "name-dotdot.yxp",        "name-dotdot-inner.yxp",
    "name-absolute.yxp",      "name-backslash.yxp",
    "name-unicode-extra.yxp", "link-outside.yxp",
    "link-dot.yxp",           "link-then-file.yxp",
    "link-count-zero.yxp",    "dup-name.yxp",
    "dup-case.yxp",           "file-then-folder.yxp",
    "encrypted.yxp",          "lying-size.yxp",
    "huge-size.yxp",          "truncated.yxp",
    "not-a-zip.yxp",          "bomb-spread.yxp",
    "stored-local-size.yxp",  "bzip2.yxp",
};

TEST_F(YxpTest, HostileArchivesAreRefusedWithNothingLeftBehind) {
  for (const char* fixture : kHostileFixtures) {
    SCOPED_TRACE(fixture);
    const CString path = CopyFixture(sandbox, "yxp/" + std::string(fixture), "out/h.yxp");
    std::vector<std::string> names;
    EXPECT_EQ(Unpack(path, &names), -1);
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(sandbox.list("work/target").empty());
    EXPECT_FALSE(packagetest::AnyNamed(sandbox.root(), "escape.txt"));
    ExpectTempRootEmpty();
  }
}

// The tool writes what an entry inflates to, whatever its records say: a
// hostile archive must be refused before the tool runs.
TEST_F(YxpTest, HostileArchivesNeverReachTheTool) {
  const std::string marker = sandbox.posix("unzip-ran");
  FakeTools("exit 3", "touch '" + marker + "'; exit 1");
  // The claims of bomb-spread.yxp add up to 400045 bytes; its files inflate
  // to 1.2 MB.
  CZorbPackage::SetUnpackLimits({500000, 100});
  for (const char* fixture : kHostileFixtures) {
    // Its one file claims less than it holds and is held to that size
    // while the tool runs.
    if (std::string(fixture) == "lying-size.yxp") continue;
    SCOPED_TRACE(fixture);
    EXPECT_EQ(Unpack(CopyFixture(sandbox, "yxp/" + std::string(fixture), "out/h.yxp")), -1);
    EXPECT_FALSE(fs::exists(marker));
    fs::remove(marker);
  }
}

// A large file that is no archive is refused where it lies: none of its
// bytes is copied first.
TEST_F(YxpTest, AFileThatIsNoArchiveIsRefusedWithoutACopy) {
  const CString path = Source("big.yxp", std::string(4 << 20, 'x'));
  platform::FaultInjectingFileSystem files;
  platform::FileSystemOverride use(files);
  EXPECT_EQ(Unpack(path), -1);
  EXPECT_EQ(files.callCount(platform::kFsWrite), 0);
  ExpectTempRootEmpty();
}

// The tool gives items the modes the archive records. An item its owner
// cannot write is a locked file, or a folder that cannot be emptied (so the
// temporary folders could not be deleted); one that others can write is
// open to them.
TEST_F(YxpTest, UnpackedItemsAreTheOwnersAlone) {
  Source("d/locked.txt", "l");
  Source("d/open.txt", "o");
  Source("d/tool.sh", "#!/bin/sh\n");
  const auto mode = [](const std::string& path) {
    return static_cast<unsigned>(fs::status(path).permissions() & fs::perms::mask);
  };
  fs::permissions(sandbox.posix("src/d/locked.txt"), static_cast<fs::perms>(0444));
  fs::permissions(sandbox.posix("src/d/open.txt"), static_cast<fs::perms>(0666));
  fs::permissions(sandbox.posix("src/d/tool.sh"), static_cast<fs::perms>(0777));
  fs::permissions(sandbox.posix("src/d"), static_cast<fs::perms>(0555));
  const bool zipped =
      Spawn({"zip", "-q", "-r", sandbox.posix("out/m.yxp"), "d"}, sandbox.posix("src")).succeeded();
  fs::permissions(sandbox.posix("src/d"), static_cast<fs::perms>(0755));
  ASSERT_TRUE(zipped);

  CZorbYxpPackage yxp(Colon(sandbox, "out/m.yxp"));
  CZorbTypedVector<CString> names;
  ASSERT_EQ(yxp.UnPackFileNames(names), 0);
  const std::string unpack = *platform::colonToPosix(
      std::u16string(yxp.GetUnpackFolder().Get(), yxp.GetUnpackFolder().GetLength()));
  EXPECT_EQ(mode(unpack + "/d"), 0755u);
  EXPECT_EQ(mode(unpack + "/d/locked.txt"), 0644u);
  EXPECT_EQ(mode(unpack + "/d/open.txt"), 0644u);
  EXPECT_EQ(mode(unpack + "/d/tool.sh"), 0755u);
  ASSERT_EQ(yxp.UnPackTo(Target()), 0);
  EXPECT_EQ(mode(TargetPosix() + "/d/locked.txt") & 0200, 0200u);
  EXPECT_EQ(mode(TargetPosix() + "/d/open.txt") & 0022, 0u);
}

TEST_F(YxpTest, UnpackLimitsAreCheckedBeforeUnzipping) {
  Source("a.txt", std::string(600, 'a'));
  Source("b.txt", std::string(400, 'b'));
  ASSERT_EQ(Pack({"a.txt", "b.txt"}), 0);
  const CString path = Colon(sandbox, "out/p.yxp");
  CZorbPackage::SetUnpackLimits({999, 100});
  EXPECT_EQ(Unpack(path), -1);
  CZorbPackage::SetUnpackLimits({1 << 20, 1});
  EXPECT_EQ(Unpack(path), -1);
  EXPECT_TRUE(sandbox.list("work/target").empty());
  CZorbPackage::SetUnpackLimits({1000, 2});
  EXPECT_EQ(Unpack(path), 0);
}

TEST_F(YxpTest, PathsAreNeverShellText) {
  // A package name that a shell would take for commands.
  const std::string odd = "out/we\"ird; touch pwned; $(touch pwned2) `touch pwned3`.yxp";
  Source("a.txt", "a");
  std::unique_ptr<CZorbPackage> yxp(CZorbPackageUtility::createPackager(1, nullptr));
  ASSERT_EQ(yxp->Create(Colon(sandbox, odd), 3), 0);
  yxp->SetRelativeRoot(Colon(sandbox, "src/"));
  ASSERT_EQ(yxp->PackFile(Colon(sandbox, "src/a.txt"), false, false), 0);
  ASSERT_EQ(yxp->PackComplete(), 0);
  ASSERT_EQ(Unpack(Colon(sandbox, odd)), 0);
  EXPECT_EQ(ReadBytes(TargetPosix() + "/a.txt"), "a");
  for (const char* name : {"pwned", "pwned2", "pwned3"})
    EXPECT_FALSE(packagetest::AnyNamed(sandbox.root(), name));
}

TEST_F(YxpTest, ToolsRunWithTheirArgumentsInTheirFolder) {
  const std::string record = sandbox.posix("record.txt");
  FakeTools("pwd > '" + record + "'; printf '%s\\n' \"$@\" >> '" + record + "'; exit 0",
            "printf '%s\\n' \"$@\" > '" + record + "'; exit 0");
  CZorbYxpPackage yxp;
  ASSERT_EQ(yxp.Create(Colon(sandbox, "out/p.yxp"), 3), 0);
  const std::string staging = *platform::colonToPosix(
      std::u16string(yxp.GetStagingFolder().Get(), yxp.GetStagingFolder().GetLength()));
  const std::string zip = staging.substr(0, staging.size() - std::string("_PACKAGE").size());
  // Zip "succeeds" without writing the archive.
  EXPECT_EQ(yxp.PackComplete(), -1);
  EXPECT_EQ(ReadBytes(record), staging + "\n-UN=UTF8\n-r\n-y\n-q\n" + zip + "\n.\n");

  // UnZip gets the archive's copy and the unpack folder.
  ASSERT_TRUE(
      Spawn({"zip", "-q", sandbox.posix("out/q.yxp"), "record.txt"}, sandbox.root()).succeeded());
  CZorbYxpPackage reader(Colon(sandbox, "out/q.yxp"));
  CZorbTypedVector<CString> names;
  EXPECT_EQ(reader.UnPackFileNames(names), -1);  // nothing was unpacked
  const std::string unpack = *platform::colonToPosix(
      std::u16string(reader.GetUnpackFolder().Get(), reader.GetUnpackFolder().GetLength()));
  const std::string copy = unpack.substr(0, unpack.size() - std::string("_UNPACK").size());
  EXPECT_EQ(ReadBytes(record), copy + "\n-d\n" + unpack + "\n");
}

TEST_F(YxpTest, ToolFailuresAreReported) {
  Logger::resetForTest(&LogToString);
  Source("a.txt", "a");
  FakeTools("exit 3", "exit 9");
  EXPECT_EQ(Pack({"a.txt"}), -1);
  EXPECT_NE(g_log->str().find("Info-zip package failed, error code is: 3"), std::string::npos);
  ExpectTempRootEmpty();

  // A real archive, a failing unzip.
  gAppPath = std::string(PLEXAR_BINARY_DIR) + "/Plexar.app/Contents/Resources";
  ASSERT_EQ(Pack({"a.txt"}), 0);
  FakeTools("exit 3", "exit 9");
  EXPECT_EQ(Unpack(Colon(sandbox, "out/p.yxp")), -1);
  EXPECT_NE(g_log->str().find("Info-zip UnPackage failed, error code is: 9"), std::string::npos);

  // An unzip that waits for an answer gets none and does not hang.
  FakeTools("exit 3", "read answer; exit 1");
  EXPECT_EQ(Unpack(Colon(sandbox, "out/p.yxp")), -1);

  // An unzip that writes a link where the archive has a file.
  FakeTools("exit 3", "ln -s / \"$3/a.txt\"; exit 0");
  EXPECT_EQ(Unpack(Colon(sandbox, "out/p.yxp")), -1);
  EXPECT_NE(g_log->str().find("unpacked to other files than it lists"), std::string::npos);
  EXPECT_TRUE(sandbox.list("work/target").empty());

  // Tools that are not there.
  gAppPath = sandbox.posix("nowhere");
  EXPECT_EQ(Unpack(Colon(sandbox, "out/p.yxp")), -1);
  EXPECT_EQ(Pack({"a.txt"}), -1);
  EXPECT_EQ(sandbox.list("out"), std::vector<std::string>{});
  ExpectTempRootEmpty();
}

// The checked tree moves into the target by renaming; a rename that fails
// puts back what went and fails the unpacking.
TEST_F(YxpTest, UnPackToReportsMovesThatFail) {
  Source("a.txt", "a");
  Source("d/b.txt", "b");
  ASSERT_EQ(Pack({"a.txt", "d/b.txt"}), 0);
  CZorbYxpPackage yxp(Colon(sandbox, "out/p.yxp"));
  EXPECT_EQ(yxp.UnPackTo(Target()), -1);  // nothing unpacked yet
  CZorbTypedVector<CString> names;
  ASSERT_EQ(yxp.UnPackFileNames(names), 0);
  const std::string unpack = *platform::colonToPosix(
      std::u16string(yxp.GetUnpackFolder().Get(), yxp.GetUnpackFolder().GetLength()));
  {
    platform::FaultInjectingFileSystem faults;
    platform::FileSystemOverride use(faults);
    faults.failNth(2, EIO, platform::kFsRename);
    EXPECT_EQ(yxp.UnPackTo(Target()), -1);
  }
  EXPECT_TRUE(sandbox.list("work/target").empty());
  EXPECT_EQ(Tree(unpack), (std::vector<std::string>{"a.txt", "d/", "d/b.txt"}));
  // The folder must be empty to take the package.
  sandbox.writeFile("work/target/x", "x");
  EXPECT_EQ(yxp.UnPackTo(Target()), -1);
  fs::remove(TargetPosix() + "/x");
  EXPECT_EQ(yxp.UnPackTo(Target()), 0);
  EXPECT_EQ(ReadBytes(TargetPosix() + "/d/b.txt"), "b");
  EXPECT_TRUE(fs::is_empty(unpack));
  // Another target gets the package unpacked and checked anew.
  sandbox.makeFolder("work/second");
  EXPECT_EQ(yxp.UnPackTo(Colon(sandbox, "work/second/")), 0);
  EXPECT_EQ(ReadBytes(sandbox.posix("work/second/d/b.txt")), "b");
  EXPECT_EQ(ReadBytes(TargetPosix() + "/a.txt"), "a");
}

TEST_F(YxpTest, PackingChecksItsArguments) {
  Logger::resetForTest(&LogToString);
  const CString a = Source("a.txt", "a");
  CZorbYxpPackage yxp;
  EXPECT_EQ(yxp.Create(nullptr, 3), -1);  // no package name
  ASSERT_EQ(yxp.Create(Colon(sandbox, "out/p.yxp"), 3), 0);
  yxp.SetRelativeRoot(Colon(sandbox, "elsewhere/"));
  const std::string before = g_log->str();
  EXPECT_EQ(yxp.PackFile(a, false, false), -1);  // outside the root: no log
  EXPECT_EQ(g_log->str(), before);
  EXPECT_EQ(yxp.PackFile(u"", false, false), -1);
  EXPECT_EQ(yxp.PackFile(Colon(sandbox, "src/missing"), false, false), -1);
  EXPECT_EQ(yxp.PackFile(u"x", nullptr, false, false), -1);
  EXPECT_EQ(yxp.PackFile(u"", a, false, false), -1);
  EXPECT_NE(g_log->str().find("relative file path is empty"), std::string::npos);
  // The stored name loses its extension when asked.
  ASSERT_EQ(yxp.PackFile(u"dir:name.ext", a, false, true), 0);
  EXPECT_TRUE(CZorbOS::FileExists(yxp.GetStagingFolder() + u":dir:name"));
}

TEST_F(YxpTest, EmptyPackageFollowsZip) {
  std::unique_ptr<CZorbPackage> yxp(CZorbPackageUtility::createPackager(1, nullptr));
  ASSERT_EQ(yxp->Create(Colon(sandbox, "out/p.yxp"), 3), 0);
  // zip has nothing to do and says so with its exit status.
  EXPECT_EQ(yxp->PackComplete(), -1);
  EXPECT_FALSE(sandbox.exists("out/p.yxp"));
}

namespace {

// An archive written with the package library's records, names as given.
std::string ZipOf(const std::vector<std::pair<std::string, std::string>>& entries,
                  bool dataDescriptors = false) {
  auto file = std::make_shared<pkgtest::MemoryFile>();
  pkgtest::ArchiveWriter writer(file, nullptr, dataDescriptors);
  for (const auto& [name, data] : entries) writer.add(name, data);
  writer.finish();
  return file->str();
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

// The pre-check inflates only as many files as it takes for the others,
// each held to the largest size announced, to stay within the limits: the
// ones that could hide the most first.
TEST_F(YxpTest, OnlyFilesThatCouldPassTheLimitsAreInflated) {
  const std::string big(200000, 'a');
  const auto archive = [&](const std::string& small, uint32_t claimed) {
    std::string bytes = ZipOf({{"big.txt", big}, {"small.txt", small}});
    // The size the records announce for small.txt, in both headers.
    const size_t local = bytes.find("small.txt") - 30;
    const size_t central = bytes.rfind("small.txt") - 46;
    for (const size_t at : {local + 22, central + 24})
      for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(claimed >> (8 * i));
    WriteBytes(sandbox.posix("out/s.yxp"), bytes);
    return Colon(sandbox, "out/s.yxp");
  };
  const CZorbPackage::UnpackLimits generous = {1u << 30, 10};
  const CZorbPackage::UnpackLimits tight = {201000, 10};
  CZorbZipDirectory directory;
  const CString honest = archive(std::string(1000, 'b'), 1000);
  ASSERT_TRUE(directory.Read(honest, generous)) << directory.GetReason();
  EXPECT_FALSE(directory.DataWasInflated());
  ASSERT_TRUE(directory.Read(honest, tight)) << directory.GetReason();
  EXPECT_TRUE(directory.DataWasInflated());
  // A small file that holds more than it claims is found where the limits
  // need it checked.
  const CString lying = archive(std::string(5000, 'b'), 1000);
  EXPECT_TRUE(directory.Read(lying, generous));
  EXPECT_FALSE(directory.Read(lying, tight));
  EXPECT_NE(directory.GetReason().find("another size"), std::string::npos);
}

// The tool takes an entry's CRC from its local header, the library from
// the directory: where they differ, the archive is refused before the tool
// runs. Behind a data descriptor the local header holds no CRC.
TEST_F(YxpTest, ACrcThatDisagreesWithTheDirectoryIsRefused) {
  const std::string marker = sandbox.posix("unzip-ran");
  FakeTools("exit 3", "touch '" + marker + "'; exit 1");
  const std::string data(3000, 'c');
  struct Case {
    const char* what;
    bool dataDescriptors;
    size_t crcAt;  // of the record whose CRC changes, from its signature
    bool refused;
  } cases[] = {
      {"the local header's", false, 14, true},
      {"the directory's", false, 16, true},
      {"the directory's, behind a data descriptor", true, 16, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bytes = ZipOf({{"a.txt", data}}, c.dataDescriptors);
    const size_t record = c.crcAt == 14 ? 0 : bytes.rfind(std::string("PK\x01\x02", 4));
    ASSERT_NE(record, std::string::npos);
    bytes[record + c.crcAt] = static_cast<char>(bytes[record + c.crcAt] ^ 0x5A);
    WriteBytes(sandbox.posix("out/c.yxp"), bytes);
    CZorbZipDirectory directory;
    EXPECT_EQ(directory.Read(Colon(sandbox, "out/c.yxp"), CZorbPackage::kDefaultUnpackLimits),
              !c.refused);
    if (c.refused) {
      EXPECT_NE(directory.GetReason().find("disagrees"), std::string::npos)
          << directory.GetReason();
      EXPECT_EQ(Unpack(Colon(sandbox, "out/c.yxp")), -1);
      EXPECT_FALSE(fs::exists(marker));
    }
  }
}

// A name whose path cannot exist below the unpack folder is refused before
// the tool runs, however long the name.
TEST_F(YxpTest, NamesBeyondTheLimitsNeverReachTheTool) {
  const std::string marker = sandbox.posix("unzip-ran");
  FakeTools("exit 3", "touch '" + marker + "'; exit 1");
  const std::string names[] = {
      Repeat("d/", CZorbPackageNameSet::kMaxDepth) + "x.txt",
      Repeat("d/", 16000) + "x.txt",
      std::string(256, 'n'),
      Repeat(std::string(200, 'p') + "/", 11) + "x",
  };
  for (const std::string& name : names) {
    SCOPED_TRACE(name.substr(0, 40));
    WriteBytes(sandbox.posix("out/n.yxp"), ZipOf({{"first.txt", "1"}, {name, "x"}}));
    EXPECT_EQ(Unpack(Colon(sandbox, "out/n.yxp")), -1);
    EXPECT_FALSE(fs::exists(marker));
  }
  // Within the limits the tool runs.
  WriteBytes(sandbox.posix("out/n.yxp"),
             ZipOf({{Repeat("d/", CZorbPackageNameSet::kMaxDepth - 1) + "x.txt", "x"}}));
  EXPECT_EQ(Unpack(Colon(sandbox, "out/n.yxp")), -1);
  EXPECT_TRUE(fs::exists(marker));
}

// Copied into the folder, the files keep the modes the archive records
// (owner read and write added, group and world write taken away), also
// where the copy would give them the folder's: an administrator's copies
// take the folder's permissions.
TEST_F(YxpTest, UnpackedFilesKeepTheirRecordedModes) {
  sandbox.setUser(testsupport::SandboxMachine::User::Administrator);
  CZorbOS::ResetMultiUserMembersForTest();
  CZorbOS::InitMultiUserMembers();
  struct Reset {
    ~Reset() { CZorbOS::ResetMultiUserMembersForTest(); }
  } reset;
  struct Case {
    const char* name;
    unsigned recorded;
    unsigned unpacked;
  } cases[] = {
      {"plain.txt", 0644, 0644}, {"locked.txt", 0444, 0644}, {"open.txt", 0666, 0644},
      {"tool.sh", 0755, 0755},   {"shared.sh", 0777, 0755},  {"private.txt", 0600, 0600},
  };
  for (const Case& c : cases) {
    Source("d/" + std::string(c.name), c.name);
    fs::permissions(sandbox.posix("src/d/" + std::string(c.name)),
                    static_cast<fs::perms>(c.recorded));
  }
  ASSERT_TRUE(Spawn({"zip", "-q", "-r", sandbox.posix("out/m.yxp"), "d"}, sandbox.posix("src"))
                  .succeeded());
  fs::permissions(TargetPosix(), static_cast<fs::perms>(0755));
  ASSERT_EQ(Unpack(Colon(sandbox, "out/m.yxp")), 0);
  for (const Case& c : cases) {
    const fs::perms mode =
        fs::status(TargetPosix() + "/d/" + c.name).permissions() & fs::perms::mask;
    EXPECT_EQ(static_cast<unsigned>(mode), c.unpacked) << c.name;
  }
}

// Copying the unpacked files looks each new name up without listing its
// folder for it: the folder is listed once, whatever the number of files.
TEST_F(YxpTest, AFolderIsListedOnceForAllItsNewFiles) {
  std::vector<std::pair<std::string, std::string>> entries;
  for (int i = 0; i < 100; ++i) entries.emplace_back("many/f" + std::to_string(i) + ".txt", "x");
  WriteBytes(sandbox.posix("out/m.yxp"), ZipOf(entries));
  CZorbYxpPackage yxp(Colon(sandbox, "out/m.yxp"));
  CZorbTypedVector<CString> names;
  ASSERT_EQ(yxp.UnPackFileNames(names), 0);
  platform::FaultInjectingFileSystem faults;
  {
    platform::FileSystemOverride use(faults);
    ASSERT_EQ(yxp.UnPackTo(Target()), 0);
  }
  EXPECT_EQ(sandbox.list("work/target/many").size(), 100u);
  EXPECT_LE(Listings(faults, TargetPosix() + "/many"), 1);
  // The copy's own checks of the folder (it must be empty) list it too.
  EXPECT_LT(Listings(faults, TargetPosix()), 10);
}

// Archives from other projects' test suites: whatever they hold, nothing
// lands outside the folders given, and the unsafe ones are refused.
TEST_F(YxpTest, ConformanceCorpus) {
  const fs::path corpus = fs::path(PLEXAR_SHARED_DIR) / "corpus" / "zip";
  if (!fs::exists(corpus)) GTEST_SKIP() << "no zip corpus at " << corpus;
  const std::set<std::string> mustRefuse = {"cve-2021-27919-dotdot-name.zip",
                                            "cve-2021-41772-slash-names.zip",
                                            "cve-2021-33196-huge-file-count.zip",
                                            "cve-2021-39293-dirsize-overflow.zip",
                                            "symlink.zip",
                                            "dupdir.zip",
                                            "readme.notzip",
                                            "comment-truncated.zip"};
  const std::set<std::string> mustUnpack = {"test.zip",
                                            "test-trailing-junk.zip",
                                            "readme.zip",
                                            "dd.zip",
                                            "go-with-datadesc-sig.zip",
                                            "zip64.zip",
                                            "zip64-2.zip",
                                            "unix.zip",
                                            "subdir.zip",
                                            "winxp.zip",
                                            "utf8-infozip.zip",
                                            "utf8-osx.zip",
                                            "time-infozip.zip"};
  int seen = 0;
  for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file() || name == "README.md" || name.rfind("LICENSE", 0) == 0) continue;
    // The reader inconsistencies of this set are for the directory reader
    // alone (see ZipDirectoryReadsEveryCorpusArchive); unzip is slow.
    if (entry.path().parent_path().filename() == "libzip") continue;
    SCOPED_TRACE(entry.path().string());
    ++seen;
    WriteBytes(sandbox.posix("out/c.yxp"), ReadBytes(entry.path().string()));
    const int result = Unpack(Colon(sandbox, "out/c.yxp"));
    EXPECT_TRUE(result == 0 || result == -1);
    if (mustRefuse.count(name)) {
      EXPECT_EQ(result, -1);
    }
    if (mustUnpack.count(name)) {
      EXPECT_EQ(result, 0);
    }
    EXPECT_EQ(sandbox.list("work"), std::vector<std::string>{"target"});
    ExpectTempRootEmpty();
    fs::remove_all(TargetPosix());
    sandbox.makeFolder("work/target");
  }
  EXPECT_GT(seen, 0);
}

// The directory reader meets every archive of the corpus without crashing,
// and refuses the ones that hold what may not be unpacked.
TEST_F(YxpTest, ZipDirectoryReadsEveryCorpusArchive) {
  const fs::path corpus = fs::path(PLEXAR_SHARED_DIR) / "corpus" / "zip";
  if (!fs::exists(corpus)) GTEST_SKIP() << "no zip corpus at " << corpus;
  int read = 0;
  int refused = 0;
  for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
    if (!entry.is_regular_file() || entry.path().extension() == ".md") continue;
    SCOPED_TRACE(entry.path().string());
    WriteBytes(sandbox.posix("out/c.zip"), ReadBytes(entry.path().string()));
    CZorbZipDirectory directory;
    if (directory.Read(Colon(sandbox, "out/c.zip"), CZorbPackage::kDefaultUnpackLimits)) {
      ++read;
      EXPECT_TRUE(directory.GetReason().empty());
    } else {
      ++refused;
      EXPECT_FALSE(directory.GetReason().empty());
    }
  }
  EXPECT_GT(read, 100);
  EXPECT_GT(refused, 10);
}

}  // namespace
