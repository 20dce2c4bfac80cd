#include "foundation/CZorbOS.h"

#include <memory>
#include <mutex>

#include "foundation/CZorbFileMap.h"
#include "foundation/CZorbPath.h"

namespace {

std::mutex& fileMapMutex() {
  static std::mutex m;
  return m;
}
// The map, once it has loaded; null until then.
std::unique_ptr<CZorbFileMap>& fileMap() {
  static std::unique_ptr<CZorbFileMap> map;
  return map;
}

// Loads the map when it is not loaded yet. The caller holds the mutex.
bool ensureFileMap() {
  if (fileMap()) return true;
  CZorbPath path;
  if (!CZorbOS::GetApplicationSupportFolder(path)) return false;
  path.Append(u"Vesko:");
  path.SetFileName(u"FileMap.xml");
  auto map = std::make_unique<CZorbFileMap>();
  if (map->Load(path, nullptr) != 0) return false;
  fileMap() = std::move(map);
  return true;
}

}  // namespace

bool CZorbOS::InitializeFileMap() {
  std::lock_guard<std::mutex> lock(fileMapMutex());
  return ensureFileMap();
}

bool CZorbOS::LookupExtension(uint32_t type, uint32_t creator, CString& ext) {
  std::lock_guard<std::mutex> lock(fileMapMutex());
  return ensureFileMap() && fileMap()->Lookup(creator, type, ext);
}

bool CZorbOS::LookupBundleBits(const char16_t* path, uint32_t& type, uint32_t& creator) {
  if (path == nullptr) return false;
  CString text(path);
  int32_t dot = text.ReverseFind(u'.');
  int32_t colon = text.ReverseFind(u':');
  if (dot < 0 || dot < colon) return false;
  std::lock_guard<std::mutex> lock(fileMapMutex());
  if (!ensureFileMap()) return false;
  return fileMap()->Lookup(text.Mid(dot + 1), creator, type) ||
         fileMap()->Lookup(text.Mid(dot), creator, type);
}

void CZorbOS::ResetFileMapForTest() {
  std::lock_guard<std::mutex> lock(fileMapMutex());
  fileMap().reset();
}
