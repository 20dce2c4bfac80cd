#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace platform {

// A reference to an existing item: its path as found on disk plus the device
// and inode it had then. It goes stale when the item at the path is no longer
// that same node (deleted, replaced, or moved away).
struct FSRef {
  std::string path;  // absolute POSIX path, with each name as stored on disk
  dev_t device = 0;
  ino_t inode = 0;

  bool isNull() const { return path.empty(); }
  bool operator==(const FSRef& other) const {
    return device == other.device && inode == other.inode && path == other.path;
  }
};

// Resolves an absolute POSIX path to an existing item. Each component is
// looked up by its exact name first, then by a match that ignores case and
// Unicode normalisation (nameMatchKey; the first such name in sorted order). A final symbolic link
// is not followed: the reference names the link. A path ending in "/" must name a folder (or a link
// to one). Returns noErr, fnfErr for a missing item, or another status.
[[nodiscard]] int32_t resolvePath(const std::string& posixPath, FSRef& ref);

// While one lives on a thread, resolvePath lists a folder once for the names
// it does not find there, instead of at every such look-up, so an operation
// that creates many names in one folder (unpacking, copying a tree) costs
// time linear in their number. A name looked up and not found is remembered
// as the folder's, so once the operation creates it, a look-up that differs
// only in case or normalisation finds it as before. What other processes add to a folder
// meanwhile is found only by its exact name. Scopes may nest; the outermost
// one counts.
class NameLookupScope {
 public:
  NameLookupScope();
  ~NameLookupScope();
  NameLookupScope(const NameLookupScope&) = delete;
  NameLookupScope& operator=(const NameLookupScope&) = delete;

  struct Folders;

 private:
  Folders* m_folders = nullptr;
};

// Makes a reference to the item at exactly this path, with no case matching.
[[nodiscard]] int32_t makeRef(const std::string& posixPath, FSRef& ref);

// What the item at exactly this path is, its final link not followed: one
// look-up, for checks over many items.
struct ItemInfo {
  bool isFolder = false;
  bool isSymlink = false;
  uint64_t size = 0;  // bytes of a file
  uint32_t mode = 0;  // permission bits
};
[[nodiscard]] int32_t getItemInfo(const std::string& posixPath, ItemInfo& info);

// True while the item at ref.path is still the node the reference was made for.
bool isRefValid(const FSRef& ref);

// The last component of the reference's path ("" for the root) and its folder.
std::string refName(const FSRef& ref);
std::string refFolderPath(const FSRef& ref);

// Joins a folder path and a name with one "/".
std::string joinPath(const std::string& folder, const std::string& name);

// A file or fork name as the program passes it: up to 255 UTF-16 units.
inline constexpr uint16_t kMaxNameUnits = 255;
struct HFSUniStr255 {
  uint16_t length = 0;
  char16_t unicode[kMaxNameUnits] = {};
};

// The name as one POSIX component: UTF-8, with "/" (allowed in the
// program's names) stored as ":". False for text that is not valid UTF-16,
// and for names no folder can hold: empty, ".", "..", or with NUL.
[[nodiscard]] bool hfsNameToPosix(const HFSUniStr255& name, std::string& posix);
// The reverse, cut to 255 units; false for text that is not valid UTF-8.
[[nodiscard]] bool posixNameToHfs(const std::string& posix, HFSUniStr255& name);

// Folds a UTF-8 name for comparisons that ignore case.
std::string foldCase(const std::string& name);

// Two names of one folder match when their keys are equal: the UTF-8 name
// case-folded, then in its composed form (NFC). A name that is not UTF-8 is
// its own key.
std::string nameMatchKey(const std::string& name);

}  // namespace platform
