#include "pkg/ZpCentralDir.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include "pkg/BasePkgHexStrings.h"
#include "pkg/PackageException.h"
#include "pkg/PkgPropertyMgr.h"
#include "pkg/ZipIO.h"

namespace pkg::zip {

namespace {

constexpr size_t kECDSize = EndCentralDirectory::calcStructSize();
constexpr size_t kLocatorSize = Zip64EndCentralDirectoryLocator::calcStructSize();
constexpr size_t kZip64ECDSize = Zip64EndCentralDirectory::calcStructSize();
constexpr size_t kBlockSize = 4096;
constexpr size_t kBlockOverlap = 3;
constexpr uint64_t kMaxEntries = 0x1FFFFFFF;

const uint8_t kECDSignatureBytes[4] = {0x50, 0x4b, 0x05, 0x06};

bool isSplitDisk(uint16_t disk) {
  return disk != 0 && disk != kZip64Marker16;
}

// What more the reader asks of the file at once when a record runs past
// the bytes read so far.
constexpr size_t kReadAhead = 64 * 1024;

uint16_t lengthAt(const uint8_t* record, size_t field) {
  return getLE16(record + field);
}

constexpr size_t kNameLengthField = 28;
constexpr size_t kExtraLengthField = 30;
constexpr size_t kCommentLengthField = 32;

}  // namespace

class ZpCentralDir::RawRecords : public std::enable_shared_from_this<RawRecords> {
 public:
  std::vector<uint8_t> bytes;
  std::vector<uint64_t> offsets;

  size_t size() const { return offsets.size(); }
  const uint8_t* record(size_t i) const { return bytes.data() + offsets[i]; }
  std::string_view name(size_t i) const {
    const uint8_t* at = record(i);
    return std::string_view(reinterpret_cast<const char*>(at) + CentralDirHeader::calcStructSize(),
                            lengthAt(at, kNameLengthField));
  }
  // The record object at that position: the one made before while anyone
  // still holds it, else a new one. Only records in use are remembered.
  std::shared_ptr<ZpCentralDirEntry> at(size_t i) const {
    auto found = m_live.find(i);
    if (found != m_live.end())
      if (std::shared_ptr<ZpCentralDirEntry> alive = found->second.lock()) return alive;
    auto made = std::make_unique<ZpCentralDirEntry>();
    made->readCDH(record(i), nullptr);
    std::weak_ptr<const RawRecords> owner = weak_from_this();
    std::shared_ptr<ZpCentralDirEntry> entry(made.release(), [owner, i](ZpCentralDirEntry* gone) {
      if (std::shared_ptr<const RawRecords> records = owner.lock()) records->forget(i);
      delete gone;
    });
    m_live[i] = entry;
    return entry;
  }

 private:
  void forget(size_t i) const {
    auto found = m_live.find(i);
    if (found != m_live.end() && found->second.expired()) m_live.erase(found);
  }
  mutable std::unordered_map<size_t, std::weak_ptr<ZpCentralDirEntry>> m_live;
};

size_t ZpCentralDir::RecordList::size() const {
  return m_raw ? m_raw->size() : m_copy.size();
}

std::shared_ptr<ZpCentralDirEntry> ZpCentralDir::RecordList::at(size_t i) const {
  return m_raw ? m_raw->at(i) : m_copy[i];
}

ZpCentralDir::RecordList ZpCentralDir::records() const {
  RecordList list;
  if (m_raw) {
    list.m_raw = m_raw;
  } else {
    list.m_copy = m_entries;
  }
  return list;
}

size_t ZpCentralDir::recordCount() const {
  return m_raw ? m_raw->size() : m_entries.size();
}

const std::vector<std::shared_ptr<ZpCentralDirEntry>>& ZpCentralDir::getEntries() const {
  makeAllRecords();
  return m_entries;
}

void ZpCentralDir::makeAllRecords() const {
  if (!m_raw) return;
  std::shared_ptr<RawRecords> raw = std::move(m_raw);
  m_rawByName.clear();
  m_entries.clear();
  m_entries.reserve(raw->size());
  for (size_t i = 0; i < raw->size(); ++i) m_entries.push_back(raw->at(i));
}

ZpCentralDir::ZpCentralDir(bool reserveRoom) {
  if (reserveRoom) m_entries.reserve(10);
}

ZpCentralDir::~ZpCentralDir() = default;

namespace {

bool markersIn(const EndCentralDirectory& ecd) {
  return ecd.entriesTotal == kZip64Marker16 || ecd.entriesThisDisk == kZip64Marker16 ||
         ecd.centralDirSize == kZip64Marker32 || ecd.centralDirOffset == kZip64Marker32;
}

}  // namespace

bool ZpCentralDir::hasZip64Markers() const {
  return markersIn(m_ecd);
}

bool ZpCentralDir::zip64RecordsBefore(IPkgFSFileCommon& file, uint64_t ecdPosition) {
  if (ecdPosition < kLocatorSize + kZip64ECDSize) return false;
  uint8_t bytes[kLocatorSize];
  file.seek(static_cast<int64_t>(ecdPosition - kLocatorSize), SEEK_SET);
  if (readFully(file, bytes, kLocatorSize) != kLocatorSize) return false;
  Zip64EndCentralDirectoryLocator locator;
  locator.fromBytes(bytes);
  if (locator.signature != kZip64EndCentralDirectoryLocatorSignature) return false;
  if (locator.zip64EndOffset > ecdPosition - kLocatorSize - kZip64ECDSize) return false;
  file.seek(static_cast<int64_t>(locator.zip64EndOffset), SEEK_SET);
  if (readFully(file, bytes, 4) != 4) return false;
  return getLE32(bytes) == kZip64EndCentralDirectorySignature;
}

void ZpCentralDir::readECD(IPkgFSFileCommon& file, PkgPropertyMgr* properties) {
  if (!file.isSeekable()) throw PackageIOException(kPkgErrReadECD);
  int64_t end = file.seek(0, SEEK_END);
  if (end < static_cast<int64_t>(kECDSize)) throw PackageIOException(kPkgErrReadECD);
  const uint64_t fileSize = static_cast<uint64_t>(end);
  m_fileSize = fileSize;

  struct Candidate {
    uint64_t position;
    EndCentralDirectory ecd;
  };
  std::optional<Candidate> accepted;
  std::optional<Candidate> fallback;
  std::optional<Candidate> trailingFallback;
  bool commentPastEnd = false;

  // A record should end the file with its comment, and its directory (or
  // its Zip64 records) should lie right before it. The first record found
  // from the end that does both wins; failing that, one that ends the file;
  // failing that, one with a comment and its directory before it that has
  // bytes behind it. One whose comment runs past the end never counts.
  auto evaluate = [&](uint64_t position, const uint8_t* bytes) {
    EndCentralDirectory ecd;
    ecd.fromBytes(bytes);
    uint64_t recordEnd = position + kECDSize + ecd.commentLength;
    if (recordEnd > fileSize) {
      commentPastEnd = true;
      return;
    }
    bool consistent =
        markersIn(ecd)
            ? zip64RecordsBefore(file, position)
            : static_cast<uint64_t>(ecd.centralDirOffset) + ecd.centralDirSize == position;
    if (recordEnd == fileSize) {
      if (consistent) {
        accepted = Candidate{position, ecd};
      } else if (!fallback) {
        fallback = Candidate{position, ecd};
      }
    } else if (ecd.commentLength > 0 && consistent && !trailingFallback) {
      trailingFallback = Candidate{position, ecd};
    }
  };

  // The common case: no comment, one read of the last 22 bytes.
  uint8_t last[kECDSize];
  file.seek(static_cast<int64_t>(fileSize - kECDSize), SEEK_SET);
  if (readFully(file, last, kECDSize) != kECDSize) throw PackageIOException(kPkgErrReadECD);
  if (std::memcmp(last, kECDSignatureBytes, 4) == 0) evaluate(fileSize - kECDSize, last);

  if (!accepted) {
    // Scan backwards in overlapping blocks, never further than a record
    // with the longest comment can lie.
    const uint64_t windowStart = fileSize > kMaxECDSearch ? fileSize - kMaxECDSearch : 0;
    uint64_t searchedFrom = fileSize - kECDSize;  // positions at or above were looked at
    uint64_t blockEnd = fileSize;
    std::vector<uint8_t> block(kBlockSize);
    while (!accepted && blockEnd > windowStart) {
      uint64_t blockStart =
          blockEnd - windowStart > kBlockSize ? blockEnd - kBlockSize : windowStart;
      size_t length = static_cast<size_t>(blockEnd - blockStart);
      if (length < 4) break;
      file.seek(static_cast<int64_t>(blockStart), SEEK_SET);
      if (readFully(file, block.data(), length) != length) throw PackageIOException(kPkgErrReadECD);
      for (size_t i = length - 4 + 1; i-- > 0 && !accepted;) {
        uint64_t position = blockStart + i;
        if (position >= searchedFrom) continue;
        if (std::memcmp(&block[i], kECDSignatureBytes, 4) != 0) continue;
        searchedFrom = position;
        if (position + kECDSize > fileSize) continue;
        uint8_t bytes[kECDSize];
        if (i + kECDSize <= length) {
          std::memcpy(bytes, &block[i], kECDSize);
        } else {
          file.seek(static_cast<int64_t>(position), SEEK_SET);
          if (readFully(file, bytes, kECDSize) != kECDSize)
            throw PackageIOException(kPkgErrReadECD);
        }
        evaluate(position, bytes);
      }
      if (blockStart == windowStart) break;
      blockEnd = blockStart + kBlockOverlap;
    }
  }

  if (!accepted) accepted = fallback;
  if (!accepted) accepted = trailingFallback;
  if (!accepted) {
    if (commentPastEnd) throw PackageIOException(kPkgErrReadComment);
    throw PackageException(kPkgErrFindECD);
  }

  m_ecd = accepted->ecd;
  m_ecdPosition = accepted->position;
  m_directoryLimit = m_ecdPosition;
  if (isSplitDisk(m_ecd.diskNumber) || isSplitDisk(m_ecd.centralDirDisk)) {
    throw PackageException(kPkgErrSplitZip);
  }

  m_comment.resize(m_ecd.commentLength);
  file.seek(static_cast<int64_t>(m_ecdPosition + kECDSize), SEEK_SET);
  if (readFully(file, m_comment.data(), m_comment.size()) != m_comment.size()) {
    throw PackageIOException(kPkgErrReadComment);
  }
  if (properties) {
    properties->setZipProperty(PkgPropertyMgr::s_packagePath, kZipPropArchiveComment,
                               std::string(m_comment.begin(), m_comment.end()), true);
  }
  m_count = m_ecd.entriesTotal;
  m_cdSize = m_ecd.centralDirSize;
  m_cdOffset = m_ecd.centralDirOffset;
}

void ZpCentralDir::readZip64Data(IPkgFSFileCommon& file) {
  if (!hasZip64Markers()) return;
  if (!file.isSeekable() || m_ecdPosition < kLocatorSize) {
    throw PackageIOException(kPkgErrReadZip64ECDL);
  }
  const uint64_t locatorPosition = m_ecdPosition - kLocatorSize;
  uint8_t bytes[kZip64ECDSize];
  file.seek(static_cast<int64_t>(locatorPosition), SEEK_SET);
  if (readFully(file, bytes, kLocatorSize) != kLocatorSize) {
    throw PackageIOException(kPkgErrReadZip64ECDL);
  }
  m_zip64Locator.fromBytes(bytes);
  if (m_zip64Locator.signature != kZip64EndCentralDirectoryLocatorSignature) {
    throw PackageException(kPkgErrBadZip64ECDLSignature);
  }
  if (m_zip64Locator.zip64EndDisk != 0 || m_zip64Locator.totalDisks > 1) {
    throw PackageException(kPkgErrSplitZip);
  }
  // The record must lie whole before its locator.
  uint64_t offset = m_zip64Locator.zip64EndOffset;
  if (offset > locatorPosition || locatorPosition - offset < kZip64ECDSize) {
    throw PackageIOException(kPkgErrReadZip64ECD);
  }
  file.seek(static_cast<int64_t>(offset), SEEK_SET);
  if (readFully(file, bytes, kZip64ECDSize) != kZip64ECDSize) {
    throw PackageIOException(kPkgErrReadZip64ECD);
  }
  m_zip64Ecd.fromBytes(bytes);
  if (m_zip64Ecd.signature != kZip64EndCentralDirectorySignature) {
    throw PackageException(kPkgErrBadZip64ECDSignature);
  }
  if (m_zip64Ecd.diskNumber != 0 || m_zip64Ecd.centralDirDisk != 0) {
    throw PackageException(kPkgErrSplitZip);
  }
  m_count = m_zip64Ecd.entriesTotal;
  m_cdSize = m_zip64Ecd.centralDirSize;
  m_cdOffset = m_zip64Ecd.centralDirOffset;
  m_directoryLimit = offset;
}

void ZpCentralDir::readCDEntries(IPkgFSFileCommon& file, PkgPropertyMgr* properties,
                                 bool datesWhenAsked) {
  if (m_count >= (uint64_t{1} << 32) || m_count > kMaxEntries) {
    throw PackageIOException(kPkgErrTooManyCDEntries);
  }
  // Check the count against what the directory and the file can hold before
  // making room for it: every record takes at least 46 bytes.
  if (m_cdOffset > m_directoryLimit || m_cdSize > m_directoryLimit - m_cdOffset ||
      m_count > m_cdSize / CentralDirHeader::calcStructSize()) {
    throw PackageIOException(kPkgErrTooManyCDEntries);
  }
  m_raw.reset();
  m_entries.clear();
  m_byName.clear();
  m_rawByName.clear();
  m_indexed = false;
  m_walkedOnce = false;
  if (file.isSeekable()) file.seek(static_cast<int64_t>(m_cdOffset), SEEK_SET);

  // The records' bytes, read as one block (more only for records that run
  // past the size the directory states); a record becomes an object when
  // asked for.
  constexpr size_t kHeader = CentralDirHeader::calcStructSize();
  // No more than the records could take, whatever size the directory
  // claims.
  const uint64_t stated = std::min<uint64_t>(m_cdSize, m_count * (kHeader + 3 * kMaxFieldLength));
  auto raw = std::make_shared<RawRecords>();
  std::vector<uint8_t>& bytes = raw->bytes;
  bytes.reserve(static_cast<size_t>(stated));
  raw->offsets.reserve(static_cast<size_t>(m_count));
  size_t pos = 0;
  const auto ensure = [&](size_t need) {
    while (bytes.size() - pos < need) {
      const size_t rest = stated > bytes.size() ? static_cast<size_t>(stated) - bytes.size() : 0;
      const size_t want = std::max({need - (bytes.size() - pos), rest, kReadAhead});
      const size_t old = bytes.size();
      bytes.resize(old + want);
      const size_t got = readFully(file, bytes.data() + old, want);
      bytes.resize(old + got);
      if (got == 0) return false;
    }
    return true;
  };
  for (uint64_t i = 0; i < m_count; ++i) {
    if (!ensure(kHeader)) throw PackageIOException(kPkgErrShortCDH);
    const uint8_t* at = bytes.data() + pos;
    if (getLE32(at) != kCentralDirHeaderSignature) throw PackageIOException(kPkgErrBadCDHSignature);
    const size_t nameLength = lengthAt(at, kNameLengthField);
    const size_t extraLength = lengthAt(at, kExtraLengthField);
    const size_t commentLength = lengthAt(at, kCommentLengthField);
    if (!ensure(kHeader + nameLength)) throw PackageIOException(kPkgErrReadFileName);
    if (!ensure(kHeader + nameLength + extraLength))
      throw PackageIOException(kPkgErrReadExtraField);
    if (!ensure(kHeader + nameLength + extraLength + commentLength))
      throw PackageIOException(kPkgErrReadComment);
    raw->offsets.push_back(pos);
    // The Macintosh type and creator of the extra field are properties.
    if (properties && extraLength > 0 && nameLength > 0) {
      ZpCentralDirEntry record;
      record.readCDH(bytes.data() + pos, properties);
    }
    pos += kHeader + nameLength + extraLength + commentLength;
  }
  bytes.resize(pos);
  if (file.isSeekable()) file.seek(static_cast<int64_t>(m_cdOffset + pos), SEEK_SET);
  m_raw = std::move(raw);

  // Sorting positions costs little memory beside a table of names, and the
  // answer lets a listing forget the entries it made.
  const RawRecords& records = *m_raw;
  std::vector<uint32_t> order(records.size());
  for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](uint32_t a, uint32_t b) { return records.name(a) < records.name(b); });
  m_uniqueNames = std::adjacent_find(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
                    return records.name(a) == records.name(b);
                  }) == order.end();
  if (!properties || (datesWhenAsked && m_uniqueNames)) return;
  // In file order, so that the last record of a name sets its dates.
  auto* hex = BasePkgHexStrings::getInstance();
  if (!datesWhenAsked) properties->reserve(records.size());
  for (size_t i = 0; i < records.size(); ++i) {
    const std::string name(records.name(i));
    if (name.empty()) continue;
    CentralDirHeader header;
    header.fromBytes(records.record(i));
    properties->setZipProperty(name, kZipPropDOSDate, hex->iToHexString(header.date), true);
    properties->setZipProperty(name, kZipPropDOSTime, hex->iToHexString(header.time), true);
  }
}

void ZpCentralDir::writeCDEntries(IPkgFSFileCommon& file, PkgPropertyMgr* properties) {
  makeAllRecords();
  int64_t start = file.tell();
  for (const auto& entry : m_entries) entry->writeCDH(file, properties);
  m_cdOffset = static_cast<uint64_t>(start);
  // The records may have changed size while being written (properties,
  // Zip64 records); the directory's size is what was written.
  m_cdSize = static_cast<uint64_t>(file.tell() - start);
  m_count = m_entries.size();
}

void ZpCentralDir::writeECD(IPkgFSFileCommon& file, PkgPropertyMgr* properties) {
  std::vector<uint8_t> comment = m_comment;
  if (properties) {
    std::string text =
        properties->getZipProperty(PkgPropertyMgr::s_packagePath, kZipPropArchiveComment);
    comment.assign(text.begin(), text.end());
  }
  if (comment.size() > kMaxFieldLength) throw PackageException(kPkgErrBadArgument);

  bool zip64 =
      m_count >= kZip64Marker16 || m_cdSize >= kZip64Marker32 || m_cdOffset >= kZip64Marker32;
  EndCentralDirectory ecd;
  ecd.entriesThisDisk = m_count >= kZip64Marker16 ? kZip64Marker16 : static_cast<uint16_t>(m_count);
  ecd.entriesTotal = ecd.entriesThisDisk;
  ecd.centralDirSize =
      m_cdSize >= kZip64Marker32 ? kZip64Marker32 : static_cast<uint32_t>(m_cdSize);
  ecd.centralDirOffset =
      m_cdOffset >= kZip64Marker32 ? kZip64Marker32 : static_cast<uint32_t>(m_cdOffset);
  ecd.commentLength = static_cast<uint16_t>(comment.size());

  if (zip64) {
    m_zip64Ecd = Zip64EndCentralDirectory();
    m_zip64Ecd.updateFromECD(ecd);
    m_zip64Ecd.versionNeeded = {45, 0};
    m_zip64Ecd.entriesThisDisk = m_count;
    m_zip64Ecd.entriesTotal = m_count;
    m_zip64Ecd.centralDirSize = m_cdSize;
    m_zip64Ecd.centralDirOffset = m_cdOffset;
    int64_t position = file.tell();
    uint8_t bytes[kZip64ECDSize];
    m_zip64Ecd.toBytes(bytes);
    writeFully(file, bytes, kZip64ECDSize);
    m_zip64Locator = Zip64EndCentralDirectoryLocator();
    m_zip64Locator.zip64EndOffset = static_cast<uint64_t>(position);
    m_zip64Locator.totalDisks = 1;
    m_zip64Locator.toBytes(bytes);
    writeFully(file, bytes, kLocatorSize);
  }
  m_ecd = ecd;
  std::vector<uint8_t> out(kECDSize + comment.size());
  ecd.toBytes(out.data());
  std::copy(comment.begin(), comment.end(), out.begin() + kECDSize);
  writeFully(file, out.data(), out.size());
}

void ZpCentralDir::buildIndex() const {
  makeAllRecords();
  if (m_indexed) return;
  m_byName.reserve(m_entries.size());
  for (const auto& entry : m_entries) m_byName.emplace(entry->getFilename(), entry);
  m_indexed = true;
}

std::shared_ptr<ZpCentralDirEntry> ZpCentralDir::getCDirEntry(const std::string& name) const {
  if (m_raw) {
    const RawRecords& records = *m_raw;
    // A package that is only listed asks once (for its mimetype): the
    // first look-up walks the records rather than index them all.
    if (!m_walkedOnce) {
      m_walkedOnce = true;
      for (size_t i = 0; i < records.size(); ++i)
        if (records.name(i) == name) return records.at(i);
      return nullptr;
    }
    if (m_rawByName.empty()) {
      m_rawByName.reserve(records.size());
      for (size_t i = 0; i < records.size(); ++i)
        m_rawByName.emplace(records.name(i), static_cast<uint32_t>(i));
    }
    auto found = m_rawByName.find(name);
    return found == m_rawByName.end() ? nullptr : records.at(found->second);
  }
  if (!m_indexed && !m_walkedOnce) {
    m_walkedOnce = true;
    for (const auto& entry : m_entries)
      if (entry->getFilename() == name) return entry;
    return nullptr;
  }
  buildIndex();
  auto found = m_byName.find(name);
  return found == m_byName.end() ? nullptr : found->second;
}

void ZpCentralDir::addCDirEntry(std::shared_ptr<ZpCentralDirEntry> entry) {
  if (!entry) return;
  makeAllRecords();
  if (m_indexed) m_byName.emplace(entry->getFilename(), entry);
  m_uniqueNames = false;
  m_cdSize += entry->getSize();
  ++m_count;
  m_entries.push_back(std::move(entry));
}

bool ZpCentralDir::deleteCDirEntry(const std::string& name) {
  buildIndex();
  auto found = m_byName.find(name);
  if (found == m_byName.end()) return false;
  ZpCentralDirEntry* target = found->second.get();
  m_byName.erase(found);
  auto it = std::find_if(m_entries.begin(), m_entries.end(),
                         [target](const auto& e) { return e.get() == target; });
  if (it == m_entries.end()) return false;
  m_entries.erase(it);
  if (m_count > 0) --m_count;
  // A later record of the same name becomes the one found by name.
  for (const auto& entry : m_entries) {
    if (entry->getFilename() == name) {
      m_byName.emplace(name, entry);
      break;
    }
  }
  return true;
}

}  // namespace pkg::zip
