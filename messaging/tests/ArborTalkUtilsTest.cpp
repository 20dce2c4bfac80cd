#include "messaging/ArborTalkUtils.h"

#include <gtest/gtest.h>

#include "messaging/Launcher.h"

#include <mutex>
#include <string>
#include <vector>

#include "messaging/tests/LibraryFixture.h"

namespace {

using Velt::VtString;
using Velt::VtVector;
namespace Utils = Velt::ArborTalkUtils;

TEST(ParseInfoLine, ReadsOneRecordAndFindsTheNext) {
  struct Case {
    const char* text;
    bool valid;
    const char* path;
    bool heading;
    const char* label;
    const char* value;
    const char* rest;  // what the returned pointer points at
  };
  const Case cases[] = {
      {"/a/b;0;Name;plexo;\nnext", true, "/a/b", false, "Name", "plexo", "next"},
      {"/a;1;Info;;\n", true, "/a", true, "Info", "", ""},
      {"/a;1;Info;no end", true, "/a", true, "Info", "no end", ""},
      {"/a;0;Last;v;", true, "/a", false, "Last", "v", ""},
      {"/a;2;Bad kind;v;\n", false, "", false, "", "", nullptr},
      {"/a;01;Bad kind;v;\n", false, "", false, "", "", nullptr},
      {";0;No path;v;\n", false, "", false, "", "", nullptr},
      {"/a;0;;v;\n", false, "", false, "", "", nullptr},
      {"/a;0\n;Label;v;", false, "", false, "", "", nullptr},
      {"no separators\n", false, "", false, "", "", nullptr},
      {"", false, "", false, "", "", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    VtString path("x"), label("x"), value("x");
    bool heading = true;
    const char* next = Utils::parseInfoLine(c.text, path, label, value, heading);
    if (!c.valid) {
      EXPECT_EQ(next, nullptr);
      continue;
    }
    ASSERT_NE(next, nullptr);
    EXPECT_STREQ(next, c.rest);
    EXPECT_EQ(bytes(path), c.path);
    EXPECT_EQ(heading, c.heading);
    EXPECT_EQ(bytes(label), c.label);
    EXPECT_EQ(bytes(value), c.value);
  }
}

TEST(ParseOptions, KeepsOnlyTheWords) {
  VtVector<VtString> out;
  const int32_t count =
      Utils::parseOptions(VtString("-specifier=\"lumen-9.0\";  -instance:'2'  last"), out);
  std::vector<std::string> words;
  for (int32_t i = 0; i < out.length(); ++i) words.push_back(bytes(*out[i]));
  EXPECT_EQ(count, 5);
  EXPECT_EQ(words, (std::vector<std::string>{"-specifier", "lumen-9.0", "-instance", "2", "last"}));
  while (out.length() > 0) delete out.removeAt(out.length() - 1);
  EXPECT_EQ(Utils::parseOptions(VtString(" ;=:"), out), 0);
}

TEST(LaunchQueueName, DropsInstanceAndSuffix) {
  EXPECT_EQ(bytes(Utils::getLaunchMsgQueueName(VtString("lumen_2-9.0-en_us#thread"))),
            "lumen-9.0-en_us#launchparams");
}

class DiagnosticsTest : public LibraryTest {};

TEST_F(DiagnosticsTest, TheReportIndentsByDepthAndListsTheInstances) {
  VtString out("old");
  Velt::ArborTalk::getDiagnostics(out, false);
  EXPECT_EQ(bytes(out), "");
  ASSERT_TRUE(start());
  stopBackground();
  auto* main = new Velt::ArborTalk(appName.c_str(), new RecordingHandler(), true);
  Velt::ArborTalk::getDiagnostics(out, false);
  const std::string records = bytes(out);
  const std::string prefix = "/" + appName;
  EXPECT_EQ(records.rfind(prefix + "/context;1;Info;;\n", 0), 0u) << records;
  EXPECT_NE(records.find(prefix + "/context/version;0;Version;2.0;\n"), std::string::npos);
  EXPECT_NE(records.find(prefix + "/context/build;0;Build;OR 3.92.104;\n"), std::string::npos);
  EXPECT_NE(records.find(prefix + "/context/logging;0;Logging:;OFF;\n"), std::string::npos);
  EXPECT_NE(records.find(prefix + "/thread;1;Thread;" + appName + "#thread;\n"), std::string::npos);
  EXPECT_NE(records.find(prefix + "/instances;1;Instances;1;\n"), std::string::npos);
  EXPECT_NE(records.find(prefix + "/instances/" + appName + ";1;" + appName + ";(main);\n"),
            std::string::npos);
  EXPECT_NE(records.find(prefix + "/instances/" + appName +
                         "/handler/Orrery;0;Orrery;for all messages;\n"),
            std::string::npos);

  Velt::ArborTalk::getDiagnostics(out, true);
  const std::string report = bytes(out);
  EXPECT_EQ(report.rfind("ArborTalk Diagnostics\n----------------------\n\n\tInfo: \n", 0), 0u)
      << report;
  EXPECT_NE(report.find("\t\tVersion = 2.0\n"), std::string::npos);
  EXPECT_NE(report.find("\n\tInstances: 1\n"), std::string::npos);
  EXPECT_EQ(report.substr(report.size() - 23), "----------------------\n");
  (void)main;  // the context deletes it
}

TEST_F(DiagnosticsTest, LoggingGoesToTheMainInstanceAndItsForwarder) {
  ASSERT_TRUE(start());
  stopBackground();
  auto* logs = new RecordingHandler("FWDLOGS");
  auto* main = new Velt::ArborTalk(appName.c_str(), logs, true);
  Velt::ArborTalk::Message m;
  m.mTarget = "somewhere";
  m.mSender = main->getAppName();
  m.mBody = "payload";
  Utils::logMessage("QUIET", m, false);
  EXPECT_TRUE(logs->reasons.empty());  // logging starts off

  context()->setLogging(true);
  Utils::logMessage("LOUD", m, false);
  ASSERT_EQ(logs->reasons, std::vector<int>{0});
  EXPECT_NE(logs->bodies[0].find("];LOUD;\n"), std::string::npos) << logs->bodies[0];
  EXPECT_TRUE(context()->isLogging());
  // The "Log" message itself came to the main instance's port.
  EXPECT_TRUE(main->incomingMessagePending());
  context()->setLogging(false);
}

TEST_F(DiagnosticsTest, AnOutgoingPassAnotherThreadRunsIsSkipped) {
  ASSERT_TRUE(start());
  stopBackground();
  auto* main = new Velt::ArborTalk(appName.c_str(), nullptr, true);
  auto target = port("target");
  auto* m = new Velt::ArborTalk::Message;
  m->mTarget = target->getSpecifier();
  m->mSender = main->getAppName();
  m->mBody = "once";
  ASSERT_TRUE(main->getPrivateData()->getOutgoingMessageQueue().append(m));
  {
    std::lock_guard<std::mutex> busy(main->getPrivateData()->sending());
    main->processOutgoingMessage();
    EXPECT_TRUE(main->outgoingMessagePending());
  }
  main->processOutgoingMessage();
  EXPECT_FALSE(main->outgoingMessagePending());
  auto delivered = take(*target);
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_EQ(bytes(delivered[0]->mBody), "once");
  deleteAll(delivered);
}

}  // namespace
