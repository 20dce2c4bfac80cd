#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>

#include "config/CZorbExtensionMenu.h"
#include "config/CZorbExtensionMenuBar.h"
#include "config/CZorbExtensionMenuItem.h"
#include "config/CZorbExtensionMenuSeparator.h"
#include "config/CZorbExtensionServerFormat.h"
#include "config/CZorbExtensionShortcut.h"
#include "config/CZorbExtensionShortcutList.h"
#include "config/CZorbMenusXMLParser.h"
#include "config/CZorbMenusXmlFile.h"
#include "config/tests/ConfigTestFiles.h"
#include "foundation/CZorbUnicodeConverter.h"
#include "platform/os/FaultInjectingFileSystem.h"

using configtest::Canonical;
using configtest::Colon;
using configtest::Fixture;

namespace {

class MenusFileTest : public configtest::XmlFileTest<CZorbMenusXmlFile> {
 protected:
  MenusFileTest() : XmlFileTest("Menus.xml", "Saved.xml") {}
};

}  // namespace

TEST_F(MenusFileTest, AFileInTheProgramsOwnLayoutComesBackByteForByte) {
  for (const char* name : {"Menus.xml", "Menus-nocommands.xml"}) {
    const std::string canonical = Canonical(Fixture(name));
    EXPECT_EQ(RoundTrip(canonical), canonical) << name;
  }
}

TEST_F(MenusFileTest, AHostFileIsRepairedAndWrittenInTheHostsSyntax) {
  // Raw ampersands, script fragments, the bare word dynamic between blanks
  // and tabs, a tag closed twice, a doubled quote, the Frames menu written
  // as an empty element that has children, a comment with an ampersand.
  // Written in the host file's own form: line feeds, no mark.
  const std::string saved = RoundTrip(Fixture("Menus-hoststyle.xml"));
  EXPECT_EQ(saved, Fixture("Menus.xml"));
  EXPECT_EQ(RoundTrip(saved), saved) << "once written, the file is stable";
}

TEST_F(MenusFileTest, VariantsLoadAndNormalise) {
  // Without a namespace the menus root is not written back.
  EXPECT_EQ(
      RoundTrip(Fixture("Menus-nonamespace.xml")),
      std::string(
          "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
          "\n<menubar id=\"LWMainMenu\" name=\"Main Window\">\n"
          "\t<menu id=\"LWMenu_Edit\" name=\"_Edit\">\n"
          "\t\t<menuitem id=\"LWMenu_Edit_Copy\" name=\"_Copy\" key=\"Cmd+C\" "
          "command=\"lw.clipCopy()\" />\n"
          "\t\t<menuitem id=\"LWMenu_Edit_Paste\" name=\"_Paste\" key=\"Cmd+V\" "
          "command=\"lw.clipPaste()\" />\n"
          "\t</menu>\n"
          "\t<menu id=\"LWMenu_Help\" name=\"_Help\">\n"
          "\t\t<menuitem id=\"LWMenu_Help_Using\" name=\"Using Loomwright\" key=\"F1\" "
          "command=\"lw.help()\" />\n"
          "\t</menu>\n"
          "</menubar>\n"
          "\n<shortcutlist id=\"LWShortcuts_Main\">\n"
          "\t<shortcut key=\"Cmd+Shift+S\" command=\"lw.saveAs()\" id=\"LWShortcut_SaveAs\" />\n"
          "</shortcutlist>\n"));

  // Single-quoted attributes read as any others; a double quote inside one
  // becomes an apostrophe, so the value can be written between double quotes.
  CZorbMenusXmlFile file;
  ASSERT_EQ(LoadText(file, Fixture("Menus-singlequoted.xml")), 0);
  EXPECT_EQ(file.m_namespace, u"http://ns.quillory.example/qqstring/");
  CZorbExtensionMenuBar* menubar = nullptr;
  CZorbExtensionMenu* parent = nullptr;
  CZorbExtensionMenuItem* hello = file.FindMenuItem(u"LWMenu_Edit_Hello", menubar, parent);
  ASSERT_NE(hello, nullptr);
  EXPECT_EQ(hello->m_name, u"Say 'Hello'");
  EXPECT_EQ(hello->m_command, u"lw.say('hello')");
  const std::string saved = SaveText(file);
  EXPECT_NE(
      saved.find(
          "<menuitem id=\"LWMenu_Edit_Hello\" name=\"Say 'Hello'\" command=\"lw.say('hello')\" />"),
      std::string::npos);
  EXPECT_EQ(RoundTrip(saved), saved);
}

TEST_F(MenusFileTest, ReadsTheNodeModel) {
  CZorbMenusXmlFile file;
  ASSERT_EQ(LoadText(file, Canonical(Fixture("Menus.xml"))), 0);
  EXPECT_EQ(file.m_xmlDecl, u"<?xml version=\"1.0\" encoding=\"utf-8\"?>");
  EXPECT_EQ(file.m_encoding, CZorbUnicodeConverter::kUTF8);
  EXPECT_EQ(file.m_path, Colon(dir / "Menus.xml").c_str());

  CZorbExtensionMenuBar* menubar = nullptr;
  CZorbExtensionMenu* parent = nullptr;
  CZorbExtensionMenuItem* recent = file.FindMenuItem(u"lwmenu_file_recentfiles", menubar, parent);
  ASSERT_NE(recent, nullptr);
  EXPECT_EQ(recent->m_dynamic, u"true") << "the bare word reads as dynamic=\"true\"";
  EXPECT_TRUE(menubar == file.FindMenuBar(u"LWMainMenu"));
  CZorbExtensionMenu* holder = parent;
  EXPECT_EQ(holder, file.FindMenu(u"LWMenu_File_OpenRecent", menubar, parent));

  CZorbExtensionMenuItem* find = file.FindMenuItem(u"LWMenu_Edit_Find", menubar, parent);
  ASSERT_NE(find, nullptr);
  EXPECT_EQ(find->m_name, u"_Find & Replace");
  CZorbExtensionMenuItem* script = file.FindMenuItem(u"LWMenu_Insert_Script", menubar, parent);
  ASSERT_NE(script, nullptr);
  EXPECT_EQ(script->m_command, u"lw.insertText('<%= value %>')");
  CZorbExtensionMenuItem* help = file.FindMenuItem(u"LWMenu_Help_Using", menubar, parent);
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(help->m_command, u"lw.help('&lt;index&gt;')") << "entity references stay as written";
  EXPECT_FALSE(file.FindMenuItem(u"LWMenu_File_Preview", menubar, parent)->m_domRequired);

  CZorbExtensionShortcutList* list = nullptr;
  CZorbExtensionShortcut* heading = file.FindShortcut(u"LWShortcut_Heading1", list);
  ASSERT_NE(heading, nullptr);
  EXPECT_TRUE(heading->m_dynamic);
  EXPECT_FALSE(heading->m_domRequired);
  EXPECT_EQ(list, file.FindShortcutList(u"lwshortcuts_main"));
  EXPECT_NE(file.FindComment(u"Code view", list), nullptr);
  EXPECT_EQ(list, file.FindShortcutList(u"LWShortcuts_Main"));
  EXPECT_NE(file.FindComment(u"Loomwright menus: File & Edit first", menubar, parent), nullptr);
  EXPECT_EQ(menubar, nullptr);

  // An empty id never finds a node without one.
  EXPECT_EQ(file.FindMenu(u"", menubar, parent), nullptr);
  EXPECT_EQ(file.FindMenuBar(u""), nullptr);
  EXPECT_EQ(file.FindShortcutList(u""), nullptr);
  EXPECT_EQ(file.FindShortcut(u"", list), nullptr);
}

TEST_F(MenusFileTest, ServerFormatsFileKeepsItsFormatsAndTheirOtherAttributes) {
  CZorbMenusXmlFile file;
  ASSERT_EQ(LoadText(file, Fixture("ServerFormats.xml"), "ServerFormats.xml"), 0);
  CZorbExtensionMenuBar* menubar = nullptr;
  CZorbExtensionMenu* parent = nullptr;
  CZorbExtensionServerFormat* currency = file.FindFormat(u"PHP_Currency_Default", menubar, parent);
  ASSERT_NE(currency, nullptr);
  CZorbExtensionMenu* holder = parent;
  EXPECT_EQ(holder, file.FindMenu(u"PHP_Currency", menubar, parent));
  CString decimals;
  EXPECT_TRUE(currency->GetAttribute(u"decimals", decimals));
  EXPECT_EQ(decimals, u"2");
  EXPECT_TRUE(file.FindMenuBar(u"PHP_Formats") != nullptr);
  EXPECT_FALSE(file.FindFormat(u"PHP_Trim", menubar, parent)->m_visible);

  const std::string saved = SaveText(file);
  EXPECT_NE(saved.find("\n<formats id=\"PHP_Formats\" name=\"PHP\">\n"), std::string::npos);
  EXPECT_NE(saved.find("\t<format title=\"Encode - URL\" file=\"Formats/Encode.htm\" "
                       "expression=\"<%= urlencode(*#) %>\" "
                       "function=\"urlencode\" id=\"PHP_EncodeURL\" />\n"),
            std::string::npos);
  EXPECT_EQ(RoundTrip(saved), saved);
}

TEST_F(MenusFileTest, CommentsAndMarkupKeepTheirTextOverRepeatedSaves) {
  // The pre-pass escapes raw text that expat hands over unread; it must not
  // pile up a further "&amp;" on every save.
  const std::string source =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      "<menus xmlns:QQString=\"ns\">\n"
      "<?lw-note a & b <% x %> '<!--' dynamic ?>\n"
      "<!-- Tom & Jerry: <% code %> a+<b> -->\n"
      "<menubar id=\"M\">\n"
      "<menu id=\"Menu\">\n"
      "<!-- in a menu: 1 & 2 -->\n"
      "<menuitem id=\"I\" />\n"
      "</menu>\n"
      "</menubar>\n"
      "</menus>\n";
  std::string text = RoundTrip(source);
  for (int round = 0; round < 3; ++round) EXPECT_EQ(RoundTrip(text), text);
  EXPECT_NE(text.find("\n<!-- Tom & Jerry: <% code %> a+<b> -->\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\t\t<!-- in a menu: 1 & 2 -->\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n<?lw-note a & b <% x %> '<!--' dynamic ?>\n"), std::string::npos) << text;

  CZorbMenusXmlFile file;
  ASSERT_EQ(LoadText(file, text), 0);
  CZorbExtensionMenuBar* menubar = nullptr;
  CZorbExtensionMenu* parent = nullptr;
  EXPECT_NE(file.FindComment(u"Tom & Jerry: <% code %> a+<b>", menubar, parent), nullptr);
  EXPECT_NE(file.FindComment(u"in a menu: 1 & 2", menubar, parent), nullptr);
}

TEST_F(MenusFileTest, AMenuItemsDynamicValueIsWrittenAsItSays) {
  // The bare word means "true"; any other value must not become it.
  struct Case {
    const char* attribute;
    const char* written;
  } cases[] = {
      {" dynamic", " dynamic"},
      {" dynamic=\"true\"", " dynamic"},
      {" dynamic=\"false\"", " dynamic=\"false\""},
      {" dynamic=\"0\"", " dynamic=\"0\""},
      {"", ""},
  };
  for (const Case& c : cases) {
    CZorbMenusXmlFile file;
    ASSERT_EQ(LoadText(file, std::string("<menubar id=\"M\"><menu id=\"m\"><menuitem id=\"I\"") +
                                 c.attribute + " name=\"N\" /></menu></menubar>\n"),
              0);
    const std::string saved = SaveText(file);
    EXPECT_NE(saved.find(std::string("<menuitem id=\"I\"") + c.written + " name=\"N\" />"),
              std::string::npos)
        << c.attribute << "\n"
        << saved;
    EXPECT_EQ(RoundTrip(saved), saved) << c.attribute;
  }
}

TEST_F(MenusFileTest, ElementsWithoutContentKeepTheirFormAndNewOnesTakeTheFilesFirst) {
  // In the program's layout, so that only the forms can differ.
  const std::string head =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<menus xmlns:QQString=\"ns\">\n\n"
      "<menubar id=\"M\">\n";
  const std::string tail =
      "</menubar>\n\n<shortcutlist id=\"L\">\n\t<shortcut key=\"F1\" id=\"k\"></shortcut>\n"
      "</shortcutlist>\n\n<shortcutlist id=\"Empty\"></shortcutlist>\n</menus>\n";
  struct Case {
    const char* name;
    std::string menu;   // the menubar's content
    const char* added;  // an item the file did not hold, appended to menu "m"
  } cases[] = {
      {"items and separators in all three forms",
       "\t<menu id=\"m\">\n\t\t<menuitem id=\"a\" name=\"A\"/>\n\t\t<separator />\n"
       "\t\t<menuitem id=\"b\" name=\"B\"></menuitem>\n\t</menu>\n",
       "\t\t<menuitem id=\"n\" name=\"N\"/>\n"},
      {"the first with a space",
       "\t<menu id=\"m\">\n\t\t<separator />\n\t\t<separator/>\n\t</menu>\n",
       "\t\t<menuitem id=\"n\" name=\"N\" />\n"},
      {"only pairs: the writer's own form",
       "\t<menu id=\"m\">\n\t\t<menuitem id=\"a\" name=\"A\"></menuitem>\n\t</menu>\n",
       "\t\t<menuitem id=\"n\" name=\"N\" />\n"},
      {"empty menus keep their form but give none to new items",
       "\t<menu id=\"m\">\n\t\t<menu id=\"e\"/>\n\t\t<menu id=\"f\"></menu>\n\t</menu>\n",
       "\t\t<menuitem id=\"n\" name=\"N\" />\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string original = head + c.menu + tail;
    EXPECT_EQ(RoundTrip(original), original);

    CZorbMenusXmlFile file;
    ASSERT_EQ(LoadText(file, original), 0);
    CZorbExtensionMenuBar* menubar = nullptr;
    CZorbExtensionMenu* parent = nullptr;
    CZorbExtensionMenu* menu = file.FindMenu(u"m", menubar, parent);
    ASSERT_NE(menu, nullptr);
    auto* item = new CZorbExtensionMenuItem();
    item->m_id = u"n";
    item->m_name = u"N";
    menu->m_children.push_back(item);
    const std::string added = SaveText(file);
    EXPECT_NE(added.find(std::string(c.added) + "\t</menu>\n</menubar>"), std::string::npos)
        << added;
    // Taken out again, the file is the host's.
    menu->m_children.remove(item);
    delete item;
    EXPECT_EQ(SaveText(file), original);
    EXPECT_EQ(RoundTrip(added), added) << "once written, the file is stable";
  }
}

TEST_F(MenusFileTest, TheBareWordDynamicIsAnAttributeOnlyInAStartTag) {
  struct Case {
    const char* name;
    std::string body;         // inside a menu
    const char16_t* dynamic;  // the item's value as read
    std::string kept;         // text the save writes as it stood
  } cases[] = {
      {"a start tag over several lines", "<menuitem id=\"I\"\n\tdynamic\n\tname=\"N\" />\n",
       u"true", "<menuitem id=\"I\" dynamic name=\"N\" />"},
      {"at the end of the tag", "<menuitem id=\"I\" dynamic/>\n", u"true",
       "<menuitem id=\"I\" dynamic/>"},
      {"a comment over several lines",
       "<!-- first\n<menuitem dynamic /> last -->\n<menuitem id=\"I\" />\n", u"",
       "<!-- first\n<menuitem dynamic /> last -->"},
      {"an instruction holding \">\"", "<?note a > <b dynamic ?>\n<menuitem id=\"I\" />\n", u"",
       "<?note a > <b dynamic ?>"},
      {"an instruction before the item",
       "<?note a > <b dynamic=\"true\" ?>\n<menuitem id=\"I\" dynamic />\n", u"true",
       "<?note a > <b dynamic=\"true\" ?>"},
  };
  for (const Case& c : cases) {
    CZorbMenusXmlFile file;
    ASSERT_EQ(
        LoadText(file, "<menus xmlns:QQString=\"ns\">\n<menubar id=\"M\">\n<menu id=\"m\">\n" +
                           c.body + "</menu>\n</menubar>\n</menus>\n"),
        0)
        << c.name;
    CZorbExtensionMenuBar* menubar = nullptr;
    CZorbExtensionMenu* parent = nullptr;
    const CZorbExtensionMenuItem* item = file.FindMenuItem(u"I", menubar, parent);
    ASSERT_NE(item, nullptr) << c.name;
    EXPECT_EQ(std::u16string(item->m_dynamic.Get()), c.dynamic) << c.name;
    const std::string saved = SaveText(file);
    EXPECT_NE(saved.find(c.kept), std::string::npos) << c.name << "\n" << saved;
    EXPECT_EQ(RoundTrip(saved), saved) << c.name;
  }
}

TEST_F(MenusFileTest, LinePrePassRepairsWhatExpatWouldRefuse) {
  struct Case {
    std::u16string line;
    std::u16string expected;
  } cases[] = {
      {u"a & b &lt;", u"a &amp; b &amp;lt;"},
      {u"<% x %>", u"&lt;% x %&gt;"},
      {u"a+<b+>c", u"a+&lt;b+&gt;c"},
      {u"<menuitem id=\"x\" />;", u"<menuitem id=\"x\" />"},
      {u"'<!--' and '-->'", u"'&lt;!--' and '--&gt;'"},
      {u"<menuitem dynamic id=\"x\"/>", u"<menuitem dynamic=\"true\" id=\"x\"/>"},
      {u"<menuitem\tdynamic\tid=\"x\"/>", u"<menuitem dynamic=\"true\" id=\"x\"/>"},
      {u"<menuitem\tdynamic id=\"x\"/>", u"<menuitem dynamic=\"true\" id=\"x\"/>"},
      {u"<menuitem dynamic\tid=\"x\"/>", u"<menuitem dynamic=\"true\" id=\"x\"/>"},
      {u"<menuitem command=\"f()\") />", u"<menuitem command=\"f()\" />"},
      {u"<menuitem command=\"f()\")\t/>", u"<menuitem command=\"f()\" />"},
      {u"<menu name=\"_Window\" id=\"LWMenu_MainSite_Window\"/>",
       u"<menu name=\"_Window\" id=\"LWMenu_MainSite_Window\">"},
      {u"file=\"Titles.htm\"  id=\"LWMenu_MainSite_Window\">",
       u"file=\"Titles.htm\"  id=\"LWMenu_MainSite_Window\" />"},
      {u"command=\"lw.getDocumentDOM().editAttribute('ID')\"\" id=\"x\"",
       u"command=\"lw.getDocumentDOM().editAttribute('ID')\" id=\"x\""},
      {u"<menu name=\"Form O_bject\" id=\"LWMenu_Insert_FormObject\" />",
       u"<menu name=\"Form O_bject\" id=\"LWMenu_Insert_FormObject\" >"},
      {u"<menu name=\"Frame_s\" id=\"LWMenu_Insert_Frames\" />",
       u"<menu name=\"Frame_s\" id=\"LWMenu_Insert_Frames\" >"},
      {u"<menu name=\"_Media\" id=\"LWMenu_Insert_Media\" />",
       u"<menu name=\"_Media\" id=\"LWMenu_Insert_Media\" >"},
      {u"<menu name=\"_Head\" id=\"LWMenu_Insert_Head\" />",
       u"<menu name=\"_Head\" id=\"LWMenu_Insert_Head\" >"},
      {u"<menu name=\"_Characters\" id=\"LWMenu_Insert_Characters\" />",
       u"<menu name=\"_Characters\" id=\"LWMenu_Insert_Characters\" >"},
      {u"name=\"\"Enregis_trer la carte du site,,,\"\"",
       u"name=\"Enregis_trer la carte du site,,,\""},
      {u"expression=\"*#\"\t\" strNamedFormat=\"x\"", u"expression=\"*#\"\tstrNamedFormat=\"x\""},
      // Several rows in one line, in the rows' order.
      {u"<a & b\tdynamic x) /> <%y%>", u"<a &amp; b dynamic=\"true\" x /> &lt;%y%&gt;"},
      {u"plain <menuitem name=\"x\" />", u"plain <menuitem name=\"x\" />"},
  };
  CZorbMenusXMLParser parser(nullptr);
  for (const Case& c : cases) {
    CString line(c.line.c_str());
    EXPECT_EQ(parser.OnPreProcessLine(line), 0);
    EXPECT_EQ(std::u16string(line.Get()), c.expected);
  }
}

TEST_F(MenusFileTest, BooleanAttributesAndSeparatorReferences) {
  struct Case {
    const char* value;
    bool expected;
  } cases[] = {{"1", true},  {"Yes", true},    {"y", true},   {"True", true}, {"t", true},
               {"0", false}, {"false", false}, {"no", false}, {"", false},    {" true", false}};
  for (const Case& c : cases) {
    CZorbMenusXmlFile file;
    ASSERT_EQ(
        LoadText(file, std::string("<menubar id=\"M\"><menuitem id=\"I\" domRequired=\"") +
                           c.value +
                           "\" /></menubar>\n<shortcutlist id=\"L\"><shortcut id=\"S\" dynamic=\"" +
                           c.value + "\" /></shortcutlist>\n"),
        0);
    CZorbExtensionMenuBar* menubar = nullptr;
    CZorbExtensionMenu* parent = nullptr;
    CZorbExtensionShortcutList* list = nullptr;
    EXPECT_EQ(file.FindMenuItem(u"I", menubar, parent)->m_domRequired, c.expected) << c.value;
    EXPECT_EQ(file.FindShortcut(u"S", list)->m_dynamic, c.expected) << c.value;
  }

  CZorbMenusXmlFile file;
  ASSERT_EQ(LoadText(file,
                     "<menubar id=\"M\"><menu id=\"m\"><menuitem id=\"a\"/>"
                     "<separator references=\"extA,,extB\" platform=\"mac\"/>"
                     "<separator references=\"extC,\"/><separator references=\"\"/>"
                     "<menuitem id=\"b\"/></menu></menubar>\n"),
            0);
  CZorbExtensionMenuBar* menubar = nullptr;
  CZorbExtensionMenu* parent = nullptr;
  CZorbExtensionMenuSeparator* separator = file.FindSeparator(u"extB", menubar, parent);
  ASSERT_NE(separator, nullptr);
  EXPECT_EQ(separator->m_references, (CZorbTypedList<CString>{u"extA", u"", u"extB"}));
  EXPECT_EQ(separator->m_platform, u"mac");
  EXPECT_EQ(file.FindSeparator(u"extC", menubar, parent)->m_references,
            (CZorbTypedList<CString>{u"extC"}));
}

TEST_F(MenusFileTest, MisplacedElementsAreDropped) {
  CZorbMenusXmlFile file;
  ASSERT_EQ(LoadText(file,
                     "<menuitem id=\"Loose\"/><separator/><format id=\"F\"/>\n"
                     "<menubar id=\"M\"><shortcut id=\"S\"/><activate id=\"A\"/><unknown><menu "
                     "id=\"Inner\"/></unknown></menubar>\n"),
            0);
  ASSERT_EQ(file.m_children.size(), 1u);
  auto* menubar = dynamic_cast<CZorbExtensionMenuBar*>(file.m_children.front());
  ASSERT_NE(menubar, nullptr);
  ASSERT_EQ(menubar->m_children.size(), 1u)
      << "an unknown element's children go to the open container";
  EXPECT_NE(dynamic_cast<CZorbExtensionMenu*>(menubar->m_children.front()), nullptr);
}

TEST_F(MenusFileTest, AFileThatDoesNotParseIsNotLoadedAndNeverSaved) {
  const std::string broken = Canonical(Fixture("Menus.xml")).replace(200, 0, "<menu id=\"open\">");
  TempDir::write(dir / "Menus.xml", broken);
  CZorbMenusXmlFile file;
  EXPECT_NE(file.Load(Colon(dir / "Menus.xml").c_str(), nullptr), 0);
  EXPECT_TRUE(file.m_children.empty()) << "no tree cut short";
  EXPECT_EQ(file.m_xmlDecl.GetLength(), 0);
  EXPECT_EQ(file.m_namespace.GetLength(), 0);
  EXPECT_EQ(file.Save(Colon(dir / "Menus.xml").c_str()), -1);
  EXPECT_EQ(TempDir::read(dir / "Menus.xml"), broken);

  EXPECT_EQ(file.Load(Colon(dir / "missing.xml").c_str(), nullptr), -1);
  // A later good load makes it usable again.
  ASSERT_EQ(LoadText(file, Canonical(Fixture("Menus.xml")), "good.xml"), 0);
  EXPECT_EQ(SaveText(file), Canonical(Fixture("Menus.xml")));
}

TEST_F(MenusFileTest, SaveFailureIsReportedAndLeavesTheFileAsItWas) {
  const std::string canonical = Canonical(Fixture("Menus.xml"));
  CZorbMenusXmlFile file;
  ASSERT_EQ(LoadText(file, canonical), 0);
  delete file.m_children.front();  // an edit that must not half-reach the disk
  file.m_children.pop_front();
  platform::FaultInjectingFileSystem fs;
  platform::FileSystemOverride use(fs);
  fs.failPath("Menus", ENOSPC, platform::kFsWrite);
  EXPECT_EQ(file.Save(Colon(dir / "Menus.xml").c_str()), -1);
  EXPECT_EQ(TempDir::read(dir / "Menus.xml"), canonical);
  EXPECT_EQ(file.Save(Colon(dir / "no-such-folder/Menus.xml").c_str()), -1);
}

TEST_F(MenusFileTest, CloneCopiesTheWholeTree) {
  CZorbMenusXmlFile file;
  ASSERT_EQ(LoadText(file, Canonical(Fixture("Menus.xml"))), 0);
  std::unique_ptr<CZorbXmlObject> clone(file.Clone());
  auto* copy = dynamic_cast<CZorbMenusXmlFile*>(clone.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->m_namespace, file.m_namespace);
  CZorbTypedList<CZorbXmlObject*> taken;  // the copy owns nodes of its own
  taken.swap(file.m_children);
  for (CZorbXmlObject* child : taken) delete child;
  EXPECT_EQ(SaveText(*copy), Canonical(Fixture("Menus.xml")));
}
