#include "validator/PackageContent.h"

#include <ios>

#include "pkg/IPkgEntry.h"
#include "pkg/IPkgStream.h"
#include "pkg/PackageException.h"
#include "pkg/UCFPackageFactory.h"
#include "pkg/ZipPackage.h"
#include "pkg/ZipPackageFactory.h"

namespace nimbrel {

namespace {

class PackageReader : public ContentReader {
 public:
  PackageReader(pkg::SPRefType<pkg::IPkgFile> file, std::shared_ptr<pkg::IPkgStream> stream)
      : m_file(std::move(file)), m_stream(std::move(stream)) {}
  ~PackageReader() override {
    try {
      m_stream->close();
    } catch (const pkg::PackageException&) {
      // A failure was reported by read already.
    }
  }

  int read(char* buffer, int size) override {
    if (m_failed) return -1;
    try {
      m_stream->read(buffer, size);
      return static_cast<int>(m_stream->gcount());
    } catch (const pkg::PackageException&) {
      // Damaged data: a wrong CRC, a bad deflate stream, a wrong size.
      m_failed = true;
      return -1;
    }
  }

 private:
  pkg::SPRefType<pkg::IPkgFile> m_file;
  std::shared_ptr<pkg::IPkgStream> m_stream;
  bool m_failed = false;
};

}  // namespace

PackageContent::PackageContent(const std::string& path)
    : m_package(pkg::zip::ZipPackageFactory::getInstance()->openPackage(path, std::ios_base::in)) {
  readRecords();
}

PackageContent::PackageContent(std::shared_ptr<pkg::IPkgFSFile> file)
    : m_package(pkg::zip::ZipPackageFactory::getInstance()->openPackage(std::move(file))) {
  readRecords();
}

PackageContent::~PackageContent() {
  try {
    if (m_package) m_package->closeWithoutSave();
  } catch (const pkg::PackageException&) {
    // Nothing was changed; nothing is lost.
  }
}

void PackageContent::readRecords() {
  auto* zip = dynamic_cast<pkg::zip::ZipPackage*>(m_package.get());
  if (!zip) throw pkg::PackageException(pkg::kPkgErrNotValidPackage);
  const auto& entries = zip->centralDir().getEntries();
  m_records.reserve(entries.size());
  m_names.reserve(entries.size());
  for (const auto& entry : entries) {
    Record record;
    record.name = entry->getFilename();
    record.method = entry->header.method;
    record.localHeaderOffset = entry->localHeaderOffset;
    record.directory = entry->isDirectory();
    m_names.push_back(record.name);
    if (!record.directory) m_files.insert(record.name);
    m_records.push_back(std::move(record));
  }
}

bool PackageContent::hasFile(const std::string& name) const {
  return m_files.count(name) != 0;
}

std::unique_ptr<ContentReader> PackageContent::open(const std::string& name) {
  if (!hasFile(name)) return nullptr;
  try {
    pkg::SPRefType<pkg::IPkgFile> file = m_package->getFile(name, true);
    std::shared_ptr<pkg::IPkgStream> stream = file->open(std::ios_base::in, false);
    return std::make_unique<PackageReader>(std::move(file), std::move(stream));
  } catch (const pkg::PackageException&) {
    return nullptr;
  }
}

}  // namespace nimbrel
