#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionSignInfo.h"
#include "foundation/AppGlobals.h"
#include "foundation/CString.h"
#include "foundation/CZorbGetXMLProxy.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbXmlPairs.h"
#include "foundation/Logger.h"
#include "package/CZorbKxpPackage.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/ScriptedUI.h"
#include "testsupport/TempDir.h"

namespace {

using testsupport::ScriptedUI;
using Texts = std::vector<std::string>;
using Question = ScriptedUI::Question;

std::ostringstream* g_log = nullptr;
Logger* logToString() {
  auto stream = std::make_unique<std::ostringstream>();
  g_log = stream.get();
  return new Logger(std::move(stream));
}

std::string narrow(const std::u16string& text) {
  std::string out;
  for (char16_t unit : text) out += unit < 0x80 ? static_cast<char>(unit) : '?';
  return out;
}
std::string narrow(const CString& text) {
  return narrow(std::u16string(text.Get()));
}
std::u16string wide(const std::string& text) {
  return std::u16string(text.begin(), text.end());
}

Texts narrow(const CZorbTypedVector<CString>& texts) {
  Texts out;
  for (const CString& t : texts) out.push_back(narrow(t));
  return out;
}
CZorbTypedVector<CString> wide(const Texts& texts) {
  CZorbTypedVector<CString> out;
  for (const std::string& t : texts) out.push_back(CString(wide(t).c_str()));
  return out;
}

class Unpack : public testsupport::SandboxTest {
 protected:
  void SetUp() override {
    m_savedAppPath = gAppPath;
    // The unpack tools as the build lays them out.
    gAppPath = std::string(PLEXAR_BINARY_DIR) + "/Plexar.app/Contents/Resources";
    // Each message shows its id, and its argument in brackets.
    m_savedStrings = CString::g_DataMap;
    CString::g_DataMap.clear();
    for (unsigned id : {4027u, 4216u, 4222u, 4223u, 4226u, 4235u})
      CString::g_DataMap[id] = std::to_string(id) + "[%s]";
    for (unsigned id : {4043u, 4048u, 4146u, 4183u, 4225u})
      CString::g_DataMap[id] = std::to_string(id);
    Logger::resetForTest(logToString);
    sandbox.makeFolder("src");
    // Notices are only seen.
    ui.always(Question::MessageBox, [](const ScriptedUI::Call&) { return ScriptedUI::Answer{}; });
  }
  void TearDown() override {
    Logger::finalize();
    Logger::resetForTest(nullptr);
    g_log = nullptr;
    CString::g_DataMap = m_savedStrings;
    CZorbGetXMLProxy::SetInstance(nullptr);
    gAppPath = m_savedAppPath;
  }

  CString colon(const std::string& relative) const {
    return CString(sandbox.colon(relative).c_str());
  }
  std::string log() const { return g_log ? g_log->str() : std::string(); }

  // A zip package of the files, path to content, named relative to the
  // sandbox.
  CString zip(const std::string& relative, const std::map<std::string, std::string>& files) {
    const std::string folder = "build/" + std::to_string(++m_count);
    sandbox.makeFolder(folder);
    for (const auto& [path, content] : files) sandbox.writeFile(folder + "/" + path, content);
    EXPECT_TRUE(CZorbOS::PackZipFile(colon(relative), colon(folder)));
    return colon(relative);
  }

  // The texts of the messages shown, in order.
  Texts messages() const {
    Texts out;
    for (const ScriptedUI::Call& call : ui.calls())
      if (call.name == "MessageBox") out.push_back(narrow(call.args[0]));
    return out;
  }

  struct Unpacked {
    int result = -1;
    int step = -7;
    CString description, installFolder, bundleFolder;
    Texts names;
    int standalone = -7;
  };
  Unpacked unpack(const CString& package, int type, bool progress = false) {
    Unpacked u;
    CZorbTypedVector<CString> names;
    unsigned int version = 0;
    uint32_t encoding = 0;
    u.result =
        engine.UnpackExtensionFile(progress, u.step, package, u.description, u.installFolder, names,
                                   version, encoding, type, u.standalone, u.bundleFolder);
    u.names = narrow(names);
    return u;
  }

  // The temporary folder, a colon path without a final ":".
  static std::string temp() {
    char16_t buffer[kZorbMaxPath + 1] = {};
    CZorbOS::GetTempPath(buffer, kZorbMaxPath + 1);
    return narrow(std::u16string(buffer));
  }
  static std::string read(const CString& path) {
    CString posix;
    EXPECT_TRUE(CZorbOS::convertPath(path, posix)) << narrow(path);
    return TempDir::read(narrow(posix));
  }

  ScriptedUI ui;
  CZorbPlexar engine{&ui};

 private:
  std::string m_savedAppPath;
  std::map<uint32_t, std::string> m_savedStrings;
  int m_count = 0;
};

TEST_F(Unpack, TheTopLevelDescriptionIsTakenAndThePackageUnpacked) {
  const CString package = zip("src/My.Ext.yxp", {{"sub/other.kxi", "<other/>"},
                                                 {"sub/extension.kxi", "<deep/>"},
                                                 {"extension.kxi", "<top/>"},
                                                 {"files/a.txt", "a"}});
  const Unpacked u = unpack(package, CZorbPlexar::kPackageYxp);
  ASSERT_EQ(u.result, 0) << log();
  EXPECT_EQ(u.standalone, 0);
  EXPECT_EQ(narrow(engine.m_kxiFileName), "extension.kxi");
  // The install folder is named after the description.
  const std::string folder = narrow(u.installFolder);
  EXPECT_EQ(folder, temp() + ":extension_kxi:");
  EXPECT_EQ(narrow(u.description), folder + "extension.kxi");
  EXPECT_EQ(narrow(engine.m_workingFolder), folder);
  EXPECT_EQ(read(u.description), "<top/>");
  EXPECT_EQ(read(u.installFolder + u"sub:other.kxi"), "<other/>");
  EXPECT_TRUE(std::find(u.names.begin(), u.names.end(), "sub:other.kxi") != u.names.end());
  EXPECT_EQ(u.names.size(), 4u);
  EXPECT_TRUE(messages().empty());
}

TEST_F(Unpack, ADescriptionOnlyInASubFolderIsNoExtension) {
  const CString yxp = zip("src/deep.yxp", {{"sub/other.kxi", "<other/>"}, {"a.txt", "a"}});
  EXPECT_EQ(unpack(yxp, CZorbPlexar::kPackageYxp).result, -1);

  // The same as a legacy package.
  sandbox.writeFile("kxp/sub/other.kxi", "<other/>");
  CZorbKxpPackage kxp;
  ASSERT_EQ(kxp.Create(colon("src/deep.kxp"), 3), 0);
  kxp.SetRelativeRoot(colon("kxp/"));
  ASSERT_EQ(kxp.PackFile(colon("kxp/sub/other.kxi"), true, false), 0);
  ASSERT_EQ(kxp.PackComplete(), 0);
  EXPECT_EQ(unpack(colon("src/deep.kxp"), CZorbPlexar::kPackageKxp).result, -1);

  EXPECT_EQ(messages(), (Texts{"4223[" + narrow(yxp) + "] 4225",
                               "4216[" + narrow(colon("src/deep.kxp")) + "]"}));
  // Nothing was unpacked.
  EXPECT_TRUE(CZorbOS::IsDirectoryEmpty(wide(temp()).c_str()));
}

TEST_F(Unpack, AStandAloneBundleIsUnpackedIntoABundleFolder) {
  const CString package = zip("src/Service.Pack.yxp", {{"WBXS/manifest.xml", "<WBXS/>"},
                                                       {"META-INF/signatures.xml", "<signatures/>"},
                                                       {"lib/code.js", "js"}});
  const Unpacked u = unpack(package, CZorbPlexar::kPackageYxp);
  ASSERT_EQ(u.result, 0) << log();
  EXPECT_EQ(u.standalone, 1);
  EXPECT_EQ(narrow(engine.m_kxiFileName), "Service.Pack.kxi");
  const std::string install = narrow(u.installFolder);
  EXPECT_EQ(install.substr(install.size() - std::string(":Service_Pack_kxi:").size()),
            ":Service_Pack_kxi:");
  EXPECT_EQ(narrow(u.description), install + "Service.Pack.kxi");
  EXPECT_EQ(narrow(engine.m_workingFolder), install);
  // The files went into the bundle folder; the install folder waits for
  // the description.
  const std::string bundle = narrow(u.bundleFolder);
  EXPECT_NE(bundle.find(":SCZ"), std::string::npos) << bundle;
  EXPECT_EQ(read(u.bundleFolder + u":lib:code.js"), "js");
  EXPECT_TRUE(engine.isValidWBXSExtensionDir(u.bundleFolder));
  EXPECT_TRUE(CZorbOS::IsDirectoryEmpty(u.installFolder));

  // The UI writes the description from the bundle's manifest.
  ui.answerCreateKXIFromStandaloneWBXS(true);
  EXPECT_EQ(engine.CreateKxiForStandaloneWBXSYxp(package, u.bundleFolder), 0);
  CString bundlePosix, installPosix;
  ASSERT_TRUE(CZorbOS::convertPath(u.bundleFolder, bundlePosix));
  ASSERT_TRUE(CZorbOS::convertPath(u.installFolder, installPosix));
  const ScriptedUI::Call call = ui.calls().back();
  EXPECT_EQ(call.name, "CreateKXIFromStandaloneWBXS");
  EXPECT_EQ(narrow(call.args[0]), narrow(bundlePosix) + "/WBXS/manifest.xml");
  EXPECT_EQ(narrow(call.args[1]), narrow(installPosix) + "/Service.Pack.kxi");
  EXPECT_EQ(narrow(call.args[2]), "Service.Pack.yxp");
  ui.answerCreateKXIFromStandaloneWBXS(false);
  EXPECT_EQ(engine.CreateKxiForStandaloneWBXSYxp(package, u.bundleFolder), -1);
}

TEST_F(Unpack, ABundleListingNeedsBothFilesWhateverTheirCase) {
  const struct {
    Texts names;
    bool bundle;
  } cases[] = {
      {{"WBXS:manifest.xml", "META-INF:signatures.xml"}, true},
      {{"wbxs:MANIFEST.xml", "meta-inf:Signatures.XML", "x"}, true},
      {{"WBXS:manifest.xml"}, false},
      {{"META-INF:signatures.xml"}, false},
      {{":WBXS:manifest.xml", "META-INF:signatures.xml"}, false},
      {{"sub:WBXS:manifest.xml", "META-INF:signatures.xml"}, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(engine.isYXPWBXSExtension(wide(c.names)), c.bundle) << c.names[0];

  // A package with a manifest but no signatures is no bundle.
  const CString package = zip("src/half.yxp", {{"WBXS/manifest.xml", "<WBXS/>"}});
  EXPECT_EQ(unpack(package, CZorbPlexar::kPackageYxp).result, -1);
  EXPECT_EQ(messages(), (Texts{"4223[" + narrow(package) + "] 4225"}));
}

TEST_F(Unpack, AnUnreadablePackageIsReported) {
  sandbox.writeFile("src/broken.yxp", "not a zip at all");
  EXPECT_EQ(unpack(colon("src/broken.yxp"), CZorbPlexar::kPackageYxp).result, -1);
  EXPECT_EQ(messages(), (Texts{"4048 4043"}));
}

TEST_F(Unpack, ProgressFollowsTheNumberOfFiles) {
  std::map<std::string, std::string> eleven{{"extension.kxi", "<x/>"}};
  for (int i = 1; i < 11; ++i) eleven["f" + std::to_string(i) + ".txt"] = "f";
  Unpacked u = unpack(zip("src/eleven.yxp", eleven), CZorbPlexar::kPackageYxp, true);
  ASSERT_EQ(u.result, 0);
  EXPECT_EQ(u.step, 2);
  EXPECT_EQ(ui.names(), (Texts{"SetProgressCount", "UpdateProgress"}));
  EXPECT_EQ(narrow(ui.calls()[0].args[0]), "23");
  EXPECT_EQ(narrow(ui.calls()[1].args[0]), "2");

  const size_t before = ui.calls().size();
  u = unpack(zip("src/one.yxp", {{"extension.kxi", "<x/>"}}), CZorbPlexar::kPackageYxp, true);
  ASSERT_EQ(u.result, 0);
  EXPECT_EQ(u.step, 0);
  ASSERT_EQ(ui.calls().size(), before + 1);
  EXPECT_EQ(ui.calls().back().name, "SetProgressCount");
  EXPECT_EQ(narrow(ui.calls().back().args[0]), "1");
}

TEST_F(Unpack, TheInstallFolderIsFreshAndEndsInAColon) {
  engine.m_kxiFileName = u"My.Ext.kxi";
  // Left by a run that did not end: not to be mixed with the new files.
  ASSERT_TRUE(CZorbOS::CreateDirectory(wide(temp() + ":My_Ext_kxi").c_str(), true));
  CString stalePosix;
  ASSERT_TRUE(CZorbOS::convertPath(CString(wide(temp() + ":My_Ext_kxi").c_str()), stalePosix));
  TempDir::write(narrow(stalePosix) + "/stale.txt", "old");
  CZorbPath out;
  ASSERT_EQ(engine.createTempInstallPath(out), 0);
  EXPECT_EQ(narrow(out), temp() + ":My_Ext_kxi:");
  EXPECT_TRUE(CZorbOS::DirectoryExists(out));
  EXPECT_TRUE(CZorbOS::IsDirectoryEmpty(out));

  // Without a name: a folder of its own, never the temporary folder.
  engine.m_kxiFileName.Empty();
  CZorbPath other;
  ASSERT_EQ(engine.createTempInstallPath(other), 0);
  EXPECT_NE(narrow(other).find(":ins"), std::string::npos) << narrow(other);
  EXPECT_TRUE(CZorbOS::DirectoryExists(out));
}

TEST_F(Unpack, ABundleKeptAsAPackageIsUnpackedIntoANumberedFolder) {
  const CString bundle = zip(
      "src/bundle.yxp", {{"WBXS/manifest.xml", "<WBXS/>"}, {"META-INF/signatures.xml", "<s/>"}});
  sandbox.makeFolder("work/bundles");
  CString out = colon("work/bundles");
  ASSERT_TRUE(engine.PrepareWBXSExtensionFolder(u"", bundle, u"B", 2, out, 3));
  EXPECT_EQ(narrow(out), narrow(colon("work/bundles")) + ":3");
  EXPECT_TRUE(sandbox.exists("work/bundles/3/WBXS/manifest.xml"));

  // A folder the description names lies below the unpacked package.
  engine.m_sourceRoot = colon("unpacked/");
  out = u"unchanged";
  ASSERT_TRUE(engine.PrepareWBXSExtensionFolder(u"bundles/b1", bundle, u"B", 2, out, 4));
  EXPECT_EQ(narrow(out), narrow(colon("unpacked/")) + "bundles:b1");
  // A bundle of kind 1 needs nothing.
  out = u"unchanged";
  ASSERT_TRUE(engine.PrepareWBXSExtensionFolder(u"", bundle, u"B", 1, out, 5));
  EXPECT_EQ(narrow(out), "unchanged");

  // Not a package, and a package that can't be unpacked.
  sandbox.writeFile("src/bundle.zip", "z");
  out = colon("work/bundles");
  EXPECT_FALSE(engine.PrepareWBXSExtensionFolder(u"", colon("src/bundle.zip"), u"B", 2, out, 6));
  sandbox.writeFile("src/broken.yxp", "not a zip");
  out = colon("work/bundles");
  EXPECT_FALSE(engine.PrepareWBXSExtensionFolder(u"", colon("src/broken.yxp"), u"B", 2, out, 7));
  // Its folder is not left behind.
  EXPECT_FALSE(sandbox.exists("work/bundles/7"));
  EXPECT_EQ(messages(), (Texts{"4226[B]", "4222[" + narrow(colon("src/broken.yxp")) + "]"}));
}

TEST_F(Unpack, OnlyKxpAndYxpPackagesAreUnpackedAsFiles) {
  const CString yxp = zip("src/b.yxp", {{"a.txt", "a"}});
  sandbox.makeFolder("t1");
  int type = 0;
  EXPECT_TRUE(engine.UnpackFile(yxp, colon("t1"), type));
  EXPECT_EQ(type, CZorbPlexar::kPackageYxp);
  EXPECT_EQ(sandbox.readFile("t1/a.txt"), "a");

  sandbox.writeFile("src/b.YXP", "x");
  sandbox.makeFolder("t2");
  EXPECT_FALSE(engine.UnpackFile(colon("src/b.YXP"), colon("t2"), type));
  EXPECT_FALSE(sandbox.exists("t2"));
  EXPECT_NE(log().find("is not KXP or YXP file"), std::string::npos) << log();
}

TEST_F(Unpack, BundleManifestsAreReadThroughTheXmlProxy) {
  CZorbXmlPairsProxy proxy;
  CZorbGetXMLProxy::SetInstance(&proxy);
  const struct {
    std::string manifest;
    bool ok;
  } manifests[] = {
      {"<WBXS><Data key=\"com.vesko.b\">1.2.3</Data></WBXS>", true},
      {"<WBXS><Data key=\"a\">1</Data><Data key=\"b\">2</Data></WBXS>", false},
      {"<WBXS></WBXS>", false},
      {"<WBXS><Data key=", false},
  };
  for (const auto& m : manifests) {
    sandbox.writeFile("b/WBXS/manifest.xml", m.manifest);
    CString id, version;
    EXPECT_EQ(engine.GetWBXSIdAndVersion(colon("b"), id, version), m.ok) << m.manifest;
    if (m.ok) {
      EXPECT_EQ(narrow(id), "com.vesko.b");
      EXPECT_EQ(narrow(version), "1.2.3");
    }
  }
  CString id, version;
  EXPECT_FALSE(engine.GetWBXSIdAndVersion(colon("nothing"), id, version));

  const struct {
    std::string version;
    bool is14;
  } formats[] = {{"1.4", true}, {"1.40", false}, {"1.4 ", false}, {"1.3", false}};
  for (const auto& f : formats) {
    sandbox.writeFile("b/META-INF/manifest.xml",
                      "<WBXS><Version key=\"version\">" + f.version + "</Version></WBXS>");
    EXPECT_EQ(engine.isWBXS1_4ExtensionDir(colon("b")), f.is14) << "'" << f.version << "'";
  }
  EXPECT_FALSE(engine.isWBXS1_4ExtensionDir(colon("nothing")));

  CZorbGetXMLProxy::SetInstance(nullptr);
  EXPECT_FALSE(engine.GetWBXSIdAndVersion(colon("b"), id, version));
  EXPECT_FALSE(engine.isWBXS1_4ExtensionDir(colon("b")));
}

TEST_F(Unpack, APackageIsValidatedByItsPosixPath) {
  sandbox.writeFile("src/p.yxp", "p");
  ui.answerValidation(true, {u"Ext", u"1", u"Vesko", u"trusted"});
  CZorbTypedVector<CString> results;
  EXPECT_TRUE(engine.validateNonWBXS(u"Ext", colon("src/p.yxp"), results));
  EXPECT_EQ(narrow(results), (Texts{"Ext", "1", "Vesko", "trusted"}));
  ASSERT_EQ(ui.calls().size(), 1u);
  EXPECT_EQ(narrow(ui.calls()[0].args[0]), "0");
  EXPECT_EQ(narrow(ui.calls()[0].args[1]), "Ext");
  EXPECT_EQ(narrow(ui.calls()[0].args[2]), sandbox.posix("src/p.yxp"));
  EXPECT_TRUE(messages().empty());
}

TEST_F(Unpack, ARefusedValidationStopsWithAMessage) {
  sandbox.writeFile("src/p.yxp", "p");
  // Refused, declined or failed alike; and an answer of another count.
  ui.answerValidation(false, {});
  ui.answerValidation(true, {u"Ext", u"1", u"Vesko"});
  ui.answerValidation(true, {u"a", u"1", u"b", u"c", u"d", u"1", u"e", u"f"});
  for (int i = 0; i < 3; ++i) {
    CZorbTypedVector<CString> results;
    EXPECT_FALSE(engine.validateNonWBXS(u"Ext", colon("src/p.yxp"), results)) << i;
  }
  EXPECT_EQ(messages(), Texts(3, "4235[Ext] 4043"));

  // Bundles: texts that don't make whole groups.
  CZorbPlexar::WBXSMap bundles;
  sandbox.makeFolder("b1");
  bundles[u"k"] = {u"com.b", u"1", {colon("b1"), u"", true}};
  ui.answerValidation(true, {u"com.b", u"1", u"Vesko"});
  ui.answerValidation(false, {});
  for (int i = 0; i < 2; ++i) {
    CZorbTypedVector<CString> results;
    EXPECT_FALSE(engine.validateWBXS(u"Ext", bundles, results));
  }
  EXPECT_EQ(messages(), Texts(5, "4235[Ext] 4043"));

  // Without a UI nothing is valid.
  CZorbPlexar alone(nullptr);
  CZorbTypedVector<CString> results;
  EXPECT_FALSE(alone.validateNonWBXS(u"Ext", colon("src/p.yxp"), results));
}

TEST_F(Unpack, BundlesAreValidatedInKeyOrder) {
  sandbox.makeFolder("b1");
  sandbox.makeFolder("b2");
  CZorbPlexar::WBXSMap bundles;
  bundles[u"z"] = {u"com.z", u"1", {colon("b2"), u"", true}};
  bundles[u"a"] = {u"com.a", u"2", {colon("b1"), u"", true}};
  ui.answerValidation(true, {u"com.a", u"1", u"P", u"trusted", u"com.z", u"0", u"", u"none"});
  CZorbTypedVector<CString> results;
  EXPECT_TRUE(engine.validateWBXS(u"Ext", bundles, results));
  ASSERT_EQ(ui.calls().size(), 1u);
  const ScriptedUI::Call call = ui.calls()[0];
  Texts args;
  for (const std::u16string& a : call.args) args.push_back(narrow(a));
  EXPECT_EQ(args, (Texts{"1", "Ext", "com.a", sandbox.posix("b1"), "com.z", sandbox.posix("b2")}));
  EXPECT_EQ(results.size(), 8u);
}

TEST_F(Unpack, WholeGroupsOfResultsBecomeSignatures) {
  CZorbExtension extension;
  engine.addSignInfo(&extension, wide({"Ext", "1", "Vesko Test", "trusted", "left", "over"}), u"0");
  ASSERT_EQ(extension.m_signInfos.m_children.size(), 1u);
  const auto* info =
      dynamic_cast<const CZorbExtensionSignInfo*>(extension.m_signInfos.m_children.front());
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(narrow(info->m_name), "Ext");
  EXPECT_TRUE(info->m_signed);
  EXPECT_EQ(narrow(info->m_publisher), "Vesko Test");
  EXPECT_EQ(narrow(info->m_certificateType), "trusted");
  EXPECT_EQ(narrow(info->m_extensionType), "0");

  engine.addSignInfo(&extension, wide({"B", "0", "", "none"}), u"1");
  ASSERT_EQ(extension.m_signInfos.m_children.size(), 2u);
  const auto* second =
      dynamic_cast<const CZorbExtensionSignInfo*>(extension.m_signInfos.m_children.back());
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(second->m_signed);
}

}  // namespace
