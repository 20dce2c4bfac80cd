#include "app/PlexarApp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/AppControllerSimple.h"
#include "app/CLIReadyCommand.h"
#include "app/CliOptions.h"
#include "app/tests/MovieTestSupport.h"

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

// Whatever the arguments hold, the movie reads back the same arguments and
// folder: a newline inside one makes no second argument.
TEST(PlexarApp, ArgumentsAndTheFolderReachTheMovieWhole) {
  const struct {
    const char* what;
    std::vector<std::string> arguments;
    std::string folder;
    std::string forwarded;  // "" when only the round trip is checked
  } cases[] = {
      {"a newline in a path",
       {"install", "/t/odd\nname.yxp"},
       "/w",
       "install\n\"/t/odd\nname.yxp\"\n-CurrDir=\"/w\""},
      {"a leading quote",
       {"remove", "\"My\" Ext"},
       "/w",
       "remove\n\"\\\"My\\\" Ext\"\n-CurrDir=\"/w\""},
      {"quotes and backslashes inside", {"install", "/a\\b \"c\".kxp"}, "/w", ""},
      {"only a quote", {"install", "\""}, "/w", ""},
      {"newlines at the ends", {"install", "\nx\n"}, "/w", ""},
      {"entity text", {"package", "d.kxi", "odd&lt;name&gt;.yxp"}, "/w", ""},
      {"a newline in the folder", {"list"}, "/w/a\nb \"c\"", ""},
  };
  for (const auto& c : cases) {
    const std::string line = PlexarApp::forwardedCommandLine(c.arguments, c.folder);
    if (!c.forwarded.empty()) {
      EXPECT_EQ(line, c.forwarded) << c.what;
    }
    std::string folder;
    EXPECT_EQ(CliOptions::splitLine(line, true, folder), c.arguments) << c.what;
    EXPECT_EQ(folder, c.folder) << c.what;

    bool fromArguments = false;
    const std::string startup = PlexarApp::startupCommandLine(c.arguments, "", fromArguments);
    folder.clear();
    EXPECT_EQ(CliOptions::splitLine(startup + "\n-CurrDir=\"/s\"", fromArguments, folder),
              c.arguments)
        << c.what;
  }
  // Read whole, the path is one argument of the install.
  const CliOptions o = CliOptions::parseLine(
      PlexarApp::forwardedCommandLine({"install", "odd\nname.yxp"}, "/w"), true);
  EXPECT_EQ(o.error, "");
  EXPECT_EQ(o.arguments, std::vector<std::string>{"/w/odd\nname.yxp"});
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

namespace {

class InstanceMessages : public movietest::MovieTest {
 protected:
  movietest::RecordingSink sink;
};

}  // namespace

TEST_F(InstanceMessages, ALaterProcessesLineAndDocumentsReachTheMovie) {
  CLIReadyCommand ready;
  ready.setRequestId("m1");
  ready.doComand();
  sink.clear();
  AppControllerSimple controller;
  platform::SingleInstance::Message line;
  line.kind = platform::SingleInstance::Kind::kForward;
  line.text = "-remove\next\n-CurrDir=\"/tmp\"";
  controller.handleOpenEvent(PlexarApp::openEventFor(line));
  platform::SingleInstance::Message documents;
  documents.kind = platform::SingleInstance::Kind::kDocuments;
  documents.paths = {"/a/one.kxp", "/b/t\"wo\".kxi"};
  controller.handleOpenEvent(PlexarApp::openEventFor(documents));
  std::vector<std::vector<std::string>> handed;
  for (const movietest::Sent& s : sink.sent())
    if (s.name == "brioHandleCommandLine") handed.push_back({s.args[1], s.args[2], s.args[3]});
  EXPECT_EQ(handed,
            (std::vector<std::vector<std::string>>{{"-remove\next\n-CurrDir=\"/tmp\"", "0", "1"},
                                                   {"\"/a/one.kxp\"", "0", "1"},
                                                   {"\"/b/t\\\"wo\\\".kxi\"", "0", "1"}}));
}
