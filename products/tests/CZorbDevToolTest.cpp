#include "products/CZorbDevTool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "foundation/CZorbGetXMLProxy.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbXmlPairs.h"
#include "products/tests/ProductTestSupport.h"
#include "testsupport/FakeMachine.h"

using testsupport::FakeHost;
using testsupport::FakeMachine;

namespace {

CString get(const CZorbProduct& product, void (CZorbProduct::*getter)(CString&) const) {
  CString out;
  (product.*getter)(out);
  return out;
}

class DevTool : public ::testing::Test {
 protected:
  DevTool() {
    CZorbGetXMLProxy::SetInstance(&proxy);
    CZorbProduct::SetPinger(&FakeMachine::pingCurrent);
    CZorbProduct::_defaultLocale.Empty();
    CZorbProduct::_SystemToken.clear();
    CZorbOS::ResetMultiUserMembersForTest();
    CZorbOS::InitMultiUserMembers();
  }
  ~DevTool() override {
    CZorbOS::ResetMultiUserMembersForTest();
    CZorbProduct::SetPinger(nullptr);
    CZorbGetXMLProxy::SetInstance(nullptr);
  }

  // Both releases ship as the same package in the web host's folder.
  static FakeHost tool(const std::string& version) {
    FakeHost host;
    host.name = "TesselBuilder_1_5";
    host.folder = "Applications/Quillory Loomwright QV 2004";
    host.signature = "TslB";
    host.version = version;
    return host;
  }

  CZorbXmlPairsProxy proxy;
  producttest::MessageTexts texts;
};

}  // namespace

TEST_F(DevTool, NamesOfBothReleases) {
  CZorbTesselBuilder1 one;
  CZorbTesselBuilder1_5 oneFive;
  const struct {
    CZorbTesselBuilder1* product;
    const char16_t* name;
    const char16_t* version;
    const char16_t* executable;
  } rows[] = {{&one, u"Tessel Builder", u"1.0", u"TesselBuilder_1"},
              {&oneFive, u"Tessel Builder 1.5", u"1.5", u"Tessel Builder"}};
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.product->GetAppSignatureVersion());
    CZorbTesselBuilder1& p = *r.product;
    EXPECT_EQ(get(p, &CZorbProduct::GetName), r.name);
    EXPECT_EQ(get(p, &CZorbProduct::GetBinFolderName), r.name);
    CString version;
    p.GetVersionAsString(version);
    EXPECT_EQ(version, r.version);
    EXPECT_EQ(get(p, &CZorbProduct::GetExecutableFileName), r.executable);
    EXPECT_EQ(get(p, &CZorbProduct::GetExecutablePackageName), u"TesselBuilder_1_5");
    EXPECT_EQ(get(p, &CZorbProduct::GetDebugExecutableFileName), u"Tessel BuilderD");
    EXPECT_EQ(p.GetAppSignature(), platform::fourCC("TslB"));
    EXPECT_EQ(p.GetAppSignatureVersion(), 1u);
    EXPECT_TRUE(p.SupportsMultiUser());
    EXPECT_TRUE(p.SupportsMultiUserAdmin());
    // The rest is the web host's version 7.
    EXPECT_EQ(get(p, &CZorbProduct::GetApplicationFolderName), u"Quillory Loomwright QV 2004");
    EXPECT_EQ(get(p, &CZorbProduct::GetConfigurationFolderName), u"Configuration");
    EXPECT_EQ(get(p, &CZorbProduct::GetBazaarName), u"loomwright");
    EXPECT_EQ(get(p, &CZorbProduct::GetProductFamily), u"Loomwright");
    CZorbVersionNumber low, high;
    p.GetAppVersionRange(low, high);
    EXPECT_EQ(CString(low), u"7.0.0");
    EXPECT_EQ(CString(high), u"8.0.0");
  }
}

TEST_F(DevTool, FoundInTheWebHostFolderAndSupportsByVersion) {
  const struct {
    const char* installed;
    const char16_t* version;
    bool tessel1;   // "Tessel Builder" from 1
    bool tessel15;  // "Tessel Builder" from 1.5
  } cases[] = {{"1.0.2", u"1.0.2", true, false}, {"1.5", u"1.5", true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.installed);
    FakeMachine machine;
    const FakeMachine::Host& host = machine.addHost(tool(c.installed));
    // The tool's bundle carries no ".app": it is found by its folder and
    // package name (the signature search keeps to the range 7 to 8).
    std::filesystem::rename(host.bundle, host.installFolder + "/TesselBuilder_1_5");
    CZorbTesselBuilder1_5 product;
    product.Initialize();
    ASSERT_TRUE(product.IsInstalled());
    EXPECT_EQ(get(product, &CZorbProduct::GetInstallFolder), host.installFolderColon().c_str());
    CZorbVersionNumber version;
    product.GetVersion(version);
    EXPECT_EQ(CString(version), CString(CZorbVersionNumber(c.version)));

    EXPECT_EQ(product.Supports(u"Tessel Builder", u"1", nullptr), c.tessel1);
    EXPECT_EQ(product.Supports(u"Tessel Builder", u"1.5", nullptr), c.tessel15);
    // Web-host extensions up to version 7, whatever the tool's version.
    EXPECT_TRUE(product.Supports(u"Loomwright", u"7", nullptr));
    EXPECT_FALSE(product.Supports(u"Loomwright", u"8", nullptr));
    EXPECT_FALSE(product.Supports(u"Emberly", u"1", nullptr));
  }
}

TEST_F(DevTool, SourceControlFilesGoToTheCommonFolderOfTheYear) {
  const struct {
    const char16_t* from;
    const char16_t* to;
  } rows[] = {
      {u"$loomwright:Tessel Builder 1.5:Configuration:SourceControl:a.dll",
       u"$loomwright:Common:2004:SourceControl:a.dll"},
      {u"$loomwright:Tessel Builder 1.5:configuration:sourcecontrol:a.dll",
       u"$loomwright:Common:configuration:sourcecontrol:a.dll"},
      {u"$loomwright:Tessel Builder 1.5:Configuration:Commands:a.js",
       u"$loomwright:Tessel Builder 1.5:Configuration:Commands:a.js"},
  };
  CZorbTesselBuilder1_5 product;
  for (const auto& r : rows) {
    CString path = r.from;
    product.MassageDestination(path);
    EXPECT_EQ(path, r.to);
  }
}
