// Costs of the file layer: reading through the three streams, moving inside
// the buffered window, resolving paths with and without the cache, and
// copying a file with its forks.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/CFile.h"
#include "foundation/FSRefCache.h"
#include "foundation/FSRefCopyFile.h"
#include "platform/os/Catalog.h"
#include "platform/os/FileRef.h"
#include "platform/os/PlatformConfig.h"

namespace {

// A folder with one 4 MiB file, reachable as the volume "Bench".
struct Sandbox {
  Sandbox() {
    std::string pattern = (std::filesystem::temp_directory_path() / "plexar-bench-XXXXXX").string();
    root = ::mkdtemp(pattern.data());
    std::ofstream(root + "/big", std::ios::binary) << std::string(4 << 20, 'x');
    std::filesystem::create_directories(root + "/a/b/c/d");
    std::ofstream(root + "/a/b/c/d/leaf") << "leaf";
    std::filesystem::create_directory(root + "/copies");
    config.volumes = {platform::Volume{"Bench", root}};
  }
  ~Sandbox() { std::filesystem::remove_all(root); }
  std::string root;
  platform::PlatformConfig config;
};

Sandbox& sandbox() {
  static Sandbox instance;
  return instance;
}

void ReadWholeFile(benchmark::State& state, bool raw, unsigned int flags) {
  platform::PlatformConfig::Override use(sandbox().config);
  const unsigned int chunk = static_cast<unsigned int>(state.range(0));
  std::string buffer(chunk, '\0');
  for (auto _ : state) {
    CFile file;
    if (!file.Open(u"Bench:big", flags, raw)) state.SkipWithError("open failed");
    while (file.Read(buffer.data(), chunk) == chunk) benchmark::DoNotOptimize(buffer.data());
    file.Close();
  }
  state.SetBytesProcessed(state.iterations() * (int64_t(4) << 20));
}

void ReadMapped(benchmark::State& state) {
  ReadWholeFile(state, false, 0);
}
void ReadRaw(benchmark::State& state) {
  ReadWholeFile(state, true, 0);
}
void ReadBuffered(benchmark::State& state) {
  ReadWholeFile(state, false, 1);
}
BENCHMARK(ReadMapped)->Arg(512)->Arg(65536);
BENCHMARK(ReadRaw)->Arg(512)->Arg(65536);
BENCHMARK(ReadBuffered)->Arg(512)->Arg(65536);

// Small reads at scattered positions inside one 128 KiB window.
void SeekInsideWindow(benchmark::State& state) {
  platform::PlatformConfig::Override use(sandbox().config);
  CFile file;
  if (!file.Open(u"Bench:big", 1)) {
    state.SkipWithError("open failed");
    return;
  }
  char byte;
  int64_t pos = 0;
  for (auto _ : state) {
    pos = (pos + 7919) % 131000;
    file.Seek(pos, CFile::kFromStart);
    benchmark::DoNotOptimize(file.Read(&byte, 1));
  }
  file.Close();
}
BENCHMARK(SeekInsideWindow);

void ResolveUncached(benchmark::State& state) {
  platform::FSRef ref;
  const std::string path = sandbox().root + "/a/b/c/d/leaf";
  for (auto _ : state) benchmark::DoNotOptimize(platform::resolvePath(path, ref));
}
BENCHMARK(ResolveUncached);

void ResolveCached(benchmark::State& state) {
  platform::PlatformConfig::Override use(sandbox().config);
  platform::FSRef ref;
  const CString path(u"Bench:a:b:c:d:leaf");
  for (auto _ : state) benchmark::DoNotOptimize(GetFSRefCached(path, ref));
}
BENCHMARK(ResolveCached);

void CopyWithForks(benchmark::State& state) {
  platform::FSRef source, folder, copy;
  platform::HFSUniStr255 name;
  if (platform::resolvePath(sandbox().root + "/big", source) != 0 ||
      platform::resolvePath(sandbox().root + "/copies", folder) != 0 ||
      !platform::posixNameToHfs("copy", name)) {
    state.SkipWithError("the sandbox is incomplete");
    return;
  }
  for (auto _ : state) {
    if (FSRefCopyFile(source, folder, name) != 0) {
      state.SkipWithError("copy failed");
      break;
    }
    state.PauseTiming();
    // A copy left over would make the next one fail.
    if (platform::resolvePath(sandbox().root + "/copies/copy", copy) != 0 ||
        platform::deleteObject(copy) != 0) {
      state.SkipWithError("the copy cannot be removed");
      break;
    }
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * (int64_t(4) << 20));
}
BENCHMARK(CopyWithForks);

}  // namespace
