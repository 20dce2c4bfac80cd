#include "config/CZorbDataSourceChanges.h"

#include "config/CZorbMenusXmlFile.h"

CZorbDataSourceChanges::CZorbDataSourceChanges() = default;

CZorbDataSourceChanges::CZorbDataSourceChanges(const CZorbDataSourceChanges& other)
    : CZorbServerConfigChanges(other) {}

CZorbDataSourceChanges::~CZorbDataSourceChanges() = default;

CZorbXmlObject* CZorbDataSourceChanges::Clone() const {
  return new CZorbDataSourceChanges(*this);
}

void CZorbDataSourceChanges::GetTag(CString& tag) const {
  tag = u"data-source-changes";
}

CZorbXmlFile* CZorbDataSourceChanges::CreateConfigFile(bool) const {
  return new CZorbMenusXmlFile();
}

void CZorbDataSourceChanges::GetFolder(CString& folder) const {
  folder = u"DataSources";
}

void CZorbDataSourceChanges::GetFileName(CString& name) const {
  name = u"DataSources.xml";
}

bool CZorbDataSourceChanges::UseReferenceFile() const {
  return true;
}
