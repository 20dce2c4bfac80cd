#include "pkg/ZipRecords.h"

#include <cstring>

namespace pkg::zip {

namespace {

// The local and the central header share their fields from the version
// needed through the extra-field length, in the same order: at offset 4 in
// a local header, at 6 in a central one.
template <class Header>
void readSharedFields(Header& header, const uint8_t* in) {
  header.versionNeeded = {in[0], in[1]};
  header.flags = getLE16(in + 2);
  header.method = getLE16(in + 4);
  header.time = getLE16(in + 6);
  header.date = getLE16(in + 8);
  header.crc32 = getLE32(in + 10);
  header.compressedSize = getLE32(in + 14);
  header.uncompressedSize = getLE32(in + 18);
  header.fileNameLength = getLE16(in + 22);
  header.extraFieldLength = getLE16(in + 24);
}

template <class Header>
void writeSharedFields(const Header& header, uint8_t* out) {
  out[0] = header.versionNeeded.format;
  out[1] = header.versionNeeded.host;
  putLE16(out + 2, header.flags);
  putLE16(out + 4, header.method);
  putLE16(out + 6, header.time);
  putLE16(out + 8, header.date);
  putLE32(out + 10, header.crc32);
  putLE32(out + 14, header.compressedSize);
  putLE32(out + 18, header.uncompressedSize);
  putLE16(out + 22, header.fileNameLength);
  putLE16(out + 24, header.extraFieldLength);
}

template <class Header>
void splitDateTime(Header& header, DOSTime value) {
  header.time = static_cast<uint16_t>(value & 0xFFFF);
  header.date = static_cast<uint16_t>(value >> 16);
}

}  // namespace

DOSTime dostime(int year, int month, int day, int hour, int minute, int second) {
  if (year < 1980) return kDOSTimeBefore1980;
  uint32_t date = static_cast<uint32_t>((year - 1980) * 512 + month * 32 + day) & 0xFFFFu;
  uint32_t time = static_cast<uint32_t>(hour * 2048 + minute * 32 + second / 2) & 0xFFFFu;
  return date << 16 | time;
}

LocalFileHeader::LocalFileHeader(const CentralDirHeader& central)
    : versionNeeded(central.versionNeeded),
      flags(central.flags),
      method(central.method),
      time(central.time),
      date(central.date),
      crc32(central.crc32),
      compressedSize(central.compressedSize),
      uncompressedSize(central.uncompressedSize),
      fileNameLength(central.fileNameLength),
      extraFieldLength(0) {}

void LocalFileHeader::fromBytes(const uint8_t* in) {
  signature = getLE32(in);
  readSharedFields(*this, in + 4);
}

void LocalFileHeader::toBytes(uint8_t* out) const {
  putLE32(out, signature);
  writeSharedFields(*this, out + 4);
}

void LocalFileHeader::setDateTime(DOSTime value) {
  splitDateTime(*this, value);
}

void CentralDirHeader::fromBytes(const uint8_t* in) {
  signature = getLE32(in);
  versionMadeBy = {in[4], in[5]};
  readSharedFields(*this, in + 6);
  fileCommentLength = getLE16(in + 32);
  diskNumberStart = getLE16(in + 34);
  internalAttributes = getLE16(in + 36);
  externalAttributes = getLE32(in + 38);
  localHeaderOffset = getLE32(in + 42);
}

void CentralDirHeader::toBytes(uint8_t* out) const {
  putLE32(out, signature);
  out[4] = versionMadeBy.format;
  out[5] = versionMadeBy.host;
  writeSharedFields(*this, out + 6);
  putLE16(out + 32, fileCommentLength);
  putLE16(out + 34, diskNumberStart);
  putLE16(out + 36, internalAttributes);
  putLE32(out + 38, externalAttributes);
  putLE32(out + 42, localHeaderOffset);
}

void CentralDirHeader::setDateTime(DOSTime value) {
  splitDateTime(*this, value);
}

void EndCentralDirectory::fromBytes(const uint8_t* in) {
  signature = getLE32(in);
  diskNumber = getLE16(in + 4);
  centralDirDisk = getLE16(in + 6);
  entriesThisDisk = getLE16(in + 8);
  entriesTotal = getLE16(in + 10);
  centralDirSize = getLE32(in + 12);
  centralDirOffset = getLE32(in + 16);
  commentLength = getLE16(in + 20);
}

void EndCentralDirectory::toBytes(uint8_t* out) const {
  putLE32(out, signature);
  putLE16(out + 4, diskNumber);
  putLE16(out + 6, centralDirDisk);
  putLE16(out + 8, entriesThisDisk);
  putLE16(out + 10, entriesTotal);
  putLE32(out + 12, centralDirSize);
  putLE32(out + 16, centralDirOffset);
  putLE16(out + 20, commentLength);
}

void Zip64EndCentralDirectory::fromBytes(const uint8_t* in) {
  signature = getLE32(in);
  recordSize = getLE64(in + 4);
  versionMadeBy = {in[12], in[13]};
  versionNeeded = {in[14], in[15]};
  diskNumber = getLE32(in + 16);
  centralDirDisk = getLE32(in + 20);
  entriesThisDisk = getLE64(in + 24);
  entriesTotal = getLE64(in + 32);
  centralDirSize = getLE64(in + 40);
  centralDirOffset = getLE64(in + 48);
}

void Zip64EndCentralDirectory::toBytes(uint8_t* out) const {
  putLE32(out, signature);
  putLE64(out + 4, recordSize);
  out[12] = versionMadeBy.format;
  out[13] = versionMadeBy.host;
  out[14] = versionNeeded.format;
  out[15] = versionNeeded.host;
  putLE32(out + 16, diskNumber);
  putLE32(out + 20, centralDirDisk);
  putLE64(out + 24, entriesThisDisk);
  putLE64(out + 32, entriesTotal);
  putLE64(out + 40, centralDirSize);
  putLE64(out + 48, centralDirOffset);
}

void Zip64EndCentralDirectory::updateFromECD(const EndCentralDirectory& ecd) {
  recordSize = 44;
  versionMadeBy = {45, 0};
  versionNeeded.format = 0;
  diskNumber = 0;
  centralDirDisk = 0;
  entriesThisDisk = ecd.entriesThisDisk;
  entriesTotal = ecd.entriesTotal;
  centralDirSize = ecd.centralDirSize;
  centralDirOffset = ecd.centralDirOffset;
}

void Zip64EndCentralDirectoryLocator::fromBytes(const uint8_t* in) {
  signature = getLE32(in);
  zip64EndDisk = getLE32(in + 4);
  zip64EndOffset = getLE64(in + 8);
  totalDisks = getLE32(in + 16);
}

void Zip64EndCentralDirectoryLocator::toBytes(uint8_t* out) const {
  putLE32(out, signature);
  putLE32(out + 4, zip64EndDisk);
  putLE64(out + 8, zip64EndOffset);
  putLE32(out + 16, totalDisks);
}

void ExtraDataHeader::fromBytes(const uint8_t* in) {
  headerId = getLE16(in);
  dataSize = getLE16(in + 2);
}

void ExtraDataHeader::toBytes(uint8_t* out) const {
  putLE16(out, headerId);
  putLE16(out + 2, dataSize);
}

void Zip64LocalExtendedInfo::fromBytes(const uint8_t* in) {
  header.fromBytes(in);
  uncompressedSize = getLE64(in + 4);
  compressedSize = getLE64(in + 12);
}

void Zip64LocalExtendedInfo::toBytes(uint8_t* out) const {
  header.toBytes(out);
  putLE64(out + 4, uncompressedSize);
  putLE64(out + 12, compressedSize);
}

void ExtraData_2705::toBytes(uint8_t* out) const {
  header.toBytes(out);
  std::memcpy(out + 4, tag, 4);
  std::memcpy(out + 8, typeAndCreator.fileType, 4);
  std::memcpy(out + 12, typeAndCreator.creator, 4);
}

bool ExtraData_2705::parse(const uint8_t* data, size_t dataSize, FileTypeAndCreator_2705& out) {
  if (dataSize < 12 || std::memcmp(data, "ZPIT", 4) != 0) return false;
  std::memcpy(out.fileType, data + 4, 4);
  std::memcpy(out.creator, data + 8, 4);
  return true;
}

bool ExtraFieldWalker::next(ExtraRecord& record) {
  if (!m_field || m_pos + ExtraDataHeader::calcStructSize() > m_size) return false;
  ExtraDataHeader header;
  header.fromBytes(m_field + m_pos);
  size_t dataStart = m_pos + ExtraDataHeader::calcStructSize();
  if (header.dataSize > m_size - dataStart) return false;
  record.id = header.headerId;
  record.offset = m_pos;
  record.dataSize = header.dataSize;
  record.data = m_field + dataStart;
  m_pos = dataStart + header.dataSize;
  return true;
}

}  // namespace pkg::zip
