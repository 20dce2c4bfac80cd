#include "config/CZorbTagLibraryConfigChanges.h"

#include "config/CZorbGenericXmlFile.h"

CZorbTagLibraryConfigChanges::CZorbTagLibraryConfigChanges() = default;

CZorbTagLibraryConfigChanges::CZorbTagLibraryConfigChanges(
    const CZorbTagLibraryConfigChanges& other)
    : CZorbConfigChanges(other) {}

CZorbTagLibraryConfigChanges::~CZorbTagLibraryConfigChanges() = default;

CZorbXmlObject* CZorbTagLibraryConfigChanges::Clone() const {
  return new CZorbTagLibraryConfigChanges(*this);
}

void CZorbTagLibraryConfigChanges::GetTag(CString& tag) const {
  tag = u"taglibrary-changes";
}

CZorbXmlFile* CZorbTagLibraryConfigChanges::CreateConfigFile(bool) const {
  return new CZorbGenericXmlFile();
}

void CZorbTagLibraryConfigChanges::GetFolder(CString& folder) const {
  folder = u"TagLibraries";
}

void CZorbTagLibraryConfigChanges::GetFileName(CString& name) const {
  name = u"TagLibraries.vtm";
}

bool CZorbTagLibraryConfigChanges::UseReferenceFile() const {
  return true;
}
