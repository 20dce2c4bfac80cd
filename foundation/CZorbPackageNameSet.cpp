#include "foundation/CZorbPackageNameSet.h"

#include <functional>
#include <optional>
#include <string_view>

#include "foundation/CString.h"
#include "platform/os/ColonPath.h"
#include "platform/os/FileRef.h"
#include "platform/os/Utf.h"

namespace {

// Bytes of the unit's character in UTF-8; a surrogate counts half of its
// pair's four.
size_t Utf8Bytes(char16_t unit) {
  if (unit < 0x80) return 1;
  if (unit < 0x800) return 2;
  if (unit >= 0xD800 && unit <= 0xDFFF) return 2;
  return 3;
}

}  // namespace

size_t CZorbPackageNameSet::KeyHash::operator()(const Key& key) const {
  return std::hash<std::string>()(key.name) * 31 + key.parent;
}

CZorbPackageNameSet::CZorbPackageNameSet() : m_isFile{false} {}

std::string CZorbPackageNameSet::KeyOf(std::u16string_view component) {
  // As the file system's look-ups match names: ignoring case and Unicode
  // normalisation.
  if (const std::optional<std::string> utf8 = platform::utf16ToUtf8(component))
    return platform::nameMatchKey(*utf8);
  // Not UTF-16 (a lone surrogate): its units, which no UTF-8 key can equal.
  std::string units(1, '\xFF');
  for (char16_t unit : component) {
    units += static_cast<char>(unit >> 8);
    units += static_cast<char>(unit & 0xFF);
  }
  return units;
}

bool CZorbPackageNameSet::Add(const CString& name, bool isFolder) {
  std::u16string_view text(name.Get() ? name.Get() : u"", static_cast<size_t>(name.GetLength()));
  while (!text.empty() && text.back() == u':') text.remove_suffix(1);
  if (text.empty()) return isFolder;

  uint32_t parent = 0;
  size_t start = 0;
  for (;;) {
    const size_t colon = text.find(u':', start);
    const bool last = colon == std::u16string_view::npos;
    Key key{parent, KeyOf(text.substr(start, last ? std::u16string_view::npos : colon - start))};
    const auto found = m_nodes.find(key);
    if (found == m_nodes.end()) {
      const uint32_t node = static_cast<uint32_t>(m_isFile.size());
      m_isFile.push_back(last && !isFolder);
      m_nodes.emplace(std::move(key), node);
      parent = node;
    } else {
      // A file may be named only once, and nothing may lie below it.
      if (m_isFile[found->second] || (last && !isFolder)) return false;
      parent = found->second;
    }
    if (last) return true;
    start = colon + 1;
  }
}

bool CZorbPackageNameSet::Fits(const CString& name, const CString& folder) {
  const int32_t length = name.GetLength();
  int32_t depth = 1;
  size_t componentUnits = 0;
  size_t componentBytes = 0;
  size_t bytes = 0;
  for (int32_t i = 0; i < length; ++i) {
    const char16_t unit = name.GetAt(i);
    if (unit == u':') {
      if (i + 1 < length && ++depth > kMaxDepth) return false;
      componentUnits = 0;
      componentBytes = 0;
      ++bytes;
      continue;
    }
    bytes += Utf8Bytes(unit);
    componentBytes += Utf8Bytes(unit);
    if (++componentUnits > kMaxComponentBytes || componentBytes > kMaxComponentBytes) return false;
  }
  if (bytes > kMaxPosixPathBytes) return false;
  if (folder.GetLength() == 0) return true;

  if (folder.GetLength() + 1 + length > kMaxColonPath) return false;
  const std::optional<std::string> posix =
      platform::colonToPosix(std::u16string_view(folder.Get(), folder.GetLength()));
  return posix && posix->size() + 1 + bytes <= kMaxPosixPathBytes;
}
