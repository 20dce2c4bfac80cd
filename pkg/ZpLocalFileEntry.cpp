#include "pkg/ZpLocalFileEntry.h"

#include <cstdio>

#include "pkg/PackageException.h"
#include "pkg/PkgPropertyMgr.h"
#include "pkg/ZipIO.h"
#include "pkg/ZpCentralDirEntry.h"

namespace pkg::zip {

ZpLocalFileEntry::ZpLocalFileEntry() = default;
ZpLocalFileEntry::~ZpLocalFileEntry() = default;

void ZpLocalFileEntry::readLFH(IPkgFSFileCommon& file) {
  uint8_t bytes[LocalFileHeader::calcStructSize()];
  if (readFully(file, bytes, sizeof(bytes)) != sizeof(bytes)) {
    throw PackageIOException(kPkgErrShortCDH);
  }
  header.fromBytes(bytes);
  if (!LocalFileHeader::isSwappedSignature(header.signature)) {
    throw PackageException(kPkgErrBadLFHSignature);
  }
  name.assign(header.fileNameLength, '\0');
  if (readFully(file, name.data(), name.size()) != name.size()) {
    throw PackageIOException(kPkgErrReadFileName);
  }
  extra.resize(header.extraFieldLength);
  if (readFully(file, extra.data(), extra.size()) != extra.size()) {
    throw PackageIOException(kPkgErrReadExtraField);
  }
  zip64 = false;
  zip64ExtraPos = static_cast<size_t>(-1);
  ExtraFieldWalker walker(extra.data(), extra.size());
  ExtraRecord record;
  while (walker.next(record)) {
    if (record.id == kZip64ExtraId && record.dataSize == 16) {
      Zip64LocalExtendedInfo info;
      info.fromBytes(extra.data() + record.offset);
      uncompressedSize64 = info.uncompressedSize;
      compressedSize64 = info.compressedSize;
      zip64 = true;
      zip64ExtraPos = record.offset;
      break;
    }
  }
}

void ZpLocalFileEntry::writeLFH(IPkgFSFileCommon& file, PkgPropertyMgr* properties) {
  if (name.empty() || name.size() > kMaxFieldLength) throw PackageException(kPkgErrBadArgument);
  applyDateTimeProperties(properties, name, header.date, header.time);

  FileTypeAndCreator_2705 mac;
  bool haveMac = macTypeCreatorOf(properties, name, mac);
  std::vector<uint8_t> out;
  out.reserve(extra.size() + 36);
  zip64ExtraPos = static_cast<size_t>(-1);
  bool macWritten = false;
  auto appendZip64 = [&]() {
    zip64ExtraPos = out.size();
    Zip64LocalExtendedInfo info;
    info.uncompressedSize = uncompressedSize64;
    info.compressedSize = compressedSize64;
    out.resize(out.size() + Zip64LocalExtendedInfo::calcStructSize());
    info.toBytes(&out[zip64ExtraPos]);
  };
  auto appendMac = [&]() {
    size_t start = out.size();
    out.resize(start + ExtraData_2705::calcStructSize());
    ExtraData_2705(mac).toBytes(&out[start]);
    macWritten = true;
  };
  ExtraFieldWalker walker(extra.data(), extra.size());
  ExtraRecord record;
  while (walker.next(record)) {
    if (record.id == kZip64ExtraId) {
      if (record.dataSize == 16 && zip64 && zip64ExtraPos == static_cast<size_t>(-1)) appendZip64();
    } else if (record.id == kMacExtraId && properties) {
      if (haveMac && !macWritten) appendMac();
      macWritten = true;
    } else {
      const uint8_t* start = extra.data() + record.offset;
      out.insert(out.end(), start, start + 4 + record.dataSize);
    }
  }
  if (zip64 && zip64ExtraPos == static_cast<size_t>(-1)) appendZip64();
  if (haveMac && !macWritten) appendMac();
  if (out.size() > kMaxFieldLength) throw PackageException(kPkgErrBadArgument);
  extra.swap(out);

  header.signature = kLocalFileHeaderSignature;
  header.fileNameLength = static_cast<uint16_t>(name.size());
  header.extraFieldLength = static_cast<uint16_t>(extra.size());
  if (zip64) {
    header.uncompressedSize = kZip64Marker32;
    header.compressedSize = kZip64Marker32;
  }

  std::vector<uint8_t> bytes(getSize());
  header.toBytes(bytes.data());
  std::copy(name.begin(), name.end(), bytes.begin() + LocalFileHeader::calcStructSize());
  std::copy(
      extra.begin(), extra.end(),
      bytes.begin() + static_cast<std::ptrdiff_t>(LocalFileHeader::calcStructSize() + name.size()));
  headerPosition = file.tell();
  writeFully(file, bytes.data(), bytes.size());
}

void ZpLocalFileEntry::rewriteLFH(IPkgFSFileCommon& file) {
  uint8_t bytes[12];
  putLE16(bytes, header.method);
  file.seek(8, SEEK_CUR);
  writeFully(file, bytes, 2);
  file.seek(4, SEEK_CUR);
  putLE32(bytes, header.crc32);
  putLE32(bytes + 4, header.compressedSize);
  putLE32(bytes + 8, header.uncompressedSize);
  writeFully(file, bytes, 12);
  if (zip64 && zip64ExtraPos != static_cast<size_t>(-1)) {
    file.seek(static_cast<int64_t>(4 + name.size() + zip64ExtraPos + 4), SEEK_CUR);
    uint8_t sizes[16];
    putLE64(sizes, uncompressedSize64);
    putLE64(sizes + 8, compressedSize64);
    writeFully(file, sizes, sizeof(sizes));
  }
}

void ZpLocalFileEntry::writeDD(IPkgFSFileCommon& file) {
  DataDescriptor dd = dataDescriptor.value_or(DataDescriptor());
  uint8_t bytes[24];
  putLE32(bytes, kDataDescriptorSignature);
  putLE32(bytes + 4, dd.crc32);
  size_t size;
  if (zip64) {
    putLE64(bytes + 8, dd.compressedSize);
    putLE64(bytes + 16, dd.uncompressedSize);
    size = 24;
  } else {
    putLE32(bytes + 8, static_cast<uint32_t>(dd.compressedSize));
    putLE32(bytes + 12, static_cast<uint32_t>(dd.uncompressedSize));
    size = 16;
  }
  writeFully(file, bytes, size);
}

uint64_t ZpLocalFileEntry::getUncompressedSize() const {
  return zip64 ? uncompressedSize64 : header.uncompressedSize;
}

uint64_t ZpLocalFileEntry::getCompressedSize() const {
  return zip64 ? compressedSize64 : header.compressedSize;
}

bool ZpLocalFileEntry::updateFromCDEntry(bool checkSizes, const ZpCentralDirEntry& central) {
  uint64_t uncompressed = central.uncompressedSize;
  uint64_t compressed = central.compressedSize;
  if (!zip64 && (uncompressed >= kZip64Marker32 || compressed >= kZip64Marker32)) {
    throw PackageException(kPkgErrFileTooBig);
  }
  bool changed = false;
  if (header.method != central.header.method) {
    // An empty entry is stored whatever it was opened with.
    header.method = central.header.method;
    changed = true;
  }
  if ((header.flags & kFlagDataDescriptor) == 0) {
    if (header.crc32 != central.header.crc32) {
      header.crc32 = central.header.crc32;
      changed = true;
    }
    if (getUncompressedSize() != uncompressed || getCompressedSize() != compressed) {
      if (checkSizes) throw PackageException(kPkgErrAlreadyOpen);
      if (zip64) {
        uncompressedSize64 = uncompressed;
        compressedSize64 = compressed;
      } else {
        header.uncompressedSize = static_cast<uint32_t>(uncompressed);
        header.compressedSize = static_cast<uint32_t>(compressed);
      }
      changed = true;
    }
  } else {
    DataDescriptor dd;
    dd.crc32 = central.header.crc32;
    dd.uncompressedSize = uncompressed;
    dd.compressedSize = compressed;
    dataDescriptor = dd;
    if (zip64) {
      uncompressedSize64 = uncompressed;
      compressedSize64 = compressed;
    }
    changed = true;
  }
  if (zip64 && zip64ExtraPos != static_cast<size_t>(-1) &&
      zip64ExtraPos + Zip64LocalExtendedInfo::calcStructSize() <= extra.size()) {
    putLE64(&extra[zip64ExtraPos + 4], uncompressedSize64);
    putLE64(&extra[zip64ExtraPos + 12], compressedSize64);
  }
  return changed;
}

void ZpLocalFileEntry::finishEntry(IPkgFSFileCommon& file, const ZpCentralDirEntry& central) {
  bool seekable = file.isSeekable();
  bool changed = updateFromCDEntry(!seekable, central);
  if (header.flags & kFlagDataDescriptor) writeDD(file);
  if (changed && seekable) {
    int64_t end = file.tell();
    file.seek(static_cast<int64_t>(central.localHeaderOffset), SEEK_SET);
    rewriteLFH(file);
    file.seek(end, SEEK_SET);
  }
}

uint64_t ZpLocalFileEntry::getSize() const {
  return LocalFileHeader::calcStructSize() + name.size() + extra.size();
}

}  // namespace pkg::zip
