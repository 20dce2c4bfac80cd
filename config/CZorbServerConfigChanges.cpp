#include "config/CZorbServerConfigChanges.h"

#include "config/ConfigXml.h"

CZorbServerConfigChanges::CZorbServerConfigChanges() = default;

CZorbServerConfigChanges::CZorbServerConfigChanges(const CZorbServerConfigChanges& other)
    : CZorbConfigChanges(other), m_serverModelFolder(other.m_serverModelFolder) {}

CZorbServerConfigChanges::~CZorbServerConfigChanges() = default;

void CZorbServerConfigChanges::GetPath(CString& path) const {
  CString folder;
  CString name;
  GetFolder(folder);
  GetFileName(name);
  path = folder;
  path += u':';
  path += m_serverModelFolder;
  path += u':';
  path += name;
}

void CZorbServerConfigChanges::BuildXml(int level, CString& out) const {
  CString tag;
  GetTag(tag);
  CString attributes;
  cfgxml::AppendAttribute(attributes, u"servermodelfolder", m_serverModelFolder);
  cfgxml::AppendElement(*this, tag, attributes, level, out);
}

void CZorbServerConfigChanges::SetServerModelFolder(const char16_t* folder) {
  m_serverModelFolder = folder;
}
