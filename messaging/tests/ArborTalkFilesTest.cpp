#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "messaging/ArborTalkUtils.h"
#include "messaging/FileFilter.h"
#include "messaging/tests/MessagingFixture.h"
#include "platform/os/PlatformConfig.h"
#include "testsupport/ScopedEnvironment.h"
#include "testsupport/TempDir.h"

using Velt::VtString;
namespace fs = std::filesystem;
namespace Utils = Velt::ArborTalkUtils;

namespace {

// Records the walk as "F path" and "D path" lines, relative to the root,
// and says stop at a chosen path.
class Recorder : public Utils::FileFilter {
 public:
  Recorder(std::string root, std::string stopAt = "") : mRoot(std::move(root)), mStop(stopAt) {}

  bool onFile(const VtString& path) override { return note("F ", path); }
  bool onFolder(const VtString& path) override { return note("D ", path); }

  std::vector<std::string> seen;

 private:
  bool note(const char* kind, const VtString& path) {
    std::string p = bytes(path);
    if (p.rfind(mRoot, 0) == 0) p = p.substr(mRoot.size());
    seen.push_back(kind + p);
    return p != mStop;
  }
  std::string mRoot;
  std::string mStop;
};

void touch(const std::string& path) {
  TempDir::write(path, "x");
}

}  // namespace

TEST(FileFilter, VisitsEveryEntryOfALargeFolder) {
  TempDir root;
  for (int i = 0; i < 300; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "f%03d", i);
    touch(root / name);
  }
  Recorder walk(root.path());
  EXPECT_TRUE(walk.run(vt(root.path())));
  ASSERT_EQ(walk.seen.size(), 300u);
  EXPECT_EQ(walk.seen.front(), "F /f000");
  EXPECT_EQ(walk.seen.back(), "F /f299");
}

TEST(FileFilter, WalksDepthFirstInNameOrderAndNeverEntersALink) {
  TempDir root;
  fs::create_directories(root / "b/inner");
  fs::create_directories(root / "d");
  touch(root / "a");
  touch(root / "b/inner/deep");
  touch(root / "b/x");
  touch(root / "c");
  fs::create_directory_symlink(root / "b", root / "link");

  Recorder walk(root.path());
  EXPECT_TRUE(walk.run(vt(root.path())));
  const std::vector<std::string> expected = {"F /a",   "D /b", "D /b/inner", "F /b/inner/deep",
                                             "F /b/x", "F /c", "D /d",       "F /link"};
  EXPECT_EQ(walk.seen, expected);
}

TEST(FileFilter, AFalseAnswerEndsTheWholeWalk) {
  TempDir root;
  fs::create_directories(root / "b");
  touch(root / "a");
  touch(root / "b/x");
  touch(root / "b/y");
  touch(root / "c");
  const struct {
    const char* stopAt;
    std::vector<std::string> expected;
  } cases[] = {
      {"/a", {"F /a"}},
      {"/b", {"F /a", "D /b"}},
      {"/b/x", {"F /a", "D /b", "F /b/x"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stopAt);
    Recorder walk(root.path(), c.stopAt);
    EXPECT_FALSE(walk.run(vt(root.path())));
    EXPECT_EQ(walk.seen, c.expected);
  }
}

TEST(FileFilter, AFolderThatCannotBeReadIsNotAWalkDone) {
  TempDir root;
  Recorder missing(root.path());
  EXPECT_FALSE(missing.run(vt(root / "absent")));
  EXPECT_TRUE(missing.seen.empty());

  // The defaults go on through everything.
  touch(root / "a");
  Utils::FileFilter plain;
  EXPECT_TRUE(plain.run(vt(root.path())));
}

TEST(Alias, ResolvingFollowsChainsAndLeavesEverythingElseAlone) {
  TempDir root;
  fs::create_directories(root / "sub");
  touch(root / "sub/target");
  fs::create_symlink(root / "sub/target", root / "absolute");
  fs::create_symlink("sub/target", root / "relative");
  fs::create_symlink("absolute", root / "chain");
  fs::create_symlink(root / "gone", root / "dangling");
  fs::create_symlink(root / "loop2", root / "loop1");
  fs::create_symlink(root / "loop1", root / "loop2");

  const std::string target = root / "sub/target";
  const struct {
    std::string path;
    std::string expected;
  } cases[] = {
      {root / "absolute", target},
      {root / "relative", root.path() + "/sub/target"},
      {root / "chain", target},
      {target, target},
      {root / "dangling", root / "dangling"},
      {root / "loop1", root / "loop1"},
      {root / "absent", root / "absent"},
      {"", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(bytes(Utils::resolveAlias(vt(c.path))), c.expected) << c.path;

  // A path over 1,024 bytes is never looked at.
  std::string longPath = root / "absolute";
  longPath.insert(root.path().size(), std::string(1025 - longPath.size(), '/'));
  ASSERT_EQ(longPath.size(), 1025u);
  EXPECT_EQ(bytes(Utils::resolveAlias(vt(longPath))), longPath);
  longPath.erase(root.path().size(), 1);
  EXPECT_EQ(bytes(Utils::resolveAlias(vt(longPath))), target);
}

TEST(Alias, CreatingMakesAnAliasTheResolverFollows) {
  TempDir root;
  touch(root / "target");
  touch(root / "old");
  fs::create_directories(root / "folder");

  ASSERT_TRUE(Utils::createAlias(vt(root / "alias"), vt(root / "target")));
  EXPECT_EQ(bytes(Utils::resolveAlias(vt(root / "alias"))), root / "target");
  // An item in the way is replaced.
  ASSERT_TRUE(Utils::createAlias(vt(root / "old"), vt(root / "target")));
  EXPECT_EQ(bytes(Utils::resolveAlias(vt(root / "old"))), root / "target");

  const struct {
    const char* label;
    std::string alias;
    std::string target;
  } refused[] = {
      {"missing target", root / "a2", root / "absent"},
      {"missing folder", root / "nofolder/a3", root / "target"},
      {"no folder part", "a4", root / "target"},
      {"a folder in the way", root / "folder", root / "target"},
  };
  for (const auto& r : refused)
    EXPECT_FALSE(Utils::createAlias(vt(r.alias), vt(r.target))) << r.label;
  EXPECT_TRUE(fs::is_directory(root / "folder"));
}

TEST(Alias, ARelativeTargetIsTakenFromTheCurrentFolder) {
  TempDir root;
  touch(root / "target");
  fs::create_directories(root / "elsewhere");
  const fs::path before = fs::current_path();
  fs::current_path(root.path());
  const bool made = Utils::createAlias(vt(root / "elsewhere/alias"), vt("target"));
  fs::current_path(before);
  ASSERT_TRUE(made);
  EXPECT_EQ(bytes(Utils::resolveAlias(vt(root / "elsewhere/alias"))),
            fs::canonical(root.path()).string() + "/target");
}

TEST(Locale, TheLocaleInLowerCaseWithEnUsWhenThereIsNone) {
  platform::PlatformConfig unforced = platform::PlatformConfig::current();
  unforced.preferredLanguage = "";
  platform::PlatformConfig::Override noLanguage(unforced);
  const struct {
    const char* lang;
    const char* expected;
  } cases[] = {
      {"de_DE.UTF-8", "de_de"},
      {"pt_BR@something", "pt_br"},
      {"fr", "fr"},
      {"C.UTF-8", "en_us"},
      {nullptr, "en_us"},
      {"abcdefghijklmnopqrstu", "abcdefghijklmno"},
  };
  for (const auto& c : cases) {
    testsupport::ScopedEnvironment env(
        {{"LC_ALL", nullptr}, {"LC_MESSAGES", nullptr}, {"LANG", c.lang}});
    EXPECT_EQ(bytes(Utils::getCurrentLocale()), c.expected) << (c.lang ? c.lang : "(unset)");
  }
  // A language the settings force comes first.
  testsupport::ScopedEnvironment env({{"LC_ALL", "de_DE.UTF-8"}});
  platform::PlatformConfig config = unforced;
  config.preferredLanguage = "ja_JP.eucJP, fr";
  platform::PlatformConfig::Override override(config);
  EXPECT_EQ(bytes(Utils::getCurrentLocale()), "ja_jp");
}

TEST(LaunchFolder, LiesInTheSharedApplicationData) {
  platform::PlatformConfig config = platform::PlatformConfig::current();
  config.root = "/sandbox/root";
  platform::PlatformConfig::Override override(config);
  EXPECT_EQ(bytes(Utils::getLaunchFolderPath()),
            platform::PlatformConfig::current().sharedAppDataFolder() + "/Vesko/Launch");
  EXPECT_EQ(bytes(Utils::getLaunchFolderPath()).rfind("/sandbox/root/", 0), 0u);
}
