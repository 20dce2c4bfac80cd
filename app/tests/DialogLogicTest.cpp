// What the native dialogs decide without their windows: the column order of
// the extension list, the products offered for a choice, and the icons of
// the extension types.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/ChooseProductWindowController.h"
#include "app/ColumnCompare.h"
#include "app/PXIconManager.h"
#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtension.h"
#include "testsupport/LogCapture.h"
#include "testsupport/ScopedStrings.h"
#include "testsupport/ScriptedUI.h"
#include "testsupport/TempDir.h"
#include "testsupport/TestProduct.h"

namespace {

using testsupport::ScriptedUI;
using testsupport::TestProduct;

std::unique_ptr<CZorbExtension> Extension(const char16_t* name, const char16_t* version,
                                          const char16_t* author, int type, bool enabled) {
  auto extension = std::make_unique<CZorbExtension>();
  extension->m_name = name;
  extension->SetVersion(version);
  extension->m_authorName = author;
  extension->m_type = type;
  extension->m_enabled = enabled;
  return extension;
}

int Sign(int value) {
  return (value > 0) - (value < 0);
}

TEST(ColumnCompare, OrdersByTheColumnIgnoringCaseInEitherDirection) {
  CZorbPlexar engine(nullptr);
  engine.m_typeLabels.SetAt(1, u"command");
  engine.m_typeLabels.SetAt(2, u"Behavior");
  const auto a = Extension(u"alpha", u"1.10", u"Zed", 1, true);
  const auto b = Extension(u"Beta", u"1.9", u"ann", 2, false);
  const auto c = Extension(u"ALPHA", u"1.10", u"zed", 7, true);  // type 7 has no label

  struct Case {
    const char16_t* column;
    const CZorbExtension* first;
    const CZorbExtension* second;
    int ascending;  // sign of the comparison when ascending
  };
  const Case cases[] = {
      {u"extensionname", a.get(), b.get(), -1},
      {u"extensionname", a.get(), c.get(), 0},
      {u"author", a.get(), b.get(), 1},
      {u"author", a.get(), c.get(), 0},
      // Versions compare as texts: "1.10" sorts before "1.9".
      {u"version", a.get(), b.get(), -1},
      {u"type", a.get(), b.get(), 1},
      {u"type", c.get(), b.get(), -1},
      {u"onoff", a.get(), b.get(), 1},
      {u"onoff", a.get(), c.get(), 0},
      {u"nosuchcolumn", a.get(), b.get(), 0},
      {u"ExtensionName", a.get(), b.get(), 0},  // column ids are exact
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testsupport::NarrowAscii(CString(k.column)));
    EXPECT_EQ(Sign(ColumnCompare(&engine, k.column, 1)(k.first, k.second)), k.ascending);
    EXPECT_EQ(Sign(ColumnCompare(&engine, k.column, 0)(k.first, k.second)), -k.ascending);
  }
  EXPECT_EQ(ColumnCompare(&engine, u"author", 1)(nullptr, a.get()), 0);
  EXPECT_EQ(ColumnCompare(nullptr, u"type", 1)(a.get(), b.get()), 0);
}

class ChooseProduct : public ::testing::Test {
 protected:
  ChooseProduct() { engine.SetUI(&ui); }
  ~ChooseProduct() override { engine.m_products.clear(); }

  TestProduct* add(const char16_t* name, const char16_t* family, bool installed = true) {
    auto product = std::make_unique<OwnFolder>(name, family);
    product->m_installed = installed;
    product->m_installFolder = std::u16string(u"Disk:Applications:") + name + u":";
    engine.m_products.push_back(product.get());
    m_owned.push_back(std::move(product));
    return m_owned.back().get();
  }

  // A host whose application folder is its install folder and which takes
  // only locations below it.
  struct OwnFolder : TestProduct {
    OwnFolder(const char16_t* name, const char16_t* family) : TestProduct(name, family) {}
    void GetApplicationFolder(CString& out) const override { out = m_installFolder.c_str(); }
    bool IsFolderPartOfInstall(const CString& folder, CString& root) const override {
      root = m_installFolder.c_str();
      return folder.Left(root.GetLength()) == root;
    }
  };

  ScriptedUI ui;
  CZorbPlexar engine{nullptr};
  std::vector<std::unique_ptr<TestProduct>> m_owned;
};

TEST_F(ChooseProduct, OffersInstalledProductsOfTheFamilyAndSelectsTheSetOne) {
  add(u"Lumen 10", u"lumen");
  add(u"Loomwright 9", u"Loomwright");
  add(u"Lumen 9", u"Lumen", false);
  add(u"Lumen 11", u"LUMEN");
  engine.m_products.push_back(nullptr);

  ChooseProductWindowController controller(&engine);
  controller.setProductFamily(u"Lumen");
  controller.setProduct(u"lumen 11");
  controller.reset();
  EXPECT_EQ(controller.titles(), (std::vector<CString>{u"Lumen 10", u"Lumen 11"}));
  EXPECT_EQ(controller.selected(), 1);
  EXPECT_EQ(controller.location(), CString(u"Disk:Applications:Lumen 11:"));

  // No family: every installed one; an unknown product: the first.
  controller.setProductFamily(u"");
  controller.setProduct(u"Emberly");
  controller.reset();
  EXPECT_EQ(controller.titles().size(), 3u);
  EXPECT_EQ(controller.selected(), 0);
  controller.onProductChange(1);
  EXPECT_EQ(controller.location(), CString(u"Disk:Applications:Loomwright 9:"));
  controller.onProductChange(7);
  EXPECT_EQ(controller.selected(), 1);
}

TEST_F(ChooseProduct, ALocationOutsideTheProductIsRefusedWithAMessage) {
  testsupport::ScopedStrings strings({}, {2015});
  add(u"Lumen 11", u"Lumen");
  ChooseProductWindowController controller(&engine);
  controller.reset();
  EXPECT_TRUE(controller.onOK());

  ui.answerPromptForFolder(true, u"Disk:Elsewhere:");
  ui.answerMessageBox(0);
  controller.onChoose();
  EXPECT_EQ(controller.location(), CString(u"Disk:Elsewhere:"));
  EXPECT_FALSE(controller.onOK());
  ASSERT_EQ(ui.calls().size(), 2u);
  EXPECT_EQ(ui.calls()[1].args[0], u"2015[Lumen 11]");

  // A cancelled choice keeps the location.
  ui.answerPromptForFolder(false, u"Disk:Other:");
  controller.onChoose();
  EXPECT_EQ(controller.location(), CString(u"Disk:Elsewhere:"));

  ChooseProductWindowController empty(&engine);
  engine.m_products.clear();
  empty.reset();
  EXPECT_FALSE(empty.onOK());
}

TEST(PXIconManager, EveryTypeHasItsResourceAndEachIconIsMadeOnce) {
  struct Case {
    int type;
    const char* name;
  };
  for (const Case& c : {Case{0, "Unknown"}, Case{1, "Command"}, Case{21, "LumenButtonTemplate"},
                        Case{52, "smartshape"}, Case{63, "LumenTool"}, Case{64, nullptr},
                        Case{65, nullptr}, Case{-1, nullptr}}) {
    SCOPED_TRACE(c.type);
    const char* name = PXIconManager::resourceNameForType(c.type);
    if (c.name == nullptr)
      EXPECT_EQ(name, nullptr);
    else
      EXPECT_STREQ(name, c.name);
  }

  TempDir folder;
  TempDir::write(folder / "Command.icns", "icon");
  PXIconManager& icons = PXIconManager::sharedInstance();
  icons.setResourceFolder(folder.path());
  const PXIcon* command = icons.iconForType(1);
  ASSERT_NE(command, nullptr);
  EXPECT_TRUE(command->hasImage);
  EXPECT_EQ(icons.iconForType(1), command);
  const PXIcon* object = icons.iconForType(2);
  ASSERT_NE(object, nullptr);
  EXPECT_FALSE(object->hasImage);
  EXPECT_GT(object->typeNumber, command->typeNumber);
  EXPECT_EQ(icons.iconForType(64), nullptr);
}

}  // namespace
