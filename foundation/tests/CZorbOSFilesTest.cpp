#include <cerrno>
#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "foundation/CZorbDateTime.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbString.h"
#include "foundation/tests/CZorbOSTestFixture.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "platform/os/FileSystem.h"
#include "platform/os/MacStatus.h"

namespace fs = std::filesystem;
using platform::FaultInjectingFileSystem;
using platform::FileSystemOverride;

namespace {

using Existence = CZorbOSTest;

TEST_F(Existence, FilesFoldersAndPackages) {
  sandbox.writeFile("d/a.txt", "a");
  sandbox.makeFolder("d/plain");
  sandbox.writeFile("d/Tool.app/Contents/Info.plist", "<plist/>");
  fs::create_directory_symlink(sandbox.posix("d/plain"), sandbox.posix("d/linkToFolder"));
  fs::create_symlink(sandbox.posix("d/nothing"), sandbox.posix("d/dangling"));

  struct Case {
    std::u16string path;
    bool file, folder;
  } cases[] = {
      {sandbox.colon("d/a.txt"), true, false},
      {sandbox.colon("d/A.TXT"), true, false},  // names match ignoring case
      {sandbox.colon("d/plain"), false, true},
      {sandbox.colon("d/plain/"), false, true},   // "Disk:...:plain:"
      {sandbox.colon("d/Tool.app"), true, true},  // a package counts as a file
      {sandbox.colon("d/linkToFolder"), false, true},
      {sandbox.colon("d/dangling"), true, false},
      {sandbox.colon("d/missing"), false, false},
      {sandbox.colon("d/a.txt/x"), false, false},
      {u"Nowhere:d", false, false},
      {u"", false, false},
  };
  for (const auto& c : cases) {
    const CString path(c.path.c_str());
    EXPECT_EQ(CZorbOS::FileExists(path), c.file) << Str(path);
    EXPECT_EQ(CZorbOS::DirectoryExists(path), c.folder) << Str(path);
    EXPECT_EQ(CZorbOS::isFolder(path), c.folder) << Str(path);
  }
  EXPECT_FALSE(CZorbOS::FileExists(nullptr));
}

TEST_F(Existence, ComposedAndDecomposedNamesFindEachOther) {
  // Packages made on a Mac carry decomposed names ("e" and a combining
  // accent), descriptions composed ones; either finds the other.
  const std::string decomposed = "Cafe\xCC\x81";
  const std::string composed = "R\xC3\xA9sum\xC3\xA9.txt";
  sandbox.writeFile("d/" + decomposed + "/menu.txt", "menu");
  sandbox.writeFile("d/" + composed, "cv");
  EXPECT_TRUE(CZorbOS::DirectoryExists(C("d/Caf\xC3\xA9")));
  EXPECT_TRUE(CZorbOS::FileExists(C("d/CAF\xC3\x89/menu.txt")));
  EXPECT_TRUE(CZorbOS::FileExists(C("d/Re\xCC\x81sume\xCC\x81.txt")));
  EXPECT_EQ(CZorbOS::GetFileSize(C("d/Re\xCC\x81sume\xCC\x81.txt")), 2u);
  // A copy into the folder named the other way goes into the one there.
  EXPECT_TRUE(CZorbOS::CopyFile(C("d/Caf\xC3\xA9/menu.txt"), C("d/Caf\xC3\xA9/copy.txt")));
  EXPECT_EQ(sandbox.list("d"), (std::vector<std::string>{decomposed, composed}));
  EXPECT_EQ(sandbox.readFile("d/" + decomposed + "/copy.txt"), "menu");
}

TEST_F(Existence, FileUrlPrefixOnlyForFiles) {
  sandbox.writeFile("Folder/a.txt", "a");
  // file:///Disk/Folder/a.txt is tested as Disk:Folder:a.txt.
  const std::u16string url = u"file:///Disk/Folder/a.txt";
  EXPECT_TRUE(CZorbOS::FileExists(CString(url.c_str())));
  EXPECT_FALSE(CZorbOS::DirectoryExists(CString(u"file:///Disk/Folder")));
  EXPECT_FALSE(CZorbOS::FileExists(CString(u"file:///Disk/Folder/b.txt")));
}

TEST_F(Existence, AnswerFollowsTheDiskNotTheCache) {
  sandbox.writeFile("x", "file");
  const CString path = C("x");
  EXPECT_TRUE(CZorbOS::FileExists(path));
  fs::remove(sandbox.posix("x"));
  sandbox.makeFolder("x");
  EXPECT_FALSE(CZorbOS::FileExists(path));
  EXPECT_TRUE(CZorbOS::DirectoryExists(path));
  fs::remove(sandbox.posix("x"));
  EXPECT_FALSE(CZorbOS::DirectoryExists(path));
}

TEST_F(Existence, EmptyFoldersAndListedExceptions) {
  sandbox.makeFolder("e");
  EXPECT_TRUE(CZorbOS::IsDirectoryEmpty(C("e")));
  EXPECT_TRUE(CZorbOS::IsDirectoryEmpty(C("missing")));
  sandbox.writeFile("e/.DS_Store", "");
  sandbox.makeFolder("e/configuration");
  EXPECT_FALSE(CZorbOS::IsDirectoryEmpty(C("e")));

  CZorbTypedList<CZorbString> names;
  names.push_back(CZorbString(u"Configuration"));
  bool saw = false;
  EXPECT_TRUE(CZorbOS::IsDirectoryEmptyExceptFor(C("e"), names, saw));
  EXPECT_TRUE(saw);
  sandbox.writeFile("e/stray.txt", "");
  EXPECT_FALSE(CZorbOS::IsDirectoryEmptyExceptFor(C("e"), names, saw));
  fs::remove(sandbox.posix("e/stray.txt"));
  sandbox.makeFolder("e/Other");
  EXPECT_FALSE(CZorbOS::IsDirectoryEmptyExceptFor(C("e"), names, saw));

  // Without names it is the plain test.
  EXPECT_FALSE(CZorbOS::IsDirectoryEmptyExceptFor(C("e"), CZorbTypedList<CZorbString>(), saw));
  EXPECT_FALSE(saw);
}

using Creating = CZorbOSTest;

TEST_F(Creating, WithAndWithoutParents) {
  EXPECT_FALSE(CZorbOS::CreateDirectory(C("a/b/c"), false));
  EXPECT_FALSE(sandbox.exists("a"));
  EXPECT_TRUE(CZorbOS::CreateDirectory(C("a/b/c/"), true));
  EXPECT_TRUE(sandbox.isFolder("a/b/c"));
  // Already there: fine with parents, a failure without.
  EXPECT_TRUE(CZorbOS::CreateDirectory(C("a/b/c"), true));
  EXPECT_FALSE(CZorbOS::CreateDirectory(C("a/b/c"), false));
  EXPECT_TRUE(CZorbOS::CreateDirectory(C("a/b/d"), false));
  // A file in the way.
  sandbox.writeFile("f", "x");
  EXPECT_FALSE(CZorbOS::CreateDirectory(C("f/g"), true));
  EXPECT_FALSE(CZorbOS::CreateDirectory(u"Nowhere:x", true));
  // A name the file system cannot take whole is refused, not cut.
  const std::string longName(256, 'n');
  EXPECT_FALSE(CZorbOS::CreateDirectory(C(longName), true));
  EXPECT_FALSE(sandbox.exists(std::string(255, 'n')));
}

TEST_F(Creating, FailedMkdirIsReported) {
  FaultInjectingFileSystem faults;
  FileSystemOverride use(faults);
  faults.failPath("/q/r", ENOSPC, platform::kFsMkdir);
  EXPECT_FALSE(CZorbOS::CreateDirectory(C("q/r/s"), true));
  EXPECT_TRUE(sandbox.isFolder("q"));
  EXPECT_FALSE(sandbox.exists("q/r"));
}

using Deleting = CZorbOSTest;

int UnlinkCalls(const FaultInjectingFileSystem& faults, const std::string& name) {
  int n = 0;
  for (const auto& call : faults.calls())
    if (call.op == platform::kFsUnlink && call.path.find(name) != std::string::npos) ++n;
  return n;
}

TEST_F(Deleting, BusyFileIsTriedFourTimesOneSecondApart) {
  sandbox.writeFile("busy.txt", "x");
  FaultInjectingFileSystem faults;
  FileSystemOverride use(faults);
  faults.failPath("busy.txt", EBUSY, platform::kFsUnlink);
  const uint64_t start = sandbox.clock().nowMs();
  EXPECT_FALSE(CZorbOS::DeleteFile(C("busy.txt"), false));
  EXPECT_EQ(UnlinkCalls(faults, "busy.txt"), 4);
  EXPECT_GE(sandbox.clock().nowMs() - start, 3000u);
  EXPECT_LT(sandbox.clock().nowMs() - start, 3100u);
  EXPECT_TRUE(sandbox.exists("busy.txt"));
}

TEST_F(Deleting, BusyRetryStopsWhenTheFileIsFree) {
  sandbox.writeFile("busy.txt", "x");
  FaultInjectingFileSystem faults;
  FileSystemOverride use(faults);
  faults.failPath("busy.txt", EBUSY, platform::kFsUnlink, 2);
  EXPECT_TRUE(CZorbOS::DeleteFile(C("busy.txt"), false));
  EXPECT_EQ(UnlinkCalls(faults, "busy.txt"), 3);
  EXPECT_FALSE(sandbox.exists("busy.txt"));
}

TEST_F(Deleting, ForceDoesNotWait) {
  sandbox.writeFile("busy.txt", "x");
  FaultInjectingFileSystem faults;
  FileSystemOverride use(faults);
  faults.failPath("busy.txt", EBUSY, platform::kFsUnlink, 1);
  const uint64_t start = sandbox.clock().nowMs();
  EXPECT_TRUE(CZorbOS::DeleteFile(C("busy.txt"), true));
  EXPECT_EQ(sandbox.clock().nowMs(), start);
  EXPECT_EQ(UnlinkCalls(faults, "busy.txt"), 2);
}

TEST_F(Deleting, OtherFailuresAreFinal) {
  sandbox.writeFile("f.txt", "x");
  FaultInjectingFileSystem faults;
  FileSystemOverride use(faults);
  faults.failPath("f.txt", EACCES, platform::kFsUnlink);
  EXPECT_FALSE(CZorbOS::DeleteFile(C("f.txt"), false));
  EXPECT_EQ(UnlinkCalls(faults, "f.txt"), 1);
  EXPECT_FALSE(CZorbOS::DeleteFile(C("missing.txt"), false));
}

TEST_F(Deleting, FileTakesItsResourceForkAlong) {
  sandbox.writeFile("r.txt", "data");
  WriteFork("r.txt", "fork");
  ASSERT_TRUE(sandbox.exists("._r.txt"));
  EXPECT_TRUE(CZorbOS::DeleteFile(C("r.txt"), false));
  EXPECT_FALSE(sandbox.exists("r.txt"));
  EXPECT_FALSE(sandbox.exists("._r.txt"));
}

TEST_F(Deleting, RemoveDirectoryTakesOnlyEmptyFolders) {
  sandbox.makeFolder("empty");
  sandbox.writeFile("full/a", "a");
  sandbox.writeFile("file", "x");
  fs::create_directory_symlink(sandbox.posix("empty"), sandbox.posix("link"));
  EXPECT_FALSE(CZorbOS::RemoveDirectory(C("full")));
  EXPECT_FALSE(CZorbOS::RemoveDirectory(C("file")));
  EXPECT_FALSE(CZorbOS::RemoveDirectory(C("link")));
  EXPECT_TRUE(sandbox.exists("file"));
  EXPECT_TRUE(sandbox.exists("link"));
  EXPECT_TRUE(CZorbOS::RemoveDirectory(C("empty")));
  EXPECT_FALSE(sandbox.exists("empty"));
}

TEST_F(Deleting, TreeWithoutRollbackStopsAtTheFirstFailure) {
  for (const char* f : {"t/a", "t/b", "t/c", "t/d"}) sandbox.writeFile(f, f);
  FaultInjectingFileSystem faults;
  FileSystemOverride use(faults);
  faults.failPath("t/c", EACCES, platform::kFsUnlink);
  EXPECT_FALSE(CZorbOS::DeleteDirectoryWithoutRollback(C("t"), false));
  EXPECT_EQ(sandbox.list("t"), (std::vector<std::string>{"c", "d"}));
}

TEST_F(Deleting, ALinkToAFolderGoesAsALink) {
  sandbox.writeFile("real/keep.txt", "kept");
  fs::create_directory_symlink(sandbox.posix("real"), sandbox.posix("t"));
  fs::create_directory_symlink(sandbox.posix("real"), sandbox.posix("u"));
  EXPECT_TRUE(CZorbOS::DeleteDirectoryWithoutRollback(C("t"), false));
  EXPECT_FALSE(sandbox.exists("t"));
  EXPECT_TRUE(CZorbOS::DeleteDirectory(C("u/"), false));  // a folder path: "Disk:...:u:"
  EXPECT_FALSE(sandbox.exists("u"));
  EXPECT_EQ(sandbox.readFile("real/keep.txt"), "kept");
  EXPECT_TRUE(sandbox.list("tmp/plexar-501").empty());
}

TEST_F(Deleting, ListsItemsInOrderWithTheirKind) {
  sandbox.writeFile("l/b.txt", "");
  sandbox.makeFolder("l/a");
  std::vector<CZorbOS::PATH_INFO> items;
  CZorbOS::ConstructSubFolderAndFileList(C("l"), items);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(Str(items[0].path), Str(C("l/a")));
  EXPECT_TRUE(items[0].isFolder);
  EXPECT_EQ(Str(items[1].path), Str(C("l/b.txt")));
  EXPECT_FALSE(items[1].isFolder);
}

using Attributes = CZorbOSTest;

TEST_F(Attributes, TypeCreatorLockSizeAndDates) {
  sandbox.writeFile("a.txt", "12345");
  const CString path = C("a.txt");
  EXPECT_EQ(CZorbOS::GetFileSize(path), 5u);
  EXPECT_EQ(CZorbOS::GetFileType(path), 0u);
  EXPECT_EQ(CZorbOS::SetFileTypeAndCreator(path, 0x54455854, 0x5171586D), platform::noErr);
  EXPECT_EQ(CZorbOS::GetFileType(path), 0x54455854u);     // 'TEXT'
  EXPECT_EQ(CZorbOS::GetFileCreator(path), 0x5171586Du);  // 'QqXm'
  EXPECT_EQ(CZorbOS::GetFileType(C("missing")), 0x3F3F3F3Fu);
  EXPECT_EQ(CZorbOS::GetFileCreator(C("missing")), 0x3F3F3F3Fu);
  EXPECT_EQ(CZorbOS::SetFileTypeAndCreator(C("missing"), 1, 2), platform::fnfErr);

  EXPECT_FALSE(CZorbOS::IsFileReadOnly(path));
  fs::permissions(sandbox.posix("a.txt"), fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_TRUE(CZorbOS::IsFileReadOnly(path));
  EXPECT_TRUE(CZorbOS::MakeFileWritable(path));
  EXPECT_FALSE(CZorbOS::IsFileReadOnly(path));
  EXPECT_TRUE(CZorbOS::MakeFileWritable(path));
  EXPECT_FALSE(CZorbOS::MakeFileWritable(C("missing")));

  CZorbDateTime date;
  date.Set(2012, 3, 27, 9, 5, 0);
  fs::permissions(sandbox.posix("a.txt"), fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_TRUE(CZorbOS::SetFileDateTime(path, date));
  EXPECT_FALSE(CZorbOS::IsFileReadOnly(path));  // the lock stays cleared
  CZorbDateTime back;
  EXPECT_TRUE(CZorbOS::GetFileDateTime(path, back));
  EXPECT_TRUE(back == date);
  EXPECT_FALSE(CZorbOS::GetFileDateTime(C("missing"), back));

  fs::create_symlink(sandbox.posix("a.txt"), sandbox.posix("link"));
  EXPECT_TRUE(CZorbOS::IsFileSymbolicLink(C("link")));
  EXPECT_FALSE(CZorbOS::IsFileSymbolicLink(path));
}

// Passes every call on and remembers the owners and modes asked for.
class RecordingFileSystem : public platform::IFileSystem {
 public:
  struct Chown {
    std::string path;
    uid_t uid;
    gid_t gid;
  };
  std::vector<Chown> chowns;
  std::vector<std::pair<std::string, mode_t>> chmods;
  platform::IFileSystem& real = platform::realFileSystem();

  int open(const std::string& p, int f, mode_t m, int& fd) override {
    return real.open(p, f, m, fd);
  }
  int close(int fd) override { return real.close(fd); }
  int read(int fd, void* b, size_t n, off_t o, size_t& g) override {
    return real.read(fd, b, n, o, g);
  }
  int write(int fd, const void* b, size_t n, off_t o, size_t& w) override {
    return real.write(fd, b, n, o, w);
  }
  int fsync(int fd) override { return real.fsync(fd); }
  int truncate(int fd, off_t s) override { return real.truncate(fd, s); }
  int rename(const std::string& a, const std::string& b, bool n) override {
    return real.rename(a, b, n);
  }
  int unlink(const std::string& p) override { return real.unlink(p); }
  int mkdir(const std::string& p, mode_t m) override { return real.mkdir(p, m); }
  int rmdir(const std::string& p) override { return real.rmdir(p); }
  int chmod(const std::string& p, mode_t m) override {
    chmods.emplace_back(p, m);
    return real.chmod(p, m);
  }
  int chown(const std::string& p, uid_t u, gid_t g) override {
    chowns.push_back({p, u, g});
    return real.chown(p, u, g);
  }
  int setXattr(const std::string& p, const std::string& n, const void* v, size_t s) override {
    return real.setXattr(p, n, v, s);
  }
  int removeXattr(const std::string& p, const std::string& n) override {
    return real.removeXattr(p, n);
  }
  int setTimes(const std::string& p, const timespec& a, const timespec& m) override {
    return real.setTimes(p, a, m);
  }
  int symlink(const std::string& t, const std::string& p) override { return real.symlink(t, p); }
  int volumeInfo(const std::string& p, platform::VolumeInfo& i) override {
    return real.volumeInfo(p, i);
  }
  int listDirectory(const std::string& p, std::vector<platform::RawDirEntry>& e) override {
    return real.listDirectory(p, e);
  }
};

mode_t ModeOf(const std::string& posix) {
  return static_cast<mode_t>(fs::status(posix).permissions() & fs::perms::mask);
}

TEST_F(Attributes, StandardUserKeepsPermissions) {
  sandbox.makeFolder("shared");
  fs::permissions(sandbox.posix("shared"), static_cast<fs::perms>(0750), fs::perm_options::replace);
  sandbox.writeFile("shared/a.txt", "x");
  fs::permissions(sandbox.posix("shared/a.txt"), static_cast<fs::perms>(0644),
                  fs::perm_options::replace);
  RecordingFileSystem recording;
  FileSystemOverride use(recording);
  EXPECT_TRUE(CZorbOS::SetPermissions(C("shared/a.txt")));
  EXPECT_TRUE(recording.chowns.empty());
  EXPECT_TRUE(recording.chmods.empty());
  EXPECT_EQ(ModeOf(sandbox.posix("shared/a.txt")), 0644u);
}

TEST_F(Attributes, AdministratorCopiesOwnerAndModeOfTheFolder) {
  for (auto user : {testsupport::SandboxMachine::User::Administrator,
                    testsupport::SandboxMachine::User::Root}) {
    sandbox.setUser(user);
    fs::remove_all(sandbox.posix("shared"));
    sandbox.makeFolder("shared");
    fs::permissions(sandbox.posix("shared"), static_cast<fs::perms>(02770),
                    fs::perm_options::replace);
    sandbox.writeFile("shared/a.txt", "x");
    fs::permissions(sandbox.posix("shared/a.txt"), static_cast<fs::perms>(0600),
                    fs::perm_options::replace);
    PermissionInfo folder;
    ASSERT_TRUE(CZorbOS::GetPermissionsImpl(C("shared"), &folder));
    EXPECT_EQ(folder.mode, 02770);

    RecordingFileSystem recording;
    FileSystemOverride use(recording);
    EXPECT_TRUE(CZorbOS::SetPermissions(C("shared/a.txt")));
    ASSERT_EQ(recording.chowns.size(), 1u);
    EXPECT_EQ(recording.chowns[0].path, sandbox.posix("shared/a.txt"));
    EXPECT_EQ(recording.chowns[0].uid, folder.owner);
    EXPECT_EQ(recording.chowns[0].gid, folder.group);
    // The folder's bits, without the set-group-id bit a file must not get.
    EXPECT_EQ(ModeOf(sandbox.posix("shared/a.txt")), 0770u);

    // A sub-folder keeps the folder's set-group-id bit.
    recording.chmods.clear();
    EXPECT_TRUE(CZorbOS::CreateDirectory(C("shared/sub"), false));
    EXPECT_EQ(ModeOf(sandbox.posix("shared/sub")), 02770u);
  }
  EXPECT_FALSE(CZorbOS::SetPermissions(u"NoColon"));
  EXPECT_FALSE(CZorbOS::GetPermissionsImpl(C("missing"), nullptr));
  EXPECT_FALSE(CZorbOS::SetPermissionsImpl(C("shared"), nullptr));
}

TEST_F(Attributes, NothingChangesOnASingleUserSystem) {
  sandbox.setUser(testsupport::SandboxMachine::User::Administrator);
  sandbox.config().systemVersion = 0x0920;
  sandbox.apply();
  CZorbOS::ResetMultiUserMembersForTest();
  CZorbOS::InitMultiUserMembers();
  sandbox.writeFile("a.txt", "x");
  RecordingFileSystem recording;
  FileSystemOverride use(recording);
  EXPECT_TRUE(CZorbOS::SetPermissions(C("a.txt")));
  EXPECT_TRUE(recording.chowns.empty());
}

using Probes = CZorbOSTest;

TEST_F(Probes, CanDeleteFileTouchesNothing) {
  sandbox.writeFile("p/a.txt", "content");
  WriteFork("p/a.txt", "fork");
  const auto inode = Ref("p/a.txt").inode;
  FaultInjectingFileSystem faults;
  FileSystemOverride use(faults);
  // Any change at all would fail and show up in the count.
  faults.failPath("", EIO, platform::kFsMutatingOps);
  EXPECT_TRUE(CZorbOS::CanDeleteFile(C("p/a.txt")));
  EXPECT_EQ(faults.callCount(platform::kFsMutatingOps), 0);
  EXPECT_EQ(Ref("p/a.txt").inode, inode);
  EXPECT_EQ(sandbox.readFile("p/a.txt"), "content");
  EXPECT_EQ(ReadFork("p/a.txt"), "fork");
  EXPECT_FALSE(CZorbOS::CanDeleteFile(C("p/missing")));
  EXPECT_TRUE(CZorbOS::CanDeleteDirectory(C("p")));
}

TEST_F(Probes, ReadUpdateAndWriteProbes) {
  sandbox.writeFile("p/a.txt", "content");
  sandbox.writeFile("p/sub/b.txt", "b");
  fs::create_symlink(sandbox.posix("p/sub"), sandbox.posix("p/linkToSub"));
  EXPECT_TRUE(CZorbOS::CanReadFile(C("p/a.txt")));
  EXPECT_TRUE(CZorbOS::CanUpdateFile(C("p/a.txt")));
  EXPECT_FALSE(CZorbOS::CanReadFile(C("p/missing")));
  EXPECT_TRUE(CZorbOS::CanReadFolder(C("p")));
  EXPECT_TRUE(CZorbOS::CanUpdateDirectory(C("p")));
  EXPECT_TRUE(CZorbOS::CanReadFolder(C("empty-and-missing")));
  EXPECT_EQ(sandbox.readFile("p/a.txt"), "content");

  EXPECT_TRUE(CZorbOS::CanWriteToDirectory(C("p")));
  EXPECT_EQ(sandbox.list("p"), (std::vector<std::string>{"a.txt", "linkToSub", "sub"}));
  FaultInjectingFileSystem faults;
  FileSystemOverride use(faults);
  faults.failPath("/p/", EROFS, platform::kFsOpenWrite);
  EXPECT_FALSE(CZorbOS::CanWriteToDirectory(C("p")));
  EXPECT_FALSE(CZorbOS::CanUpdateFile(C("p/a.txt")));
  EXPECT_FALSE(CZorbOS::CanUpdateDirectory(C("p")));
  EXPECT_TRUE(CZorbOS::CanReadFolder(C("p")));
}

using TempNames = CZorbOSTest;

TEST_F(TempNames, NameForm) {
  char16_t out[kZorbMaxPath + 1];
  ASSERT_TRUE(CZorbOS::GetTempFileName(u"Disk:Tmp", u"delFolder", 6699, out));
  EXPECT_EQ(std::u16string(out), u"Disk:Tmp:del00001a2b.TMP");
  ASSERT_TRUE(CZorbOS::GetTempFileName(u"Disk:Tmp:", u"ab", 1, out));
  EXPECT_EQ(std::u16string(out), u"Disk:Tmp:ab00000001.TMP");
  ASSERT_TRUE(CZorbOS::GetTempFileName(u"", nullptr, 0xABCDEF01, out));
  EXPECT_EQ(std::u16string(out), u"abcdef01.TMP");
  // A name that would not fit is no name.
  const std::u16string longFolder(kZorbMaxPath, u'x');
  EXPECT_FALSE(CZorbOS::GetTempFileName(longFolder.c_str(), u"del", 1, out));
  EXPECT_EQ(out[0], 0);
}

TEST_F(TempNames, NeverHandedOutTwice) {
  char16_t temp[kZorbMaxPath + 1];
  CZorbOS::GetTempPath(temp, kZorbMaxPath + 1);
  ASSERT_NE(temp[0], 0);
  std::set<std::u16string> seen;
  char16_t out[kZorbMaxPath + 1];
  for (int i = 0; i < 500; ++i) {
    ASSERT_TRUE(CZorbOS::GetTempFileName(temp, u"del", 0, out));
    EXPECT_TRUE(seen.insert(out).second) << i;
    EXPECT_FALSE(CZorbOS::FileExists(out));
  }
  CString a, b;
  CZorbOS::getTempPathForFolderOperation(u"folderOp", a);
  CZorbOS::getTempPathForFolderOperation(u"folderOp", b);
  EXPECT_NE(Str(a), Str(b));
  EXPECT_EQ(Str(a).rfind(Str(CString(temp)) + ":fol", 0), 0u);
  EXPECT_TRUE(sandbox.list("tmp/plexar-501").empty());
}

TEST_F(TempNames, DeriveUniqueFileName) {
  char16_t out[kZorbMaxPath + 1];
  sandbox.makeFolder("u");
  ASSERT_TRUE(CZorbOS::DeriveUniqueFileName(C("u"), u"temp", u"tmp", 2048, out));
  EXPECT_EQ(std::u16string(out), u"temp");
  sandbox.writeFile("u/temp.tmp", "");
  sandbox.writeFile("u/tem2.tmp", "");
  ASSERT_TRUE(CZorbOS::DeriveUniqueFileName(C("u/"), u"temp", u"tmp", 2048, out));
  EXPECT_EQ(std::u16string(out), u"tem3");
  // A folder of the name is in the way too.
  sandbox.makeFolder("u/tem3.tmp");
  ASSERT_TRUE(CZorbOS::DeriveUniqueFileName(C("u"), u"temp", u"tmp", 2048, out));
  EXPECT_EQ(std::u16string(out), u"tem4");
  for (int n = 4; n <= 9; ++n) sandbox.writeFile("u/tem" + std::to_string(n) + ".tmp", "");
  ASSERT_TRUE(CZorbOS::DeriveUniqueFileName(C("u"), u"temp", u"tmp", 2048, out));
  EXPECT_EQ(std::u16string(out), u"te10");

  sandbox.writeFile("u/t.tmp", "");
  ASSERT_TRUE(CZorbOS::DeriveUniqueFileName(C("u"), u"t", u"tmp", 2048, out));
  EXPECT_EQ(std::u16string(out), u"2");
  EXPECT_FALSE(CZorbOS::DeriveUniqueFileName(C("u"), u"t", u"tmp", 0, out));
}

using References = CZorbOSTest;

TEST_F(References, ParentAndNameOfAPath) {
  sandbox.makeFolder("f");
  platform::FSRef parent;
  platform::HFSUniStr255 name;
  ASSERT_TRUE(CZorbOS::GetFSRefFromFilePath(C("f/new:name"), parent, name));
  EXPECT_EQ(parent.path, sandbox.posix("f"));
  EXPECT_EQ(std::u16string(name.unicode, name.length), u"new/name");
  ASSERT_TRUE(CZorbOS::GetFSRefFromFilePath(C("f/"), parent, name));
  EXPECT_EQ(parent.path, sandbox.root());
  EXPECT_EQ(std::u16string(name.unicode, name.length), u"f");
  EXPECT_FALSE(CZorbOS::GetFSRefFromFilePath(C("missing/x"), parent, name));
  EXPECT_FALSE(CZorbOS::GetFSRefFromFilePath(u"Disk", parent, name));

  platform::FSRef ref;
  ASSERT_TRUE(CZorbOS::GetFSRefFromFilePath(C("F"), ref));
  EXPECT_EQ(Str(CZorbOS::GetFilePathFromFSRef(ref)), Str(C("f")));
  ASSERT_TRUE(CZorbOS::GetFSRefFromFilePath(C(""), ref));
  EXPECT_EQ(Str(CZorbOS::GetFilePathFromFSRef(ref)), "Disk:");
  char16_t small[4];
  CZorbOS::GetFilePathFromFSRef(ref, small, 4);
  EXPECT_EQ(small[0], 0);
  char16_t buf[64];
  CZorbOS::GetFilePathFromFSRef(ref, buf, 64);
  EXPECT_EQ(std::u16string(buf), u"Disk:");
}

}  // namespace
