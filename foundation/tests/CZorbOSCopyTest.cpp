#include <cerrno>
#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>

#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "foundation/tests/CZorbOSTestFixture.h"
#include "platform/os/ColonPath.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "platform/os/FileSystem.h"
#include "platform/os/MacStatus.h"
#include "platform/os/SymbolicLink.h"
#include "platform/os/Utf.h"

namespace fs = std::filesystem;
using platform::FaultInjectingFileSystem;
using platform::FileSystemOverride;

namespace {

constexpr uint32_t kText = 0x54455854;     // 'TEXT'
constexpr uint32_t kCreator = 0x5171586D;  // 'QqXm'

class Copying : public CZorbOSTest {
 protected:
  // src/ with files, a resource fork, Finder info, a sub-folder, an empty
  // folder and a link.
  void MakeTree(const std::string& top) {
    sandbox.writeFile(top + "/a.txt", "alpha");
    sandbox.writeFile(top + "/b.txt", "beta");
    WriteFork(top + "/b.txt", "resources of b");
    ASSERT_EQ(CZorbOS::SetFileTypeAndCreator(C(top + "/b.txt"), kText, kCreator), platform::noErr);
    sandbox.writeFile(top + "/sub/c.txt", "gamma");
    sandbox.writeFile(top + "/sub/deeper/d.txt", "delta");
    sandbox.makeFolder(top + "/empty");
    fs::create_symlink("a.txt", sandbox.posix(top + "/link"));
  }

  void ExpectTree(const std::string& top) {
    EXPECT_EQ(sandbox.list(top),
              (std::vector<std::string>{"._b.txt", "a.txt", "b.txt", "empty", "link", "sub"}))
        << top;
    EXPECT_EQ(sandbox.readFile(top + "/a.txt"), "alpha");
    EXPECT_EQ(sandbox.readFile(top + "/b.txt"), "beta");
    EXPECT_EQ(ReadFork(top + "/b.txt"), "resources of b");
    EXPECT_EQ(CZorbOS::GetFileType(C(top + "/b.txt")), kText);
    EXPECT_EQ(CZorbOS::GetFileCreator(C(top + "/b.txt")), kCreator);
    EXPECT_EQ(sandbox.readFile(top + "/sub/c.txt"), "gamma");
    EXPECT_EQ(sandbox.readFile(top + "/sub/deeper/d.txt"), "delta");
    EXPECT_TRUE(sandbox.isFolder(top + "/empty"));
    std::string target;
    EXPECT_EQ(platform::readSymbolicLink(sandbox.posix(top + "/link"), target), 0);
    EXPECT_EQ(target, "a.txt");
  }

  std::vector<std::string> TempItems() { return sandbox.list("tmp/plexar-501"); }
};

TEST_F(Copying, FileWithForksReplacesTheDestination) {
  sandbox.writeFile("a.txt", "new");
  WriteFork("a.txt", "fork");
  ASSERT_EQ(CZorbOS::SetFileTypeAndCreator(C("a.txt"), kText, kCreator), platform::noErr);
  sandbox.writeFile("out/a.txt", "old and longer");
  EXPECT_TRUE(CZorbOS::CopyFile(C("a.txt"), C("out/a.txt")));
  EXPECT_EQ(sandbox.readFile("out/a.txt"), "new");
  EXPECT_EQ(ReadFork("out/a.txt"), "fork");
  EXPECT_EQ(CZorbOS::GetFileType(C("out/a.txt")), kText);
  EXPECT_EQ(sandbox.list("out"), (std::vector<std::string>{"._a.txt", "a.txt"}));
  // Missing folders on the way are made.
  EXPECT_TRUE(CZorbOS::CopyFile(C("a.txt"), C("x/y/z.txt")));
  EXPECT_EQ(sandbox.readFile("x/y/z.txt"), "new");
  EXPECT_FALSE(CZorbOS::CopyFile(C("missing"), C("x/m.txt")));
  EXPECT_FALSE(CZorbOS::CopyFile(C("a.txt"), C("x/")));
}

TEST_F(Copying, FailedCopyKeepsTheOldDestination) {
  sandbox.writeFile("a.txt", "new content");
  sandbox.writeFile("out/a.txt", "old content");
  WriteFork("out/a.txt", "old fork");
  FaultInjectingFileSystem faults;
  FileSystemOverride use(faults);
  faults.failPath("out/a.txt", ENOSPC, platform::kFsWrite);
  EXPECT_FALSE(CZorbOS::CopyFile(C("a.txt"), C("out/a.txt")));
  faults.clearRules();
  EXPECT_EQ(sandbox.readFile("out/a.txt"), "old content");
  EXPECT_EQ(ReadFork("out/a.txt"), "old fork");
  EXPECT_EQ(sandbox.list("out"), (std::vector<std::string>{"._a.txt", "a.txt"}));
}

TEST_F(Copying, OntoItselfIsRefusedAndLosesNothing) {
  sandbox.writeFile("d/a.txt", "precious");
  fs::create_symlink(sandbox.posix("d/a.txt"), sandbox.posix("d/toA"));
  fs::create_directory_symlink(sandbox.posix("d"), sandbox.posix("alias"));
  fs::create_hard_link(sandbox.posix("d/a.txt"), sandbox.posix("d/hard.txt"));
  struct Case {
    const char* src;
    const char* dst;
  } cases[] = {
      {"d/a.txt", "d/a.txt"},      // the same path
      {"d/a.txt", "d/A.TXT"},      // a case variant
      {"d/a.txt", "alias/a.txt"},  // through a linked folder
      {"d/toA", "d/a.txt"},        // the source is a link to the destination
      {"d/a.txt", "d/hard.txt"},   // a second name of the same file
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(CZorbOS::CopyFile(C(c.src), C(c.dst))) << c.src << " -> " << c.dst;
    EXPECT_FALSE(CZorbOS::MoveFile(C(c.src), C(c.dst))) << c.src << " -> " << c.dst;
    EXPECT_EQ(sandbox.readFile("d/a.txt"), "precious") << c.src << " -> " << c.dst;
  }
  // A destination that is a link to the source is only a link: replaced.
  EXPECT_TRUE(CZorbOS::CopyFile(C("d/a.txt"), C("d/toA")));
  EXPECT_FALSE(CZorbOS::IsFileSymbolicLink(C("d/toA")));
  EXPECT_EQ(sandbox.readFile("d/toA"), "precious");
  EXPECT_EQ(sandbox.readFile("d/a.txt"), "precious");
}

TEST_F(Copying, MoveRenameAndTrash) {
  sandbox.writeFile("a.txt", "a");
  WriteFork("a.txt", "f");
  EXPECT_TRUE(CZorbOS::MoveFile(C("a.txt"), C("m/b.txt")));
  EXPECT_FALSE(sandbox.exists("a.txt"));
  EXPECT_FALSE(sandbox.exists("._a.txt"));
  EXPECT_EQ(ReadFork("m/b.txt"), "f");

  EXPECT_TRUE(CZorbOS::RenameFile(C("m/b.txt"), C("elsewhere/c.txt")));
  EXPECT_EQ(sandbox.list("m"), (std::vector<std::string>{"._c.txt", "c.txt"}));
  EXPECT_FALSE(CZorbOS::RenameFile(C("m/missing"), C("m/d")));
  EXPECT_FALSE(CZorbOS::RenameFile(C("m/c.txt"), C("m/" + std::string(256, 'n'))));

  EXPECT_TRUE(CZorbOS::MoveFileToTrash(C("m/c.txt")));
  EXPECT_EQ(sandbox.readFile(sandbox.homeRelative() + "/.Trash/c.txt"), "a");
  EXPECT_FALSE(sandbox.exists("m/c.txt"));
  // Again with the same name: the older one in the trash is replaced.
  sandbox.writeFile("m/c.txt", "second");
  EXPECT_TRUE(CZorbOS::MoveFileToTrash(C("m/c.txt")));
  EXPECT_EQ(sandbox.readFile(sandbox.homeRelative() + "/.Trash/c.txt"), "second");
  EXPECT_FALSE(CZorbOS::MoveFileToTrash(C("m/missing")));
}

TEST_F(Copying, NamesOfTheLongestLengths) {
  // Names of 254 and 255 bytes leave no room for a resource-fork sidecar;
  // their files are still seen, copied, moved and deleted, alone and in a tree.
  for (size_t length : {254u, 255u}) {
    SCOPED_TRACE(length);
    const std::string name(length, 'n');
    sandbox.writeFile("d/" + name, "long");
    EXPECT_TRUE(CZorbOS::FileExists(C("d/" + name)));
    EXPECT_EQ(CZorbOS::GetFileSize(C("d/" + name)), 4u);

    EXPECT_TRUE(CZorbOS::CopyFile(C("d/" + name), C("to/" + name)));
    EXPECT_EQ(sandbox.readFile("to/" + name), "long");
    EXPECT_TRUE(CZorbOS::CopyFile(C("to/" + name), C("back.txt")));
    EXPECT_EQ(sandbox.readFile("back.txt"), "long");
    EXPECT_TRUE(CZorbOS::MoveFile(C("to/" + name), C("moved/" + name)));
    EXPECT_EQ(sandbox.list("moved"), std::vector<std::string>{name});

    EXPECT_TRUE(CZorbOS::CopyDirectory(C("d"), C("copies")));
    EXPECT_EQ(sandbox.readFile("copies/d/" + name), "long");
    for (const char* folder : {"d", "to", "moved", "copies"})
      EXPECT_TRUE(CZorbOS::DeleteDirectory(C(folder), false)) << folder;
    EXPECT_FALSE(sandbox.exists("d"));
    EXPECT_FALSE(sandbox.exists("copies"));
    EXPECT_TRUE(TempItems().empty());
  }
}

TEST_F(Copying, TreeWithForksFinderInfoAndLinks) {
  MakeTree("src");
  sandbox.writeFile("dst/src/stale.txt", "to be replaced");
  EXPECT_TRUE(CZorbOS::CopyDirectory(C("src"), C("dst")));
  ExpectTree("src");
  ExpectTree("dst/src");
  EXPECT_FALSE(sandbox.exists("dst/src/stale.txt"));
  EXPECT_TRUE(TempItems().empty());

  // A folder path with a final ":" names the same folder.
  EXPECT_TRUE(CZorbOS::CopyDirectory(C("src/"), C("dst2/")));
  ExpectTree("dst2/src");

  sandbox.makeFolder("into");
  EXPECT_TRUE(CZorbOS::CopyDirectoryToEmptyFolder(C("src"), C("into")));
  ExpectTree("into");
  EXPECT_FALSE(CZorbOS::CopyDirectoryToEmptyFolder(C("src"), C("into")));
}

TEST_F(Copying, AMissingItemIsAFailure) {
  MakeTree("src");
  FaultInjectingFileSystem faults;
  FileSystemOverride use(faults);
  faults.failPath("dst/src/sub/c.txt", ENOSPC, platform::kFsOpenWrite);
  EXPECT_FALSE(CZorbOS::CopyDirectory(C("src"), C("dst")));
  faults.clearRules();
  // The walk went on past the failure.
  EXPECT_EQ(sandbox.readFile("dst/src/sub/deeper/d.txt"), "delta");

  faults.failPath("into/a.txt", ENOSPC, platform::kFsOpenWrite);
  sandbox.makeFolder("into");
  EXPECT_FALSE(CZorbOS::CopyDirectoryToEmptyFolder(C("src"), C("into")));
  faults.failPath("forced/src/sub", EIO, platform::kFsMkdir);
  EXPECT_FALSE(CZorbOS::ForceCopyDirectory(C("src"), C("forced")));
}

TEST_F(Copying, AnItemTheProgramCannotNameMakesTheCopyIncomplete) {
  MakeTree("src");
  // Not valid UTF-8: the listing leaves it out, so the copy cannot carry it.
  sandbox.writeFile("src/bad\xff.txt", "lost");
  EXPECT_FALSE(CZorbOS::CopyDirectory(C("src"), C("dst")));
  // The forced copy carries what it can, and still says it is incomplete.
  EXPECT_FALSE(CZorbOS::ForceCopyDirectory(C("src"), C("forced")));
  EXPECT_EQ(sandbox.readFile("forced/src/a.txt"), "alpha");

  EXPECT_FALSE(CZorbOS::MoveDirectory(C("src"), C("moved")));
  EXPECT_EQ(sandbox.readFile("src/bad\xff.txt"), "lost");
  EXPECT_FALSE(sandbox.exists("moved/src"));
}

TEST_F(Copying, MoveKeepsTheSourceWhenTheCopyIsIncomplete) {
  MakeTree("src");
  {
    FaultInjectingFileSystem faults;
    FileSystemOverride use(faults);
    faults.failPath("dst/src/sub/deeper/d.txt", EIO, platform::kFsWrite);
    EXPECT_FALSE(CZorbOS::MoveDirectory(C("src"), C("dst")));
  }
  ExpectTree("src");
  EXPECT_FALSE(sandbox.exists("dst/src"));

  EXPECT_TRUE(CZorbOS::MoveDirectory(C("src"), C("dst")));
  EXPECT_FALSE(sandbox.exists("src"));
  ExpectTree("dst/src");
  EXPECT_TRUE(TempItems().empty());
}

TEST_F(Copying, NeverOntoOrIntoItself) {
  MakeTree("top/src");
  // The target would be the source itself.
  EXPECT_FALSE(CZorbOS::CopyDirectory(C("top/src"), C("top")));
  EXPECT_FALSE(CZorbOS::MoveDirectory(C("top/src"), C("top")));
  EXPECT_FALSE(CZorbOS::ForceCopyDirectory(C("top/src"), C("top")));
  ExpectTree("top/src");
  // Into itself, also where the target does not exist yet.
  EXPECT_FALSE(CZorbOS::CopyDirectory(C("top/src"), C("top/src")));
  EXPECT_FALSE(CZorbOS::CopyDirectory(C("top/src"), C("top/src/sub/new")));
  EXPECT_FALSE(CZorbOS::copyDirectoryImpl(C("top/src"), C("top/src/new"), true));
  EXPECT_FALSE(sandbox.exists("top/src/sub/new"));
  EXPECT_FALSE(sandbox.exists("top/src/new"));
  // Replacing a folder that holds the source.
  sandbox.writeFile("nest/nest/f.txt", "f");
  EXPECT_FALSE(CZorbOS::CopyDirectory(C("nest/nest"), C("")));
  EXPECT_FALSE(CZorbOS::MoveDirectory(C("nest/nest"), C("")));
  EXPECT_EQ(sandbox.readFile("nest/nest/f.txt"), "f");
}

TEST_F(Copying, ForceCopyMergesIntoAnExistingFolder) {
  MakeTree("src");
  sandbox.writeFile("dst/src/a.txt", "old a");
  sandbox.writeFile("dst/src/kept.txt", "kept");
  EXPECT_TRUE(CZorbOS::ForceCopyDirectory(C("src"), C("dst")));
  EXPECT_EQ(sandbox.readFile("dst/src/a.txt"), "alpha");
  EXPECT_EQ(sandbox.readFile("dst/src/kept.txt"), "kept");
  EXPECT_EQ(ReadFork("dst/src/b.txt"), "resources of b");
  // An empty source copies fine.
  sandbox.makeFolder("nothing");
  EXPECT_TRUE(CZorbOS::ForceCopyDirectory(C("nothing"), C("dst")));
  EXPECT_TRUE(sandbox.isFolder("dst/nothing"));
  EXPECT_FALSE(CZorbOS::ForceCopyDirectory(C("missing"), C("dst")));
}

std::ostringstream* g_debugLog = nullptr;

Logger* DebugLogSetUp() {
  auto out = std::make_unique<std::ostringstream>();
  g_debugLog = out.get();
  return new Logger(std::move(out));
}

// The messages of the lines logged, without level, time and source.
std::vector<std::string> LoggedMessages() {
  std::vector<std::string> messages;
  std::istringstream in(g_debugLog != nullptr ? g_debugLog->str() : "");
  for (std::string line; std::getline(in, line);) {
    const size_t dash = line.find(") -");
    messages.push_back(line.substr(0, 8) +
                       (dash == std::string::npos ? line : line.substr(dash + 3)));
  }
  return messages;
}

TEST_F(Copying, FailuresAreLoggedAtDebugLevel) {
  Logger::resetForTest(&DebugLogSetUp);
  struct Restore {
    ~Restore() {
      Logger::resetForTest(nullptr);
      g_debugLog = nullptr;
    }
  } restore;
  sandbox.writeFile("a.txt", "a");
  sandbox.writeFile("out/a.txt", "old");
  {
    FaultInjectingFileSystem faults;
    FileSystemOverride use(faults);
    faults.failPath("out/a.txt", ENOSPC, platform::kFsWrite);
    faults.failPath(sandbox.posix("a.txt"), EACCES, platform::kFsUnlink);
    EXPECT_FALSE(CZorbOS::CopyFile(C("a.txt"), C("out/a.txt")));
    EXPECT_FALSE(CZorbOS::DeleteFile(C("a.txt"), false));
  }
  EXPECT_FALSE(CZorbOS::CopyFile(C("a.txt"), C("A.TXT")));  // onto itself
  EXPECT_EQ(LoggedMessages(), (std::vector<std::string>{
                                  "[DEBUG] Copy Disk:a.txt to Disk:out:a.txt failed : -34",
                                  "[DEBUG] Deleting file: Disk:a.txt with error: -5000",
                                  "[DEBUG] Copy Disk:a.txt to Disk:A.TXT failed : -48",
                              }));
}

// The old destination waits under a temporary name while the copy is made.
// When the copy fails and the old file cannot be put back either, the log
// says where it is; when it cannot even be moved aside, nothing is copied.
TEST_F(Copying, AFailedCopyPutsTheOldFileBackOrSaysWhereItIs) {
  Logger::resetForTest(&DebugLogSetUp);
  struct Restore {
    ~Restore() {
      Logger::resetForTest(nullptr);
      g_debugLog = nullptr;
    }
  } restore;
  using Rule = FaultInjectingFileSystem::Rule;
  const Rule failWrite{platform::kFsWrite, "out/a.txt", 0, -1, ENOSPC};
  struct Case {
    const char* name;
    std::vector<Rule> rules;
    bool keptAside;  // else the old file stays at out/a.txt
  } cases[] = {
      // The partial copy goes and the old file comes back.
      {"copy fails", {failWrite}, false},
      // The partial copy cannot be removed, so the name stays taken.
      {"partial copy stays", {failWrite, {platform::kFsUnlink, "out/a.txt", 0, -1, EIO}}, true},
      // Moving the file and its sidecar aside passes; moving them back fails.
      {"move back fails", {failWrite, {platform::kFsRename, ".plexar-old-", 2, -1, EIO}}, true},
      {"move aside fails", {failWrite, {platform::kFsRename, "out/a.txt", 0, -1, EACCES}}, false},
  };
  for (const Case& c : cases) {
    sandbox.writeFile("a.txt", "new content");
    sandbox.writeFile("out/a.txt", "old content");
    WriteFork("out/a.txt", "old fork");
    if (g_debugLog != nullptr) g_debugLog->str("");
    {
      FaultInjectingFileSystem faults;
      FileSystemOverride use(faults);
      for (const Rule& rule : c.rules) faults.addRule(rule);
      EXPECT_FALSE(CZorbOS::CopyFile(C("a.txt"), C("out/a.txt"))) << c.name;
    }
    std::string old = "out/a.txt";
    const std::string logged = g_debugLog != nullptr ? g_debugLog->str() : "";
    const std::string mark = "[ERROR]";
    const std::string kept = "; it is kept as ";
    if (c.keptAside) {
      ASSERT_NE(logged.find(mark), std::string::npos) << c.name << "\n" << logged;
      const std::string line = logged.substr(logged.find(mark));
      EXPECT_NE(line.find("The old Disk:out:a.txt could not be put back"), std::string::npos)
          << line;
      ASSERT_NE(line.find(kept), std::string::npos) << line;
      const std::string colon = line.substr(line.find(kept) + kept.size(),
                                            line.find('\n') - line.find(kept) - kept.size());
      const auto posix = platform::colonToPosix(platform::utf8ToUtf16(colon).value());
      ASSERT_TRUE(posix.has_value()) << colon;
      ASSERT_EQ(posix->rfind(sandbox.root() + "/", 0), 0u) << *posix;
      old = posix->substr(sandbox.root().size() + 1);
      EXPECT_EQ(old.rfind("out/.plexar-old-", 0), 0u) << old;
    } else {
      EXPECT_EQ(logged.find(mark), std::string::npos) << c.name << "\n" << logged;
    }
    EXPECT_EQ(sandbox.readFile(old), "old content") << c.name;
    EXPECT_EQ(ReadFork(old), "old fork") << c.name;
    if (!c.keptAside) {
      // Nothing else stays beside it.
      std::vector<std::string> left = sandbox.list("out");
      EXPECT_EQ(left, (std::vector<std::string>{"._a.txt", "a.txt"})) << c.name;
    }
    fs::remove_all(sandbox.posix("out"));
  }
}

// A copy that stands is a success even when the old bytes it moved aside
// cannot be removed: they are tried again at once, then when the operation
// ends, and what stays even then is logged as an error with its place.
TEST_F(Copying, OldBytesThatCannotBeRemovedAtOnceGoWhenTheOperationEnds) {
  Logger::resetForTest(&DebugLogSetUp);
  struct Restore {
    ~Restore() {
      Logger::resetForTest(nullptr);
      g_debugLog = nullptr;
    }
  } restore;
  using Rule = FaultInjectingFileSystem::Rule;
  const std::string oldFile = "/.plexar-old-";
  const std::string oldSidecar = "/._.plexar-old-";
  struct Case {
    const char* name;
    Rule rule;
    bool waits;        // the old bytes stay until the operation ends
    bool stayForGood;  // the rule still holds when it ends
  } cases[] = {
      {"the second try removes it", {platform::kFsUnlink, oldFile, 0, 1, EIO}, false, false},
      {"the old file waits", {platform::kFsUnlink, oldFile, 0, -1, EBUSY}, true, false},
      {"its sidecar waits", {platform::kFsUnlink, oldSidecar, 0, -1, EIO}, true, false},
      {"nothing removes it", {platform::kFsUnlink, oldFile, 0, -1, EACCES}, true, true},
  };
  const std::vector<std::string> copied{"._a.txt", "a.txt"};
  for (const Case& c : cases) {
    sandbox.writeFile("a.txt", "new content");
    WriteFork("a.txt", "new fork");
    sandbox.writeFile("out/a.txt", "old content");
    WriteFork("out/a.txt", "old fork");
    if (g_debugLog != nullptr) g_debugLog->str("");
    {
      FaultInjectingFileSystem faults;
      FileSystemOverride use(faults);
      faults.addRule(c.rule);
      EXPECT_TRUE(CZorbOS::CopyFile(C("a.txt"), C("out/a.txt"))) << c.name;
      EXPECT_GT(faults.injectedFailures(), 0) << c.name;
      EXPECT_EQ(sandbox.readFile("out/a.txt"), "new content") << c.name;
      EXPECT_EQ(ReadFork("out/a.txt"), "new fork") << c.name;
      if (c.waits) {
        EXPECT_NE(sandbox.list("out"), copied) << c.name;
      } else {
        EXPECT_EQ(sandbox.list("out"), copied) << c.name;
      }
      if (c.stayForGood) {
        EXPECT_FALSE(CZorbOS::RemoveCopyLeftovers()) << c.name;
        const std::string logged = g_debugLog != nullptr ? g_debugLog->str() : "";
        EXPECT_NE(logged.find("[ERROR]"), std::string::npos) << logged;
        EXPECT_NE(
            logged.find("The old bytes of a replaced file could not be removed (-5000); "
                        "they stay as " +
                        platform::utf16ToUtf8(sandbox.colon("out")).value() + ":.plexar-old-"),
            std::string::npos)
            << logged;
      }
    }
    // Reported once: the next operation's end does not try again.
    EXPECT_TRUE(CZorbOS::RemoveCopyLeftovers()) << c.name;
    if (c.stayForGood) {
      EXPECT_NE(sandbox.list("out"), copied) << c.name;
    } else {
      EXPECT_EQ(sandbox.list("out"), copied) << c.name;
      EXPECT_EQ(LoggedMessages().size(), c.waits ? 1u : 0u) << c.name;
    }
    fs::remove_all(sandbox.posix("out"));
  }
}

using DeletingTrees = Copying;

TEST_F(DeletingTrees, DeletesTheTreeAndItsBackup) {
  MakeTree("t");
  EXPECT_TRUE(CZorbOS::DeleteDirectory(C("t"), false));
  EXPECT_FALSE(sandbox.exists("t"));
  EXPECT_TRUE(TempItems().empty());
  EXPECT_FALSE(CZorbOS::DeleteDirectory(C("t"), false));
}

TEST_F(DeletingTrees, FailureHalfwayPutsEverythingBack) {
  MakeTree("t");
  sandbox.writeFile("t/e.txt", "epsilon");
  FaultInjectingFileSystem faults;
  FileSystemOverride use(faults);
  // The third file of the walk (a.txt, b.txt, e.txt, ...) cannot go.
  faults.failPath(sandbox.posix("t/e.txt"), EACCES, platform::kFsUnlink);
  EXPECT_FALSE(CZorbOS::DeleteDirectory(C("t"), false));
  faults.clearRules();
  EXPECT_EQ(sandbox.readFile("t/e.txt"), "epsilon");
  fs::remove(sandbox.posix("t/e.txt"));
  ExpectTree("t");
  EXPECT_TRUE(TempItems().empty());
}

TEST_F(DeletingTrees, WithoutACompleteBackupNothingIsDeleted) {
  MakeTree("t");
  FaultInjectingFileSystem faults;
  FileSystemOverride use(faults);
  faults.failPath("/deeper/d.txt", ENOSPC, platform::kFsOpenWrite);
  EXPECT_FALSE(CZorbOS::DeleteDirectory(C("t"), false));
  faults.clearRules();
  ExpectTree("t");
  EXPECT_TRUE(TempItems().empty());
  EXPECT_GT(faults.callCount(platform::kFsUnlink | platform::kFsRmdir), 0);
  for (const auto& call : faults.calls()) {
    if (call.op == platform::kFsUnlink || call.op == platform::kFsRmdir) {
      EXPECT_NE(call.path.find("/tmp/plexar-501/"), std::string::npos) << call.path;
    }
  }
}

TEST_F(DeletingTrees, AFailedRestoreKeepsTheBackup) {
  MakeTree("t");
  FaultInjectingFileSystem faults;
  FileSystemOverride use(faults);
  faults.failPath(sandbox.posix("t/sub/c.txt"), EACCES, platform::kFsUnlink);
  // a.txt cannot be written back.
  faults.failPath(sandbox.posix("t/a.txt"), EIO, platform::kFsOpenWrite);
  EXPECT_FALSE(CZorbOS::DeleteDirectory(C("t"), false));
  faults.clearRules();
  // a.txt was deleted and could not be restored: its copy is still there.
  EXPECT_FALSE(sandbox.exists("t/a.txt"));
  const auto temp = TempItems();
  ASSERT_EQ(temp.size(), 1u);
  EXPECT_EQ(sandbox.readFile("tmp/plexar-501/" + temp[0] + "/t/a.txt"), "alpha");
}

TEST_F(DeletingTrees, NoLengthLimit) {
  std::string path = "long";
  while (sandbox.colon(path).size() <= 2100) path += "/" + std::string(200, 'x');
  sandbox.writeFile(path + "/f.txt", "deep");
  EXPECT_GT(C(path).GetLength(), 2048);
  EXPECT_TRUE(CZorbOS::DeleteDirectory(C("long"), false));
  EXPECT_FALSE(sandbox.exists("long"));
}

}  // namespace
