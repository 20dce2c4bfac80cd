#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Who the process runs as: the effective user id and the names of its
// groups (the supplementary groups and the effective group, in the system's
// order, without repeats; groups without a name are left out).
struct UserIdentity {
  uint32_t effectiveUid = 0;
  // How many group ids the system reported, named or not.
  size_t groupCount = 0;
  std::vector<std::string> groupNames;
};

// From the system, or from PlatformConfig's uid and group overrides where
// they are set. nullopt when the effective user id is unreadable (-1) or
// the groups cannot be read.
[[nodiscard]] std::optional<UserIdentity> currentUserIdentity();

}  // namespace platform
