#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "config/CZorbExtensionButton.h"
#include "config/CZorbInsertbarChangeInsert.h"
#include "config/CZorbInsertbarChangeRemove.h"
#include "config/CZorbInsertbarConfigChanges.h"
#include "config/CZorbInsertbarItemChangeInsert.h"
#include "config/CZorbInsertbarItemChangeRemove.h"
#include "config/tests/ChangeSetApplier.h"
#include "config/tests/ConfigTestFiles.h"
#include "config/tests/XmlChangeTestSupport.h"
#include "transaction/CInstallCreateFolder.h"
#include "transaction/CZorbExtensionInstallStep.h"

using namespace config2test;
using configtest::ApplyChangeSet;
using configtest::Canonical;
using configtest::Operation;

namespace {

using Code = CZorbConfigChange::ErrorCode;
using Ids = std::vector<std::u16string>;

CZorbXmlObject* Button(const char16_t* id) {
  return Node(u"button", {{u"id", id}, {u"label", id}});
}

CZorbExtensionButton* LabelledButton(const char16_t* id, const char16_t* text) {
  auto* button = new CZorbExtensionButton();
  button->SetAttribute(u"id", id);
  button->m_labelResId = u"insertbar/label/x";
  button->m_labelText = text;
  return button;
}

CZorbInsertbarItemChangeInsert* ItemInsert(int position, const char16_t* id,
                                           std::initializer_list<CZorbXmlObject*> items,
                                           const char16_t* category = u"") {
  auto* change = new CZorbInsertbarItemChangeInsert();
  change->m_position = position;
  change->m_id = id;
  change->m_categoryId = category;
  return With(change, items);
}

CZorbInsertbarChangeInsert* CategoryInsert(int position, const char16_t* id,
                                           std::initializer_list<CZorbXmlObject*> categories) {
  auto* change = new CZorbInsertbarChangeInsert();
  change->m_position = position;
  change->m_id = id;
  return With(change, categories);
}

CZorbXmlObject* Category(const char16_t* id, std::initializer_list<CZorbXmlObject*> items) {
  return Node(u"category", {{u"id", id}, {u"folder", id}}, items);
}

// The sandbox stands in for a product: the reader only compares pointers.
const testsupport::SandboxMachine* g_box = nullptr;

class InsertbarChangesTest : public testsupport::SandboxTest {
 protected:
  void TearDown() override { CZorbInsertbarItemChangeInsert::SetInstallFolderReader(nullptr); }

  HostFile Host() {
    return HostFile(sandbox, "Config/Objects/insertbar.xml", Canonical(Fixture("insertbar.xml")));
  }

  static CZorbXmlObject* Insertbar(HostFile& host) {
    return CZorbInsertbarChange::FindInsertbar(host.get());
  }
  static CZorbXmlObject* CategoryOf(HostFile& host, const char16_t* id) {
    return Find(host.get(), u"category", id);
  }
};

}  // namespace

TEST_F(InsertbarChangesTest, FixtureComesBackUnchangedFromALoadAndASave) {
  HostFile host = Host();
  ASSERT_TRUE(host.Loaded());
  EXPECT_EQ(host.Saved(), Canonical(Fixture("insertbar.xml")));
}

TEST_F(InsertbarChangesTest, InstallThenRemoveGivesBackTheFile) {
  const std::string original = Canonical(Fixture("insertbar.xml"));
  sandbox.writeFile("Config/Objects/insertbar.xml", original);

  CZorbInsertbarConfigChanges set;
  set.m_children.push_back(
      CategoryInsert(CZorbConfigChange::kInsertAfter, u"LW_Insertbar_Layout",
                     {Category(u"MyExt_One", {Button(u"MyExt_A")}),
                      Category(u"MyExt_Two", {Button(u"MyExt_B"), Button(u"MyExt_C")})}));
  set.m_children.push_back(
      CategoryInsert(0, u"", {Category(u"LW_Insertbar_Forms", {Button(u"MyExt_Field")})}));
  set.m_children.push_back(
      ItemInsert(CZorbConfigChange::kAppendTo, u"LW_Tables", {Button(u"MyExt_Grid")}));
  set.m_children.push_back(
      ItemInsert(CZorbConfigChange::kInsertBefore, u"LW_Form", {Button(u"MyExt_Before")}));
  set.m_children.push_back(
      ItemInsert(CZorbConfigChange::kInsertAfter, u"Nowhere", {Button(u"MyExt_Lost")}));

  const auto installed = ApplyChangeSet(set, sandbox.colon("Config"), Operation::Install);
  EXPECT_EQ(installed.results, (std::vector<int>{0, 0, 0, 0, Code::kPlacedInFallbackCategory}));
  EXPECT_EQ(installed.warnings, 1);
  ASSERT_TRUE(installed.saved);
  {
    HostFile check(sandbox, "Config/Objects/insertbar.xml",
                   sandbox.readFile("Config/Objects/insertbar.xml"));
    EXPECT_EQ(ChildIds(Insertbar(check)),
              (Ids{u"LW_Insertbar_Layout", u"MyExt_One", u"MyExt_Two", u"LW_Insertbar_Forms",
                   u"LW_Insertbar_Favorites", u"LW_Insertbar_Common"}));
    EXPECT_EQ(ChildIds(CategoryOf(check, u"LW_Insertbar_Forms")),
              (Ids{u"MyExt_Before", u"LW_Form", u"MyExt_Field"}));
    EXPECT_EQ(ChildIds(Find(check.get(), u"menubutton", u"LW_Tables")),
              (Ids{u"LW_Table", u"LW_Expanded", u"MyExt_Grid"}));
    EXPECT_EQ(Attr(CategoryOf(check, u"LW_Insertbar_Common"), u"folder"), u"Common");
  }

  const auto removed = ApplyChangeSet(set, sandbox.colon("Config"), Operation::Remove);
  EXPECT_EQ(removed.errors, 0);
  EXPECT_EQ(sandbox.readFile("Config/Objects/insertbar.xml"), original);
}

TEST_F(InsertbarChangesTest, UndoOfANewCategoryTakesItsOwnItemsNotTheHostsNamesakes) {
  // A new category is copied whole, so it may carry items whose ids the
  // host's categories also have; the undo must not take the host's.
  HostFile host = Host();
  const std::string original = host.Saved();
  std::unique_ptr<CZorbInsertbarChangeInsert> insert(CategoryInsert(
      0, u"",
      {Category(u"MyExt_Cat", {Button(u"LW_Div"), Button(u"LW_Table"), Button(u"LW_Form")})}));
  ASSERT_EQ(insert->MakeChange(nullptr, host.get(), nullptr), Code::kNoError);
  EXPECT_EQ(ChildIds(CategoryOf(host, u"MyExt_Cat")), (Ids{u"LW_Div", u"LW_Table", u"LW_Form"}));
  EXPECT_EQ(insert->UndoChange(nullptr, host.get(), nullptr), Code::kNoError);
  EXPECT_EQ(CategoryOf(host, u"MyExt_Cat"), nullptr);
  EXPECT_EQ(ChildIds(CategoryOf(host, u"LW_Insertbar_Forms")), (Ids{u"LW_Form"}));
  EXPECT_EQ(host.Saved(), original);
}

TEST_F(InsertbarChangesTest, ItemInsertFindsItsPlaceOrFallsBack) {
  struct Case {
    const char* name;
    int position;
    const char16_t* id;
    const char16_t* category;
    Code code;
    const char16_t* tag;
    const char16_t* into;
    Ids expected;
  } cases[] = {
      {"after an item in a menubutton",
       CZorbConfigChange::kInsertAfter,
       u"lw_table",
       u"",
       Code::kNoError,
       u"menubutton",
       u"LW_Tables",
       {u"LW_Table", u"X1", u"X2", u"LW_Expanded"}},
      {"before an item",
       CZorbConfigChange::kInsertBefore,
       u"LW_Div",
       u"",
       Code::kNoError,
       u"category",
       u"LW_Insertbar_Layout",
       {u"X1", u"X2", u"LW_Div", u"LW_Tables", u""}},
      {"front of a category",
       CZorbConfigChange::kPrependTo,
       u"LW_Insertbar_Forms",
       u"",
       Code::kNoError,
       u"category",
       u"LW_Insertbar_Forms",
       {u"X1", u"X2", u"LW_Form"}},
      {"front of a menubutton",
       CZorbConfigChange::kPrependTo,
       u"LW_Tables",
       u"",
       Code::kNoError,
       u"menubutton",
       u"LW_Tables",
       {u"X1", u"X2", u"LW_Table", u"LW_Expanded"}},
      {"missing item, named category",
       CZorbConfigChange::kInsertAfter,
       u"Nowhere",
       u"lw_insertbar_forms",
       Code::kNoError,
       u"category",
       u"LW_Insertbar_Forms",
       {u"LW_Form", u"X1", u"X2"}},
      {"an item that is no menubutton",
       CZorbConfigChange::kAppendTo,
       u"LW_Div",
       u"",
       Code::kPlacedInFallbackCategory,
       u"category",
       u"LW_Insertbar_Common",
       {u"X1", u"X2"}},
      {"no position",
       0,
       u"LW_Insertbar_Forms",
       u"",
       Code::kPlacedInFallbackCategory,
       u"category",
       u"LW_Insertbar_Common",
       {u"X1", u"X2"}},
  };
  for (const Case& c : cases) {
    HostFile host = Host();
    std::unique_ptr<CZorbInsertbarItemChangeInsert> change(
        ItemInsert(c.position, c.id, {Button(u"X1"), Button(u"X2")}, c.category));
    EXPECT_EQ(change->MakeChange(nullptr, host.get(), nullptr), c.code) << c.name;
    EXPECT_EQ(ChildIds(Find(host.get(), c.tag, c.into)), c.expected) << c.name;
  }
}

TEST_F(InsertbarChangesTest, OverwritingTheMenubuttonOfTheReferenceKeepsTheRestInIt) {
  const std::string original = Canonical(Fixture("insertbar.xml"));
  HostFile host = Host();
  std::unique_ptr<CZorbInsertbarItemChangeInsert> change(ItemInsert(
      CZorbConfigChange::kInsertBefore, u"LW_Table",
      {Node(u"menubutton", {{u"id", u"LW_Tables"}, {u"label", u"Mine"}}, {Button(u"M1")}),
       Button(u"X1")}));
  EXPECT_EQ(change->MakeChange(nullptr, host.get(), nullptr), Code::kNoError);
  EXPECT_EQ(ChildIds(CategoryOf(host, u"LW_Insertbar_Layout")),
            (Ids{u"LW_Div", u"LW_Tables", u""}));
  EXPECT_EQ(ChildIds(Find(host.get(), u"menubutton", u"LW_Tables")), (Ids{u"M1", u"X1"}));
  // The host's menubutton, overwritten, comes back as it was.
  EXPECT_EQ(change->UndoChange(nullptr, host.get(), nullptr), Code::kNoError);
  EXPECT_EQ(host.Saved(), original);
}

TEST_F(InsertbarChangesTest, AnEmptiedCategoryGoesUnlessItIsTheFavourites) {
  HostFile host = Host();
  struct Step {
    const char* name;
    const char16_t* id;
    Code code;
    Ids categories;
  } steps[] = {
      {"last item of a category",
       u"LW_Form",
       Code::kNoError,
       {u"LW_Insertbar_Layout", u"LW_Insertbar_Favorites"}},
      {"last item of the favourites",
       u"lw_fav_one",
       Code::kNoError,
       {u"LW_Insertbar_Layout", u"LW_Insertbar_Favorites"}},
      {"inside a menubutton",
       u"LW_Table",
       Code::kNoError,
       {u"LW_Insertbar_Layout", u"LW_Insertbar_Favorites"}},
      {"last item of a menubutton",
       u"LW_Expanded",
       Code::kNoError,
       {u"LW_Insertbar_Layout", u"LW_Insertbar_Favorites"}},
      {"gone already",
       u"LW_Form",
       Code::kInsertbarChangeFailed,
       {u"LW_Insertbar_Layout", u"LW_Insertbar_Favorites"}},
  };
  for (const Step& s : steps) {
    std::unique_ptr<CZorbInsertbarItemChangeRemove> change(
        ById<CZorbInsertbarItemChangeRemove>(s.id));
    EXPECT_EQ(change->MakeChange(nullptr, host.get(), nullptr), s.code) << s.name;
    EXPECT_EQ(ChildIds(Insertbar(host)), s.categories) << s.name;
  }
  EXPECT_TRUE(CategoryOf(host, u"LW_Insertbar_Favorites")->m_children.empty());
  // The menubutton stays, empty: only a category goes with its last item.
  EXPECT_EQ(ChildIds(CategoryOf(host, u"LW_Insertbar_Layout")),
            (Ids{u"LW_Div", u"LW_Tables", u""}));
}

TEST_F(InsertbarChangesTest, CategoryInsertMergesOrPlacesWholeCategories) {
  HostFile host = Host();
  std::unique_ptr<CZorbInsertbarChangeInsert> before(
      CategoryInsert(CZorbConfigChange::kInsertBefore, u"LW_INSERTBAR_FORMS",
                     {Category(u"A", {Button(u"A1")}), Category(u"B", {})}));
  EXPECT_EQ(before->MakeChange(nullptr, host.get(), nullptr), Code::kNoError);
  std::unique_ptr<CZorbInsertbarChangeInsert> missingReference(CategoryInsert(
      CZorbConfigChange::kInsertAfter, u"Nowhere", {Category(u"C", {}), Category(u"D", {})}));
  EXPECT_EQ(missingReference->MakeChange(nullptr, host.get(), nullptr), Code::kNoError);
  // Without the reference the categories keep their order at the end.
  EXPECT_EQ(ChildIds(Insertbar(host)),
            (Ids{u"LW_Insertbar_Layout", u"A", u"B", u"LW_Insertbar_Forms",
                 u"LW_Insertbar_Favorites", u"C", u"D"}));
  std::unique_ptr<CZorbInsertbarChangeInsert> after(CategoryInsert(
      CZorbConfigChange::kInsertAfter, u"a", {Category(u"A2", {}), Category(u"A3", {})}));
  EXPECT_EQ(after->MakeChange(nullptr, host.get(), nullptr), Code::kNoError);
  EXPECT_EQ(ChildIds(Insertbar(host)),
            (Ids{u"LW_Insertbar_Layout", u"A", u"A2", u"A3", u"B", u"LW_Insertbar_Forms",
                 u"LW_Insertbar_Favorites", u"C", u"D"}));

  // Merging: an item found in the category (menubuttons included) is
  // overwritten in place; items without an id are left out.
  std::unique_ptr<CZorbInsertbarChangeInsert> merge(
      CategoryInsert(0, u"",
                     {Node(u"category", {{u"id", u"lw_insertbar_layout"}, {u"folder", u"Other"}},
                           {Node(u"button", {{u"id", u"LW_EXPANDED"}, {u"label", u"New"}}),
                            Node(u"separator", {}), Button(u"Z")})}));
  EXPECT_EQ(merge->MakeChange(nullptr, host.get(), nullptr), Code::kNoError);
  EXPECT_EQ(Attr(CategoryOf(host, u"LW_Insertbar_Layout"), u"folder"), u"Layout");
  EXPECT_EQ(ChildIds(CategoryOf(host, u"LW_Insertbar_Layout")),
            (Ids{u"LW_Div", u"LW_Tables", u"", u"Z"}));
  EXPECT_EQ(ChildIds(Find(host.get(), u"menubutton", u"LW_Tables")),
            (Ids{u"LW_Table", u"LW_EXPANDED"}));
  EXPECT_EQ(Attr(Find(host.get(), u"button", u"LW_Expanded"), u"label"), u"New");
  EXPECT_EQ(Attr(Find(host.get(), u"button", u"LW_Expanded"), u"command"), u"");

  // The first child taken decides; a later non-category ends the work.
  std::unique_ptr<CZorbInsertbarChangeInsert> notFirst(
      CategoryInsert(0, u"", {Button(u"Q"), Category(u"E", {})}));
  EXPECT_EQ(notFirst->MakeChange(nullptr, host.get(), nullptr), Code::kInsertbarChangeFailed);
  std::unique_ptr<CZorbInsertbarChangeInsert> notLater(
      CategoryInsert(0, u"", {Category(u"F", {}), Button(u"Q"), Category(u"G", {})}));
  EXPECT_EQ(notLater->MakeChange(nullptr, host.get(), nullptr), Code::kNoError);
  EXPECT_EQ(ChildIds(Insertbar(host)).back(), u"F");
  EXPECT_EQ(Find(host.get(), u"category", u"G"), nullptr);
  EXPECT_EQ(Find(host.get(), u"category", u"E"), nullptr);
  std::unique_ptr<CZorbInsertbarChangeInsert> none(CategoryInsert(0, u"", {}));
  EXPECT_EQ(none->MakeChange(nullptr, host.get(), nullptr), Code::kInsertbarChangeFailed);
}

TEST_F(InsertbarChangesTest, ButtonsOfTheDescriptionTakeTheirLabelText) {
  HostFile host = Host();
  std::unique_ptr<CZorbInsertbarChangeInsert> category(CategoryInsert(
      0, u"", {Category(u"Mine", {LabelledButton(u"M1", u"First"), LabelledButton(u"M2", u"")})}));
  std::unique_ptr<CZorbInsertbarChangeInsert> merge(CategoryInsert(
      0, u"",
      {Category(u"LW_Insertbar_Forms",
                {LabelledButton(u"LW_Form", u"Formular"), LabelledButton(u"M3", u"Third")})}));
  std::unique_ptr<CZorbInsertbarItemChangeInsert> item(
      ItemInsert(CZorbConfigChange::kAppendTo, u"Mine", {LabelledButton(u"M4", u"Fourth")}));
  EXPECT_EQ(category->MakeChange(nullptr, host.get(), nullptr), Code::kNoError);
  EXPECT_EQ(merge->MakeChange(nullptr, host.get(), nullptr), Code::kNoError);
  EXPECT_EQ(item->MakeChange(nullptr, host.get(), nullptr), Code::kNoError);

  struct Expect {
    const char16_t* id;
    const char16_t* label;
  } expected[] = {{u"M1", u"First"},
                  {u"M2", u""},
                  {u"LW_Form", u"Formular"},
                  {u"M3", u"Third"},
                  {u"M4", u"Fourth"}};
  for (const Expect& e : expected) {
    const CZorbXmlObject* placed = Find(host.get(), u"button", e.id);
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(Attr(placed, u"label"), e.label);
    // The resource id is the description's, never the host's.
    EXPECT_EQ(Written(*placed).find(u"resid:label"), std::u16string::npos);
  }
  // The change itself keeps its labels for the description.
  EXPECT_NE(Written(*category).find(u"resid:label=\"insertbar/label/x\""), std::u16string::npos);
}

TEST_F(InsertbarChangesTest, FallbackCategoryGetsTheHostsFolder) {
  sandbox.makeFolder("Applications/Host");
  g_box = &sandbox;
  const auto* product = reinterpret_cast<const CZorbProduct*>(&sandbox);
  std::unique_ptr<CZorbInsertbarItemChangeInsert> change(ItemInsert(0, u"", {Button(u"X")}));
  CZorbTypedVector<CZorbExtensionInstallStep*> steps;

  // Other results and a missing product or list pass through untouched.
  EXPECT_EQ(change->PostMakeChange(Code::kNoError, product, &steps), Code::kNoError);
  EXPECT_EQ(change->PostMakeChange(Code::kPlacedInFallbackCategory, nullptr, &steps),
            Code::kPlacedInFallbackCategory);
  EXPECT_EQ(change->PostMakeChange(Code::kPlacedInFallbackCategory, product, nullptr),
            Code::kPlacedInFallbackCategory);
  EXPECT_TRUE(steps.empty());

  // Without a way to read the install folder the folder cannot be made.
  EXPECT_EQ(change->PostMakeChange(Code::kPlacedInFallbackCategory, product, &steps),
            Code::kInsertbarChangeFailed);

  CZorbInsertbarItemChangeInsert::SetInstallFolderReader(
      [](const CZorbProduct* p, CString& folder) {
        if (p != reinterpret_cast<const CZorbProduct*>(g_box)) return false;
        folder = g_box->colon("Applications/Host").c_str();
        return true;
      });
  EXPECT_EQ(change->PostMakeChange(Code::kPlacedInFallbackCategory, product, &steps),
            Code::kPlacedInFallbackCategory);
  ASSERT_EQ(steps.size(), 1u);
  EXPECT_TRUE(sandbox.isFolder("Applications/Host/Configuration/Objects/Common"));
  auto* step = dynamic_cast<CInstallCreateFolder*>(steps.front());
  ASSERT_NE(step, nullptr);
  EXPECT_EQ(step->Undo(), 0);
  EXPECT_FALSE(sandbox.exists("Applications/Host/Configuration/Objects/Common"));
  for (CZorbExtensionInstallStep* s : steps) delete s;
  steps.clear();

  // A file where the folder should go makes the step fail.
  sandbox.writeFile("Applications/Host/Configuration/Objects/Common", "in the way");
  EXPECT_EQ(change->PostMakeChange(Code::kPlacedInFallbackCategory, product, &steps),
            Code::kInsertbarChangeFailed);
  EXPECT_EQ(steps.size(), 1u);
  for (CZorbExtensionInstallStep* s : steps) delete s;
}

TEST_F(InsertbarChangesTest, FailuresAndRemoves) {
  HostFile host = Host();
  CZorbGenericXmlFile empty;
  auto removeCategory = ById<CZorbInsertbarChangeRemove>;
  struct Case {
    const char* name;
    CZorbConfigChange* change;
    CZorbXmlFile* file;
    Code code;
  } cases[] = {
      {"category insert without insertbar", CategoryInsert(0, u"", {Category(u"A", {})}), &empty,
       Code::kInsertbarChangeFailed},
      {"item insert without insertbar", ItemInsert(4, u"LW_Insertbar_Forms", {Button(u"B")}),
       &empty, Code::kInsertbarChangeFailed},
      {"item insert without a file", ItemInsert(4, u"LW_Insertbar_Forms", {Button(u"B")}), nullptr,
       Code::kInsertbarChangeFailed},
      {"remove a missing category", removeCategory(u"Nothing"), host.get(),
       Code::kInsertbarChangeFailed},
      {"remove an item without a file", ById<CZorbInsertbarItemChangeRemove>(u"LW_Div"), nullptr,
       Code::kInsertbarChangeFailed},
      {"remove a category", removeCategory(u"lw_insertbar_layout"), host.get(), Code::kNoError},
  };
  for (Case& c : cases) {
    std::unique_ptr<CZorbConfigChange> change(c.change);
    EXPECT_EQ(change->MakeChange(nullptr, c.file, nullptr), c.code) << c.name;
    const std::u16string before = Document(*host.get());
    EXPECT_EQ(change->UndoChange(nullptr, c.file, nullptr), Code::kNoError) << c.name;
    EXPECT_EQ(Document(*host.get()), before) << c.name;
  }
  EXPECT_EQ(ChildIds(Insertbar(host)), (Ids{u"LW_Insertbar_Forms", u"LW_Insertbar_Favorites"}));
}

TEST(InsertbarChanges, WriteThemselvesAsDescriptionElements) {
  auto* items = ItemInsert(CZorbConfigChange::kInsertAfter, u"LW_Div",
                           {Node(u"button", {{u"id", u"B"}})}, u"LW_Insertbar_Layout");
  items->m_locale = u"ja_JP";
  auto* remove = new CZorbInsertbarChangeRemove();
  remove->m_id = u"C";
  struct Case {
    CZorbXmlObject* change;
    std::u16string expected;
  } cases[] = {
      {items,
       u"<insertbar-item-insert insertAfter=\"LW_Div\" category=\"LW_Insertbar_Layout\" "
       u"xml:lang=\"ja_JP\">\r"
       u"\t<button id=\"B\" />\r</insertbar-item-insert>\r"},
      {ItemInsert(CZorbConfigChange::kAppendTo, u"X", {}),
       u"<insertbar-item-insert appendTo=\"X\">\r</insertbar-item-insert>\r"},
      {CategoryInsert(CZorbConfigChange::kInsertBefore, u"X", {}),
       u"<insertbar-insert insertBefore=\"X\">\r</insertbar-insert>\r"},
      {CategoryInsert(CZorbConfigChange::kAppendTo, u"X", {}),
       u"<insertbar-insert>\r</insertbar-insert>\r"},
      {remove, u"<insertbar-remove id=\"C\" />\r"},
      {ById<CZorbInsertbarItemChangeRemove>(u"B"), u"<insertbar-item-remove id=\"B\" />\r"},
  };
  for (Case& c : cases) {
    std::unique_ptr<CZorbXmlObject> change(c.change);
    std::unique_ptr<CZorbXmlObject> copy(change->Clone());
    EXPECT_EQ(Written(*copy), c.expected);
  }
}
