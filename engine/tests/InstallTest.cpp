// The install operation and its checks, driven as the install command
// drives them, over a sandbox with one host.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/CZorbPlexar.h"
#include "engine/tests/OneHostTest.h"
#include "engine/tests/ScriptedHost.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionProduct.h"
#include "extension/CZorbExtensionXMLParser.h"
#include "foundation/AppGlobals.h"
#include "foundation/CString.h"
#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "testsupport/LogCapture.h"
#include "testsupport/RollbackProbe.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/ScriptedUI.h"
#include "testsupport/TreeSnapshot.h"

namespace {

using enginetest::ScriptedHost;
using testsupport::ScriptedUI;
using testsupport::TreeSnapshot;
using Question = ScriptedUI::Question;
using Texts = std::vector<std::string>;
const auto Narrow = testsupport::NarrowAscii;

// Each message reads as its id with its arguments in brackets.
class MessageTable {
 public:
  MessageTable() : m_saved(CString::g_DataMap) {
    CString::g_DataMap.clear();
    for (unsigned id : {4017u, 4031u, 4032u, 4043u, 4077u, 4078u, 4099u, 4115u, 4139u, 4146u, 4150u,
                        4179u, 4184u, 4201u, 4225u, 4232u})
      CString::g_DataMap[id] = std::to_string(id);
    for (unsigned id :
         {4016u, 4019u, 4020u, 4021u, 4022u, 4024u, 4027u, 4030u, 4038u, 4040u, 4046u, 4047u, 4048u,
          4062u, 4072u, 4106u, 4188u, 4190u, 4191u, 4197u, 4216u, 4220u, 4224u, 4231u, 4235u})
      CString::g_DataMap[id] = std::to_string(id) + "[%s]";
    for (unsigned id : {4026u, 4028u, 4186u, 4187u, 4238u})
      CString::g_DataMap[id] = std::to_string(id) + "[%s|%s]";
    for (unsigned id : {4018u, 4181u, 4228u, 4237u})
      CString::g_DataMap[id] = std::to_string(id) + "[%s|%s|%s]";
  }
  ~MessageTable() { CString::g_DataMap = m_saved; }

 private:
  std::map<uint32_t, std::string> m_saved;
};

std::string Description(const std::string& version, const std::string& files,
                        const std::string& extra = "", const std::string& name = "Tool",
                        const std::string& author = "Vesko") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<quillory-extension name=\"" +
         name + "\" version=\"" + version +
         "\" type=\"command\">\n"
         "\t<author name=\"" +
         author +
         "\" />\n"
         "\t<products>\n"
         "\t\t<product name=\"Lumen 11\" version=\"11\" primary=\"true\" />\n"
         "\t</products>\n" +
         extra + "\t<files>\n" + files + "\t</files>\n</quillory-extension>\n";
}

const char kTwoFiles[] =
    "\t\t<file source=\"a.htm\" destination=\"$hostfolder/Commands\" />\n"
    "\t\t<file source=\"b.js\" destination=\"$hostfolder/Commands\" />\n";

// One install as the install command asks for it.
struct Attempt {
  bool newInstall = true;
  bool quiet = false;
  bool strict = false;
  bool askLicence = true;
  bool mayRetry = true;
  int restart = -1;
  CZorbExtension* replaced = reinterpret_cast<CZorbExtension*>(1);
  CZorbExtension* result = nullptr;
  // A description already loaded, installed in place of the package's.
  CZorbExtension* given = nullptr;
};

class Install : public enginetest::OneHostTest {
 protected:
  void SetUp() override {
    OneHostTest::SetUp();
    Reset();
    g_exitCode = 99;
  }
  // The machine as every test starts it: a host with its extensions folder
  // and store, no extension installed.
  void Reset() {
    ResetHost({"pkg"});
    engine.ClearChosenFolders();
  }

  // A package of the description and the files, path to content.
  CString Package(const std::string& name, const std::string& description,
                  std::map<std::string, std::string> files = {{"a.htm", "A"}, {"b.js", "B"}},
                  const std::string& where = "pkg") {
    const std::string folder = "build/" + std::to_string(++m_count);
    sandbox.makeFolder(folder);
    files["Tool.kxi"] = description;
    for (const auto& [path, content] : files) sandbox.writeFile(folder + "/" + path, content);
    sandbox.makeFolder(where);
    std::filesystem::remove(sandbox.posix(where + "/" + name));
    EXPECT_TRUE(CZorbOS::PackZipFile(C(where + "/" + name), C(folder)));
    std::filesystem::remove_all(sandbox.posix(folder));
    return C(where + "/" + name);
  }

  void Run(const CString& path, Attempt& a, CZorbProduct* proposed = nullptr) {
    CZorbProduct* slot = proposed ? proposed : &host;
    CZorbExtension* clone = nullptr;
    CZorbExtensionProduct chosen;
    bool accepted = true;
    CString chosenName, primaryName;
    a.result =
        engine.InstallExtension(&slot, path, &a.replaced, a.quiet, a.newInstall, true, a.restart,
                                a.strict, false, true, a.askLicence, 30, a.given, &clone, nullptr,
                                &chosen, &accepted, &chosenName, &primaryName, &a.mayRetry);
    delete clone;
  }

  // Answers every product question by name, and the signature check.
  void StandardAnswers() {
    ui.alwaysNumber(Question::MessageBox, CZorbPlexarUI::kAnswerCancel);
    ui.alwaysSupportsByName();
    ui.alwaysValidates({u"Tool", u"1", u"Vesko", u"trusted"});
  }

  // The questions and messages the person saw, with their first text.
  Texts Transcript(size_t from = 0) const {
    Texts out;
    const auto calls = ui.calls();
    for (size_t i = from; i < calls.size(); ++i) {
      const ScriptedUI::Call& call = calls[i];
      if (call.name == "MessageBox")
        out.push_back("MessageBox " + Narrow(CString(call.args[0].c_str())) + " type " +
                      Narrow(CString(call.args[1].c_str())));
      else if (call.name == "ConfirmInstall" || call.name == "PromptForFolder" ||
               call.name == "ShowFailedPrimaryProduct")
        out.push_back(call.name + " " + Narrow(CString(call.args[0].c_str())));
      else if (call.name == "validation" || call.name == "ShowRequiredProducts")
        out.push_back(call.name);
    }
    return out;
  }

  std::string Lists() {
    std::ostringstream out;
    CZorbTypedList<CZorbExtension*> list;
    engine.GetExtensions(&host, &list);
    for (const CZorbExtension* e : list)
      out << Narrow(e->m_name) << " " << Narrow(CString(e->m_version)) << " " << e->m_enabled << " "
          << Narrow(e->m_path) << ";";
    return out.str();
  }

  MessageTable strings;
  int m_count = 0;
};

TEST_F(Install, AFreshInstallCopiesTheFilesAndRecordsTheExtension) {
  StandardAnswers();
  ui.answerConfirmInstall(true);
  const CString package = Package("Tool.yxp", Description("1.0", kTwoFiles));
  Attempt a;
  Run(package, a);
  ASSERT_NE(a.result, nullptr) << testsupport::CapturedLog();
  EXPECT_EQ(Transcript(), (Texts{"ConfirmInstall 4016[Tool]", "validation"}));
  EXPECT_EQ(sandbox.readFile("Host/Commands/a.htm"), "A");
  EXPECT_EQ(sandbox.readFile("Host/Commands/b.js"), "B");
  EXPECT_EQ(sandbox.readFile("Host/Commands/host.htm"), "the host's own");
  EXPECT_TRUE(sandbox.exists("Host/Configuration/Extensions/Tool.kxi"));
  EXPECT_EQ(sandbox.list("work/store"),
            (Texts{"Tool.Lumen 11.kxi_written", "Tool.kxi", "Tool.kxi_brio", "Tool.yxp"}));
  EXPECT_TRUE(a.result->m_enabled);
  EXPECT_EQ(a.restart, 0);
  EXPECT_EQ(a.replaced, nullptr);
  EXPECT_FALSE(a.askLicence);
  EXPECT_EQ(g_exitCode, 0);
  EXPECT_EQ(Lists(), "Tool 1.0.0 1 " + Narrow(C("work/store/Tool.kxi_brio")).substr(0, 0) +
                         Narrow(a.result->m_path) + ";");
  EXPECT_TRUE(engine.GetSteps().empty());
  // Nothing of the working folders is left.
  EXPECT_EQ(sandbox.list("tmp/" + sandbox.list("tmp").front()), Texts{});
}

TEST_F(Install, ADescriptionOverTheSizeLimitIsRefusedWithItsReason) {
  StandardAnswers();
  const std::string name(CZorbExtensionXMLParser::kMaxDescriptionBytes, 'n');
  const CString package = Package("Tool.yxp", Description("1.0", kTwoFiles, "", name));
  Attempt a;
  Run(package, a);
  EXPECT_EQ(a.result, nullptr);
  const Texts shown = Transcript();
  ASSERT_EQ(shown.size(), 1u) << testing::PrintToString(shown).substr(0, 500);
  const std::string start = "MessageBox 4238[" + sandbox.posix("tmp") + "/";
  const std::string end = "/Tool.kxi|16] 4043 type 0";
  EXPECT_EQ(shown[0].substr(0, start.size()), start) << shown[0];
  EXPECT_TRUE(shown[0].size() > end.size() &&
              shown[0].compare(shown[0].size() - end.size(), end.size(), end) == 0)
      << shown[0];
  EXPECT_FALSE(sandbox.exists("Host/Commands/a.htm"));
  EXPECT_EQ(sandbox.list("tmp/" + sandbox.list("tmp").front()), Texts{});
}

TEST_F(Install, ABareDescriptionInstallsFromItsOwnFolder) {
  StandardAnswers();
  sandbox.writeFile("loose/Tool.kxi", Description("1.0", kTwoFiles));
  sandbox.writeFile("loose/a.htm", "A");
  sandbox.writeFile("loose/b.js", "B");
  ui.answerConfirmInstall(true);
  const size_t from = ui.calls().size();
  Attempt a;
  Run(C("loose/Tool.kxi"), a);
  ASSERT_NE(a.result, nullptr) << testsupport::CapturedLog();
  // No package: no signature check.
  EXPECT_EQ(Transcript(from), (Texts{"ConfirmInstall 4016[Tool]"}));
  EXPECT_EQ(sandbox.readFile("Host/Commands/a.htm"), "A");
  EXPECT_TRUE(sandbox.exists("work/store/Tool.kxi"));
  EXPECT_TRUE(sandbox.exists("work/store/Tool.kxi_brio"));
  // The description and its files stay where the person keeps them.
  EXPECT_EQ(sandbox.list("loose"), (Texts{"Tool.kxi", "a.htm", "b.js"}));
}

TEST_F(Install, TwoEntriesWritingOneFileAreRefusedNamingBoth) {
  StandardAnswers();
  ui.answerConfirmInstall(true);
  const TreeSnapshot before = TreeSnapshot::take(sandbox.posix("Host"));
  const CString package =
      Package("Tool.yxp",
              Description("1.0",
                          "\t\t<file source=\"a/x.htm\" destination=\"$hostfolder/Commands\" />\n"
                          "\t\t<file source=\"b/x.htm\" destination=\"$hostfolder/Commands\" />\n"),
              {{"a/x.htm", "first"}, {"b/x.htm", "second"}});
  Attempt a;
  Run(package, a);
  EXPECT_EQ(a.result, nullptr);
  const Texts shown = Transcript();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back(), "MessageBox 4237[" + Narrow(C("Host/Commands/x.htm")) +
                              "|a/x.htm|b/x.htm] 4043 type 0");
  EXPECT_TRUE(testsupport::sameTree(before, TreeSnapshot::take(sandbox.posix("Host"))));
  EXPECT_EQ(sandbox.list("work/store"), Texts{});
}

// A name from a description may be megabytes long: a message shows it cut.
TEST_F(Install, ALongNameIsCutInTheMessageThatShowsIt) {
  StandardAnswers();
  ui.answerConfirmInstall(true);
  const std::string name(200000, 'n');
  const CString package = Package(
      "Tool.yxp",
      Description("1.0", "\t\t<file source=\"" + name + ".htm\" destination=\"$hostfolder\" />\n"),
      {{"a.htm", "A"}});
  Attempt a;
  Run(package, a);
  EXPECT_EQ(a.result, nullptr);
  const Texts shown = Transcript();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().rfind("MessageBox 4024[", 0), 0u) << shown.back().substr(0, 200);
  EXPECT_LT(shown.back().size(), 1000u);
  EXPECT_NE(shown.back().find("nnn?nnn"), std::string::npos);
  EXPECT_NE(shown.back().find("nnn.htm]"), std::string::npos);
}

TEST_F(Install, WhatEndsAnInstallBeforeAnythingChanges) {
  StandardAnswers();
  Attempt a;
  CZorbProduct* none = nullptr;
  bool licence = true;
  int restart = 5;
  CZorbExtension* replaced = nullptr;
  const bool fresh = true;
  // No product slot: nothing is said.
  EXPECT_EQ(engine.InstallExtension(nullptr, C("pkg/none.yxp"), &replaced, false, fresh, true,
                                    restart, false, false, false, licence, 30, nullptr, nullptr,
                                    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(restart, 0);
  EXPECT_EQ(Transcript(), Texts{});
  // An empty slot still installs from the description's products; a
  // missing package is said.
  EXPECT_EQ(engine.InstallExtension(&none, C("pkg/none.yxp"), &replaced, false, fresh, true,
                                    restart, false, false, false, licence, 30, nullptr, nullptr,
                                    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(Transcript(), (Texts{"MessageBox 4030[" + Narrow(C("pkg/none.yxp")) + "] type 0"}));
  EXPECT_EQ(sandbox.list("work/store"), Texts{});
  EXPECT_EQ(g_exitCode, 1);
}

TEST_F(Install, TheExitCodeTellsAFailedFreshInstallFromAFailedReinstall) {
  StandardAnswers();
  struct Case {
    bool newInstall;
    bool licence;
    int exit;
  };
  for (const Case c : {Case{true, true, 0}, Case{true, false, 1}, Case{false, false, 3}}) {
    SCOPED_TRACE(c.exit);
    Reset();
    ui.answerConfirmInstall(c.licence);
    Attempt a;
    a.newInstall = c.newInstall;
    Run(Package("Tool.yxp", Description("1.0", kTwoFiles)), a);
    EXPECT_EQ(a.result != nullptr, c.exit == 0);
    EXPECT_EQ(g_exitCode, c.exit);
    if (c.exit != 0) {
      EXPECT_FALSE(a.mayRetry);
      EXPECT_FALSE(sandbox.exists("Host/Commands/a.htm"));
    }
  }
}

TEST_F(Install, UpdatesAskByVersionAndNoKeepsTheInstalledCopy) {
  StandardAnswers();
  struct Case {
    const char* version;
    const char* question;
    int answer;
  };
  for (const Case c : {Case{"2.0", "MessageBox 4020[Tool] type 4", 6},
                       Case{"1.0", "MessageBox 4021[Tool] type 4", 6},
                       Case{"0.5", "MessageBox 4019[Tool] type 4", 6},
                       Case{"2.0", "MessageBox 4020[Tool] type 4", 7}}) {
    SCOPED_TRACE(std::string(c.version) + " " + std::to_string(c.answer));
    Reset();
    ui.answerConfirmInstall(true);
    Attempt first;
    Run(Package("Tool.yxp", Description("1.0", kTwoFiles)), first);
    ASSERT_NE(first.result, nullptr);
    // A disabled copy under the same store file is asked about by version;
    // a disable leaves its store copies and takes its files.
    first.result->m_enabled = false;
    for (const char* file :
         {"Host/Commands/a.htm", "Host/Commands/b.js", "Host/Configuration/Extensions/Tool.kxi"})
      std::filesystem::remove(sandbox.posix(file));
    const size_t from = ui.calls().size();
    ui.answerConfirmInstall(true);
    ui.answerMessageBox(c.answer);
    Attempt update;
    Run(Package("Tool.yxp", Description(c.version, kTwoFiles), {{"a.htm", "A2"}, {"b.js", "B2"}}),
        update);
    const Texts seen = Transcript(from);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[2], c.question);
    if (c.answer == 6) {
      ASSERT_NE(update.result, nullptr) << ::testing::PrintToString(seen);
      // The older copy was removed: nothing of it is handed out.
      EXPECT_EQ(update.replaced, nullptr);
      EXPECT_EQ(Lists(), "Tool " + Narrow(CString(update.result->m_version)) + " 1 " +
                             Narrow(update.result->m_path) + ";");
      EXPECT_EQ(sandbox.readFile("Host/Commands/a.htm"), "A2");
    } else {
      const std::string path = Narrow(first.result->m_path);
      EXPECT_EQ(update.result, nullptr);
      EXPECT_EQ(update.replaced, nullptr);
      EXPECT_EQ(Lists(), "Tool 1.0.0 0 " + path + ";");
      EXPECT_FALSE(sandbox.exists("Host/Commands/a.htm"));
    }
  }
}

TEST_F(Install, AnEnabledCopyUnderTheSameStoreFileOrAnotherExtensionIsAskedAbout) {
  StandardAnswers();
  ui.answerConfirmInstall(true);
  Attempt first;
  Run(Package("Tool.yxp", Description("1.0", kTwoFiles)), first);
  ASSERT_NE(first.result, nullptr);

  const CString package = Package("Tool.yxp", Description("2.0", kTwoFiles));
  const std::string file = "Tool.yxp";
  size_t from = ui.calls().size();
  ui.answerConfirmInstall(true);
  ui.answerMessageBox(6);
  Attempt same;
  Run(package, same);
  ASSERT_NE(same.result, nullptr);
  EXPECT_EQ(Transcript(from)[2], "MessageBox 4017 4181[Tool|Tool|" + file + "] type 4");
  EXPECT_EQ(Lists(), "Tool 2.0.0 1 " + Narrow(same.result->m_path) + ";");

  // Another extension under the same store file: a fresh install is
  // refused, and another product cannot mend that.
  const CString otherPackage =
      Package("Tool.yxp", Description("1.0", kTwoFiles, "", "Other", "Someone"));
  from = ui.calls().size();
  Attempt refused;
  Run(otherPackage, refused);
  EXPECT_EQ(refused.result, nullptr);
  EXPECT_FALSE(refused.mayRetry);
  EXPECT_EQ(Transcript(from), (Texts{"MessageBox 4186[Tool|Lumen 11] type 0"}));
  // Installed again from a stored copy, it disables the one there.
  from = ui.calls().size();
  ui.answerConfirmInstall(true);
  ui.answerMessageBox(6);
  Attempt other;
  other.newInstall = false;
  Run(otherPackage, other);
  EXPECT_NE(other.result, nullptr) << ::testing::PrintToString(Transcript(from));
  const Texts seen = Transcript(from);
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen[1], "MessageBox 4017 4018[Other|Tool|" + file + "] type 4");
  // The disabled copy stays listed, and is handed out.
  EXPECT_EQ(other.replaced, same.result);
  EXPECT_FALSE(same.result->m_enabled);
  EXPECT_TRUE(other.result->m_enabled);
}

TEST_F(Install, ExistingFilesAreAskedAboutOneByOne) {
  StandardAnswers();
  struct Case {
    std::vector<int> answers;
    bool installed;
    const char* a;
    const char* b;
    int questions;
  };
  for (const Case& c : {Case{{6, 6}, true, "A", "B", 2}, Case{{7, 6}, true, "old a", "B", 2},
                        Case{{2}, false, "old a", "old b", 1}, Case{{10}, true, "A", "B", 1}}) {
    SCOPED_TRACE(c.answers.front());
    Reset();
    sandbox.writeFile("Host/Commands/a.htm", "old a");
    sandbox.writeFile("Host/Commands/b.js", "old b");
    ui.answerConfirmInstall(true);
    for (int answer : c.answers) ui.answerMessageBox(answer);
    const size_t from = ui.calls().size();
    Attempt a;
    Run(Package("Tool.yxp", Description("1.0", kTwoFiles)), a);
    EXPECT_EQ(a.result != nullptr, c.installed);
    EXPECT_EQ(sandbox.readFile("Host/Commands/a.htm"), c.a);
    EXPECT_EQ(sandbox.readFile("Host/Commands/b.js"), c.b);
    int asked = 0;
    for (const std::string& line : Transcript(from))
      if (line.find("type 8") != std::string::npos) ++asked;
    EXPECT_EQ(asked, c.questions);
    if (c.answers.front() == 7) {
      // The kept file is not the extension's: its record leaves it out.
      const std::string brio = sandbox.readFile("work/store/Tool.kxi_brio");
      EXPECT_EQ(brio.find("a.htm"), std::string::npos);
      EXPECT_NE(brio.find("b.js"), std::string::npos);
    }
  }
}

// A product with a store per user: installing a user's copy again leaves
// the files that user has alone and asks nothing; a copy for every user
// (level 2) is handled as on any other product.
TEST_F(Install, APerUserStoreKeepsTheUsersFilesWhenInstalledAgain) {
  StandardAnswers();
  host.m_userLevelStore = C("work/users");
  ui.answerConfirmInstall(true);
  Attempt first;
  Run(Package("Tool.yxp", Description("1.0", kTwoFiles)), first);
  ASSERT_NE(first.result, nullptr) << testsupport::CapturedLog();
  // The fresh install of a user's copy is stamped with its time.
  EXPECT_TRUE(first.result->m_installTimeSet);
  EXPECT_GE(first.result->m_installTime.GetYear(), 2000);
  EXPECT_EQ(sandbox.readFile("Host/Commands/a.htm"), "A");

  struct Case {
    int level;
    const char* a;
    int questions;
  };
  for (const Case& c : {Case{0, "the user's a", 0}, Case{2, "A", 2}}) {
    SCOPED_TRACE(c.level);
    sandbox.writeFile("Host/Commands/a.htm", "the user's a");
    CZorbExtension given;
    CZorbTypedList<CZorbString> errors;
    ASSERT_EQ(given.Load(C("work/store/Tool.kxi"), &errors), 0);
    given.m_installLevel = c.level;
    ui.answerConfirmInstall(true);
    for (int i = 0; i < c.questions; ++i) ui.answerMessageBox(6);
    const size_t from = ui.calls().size();
    Attempt again;
    again.newInstall = false;
    again.given = given.Clone();
    Run(Package("Tool.yxp", Description("1.0", kTwoFiles)), again);
    ASSERT_NE(again.result, nullptr) << testsupport::CapturedLog();
    int asked = 0;
    for (const std::string& line : Transcript(from))
      if (line.find("type 8") != std::string::npos) ++asked;
    EXPECT_EQ(asked, c.questions);
    EXPECT_EQ(sandbox.readFile("Host/Commands/a.htm"), c.a);
    EXPECT_EQ(sandbox.readFile("Host/Commands/b.js"), "B");
    // Only a user's copy carries the install time.
    EXPECT_EQ(again.result->m_installTimeSet, c.level == 0);
    EXPECT_TRUE(engine.GetSteps().empty());
  }
}

TEST_F(Install, AFileNeverReplacesAHostFolder) {
  StandardAnswers();
  sandbox.makeFolder("Host/Commands/a.htm");
  sandbox.writeFile("Host/Commands/a.htm/inside", "keep");
  ui.answerConfirmInstall(true);
  const size_t from = ui.calls().size();
  Attempt a;
  Run(Package("Tool.yxp", Description("1.0", kTwoFiles)), a);
  EXPECT_EQ(a.result, nullptr);
  EXPECT_EQ(sandbox.readFile("Host/Commands/a.htm/inside"), "keep");
  const Texts seen = Transcript(from);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), "MessageBox 4188[" + Narrow(C("Host/Commands/a.htm")) + "] 4043 type 0");
}

TEST_F(Install, TokenFoldersAreAskedForAndOnlyThenTrusted) {
  StandardAnswers();
  const std::string tokens =
      "\t<file-tokens>\n\t\t<token name=\"tools\" prompt=\"Where?\" />\n\t</file-tokens>\n";
  const std::string files = "\t\t<file source=\"a.htm\" destination=\"$tools\" />\n";
  sandbox.makeFolder("Chosen");
  // Declined, then declined to choose again.
  ui.answerConfirmInstall(true);
  ui.answerPromptForFolder(false, u"");
  ui.answerMessageBox(7);
  Attempt a;
  Run(Package("Tool.yxp", Description("1.0", files, tokens)), a);
  EXPECT_EQ(a.result, nullptr);
  // Chosen on the second asking.
  ui.answerConfirmInstall(true);
  ui.answerPromptForFolder(false, u"");
  ui.answerMessageBox(6);
  ui.answerPromptForFolder(true, C("Chosen").Get());
  const size_t from = ui.calls().size();
  Attempt b;
  Run(Package("Tool.yxp", Description("1.0", files, tokens)), b);
  EXPECT_NE(b.result, nullptr) << testsupport::CapturedLog();
  EXPECT_EQ(Transcript(from),
            (Texts{"ConfirmInstall 4016[Tool]", "validation", "PromptForFolder 4106[tools]",
                   "MessageBox 4099 type 4", "PromptForFolder 4106[tools]"}));
  EXPECT_EQ(sandbox.readFile("Chosen/a.htm"), "A");
}

TEST_F(Install, AFailedInstallLeavesTheSharedResourcesAsItFoundThem) {
  StandardAnswers();
  const std::string resources = "Library/Application Support/Vesko/Plexar WB5/Tool.kxi_Resources";
  const std::string description =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<quillory-extension name=\"Tool\" version=\"1.0\" type=\"command\" "
      "ismultilingual=\"true\">\n"
      "\t<products>\n\t\t<product name=\"Lumen 11\" version=\"11\" primary=\"true\" />\n"
      "\t</products>\n\t<files>\n" +
      std::string(kTwoFiles) + "\t</files>\n</quillory-extension>\n";
  const CString package =
      Package("Tool.yxp", description,
              {{"a.htm", "A"}, {"b.js", "B"}, {"Tool.kxi_Resources/strings.xml", "<new/>"}});
  // Made by this install: gone again when it fails.
  ui.answerConfirmInstall(false);
  Attempt fresh;
  Run(package, fresh);
  ASSERT_EQ(fresh.result, nullptr);
  EXPECT_FALSE(sandbox.exists(resources));
  // There before: given back as it was.
  sandbox.writeFile(resources + "/strings.xml", "<old/>");
  sandbox.writeFile(resources + "/kept.xml", "<kept/>");
  const auto before = testsupport::TreeSnapshot::take(sandbox.posix(resources));
  ui.answerConfirmInstall(false);
  Attempt again;
  Run(package, again);
  ASSERT_EQ(again.result, nullptr);
  EXPECT_TRUE(
      testsupport::sameTree(before, testsupport::TreeSnapshot::take(sandbox.posix(resources))));
  // And a successful install keeps what it copied.
  ui.answerConfirmInstall(true);
  Attempt installed;
  Run(package, installed);
  ASSERT_NE(installed.result, nullptr);
  EXPECT_EQ(sandbox.readFile(resources + "/strings.xml"), "<new/>");
}

TEST_F(Install, RestartNoticesComeOnlyAfterTheInstallStands) {
  StandardAnswers();
  host.runs({true});
  const std::string description =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<quillory-extension name=\"Tool\" version=\"1.0\" type=\"command\" "
      "requires-restart=\"true\">\n"
      "\t<products>\n\t\t<product name=\"Lumen 11\" version=\"11\" primary=\"true\" />\n"
      "\t</products>\n\t<files>\n" +
      std::string(kTwoFiles) + "\t</files>\n</quillory-extension>\n";
  const CString package = Package("Tool.yxp", description);
  // The store copy cannot be written: no notice, nothing installed.
  sandbox.makeFolder("work/store/Tool.kxi_brio");
  ui.answerConfirmInstall(true);
  size_t from = ui.calls().size();
  Attempt failed;
  Run(package, failed);
  EXPECT_EQ(failed.result, nullptr);
  for (const std::string& line : Transcript(from))
    EXPECT_EQ(line.find("4026"), std::string::npos) << line;
  EXPECT_FALSE(sandbox.exists("Host/Commands/a.htm"));

  std::filesystem::remove_all(sandbox.posix("work/store/Tool.kxi_brio"));
  ui.answerConfirmInstall(true);
  from = ui.calls().size();
  Attempt installed;
  Run(package, installed);
  ASSERT_NE(installed.result, nullptr);
  EXPECT_EQ(installed.restart, CZorbPlexar::kRestartHost);
  const Texts seen = Transcript(from);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), "MessageBox 4026[Tool|Lumen 11] type 0");
}

TEST_F(Install, AnAdministratorInstallRemovesOtherUsersCopiesWhenAllowed) {
  StandardAnswers();
  sandbox.setUser(testsupport::SandboxMachine::User::Administrator);
  CZorbOS::InitMultiUserMembers();
  struct MultiUser {
    ~MultiUser() { CZorbOS::ResetMultiUserMembersForTest(); }
  } resetAfter;
  sandbox.makeFolder("Users/bob/Library/Application Support");
  CZorbTypedList<CZorbString> folders;
  ASSERT_TRUE(host.GetAllUserBinPaths(folders));
  CString bobs;
  for (const CZorbString& folder : folders)
    if (Narrow(folder).find(":bob:") != std::string::npos) bobs = folder;
  ASSERT_GT(bobs.GetLength(), 0);
  ASSERT_TRUE(CZorbOS::CreateDirectory(bobs, true));
  CString posix;
  ASSERT_TRUE(CZorbOS::convertPath(bobs, posix));
  const std::string copy = Narrow(posix) + "/Tool.kxi";
  {
    std::ofstream out(copy);
    out << Description("0.5", "");
  }
  const CString package = Package("Tool.yxp", Description("1.0", kTwoFiles));
  // Declined: nothing changes.
  ui.answerConfirmInstall(true);
  ui.answerMessageBox(7);
  size_t from = ui.calls().size();
  Attempt declined;
  Run(package, declined);
  EXPECT_EQ(declined.result, nullptr);
  EXPECT_EQ(Transcript(from),
            (Texts{"ConfirmInstall 4016[Tool]", "validation", "MessageBox 4150 type 4"}));
  EXPECT_TRUE(std::filesystem::exists(copy));
  // Accepted, but the install fails later: bob's copy comes back.
  sandbox.makeFolder("work/store/Tool.kxi_brio");
  ui.answerConfirmInstall(true);
  ui.answerMessageBox(6);
  Attempt failed;
  Run(package, failed);
  EXPECT_EQ(failed.result, nullptr);
  EXPECT_TRUE(std::filesystem::exists(copy));
  std::filesystem::remove_all(sandbox.posix("work/store/Tool.kxi_brio"));
  // Accepted: the removal runs as bob, and the install stands.
  ui.answerConfirmInstall(true);
  ui.answerMessageBox(6);
  Attempt accepted;
  Run(package, accepted);
  EXPECT_NE(accepted.result, nullptr);
  EXPECT_EQ(host.m_pathsUser, u"");
}

TEST_F(Install, DescriptionAndNameChecksSeeOtherProducts) {
  StandardAnswers();
  ScriptedHost second(u"Lumen 12");
  ScriptedHost third(u"Lumen 13");
  for (ScriptedHost* other : {&second, &third}) other->m_pxStorePath = C("work/store");
  engine.m_products.push_back(&second);
  engine.m_products.push_back(&third);
  auto* stored = new CZorbExtension;
  stored->m_name = u"Tool";
  stored->m_path = C("work/store/Tool.kxi");
  engine.AddExtension(&host, stored);
  CString message;
  // Only the target holds it, with the same name: no conflict, but the
  // name check is to be skipped.
  EXPECT_FALSE(engine.checkIfKXIHasBeenUsed(&host, u"Tool.kxi", u"Tool", message, 0));
  EXPECT_EQ(Narrow(message), "Lumen 11,");
  EXPECT_TRUE(engine.checkIfKXIHasBeenUsed(&host, u"Tool.kxi", u"Else", message, 0));
  EXPECT_EQ(Narrow(message), "4186[Tool|Lumen 11]");
  for (ScriptedHost* other : {&second, &third}) {
    auto* copy = new CZorbExtension(*stored);
    engine.AddExtension(other, copy);
  }
  EXPECT_TRUE(engine.checkIfKXIHasBeenUsed(&host, u"Tool.kxi", u"Tool", message, 1));
  EXPECT_EQ(Narrow(message), "4187[Tool|Lumen 13,Lumen 12,Lumen 11]");
  EXPECT_FALSE(engine.checkIfKXIHasBeenUsed(nullptr, u"Tool.kxi", u"Tool", message, 0));
  EXPECT_FALSE(engine.checkIfKXIHasBeenUsed(&host, u"", u"Tool", message, 0));

  CZorbExtension candidate;
  auto* primary = new CZorbExtensionProduct;
  primary->m_name = u"Lumen 12";
  primary->m_primary = true;
  candidate.m_products.m_children.push_back(primary);
  EXPECT_TRUE(engine.checkIfExtensionNameHasBeenUsed(&host, u"Tool", message, u"Tool", &candidate));
  EXPECT_EQ(Narrow(message), "4187[Tool|Lumen 12]");
  EXPECT_FALSE(
      engine.checkIfExtensionNameHasBeenUsed(&host, u"Fresh", message, u"Fresh", &candidate));
  engine.m_products.pop_back();
  engine.m_products.pop_back();
}

TEST_F(Install, ExistingDestinationQuestions) {
  sandbox.writeFile("Host/x", "x");
  CZorbPlexar::DirectoryPair pair{C("src"), C("Host/x"), true};
  bool all = false;
  ui.answerMessageBox(7);
  EXPECT_TRUE(engine.handleDestinationFolderOrFileExist(all, pair, 0, u"", u""));
  EXPECT_FALSE(pair.m_overwrite);
  pair.m_overwrite = true;
  ui.answerMessageBox(10);
  EXPECT_TRUE(engine.handleDestinationFolderOrFileExist(all, pair, 0, u"", u""));
  EXPECT_TRUE(all);
  EXPECT_TRUE(pair.m_overwrite);
  // To all: no further question.
  EXPECT_TRUE(engine.handleDestinationFolderOrFileExist(all, pair, 0, u"", u""));
  all = false;
  ui.answerMessageBox(2);
  EXPECT_FALSE(engine.handleDestinationFolderOrFileExist(all, pair, 1, u"", u""));
  EXPECT_EQ(Transcript(), (Texts{"MessageBox 4191[" + Narrow(C("Host/x")) + "] type 8",
                                 "MessageBox 4191[" + Narrow(C("Host/x")) + "] type 8",
                                 "MessageBox 4191[" + Narrow(C("Host/x")) + "] type 1"}));
  // A bundle folder holding another bundle is not asked about.
  CString message;
  EXPECT_FALSE(engine.BuildMessageForHandleDestinationFolderOrFileExist(message, C("Host"), true,
                                                                        u"com.x", u"1.0"));
}

// Every mutating file call of an install, failed in turn, leaves the machine
// and the engine as they were.
enum class Scenario { kFresh, kOverFiles, kUpdate, kEnable };

class InstallRollback : public Install, public ::testing::WithParamInterface<Scenario> {};

TEST_P(InstallRollback, EveryFailedCallIsUndone) {
  StandardAnswers();
  ui.alwaysYes(Question::ConfirmInstall);
  ui.always(Question::MessageBox, [](const ScriptedUI::Call& call) {
    ScriptedUI::Answer a;
    // Replace what is there; give up on a busy file.
    a.number = call.args[1] == u"8" || call.args[1] == u"4" ? 6 : 2;
    return a;
  });
  // Made once: the packages lie outside what the probe compares.
  const std::map<std::string, std::string> kFiles = {{"a.htm", "A"}, {"b.js", "B"}};
  const CString older = Package("Tool.yxp", Description("0.9", kTwoFiles), kFiles, "made/older");
  const CString newer = Package("Tool.yxp", Description("1.0", kTwoFiles), kFiles, "made/newer");
  using Kind = Scenario;
  const struct { Kind kind; } s{GetParam()};
  {
    CZorbExtension* stored = nullptr;
    CString storedPackage;
    testsupport::RollbackProbe::Case c;
    c.prepare = [&] {
      Reset();
      if (s.kind == Kind::kOverFiles) sandbox.writeFile("Host/Commands/a.htm", "old a");
      if (s.kind == Kind::kUpdate || s.kind == Kind::kEnable) {
        Attempt first;
        Run(s.kind == Kind::kUpdate ? older : newer, first);
        ASSERT_NE(first.result, nullptr);
        stored = first.result;
        stored->m_enabled = false;
        storedPackage = C("work/store/Tool.yxp");
      }
      if (s.kind == Kind::kEnable) {
        // As a disable leaves it: the files gone, the store kept.
        std::filesystem::remove(sandbox.posix("Host/Commands/a.htm"));
        std::filesystem::remove(sandbox.posix("Host/Commands/b.js"));
        std::filesystem::remove(sandbox.posix("Host/Configuration/Extensions/Tool.kxi"));
      }
    };
    c.run = [&] {
      if (s.kind != Kind::kEnable) {
        Attempt a;
        Run(newer, a);
        return a.result != nullptr;
      }
      CZorbProduct* slot = &host;
      CZorbExtension* replaced = nullptr;
      int restart = 0;
      bool licence = false;
      const bool again = false;
      return engine.InstallExtension(&slot, storedPackage, &replaced, true, again, false, restart,
                                     false, true, false, licence, 30, stored, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, nullptr, nullptr) != nullptr;
    };
    c.pendingSteps = [&] { return engine.GetSteps().size(); };
    c.memory = [&] { return Lists(); };
    c.roots = {sandbox.posix("Host"), sandbox.posix("work")};
    c.temporaryFolder = sandbox.posix("tmp/" + sandbox.list("tmp").front());
    c.strayNames = {".plexar-old-"};
    const testsupport::RollbackProbe::Result result = testsupport::RollbackProbe::run(c);
    EXPECT_TRUE(result.ok()) << result.report();
    EXPECT_GT(result.calls, 5);
    // Only file metadata and the clean-up of working folders may fail
    // unseen.
    const std::string temporary = sandbox.posix("tmp");
    for (const auto& survived : result.survived) {
      // A folder's flush after a rename is durability, not data.
      const bool metadata =
          survived.op == "setxattr" || survived.op == "removexattr" || survived.op == "settimes" ||
          (survived.op == "fsync" && std::filesystem::is_directory(survived.path));
      const bool working =
          survived.path.rfind(temporary, 0) == 0 &&
          (survived.op == "rmdir" || survived.op == "unlink" || survived.op == "fsync");
      // The copy layer's own discard of a replaced file's old bytes, tried
      // again at once and when the operation ends: no name stays (strayNames).
      const bool oldBytes =
          survived.op == "unlink" && survived.path.find("/.plexar-old-") != std::string::npos;
      // The write probe of a folder about to be made, removed at the second try.
      const std::string name = std::filesystem::path(survived.path).filename().string();
      const bool probe = survived.op == "unlink" && name.rfind("temp", 0) == 0 && name.size() > 4 &&
                         name.compare(name.size() - 4, 4, ".tmp") == 0;
      EXPECT_TRUE(metadata || working || oldBytes || probe) << survived.op << " " << survived.path;
    }
  }
}

std::string ScenarioName(const ::testing::TestParamInfo<Scenario>& param) {
  static const char* const kNames[] = {"Fresh", "OverFiles", "Update", "Enable"};
  return kNames[static_cast<int>(param.param)];
}

INSTANTIATE_TEST_SUITE_P(Operations, InstallRollback,
                         ::testing::Values(Scenario::kFresh, Scenario::kOverFiles,
                                           Scenario::kUpdate, Scenario::kEnable),
                         ScenarioName);

}  // namespace
