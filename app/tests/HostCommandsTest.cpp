// The send-message, error-report and help commands.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/CCommandFactory.h"
#include "app/PlexarEngine.h"
#include "app/tests/MovieTestSupport.h"
#include "foundation/Logger.h"
#include "platform/help/VeskoHelpClient.h"
#include "testsupport/LogCapture.h"

namespace {

using Texts = std::vector<std::string>;

class HostCommands : public movietest::MovieTest {
 protected:
  void SetUp() override {
    MovieTest::SetUp();
    Logger::resetForTest(testsupport::LogToString);
    CTAMBFrontController::m_manager = &m_engine;
    platform::help::resetForTest();
  }
  void TearDown() override {
    platform::help::resetForTest();
    Logger::finalize();
    Logger::resetForTest(nullptr);
    testsupport::CapturedLogStream() = nullptr;
    MovieTest::TearDown();
  }

  // Parses [id, args...] and runs the command; what it sent to the movie.
  std::vector<movietest::Sent> run(const char* call, const Texts& args) {
    m_sink.clear();
    std::unique_ptr<CBrioCommand> command = CCommandFactory::getInstance()->getCommand(call);
    EXPECT_TRUE(command) << call;
    if (!command) return {};
    Texts all{"-7"};
    all.insert(all.end(), args.begin(), args.end());
    command->setRequestId("-7");
    command->setArguments(makeArguments(all));
    EXPECT_TRUE(command->parseArguments());
    command->execute();
    return m_sink.sent();
  }
  Texts reply(const char* call, const Texts& args) {
    const auto sent = run(call, args);
    EXPECT_EQ(sent.size(), 1u);
    return sent.empty() ? Texts{} : sent[0].args;
  }
  CZorbPlexar& plexar() { return m_engine.plexar(); }

  movietest::RecordingSink m_sink;
  PlexarEngine m_engine;
};

TEST_F(HostCommands, SendMessageNeedsAKnownSourceType) {
  struct Case {
    const char* name;
    Texts args;
  };
  for (const Case& c : {Case{"too few", {"1", "Host", "3", "err"}},
                        Case{"unknown type", {"7", "Host", "3", "err", "msg"}},
                        Case{"no type", {"", "Host", "3", "err", "msg"}}}) {
    SCOPED_TRACE(c.name);
    g_exitCode = 0;
    EXPECT_EQ(reply("externalSendAKMessage", c.args), (Texts{"-7", "2"}));
    // Nothing of the call was taken.
    EXPECT_EQ(g_exitCode.load(), 0);
    EXPECT_EQ(plexar().m_lastError.GetLength(), 0);
  }
  EXPECT_NE(testsupport::CapturedLog().find("Arguments are less than 6"), std::string::npos);
}

TEST_F(HostCommands, SendMessageFillsTheResponseAndTheExitCode) {
  struct Case {
    const char* exitText;
    int32_t exitCode;
  };
  for (const Case& c : {Case{"0", 11}, Case{"", 11}, Case{"3", 3}, Case{"-2", -2},
                        Case{"12abc", 12}, Case{"abc", 0}}) {
    SCOPED_TRACE(c.exitText);
    g_exitCode = 11;
    plexar().m_lastError.Empty();
    // A host nobody runs: the engine gives the response up once it tried.
    EXPECT_EQ(reply("externalSendAKMessage", {"0", "nohost-1.0", c.exitText, "broke", "done"}),
              (Texts{"-7", "0"}));
    EXPECT_EQ(g_exitCode.load(), c.exitCode);
    EXPECT_EQ(plexar().m_notificationState, CZorbPlexar::kNoPendingResponse);
    EXPECT_EQ(plexar().m_notificationSource, CString(u"UnKnown"));
  }
}

TEST_F(HostCommands, TheErrorReportBecomesTheLastErrorAndGoesToStandardErrorOnlyWhenSuppressed) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(reply("externalUpdateBrioErrorMessageToCLI", {"It&apos;s &apos;broken&apos;"}),
            (Texts{"-7", "0"}));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(plexar().m_lastError, CString(u"It's 'broken'"));

  g_isInSuppressMode = true;
  testing::internal::CaptureStderr();
  EXPECT_EQ(reply("externalUpdateBrioErrorMessageToCLI", {"Gr\xC3\xBC\xC3\x9F"}),
            (Texts{"-7", "0"}));
  EXPECT_EQ(reply("externalUpdateBrioErrorMessageToCLI", {}), (Texts{"-7", "0"}));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Gr\xC3\xBC\xC3\x9F\n");
  EXPECT_EQ(plexar().m_lastError, CString(u"Gr\u00FC\u00DF"));
  EXPECT_NE(testsupport::CapturedLog().find("Arguments are less than 2"), std::string::npos);
}

TEST_F(HostCommands, HelpOpensTheHomePageInTheStartUpLocaleWithoutAnswering) {
  struct Case {
    const char16_t* locale;
    const char* sent;
  };
  for (const Case& c :
       {Case{u"", "en_us"}, Case{u"de_de", "de_de"}, Case{u"a_much_longer_code", "a_much_lo"}}) {
    SCOPED_TRACE(c.sent);
    CStartupCLIParser::getInstance()->setLocaleCode(c.locale);
    EXPECT_TRUE(run("externalShowHelp", {}).empty());
    const platform::help::Record record = platform::help::lastRecord();
    EXPECT_EQ(record.applicationKey, "Plexar_3.0");
    EXPECT_EQ(record.locale, c.sent);
    EXPECT_EQ(record.page, "GB_HOME");
  }
  struct Outcome {
    int32_t init, display;
    const char* logged;
  };
  for (const Outcome& o : {Outcome{0, 0, "Launch help Success"}, Outcome{0, 7, "[ERROR]"},
                           Outcome{0, 7, " PageID does not exist "},
                           Outcome{0, 42, "UnKnown error "}, Outcome{0, -1, "UnKnown error "},
                           Outcome{3, 0, "Could not initialize help client library"}}) {
    SCOPED_TRACE(o.logged);
    Logger::finalize();
    Logger::resetForTest(testsupport::LogToString);
    platform::help::setResultsForTest(o.init, o.display);
    EXPECT_TRUE(run("externalShowHelp", {}).empty());
    EXPECT_NE(testsupport::CapturedLog().find(o.logged), std::string::npos)
        << testsupport::CapturedLog();
  }
  CStartupCLIParser::getInstance()->setLocaleCode(u"");
}

}  // namespace
