// Loading a 1 MB host configuration file (menus with attributes, comments,
// CDATA and entity references) through CZorbXmlFile, beside raw expat with
// empty handlers on the same bytes. The goal: the load within 3x of raw expat.
#ifndef XML_UNICODE
#define XML_UNICODE
#endif
#include <benchmark/benchmark.h>
#include <expat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

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

struct Fixture {
  Fixture() : bytes(HostFile()) {
    path = (std::filesystem::temp_directory_path() /
            ("plexar-xml-bench-" + std::to_string(::getpid()) + ".xml"))
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
  static Fixture fixture;
  return fixture;
}

void NoStart(void*, const XML_Char*, const XML_Char**) {}
void NoEnd(void*, const XML_Char*) {}
void NoText(void*, const XML_Char*, int) {}

void RawExpat(benchmark::State& state) {
  const std::string& bytes = Data().bytes;
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
BENCHMARK(RawExpat)->Unit(benchmark::kMillisecond);

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
