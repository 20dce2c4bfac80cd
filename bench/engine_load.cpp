// Loading the installed extensions (CZorbPlexar::Load) of a host with
// 1,000 extensions in its store, in the fake machine, beside raw expat with
// empty handlers reading and parsing the same description files. The goal:
// Load within 3x of raw expat.
#ifndef XML_UNICODE
#define XML_UNICODE
#endif
#include <benchmark/benchmark.h>
#include <expat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/CZorbPlexar.h"
#include "foundation/AppGlobals.h"
#include "foundation/CZorbGetXMLProxy.h"
#include "foundation/CZorbXmlPairs.h"
#include "products/CZorbCommonProduct.h"
#include "testsupport/FakeMachine.h"

namespace {

constexpr int kExtensions = 1000;

// A description as extensions ship them: products, texts, several files
// and a menu change.
std::string Description(int i) {
  const std::string n = std::to_string(i);
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<quillory-extension name=\"Tool " + n + "\" version=\"1.0." + n +
         "\" id=\"com.example.tool" + n + "\" type=\"command\" requires-restart=\"true\">\n";
  out += "\t<author name=\"Ann O'Neil\" />\n";
  out += "\t<products>\n\t\t<product name=\"Tessel\" version=\"3\" primary=\"true\" />\n";
  out += "\t\t<product name=\"Lumen\" version=\"10\" maxversion=\"11\" />\n\t</products>\n";
  out += "\t<description><![CDATA[Tool " + n +
         " builds tables & lists.\nA second line with <b>markup</b> and \"quotes\".]]>"
         "</description>\n";
  out += "\t<ui-access><![CDATA[Commands > Tool " + n + "]]></ui-access>\n";
  out += "\t<license-agreement>Use it as you like.</license-agreement>\n";
  out += "\t<files>\n";
  for (int f = 0; f < 6; ++f)
    out += "\t\t<file source=\"tool" + n + "/file" + std::to_string(f) +
           ".htm\" destination=\"$installfolder/Commands/Tool " + n + "\" />\n";
  out += "\t</files>\n";
  out += "\t<configuration-changes>\n\t\t<menu-insert insertAfterMenuId=\"LWMenu_Commands\">\n";
  out += "\t\t\t<menuitem name=\"Tool " + n + "\" id=\"Tool_" + n +
         "\" file=\"Commands:Tool.htm\" />\n";
  out += "\t\t</menu-insert>\n\t</configuration-changes>\n";
  out += "</quillory-extension>\n";
  return out;
}

struct Fixture {
  Fixture() {
    CZorbGetXMLProxy::SetInstance(&proxy);
    CZorbProduct::SetPinger(&testsupport::FakeMachine::pingCurrent);
    g_isInSuppressMode = true;
    testsupport::FakeHost host;
    host.name = "Tessel Studio";
    host.folder = "Applications/Tessel Studio 3";
    host.signature = "TsSt";
    host.version = "3.0.2";
    host.specifier = "tessel-3.0";
    host.config = testsupport::FakeMachine::commonHostConfig("Tessel", "Tessel Studio 3", "3.0.2");
    machine.addHost(host);
    product = std::make_unique<CZorbCommonProduct>(u"tessel-3.0", u"");
    product->Initialize();
    machine.makeFolder("Store");
    product->m_pxStorePath = CString(machine.colon("Store").c_str()) + u":";
    for (int i = 0; i < kExtensions; ++i) {
      const std::string name = "Store/Tool" + std::to_string(i) + ".kxi";
      machine.writeFile(name, Description(i));
      files.push_back(machine.posix(name));
    }
    engine.m_products.push_back(product.get());
  }
  ~Fixture() {
    engine.m_products.clear();
    g_isInSuppressMode = false;
    CZorbProduct::SetPinger(nullptr);
    CZorbGetXMLProxy::SetInstance(nullptr);
  }

  testsupport::FakeMachine machine;
  CZorbXmlPairsProxy proxy;
  std::unique_ptr<CZorbCommonProduct> product;
  CZorbPlexar engine{nullptr};
  std::vector<std::string> files;
};

Fixture& TheFixture() {
  static Fixture fixture;
  return fixture;
}

void BM_Load(benchmark::State& state) {
  Fixture& f = TheFixture();
  size_t loaded = 0;
  for (auto _ : state) {
    f.engine.Load();
    auto it = f.engine.m_extensionLists.find(nullptr);
    loaded = it == f.engine.m_extensionLists.end() ? 0 : it->second->size();
  }
  if (loaded != kExtensions) state.SkipWithError("not every extension was loaded");
  state.counters["extensions"] = static_cast<double>(loaded);
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

void BM_RawExpat(benchmark::State& state) {
  Fixture& f = TheFixture();
  for (auto _ : state) {
    for (const std::string& path : f.files) {
      std::ifstream in(path, std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
      XML_Parser parser = XML_ParserCreate(nullptr);
      const XML_Status status =
          XML_Parse(parser, bytes.data(), static_cast<int>(bytes.size()), XML_TRUE);
      benchmark::DoNotOptimize(status);
      XML_ParserFree(parser);
    }
  }
}
BENCHMARK(BM_RawExpat)->Unit(benchmark::kMillisecond);

}  // namespace
