#pragma once

#include "config/CZorbConfigChanges.h"

// The changes of the FTP extension map ("FTPExtensionMapMac.txt").
class CZorbFTPExtensionMapChanges : public CZorbConfigChanges {
 public:
  CZorbFTPExtensionMapChanges();
  CZorbFTPExtensionMapChanges(const CZorbFTPExtensionMapChanges& other);
  ~CZorbFTPExtensionMapChanges() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  // A CZorbTextConfigFile.
  CZorbXmlFile* CreateConfigFile(bool exists) const override;
  void GetFolder(CString& folder) const override;
  void GetFileName(CString& name) const override;
};
