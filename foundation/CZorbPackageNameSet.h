#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CString;

// The names of one package, to find the entries that would land on one
// another: the same name twice, or a name used both as a file and as a
// folder. Names are ":"-separated and compared ignoring case and Unicode
// normalisation, as the file systems the packages come from (and the file
// layer's look-ups) compare them. Each folder is kept once, so adding a name
// costs time linear in its length.
//
// Also the limits a name must keep to be unpacked at all: every unpacker
// refuses a name beyond them before it writes anything.
class CZorbPackageNameSet {
 public:
  // The deepest a name may lie below the folder it is unpacked into (its
  // number of components).
  static constexpr int32_t kMaxDepth = 128;
  // The longest component, in bytes of UTF-8 and in UTF-16 units.
  static constexpr size_t kMaxComponentBytes = 255;
  // The longest path the system can open, in bytes, and the longest colon
  // path the program handles, in units.
  static constexpr size_t kMaxPosixPathBytes = 4095;
  static constexpr int32_t kMaxColonPath = 2048;

  CZorbPackageNameSet();

  // False when the name clashes with one added before. A folder may be
  // named more than once.
  bool Add(const CString& name, bool isFolder);

  // Whether a relative name (":"-separated) keeps the limits above; with a
  // folder (a colon path, empty for none), also whether the whole path below
  // that folder does. Only the lengths are checked here, not the names.
  static bool Fits(const CString& name, const CString& folder);

 private:
  struct Key {
    uint32_t parent;
    std::string name;
    bool operator==(const Key& other) const { return parent == other.parent && name == other.name; }
  };
  struct KeyHash {
    size_t operator()(const Key& key) const;
  };
  static std::string KeyOf(std::u16string_view component);

  // Node 0 is the package's root; each other node is one file or folder,
  // found by its parent and the match key of its name.
  std::unordered_map<Key, uint32_t, KeyHash> m_nodes;
  std::vector<bool> m_isFile;
};
