// Archives made by Debian's zip are read back, and archives we write pass
// unzip's test and Python's zipfile. Each archive is made at test time.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "pkg/BasePkgFileSystem.h"
#include "pkg/BasePkgHexStrings.h"
#include "pkg/PkgPropertyMgr.h"
#include "pkg/ZipRecords.h"
#include "pkg/tests/ZipTestSupport.h"
#include "platform/os/ArchiveSupport.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/TempDir.h"

namespace fs = std::filesystem;
using pkgtest::ArchiveReader;
using pkgtest::ArchiveWriter;
using pkgtest::MemoryFile;

namespace {

bool haveTool(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command in folder; true when it exits with 0. Its output
// goes to output.
bool run(const std::string& folder, const std::string& command, std::string* output = nullptr) {
  // The log lies outside the folder, which a command may archive.
  std::string log = (fs::temp_directory_path() /
                     ("plexar-command-" + std::to_string(platform::processId()) + ".log"))
                        .string();
  int status =
      std::system(("cd '" + folder + "' && ( " + command + " ) >'" + log + "' 2>&1").c_str());
  if (output) *output = TempDir::read(log);
  fs::remove(log);
  return status == 0;
}

std::shared_ptr<pkg::IPkgFSFile> openFile(const std::string& path, std::ios_base::openmode mode) {
  auto* fileSystem = pkg::BasePkgFileSystem::getInstance();
  return fileSystem->openFile(fileSystem->getFSFileName(path), mode);
}

std::string randomBytes(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

std::string text(size_t n) {
  std::string s;
  while (s.size() < n) s += "line " + std::to_string(s.size()) + " of some compressible text\n";
  s.resize(n);
  return s;
}

// The entries of an archive as name -> data, read and checked by our reader.
std::map<std::string, std::string> readBack(const std::string& path,
                                            pkg::PkgPropertyMgr* properties = nullptr) {
  ArchiveReader reader(openFile(path, std::ios_base::in), properties);
  std::map<std::string, std::string> entries;
  for (const auto& record : reader.entries()) entries[record->getFilename()] = reader.read(*record);
  return entries;
}

class Interop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveTool("zip") || !haveTool("unzip")) GTEST_SKIP() << "zip and unzip are not installed";
  }
  testsupport::SandboxMachine m_sandbox;
};

}  // namespace

TEST_F(Interop, ArchivesMadeByZipReadBack) {
  const std::string src = m_sandbox.posix("src");
  fs::create_directories(src + "/sub/deeper");
  std::map<std::string, std::string> files = {
      {"text.txt", text(200000)},
      {"random.bin", randomBytes(70000, 3)},
      {"empty", ""},
      {"sub/deeper/small.txt", "small"},
  };
  for (const auto& [name, data] : files) TempDir::write(src + "/" + name, data);

  struct Case {
    const char* name;
    const char* command;
    bool zip64;
  } cases[] = {
      {"stored", "zip -q -X -0 -r ../stored.zip .", false},
      {"deflated", "zip -q -X -9 -r ../deflated.zip .", false},
      {"forced64", "zip -q -X -fz -r ../forced64.zip .", true},
      {"piped", "zip -q -X -r - . > ../piped.zip", false},  // data descriptors
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(run(src, c.command));
    std::string archive = m_sandbox.posix(std::string(c.name) + ".zip");
    auto entries = readBack(archive);
    for (const auto& [name, data] : files) {
      ASSERT_TRUE(entries.count(name)) << name;
      EXPECT_EQ(data, entries[name]) << name;
    }
    EXPECT_TRUE(entries.count("sub/deeper/"));
    if (c.zip64) {
      ArchiveReader reader(openFile(archive, std::ios_base::in));
      bool sawZip64 = false;
      for (const auto& record : reader.entries()) {
        sawZip64 |= record->header.uncompressedSize == pkg::zip::kZip64Marker32 ||
                    record->header.compressedSize == pkg::zip::kZip64Marker32;
      }
      EXPECT_TRUE(sawZip64) << "zip -fz puts the sizes into Zip64 records";
    }
  }

  // Streamed from standard input: the entry "-" with a data descriptor.
  ASSERT_TRUE(run(src, "zip -q -X ../stdin.zip - < text.txt"));
  auto streamed = readBack(m_sandbox.posix("stdin.zip"));
  ASSERT_EQ(1u, streamed.size());
  EXPECT_EQ(files["text.txt"], streamed["-"]);

  // Archive comment and entry comments.
  ASSERT_TRUE(run(src,
                  "zip -q -X ../commented.zip empty text.txt && "
                  "printf 'the archive comment\\n' | zip -q -z ../commented.zip && "
                  "printf 'entry comment\\n' | zip -q -c ../commented.zip empty"));
  pkg::PkgPropertyMgr properties(nullptr);
  auto commented = readBack(m_sandbox.posix("commented.zip"), &properties);
  EXPECT_EQ(files["text.txt"], commented["text.txt"]);
  EXPECT_EQ("the archive comment",
            properties.getZipProperty("", pkg::kZipPropArchiveComment).substr(0, 19));
}

TEST_F(Interop, ArchivesOfMoreThan65534EntriesFromZipReadBack) {
  // Many empty files; a memory-backed folder keeps this quick where there is one.
  std::string base = fs::is_directory("/dev/shm") ? "/dev/shm" : m_sandbox.root();
  std::string folder = base + "/plexar-many-" + std::to_string(platform::processId());
  struct Cleanup {
    std::string path;
    ~Cleanup() {
      std::error_code ec;
      fs::remove_all(path, ec);
    }
  } cleanup{folder};
  fs::create_directories(folder + "/files");
  const int count = 65540;
  for (int i = 0; i < count; ++i) {
    std::ofstream(folder + "/files/" + std::to_string(i));
  }
  ASSERT_TRUE(run(folder + "/files", "ls | zip -q -X -@ ../many.zip"));
  ArchiveReader reader(openFile(folder + "/many.zip", std::ios_base::in));
  ASSERT_EQ(static_cast<size_t>(count), reader.entries().size());
  EXPECT_EQ("", reader.read(*reader.entries()[count - 1]));
}

TEST_F(Interop, OurArchivesPassUnzipAndPython) {
  const bool python = haveTool("python3");
  pkg::PkgPropertyMgr properties(nullptr);
  const std::string typeCreator =
      pkg::BasePkgHexStrings::getInstance()->encodeHexString("TEXTR*ch", 8);
  properties.setZipProperty("mac.txt", pkg::kZipPropMacTypeCreator, typeCreator, false);
  properties.setZipProperty("", pkg::kZipPropArchiveComment, "written by the package library",
                            false);
  const std::string big = text(300000);
  const std::string noise = randomBytes(40000, 9);

  auto writeArchive = [&](const std::string& path, bool streamed) {
    // Streamed: written to a target that cannot seek, with data descriptors.
    auto memory = std::make_shared<MemoryFile>();
    memory->seekable = !streamed;
    std::shared_ptr<pkg::IPkgFSFileCommon> target = memory;
    ArchiveWriter writer(target, &properties, streamed);
    writer.add("mimetype", "application/x-test", pkg::stored);
    writer.add("big.txt", big, pkg::deflate);
    writer.add("noise.bin", noise, pkg::deflate);
    writer.add("empty.txt", "", pkg::deflate);
    writer.add("dir/", "", pkg::stored);
    writer.add("dir/mac.txt", "mac", pkg::stored);
    writer.add("mac.txt", "typed", pkg::deflate);
    writer.finish();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(memory->bytes().data()),
               static_cast<std::streamsize>(memory->bytes().size()));
  };

  TempDir::write(m_sandbox.posix("big.txt"), big);
  for (bool streamed : {false, true}) {
    SCOPED_TRACE(streamed ? "streamed" : "seekable");
    std::string path = m_sandbox.posix(streamed ? "streamed.zip" : "ours.zip");
    writeArchive(path, streamed);
    std::string output;
    EXPECT_TRUE(run(m_sandbox.root(), "unzip -t '" + path + "'", &output)) << output;
    EXPECT_NE(std::string::npos, output.find("No errors detected")) << output;
    if (python) {
      EXPECT_TRUE(run(m_sandbox.root(),
                      "python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); "
                      "assert z.testzip() is None; "
                      "assert z.read('big.txt') == open('big.txt','rb').read(); "
                      "assert z.comment == b'written by the package library'\" '" +
                          path + "'",
                      &output))
          << output;
    }
    pkg::PkgPropertyMgr back(nullptr);
    auto entries = readBack(path, &back);
    EXPECT_EQ(big, entries["big.txt"]);
    EXPECT_EQ(typeCreator, back.getZipProperty("mac.txt", pkg::kZipPropMacTypeCreator));
  }

  // More than 65534 entries: Zip64 end records that both tools accept.
  std::string many = m_sandbox.posix("many.zip");
  {
    auto file = openFile(many, std::ios_base::out | std::ios_base::trunc);
    ArchiveWriter writer(file);
    for (int i = 0; i < 65536; ++i)
      writer.add("e" + std::to_string(i), i % 1000 ? "" : "x", pkg::stored);
    writer.finish();
    file->close();
  }
  std::string output;
  EXPECT_TRUE(run(m_sandbox.root(), "unzip -tq '" + many + "'", &output)) << output;
  if (python) {
    EXPECT_TRUE(run(m_sandbox.root(),
                    "python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); "
                    "assert len(z.namelist()) == 65536; assert z.testzip() is None\" '" +
                        many + "'",
                    &output))
        << output;
  }
}
