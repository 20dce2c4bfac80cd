#pragma once

// Helpers of the install-step tests: colon paths of the sandbox, the
// temporary folder's contents, and a work area that is laid out afresh.

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/CString.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbPath.h"
#include "testsupport/SandboxMachine.h"

namespace steptest {

inline CString Colon(const testsupport::SandboxMachine& sandbox, const std::string& relative) {
  return CString(sandbox.colon(relative).c_str());
}

// The temporary folder, relative to the sandbox root.
inline std::string TempRelative(const testsupport::SandboxMachine& sandbox) {
  char16_t temp[kZorbMaxPath + 1];
  CZorbOS::GetTempPath(temp, kZorbMaxPath + 1);
  std::u16string colon(temp);
  const std::u16string volume = sandbox.colon("");
  std::string relative;
  for (char16_t unit : colon.substr(volume.size())) relative += unit == u':' ? '/' : char(unit);
  return relative;
}

// What the temporary folder holds, sorted.
inline std::vector<std::string> TempItems(const testsupport::SandboxMachine& sandbox) {
  return sandbox.list(TempRelative(sandbox));
}

// Removes a tree below the sandbox root, locked items included.
inline void RemoveTree(const testsupport::SandboxMachine& sandbox, const std::string& relative) {
  namespace fs = std::filesystem;
  const fs::path root(sandbox.posix(relative));
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all,
                    fs::perm_options::add | fs::perm_options::nofollow, ec);
  fs::remove_all(root, ec);
}

// Empties the temporary folder.
inline void ClearTemp(const testsupport::SandboxMachine& sandbox) {
  const std::string temp = TempRelative(sandbox);
  for (const std::string& name : sandbox.list(temp)) RemoveTree(sandbox, temp + "/" + name);
}

inline void Lock(const testsupport::SandboxMachine& sandbox, const std::string& relative) {
  std::filesystem::permissions(sandbox.posix(relative), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
}

}  // namespace steptest
