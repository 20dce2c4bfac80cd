#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/CZorbConfigChange.h"
#include "config/CZorbDataSourceChanges.h"
#include "config/CZorbDocumentTypeConfigChanges.h"
#include "config/CZorbExtensionMenu.h"
#include "config/CZorbExtensionMenuBar.h"
#include "config/CZorbExtensionMenuItem.h"
#include "config/CZorbExtensionMenuSeparator.h"
#include "config/CZorbExtensionsChanges.h"
#include "config/CZorbFTPExtensionMapChanges.h"
#include "config/CZorbGenericXmlFile.h"
#include "config/CZorbInsertbarConfigChanges.h"
#include "config/CZorbMasterConfigChanges.h"
#include "config/CZorbMenuChangeInsert.h"
#include "config/CZorbMenuChangeRemove.h"
#include "config/CZorbMenusXmlFile.h"
#include "config/CZorbServerBehaviorChanges.h"
#include "config/CZorbServerFormatChanges.h"
#include "config/CZorbServerFormatDefinitionChanges.h"
#include "config/CZorbSourceFormatChanges.h"
#include "config/CZorbTagLibraryConfigChanges.h"
#include "config/CZorbTextConfigFile.h"
#include "config/CZorbToolbarConfigChanges.h"
#include "config/CZorbToolpanelConfigChanges.h"
#include "config/tests/ConfigTestFiles.h"
#include "config/tests/MenuTestNodes.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "platform/os/TextEncodings.h"

using configtest::Colon;

namespace {

std::u16string Str(const CString& s) {
  return s.Get() ? std::u16string(s.Get()) : std::u16string();
}

enum class Model { Menus, Generic, Text };

bool IsModel(const CZorbXmlFile* file, Model model) {
  switch (model) {
    case Model::Menus:
      return dynamic_cast<const CZorbMenusXmlFile*>(file) != nullptr;
    case Model::Generic:
      return dynamic_cast<const CZorbGenericXmlFile*>(file) != nullptr;
    case Model::Text:
      return dynamic_cast<const CZorbTextConfigFile*>(file) != nullptr;
  }
  return false;
}

std::u16string Xml(const CZorbXmlObject& node, int level = 0) {
  CString out;
  node.BuildXml(level, out);
  return Str(out);
}

}  // namespace

TEST(ChangeSets, EachSetNamesItsFileFolderAndModel) {
  struct Row {
    std::function<CZorbConfigChanges*()> make;
    std::u16string tag, folder, file, path;
    Model model;
    bool reference, allowNew, appendIfMissing;
  } rows[] = {
      {[] { return new CZorbMasterConfigChanges(); }, u"configuration-changes", u"Menus",
       u"Menus.xml", u"Menus:Menus.xml", Model::Menus, true, false, false},
      {[] { return new CZorbToolbarConfigChanges(); }, u"toolbar-changes", u"Toolbars",
       u"toolbars.xml", u"Toolbars:toolbars.xml", Model::Generic, false, false, false},
      {[] { return new CZorbInsertbarConfigChanges(); }, u"insertbar-changes", u"Objects",
       u"insertbar.xml", u"Objects:insertbar.xml", Model::Generic, false, false, false},
      {[] { return new CZorbTagLibraryConfigChanges(); }, u"taglibrary-changes", u"TagLibraries",
       u"TagLibraries.vtm", u"TagLibraries:TagLibraries.vtm", Model::Generic, true, false, false},
      {[] { return new CZorbDocumentTypeConfigChanges(); }, u"documenttype-changes",
       u"DocumentTypes", u"QQDocumentTypes.xml", u"DocumentTypes:QQDocumentTypes.xml",
       Model::Generic, true, false, false},
      {[] { return new CZorbExtensionsChanges(); }, u"extensions-changes", u"", u"Extensions.txt",
       u":Extensions.txt", Model::Text, false, false, false},
      {[] { return new CZorbFTPExtensionMapChanges(); }, u"ftp-extension-map-changes", u"",
       u"FTPExtensionMapMac.txt", u":FTPExtensionMapMac.txt", Model::Text, false, false, false},
      {[] { return new CZorbSourceFormatChanges(); }, u"source-format-changes", u"",
       u"SourceFormat.txt", u":SourceFormat.txt", Model::Text, false, false, false},
      {[] { return new CZorbDataSourceChanges(); }, u"data-source-changes", u"DataSources",
       u"DataSources.xml", u"DataSources::DataSources.xml", Model::Menus, true, false, false},
      {[] { return new CZorbServerFormatDefinitionChanges(); }, u"server-format-definition-changes",
       u"ServerFormats", u"Formats.xml", u"ServerFormats::Formats.xml", Model::Menus, true, false,
       false},
      {[] { return new CZorbServerFormatChanges(); }, u"server-format-changes", u"ServerFormats",
       u"ServerFormats.xml", u"ServerFormats::ServerFormats.xml", Model::Menus, true, false, false},
      {[] { return new CZorbServerBehaviorChanges(); }, u"server-behavior-changes",
       u"ServerBehaviors", u"ServerBehaviors.xml", u"ServerBehaviors::ServerBehaviors.xml",
       Model::Menus, true, false, true},
  };
  for (const Row& row : rows) {
    std::unique_ptr<CZorbConfigChanges> set(row.make());
    CString text;
    set->GetTag(text);
    EXPECT_EQ(Str(text), row.tag);
    SCOPED_TRACE(std::string(row.tag.begin(), row.tag.end()));
    set->GetFolder(text);
    EXPECT_EQ(Str(text), row.folder);
    set->GetFileName(text);
    EXPECT_EQ(Str(text), row.file);
    set->GetPath(text);
    EXPECT_EQ(Str(text), row.path);
    std::unique_ptr<CZorbXmlFile> file(set->CreateConfigFile(true));
    EXPECT_TRUE(IsModel(file.get(), row.model));
    EXPECT_EQ(set->UseReferenceFile(), row.reference);
    EXPECT_EQ(set->AllowNewFile(), row.allowNew);
    EXPECT_EQ(set->AppendIfLocationNotFound(), row.appendIfMissing);
    CString id(u"unchanged");
    const bool lastResort = row.tag == u"configuration-changes";
    EXPECT_EQ(set->GetLastResortId(id), lastResort);
    EXPECT_EQ(Str(id), lastResort ? u"LWMenu_Commands_Misc" : u"unchanged");
    set->GetLastResortAppendToID(id);
    EXPECT_EQ(Str(id), lastResort ? u"LWMenu_Commands" : u"");

    // A copy is of the same class, with the changes.
    set->m_children.push_back(new CZorbMenuChangeRemove());
    std::unique_ptr<CZorbXmlObject> clone(set->Clone());
    EXPECT_EQ(typeid(*clone), typeid(*set));
    EXPECT_EQ(clone->m_children.size(), 1u);
    EXPECT_EQ(Xml(*clone), Xml(*set));
  }

  CZorbToolpanelConfigChanges toolpanel;
  EXPECT_EQ(toolpanel.CreateConfigFile(true), nullptr);
  CString folder(u"kept");
  toolpanel.GetFolder(folder);
  toolpanel.GetFileName(folder);
  EXPECT_EQ(folder, u"kept");
}

TEST(ChangeSets, ServerAndToolbarSetsWriteTheirOwnAttribute) {
  CZorbServerBehaviorChanges behaviors;
  EXPECT_EQ(Xml(behaviors, 1), u"\t<server-behavior-changes>\r\t</server-behavior-changes>\r");
  behaviors.SetServerModelFolder(u"PHP_MySQL");
  CString path;
  behaviors.GetPath(path);
  EXPECT_EQ(Str(path), u"ServerBehaviors:PHP_MySQL:ServerBehaviors.xml");
  auto* remove = new CZorbMenuChangeRemove();
  remove->m_id = u"X";
  behaviors.m_children.push_back(remove);
  EXPECT_EQ(Xml(behaviors),
            u"<server-behavior-changes servermodelfolder=\"PHP_MySQL\">\r"
            u"\t<menu-remove id=\"X\" />\r</server-behavior-changes>\r");
  std::unique_ptr<CZorbXmlObject> clone(behaviors.Clone());
  EXPECT_EQ(static_cast<CZorbServerBehaviorChanges*>(clone.get())->m_serverModelFolder,
            u"PHP_MySQL");

  struct Case {
    const char16_t* name;
    bool allowNew;
    std::u16string xml;
  } cases[] = {
      {u"toolbars.xml", false, u"<toolbar-changes>\r</toolbar-changes>\r"},
      {u"TOOLBARS.XML", false, u"<toolbar-changes>\r</toolbar-changes>\r"},
      {u"", true, u"<toolbar-changes>\r</toolbar-changes>\r"},
      {u"myToolbar.xml", true, u"<toolbar-changes file=\"myToolbar.xml\">\r</toolbar-changes>\r"},
  };
  for (const Case& c : cases) {
    CZorbToolbarConfigChanges toolbar;
    toolbar.m_fileName = c.name;
    EXPECT_EQ(toolbar.AllowNewFile(), c.allowNew);
    EXPECT_EQ(Xml(toolbar), c.xml);
    std::unique_ptr<CZorbXmlObject> copy(toolbar.Clone());
    EXPECT_EQ(static_cast<CZorbToolbarConfigChanges*>(copy.get())->m_fileName, c.name);
  }
}

TEST(ChangeSets, LocaleFilterAndResultClasses) {
  struct Case {
    const char16_t* own;
    const char16_t* host;
    bool applies;
  } cases[] = {
      {u"fr_FR", u"de_DE", false}, {u"fr_FR", u"FR_fr", true}, {u"fr_FR", u"", true},
      {u"", u"de_DE", true},       {u"", u"", true},           {u"fr", u"fr_FR", false},
  };
  for (const Case& c : cases) {
    CZorbMenuChangeRemove change;
    change.m_locale = c.own;
    EXPECT_EQ(change.filterByLocale(CString(c.host)), c.applies);
  }

  for (int code = 0; code <= 34; ++code) {
    EXPECT_EQ(CZorbConfigChange::IsFailure(code), code > 9) << code;
    EXPECT_EQ(CZorbConfigChange::IsWarning(code), code >= 3 && code <= 8) << code;
  }
  CZorbMenuChangeRemove change;
  EXPECT_EQ(change.PostMakeChange(CZorbConfigChange::kPlacedInLastResort, nullptr, nullptr),
            CZorbConfigChange::kPlacedInLastResort);
}

namespace {

class LastResortTest : public ::testing::Test {
 protected:
  void Load(const std::string& body) {
    TempDir::write(dir / "Menus.xml", "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n" + body);
    ASSERT_EQ(file.Load(Colon(dir / "Menus.xml").c_str(), nullptr), 0);
  }
  // The children of the menu with the id, as "kind:id" (separators "sep").
  std::vector<std::u16string> ChildrenOf(const char16_t* id) {
    CZorbExtensionMenuBar* menubar = nullptr;
    CZorbExtensionMenu* parent = nullptr;
    CZorbXmlObject* holder = file.FindMenuBar(id);
    if (!holder) holder = file.FindMenu(id, menubar, parent);
    std::vector<std::u16string> out;
    if (!holder) return out;
    for (CZorbXmlObject* child : holder->m_children) {
      if (auto* menu = dynamic_cast<CZorbExtensionMenu*>(child))
        out.push_back(u"menu:" + Str(menu->m_id));
      else if (auto* item = dynamic_cast<CZorbExtensionMenuItem*>(child))
        out.push_back(u"item:" + Str(item->m_id));
      else if (dynamic_cast<CZorbExtensionMenuSeparator*>(child))
        out.push_back(u"sep");
    }
    return out;
  }

  std::string Saved() {
    EXPECT_EQ(file.Save(Colon(dir / "Saved.xml").c_str()), 0);
    return TempDir::read(dir / "Saved.xml");
  }

  TempDir dir;
  CZorbMenusXmlFile file;
  CZorbMasterConfigChanges set;
};

using V = std::vector<std::u16string>;

}  // namespace

TEST_F(LastResortTest, MiscMenuGoesAfterGetMoreCommands) {
  Load(
      "<menubar id=\"Main\"><menu id=\"LWMenu_Commands\"><menuitem "
      "id=\"LWMenu_Commands_GetMoreCommands\"/>"
      "<menuitem id=\"Other\"/></menu></menubar>\n");
  CZorbXmlObject* made = set.CreateLastResortObject(&file);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(static_cast<CZorbExtensionMenu*>(made)->m_id, u"LWMenu_Commands_Misc");
  EXPECT_EQ(ChildrenOf(u"LWMenu_Commands"), (V{u"item:LWMenu_Commands_GetMoreCommands", u"sep",
                                               u"menu:LWMenu_Commands_Misc", u"item:Other"}));
}

TEST_F(LastResortTest, MiscMenuGoesAtTheEndWithoutGetMoreCommands) {
  Load(
      "<menubar id=\"Main\"><menu id=\"LWMenu_Commands\"><menuitem "
      "id=\"Record\"/></menu></menubar>\n");
  ASSERT_NE(set.CreateLastResortObject(&file), nullptr);
  EXPECT_EQ(ChildrenOf(u"LWMenu_Commands"),
            (V{u"item:Record", u"sep", u"menu:LWMenu_Commands_Misc"}));
}

TEST_F(LastResortTest, CommandsMenuIsMadeBeforeHelp) {
  Load("<menubar id=\"Main\"><menu id=\"LWMenu_Edit\"/><menu id=\"LWMenu_Help\"/></menubar>\n");
  ASSERT_NE(set.CreateLastResortObject(&file), nullptr);
  EXPECT_EQ(ChildrenOf(u"Main"),
            (V{u"menu:LWMenu_Edit", u"menu:LWMenu_Commands", u"menu:LWMenu_Help"}));
  EXPECT_EQ(ChildrenOf(u"LWMenu_Commands"), (V{u"sep", u"menu:LWMenu_Commands_Misc"}));
  CZorbExtensionMenuBar* menubar = nullptr;
  CZorbExtensionMenu* parent = nullptr;
  EXPECT_GT(file.FindMenu(u"LWMenu_Commands", menubar, parent)->m_name.GetLength(), 0);
  EXPECT_GT(file.FindMenu(u"LWMenu_Commands_Misc", menubar, parent)->m_name.GetLength(), 0);
}

TEST_F(LastResortTest, WhatTheFallbackAddsGoesWithTheLastItemInIt) {
  // The host's Commands menu goes on after "Get More Commands": the
  // separator the fallback put behind that item must not stay when the
  // fallback menu goes.
  const std::string host =
      "<menubar id=\"Main\"><menu id=\"LWMenu_Commands\"><menuitem id=\"Record\"/>"
      "<separator/><menuitem id=\"LWMenu_Commands_GetMoreCommands\"/>"
      "<menuitem id=\"Manage\"/></menu><menu id=\"LWMenu_Help\"/></menubar>\n";
  struct Case {
    const char* name;
    std::string body;
  } cases[] = {
      {"behind Get More Commands", host},
      {"at the end of the Commands menu",
       "<menubar id=\"Main\"><menu id=\"LWMenu_Commands\"><menuitem "
       "id=\"Record\"/></menu></menubar>\n"},
      {"in a Commands menu made for it",
       "<menubar id=\"Main\"><menu id=\"LWMenu_Edit\"/><menu id=\"LWMenu_Help\"/></menubar>\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Load(c.body);
    const std::string before = Saved();
    CZorbMenuChangeInsert first;
    first.m_position = CZorbConfigChange::kInsertAfter;
    first.m_targetId = u"NoSuchMenuItem";
    first.m_children.push_back(menutest::Item(u"A"));
    CZorbMenuChangeInsert second(first);
    static_cast<CZorbExtensionMenuItem*>(second.m_children.front())->m_id = u"B";
    ASSERT_EQ(first.MakeChange(&set, &file, nullptr), CZorbConfigChange::kPlacedInLastResort);
    ASSERT_EQ(second.MakeChange(&set, &file, nullptr), CZorbConfigChange::kPlacedInLastResort);
    // One extension goes: the menu stays for the other, with its separator.
    first.UndoChange(&set, &file, nullptr);
    EXPECT_EQ(ChildrenOf(u"LWMenu_Commands_Misc"), (V{u"item:B"}));
    second.UndoChange(&set, &file, nullptr);
    EXPECT_EQ(Saved(), before);
  }
}

TEST_F(LastResortTest, NothingWithoutCommandsOrHelpMenu) {
  Load("<menubar id=\"Main\"><menu id=\"LWMenu_Edit\"/></menubar>\n");
  EXPECT_EQ(set.CreateLastResortObject(&file), nullptr);
  EXPECT_EQ(ChildrenOf(u"Main"), (V{u"menu:LWMenu_Edit"}));
  CZorbGenericXmlFile other;
  EXPECT_EQ(set.CreateLastResortObject(&other), nullptr);
  EXPECT_EQ(set.CreateLastResortObject(nullptr), nullptr);
}

namespace {

class TextFileTest : public ::testing::Test {
 protected:
  TempDir dir;
};

}  // namespace

TEST_F(TextFileTest, ReadsAndWritesTheWholeText) {
  const std::string content = "htm\tHTML Documents\r\ncaf\x8E\tCaf\x8E Files\r\n";
  TempDir::write(dir / "Extensions.txt", content);
  CZorbTextConfigFile file;
  file.m_encoding = platform::encoding::kMacRoman;
  ASSERT_EQ(file.Load(Colon(dir / "Extensions.txt").c_str(), nullptr), 0);
  EXPECT_TRUE(file.HasPath());
  EXPECT_TRUE(file.HasContent());
  EXPECT_NE(Str(file.m_content).find(u"caf\u00E9\tCaf\u00E9 Files"), std::u16string::npos);
  ASSERT_EQ(file.Save(Colon(dir / "Extensions.txt").c_str()), 0);
  EXPECT_EQ(TempDir::read(dir / "Extensions.txt"), content);

  std::unique_ptr<CZorbXmlObject> clone(file.Clone());
  auto* copy = dynamic_cast<CZorbTextConfigFile*>(clone.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->m_content, file.m_content);
  EXPECT_EQ(copy->m_path, file.m_path);
  file.Purge();
  EXPECT_FALSE(file.HasPath() || file.HasContent());
}

TEST_F(TextFileTest, AMarkedFileKeepsItsEncodingAndMark) {
  const std::string content = "\xEF\xBB\xBFjs\tJavaScript \xE2\x80\x94 \xE6\x97\xA5\xE6\x9C\xAC\r";
  TempDir::write(dir / "Extensions.txt", content);
  CZorbTextConfigFile file;
  ASSERT_EQ(file.Load(Colon(dir / "Extensions.txt").c_str(), nullptr), 0);
  EXPECT_EQ(Str(file.m_content), u"js\tJavaScript \u2014 \u65E5\u672C\r");
  ASSERT_EQ(file.Save(Colon(dir / "Extensions.txt").c_str()), 0);
  EXPECT_EQ(TempDir::read(dir / "Extensions.txt"), content);
}

TEST_F(TextFileTest, AShortMarkedFileIsReadAndWrittenInItsMarksEncoding) {
  // A mark announces the encoding however short the file is, even when the
  // mark is all it holds.
  struct Case {
    const char* name;
    std::string bytes;
    std::u16string content;
  } cases[] = {
      {"the mark alone", "\xEF\xBB\xBF", u""},
      {"a short line", "\xEF\xBB\xBFJS:Js\n", u"JS:Js\n"},
      {"UTF-16", std::string("\xFE\xFF\0J\0S", 6), u"JS"},
      {"UTF-16LE", std::string("\xFF\xFEJ\0S\0", 6), u"JS"},
      {"UTF-32LE", std::string("\xFF\xFE\0\0J\0\0\0S\0\0\0", 12), u"JS"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir::write(dir / "Extensions.txt", c.bytes);
    CZorbTextConfigFile file;
    ASSERT_EQ(file.Load(Colon(dir / "Extensions.txt").c_str(), nullptr), 0);
    EXPECT_EQ(Str(file.m_content), c.content);
    // New text is written in the mark's encoding, behind the mark.
    file.m_content += u"\u00C9t\u00E9";
    ASSERT_EQ(file.Save(Colon(dir / "Extensions.txt").c_str()), 0);
    CZorbTextConfigFile again;
    ASSERT_EQ(again.Load(Colon(dir / "Extensions.txt").c_str(), nullptr), 0);
    EXPECT_EQ(Str(again.m_content), c.content + u"\u00C9t\u00E9");
    const std::string saved = TempDir::read(dir / "Extensions.txt");
    EXPECT_EQ(saved.substr(0, c.bytes.size()), c.bytes);
  }
}

TEST_F(TextFileTest, FailuresAreReportedAndNothingIsLost) {
  CZorbTextConfigFile file;
  EXPECT_EQ(file.Load(Colon(dir / "missing.txt").c_str(), nullptr), -1);
  EXPECT_FALSE(file.HasPath());
  EXPECT_EQ(file.Save(Colon(dir / "missing.txt").c_str()), -1)
      << "a file that was never read is not written";
  EXPECT_FALSE(TempDir::exists(dir / "missing.txt"));

  TempDir::write(dir / "SourceFormat.txt", "original\r");
  ASSERT_EQ(file.Load(Colon(dir / "SourceFormat.txt").c_str(), nullptr), 0);
  file.m_content = u"changed\r";
  platform::FaultInjectingFileSystem fs;
  platform::FileSystemOverride use(fs);
  fs.failPath("SourceFormat", ENOSPC, platform::kFsWrite);
  EXPECT_EQ(file.Save(Colon(dir / "SourceFormat.txt").c_str()), -1);
  EXPECT_EQ(TempDir::read(dir / "SourceFormat.txt"), "original\r");
}
