#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Questions about access that are answered without touching the item: no
// probe here creates, opens for writing, moves or deletes anything.

// What decides whether an entry may be deleted from its folder.
struct DeleteFacts {
  uint32_t callerUid = 0;  // the process's effective user id
  uint32_t itemUid = 0;
  bool itemImmutable = false;  // immutable or append-only flag on the item
  uint32_t folderUid = 0;
  bool folderSticky = false;      // the folder's sticky bit
  bool folderAppendOnly = false;  // append-only (or immutable) flag on the folder
  // The kernel's own answer for write and search permission on the folder
  // (mode bits, ACLs, immutable folder, read-only volume).
  bool folderWritable = false;
};

// The rule: write and search permission on the folder, no immutable or
// append-only flag on either, and in a sticky folder the caller must own the
// item or the folder (root always may, flags aside).
bool deletePermitted(const DeleteFacts& facts);

// Whether this process could delete the item at the path (a file, a link or
// an empty folder) from its folder. False when the item does not exist.
bool canDeleteItem(const std::string& path);

// Whether the two paths name one node: b itself (not followed) is a, or the
// item a's final link leads to. Deleting b would then destroy a's content.
bool sameNode(const std::string& a, const std::string& b);

// Whether path is folder itself or lies inside it, links resolved. False
// when either does not exist.
bool liesWithin(const std::string& path, const std::string& folder);

}  // namespace platform
