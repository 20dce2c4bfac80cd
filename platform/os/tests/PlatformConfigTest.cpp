#include "platform/os/PlatformConfig.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using platform::PlatformConfig;

TEST(PlatformConfig, DefaultsFollowHomeAndRoot) {
  PlatformConfig c;
  c.home = "/sandbox/ann/";
  c.root = "/sandbox/root";
  EXPECT_EQ(c.homeFolder(), "/sandbox/ann/");
  EXPECT_EQ(c.userLibraryFolder(), "/sandbox/ann/Library");
  EXPECT_EQ(c.userAppDataFolder(), "/sandbox/ann/Library/Application Support");
  EXPECT_EQ(c.preferencesFolder(), "/sandbox/ann/Library/Preferences");
  EXPECT_EQ(c.userCachesFolder(), "/sandbox/ann/Library/Caches");
  EXPECT_EQ(c.sharedAppDataFolder(), "/sandbox/root/Library/Application Support");
  EXPECT_EQ(c.applicationsFolder(), "/sandbox/root/Applications");
  EXPECT_EQ(c.userApplicationsFolder(), "/sandbox/ann/Applications");
  EXPECT_EQ(c.appSearchRootFolders(),
            (std::vector<std::string>{"/sandbox/root/Applications", "/sandbox/ann/Applications"}));
  EXPECT_EQ(c.usersFolder(), "/home");

  PlatformConfig d;
  ASSERT_EQ(d.volumes.size(), 1u);
  EXPECT_EQ(d.volumes[0].name, "Disk");
  EXPECT_EQ(d.volumes[0].mountPoint, "/");
  // The machine root "/" does not double the slash.
  EXPECT_EQ(d.sharedAppDataFolder(), "/Library/Application Support");
  EXPECT_EQ(d.adminGroups, (std::vector<std::string>{"admin", "wheel"}));
  EXPECT_TRUE(d.preferredLanguage.empty());
  EXPECT_FALSE(d.effectiveUid.has_value());
  EXPECT_FALSE(d.groupNames.has_value());
  EXPECT_EQ(d.tempRootFolder(), "/tmp/plexar-" + std::to_string(geteuid()));
  d.effectiveUid = 501;
  EXPECT_EQ(d.tempRootFolder(), "/tmp/plexar-501");
}

TEST(PlatformConfig, HomeComesFromTheEnvironment) {
  const char* old = std::getenv("HOME");
  std::string saved = old ? old : "";
  setenv("HOME", "/home/someone", 1);
  PlatformConfig c;
  EXPECT_EQ(c.homeFolder(), "/home/someone");
  if (old)
    setenv("HOME", saved.c_str(), 1);
  else
    unsetenv("HOME");
}

TEST(PlatformConfig, ParseAppliesGoodLinesAndReportsBadOnes) {
  PlatformConfig c;
  std::vector<std::string> errors;
  bool ok = c.parse(
      "# settings\n"
      "\n"
      "  home =  /h/ann  \n"
      "volume = Work:/srv/work\n"
      "volume = Disk:/\n"
      "admin_group = sudo\n"
      "language = fr_FR\r\n"
      "uid = 501\n"
      "group = staff\n"
      "group = admin\n"
      "system_version = 0x1040\n"
      "temp_root = <home>/tmp\n"
      "app_search_root = /opt/apps\n"
      "bogus = 1\n"
      "no equals sign\n"
      "uid = -3\n"
      "volume = NoMount\n"
      "root = relative/path\n",
      &errors);
  EXPECT_FALSE(ok);
  ASSERT_EQ(errors.size(), 5u);
  EXPECT_EQ(errors[0], "line 14: unknown key 'bogus'");
  EXPECT_EQ(errors[1].rfind("line 15:", 0), 0u);
  EXPECT_EQ(errors[2].rfind("line 16:", 0), 0u);
  EXPECT_EQ(errors[3].rfind("line 17:", 0), 0u);
  EXPECT_EQ(errors[4].rfind("line 18:", 0), 0u);

  EXPECT_EQ(c.homeFolder(), "/h/ann");
  ASSERT_EQ(c.volumes.size(), 2u);  // the first volume line replaced the default table
  EXPECT_EQ(c.volumes[0].name, "Work");
  EXPECT_EQ(c.volumes[0].mountPoint, "/srv/work");
  EXPECT_EQ(c.volumes[1].name, "Disk");
  EXPECT_EQ(c.adminGroups, std::vector<std::string>{"sudo"});
  EXPECT_EQ(c.preferredLanguage, "fr_FR");
  EXPECT_EQ(c.effectiveUid, 501u);  // the bad uid line left the good one
  EXPECT_EQ(c.groupNames, (std::vector<std::string>{"staff", "admin"}));
  EXPECT_EQ(c.systemVersion, 0x1040u);
  EXPECT_EQ(c.tempRootFolder(), "/h/ann/tmp");
  EXPECT_EQ(c.appSearchRootFolders(), std::vector<std::string>{"/opt/apps"});
  EXPECT_EQ(c.rootFolder(), "/");
}

TEST(PlatformConfig, CurrentReadsTheResourcesFileOnceAndOverridesRestore) {
  auto dir =
      std::filesystem::temp_directory_path() / ("plexar-config-test-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  { std::ofstream(dir / "platform.conf") << "language = de_DE\nhome = /h/x\n"; }
  std::string oldResources = PlatformConfig::resourcesFolder();
  PlatformConfig::setResourcesFolder(dir.string());
  EXPECT_EQ(PlatformConfig::current().preferredLanguage, "de_DE");
  EXPECT_EQ(PlatformConfig::current().homeFolder(), "/h/x");

  // Read once: a change of the file is not seen until the folder is set again.
  { std::ofstream(dir / "platform.conf") << "language = it_IT\n"; }
  EXPECT_EQ(PlatformConfig::current().preferredLanguage, "de_DE");

  {
    PlatformConfig mine;
    mine.preferredLanguage = "ja_JP";
    PlatformConfig::Override o(mine);
    EXPECT_EQ(PlatformConfig::current().preferredLanguage, "ja_JP");
    {
      PlatformConfig inner;
      inner.preferredLanguage = "ko_KR";
      PlatformConfig::Override o2(inner);
      EXPECT_EQ(PlatformConfig::current().preferredLanguage, "ko_KR");
    }
    EXPECT_EQ(PlatformConfig::current().preferredLanguage, "ja_JP");
  }
  EXPECT_EQ(PlatformConfig::current().preferredLanguage, "de_DE");

  PlatformConfig::setResourcesFolder(dir.string());
  EXPECT_EQ(PlatformConfig::current().preferredLanguage, "it_IT");

  PlatformConfig::setResourcesFolder(oldResources);
  std::filesystem::remove_all(dir);
}

TEST(PlatformConfig, MissingFileIsAnError) {
  PlatformConfig c;
  std::vector<std::string> errors;
  EXPECT_FALSE(c.loadFile("/nonexistent/platform.conf", &errors));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("/nonexistent/platform.conf"), std::string::npos);
}
