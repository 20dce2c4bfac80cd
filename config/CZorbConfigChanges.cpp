#include "config/CZorbConfigChanges.h"

CZorbConfigChanges::CZorbConfigChanges() = default;

CZorbConfigChanges::CZorbConfigChanges(const CZorbConfigChanges& other) : CZorbXmlObject(other) {}

CZorbConfigChanges::~CZorbConfigChanges() = default;

void CZorbConfigChanges::GetLastResortAppendToID(CString& id) const {
  id = u"";
}

bool CZorbConfigChanges::UseReferenceFile() const {
  return false;
}

void CZorbConfigChanges::GetPath(CString& path) const {
  CString folder;
  CString name;
  GetFolder(folder);
  GetFileName(name);
  path = folder;
  path += u':';
  path += name;
}

bool CZorbConfigChanges::AllowNewFile() const {
  return false;
}

bool CZorbConfigChanges::AppendIfLocationNotFound() const {
  return false;
}

bool CZorbConfigChanges::GetLastResortId(CString&) const {
  return false;
}

CZorbXmlObject* CZorbConfigChanges::CreateLastResortObject(CZorbXmlFile*) const {
  return nullptr;
}
