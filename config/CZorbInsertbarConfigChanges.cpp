#include "config/CZorbInsertbarConfigChanges.h"

#include "config/CZorbGenericXmlFile.h"

CZorbInsertbarConfigChanges::CZorbInsertbarConfigChanges() = default;

CZorbInsertbarConfigChanges::CZorbInsertbarConfigChanges(const CZorbInsertbarConfigChanges& other)
    : CZorbConfigChanges(other) {}

CZorbInsertbarConfigChanges::~CZorbInsertbarConfigChanges() = default;

CZorbXmlObject* CZorbInsertbarConfigChanges::Clone() const {
  return new CZorbInsertbarConfigChanges(*this);
}

void CZorbInsertbarConfigChanges::GetTag(CString& tag) const {
  tag = u"insertbar-changes";
}

CZorbXmlFile* CZorbInsertbarConfigChanges::CreateConfigFile(bool) const {
  return new CZorbGenericXmlFile();
}

void CZorbInsertbarConfigChanges::GetFolder(CString& folder) const {
  folder = u"Objects";
}

void CZorbInsertbarConfigChanges::GetFileName(CString& name) const {
  name = u"insertbar.xml";
}
