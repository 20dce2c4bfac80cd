#include "platform/os/ResourceMap.h"

#include <memory>

#include "platform/os/Fork.h"
#include "platform/os/MacStatus.h"

namespace platform {

namespace {

// The layout of a resource fork: a header of four 32-bit fields (where the
// data and the map lie, and their lengths); in the map, the offset of the
// type list; in the type list, a count less one, then entries of a type, a
// count less one and the offset of its reference list; references of an id,
// attributes and a 24-bit offset of the data, each data item led by its
// 32-bit length.
constexpr uint64_t kHeaderDataOffset = 0;
constexpr uint64_t kHeaderMapOffset = 4;
constexpr uint64_t kHeaderDataLength = 8;
constexpr uint64_t kHeaderMapLength = 12;
constexpr uint64_t kMapTypeListOffset = 24;
constexpr uint64_t kTypeListCount = 0;
constexpr uint64_t kTypeListFirstEntry = 2;
constexpr uint64_t kTypeEntrySize = 8;
constexpr uint64_t kTypeEntryCount = 4;
constexpr uint64_t kTypeEntryRefList = 6;
constexpr uint64_t kReferenceSize = 12;
constexpr uint64_t kReferenceDataOffset = 5;

// Resource forks hold at most 16 MiB of data by their format.
constexpr int64_t kMaxForkBytes = 32 << 20;

bool get(std::string_view bytes, uint64_t at, int width, uint32_t& value) {
  if (at > bytes.size() || bytes.size() - at < static_cast<uint64_t>(width)) return false;
  value = 0;
  for (int i = 0; i < width; ++i)
    value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<uint64_t>(i)]);
  return true;
}

}  // namespace

int32_t findResource(std::string_view fork, uint32_t type, int16_t id, std::string& data) {
  data.clear();
  if (fork.empty()) return resNotFound;
  uint32_t dataOffset, mapOffset, dataLength, mapLength;
  if (!get(fork, kHeaderDataOffset, 4, dataOffset) || !get(fork, kHeaderMapOffset, 4, mapOffset) ||
      !get(fork, kHeaderDataLength, 4, dataLength) || !get(fork, kHeaderMapLength, 4, mapLength))
    return mapReadErr;
  if (uint64_t{dataOffset} + dataLength > fork.size() ||
      uint64_t{mapOffset} + mapLength > fork.size())
    return mapReadErr;
  std::string_view map = fork.substr(mapOffset, mapLength);
  uint32_t typeListOffset, typeCountLess1;
  if (!get(map, kMapTypeListOffset, 2, typeListOffset) ||
      !get(map, typeListOffset + kTypeListCount, 2, typeCountLess1))
    return mapReadErr;
  // The count is stored less one; 0xFFFF stands for an empty list.
  uint32_t types = (typeCountLess1 + 1) & 0xFFFF;
  for (uint32_t t = 0; t < types; ++t) {
    uint64_t entry = uint64_t{typeListOffset} + kTypeListFirstEntry + uint64_t{t} * kTypeEntrySize;
    uint32_t entryType, countLess1, refListOffset;
    if (!get(map, entry, 4, entryType) || !get(map, entry + kTypeEntryCount, 2, countLess1) ||
        !get(map, entry + kTypeEntryRefList, 2, refListOffset))
      return mapReadErr;
    if (entryType != type) continue;
    for (uint32_t r = 0; r <= countLess1; ++r) {
      uint64_t ref = uint64_t{typeListOffset} + refListOffset + uint64_t{r} * kReferenceSize;
      uint32_t refId, dataAt;
      if (!get(map, ref, 2, refId) || !get(map, ref + kReferenceDataOffset, 3, dataAt))
        return mapReadErr;
      if (static_cast<int16_t>(refId) != id) continue;
      uint32_t length;
      if (dataAt > dataLength || !get(fork.substr(dataOffset, dataLength), dataAt, 4, length))
        return mapReadErr;
      uint64_t start = uint64_t{dataOffset} + dataAt + 4;
      if (start + length > uint64_t{dataOffset} + dataLength) return mapReadErr;
      data.assign(fork.substr(start, length));
      return noErr;
    }
    return resNotFound;
  }
  return resNotFound;
}

int32_t readResource(const FSRef& file, uint32_t type, int16_t id, std::string& data) {
  data.clear();
  std::unique_ptr<Fork> fork;
  int32_t rc = Fork::open(file, Fork::Kind::Resource, false, fork);
  if (rc != noErr) return rc;
  int64_t size = 0;
  rc = fork->getSize(size);
  if (rc != noErr) return rc;
  if (size == 0) return resNotFound;
  if (size > kMaxForkBytes) return mapReadErr;
  std::string bytes(static_cast<size_t>(size), '\0');
  uint32_t got = 0;
  rc = fork->read(bytes.data(), static_cast<uint32_t>(size), got);
  if (got != static_cast<uint32_t>(size)) return rc != noErr ? rc : ioErr;
  return findResource(bytes, type, id, data);
}

}  // namespace platform
