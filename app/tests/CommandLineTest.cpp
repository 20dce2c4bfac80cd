#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/AppControllerSimple.h"
#include "app/CLIReadyCommand.h"
#include "app/CRuntimeCLIParser.h"
#include "app/tests/MovieTestSupport.h"
#include "foundation/CLIParser.h"
#include "foundation/CStartupCLIParser.h"
#include "platform/os/AppleEvents.h"
#include "platform/tamb/MainLoop.h"
#include "testsupport/TempDir.h"

using movietest::MovieTest;
using movietest::RecordingSink;
using movietest::Sent;

namespace {

std::u16string u16(const std::string& ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

class CommandLines : public MovieTest {
 protected:
  // The lines handed to the movie: [line, start-up flag, from-arguments].
  std::vector<std::vector<std::string>> handedOver() const {
    std::vector<std::vector<std::string>> out;
    for (const Sent& s : sink.sent())
      if (s.name == "brioHandleCommandLine") out.push_back({s.args[1], s.args[2], s.args[3]});
    return out;
  }
  void ready() {
    CLIReadyCommand cmd;
    cmd.setRequestId("m1");
    cmd.doComand();
  }
  static platform::AppleEvent forwardedLine(const std::string& text) {
    platform::AppleEvent event{platform::kCoreEventClass, platform::kAEOpenDocuments, {}};
    event.put(AppControllerSimple::kForwardedLineKeyword,
              {platform::typeText, text + std::string(1, '\0')});
    return event;
  }
  static platform::AppleEvent documents(const std::vector<platform::AEDesc>& items) {
    platform::AppleEvent event{platform::kCoreEventClass, platform::kAEOpenDocuments, {}};
    event.put(platform::keyDirectObject, {platform::typeAEList, platform::encodeList(items)});
    return event;
  }

  RecordingSink sink;
};

}  // namespace

TEST(CommandLineQuote, BackslashesAndQuotesAreEscaped) {
  const struct {
    const char16_t* in;
    const char16_t* out;
  } cases[] = {
      {u"", u"\"\""},
      {u"/tmp/plain", u"\"/tmp/plain\""},
      {u"/tmp/say \"hi\"", u"\"/tmp/say \\\"hi\\\"\""},
      {u"C:\\dir\\", u"\"C:\\\\dir\\\\\""},
      {u"\\\"", u"\"\\\\\\\"\""},
  };
  for (const auto& c : cases) EXPECT_EQ(CLIParser::quote(c.in), CString(c.out));
}

TEST_F(CommandLines, TheStartupLineEndsWithTheQuotedCurrentFolder) {
  TempDir temp;
  const std::string folder = temp / "odd \"name\" \\ here";
  std::filesystem::create_directory(folder);
  const std::filesystem::path saved = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  CStartupCLIParser* parser = CStartupCLIParser::getInstance();
  parser->saveCommandLine(u"a\nb", true);
  const CString fromArguments = parser->m_CmdLine;
  parser->saveCommandLine(u"x", false);
  const CString fromOptions = parser->m_CmdLine;
  std::filesystem::current_path(saved);

  const std::string real = std::filesystem::canonical(folder).string();
  const std::u16string quoted = CLIParser::quote(CString(u16(real).c_str())).Get();
  EXPECT_EQ(std::u16string(fromArguments.Get()), u"a\nb\n-CurrDir=" + quoted);
  EXPECT_EQ(std::u16string(fromOptions.Get()), u"x -CurrDir=" + quoted);
  EXPECT_FALSE(parser->isFromArguments());
}

TEST_F(CommandLines, ReadyWithoutAStartupLineOnlyEnablesTheUI) {
  ready();
  EXPECT_EQ(sink.names(), std::vector<std::string>{"brioEnableUI"});
  EXPECT_TRUE(CRequestIdManager::getInstance()->getBrioState());
}

TEST_F(CommandLines, TheStartupLineGoesEachTimeTheMovieIsReadyAndARuntimeLineOnce) {
  setStartupLine(u"-install a.kxp", true);
  CRuntimeCLIParser::getInstance()->receive(u"\"/tmp/first.kxp\"", true);
  CRuntimeCLIParser::getInstance()->receive(u"\"/tmp/second.kxp\"", true);
  EXPECT_TRUE(sink.sent().empty());  // held until the movie is ready
  ready();
  EXPECT_EQ(sink.names(), (std::vector<std::string>{"brioHandleCommandLine", "brioEnableUI",
                                                    "brioHandleCommandLine"}));
  EXPECT_EQ(handedOver(), (std::vector<std::vector<std::string>>{
                              {"-install a.kxp", "1", "1"}, {"\"/tmp/second.kxp\"", "0", "1"}}));
  sink.clear();
  ready();
  EXPECT_EQ(handedOver(), (std::vector<std::vector<std::string>>{{"-install a.kxp", "1", "1"}}));
}

TEST_F(CommandLines, OnceReadyEachLineGoesAtOnceWithAFreshId) {
  ready();
  sink.clear();
  CRuntimeCLIParser::getInstance()->receive(u"one", true);
  CRuntimeCLIParser::getInstance()->receive(u"two", false);
  const auto sent = sink.sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].args[1], "one");
  EXPECT_EQ(sent[0].args[3], "1");
  EXPECT_EQ(sent[1].args[1], "two");
  EXPECT_EQ(sent[1].args[3], "0");
  EXPECT_NE(sent[0].args[0], sent[1].args[0]);
  CString pending;
  CRuntimeCLIParser::getInstance()->getCommandLine(pending);
  EXPECT_EQ(pending, CString());
}

TEST_F(CommandLines, ASecondProcessForwardsItsLine) {
  AppControllerSimple controller;
  int revealed = 0;
  controller.setRevealWindow([&] { ++revealed; });
  controller.handleOpenEvent(forwardedLine("-remove ext\n-CurrDir=\"/tmp\""));
  EXPECT_TRUE(handedOver().empty());
  ready();
  EXPECT_EQ(handedOver(),
            (std::vector<std::vector<std::string>>{{"-remove ext\n-CurrDir=\"/tmp\"", "0", "1"}}));
  controller.handleOpenEvent(forwardedLine("-list"));
  EXPECT_EQ(handedOver().back(), (std::vector<std::string>{"-list", "0", "1"}));
  EXPECT_EQ(revealed, 2);
}

TEST_F(CommandLines, OpenedDocumentsBecomeQuotedLines) {
  AppControllerSimple controller;
  ready();
  sink.clear();
  controller.handleOpenEvent(documents({{platform::typeAlias, "/tmp/a \"b\".kxp"},
                                        {platform::typeText, "not a file"},
                                        {platform::typeAlias, "/tmp/c\\d.kxi"}}));
  EXPECT_EQ(handedOver(),
            (std::vector<std::vector<std::string>>{{"\"/tmp/a \\\"b\\\".kxp\"", "0", "1"},
                                                   {"\"/tmp/c\\\\d.kxi\"", "0", "1"}}));
  sink.clear();
  platform::AppleEvent nothing{platform::kCoreEventClass, platform::kAEOpenDocuments, {}};
  controller.handleOpenEvent(nothing);
  EXPECT_TRUE(sink.sent().empty());
}

TEST_F(CommandLines, DocumentsOpenedBeforeTheMovieIsReadyLeaveOnlyTheLast) {
  AppControllerSimple controller;
  controller.openDocuments(documents({{platform::typeAlias, "/tmp/one.kxp"}}));
  controller.openDocuments(documents({{platform::typeAlias, "/tmp/two.kxp"}}));
  ready();
  EXPECT_EQ(handedOver(), (std::vector<std::vector<std::string>>{{"\"/tmp/two.kxp\"", "0", "1"}}));
}

TEST_F(CommandLines, OpenDocumentEventsArePostedToTheMainLoop) {
  tamb::MainLoop loop;
  MovieConnection::setMainLoop(&loop);
  AppControllerSimple controller;
  ready();
  sink.clear();
  platform::AppleEvent other{platform::kCoreEventClass, platform::fourCC("quit"), {}};
  EXPECT_EQ(controller.receiveAppleEvent(other), platform::errAEEventNotHandled);
  EXPECT_EQ(controller.receiveAppleEvent(forwardedLine("-list")), 0);
  EXPECT_TRUE(sink.sent().empty());
  EXPECT_EQ(loop.runPending(), 1u);
  MovieConnection::setMainLoop(nullptr);
  EXPECT_EQ(handedOver(), (std::vector<std::vector<std::string>>{{"-list", "0", "1"}}));
}
