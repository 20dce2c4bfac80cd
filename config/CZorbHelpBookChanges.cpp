#include "config/CZorbHelpBookChanges.h"

#include "config/CZorbGenericXmlFile.h"

CZorbHelpBookChanges::CZorbHelpBookChanges() {
  m_tag = u"helpbook-changes";
}

CZorbHelpBookChanges::CZorbHelpBookChanges(const CZorbHelpBookChanges& other) = default;

CZorbHelpBookChanges::~CZorbHelpBookChanges() = default;

CZorbXmlObject* CZorbHelpBookChanges::Clone() const {
  return new CZorbHelpBookChanges(*this);
}

void CZorbHelpBookChanges::GetTag(CString& tag) const {
  tag = u"helpbook-changes";
}

CZorbXmlFile* CZorbHelpBookChanges::CreateHelpFile() const {
  return new CZorbGenericXmlFile();
}

void CZorbHelpBookChanges::GetFolder(CString& folder) const {
  folder.Empty();
}

void CZorbHelpBookChanges::GetFileName(CString& name) const {
  name = u"help.xml";
}
