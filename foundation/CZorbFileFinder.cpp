#include "foundation/CZorbFileFinder.h"

#include <algorithm>

#include "foundation/CString.h"
#include "foundation/FSRefCache.h"
#include "platform/os/FileRef.h"
#include "platform/os/MacStatus.h"
#include "platform/widechar/WideChar.h"

namespace {

// Copies at most kMaxName units and terminates.
void CopyPart(const char16_t* from, size_t length, char16_t* to) {
  const size_t n = std::min<size_t>(length, CZorbFileFinder::kMaxName);
  std::copy(from, from + n, to);
  to[n] = 0;
}

bool IsStar(const char16_t* text) {
  return text[0] == u'*' && text[1] == 0;
}

}  // namespace

CZorbFileFinder::CZorbFileFinder() = default;

CZorbFileFinder::~CZorbFileFinder() {
  Reset();
}

void CZorbFileFinder::Reset() {
  m_entries.clear();
  m_entries.shrink_to_fit();
  m_next = 0;
  m_active = false;
  m_listStatus = 0;
}

bool CZorbFileFinder::FindFirst(const char16_t* pattern) {
  m_error = false;
  Reset();
  m_currentName[0] = 0;
  m_isFolder = false;
  m_patternName[0] = m_patternBase[0] = m_patternExtension[0] = 0;
  m_hasExtension = false;
  if (!pattern) return false;

  // The last component is the pattern, the rest its folder.
  const size_t length = platform::wcslen(pattern);
  const char16_t* colon = platform::wcsrchr(pattern, u':');
  if (!colon) return false;
  const char16_t* name = colon + 1;
  const size_t nameLength = length - static_cast<size_t>(name - pattern);
  CopyPart(name, nameLength, m_patternName);
  const char16_t* dot = platform::wcsrchr(name, u'.');
  if (dot) {
    m_hasExtension = true;
    CopyPart(name, static_cast<size_t>(dot - name), m_patternBase);
    CopyPart(dot + 1, nameLength - static_cast<size_t>(dot + 1 - name), m_patternExtension);
  }

  const CString folderPath(pattern, static_cast<uint32_t>(colon + 1 - pattern));
  platform::FSRef folder;
  if (!GetFSRefCached(folderPath, folder)) return false;

  m_listStatus = platform::listFolder(folder.path, m_entries);
  m_active = true;
  return FindNext();
}

bool CZorbFileFinder::Matches(const char16_t* name) const {
  if (!IsStar(m_patternBase) || !m_hasExtension) {
    if (platform::wcsicmp(name, m_patternName) == 0) return true;
    if (m_hasExtension && IsStar(m_patternExtension)) {
      const char16_t* dot = platform::wcsrchr(name, u'.');
      return dot && static_cast<size_t>(dot - name) == platform::wcslen(m_patternBase) &&
             platform::wcsnicmp(name, m_patternBase, static_cast<size_t>(dot - name)) == 0;
    }
    return false;
  }
  if (IsStar(m_patternExtension)) return true;
  const char16_t* dot = platform::wcsrchr(name, u'.');
  return dot && platform::wcsicmp(dot + 1, m_patternExtension) == 0;
}

bool CZorbFileFinder::FindNext() {
  while (m_active) {
    if (m_next >= m_entries.size()) {
      // A folder that could not be read to its end is reported, not hidden.
      if (m_listStatus != platform::noErr) m_error = true;
      Reset();
      m_currentName[0] = 0;
      m_patternBase[0] = m_patternExtension[0] = 0;
      m_hasExtension = false;
      return false;
    }
    const platform::DirEntry& entry = m_entries[m_next++];
    platform::HFSUniStr255 name;
    if (!platform::posixNameToHfs(entry.name, name)) continue;
    char16_t text[kMaxName + 1];
    std::copy(name.unicode, name.unicode + name.length, text);
    text[name.length] = 0;
    if (!Matches(text)) continue;
    std::copy(text, text + name.length + 1, m_currentName);
    m_isFolder = entry.isFolder;
    return true;
  }
  return false;
}
