#include "config/CZorbStandardHelpChanges.h"

#include "config/CZorbGenericXmlFile.h"

CZorbStandardHelpChanges::CZorbStandardHelpChanges() {
  m_tag = u"help-changes";
}

CZorbStandardHelpChanges::CZorbStandardHelpChanges(const CZorbStandardHelpChanges& other) = default;

CZorbStandardHelpChanges::~CZorbStandardHelpChanges() = default;

CZorbXmlObject* CZorbStandardHelpChanges::Clone() const {
  return new CZorbStandardHelpChanges(*this);
}

void CZorbStandardHelpChanges::GetTag(CString& tag) const {
  tag = u"help-changes";
}

CZorbXmlFile* CZorbStandardHelpChanges::CreateHelpFile() const {
  return new CZorbGenericXmlFile();
}

void CZorbStandardHelpChanges::GetFolder(CString& folder) const {
  folder.Empty();
}

void CZorbStandardHelpChanges::GetFileName(CString& name) const {
  name.Empty();
}
