#include "config/CZorbFTPExtensionMapChanges.h"

#include "config/CZorbTextConfigFile.h"

CZorbFTPExtensionMapChanges::CZorbFTPExtensionMapChanges() = default;

CZorbFTPExtensionMapChanges::CZorbFTPExtensionMapChanges(const CZorbFTPExtensionMapChanges& other)
    : CZorbConfigChanges(other) {}

CZorbFTPExtensionMapChanges::~CZorbFTPExtensionMapChanges() = default;

CZorbXmlObject* CZorbFTPExtensionMapChanges::Clone() const {
  return new CZorbFTPExtensionMapChanges(*this);
}

void CZorbFTPExtensionMapChanges::GetTag(CString& tag) const {
  tag = u"ftp-extension-map-changes";
}

CZorbXmlFile* CZorbFTPExtensionMapChanges::CreateConfigFile(bool) const {
  return new CZorbTextConfigFile();
}

void CZorbFTPExtensionMapChanges::GetFolder(CString& folder) const {
  folder = u"";
}

void CZorbFTPExtensionMapChanges::GetFileName(CString& name) const {
  name = u"FTPExtensionMapMac.txt";
}
