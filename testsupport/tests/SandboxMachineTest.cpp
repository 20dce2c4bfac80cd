#include "testsupport/SandboxMachine.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/os/ColonPath.h"
#include "platform/os/UserIdentity.h"

using platform::PlatformConfig;
using testsupport::SandboxMachine;

TEST(SandboxMachine, PointsEveryFolderIntoAFreshDirectoryAndRestores) {
  const std::string outsideHome = PlatformConfig::current().homeFolder();
  std::string root;
  {
    SandboxMachine sandbox;
    root = sandbox.root();
    const PlatformConfig& c = PlatformConfig::current();
    EXPECT_EQ(c.homeFolder(), root + "/Users/ann");
    EXPECT_EQ(c.userAppDataFolder(), root + "/Users/ann/Library/Application Support");
    EXPECT_EQ(c.tempRootFolder(), root + "/tmp/plexar-501");
    for (const std::string& f :
         {c.applicationsFolder(), c.sharedAppDataFolder(), c.fontsFolder(), c.systemFolder(),
          c.usersFolder(), c.sharedUserFolder(), c.preferencesFolder(), c.userCachesFolder(),
          c.userApplicationsFolder(), c.trashFolder(), c.tempRootFolder()})
      EXPECT_TRUE(std::filesystem::is_directory(f)) << f;
    EXPECT_EQ(
        std::filesystem::status(c.tempRootFolder()).permissions() & std::filesystem::perms::all,
        std::filesystem::perms::owner_all);
    EXPECT_TRUE(sandbox.exists("Applications/Plexar.app/Contents/Info.plist"));
    EXPECT_TRUE(sandbox.isFolder("Applications/Plexar.app/Contents/Frameworks"));
    EXPECT_EQ(sandbox.appFolder(), root + "/Applications/Plexar.app/Contents/MacOS/");

    // The volume maps both ways inside the sandbox only.
    EXPECT_EQ(platform::colonToPosix(sandbox.colon("Users/ann/a:b.txt")),
              root + "/Users/ann/a:b.txt");
    EXPECT_EQ(sandbox.colon("Users/ann/a:b.txt"), u"Disk:Users:ann:a/b.txt");
    EXPECT_EQ(platform::posixToColon(root + "/Users/"), std::u16string(u"Disk:Users:"));
    EXPECT_FALSE(platform::posixToColon("/etc/passwd").has_value());

    sandbox.writeFile("a/b/c.txt", "hello");
    EXPECT_EQ(sandbox.readFile("a/b/c.txt"), "hello");
    EXPECT_EQ(sandbox.list("a"), std::vector<std::string>{"b"});
  }
  EXPECT_FALSE(std::filesystem::exists(root));
  EXPECT_EQ(PlatformConfig::current().homeFolder(), outsideHome);
}

TEST(SandboxMachine, PretendsTheUserTypeAndInstallsATestClock) {
  SandboxMachine sandbox;
  auto id = platform::currentUserIdentity();
  ASSERT_TRUE(id.has_value());
  EXPECT_EQ(id->effectiveUid, 501u);
  EXPECT_EQ(id->groupNames, std::vector<std::string>{"staff"});

  sandbox.setUser(SandboxMachine::User::Administrator);
  EXPECT_EQ(platform::currentUserIdentity()->groupNames,
            (std::vector<std::string>{"staff", "admin"}));
  sandbox.setUser(SandboxMachine::User::Root);
  EXPECT_EQ(platform::currentUserIdentity()->effectiveUid, 0u);

  uint64_t before = platform::currentClock().nowMs();
  platform::currentClock().sleepFor(5000);
  EXPECT_EQ(platform::currentClock().nowMs(), before + 5000);
  EXPECT_EQ(&platform::currentClock(), &sandbox.clock());
}
