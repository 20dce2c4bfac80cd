#include "config/CZorbServerFormatDefinitionChanges.h"

#include "config/CZorbMenusXmlFile.h"

CZorbServerFormatDefinitionChanges::CZorbServerFormatDefinitionChanges() = default;

CZorbServerFormatDefinitionChanges::CZorbServerFormatDefinitionChanges(
    const CZorbServerFormatDefinitionChanges& other)
    : CZorbServerConfigChanges(other) {}

CZorbServerFormatDefinitionChanges::~CZorbServerFormatDefinitionChanges() = default;

CZorbXmlObject* CZorbServerFormatDefinitionChanges::Clone() const {
  return new CZorbServerFormatDefinitionChanges(*this);
}

void CZorbServerFormatDefinitionChanges::GetTag(CString& tag) const {
  tag = u"server-format-definition-changes";
}

CZorbXmlFile* CZorbServerFormatDefinitionChanges::CreateConfigFile(bool) const {
  return new CZorbMenusXmlFile();
}

void CZorbServerFormatDefinitionChanges::GetFolder(CString& folder) const {
  folder = u"ServerFormats";
}

void CZorbServerFormatDefinitionChanges::GetFileName(CString& name) const {
  name = u"Formats.xml";
}

bool CZorbServerFormatDefinitionChanges::UseReferenceFile() const {
  return true;
}
