#include "platform/os/SpecialFolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/os/AppPath.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "platform/os/MacStatus.h"
#include "platform/os/PlatformConfig.h"
#include "platform/os/SymbolicLink.h"
#include "testsupport/SandboxMachine.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

mode_t modeOf(const std::string& path) {
  struct stat st;
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

TEST(SpecialFolders, SettingsKeysForTheNewFolders) {
  PlatformConfig c;
  c.home = "/h/ann";
  c.root = "/r";
  EXPECT_EQ(c.trashFolder(), "/h/ann/.Trash");
  EXPECT_EQ(c.fontsFolder(), "/r/Library/Fonts");
  EXPECT_EQ(c.systemFolder(), "/r/System");
  EXPECT_EQ(c.sharedUserFolder(), "/r");
  std::vector<std::string> errors;
  EXPECT_TRUE(
      c.parse("trash = <home>/T\nfonts = /f\nsystem = /s\nshared_user = /Users/Shared\n", &errors));
  EXPECT_EQ(c.trashFolder(), "/h/ann/T");
  EXPECT_EQ(c.fontsFolder(), "/f");
  EXPECT_EQ(c.systemFolder(), "/s");
  EXPECT_EQ(c.sharedUserFolder(), "/Users/Shared");
  EXPECT_FALSE(c.parse("trash = relative\n", &errors));
}

TEST(SpecialFolders, FoundOrMadeAsAsked) {
  testsupport::SandboxMachine sandbox;
  std::string path;
  EXPECT_EQ(findSpecialFolder(SpecialFolder::Users, false, path), noErr);
  EXPECT_EQ(path, sandbox.posix("Users"));
  EXPECT_EQ(findSpecialFolder(SpecialFolder::Home, false, path), noErr);
  EXPECT_EQ(path, sandbox.posix("Users/ann"));

  sandbox.config().fonts = sandbox.posix("More/Library/Fonts/");
  sandbox.apply();
  path = "unchanged";
  EXPECT_EQ(findSpecialFolder(SpecialFolder::Fonts, false, path), fnfErr);
  EXPECT_EQ(path, "unchanged");
  EXPECT_EQ(findSpecialFolder(SpecialFolder::Fonts, true, path), noErr);
  EXPECT_EQ(path, sandbox.posix("More/Library/Fonts"));
  EXPECT_TRUE(sandbox.isFolder("More/Library/Fonts"));

  // A failed creation is reported and leaves no half-made folder claimed.
  sandbox.config().system = sandbox.posix("Sys/Deep");
  sandbox.apply();
  FaultInjectingFileSystem faults;
  FileSystemOverride use(faults);
  faults.failPath("Deep", ENOSPC, kFsMkdir);
  EXPECT_EQ(findSpecialFolder(SpecialFolder::System, true, path), dskFulErr);
  EXPECT_FALSE(sandbox.exists("Sys/Deep"));
}

TEST(SpecialFolders, TemporaryItemsArePrivate) {
  testsupport::SandboxMachine sandbox;
  const std::string temp = sandbox.posix("tmp/plexar-501");
  fs::remove_all(temp);
  std::string path;
  ASSERT_EQ(findSpecialFolder(SpecialFolder::TemporaryItems, true, path), noErr);
  EXPECT_EQ(path, temp);
  EXPECT_EQ(modeOf(temp), 0700u);

  // Opened up by someone: narrowed again.
  fs::permissions(temp, fs::perms::all, fs::perm_options::replace);
  ASSERT_EQ(findSpecialFolder(SpecialFolder::TemporaryItems, true, path), noErr);
  EXPECT_EQ(modeOf(temp), 0700u);

  // A link in its place is refused, wherever it leads.
  fs::remove_all(temp);
  sandbox.makeFolder("elsewhere");
  fs::create_directory_symlink(sandbox.posix("elsewhere"), temp);
  EXPECT_EQ(findSpecialFolder(SpecialFolder::TemporaryItems, true, path), afpAccessDenied);

  if (::geteuid() == 0) {
    fs::remove(temp);
    fs::create_directory(temp);
    ASSERT_EQ(::chown(temp.c_str(), 12345, 12345), 0);
    EXPECT_EQ(findSpecialFolder(SpecialFolder::TemporaryItems, true, path), afpAccessDenied);
  }
}

TEST(SpecialFolders, MakeFoldersNeedsAnAbsolutePath) {
  EXPECT_EQ(makeFolders("relative/path"), paramErr);
  EXPECT_EQ(makeFolders(""), paramErr);
  EXPECT_EQ(makeFolders("/"), noErr);
}

TEST(AppPath, ExecutableFolderHoldsThisTest) {
  auto folder = executableFolder();
  ASSERT_TRUE(folder.has_value());
  ASSERT_FALSE(folder->empty());
  EXPECT_EQ(folder->front(), '/');
  EXPECT_EQ(folder->back(), '/');
  EXPECT_TRUE(fs::exists(*folder + "platform_tests"));
}

TEST(SymbolicLink, CopiedAsALinkThroughTheSeam) {
  testsupport::SandboxMachine sandbox;
  fs::create_symlink("../target name", sandbox.posix("link"));
  EXPECT_EQ(copySymbolicLink(sandbox.posix("link"), sandbox.posix("copy")), 0);
  std::string target;
  EXPECT_EQ(readSymbolicLink(sandbox.posix("copy"), target), 0);
  EXPECT_EQ(target, "../target name");
  EXPECT_EQ(readSymbolicLink(sandbox.posix("missing"), target), ENOENT);

  FaultInjectingFileSystem faults;
  FileSystemOverride use(faults);
  faults.failPath("copy2", EIO, kFsSymlink);
  EXPECT_EQ(copySymbolicLink(sandbox.posix("link"), sandbox.posix("copy2")), EIO);
  EXPECT_FALSE(sandbox.exists("copy2"));
}

}  // namespace
}  // namespace platform
