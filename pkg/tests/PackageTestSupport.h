#pragma once

// Helpers of the zip package tests: a private home for temporary files, the
// outside zip tools, and reading a package back through the library.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "pkg/BasePkgEntryIterator.h"
#include "pkg/IPackage.h"
#include "pkg/IPkgEntry.h"
#include "pkg/IPkgStream.h"
#include "pkg/PackageException.h"
#include "pkg/ZipPackageFactory.h"
#include "pkg/tests/ZipTestSupport.h"
#include "platform/os/ArchiveSupport.h"
#include "platform/os/PlatformConfig.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/TempDir.h"

namespace pkgtest {

inline const std::ios_base::openmode kIn = std::ios_base::in;
inline const std::ios_base::openmode kOut = std::ios_base::out;
inline const std::ios_base::openmode kTrunc = std::ios_base::trunc;

inline bool haveTool(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command; true when it exits with 0. Its output goes to output.
inline bool runCommand(const std::string& command, std::string* output = nullptr) {
  std::string log = (std::filesystem::temp_directory_path() /
                     ("plexar-pkg-command-" + std::to_string(platform::processId()) + ".log"))
                        .string();
  int status = std::system(("( " + command + " ) >'" + log + "' 2>&1").c_str());
  if (output) *output = TempDir::read(log);
  std::filesystem::remove(log);
  return status == 0;
}

// Whether unzip finds nothing wrong with the archive; true when unzip is
// not installed (the caller's own checks then stand alone).
inline ::testing::AssertionResult unzipAccepts(const std::string& path) {
  if (!haveTool("unzip")) return ::testing::AssertionSuccess();
  std::string output;
  if (runCommand("unzip -t '" + path + "'", &output)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "unzip -t " << path << ":\n" << output;
}

inline std::string readAll(pkg::IPkgFile& file) {
  std::shared_ptr<pkg::IPkgStream> stream = file.open(kIn, false);
  std::string data;
  char block[8192];
  for (;;) {
    stream->read(block, sizeof(block));
    std::streamsize got = stream->gcount();
    if (got <= 0) break;
    data.append(block, static_cast<size_t>(got));
  }
  stream->close();
  return data;
}

inline void writeAll(pkg::IPkgFile& file, const std::string& data) {
  std::shared_ptr<pkg::IPkgStream> stream = file.open(kOut, false);
  stream->write(data.data(), static_cast<std::streamsize>(data.size()));
  stream->close();
}

inline void put(pkg::IPackage& package, const std::string& name, const std::string& data) {
  writeAll(*package.getFile(name, false), data);
}

// Every entry as name -> contents ("/" for a directory), through the
// package's own iterator.
inline std::map<std::string, std::string> contentsOf(
    const std::shared_ptr<pkg::IPackage>& package) {
  std::map<std::string, std::string> entries;
  for (pkg::BasePkgEntryIterator it(package); it.isValid(); ++it) {
    pkg::SPRefType<pkg::IPkgEntry> entry = *it;
    if (entry->getEntryType() == pkg::kEntryFile) {
      entries[entry->getName()] = readAll(*entry->toFile());
    } else {
      entries[entry->getName()] = "/";
    }
  }
  return entries;
}

// Opens the archive at path for reading and lists it.
inline std::map<std::string, std::string> contentsOf(const std::string& path) {
  auto package = pkg::zip::ZipPackageFactory::getInstance()->openPackage(path, kIn);
  std::map<std::string, std::string> entries = contentsOf(package);
  package->close();
  return entries;
}

// A test on a sandbox machine, so that the library's temporary files land
// in it (and are seen to go away).
class PackageTest : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return m_sandbox.posix(name); }
  std::string tempFolder() const { return platform::temporaryItemsFolder(); }
  // Temporary files left behind by the library.
  size_t tempFileCount() const {
    std::error_code ec;
    size_t count = 0;
    for (auto it = std::filesystem::directory_iterator(tempFolder(), ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
      ++count;
    }
    return count;
  }
  pkg::zip::ZipPackageFactory& factory() { return *pkg::zip::ZipPackageFactory::getInstance(); }

  testsupport::SandboxMachine m_sandbox;
};

}  // namespace pkgtest
