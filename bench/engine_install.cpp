// Installing a YXP package of 1,000 files (about 50 MB, text and already
// compressed data mixed, 25 files a folder) into a host of the fake
// machine, beside the floor measured in the same run: the unzip program
// unpacking the same package into a folder, then a copy of that tree into
// the host's folders. The goal: the install within 2x the floor.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/support/BenchData.h"
#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionProduct.h"
#include "foundation/AppGlobals.h"
#include "foundation/CZorbOS.h"
#include "testsupport/FakeMachine.h"
#include "testsupport/TestProduct.h"
#include "transaction/CZorbPlexarUI.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 1000;
constexpr int kPerFolder = 25;

// Answers as a person who accepts everything.
class AcceptingUI : public CZorbPlexarUI {
 public:
  int MessageBox(const char16_t*, unsigned int, bool) const override { return kAnswerYes; }
  bool ConfirmInstall(const char16_t*, const char16_t*) const override { return true; }
  bool PromptForFolder(CString, CString, bool, CString&) const override { return false; }
  bool PromptForLocale(CString, CString, CZorbTypedVector<CString>, CString&) const override {
    return false;
  }
  void ShowWaitCursor() override {}
  void HideWaitCursor() override {}
  bool CreateKXIFromStandaloneWBXS(CString, CString, CString) const override { return false; }
  void ShowProgress(const char16_t*, const char16_t*, bool) override {}
  void SetProgressCount(int) override {}
  int getTotalProgressCount() override { return 0; }
  void UpdateProgress(int) override {}
  void HideProgress() override {}
  bool GetInstallType(AdminInstallType&) override { return false; }
  bool Supports(CString product, CString kxiProduct, CString, CString, bool, bool, int) override {
    return product == kxiProduct;
  }
  bool validation(CZorbTypedVector<CString>, CZorbTypedVector<CString>& output) const override {
    output.clear();
    for (const char16_t* text : {u"Tool", u"1", u"Vesko", u"trusted"})
      output.push_back(CString(text));
    return true;
  }
  void ShowRequiredProducts(CZorbTypedVector<CString>) override {}
};

struct Fixture {
  Fixture() {
    gAppPath = std::string(PLEXAR_BINARY_DIR) + "/Plexar.app/Contents/Resources";
    const std::string src = machine.posix("src");
    std::mt19937 rng(42);
    std::string files;
    for (int i = 0; i < kFiles; ++i) {
      const std::string folder = "folder" + std::to_string(i / kPerFolder);
      const bool noise = rng() % 3 == 0;
      size_t size = 1000 + rng() % 80000;
      if (rng() % 50 == 0) size = 150000 + rng() % 250000;
      const std::string name = folder + "/file" + std::to_string(i) + (noise ? ".png" : ".js");
      fs::create_directories(src + "/" + folder);
      std::ofstream(src + "/" + name, std::ios::binary)
          << (noise ? benchdata::Noise(rng, size) : benchdata::Text(rng, size));
      bytes += static_cast<int64_t>(size);
      files += "\t\t<file source=\"" + name + "\" destination=\"$hostfolder/Content/" + folder +
               "\" />\n";
    }
    std::ofstream(src + "/Tool.kxi")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<quillory-extension name=\"Tool\" version=\"1.0\" type=\"command\">\n"
           "\t<author name=\"Vesko\" />\n"
           "\t<products>\n\t\t<product name=\"Lumen 11\" version=\"11\" primary=\"true\" />\n"
           "\t</products>\n\t<files>\n"
        << files << "\t</files>\n</quillory-extension>\n";
    if (benchdata::Run({"zip", "-q", "-r", "-y", machine.posix("Tool.yxp"), "."}, src) != 0)
      std::abort();

    host.m_installFolder = machine.colon("Host") + u":";
    host.m_extensionsFolder = machine.colon("Host/Extensions");
    host.m_pxStorePath = CString(machine.colon("Store").c_str());
    engine.m_systemTokens.SetAt(u"hostfolder", CString(machine.colon("Host").c_str()) + u":");
    engine.m_products.push_back(&host);
  }
  ~Fixture() {
    engine.ClearLists();
    engine.m_products.clear();
  }

  // The host as before any install.
  void Reset() {
    engine.ClearLists();
    for (const char* folder : {"Host", "Store", "floor"}) fs::remove_all(machine.posix(folder));
    for (const char* folder : {"Host/Extensions", "Store", "floor"})
      fs::create_directories(machine.posix(folder));
  }

  testsupport::FakeMachine machine;
  testsupport::TestProduct host{u"Lumen 11"};
  AcceptingUI ui;
  CZorbPlexar engine{&ui};
  int64_t bytes = 0;
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

void Install(benchmark::State& state) {
  Fixture& f = Shared();
  const CString package(f.machine.colon("Tool.yxp").c_str());
  for (auto _ : state) {
    state.PauseTiming();
    f.Reset();
    state.ResumeTiming();
    CZorbProduct* slot = &f.host;
    CZorbExtension* replaced = nullptr;
    CZorbExtension* clone = nullptr;
    CZorbExtensionProduct chosen;
    bool licence = true, accepted = true, retry = true;
    int restart = 0;
    CString chosenName, primaryName;
    const bool fresh = true;
    if (!f.engine.InstallExtension(&slot, package, &replaced, false, fresh, true, restart, false,
                                   false, true, licence, 30, nullptr, &clone, nullptr, &chosen,
                                   &accepted, &chosenName, &primaryName, &retry))
      state.SkipWithError("install failed");
    delete clone;
  }
  state.SetBytesProcessed(state.iterations() * f.bytes);
}
BENCHMARK(Install)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: unzip into a folder, then copy that tree into the host.
void UnzipAndCopy(benchmark::State& state) {
  Fixture& f = Shared();
  for (auto _ : state) {
    state.PauseTiming();
    f.Reset();
    state.ResumeTiming();
    if (benchdata::Run(
            {"unzip", "-q", f.machine.posix("Tool.yxp"), "-d", f.machine.posix("floor")}) != 0)
      state.SkipWithError("unzip failed");
    std::error_code ec;
    fs::copy(f.machine.posix("floor"), f.machine.posix("Host/Content"), fs::copy_options::recursive,
             ec);
    if (ec) state.SkipWithError("copy failed");
  }
  state.SetBytesProcessed(state.iterations() * f.bytes);
}
BENCHMARK(UnzipAndCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
