// Installing extensions that carry service-framework bundles, and removing
// them again: what lands below the bundle folder, what the person is asked,
// and what a refusal or a failure leaves behind.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/CZorbPlexar.h"
#include "engine/tests/OneHostTest.h"
#include "engine/tests/ScriptedHost.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionSignInfo.h"
#include "foundation/AppGlobals.h"
#include "foundation/CString.h"
#include "foundation/CZorbGetXMLProxy.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbXmlPairs.h"
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
using Files = std::map<std::string, std::string>;
const auto Narrow = testsupport::NarrowAscii;

constexpr char kBundleFolder[] = "Shared/Vesko/WB5ServiceManager/extensions";
constexpr char kBundle[] = "Shared/Vesko/WB5ServiceManager/extensions/com.vesko.svc";

std::string Manifest(const std::string& id, const std::string& version = "1.2") {
  return "<WBXS><Data key=\"" + id + "\">" + version + "</Data></WBXS>";
}

// A bundle's files below prefix ("" for a package of its own).
Files Bundle(const std::string& prefix, const std::string& id = "com.vesko.svc",
             const std::string& code = "new code") {
  return {{prefix + "WBXS/manifest.xml", Manifest(id)},
          {prefix + "META-INF/signatures.xml", "<signatures/>"},
          {prefix + "lib/code.js", code}};
}

std::string Description(const std::string& files, const std::string& name = "Tool",
                        const std::string& products = "") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<quillory-extension name=\"" +
         name +
         "\" version=\"1.0\" type=\"command\">\n"
         "\t<author name=\"Vesko\" />\n"
         "\t<products>\n" +
         products +
         "\t\t<product name=\"Lumen 11\" version=\"11\" primary=\"true\" />\n"
         "\t</products>\n"
         "\t<files>\n" +
         files + "\t</files>\n</quillory-extension>\n";
}

// The two ways a description carries a bundle: a folder of the package, or
// a bundle package inside it.
const std::string kFolderEntry = "\t\t<file source=\"svc\" file-type=\"wbxs\" />\n";
const std::string kPackageEntry = "\t\t<file source=\"svc.yxp\" file-type=\"wbxs\" />\n";
const std::string kPage = "\t\t<file source=\"a.htm\" destination=\"$hostfolder/Commands\" />\n";

class InstallBundles : public enginetest::OneHostTest {
 protected:
  void SetUp() override {
    OneHostTest::SetUp();
    CString::g_DataMap[4228] = "4228[%s|%s|%s]";
    CZorbGetXMLProxy::SetInstance(&m_proxy);
    ui.always(ScriptedUI::Question::MessageBox, [this](const ScriptedUI::Call& call) {
      shown.push_back(Narrow(CString(call.args[0].c_str())) + " type " +
                      Narrow(CString(call.args[1].c_str())));
      ScriptedUI::Answer a;
      a.number = answer;
      return a;
    });
    ui.alwaysSupportsByName();
    ui.alwaysYes(ScriptedUI::Question::ConfirmInstall);
    // Four texts for the package, or for each bundle (id and folder after
    // "1" and the name).
    ui.always(ScriptedUI::Question::Validation, [this](const ScriptedUI::Call& call) {
      validations.push_back(call.args);
      ScriptedUI::Answer a;
      const bool bundles = call.args[0] == u"1";
      a.yes = bundlesPass || !bundles;
      const size_t groups = bundles ? (call.args.size() - 2) / 2 : 1;
      for (size_t i = 0; i < groups; ++i)
        a.texts.insert(a.texts.end(), {u"Svc", u"1", u"Vesko", u"trusted"});
      if (bundles && shortBundleAnswer) a.texts.pop_back();
      return a;
    });
    // A stand-alone bundle's description, as the movie writes it from the
    // manifest.
    ui.always(ScriptedUI::Question::CreateKXIFromStandaloneWBXS, [](const ScriptedUI::Call& call) {
      const std::string path = Narrow(CString(call.args[1].c_str()));
      std::ofstream(path) << Description("\t\t<file source=\"Svc.yxp\" />\n", "Svc",
                                         "\t\t<product name=\"WBXS\" version=\"1.0\" />\n");
      ScriptedUI::Answer a;
      a.yes = true;
      return a;
    });
    Reset();
  }
  void TearDown() override {
    OneHostTest::TearDown();
    CZorbGetXMLProxy::SetInstance(nullptr);
  }

  // A host, an empty store, and a common folder without the bundle folder.
  void Reset() {
    ResetHost({"Shared"});
    engine.m_serviceFrameworkFolder = C(kBundleFolder);
    shown.clear();
    validations.clear();
    answer = CZorbPlexarUI::kAnswerYes;
    bundlesPass = true;
    shortBundleAnswer = false;
  }

  // A zip of the files, path to content, at pkg/name.
  CString Zip(const std::string& name, const Files& files) {
    const std::string folder = "build/" + std::to_string(++m_count);
    for (const auto& [path, content] : files) {
      sandbox.makeFolder(std::filesystem::path(folder + "/" + path).parent_path().string());
      sandbox.writeFile(folder + "/" + path, content);
    }
    sandbox.makeFolder("pkg");
    std::filesystem::remove(sandbox.posix("pkg/" + name));
    EXPECT_TRUE(CZorbOS::PackZipFile(C("pkg/" + name), C(folder)));
    std::filesystem::remove_all(sandbox.posix(folder));
    return C("pkg/" + name);
  }
  // An extension package whose description names a bundle, kept as the
  // folder "svc" or as the package "svc.yxp".
  CString Package(const std::string& entry, const Files& bundle = Bundle("")) {
    Files files{{"Tool.kxi", Description(kPage + entry)}, {"a.htm", "A"}};
    if (entry == kPackageEntry) {
      Zip("svc.yxp", bundle);
      files["svc.yxp"] = sandbox.readFile("pkg/svc.yxp");
      std::filesystem::remove(sandbox.posix("pkg/svc.yxp"));
    } else {
      for (const auto& [path, content] : bundle) files["svc/" + path] = content;
    }
    return Zip("Tool.yxp", files);
  }

  // A second extension, "Other", whose bundle folder names id.
  CString OtherPackage(const std::string& id = "com.vesko.svc") {
    const std::string page = "\t\t<file source=\"b.htm\" destination=\"$hostfolder/Commands\" />\n";
    Files files{{"Other.kxi", Description(page + kFolderEntry, "Other")}, {"b.htm", "B"}};
    for (const auto& [path, content] : Bundle("", id, "other code")) files["svc/" + path] = content;
    return Zip("Other.yxp", files);
  }

  CZorbExtension* Install(const CString& package) {
    CZorbProduct* slot = &host;
    CZorbExtension* replaced = nullptr;
    const bool newInstall = true;
    bool askLicence = true;
    int restart = 0;
    return engine.InstallExtension(&slot, package, &replaced, false, newInstall, true, restart,
                                   false, false, false, askLicence, 30, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, nullptr);
  }
  int Remove(CZorbExtension* extension) {
    int restart = 0;
    return engine.UninstallExtension(&host, extension, true, false, true, true, true, restart,
                                     false, 30, true, false);
  }

  std::string Lists() {
    std::ostringstream out;
    CZorbTypedList<CZorbExtension*> list;
    engine.GetExtensions(&host, &list);
    for (const CZorbExtension* e : list) out << Narrow(e->m_name) << " " << e->m_enabled << ";";
    return out.str();
  }
  // The machine's trees that an install may change.
  struct Trees {
    TreeSnapshot host, store, shared;
  };
  Trees Take() const {
    return {TreeSnapshot::take(sandbox.posix("Host")), TreeSnapshot::take(sandbox.posix("work")),
            TreeSnapshot::take(sandbox.posix("Shared"))};
  }
  static void ExpectSame(const Trees& before, const Trees& after) {
    EXPECT_TRUE(testsupport::sameTree(before.host, after.host));
    EXPECT_TRUE(testsupport::sameTree(before.store, after.store));
    EXPECT_TRUE(testsupport::sameTree(before.shared, after.shared));
  }
  std::string TempFolder() const { return sandbox.posix("tmp/" + sandbox.list("tmp").front()); }

  testsupport::ScopedStrings strings{
      {4031, 4043, 4077, 4139, 4146, 4201, 4225, 4232},
      {4024, 4027, 4030, 4047, 4190, 4191, 4188, 4216, 4220, 4222, 4223, 4224, 4226, 4235},
      {4026, 4028, 4186, 4187}};
  CZorbXmlPairsProxy m_proxy;
  std::vector<std::string> shown;
  std::vector<std::vector<std::u16string>> validations;
  int answer = CZorbPlexarUI::kAnswerYes;
  bool bundlesPass = true;
  bool shortBundleAnswer = false;
  int m_count = 0;
};

TEST_F(InstallBundles, ABundleOfTheDescriptionIsPlacedAndTheRemovalTakesItAway) {
  for (const std::string& entry : {kFolderEntry, kPackageEntry}) {
    SCOPED_TRACE(entry);
    Reset();
    const CString package = Package(entry);
    const Trees before = Take();
    const std::vector<std::string> temporary = testsupport::RollbackProbe::names(TempFolder());

    CZorbExtension* installed = Install(package);
    ASSERT_NE(installed, nullptr) << (shown.empty() ? "" : shown.front());
    EXPECT_TRUE(shown.empty()) << shown.front();
    EXPECT_EQ(sandbox.readFile(std::string(kBundle) + "/lib/code.js"), "new code");
    EXPECT_EQ(sandbox.readFile(std::string(kBundle) + "/WBXS/manifest.xml"),
              Manifest("com.vesko.svc"));
    EXPECT_EQ(sandbox.readFile("Host/Commands/a.htm"), "A");

    // The package and then its bundles were checked; the bundles' results
    // are recorded as theirs.
    ASSERT_EQ(validations.size(), 2u);
    const std::vector<std::u16string>& bundles = validations[1];
    ASSERT_EQ(bundles.size(), 4u);
    EXPECT_EQ(bundles[0], u"1");
    EXPECT_EQ(bundles[1], u"Tool");
    EXPECT_EQ(bundles[2], u"com.vesko.svc");
    const std::string prepared = Narrow(CString(bundles[3].c_str()));
    EXPECT_EQ(prepared.substr(prepared.rfind('/')), entry == kFolderEntry ? "/svc" : "/1");
    ASSERT_EQ(installed->m_signInfos.m_children.size(), 2u);
    auto* bundleSignature =
        dynamic_cast<CZorbExtensionSignInfo*>(installed->m_signInfos.m_children.back());
    ASSERT_NE(bundleSignature, nullptr);
    EXPECT_EQ(Narrow(bundleSignature->m_extensionType), "1");
    // The store's copy names the bundle for a later run's removal.
    EXPECT_NE(sandbox.readFile("work/store/Tool.kxi").find("wbxsid=\"com.vesko.svc\""),
              std::string::npos);
    EXPECT_TRUE(testsupport::RollbackProbe::newNames(TempFolder(), temporary).empty());

    ASSERT_EQ(Remove(installed), 0) << (shown.empty() ? "" : shown.front());
    ExpectSame(before, Take());
    EXPECT_EQ(Lists(), "");
    EXPECT_EQ(engine.GetSteps().size(), 0u);
  }
}

TEST_F(InstallBundles, DisablingTakesTheBundleAwayAndEnablingBringsItBack) {
  for (const std::string& entry : {kFolderEntry, kPackageEntry}) {
    SCOPED_TRACE(entry);
    Reset();
    CZorbExtension* installed = Install(Package(entry));
    ASSERT_NE(installed, nullptr);
    const Trees after = Take();
    // The record's stamps follow the dates the enable gives the copies;
    // what it lists stays.
    const std::string record = "work/store/Tool.Lumen 11.kxi_written";
    auto listed = [&] {
      std::istringstream in(sandbox.readFile(record));
      std::string kept, line;
      while (std::getline(in, line))
        if (line.rfind("S ", 0) != 0) kept += line + "\n";
      return kept;
    };
    const std::string recordBytes = sandbox.readFile(record);
    const std::string recordListed = listed();
    ASSERT_EQ(engine.DisableExtension(&host, installed, true, 30, true), 0)
        << (shown.empty() ? "" : shown.front());
    EXPECT_FALSE(sandbox.exists(kBundle));
    CZorbTypedList<CZorbExtension*> list;
    engine.GetExtensions(&host, &list);
    ASSERT_EQ(list.size(), 1u);
    ASSERT_EQ(engine.EnableExtension(&host, list.front(), 30), 0)
        << (shown.empty() ? "" : shown.front());
    EXPECT_TRUE(shown.empty()) << shown.front();
    EXPECT_EQ(sandbox.readFile(std::string(kBundle) + "/lib/code.js"), "new code");
    EXPECT_EQ(listed(), recordListed);
    sandbox.writeFile(record, recordBytes);
    ExpectSame(after, Take());
  }
}

TEST_F(InstallBundles, AStandAloneBundlePackageInstallsAndIsRemoved) {
  const CString package = Zip("Svc.yxp", Bundle(""));
  const Trees before = Take();
  CZorbExtension* installed = Install(package);
  ASSERT_NE(installed, nullptr) << (shown.empty() ? "" : shown.front());
  EXPECT_TRUE(shown.empty()) << shown.front();
  EXPECT_EQ(sandbox.readFile(std::string(kBundle) + "/lib/code.js"), "new code");
  EXPECT_TRUE(sandbox.exists("work/store/Svc.yxp"));
  // Only the bundle is checked: the package holds nothing else.
  ASSERT_EQ(validations.size(), 1u);
  EXPECT_EQ(validations[0][0], u"1");
  EXPECT_EQ(validations[0][2], u"com.vesko.svc");

  ASSERT_EQ(Remove(installed), 0) << (shown.empty() ? "" : shown.front());
  ExpectSame(before, Take());
}

TEST_F(InstallBundles, AnInstalledBundleIsAskedAbout) {
  struct Case {
    const char* what;
    std::string existingId;  // the id the bundle already there names
    bool standalone;
    int answer;
    std::string question;  // "" when none is asked
    bool installed;
    std::string code;  // what the bundle folder holds afterwards
  };
  const std::string same = "4228[com.vesko.svc|1.2|1.2]";
  const std::vector<Case> cases = {
      {"skip keeps it", "com.vesko.svc", false, CZorbPlexarUI::kAnswerNo, same + " type 8", true,
       "old code"},
      {"overwrite replaces it", "com.vesko.svc", false, CZorbPlexarUI::kAnswerYes, same + " type 8",
       true, "new code"},
      {"all replaces it", "com.vesko.svc", false, CZorbPlexarUI::kAnswerOverwriteAll,
       same + " type 8", true, "new code"},
      {"cancel stops the install", "com.vesko.svc", false, CZorbPlexarUI::kAnswerCancel,
       same + " type 8", false, "old code"},
      {"stand-alone asks its own way", "com.vesko.svc", true, CZorbPlexarUI::kAnswerNo,
       same + " type 1", true, "old code"},
      {"another bundle in its place is replaced", "com.vesko.other", false,
       CZorbPlexarUI::kAnswerCancel, "", true, "new code"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    for (const auto& [path, content] : Bundle("", c.existingId, "old code"))
      sandbox.writeFile(std::string(kBundle) + "/" + path, content);
    const CString package = c.standalone ? Zip("Svc.yxp", Bundle("")) : Package(kFolderEntry);
    const Trees before = Take();
    answer = c.answer;
    CZorbExtension* installed = Install(package);
    EXPECT_EQ(installed != nullptr, c.installed);
    if (c.question.empty())
      EXPECT_TRUE(shown.empty()) << shown.front();
    else
      EXPECT_EQ(shown, std::vector<std::string>{c.question});
    EXPECT_EQ(sandbox.readFile(std::string(kBundle) + "/lib/code.js"), c.code);
    if (!installed) {
      ExpectSame(before, Take());
      continue;
    }
    // The removal takes only a bundle the install placed.
    shown.clear();
    ASSERT_EQ(Remove(installed), 0) << (shown.empty() ? "" : shown.front());
    EXPECT_EQ(sandbox.exists(kBundle), c.code == "old code");
    EXPECT_TRUE(testsupport::sameTree(before.host, Take().host));
  }
}

TEST_F(InstallBundles, RefusalsInstallNothing) {
  struct Case {
    const char* what;
    std::string entry;
    Files bundle;
    std::function<void()> setUp;
    std::string message;  // the first text shown, "" for none
  };
  auto id = [](const std::string& wbxsid) {
    return "\t\t<file source=\"svc\" file-type=\"wbxs\" wbxsid=\"" + wbxsid + "\" />\n";
  };
  Files old14 = {{"META-INF/manifest.xml", "<WBXS><Version key=\"v\">1.4</Version></WBXS>"},
                 {"lib/code.js", "x"}};
  Files notABundle = {{"WBXS/manifest.xml", Manifest("com.vesko.svc")}, {"lib/code.js", "x"}};
  const std::vector<Case> cases = {
      {"validation refused", kFolderEntry, Bundle(""), [this] { bundlesPass = false; },
       "4235[Tool] 4043"},
      {"validation answering half a group", kFolderEntry, Bundle(""),
       [this] { shortBundleAnswer = true; }, "4235[Tool] 4043"},
      {"an older format", kFolderEntry, old14, nullptr, "4232"},
      {"not a bundle", kFolderEntry, notABundle, nullptr, "4223["},
      {"a bundle package that is none", kPackageEntry, notABundle, nullptr, "4223["},
      {"no bundle folder", kFolderEntry, Bundle(""),
       [this] { engine.m_serviceFrameworkFolder.Empty(); }, "4077"},
      {"a link as bundle folder", kFolderEntry, Bundle(""),
       [this] {
         sandbox.makeFolder("Shared/Vesko/WB5ServiceManager");
         std::filesystem::create_symlink(sandbox.posix("Host"), sandbox.posix(kBundleFolder));
       },
       "4027["},
      {"a link in the bundle's place", kFolderEntry, Bundle(""),
       [this] {
         sandbox.makeFolder(kBundleFolder);
         std::filesystem::create_directory_symlink(sandbox.posix("Host"), sandbox.posix(kBundle));
       },
       "4027["},
      {"id climbing up", id("../../Host"), Bundle(""), nullptr, "4224["},
      {"id with a colon", id("a:b"), Bundle(""), nullptr, "4224["},
      {"id with a slash", id("a/b"), Bundle(""), nullptr, "4224["},
      {"id that is a dot", id("."), Bundle(""), nullptr, "4224["},
      {"id of two dots", id(".."), Bundle(""), nullptr, "4224["},
      {"id of a hidden fork", id("._svc"), Bundle(""), nullptr, "4224["},
      {"id too long", id(std::string(256, 'x')), Bundle(""), nullptr, "4224["},
      {"a bundle folder climbing out",
       "\t\t<file source=\"svc.yxp\" folder=\"../../Host\" file-type=\"wbxs\" />\n", Bundle(""),
       nullptr, "4047["},
      {"manifest id climbing up", kFolderEntry, Bundle("", "../../Host"), nullptr, "4224["},
      {"manifest without an id",
       kFolderEntry,
       {{"WBXS/manifest.xml", "<WBXS></WBXS>"}, {"META-INF/signatures.xml", "<s/>"}},
       nullptr,
       "4224["},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    const CString package = Package(c.entry, c.bundle);
    if (c.setUp) c.setUp();
    const Trees before = Take();
    const std::vector<std::string> temporary = testsupport::RollbackProbe::names(TempFolder());
    EXPECT_EQ(Install(package), nullptr);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front().rfind(c.message, 0), 0u) << shown.front();
    EXPECT_EQ(shown.size(), 1u) << shown.back();
    ExpectSame(before, Take());
    EXPECT_TRUE(testsupport::RollbackProbe::newNames(TempFolder(), temporary).empty());
    EXPECT_EQ(Lists(), "");
    EXPECT_EQ(engine.GetSteps().size(), 0u);
  }
}

TEST_F(InstallBundles, ABundleAnotherExtensionPlacedStaysUntilTheLastOneGoes) {
  struct Case {
    const char* what;
    std::string otherId;
    int answer;        // to the question about the bundle already there
    bool removeFirst;  // the first extension installed is removed first
    bool shared;       // both name one bundle folder
  };
  const std::vector<Case> cases = {
      {"replaced, first removed first", "com.vesko.svc", CZorbPlexarUI::kAnswerYes, true, true},
      {"replaced, second removed first", "com.vesko.svc", CZorbPlexarUI::kAnswerYes, false, true},
      {"kept as it stood, first removed first", "com.vesko.svc", CZorbPlexarUI::kAnswerNo, true,
       true},
      {"kept as it stood, second removed first", "com.vesko.svc", CZorbPlexarUI::kAnswerNo, false,
       true},
      // A folder of its own: no reason to keep the first one's.
      {"another id", "com.vesko.other", CZorbPlexarUI::kAnswerCancel, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    const CString first = Package(kFolderEntry);
    const CString second = OtherPackage(c.otherId);
    const Trees before = Take();
    CZorbExtension* tool = Install(first);
    ASSERT_NE(tool, nullptr) << (shown.empty() ? "" : shown.front());
    answer = c.answer;
    CZorbExtension* other = Install(second);
    ASSERT_NE(other, nullptr) << (shown.empty() ? "" : shown.front());
    const std::string bundleCode = sandbox.readFile(std::string(kBundle) + "/lib/code.js");
    shown.clear();

    CZorbExtension* gone = c.removeFirst ? tool : other;
    const std::string stays = c.removeFirst ? "Other" : "Tool";
    const TreeSnapshot bundleBefore = TreeSnapshot::take(sandbox.posix(kBundle));
    ASSERT_EQ(Remove(gone), 0) << (shown.empty() ? "" : shown.front());
    EXPECT_TRUE(shown.empty()) << shown.front();
    EXPECT_EQ(Lists(), stays + " 1;");
    if (!c.shared) {
      // The other's bundle is untouched, the first one's is gone.
      EXPECT_FALSE(sandbox.exists(kBundle));
      EXPECT_EQ(sandbox.readFile(std::string(kBundleFolder) + "/" + c.otherId + "/lib/code.js"),
                "other code");
    } else {
      EXPECT_TRUE(testsupport::sameTree(bundleBefore, TreeSnapshot::take(sandbox.posix(kBundle))));
      EXPECT_EQ(sandbox.readFile(std::string(kBundle) + "/lib/code.js"), bundleCode);
      EXPECT_NE(testsupport::CapturedLog().find("still used by " + stays), std::string::npos)
          << testsupport::CapturedLog();
    }
    // The other extension's own files and store copies are all there.
    if (c.removeFirst) {
      EXPECT_EQ(sandbox.readFile("Host/Commands/b.htm"), "B");
      EXPECT_TRUE(sandbox.exists("work/store/Other.kxi"));
      EXPECT_FALSE(sandbox.exists("Host/Commands/a.htm"));
    } else {
      EXPECT_EQ(sandbox.readFile("Host/Commands/a.htm"), "A");
      EXPECT_TRUE(sandbox.exists("work/store/Tool.kxi"));
      EXPECT_FALSE(sandbox.exists("Host/Commands/b.htm"));
    }

    // The last removal of a shared bundle takes what the first install made.
    if (!c.shared) continue;
    CZorbTypedList<CZorbExtension*> list;
    engine.GetExtensions(&host, &list);
    ASSERT_EQ(list.size(), 1u);
    ASSERT_EQ(Remove(list.front()), 0) << (shown.empty() ? "" : shown.front());
    EXPECT_EQ(Lists(), "");
    ExpectSame(before, Take());
    EXPECT_EQ(engine.GetSteps().size(), 0u);
  }
}

TEST_F(InstallBundles, ADisabledExtensionAlsoKeepsItsBundle) {
  CZorbExtension* tool = Install(Package(kFolderEntry));
  ASSERT_NE(tool, nullptr);
  CZorbExtension* other = Install(OtherPackage());
  ASSERT_NE(other, nullptr);
  shown.clear();
  // Disabling one leaves the bundle the enabled one uses.
  ASSERT_EQ(engine.DisableExtension(&host, other, true, 30, true), 0)
      << (shown.empty() ? "" : shown.front());
  EXPECT_EQ(sandbox.readFile(std::string(kBundle) + "/lib/code.js"), "other code");
  // Removing the enabled one leaves it for the disabled one.
  ASSERT_EQ(Remove(tool), 0) << (shown.empty() ? "" : shown.front());
  EXPECT_EQ(Lists(), "Other 0;");
  EXPECT_EQ(sandbox.readFile(std::string(kBundle) + "/lib/code.js"), "other code");
  EXPECT_FALSE(sandbox.exists("Host/Commands/a.htm"));
}

TEST_F(InstallBundles, AFailedRemovalKeepingASharedBundleIsUndone) {
  for (const int secondAnswer : {CZorbPlexarUI::kAnswerYes, CZorbPlexarUI::kAnswerNo}) {
    SCOPED_TRACE(secondAnswer);
    const CString first = Package(kFolderEntry);
    const CString second = OtherPackage();
    testsupport::RollbackProbe::Case c;
    CZorbExtension* installed = nullptr;
    c.prepare = [&] {
      Reset();
      installed = Install(first);
      ASSERT_NE(installed, nullptr);
      answer = secondAnswer;
      ASSERT_NE(Install(second), nullptr);
    };
    c.run = [&] { return Remove(installed) == 0; };
    c.pendingSteps = [&] { return engine.GetSteps().size(); };
    c.memory = [&] { return Lists(); };
    c.roots = {sandbox.posix("Host"), sandbox.posix("work"), sandbox.posix("Shared")};
    c.temporaryFolder = TempFolder();
    const testsupport::RollbackProbe::Result result = testsupport::RollbackProbe::run(c);
    EXPECT_TRUE(result.ok()) << result.report();
    EXPECT_GT(result.calls, 10);
  }
}

TEST(BundleIds, OnlyPlainFolderNamesPass) {
  const struct {
    std::u16string id;
    bool plain;
  } cases[] = {
      {u"com.vesko.svc", true},
      {u"a..b", true},
      {u".hidden", true},
      {std::u16string(255, u'x'), true},
      {std::u16string(256, u'x'), false},
      {u"", false},
      {u".", false},
      {u"..", false},
      {u"._svc", false},
      {u"a/b", false},
      {u"a:b", false},
      {u"a\tb", false},
      {u"a\nb", false},
      {u"a\x7f", false},
      {std::u16string(u"a\0b", 3), false},
  };
  for (const auto& c : cases) {
    const CString id(c.id.data(), static_cast<uint32_t>(c.id.size()));
    EXPECT_EQ(CZorbPlexar::IsPlainBundleId(id), c.plain) << Narrow(id);
  }
}

TEST_F(InstallBundles, EachFailedFileCallOfABundleInstallOrRemovalIsUndone) {
  struct Case {
    const char* what;
    CString package;
    bool removal;  // the install is made beforehand, the removal probed
  };
  const std::vector<Case> cases = {
      {"a bundle folder", Package(kFolderEntry), false},
      {"a stand-alone bundle", Zip("Svc.yxp", Bundle("")), false},
      {"the removal", Package(kPackageEntry), true},
  };
  for (const Case& probed : cases) {
    SCOPED_TRACE(probed.what);
    testsupport::RollbackProbe::Case c;
    CZorbExtension* installed = nullptr;
    c.prepare = [&] {
      Reset();
      if (probed.removal) {
        installed = Install(probed.package);
        ASSERT_NE(installed, nullptr);
      }
    };
    c.run = [&] {
      return probed.removal ? Remove(installed) == 0 : Install(probed.package) != nullptr;
    };
    c.pendingSteps = [&] { return engine.GetSteps().size(); };
    c.memory = [&] { return Lists(); };
    c.roots = {sandbox.posix("Host"), sandbox.posix("work"), sandbox.posix("Shared")};
    c.temporaryFolder = TempFolder();
    const testsupport::RollbackProbe::Result result = testsupport::RollbackProbe::run(c);
    EXPECT_TRUE(result.ok()) << result.report();
    EXPECT_GT(result.calls, 10);
    const std::string working = sandbox.posix("tmp");
    for (const auto& survived : result.survived) {
      const bool harmless = survived.op == "open-read" || survived.op == "setxattr" ||
                            survived.op == "removexattr" || survived.op == "settimes";
      const bool cleanUp =
          survived.path.rfind(working, 0) == 0 &&
          (survived.op == "rmdir" || survived.op == "unlink" || survived.op == "fsync");
      const bool folderFlush =
          survived.op == "fsync" && std::filesystem::is_directory(survived.path);
      // The probe file of a writability check is removed a second time.
      const std::string name = std::filesystem::path(survived.path).filename().string();
      const bool probe = survived.op == "unlink" && name.rfind("temp", 0) == 0 && name.size() > 4 &&
                         name.compare(name.size() - 4, 4, ".tmp") == 0;
      EXPECT_TRUE(harmless || cleanUp || folderFlush || probe)
          << survived.op << " " << survived.path;
    }
  }
}

}  // namespace
