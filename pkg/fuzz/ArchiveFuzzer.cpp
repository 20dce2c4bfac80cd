// Opens bytes as an archive, reads every entry's data and writes every
// record out again. Anything but a PackageException (a crash, a hang, a
// sanitizer report, another exception) is a finding.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "pkg/PackageException.h"
#include "pkg/PkgPropertyMgr.h"
#include "pkg/tests/ZipTestSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto file = std::make_shared<pkgtest::MemoryFile>(data, size);
  pkg::PkgPropertyMgr properties(nullptr);
  try {
    pkgtest::ArchiveReader reader(file, &properties);
    pkgtest::MemoryFile copy;
    for (const auto& record : reader.entries()) {
      try {
        reader.read(*record);
      } catch (const pkg::PackageException&) {
        // A bad entry does not end the walk over the others.
      }
      try {
        pkg::zip::ZpCentralDirEntry rewritten(*record);
        rewritten.writeCDH(copy, &properties);
      } catch (const pkg::PackageException&) {
      }
    }
    reader.directory().writeECD(copy, &properties);
  } catch (const pkg::PackageException&) {
  }
  return 0;
}
