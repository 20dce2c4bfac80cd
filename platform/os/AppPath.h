#pragma once

#include <optional>
#include <string>

namespace platform {

// The folder of the running program's executable, as its real path (links
// resolved) ending in "/"; from /proc/self/exe. nullopt when it cannot be
// read.
[[nodiscard]] std::optional<std::string> executableFolder();

}  // namespace platform
