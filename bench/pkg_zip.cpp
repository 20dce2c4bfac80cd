// Reading archives with the package library beside raw zlib, and listing a
// large archive through the package beside unzip -l. The archives are made in a temporary
// folder at start: a 50 MB archive of mixed files and one of 70,000 entries.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
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

#include "pkg/BasePkgEntryIterator.h"
#include "pkg/BasePkgFileSystem.h"
#include "pkg/PkgPropertyMgr.h"
#include "pkg/ZipPackageFactory.h"
#include "pkg/ZipPkgStream.h"
#include "pkg/tests/ZipTestSupport.h"

extern char** environ;

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

// Listing 70,000 entries as the program does: openPackage, then the entry
// iterator, each entry's name and a file's size; the package closed. Beside
// it unzip -l, spawned directly. Goals: faster, and a peak of memory within
// 4 times unzip's (the counters: the memory the listing adds to a process,
// and unzip's whole peak).
size_t listThroughPackage(const std::string& path) {
  auto package = pkg::zip::ZipPackageFactory::getInstance()->openPackage(path, std::ios_base::in);
  size_t bytes = 0;
  for (pkg::BasePkgEntryIterator it(package); it.isValid(); ++it) {
    pkg::SPRefType<pkg::IPkgEntry> entry = *it;
    bytes += entry->getName().size();
    if (entry->getEntryType() == pkg::kEntryFile)
      bytes += static_cast<size_t>(entry->toFile()->getSize64());
  }
  package->close();
  return bytes;
}

// Kilobytes of a line of /proc/self/status ("VmRSS:", "VmHWM:").
long statusKB(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(field, 0) == 0)
      return std::strtol(line.c_str() + std::strlen(field), nullptr, 10);
  return 0;
}

// Runs a program, its standard output to the descriptor (else dropped);
// false when it fails. With usage, the child's resource use.
bool spawnTo(const std::vector<std::string>& arguments, int output, struct rusage* usage,
             const char* extraEnvironment = nullptr) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (char** e = environ; *e; ++e) envp.push_back(*e);
  if (extraEnvironment) envp.push_back(const_cast<char*>(extraEnvironment));
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (output >= 0)
    posix_spawn_file_actions_adddup2(&actions, output, 1);
  else
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int err = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (err) return false;
  int status = 0;
  struct rusage ignored {};
  if (::wait4(pid, &status, 0, usage ? usage : &ignored) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The peak memory (MiB) of a fresh small process that lists the archive
// through the package ("package") or runs unzip -l on it ("unzip"): the
// benchmark's own process holds the archives it made, which a child
// started from it would count as its own.
double peakMiB(const std::string& how, const std::string& path) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return -1;
  const std::string variable = "PLEXAR_BENCH_PEAK=" + how;
  const bool ran = spawnTo({"/proc/self/exe", path}, pipeEnds[1], nullptr, variable.c_str());
  ::close(pipeEnds[1]);
  char text[64] = {};
  const ssize_t n = ::read(pipeEnds[0], text, sizeof text - 1);
  ::close(pipeEnds[0]);
  return ran && n > 0 ? std::strtod(text, nullptr) / 1024.0 : -1;
}

// The child's side of peakMiB: prints kilobytes and ends before the
// benchmarks start.
const bool kPeakChild = [] {
  const char* how = std::getenv("PLEXAR_BENCH_PEAK");
  if (!how) return false;
  std::ifstream in("/proc/self/cmdline");
  const std::string arguments(std::istreambuf_iterator<char>(in), {});
  const std::string path = arguments.c_str() + std::strlen(arguments.c_str()) + 1;
  long kb = -1;
  if (std::string(how) == "package") {
    listThroughPackage(path);
    kb = statusKB("VmHWM:");
  } else {
    struct rusage usage {};
    if (spawnTo({"unzip", "-l", path}, -1, &usage)) kb = usage.ru_maxrss;
  }
  std::printf("%ld\n", kb);
  std::fflush(stdout);
  ::_exit(kb < 0 ? 1 : 0);
}();

void BM_List70000_Package(benchmark::State& state) {
  const std::string path = archives().many;
  for (auto _ : state) benchmark::DoNotOptimize(listThroughPackage(path));
  state.counters["peak_MiB"] = peakMiB("package", path);
}
BENCHMARK(BM_List70000_Package)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_List70000_UnzipL(benchmark::State& state) {
  const std::vector<std::string> command = {"unzip", "-l", archives().many};
  for (auto _ : state)
    if (!spawnTo(command, -1, nullptr)) state.SkipWithError("unzip failed or is not installed");
  state.counters["peak_MiB"] = peakMiB("unzip", archives().many);
}
BENCHMARK(BM_List70000_UnzipL)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
