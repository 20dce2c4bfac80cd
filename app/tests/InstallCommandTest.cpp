// The install command: its arguments, the product it proposes, the walk
// over further primary products and its replies, over an engine whose
// install answers from a script.

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/CCommandFactory.h"
#include "app/CInstallExCommand.h"
#include "app/tests/MovieTestSupport.h"
#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionProduct.h"
#include "foundation/AppGlobals.h"
#include "testsupport/LogCapture.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/TestProduct.h"

namespace {

using Texts = std::vector<std::string>;
using testsupport::TestProduct;
const auto Narrow = testsupport::NarrowAscii;

CZorbExtensionProduct* Requirement(const char16_t* name, const char16_t* family = u"",
                                   bool primary = true) {
  auto* element = new CZorbExtensionProduct;
  element->m_name = name;
  element->m_familyName = family;
  element->m_version = u"11";
  element->m_maxVersion = u"12";
  element->m_primary = primary;
  element->m_platform = 1;
  element->m_bit = 2;
  return element;
}

// One answer of the scripted install.
struct Outcome {
  bool installs = false;
  // The requirement the engine reports as tried (empty name: none).
  std::u16string tried;
  std::u16string triedFamily;
  bool keepRetrying = true;
  bool userGoesOn = true;
  // The product the engine put in the slot, by name.
  std::u16string usedProduct;
};

Outcome Fails(std::u16string tried, std::u16string family = u"", bool retry = true,
              bool goOn = true) {
  Outcome o;
  o.tried = std::move(tried);
  o.triedFamily = std::move(family);
  o.keepRetrying = retry;
  o.userGoesOn = goOn;
  return o;
}
Outcome Installs(std::u16string tried, std::u16string family = u"") {
  Outcome o = Fails(tried, std::move(family));
  o.installs = true;
  o.usedProduct = std::move(tried);
  return o;
}

// What the command asked of the engine, one line per call.
class ScriptedPlexar : public CZorbPlexar {
 public:
  ScriptedPlexar() : CZorbPlexar(nullptr) {}
  ~ScriptedPlexar() override {
    ClearLists();
    m_products.clear();
  }

  CZorbExtension* InstallExtension(CZorbProduct** products, const CString& path,
                                   CZorbExtension** replaced, bool, const bool& newInstall, bool,
                                   int& restartFlags, bool, bool, bool showProgress,
                                   bool& askLicence, int timeOut, CZorbExtension*,
                                   CZorbExtension** clone,
                                   const CZorbExtensionProduct* primaryRequirement,
                                   CZorbExtensionProduct* chosenRequirement, bool* primaryAccepted,
                                   CString* chosenProductName, const CString* primaryProductName,
                                   bool* mayRetry) override {
    std::string line = "proposed=" + (*products ? Name(*products) : std::string("none"));
    line += " path=" + Narrow(path);
    line += " timeout=" + std::to_string(timeOut);
    if (primaryRequirement) line += " primary=" + Narrow(primaryRequirement->m_name);
    if (primaryProductName && primaryProductName->GetLength())
      line += " host=" + Narrow(*primaryProductName);
    if (!mayRetry) line += " no-retry-flag";
    calls.push_back(line);
    EXPECT_TRUE(newInstall);
    EXPECT_TRUE(showProgress);
    // The licence is asked once per command.
    licenceAsked.push_back(askLicence);
    askLicence = false;
    restartFlags = 0;
    if (replaced) *replaced = nullptr;
    if (clone) *clone = description.Clone();
    if (script.empty()) return nullptr;
    const Outcome o = script.front();
    script.pop_front();
    if (chosenRequirement) {
      // The requirement of the description that the product answered.
      *chosenRequirement = CZorbExtensionProduct();
      for (CZorbXmlObject* child : description.m_products.m_children) {
        const auto* element = dynamic_cast<const CZorbExtensionProduct*>(child);
        if (element && !o.tried.empty() &&
            (element->m_name == o.tried.c_str() ||
             (!o.triedFamily.empty() && element->m_familyName == o.triedFamily.c_str())))
          *chosenRequirement = *element;
      }
      if (primaryRequirement) *chosenRequirement = *primaryRequirement;
    }
    if (chosenProductName && !o.tried.empty()) *chosenProductName = o.tried.c_str();
    if (mayRetry && !o.keepRetrying) *mayRetry = false;
    if (primaryAccepted && !o.userGoesOn) *primaryAccepted = false;
    for (CZorbProduct* product : m_products)
      if (!o.usedProduct.empty() && Name(product) == Narrow(CString(o.usedProduct.c_str())))
        *products = product;
    if (!o.installs) return nullptr;
    auto* installed = new CZorbExtension;
    installed->m_path = u"Disk:Store:Tool.kxi";
    AddExtension(*products ? *products : m_products.front(), installed);
    return installed;
  }

  static std::string Name(const CZorbProduct* product) {
    CString name;
    product->GetName(name);
    return Narrow(name);
  }

  CZorbExtension description;
  std::deque<Outcome> script;
  Texts calls;
  std::vector<bool> licenceAsked;
};

class ScriptedEngine final : public IEngine {
 public:
  void SetUI(CZorbPlexarUI*) override {}
  CZorbPlexarUI* GetUI() const override { return nullptr; }
  int32_t Init() override { return 0; }
  void SetLastErrorText(const CString&) override {}
  void SetDefaultProductLocale(const CString&) override {}
  const CZorbPlexar* GetPlexar() const override { return &plexar; }
  CZorbPlexar* GetMutablePlexar() override { return &plexar; }

  ScriptedPlexar plexar;
};

class InstallCommand : public movietest::MovieTest {
 protected:
  void SetUp() override {
    MovieTest::SetUp();
    CTAMBFrontController::m_manager = &m_engine;
    m_sandbox.writeFile("pkg/Tool.yxp", "zip");
    Logger::resetForTest(testsupport::LogToString);
  }
  void TearDown() override {
    CTAMBFrontController::m_manager = nullptr;
    Logger::finalize();
    Logger::resetForTest(nullptr);
    testsupport::CapturedLogStream() = nullptr;
    for (TestProduct* product : m_owned) delete product;
    MovieTest::TearDown();
  }

  TestProduct* add(const std::u16string& name, const std::u16string& family = u"",
                   const std::u16string& group = u"") {
    auto* product = new TestProduct(name, family, group);
    m_owned.push_back(product);
    plexar().m_products.push_back(product);
    return product;
  }
  ScriptedPlexar& plexar() { return m_engine.plexar; }

  Texts run(Texts args, bool* parsed = nullptr) {
    return movietest::runCommand(m_sink, "externalInstallExtension", std::move(args), parsed);
  }
  std::string package() const { return m_sandbox.posix("pkg/Tool.yxp"); }
  std::string colonPackage() const {
    return Narrow(CString(m_sandbox.colon("pkg/Tool.yxp").c_str()));
  }

  testsupport::SandboxMachine m_sandbox;
  movietest::RecordingSink m_sink;
  ScriptedEngine m_engine;
  std::vector<TestProduct*> m_owned;
};

TEST_F(InstallCommand, AWrongArgumentCountGetsNoReply) {
  for (const Texts& args : {Texts{"Host", "/p.yxp"}, Texts{"Host", "/p.yxp", "30", "extra"}}) {
    bool parsed = true;
    EXPECT_EQ(run(args, &parsed), Texts{});
    EXPECT_FALSE(parsed);
  }
  EXPECT_NE(testsupport::CapturedLog().find("Install Extensions: arguments not correct"),
            std::string::npos);
  EXPECT_TRUE(plexar().calls.empty());
}

TEST_F(InstallCommand, TheTimeOutIsReadAsDecimalAndNothingBecomesThirty) {
  struct Case {
    const char* text;
    int32_t timeOut;
  };
  for (const Case& c : {Case{"0", 30}, Case{"letters", 30}, Case{"", 30}, Case{"12abc", 12},
                        Case{" 7", 7}, Case{"-5", -5}, Case{"99999999999999999999", 30}}) {
    SCOPED_TRACE(c.text);
    CInstallExCommand command;
    command.setArguments(makeArguments({"-7", "Host \xC3\xA9", "/a/T\xC3\xB6ol.yxp", c.text}));
    ASSERT_TRUE(command.parseArguments());
    EXPECT_EQ(command.timeOut(), c.timeOut);
    EXPECT_EQ(command.productName(), u"Host \u00e9");
    EXPECT_EQ(command.packagePath(), u"/a/T\u00f6ol.yxp");
  }
}

TEST_F(InstallCommand, TheProductIsMatchedExactlyAndNeverAnOldEmberly) {
  add(u"Lumen 11");
  add(u"Emberly 4");
  add(u"Gone")->m_installed = false;
  struct Case {
    const char* argument;
    const char* proposed;
  };
  for (const Case& c : {Case{"Lumen 11", "Lumen 11"}, Case{"lumen 11", "none"},
                        Case{"Emberly 4", "none"}, Case{"Gone", "none"}}) {
    SCOPED_TRACE(c.argument);
    plexar().calls.clear();
    plexar().script = {Installs(u"Lumen 11")};
    const Texts reply = run({c.argument, package(), "30"});
    ASSERT_EQ(plexar().calls.size(), 1u);
    EXPECT_EQ(plexar().calls[0],
              std::string("proposed=") + c.proposed + " path=" + colonPackage() + " timeout=30");
    // Installed at once: exactly four elements.
    EXPECT_EQ(reply, (Texts{"-7", "0", "Lumen 11", "Tool.kxi"}));
  }
  EXPECT_EQ(g_exitCode, 0);
}

TEST_F(InstallCommand, APathWithEntitiesReachesTheEngineInColonForm) {
  add(u"Lumen 11");
  m_sandbox.writeFile("pkg/A & B.yxp", "zip");
  plexar().script = {Installs(u"Lumen 11")};
  run({"Lumen 11", m_sandbox.posix("pkg/A &amp; B.yxp"), "30"});
  ASSERT_EQ(plexar().calls.size(), 1u);
  EXPECT_NE(plexar().calls[0].find(
                " path=" + Narrow(CString(m_sandbox.colon("pkg/A & B.yxp").c_str())) + " "),
            std::string::npos)
      << plexar().calls[0];
}

TEST_F(InstallCommand, FailedProductsAreListedInTheOrderTheyFailed) {
  add(u"Lumen 11");
  add(u"Lumen 12");
  add(u"Lumen 13");
  auto& products = plexar().description.m_products.m_children;
  products.push_back(Requirement(u"Lumen 11"));
  products.push_back(Requirement(u"Lumen 12"));
  products.push_back(Requirement(u"Other", u"", false));
  products.push_back(Requirement(u"Lumen 13"));
  plexar().script = {Fails(u"Lumen 11"), Fails(u"Lumen 12"), Installs(u"Lumen 13")};
  const Texts reply = run({"Lumen 11", package(), "30"});
  EXPECT_EQ(reply, (Texts{"-7", "0", "Lumen 13", "Tool.kxi", "Lumen 11", "11", "12", "1", "2",
                          "Lumen 12", "11", "12", "1", "2"}));
  // The first requirement was the one tried first; the licence once.
  ASSERT_EQ(plexar().calls.size(), 3u);
  EXPECT_NE(plexar().calls[1].find("primary=Lumen 12"), std::string::npos);
  EXPECT_NE(plexar().calls[1].find("no-retry-flag"), std::string::npos);
  EXPECT_NE(plexar().calls[2].find("primary=Lumen 13"), std::string::npos);
  EXPECT_EQ(plexar().licenceAsked, (std::vector<bool>{true, false, false}));
}

TEST_F(InstallCommand, WhatEndsTheWalkAnswersTwo) {
  add(u"Lumen 11");
  add(u"Lumen 12");
  auto& products = plexar().description.m_products.m_children;
  products.push_back(Requirement(u"Lumen 11"));
  products.push_back(Requirement(u"Lumen 12"));
  products.push_back(Requirement(u"Lumen 13"));
  struct Case {
    const char* name;
    std::deque<Outcome> script;
    size_t calls;
  };
  const std::vector<Case> cases = {
      {"not retriable", {Fails(u"Lumen 11", u"", false)}, 1},
      {"no product named", {Fails(u"")}, 1},
      {"declined", {Fails(u"Lumen 11"), Fails(u"Lumen 12", u"", true, false)}, 2},
      {"all failed", {Fails(u"Lumen 11")}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    plexar().calls.clear();
    plexar().script = c.script;
    g_exitCode = 1;
    EXPECT_EQ(run({"Lumen 11", package(), "30"}), (Texts{"-7", "2"}));
    EXPECT_EQ(plexar().calls.size(), c.calls);
  }
  EXPECT_NE(testsupport::CapturedLog().find("Install extension failed, return null extension"),
            std::string::npos);
}

TEST_F(InstallCommand, AFamilyIsWalkedHostByHost) {
  add(u"Plain");
  add(u"Ember A", u"Ember");
  add(u"Ember B", u"Ember");
  auto& products = plexar().description.m_products.m_children;
  products.push_back(Requirement(u"", u"Ember"));
  // The first attempt tried "Ember B" (the last registered); the walk
  // lists it, tries "Ember A" which fails, then nothing is left.
  plexar().script = {Fails(u"Ember B", u"Ember"), Fails(u"Ember A", u"Ember")};
  EXPECT_EQ(run({"Ember B", package(), "30"}), (Texts{"-7", "2"}));
  ASSERT_EQ(plexar().calls.size(), 2u);
  EXPECT_NE(plexar().calls[1].find("host=Ember A"), std::string::npos) << plexar().calls[1];
  // And when the second host takes it, both earlier ones are listed.
  plexar().calls.clear();
  plexar().script = {Fails(u"Ember B", u"Ember"), Installs(u"Ember A", u"Ember")};
  EXPECT_EQ(run({"Ember B", package(), "30"}),
            (Texts{"-7", "0", "Ember A", "Tool.kxi", "Ember", "11", "12", "1", "2"}));
}

TEST_F(InstallCommand, APackagePathThatCannotBeConvertedAnswersTwo) {
  add(u"Lumen 11");
  EXPECT_EQ(run({"Lumen 11", "relative/none.yxp", "30"}), (Texts{"-7", "2"}));
  EXPECT_TRUE(plexar().calls.empty());
  EXPECT_NE(testsupport::CapturedLog().find("Install extension,  convert extension path failed"),
            std::string::npos);
}

}  // namespace
