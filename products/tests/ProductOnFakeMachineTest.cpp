// A host product on a machine with a host installed: its insert-bar
// changes, its running state and its extension lists.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "config/CZorbConfigChange.h"
#include "config/CZorbInsertbarConfigChanges.h"
#include "extension/CZorbExtension.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbXmlFile.h"
#include "products/CZorbProduct.h"
#include "products/tests/ProductTestSupport.h"
#include "testsupport/FakeMachine.h"
#include "testsupport/ScriptedUI.h"
#include "transaction/CZorbExtensionInstallStep.h"

using producttest::TestProduct;

namespace {

constexpr char kHostName[] = "Vesko Loomwright WB5";
constexpr char kHostFolder[] = "Applications/Vesko Loomwright";
constexpr char kSpecifier[] = "loomwright-11.0";
constexpr char kExtensions[] = "Users/ann/Library/Application Support/Loomwright/Extensions";

class ProductOnFakeMachine : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::FakeHost spec;
    spec.name = kHostName;
    spec.folder = kHostFolder;
    spec.signature = "LmWt";
    spec.version = "11.0.2";
    spec.specifier = kSpecifier;
    spec.config = {{"productname", "Loomwright"}, {"supportedinsuite", "WB5"}};
    host = &machine.addHost(spec);

    product.name = u"Loomwright";
    product.m_arborName = u"loomwright-11.0";
    product.installFolder = host->installFolderColon().c_str();
    product.extensionsFolder = (machine.colon(kExtensions) + u":").c_str();
    CZorbProduct::SetPinger(&testsupport::FakeMachine::pingCurrent);
  }
  void TearDown() override { CZorbProduct::SetPinger(nullptr); }

  void Description(const std::string& relative, const std::string& body) {
    machine.writeFile(relative, "<quillory-extension name=\"E\" version=\"1.0\">" + body +
                                    "</quillory-extension>\n");
  }

  testsupport::FakeMachine machine;
  const testsupport::FakeMachine::Host* host = nullptr;
  TestProduct product;
};

TEST_F(ProductOnFakeMachine, InsertbarItemsInTheFallbackCategoryGetTheHostsFolder) {
  const std::string configuration = std::string(kHostFolder) + "/Configuration/";
  machine.writeFile(configuration + "Objects/insertbar.xml",
                    "<insertbar>\n\t<category id=\"LW_Insertbar_Forms\" folder=\"Forms\" />\n"
                    "</insertbar>\n");
  Description("Store/ib.kxi",
              "<configuration-changes><insertbar-changes>"
              "<insertbar-item-insert appendTo=\"Missing\"><button id=\"X_B\" label=\"B\" />"
              "</insertbar-item-insert></insertbar-changes></configuration-changes>");
  CZorbExtension extension;
  ASSERT_EQ(extension.Load(machine.colon("Store/ib.kxi").c_str(), nullptr), 0);
  CZorbInsertbarConfigChanges* set = nullptr;
  for (CZorbConfigChanges* s : extension.m_configChanges)
    if (auto* insertbar = dynamic_cast<CZorbInsertbarConfigChanges*>(s)) set = insertbar;
  ASSERT_NE(set, nullptr);

  CString relative;
  set->GetPath(relative);
  CZorbPath path(machine.colon(configuration).c_str());
  path.Append(relative);
  std::unique_ptr<CZorbXmlFile> file(set->CreateConfigFile(true));
  ASSERT_EQ(file->Load(path, nullptr), 0);

  CZorbTypedVector<CZorbExtensionInstallStep*> steps;
  ASSERT_EQ(set->m_children.size(), 1u);
  auto* change = dynamic_cast<CZorbConfigChange*>(set->m_children.front());
  ASSERT_NE(change, nullptr);
  const auto code = change->MakeChange(set, file.get(), nullptr);
  EXPECT_EQ(code, CZorbConfigChange::kPlacedInFallbackCategory);
  // The product's own install folder, read through the products library.
  EXPECT_EQ(change->PostMakeChange(code, &product, &steps), code);
  EXPECT_TRUE(machine.isFolder(configuration + "Objects/Common"));
  EXPECT_EQ(steps.size(), 1u);
  for (CZorbExtensionInstallStep* step : steps) delete step;
  steps.clear();

  // A product without an install folder cannot have it made.
  TestProduct nowhere;
  EXPECT_EQ(change->PostMakeChange(code, &nowhere, &steps),
            CZorbConfigChange::kInsertbarChangeFailed);
  for (CZorbExtensionInstallStep* step : steps) delete step;
}

TEST_F(ProductOnFakeMachine, RunningFollowsTheHostsPing) {
  EXPECT_FALSE(product.IsRunning());
  machine.setRunning(kHostName, true);
  EXPECT_TRUE(product.IsRunning());
  machine.setPingAnswer(kSpecifier, "ECHO_RESPONSE\n");
  EXPECT_FALSE(product.IsRunning());
  machine.setRunning(kHostName, false);
  machine.setPingAnswer(kSpecifier, "");
  EXPECT_FALSE(product.IsRunning());
  const std::vector<std::string> pinged = machine.pings();
  ASSERT_FALSE(pinged.empty());
  EXPECT_EQ(pinged.front(), kSpecifier);
}

TEST_F(ProductOnFakeMachine, InstalledAndDisabledExtensions) {
  const std::string mine = "<products><product name=\"Loomwright\" primary=\"true\" /></products>";
  Description("Store/on.kxi", mine);
  Description("Store/off.kxi", mine);
  Description(std::string(kExtensions) + "/on.kxi", mine);
  Description(std::string(kExtensions) + "/stale.kxi", mine);
  Description(std::string(kExtensions) + "/Disabled/old.kxi", mine);

  // The configuration folders: enabled and disabled descriptions.
  CZorbProduct::ExtensionList* found = product.GetExtensionsFromConfigurationFolders();
  ASSERT_NE(found, nullptr);
  std::vector<std::pair<std::u16string, bool>> listed;
  for (CZorbExtension* e : *found) {
    const CString name = CZorbPath(e->m_path).GetFileName();
    listed.emplace_back(std::u16string(name.Get(), name.GetLength()), e->m_enabled);
    delete e;
  }
  delete found;
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, (std::vector<std::pair<std::u16string, bool>>{
                        {u"old.kxi", false}, {u"on.kxi", true}, {u"stale.kxi", true}}));

  // The store's extensions, enabled by their flag files.
  product.m_pxStorePath = machine.colon("Store").c_str();
  CZorbProduct::ExtensionList* store =
      product.AppendExtensionsFromOtherProductSpecPxStoreFolder(nullptr, nullptr, 0);
  ASSERT_NE(store, nullptr);
  testsupport::ScriptedUI ui;
  ui.always(testsupport::ScriptedUI::Question::Supports, [](const testsupport::ScriptedUI::Call&) {
    testsupport::ScriptedUI::Answer yes;
    yes.yes = true;
    return yes;
  });
  CZorbProduct::ExtensionList* flagged = product.GetExtensionsFromPXStore(&ui, store);
  ASSERT_NE(flagged, nullptr);
  std::vector<std::pair<std::u16string, bool>> enabled;
  for (CZorbExtension* e : *flagged) {
    const CString name = CZorbPath(e->m_path).GetFileName();
    enabled.emplace_back(std::u16string(name.Get(), name.GetLength()), e->m_enabled);
    delete e;
  }
  delete flagged;
  for (CZorbExtension* e : *store) delete e;
  delete store;
  std::sort(enabled.begin(), enabled.end());
  EXPECT_EQ(enabled,
            (std::vector<std::pair<std::u16string, bool>>{{u"off.kxi", false}, {u"on.kxi", true}}));

  // The flag without a store entry goes; the disabled folder is no flag.
  product.deleteUnnecessaryKxiFileFromFlagFolder(CZorbPath(machine.colon("Store").c_str()));
  EXPECT_EQ(machine.list(kExtensions), (std::vector<std::string>{"Disabled", "on.kxi"}));
}

}  // namespace
