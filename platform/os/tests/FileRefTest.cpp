#include <sys/stat.h>

#include <filesystem>
#include <optional>
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

namespace platform {
namespace {

// A name that differs deep in a path is looked for in its own folder only:
// the folders above, found as given, are not listed.
TEST_F(NameLookups, OnlyTheFolderOfADifferingNameIsListed) {
  std::filesystem::create_directories(dir / "A/B/C");
  TempDir::write(dir / "A/B/C/leaf", "l");
  FileSystemOverride use(fs);
  EXPECT_EQ(name(dir / "A/B/c/leaf"), "leaf");
  EXPECT_EQ(name(dir / "A/B/gone/leaf"), "(none)");
  EXPECT_EQ(listings(dir / "A/B"), 2);
  EXPECT_EQ(listings(dir / "A"), 0);
  EXPECT_EQ(listings(dir.path()), 0);
}

// A name that differs on the way is found from its folder; paths that
// resolve as given keep their spelling.
TEST(ResolvePath, NamesMatchIgnoringCaseAndComposition) {
  struct Case {
    std::string a;
    std::string b;
    bool same;
  } cases[] = {
      {"ReadMe.TXT", "readme.txt", true},
      {"Tool 0", "TOOL 0", true},
      {"[a]", "{a}", false},  // one bit apart, as a letter and its case, but no letters
      {"@x", "`x", false},
      {"a\x01Z", "A\x01z", true},
      {"Caf\xC3\xA9", "CAFE\xCC\x81", true},  // composed and decomposed, both cases
      {"caf\xC3\xA9", "cafe", false},
      {"\xC3\x84rger", "\xC3\xA4RGER", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(nameMatchKey(c.a) == nameMatchKey(c.b), c.same) << c.a << " / " << c.b;
}

TEST(ResolvePath, ShapesOfPaths) {
  TempDir dir;
  std::filesystem::create_directories(dir / "Top/Mid");
  TempDir::write(dir / "Top/Mid/leaf", "l");
  TempDir::write(dir / "file", "f");
  std::filesystem::create_directory_symlink(dir / "Top", dir / "link");
  std::filesystem::create_directory_symlink(dir / "nowhere", dir / "dangling");
  const std::string root = dir.path();
  struct Case {
    std::string asked;
    int32_t status;
    std::string found;  // relative to the folder
  } cases[] = {
      {"/Top/Mid/leaf", noErr, "/Top/Mid/leaf"},
      {"/top/mid/LEAF", noErr, "/Top/Mid/leaf"},
      {"/TOP/Mid/leaf", noErr, "/Top/Mid/leaf"},
      {"/Top/MID/leaf", noErr, "/Top/Mid/leaf"},
      {"//Top//Mid/", noErr, "/Top/Mid"},
      {"/top/mid/", noErr, "/Top/Mid"},
      {"/Top/./Mid/../Mid/leaf", noErr, "/Top/./Mid/../Mid/leaf"},
      {"/top/./mid/leaf", noErr, "/Top/./Mid/leaf"},
      {"/link/Mid/leaf", noErr, "/link/Mid/leaf"},
      {"/LINK/mid/leaf", noErr, "/link/Mid/leaf"},
      {"/link", noErr, "/link"},
      {"/link/", noErr, "/link"},
      {"/Top/Mid/missing", fnfErr, ""},
      {"/top/mid/missing", fnfErr, ""},
      {"/missing/leaf", fnfErr, ""},
      {"/file/leaf", fnfErr, ""},
      {"/FILE/leaf", fnfErr, ""},
      {"/file/", dirNFErr, ""},
      {"/dangling/leaf", fnfErr, ""},
      {"/Top/Mid/leaf/..", fnfErr, ""},
      {"/link/mid/LEAF", noErr, "/link/Mid/leaf"},
      {"/Top/Mid/gone/x/y", fnfErr, ""},
      {"/Top/Mid/leaf/x/y", fnfErr, ""},
      {"/file/a/b", fnfErr, ""},
      {"/dangling/a/b", fnfErr, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.asked);
    for (bool scoped : {false, true}) {
      std::optional<NameLookupScope> scope;
      if (scoped) scope.emplace();
      FSRef ref;
      ASSERT_EQ(resolvePath(root + c.asked, ref), c.status);
      if (c.status == noErr) {
        EXPECT_EQ(ref.path, root + c.found);
        EXPECT_TRUE(isRefValid(ref));
      }
    }
  }
  FSRef ref;
  ASSERT_EQ(resolvePath("/", ref), noErr);
  EXPECT_EQ(ref.path, "/");
}

TEST(ResolvePath, ItemInfoTellsWhatIsThere) {
  TempDir dir;
  TempDir::write(dir / "file", "12345");
  ::chmod((dir / "file").c_str(), 0640);
  std::filesystem::create_directory(dir / "folder");
  std::filesystem::create_symlink(dir / "folder", dir / "link");
  ItemInfo info;
  ASSERT_EQ(getItemInfo(dir / "file", info), noErr);
  EXPECT_FALSE(info.isFolder);
  EXPECT_FALSE(info.isSymlink);
  EXPECT_EQ(info.size, 5u);
  EXPECT_EQ(info.mode, 0640u);
  ASSERT_EQ(getItemInfo(dir / "folder", info), noErr);
  EXPECT_TRUE(info.isFolder);
  ASSERT_EQ(getItemInfo(dir / "link", info), noErr);
  EXPECT_TRUE(info.isSymlink);
  EXPECT_FALSE(info.isFolder);
  EXPECT_EQ(getItemInfo(dir / "missing", info), fnfErr);
  EXPECT_EQ(getItemInfo("relative", info), paramErr);
}

}  // namespace
}  // namespace platform
