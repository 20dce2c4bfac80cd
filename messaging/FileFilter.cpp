#include "messaging/FileFilter.h"

#include <string>
#include <vector>

#include "platform/os/Catalog.h"
#include "platform/os/MacStatus.h"

namespace Velt::ArborTalkUtils {

namespace {

struct Level {
  std::string folder;
  std::vector<platform::DirEntry> entries;
  size_t next = 0;
};

bool list(const std::string& folder, Level& level) {
  level.folder = folder;
  level.next = 0;
  return platform::listFolder(folder, level.entries) == platform::noErr;
}

VtString toVt(const std::string& s) {
  return VtString(s.data(), static_cast<int32_t>(s.size()));
}

}  // namespace

FileFilter::~FileFilter() = default;

bool FileFilter::run(const VtString& folder) {
  // A stack of the open folders rather than recursion: depth costs no
  // stack, and every entry is visited however many a folder holds.
  std::vector<Level> open(1);
  if (!list(std::string(folder.get(), static_cast<size_t>(folder.length())), open.back()))
    return false;
  while (!open.empty()) {
    Level& level = open.back();
    if (level.next == level.entries.size()) {
      open.pop_back();
      continue;
    }
    const platform::DirEntry& entry = level.entries[level.next++];
    const std::string path = level.folder + "/" + entry.name;
    if (!entry.isFolder) {
      if (!onFile(toVt(path))) return false;
      continue;
    }
    if (!onFolder(toVt(path))) return false;
    Level inner;
    if (!list(path, inner)) return false;
    open.push_back(std::move(inner));
  }
  return true;
}

bool FileFilter::onFile(const VtString&) {
  return true;
}

bool FileFilter::onFolder(const VtString&) {
  return true;
}

}  // namespace Velt::ArborTalkUtils
