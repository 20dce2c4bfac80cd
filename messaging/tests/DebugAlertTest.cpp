#include "messaging/DebugAlert.h"

#include <gtest/gtest.h>

#include <string>

#include "messaging/tests/AlertCapture.h"

TEST(DebugAlertTest, AlertText) {
  struct Case {
    const char* message;
    const char* file;
    int line;
    const char* expected;
  };
  const Case cases[] = {
      {"Cannot lock mutex", "VtLock.cpp", 42,
       "+++ Assert in file VtLock.cpp, line 42\n+++ Cannot lock mutex\n"},
      {"no file", nullptr, 42, "+++ Assert\n+++ no file\n"},
      {"no line", "x.cpp", 0, "+++ Assert\n+++ no line\n"},
      {nullptr, nullptr, 0, "+++ Assert\n+++ \n"},
      {"%s%n", "a%d.cpp", -1, "+++ Assert in file a%d.cpp, line -1\n+++ %s%n\n"},
  };
  for (const Case& c : cases) {
    AlertCapture capture;
    Velt::debugAlert(c.message, c.file, c.line);
    ASSERT_EQ(capture.alerts().size(), 1u);
    EXPECT_EQ(capture.alerts()[0], c.expected);
  }
}

TEST(DebugAlertTest, LongTextIsCutTo255Bytes) {
  AlertCapture capture;
  std::string message(400, 'm');
  Velt::debugAlert(message.c_str(), "file.cpp", 7);
  ASSERT_EQ(capture.alerts().size(), 1u);
  const std::string text = capture.alerts()[0];
  EXPECT_EQ(text.size(), 255u);
  std::string full = "+++ Assert in file file.cpp, line 7\n+++ " + message + "\n";
  EXPECT_EQ(text, full.substr(0, 255));
}

TEST(DebugAlertTest, HookIsInstalledAndRemoved) {
  Velt::DebugAlertFunc previous = Velt::getDebugAlertFunc();
  {
    AlertCapture capture;
    EXPECT_NE(Velt::getDebugAlertFunc(), nullptr);
    Velt::debugAlert("hooked", nullptr, 0);
    EXPECT_EQ(capture.count("hooked"), 1);
  }
  EXPECT_EQ(Velt::getDebugAlertFunc(), previous);
}

TEST(DebugAlertTest, WithoutHookTheAlertGoesToStandardErrorAndCarriesOn) {
  Velt::DebugAlertFunc previous = Velt::getDebugAlertFunc();
  Velt::setDebugAlertFunc(nullptr);
  testing::internal::CaptureStderr();
  Velt::debugAlert("unhooked alert", "f.cpp", 3);
  Velt::debugStr("plain text\n");
  Velt::debugStr(nullptr);
  std::string err = testing::internal::GetCapturedStderr();
  Velt::setDebugAlertFunc(previous);
  EXPECT_EQ(err,
            "+++ Assert in file f.cpp, line 3\n+++ unhooked alert\n"
            "plain text\n");
}

TEST(DebugAlertTest, BreakWithoutDebuggerReturns) {
  EXPECT_TRUE(Velt::isDebugging());
  Velt::debugBreak();  // the process must survive
  SUCCEED();
}
