#pragma once

// Fixtures and file helpers for the configuration tests. Host files are kept
// in testdata/config with line-feed line ends and without a byte-order mark;
// Canonical() gives the bytes the program itself writes for such a file
// (UTF-8 mark, carriage returns), so a fixture in the program's own layout
// must come back unchanged from a load and a save.

#include <string>

#include "platform/os/ColonPath.h"
#include "testdata/files/TempDir.h"

namespace configtest {

inline std::string Fixture(const std::string& name) {
  return TempDir::read(std::string(PLEXAR_TESTDATA_DIR) + "/config/" + name);
}

inline std::string Canonical(std::string text) {
  for (char& ch : text)
    if (ch == '\n') ch = '\r';
  return "\xEF\xBB\xBF" + text;
}

inline std::u16string Colon(const std::string& posix) { return platform::posixToColon(posix).value(); }

}  // namespace configtest
