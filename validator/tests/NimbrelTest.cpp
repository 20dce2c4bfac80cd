#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "validator/tests/NimbrelTestSupport.h"

namespace {

using nimbreltest::NimbrelFolder;
using nimbreltest::NimbrelRun;

class NimbrelTest : public ::testing::Test {
 protected:
  void SetUp() override { ulp::testing::reset(); }
  void TearDown() override {
    ulp::testing::reset();
    EXPECT_FALSE(UlpIsInitialized());
    EXPECT_EQ(MiniDOM::allExtensions, nullptr);
  }
  NimbrelFolder folder;
};

TEST_F(NimbrelTest, StartUpFailuresEndWithTheirExitCodesAndPrintNothing) {
  struct Case {
    const char* what;
    std::function<void()> arrange;
    std::string argv0;
    int exitCode;
  };
  const std::vector<Case> cases = {
      {"the executable's path can't be resolved", [] {}, "/nonexistent/Nimbrel",
       nimbrel::kExitNoFolder},
      {"the runtime does not start", [] { ulp::testing::setInitializeResult(7); }, "",
       nimbrel::kExitInitialize},
      {"no stage", [] { ulp::testing::setStageFails(true); }, "", nimbrel::kExitStage},
      {"no component file", [this] { std::filesystem::remove(folder.path("Component.ulp")); }, "",
       nimbrel::kExitLoadComponent},
      {"a component file that is not key=value", [this] { folder.component("no equals\n"); }, "",
       nimbrel::kExitLoadComponent},
      {"an unknown component", [this] { folder.component("component=nothing\n"); }, "",
       nimbrel::kExitLoadComponent},
      {"an answer of another name",
       [this] { folder.component("component=script\nmessage=Other\ntext=0\n"); }, "",
       nimbrel::kExitWrongMessage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ulp::testing::reset();
    folder.component("component=script\ntext=0\n");
    c.arrange();
    const NimbrelRun run = folder.run({"1", "0", "Ext", "/p.yxp"}, c.argv0);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.exitCode & 0xFF, 256 + c.exitCode) << "the status the parent sees";
    EXPECT_EQ(run.output, "");
    EXPECT_TRUE(run.ended);
  }
}

TEST_F(NimbrelTest, TheAnswerIsPrintedOneDecodedTextPerLine) {
  folder.component(
      "component=script\n"
      "text=0\n"
      "number=5\n"
      "text=a#Eb\n"
      "text=#D#C#B#A\n"
      "text=\n");
  const NimbrelRun run = folder.run({"1", "0", "Ext", "/p.yxp"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(run.ended);
  // The number is not a text and is passed over; the empty text is a line.
  EXPECT_EQ(run.output, "0\na<b\n\"'&#\n\n");
}

TEST_F(NimbrelTest, AnAnswerWithoutTextsPrintsNothingAndSucceeds) {
  folder.component("component=script\nnumber=1\n");
  const NimbrelRun run = folder.run({"1", "0", "Ext", "/p.yxp"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(run.ended);
  EXPECT_EQ(run.output, "");
}

TEST_F(NimbrelTest, RequestTextsReachTheComponentWholeAndEscaped) {
  folder.component("component=script\ndeliver=echo\n");
  const std::string longText = std::string(300, 'x') + "<&>" + std::string(200, '#');
  const std::vector<std::string> arguments = {"1", "0", "a \"quoted\" <name>", longText,
                                              "\xC3\xA9t\xC3\xA9"};
  const NimbrelRun run = folder.run(arguments);
  std::string expected;
  for (const std::string& text : arguments) expected += text + "\n";
  EXPECT_EQ(run.output, expected);
}

TEST_F(NimbrelTest, LineEndsInsideATextDoNotMakeNewLines) {
  folder.component("component=script\ndeliver=echo\n");
  const NimbrelRun run = folder.run({"a\nb", "c\r\nd"});
  EXPECT_EQ(run.output, "a b\nc  d\n");
}

TEST_F(NimbrelTest, AScriptExceptionWhileDeliveringIsSwallowed) {
  folder.component("component=script\ndeliver=throw\ntext=0\n");
  const NimbrelRun run = folder.run({"1", "0", "Ext", "/p.yxp"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output, "0\n");
  EXPECT_EQ(ulp::testing::uncaughtScriptErrors(), 0u);
}

TEST_F(NimbrelTest, WithoutAnswerOrArgumentsNimbrelKeepsWaiting) {
  folder.component("component=script\ndeliver=silent\n");
  NimbrelRun run = folder.run({"1", "0", "Ext", "/p.yxp"});
  EXPECT_FALSE(run.ended);
  EXPECT_EQ(run.output, "");
  // With only argv[0] no request goes out, so nothing answers.
  folder.component("component=script\ndeliver=echo\n");
  run = folder.run({});
  EXPECT_FALSE(run.ended);
  EXPECT_EQ(run.output, "");
  EXPECT_EQ(run.exitCode, 0);
}

}  // namespace
