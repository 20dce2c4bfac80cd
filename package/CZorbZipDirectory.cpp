#include "package/CZorbZipDirectory.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "foundation/CZorbPackageNameSet.h"
#include "pkg/PackageException.h"
#include "pkg/ZipIO.h"
#include "pkg/ZipRecords.h"
#include "pkg/ZpCentralDir.h"
#include "pkg/ZpCentralDirEntry.h"
#include "pkg/ZpLocalFileEntry.h"
#include "platform/os/Utf.h"

namespace {

using pkg::zip::getLE32;

constexpr uint8_t kEndSignature[4] = {0x50, 0x4b, 0x05, 0x06};
constexpr size_t kEndSize = pkg::zip::EndCentralDirectory::calcStructSize();
constexpr size_t kLocatorSize = pkg::zip::Zip64EndCentralDirectoryLocator::calcStructSize();
constexpr size_t kZip64EndSize = pkg::zip::Zip64EndCentralDirectory::calcStructSize();
constexpr uint16_t kUnicodePathExtraId = 0x7075;
// Hosts whose names are taken as they are (Unix, OS X); others are in a
// code page the tool converts.
constexpr uint8_t kHostUnix = 3;
constexpr uint8_t kHostOSX = 19;
constexpr uint16_t kFlagUtf8 = 1u << 11;
constexpr uint32_t kFileTypeMask = 0170000;
constexpr uint32_t kFileTypeLink = 0120000;
// A deflated byte gives at most this many bytes (deflate's best ratio).
constexpr uint64_t kMostInflatedPerByte = 1032;

// Reads exactly n bytes at an absolute position.
bool ReadAt(pkg::IPkgFSFileCommon& file, uint64_t position, void* out, size_t n) {
  if (position > static_cast<uint64_t>(INT64_MAX)) return false;
  file.seek(static_cast<int64_t>(position), SEEK_SET);
  return pkg::zip::readFully(file, out, n) == n;
}

bool IsCentralRecordAt(pkg::IPkgFSFileCommon& file, uint64_t position) {
  uint8_t bytes[4];
  return ReadAt(file, position, bytes, 4) && getLE32(bytes) == pkg::zip::kCentralDirHeaderSignature;
}

// The reason for a failure of the record reader.
std::string ReasonOf(int code) {
  switch (code) {
    case pkg::kPkgErrSplitZip:
      return "is split over several disks";
    case pkg::kPkgErrReadZip64ECDL:
    case pkg::kPkgErrBadZip64ECDLSignature:
    case pkg::kPkgErrReadZip64ECD:
    case pkg::kPkgErrBadZip64ECDSignature:
      return "has a broken Zip64 end record";
    case pkg::kPkgErrReadECD:
    case pkg::kPkgErrFindECD:
      return "is not a zip archive";
    case pkg::kPkgErrBadCDHSignature:
      return "has no central directory where its end record says";
    case pkg::kPkgErrTooManyCDEntries:
      return "has a central directory that disagrees with its end record";
    default:
      return "is truncated or damaged";
  }
}

}  // namespace

bool CZorbZipDirectory::Fail(const std::string& reason) {
  m_reason = reason;
  return false;
}

bool CZorbZipDirectory::Clear() {
  m_entries.clear();
  m_expandedBytes = 0;
  m_length = 0;
  m_reason.clear();
  m_dataInflated = false;
  return true;
}

bool CZorbZipDirectory::ToColonName(const std::string& name, CString& colonName) {
  if (name.empty() || name[0] == '/' || name[0] == '\\') return false;
  std::string text = name;
  if (text.back() == '/') text.pop_back();
  std::u16string out;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != '/' && text[i] != '\\') continue;
    const std::string component = text.substr(start, i - start);
    if (component.empty() || component == "." || component == ".." ||
        component.find('\0') != std::string::npos)
      return false;
    std::optional<std::u16string> converted = platform::utf8ToUtf16(component);
    if (!converted) return false;
    std::u16string& wide = *converted;
    // ":" inside a name is "/" in a colon path.
    std::replace(wide.begin(), wide.end(), u':', u'/');
    if (!out.empty()) out += u':';
    out += wide;
    start = i + 1;
  }
  colonName = CString(out.c_str(), static_cast<uint32_t>(out.size()));
  return true;
}

bool CZorbZipDirectory::Read(pkg::IPkgFSFileCommon& file, const CZorbPackage::UnpackLimits& limits,
                             const CString& folder) {
  Clear();
  pkg::zip::ZpCentralDir directory(false);
  try {
    if (!ReadEnd(file, directory, limits)) return false;
    directory.readCDEntries(file, nullptr);
    if (!CheckDirectoryPlace(file, directory)) return false;
    CZorbPackageNameSet names;
    for (const auto& record : directory.getEntries())
      if (!AddEntry(*record, limits, folder, names)) return false;

    const std::vector<bool> inflate = ToInflate(limits);
    const auto& records = directory.getEntries();
    for (size_t i = 0; i < records.size(); ++i) {
      if (m_entries[i].isFolder) continue;
      if (!CheckData(file, *records[i], m_entries[i], inflate[i])) return false;
      if (inflate[i]) m_dataInflated = true;
    }
  } catch (const pkg::PackageException& error) {
    return Fail(ReasonOf(error.getErrorCode()));
  }
  return true;
}

bool CZorbZipDirectory::ReadEndOnly(pkg::IPkgFSFileCommon& file,
                                    const CZorbPackage::UnpackLimits& limits) {
  Clear();
  pkg::zip::ZpCentralDir directory(false);
  try {
    return ReadEnd(file, directory, limits);
  } catch (const pkg::PackageException& error) {
    return Fail(ReasonOf(error.getErrorCode()));
  }
}

bool CZorbZipDirectory::ReadEnd(pkg::IPkgFSFileCommon& file, pkg::zip::ZpCentralDir& directory,
                                const CZorbPackage::UnpackLimits& limits) {
  directory.readECD(file, nullptr);
  directory.readZip64Data(file);
  m_length = static_cast<uint64_t>(file.seek(0, SEEK_END));
  const uint64_t end = directory.getECDPosition();

  // The tool takes the last end record of the file's tail; the reader may
  // have passed over a later one that did not fit.
  const uint64_t tailStart = end + 4;
  if (m_length >= kEndSize && tailStart <= m_length - kEndSize) {
    std::vector<uint8_t> tail(static_cast<size_t>(m_length - tailStart));
    if (!ReadAt(file, tailStart, tail.data(), tail.size())) return Fail("cannot be read");
    const size_t last = tail.size() - kEndSize + 4;  // positions the tool looks at
    if (std::search(tail.begin(), tail.begin() + static_cast<std::ptrdiff_t>(last),
                    std::begin(kEndSignature),
                    std::end(kEndSignature)) != tail.begin() + static_cast<std::ptrdiff_t>(last))
      return Fail("has more than one end record");
  }

  // The tool reads Zip64 end records wherever a locator stands before the
  // end record; the reader only where the end record marks a field as held
  // there. Where it did not, they must say what the end record says.
  const pkg::zip::EndCentralDirectory& ecd = directory.getECD();
  const bool marked = ecd.entriesTotal == pkg::zip::kZip64Marker16 ||
                      ecd.entriesThisDisk == pkg::zip::kZip64Marker16 ||
                      ecd.centralDirSize == pkg::zip::kZip64Marker32 ||
                      ecd.centralDirOffset == pkg::zip::kZip64Marker32;
  uint8_t bytes[kZip64EndSize];
  if (!marked && end >= kLocatorSize && ReadAt(file, end - kLocatorSize, bytes, kLocatorSize) &&
      getLE32(bytes) == pkg::zip::kZip64EndCentralDirectoryLocatorSignature) {
    pkg::zip::Zip64EndCentralDirectoryLocator locator;
    locator.fromBytes(bytes);
    pkg::zip::Zip64EndCentralDirectory record;
    if (!ReadAt(file, locator.zip64EndOffset, bytes, kZip64EndSize))
      return Fail("has a broken Zip64 end record");
    record.fromBytes(bytes);
    if (record.signature != pkg::zip::kZip64EndCentralDirectorySignature ||
        record.entriesTotal != ecd.entriesTotal || record.centralDirSize != ecd.centralDirSize ||
        record.centralDirOffset != ecd.centralDirOffset)
      return Fail("has Zip64 end records that disagree with its end record");
  }
  if (directory.getCount() > limits.maxEntries) return Fail("holds more entries than allowed");
  return true;
}

bool CZorbZipDirectory::CheckDirectoryPlace(pkg::IPkgFSFileCommon& file,
                                            const pkg::zip::ZpCentralDir& directory) {
  // The records end where the last one read ends; the tool reads on while
  // records follow (a count of 65536 is 0 in 16 bits).
  uint64_t recordsEnd = directory.getCDOffset();
  for (const auto& record : directory.getEntries()) recordsEnd += record->getSize();
  if (IsCentralRecordAt(file, recordsEnd))
    return Fail("has a central directory that disagrees with its end record");

  // The tool looks for the directory right before the end records first
  // (data may precede an archive), then where the end record says.
  uint64_t end = directory.getECDPosition();
  uint8_t bytes[kLocatorSize];
  if (end >= kLocatorSize && ReadAt(file, end - kLocatorSize, bytes, kLocatorSize) &&
      getLE32(bytes) == pkg::zip::kZip64EndCentralDirectoryLocatorSignature) {
    pkg::zip::Zip64EndCentralDirectoryLocator locator;
    locator.fromBytes(bytes);
    end = locator.zip64EndOffset;
  }
  const uint64_t size = directory.getCDSize();
  if (size <= end && end - size != directory.getCDOffset() && IsCentralRecordAt(file, end - size))
    return Fail("has a central directory away from where its end record says");
  if (directory.getCount() > 0 && !IsCentralRecordAt(file, directory.getCDOffset()))
    return Fail("has no central directory where its end record says");
  return true;
}

bool CZorbZipDirectory::AddEntry(const pkg::zip::ZpCentralDirEntry& record,
                                 const CZorbPackage::UnpackLimits& limits, const CString& folder,
                                 CZorbPackageNameSet& names) {
  const pkg::zip::CentralDirHeader& header = record.header;
  const std::string& name = record.getFilename();
  if (header.flags & pkg::zip::kFlagEncrypted) return Fail("holds an encrypted entry");
  // A link would lead the copies that follow out of the package.
  if (((header.externalAttributes >> 16) & kFileTypeMask) == kFileTypeLink)
    return Fail("holds a symbolic link: " + name);

  // The tool takes a name from the Unicode path field over the stored one.
  std::vector<std::string> spellings{name};
  pkg::zip::ExtraFieldWalker walker(record.extra.data(), record.extra.size());
  pkg::zip::ExtraRecord extra;
  while (walker.next(extra))
    if (extra.id == kUnicodePathExtraId && extra.dataSize >= 5)
      spellings.emplace_back(reinterpret_cast<const char*>(extra.data + 5), extra.dataSize - 5);

  // A name without the UTF-8 flag is taken in the code page of the system
  // that made it, which only Unix systems keep as it is.
  const uint8_t host = header.versionMadeBy.host;
  const bool utf8 = (header.flags & kFlagUtf8) != 0 || spellings.size() > 1 || host == kHostUnix ||
                    host == kHostOSX;
  if (!utf8 && std::any_of(name.begin(), name.end(), [](char c) { return c & 0x80; }))
    return Fail("holds a name in an unknown encoding: " + name);

  Entry entry;
  entry.name = spellings.back();
  entry.isFolder = !name.empty() && (name.back() == '/' || name.back() == '\\');
  entry.size = entry.isFolder ? 0 : record.uncompressedSize;
  entry.method = header.method;
  entry.compressedSize = record.compressedSize;
  entry.localOffset = record.localHeaderOffset;
  // The tool makes a folder without reading its data.
  if (!entry.isFolder && entry.method != 0 && entry.method != 8)
    return Fail("holds an entry compressed in a way that cannot be checked: " + name);
  for (const std::string& spelling : spellings) {
    // ToColonName refuses what is not UTF-8.
    CString colonName;
    if (!ToColonName(spelling, colonName)) return Fail("holds an unsafe name: " + spelling);
    if (!CZorbPackageNameSet::Fits(colonName, folder))
      return Fail("holds a name too long or too deep to unpack: " + spelling.substr(0, 200));
    if (spelling == entry.name && !names.Add(colonName, entry.isFolder))
      return Fail("holds clashing names: " + spelling);
  }
  m_expandedBytes += entry.size;
  if (entry.size > limits.maxExpandedBytes || m_expandedBytes > limits.maxExpandedBytes)
    return Fail("expands to more bytes than allowed");
  m_entries.push_back(std::move(entry));
  return true;
}

std::vector<bool> CZorbZipDirectory::ToInflate(const CZorbPackage::UnpackLimits& limits) const {
  std::vector<bool> inflate(m_entries.size(), false);
  uint64_t largest = 0;
  for (const Entry& entry : m_entries) largest = std::max(largest, entry.size);
  // What each file could come to, held to the largest announced size; the
  // stored ones are checked to hold exactly their size.
  std::vector<uint64_t> bounds(m_entries.size(), 0);
  uint64_t most = 0;
  for (size_t i = 0; i < m_entries.size(); ++i) {
    const Entry& entry = m_entries[i];
    if (entry.isFolder) continue;
    uint64_t bound = entry.compressedSize;
    if (entry.method != 0)
      bound = bound > (UINT64_MAX - kMostInflatedPerByte) / kMostInflatedPerByte
                  ? UINT64_MAX
                  : (bound + 1) * kMostInflatedPerByte;
    bounds[i] = std::min(largest, bound);
    most += bounds[i];
  }
  if (most <= limits.maxExpandedBytes) return inflate;
  // An inflated file is known to give exactly its size: inflate those that
  // could hide the most until the rest cannot pass the limit. The sizes
  // alone are within it, so this ends.
  std::vector<size_t> order;
  for (size_t i = 0; i < m_entries.size(); ++i)
    if (bounds[i] > m_entries[i].size) order.push_back(i);
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    const uint64_t hiddenA = bounds[a] - m_entries[a].size;
    const uint64_t hiddenB = bounds[b] - m_entries[b].size;
    return hiddenA != hiddenB ? hiddenA > hiddenB : a < b;
  });
  for (const size_t i : order) {
    if (most <= limits.maxExpandedBytes) break;
    inflate[i] = true;
    most -= bounds[i] - m_entries[i].size;
  }
  return inflate;
}

bool CZorbZipDirectory::CheckData(pkg::IPkgFSFileCommon& file,
                                  const pkg::zip::ZpCentralDirEntry& record, const Entry& entry,
                                  bool inflateData) {
  if (entry.localOffset > m_length)
    return Fail("has no local header where its directory says: " + entry.name);
  std::unique_ptr<pkg::zip::ZpLocalFileEntry> local;
  try {
    local = record.fetchLocalEntry(file);
  } catch (const pkg::PackageException&) {
    return Fail("has no local header where its directory says: " + entry.name);
  }
  const pkg::zip::LocalFileHeader& header = local->header;
  if (header.method != entry.method)
    return Fail("has a local header that disagrees with its directory: " + entry.name);
  // Without a data descriptor the tool takes the sizes and the CRC of the
  // local header.
  if (!(header.flags & pkg::zip::kFlagDataDescriptor) &&
      (local->getCompressedSize() != entry.compressedSize ||
       local->getUncompressedSize() != entry.size || header.crc32 != record.header.crc32))
    return Fail("has a local header that disagrees with its directory: " + entry.name);
  const uint64_t start = entry.localOffset + local->getSize();
  if (start > m_length || entry.compressedSize > m_length - start) return Fail("is truncated");
  if (entry.method == 0) {
    if (entry.compressedSize != entry.size)
      return Fail("holds an entry of another size than it says: " + entry.name);
    return true;
  }
  if (!inflateData || (entry.size == 0 && entry.compressedSize == 0)) return true;
  return Inflates(file, start, entry);
}

// Inflates to nowhere, stopping as soon as the data gives more than the
// entry says it holds.
bool CZorbZipDirectory::Inflates(pkg::IPkgFSFileCommon& file, uint64_t start, const Entry& entry) {
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return Fail("cannot be checked");
  constexpr uint32_t kHalf = 64 * 1024;
  m_buffer.resize(2 * kHalf);
  unsigned char* const in = m_buffer.data();
  unsigned char* const out = in + kHalf;
  uint64_t remaining = entry.compressedSize;
  uint64_t produced = 0;
  int status = Z_OK;
  file.seek(static_cast<int64_t>(start), SEEK_SET);
  bool ok = true;
  while (status == Z_OK) {
    if (stream.avail_in == 0) {
      if (remaining == 0) break;
      const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(remaining, kHalf));
      if (pkg::zip::readFully(file, in, n) != n) {
        ok = false;
        break;
      }
      remaining -= n;
      stream.next_in = in;
      stream.avail_in = n;
    }
    stream.next_out = out;
    stream.avail_out = kHalf;
    status = inflate(&stream, Z_NO_FLUSH);
    produced += kHalf - stream.avail_out;
    if (produced > entry.size) break;
    if (status == Z_BUF_ERROR && stream.avail_in == 0 && remaining > 0) status = Z_OK;
  }
  inflateEnd(&stream);
  if (!ok) return Fail("cannot be read");
  if (status != Z_STREAM_END || produced != entry.size)
    return Fail("holds an entry of another size than it says, or damaged: " + entry.name);
  return true;
}
