// Unpacking realistic packages. The tree: 2,000 files, about 50 MB, about
// 25 files a folder, text and already-compressed data mixed; and 32,000
// small files in one folder. Each is unpacked as a YXP package beside the
// unzip program run directly (goals: within 1.3 and 2 times), and as a KXP
// package beside the floor of inflating the same chunks and writing the same
// files with plain writes (goal: within 1.5 times; the floor is measured
// with and without making the files durable, as the unpack does).
//
// The inputs are made at start in a temporary folder ($TMPDIR): run once
// with TMPDIR on a memory-backed file system and once on a disk.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "foundation/CZorbTypedVector.h"
#include "package/CZorbKxpPackage.h"
#include "package/CZorbYxpPackage.h"
#include "platform/os/ColonPath.h"
#include "platform/os/PlatformConfig.h"

#include "bench/support/BenchData.h"
#include "foundation/AppGlobals.h"

namespace {

namespace fs = std::filesystem;

// The chunks of one KXP file, as the floor inflates them.
struct KxpFile {
  std::string name;                                 // relative, "/"-separated
  std::vector<std::pair<size_t, uint32_t>> chunks;  // offset of the compressed bytes, raw length
  std::vector<uint32_t> compressed;                 // compressed lengths
};

// One tree as YXP and KXP packages, in a folder reachable as a volume.
struct Case {
  Case(const std::string& label, bool flat) {
    // With PLEXAR_BENCH_KEEP set, the inputs stay for the next run (for
    // profiling the unpack alone).
    keep = std::getenv("PLEXAR_BENCH_KEEP") != nullptr;
    if (keep) {
      root = (fs::temp_directory_path() / ("plexar-bench-" + label)).string();
    } else {
      std::string pattern =
          (fs::temp_directory_path() / ("plexar-bench-" + label + "-XXXXXX")).string();
      root = ::mkdtemp(pattern.data());
    }
    // A volume of its own: the program caches references by colon path.
    volume = flat ? u"Flat" : u"Tree";
    config.volumes = {platform::Volume{flat ? "Flat" : "Tree", root}};
    config.tempRoot = root + "/tmp";
    gAppPath = std::string(PLEXAR_BINARY_DIR) + "/Plexar.app/Contents/Resources";
    if (keep && fs::exists(root + "/made")) {
      for (const auto& item : fs::recursive_directory_iterator(root + "/src"))
        if (item.is_regular_file()) {
          names.push_back(fs::relative(item.path(), root + "/src").string());
          bytes += static_cast<int64_t>(item.file_size());
        }
      ReadKxpLayout();
      return;
    }
    fs::remove_all(root);
    fs::create_directories(root);
    for (const char* folder : {"/src", "/out", "/tmp"}) fs::create_directory(root + folder);
    std::mt19937 rng(flat ? 7 : 42);
    const int files = flat ? 32000 : 2000;
    for (int i = 0; i < files; ++i) {
      std::string name = flat ? "file" + std::to_string(i)
                              : "folder" + std::to_string(i / 25) + "/file" + std::to_string(i);
      // Mostly text, a third already compressed; sizes average 25 KB
      // (1.6 KB in the flat tree), a few larger images.
      const bool noise = rng() % 3 == 0;
      size_t size = flat ? 200 + rng() % 2800 : 1000 + rng() % 40000;
      if (!flat && rng() % 50 == 0) size = 150000 + rng() % 250000;
      name += noise ? ".png" : ".js";
      const std::string path = root + "/src/" + name;
      fs::create_directories(fs::path(path).parent_path());
      std::ofstream(path, std::ios::binary)
          << (noise ? benchdata::Noise(rng, size) : benchdata::Text(rng, size));
      names.push_back(name);
      bytes += size;
    }
    platform::PlatformConfig::Override use(config);

    // The YXP package is a zip made the way the packer makes it.
    if (benchdata::Run({"zip", "-q", "-r", "-y", root + "/pkg.yxp", "."}, root + "/src") != 0)
      std::abort();

    CZorbKxpPackage kxp;
    if (kxp.Create(Colon("pkg.kxp").c_str(), 3) != 0) std::abort();
    for (const std::string& name : names) {
      std::u16string colon = Colon("src:");
      std::u16string stored;
      for (char c : name) stored += c == '/' ? u':' : static_cast<char16_t>(c);
      if (kxp.PackFile(stored.c_str(), (colon + stored).c_str(), false, false) != 0) std::abort();
    }
    ReadKxpLayout();
    std::ofstream(root + "/made") << "";
  }
  ~Case() {
    if (!keep) fs::remove_all(root);
  }

  // Where each file's chunks lie in the KXP package (version 3 layout).
  void ReadKxpLayout() {
    std::ifstream in(root + "/pkg.kxp", std::ios::binary);
    package.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    size_t at = 8;
    const auto u32 = [&]() {
      uint32_t v;
      std::memcpy(&v, &package[at], 4);
      at += 4;
      return v;
    };
    while (at < package.size()) {
      KxpFile file;
      const uint32_t length = u32();
      file.name = package.substr(at, length);
      std::replace(file.name.begin(), file.name.end(), ':', '/');
      at += length + 20;
      for (int fork = 0; fork < 2; ++fork) {
        for (;;) {
          const uint32_t raw = u32();
          if (raw == 0) break;
          const uint32_t comp = u32();
          file.chunks.emplace_back(at, raw);
          file.compressed.push_back(comp);
          at += comp;
        }
      }
      kxpFiles.push_back(std::move(file));
    }
  }

  // A colon path in the case's volume.
  std::u16string Colon(const std::string& relative) const {
    return volume + u":" + std::u16string(relative.begin(), relative.end());
  }

  // An empty output folder.
  void ResetOutput() {
    fs::remove_all(root + "/out");
    fs::create_directory(root + "/out");
  }

  std::string root;
  std::u16string volume;
  bool keep = false;
  std::vector<std::string> names;
  std::string package;  // the KXP package's bytes
  std::vector<KxpFile> kxpFiles;
  int64_t bytes = 0;
  platform::PlatformConfig config;
};

Case& Realistic() {
  static Case instance("tree", false);
  return instance;
}
Case& Flat() {
  static Case instance("flat", true);
  return instance;
}

Case& Pick(const benchmark::State& state) {
  return state.range(0) ? Flat() : Realistic();
}

void Label(benchmark::State& state, const Case& c) {
  state.SetLabel(state.range(0) ? "32000 files, one folder" : "2000 files, 25 a folder");
  state.SetBytesProcessed(state.iterations() * c.bytes);
  state.counters["files"] = static_cast<double>(c.names.size());
}

void YxpUnpack(benchmark::State& state) {
  Case& c = Pick(state);
  platform::PlatformConfig::Override use(c.config);
  for (auto _ : state) {
    state.PauseTiming();
    c.ResetOutput();
    state.ResumeTiming();
    CZorbYxpPackage package(c.Colon("pkg.yxp").c_str());
    CZorbTypedVector<CString> names;
    if (package.UnPackFileNames(names) != 0 || package.UnPackTo(c.Colon("out:").c_str()) != 0)
      state.SkipWithError("unpack failed");
  }
  Label(state, c);
}
BENCHMARK(YxpUnpack)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The unzip program alone.
void UnzipAlone(benchmark::State& state) {
  Case& c = Pick(state);
  for (auto _ : state) {
    state.PauseTiming();
    c.ResetOutput();
    state.ResumeTiming();
    if (benchdata::Run({"unzip", "-q", c.root + "/pkg.yxp", "-d", c.root + "/out"}) != 0)
      state.SkipWithError("unzip failed");
  }
  Label(state, c);
}
BENCHMARK(UnzipAlone)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void KxpUnpack(benchmark::State& state) {
  Case& c = Pick(state);
  platform::PlatformConfig::Override use(c.config);
  for (auto _ : state) {
    state.PauseTiming();
    c.ResetOutput();
    state.ResumeTiming();
    CZorbKxpPackage package(c.Colon("pkg.kxp").c_str());
    if (package.UnPackTo(c.Colon("out:").c_str()) != 0) state.SkipWithError("unpack failed");
  }
  Label(state, c);
}
BENCHMARK(KxpUnpack)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: read the package, inflate each chunk with one reused zlib
// stream, write each file with plain writes of up to 128 KiB; with
// durable, every file and folder is then synced in one pass.
void KxpFloor(benchmark::State& state, bool durable) {
  Case& c = Pick(state);
  std::vector<unsigned char> out(128 * 1024 + 1024);
  z_stream z{};
  inflateInit(&z);
  for (auto _ : state) {
    state.PauseTiming();
    c.ResetOutput();
    state.ResumeTiming();
    std::string package(c.package.size(), '\0');
    {
      const int fd = ::open((c.root + "/pkg.kxp").c_str(), O_RDONLY | O_CLOEXEC);
      size_t done = 0;
      while (done < package.size()) {
        const ssize_t n = ::read(fd, &package[done], package.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
      }
      ::close(fd);
    }
    std::vector<std::string> written;
    std::vector<std::string> folders;
    for (const KxpFile& file : c.kxpFiles) {
      const std::string path = c.root + "/out/" + file.name;
      const size_t slash = path.rfind('/');
      const std::string folder = path.substr(0, slash);
      if (folders.empty() || folders.back() != folder) {
        ::mkdir(folder.c_str(), 0755);
        folders.push_back(folder);
      }
      const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      size_t filled = 0;
      for (size_t i = 0; i < file.chunks.size(); ++i) {
        inflateReset(&z);
        z.next_in = reinterpret_cast<Bytef*>(&package[file.chunks[i].first]);
        z.avail_in = file.compressed[i];
        z.next_out = out.data() + filled;
        z.avail_out = 1024;
        if (inflate(&z, Z_FINISH) != Z_STREAM_END) state.SkipWithError("inflate failed");
        filled += file.chunks[i].second;
        if (filled >= 128 * 1024) {
          if (::write(fd, out.data(), filled) != static_cast<ssize_t>(filled))
            state.SkipWithError("write failed");
          filled = 0;
        }
      }
      if (filled && ::write(fd, out.data(), filled) != static_cast<ssize_t>(filled))
        state.SkipWithError("write failed");
      ::close(fd);
      if (durable) written.push_back(path);
    }
    if (durable) {
      folders.push_back(c.root + "/out");
      for (const std::vector<std::string>* list : {&written, &folders})
        for (const std::string& path : *list) {
          const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
          ::fsync(fd);
          ::close(fd);
        }
    }
  }
  inflateEnd(&z);
  Label(state, c);
}

void KxpFloorPlain(benchmark::State& state) {
  KxpFloor(state, false);
}
BENCHMARK(KxpFloorPlain)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void KxpFloorDurable(benchmark::State& state) {
  KxpFloor(state, true);
}
BENCHMARK(KxpFloorDurable)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
