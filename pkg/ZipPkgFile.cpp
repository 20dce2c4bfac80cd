#include "pkg/ZipPkgFile.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <vector>

#include "pkg/BasePkgHexStrings.h"
#include "pkg/PackageException.h"
#include "pkg/PkgPropertyMgr.h"
#include "pkg/ZipIO.h"
#include "pkg/ZipPackage.h"
#include "pkg/ZipPackageFactory.h"

namespace pkg::zip {

namespace {

constexpr size_t kCopyBlock = 16384;
constexpr size_t kTempCopyBlock = 4096;

// The stream handed to callers: it keeps its file entry alive while it
// lives, so that a stream can never outlast the entry it reports to.
class ZipPkgFileStream : public ZipPkgStream {
 public:
  ZipPkgFileStream(IZipStreamOwner* owner, SPRefType<IPkgFile> file)
      : std::iostream(nullptr), ZipPkgStream(owner), m_file(std::move(file)) {}
  ~ZipPkgFileStream() override {
    // Closed here, while the entry is still held: the base would close it
    // only after m_file let the entry go.
    try {
      close();
    } catch (...) {
      // Dropped: a destructor must not throw.
    }
  }

 private:
  SPRefType<IPkgFile> m_file;
};

// Clears a flag when the scope ends, also by an exception.
struct FlagGuard {
  bool& flag;
  explicit FlagGuard(bool& f) : flag(f) { flag = true; }
  ~FlagGuard() { flag = false; }
};

bool isHexText(const std::string& text, size_t digits) {
  if (text.size() != digits) return false;
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
}

}  // namespace

const std::string& ZipPkgFile::checkedName(const std::string& name) {
  if (name.empty() || name.back() == '/') throw PackageException(kPkgErrBadArgument);
  return name;
}

ZipPkgFile::ZipPkgFile(const std::string& name, bool mustExist, ZipPackage* package)
    : ZipPkgEntry(checkedName(name), kEntryFile, package, package->centralDir().getCDirEntry(name)),
      m_tempFile(package->getFileSystem()) {
  if (mustExist && !m_record) throw PackageException(kPkgErrEntryNotFound);
}

ZipPkgFile::ZipPkgFile(const std::string& name, ZipPackage* package,
                       std::shared_ptr<ZpCentralDirEntry> record)
    : ZipPkgEntry(checkedName(name), kEntryFile, package, std::move(record)),
      m_tempFile(package->getFileSystem()) {}

ZipPkgFile::~ZipPkgFile() {
  for (ZipPkgStream* stream : m_streams) stream->detach();
}

bool ZipPkgFile::isPristine() const {
  return ZipPkgEntry::isPristine() && m_streams.empty() && !m_openForWrite && !m_directStream &&
         !m_targetWrite && !m_tempFile.exists() && m_tempSize == 0 && !m_hasExpectedSize &&
         !m_hasExpectedCRC;
}

SPRefType<IPkgFile> ZipPkgFile::toFile() {
  return makeSPRef<IPkgFile>(this);
}

SPRefType<IPkgDirectory> ZipPkgFile::toDirectory() {
  throw PackageException(kPkgErrUnsupportedOperation);
}

bool ZipPkgFile::tempIsCurrent() const {
  return m_tempFile.exists() && (m_modified || m_listed);
}

std::shared_ptr<IPkgFSFile> ZipPkgFile::freshTempFile() {
  std::shared_ptr<IPkgFSFile> temp;
  if (m_tempFile.exists()) {
    temp = m_tempFile.getTempFSFilePtr();
    temp->truncate(0);
  } else {
    m_tempFile.create();
    temp = m_tempFile.getTempFSFilePtr();
  }
  m_tempSize = 0;
  return temp;
}

std::shared_ptr<IPkgStream> ZipPkgFile::open(openmode mode, bool raw) {
  ZipPackage& package = zipPackage();
  if (!package.isOpen()) throw PackageException(kPkgErrIllegalState);
  const bool in = (mode & std::ios_base::in) != 0;
  const bool out = (mode & std::ios_base::out) != 0;
  if (!in && !out) throw PackageException(kPkgErrBadArgument);
  if (in && out) throw PackageException(kPkgErrNotImplemented);
  if (m_deleted) throw PackageException(kPkgErrEntryNotFound);

  auto stream = std::make_shared<ZipPkgFileStream>(this, makeSPRef<IPkgFile>(this));
  ZipPkgStreamBuf& buffer = stream->buffer();
  if (in) {
    if (m_tempFile.exists() && (tempIsCurrent() || !raw)) {
      buffer.openTempFile(m_tempFile.getTempFSFilePtr(), std::ios_base::in);
    } else {
      if (!(package.getOpenMode(true) & std::ios_base::in))
        throw PackageException(kPkgErrWriteOnly);
      if (!m_record) throw PackageException(kPkgErrEntryNotFound);
      buffer.openPackageRead(package.packageFile(), getZipFileStart(false), *m_record, raw);
      if (!raw && (m_hasExpectedSize || m_hasExpectedCRC)) {
        buffer.setExpected(
            m_hasExpectedSize ? static_cast<uint64_t>(m_expectedSize) : m_record->uncompressedSize,
            m_hasExpectedCRC ? m_expectedCRC : m_record->header.crc32);
      }
    }
  } else {
    if (m_openForWrite) throw PackageException(kPkgErrIllegalState);
    const bool isMimetype = m_name == "mimetype";
    if (isMimetype && (package.mimetypePolicy() & kMimetypePolicyRepair) &&
        (m_compressionMethod != stored || package.isMimetypeWritten())) {
      throw PackageException(kPkgErrConformance);
    }
    // New contents are written with a method the library can decode.
    if (m_compressionMethod != stored && m_compressionMethod != deflate) {
      m_compressionMethod = package.getDefaultCompressionMethod();
    }
    if (package.isInUpdate() && !package.directEntry()) {
      package.unlistForUpdate(this);
      createZipData(false);
      buffer.openTargetWrite(package.updateTarget(), m_compressionMethod, false);
      package.setDirectEntry(this);
      m_directStream = stream.get();
      m_targetWrite = true;
      m_modified = true;
    } else {
      std::shared_ptr<IPkgFSFile> temp = freshTempFile();
      buffer.openTempFile(temp, std::ios_base::out);
      if (package.isInUpdate()) {
        package.listForUpdate(this);
      } else {
        m_modified = true;
        package.setModified(true);
      }
    }
    m_openForWrite = true;
    if (isMimetype) package.setMimetypeWritten();
  }
  m_streams.push_back(stream.get());
  return stream;
}

int64_t ZipPkgFile::getSize64() {
  if (tempIsCurrent()) return static_cast<int64_t>(m_tempSize);
  if (m_updateRecord) return static_cast<int64_t>(m_updateRecord->uncompressedSize);
  if (m_record) return static_cast<int64_t>(m_record->uncompressedSize);
  return 0;
}

int64_t ZipPkgFile::getCompressedSize64() {
  if (tempIsCurrent()) return static_cast<int64_t>(m_tempSize);
  if (m_updateRecord) return static_cast<int64_t>(m_updateRecord->compressedSize);
  if (m_record) return static_cast<int64_t>(m_record->compressedSize);
  return 0;
}

int32_t ZipPkgFile::getSize() {
  int64_t size = getSize64();
  return size >= 0xFFFFFFFFLL ? -1 : static_cast<int32_t>(size);
}

int32_t ZipPkgFile::getCompressedSize() {
  int64_t size = getCompressedSize64();
  return size >= 0xFFFFFFFFLL ? -1 : static_cast<int32_t>(size);
}

void ZipPkgFile::setExpectedSize(int64_t size) {
  if (size < 0) throw PackageException(kPkgErrBadArgument);
  m_hasExpectedSize = true;
  m_expectedSize = size;
}

uint32_t ZipPkgFile::getCRC32() {
  if (m_updateRecord) return m_updateRecord->header.crc32;
  if (m_record) return m_record->header.crc32;
  return 0;
}

void ZipPkgFile::setExpectedCRC32(uint32_t crc) {
  m_hasExpectedCRC = true;
  m_expectedCRC = crc;
}

std::string ZipPkgFile::resolvePath(const std::string& reference) {
  ZipPackageFactory* factory = ZipPackageFactory::getInstance();
  const char separator = factory->getPathSeparator()[0];
  const char schema = factory->getSchemaSeparator()[0];
  const char anchor = factory->getPathAnchor()[0];
  size_t schemaAt = reference.find(schema);
  size_t separatorAt = reference.find(separator);
  if (schemaAt != std::string::npos &&
      (separatorAt == std::string::npos || schemaAt < separatorAt)) {
    return reference;
  }
  if (reference.size() >= 2 && reference[0] == separator && reference[1] == separator) {
    return reference;
  }
  if (!reference.empty() && reference[0] == separator)
    return factory->canonicalize(reference, true);
  std::string path(1, separator);
  if (!reference.empty() && reference[0] == anchor) {
    path += m_name;
  } else {
    size_t last = m_name.rfind(separator);
    if (last != std::string::npos) path += m_name.substr(0, last + 1);
  }
  path += reference;
  return factory->canonicalize(path, true);
}

std::string ZipPkgFile::getProperty(UCFPropertyName name) {
  if (name >= 0 && name < 3) return zipPackage().getPropertyMgr()->getZipProperty(m_name, name);
  return BasePkgFile::getProperty(name);
}

void ZipPkgFile::setProperty(UCFPropertyName name, const std::string& value) {
  if (name >= 0 && name < 3) {
    ZipPackage& package = zipPackage();
    if (m_openForWrite) throw PackageException(kPkgErrUnsupportedOperation);
    // The records are written from these texts: a date or time is four hex
    // digits (16 bits), a type and creator sixteen (8 bytes); anything else
    // would break the next update, so it is refused here.
    if (!value.empty() && !isHexText(value, name == kZipPropMacTypeCreator ? 16 : 4)) {
      throw PackageException(kPkgErrBadArgument);
    }
    package.getPropertyMgr()->setZipProperty(m_name, name, value, false);
    return;
  }
  BasePkgFile::setProperty(name, value);
}

void ZipPkgFile::closeStreams(bool writersOnly) {
  std::exception_ptr first;
  std::vector<ZipPkgStream*> streams = m_streams;
  for (ZipPkgStream* stream : streams) {
    if (writersOnly && !stream->buffer().isWriting()) continue;
    try {
      stream->close();
    } catch (...) {
      if (!first) first = std::current_exception();
    }
  }
  if (first) std::rethrow_exception(first);
}

void ZipPkgFile::closeDirectStream() {
  if (m_directStream) m_directStream->close();
}

void ZipPkgFile::write() {
  ZipPackage& package = zipPackage();
  // A writer left open hands over what it wrote.
  closeStreams(true);

  const bool raw = !m_modified && !m_listed && m_record;
  const bool fromTemp = !raw && tempIsCurrent();
  const bool fromPackage = raw || (!fromTemp && m_record);
  if (fromPackage && !(package.getOpenMode(true) & std::ios_base::in)) {
    throw PackageException(kPkgErrWriteOnly);
  }
  if (!raw && m_compressionMethod != stored && m_compressionMethod != deflate) {
    m_compressionMethod = package.getDefaultCompressionMethod();
  }

  ZipPkgStreamBuf source(nullptr);
  if (fromTemp) {
    source.openTempFile(m_tempFile.getTempFSFilePtr(), std::ios_base::in);
  } else if (fromPackage) {
    source.openPackageRead(package.packageFile(), getZipFileStart(false), *m_record, raw);
  }

  createZipData(raw);
  {
    FlagGuard writing(m_targetWrite);
    ZipPkgStreamBuf target(this);
    target.openTargetWrite(package.updateTarget(), m_compressionMethod, raw,
                           raw ? m_record->header.crc32 : 0, raw ? m_record->uncompressedSize : 0);
    if (fromTemp || fromPackage) {
      std::vector<char> block(kCopyBlock);
      for (;;) {
        std::streamsize got =
            source.sgetn(block.data(), static_cast<std::streamsize>(block.size()));
        if (got <= 0) break;
        if (target.sputn(block.data(), got) != got) throw PackageException(kPkgErrWriteDeflate);
      }
      source.close();
    }
    target.close();
  }
  finishUpdateData();
  // The temporary file stays until the update is committed, so that a
  // cancelled update leaves the entry's new contents where they were.
  if (m_streams.empty()) m_tempFile.close();
}

void ZipPkgFile::endUpdate() {
  ZipPkgEntry::endUpdate();
  m_hasExpectedSize = false;
  m_hasExpectedCRC = false;
  if (m_streams.empty()) {
    m_tempFile.remove();
    m_tempSize = 0;
  }
}

void ZipPkgFile::cancelUpdate() {
  if (m_directStream) {
    try {
      m_directStream->close();
    } catch (...) {
      // The update is abandoned; its data goes with it.
    }
  }
  ZipPkgEntry::cancelUpdate();
}

void ZipPkgFile::closeEntry() {
  try {
    closeStreams(false);
  } catch (...) {
    // Closing without saving drops what could not be finished.
  }
  try {
    m_tempFile.remove();
  } catch (...) {
  }
  m_tempSize = 0;
  m_openForWrite = false;
}

void ZipPkgFile::createTempFile() {
  if (m_tempFile.exists()) throw PackageException(kPkgErrIllegalState);
  ZipPackage& package = zipPackage();
  m_tempFile.create();
  try {
    std::shared_ptr<IPkgFSFile> temp = m_tempFile.getTempFSFilePtr();
    uint64_t copied = 0;
    if (m_record) {
      if (!(package.getOpenMode(true) & std::ios_base::in))
        throw PackageException(kPkgErrWriteOnly);
      ZipPkgStreamBuf source(nullptr);
      source.openPackageRead(package.packageFile(), getZipFileStart(false), *m_record, false);
      std::vector<char> block(kTempCopyBlock);
      for (;;) {
        std::streamsize got =
            source.sgetn(block.data(), static_cast<std::streamsize>(block.size()));
        if (got <= 0) break;
        temp->seek(static_cast<int64_t>(copied), SEEK_SET);
        writeFully(*temp, block.data(), static_cast<size_t>(got));
        copied += static_cast<uint64_t>(got);
      }
      source.close();
    }
    m_tempSize = copied;
  } catch (...) {
    m_tempFile.remove();
    throw;
  }
}

std::shared_ptr<IPkgFSFileCommon> ZipPkgFile::streamTempFile() {
  if (!m_tempFile.exists()) return nullptr;
  return m_tempFile.getTempFSFilePtr();
}

std::shared_ptr<IPkgFSFileCommon> ZipPkgFile::streamCreateTempFile() {
  createTempFile();
  return m_tempFile.getTempFSFilePtr();
}

void ZipPkgFile::streamWriteLocalHeader() {
  writeUpdateLocalHeader();
}

void ZipPkgFile::streamSetSizes(uint64_t uncompressed, uint64_t compressed, uint32_t crc) {
  if (m_targetWrite) {
    if (!m_updateRecord) throw PackageException(kPkgErrIllegalState);
    m_updateRecord->header.crc32 = crc;
    m_updateRecord->updateSizes(uncompressed, compressed);
  } else {
    m_tempSize = uncompressed;
  }
}

void ZipPkgFile::streamClosed(ZipPkgStream* stream) {
  m_streams.erase(std::remove(m_streams.begin(), m_streams.end(), stream), m_streams.end());
  const bool wasWriting = stream->buffer().isWriting();
  if (stream == m_directStream) {
    m_directStream = nullptr;
    m_openForWrite = false;
    m_targetWrite = false;
    if (m_zipPackage && m_zipPackage->directEntry() == this) m_zipPackage->setDirectEntry(nullptr);
    if (m_zipPackage && m_updateRecord && m_zipPackage->updateTarget()) finishUpdateData();
    return;
  }
  if (wasWriting) m_openForWrite = false;
  if (m_streams.empty() && m_tempFile.exists()) m_tempFile.close();
}

SPRefType<IPkgFile> ZipPkgFile::streamFile() {
  return makeSPRef<IPkgFile>(this);
}

}  // namespace pkg::zip
