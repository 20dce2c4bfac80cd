// A host's configuration files, as the host ships them, through an
// extension's install and uninstall: the host gets its own bytes back, and
// whatever the install writes loads again.

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/CZorbConfigChange.h"
#include "config/CZorbDocumentTypeChangeInsert.h"
#include "config/CZorbDocumentTypeConfigChanges.h"
#include "config/CZorbExtensionButton.h"
#include "config/CZorbExtensionMenu.h"
#include "config/CZorbExtensionMenuBar.h"
#include "config/CZorbExtensionMenuItem.h"
#include "config/CZorbExtensionMenuSeparator.h"
#include "config/CZorbExtensionShortcut.h"
#include "config/CZorbExtensionShortcutList.h"
#include "config/CZorbExtensionsChangeInsert.h"
#include "config/CZorbExtensionsChanges.h"
#include "config/CZorbGenericXmlFile.h"
#include "config/CZorbInsertbarChangeInsert.h"
#include "config/CZorbInsertbarConfigChanges.h"
#include "config/CZorbInsertbarItemChangeInsert.h"
#include "config/CZorbMasterConfigChanges.h"
#include "config/CZorbMenuChangeInsert.h"
#include "config/CZorbMenuChangeRemove.h"
#include "config/CZorbMenusXmlFile.h"
#include "config/CZorbShortcutChangeInsert.h"
#include "config/CZorbTextConfigFile.h"
#include "config/CZorbToolbarChangeInsert.h"
#include "config/CZorbToolbarConfigChanges.h"
#include "config/CZorbToolbarItemChangeInsert.h"
#include "config/tests/ChangeSetApplier.h"
#include "config/tests/ChangeSetReader.h"
#include "config/tests/ConfigTestFiles.h"
#include "config/tests/MenuTestNodes.h"
#include "platform/os/TextEncodings.h"
#include "platform/os/Utf.h"
#include "testsupport/TempDir.h"

using configtest::ApplyChangeSet;
using configtest::Colon;
using configtest::Operation;

namespace {

using Code = CZorbConfigChange::ErrorCode;

std::string HostFixture(const std::string& name) {
  return TempDir::read(std::string(PLEXAR_TESTDATA_DIR) + "/config/host/" + name);
}

// ---------------------------------------------------------------------------
// What an extension brings, node by node.

CZorbExtensionMenuItem* Item(const char16_t* id, const char16_t* name,
                             const char16_t* command = u"") {
  CZorbExtensionMenuItem* item = menutest::Item(id, name);
  item->m_command = command;
  return item;
}

CZorbExtensionShortcut* Key(const char16_t* id, const char16_t* key) {
  auto* shortcut = new CZorbExtensionShortcut();
  shortcut->m_id = id;
  shortcut->m_key = key;
  shortcut->m_command = u"lw.myExt()";
  return shortcut;
}

// A list as the description gives it: its shortcuts inside it.
CZorbExtensionShortcutList* List(const char16_t* id,
                                 std::initializer_list<CZorbXmlObject*> children) {
  auto* list = new CZorbExtensionShortcutList();
  list->m_tag.Empty();
  list->m_id = id;
  for (CZorbXmlObject* child : children) list->m_children.push_back(child);
  return list;
}

template <class Change>
Change* With(Change* change, std::initializer_list<CZorbXmlObject*> children) {
  for (CZorbXmlObject* child : children) change->m_children.push_back(child);
  return change;
}

CZorbMenuChangeInsert* MenuInsert(int position, const char16_t* target,
                                  std::initializer_list<CZorbXmlObject*> children) {
  auto* change = new CZorbMenuChangeInsert();
  change->m_position = position;
  change->m_targetId = target;
  return With(change, children);
}

CZorbShortcutChangeInsert* ShortcutInsert(const char16_t* listId,
                                          std::initializer_list<CZorbXmlObject*> children) {
  auto* change = new CZorbShortcutChangeInsert();
  change->m_listId = listId;
  return With(change, children);
}

CZorbXmlObject* Element(const char16_t* tag,
                        std::initializer_list<std::pair<const char16_t*, const char16_t*>> attrs,
                        std::initializer_list<CZorbXmlObject*> children = {}) {
  auto* node = new CZorbXmlObject(tag);
  for (const auto& [name, value] : attrs) node->SetAttribute(name, value);
  for (CZorbXmlObject* child : children) node->m_children.push_back(child);
  return node;
}

CZorbXmlObject* WithCode(CZorbXmlObject* node, const char16_t* code) {
  node->m_text = code;
  node->m_isCData = true;
  return node;
}

// An extension's menus set touching every kind of node: new items beside
// and in the host's menus, an item and a shortcut of the host's it merges
// into, a host item it takes out (whose separator the tidying takes with
// it), a target only older hosts had, one no host has (the fallback menu),
// shortcut lists brought whole and one merged into the host's.
CZorbMasterConfigChanges* ExtensionMenus() {
  using P = CZorbConfigChange::Position;
  auto* set = new CZorbMasterConfigChanges();
  auto& changes = set->m_children;
  changes.push_back(MenuInsert(
      P::kAppendTo, u"LWMenu_Edit",
      {menutest::Sep(u"BöseTools"), Item(u"MyExt_Edit", u"Über & mehr", u"lw.run('<%= x %>')"),
       new CZorbXmlComment(u"BöseTools -- Bearbeiten")}));
  changes.push_back(MenuInsert(P::kInsertAfter, u"LWMenu_Edit_PasteHTML",
                               {Item(u"MyExt_Paste", u"Einfügen als Text")}));
  CZorbExtensionMenuItem* copy = Item(u"LWMenu_Edit_Copy", u"Copy", u"myExt.copy()");
  copy->m_resolvedName = u"_Kopieren (besser)";
  copy->m_key = u"Cmd+Alt+C";
  changes.push_back(MenuInsert(P::kAppendTo, u"LWMenu_Edit", {copy}));
  CZorbExtensionMenu* menu = menutest::Menu(u"MyExt_Menu");
  menu->m_name = u"Böse Werkzeuge";
  changes.push_back(MenuInsert(P::kInsertAfter, u"LWMenu_Edit", {menu}));
  changes.push_back(MenuInsert(
      P::kAppendTo, u"MyExt_Menu",
      {Item(u"MyExt_One", u"Eins"), menutest::Sep(u"BöseTools"), Item(u"MyExt_Two", u"Zwei")}));
  changes.push_back(
      MenuInsert(P::kInsertBefore, u"LWMenu_From_An_Old_Host", {Item(u"MyExt_Lost", u"Verloren")}));
  auto* remove = new CZorbMenuChangeRemove();
  remove->m_id = u"LWMenu_File_Preview";
  changes.push_back(remove);
  changes.push_back(ShortcutInsert(
      u"", {List(u"MyExt_Keys", {Key(u"MyExt_K1", u"Cmd+Alt+1"), Key(u"MyExt_K2", u"Cmd+Alt+2")}),
            List(u"LWShortcuts_Code",
                 {Key(u"LWShortcut_Comment", u"Cmd+Alt+/"), Key(u"MyExt_K3", u"Cmd+Alt+3")})}));
  changes.push_back(ShortcutInsert(
      u"LWShortcuts_Main", {Key(u"LWShortcut_SaveAs", u"Cmd+Alt+S"), Key(u"MyExt_K4", u"Cmd+Alt+4"),
                            new CZorbXmlComment(u"BöseTools")}));
  return set;
}

CZorbToolbarConfigChanges* ExtensionToolbars() {
  auto* set = new CZorbToolbarConfigChanges();
  auto* after = new CZorbToolbarItemChangeInsert();
  after->m_position = CZorbConfigChange::kInsertAfter;
  after->m_id = u"LW_CodeView";
  With(after, {WithCode(Element(u"button", {{u"id", u"MyExt_Snippet"}, {u"tooltip", u"Mein Teil"}}),
                        u"lw.insertText('<b>&amp;</b>');")});
  auto* overwrite = new CZorbToolbarItemChangeInsert();
  overwrite->m_position = CZorbConfigChange::kAppendTo;
  overwrite->m_id = u"LW_Standard";
  With(overwrite, {Element(u"button", {{u"command", u"myExt.new()"}, {u"id", u"LW_New"}})});
  auto* toolbar = new CZorbToolbarChangeInsert();
  With(toolbar, {Element(u"toolbar", {{u"id", u"MyExt_Toolbar"}, {u"label", u"Meine"}},
                         {Element(u"button", {{u"id", u"MyExt_Button"}})})});
  set->m_children.push_back(after);
  set->m_children.push_back(overwrite);
  set->m_children.push_back(toolbar);
  return set;
}

CZorbInsertbarConfigChanges* ExtensionInsertbar() {
  auto* set = new CZorbInsertbarConfigChanges();
  auto* button = new CZorbExtensionButton();
  button->SetAttribute(u"id", u"MyExt_Insert");
  button->m_labelResId = u"res_insert";
  button->m_labelText = u"Einfügen «x»";
  auto* items = new CZorbInsertbarItemChangeInsert();
  items->m_position = CZorbConfigChange::kAppendTo;
  items->m_id = u"LW_Insertbar_Common";
  With(items, {button});
  // Overwrites the host's button with its code; the undo gives it back.
  auto* date = new CZorbInsertbarItemChangeInsert();
  date->m_position = CZorbConfigChange::kAppendTo;
  date->m_id = u"LW_Tables";
  With(date, {WithCode(Element(u"button", {{u"id", u"LW_Date"}}), u"myExt.date();")});
  auto* category = new CZorbInsertbarChangeInsert();
  With(category, {Element(u"category", {{u"id", u"MyExt_Category"}, {u"label", u"Meine"}},
                          {Element(u"button", {{u"id", u"MyExt_CatButton"}})})});
  set->m_children.push_back(items);
  set->m_children.push_back(date);
  set->m_children.push_back(category);
  return set;
}

CZorbDocumentTypeConfigChanges* ExtensionDocumentTypes() {
  auto* set = new CZorbDocumentTypeConfigChanges();
  set->m_children.push_back(
      With(new CZorbDocumentTypeChangeInsert(),
           {Element(u"documenttype", {{u"id", u"JavaScript"}, {u"internaltype", u"Script"}},
                    {Element(u"TITLE", {{u"text", u"JS"}})}),
            Element(u"documenttype", {{u"id", u"MyExt_Doc"}, {u"macfileextension", u"myx"}})}));
  return set;
}

CZorbExtensionsChanges* ExtensionList() {
  auto* set = new CZorbExtensionsChanges();
  auto* catchAll = new CZorbExtensionsChangeInsert();
  catchAll->m_extension = u"MYX";
  catchAll->m_description = u"Alle Dokumente";
  auto* own = new CZorbExtensionsChangeInsert();
  own->m_extension = u"MYT";
  own->m_description = u"Meine Vorlagen";
  set->m_children.push_back(catchAll);
  set->m_children.push_back(own);
  return set;
}

// A host file's family: where it lies below the configuration folder, the
// extension's set for it, the model that reads it, and what the install
// must have put there.
struct Family {
  const char* name;
  const char* fixture;
  std::function<CZorbConfigChanges*()> makeSet;
  std::function<CZorbXmlFile*()> makeModel;
  int warnings;
  std::vector<std::string> installed;
};

const Family kFamilies[] = {
    {"menus",
     "Menus.xml",
     ExtensionMenus,
     [] { return new CZorbMenusXmlFile(); },
     1,
     {"<menuitem id=\"MyExt_Edit\" name=\"Über & mehr\" command=\"lw.run('<%= x %>')\" />",
      "<!-- BöseTools - - Bearbeiten -->", "name=\"_Kopieren (besser)\" key=\"Cmd+Alt+C\"",
      "<menu id=\"LWMenu_Commands_Misc\"", "<shortcut key=\"Cmd+Alt+1\"",
      "<shortcut key=\"Cmd+Alt+/\" command=\"lw.myExt()\" id=\"LWShortcut_Comment\" />"}},
    {"toolbars",
     "toolbars.xml",
     ExtensionToolbars,
     [] { return new CZorbGenericXmlFile(); },
     0,
     {"<![CDATA[lw.insertText('<b>&amp;</b>');]]>", "id=\"MyExt_Toolbar\"",
      "<button command=\"myExt.new()\" id=\"LW_New\" />",
      "<comment>Die Dokument-Symbolleiste -- Ansichten & Titel</comment>"}},
    {"insert bar",
     "insertbar.xml",
     ExtensionInsertbar,
     [] { return new CZorbGenericXmlFile(); },
     0,
     {"<button id=\"MyExt_Insert\" label=\"Einfügen «x»\" />", "<![CDATA[myExt.date();]]>",
      "id=\"MyExt_Category\""}},
    {"document types",
     "QQDocumentTypes.xml",
     ExtensionDocumentTypes,
     [] { return new CZorbGenericXmlFile(); },
     0,
     {"<documenttype id=\"JavaScript\" internaltype=\"Script\">", "id=\"MyExt_Doc\""}},
    {"extension list",
     "Extensions.txt",
     ExtensionList,
     [] { return new CZorbTextConfigFile(); },
     0,
     {",MYX:Alle Dokumente", "MYT:Meine Vorlagen"}},
};

class HostFilesTest : public ::testing::Test {
 protected:
  HostFilesTest() : config(Colon(dir.path())) {
    // Western hosts: text without a mark or a declaration is Mac Roman.
    platform::setTextEncodingLanguage("en");
  }
  ~HostFilesTest() override { platform::setTextEncodingLanguage(""); }

  // The relative POSIX path of the set's file below the configuration
  // folder.
  static std::string PathOf(const CZorbConfigChanges& set) {
    CString path;
    set.GetPath(path);
    std::string posix;
    for (int32_t i = 0; i < path.GetLength(); ++i) {
      const char16_t ch = path.GetAt(i);
      if (ch == u':') {
        if (!posix.empty()) posix += '/';
      } else {
        posix += static_cast<char>(ch);
      }
    }
    return posix;
  }

  void Put(const std::string& relative, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(dir / relative).parent_path());
    TempDir::write(dir / relative, bytes);
  }
  std::string Get(const std::string& relative) { return TempDir::read(dir / relative); }

  TempDir dir;
  std::u16string config;
};

// The text with each of its line ends (CR LF, LF or CR) as eol.
std::string WithLineEnds(const std::string& text, const std::string& eol) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\r' || text[i] == '\n')
      out += eol;
    else
      out += text[i];
  }
  return out;
}

// True when every line end of the text is eol.
bool OnlyLineEnds(const std::string& text, const std::string& eol) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    if (text.compare(i, eol.size(), eol) != 0) return false;
    i += eol.size() - 1;
  }
  return true;
}

}  // namespace

TEST_F(HostFilesTest, EachFamilyComesBackByteForByteFromAnInstallAndAnUninstall) {
  for (const Family& f : kFamilies) {
    SCOPED_TRACE(f.name);
    std::unique_ptr<CZorbConfigChanges> set(f.makeSet());
    const std::string relative = PathOf(*set);
    const std::string original = HostFixture(f.fixture);
    Put(relative, original);

    const auto install = ApplyChangeSet(*set, config, Operation::Install);
    EXPECT_EQ(install.errors, 0);
    EXPECT_EQ(install.warnings, f.warnings);
    ASSERT_TRUE(install.saved);
    const std::string installed = Get(relative);
    for (const std::string& text : f.installed)
      EXPECT_NE(installed.find(text), std::string::npos) << text << "\n" << installed;
    // What the install wrote loads again.
    std::unique_ptr<CZorbXmlFile> model(f.makeModel());
    EXPECT_EQ(model->Load(Colon(dir / relative).c_str(), nullptr), 0) << installed;

    const auto remove = ApplyChangeSet(*set, config, Operation::Remove);
    EXPECT_EQ(remove.errors, 0);
    EXPECT_EQ(Get(relative), original);
  }
}

TEST_F(HostFilesTest, LineEndsMarkAndLastLineAreKeptWhateverTheyAre) {
  struct Form {
    const char* name;
    std::string eol;
    bool mark;
    bool finalLineEnd;
  } forms[] = {
      {"LF", "\n", false, true},
      {"CR LF", "\r\n", false, true},
      {"CR", "\r", false, true},
      {"LF with a mark", "\n", true, true},
      {"CR LF with a mark", "\r\n", true, true},
      {"LF, last line open", "\n", false, false},
      {"CR, last line open", "\r", true, false},
  };
  for (const Family& f : kFamilies) {
    // A mark announces UTF-8: only the UTF-8 fixtures take one.
    const std::string lines = WithLineEnds(HostFixture(f.fixture), "\n");
    const bool utf8 =
        lines.find("utf-8") != std::string::npos || lines.find("UTF-8") != std::string::npos;
    for (const Form& form : forms) {
      if (form.mark && !utf8) continue;
      SCOPED_TRACE(std::string(f.name) + ", " + form.name);
      std::string original = WithLineEnds(lines, form.eol);
      if (!form.finalLineEnd) original.resize(original.size() - form.eol.size());
      if (form.mark) original = "\xEF\xBB\xBF" + original;
      std::unique_ptr<CZorbConfigChanges> set(f.makeSet());
      const std::string relative = PathOf(*set);
      Put(relative, original);

      ASSERT_TRUE(ApplyChangeSet(*set, config, Operation::Install).saved);
      const std::string installed = Get(relative);
      EXPECT_EQ(installed.rfind("\xEF\xBB\xBF", 0) == 0, form.mark);
      EXPECT_TRUE(OnlyLineEnds(installed, form.eol)) << installed;
      EXPECT_EQ(
          installed.size() >= form.eol.size() &&
              installed.compare(installed.size() - form.eol.size(), form.eol.size(), form.eol) == 0,
          form.finalLineEnd);

      ASSERT_TRUE(ApplyChangeSet(*set, config, Operation::Remove).saved);
      EXPECT_EQ(Get(relative), original);
    }
  }
}

// The host's files in UTF-16, little- or big-endian, marked or not: the
// install writes in the file's own units, mark and line ends, and the
// uninstall gives its bytes back.
TEST_F(HostFilesTest, Utf16FilesKeepTheirUnitsMarkAndLineEnds) {
  const auto utf16 = [](const std::u16string& units, bool little) {
    std::string bytes;
    for (const char16_t unit : units) {
      const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
      bytes += little ? low : high;
      bytes += little ? high : low;
    }
    return bytes;
  };
  struct Form {
    const char* name;
    std::string mark;
    bool little;
  } forms[] = {
      {"UTF-16LE with a mark", "\xFF\xFE", true},
      {"UTF-16BE with a mark", "\xFE\xFF", false},
      {"UTF-16LE without a mark", "", true},
  };
  for (const Family& f : kFamilies) {
    // Only the fixtures in UTF-8 can be given in UTF-16 as they stand.
    const std::optional<std::u16string> lines =
        platform::utf8ToUtf16(WithLineEnds(HostFixture(f.fixture), "\r\n"));
    if (!lines) continue;
    std::unique_ptr<CZorbXmlFile> probe(f.makeModel());
    // Without a mark only an XML document tells its units.
    const bool xml = dynamic_cast<CZorbTextConfigFile*>(probe.get()) == nullptr;
    for (const Form& form : forms) {
      if (form.mark.empty() && !xml) continue;
      SCOPED_TRACE(std::string(f.name) + ", " + form.name);
      const std::string original = form.mark + utf16(*lines, form.little);
      std::unique_ptr<CZorbConfigChanges> set(f.makeSet());
      const std::string relative = PathOf(*set);
      Put(relative, original);

      ASSERT_TRUE(ApplyChangeSet(*set, config, Operation::Install).saved);
      const std::string installed = Get(relative);
      ASSERT_EQ(installed.compare(0, form.mark.size(), form.mark), 0);
      ASSERT_EQ((installed.size() - form.mark.size()) % 2, 0u);
      std::u16string text;
      for (size_t i = form.mark.size(); i + 1 < installed.size(); i += 2) {
        const auto first = static_cast<unsigned char>(installed[i]);
        const auto second = static_cast<unsigned char>(installed[i + 1]);
        text += static_cast<char16_t>(form.little ? second << 8 | first : first << 8 | second);
      }
      const std::string decoded = platform::utf16ToUtf8(text).value();
      for (const std::string& added : f.installed)
        EXPECT_NE(decoded.find(added), std::string::npos) << added;
      EXPECT_TRUE(OnlyLineEnds(decoded, "\r\n")) << decoded;
      std::unique_ptr<CZorbXmlFile> model(f.makeModel());
      EXPECT_EQ(model->Load(Colon(dir / relative).c_str(), nullptr), 0) << decoded;

      ASSERT_TRUE(ApplyChangeSet(*set, config, Operation::Remove).saved);
      EXPECT_EQ(Get(relative), original);
    }
  }
}

TEST_F(HostFilesTest, EmptyElementsKeepTheirFormThroughASaveAndThroughAnEditAndItsUndo) {
  // Each host file with its elements without content rewritten in one
  // form, or in all three by turns, as hosts and their users' editors
  // leave them: "<a/>", "<a />" or "<a></a>".
  enum Shape { kTight, kSpaced, kPair, kMixed };
  const struct {
    const char* name;
    Shape shape;
  } shapes[] = {
      {"short, without a space", kTight},
      {"short, with a space", kSpaced},
      {"start and end tag", kPair},
      {"all three by turns", kMixed},
  };
  const struct {
    const char* name;
    std::string eol;
    bool mark;
  } forms[] = {{"LF", "\n", false}, {"CR LF with a mark", "\r\n", true}, {"CR", "\r", false}};
  for (const Family& f : kFamilies) {
    const std::string lines = WithLineEnds(HostFixture(f.fixture), "\n");
    const bool utf8 =
        lines.find("utf-8") != std::string::npos || lines.find("UTF-8") != std::string::npos;
    for (const auto& shape : shapes) {
      std::string reshaped;
      int turn = 0;
      size_t copied = 0;
      for (size_t close = lines.find("/>"); close != std::string::npos;
           close = lines.find("/>", close + 2)) {
        const size_t open = lines.rfind('<', close);
        if (open == std::string::npos || open < copied ||
            !std::isalpha(static_cast<unsigned char>(lines[open + 1])) ||
            lines.find('>', open) < close)
          continue;
        size_t nameEnd = open + 1;
        while (nameEnd < close && !std::isspace(static_cast<unsigned char>(lines[nameEnd])))
          ++nameEnd;
        size_t attrsEnd = close;
        while (attrsEnd > nameEnd && std::isspace(static_cast<unsigned char>(lines[attrsEnd - 1])))
          --attrsEnd;
        const std::string name = lines.substr(open + 1, nameEnd - open - 1);
        const Shape form = shape.shape == kMixed ? static_cast<Shape>(turn++ % 3) : shape.shape;
        reshaped.append(lines, copied, attrsEnd - copied);
        reshaped += form == kTight ? "/>" : form == kSpaced ? " />" : "></" + name + ">";
        copied = close + 2;
      }
      if (copied == 0) break;  // a file without elements of that kind
      reshaped.append(lines, copied, std::string::npos);
      for (const auto& form : forms) {
        if (form.mark && !utf8) continue;
        SCOPED_TRACE(std::string(f.name) + ", " + shape.name + ", " + form.name);
        const std::string original =
            (form.mark ? "\xEF\xBB\xBF" : "") + WithLineEnds(reshaped, form.eol);
        std::unique_ptr<CZorbConfigChanges> set(f.makeSet());
        const std::string relative = PathOf(*set);
        Put(relative, original);

        std::unique_ptr<CZorbXmlFile> model(f.makeModel());
        ASSERT_EQ(model->Load(Colon(dir / relative).c_str(), nullptr), 0);
        ASSERT_EQ(model->Save(Colon(dir / "saved.xml").c_str()), 0);
        EXPECT_EQ(Get("saved.xml"), original) << "a load and a save";

        ASSERT_TRUE(ApplyChangeSet(*set, config, Operation::Install).saved);
        EXPECT_NE(Get(relative), original);
        ASSERT_TRUE(ApplyChangeSet(*set, config, Operation::Remove).saved);
        EXPECT_EQ(Get(relative), original) << "an install and its removal";
      }
    }
  }
}

TEST_F(HostFilesTest, WhatTheChangesRememberTravelsWithTheirDescription) {
  // Removed in a later run: the changes come from the description copy
  // that was written after the install, not from the objects that did it.
  std::unique_ptr<CZorbConfigChanges> set(ExtensionMenus());
  auto* first = static_cast<CZorbXmlObject*>(set->m_children.front());
  static_cast<CZorbXmlComment*>(first->m_children.back())->m_comment = u"BöseTools";
  const std::string relative = PathOf(*set);
  const std::string original = HostFixture("Menus.xml");
  Put(relative, original);
  ASSERT_EQ(ApplyChangeSet(*set, config, Operation::Install).errors, 0);

  const CString written = configtest::Written(*set);
  EXPECT_GE(written.Find(u"<host-node"), 0);
  auto read = configtest::ReadChangeSets(written);
  ASSERT_EQ(read.size(), 1u) << testing::PrintToString(std::u16string(written.Get()));
  EXPECT_EQ(configtest::Written(*read[0]), written) << "read back whole";
  set.reset();
  ASSERT_EQ(ApplyChangeSet(*read[0], config, Operation::Remove).errors, 0);
  EXPECT_EQ(Get(relative), original);
}

TEST_F(HostFilesTest, ADocumentTypeLineLoadsAndStaysBeforeTheRoot) {
  const std::string original = HostFixture("Menus.xml");
  Put("Menus.xml", original);
  CZorbMenusXmlFile file;
  ASSERT_EQ(file.Load(Colon(dir / "Menus.xml").c_str(), nullptr), 0);
  ASSERT_FALSE(file.m_children.empty());
  auto* doctype = dynamic_cast<CZorbXmlMisc*>(file.m_children.front());
  ASSERT_NE(doctype, nullptr);
  EXPECT_EQ(doctype->m_markup,
            CString(u"<!DOCTYPE menus PUBLIC \"-//Quillory//DTD Loomwright Menus 5.0//EN\" "
                    u"\"Menus.dtd\">"));
  EXPECT_EQ(file.Save(Colon(dir / "Saved.xml").c_str()), 0);
  EXPECT_EQ(Get("Saved.xml"), original);
}

TEST_F(HostFilesTest, OutsideTextInEveryWriterFieldLoadsAgainAndGoesWithTheUninstall) {
  // Every character that would break a host file's markup, in one value.
  const std::u16string value = u"Sag \"Hallo\" <b> & 'du'";
  const char16_t* v = value.c_str();
  using P = CZorbConfigChange::Position;
  using MakeSet = std::function<CZorbConfigChanges*()>;
  // Each set is made afresh from its maker.
  const auto menus = [](std::function<CZorbXmlObject*()> node) -> MakeSet {
    return [node] {
      auto* set = new CZorbMasterConfigChanges();
      set->m_children.push_back(MenuInsert(P::kAppendTo, u"LWMenu_Edit", {node()}));
      return set;
    };
  };
  const auto item = [&](std::function<void(CZorbExtensionMenuItem&)> edit) {
    return menus([edit] {
      CZorbExtensionMenuItem* node = Item(u"MyExt_Item", u"Mein");
      edit(*node);
      return node;
    });
  };
  const auto keys = [](std::function<CZorbXmlObject*()> child) -> MakeSet {
    return [child] {
      auto* set = new CZorbMasterConfigChanges();
      set->m_children.push_back(ShortcutInsert(u"", {child()}));
      return set;
    };
  };
  const auto key = [&](std::function<void(CZorbExtensionShortcut&)> edit) {
    return keys([edit] {
      CZorbExtensionShortcut* shortcut = Key(u"MyExt_Key", u"F9");
      edit(*shortcut);
      return List(u"MyExt_Keys", {shortcut});
    });
  };

  struct Field {
    const char* name;
    MakeSet makeSet;
  };
  std::vector<Field> fields = {
      {"item id", item([&](auto& i) { i.m_id = v; })},
      {"item name", item([&](auto& i) { i.m_name = v; })},
      {"item resolved name", item([&](auto& i) { i.m_resolvedName = v; })},
      {"item key", item([&](auto& i) { i.m_key = v; })},
      {"item command", item([&](auto& i) { i.m_command = v; })},
      {"item enabled", item([&](auto& i) { i.m_enabled = v; })},
      {"item checked", item([&](auto& i) { i.m_checked = v; })},
      {"item file", item([&](auto& i) { i.m_file = v; })},
      {"item arguments", item([&](auto& i) { i.m_arguments = v; })},
      {"item showif", item([&](auto& i) { i.m_showif = v; })},
      {"item platform", item([&](auto& i) { i.m_platform = v; })},
      {"item app", item([&](auto& i) { i.m_app = v; })},
      {"item QQString name", item([&](auto& i) { i.m_qqStringName = v; })},
      {"item dynamic word in its name", item([&](auto& i) { i.m_name = u"a dynamic\tname"; })},
      {"menu id and name", menus([v] {
         CZorbExtensionMenu* menu = menutest::Menu(v);
         menu->m_name = v;
         return menu;
       })},
      {"menubar id and name",
       [&] {
         auto* bar = new CZorbExtensionMenuBar();
         bar->m_id = v;
         bar->m_name = v;
         auto* set = new CZorbMasterConfigChanges();
         set->m_children.push_back(MenuInsert(P::kAppendTo, u"", {bar}));
         return set;
       }},
      {"separator owner",
       [&] {
         auto* set = new CZorbMasterConfigChanges();
         set->m_children.push_back(MenuInsert(P::kAppendTo, u"LWMenu_Edit",
                                              {menutest::Sep(v), Item(u"MyExt_After", u"Danach")}));
         return set;
       }},
      {"comment", menus([v] { return new CZorbXmlComment(v); })},
      {"shortcut key", key([&](auto& k) { k.m_key = v; })},
      {"shortcut id", key([&](auto& k) { k.m_id = v; })},
      {"shortcut command", key([&](auto& k) { k.m_command = v; })},
      {"shortcut name", key([&](auto& k) { k.m_name = v; })},
      {"shortcut file and arguments", key([&](auto& k) {
         k.m_file = v;
         k.m_arguments = v;
       })},
      {"shortcut enabled, checked, app, platform", key([&](auto& k) {
         k.m_enabled = v;
         k.m_checked = v;
         k.m_app = v;
         k.m_platform = v;
       })},
      {"shortcut list id, platform, app", keys([v] {
         CZorbExtensionShortcutList* list = List(v, {Key(u"MyExt_Key", u"F9")});
         list->m_platform = v;
         list->m_app = v;
         return list;
       })},
      {"shortcut comment",
       [&] {
         auto* set = new CZorbMasterConfigChanges();
         set->m_children.push_back(ShortcutInsert(u"LWShortcuts_Main", {new CZorbXmlComment(v)}));
         return set;
       }},
      {"toolbar item attribute, text and code",
       [&] {
         auto* set = new CZorbToolbarConfigChanges();
         auto* change = new CZorbToolbarItemChangeInsert();
         change->m_position = P::kAppendTo;
         change->m_id = u"LW_Standard";
         CZorbXmlObject* button = Element(u"button", {{u"id", v}, {u"tooltip", v}});
         CZorbXmlObject* label = Element(u"label", {});
         label->m_text = v;
         button->m_children.push_back(label);
         button->m_children.push_back(WithCode(Element(u"code", {}), v));
         set->m_children.push_back(With(change, {button}));
         return set;
       }},
      {"insert-bar label text",
       [&] {
         auto* set = new CZorbInsertbarConfigChanges();
         auto* change = new CZorbInsertbarItemChangeInsert();
         change->m_position = P::kAppendTo;
         change->m_id = u"LW_Insertbar_Common";
         auto* button = new CZorbExtensionButton();
         button->SetAttribute(u"id", u"MyExt_Label");
         button->m_labelText = v;
         set->m_children.push_back(With(change, {button}));
         return set;
       }},
      {"document type attribute",
       [&] {
         auto* set = new CZorbDocumentTypeConfigChanges();
         set->m_children.push_back(
             With(new CZorbDocumentTypeChangeInsert(),
                  {Element(u"documenttype", {{u"id", v}, {u"macfileextension", v}})}));
         return set;
       }},
      {"extension list description",
       [&] {
         auto* set = new CZorbExtensionsChanges();
         auto* change = new CZorbExtensionsChangeInsert();
         change->m_extension = v;
         change->m_description = v;
         set->m_children.push_back(change);
         return set;
       }},
  };
  const std::string fixtures[][2] = {{"Menus.xml", "Menus/Menus.xml"},
                                     {"toolbars.xml", "Toolbars/toolbars.xml"},
                                     {"insertbar.xml", "Objects/insertbar.xml"},
                                     {"QQDocumentTypes.xml", "DocumentTypes/QQDocumentTypes.xml"},
                                     {"Extensions.txt", "Extensions.txt"}};
  for (const Field& field : fields) {
    SCOPED_TRACE(field.name);
    std::unique_ptr<CZorbConfigChanges> set(field.makeSet());
    const std::string relative = PathOf(*set);
    std::string original;
    for (const auto& [fixture, path] : fixtures)
      if (path == relative) original = HostFixture(fixture);
    ASSERT_FALSE(original.empty()) << relative;
    Put(relative, original);

    const auto install = ApplyChangeSet(*set, config, Operation::Install);
    EXPECT_EQ(install.errors, 0);
    ASSERT_TRUE(install.saved);
    std::unique_ptr<CZorbXmlFile> model(set->CreateConfigFile(true));
    EXPECT_EQ(model->Load(Colon(dir / relative).c_str(), nullptr), 0) << Get(relative);
    EXPECT_NE(Get(relative), original) << "the value went in";

    ApplyChangeSet(*set, config, Operation::Remove);
    EXPECT_EQ(Get(relative), original);
  }
}
