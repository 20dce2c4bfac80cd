#include "foundation/Logger.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace {

// The logger the set-up below hands out, and its stream.
std::ostringstream* g_out = nullptr;
int g_setUpCalls = 0;

Logger* streamSetUp() {
  ++g_setUpCalls;
  auto out = std::make_unique<std::ostringstream>();
  g_out = out.get();
  return new Logger(std::move(out));
}

Logger* offSetUp() {
  ++g_setUpCalls;
  return nullptr;
}

Logger* reentrantSetUp() {
  ++g_setUpCalls;
  // What the set-up calls may try to log; it must get null, not hang.
  EXPECT_EQ(Logger::getInstance(), nullptr);
  Logger::write(Logger::kFatal, "ignored", "x", 1);
  return streamSetUp();
}

// "Tue Mar 27 09:05:00 2012": the ctime form without its line end.
bool isCtime(const std::string& t) {
  const char* shape = "aaa aaa dd dd:dd:dd dddd";
  if (t.size() != 24) return false;
  for (size_t i = 0; i < t.size(); ++i) {
    char c = t[i];
    switch (shape[i]) {
      case 'a':
        if (!isalpha(static_cast<unsigned char>(c))) return false;
        break;
      case 'd':
        if (!isdigit(static_cast<unsigned char>(c)) && !(i == 8 && c == ' ')) return false;
        break;
      default:
        if (c != shape[i]) return false;
    }
  }
  return true;
}

// Every line of text with its time checked and replaced by "T".
std::vector<std::string> linesWithoutTime(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    EXPECT_GE(line.size(), 8u + 24u) << line;
    if (line.size() < 32) continue;
    EXPECT_TRUE(isCtime(line.substr(8, 24))) << line;
    out.push_back(line.substr(0, 8) + "T" + line.substr(32));
  }
  return out;
}

class LoggerTest : public ::testing::Test {
 protected:
  void SetUp() override { g_setUpCalls = 0; }
  void TearDown() override { Logger::resetForTest(nullptr); }
};

}  // namespace

TEST_F(LoggerTest, LineFormatAndMessageForms) {
  Logger::resetForTest(&streamSetUp);
  Logger* log = Logger::getInstance();
  ASSERT_NE(log, nullptr);
  log->logMessage("ERROR", std::string("x"), "a.cpp", 12);
  log->logMessage("DEBUG", "c string", "b.cpp", 0);
  log->logMessage(" INFO", u"utf16 \u00e9\U0001F600 \xD800!", std::string("c.cpp"), -3);
  log->logMessage("FATAL", std::u16string(u"wide"), "d.cpp", 99999);
  log->logMessage("FATAL", static_cast<const char*>(nullptr), "e.cpp", 1);

  std::vector<std::string> expected = {
      "[ERROR] T (a.cpp,12) -x",
      "[DEBUG] T (b.cpp,0) -c string",
      "[ INFO] T (c.cpp,-3) -utf16 \xC3\xA9\xF0\x9F\x98\x80 ?!",
      "[FATAL] T (d.cpp,99999) -wide",
      "[FATAL] T (e.cpp,1) -",
  };
  EXPECT_EQ(linesWithoutTime(g_out->str()), expected);
  EXPECT_EQ(g_out->str().back(), '\n');
}

TEST_F(LoggerTest, WriteFollowsTheSwitchesAndLevelWords) {
  EXPECT_STREQ(Logger::levelWord(Logger::kDebug), "DEBUG");
  EXPECT_STREQ(Logger::levelWord(Logger::kInfo), " INFO");
  EXPECT_STREQ(Logger::levelWord(Logger::kError), "ERROR");
  EXPECT_STREQ(Logger::levelWord(Logger::kFatal), "FATAL");
  EXPECT_EQ(Logger::levelWord(0), nullptr);
  EXPECT_EQ(Logger::levelWord(3), nullptr);

  Logger::resetForTest(&streamSetUp);
  Logger* log = Logger::getInstance();
  ASSERT_NE(log, nullptr);
  for (int i = 0; i < Logger::kLevelCount; ++i) EXPECT_TRUE(log->isOn(i));
  EXPECT_FALSE(log->isOn(6));
  EXPECT_FALSE(log->isOn(-1));
  log->setOn(Logger::kDebug, false);
  Logger::write(Logger::kDebug, "hidden", "f", 1);
  Logger::write(Logger::kInfo, "shown", "f", 2);
  Logger::write(Logger::kLevel3, "no word", "f", 3);
  Logger::write(Logger::kError, std::u16string(u"wide"), "f", 4);
  std::string out = g_out->str();
  EXPECT_EQ(out.find("hidden"), std::string::npos);
  EXPECT_EQ(out.find("no word"), std::string::npos);
  EXPECT_NE(out.find("[ INFO] "), std::string::npos);
  EXPECT_NE(out.find("(f,4) -wide\n"), std::string::npos);
}

TEST_F(LoggerTest, SetUpRunsOnceAndFinalizeIsFinal) {
  Logger::resetForTest(&offSetUp);
  EXPECT_EQ(Logger::getInstance(), nullptr);
  Logger::installSetUp(&streamSetUp);  // too late: the answer was given
  EXPECT_EQ(Logger::getInstance(), nullptr);
  EXPECT_EQ(g_setUpCalls, 1);
  Logger::write(Logger::kFatal, "nowhere", "f", 1);

  Logger::resetForTest(&streamSetUp);
  g_setUpCalls = 0;
  Logger* log = Logger::getInstance();
  ASSERT_NE(log, nullptr);
  EXPECT_EQ(Logger::getInstance(), log);
  EXPECT_EQ(g_setUpCalls, 1);
  Logger::finalize();
  EXPECT_EQ(Logger::getInstance(), nullptr);
  EXPECT_EQ(Logger::getInstance(), nullptr);
  // A thread that still holds the old pointer is harmless.
  log->logMessage("ERROR", "late", "f", 1);
  Logger::finalize();
}

TEST_F(LoggerTest, ASetUpThatLogsGetsNullInsteadOfWaitingForItself) {
  Logger::resetForTest(&reentrantSetUp);
  EXPECT_NE(Logger::getInstance(), nullptr);
  EXPECT_EQ(g_setUpCalls, 2);
  EXPECT_EQ(g_out->str(), "");
}

TEST_F(LoggerTest, LinesFromManyThreadsStayWhole) {
  Logger::resetForTest(&streamSetUp);
  ASSERT_NE(Logger::getInstance(), nullptr);
  const int kThreads = 6, kLines = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < kLines; ++i)
        Logger::write(Logger::kInfo, "thread " + std::to_string(t) + " line " + std::to_string(i),
                      "mt.cpp", t);
    });
  for (auto& th : threads) th.join();

  std::vector<std::string> lines = linesWithoutTime(g_out->str());
  ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines));
  std::vector<int> next(kThreads, 0);
  for (const auto& line : lines) {
    // "[ INFO] T (mt.cpp,<t>) -thread <t> line <i>", each thread's lines in order
    ASSERT_EQ(line.rfind("[ INFO] T (mt.cpp,", 0), 0u) << line;
    int t = line[18] - '0';
    ASSERT_TRUE(t >= 0 && t < kThreads) << line;
    EXPECT_EQ(line.substr(19),
              ") -thread " + std::to_string(t) + " line " + std::to_string(next[t]++));
  }
}

TEST_F(LoggerTest, FileLoggerEmptiesTheFile) {
  auto path = std::filesystem::temp_directory_path() /
              ("plexar-logger-" + std::to_string(getpid()) + ".log");
  { std::ofstream(path) << "old run\nold run\n"; }
  {
    Logger log(path.string());
    log.logMessage("ERROR", "new", "g.cpp", 7);
  }
  std::ifstream in(path);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(all.find("old run"), std::string::npos);
  EXPECT_NE(all.find("(g.cpp,7) -new\n"), std::string::npos);
  std::filesystem::remove(path);

  Logger nowhere("/nonexistent-dir/x.log");  // writes nothing, fails nothing
  nowhere.logMessage("ERROR", "lost", "g.cpp", 8);
}

TEST(LoggerTime, CurrentTimeHasNoLineEnd) {
  std::string t = Logger::getCurrentTime();
  EXPECT_TRUE(isCtime(t)) << t;
}
