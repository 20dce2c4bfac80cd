#pragma once

#include <string>

namespace platform {

// The target of the symbolic link at path. 0 or an errno.
[[nodiscard]] int readSymbolicLink(const std::string& path, std::string& target);

// Makes `to` a symbolic link with the same target as the link `from`,
// through the current IFileSystem. 0 or an errno.
[[nodiscard]] int copySymbolicLink(const std::string& from, const std::string& to);

}  // namespace platform
