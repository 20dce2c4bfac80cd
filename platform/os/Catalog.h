#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/FileRef.h"

namespace platform {

// The owner-write bit: a file without it is locked.
constexpr mode_t kModeOwnerWrite = 0200;

// Catalog services over POSIX: Finder info, node flags, creating, deleting,
// moving and listing items, with resource-fork sidecars carried along.
// Every change goes through the current IFileSystem. Results are statuses
// (noErr or a negative code of MacStatus.h).

// Finder info: 32 bytes in an extended attribute; absent means all zero.
// Bytes 0-3 file type, 4-7 creator, 8-9 Finder flags, all big-endian.
inline constexpr const char* kFinderInfoXattr = "user.plexar.finderinfo";
inline constexpr size_t kFinderInfoSize = 32;
inline constexpr uint16_t kFinderFlagInited = 0x0100;
// The file type of text files.
inline constexpr uint32_t kTextFileType = 0x54455854;  // 'TEXT'

[[nodiscard]] int32_t readFinderInfo(const std::string& path, uint8_t info[kFinderInfoSize]);
// All-zero info removes the attribute.
[[nodiscard]] int32_t writeFinderInfo(const std::string& path, const uint8_t info[kFinderInfoSize]);
bool finderInfoIsZero(const uint8_t info[kFinderInfoSize]);
uint32_t finderInfoType(const uint8_t info[kFinderInfoSize]);
uint32_t finderInfoCreator(const uint8_t info[kFinderInfoSize]);
uint16_t finderInfoFlags(const uint8_t info[kFinderInfoSize]);
void setFinderInfoType(uint8_t info[kFinderInfoSize], uint32_t type);
void setFinderInfoCreator(uint8_t info[kFinderInfoSize], uint32_t creator);
void setFinderInfoFlags(uint8_t info[kFinderInfoSize], uint16_t flags);

// Node flags.
inline constexpr uint16_t kNodeLocked = 0x0001;
inline constexpr uint16_t kNodeIsDirectory = 0x0010;

// What getCatalogInfo reports and setCatalogInfo can change.
enum CatalogFields : uint32_t {
  kCatNodeFlags = 1u << 0,  // the locked flag (owner-write bit clear); the folder bit is read-only
  kCatPermissions = 1u << 1,  // owner, group (set only as root) and mode
  kCatFinderInfo = 1u << 2,
  kCatContentModDate = 1u << 3,
  kCatAccessDate = 1u << 4,
  kCatSettable =
      kCatNodeFlags | kCatPermissions | kCatFinderInfo | kCatContentModDate | kCatAccessDate,
};

struct CatalogInfo {
  uint16_t nodeFlags = 0;
  bool isSymlink = false;        // the reference names a symbolic link
  uint64_t dataLogicalSize = 0;  // 0 for folders
  uint64_t rsrcLogicalSize = 0;
  timespec contentModDate{};
  timespec accessDate{};
  timespec attributeModDate{};
  uid_t uid = 0;
  gid_t gid = 0;
  mode_t mode = 0;  // permission bits only
  uint8_t finderInfo[kFinderInfoSize] = {};
};

// Reads the item as opening it would see it: a symbolic link is followed when
// its target exists (isSymlink still tells). fnfErr for a stale reference.
[[nodiscard]] int32_t getCatalogInfo(const FSRef& ref, CatalogInfo& info);

// Changes the fields named in `which` on the item itself (never through a link).
// With kCatNodeFlags and kCatPermissions together, the locked flag decides
// the owner-write bit of the mode; kCatNodeFlags alone locks by clearing
// every write bit and unlocks by setting the owner's.
[[nodiscard]] int32_t setCatalogInfo(const FSRef& ref, uint32_t which, const CatalogInfo& info);

// Locks (clears every write bit) or unlocks (sets the owner-write bit).
[[nodiscard]] int32_t setLocked(const FSRef& ref, bool locked);

// Creates an empty file; the name must not exist. `finderInfo` may be null.
[[nodiscard]] int32_t createFile(const FSRef& folder, const std::string& name,
                                 const uint8_t* finderInfo, FSRef& created);
[[nodiscard]] int32_t createFolder(const FSRef& folder, const std::string& name, FSRef& created);

// Deletes a file (with its sidecar), a link, or an empty folder. Never
// follows a link. fBsyErr for a folder that is not empty.
[[nodiscard]] int32_t deleteObject(const FSRef& ref);

// Moves and/or renames an item (with its sidecar) to a new path, which must
// not exist. On success `ref` names the item at its new place.
[[nodiscard]] int32_t moveObject(FSRef& ref, const std::string& newPath);

// The items of a folder, sorted by name: no "." or "..", no sidecars, and no
// names that are not valid UTF-8 (the program cannot name those).
struct DirEntry {
  std::string name;
  bool isFolder = false;  // a real folder; a link to one is not
  bool isSymlink = false;
};
// `unnamed`, when given, receives how many names were left out for not being
// valid UTF-8, so a walk that must see everything can tell it did not.
[[nodiscard]] int32_t listFolder(const std::string& folderPath, std::vector<DirEntry>& entries,
                                 size_t* unnamed = nullptr);

// The caller's access to a folder in the classic bits.
inline constexpr uint8_t kNoSeeFolders = 1;
inline constexpr uint8_t kNoSeeFiles = 2;
inline constexpr uint8_t kNoMakeChanges = 4;
[[nodiscard]] int32_t getUserPrivileges(const FSRef& folder, uint8_t& privileges);

// Block size and free blocks of the volume holding the item.
[[nodiscard]] int32_t getVolumeSizes(const FSRef& ref, uint64_t& blockSize, uint64_t& freeBlocks);

bool isValidUtf8(std::string_view text);

// A name the file system can hold as one component: not empty, not "." or
// "..", no "/" and no NUL.
bool isValidItemName(const std::string& name);

}  // namespace platform
