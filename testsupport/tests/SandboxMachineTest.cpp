#include "testsupport/SandboxMachine.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/os/Applications.h"
#include "platform/os/ColonPath.h"
#include "platform/os/MacStatus.h"
#include "platform/os/UserIdentity.h"
#include "testsupport/AppBundle.h"

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

TEST(SandboxMachine, BareVolumeIsOnlyAVolumeOfItsName) {
  std::string root;
  {
    SandboxMachine sandbox(SandboxMachine::bareVolume("Test"));
    root = sandbox.root();
    EXPECT_TRUE(sandbox.list("").empty());
    EXPECT_EQ(sandbox.colon("a/b"), u"Test:a:b");
    EXPECT_EQ(platform::colonToPosix(u"Test:a:b"), root + "/a/b");
    EXPECT_FALSE(platform::colonToPosix(u"Disk:a").has_value());
    // Folders left locked do not stop the clean-up.
    sandbox.writeFile("locked/inner/f", "x");
    std::filesystem::permissions(sandbox.posix("locked/inner"), std::filesystem::perms::none);
    std::filesystem::permissions(sandbox.posix("locked"), std::filesystem::perms::none);
  }
  EXPECT_FALSE(std::filesystem::exists(root));
}

TEST(AppBundle, ReadsBackAsTheApplicationItDescribes) {
  SandboxMachine sandbox;
  const std::string folder = sandbox.config().applicationsFolder() + "/Vesko";
  const std::string path =
      testsupport::makeAppBundle(folder, "Loom", "QqLm", "com.vesko.loom", "11.0", "/bin/true",
                                 "\t<key>CFBundleVersion</key><string>11.0.2</string>\n");
  EXPECT_EQ(path, folder + "/Loom.app");
  platform::BundleInfo info;
  ASSERT_EQ(platform::readBundle(path, info), platform::noErr);
  EXPECT_EQ(info.signature, "QqLm");
  EXPECT_EQ(info.identifier, "com.vesko.loom");
  EXPECT_EQ(info.shortVersion, "11.0");
  EXPECT_EQ(info.version, "11.0.2");
  EXPECT_TRUE(platform::hasRunnableExecutable(info));

  // Without a program the bundle has no executable.
  const std::string bare =
      testsupport::makeAppBundle(folder, "Ember", "QqEm", "com.vesko.ember", "5.0");
  ASSERT_EQ(platform::readBundle(bare, info), platform::noErr);
  EXPECT_FALSE(platform::hasRunnableExecutable(info));
  EXPECT_TRUE(std::filesystem::is_directory(bare + "/Contents/MacOS"));

  // The program itself is one of them.
  ASSERT_EQ(platform::readBundle(sandbox.posix("Applications/Plexar.app"), info), platform::noErr);
  EXPECT_EQ(info.signature, "PqR5");
  EXPECT_EQ(info.identifier, "com.vesko.plexar");
}
