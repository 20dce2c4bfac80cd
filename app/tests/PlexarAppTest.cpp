#include "app/PlexarApp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/AppControllerSimple.h"
#include "app/CLIReadyCommand.h"
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
