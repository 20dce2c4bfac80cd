#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "config/CZorbDataSourceChanges.h"
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
#include "config/CZorbServerFormatChanges.h"
#include "config/CZorbShortcutChangeInsert.h"
#include "config/CZorbShortcutChangeRemove.h"
#include "config/CZorbToolbarConfigChanges.h"
#include "config/tests/ChangeSetReader.h"

using configtest::ReadChangeSets;
using configtest::Written;

namespace {

std::u16string Str(const CString& s) {
  return s.Get() ? std::u16string(s.Get()) : std::u16string();
}

// A menus set with one change of every kind and every attribute set.
CZorbMasterConfigChanges* FullMenusSet() {
  auto* set = new CZorbMasterConfigChanges();

  for (int position = 1; position <= 4; ++position) {
    auto* insert = new CZorbMenuChangeInsert();
    insert->m_position = position;
    insert->m_targetId = u"LWMenu_Edit";
    insert->m_skipSeparator = position == 2;
    insert->m_locale = position == 3 ? u"fr_FR" : u"";
    set->m_children.push_back(insert);
  }
  auto* insert = static_cast<CZorbMenuChangeInsert*>(set->m_children.front());
  auto* menubar = new CZorbExtensionMenuBar();
  menubar->m_id = u"ExtBar";
  menubar->m_name = u"Bar";
  menubar->m_qqStringName = u"bar_key";
  menubar->m_platform = u"mac";
  menubar->m_app = u"lw";
  insert->m_children.push_back(menubar);
  auto* menu = new CZorbExtensionMenu();
  menu->m_id = u"ExtMenu";
  menu->m_name = u"_Ext";
  menu->m_visible = false;
  menu->m_showif = u"cond";
  menu->m_resourceName = u"res_menu";
  insert->m_children.push_back(menu);
  auto* item = new CZorbExtensionMenuItem();
  item->m_id = u"ExtItem";
  item->m_name = u"Item";
  item->m_key = u"Cmd+E";
  item->m_enabled = u"lw.enabled()";
  item->m_command = u"lw.run('x')";
  item->m_checked = u"lw.checked()";
  item->m_file = u"Menus/Ext/item.htm";
  item->m_arguments = u"'a', 'b'";
  item->m_dynamic = u"true";
  item->m_domRequired = false;
  item->m_resourceName = u"res_item";
  insert->m_children.push_back(item);
  auto* separator = new CZorbExtensionMenuSeparator();
  separator->m_id = u"ExtOwner";
  separator->m_platform = u"win";
  insert->m_children.push_back(separator);
  auto* format = new CZorbExtensionServerFormat();
  format->m_id = u"Fmt";
  format->m_title = u"Format";
  format->m_file = u"Formats/f.htm";
  format->m_expression = u"f(*#)";
  format->m_visible = false;
  format->SetAttribute(u"extra", u"1");
  insert->m_children.push_back(format);
  insert->m_children.push_back(new CZorbXmlComment(u"an extension's comment"));

  auto* remove = new CZorbMenuChangeRemove();
  remove->m_id = u"LWMenu_Old";
  remove->m_locale = u"de";
  set->m_children.push_back(remove);

  auto* shortcuts = new CZorbShortcutChangeInsert();
  shortcuts->m_listId = u"LWShortcuts_Main";
  auto* list = new CZorbExtensionShortcutList();
  list->m_id = u"ExtList";
  list->m_platform = u"mac";
  list->m_app = u"lw";
  shortcuts->m_children.push_back(list);
  auto* shortcut = new CZorbExtensionShortcut();
  shortcut->m_id = u"ExtKey";
  shortcut->m_key = u"Cmd+Shift+E";
  shortcut->m_platform = u"mac";
  shortcut->m_domRequired = false;
  shortcut->m_dynamic = true;
  shortcut->m_app = u"lw";
  shortcut->m_file = u"f.htm";
  shortcut->m_arguments = u"1";
  shortcut->m_command = u"lw.key()";
  shortcut->m_enabled = u"true";
  shortcut->m_name = u"Key";
  shortcut->m_checked = u"false";
  shortcut->m_qqStringName = u"key_name";
  shortcuts->m_children.push_back(shortcut);
  shortcuts->m_children.push_back(new CZorbXmlComment(u"keys"));
  set->m_children.push_back(shortcuts);

  auto* shortcutRemove = new CZorbShortcutChangeRemove();
  shortcutRemove->m_id = u"LWShortcut_Old";
  set->m_children.push_back(shortcutRemove);
  return set;
}

}  // namespace

TEST(ChangeSetRoundTrip, EveryMenuAndShortcutChangeReadsBackAsWritten) {
  std::unique_ptr<CZorbConfigChanges> set(FullMenusSet());
  const CString text = Written(*set);
  auto read = ReadChangeSets(text);
  ASSERT_EQ(read.size(), 1u) << testing::PrintToString(Str(text));
  EXPECT_EQ(Str(Written(*read[0])), Str(text));

  // The objects are of the classes they were.
  ASSERT_EQ(read[0]->m_children.size(), set->m_children.size());
  auto original = set->m_children.begin();
  for (CZorbXmlObject* change : read[0]->m_children) {
    EXPECT_EQ(typeid(*change), typeid(**original));
    auto copy = change->m_children.begin();
    for (CZorbXmlObject* node : (*original)->m_children) EXPECT_EQ(typeid(**copy++), typeid(*node));
    ++original;
  }

  // And a copy of the set writes the same text.
  std::unique_ptr<CZorbXmlObject> clone(set->Clone());
  EXPECT_EQ(Str(Written(*clone)), Str(text));
}

TEST(ChangeSetRoundTrip, ChangeElementsInTheirTextForm) {
  auto* set = FullMenusSet();
  std::unique_ptr<CZorbConfigChanges> owner(set);
  auto it = set->m_children.begin();
  const std::u16string expected[] = {
      u"<menu-insert insertBefore=\"LWMenu_Edit\">\r",
      u"<menu-insert insertAfter=\"LWMenu_Edit\" skipSeparator=\"true\">\r</menu-insert>\r",
      u"<menu-insert prependTo=\"LWMenu_Edit\" xml:lang=\"fr_FR\">\r</menu-insert>\r",
      u"<menu-insert appendTo=\"LWMenu_Edit\">\r</menu-insert>\r",
      u"<menu-remove id=\"LWMenu_Old\" xml:lang=\"de\" />\r",
      u"<shortcut-insert listid=\"LWShortcuts_Main\">\r",
      u"<shortcut-remove id=\"LWShortcut_Old\" />\r",
  };
  for (const std::u16string& line : expected) {
    const std::u16string text = Str(Written(**it++));
    EXPECT_EQ(text.substr(0, line.size()), line);
  }
  CZorbShortcutChangeInsert empty;
  EXPECT_EQ(Str(Written(empty)), u"<shortcut-insert listid=\"\">\r</shortcut-insert>\r");
}

TEST(ChangeSetRoundTrip, ServerAndToolbarSetsKeepTheirAttribute) {
  CZorbServerFormatChanges formats;
  formats.SetServerModelFolder(u"ASP_VBS");
  auto* insert = new CZorbMenuChangeInsert();
  insert->m_targetId = u"Formats";
  formats.m_children.push_back(insert);
  CZorbDataSourceChanges sources;
  CZorbToolbarConfigChanges toolbar;
  toolbar.m_fileName = u"ext.xml";
  CString text = Written(formats);
  text += Written(sources);
  text += Written(toolbar);
  auto read = ReadChangeSets(text);
  ASSERT_EQ(read.size(), 3u);
  EXPECT_EQ(dynamic_cast<CZorbServerFormatChanges&>(*read[0]).m_serverModelFolder, u"ASP_VBS");
  EXPECT_EQ(dynamic_cast<CZorbDataSourceChanges&>(*read[1]).m_serverModelFolder.GetLength(), 0);
  EXPECT_EQ(dynamic_cast<CZorbToolbarConfigChanges&>(*read[2]).m_fileName, u"ext.xml");
  CString again = Written(*read[0]);
  again += Written(*read[1]);
  again += Written(*read[2]);
  EXPECT_EQ(Str(again), Str(text));
}
