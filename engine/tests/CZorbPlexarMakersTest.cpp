#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeindex>
#include <typeinfo>
#include <vector>

#include "engine/CZorbPlexar.h"
#include "foundation/CString.h"
#include "foundation/CZorbGetXMLProxy.h"
#include "foundation/CZorbXmlPairs.h"
#include "products/CZorbDevTool.h"
#include "products/CZorbEmberly.h"
#include "products/CZorbLoomwrightVersions.h"
#include "products/CZorbLumen.h"
#include "products/CZorbPlexarProduct.h"
#include "testsupport/FakeMachine.h"
#include "testsupport/ScriptedUI.h"

namespace {

std::u16string names(const std::vector<CZorbProduct*>& products) {
  std::u16string out;
  for (const CZorbProduct* p : products) {
    CString name;
    p->GetName(name);
    out += std::u16string(name.Get()) + u"|";
  }
  return out;
}

class Makers : public ::testing::Test {
 protected:
  Makers() { CZorbGetXMLProxy::SetInstance(&m_proxy); }
  ~Makers() override {
    CZorbGetXMLProxy::SetInstance(nullptr);
    CZorbPlexar::SetBuiltInHostMaker(nullptr);
  }
  testsupport::FakeMachine m_machine;
  CZorbXmlPairsProxy m_proxy;
  testsupport::ScriptedUI m_ui;
};

TEST_F(Makers, CreateProductByDisplayNameInAnyCase) {
  struct Case {
    const char16_t* name;
    std::type_index type;  // the class is the version
  };
  const Case cases[] = {
      {u"loomwright 3", typeid(CZorbLoomwright3)},
      {u"LOOMWRIGHT QV 2004", typeid(CZorbLoomwright7)},
      {u"Loomwright WB3", typeid(CZorbLoomwright9)},
      {u"loomwright wb4", typeid(CZorbLoomwright10)},
      {u"Loomwright wB5", typeid(CZorbLoomwright11)},
      {u"emberly qv", typeid(CZorbEmberly6)},
      {u"EMBERLY WB3", typeid(CZorbEmberly9)},
      {u"Emberly WB4", typeid(CZorbEmberly10)},
      {u"emberly wb5", typeid(CZorbEmberly11)},
      {u"lumen 8", typeid(CZorbLumen8)},
      {u"Lumen WB4", typeid(CZorbLumen10)},
      {u"LUMEN WB5", typeid(CZorbLumen11)},
      {u"tessel builder", typeid(CZorbTesselBuilder1)},
      {u"Tessel Builder 1.5", typeid(CZorbTesselBuilder1_5)},
      {u"plexar", typeid(CZorbPlexarProduct)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
    std::unique_ptr<CZorbProduct> product(CZorbPlexar::CreateProduct(c.name, CString()));
    ASSERT_NE(product, nullptr);
    EXPECT_EQ(std::type_index(typeid(*product)), c.type);
    CString name;
    product->GetName(name);
    EXPECT_EQ(name.CompareNoCase(c.name), 0);
  }
  for (const char16_t* unknown : {u"", u"Loomwright", u"Lumen WB6", u"loomwright-10.0", u"Tessel"})
    EXPECT_EQ(CZorbPlexar::CreateProduct(unknown, CString()), nullptr);
}

TEST_F(Makers, CreateProductSetsPathsFromTheFolderGiven) {
  std::unique_ptr<CZorbProduct> bare(CZorbPlexar::CreateProduct(u"Loomwright 8", CString()));
  CString folder = u"Disk:Applications:Loomwright 8";
  std::unique_ptr<CZorbProduct> product(CZorbPlexar::CreateProduct(u"Loomwright 8", folder));
  ASSERT_NE(product, nullptr);
  CString bareFolder, installFolder;
  bare->GetInstallFolder(bareFolder);
  product->GetInstallFolder(installFolder);
  EXPECT_EQ(installFolder, folder);
  EXPECT_NE(bareFolder, folder);
}

TEST_F(Makers, BuiltInSpecifiersMakeTheirClasses) {
  const CString folder = u"Disk:Shared";
  std::unique_ptr<CZorbProduct> lw(CZorbPlexar::MakeBuiltInHost(u"Loomwright-11.0", folder));
  EXPECT_NE(dynamic_cast<CZorbLoomwright11*>(lw.get()), nullptr);
  std::unique_ptr<CZorbProduct> em(CZorbPlexar::MakeBuiltInHost(u"emberly-9.0", CString()));
  EXPECT_NE(dynamic_cast<CZorbEmberly9*>(em.get()), nullptr);
  std::unique_ptr<CZorbProduct> lu(CZorbPlexar::MakeBuiltInHost(u"lumen-10.0", CString()));
  EXPECT_NE(dynamic_cast<CZorbLumen10*>(lu.get()), nullptr);
  EXPECT_EQ(CZorbPlexar::MakeBuiltInHost(u"lumen-12.0", CString()), nullptr);
  EXPECT_EQ(CZorbPlexar::MakeBuiltInHost(u"tessel-10.0", CString()), nullptr);
}

TEST_F(Makers, StartUpMakesTheBuiltInLinesOfEachFamily) {
  CZorbPlexar::SetBuiltInHostMaker(&CZorbPlexar::MakeBuiltInHost);
  {
    CZorbPlexar engine(&m_ui);
    EXPECT_EQ(engine.Init(), 0);
    EXPECT_EQ(names(engine.m_products),
              u"Loomwright WB4|Loomwright WB5|Emberly WB4|Emberly WB5|Lumen WB4|Lumen WB5|");
  }
  // The marker adds the version 9 object ahead of each line.
  m_machine.writeFile("wb3.display", "");
  CZorbPlexar engine(&m_ui);
  EXPECT_EQ(engine.Init(), 0);
  EXPECT_EQ(names(engine.m_products),
            u"Loomwright WB3|Loomwright WB4|Loomwright WB5|Emberly WB3|Emberly WB4|Emberly WB5|"
            u"Lumen WB3|Lumen WB4|Lumen WB5|");
}

}  // namespace

namespace {

TEST_F(Makers, AnEngineOwnsTheProgramAsAProductOnlyWithTheMaker) {
  {
    CZorbPlexar engine(&m_ui);
    EXPECT_EQ(engine.OwnProduct(), nullptr);
  }
  CZorbPlexar::SetOwnProductMaker(&CZorbPlexar::MakeOwnProduct);
  CZorbPlexar engine(&m_ui);
  CZorbPlexar::SetOwnProductMaker(nullptr);
  EXPECT_NE(dynamic_cast<const CZorbPlexarProduct*>(engine.OwnProduct()), nullptr);
}

}  // namespace
