#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "config/CZorbExtensionAction.h"
#include "config/CZorbExtensionMenu.h"
#include "config/CZorbExtensionMenuBar.h"
#include "config/CZorbExtensionMenuItem.h"
#include "config/CZorbExtensionMenuSeparator.h"
#include "config/CZorbExtensionServerFormat.h"
#include "config/CZorbExtensionShortcut.h"
#include "config/CZorbExtensionShortcutList.h"
#include "config/CZorbGenericXmlFile.h"
#include "config/CZorbMasterConfigChanges.h"
#include "config/CZorbMenuChangeInsert.h"
#include "config/CZorbMenuChangeRemove.h"
#include "config/CZorbMenusXmlFile.h"
#include "config/CZorbServerBehaviorChanges.h"
#include "config/CZorbServerFormatChanges.h"
#include "config/CZorbShortcutChangeInsert.h"
#include "config/CZorbShortcutChangeRemove.h"
#include "config/tests/ChangeSetReader.h"
#include "config/tests/ConfigTestFiles.h"
#include "config/tests/MenuTestNodes.h"

namespace {

using Shape = std::vector<std::u16string>;
using Code = CZorbConfigChange::ErrorCode;

std::u16string Str(const CString& s) {
  return s.Get() ? std::u16string(s.Get()) : std::u16string();
}

// Node makers for the children of a change.
using menutest::Item;
using menutest::Menu;
using menutest::Sep;
CZorbExtensionMenuBar* Bar(const char16_t* id) {
  auto* menubar = new CZorbExtensionMenuBar();
  menubar->m_id = id;
  return menubar;
}
CZorbXmlComment* Comment(const char16_t* text) {
  return new CZorbXmlComment(text);
}
CZorbExtensionServerFormat* Format(const char16_t* id) {
  auto* format = new CZorbExtensionServerFormat();
  format->m_id = id;
  format->m_title = id;
  return format;
}
CZorbExtensionShortcut* Shortcut(const char16_t* id, const char16_t* key = u"") {
  auto* shortcut = new CZorbExtensionShortcut();
  shortcut->m_id = id;
  shortcut->m_key = key;
  return shortcut;
}
CZorbExtensionShortcutList* List(const char16_t* id) {
  auto* list = new CZorbExtensionShortcutList();
  list->m_tag.Empty();  // as the description reader leaves it
  list->m_id = id;
  return list;
}

std::unique_ptr<CZorbMenuChangeInsert> Insert(int position, const char16_t* target,
                                              std::initializer_list<CZorbXmlObject*> children,
                                              bool skipSeparator = false) {
  auto change = std::make_unique<CZorbMenuChangeInsert>();
  change->m_position = position;
  change->m_targetId = target;
  change->m_skipSeparator = skipSeparator;
  for (CZorbXmlObject* child : children) change->m_children.push_back(child);
  return change;
}

std::unique_ptr<CZorbShortcutChangeInsert> ShortcutInsert(
    const char16_t* listId, std::initializer_list<CZorbXmlObject*> children) {
  auto change = std::make_unique<CZorbShortcutChangeInsert>();
  change->m_listId = listId;
  for (CZorbXmlObject* child : children) change->m_children.push_back(child);
  return change;
}

// The direct children of a node: "i:<id>", "m:<id>", "b:<id>" (menubar),
// "f:<id>", "s:<references>", "c:<text>", "l:<id>" (shortcut list),
// "k:<id>" (shortcut).
Shape ShapeOf(const CZorbXmlObject* node) {
  Shape out;
  if (!node) return out;
  for (const CZorbXmlObject* child : node->m_children) {
    if (auto* item = dynamic_cast<const CZorbExtensionMenuItem*>(child)) {
      out.push_back(u"i:" + Str(item->m_id));
    } else if (auto* separator = dynamic_cast<const CZorbExtensionMenuSeparator*>(child)) {
      std::u16string refs;
      for (const CString& reference : separator->m_references)
        refs += (refs.empty() ? u"" : u",") + Str(reference);
      out.push_back(u"s:" + refs);
    } else if (auto* bar = dynamic_cast<const CZorbExtensionMenuBar*>(child)) {
      out.push_back(u"b:" + Str(bar->m_id));
    } else if (auto* menu = dynamic_cast<const CZorbExtensionMenu*>(child)) {
      out.push_back(u"m:" + Str(menu->m_id));
    } else if (auto* format = dynamic_cast<const CZorbExtensionServerFormat*>(child)) {
      out.push_back(u"f:" + Str(format->m_id));
    } else if (auto* comment = dynamic_cast<const CZorbXmlComment*>(child)) {
      out.push_back(u"c:" + Str(comment->m_comment));
    } else if (auto* list = dynamic_cast<const CZorbExtensionShortcutList*>(child)) {
      out.push_back(u"l:" + Str(list->m_id));
    } else if (auto* shortcut = dynamic_cast<const CZorbExtensionShortcut*>(child)) {
      out.push_back(u"k:" + Str(shortcut->m_id));
    }
  }
  return out;
}

const char kSmallMenus[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<menus xmlns:QQString=\"ns\">\n"
    "<menubar id=\"Main\">\n"
    "<menu id=\"Edit\">\n"
    "<menuitem id=\"Copy\" name=\"Copy\"/>\n"
    "<menuitem id=\"Paste\"/>\n"
    "<separator/>\n"
    "<menuitem id=\"Find\"/>\n"
    "<menu id=\"Sub\"><menuitem id=\"SubItem\"/></menu>\n"
    "</menu>\n"
    "<menu id=\"LWMenu_Help\"><menuitem id=\"About\"/></menu>\n"
    "</menubar>\n"
    "<!-- top -->\n"
    "<shortcutlist id=\"Keys\">\n"
    "<shortcut id=\"Save\" key=\"Cmd+S\"/>\n"
    "</shortcutlist>\n"
    "</menus>\n";

class MenuChangeTest : public configtest::XmlFileTest<CZorbMenusXmlFile> {
 protected:
  MenuChangeTest() : XmlFileTest("Menus.xml", "Saved.xml") {}
  void SetUp() override { Load(kSmallMenus); }

  void Load(const std::string& text) { ASSERT_EQ(LoadText(file, text), 0); }
  // The file as Save writes it.
  std::string Saved() { return SaveText(file); }
  Shape MenuShape(const char16_t* id) {
    CZorbExtensionMenuBar* menubar = nullptr;
    CZorbExtensionMenu* parent = nullptr;
    if (CZorbExtensionMenuBar* bar = file.FindMenuBar(id)) return ShapeOf(bar);
    return ShapeOf(file.FindMenu(id, menubar, parent));
  }
  CZorbExtensionMenuItem* FindItem(const char16_t* id) {
    CZorbExtensionMenuBar* menubar = nullptr;
    CZorbExtensionMenu* parent = nullptr;
    return file.FindMenuItem(id, menubar, parent);
  }

  CZorbMenusXmlFile file;
  CZorbMasterConfigChanges master;
};

}  // namespace

TEST_F(MenuChangeTest, PlacesChildrenByPositionAndTarget) {
  using P = CZorbConfigChange::Position;
  struct Row {
    const char* name;
    int position;
    const char16_t* target;
    bool skip;
    std::function<std::unique_ptr<CZorbMenuChangeInsert>(int, const char16_t*, bool)> make;
    Code code;
    const char16_t* where;  // the node to look at afterwards ("" for the file)
    Shape expected;
  };
  auto twoItems = [](int p, const char16_t* t, bool s) {
    return Insert(p, t, {Item(u"X1"), Item(u"X2")}, s);
  };
  auto mixed = [](int p, const char16_t* t, bool s) {
    return Insert(p, t, {Menu(u"N"), Item(u"X1"), Comment(u"note"), Bar(u"NB")}, s);
  };
  const Row rows[] = {
      {"before an item",
       P::kInsertBefore,
       u"Paste",
       false,
       twoItems,
       Code::kNoError,
       u"Edit",
       {u"i:Copy", u"i:X1", u"i:X2", u"i:Paste", u"s:", u"i:Find", u"m:Sub"}},
      {"after an item",
       P::kInsertAfter,
       u"paste",
       false,
       twoItems,
       Code::kNoError,
       u"Edit",
       {u"i:Copy", u"i:Paste", u"i:X1", u"i:X2", u"s:", u"i:Find", u"m:Sub"}},
      {"after an item, over the separator",
       P::kInsertAfter,
       u"Paste",
       true,
       twoItems,
       Code::kNoError,
       u"Edit",
       {u"i:Copy", u"i:Paste", u"s:", u"i:X1", u"i:X2", u"i:Find", u"m:Sub"}},
      {"skipSeparator without a separator",
       P::kInsertAfter,
       u"Copy",
       true,
       twoItems,
       Code::kNoError,
       u"Edit",
       {u"i:Copy", u"i:X1", u"i:X2", u"i:Paste", u"s:", u"i:Find", u"m:Sub"}},
      {"at the front of a menu",
       P::kPrependTo,
       u"Edit",
       false,
       twoItems,
       Code::kNoError,
       u"Edit",
       {u"i:X1", u"i:X2", u"i:Copy", u"i:Paste", u"s:", u"i:Find", u"m:Sub"}},
      {"at the end of a menu",
       P::kAppendTo,
       u"Edit",
       false,
       twoItems,
       Code::kNoError,
       u"Edit",
       {u"i:Copy", u"i:Paste", u"s:", u"i:Find", u"m:Sub", u"i:X1", u"i:X2"}},
      {"before a submenu, everything but menubars",
       P::kInsertBefore,
       u"Sub",
       false,
       mixed,
       Code::kNoError,
       u"Edit",
       {u"i:Copy", u"i:Paste", u"s:", u"i:Find", u"m:N", u"i:X1", u"c:note", u"m:Sub"}},
      {"beside a menu of a menubar, menus and comments only",
       P::kInsertAfter,
       u"Edit",
       false,
       mixed,
       Code::kNoError,
       u"Main",
       {u"m:Edit", u"m:N", u"c:note", u"m:LWMenu_Help"}},
      {"at the front of a menubar, no menubars",
       P::kPrependTo,
       u"Main",
       false,
       mixed,
       Code::kNoError,
       u"Main",
       {u"m:N", u"i:X1", u"c:note", u"m:Edit", u"m:LWMenu_Help"}},
      {"before a menubar, menubars and comments",
       P::kInsertBefore,
       u"Main",
       false,
       mixed,
       Code::kNoError,
       u"",
       {u"c:note", u"b:NB", u"b:Main", u"c:top", u"l:Keys"}},
      {"after a menubar",
       P::kInsertAfter,
       u"MAIN",
       false,
       mixed,
       Code::kNoError,
       u"",
       {u"b:Main", u"c:note", u"b:NB", u"c:top", u"l:Keys"}},
      {"no target: at the end of the file, last child first",
       P::kAppendTo,
       u"",
       false,
       [](int p, const char16_t* t, bool s) {
         return Insert(p, t, {Bar(u"A"), Comment(u"c"), Bar(u"B"), Item(u"I")}, s);
       },
       Code::kNoError,
       u"",
       {u"b:Main", u"c:top", u"l:Keys", u"b:B", u"c:c", u"b:A"}},
      {"an unknown position at a menubar",
       5,
       u"Main",
       false,
       twoItems,
       Code::kMenuChangeFailed,
       u"Main",
       {u"m:Edit", u"m:LWMenu_Help"}},
      {"an unknown position at a menu",
       0,
       u"Edit",
       false,
       twoItems,
       Code::kMenuChangeFailed,
       u"Edit",
       {u"i:Copy", u"i:Paste", u"s:", u"i:Find", u"m:Sub"}},
      {"into an item",
       P::kAppendTo,
       u"Paste",
       false,
       twoItems,
       Code::kMenuChangeFailed,
       u"Edit",
       {u"i:Copy", u"i:Paste", u"s:", u"i:Find", u"m:Sub"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Load(kSmallMenus);
    auto change = row.make(row.position, row.target, row.skip);
    EXPECT_EQ(change->MakeChange(&master, &file, nullptr), row.code);
    EXPECT_EQ(std::u16string(row.where).empty() ? ShapeOf(&file) : MenuShape(row.where),
              row.expected);
  }
}

TEST_F(MenuChangeTest, AFormatWithAnIdThereIsMergedNotAdded) {
  Load(
      "<formats id=\"F\"><menu id=\"Sub\"><format id=\"a\" title=\"old\"/></menu>"
      "<format id=\"b\" title=\"old\"/></formats>\n");
  auto title = [&](const char16_t* id) {
    CZorbExtensionMenuBar* menubar = nullptr;
    CZorbExtensionMenu* parent = nullptr;
    return Str(file.FindFormat(id, menubar, parent)->m_title);
  };
  // Into a formats section the format is looked for anywhere below it.
  ASSERT_EQ(Insert(CZorbConfigChange::kAppendTo, u"F", {Format(u"a")})
                ->MakeChange(&master, &file, nullptr),
            Code::kNoError);
  EXPECT_EQ(MenuShape(u"F"), (Shape{u"m:Sub", u"f:b"}));
  EXPECT_EQ(title(u"a"), u"a");
  // Into a menu only among its own children: one elsewhere is not touched.
  ASSERT_EQ(Insert(CZorbConfigChange::kAppendTo, u"Sub", {Format(u"b")})
                ->MakeChange(&master, &file, nullptr),
            Code::kNoError);
  EXPECT_EQ(MenuShape(u"Sub"), (Shape{u"f:a", u"f:b"}));
  EXPECT_EQ(MenuShape(u"F"), (Shape{u"m:Sub", u"f:b"}));
  auto* renamed = Format(u"a");
  renamed->m_title = u"again";
  ASSERT_EQ(
      Insert(CZorbConfigChange::kAppendTo, u"Sub", {renamed})->MakeChange(&master, &file, nullptr),
      Code::kNoError);
  EXPECT_EQ(MenuShape(u"Sub"), (Shape{u"f:a", u"f:b"}));
  EXPECT_EQ(title(u"a"), u"again");
}

TEST_F(MenuChangeTest, ExistingNodesTakeTheNewAttributesInstead) {
  auto* copy = Item(u"copy", u"Copy Better");
  copy->m_resolvedName = u"Kopieren";
  copy->m_resourceName = u"res_copy";
  copy->m_key = u"Cmd+Alt+C";
  auto change = Insert(CZorbConfigChange::kAppendTo, u"Edit", {copy, Item(u"New", u"")});
  ASSERT_EQ(change->MakeChange(&master, &file, nullptr), Code::kNoError);
  EXPECT_EQ(MenuShape(u"Edit"),
            (Shape{u"i:copy", u"i:Paste", u"s:", u"i:Find", u"m:Sub", u"i:New"}));
  CZorbExtensionMenuItem* merged = FindItem(u"Copy");
  EXPECT_EQ(merged->m_name, u"Kopieren") << "the resolved name wins";
  EXPECT_EQ(merged->m_key, u"Cmd+Alt+C");
  EXPECT_EQ(merged->m_resourceName.GetLength(), 0);

  // Appended to a menubar, an item is looked for anywhere in it.
  auto deep = Insert(CZorbConfigChange::kAppendTo, u"Main", {Item(u"SubItem", u"Renamed")});
  ASSERT_EQ(deep->MakeChange(&master, &file, nullptr), Code::kNoError);
  EXPECT_EQ(MenuShape(u"Main"), (Shape{u"m:Edit", u"m:LWMenu_Help"}));
  EXPECT_EQ(FindItem(u"SubItem")->m_name, u"Renamed");

  // A new menu takes its resolved name; its resource reference never
  // reaches the host file.
  auto* menu = Menu(u"Tools");
  menu->m_name = u"Tools";
  menu->m_resourceName = u"res_tools";
  menu->m_resolvedName = u"Werkzeuge";
  auto added = Insert(CZorbConfigChange::kInsertAfter, u"Edit", {menu});
  ASSERT_EQ(added->MakeChange(&master, &file, nullptr), Code::kNoError);
  const std::string saved = Saved();
  EXPECT_NE(saved.find("\t<menu id=\"Tools\" name=\"Werkzeuge\">\n"), std::string::npos) << saved;
  EXPECT_EQ(saved.find("resid:name"), std::string::npos);

  // A menubar whose id the file has is merged, not added.
  auto* bar = Bar(u"main");
  bar->m_name = u"Main Window";
  auto bars = Insert(CZorbConfigChange::kAppendTo, u"", {bar});
  ASSERT_EQ(bars->MakeChange(&master, &file, nullptr), Code::kNoError);
  EXPECT_EQ(ShapeOf(&file), (Shape{u"b:main", u"c:top", u"l:Keys"}));
}

TEST_F(MenuChangeTest, OldIdsFindTheirReplacement) {
  Load(
      "<menubar id=\"M\"><menu id=\"LWMenu_Edit\"><menuitem id=\"LWMenu_Edit_Copy\"/>"
      "<menuitem id=\"LWMenu_Edit_Paste\"/></menu>"
      "<menu id=\"LWPopup_SplitDesignOptions\"><menuitem "
      "id=\"LWPopup_SplitDesignOptions_DesignPrimary\"/></menu>"
      "</menubar>\n");
  auto change = Insert(CZorbConfigChange::kInsertBefore, u"LWMenu_Edit_PasteHTML", {Item(u"X")});
  EXPECT_EQ(change->MakeChange(&master, &file, nullptr), Code::kNoError);
  EXPECT_EQ(MenuShape(u"LWMenu_Edit"),
            (Shape{u"i:LWMenu_Edit_Copy", u"i:X", u"i:LWMenu_Edit_Paste"}));

  auto popup = Insert(CZorbConfigChange::kInsertAfter, u"LWPopup_SplitDesignOptionsTableWidths",
                      {Item(u"Y")});
  EXPECT_EQ(popup->MakeChange(&master, &file, nullptr), Code::kNoError);
  EXPECT_EQ(MenuShape(u"LWPopup_SplitDesignOptions"),
            (Shape{u"i:LWPopup_SplitDesignOptions_DesignPrimary", u"i:Y"}));

  struct Case {
    const char16_t* id;
    const char16_t* replacement;  // null: none
  } cases[] = {
      {u"LWMenu_Window_Templates", u"LWMenu_Window_Timelines"},
      {u"lwmenu_edit_copyhtml", u"LWMenu_Edit_Copy"},
      {u"LWPopup_SplitCodeOptions_Invisibles", u"LWPopup_SplitCodeOptions_DesignPrimary"},
      {u"LWPopup_DesignOnlyOptions_TableWidths", u"LWPopup_DesignOnlyOptions_DesignPrimary"},
      {u"LWPopup_SplitDesignOptions_TableWidths",
       nullptr},  // that key is spelled without the underscore
      {u"LWMenu_Commands_SetColorScheme", u"LWMenu_Commands_CreateWebPhotoAlbum"},
      {u"LWMenu_Edit_Copy", nullptr},  // a new id is never replaced again
      {u"", nullptr},
  };
  for (const Case& c : cases) {
    CString replacement(u"unchanged");
    EXPECT_EQ(CZorbMenuChangeInsert::GetReplacementId(CString(c.id), replacement),
              c.replacement != nullptr);
    EXPECT_EQ(Str(replacement), c.replacement ? c.replacement : u"unchanged");
  }
}

TEST_F(MenuChangeTest, AMissingTargetGoesToTheSetsFallback) {
  // The menus file's last resort: the miscellaneous commands menu, made
  // here before the Help menu.
  auto change =
      Insert(CZorbConfigChange::kInsertAfter, u"NoSuchMenu", {Item(u"X"), Sep(u"ext"), Item(u"Y")});
  EXPECT_EQ(change->MakeChange(&master, &file, nullptr), Code::kPlacedInLastResort);
  EXPECT_EQ(MenuShape(u"Main"), (Shape{u"m:Edit", u"m:LWMenu_Commands", u"m:LWMenu_Help"}));
  EXPECT_EQ(MenuShape(u"LWMenu_Commands_Misc"), (Shape{u"i:X", u"s:ext", u"i:Y"}));
  // A second one finds the menu that is there now.
  auto again = Insert(CZorbConfigChange::kInsertBefore, u"Other", {Item(u"Z")});
  EXPECT_EQ(again->MakeChange(&master, &file, nullptr), Code::kPlacedInLastResort);
  EXPECT_EQ(MenuShape(u"LWMenu_Commands_Misc"), (Shape{u"i:X", u"s:ext", u"i:Y", u"i:Z"}));

  // The server behaviours append to the first menubar or formats section.
  Load("<!-- b -->\n<formats id=\"F\"><format id=\"a\"/></formats>\n<menubar id=\"M\"/>\n");
  CZorbServerBehaviorChanges behaviors;
  auto behavior = Insert(CZorbConfigChange::kInsertAfter, u"NoSuch", {Format(u"new")});
  EXPECT_EQ(behavior->MakeChange(&behaviors, &file, nullptr), Code::kNoError);
  EXPECT_EQ(MenuShape(u"F"), (Shape{u"f:a", u"f:new"}));
  Load("<!-- nothing to append to -->\n");
  EXPECT_EQ(behavior->MakeChange(&behaviors, &file, nullptr), Code::kMenuChangeFailed);

  // A set without a fallback, or no Help menu to put the commands menu
  // before, fails.
  Load(kSmallMenus);
  CZorbServerFormatChanges formats;
  EXPECT_EQ(change->MakeChange(&formats, &file, nullptr), Code::kMenuChangeFailed);
  EXPECT_EQ(change->MakeChange(nullptr, &file, nullptr), Code::kMenuChangeFailed);
  Load("<menubar id=\"M\"><menu id=\"Edit\"/></menubar>\n");
  EXPECT_EQ(change->MakeChange(&master, &file, nullptr), Code::kMenuChangeFailed);

  // Not a menus file at all.
  CZorbGenericXmlFile generic;
  EXPECT_EQ(change->MakeChange(&master, &generic, nullptr), Code::kMenuChangeFailed);
  EXPECT_EQ(change->MakeChange(&master, nullptr, nullptr), Code::kMenuChangeFailed);
  EXPECT_EQ(change->UndoChange(&master, &generic, nullptr), Code::kNoError);
}

TEST_F(MenuChangeTest, AMenuOutsideEveryMenubarTakesNothingBesideIt) {
  Load("<menu id=\"Loose\"><menuitem id=\"I\"/></menu>\n");
  auto beside = Insert(CZorbConfigChange::kInsertAfter, u"Loose", {Menu(u"N")});
  EXPECT_EQ(beside->MakeChange(&master, &file, nullptr), Code::kNoError);
  EXPECT_EQ(ShapeOf(&file), (Shape{u"m:Loose"}));
  auto into = Insert(CZorbConfigChange::kAppendTo, u"Loose", {Item(u"J")});
  EXPECT_EQ(into->MakeChange(&master, &file, nullptr), Code::kNoError);
  EXPECT_EQ(MenuShape(u"Loose"), (Shape{u"i:I", u"i:J"}));
}

TEST_F(MenuChangeTest, UndoTakesOutWhatTheInsertAdded) {
  const std::string original = Saved();
  std::vector<std::unique_ptr<CZorbMenuChangeInsert>> changes;
  changes.push_back(Insert(CZorbConfigChange::kInsertAfter, u"Copy",
                           {Sep(u"ext"), Item(u"X1"), Comment(u"ext note")}));
  changes.push_back(Insert(CZorbConfigChange::kInsertAfter, u"Edit", {Menu(u"ExtMenu")}));
  changes.push_back(
      Insert(CZorbConfigChange::kAppendTo, u"ExtMenu", {Item(u"E1"), Sep(u"ext"), Item(u"E2")}));
  changes.push_back(
      Insert(CZorbConfigChange::kAppendTo, u"", {Bar(u"ExtBar"), Comment(u"ext top")}));
  changes.push_back(Insert(CZorbConfigChange::kAppendTo, u"Main", {Item(u"BarItem")}));
  for (auto& change : changes)
    ASSERT_EQ(change->MakeChange(&master, &file, nullptr), Code::kNoError);
  EXPECT_EQ(MenuShape(u"Edit"), (Shape{u"i:Copy", u"s:ext", u"i:X1", u"c:ext note", u"i:Paste",
                                       u"s:", u"i:Find", u"m:Sub"}));
  EXPECT_EQ(MenuShape(u"ExtMenu"), (Shape{u"i:E1", u"s:ext", u"i:E2"}));
  for (auto it = changes.rbegin(); it != changes.rend(); ++it)
    EXPECT_EQ((*it)->UndoChange(&master, &file, nullptr), Code::kNoError);
  EXPECT_EQ(Saved(), original);
}

TEST_F(MenuChangeTest, SharedSeparatorsLoseOnlyTheirOwnReference) {
  const std::string original = Saved();
  // Inserted right before the host's separator, each merges into it.
  auto first = Insert(CZorbConfigChange::kInsertAfter, u"Paste", {Sep(u"ext1")});
  auto second = Insert(CZorbConfigChange::kInsertAfter, u"Paste", {Sep(u"ext2")});
  ASSERT_EQ(first->MakeChange(&master, &file, nullptr), Code::kNoError);
  EXPECT_EQ(MenuShape(u"Edit"),
            (Shape{u"i:Copy", u"i:Paste", u"s:ext1,standard", u"i:Find", u"m:Sub"}));
  ASSERT_EQ(second->MakeChange(&master, &file, nullptr), Code::kNoError);
  EXPECT_EQ(MenuShape(u"Edit"),
            (Shape{u"i:Copy", u"i:Paste", u"s:ext2,ext1,standard", u"i:Find", u"m:Sub"}));

  first->UndoChange(&master, &file, nullptr);
  EXPECT_EQ(MenuShape(u"Edit"),
            (Shape{u"i:Copy", u"i:Paste", u"s:ext2,standard", u"i:Find", u"m:Sub"}));
  second->UndoChange(&master, &file, nullptr);
  EXPECT_EQ(MenuShape(u"Edit"), (Shape{u"i:Copy", u"i:Paste", u"s:", u"i:Find", u"m:Sub"}))
      << "the host's separator stays, without references";

  // Read back from disk, as the host file is between install and removal.
  Load(Saved());
  EXPECT_EQ(Saved(), original);
}

TEST_F(MenuChangeTest, UndoLeavesWhatOthersStillUse) {
  auto menu = Insert(CZorbConfigChange::kInsertAfter, u"Edit", {Menu(u"Shared")});
  auto mine = Insert(CZorbConfigChange::kAppendTo, u"Shared", {Item(u"Mine")});
  auto theirs = Insert(CZorbConfigChange::kAppendTo, u"Shared", {Item(u"Theirs")});
  for (auto* change : {menu.get(), mine.get(), theirs.get()})
    ASSERT_EQ(change->MakeChange(&master, &file, nullptr), Code::kNoError);
  mine->UndoChange(&master, &file, nullptr);
  menu->UndoChange(&master, &file, nullptr);
  EXPECT_EQ(MenuShape(u"Shared"), (Shape{u"i:Theirs"})) << "a menu that holds others' items stays";
  auto bar = Insert(CZorbConfigChange::kAppendTo, u"", {Bar(u"Main")});
  bar->UndoChange(&master, &file, nullptr);
  EXPECT_NE(file.FindMenuBar(u"Main"), nullptr) << "a menubar that holds anything stays";
}

TEST_F(MenuChangeTest, AnEmptiedMenuIsRemovedItselfNotAnotherWithItsId) {
  // Two menus share an id; the one the undo empties goes, the other stays.
  Load(
      "<menubar id=\"A\"><menu id=\"Dup\"><menuitem id=\"HostA\"/></menu></menubar>\n"
      "<menubar id=\"B\"><menu id=\"Keep\"/><menu id=\"Dup\"><menuitem "
      "id=\"HostB\"/></menu></menubar>\n");
  auto change = Insert(CZorbConfigChange::kInsertAfter, u"HostB", {Item(u"Ext")});
  ASSERT_EQ(change->MakeChange(&master, &file, nullptr), Code::kNoError);
  CZorbMenuChangeRemove remove;
  remove.m_id = u"HostB";
  ASSERT_EQ(remove.MakeChange(&master, &file, nullptr), Code::kNoError);
  change->UndoChange(&master, &file, nullptr);
  EXPECT_EQ(MenuShape(u"A"), (Shape{u"m:Dup"}));
  EXPECT_EQ(MenuShape(u"Dup"), (Shape{u"i:HostA"}));
  EXPECT_EQ(MenuShape(u"B"), (Shape{u"m:Keep"}));
}

TEST_F(MenuChangeTest, MenuRemoveTakesOutHostNodes) {
  struct Row {
    const char16_t* id;
    const char16_t* where;
    Shape expected;
  } rows[] = {
      {u"find", u"Edit", {u"i:Copy", u"i:Paste", u"s:", u"m:Sub"}},
      {u"Sub", u"Edit", {u"i:Copy", u"i:Paste", u"s:", u"i:Find"}},
      {u"Edit", u"Main", {u"m:LWMenu_Help"}},
      {u"Main", u"", {u"c:top", u"l:Keys"}},
      {u"NoSuch", u"Main", {u"m:Edit", u"m:LWMenu_Help"}},
      {u"", u"Main", {u"m:Edit", u"m:LWMenu_Help"}},
  };
  for (const Row& row : rows) {
    Load(kSmallMenus);
    CZorbMenuChangeRemove remove;
    remove.m_id = row.id;
    EXPECT_EQ(remove.MakeChange(&master, &file, nullptr), Code::kNoError);
    EXPECT_EQ(std::u16string(row.where).empty() ? ShapeOf(&file) : MenuShape(row.where),
              row.expected);
    EXPECT_EQ(remove.UndoChange(&master, &file, nullptr), Code::kNoError);
  }
  Load(
      "<formats id=\"F\"><format id=\"a\"/><separator/><format id=\"b\"/></formats>\n<menu "
      "id=\"Loose\"/>\n");
  CZorbMenuChangeRemove format;
  format.m_id = u"b";
  format.MakeChange(&master, &file, nullptr);
  EXPECT_EQ(MenuShape(u"F"), (Shape{u"f:a"}));
  CZorbMenuChangeRemove loose;
  loose.m_id = u"Loose";
  loose.MakeChange(&master, &file, nullptr);
  EXPECT_EQ(ShapeOf(&file), (Shape{u"b:F"}));
  CZorbGenericXmlFile generic;
  EXPECT_EQ(loose.MakeChange(&master, &generic, nullptr), Code::kNoError);
}

TEST_F(MenuChangeTest, ShortcutInsertIntoAList) {
  auto* action = new CZorbExtensionAction(u"action");
  action->m_id = u"Act";
  auto change = ShortcutInsert(u"keys", {Shortcut(u"Ext1", u"F5"), Comment(u"ext keys"),
                                         Shortcut(u"save", u"Cmd+Alt+S"), action});
  ASSERT_EQ(change->MakeChange(&master, &file, nullptr), Code::kNoError);
  EXPECT_EQ(ShapeOf(file.FindShortcutList(u"Keys")),
            (Shape{u"k:save", u"k:Ext1", u"c:ext keys", u"k:Act"}));
  CZorbExtensionShortcutList* list = nullptr;
  EXPECT_EQ(file.FindShortcut(u"Save", list)->m_key, u"Cmd+Alt+S")
      << "merged into the host's shortcut";

  auto missing = ShortcutInsert(u"NoList", {Shortcut(u"X")});
  const std::string before = Saved();
  EXPECT_EQ(missing->MakeChange(&master, &file, nullptr), Code::kShortcutListMissing);
  EXPECT_EQ(Saved(), before);

  // The undo takes out the shortcuts it added; the host's shortcut it
  // merged into gets its own attributes back, and the host's list stays.
  change->UndoChange(&master, &file, nullptr);
  EXPECT_EQ(ShapeOf(file.FindShortcutList(u"Keys")), (Shape{u"k:Save"}));
  EXPECT_EQ(file.FindShortcut(u"Save", list)->m_key, u"Cmd+S");

  CZorbGenericXmlFile generic;
  EXPECT_EQ(change->MakeChange(&master, &generic, nullptr), Code::kMenuChangeFailed);
}

TEST_F(MenuChangeTest, ShortcutInsertWithoutAListIdAddsItsLists) {
  const std::string original = Saved();
  auto change =
      ShortcutInsert(u"", {List(u"ExtKeysA"), Shortcut(u"A1"), Shortcut(u"A2"), Comment(u"ext"),
                           List(u"ExtKeysB"), Shortcut(u"B1"), List(u"Keys"), Shortcut(u"K1")});
  ASSERT_EQ(change->MakeChange(&master, &file, nullptr), Code::kNoError);
  // New lists in reverse order, each with the shortcuts that follow it.
  EXPECT_EQ(ShapeOf(&file),
            (Shape{u"b:Main", u"c:top", u"l:Keys", u"l:ExtKeysB", u"c:ext", u"l:ExtKeysA"}));
  EXPECT_EQ(ShapeOf(file.FindShortcutList(u"ExtKeysA")), (Shape{u"k:A1", u"k:A2"}));
  EXPECT_EQ(ShapeOf(file.FindShortcutList(u"Keys")), (Shape{u"k:Save", u"k:K1"}));
  const std::string saved = Saved();
  // New shortcuts take the file's own short form.
  EXPECT_NE(saved.find("\n<shortcutlist id=\"ExtKeysA\">\n\t<shortcut id=\"A1\"/>\n"),
            std::string::npos)
      << saved;
  EXPECT_EQ(saved.find("< id="), std::string::npos);

  // The undo leaves the host's own list, which the insert merged into.
  change->UndoChange(&master, &file, nullptr);
  EXPECT_EQ(Saved(), original);
}

TEST_F(MenuChangeTest, AListArrivesWithItsShortcutsAndGoesExactly) {
  const std::string original = Saved();
  // As the description gives them: each list holds its shortcuts.
  CZorbExtensionShortcutList* mine = List(u"ExtKeys");
  mine->m_children.push_back(Shortcut(u"A1", u"F5"));
  mine->m_children.push_back(Comment(u"ext keys"));
  mine->m_children.push_back(Shortcut(u"A2", u"F6"));
  CZorbExtensionShortcutList* hosts = List(u"keys");
  hosts->m_platform = u"win";
  hosts->m_children.push_back(Shortcut(u"Save", u"Cmd+Alt+S"));
  hosts->m_children.push_back(Shortcut(u"K1", u"F7"));
  auto change = ShortcutInsert(u"", {mine, hosts});
  ASSERT_EQ(change->MakeChange(&master, &file, nullptr), Code::kNoError);
  EXPECT_EQ(ShapeOf(file.FindShortcutList(u"ExtKeys")), (Shape{u"k:A1", u"c:ext keys", u"k:A2"}));
  EXPECT_EQ(ShapeOf(file.FindShortcutList(u"Keys")), (Shape{u"k:Save", u"k:K1"}));
  CZorbExtensionShortcutList* list = nullptr;
  EXPECT_EQ(file.FindShortcut(u"Save", list)->m_key, u"Cmd+Alt+S");
  EXPECT_EQ(file.FindShortcutList(u"Keys")->m_platform, u"win");
  EXPECT_NE(Saved().find("<shortcutlist id=\"ExtKeys\">\n\t<shortcut key=\"F5\" id=\"A1\"/>"),
            std::string::npos);

  change->UndoChange(&master, &file, nullptr);
  EXPECT_EQ(Saved(), original);
}

TEST_F(MenuChangeTest, TheHostsNodesAnInsertMergedIntoOrARemoveTookOutComeBack) {
  const std::string original = Saved();
  auto* edit = Menu(u"edit");
  edit->m_name = u"Mein Edit";
  auto* copy = Item(u"COPY", u"Mein Copy");
  copy->m_key = u"F2";
  auto merge = Insert(CZorbConfigChange::kAppendTo, u"Main", {edit});
  auto mergeItem = Insert(CZorbConfigChange::kAppendTo, u"Edit", {copy});
  ASSERT_EQ(merge->MakeChange(&master, &file, nullptr), Code::kNoError);
  ASSERT_EQ(mergeItem->MakeChange(&master, &file, nullptr), Code::kNoError);
  EXPECT_EQ(FindItem(u"Copy")->m_key, u"F2");
  mergeItem->UndoChange(&master, &file, nullptr);
  merge->UndoChange(&master, &file, nullptr);
  EXPECT_EQ(Saved(), original) << "merged into, the host's menu and item stay as they were";

  // A removal, and the tidying after it, come undone; also from the
  // change as a later run reads it back from the description copy.
  for (const char* name : {"Find", "Paste", "Sub", "Main", "SubItem"}) {
    SCOPED_TRACE(name);
    const std::u16string id(name, name + std::char_traits<char>::length(name));
    Load(kSmallMenus);
    auto remove = std::make_unique<CZorbMenuChangeRemove>();
    remove->m_id = id.c_str();
    ASSERT_EQ(remove->MakeChange(&master, &file, nullptr), Code::kNoError);
    EXPECT_NE(Saved(), original);
    auto sets = configtest::ReadChangeSets(configtest::Written(master) + [&] {
      CZorbMasterConfigChanges set;
      set.m_children.push_back(remove.release());
      return configtest::Written(set);
    }());
    ASSERT_EQ(sets.size(), 2u);
    ASSERT_EQ(sets[1]->m_children.size(), 1u);
    auto* read = dynamic_cast<CZorbMenuChangeRemove*>(sets[1]->m_children.front());
    ASSERT_NE(read, nullptr);
    read->UndoChange(&master, &file, nullptr);
    EXPECT_EQ(Saved(), original);
  }

  // Separators that the tidying took out, or whose references it changed.
  Load(
      "<menubar id=\"M\">\n<menu id=\"T\">\n<menuitem id=\"a\"/>\n<separator/>\n"
      "<menuitem id=\"b\"/>\n<separator references=\"extX\"/>\n<separator/>\n"
      "<menuitem id=\"c\"/>\n</menu>\n</menubar>\n");
  const std::string separators = Saved();
  CZorbMenuChangeRemove remove;
  remove.m_id = u"b";
  ASSERT_EQ(remove.MakeChange(&master, &file, nullptr), Code::kNoError);
  EXPECT_EQ(MenuShape(u"T"), (Shape{u"i:a", u"s:standard,extX", u"i:c"}));
  remove.UndoChange(&master, &file, nullptr);
  EXPECT_EQ(Saved(), separators);
}

TEST_F(MenuChangeTest, ShortcutRemove) {
  CZorbShortcutChangeRemove remove;
  remove.m_id = u"Save";
  EXPECT_EQ(remove.MakeChange(&master, &file, nullptr), Code::kNoError);
  EXPECT_EQ(ShapeOf(file.FindShortcutList(u"Keys")), Shape{});
  remove.m_id = u"keys";
  EXPECT_EQ(remove.MakeChange(&master, &file, nullptr), Code::kNoError);
  EXPECT_EQ(ShapeOf(&file), (Shape{u"b:Main", u"c:top"}));
  remove.m_id = u"";
  EXPECT_EQ(remove.MakeChange(&master, &file, nullptr), Code::kNoError);
  EXPECT_EQ(remove.UndoChange(&master, &file, nullptr), Code::kNoError);
  EXPECT_EQ(ShapeOf(&file), (Shape{u"b:Main", u"c:top"}));
}

TEST_F(MenuChangeTest, AnEmptyIdNeverTakesOutAnotherNodeWithoutOne) {
  Load(
      "<menubar id=\"Main\"><menu id=\"Edit\"><menu><menuitem id=\"HostItem\"/></menu>"
      "<menuitem id=\"Copy\"/></menu></menubar>\n");
  auto change = Insert(CZorbConfigChange::kAppendTo, u"Edit", {Menu(u""), Item(u"")});
  ASSERT_EQ(change->MakeChange(&master, &file, nullptr), Code::kNoError);
  EXPECT_EQ(MenuShape(u"Edit"), (Shape{u"m:", u"i:Copy", u"m:", u"i:"}))
      << "nothing merges into an id-less node";
  change->UndoChange(&master, &file, nullptr);
  CZorbExtensionMenuBar* menubar = nullptr;
  CZorbExtensionMenu* parent = nullptr;
  EXPECT_NE(file.FindMenuItem(u"HostItem", menubar, parent), nullptr)
      << "the host's id-less menu is still there";
  CZorbMenuChangeRemove remove;
  remove.MakeChange(&master, &file, nullptr);
  EXPECT_EQ(MenuShape(u"Edit"), (Shape{u"m:", u"i:Copy", u"m:", u"i:"}));
}
