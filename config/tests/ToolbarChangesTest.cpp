#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "config/CZorbToolbarChangeInsert.h"
#include "config/CZorbToolbarChangeRemove.h"
#include "config/CZorbToolbarConfigChanges.h"
#include "config/CZorbToolbarItemChangeInsert.h"
#include "config/CZorbToolbarItemChangeRemove.h"
#include "config/tests/ChangeSetApplier.h"
#include "config/tests/ConfigTestFiles.h"
#include "config/tests/XmlChangeTestSupport.h"

using namespace config2test;
using configtest::ApplyChangeSet;
using configtest::Canonical;
using configtest::Operation;

namespace {

using Code = CZorbConfigChange::ErrorCode;
using Ids = std::vector<std::u16string>;

CZorbXmlObject* Button(const char16_t* id) {
  return Node(u"button", {{u"id", id}, {u"command", u"lw.run('" + std::u16string(id) + u"')"}});
}

CZorbToolbarItemChangeInsert* ItemInsert(int position, const char16_t* id,
                                         std::initializer_list<CZorbXmlObject*> items,
                                         const char16_t* toolbar = u"") {
  auto* change = new CZorbToolbarItemChangeInsert();
  change->m_position = position;
  change->m_id = id;
  change->m_toolbarId = toolbar;
  return With(change, items);
}

CZorbToolbarChangeInsert* ToolbarInsert(std::initializer_list<CZorbXmlObject*> toolbars) {
  return With(new CZorbToolbarChangeInsert(), toolbars);
}

class ToolbarChangesTest : public testsupport::SandboxTest {
 protected:
  HostFile Host() {
    return HostFile(sandbox, "Config/Toolbars/toolbars.xml", Canonical(Fixture("toolbars.xml")));
  }

  static CZorbXmlObject* Toolbar(HostFile& host, const char16_t* id) {
    return Find(host.get(), u"toolbar", id);
  }
};

}  // namespace

TEST_F(ToolbarChangesTest, FixtureComesBackUnchangedFromALoadAndASave) {
  HostFile host = Host();
  ASSERT_TRUE(host.Loaded());
  EXPECT_EQ(host.Saved(), Canonical(Fixture("toolbars.xml")));
}

TEST_F(ToolbarChangesTest, InstallThenRemoveGivesBackTheFile) {
  const std::string original = Canonical(Fixture("toolbars.xml"));
  sandbox.writeFile("Config/Toolbars/toolbars.xml", original);

  CZorbToolbarConfigChanges set;
  set.m_children.push_back(
      ToolbarInsert({Node(u"toolbar", {{u"id", u"MyExt_Toolbar"}, {u"label", u"Mine"}},
                          {Button(u"MyExt_A"), Button(u"MyExt_B")}),
                     Node(u"toolbar", {{u"id", u"LW_Standard"}}, {Button(u"MyExt_Save")})}));
  set.m_children.push_back(
      ItemInsert(CZorbConfigChange::kInsertAfter, u"LW_CodeView",
                 {Button(u"MyExt_1"), Button(u"MyExt_2"), Button(u"MyExt_3")}));
  set.m_children.push_back(ItemInsert(CZorbConfigChange::kPrependTo, u"lw_standard",
                                      {Button(u"MyExt_4"), Button(u"MyExt_5")}));
  set.m_children.push_back(
      ItemInsert(CZorbConfigChange::kInsertBefore, u"LW_Open", {Button(u"MyExt_6")}));

  const auto installed = ApplyChangeSet(set, sandbox.colon("Config"), Operation::Install);
  EXPECT_EQ(installed.results, (std::vector<int>{0, 0, 0, 0}));
  ASSERT_TRUE(installed.saved);

  {
    HostFile check(sandbox, "Config/Toolbars/toolbars.xml",
                   sandbox.readFile("Config/Toolbars/toolbars.xml"));
    EXPECT_EQ(ChildIds(Toolbar(check, u"LW_Document")),
              (Ids{u"LW_CodeView", u"MyExt_1", u"MyExt_2", u"MyExt_3", u"", u"LW_FileMgmt",
                   u"LW_Title"}));
    EXPECT_EQ(ChildIds(Toolbar(check, u"LW_Standard")),
              (Ids{u"MyExt_4", u"MyExt_5", u"LW_New", u"MyExt_6", u"LW_Open", u"MyExt_Save"}));
    EXPECT_EQ(ChildIds(Toolbar(check, u"MyExt_Toolbar")), (Ids{u"MyExt_A", u"MyExt_B"}));
  }

  const auto removed = ApplyChangeSet(set, sandbox.colon("Config"), Operation::Remove);
  EXPECT_EQ(removed.errors, 0);
  EXPECT_EQ(sandbox.readFile("Config/Toolbars/toolbars.xml"), original);
}

TEST_F(ToolbarChangesTest, ItemInsertFindsItsPlaceOrFallsBack) {
  struct Case {
    const char* name;
    int position;
    const char16_t* id;
    const char16_t* toolbar;
    Code code;
    const char16_t* into;
    Ids expected;
  } cases[] = {
      {"before an item",
       CZorbConfigChange::kInsertBefore,
       u"lw_fileMGMT",
       u"",
       Code::kNoError,
       u"LW_Document",
       {u"LW_CodeView", u"", u"X1", u"X2", u"LW_FileMgmt", u"LW_Title"}},
      {"after the last item",
       CZorbConfigChange::kInsertAfter,
       u"LW_Open",
       u"",
       Code::kNoError,
       u"LW_Standard",
       {u"LW_New", u"LW_Open", u"X1", u"X2"}},
      {"front of a toolbar",
       CZorbConfigChange::kPrependTo,
       u"LW_Standard",
       u"",
       Code::kNoError,
       u"LW_Standard",
       {u"X1", u"X2", u"LW_New", u"LW_Open"}},
      {"end of a toolbar",
       CZorbConfigChange::kAppendTo,
       u"LW_Standard",
       u"",
       Code::kNoError,
       u"LW_Standard",
       {u"LW_New", u"LW_Open", u"X1", u"X2"}},
      {"missing item, named toolbar",
       CZorbConfigChange::kInsertBefore,
       u"Nowhere",
       u"LW_Standard",
       Code::kNoError,
       u"LW_Standard",
       {u"LW_New", u"LW_Open", u"X1", u"X2"}},
      {"missing item and toolbar",
       CZorbConfigChange::kInsertAfter,
       u"Nowhere",
       u"Nothing",
       Code::kPlacedInFallbackToolbar,
       u"Miscellaneous_Toolbar",
       {u"X1", u"X2"}},
      {"missing toolbar",
       CZorbConfigChange::kAppendTo,
       u"Nothing",
       u"",
       Code::kPlacedInFallbackToolbar,
       u"Miscellaneous_Toolbar",
       {u"X1", u"X2"}},
      {"no position",
       0,
       u"LW_Standard",
       u"",
       Code::kPlacedInFallbackToolbar,
       u"Miscellaneous_Toolbar",
       {u"X1", u"X2"}},
      {"a toolbar id is no item",
       CZorbConfigChange::kInsertAfter,
       u"LW_Standard",
       u"",
       Code::kPlacedInFallbackToolbar,
       u"Miscellaneous_Toolbar",
       {u"X1", u"X2"}},
  };
  for (const Case& c : cases) {
    HostFile host = Host();
    std::unique_ptr<CZorbToolbarItemChangeInsert> change(
        ItemInsert(c.position, c.id, {Button(u"X1"), Button(u"X2")}, c.toolbar));
    EXPECT_EQ(change->MakeChange(nullptr, host.get(), nullptr), c.code) << c.name;
    EXPECT_EQ(ChildIds(Toolbar(host, c.into)), c.expected) << c.name;
  }
}

TEST_F(ToolbarChangesTest, FallbackToolbarIsMadeOnceAndOutlivesTheUndo) {
  HostFile host = Host();
  std::unique_ptr<CZorbToolbarItemChangeInsert> first(ItemInsert(0, u"", {Button(u"X1")}));
  std::unique_ptr<CZorbToolbarItemChangeInsert> second(ItemInsert(0, u"", {Button(u"X2")}));
  EXPECT_EQ(first->MakeChange(nullptr, host.get(), nullptr), Code::kPlacedInFallbackToolbar);
  EXPECT_EQ(second->MakeChange(nullptr, host.get(), nullptr), Code::kPlacedInFallbackToolbar);

  CZorbXmlObject* toolbarset = CZorbToolbarChange::FindToolbarSet(host.get());
  EXPECT_EQ(ChildIds(toolbarset),
            (Ids{u"", u"LW_Document", u"LW_Standard", u"Miscellaneous_Toolbar"}));
  CZorbXmlObject* misc = Toolbar(host, u"Miscellaneous_Toolbar");
  EXPECT_EQ(ChildIds(misc), (Ids{u"X1", u"X2"}));
  EXPECT_FALSE(Attr(misc, u"label").empty());

  EXPECT_EQ(first->UndoChange(nullptr, host.get(), nullptr), Code::kNoError);
  EXPECT_EQ(second->UndoChange(nullptr, host.get(), nullptr), Code::kNoError);
  ASSERT_EQ(Toolbar(host, u"Miscellaneous_Toolbar"), misc);
  EXPECT_TRUE(misc->m_children.empty());
}

TEST_F(ToolbarChangesTest, AnItemWithAnExistingIdIsOverwrittenWhereItStands) {
  HostFile host = Host();
  std::unique_ptr<CZorbToolbarItemChangeInsert> change(
      ItemInsert(CZorbConfigChange::kAppendTo, u"LW_Document",
                 {Node(u"button", {{u"id", u"lw_new"}, {u"command", u"mine()"}},
                       {Node(u"icon", {{u"src", u"n.png"}})}),
                  Button(u"X1")}));
  EXPECT_EQ(change->MakeChange(nullptr, host.get(), nullptr), Code::kNoError);
  EXPECT_EQ(ChildIds(Toolbar(host, u"LW_Standard")), (Ids{u"lw_new", u"LW_Open"}));
  EXPECT_EQ(ChildIds(Toolbar(host, u"LW_Document")),
            (Ids{u"LW_CodeView", u"", u"LW_FileMgmt", u"LW_Title", u"X1"}));
  const CZorbXmlObject* overwritten = Toolbar(host, u"LW_Standard")->m_children.front();
  EXPECT_EQ(Attr(overwritten, u"command"), u"mine()");
  EXPECT_EQ(Attr(overwritten, u"tooltip"), u"");
  ASSERT_EQ(overwritten->m_children.size(), 1u);

  // The same through a toolbar insert into the existing toolbar; items
  // without an id are left out there.
  std::unique_ptr<CZorbToolbarChangeInsert> insert(
      ToolbarInsert({Node(u"toolbar", {{u"id", u"LW_STANDARD"}},
                          {Node(u"button", {{u"id", u"LW_Open"}, {u"tooltip", u"Again"}}),
                           Node(u"separator", {}), Button(u"X2")}),
                     new CZorbXmlComment(u"not a toolbar")}));
  EXPECT_EQ(insert->MakeChange(nullptr, host.get(), nullptr), Code::kNoError);
  EXPECT_EQ(ChildIds(Toolbar(host, u"LW_Standard")), (Ids{u"lw_new", u"LW_Open", u"X2"}));
  EXPECT_EQ(Attr(Toolbar(host, u"LW_Standard")->m_children.back(), u"command"), u"lw.run('X2')");
  EXPECT_EQ(Attr(Find(host.get(), u"button", u"LW_Open"), u"tooltip"), u"Again");
}

TEST_F(ToolbarChangesTest, UndoOfAToolbarInsertLeavesAToolbarThatStillHoldsItems) {
  HostFile host = Host();
  std::unique_ptr<CZorbToolbarChangeInsert> mine(
      ToolbarInsert({Node(u"toolbar", {{u"id", u"Shared"}}, {Button(u"Mine")})}));
  std::unique_ptr<CZorbToolbarChangeInsert> theirs(
      ToolbarInsert({Node(u"toolbar", {{u"id", u"Shared"}}, {Button(u"Theirs")})}));
  EXPECT_EQ(mine->MakeChange(nullptr, host.get(), nullptr), Code::kNoError);
  EXPECT_EQ(theirs->MakeChange(nullptr, host.get(), nullptr), Code::kNoError);
  EXPECT_EQ(ChildIds(Toolbar(host, u"Shared")), (Ids{u"Mine", u"Theirs"}));

  EXPECT_EQ(mine->UndoChange(nullptr, host.get(), nullptr), Code::kNoError);
  EXPECT_EQ(ChildIds(Toolbar(host, u"Shared")), (Ids{u"Theirs"}));
  EXPECT_EQ(theirs->UndoChange(nullptr, host.get(), nullptr), Code::kNoError);
  EXPECT_EQ(Toolbar(host, u"Shared"), nullptr);
}

TEST_F(ToolbarChangesTest, UndoOfANewToolbarTakesItsOwnItemNotTheHostsNamesake) {
  // A new toolbar is copied whole, so it may carry an item whose id a host
  // toolbar earlier in the file also has; the undo must not take the host's.
  HostFile host = Host();
  const std::string original = host.Saved();
  std::unique_ptr<CZorbToolbarChangeInsert> insert(ToolbarInsert(
      {Node(u"toolbar", {{u"id", u"MyExt_Toolbar"}}, {Button(u"LW_New"), Button(u"MyExt_A")})}));
  ASSERT_EQ(insert->MakeChange(nullptr, host.get(), nullptr), Code::kNoError);
  EXPECT_EQ(ChildIds(Toolbar(host, u"MyExt_Toolbar")), (Ids{u"LW_New", u"MyExt_A"}));
  EXPECT_EQ(insert->UndoChange(nullptr, host.get(), nullptr), Code::kNoError);
  EXPECT_EQ(Toolbar(host, u"MyExt_Toolbar"), nullptr);
  EXPECT_EQ(ChildIds(Toolbar(host, u"LW_Standard")), (Ids{u"LW_New", u"LW_Open"}));
  EXPECT_EQ(host.Saved(), original);
}

TEST_F(ToolbarChangesTest, FailuresAndRemoves) {
  HostFile host = Host();
  CZorbGenericXmlFile empty;
  auto remove = ById<CZorbToolbarChangeRemove>;
  auto removeItem = ById<CZorbToolbarItemChangeRemove>;
  struct Case {
    const char* name;
    CZorbConfigChange* change;
    CZorbXmlFile* file;
    Code code;
  } cases[] = {
      {"insert without toolbarset", ToolbarInsert({Node(u"toolbar", {{u"id", u"T"}})}), &empty,
       Code::kToolbarChangeFailed},
      {"insert without a toolbar", ToolbarInsert({Button(u"B")}), host.get(),
       Code::kToolbarChangeFailed},
      {"item insert without toolbarset", ItemInsert(4, u"LW_Standard", {Button(u"B")}), &empty,
       Code::kToolbarChangeFailed},
      {"item insert without a file", ItemInsert(4, u"LW_Standard", {Button(u"B")}), nullptr,
       Code::kToolbarChangeFailed},
      {"remove a missing toolbar", remove(u"Nothing"), host.get(), Code::kToolbarChangeFailed},
      {"remove with an empty id", remove(u""), host.get(), Code::kToolbarChangeFailed},
      {"remove a missing item", removeItem(u"Nothing"), host.get(), Code::kToolbarChangeFailed},
      {"remove without a file", removeItem(u"LW_New"), nullptr, Code::kToolbarChangeFailed},
      {"remove an item", removeItem(u"lw_new"), host.get(), Code::kNoError},
      {"remove the last item, the toolbar stays", removeItem(u"LW_Open"), host.get(),
       Code::kNoError},
      {"remove a toolbar", remove(u"lw_document"), host.get(), Code::kNoError},
  };
  for (Case& c : cases) {
    std::unique_ptr<CZorbConfigChange> change(c.change);
    EXPECT_EQ(change->MakeChange(nullptr, c.file, nullptr), c.code) << c.name;
    // Undos never fail and a remove's undo changes nothing.
    const std::u16string before = Document(*host.get());
    EXPECT_EQ(change->UndoChange(nullptr, nullptr, nullptr), Code::kNoError) << c.name;
    if (dynamic_cast<CZorbToolbarChangeRemove*>(change.get()) ||
        dynamic_cast<CZorbToolbarItemChangeRemove*>(change.get())) {
      EXPECT_EQ(change->UndoChange(nullptr, host.get(), nullptr), Code::kNoError) << c.name;
      EXPECT_EQ(Document(*host.get()), before) << c.name;
    }
  }
  EXPECT_EQ(ChildIds(CZorbToolbarChange::FindToolbarSet(host.get())), (Ids{u"", u"LW_Standard"}));
  EXPECT_TRUE(Toolbar(host, u"LW_Standard")->m_children.empty());
}

TEST_F(ToolbarChangesTest, AToolbarFileOfTheExtensionIsMadeFromTheTemplate) {
  CZorbToolbarConfigChanges set;
  set.m_fileName = u"MyExt.xml";
  set.m_children.push_back(
      ToolbarInsert({Node(u"toolbar", {{u"id", u"MyExt_Toolbar"}}, {Button(u"MyExt_A")})}));
  sandbox.makeFolder("Config/Toolbars");
  const auto installed = ApplyChangeSet(set, sandbox.colon("Config"), Operation::Install);
  EXPECT_EQ(installed.results, (std::vector<int>{0}));
  HostFile check(sandbox, "Config/Toolbars/MyExt.xml",
                 sandbox.readFile("Config/Toolbars/MyExt.xml"));
  ASSERT_TRUE(check.Loaded());
  EXPECT_EQ(ChildIds(Toolbar(check, u"MyExt_Toolbar")), (Ids{u"MyExt_A"}));
}

TEST(ToolbarChanges, WriteThemselvesAsDescriptionElements) {
  auto* items = ItemInsert(CZorbConfigChange::kInsertBefore, u"LW_New",
                           {Node(u"button", {{u"id", u"B"}})}, u"LW_Standard");
  items->m_locale = u"de_DE";
  auto* remove = new CZorbToolbarChangeRemove();
  remove->m_id = u"T";
  auto* removeItem = new CZorbToolbarItemChangeRemove();
  removeItem->m_id = u"B";
  removeItem->m_locale = u"fr";
  struct Case {
    CZorbXmlObject* change;
    std::u16string expected;
  } cases[] = {
      {items,
       u"\t<toolbar-item-insert insertBefore=\"LW_New\" toolbar=\"LW_Standard\" "
       u"xml:lang=\"de_DE\">\r"
       u"\t\t<button id=\"B\" />\r\t</toolbar-item-insert>\r"},
      {ItemInsert(CZorbConfigChange::kInsertAfter, u"X", {}),
       u"\t<toolbar-item-insert insertAfter=\"X\">\r\t</toolbar-item-insert>\r"},
      {ItemInsert(CZorbConfigChange::kPrependTo, u"X", {}),
       u"\t<toolbar-item-insert prependTo=\"X\">\r\t</toolbar-item-insert>\r"},
      {ItemInsert(0, u"X", {}),
       u"\t<toolbar-item-insert appendTo=\"X\">\r\t</toolbar-item-insert>\r"},
      {ToolbarInsert({Node(u"toolbar", {{u"id", u"T"}})}),
       u"\t<toolbar-insert>\r\t\t<toolbar id=\"T\" />\r\t</toolbar-insert>\r"},
      {remove, u"\t<toolbar-remove id=\"T\" />\r"},
      {removeItem, u"\t<toolbar-item-remove id=\"B\" xml:lang=\"fr\" />\r"},
  };
  for (Case& c : cases) {
    std::unique_ptr<CZorbXmlObject> change(c.change);
    std::unique_ptr<CZorbXmlObject> copy(change->Clone());
    EXPECT_EQ(Written(*copy, 1), c.expected);
  }
}
