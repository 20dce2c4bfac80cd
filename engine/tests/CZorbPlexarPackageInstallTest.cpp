// A package the engine builds installs into a host like any other.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/CZorbPlexar.h"
#include "engine/tests/OneHostTest.h"
#include "engine/tests/ScriptedHost.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionProduct.h"
#include "foundation/AppGlobals.h"
#include "foundation/CString.h"
#include "foundation/Logger.h"
#include "testsupport/LogCapture.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/ScopedStrings.h"
#include "testsupport/ScriptedUI.h"

namespace {

using enginetest::ScriptedHost;
using testsupport::ScriptedUI;
using Question = ScriptedUI::Question;
using Texts = std::vector<std::string>;

constexpr char kDescription[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<quillory-extension name=\"Tool\" version=\"1.0\" type=\"command\">\n"
    "\t<author name=\"Vesko\" />\n"
    "\t<products><product name=\"Lumen 11\" version=\"11\" primary=\"true\" /></products>\n"
    "\t<files>\n"
    "\t\t<file source=\"a.htm\" destination=\"$hostfolder/Commands\" />\n"
    "\t\t<file source=\"lib/b.js\" destination=\"$hostfolder/Commands/lib\" />\n"
    "\t</files>\n"
    "</quillory-extension>\n";

class PackageThenInstall : public enginetest::OneHostTest {
 protected:
  void SetUp() override {
    OneHostTest::SetUp();
    ui.alwaysNumber(Question::MessageBox, CZorbPlexarUI::kAnswerCancel);
    ui.alwaysYes(Question::ConfirmInstall);
    ui.alwaysSupportsByName();
    ui.alwaysValidates({u"Tool", u"1", u"Vesko", u"trusted"});
    sandbox.writeFile("src/Tool.kxi", kDescription);
    sandbox.writeFile("src/a.htm", "<p>a</p>");
    sandbox.writeFile("src/lib/b.js", "var b = 1;");
    sandbox.makeFolder("pkg");
  }
  // A host with nothing of the extension installed.
  void FreshHost() { ResetHost(); }

  CZorbExtension* Install(const CString& package) {
    CZorbProduct* slot = &host;
    CZorbExtension* replaced = nullptr;
    CZorbExtension* clone = nullptr;
    CZorbExtensionProduct chosen;
    bool accepted = true;
    bool askLicence = true;
    bool mayRetry = true;
    int restart = 0;
    const bool newInstall = true;
    CString chosenName, primaryName;
    CZorbExtension* installed = engine.InstallExtension(
        &slot, package, &replaced, false, newInstall, true, restart, false, false, true, askLicence,
        30, nullptr, &clone, nullptr, &chosen, &accepted, &chosenName, &primaryName, &mayRetry);
    delete clone;
    return installed;
  }

  testsupport::ScopedStrings strings{{4039, 4042, 4043}, {4016, 4024, 4217}};
};

TEST_F(PackageThenInstall, BothFormatsInstallTheFilesTheDescriptionLists) {
  for (const char* name : {"Tool.kxp", "Tool.yxp"}) {
    SCOPED_TRACE(name);
    const int type =
        std::string(name).ends_with(".kxp") ? CZorbPlexar::kPackageKxp : CZorbPlexar::kPackageYxp;
    ASSERT_EQ(engine.CreatePackage(C("src/Tool.kxi"), C(std::string("pkg/") + name), nullptr, type,
                                   false, true, true, false),
              0);
    FreshHost();
    CZorbExtension* installed = Install(C(std::string("pkg/") + name));
    ASSERT_NE(installed, nullptr) << testsupport::CapturedLog();
    EXPECT_EQ(testsupport::NarrowAscii(installed->m_name), "Tool");
    EXPECT_EQ(sandbox.readFile("Host/Commands/a.htm"), "<p>a</p>");
    EXPECT_EQ(sandbox.readFile("Host/Commands/lib/b.js"), "var b = 1;");
    EXPECT_TRUE(sandbox.exists(std::string("work/store/") + name));
    EXPECT_TRUE(sandbox.exists("Host/Configuration/Extensions/Tool.kxi"));
  }
  EXPECT_EQ(sandbox.readFile("src/Tool.kxi"), kDescription);
}

}  // namespace
