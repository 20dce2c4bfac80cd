#include "messaging/PDBConnector.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "messaging/ArborTalkUtils.h"
#include "messaging/PDBInitLists.h"
#include "messaging/PDBIterator.h"
#include "messaging/PDBRemoveFromGroup.h"
#include "messaging/PDBWrapper.h"
#include "messaging/SharedLib.h"
#include "messaging/Specifier.h"
#include "messaging/tests/AlertCapture.h"
#include "messaging/tests/FakeInterAppStream.h"
#include "messaging/tests/MemoryConnector.h"
#include "testsupport/TarnFixture.h"
#include "testsupport/TempDir.h"

using Velt::AKConnectorAppInfo;
using Velt::PDBConnector;
using Velt::VtString;
using Specifier = Velt::ArborTalk::Specifier;
using testsupport::TarnFixture;

namespace {

std::string text(const VtString& s) {
  return std::string(s.get(), static_cast<size_t>(s.length()));
}

// The laid-out program holds the library; the fixture's databases are the
// ones it reads.
class ProductDatabase : public ::testing::Test {
 protected:
  ProductDatabase() {
    Velt::ArborTalkUtils::SharedLib::setApplicationBundle(PLEXAR_BINARY_DIR "/Plexar.app");
  }
  ~ProductDatabase() override { Velt::ArborTalkUtils::SharedLib::setApplicationBundle(""); }

  PDBConnector* connect() { return new PDBConnector("plexo-5.0", true, PDBConnector::kOpal); }

  std::vector<std::string> specifiers(const PDBConnector& connector) {
    std::vector<std::string> out;
    for (int32_t i = 0; i < connector.getNumberOfRegisteredApplications(); ++i)
      out.push_back(text(connector.getApplicationSpecifier(i)));
    return out;
  }
  std::vector<std::string> groups(const PDBConnector& connector) {
    std::vector<std::string> out;
    if (const auto* list = connector.getGroupsCache())
      for (int32_t i = 0; i < list->length(); ++i) out.push_back(text(*(*list)[i]));
    return out;
  }
  AKConnectorAppInfo entry(const PDBConnector& connector, const char* specifier) {
    AKConnectorAppInfo info;
    const auto* list = connector.getAppInfoList();
    EXPECT_TRUE(list && list->find(specifier, info)) << specifier;
    return info;
  }

  // Probes of fixed names reach no other process.
  ScopedFakeStreams fakes;
  ScopedLocale locale{"en_US"};
  TempDir dir;
  TarnFixture tarn{dir.path()};
};

TEST_F(ProductDatabase, EveryKeyFillsItsField) {
  tarn.registerApplication("Full", {{"Specifier", "Full-2.0-EN_US"},
                                    {"Path", "/Apps/Full.app"},
                                    {"WindowClassName", "FullWindow"},
                                    {"DisplayName", "Full Application"},
                                    {"BundleIdentifier", "com.vesko.full"},
                                    {"ArborTalkVersion", "1.5"},
                                    {"AllowMultipleInstances", "true"},
                                    {"IsShellTool", "true"},
                                    {"SupportsORKT", "true"},
                                    {"MessageAuthentication", "false"},
                                    {"MessageDigest", "yes"},
                                    {"ExecutableBasename", "FullExe"},
                                    {"ExecutableExtensionMac", "bin"},
                                    {"OMVDictionary", "full.omv"},
                                    {"DeveloperInstallPath", "/Dev/Full.app"},
                                    {"RedirectTo", "missing-1.0"},
                                    {"SomethingElse", "x"}});
  tarn.registerApplication("code", {{"ProductCode", "Coded-1.0"},
                                    {"Path", "/Apps/Coded.app"},
                                    {"AllowMultipleInstances", "TRUE"},
                                    {"ExecutableExtensionMac", ""}});
  AlertCapture alerts;
  PDBConnector connector("plexo-5.0", true, PDBConnector::kOpal);
  ASSERT_TRUE(connector.isGood());
  EXPECT_EQ(specifiers(connector), (std::vector<std::string>{"full-2.0-en_us", "coded-1.0"}));

  const AKConnectorAppInfo full = entry(connector, "full-2.0-en_us");
  EXPECT_EQ(text(full.mLocation), "/Apps/Full.app");
  EXPECT_EQ(text(full.mWindowClassName), "FullWindow");
  EXPECT_EQ(text(full.mDisplayName), "Full Application");
  EXPECT_EQ(text(full.mBundleIdentifier), "com.vesko.full");
  EXPECT_EQ(full.mArborTalkVersion, 1.5);
  EXPECT_TRUE(full.mAllowMultipleInstances);
  EXPECT_TRUE(full.mIsShellTool);
  EXPECT_TRUE(full.mSupportsORKT);
  EXPECT_FALSE(full.mMessageAuthentication);
  EXPECT_FALSE(full.mMessageDigest);  // only "true" is true
  EXPECT_EQ(text(full.mExecutableBasename), "FullExe");
  EXPECT_EQ(text(full.mExecutableExtension), "bin");
  EXPECT_EQ(text(full.mOMVDictionary), "full.omv");
  EXPECT_EQ(text(full.mDeveloperInstallPath), "/Dev/Full.app");
  EXPECT_EQ(text(full.mRedirectTo), "missing-1.0");
  EXPECT_EQ(alerts.count("PDBConnector: Ignoring unknown key (/vesko/arbortalk/Full, "
                         "key=SomethingElse)"),
            1);

  const AKConnectorAppInfo coded = entry(connector, "coded-1.0");
  EXPECT_FALSE(coded.mAllowMultipleInstances);
  EXPECT_TRUE(coded.mMessageAuthentication);
  EXPECT_EQ(coded.mArborTalkVersion, 2.0);
  EXPECT_EQ(text(coded.mExecutableExtension), "");
  // The window class defaults to the application name.
  EXPECT_EQ(text(coded.mWindowClassName), "coded");
  EXPECT_FALSE(connector.getMessageAuthentication("full-2.0-en_us"));
  EXPECT_EQ(text(connector.getName()), "PDB");
}

TEST_F(ProductDatabase, LocationsComeFromPathsPayloadsRedirectsAndTrustedAddresses) {
  // By specifier, with a stored path.
  tarn.registerApplication("lumen-9.0-en_us", {{"Specifier", "lumen-9.0-en_us"},
                                               {"Path", "/Applications/Lumen 9/Lumen.app"}});
  // Through the installer payload that names it: its configuration path
  // loses five components.
  tarn.registerApplication("emberly-9.0",
                           {{"ProductCode", "emberly-9.0"}, {"ExecutableBasename", "Emberly"}});
  tarn.setDomainData(1, "{PAYLOAD-E}", "ArborTalkCode", "/vesko/arbortalk/Emberly-9.0");
  tarn.setDomainData(1, "{PAYLOAD-E}", "ArborTalkCode1", "/vesko/arbortalk/emberly-9.5");
  tarn.addPayload("{PAYLOAD-E}");
  tarn.setPayloadData("{PAYLOAD-E}", 4, "KMTConfigPath",
                      "/Applications/Emberly 9/Config/a/b/c/kmt.xml");
  tarn.registerApplication(
      "emberly-9.5",
      {{"ExecutableBasename", "Emberly"}, {"IsShellTool", "true"}, {"ExecutableExtensionMac", ""}});
  // Redirected to the entry of another application.
  tarn.registerApplication("arbor-2.0", {{"RedirectTo", "lumen-9.0-en_us"}});
  // An https address on the maker's domain.
  tarn.registerApplication("web-1.0", {{"ExecutableBasename", "https://apps.vesko.com/web"}});
  tarn.registerApplication("fake-1.0", {{"ExecutableBasename", "https://evilvesko.com/web"}});
  // No location anywhere: dropped.
  tarn.registerApplication("nowhere-1.0", {{"DisplayName", "Nowhere"}});
  tarn.addGroupEntry("WB/3/Arbor-2.0");
  tarn.addGroupEntry("wb/3/lumen-9.0");

  PDBConnector connector("plexo-5.0", true, PDBConnector::kOpal);
  ASSERT_TRUE(connector.isGood());
  EXPECT_EQ(specifiers(connector),
            (std::vector<std::string>{"lumen-9.0-en_us", "emberly-9.0", "emberly-9.5", "arbor-2.0",
                                      "web-1.0"}));
  EXPECT_EQ(text(connector.getApplicationPath("emberly-9.0", nullptr)),
            "/Applications/Emberly 9/Emberly.app");
  EXPECT_EQ(text(connector.getApplicationPath("emberly-9.5", nullptr)),
            "/Applications/Emberly 9/Emberly.term");
  EXPECT_EQ(text(connector.getApplicationPath("arbor-2.0", nullptr)),
            "/Applications/Lumen 9/Lumen.app");
  EXPECT_EQ(text(connector.getApplicationPath("web-1.0", nullptr)), "https://apps.vesko.com/web");
  EXPECT_EQ(groups(connector), (std::vector<std::string>{"wb/3/arbor-2.0", "wb/3/lumen-9.0"}));

  // The registry serves completion and group resolution.
  ScopedConnector scope(connect());
  EXPECT_EQ(text(Specifier("Lumen", true)), "lumen-9.0-en_us");
  EXPECT_EQ(text(Specifier("emberly", true)), "emberly-9.5");
  EXPECT_EQ(text(Velt::ArborTalkConnector::get()->findPreferredApp("arbor-2.0", "lumen", "wb")),
            "lumen-9.0-en_us");
}

TEST_F(ProductDatabase, TheConfigurationPathIsLookedForInThreePlaces) {
  tarn.registerApplication("a-1.0", {{"ExecutableBasename", "A"}});
  tarn.registerApplication("b-1.0", {{"ExecutableBasename", "B"}});
  tarn.registerApplication("c-1.0", {{"ExecutableBasename", "C"}});
  tarn.registerApplication("d-1.0", {{"ExecutableBasename", "D"}});
  const char* const payloads[] = {"{A}", "{B}", "{C}", "{D}"};
  const char* const codes[] = {"a-1.0", "b-1.0", "c-1.0", "d-1.0"};
  for (int i = 0; i < 4; ++i) {
    tarn.addPayload(payloads[i]);
    tarn.setDomainData(1, payloads[i], "ArborTalkCode",
                       std::string("/vesko/arbortalk/") + codes[i]);
  }
  // The installer's payload data comes first, then the product database,
  // then the installer's base domain; an empty value counts as none.
  tarn.setPayloadData("{A}", 4, "KMTConfigPath", "/1/2/3/4/5/a/x.xml");
  tarn.setPayloadData("{A}", 0, "KMTConfigPath", "/wrong/2/3/4/5/a/x.xml");
  tarn.setPayloadData("{B}", 4, "KMTConfigPath", "");
  tarn.setDomainData(1, "{B}", "KMTConfigPath", "/1/2/3/4/5/b/x.xml");
  tarn.setPayloadData("{C}", 0, "KMTConfigPath", "/1/2/3/4/5/c/x.xml");
  // Codes are read until one is missing: d's second code is never seen.
  tarn.setDomainData(1, "{D}", "ArborTalkCode2", "/vesko/arbortalk/a-1.0");

  PDBConnector connector("plexo-5.0", true, PDBConnector::kOpal);
  EXPECT_EQ(text(connector.getApplicationPath("a-1.0", nullptr)), "/1/2/A.app");
  EXPECT_EQ(text(connector.getApplicationPath("b-1.0", nullptr)), "/1/2/B.app");
  EXPECT_EQ(text(connector.getApplicationPath("c-1.0", nullptr)), "/1/2/C.app");
  EXPECT_EQ(connector.getNumberOfRegisteredApplications(), 3);  // d has no location
}

TEST_F(ProductDatabase, HostsRegisteredThroughAPayloadLieAboveItsConfiguration) {
  tarn.registerApplication("lumen-9.0-en_us", {{"ExecutableBasename", "Lumen"}});
  tarn.registerApplication("lumen-10.0-en_us", {{"ExecutableBasename", "Lumen 10"}});
  tarn.registerPayload("{LUMEN}", "/Applications/Lumen/Config/a/b/c/kmt.xml",
                       {"lumen-9.0-en_us", "Lumen-10.0-EN_US"});
  PDBConnector connector("plexo-5.0", true, PDBConnector::kOpal);
  EXPECT_EQ(text(connector.getApplicationPath("lumen-9.0-en_us", nullptr)),
            "/Applications/Lumen/Lumen.app");
  EXPECT_EQ(text(connector.getApplicationPath("lumen-10.0-en_us", nullptr)),
            "/Applications/Lumen/Lumen 10.app");
}

TEST(PDBInitLists, LocationFromAConfigurationPath) {
  const struct {
    const char* path;
    const char* basename;
    const char* extension;
    bool shellTool;
    const char* developerPath;
    const char* expected;
  } cases[] = {
      {"/A/B/C/D/E/F/G.xml", "Tool", "app", false, "", "/A/B/Tool.app"},
      {"/A/B/C/D/E.xml", "Tool", "app", false, "", ""},
      {"/A/B/C/D/E/F.xml", "Tool", "app", false, "", "/A/Tool.app"},
      {"/A/B/C", "Tool", "app", false, "", "/A/B/C/Tool.app"},  // no "." : taken whole
      {"kmt.xml", "Tool", "app", false, "", ""},
      {"/A/B/C/D/E/F/G.xml", "Tool", "", true, "", "/A/B/Tool.term"},
      {"/A/B/C/D/E/F/G.xml", "Tool", "", false, "", "/A/B/Tool.app"},
      {"/A/B/C/D/E/F/G.xml", "Tool", "exe", true, "", "/A/B/Tool.exe"},
      {"/A/B/C/D/E/F/G.xml", "", "app", false, "", ""},
      {"/A/B/C/D/E/F/G.xml", "Tool", "app", false, "/Dev/Tool.app", "/Dev/Tool.app"},
      {"", "Tool", "app", false, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    AKConnectorAppInfo info;
    info.mSpecifier = "tool-1.0";
    info.mExecutableBasename = c.basename;
    info.mExecutableExtension = c.extension;
    info.mIsShellTool = c.shellTool;
    info.mDeveloperInstallPath = c.developerPath;
    EXPECT_EQ(text(Velt::PDBInitLists::getLocationFromKMTConfigPath(info, c.path)), c.expected);
  }
}

TEST(PDBIterator, OnlyHostsOfTheMakersDomainAreTrusted) {
  const struct {
    const char* text;
    bool trusted;
  } cases[] = {
      {"https://apps.vesko.com/web", true},     {"https://a.b.VESKO.com", true},
      {"https://apps.vesko.com?x=1", true},     {"https://evilvesko.com/web", false},
      {"https://vesko.com/web", false},         {"https://vesko.com.evil.org/", false},
      {"https://evil.org?.vesko.com/", false},  {"https://evil.org#.vesko.com/", false},
      {"https://evil.org@x.vesko.com/", false}, {"https://apps.vesko.com:8443/web", false},
      {"http://apps.vesko.com/web", false},     {"Tool", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(text(Velt::PDBIterator::trustedURL(c.text)), c.trusted ? c.text : "");
  }
}

TEST_F(ProductDatabase, SpecifiersFromSubdomainNamesKeepTheirCase) {
  tarn.registerApplication("Named-1.0", {{"Path", "/Apps/Named.app"}});
  tarn.registerApplication("x", {{"Path", "/Apps/X.app"}});  // too short a name
  PDBConnector connector("plexo-5.0", true, PDBConnector::kOpal);
  EXPECT_EQ(specifiers(connector), (std::vector<std::string>{"Named-1.0"}));
}

TEST_F(ProductDatabase, AnEmptyDatabaseIsAnEmptyRegistry) {
  PDBConnector connector("plexo-5.0", true, PDBConnector::kOpal);
  EXPECT_TRUE(connector.isGood());
  EXPECT_EQ(connector.getNumberOfRegisteredApplications(), 0);
  ASSERT_NE(connector.getGroupsCache(), nullptr);
  EXPECT_EQ(connector.getGroupsCache()->length(), 0);
}

TEST_F(ProductDatabase, WithoutTheDatabaseThereIsNoConnector) {
  std::filesystem::remove(tarn.productDatabase());
  AlertCapture alerts;
  PDBConnector connector("plexo-5.0", true, PDBConnector::kOpal);
  EXPECT_FALSE(connector.isGood());
  EXPECT_EQ(alerts.count("PDBWrapper - pdbOpenSessionNoCreate() failed."), 1);
  EXPECT_EQ(Velt::ArborTalkUtils::createConnector("plexo-5.0", ""), nullptr);
  // Nor without the library.
  Velt::ArborTalkUtils::SharedLib::setApplicationBundle((dir.path() + "/Nowhere.app").c_str());
  EXPECT_EQ(Velt::ArborTalkUtils::SharedLib::loadPDBLibrary("vesko_tarn.framework"), nullptr);
  Velt::PDBWrapper wrapper(true, 1);
  EXPECT_FALSE(wrapper.isGood());
  uint32_t time = 5;
  EXPECT_EQ(wrapper.pdbGetLastModTime(&time), Velt::PDBWrapper::kLibraryNotLoaded);
  EXPECT_EQ(time, 0u);
}

TEST_F(ProductDatabase, WithoutTheInstallerDatabaseOnlyStoredPathsCount) {
  tarn.registerApplication("a-1.0", {{"ExecutableBasename", "A"}, {"Path", "/Apps/A.app"}});
  tarn.registerApplication("b-1.0", {{"ExecutableBasename", "B"}});
  tarn.setDomainData(1, "{B}", "ArborTalkCode", "/vesko/arbortalk/b-1.0");
  tarn.addPayload("{B}");
  tarn.setPayloadData("{B}", 4, "KMTConfigPath", "/1/2/3/4/5/b/x.xml");
  std::filesystem::remove(tarn.installerDatabase());
  PDBConnector connector("plexo-5.0", true, PDBConnector::kOpal);
  EXPECT_EQ(specifiers(connector), (std::vector<std::string>{"a-1.0"}));
  Velt::PDBWrapper wrapper(true, 1);
  tarnTextList payloads = nullptr;
  EXPECT_EQ(wrapper.tarnGetPayloads(4, &payloads), Velt::PDBWrapper::kNoInstallerSession);
  EXPECT_EQ(wrapper.tarnAddPayload("{X}"), Velt::PDBWrapper::kNotSupported);
}

TEST_F(ProductDatabase, TheConnectorOfTheLibraryIsNamedPDB) {
  EXPECT_EQ(Velt::ArborTalkConnector::InitTerm::init("plexo-5.0"), true);
  Velt::ArborTalkConnector* current = Velt::ArborTalkConnector::get();
  ASSERT_NE(current, nullptr);
  EXPECT_EQ(text(current->getName()), "PDB");
  EXPECT_EQ(text(current->getApplicationSpecifier(-1)), "plexo-5.0");
  // Once there is one, init keeps it.
  EXPECT_TRUE(Velt::ArborTalkConnector::InitTerm::init("other-1.0"));
  EXPECT_EQ(Velt::ArborTalkConnector::get(), current);
  Velt::ArborTalkConnector::set(nullptr);

  for (const char* name : {"", "default", "PDB"}) {
    Velt::ArborTalkConnector* made = Velt::ArborTalkUtils::createConnector("plexo-5.0", name);
    ASSERT_NE(made, nullptr) << name;
    EXPECT_EQ(text(made->getName()), "PDB");
    delete made;
  }
  EXPECT_EQ(Velt::ArborTalkUtils::createConnector("plexo-5.0", "XML"), nullptr);

  AlertCapture alerts;
  const struct {
    bool master;
    int32_t key;
    const char* name;
  } names[] = {
      {true, PDBConnector::kInstaller, "PDB-master-installer"},
      {true, PDBConnector::kKmt, "PDB-master-kmt"},
      {false, PDBConnector::kOpal, "PDB-cache-opal"},
      {false, PDBConnector::kKlm, "PDB-cache-klm"},
      {true, PDBConnector::kKvu, "PDB-master-kvu"},
      {true, 9, "PDB-master"},
  };
  for (const auto& n : names)
    EXPECT_EQ(text(PDBConnector("plexo-5.0", n.master, n.key).getName()), n.name);
  EXPECT_GE(alerts.count("Unknown domain key"), 2);
}

TEST_F(ProductDatabase, ChangedModificationTimesReloadTheRegistry) {
  tarn.registerApplication("a-1.0", {{"Path", "/Apps/A.app"}});
  tarn.setModificationTimes(1000, 2000);
  PDBConnector connector("plexo-5.0", true, PDBConnector::kOpal);
  // Nothing is refreshed before the registry was loaded once.
  EXPECT_FALSE(connector.updateCache(false));
  EXPECT_EQ(specifiers(connector), (std::vector<std::string>{"a-1.0"}));
  EXPECT_EQ(connector.getTimestamp(), 2000u);
  EXPECT_FALSE(connector.updateCache(false));

  tarn.registerApplication("b-1.0", {{"Path", "/Apps/B.app"}});
  tarn.setModificationTimes(1000, 2000);
  EXPECT_FALSE(connector.updateCache(false));  // the times tell of no change
  EXPECT_EQ(specifiers(connector), (std::vector<std::string>{"a-1.0"}));

  // The product database changed.
  tarn.setModificationTimes(1500, 2000);
  EXPECT_TRUE(connector.updateCache(false));
  EXPECT_EQ(specifiers(connector), (std::vector<std::string>{"a-1.0", "b-1.0"}));
  // The installer database changed.
  tarn.registerApplication("c-1.0", {{"Path", "/Apps/C.app"}});
  tarn.setModificationTimes(1500, 2500);
  EXPECT_TRUE(connector.updateCache(false));
  EXPECT_EQ(specifiers(connector), (std::vector<std::string>{"a-1.0", "b-1.0", "c-1.0"}));
  tarn.registerApplication("d-1.0", {{"Path", "/Apps/D.app"}});
  tarn.setModificationTimes(1500, 2500);
  // A forced refresh reloads at once; nothing runs to be registered.
  EXPECT_FALSE(connector.updateCache(true));
  EXPECT_EQ(connector.getNumberOfRegisteredApplications(), 4);
}

TEST_F(ProductDatabase, AnUnreadableValueLosesOnlyItsApplication) {
  tarn.registerApplication("a-1.0", {{"Path", "/Apps/A.app"}});
  tarn.registerApplication("b-1.0", {{"Path", "/Apps/B.app"}, {"Broken", "x"}});
  tarn.registerApplication("c-1.0", {{"Path", "/Apps/C.app"}});
  tarn.addGroupEntry("wb/1/a-1.0");
  tarn.addGroupEntry("wb/1/broken-1.0");
  tarn.setDomainData(1, TarnFixture::kGroupSubdomain, "GroupBroken", "wb/1/never");
  tarn.addGroupEntry("wb/1/c-1.0");
  // Reading the value of a key "Broken" or "GroupBroken" fails: the view
  // computes it with an integer overflow.
  tarn.productSql(
      "ALTER TABLE domain_data RENAME TO stored;"
      "CREATE VIEW domain_data AS SELECT seq, domain, subdomain, key,"
      " CASE WHEN key LIKE '%Broken' THEN abs(-9223372036854775807 - 1) ELSE value END AS value"
      " FROM stored;");
  AlertCapture alerts;
  PDBConnector connector("plexo-5.0", true, PDBConnector::kOpal);
  ASSERT_TRUE(connector.isGood());
  EXPECT_EQ(specifiers(connector), (std::vector<std::string>{"a-1.0", "c-1.0"}));
  EXPECT_EQ(groups(connector),
            (std::vector<std::string>{"wb/1/a-1.0", "wb/1/broken-1.0", "wb/1/c-1.0"}));
  EXPECT_GE(alerts.count("PDBConnector: Error while retrieving value for key "
                         "(/vesko/arbortalk/b-1.0, key=Broken)"),
            1);
}

TEST_F(ProductDatabase, GroupChangesStayInMemoryInByteOrder) {
  tarn.addGroupEntry("wb/2/b-1.0");
  tarn.addGroupEntry("wb/4/a-1.0");
  PDBConnector connector("plexo-5.0", true, PDBConnector::kOpal);
  const VtString three("3");
  EXPECT_TRUE(connector.addToGroup(Specifier("c-1.0-en_us", false), "WB", &three));
  EXPECT_TRUE(connector.addToGroup(Specifier("a-1.0", false), "wb", nullptr));
  EXPECT_TRUE(connector.addToGroup(Specifier("c-1.0", false), "wb", &three));  // already there
  EXPECT_FALSE(connector.addToGroup(Specifier("c-1.0", false), "", &three));
  EXPECT_EQ(groups(connector),
            (std::vector<std::string>{"wb/2/b-1.0", "wb/3/c-1.0", "wb/4/a-1.0", "wb/a-1.0"}));
  const VtString two("2");
  EXPECT_TRUE(connector.removeFromGroup(Specifier("b-1.0", false), "wb", &two));
  EXPECT_TRUE(connector.removeFromGroup(Specifier("z-1.0", false), "wb", &three));
  EXPECT_EQ(groups(connector), (std::vector<std::string>{"wb/3/c-1.0", "wb/4/a-1.0", "wb/a-1.0"}));
  // The database is not written.
  PDBConnector fresh("plexo-5.0", true, PDBConnector::kOpal);
  EXPECT_EQ(groups(fresh), (std::vector<std::string>{"wb/2/b-1.0", "wb/4/a-1.0"}));
  // Nor are registrations.
  EXPECT_TRUE(connector.registerApplication(Specifier("new-1.0", false), "/Apps/New.app", nullptr,
                                            false, false));
  EXPECT_EQ(connector.getNumberOfRegisteredApplications(), 1);
  EXPECT_EQ(fresh.getNumberOfRegisteredApplications(), 0);
}

// skipImport is for the connector's import; it is reached through a
// subclass here.
class ImportingConnector : public PDBConnector {
 public:
  ImportingConnector() : PDBConnector("plexo-5.0", true, kOpal) {}
  using PDBConnector::skipImport;
};

TEST_F(ProductDatabase, ImportsNeverReplaceDatabaseEntries) {
  tarn.registerApplication("a-1.0", {{"Path", "/Apps/A.app"}});
  ImportingConnector connector;
  AKConnectorAppInfo info;
  info.mSpecifier = "a-1.0";
  EXPECT_TRUE(connector.skipImport(info));
  info.mSpecifier = "b-1.0";
  EXPECT_FALSE(connector.skipImport(info));
}

TEST_F(ProductDatabase, RemovingOneGroupEntryFromTheDatabase) {
  tarn.addGroupEntry("wb/1/a-1.0");
  tarn.addGroupEntry("wb/2/a-1.0");
  tarn.addGroupEntry("wb/1/a-1.0");
  {
    Velt::PDBWrapper wrapper(true, 1);
    Velt::PDBRemoveFromGroup remover("wb/1/a-1.0");
    EXPECT_TRUE(remover.run(wrapper));
    EXPECT_FALSE(remover.notFound());
    Velt::PDBRemoveFromGroup absent("wb/9/a-1.0");
    EXPECT_TRUE(absent.run(wrapper));
    EXPECT_TRUE(absent.notFound());
  }
  PDBConnector connector("plexo-5.0", true, PDBConnector::kOpal);
  EXPECT_EQ(groups(connector), (std::vector<std::string>{"wb/2/a-1.0", "wb/1/a-1.0"}));
}

}  // namespace
