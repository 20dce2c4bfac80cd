#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/CZorbInsertbarChangeInsert.h"
#include "config/CZorbInsertbarConfigChanges.h"
#include "config/CZorbMasterConfigChanges.h"
#include "config/CZorbServerBehaviorChanges.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionFile.h"
#include "extension/CZorbExtensionProduct.h"
#include "extension/ExtensionXml.h"
#include "products/CZorbLoomwrightVersions.h"

namespace {

void addProduct(CZorbExtension& extension, const char16_t* name) {
  auto* product = new CZorbExtensionProduct();
  product->m_name = name;
  product->m_primary = true;
  extension.m_products.m_children.push_back(product);
}

void addFile(CZorbExtension& extension, const char16_t* source, const char16_t* destination,
             int32_t platform = extcode::kPlatformNone) {
  auto* file = new CZorbExtensionFile();
  file->m_source = source;
  file->m_destination = destination;
  file->m_platform = platform;
  extension.m_files.m_children.push_back(file);
}

std::vector<std::u16string> destinations(const CZorbExtension& extension) {
  std::vector<std::u16string> out;
  for (const CZorbXmlObject* child : extension.m_files.m_children)
    out.emplace_back(static_cast<const CZorbExtensionFile*>(child)->m_destination.Get());
  return out;
}

std::u16string attribute(const CZorbXmlObject* object, const char16_t* name) {
  CString value;
  object->GetAttribute(name, value);
  return value.Get();
}

}  // namespace

TEST(OldFormatConversion, FormerEditionServerFilesAreCopiedPerModel) {
  const std::u16string asp = u"$farstage:Configuration:ServerBehaviors:ASP:Show.htm";
  const std::u16string ironbrook = u"$farstage:Configuration:ServerBehaviors:Ironbrook:Run.htm";
  const struct {
    bool flag;
    std::vector<std::u16string> expected;
  } cases[] = {
      {false,
       {asp, ironbrook, u"$farstage:Configuration:ServerBehaviors:ASP_Vbs:Show.htm",
        u"$farstage:Configuration:ServerBehaviors:ASP_Js:Show.htm"}},
      {true,
       {asp, ironbrook, u"$farstage:Configuration:ServerBehaviors:ASP_Vbs:Show.htm",
        u"$farstage:Configuration:ServerBehaviors:ASP_Js:Show.htm",
        u"$farstage:Configuration:ServerBehaviors:RQ4-Ironbrook:Run.htm"}},
  };
  for (const auto& c : cases) {
    CZorbExtension extension;
    addProduct(extension, u"Farstage");
    addFile(extension, u"Show.htm", asp.c_str());
    addFile(extension, u"Run.htm", ironbrook.c_str());
    addFile(extension, u"Win.htm", u"$farstage:Configuration:ServerBehaviors:ASP:Win.htm",
            extcode::kPlatformWin);
    CZorbLoomwright6::MassageExtension(&extension, c.flag);
    auto got = destinations(extension);
    got.erase(got.begin() + 2);  // the file for the other platform stays as it was
    EXPECT_EQ(got, c.expected) << c.flag;
  }

  // Not for the former edition: nothing is copied.
  CZorbExtension current;
  addProduct(current, u"Loomwright");
  addFile(current, u"Show.htm", asp.c_str());
  CZorbLoomwright6::MassageExtension(&current, true);
  EXPECT_EQ(destinations(current), std::vector<std::u16string>{asp});
}

TEST(OldFormatConversion, ReferenceFilesMoveIntoContent) {
  for (const char16_t* product : {u"Loomwright", u"Farstage"}) {
    CZorbExtension extension;
    addProduct(extension, product);
    addFile(extension, u"a.txt", u"$loomwright:Configuration:Reference:LW:a.txt");
    addFile(extension, u"b.txt", u"$loomwright:Configuration:References:b.txt");
    CZorbLoomwright6::MassageExtension(&extension, false);
    EXPECT_EQ(destinations(extension),
              (std::vector<std::u16string>{u"$loomwright:Configuration:Content:Reference:LW:a.txt",
                                           u"$loomwright:Configuration:References:b.txt"}));
  }
}

TEST(OldFormatConversion, ObjectFilesBecomeInsertbarButtons) {
  CZorbExtension extension;
  extension.m_name = u"Table Tools";
  addProduct(extension, u"Loomwright");
  addFile(extension, u"Objects/Common/Grid.htm",
          u"$loomwright:Configuration:Objects:Common:Grid.htm");
  addFile(extension, u"Objects/Common/Grid.gif", u"$loomwright:Configuration:Objects:Common");
  addFile(extension, u"Other Row.html", u"$loomwright:Configuration:Objects:My Stuff");
  CZorbLoomwright6::MassageExtension(&extension, false);

  ASSERT_EQ(extension.m_configChanges.size(), 2u);
  EXPECT_NE(dynamic_cast<CZorbMasterConfigChanges*>(extension.m_configChanges[0]), nullptr);
  auto* set = dynamic_cast<CZorbInsertbarConfigChanges*>(extension.m_configChanges[1]);
  ASSERT_NE(set, nullptr);
  ASSERT_EQ(set->m_children.size(), 1u);
  auto* insert = dynamic_cast<CZorbInsertbarChangeInsert*>(set->m_children.front());
  ASSERT_NE(insert, nullptr);
  ASSERT_EQ(insert->m_children.size(), 2u);

  const CZorbXmlObject* common = insert->m_children.front();
  EXPECT_EQ(attribute(common, u"id"), u"LW_Insertbar_Common");
  EXPECT_EQ(attribute(common, u"folder"), u"Common");
  EXPECT_EQ(attribute(common, u"name"), u"Grid");
  ASSERT_EQ(common->m_children.size(), 1u);
  const CZorbXmlObject* grid = common->m_children.front();
  EXPECT_EQ(attribute(grid, u"id"), u"Table_Tools_Grid");
  EXPECT_EQ(attribute(grid, u"name"), u"Grid");
  EXPECT_EQ(attribute(grid, u"file"), u"Common\\Grid.htm");
  EXPECT_EQ(attribute(grid, u"image"), u"Common\\Grid.gif");

  const CZorbXmlObject* mine = insert->m_children.back();
  EXPECT_EQ(attribute(mine, u"id"), u"LW_Inserbar_My_Stuff");
  EXPECT_EQ(attribute(mine, u"folder"), u"My Stuff");
  ASSERT_EQ(mine->m_children.size(), 1u);
  const CZorbXmlObject* row = mine->m_children.front();
  EXPECT_EQ(attribute(row, u"id"), u"Table_Tools_Other_Row");
  EXPECT_EQ(attribute(row, u"file"), u"My Stuff\\Other Row.html");
  EXPECT_EQ(attribute(row, u"image"), u"generic.gif");
}

TEST(OldFormatConversion, NoButtonsWithoutImagesOrWithInsertbarChanges) {
  {
    CZorbExtension extension;
    addFile(extension, u"Grid.htm", u"$loomwright:Configuration:Objects:Common");
    CZorbLoomwright6::MassageExtension(&extension, false);
    EXPECT_TRUE(extension.m_configChanges.empty());
  }
  CZorbExtension extension;
  addFile(extension, u"Grid.htm", u"$loomwright:Configuration:Objects:Common");
  addFile(extension, u"Grid.png", u"$loomwright:Configuration:Objects:Common");
  extension.m_configChanges.push_back(new CZorbInsertbarConfigChanges());
  CZorbLoomwright6::MassageExtension(&extension, false);
  EXPECT_EQ(extension.m_configChanges.size(), 1u);
}

TEST(OldFormatConversion, FormerEditionServerSetsGetTheirModelFolder) {
  CZorbExtension extension;
  addProduct(extension, u"farstage");
  const char16_t* models[] = {u"ASP", u"PHP MySQL", u"asp.net c#", u"Other"};
  for (const char16_t* model : models) {
    auto* set = new CZorbServerBehaviorChanges();
    set->m_serverModelFolder = model;
    set->m_children.push_back(new CZorbXmlObject(u"serverbehavior-insert"));
    extension.m_configChanges.push_back(set);
  }
  CZorbLoomwright6::MassageExtension(&extension, true);
  ASSERT_EQ(extension.m_configChanges.size(), 5u);
  std::vector<std::u16string> folders;
  for (CZorbConfigChanges* set : extension.m_configChanges)
    folders.emplace_back(static_cast<CZorbServerConfigChanges*>(set)->m_serverModelFolder.Get());
  EXPECT_EQ(folders, (std::vector<std::u16string>{u"ASP_Vbs", u"PHP_MySQL", u"ASP.NET_CSharp",
                                                  u"Other", u"ASP_Js"}));
  // The copy is a whole set of its own.
  EXPECT_NE(extension.m_configChanges[4], extension.m_configChanges[0]);
  EXPECT_EQ(extension.m_configChanges[4]->m_children.size(), 1u);
}
