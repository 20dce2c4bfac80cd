#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/CCommandFactory.h"
#include "app/CGetProductsCommand.h"
#include "app/GetLastVersionProductsCommand.h"
#include "app/PlexarEngine.h"
#include "app/tests/MovieTestSupport.h"
#include "foundation/CZorbOS.h"
#include "platform/os/Applications.h"
#include "products/CZorbPlexarProduct.h"
#include "testsupport/AppBundle.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/ScopedStrings.h"
#include "testsupport/TempDir.h"
#include "testsupport/TestProduct.h"

namespace {

using Texts = std::vector<std::string>;
using testsupport::TestProduct;

class ProductQueries : public movietest::MovieTest {
 protected:
  void SetUp() override {
    MovieTest::SetUp();
    // The engine's start does this before it makes its products; the
    // program's folders depend on it.
    CZorbOS::InitMultiUserMembers();
    CTAMBFrontController::m_manager = &m_engine;
    CString::g_DataMap[2016] = "2016 [product] and [product]";
    CString::g_DataMap[2017] = "2017 [product]";
  }

  // A host installed at Applications/<folder> with a store, as the
  // product files describe one.
  TestProduct* add(const std::u16string& name, const std::string& folder) {
    auto* product = new TestProduct(name, u"Family", u"Group");
    m_sandbox.makeFolder("Applications/" + folder);
    product->m_installFolder = m_sandbox.colon("Applications/" + folder + "/");
    m_engine.plexar().m_products.push_back(product);
    return product;
  }

  // Runs the command made for the call and returns what it sent.
  Texts run(const char* call) {
    std::unique_ptr<CBrioCommand> command = CCommandFactory::getInstance()->getCommand(call);
    EXPECT_TRUE(command);
    if (!command) return {};
    command->setRequestId("-7");
    EXPECT_TRUE(command->parseArguments());
    m_sink.clear();
    command->execute();
    const auto sent = m_sink.sent();
    EXPECT_EQ(sent.size(), 1u);
    if (sent.size() != 1) return {};
    EXPECT_EQ(sent[0].name, "brioCallBack");
    return sent[0].args;
  }

  // The reply to "externalGetPlexoConfigPath" with the program as a product
  // installed at Applications/Plexar.app.
  Texts configurationPaths() {
    CZorbPlexarProduct own;
    own.Initialize();
    own.SetPaths(m_sandbox.colon("Applications/Plexar.app").c_str(), CString());
    m_engine.plexar().m_ownProduct = &own;
    Texts reply = run("externalGetPlexoConfigPath");
    m_engine.plexar().m_ownProduct = nullptr;
    return reply;
  }

  testsupport::SandboxMachine m_sandbox;
  testsupport::ScopedStrings m_strings{{}, {}, {4233}};
  movietest::RecordingSink m_sink;
  PlexarEngine m_engine;
};

TEST_F(ProductQueries, NoHostGivesTheBareReply) {
  EXPECT_EQ(run("externalGetSupportedProducts"), (Texts{"-7", "0"}));
  EXPECT_EQ(run("externalGetLastVersionPointProducts"), (Texts{"-7", "0"}));
}

TEST_F(ProductQueries, SupportedProductsLayout) {
  TestProduct* first = add(u"Host One", "One");
  first->m_pxStorePath = m_sandbox.colon("Store").c_str();
  first->m_showInstalledFiles = true;
  first->m_hostNameForWBXS = u"one";
  first->m_pluginConfigFile = u"plugins.xml";
  first->m_globalProductName = u"ONE";
  first->m_productBit = 2;
  TestProduct* failing = add(u"Host Two", "Two");
  failing->m_errorString = u"broken";
  add(u"Not Installed", "Three")->m_installed = false;
  add(u"Plexar", "Four")->m_family = u"plexar";
  add(u"wb4servicemanager", "Five");

  const std::string root = m_sandbox.root();
  // Last registered first: the error entry, then the full one.
  EXPECT_EQ(run("externalGetSupportedProducts"), (Texts{"-7",
                                                        "0",
                                                        "1",
                                                        "broken",
                                                        "0",
                                                        "Host One",
                                                        "Family",
                                                        "11.0.0",
                                                        root + "/Applications/One",
                                                        "2016 Host One and Host One",
                                                        "NoDefined",
                                                        "2017 Host One",
                                                        "Group",
                                                        root + "/Store",
                                                        "1",
                                                        "0",
                                                        "one",
                                                        "plugins.xml",
                                                        "ONE",
                                                        "2"}));
}

TEST_F(ProductQueries, AFolderWithoutPosixFormIsAnErrorEntry) {
  TestProduct* product = add(u"Host", "Host");
  product->m_installFolder = u"Nowhere:Host:";
  EXPECT_EQ(run("externalGetSupportedProducts"),
            (Texts{"-7", "0", "1", "4233[Nowhere:Host:|Host]"}));
}

TEST_F(ProductQueries, LastVersionProducts) {
  TestProduct* kept = add(u"Old Host", "Old");
  kept->m_pxStorePath = m_sandbox.colon("Store").c_str();
  kept->m_supportedInSuite = u"WB4";
  kept->m_installed = false;  // not looked at here
  TestProduct* noStore = add(u"No Store", "NoStore");
  noStore->m_supportedInSuite = u"WB4";
  TestProduct* current = add(u"Current", "Current");
  current->m_pxStorePath = m_sandbox.colon("Store").c_str();
  current->m_supportedInSuite = u"WB5";
  // Installed or not, only a store and the previous suite count.
  EXPECT_EQ(run("externalGetLastVersionPointProducts"),
            (Texts{"-7", "0", "Old Host", "Family", "11.0.0", m_sandbox.root() + "/Store"}));
}

// The program's folders now and of its previous edition; folders of the
// previous edition that were not there before the query are not left behind.
TEST_F(ProductQueries, ConfigurationPaths) {
  const std::string shared = m_sandbox.root() + "/Library/Application Support/Vesko/";
  const Texts reply = configurationPaths();
  ASSERT_EQ(reply.size(), 8u);
  EXPECT_EQ(reply[0], "-7");
  EXPECT_EQ(reply[1], "0");
  EXPECT_EQ(reply[2], m_sandbox.posix(m_sandbox.homeRelative()) +
                          "/Library/Application Support/Vesko/Plexar WB5");
  EXPECT_EQ(reply[3], "5.0.4");
  EXPECT_EQ(reply[5], "file://" + shared + "Plexar WB5/");
  EXPECT_EQ(reply[6], "file://" + shared + "Plexar2/");
  EXPECT_EQ(reply[7], "/Applications");
  const std::string bin = "/Plexar WB5";
  ASSERT_GE(reply[2].size(), bin.size());
  std::string last = reply[2];
  last.replace(last.size() - bin.size(), bin.size(), "/Plexar2");
  EXPECT_EQ(reply[4], last);
  EXPECT_FALSE(m_sandbox.exists("Library/Application Support/Vesko/Plexar2"));
  EXPECT_FALSE(m_sandbox.exists(last.substr(m_sandbox.root().size() + 1)));

  // Folders of the previous edition that exist stay.
  m_sandbox.makeFolder("Library/Application Support/Vesko/Plexar2");
  m_sandbox.makeFolder(last.substr(m_sandbox.root().size() + 1));
  EXPECT_EQ(configurationPaths(), reply);
  EXPECT_TRUE(m_sandbox.isFolder("Library/Application Support/Vesko/Plexar2"));
  EXPECT_TRUE(m_sandbox.isFolder(last.substr(m_sandbox.root().size() + 1)));
}

// Another copy of the program running elsewhere on the computer (another
// test's machine, say) lies on none of this machine's volumes: the reply is
// the same as without it.
TEST_F(ProductQueries, ConfigurationPathsIgnoreACopyRunningOutsideTheMachine) {
  TempDir elsewhere;
  const std::string bundle =
      testsupport::makeAppBundle(elsewhere.path(), "Plexar", "PqR5", "com.vesko.plexar", "5.0.0");
  platform::setPretendedProcesses(
      {{platform::kFirstPretendedPid, bundle + "/Contents/MacOS/Plexar", bundle}});
  const Texts withCopy = configurationPaths();
  platform::setPretendedProcesses({});
  ASSERT_EQ(withCopy.size(), 8u);
  EXPECT_EQ(withCopy[2], m_sandbox.posix(m_sandbox.homeRelative()) +
                             "/Library/Application Support/Vesko/Plexar WB5");
  EXPECT_EQ(withCopy, configurationPaths());
}

}  // namespace
