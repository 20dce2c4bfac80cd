#include "config/CZorbExtensionsChanges.h"

#include "config/CZorbTextConfigFile.h"

CZorbExtensionsChanges::CZorbExtensionsChanges() = default;

CZorbExtensionsChanges::CZorbExtensionsChanges(const CZorbExtensionsChanges& other)
    : CZorbConfigChanges(other) {}

CZorbExtensionsChanges::~CZorbExtensionsChanges() = default;

CZorbXmlObject* CZorbExtensionsChanges::Clone() const {
  return new CZorbExtensionsChanges(*this);
}

void CZorbExtensionsChanges::GetTag(CString& tag) const {
  tag = u"extensions-changes";
}

CZorbXmlFile* CZorbExtensionsChanges::CreateConfigFile(bool) const {
  return new CZorbTextConfigFile();
}

void CZorbExtensionsChanges::GetFolder(CString& folder) const {
  folder = u"";
}

void CZorbExtensionsChanges::GetFileName(CString& name) const {
  name = u"Extensions.txt";
}
