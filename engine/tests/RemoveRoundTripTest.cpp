// Install, then remove, disable and enable through the engine's own
// operations: what the host and the store hold at each stage.

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/CZorbPlexar.h"
#include "engine/tests/OneHostTest.h"
#include "engine/tests/ScriptedHost.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionFile.h"
#include "extension/CZorbExtensionProduct.h"
#include "foundation/AppGlobals.h"
#include "foundation/CString.h"
#include "foundation/CZorbDateTime.h"
#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "testsupport/LogCapture.h"
#include "testsupport/RollbackProbe.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/ScopedStrings.h"
#include "testsupport/ScriptedUI.h"
#include "testsupport/TreeSnapshot.h"

namespace {

using enginetest::ScriptedHost;
using testsupport::ScriptedUI;
using testsupport::TreeSnapshot;
const auto Narrow = testsupport::NarrowAscii;

const char kDescription[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<quillory-extension name=\"Tool\" version=\"1.0\" type=\"command\">\n"
    "\t<author name=\"Vesko\" />\n"
    "\t<products>\n"
    "\t\t<product name=\"Lumen 11\" version=\"11\" primary=\"true\" />\n"
    "\t</products>\n"
    "\t<files>\n"
    "\t\t<file source=\"a.htm\" destination=\"$hostfolder/Commands\" />\n"
    "\t\t<file source=\"b.js\" destination=\"$hostfolder/Commands/Tool\" />\n"
    "\t</files>\n"
    "</quillory-extension>\n";

class RoundTrip : public enginetest::OneHostTest {
 protected:
  void SetUp() override {
    OneHostTest::SetUp();
    ui.always(ScriptedUI::Question::MessageBox, [this](const ScriptedUI::Call& call) {
      shown.push_back(Narrow(CString(call.args[0].c_str())));
      ScriptedUI::Answer a;
      a.number = CZorbPlexarUI::kAnswerYes;
      return a;
    });
    ui.alwaysSupportsByName();
    ui.alwaysValidates({u"Tool", u"1", u"Vesko", u"trusted"});
    ui.alwaysYes(ScriptedUI::Question::ConfirmInstall);
    Reset();
    // The package (a zip), made once.
    sandbox.makeFolder("build");
    sandbox.writeFile("build/Tool.kxi", kDescription);
    sandbox.writeFile("build/a.htm", "A");
    sandbox.writeFile("build/b.js", "B");
    sandbox.makeFolder("pkg");
    ASSERT_TRUE(CZorbOS::PackZipFile(C("pkg/Tool.yxp"), C("build")));
    std::filesystem::remove_all(sandbox.posix("build"));
  }
  // A host with a page of its own and an empty store.
  void Reset() { ResetHost(); }

  CZorbExtension* Install(const char* package = "pkg/Tool.yxp") {
    CZorbProduct* slot = &host;
    CZorbExtension* replaced = nullptr;
    const bool newInstall = true;
    bool askLicence = true;
    int restart = 0;
    return engine.InstallExtension(&slot, C(package), &replaced, false, newInstall, true, restart,
                                   false, false, false, askLicence, 30, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, nullptr);
  }
  // Version 2.0 of the package: a.htm changed, b.js gone, c.js new.
  void MakeNewer() {
    std::string newer = kDescription;
    const std::string version = "\"Tool\" version=\"1.0\"";
    newer.replace(newer.find(version), version.size(), "\"Tool\" version=\"2.0\"");
    const std::string older = "b.js\" destination=\"$hostfolder/Commands/Tool\"";
    newer.replace(newer.find(older), older.size(), "c.js\" destination=\"$hostfolder/Commands\"");
    sandbox.makeFolder("build2");
    sandbox.writeFile("build2/Tool.kxi", newer);
    sandbox.writeFile("build2/a.htm", "A2");
    sandbox.writeFile("build2/c.js", "C");
    ASSERT_TRUE(CZorbOS::PackZipFile(C("pkg/Tool2.yxp"), C("build2")));
    std::filesystem::remove_all(sandbox.posix("build2"));
  }

  CZorbExtension* Listed() {
    CZorbTypedList<CZorbExtension*> list;
    engine.GetExtensions(&host, &list);
    return list.empty() ? nullptr : list.front();
  }
  std::string Lists() {
    std::ostringstream out;
    CZorbTypedList<CZorbExtension*> list;
    engine.GetExtensions(&host, &list);
    for (const CZorbExtension* e : list) out << Narrow(e->m_name) << " " << e->m_enabled << ";";
    return out.str();
  }
  TreeSnapshot Tree(const char* root) const { return TreeSnapshot::take(sandbox.posix(root)); }

  testsupport::ScopedStrings strings{
      {4017, 4031, 4032, 4043, 4077, 4078, 4099, 4115, 4139, 4145, 4146, 4147, 4150, 4174, 4179,
       4184, 4201, 4225, 4232},
      {4016, 4019, 4020, 4021, 4022, 4024, 4027, 4030, 4038, 4040, 4046, 4047, 4048, 4062,
       4072, 4106, 4188, 4190, 4191, 4197, 4202, 4203, 4216, 4220, 4224, 4231, 4235},
      {4026, 4028, 4034, 4173, 4186, 4187}};
  std::vector<std::string> shown;
};

TEST_F(RoundTrip, InstallThenRemoveGivesHostAndStoreBackAsTheyWere) {
  const TreeSnapshot host0 = Tree("Host");
  const TreeSnapshot store0 = Tree("work");
  CZorbExtension* installed = Install();
  ASSERT_NE(installed, nullptr);
  ASSERT_TRUE(sandbox.exists("Host/Commands/Tool/b.js"));

  int restart = 0;
  EXPECT_EQ(engine.UninstallExtension(&host, installed, true, false, true, true, true, restart,
                                      true, 30, true, false),
            0);
  EXPECT_TRUE(testsupport::sameTree(host0, Tree("Host")));
  EXPECT_TRUE(testsupport::sameTree(store0, Tree("work")));
  EXPECT_EQ(Listed(), nullptr);
  EXPECT_EQ(engine.GetSteps().size(), 0u);
}

TEST_F(RoundTrip, InstallDisableEnable) {
  CZorbExtension* installed = Install();
  ASSERT_NE(installed, nullptr);
  const TreeSnapshot host1 = Tree("Host");
  const std::string lists1 = Lists();

  shown.clear();
  EXPECT_EQ(engine.DisableExtension(&host, installed, true, 30, true), 0);
  EXPECT_TRUE(shown.empty()) << shown.front();
  EXPECT_FALSE(sandbox.exists("Host/Commands/a.htm"));
  EXPECT_FALSE(sandbox.exists("Host/Commands/Tool"));
  EXPECT_TRUE(sandbox.exists("work/store/Tool.kxi"));
  EXPECT_TRUE(sandbox.exists("work/store/Tool.yxp"));
  ASSERT_NE(Listed(), nullptr);
  EXPECT_FALSE(Listed()->m_enabled);

  EXPECT_EQ(engine.EnableExtension(&host, Listed(), 30), 0);
  EXPECT_TRUE(testsupport::sameTree(host1, Tree("Host")));
  EXPECT_EQ(Lists(), lists1);
  EXPECT_EQ(engine.GetSteps().size(), 0u);
}

TEST_F(RoundTrip, TheStoreCopyRecordsThePackageKindForALaterRun) {
  ASSERT_NE(Install(), nullptr);
  // A later run knows the kept package only from the store's copy.
  int copies = 0;
  for (const char* copy : {"work/store/Tool.kxi", "work/store/Tool.kxi_brio"}) {
    if (!sandbox.exists(copy)) continue;
    SCOPED_TRACE(copy);
    ++copies;
    EXPECT_NE(sandbox.readFile(copy).find("pkgtype=\"yxp\""), std::string::npos);
    CZorbExtension read;
    ASSERT_EQ(read.Load(C(copy), nullptr), 0);
    EXPECT_EQ(read.m_packageType, CZorbPlexar::kPackageYxp);
  }
  EXPECT_GT(copies, 0);
}

TEST_F(RoundTrip, DisablingAnEditedFileAsksAndNoKeepsEverything) {
  CZorbExtension* installed = Install();
  ASSERT_NE(installed, nullptr);
  // Only the edit tells: the kept package is as new as the files.
  sandbox.writeFile("Host/Commands/a.htm", "edited by hand");
  const TreeSnapshot before = Tree("Host");
  ui.always(ScriptedUI::Question::MessageBox, [this](const ScriptedUI::Call& call) {
    shown.push_back(Narrow(CString(call.args[0].c_str())));
    ScriptedUI::Answer a;
    a.number = CZorbPlexarUI::kAnswerNo;
    return a;
  });
  shown.clear();
  EXPECT_EQ(engine.DisableExtension(&host, installed, true, 30, true), -1);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], "4173[" + Narrow(C("Host/Commands/a.htm")) + "|" +
                          Narrow(C("work/store/Tool.yxp")) + "]");
  EXPECT_TRUE(testsupport::sameTree(before, Tree("Host")));
  EXPECT_TRUE(installed->m_enabled);
}

// Files unpacked from a zip carry its entry times, in two-second steps
// rounded up, so an untouched file may look newer than the kept package.
TEST_F(RoundTrip, UntouchedFilesAreNeitherChangedNorNewerWhateverTheDatesSay) {
  const std::string record = "work/store/Tool.Lumen 11.kxi_written";
  struct Case {
    const char* name;
    bool stamped;       // the record keeps how each file was left
    int packageBefore;  // seconds the kept package is dated before the newest file
    const char* edit;   // a file edited after the install, to the same size
    bool asks;
  };
  const Case cases[] = {
      {"stamped, package far older", true, 60, nullptr, false},
      {"stamped, a file edited", true, 0, "Host/Commands/a.htm", true},
      {"unstamped, within the archive's step", false, 2, nullptr, false},
      {"unstamped, beyond it", false, 3, nullptr, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    ASSERT_NE(Install(), nullptr);
    ASSERT_NE(sandbox.readFile(record).find("\nS "), std::string::npos);
    if (!c.stamped) {
      // As a record written before stamps were kept.
      std::istringstream in(sandbox.readFile(record));
      std::string kept, line;
      while (std::getline(in, line))
        if (line.rfind("S ", 0) != 0) kept += line + "\n";
      sandbox.writeFile(record, kept);
    }
    time_t newest = 0;
    for (const char* file : {"Host/Commands/a.htm", "Host/Commands/Tool/b.js",
                             "Host/Configuration/Extensions/Tool.kxi", "work/store/Tool.kxi"}) {
      CZorbDateTime date;
      ASSERT_TRUE(CZorbOS::GetFileDateTime(C(file), date));
      newest = std::max(newest, date.GetTime());
    }
    CZorbDateTime packageDate;
    packageDate.SetTime(newest - c.packageBefore);
    ASSERT_TRUE(CZorbOS::SetFileDateTime(C("work/store/Tool.yxp"), packageDate));
    if (c.edit != nullptr) sandbox.writeFile(c.edit, "X");

    shown.clear();
    EXPECT_EQ(engine.DisableExtension(&host, Listed(), true, 30, true), 0);
    if (c.asks) {
      ASSERT_EQ(shown.size(), 1u);
      EXPECT_EQ(shown[0].rfind("4173[", 0), 0u) << shown[0];
      if (c.edit != nullptr) {
        EXPECT_NE(shown[0].find(Narrow(C(c.edit))), std::string::npos);
      }
    } else {
      EXPECT_TRUE(shown.empty()) << shown.front();
    }
  }
}

// Installing again over files an earlier install left untouched: they are
// the package's own, never "newer than the one in the package".
TEST_F(RoundTrip, AnEnableOverUntouchedFilesDoesNotCallThemNewer) {
  ASSERT_NE(Install(), nullptr);
  CZorbDateTime date;
  ASSERT_TRUE(CZorbOS::GetFileDateTime(C("Host/Commands/a.htm"), date));
  date.SetTime(date.GetTime() - 60);
  ASSERT_TRUE(CZorbOS::SetFileDateTime(C("work/store/Tool.yxp"), date));
  shown.clear();
  EXPECT_EQ(engine.EnableExtension(&host, Listed(), 30), 0);
  ASSERT_FALSE(shown.empty());
  for (const std::string& text : shown)
    EXPECT_EQ(text.rfind("4022[", 0), std::string::npos) << text;
  EXPECT_EQ(sandbox.readFile("Host/Commands/a.htm"), "A");
}

TEST_F(RoundTrip, EachFailedFileCallOfAnEnableIsUndone) {
  testsupport::RollbackProbe::Case c;
  c.prepare = [&] {
    Reset();
    ASSERT_NE(Install(), nullptr);
    ASSERT_EQ(engine.DisableExtension(&host, Listed(), true, 30, true), 0);
  };
  c.run = [&] { return engine.EnableExtension(&host, Listed(), 30) == 0; };
  c.pendingSteps = [&] { return engine.GetSteps().size(); };
  c.memory = [&] { return Lists(); };
  c.roots = {sandbox.posix("Host"), sandbox.posix("work")};
  c.temporaryFolder = sandbox.posix("tmp/" + sandbox.list("tmp").front());
  c.strayNames = {".plexar-old-"};
  const testsupport::RollbackProbe::Result result = testsupport::RollbackProbe::run(c);
  EXPECT_TRUE(result.ok()) << result.report();
  EXPECT_GT(result.calls, 5);
  const std::string working = sandbox.posix("tmp");
  for (const auto& survived : result.survived) {
    const bool harmless = survived.op == "open-read" || survived.op == "setxattr" ||
                          survived.op == "removexattr" || survived.op == "settimes";
    const bool cleanUp =
        (survived.path.rfind(working, 0) == 0 &&
         (survived.op == "rmdir" || survived.op == "unlink" || survived.op == "fsync")) ||
        (survived.op == "unlink" && survived.path.find("/.plexar-old-") != std::string::npos);
    // A folder's flush after a file in it was replaced whole.
    const bool folderFlush = survived.op == "fsync" && std::filesystem::is_directory(survived.path);
    EXPECT_TRUE(harmless || cleanUp || folderFlush) << survived.op << " " << survived.path;
  }
}

TEST_F(RoundTrip, AnUpdateRemovesTheOlderVersionInsideItsOwnInstall) {
  ASSERT_NE(Install(), nullptr);
  MakeNewer();

  shown.clear();
  CZorbExtension* updated = Install("pkg/Tool2.yxp");
  ASSERT_NE(updated, nullptr);
  EXPECT_EQ(Narrow(CString(updated->m_version)), "2.0.0");
  EXPECT_EQ(sandbox.readFile("Host/Commands/a.htm"), "A2");
  EXPECT_EQ(sandbox.readFile("Host/Commands/c.js"), "C");
  EXPECT_FALSE(sandbox.exists("Host/Commands/Tool"));
  EXPECT_EQ(sandbox.readFile("Host/Commands/host.htm"), "the host's own");
  EXPECT_EQ(Lists(), "Tool 1;");
  EXPECT_EQ(engine.GetSteps().size(), 0u);
}

TEST_F(RoundTrip, EachFailedFileCallOfAnUpdateGivesTheOlderVersionBack) {
  MakeNewer();
  testsupport::RollbackProbe::Case c;
  c.prepare = [&] {
    Reset();
    ASSERT_NE(Install(), nullptr);
  };
  c.run = [&] { return Install("pkg/Tool2.yxp") != nullptr; };
  c.pendingSteps = [&] { return engine.GetSteps().size(); };
  c.memory = [&] {
    std::string out = Lists();
    if (const CZorbExtension* e = Listed()) out += Narrow(CString(e->m_version));
    return out;
  };
  c.roots = {sandbox.posix("Host"), sandbox.posix("work")};
  c.temporaryFolder = sandbox.posix("tmp/" + sandbox.list("tmp").front());
  const testsupport::RollbackProbe::Result result = testsupport::RollbackProbe::run(c);
  EXPECT_TRUE(result.ok()) << result.report();
  EXPECT_GT(result.calls, 5);
}

// A folder the description names is installed file by file; a ":" in a
// file's name is part of that name, never a folder level.
TEST_F(RoundTrip, AColonInAListedFileNameStaysInTheName) {
  std::string description = kDescription;
  const size_t files = description.find("\t\t<file");
  description.replace(files, description.size() - files,
                      "\t\t<file source=\"tools\" destination=\"$hostfolder/Commands\" />\n"
                      "\t</files>\n</quillory-extension>\n");
  sandbox.makeFolder("build");
  sandbox.writeFile("build/Tool.kxi", description);
  sandbox.writeFile("build/tools/x:y.js", "XY");
  sandbox.writeFile("build/tools/plain.js", "P");
  ASSERT_TRUE(CZorbOS::PackZipFile(C("pkg/Colon.yxp"), C("build")));
  std::filesystem::remove_all(sandbox.posix("build"));

  CZorbExtension* installed = Install("pkg/Colon.yxp");
  ASSERT_NE(installed, nullptr) << testsupport::CapturedLog();
  std::vector<std::string> sources;
  for (const CZorbXmlObject* child : installed->m_files.m_children)
    if (const auto* file = dynamic_cast<const CZorbExtensionFile*>(child))
      sources.push_back(Narrow(file->m_source));
  std::sort(sources.begin(), sources.end());
  EXPECT_EQ(sources, (std::vector<std::string>{"tools/plain.js", "tools/x:y.js"}));
  // Wherever the folder lands, the file is one file under its own name.
  std::vector<std::string> placed;
  for (const auto& item :
       std::filesystem::recursive_directory_iterator(sandbox.posix("Host/Commands"))) {
    const std::string name = item.path().filename().string();
    if (name == "x" || name == "y.js") ADD_FAILURE() << "a split name: " << item.path();
    if (name == "x:y.js") placed.push_back(TempDir::read(item.path().string()));
  }
  EXPECT_EQ(placed, std::vector<std::string>{"XY"});
}

}  // namespace
