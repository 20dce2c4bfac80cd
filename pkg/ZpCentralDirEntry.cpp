#include "pkg/ZpCentralDirEntry.h"

#include <cstdint>
#include <cstdio>

#include "pkg/BasePkgHexStrings.h"
#include "pkg/PackageException.h"
#include "pkg/PkgPropertyMgr.h"
#include "pkg/ZipIO.h"
#include "pkg/ZpLocalFileEntry.h"

namespace pkg::zip {

namespace {

constexpr uint8_t kVersion20 = 20;
constexpr uint8_t kVersion45 = 45;
constexpr uint8_t kHostByte = 63;

uint32_t clamp32(uint64_t value) {
  return value >= kZip64Marker32 ? kZip64Marker32 : static_cast<uint32_t>(value);
}

void appendZip64Record(std::vector<uint8_t>& out, const uint64_t* values, size_t count) {
  size_t start = out.size();
  out.resize(start + 4 + 8 * count);
  ExtraDataHeader{kZip64ExtraId, static_cast<uint16_t>(8 * count)}.toBytes(&out[start]);
  for (size_t i = 0; i < count; ++i) putLE64(&out[start + 4 + 8 * i], values[i]);
}

void append2705Record(std::vector<uint8_t>& out, const FileTypeAndCreator_2705& value) {
  size_t start = out.size();
  out.resize(start + ExtraData_2705::calcStructSize());
  ExtraData_2705(value).toBytes(&out[start]);
}

}  // namespace

bool macTypeCreatorOf(PkgPropertyMgr* properties, const std::string& name,
                      FileTypeAndCreator_2705& out) {
  if (!properties || name.empty()) return false;
  std::string text = properties->getZipProperty(name, kZipPropMacTypeCreator);
  if (text.empty()) return false;
  uint8_t bytes[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  uint32_t count = sizeof(bytes);
  BasePkgHexStrings::getInstance()->decodeHexString(text, bytes, count);
  for (int i = 0; i < 4; ++i) {
    out.fileType[i] = bytes[i];
    out.creator[i] = bytes[4 + i];
  }
  return true;
}

void applyDateTimeProperties(PkgPropertyMgr* properties, const std::string& name, uint16_t& date,
                             uint16_t& time) {
  if (!properties || name.empty()) return;
  auto* hex = BasePkgHexStrings::getInstance();
  std::string text = properties->getZipProperty(name, kZipPropDOSDate);
  if (!text.empty()) hex->hexStringToI(text, date);
  text = properties->getZipProperty(name, kZipPropDOSTime);
  if (!text.empty()) hex->hexStringToI(text, time);
}

ZpCentralDirEntry::ZpCentralDirEntry() {
  header.versionMadeBy = {kVersion20, kHostByte};
  header.versionNeeded = {kVersion20, 0};
}

ZpCentralDirEntry::ZpCentralDirEntry(const ZpCentralDirEntry&) = default;
ZpCentralDirEntry& ZpCentralDirEntry::operator=(const ZpCentralDirEntry&) = default;
ZpCentralDirEntry::~ZpCentralDirEntry() = default;

void ZpCentralDirEntry::readCDH(IPkgFSFileCommon& file, PkgPropertyMgr* properties) {
  uint8_t bytes[CentralDirHeader::calcStructSize()];
  if (readFully(file, bytes, sizeof(bytes)) != sizeof(bytes)) {
    throw PackageIOException(kPkgErrShortCDH);
  }
  header.fromBytes(bytes);
  if (header.signature != kCentralDirHeaderSignature) {
    throw PackageIOException(kPkgErrBadCDHSignature);
  }
  m_name.assign(header.fileNameLength, '\0');
  if (readFully(file, m_name.data(), m_name.size()) != m_name.size()) {
    throw PackageIOException(kPkgErrReadFileName);
  }
  extra.resize(header.extraFieldLength);
  if (readFully(file, extra.data(), extra.size()) != extra.size()) {
    throw PackageIOException(kPkgErrReadExtraField);
  }
  comment.resize(header.fileCommentLength);
  if (readFully(file, comment.data(), comment.size()) != comment.size()) {
    throw PackageIOException(kPkgErrReadComment);
  }
  resolveExtra(properties);
}

void ZpCentralDirEntry::readCDH(const uint8_t* bytes, PkgPropertyMgr* properties) {
  header.fromBytes(bytes);
  if (header.signature != kCentralDirHeaderSignature) {
    throw PackageIOException(kPkgErrBadCDHSignature);
  }
  const uint8_t* at = bytes + CentralDirHeader::calcStructSize();
  m_name.assign(reinterpret_cast<const char*>(at), header.fileNameLength);
  at += header.fileNameLength;
  extra.assign(at, at + header.extraFieldLength);
  at += header.extraFieldLength;
  comment.assign(at, at + header.fileCommentLength);
  resolveExtra(properties);
}

void ZpCentralDirEntry::resolveExtra(PkgPropertyMgr* properties) {
  uncompressedSize = header.uncompressedSize;
  compressedSize = header.compressedSize;
  localHeaderOffset = header.localHeaderOffset;

  bool zip64Done = false;
  ExtraFieldWalker walker(extra.data(), extra.size());
  ExtraRecord record;
  while (walker.next(record)) {
    if (record.id == kZip64ExtraId && !zip64Done) {
      zip64Done = true;
      size_t pos = 0;
      auto take = [&](uint64_t& value) {
        if (record.dataSize - pos < 8) return;
        value = getLE64(record.data + pos);
        pos += 8;
      };
      if (header.uncompressedSize == kZip64Marker32) take(uncompressedSize);
      if (header.compressedSize == kZip64Marker32) take(compressedSize);
      if (header.localHeaderOffset == kZip64Marker32) take(localHeaderOffset);
    } else if (record.id == kMacExtraId && properties && !m_name.empty()) {
      FileTypeAndCreator_2705 value;
      if (ExtraData_2705::parse(record.data, record.dataSize, value)) {
        std::string text = BasePkgHexStrings::getInstance()->encodeHexString(&value, 8);
        properties->setZipProperty(m_name, kZipPropMacTypeCreator, text, true);
      }
    }
  }
}

std::vector<uint8_t> ZpCentralDirEntry::buildExtraForWrite(PkgPropertyMgr* properties) const {
  // The values that do not fit their 32-bit fields, in the record's order.
  uint64_t big[3];
  size_t bigCount = 0;
  if (uncompressedSize >= kZip64Marker32) big[bigCount++] = uncompressedSize;
  if (compressedSize >= kZip64Marker32) big[bigCount++] = compressedSize;
  if (localHeaderOffset >= kZip64Marker32) big[bigCount++] = localHeaderOffset;

  FileTypeAndCreator_2705 mac;
  bool haveMac = macTypeCreatorOf(properties, m_name, mac);

  std::vector<uint8_t> out;
  out.reserve(extra.size() + 32);
  bool zip64Written = false;
  bool macWritten = false;
  ExtraFieldWalker walker(extra.data(), extra.size());
  ExtraRecord record;
  while (walker.next(record)) {
    if (record.id == kZip64ExtraId) {
      // Written only when needed, and then exactly as the header needs it.
      if (bigCount > 0 && !zip64Written) appendZip64Record(out, big, bigCount);
      zip64Written = true;
    } else if (record.id == kMacExtraId && properties) {
      if (haveMac && !macWritten) append2705Record(out, mac);
      macWritten = true;
    } else {
      const uint8_t* start = extra.data() + record.offset;
      out.insert(out.end(), start, start + 4 + record.dataSize);
    }
  }
  if (bigCount > 0 && !zip64Written) appendZip64Record(out, big, bigCount);
  if (haveMac && !macWritten) append2705Record(out, mac);
  return out;
}

void ZpCentralDirEntry::writeCDH(IPkgFSFileCommon& file, PkgPropertyMgr* properties) {
  if (m_name.size() > kMaxFieldLength || comment.size() > kMaxFieldLength) {
    throw PackageException(kPkgErrBadArgument);
  }
  applyDateTimeProperties(properties, m_name, header.date, header.time);
  std::vector<uint8_t> written = buildExtraForWrite(properties);
  if (written.size() > kMaxFieldLength) throw PackageException(kPkgErrBadArgument);
  extra.swap(written);

  header.signature = kCentralDirHeaderSignature;
  header.uncompressedSize = clamp32(uncompressedSize);
  header.compressedSize = clamp32(compressedSize);
  header.localHeaderOffset = clamp32(localHeaderOffset);
  header.fileNameLength = static_cast<uint16_t>(m_name.size());
  header.extraFieldLength = static_cast<uint16_t>(extra.size());
  header.fileCommentLength = static_cast<uint16_t>(comment.size());

  std::vector<uint8_t> out(CentralDirHeader::calcStructSize() + m_name.size() + extra.size() +
                           comment.size());
  header.toBytes(out.data());
  size_t pos = CentralDirHeader::calcStructSize();
  std::copy(m_name.begin(), m_name.end(), out.begin() + static_cast<std::ptrdiff_t>(pos));
  pos += m_name.size();
  std::copy(extra.begin(), extra.end(), out.begin() + static_cast<std::ptrdiff_t>(pos));
  pos += extra.size();
  std::copy(comment.begin(), comment.end(), out.begin() + static_cast<std::ptrdiff_t>(pos));
  writeFully(file, out.data(), out.size());
}

std::unique_ptr<ZpLocalFileEntry> ZpCentralDirEntry::createLocalEntry(bool useDataDescriptor,
                                                                      PkgPropertyMgr* properties) {
  auto local = std::make_unique<ZpLocalFileEntry>();
  local->name = m_name;
  local->zip64 = uncompressedSize >= kZip64Marker32 || compressedSize >= kZip64Marker32;
  local->uncompressedSize64 = uncompressedSize;
  local->compressedSize64 = compressedSize;
  if (local->zip64) {
    Zip64LocalExtendedInfo info;
    info.uncompressedSize = uncompressedSize;
    info.compressedSize = compressedSize;
    local->extra.resize(Zip64LocalExtendedInfo::calcStructSize());
    info.toBytes(local->extra.data());
    local->zip64ExtraPos = 0;
  }
  FileTypeAndCreator_2705 mac;
  if (macTypeCreatorOf(properties, m_name, mac)) append2705Record(local->extra, mac);

  if (useDataDescriptor) header.flags |= kFlagDataDescriptor;
  local->header = LocalFileHeader(header);
  local->header.fileNameLength = static_cast<uint16_t>(m_name.size());
  local->header.extraFieldLength = static_cast<uint16_t>(local->extra.size());
  if (local->zip64) {
    // With a Zip64 record both 32-bit sizes hold the marker.
    local->header.uncompressedSize = kZip64Marker32;
    local->header.compressedSize = kZip64Marker32;
  }
  return local;
}

std::unique_ptr<ZpLocalFileEntry> ZpCentralDirEntry::fetchLocalEntry(IPkgFSFileCommon& file) const {
  if (file.isSeekable()) {
    if (localHeaderOffset > static_cast<uint64_t>(INT64_MAX)) {
      throw PackageIOException(kPkgErrShortCDH);
    }
    file.seek(static_cast<int64_t>(localHeaderOffset), SEEK_SET);
  }
  auto local = std::make_unique<ZpLocalFileEntry>();
  local->readLFH(file);
  return local;
}

uint64_t ZpCentralDirEntry::getSize() const {
  return CentralDirHeader::calcStructSize() + m_name.size() + extra.size() + comment.size();
}

void ZpCentralDirEntry::setFilename(const std::string& name) {
  if (name.size() >= 65536) throw PackageException(kPkgErrBadArgument);
  m_name = name;
  header.fileNameLength = static_cast<uint16_t>(name.size());
}

void ZpCentralDirEntry::updateSizes(uint64_t uncompressed, uint64_t compressed) {
  if (uncompressed == 0 && compressed == 0) header.method = stored;
  uncompressedSize = uncompressed;
  compressedSize = compressed;

  uint64_t big[3];
  size_t bigCount = 0;
  if (uncompressed >= kZip64Marker32) big[bigCount++] = uncompressed;
  if (compressed >= kZip64Marker32) big[bigCount++] = compressed;
  if (localHeaderOffset >= kZip64Marker32) big[bigCount++] = localHeaderOffset;

  // Any earlier Zip64 record gives way to the new one.
  std::vector<uint8_t> kept;
  ExtraFieldWalker walker(extra.data(), extra.size());
  ExtraRecord record;
  while (walker.next(record)) {
    if (record.id == kZip64ExtraId) continue;
    const uint8_t* start = extra.data() + record.offset;
    kept.insert(kept.end(), start, start + 4 + record.dataSize);
  }
  if (bigCount > 0) appendZip64Record(kept, big, bigCount);
  extra.swap(kept);
  header.extraFieldLength = static_cast<uint16_t>(extra.size());

  header.uncompressedSize = clamp32(uncompressed);
  header.compressedSize = clamp32(compressed);
  header.localHeaderOffset = clamp32(localHeaderOffset);
  uint8_t version = bigCount > 0 ? kVersion45 : kVersion20;
  header.versionMadeBy.format = version;
  header.versionNeeded.format = version;
}

void ZpCentralDirEntry::setLocalHeaderOffset(uint64_t offset) {
  localHeaderOffset = offset;
  header.localHeaderOffset = clamp32(offset);
}

bool ZpCentralDirEntry::isEncrypted() const {
  return (header.flags & (kFlagEncrypted | kFlagStrongEncryption)) != 0;
}

}  // namespace pkg::zip
