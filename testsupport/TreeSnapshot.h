#pragma once

// What a folder tree holds, item by item, for tests that must leave a tree
// exactly as they found it: each item's path below the root, its kind, its
// size, the SHA-256 of a file's bytes (a link's target for a link) and its
// permission bits. Links are not followed.
//
//   const auto before = testsupport::TreeSnapshot::take(sandbox.root(), {"tmp"});
//   ... run and undo ...
//   EXPECT_TRUE(testsupport::sameTree(before, testsupport::TreeSnapshot::take(...)));

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace testsupport {

struct TreeItem {
  char kind = '?';  // 'f' file, 'd' folder, 'l' link, 'o' anything else
  uint64_t size = 0;
  std::string digest;  // hex SHA-256 of a file, the target of a link
  unsigned mode = 0;   // permission bits (07777)

  bool operator==(const TreeItem& other) const = default;
};

class TreeSnapshot {
 public:
  // The tree below root; an item whose relative path is one of skip, or
  // lies below one, is left out with everything in it. A missing root gives
  // an empty snapshot.
  static TreeSnapshot take(const std::string& root, const std::vector<std::string>& skip = {});

  const std::map<std::string, TreeItem>& items() const { return m_items; }
  bool operator==(const TreeSnapshot& other) const { return m_items == other.m_items; }

  // One line per item that differs, "" when the trees agree.
  std::string diff(const TreeSnapshot& other) const;

 private:
  std::map<std::string, TreeItem> m_items;  // by relative path, "/" between names
};

// Succeeds when the trees agree; else says what differs.
::testing::AssertionResult sameTree(const TreeSnapshot& expected, const TreeSnapshot& actual);

std::ostream& operator<<(std::ostream& out, const TreeItem& item);
void PrintTo(const TreeSnapshot& snapshot, std::ostream* out);

}  // namespace testsupport
