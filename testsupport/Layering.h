#pragma once

// Checks that every quoted include of a library names only folders the
// library may use, so the dependency list stays a picture of the code.

#include <map>
#include <set>
#include <string>
#include <vector>

namespace testsupport {

// For each library folder, the folders it may include directly. A library
// may always include itself; allowed uses are closed transitively.
using LayerRules = std::map<std::string, std::vector<std::string>>;

// The project's own list, in build order.
const LayerRules& projectLayers();

struct LayerViolation {
  std::string file;  // relative to the root
  int line = 0;
  std::string included;
  std::string text() const;
};

// Walks the library folders named in `rules` under `root` and returns every
// quoted include that names a top-level folder the rules do not allow. A
// folder's tests/, fuzz/ and testdata may also use `testFolders`.
std::vector<LayerViolation> checkLayers(const std::string& root, const LayerRules& rules,
                                        const std::set<std::string>& testFolders);

}  // namespace testsupport
