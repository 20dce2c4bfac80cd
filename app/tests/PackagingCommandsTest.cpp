// The package, convert, import, migrate and load commands as the movie
// calls them: their arguments, their answers and what they leave on disk.

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CCommandFactory.h"
#include "app/PlexarEngine.h"
#include "app/tests/MovieTestSupport.h"
#include "foundation/Logger.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "testsupport/LogCapture.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/ScopedStrings.h"
#include "testsupport/ScriptedUI.h"

namespace {

using Texts = std::vector<std::string>;
using testsupport::ScriptedUI;

constexpr char kDescription[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<quillory-extension name=\"Tool\" version=\"1.0\" type=\"command\">\n"
    "  <products><product name=\"Lumen\" primary=\"true\" /></products>\n"
    "  <files><file source=\"a.htm\" destination=\"$userhomefolder/Tool\" /></files>\n"
    "  <configuration-changes><menu-insert insertAfter=\"x\"><menuitem name=\"T\" id=\"t\" />"
    "</menu-insert></configuration-changes>\n"
    "</quillory-extension>\n";

class PackagingCommands : public movietest::MovieTest {
 protected:
  void SetUp() override {
    MovieTest::SetUp();
    m_savedAppPath = gAppPath;
    gAppPath = std::string(PLEXAR_BINARY_DIR) + "/Plexar.app/Contents/Resources";
    Logger::resetForTest(testsupport::LogToString);
    CTAMBFrontController::m_manager = &m_engine;
    m_engine.SetUI(&m_ui);
    m_ui.always(ScriptedUI::Question::MessageBox,
                [](const ScriptedUI::Call&) { return ScriptedUI::Answer{}; });
    m_sandbox.writeFile("src/Tool.kxi", kDescription);
    m_sandbox.writeFile("src/a.htm", "<p>a</p>");
    m_sandbox.makeFolder("out");
  }
  void TearDown() override {
    m_engine.SetUI(nullptr);
    Logger::finalize();
    Logger::resetForTest(nullptr);
    testsupport::CapturedLogStream() = nullptr;
    gAppPath = m_savedAppPath;
    MovieTest::TearDown();
  }

  // The command made for the call with [id, args...]; null when its
  // parseArguments refused them.
  std::unique_ptr<CBrioCommand> parsed(const char* call, const Texts& args) {
    std::unique_ptr<CBrioCommand> command = CCommandFactory::getInstance()->getCommand(call);
    EXPECT_TRUE(command) << call;
    if (!command) return nullptr;
    Texts all{"-7"};
    all.insert(all.end(), args.begin(), args.end());
    command->setRequestId("-7");
    command->setArguments(makeArguments(all));
    if (!command->parseArguments()) return nullptr;
    return command;
  }
  // Runs it; every call it sent to the movie, its arguments after the name.
  std::vector<movietest::Sent> run(const char* call, const Texts& args) {
    m_sink.clear();
    std::unique_ptr<CBrioCommand> command = parsed(call, args);
    EXPECT_TRUE(command) << call;
    if (command) command->execute();
    return m_sink.sent();
  }
  // The answers of the run ([id, digit]) when it sent only answers.
  Texts reply(const char* call, const Texts& args) {
    const auto sent = run(call, args);
    EXPECT_EQ(sent.size(), 1u);
    if (sent.size() != 1) return {};
    EXPECT_EQ(sent[0].name, "brioCallBack");
    return sent[0].args;
  }
  std::string posix(const std::string& relative) const { return m_sandbox.posix(relative); }

  testsupport::SandboxMachine m_sandbox;
  testsupport::ScopedStrings m_strings{{4039, 4042}, {4204, 4024}};
  ScriptedUI m_ui;
  movietest::RecordingSink m_sink;
  PlexarEngine m_engine;
  std::string m_savedAppPath;
};

TEST_F(PackagingCommands, ThePackageTypeWordIsTakenInAnyCaseAndNothingElse) {
  struct Case {
    const char* word;
    const char* answer;
    bool made;
  };
  int index = 0;
  for (const Case& c : {Case{"YXP", "0", true}, Case{"Kxp", "0", true}, Case{"kxp", "0", true},
                        Case{"zip", "1", false}, Case{"", "1", false}}) {
    SCOPED_TRACE(c.word);
    // Names differ by more than case: the volume finds names ignoring it.
    const std::string out = "out/Tool-" + std::to_string(++index) + ".pkg";
    EXPECT_EQ(reply("externalPackageExtension", {posix("src/Tool.kxi"), posix(out), c.word}),
              (Texts{"-7", c.answer}));
    EXPECT_EQ(m_sandbox.exists(out), c.made);
  }
  // The engine ran only for the words it knows: three packages made.
  int made = 0;
  for (const ScriptedUI::Call& call : m_ui.calls())
    made += call.name == "MessageBox" && call.args[0] == u"4042";
  EXPECT_EQ(made, 3);
  EXPECT_NE(testsupport::CapturedLog().find("package extension,  unknown package type: zip"),
            std::string::npos);
}

TEST_F(PackagingCommands, AnInvalidPathIsToldAndAnsweredWithOne) {
  // The movie answers the question; the command's own answer is not one.
  m_sink.setResponder([](const movietest::Sent& sent) -> std::optional<Texts> {
    if (sent.args.size() > 1 && sent.args[1] == "8") return Texts{"1"};
    return std::nullopt;
  });
  const auto sent =
      run("externalPackageExtension", {"relative/Tool.kxi", posix("out/T.kxp"), "kxp"});
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].args, (Texts{"-7", "8", "0", "4204[relative/Tool.kxi]"}));
  EXPECT_EQ(sent[1].args, (Texts{"-7", "1"}));
  const auto second = run("externalPackageExtension", {posix("src/Tool.kxi"), "nowhere", "kxp"});
  ASSERT_EQ(second.size(), 2u);
  EXPECT_EQ(second[0].args, (Texts{"-7", "8", "0", "4204[nowhere]"}));
  EXPECT_EQ(second[1].args, (Texts{"-7", "1"}));
  // A failing engine answers "1" without a question of the command's own.
  m_sandbox.writeFile("src/Tool.kxi", "<quillory-extension/>");
  EXPECT_EQ(reply("externalPackageExtension", {posix("src/Tool.kxi"), posix("out/T.kxp"), "kxp"}),
            (Texts{"-7", "1"}));
}

TEST_F(PackagingCommands, ShortCallsAreDroppedWithoutAnAnswer) {
  struct Case {
    const char* call;
    Texts args;
  };
  for (const Case& c : {Case{"externalPackageExtension", {posix("src/Tool.kxi"), posix("out/T")}},
                        Case{"externalConvertKxiFileToKxiBrioFile", {posix("src/Tool.kxi")}},
                        Case{"externalImportProduct", {}}}) {
    SCOPED_TRACE(c.call);
    EXPECT_EQ(parsed(c.call, c.args), nullptr);
  }
  EXPECT_NE(testsupport::CapturedLog().find("Wrong argument number."), std::string::npos);
}

TEST_F(PackagingCommands, ConvertWritesTheCopyWithoutChangesIntoTheFolder) {
  EXPECT_EQ(reply("externalConvertKxiFileToKxiBrioFile", {posix("src/Tool.kxi"), posix("out")}),
            (Texts{"-7", "0"}));
  const std::string copy = m_sandbox.readFile("out/Tool.kxi_brio");
  EXPECT_NE(copy.find("name=\"Tool\""), std::string::npos) << copy;
  EXPECT_EQ(copy.find("configuration-changes"), std::string::npos) << copy;
  EXPECT_EQ(m_sandbox.readFile("src/Tool.kxi"), kDescription);

  struct Case {
    const char* name;
    Texts args;
  };
  for (const Case& c : {Case{"no description", {posix("src/None.kxi"), posix("out")}},
                        Case{"source not a path", {"src/Tool.kxi", posix("out")}},
                        Case{"folder not a path", {posix("src/Tool.kxi"), "out"}}}) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(reply("externalConvertKxiFileToKxiBrioFile", c.args), (Texts{"-7", "1"}));
  }
  // The copy cannot be written.
  m_sandbox.makeFolder("full");
  {
    platform::FaultInjectingFileSystem fs;
    platform::FileSystemOverride use(fs);
    fs.failPath("full/", ENOSPC, platform::kFsWrite | platform::kFsOpenWrite);
    EXPECT_EQ(reply("externalConvertKxiFileToKxiBrioFile", {posix("src/Tool.kxi"), posix("full")}),
              (Texts{"-7", "1"}));
  }
  EXPECT_FALSE(m_sandbox.exists("full/Tool.kxi_brio"));
}

TEST_F(PackagingCommands, ImportAnswersWhetherTheHostWasTaken) {
  // A folder without a product configuration, or none at all: refused.
  m_sandbox.makeFolder("Applications/NotAHost");
  EXPECT_EQ(reply("externalImportProduct", {posix("Applications/NotAHost")}), (Texts{"-7", "1"}));
  EXPECT_EQ(reply("externalImportProduct", {posix("Applications/Missing")}), (Texts{"-7", "1"}));
  // A host's folder is taken, and taken again is no failure.
  m_sandbox.writeFile("Applications/Host/VornConfig.xml", "<Configuration/>");
  m_sandbox.makeFolder(m_sandbox.homeRelative() + "/Library/Application Support/Vesko/Plexar WB5");
  EXPECT_EQ(reply("externalImportProduct", {posix("Applications/Host")}), (Texts{"-7", "0"}));
  EXPECT_EQ(reply("externalImportProduct", {posix("Applications/Host")}), (Texts{"-7", "0"}));
  EXPECT_NE(m_sandbox
                .readFile(m_sandbox.homeRelative() +
                          "/Library/Application Support/Vesko/Plexar WB5/VornDerive.xml")
                .find(posix("Applications/Host")),
            std::string::npos);
}

TEST_F(PackagingCommands, MigrateAndLoadAnswerZeroOnceTheEngineRan) {
  EXPECT_EQ(reply("externalMigratePreferredExtension", {}), (Texts{"-7", "0"}));
  EXPECT_EQ(reply("externalLoadExtension", {}), (Texts{"-7", "0"}));
  EXPECT_NE(testsupport::CapturedLog().find("Load extension finished"), std::string::npos);
}

}  // namespace
