#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/CZorbDocumentTypeChangeInsert.h"
#include "config/CZorbDocumentTypeChangeRemove.h"
#include "config/CZorbDocumentTypeConfigChanges.h"
#include "config/CZorbHelpBookChangeInsert.h"
#include "config/CZorbHelpBookChangeRemove.h"
#include "config/CZorbHelpBookChanges.h"
#include "config/CZorbInsertbarChangeInsert.h"
#include "config/CZorbInsertbarConfigChanges.h"
#include "config/CZorbStandardHelpChanges.h"
#include "config/CZorbTagLibraryChangeInsert.h"
#include "config/CZorbTagLibraryChangeRemove.h"
#include "config/CZorbTagLibraryConfigChanges.h"
#include "config/CZorbToolbarChangeInsert.h"
#include "config/CZorbToolbarConfigChanges.h"
#include "config/tests/ChangeSetApplier.h"
#include "config/tests/ConfigTestFiles.h"
#include "config/tests/XmlChangeTestSupport.h"
#include "platform/os/FaultInjectingFileSystem.h"

using namespace config2test;
using configtest::ApplyChangeSet;
using configtest::Canonical;
using configtest::Operation;

namespace {

using Code = CZorbConfigChange::ErrorCode;
using Ids = std::vector<std::u16string>;

// One family of registry changes, driven through its base interface.
struct Family {
  const char* name;
  const char* fixture;
  const char16_t* entryTag;
  const char16_t* rootTag;
  Code failure;
  std::function<CZorbXmlObject*()> makeInsert;
  std::function<CZorbXmlObject*(const char16_t*)> makeRemove;
  Ids fixtureIds;
};

Code Make(CZorbXmlObject* change, CZorbXmlFile* file) {
  if (auto* config = dynamic_cast<CZorbConfigChange*>(change))
    return config->MakeChange(nullptr, file, nullptr);
  return dynamic_cast<CZorbHelpChange*>(change)->MakeChange(nullptr, file, nullptr);
}

Code Undo(CZorbXmlObject* change, CZorbXmlFile* file) {
  if (auto* config = dynamic_cast<CZorbConfigChange*>(change))
    return config->UndoChange(nullptr, file, nullptr);
  return dynamic_cast<CZorbHelpChange*>(change)->UndoChange(nullptr, file, nullptr);
}

const Family kFamilies[] = {
    {"document types",
     "QQDocumentTypes.xml",
     u"documenttype",
     u"documenttypes",
     Code::kDocumentTypeChangeFailed,
     [] { return new CZorbDocumentTypeChangeInsert(); },
     ById<CZorbDocumentTypeChangeRemove>,
     {u"HTML", u"JavaScript"}},
    {"tag libraries",
     "TagLibraries.vtm",
     u"taglibrary",
     u"taglibraries",
     Code::kTagLibraryChangeFailed,
     [] { return new CZorbTagLibraryChangeInsert(); },
     ById<CZorbTagLibraryChangeRemove>,
     {u"LWTagLibrary_html", u"", u"LWTagLibrary_php"}},
    {"help books",
     "help.xml",
     u"book-id",
     u"help-books",
     Code::kHelpBooksRootMissing,
     [] { return new CZorbHelpBookChangeInsert(); },
     ById<CZorbHelpBookChangeRemove>,
     {u"LW_Using", u"LW_Reference"}},
};

class RegistryChangesTest : public testsupport::SandboxTest {
 protected:
  HostFile Host(const Family& f) {
    return HostFile(sandbox, std::string("Config/") + f.fixture, Canonical(Fixture(f.fixture)));
  }
  static CZorbXmlObject* Root(HostFile& host, const Family& f) {
    for (CZorbXmlObject* child : host->m_children) {
      CString tag;
      child->GetTag(tag);
      if (tag == f.rootTag) return child;
    }
    return nullptr;
  }
  static CZorbXmlObject* Entry(const Family& f, const char16_t* id, const char16_t* mark) {
    return Node(f.entryTag, {{u"id", id}, {u"mark", mark}}, {Node(u"title", {{u"text", mark}})});
  }
};

}  // namespace

TEST_F(RegistryChangesTest, FixturesComeBackUnchangedFromALoadAndASave) {
  for (const Family& f : kFamilies) {
    HostFile host = Host(f);
    ASSERT_TRUE(host.Loaded()) << f.name;
    EXPECT_EQ(host.Saved(), Canonical(Fixture(f.fixture))) << f.name;
    EXPECT_EQ(ChildIds(Root(host, f)), f.fixtureIds) << f.name;
  }
}

TEST_F(RegistryChangesTest, InsertThenUndoGivesBackTheFile) {
  for (const Family& f : kFamilies) {
    HostFile host = Host(f);
    std::unique_ptr<CZorbXmlObject> insert(With(
        f.makeInsert(),
        {Entry(f, u"Mine_1", u"a"), new CZorbXmlComment(u"skipped"), Entry(f, u"Mine_2", u"b")}));
    EXPECT_EQ(Make(insert.get(), host.get()), Code::kNoError) << f.name;
    Ids ids = f.fixtureIds;
    ids.push_back(u"Mine_1");
    ids.push_back(u"Mine_2");
    EXPECT_EQ(ChildIds(Root(host, f)), ids) << f.name;
    // Every entry the insert added goes with its undo.
    EXPECT_EQ(Undo(insert.get(), host.get()), Code::kNoError) << f.name;
    EXPECT_EQ(host.Saved(), Canonical(Fixture(f.fixture))) << f.name;
  }
}

TEST_F(RegistryChangesTest, AnEntryWithAnExistingIdIsOverwrittenInPlace) {
  for (const Family& f : kFamilies) {
    HostFile host = Host(f);
    const std::u16string first = f.fixtureIds.front();
    std::unique_ptr<CZorbXmlObject> insert(With(f.makeInsert(), {Entry(f, first.c_str(), u"new")}));
    EXPECT_EQ(Make(insert.get(), host.get()), Code::kNoError) << f.name;
    EXPECT_EQ(ChildIds(Root(host, f)), f.fixtureIds) << f.name;
    const CZorbXmlObject* entry = Root(host, f)->m_children.front();
    EXPECT_EQ(Attr(entry, u"mark"), u"new") << f.name;
    ASSERT_EQ(entry->m_children.size(), 1u) << f.name;
    EXPECT_EQ(Attr(entry->m_children.front(), u"text"), u"new") << f.name;

    // Without the key attribute an entry is always added.
    std::unique_ptr<CZorbXmlObject> keyless(
        With(f.makeInsert(),
             {Node(f.entryTag, {{u"name", u"x"}}), Node(f.entryTag, {{u"name", u"x"}})}));
    EXPECT_EQ(Make(keyless.get(), host.get()), Code::kNoError) << f.name;
    EXPECT_EQ(Root(host, f)->m_children.size(), f.fixtureIds.size() + 2) << f.name;
    EXPECT_EQ(Undo(keyless.get(), host.get()), Code::kNoError) << f.name;
    EXPECT_EQ(Root(host, f)->m_children.size(), f.fixtureIds.size() + 2) << f.name;
  }
}

TEST_F(RegistryChangesTest, TheUndoGivesBackTheHostsEntryAnInsertOverwrote) {
  for (const Family& f : kFamilies) {
    SCOPED_TRACE(f.name);
    HostFile host = Host(f);
    const std::u16string first = f.fixtureIds.front();
    std::unique_ptr<CZorbXmlObject> insert(
        With(f.makeInsert(), {Entry(f, first.c_str(), u"mine"), Entry(f, u"Mine_New", u"new")}));
    ASSERT_EQ(Make(insert.get(), host.get()), Code::kNoError);
    EXPECT_EQ(Attr(Root(host, f)->m_children.front(), u"mark"), u"mine");
    // What it remembers is written with it into the description copy.
    CString text;
    insert->BuildXml(0, text);
    EXPECT_GE(text.Find(u"<host-node>"), 0);
    EXPECT_EQ(Undo(insert.get(), host.get()), Code::kNoError);
    EXPECT_EQ(host.Saved(), Canonical(Fixture(f.fixture)));

    // Enabled again after that, it overwrites and gives back the same way.
    ASSERT_EQ(Make(insert.get(), host.get()), Code::kNoError);
    EXPECT_EQ(Undo(insert.get(), host.get()), Code::kNoError);
    EXPECT_EQ(host.Saved(), Canonical(Fixture(f.fixture)));
  }
}

TEST_F(RegistryChangesTest, RemovesAndTheirFailures) {
  HostFile noRoot(sandbox, "Config/help.xml", Canonical(Fixture("help-noroot.xml")));
  ASSERT_TRUE(noRoot.Loaded());
  for (const Family& f : kFamilies) {
    HostFile host = Host(f);
    std::unique_ptr<CZorbXmlObject> remove(f.makeRemove(f.fixtureIds.front().c_str()));
    EXPECT_EQ(Make(remove.get(), host.get()), Code::kNoError) << f.name;
    EXPECT_EQ(Make(remove.get(), host.get()), f.failure) << f.name;
    EXPECT_EQ(ChildIds(Root(host, f)), Ids(f.fixtureIds.begin() + 1, f.fixtureIds.end())) << f.name;
    const std::u16string before = Document(*host.get());
    EXPECT_EQ(Undo(remove.get(), host.get()), Code::kNoError) << f.name;
    EXPECT_EQ(Document(*host.get()), before) << f.name;

    std::unique_ptr<CZorbXmlObject> empty(f.makeRemove(u""));
    EXPECT_EQ(Make(empty.get(), host.get()), f.failure) << f.name;
    std::unique_ptr<CZorbXmlObject> noEntries(
        With(f.makeInsert(), {Node(u"other", {{u"id", u"x"}})}));
    EXPECT_EQ(Make(noEntries.get(), host.get()), f.failure) << f.name;
    EXPECT_EQ(Document(*host.get()), before) << f.name;

    // A file without the registry's root: the family's code, and undos
    // still succeed.
    std::unique_ptr<CZorbXmlObject> insert(With(f.makeInsert(), {Entry(f, u"Mine", u"x")}));
    const std::u16string untouched = Document(*noRoot.get());
    EXPECT_EQ(Make(insert.get(), noRoot.get()), f.failure) << f.name;
    EXPECT_EQ(Make(remove.get(), noRoot.get()), f.failure) << f.name;
    EXPECT_EQ(Make(insert.get(), nullptr), f.failure) << f.name;
    EXPECT_EQ(Undo(insert.get(), noRoot.get()), Code::kNoError) << f.name;
    EXPECT_EQ(Undo(insert.get(), nullptr), Code::kNoError) << f.name;
    EXPECT_EQ(Document(*noRoot.get()), untouched) << f.name;
  }
}

TEST_F(RegistryChangesTest, ConfigurationSetsApplyAndUndoThroughTheHost) {
  struct Case {
    const char* fixture;
    const char* path;
    std::function<CZorbConfigChanges*()> makeSet;
  } cases[] = {
      {"QQDocumentTypes.xml", "Config/DocumentTypes/QQDocumentTypes.xml",
       [] {
         auto* set = new CZorbDocumentTypeConfigChanges();
         set->m_children.push_back(
             With(new CZorbDocumentTypeChangeInsert(),
                  {Node(u"documenttype", {{u"id", u"MyType"}, {u"winfileextension", u"my"}})}));
         return set;
       }},
      {"TagLibraries.vtm", "Config/TagLibraries/TagLibraries.vtm",
       [] {
         auto* set = new CZorbTagLibraryConfigChanges();
         set->m_children.push_back(
             With(new CZorbTagLibraryChangeInsert(),
                  {Node(u"taglibrary", {{u"id", u"MyTags"}, {u"name", u"Mine & yours"}})}));
         return set;
       }},
  };
  for (const Case& c : cases) {
    const std::string original = Canonical(Fixture(c.fixture));
    sandbox.writeFile(c.path, original);
    std::unique_ptr<CZorbConfigChanges> set(c.makeSet());
    const auto installed = ApplyChangeSet(*set, sandbox.colon("Config"), Operation::Install);
    EXPECT_EQ(installed.results, std::vector<int>{0}) << c.fixture;
    EXPECT_NE(sandbox.readFile(c.path), original) << c.fixture;
    const auto removed = ApplyChangeSet(*set, sandbox.colon("Config"), Operation::Remove);
    EXPECT_EQ(removed.errors, 0) << c.fixture;
    EXPECT_EQ(sandbox.readFile(c.path), original) << c.fixture;
  }
}

TEST_F(RegistryChangesTest, SaveErrorsAreReportedAndTheFileStays) {
  struct Case {
    const char* fixture;
    const char* path;
    std::function<CZorbConfigChanges*()> makeSet;
  } cases[] = {
      {"toolbars.xml", "Config/Toolbars/toolbars.xml",
       [] {
         auto* set = new CZorbToolbarConfigChanges();
         set->m_children.push_back(
             With(new CZorbToolbarChangeInsert(),
                  {Node(u"toolbar", {{u"id", u"T"}}, {Node(u"button", {{u"id", u"B"}})})}));
         return set;
       }},
      {"insertbar.xml", "Config/Objects/insertbar.xml",
       [] {
         auto* set = new CZorbInsertbarConfigChanges();
         set->m_children.push_back(
             With(new CZorbInsertbarChangeInsert(),
                  {Node(u"category", {{u"id", u"C"}}, {Node(u"button", {{u"id", u"B"}})})}));
         return set;
       }},
      {"QQDocumentTypes.xml", "Config/DocumentTypes/QQDocumentTypes.xml",
       [] {
         auto* set = new CZorbDocumentTypeConfigChanges();
         set->m_children.push_back(
             With(new CZorbDocumentTypeChangeInsert(), {Node(u"documenttype", {{u"id", u"D"}})}));
         return set;
       }},
      {"TagLibraries.vtm", "Config/TagLibraries/TagLibraries.vtm",
       [] {
         auto* set = new CZorbTagLibraryConfigChanges();
         set->m_children.push_back(
             With(new CZorbTagLibraryChangeInsert(), {Node(u"taglibrary", {{u"id", u"L"}})}));
         return set;
       }},
  };
  for (const Case& c : cases) {
    const std::string original = Canonical(Fixture(c.fixture));
    sandbox.writeFile(c.path, original);
    std::unique_ptr<CZorbConfigChanges> set(c.makeSet());
    platform::FaultInjectingFileSystem fs;
    platform::FileSystemOverride use(fs);
    fs.failPath(".plexar-", ENOSPC, platform::kFsWrite);
    const auto installed = ApplyChangeSet(*set, sandbox.colon("Config"), Operation::Install);
    EXPECT_EQ(installed.results, std::vector<int>{0}) << c.fixture;
    EXPECT_EQ(installed.saveResult, -1) << c.fixture;
    EXPECT_FALSE(installed.saved) << c.fixture;
    EXPECT_EQ(sandbox.readFile(c.path), original) << c.fixture;
  }

  // The help books go through the host's help path, with the same file model.
  HostFile host = Host(kFamilies[2]);
  CZorbHelpBookChanges books;
  std::unique_ptr<CZorbXmlFile> file(books.CreateHelpFile());
  ASSERT_EQ(file->Load(host.Path().c_str(), nullptr), 0);
  std::unique_ptr<CZorbXmlObject> insert(
      With(new CZorbHelpBookChangeInsert(), {Node(u"book-id", {{u"id", u"B"}})}));
  EXPECT_EQ(Make(insert.get(), file.get()), Code::kNoError);
  platform::FaultInjectingFileSystem fs;
  platform::FileSystemOverride use(fs);
  fs.failPath(".plexar-", ENOSPC, platform::kFsWrite);
  EXPECT_EQ(file->Save(host.Path().c_str()), -1);
  EXPECT_EQ(sandbox.readFile("Config/help.xml"), Canonical(Fixture("help.xml")));
}

TEST(HelpChangeSets, NameTheirFilesAndModels) {
  CZorbHelpBookChanges books;
  CZorbStandardHelpChanges standard;
  struct Case {
    const CZorbHelpChanges& set;
    const char16_t* tag;
    const char16_t* file;
  } cases[] = {{books, u"helpbook-changes", u"help.xml"}, {standard, u"help-changes", u""}};
  for (const Case& c : cases) {
    CString text;
    c.set.GetTag(text);
    EXPECT_EQ(text, c.tag);
    c.set.GetFileName(text);
    EXPECT_EQ(text, c.file);
    c.set.GetFolder(text);
    EXPECT_EQ(text.GetLength(), 0);
    c.set.GetPath(text);
    EXPECT_EQ(text, c.file);
    EXPECT_FALSE(c.set.UseReferenceFile());
    std::unique_ptr<CZorbXmlFile> file(c.set.CreateHelpFile());
    EXPECT_NE(dynamic_cast<CZorbGenericXmlFile*>(file.get()), nullptr);
  }

  // A set writes itself with its changes, and copies carry them.
  auto* remove = new CZorbHelpBookChangeRemove();
  remove->m_id = u"LW_Using";
  remove->m_locale = u"en";
  books.m_children.push_back(
      With(new CZorbHelpBookChangeInsert(), {Node(u"book-id", {{u"id", u"Mine"}})}));
  books.m_children.push_back(remove);
  std::unique_ptr<CZorbXmlObject> copy(books.Clone());
  EXPECT_EQ(Written(*copy),
            u"<helpbook-changes>\r\t<helpbook-insert>\r\t\t<book-id id=\"Mine\" "
            u"/>\r\t</helpbook-insert>\r"
            u"\t<helpbook-remove id=\"LW_Using\" xml:lang=\"en\" />\r</helpbook-changes>\r");
  EXPECT_TRUE(
      dynamic_cast<CZorbHelpChange*>(copy->m_children.back())->filterByLocale(CString(u"EN")));
  EXPECT_FALSE(
      dynamic_cast<CZorbHelpChange*>(copy->m_children.back())->filterByLocale(CString(u"de")));
  EXPECT_TRUE(
      dynamic_cast<CZorbHelpChange*>(copy->m_children.front())->filterByLocale(CString(u"de")));
}

TEST(RegistryChanges, WriteThemselvesAsDescriptionElements) {
  auto* documentType =
      With(new CZorbDocumentTypeChangeInsert(), {Node(u"documenttype", {{u"id", u"T"}})});
  documentType->m_locale = u"ko";
  struct Case {
    CZorbXmlObject* change;
    std::u16string expected;
  } cases[] = {
      {documentType,
       u"\t<documenttype-insert xml:lang=\"ko\">\r\t\t<documenttype id=\"T\" "
       u"/>\r\t</documenttype-insert>\r"},
      {ById<CZorbDocumentTypeChangeRemove>(u"T"), u"\t<documenttype-remove id=\"T\" />\r"},
      {new CZorbTagLibraryChangeInsert(), u"\t<taglibrary-insert>\r\t</taglibrary-insert>\r"},
      {ById<CZorbTagLibraryChangeRemove>(u"L"), u"\t<taglibrary-remove id=\"L\" />\r"},
  };
  for (Case& c : cases) {
    std::unique_ptr<CZorbXmlObject> change(c.change);
    std::unique_ptr<CZorbXmlObject> copy(change->Clone());
    EXPECT_EQ(Written(*copy, 1), c.expected);
  }
}
