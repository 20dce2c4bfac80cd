// Opens bytes as a zip package through the factory, as the program opens
// packages: lists every entry, reads each file's data and properties (the
// properties file among them) and the package's. Files live in memory (see
// MemoryArchiveSupport.cpp). Anything but a PackageException (a crash, a
// hang, a sanitizer report, another exception) is a finding.
#include <cstddef>
#include <cstdint>
#include <ios>
#include <memory>

#include "pkg/BasePkgEntryIterator.h"
#include "pkg/IPackage.h"
#include "pkg/IPkgEntry.h"
#include "pkg/IPkgStream.h"
#include "pkg/PackageException.h"
#include "pkg/PkgXMLParser.h"
#include "pkg/ZipPackageFactory.h"
#include "pkg/fuzz/MemoryArchiveSupport.h"

namespace {

constexpr char kPath[] = "/memory/input.zip";

void ReadData(pkg::IPkgFile& file) {
  std::shared_ptr<pkg::IPkgStream> stream = file.open(std::ios_base::in, false);
  char block[16384];
  for (;;) {
    stream->read(block, sizeof(block));
    if (stream->gcount() <= 0) break;
  }
  stream->close();
}

void ReadEntry(const pkg::SPRefType<pkg::IPkgEntry>& entry) {
  entry->getName();
  if (entry->getEntryType() != pkg::kEntryFile) return;
  pkg::SPRefType<pkg::IPkgFile> file = entry->toFile();
  for (pkg::UCFPropertyName name :
       {pkg::kZipPropDOSDate, pkg::kZipPropDOSTime, pkg::kZipPropMacTypeCreator,
        pkg::kGenPropDateTime, pkg::kGenPropMacType, pkg::kGenPropMacCreator})
    file->getProperty(name);
  ReadData(*file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static pkg::PkgXMLParser parser;
  pkgfuzz::putMemoryFile(kPath, data, size);
  try {
    std::shared_ptr<pkg::IPackage> package =
        pkg::zip::ZipPackageFactory::getInstance()->openPackage(kPath, std::ios_base::in, nullptr,
                                                                nullptr, &parser);
    for (pkg::BasePkgEntryIterator it(package); it.isValid(); ++it) {
      try {
        ReadEntry(*it);
      } catch (const pkg::PackageException&) {
        // A bad entry does not end the walk over the others.
      }
    }
    package->getProperty(pkg::kZipPropArchiveComment);
    package->getMIMEType();
    package->checkConformance();
    package->close();
  } catch (const pkg::PackageException&) {
  }
  pkgfuzz::clearMemoryFiles();
  return 0;
}
