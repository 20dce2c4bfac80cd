#pragma once

// Applies a change set to a host's configuration file the way the host
// product does: find the file below the configuration folder, make it when
// the set allows a new file, load it, run the changes (in order to install
// or enable, from the last to the first to remove or disable) with locale
// filtering, stop at the first failure, and save.

#include <string>
#include <vector>

#include "foundation/CString.h"

class CZorbConfigChanges;

namespace configtest {

enum class Operation { Install, Remove, Enable, Disable };

struct ApplyReport {
  bool skipped = false;  // nothing to do (no changes, or no file to undo in)
  int loadResult = 0;
  int saveResult = 0;
  bool saved = false;
  int errors = 0;
  int warnings = 0;
  int firstError = 0;        // the code that stopped the set
  std::vector<int> results;  // every change's result, in the order run
};

// configFolder is a colon path without a trailing colon.
ApplyReport ApplyChangeSet(const CZorbConfigChanges& set, const std::u16string& configFolder,
                           Operation operation, const CString& locale = CString());

}  // namespace configtest
