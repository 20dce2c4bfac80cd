#include "platform/os/UserIdentity.h"

#include <grp.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/os/PlatformConfig.h"

namespace platform {

namespace {

// Room for one account record; doubled while the system asks for more, up
// to a size no real record needs.
constexpr size_t kAccountRecordBytes = 16384;
constexpr size_t kLargestAccountRecord = 1u << 22;

std::optional<std::string> groupName(gid_t gid) {
  struct group gr;
  struct group* found = nullptr;
  std::vector<char> buf(kAccountRecordBytes);
  for (;;) {
    int rc = getgrgid_r(gid, &gr, buf.data(), buf.size(), &found);
    if (rc == ERANGE && buf.size() < kLargestAccountRecord) {
      buf.resize(buf.size() * 2);
      continue;
    }
    if (rc != 0 || found == nullptr || found->gr_name == nullptr || *found->gr_name == '\0')
      return std::nullopt;
    return std::string(found->gr_name);
  }
}

}  // namespace

std::optional<UserIdentity> currentUserIdentity() {
  const PlatformConfig& config = PlatformConfig::current();
  UserIdentity id;

  if (config.effectiveUid) {
    id.effectiveUid = *config.effectiveUid;
  } else {
    uid_t uid = geteuid();
    if (uid == static_cast<uid_t>(-1)) return std::nullopt;
    id.effectiveUid = static_cast<uint32_t>(uid);
  }

  if (config.groupNames) {
    id.groupNames = *config.groupNames;
    id.groupCount = id.groupNames.size();
    return id;
  }

  int n = getgroups(0, nullptr);
  if (n < 0) return std::nullopt;
  std::vector<gid_t> gids(static_cast<size_t>(n));
  if (n > 0) {
    n = getgroups(n, gids.data());
    if (n < 0) return std::nullopt;
    gids.resize(static_cast<size_t>(n));
  }
  // Linux may leave the effective group out of the supplementary list (and
  // a process may have none at all); it is one of the user's groups too.
  gid_t egid = getegid();
  if (std::find(gids.begin(), gids.end(), egid) == gids.end()) gids.push_back(egid);

  id.groupCount = gids.size();
  for (gid_t g : gids) {
    if (auto name = groupName(g)) id.groupNames.push_back(*name);
  }
  return id;
}

}  // namespace platform
