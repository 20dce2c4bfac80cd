#include "config/CZorbTextConfigFile.h"

#include "foundation/CZorbFile.h"

CZorbTextConfigFile::CZorbTextConfigFile() = default;

CZorbTextConfigFile::CZorbTextConfigFile(const CZorbTextConfigFile& other)
    : CZorbConfigFile(other),
      m_content(other.m_content),
      m_path(other.m_path),
      m_loadFailed(other.m_loadFailed) {}

CZorbTextConfigFile::~CZorbTextConfigFile() = default;

CZorbXmlObject* CZorbTextConfigFile::Clone() const {
  return new CZorbTextConfigFile(*this);
}

void CZorbTextConfigFile::Purge() {
  m_content.Empty();
  m_path.Empty();
}

int CZorbTextConfigFile::Load(const char16_t* path, CZorbTypedList<CZorbString>*) {
  Purge();
  m_loadFailed = true;
  if (!path) return -1;
  CZorbFile file(m_encoding);
  if (!file.Open(path, 0)) return -1;
  // A marked file is read, and later written, in the mark's encoding.
  if (file.SetEncodingFromByteOrderMark()) m_encoding = file.GetScriptCode();
  file.ReadFile(m_content);
  file.Close();
  m_path = path;
  m_loadFailed = false;
  return 0;
}

int CZorbTextConfigFile::Save(const char16_t* path) {
  if (!path || m_loadFailed) return -1;
  return DoSave(path, CZorbString(m_content));
}
