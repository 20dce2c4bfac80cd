#include "package/CZorbZipDirectory.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "foundation/CFile.h"
#include "foundation/CZorbPackageNameSet.h"
#include "platform/os/Catalog.h"
#include "platform/os/Utf.h"

namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint64_t kEndSearch = 22 + 0xFFFF;

uint16_t U16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t U32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint64_t U64(const unsigned char* p) {
  return static_cast<uint64_t>(U32(p)) | (static_cast<uint64_t>(U32(p + 4)) << 32);
}

// Reads exactly n bytes at an absolute position.
bool ReadAt(CFile& file, uint64_t position, void* out, uint32_t n) {
  if (file.Seek(static_cast<int64_t>(position), CFile::kFromStart) !=
      static_cast<int64_t>(position))
    return false;
  return file.Read(out, n) == n;
}

}  // namespace

bool CZorbZipDirectory::Fail(const std::string& reason) {
  m_reason = reason;
  return false;
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

bool CZorbZipDirectory::Read(const char16_t* path, const CZorbPackage::UnpackLimits& limits) {
  m_entries.clear();
  m_expandedBytes = 0;
  m_reason.clear();
  m_dataInflated = false;

  CFile file;
  if (!file.Open(path, 0)) return Fail("cannot be opened");
  const int64_t length = file.GetLength();
  if (length < 22) return Fail("is not a zip archive");

  // The last end record in the tail of the file.
  const uint64_t tailLength = std::min<uint64_t>(static_cast<uint64_t>(length), kEndSearch);
  const uint64_t tailStart = static_cast<uint64_t>(length) - tailLength;
  std::vector<unsigned char> tail(tailLength);
  if (!ReadAt(file, tailStart, tail.data(), static_cast<uint32_t>(tailLength)))
    return Fail("cannot be read");
  int64_t found = -1;
  for (int64_t i = static_cast<int64_t>(tailLength) - 22; i >= 0; --i)
    if (U32(&tail[i]) == kEndSignature) {
      found = i;
      break;
    }
  if (found < 0) return Fail("is not a zip archive");
  const unsigned char* end = &tail[found];
  const uint64_t endPosition = tailStart + static_cast<uint64_t>(found);
  if (U16(end + 4) != 0 || U16(end + 6) != 0) return Fail("is split over several disks");
  uint64_t total = U16(end + 10);
  uint64_t cdSize = U32(end + 12);
  uint64_t cdOffset = U32(end + 16);
  bool zip64 = false;
  uint64_t directoryEnd = endPosition;

  unsigned char locator[20];
  if (endPosition >= 20 && ReadAt(file, endPosition - 20, locator, 20) &&
      U32(locator) == kZip64LocatorSignature) {
    unsigned char record[56];
    const uint64_t recordPosition = U64(locator + 8);
    if (!ReadAt(file, recordPosition, record, 56) || U32(record) != kZip64EndSignature)
      return Fail("has a broken Zip64 end record");
    if (U32(record + 16) != 0 || U32(record + 20) != 0) return Fail("is split over several disks");
    zip64 = true;
    total = U64(record + 32);
    cdSize = U64(record + 40);
    cdOffset = U64(record + 48);
    directoryEnd = recordPosition;
  }
  if (total > limits.maxEntries) return Fail("holds more entries than allowed");

  // The directory lies right before its end record, whatever its recorded
  // offset says (data may precede the archive); else at that offset.
  // Records are read even where the end record counts none: a count of
  // 65536 is 0 in 16 bits, and the tool reads on while records follow.
  uint64_t position = cdOffset;
  unsigned char signature[4];
  if (cdSize <= directoryEnd && ReadAt(file, directoryEnd - cdSize, signature, 4) &&
      U32(signature) == kCentralSignature)
    position = directoryEnd - cdSize;
  else if ((!ReadAt(file, cdOffset, signature, 4) || U32(signature) != kCentralSignature) &&
           total > 0)
    return Fail("has no central directory where its end record says");

  const int64_t shift = static_cast<int64_t>(position) - static_cast<int64_t>(cdOffset);
  CZorbPackageNameSet names;
  uint64_t count = 0;
  for (;;) {
    unsigned char header[46];
    if (!ReadAt(file, position, header, 4) || U32(header) != kCentralSignature) break;
    if (!ReadAt(file, position, header, 46)) return Fail("is truncated");
    if (++count > limits.maxEntries) return Fail("holds more entries than allowed");
    const uint16_t flags = U16(header + 8);
    const uint16_t method = U16(header + 10);
    uint64_t compressed = U32(header + 20);
    uint64_t size = U32(header + 24);
    uint64_t offset = U32(header + 42);
    const uint32_t nameLength = U16(header + 28);
    const uint32_t extraLength = U16(header + 30);
    const uint32_t commentLength = U16(header + 32);
    const uint32_t attributes = U32(header + 38);
    std::string name(nameLength, '\0');
    std::vector<unsigned char> extra(extraLength);
    if ((nameLength && !ReadAt(file, position + 46, name.data(), nameLength)) ||
        (extraLength && !ReadAt(file, position + 46 + nameLength, extra.data(), extraLength)))
      return Fail("is truncated");
    position += 46ull + nameLength + extraLength + commentLength;

    if (flags & 1) return Fail("holds an encrypted entry");
    // A link would lead the copies that follow out of the package.
    if (((attributes >> 16) & 0170000) == 0120000) return Fail("holds a symbolic link: " + name);

    std::vector<std::string> spellings{name};
    bool zip64Read = false;
    for (size_t at = 0; at + 4 <= extra.size();) {
      const uint16_t id = U16(&extra[at]);
      const uint16_t fieldLength = U16(&extra[at + 2]);
      const unsigned char* field = &extra[at + 4];
      if (at + 4 + fieldLength > extra.size()) break;
      // The Zip64 field holds, in this order, the values whose 32-bit
      // fields are full.
      if (id == 0x0001 && !zip64Read) {
        zip64Read = true;
        uint32_t used = 0;
        for (uint64_t* value : {&size, &compressed, &offset})
          if (*value == 0xFFFFFFFFu && used + 8 <= fieldLength) {
            *value = U64(field + used);
            used += 8;
          }
      }
      // The tool takes a name from this field over the stored one.
      if (id == 0x7075 && fieldLength >= 5)
        spellings.emplace_back(reinterpret_cast<const char*>(field + 5), fieldLength - 5u);
      at += 4u + fieldLength;
    }

    // A name without the UTF-8 flag is taken in the code page of the system
    // that made it, which only Unix systems keep as it is.
    const uint8_t host = header[5];
    const bool utf8 = (flags & 0x0800) != 0 || spellings.size() > 1 || host == 3 || host == 19;
    if (!utf8 && std::any_of(name.begin(), name.end(), [](char c) { return c & 0x80; }))
      return Fail("holds a name in an unknown encoding: " + name);

    Entry entry;
    entry.name = spellings.back();
    entry.isFolder = !name.empty() && (name.back() == '/' || name.back() == '\\');
    entry.size = entry.isFolder ? 0 : size;
    entry.method = method;
    entry.compressedSize = compressed;
    entry.localOffset = offset;
    // The tool makes a folder without reading its data.
    if (!entry.isFolder && method != 0 && method != 8)
      return Fail("holds an entry compressed in a way that cannot be checked: " + name);
    for (const std::string& spelling : spellings) {
      CString colonName;
      if (!platform::isValidUtf8(spelling) || !ToColonName(spelling, colonName))
        return Fail("holds an unsafe name: " + spelling);
      if (spelling == entry.name && !names.Add(colonName, entry.isFolder))
        return Fail("holds clashing names: " + spelling);
    }
    m_expandedBytes += entry.size;
    if (entry.size > limits.maxExpandedBytes || m_expandedBytes > limits.maxExpandedBytes)
      return Fail("expands to more bytes than allowed");
    m_entries.push_back(std::move(entry));
  }
  // The count must agree with the end record, as the tool checks it.
  if (zip64 ? count != total : (count & 0xFFFF) != total)
    return Fail("has a central directory that disagrees with its end record");

  // What the files can come to when each is held to the largest announced
  // size: a deflated entry gives at most 1032 bytes per byte of data.
  uint64_t largest = 0;
  for (const Entry& entry : m_entries) largest = std::max(largest, entry.size);
  uint64_t most = 0;
  for (const Entry& entry : m_entries) {
    if (entry.isFolder) continue;
    uint64_t bound = entry.compressedSize;
    if (entry.method != 0)
      bound = bound > (UINT64_MAX - 1032) / 1032 ? UINT64_MAX : bound * 1032 + 1032;
    most += std::min(largest, bound);
    if (most > limits.maxExpandedBytes) break;
  }
  m_dataInflated = most > limits.maxExpandedBytes;
  for (const Entry& entry : m_entries)
    if (!entry.isFolder && !CheckData(file, length, entry, shift, m_dataInflated)) return false;
  return true;
}

bool CZorbZipDirectory::CheckData(CFile& file, int64_t length, const Entry& entry, int64_t shift,
                                  bool inflateData) {
  constexpr uint32_t kLocalSignature = 0x04034b50;
  const int64_t local = static_cast<int64_t>(entry.localOffset) + shift;
  unsigned char header[30];
  if (entry.localOffset > static_cast<uint64_t>(length) || local < 0 ||
      !ReadAt(file, static_cast<uint64_t>(local), header, 30) || U32(header) != kLocalSignature)
    return Fail("has no local header where its directory says: " + entry.name);
  const uint16_t flags = U16(header + 6);
  uint64_t compressed = U32(header + 18);
  uint64_t size = U32(header + 22);
  const uint32_t nameLength = U16(header + 26);
  const uint32_t extraLength = U16(header + 28);
  if (U16(header + 8) != entry.method)
    return Fail("has a local header that disagrees with its directory: " + entry.name);
  // Without a data descriptor the tool takes the sizes of the local header.
  if (!(flags & 8)) {
    if (compressed == 0xFFFFFFFFu || size == 0xFFFFFFFFu) {
      std::vector<unsigned char> extra(extraLength);
      if (extraLength &&
          !ReadAt(file, static_cast<uint64_t>(local) + 30 + nameLength, extra.data(), extraLength))
        return Fail("is truncated");
      for (size_t at = 0; at + 4 <= extra.size();) {
        const uint16_t fieldLength = U16(&extra[at + 2]);
        if (at + 4 + fieldLength > extra.size()) break;
        if (U16(&extra[at]) == 0x0001 && fieldLength >= 16) {
          size = U64(&extra[at + 4]);
          compressed = U64(&extra[at + 12]);
          break;
        }
        at += 4u + fieldLength;
      }
    }
    if (compressed != entry.compressedSize || size != entry.size)
      return Fail("has a local header that disagrees with its directory: " + entry.name);
  }
  const uint64_t start = static_cast<uint64_t>(local) + 30 + nameLength + extraLength;
  if (start > static_cast<uint64_t>(length) ||
      entry.compressedSize > static_cast<uint64_t>(length) - start)
    return Fail("is truncated");
  if (entry.method == 0) {
    if (entry.compressedSize != entry.size)
      return Fail("holds an entry of another size than it says: " + entry.name);
    return true;
  }
  if (!inflateData || (entry.size == 0 && entry.compressedSize == 0)) return true;

  // Inflates to nowhere, stopping as soon as the data gives more than the
  // entry says it holds.
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return Fail("cannot be checked");
  m_buffer.resize(128 * 1024);
  unsigned char* const in = m_buffer.data();
  unsigned char* const out = in + 64 * 1024;
  constexpr uint32_t kHalf = 64 * 1024;
  uint64_t remaining = entry.compressedSize;
  uint64_t produced = 0;
  int status = Z_OK;
  bool ok =
      file.Seek(static_cast<int64_t>(start), CFile::kFromStart) == static_cast<int64_t>(start);
  while (ok && status == Z_OK) {
    if (stream.avail_in == 0) {
      if (remaining == 0) break;
      const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(remaining, kHalf));
      if (file.Read(in, n) != n) {
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
