#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "config/CZorbExtensionAction.h"
#include "config/CZorbExtensionButton.h"
#include "config/CZorbExtensionMenu.h"
#include "config/CZorbExtensionMenuBar.h"
#include "config/CZorbExtensionMenuItem.h"
#include "config/CZorbExtensionMenuSeparator.h"
#include "config/CZorbExtensionServerFormat.h"
#include "config/CZorbExtensionShortcut.h"
#include "config/CZorbExtensionShortcutList.h"
#include "config/CZorbExtensionTool.h"
#include "config/CZorbMenusXmlFile.h"
#include "config/ConfigNodeTable.h"
#include "config/ConfigXml.h"
#include "config/tests/ConfigTestFiles.h"
#include "config/tests/MenuTestNodes.h"

namespace {

std::u16string Xml(const CZorbXmlObject& node, int level = 0) {
  CString out;
  node.BuildXml(level, out);
  return out.Get() ? std::u16string(out.Get()) : std::u16string();
}

CZorbExtensionMenuSeparator* Separator(std::vector<const char16_t*> references) {
  auto* separator = new CZorbExtensionMenuSeparator();
  for (const char16_t* reference : references) separator->m_references.push_back(reference);
  return separator;
}

using menutest::Item;
using menutest::Menu;

// The children's kinds: "i:<id>" for items, "s:<references>" for
// separators, "m:<id>" for menus, "c:<text>" for comments.
std::vector<std::u16string> Shape(const CZorbXmlObject& parent) {
  std::vector<std::u16string> out;
  for (const CZorbXmlObject* child : parent.m_children) {
    if (auto* item = dynamic_cast<const CZorbExtensionMenuItem*>(child)) {
      out.push_back(u"i:" + std::u16string(item->m_id.Get()));
    } else if (auto* separator = dynamic_cast<const CZorbExtensionMenuSeparator*>(child)) {
      std::u16string refs;
      for (const CString& reference : separator->m_references)
        refs += (refs.empty() ? u"" : u",") + std::u16string(reference.Get());
      out.push_back(u"s:" + refs);
    } else if (auto* menu = dynamic_cast<const CZorbExtensionMenu*>(child)) {
      out.push_back(u"m:" + std::u16string(menu->m_id.Get()));
    } else if (auto* comment = dynamic_cast<const CZorbXmlComment*>(child)) {
      out.push_back(u"c:" + std::u16string(comment->m_comment.Get()));
    }
  }
  return out;
}

}  // namespace

TEST(MenuNodes, ElementLinesInTheHostsOwnLayout) {
  CZorbExtensionMenuItem item;
  item.m_namespace = u"ns";
  item.m_id = u"I";
  item.m_qqStringName = u"q";
  item.m_platform = u"mac";
  item.m_app = u"lw";
  item.m_showif = u"cond";
  item.m_dynamic = u"true";
  item.m_name = u"N";
  item.m_key = u"K";
  item.m_enabled = u"E";
  item.m_command = u"C";
  item.m_checked = u"X";
  item.m_file = u"F";
  item.m_arguments = u"A";
  item.m_domRequired = false;
  item.m_resourceName = u"R";
  item.m_resolvedName = u"never written";
  EXPECT_EQ(
      Xml(item, 1),
      u"\t<menuitem xmlns:QQString=\"ns\" id=\"I\" QQString:name=\"q\" platform=\"mac\" app=\"lw\" "
      u"showif=\"cond\" dynamic name=\"N\" key=\"K\" enabled=\"E\" command=\"C\" checked=\"X\" "
      u"file=\"F\" "
      u"arguments=\"A\" domRequired=\"false\" resid:name=\"R\" />\r");

  CZorbExtensionMenuItem plain;
  plain.m_id = u"P";
  EXPECT_EQ(Xml(plain), u"<menuitem id=\"P\" />\r")
      << "domRequired true and no dynamic text write neither";

  auto* menu = new CZorbExtensionMenu();
  menu->m_id = u"M";
  menu->m_name = u"_Menu";
  menu->m_visible = false;
  menu->m_resourceName = u"res";
  menu->m_children.push_back(new CZorbExtensionMenuItem(&plain));
  EXPECT_EQ(Xml(*menu, 1),
            u"\t<menu id=\"M\" name=\"_Menu\" visibility=\"hidden\" resid:name=\"res\">\r"
            u"\t\t<menuitem id=\"P\" />\r\t</menu>\r");

  CZorbExtensionMenuBar menubar;
  menubar.m_id = u"B";
  menubar.m_name = u"Bar";
  menubar.m_visible = false;        // a menubar writes no visibility
  menubar.m_resourceName = u"res";  // nor a resource name
  menubar.m_children.push_back(menu);
  EXPECT_EQ(
      Xml(menubar),
      u"\r<menubar id=\"B\" name=\"Bar\">\r\t<menu id=\"M\" name=\"_Menu\" visibility=\"hidden\" "
      u"resid:name=\"res\">\r\t\t<menuitem id=\"P\" />\r\t</menu>\r</menubar>\r");
  menubar.SetTag(u"formats");
  EXPECT_EQ(Xml(menubar).substr(0, 9), u"\r<formats");

  CZorbExtensionShortcut shortcut;
  shortcut.m_key = u"Cmd+1";
  shortcut.m_platform = u"mac";
  shortcut.m_domRequired = false;
  shortcut.m_dynamic = true;
  shortcut.m_app = u"a";
  shortcut.m_file = u"f";
  shortcut.m_arguments = u"g";
  shortcut.m_command = u"c";
  shortcut.m_enabled = u"e";
  shortcut.m_name = u"n";
  shortcut.m_checked = u"k";
  shortcut.m_qqStringName = u"q";
  shortcut.m_id = u"S";
  EXPECT_EQ(Xml(shortcut),
            u"<shortcut key=\"Cmd+1\" platform=\"mac\" domRequired=\"false\" dynamic=\"true\" "
            u"app=\"a\" file=\"f\" "
            u"arguments=\"g\" command=\"c\" enabled=\"e\" name=\"n\" checked=\"k\" "
            u"QQString:name=\"q\" id=\"S\" />\r");
  CZorbExtensionAction action(u"override");
  action.m_key = u"Space";
  EXPECT_EQ(Xml(action, 1), u"\t<override key=\"Space\" />\r");

  CZorbExtensionShortcutList list;
  list.m_platform = u"win";
  EXPECT_EQ(Xml(list), u"\r<shortcutlist id=\"\" platform=\"win\">\r</shortcutlist>\r")
      << "id is always written";

  CZorbExtensionServerFormat format;
  format.m_id = u"F1";
  format.m_expression = u"<%= *# %>";
  format.m_visible = false;
  format.SetAttribute(u"zeta", u"z");
  format.SetAttribute(u"alpha", u"a");
  EXPECT_EQ(Xml(format),
            u"<format title=\"\" visibility=\"hidden\" expression=\"<%= *# %>\" alpha=\"a\" "
            u"zeta=\"z\" id=\"F1\" />\r");

  CZorbExtensionTool tool;
  tool.m_id = u"T";
  tool.m_name = u"Hand";
  EXPECT_EQ(Xml(tool), u"\r<tool id=\"T\" name=\"Hand\">\r</tool>\r");
}

TEST(MenuNodes, NamesCompareIgnoringCaseAsTheWideCharacterTableFoldsThem) {
  struct Case {
    const char16_t* name;
    const char16_t* expected;
    bool same;
  } cases[] = {
      {u"MenuItem", u"menuitem", true},
      {u"menuitem", u"menu", false},
      {u"menu", u"menuitem", false},
      {u"@", u"`", false},  // one bit apart, as "A" and "a", but no letters
      {u"[x", u"{x", false},
      {u"host-node", u"HOST-NODE", true},
      {u"\u0130d", u"id", true},  // a capital dotted I folds into ASCII
      {u"\u00C9t\u00E9", u"\u00E9T\u00C9", true},
      {u"", u"", true},
      {nullptr, u"", true},
      {u"a", nullptr, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(cfgxml::NameIs(c.name, c.expected), c.same)
        << testing::PrintToString(std::u16string(c.name ? c.name : u"(null)")) << " / "
        << testing::PrintToString(std::u16string(c.expected ? c.expected : u"(null)"));
}

TEST(MenuNodes, SeparatorReferencesAreJoinedWithoutEmptyEntries) {
  struct Case {
    std::vector<const char16_t*> references;
    std::u16string expected;
  } cases[] = {
      {{}, u"<separator />\r"},
      {{u"extA", u"", u"extB"}, u"<separator references=\"extA,extB\" />\r"},
      {{u""}, u"<separator references=\"\" />\r"},
      {{u"standard"}, u"<separator references=\"standard\" />\r"},
  };
  for (const Case& c : cases) {
    std::unique_ptr<CZorbExtensionMenuSeparator> separator(Separator(c.references));
    EXPECT_EQ(Xml(*separator), c.expected);
  }

  CZorbExtensionMenuSeparator separator;
  separator.AddReference(u"a");
  separator.AddReference(u"a");
  separator.AddReference(u"A");
  EXPECT_EQ(separator.m_references.size(), 2u) << "added once, compared exactly";
  separator.m_references.push_back(u"a");
  separator.RemoveReference(u"a");
  EXPECT_FALSE(separator.HasReference(u"a"));
  EXPECT_TRUE(separator.HasReference(u"A"));
}

TEST(MenuNodes, CopiesCarryAttributesButNeverChildren) {
  CZorbExtensionMenu menu;
  menu.m_id = u"M";
  menu.m_name = u"Name";
  menu.m_visible = false;
  menu.m_namespace = u"ns";
  menu.m_resourceName = u"res";
  menu.m_resolvedName = u"Resolved";
  menu.m_children.push_back(Item(u"child"));
  std::unique_ptr<CZorbXmlObject> clone(menu.Clone());
  auto* copy = dynamic_cast<CZorbExtensionMenu*>(clone.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(copy->m_children.empty());
  EXPECT_EQ(copy->m_id, u"M");
  EXPECT_EQ(copy->m_name, u"Name");
  EXPECT_FALSE(copy->m_visible);
  EXPECT_EQ(copy->m_resourceName, u"res");
  EXPECT_EQ(copy->m_resolvedName, u"Resolved");
  EXPECT_EQ(copy->m_namespace.GetLength(), 0) << "the namespace is not merged";

  CZorbExtensionMenuSeparator separator;
  separator.m_id = u"owner";
  separator.m_references = {u"a", u"", u"b", u"a"};
  std::unique_ptr<CZorbXmlObject> separatorClone(separator.Clone());
  auto* separatorCopy = dynamic_cast<CZorbExtensionMenuSeparator*>(separatorClone.get());
  ASSERT_NE(separatorCopy, nullptr);
  EXPECT_EQ(separatorCopy->m_references, (CZorbTypedList<CString>{u"a", u"b"}));
  EXPECT_EQ(separatorCopy->m_id, u"owner");

  CZorbExtensionTool tool;
  tool.SetTag(u"tool2");
  std::unique_ptr<CZorbXmlObject> toolClone(tool.Clone());
  CString tag;
  toolClone->GetTag(tag);
  EXPECT_EQ(tag, u"tool2");

  CZorbExtensionAction action(u"activate");
  std::unique_ptr<CZorbXmlObject> actionClone(action.Clone());
  actionClone->GetTag(tag);
  EXPECT_EQ(tag, u"activate");

  CZorbExtensionMenuBar formats;
  formats.SetTag(u"formats");
  std::unique_ptr<CZorbXmlObject> formatsClone(formats.Clone());
  formatsClone->GetTag(tag);
  EXPECT_EQ(tag, u"formats");
}

TEST(MenuNodes, ShortcutListCopyIsAValidElementEvenFromAnUntaggedList) {
  // A list that the description reader made carries no tag of its own.
  CZorbExtensionShortcutList untagged;
  untagged.m_tag.Empty();
  untagged.m_id = u"MyList";
  CZorbExtensionShortcutList copy(&untagged);
  EXPECT_EQ(Xml(copy), u"\r<shortcutlist id=\"MyList\">\r</shortcutlist>\r");

  CZorbExtensionShortcutList snippets;
  snippets.m_tag = u"snippets";
  snippets.m_id = u"S";
  std::unique_ptr<CZorbXmlObject> snippetsCopy(snippets.Clone());
  EXPECT_EQ(Xml(*snippetsCopy), u"\r<snippets id=\"S\">\r</snippets>\r");
}

TEST(MenuNodes, MergeCopiesOnlyWhatTheKindsShare) {
  CZorbExtensionMenuItem target;
  target.m_id = u"T";
  target.m_name = u"Old";
  target.m_namespace = u"keep";
  CZorbExtensionMenu menu;
  menu.m_id = u"FromMenu";
  menu.m_name = u"MenuName";
  target.Merge(&menu);
  EXPECT_EQ(target.m_id, u"FromMenu");
  EXPECT_EQ(target.m_name, u"Old") << "a menu's own fields do not reach an item";
  EXPECT_EQ(target.m_namespace, u"keep");
  target.Merge(nullptr);
  EXPECT_EQ(target.m_id, u"FromMenu");

  CZorbExtensionMenuItem source;
  source.m_id = u"S";
  source.m_name = u"New";
  source.m_domRequired = false;
  target.Merge(&source);
  EXPECT_EQ(target.m_name, u"New");
  EXPECT_FALSE(target.m_domRequired);

  CZorbExtensionServerFormat format;
  format.SetAttribute(u"keep", u"1");
  CZorbExtensionServerFormat other;
  other.m_title = u"T";
  other.m_visible = false;
  other.SetAttribute(u"extra", u"2");
  format.Merge(&other);
  EXPECT_EQ(format.m_title, u"T");
  EXPECT_FALSE(format.m_visible);
  EXPECT_EQ(format.m_attributes.size(), 2u);
}

TEST(MenuNodes, LookupsWalkDepthFirstAndNameTheDirectParent) {
  CZorbExtensionMenuBar menubar;
  CZorbExtensionMenu* file = Menu(u"File");
  CZorbExtensionMenu* recent = Menu(u"Recent");
  recent->m_children.push_back(Item(u"RecentItem"));
  recent->m_children.push_back(new CZorbXmlComment(u"Note"));
  file->m_children.push_back(Item(u"New"));
  file->m_children.push_back(recent);
  CZorbExtensionMenuSeparator* separator = Separator({u"extA"});
  file->m_children.push_back(separator);
  auto* format = new CZorbExtensionServerFormat();
  format->m_id = u"Fmt";
  file->m_children.push_back(format);
  menubar.m_children.push_back(file);
  menubar.m_children.push_back(Item(u"TopItem"));
  CZorbExtensionMenu* unnamed = Menu(u"");
  menubar.m_children.push_back(unnamed);

  CZorbExtensionMenu* parent = nullptr;
  EXPECT_EQ(menubar.FindMenu(u"recent", parent), recent) << "ids compare ignoring case";
  EXPECT_EQ(parent, file);
  EXPECT_EQ(menubar.FindMenu(u"FILE", parent), file);
  EXPECT_EQ(parent, nullptr) << "a menubar's own child has no parent menu";
  EXPECT_EQ(file->FindMenu(u"Recent", parent), recent);
  EXPECT_EQ(parent, file);
  EXPECT_NE(menubar.FindMenuItem(u"RecentItem", parent), nullptr);
  EXPECT_EQ(parent, recent);
  EXPECT_NE(menubar.FindMenuItem(u"TopItem", parent), nullptr);
  EXPECT_EQ(parent, &menubar);
  EXPECT_EQ(menubar.FindFormat(u"fmt", parent), format);
  EXPECT_EQ(menubar.FindSeparator(u"extA", parent), separator);
  EXPECT_EQ(menubar.FindSeparator(u"EXTA", parent), nullptr) << "references compare exactly";
  EXPECT_NE(menubar.FindComment(u"Note", parent), nullptr);
  EXPECT_EQ(parent, recent);
  EXPECT_EQ(menubar.FindComment(u"note", parent), nullptr) << "comment texts compare exactly";
  EXPECT_EQ(parent, nullptr);

  // An empty id names nothing: it must not find the menu that has none.
  EXPECT_EQ(menubar.FindMenu(u"", parent), nullptr);
  EXPECT_EQ(menubar.FindSeparator(u"", parent), nullptr);
  EXPECT_EQ(menubar.FindMenuItem(u"", parent), nullptr);
  EXPECT_EQ(parent, nullptr);
}

TEST(MenuNodes, RemoveExtraSeparatorsTidiesAMenu) {
  // Builds: "I" = item, "S" with references, "S0" without.
  auto build = [](const std::vector<std::u16string>& spec, CZorbExtensionMenu& menu) {
    int items = 0;
    for (const std::u16string& entry : spec) {
      if (entry == u"I") {
        menu.m_children.push_back(
            Item((u"item" + std::u16string(1, char16_t(u'0' + items++))).c_str()));
      } else {
        auto* separator = new CZorbExtensionMenuSeparator();
        if (entry.size() > 2) {
          std::u16string refs = entry.substr(2);
          size_t start = 0;
          for (size_t comma; (comma = refs.find(u',', start)) != std::u16string::npos;
               start = comma + 1)
            separator->m_references.push_back(refs.substr(start, comma - start).c_str());
          separator->m_references.push_back(refs.substr(start).c_str());
        }
        menu.m_children.push_back(separator);
      }
    }
  };
  struct Row {
    std::vector<std::u16string> before;
    std::vector<std::u16string> after;
  } rows[] = {
      // One leading separator goes; trailing ones all go.
      {{u"S:a", u"S:b", u"I", u"S:c", u"S:d"}, {u"s:b", u"i:item0"}},
      // A separator without references is the host's: "standard" keeps that.
      {{u"I", u"S:extA", u"S", u"I"}, {u"i:item0", u"s:extA,standard", u"i:item1"}},
      {{u"I", u"S", u"S:extA", u"I"}, {u"i:item0", u"s:standard,extA", u"i:item1"}},
      {{u"I", u"S:extA", u"S:extB", u"S:extA", u"I"}, {u"i:item0", u"s:extA,extB", u"i:item1"}},
      {{u"I", u"S", u"S", u"I"}, {u"i:item0", u"s:standard", u"i:item1"}},
      {{u"S", u"S", u"S"}, {}},
      {{u"I", u"S:a", u"I"}, {u"i:item0", u"s:a", u"i:item1"}},
  };
  for (const Row& row : rows) {
    CZorbExtensionMenu menu;
    build(row.before, menu);
    menu.RemoveExtraSeparators();
    EXPECT_EQ(Shape(menu), row.after);
  }
}

TEST(MenuNodes, ButtonWritesItsLabelResourceAfterTheTag) {
  CZorbExtensionButton button;
  button.SetAttribute(u"id", u"B1");
  EXPECT_EQ(Xml(button), u"<button id=\"B1\" />\r")
      << "without a resource id the generic element stands";
  button.m_labelResId = u"res_label";
  button.m_labelText = u"Label";
  EXPECT_EQ(Xml(button, 1), u"\t<button resid:label=\"res_label\" id=\"B1\" />\r");

  CString out(u"before");
  button.BuildXml(0, out);
  EXPECT_EQ(out, u"before<button resid:label=\"res_label\" id=\"B1\" />\r")
      << "appends, leaves what was there";

  std::unique_ptr<CZorbXmlObject> clone(button.Clone());
  auto* copy = dynamic_cast<CZorbExtensionButton*>(clone.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->m_labelText, u"Label");
  EXPECT_EQ(Xml(*copy), Xml(button));
}

TEST(MenuNodes, EveryAttributeAKindWritesTheReadersReadBack) {
  // One node of each kind with each of its attributes set, in a menus file.
  auto* menubar = new CZorbExtensionMenuBar();
  menubar->m_id = u"B";
  menubar->m_name = u"Bar";
  menubar->m_qqStringName = u"q";
  menubar->m_platform = u"mac";
  menubar->m_app = u"lw";
  menubar->m_showif = u"cond";
  auto* menu = new CZorbExtensionMenu();
  menu->m_id = u"M";
  menu->m_name = u"_Menu";
  menu->m_visible = false;
  menu->m_resourceName = u"res";
  menu->m_showif = u"cond";
  auto* item = new CZorbExtensionMenuItem();
  item->m_id = u"I";
  item->m_qqStringName = u"q";
  item->m_platform = u"mac";
  item->m_app = u"lw";
  item->m_showif = u"cond";
  item->m_dynamic = u"true";
  item->m_name = u"N";
  item->m_key = u"K";
  item->m_enabled = u"E";
  item->m_command = u"lw.run('<%= x %>')";
  item->m_checked = u"X";
  item->m_file = u"F";
  item->m_arguments = u"A & B";
  item->m_domRequired = false;
  item->m_resourceName = u"R";
  auto* separator = new CZorbExtensionMenuSeparator();
  separator->m_platform = u"win";
  separator->m_references = {u"extA", u"extB"};
  auto* format = new CZorbExtensionServerFormat();
  format->m_id = u"F1";
  format->m_title = u"T";
  format->m_file = u"f.htm";
  format->m_platform = u"mac";
  format->m_expression = u"<%= *# %>";
  format->m_visible = false;
  format->SetAttribute(u"decimals", u"2");
  menu->m_children.push_back(item);
  menu->m_children.push_back(separator);
  menu->m_children.push_back(format);
  menu->m_children.push_back(Item(u"after"));
  menubar->m_children.push_back(menu);
  CZorbExtensionShortcutList list;
  list.m_id = u"L";
  list.m_platform = u"mac";
  list.m_app = u"lw";
  auto* shortcut = new CZorbExtensionShortcut();
  shortcut->m_key = u"Cmd+1";
  shortcut->m_platform = u"mac";
  shortcut->m_domRequired = false;
  shortcut->m_app = u"a";
  shortcut->m_file = u"f";
  shortcut->m_arguments = u"g";
  shortcut->m_command = u"c";
  shortcut->m_enabled = u"e";
  shortcut->m_name = u"n";
  shortcut->m_checked = u"k";
  shortcut->m_qqStringName = u"q";
  shortcut->m_id = u"S";
  list.m_children.push_back(shortcut);
  CZorbExtensionTool tool;
  tool.m_id = u"T";
  tool.m_name = u"Hand";
  tool.m_platform = u"mac";
  auto* action = new CZorbExtensionAction(u"activate");
  action->m_key = u"H";
  action->m_id = u"TA";
  action->m_command = u"lw.hand()";
  tool.m_children.push_back(action);

  std::u16string text =
      u"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r<menus xmlns:QQString=\"ns\">\r";
  text += Xml(*menubar) + Xml(list) + Xml(tool) + u"</menus>\r";
  delete menubar;
  TempDir dir;
  std::string bytes;
  for (char16_t ch : text) bytes += static_cast<char>(ch);  // ASCII only
  TempDir::write(dir / "Menus.xml", bytes);
  CZorbMenusXmlFile file;
  ASSERT_EQ(file.Load(configtest::Colon(dir / "Menus.xml").c_str(), nullptr), 0);
  ASSERT_EQ(file.Save(configtest::Colon(dir / "Saved.xml").c_str()), 0);
  // The writer's bare word comes back from the file as the host writes it.
  std::string expected = bytes;
  const std::string flag = " dynamic=\"true\"";
  for (size_t at; (at = expected.find(flag)) != std::string::npos;)
    expected.replace(at, flag.size(), " dynamic");
  EXPECT_EQ(TempDir::read(dir / "Saved.xml"), expected);

  // The tables are what the readers walk: a name no kind has is refused,
  // and a server format keeps one in its attribute map.
  std::unique_ptr<CZorbXmlObject> node(cfgnode::CreateNode(u"MenuItem"));
  ASSERT_NE(dynamic_cast<CZorbExtensionMenuItem*>(node.get()), nullptr);
  const cfgnode::Table* table = cfgnode::TableOf(*node);
  ASSERT_NE(table, nullptr);
  EXPECT_TRUE(cfgnode::ReadAttribute(*table, *node, u"COMMAND", u"run()"));
  EXPECT_FALSE(cfgnode::ReadAttribute(*table, *node, u"unknown", u"x"));
  EXPECT_EQ(static_cast<CZorbExtensionMenuItem*>(node.get())->m_command, u"run()");
  EXPECT_TRUE(node->m_attributes.empty());
  std::unique_ptr<CZorbXmlObject> other(cfgnode::CreateNode(u"format"));
  EXPECT_FALSE(cfgnode::ReadAttribute(*cfgnode::TableOf(*other), *other, u"unknown", u"x"));
  EXPECT_EQ(other->m_attributes.size(), 1u);
  EXPECT_EQ(cfgnode::CreateNode(u"toolbar"), nullptr);
}
