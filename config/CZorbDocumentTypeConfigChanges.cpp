#include "config/CZorbDocumentTypeConfigChanges.h"

#include "config/CZorbGenericXmlFile.h"

CZorbDocumentTypeConfigChanges::CZorbDocumentTypeConfigChanges() = default;

CZorbDocumentTypeConfigChanges::CZorbDocumentTypeConfigChanges(
    const CZorbDocumentTypeConfigChanges& other)
    : CZorbConfigChanges(other) {}

CZorbDocumentTypeConfigChanges::~CZorbDocumentTypeConfigChanges() = default;

CZorbXmlObject* CZorbDocumentTypeConfigChanges::Clone() const {
  return new CZorbDocumentTypeConfigChanges(*this);
}

void CZorbDocumentTypeConfigChanges::GetTag(CString& tag) const {
  tag = u"documenttype-changes";
}

CZorbXmlFile* CZorbDocumentTypeConfigChanges::CreateConfigFile(bool) const {
  return new CZorbGenericXmlFile();
}

void CZorbDocumentTypeConfigChanges::GetFolder(CString& folder) const {
  folder = u"DocumentTypes";
}

void CZorbDocumentTypeConfigChanges::GetFileName(CString& name) const {
  name = u"QQDocumentTypes.xml";
}

bool CZorbDocumentTypeConfigChanges::UseReferenceFile() const {
  return true;
}
