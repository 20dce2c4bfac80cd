#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "config/CZorbConfigChange.h"
#include "config/CZorbExtensionMenu.h"
#include "config/CZorbExtensionMenuBar.h"
#include "config/CZorbExtensionMenuItem.h"
#include "config/CZorbExtensionMenuSeparator.h"
#include "config/CZorbExtensionServerFormat.h"
#include "config/CZorbExtensionShortcut.h"
#include "config/CZorbExtensionShortcutList.h"
#include "config/CZorbMasterConfigChanges.h"
#include "config/CZorbMenuChangeInsert.h"
#include "config/CZorbMenuChangeRemove.h"
#include "config/CZorbMenusXmlFile.h"
#include "config/CZorbServerBehaviorChanges.h"
#include "config/CZorbServerFormatChanges.h"
#include "config/CZorbShortcutChangeInsert.h"
#include "config/CZorbToolbarConfigChanges.h"
#include "config/tests/ChangeSetApplier.h"
#include "config/tests/ConfigTestFiles.h"
#include "config/tests/MenuTestNodes.h"

using configtest::ApplyChangeSet;
using configtest::Canonical;
using configtest::Colon;
using configtest::Fixture;
using configtest::Operation;

namespace {

using Code = CZorbConfigChange::ErrorCode;

CZorbExtensionMenuItem* Item(const char16_t* id) {
  auto* item = new CZorbExtensionMenuItem();
  item->m_id = id;
  item->m_name = u"Extension & Co";
  item->m_command = u"lw.run('<%= x %>')";
  return item;
}
using menutest::Sep;

CZorbMenuChangeInsert* Insert(int position, const char16_t* target,
                              std::initializer_list<CZorbXmlObject*> children,
                              const char16_t* locale = u"") {
  auto* change = new CZorbMenuChangeInsert();
  change->m_position = position;
  change->m_targetId = target;
  change->m_locale = locale;
  for (CZorbXmlObject* child : children) change->m_children.push_back(child);
  return change;
}

// An extension's menus set with every kind of insert.
CZorbMasterConfigChanges* ExtensionMenus() {
  auto* set = new CZorbMasterConfigChanges();
  auto& changes = set->m_children;
  changes.push_back(
      Insert(CZorbConfigChange::kAppendTo, u"LWMenu_Edit",
             {Sep(u"MyExt"), Item(u"MyExt_Edit"), new CZorbXmlComment(u"MyExt & friends")}));
  changes.push_back(
      Insert(CZorbConfigChange::kInsertAfter, u"LWMenu_Edit_PasteHTML", {Item(u"MyExt_Paste")}));
  auto* menu = new CZorbExtensionMenu();
  menu->m_id = u"MyExt_Menu";
  menu->m_name = u"My Extension";
  changes.push_back(Insert(CZorbConfigChange::kInsertAfter, u"LWMenu_Edit", {menu}));
  changes.push_back(Insert(CZorbConfigChange::kAppendTo, u"MyExt_Menu",
                           {Item(u"MyExt_One"), Sep(u"MyExt"), Item(u"MyExt_Two")}));
  auto* bar = new CZorbExtensionMenuBar();
  bar->m_id = u"MyExt_Bar";
  changes.push_back(
      Insert(CZorbConfigChange::kAppendTo, u"", {bar, new CZorbXmlComment(u"MyExt bar")}));

  auto* keys = new CZorbShortcutChangeInsert();
  keys->m_listId = u"LWShortcuts_Main";
  auto* key = new CZorbExtensionShortcut();
  key->m_id = u"MyExt_Key";
  key->m_key = u"Cmd+Alt+M";
  key->m_dynamic = true;
  keys->m_children.push_back(key);
  keys->m_children.push_back(new CZorbXmlComment(u"MyExt keys"));
  changes.push_back(keys);

  auto* lists = new CZorbShortcutChangeInsert();
  auto* list = new CZorbExtensionShortcutList();
  list->m_tag.Empty();
  list->m_id = u"MyExt_Keys";
  lists->m_children.push_back(list);
  auto* listKey = new CZorbExtensionShortcut();
  listKey->m_id = u"MyExt_ListKey";
  lists->m_children.push_back(listKey);
  changes.push_back(lists);
  return set;
}

class ApplyUndoTest : public ::testing::Test {
 protected:
  ApplyUndoTest() : config(Colon(dir.path())) {
    std::filesystem::create_directories(dir / "Menus");
  }

  // Writes the host file, and gives back what the program itself writes
  // for it: the original that an install and a removal must restore.
  std::string Host(const std::string& relative, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(dir / relative).parent_path());
    TempDir::write(dir / relative, text);
    CZorbMenusXmlFile file;
    EXPECT_EQ(file.Load(Colon(dir / relative).c_str(), nullptr), 0);
    EXPECT_EQ(file.Save(Colon(dir / relative).c_str()), 0);
    return TempDir::read(dir / relative);
  }

  TempDir dir;
  std::u16string config;
};

}  // namespace

TEST_F(ApplyUndoTest, InstallThenRemoveGivesBackTheHostFileByteForByte) {
  for (const char* fixture : {"Menus.xml", "Menus-nocommands.xml", "Menus-nonamespace.xml",
                              "Menus-singlequoted.xml", "Menus-hoststyle.xml"}) {
    SCOPED_TRACE(fixture);
    const std::string original = Host("Menus/Menus.xml", Fixture(fixture));
    std::unique_ptr<CZorbMasterConfigChanges> set(ExtensionMenus());

    auto install = ApplyChangeSet(*set, config, Operation::Install);
    EXPECT_EQ(install.errors, 0);
    EXPECT_EQ(install.warnings, 0);
    EXPECT_TRUE(install.saved);
    const std::string installed = TempDir::read(dir / "Menus/Menus.xml");
    for (const char* added :
         {"<menuitem id=\"MyExt_Edit\" name=\"Extension & Co\" command=\"lw.run('<%= x %>')\" />",
          "<separator id=\"MyExt\" references=\"MyExt\" />", "<!-- MyExt & friends -->",
          "<menu id=\"MyExt_Menu\" name=\"My Extension\">", "<menubar id=\"MyExt_Bar\">",
          "<shortcut key=\"Cmd+Alt+M\" dynamic id=\"MyExt_Key\" />",
          "<shortcutlist id=\"MyExt_Keys\">"})
      EXPECT_NE(installed.find(added), std::string::npos) << added;
    EXPECT_LT(installed.find("id=\"LWMenu_Edit_Paste\""), installed.find("id=\"MyExt_Paste\""));

    auto remove = ApplyChangeSet(*set, config, Operation::Remove);
    EXPECT_EQ(remove.errors, 0);
    EXPECT_TRUE(remove.saved);
    EXPECT_EQ(TempDir::read(dir / "Menus/Menus.xml"), original);

    // Disabling and enabling again do the same.
    ApplyChangeSet(*set, config, Operation::Enable);
    ApplyChangeSet(*set, config, Operation::Disable);
    EXPECT_EQ(TempDir::read(dir / "Menus/Menus.xml"), original);
  }
}

TEST_F(ApplyUndoTest, TheHostsOwnTextWithTheWordDynamicComesBackAsItWas) {
  // Only a start tag's attribute is the flag; the same text in a comment,
  // in a section inside one, or in an instruction is the host's own.
  std::string source = Fixture("Menus-nocommands.xml");
  const std::string first = "<!-- Loomwright menus: File & Edit first -->\n";
  ASSERT_NE(source.find(first), std::string::npos);
  const std::string notes =
      "<!-- write dynamic=\"true\" , or  dynamic  alone, or\tdynamic\tthere -->\n"
      "<!-- <![CDATA[ <menuitem id=\"Old\" dynamic=\"true\" /> ]]> -->\n"
      "<?lw-note keep dynamic=\"true\" and <% x %> dynamic ?>\n";
  source.insert(source.find(first) + first.size(), notes);
  const std::string menu = "\t<menu id=\"LWMenu_File\" name=\"_File\">\n";
  ASSERT_NE(source.find(menu), std::string::npos);
  source.insert(source.find(menu) + menu.size(),
                "\t\t<!-- dynamic=\"true\" is written dynamic -->\n");
  TempDir::write(dir / "Menus/Menus.xml", source);
  std::unique_ptr<CZorbMasterConfigChanges> set(ExtensionMenus());

  auto install = ApplyChangeSet(*set, config, Operation::Install);
  EXPECT_EQ(install.errors, 0);
  EXPECT_TRUE(install.saved);
  const std::string installed = TempDir::read(dir / "Menus/Menus.xml");
  EXPECT_NE(installed.find(notes), std::string::npos) << installed;
  EXPECT_NE(installed.find("\t\t<!-- dynamic=\"true\" is written dynamic -->\n"),
            std::string::npos);
  EXPECT_NE(installed.find("<menuitem id=\"LWMenu_File_RecentFiles\" dynamic name="),
            std::string::npos);
  EXPECT_NE(installed.find("<shortcut key=\"Cmd+Alt+M\" dynamic id=\"MyExt_Key\" />"),
            std::string::npos);

  auto remove = ApplyChangeSet(*set, config, Operation::Remove);
  EXPECT_EQ(remove.errors, 0);
  EXPECT_TRUE(remove.saved);
  EXPECT_EQ(TempDir::read(dir / "Menus/Menus.xml"), source);
}

TEST_F(ApplyUndoTest, LastResortMenuComesAndGoes) {
  const std::string original = Host("Menus/Menus.xml", Canonical(Fixture("Menus-nocommands.xml")));
  CZorbMasterConfigChanges set;
  set.m_children.push_back(
      Insert(CZorbConfigChange::kInsertBefore, u"LWMenu_From_An_Old_Host", {Item(u"Lost")}));
  auto install = ApplyChangeSet(set, config, Operation::Install);
  EXPECT_EQ(install.results, std::vector<int>{Code::kPlacedInLastResort});
  EXPECT_EQ(install.warnings, 1);
  CZorbMenusXmlFile file;
  ASSERT_EQ(file.Load(Colon(dir / "Menus/Menus.xml").c_str(), nullptr), 0);
  CZorbExtensionMenuBar* menubar = nullptr;
  CZorbExtensionMenu* parent = nullptr;
  ASSERT_NE(file.FindMenuItem(u"Lost", menubar, parent), nullptr);
  EXPECT_EQ(parent->m_id, u"LWMenu_Commands_Misc");

  ApplyChangeSet(set, config, Operation::Remove);
  EXPECT_EQ(TempDir::read(dir / "Menus/Menus.xml"), original)
      << "the emptied menus made for it go too";
}

TEST_F(ApplyUndoTest, ServerFilesTakeFormatsAndUndoThem) {
  const std::string formatsOriginal =
      Host("ServerFormats/PHP/ServerFormats.xml", Fixture("ServerFormats.xml"));
  CZorbServerFormatChanges formats;
  formats.SetServerModelFolder(u"PHP");
  auto* format = new CZorbExtensionServerFormat();
  format->m_id = u"MyExt_Format";
  format->m_title = u"My Format";
  format->m_expression = u"<%= my(*#) %>";
  formats.m_children.push_back(Insert(CZorbConfigChange::kInsertAfter, u"PHP_EncodeURL", {format}));
  formats.m_children.push_back(
      Insert(CZorbConfigChange::kAppendTo, u"PHP_Currency", {format->Clone()}));
  auto install = ApplyChangeSet(formats, config, Operation::Install);
  EXPECT_EQ(install.errors, 0);
  const std::string installed = TempDir::read(dir / "ServerFormats/PHP/ServerFormats.xml");
  EXPECT_NE(installed.find("id=\"PHP_EncodeURL\" />\n\t<format title=\"My Format\" "
                           "expression=\"<%= my(*#) %>\" id=\"MyExt_Format\" />"),
            std::string::npos)
      << installed;
  ApplyChangeSet(formats, config, Operation::Remove);
  EXPECT_EQ(TempDir::read(dir / "ServerFormats/PHP/ServerFormats.xml"), formatsOriginal);

  // The behaviours set has no missing target: the first section takes it.
  const std::string behaviorsOriginal =
      Host("ServerBehaviors/PHP/ServerBehaviors.xml", Fixture("ServerFormats.xml"));
  CZorbServerBehaviorChanges behaviors;
  behaviors.SetServerModelFolder(u"PHP");
  behaviors.m_children.push_back(
      Insert(CZorbConfigChange::kInsertAfter, u"NoSuchBehavior", {format->Clone()}));
  install = ApplyChangeSet(behaviors, config, Operation::Install);
  EXPECT_EQ(install.results, std::vector<int>{Code::kNoError});
  EXPECT_NE(TempDir::read(dir / "ServerBehaviors/PHP/ServerBehaviors.xml").find("MyExt_Format"),
            std::string::npos);
  ApplyChangeSet(behaviors, config, Operation::Remove);
  EXPECT_EQ(TempDir::read(dir / "ServerBehaviors/PHP/ServerBehaviors.xml"), behaviorsOriginal);

  // Other server sets have none: the change fails.
  CZorbServerFormatChanges strict;
  strict.SetServerModelFolder(u"PHP");
  strict.m_children.push_back(
      Insert(CZorbConfigChange::kInsertAfter, u"NoSuchFormat", {format->Clone()}));
  EXPECT_EQ(ApplyChangeSet(strict, config, Operation::Install).firstError, Code::kMenuChangeFailed);
}

TEST_F(ApplyUndoTest, ChangesForAnotherLocaleAreSkipped) {
  const std::string original = Host("Menus/Menus.xml", Canonical(Fixture("Menus.xml")));
  CZorbMasterConfigChanges set;
  set.m_children.push_back(
      Insert(CZorbConfigChange::kAppendTo, u"LWMenu_Edit", {Item(u"French")}, u"fr_FR"));
  set.m_children.push_back(
      Insert(CZorbConfigChange::kAppendTo, u"LWMenu_Edit", {Item(u"German")}, u"de_DE"));
  set.m_children.push_back(
      Insert(CZorbConfigChange::kAppendTo, u"LWMenu_Edit", {Item(u"Everyone")}));

  struct Case {
    const char16_t* locale;
    bool french, german;
  } cases[] = {{u"de_de", false, true},
               {u"fr_FR", true, false},
               {u"", true, true},
               {u"ja_JP", false, false}};
  for (const Case& c : cases) {
    ApplyChangeSet(set, config, Operation::Install, CString(c.locale));
    const std::string installed = TempDir::read(dir / "Menus/Menus.xml");
    EXPECT_EQ(installed.find("\"French\"") != std::string::npos, c.french);
    EXPECT_EQ(installed.find("\"German\"") != std::string::npos, c.german);
    EXPECT_NE(installed.find("\"Everyone\""), std::string::npos);
    ApplyChangeSet(set, config, Operation::Remove, CString(c.locale));
    EXPECT_EQ(TempDir::read(dir / "Menus/Menus.xml"), original);
  }
}

TEST_F(ApplyUndoTest, FailuresStopTheSetAndWarningsDoNot) {
  Host("Menus/Menus.xml", Canonical(Fixture("Menus.xml")));
  CZorbMasterConfigChanges set;
  auto* missingList = new CZorbShortcutChangeInsert();
  missingList->m_listId = u"NoSuchList";
  missingList->m_children.push_back(new CZorbExtensionShortcut());
  set.m_children.push_back(missingList);
  set.m_children.push_back(Insert(CZorbConfigChange::kAppendTo, u"LWMenu_Edit", {Item(u"First")}));
  set.m_children.push_back(Insert(9, u"LWMenu_Edit", {Item(u"Broken")}));
  set.m_children.push_back(Insert(CZorbConfigChange::kAppendTo, u"LWMenu_Edit", {Item(u"Never")}));
  auto report = ApplyChangeSet(set, config, Operation::Install);
  EXPECT_EQ(report.results, (std::vector<int>{Code::kShortcutListMissing, Code::kNoError,
                                              Code::kMenuChangeFailed}));
  EXPECT_EQ(report.warnings, 1);
  EXPECT_EQ(report.errors, 1);
  EXPECT_EQ(report.firstError, Code::kMenuChangeFailed);
  const std::string installed = TempDir::read(dir / "Menus/Menus.xml");
  EXPECT_NE(installed.find("\"First\""), std::string::npos);
  EXPECT_EQ(installed.find("\"Never\""), std::string::npos);
}

TEST_F(ApplyUndoTest, AHostFileThatDoesNotParseIsLeftAlone) {
  const std::string broken = Canonical(Fixture("Menus.xml")).substr(0, 2000);  // cut off mid-file
  TempDir::write(dir / "Menus/Menus.xml", broken);
  std::unique_ptr<CZorbMasterConfigChanges> set(ExtensionMenus());
  auto report = ApplyChangeSet(*set, config, Operation::Install);
  EXPECT_NE(report.loadResult, 0);
  EXPECT_EQ(report.firstError, Code::kBadChangeSetOrFile);
  EXPECT_FALSE(report.saved);
  EXPECT_EQ(TempDir::read(dir / "Menus/Menus.xml"), broken);
}

TEST_F(ApplyUndoTest, MissingFiles) {
  std::unique_ptr<CZorbMasterConfigChanges> set(ExtensionMenus());
  EXPECT_TRUE(ApplyChangeSet(*set, config, Operation::Remove).skipped);
  EXPECT_EQ(ApplyChangeSet(*set, config, Operation::Install).firstError, Code::kConfigFileMissing);
  EXPECT_FALSE(TempDir::exists(dir / "Menus/Menus.xml"));

  // A toolbar file of the extension's own is made from the template.
  std::filesystem::create_directories(dir / "Toolbars");
  CZorbToolbarConfigChanges toolbars;
  toolbars.m_fileName = u"MyExt.xml";
  toolbars.m_children.push_back(new CZorbMenuChangeRemove());
  auto report = ApplyChangeSet(toolbars, config, Operation::Install);
  EXPECT_TRUE(report.saved);
  EXPECT_NE(TempDir::read(dir / "Toolbars/MyExt.xml").find("<toolbarset />"), std::string::npos);
}
