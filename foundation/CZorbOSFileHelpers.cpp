#include "foundation/CZorbOSFileHelpers.h"

#include "foundation/FSRefCache.h"
#include "foundation/Logger.h"
#include "platform/os/Catalog.h"
#include "platform/os/ColonPath.h"
#include "platform/os/MacStatus.h"

namespace zorbos {

CString FromU16(const std::u16string& text) {
  return CString(text.c_str(), static_cast<uint32_t>(text.size()));
}

std::u16string ToU16(const CString& text) {
  return std::u16string(text.Get() ? text.Get() : u"", static_cast<size_t>(text.GetLength()));
}

std::optional<std::string> ColonToPosix(const CString& colon) {
  return platform::colonToPosix(ToU16(colon));
}

CString PosixToColon(const std::string& posix) {
  auto colon = platform::posixToColon(posix);
  return colon ? FromU16(*colon) : CString();
}

bool IsBlank(const char16_t* path) {
  return path == nullptr || *path == 0;
}

bool EndsWithColon(const CString& path) {
  return path.GetLength() > 0 && path.GetAt(path.GetLength() - 1) == u':';
}

CString WithColon(const CString& path) {
  return EndsWithColon(path) ? path : path + u':';
}

CString WithoutColon(const CString& path) {
  return EndsWithColon(path) ? path.Left(path.GetLength() - 1) : path;
}

CString LastComponent(const CString& path) {
  CString p = WithoutColon(path);
  const int32_t colon = p.ReverseFind(u':');
  return colon < 0 ? p : p.Mid(colon + 1);
}

CString ParentOf(const CString& path) {
  CString p = WithoutColon(path);
  const int32_t colon = p.ReverseFind(u':');
  return colon < 0 ? CString() : p.Left(colon);
}

bool ListFolder(const CString& folder, std::vector<FolderItem>& items) {
  items.clear();
  platform::FSRef ref;
  if (!GetFSRefCached(WithColon(folder), ref)) return false;
  std::vector<platform::DirEntry> entries;
  size_t unnamed = 0;
  const int32_t status = platform::listFolder(ref.path, entries, &unnamed);
  for (const auto& entry : entries) {
    platform::HFSUniStr255 name;
    if (!platform::posixNameToHfs(entry.name, name)) {
      ++unnamed;
      continue;
    }
    FolderItem item;
    item.name.Assign(name.unicode, name.length);
    item.isFolder = entry.isFolder;
    item.isSymlink = entry.isSymlink;
    items.push_back(item);
  }
  // Items the program cannot name are not in the list: a walk that copies or
  // checks a tree must not take it for complete.
  return status == platform::noErr && unnamed == 0;
}

void LogDebug(const CString& message, const char* file, int line) {
  Logger::write(Logger::kDebug, ToU16(message), file, line);
}

}  // namespace zorbos
