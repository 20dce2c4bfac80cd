#pragma once

#include <cstddef>
#include <cstdint>

// The on-disk records of the zip format as the package library handles
// them. Every number is unsigned and little-endian on disk; each record
// converts itself from and to its on-disk bytes with fromBytes/toBytes, so
// the in-memory form never depends on the host's byte order or packing.
namespace pkg::zip {

inline constexpr uint32_t kLocalFileHeaderSignature = 0x04034b50;
inline constexpr uint32_t kCentralDirHeaderSignature = 0x02014b50;
inline constexpr uint32_t kEndCentralDirectorySignature = 0x06054b50;
inline constexpr uint32_t kZip64EndCentralDirectorySignature = 0x06064b50;
inline constexpr uint32_t kZip64EndCentralDirectoryLocatorSignature = 0x07064b50;
inline constexpr uint32_t kDataDescriptorSignature = 0x08074b50;
// "PK" 7 8: the marker at the start of a split archive.
inline constexpr uint32_t kSplitArchiveMarker = 0x08074b50;

inline constexpr uint16_t kZip64ExtraId = 0x0001;
inline constexpr uint16_t kMacExtraId = 0x2705;

// 32-bit fields holding this value (16-bit: 0xFFFF) live in Zip64 records.
inline constexpr uint32_t kZip64Marker32 = 0xFFFFFFFFu;
inline constexpr uint16_t kZip64Marker16 = 0xFFFFu;

// The most a 16-bit length field (a name, an extra field, a comment) holds.
inline constexpr size_t kMaxFieldLength = 0xFFFF;

// General-purpose flag bits.
inline constexpr uint16_t kFlagEncrypted = 1u << 0;
inline constexpr uint16_t kFlagDataDescriptor = 1u << 3;
inline constexpr uint16_t kFlagStrongEncryption = 1u << 6;

// Little-endian access to record bytes.
inline uint16_t getLE16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint32_t getLE32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline uint64_t getLE64(const uint8_t* p) {
  return static_cast<uint64_t>(getLE32(p)) | static_cast<uint64_t>(getLE32(p + 4)) << 32;
}
inline void putLE16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void putLE32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void putLE64(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// The DOS date in the upper 16 bits, the DOS time in the lower 16 bits.
using DOSTime = uint32_t;

// The value used for any date before 1980: month 0, day 21, time 0.
inline constexpr DOSTime kDOSTimeBefore1980 = 0x00150000u;

DOSTime dostime(int year, int month, int day, int hour, int minute, int second);
// The current local time, seconds rounded up to even.
DOSTime getDOSTime();

// A version field: format version and host system, one byte each.
struct ZipVersion {
  uint8_t format = 0;  // the format version times ten, e.g. 20 for 2.0
  uint8_t host = 0;
};

struct CentralDirHeader;

struct LocalFileHeader {
  uint32_t signature = kLocalFileHeaderSignature;
  ZipVersion versionNeeded;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t time = 0;
  uint16_t date = 0;
  uint32_t crc32 = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint16_t fileNameLength = 0;
  uint16_t extraFieldLength = 0;

  LocalFileHeader() = default;
  // Copies version needed, flags, method, time, date, CRC, sizes and the
  // name length; the extra length is 0.
  explicit LocalFileHeader(const CentralDirHeader& central);

  static constexpr size_t calcStructSize() { return 30; }
  void fromBytes(const uint8_t* in);
  void toBytes(uint8_t* out) const;
  void setDateTime(DOSTime value);
  static bool isSwappedSignature(uint32_t value) { return value == kLocalFileHeaderSignature; }
};

struct CentralDirHeader {
  uint32_t signature = kCentralDirHeaderSignature;
  ZipVersion versionMadeBy;
  ZipVersion versionNeeded;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t time = 0;
  uint16_t date = 0;
  uint32_t crc32 = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint16_t fileNameLength = 0;
  uint16_t extraFieldLength = 0;
  uint16_t fileCommentLength = 0;
  uint16_t diskNumberStart = 0;
  uint16_t internalAttributes = 0;
  uint32_t externalAttributes = 0;
  uint32_t localHeaderOffset = 0;

  static constexpr size_t calcStructSize() { return 46; }
  void fromBytes(const uint8_t* in);
  void toBytes(uint8_t* out) const;
  void setDateTime(DOSTime value);
};

struct EndCentralDirectory {
  uint32_t signature = kEndCentralDirectorySignature;
  uint16_t diskNumber = 0;
  uint16_t centralDirDisk = 0;
  uint16_t entriesThisDisk = 0;
  uint16_t entriesTotal = 0;
  uint32_t centralDirSize = 0;
  uint32_t centralDirOffset = 0;
  uint16_t commentLength = 0;

  static constexpr size_t calcStructSize() { return 22; }
  void fromBytes(const uint8_t* in);
  void toBytes(uint8_t* out) const;
};

struct Zip64EndCentralDirectory {
  uint32_t signature = kZip64EndCentralDirectorySignature;
  uint64_t recordSize = 44;  // size of the rest of the record
  ZipVersion versionMadeBy;
  ZipVersion versionNeeded;
  uint32_t diskNumber = 0;
  uint32_t centralDirDisk = 0;
  uint64_t entriesThisDisk = 0;
  uint64_t entriesTotal = 0;
  uint64_t centralDirSize = 0;
  uint64_t centralDirOffset = 0;

  static constexpr size_t calcStructSize() { return 56; }
  void fromBytes(const uint8_t* in);
  void toBytes(uint8_t* out) const;
  // Size 44, made by 4.5 on host 0, needed format byte 0, disks 0, counts,
  // size and offset widened from the end record.
  void updateFromECD(const EndCentralDirectory& ecd);
};

struct Zip64EndCentralDirectoryLocator {
  uint32_t signature = kZip64EndCentralDirectoryLocatorSignature;
  uint32_t zip64EndDisk = 0;
  uint64_t zip64EndOffset = 0;
  uint32_t totalDisks = 0;

  static constexpr size_t calcStructSize() { return 20; }
  void fromBytes(const uint8_t* in);
  void toBytes(uint8_t* out) const;
};

// The header of every extra record: id and data size; the data follows.
struct ExtraDataHeader {
  uint16_t headerId = 0;
  uint16_t dataSize = 0;

  static constexpr size_t calcStructSize() { return 4; }
  void fromBytes(const uint8_t* in);
  void toBytes(uint8_t* out) const;
};

// The central Zip64 record in full; on disk only the fields whose 32-bit
// (16-bit) counterparts hold the marker are present, in this order.
struct Zip64ExtendedInfo {
  ExtraDataHeader header{kZip64ExtraId, 28};
  uint64_t uncompressedSize = 0;
  uint64_t compressedSize = 0;
  uint64_t localHeaderOffset = 0;
  uint32_t diskNumberStart = 0;

  static constexpr size_t calcStructSize() { return 32; }
};

// The local Zip64 record: both sizes, always.
struct Zip64LocalExtendedInfo {
  ExtraDataHeader header{kZip64ExtraId, 16};
  uint64_t uncompressedSize = 0;
  uint64_t compressedSize = 0;

  static constexpr size_t calcStructSize() { return 20; }
  void fromBytes(const uint8_t* in);
  void toBytes(uint8_t* out) const;
};

// Macintosh file type and creator, four characters each in reading order.
struct FileTypeAndCreator_2705 {
  uint8_t fileType[4] = {0, 0, 0, 0};
  uint8_t creator[4] = {0, 0, 0, 0};

  static constexpr size_t calcStructSize() { return 8; }
};

// The 0x2705 record: "ZPIT" and the type and creator.
struct ExtraData_2705 {
  ExtraDataHeader header{kMacExtraId, 12};
  uint8_t tag[4] = {'Z', 'P', 'I', 'T'};
  FileTypeAndCreator_2705 typeAndCreator;

  ExtraData_2705() = default;
  explicit ExtraData_2705(const FileTypeAndCreator_2705& value) : typeAndCreator(value) {}

  static constexpr size_t calcStructSize() { return 16; }
  void toBytes(uint8_t* out) const;
  // True when data (of dataSize bytes, after the record header) holds at
  // least 12 bytes beginning with "ZPIT"; fills out from it.
  static bool parse(const uint8_t* data, size_t dataSize, FileTypeAndCreator_2705& out);
};

// One record of an extra field, as found by ExtraFieldWalker.
struct ExtraRecord {
  uint16_t id = 0;
  size_t offset = 0;    // of the record header within the extra field
  size_t dataSize = 0;  // bytes of data after the 4-byte header
  const uint8_t* data = nullptr;
};

// Walks the records of an extra field. The walk ends at a record whose
// header or data would run past the end of the field.
class ExtraFieldWalker {
 public:
  ExtraFieldWalker(const uint8_t* field, size_t size) : m_field(field), m_size(size) {}
  bool next(ExtraRecord& record);

 private:
  const uint8_t* m_field;
  size_t m_size;
  size_t m_pos = 0;
};

}  // namespace pkg::zip
