#include "foundation/FSRefCache.h"

#include <mutex>
#include <optional>
#include <unordered_map>

#include "platform/os/ColonPath.h"
#include "platform/os/MacStatus.h"

namespace {

// Room for the paths of a typical run before the table grows.
constexpr size_t kInitialBuckets = 100;

struct Cache {
  std::mutex mutex;
  std::unordered_map<CString, platform::FSRef, HashCString> entries{kInitialBuckets};
};

Cache& sFSRefCache() {
  static Cache* cache = new Cache;  // lives to the end of the process
  return *cache;
}

// A hit only counts while the reference still names the item at its path.
bool FindInCache(const CString& key, platform::FSRef& ref) {
  Cache& cache = sFSRefCache();
  std::optional<platform::FSRef> found;
  {
    std::lock_guard<std::mutex> lock(cache.mutex);
    auto it = cache.entries.find(key);
    if (it == cache.entries.end()) return false;
    found = it->second;
  }
  if (platform::isRefValid(*found)) {
    ref = *found;
    return true;
  }
  std::lock_guard<std::mutex> lock(cache.mutex);
  auto it = cache.entries.find(key);
  if (it != cache.entries.end() && it->second == *found) cache.entries.erase(it);
  return false;
}

void EraseInCache(const CString& key) {
  Cache& cache = sFSRefCache();
  std::lock_guard<std::mutex> lock(cache.mutex);
  cache.entries.erase(key);
}

void Store(const CString& key, const platform::FSRef& ref) {
  Cache& cache = sFSRefCache();
  std::lock_guard<std::mutex> lock(cache.mutex);
  cache.entries[key] = ref;
}

}  // namespace

bool GetFSRefCached(const CString& path, platform::FSRef& ref, bool* foundInCache, bool refresh) {
  if (refresh) {
    EraseInCache(path);
  } else if (FindInCache(path, ref)) {
    if (foundInCache) *foundInCache = true;
    return true;
  }
  if (foundInCache) *foundInCache = false;
  const auto posix = platform::colonToPosix(
      std::u16string_view(path.Get(), static_cast<size_t>(path.GetLength())));
  if (!posix) return false;
  platform::FSRef resolved;
  if (platform::resolvePath(*posix, resolved) != platform::noErr) return false;
  Store(path, resolved);
  ref = std::move(resolved);
  return true;
}

bool GetFSRefCached(const std::string& posixPath, platform::FSRef& ref) {
  const auto colon = platform::posixToColon(posixPath);
  if (!colon) return false;
  const CString key(colon->c_str(), static_cast<uint32_t>(colon->size()));
  if (FindInCache(key, ref)) return true;
  platform::FSRef resolved;
  if (platform::resolvePath(posixPath, resolved) != platform::noErr) return false;
  Store(key, resolved);
  ref = std::move(resolved);
  return true;
}

void EraseFSRefCache(const CString& path) {
  EraseInCache(path);
}
