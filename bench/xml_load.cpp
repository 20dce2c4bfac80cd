// Loading host configuration files beside raw expat with empty handlers on
// the same bytes. A realistic host menus file (about 3 MB: menu bars, menus
// and items with commands, shortcut lists, tools, comments, the escapes and
// bare words real host files hold) through the host model, CZorbMenusXmlFile
// (goal: within 3 times raw expat); and the 1 MB test file through the test
// model and the parser alone, as before.
#ifndef XML_UNICODE
#define XML_UNICODE
#endif
#include <benchmark/benchmark.h>
#include <expat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "config/CZorbMenusXmlFile.h"
#include "foundation/CZorbXMLParser.h"
#include "platform/os/ColonPath.h"
#include "testsupport/TreeFile.h"

namespace {

// About 1 MB in the layout of a host's menus file, CR line ends.
std::string HostFile() {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r<menubar name=\"Main\" id=\"QQMain\">\r";
  for (int i = 0; out.size() < 1000000; ++i) {
    const std::string n = std::to_string(i);
    out += "\t<!-- section " + n + " -->\r";
    out += "\t<menu name=\"_Menu " + n + "\" id=\"QQMenu_" + n + "\" platform=\"mac\">\r";
    for (int j = 0; j < 8; ++j) {
      const std::string m = std::to_string(j);
      out += "\t\t<menuitem name=\"Item &amp; " + m + "\" key=\"Cmd+" + m +
             "\" file=\"Menus/MM/Item_" + n + "_" + m + ".htm\" id=\"QQMenu_" + n + "_Item_" + m +
             "\" enabled=\"true\" />\r";
    }
    out += "\t\t<separator />\r";
    out += "\t\t<shortcut key=\"Cmd+Shift+" + std::to_string(i % 10) + "\" command=\"doIt(" + n +
           ")\" id=\"QQSc_" + n + "\"><![CDATA[if (a < b && c > d) { run(" + n +
           "); }]]></shortcut>\r";
    out += "\t\t<description>Some text for menu " + n + ", with plain words.</description>\r";
    out += "\t</menu>\r";
  }
  out += "</menubar>\r";
  return out;
}

// About 3 MB in the layout of a host's menus file: LF line ends, four
// spaces a level, escaped ampersands and "<" in commands, comments, a stray
// ";" between items. The bytes are well-formed, so that raw expat reads all
// of them.
std::string HostMenusFile() {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      "<menus xmlns:QQString=\"http://ns.quillory.example/qqstring/\">\n"
      "<!-- Loomwright menus: File &amp; Edit first -->\n";
  for (int bar = 0; out.size() < 3000000; ++bar) {
    const std::string b = std::to_string(bar);
    out += "<menubar name=\"Main Window " + b + "\" id=\"LWMainMenu" + b + "\">\n";
    for (int m = 0; m < 12; ++m) {
      const std::string id = "LWMenu_" + b + "_" + std::to_string(m);
      out += "    <menu name=\"_Menu " + std::to_string(m) + "\" id=\"" + id + "\">\n";
      for (int i = 0; i < 14; ++i) {
        const std::string n = std::to_string(i);
        switch (i % 7) {
          case 0:
            out += "        <menuitem name=\"_New " + n + "...\" key=\"Cmd+" + n +
                   "\" command=\"lw.createDocument(" + n + ")\" id=\"" + id + "_New" + n +
                   "\" />\n";
            break;
          case 1:
            out +=
                "        <menuitem name=\"Recent "
                "Files\"\tdynamic=\"true\"\tfile=\"Menus/MM/File_Recent" +
                n + ".htm\" id=\"" + id + "_Recent" + n + "\" />\n";
            break;
          case 2:
            out += "        <separator />\n";
            break;
          case 3:
            out += "        <menuitem name=\"_Find &amp; Replace " + n +
                   "\" enabled=\"lw.getDocumentDOM() != null &amp;&amp; lw.canFind()\" "
                   "command=\"lw.showFindDialog()\" id=\"" +
                   id + "_Find" + n + "\" />\n";
            break;
          case 4:
            out +=
                "        <menuitem name=\"Server _Script\" command=\"lw.insertText('&lt;%= value " +
                n + " %&gt;')\" id=\"" + id + "_Script" + n + "\" />\n";
            break;
          case 5:
            out +=
                "        <menuitem name=\"_Save\" key=\"Cmd+S\" enabled=\"lw.canSave()\" "
                "command=\"lw.save()\" domRequired=\"false\" id=\"" +
                id + "_Save" + n + "\" />;\n";
            break;
          default:
            out += "        <!-- " + n + ": items below come from extensions -->\n";
            out +=
                "        <menuitem name=\"Preview in Browser\" key=\"F12\" "
                "checked=\"lw.isDesignOnTop()\" "
                "command=\"lw.preview('http://www.example.com/?a=1&amp;b=" +
                n + "')\" id=\"" + id + "_Preview" + n + "\" />\n";
        }
      }
      out += "    </menu>\n";
    }
    out += "</menubar>\n";
    out += "<shortcutlist id=\"LWShortcuts_" + b + "\" platform=\"mac\">\n";
    for (int k = 0; k < 20; ++k) {
      const std::string n = std::to_string(k);
      out += "    <shortcut key=\"Cmd+Shift+" + n + "\" command=\"if (lw.codeView()) { lw.indent(" +
             n + "); }\" id=\"LWShortcut_" + b + "_" + n + "\" />\n";
    }
    out += "</shortcutlist>\n";
    out += "<tool name=\"Hand " + b + "\" id=\"LWTool_Hand" + b +
           "\">\n"
           "    <activate key=\"H\" id=\"LWTool_Hand_Activate" +
           b +
           "\" />\n"
           "    <override key=\"Space\" id=\"LWTool_Hand_Override" +
           b +
           "\" />\n"
           "</tool>\n";
  }
  out += "</menus>\n";
  return out;
}

struct Fixture {
  explicit Fixture(std::string text) : bytes(std::move(text)) {
    path = (std::filesystem::temp_directory_path() /
            ("plexar-xml-bench-" + std::to_string(::getpid()) + "-" + std::to_string(bytes.size()) +
             ".xml"))
               .string();
    std::ofstream(path, std::ios::binary) << bytes;
    colon = platform::posixToColon(path).value();
  }
  ~Fixture() { std::filesystem::remove(path); }

  std::string bytes;
  std::string path;
  std::u16string colon;
};

Fixture& Data() {
  static Fixture fixture(HostFile());
  return fixture;
}

Fixture& HostMenus() {
  static Fixture fixture(HostMenusFile());
  return fixture;
}

void NoStart(void*, const XML_Char*, const XML_Char**) {}
void NoEnd(void*, const XML_Char*) {}
void NoText(void*, const XML_Char*, int) {}

void RawExpat(benchmark::State& state, const std::string& bytes) {
  for (auto _ : state) {
    XML_Parser p = XML_ParserCreate(nullptr);
    XML_SetElementHandler(p, NoStart, NoEnd);
    XML_SetCharacterDataHandler(p, NoText);
    if (XML_Parse(p, bytes.data(), static_cast<int>(bytes.size()), XML_TRUE) != XML_STATUS_OK)
      state.SkipWithError("expat refused the file");
    XML_ParserFree(p);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

void RawExpatTestFile(benchmark::State& state) {
  RawExpat(state, Data().bytes);
}
BENCHMARK(RawExpatTestFile)->Unit(benchmark::kMillisecond);

void RawExpatHostMenus(benchmark::State& state) {
  RawExpat(state, HostMenus().bytes);
}
BENCHMARK(RawExpatHostMenus)->Unit(benchmark::kMillisecond);

// The host model: the menus file becomes the tree of menu bars, menus,
// items, shortcut lists and tools. Freeing it is left out of the time.
void HostMenusLoad(benchmark::State& state) {
  const Fixture& data = HostMenus();
  for (auto _ : state) {
    auto* file = new CZorbMenusXmlFile;
    if (file->Load(data.colon.c_str(), nullptr) != 0) state.SkipWithError("Load failed");
    benchmark::DoNotOptimize(file);
    state.PauseTiming();
    delete file;
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(data.bytes.size()));
}
BENCHMARK(HostMenusLoad)->Unit(benchmark::kMillisecond);

// The parser alone: reading, decoding, line pre-processing and the events.
class Quiet : public CZorbXMLParser {
 public:
  void OnElementStart(const char16_t*, const char16_t**) override {}
};

void ParseFile(benchmark::State& state) {
  const Fixture& data = Data();
  for (auto _ : state) {
    Quiet parser;
    if (parser.ParseFile(data.colon.c_str(), false) != 0) state.SkipWithError("ParseFile failed");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(data.bytes.size()));
}
BENCHMARK(ParseFile)->Unit(benchmark::kMillisecond);

// The whole load: the file becomes a tree of nodes. Freeing the tree is not
// part of the load and is left out of the time.
void XmlFileLoad(benchmark::State& state) {
  const Fixture& data = Data();
  for (auto _ : state) {
    auto* file = new TreeFile;
    if (file->Load(data.colon.c_str(), nullptr) != 0) state.SkipWithError("Load failed");
    benchmark::DoNotOptimize(file->m_children.size());
    state.PauseTiming();
    delete file;
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(data.bytes.size()));
}
BENCHMARK(XmlFileLoad)->Unit(benchmark::kMillisecond);

}  // namespace
