// What a change remembers of the host's files travels in the description
// copy of the store: the reader gives back every record the writer wrote,
// as records of their change, so that a removal in a later run can put the
// host's nodes back.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "config/CZorbDocumentTypeChangeInsert.h"
#include "config/CZorbDocumentTypeConfigChanges.h"
#include "config/CZorbExtensionMenu.h"
#include "config/CZorbHostNode.h"
#include "config/CZorbMasterConfigChanges.h"
#include "config/CZorbMenuChangeInsert.h"
#include "config/CZorbMenuChangeRemove.h"
#include "config/CZorbShortcutChangeInsert.h"
#include "config/ConfigNodeTable.h"
#include "extension/CZorbExtension.h"
#include "extension/tests/KxiTestSupport.h"

using exttest::KxiTest;
using exttest::U;

namespace {

using Attributes = std::initializer_list<std::pair<const char16_t*, const char16_t*>>;

// A node of a host's file as the host-file readers make it.
CZorbXmlObject* Node(const char16_t* element, Attributes attributes,
                     std::initializer_list<CZorbXmlObject*> children = {}) {
  const cfgnode::Table* table = nullptr;
  CZorbXmlObject* node = cfgnode::CreateNode(element, table);
  for (const auto& [name, value] : attributes) {
    if (table)
      cfgnode::ReadAttribute(*table, *node, name, value);
    else if (node)
      node->SetAttribute(name, value);
  }
  if (!node) {
    node = new CZorbXmlObject(element);
    for (const auto& [name, value] : attributes) node->SetAttribute(name, value);
  }
  for (CZorbXmlObject* child : children) node->m_children.push_back(child);
  return node;
}

CZorbHostNode* Record(CZorbXmlObject* node, const char16_t* parent = u"", int index = -1,
                      bool removed = false) {
  auto* record = new CZorbHostNode(node);
  record->m_parent = parent;
  record->SetIndex(index);
  record->m_removed = removed;
  return record;
}

template <class Change>
Change* With(Change* change, std::initializer_list<CZorbXmlObject*> children) {
  for (CZorbXmlObject* child : children) change->m_children.push_back(child);
  return change;
}

std::u16string Written(const CZorbExtension& e) {
  CString text;
  e.DoBuildXml(0, text, true);
  return U(text);
}

int Records(const CZorbXmlObject& change) {
  int count = 0;
  for (const CZorbXmlObject* child : change.m_children)
    if (dynamic_cast<const CZorbHostNode*>(child)) ++count;
  return count;
}

// An extension whose changes remember what they took out of, merged into
// or overwrote in the host's files, with values a host file may hold.
void Fill(CZorbExtension& e) {
  auto* menus = new CZorbMasterConfigChanges();
  auto* remove = new CZorbMenuChangeRemove();
  remove->m_id = u"LWMenu_Tools";
  remove->m_children.push_back(
      Record(Node(u"menu", {{u"name", u"_Tools"}, {u"id", u"LWMenu_Tools"}},
                  {Node(u"menuitem", {{u"name", u"_Spell Check"},
                                      {u"key", u"Shift+F7"},
                                      {u"file", u"Menus/MM/Spell_Check.htm"},
                                      {u"id", u"LWMenu_Tools_Spell"}}),
                   Node(u"separator", {}),
                   Node(u"menuitem", {{u"name", u"Find & Replace"},
                                      {u"command", u"lw.find(1 < 2)"},
                                      {u"enabled", u"lw.canFind()"},
                                      {u"id", u"LWMenu_Tools_Find"}})}),
             u"LWMainMenu", 2, true));
  auto* insert = new CZorbMenuChangeInsert();
  insert->m_position = 4;
  insert->m_targetId = u"LWMenu_File";
  With(insert, {Node(u"menu", {{u"name", u"_File (mine)"}, {u"id", u"LWMenu_File"}}),
                Node(u"menuitem", {{u"name", u"Mine"}, {u"id", u"LWMenu_File_New"}}),
                Record(Node(u"menu", {{u"name", u"_File"}, {u"id", u"LWMenu_File"}})),
                Record(Node(u"menuitem", {{u"name", u"_New..."},
                                          {u"key", u"Cmd+N"},
                                          {u"command", u"lw.new()"},
                                          {u"id", u"LWMenu_File_New"}}))});
  auto* shortcut = new CZorbShortcutChangeInsert();
  shortcut->m_listId = u"LWMainWindow";
  With(shortcut,
       {Node(u"shortcut", {{u"key", u"Cmd+F"}, {u"command", u"mine()"}, {u"id", u"Find"}}),
        Record(Node(u"shortcut", {{u"key", u"Cmd+F"},
                                  {u"domRequired", u"false"},
                                  {u"command", u"lw.find()"},
                                  {u"id", u"Find"}}))});
  With(menus, {remove, insert, shortcut});

  auto* types = new CZorbDocumentTypeConfigChanges();
  auto* type = new CZorbDocumentTypeChangeInsert();
  auto* text = new CZorbXmlObject(u"winfileextension");
  text->m_text = u"htm,html";
  With(type, {Node(u"documenttype", {{u"id", u"HTML"}, {u"servermodel", u"mine"}}),
              Record(Node(u"documenttype", {{u"id", u"HTML"}, {u"internaltype", u"HTML"}},
                          {text, Node(u"macfileextension", {{u"value", u"htm"}})}))});
  types->m_children.push_back(type);

  e.m_configChanges.push_back(menus);
  e.m_configChanges.push_back(types);
}

}  // namespace

class HostNodeRecords : public KxiTest {};

TEST_F(HostNodeRecords, WritingAndReadingAgainKeepsEveryRecord) {
  CZorbExtension e;
  Fill(e);
  const std::u16string text = Written(e);
  ASSERT_NE(text.find(u"<host-node"), std::u16string::npos);

  CZorbExtension again;
  ASSERT_EQ(LoadText(again, std::string(text.begin(), text.end())), 0);
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(Written(again), text);
}

TEST_F(HostNodeRecords, RecordsBelongToTheirChangeAndNeverBecomeNodesOfIt) {
  CZorbExtension e;
  Fill(e);
  const std::u16string text = Written(e);
  CZorbExtension again;
  ASSERT_EQ(LoadText(again, std::string(text.begin(), text.end())), 0);
  ASSERT_EQ(again.m_configChanges.size(), 2u);

  // The set holds its three changes and nothing beside them.
  const CZorbConfigChanges& menus = *again.m_configChanges[0];
  ASSERT_EQ(menus.m_children.size(), 3u);
  auto it = menus.m_children.begin();
  const auto* remove = dynamic_cast<const CZorbMenuChangeRemove*>(*it++);
  const auto* insert = dynamic_cast<const CZorbMenuChangeInsert*>(*it++);
  const auto* shortcut = dynamic_cast<const CZorbShortcutChangeInsert*>(*it++);
  ASSERT_TRUE(remove && insert && shortcut);

  // The menu taken out comes back whole, at its place.
  ASSERT_EQ(remove->m_children.size(), 1u);
  const auto* record = dynamic_cast<const CZorbHostNode*>(remove->m_children.front());
  ASSERT_NE(record, nullptr);
  EXPECT_TRUE(record->m_removed);
  EXPECT_EQ(U(record->m_parent), u"LWMainMenu");
  EXPECT_EQ(record->Index(), 2);
  const auto* menu = dynamic_cast<const CZorbExtensionMenu*>(record->Node());
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->m_children.size(), 3u);

  // The insert's own nodes stay its nodes; the host's are records only.
  EXPECT_EQ(insert->m_children.size(), 4u);
  EXPECT_EQ(Records(*insert), 2);
  EXPECT_EQ(Records(*shortcut), 1);
  const CZorbXmlObject& type = *again.m_configChanges[1]->m_children.front();
  EXPECT_EQ(Records(type), 1);
}

TEST_F(HostNodeRecords, AHostsElementsKeepTheirNamesWhateverTheyMeanInADescription) {
  // A host's entry may hold elements named like parts of a description;
  // inside a record they are the host's, and nothing of the extension.
  CZorbExtension e;
  auto* types = new CZorbDocumentTypeConfigChanges();
  auto* type = new CZorbDocumentTypeChangeInsert();
  auto* description = new CZorbXmlObject(u"description");
  description->m_text = u"the host's";
  auto* access = new CZorbXmlObject(u"ui-access");
  access->m_text = u"kept";
  With(type,
       {Node(u"documenttype", {{u"id", u"HTML"}}),
        Record(Node(
            u"documenttype", {{u"id", u"HTML"}},
            {description, access, Node(u"file", {{u"source", u"x.htm"}}),
             Node(u"product", {{u"name", u"Other"}}), Node(u"menu-insert", {{u"appendTo", u"x"}}),
             Node(u"host-node", {{u"index", u"1"}}), Node(u"configuration-changes", {})}))});
  types->m_children.push_back(type);
  e.m_configChanges.push_back(types);
  const std::u16string text = Written(e);

  CZorbExtension again;
  ASSERT_EQ(LoadText(again, std::string(text.begin(), text.end())), 0);
  EXPECT_EQ(Written(again), text);
  EXPECT_EQ(again.m_configChanges.size(), 1u);
  EXPECT_TRUE(again.m_files.m_children.empty());
  EXPECT_TRUE(again.m_products.m_children.empty());
  EXPECT_EQ(U(again.m_description), u"");
  EXPECT_EQ(U(again.m_uiAccess), u"");
  EXPECT_EQ(Records(*again.m_configChanges[0]->m_children.front()), 1);
}
