#include <filesystem>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/os/FaultInjectingFileSystem.h"
#include "platform/os/FileRef.h"
#include "platform/os/MacStatus.h"
#include "testsupport/TempDir.h"

namespace platform {
namespace {

class NameLookups : public ::testing::Test {
 protected:
  // How often the folder was listed through the file-system seam.
  int listings(const std::string& folder) const {
    int count = 0;
    for (const auto& call : fs.calls())
      if (call.op == kFsList && call.path == folder) ++count;
    return count;
  }
  std::string name(const std::string& path) {
    FSRef ref;
    return resolvePath(path, ref) == noErr ? refName(ref) : "(none)";
  }

  TempDir dir;
  FaultInjectingFileSystem fs;
};

// Without a scope, each name a folder lacks lists the folder again.
TEST_F(NameLookups, EachMissingNameListsTheFolder) {
  FileSystemOverride use(fs);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(name(dir / ("n" + std::to_string(i))), "(none)");
  EXPECT_EQ(listings(dir.path()), 5);
  TempDir::write(dir / "Added.txt", "a");
  EXPECT_EQ(name(dir / "added.TXT"), "Added.txt");
}

// In a scope the folder is listed once, and the look-ups ignore case as
// before for the names that exist, for those made in the scope after they
// were looked up, and for the exact names of any others.
TEST_F(NameLookups, AScopeListsEachFolderOnce) {
  TempDir::write(dir / "Existing.txt", "e");
  FileSystemOverride use(fs);
  {
    NameLookupScope scope;
    for (int i = 0; i < 200; ++i) EXPECT_EQ(name(dir / ("n" + std::to_string(i))), "(none)");
    EXPECT_EQ(name(dir / "EXISTING.txt"), "Existing.txt");

    EXPECT_EQ(name(dir / "made.txt"), "(none)");
    TempDir::write(dir / "made.txt", "m");
    EXPECT_EQ(name(dir / "MADE.TXT"), "made.txt");
    std::filesystem::remove(dir / "made.txt");
    EXPECT_EQ(name(dir / "MADE.TXT"), "(none)");

    TempDir::write(dir / "Other.txt", "o");
    EXPECT_EQ(name(dir / "Other.txt"), "Other.txt");
    {
      NameLookupScope inner;
      EXPECT_EQ(name(dir / "another"), "(none)");
    }
    EXPECT_EQ(name(dir / "yet.another"), "(none)");
    EXPECT_EQ(listings(dir.path()), 1);

    // Another thread has no scope.
    std::thread([&] { EXPECT_EQ(name(dir / "OTHER.TXT"), "Other.txt"); }).join();
    EXPECT_EQ(listings(dir.path()), 2);
  }
  // After the scope, the folder is listed afresh.
  EXPECT_EQ(name(dir / "other.txt"), "Other.txt");
}

// A folder replaced by another of the same path is listed again.
TEST_F(NameLookups, AReplacedFolderIsListedAgain) {
  std::filesystem::create_directory(dir / "f");
  TempDir::write(dir / "f/Old.txt", "o");
  FileSystemOverride use(fs);
  NameLookupScope scope;
  EXPECT_EQ(name(dir / "f/OLD.txt"), "Old.txt");
  std::filesystem::rename(dir / "f", dir / "g");
  std::filesystem::create_directory(dir / "f");
  TempDir::write(dir / "f/New.txt", "n");
  EXPECT_EQ(name(dir / "f/new.TXT"), "New.txt");
  EXPECT_EQ(name(dir / "f/old.txt"), "(none)");
}

}  // namespace
}  // namespace platform
