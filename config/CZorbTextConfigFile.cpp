#include "config/CZorbTextConfigFile.h"

#include "foundation/CZorbFile.h"

CZorbTextConfigFile::CZorbTextConfigFile() = default;

CZorbTextConfigFile::CZorbTextConfigFile(const CZorbTextConfigFile& other)
    : CZorbConfigFile(other),
      m_content(other.m_content),
      m_path(other.m_path),
      m_form(other.m_form),
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
  if (!path || !m_form.Read(path)) return -1;
  // A marked file (even a short one, even one holding the mark alone) is
  // read, and later written, in the mark's encoding.
  if (m_form.m_mark) m_encoding = m_form.m_markEncoding;
  CZorbFile file(m_encoding);
  if (!file.Open(path, 0)) return -1;
  // A read that stops short leaves the content unknown: saving it would
  // replace the host's file with part of it.
  if (file.ReadFile(m_content) == 0 && file.GetPosition() < file.GetLength()) {
    m_content.Empty();
    file.Close();
    return -1;
  }
  file.Close();
  m_path = path;
  m_loadFailed = false;
  return 0;
}

int CZorbTextConfigFile::Save(const char16_t* path) {
  if (!path || m_loadFailed) return -1;
  // The content keeps the file's own line ends; a last line that had none
  // gets none back.
  CString text(m_content);
  m_form.ApplyFinalLineEnd(text);
  return WriteDocument(path, text, m_encoding, m_form.m_mark);
}
