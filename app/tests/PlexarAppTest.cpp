#include "app/PlexarApp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(PlexarApp, ASecondProcessForwardsItsArgumentsAndItsFolder) {
  const struct {
    std::vector<std::string> arguments;
    std::string folder;
    std::string forwarded;
  } cases[] = {
      {{}, "/tmp", "\n-CurrDir=\"/tmp\""},
      {{"-remove", "ext"}, "/tmp", "-remove\next\n-CurrDir=\"/tmp\""},
      {{"", "a b"}, "/home/ann", "\na b\n-CurrDir=\"/home/ann\""},
      // A folder name with a quote or a backslash reads back unchanged.
      {{"-list"}, "/t/a \"q\" b\\c", "-list\n-CurrDir=\"/t/a \\\"q\\\" b\\\\c\""},
      {{"-install", "/x/\xC3\xA9t\xC3\xA9.kxp"},
       "/\xC3\xA9",
       "-install\n/x/\xC3\xA9t\xC3\xA9.kxp\n-CurrDir=\"/\xC3\xA9\""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PlexarApp::forwardedCommandLine(c.arguments, c.folder), c.forwarded);
}

TEST(PlexarApp, TheStartupLineIsTheLaunchOptionsOrElseTheArguments) {
  const struct {
    std::vector<std::string> arguments;
    std::string options;
    std::string line;
    bool fromArguments;
  } cases[] = {
      {{}, "", "", false},           {{"-install", "a.kxp"}, "", "-install\na.kxp", true},
      {{""}, "", "", true},          {{"-install", "a.kxp"}, "-remove ext", "-remove ext", false},
      {{}, "-list", "-list", false},
  };
  for (const auto& c : cases) {
    bool fromArguments = !c.fromArguments;
    EXPECT_EQ(PlexarApp::startupCommandLine(c.arguments, c.options, fromArguments), c.line);
    EXPECT_EQ(fromArguments, c.fromArguments) << c.line;
  }
}

TEST(PlexarApp, TheResourcesLieBesideTheExecutablesFolder) {
  EXPECT_EQ(PlexarApp::resourcesFolder("/A/Plexar.app/Contents/MacOS/"),
            "/A/Plexar.app/Contents/Resources");
  EXPECT_EQ(PlexarApp::resourcesFolder("/bin/"), "/Resources");
}
