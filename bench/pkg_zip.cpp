// Reading archives with the package library beside raw zlib, and listing a
// large archive beside unzip -l. The archives are made in a temporary
// folder at start: a 50 MB archive of mixed files and one of 70,000 entries.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "pkg/BasePkgFileSystem.h"
#include "pkg/PkgPropertyMgr.h"
#include "pkg/ZipPkgStream.h"
#include "pkg/tests/ZipTestSupport.h"

namespace {

std::shared_ptr<pkg::IPkgFSFile> openFile(const std::string& path, std::ios_base::openmode mode) {
  auto* fileSystem = pkg::BasePkgFileSystem::getInstance();
  return fileSystem->openFile(fileSystem->getFSFileName(path), mode);
}

// Text that deflates about 4:1, noise that does not deflate, and data in
// between, in files from a few bytes to several megabytes.
std::string makeContent(std::mt19937& rng, size_t size, int kind) {
  static const char* const words[] = {
      "extension",     "package", "install",     "menu",   "toolbar",
      "configuration", "host",    "<item id=\"", "\"/>\n", " ",
      "version",       "1.0.2",   "\t",          "files",  "remove"};
  std::string s;
  s.reserve(size);
  if (kind == 0) {
    while (s.size() < size) s += words[rng() % 15];
  } else if (kind == 1) {
    while (s.size() < size) s += static_cast<char>(rng());
  } else {
    while (s.size() < size) {
      if (rng() % 4 == 0) {
        s += static_cast<char>(rng());
      } else {
        s += words[rng() % 15];
      }
    }
  }
  s.resize(size);
  return s;
}

struct Archives {
  Archives() {
    std::string pattern = (std::filesystem::temp_directory_path() / "plexar-bench-XXXXXX").string();
    folder = ::mkdtemp(pattern.data());
    mixed = folder + "/mixed.zip";
    many = folder + "/many.zip";

    std::mt19937 rng(42);
    {
      auto file = openFile(mixed, std::ios_base::out | std::ios_base::trunc);
      pkgtest::ArchiveWriter writer(file);
      int i = 0;
      while (file->tell() < 50ll * 1000 * 1000) {
        size_t size = (i % 10 == 0) ? (2u << 20) + rng() % (4u << 20) : 1000 + rng() % 200000;
        int kind = i % 3;
        writer.add("file" + std::to_string(i) + ".dat", makeContent(rng, size, kind),
                   kind == 1 && i % 2 ? pkg::stored : pkg::deflate);
        ++i;
      }
      writer.finish();
      file->close();
      mixedEntries = i;
    }
    {
      auto file = openFile(many, std::ios_base::out | std::ios_base::trunc);
      pkgtest::ArchiveWriter writer(file);
      for (int i = 0; i < 70000; ++i) {
        writer.add("folder" + std::to_string(i / 1000) + "/entry" + std::to_string(i) + ".txt", "x",
                   pkg::stored);
      }
      writer.finish();
      file->close();
    }
  }
  ~Archives() { std::filesystem::remove_all(folder); }

  std::string folder, mixed, many;
  int mixedEntries = 0;
};

Archives& archives() {
  static Archives instance;
  return instance;
}

constexpr size_t kChunk = 64 * 1024;

// Every entry through the library's entry streams, data checked.
void BM_ReadAllEntries_Library(benchmark::State& state) {
  const std::string path = archives().mixed;
  std::vector<char> buffer(kChunk);
  uint64_t total = 0;
  for (auto _ : state) {
    auto file = openFile(path, std::ios_base::in);
    pkgtest::ArchiveReader archive(file);
    total = 0;
    for (const auto& record : archive.entries()) {
      auto local = record->fetchLocalEntry(*file);
      pkg::zip::ZipPkgStream stream(nullptr);
      stream.buffer().openPackageRead(file, record->localHeaderOffset + local->getSize(), *record,
                                      false);
      while (stream.read(buffer.data(), kChunk), stream.gcount() > 0) total += stream.gcount();
      stream.close();
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * total));
}
BENCHMARK(BM_ReadAllEntries_Library)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same streams with zlib alone: positions taken from the records once,
// each entry's bytes read with one fread and inflated into the same buffer.
void rawInflate(benchmark::State& state, bool withCRC) {
  const std::string path = archives().mixed;
  struct Stream {
    uint64_t start, compressed;
    uint16_t method;
  };
  std::vector<Stream> streams;
  {
    auto file = openFile(path, std::ios_base::in);
    pkg::zip::ZpCentralDir directory;
    directory.readECD(*file, nullptr);
    directory.readCDEntries(*file, nullptr);
    for (const auto& record : directory.getEntries()) {
      auto local = record->fetchLocalEntry(*file);
      streams.push_back({record->localHeaderOffset + local->getSize(), record->compressedSize,
                         record->header.method});
    }
  }
  std::vector<unsigned char> in, out(kChunk);
  uint64_t total = 0;
  for (auto _ : state) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    total = 0;
    for (const Stream& s : streams) {
      in.resize(s.compressed);
      std::fseek(f, static_cast<long>(s.start), SEEK_SET);
      if (std::fread(in.data(), 1, in.size(), f) != in.size()) state.SkipWithError("short read");
      uLong crc = crc32(0, Z_NULL, 0);
      if (s.method == 0) {
        if (withCRC) crc = crc32(crc, in.data(), static_cast<uInt>(in.size()));
        total += in.size();
        continue;
      }
      z_stream z;
      std::memset(&z, 0, sizeof(z));
      inflateInit2(&z, -15);
      z.next_in = in.data();
      z.avail_in = static_cast<uInt>(in.size());
      int status = Z_OK;
      while (status == Z_OK) {
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        status = inflate(&z, Z_NO_FLUSH);
        size_t produced = out.size() - z.avail_out;
        if (withCRC) crc = crc32(crc, out.data(), static_cast<uInt>(produced));
        total += produced;
      }
      inflateEnd(&z);
      benchmark::DoNotOptimize(crc);
    }
    std::fclose(f);
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * total));
}

void BM_ReadAllEntries_RawInflate(benchmark::State& state) {
  rawInflate(state, false);
}
BENCHMARK(BM_ReadAllEntries_RawInflate)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadAllEntries_RawInflateAndCRC(benchmark::State& state) {
  rawInflate(state, true);
}
BENCHMARK(BM_ReadAllEntries_RawInflateAndCRC)->Unit(benchmark::kMillisecond)->UseRealTime();

// Listing: the end records and every central record, with the properties
// the package keeps for each entry.
void BM_List70000_Library(benchmark::State& state) {
  const std::string path = archives().many;
  for (auto _ : state) {
    auto file = openFile(path, std::ios_base::in);
    pkg::PkgPropertyMgr properties(nullptr);
    pkgtest::ArchiveReader archive(file, &properties);
    benchmark::DoNotOptimize(archive.entries().size());
  }
}
BENCHMARK(BM_List70000_Library)->Unit(benchmark::kMillisecond)->UseRealTime();

// The records alone, without the properties the package keeps.
void BM_List70000_RecordsOnly(benchmark::State& state) {
  const std::string path = archives().many;
  for (auto _ : state) {
    auto file = openFile(path, std::ios_base::in);
    pkgtest::ArchiveReader archive(file);
    benchmark::DoNotOptimize(archive.entries().size());
  }
}
BENCHMARK(BM_List70000_RecordsOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_List70000_UnzipL(benchmark::State& state) {
  const std::string command = "unzip -l '" + archives().many + "' > /dev/null";
  if (std::system("command -v unzip > /dev/null 2>&1") != 0) {
    state.SkipWithError("unzip is not installed");
    return;
  }
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("unzip failed");
  }
}
BENCHMARK(BM_List70000_UnzipL)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
