#include "package/CZorbPackageNameSet.h"

#include "foundation/CString.h"

bool CZorbPackageNameSet::Add(const CString& name, bool isFolder) {
  CString lower(name);
  lower.MakeLower();
  std::u16string key(lower.Get(), static_cast<size_t>(lower.GetLength()));
  while (!key.empty() && key.back() == u':') key.pop_back();
  if (m_files.count(key) || (!isFolder && m_folders.count(key))) return false;
  for (size_t at = key.find(u':'); at != std::u16string::npos; at = key.find(u':', at + 1)) {
    std::u16string folder = key.substr(0, at);
    if (m_files.count(folder)) return false;
    m_folders.insert(std::move(folder));
  }
  (isFolder ? m_folders : m_files).insert(std::move(key));
  return true;
}
