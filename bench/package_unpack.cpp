// Unpacking packages: a KXP package of one 20 MB file beside a single zlib
// stream of the same 20 MB inflated in memory (goal: within 3 times), and a
// YXP package of the same file beside the unzip program alone (goal: within
// 1.3 times).
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/CZorbTypedVector.h"
#include "package/CZorbKxpPackage.h"
#include "package/CZorbYxpPackage.h"
#include "platform/os/PlatformConfig.h"
#include "platform/os/Process.h"

#include "foundation/AppGlobals.h"

namespace {

constexpr size_t kSize = 20u << 20;

// Text-like bytes: words of a small vocabulary, compressing about as
// source files and markup do.
std::string MakeData() {
  static const char* const words[] = {"extension ", "menu ", "<item id=\"", "\" name=\"",
                                      "toolbar ",   "\n",    "function(",   ") { return ",
                                      "}\n",        "0123 ", "Loomwright ", "insertbar "};
  std::string data;
  data.reserve(kSize);
  uint32_t seed = 12345;
  while (data.size() < kSize) {
    seed = seed * 1664525u + 1013904223u;
    data += words[(seed >> 16) % (sizeof words / sizeof *words)];
    if ((seed & 0xFF) < 8) data += std::to_string(seed);
  }
  data.resize(kSize);
  return data;
}

// A folder reachable as the volume "Bench", holding the data, a KXP and a
// YXP package of it, and the same data as one zlib stream.
struct Sandbox {
  Sandbox() {
    std::string pattern = (std::filesystem::temp_directory_path() / "plexar-bench-XXXXXX").string();
    root = ::mkdtemp(pattern.data());
    for (const char* folder : {"/src", "/out", "/tmp"})
      std::filesystem::create_directory(root + folder);
    data = MakeData();
    std::ofstream(root + "/src/data.txt", std::ios::binary) << data;
    config.volumes = {platform::Volume{"Bench", root}};
    config.tempRoot = root + "/tmp";
    gAppPath = std::string(PLEXAR_BINARY_DIR) + "/Plexar.app/Contents/Resources";
    platform::PlatformConfig::Override use(config);

    CZorbKxpPackage kxp;
    kxp.Create(u"Bench:pkg.kxp", 3);
    kxp.PackFile(u"data.txt", u"Bench:src:data.txt", true, false);

    CZorbYxpPackage yxp;
    yxp.Create(u"Bench:pkg.yxp", 3);
    yxp.PackFile(u"data.txt", u"Bench:src:data.txt", true, false);
    yxp.PackComplete();

    uLongf length = compressBound(kSize);
    stream.resize(length);
    compress(stream.data(), &length, reinterpret_cast<const Bytef*>(data.data()), kSize);
    stream.resize(length);
  }
  ~Sandbox() { std::filesystem::remove_all(root); }

  // An empty output folder.
  void ResetOutput() {
    std::filesystem::remove_all(root + "/out");
    std::filesystem::create_directory(root + "/out");
  }

  std::string root;
  std::string data;
  std::vector<Bytef> stream;
  platform::PlatformConfig config;
};

Sandbox& sandbox() {
  static Sandbox instance;
  return instance;
}

void KxpUnpack(benchmark::State& state) {
  platform::PlatformConfig::Override use(sandbox().config);
  for (auto _ : state) {
    state.PauseTiming();
    sandbox().ResetOutput();
    state.ResumeTiming();
    CZorbKxpPackage package(u"Bench:pkg.kxp");
    if (package.UnPackTo(u"Bench:out:") != 0) state.SkipWithError("unpack failed");
  }
  state.SetBytesProcessed(state.iterations() * int64_t(kSize));
}
BENCHMARK(KxpUnpack)->Unit(benchmark::kMillisecond);

void ZlibInflateOneStream(benchmark::State& state) {
  std::vector<Bytef> out(kSize);
  for (auto _ : state) {
    uLongf length = kSize;
    if (uncompress(out.data(), &length, sandbox().stream.data(), sandbox().stream.size()) != Z_OK)
      state.SkipWithError("inflate failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(kSize));
}
BENCHMARK(ZlibInflateOneStream)->Unit(benchmark::kMillisecond);

void YxpUnpack(benchmark::State& state) {
  platform::PlatformConfig::Override use(sandbox().config);
  for (auto _ : state) {
    state.PauseTiming();
    sandbox().ResetOutput();
    state.ResumeTiming();
    CZorbYxpPackage package(u"Bench:pkg.yxp");
    CZorbTypedVector<CString> names;
    if (package.UnPackFileNames(names) != 0 || package.UnPackTo(u"Bench:out:") != 0)
      state.SkipWithError("unpack failed");
  }
  state.SetBytesProcessed(state.iterations() * int64_t(kSize));
}
BENCHMARK(YxpUnpack)->Unit(benchmark::kMillisecond);

void UnzipAlone(benchmark::State& state) {
  platform::SpawnOptions options;
  options.arguments = {"unzip", "-q", sandbox().root + "/pkg.yxp", "-d", sandbox().root + "/out"};
  for (auto _ : state) {
    state.PauseTiming();
    sandbox().ResetOutput();
    state.ResumeTiming();
    if (!platform::runProcess(options).succeeded()) state.SkipWithError("unzip failed");
  }
  state.SetBytesProcessed(state.iterations() * int64_t(kSize));
}
BENCHMARK(UnzipAlone)->Unit(benchmark::kMillisecond);

}  // namespace
