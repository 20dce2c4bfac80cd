#include "pkg/UCFPkgEntry.h"

#include "pkg/PackageException.h"

namespace pkg {

UCFPkgEntry::UCFPkgEntry(SPRefType<IPkgEntry> entry) : m_entry(std::move(entry)) {}
UCFPkgEntry::~UCFPkgEntry() = default;

IPkgEntry& UCFPkgEntry::entry() const {
  if (!m_entry) throw PackageException(kPkgErrIllegalState);
  return *m_entry;
}

void UCFPkgEntry::remove() {
  entry().remove();
}
bool UCFPkgEntry::isDeleted() {
  return entry().isDeleted();
}
bool UCFPkgEntry::isModified() {
  return entry().isModified();
}
void UCFPkgEntry::setCompressionMethod(CompressionMethod method) {
  entry().setCompressionMethod(method);
}
CompressionMethod UCFPkgEntry::getCompressionMethod() {
  return entry().getCompressionMethod();
}
const std::string& UCFPkgEntry::getName() {
  return entry().getName();
}
UCFPkgDirectory UCFPkgEntry::getParent() {
  return UCFPkgDirectory(entry().getParent());
}
IPackage* UCFPkgEntry::getPackage() {
  return entry().getPackage();
}
void UCFPkgEntry::addRef() {
  entry().addRef();
}
void UCFPkgEntry::release() {
  entry().release();
}
EntryType UCFPkgEntry::getEntryType() {
  return entry().getEntryType();
}
UCFPkgFile UCFPkgEntry::toFile() {
  return UCFPkgFile(entry().toFile());
}
UCFPkgDirectory UCFPkgEntry::toDirectory() {
  return UCFPkgDirectory(entry().toDirectory());
}

UCFPkgStream::UCFPkgStream(std::shared_ptr<IPkgStream> stream) : m_stream(std::move(stream)) {}

void UCFPkgStream::close() {
  if (!m_stream) throw PackageException(kPkgErrIllegalState);
  m_stream->close();
}

UCFPkgFile UCFPkgStream::getFile() {
  if (!m_stream) throw PackageException(kPkgErrIllegalState);
  return UCFPkgFile(m_stream->getFile());
}

std::iostream& UCFPkgStream::stream() {
  if (!m_stream) throw PackageException(kPkgErrIllegalState);
  return *m_stream;
}

UCFPkgFile::UCFPkgFile(SPRefType<IPkgFile> file) : UCFPkgEntry(file), m_file(std::move(file)) {}

IPkgFile& UCFPkgFile::file() const {
  if (!m_file) throw PackageException(kPkgErrIllegalState);
  return *m_file;
}

UCFPkgStream UCFPkgFile::open(openmode mode, bool raw) {
  return UCFPkgStream(file().open(mode, raw));
}
int32_t UCFPkgFile::getSize() {
  return file().getSize();
}
int32_t UCFPkgFile::getCompressedSize() {
  return file().getCompressedSize();
}
int64_t UCFPkgFile::getSize64() {
  return file().getSize64();
}
int64_t UCFPkgFile::getCompressedSize64() {
  return file().getCompressedSize64();
}
void UCFPkgFile::setExpectedSize(int64_t size) {
  file().setExpectedSize(size);
}
uint32_t UCFPkgFile::getCRC32() {
  return file().getCRC32();
}
void UCFPkgFile::setExpectedCRC32(uint32_t crc) {
  file().setExpectedCRC32(crc);
}
std::string UCFPkgFile::resolvePath(const std::string& reference) {
  return file().resolvePath(reference);
}
std::string UCFPkgFile::getProperty(UCFPropertyName name) {
  return file().getProperty(name);
}
void UCFPkgFile::setProperty(UCFPropertyName name, const std::string& value) {
  file().setProperty(name, value);
}

UCFPkgDirectory::UCFPkgDirectory(SPRefType<IPkgDirectory> directory)
    : UCFPkgEntry(directory), m_directory(std::move(directory)) {}

void UCFPkgDirectory::create() {
  if (!m_directory) throw PackageException(kPkgErrIllegalState);
  m_directory->create();
}

}  // namespace pkg
