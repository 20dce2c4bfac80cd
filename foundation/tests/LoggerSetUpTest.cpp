#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/AppGlobals.h"
#include "foundation/CLIErrorLogger.h"
#include "foundation/CStartupCLIParser.h"
#include "foundation/Logger.h"
#include "foundation/tests/CZorbOSTestFixture.h"
#include "platform/os/FaultInjectingFileSystem.h"

namespace fs = std::filesystem;

namespace {

const char* kLogFile = "Users/ann/Library/Application Support/Vesko/Plexar WB5/Plexar.log";

// The program's own set-up, over a sandbox with the program laid out in it.
class LoggerSetUp : public CZorbOSTest {
 protected:
  void SetUp() override {
    CZorbOSTest::SetUp();
    m_savedAppPath = gAppPath;
    gAppPath = sandbox.appFolder();
    Logger::resetForTest(&Logger::setUpFromMarker);
  }
  void TearDown() override {
    Logger::resetForTest(nullptr);
    gAppPath = m_savedAppPath;
    CZorbOSTest::TearDown();
  }
  void PutMarker() { sandbox.writeFile("Applications/Plexar.app/Contents/MacOS/PlexoLog.YES", ""); }

  std::vector<std::string> LogLines() {
    std::istringstream in(sandbox.readFile(kLogFile));
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) lines.push_back(WithoutTime(line));
    return lines;
  }

  std::string m_savedAppPath;
};

TEST_F(LoggerSetUp, OffWithoutTheMarkerForTheWholeRun) {
  EXPECT_EQ(Logger::getInstance(), nullptr);
  // Put there later in the same run: the marker was looked for once.
  PutMarker();
  EXPECT_EQ(Logger::getInstance(), nullptr);
  Logger::write(Logger::kFatal, std::string("nothing"), "a.cpp", 1);
  EXPECT_FALSE(sandbox.exists(kLogFile));
}

TEST_F(LoggerSetUp, MarkerSwitchesOnAFreshLogInTheUsersFolder) {
  PutMarker();
  sandbox.writeFile(kLogFile, "left from the last run\n");
  Logger* log = Logger::getInstance();
  ASSERT_NE(log, nullptr);
  EXPECT_EQ(Logger::getInstance(), log);
  Logger::write(Logger::kError, std::string("x"), "a.cpp", 12);
  Logger::write(Logger::kInfo, std::u16string(u"caf\u00e9"), "b.cpp", 3);
  Logger::write(Logger::kDebug, std::string("d"), "c.cpp", 4);
  EXPECT_EQ(LogLines(), (std::vector<std::string>{
                            "[ERROR] T (a.cpp,12) -x",
                            "[ INFO] T (b.cpp,3) -caf\xc3\xa9",
                            "[DEBUG] T (c.cpp,4) -d",
                        }));
  // The answer holds even when the marker goes.
  fs::remove(sandbox.posix("Applications/Plexar.app/Contents/MacOS/PlexoLog.YES"));
  EXPECT_EQ(Logger::getInstance(), log);

  Logger::finalize();
  EXPECT_EQ(Logger::getInstance(), nullptr);
  PutMarker();
  EXPECT_EQ(Logger::getInstance(), nullptr);
}

TEST_F(LoggerSetUp, MakesTheLogsFolders) {
  fs::remove_all(sandbox.posix("Users/ann/Library/Application Support"));
  PutMarker();
  ASSERT_NE(Logger::getInstance(), nullptr);
  Logger::write(Logger::kFatal, std::string("made"), "a.cpp", 1);
  EXPECT_EQ(LogLines(), std::vector<std::string>{"[FATAL] T (a.cpp,1) -made"});
}

TEST_F(LoggerSetUp, ApplicationFolderOutsideEveryVolume) {
  gAppPath = "/proc/no-such-folder/";
  EXPECT_EQ(Logger::getInstance(), nullptr);
}

TEST(AppGlobals, AppPathIsTheExecutablesFolder) {
  const std::string saved = gAppPath;
  gAppPath.clear();
  ASSERT_TRUE(InitAppPath());
  EXPECT_EQ(gAppPath.back(), '/');
  EXPECT_TRUE(fs::exists(gAppPath + "foundation_tests"));
  gAppPath = saved;
}

TEST(AppGlobals, BuildLaysOutTheProgram) {
  const std::string contents = std::string(PLEXAR_BINARY_DIR) + "/Plexar.app/Contents";
  for (const char* sub : {"/MacOS", "/Resources", "/Frameworks"})
    EXPECT_TRUE(fs::is_directory(contents + sub)) << sub;
  std::ostringstream plist;
  plist << std::ifstream(contents + "/Info.plist").rdbuf();
  EXPECT_NE(plist.str().find("<string>PqR5</string>"), std::string::npos);
  EXPECT_NE(plist.str().find("<key>CFBundleExecutable</key>\n\t<string>Plexar</string>"),
            std::string::npos);
}

class CommandLineLog : public CZorbOSTest {
 protected:
  void TearDown() override {
    CLIErrorLogger::resetForTest();
    CZorbOSTest::TearDown();
  }
};

const char* kCliLog = "Users/ann/Library/Application Support/Vesko/Plexar WB5/CLIPlexar.log";

TEST_F(CommandLineLog, WritesItsThreeLinesInUtf8) {
  sandbox.writeFile(kCliLog, "an earlier run's log");
  CLIErrorLogger* log = CLIErrorLogger::getInstance();
  ASSERT_NE(log, nullptr);
  EXPECT_EQ(CLIErrorLogger::getInstance(), log);
  log->logMessage(CString(u"Install failed: caf\u00e9"));
  log->logMessage(CString(u"second\r"));
  CLIErrorLogger::finalize();
  EXPECT_EQ(CLIErrorLogger::getInstance(), nullptr);
  EXPECT_EQ(sandbox.readFile(kCliLog),
            "VESKO PLEXAR \r-----------------------------------\rInstall failed: caf\xc3\xa9\r"
            "VESKO PLEXAR \r-----------------------------------\rsecond\r");
}

TEST_F(CommandLineLog, MessagesFromManyThreadsStayWhole) {
  CLIErrorLogger* log = CLIErrorLogger::getInstance();
  ASSERT_NE(log, nullptr);
  const int kThreads = 6, kMessages = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([log, t] {
      for (int i = 0; i < kMessages; ++i) {
        const std::string text = "thread " + std::to_string(t) + " message " + std::to_string(i);
        log->logMessage(CString(std::u16string(text.begin(), text.end()).c_str()));
      }
    });
  for (auto& th : threads) th.join();
  CLIErrorLogger::finalize();
  // A pointer held past the end writes nothing and harms nothing.
  log->logMessage(CString(u"too late"));

  std::vector<std::string> lines;
  std::istringstream in(sandbox.readFile(kCliLog));
  for (std::string line; std::getline(in, line, '\r');) lines.push_back(line);
  ASSERT_EQ(lines.size(), static_cast<size_t>(3 * kThreads * kMessages));
  std::vector<int> next(kThreads, 0);
  for (size_t i = 0; i < lines.size(); i += 3) {
    EXPECT_EQ(lines[i], "VESKO PLEXAR ");
    EXPECT_EQ(lines[i + 1], std::string(35, '-'));
    const std::string& message = lines[i + 2];
    ASSERT_EQ(message.rfind("thread ", 0), 0u) << message;
    const int t = message[7] - '0';
    ASSERT_TRUE(t >= 0 && t < kThreads) << message;
    EXPECT_EQ(message, "thread " + std::to_string(t) + " message " + std::to_string(next[t]++));
  }
}

TEST_F(CommandLineLog, GivesUpWhenItCannotOpen) {
  platform::FaultInjectingFileSystem faults;
  platform::FileSystemOverride use(faults);
  faults.failPath("CLIPlexar.log", EACCES, platform::kFsOpenWrite);
  EXPECT_EQ(CLIErrorLogger::getInstance(), nullptr);
  faults.clearRules();
  EXPECT_EQ(CLIErrorLogger::getInstance(), nullptr);
  EXPECT_TRUE(sandbox.isFolder("Users/ann/Library/Application Support/Vesko/Plexar WB5"));
}

TEST(StartupCommandLine, HoldsTheLineAndTheLocale) {
  CStartupCLIParser* parser = CStartupCLIParser::getInstance();
  ASSERT_NE(parser, nullptr);
  EXPECT_EQ(CStartupCLIParser::getInstance(), parser);
  parser->m_CmdLine.Empty();
  parser->setLocaleCode(CString());
  parser->setLocaleCode(CString(u"fr_FR"));
  EXPECT_EQ(CStartupCLIParser::getInstance()->getLocaleCode(), CString(u"fr_FR"));

  static CString handed;
  static bool handedFromArguments = false;
  static int calls;
  calls = 0;
  CStartupCLIParser::setHandOver([](const CString& line, bool fromArguments) {
    handed = line;
    handedFromArguments = fromArguments;
    ++calls;
  });
  parser->handleCommandLine();
  EXPECT_EQ(calls, 0);  // nothing saved yet

  parser->saveCommandLine(u"-install\n/tmp/a.yxp", true);
  CString line;
  parser->getCommandLine(line);
  const std::string cwd = fs::current_path().string();
  const std::u16string expected =
      u"-install\n/tmp/a.yxp\n-CurrDir=\"" + std::u16string(cwd.begin(), cwd.end()) + u"\"";
  EXPECT_EQ(std::u16string(line.Get()), expected);
  EXPECT_TRUE(parser->isFromArguments());
  parser->handleCommandLine();
  parser->handleCommandLine();
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(handed, line);
  EXPECT_TRUE(handedFromArguments);

  parser->saveCommandLine(u"-suppress", false);
  parser->getCommandLine(line);
  EXPECT_EQ(std::u16string(line.Get()).rfind(u"-suppress -CurrDir=\"", 0), 0u);
  CStartupCLIParser::setHandOver(nullptr);
  parser->setLocaleCode(CString());
  parser->m_CmdLine.Empty();
}

}  // namespace
